#pragma once
// What every file table offers the SQL layer: its columns, a cursor over its
// records, and rewriting the file with a set of changes.

#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "odbcengine/driver_types.h"

namespace orva::filedriver {

using odbcengine::DriverError;
using odbcengine::Value;

enum class ColumnKind { Text, Integer, Float, Decimal, Date, DateTime, Logical, Memo };

struct FileColumn {
  std::string name;  // UTF-8
  ColumnKind kind = ColumnKind::Text;
  int width = 255;   // text width; dBase field width
  int decimals = 0;  // dBase numeric decimals
  char dbfType = 0;  // dBase field type letter
  // The SQL type the column is declared with ("varchar(255)", "integer", ...).
  std::string DeclaredType() const;
};

// Errors about a file: "文件“name”第 12 行：..." (the record number for
// dBase files), with SQLSTATE HY000.
DriverError FileError(const std::string& path, const std::string& what);
DriverError FileLineError(const std::string& path, std::int64_t line, const std::string& what);
DriverError FileRecordError(const std::string& path, std::int64_t record, const std::string& what);
// The last part of a path.
std::string BaseName(const std::string& path);

// Size, modification time and identity of a file, to tell whether it
// changed between two looks.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = -1;
  std::int64_t mtimeNs = 0;
  static FileStamp Of(int fd);
  static FileStamp OfPath(const std::string& path);
  bool operator==(const FileStamp&) const = default;
};

class RecordCursor {
 public:
  virtual ~RecordCursor() = default;
  // Moves to the next record; false at the end. Raises DriverError.
  virtual bool Next() = 0;
  // The record's number in the file (stable while the file is unchanged).
  virtual std::int64_t RowId() const = 0;
  // Hands column i of the current record to SQLite. Raises DriverError.
  virtual void Column(int i, sqlite3_context* ctx) = 0;
};

// Changes made by one statement: records replaced (values) or deleted
// (nullopt), by record number, and records added at the end.
struct ChangeSet {
  std::map<std::int64_t, std::optional<std::vector<Value>>> changed;
  std::vector<std::vector<Value>> inserted;
  bool Empty() const { return changed.empty() && inserted.empty(); }
};

class FileTable {
 public:
  virtual ~FileTable() = default;

  const std::string& Path() const { return m_path; }
  const std::vector<FileColumn>& Columns() const { return m_columns; }
  // A problem found while describing the file, raised whenever it is read.
  const std::optional<DriverError>& Problem() const { return m_problem; }

  // A cursor from the first record. Raises DriverError.
  virtual std::unique_ptr<RecordCursor> Open() = 0;
  virtual bool IsReadOnly() const { return false; }
  // Writes the file's new content, with the changes applied and every other
  // record kept byte for byte, to a temporary file beside it, flushed to
  // disk; returns its path. Raises DriverError and then leaves nothing behind.
  virtual std::string WriteChanged(const ChangeSet& changes) = 0;
  // Removes the file (DROP TABLE). Raises DriverError.
  virtual void Remove();

  // The state of the file when it was last opened for reading, so a rewrite
  // can tell that the record numbers it was given still hold.
  FileStamp LastRead() const { return m_lastRead; }

 protected:
  std::string m_path;
  std::vector<FileColumn> m_columns;
  std::optional<DriverError> m_problem;
  FileStamp m_lastRead;
};

// A new file written beside a target and put in its place in one rename.
class AtomicFile {
 public:
  // Creates the temporary file in the target's folder. Raises DriverError.
  explicit AtomicFile(const std::string& target);
  ~AtomicFile();  // removes the temporary file unless Finish handed it over
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void Write(std::string_view bytes);  // buffered; raises DriverError
  // Flushes, syncs and closes; returns the temporary path, which the caller
  // now owns. Raises DriverError.
  std::string Finish();

 private:
  void Flush();
  std::string m_target;
  std::string m_temp;
  int m_fd = -1;
  std::string m_buffer;
};

// Puts a finished temporary file in the target's place (rename, then sync
// of the folder). Raises DriverError; the target is then unchanged.
void ReplaceFile(const std::string& temp, const std::string& target);
// Whether a file name is one of the driver's temporary files.
bool IsTemporaryName(const std::string& name);

}  // namespace orva::filedriver
