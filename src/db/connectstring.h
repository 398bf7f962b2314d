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
// A value in braces is read to its closing brace, "}}" standing for "}".
std::string ConnectStringValue(std::string_view connect, std::string_view key);

// The value of a key (without "="), the key compared without regard to letter
// case and only as a whole key of the string; a value in braces unwrapped
// ("}}" standing for "}"). Empty when the key is absent.
std::string ConnectStringKeyValue(std::string_view connect, std::string_view key);

// A value as a connection string carries it: unchanged when it holds no ";",
// "{" or "}", otherwise enclosed in braces with every "}" doubled, so that a
// typed value (a password such as "p;w}d") can neither end early nor add
// keywords of its own.
std::string ConnectStringQuoted(std::string_view value);

// What the connection dialog gathers for a server connection.
struct ServerLogin {
  std::string dbType;    // the driver's name
  std::string server;
  std::string user;
  std::string password;
  std::string port;      // optional; left out when empty
  std::string database;  // optional; left out when empty
};
// "DRIVER={type};SERVER=s;UID=u;PWD=p;", then "Port=...;" and "Database=...;"
// when given (the keywords the PostgreSQL, MariaDB and FreeTDS drivers read).
std::string ServerConnectString(const ServerLogin& login);

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
// The file builders quote the folder and the path as ConnectStringQuoted does.
std::string DirectoryOfPath(std::string_view path);

std::string AccessConnectString(std::string_view path);
std::string TextConnectString(std::string_view path);
std::string DBaseConnectString(std::string_view path);
std::string ExcelConnectString(std::string_view path);

}  // namespace orva
