#include <gtest/gtest.h>

#include "calendar/daydescription.h"
#include "calendar/monthgrid.h"
#include "calendar_test_util.h"

namespace orva::calendar {
namespace {

using test::U8;

DayInfo Day(int year, int month, int day) { return DescribeDay(JdnFromGregorian(year, month, day)); }

TEST(DayDescription, LunarDateSolarTermAndFestivals) {
  const DayInfo spring = Day(2024, 2, 4);
  EXPECT_TRUE(spring.hasLunar);
  EXPECT_EQ(spring.weekday, 7);
  EXPECT_TRUE(spring.holiday);
  EXPECT_EQ(U8(DayDescriptionText(spring)), "癸卯年 十二月廿五 立春\n世界抗癌日");
  EXPECT_EQ(U8(DayCellLabel(spring).text), "立春");

  const DayInfo both = Day(2020, 10, 1);
  EXPECT_EQ(U8(DayDescriptionText(both)), "庚子年 八月十五\n中秋节\n国庆节 国际音乐日 国际老人节");
  EXPECT_EQ(U8(DayCellLabel(both).text), "中秋节");

  EXPECT_EQ(U8(DayDescriptionText(Day(2024, 2, 14))), "甲辰年 正月初五\n情人节");
  EXPECT_EQ(U8(DayDescriptionText(Day(2020, 5, 23))), "庚子年 闰四月初一");
}

TEST(DayDescription, CellLabels) {
  EXPECT_EQ(U8(DayCellLabel(Day(2024, 2, 10)).text), "春节");
  EXPECT_EQ(U8(DayCellLabel(Day(2024, 2, 11)).text), "初二");
  EXPECT_EQ(U8(DayCellLabel(Day(2024, 3, 10)).text), "二月");        // first of a lunar month
  EXPECT_EQ(U8(DayCellLabel(Day(2020, 5, 23)).text), "闰四月");
  EXPECT_EQ(U8(DayCellLabel(Day(2024, 3, 12)).text), "植树节");      // first of several names
  EXPECT_EQ(U8(DayCellLabel(Day(2024, 3, 29)).text), "廿十");
  EXPECT_EQ(DayCellLabel(Day(2024, 2, 10)).kind, DayLabelKind::Festival);
  EXPECT_EQ(DayCellLabel(Day(2024, 2, 4)).kind, DayLabelKind::SolarTerm);
  EXPECT_EQ(DayCellLabel(Day(2024, 3, 10)).kind, DayLabelKind::LunarMonth);
  EXPECT_EQ(DayCellLabel(Day(2024, 2, 11)).kind, DayLabelKind::LunarDay);
  // A name too long for the cell gives way to the lunar day; a short one stays.
  EXPECT_EQ(U8(DayCellLabel(Day(2024, 12, 2), 5).text), "初二");
  EXPECT_EQ(U8(DayCellLabel(Day(2024, 12, 2)).text), "全国交通安全日");
  EXPECT_EQ(U8(DayCellLabel(Day(2024, 12, 25), 5).text), "圣诞节");
  EXPECT_EQ(U8(DayCellLabel(Day(2024, 2, 10), 1).text), "正月");
}

TEST(DayDescription, DaysOutsideTheTablesKeepTheirGregorianFestivals) {
  const DayInfo day = Day(1900, 12, 25);
  EXPECT_FALSE(day.hasLunar);
  EXPECT_EQ(U8(DayDescriptionText(day)), "圣诞节");
  EXPECT_EQ(U8(DayCellLabel(day).text), "圣诞节");
  const DayInfo plain = Day(2060, 7, 2);
  EXPECT_FALSE(plain.hasLunar);
  EXPECT_EQ(DayDescriptionText(plain), "");
  EXPECT_EQ(DayCellLabel(plain).text, "");
}

TEST(MonthGrid, SixWeeksFromTheMondayBeforeTheFirst) {
  const int today = JdnFromGregorian(2024, 5, 12);
  const MonthGrid grid = BuildMonthGrid(2024, 5, today);
  EXPECT_EQ(grid.days.front().info.date, (GregorianDate{2024, 4, 29}));
  EXPECT_EQ(grid.days.back().info.date, (GregorianDate{2024, 6, 9}));
  int inMonth = 0;
  int todays = 0;
  for (int i = 0; i < kGridDays; ++i) {
    EXPECT_EQ(grid.days[i].info.weekday, i % 7 + 1);
    inMonth += grid.days[i].inMonth;
    todays += grid.days[i].today;
  }
  EXPECT_EQ(inMonth, 31);
  EXPECT_EQ(todays, 1);
  EXPECT_TRUE(grid.days[13].today);
  EXPECT_EQ(U8(grid.days[13].label.text), "国际护士节");
  // A month starting on a Monday begins in the first cell.
  EXPECT_EQ(BuildMonthGrid(2024, 1, today).days.front().info.date, (GregorianDate{2024, 1, 1}));
}

}  // namespace
}  // namespace orva::calendar
