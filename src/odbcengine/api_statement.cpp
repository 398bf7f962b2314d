// ODBC entry points for statements: executing batches, describing and reading
// results, statement attributes and cancelling.

#include <cstring>

#include "handles.h"
#include "sql_text.h"
#include "statement_state.h"
#include "type_map.h"

using namespace orva::odbcengine;

namespace {

const ColumnInfo& ColumnAt(Stmt& stmt, SQLUSMALLINT number) {
  const auto& columns = ResultColumns(stmt);
  if (number < 1 || number > columns.size()) throw Fail("07009", "Invalid descriptor index.");
  return columns[number - 1];
}

SQLLEN DisplaySize(const ColumnInfo& c) {
  switch (c.type) {
    case SQL_DECIMAL: case SQL_NUMERIC: return static_cast<SQLLEN>(c.size) + 2;
    case SQL_BIT: return 1;
    case SQL_TINYINT: return 3;
    case SQL_SMALLINT: return 6;
    case SQL_INTEGER: return 11;
    case SQL_BIGINT: return 20;
    case SQL_REAL: return 14;
    case SQL_FLOAT: case SQL_DOUBLE: return 24;
    case SQL_TYPE_DATE: return 10;
    case SQL_TYPE_TIME: return 8;
    case SQL_TYPE_TIMESTAMP: return 19;
    case SQL_BINARY: case SQL_VARBINARY: return static_cast<SQLLEN>(c.size) * 2;
    default: return static_cast<SQLLEN>(c.size);
  }
}

SQLRETURN ColAttribute(Stmt& stmt, SQLUSMALLINT number, SQLUSMALLINT field, SQLPOINTER text, SQLSMALLINT textMax,
                       SQLSMALLINT* textLength, SQLLEN* numeric) {
  if (field == SQL_DESC_COUNT || field == SQL_COLUMN_COUNT) {
    if (numeric) *numeric = static_cast<SQLLEN>(ResultColumns(stmt).size());
    return SQL_SUCCESS;
  }
  const ColumnInfo& c = ColumnAt(stmt, number);
  const int version = stmt.dbc->OdbcVersion();
  const bool isDate = c.type == SQL_TYPE_DATE || c.type == SQL_TYPE_TIME || c.type == SQL_TYPE_TIMESTAMP;
  const bool isNumber = !IsCharacterType(c.type) && !IsBinaryType(c.type) && !isDate;
  auto put = [&](const std::string& s) { return PutText(stmt, s, text, textMax, textLength); };
  auto num = [&](SQLLEN v) {
    if (numeric) *numeric = v;
    return SQL_SUCCESS;
  };
  switch (field) {
    case SQL_COLUMN_NAME:
    case SQL_DESC_NAME:
    case SQL_DESC_LABEL: return put(c.name);
    case SQL_DESC_BASE_COLUMN_NAME: return put(c.baseColumn.empty() ? c.name : c.baseColumn);
    case SQL_DESC_TYPE_NAME:
    case SQL_DESC_LOCAL_TYPE_NAME: return put(c.typeName);
    case SQL_DESC_TABLE_NAME:
    case SQL_DESC_BASE_TABLE_NAME: return put(c.table);
    case SQL_DESC_CATALOG_NAME: return put(c.table.empty() ? "" : ConnectedSession(*stmt.dbc).CurrentCatalog());
    case SQL_DESC_SCHEMA_NAME: return put(c.table.empty() ? "" : "dbo");
    case SQL_DESC_LITERAL_PREFIX: return put(IsCharacterType(c.type) || isDate ? "'" : IsBinaryType(c.type) ? "0x" : "");
    case SQL_DESC_LITERAL_SUFFIX: return put(IsCharacterType(c.type) || isDate ? "'" : "");
    case SQL_DESC_CONCISE_TYPE: return num(ReportedType(c.type, version));
    case SQL_DESC_TYPE: return num(isDate && version != SQL_OV_ODBC2 ? SQL_DATETIME : ReportedType(c.type, version));
    case SQL_COLUMN_LENGTH:
    case SQL_DESC_OCTET_LENGTH: return num(c.octetLength);
    case SQL_DESC_LENGTH:
    case SQL_COLUMN_PRECISION:
    case SQL_DESC_PRECISION: return num(static_cast<SQLLEN>(c.size));
    case SQL_COLUMN_SCALE:
    case SQL_DESC_SCALE: return num(c.scale);
    case SQL_COLUMN_NULLABLE:
    case SQL_DESC_NULLABLE: return num(c.nullable);
    case SQL_DESC_DISPLAY_SIZE: return num(DisplaySize(c));
    case SQL_DESC_UNSIGNED: return num(!isNumber || c.isUnsigned ? SQL_TRUE : SQL_FALSE);
    case SQL_DESC_UPDATABLE: return num(SQL_ATTR_READWRITE_UNKNOWN);
    case SQL_DESC_AUTO_UNIQUE_VALUE:
    case SQL_DESC_FIXED_PREC_SCALE: return num(SQL_FALSE);
    case SQL_DESC_CASE_SENSITIVE: return num(IsCharacterType(c.type) ? SQL_TRUE : SQL_FALSE);
    case SQL_DESC_SEARCHABLE: return num(SQL_PRED_SEARCHABLE);
    case SQL_DESC_NUM_PREC_RADIX: return num(c.radix);
    case SQL_DESC_UNNAMED: return num(c.name.empty() ? SQL_UNNAMED : SQL_NAMED);
    default: throw Fail("HY091", "Invalid descriptor field identifier.");
  }
}

SQLRETURN DescribeCol(Stmt& stmt, SQLUSMALLINT number, SQLCHAR* name, SQLSMALLINT nameMax, SQLSMALLINT* nameLength,
                      SQLSMALLINT* type, SQLULEN* size, SQLSMALLINT* digits, SQLSMALLINT* nullable) {
  const auto& columns = ResultColumns(stmt);
  if (columns.empty()) throw Fail("07005", "Prepared statement returns no result columns.");
  const ColumnInfo& c = ColumnAt(stmt, number);
  if (type) *type = ReportedType(c.type, stmt.dbc->OdbcVersion());
  if (size) *size = c.size;
  if (digits) *digits = c.scale;
  if (nullable) *nullable = c.nullable;
  return PutText(stmt, c.name, name, nameMax, nameLength);
}

SQLRETURN GetData(Stmt& stmt, SQLUSMALLINT number, SQLSMALLINT cType, SQLPOINTER target, SQLLEN length,
                  SQLLEN* indicator) {
  if (!stmt.executed || stmt.result.columns.empty() || !stmt.onRow) throw Fail("24000", "Invalid cursor state.");
  const ColumnInfo& c = ColumnAt(stmt, number);
  if (!IsKnownCType(cType)) throw Fail("HY003", "Program type out of range.");
  CheckBufferLength(length);
  if (!target) throw Fail("HY009", "Invalid use of null pointer.");
  // Reading another column starts that column afresh.
  if (number != stmt.lastGetDataColumn) {
    ReadPosition& p = stmt.positions[number - 1];
    p.offset = 0;
    p.done = false;
    p.converted = false;
  }
  stmt.lastGetDataColumn = number;
  std::vector<Diagnostic> infos;
  const SQLRETURN rc = DeliverValue(stmt.row[number - 1], c, cType, target, length, indicator,
                                    stmt.positions[number - 1], stmt.dbc->options.noTotal, infos);
  for (auto& d : infos) stmt.Add(std::move(d));
  return rc;
}

SQLRETURN BindParameter(Stmt& stmt, SQLUSMALLINT number, SQLSMALLINT direction, SQLSMALLINT cType,
                        SQLSMALLINT sqlType, SQLULEN size, SQLSMALLINT digits, SQLPOINTER value, SQLLEN bufferLength,
                        SQLLEN* indicator) {
  if (number < 1) throw Fail("07009", "Invalid descriptor index.");
  if (direction != SQL_PARAM_INPUT) throw Fail("HYC00", "Optional feature not implemented: output parameters.");
  if (cType != SQL_C_WCHAR && (!IsKnownCType(cType) || cType == SQL_C_DEFAULT))
    throw Fail("HY003", "Program type out of range.");
  CheckBufferLength(bufferLength);
  if (!value && !indicator) throw Fail("HY009", "Invalid use of null pointer.");
  if (stmt.params.size() < number) stmt.params.resize(number);
  stmt.params[number - 1] = ParamBinding{cType, sqlType, size, digits, value, bufferLength, indicator, true};
  return SQL_SUCCESS;
}

SQLRETURN BindCol(Stmt& stmt, SQLUSMALLINT number, SQLSMALLINT cType, SQLPOINTER target, SQLLEN length,
                  SQLLEN* indicator) {
  if (number < 1) throw Fail("07009", "Invalid descriptor index.");
  if (!target) {
    if (number <= stmt.bindings.size()) stmt.bindings[number - 1] = Binding{};
    return SQL_SUCCESS;
  }
  if (!IsKnownCType(cType)) throw Fail("HY003", "Program type out of range.");
  CheckBufferLength(length);
  if (stmt.bindings.size() < number) stmt.bindings.resize(number);
  stmt.bindings[number - 1] = Binding{cType, target, length, indicator};
  return SQL_SUCCESS;
}

// Statement attributes; values the driver cannot honour are replaced by the
// nearest it can, with 01S02.
SQLRETURN SetStmtAttr(Stmt& stmt, SQLINTEGER attribute, SQLPOINTER value) {
  const auto v = static_cast<SQLULEN>(reinterpret_cast<SQLLEN>(value));
  auto changed = [&] {
    stmt.Add({"01S02", 0, std::string(MessagePrefix()) + "Option value changed."});
    return SQL_SUCCESS_WITH_INFO;
  };
  switch (attribute) {
    case SQL_ATTR_QUERY_TIMEOUT: stmt.queryTimeout = v; return SQL_SUCCESS;
    case SQL_ATTR_MAX_ROWS: stmt.maxRows = v; return SQL_SUCCESS;
    case SQL_ATTR_NOSCAN: stmt.noScan = v; return SQL_SUCCESS;
    case SQL_ATTR_ROWS_FETCHED_PTR: stmt.rowsFetchedPtr = static_cast<SQLULEN*>(value); return SQL_SUCCESS;
    case SQL_ATTR_ROW_STATUS_PTR: stmt.rowStatusPtr = static_cast<SQLUSMALLINT*>(value); return SQL_SUCCESS;
    case SQL_ATTR_ROW_BIND_OFFSET_PTR: stmt.bindOffsetPtr = static_cast<SQLLEN*>(value); return SQL_SUCCESS;
    case SQL_ATTR_ROW_BIND_TYPE:
    case SQL_ATTR_PARAM_BIND_TYPE:
    case SQL_ATTR_PARAM_BIND_OFFSET_PTR: stmt.paramBindOffsetPtr = static_cast<SQLLEN*>(value); return SQL_SUCCESS;
    case SQL_ATTR_PARAMS_PROCESSED_PTR:
    case SQL_ATTR_PARAM_STATUS_PTR:
    case SQL_ATTR_PARAM_OPERATION_PTR:
    case SQL_ATTR_ROW_OPERATION_PTR:
      return SQL_SUCCESS;
    case SQL_ATTR_ROW_ARRAY_SIZE:
    case SQL_ROWSET_SIZE:
    case SQL_ATTR_PARAMSET_SIZE:
      return v == 1 ? SQL_SUCCESS : changed();
    case SQL_ATTR_MAX_LENGTH:
    case SQL_ATTR_KEYSET_SIZE:
      return v == 0 ? SQL_SUCCESS : changed();
    case SQL_ATTR_CURSOR_TYPE:
      // Keyset and dynamic cursors become static ones.
      stmt.cursorType = v == SQL_CURSOR_FORWARD_ONLY ? SQL_CURSOR_FORWARD_ONLY : SQL_CURSOR_STATIC;
      return v == SQL_CURSOR_FORWARD_ONLY || v == SQL_CURSOR_STATIC ? SQL_SUCCESS : changed();
    case SQL_ATTR_CURSOR_SCROLLABLE:
      stmt.cursorType = v == SQL_NONSCROLLABLE ? SQL_CURSOR_FORWARD_ONLY : SQL_CURSOR_STATIC;
      return SQL_SUCCESS;
    case SQL_ATTR_CONCURRENCY: return v == SQL_CONCUR_READ_ONLY ? SQL_SUCCESS : changed();
    case SQL_ATTR_RETRIEVE_DATA: return v == SQL_RD_ON ? SQL_SUCCESS : changed();
    case SQL_ATTR_SIMULATE_CURSOR: return v == SQL_SC_NON_UNIQUE ? SQL_SUCCESS : changed();
    case SQL_ATTR_CURSOR_SENSITIVITY: return v == SQL_UNSPECIFIED || v == SQL_INSENSITIVE ? SQL_SUCCESS : changed();
    case SQL_ATTR_ASYNC_ENABLE:
    case SQL_ATTR_USE_BOOKMARKS:
    case SQL_ATTR_METADATA_ID:
    case SQL_ATTR_ENABLE_AUTO_IPD:
      if (v != 0) throw Fail("HYC00", "Optional feature not implemented.");
      return SQL_SUCCESS;
    default: throw Fail("HY092", "Invalid attribute/option identifier.");
  }
}

SQLRETURN GetStmtAttr(Stmt& stmt, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER* length) {
  if (!value) throw Fail("HY009", "Invalid use of null pointer.");
  auto put = [&](auto v) {
    std::memcpy(value, &v, sizeof v);
    if (length) *length = sizeof v;
    return SQL_SUCCESS;
  };
  switch (attribute) {
    case SQL_ATTR_QUERY_TIMEOUT: return put(stmt.queryTimeout);
    case SQL_ATTR_MAX_ROWS: return put(stmt.maxRows);
    case SQL_ATTR_NOSCAN: return put(stmt.noScan);
    case SQL_ATTR_ROWS_FETCHED_PTR: return put(stmt.rowsFetchedPtr);
    case SQL_ATTR_ROW_STATUS_PTR: return put(stmt.rowStatusPtr);
    case SQL_ATTR_ROW_BIND_OFFSET_PTR: return put(stmt.bindOffsetPtr);
    case SQL_ATTR_PARAM_BIND_OFFSET_PTR: return put(stmt.paramBindOffsetPtr);
    case SQL_ATTR_ROW_ARRAY_SIZE:
    case SQL_ROWSET_SIZE:
    case SQL_ATTR_PARAMSET_SIZE: return put(SQLULEN{1});
    case SQL_ATTR_ROW_BIND_TYPE:
    case SQL_ATTR_PARAM_BIND_TYPE: return put(SQLULEN{SQL_BIND_BY_COLUMN});
    case SQL_ATTR_MAX_LENGTH:
    case SQL_ATTR_KEYSET_SIZE:
    case SQL_ATTR_ASYNC_ENABLE:
    case SQL_ATTR_USE_BOOKMARKS:
    case SQL_ATTR_METADATA_ID:
    case SQL_ATTR_ENABLE_AUTO_IPD: return put(SQLULEN{0});
    case SQL_ATTR_CURSOR_SCROLLABLE:
      return put(static_cast<SQLULEN>(stmt.cursorType == SQL_CURSOR_STATIC ? SQL_SCROLLABLE : SQL_NONSCROLLABLE));
    case SQL_ATTR_CURSOR_TYPE: return put(stmt.cursorType);
    case SQL_ATTR_CONCURRENCY: return put(SQLULEN{SQL_CONCUR_READ_ONLY});
    case SQL_ATTR_RETRIEVE_DATA: return put(SQLULEN{SQL_RD_ON});
    case SQL_ATTR_SIMULATE_CURSOR: return put(SQLULEN{SQL_SC_NON_UNIQUE});
    case SQL_ATTR_CURSOR_SENSITIVITY: return put(SQLULEN{SQL_INSENSITIVE});
    case SQL_ATTR_ROW_NUMBER:
      return put(static_cast<SQLULEN>(!stmt.onRow ? 0 : stmt.cached ? stmt.position : stmt.rowsReturned));
    default: throw Fail("HY092", "Invalid attribute/option identifier.");
  }
}

SQLRETURN FreeStmt(Stmt& stmt, SQLUSMALLINT option) {
  switch (option) {
    case SQL_CLOSE: FinishBatch(stmt); return SQL_SUCCESS;
    case SQL_UNBIND: stmt.bindings.clear(); return SQL_SUCCESS;
    case SQL_RESET_PARAMS: stmt.params.clear(); return SQL_SUCCESS;
    default: throw Fail("HY092", "Invalid attribute/option identifier.");
  }
}

}  // namespace

