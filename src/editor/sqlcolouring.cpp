#include "editor/sqlcolouring.h"

#include <algorithm>

#include "platform/codec.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orva {

const std::array<std::string_view, kSqlKeywordCount> SqlKeywords = {
    "__asm", "enum", "__multiple_inheritance", "template", "auto", "__except",
    "__single_inheritance", "this", "__based", "explicit", "__virtual_inheritance", "thread",
    "bool", "extern", "mutable", "throw", "break", "false", "naked", "true", "case", "__fastcall",
    "namespace", "try", "catch", "__finally", "new", "__try", "__cdecl", "float", "operator",
    "typedef", "char", "for", "private", "typeid", "class", "friend", "protected", "typename",
    "const", "goto", "public", "union", "const_cast", "if", "register", "unsigned", "continue",
    "inline", "reinterpret_cast", "using", "__declspec", "__inline", "return", "uuid", "default",
    "int", "short", "__uuidof", "delete", "__int8", "signed", "virtual", "dllexport", "__int16",
    "sizeof", "void", "dllimport", "__int32", "static", "volatile", "do", "__int64", "static_cast",
    "wmain", "double", "__leave", "__stdcall", "while", "dynamic_cast", "long", "struct", "xalloc",
    "else", "main", "switch", "interface", "persistent", "_persistent", "transient", "depend",
    "ondemand", "transient", "cset", "useindex", "indexdef", "INSERT", "UPDATE", "DELETE",
    "SELECT", "CREATE", "DROP", "ALTER", "TRUNCATE", "TABLE", "VIEW", "PROCEDURE", "TRIGGER",
    "DATABASE", "FUNCTION", "INDEX", "SET", "FROM", "WHERE", "GROUP", "BY", "CASE", "WHEN",
    "ORDER", "IN", "HAVING", "AS", "AND", "OR", "SET", "BETWEEN", "LIKE", "ELSE", "END", "INTO",
    "OUTER", "INNER", "JOIN", "UNION", "ON", "COMMIT", "ROLLBACK", "INT", "TINYINT", "CHAR",
    "VARCHAR", "DATE", "TIMESTAMP", "ABS", "NULL", "NUMERIC", "MAX", "MIN", "SUM", "COUNT", "CAST",
    "AVG", "CONVERT", "MONEY", "IF", "DISTINCT", "FLOAT", "NVARCHAR", "DATETIME", "SMALLDATETIME",
    "SMALLINT", "SMALLMONEY", "DECIMAL", "BYTE", "BIT", "NOT", "ELSEIF", "EXECUTE", "VALUES",
    "CURRENCY", "REAL", "DOUBLE", "EXISTS", "ADD", "COLUMN", "WITH"
};

namespace {

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsAsciiLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsHexDigit(unsigned char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
unsigned char AsciiLower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; }

// Letters, digits, "_" and "." (so "dbo.select" is one word), and every byte of
// a double-byte character, so a GBK name glued to a keyword is one word.
bool IsIdentifierByte(unsigned char c) { return IsAsciiLetter(c) || IsDigit(c) || c == '_' || c == '.' || c >= 0x80; }

bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(static_cast<unsigned char>(a[i])) != AsciiLower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// True when the byte at `i` is a backslash of its own, not the second byte of
// a double-byte character (0x5C is a valid second byte).
bool IsBackslashAt(std::string_view line, std::size_t i) { return line[i] == '\\' && !IsTrailByteAt(line, i); }

// A backslash at the end continues the line, so its whole state carries on.
std::uint32_t CookieAtLineEnd(std::string_view line, std::uint32_t cookie) {
  if (!line.empty() && IsBackslashAt(line, line.size() - 1)) return cookie;
  return cookie & CookieBlockComment;
}

int ColorForCookie(std::uint32_t cookie) {
  if (cookie & (CookieLineComment | CookieBlockComment)) return ColorComment;
  if (cookie & (CookieString | CookieChar)) return ColorString;
  if (cookie & CookieDirective) return ColorDirective;
  return ColorNormalText;
}

// Collects spans, dropping any that would start before the last one added (a
// word that began before a comment or a quoted text was already overtaken).
// A span due before `floor` (the start of the part being coloured) starts at
// the floor instead.
class SpanSink {
 public:
  explicit SpanSink(std::vector<ColorSpan>* spans, std::size_t floor = 0) : m_spans(spans), m_floor(floor) {}
  void Add(std::size_t start, int color) {
    if (!m_spans) return;
    start = std::max(start, m_floor);
    if (!m_spans->empty() && static_cast<int>(start) < m_spans->back().start) return;
    m_spans->push_back({static_cast<int>(start), color});
  }
  // A comment opener whose first byte also closed the previous state ("*/*"):
  // the new state's colour starts where the last span starts.
  void AddOpener(std::size_t start, int color) {
    if (m_spans && !m_spans->empty()) start = std::max(start, static_cast<std::size_t>(m_spans->back().start));
    Add(start, color);
  }
  bool Active() const { return m_spans != nullptr; }

