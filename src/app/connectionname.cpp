#include "app/connectionname.h"

#include "db/connectstring.h"

namespace orva {

namespace {

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
