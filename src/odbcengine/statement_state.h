#pragma once
// The life of a statement's results: running a batch, moving to the next
// result, fetching rows and closing.

#include "handles.h"

namespace orva::odbcengine {

// Runs a batch; the statement is positioned on its first result.
SQLRETURN ExecuteBatch(Stmt& stmt, const std::string& text);
// Moves to the next result of the batch; SQL_NO_DATA when there is none.
SQLRETURN NextResult(Stmt& stmt);
// Replaces the results by a catalog's (built under the session lock).
SQLRETURN OpenCatalog(Stmt& stmt, const std::function<Result(DriverSession&)>& build);
// Fetches a row into the bound columns: the next one, or for a static cursor
// the one the orientation and offset name.
SQLRETURN FetchRow(Stmt& stmt, SQLSMALLINT orientation = SQL_FETCH_NEXT, SQLLEN offset = 0);
// Starts every column of the current row afresh for SQLGetData.
void ResetPositions(Stmt& stmt);
// Drops the results and the rest of the batch.
void CloseResults(Stmt& stmt);
// Runs the statements of the batch that the application did not walk to (a
// server runs the whole batch whether or not its results are read), then
// closes the results. An error stops the rest silently.
void FinishBatch(Stmt& stmt);
// Raises 24000 when results are open (a new execution must close them first).
void RequireNoOpenCursor(Stmt& stmt);
// The current result's columns; raises HY010 before execution and 07005 for a
// statement without columns when describing is asked.
const std::vector<ColumnInfo>& ResultColumns(Stmt& stmt);

}  // namespace orva::odbcengine
