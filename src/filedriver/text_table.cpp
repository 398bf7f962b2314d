#include "text_table.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>

#include "odbcengine/sql_text.h"
#include "value_text.h"

namespace orva::filedriver {
namespace {

using odbcengine::EqualsNoCase;

constexpr std::size_t kBufferSize = 1 << 20;
// A record longer than this is taken for a file that is no text table
// (rather than holding all of it in memory).
constexpr std::size_t kMaxRecord = std::size_t{64} << 20;

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool ReadTwo(std::string_view s, std::size_t& i, int maxDigits, int& out) {
  int n = 0, v = 0;
  while (i < s.size() && n < maxDigits && s[i] >= '0' && s[i] <= '9') {
    v = v * 10 + (s[i] - '0');
    ++i;
    ++n;
  }
  out = v;
  return n > 0;
}

std::string FormatIso(int y, int mo, int d, bool time, int h, int mi, int s) {
  char buf[40];
  if (time) std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
  else std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, mo, d);
  return buf;
}

bool ValidDate(int y, int mo, int d, int h, int mi, int s) {
  return y >= 1 && y <= 9999 && mo >= 1 && mo <= 12 && d >= 1 && d <= 31 && h >= 0 && h <= 23 && mi >= 0 &&
         mi <= 59 && s >= 0 && s <= 59;
}

// Lines that start a field's worth of trouble when they hold too many fields:
// trailing empty fields (a delimiter at the end of a line) are allowed.
bool ExtraFieldsAreEmpty(const TextRecord& r, std::size_t columns) {
  for (std::size_t i = columns; i < r.fields.size(); ++i)
    if (!r.fields[i].empty() || r.quoted[i]) return false;
  return true;
}

enum class Guess { Integer, Float, Date, Text };

Guess GuessOne(std::string_view v) {
  v = TrimSpaces(v);
  std::int64_t i;
  if (auto [p, ec] = std::from_chars(v.data() + (v.starts_with('+') ? 1 : 0), v.data() + v.size(), i);
      ec == std::errc() && p == v.data() + v.size())
    return Guess::Integer;
  if (ParseNumber(v)) return Guess::Float;
  if (ParseDateText(v, "")) return Guess::Date;
  return Guess::Text;
}

}  // namespace

std::optional<std::string> ParseDateText(std::string_view text, const std::string& format) {
  text = TrimSpaces(text);
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  bool hasTime = false;
  std::size_t i = 0;
  if (format.empty()) {
    if (!ReadTwo(text, i, 4, y) || i != 4 || i >= text.size() || (text[i] != '-' && text[i] != '/')) return std::nullopt;
    const char sep = text[i++];
    if (!ReadTwo(text, i, 2, mo) || i >= text.size() || text[i++] != sep || !ReadTwo(text, i, 2, d)) return std::nullopt;
    if (i < text.size()) {
      if (text[i] != ' ' && text[i] != 'T') return std::nullopt;
      ++i;
      while (i < text.size() && text[i] == ' ') ++i;
      if (!ReadTwo(text, i, 2, h) || i >= text.size() || text[i++] != ':' || !ReadTwo(text, i, 2, mi))
        return std::nullopt;
      if (i < text.size() && text[i] == ':') {
        ++i;
        if (!ReadTwo(text, i, 2, s)) return std::nullopt;
        if (i < text.size() && text[i] == '.') {
          ++i;
          while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        }
      }
      if (i != text.size()) return std::nullopt;
      hasTime = true;
    }
  } else {
    std::size_t f = 0;
    while (f < format.size()) {
      const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(format[f])));
      std::size_t run = 1;
      while (f + run < format.size() && std::tolower(static_cast<unsigned char>(format[f + run])) == c) ++run;
      int* target = nullptr;
      int digits = 2;
      if (c == 'y') {
        target = &y;
        digits = run >= 3 ? 4 : 2;
      } else if (c == 'm') target = &mo;
      else if (c == 'd') target = &d;
      else if (c == 'h') {
        target = &h;
        hasTime = true;
      } else if (c == 'n') target = &mi;
      else if (c == 's') target = &s;
      if (target) {
        if (!ReadTwo(text, i, digits, *target)) return std::nullopt;
        if (c == 'y' && digits == 2) y += y < 50 ? 2000 : 1900;
        f += run;
        continue;
      }
      for (std::size_t k = 0; k < run; ++k, ++i)
        if (i >= text.size() || text[i] != format[f]) return std::nullopt;
      f += run;
    }
    if (i != text.size()) return std::nullopt;
  }
  if (!ValidDate(y, mo, d, h, mi, s)) return std::nullopt;
  return FormatIso(y, mo, d, hasTime, h, mi, s);
}

