#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <sys/resource.h>

#include <QFile>
#include <cstdlib>
#include <vector>

#include "images/jpegpicture.h"
#include "platform/resource_ids.h"
#include "test_env.h"

namespace orva {
namespace {

std::string DataPath(const char* name) {
  QByteArray dir = qgetenv("ORVA_TEST_DATA");
  if (dir.isEmpty()) dir = ORVA_SOURCE_DIR "/tests/data";
  return (dir + "/images/" + name).toStdString();
}

std::uint32_t LE32(const std::uint8_t* at) { return at[0] | (at[1] << 8) | (at[2] << 16) | (std::uint32_t(at[3]) << 24); }
std::uint16_t LE16(const std::uint8_t* at) { return static_cast<std::uint16_t>(at[0] | (at[1] << 8)); }

// Pixel (x, y), y counted from the top, read straight from the bitmap block.
QColor BitmapPixel(const CJpegPicture& picture, int x, int y) {
  const std::uint8_t* at = picture.Block() + CJpegPicture::kInfoHeaderSize +
                           (picture.Height() - 1 - y) * picture.Stride() + 3 * x;
  return QColor(at[2], at[1], at[0]);
}

int ColourDistance(QColor a, QColor b) {
  return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
}

// The largest per-channel difference between the bitmap and Qt's own decode
// of the same file.
int MaxDifferenceFromReference(const CJpegPicture& picture, const std::string& path) {
  QImage reference(QString::fromStdString(path));
  EXPECT_FALSE(reference.isNull());
  EXPECT_EQ(reference.size(), QSize(picture.Width(), picture.Height()));
  int worst = 0;
  for (int y = 0; y < reference.height(); ++y)
    for (int x = 0; x < reference.width(); ++x)
      worst = std::max(worst, ColourDistance(BitmapPixel(picture, x, y), reference.pixelColor(x, y)));
  return worst;
}

// Points TMPDIR at a private folder while it lives.
class PrivateTempFolder {
 public:
  PrivateTempFolder() : m_previous(qgetenv("TMPDIR")), m_hadPrevious(qEnvironmentVariableIsSet("TMPDIR")) {
    qputenv("TMPDIR", m_dir.path().toLocal8Bit());
  }
  ~PrivateTempFolder() {
    if (m_hadPrevious)
      qputenv("TMPDIR", m_previous);
    else
      qunsetenv("TMPDIR");
  }
  QStringList Files() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden); }

 private:
  QTemporaryDir m_dir;
  QByteArray m_previous;
  bool m_hadPrevious;
};

QImage Canvas(int width, int height) {
  QImage canvas(width, height, QImage::Format_RGB32);
  canvas.fill(QColor(255, 0, 255));
  return canvas;
}

TEST(JpegPicture, BitmapHeaderAndPaddedRowsOfAnOddWidth) {
  CJpegPicture picture;
  ASSERT_TRUE(picture.LoadFromFile(DataPath("colour101x7.jpg")));
  EXPECT_EQ(picture.Width(), 101);
  EXPECT_EQ(picture.Height(), 7);
  EXPECT_EQ(picture.Stride(), 304);
  EXPECT_EQ(picture.Size(), 304 * 7 + 40);

  const std::uint8_t* header = picture.Block();
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(LE32(header), 40u);
  EXPECT_EQ(LE32(header + 4), 101u);
  EXPECT_EQ(LE32(header + 8), 7u);
  EXPECT_EQ(LE16(header + 12), 1);
  EXPECT_EQ(LE16(header + 14), 24);
  for (int i = 16; i < 40; ++i) EXPECT_EQ(header[i], 0) << i;
  // The padding byte after each row's 303 pixel bytes.
  for (int row = 0; row < 7; ++row) EXPECT_EQ(header[40 + row * 304 + 303], 0) << row;
}

TEST(JpegPicture, PixelsMatchAReferenceDecode) {
  for (const char* name : {"colour101x7.jpg", "blocks32.jpg"}) {
    SCOPED_TRACE(name);
    CJpegPicture picture;
    ASSERT_TRUE(picture.LoadFromFile(DataPath(name)));
    EXPECT_LE(MaxDifferenceFromReference(picture, DataPath(name)), 2);
  }
}

