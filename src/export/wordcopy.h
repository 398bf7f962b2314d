#pragma once
// Moving short byte strings a machine word at a time, without reading or
// writing outside them (overlapping words cover the ends).

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace orva::wordcopy {

inline std::uint64_t Load64(const char* at) {
  std::uint64_t word;
  std::memcpy(&word, at, sizeof word);
  return word;
}
inline std::uint32_t Load32(const char* at) {
  std::uint32_t word;
  std::memcpy(&word, at, sizeof word);
  return word;
}
inline void Store64(char* at, std::uint64_t word) { std::memcpy(at, &word, sizeof word); }
inline void Store32(char* at, std::uint32_t word) { std::memcpy(at, &word, sizeof word); }

// Copies `size` bytes, at most 16.
inline void CopyShort(const char* in, std::size_t size, char* out) {
  if (size >= 8) {
    const std::uint64_t head = Load64(in), tail = Load64(in + size - 8);
    Store64(out, head);
    Store64(out + size - 8, tail);
  } else if (size >= 4) {
    const std::uint32_t head = Load32(in), tail = Load32(in + size - 4);
    Store32(out, head);
    Store32(out + size - 4, tail);
  } else if (size > 0) {
    const char first = in[0], middle = in[size / 2], last = in[size - 1];
    out[0] = first;
    out[size / 2] = middle;
    out[size - 1] = last;
  }
}

}  // namespace orva::wordcopy
