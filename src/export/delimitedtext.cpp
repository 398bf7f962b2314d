#include "export/delimitedtext.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "export/wordcopy.h"
#include "platform/codec.h"

namespace orva {

namespace {

// Values are examined eight bytes at a time: one word tells whether any of
// its bytes needs quoting and whether any is above 0x7F.
constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;

using wordcopy::Load32;
using wordcopy::Load64;
using wordcopy::Store32;
using wordcopy::Store64;

// Masked with kHighs: nonzero when any byte of the word is zero (which
// bytes is not exact).
std::uint64_t ZeroBits(std::uint64_t word) { return (word - kOnes) & ~word; }

// What makes a value need quotes: the delimiter, a double quote, CR or LF.
// Where all of them lie below 0x30, a word with no byte below that limit
// (digits, letters, most punctuation, Chinese) needs no closer look.
struct Specials {
  std::uint64_t delimiter;  // in every byte
  std::uint64_t limit;      // in every byte
};

// Copies `size` bytes to `out` in whole words (overlapping ones at the end,
// so nothing outside either range is touched). Returns whether a byte needs
// quoting; ORs the bytes into `seen`.
template <bool kLimit>
inline bool CopyValue(const char* in, std::size_t size, char* out, const Specials& specials, std::uint64_t& seen) {
  constexpr std::uint64_t kQuotes = kOnes * '"', kReturns = kOnes * '\r', kNewlines = kOnes * '\n';
  std::uint64_t special = 0;
  auto examine = [&](std::uint64_t word) {
    seen |= word;
    // Any byte below the limit (exact for limits up to 0x80).
    if (kLimit && (((word - specials.limit) & ~word & kHighs) == 0)) return;
    special |= ZeroBits(word ^ specials.delimiter) | ZeroBits(word ^ kQuotes) | ZeroBits(word ^ kReturns) |
               ZeroBits(word ^ kNewlines);
  };
  if (size >= 8) {
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
      const std::uint64_t word = Load64(in + i);
      examine(word);
      Store64(out + i, word);
    }
    if (i < size) {
      const std::uint64_t word = Load64(in + size - 8);
      examine(word);
      Store64(out + size - 8, word);
    }
  } else if (size >= 4) {
    const std::uint32_t head = Load32(in), tail = Load32(in + size - 4);
    examine(head | static_cast<std::uint64_t>(tail) << 32);
    Store32(out, head);
    Store32(out + size - 4, tail);
  } else if (size > 0) {
    // One to three bytes: first, middle and last cover them all; the word's
    // other bytes repeat the first.
    const auto first = static_cast<unsigned char>(in[0]);
    const auto middle = static_cast<unsigned char>(in[size / 2]);
    const auto last = static_cast<unsigned char>(in[size - 1]);
    examine((kOnes * first & ~std::uint64_t{0xFFFF00}) | std::uint64_t{middle} << 8 | std::uint64_t{last} << 16);
    out[0] = static_cast<char>(first);
    out[size / 2] = static_cast<char>(middle);
    out[size - 1] = static_cast<char>(last);
  }
  return (special & kHighs) != 0;
}

// Writes the values of a row at `out`, each followed by the delimiter but the
// last; returns the end.
template <bool kLimit>
char* PutValues(const std::string_view* values, int count, char delimiter, const Specials& specials, char* out,
                std::uint64_t& seen) {
  for (int k = 0; k < count; ++k) {
    if (k) *out++ = delimiter;
    const std::string_view value = values[k];
    if (!CopyValue<kLimit>(value.data(), value.size(), out, specials, seen)) {
      out += value.size();
      continue;
    }
    // Written again over the plain copy, quoted.
    *out++ = '"';
    for (char c : value) {
      if (c == '"') *out++ = '"';
      *out++ = c;
    }
    *out++ = '"';
  }
  return out;
}

}  // namespace

DelimitedTextBuffer::DelimitedTextBuffer(char delimiter) : m_delimiter(delimiter) {
  const auto byte = static_cast<unsigned char>(delimiter);
  m_delimiterWord = kOnes * byte;
  const unsigned limit = std::max<unsigned>(byte, '"') + 1;
  m_limitWord = limit <= 0x30 ? kOnes * limit : 0;
}

void DelimitedTextBuffer::Reserve(std::size_t more) {
  if (m_size + more <= m_capacity) return;
  std::size_t capacity = std::max(m_capacity * 2, m_size + more + 4096);
  std::unique_ptr<char[]> data(new char[capacity]);
  if (m_size) std::memcpy(data.get(), m_data.get(), m_size);
  m_data = std::move(data);
  m_capacity = capacity;
}

void DelimitedTextBuffer::AppendBytes(std::string_view bytes) {
  Reserve(bytes.size());
  std::memcpy(m_data.get() + m_size, bytes.data(), bytes.size());
  for (unsigned char c : bytes) m_nonAscii |= c >= 0x80;
  m_size += bytes.size();
}

void DelimitedTextBuffer::AppendRow(const std::string_view* values, int count) {
  // Room for every value quoted with all its bytes doubled.
  std::size_t worst = 2 + static_cast<std::size_t>(count);
  for (int k = 0; k < count; ++k) worst += 2 * values[k].size() + 2;
  Reserve(worst);
  std::uint64_t seen = 0;
  const Specials specials{m_delimiterWord, m_limitWord};
  char* out = m_data.get() + m_size;
  out = m_limitWord ? PutValues<true>(values, count, m_delimiter, specials, out, seen)
                    : PutValues<false>(values, count, m_delimiter, specials, out, seen);
  *out++ = '\r';
  *out++ = '\n';
  m_size = static_cast<std::size_t>(out - m_data.get());
  m_nonAscii |= (seen & kHighs) != 0;
}

std::string_view EncodingPreamble(ExportEncoding encoding) {
  return encoding == ExportEncoding::Utf8Bom ? std::string_view("\xEF\xBB\xBF", 3) : std::string_view();
}

std::string EncodeForExport(std::string_view gbk, ExportEncoding encoding) {
  if (encoding == ExportEncoding::Gb18030 || IsAscii(gbk)) return std::string(gbk);
  if (encoding == ExportEncoding::Utf8Bom) return Utf8FromGbk(gbk);
  std::string out;
  out.reserve(gbk.size());
  for (std::size_t i = 0; i < gbk.size();) {
    std::size_t length = CharLengthAt(gbk, i);
    if (length == 4)
      out += '?';
    else
      out.append(gbk.substr(i, length));
    i += length;
  }
  return out;
}

}  // namespace orva
