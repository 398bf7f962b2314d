// Keyboard and mouse handling of the grid: navigation, selection, resizing
// columns and rows, the wheel, title tips and drag and drop.

#include <QApplication>
#include <QDrag>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include "grid/gridctrl.h"
#include "grid/gridnav.h"
#include "grid/inplaceedit.h"
#include "grid/titletip.h"
#include "platform/qtext.h"

namespace orva {

namespace {

constexpr int kResizeCaptureRange = 3;

std::optional<NavKey> NavKeyOf(int key) {
  switch (key) {
    case Qt::Key_Up: return NavKey::Up;
    case Qt::Key_Down: return NavKey::Down;
    case Qt::Key_Left: return NavKey::Left;
    case Qt::Key_Right: return NavKey::Right;
    case Qt::Key_PageUp: return NavKey::PageUp;
    case Qt::Key_PageDown: return NavKey::PageDown;
    case Qt::Key_Home: return NavKey::Home;
    case Qt::Key_End: return NavKey::End;
    case Qt::Key_Tab: return NavKey::Tab;
    case Qt::Key_Backtab: return NavKey::BackTab;
    default: return std::nullopt;
  }
}

}  // namespace

// ---- Keyboard ----

bool CGridCtrl::event(QEvent* event) {
  // With Tab moving between cells the grid keeps Tab for itself.
  if (event->type() == QEvent::KeyPress && m_tabMoves) {
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && !(key->modifiers() & Qt::ControlModifier)) {
      keyPressEvent(key);
      return true;
    }
  }
  return QAbstractScrollArea::event(event);
}

