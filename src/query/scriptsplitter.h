#pragma once
// Cuts an SQL script into statements for drivers that take one statement at a
// time.
//
// A semicolon ends a statement unless it is inside a quoted text ('...'), a
// quoted identifier ("...", [...], `...`) or a comment ("--" or "//" to the
// end of the line, "/* ... */"), or inside the body of a CREATE [TEMP |
// TEMPORARY] TRIGGER statement before the END that closes its BEGIN. Comments
// are dropped; a line break outside quotes becomes one space (none after a
// space or a semicolon); quoted texts keep their bytes, line ends included.
// Leading spaces of a statement go, trailing ones stay, and a statement of
// nothing but spaces is no statement.
//
// The scan is over GBK/GB18030 text: the second byte of a double-byte
// character is never taken for syntax (it can be "[", "]" or "`").

#include <deque>
#include <string>
#include <string_view>

namespace orva {

class CScriptSplitter {
 public:
  // Empties the list, then fills it with the statements of the script.
  // Linear in the script's length.
  void Split(std::string_view script);
  bool HasMore() const { return !m_statements.empty(); }
  // Removes the first statement and returns it (empty when there is none).
  std::string PopFront();
  std::size_t Count() const { return m_statements.size(); }

 private:
  std::deque<std::string> m_statements;
};

}  // namespace orva
