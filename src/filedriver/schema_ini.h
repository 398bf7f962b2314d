#pragma once
// The schema.ini file of a folder of text tables: one section per text file,
// named by the file name, with the keys that describe its layout.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "charset.h"
#include "file_table.h"

namespace orva::filedriver {

struct IniEntry {
  std::string key;
  std::string value;
  int line = 0;
};

struct IniSection {
  std::string name;  // as written (the file name)
  int line = 0;
  std::vector<IniEntry> entries;
  const IniEntry* Find(const std::string& key) const;  // ignoring case
};

// The sections of <folder>/schema.ini, texts as UTF-8 (the file is read as
// UTF-8 when it is valid UTF-8, else as GBK); empty when there is none.
std::vector<IniSection> ReadSchemaIni(const std::string& folder);
std::string SchemaIniPath(const std::string& folder);

// How a text file is laid out.
struct TextLayout {
  enum class Format { Delimited, Fixed };
  Format format = Format::Delimited;
  char delimiter = ',';
  bool header = true;
  int maxScanRows = 25;
  Charset charset = Charset::Gbk;
  std::string dateFormat;          // DateTimeFormat, empty when not given
  std::vector<FileColumn> columns;  // from the Col keys; empty when not given
};

// The layout a section describes. Raises DriverError naming schema.ini and
// the line of a bad value (an unknown format, type or character set).
TextLayout LayoutFromSection(const IniSection& section, const std::string& iniPath);

// Column type of a Col key's type word; nullopt when unknown.
std::optional<ColumnKind> KindFromTypeName(const std::string& word);

// Writes (replaces) or removes the section of a file in the folder's
// schema.ini, keeping every other line. Raises DriverError.
void WriteSchemaSection(const std::string& folder, const std::string& fileName, const TextLayout* layout);

}  // namespace orva::filedriver
