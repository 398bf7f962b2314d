#include "session.h"

#include <unistd.h>

#include "sql_text.h"
#include "type_map.h"

namespace orva::testdriver {
namespace {

DriverError ServerError(const std::string& state, SQLINTEGER native, const std::string& text) {
  return DriverError(state, std::string(kMessagePrefix) + text, native);
}

Value ReadColumn(sqlite3_stmt* stmt, int i) {
  switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_INTEGER: return static_cast<std::int64_t>(sqlite3_column_int64(stmt, i));
    case SQLITE_FLOAT: return sqlite3_column_double(stmt, i);
    case SQLITE_TEXT: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
      return std::string(text ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt, i)));
    }
    case SQLITE_BLOB: {
      const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt, i));
      return Blob{std::string(data ? data : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt, i)))};
    }
    default: return std::monostate{};
  }
}

void ReadRow(sqlite3_stmt* stmt, std::vector<Value>& row) {
  const int n = sqlite3_column_count(stmt);
  row.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) row[static_cast<std::size_t>(i)] = ReadColumn(stmt, i);
}

// Rows of a SQLite statement, stepped while the application fetches.
class SqliteCursor : public Cursor {
 public:
  SqliteCursor(std::shared_ptr<Database> db, sqlite3_stmt* stmt, RunControl& run, bool hasRow)
      : m_db(std::move(db)), m_stmt(stmt), m_run(run), m_pending(hasRow), m_done(!hasRow) {}
  ~SqliteCursor() override { sqlite3_finalize(m_stmt); }

  bool Next(std::vector<Value>& row) override {
    if (m_pending) {
      m_pending = false;
      ReadRow(m_stmt, row);
      return true;
    }
    if (m_done) return false;
    int rc;
    {
      RunScope scope(m_run, m_db);
      rc = sqlite3_step(m_stmt);
    }
    if (rc == SQLITE_ROW) {
      ReadRow(m_stmt, row);
      return true;
    }
    m_done = true;
    if (rc == SQLITE_DONE) return false;
    ThrowSqliteError(m_db->Handle(), rc, &m_run);
  }

 private:
  std::shared_ptr<Database> m_db;
  sqlite3_stmt* m_stmt;
  RunControl& m_run;
  bool m_pending;
  bool m_done;
};

std::vector<ColumnInfo> DescribeStatement(sqlite3* db, sqlite3_stmt* stmt, bool hasRow) {
  std::vector<ColumnInfo> columns;
  const int n = sqlite3_column_count(stmt);
  for (int i = 0; i < n; ++i) {
    ColumnInfo c;
    const char* name = sqlite3_column_name(stmt, i);
    c.name = name ? name : "";
    if (const char* declared = sqlite3_column_decltype(stmt, i))
      DescribeDeclaredType(declared, c);
    else
      DescribeFromValue(hasRow ? ReadColumn(stmt, i) : Value{}, c);
    const char* schema = sqlite3_column_database_name(stmt, i);
    const char* table = sqlite3_column_table_name(stmt, i);
    const char* origin = sqlite3_column_origin_name(stmt, i);
    int notNull = 0, primaryKey = 0;
    if (schema && table && origin &&
        sqlite3_table_column_metadata(db, schema, table, origin, nullptr, nullptr, &notNull, &primaryKey, nullptr) ==
            SQLITE_OK) {
      c.nullable = notNull || primaryKey ? SQL_NO_NULLS : SQL_NULLABLE;
      c.table = table;
      c.baseColumn = origin;
    }
    columns.push_back(std::move(c));
  }
  return columns;
}

