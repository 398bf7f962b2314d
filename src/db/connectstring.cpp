#include "db/connectstring.h"

#include <cctype>

#include "platform/codec.h"

namespace orva {
namespace {

std::string Format(std::string_view before, std::string_view dir, std::string_view middle,
                   std::string_view second) {
  std::string out;
  out.reserve(before.size() + dir.size() + middle.size() + second.size() + 1);
  out.append(before).append(dir).append(middle).append(second).append(";");
  return out;
}

// The attributes of a connection string: "key=value" pairs separated by
// ";", a value in braces running to its closing brace. Calls
// attribute(key, whole) for each, `whole` including its ";".
template <typename Attribute>
void ForEachAttribute(std::string_view connect, Attribute&& attribute) {
  std::size_t start = 0;
  while (start < connect.size()) {
    std::size_t equals = connect.find('=', start);
    std::size_t end = connect.find(';', start);
    if (equals != std::string_view::npos && (end == std::string_view::npos || equals < end) &&
        equals + 1 < connect.size() && connect[equals + 1] == '{') {
      const std::size_t close = connect.find('}', equals + 2);
      end = close == std::string_view::npos ? std::string_view::npos : connect.find(';', close);
    }
    const std::size_t stop = end == std::string_view::npos ? connect.size() : end + 1;
    const std::string_view key =
        equals != std::string_view::npos && equals < stop ? connect.substr(start, equals - start) : std::string_view();
    attribute(key, connect.substr(start, stop - start));
    start = stop;
  }
}

bool IsPasswordKey(std::string_view key) {
  while (!key.empty() && key.front() == ' ') key.remove_prefix(1);
  while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
  const std::string upper = ToUpperGbk(key);
  return upper == "PWD" || upper == "PASSWORD";
}

}  // namespace

std::string ConnectStringWithoutPassword(std::string_view connect) {
  std::string out;
  ForEachAttribute(connect, [&](std::string_view key, std::string_view whole) {
    if (!IsPasswordKey(key)) out.append(whole);
  });
  return out;
}

bool ConnectStringHasPassword(std::string_view connect) {
  bool found = false;
  ForEachAttribute(connect, [&](std::string_view key, std::string_view) { found = found || IsPasswordKey(key); });
  return found;
}

std::string ConnectStringValue(std::string_view connect, std::string_view key) {
  size_t at = connect.find(key);
  if (at == std::string_view::npos) return {};
  size_t start = at + key.size();
  if (start < connect.size() && connect[start] == '{') {
    std::string value;
    for (size_t i = start + 1; i < connect.size(); ++i) {
      if (connect[i] != '}') {
        value += connect[i];
      } else if (i + 1 < connect.size() && connect[i + 1] == '}') {
        value += '}';
        ++i;
      } else {
        return value;
      }
    }
    return value;
  }
  size_t end = connect.find(';', start);
  return std::string(connect.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

std::string ConnectStringKeyValue(std::string_view connect, std::string_view key) {
  auto trim = [](std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
  };
  auto sameKey = [](std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
  };
  std::size_t pos = 0;
  while (pos < connect.size()) {
    const std::size_t eq = connect.find('=', pos);
    if (eq == std::string_view::npos) break;
    const std::string_view name = trim(connect.substr(pos, eq - pos));
    std::size_t start = eq + 1;
    while (start < connect.size() && connect[start] == ' ') ++start;
    std::string value;
    std::size_t end;
    if (start < connect.size() && connect[start] == '{') {
      // To the closing brace; "}}" inside stands for "}".
      end = start + 1;
      while (end < connect.size()) {
        if (connect[end] == '}') {
          if (end + 1 < connect.size() && connect[end + 1] == '}') {
            value += '}';
            end += 2;
            continue;
          }
          ++end;
          break;
        }
        value += connect[end++];
      }
      end = connect.find(';', end);
    } else {
      end = connect.find(';', eq);
      value = std::string(trim(connect.substr(eq + 1, (end == std::string_view::npos ? connect.size() : end) - eq - 1)));
    }
    if (sameKey(name, key)) return value;
    if (end == std::string_view::npos) break;
    pos = end + 1;
  }
  return {};
}

std::string ConnectStringQuoted(std::string_view value) {
  if (value.find_first_of(";{}") == std::string_view::npos) return std::string(value);
  std::string out = "{";
  for (char c : value) {
    out += c;
    if (c == '}') out += '}';
  }
  out += '}';
  return out;
}

std::string ServerConnectString(const ServerLogin& login) {
  // The driver name always stands in braces; a "}" in it is doubled.
  std::string type = ConnectStringQuoted(login.dbType);
  if (type.empty() || type.front() != '{') type = "{" + type + "}";
  std::string out = "DRIVER=" + type + ";SERVER=" + ConnectStringQuoted(login.server) +
                    ";UID=" + ConnectStringQuoted(login.user) + ";PWD=" + ConnectStringQuoted(login.password) + ";";
  if (!login.port.empty()) out += "Port=" + ConnectStringQuoted(login.port) + ";";
  if (!login.database.empty()) out += "Database=" + ConnectStringQuoted(login.database) + ";";
  return out;
}

DataSourceNames ParseCompletedConnectString(std::string_view connect) {
  DataSourceNames names;
  if (connect.find("DSN=") != std::string_view::npos) {
    names.dataSource = ConnectStringValue(connect, "DSN=");
    names.user = ConnectStringValue(connect, "UID=");
  }
  if (names.dataSource.empty()) names.dataSource = GbkFromUtf8("文件数据库");
  return names;
}

std::string DirectoryOfPath(std::string_view path) {
  // A "\" can be the second byte of a GBK character, so the separator is
  // searched character by character.
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < path.size(); i += CharLengthAt(path, i))
    if (path[i] == '\\' || path[i] == '/') last = i;
  return last == std::string_view::npos ? std::string() : std::string(path.substr(0, last));
}

std::string AccessConnectString(std::string_view path) {
  return Format(
      "DRIVER={Microsoft Access Driver (*.mdb)};UserCommitSync=Yes;Threads=3;SafeTransactions=0;"
      "PageTimeout=5;MaxScanRows=8;MaxBufferSize=2048;FIL=MS Access;DriverId=25;DefaultDir=",
      ConnectStringQuoted(DirectoryOfPath(path)), ";DBQ=", ConnectStringQuoted(path));
}

std::string TextConnectString(std::string_view path) {
  const std::string dir = ConnectStringQuoted(DirectoryOfPath(path));
  return Format(
      "DRIVER={Microsoft Text Driver (*.txt; *.csv)};UID=admin;UserCommitSync=Yes;Threads=3;"
      "SafeTransactions=0;PageTimeout=5;MaxScanRows=8;MaxBufferSize=2048;FIL=text;"
      "Extensions=None,asc,csv,tab,txt;DriverId=27;DefaultDir=",
      dir, ";DBQ=", dir);
}

std::string DBaseConnectString(std::string_view path) {
  const std::string dir = ConnectStringQuoted(DirectoryOfPath(path));
  return Format(
      "DRIVER={Microsoft dBase Driver (*.dbf)};UID=admin;UserCommitSync=Yes;Statistics=0;Threads=3;"
      "SafeTransactions=0;PageTimeout=600;MaxScanRows=8;MaxBufferSize=2048;FIL=dBase III;DriverId=21;"
      "CollatingSequence=ASCII;Deleted=1;DefaultDir=",
      dir, ";Exclusive=0;DBQ=", dir);
}

std::string ExcelConnectString(std::string_view path) {
  return Format(
      "DRIVER={Microsoft Excel Driver (*.xls)};UID=admin;UserCommitSync=Yes;Threads=3;SafeTransactions=0;"
      "PageTimeout=5;MaxScanRows=8;MaxBufferSize=2048;FIL=excel 8.0;DriverId=790;ReadOnly=0;DefaultDir=",
      ConnectStringQuoted(DirectoryOfPath(path)), ";DBQ=", ConnectStringQuoted(path));
}

}  // namespace orva
