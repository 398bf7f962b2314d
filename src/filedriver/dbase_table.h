#pragma once
// dBase III table files (.dbf) as tables: fields C, N, F, D, L and M (memo
// fields read as empty text), GBK text, deleted records skipped.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "file_table.h"

namespace orva::filedriver {

class DbaseTable : public FileTable {
 public:
  // Reads and checks the header; problems are kept for when the table is read.
  explicit DbaseTable(std::string path);

  std::unique_ptr<RecordCursor> Open() override;
  // Replaced records are rewritten in place of the old ones, deleted ones are
  // marked deleted, new ones appended; the header's record count and date
  // follow.
  std::string WriteChanged(const ChangeSet& changes) override;

  // Writes a new table file without records. Column kinds become C (text,
  // width as given, at most 254), N (integer 18,0 and decimal w,d), F
  // (float 20,6), D (date and date-time) and L (logical). Raises DriverError.
  static void Create(const std::string& path, const std::vector<FileColumn>& columns);

  std::uint32_t RecordCount() const { return m_records; }
  std::uint16_t HeaderLength() const { return m_headerLength; }
  std::uint16_t RecordLength() const { return m_recordLength; }

 private:
  void Describe();
  // Reads the header again when the file changed since it was last read (by
  // a rewrite, or by another program); raises DriverError when its fields
  // are no longer the ones the table was opened with.
  void Refresh();
  FileStamp m_described;
  // The record bytes for values (the deletion flag included). Raises DriverError.
  std::string EncodeRecord(const std::vector<Value>& values) const;

  std::string m_header;  // header and descriptors as in the file
  std::uint32_t m_records = 0;
  std::uint16_t m_headerLength = 0;
  std::uint16_t m_recordLength = 0;
  std::vector<std::uint16_t> m_offsets;  // of each field inside a record
};

}  // namespace orva::filedriver
