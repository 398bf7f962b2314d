#include "query/scriptsplitter.h"

#include <array>
#include <cstring>

namespace orva {

namespace {

// How the scan outside quotes and comments treats each byte: most bytes are
// copied as they are; a few can change the scan; a GBK lead byte takes its
// second byte along.
enum ByteKind : unsigned char { kPlainByte, kSyntaxByte, kLeadByte };
constexpr std::array<ByteKind, 256> MakeByteKinds() {
  std::array<ByteKind, 256> table{};
  for (unsigned char c : {'\'', '"', '`', '[', ';', '-', '/', '\r', '\n'}) table[c] = kSyntaxByte;
  for (int c = 0x81; c <= 0xFE; ++c) table[static_cast<std::size_t>(c)] = kLeadByte;
  return table;
}
constexpr std::array<ByteKind, 256> kByteKind = MakeByteKinds();

bool IsSyntax(char c) { return kByteKind[static_cast<unsigned char>(c)] == kSyntaxByte; }

bool IsWordByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
         c >= 0x80;
}

bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// Bytes taken by the character at `i`: a GBK lead byte takes the next byte
// with it when that can be a second byte (0x40 and up), so that a "[", "]" or
// "`" inside a Chinese character is never syntax. The second and fourth bytes
// of a four-byte GB18030 character are digits and need no care.
std::size_t CharLength(const char* s, std::size_t size, std::size_t i) {
  const auto c = static_cast<unsigned char>(s[i]);
  if (c >= 0x81 && c <= 0xFE && i + 1 < size && static_cast<unsigned char>(s[i + 1]) >= 0x40) return 2;
  return 1;
}

// Case-insensitive comparison with an upper-case ASCII word.
bool IsWord(std::string_view word, const char* upper) {
  const std::size_t length = std::strlen(upper);
  if (word.size() != length) return false;
  for (std::size_t i = 0; i < length; ++i) {
    char c = word[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upper[i]) return false;
  }
  return true;
}

class Scanner {
 public:
  Scanner(std::string_view script, std::deque<std::string>& out)
      : m_s(script.data()), m_size(script.size()), m_out(out) {}

  void Run() {
    std::size_t i = 0;
    while (i < m_size) {
      switch (m_mode) {
        case Mode::Normal: i = ScanNormal(i); break;
        case Mode::Quote: i = ScanQuote(i); break;
        case Mode::LineComment: i = ScanLineComment(i); break;
        case Mode::BlockComment: i = ScanBlockComment(i); break;
      }
    }
    if (m_inWord) EndWord();
    EndStatement();
  }

 private:
  enum class Mode { Normal, Quote, LineComment, BlockComment };
  // How far the words at the start of the statement have been recognised.
  // Words are only looked at until the statement is known not to be a
  // trigger (Plain), so ordinary statements are copied in whole runs.
  enum class Head { Start, Create, Temp, Trigger, Plain };

  std::size_t ScanNormal(std::size_t i) {
    if (m_head == Head::Plain) {
      std::size_t j = i;
      while (j < m_size) {
        const ByteKind kind = kByteKind[static_cast<unsigned char>(m_s[j])];
        if (kind == kPlainByte) {
          ++j;
        } else if (kind == kLeadByte) {
          j += CharLength(m_s, m_size, j);
        } else {
          break;
        }
      }
      m_statement.append(m_s + i, j - i);
      if (j >= m_size) return m_size;
      i = j;
    } else if (!IsSyntax(m_s[i])) {
      const auto c = static_cast<unsigned char>(m_s[i]);
      if (IsWordByte(c)) {
        if (!m_inWord) {
          m_inWord = true;
          m_wordStart = m_statement.size();
        }
      } else {
        if (m_inWord) EndWord();
        if (!IsBlank(c)) Token({});
      }
      const std::size_t length = CharLength(m_s, m_size, i);
      m_statement.append(m_s + i, length);
      return i + length;
    }

    if (m_inWord) EndWord();
    const char c = m_s[i];
    switch (c) {
      case '\'':
      case '"':
      case '`':
      case '[':
        Token({});
        m_closer = c == '[' ? ']' : c;
        m_mode = Mode::Quote;
        m_statement += c;
        return i + 1;
      case ';':
        Semicolon();
        return i + 1;
      case '-':
      case '/':
        if (i + 1 < m_size && m_s[i + 1] == c) {
          m_mode = Mode::LineComment;
          return i + 2;
        }
        if (c == '/' && i + 1 < m_size && m_s[i + 1] == '*') {
          m_mode = Mode::BlockComment;
          return i + 2;
        }
        Token({});
        m_statement += c;
        return i + 1;
      case '\r':
        LineBreak(i);
        return i + 1;
      default:  // '\n': the second half of a CR LF was handled with the CR
        if (i == 0 || m_s[i - 1] != '\r') LineBreak(i);
        return i + 1;
    }
  }

