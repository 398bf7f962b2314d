#include "dbase_table.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "charset.h"
#include "odbcengine/sql_text.h"
#include "value_text.h"

namespace orva::filedriver {
namespace {

std::uint16_t U16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void PutU16(char* p, std::uint16_t v) {
  p[0] = static_cast<char>(v & 0xFF);
  p[1] = static_cast<char>(v >> 8);
}
void PutU32(char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string_view TrimField(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  while (!s.empty() && (s.front() == ' ' || s.front() == '\0')) s.remove_prefix(1);
  return s;
}

bool ReadFully(int fd, char* buffer, std::size_t length, off_t at) {
  std::size_t done = 0;
  while (done < length) {
    const ssize_t n = pread(fd, buffer + done, length - done, at + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void StampToday(std::string& header) {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  header[1] = static_cast<char>(utc.tm_year % 100);
  header[2] = static_cast<char>(utc.tm_mon + 1);
  header[3] = static_cast<char>(utc.tm_mday);
}

// A file open for reading, closed when it goes out of scope.
struct ReadOnlyFile {
  explicit ReadOnlyFile(const std::string& path) : fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (fd < 0) throw FileError(path, std::string("无法打开文件：") + std::strerror(errno));
  }
  ~ReadOnlyFile() { ::close(fd); }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  int fd;
};

class DbaseCursor : public RecordCursor {
 public:
  DbaseCursor(const std::string& path, const std::vector<FileColumn>& columns, const std::vector<std::uint16_t>& offsets,
              std::uint16_t headerLength, std::uint16_t recordLength, std::uint32_t records)
      : m_path(path), m_columns(columns), m_offsets(offsets), m_headerLength(headerLength),
        m_recordLength(recordLength), m_records(records), m_codec(Charset::Gbk) {
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) throw FileError(path, std::string("无法打开文件：") + std::strerror(errno));
    m_stamp = FileStamp::Of(m_fd);
    m_perChunk = std::max<std::size_t>(1, (1 << 20) / recordLength);
  }
  ~DbaseCursor() override { ::close(m_fd); }

  const FileStamp& Stamp() const { return m_stamp; }

  bool Next() override {
    for (;;) {
      ++m_index;
      if (m_index >= static_cast<std::int64_t>(m_records)) return false;
      const std::size_t inChunk = static_cast<std::size_t>(m_index - m_chunkFirst);
      if (m_chunkFirst < 0 || inChunk >= m_chunkCount) Load();
      m_record = m_chunk.data() + static_cast<std::size_t>(m_index - m_chunkFirst) * m_recordLength;
      if (m_record[0] != '*') return true;  // deleted records are skipped
    }
  }

  std::int64_t RowId() const override { return m_index; }

  void Column(int i, sqlite3_context* ctx) override {
    const FileColumn& c = m_columns[static_cast<std::size_t>(i)];
    std::string_view raw(m_record + m_offsets[static_cast<std::size_t>(i)], static_cast<std::size_t>(c.width));
    if (c.dbfType == 'M') return sqlite3_result_text(ctx, "", 0, SQLITE_STATIC);
    const std::string_view v = TrimField(raw);
    if (v.empty()) return sqlite3_result_null(ctx);
    switch (c.dbfType) {
      case 'N':
      case 'F':
        if (ResultNumber(ctx, v, c.dbfType == 'N' && c.decimals == 0)) return;
        if (v.find_first_not_of('*') == std::string_view::npos) return sqlite3_result_null(ctx);  // overflow marks
        throw FileRecordError(m_path, m_index + 1, "字段“" + c.name + "”不是数值：" + std::string(v));
      case 'D': {
        if (v.size() == 8 && v.find_first_not_of("0123456789") == std::string_view::npos) {
          if (v == "00000000") return sqlite3_result_null(ctx);
          const std::string iso = std::string(v.substr(0, 4)) + "-" + std::string(v.substr(4, 2)) + "-" +
                                  std::string(v.substr(6, 2));
          return sqlite3_result_text(ctx, iso.c_str(), 10, SQLITE_TRANSIENT);
        }
        throw FileRecordError(m_path, m_index + 1, "字段“" + c.name + "”不是日期：" + std::string(v));
      }
      case 'L':
        if (auto b = ParseLogical(v)) return sqlite3_result_int(ctx, *b ? 1 : 0);
        return sqlite3_result_null(ctx);  // "?" and others: unknown
      default: break;
    }
    // Character data keeps leading spaces; only the padding goes.
    std::string_view text = raw;
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
    if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
    if (text.empty()) return sqlite3_result_null(ctx);
    if (!m_codec.ToUtf8(text, m_text))
      throw FileRecordError(m_path, m_index + 1, "字段“" + c.name + "”含有字符集 GBK 中无效的字节");
    sqlite3_result_text(ctx, m_text.data(), static_cast<int>(m_text.size()), SQLITE_TRANSIENT);
  }

 private:
  void Load() {
    m_chunkFirst = m_index;
    m_chunkCount = std::min<std::size_t>(m_perChunk, m_records - static_cast<std::size_t>(m_index));
    m_chunk.resize(m_chunkCount * m_recordLength);
    const off_t at = static_cast<off_t>(m_headerLength) + static_cast<off_t>(m_index) * m_recordLength;
    const FileStamp now = FileStamp::Of(m_fd);
    if (now.size != m_stamp.size || now.mtimeNs != m_stamp.mtimeNs)
      throw FileRecordError(m_path, m_index + 1, "文件在读取过程中被修改");
    if (!ReadFully(m_fd, m_chunk.data(), m_chunk.size(), at))
      throw FileRecordError(m_path, m_index + 1, "文件被截断，记录不完整");
  }

  std::string m_path;
  // Copies: the table reads its header again when the file changes, while
  // this cursor may still be reading.
  const std::vector<FileColumn> m_columns;
  const std::vector<std::uint16_t> m_offsets;
  std::uint16_t m_headerLength, m_recordLength;
  std::uint32_t m_records;
  TextCodec m_codec;
  int m_fd = -1;
  FileStamp m_stamp;
  std::size_t m_perChunk = 1;
  std::vector<char> m_chunk;
  std::int64_t m_chunkFirst = -1;
  std::size_t m_chunkCount = 0;
  std::int64_t m_index = -1;
  const char* m_record = nullptr;
  std::string m_text;
};

}  // namespace

DbaseTable::DbaseTable(std::string path) {
  m_path = std::move(path);
  try {
    Describe();
  } catch (const DriverError& e) {
    m_problem = e;
  }
  if (m_columns.empty()) m_columns.push_back(FileColumn{"F1"});
}

void DbaseTable::Refresh() {
  if (m_problem) throw *m_problem;
  if (FileStamp::OfPath(m_path) == m_described) return;
  const std::vector<FileColumn> columns = m_columns;
  m_columns.clear();
  m_offsets.clear();
  try {
    Describe();
  } catch (...) {
    m_columns = columns;
    throw;
  }
  bool same = columns.size() == m_columns.size();
  for (std::size_t i = 0; same && i < columns.size(); ++i)
    same = columns[i].name == m_columns[i].name && columns[i].dbfType == m_columns[i].dbfType &&
           columns[i].width == m_columns[i].width && columns[i].decimals == m_columns[i].decimals;
  if (!same) {
    m_columns = columns;
    m_described = FileStamp{};
    throw FileError(m_path, "字段已被其他程序改变，请重新连接");
  }
}

void DbaseTable::Describe() {
  const ReadOnlyFile file(m_path);
  const int fd = file.fd;
  const FileStamp stamp = FileStamp::Of(fd);
  m_described = stamp;
  unsigned char head[32];
  if (stamp.size < 33 || !ReadFully(fd, reinterpret_cast<char*>(head), 32, 0))
    throw FileError(m_path, "不是 dBase 文件：文件头不完整");
  const unsigned char version = head[0] & 0x07;
  if (version != 3 && version != 4 && version != 5) throw FileError(m_path, "不是 dBase III 文件：版本字节不对");
  m_records = U32(head + 4);
  m_headerLength = U16(head + 8);
  m_recordLength = U16(head + 10);
  if (m_headerLength < 33 || m_headerLength > stamp.size || m_recordLength < 1)
    throw FileError(m_path, "文件头已损坏：头长度 " + std::to_string(m_headerLength) + "、记录长度 " +
                                std::to_string(m_recordLength));
  m_header.resize(m_headerLength);
  if (!ReadFully(fd, m_header.data(), m_headerLength, 0)) throw FileError(m_path, "文件头不完整");
  TextCodec codec(Charset::Gbk);
  std::uint32_t offset = 1;
  for (std::size_t at = 32; at + 32 <= m_headerLength && static_cast<unsigned char>(m_header[at]) != 0x0D; at += 32) {
    const auto* d = reinterpret_cast<const unsigned char*>(m_header.data() + at);
    FileColumn c;
    std::string rawName(reinterpret_cast<const char*>(d), strnlen(reinterpret_cast<const char*>(d), 11));
    if (!codec.ToUtf8(rawName, c.name)) c.name = "F" + std::to_string(m_columns.size() + 1);
    c.dbfType = static_cast<char>(std::toupper(d[11]));
    c.width = c.dbfType == 'N' || c.dbfType == 'F' ? d[16] : U16(d + 16);
    c.decimals = c.dbfType == 'N' || c.dbfType == 'F' ? d[17] : 0;
    switch (c.dbfType) {
      case 'C': c.kind = ColumnKind::Text; break;
      case 'N': c.kind = ColumnKind::Decimal; break;
      case 'F': c.kind = ColumnKind::Float; break;
      case 'D': c.kind = ColumnKind::Date; break;
      case 'L': c.kind = ColumnKind::Logical; break;
      case 'M': c.kind = ColumnKind::Memo; break;
      default: throw FileError(m_path, "字段“" + c.name + "”的类型 " + std::string(1, c.dbfType) + " 不受支持");
    }
    if (c.width == 0) throw FileError(m_path, "字段“" + c.name + "”的宽度为 0");
    m_offsets.push_back(static_cast<std::uint16_t>(offset));
    offset += static_cast<std::uint32_t>(c.width);
    m_columns.push_back(c);
  }
  if (m_columns.empty()) throw FileError(m_path, "文件头中没有字段");
  if (offset != m_recordLength)
    throw FileError(m_path, "文件头已损坏：记录长度 " + std::to_string(m_recordLength) + " 与字段宽度之和 " +
                                std::to_string(offset) + " 不符");
  const std::uint64_t expected = static_cast<std::uint64_t>(m_headerLength) +
                                 static_cast<std::uint64_t>(m_records) * m_recordLength;
  const auto size = static_cast<std::uint64_t>(stamp.size);
  // An end-of-file byte may follow the records.
  if (size < expected || size > expected + 1)
    throw FileError(m_path, "文件大小 " + std::to_string(size) + " 字节与文件头所说的 " + std::to_string(m_records) +
                                " 条记录（应为 " + std::to_string(expected) + " 字节）不符，文件可能被截断或已损坏");
}

std::unique_ptr<RecordCursor> DbaseTable::Open() {
  Refresh();
  auto cursor = std::make_unique<DbaseCursor>(m_path, m_columns, m_offsets, m_headerLength, m_recordLength, m_records);
  m_lastRead = cursor->Stamp();
  return cursor;
}

std::string DbaseTable::EncodeRecord(const std::vector<Value>& values) const {
  std::string record(m_recordLength, ' ');
  TextCodec codec(Charset::Gbk);
  for (std::size_t i = 0; i < m_columns.size(); ++i) {
    const FileColumn& c = m_columns[i];
    const Value& v = i < values.size() ? values[i] : Value{};
    char* field = record.data() + m_offsets[i];
    const auto width = static_cast<std::size_t>(c.width);
    if (odbcengine::IsNull(v)) {
      if (c.dbfType == 'L') field[0] = '?';
      continue;
    }
    auto asText = [&]() -> std::string {
      if (const auto* s = std::get_if<std::string>(&v)) return *s;
      if (const auto* n = std::get_if<std::int64_t>(&v)) return std::to_string(*n);
      if (const auto* d = std::get_if<double>(&v)) return FormatNumber(*d);
      return std::get<odbcengine::Blob>(v).bytes;
    };
    auto tooWide = [&](const std::string& text) {
      return FileError(m_path, "值“" + text + "”超出字段“" + c.name + "”的宽度 " + std::to_string(width));
    };
    switch (c.dbfType) {
      case 'C': {
        std::string bytes;
        if (!codec.FromUtf8(asText(), bytes))
          throw FileError(m_path, "字段“" + c.name + "”的值无法用字符集 GBK 表示");
        if (bytes.size() > width) throw tooWide(asText());
        std::memcpy(field, bytes.data(), bytes.size());
        break;
      }
      case 'N':
      case 'F': {
        std::optional<double> number;
        if (const auto* n = std::get_if<std::int64_t>(&v)) number = static_cast<double>(*n);
        else if (const auto* d = std::get_if<double>(&v)) number = *d;
        else number = ParseNumber(std::string(TrimField(asText())));
        if (!number) throw FileError(m_path, "字段“" + c.name + "”需要数值，而不是“" + asText() + "”");
        char buf[400];
        if (const auto* n = std::get_if<std::int64_t>(&v); n && c.decimals == 0)
          std::snprintf(buf, sizeof buf, "%*lld", static_cast<int>(width), static_cast<long long>(*n));
        else
          std::snprintf(buf, sizeof buf, "%*.*f", static_cast<int>(width), c.decimals, *number);
        if (std::strlen(buf) > width) throw tooWide(asText());
        std::memcpy(field, buf, width);
        break;
      }
      case 'D': {
        auto iso = std::get_if<std::string>(&v);
        int y, mo, d;
        if (!iso || std::sscanf(iso->c_str(), "%4d-%2d-%2d", &y, &mo, &d) != 3 || mo < 1 || mo > 12 || d < 1 || d > 31)
          throw FileError(m_path, "字段“" + c.name + "”需要日期（YYYY-MM-DD），而不是“" + asText() + "”");
        char buf[16];
        std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, mo, d);
        std::memcpy(field, buf, 8);
        break;
      }
      case 'L': {
        std::optional<bool> b;
        if (const auto* n = std::get_if<std::int64_t>(&v)) b = *n != 0;
        else b = ParseLogical(asText());
        if (!b) throw FileError(m_path, "字段“" + c.name + "”需要逻辑值，而不是“" + asText() + "”");
        field[0] = *b ? 'T' : 'F';
        break;
      }
      case 'M':
        if (!asText().empty()) throw FileError(m_path, "备注字段“" + c.name + "”不能写入");
        break;
      default: break;
    }
  }
  return record;
}

std::string DbaseTable::WriteChanged(const ChangeSet& changes) {
  // Record numbers of replaced and deleted records hold only for the file
  // as the statement read it.
  if (!changes.changed.empty() && !(FileStamp::OfPath(m_path) == m_lastRead))
    throw FileError(m_path, "文件在读取之后被修改，没有写入任何更改");
  Refresh();
  if (!changes.changed.empty() && changes.changed.rbegin()->first >= static_cast<std::int64_t>(m_records))
    throw FileError(m_path, "文件在读取之后被修改，没有写入任何更改");
  std::vector<std::string> added;
  for (const auto& values : changes.inserted) added.push_back(EncodeRecord(values));
  std::map<std::int64_t, std::string> replaced;
  for (const auto& [row, values] : changes.changed)
    if (values) replaced[row] = EncodeRecord(*values);
  const std::uint64_t total = static_cast<std::uint64_t>(m_records) + added.size();
  if (total > 0xFFFFFFFFu) throw FileError(m_path, "记录数超出 dBase 文件的上限");

  const ReadOnlyFile file(m_path);
  const int fd = file.fd;
  AtomicFile out(m_path);
  std::string header = m_header;
  StampToday(header);
  PutU32(header.data() + 4, static_cast<std::uint32_t>(total));
  out.Write(header);
  std::vector<char> chunk;
  const std::size_t perChunk = std::max<std::size_t>(1, (1 << 20) / m_recordLength);
  for (std::uint32_t first = 0; first < m_records; first += static_cast<std::uint32_t>(perChunk)) {
    const std::size_t count = std::min<std::size_t>(perChunk, m_records - first);
    chunk.resize(count * m_recordLength);
    if (!ReadFully(fd, chunk.data(), chunk.size(), m_headerLength + static_cast<off_t>(first) * m_recordLength))
      throw FileRecordError(m_path, first + 1, "文件被截断，记录不完整");
    for (std::size_t k = 0; k < count; ++k) {
      const std::int64_t row = first + static_cast<std::int64_t>(k);
      char* record = chunk.data() + k * m_recordLength;
      auto it = changes.changed.find(row);
      if (it == changes.changed.end()) continue;
      if (!it->second) record[0] = '*';  // deleted: marked, as dBase does
      else std::memcpy(record, replaced[row].data(), m_recordLength);
    }
    out.Write(std::string_view(chunk.data(), chunk.size()));
  }
  for (const std::string& record : added) out.Write(record);
  out.Write(std::string_view("\x1A", 1));
  return out.Finish();
}

void DbaseTable::Create(const std::string& path, const std::vector<FileColumn>& columns) {
  if (access(path.c_str(), F_OK) == 0)
    throw DriverError("42S01", std::string(odbcengine::MessagePrefix()) + "表“" + BaseName(path) + "”已经存在");
  if (columns.empty() || columns.size() > 255) throw FileError(path, "dBase 表需要 1 到 255 个字段");
  std::string header(32, '\0');
  header[0] = 3;
  StampToday(header);
  TextCodec codec(Charset::Gbk);
  std::uint32_t recordLength = 1;
  for (const FileColumn& c : columns) {
    std::string d(32, '\0');
    std::string name;
    if (!codec.FromUtf8(c.name, name) || name.empty() || name.size() > 10)
      throw FileError(path, "字段名“" + c.name + "”应为 1 到 10 个字节");
    for (char& ch : name) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    std::memcpy(d.data(), name.data(), name.size());
    int width = 0, decimals = 0;
    char type = 'C';
    switch (c.kind) {
      case ColumnKind::Integer: type = 'N'; width = 18; break;
      case ColumnKind::Decimal:
        type = 'N';
        width = std::clamp(c.width, 1, 20);
        decimals = std::clamp(c.decimals, 0, std::max(0, width - 2));
        break;
      case ColumnKind::Float: type = 'F'; width = 20; decimals = 6; break;
      case ColumnKind::Date:
      case ColumnKind::DateTime: type = 'D'; width = 8; break;
      case ColumnKind::Logical: type = 'L'; width = 1; break;
      default: type = 'C'; width = std::clamp(c.width, 1, 254); break;
    }
    d[11] = type;
    d[16] = static_cast<char>(width);
    d[17] = static_cast<char>(decimals);
    recordLength += static_cast<std::uint32_t>(width);
    header += d;
  }
  header += '\x0D';
  PutU16(header.data() + 8, static_cast<std::uint16_t>(header.size()));
  PutU16(header.data() + 10, static_cast<std::uint16_t>(recordLength));
  AtomicFile out(path);
  out.Write(header);
  out.Write(std::string_view("\x1A", 1));
  ReplaceFile(out.Finish(), path);
}

}  // namespace orva::filedriver