std::optional<std::string> FormatDateText(std::string_view iso, const std::string& format) {
  const auto parsed = ParseDateText(iso, "");
  if (!parsed) return std::nullopt;
  int part[6] = {0, 0, 0, 0, 0, 0};  // year, month, day, hour, minute, second
  std::sscanf(parsed->c_str(), "%d-%d-%d %d:%d:%d", &part[0], &part[1], &part[2], &part[3], &part[4], &part[5]);
  std::string out;
  std::size_t f = 0;
  while (f < format.size()) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(format[f])));
    std::size_t run = 1;
    while (f + run < format.size() && std::tolower(static_cast<unsigned char>(format[f + run])) == c) ++run;
    const char* letters = "ymdhns";
    const char* at = std::strchr(letters, c);
    if (c && at) {
      int value = part[at - letters];
      if (c == 'y' && run < 3) value %= 100;
      char buf[16];
      if (run >= 2 || c == 'y') std::snprintf(buf, sizeof buf, "%0*d", c == 'y' && run >= 3 ? 4 : 2, value);
      else std::snprintf(buf, sizeof buf, "%d", value);
      out += buf;
    } else {
      out.append(format, f, run);
    }
    f += run;
  }
  return out;
}

// ---------------------------------------------------------------- reader

TextReader::TextReader(const std::string& path, const TextLayout& layout) : m_path(path), m_layout(layout) {
  m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (m_fd < 0) throw FileError(path, std::string("无法打开文件：") + std::strerror(errno));
  m_stamp = FileStamp::Of(m_fd);
  m_buf.resize(kBufferSize);
  while (m_end < 3 && Refill()) {
  }
  if (m_end >= 3 && std::memcmp(m_buf.data(), "\xEF\xBB\xBF", 3) == 0) {
    m_bom = true;
    m_start = 3;
  }
}

TextReader::~TextReader() {
  if (m_fd >= 0) ::close(m_fd);
}

bool TextReader::Refill() {
  if (m_eof) return false;
  if (m_start > 0) {
    std::memmove(m_buf.data(), m_buf.data() + m_start, m_end - m_start);
    m_end -= m_start;
    m_start = 0;
  }
  if (m_end == m_buf.size()) {
    if (m_buf.size() >= kMaxRecord)
      throw FileLineError(m_path, m_line, "一条记录超过 64 MB，这不像是文本表");
    m_buf.resize(m_buf.size() * 2);
  }
  ssize_t n;
  do {
    n = ::read(m_fd, m_buf.data() + m_end, m_buf.size() - m_end);
  } while (n < 0 && errno == EINTR);
  if (n < 0) throw FileLineError(m_path, m_line, std::string("读取失败：") + std::strerror(errno));
  const FileStamp now = FileStamp::Of(m_fd);
  if (now.size != m_stamp.size || now.mtimeNs != m_stamp.mtimeNs)
    throw FileLineError(m_path, m_line, "文件在读取过程中被修改");
  if (n == 0) {
    m_eof = true;
    return false;
  }
  m_end += static_cast<std::size_t>(n);
  return true;
}

