#include "table/tableview.h"

#include <QCoreApplication>
#include <QPointer>

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>
#include <algorithm>
#include <atomic>

#include "db/cancelhandle.h"
#include "db/dbconnection.h"
#include "db/dbexception.h"
#include "db/sqlquote.h"
#include "db/tablerecordset.h"
#include "grid/gridctrl.h"
#include "grid/rowblock.h"
#include "platform/messagebox.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"
#include "platform/tick.h"
#include "query/queryengine.h"
#include "query/queryview.h"
#include "table/insertstatements.h"

namespace orva {

namespace {

constexpr int kGridId = 300;
const char kNewRowHeading[] = "*";

QString Utf8(const char* text) { return QString::fromUtf8(text); }

CTableView::SaveRowsHook& SaveHook() {
  static CTableView::SaveRowsHook hook;
  return hook;
}

// Why rows of this table cannot be written at all.
const char* NotSafeText(const CTableRecordset& set) {
  if (!set.CanBindParameters()) return "该数据源的驱动程序不支持参数绑定，无法安全地保存修改，这些记录只能查看。";
  return "这个表（或视图）没有主键，也没有能找出这一行的列，无法安全地保存修改。";
}

void Warn(const char* utf8, QWidget* parent) { ShowMessageBox(Utf8(utf8), QStringLiteral("ORVA"), MbIcon::Warning, MbButtons::Ok, parent); }

}  // namespace

CTableView::CTableView(QWidget* parent) : QWidget(parent) {
  LoadImageList(IDB_MENU_IMAGES, 16, m_menuImages);
  m_grid = new CGridCtrl(0, 0, 0, 0);
  m_grid->Create(rect(), this, kGridId, true);
  m_grid->SetOwner(this);
  m_grid->SetEditable(true);
  m_grid->SetDragAndDrop(false);
  m_grid->setFrameShape(QFrame::NoFrame);
  m_grid->installEventFilter(this);
  m_grid->viewport()->installEventFilter(this);
  setFocusProxy(m_grid);
}

CTableView::~CTableView() {
  // The worker fills the grid and the record set: it ends before either goes.
  EndLongWorkUsing(this);
  if (m_set) {
    try {
      m_set->Close();
    } catch (...) {
    }
  }
}

void CTableView::SetSaveRowsHook(SaveRowsHook hook) { SaveHook() = std::move(hook); }

void CTableView::SetTarget(CDBConnection* connection, const std::string& tableName) {
  m_pConnection = connection;
  m_strTable = tableName;
}

void CTableView::SetStatusSink(std::function<void(const QString&)> sink) { m_status = std::move(sink); }

void CTableView::ShowStatus(const QString& text) {
  if (m_status) m_status(text);
}

void CTableView::OnInitialUpdate() {
  if (m_pConnection && m_pConnection->GetDatabase()) {
    try {
      m_set = std::make_unique<CTableRecordset>(m_pConnection);
      m_set->SetTable(m_strTable);
    } catch (const CDBException& e) {
      ShowErrorBoxGbk(e.ErrorText(), this);
      m_set.reset();
    }
  }
  Refresh();
}

void CTableView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  m_grid->setGeometry(rect());
}

int CTableView::UnsavedRowCount() const {
  return static_cast<int>(m_pending.size()) + (NewRowIsEmpty() ? 0 : 1);
}

bool CTableView::NewRowIsEmpty() const {
  if (m_nNewRow < 1 || m_nNewRow >= m_grid->GetRowCount()) return true;
  for (int c = 1; c < m_grid->GetColumnCount(); ++c)
    if (!m_grid->GetItemText(m_nNewRow, c).empty()) return false;
  return true;
}

// ---- Reading ----

