#pragma once
// Writing names and values into SQL text that ORVA generates. Every database
// name, table name and column name that ORVA puts into a statement goes
// through QuoteIdentifier, so names with spaces, odd letter case, reserved
// words or non-ASCII letters run as generated and a name can never add a
// statement of its own.

#include <string>
#include <string_view>

namespace orva {

// How a driver wants identifiers written: its SQL_IDENTIFIER_QUOTE_CHAR and
// its SQL_IDENTIFIER_CASE (how it folds names that are not quoted).
struct IdentifierStyle {
  std::string quote = "\"";  // empty when the driver cannot quote names
  int identifierCase = 0;    // SQL_IC_UPPER, SQL_IC_LOWER, SQL_IC_SENSITIVE or SQL_IC_MIXED; 0 unknown
};

// True when the name can stand unquoted and still mean itself: ASCII letters,
// digits and "_", not starting with a digit, not a reserved word, and (for
// drivers that fold unquoted names) already in the letter case they fold to.
bool IsPlainIdentifier(std::string_view name, const IdentifierStyle& style);
bool IsReservedWord(std::string_view word);

// The name as it must be written: unchanged when plain, otherwise enclosed in
// the quote character with inner quote characters doubled.
std::string QuoteIdentifier(std::string_view name, const IdentifierStyle& style);
// "schema.name" with each part quoted as needed; just the name when the
// schema is empty.
std::string QuoteQualifiedName(std::string_view schema, std::string_view name, const IdentifierStyle& style);

// A text literal for generated scripts: apostrophes doubled, enclosed in
// apostrophes ("O'Brien" -> "'O''Brien'").
std::string QuoteLiteral(std::string_view text);

}  // namespace orva