TextReader::Parse TextReader::ParseDelimited(TextRecord& record, bool eof) {
  const char* b = m_buf.data();
  const std::size_t end = m_end;
  const char d = m_layout.delimiter;
  const bool gbkTrailDelimiter = m_layout.charset == Charset::Gbk && static_cast<unsigned char>(d) >= 0x40;
  std::size_t p = m_start;
  std::int64_t line = m_line;
  m_arena.clear();
  m_spans.clear();
  record.quoted.clear();
  for (;;) {
    if (p < end && b[p] == '"') {
      const std::int64_t fieldLine = line;
      ++p;
      const std::size_t arenaStart = m_arena.size();
      for (;;) {
        const void* q = std::memchr(b + p, '"', end - p);
        if (!q) {
          if (!eof) return Parse::NeedMore;
          throw FileLineError(m_path, fieldLine, "引号未闭合");
        }
        const std::size_t qp = static_cast<const char*>(q) - b;
        line += std::count(b + p, b + qp, '\n');
        m_arena.append(b + p, qp - p);
        if (qp + 1 == end && !eof) return Parse::NeedMore;
        if (qp + 1 < end && b[qp + 1] == '"') {
          m_arena += '"';
          p = qp + 2;
          continue;
        }
        p = qp + 1;
        break;
      }
      // Anything between the closing quote and the delimiter stays with the field.
      while (p < end && b[p] != d && b[p] != '\n' && b[p] != '\r') m_arena += b[p++];
      m_spans.push_back({true, arenaStart, m_arena.size() - arenaStart});
      record.quoted.push_back(true);
    } else {
      const std::size_t s = p;
      if (gbkTrailDelimiter) {
        // The delimiter can be the second byte of a GBK character: step over
        // whole characters.
        while (p < end && b[p] != d && b[p] != '\n' && b[p] != '\r')
          p += static_cast<unsigned char>(b[p]) >= 0x81 && p + 1 < end ? 2 : 1;
      } else {
        while (p < end && b[p] != d && b[p] != '\n' && b[p] != '\r') ++p;
      }
      m_spans.push_back({false, s, p - s});
      record.quoted.push_back(false);
    }
    if (p >= end) {
      if (!eof) return Parse::NeedMore;
      break;
    }
    if (b[p] == d) {
      ++p;
      continue;
    }
    if (b[p] == '\r') {
      if (p + 1 == end && !eof) return Parse::NeedMore;
      ++p;
      if (p < end && b[p] == '\n') ++p;
    } else {
      ++p;
    }
    ++line;
    break;
  }
  record.fields.clear();
  for (const Span& s : m_spans)
    record.fields.emplace_back(s.inArena ? m_arena.data() + s.offset : b + s.offset, s.length);
  record.raw = std::string_view(b + m_start, p - m_start);
  record.line = m_line;
  record.blank = m_spans.size() == 1 && !record.quoted[0] && m_spans[0].length == 0;
  m_start = p;
  m_line = line;
  return Parse::Done;
}

TextReader::Parse TextReader::ParseFixed(TextRecord& record, bool eof) {
  const char* b = m_buf.data();
  const void* nl = std::memchr(b + m_start, '\n', m_end - m_start);
  if (!nl && !eof) return Parse::NeedMore;
  const std::size_t lineEnd = nl ? static_cast<const char*>(nl) - b : m_end;
  const std::size_t next = nl ? lineEnd + 1 : m_end;
  std::string_view text(b + m_start, lineEnd - m_start);
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  record.fields.clear();
  record.quoted.clear();
  std::size_t at = 0;
  for (const FileColumn& c : m_layout.columns) {
    const std::size_t w = static_cast<std::size_t>(c.width);
    record.fields.push_back(at < text.size() ? TrimSpaces(text.substr(at, w)) : std::string_view());
    record.quoted.push_back(false);
    at += w;
  }
  if (at < text.size() && !TrimSpaces(text.substr(at)).empty()) {
    record.fields.push_back(TrimSpaces(text.substr(at)));
    record.quoted.push_back(false);
  }
  record.raw = std::string_view(b + m_start, next - m_start);
  record.line = m_line;
  record.blank = text.empty();
  m_start = next;
  ++m_line;
  return Parse::Done;
}

bool TextReader::Next(TextRecord& record) {
  const bool fixed = m_layout.format == TextLayout::Format::Fixed;
  for (;;) {
    if (m_start == m_end && !Refill()) return false;
    if ((fixed ? ParseFixed(record, m_eof) : ParseDelimited(record, m_eof)) == Parse::Done) return true;
    if (!Refill()) {
      if (fixed) ParseFixed(record, true);
      else ParseDelimited(record, true);
      return true;
    }
  }
}

// ---------------------------------------------------------------- cursor

namespace {

class TextCursor : public RecordCursor {
 public:
  TextCursor(const std::string& path, const TextLayout& layout, Charset charset)
      : m_path(path), m_layout(layout), m_reader(path, layout), m_codec(charset) {}

  const FileStamp& Stamp() const { return m_reader.Stamp(); }

