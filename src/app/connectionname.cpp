#include "app/connectionname.h"

#include <cctype>

namespace orva {

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The part after the last "/" or "\" (a GBK trail byte can be "\", so the
// path is walked character by character).
std::string FileNameOf(std::string_view path) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < path.size();) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (c >= 0x81 && c <= 0xFE && i + 1 < path.size()) {
      i += 2;
      continue;
    }
    if (c == '/' || c == '\\') start = i + 1;
    ++i;
  }
  std::string name(path.substr(start));
  return name.empty() ? std::string(path) : name;
}

}  // namespace

std::string ConnectStringKeyValue(std::string_view connect, std::string_view key) {
  std::size_t pos = 0;
  while (pos < connect.size()) {
    const std::size_t eq = connect.find('=', pos);
    if (eq == std::string_view::npos) break;
    const std::string_view name = Trim(connect.substr(pos, eq - pos));
    std::size_t end;
    std::string_view value;
    std::size_t valueStart = eq + 1;
    while (valueStart < connect.size() && connect[valueStart] == ' ') ++valueStart;
    if (valueStart < connect.size() && connect[valueStart] == '{') {
      const std::size_t close = connect.find('}', valueStart);
      end = close == std::string_view::npos ? connect.size() : close + 1;
      value = connect.substr(valueStart + 1, (close == std::string_view::npos ? connect.size() : close) - valueStart - 1);
      end = connect.find(';', end);
    } else {
      end = connect.find(';', eq);
      value = Trim(connect.substr(eq + 1, (end == std::string_view::npos ? connect.size() : end) - eq - 1));
    }
    if (EqualNoCase(name, key)) return std::string(value);
    if (end == std::string_view::npos) break;
    pos = end + 1;
  }
  return {};
}

std::string ConnectionDisplayName(std::string_view connect) {
  for (const char* key : {"SERVER", "SERVERNAME"}) {
    std::string value = ConnectStringKeyValue(connect, key);
    if (!value.empty()) return value;
  }
  for (const char* key : {"DATABASE", "DBQ"}) {
    std::string value = ConnectStringKeyValue(connect, key);
    if (!value.empty()) return FileNameOf(value);
  }
  return {};
}

}  // namespace orva