ORVA_DRIVER_API SQLRETURN SQLExecDirect(SQLHSTMT h, SQLCHAR* text, SQLINTEGER length) {
  return StmtCall(h, SQL_API_SQLEXECDIRECT, [&](Stmt& stmt) {
    auto sql = InputText(text, length);
    if (!sql) throw Fail("HY009", "Invalid use of null pointer.");
    return ExecuteBatch(stmt, *sql);
  });
}

ORVA_DRIVER_API SQLRETURN SQLPrepare(SQLHSTMT h, SQLCHAR* text, SQLINTEGER length) {
  return StmtCall(h, SQL_API_SQLPREPARE, [&](Stmt& stmt) {
    auto sql = InputText(text, length);
    if (!sql) throw Fail("HY009", "Invalid use of null pointer.");
    RequireNoOpenCursor(stmt);
    stmt.preparedText = *sql;
    stmt.isPrepared = true;
    return SQL_SUCCESS;
  });
}

ORVA_DRIVER_API SQLRETURN SQLExecute(SQLHSTMT h) {
  return StmtCall(h, SQL_API_SQLEXECUTE, [&](Stmt& stmt) {
    if (!stmt.isPrepared) throw Fail("HY010", "Function sequence error.");
    return ExecuteBatch(stmt, stmt.preparedText);
  });
}

