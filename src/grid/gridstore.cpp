#include "grid/gridstore.h"

#include <algorithm>
#include <cstring>

namespace orva {

GridStore::GridStore(CellFactory factory) : m_factory(std::move(factory)) {
  if (!m_factory)
    m_factory = [](int, int) -> std::unique_ptr<CGridCellBase> { return std::make_unique<CGridCell>(); };
}

std::uint32_t GridStore::FixedBits(int row, int col) const {
  std::uint32_t bits = 0;
  if (row < m_fixedRows) bits |= GVIS_FIXED | GVIS_FIXEDROW;
  if (col < m_fixedCols) bits |= GVIS_FIXED | GVIS_FIXEDCOL;
  return bits;
}

GridStore::CellSlot GridStore::NewSlot(int row, int col) {
  CellSlot slot;
  slot.state = FixedBits(row, col);
  return slot;
}

std::uint32_t GridStore::Adopt(std::unique_ptr<CGridCellBase> cell) {
  if (!m_freeFull.empty()) {
    std::uint32_t index = m_freeFull.back();
    m_freeFull.pop_back();
    m_full[index] = std::move(cell);
    return index + 1;
  }
  m_full.push_back(std::move(cell));
  return static_cast<std::uint32_t>(m_full.size());
}

void GridStore::FreeFull(CellSlot& slot) {
  if (!slot.full) return;
  m_full[slot.full - 1].reset();
  m_freeFull.push_back(slot.full - 1);
  slot.full = 0;
}

void GridStore::FreeRow(Row& row) {
  for (CellSlot& slot : row) FreeFull(slot);
}

void GridStore::SetVirtual(bool on) {
  if (on == m_virtual) return;
  ClearSelection();
  m_virtual = on;
  m_rows.clear();
  m_arenas.clear();
  m_full.clear();
  m_freeFull.clear();
  if (!on) {
    m_rows.resize(static_cast<std::size_t>(RowCount()));
    for (int r = 0; r < RowCount(); ++r)
      for (int c = 0; c < ColumnCount(); ++c) m_rows[static_cast<std::size_t>(r)].push_back(NewSlot(r, c));
  }
}

void GridStore::SetRowCount(int count, int size) {
  count = std::max(count, 0);
  if (count == RowCount()) return;
  if (count < RowCount()) ClearSelection();
  if (!m_virtual) {
    for (std::size_t r = static_cast<std::size_t>(count); r < m_rows.size(); ++r) FreeRow(m_rows[r]);
    int old = RowCount();
    m_rows.resize(static_cast<std::size_t>(count));
    for (int r = old; r < count; ++r) {
      Row& row = m_rows[static_cast<std::size_t>(r)];
      row.reserve(static_cast<std::size_t>(ColumnCount()));
      for (int c = 0; c < ColumnCount(); ++c) row.push_back(NewSlot(r, c));
    }
  }
  m_rowSizes.Resize(count, size);
  m_fixedRows = std::min(m_fixedRows, count);
  ReleaseArenasBelow(count);
}

void GridStore::ReleaseArenasBelow(int count) {
  // No row at or after the floor is left: nothing borrows arena text.
  if (count <= m_arenaFloor) m_arenas.clear();
}

void GridStore::SetColumnCount(int count, int size) {
  count = std::max(count, 0);
  if (count == ColumnCount()) return;
  if (count < ColumnCount()) ClearSelection();
  int old = ColumnCount();
  m_colSizes.Resize(count, size);
  m_colFormats.resize(static_cast<std::size_t>(count), -1);
  if (!m_virtual) {
    for (int r = 0; r < RowCount(); ++r) {
      Row& row = m_rows[static_cast<std::size_t>(r)];
      for (std::size_t c = static_cast<std::size_t>(count); c < row.size(); ++c) FreeFull(row[c]);
      row.resize(std::min(row.size(), static_cast<std::size_t>(count)));
      for (int c = old; c < count; ++c) row.push_back(NewSlot(r, c));
    }
  }
  m_fixedCols = std::min(m_fixedCols, count);
}

void GridStore::RefreshFixedBits(int row, int col) {
  constexpr std::uint32_t kFixedBits = GVIS_FIXED | GVIS_FIXEDROW | GVIS_FIXEDCOL;
  std::uint32_t old = State(row, col);
  std::uint32_t now = (old & ~kFixedBits) | FixedBits(row, col);
  if (now == old) return;
  SetState(row, col, now);
  // A cell changing kind takes the colours of its new kind.
  if (CGridCellBase* cell = Full(Slot(row, col))) {
    cell->SetTextClr(QColor());
    cell->SetBackClr(QColor());
  }
}

void GridStore::SetFixedRowCount(int count) {
  int old = m_fixedRows;
  m_fixedRows = std::clamp(count, 0, RowCount());
  if (m_virtual) return;
  for (int r = std::min(old, m_fixedRows); r < std::max(old, m_fixedRows); ++r)
    for (int c = 0; c < ColumnCount(); ++c) RefreshFixedBits(r, c);
}

void GridStore::SetFixedColumnCount(int count) {
  int old = m_fixedCols;
  m_fixedCols = std::clamp(count, 0, ColumnCount());
  if (m_virtual) return;
  for (int r = 0; r < RowCount(); ++r)
    for (int c = std::min(old, m_fixedCols); c < std::max(old, m_fixedCols); ++c) RefreshFixedBits(r, c);
}

int GridStore::InsertRow(int index, int height) {
  bool append = index == RowCount();
  if (!append) ClearSelection();
  if (append)
    m_rowSizes.Append(height);
  else
    m_rowSizes.Insert(index, height);
  if (!m_virtual) {
    Row row;
    row.reserve(static_cast<std::size_t>(ColumnCount()));
    for (int c = 0; c < ColumnCount(); ++c) row.push_back(NewSlot(index, c));
    m_rows.insert(m_rows.begin() + index, std::move(row));
  }
  if (index < m_fixedRows) ++m_fixedRows;
  if (index < m_arenaFloor) ++m_arenaFloor;
  return index;
}

GridStore::PreparedRows GridStore::PrepareRows(const RowBlock& block, int cols, int fixedCols) {
  PreparedRows prepared;
  prepared.m_cols = cols;
  prepared.m_fixedCols = fixedCols;
  const int rows = block.Rows();
  const int given = std::min(cols, block.Columns());
  // Texts that fit in a cell's own bytes are kept there; only the longer
  // ones go to the block's arena, so short values (numbers, dates, codes)
  // are held once, not twice.
  std::size_t longBytes = 0;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < given; ++c)
      if (const std::size_t size = block.Cell(r, c).size(); !CellText::FitsInline(size)) longBytes += size;
  char* arena = nullptr;
  if (longBytes > 0) {
    prepared.m_arena = std::make_unique_for_overwrite<char[]>(longBytes);
    arena = prepared.m_arena.get();
  }
  prepared.m_rows.reserve(static_cast<std::size_t>(rows));
  for (int r = 0; r < rows; ++r) {
    Row& row = prepared.m_rows.emplace_back(static_cast<std::size_t>(cols));
    for (int c = 0; c < cols; ++c) {
      CellSlot& slot = row[static_cast<std::size_t>(c)];
      if (c < fixedCols) slot.state = GVIS_FIXED | GVIS_FIXEDCOL;
      if (c >= given) continue;
      const std::string_view text = block.Cell(r, c);
      if (CellText::FitsInline(text.size())) {
        if (!text.empty()) slot.text.Assign(text);
        continue;
      }
      std::memcpy(arena, text.data(), text.size());
      slot.text.Borrow(arena, static_cast<std::uint32_t>(text.size()));
      arena += text.size();
    }
  }
  return prepared;
}

