// Writes the small JPEG files the picture loader tests decode, into the
// current folder. Build and run once, from this folder:
//   g++ -std=c++20 -fPIC make_test_images.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/make_test_images
//   QT_QPA_PLATFORM=offscreen /tmp/make_test_images

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  bool ok = true;

  // 101 pixels wide: rows need one padding byte in a 24-bit bitmap.
  QImage gradient(101, 7, QImage::Format_RGB32);
  for (int y = 0; y < gradient.height(); ++y)
    for (int x = 0; x < gradient.width(); ++x) gradient.setPixel(x, y, qRgb(x * 5 / 2, y * 36, 255 - x * 2));
  ok = gradient.save(QStringLiteral("colour101x7.jpg"), "JPG", 95) && ok;

  // Four flat 16 x 16 quadrants, so each block decodes to its colour almost
  // exactly: red top left, green top right, blue bottom left, white bottom right.
  QImage blocks(32, 32, QImage::Format_RGB32);
  QPainter painter(&blocks);
  painter.fillRect(0, 0, 16, 16, QColor(255, 0, 0));
  painter.fillRect(16, 0, 16, 16, QColor(0, 255, 0));
  painter.fillRect(0, 16, 16, 16, QColor(0, 0, 255));
  painter.fillRect(16, 16, 16, 16, QColor(255, 255, 255));
  painter.end();
  ok = blocks.save(QStringLiteral("blocks32.jpg"), "JPG", 100) && ok;

  // A one-component (greyscale) JPEG: a gradient with a dark square.
  QImage grey(40, 24, QImage::Format_Grayscale8);
  for (int y = 0; y < grey.height(); ++y)
    for (int x = 0; x < grey.width(); ++x) grey.scanLine(y)[x] = static_cast<uchar>(x * 6);
  for (int y = 8; y < 16; ++y)
    for (int x = 24; x < 32; ++x) grey.scanLine(y)[x] = 20;
  ok = grey.save(QStringLiteral("grey40x24.jpg"), "JPG", 95) && ok;

  // A start-of-image marker followed by bytes that are no JPEG segment.
  QFile corrupt(QStringLiteral("corrupt.jpg"));
  ok = corrupt.open(QIODevice::WriteOnly) && ok;
  const char bytes[] = "\xFF\xD8\xFF\xC0\x00\x02this is not a picture";
  ok = corrupt.write(bytes, sizeof bytes - 1) == sizeof bytes - 1 && ok;
  return ok ? 0 : 1;
}
