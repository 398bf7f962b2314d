#pragma once
// The zodiac pictures of the calendar: a round medallion per animal, painted
// rather than shipped.

#include <QPixmap>
#include <QString>

namespace orva::calendar {

// Picture of zodiac animal 0-11 (鼠 ... 猪), `size` pixels square.
QPixmap ZodiacPicture(int zodiacIndex, int size);

// The same picture as an <img> element for rich-text tips.
QString ZodiacPictureHtml(int zodiacIndex, int size);

}  // namespace orva::calendar
