#pragma once
// A block of whole rows of cell texts, gathered off the grid and appended to
// it in one locked step (CGridCtrl::AppendRows). The texts lie back to back in
// one buffer; a block is cleared and reused for the next rows, so filling a
// grid allocates nothing per cell.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orva {

class RowBlock {
 public:
  explicit RowBlock(int columns = 0) : m_columns(columns) {}

  // Cells per row, from column 0 of the grid.
  int Columns() const { return m_columns; }
  int Rows() const { return m_columns > 0 ? static_cast<int>(m_ends.size()) / m_columns : 0; }
  bool Empty() const { return m_ends.empty(); }
  std::size_t TextBytes() const { return m_text.size(); }

  // Cells are added row by row, left to right.
  void AddCell(std::string_view text) {
    m_text.append(text);
    m_ends.push_back(static_cast<std::uint32_t>(m_text.size()));
  }
  // Adds the whole rows of another block (of as many columns).
  void AddRows(const RowBlock& other) {
    const auto base = static_cast<std::uint32_t>(m_text.size());
    m_text.append(other.m_text);
    for (std::uint32_t end : other.m_ends) m_ends.push_back(base + end);
  }
  void Swap(RowBlock& other) noexcept {
    std::swap(m_columns, other.m_columns);
    m_text.swap(other.m_text);
    m_ends.swap(other.m_ends);
  }
  // Drops the cells of a row begun but not completed.
  void DropPartialRow() {
    const std::size_t whole = static_cast<std::size_t>(Rows()) * static_cast<std::size_t>(m_columns);
    m_ends.resize(whole);
    m_text.resize(whole ? m_ends.back() : 0);
  }
  void Clear() {
    m_text.clear();
    m_ends.clear();
  }

  const std::string& Text() const { return m_text; }
  std::string_view Cell(int row, int col) const {
    const std::size_t i = static_cast<std::size_t>(row) * static_cast<std::size_t>(m_columns) + static_cast<std::size_t>(col);
    const std::uint32_t start = i ? m_ends[i - 1] : 0;
    return std::string_view(m_text).substr(start, m_ends[i] - start);
  }

 private:
  int m_columns;
  std::string m_text;
  std::vector<std::uint32_t> m_ends;  // end offset of each cell's text
};

}  // namespace orva
