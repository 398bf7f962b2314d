#include "platform/codec.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <utility>

namespace orva {
namespace {

// iconv descriptors are costly to open and not thread-safe to share, so each
// thread keeps its own, one per pair of character sets.
iconv_t DescriptorFor(const char* from, const char* to) {
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
  iconv_t cd = it->second;
  if (cd != reinterpret_cast<iconv_t>(-1)) iconv(cd, nullptr, nullptr, nullptr, nullptr);  // reset state
  return cd;
}

// GBK is read and written as GB18030 so that no character is lost.
const char* Canonical(const char* charset) {
  if (strcasecmp(charset, "GBK") == 0 || strcasecmp(charset, "CP936") == 0 ||
      strcasecmp(charset, "GB2312") == 0)
    return "GB18030";
  return charset;
}

}  // namespace

std::string ConvertCharset(std::string_view text, const char* fromCharset, const char* toCharset) {
  if (text.empty()) return {};
  const char* from = Canonical(fromCharset);
  const char* to = Canonical(toCharset);
  iconv_t cd = DescriptorFor(from, to);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text);

  std::string out;
  out.resize(text.size() * 2 + 16);
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  size_t used = 0;
  while (true) {
    char* dst = out.data() + used;
    size_t dstLeft = out.size() - used;
    size_t r = iconv(cd, inLeft ? &in : nullptr, &inLeft, &dst, &dstLeft);
    used = out.size() - dstLeft;
    if (r != static_cast<size_t>(-1)) {
      if (inLeft == 0) break;
      continue;
    }
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    // EILSEQ or EINVAL: one bad input byte becomes '?' in the output charset.
    // '?' is ASCII, which every supported target encodes the same except the
    // 16- and 32-bit ones, for which it is converted too.
    std::string mark = (strncasecmp(to, "UTF-16", 6) == 0 || strncasecmp(to, "UTF-32", 6) == 0 ||
                        strncasecmp(to, "UCS", 3) == 0)
                           ? ConvertCharset("?", "ASCII", to)
                           : std::string("?");
    if (out.size() - used < mark.size()) out.resize(out.size() * 2 + mark.size());
    std::memcpy(out.data() + used, mark.data(), mark.size());
    used += mark.size();
    // Skip one unit of input: two bytes for UTF-16 sources, four for UTF-32.
    size_t unit = (strncasecmp(from, "UTF-16", 6) == 0) ? 2 : (strncasecmp(from, "UTF-32", 6) == 0) ? 4 : 1;
    if (unit > inLeft) unit = inLeft;
    in += unit;
    inLeft -= unit;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (inLeft == 0) break;
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

std::size_t CharStartAt(std::string_view line, std::size_t index) {
  if (index >= line.size()) return index;
  std::size_t pos = 0;
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

std::string ToUpperGbk(std::string_view text) {
  std::string out(text);
  for (std::size_t pos = 0; pos < out.size();) {
    std::size_t len = CharLengthAt(out, pos);
    if (len == 1 && out[pos] >= 'a' && out[pos] <= 'z') out[pos] = static_cast<char>(out[pos] - 'a' + 'A');
    pos += len;
  }
  return out;
}

std::string ToLowerGbk(std::string_view text) {
  std::string out(text);
  for (std::size_t pos = 0; pos < out.size();) {
    std::size_t len = CharLengthAt(out, pos);
    if (len == 1 && out[pos] >= 'A' && out[pos] <= 'Z') out[pos] = static_cast<char>(out[pos] - 'A' + 'a');
    pos += len;
  }
  return out;
}

}  // namespace orva
