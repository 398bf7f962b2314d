#pragma once
// The cell store of a grid: rows, columns, their sizes, the cells, the fixed
// rows and columns and the selection. It holds no lock itself; the grid
// serialises every call with its own lock.
//
// A cell is a 24-byte slot of text and state. Only a cell given another
// property (colour, font, format, image, data, margin) or another cell class
// gets a full cell object, kept in a pool and referenced from its slot.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "grid/celltext.h"
#include "grid/gridcell.h"
#include "grid/gridtypes.h"
#include "grid/rowblock.h"
#include "grid/sizeaxis.h"

namespace orva {

class GridStore {
 public:
  // Makes the full object for a cell when one is needed.
  using CellFactory = std::function<std::unique_ptr<CGridCellBase>(int row, int col)>;

  explicit GridStore(CellFactory factory = {});

  int RowCount() const { return m_rowSizes.Count(); }
  int ColumnCount() const { return m_colSizes.Count(); }
  int FixedRowCount() const { return m_fixedRows; }
  int FixedColumnCount() const { return m_fixedCols; }
  bool IsValid(int row, int col) const { return row >= 0 && col >= 0 && row < RowCount() && col < ColumnCount(); }

  const SizeAxis& Rows() const { return m_rowSizes; }
  const SizeAxis& Columns() const { return m_colSizes; }
  void SetRowHeight(int row, int height) { m_rowSizes.SetSize(row, height); }
  void SetColumnWidth(int col, int width) { m_colSizes.SetSize(col, width); }

  // The text format of a column's compact cells outside the fixed rows; -1
  // leaves it to the default cell.
  int ColumnFormat(int col) const { return m_colFormats[static_cast<std::size_t>(col)]; }
  void SetColumnFormat(int col, int format) { m_colFormats[static_cast<std::size_t>(col)] = format; }

  // Virtual mode keeps the counts and sizes but no cells.
  bool IsVirtual() const { return m_virtual; }
  void SetVirtual(bool on);

  // Grows or shrinks to `count` rows (columns); new ones get `size`.
  void SetRowCount(int count, int size);
  void SetColumnCount(int count, int size);
  // The caller grows the grid first when the count exceeds it.
  void SetFixedRowCount(int count);
  void SetFixedColumnCount(int count);

  // Appends the rows of the block with the given height; their texts are
  // copied into one arena block the store keeps until Clear. Cells beyond the
  // block's columns are empty. Returns the index of the first new row.
  int AppendRows(const RowBlock& block, int height);

  // The same in two steps, so that the costly one can run without the
  // grid's lock: rows made from a block for a store of `cols` columns, the
  // first `fixedCols` of them fixed, and their appending, which takes them
  // over (they must have been made for the store's present columns).
  class PreparedRows;
  static PreparedRows PrepareRows(const RowBlock& block, int cols, int fixedCols);
  bool Fits(const PreparedRows& rows) const;
  int AppendPrepared(PreparedRows&& rows, int height);

  // Inserts before `index` (== count appends); returns the index.
  int InsertRow(int index, int height);
  int InsertColumn(int index, int width);
  void DeleteRow(int row);
  void DeleteColumn(int col);
  void Clear();

  // Cell contents. Positions must be valid; virtual mode stores nothing.
  std::string Text(int row, int col) const;
  // The text without copying; valid until the cell changes (compact cells only
  // have a view; full cells give their text copied into `scratch`).
  std::string_view TextView(int row, int col, std::string& scratch) const;
  void SetText(int row, int col, std::string_view text);
  std::uint32_t State(int row, int col) const;
  void SetState(int row, int col, std::uint32_t state);
  // The fixed bits a cell at this position carries.
  std::uint32_t FixedBits(int row, int col) const;

  // The full object of a cell, or null while it is compact.
  CGridCellBase* FullCell(int row, int col) const;
  // The full object of a cell, made from its slot when it has none yet.
  CGridCellBase* Promote(int row, int col);
  // Puts `cell` in place of the cell at the position (its properties are
  // the caller's business).
  void ReplaceCell(int row, int col, std::unique_ptr<CGridCellBase> cell);
  // A stand-alone copy of the cell, for drawing outside the lock.
  std::unique_ptr<CGridCellBase> CopyCell(int row, int col, CGridCtrl* grid) const;
  std::size_t FullCellCount() const { return m_full.size() - m_freeFull.size(); }

  // Selection: the selected bit of each cell, plus the ranges that were
  // marked so that clearing does not visit the whole grid.
  void ClearSelection();
  // Starts a mouse or keyboard selection; with `keep` the cells selected now
  // stay selected under whatever range the selection grows to.
  void BeginSelection(bool keep);
  // Replaces the range of the selection in progress.
  void UpdateSelection(CellRange range);
  void SelectRange(CellRange range) { BeginSelection(false), UpdateSelection(range); }
  bool IsSelected(int row, int col) const;
  bool HasSelection() const { return !m_selRanges.empty(); }
  // Bounding rectangle of the selection (invalid when nothing is selected).
  CellRange SelectionBounds() const;
  // Clears one cell's selected bit.
  void Unselect(int row, int col);

  // Clamps a range to the grid; invalid when nothing is left.
  CellRange Clamp(CellRange range) const;

  // Hands the cell texts of the rows and their arenas over for freeing on
  // another thread (freeing a million rows takes a while); the store is left
  // empty. Null when there is little to free.
  std::function<void()> TakeBulkForFreeing();

 private:
  struct CellSlot {
    CellText text;
    std::uint32_t state = 0;
    std::uint32_t full = 0;  // pool index + 1 of the full object; 0 = compact
  };
  using Row = std::vector<CellSlot>;

 public:
  class PreparedRows {
   public:
    int Count() const { return static_cast<int>(m_rows.size()); }

   private:
    friend class GridStore;
    std::vector<Row> m_rows;
    std::unique_ptr<char[]> m_arena;
    int m_cols = 0;
    int m_fixedCols = 0;
  };

 private:

  CellSlot& Slot(int row, int col) { return m_rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)]; }
  const CellSlot& Slot(int row, int col) const {
    return m_rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
  }
  CGridCellBase* Full(const CellSlot& slot) const {
    return slot.full ? m_full[slot.full - 1].get() : nullptr;
  }
  CellSlot NewSlot(int row, int col);
  void FreeFull(CellSlot& slot);
  void FreeRow(Row& row);
  std::uint32_t Adopt(std::unique_ptr<CGridCellBase> cell);
  void RefreshFixedBits(int row, int col);
  void ReleaseArenasBelow(int count);
  void SetSelectedBits(CellRange range, bool selected);
  bool CoveredByBase(int row, int col) const;

  CellFactory m_factory;
  SizeAxis m_rowSizes;
  SizeAxis m_colSizes;
  std::vector<Row> m_rows;
  std::vector<int> m_colFormats;  // by column
  // Text of appended rows, borrowed by their cells; released when no row
  // from the first appended one on is left.
  std::vector<std::unique_ptr<char[]>> m_arenas;
  int m_arenaFloor = 0;
  std::vector<std::unique_ptr<CGridCellBase>> m_full;
  std::vector<std::uint32_t> m_freeFull;
  int m_fixedRows = 0;
  int m_fixedCols = 0;
  bool m_virtual = false;
  std::vector<CellRange> m_selRanges;
  std::size_t m_selBase = 0;  // ranges before this index belong to the kept selection
};

}  // namespace orva