  // Inside quotes every byte is kept, up to and including the closing quote;
  // a doubled quote closes and reopens.
  std::size_t ScanQuote(std::size_t i) {
    std::size_t close = m_size;
    if (m_closer == '\'' || m_closer == '"') {
      // Neither can be the second byte of a double-byte character.
      if (const void* hit = std::memchr(m_s + i, m_closer, m_size - i))
        close = static_cast<std::size_t>(static_cast<const char*>(hit) - m_s);
    } else {
      for (std::size_t j = i; j < m_size; j += CharLength(m_s, m_size, j)) {
        if (m_s[j] == m_closer) {
          close = j;
          break;
        }
      }
    }
    const std::size_t end = close < m_size ? close + 1 : m_size;
    m_statement.append(m_s + i, end - i);
    if (close < m_size) m_mode = Mode::Normal;
    return end;
  }

  // A line comment is dropped up to its LF. Its line break is always one
  // space: the bytes inside the comment never decide that two lines may be
  // glued together. A CR inside it (a CR LF's first half, or a lone CR) is
  // that break; the comment goes on to the LF.
  std::size_t ScanLineComment(std::size_t i) {
    std::size_t j = i;
    while (j < m_size && m_s[j] != '\r' && m_s[j] != '\n') ++j;
    if (j >= m_size) return m_size;
    if (m_s[j] == '\r') {
      m_statement += ' ';
      return j + 1;
    }
    if (m_s[j - 1] != '\r') m_statement += ' ';
    m_mode = Mode::Normal;
    return j + 1;
  }

  // A block comment is dropped; where it separated two words it leaves one
  // space. Without its "*/" it runs to the end of the script.
  std::size_t ScanBlockComment(std::size_t i) {
    std::size_t j = i;
    for (;;) {
      const void* hit = j < m_size ? std::memchr(m_s + j, '*', m_size - j) : nullptr;
      if (!hit) return m_size;
      j = static_cast<std::size_t>(static_cast<const char*>(hit) - m_s);
      if (j + 1 < m_size && m_s[j + 1] == '/') break;
      ++j;
    }
    if (!m_statement.empty() && m_statement.back() != ' ') m_statement += ' ';
    m_mode = Mode::Normal;
    return j + 2;
  }

  // A line break outside quotes and comments becomes one space, except after
  // a space or a semicolon and at the very start of the script.
  void LineBreak(std::size_t i) {
    if (i == 0 || m_s[i - 1] == ' ' || m_s[i - 1] == ';') return;
    m_statement += ' ';
  }

  void Semicolon() {
    // Inside a trigger, only the semicolon after the END that closes the body
    // ends the statement; the others belong to it.
    if (m_head == Head::Trigger && !(m_inBody && m_endSeen)) {
      m_statement += ';';
      if (m_inBody) {
        m_segmentTokens = 0;
        m_endSeen = false;
      }
      return;
    }
    EndStatement();
  }

  void EndWord() {
    m_inWord = false;
    Token(std::string_view(m_statement).substr(m_wordStart));
  }

  // One token of the statement outside quotes and comments: a word, or (when
  // `word` is empty) a quoted name or text or a punctuation byte.
  void Token(std::string_view word) {
    switch (m_head) {
      case Head::Start: m_head = IsWord(word, "CREATE") ? Head::Create : Head::Plain; break;
      case Head::Create:
        m_head = IsWord(word, "TEMP") || IsWord(word, "TEMPORARY") ? Head::Temp
                 : IsWord(word, "TRIGGER")                         ? Head::Trigger
                                                                   : Head::Plain;
        break;
      case Head::Temp: m_head = IsWord(word, "TRIGGER") ? Head::Trigger : Head::Plain; break;
      case Head::Trigger:
        if (!m_inBody) {
          m_inBody = IsWord(word, "BEGIN");
          m_segmentTokens = 0;
          m_endSeen = false;
        } else {
          // END closes the body only as the first word after BEGIN or after a
          // semicolon of the body, and only when a semicolon follows it
          // directly ("END IF;" or a CASE's END do not close it).
          m_endSeen = m_segmentTokens == 0 && IsWord(word, "END");
          ++m_segmentTokens;
        }
        break;
      case Head::Plain: break;
    }
  }

  void EndStatement() {
    // Only spaces (0x20) count as blank: a statement of tabs survives and
    // reaches the driver, which reports it.
    // The statement is collected in one buffer that keeps its capacity; each
    // statement gets one allocation of its own size.
    const std::size_t first = m_statement.find_first_not_of(' ');
    if (first != std::string::npos) m_out.emplace_back(m_statement, first);
    m_statement.clear();
    m_head = Head::Start;
    m_inWord = false;
    m_inBody = false;
    m_segmentTokens = 0;
    m_endSeen = false;
  }

  const char* m_s;
  std::size_t m_size;
  std::deque<std::string>& m_out;
  std::string m_statement;
  Mode m_mode = Mode::Normal;
  char m_closer = 0;
  Head m_head = Head::Start;
  bool m_inWord = false;
  std::size_t m_wordStart = 0;
  bool m_inBody = false;
  int m_segmentTokens = 0;
  bool m_endSeen = false;
};

}  // namespace

void CScriptSplitter::Split(std::string_view script) {
  m_statements.clear();
  Scanner(script, m_statements).Run();
}

std::string CScriptSplitter::PopFront() {
  if (m_statements.empty()) return {};
  std::string front = std::move(m_statements.front());
  m_statements.pop_front();
  return front;
}

}  // namespace orva
