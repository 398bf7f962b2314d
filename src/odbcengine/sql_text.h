#pragma once
// Reading the statements a driver receives: tokens, splitting a batch into
// statements, names and search patterns.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orva::odbcengine {

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

// Tokens without the space ones.
std::vector<Token> Significant(std::string_view text);
// Whether a token is a name (a word or a quoted name).
bool IsName(const Token& token);
// Whether tokens[i] is the word `word` (ignoring case) or the punctuation c.
bool IsWord(const std::vector<Token>& tokens, std::size_t i, std::string_view word);
bool IsPunct(const std::vector<Token>& tokens, std::size_t i, char c);

// First word of a statement in upper case ("" when none).
std::string LeadingKeyword(std::string_view statement);

// name in double quotes, inner quotes doubled.
std::string QuoteIdentifier(std::string_view name);

// Case-insensitive comparison of ASCII text.
bool EqualsNoCase(std::string_view a, std::string_view b);
std::string ToLowerAscii(std::string_view text);

// ODBC search pattern match (% any run, _ one byte, \ escapes), ignoring case.
bool MatchesPattern(std::string_view text, std::string_view pattern);

}  // namespace orva::odbcengine
