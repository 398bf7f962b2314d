#include "server_sql.h"

#include <optional>

#include "odbcengine/driver_types.h"

namespace orva::testdriver {
namespace {

// Reads a possibly qualified name starting at tokens[i]; a string literal
// holding a name (sp_helptext 'x') is read as that name.
std::optional<ObjectName> ReadObjectName(const std::vector<Token>& tokens, std::size_t& i) {
  if (i < tokens.size() && tokens[i].kind == TokenKind::String) {
    std::string inner = Unquote(tokens[i]);
    ++i;
    std::size_t j = 0;
    auto innerTokens = Significant(inner);
    auto name = ReadObjectName(innerTokens, j);
    if (!name || j != innerTokens.size()) return std::nullopt;
    return name;
  }
  std::vector<std::string> parts;
  if (i >= tokens.size() || !IsName(tokens[i])) return std::nullopt;
  parts.push_back(Unquote(tokens[i++]));
  while (IsPunct(tokens, i, '.')) {
    ++i;
    if (IsPunct(tokens, i, '.')) {
      parts.emplace_back();  // db..name: empty owner
      continue;
    }
    if (i >= tokens.size() || !IsName(tokens[i])) return std::nullopt;
    parts.push_back(Unquote(tokens[i++]));
  }
  if (parts.size() > 3 || parts.back().empty()) return std::nullopt;
  ObjectName name;
  name.name = parts.back();
  if (parts.size() == 3) name.database = parts.front();
  return name;
}

std::string RoutineType(const std::vector<Token>& tokens, bool isFunction) {
  if (!isFunction) return "P";
  for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
    if (!IsWord(tokens, i, "returns")) continue;
    if (IsWord(tokens, i + 1, "table")) return "IF";
    if (tokens[i + 1].text.starts_with("@") && IsWord(tokens, i + 2, "table")) return "TF";
    return "FN";
  }
  return "FN";
}

ObjectName RequireName(const std::vector<Token>& tokens, std::size_t i, std::string_view command) {
  auto name = ReadObjectName(tokens, i);
  if (!name || i != tokens.size())
    throw DriverError("42000", std::string(MessagePrefix()) + "Incorrect syntax near '" +
                                   std::string(command) + "': one object name expected.",
                      102);
  return *name;
}

}  // namespace

Command ClassifyStatement(std::string_view statement) {
  const std::vector<Token> tokens = Significant(statement);
  Command command;
  std::size_t i = 0;
  if (IsWord(tokens, 0, "exec") || IsWord(tokens, 0, "execute")) i = 1;
  if (IsWord(tokens, i, "sp_helptext")) {
    command.kind = CommandKind::HelpText;
    command.object = RequireName(tokens, i + 1, "sp_helptext");
    return command;
  }
  if (i != 0) return command;
  if (IsWord(tokens, 0, "use")) {
    command.kind = CommandKind::Use;
    command.object = RequireName(tokens, 1, "use");
    return command;
  }
  const bool create = IsWord(tokens, 0, "create");
  const bool drop = IsWord(tokens, 0, "drop");
  if (!create && !drop) return command;
  if (IsWord(tokens, 1, "database")) {
    command.kind = create ? CommandKind::CreateDatabase : CommandKind::DropDatabase;
    command.object = RequireName(tokens, 2, create ? "create database" : "drop database");
    return command;
  }
  std::size_t k = 1;
  if (create && IsWord(tokens, k, "or") && IsWord(tokens, k + 1, "alter")) k += 2;
  const bool isFunction = IsWord(tokens, k, "function");
  if (!isFunction && !IsWord(tokens, k, "procedure") && !IsWord(tokens, k, "proc")) return command;
  ++k;
  if (drop) {
    command.kind = CommandKind::DropRoutine;
    command.routineType = isFunction ? "FN" : "P";
    command.object = RequireName(tokens, k, "drop");
    return command;
  }
  auto name = ReadObjectName(tokens, k);
  if (!name)
    throw DriverError("42000", std::string(MessagePrefix()) + "Incorrect syntax near 'create': routine name expected.", 102);
  command.kind = CommandKind::CreateRoutine;
  command.object = *name;
  command.routineType = RoutineType(tokens, isFunction);
  return command;
}

std::string RewriteQualifiedNames(std::string_view sql, const QualifiedNameMap& map) {
  const std::vector<Token> tokens = Tokenize(sql);
  std::string out;
  std::size_t i = 0;
  auto prevSignificantIsDot = [&](std::size_t at) {
    for (std::size_t j = at; j-- > 0;) {
      if (tokens[j].kind == TokenKind::Space) continue;
      return tokens[j].kind == TokenKind::Punct && tokens[j].text == ".";
    }
    return false;
  };
  auto isDot = [&](std::size_t j) {
    return j < tokens.size() && tokens[j].kind == TokenKind::Punct && tokens[j].text == ".";
  };
  while (i < tokens.size()) {
    const Token& t = tokens[i];
    if (IsName(t) && !prevSignificantIsDot(i) && isDot(i + 1)) {
      // db..name
      if (isDot(i + 2) && i + 3 < tokens.size() && IsName(tokens[i + 3])) {
        out += map(Unquote(t), Unquote(tokens[i + 3]), tokens[i + 3].text);
        i += 4;
        continue;
      }
      // db.dbo.name
      if (i + 4 < tokens.size() && tokens[i + 2].kind == TokenKind::Word &&
          EqualsNoCase(tokens[i + 2].text, "dbo") && isDot(i + 3) && IsName(tokens[i + 4])) {
        out += map(Unquote(t), Unquote(tokens[i + 4]), tokens[i + 4].text);
        i += 5;
        continue;
      }
    }
    out.append(t.text);
    ++i;
  }
  return out;
}

}  // namespace orva::testdriver
