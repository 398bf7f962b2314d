#include "calendar/names.h"

#include <array>

#include "platform/codec.h"

namespace orva::calendar {
namespace {

// The name lists are written in UTF-8 here and handed out as GBK.
template <std::size_t N>
using Names = std::array<const char*, N>;

constexpr Names<10> kStems = {"甲", "乙", "丙", "丁", "戊", "己", "庚", "辛", "壬", "癸"};
constexpr Names<12> kBranches = {"子", "丑", "寅", "卯", "辰", "巳", "午", "未", "申", "酉", "戌", "亥"};
constexpr Names<12> kAnimals = {"鼠", "牛", "虎", "兔", "龙", "蛇", "马", "羊", "猴", "鸡", "狗", "猪"};
constexpr Names<10> kDigits = {"一", "二", "三", "四", "五", "六", "七", "八", "九", "十"};
constexpr Names<12> kLunarMonths = {"正", "二", "三", "四", "五", "六", "七", "八", "九", "十", "十一", "十二"};
constexpr Names<24> kSolarTerms = {"小寒", "大寒", "立春", "雨水", "惊蛰", "春分", "清明", "谷雨",
                                   "立夏", "小满", "芒种", "夏至", "小暑", "大暑", "立秋", "处暑",
                                   "白露", "秋分", "寒露", "霜降", "立冬", "小雪", "大雪", "冬至"};
constexpr Names<7> kWeekdays = {"星期一", "星期二", "星期三", "星期四", "星期五", "星期六", "星期日"};

int Modulo(int value, int divisor) { return ((value % divisor) + divisor) % divisor; }

std::string Gbk(const std::string& utf8) { return GbkFromUtf8(utf8); }

}  // namespace

int ZodiacIndex(int lunarYear) { return Modulo(lunarYear - 4, 12); }

std::string StemName(int lunarYear) { return Gbk(kStems[Modulo(lunarYear - 4, 10)]); }
std::string BranchName(int lunarYear) { return Gbk(kBranches[ZodiacIndex(lunarYear)]); }
std::string ZodiacName(int lunarYear) { return Gbk(kAnimals[ZodiacIndex(lunarYear)]); }
std::string LunarYearName(int lunarYear) { return StemName(lunarYear) + BranchName(lunarYear) + Gbk("年"); }

std::string LunarMonthName(int month, bool leap) {
  if (month < 1 || month > 12) return {};
  return Gbk(std::string(leap ? "闰" : "") + kLunarMonths[month - 1] + "月");
}

std::string GregorianMonthName(int month) {
  if (month < 1 || month > 12) return {};
  if (month == 1) return Gbk("一月");
  return LunarMonthName(month);
}

std::string LunarDayName(int day) {
  if (day < 1 || day > 30) return {};
  if (day <= 10) return Gbk(std::string("初") + kDigits[day - 1]);
  if (day < 20) return Gbk(std::string("十") + kDigits[day - 11]);
  if (day == 20) return Gbk("廿十");
  if (day < 30) return Gbk(std::string("廿") + kDigits[day - 21]);
  return Gbk("三十");
}

std::string SolarTermName(int term) { return term >= 1 && term <= 24 ? Gbk(kSolarTerms[term - 1]) : std::string(); }

std::string WeekdayName(int weekday) { return weekday >= 1 && weekday <= 7 ? Gbk(kWeekdays[weekday - 1]) : std::string(); }

}  // namespace orva::calendar