 private:
  std::vector<ColorSpan>* m_spans;
  std::size_t m_floor;
};

void ColorWord(SpanSink& sink, std::string_view line, std::size_t start, std::size_t end) {
  std::string_view word = line.substr(start, end - start);
  if (IsSqlKeyword(word))
    sink.Add(start, ColorKeyword);
  else if (IsSqlNumber(word))
    sink.Add(start, ColorNumber);
}

// Bytes that can change the state outside quotes and comments: comment and
// quote openers ("//", "--", "/*", quotes).
constexpr std::array<bool, 256> kStateBytes = [] {
  std::array<bool, 256> table{};
  for (unsigned char c : {'/', '-', '*', '"', '\''}) table[c] = true;
  return table;
}();

// The next byte at or after `i` that can change the state outside quotes
// and comments, or the line's length.
std::size_t NextStateByte(std::string_view line, std::size_t i) {
  const std::size_t n = line.size();
#if defined(__SSE2__)
  // Sixteen bytes at a time while they last.
  const __m128i slash = _mm_set1_epi8('/'), hyphen = _mm_set1_epi8('-'), star = _mm_set1_epi8('*');
  const __m128i quote = _mm_set1_epi8('"'), apostrophe = _mm_set1_epi8('\'');
  for (; i + 16 <= n; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line.data() + i));
    const __m128i hits = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(bytes, slash), _mm_cmpeq_epi8(bytes, hyphen)),
        _mm_or_si128(_mm_cmpeq_epi8(bytes, star),
                     _mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, apostrophe))));
    if (const int mask = _mm_movemask_epi8(hits)) return i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
#endif
  while (i < n && !kStateBytes[static_cast<unsigned char>(line[i])]) ++i;
  return i;
}

// The state of the scan at a position of a line: the cookie bits, and whether
// the line's first non-blank byte is still ahead (a "#" there starts a
// directive).
struct ScanState {
  std::uint32_t cookie = 0;
  bool firstByteMode = false;
};

ScanState LineStartState(std::uint32_t cookie) {
  return {cookie, (cookie & ~static_cast<std::uint32_t>(CookieBlockComment)) == 0};
}

// The cookie pass: the state after the bytes of `line`, computed with the same
// rules as the colouring scan below, but looking only at the bytes that can
// change the state. Given a line cut short, it is the state at the cut.
// Scanning can start at any byte `begin` with the state after the bytes before
// it: the scan keeps no other state, and looks back at earlier bytes directly.
ScanState StateAfter(ScanState state, std::string_view line, std::size_t begin = 0) {
  const std::size_t n = line.size();
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(line[i]); };
  std::uint32_t cookie = state.cookie;
  bool firstByteMode = state.firstByteMode;
  std::size_t i = begin;
  while (i < n) {
    if (cookie & CookieLineComment) break;
    if (cookie & (CookieString | CookieChar)) {
      i = line.find((cookie & CookieString) ? '"' : '\'', i);
      if (i == std::string_view::npos) break;
      if (i == 0 || !IsBackslashAt(line, i - 1)) cookie &= ~static_cast<std::uint32_t>(CookieString | CookieChar);
      ++i;
      continue;
    }
    if (cookie & CookieBlockComment) {
      i = line.find('/', i);
      if (i == std::string_view::npos) break;
      if (i > 0 && byte(i - 1) == '*') cookie &= ~static_cast<std::uint32_t>(CookieBlockComment);
      ++i;
      continue;
    }
    if (!firstByteMode) {
      i = NextStateByte(line, i);
      if (i >= n) break;
    }
    const unsigned char c = byte(i);
    const unsigned char before = i > 0 ? byte(i - 1) : 0;
    ++i;
    if ((c == '/' && before == '/') || (c == '-' && before == '-')) {
      cookie |= CookieLineComment;
      break;
    }
    if (cookie & CookieDirective) {
      if (c == '*' && before == '/') cookie |= CookieBlockComment;
      continue;
    }
    if (c == '"' || c == '\'') {
      cookie |= c == '"' ? CookieString : CookieChar;
      continue;
    }
    if (c == '*' && before == '/') {
      cookie |= CookieBlockComment;
      continue;
    }
    if (firstByteMode) {
      if (c == '#') {
        cookie |= CookieDirective;
        continue;
      }
      if (c >= 0x80 || !IsBlank(c)) firstByteMode = false;
    }
  }
  return {cookie, firstByteMode};
}

