#pragma once
// Delimited text as the result saver writes it: values separated by one
// delimiter byte, rows ended by CR LF, in a chosen encoding.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace orva {

// Encodings a text file can be saved in. The numbers are remembered in the
// settings.
enum class ExportEncoding { Gbk = 0, Gb18030 = 1, Utf8Bom = 2 };

struct TextSaveOptions {
  bool header = true;
  char delimiter = '\t';
  ExportEncoding encoding = ExportEncoding::Gbk;
};

// Rows of delimited text collected for writing, built with as little work
// per value as a large save needs.
class DelimitedTextBuffer {
 public:
  explicit DelimitedTextBuffer(char delimiter);

  // The values separated by the delimiter, then CR LF. A value holding the
  // delimiter, a double quote, CR or LF is enclosed in double quotes with its
  // quotes doubled, so that it reads back as one value; any other value is
  // written byte for byte.
  void AppendRow(const std::string_view* values, int count);
  void AppendBytes(std::string_view bytes);

  std::string_view View() const { return {m_data.get(), m_size}; }
  std::size_t Size() const { return m_size; }
  // Whether a byte above 0x7F was appended since the last Clear.
  bool HasNonAscii() const { return m_nonAscii; }
  void Clear() {
    m_size = 0;
    m_nonAscii = false;
  }

 private:
  void Reserve(std::size_t more);

  char m_delimiter;
  std::uint64_t m_delimiterWord = 0;  // the delimiter in every byte
  // A byte that every byte needing quotes lies below, in every byte (0 when
  // there is none low enough to help).
  std::uint64_t m_limitWord = 0;
  std::unique_ptr<char[]> m_data;
  std::size_t m_size = 0;
  std::size_t m_capacity = 0;
  bool m_nonAscii = false;
};

// The bytes that start a file in the encoding (the UTF-8 byte-order mark).
std::string_view EncodingPreamble(ExportEncoding encoding);

// Converts a piece of GBK data text (whole characters) to the encoding.
// GB18030 keeps the bytes; GBK replaces each four-byte GB18030 character,
// which GBK cannot hold, by "?"; UTF-8 converts.
std::string EncodeForExport(std::string_view gbk, ExportEncoding encoding);

}  // namespace orva
