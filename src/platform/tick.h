#pragma once
// A 32-bit millisecond tick counter from a monotonic clock. It wraps after
// about 49.7 days; callers subtract ticks with unsigned arithmetic so that a
// wrap in between still gives the right difference.

#include <cstdint>
#include <functional>

namespace orva {

std::uint32_t GetTickCount32();

// Replaces the clock (tests drive elapsed-time displays with it); an empty
// function restores the monotonic clock.
void SetTickSourceForTesting(std::function<std::uint32_t()> source);

}  // namespace orva
