// Draws the two pictures of ORVA's dialogs and saves them as JPEG files in the
// current folder: about130.jpg (About box header, 400 x 80) and
// connect131.jpg (left side of the connection dialog, 80 x 240).
//
// Build and run once, from this folder:
//   g++ -std=c++20 -fPIC make_pictures.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/make_pictures
//   QT_QPA_PLATFORM=offscreen /tmp/make_pictures

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

const QColor kDeep(18, 52, 110);
const QColor kSea(28, 120, 170);
const QColor kFoam(120, 200, 220);

// Soft waves across the lower part of a picture.
void DrawWaves(QPainter& p, const QRectF& area, int count) {
  for (int i = 0; i < count; ++i) {
    QPainterPath wave;
    const double base = area.top() + area.height() * (0.55 + 0.12 * i);
    wave.moveTo(area.left(), base);
    const double step = area.width() / 4;
    for (int k = 0; k < 4; ++k) {
      const double x = area.left() + k * step;
      wave.cubicTo(x + step / 3, base - 8 + 3 * i, x + 2 * step / 3, base + 8 - 3 * i, x + step, base);
    }
    wave.lineTo(area.bottomRight());
    wave.lineTo(area.bottomLeft());
    wave.closeSubpath();
    QColor fill = kFoam;
    fill.setAlpha(40 + 15 * i);
    p.fillPath(wave, fill);
  }
}

// A database drum: three stacked discs.
void DrawDrum(QPainter& p, QPointF centre, double width, double height) {
  const double disc = height / 3;
  const double rim = disc / 2.2;
  p.setPen(QPen(QColor(255, 255, 255, 220), 1.5));
  for (int i = 2; i >= 0; --i) {
    QRectF body(centre.x() - width / 2, centre.y() - height / 2 + i * disc, width, disc);
    QLinearGradient shade(body.topLeft(), body.topRight());
    shade.setColorAt(0, QColor(235, 245, 250));
    shade.setColorAt(1, QColor(150, 200, 225));
    QPainterPath path;
    path.moveTo(body.left(), body.top());
    path.lineTo(body.left(), body.bottom());
    path.arcTo(QRectF(body.left(), body.bottom() - rim / 2, width, rim), 180, 180);
    path.lineTo(body.right(), body.top());
    path.arcTo(QRectF(body.left(), body.top() - rim / 2, width, rim), 0, -180);
    p.fillPath(path, shade);
    p.drawPath(path);
    p.setBrush(QColor(245, 250, 252));
    p.drawEllipse(QRectF(body.left(), body.top() - rim / 2, width, rim));
    p.setBrush(Qt::NoBrush);
  }
}

// The deep-to-sea gradient behind both pictures, running towards `end`.
void FillSky(QPainter& p, const QRect& rect, QPointF end) {
  QLinearGradient sky(QPointF(0, 0), end);
  sky.setColorAt(0, kDeep);
  sky.setColorAt(1, kSea);
  p.fillRect(rect, sky);
}

// The product name in white over a soft shadow.
void DrawTitle(QPainter& p, const QRectF& box, int pointSize, int spacing) {
  QFont title(QStringLiteral("DejaVu Sans"), pointSize, QFont::Bold);
  title.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
  p.setFont(title);
  p.setPen(QColor(0, 0, 0, 70));
  p.drawText(box.translated(1, 1), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("ORVA"));
  p.setPen(Qt::white);
  p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("ORVA"));
}

QImage AboutPicture() {
  QImage image(400, 80, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  FillSky(p, image.rect(), QPointF(400, 80));
  DrawWaves(p, QRectF(0, 0, 400, 80), 3);

  QRadialGradient glow(QPointF(350, 20), 60);
  glow.setColorAt(0, QColor(255, 230, 150, 170));
  glow.setColorAt(1, QColor(255, 230, 150, 0));
  p.fillRect(image.rect(), glow);

  DrawDrum(p, QPointF(42, 40), 36, 48);

  DrawTitle(p, QRectF(80, 8, 200, 44), 30, 4);

  QFont subtitle(QStringLiteral("WenQuanYi Micro Hei"), 10);
  p.setFont(subtitle);
  p.setPen(QColor(225, 240, 250));
  p.drawText(QRectF(82, 52, 300, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("SQL 查询与数据库管理工具"));
  return image;
}

QImage ConnectPicture() {
  QImage image(80, 240, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  FillSky(p, image.rect(), QPointF(0, 240));
  DrawWaves(p, QRectF(0, 120, 80, 120), 3);

  DrawDrum(p, QPointF(40, 48), 40, 54);

  // Two plugs meeting: the connection.
  p.setPen(QPen(QColor(255, 255, 255, 200), 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(40, 78), QPointF(40, 96));
  p.setBrush(QColor(255, 225, 140));
  p.setPen(Qt::NoPen);
  p.drawEllipse(QPointF(40, 100), 5, 5);

  p.save();
  p.translate(48, 226);
  p.rotate(-90);
  DrawTitle(p, QRectF(0, 0, 110, 30), 18, 3);
  p.restore();
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  bool ok = AboutPicture().save(QStringLiteral("about130.jpg"), "JPG", 90);
  ok = ConnectPicture().save(QStringLiteral("connect131.jpg"), "JPG", 90) && ok;
  if (!ok) std::fprintf(stderr, "could not write the pictures\n");
  return ok ? 0 : 1;
}
