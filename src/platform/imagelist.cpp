#include "platform/imagelist.h"

#include <QFile>
#include <QImage>
#include <QPainter>


namespace orva {

QPixmap ImageList::Pixmap(int index) const {
  if (index < 0 || index >= Count()) return {};
  return m_images[static_cast<size_t>(index)];
}

QIcon ImageList::Icon(int index) const {
  QPixmap pixmap = Pixmap(index);
  return pixmap.isNull() ? QIcon() : QIcon(pixmap);
}

void ImageList::Draw(QPainter& painter, int index, int x, int y) const {
  QPixmap pixmap = Pixmap(index);
  if (!pixmap.isNull()) painter.drawPixmap(x, y, pixmap);
}

void ImageList::Clear() {
  m_images.clear();
  m_imageSize = QSize();
  m_maskColor = QColor();
}

void ImageList::Set(QSize imageSize, QColor maskColor, std::vector<QPixmap> images) {
  m_imageSize = imageSize;
  m_maskColor = maskColor;
  m_images = std::move(images);
}

QString BitmapResourcePath(int bitmapId) {
  // Strips are compiled into the binary under :/images, named by resource id.
  switch (bitmapId) {
    case 102: return QStringLiteral(":/images/toolbar102.bmp");
    case 104:
    case 107:
    case 110:
    case 115:
    case 121:
    case 135: return QStringLiteral(":/images/bitmap%1.bmp").arg(bitmapId);
    case 22902: return QStringLiteral(":/images/margin22902.bmp");
    default: return {};
  }
}

namespace {

std::uint32_t ReadLE32(const QByteArray& bytes, int offset) {
  auto b = [&](int i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i])); };
  return b(0) | (b(1) << 8) | (b(2) << 16) | (b(3) << 24);
}

// The first three bytes of the pixel data, read as blue, green, red.
bool FirstStoredPixel(const QByteArray& bmp, QColor& colour) {
  if (bmp.size() < 14 + 40 || bmp[0] != 'B' || bmp[1] != 'M') return false;
  std::uint32_t offset = ReadLE32(bmp, 10);
  if (offset > static_cast<std::uint32_t>(bmp.size()) || bmp.size() - offset < 3) return false;
  auto at = [&](std::uint32_t i) { return static_cast<unsigned char>(bmp[static_cast<int>(offset + i)]); };
  colour = QColor(at(2), at(1), at(0));
  return true;
}

}  // namespace

bool LoadImageList(int bitmapId, int imageWidth, ImageList& list) {
  list.Clear();
  QString path = BitmapResourcePath(bitmapId);
  if (path.isEmpty() || imageWidth <= 0) return false;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  QByteArray bytes = file.readAll();
  QColor mask;
  if (!FirstStoredPixel(bytes, mask)) return false;
  QImage strip;
  if (!strip.loadFromData(bytes, "BMP")) return false;
  strip = strip.convertToFormat(QImage::Format_ARGB32);

  // Pixels of the mask colour become transparent.
  const QRgb maskRgb = mask.rgb() & 0xFFFFFF;
  for (int y = 0; y < strip.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(strip.scanLine(y));
    for (int x = 0; x < strip.width(); ++x)
      if ((row[x] & 0xFFFFFF) == maskRgb) row[x] = 0;
  }

  const int count = strip.width() / imageWidth;
  std::vector<QPixmap> images;
  images.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i)
    images.push_back(QPixmap::fromImage(strip.copy(i * imageWidth, 0, imageWidth, strip.height())));
  list.Set(QSize(imageWidth, strip.height()), mask, std::move(images));
  return true;
}

}  // namespace orva
