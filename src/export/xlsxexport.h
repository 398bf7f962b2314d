#pragma once
// Writes rows of GBK text into an Excel workbook (.xlsx): numbers as numbers,
// dates and times as dates with a date format, everything else as text, the
// heading row bold. A sheet holds at most 1,048,576 rows; longer results go
// on to further sheets, each with its own heading row.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace orva {

enum class XlsxKind { Text, Number, Date, DateTime, Time };

// How a column of an ODBC SQL type is written.
XlsxKind XlsxKindForSqlType(int sqlType);

class XlsxWriter {
 public:
  XlsxWriter() = default;
  ~XlsxWriter();
  XlsxWriter(const XlsxWriter&) = delete;
  XlsxWriter& operator=(const XlsxWriter&) = delete;

  // Starts a workbook to be written to `path` by Close.
  bool Open(const std::string& path, std::vector<std::string> headings, std::vector<XlsxKind> kinds);
  // Writes a cell of the current data row; an empty text leaves the cell
  // blank, a text that does not read as its column's kind is written as text.
  void WriteCell(int col, std::string_view gbk);
  void EndRow();
  // Writes the file; false with ErrorText (GBK) on failure.
  bool Close();
  // Drops the workbook without writing the file.
  void Abandon();

  const std::string& ErrorText() const { return m_errorText; }
  // Texts cut to the 32,767 characters a cell can hold.
  std::int64_t Overflows() const { return m_overflows; }

 private:
  bool StartSheet();
  void FlushSheet();
  void Check(int error);

  std::string m_path;
  lxw_workbook* m_book = nullptr;
  lxw_worksheet* m_sheet = nullptr;
  lxw_format* m_bold = nullptr;
  lxw_format* m_dateFormat = nullptr;
  lxw_format* m_dateTimeFormat = nullptr;
  lxw_format* m_timeFormat = nullptr;
  std::vector<std::string> m_headings;  // UTF-8
  std::vector<XlsxKind> m_kinds;
  std::uint32_t m_row = 0;
  int m_sheets = 0;
  std::int64_t m_overflows = 0;
  int m_error = 0;
  std::string m_errorText;
};

}  // namespace orva
