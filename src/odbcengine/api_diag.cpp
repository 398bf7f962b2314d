// ODBC diagnostics: SQLGetDiagRec, SQLGetDiagField and the ODBC 2 SQLError.

#include <cstring>

#include "handles.h"

using namespace orva::odbcengine;

namespace {

Handle* FindAny(SQLSMALLINT type, SQLHANDLE handle) {
  switch (type) {
    case SQL_HANDLE_ENV: return FindHandle(handle, HandleKind::Env);
    case SQL_HANDLE_DBC: return FindHandle(handle, HandleKind::Dbc);
    case SQL_HANDLE_STMT: return FindHandle(handle, HandleKind::Stmt);
    default: return nullptr;
  }
}

// Copies text without recording a truncation on the handle (diagnostic
// functions post no diagnostics of their own).
SQLRETURN CopyText(const std::string& text, SQLCHAR* buffer, SQLSMALLINT max, SQLSMALLINT* length) {
  if (length) *length = static_cast<SQLSMALLINT>(text.size());
  if (!buffer || max <= 0) return text.empty() ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO;
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(max - 1));
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return n < text.size() ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

SQLRETURN PutRecord(const Diagnostic& d, SQLCHAR* state, SQLINTEGER* native, SQLCHAR* message, SQLSMALLINT max,
                    SQLSMALLINT* length) {
  if (state) {
    std::memset(state, 0, 6);
    std::memcpy(state, d.state.data(), std::min<std::size_t>(d.state.size(), 5));
  }
  if (native) *native = d.native;
  return CopyText(d.message, message, max, length);
}

bool IsOdbcState(const std::string& state) {
  return state.starts_with("IM") || state.starts_with("HY") || state.starts_with("01S") || state == "07009" ||
         state == "08S01" || state.starts_with("42S");
}

}  // namespace

ORVA_DRIVER_API SQLRETURN SQLGetDiagRec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLCHAR* state,
                                        SQLINTEGER* native, SQLCHAR* message, SQLSMALLINT max,
                                        SQLSMALLINT* length) {
  Handle* h = FindAny(type, handle);
  if (!h) return SQL_INVALID_HANDLE;
  if (record < 1 || max < 0) return SQL_ERROR;
  if (static_cast<std::size_t>(record) > h->diags.size()) return SQL_NO_DATA;
  return PutRecord(h->diags[static_cast<std::size_t>(record) - 1], state, native, message, max, length);
}

ORVA_DRIVER_API SQLRETURN SQLGetDiagField(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLSMALLINT id,
                                          SQLPOINTER info, SQLSMALLINT max, SQLSMALLINT* length) {
  Handle* h = FindAny(type, handle);
  if (!h) return SQL_INVALID_HANDLE;
  auto put = [&](auto v) {
    if (info) std::memcpy(info, &v, sizeof v);
    return SQL_SUCCESS;
  };
  auto text = [&](const std::string& s) {
    if (max < 0) return static_cast<SQLRETURN>(SQL_ERROR);
    return CopyText(s, static_cast<SQLCHAR*>(info), max, length);
  };
  if (record == 0) {
    auto* stmt = type == SQL_HANDLE_STMT ? static_cast<Stmt*>(h) : nullptr;
    switch (id) {
      case SQL_DIAG_NUMBER: return put(static_cast<SQLINTEGER>(h->diags.size()));
      case SQL_DIAG_RETURNCODE: return put(h->lastReturn);
      case SQL_DIAG_ROW_COUNT:
        if (!stmt) return SQL_ERROR;
        return put(stmt->result.rowCount);
      case SQL_DIAG_CURSOR_ROW_COUNT:
        if (!stmt) return SQL_ERROR;
        return put(SQLLEN{-1});
      case SQL_DIAG_DYNAMIC_FUNCTION:
        if (!stmt) return SQL_ERROR;
        return text("");
      case SQL_DIAG_DYNAMIC_FUNCTION_CODE:
        if (!stmt) return SQL_ERROR;
        return put(SQLINTEGER{SQL_DIAG_UNKNOWN_STATEMENT});
      default: return SQL_ERROR;
    }
  }
  if (record < 0) return SQL_ERROR;
  if (static_cast<std::size_t>(record) > h->diags.size()) return SQL_NO_DATA;
  const Diagnostic& d = h->diags[static_cast<std::size_t>(record) - 1];
  switch (id) {
    case SQL_DIAG_SQLSTATE: return text(d.state);
    case SQL_DIAG_NATIVE: return put(d.native);
    case SQL_DIAG_MESSAGE_TEXT: return text(d.message);
    case SQL_DIAG_CLASS_ORIGIN: return text(d.state.starts_with("IM") ? "ODBC 3.0" : "ISO 9075");
    case SQL_DIAG_SUBCLASS_ORIGIN: return text(IsOdbcState(d.state) ? "ODBC 3.0" : "ISO 9075");
    case SQL_DIAG_CONNECTION_NAME:
    case SQL_DIAG_SERVER_NAME: return text("");
    case SQL_DIAG_COLUMN_NUMBER: return put(SQLINTEGER{SQL_COLUMN_NUMBER_UNKNOWN});
    case SQL_DIAG_ROW_NUMBER: return put(SQLLEN{SQL_ROW_NUMBER_UNKNOWN});
    default: return SQL_ERROR;
  }
}

// Each call returns the next record of the most specific handle given and
// consumes it.
ORVA_DRIVER_API SQLRETURN SQLError(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt, SQLCHAR* state, SQLINTEGER* native,
                                   SQLCHAR* message, SQLSMALLINT max, SQLSMALLINT* length) {
  Handle* h = stmt ? FindHandle(stmt, HandleKind::Stmt)
              : dbc ? FindHandle(dbc, HandleKind::Dbc)
                    : FindHandle(env, HandleKind::Env);
  if (!h) return SQL_INVALID_HANDLE;
  if (h->errorNext >= h->diags.size()) return SQL_NO_DATA;
  return PutRecord(h->diags[h->errorNext++], state, native, message, max, length);
}
