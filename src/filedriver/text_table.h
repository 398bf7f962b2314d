#pragma once
// Delimited and fixed-length text files as tables.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "file_table.h"
#include "schema_ini.h"

namespace orva::filedriver {

// One record of a text file as read: its fields (unquoted, still in the
// file's character set), the bytes it takes in the file and where it starts.
struct TextRecord {
  std::vector<std::string_view> fields;
  std::vector<bool> quoted;       // the field was written in quotes
  std::string_view raw;           // the record's bytes with its line end
  std::int64_t line = 0;          // 1-based line where it starts
  bool blank = false;             // an empty line
};

// Reads the records of a text file one by one, through a buffer, so files
// of any size are read in constant memory. Views stay valid until the next
// call of Next.
class TextReader {
 public:
  // Raises DriverError when the file cannot be opened.
  TextReader(const std::string& path, const TextLayout& layout);
  ~TextReader();
  TextReader(const TextReader&) = delete;
  TextReader& operator=(const TextReader&) = delete;

  // Whether the file starts with a UTF-8 byte-order mark (skipped).
  bool HasBom() const { return m_bom; }
  const FileStamp& Stamp() const { return m_stamp; }
  // Raises DriverError naming the file and line for an unterminated quote or
  // a file that changes while it is read.
  bool Next(TextRecord& record);

 private:
  enum class Parse { Done, NeedMore };
  Parse ParseDelimited(TextRecord& record, bool eof);
  Parse ParseFixed(TextRecord& record, bool eof);
  bool Refill();  // false at the end of the file

  std::string m_path;
  const TextLayout& m_layout;
  int m_fd = -1;
  FileStamp m_stamp;
  std::string m_buf;
  std::size_t m_start = 0, m_end = 0;
  bool m_eof = false;
  bool m_bom = false;
  std::int64_t m_line = 1;
  std::string m_arena;  // unescaped quoted fields
  struct Span {
    bool inArena;
    std::size_t offset, length;
  };
  std::vector<Span> m_spans;
};

class TextTable : public FileTable {
 public:
  // Describes the file from its schema.ini section (or guesses); problems are
  // kept for when the table is read.
  TextTable(std::string path, const IniSection* section, const std::string& iniPath);

  std::unique_ptr<RecordCursor> Open() override;
  std::string WriteChanged(const ChangeSet& changes) override;
  // Removes the file and its schema.ini section.
  void Remove() override;
  const TextLayout& Layout() const { return m_layout; }

  // Writes a new, empty text file (a header line when the layout has one)
  // and its schema.ini section. Raises DriverError.
  static void Create(const std::string& path, const TextLayout& layout);

 private:
  void Describe();
  TextLayout m_layout;
  bool m_bom = false;
};

// A date or date and time as "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS"; format
// is a DateTimeFormat (yyyy, yy, m, mm, d, dd, h, hh, n, nn, s, ss), or
// empty for the usual forms with "-" or "/".
std::optional<std::string> ParseDateText(std::string_view text, const std::string& format);
// An ISO date or date and time written in a DateTimeFormat; nullopt when iso
// is no date.
std::optional<std::string> FormatDateText(std::string_view iso, const std::string& format);

}  // namespace orva::filedriver
