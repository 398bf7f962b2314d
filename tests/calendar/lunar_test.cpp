#include <gtest/gtest.h>

#include "calendar/daynumber.h"
#include "calendar/lunar.h"

namespace orva::calendar {
namespace {

LunarDate Lunar(const GregorianDate& date, int* term = nullptr) {
  LunarDate lunar;
  int dayTerm = -1;
  EXPECT_TRUE(GregorianToLunar(date, lunar, dayTerm)) << date.year << "-" << date.month << "-" << date.day;
  if (term) *term = dayTerm;
  return lunar;
}

TEST(LunarConversion, TheFirstDaysBelongToLunar1900) {
  EXPECT_EQ(Lunar({1901, 1, 1}), (LunarDate{1900, 11, 11, false}));
  EXPECT_EQ(Lunar({1901, 1, 19}), (LunarDate{1900, 11, 29, false}));
  EXPECT_EQ(Lunar({1901, 1, 20}), (LunarDate{1900, 12, 1, false}));
  EXPECT_EQ(Lunar({1901, 2, 18}), (LunarDate{1900, 12, 30, false}));
  EXPECT_EQ(Lunar({1901, 2, 19}), (LunarDate{1901, 1, 1, false}));
  EXPECT_EQ(Lunar({1901, 2, 20}), (LunarDate{1901, 1, 2, false}));
}

TEST(LunarConversion, SolarTermOfTheDay) {
  int term = -1;
  EXPECT_EQ(Lunar({2024, 2, 4}, &term), (LunarDate{2023, 12, 25, false}));
  EXPECT_EQ(term, 3);
  Lunar({2024, 2, 5}, &term);
  EXPECT_EQ(term, 0);
  Lunar({2024, 12, 21}, &term);
  EXPECT_EQ(term, 24);
  Lunar({2024, 1, 6}, &term);
  EXPECT_EQ(term, 1);
  Lunar({2024, 6, 5}, &term);
  EXPECT_EQ(term, 11);
}

TEST(LunarConversion, LeapMonthsAndMonthEnds) {
  // 2023 had a leap second month, 2020 a leap fourth month.
  EXPECT_EQ(Lunar({2023, 3, 21}), (LunarDate{2023, 2, 30, false}));
  EXPECT_EQ(Lunar({2023, 3, 22}), (LunarDate{2023, 2, 1, true}));
  EXPECT_EQ(Lunar({2023, 4, 20}), (LunarDate{2023, 3, 1, false}));
  EXPECT_EQ(Lunar({2020, 5, 23}), (LunarDate{2020, 4, 1, true}));
  EXPECT_EQ(Lunar({2020, 6, 21}), (LunarDate{2020, 5, 1, false}));
  // Mid-autumn festivals.
  EXPECT_EQ(Lunar({2020, 10, 1}), (LunarDate{2020, 8, 15, false}));
  EXPECT_EQ(Lunar({2024, 9, 17}), (LunarDate{2024, 8, 15, false}));
  EXPECT_EQ(LunarMonthDays(2023, 2, true), 29);
  EXPECT_EQ(LunarMonthDays(2023, 3, true), 0);
  EXPECT_EQ(LunarMonthDays(1900, 12), 30);
  EXPECT_EQ(LunarMonthDays(2051, 1), 0);
}

TEST(LunarConversion, EveryDayFollowsThePreviousOneAndNoLeapMonthHoldsAMajorTerm) {
  LunarDate previous = Lunar({1901, 1, 1});
  for (int jdn = FirstLunarJdn() + 1; jdn <= LastLunarJdn(); ++jdn) {
    int term = 0;
    const LunarDate lunar = Lunar(GregorianFromJdn(jdn), &term);
    if (lunar.day != 1) {
      ASSERT_EQ(lunar, (LunarDate{previous.year, previous.month, previous.day + 1, previous.leap})) << jdn;
    } else {
      ASSERT_TRUE(previous.day == 29 || previous.day == 30) << jdn;
      const bool leapFollows = !previous.leap && lunar.leap && lunar.month == previous.month;
      const bool nextMonth = !lunar.leap && lunar.month == previous.month % 12 + 1 &&
                             lunar.year == previous.year + (previous.month == 12 ? 1 : 0);
      ASSERT_TRUE(leapFollows || nextMonth) << jdn;
      if (previous.year >= 1901) {
        ASSERT_EQ(previous.day, LunarMonthDays(previous.year, previous.month, previous.leap)) << jdn;
      }
    }
    // Major terms (the even ones) never fall in a leap month.
    if (lunar.leap) {
      ASSERT_TRUE(term == 0 || term % 2 == 1) << jdn;
    }
    previous = lunar;
  }
}

TEST(LunarConversion, DatesOutsideTheTablesHaveNoLunarDate) {
  LunarDate lunar{7, 7, 7, true};
  int term = 42;
  EXPECT_FALSE(GregorianToLunar({1900, 12, 31}, lunar, term));
  EXPECT_FALSE(GregorianToLunar(GregorianFromJdn(LastLunarJdn() + 1), lunar, term));
  EXPECT_FALSE(GregorianToLunar({2024, 2, 30}, lunar, term));
  EXPECT_EQ(lunar, (LunarDate{7, 7, 7, true}));
  EXPECT_EQ(term, 42);
  // The last convertible day closes lunar 2050.
  EXPECT_EQ(Lunar(GregorianFromJdn(LastLunarJdn())).year, 2050);
  EXPECT_EQ(Lunar(GregorianFromJdn(LastLunarJdn())).month, 12);
}

}  // namespace
}  // namespace orva::calendar
