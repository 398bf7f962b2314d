#include <gtest/gtest.h>

#include <cctype>
#include <cstring>

#include "calendar/daynumber.h"
#include "calendar/festival_tables.h"
#include "calendar/festivals.h"
#include "calendar/lunar.h"
#include "calendar_test_util.h"

namespace orva::calendar {
namespace {

using test::U8;

FestivalTexts Festivals(int year, int month, int day) { return FestivalsOfDay(JdnFromGregorian(year, month, day)); }
bool Holiday(int year, int month, int day) { return IsHoliday(JdnFromGregorian(year, month, day)); }

// Rows of a null-ended table, checked for the entry format and order.
int CheckTable(const char* const* table) {
  int rows = 0;
  int previousKey = -1;
  for (; *table; ++table, ++rows) {
    const char* row = *table;
    SCOPED_TRACE(row);
    EXPECT_GE(std::strlen(row), 5u);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(row[i])));
    EXPECT_TRUE(row[4] == '*' || row[4] == ' ');
    const int key = std::atoi(std::string(row, 4).c_str());
    EXPECT_GT(key, previousKey);
    previousKey = key;
    EXPECT_NE(row[5], ' ');
  }
  return rows;
}

TEST(FestivalTables, SizesFormatAndAscendingKeys) {
  EXPECT_EQ(CheckTable(kLunarFestivals), 13);
  EXPECT_EQ(CheckTable(kGregorianFestivals), 99);
  EXPECT_EQ(CheckTable(kWeekdayFestivals), 12);
  EXPECT_STREQ(kLunarFestivals[0], "0101*春节");
  EXPECT_STREQ(kLunarFestivals[1], "0102*");
  EXPECT_STREQ(kLunarFestivals[12], "1230 除夕");
  EXPECT_STREQ(kGregorianFestivals[0], "0101*新年元旦");
  EXPECT_EQ(LunarFestivalEntries().size(), 13u);
  EXPECT_EQ(GregorianFestivalEntries().size(), 99u);
  EXPECT_EQ(WeekdayFestivalEntries().size(), 12u);
  EXPECT_EQ(U8(LunarFestivalEntries()[3].name), "元宵节");
  EXPECT_TRUE(LunarFestivalEntries()[0].holiday);
  EXPECT_FALSE(LunarFestivalEntries()[3].holiday);
  // Weekday keys: a valid month, a week digit 1-5 and a weekday digit 0-6.
  for (const FestivalEntry& entry : WeekdayFestivalEntries()) {
    EXPECT_TRUE(entry.key / 100 >= 1 && entry.key / 100 <= 12) << entry.key;
    EXPECT_TRUE(entry.key / 10 % 10 >= 1 && entry.key / 10 % 10 <= 5) << entry.key;
    EXPECT_LE(entry.key % 10, 6) << entry.key;
  }
}

TEST(FestivalLookup, LunarAndGregorianFestivals) {
  EXPECT_EQ(U8(Festivals(2024, 2, 10).lunar), "春节");
  EXPECT_EQ(U8(Festivals(2024, 2, 24).lunar), "元宵节");
  EXPECT_EQ(U8(Festivals(2024, 2, 14).gregorian), "情人节");
  EXPECT_EQ(U8(Festivals(2024, 3, 12).gregorian), "植树节 孙中山逝世纪念日");
  // A nameless holiday entry adds no text.
  EXPECT_EQ(Festivals(2024, 2, 11).lunar, "");
  EXPECT_EQ(Festivals(2024, 10, 2).gregorian, "");
  // Mid-autumn on National Day.
  const FestivalTexts both = Festivals(2020, 10, 1);
  EXPECT_EQ(U8(both.lunar), "中秋节");
  EXPECT_EQ(U8(both.gregorian), "国庆节 国际音乐日 国际老人节");
  EXPECT_EQ(Festivals(2024, 7, 2).lunar + Festivals(2024, 7, 2).gregorian, "");
}

TEST(FestivalLookup, NewYearsEveIsTheLastDayOfTheYearEvenInAShortTwelfthMonth) {
  // Lunar 2024's twelfth month has 29 days: the eve is 28 January 2025.
  EXPECT_EQ(LunarMonthDays(2024, 12), 29);
  EXPECT_EQ(U8(Festivals(2025, 1, 28).lunar), "除夕");
  EXPECT_EQ(Festivals(2025, 1, 27).lunar, "");
  // Lunar 2023's has 30: the eve is 9 February 2024, not the 29th day.
  EXPECT_EQ(U8(Festivals(2024, 2, 9).lunar), "除夕");
  EXPECT_EQ(Festivals(2024, 2, 8).lunar, "");
}

