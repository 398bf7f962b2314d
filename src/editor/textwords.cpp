#include "editor/textwords.h"

#include <algorithm>
#include <cctype>

namespace orva {

namespace {

bool IsPunctuationByte(unsigned char byte) { return !IsWordByte(byte) && !IsSpaceByte(byte); }

unsigned char At(std::string_view line, int i) { return static_cast<unsigned char>(line[static_cast<std::size_t>(i)]); }

}  // namespace

bool IsWordByte(unsigned char byte) { return byte >= 0x80 || std::isalnum(byte) || byte == '_'; }

bool IsSpaceByte(unsigned char byte) { return byte < 0x80 && std::isspace(byte); }

int WordLeftInLine(std::string_view line, int column) {
  int i = std::clamp(column, 0, static_cast<int>(line.size()));
  while (i > 0 && IsSpaceByte(At(line, i - 1))) --i;
  if (i == 0) return 0;
  const bool word = IsWordByte(At(line, i - 1));
  while (i > 0 && (word ? IsWordByte(At(line, i - 1)) : IsPunctuationByte(At(line, i - 1)))) --i;
  return i;
}

int WordRightInLine(std::string_view line, int column) {
  const int length = static_cast<int>(line.size());
  int i = std::clamp(column, 0, length);
  if (i < length && IsWordByte(At(line, i))) {
    while (i < length && IsWordByte(At(line, i))) ++i;
  } else {
    while (i < length && IsPunctuationByte(At(line, i))) ++i;
  }
  while (i < length && IsSpaceByte(At(line, i))) ++i;
  return i;
}

WordRange WordAround(std::string_view line, int column) {
  const int length = static_cast<int>(line.size());
  column = std::clamp(column, 0, length);
  int start = column;
  int end = column;
  while (start > 0 && IsWordByte(At(line, start - 1))) --start;
  while (end < length && IsWordByte(At(line, end))) ++end;
  return {start, end};
}

}  // namespace orva
