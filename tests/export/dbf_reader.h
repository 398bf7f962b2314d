#pragma once
// A small dBase III reader for the tests, written from the file layout alone
// (byte offsets of header, descriptors and records), so that what the writer
// produced is checked by code that shares nothing with it.

#include <cstdint>
#include <string>
#include <vector>

namespace orva::test {

struct DbfField {
  std::string name;  // bytes before the first zero of the 11-byte name
  char type = 0;
  int offset = 0;
  int width = 0;     // byte 16, plus byte 17 as the high byte for non-numeric fields
  int decimals = 0;  // byte 17 of numeric fields
  std::vector<std::uint8_t> raw;  // the 32 descriptor bytes
};

struct DbfTable {
  int version = 0;
  int year = 0, month = 0, day = 0;  // year modulo 100
  std::uint32_t recordCount = 0;
  int headerLength = 0;
  int recordLength = 0;
  std::vector<std::uint8_t> reserved;  // header bytes 12..31
  std::vector<DbfField> fields;
  bool headerEndMarked = false;        // 0x0D after the descriptors
  std::vector<std::string> records;    // each exactly recordLength bytes
  std::size_t trailingBytes = 0;       // bytes after the last whole record

  // Raw bytes of a field in a record.
  std::string Cell(std::size_t record, std::size_t field) const;
  // The same with trailing zero bytes removed.
  std::string Text(std::size_t record, std::size_t field) const;
};

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

// Parses the bytes; false (with a reason) when they are not a well-formed
// table.
bool ParseDbf(const std::vector<std::uint8_t>& bytes, DbfTable& table, std::string& reason);

}  // namespace orva::test
