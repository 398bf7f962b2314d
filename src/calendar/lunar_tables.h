#pragma once
// The lunar calendar tables for the lunar years 1901-2050 (calendar data,
// generated once by tools/calendar/make_lunar_tables.js).

#include <cstdint>

namespace orva::calendar {

constexpr int kLunarFirstYear = 1901;
constexpr int kLunarLastYear = 2050;
constexpr int kLunarYearCount = kLunarLastYear - kLunarFirstYear + 1;

extern const std::uint32_t kLunarMonthSizes[kLunarYearCount];
extern const std::uint8_t kLunarLeapMonths[kLunarYearCount / 2];
extern const std::uint8_t kSolarTermBytes[kLunarYearCount * 12];

}  // namespace orva::calendar
