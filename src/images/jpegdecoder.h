#pragma once
// JPEG decoding with libjpeg into a top-down RGB buffer. Failures are shown to
// the user in a message box and give an empty result; a broken file never
// ends the program.

#include <cstdint>
#include <string>
#include <vector>

namespace orva {

struct DecodedJpeg {
  bool ok = false;              // false: nothing decoded, the buffer is empty
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // width x height x 3 bytes, top row first
};

// Decodes a JPEG file. Greyscale pictures come out as grey RGB; rows of any
// other colour layout (CMYK) are left black.
DecodedJpeg DecodeJpegFile(const std::string& path);

}  // namespace orva
