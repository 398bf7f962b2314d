#pragma once
// Per-line caches of a text view: the colouring cookie at the end of each line
// and each line's display length. Cookies depend on every earlier line, so a
// change stales the cookies from the changed line on; the valid cookies are
// therefore always the leading lines, and a missing cookie is computed from
// the last valid one onward, caching each result on the way.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

namespace orva {

class LineCaches {
 public:
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

  // The cookie at the end of `line` (0 for line -1). `step(cookie, line)`
  // colours one line without spans: the cookie at the end of the previous
  // line and the line index in, the cookie at the end of the line out.
  template <typename Step>
  std::uint32_t CookieAfter(int line, const Step& step) {
    if (line < 0) return 0;
    line = std::min(line, static_cast<int>(m_cookies.size()) - 1);
    if (line < 0) return 0;
    std::uint32_t cookie = m_validCookies == 0 ? 0 : m_cookies[static_cast<std::size_t>(m_validCookies - 1)];
    for (; m_validCookies <= line; ++m_validCookies) {
      cookie = step(cookie, m_validCookies);
      m_cookies[static_cast<std::size_t>(m_validCookies)] = cookie;
    }
    return m_cookies[static_cast<std::size_t>(line)];
  }
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
