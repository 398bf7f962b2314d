#pragma once
// Display columns of a line of GBK bytes: every byte is one column except a
// tab, which advances to the next multiple of the tab size. Columns of a
// position are byte indexes; a position never rests inside a double-byte
// character, so computed columns are snapped to character boundaries.

#include <string>
#include <string_view>

namespace orva {

// Width in display columns of the whole line.
int DisplayLength(std::string_view line, int tabSize);

// The display column after `bytes` when they start at display column `start`.
int AdvanceColumns(std::string_view bytes, int start, int tabSize);

// Display column at which the byte at `byteIndex` starts (the line's display
// length for an index at or past its end).
int DisplayColumnOf(std::string_view line, int byteIndex, int tabSize);

// A column inside a character moves to the end of that character (right) or
// to its start (left). Indexes are clamped to 0 .. line length.
int SnapColumnRight(std::string_view line, int byteIndex);
int SnapColumnLeft(std::string_view line, int byteIndex);

// The position a click at display column `target` (already moved right by
// half a character) lands on: before the first byte whose display end lies
// beyond the target, or the line end; snapped right.
int ByteForClickColumn(std::string_view line, int target, int tabSize);

// The byte index a vertical move takes for a wanted display column: before a
// byte that starts at or after the column; at the first byte whose display end
// reaches the column, after it when its display end minus half the tab size is
// still left of the column, else before it; the line length past the end.
// Snapped right.
int ByteForIdealColumn(std::string_view line, int wanted, int tabSize);

// The first byte index whose display column is at or beyond `target` (the
// line length when none is); not snapped.
int ByteAtDisplayColumn(std::string_view line, int target, int tabSize);

// The visible form of a run of bytes starting at display column `startColumn`:
// tabs expanded to spaces (or "~" and spaces, with spaces shown as 0x7F, when
// `showTabs` is on).
std::string ExpandTabs(std::string_view run, int startColumn, int tabSize, bool showTabs);

// Pixel <-> position arithmetic of one view.
struct ViewGeometry {
  int charWidth = 8;
  int lineHeight = 16;
  int marginWidth = 20;
  int topLine = 0;
  int offsetColumn = 0;  // first visible display column

  int XForColumn(int displayColumn) const { return charWidth * (displayColumn - offsetColumn) + marginWidth; }
  int YForLine(int line) const { return lineHeight * (line - topLine); }
  // Line under a y, not clamped.
  int LineForY(int y) const;
  // Target display column for a click at x: the x moved right by half a
  // character, at least 0.
  int ClickColumnForX(int x) const;
};

}  // namespace orva
