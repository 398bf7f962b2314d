#pragma once
// Tool-bar style image lists: a bitmap strip of equal-width images cut into a
// list, with one colour of the strip made transparent.

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <vector>

class QPainter;

namespace orva {

class ImageList {
 public:
  int Count() const { return static_cast<int>(m_images.size()); }
  QSize ImageSize() const { return m_imageSize; }
  QColor MaskColor() const { return m_maskColor; }

  // Empty pixmap / icon for an index outside the list.
  QPixmap Pixmap(int index) const;
  QIcon Icon(int index) const;
  void Draw(QPainter& painter, int index, int x, int y) const;

  void Clear();
  void Set(QSize imageSize, QColor maskColor, std::vector<QPixmap> images);

 private:
  QSize m_imageSize;
  QColor m_maskColor;
  std::vector<QPixmap> m_images;
};

// Loads bitmap resource `bitmapId` into `list`: image height = strip height,
// image count = strip width / imageWidth, and the transparent colour is the
// first pixel of the stored pixel data (the lower-left pixel of a bottom-up
// 24-bit strip). Returns false, leaving the list empty, when the resource is
// missing or unreadable.
bool LoadImageList(int bitmapId, int imageWidth, ImageList& list);

// The resource path of a bitmap id (empty when the id has no strip).
QString BitmapResourcePath(int bitmapId);

}  // namespace orva