void CTableView::Refresh() {
  if (IsLoading()) return;
  if (m_set && UnsavedRowCount() > 0 &&
      ShowMessageBox(Utf8("有 %1 行修改尚未保存到数据库。刷新将放弃这些修改，是否继续？").arg(UnsavedRowCount()),
                     QStringLiteral("ORVA"), MbIcon::Question, MbButtons::YesNo, this) != IDYES)
    return;
  m_pending.clear();
  m_newRowFailed = false;
  m_nNewRow = -1;
  m_grid->SetEditable(false);
  m_grid->DeleteAllItems();
  m_readError.clear();
  if (!m_set) {
    OnReadDone(false);
    return;
  }
  CTableRecordset* set = m_set.get();
  CGridCtrl* grid = m_grid;
  const std::string sql = "SELECT * FROM " + set->QuotedTable();
  set->GetCancelHandle()->Reset();  // before the work starts, so an early cancel is not lost
  LongWorkRequest request;
  request.anchor = this;
  request.text = Utf8("正在读取数据...");
  request.resource = this;
  request.work = [this, set, grid, sql](LongWorkControl& control) {
    control.SetCancelAction([cancel = set->GetCancelHandle()] { cancel->Cancel(); });
    try {
      set->OpenTable(sql);
      SetupResultColumns(*grid, *set);
      const int fields = set->GetFieldCount();
      const QString progress = Utf8("正在读取数据... 已读取 %1 行");
      // Rows go to the grid in blocks, one locked step each, as the query
      // window fills its grids: a small first block so the first rows show at
      // once, then as many as arrive in a short while. Taking the grid's lock
      // per row and cell instead keeps the window waiting to paint.
      constexpr int kFirstBlockRows = 64;
      constexpr int kBlockRows = 8192;
      constexpr std::uint32_t kBlockMs = 100;
      RowBlock block(fields + 1);
      int blockRows = kFirstBlockRows;
      std::uint32_t blockStart = GetTickCount32();
      const auto flush = [&] {
        if (!block.Empty()) grid->AppendRows(block);
        block.Clear();
        blockStart = GetTickCount32();
      };
      char heading[24];
      try {
        set->ReadSnapshot([&](long record, const CTableRecordset::RowView& values) {
          const int length = std::snprintf(heading, sizeof heading, "%ld", record + 1);
          block.AddCell(std::string_view(heading, static_cast<std::size_t>(length)));
          for (int i = 0; i < fields; ++i) block.AddCell(values[static_cast<size_t>(i)].value_or(std::string_view()));
          if (block.Rows() >= blockRows || ((record & 63) == 0 && GetTickCount32() - blockStart >= kBlockMs)) {
            flush();
            blockRows = kBlockRows;
          }
          if ((record & 1023) == 0) control.SetText(progress.arg(record + 1));
          return !control.Cancelled();
        });
      } catch (...) {
        flush();  // the rows read before the failure stay shown
        throw;
      }
      flush();
      if (!control.Cancelled()) grid->AutoSize();
    } catch (const CDBException& e) {
      if (!control.Cancelled()) m_readError = e.ErrorText();
    } catch (const std::bad_alloc&) {
      m_readError = GbkFromQString(Utf8("内存不足，无法读取全部记录"));
    }
  };
  // After the view is gone (closed while reading) there is nothing to finish.
  request.finished = [self = QPointer<CTableView>(this)](bool cancelled) {
    if (self) self->OnReadDone(cancelled);
  };
  StartLongWork(std::move(request));
}

