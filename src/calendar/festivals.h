#pragma once
// Festival and holiday lookup for a day.

#include <string>
#include <vector>

namespace orva::calendar {

// One parsed table entry (name in GBK).
struct FestivalEntry {
  int key = 0;         // the four digits as a number, e.g. 101 for "0101"
  bool holiday = false;
  std::string name;    // may be empty or hold several names separated by spaces
};

// The three tables as parsed GBK entries, in table order.
const std::vector<FestivalEntry>& LunarFestivalEntries();
const std::vector<FestivalEntry>& GregorianFestivalEntries();
const std::vector<FestivalEntry>& WeekdayFestivalEntries();

struct FestivalTexts {
  std::string lunar;      // lunar festival names, joined by one space
  std::string gregorian;  // Gregorian and weekday festival names, joined by one space
};

// Festival names of the day (GBK). Days outside the lunar tables still get
// their Gregorian and weekday festivals.
FestivalTexts FestivalsOfDay(int jdn);

// True for days whose lunar or Gregorian entry carries the holiday marker.
bool IsPublicHoliday(int jdn);

// True for Saturdays, Sundays and public holidays.
bool IsHoliday(int jdn);

}  // namespace orva::calendar
