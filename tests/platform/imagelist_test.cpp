#include <gtest/gtest.h>

#include <QFile>
#include <QImage>

#include "platform/imagelist.h"

namespace orva {
namespace {

struct Strip {
  int id;
  int minimumCount;
};

// Every strip the system loads: the count is the strip width over 16 and the
// transparent colour is the strip's lower-left pixel.
TEST(ImageList, EveryStripLoadsWithCountAndMaskColour) {
  const Strip strips[] = {{102, 24}, {104, 14}, {107, 3}, {110, 2}, {115, 11}, {121, 2}, {135, 3}, {22902, 15}};
  for (const Strip& strip : strips) {
    SCOPED_TRACE(strip.id);
    QFile file(BitmapResourcePath(strip.id));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QImage image;
    ASSERT_TRUE(image.loadFromData(file.readAll(), "BMP"));

    ImageList list;
    ASSERT_TRUE(LoadImageList(strip.id, 16, list));
    EXPECT_EQ(list.Count(), image.width() / 16);
    EXPECT_GE(list.Count(), strip.minimumCount);
    EXPECT_EQ(list.ImageSize(), QSize(16, image.height()));
    EXPECT_EQ(list.MaskColor().rgb(), image.pixelColor(0, image.height() - 1).rgb());

    // The lower-left pixel of the first image is transparent after loading.
    QImage first = list.Pixmap(0).toImage();
    EXPECT_EQ(qAlpha(first.pixel(0, first.height() - 1)), 0);
  }
}

TEST(ImageList, MarginStripIsFifteenImagesWithWhiteTransparent) {
  ImageList list;
  ASSERT_TRUE(LoadImageList(22902, 16, list));
  EXPECT_EQ(list.Count(), 15);
  EXPECT_EQ(list.MaskColor(), QColor(Qt::white));
}

TEST(ImageList, WiderImagesGiveFewerAndUnknownIdsFail) {
  ImageList narrow;
  ImageList wide;
  ASSERT_TRUE(LoadImageList(104, 16, narrow));
  ASSERT_TRUE(LoadImageList(104, 32, wide));
  EXPECT_EQ(wide.Count(), narrow.Count() / 2);

  ImageList none;
  EXPECT_FALSE(LoadImageList(9999, 16, none));
  EXPECT_EQ(none.Count(), 0);
  EXPECT_FALSE(LoadImageList(104, 0, none));
  EXPECT_TRUE(none.Pixmap(0).isNull());
  EXPECT_TRUE(none.Icon(-1).isNull());
}

}  // namespace
}  // namespace orva
