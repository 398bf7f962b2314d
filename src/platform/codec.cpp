#include "platform/codec.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <utility>

namespace orva {
namespace {

bool NameIs(const char* name, const char* prefix) { return strncasecmp(name, prefix, strlen(prefix)) == 0; }

// Character sets whose converters keep no state between texts. Any other
// (UTF-16 and UTF-32 with a byte-order mark, UTF-7, the ISO-2022 sets ...)
// remembers a byte order or a shift state, so it gets a fresh converter for
// every text.
bool IsStateless(const char* charset) {
  for (const char* name : {"UTF-16LE", "UTF-16BE", "UTF-32LE", "UTF-32BE", "UCS-2LE", "UCS-2BE", "UCS-4LE", "UCS-4BE"})
    if (strcasecmp(charset, name) == 0) return true;
  if (NameIs(charset, "UTF-16") || NameIs(charset, "UTF-32") || NameIs(charset, "UCS-") ||
      NameIs(charset, "UNICODE") || NameIs(charset, "UTF-7") || NameIs(charset, "UTF7") || NameIs(charset, "ISO-2022") ||
      NameIs(charset, "ISO2022") || NameIs(charset, "CSISO2022") || NameIs(charset, "HZ") || NameIs(charset, "IBM93") ||
      NameIs(charset, "IBM1364") || NameIs(charset, "IBM1371") || NameIs(charset, "IBM1388") || NameIs(charset, "IBM1390") ||
      NameIs(charset, "IBM1399"))
    return false;
  return true;
}

// A converter for one text, in its initial state.
class Converter {
 public:
  Converter(const char* from, const char* to) {
    if (IsStateless(from) && IsStateless(to)) {
      // Opening one is costly and a descriptor must not be shared between
      // threads, so each thread keeps its own, one per pair of sets.
      struct Cache {
        std::map<std::pair<std::string, std::string>, iconv_t> open;
        ~Cache() {
          for (auto& entry : open)
            if (entry.second != reinterpret_cast<iconv_t>(-1)) iconv_close(entry.second);
        }
      };
      thread_local Cache cache;
      auto key = std::make_pair(std::string(from), std::string(to));
      auto it = cache.open.find(key);
      if (it == cache.open.end()) it = cache.open.emplace(key, iconv_open(to, from)).first;
      m_cd = it->second;
      if (Valid()) iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    } else {
      m_cd = iconv_open(to, from);
      m_owned = true;
    }
  }
  ~Converter() {
    if (m_owned && Valid()) iconv_close(m_cd);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
  iconv_t Get() const { return m_cd; }

 private:
  iconv_t m_cd = reinterpret_cast<iconv_t>(-1);
  bool m_owned = false;
};

// GBK is read and written as GB18030 so that no character is lost.
const char* Canonical(const char* charset) {
  if (strcasecmp(charset, "GBK") == 0 || strcasecmp(charset, "CP936") == 0 ||
      strcasecmp(charset, "GB2312") == 0)
    return "GB18030";
  return charset;
}

// Bytes per code unit of the 16- and 32-bit sets, 1 for the others.
std::size_t UnitSize(const char* charset) {
  if (NameIs(charset, "UTF-16") || NameIs(charset, "UCS-2") || NameIs(charset, "UNICODE")) return 2;
  if (NameIs(charset, "UTF-32") || NameIs(charset, "UCS-4")) return 4;
  return 1;
}

// The input skipped for one '?': a whole well-formed character that the
// target cannot hold (so it costs one '?', not one per byte), else one code
// unit of malformed input.
std::size_t SkippedInput(const char* from, const char* in, std::size_t left) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(in[i]); };
  if (strcasecmp(from, "UTF-8") == 0 || strcasecmp(from, "UTF8") == 0) {
    const unsigned char lead = byte(0);
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4                                 ? 4
                                                                                              : 1;
    if (length > left) return 1;
    for (std::size_t i = 1; i < length; ++i)
      if (byte(i) < 0x80 || byte(i) > 0xBF) return 1;
    return length;
  }
  if (strcasecmp(from, "GB18030") == 0) return std::max<std::size_t>(1, CharLengthAt(std::string_view(in, left), 0));
  return std::min(UnitSize(from), left);
}

// The '?' that stands for a bad input byte, in the target set and without a
// byte-order mark (the text carries at most one, at its start).
std::string ReplacementMark(const char* to) {
  const std::size_t unit = UnitSize(to);
  if (unit == 1) return "?";
  std::string mark = ConvertCharset("?", "ASCII", to);
  if (mark.size() > unit) mark.erase(0, mark.size() - unit);
  return mark;
}

}  // namespace

