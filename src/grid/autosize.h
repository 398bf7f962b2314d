#pragma once
// Fitting column widths and row heights to the cells. Measuring text with
// font metrics is the costly part, so each text first gets a cheap estimate:
// the sum of its characters' advances, each character measured once (ASCII
// from a table, others on first sight). Only a text whose estimate beats the
// widest text measured so far is measured whole.

#include <QSize>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orva {

class GridStore;
class RowBlock;

struct TextMetrics {
  std::array<double, 128> asciiAdvance{};
  double wideCharBound = 0;  // at least the advance of any non-ASCII character
  int lineHeight = 0;
  std::function<double(std::string_view)> measure;  // exact width of one line of GBK text
};

class WidestTextFinder {
 public:
  explicit WidestTextFinder(const TextMetrics& metrics) : m_metrics(metrics) {}

  // Takes one line of text into account.
  void Add(std::string_view line);
  double Widest() const { return m_widest; }
  long MeasureCount() const { return m_measured; }
  double Bound(std::string_view line) const;

 private:
  double CharAdvance(std::string_view character) const;

  const TextMetrics& m_metrics;
  // Advances of the non-ASCII characters seen so far, by their bytes.
  mutable std::unordered_map<std::uint32_t, double> m_charAdvance;
  double m_widest = 0;
  long m_measured = 0;
};

// Metrics of the cells of one kind (0 ordinary, 1 fixed column, 2 fixed row,
// 3 corner) that carry no properties of their own.
struct CellKindMetrics {
  TextMetrics text;
  int margin = 0;
  bool singleLine = true;
};

struct AutoSizeResult {
  std::vector<int> columnWidths;  // one per column; -1 = left as it is
  std::vector<int> rowHeights;    // one per row; -1 = left as it is
  long measured = 0;              // texts measured with the font
};

// Style bit 1 takes the fixed rows into account, bit 2 the other rows (0 means
// both). Every visible column gets the widest extent among the considered
// rows; every considered visible row the highest extent of its cells. Full
// cells report their own extent.
//
// The rows may be taken in slices, so that a caller filling the grid from
// another thread can let go of the grid's lock between them.
class AutoSizer {
 public:
  AutoSizer(int style, const std::array<CellKindMetrics, 4>& kinds);
  ~AutoSizer();
  AutoSizer(const AutoSizer&) = delete;  // the finders refer to m_kinds
  AutoSizer& operator=(const AutoSizer&) = delete;

  // Takes rows [first, last) of the store into account (clamped to it).
  void AddRows(const GridStore& store, int first, int last);
  // Takes rows appended from a block into account without the store (whose
  // lock need not be held): row `firstRow` of the grid on, compact cells,
  // with the grid's fixed row and column counts. Hidden columns are left
  // out by Result.
  void AddBlock(const RowBlock& block, int firstRow, int fixedRows, int fixedCols);
  // From row `exactRows` on, texts of ordinary cells are measured only when
  // they are longer in bytes than any measured before in their column, and
  // on every 64th row: for a million rows the widths then come from the
  // longest values and a sample, not from every value.
  void SampleAfter(int exactRows) { m_exactRows = exactRows; }
  // The sizes found, fitted to the store as it is now: rows or columns it
  // gained since are left as they are.
  AutoSizeResult Result(const GridStore& store) const;

 private:
  struct ColumnState;
  // Takes in the text of a compact cell; returns the cell's height.
  int AddCompactText(ColumnState& column, std::size_t kind, int row, std::string_view text);
  void GrowTo(int rows, int cols);

  int m_style;
  const std::array<CellKindMetrics, 4> m_kinds;
  std::vector<ColumnState> m_columns;
  std::vector<int> m_rowHeights;  // -1 = not taken into account
  int m_exactRows = -1;           // -1: every text is measured
  std::string m_scratch;
};

// All rows at once.
AutoSizeResult ComputeAutoSize(const GridStore& store, int style, const std::array<CellKindMetrics, 4>& kinds);

// The kind index of a cell position.
int CellKind(const GridStore& store, int row, int col);

}  // namespace orva