ORVA_DRIVER_API SQLRETURN SQLBindParameter(SQLHSTMT h, SQLUSMALLINT number, SQLSMALLINT direction,
                                           SQLSMALLINT cType, SQLSMALLINT sqlType, SQLULEN size, SQLSMALLINT digits,
                                           SQLPOINTER value, SQLLEN bufferLength, SQLLEN* indicator) {
  return StmtCall(h, SQL_API_SQLBINDPARAMETER, [&](Stmt& stmt) {
    return BindParameter(stmt, number, direction, cType, sqlType, size, digits, value, bufferLength, indicator);
  });
}

// The markers of the prepared text: question marks outside quotes and comments.
ORVA_DRIVER_API SQLRETURN SQLNumParams(SQLHSTMT h, SQLSMALLINT* count) {
  return StmtCall(h, SQL_API_SQLNUMPARAMS, [&](Stmt& stmt) {
    if (!stmt.isPrepared) throw Fail("HY010", "Function sequence error.");
    SQLSMALLINT n = 0;
    for (const Token& t : Tokenize(stmt.preparedText))
      if (t.kind == TokenKind::Punct && t.text == "?") ++n;
    if (count) *count = n;
    return SQL_SUCCESS;
  });
}

ORVA_DRIVER_API SQLRETURN SQLNumResultCols(SQLHSTMT h, SQLSMALLINT* count) {
  return StmtCall(h, SQL_API_SQLNUMRESULTCOLS, [&](Stmt& stmt) {
    const auto& columns = ResultColumns(stmt);
    if (!count) throw Fail("HY009", "Invalid use of null pointer.");
    *count = static_cast<SQLSMALLINT>(columns.size());
    return SQL_SUCCESS;
  });
}

