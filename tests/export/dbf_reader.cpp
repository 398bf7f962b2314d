#include "dbf_reader.h"

#include <fstream>
#include <iterator>

namespace orva::test {
namespace {
unsigned LE16(const std::vector<std::uint8_t>& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }
std::uint32_t LE32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return LE16(b, at) | (static_cast<std::uint32_t>(LE16(b, at + 2)) << 16);
}
}  // namespace

std::string DbfTable::Cell(std::size_t record, std::size_t field) const {
  const DbfField& f = fields.at(field);
  return records.at(record).substr(static_cast<std::size_t>(f.offset), static_cast<std::size_t>(f.width));
}

std::string DbfTable::Text(std::size_t record, std::size_t field) const {
  std::string cell = Cell(record, field);
  while (!cell.empty() && cell.back() == '\0') cell.pop_back();
  return cell;
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool ParseDbf(const std::vector<std::uint8_t>& bytes, DbfTable& table, std::string& reason) {
  table = DbfTable{};
  if (bytes.size() < 33) return reason = "shorter than a header", false;
  table.version = bytes[0];
  table.year = bytes[1];
  table.month = bytes[2];
  table.day = bytes[3];
  table.recordCount = LE32(bytes, 4);
  table.headerLength = static_cast<int>(LE16(bytes, 8));
  table.recordLength = static_cast<int>(LE16(bytes, 10));
  table.reserved.assign(bytes.begin() + 12, bytes.begin() + 32);
  if ((table.headerLength - 33) % 32 != 0) return reason = "header length is not 32 n + 33", false;
  const std::size_t fieldCount = static_cast<std::size_t>(table.headerLength - 33) / 32;
  if (bytes.size() < static_cast<std::size_t>(table.headerLength)) return reason = "descriptors cut short", false;

  int expectedOffset = 1;
  for (std::size_t i = 0; i < fieldCount; ++i) {
    const std::size_t at = 32 + 32 * i;
    DbfField f;
    f.raw.assign(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at + 32));
    for (std::size_t k = 0; k < 11 && bytes[at + k] != 0; ++k) f.name += static_cast<char>(bytes[at + k]);
    f.type = static_cast<char>(bytes[at + 11]);
    f.offset = static_cast<int>(LE16(bytes, at + 12));
    if (f.type == 'N') {
      f.width = bytes[at + 16];
      f.decimals = bytes[at + 17];
    } else {
      f.width = static_cast<int>(LE16(bytes, at + 16));
    }
    if (f.offset != expectedOffset) return reason = "field " + std::to_string(i) + " at an unexpected offset", false;
    expectedOffset += f.width;
    table.fields.push_back(f);
  }
  if (expectedOffset != table.recordLength) return reason = "record length is not 1 + the widths", false;
  table.headerEndMarked = bytes[static_cast<std::size_t>(table.headerLength) - 1] == 0x0D;

  std::size_t at = static_cast<std::size_t>(table.headerLength);
  const std::size_t length = static_cast<std::size_t>(table.recordLength);
  while (bytes.size() - at >= length) {
    table.records.emplace_back(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at + length));
    at += length;
  }
  table.trailingBytes = bytes.size() - at;
  return true;
}

}  // namespace orva::test
