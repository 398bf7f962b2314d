#include <gtest/gtest.h>

#include "calendar/names.h"
#include "calendar_test_util.h"

namespace orva::calendar {
namespace {

using test::U8;

TEST(CalendarNames, YearStemBranchAndAnimal) {
  EXPECT_EQ(U8(StemName(2024)), "甲");
  EXPECT_EQ(U8(BranchName(2024)), "辰");
  EXPECT_EQ(U8(ZodiacName(2024)), "龙");
  EXPECT_EQ(U8(LunarYearName(2024)), "甲辰年");
  EXPECT_EQ(U8(LunarYearName(1900)), "庚子年");
  EXPECT_EQ(U8(LunarYearName(2050)), "庚午年");
  EXPECT_EQ(U8(ZodiacName(2023)), "兔");
  EXPECT_EQ(U8(ZodiacName(2020)), "鼠");
  EXPECT_EQ(U8(ZodiacName(2031)), "猪");
  EXPECT_EQ(ZodiacIndex(2024), 4);
  // The sixty-year cycle repeats exactly.
  for (int year = 1900; year < 1960; ++year) EXPECT_EQ(LunarYearName(year), LunarYearName(year + 60));
}

TEST(CalendarNames, LunarDayNamesWithTheirSpecialCases) {
  const char* expected[] = {"初一", "初二", "初三", "初四", "初五", "初六", "初七", "初八", "初九", "初十",
                            "十一", "十二", "十三", "十四", "十五", "十六", "十七", "十八", "十九", "廿十",
                            "廿一", "廿二", "廿三", "廿四", "廿五", "廿六", "廿七", "廿八", "廿九", "三十"};
  for (int day = 1; day <= 30; ++day) EXPECT_EQ(U8(LunarDayName(day)), expected[day - 1]);
  EXPECT_EQ(LunarDayName(0), "");
  EXPECT_EQ(LunarDayName(31), "");
}

TEST(CalendarNames, MonthNames) {
  EXPECT_EQ(U8(LunarMonthName(1)), "正月");
  EXPECT_EQ(U8(LunarMonthName(10)), "十月");
  EXPECT_EQ(U8(LunarMonthName(11)), "十一月");
  EXPECT_EQ(U8(LunarMonthName(12)), "十二月");
  EXPECT_EQ(U8(LunarMonthName(2, true)), "闰二月");
  EXPECT_EQ(U8(GregorianMonthName(1)), "一月");
  EXPECT_EQ(U8(GregorianMonthName(2)), "二月");
  EXPECT_EQ(U8(GregorianMonthName(12)), "十二月");
  EXPECT_EQ(GregorianMonthName(13), "");
}

TEST(CalendarNames, SolarTermsAndWeekdays) {
  EXPECT_EQ(U8(SolarTermName(1)), "小寒");
  EXPECT_EQ(U8(SolarTermName(3)), "立春");
  EXPECT_EQ(U8(SolarTermName(12)), "夏至");
  EXPECT_EQ(U8(SolarTermName(24)), "冬至");
  EXPECT_EQ(SolarTermName(0), "");
  EXPECT_EQ(SolarTermName(25), "");
  EXPECT_EQ(U8(WeekdayName(1)), "星期一");
  EXPECT_EQ(U8(WeekdayName(6)), "星期六");
  EXPECT_EQ(U8(WeekdayName(7)), "星期日");
}

}  // namespace
}  // namespace orva::calendar
