#include "db/connectstring.h"

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

}  // namespace

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
