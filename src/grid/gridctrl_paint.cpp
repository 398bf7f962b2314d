// Geometry and painting of the grid: only the rows and columns that meet the
// window are visited, found by binary search on the running size sums.

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <vector>

#include "grid/gridctrl.h"

namespace orva {

namespace {

struct Scroll {
  long long x;
  long long y;
};

// Visible indexes of one axis: the fixed ones, then the scrolled ones that
// meet [fixedEnd, fixedEnd + extent).
std::vector<int> VisibleIndexes(const SizeAxis& axis, int fixedCount, long long scroll, int extent) {
  std::vector<int> indexes;
  const long long fixedEnd = axis.Start(fixedCount);
  for (int i = 0; i < fixedCount && axis.Start(i) < extent; ++i)
    if (axis.Size(i) > 0) indexes.push_back(i);
  int first = axis.IndexAt(fixedEnd + scroll);
  if (first < 0 || first < fixedCount) return indexes;
  for (int i = first; i < axis.Count() && axis.Start(i) - scroll < extent; ++i)
    if (axis.Size(i) > 0) indexes.push_back(i);
  return indexes;
}

}  // namespace

static Scroll ScrollOf(const QAbstractScrollArea& area) {
  return {area.horizontalScrollBar()->value(), area.verticalScrollBar()->value()};
}

bool CGridCtrl::GetCellRect(int row, int col, QRect& rect) const {
  Lock lock = Locked();
  if (!m_store.IsValid(row, col)) return false;
  Scroll scroll = ScrollOf(*this);
  long long x = m_store.Columns().Start(col) - (col >= m_store.FixedColumnCount() ? scroll.x : 0);
  long long y = m_store.Rows().Start(row) - (row >= m_store.FixedRowCount() ? scroll.y : 0);
  rect = QRect(static_cast<int>(x), static_cast<int>(y), m_store.Columns().Size(col), m_store.Rows().Size(row));
  return true;
}

CellId CGridCtrl::GetCellFromPt(QPoint point, bool allowFixed) const {
  Lock lock = Locked();
  Scroll scroll = ScrollOf(*this);
  const long long fixedWidth = m_store.Columns().Start(m_store.FixedColumnCount());
  const long long fixedHeight = m_store.Rows().Start(m_store.FixedRowCount());
  int col = point.x() < fixedWidth ? m_store.Columns().IndexAt(point.x())
                                   : m_store.Columns().IndexAt(point.x() + scroll.x);
  int row = point.y() < fixedHeight ? m_store.Rows().IndexAt(point.y()) : m_store.Rows().IndexAt(point.y() + scroll.y);
  if (row < 0 || col < 0) return {};
  if (!allowFixed && (row < m_store.FixedRowCount() || col < m_store.FixedColumnCount())) return {};
  return {row, col};
}

bool CGridCtrl::IsCellVisible(int row, int col) const {
  QRect rect;
  if (!GetCellRect(row, col, rect)) return false;
  QRect area = viewport()->rect();
  if (row >= GetFixedRowCount()) area.setTop(GetFixedRowHeight());
  if (col >= GetFixedColumnCount()) area.setLeft(GetFixedColumnWidth());
  return rect.intersects(area) || (rect.isEmpty() && area.contains(rect.topLeft()));
}

void CGridCtrl::EnsureVisible(int row, int col) {
  long long top, bottom, left, right, fixedHeight, fixedWidth;
  {
    Lock lock = Locked();
    if (!m_store.IsValid(row, col)) return;
    top = m_store.Rows().Start(row);
    bottom = top + m_store.Rows().Size(row);
    left = m_store.Columns().Start(col);
    right = left + m_store.Columns().Size(col);
    fixedHeight = m_store.Rows().Start(m_store.FixedRowCount());
    fixedWidth = m_store.Columns().Start(m_store.FixedColumnCount());
    if (row < m_store.FixedRowCount()) top = bottom = -1;
    if (col < m_store.FixedColumnCount()) left = right = -1;
  }
  ResetScrollBars();
  QSize area = viewport()->size();
  auto fit = [](QScrollBar* bar, long long start, long long end, long long fixed, int extent) {
    if (start < 0) return;
    long long value = bar->value();
    if (end - value > extent) value = end - extent;
    if (start - value < fixed) value = start - fixed;
    bar->setValue(static_cast<int>(std::clamp<long long>(value, bar->minimum(), bar->maximum())));
  };
  fit(verticalScrollBar(), top, bottom, fixedHeight, area.height());
  fit(horizontalScrollBar(), left, right, fixedWidth, area.width());
}

CellId CGridCtrl::GetTopleftNonFixedCell() const {
  Lock lock = Locked();
  Scroll scroll = ScrollOf(*this);
  int row = m_store.Rows().IndexAt(m_store.Rows().Start(m_store.FixedRowCount()) + scroll.y);
  int col = m_store.Columns().IndexAt(m_store.Columns().Start(m_store.FixedColumnCount()) + scroll.x);
  return {row, col};
}

int CGridCtrl::PageRows() const {
  Lock lock = Locked();
  int page = viewport()->height() - static_cast<int>(m_store.Rows().Start(m_store.FixedRowCount()));
  int rowHeight = std::max(1, GetDefaultCell(false, false)->GetHeight());
  CellId top = GetTopleftNonFixedCell();
  if (top.row >= 0 && m_store.Rows().Size(top.row) > 0) rowHeight = m_store.Rows().Size(top.row);
  return std::max(1, page / rowHeight);
}

void CGridCtrl::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  ResetScrollBars();
}