void CGridCtrl::keyPressEvent(QKeyEvent* event) {
  m_titleTip->Hide();
  const int key = event->key();
  const Qt::KeyboardModifiers mods = event->modifiers();
  const bool ctrl = mods & Qt::ControlModifier;
  const bool shift = mods & Qt::ShiftModifier;

  if ((ctrl && key == Qt::Key_C) || (ctrl && key == Qt::Key_Insert)) return OnEditCopy();
  if (ctrl && key == Qt::Key_X) return OnEditCut();
  if ((ctrl && key == Qt::Key_V) || (shift && key == Qt::Key_Insert)) return OnEditPaste();
  if (ctrl && key == Qt::Key_A) return OnEditSelectAll();
  if (key == Qt::Key_Delete) {
    if (m_editable) ClearSelectedText();
    return;
  }
  if (key == Qt::Key_F2) {
    CellId focus = GetFocusCell();
    if (focus.IsValid()) StartCellEdit(focus.row, focus.col, QPoint(-1, -1), Qt::Key_F2);
    return;
  }
  if (HandleNavigationKey(key, mods)) return;

  const QString text = event->text();
  if (!ctrl && !text.isEmpty() && text.at(0).unicode() >= 0x20 && key != Qt::Key_Escape) {
    CellId focus = GetFocusCell();
    if (focus.IsValid()) StartCellEdit(focus.row, focus.col, QPoint(-1, -1), static_cast<int>(text.toUcs4().value(0)));
    return;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

bool CGridCtrl::HandleNavigationKey(int key, Qt::KeyboardModifiers modifiers) {
  std::optional<NavKey> nav = NavKeyOf(key);
  if (!nav) return false;
  if ((*nav == NavKey::Tab || *nav == NavKey::BackTab) && !m_tabMoves) return false;
  if (*nav == NavKey::Tab && (modifiers & Qt::ShiftModifier)) nav = NavKey::BackTab;
  NavMove move;
  {
    Lock lock = Locked();
    move = MoveFocus(m_store, m_focus, *nav, modifiers & Qt::ControlModifier, PageRows());
  }
  if (move.leave) {
    QWidget::focusNextPrevChild(*nav == NavKey::Tab);
    return true;
  }
  if (!move.cell.IsValid()) return true;
  const bool extend = (modifiers & Qt::ShiftModifier) && *nav != NavKey::Tab && *nav != NavKey::BackTab;
  MoveFocusTo(move.cell, extend);
  return true;
}

void CGridCtrl::MoveFocusTo(CellId cell, bool extend) {
  SendMessageToParent(cell.row, cell.col, GVN_SELCHANGING);
  {
    Lock lock = Locked();
    if (!m_store.IsValid(cell.row, cell.col)) return;  // the owner changed the grid meanwhile
    if (!extend || !m_anchor.IsValid()) m_anchor = cell;
  }
  SetFocusCell(cell.row, cell.col);
  if (m_selectionEnabled) SetSelectionFromAnchor(cell, false);
  SendMessageToParent(cell.row, cell.col, GVN_SELCHANGED);
  EnsureVisible(cell.row, cell.col);
}

void CGridCtrl::SetSelectionFromAnchor(CellId to, bool keepPrevious) {
  {
    Lock lock = Locked();
    CellId from = m_anchor.IsValid() ? m_anchor : to;
    CellRange range{std::min(from.row, to.row), std::min(from.col, to.col), std::max(from.row, to.row),
                    std::max(from.col, to.col)};
    if (m_rowMode) {
      range.minCol = m_store.FixedColumnCount();
      range.maxCol = m_store.ColumnCount() - 1;
    }
    if (!keepPrevious) m_store.BeginSelection(false);
    m_store.UpdateSelection(range);
  }
  RequestRefresh();
}

// ---- Mouse ----

int CGridCtrl::ColumnBoundaryAt(QPoint point) const {
  Lock lock = Locked();
  if (point.y() >= m_store.Rows().Start(m_store.FixedRowCount())) return -1;
  const long long scroll = horizontalScrollBar()->value();
  const long long fixedWidth = m_store.Columns().Start(m_store.FixedColumnCount());
  // The column whose right edge lies nearest the pointer, within range.
  for (int c = 0; c < m_store.ColumnCount(); ++c) {
    long long end = m_store.Columns().Start(c + 1) - (c >= m_store.FixedColumnCount() ? scroll : 0);
    if (c >= m_store.FixedColumnCount() && end < fixedWidth) continue;
    if (std::abs(end - point.x()) <= kResizeCaptureRange) return c;
    if (end - point.x() > kResizeCaptureRange) break;
  }
  return -1;
}

int CGridCtrl::RowBoundaryAt(QPoint point) const {
  Lock lock = Locked();
  if (point.x() >= m_store.Columns().Start(m_store.FixedColumnCount())) return -1;
  const long long scroll = verticalScrollBar()->value();
  const long long fixedHeight = m_store.Rows().Start(m_store.FixedRowCount());
  // Only the rows near the pointer are looked at: find the row under it first.
  long long offset = point.y() < fixedHeight ? point.y() : point.y() + scroll;
  int row = m_store.Rows().IndexAt(offset);
  if (row < 0) row = m_store.RowCount() - 1;
  for (int r = std::max(0, row - 1); r <= row && r < m_store.RowCount(); ++r) {
    long long end = m_store.Rows().Start(r + 1) - (r >= m_store.FixedRowCount() ? scroll : 0);
    if (r >= m_store.FixedRowCount() && end < fixedHeight) continue;
    if (std::abs(end - point.y()) <= kResizeCaptureRange) return r;
  }
  return -1;
}

void CGridCtrl::UpdateCursor(QPoint point) {
  if (ColumnBoundaryAt(point) >= 0) {
    viewport()->setCursor(Qt::SizeHorCursor);
    return;
  }
  if (RowBoundaryAt(point) >= 0) {
    viewport()->setCursor(Qt::SizeVerCursor);
    return;
  }
  Qt::CursorShape shape = Qt::ArrowCursor;
  CellId cell = GetCellFromPt(point);
  if (cell.IsValid()) {
    Lock lock = Locked();
    if (const CGridCellBase* full = m_store.FullCell(cell.row, cell.col)) shape = full->OnSetCursor();
  }
  viewport()->setCursor(shape);
}

void CGridCtrl::mousePressEvent(QMouseEvent* event) {
  m_titleTip->Hide();
  setFocus(Qt::MouseFocusReason);
  const QPoint point = event->position().toPoint();
  m_pressPoint = m_lastMousePoint = point;
  if (event->button() != Qt::LeftButton) return;

  if (int col = ColumnBoundaryAt(point); col >= 0) {
    m_mouseMode = MouseMode::SizingColumn;
    m_sizingIndex = col;
    m_sizingLine = point.x();
    viewport()->update();
    return;
  }
  if (int row = RowBoundaryAt(point); row >= 0) {
    m_mouseMode = MouseMode::SizingRow;
    m_sizingIndex = row;
    m_sizingLine = point.y();
    viewport()->update();
    return;
  }

  const CellId cell = GetCellFromPt(point);
  m_pressCell = cell;
  if (!cell.IsValid()) return;
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  int fixedRows, fixedCols, rows, cols;
  {
    Lock lock = Locked();
    fixedRows = m_store.FixedRowCount();
    fixedCols = m_store.FixedColumnCount();
    rows = m_store.RowCount();
    cols = m_store.ColumnCount();
    if (CGridCellBase* full = m_store.FullCell(cell.row, cell.col)) {
      QRect rect;
      GetCellRect(cell.row, cell.col, rect);
      full->OnClickDown(point, rect);
    }
  }
  const bool fixedRow = cell.row < fixedRows;
  const bool fixedCol = cell.col < fixedCols;

  if (cell == GetFocusCell() && m_editable && !ctrl && !fixedRow && !fixedCol) {
    m_mouseMode = MouseMode::PrepareEdit;
    return;
  }
  if (m_dragAndDrop && !ctrl && IsCellSelected(cell.row, cell.col) && !fixedRow && !fixedCol) {
    m_mouseMode = MouseMode::PrepareDrag;
    return;
  }
  if (!m_selectionEnabled) {
    if (!fixedRow && !fixedCol) MoveFocusTo(cell, false);
    return;
  }

  SendMessageToParent(cell.row, cell.col, GVN_SELCHANGING);
  CellRange range;
  CellId anchor = cell;
  if (fixedRow && fixedCol) {
    m_mouseMode = MouseMode::SelectAll;
    range = {fixedRows, fixedCols, rows - 1, cols - 1};
  } else if (fixedRow) {
    m_mouseMode = MouseMode::SelectColumns;
    anchor = {fixedRows, cell.col};
    range = {fixedRows, cell.col, rows - 1, cell.col};
  } else if (fixedCol) {
    m_mouseMode = MouseMode::SelectRows;
    anchor = {cell.row, fixedCols};
    range = {cell.row, fixedCols, cell.row, cols - 1};
  } else {
    m_mouseMode = MouseMode::SelectCells;
    SetFocusCell(cell.row, cell.col);
    range = {cell.row, cell.col, cell.row, cell.col};
    if (m_rowMode) range = {cell.row, fixedCols, cell.row, cols - 1};
  }
  {
    Lock lock = Locked();
    if (m_mouseMode != MouseMode::SelectAll) m_anchor = anchor;
    m_store.BeginSelection(ctrl);
    m_store.UpdateSelection(range);
  }
  SendMessageToParent(cell.row, cell.col, GVN_SELCHANGED);
  RequestRefresh();
  m_scrollTimer.start();
}

void CGridCtrl::UpdateMouseSelection(QPoint point) {
  QRect area = viewport()->rect();
  QPoint clamped(std::clamp(point.x(), area.left(), area.right()), std::clamp(point.y(), area.top(), area.bottom()));
  CellId cell = GetCellFromPt(clamped);
  if (!cell.IsValid()) return;
  CellRange range;
  {
    Lock lock = Locked();
    const int fixedRows = m_store.FixedRowCount();
    const int fixedCols = m_store.FixedColumnCount();
    const int lastRow = m_store.RowCount() - 1;
    const int lastCol = m_store.ColumnCount() - 1;
    cell.row = std::max(cell.row, fixedRows);
    cell.col = std::max(cell.col, fixedCols);
    switch (m_mouseMode) {
      case MouseMode::SelectAll: range = {fixedRows, fixedCols, lastRow, lastCol}; break;
      case MouseMode::SelectColumns:
        range = {fixedRows, std::min(m_anchor.col, cell.col), lastRow, std::max(m_anchor.col, cell.col)};
        break;
      case MouseMode::SelectRows:
        range = {std::min(m_anchor.row, cell.row), fixedCols, std::max(m_anchor.row, cell.row), lastCol};
        break;
      case MouseMode::SelectCells:
        range = {std::min(m_anchor.row, cell.row), std::min(m_anchor.col, cell.col), std::max(m_anchor.row, cell.row),
                 std::max(m_anchor.col, cell.col)};
        if (m_rowMode) range.minCol = fixedCols, range.maxCol = lastCol;
        break;
      default: return;
    }
    m_store.UpdateSelection(range);
  }
  if (m_mouseMode == MouseMode::SelectCells) SetFocusCell(cell.row, cell.col);
  RequestRefresh();
}

void CGridCtrl::OnAutoScrollTimer() {
  if (!(QApplication::mouseButtons() & Qt::LeftButton) && m_mouseMode == MouseMode::Nothing) {
    m_scrollTimer.stop();
    return;
  }
  const QPoint point = m_lastMousePoint;
  const QRect area = viewport()->rect();
  const int fixedHeight = GetFixedRowHeight();
  const int fixedWidth = GetFixedColumnWidth();
  QScrollBar* v = verticalScrollBar();
  QScrollBar* h = horizontalScrollBar();
  if (point.y() > area.bottom()) v->setValue(v->value() + v->singleStep());
  if (point.y() < fixedHeight) v->setValue(v->value() - v->singleStep());
  if (point.x() > area.right()) h->setValue(h->value() + h->singleStep());
  if (point.x() < fixedWidth) h->setValue(h->value() - h->singleStep());
  UpdateMouseSelection(point);
}

void CGridCtrl::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  m_lastMousePoint = point;
  if (m_mouseMode == MouseMode::Nothing || !(event->buttons() & Qt::LeftButton)) {
    UpdateCursor(point);
    ShowTitleTipFor(point);
    return;
  }
  switch (m_mouseMode) {
    case MouseMode::SizingColumn:
    case MouseMode::SizingRow: {
      QRect area = viewport()->rect();
      m_sizingLine = m_mouseMode == MouseMode::SizingColumn ? std::clamp(point.x(), 0, area.right())
                                                            : std::clamp(point.y(), 0, area.bottom());
      viewport()->update();
      break;
    }
    case MouseMode::SelectAll:
    case MouseMode::SelectColumns:
    case MouseMode::SelectRows:
    case MouseMode::SelectCells: UpdateMouseSelection(point); break;
    case MouseMode::PrepareDrag:
      if ((point - m_pressPoint).manhattanLength() >= QApplication::startDragDistance()) {
        m_mouseMode = MouseMode::Nothing;
        OnBeginDrag();
      }
      break;
    default: break;
  }
}

void CGridCtrl::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  m_scrollTimer.stop();
  const MouseMode mode = m_mouseMode;
  m_mouseMode = MouseMode::Nothing;
  if (event->button() == Qt::RightButton) {
    CellId cell = GetCellFromPt(point);
    {
      Lock lock = Locked();
      if (cell.IsValid())
        if (CGridCellBase* full = m_store.FullCell(cell.row, cell.col)) {
          QRect rect;
          GetCellRect(cell.row, cell.col, rect);
          full->OnRClick(point, rect);
        }
    }
    SendMessageToParent(cell.row, cell.col, NM_RCLICK);
    return;
  }
  if (event->button() != Qt::LeftButton) return;

  if (mode == MouseMode::SizingColumn || mode == MouseMode::SizingRow) {
    m_sizingLine = -1;
    QRect rect;
    {
      Lock lock = Locked();
      int fixedRows = m_store.FixedRowCount(), fixedCols = m_store.FixedColumnCount();
      if (mode == MouseMode::SizingColumn && m_sizingIndex < m_store.ColumnCount()) {
        long long start = m_store.Columns().Start(m_sizingIndex) -
                          (m_sizingIndex >= fixedCols ? horizontalScrollBar()->value() : 0);
        m_store.SetColumnWidth(m_sizingIndex, static_cast<int>(std::max<long long>(0, point.x() - start)));
      } else if (mode == MouseMode::SizingRow && m_sizingIndex < m_store.RowCount()) {
        long long start =
            m_store.Rows().Start(m_sizingIndex) - (m_sizingIndex >= fixedRows ? verticalScrollBar()->value() : 0);
        m_store.SetRowHeight(m_sizingIndex, static_cast<int>(std::max<long long>(0, point.y() - start)));
      }
    }
    ResetScrollBars();
    viewport()->update();
    return;
  }

  const CellId cell = GetCellFromPt(point);
  if (mode == MouseMode::PrepareEdit && cell == m_pressCell && !IsInCheckBox(cell, point)) {
    StartCellEdit(cell.row, cell.col, point, kEditStartClick);
  } else if (cell.IsValid()) {
    Lock lock = Locked();
    if (CGridCellBase* full = m_store.FullCell(cell.row, cell.col)) {
      QRect rect;
      GetCellRect(cell.row, cell.col, rect);
      full->OnClick(point, rect);
    }
  }
  if (cell.IsValid()) SendMessageToParent(cell.row, cell.col, NM_CLICK);
}

