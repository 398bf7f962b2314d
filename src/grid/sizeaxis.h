#pragma once
// The sizes of the rows (or columns) of a grid with their running sums, so
// that the position of a row and the row at a position are found without
// walking from row 0. The sums are kept valid up to a "clean" mark: appending
// extends them in O(1), any other change moves the mark back and the next
// query recomputes from there, so a burst of changes costs one pass.

#include <cstdint>
#include <vector>

namespace orva {

class SizeAxis {
 public:
  int Count() const { return static_cast<int>(m_sizes.size()); }
  int Size(int index) const { return m_sizes[static_cast<std::size_t>(index)]; }

  void Append(int size);
  void Insert(int index, int size);
  void Erase(int index);
  void Resize(int count, int size);
  void SetSize(int index, int size);
  void Clear();

  // Offset of the start of `index` (index == Count() gives the total).
  std::int64_t Start(int index) const;
  std::int64_t Total() const { return Start(Count()); }

  // The index whose extent [Start, Start + Size) holds `offset`, or -1 when
  // the offset lies before 0 or at/after the end. Zero-size entries never
  // hold an offset.
  int IndexAt(std::int64_t offset) const;

 private:
  void MarkDirty(int index);
  void MakeClean(int upTo) const;

  std::vector<int> m_sizes;
  // m_starts[i] = sum of sizes before i, valid for i <= m_clean.
  mutable std::vector<std::int64_t> m_starts{0};
  mutable int m_clean = 0;
};

}  // namespace orva
