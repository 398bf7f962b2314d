// Checks the lunar tables against quoted calendar values and against the
// invariants every real lunar calendar satisfies.

#include <gtest/gtest.h>

#include "calendar/daynumber.h"
#include "calendar/lunar.h"
#include "calendar/lunar_tables.h"

namespace orva::calendar {
namespace {

TEST(LunarTables, LeapMonthsAndMonthSizeWordsOfQuotedYears) {
  const std::pair<int, int> leaps[] = {{1901, 0}, {1903, 5}, {2001, 4}, {2004, 2}, {2006, 7}, {2009, 5},
                                       {2012, 4}, {2014, 9}, {2017, 6}, {2020, 4}, {2023, 2}, {2025, 6}};
  for (const auto& [year, leap] : leaps) EXPECT_EQ(LunarLeapMonth(year), leap) << year;
  EXPECT_EQ(kLunarMonthSizes[1901 - kLunarFirstYear], 0x4AE0u);
  EXPECT_EQ(kLunarMonthSizes[2001 - kLunarFirstYear], 0xD4A8u);
  // The leap nibbles pair years with the earlier year high: 1903 and 1904.
  EXPECT_EQ(kLunarLeapMonths[(1903 - kLunarFirstYear) / 2], 0x50);
}

TEST(LunarTables, SolarTermDaysOf2024) {
  const int expected[12][2] = {{6, 20}, {4, 19}, {5, 20}, {4, 19}, {5, 20}, {5, 21},
                               {6, 22}, {7, 22}, {7, 22}, {8, 23}, {7, 22}, {6, 21}};
  for (int month = 1; month <= 12; ++month) {
    int first = 0;
    int second = 0;
    ASSERT_TRUE(SolarTermDays(2024, month, first, second));
    EXPECT_EQ(first, expected[month - 1][0]) << "month " << month;
    EXPECT_EQ(second, expected[month - 1][1]) << "month " << month;
  }
}

TEST(LunarTables, EveryYearHasAPossibleLengthAndALeapMonthExactlyWhenItHasThirteenMonths) {
  for (int year = kLunarFirstYear; year <= kLunarLastYear; ++year) {
    const int days = LunarYearDays(year);
    const int leap = LunarLeapMonth(year);
    SCOPED_TRACE(year);
    if (leap == 0) {
      EXPECT_TRUE(days >= 353 && days <= 355) << days;
    } else {
      EXPECT_TRUE(leap >= 1 && leap <= 12);
      EXPECT_TRUE(days >= 383 && days <= 385) << days;
      EXPECT_GT(LunarMonthDays(year, leap, true), 0);
    }
    // Bits below the last month are unused.
    const int months = leap ? 13 : 12;
    EXPECT_EQ(kLunarMonthSizes[year - kLunarFirstYear] & ((1u << (16 - months)) - 1), 0u);
    EXPECT_EQ(kLunarMonthSizes[year - kLunarFirstYear] >> 16, 0u);
  }
}

TEST(LunarTables, NewYearsFallBetweenJanuary21AndFebruary20AndMatchTheConversion) {
  // Lunar 1 January 1901 is 19 February 1901; each later new year follows the
  // previous one by that year's length.
  int newYear = JdnFromGregorian(1901, 2, 19);
  for (int year = kLunarFirstYear; year <= kLunarLastYear; ++year) {
    SCOPED_TRACE(year);
    const GregorianDate date = GregorianFromJdn(newYear);
    EXPECT_EQ(date.year, year);
    EXPECT_GE(newYear, JdnFromGregorian(year, 1, 21));
    EXPECT_LE(newYear, JdnFromGregorian(year, 2, 20));
    LunarDate lunar;
    int term = 0;
    ASSERT_TRUE(GregorianToLunar(date, lunar, term));
    EXPECT_EQ(lunar, (LunarDate{year, 1, 1, false}));
    ASSERT_TRUE(GregorianToLunar(GregorianFromJdn(newYear - 1), lunar, term));
    EXPECT_EQ(lunar.year, year - 1);
    EXPECT_EQ(lunar.month, 12);
    EXPECT_FALSE(lunar.leap);
    EXPECT_TRUE(lunar.day == 29 || lunar.day == 30);
    newYear += LunarYearDays(year);
  }
  EXPECT_EQ(newYear - 1, LastLunarJdn());
}

TEST(LunarTables, WellKnownSpringFestivals) {
  const GregorianDate festivals[] = {{1949, 1, 29}, {1976, 1, 31}, {2000, 2, 5}, {2008, 2, 7},
                                     {2020, 1, 25}, {2024, 2, 10}, {2025, 1, 29}, {2033, 1, 31}};
  for (const GregorianDate& date : festivals) {
    LunarDate lunar;
    int term = 0;
    ASSERT_TRUE(GregorianToLunar(date, lunar, term));
    EXPECT_EQ(lunar, (LunarDate{date.year, 1, 1, false})) << date.year;
  }
}

TEST(LunarTables, SolarTermsFollowTheSunThroughEveryYear) {
  // Each month's terms fall on days 3-9 and 18-24, and consecutive terms are
  // 14 to 16 days apart all the way through the tables.
  int previous = 0;
  for (int year = kLunarFirstYear; year <= kLunarLastYear; ++year) {
    for (int month = 1; month <= 12; ++month) {
      int first = 0;
      int second = 0;
      ASSERT_TRUE(SolarTermDays(year, month, first, second));
      SCOPED_TRACE(testing::Message() << year << "-" << month);
      EXPECT_TRUE(first >= 3 && first <= 9) << first;
      EXPECT_TRUE(second >= 18 && second <= 24) << second;
      for (const int day : {first, second}) {
        const int jdn = JdnFromGregorian(year, month, day);
        if (previous) {
          EXPECT_TRUE(jdn - previous >= 14 && jdn - previous <= 16) << jdn - previous;
        }
        previous = jdn;
      }
    }
  }
}

TEST(LunarTables, WinterSolsticeAlwaysFallsInTheEleventhLunarMonth) {
  // The rule that anchors the lunar calendar: month 11 holds the winter
  // solstice (term 24).
  for (int year = kLunarFirstYear; year <= kLunarLastYear; ++year) {
    int first = 0;
    int solstice = 0;
    ASSERT_TRUE(SolarTermDays(year, 12, first, solstice));
    LunarDate lunar;
    int term = 0;
    ASSERT_TRUE(GregorianToLunar({year, 12, solstice}, lunar, term));
    EXPECT_EQ(term, 24);
    EXPECT_EQ(lunar.month, 11) << year;
    EXPECT_FALSE(lunar.leap) << year;
  }
}

}  // namespace
}  // namespace orva::calendar