Result RunSql(Session& session, const std::string& statement, RunControl& run) {
  Database& db = *session.db;
  const std::string sql = RewriteQualifiedNames(
      statement, [&](const std::string& database, const std::string& object, std::string_view token) {
        if (EqualsNoCase(object, "sysdatabases")) return std::string("temp.sysdatabases");
        const std::string schema = db.SchemaFor(database);
        if (EqualsNoCase(object, "sysobjects")) return "temp." + QuoteIdentifier(db.SysObjectsView(schema));
        return QuoteIdentifier(schema) + "." + std::string(token);
      });
  if (ToLowerAscii(sql).find("sysdatabases") != std::string::npos) db.RefreshDatabaseList();

  sqlite3_stmt* stmt = nullptr;
  const char* tail = nullptr;
  int rc = sqlite3_prepare_v2(db.Handle(), sql.c_str(), static_cast<int>(sql.size()), &stmt, &tail);
  if (rc != SQLITE_OK) ThrowSqliteError(db.Handle(), rc);
  if (!stmt) return Result{};  // only comments
  for (const Token& t : Tokenize(tail ? std::string_view(tail) : std::string_view()))
    if (t.kind != TokenKind::Space) {
      sqlite3_finalize(stmt);
      throw ServerError("42000", 102, "Incorrect syntax near '" + std::string(t.text) + "'.");
    }
  {
    RunScope scope(run, session.db);
    rc = sqlite3_step(stmt);
  }
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
    sqlite3_finalize(stmt);
    ThrowSqliteError(db.Handle(), rc, &run);
  }
  Result result;
  if (sqlite3_column_count(stmt) == 0) {
    const std::string keyword = LeadingKeyword(statement);
    if (!sqlite3_stmt_readonly(stmt) &&
        (keyword == "INSERT" || keyword == "UPDATE" || keyword == "DELETE" || keyword == "REPLACE" || keyword == "WITH"))
      result.rowCount = static_cast<SQLLEN>(sqlite3_changes64(db.Handle()));
    sqlite3_finalize(stmt);
    return result;
  }
  result.columns = DescribeStatement(db.Handle(), stmt, rc == SQLITE_ROW);
  result.cursor = std::make_unique<SqliteCursor>(session.db, stmt, run, rc == SQLITE_ROW);
  return result;
}

std::string SchemaOf(Session& session, const ObjectName& object) {
  return object.database.empty() ? "main" : session.db->SchemaFor(object.database);
}

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

Result HelpText(Session& session, const ObjectName& object) {
  const std::string schema = SchemaOf(session, object);
  const std::string s = QuoteIdentifier(schema);
  auto rows = QueryRows(session.db->Handle(),
                        "SELECT type, sql FROM " + s + ".sqlite_master WHERE name = ?1 COLLATE NOCASE AND type IN "
                        "('table','view') UNION ALL SELECT 'routine', definition FROM " + s + "." + kRoutineTable +
                        " WHERE name = ?1",
                        {object.name});
  const std::string database = session.db->DatabaseOfSchema(schema);
  if (rows.empty())
    throw ServerError("42000", 15009, "The object '" + object.name + "' does not exist in database '" + database +
                                          "' or is invalid for this operation.");
  const auto* kind = std::get_if<std::string>(&rows[0][0]);
  const auto* text = std::get_if<std::string>(&rows[0][1]);
  if (!kind || *kind == "table" || !text)
    throw ServerError("42000", 15197, "There is no text for object '" + object.name + "'.");
  return TableResult({TextColumn("Text", 255)}, TextRows(*text));
}

Result UseDatabase(Session& session, const ObjectName& object) {
  auto canonical = FindDatabase(session.folder, object.name);
  if (!canonical)
    throw ServerError("08004", 911, "Database '" + object.name +
                                        "' does not exist. Make sure that the name is entered correctly.");
  if (*canonical != session.db->Name()) session.Switch(Database::Open(session.folder, *canonical, false));
  return Result{};
}

Result CreateDatabase(Session& session, const ObjectName& object) {
  if (!IsValidDatabaseName(object.name))
    throw ServerError("42000", 102, "Incorrect database name '" + object.name + "'.");
  if (FindDatabase(session.folder, object.name))
    throw ServerError("42000", 1801, "Database '" + object.name + "' already exists. Choose a different database name.");
  Database::Open(session.folder, object.name, true);
  return Result{};
}