// A scan state kept in a resume point: the cookie bits, and the first-byte
// mode above them.
std::uint64_t PackState(ScanState state) {
  return state.cookie | (static_cast<std::uint64_t>(state.firstByteMode) << 32);
}
ScanState UnpackState(std::uint64_t packed) { return {static_cast<std::uint32_t>(packed), (packed >> 32) != 0}; }

std::uint32_t LineEndCookie(std::uint32_t cookie, std::string_view line) {
  return CookieAtLineEnd(line, StateAfter(LineStartState(cookie), line).cookie);
}

// The colouring scan over the bytes from `from` (a character start) until
// `to`, or past it to the end of a word that straddles it; `state` is the
// state at `from`. Returns the cookie bits where it stopped.
std::uint32_t ScanSpans(ScanState state, std::string_view line, std::size_t from, std::size_t to, SpanSink& sink);

}  // namespace

bool IsSqlKeyword(std::string_view word) {
  for (std::string_view keyword : SqlKeywords)
    if (EqualsIgnoringAsciiCase(keyword, word)) return true;
  return false;
}

bool IsSqlNumber(std::string_view word) {
  if (word.empty()) return false;
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(word[i]); };
  if (word.size() > 2 && word[0] == '0' && word[1] == 'x') {
    for (std::size_t i = 2; i < word.size(); ++i)
      if (!IsHexDigit(byte(i))) return false;
    return true;
  }
  if (!IsDigit(byte(0))) return false;
  for (std::size_t i = 1; i < word.size(); ++i) {
    unsigned char c = byte(i);
    if (!IsDigit(c) && c != '+' && c != '-' && c != '.' && c != 'E' && c != 'e') return false;
  }
  return true;
}

std::uint32_t ColorLine(std::uint32_t cookie, std::string_view line, std::vector<ColorSpan>* spans) {
  if (!spans) return LineEndCookie(cookie, line);
  if (line.empty()) return cookie & CookieBlockComment;
  SpanSink sink(spans);
  return CookieAtLineEnd(line, ScanSpans(LineStartState(cookie), line, 0, line.size(), sink));
}

void ColorLinePart(std::uint32_t cookie, std::string_view line, std::size_t from, std::size_t to,
                   std::vector<ColorSpan>& spans, std::vector<ColourResumePoint>* resume) {
  to = std::min(to, line.size());
  if (from >= to) return;
  from = CharStartAt(line, from);
  // The state at `from`, from the last resume point before it; new points are
  // left every kResumeSpacing bytes on the way.
  constexpr std::size_t kResumeSpacing = std::size_t{1} << 20;
  ScanState state = LineStartState(cookie);
  std::size_t at = 0;
  if (resume) {
    for (const ColourResumePoint& point : *resume) {
      if (point.position > from) break;
      at = point.position;
      state = UnpackState(point.state);
    }
    while (at + kResumeSpacing <= from) {
      const std::size_t next = CharStartAt(line, at + kResumeSpacing);
      state = StateAfter(state, line.substr(0, next), at);
      at = next;
      if (resume->empty() || resume->back().position < at)
        resume->push_back({at, PackState(state)});
    }
  }
  state = StateAfter(state, line.substr(0, from), at);
  SpanSink sink(&spans, from);
  ScanSpans(state, line, from, to, sink);
}

bool ColorLineCookieSlice(std::uint32_t cookie, std::string_view line, ColourResumePoint& progress,
                          std::size_t budget, std::uint32_t& endCookie) {
  const std::size_t at = std::min(progress.position, line.size());
  const ScanState state = at == 0 ? LineStartState(cookie) : UnpackState(progress.state);
  // Slices end on character starts, so no slice begins inside a character.
  std::size_t next = budget >= line.size() - at ? line.size() : CharStartAt(line, at + budget);
  if (next <= at) next = at + std::max<std::size_t>(1, CharLengthAt(line, at));
  if (next >= line.size()) {
    endCookie = CookieAtLineEnd(line, StateAfter(state, line, at).cookie);
    progress = {};
    return true;
  }
  progress = {next, PackState(StateAfter(state, line.substr(0, next), at))};
  return false;
}

