#include "grid/sizeaxis.h"

#include <algorithm>

namespace orva {

void SizeAxis::Append(int size) {
  m_sizes.push_back(size);
  if (m_clean == Count() - 1) {
    m_starts.push_back(m_starts.back() + size);
    ++m_clean;
  } else {
    m_starts.resize(m_sizes.size() + 1);
  }
}

void SizeAxis::Insert(int index, int size) {
  m_sizes.insert(m_sizes.begin() + index, size);
  m_starts.resize(m_sizes.size() + 1);
  MarkDirty(index);
}

void SizeAxis::Erase(int index) {
  m_sizes.erase(m_sizes.begin() + index);
  m_starts.resize(m_sizes.size() + 1);
  MarkDirty(index);
}

void SizeAxis::Resize(int count, int size) {
  int old = Count();
  m_sizes.resize(static_cast<std::size_t>(count), size);
  m_starts.resize(m_sizes.size() + 1);
  MarkDirty(std::min(old, count));
}

void SizeAxis::SetSize(int index, int size) {
  if (m_sizes[static_cast<std::size_t>(index)] == size) return;
  m_sizes[static_cast<std::size_t>(index)] = size;
  MarkDirty(index);
}

void SizeAxis::Clear() {
  m_sizes.clear();
  m_starts.assign(1, 0);
  m_clean = 0;
}

void SizeAxis::MarkDirty(int index) { m_clean = std::min(m_clean, index); }

void SizeAxis::MakeClean(int upTo) const {
  for (int i = m_clean; i < upTo; ++i)
    m_starts[static_cast<std::size_t>(i) + 1] = m_starts[static_cast<std::size_t>(i)] + m_sizes[static_cast<std::size_t>(i)];
  m_clean = std::max(m_clean, upTo);
}

std::int64_t SizeAxis::Start(int index) const {
  index = std::clamp(index, 0, Count());
  if (index > m_clean) MakeClean(index);
  return m_starts[static_cast<std::size_t>(index)];
}

int SizeAxis::IndexAt(std::int64_t offset) const {
  if (offset < 0 || Count() == 0) return -1;
  MakeClean(Count());
  // The first start beyond the offset; the entry before it holds the offset.
  auto it = std::upper_bound(m_starts.begin(), m_starts.end(), offset);
  if (it == m_starts.end()) return -1;
  return static_cast<int>(it - m_starts.begin()) - 1;
}

}  // namespace orva
