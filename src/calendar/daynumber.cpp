#include "calendar/daynumber.h"

namespace orva::calendar {
namespace {

// Days before each month in a common year.
constexpr int kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

// Days from 1 January of year 1 to the date, the first day counting as 1.
int DayOrdinal(const GregorianDate& date) {
  const int y = date.year - 1;
  int days = 365 * y + y / 4 - y / 100 + y / 400;
  days += kDaysBeforeMonth[date.month - 1];
  if (date.month > 2 && IsLeapYear(date.year)) ++days;
  return days + date.day;
}

}  // namespace

int JdnFromGregorian(int year, int month, int day) {
  const int a = (14 - month) / 12;
  const int y = year + 4800 - a;
  const int m = month + 12 * a - 3;
  return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

GregorianDate GregorianFromJdn(int jdn) {
  const int a = jdn + 32044;
  const int b = (4 * a + 3) / 146097;
  const int c = a - 146097 * b / 4;
  const int d = (4 * c + 3) / 1461;
  const int e = c - 1461 * d / 4;
  const int m = (5 * e + 2) / 153;
  GregorianDate date;
  date.day = e - (153 * m + 2) / 5 + 1;
  date.month = m + 3 - 12 * (m / 10);
  date.year = 100 * b + d - 4800 + m / 10;
  return date;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValidDate(int year, int month, int day) {
  return year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

int WeekdayOfJdn(int jdn) { return jdn % 7 + 1; }

int IsoWeekOfJdn(int jdn) {
  // The week belongs to the year of its Thursday; count weeks from the
  // Thursday of that year's first week.
  const int thursday = jdn - (WeekdayOfJdn(jdn) - 1) + 3;
  const int weekYear = GregorianFromJdn(thursday).year;
  return (thursday - JdnFromGregorian(weekYear, 1, 1)) / 7 + 1;
}

int WeekOfMonth(int jdn) {
  // Counted from the Monday of the week holding the 1st, so that the result
  // stays right where ISO week numbers wrap at the turn of the year.
  const GregorianDate date = GregorianFromJdn(jdn);
  const int first = JdnFromGregorian(date.year, date.month, 1);
  const int firstMonday = first - (WeekdayOfJdn(first) - 1);
  return (jdn - firstMonday) / 7 + 1;
}

int DaysBetween(const GregorianDate& from, const GregorianDate& to) { return DayOrdinal(to) - DayOrdinal(from); }

}  // namespace orva::calendar