void CTableView::WaitLoaded() {
  while (IsLoading()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void CTableView::OnReadDone(bool cancelled) {
  if (!m_readError.empty()) ShowErrorBoxGbk(m_readError, this);
  if (m_grid->GetColumnCount() == 0) {
    // Nothing could be read: still a heading and a new-record row.
    m_grid->InsertColumn("", DT_SINGLELINE | DT_VCENTER, -1);
    m_grid->SetColumnWidth(0, 40);
    m_grid->SetFixedColumnCount(1);
  }
  if (m_grid->GetRowCount() == 0) {
    m_grid->InsertRow("", -1);
    m_grid->SetFixedRowCount(1);
  }
  EnsureNewRow();
  m_grid->SetEditable(true);
  m_grid->Refresh();
  const long rows = m_set ? m_set->GetRecordCount() : 0;
  if (cancelled)
    ShowStatus(Utf8("读取已取消，已读取 %1 行").arg(rows));
  else
    ShowStatus(Utf8("共 %1 行").arg(rows));
}

// ---- The new-record row ----

void CTableView::EnsureNewRow() {
  const int last = m_grid->GetRowCount() - 1;
  if (last >= 1 && m_grid->GetItemText(last, 0) == kNewRowHeading) {
    m_nNewRow = last;
    return;
  }
  m_nNewRow = m_grid->InsertRow(kNewRowHeading, -1);
}

void CTableView::CommitNewRow() {
  if (!m_set || NewRowIsEmpty()) return;
  const int row = m_nNewRow;
  const int fields = std::min(m_set->GetFieldCount(), m_grid->GetColumnCount() - 1);
  CTableRecordset::WriteResult result;
  try {
    m_set->AddNew();
    for (int j = 0; j < fields; ++j) {
      const std::string text = m_grid->GetItemText(row, j + 1);
      if (!text.empty()) m_set->SetFieldText(j, text);
    }
    result = m_set->Update();
  } catch (const CDBException& e) {
    ShowErrorBoxGbk(e.ErrorText(), this);
    MarkUnsaved(row, true);
    m_newRowFailed = true;
    return;
  }
  if (result != CTableRecordset::WriteResult::Written) {
    Warn(result == CTableRecordset::WriteResult::NotSafe ? NotSafeText(*m_set)
                                                          : "新记录没有写入：数据库没有确认恰好添加了一行。",
         this);
    MarkUnsaved(row, true);
    m_newRowFailed = true;
    return;
  }
  const long record = m_set->GetRecordCount() - 1;
  m_grid->SetItemText(row, 0, std::to_string(row));
  FillRow(row, record);
  MarkUnsaved(row, false);
  m_newRowFailed = false;
  m_grid->Refresh();
  EnsureNewRow();
}

// ---- Editing ----

void CTableView::FillRow(int gridRow, long record) {
  for (int i = 0; i < m_set->GetFieldCount() && i + 1 < m_grid->GetColumnCount(); ++i)
    m_grid->SetItemText(gridRow, i + 1, m_set->GetRowValue(record, i).value_or(std::string()));
}

void CTableView::MarkUnsaved(int row, bool unsaved) {
  // The row number turns red while the row holds values the database lacks.
  m_grid->SetItemFgColour(row, 0, unsaved ? QColor(200, 0, 0) : QColor());
  m_grid->SetItemBkColour(row, 0, unsaved ? QColor(255, 220, 220) : QColor());
  m_grid->RedrawCell(row, 0);
}

void CTableView::RemoveGridRow(int row) {
  if (row < 1 || row >= m_grid->GetRowCount() || row == m_nNewRow) return;
  m_grid->DeleteRow(row);
  const int last = m_grid->GetRowCount() - 1;
  for (int r = row; r < last; ++r) m_grid->SetItemText(r, 0, std::to_string(r));
  m_nNewRow = last;
  std::map<int, std::map<int, std::string>> shifted;
  for (auto& [r, values] : m_pending)
    if (r != row) shifted[r > row ? r - 1 : r] = std::move(values);
  m_pending.swap(shifted);
  m_grid->Refresh();
}

long CTableView::CommitCellEdit(int row, int col) {
  if (row == m_grid->GetRowCount() - 1) return 0;  // the new-record row keeps its text
  if (row < 1 || col < 1 || !m_set) return -1;
  const long record = row - 1;
  const int field = col - 1;
  if (record >= m_set->GetRecordCount() || field >= m_set->GetFieldCount()) return -1;
  if (!m_set->CanWrite()) {
    Warn(NotSafeText(*m_set), this);
    return -1;
  }
  std::map<int, std::string> values = m_pending.count(row) ? m_pending[row] : std::map<int, std::string>{};
  values[field] = m_grid->GetItemText(row, col);
  CTableRecordset::WriteResult result;
  try {
    m_set->SetPosition(record);
    m_set->Edit();
    for (const auto& [f, text] : values) m_set->SetFieldText(f, text);
    result = m_set->Update();
  } catch (const CDBException& e) {
    // The typed value stays in the cell and the row is marked, so nothing
    // the user typed disappears unnoticed.
    ShowErrorBoxGbk(e.ErrorText(), this);
    m_pending[row] = values;
    MarkUnsaved(row, true);
    return 0;
  }
  using R = CTableRecordset::WriteResult;
  switch (result) {
    case R::Written:
      m_pending.erase(row);
      MarkUnsaved(row, false);
      FillRow(row, record);
      return 0;
    case R::Changed:
      m_pending.erase(row);
      MarkUnsaved(row, false);
      if (m_set->KeyFields().empty()) {
        Warn("这一行在读取之后已被修改，您的修改没有保存。请刷新后再修改。", this);
        return -1;
      }
      Warn("这一行在读取之后已被其他用户修改，您的修改没有保存。已重新读取这一行的当前内容。", this);
      FillRow(row, record);
      return 0;
    case R::Deleted:
      Warn("这一行已被其他用户删除，您的修改没有保存。", this);
      m_pending.erase(row);
      // The grid is still applying the edit: the row goes afterwards.
      QTimer::singleShot(0, this, [this, row] { RemoveGridRow(row); });
      return 0;
    case R::Ambiguous:
      Warn("表中有多行与这一行的值完全相同，且该表没有主键，无法只修改这一行。为避免改动其他行，没有做任何修改。",
           this);
      return -1;
    case R::NotSafe:
      Warn(NotSafeText(*m_set), this);
      return -1;
  }
  return -1;
}

void CTableView::DeleteRecord() {
  const int row = m_grid->GetFocusCell().row;
  if (row < 1 || !m_set) return;
  if (row == m_nNewRow) {
    for (int c = 1; c < m_grid->GetColumnCount(); ++c) m_grid->SetItemText(row, c, "");
    MarkUnsaved(row, false);
    m_newRowFailed = false;
    m_grid->Refresh();
    return;
  }
  const long record = row - 1;
  if (record >= m_set->GetRecordCount()) return;
  CTableRecordset::WriteResult result;
  try {
    m_set->SetPosition(record);
    result = m_set->Delete();
  } catch (const CDBException& e) {
    ShowErrorBoxGbk(e.ErrorText(), this);
    return;
  }
  using R = CTableRecordset::WriteResult;
  switch (result) {
    case R::Written:
    case R::Deleted:
      RemoveGridRow(row);
      return;
    case R::Changed:
      if (m_set->KeyFields().empty()) {
        Warn("这一行在读取之后已被修改，没有删除。请刷新后再删除。", this);
      } else {
        Warn("这一行在读取之后已被其他用户修改，没有删除。已重新读取这一行的当前内容。", this);
        FillRow(row, record);
      }
      return;
    case R::Ambiguous:
      Warn("表中有多行与这一行的值完全相同，且该表没有主键，无法只删除这一行。没有删除任何行。", this);
      return;
    case R::NotSafe:
      Warn(NotSafeText(*m_set), this);
      return;
  }
}

// ---- INSERT statements ----

std::string CTableView::BuildInsertStatements() const {
  if (!m_set || m_set->GetFieldCount() == 0) return {};
  const IdentifierStyle& style = m_pConnection->GetIdentifierStyle();
  const int fields = std::min(m_set->GetFieldCount(), m_grid->GetColumnCount() - 1);
  std::vector<std::string> columns;
  std::vector<SQLSMALLINT> types;
  for (int j = 0; j < fields; ++j) {
    columns.push_back(QuoteIdentifier(m_set->GetColumn(j).m_strName, style));
    types.push_back(m_set->GetColumn(j).m_nSQLType);
  }
  const std::string table = m_set->QuotedTable();
  std::string text;
  std::vector<std::optional<std::string>> values(static_cast<size_t>(fields));
  for (int row = 1; row < m_grid->GetRowCount(); ++row) {
    const bool newRow = row == m_nNewRow;
    if (newRow && NewRowIsEmpty()) continue;
    const long record = row - 1;
    auto pending = m_pending.find(row);
    for (int j = 0; j < fields; ++j) {
      std::string cell = m_grid->GetItemText(row, j + 1);
      const bool typed = pending != m_pending.end() && pending->second.count(j) != 0;
      // An empty cell is NULL unless the row was read with an empty text there.
      if (cell.empty() && (newRow || typed || !m_set->GetRowValue(record, j)))
        values[static_cast<size_t>(j)].reset();
      else
        values[static_cast<size_t>(j)] = std::move(cell);
    }
    text += BuildInsertStatement(table, columns, types, values);
  }
  return text;
}

void CTableView::InsertStatements() {
  if (!m_pEditor || !m_set) return;
  const std::string text = BuildInsertStatements();
  if (!text.empty()) m_pEditor->InsertText(text);
}

// ---- Commands and notifications ----

bool CTableView::OnCommand(int id) {
  if (m_grid->OnCommand(id)) return true;  // the grid first (copy, paste, ...)
  switch (id) {
    case ID_RECORD_REFRESH:
      Refresh();
      return true;
    case ID_RECORD_SAVE_AS:
      if (!IsLoading() && SaveHook()) SaveHook()(*this);
      return true;
    case ID_RECORD_ADD:
      if (!IsLoading()) EnsureNewRow();
      return true;
    case ID_RECORD_DELETE:
      if (!IsLoading()) DeleteRecord();
      return true;
    case ID_RECORD_INSERT_STATEMENTS:
      if (!IsLoading()) InsertStatements();
      return true;
    default:
      return false;
  }
}

bool CTableView::OnUpdateCommand(int id, CmdUI& ui) {
  switch (id) {
    case ID_RECORD_REFRESH:
    case ID_RECORD_SAVE_AS:
    case ID_RECORD_ADD:
    case ID_RECORD_DELETE:
    case ID_RECORD_INSERT_STATEMENTS:
      ui.Enable(true);
      return true;
    default:
      return m_grid->OnUpdateCommand(id, ui);
  }
}

long CTableView::OnGridNotify(GridNotify& notify) {
  switch (notify.hdr.code) {
    case GVN_BEGINLABELEDIT:
      return IsLoading() ? -1 : 0;
    case GVN_ENDLABELEDIT:
      if (IsLoading()) return -1;
      return CommitCellEdit(notify.row, notify.column);
    case GVN_SELCHANGING:
      if (!IsLoading() && notify.row != m_nNewRow) CommitNewRow();
      return 0;
    default:
      return 0;
  }
}

bool CTableView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ContextMenu) {
    ShowContextMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
    return true;
  }
  if (watched == m_grid && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
      OnCommand(ID_RECORD_DELETE);
      return true;
    }
    if (key->key() == Qt::Key_Escape && IsLoading()) {
      CancelLoading();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void CTableView::ShowContextMenu(const QPoint& globalPos) {
  QMenu menu(Utf8("结果集"), window());
  auto add = [&](int id, int image) {
    const CommandText* text = FindCommandText(id);
    QAction* action = menu.addAction(image >= 0 ? m_menuImages.Icon(image) : QIcon(),
                                     QString::fromUtf8(text ? text->menuText : ""));
    action->setData(id);
    return action;
  };
  menu.setDefaultAction(add(ID_RECORD_REFRESH, 11));
  add(ID_RECORD_SAVE_AS, 10);
  add(ID_RECORD_ADD, -1);
  add(ID_RECORD_DELETE, 0);
  add(ID_RECORD_INSERT_STATEMENTS, -1);
  QAction* chosen = menu.exec(globalPos);
  if (chosen) OnCommand(chosen->data().toInt());
}

}  // namespace orva
