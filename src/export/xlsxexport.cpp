#include "export/xlsxexport.h"

#include <xlsxwriter.h>

#include <QString>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <cstdio>
#include <cmath>
#include <optional>

#include "platform/codec.h"
#include "platform/qtext.h"

namespace orva {
namespace {

constexpr std::uint32_t kMaxSheetRows = 1048576;
constexpr std::size_t kMaxCellChars = 32767;
// Digits a double holds exactly; longer integers (keys, bigint ids) stay text
// so that no digit is lost.
constexpr int kExactDigits = 15;

std::optional<double> ReadNumber(std::string_view text) {
  std::size_t start = text.front() == '+' ? 1 : 0;
  double value = 0;
  auto [end, ec] = std::from_chars(text.data() + start, text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  int digits = 0;
  for (char c : text) {
    if (c == 'e' || c == 'E') break;
    digits += c >= '0' && c <= '9';
  }
  if (digits > kExactDigits) return std::nullopt;
  return value;
}

// Reads "d+" at `at`, at most `maxDigits` digits.
bool ReadInt(std::string_view text, std::size_t& at, std::size_t maxDigits, int& value) {
  std::size_t begin = at;
  value = 0;
  while (at < text.size() && at - begin < maxDigits && text[at] >= '0' && text[at] <= '9')
    value = value * 10 + (text[at++] - '0');
  return at > begin;
}

bool Expect(std::string_view text, std::size_t& at, char c) {
  if (at >= text.size() || text[at] != c) return false;
  ++at;
  return true;
}

// "hh:mm:ss[.fff]" from `at` to the end.
bool ReadTime(std::string_view text, std::size_t at, lxw_datetime& out) {
  int seconds = 0;
  if (!ReadInt(text, at, 2, out.hour) || !Expect(text, at, ':') || !ReadInt(text, at, 2, out.min) ||
      !Expect(text, at, ':') || !ReadInt(text, at, 2, seconds))
    return false;
  out.sec = seconds;
  if (at < text.size() && text[at] == '.') {
    double fraction = 0, scale = 0.1;
    for (++at; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, scale /= 10)
      fraction += (text[at] - '0') * scale;
    out.sec += fraction;
  }
  return at == text.size() && out.hour < 24 && out.min < 60 && out.sec < 60;
}

// "YYYY-MM-DD", optionally followed by " hh:mm:ss[.fff]".
bool ReadDate(std::string_view text, lxw_datetime& out, bool withTime) {
  std::size_t at = 0;
  if (!ReadInt(text, at, 4, out.year) || !Expect(text, at, '-') || !ReadInt(text, at, 2, out.month) ||
      !Expect(text, at, '-') || !ReadInt(text, at, 2, out.day))
    return false;
  if (out.year < 1900 || out.month < 1 || out.month > 12 || out.day < 1 || out.day > 31) return false;
  if (at == text.size()) return true;
  return withTime && Expect(text, at, ' ') && ReadTime(text, at, out);
}

// A zip archive without comment ends with the 22-byte end-of-central-
// directory record.
bool EndsLikeAZip(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  unsigned char tail[22];
  bool ok = std::fseek(file, -22, SEEK_END) == 0 && std::fread(tail, 1, sizeof tail, file) == sizeof tail &&
            tail[0] == 'P' && tail[1] == 'K' && tail[2] == 5 && tail[3] == 6;
  std::fclose(file);
  return ok;
}

}  // namespace

XlsxKind XlsxKindForSqlType(int sqlType) {
  switch (sqlType) {
    case -7: case -6: case -5: case 2: case 3: case 4: case 5: case 6: case 7: case 8:
      return XlsxKind::Number;
    case 9: case 91:
      return XlsxKind::Date;
    case 11: case 93:
      return XlsxKind::DateTime;
    case 10: case 92:
      return XlsxKind::Time;
    default:
      return XlsxKind::Text;
  }
}

XlsxWriter::~XlsxWriter() { Abandon(); }

void XlsxWriter::Check(int error) {
  if (error != LXW_NO_ERROR && m_error == 0) {
    m_error = error;
    m_errorText = lxw_strerror(static_cast<lxw_error>(error));
  }
}

bool XlsxWriter::Open(const std::string& path, std::vector<std::string> headings, std::vector<XlsxKind> kinds) {
  Abandon();
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  options.use_zip64 = LXW_TRUE;
  m_path = path;
  m_book = workbook_new_opt(path.c_str(), &options);
  if (!m_book) {
    m_errorText = "cannot create the workbook";
    return false;
  }
  m_bold = workbook_add_format(m_book);
  format_set_bold(m_bold);
  m_dateFormat = workbook_add_format(m_book);
  format_set_num_format(m_dateFormat, "yyyy-mm-dd");
  m_dateTimeFormat = workbook_add_format(m_book);
  format_set_num_format(m_dateTimeFormat, "yyyy-mm-dd hh:mm:ss");
  m_timeFormat = workbook_add_format(m_book);
  format_set_num_format(m_timeFormat, "hh:mm:ss");
  m_headings.clear();
  for (const std::string& heading : headings) m_headings.push_back(Utf8FromGbk(heading));
  m_kinds = std::move(kinds);
  m_kinds.resize(m_headings.size(), XlsxKind::Text);
  m_sheets = 0;
  m_overflows = 0;
  return StartSheet();
}

// Rows of a sheet go to a temporary file of the library, which does not
// check its writes: a full disk would silently cut the sheet short.
void XlsxWriter::FlushSheet() {
  if (!m_sheet || !m_sheet->optimize_tmpfile || m_error) return;
  std::FILE* rows = m_sheet->optimize_tmpfile;
  errno = 0;
  if (std::fflush(rows) != 0 || std::ferror(rows)) {
    m_error = LXW_ERROR_CREATING_TMPFILE;
    char buffer[256];
    m_errorText = GbkFromQString(QString::fromLocal8Bit(strerror_r(errno ? errno : EIO, buffer, sizeof buffer)));
  }
}

bool XlsxWriter::StartSheet() {
  FlushSheet();
  std::string name = "Sheet" + std::to_string(++m_sheets);
  m_sheet = workbook_add_worksheet(m_book, name.c_str());
  if (!m_sheet) {
    Check(LXW_ERROR_MEMORY_MALLOC_FAILED);
    return false;
  }
  for (std::size_t c = 0; c < m_headings.size(); ++c) {
    lxw_col_t col = static_cast<lxw_col_t>(c);
    if (m_kinds[c] == XlsxKind::DateTime) worksheet_set_column(m_sheet, col, col, 19, nullptr);
    else if (m_kinds[c] == XlsxKind::Date) worksheet_set_column(m_sheet, col, col, 11, nullptr);
  }
  for (std::size_t c = 0; c < m_headings.size(); ++c)
    Check(worksheet_write_string(m_sheet, 0, static_cast<lxw_col_t>(c), m_headings[c].c_str(), m_bold));
  m_row = 1;
  return m_error == 0;
}

void XlsxWriter::WriteCell(int col, std::string_view gbk) {
  if (!m_sheet || gbk.empty() || col < 0) return;
  const XlsxKind kind = static_cast<std::size_t>(col) < m_kinds.size() ? m_kinds[col] : XlsxKind::Text;
  const lxw_col_t c = static_cast<lxw_col_t>(col);
  switch (kind) {
    case XlsxKind::Number:
      if (std::optional<double> value = ReadNumber(gbk)) {
        Check(worksheet_write_number(m_sheet, m_row, c, *value, nullptr));
        return;
      }
      break;
    case XlsxKind::Date:
    case XlsxKind::DateTime: {
      lxw_datetime when{};
      if (ReadDate(gbk, when, kind == XlsxKind::DateTime)) {
        Check(worksheet_write_datetime(m_sheet, m_row, c, &when,
                                       kind == XlsxKind::Date ? m_dateFormat : m_dateTimeFormat));
        return;
      }
      break;
    }
    case XlsxKind::Time: {
      lxw_datetime when{};
      if (ReadTime(gbk, 0, when)) {
        Check(worksheet_write_datetime(m_sheet, m_row, c, &when, m_timeFormat));
        return;
      }
      break;
    }
    case XlsxKind::Text:
      break;
  }
  std::string utf8 = Utf8FromGbk(gbk);
  if (CharCount(gbk) > kMaxCellChars) {
    // Cut at a character boundary of the UTF-8 text.
    std::size_t chars = 0, at = 0;
    while (at < utf8.size() && chars < kMaxCellChars) {
      unsigned char lead = static_cast<unsigned char>(utf8[at]);
      at += lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      ++chars;
    }
    utf8.resize(std::min(at, utf8.size()));
    ++m_overflows;
  }
  Check(worksheet_write_string(m_sheet, m_row, c, utf8.c_str(), nullptr));
}

void XlsxWriter::EndRow() {
  if (!m_sheet) return;
  if (++m_row >= kMaxSheetRows) StartSheet();
}

bool XlsxWriter::Close() {
  if (!m_book) return false;
  FlushSheet();
  int error = workbook_close(m_book);
  m_book = nullptr;
  m_sheet = nullptr;
  Check(error);
  if (m_error == 0 && !EndsLikeAZip(m_path)) {
    // The library does not see every failed write (a full disk): a file
    // that was cut short has no end-of-archive record.
    m_error = LXW_ERROR_ZIP_FILE_OPERATION;
    m_errorText = GbkFromUtf8("工作簿文件没有完整写入，磁盘可能已满");
  }
  return m_error == 0;
}

void XlsxWriter::Abandon() {
  if (!m_book) return;
  lxw_workbook_free(m_book);
  m_book = nullptr;
  m_sheet = nullptr;
}

}  // namespace orva
