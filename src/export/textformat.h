#pragma once
// Describing a delimited text file for the text file driver: guessing its
// columns and their types from the first lines, and writing the file's
// section of schema.ini in its folder.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

// Reads a line as the C library's line read does, at most 4095 bytes, with
// every CR and LF removed. `atEnd` tells whether the end of the file was
// reached.
std::string ReadTextLine(std::FILE* file, bool* atEnd = nullptr);

// The pieces between delimiters; an empty piece between two delimiters
// counts, a trailing delimiter adds nothing.
std::vector<std::string> SplitTextLine(std::string_view line, char delimiter);

// "Char", "Integer", "Float" or "Date" for a value of the first data line.
std::string GuessTextType(std::string_view value);

struct TextColumn {
  std::string name;   // GBK
  std::string type;   // "Char", "Integer", "Float", "Date" or empty
  std::string width;  // "255" for Char
};

// The file's section of schema.ini.
struct SchemaSection {
  bool colNameHeader = true;
  int delimiterKind = 0;  // 0 TAB, 1 comma (CSV), 2 other
  char otherDelimiter = 0;
  std::vector<TextColumn> columns;
};

// The lines of the section, keys in their fixed order, without line ends.
std::vector<std::string> SchemaSectionLines(const SchemaSection& section);

// Replaces (or appends) the section named `sectionName` in the schema.ini
// at `iniPath`, keeping every other byte of the file. The name is matched
// ignoring case. False with `error` set when the file cannot be written.
bool WriteSchemaSection(const std::string& iniPath, std::string_view sectionName,
                        const std::vector<std::string>& lines, std::string& error);

}  // namespace orva
