#include "session.h"

#include <unistd.h>

#include "odbcengine/sql_text.h"
#include "odbcengine/type_map.h"

namespace orva::testdriver {
namespace {

DriverError ServerError(const std::string& state, SQLINTEGER native, const std::string& text) {
  return DriverError(state, std::string(MessagePrefix()) + text, native);
}

}  // namespace

Result ServerSession::RunSql(const std::string& statement, RunControl& run) {
  Database& db = *m_db;
  const std::string sql = RewriteQualifiedNames(
      statement, [&](const std::string& database, const std::string& object, std::string_view token) {
        if (EqualsNoCase(object, "sysdatabases")) return std::string("temp.sysdatabases");
        const std::string schema = db.SchemaFor(database);
        if (EqualsNoCase(object, "sysobjects")) return "temp." + QuoteIdentifier(db.SysObjectsView(schema));
        return QuoteIdentifier(schema) + "." + std::string(token);
      });
  if (ToLowerAscii(sql).find("sysdatabases") != std::string::npos) db.RefreshDatabaseList();
  return RunSqlite(m_db, sql, statement, run);
}

std::string ServerSession::SchemaOf(const ObjectName& object) {
  return object.database.empty() ? "main" : m_db->SchemaFor(object.database);
}

namespace {

// Source text cut into rows that each end with a line break or hold at most
// 255 bytes, never splitting a UTF-8 character.
std::vector<std::vector<Value>> TextRows(const std::string& text) {
  std::vector<std::vector<Value>> rows;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    if (end - start > 255) {
      end = start + 255;
      while (end > start + 1 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    }
    rows.push_back({text.substr(start, end - start)});
    start = end;
  }
  return rows;
}

}  // namespace

Result ServerSession::HelpText(const ObjectName& object) {
  const std::string schema = SchemaOf(object);
  const std::string s = QuoteIdentifier(schema);
  auto rows = QueryRows(m_db->Handle(),
                        "SELECT type, sql FROM " + s + ".sqlite_master WHERE name = ?1 COLLATE NOCASE AND type IN "
                        "('table','view') UNION ALL SELECT 'routine', definition FROM " + s + "." + kRoutineTable +
                        " WHERE name = ?1",
                        {object.name});
  const std::string database = m_db->DatabaseOfSchema(schema);
  if (rows.empty())
    throw ServerError("42000", 15009, "The object '" + object.name + "' does not exist in database '" + database +
                                          "' or is invalid for this operation.");
  const auto* kind = std::get_if<std::string>(&rows[0][0]);
  const auto* text = std::get_if<std::string>(&rows[0][1]);
  if (!kind || *kind == "table" || !text)
    throw ServerError("42000", 15197, "There is no text for object '" + object.name + "'.");
  return TableResult({TextColumn("Text", 255)}, TextRows(*text));
}

Result ServerSession::UseDatabase(const ObjectName& object) {
  auto canonical = FindDatabase(m_options.folder, object.name);
  if (!canonical)
    throw ServerError("08004", 911, "Database '" + object.name +
                                        "' does not exist. Make sure that the name is entered correctly.");
  if (*canonical != m_db->Name()) Switch(Database::Open(m_options.folder, *canonical, false));
  return Result{};
}

Result ServerSession::CreateDatabase(const ObjectName& object) {
  if (!IsValidDatabaseName(object.name))
    throw ServerError("42000", 102, "Incorrect database name '" + object.name + "'.");
  if (FindDatabase(m_options.folder, object.name))
    throw ServerError("42000", 1801, "Database '" + object.name + "' already exists. Choose a different database name.");
  Database::Open(m_options.folder, object.name, true);
  return Result{};
}

Result ServerSession::DropDatabase(const ObjectName& object) {
  auto canonical = FindDatabase(m_options.folder, object.name);
  if (!canonical)
    throw ServerError("42000", 3701, "Cannot drop the database '" + object.name +
                                         "', because it does not exist or you do not have permission.");
  if (*canonical == m_db->Name())
    throw ServerError("42000", 3702, "Cannot drop database \"" + *canonical + "\" because it is currently in use.");
  m_db->Forget(*canonical);
  const std::string path = DatabasePath(m_options.folder, *canonical);
  if (unlink(path.c_str()) != 0)
    throw ServerError("42000", 3701, "Cannot drop the database '" + *canonical + "': the file cannot be removed.");
  unlink((path + "-journal").c_str());
  return Result{};
}

Result ServerSession::CreateRoutine(const Command& command, const std::string& statement) {
  const std::string s = QuoteIdentifier(SchemaOf(command.object));
  sqlite3* h = m_db->Handle();
  auto existing = QueryRows(h, "SELECT name FROM " + s + ".sqlite_master WHERE name = ?1 COLLATE NOCASE UNION ALL "
                               "SELECT name FROM " + s + "." + kRoutineTable + " WHERE name = ?1",
                            {command.object.name});
  if (!existing.empty())
    throw ServerError("42S01", 2714, "There is already an object named '" + command.object.name + "' in the database.");
  std::string text = statement;
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  QueryRows(h, "INSERT INTO " + s + "." + kRoutineTable + "(name, type, definition) VALUES (?1, ?2, ?3)",
            {command.object.name, command.routineType, text});
  return Result{};
}

Result ServerSession::DropRoutine(const Command& command) {
  const std::string s = QuoteIdentifier(SchemaOf(command.object));
  const bool isProcedure = command.routineType == "P";
  sqlite3* h = m_db->Handle();
  QueryRows(h, "DELETE FROM " + s + "." + kRoutineTable + " WHERE name = ?1 AND " +
                   (isProcedure ? "type = 'P'" : "type <> 'P'"),
            {command.object.name});
  if (sqlite3_changes(h) == 0)
    throw ServerError("42000", 3701, std::string("Cannot drop the ") + (isProcedure ? "procedure" : "function") +
                                         " '" + command.object.name +
                                         "', because it does not exist or you do not have permission.");
  return Result{};
}

Result ServerSession::Run(const std::string& statement, RunControl& run) {
  const Command command = ClassifyStatement(statement);
  switch (command.kind) {
    case CommandKind::Use: return UseDatabase(command.object);
    case CommandKind::HelpText: return HelpText(command.object);
    case CommandKind::CreateDatabase: return CreateDatabase(command.object);
    case CommandKind::DropDatabase: return DropDatabase(command.object);
    case CommandKind::CreateRoutine: return CreateRoutine(command, statement);
    case CommandKind::DropRoutine: return DropRoutine(command);
    case CommandKind::Sql: break;
  }
  return RunSql(statement, run);
}

void ServerSession::UseCatalog(const std::string& name) {
  RunControl run;
  Run("use " + QuoteIdentifier(name), run);
}

std::optional<std::string> ServerSession::SchemaOfCatalog(const std::optional<std::string>& catalog) {
  if (!catalog || catalog->empty()) return std::string("main");
  if (!FindDatabase(m_options.folder, *catalog)) return std::nullopt;
  return m_db->SchemaFor(*catalog);
}

std::vector<CatalogRoutine> ServerSession::Routines(const std::string& schema) {
  std::vector<CatalogRoutine> out;
  for (auto& r : QueryRows(m_db->Handle(), "SELECT name, type FROM " + QuoteIdentifier(schema) + "." + kRoutineTable +
                                               " ORDER BY name"))
    out.push_back({std::get<std::string>(r[0]), std::get<std::string>(r[1]) == "P"});
  return out;
}

}  // namespace orva::testdriver