std::string ConvertCharset(std::string_view text, const char* fromCharset, const char* toCharset) {
  if (text.empty()) return {};
  const char* from = Canonical(fromCharset);
  const char* to = Canonical(toCharset);
  Converter converter(from, to);
  if (!converter.Valid()) return std::string(text);
  iconv_t cd = converter.Get();

  std::string out;
  out.resize(text.size() * 2 + 16);
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  size_t used = 0;
  std::string mark;
  // Converts what is left, then flushes the converter so that a set with a
  // shift state (UTF-7) ends its last sequence.
  bool flushing = false;
  while (true) {
    char* dst = out.data() + used;
    size_t dstLeft = out.size() - used;
    size_t r = flushing ? iconv(cd, nullptr, nullptr, &dst, &dstLeft) : iconv(cd, &in, &inLeft, &dst, &dstLeft);
    used = out.size() - dstLeft;
    if (r != static_cast<size_t>(-1)) {
      if (flushing) break;
      if (inLeft == 0) flushing = true;
      continue;
    }
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    if (flushing) break;
    // EILSEQ or EINVAL: one bad input unit becomes '?' in the output set; the
    // converter's state is left as it was, so no second byte-order mark.
    if (mark.empty()) mark = ReplacementMark(to);
    if (out.size() - used < mark.size()) out.resize(out.size() * 2 + mark.size());
    std::memcpy(out.data() + used, mark.data(), mark.size());
    used += mark.size();
    size_t unit = SkippedInput(from, in, inLeft);
    in += unit;
    inLeft -= unit;
    if (inLeft == 0) flushing = true;
  }
  out.resize(used);
  return out;
}

bool IsAscii(std::string_view text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

std::string Utf8FromGbk(std::string_view gbk) {
  if (IsAscii(gbk)) return std::string(gbk);
  return ConvertCharset(gbk, "GB18030", "UTF-8");
}

std::string GbkFromUtf8(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  return ConvertCharset(utf8, "UTF-8", "GB18030");
}

std::u16string Utf16FromGbk(std::string_view gbk) {
  std::string bytes = ConvertCharset(gbk, "GB18030", "UTF-16LE");
  std::u16string out(bytes.size() / 2, u'\0');
  std::memcpy(out.data(), bytes.data(), out.size() * 2);
  return out;
}

std::string GbkFromUtf16(std::u16string_view utf16) {
  std::string_view bytes(reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2);
  return ConvertCharset(bytes, "UTF-16LE", "GB18030");
}

std::size_t CharLengthAt(std::string_view line, std::size_t index) {
  if (index >= line.size()) return 0;
  auto b = [&](std::size_t i) { return static_cast<unsigned char>(line[i]); };
  unsigned char lead = b(index);
  if (!IsLeadByte(lead) || index + 1 >= line.size()) return 1;
  unsigned char second = b(index + 1);
  if ((second >= 0x40 && second <= 0x7E) || (second >= 0x80 && second <= 0xFE)) return 2;
  if (second >= 0x30 && second <= 0x39 && index + 3 < line.size() && IsLeadByte(b(index + 2)) &&
      b(index + 3) >= 0x30 && b(index + 3) <= 0x39)
    return 4;
  return 1;
}

std::size_t CharBoundaryBefore(std::string_view line, std::size_t index) {
  // A byte outside 0x30-0x39 and 0x81-0xFE is always the last byte of its
  // character (a single byte, or the second byte of a pair), so the byte after
  // it starts one. Scanning back to such a byte keeps a look-up on a long
  // line short instead of rescanning the line from its start.
  std::size_t pos = std::min(index, line.size());
  while (pos > 0) {
    const auto b = static_cast<unsigned char>(line[pos - 1]);
    if (!IsLeadByte(b) && (b < 0x30 || b > 0x39)) break;
    --pos;
  }
  return pos;
}

std::size_t CharStartAt(std::string_view line, std::size_t index) {
  if (index >= line.size()) return index;
  std::size_t pos = CharBoundaryBefore(line, index);
  while (true) {
    std::size_t len = CharLengthAt(line, pos);
    if (pos + len > index) return pos;
    pos += len;
  }
}

bool IsTrailByteAt(std::string_view line, std::size_t index) {
  return index < line.size() && CharStartAt(line, index) != index;
}

std::size_t CharCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < text.size(); pos += CharLengthAt(text, pos)) ++count;
  return count;
}

std::string_view CutAtCharBoundary(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  return text.substr(0, CharStartAt(text, maxBytes));
}

namespace {

// Maps the ASCII letters of single-byte characters from `first`..`first + 25`
// by `shift`; the bytes of multi-byte characters stay as they are.
std::string MapAsciiLetters(std::string_view text, char first, int shift) {
  std::string out(text);
  const std::size_t n = out.size();
  for (std::size_t pos = 0; pos < n;) {
    const auto c = static_cast<unsigned char>(out[pos]);
    if (c < 0x81) {
      if (static_cast<unsigned>(c - static_cast<unsigned char>(first)) < 26u) out[pos] = static_cast<char>(c + shift);
      ++pos;
    } else {
      pos += CharLengthAt(out, pos);
    }
  }
  return out;
}

}  // namespace

std::string ToUpperGbk(std::string_view text) { return MapAsciiLetters(text, 'a', 'A' - 'a'); }

std::string ToLowerGbk(std::string_view text) { return MapAsciiLetters(text, 'A', 'a' - 'A'); }

}  // namespace orva
