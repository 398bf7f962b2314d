#pragma once
// SQLGetInfo answers of the test driver.

#include <cstdint>
#include <string>
#include <variant>

#include "handles.h"

namespace orva::testdriver {

using InfoValue = std::variant<std::string, SQLUSMALLINT, SQLUINTEGER>;

// The answer for an information type; raises HY096 for unknown types.
InfoValue GetInfoValue(const Dbc& dbc, SQLUSMALLINT infoType);

}  // namespace orva::testdriver
