#include "calendar/daytip.h"

#include "calendar/names.h"
#include "calendar/zodiacpicture.h"
#include "platform/qtext.h"

namespace orva::calendar {

QString GregorianDateText(const DayInfo& day) {
  return QStringLiteral("%1年%2月%3日 %4")
      .arg(day.date.year)
      .arg(day.date.month)
      .arg(day.date.day)
      .arg(QStringFromGbk(WeekdayName(day.weekday)));
}

QString DayTipHtml(const DayInfo& day) {
  const QString description = QStringFromGbk(DayDescriptionText(day)).toHtmlEscaped();
  QString body = QStringLiteral("<b>%1</b>").arg(GregorianDateText(day).toHtmlEscaped());
  if (!description.isEmpty()) body += QStringLiteral("<br>") + QString(description).replace('\n', QStringLiteral("<br>"));
  if (!day.hasLunar) {
    return QStringLiteral("<p style=\"white-space:pre\">%1</p>").arg(body);
  }
  return QStringLiteral("<table cellspacing=\"0\" cellpadding=\"2\"><tr><td valign=\"middle\">%1</td>"
                        "<td valign=\"middle\" style=\"white-space:pre\">%2</td></tr></table>")
      .arg(ZodiacPictureHtml(ZodiacIndex(day.lunar.year), 40), body);
}

}  // namespace orva::calendar