ORVA_DRIVER_API SQLRETURN SQLDescribeCol(SQLHSTMT h, SQLUSMALLINT number, SQLCHAR* name, SQLSMALLINT nameMax,
                                         SQLSMALLINT* nameLength, SQLSMALLINT* type, SQLULEN* size,
                                         SQLSMALLINT* digits, SQLSMALLINT* nullable) {
  return StmtCall(h, SQL_API_SQLDESCRIBECOL, [&](Stmt& stmt) {
    return DescribeCol(stmt, number, name, nameMax, nameLength, type, size, digits, nullable);
  });
}

ORVA_DRIVER_API SQLRETURN SQLColAttribute(SQLHSTMT h, SQLUSMALLINT number, SQLUSMALLINT field, SQLPOINTER text,
                                          SQLSMALLINT textMax, SQLSMALLINT* textLength, SQLLEN* numeric) {
  return StmtCall(h, SQL_API_SQLCOLATTRIBUTE,
                  [&](Stmt& stmt) { return ColAttribute(stmt, number, field, text, textMax, textLength, numeric); });
}

ORVA_DRIVER_API SQLRETURN SQLColAttributes(SQLHSTMT h, SQLUSMALLINT number, SQLUSMALLINT field, SQLPOINTER text,
                                           SQLSMALLINT textMax, SQLSMALLINT* textLength, SQLLEN* numeric) {
  return StmtCall(h, SQL_API_SQLCOLATTRIBUTES,
                  [&](Stmt& stmt) { return ColAttribute(stmt, number, field, text, textMax, textLength, numeric); });
}

