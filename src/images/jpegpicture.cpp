#include "images/jpegpicture.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "images/jpegdecoder.h"
#include "platform/resource_ids.h"

namespace orva {
namespace {

void PutLE32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutLE16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

// Deletes the temporary copy of a resource on every way out.
class TemporaryCopy {
 public:
  // Writes `bytes` to a new file "IMG..." in the temporary folder; Path() is
  // empty when that failed.
  explicit TemporaryCopy(const QByteArray& bytes) {
    std::string pattern = QDir(QDir::tempPath()).filePath(QStringLiteral("IMGXXXXXX")).toStdString();
    int fd = mkstemp(pattern.data());
    if (fd < 0) return;
    m_path = pattern;
    std::FILE* file = fdopen(fd, "w+b");
    if (!file) {
      ::close(fd);
      return;
    }
    const auto size = static_cast<std::size_t>(bytes.size());
    bool written = std::fwrite(bytes.constData(), 1, size, file) == size;
    written = std::fflush(file) == 0 && written;
    written = std::fclose(file) == 0 && written;
    m_written = written;
  }
  ~TemporaryCopy() {
    if (!m_path.empty()) ::unlink(m_path.c_str());
  }
  TemporaryCopy(const TemporaryCopy&) = delete;
  TemporaryCopy& operator=(const TemporaryCopy&) = delete;

  bool Written() const { return m_written; }
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
  bool m_written = false;
};

}  // namespace

QString PictureResourcePath(int pictureId) {
  switch (pictureId) {
    case IDR_JPG_ABOUT: return QStringLiteral(":/JPG/about130.jpg");
    case IDR_JPG_CONNECT: return QStringLiteral(":/JPG/connect131.jpg");
    default: return {};
  }
}

bool CJpegPicture::LoadFromResource(int pictureId) {
  QString path = PictureResourcePath(pictureId);
  return !path.isEmpty() && LoadFromResource(path);
}

bool CJpegPicture::LoadFromResource(const QString& resourcePath) {
  QFile resource(resourcePath);
  if (!resource.open(QIODevice::ReadOnly)) return false;
  TemporaryCopy copy(resource.readAll());
  if (!copy.Written()) return false;
  return LoadFromFile(copy.Path());
}

bool CJpegPicture::LoadFromFile(const std::string& path) {
  Clear();
  DecodedJpeg decoded = DecodeJpegFile(path);
  BuildBitmap(decoded.width, decoded.height, decoded.rgb);
  return decoded.ok;
}

// Lays out the bitmap block: the header, then the rows bottom-up with red and
// blue swapped.
void CJpegPicture::BuildBitmap(int width, int height, const std::vector<std::uint8_t>& rgb) {
  m_width = width;
  m_height = height;
  m_stride = (width * 3 + 3) & ~3;
  m_block.assign(static_cast<std::size_t>(m_stride) * static_cast<std::size_t>(height) + kInfoHeaderSize, 0);

  std::uint8_t* header = m_block.data();
  PutLE32(header, kInfoHeaderSize);
  PutLE32(header + 4, static_cast<std::uint32_t>(width));
  PutLE32(header + 8, static_cast<std::uint32_t>(height));  // positive: bottom-up rows
  PutLE16(header + 12, 1);                                   // planes
  PutLE16(header + 14, 24);                                  // bits per pixel; compression and the rest 0

  const auto rowBytes = static_cast<std::size_t>(width) * 3;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* source = rgb.data() + static_cast<std::size_t>(y) * rowBytes;
    std::uint8_t* target =
        m_block.data() + kInfoHeaderSize + static_cast<std::size_t>(height - 1 - y) * static_cast<std::size_t>(m_stride);
    for (std::size_t x = 0; x < rowBytes; x += 3) {
      target[x] = source[x + 2];
      target[x + 1] = source[x + 1];
      target[x + 2] = source[x];
    }
  }
}

QImage CJpegPicture::ToImage() const {
  if (m_block.empty() || m_width <= 0 || m_height <= 0) return {};
  QImage bottomUp(m_block.data() + kInfoHeaderSize, m_width, m_height, m_stride, QImage::Format_BGR888);
  return bottomUp.mirrored(false, true);
}

bool CJpegPicture::Draw(QPainter& painter, int x, int y, int width, int height) const {
  if (m_block.empty()) return false;
  QImage image = ToImage();
  if (image.isNull()) return true;  // a header-only bitmap paints nothing
  if (width == -1) width = m_width;
  if (height == -1) height = m_height;
  painter.save();
  painter.setCompositionMode(QPainter::CompositionMode_Source);  // plain copy
  painter.drawImage(QRect(x, y, width, height), image);
  painter.restore();
  return true;
}

void CJpegPicture::Clear() {
  m_block.clear();
  m_block.shrink_to_fit();
  m_width = 0;
  m_height = 0;
  m_stride = 0;
}

}  // namespace orva