bool CGridCtrl::IsInCheckBox(CellId cell, QPoint point) const {
  Lock lock = Locked();
  if (!m_store.IsValid(cell.row, cell.col)) return false;
  const auto* check = dynamic_cast<const CGridCellCheck*>(m_store.FullCell(cell.row, cell.col));
  QRect rect;
  return check && GetCellRect(cell.row, cell.col, rect) && check->GetCheckPlacement(rect).contains(point);
}

void CGridCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (event->button() != Qt::LeftButton) return;
  const CellId cell = GetCellFromPt(point);
  if (!cell.IsValid()) return;
  {
    Lock lock = Locked();
    if (CGridCellBase* full = m_store.FullCell(cell.row, cell.col)) {
      QRect rect;
      GetCellRect(cell.row, cell.col, rect);
      full->OnDblClick(point, rect);
    }
  }
  SendMessageToParent(cell.row, cell.col, NM_DBLCLK);
}

int CGridCtrl::StepOverVisible(const SizeAxis& axis, int fixed, int from, int steps) {
  // Moves `steps` indexes (negative: backwards) over those of non-zero size,
  // staying out of the fixed ones.
  int index = from;
  for (int i = 0; i < std::abs(steps); ++i) {
    const int step = steps < 0 ? -1 : 1;
    int next = index + step;
    while (next >= fixed && next < axis.Count() && axis.Size(next) == 0) next += step;
    if (next < fixed || next >= axis.Count()) break;
    index = next;
  }
  return index;
}

