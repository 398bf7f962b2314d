#include "editor/textlayout.h"

#include <algorithm>

#include "platform/codec.h"

namespace orva {

namespace {

int NextColumn(int column, char byte, int tabSize) {
  if (byte == '\t' && tabSize > 0) return (column / tabSize + 1) * tabSize;
  return column + 1;
}

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

}  // namespace

int DisplayLength(std::string_view line, int tabSize) { return AdvanceColumns(line, 0, tabSize); }

int AdvanceColumns(std::string_view bytes, int start, int tabSize) {
  int column = start;
  for (char byte : bytes) column = NextColumn(column, byte, tabSize);
  return column;
}

int DisplayColumnOf(std::string_view line, int byteIndex, int tabSize) {
  const int end = std::clamp(byteIndex, 0, static_cast<int>(line.size()));
  return DisplayLength(line.substr(0, end), tabSize);
}

int SnapColumnRight(std::string_view line, int byteIndex) {
  const int length = static_cast<int>(line.size());
  byteIndex = std::clamp(byteIndex, 0, length);
  if (byteIndex == length) return byteIndex;
  const int start = static_cast<int>(CharStartAt(line, byteIndex));
  if (start == byteIndex) return byteIndex;
  return std::min(length, start + static_cast<int>(CharLengthAt(line, start)));
}

int SnapColumnLeft(std::string_view line, int byteIndex) {
  const int length = static_cast<int>(line.size());
  byteIndex = std::clamp(byteIndex, 0, length);
  if (byteIndex == length) return byteIndex;
  return static_cast<int>(CharStartAt(line, byteIndex));
}

int ByteForClickColumn(std::string_view line, int target, int tabSize) {
  int column = 0;
  const int length = static_cast<int>(line.size());
  for (int i = 0; i < length; ++i) {
    const int end = NextColumn(column, line[i], tabSize);
    if (end > target) return SnapColumnRight(line, i);
    column = end;
  }
  return length;
}

int ByteForIdealColumn(std::string_view line, int wanted, int tabSize) {
  int column = 0;
  const int length = static_cast<int>(line.size());
  for (int i = 0; i < length; ++i) {
    // A wanted column at or before the byte's start puts the caret before it.
    if (column >= wanted) return SnapColumnRight(line, i);
    const int end = NextColumn(column, line[i], tabSize);
    if (end >= wanted) {
      const int index = end - tabSize / 2 < wanted ? i + 1 : i;
      return SnapColumnRight(line, index);
    }
    column = end;
  }
  return length;
}

std::string ExpandTabs(std::string_view run, int startColumn, int tabSize, bool showTabs) {
  std::string out;
  out.reserve(run.size());
  int column = startColumn;
  for (char byte : run) {
    const int next = NextColumn(column, byte, tabSize);
    if (byte == '\t') {
      out.append(showTabs ? "~" : " ");
      out.append(static_cast<std::size_t>(next - column - 1), ' ');
    } else if (byte == ' ' && showTabs) {
      out.push_back('\x7F');
    } else {
      out.push_back(byte);
    }
    column = next;
  }
  return out;
}

int ViewGeometry::LineForY(int y) const { return FloorDiv(y, std::max(1, lineHeight)) + topLine; }

int ViewGeometry::ClickColumnForX(int x) const {
  const int width = std::max(1, charWidth);
  const int shifted = x + width / 2 - marginWidth;
  return std::max(0, FloorDiv(shifted, width) + offsetColumn);
}

}  // namespace orva