bool GridStore::Fits(const PreparedRows& rows) const {
  return !m_virtual && rows.m_cols == ColumnCount() && rows.m_fixedCols == m_fixedCols;
}

int GridStore::AppendPrepared(PreparedRows&& prepared, int height) {
  const int first = RowCount();
  const int rows = prepared.Count();
  if (prepared.m_arena) {
    if (m_arenas.empty()) m_arenaFloor = first;
    m_arenas.push_back(std::move(prepared.m_arena));
  }
  // Grown geometrically: reserving just enough for each block would move
  // all the rows for every block.
  if (const std::size_t needed = m_rows.size() + static_cast<std::size_t>(rows); needed > m_rows.capacity())
    m_rows.reserve(std::max(needed, 2 * m_rows.capacity()));
  for (Row& row : prepared.m_rows) {
    m_rowSizes.Append(height);
    m_rows.push_back(std::move(row));
  }
  prepared.m_rows.clear();
  return first;
}

int GridStore::AppendRows(const RowBlock& block, int height) {
  if (m_virtual) {
    const int first = RowCount();
    for (int r = 0; r < block.Rows(); ++r) m_rowSizes.Append(height);
    return first;
  }
  return AppendPrepared(PrepareRows(block, ColumnCount(), m_fixedCols), height);
}

