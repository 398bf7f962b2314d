#pragma once
// Delimited text as the result saver writes it: values separated by one
// delimiter byte, rows ended by CR LF, in a chosen encoding.

#include <string>
#include <string_view>

namespace orva {

// Encodings a text file can be saved in. The numbers are remembered in the
// settings.
enum class TextEncoding { Gbk = 0, Gb18030 = 1, Utf8Bom = 2 };

struct TextSaveOptions {
  bool header = true;
  char delimiter = '\t';
  TextEncoding encoding = TextEncoding::Gbk;
};

// Appends a value. A value holding the delimiter, a double quote, CR or LF
// is enclosed in double quotes with its quotes doubled, so that it reads back
// as one value; any other value is appended byte for byte.
void AppendDelimitedValue(std::string& out, std::string_view value, char delimiter);

// The bytes that start a file in the encoding (the UTF-8 byte-order mark).
std::string_view EncodingPreamble(TextEncoding encoding);

// Converts a piece of GBK data text (whole characters) to the encoding.
// GB18030 keeps the bytes; GBK replaces each four-byte GB18030 character,
// which GBK cannot hold, by "?"; UTF-8 converts.
std::string EncodeText(std::string_view gbk, TextEncoding encoding);

}  // namespace orva