namespace {

std::uint32_t ScanSpans(ScanState state, std::string_view line, std::size_t from, std::size_t to, SpanSink& sink) {
  std::uint32_t cookie = state.cookie;
  const std::size_t n = line.size();
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(line[i]); };
  auto follows = [&](std::size_t i, unsigned char c, unsigned char before) {
    return i > 0 && byte(i) == c && byte(i - 1) == before;
  };

  bool firstByteMode = state.firstByteMode;
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t wordStart = kNone;
  // A span is due at the start and after every state change; it starts at
  // `dueAt`, which is the byte that closed a word when that caused it.
  bool spanDue = true;
  std::size_t dueAt = from;
  // Inside a quoted text: the previous character was a backslash of its own.
  bool escaped = from > 0 && IsBackslashAt(line, from - 1);
  // A word that began before `from` is coloured as a whole.
  if (cookie == 0 && from > 0 && from < n && IsIdentifierByte(byte(from))) {
    std::size_t start = from;
    while (start > 0) {
      const std::size_t previous = CharStartAt(line, start - 1);
      if (!IsIdentifierByte(byte(previous))) break;
      start = previous;
    }
    if (start < from) wordStart = start;
  }

  // The scan steps over whole characters: the second byte of a double-byte
  // character may be an ASCII symbol ("@", "\\", "|" ...) and must never end
  // a word, escape a quote or start a span.
  for (std::size_t i = from, step = 1;; i += step) {
    if (spanDue) {
      sink.Add(dueAt, ColorForCookie(cookie));
      spanDue = false;
    }
    // One character past the part: the second byte of "--", "//" or "/*"
    // decides the colour of the first.
    if (i >= n || (i > to && wordStart == kNone)) break;
    unsigned char c = byte(i);
    step = IsLeadByte(c) ? CharLengthAt(line, i) : 1;

    if (cookie & CookieLineComment) {
      sink.Add(i, ColorComment);
      break;
    }
    if (cookie & (CookieString | CookieChar)) {
      std::uint32_t bit = (cookie & CookieString) ? CookieString : CookieChar;
      unsigned char quote = bit == CookieString ? '"' : '\'';
      if (c == quote && !escaped) {
        cookie &= ~bit;
        spanDue = true;
        dueAt = i + 1;
      }
      escaped = step == 1 && c == '\\';
      continue;
    }
    if (cookie & CookieBlockComment) {
      if (follows(i, '/', '*')) {
        cookie &= ~static_cast<std::uint32_t>(CookieBlockComment);
        spanDue = true;
        dueAt = i + 1;
      }
      continue;
    }
    if (follows(i, '/', '/') || follows(i, '-', '-')) {
      sink.AddOpener(i - 1, ColorComment);
      cookie |= CookieLineComment;
      break;
    }
    if (cookie & CookieDirective) {
      if (follows(i, '*', '/')) {
        sink.AddOpener(i - 1, ColorComment);
        cookie |= CookieBlockComment;
      }
      continue;
    }
    // A quoted text or a comment ends the word before it (its span would
    // come too late anyway); the word after starts afresh.
    if (c == '"' || c == '\'') {
      sink.Add(i, ColorString);
      cookie |= c == '"' ? CookieString : CookieChar;
      escaped = false;
      wordStart = kNone;
      continue;
    }
    if (follows(i, '*', '/')) {
      sink.AddOpener(i - 1, ColorComment);
      cookie |= CookieBlockComment;
      wordStart = kNone;
      continue;
    }
    if (firstByteMode) {
      if (c == '#') {
        sink.Add(i, ColorDirective);
        cookie |= CookieDirective;
        continue;
      }
      if (c >= 0x80 || !IsBlank(c)) firstByteMode = false;
    }
    if (!sink.Active()) continue;

    if (IsIdentifierByte(c)) {
      if (wordStart == kNone) wordStart = i;
    } else if (wordStart != kNone) {
      ColorWord(sink, line, wordStart, i);
      wordStart = kNone;
      spanDue = true;
      dueAt = i;
    }
  }
  if (wordStart != kNone) ColorWord(sink, line, wordStart, n);
  return cookie;
}

}  // namespace

}  // namespace orva
