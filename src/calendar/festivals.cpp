#include "calendar/festivals.h"

#include <cstdio>

#include "calendar/daynumber.h"
#include "calendar/festival_tables.h"
#include "calendar/lunar.h"
#include "platform/codec.h"

namespace orva::calendar {
namespace {

std::vector<FestivalEntry> Parse(const char* const* table) {
  std::vector<FestivalEntry> entries;
  for (; *table; ++table) {
    const std::string gbk = GbkFromUtf8(*table);
    FestivalEntry entry;
    int high = 0;
    int low = 0;
    char marker = ' ';
    if (gbk.size() < 5 || std::sscanf(gbk.c_str(), "%02d%02d%c", &high, &low, &marker) != 3) continue;
    entry.key = high * 100 + low;
    entry.holiday = marker == '*';
    entry.name = gbk.substr(5);
    entries.push_back(std::move(entry));
  }
  return entries;
}

void AddName(std::string& text, const std::string& name) {
  if (name.empty()) return;
  if (!text.empty()) text += ' ';
  text += name;
}

// Lunar entries match the day's month and day. A leap month repeats no
// festival of its ordinary month, and an entry on day 30 (New Year's Eve)
// falls on day 29 when the month has only 29 days.
bool LunarKeyMatches(int key, const LunarDate& lunar) {
  if (lunar.leap) return false;
  const int month = key / 100;
  const int day = key % 100;
  if (month != lunar.month) return false;
  if (day == lunar.day) return true;
  return day == 30 && lunar.day == 29 && LunarMonthDays(lunar.year, lunar.month) == 29;
}

// A weekday entry names the n-th such weekday of the month; a week digit
// beyond the month's count of that weekday means its last one.
bool WeekdayKeyMatches(int key, const GregorianDate& date, int weekday) {
  const int month = key / 100;
  const int week = key / 10 % 10;
  const int entryWeekday = key % 10 == 0 ? 7 : key % 10;
  if (month != date.month || entryWeekday != weekday) return false;
  const int ordinal = (date.day - 1) / 7 + 1;
  if (week == ordinal) return true;
  const bool lastOfMonth = date.day + 7 > DaysInMonth(date.year, date.month);
  return week > ordinal && lastOfMonth;
}

bool LunarOf(const GregorianDate& date, LunarDate& lunar) {
  int term = 0;
  return GregorianToLunar(date, lunar, term);
}

}  // namespace

const std::vector<FestivalEntry>& LunarFestivalEntries() {
  static const std::vector<FestivalEntry> entries = Parse(kLunarFestivals);
  return entries;
}

const std::vector<FestivalEntry>& GregorianFestivalEntries() {
  static const std::vector<FestivalEntry> entries = Parse(kGregorianFestivals);
  return entries;
}

const std::vector<FestivalEntry>& WeekdayFestivalEntries() {
  static const std::vector<FestivalEntry> entries = Parse(kWeekdayFestivals);
  return entries;
}

FestivalTexts FestivalsOfDay(int jdn) {
  const GregorianDate date = GregorianFromJdn(jdn);
  FestivalTexts texts;
  LunarDate lunar;
  if (LunarOf(date, lunar)) {
    for (const FestivalEntry& entry : LunarFestivalEntries()) {
      if (LunarKeyMatches(entry.key, lunar)) AddName(texts.lunar, entry.name);
    }
  }
  const int dayKey = date.month * 100 + date.day;
  for (const FestivalEntry& entry : GregorianFestivalEntries()) {
    if (entry.key > dayKey) break;
    if (entry.key == dayKey) AddName(texts.gregorian, entry.name);
  }
  const int weekday = WeekdayOfJdn(jdn);
  for (const FestivalEntry& entry : WeekdayFestivalEntries()) {
    if (entry.key / 100 > date.month) break;
    if (WeekdayKeyMatches(entry.key, date, weekday)) AddName(texts.gregorian, entry.name);
  }
  return texts;
}

bool IsHoliday(int jdn) { return WeekdayOfJdn(jdn) >= 6 || IsPublicHoliday(jdn); }

bool IsPublicHoliday(int jdn) {
  const GregorianDate date = GregorianFromJdn(jdn);
  const int dayKey = date.month * 100 + date.day;
  for (const FestivalEntry& entry : GregorianFestivalEntries()) {
    if (entry.holiday && entry.key == dayKey) return true;
  }
  LunarDate lunar;
  if (!LunarOf(date, lunar)) return false;
  for (const FestivalEntry& entry : LunarFestivalEntries()) {
    if (entry.holiday && LunarKeyMatches(entry.key, lunar)) return true;
  }
  return false;
}

}  // namespace orva::calendar
