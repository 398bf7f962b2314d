#pragma once
// What the connection dialog remembers between uses: the database type, the
// user name and the servers connected to, most recent first. The password is
// never remembered.

#include <string>
#include <string_view>
#include <vector>

namespace orva {

// The stored server list as the dialog offers it: trailing white space
// removed; nothing stored gives "localhost"; otherwise the pieces between the
// commas in order (an empty piece between two commas stays an empty entry,
// a trailing comma adds none).
std::vector<std::string> ServerEntries(std::string_view stored);

// The list stored after connecting to `server`: the server as typed first,
// then the other entries in order, without the first entry equal to the
// server in any letter case. No entries: the server alone.
std::string StoredServerList(const std::vector<std::string>& entries, std::string_view server);

// The index of the first entry that begins with `prefix` in any letter case;
// -1 when there is none.
int FirstWithPrefix(const std::vector<std::string>& entries, std::string_view prefix);

// The port and database last used with a database type (section
// "PreConnOptions"); empty when never used.
struct TypeOptions {
  std::string port;
  std::string database;
};
TypeOptions ReadTypeOptions(std::string_view dbType);
void WriteTypeOptions(std::string_view dbType, const TypeOptions& options);

}  // namespace orva
