#pragma once
// Everything the calendar shows about one day, and its description text.

#include <string>

#include "calendar/daynumber.h"
#include "calendar/festivals.h"
#include "calendar/lunar.h"

namespace orva::calendar {

struct DayInfo {
  int jdn = 0;
  GregorianDate date;
  int weekday = 0;          // 1 = Monday ... 7 = Sunday
  bool hasLunar = false;    // false outside the lunar tables
  LunarDate lunar;
  int solarTerm = 0;        // 1-24, 0 for none
  FestivalTexts festivals;  // GBK
  bool holiday = false;        // weekend or public holiday
  bool publicHoliday = false;  // marked in a festival table
};

DayInfo DescribeDay(int jdn);

// The day's lunar description (GBK): the lunar year's stem and branch with
// "年", the lunar month and day names and the solar term on the first line,
// then the lunar festival names and the Gregorian and weekday festival names,
// each on a line of its own. Empty for days without lunar data apart from
// their festivals.
std::string DayDescriptionText(const DayInfo& day);

// What the short text under a day number shows.
enum class DayLabelKind { None, Festival, SolarTerm, LunarMonth, LunarDay };

struct DayLabel {
  std::string text;  // GBK
  DayLabelKind kind = DayLabelKind::None;
};

// The short text under the day number in a month grid (GBK): a lunar
// festival, else the solar term, else a Gregorian festival, else the lunar
// month name on the first of a lunar month, else the lunar day name. Only the
// first of several festival names is used, and festival names longer than
// `maxChars` characters are passed over (the tip still shows them).
DayLabel DayCellLabel(const DayInfo& day, std::size_t maxChars = std::string::npos);

}  // namespace orva::calendar
