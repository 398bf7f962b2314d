#pragma once
// Finding text in the lines of a buffer, one line at a time: a match never
// spans lines. Without match case both sides are compared in upper case
// (double-byte aware). A match never starts on the second byte of a
// double-byte character.
//
// Searching up: on the start line only occurrences that end at or before the
// start column count, and of those the last one is taken; earlier lines
// are searched whole, again taking the last occurrence. A view searching up
// starts from the selection start, so after a hit (selected, caret at its end)
// the next search up finds the occurrence before it: repeated find previous
// walks backwards through all occurrences.

#include <functional>
#include <string_view>

#include "editor/textpos.h"

namespace orva {

enum FindFlags : unsigned {
  FindMatchCase = 0x01,
  FindWholeWord = 0x02,
  FindUp = 0x10,
};

// The lines searched: a count and a way to read line i.
struct LineSource {
  int count = 0;
  std::function<std::string_view(int)> line;
};

struct FindRequest {
  std::string_view what;
  TextPos start;
  TextPos blockStart;
  TextPos blockEnd;
  unsigned flags = 0;
  bool wrap = false;
};

// On success `found` is the start of the occurrence; it ends what.size()
// bytes later on the same line.
bool FindInBlock(const LineSource& lines, const FindRequest& request, TextPos& found);

// Single-line steps, exposed for the tests. `text` and `what` are already
// in the case form being compared. The searched part of the line begins at
// `from` (forward) or ends at `limit` (backward).
// Forward: the first occurrence starting at or after `from` and before
// `startLimit`; -1 when none.
int FindForwardInLine(std::string_view text, std::string_view what, int from, int startLimit, bool wholeWord);
// Backward: the last occurrence ending at or before `limit`; -1 when none.
int FindBackwardInLine(std::string_view text, std::string_view what, int limit, bool wholeWord);

}  // namespace orva
