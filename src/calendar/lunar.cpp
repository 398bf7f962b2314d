#include "calendar/lunar.h"

#include "calendar/lunar_tables.h"

namespace orva::calendar {
namespace {

bool InTables(int lunarYear) { return lunarYear >= kLunarFirstYear && lunarYear <= kLunarLastYear; }

// The bit of the month-size word that describes the month (bit 15 = month 1).
int MonthBit(int lunarYear, int month, bool leap) {
  const int leapMonth = LunarLeapMonth(lunarYear);
  if (leap) return 15 - month;
  if (leapMonth == 0 || month <= leapMonth) return 16 - month;
  return 15 - month;
}

// Lunar 1 January 1901 is 19 February 1901, the 50th day counted from
// 1 January 1901; the 49 days before it end the lunar year 1900.
constexpr int kDaysBeforeLunar1901 = 49;
constexpr int kLastDayOfLunar1900Month11 = 18;

}  // namespace

int LunarLeapMonth(int lunarYear) {
  if (!InTables(lunarYear)) return 0;
  const int index = lunarYear - kLunarFirstYear;
  const std::uint8_t pair = kLunarLeapMonths[index / 2];
  return index % 2 == 0 ? pair >> 4 : pair & 0x0F;
}

int LunarMonthDays(int lunarYear, int month, bool leap) {
  if (month < 1 || month > 12) return 0;
  if (lunarYear < kLunarFirstYear) return 30;
  if (!InTables(lunarYear)) return 0;
  if (leap && LunarLeapMonth(lunarYear) != month) return 0;
  const std::uint32_t word = kLunarMonthSizes[lunarYear - kLunarFirstYear];
  return (word >> MonthBit(lunarYear, month, leap)) & 1 ? 30 : 29;
}

int LunarYearDays(int lunarYear) {
  if (!InTables(lunarYear)) return 0;
  const int leapMonth = LunarLeapMonth(lunarYear);
  int days = 0;
  for (int month = 1; month <= 12; ++month) {
    days += LunarMonthDays(lunarYear, month);
    if (month == leapMonth) days += LunarMonthDays(lunarYear, month, true);
  }
  return days;
}

bool SolarTermDays(int year, int month, int& firstDay, int& secondDay) {
  if (!InTables(year) || month < 1 || month > 12) return false;
  const std::uint8_t byte = kSolarTermBytes[(year - kLunarFirstYear) * 12 + month - 1];
  firstDay = 15 - (byte >> 4);
  secondDay = 15 + (byte & 0x0F);
  return true;
}

int SolarTermOfDate(const GregorianDate& date) {
  int first = 0;
  int second = 0;
  if (!SolarTermDays(date.year, date.month, first, second)) return 0;
  if (date.day <= 14) return date.day == first ? 2 * date.month - 1 : 0;
  return date.day == second ? 2 * date.month : 0;
}

int FirstLunarJdn() { return JdnFromGregorian(kLunarFirstYear, 1, 1); }

int LastLunarJdn() {
  static const int last = [] {
    int jdn = FirstLunarJdn() + kDaysBeforeLunar1901;
    for (int year = kLunarFirstYear; year <= kLunarLastYear; ++year) jdn += LunarYearDays(year);
    return jdn - 1;
  }();
  return last;
}

bool GregorianToLunar(const GregorianDate& date, LunarDate& lunar, int& solarTerm) {
  if (!IsValidDate(date.year, date.month, date.day)) return false;
  const int jdn = JdnFromGregorian(date);
  if (jdn < FirstLunarJdn() || jdn > LastLunarJdn()) return false;

  int rest = jdn - FirstLunarJdn();
  LunarDate result;
  if (rest < kDaysBeforeLunar1901) {
    result.year = kLunarFirstYear - 1;
    if (rest <= kLastDayOfLunar1900Month11) {
      result.month = 11;
      result.day = rest + 11;
    } else {
      result.month = 12;
      result.day = rest - kLastDayOfLunar1900Month11;
    }
  } else {
    rest -= kDaysBeforeLunar1901;
    int year = kLunarFirstYear;
    while (rest >= LunarYearDays(year)) rest -= LunarYearDays(year++);
    const int leapMonth = LunarLeapMonth(year);
    int month = 1;
    bool leap = false;
    for (;; ++month) {
      const int days = LunarMonthDays(year, month);
      if (rest < days) break;
      rest -= days;
      if (month == leapMonth) {
        const int leapDays = LunarMonthDays(year, month, true);
        if (rest < leapDays) {
          leap = true;
          break;
        }
        rest -= leapDays;
      }
    }
    result.year = year;
    result.month = month;
    result.day = rest + 1;
    result.leap = leap;
  }
  lunar = result;
  solarTerm = SolarTermOfDate(date);
  return true;
}

}  // namespace orva::calendar
