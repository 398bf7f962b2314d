#pragma once
// An array with a movable gap, for the lines of a text buffer: inserting or
// removing entries near the previous edit moves only the entries between the
// two edit points, so editing around line 500,000 of a long script does not
// shift the half million entries after it every time.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <type_traits>
#include <vector>

namespace orva {

template <typename T>
class GapArray {
  static_assert(std::is_trivially_copyable_v<T>, "entries are moved with memmove");

 public:
  std::size_t size() const { return m_items.size() - GapSize(); }
  bool empty() const { return size() == 0; }

  T& operator[](std::size_t i) { return m_items[Slot(i)]; }
  const T& operator[](std::size_t i) const { return m_items[Slot(i)]; }

  // The room Assign leaves after n entries, so that the first insertions
  // after a load do not copy the whole array. Reserve n + SpareFor(n) in the
  // vector handed to Assign to build it without a copy.
  static std::size_t SpareFor(std::size_t n) { return n / 16 + 4096; }

  // Replaces the whole content; the gap goes to the end.
  void Assign(std::vector<T>&& items) {
    const std::size_t count = items.size();
    items.resize(count + SpareFor(count));
    m_items = std::move(items);
    m_gapStart = count;
    m_gapEnd = m_items.size();
  }

  void Clear() {
    m_items = std::vector<T>();
    m_gapStart = m_gapEnd = 0;
  }

  // Inserts `count` copies of value before index pos.
  void Insert(std::size_t pos, std::size_t count, const T& value) {
    if (GapSize() < count) Regrow(count);
    MoveGap(pos);
    for (std::size_t i = 0; i < count; ++i) m_items[m_gapStart + i] = value;
    m_gapStart += count;
  }

  // Removes `count` entries starting at index pos.
  void Erase(std::size_t pos, std::size_t count) {
    MoveGap(pos);
    m_gapEnd += count;
  }

 private:
  std::size_t GapSize() const { return m_gapEnd - m_gapStart; }
  std::size_t Slot(std::size_t i) const { return i < m_gapStart ? i : i + GapSize(); }

  void MoveGap(std::size_t pos) {
    if (pos < m_gapStart) {
      std::size_t n = m_gapStart - pos;
      std::memmove(static_cast<void*>(&m_items[m_gapEnd - n]), &m_items[pos], n * sizeof(T));
      m_gapStart -= n;
      m_gapEnd -= n;
    } else if (pos > m_gapStart) {
      std::size_t n = pos - m_gapStart;
      std::memmove(static_cast<void*>(&m_items[m_gapStart]), &m_items[m_gapEnd], n * sizeof(T));
      m_gapStart += n;
      m_gapEnd += n;
    }
  }

  // Makes the gap at least `need` entries long; grows geometrically so that
  // a run of insertions costs amortised constant time each.
  void Regrow(std::size_t need) {
    const std::size_t used = size();
    const std::size_t gap = std::max<std::size_t>({need, used / 8, 4096});
    std::vector<T> grown(used + gap);
    std::size_t tail = m_items.size() - m_gapEnd;
    if (m_gapStart) std::memcpy(static_cast<void*>(grown.data()), m_items.data(), m_gapStart * sizeof(T));
    if (tail)
      std::memcpy(static_cast<void*>(grown.data() + m_gapStart + gap), m_items.data() + m_gapEnd, tail * sizeof(T));
    m_items = std::move(grown);
    m_gapEnd = m_gapStart + gap;
  }

  std::vector<T> m_items;
  std::size_t m_gapStart = 0;
  std::size_t m_gapEnd = 0;
};

}  // namespace orva
