#include "schema_ini.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "odbcengine/sql_text.h"

namespace orva::filedriver {
namespace {

using odbcengine::EqualsNoCase;
using odbcengine::ToLowerAscii;

std::string Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return std::string(s.substr(b, e - b));
}

std::string ReadAll(const std::string& path, bool& exists) {
  std::ifstream in(path, std::ios::binary);
  exists = static_cast<bool>(in);
  if (!in) return {};
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string AsUtf8(const std::string& bytes) {
  if (IsValidUtf8(bytes)) return bytes;
  TextCodec codec(Charset::Gbk);
  std::string out;
  return codec.ToUtf8(bytes, out) ? out : bytes;
}

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::string current;
  for (char c : text) {
    if (c == ' ' || c == '\t') {
      if (!current.empty()) words.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) words.push_back(current);
  return words;
}

// Section names and keys as settings writers escape them: "%U4E2D" for a
// character, "%2C" for a byte.
std::string UnescapeKey(const std::string& text) {
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
  };
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 5 < text.size() && text[i + 1] == 'U' && hex(text[i + 2]) >= 0 &&
        hex(text[i + 3]) >= 0 && hex(text[i + 4]) >= 0 && hex(text[i + 5]) >= 0) {
      const unsigned cp = static_cast<unsigned>(hex(text[i + 2]) << 12 | hex(text[i + 3]) << 8 |
                                                hex(text[i + 4]) << 4 | hex(text[i + 5]));
      if (cp < 0x80) out += static_cast<char>(cp);
      else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
      } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
      }
      i += 5;
    } else if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
      out += static_cast<char>(hex(text[i + 1]) << 4 | hex(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A value in double quotes (as settings writers put values holding ";" or
// ","), without them.
std::string UnquoteValue(const std::string& value) {
  if (value.size() < 2 || value.front() != '"' || value.back() != '"') return value;
  std::string out;
  for (std::size_t i = 1; i + 1 < value.size(); ++i) {
    if (value[i] == '\\' && i + 2 < value.size()) ++i;
    out += value[i];
  }
  return out;
}

DriverError IniError(const std::string& iniPath, int line, const std::string& what) {
  return FileLineError(iniPath, line, what);
}

const char* TypeWord(ColumnKind kind) {
  switch (kind) {
    case ColumnKind::Integer: return "Integer";
    case ColumnKind::Float:
    case ColumnKind::Decimal: return "Float";
    case ColumnKind::Date:
    case ColumnKind::DateTime: return "Date";
    case ColumnKind::Logical: return "Bit";
    default: return "Char";
  }
}

}  // namespace

const IniEntry* IniSection::Find(const std::string& key) const {
  for (const IniEntry& e : entries)
    if (EqualsNoCase(e.key, key)) return &e;
  return nullptr;
}

std::string SchemaIniPath(const std::string& folder) { return folder + "/schema.ini"; }

std::vector<IniSection> ReadSchemaIni(const std::string& folder) {
  bool exists = false;
  const std::string text = AsUtf8(ReadAll(SchemaIniPath(folder), exists));
  std::vector<IniSection> sections;
  std::istringstream in(text);
  std::string raw;
  int line = 0;
  while (std::getline(in, raw)) {
    ++line;
    std::string s = Trim(raw);
    if (line == 1 && s.starts_with("\xEF\xBB\xBF")) s = Trim(s.substr(3));
    if (s.empty() || s[0] == ';' || s[0] == '#') continue;
    if (s[0] == '[') {
      const std::size_t close = s.find(']');
      IniSection section;
      section.name = UnescapeKey(Trim(s.substr(1, close == std::string::npos ? std::string::npos : close - 1)));
      section.line = line;
      sections.push_back(std::move(section));
      continue;
    }
    const std::size_t eq = s.find('=');
    if (eq == std::string::npos || sections.empty()) continue;
    sections.back().entries.push_back({UnescapeKey(Trim(s.substr(0, eq))), UnquoteValue(Trim(s.substr(eq + 1))), line});
  }
  return sections;
}

std::optional<ColumnKind> KindFromTypeName(const std::string& word) {
  const std::string w = ToLowerAscii(word);
  for (const char* t : {"char", "text", "varchar", "memo", "longchar", "string"})
    if (w == t) return ColumnKind::Text;
  for (const char* t : {"integer", "int", "long", "short", "byte", "bigint", "smallint"})
    if (w == t) return ColumnKind::Integer;
  for (const char* t : {"float", "double", "single", "real", "currency", "decimal", "numeric"})
    if (w == t) return ColumnKind::Float;
  for (const char* t : {"date", "datetime", "timestamp"})
    if (w == t) return ColumnKind::DateTime;
  for (const char* t : {"bit", "boolean", "logical"})
    if (w == t) return ColumnKind::Logical;
  return std::nullopt;
}

TextLayout LayoutFromSection(const IniSection& section, const std::string& iniPath) {
  TextLayout layout;
  if (const IniEntry* e = section.Find("Format")) {
    const std::string v = ToLowerAscii(e->value);
    if (v == "csvdelimited") layout.delimiter = ',';
    else if (v == "tabdelimited") layout.delimiter = '\t';
    else if (v == "fixedlength") layout.format = TextLayout::Format::Fixed;
    else if (v.starts_with("delimited(") && e->value.size() == 12 && e->value[11] == ')') layout.delimiter = e->value[10];
    else throw IniError(iniPath, e->line, "未知的 Format 值“" + e->value + "”");
    if (layout.format == TextLayout::Format::Delimited && (layout.delimiter == '"' || layout.delimiter == '\n' ||
                                                          layout.delimiter == '\r'))
      throw IniError(iniPath, e->line, "不能用作分隔符的字符“" + e->value + "”");
  }
  if (const IniEntry* e = section.Find("ColNameHeader")) {
    const std::string v = ToLowerAscii(e->value);
    if (v == "true" || v == "1" || v == "yes") layout.header = true;
    else if (v == "false" || v == "0" || v == "no") layout.header = false;
    else throw IniError(iniPath, e->line, "ColNameHeader 的值应为 True 或 False");
  }
  if (const IniEntry* e = section.Find("MaxScanRows")) {
    char* end = nullptr;
    const long n = std::strtol(e->value.c_str(), &end, 10);
    if (end == e->value.c_str() || *end || n < 0) throw IniError(iniPath, e->line, "MaxScanRows 的值应为非负整数");
    layout.maxScanRows = n == 0 ? 1000 : static_cast<int>(std::min(n, 100000L));
  }
  if (const IniEntry* e = section.Find("CharacterSet")) {
    auto set = CharsetFromName(e->value);
    if (!set) throw IniError(iniPath, e->line, "不支持的字符集“" + e->value + "”");
    layout.charset = *set;
  }
  if (const IniEntry* e = section.Find("DateTimeFormat")) layout.dateFormat = e->value;
  // Col1 .. ColN, in number order; a gap ends nothing but is an error.
  std::map<int, const IniEntry*> cols;
  for (const IniEntry& e : section.entries) {
    if (e.key.size() < 4 || !EqualsNoCase(e.key.substr(0, 3), "col")) continue;
    char* end = nullptr;
    const long n = std::strtol(e.key.c_str() + 3, &end, 10);
    if (*end || n < 1 || n > 4096) continue;  // ColNameHeader and other keys
    if (cols.count(static_cast<int>(n))) throw IniError(iniPath, e.line, "列 " + e.key + " 重复定义");
    cols[static_cast<int>(n)] = &e;
  }
  int expected = 1;
  for (const auto& [n, e] : cols) {
    if (n != expected) throw IniError(iniPath, e->line, "缺少 Col" + std::to_string(expected) + " 的定义");
    ++expected;
    // "name type [Width n]"; the name may hold spaces or be in quotes.
    std::vector<std::string> words = Words(e->value);
    FileColumn column;
    if (words.size() >= 2 && EqualsNoCase(words[words.size() - 2], "width")) {
      char* end = nullptr;
      const long w = std::strtol(words.back().c_str(), &end, 10);
      if (*end || w <= 0 || w > 65535) throw IniError(iniPath, e->line, "Width 的值应为正整数");
      column.width = static_cast<int>(w);
      words.resize(words.size() - 2);
    } else if (layout.format == TextLayout::Format::Fixed) {
      throw IniError(iniPath, e->line, "定长格式的每一列都需要 Width");
    }
    if (words.size() < 2) throw IniError(iniPath, e->line, "列定义应为“列名 类型 [Width n]”");
    auto kind = KindFromTypeName(words.back());
    if (!kind) throw IniError(iniPath, e->line, "未知的列类型“" + words.back() + "”");
    column.kind = *kind;
    words.pop_back();
    std::string name;
    for (const std::string& w : words) name += (name.empty() ? "" : " ") + w;
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
    column.name = name;
    layout.columns.push_back(column);
  }
  return layout;
}

void WriteSchemaSection(const std::string& folder, const std::string& fileName, const TextLayout* layout) {
  const std::string path = SchemaIniPath(folder);
  bool exists = false;
  const std::string old = ReadAll(path, exists);
  // Lines of other sections are kept as they are, bytes and line ends alike.
  std::string out;
  bool skipping = false;
  std::size_t start = 0;
  while (start < old.size()) {
    std::size_t end = old.find('\n', start);
    end = end == std::string::npos ? old.size() : end + 1;
    const std::string line = old.substr(start, end - start);
    const std::string t = Trim(line.substr(0, line.find('\n')));
    if (!t.empty() && t[0] == '[') {
      const std::size_t close = t.find(']');
      const std::string name =
          UnescapeKey(AsUtf8(Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1))));
      skipping = EqualsNoCase(name, fileName);
    }
    if (!skipping) out += line;
    start = end;
  }
  if (layout) {
    if (!out.empty() && out.back() != '\n') out += "\r\n";
    std::string section = "[" + fileName + "]\r\n";
    section += std::string("ColNameHeader=") + (layout->header ? "True" : "False") + "\r\n";
    if (layout->format == TextLayout::Format::Fixed) section += "Format=FixedLength\r\n";
    else if (layout->delimiter == ',') section += "Format=CSVDelimited\r\n";
    else if (layout->delimiter == '\t') section += "Format=TabDelimited\r\n";
    else section += std::string("Format=Delimited(") + layout->delimiter + ")\r\n";
    section += "MaxScanRows=25\r\n";
    section += std::string("CharacterSet=") + (layout->charset == Charset::Gbk ? "ANSI" : "UTF-8") + "\r\n";
    for (std::size_t i = 0; i < layout->columns.size(); ++i) {
      const FileColumn& c = layout->columns[i];
      section += "Col" + std::to_string(i + 1) + "=" + c.name + " " + TypeWord(c.kind);
      if (c.kind == ColumnKind::Text || c.kind == ColumnKind::Memo || layout->format == TextLayout::Format::Fixed)
        section += " Width " + std::to_string(c.width);
      section += "\r\n";
    }
    // schema.ini is GBK text unless it already is UTF-8 beyond ASCII.
    if (!(IsValidUtf8(old) && !IsAscii(old))) {
      TextCodec codec(Charset::Gbk);
      std::string gbk;
      if (codec.FromUtf8(section, gbk)) section = gbk;
    }
    out += section;
  }
  if (!exists && !layout) return;
  AtomicFile file(path);
  file.Write(out);
  ReplaceFile(file.Finish(), path);
}

}  // namespace orva::filedriver
