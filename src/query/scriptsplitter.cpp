#include "query/scriptsplitter.h"

namespace orva {

void CScriptSplitter::EndStatement(std::string& statement) {
  // Only spaces (0x20) count as blank here; a statement of tabs survives and
  // reaches the driver, which reports it.
  std::size_t first = statement.find_first_not_of(' ');
  if (first != std::string::npos) m_statements.push_back(statement.substr(first));
  statement.clear();
}

void CScriptSplitter::Split(std::string_view script) {
  m_statements.clear();
  std::string statement;
  bool inQuote = false;
  bool inComment = false;
  const std::size_t size = script.size();
  for (std::size_t i = 0; i < size; ++i) {
    const char c = script[i];
    switch (c) {
      case '\'':
        if (!inComment) {
          inQuote = !inQuote;
          statement += c;
        }
        break;
      case ';':
        if (inQuote) {
          statement += c;
        } else if (!inComment) {
          EndStatement(statement);
        }
        break;
      case '-':
      case '/':
        if (inQuote) {
          statement += c;
        } else if (i + 1 < size && script[i + 1] == c) {
          inComment = true;  // "--" or "//": a comment to the end of the line
          ++i;
        } else if (!inComment) {
          statement += c;
        }
        break;
      case '\n':
        if (inQuote) {
          statement += c;
        } else {
          inComment = false;
        }
        break;
      case '\r':
        if (inQuote || i == 0) {
          statement += c;
        } else if (script[i - 1] != ' ' && script[i - 1] != ';') {
          statement += ' ';  // a line break becomes one space, also after a comment
        }
        break;
      default:
        if (!inComment) statement += c;
        break;
    }
  }
  EndStatement(statement);
}

std::string CScriptSplitter::PopFront() {
  if (m_statements.empty()) return {};
  std::string front = std::move(m_statements.front());
  m_statements.pop_front();
  return front;
}

}  // namespace orva
