#include <gtest/gtest.h>

#include "calendar/daynumber.h"

namespace orva::calendar {
namespace {

TEST(DayNumber, KnownJulianDayNumbers) {
  EXPECT_EQ(JdnFromGregorian(2000, 1, 1), 2451545);
  EXPECT_EQ(JdnFromGregorian(1901, 1, 1), 2415386);
  EXPECT_EQ(JdnFromGregorian(1582, 10, 15), 2299161);
  EXPECT_EQ(GregorianFromJdn(2451545), (GregorianDate{2000, 1, 1}));
  EXPECT_EQ(GregorianFromJdn(2460443), (GregorianDate{2024, 5, 12}));
}

TEST(DayNumber, RoundTripOverTheWholeRangeAdvancesOneDayAtATime) {
  const int first = JdnFromGregorian(1901, 1, 1);
  const int last = JdnFromGregorian(2051, 12, 31);
  GregorianDate expected{1901, 1, 1};
  for (int jdn = first; jdn <= last; ++jdn) {
    const GregorianDate date = GregorianFromJdn(jdn);
    ASSERT_EQ(date, expected) << "JDN " << jdn;
    ASSERT_EQ(JdnFromGregorian(date), jdn);
    // The next calendar day, counted without day numbers.
    if (++expected.day > DaysInMonth(expected.year, expected.month)) {
      expected.day = 1;
      if (++expected.month > 12) {
        expected.month = 1;
        ++expected.year;
      }
    }
  }
}

TEST(DayNumber, WeekdaysRunMondayOneToSundaySeven) {
  EXPECT_EQ(WeekdayOfJdn(JdnFromGregorian(2024, 5, 12)), 7);
  EXPECT_EQ(WeekdayOfJdn(JdnFromGregorian(2024, 5, 13)), 1);
  EXPECT_EQ(WeekdayOfJdn(JdnFromGregorian(1901, 1, 1)), 2);
  EXPECT_EQ(WeekdayOfJdn(JdnFromGregorian(2026, 12, 7)), 1);
}

TEST(DayNumber, IsoWeeksWrapAtTheTurnOfTheYear) {
  EXPECT_EQ(IsoWeekOfJdn(JdnFromGregorian(2024, 1, 1)), 1);
  EXPECT_EQ(IsoWeekOfJdn(JdnFromGregorian(2024, 5, 12)), 19);
  EXPECT_EQ(IsoWeekOfJdn(JdnFromGregorian(2024, 12, 30)), 1);
  EXPECT_EQ(IsoWeekOfJdn(JdnFromGregorian(2021, 1, 3)), 53);
  EXPECT_EQ(IsoWeekOfJdn(JdnFromGregorian(2020, 12, 31)), 53);
  EXPECT_EQ(IsoWeekOfJdn(JdnFromGregorian(2027, 1, 1)), 53);
}

TEST(DayNumber, WeekOfMonthCountsMondayToSundayWeeksFromTheFirst) {
  EXPECT_EQ(WeekOfMonth(JdnFromGregorian(2024, 5, 1)), 1);
  EXPECT_EQ(WeekOfMonth(JdnFromGregorian(2024, 5, 5)), 1);
  EXPECT_EQ(WeekOfMonth(JdnFromGregorian(2024, 5, 6)), 2);
  EXPECT_EQ(WeekOfMonth(JdnFromGregorian(2024, 5, 12)), 2);
  // December 2024 starts on a Sunday and its last days lie in ISO week 1 of
  // the next year: still the sixth week of the month.
  EXPECT_EQ(WeekOfMonth(JdnFromGregorian(2024, 12, 1)), 1);
  EXPECT_EQ(WeekOfMonth(JdnFromGregorian(2024, 12, 2)), 2);
  EXPECT_EQ(WeekOfMonth(JdnFromGregorian(2024, 12, 30)), 6);
  // January 2021 starts in ISO week 53 of 2020.
  EXPECT_EQ(WeekOfMonth(JdnFromGregorian(2021, 1, 4)), 2);
}

TEST(DayNumber, DaysBetweenAgreesWithDayNumbers) {
  const GregorianDate dates[] = {{1901, 1, 1}, {1904, 2, 29}, {1999, 12, 31}, {2000, 2, 28}, {2000, 3, 1},
                                 {2024, 2, 4}, {2050, 12, 31}, {2100, 3, 1}};
  for (const GregorianDate& from : dates) {
    for (const GregorianDate& to : dates) {
      EXPECT_EQ(DaysBetween(from, to), JdnFromGregorian(to) - JdnFromGregorian(from));
    }
  }
  EXPECT_EQ(DaysBetween({2000, 2, 28}, {2000, 3, 1}), 2);
  EXPECT_EQ(DaysBetween({1900, 2, 28}, {1900, 3, 1}), 1);
}

TEST(DayNumber, MonthLengthsAndValidity) {
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(1900, 2), 28);
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
  EXPECT_TRUE(IsValidDate(2024, 2, 29));
  EXPECT_FALSE(IsValidDate(2023, 2, 29));
  EXPECT_FALSE(IsValidDate(2024, 13, 1));
  EXPECT_FALSE(IsValidDate(2024, 4, 31));
}

}  // namespace
}  // namespace orva::calendar
