#pragma once
// The festival tables. Each entry is a four-digit key, a marker ('*' for a
// public holiday, a space otherwise) and the name from the sixth character on
// (empty, or several names separated by spaces). Entries are in ascending key
// order and every table ends with a null entry. Written in UTF-8; the lookup
// converts them to GBK once.

namespace orva::calendar {

// Key: lunar month and day, "%02d%02d".
extern const char* const kLunarFestivals[];
// Key: Gregorian month and day, "%02d%02d".
extern const char* const kGregorianFestivals[];
// Key: month, week and weekday (0 = Sunday, 1-6 = Monday to Saturday),
// "%02d%01d%01d". The week digit n picks the n-th such weekday of the month
// (so 1144 is the fourth Thursday of November); 5 also stands for the last
// such weekday of a month that has only four.
extern const char* const kWeekdayFestivals[];

}  // namespace orva::calendar
