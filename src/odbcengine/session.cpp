#include "session.h"

#include "sql_text.h"
#include "type_map.h"

namespace orva::odbcengine {
namespace {

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

void BindValue(sqlite3_stmt* stmt, int i, const Value& v) {
  if (const auto* n = std::get_if<std::int64_t>(&v)) {
    sqlite3_bind_int64(stmt, i, *n);
  } else if (const auto* d = std::get_if<double>(&v)) {
    sqlite3_bind_double(stmt, i, *d);
  } else if (const auto* s = std::get_if<std::string>(&v)) {
    sqlite3_bind_text64(stmt, i, s->data(), s->size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  } else if (const auto* b = std::get_if<Blob>(&v)) {
    sqlite3_bind_blob64(stmt, i, b->bytes.data(), b->bytes.size(), SQLITE_TRANSIENT);
  } else {
    sqlite3_bind_null(stmt, i);
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
  SqliteCursor(std::shared_ptr<SqliteConnection> db, sqlite3_stmt* stmt, RunControl& run, bool hasRow)
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
      if (rc == SQLITE_ROW) {
        ReadRow(m_stmt, row);
        return true;
      }
    }
    m_done = true;
    if (rc == SQLITE_DONE) return false;
    m_db->ThrowError(rc, &m_run);
  }

 private:
  std::shared_ptr<SqliteConnection> m_db;
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

Result RunSqlite(const std::shared_ptr<SqliteConnection>& db, const std::string& sql, const std::string& statement,
                 RunControl& run) {
  if (run.cancelRequested) throw DriverError("HY008", std::string(MessagePrefix()) + "Operation canceled");
  sqlite3* h = db->Handle();
  db->ForgetRecordedError();
  sqlite3_stmt* stmt = nullptr;
  const char* tail = nullptr;
  int rc = sqlite3_prepare_v2(h, sql.c_str(), static_cast<int>(sql.size()), &stmt, &tail);
  if (rc != SQLITE_OK) db->ThrowError(rc);
  if (!stmt) return Result{};  // only comments
  for (const Token& t : Tokenize(tail ? std::string_view(tail) : std::string_view()))
    if (t.kind != TokenKind::Space) {
      sqlite3_finalize(stmt);
      throw DriverError("42000", std::string(MessagePrefix()) + "Incorrect syntax near '" + std::string(t.text) + "'.",
                        102);
    }
  // Question marks take the bound values in order; SQLite's named
  // parameters (:a, @a, $a) are no markers and stay NULL, as they always did.
  const int markers = sqlite3_bind_parameter_count(stmt);
  for (int i = 1; i <= markers; ++i) {
    const char* name = sqlite3_bind_parameter_name(stmt, i);
    if (name && name[0] != '?') continue;
    if (run.nextParameter >= run.parameters.size()) {
      sqlite3_finalize(stmt);
      throw DriverError("07002", std::string(MessagePrefix()) + "COUNT field incorrect: a parameter is not bound.");
    }
    BindValue(stmt, i, run.parameters[run.nextParameter++]);
  }
  Result result;
  {
    RunScope scope(run, db);
    rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
      sqlite3_finalize(stmt);
      db->ThrowError(rc, &run);
    }
    if (sqlite3_column_count(stmt) == 0) {
      const std::string keyword = LeadingKeyword(statement);
      if (!sqlite3_stmt_readonly(stmt) && (keyword == "INSERT" || keyword == "UPDATE" || keyword == "DELETE" ||
                                           keyword == "REPLACE" || keyword == "WITH"))
        result.rowCount = static_cast<SQLLEN>(sqlite3_changes64(h));
      sqlite3_finalize(stmt);
      return result;
    }
    result.columns = DescribeStatement(h, stmt, rc == SQLITE_ROW);
  }
  result.cursor = std::make_unique<SqliteCursor>(db, stmt, run, rc == SQLITE_ROW);
  return result;
}

namespace {

void ExecOn(sqlite3* db, const char* sql) {
  const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) ThrowSqliteError(db, rc);
}

}  // namespace

void DriverSession::BeginTransaction() {
  if (!InTransaction()) ExecOn(CatalogHandle(), "BEGIN");
}

void DriverSession::EndTransaction(bool commit) {
  if (!InTransaction()) return;
  sqlite3* db = CatalogHandle();
  if (!commit) {
    ExecOn(db, "ROLLBACK");
    return;
  }
  try {
    ExecOn(db, "COMMIT");
  } catch (const DriverError&) {
    if (InTransaction()) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

std::vector<std::string> DriverSession::Split(std::string_view batch) const { return SplitBatch(batch); }

}  // namespace orva::odbcengine