void CGridCtrl::wheelEvent(QWheelEvent* event) {
  m_titleTip->Hide();
  // Touchpads and smooth wheels send a notch in small parts: the parts add up
  // until they make whole notches, in each direction on its own.
  constexpr int kNotch = 120;
  const QPoint angle = event->angleDelta();
  if (event->modifiers() & Qt::ShiftModifier && angle.x() == 0)
    m_wheelRest.rx() += angle.y();  // Shift turns the wheel sideways
  else
    m_wheelRest += angle;
  const int notchesDown = -(m_wheelRest.y() / kNotch);
  const int notchesRight = -(m_wheelRest.x() / kNotch);
  m_wheelRest -= QPoint(-notchesRight * kNotch, -notchesDown * kNotch);
  event->accept();
  if (notchesDown == 0 && notchesRight == 0) return;

  QScrollBar* vbar = verticalScrollBar();
  QScrollBar* hbar = horizontalScrollBar();
  if (m_wheelLines < 0) {
    vbar->setValue(vbar->value() + notchesDown * vbar->pageStep());
    hbar->setValue(hbar->value() + notchesRight * hbar->pageStep());
    return;
  }
  // Scroll by rows and columns so that the top left cell lands on a boundary.
  Lock lock = Locked();
  const CellId top = GetTopleftNonFixedCell();
  long long rowValue = -1, colValue = -1;
  if (notchesDown != 0 && top.row >= 0) {
    const int row = StepOverVisible(m_store.Rows(), m_store.FixedRowCount(), top.row, notchesDown * m_wheelLines);
    rowValue = m_store.Rows().Start(row) - m_store.Rows().Start(m_store.FixedRowCount());
  }
  if (notchesRight != 0 && top.col >= 0) {
    const int col =
        StepOverVisible(m_store.Columns(), m_store.FixedColumnCount(), top.col, notchesRight * m_wheelLines);
    colValue = m_store.Columns().Start(col) - m_store.Columns().Start(m_store.FixedColumnCount());
  }
  lock.unlock();
  if (rowValue >= 0) vbar->setValue(static_cast<int>(std::clamp<long long>(rowValue, vbar->minimum(), vbar->maximum())));
  if (colValue >= 0) hbar->setValue(static_cast<int>(std::clamp<long long>(colValue, hbar->minimum(), hbar->maximum())));
}

