#include "statement_state.h"

#include "sql_text.h"

namespace orva::odbcengine {
namespace {

// Starts the timeout of one statement or fetch. The cancel flag is left as it
// is: it belongs to the application's call, which may run several statements
// (the rest of an earlier batch first), and a cancel of any of them ends it.
void StartRun(Stmt& stmt) {
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
  DriverSession& session = ConnectedSession(*stmt.dbc);
  StartRun(stmt);
  if (stmt.run.cancelRequested) {
    CloseResults(stmt);
    throw Fail("HY008", "Operation canceled");
  }
  const std::string statement = stmt.pending[stmt.nextStatement++];
  try {
    std::lock_guard<std::mutex> guard(stmt.dbc->sessionLock);
    if (!stmt.dbc->autocommit) session.BeginTransaction();
    Adopt(stmt, session.Run(statement, stmt.run));
  } catch (...) {
    // An error ends the batch: later statements are not run.
    CloseResults(stmt);
    throw;
  }
  return SQL_SUCCESS;
}

}  // namespace

void ResetPositions(Stmt& stmt) {
  // Kept strings keep their storage from row to row.
  stmt.positions.resize(stmt.result.columns.size());
  for (ReadPosition& p : stmt.positions) {
    p.offset = 0;
    p.done = false;
    p.converted = false;
  }
  stmt.lastGetDataColumn = 0;
}

void CloseResults(Stmt& stmt) {
  stmt.result = Result{};
  stmt.cache.clear();
  stmt.cached = false;
  stmt.position = 0;
  stmt.pending.clear();
  stmt.nextStatement = 0;
  stmt.executed = false;
  stmt.onRow = false;
  stmt.positions.clear();
}

void FinishBatch(Stmt& stmt) {
  std::vector<std::string> rest(stmt.pending.begin() + static_cast<std::ptrdiff_t>(stmt.nextStatement),
                                stmt.pending.end());
  CloseResults(stmt);
  if (rest.empty() || !stmt.dbc->session) return;
  try {
    std::lock_guard<std::mutex> guard(stmt.dbc->sessionLock);
    for (const std::string& statement : rest) {
      StartRun(stmt);
      if (!stmt.dbc->autocommit) stmt.dbc->session->BeginTransaction();
      Result result = stmt.dbc->session->Run(statement, stmt.run);
      std::vector<Value> row;
      while (result.cursor && result.cursor->Next(row)) {
      }
    }
  } catch (const std::exception&) {
    // Nobody reads these results any more, so nobody hears of their errors.
  }
}

void RequireNoOpenCursor(Stmt& stmt) {
  if (stmt.executed && (stmt.result.cursor || stmt.cached)) throw Fail("24000", "Invalid cursor state.");
  FinishBatch(stmt);
}

SQLRETURN ExecuteBatch(Stmt& stmt, const std::string& text) {
  RequireNoOpenCursor(stmt);
  bool blank = true;
  for (char c : text)
    if (!std::isspace(static_cast<unsigned char>(c))) blank = false;
  if (blank) throw Fail("42000", "Syntax error: the statement is empty.", 102);
  // Bound values are read now: the application may change its buffers
  // between executions.
  std::vector<Value> parameters;
  parameters.reserve(stmt.params.size());
  const SQLLEN offset = stmt.paramBindOffsetPtr ? *stmt.paramBindOffsetPtr : 0;
  for (ParamBinding p : stmt.params) {
    if (p.value) p.value = static_cast<char*>(p.value) + offset;
    if (p.indicator) p.indicator = reinterpret_cast<SQLLEN*>(reinterpret_cast<char*>(p.indicator) + offset);
    parameters.push_back(ParameterValue(p));
  }
  stmt.run.parameters = std::move(parameters);
  stmt.run.nextParameter = 0;
  stmt.pending = ConnectedSession(*stmt.dbc).Split(text);
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

SQLRETURN OpenCatalog(Stmt& stmt, const std::function<Result(DriverSession&)>& build) {
  RequireNoOpenCursor(stmt);
  DriverSession& session = ConnectedSession(*stmt.dbc);
  std::lock_guard<std::mutex> guard(stmt.dbc->sessionLock);
  Adopt(stmt, build(session));
  return SQL_SUCCESS;
}

const std::vector<ColumnInfo>& ResultColumns(Stmt& stmt) {
  if (!stmt.executed) throw Fail("HY010", "Function sequence error.");
  return stmt.result.columns;
}

namespace {

// Reads the next row of the result into stmt.row; false at the end.
bool ReadNext(Stmt& stmt) {
  if (!stmt.result.cursor || (stmt.maxRows && stmt.rowsReturned >= static_cast<SQLLEN>(stmt.maxRows))) return false;
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
    return false;
  }
  ++stmt.rowsReturned;
  return true;
}

// Moves a static cursor; false when it ends up before the first or after the
// last row.
bool Scroll(Stmt& stmt, SQLSMALLINT orientation, SQLLEN offset) {
  if (!stmt.cached) {
    while (ReadNext(stmt)) stmt.cache.push_back(std::move(stmt.row));
    stmt.cached = true;
  }
  const auto count = static_cast<SQLLEN>(stmt.cache.size());
  const auto current = static_cast<SQLLEN>(stmt.position);
  SQLLEN target;
  switch (orientation) {
    case SQL_FETCH_NEXT: target = current + 1; break;
    case SQL_FETCH_PRIOR: target = current - 1; break;
    case SQL_FETCH_FIRST: target = 1; break;
    case SQL_FETCH_LAST: target = count; break;
    case SQL_FETCH_ABSOLUTE: target = offset >= 0 ? offset : count + offset + 1; break;
    case SQL_FETCH_RELATIVE: target = current + offset; break;
    default: throw Fail("HY106", "Fetch type out of range.");
  }
  if (target < 1 || target > count) {
    stmt.position = target < 1 ? 0 : static_cast<std::size_t>(count) + 1;
    return false;
  }
  stmt.position = static_cast<std::size_t>(target);
  stmt.row = stmt.cache[stmt.position - 1];
  return true;
}

}  // namespace

SQLRETURN FetchRow(Stmt& stmt, SQLSMALLINT orientation, SQLLEN offset) {
  if (!stmt.executed || stmt.result.columns.empty()) throw Fail("24000", "Invalid cursor state.");
  const bool isStatic = stmt.cursorType == SQL_CURSOR_STATIC;
  if (!isStatic && orientation != SQL_FETCH_NEXT) throw Fail("HY106", "Fetch type out of range.");
  if (stmt.rowsFetchedPtr) *stmt.rowsFetchedPtr = 0;
  stmt.onRow = false;
  if (!(isStatic ? Scroll(stmt, orientation, offset) : ReadNext(stmt))) {
    if (stmt.rowStatusPtr) stmt.rowStatusPtr[0] = SQL_ROW_NOROW;
    return SQL_NO_DATA;
  }
  stmt.onRow = true;
  ResetPositions(stmt);
  if (stmt.rowsFetchedPtr) *stmt.rowsFetchedPtr = 1;

  SQLRETURN rc = SQL_SUCCESS;
  const SQLLEN bindOffset = stmt.bindOffsetPtr ? *stmt.bindOffsetPtr : 0;
  for (std::size_t i = 0; i < stmt.bindings.size() && i < stmt.result.columns.size(); ++i) {
    const Binding& b = stmt.bindings[i];
    if (!b.target) continue;
    auto* target = static_cast<char*>(b.target) + bindOffset;
    SQLLEN* indicator =
        b.indicator ? reinterpret_cast<SQLLEN*>(reinterpret_cast<char*>(b.indicator) + bindOffset) : nullptr;
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

}  // namespace orva::odbcengine
