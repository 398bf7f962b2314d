#pragma once
// Connection strings: reading the data-source and user names out of a
// completed string, and the strings that open file databases.
//
// The file builders take the path as data text and cut the directory at the
// last path separator; both "/" and "\" count as separators.

#include <string>
#include <string_view>

namespace orva {

// The value of `key` (for example "DSN=") up to the next ";" or the end of the
// string; empty when the key is absent. The key is searched case-sensitively.
std::string ConnectStringValue(std::string_view connect, std::string_view key);

// The string without its password ("PWD=" or "PASSWORD=" in any letter
// case, a value in braces included), so that it can be kept and shown.
std::string ConnectStringWithoutPassword(std::string_view connect);
// True when the string carries a password.
bool ConnectStringHasPassword(std::string_view connect);

struct DataSourceNames {
  std::string dataSource;  // "文件数据库" (GBK) when the string names no data source
  std::string user;
};
// Data-source and user names of a completed connection string. The user is
// taken only from a string that has a "DSN=" key.
DataSourceNames ParseCompletedConnectString(std::string_view connect);

// The part of the path before its last "/" or "\"; empty when it has none.
std::string DirectoryOfPath(std::string_view path);

std::string AccessConnectString(std::string_view path);
std::string TextConnectString(std::string_view path);
std::string DBaseConnectString(std::string_view path);
std::string ExcelConnectString(std::string_view path);

}  // namespace orva
