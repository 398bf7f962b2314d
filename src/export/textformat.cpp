#include "export/textformat.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cerrno>
#include <cstring>

#include "export/safefile.h"

namespace orva {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool LooksLikeInteger(std::string_view v) {
  if (!(IsDigit(v[0]) || v[0] == '+' || v[0] == '-')) return false;
  return std::all_of(v.begin() + 1, v.end(), IsDigit);
}

bool LooksLikeFloat(std::string_view v) {
  auto floatChar = [](char c) { return IsDigit(c) || c == '+' || c == '-' || c == '.' || c == 'E' || c == 'e'; };
  if (IsDigit(v[0]) && std::all_of(v.begin() + 1, v.end(), floatChar)) return true;
  // A signed number counts when it reads as a number to its end.
  if (v[0] != '-' && v[0] != '+') return false;
  std::string copy(v);
  char* end = nullptr;
  std::strtod(copy.c_str(), &end);
  return end == copy.c_str() + copy.size() && v.size() > 1 && (IsDigit(v[1]) || v[1] == '.');
}

// YYYY-MM-DD or YYYY/MM/DD, optionally followed by a time of day.
bool LooksLikeDate(std::string_view v) {
  auto separators = std::count_if(v.begin(), v.end(), [](char c) { return c == '-' || c == '/'; });
  auto colons = std::count(v.begin(), v.end(), ':');
  if (separators != 2) return false;
  if (colons == 2) return true;
  if (colons != 0) return false;
  std::string_view date = v.substr(0, v.find(' '));
  std::size_t i = 0;
  for (int part = 0; part < 3; ++part) {
    std::size_t start = i;
    while (i < date.size() && IsDigit(date[i])) ++i;
    if (i == start) return false;
    if (part < 2) {
      if (i >= date.size() || (date[i] != '-' && date[i] != '/')) return false;
      ++i;
    }
  }
  return i == date.size();
}

std::string Trimmed(std::string_view text) {
  std::size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  std::size_t end = text.find_last_not_of(" \t\r");
  return std::string(text.substr(begin, end - begin + 1));
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

std::string ReadTextLine(std::FILE* file, bool* atEnd) {
  char buffer[4096];
  std::string line;
  if (file && std::fgets(buffer, sizeof buffer, file)) line = buffer;
  if (atEnd) *atEnd = !file || std::feof(file);
  line.erase(std::remove_if(line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }), line.end());
  return line;
}

std::vector<std::string> SplitTextLine(std::string_view line, char delimiter) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (start < line.size()) {
    std::size_t at = line.find(delimiter, start);
    if (at == std::string_view::npos) {
      pieces.emplace_back(line.substr(start));
      break;
    }
    pieces.emplace_back(line.substr(start, at - start));
    start = at + 1;
  }
  return pieces;
}

std::string GuessTextType(std::string_view value) {
  if (value.empty()) return "Char";
  if (LooksLikeInteger(value)) return "Integer";
  // Checked before Float: a date such as 2004-05-06 holds only float characters.
  if (LooksLikeDate(value)) return "Date";
  if (LooksLikeFloat(value)) return "Float";
  return "Char";
}

std::vector<std::string> SchemaSectionLines(const SchemaSection& section) {
  std::vector<std::string> lines;
  lines.push_back(std::string("ColNameHeader=") + (section.colNameHeader ? "True" : "False"));
  if (section.delimiterKind == 1)
    lines.push_back("Format=CSVDelimited");
  else if (section.delimiterKind == 2)
    lines.push_back(std::string("Format=Delimited(") + section.otherDelimiter + ")");
  else
    lines.push_back("Format=TabDelimited");
  lines.push_back("MaxScanRows=25");
  lines.push_back("CharacterSet=ANSI");
  for (std::size_t i = 0; i < section.columns.size(); ++i) {
    const TextColumn& column = section.columns[i];
    std::string line = "Col" + std::to_string(i + 1) + "=" + column.name + " " + column.type;
    if (SameNameIgnoringCase(column.type, "Char")) line += " Width " + std::to_string(std::atoi(column.width.c_str()));
    lines.push_back(std::move(line));
  }
  return lines;
}

bool WriteSchemaSection(const std::string& iniPath, std::string_view sectionName,
                        const std::vector<std::string>& lines, std::string& error) {
  std::string old;
  if (std::FILE* in = std::fopen(iniPath.c_str(), "rb")) {
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) old.append(buffer, got);
    const bool failed = std::ferror(in);
    const int readError = errno;
    std::fclose(in);
    if (failed) {
      char text[256];
      error = strerror_r(readError, text, sizeof text);
      return false;
    }
  }
  // Line ends as the file has them; CR LF in a new file.
  const std::string eol = old.find("\r\n") != std::string::npos || old.find('\n') == std::string::npos ? "\r\n" : "\n";

  // Cut the file into lines (with their ends) and find the section.
  std::size_t sectionBegin = std::string::npos, sectionEnd = old.size();
  for (std::size_t at = 0; at < old.size();) {
    std::size_t next = old.find('\n', at);
    next = next == std::string::npos ? old.size() : next + 1;
    std::string line = Trimmed(std::string_view(old).substr(at, next - at));
    if (!line.empty() && line.front() == '[') {
      if (sectionBegin != std::string::npos) {
        sectionEnd = at;
        break;
      }
      std::size_t close = line.find(']');
      if (close != std::string::npos && SameNameIgnoringCase(Trimmed(line.substr(1, close - 1)), sectionName))
        sectionBegin = at;
    }
    at = next;
  }

  std::string block = "[" + std::string(sectionName) + "]" + eol;
  for (const std::string& line : lines) block += line + eol;
  std::string updated;
  if (sectionBegin != std::string::npos) {
    updated = old.substr(0, sectionBegin) + block + old.substr(sectionEnd);
  } else {
    updated = old;
    if (!updated.empty() && updated.back() != '\n') updated += eol;
    updated += block;
  }

  SafeFileOutput out(iniPath);
  if (!out.Open() || !out.Write(updated.data(), updated.size()) || !out.Commit()) {
    error = out.ErrorText();
    return false;
  }
  return true;
}

}  // namespace orva
