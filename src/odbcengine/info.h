#pragma once
// SQLGetInfo answers: the driver's own (Driver::Info), else the engine's.

#include <cstdint>
#include <string>
#include <variant>

#include "handles.h"

namespace orva::odbcengine {


// The answer for an information type; raises HY096 for unknown types.
InfoValue GetInfoValue(const Dbc& dbc, SQLUSMALLINT infoType);

}  // namespace orva::odbcengine
