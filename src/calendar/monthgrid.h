#pragma once
// The six weeks, Monday to Sunday, that a month page of the calendar shows.

#include <array>
#include <string>

#include "calendar/daydescription.h"

namespace orva::calendar {

constexpr int kGridWeeks = 6;
constexpr int kGridDays = kGridWeeks * 7;

struct GridDay {
  DayInfo info;
  bool inMonth = false;  // false for the neighbouring months' days that fill the grid
  bool today = false;
  DayLabel label;        // see DayCellLabel
};

struct MonthGrid {
  int year = 0;
  int month = 0;
  std::array<GridDay, kGridDays> days;
};

// The grid starts on the Monday on or before the 1st of the month.
MonthGrid BuildMonthGrid(int year, int month, int todayJdn);

}  // namespace orva::calendar
