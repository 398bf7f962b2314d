#include "editor/viewcaches.h"

#include <algorithm>

namespace orva {

void LineCaches::Reset(int lineCount) {
  m_cookies.assign(static_cast<std::size_t>(std::max(0, lineCount)), 0);
  m_validCookies = 0;
  m_lengths.assign(static_cast<std::size_t>(std::max(0, lineCount)), -1);
  m_longest = -1;
}

void LineCaches::LineChanged(int line) {
  if (line < 0) return;
  m_validCookies = std::min(m_validCookies, line);
  if (line < Size()) m_lengths[static_cast<std::size_t>(line)] = -1;
}

void LineCaches::LinesChanged(int line, int newLineCount) {
  line = std::max(0, line);
  const auto count = static_cast<std::size_t>(std::max(0, newLineCount));
  m_cookies.resize(count, 0);
  m_validCookies = std::min({m_validCookies, line, newLineCount});
  m_lengths.resize(count, -1);
  for (std::size_t i = static_cast<std::size_t>(line); i < count; ++i) m_lengths[i] = -1;
}

void LineCaches::StoreCookie(int line, std::uint32_t cookie) {
  if (line < 0 || line >= static_cast<int>(m_cookies.size())) return;
  if (line < m_validCookies) {
    m_cookies[static_cast<std::size_t>(line)] = cookie;
  } else if (line == m_validCookies) {
    m_cookies[static_cast<std::size_t>(line)] = cookie;
    ++m_validCookies;
  }
}

int LineCaches::DisplayLength(int line, const LengthOf& lengthOf) {
  if (line < 0 || line >= Size()) return lengthOf(line);
  int& entry = m_lengths[static_cast<std::size_t>(line)];
  if (entry < 0) entry = lengthOf(line);
  return entry;
}

int LineCaches::LongestLine(const LengthOf& lengthOf) {
  if (m_longest >= 0) return m_longest;
  int longest = 0;
  for (int line = 0; line < Size(); ++line) longest = std::max(longest, DisplayLength(line, lengthOf));
  m_longest = longest;
  return m_longest;
}

}  // namespace orva
