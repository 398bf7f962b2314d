#include "editor/textlayout.h"

#include <algorithm>
#include <cstring>

#include "platform/codec.h"

namespace orva {

namespace {

int NextColumn(int column, char byte, int tabSize) {
  if (byte == '\t' && tabSize > 0) return (column / tabSize + 1) * tabSize;
  return column + 1;
}

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// The byte index of the next tab at or after `from`, or the line's length.
// Lines of tens of megabytes hold few tabs, so the column arithmetic below
// hops from tab to tab instead of stepping byte by byte.
std::size_t NextTab(std::string_view line, std::size_t from) {
  if (from >= line.size()) return line.size();
  const void* tab = std::memchr(line.data() + from, '\t', line.size() - from);
  return tab ? static_cast<std::size_t>(static_cast<const char*>(tab) - line.data()) : line.size();
}

}  // namespace

int DisplayLength(std::string_view line, int tabSize) { return AdvanceColumns(line, 0, tabSize); }

int AdvanceColumns(std::string_view bytes, int start, int tabSize) {
  long long column = start;
  for (std::size_t pos = 0; pos < bytes.size();) {
    const std::size_t tab = NextTab(bytes, pos);
    column += static_cast<long long>(tab - pos);
    if (tab == bytes.size()) break;
    column = NextColumn(static_cast<int>(column), '\t', tabSize);
    pos = tab + 1;
  }
  return static_cast<int>(column);
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
  long long column = 0;
  for (std::size_t pos = 0; pos < line.size();) {
    // Bytes pos .. tab - 1 take one column each: byte j ends at column + (j - pos) + 1.
    const std::size_t tab = NextTab(line, pos);
    if (target < column + static_cast<long long>(tab - pos))
      return SnapColumnRight(line, static_cast<int>(pos + static_cast<std::size_t>(std::max(0LL, target - column))));
    column += static_cast<long long>(tab - pos);
    if (tab == line.size()) break;
    const long long end = NextColumn(static_cast<int>(column), '\t', tabSize);
    if (end > target) return SnapColumnRight(line, static_cast<int>(tab));
    column = end;
    pos = tab + 1;
  }
  return static_cast<int>(line.size());
}

int ByteForIdealColumn(std::string_view line, int wanted, int tabSize) {
  // A wanted column at or before a byte's start puts the caret before it; at
  // the first byte whose display end reaches the column, after it when its end
  // minus half the tab size is still left of the column, else before it.
  const auto nearer = [&](std::size_t index, long long end) {
    return SnapColumnRight(line, static_cast<int>(end - tabSize / 2 < wanted ? index + 1 : index));
  };
  long long column = 0;
  for (std::size_t pos = 0; pos < line.size();) {
    const std::size_t tab = NextTab(line, pos);
    if (pos < tab) {
      if (column >= wanted) return SnapColumnRight(line, static_cast<int>(pos));
      if (wanted <= column + static_cast<long long>(tab - pos)) {
        const std::size_t index = pos + static_cast<std::size_t>(wanted - column) - 1;  // ends exactly at wanted
        return nearer(index, wanted);
      }
      column += static_cast<long long>(tab - pos);
    }
    if (tab == line.size()) break;
    if (column >= wanted) return SnapColumnRight(line, static_cast<int>(tab));
    const long long end = NextColumn(static_cast<int>(column), '\t', tabSize);
    if (end >= wanted) return nearer(tab, end);
    column = end;
    pos = tab + 1;
  }
  return static_cast<int>(line.size());
}

int ByteAtDisplayColumn(std::string_view line, int target, int tabSize) {
  long long column = 0;
  for (std::size_t pos = 0; pos < line.size();) {
    const std::size_t tab = NextTab(line, pos);
    if (target <= column + static_cast<long long>(tab - pos))
      return static_cast<int>(pos + static_cast<std::size_t>(std::max(0LL, target - column)));
    column += static_cast<long long>(tab - pos);
    if (tab == line.size()) break;
    column = NextColumn(static_cast<int>(column), '\t', tabSize);
    if (column >= target) return static_cast<int>(tab + 1);
    pos = tab + 1;
  }
  return static_cast<int>(line.size());
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
