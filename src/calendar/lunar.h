#pragma once
// Gregorian to Chinese lunar conversion over the lunar tables (lunar years
// 1901-2050), with the solar term that falls on the day.

#include "calendar/daynumber.h"

namespace orva::calendar {

struct LunarDate {
  int year = 0;
  int month = 0;  // 1-12; for a leap month the number of the month it follows
  int day = 0;
  bool leap = false;
  friend bool operator==(const LunarDate&, const LunarDate&) = default;
};

// The month after which the year's leap month follows, 0 for none (and for
// years outside the tables).
int LunarLeapMonth(int lunarYear);

// Days (29 or 30) of a lunar month; years up to 1900 count 30-day months, and
// years after the tables, or a leap month the year does not have, give 0.
int LunarMonthDays(int lunarYear, int month, bool leap = false);

// Days of a whole lunar year (the leap month included); 0 outside the tables.
int LunarYearDays(int lunarYear);

// Days of the month on which its two solar terms fall (terms 2m-1 and 2m of
// month m); false for years outside the tables.
bool SolarTermDays(int year, int month, int& firstDay, int& secondDay);

// The solar term (1-24) that falls on the Gregorian date, 0 for none.
int SolarTermOfDate(const GregorianDate& date);

// First and last JDN that the lunar tables can convert.
int FirstLunarJdn();
int LastLunarJdn();

// Converts a Gregorian date. Returns false, leaving the outputs untouched, for
// dates the tables do not cover. `solarTerm` receives the day's term or 0.
bool GregorianToLunar(const GregorianDate& date, LunarDate& lunar, int& solarTerm);

}  // namespace orva::calendar
