#pragma once
// Cuts an SQL script into statements for drivers that take one statement at a
// time. The scan is byte by byte over GBK text: none of the bytes it reacts to
// (quote, semicolon, hyphen, slash, CR, LF, space) can be the second byte of a
// double-byte character.

#include <deque>
#include <string>
#include <string_view>

namespace orva {

class CScriptSplitter {
 public:
  // Empties the list, then fills it with the statements of the script.
  void Split(std::string_view script);
  bool HasMore() const { return !m_statements.empty(); }
  // Removes the first statement and returns it (empty when there is none).
  std::string PopFront();
  std::size_t Count() const { return m_statements.size(); }

 private:
  void EndStatement(std::string& statement);
  std::deque<std::string> m_statements;
};

}  // namespace orva
