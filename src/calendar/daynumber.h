#pragma once
// Day numbering: every date is handled as its Julian day number (JDN).

namespace orva::calendar {

struct GregorianDate {
  int year = 0;
  int month = 0;
  int day = 0;
  friend bool operator==(const GregorianDate&, const GregorianDate&) = default;
};

int JdnFromGregorian(int year, int month, int day);
inline int JdnFromGregorian(const GregorianDate& date) { return JdnFromGregorian(date.year, date.month, date.day); }
GregorianDate GregorianFromJdn(int jdn);

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
bool IsValidDate(int year, int month, int day);

// 1 = Monday ... 7 = Sunday.
int WeekdayOfJdn(int jdn);

// ISO 8601 week number (1-53) of the date; weeks run Monday to Sunday and week
// 1 holds the year's first Thursday.
int IsoWeekOfJdn(int jdn);

// Week of the month, weeks running Monday to Sunday, the week holding the 1st
// being week 1.
int WeekOfMonth(int jdn);

// Days from the first date to the second (negative when the second is earlier).
int DaysBetween(const GregorianDate& from, const GregorianDate& to);

}  // namespace orva::calendar