int GridStore::InsertColumn(int index, int width) {
  if (index != ColumnCount()) ClearSelection();
  m_colSizes.Insert(index, width);
  m_colFormats.insert(m_colFormats.begin() + index, -1);
  if (!m_virtual)
    for (int r = 0; r < RowCount(); ++r) {
      Row& row = m_rows[static_cast<std::size_t>(r)];
      row.insert(row.begin() + index, NewSlot(r, index));
    }
  if (index < m_fixedCols) ++m_fixedCols;
  return index;
}

void GridStore::DeleteRow(int row) {
  ClearSelection();
  if (!m_virtual) {
    FreeRow(m_rows[static_cast<std::size_t>(row)]);
    m_rows.erase(m_rows.begin() + row);
  }
  m_rowSizes.Erase(row);
  if (row < m_fixedRows) --m_fixedRows;
  if (row < m_arenaFloor) --m_arenaFloor;
  ReleaseArenasBelow(RowCount());
}

void GridStore::DeleteColumn(int col) {
  ClearSelection();
  if (!m_virtual)
    for (Row& row : m_rows) {
      FreeFull(row[static_cast<std::size_t>(col)]);
      row.erase(row.begin() + col);
    }
  m_colSizes.Erase(col);
  m_colFormats.erase(m_colFormats.begin() + col);
  if (col < m_fixedCols) --m_fixedCols;
}

void GridStore::Clear() {
  m_selRanges.clear();
  m_selBase = 0;
  m_rows.clear();
  m_rows.shrink_to_fit();
  m_arenas.clear();
  m_full.clear();
  m_freeFull.clear();
  m_rowSizes.Clear();
  m_colSizes.Clear();
  m_colFormats.clear();
  m_fixedRows = 0;
  m_fixedCols = 0;
}

std::function<void()> GridStore::TakeBulkForFreeing() {
  constexpr std::size_t kBulkRows = 65536;
  if (m_rows.size() < kBulkRows) return {};
  // Full cells stay: they belong to the grid's thread. Slots only point at
  // them by index.
  auto rows = std::make_shared<std::vector<Row>>(std::move(m_rows));
  auto arenas = std::make_shared<std::vector<std::unique_ptr<char[]>>>(std::move(m_arenas));
  Clear();
  return [rows, arenas] {
    rows->clear();
    arenas->clear();
  };
}

std::string GridStore::Text(int row, int col) const {
  if (m_virtual) return {};
  const CellSlot& slot = Slot(row, col);
  if (CGridCellBase* cell = Full(slot)) return cell->GetText();
  return slot.text.Str();
}

std::string_view GridStore::TextView(int row, int col, std::string& scratch) const {
  if (m_virtual) return {};
  const CellSlot& slot = Slot(row, col);
  if (CGridCellBase* cell = Full(slot)) {
    scratch = cell->GetText();
    return scratch;
  }
  return slot.text.View();
}

void GridStore::SetText(int row, int col, std::string_view text) {
  if (m_virtual) return;
  CellSlot& slot = Slot(row, col);
  if (CGridCellBase* cell = Full(slot))
    cell->SetText(text);
  else
    slot.text.Assign(text);
}

std::uint32_t GridStore::State(int row, int col) const {
  if (m_virtual) return FixedBits(row, col) | (IsSelected(row, col) ? std::uint32_t{GVIS_SELECTED} : 0u);
  const CellSlot& slot = Slot(row, col);
  if (CGridCellBase* cell = Full(slot)) return cell->GetState();
  return slot.state;
}

void GridStore::SetState(int row, int col, std::uint32_t state) {
  if (m_virtual) return;
  CellSlot& slot = Slot(row, col);
  if (CGridCellBase* cell = Full(slot))
    cell->SetState(state);
  else
    slot.state = state;
}

CGridCellBase* GridStore::FullCell(int row, int col) const {
  if (m_virtual) return nullptr;
  return Full(Slot(row, col));
}

