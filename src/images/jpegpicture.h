#pragma once
// A JPEG picture held as a 24-bit device-independent bitmap: a 40-byte bitmap
// information header followed by bottom-up rows of blue, green, red bytes,
// each row padded to a multiple of four bytes. It is painted stretched into a
// rectangle.

#include <QImage>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

class QPainter;

namespace orva {

// The resource path of a picture id (130 About box, 131 connection dialog);
// empty for an unknown id.
QString PictureResourcePath(int pictureId);

class CJpegPicture {
 public:
  static constexpr int kInfoHeaderSize = 40;

  CJpegPicture() = default;
  ~CJpegPicture() { Clear(); }
  CJpegPicture(const CJpegPicture&) = delete;
  CJpegPicture& operator=(const CJpegPicture&) = delete;

  // Decodes a picture compiled into the program. The bytes are decoded from a
  // temporary file ("IMG..." in the temporary folder) that is removed again
  // whatever happens. False, with the picture unchanged, when the resource is
  // missing or the temporary file cannot be written; otherwise the result of
  // LoadFromFile.
  bool LoadFromResource(int pictureId);
  bool LoadFromResource(const QString& resourcePath);

  // Decodes a JPEG file. When decoding fails (a message box has told the
  // user) the picture is left as a header-only bitmap of size 0 x 0, which
  // draws nothing, and the result is false.
  bool LoadFromFile(const std::string& path);

  // Paints the whole picture stretched into the rectangle at (x, y); a width
  // or height of -1 stands for the picture's own. False when there is no
  // bitmap (never loaded or cleared).
  bool Draw(QPainter& painter, int x, int y, int width = -1, int height = -1) const;

  void Clear();

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  // Bytes per bitmap row.
  int Stride() const { return m_stride; }
  // Bytes of the bitmap block: header and rows.
  int Size() const { return static_cast<int>(m_block.size()); }
  // The bitmap block, or null when there is none.
  const std::uint8_t* Block() const { return m_block.empty() ? nullptr : m_block.data(); }

  // The picture as a top-down image; a null image when it has no pixels.
  QImage ToImage() const;

 private:
  void WriteHeader();

  int m_width = 0;
  int m_height = 0;
  int m_stride = 0;
  std::vector<std::uint8_t> m_block;
};

}  // namespace orva