void CGridCtrl::scrollContentsBy(int, int) {
  if (m_titleTip) m_titleTip->hide();
  viewport()->update();
}

void CGridCtrl::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  OnDraw(painter);
}

void CGridCtrl::OnDraw(QPainter& painter) {
  struct PaintCell {
    int row;
    int col;
    QRect rect;
    bool scrolledArea;
    std::unique_ptr<CGridCellBase> cell;
  };
  std::vector<PaintCell> cells;
  const QSize area = viewport()->size();
  long long fixedWidth, fixedHeight;
  int fixedRows, fixedCols;
  bool isVirtual;
  {
    // Copy what is visible under the lock; draw after releasing it, so a
    // worker filling the grid waits only for the copying.
    Lock lock = Locked();
    Scroll scroll = ScrollOf(*this);
    isVirtual = m_store.IsVirtual();
    fixedWidth = m_store.Columns().Start(m_store.FixedColumnCount());
    fixedHeight = m_store.Rows().Start(m_store.FixedRowCount());
    fixedRows = m_store.FixedRowCount();
    fixedCols = m_store.FixedColumnCount();
    std::vector<int> rows = VisibleIndexes(m_store.Rows(), m_store.FixedRowCount(), scroll.y, area.height());
    std::vector<int> cols = VisibleIndexes(m_store.Columns(), m_store.FixedColumnCount(), scroll.x, area.width());
    cells.reserve(rows.size() * cols.size());
    for (int r : rows) {
      bool fixedRow = r < m_store.FixedRowCount();
      int y = static_cast<int>(m_store.Rows().Start(r) - (fixedRow ? 0 : scroll.y));
      for (int c : cols) {
        bool fixedCol = c < m_store.FixedColumnCount();
        int x = static_cast<int>(m_store.Columns().Start(c) - (fixedCol ? 0 : scroll.x));
        QRect rect(x, y, m_store.Columns().Size(c), m_store.Rows().Size(r));
        cells.push_back({r, c, rect, !fixedRow && !fixedCol,
                         isVirtual ? nullptr : m_store.CopyCell(r, c, this)});
      }
    }
  }
  if (isVirtual)
    for (PaintCell& pc : cells) pc.cell = VirtualCell(pc.row, pc.col);

  painter.fillRect(QRect(QPoint(0, 0), area), palette().color(QPalette::Window));
  const QRect scrolledClip(static_cast<int>(fixedWidth), static_cast<int>(fixedHeight), area.width(), area.height());
  QPen gridPen(m_gridLineColor);
  for (PaintCell& pc : cells) {
    painter.save();
    if (pc.scrolledArea) {
      painter.setClipRect(scrolledClip);
    } else {
      // Fixed cells of one axis are clipped against the fixed band of the other.
      QRect clip(0, 0, area.width(), area.height());
      if (pc.row >= fixedRows) clip.setTop(static_cast<int>(fixedHeight));
      if (pc.col >= fixedCols) clip.setLeft(static_cast<int>(fixedWidth));
      painter.setClipRect(clip);
    }
    QRect inner = pc.rect.adjusted(0, 0, -1, -1);
    pc.cell->Draw(painter, pc.row, pc.col, inner);
    if (pc.scrolledArea) {
      painter.setPen(gridPen);
      painter.drawLine(pc.rect.right(), pc.rect.top(), pc.rect.right(), pc.rect.bottom());
      painter.drawLine(pc.rect.left(), pc.rect.bottom(), pc.rect.right(), pc.rect.bottom());
    }
    painter.restore();
  }

  if (m_sizingLine >= 0) {
    // The inverted line that follows the pointer while a column or row is sized.
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white, 1));
    if (m_mouseMode == MouseMode::SizingColumn)
      painter.drawLine(m_sizingLine, 0, m_sizingLine, area.height());
    else
      painter.drawLine(0, m_sizingLine, area.width(), m_sizingLine);
  }
}

}  // namespace orva
