#include "export/delimitedtext.h"

#include <algorithm>
#include <cstring>

#include "platform/codec.h"

namespace orva {

DelimitedTextBuffer::DelimitedTextBuffer(char delimiter) : m_delimiter(delimiter) {
  for (char c : {delimiter, '"', '\r', '\n'}) m_special[static_cast<unsigned char>(c)] = true;
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
  char* out = m_data.get() + m_size;
  unsigned char seen = 0;
  for (int k = 0; k < count; ++k) {
    if (k) *out++ = m_delimiter;
    const std::string_view value = values[k];
    bool quote = false;
    for (unsigned char c : value) {
      seen |= c;
      quote |= m_special[c];
    }
    if (!quote) {
      std::memcpy(out, value.data(), value.size());
      out += value.size();
      continue;
    }
    *out++ = '"';
    for (char c : value) {
      if (c == '"') *out++ = '"';
      *out++ = c;
    }
    *out++ = '"';
  }
  *out++ = '\r';
  *out++ = '\n';
  m_size = static_cast<std::size_t>(out - m_data.get());
  m_nonAscii |= (seen & 0x80) != 0;
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
