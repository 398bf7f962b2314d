#include "calendar/monthgrid.h"

namespace orva::calendar {

MonthGrid BuildMonthGrid(int year, int month, int todayJdn) {
  MonthGrid grid;
  grid.year = year;
  grid.month = month;
  const int first = JdnFromGregorian(year, month, 1);
  const int start = first - (WeekdayOfJdn(first) - 1);
  for (int i = 0; i < kGridDays; ++i) {
    GridDay& day = grid.days[i];
    day.info = DescribeDay(start + i);
    day.inMonth = day.info.date.month == month;
    day.today = day.info.jdn == todayJdn;
    day.label = DayCellLabel(day.info);
  }
  return grid;
}

}  // namespace orva::calendar
