#include "export/dbfwriter.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "export/dbffields.h"
#include "export/safefile.h"
#include "export/wordcopy.h"
#include "platform/codec.h"

namespace orva {
namespace {

constexpr std::uint8_t kVersion = 3;
constexpr std::uint8_t kHeaderEnd = 0x0D;
constexpr std::uint8_t kRecordNotDeleted = ' ';
constexpr int kMaxLength16 = 0xFFFF;
// Records collected before they are passed to the file together.
constexpr std::size_t kBatchBytes = 256 << 10;
// Bytes after a record that clearing its last field a word at a time may
// reach.
constexpr std::size_t kSpillRoom = 16;

void PutLE16(std::uint8_t* at, unsigned value) {
  at[0] = static_cast<std::uint8_t>(value & 0xFF);
  at[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

void PutLE32(std::uint8_t* at, std::uint32_t value) {
  PutLE16(at, value & 0xFFFF);
  PutLE16(at + 2, value >> 16);
}

}  // namespace

CDbfWriter::CDbfWriter() = default;

CDbfWriter::~CDbfWriter() { Close(); }

void CDbfWriter::Init(std::uint32_t recordCount, int fieldCount) {
  m_header.fill(0);
  m_header[0] = kVersion;
  std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  m_header[1] = static_cast<std::uint8_t>(utc.tm_year % 100);
  m_header[2] = static_cast<std::uint8_t>(utc.tm_mon + 1);
  m_header[3] = static_cast<std::uint8_t>(utc.tm_mday);
  PutLE32(&m_header[4], recordCount);
  m_announcedRecords = recordCount;
  m_writtenRecords = 0;
  m_names.clear();
  m_nextSuffix.clear();

  m_descriptors.clear();
  if (fieldCount > 0) m_descriptors.assign(static_cast<std::size_t>(fieldCount), Descriptor{});
  m_layout.clear();
  m_record.clear();
  m_recordLength = 0;
}

int CDbfWriter::FieldWidth(const Descriptor& descriptor) {
  if (descriptor[11] == 'N') return descriptor[16];
  return descriptor[16] | (descriptor[17] << 8);
}

int CDbfWriter::FieldOffset(const Descriptor& descriptor) { return descriptor[12] | (descriptor[13] << 8); }

std::string CDbfWriter::NameOf(const Descriptor& descriptor) {
  const char* name = reinterpret_cast<const char*>(descriptor.data());
  return std::string(name, strnlen(name, kMaxNameBytes + 1));
}

// Readers look fields up by name, so two fields never share one: a clash
// (usually two long names cut to the same ten bytes) gets a "_n" suffix.
std::string CDbfWriter::UniqueName(std::string name) {
  if (name.empty() || !m_names.contains(name)) return name;
  int& next = m_nextSuffix[name];
  for (int n = std::max(next, 1);; ++n) {
    std::string suffix = "_" + std::to_string(n);
    std::string candidate(CutAtCharBoundary(name, kMaxNameBytes - suffix.size()));
    candidate += suffix;
    if (!m_names.contains(candidate)) {
      next = n + 1;
      return candidate;
    }
  }
}

void CDbfWriter::DefineField(int index, std::string_view name, char type, std::uint16_t width) {
  if (index < 0 || index >= FieldCount()) return;
  Descriptor& descriptor = m_descriptors[static_cast<std::size_t>(index)];
  m_names.erase(NameOf(descriptor));  // a redefined field gives up its old name
  descriptor.fill(0);
  name = name.substr(0, name.find('\0'));
  std::string stored = UniqueName(std::string(CutAtCharBoundary(ToUpperGbk(name), kMaxNameBytes)));
  if (!stored.empty()) m_names.insert(stored);
  std::memcpy(descriptor.data(), stored.data(), stored.size());
  descriptor[11] = static_cast<std::uint8_t>(type);
  PutLE16(&descriptor[16], width);
}

void CDbfWriter::Fail(std::string text) { m_errorText = std::move(text); }

void CDbfWriter::Attach(SafeFileOutput& output) {
  Attach(output.Stream());
  m_output = &output;
}

void CDbfWriter::Attach(std::FILE* file) {
  Close();
  m_file = file;
  m_output = nullptr;
  m_ownsFile = false;
}

bool CDbfWriter::Open(const std::string& path) {
  Close();
  m_file = std::fopen(path.c_str(), "wb");
  m_output = nullptr;
  m_ownsFile = true;
  if (m_file) return true;
  Fail(GbkFromUtf8("无法打开本地文件：") + GbkFromUtf8(path));
  return false;
}

bool CDbfWriter::WriteHeader() {
  if (m_descriptors.empty()) {
    Fail(GbkFromUtf8("还没有设置字段"));
    return false;
  }
  if (!m_file) return false;

  long recordLength = 1;
  for (const Descriptor& descriptor : m_descriptors) recordLength += FieldWidth(descriptor);
  long headerLength = static_cast<long>(kDescriptorSize) * FieldCount() + kHeaderSize + 1;
  if (recordLength > kMaxLength16 || headerLength > kMaxLength16) {
    Fail(GbkFromUtf8("字段太多或字段总宽度太大，超出了DBF文件的限制"));
    return false;
  }

  int offset = 1;
  m_layout.clear();
  for (Descriptor& descriptor : m_descriptors) {
    PutLE16(&descriptor[12], static_cast<unsigned>(offset));
    const auto width = static_cast<std::size_t>(FieldWidth(descriptor));
    const auto type = static_cast<char>(descriptor[11]);
    m_layout.push_back({static_cast<std::size_t>(offset), width, type, descriptor[17], type == 'C' && width <= 16});
    offset += FieldWidth(descriptor);
  }
  PutLE16(&m_header[8], static_cast<unsigned>(headerLength));
  PutLE16(&m_header[10], static_cast<unsigned>(recordLength));
  m_recordLength = static_cast<int>(recordLength);
  m_record.assign(static_cast<std::size_t>(recordLength) + 1, 0);
  for (auto& batch : m_batches)
    batch.resize(std::max(kBatchBytes, static_cast<std::size_t>(recordLength) + kSpillRoom));
  m_batchSize = 0;
  m_batchFailed = false;

  bool ok = std::fwrite(m_header.data(), 1, m_header.size(), m_file) == m_header.size();
  for (const Descriptor& descriptor : m_descriptors)
    ok = ok && std::fwrite(descriptor.data(), 1, descriptor.size(), m_file) == descriptor.size();
  ok = ok && std::fputc(kHeaderEnd, m_file) != EOF;
  return std::fflush(m_file) == 0 && ok;
}

// Unused bytes are zero, so a value shorter than its field is followed by
// its terminating zero; a value that fills the field has none.
bool CDbfWriter::PutField(const FieldLayout& layout, std::uint8_t* record, std::string_view value) {
  const std::size_t width = layout.width;
  std::uint8_t* field = record + layout.offset;
  auto put = [&](const char* bytes, std::size_t size) {
    size = std::min(size, width);
    std::memcpy(field, bytes, size);
    std::memset(field + size, 0, width - size);
  };
  switch (layout.type) {
    case 'C': {
      if (value.size() <= width) return put(value.data(), value.size()), true;
      std::string_view cut = CutAtCharBoundary(value, width);
      put(cut.data(), cut.size());
      return false;
    }
    case 'D':
      if (std::optional<DbfDate> date = ReadDbfDate(value)) {
        std::string digits = FormatDbfDate(*date);
        if (!digits.empty() && digits.size() <= width) return put(digits.data(), digits.size()), true;
      }
      put("", 0);
      return true;
    case 'N': {
      char printed[kDbfNumberRoom];
      const std::size_t size = PrintDbfNumberText(value, layout.decimals, printed);
      // dBase readers take a field full of asterisks as a number too large
      // for its width.
      if (size == 0 || size > width) {
        std::memset(field, '*', width);
        return false;
      }
      put(printed, size);
      return true;
    }
    default:
      put("", 0);
      return true;
  }
}

bool CDbfWriter::SetFieldValue(int index, const char* text, std::size_t length) {
  if (index < 0 || index >= static_cast<int>(m_layout.size()) || m_record.empty()) return true;
  // The layout written in the header; a field redefined since then keeps it.
  return PutField(m_layout[static_cast<std::size_t>(index)], m_record.data(),
                  std::string_view(text ? text : "", text ? length : 0));
}

bool CDbfWriter::FlushBatch() {
  const std::vector<std::uint8_t>& batch = m_batches[m_filling];
  if (m_batchSize > 0 && !m_batchFailed && m_output) {
    m_batchFailed = !m_output->WriteBehind(batch.data(), m_batchSize);
    m_filling ^= 1;  // written by now: WriteBehind waited for it
  } else if (m_batchSize > 0 && !m_batchFailed && m_file) {
    m_batchFailed = std::fwrite(batch.data(), 1, m_batchSize, m_file) != m_batchSize;
  }
  m_batchSize = 0;
  return !m_batchFailed;
}

bool CDbfWriter::WriteRecord() {
  if (!m_file || m_record.empty()) return false;
  m_record[0] = kRecordNotDeleted;
  const auto length = static_cast<std::size_t>(m_recordLength);
  if (m_batchSize + length > m_batches[m_filling].size() && !FlushBatch()) return false;
  std::memcpy(m_batches[m_filling].data() + m_batchSize, m_record.data(), length);
  m_batchSize += length;
  ++m_writtenRecords;
  return !m_batchFailed;
}

bool CDbfWriter::WriteRecord(const std::string_view* values, int count, std::int64_t& overflows) {
  if (!m_file || m_record.empty()) return false;
  const auto length = static_cast<std::size_t>(m_recordLength);
  if (m_batchSize + length + kSpillRoom > m_batches[m_filling].size() && !FlushBatch()) return false;
  std::uint8_t* record = m_batches[m_filling].data() + m_batchSize;
  record[0] = kRecordNotDeleted;
  const std::size_t given = std::min(static_cast<std::size_t>(std::max(count, 0)), m_layout.size());
  for (std::size_t k = 0; k < given; ++k) {
    const FieldLayout& layout = m_layout[k];
    const std::string_view value = values[k];
    if (layout.shortText && value.size() <= layout.width) {
      // The fields are filled in order and the record is followed by room:
      // clearing two whole words may reach into the next field, which is
      // written after this one.
      char* field = reinterpret_cast<char*>(record + layout.offset);
      wordcopy::Store64(field, 0);
      wordcopy::Store64(field + 8, 0);
      wordcopy::CopyShort(value.data(), value.size(), field);
    } else if (!PutField(layout, record, value)) {
      ++overflows;
    }
  }
  for (std::size_t k = given; k < m_layout.size(); ++k) std::memset(record + m_layout[k].offset, 0, m_layout[k].width);
  m_batchSize += length;
  ++m_writtenRecords;
  return !m_batchFailed;
}

bool CDbfWriter::Close() {
  if (!m_file) return true;
  bool ok = FlushBatch();
  if (m_output) ok = m_output->Drain() && ok;
  if (!m_record.empty() && m_writtenRecords != m_announcedRecords) {
    std::uint8_t count[4];
    PutLE32(count, m_writtenRecords);
    PutLE32(&m_header[4], m_writtenRecords);
    m_announcedRecords = m_writtenRecords;
    ok = std::fseek(m_file, 4, SEEK_SET) == 0 && std::fwrite(count, 1, 4, m_file) == 4 &&
         std::fseek(m_file, 0, SEEK_END) == 0 && ok;
  }
  ok = (m_ownsFile ? std::fclose(m_file) == 0 : std::fflush(m_file) == 0) && ok;
  m_file = nullptr;
  m_output = nullptr;
  m_batchFailed = false;
  m_ownsFile = true;
  return ok;
}

}  // namespace orva
