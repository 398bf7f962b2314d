#include "export/delimitedtext.h"

#include "platform/codec.h"

namespace orva {

void AppendDelimitedValue(std::string& out, std::string_view value, char delimiter) {
  bool quote = false;
  for (char c : value) {
    if (c == delimiter || c == '"' || c == '\r' || c == '\n') {
      quote = true;
      break;
    }
  }
  if (!quote) {
    out.append(value);
    return;
  }
  out += '"';
  for (char c : value) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

std::string_view EncodingPreamble(TextEncoding encoding) {
  return encoding == TextEncoding::Utf8Bom ? std::string_view("\xEF\xBB\xBF", 3) : std::string_view();
}

std::string EncodeText(std::string_view gbk, TextEncoding encoding) {
  if (encoding == TextEncoding::Gb18030 || IsAscii(gbk)) return std::string(gbk);
  if (encoding == TextEncoding::Utf8Bom) return Utf8FromGbk(gbk);
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