// Independent of any decoder: the flat quadrants must come out in their
// colours, which pins down the bottom-up row order and the BGR byte order.
TEST(JpegPicture, FlatQuadrantsKeepTheirColoursAndPlaces) {
  CJpegPicture picture;
  ASSERT_TRUE(picture.LoadFromFile(DataPath("blocks32.jpg")));
  ASSERT_EQ(picture.Width(), 32);
  EXPECT_LE(ColourDistance(BitmapPixel(picture, 6, 6), QColor(255, 0, 0)), 6);
  EXPECT_LE(ColourDistance(BitmapPixel(picture, 25, 6), QColor(0, 255, 0)), 6);
  EXPECT_LE(ColourDistance(BitmapPixel(picture, 6, 25), QColor(0, 0, 255)), 6);
  EXPECT_LE(ColourDistance(BitmapPixel(picture, 25, 25), QColor(255, 255, 255)), 6);
  // The first stored row is the bottom one: blue, then white.
  const std::uint8_t* first = picture.Block() + 40;
  EXPECT_GT(first[0], 200);  // blue byte of the bottom-left pixel
  EXPECT_LT(first[2], 50);   // its red byte
  EXPECT_EQ(picture.ToImage().pixelColor(25, 6), BitmapPixel(picture, 25, 6));
}

TEST(JpegPicture, GreyscaleBecomesGreyTwentyFourBit) {
  const std::string path = DataPath("grey40x24.jpg");
  ASSERT_EQ(QImage(QString::fromStdString(path)).format(), QImage::Format_Grayscale8);
  CJpegPicture picture;
  ASSERT_TRUE(picture.LoadFromFile(path));
  ASSERT_EQ(picture.Width(), 40);
  ASSERT_EQ(picture.Height(), 24);
  EXPECT_EQ(picture.Stride(), 120);
  EXPECT_EQ(LE16(picture.Block() + 14), 24);
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 40; ++x) {
      QColor c = BitmapPixel(picture, x, y);
      ASSERT_TRUE(c.red() == c.green() && c.green() == c.blue()) << x << "," << y;
    }
  EXPECT_LE(MaxDifferenceFromReference(picture, path), 2);
  EXPECT_NEAR(BitmapPixel(picture, 28, 12).red(), 20, 4);   // the dark square
  EXPECT_NEAR(BitmapPixel(picture, 36, 2).red(), 216, 6);   // the bright end of the gradient
}

TEST(JpegPicture, CorruptFileReportsAFatalErrorAndDrawsNothing) {
  test::MessageBoxRecorder boxes;
  CJpegPicture picture;
  ASSERT_TRUE(picture.LoadFromFile(DataPath("blocks32.jpg")));
  EXPECT_FALSE(picture.LoadFromFile(DataPath("corrupt.jpg")));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].caption, QString::fromUtf8("JPEG 致命错误"));
  EXPECT_EQ(boxes.Boxes()[0].icon, MbIcon::Error);
  EXPECT_FALSE(boxes.LastText().isEmpty());

  EXPECT_EQ(picture.Width(), 0);
  EXPECT_EQ(picture.Height(), 0);
  EXPECT_EQ(picture.Size(), 40);
  ASSERT_NE(picture.Block(), nullptr);
  EXPECT_EQ(LE32(picture.Block()), 40u);
  EXPECT_EQ(LE32(picture.Block() + 4), 0u);
  EXPECT_EQ(LE32(picture.Block() + 8), 0u);

  QImage canvas = Canvas(20, 20);
  const QImage untouched = canvas;
  QPainter painter(&canvas);
  EXPECT_TRUE(picture.Draw(painter, 0, 0, 20, 20));
  painter.end();
  EXPECT_EQ(canvas, untouched);
}

