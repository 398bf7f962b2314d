#include "editor/textsearch.h"

#include <string.h>

#include <algorithm>
#include <string>

#include "editor/textwords.h"
#include "platform/codec.h"

namespace orva {

namespace {

// The last occurrence of `what` starting at or before `last`, found by looking
// for its first byte backwards (memrchr) rather than comparing at every byte.
std::size_t FindLast(std::string_view text, std::string_view what, std::size_t last) {
  if (what.empty() || text.size() < what.size()) return std::string_view::npos;
  std::size_t end = std::min(last, text.size() - what.size()) + 1;  // candidates start before `end`
  while (end > 0) {
    const void* hit = memrchr(text.data(), what[0], end);
    if (!hit) break;
    const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
    if (text.compare(at, what.size(), what) == 0) return at;
    end = at;
  }
  return std::string_view::npos;
}

bool WordByteAt(std::string_view text, int i) {
  return i >= 0 && i < static_cast<int>(text.size()) && IsWordByte(static_cast<unsigned char>(text[i]));
}

// An occurrence at `at` is acceptable when it does not start inside a
// character and, for whole words, is bounded by non-word bytes. The byte
// before only counts when it lies in the searched part (at or after `from`).
bool Acceptable(std::string_view text, std::string_view what, int at, int from, bool wholeWord) {
  if (IsTrailByteAt(text, static_cast<std::size_t>(at))) return false;
  if (!wholeWord) return true;
  const int end = at + static_cast<int>(what.size());
  if (at - 1 >= from && WordByteAt(text, at - 1)) return false;
  return !WordByteAt(text, end);
}

// Without match case a line is compared in upper case a window at a time,
// so that a line of tens of megabytes needs no upper-case copy of itself.
constexpr std::size_t kFoldWindow = std::size_t{1} << 20;

class LineMatcher {
 public:
  LineMatcher(const LineSource& lines, std::string_view what, unsigned flags)
      : m_lines(lines), m_matchCase(flags & FindMatchCase), m_wholeWord(flags & FindWholeWord) {
    m_what = m_matchCase ? std::string(what) : ToUpperGbk(what);
  }

  int Forward(int line, int from, int startLimit) {
    const std::string_view raw = m_lines.line(line);
    if (m_matchCase) return FindForwardInLine(raw, m_what, from, startLimit, m_wholeWord);
    if (from < 0) return -1;
    const std::size_t limit = std::min(raw.size(), static_cast<std::size_t>(std::max(0, startLimit)));
    // Windows of candidate starts, each beginning on a character.
    for (std::size_t start = CharStartAt(raw, static_cast<std::size_t>(from)); start < limit;) {
      const std::size_t next =
          start + kFoldWindow < raw.size() ? CharStartAt(raw, start + kFoldWindow) : raw.size();
      const std::size_t chunkEnd = std::min(raw.size(), next + m_what.size());
      m_upper = ToUpperGbk(raw.substr(start, chunkEnd - start));
      for (std::size_t at = m_upper.find(m_what); at != std::string::npos; at = m_upper.find(m_what, at + 1)) {
        const std::size_t pos = start + at;
        if (pos >= next || pos >= limit) break;
        if (static_cast<int>(pos) >= from && Acceptable(raw, m_what, static_cast<int>(pos), from, m_wholeWord))
          return static_cast<int>(pos);
      }
      start = next;
    }
    return -1;
  }

  int Backward(int line, int limit) {
    const std::string_view raw = m_lines.line(line);
    if (m_matchCase) return FindBackwardInLine(raw, m_what, limit, m_wholeWord);
    const std::size_t size = m_what.size();
    const std::size_t end = std::min(raw.size(), static_cast<std::size_t>(std::max(0, limit)));
    if (size == 0 || end < size) return -1;
    // Windows of candidate starts from the last possible one backwards.
    for (std::size_t stop = end - size + 1; stop > 0;) {
      const std::size_t start = stop > kFoldWindow ? CharStartAt(raw, stop - kFoldWindow) : 0;
      m_upper = ToUpperGbk(raw.substr(start, stop - 1 + size - start));
      for (std::size_t at = FindLast(m_upper, m_what, m_upper.size()); at != std::string::npos;
           at = at ? FindLast(m_upper, m_what, at - 1) : std::string::npos) {
        const std::size_t pos = start + at;
        if (pos < stop && Acceptable(raw, m_what, static_cast<int>(pos), 0, m_wholeWord)) return static_cast<int>(pos);
      }
      stop = start;
    }
    return -1;
  }
  int LineLength(int line) const { return static_cast<int>(m_lines.line(line).size()); }

 private:
  const LineSource& m_lines;
  bool m_matchCase;
  bool m_wholeWord;
  std::string m_what;
  std::string m_upper;
};

bool SearchDown(LineMatcher& matcher, TextPos from, const FindRequest& request, TextPos& found) {
  for (int line = from.line; line <= request.blockEnd.line; ++line) {
    const int column = line == from.line ? from.column : 0;
    const int limit = line == request.blockEnd.line ? request.blockEnd.column : matcher.LineLength(line) + 1;
    const int at = matcher.Forward(line, column, limit);
    if (at >= 0) {
      found = {at, line};
      return true;
    }
  }
  return false;
}

bool SearchUp(LineMatcher& matcher, TextPos from, const FindRequest& request, TextPos& found) {
  for (int line = from.line; line >= request.blockStart.line; --line) {
    const int limit = line == from.line ? from.column : matcher.LineLength(line);
    const int at = matcher.Backward(line, limit);
    if (at >= 0 && request.blockStart <= TextPos{at, line}) {
      found = {at, line};
      return true;
    }
  }
  return false;
}

}  // namespace

int FindForwardInLine(std::string_view text, std::string_view what, int from, int startLimit, bool wholeWord) {
  if (what.empty() || from < 0) return -1;
  std::size_t at = text.find(what, static_cast<std::size_t>(from));
  while (at != std::string_view::npos && static_cast<int>(at) < startLimit) {
    if (Acceptable(text, what, static_cast<int>(at), from, wholeWord)) return static_cast<int>(at);
    at = text.find(what, at + 1);
  }
  return -1;
}

int FindBackwardInLine(std::string_view text, std::string_view what, int limit, bool wholeWord) {
  const int size = static_cast<int>(what.size());
  limit = std::min(limit, static_cast<int>(text.size()));
  if (what.empty() || limit < size) return -1;
  std::size_t at = FindLast(text, what, static_cast<std::size_t>(limit - size));
  while (at != std::string_view::npos) {
    if (Acceptable(text, what, static_cast<int>(at), 0, wholeWord)) return static_cast<int>(at);
    if (at == 0) break;
    at = FindLast(text, what, at - 1);
  }
  return -1;
}

bool FindInBlock(const LineSource& lines, const FindRequest& request, TextPos& found) {
  if (!(request.blockStart < request.blockEnd) || request.what.empty() || lines.count <= 0) return false;
  LineMatcher matcher(lines, request.what, request.flags);
  TextPos from = std::max(request.start, request.blockStart);
  if (request.flags & FindUp) {
    if (request.blockEnd < from) from = request.blockEnd;
    if (SearchUp(matcher, from, request, found)) return true;
    if (!request.wrap) return false;
    return SearchUp(matcher, request.blockEnd, request, found);
  }
  if (SearchDown(matcher, from, request, found)) return true;
  return request.wrap && SearchDown(matcher, request.blockStart, request, found);
}

}  // namespace orva
