#pragma once
// JPEG decoding with libjpeg, row by row into a sink that lays the pixels out
// as it needs them. Failures are shown to the user in a message box; a broken
// file never ends the program.

#include <cstddef>
#include <cstdint>
#include <string>

namespace orva {

// The largest picture decoded: no side above 16,384 pixels and no bitmap
// above 256 MB. Anything larger is refused before any pixel memory is taken.
inline constexpr int kMaxJpegSide = 16384;
inline constexpr std::size_t kMaxJpegBitmapBytes = std::size_t{256} << 20;

// Bytes of a 24-bit bitmap row: width x 3 rounded up to a multiple of four.
inline std::size_t BitmapStride(std::size_t width) { return (width * 3 + 3) & ~std::size_t{3}; }

// Where decoded pixels go.
class IJpegRowSink {
 public:
  virtual ~IJpegRowSink() = default;
  // The picture's size, once it is known and within the limits; false when
  // the memory for it cannot be had.
  virtual bool Begin(int width, int height) = 0;
  // One scan line, top row first: `components` bytes per pixel (3 = RGB,
  // 1 = grey; rows of other layouts are not delivered).
  virtual void Row(int y, const std::uint8_t* samples, int components) = 0;
};

// Decodes a JPEG file into the sink. False, after a message box, when the
// file cannot be opened, is not a JPEG picture, is too large or the memory
// for it cannot be had.
bool DecodeJpegFile(const std::string& path, IJpegRowSink& sink);

}  // namespace orva