ORVA_DRIVER_API SQLRETURN SQLBindCol(SQLHSTMT h, SQLUSMALLINT number, SQLSMALLINT cType, SQLPOINTER target,
                                     SQLLEN length, SQLLEN* indicator) {
  return StmtCall(h, SQL_API_SQLBINDCOL,
                  [&](Stmt& stmt) { return BindCol(stmt, number, cType, target, length, indicator); });
}

ORVA_DRIVER_API SQLRETURN SQLFetch(SQLHSTMT h) {
  return StmtCall(h, SQL_API_SQLFETCH, [](Stmt& stmt) { return FetchRow(stmt); });
}

ORVA_DRIVER_API SQLRETURN SQLFetchScroll(SQLHSTMT h, SQLSMALLINT orientation, SQLLEN offset) {
  return StmtCall(h, SQL_API_SQLFETCHSCROLL, [&](Stmt& stmt) {
    return FetchRow(stmt, orientation, offset);
  });
}

ORVA_DRIVER_API SQLRETURN SQLGetData(SQLHSTMT h, SQLUSMALLINT number, SQLSMALLINT cType, SQLPOINTER target,
                                     SQLLEN length, SQLLEN* indicator) {
  return StmtCall(h, SQL_API_SQLGETDATA,
                  [&](Stmt& stmt) { return GetData(stmt, number, cType, target, length, indicator); });
}

