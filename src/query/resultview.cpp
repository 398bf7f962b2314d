#include "query/resultview.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabBar>
#include <QTextCursor>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <ctime>

#include "export/resultsaver.h"
#include "grid/gridctrl.h"
#include "platform/fontsettings.h"
#include "platform/guithread.h"
#include "platform/messages.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"
#include "query/resultlayout.h"
#include "widgets/splitterbar.h"

namespace orva {

namespace {
constexpr int kResultsTab = 0;
constexpr int kMessagesTab = 1;

int ScreenDpiY(const QWidget* widget) {
  const QScreen* screen = widget->screen();
  return screen ? static_cast<int>(std::lround(screen->logicalDotsPerInchY())) : 96;
}
}  // namespace

CResultView::CResultView(QWidget* parent) : QWidget(parent) {
  LoadImageList(IDB_RESULT_TABS, 16, m_tabImages);
  LoadImageList(IDB_MENU_IMAGES, 16, m_menuImages);

  m_messages = new QPlainTextEdit(this);
  m_messages->setObjectName(QStringLiteral("messages"));
  m_messages->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_messages->setFrameShape(QFrame::NoFrame);
  QFont logFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  logFont.setPixelSize(14);
  m_messages->setFont(logFont);
  m_messages->setContextMenuPolicy(Qt::NoContextMenu);  // the log has no menu
  m_messages->hide();

  m_tabs = new QTabBar(this);
  m_tabs->setShape(QTabBar::RoundedSouth);
  m_tabs->setDrawBase(false);
  m_tabs->addTab(m_tabImages.Icon(1), QStringLiteral("结果"));
  m_tabs->addTab(m_tabImages.Icon(2), QStringLiteral("消息"));
  m_tabs->setCurrentIndex(kResultsTab);
  connect(m_tabs, &QTabBar::currentChanged, this, [this](int index) { ApplyPage(index == kMessagesTab); });
  // A result font chosen in the options applies to the open grids at once.
  connect(&FontSettingsNotifier::Instance(), &FontSettingsNotifier::Changed, this, [this](int area) {
    if (area != static_cast<int>(FontArea::Result)) return;
    if (std::optional<QFont> font = ChosenAreaFont(FontArea::Result, ScreenDpiY(this)))
      for (CGridCtrl* grid : m_grids) grid->SetGridFont(*font);
  });
}

CResultView::~CResultView() = default;

void CResultView::ClearMessages() {
  QPointer<CResultView> self(this);
  PostToGuiThread(this, [self] {
    if (self) self->m_messages->clear();
  });
}

void CResultView::AddMessage(std::string_view text, bool indented) {
  // The entry is made now, with the time of the call; appending it is queued.
  QString entry = QStringFromGbk(FormatMessageEntry(text, indented, std::time(nullptr)));
  entry.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QPointer<CResultView> self(this);
  PostToGuiThread(this, [self, entry] {
    if (!self) return;
    QTextCursor cursor(self->m_messages->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(entry);
  });
}

void CResultView::ShowPage(bool messages) {
  QPointer<CResultView> self(this);
  PostToGuiThread(this, [self, messages] {
    if (self) self->ApplyPage(messages);
  });
}

CGridCtrl* CResultView::AddResultGrid(CRecordsetEx* set) {
  SendMessageTo(this, WM_ADD_RESULT_GRID, 0, reinterpret_cast<std::intptr_t>(set));
  return m_pLastGrid;
}

bool CResultView::event(QEvent* event) {
  if (event->type() == static_cast<QEvent::Type>(WM_ADD_RESULT_GRID)) {
    auto* message = static_cast<SendableMessageEvent*>(event);
    CGridCtrl* grid = CreateGrid(reinterpret_cast<CRecordsetEx*>(message->LParam()));
    message->SetResult(reinterpret_cast<std::intptr_t>(grid));
    return true;
  }
  return QWidget::event(event);
}

CGridCtrl* CResultView::CreateGrid(CRecordsetEx* set) {
  const int n = GetGridCount();
  auto* grid = new CGridCtrl(0, 0, 0, 0);
  ResultPaneLayout start = ComputeResultPaneLayout(width(), height(), n + 1);
  grid->Create(start.grids.back(), this, IDC_RESULT_GRID_FIRST + n, !m_messagePage);
  grid->SetEditable(true);
  grid->SetDragAndDrop(false);
  if (std::optional<QFont> font = ChosenAreaFont(FontArea::Result, ScreenDpiY(this))) grid->SetGridFont(*font);
  if (n > 0) {
    auto* bar = new CSplitterBar(m_grids.back(), grid, this);
    bar->setObjectName(QStringLiteral("bar%1").arg(IDC_RESULT_SPLITTER_FIRST + GetGridCount() - 1));
    bar->setVisible(!m_messagePage);
    m_splitterBars.push_back(bar);
  }
  m_grids.push_back(grid);
  m_pLastGrid = grid;
  LayoutGrids();
  if (set) {
    for (int i = 0; i < set->GetColumnCount(); ++i)
      m_resultColumns.emplace(n, ResultColumn{n, set->GetColumnInfo(i)});
  }
  return grid;
}

void CResultView::ClearResults() {
  for (CSplitterBar* bar : m_splitterBars) delete bar;
  for (CGridCtrl* grid : m_grids) delete grid;
  m_splitterBars.clear();
  m_grids.clear();
  m_resultColumns.clear();
  m_pLastGrid = nullptr;
}

CGridCtrl* CResultView::GetGrid(int index) const {
  return index >= 0 && index < GetGridCount() ? m_grids[static_cast<std::size_t>(index)] : nullptr;
}

void CResultView::LayoutGrids() {
  ResultPaneLayout layout = ComputeResultPaneLayout(width(), height(), GetGridCount());
  for (std::size_t i = 0; i < m_grids.size(); ++i) m_grids[i]->setGeometry(layout.grids[i]);
  for (std::size_t k = 0; k < m_splitterBars.size(); ++k) m_splitterBars[k]->setGeometry(layout.bars[k]);
}

void CResultView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayoutGrids();
  ResultPaneLayout layout = ComputeResultPaneLayout(width(), height(), 0);
  m_messages->setGeometry(layout.messages);
  m_tabs->setGeometry(layout.tabs);
}

void CResultView::ApplyPage(bool messages) {
  m_messagePage = messages;
  {
    const QSignalBlocker block(m_tabs);
    m_tabs->setCurrentIndex(messages ? kMessagesTab : kResultsTab);
  }
  m_messages->setVisible(messages);
  for (CGridCtrl* grid : m_grids) grid->setVisible(!messages);
  for (CSplitterBar* bar : m_splitterBars) bar->setVisible(!messages);
}

bool CResultView::IsMessagePageShown() const { return m_messagePage; }

std::string CResultView::MessageText() const {
  QString text = m_messages->toPlainText();
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return GbkFromQString(text);
}

CGridCtrl* CResultView::FocusedGrid() const {
  QWidget* focus = QApplication::focusWidget();
  for (CGridCtrl* grid : m_grids)
    if (focus && (focus == grid || grid->isAncestorOf(focus))) return grid;
  return nullptr;
}

bool CResultView::OnCommand(int id) {
  CGridCtrl* grid = FocusedGrid();
  switch (id) {
    case ID_EDIT_CUT:
      if (grid) grid->OnEditCut();
      return true;
    case ID_EDIT_COPY:
      if (grid) grid->OnEditCopy();
      return true;
    case ID_EDIT_PASTE:
      if (grid) grid->OnEditPaste();
      return true;
    case ID_RECORD_SAVE_AS:
      if (grid) SaveGrid(grid);
      return true;
    default:
      return false;
  }
}

void CResultView::SaveGrid(CGridCtrl* grid) {
  const int index = static_cast<int>(std::find(m_grids.begin(), m_grids.end(), grid) - m_grids.begin());
  std::vector<ColumnInfo> columns;
  auto [first, last] = m_resultColumns.equal_range(index);
  for (auto it = first; it != last; ++it) columns.push_back(it->second.m_info);
  CResultSaver::Save(grid, std::move(columns));
}

bool CResultView::OnUpdateCommand(int id, CmdUI& ui) {
  switch (id) {
    case ID_EDIT_CUT:
    case ID_EDIT_COPY: {
      CGridCtrl* grid = FocusedGrid();
      ui.Enable(grid != nullptr && grid->GetSelectedCellRange().IsValid());
      return true;
    }
    case ID_EDIT_PASTE: {
      const QMimeData* data = QApplication::clipboard()->mimeData();
      ui.Enable(data != nullptr && data->hasText());
      return true;
    }
    case ID_RECORD_SAVE_AS:
      ui.Enable(true);
      return true;
    default:
      return false;
  }
}

void CResultView::contextMenuEvent(QContextMenuEvent* event) {
  CGridCtrl* target = nullptr;
  for (CGridCtrl* grid : m_grids)
    if (grid->isVisible() && grid->geometry().contains(event->pos())) target = grid;
  if (!target) return;  // the log and the bars have no menu
  target->setFocus(Qt::MouseFocusReason);
  QMenu menu(QStringLiteral("结果集"), window());
  auto add = [&](int id, int image) {
    const CommandText* text = FindCommandText(id);
    QAction* action = menu.addAction(m_menuImages.Icon(image), QString::fromUtf8(text ? text->menuText : ""));
    action->setProperty("orvaCommandId", id);
    return action;
  };
  add(ID_RECORD_REFRESH, 11);
  add(ID_RECORD_SAVE_AS, 10);
  add(ID_RECORD_ADD, -1);
  add(ID_RECORD_DELETE, 0);
  add(ID_RECORD_INSERT_STATEMENTS, -1);
  QAction* chosen = menu.exec(event->globalPos());
  // The grid that was clicked, whether or not the focus could follow.
  if (chosen && chosen->property("orvaCommandId").toInt() == ID_RECORD_SAVE_AS) SaveGrid(target);
}

}  // namespace orva