// A copy of a real picture whose frame header declares another size.
std::string WithDeclaredSize(const QTemporaryDir& dir, int width, int height) {
  QFile source(QString::fromStdString(DataPath("grey40x24.jpg")));
  EXPECT_TRUE(source.open(QIODevice::ReadOnly));
  QByteArray bytes = source.readAll();
  // The frame header: FF C0 (or C1, C2), length, precision, height, width.
  qsizetype at = -1;
  const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
  for (qsizetype i = 0; i + 9 < bytes.size() && at < 0; ++i)
    if (byte(i) == 0xFF && byte(i + 1) >= 0xC0 && byte(i + 1) <= 0xC2) at = i;
  EXPECT_GE(at, 0);
  bytes[at + 5] = static_cast<char>(height >> 8);
  bytes[at + 6] = static_cast<char>(height);
  bytes[at + 7] = static_cast<char>(width >> 8);
  bytes[at + 8] = static_cast<char>(width);
  const QString path = dir.filePath(QStringLiteral("declared%1x%2.jpg").arg(width).arg(height));
  QFile out(path);
  EXPECT_TRUE(out.open(QIODevice::WriteOnly));
  out.write(bytes);
  return path.toStdString();
}

long PeakResidentKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST(JpegPicture, DeclaredSizesBeyondWhatAPictureNeedsAreRefused) {
  test::MessageBoxRecorder boxes;
  QTemporaryDir dir;
  CJpegPicture picture;
  const long peakBefore = PeakResidentKb();
  for (auto [width, height] : {std::pair{10495, 64768}, std::pair{16385, 8}, std::pair{8, 16385},
                               std::pair{16384, 5462}}) {
    SCOPED_TRACE(testing::Message() << width << " x " << height);
    const std::size_t before = boxes.Count();
    EXPECT_FALSE(picture.LoadFromFile(WithDeclaredSize(dir, width, height)));
    ASSERT_EQ(boxes.Count(), before + 1);
    EXPECT_TRUE(boxes.LastText().contains(QString::fromUtf8("图片太大"))) << boxes.LastText().toStdString();
    EXPECT_EQ(boxes.Boxes().back().icon, MbIcon::Error);
    EXPECT_EQ(picture.Width(), 0);
    EXPECT_EQ(picture.Size(), 40);
  }
  // Refused before any pixel memory was taken.
  EXPECT_LT(PeakResidentKb() - peakBefore, 64 * 1024);

  // The largest side is still decoded (the missing data comes out grey).
  const std::size_t before = boxes.Count();
  EXPECT_TRUE(picture.LoadFromFile(WithDeclaredSize(dir, 16384, 8)));
  EXPECT_EQ(boxes.Count(), before);
  EXPECT_EQ(picture.Width(), 16384);
  EXPECT_EQ(picture.Height(), 8);
  EXPECT_EQ(picture.Size(), 16384 * 3 * 8 + 40);
}

TEST(JpegPicture, MissingFileIsReportedByName) {
  test::MessageBoxRecorder boxes;
  const std::string path = DataPath("no-such-picture.jpg");
  CJpegPicture picture;
  EXPECT_FALSE(picture.LoadFromFile(path));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.LastText(), QString::fromUtf8("JPEG :\n无法打开文件：") + QString::fromStdString(path));
  EXPECT_EQ(picture.Size(), 40);
  EXPECT_EQ(picture.Width(), 0);
}

TEST(JpegPicture, DrawPaintsTheNaturalSizeOrStretches) {
  CJpegPicture picture;
  ASSERT_TRUE(picture.LoadFromFile(DataPath("blocks32.jpg")));
  const QImage image = picture.ToImage();

  QImage natural = Canvas(60, 60);
  {
    QPainter painter(&natural);
    EXPECT_TRUE(picture.Draw(painter, 5, 7, -1, -1));
  }
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) ASSERT_EQ(natural.pixel(5 + x, 7 + y), image.pixel(x, y)) << x << "," << y;
  EXPECT_EQ(natural.pixelColor(4, 10), QColor(255, 0, 255));
  EXPECT_EQ(natural.pixelColor(37, 10), QColor(255, 0, 255));
  EXPECT_EQ(natural.pixelColor(10, 39), QColor(255, 0, 255));

  // Twice as wide, own height.
  QImage stretched = Canvas(80, 40);
  {
    QPainter painter(&stretched);
    EXPECT_TRUE(picture.Draw(painter, 0, 0, 64, -1));
  }
  EXPECT_LE(ColourDistance(stretched.pixelColor(12, 6), QColor(255, 0, 0)), 6);
  EXPECT_LE(ColourDistance(stretched.pixelColor(50, 6), QColor(0, 255, 0)), 6);
  EXPECT_LE(ColourDistance(stretched.pixelColor(12, 25), QColor(0, 0, 255)), 6);
  EXPECT_LE(ColourDistance(stretched.pixelColor(50, 25), QColor(255, 255, 255)), 6);
  EXPECT_EQ(stretched.pixelColor(70, 10), QColor(255, 0, 255));
  EXPECT_EQ(stretched.pixelColor(10, 35), QColor(255, 0, 255));
}

