#include "app/connectprefs.h"

#include <cctype>

#include "platform/profile.h"

namespace orva {
namespace {

constexpr const char* kOptionsSection = "PreConnOptions";

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// A value name for a driver name: the settings file takes "/" and "\" as
// group separators, so they are replaced.
std::string OptionName(std::string_view dbType, const char* what) {
  std::string name(dbType);
  for (char& c : name)
    if (c == '/' || c == '\\') c = '_';
  return name + "." + what;
}

}  // namespace

std::vector<std::string> ServerEntries(std::string_view stored) {
  while (!stored.empty() && std::isspace(static_cast<unsigned char>(stored.back()))) stored.remove_suffix(1);
  if (stored.empty()) return {"localhost"};
  std::vector<std::string> entries;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = stored.find(',', start);
    if (comma == std::string_view::npos) {
      if (start < stored.size()) entries.emplace_back(stored.substr(start));
      return entries;
    }
    entries.emplace_back(stored.substr(start, comma - start));
    start = comma + 1;
  }
}

std::string StoredServerList(const std::vector<std::string>& entries, std::string_view server) {
  std::string list(server);
  bool dropped = false;
  for (const std::string& entry : entries) {
    if (!dropped && EqualNoCase(entry, server)) {
      dropped = true;
      continue;
    }
    list += "," + entry;
  }
  return list;
}

int FirstWithPrefix(const std::vector<std::string>& entries, std::string_view prefix) {
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (entries[i].size() >= prefix.size() && EqualNoCase(std::string_view(entries[i]).substr(0, prefix.size()), prefix))
      return static_cast<int>(i);
  return -1;
}

TypeOptions ReadTypeOptions(std::string_view dbType) {
  return TypeOptions{GetProfileText(kOptionsSection, OptionName(dbType, "Port"), ""),
                     GetProfileText(kOptionsSection, OptionName(dbType, "Database"), "")};
}

void WriteTypeOptions(std::string_view dbType, const TypeOptions& options) {
  WriteProfileText(kOptionsSection, OptionName(dbType, "Port"), options.port);
  WriteProfileText(kOptionsSection, OptionName(dbType, "Database"), options.database);
}

}  // namespace orva
