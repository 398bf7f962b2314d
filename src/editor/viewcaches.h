#pragma once
// Per-line caches of a text view: the colouring cookie at the end of each line
// and each line's display length. Cookies depend on every earlier line, so a
// change stales the cookies from the changed line on; the valid cookies are
// therefore always the leading lines, and a missing cookie is computed from
// the last valid one onward, caching each result on the way.

#include <cstdint>
#include <functional>
#include <vector>

namespace orva {

class LineCaches {
 public:
  // Colours one line without spans: cookie at the end of the previous line
  // and the line index in, cookie at the end of the line out.
  using CookieStep = std::function<std::uint32_t(std::uint32_t cookie, int line)>;
  using LengthOf = std::function<int(int line)>;

  // Every entry stale, sized for `lineCount` lines.
  void Reset(int lineCount);
  int Size() const { return static_cast<int>(m_lengths.size()); }

  // A change inside one line: its cookie and every later one stale, and its
  // display length stale.
  void LineChanged(int line);
  // Lines were added or removed at `line`: entries before it are kept, the
  // rest are stale.
  void LinesChanged(int line, int newLineCount);

  // The cookie at the end of `line` (0 for line -1).
  std::uint32_t CookieAfter(int line, const CookieStep& step);
  // Stores the cookie a full colouring of `line` produced; only the line just
  // after the valid ones extends them.
  void StoreCookie(int line, std::uint32_t cookie);
  int ValidCookieCount() const { return m_validCookies; }

  int DisplayLength(int line, const LengthOf& lengthOf);
  // Maximum display length over all lines, cached until a width change.
  int LongestLine(const LengthOf& lengthOf);
  void MarkLongestStale() { m_longest = -1; }

 private:
  std::vector<std::uint32_t> m_cookies;
  int m_validCookies = 0;
  std::vector<int> m_lengths;  // -1 = stale
  int m_longest = -1;
};

}  // namespace orva
