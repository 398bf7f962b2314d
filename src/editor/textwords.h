#pragma once
// Word boundaries for caret movement and word selection. Word bytes are ASCII
// letters and digits, "_" and every byte of 0x80 or above (so a run of Chinese
// text is one word); spaces are ASCII white space; everything else is
// punctuation, and a run of punctuation counts as one word too.

#include <string_view>

namespace orva {

bool IsWordByte(unsigned char byte);
bool IsSpaceByte(unsigned char byte);

// Within one line: the start of the word left of `column` (spaces skipped
// leftwards first) and the end of the word right of it (spaces after it
// skipped as well). Neither crosses the line's ends.
int WordLeftInLine(std::string_view line, int column);
int WordRightInLine(std::string_view line, int column);

// The word bytes around a column: [start, end). Empty (start == end == the
// column) when the byte at the column and the one before it are not word bytes.
struct WordRange {
  int start = 0;
  int end = 0;
};
WordRange WordAround(std::string_view line, int column);

}  // namespace orva
