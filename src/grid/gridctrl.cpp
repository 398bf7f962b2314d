#include "grid/gridctrl.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QScrollBar>
#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "grid/autosize.h"
#include "grid/gridprintlayout.h"
#include "grid/inplaceedit.h"
#include "grid/textmeasure.h"
#include "grid/titletip.h"
#include "platform/guithread.h"
#include "platform/longwork.h"
#include "platform/qtext.h"

namespace orva {

CGridCtrl::CGridCtrl(int rows, int cols, int fixedRows, int fixedCols, QWidget* parent)
    : QAbstractScrollArea(parent),
      m_store([this](int row, int col) { return CreateCell(row, col); }),
      m_cellClass(GridCellClassOf<CGridCell>()) {
  setObjectName(QStringLiteral("GridCtrl"));
  for (auto& cell : m_defaultCells) {
    cell = std::make_unique<CGridDefaultCell>();
    cell->SetGrid(this);
  }
  const QPalette& pal = palette();
  m_textColor = pal.color(QPalette::Text);
  m_bkColor = pal.color(QPalette::Base);
  m_fixedTextColor = pal.color(QPalette::ButtonText);
  m_fixedBkColor = pal.color(QPalette::Button);
  m_fixedShadowColor = pal.color(QPalette::Dark);
  m_wheelLines = QApplication::wheelScrollLines();

  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);
  viewport()->setAutoFillBackground(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  m_titleTip = new GridTitleTip(this);
  m_scrollTimer.setInterval(25);
  connect(&m_scrollTimer, &QTimer::timeout, this, &CGridCtrl::OnAutoScrollTimer);
  m_refreshTimer.setSingleShot(true);
  connect(&m_refreshTimer, &QTimer::timeout, this, &CGridCtrl::ApplyPendingRefresh);

  SetRowCount(rows);
  SetColumnCount(cols);
  SetFixedRowCount(fixedRows);
  SetFixedColumnCount(fixedCols);
}

CGridCtrl::~CGridCtrl() {
  // Long work reading the grid (a save) stops before the grid goes.
  EndLongWorkUsing(this);
  // A grid of a million rows takes tens of milliseconds to free: that is
  // done on a thread of its own, so closing a window or starting the next
  // query does not hold the GUI thread up.
  std::function<void()> bulk;
  {
    Lock lock = Locked();
    bulk = m_store.TakeBulkForFreeing();
  }
  if (bulk) std::thread(std::move(bulk)).detach();
}

bool CGridCtrl::Create(const QRect& rect, QWidget* parent, int id, bool visible) {
  setParent(parent);
  setGeometry(rect);
  m_id = id;
  {
    Lock lock = Locked();
    const CGridDefaultCell* def = GetDefaultCell(false, false);
    for (int r = 0; r < m_store.RowCount(); ++r) m_store.SetRowHeight(r, def->GetHeight());
    for (int c = 0; c < m_store.ColumnCount(); ++c) m_store.SetColumnWidth(c, def->GetWidth());
  }
  if (visible) show();
  ResetScrollBars();
  return true;
}

IGridOwner* CGridCtrl::Owner() const {
  if (m_owner) return m_owner;
  for (QWidget* w = parentWidget(); w; w = w->parentWidget())
    if (auto* owner = dynamic_cast<IGridOwner*>(w)) return owner;
  return nullptr;
}

long CGridCtrl::SendMessageToParent(int row, int col, int code) {
  IGridOwner* owner = Owner();
  if (!owner) return 0;
  GridNotify notify{NotifyHeader{this, m_id, code}, row, col};
  return owner->OnGridNotify(notify);
}

// ---- Refresh requests ----

void CGridCtrl::RequestRefresh() {
  if (!m_allowDraw) return;
  // One queued request at a time, from whichever thread: appending a million
  // rows causes a handful of repaints and scroll-bar updates, not a million
  // queued events. While one is pending (the common case for a worker that
  // changes the grid cell by cell) a plain read is all this costs.
  if (m_refreshPending.load(std::memory_order_relaxed)) return;
  if (!IsGuiThread()) m_refreshFromWorker = true;
  if (m_refreshPending.exchange(true)) return;
  // Posted through ORVA's own hand-off, which thread checkers can follow.
  PostToGuiThread(this, [this] { ApplyPendingRefresh(); });
}

void CGridCtrl::ApplyPendingRefresh() {
  // A worker filling the grid changes it without pause; repainting for it at
  // most ten times a second keeps the GUI thread, and the processor the worker
  // needs, from spending itself on frames nobody can tell apart.
  constexpr qint64 kWorkerRefreshMs = 100;
  if (m_refreshFromWorker && m_lastWorkerRefresh.isValid()) {
    const qint64 since = m_lastWorkerRefresh.elapsed();
    if (since < kWorkerRefreshMs) {
      if (!m_refreshTimer.isActive()) m_refreshTimer.start(static_cast<int>(kWorkerRefreshMs - since));
      return;
    }
  }
  if (m_refreshFromWorker.exchange(false)) m_lastWorkerRefresh.start();
  m_refreshPending = false;
  if (!m_allowDraw) return;
  ResetScrollBars();
  viewport()->update();
}

void CGridCtrl::Refresh() { RequestRefresh(); }
void CGridCtrl::RedrawCell(int row, int col) { RequestRefresh(); }

void CGridCtrl::SetRedraw(bool allow, bool resetScrollBars) {
  m_allowDraw = allow;
  if (allow) RequestRefresh();
}

void CGridCtrl::ResetScrollBars() {
  if (!IsGuiThread()) {
    RequestRefresh();
    return;
  }
  long long totalHeight, totalWidth, fixedHeight, fixedWidth;
  int rowStep;
  {
    Lock lock = Locked();
    totalHeight = m_store.Rows().Total();
    totalWidth = m_store.Columns().Total();
    fixedHeight = m_store.Rows().Start(m_store.FixedRowCount());
    fixedWidth = m_store.Columns().Start(m_store.FixedColumnCount());
    rowStep = GetDefaultCell(false, false)->GetHeight();
  }
  QSize area = viewport()->size();
  auto clampInt = [](long long v) { return static_cast<int>(std::clamp<long long>(v, 0, INT_MAX)); };
  int pageV = std::max(1, area.height() - static_cast<int>(fixedHeight));
  int pageH = std::max(1, area.width() - static_cast<int>(fixedWidth));
  verticalScrollBar()->setRange(0, clampInt(totalHeight - fixedHeight - pageV));
  verticalScrollBar()->setPageStep(pageV);
  verticalScrollBar()->setSingleStep(std::max(1, rowStep));
  horizontalScrollBar()->setRange(0, clampInt(totalWidth - fixedWidth - pageH));
  horizontalScrollBar()->setPageStep(pageH);
  horizontalScrollBar()->setSingleStep(std::max(1, GetDefaultCell(false, false)->GetWidth() / 4));
}

// ---- Counts and sizes ----

int CGridCtrl::GetRowCount() const {
  Lock lock = Locked();
  return m_store.RowCount();
}
int CGridCtrl::GetColumnCount() const {
  Lock lock = Locked();
  return m_store.ColumnCount();
}
int CGridCtrl::GetFixedRowCount() const {
  Lock lock = Locked();
  return m_store.FixedRowCount();
}
int CGridCtrl::GetFixedColumnCount() const {
  Lock lock = Locked();
  return m_store.FixedColumnCount();
}

bool CGridCtrl::SetRowCount(int rows) {
  if (rows < 0) return false;
  if (rows < GetRowCount()) EndEditBeforeRestructuring();
  {
    Lock lock = Locked();
    m_store.SetRowCount(rows, GetDefaultCell(false, false)->GetHeight());
    if (m_focus.row >= rows) m_focus = m_anchor = CellId{};
  }
  RequestRefresh();
  return true;
}

bool CGridCtrl::SetColumnCount(int cols) {
  if (cols < 0) return false;
  if (cols < GetColumnCount()) EndEditBeforeRestructuring();
  {
    Lock lock = Locked();
    m_store.SetColumnCount(cols, GetDefaultCell(false, false)->GetWidth());
    if (m_focus.col >= cols) m_focus = m_anchor = CellId{};
  }
  RequestRefresh();
  return true;
}

void CGridCtrl::DropFocusFromFixedArea() {
  if (!m_focus.IsValid() || (m_focus.row >= m_store.FixedRowCount() && m_focus.col >= m_store.FixedColumnCount()))
    return;
  m_store.SetState(m_focus.row, m_focus.col, m_store.State(m_focus.row, m_focus.col) & ~GVIS_FOCUSED);
  m_focus = m_anchor = CellId{};
}

bool CGridCtrl::SetFixedRowCount(int fixedRows) {
  if (fixedRows < 0) return false;
  {
    Lock lock = Locked();
    if (fixedRows > m_store.RowCount()) m_store.SetRowCount(fixedRows, GetDefaultCell(false, false)->GetHeight());
    m_store.SetFixedRowCount(fixedRows);
    DropFocusFromFixedArea();
  }
  RequestRefresh();
  return true;
}

bool CGridCtrl::SetFixedColumnCount(int fixedCols) {
  if (fixedCols < 0) return false;
  {
    Lock lock = Locked();
    if (fixedCols > m_store.ColumnCount()) m_store.SetColumnCount(fixedCols, GetDefaultCell(false, false)->GetWidth());
    m_store.SetFixedColumnCount(fixedCols);
    DropFocusFromFixedArea();
  }
  RequestRefresh();
  return true;
}

int CGridCtrl::GetRowHeight(int row) const {
  Lock lock = Locked();
  return row >= 0 && row < m_store.RowCount() ? m_store.Rows().Size(row) : -1;
}

int CGridCtrl::GetColumnWidth(int col) const {
  Lock lock = Locked();
  return col >= 0 && col < m_store.ColumnCount() ? m_store.Columns().Size(col) : -1;
}

bool CGridCtrl::SetRowHeight(int row, int height) {
  {
    Lock lock = Locked();
    if (row < 0 || row >= m_store.RowCount() || height < 0) return false;
    m_store.SetRowHeight(row, height);
  }
  RequestRefresh();
  return true;
}

bool CGridCtrl::SetColumnWidth(int col, int width) {
  {
    Lock lock = Locked();
    if (col < 0 || col >= m_store.ColumnCount() || width < 0) return false;
    m_store.SetColumnWidth(col, width);
  }
  RequestRefresh();
  return true;
}

int CGridCtrl::GetFixedRowHeight() const {
  Lock lock = Locked();
  return static_cast<int>(m_store.Rows().Start(m_store.FixedRowCount()));
}

int CGridCtrl::GetFixedColumnWidth() const {
  Lock lock = Locked();
  return static_cast<int>(m_store.Columns().Start(m_store.FixedColumnCount()));
}

long long CGridCtrl::GetVirtualHeight() const {
  Lock lock = Locked();
  return m_store.Rows().Total();
}
long long CGridCtrl::GetVirtualWidth() const {
  Lock lock = Locked();
  return m_store.Columns().Total();
}

// ---- Structure ----

int CGridCtrl::TextLineHeight(bool fixedRow, bool fixedCol) const {
  return GetDefaultCell(fixedRow, fixedCol)->LineHeight();
}

QSize CGridCtrl::MeasureHeading(std::string_view text, bool fixedRow, bool fixedCol) const {
  const CGridDefaultCell* def = GetDefaultCell(fixedRow, fixedCol);
  return MeasureText(def->GetFontObject(), text, def->GetFormat()) + QSize(2 * def->GetMargin(), 2 * def->GetMargin());
}

int CGridCtrl::InsertColumn(std::string_view heading, int format, int column) {
  // Measured before taking the lock: off the GUI thread measuring waits for
  // the GUI thread, which may itself be waiting for the lock to paint.
  bool headingFixedRow;
  {
    Lock lock = Locked();
    headingFixedRow = m_store.FixedRowCount() > 0;
  }
  QSize extent = MeasureHeading(heading, headingFixedRow, false);
  int index;
  {
    Lock lock = Locked();
    const int cols = m_store.ColumnCount();
    index = column < 0 ? cols : column;
    if (index > cols || (column >= 0 && column == cols) || index < m_store.FixedColumnCount()) return -1;
    if (m_store.RowCount() == 0) m_store.SetRowCount(1, GetDefaultCell(false, false)->GetHeight());
    m_store.InsertColumn(index, extent.width());
    m_store.SetText(0, index, heading);
    for (int r = 0; r < m_store.RowCount(); ++r) m_store.Promote(r, index)->SetFormat(format);
    if (m_focus.IsValid() && m_focus.col >= index) ++m_focus.col;
    if (m_anchor.IsValid() && m_anchor.col >= index) ++m_anchor.col;
  }
  RequestRefresh();
  return index;
}

int CGridCtrl::InsertRow(std::string_view heading, int row) {
  int index;
  {
    Lock lock = Locked();
    const int rows = m_store.RowCount();
    index = row < 0 ? rows : row;
    if (row >= rows || index < m_store.FixedRowCount()) return -1;
    if (m_store.ColumnCount() == 0) m_store.SetColumnCount(1, GetDefaultCell(false, false)->GetWidth());
    int height;
    if (heading.empty()) {
      height = GetDefaultCell(true, false)->GetHeight();
    } else {
      // The heading goes into column 0 of a new (non-fixed) row; its extent
      // is one line of the cell's font plus the margins.
      const CGridDefaultCell* def = GetDefaultCell(false, m_store.FixedColumnCount() > 0);
      int lines = (def->GetFormat() & DT_SINGLELINE) ? 1 : 1 + static_cast<int>(std::count(heading.begin(), heading.end(), '\n'));
      height = lines * def->LineHeight() + 2 * def->GetMargin();
    }
    m_store.InsertRow(index, height);
    m_store.SetText(index, 0, heading);
    if (m_focus.IsValid() && m_focus.row >= index) ++m_focus.row;
    if (m_anchor.IsValid() && m_anchor.row >= index) ++m_anchor.row;
  }
  RequestRefresh();
  return index;
}

int CGridCtrl::AppendRows(const RowBlock& block) { return AppendRows(block, nullptr); }

int CGridCtrl::AppendRows(const RowBlock& block, AutoSizer* sizer) {
  int cols, fixedCols;
  {
    Lock lock = Locked();
    cols = m_store.ColumnCount();
    fixedCols = m_store.FixedColumnCount();
  }
  if (cols == 0) return -1;
  // The rows are made before taking the lock, which then only moves them
  // in: painting and scrolling never wait for a block's cells being built.
  GridStore::PreparedRows prepared = GridStore::PrepareRows(block, cols, fixedCols);
  int first, fixedRows;
  {
    Lock lock = Locked();
    if (m_store.ColumnCount() == 0) return -1;
    // Single-line headings: one line of the heading cell's font plus margins.
    const CGridDefaultCell* def = GetDefaultCell(false, m_store.FixedColumnCount() > 0);
    const int height = def->LineHeight() + 2 * def->GetMargin();
    // The columns changed meanwhile (or the grid went virtual): made again.
    first = m_store.Fits(prepared) ? m_store.AppendPrepared(std::move(prepared), height)
                                   : m_store.AppendRows(block, height);
    fixedRows = m_store.FixedRowCount();
    fixedCols = m_store.FixedColumnCount();
  }
  RequestRefresh();
  if (sizer) sizer->AddBlock(block, first, fixedRows, fixedCols);
  return first;
}

bool CGridCtrl::DeleteColumn(int col) {
  EndEditBeforeRestructuring();
  {
    Lock lock = Locked();
    if (col < 0 || col >= m_store.ColumnCount()) return false;
    m_store.DeleteColumn(col);
    if (m_focus.col == col) m_focus = m_anchor = CellId{};
    if (m_focus.col > col) --m_focus.col;
    m_anchor = m_focus;
  }
  RequestRefresh();
  return true;
}

bool CGridCtrl::DeleteRow(int row) {
  EndEditBeforeRestructuring();
  {
    Lock lock = Locked();
    if (row < 0 || row >= m_store.RowCount()) return false;
    m_store.DeleteRow(row);
    if (m_focus.row == row) m_focus = m_anchor = CellId{};
    if (m_focus.row > row) --m_focus.row;
    m_anchor = m_focus;
  }
  RequestRefresh();
  return true;
}

bool CGridCtrl::DeleteNonFixedRows() {
  EndEditBeforeRestructuring();
  {
    Lock lock = Locked();
    m_store.SetRowCount(m_store.FixedRowCount(), 0);
    if (m_focus.row >= m_store.RowCount()) m_focus = m_anchor = CellId{};
  }
  RequestRefresh();
  return true;
}

bool CGridCtrl::DeleteAllItems() {
  EndEditBeforeRestructuring();
  {
    Lock lock = Locked();
    m_store.Clear();
    m_focus = m_anchor = CellId{};
  }
  RequestRefresh();
  return true;
}

void CGridCtrl::EndEditBeforeRestructuring() {
  // An open editor names its cell by position: commit it while the position
  // still means that cell. (Only the GUI thread owns the editor.)
  if (IsGuiThread() && m_editor) m_editor->EndEdit();
}

// ---- Cells ----

bool CGridCtrl::IsValid(int row, int col) const {
  Lock lock = Locked();
  return m_store.IsValid(row, col);
}

bool CGridCtrl::SetItemText(int row, int col, std::string_view text) {
  {
    Lock lock = Locked();
    if (!m_store.IsValid(row, col) || m_store.IsVirtual()) return false;
    m_store.SetText(row, col, text);
  }
  RequestRefresh();
  return true;
}

std::string CGridCtrl::GetItemText(int row, int col) const {
  {
    Lock lock = Locked();
    if (!m_store.IsValid(row, col)) return {};
    if (!m_store.IsVirtual()) return m_store.Text(row, col);
  }
  return VirtualCell(row, col)->GetText();
}

void CGridCtrl::VisitRowTexts(CellRange range, const RowTextsVisitor& visit) const {
  Lock lock = Locked();
  range = m_store.Clamp(range);
  if (!range.IsValid()) return;
  const int count = range.maxCol - range.minCol + 1;
  std::vector<std::string> scratch(static_cast<std::size_t>(count));
  std::vector<std::string_view> texts(static_cast<std::size_t>(count));
  if (m_store.IsVirtual()) {
    lock.unlock();  // the texts come from the owner's callback, as for GetItemText
    for (int r = range.minRow; r <= range.maxRow; ++r) {
      for (int k = 0; k < count; ++k) texts[k] = scratch[k] = VirtualCell(r, range.minCol + k)->GetText();
      visit(r, texts.data(), count);
    }
    return;
  }
  for (int r = range.minRow; r <= range.maxRow; ++r) {
    for (int k = 0; k < count; ++k) texts[k] = m_store.TextView(r, range.minCol + k, scratch[k]);
    visit(r, texts.data(), count);
  }
}

bool CGridCtrl::SetItemState(int row, int col, std::uint32_t state) {
  {
    Lock lock = Locked();
    if (!m_store.IsValid(row, col) || m_store.IsVirtual()) return false;
    m_store.SetState(row, col, state);
  }
  RequestRefresh();
  return true;
}

std::uint32_t CGridCtrl::GetItemState(int row, int col) const {
  Lock lock = Locked();
  return m_store.IsValid(row, col) ? m_store.State(row, col) : 0;
}

namespace {
template <typename Apply>
bool ChangeFullCell(std::recursive_mutex& mutex, GridStore& store, int row, int col, Apply apply) {
  std::lock_guard lock(mutex);
  if (!store.IsValid(row, col) || store.IsVirtual()) return false;
  apply(*store.Promote(row, col));
  return true;
}
}  // namespace

bool CGridCtrl::SetItemImage(int row, int col, int image) {
  bool ok = ChangeFullCell(m_lock, m_store, row, col, [&](CGridCellBase& cell) { cell.SetImage(image); });
  if (ok) RequestRefresh();
  return ok;
}

int CGridCtrl::GetItemImage(int row, int col) const {
  Lock lock = Locked();
  const CGridCellBase* cell = m_store.IsValid(row, col) ? m_store.FullCell(row, col) : nullptr;
  return cell ? cell->GetImage() : -1;
}

bool CGridCtrl::SetItemData(int row, int col, std::uint32_t data) {
  return ChangeFullCell(m_lock, m_store, row, col, [&](CGridCellBase& cell) { cell.SetData(data); });
}

std::uint32_t CGridCtrl::GetItemData(int row, int col) const {
  Lock lock = Locked();
  const CGridCellBase* cell = m_store.IsValid(row, col) ? m_store.FullCell(row, col) : nullptr;
  return cell ? cell->GetData() : 0;
}

bool CGridCtrl::SetItemFormat(int row, int col, int format) {
  bool ok = ChangeFullCell(m_lock, m_store, row, col, [&](CGridCellBase& cell) { cell.SetFormat(format); });
  if (ok) RequestRefresh();
  return ok;
}

int CGridCtrl::GetItemFormat(int row, int col) const {
  Lock lock = Locked();
  if (!m_store.IsValid(row, col)) return -1;
  if (const CGridCellBase* cell = m_store.FullCell(row, col)) return cell->GetFormat();
  if (row >= m_store.FixedRowCount() && m_store.ColumnFormat(col) >= 0) return m_store.ColumnFormat(col);
  const std::uint32_t state = m_store.State(row, col);
  return GetDefaultCell(state & GVIS_FIXEDROW, state & GVIS_FIXEDCOL)->GetFormat();
}

bool CGridCtrl::SetColumnFormat(int col, int format) {
  {
    Lock lock = Locked();
    if (col < 0 || col >= m_store.ColumnCount()) return false;
    m_store.SetColumnFormat(col, format);
  }
  RequestRefresh();
  return true;
}

bool CGridCtrl::SetItemBkColour(int row, int col, QColor color) {
  bool ok = ChangeFullCell(m_lock, m_store, row, col, [&](CGridCellBase& cell) { cell.SetBackClr(color); });
  if (ok) RequestRefresh();
  return ok;
}

bool CGridCtrl::SetItemFgColour(int row, int col, QColor color) {
  bool ok = ChangeFullCell(m_lock, m_store, row, col, [&](CGridCellBase& cell) { cell.SetTextClr(color); });
  if (ok) RequestRefresh();
  return ok;
}

bool CGridCtrl::SetItemFont(int row, int col, const std::optional<QFont>& font) {
  bool ok = ChangeFullCell(m_lock, m_store, row, col, [&](CGridCellBase& cell) { cell.SetFont(font); });
  if (ok) RequestRefresh();
  return ok;
}

bool CGridCtrl::SetItem(const GridItem& item) {
  {
    Lock lock = Locked();
    if (!m_store.IsValid(item.row, item.col) || m_store.IsVirtual()) return false;
    if (item.mask & GVIF_TEXT) m_store.SetText(item.row, item.col, item.text);
    if (item.mask & GVIF_STATE) m_store.SetState(item.row, item.col, item.state);
    const unsigned fullMask = GVIF_IMAGE | GVIF_PARAM | GVIF_FORMAT | GVIF_BKCLR | GVIF_FGCLR | GVIF_FONT | GVIF_MARGIN;
    if (item.mask & fullMask) {
      CGridCellBase* cell = m_store.Promote(item.row, item.col);
      if (item.mask & GVIF_IMAGE) cell->SetImage(item.image);
      if (item.mask & GVIF_PARAM) cell->SetData(item.data);
      if (item.mask & GVIF_FORMAT) cell->SetFormat(item.format);
      if (item.mask & GVIF_BKCLR) cell->SetBackClr(item.bkColor);
      if (item.mask & GVIF_FGCLR) cell->SetTextClr(item.fgColor);
      if (item.mask & GVIF_FONT) cell->SetFont(item.font);
      if (item.mask & GVIF_MARGIN) cell->SetMargin(item.margin);
    }
  }
  RequestRefresh();
  return true;
}

bool CGridCtrl::GetItem(GridItem& item) const {
  std::unique_ptr<CGridCellBase> cell;
  {
    Lock lock = Locked();
    if (!m_store.IsValid(item.row, item.col)) return false;
    if (!m_store.IsVirtual()) cell = m_store.CopyCell(item.row, item.col, const_cast<CGridCtrl*>(this));
  }
  if (!cell) cell = VirtualCell(item.row, item.col);
  if (item.mask & GVIF_TEXT) item.text = cell->GetText();
  if (item.mask & GVIF_STATE) item.state = cell->GetState();
  if (item.mask & GVIF_IMAGE) item.image = cell->GetImage();
  if (item.mask & GVIF_PARAM) item.data = cell->GetData();
  if (item.mask & GVIF_FORMAT) item.format = cell->GetFormat();
  if (item.mask & GVIF_BKCLR) item.bkColor = cell->GetBackClr();
  if (item.mask & GVIF_FGCLR) item.fgColor = cell->GetTextClr();
  if (item.mask & GVIF_FONT) item.font = cell->GetFont();
  if (item.mask & GVIF_MARGIN) item.margin = cell->GetMargin();
  return true;
}

CGridCellBase* CGridCtrl::GetCell(int row, int col) {
  Lock lock = Locked();
  if (!m_store.IsValid(row, col) || m_store.IsVirtual()) return nullptr;
  return m_store.Promote(row, col);
}

bool CGridCtrl::SetCellType(int row, int col, GridCellClass cellClass) {
  if (!cellClass.create) return false;
  {
    Lock lock = Locked();
    if (!m_store.IsValid(row, col) || m_store.IsVirtual()) return false;
    std::unique_ptr<CGridCellBase> cell = cellClass.create();
    if (const CGridCellBase* old = m_store.FullCell(row, col)) {
      cell->Assign(*old);
    } else {
      cell->SetText(m_store.Text(row, col));
      cell->SetState(m_store.State(row, col));
    }
    cell->SetGrid(this);
    m_store.ReplaceCell(row, col, std::move(cell));
  }
  RequestRefresh();
  return true;
}

bool CGridCtrl::SetDefaultCellType(GridCellClass cellClass) {
  if (!cellClass.create) return false;
  Lock lock = Locked();
  m_cellClass = cellClass;
  return true;
}

std::unique_ptr<CGridCellBase> CGridCtrl::CreateCell(int row, int col) {
  std::unique_ptr<CGridCellBase> cell = m_cellClass.create();
  cell->SetGrid(this);
  return cell;
}

CGridDefaultCell* CGridCtrl::GetDefaultCell(bool fixedRow, bool fixedCol) {
  return m_defaultCells[(fixedRow ? 2 : 0) | (fixedCol ? 1 : 0)].get();
}

const CGridDefaultCell* CGridCtrl::GetDefaultCell(bool fixedRow, bool fixedCol) const {
  return m_defaultCells[(fixedRow ? 2 : 0) | (fixedCol ? 1 : 0)].get();
}

void CGridCtrl::SetGridFont(const QFont& font) {
  {
    Lock lock = Locked();
    for (auto& cell : m_defaultCells) cell->SetFont(font);
  }
  AutoSize();
  Refresh();
}

std::unique_ptr<CGridCellBase> CGridCtrl::VirtualCell(int row, int col) const {
  GridCellInfo info;
  info.hdr = NotifyHeader{const_cast<CGridCtrl*>(this), m_id, GVN_GETDISPINFO};
  std::uint32_t state;
  {
    Lock lock = Locked();
    state = m_store.FixedBits(row, col);
    if (m_store.IsSelected(row, col)) state |= GVIS_SELECTED;
    if (m_focus == CellId{row, col}) state |= GVIS_FOCUSED;
  }
  const CGridDefaultCell* def = GetDefaultCell(state & GVIS_FIXEDROW, state & GVIS_FIXEDCOL);
  GridItem& item = info.item;
  item.row = row;
  item.col = col;
  item.mask = GVIF_ALL;
  item.state = state;
  item.format = def->GetFormat();
  item.bkColor = def->GetBackClr();
  item.fgColor = def->GetTextClr();
  item.font = def->GetFontObject();
  item.margin = def->GetMargin();
  if (m_callback)
    m_callback(info);
  else if (IGridOwner* owner = Owner())
    owner->OnGridCellInfo(info);
  auto cell = std::make_unique<CGridCell>();
  cell->SetGrid(const_cast<CGridCtrl*>(this));
  cell->SetText(item.text);
  cell->SetState(item.state);
  cell->SetFormat(item.format);
  cell->SetImage(item.image);
  cell->SetData(item.data);
  cell->SetBackClr(item.bkColor);
  cell->SetTextClr(item.fgColor);
  cell->SetFont(item.font);
  cell->SetMargin(item.margin);
  return cell;
}

// ---- Flags ----

void CGridCtrl::EnableSelection(bool enable) {
  m_selectionEnabled = enable;
  if (!enable) ClearSelection();
}

void CGridCtrl::SetVirtualMode(bool on) {
  EndEditBeforeRestructuring();
  {
    Lock lock = Locked();
    m_store.SetVirtual(on);
    m_focus = m_anchor = CellId{};
  }
  RequestRefresh();
}

bool CGridCtrl::GetVirtualMode() const {
  Lock lock = Locked();
  return m_store.IsVirtual();
}

// ---- Focus and selection ----

CellId CGridCtrl::GetFocusCell() const {
  Lock lock = Locked();
  return m_focus;
}

void CGridCtrl::SetFocusCell(int row, int col) {
  {
    Lock lock = Locked();
    if (m_focus.IsValid() && m_store.IsValid(m_focus.row, m_focus.col))
      m_store.SetState(m_focus.row, m_focus.col, m_store.State(m_focus.row, m_focus.col) & ~GVIS_FOCUSED);
    m_focus = m_store.IsValid(row, col) ? CellId{row, col} : CellId{};
    if (m_focus.IsValid()) m_store.SetState(row, col, m_store.State(row, col) | GVIS_FOCUSED);
  }
  RequestRefresh();
}

bool CGridCtrl::IsCellSelected(int row, int col) const {
  if (!m_selectionEnabled) return false;
  Lock lock = Locked();
  return m_store.IsValid(row, col) && m_store.IsSelected(row, col);
}

CellRange CGridCtrl::GetSelectedCellRange() const {
  Lock lock = Locked();
  return m_store.SelectionBounds();
}

void CGridCtrl::SetSelectedRange(CellRange range, bool keepPrevious) {
  if (!m_selectionEnabled) return;
  {
    Lock lock = Locked();
    m_store.BeginSelection(keepPrevious);
    m_store.UpdateSelection(range);
  }
  RequestRefresh();
}

void CGridCtrl::ClearSelection() {
  {
    Lock lock = Locked();
    m_store.ClearSelection();
  }
  RequestRefresh();
}

void CGridCtrl::SelectAllCells() {
  if (!m_selectionEnabled) return;
  SendMessageToParent(-1, -1, GVN_SELCHANGING);
  {
    Lock lock = Locked();
    m_store.SelectRange(CellRange{m_store.FixedRowCount(), m_store.FixedColumnCount(), m_store.RowCount() - 1,
                                  m_store.ColumnCount() - 1});
  }
  SendMessageToParent(-1, -1, GVN_SELCHANGED);
  RequestRefresh();
}

// ---- AutoSize ----

CellKindMetrics CGridCtrl::KindMetrics(int kind) const {
  const CGridDefaultCell* def = m_defaultCells[static_cast<std::size_t>(kind)].get();
  CellKindMetrics metrics;
  const QFont font = FontForThisThread(def->GetFontObject());
  QFontMetricsF fm(font);
  for (int c = 0; c < 128; ++c)
    metrics.text.asciiAdvance[static_cast<std::size_t>(c)] = c < 0x20 ? 0 : fm.horizontalAdvance(QChar(c));
  metrics.text.wideCharBound = std::max(fm.maxWidth(), fm.height()) + 1;
  metrics.text.lineHeight = QFontMetrics(font).height();
  metrics.text.measure = [fm](std::string_view line) { return fm.horizontalAdvance(QStringFromGbk(line)); };
  metrics.margin = def->GetMargin();
  metrics.singleLine = def->GetFormat() & DT_SINGLELINE;
  return metrics;
}

void CGridCtrl::ApplyAutoSize(const AutoSizeResult& result, bool columns) {
  // Each cell gives up its right and bottom pixel to the grid lines, so the
  // contents need one pixel more than their extent.
  if (columns)
    for (int c = 0; c < m_store.ColumnCount(); ++c)
      if (int w = result.columnWidths[static_cast<std::size_t>(c)]; w >= 0) m_store.SetColumnWidth(c, w + 1);
  for (int r = 0; r < m_store.RowCount(); ++r)
    if (int h = result.rowHeights[static_cast<std::size_t>(r)]; h >= 0) m_store.SetRowHeight(r, h + 1);
}

CGridCtrl::Lock CGridCtrl::Locked() const {
  Lock lock(m_lock, std::try_to_lock);
  if (lock.owns_lock()) return lock;
  ++m_lockWaiters;
  lock.lock();
  --m_lockWaiters;
  return lock;
}

void CGridCtrl::LetWaitersIn() const {
  // Bounded, in case a waiter is slow to be scheduled.
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(50);
  while (m_lockWaiters.load() > 0 && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
}

namespace {
// Widths of the rows past these come from the longest values and a sample.
constexpr int kExactRows = 65536;
}  // namespace

std::unique_ptr<AutoSizer> CGridCtrl::BeginAutoSize(int style) {
  Lock lock = Locked();
  auto sizer = std::make_unique<AutoSizer>(
      style, std::array<CellKindMetrics, 4>{KindMetrics(0), KindMetrics(1), KindMetrics(2), KindMetrics(3)});
  sizer->SampleAfter(kExactRows);
  sizer->AddRows(m_store, 0, m_store.FixedRowCount());
  return sizer;
}

void CGridCtrl::FinishAutoSize(const AutoSizer& sizer) {
  {
    Lock lock = Locked();
    ApplyAutoSize(sizer.Result(m_store), true);
  }
  RequestRefresh();
}

void CGridCtrl::AutoSizeInSlices(int style, bool columns) {
  // A slice of rows takes a few milliseconds to measure.
  constexpr int kSliceRows = 8192;
  std::array<CellKindMetrics, 4> kinds;
  {
    Lock lock = Locked();
    kinds = {KindMetrics(0), KindMetrics(1), KindMetrics(2), KindMetrics(3)};
  }
  AutoSizer sizer(style, kinds);
  sizer.SampleAfter(kExactRows);
  for (int first = 0;; first += kSliceRows) {
    {
      Lock lock = Locked();
      if (first >= m_store.RowCount()) break;
      sizer.AddRows(m_store, first, first + kSliceRows);
    }
    LetWaitersIn();
  }
  {
    Lock lock = Locked();
    ApplyAutoSize(sizer.Result(m_store), columns);
  }
  RequestRefresh();
}

void CGridCtrl::AutoSize(int style) {
  if (!IsGuiThread()) {
    AutoSizeInSlices(style, true);
    return;
  }
  std::array<CellKindMetrics, 4> kinds{KindMetrics(0), KindMetrics(1), KindMetrics(2), KindMetrics(3)};
  {
    Lock lock = Locked();
    ApplyAutoSize(ComputeAutoSize(m_store, style, kinds), true);
  }
  RequestRefresh();
}

void CGridCtrl::AutoSizeRows() {
  if (!IsGuiThread()) {
    AutoSizeInSlices(GVS_BOTH, false);
    return;
  }
  std::array<CellKindMetrics, 4> kinds{KindMetrics(0), KindMetrics(1), KindMetrics(2), KindMetrics(3)};
  {
    Lock lock = Locked();
    ApplyAutoSize(ComputeAutoSize(m_store, GVS_BOTH, kinds), false);
  }
  RequestRefresh();
}

}  // namespace orva
