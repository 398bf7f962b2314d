#include "calendar/daydescription.h"

#include "calendar/names.h"

namespace orva::calendar {
namespace {

std::string FirstName(const std::string& names) { return names.substr(0, names.find(' ')); }

void AddLine(std::string& text, const std::string& line) {
  if (line.empty()) return;
  if (!text.empty()) text += '\n';
  text += line;
}

}  // namespace

DayInfo DescribeDay(int jdn) {
  DayInfo day;
  day.jdn = jdn;
  day.date = GregorianFromJdn(jdn);
  day.weekday = WeekdayOfJdn(jdn);
  day.hasLunar = GregorianToLunar(day.date, day.lunar, day.solarTerm);
  if (!day.hasLunar) day.solarTerm = SolarTermOfDate(day.date);
  day.festivals = FestivalsOfDay(jdn);
  day.publicHoliday = IsPublicHoliday(jdn);
  day.holiday = day.weekday >= 6 || day.publicHoliday;
  return day;
}

std::string DayDescriptionText(const DayInfo& day) {
  std::string text;
  if (day.hasLunar) {
    text = LunarYearName(day.lunar.year) + ' ' + LunarMonthName(day.lunar.month, day.lunar.leap) +
           LunarDayName(day.lunar.day);
  }
  const std::string term = SolarTermName(day.solarTerm);
  if (!term.empty()) text += text.empty() ? term : ' ' + term;
  AddLine(text, day.festivals.lunar);
  AddLine(text, day.festivals.gregorian);
  return text;
}

std::string DayCellLabel(const DayInfo& day) {
  if (!day.festivals.lunar.empty()) return FirstName(day.festivals.lunar);
  if (day.solarTerm) return SolarTermName(day.solarTerm);
  if (!day.festivals.gregorian.empty()) return FirstName(day.festivals.gregorian);
  if (!day.hasLunar) return {};
  if (day.lunar.day == 1) return LunarMonthName(day.lunar.month, day.lunar.leap);
  return LunarDayName(day.lunar.day);
}

}  // namespace orva::calendar
