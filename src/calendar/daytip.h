#pragma once
// The rich-text tip shown when the pointer rests on a day of the calendar.

#include <QString>

#include "calendar/daydescription.h"

namespace orva::calendar {

// The Gregorian date and weekday as a heading, e.g. "2024年2月4日 星期日".
QString GregorianDateText(const DayInfo& day);

// The zodiac picture beside the heading and the day's lunar description.
QString DayTipHtml(const DayInfo& day);

}  // namespace orva::calendar