CGridCellBase* GridStore::Promote(int row, int col) {
  if (m_virtual) return nullptr;
  CellSlot& slot = Slot(row, col);
  if (CGridCellBase* cell = Full(slot)) return cell;
  std::unique_ptr<CGridCellBase> cell = m_factory(row, col);
  cell->SetText(slot.text.View());
  cell->SetState(slot.state);
  if (row >= m_fixedRows && ColumnFormat(col) >= 0) cell->SetFormat(ColumnFormat(col));
  slot.text = CellText();
  CGridCellBase* raw = cell.get();
  slot.full = Adopt(std::move(cell));
  return raw;
}

void GridStore::ReplaceCell(int row, int col, std::unique_ptr<CGridCellBase> cell) {
  if (m_virtual) return;
  CellSlot& slot = Slot(row, col);
  FreeFull(slot);
  slot.text = CellText();
  slot.full = Adopt(std::move(cell));
}

std::unique_ptr<CGridCellBase> GridStore::CopyCell(int row, int col, CGridCtrl* grid) const {
  std::unique_ptr<CGridCellBase> copy;
  const CGridCellBase* full = m_virtual ? nullptr : Full(Slot(row, col));
  if (full) {
    copy = full->GetRuntimeClass().create();
    copy->Assign(*full);
  } else {
    copy = std::make_unique<CGridCell>();
    if (!m_virtual) copy->SetText(Slot(row, col).text.View());
    copy->SetState(State(row, col));
    if (row >= m_fixedRows && ColumnFormat(col) >= 0) copy->SetFormat(ColumnFormat(col));
  }
  copy->SetGrid(grid);
  return copy;
}

CellRange GridStore::Clamp(CellRange range) const {
  CellRange clamped{std::max(range.minRow, 0), std::max(range.minCol, 0), std::min(range.maxRow, RowCount() - 1),
                    std::min(range.maxCol, ColumnCount() - 1)};
  return clamped.IsValid() ? clamped : CellRange{};
}

void GridStore::SetSelectedBits(CellRange range, bool selected) {
  range = Clamp(range);
  if (m_virtual || !range.IsValid()) return;
  for (int r = range.minRow; r <= range.maxRow; ++r)
    for (int c = range.minCol; c <= range.maxCol; ++c) {
      if (!selected && CoveredByBase(r, c)) continue;
      std::uint32_t state = State(r, c);
      std::uint32_t now = selected ? state | GVIS_SELECTED : state & ~GVIS_SELECTED;
      if (now != state) SetState(r, c, now);
    }
}

bool GridStore::CoveredByBase(int row, int col) const {
  for (std::size_t i = 0; i < m_selBase; ++i)
    if (m_selRanges[i].Contains(row, col)) return true;
  return false;
}

void GridStore::ClearSelection() {
  m_selBase = 0;
  for (const CellRange& range : m_selRanges) SetSelectedBits(range, false);
  m_selRanges.clear();
}

void GridStore::BeginSelection(bool keep) {
  if (!keep) ClearSelection();
  m_selBase = m_selRanges.size();
}

void GridStore::UpdateSelection(CellRange range) {
  // Undo the ranges of the selection in progress, keeping the cells the
  // kept selection covers, then mark the new range.
  while (m_selRanges.size() > m_selBase) {
    CellRange old = m_selRanges.back();
    m_selRanges.pop_back();
    SetSelectedBits(old, false);
  }
  range = Clamp(range);
  if (!range.IsValid()) return;
  SetSelectedBits(range, true);
  m_selRanges.push_back(range);
}

bool GridStore::IsSelected(int row, int col) const {
  if (!m_virtual) return Slot(row, col).full ? (Full(Slot(row, col))->GetState() & GVIS_SELECTED) != 0
                                             : (Slot(row, col).state & GVIS_SELECTED) != 0;
  for (const CellRange& range : m_selRanges)
    if (range.Contains(row, col)) return true;
  return false;
}

void GridStore::Unselect(int row, int col) {
  if (!m_virtual) SetState(row, col, State(row, col) & ~GVIS_SELECTED);
}

CellRange GridStore::SelectionBounds() const {
  CellRange bounds;
  for (const CellRange& range : m_selRanges) {
    CellRange r = Clamp(range);
    if (!r.IsValid()) continue;
    if (!bounds.IsValid()) {
      bounds = r;
      continue;
    }
    bounds.minRow = std::min(bounds.minRow, r.minRow);
    bounds.minCol = std::min(bounds.minCol, r.minCol);
    bounds.maxRow = std::max(bounds.maxRow, r.maxRow);
    bounds.maxCol = std::max(bounds.maxCol, r.maxCol);
  }
  return bounds;
}

}  // namespace orva