  bool Next() override {
    for (;;) {
      if (!m_reader.Next(m_record)) return false;
      if (m_record.blank) continue;
      if (m_layout.header && !m_headerSeen) {
        m_headerSeen = true;
        continue;
      }
      const std::size_t columns = m_layout.columns.size();
      if (m_record.fields.size() > columns && !ExtraFieldsAreEmpty(m_record, columns))
        throw FileLineError(m_path, m_record.line,
                            "该行有 " + std::to_string(m_record.fields.size()) + " 个字段，多于表的 " +
                                std::to_string(columns) + " 列");
      for (std::string_view f : m_record.fields)
        if (!IsValidIn(m_codec.Set(), f))
          throw FileLineError(m_path, m_record.line,
                              std::string("含有字符集 ") + CharsetName(m_codec.Set()) + " 中无效的字节");
      ++m_rowId;
      return true;
    }
  }

  std::int64_t RowId() const override { return m_rowId; }

  void Column(int i, sqlite3_context* ctx) override {
    const auto index = static_cast<std::size_t>(i);
    if (index >= m_record.fields.size()) return sqlite3_result_null(ctx);
    std::string_view f = m_record.fields[index];
    const bool quoted = m_record.quoted[index];
    const FileColumn& c = m_layout.columns[index];
    if (f.empty()) {
      if (quoted && c.kind == ColumnKind::Text) sqlite3_result_text(ctx, "", 0, SQLITE_STATIC);
      else sqlite3_result_null(ctx);
      return;
    }
    switch (c.kind) {
      case ColumnKind::Integer:
      case ColumnKind::Float:
      case ColumnKind::Decimal:
        if (ResultNumber(ctx, TrimSpaces(f), c.kind == ColumnKind::Integer)) return;
        break;
      case ColumnKind::Logical:
        if (auto b = ParseLogical(TrimSpaces(f))) return sqlite3_result_int(ctx, *b ? 1 : 0);
        break;
      case ColumnKind::Date:
      case ColumnKind::DateTime: {
        const std::string& text = Utf8(f);
        if (auto iso = ParseDateText(text, m_layout.dateFormat))
          return sqlite3_result_text(ctx, iso->c_str(), static_cast<int>(iso->size()), SQLITE_TRANSIENT);
        return sqlite3_result_text(ctx, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
      }
      default: break;
    }
    if (IsAscii(f)) return sqlite3_result_text(ctx, f.data(), static_cast<int>(f.size()), SQLITE_TRANSIENT);
    const std::string& text = Utf8(f);
    sqlite3_result_text(ctx, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }

 private:
  const std::string& Utf8(std::string_view bytes) {
    if (!m_codec.ToUtf8(bytes, m_text))
      throw FileLineError(m_path, m_record.line,
                          std::string("含有字符集 ") + CharsetName(m_codec.Set()) + " 中无效的字节");
    return m_text;
  }

  std::string m_path;
  const TextLayout& m_layout;
  TextReader m_reader;
  TextCodec m_codec;
  TextRecord m_record;
  bool m_headerSeen = false;
  std::int64_t m_rowId = -1;
  std::string m_text;
};

}  // namespace

// ---------------------------------------------------------------- table

TextTable::TextTable(std::string path, const IniSection* section, const std::string& iniPath) {
  m_path = std::move(path);
  try {
    if (section) m_layout = LayoutFromSection(*section, iniPath);
  } catch (const DriverError& e) {
    m_problem = e;
    m_layout = TextLayout{};
  }
  try {
    Describe();
  } catch (const DriverError& e) {
    if (!m_problem) m_problem = e;
  }
  if (m_layout.columns.empty()) m_layout.columns.push_back(FileColumn{"F1"});
  m_columns = m_layout.columns;
}

void TextTable::Describe() {
  TextReader reader(m_path, m_layout);
  m_bom = reader.HasBom();
  if (m_bom) m_layout.charset = Charset::Utf8;
  TextCodec codec(m_layout.charset);
  TextRecord record;
  std::vector<std::string> names;
  bool headerRead = !m_layout.header;
  std::vector<std::vector<std::string>> samples;  // per column, raw values
  std::size_t widest = 0;
  int rows = 0;
  while (rows < m_layout.maxScanRows && reader.Next(record)) {
    if (record.blank) continue;
    if (!headerRead) {
      headerRead = true;
      for (std::string_view f : record.fields) {
        std::string name;
        if (!codec.ToUtf8(f, name))
          throw FileLineError(m_path, record.line,
                              std::string("含有字符集 ") + CharsetName(m_layout.charset) + " 中无效的字节");
        names.push_back(std::string(TrimSpaces(name)));
      }
      // A delimiter at the end of the header line adds no column.
      while (!names.empty() && names.back().empty() && names.size() > 1 && !record.quoted[names.size() - 1])
        names.pop_back();
      continue;
    }
    ++rows;
    if (samples.size() < record.fields.size()) samples.resize(record.fields.size());
    std::size_t used = record.fields.size();
    while (used > 0 && record.fields[used - 1].empty() && !record.quoted[used - 1]) --used;
    widest = std::max(widest, used);
    for (std::size_t i = 0; i < record.fields.size(); ++i)
      if (!record.fields[i].empty()) samples[i].emplace_back(record.fields[i]);
  }
  if (!m_layout.columns.empty()) return;  // schema.ini names and types them
  // The header names the columns; without one the widest of the first rows
  // counts.
  const std::size_t count = m_layout.header && !names.empty() ? names.size() : widest;
  std::set<std::string> seen;
  for (std::size_t i = 0; i < count; ++i) {
    FileColumn c;
    c.name = i < names.size() && !names[i].empty() ? names[i] : "F" + std::to_string(i + 1);
    std::string unique = c.name;
    for (int k = 2; seen.count(odbcengine::ToLowerAscii(unique)); ++k) unique = c.name + "_" + std::to_string(k);
    c.name = unique;
    seen.insert(odbcengine::ToLowerAscii(unique));
    std::optional<Guess> g;
    if (i < samples.size())
      for (const std::string& v : samples[i]) {
        const Guess one = GuessOne(v);
        if (!g || *g == one) g = one;
        else if ((*g == Guess::Integer && one == Guess::Float) || (*g == Guess::Float && one == Guess::Integer))
          g = Guess::Float;
        else g = Guess::Text;
      }
    c.kind = !g || *g == Guess::Text ? ColumnKind::Text
             : *g == Guess::Integer  ? ColumnKind::Integer
             : *g == Guess::Float    ? ColumnKind::Float
                                     : ColumnKind::DateTime;
    m_layout.columns.push_back(c);
  }
}

std::unique_ptr<RecordCursor> TextTable::Open() {
  if (m_problem) throw *m_problem;
  auto cursor = std::make_unique<TextCursor>(m_path, m_layout, m_layout.charset);
  m_lastRead = cursor->Stamp();
  return cursor;
}

namespace {

// One value as the text a field holds (UTF-8), nullopt for NULL.
std::optional<std::string> FieldText(const Value& v) {
  if (odbcengine::IsNull(v)) return std::nullopt;
  if (const auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&v)) return FormatNumber(*d);
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  return std::get<odbcengine::Blob>(v).bytes;
}

}  // namespace

// Writes a record as the file's layout has it; raises DriverError for a
// value the file cannot hold.
static std::string SerializeRecord(const std::string& path, const TextLayout& layout, TextCodec& codec,
                                   const std::vector<Value>& values) {
  std::string out;
  std::string bytes;
  for (std::size_t i = 0; i < layout.columns.size(); ++i) {
    const FileColumn& c = layout.columns[i];
    auto text = i < values.size() ? FieldText(values[i]) : std::nullopt;
    if (layout.format == TextLayout::Format::Delimited && i > 0) out += layout.delimiter;
    if (!text) {
      if (layout.format == TextLayout::Format::Fixed) out.append(static_cast<std::size_t>(c.width), ' ');
      continue;
    }
    if (c.kind == ColumnKind::DateTime && !layout.dateFormat.empty())
      if (auto formatted = FormatDateText(*text, layout.dateFormat)) text = std::move(formatted);
    if (!codec.FromUtf8(*text, bytes))
      throw FileError(path, "列“" + c.name + "”的值无法用字符集 " + CharsetName(codec.Set()) + " 表示");
    if (layout.format == TextLayout::Format::Fixed) {
      if (bytes.size() > static_cast<std::size_t>(c.width) || bytes.find_first_of("\r\n") != std::string::npos)
        throw FileError(path, "列“" + c.name + "”的值超出其宽度 " + std::to_string(c.width));
      // Numbers are right-aligned in their columns, everything else left-aligned.
      const std::size_t pad = static_cast<std::size_t>(c.width) - bytes.size();
      const bool number = c.kind == ColumnKind::Integer || c.kind == ColumnKind::Float || c.kind == ColumnKind::Decimal;
      if (number) out.append(pad, ' ');
      out += bytes;
      if (!number) out.append(pad, ' ');
      continue;
    }
    const bool quote = bytes.empty() || bytes.find_first_of(std::string("\"\r\n") + layout.delimiter) != std::string::npos ||
                       bytes.front() == ' ' || bytes.back() == ' ';
    if (!quote) {
      out += bytes;
      continue;
    }
    out += '"';
    for (char ch : bytes) {
      if (ch == '"') out += '"';
      out += ch;
    }
    out += '"';
  }
  return out;
}

std::string TextTable::WriteChanged(const ChangeSet& changes) {
  if (m_problem) throw *m_problem;
  // Record numbers of replaced and deleted records hold only for the file
  // as the statement read it.
  if (!changes.changed.empty() && !(FileStamp::OfPath(m_path) == m_lastRead))
    throw FileError(m_path, "文件在读取之后被修改，没有写入任何更改");
  TextReader reader(m_path, m_layout);
  TextCodec codec(m_layout.charset);
  AtomicFile out(m_path);
  if (reader.HasBom()) out.Write("\xEF\xBB\xBF");
  std::string lineEnd;
  bool endsWithLineEnd = true;
  bool headerSeen = !m_layout.header;
  std::int64_t rowId = -1;
  TextRecord record;
  while (reader.Next(record)) {
    if (lineEnd.empty()) lineEnd = record.raw.ends_with("\r\n") ? "\r\n" : record.raw.ends_with("\n") ? "\n" : "";
    endsWithLineEnd = record.raw.ends_with("\n") || record.raw.ends_with("\r");
    if (record.blank || !headerSeen) {
      if (!record.blank) headerSeen = true;
      out.Write(record.raw);
      continue;
    }
    ++rowId;
    auto it = changes.changed.find(rowId);
    if (it == changes.changed.end()) {
      out.Write(record.raw);
      continue;
    }
    if (!it->second) continue;  // deleted
    std::string_view end = record.raw.ends_with("\r\n") ? "\r\n" : record.raw.ends_with("\n") ? "\n" : "";
    out.Write(SerializeRecord(m_path, m_layout, codec, *it->second));
    out.Write(end);
  }
  if (!changes.changed.empty() && changes.changed.rbegin()->first > rowId)
    throw FileError(m_path, "文件在读取之后被修改，没有写入任何更改");
  if (lineEnd.empty()) lineEnd = "\r\n";
  for (const auto& values : changes.inserted) {
    if (!endsWithLineEnd) out.Write(lineEnd);
    out.Write(SerializeRecord(m_path, m_layout, codec, values));
    out.Write(lineEnd);
    endsWithLineEnd = true;
  }
  return out.Finish();
}

void TextTable::Remove() {
  FileTable::Remove();
  const std::size_t slash = m_path.rfind('/');
  WriteSchemaSection(slash == std::string::npos ? "." : m_path.substr(0, slash), BaseName(m_path), nullptr);
}

void TextTable::Create(const std::string& path, const TextLayout& layout) {
  if (access(path.c_str(), F_OK) == 0) throw DriverError("42S01", std::string(odbcengine::MessagePrefix()) +
                                                                      "表“" + BaseName(path) + "”已经存在");
  TextCodec codec(layout.charset);
  std::vector<Value> names;
  TextLayout header = layout;
  for (FileColumn& c : header.columns) {
    names.emplace_back(c.name);
    c.kind = ColumnKind::Text;
    c.width = std::max<int>(c.width, static_cast<int>(c.name.size()));
  }
  AtomicFile out(path);
  if (layout.header) out.Write(SerializeRecord(path, header, codec, names) + "\r\n");
  ReplaceFile(out.Finish(), path);
  const std::size_t slash = path.rfind('/');
  WriteSchemaSection(slash == std::string::npos ? "." : path.substr(0, slash), BaseName(path), &layout);
}

}  // namespace orva::filedriver
