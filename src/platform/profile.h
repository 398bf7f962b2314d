#pragma once
// The settings store: every remembered value of ORVA, kept by section and
// value name as texts and 32-bit numbers. Texts are GBK data text as the rest
// of the system sees them; the file holds them as UTF-8.
//
// Where the values live: the per-user root is
//   $XDG_CONFIG_HOME/<company>/<application>.conf   (~/.config when unset)
// and the machine root is
//   $ORVA_SYSTEM_CONFIG_DIR/<company>/<application>.conf   (/etc/xdg when unset).
// The machine root falls back to the per-user file when it cannot be written,
// so an ordinary user keeps working settings. With an empty company key the
// store is a plain INI file $XDG_CONFIG_HOME/<application>.ini.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orva {

void SetProfileNames(std::string_view company, std::optional<std::string_view> application);
void SetProfileUserRoot(bool userRoot);

// The path of the file the store currently reads and writes.
std::string ProfileFilePath();
// The per-user file, whichever root the store uses (the recent-file list
// always lives there).
std::string UserProfileFilePath();

std::string GetProfileText(std::string_view section, std::string_view valueName, std::string_view defaultText);
std::int32_t GetProfileNumber(std::string_view section, std::string_view valueName, std::int32_t defaultNumber);

// text == nullopt deletes the value; valueName == nullopt deletes the section.
bool WriteProfileText(std::string_view section, std::optional<std::string_view> valueName,
                      std::optional<std::string_view> text);
bool WriteProfileNumber(std::string_view section, std::string_view valueName, std::int32_t number);

}  // namespace orva
