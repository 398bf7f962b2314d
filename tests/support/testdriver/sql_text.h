#pragma once
// Reading the statements the driver receives: splitting a batch, recognising
// the server commands it answers itself, and finding database-qualified names.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orva::testdriver {

enum class TokenKind { Space, Word, QuotedName, String, Punct };

struct Token {
  TokenKind kind;
  std::string_view text;
};

// Splits text into tokens; comments ("--" to the line end, "/* */") count as
// space. Unterminated quotes run to the end of the text.
std::vector<Token> Tokenize(std::string_view text);

// The name a word or quoted-name token stands for ([a]]b] -> a]b, "x""y" -> x"y).
std::string Unquote(const Token& token);

// Statements of a batch, split at semicolons outside quotes and comments.
// A CREATE PROCEDURE or CREATE FUNCTION takes the rest of the batch as its
// body; a CREATE TRIGGER keeps the semicolons of its body. Statements made of
// space only are left out.
std::vector<std::string> SplitBatch(std::string_view text);

// A name as written: name, owner.name, db..name or db.owner.name.
struct ObjectName {
  std::string database;  // empty when not qualified with a database
  std::string name;
};

enum class CommandKind {
  Sql,             // passed to SQLite after rewriting qualified names
  Use,             // use <db>
  HelpText,        // sp_helptext <name>
  CreateDatabase,  // create database <db>
  DropDatabase,    // drop database <db>
  CreateRoutine,   // create procedure|function <name> ...
  DropRoutine,     // drop procedure|function <name>
};

struct Command {
  CommandKind kind = CommandKind::Sql;
  ObjectName object;        // the name the command acts on
  std::string routineType;  // "P", "FN", "IF" or "TF" for routines
};

// Recognises the server commands; everything else is CommandKind::Sql.
// Raises DriverError for a recognised command with a missing name.
Command ClassifyStatement(std::string_view statement);

// Replaces each db..name and db.dbo.name by what map returns for (database,
// object name, object token as written). Other text is kept as it is.
using QualifiedNameMap =
    std::function<std::string(const std::string& database, const std::string& object,
                              std::string_view objectToken)>;
std::string RewriteQualifiedNames(std::string_view sql, const QualifiedNameMap& map);

// First word of a statement in upper case ("" when none).
std::string LeadingKeyword(std::string_view statement);

// name in double quotes, inner quotes doubled.
std::string QuoteIdentifier(std::string_view name);

// Case-insensitive comparison of ASCII text.
bool EqualsNoCase(std::string_view a, std::string_view b);
std::string ToLowerAscii(std::string_view text);

// ODBC search pattern match (% any run, _ one byte, \ escapes), ignoring case.
bool MatchesPattern(std::string_view text, std::string_view pattern);

}  // namespace orva::testdriver
