#pragma once
// Character sets of file databases. The driver exchanges UTF-8 with its
// callers; files hold GBK (the default) or UTF-8. Pure ASCII needs no
// conversion and passes straight through.

#include <iconv.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace orva::filedriver {

enum class Charset { Gbk, Utf8 };

// The set a CharacterSet value names (ANSI, OEM, GBK, 936, GB2312, GB18030,
// UTF-8, 65001, ignoring case); nullopt for others.
std::optional<Charset> CharsetFromName(std::string_view name);
const char* CharsetName(Charset set);

bool IsAscii(std::string_view text);
bool IsValidUtf8(std::string_view text);
// Whether text is a sequence of whole characters of the set (GBK also takes
// the four-byte forms of GB18030).
bool IsValidIn(Charset set, std::string_view text);

// Converts file text to UTF-8 and back. One converter serves one thread.
class TextCodec {
 public:
  explicit TextCodec(Charset set);
  ~TextCodec();
  TextCodec(const TextCodec&) = delete;
  TextCodec& operator=(const TextCodec&) = delete;

  Charset Set() const { return m_set; }
  // File bytes to UTF-8 in out; false when they hold a byte sequence that is
  // invalid in the set.
  bool ToUtf8(std::string_view bytes, std::string& out);
  // UTF-8 to file bytes in out; false when a character has no form in the set
  // (or the text is not UTF-8).
  bool FromUtf8(std::string_view text, std::string& out);

 private:
  bool Run(iconv_t cd, std::string_view in, std::string& out);
  Charset m_set;
  iconv_t m_toUtf8 = reinterpret_cast<iconv_t>(-1);
  iconv_t m_fromUtf8 = reinterpret_cast<iconv_t>(-1);
};

}  // namespace orva::filedriver
