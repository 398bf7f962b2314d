#pragma once
// A 16-byte text holder for cell texts. Texts of up to 15 bytes live inside
// the object; longer ones in one heap block of exactly their size. A million
// rows of short values thus cost no allocation per cell. A holder may also
// borrow text that lies in a block its owner keeps alive (the cell store's
// arenas of appended rows): then it frees nothing, and a copy of it owns its
// text again.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace orva {

class CellText {
 public:
  CellText() { Clear(); }
  explicit CellText(std::string_view text) {
    Clear();
    Assign(text);
  }
  CellText(const CellText& other) {
    Clear();
    Assign(other.View());
  }
  CellText(CellText&& other) noexcept {
    std::memcpy(m_bytes, other.m_bytes, sizeof m_bytes);
    other.Clear();
  }
  CellText& operator=(const CellText& other) {
    if (this != &other) Assign(other.View());
    return *this;
  }
  CellText& operator=(CellText&& other) noexcept {
    if (this != &other) {
      Release();
      std::memcpy(m_bytes, other.m_bytes, sizeof m_bytes);
      other.Clear();
    }
    return *this;
  }
  ~CellText() { Release(); }

  void Assign(std::string_view text) {
    Release();
    if (text.size() <= kInlineCapacity) {
      std::memcpy(m_bytes, text.data(), text.size());
      m_bytes[kTagByte] = static_cast<unsigned char>(text.size());
      return;
    }
    char* block = new char[text.size()];
    std::memcpy(block, text.data(), text.size());
    Heap heap{block, static_cast<std::uint32_t>(text.size())};
    std::memcpy(m_bytes, &heap, sizeof heap);
    m_bytes[kTagByte] = kHeapTag;
  }

  // Refers to `size` bytes at `data`, which must outlive the holder (and
  // every move of it); nothing is copied.
  void Borrow(const char* data, std::uint32_t size) {
    Release();
    Heap heap{const_cast<char*>(data), size};
    std::memcpy(m_bytes, &heap, sizeof heap);
    m_bytes[kTagByte] = kBorrowedTag;
  }

  // True when a text of this size is kept inside the holder.
  static constexpr bool FitsInline(std::size_t size) { return size <= kInlineCapacity; }

  std::string_view View() const {
    if (IsInline()) return {reinterpret_cast<const char*>(m_bytes), m_bytes[kTagByte]};
    Heap heap;
    std::memcpy(&heap, m_bytes, sizeof heap);
    return {heap.data, heap.size};
  }
  std::string Str() const { return std::string(View()); }
  std::size_t Size() const { return View().size(); }
  bool Empty() const { return Size() == 0; }

 private:
  struct Heap {
    char* data;
    std::uint32_t size;
  };
  static constexpr std::size_t kInlineCapacity = 15;
  static constexpr std::size_t kTagByte = 15;
  static constexpr unsigned char kHeapTag = 0xFF;
  static constexpr unsigned char kBorrowedTag = 0xFE;
  static_assert(sizeof(Heap) <= kTagByte + 1 && offsetof(Heap, size) + sizeof(std::uint32_t) <= kTagByte);

  bool IsInline() const { return m_bytes[kTagByte] <= kInlineCapacity; }
  void Clear() {
    std::memset(m_bytes, 0, sizeof m_bytes);
  }
  void Release() {
    if (m_bytes[kTagByte] == kHeapTag) {
      Heap heap;
      std::memcpy(&heap, m_bytes, sizeof heap);
      delete[] heap.data;
    }
    Clear();
  }

  unsigned char m_bytes[16];
};

static_assert(sizeof(CellText) == 16);

}  // namespace orva
