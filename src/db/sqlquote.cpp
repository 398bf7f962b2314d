#include "db/sqlquote.h"

#include <sqlext.h>

#include <algorithm>
#include <array>
#include <cctype>

namespace orva {
namespace {

// Words that SQL-92 and the common servers reserve, upper case and sorted:
// a column named like one of these must be quoted to be used as a name.
constexpr std::array<std::string_view, 96> kReserved = {
    "ADD",        "ALL",       "ALTER",     "AND",       "ANY",       "AS",         "ASC",       "AUTHORIZATION",
    "BEGIN",      "BETWEEN",   "BY",        "CASE",      "CAST",      "CHECK",      "COLLATE",   "COLUMN",
    "COMMIT",     "CONSTRAINT","CREATE",    "CROSS",     "CURRENT",   "CURRENT_DATE","CURRENT_TIME","CURRENT_TIMESTAMP",
    "CURRENT_USER","DATABASE", "DEFAULT",   "DELETE",    "DESC",      "DISTINCT",   "DROP",      "ELSE",
    "END",        "ESCAPE",    "EXCEPT",    "EXEC",      "EXECUTE",   "EXISTS",     "FETCH",     "FOR",
    "FOREIGN",    "FROM",      "FULL",      "GRANT",     "GROUP",     "HAVING",     "IN",        "INDEX",
    "INNER",      "INSERT",    "INTERSECT", "INTO",      "IS",        "JOIN",       "KEY",       "LEFT",
    "LIKE",       "LIMIT",     "NATURAL",   "NOT",       "NULL",      "OFFSET",     "ON",        "OR",
    "ORDER",      "OUTER",     "PRIMARY",   "PROCEDURE", "REFERENCES","RETURNING",  "REVOKE",    "RIGHT",
    "ROLLBACK",   "ROW",       "ROWS",      "SELECT",    "SESSION_USER","SET",      "SOME",      "TABLE",
    "THEN",       "TO",        "TOP",       "TRANSACTION","TRIGGER",  "UNION",      "UNIQUE",    "UPDATE",
    "USER",       "USING",     "VALUES",    "VIEW",      "WHEN",      "WHERE",      "WINDOW",    "WITH",
};

}  // namespace

bool IsReservedWord(std::string_view word) {
  if (word.empty() || word.size() > 32) return false;
  std::string upper(word);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return std::binary_search(kReserved.begin(), kReserved.end(), std::string_view(upper));
}

bool IsPlainIdentifier(std::string_view name, const IdentifierStyle& style) {
  if (name.empty()) return false;
  unsigned char first = static_cast<unsigned char>(name.front());
  if (!(std::isalpha(first) || first == '_') || first >= 0x80) return false;
  bool hasUpper = false, hasLower = false;
  for (unsigned char c : name) {
    if (c >= 0x80 || !(std::isalnum(c) || c == '_')) return false;
    hasUpper |= std::isupper(c) != 0;
    hasLower |= std::islower(c) != 0;
  }
  // A driver that folds unquoted names would turn "OrderId" into "orderid"
  // (or "ORDERID"), which names another column on a case-sensitive catalog.
  if (style.identifierCase == SQL_IC_LOWER && hasUpper) return false;
  if (style.identifierCase == SQL_IC_UPPER && hasLower) return false;
  return !IsReservedWord(name);
}

std::string QuoteIdentifier(std::string_view name, const IdentifierStyle& style) {
  if (style.quote.empty() || style.quote == " " || IsPlainIdentifier(name, style)) return std::string(name);
  const std::string& q = style.quote;
  std::string out = q;
  for (std::size_t i = 0; i < name.size();) {
    if (name.compare(i, q.size(), q) == 0) {
      out += q;
      out += q;
      i += q.size();
    } else {
      out += name[i++];
    }
  }
  out += q;
  return out;
}

std::string QuoteQualifiedName(std::string_view schema, std::string_view name, const IdentifierStyle& style) {
  if (schema.empty()) return QuoteIdentifier(name, style);
  return QuoteIdentifier(schema, style) + "." + QuoteIdentifier(name, style);
}

std::string QuoteLiteral(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  out += '\'';
  return out;
}

}  // namespace orva
