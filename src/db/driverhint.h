#pragma once
// A connection string that names a driver which is not installed gets one
// clear message naming the driver and what to install, instead of the driver
// manager's bare "data source name not found".

#include <string>
#include <string_view>
#include <vector>

namespace orva {

// The name after "DRIVER=" (braces removed); empty when the string names no
// driver by name (a data source, or a driver given as a library path).
std::string DriverNameOf(std::string_view connect);

// The message (GBK) when the string names a driver that is not among
// `installed` (compared without regard to letter case); empty otherwise.
std::string MissingDriverMessage(std::string_view connect, const std::vector<std::string>& installed);

}  // namespace orva
