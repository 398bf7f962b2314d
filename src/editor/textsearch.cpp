#include "editor/textsearch.h"

#include <string.h>

#include <algorithm>
#include <string>

#include "editor/textwords.h"
#include "platform/codec.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Without match case, candidates are the places where the first byte of the
// searched text stands in either case, found sixteen bytes at a time; each is
// then compared in upper case (double-byte aware). No copy of the line is made.
std::size_t FindEither(std::string_view text, std::size_t from, unsigned char a, unsigned char b) {
  const std::size_t n = text.size();
  std::size_t i = from;
#if defined(__SSE2__)
  const __m128i va = _mm_set1_epi8(static_cast<char>(a)), vb = _mm_set1_epi8(static_cast<char>(b));
  for (; i + 16 <= n; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    if (const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, va), _mm_cmpeq_epi8(bytes, vb))))
      return i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
#endif
  for (; i < n; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == a || c == b) return i;
  }
  return std::string_view::npos;
}

// The last place before `end` where either byte stands.
std::size_t FindEitherBackward(std::string_view text, std::size_t end, unsigned char a, unsigned char b) {
  std::size_t i = std::min(end, text.size());
#if defined(__SSE2__)
  const __m128i va = _mm_set1_epi8(static_cast<char>(a)), vb = _mm_set1_epi8(static_cast<char>(b));
  for (; i >= 16; i -= 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i - 16));
    if (const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, va), _mm_cmpeq_epi8(bytes, vb))))
      return i - 16 + static_cast<std::size_t>(31 - __builtin_clz(static_cast<unsigned>(mask)));
  }
#endif
  while (i > 0) {
    --i;
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == a || c == b) return i;
  }
  return std::string_view::npos;
}

class LineMatcher {
 public:
  LineMatcher(const LineSource& lines, std::string_view what, unsigned flags)
      : m_lines(lines), m_matchCase(flags & FindMatchCase), m_wholeWord(flags & FindWholeWord) {
    m_what = m_matchCase ? std::string(what) : ToUpperGbk(what);
    const auto first = m_what.empty() ? 0 : static_cast<unsigned char>(m_what[0]);
    m_first = first;
    m_firstOther = first >= 'A' && first <= 'Z' ? static_cast<unsigned char>(first - 'A' + 'a') : first;
  }

  int Forward(int line, int from, int startLimit) {
    const std::string_view raw = m_lines.line(line);
    if (m_matchCase) return FindForwardInLine(raw, m_what, from, startLimit, m_wholeWord);
    if (from < 0 || m_what.empty()) return -1;
    const std::size_t limit = std::min(raw.size(), static_cast<std::size_t>(std::max(0, startLimit)));
    for (std::size_t at = FindEither(raw, static_cast<std::size_t>(from), m_first, m_firstOther);
         at != std::string_view::npos && at < limit; at = FindEither(raw, at + 1, m_first, m_firstOther)) {
      if (MatchesAt(raw, at) && Acceptable(raw, m_what, static_cast<int>(at), from, m_wholeWord))
        return static_cast<int>(at);
    }
    return -1;
  }

  int Backward(int line, int limit) {
    const std::string_view raw = m_lines.line(line);
    if (m_matchCase) return FindBackwardInLine(raw, m_what, limit, m_wholeWord);
    const std::size_t size = m_what.size();
    const std::size_t end = std::min(raw.size(), static_cast<std::size_t>(std::max(0, limit)));
    if (size == 0 || end < size) return -1;
    for (std::size_t at = FindEitherBackward(raw, end - size + 1, m_first, m_firstOther); at != std::string_view::npos;
         at = FindEitherBackward(raw, at, m_first, m_firstOther)) {
      if (MatchesAt(raw, at) && Acceptable(raw, m_what, static_cast<int>(at), 0, m_wholeWord))
        return static_cast<int>(at);
    }
    return -1;
  }
  int LineLength(int line) const { return static_cast<int>(m_lines.line(line).size()); }

 private:
  // The text at `at` equals the searched one in upper case. A cheap ASCII
  // comparison first; the double-byte aware one only for a likely hit.
  bool MatchesAt(std::string_view raw, std::size_t at) const {
    if (raw.size() - at < m_what.size()) return false;
    const auto fold = [](char byte) {
      const auto c = static_cast<unsigned char>(byte);
      return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
    };
    for (std::size_t k = 0; k < m_what.size(); ++k)
      if (fold(raw[at + k]) != fold(m_what[k])) return false;
    return ToUpperGbk(raw.substr(at, m_what.size())) == m_what;
  }

  const LineSource& m_lines;
  bool m_matchCase;
  bool m_wholeWord;
  std::string m_what;
  unsigned char m_first = 0;
  unsigned char m_firstOther = 0;
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
