#include "calendar/zodiacpicture.h"

#include <QBuffer>
#include <QFont>
#include <QPainter>
#include <QRadialGradient>

#include "calendar/names.h"
#include "platform/qtext.h"

namespace orva::calendar {
namespace {

// One colour per animal, so that neighbouring years look different.
constexpr QRgb kColours[12] = {0x5B6C8F, 0x8C6A3F, 0xC8732A, 0x9A7FB8, 0xC0392B, 0x2E8B57,
                               0xB5532F, 0x6F9A3E, 0xD08C1F, 0xB8474F, 0x7A5C48, 0x4F7F9E};

int IndexInRange(int index) { return ((index % 12) + 12) % 12; }

}  // namespace

QPixmap ZodiacPicture(int zodiacIndex, int size) {
  const int index = IndexInRange(zodiacIndex);
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);

  const QColor base = QColor::fromRgb(kColours[index]);
  const QRectF disc(1.5, 1.5, size - 3.0, size - 3.0);
  QRadialGradient gradient(disc.center() - QPointF(size / 6.0, size / 6.0), size * 0.75);
  gradient.setColorAt(0.0, base.lighter(150));
  gradient.setColorAt(1.0, base.darker(115));
  painter.setPen(QPen(QColor(255, 255, 255, 200), size / 24.0 + 1));
  painter.setBrush(gradient);
  painter.drawEllipse(disc);
  painter.setPen(QPen(QColor(255, 255, 255, 90), 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(disc.adjusted(size / 10.0, size / 10.0, -size / 10.0, -size / 10.0));

  // The animal's character; the year 4 + index has that animal.
  QFont font;
  font.setPixelSize(size * 11 / 20);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(disc, Qt::AlignCenter, QStringFromGbk(ZodiacName(4 + index)));
  return pixmap;
}

QString ZodiacPictureHtml(int zodiacIndex, int size) {
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  ZodiacPicture(zodiacIndex, size).save(&buffer, "PNG");
  return QStringLiteral("<img src=\"data:image/png;base64,%1\" width=\"%2\" height=\"%2\">")
      .arg(QString::fromLatin1(png.toBase64()))
      .arg(size);
}

}  // namespace orva::calendar