Result DropDatabase(Session& session, const ObjectName& object) {
  auto canonical = FindDatabase(session.folder, object.name);
  if (!canonical)
    throw ServerError("42000", 3701, "Cannot drop the database '" + object.name +
                                         "', because it does not exist or you do not have permission.");
  if (*canonical == session.db->Name())
    throw ServerError("42000", 3702, "Cannot drop database \"" + *canonical + "\" because it is currently in use.");
  session.db->Forget(*canonical);
  const std::string path = DatabasePath(session.folder, *canonical);
  if (unlink(path.c_str()) != 0)
    throw ServerError("42000", 3701, "Cannot drop the database '" + *canonical + "': the file cannot be removed.");
  unlink((path + "-journal").c_str());
  return Result{};
}

Result CreateRoutine(Session& session, const Command& command, const std::string& statement) {
  const std::string s = QuoteIdentifier(SchemaOf(session, command.object));
  sqlite3* h = session.db->Handle();
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

Result DropRoutine(Session& session, const Command& command) {
  const std::string s = QuoteIdentifier(SchemaOf(session, command.object));
  const bool isProcedure = command.routineType == "P";
  sqlite3* h = session.db->Handle();
  QueryRows(h, "DELETE FROM " + s + "." + kRoutineTable + " WHERE name = ?1 AND " +
                   (isProcedure ? "type = 'P'" : "type <> 'P'"),
            {command.object.name});
  if (sqlite3_changes(h) == 0)
    throw ServerError("42000", 3701, std::string("Cannot drop the ") + (isProcedure ? "procedure" : "function") +
                                         " '" + command.object.name +
                                         "', because it does not exist or you do not have permission.");
  return Result{};
}

}  // namespace

bool TableCursor::Next(std::vector<Value>& row) {
  if (m_next >= m_rows.size()) return false;
  row = std::move(m_rows[m_next++]);
  return true;
}

Result TableResult(std::vector<ColumnInfo> columns, std::vector<std::vector<Value>> rows) {
  Result result;
  result.columns = std::move(columns);
  result.cursor = std::make_unique<TableCursor>(std::move(rows));
  return result;
}

std::vector<std::vector<Value>> QueryRows(sqlite3* db, const std::string& sql, const std::vector<std::string>& params) {
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr);
  if (rc != SQLITE_OK) ThrowSqliteError(db, rc);
  for (std::size_t i = 0; i < params.size(); ++i)
    sqlite3_bind_text(stmt, static_cast<int>(i + 1), params[i].c_str(), static_cast<int>(params[i].size()),
                      SQLITE_TRANSIENT);
  std::vector<std::vector<Value>> rows;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    rows.emplace_back();
    ReadRow(stmt, rows.back());
  }
  sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE) ThrowSqliteError(db, rc);
  return rows;
}

std::optional<std::string> CatalogSchema(Session& session, const std::optional<std::string>& catalog) {
  if (!catalog || catalog->empty()) return std::string("main");
  if (!FindDatabase(session.folder, *catalog)) return std::nullopt;
  return session.db->SchemaFor(*catalog);
}

Result RunStatement(Session& session, const std::string& statement, RunControl& run) {
  const Command command = ClassifyStatement(statement);
  switch (command.kind) {
    case CommandKind::Use: return UseDatabase(session, command.object);
    case CommandKind::HelpText: return HelpText(session, command.object);
    case CommandKind::CreateDatabase: return CreateDatabase(session, command.object);
    case CommandKind::DropDatabase: return DropDatabase(session, command.object);
    case CommandKind::CreateRoutine: return CreateRoutine(session, command, statement);
    case CommandKind::DropRoutine: return DropRoutine(session, command);
    case CommandKind::Sql: break;
  }
  return RunSql(session, statement, run);
}

}  // namespace orva::testdriver
