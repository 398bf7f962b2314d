#include "calendar/daydescription.h"

#include "calendar/names.h"
#include "platform/codec.h"

namespace orva::calendar {
namespace {

// The first of the names, or nothing when it is longer than maxChars.
std::string FirstName(const std::string& names, std::size_t maxChars) {
  std::string name = names.substr(0, names.find(' '));
  return CharCount(name) <= maxChars ? name : std::string();
}

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

DayLabel DayCellLabel(const DayInfo& day, std::size_t maxChars) {
  if (std::string name = FirstName(day.festivals.lunar, maxChars); !name.empty()) {
    return {name, DayLabelKind::Festival};
  }
  if (day.solarTerm) return {SolarTermName(day.solarTerm), DayLabelKind::SolarTerm};
  if (std::string name = FirstName(day.festivals.gregorian, maxChars); !name.empty()) {
    return {name, DayLabelKind::Festival};
  }
  if (!day.hasLunar) return {};
  if (day.lunar.day == 1) return {LunarMonthName(day.lunar.month, day.lunar.leap), DayLabelKind::LunarMonth};
  return {LunarDayName(day.lunar.day), DayLabelKind::LunarDay};
}

}  // namespace orva::calendar