void CGridCtrl::leaveEvent(QEvent* event) {
  QAbstractScrollArea::leaveEvent(event);
}

void CGridCtrl::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  m_scrollTimer.stop();
}

// ---- Title tips ----

void CGridCtrl::ShowTitleTipFor(QPoint point) {
  if (m_titleTip->isVisible() && m_titleTip->HoverRect().contains(point)) return;
  m_titleTip->Hide();
  if (m_editor) return;
  const CellId cell = GetCellFromPt(point);
  if (!cell.IsValid()) return;
  QRect rect;
  std::unique_ptr<CGridCellBase> copy;
  {
    Lock lock = Locked();
    if (!GetCellRect(cell.row, cell.col, rect)) return;
    if (!m_store.IsVirtual()) copy = m_store.CopyCell(cell.row, cell.col, this);
  }
  if (!copy) copy = VirtualCell(cell.row, cell.col);
  const QString text = QStringFromGbk(copy->GetTipText());
  if (text.isEmpty()) return;
  const QRect textRect = copy->GetTextRect(rect.adjusted(0, 0, -1, -1));
  const QFont font = copy->GetFontObject();
  if (QFontMetrics(font).horizontalAdvance(text) <= textRect.width()) return;
  QColor back = copy->GetBackClr();
  if (!back.isValid()) back = copy->IsFixed() ? m_fixedBkColor : m_bkColor;
  QColor fore = copy->GetTextClr();
  if (!fore.isValid()) fore = m_textColor;
  QRect tipRect(rect.topLeft(), QSize(rect.width(), rect.height()));
  m_titleTip->Show(QRect(viewport()->mapTo(this, tipRect.topLeft()), tipRect.size()), rect, text, font, fore, back);
}

// ---- Drag and drop (only while the owner turned it on) ----

void CGridCtrl::OnBeginDrag() {
  if (!m_dragAndDrop) return;
  SendMessageToParent(m_pressCell.row, m_pressCell.col, GVN_BEGINDRAG);
  QMimeData* data = CopyTextFromGrid();
  if (!data) return;
  auto* drag = new QDrag(this);
  drag->setMimeData(data);
  drag->exec(Qt::CopyAction);
}

void CGridCtrl::dragEnterEvent(QDragEnterEvent* event) {
  if (m_dragAndDrop && m_editable && event->mimeData()->hasText()) event->acceptProposedAction();
}

void CGridCtrl::dragMoveEvent(QDragMoveEvent* event) {
  CellId cell = GetCellFromPt(event->position().toPoint(), false);
  if (m_dragAndDrop && m_editable && cell.IsValid())
    event->acceptProposedAction();
  else
    event->ignore();
}

void CGridCtrl::dropEvent(QDropEvent* event) {
  CellId cell = GetCellFromPt(event->position().toPoint(), false);
  if (cell.IsValid() && PasteTextToGrid(cell, event->mimeData())) event->acceptProposedAction();
}

}  // namespace orva