TEST(FestivalLookup, ALeapMonthDoesNotRepeatTheFestivalsOfItsMonth) {
  // 2009 had a leap fifth month; the Dragon Boat festival is on 28 May only.
  EXPECT_EQ(U8(Festivals(2009, 5, 28).lunar), "端午节");
  int found = 0;
  for (int jdn = JdnFromGregorian(2009, 6, 1); jdn < JdnFromGregorian(2009, 8, 1); ++jdn) {
    LunarDate lunar;
    int term = 0;
    ASSERT_TRUE(GregorianToLunar(GregorianFromJdn(jdn), lunar, term));
    if (lunar.leap && lunar.day == 5) {
      ++found;
      EXPECT_EQ(FestivalsOfDay(jdn).lunar, "");
    }
  }
  EXPECT_EQ(found, 1);
}

TEST(FestivalLookup, WeekdayFestivalsFallOnTheNthWeekdayOfTheMonth) {
  // 0520: the second Sunday of May, 12 May 2024 (Sunday of the month's second week).
  EXPECT_EQ(U8(Festivals(2024, 5, 12).gregorian), "国际护士节 全国防灾减灾日 国际母亲节");
  EXPECT_EQ(U8(Festivals(2025, 5, 11).gregorian), "国际母亲节");
  EXPECT_EQ(Festivals(2024, 5, 5).gregorian, "");
  EXPECT_EQ(U8(Festivals(2024, 6, 16).gregorian), "父亲节");
  // 1144: the fourth Thursday of November, also when the 1st is a Friday
  // (2024: the Thursday of the month's fourth week would be the 21st).
  EXPECT_EQ(U8(Festivals(2024, 11, 28).gregorian), "感恩节");
  EXPECT_EQ(U8(Festivals(2024, 11, 21).gregorian), "世界电视日");
  EXPECT_EQ(U8(Festivals(2023, 11, 23).gregorian), "感恩节");
  // Week digit 5: the last such weekday, whether it is the fourth or fifth.
  EXPECT_EQ(U8(Festivals(2024, 9, 29).gregorian), "世界心脏日 国际聋人节");
  EXPECT_EQ(U8(Festivals(2023, 9, 24).gregorian), "国际聋人节");
  EXPECT_EQ(Festivals(2023, 9, 17).gregorian, "");
  EXPECT_EQ(U8(Festivals(2024, 5, 27).gregorian), "美国阵亡将士纪念日");
  EXPECT_EQ(U8(Festivals(2021, 5, 31).gregorian), "世界无烟日 美国阵亡将士纪念日");
  EXPECT_EQ(Festivals(2021, 5, 24).gregorian, "");
}

TEST(FestivalLookup, WeekendsAndMarkedEntriesAreHolidays) {
  EXPECT_TRUE(Holiday(2024, 5, 11));   // Saturday
  EXPECT_TRUE(Holiday(2024, 5, 12));   // Sunday
  EXPECT_FALSE(Holiday(2024, 5, 13));  // Monday
  EXPECT_TRUE(Holiday(2024, 10, 2));   // "1002*" has no name but is marked
  EXPECT_TRUE(Holiday(2024, 10, 3));
  EXPECT_FALSE(Holiday(2024, 10, 4));  // Friday, World Animal Day
  EXPECT_TRUE(Holiday(2024, 1, 1));
  EXPECT_TRUE(Holiday(2024, 5, 1));
  EXPECT_TRUE(Holiday(2024, 2, 12));   // lunar 1-3 (Monday)
  EXPECT_FALSE(Holiday(2024, 2, 13));  // lunar 1-4 (Tuesday)
  EXPECT_FALSE(Holiday(2024, 2, 9));   // New Year's Eve carries no marker (Friday)
  // Outside the lunar tables only weekends and Gregorian entries count.
  EXPECT_TRUE(Holiday(2100, 10, 1));
  EXPECT_FALSE(Holiday(1900, 2, 1));   // a Thursday
}

}  // namespace
}  // namespace orva::calendar
