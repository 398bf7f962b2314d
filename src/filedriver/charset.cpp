#include "charset.h"

#include <cerrno>
#include <cstring>

#include "odbcengine/sql_text.h"

namespace orva::filedriver {

std::optional<Charset> CharsetFromName(std::string_view name) {
  const std::string n = odbcengine::ToLowerAscii(name);
  for (const char* gbk : {"ansi", "oem", "gbk", "936", "cp936", "gb2312", "gb18030"})
    if (n == gbk) return Charset::Gbk;
  for (const char* utf8 : {"utf-8", "utf8", "65001"})
    if (n == utf8) return Charset::Utf8;
  return std::nullopt;
}

const char* CharsetName(Charset set) { return set == Charset::Gbk ? "GBK" : "UTF-8"; }

bool IsAscii(std::string_view text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t n;
    if (c < 0x80) n = 1;
    else if (c >= 0xC2 && c <= 0xDF) n = 2;
    else if (c >= 0xE0 && c <= 0xEF) n = 3;
    else if (c >= 0xF0 && c <= 0xF4) n = 4;
    else return false;
    if (i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    if (n == 3) {
      const unsigned char d = static_cast<unsigned char>(s[i + 1]);
      if ((c == 0xE0 && d < 0xA0) || (c == 0xED && d >= 0xA0)) return false;
    } else if (n == 4) {
      const unsigned char d = static_cast<unsigned char>(s[i + 1]);
      if ((c == 0xF0 && d < 0x90) || (c == 0xF4 && d >= 0x90)) return false;
    }
    i += n;
  }
  return true;
}

bool IsValidIn(Charset set, std::string_view s) {
  if (IsAscii(s)) return true;
  if (set == Charset::Utf8) return IsValidUtf8(s);
  std::size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    if (c == 0x80 || c == 0xFF || i + 1 >= s.size()) return false;
    const unsigned char d = static_cast<unsigned char>(s[i + 1]);
    if (d >= 0x40 && d <= 0xFE && d != 0x7F) {
      i += 2;
      continue;
    }
    if (d >= 0x30 && d <= 0x39 && i + 3 < s.size()) {
      const unsigned char e = static_cast<unsigned char>(s[i + 2]), f = static_cast<unsigned char>(s[i + 3]);
      if (e >= 0x81 && e <= 0xFE && f >= 0x30 && f <= 0x39) {
        i += 4;
        continue;
      }
    }
    return false;
  }
  return true;
}

TextCodec::TextCodec(Charset set) : m_set(set) {
  if (set == Charset::Gbk) {
    // GB18030 reads every GBK file and the few four-byte forms some hold;
    // writing goes to GBK proper so that readers of the file understand it.
    m_toUtf8 = iconv_open("UTF-8", "GB18030");
    m_fromUtf8 = iconv_open("GBK", "UTF-8");
  }
}

TextCodec::~TextCodec() {
  if (m_toUtf8 != reinterpret_cast<iconv_t>(-1)) iconv_close(m_toUtf8);
  if (m_fromUtf8 != reinterpret_cast<iconv_t>(-1)) iconv_close(m_fromUtf8);
}

bool TextCodec::Run(iconv_t cd, std::string_view in, std::string& out) {
  out.clear();
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  out.resize(in.size() * 2 + 16);
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  std::size_t used = 0;
  for (;;) {
    char* dst = out.data() + used;
    std::size_t dstLeft = out.size() - used;
    const std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    used = out.size() - dstLeft;
    if (rc != static_cast<std::size_t>(-1)) {
      // Flush any shift state.
      dst = out.data() + used;
      dstLeft = out.size() - used;
      iconv(cd, nullptr, nullptr, &dst, &dstLeft);
      used = out.size() - dstLeft;
      break;
    }
    if (errno != E2BIG) return false;  // EILSEQ or EINVAL: invalid or incomplete input
    out.resize(out.size() * 2);
  }
  out.resize(used);
  return true;
}

bool TextCodec::ToUtf8(std::string_view bytes, std::string& out) {
  if (IsAscii(bytes) || m_set == Charset::Utf8) {
    if (m_set == Charset::Utf8 && !IsValidUtf8(bytes)) return false;
    out.assign(bytes);
    return true;
  }
  return Run(m_toUtf8, bytes, out);
}

bool TextCodec::FromUtf8(std::string_view text, std::string& out) {
  if (!IsValidUtf8(text)) return false;
  if (IsAscii(text) || m_set == Charset::Utf8) {
    out.assign(text);
    return true;
  }
  return Run(m_fromUtf8, text, out);
}

}  // namespace orva::filedriver
