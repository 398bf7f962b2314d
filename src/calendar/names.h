#pragma once
// Chinese calendar names. Every text is GBK data text.

#include <string>

namespace orva::calendar {

// Index (0-11) of the year's earthly branch, which also picks its zodiac animal.
int ZodiacIndex(int lunarYear);

std::string StemName(int lunarYear);
std::string BranchName(int lunarYear);
std::string ZodiacName(int lunarYear);
// Stem and branch followed by "年", e.g. 甲辰年.
std::string LunarYearName(int lunarYear);

// "正月" ... "十二月", with "闰" in front for a leap month.
std::string LunarMonthName(int month, bool leap = false);
// "一月" ... "十二月".
std::string GregorianMonthName(int month);
// "初一" ... "三十".
std::string LunarDayName(int day);
// Solar term 1-24 ("小寒" ... "冬至"); empty for anything else.
std::string SolarTermName(int term);
// Weekday 1-7, Monday first ("星期一" ... "星期日").
std::string WeekdayName(int weekday);

}  // namespace orva::calendar