TEST(JpegPicture, NoBitmapMeansNoDrawing) {
  CJpegPicture picture;
  QImage canvas = Canvas(8, 8);
  QPainter painter(&canvas);
  EXPECT_FALSE(picture.Draw(painter, 0, 0));
  EXPECT_EQ(picture.Block(), nullptr);
  ASSERT_TRUE(picture.LoadFromFile(DataPath("blocks32.jpg")));
  picture.Clear();
  EXPECT_FALSE(picture.Draw(painter, 0, 0));
  EXPECT_EQ(picture.Width(), 0);
  EXPECT_EQ(picture.Height(), 0);
  EXPECT_EQ(picture.Size(), 0);
  EXPECT_TRUE(picture.ToImage().isNull());
}

TEST(JpegPicture, ShippedPicturesLoadAndEqualTheirFiles) {
  PrivateTempFolder temp;
  const struct {
    int id;
    const char* file;
    QSize size;
  } shipped[] = {{IDR_JPG_ABOUT, "about130.jpg", {400, 80}}, {IDR_JPG_CONNECT, "connect131.jpg", {80, 240}}};
  for (const auto& entry : shipped) {
    SCOPED_TRACE(entry.id);
    CJpegPicture fromResource;
    ASSERT_TRUE(fromResource.LoadFromResource(entry.id));
    EXPECT_EQ(QSize(fromResource.Width(), fromResource.Height()), entry.size);
    EXPECT_TRUE(temp.Files().isEmpty()) << temp.Files().join(",").toStdString();

    CJpegPicture fromFile;
    ASSERT_TRUE(fromFile.LoadFromFile(ORVA_SOURCE_DIR "/resources/pictures/" + std::string(entry.file)));
    ASSERT_EQ(fromFile.Size(), fromResource.Size());
    EXPECT_TRUE(std::equal(fromFile.Block(), fromFile.Block() + fromFile.Size(), fromResource.Block()));
  }
}

TEST(JpegPicture, ResourceGoesThroughAnImgFileThatIsAlwaysRemoved) {
  PrivateTempFolder temp;
  // While the fatal error is shown the decoder is reading the temporary copy.
  QStringList filesDuringDecode;
  MessageBoxHook previous = SetMessageBoxHook([&](const MessageBoxRequest&) {
    filesDuringDecode = temp.Files();
    return static_cast<int>(IDOK);
  });
  CJpegPicture picture;
  EXPECT_FALSE(picture.LoadFromResource(QStringLiteral(":/test/corrupt.jpg")));
  SetMessageBoxHook(previous);
  ASSERT_EQ(filesDuringDecode.size(), 1);
  EXPECT_TRUE(filesDuringDecode[0].startsWith(QStringLiteral("IMG")));
  EXPECT_TRUE(temp.Files().isEmpty());
  EXPECT_EQ(picture.Size(), 40);

  ASSERT_TRUE(picture.LoadFromResource(QStringLiteral(":/test/grey40x24.jpg")));
  EXPECT_EQ(picture.Width(), 40);
  EXPECT_TRUE(temp.Files().isEmpty());

  // A missing resource or an unknown id leaves the picture as it was.
  EXPECT_FALSE(picture.LoadFromResource(QStringLiteral(":/test/none.jpg")));
  EXPECT_FALSE(picture.LoadFromResource(999));
  EXPECT_EQ(picture.Width(), 40);
  EXPECT_TRUE(temp.Files().isEmpty());
}

}  // namespace
}  // namespace orva