ORVA_DRIVER_API SQLRETURN SQLRowCount(SQLHSTMT h, SQLLEN* count) {
  return StmtCall(h, SQL_API_SQLROWCOUNT, [&](Stmt& stmt) {
    if (!stmt.executed) throw Fail("HY010", "Function sequence error.");
    if (!count) throw Fail("HY009", "Invalid use of null pointer.");
    *count = stmt.result.rowCount;
    return SQL_SUCCESS;
  });
}

ORVA_DRIVER_API SQLRETURN SQLMoreResults(SQLHSTMT h) { return StmtCall(h, SQL_API_SQLMORERESULTS, NextResult); }

ORVA_DRIVER_API SQLRETURN SQLCloseCursor(SQLHSTMT h) {
  return StmtCall(h, SQL_API_SQLCLOSECURSOR, [&](Stmt& stmt) {
    if (!stmt.executed) throw Fail("24000", "Invalid cursor state.");
    FinishBatch(stmt);
    return SQL_SUCCESS;
  });
}

ORVA_DRIVER_API SQLRETURN SQLFreeStmt(SQLHSTMT h, SQLUSMALLINT option) {
  if (option == SQL_DROP) return SQLFreeHandle(SQL_HANDLE_STMT, h);
  return StmtCall(h, SQL_API_SQLFREESTMT, [&](Stmt& stmt) { return FreeStmt(stmt, option); });
}

// Called from another thread while a function runs on the statement, it
// stops that function; on an idle statement it closes the results, as the
// driver manager expects (it moves the statement back to its prepared or
// allocated state). It never clears the diagnostics a running call writes.
ORVA_DRIVER_API SQLRETURN SQLCancel(SQLHSTMT h) {
  // The statement is used only while the handle registry is locked: another
  // thread may free it as soon as its running call returns.
  SQLRETURN rc = SQL_SUCCESS;
  const bool live = WithLiveStatement(h, [&](Stmt& stmt) {
    std::unique_lock<std::mutex> idle(stmt.callLock, std::try_to_lock);
    if (stmt.dbc->IsHidden(SQL_API_SQLCANCEL)) {
      if (idle.owns_lock()) stmt.Clear();
      stmt.Add({"IM001", 0, std::string(MessagePrefix()) + "Driver does not support this function."});
      rc = SQL_ERROR;
      return;
    }
    if (idle.owns_lock()) {
      stmt.Clear();
      CloseResults(stmt);
    } else {
      stmt.run.Cancel();
    }
  });
  return live ? rc : SQL_INVALID_HANDLE;
}

ORVA_DRIVER_API SQLRETURN SQLSetStmtAttr(SQLHSTMT h, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER) {
  return StmtCall(h, SQL_API_SQLSETSTMTATTR, [&](Stmt& stmt) { return SetStmtAttr(stmt, attribute, value); });
}
ORVA_DRIVER_API SQLRETURN SQLGetStmtAttr(SQLHSTMT h, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER,
                                         SQLINTEGER* length) {
  return StmtCall(h, SQL_API_SQLGETSTMTATTR, [&](Stmt& stmt) { return GetStmtAttr(stmt, attribute, value, length); });
}
ORVA_DRIVER_API SQLRETURN SQLSetStmtOption(SQLHSTMT h, SQLUSMALLINT option, SQLULEN value) {
  return StmtCall(h, SQL_API_SQLSETSTMTOPTION,
                  [&](Stmt& stmt) { return SetStmtAttr(stmt, option, reinterpret_cast<SQLPOINTER>(value)); });
}
ORVA_DRIVER_API SQLRETURN SQLGetStmtOption(SQLHSTMT h, SQLUSMALLINT option, SQLPOINTER value) {
  return StmtCall(h, SQL_API_SQLGETSTMTOPTION, [&](Stmt& stmt) { return GetStmtAttr(stmt, option, value, nullptr); });
}
