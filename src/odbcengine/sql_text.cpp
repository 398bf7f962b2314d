#include "sql_text.h"

#include <sqlite3.h>

#include <cctype>

#include "driver_types.h"

namespace orva::odbcengine {
namespace {

bool IsWordByte(unsigned char c) {
  return std::isalnum(c) || c == '_' || c == '@' || c == '#' || c == '$' || c >= 0x80;
}

// End of a quoted run starting at i (the opening quote); a doubled closing
// quote stands for itself.
std::size_t QuotedEnd(std::string_view text, std::size_t i, char close) {
  std::size_t j = i + 1;
  while (j < text.size()) {
    if (text[j] == close) {
      if (j + 1 < text.size() && text[j + 1] == close) {
        j += 2;
        continue;
      }
      return j + 1;
    }
    ++j;
  }
  return text.size();
}

bool StartsRoutine(const std::vector<Token>& tokens) {
  std::size_t i = 0;
  if (!IsWord(tokens, i, "create")) return false;
  ++i;
  if (IsWord(tokens, i, "or") && IsWord(tokens, i + 1, "alter")) i += 2;
  return IsWord(tokens, i, "procedure") || IsWord(tokens, i, "proc") || IsWord(tokens, i, "function");
}

}  // namespace

bool IsName(const Token& t) { return t.kind == TokenKind::Word || t.kind == TokenKind::QuotedName; }

// Tokens without the space ones.
std::vector<Token> Significant(std::string_view text) {
  std::vector<Token> out;
  for (const Token& t : Tokenize(text))
    if (t.kind != TokenKind::Space) out.push_back(t);
  return out;
}

bool IsWord(const std::vector<Token>& tokens, std::size_t i, std::string_view word) {
  return i < tokens.size() && tokens[i].kind == TokenKind::Word && EqualsNoCase(tokens[i].text, word);
}

bool IsPunct(const std::vector<Token>& tokens, std::size_t i, char c) {
  return i < tokens.size() && tokens[i].kind == TokenKind::Punct && tokens[i].text[0] == c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string QuoteIdentifier(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::vector<Token> Tokenize(std::string_view text) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t end = i + 1;
    TokenKind kind = TokenKind::Punct;
    if (std::isspace(c)) {
      while (end < text.size() && std::isspace(static_cast<unsigned char>(text[end]))) ++end;
      kind = TokenKind::Space;
    } else if (c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
      end = text.find('\n', i);
      end = end == std::string_view::npos ? text.size() : end + 1;
      kind = TokenKind::Space;
    } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
      end = text.find("*/", i + 2);
      end = end == std::string_view::npos ? text.size() : end + 2;
      kind = TokenKind::Space;
    } else if (c == '\'') {
      end = QuotedEnd(text, i, '\'');
      kind = TokenKind::String;
    } else if (c == '"' || c == '`') {
      end = QuotedEnd(text, i, static_cast<char>(c));
      kind = TokenKind::QuotedName;
    } else if (c == '[') {
      end = QuotedEnd(text, i, ']');
      kind = TokenKind::QuotedName;
    } else if (IsWordByte(c)) {
      while (end < text.size() && IsWordByte(static_cast<unsigned char>(text[end]))) ++end;
      kind = TokenKind::Word;
    }
    tokens.push_back({kind, text.substr(i, end - i)});
    i = end;
  }
  return tokens;
}

std::string Unquote(const Token& token) {
  std::string_view t = token.text;
  if (token.kind == TokenKind::Word || t.empty()) return std::string(t);
  const char close = t[0] == '[' ? ']' : t[0];
  std::string out;
  std::size_t end = t.size();
  if (end >= 2 && t[end - 1] == close) --end;
  for (std::size_t i = 1; i < end; ++i) {
    out.push_back(t[i]);
    if (t[i] == close && i + 1 < end && t[i + 1] == close) ++i;
  }
  return out;
}

std::vector<std::string> SplitBatch(std::string_view text) {
  std::vector<std::string> statements;
  const std::vector<Token> tokens = Tokenize(text);
  std::string current;
  bool hasContent = false;
  auto flush = [&] {
    if (hasContent) statements.push_back(current);
    current.clear();
    hasContent = false;
  };
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const Token& t = tokens[i];
    if (!hasContent && t.kind != TokenKind::Space) {
      // A routine definition runs to the end of the batch.
      std::vector<Token> head;
      for (std::size_t j = i; j < tokens.size() && head.size() < 4; ++j)
        if (tokens[j].kind != TokenKind::Space) head.push_back(tokens[j]);
      if (StartsRoutine(head)) {
        current = std::string(text.substr(t.text.data() - text.data()));
        hasContent = true;
        break;
      }
    }
    if (t.kind == TokenKind::Punct && t.text == ";") {
      // A trigger body holds semicolons: SQLite knows where it really ends.
      std::string withSemicolon = current + ";";
      if (hasContent && !sqlite3_complete(withSemicolon.c_str())) {
        current = withSemicolon;
        continue;
      }
      flush();
      continue;
    }
    current.append(t.text);
    if (t.kind != TokenKind::Space) hasContent = true;
  }
  flush();
  return statements;
}

std::string LeadingKeyword(std::string_view statement) {
  for (const Token& t : Tokenize(statement)) {
    if (t.kind == TokenKind::Space) continue;
    if (t.kind != TokenKind::Word) return "";
    std::string out(t.text);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
  }
  return "";
}

bool MatchesPattern(std::string_view text, std::string_view pattern) {
  // Iterative match with backtracking to the last %.
  std::size_t t = 0, p = 0, starP = std::string_view::npos, starT = 0;
  auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '%') {
      starP = p++;
      starT = t;
      continue;
    }
    if (p < pattern.size()) {
      if (pattern[p] == '\\' && p + 1 < pattern.size()) {
        if (lower(pattern[p + 1]) == lower(text[t])) {
          p += 2;
          ++t;
          continue;
        }
      } else if (pattern[p] == '_' || lower(pattern[p]) == lower(text[t])) {
        ++p;
        ++t;
        continue;
      }
    }
    if (starP == std::string_view::npos) return false;
    p = starP + 1;
    t = ++starT;
  }
  while (p < pattern.size() && pattern[p] == '%') ++p;
  return p == pattern.size();
}

}  // namespace orva::odbcengine
