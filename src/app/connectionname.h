#pragma once
// The name a connection opened from a free connection string is shown under:
// where it connects, taken from the string's server, database or file keys.
// The password never takes part.

#include <string>
#include <string_view>

namespace orva {

// The value of a connection-string key, the key compared without regard to
// letter case and a value in braces unwrapped; empty when the key is absent.
std::string ConnectStringKeyValue(std::string_view connect, std::string_view key);

// SERVER (or SERVERNAME), else DATABASE, else DBQ; a value that is a path
// gives its file name. Empty when the string has none of them.
std::string ConnectionDisplayName(std::string_view connect);

}  // namespace orva
