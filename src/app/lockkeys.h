#pragma once
// The state of the Caps, Num and Scroll lock keys as the keyboard's
// indicators show it.

#include <array>
#include <optional>

namespace orva {

// Caps, Num, Scroll; nothing when the display cannot tell (no X server).
std::optional<std::array<bool, 3>> QueryLockKeys();

}  // namespace orva
