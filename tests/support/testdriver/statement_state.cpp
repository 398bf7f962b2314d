#include "statement_state.h"

#include "sql_text.h"

namespace orva::testdriver {
namespace {

void StartRun(Stmt& stmt) {
  stmt.run.cancelRequested = false;
  stmt.run.timedOut = false;
  stmt.run.deadline = stmt.queryTimeout
                          ? std::chrono::steady_clock::now() + std::chrono::seconds(stmt.queryTimeout)
                          : std::chrono::steady_clock::time_point{};
}

void Adopt(Stmt& stmt, Result result) {
  stmt.result = std::move(result);
  stmt.executed = true;
  stmt.onRow = false;
  stmt.rowsReturned = 0;
  stmt.positions.assign(stmt.result.columns.size(), ReadPosition{});
  stmt.lastGetDataColumn = 0;
}

SQLRETURN RunNext(Stmt& stmt) {
  Session& session = ConnectedSession(*stmt.dbc);
  StartRun(stmt);
  const std::string statement = stmt.pending[stmt.nextStatement++];
  try {
    std::lock_guard<std::mutex> guard(stmt.dbc->sessionLock);
    Adopt(stmt, RunStatement(session, statement, stmt.run));
  } catch (...) {
    // An error ends the batch: later statements are not run.
    CloseResults(stmt);
    throw;
  }
  return SQL_SUCCESS;
}

}  // namespace

void CloseResults(Stmt& stmt) {
  stmt.result = Result{};
  stmt.pending.clear();
  stmt.nextStatement = 0;
  stmt.executed = false;
  stmt.onRow = false;
  stmt.positions.clear();
}

void RequireNoOpenCursor(Stmt& stmt) {
  if (stmt.executed && stmt.result.cursor) throw Fail("24000", "Invalid cursor state.");
  CloseResults(stmt);
}

SQLRETURN ExecuteBatch(Stmt& stmt, const std::string& text) {
  RequireNoOpenCursor(stmt);
  bool blank = true;
  for (char c : text)
    if (!std::isspace(static_cast<unsigned char>(c))) blank = false;
  if (blank) throw Fail("42000", "Syntax error: the statement is empty.", 102);
  stmt.pending = SplitBatch(text);
  if (stmt.pending.empty()) {
    // Comments only: like a server, nothing runs and nothing is returned.
    Adopt(stmt, Result{});
    return SQL_SUCCESS;
  }
  return RunNext(stmt);
}

SQLRETURN NextResult(Stmt& stmt) {
  if (!stmt.executed || stmt.nextStatement >= stmt.pending.size()) {
    CloseResults(stmt);
    return SQL_NO_DATA;
  }
  stmt.result = Result{};
  return RunNext(stmt);
}

SQLRETURN OpenCatalog(Stmt& stmt, const std::function<Result(Session&)>& build) {
  RequireNoOpenCursor(stmt);
  Session& session = ConnectedSession(*stmt.dbc);
  std::lock_guard<std::mutex> guard(stmt.dbc->sessionLock);
  Adopt(stmt, build(session));
  return SQL_SUCCESS;
}

const std::vector<ColumnInfo>& ResultColumns(Stmt& stmt) {
  if (!stmt.executed) throw Fail("HY010", "Function sequence error.");
  return stmt.result.columns;
}

SQLRETURN FetchRow(Stmt& stmt) {
  if (!stmt.executed || stmt.result.columns.empty()) throw Fail("24000", "Invalid cursor state.");
  if (stmt.rowsFetchedPtr) *stmt.rowsFetchedPtr = 0;
  stmt.onRow = false;
  if (!stmt.result.cursor || (stmt.maxRows && stmt.rowsReturned >= static_cast<SQLLEN>(stmt.maxRows)))
    return SQL_NO_DATA;
  StartRun(stmt);
  bool hasRow;
  try {
    hasRow = stmt.result.cursor->Next(stmt.row);
  } catch (...) {
    stmt.result.cursor.reset();  // a failed read ends the result
    throw;
  }
  if (!hasRow) {
    stmt.result.cursor.reset();
    return SQL_NO_DATA;
  }
  stmt.onRow = true;
  ++stmt.rowsReturned;
  stmt.positions.assign(stmt.result.columns.size(), ReadPosition{});
  stmt.lastGetDataColumn = 0;
  if (stmt.rowsFetchedPtr) *stmt.rowsFetchedPtr = 1;

  SQLRETURN rc = SQL_SUCCESS;
  const SQLLEN offset = stmt.bindOffsetPtr ? *stmt.bindOffsetPtr : 0;
  for (std::size_t i = 0; i < stmt.bindings.size() && i < stmt.result.columns.size(); ++i) {
    const Binding& b = stmt.bindings[i];
    if (!b.target) continue;
    auto* target = static_cast<char*>(b.target) + offset;
    SQLLEN* indicator = b.indicator ? reinterpret_cast<SQLLEN*>(reinterpret_cast<char*>(b.indicator) + offset) : nullptr;
    ReadPosition position;
    std::vector<Diagnostic> infos;
    const SQLRETURN one = DeliverValue(stmt.row[i], stmt.result.columns[i], b.cType, target, b.length, indicator,
                                       position, stmt.dbc->options.noTotal, infos);
    for (auto& d : infos) stmt.Add(std::move(d));
    if (one == SQL_SUCCESS_WITH_INFO) rc = SQL_SUCCESS_WITH_INFO;
  }
  if (stmt.rowStatusPtr) stmt.rowStatusPtr[0] = rc == SQL_SUCCESS ? SQL_ROW_SUCCESS : SQL_ROW_SUCCESS_WITH_INFO;
  return rc;
}

}  // namespace orva::testdriver
