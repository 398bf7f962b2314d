#pragma once
// Elapsed-time texts of the query window: hours, minutes, seconds and always a
// milliseconds part ("1小时1分1秒1毫秒").

#include <cstdint>
#include <string>

namespace orva {

// The text as GBK data text.
std::string FormatElapsed(std::uint32_t milliseconds);

// The status-bar clock of a running query: "执行时间: %02d:%02d:%02d" (GBK) of
// the whole seconds elapsed; hours wrap at 24 like a clock.
std::string FormatElapsedClock(std::uint32_t elapsedMilliseconds);

}  // namespace orva
