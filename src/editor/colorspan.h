#pragma once
// Colour runs produced by a line colouring function and drawn by the text
// views. A span's colour applies from its start to the next span's start (the
// last one to the end of the line); bytes before the first span are normal text.

#include <cstddef>
#include <cstdint>

namespace orva {

// A point of a long line from which its colouring can resume without
// scanning the line from its start: the colouring's state after the first
// `position` bytes, in the colouring's own encoding.
struct ColourResumePoint {
  std::size_t position = 0;
  std::uint64_t state = 0;
};

// Colours are addressed by index; the views map each index to a colour.
enum ColorIndex : int {
  ColorBackground = 0,         // past the end of the text and after a line
  ColorTextBackground = 1,
  ColorNormalText = 2,
  ColorSelectionMargin = 3,
  ColorSelectionBackground = 4,
  ColorSelectedText = 5,
  ColorKeyword = 6,
  ColorComment = 7,
  ColorNumber = 8,
  ColorOperator = 9,           // not used by the SQL colouring
  ColorString = 10,
  ColorDirective = 11,
};

struct ColorSpan {
  int start = 0;  // byte index within the line
  int color = ColorNormalText;

  friend bool operator==(const ColorSpan&, const ColorSpan&) = default;
};

}  // namespace orva
