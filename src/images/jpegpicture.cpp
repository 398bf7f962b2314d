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

namespace {

// Lays decoded rows straight into the bitmap block: blue, green, red, the
// bottom row first, so the pixels take memory once.
class BitmapSink : public IJpegRowSink {
 public:
  explicit BitmapSink(std::vector<std::uint8_t>& block) : m_block(block) {}
  bool Begin(int width, int height) override {
    m_width = static_cast<std::size_t>(width);
    m_height = static_cast<std::size_t>(height);
    m_stride = BitmapStride(m_width);
    try {
      m_block.assign(m_stride * m_height + CJpegPicture::kInfoHeaderSize, 0);
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  }
  void Row(int y, const std::uint8_t* samples, int components) override {
    std::uint8_t* target =
        m_block.data() + CJpegPicture::kInfoHeaderSize + (m_height - 1 - static_cast<std::size_t>(y)) * m_stride;
    for (std::size_t x = 0; x < m_width; ++x, target += 3) {
      const std::uint8_t* pixel = samples + x * static_cast<std::size_t>(components);
      target[0] = pixel[components == 3 ? 2 : 0];
      target[1] = pixel[components == 3 ? 1 : 0];
      target[2] = pixel[0];
    }
  }
  int Width() const { return static_cast<int>(m_width); }
  int Height() const { return static_cast<int>(m_height); }

 private:
  std::vector<std::uint8_t>& m_block;
  std::size_t m_width = 0;
  std::size_t m_height = 0;
  std::size_t m_stride = 0;
};

}  // namespace

bool CJpegPicture::LoadFromFile(const std::string& path) {
  Clear();
  BitmapSink sink(m_block);
  const bool decoded = DecodeJpegFile(path, sink);
  // A failed decode leaves a header-only bitmap of size 0 x 0.
  if (!decoded) std::vector<std::uint8_t>(kInfoHeaderSize, 0).swap(m_block);
  m_width = decoded ? sink.Width() : 0;
  m_height = decoded ? sink.Height() : 0;
  m_stride = static_cast<int>(BitmapStride(static_cast<std::size_t>(m_width)));
  WriteHeader();
  return decoded;
}

void CJpegPicture::WriteHeader() {
  std::uint8_t* header = m_block.data();
  PutLE32(header, kInfoHeaderSize);
  PutLE32(header + 4, static_cast<std::uint32_t>(m_width));
  PutLE32(header + 8, static_cast<std::uint32_t>(m_height));  // positive: bottom-up rows
  PutLE16(header + 12, 1);                                     // planes
  PutLE16(header + 14, 24);                                    // bits per pixel; compression and the rest 0
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
