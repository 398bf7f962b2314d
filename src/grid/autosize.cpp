#include "grid/autosize.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "grid/gridstore.h"
#include "grid/rowblock.h"
#include "platform/codec.h"

namespace orva {

double WidestTextFinder::CharAdvance(std::string_view character) const {
  if (!m_metrics.measure) return m_metrics.wideCharBound;
  std::uint32_t key = 0;
  for (unsigned char byte : character) key = (key << 8) | byte;
  auto it = m_charAdvance.find(key);
  if (it == m_charAdvance.end()) it = m_charAdvance.emplace(key, m_metrics.measure(character)).first;
  return it->second;
}

double WidestTextFinder::Bound(std::string_view line) const {
  double bound = 0;
  for (std::size_t i = 0; i < line.size();) {
    auto c = static_cast<unsigned char>(line[i]);
    if (c < 0x80) {
      bound += m_metrics.asciiAdvance[c];
      ++i;
    } else {
      const std::size_t length = CharLengthAt(line, i);
      bound += CharAdvance(line.substr(i, length));
      i += length;
    }
  }
  return bound;
}

void WidestTextFinder::Add(std::string_view line) {
  // A small tolerance keeps rounding in the font engine from forcing a
  // measurement of every text as wide as the widest one.
  if (line.empty() || Bound(line) <= m_widest + 0.01) return;
  ++m_measured;
  m_widest = std::max(m_widest, m_metrics.measure(line));
}

int CellKind(const GridStore& store, int row, int col) {
  return (row < store.FixedRowCount() ? 2 : 0) | (col < store.FixedColumnCount() ? 1 : 0);
}

namespace {

int LineCount(std::string_view text) { return 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

// Feeds the lines of a text to the finder (one line for single-line cells).
void AddLines(WidestTextFinder& finder, std::string_view text, bool singleLine) {
  if (singleLine || text.find('\n') == std::string_view::npos) {
    finder.Add(text);
    return;
  }
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    finder.Add(line);
    start = end + 1;
  }
}

}  // namespace

struct AutoSizer::ColumnState {
  explicit ColumnState(const std::array<CellKindMetrics, 4>& kinds)
      : finders{WidestTextFinder(kinds[0].text), WidestTextFinder(kinds[1].text), WidestTextFinder(kinds[2].text),
                WidestTextFinder(kinds[3].text)} {}
  std::array<WidestTextFinder, 4> finders;
  std::array<bool, 4> seen{};
  int widestFull = 0;
  std::size_t longestMeasured = 0;  // bytes, ordinary cells past the exact rows
};

AutoSizer::AutoSizer(int style, const std::array<CellKindMetrics, 4>& kinds)
    : m_style(style == 0 ? 3 : style), m_kinds(kinds) {}

AutoSizer::~AutoSizer() = default;

void AutoSizer::GrowTo(int rows, int cols) {
  if (rows > static_cast<int>(m_rowHeights.size())) m_rowHeights.resize(static_cast<std::size_t>(rows), -1);
  while (static_cast<int>(m_columns.size()) < cols) m_columns.emplace_back(m_kinds);
}

int AutoSizer::AddCompactText(ColumnState& column, std::size_t k, int row, std::string_view text) {
  const CellKindMetrics& kind = m_kinds[k];
  column.seen[k] = true;
  const bool sampled = m_exactRows >= 0 && row >= m_exactRows && k == 0;
  if (!sampled || text.size() > column.longestMeasured || (row & 63) == 0) {
    AddLines(column.finders[k], text, kind.singleLine);
    if (sampled) column.longestMeasured = std::max(column.longestMeasured, text.size());
  }
  return (kind.singleLine ? 1 : LineCount(text)) * kind.text.lineHeight + 2 * kind.margin;
}

void AutoSizer::AddRows(const GridStore& store, int first, int last) {
  if (store.IsVirtual()) return;
  const int cols = store.ColumnCount();
  first = std::max(first, 0);
  last = std::min(last, store.RowCount());
  GrowTo(last, cols);

  // Rows are walked in order (each row's cells lie together in memory), with
  // one finder per column and cell kind: fixed and ordinary cells may use
  // different fonts.
  for (int r = first; r < last; ++r) {
    const bool fixedRow = r < store.FixedRowCount();
    if (!(fixedRow ? (m_style & 1) : (m_style & 2))) continue;
    int rowHeight = -1;
    for (int c = 0; c < cols; ++c) {
      if (store.Columns().Size(c) == 0) continue;
      ColumnState& column = m_columns[static_cast<std::size_t>(c)];
      int height;
      if (const CGridCellBase* cell = store.FullCell(r, c)) {
        QSize extent = cell->GetCellExtent();
        column.widestFull = std::max(column.widestFull, extent.width());
        height = extent.height();
      } else {
        const auto k = static_cast<std::size_t>((fixedRow ? 2 : 0) | (c < store.FixedColumnCount() ? 1 : 0));
        height = AddCompactText(column, k, r, store.TextView(r, c, m_scratch));
      }
      rowHeight = std::max(rowHeight, height);
    }
    if (store.Rows().Size(r) > 0) m_rowHeights[static_cast<std::size_t>(r)] = rowHeight;
  }
}

void AutoSizer::AddBlock(const RowBlock& block, int firstRow, int fixedRows, int fixedCols) {
  const int rows = block.Rows();
  const int cols = block.Columns();
  GrowTo(firstRow + rows, cols);
  for (int i = 0; i < rows; ++i) {
    const int r = firstRow + i;
    const bool fixedRow = r < fixedRows;
    if (!(fixedRow ? (m_style & 1) : (m_style & 2))) continue;
    int rowHeight = -1;
    for (int c = 0; c < cols; ++c) {
      const auto k = static_cast<std::size_t>((fixedRow ? 2 : 0) | (c < fixedCols ? 1 : 0));
      rowHeight = std::max(rowHeight, AddCompactText(m_columns[static_cast<std::size_t>(c)], k, r, block.Cell(i, c)));
    }
    m_rowHeights[static_cast<std::size_t>(r)] = rowHeight;
  }
}

AutoSizeResult AutoSizer::Result(const GridStore& store) const {
  const int rows = store.RowCount();
  const int cols = store.ColumnCount();
  AutoSizeResult result;
  result.columnWidths.assign(static_cast<std::size_t>(cols), -1);
  result.rowHeights.assign(static_cast<std::size_t>(rows), -1);
  const auto knownRows = std::min(m_rowHeights.size(), result.rowHeights.size());
  std::copy_n(m_rowHeights.begin(), knownRows, result.rowHeights.begin());
  for (int c = 0; c < std::min(cols, static_cast<int>(m_columns.size())); ++c) {
    if (store.Columns().Size(c) == 0) continue;
    const ColumnState& column = m_columns[static_cast<std::size_t>(c)];
    int widest = column.widestFull;
    for (std::size_t k = 0; k < m_kinds.size(); ++k) {
      result.measured += column.finders[k].MeasureCount();
      if (column.seen[k])
        widest = std::max(widest, static_cast<int>(std::ceil(column.finders[k].Widest())) + 2 * m_kinds[k].margin);
    }
    if (widest > 0) result.columnWidths[static_cast<std::size_t>(c)] = widest;
  }
  return result;
}

AutoSizeResult ComputeAutoSize(const GridStore& store, int style, const std::array<CellKindMetrics, 4>& kinds) {
  AutoSizer sizer(style, kinds);
  sizer.AddRows(store, 0, store.RowCount());
  return sizer.Result(store);
}

}  // namespace orva
