// ODBC entry points for environments and connections: allocation, attributes,
// connecting, SQLGetInfo, SQLGetFunctions and transactions.

#include <sys/stat.h>

#include <cstring>

#include "connect_string.h"
#include "handles.h"
#include "info.h"
#include "sql_text.h"
#include "statement_state.h"

using namespace orva::odbcengine;

namespace {

SQLRETURN AllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
  if (type == SQL_HANDLE_ENV) {
    if (!output) return SQL_ERROR;
    *output = SQL_NULL_HANDLE;
    Env* env = new (std::nothrow) Env;
    if (!env) return SQL_ERROR;
    RegisterHandle(env);
    *output = env;
    return SQL_SUCCESS;
  }
  if (type == SQL_HANDLE_DBC) {
    return Guarded<Env>(input, [&](Env& env) -> SQLRETURN {
      if (!output) throw Fail("HY009", "Invalid use of null pointer.");
      *output = SQL_NULL_HANDLE;
      Dbc* dbc = new Dbc(&env);
      {
        std::lock_guard<std::mutex> guard(env.connectionsLock);
        env.connections.insert(dbc);
      }
      RegisterHandle(dbc);
      *output = dbc;
      return SQL_SUCCESS;
    });
  }
  if (type == SQL_HANDLE_STMT) {
    return Guarded<Dbc>(input, [&](Dbc& dbc) -> SQLRETURN {
      if (!output) throw Fail("HY009", "Invalid use of null pointer.");
      *output = SQL_NULL_HANDLE;
      ConnectedSession(dbc);
      Stmt* stmt = new Stmt(&dbc);
      stmt->queryTimeout = dbc.defaultQueryTimeout;
      stmt->maxRows = dbc.defaultMaxRows;
      {
        std::lock_guard<std::mutex> guard(dbc.statementsLock);
        dbc.statements.insert(stmt);
      }
      RegisterHandle(stmt);
      *output = stmt;
      return SQL_SUCCESS;
    });
  }
  // Descriptors are not offered; anything else is not a handle type.
  const char* state = type == SQL_HANDLE_DESC ? "HYC00" : "HY092";
  const char* text = type == SQL_HANDLE_DESC ? "Optional feature not implemented." : "Invalid attribute/option identifier.";
  if (Find<Dbc>(input)) return Guarded<Dbc>(input, [&](Dbc&) -> SQLRETURN { throw Fail(state, text); });
  if (Find<Env>(input)) return Guarded<Env>(input, [&](Env&) -> SQLRETURN { throw Fail(state, text); });
  return SQL_INVALID_HANDLE;
}

void DestroyStatement(Stmt* stmt) {
  UnregisterHandle(stmt);
  delete stmt;
}

SQLRETURN FreeStatement(SQLHANDLE handle) {
  Stmt* stmt = Find<Stmt>(handle);
  if (!stmt) return SQL_INVALID_HANDLE;
  {
    std::lock_guard<std::mutex> guard(stmt->callLock);
    FinishBatch(*stmt);
  }
  {
    std::lock_guard<std::mutex> guard(stmt->dbc->statementsLock);
    stmt->dbc->statements.erase(stmt);
  }
  DestroyStatement(stmt);
  return SQL_SUCCESS;
}

SQLRETURN FreeHandle(SQLSMALLINT type, SQLHANDLE handle) {
  switch (type) {
    case SQL_HANDLE_ENV: {
      Env* env = Find<Env>(handle);
      if (!env) return SQL_INVALID_HANDLE;
      env->Clear();
      std::unique_lock<std::mutex> guard(env->connectionsLock);
      if (!env->connections.empty()) {
        env->Add({"HY010", 0, std::string(MessagePrefix()) + "Function sequence error: connections remain."});
        return SQL_ERROR;
      }
      guard.unlock();
      UnregisterHandle(env);
      delete env;
      return SQL_SUCCESS;
    }
    case SQL_HANDLE_DBC: {
      Dbc* dbc = Find<Dbc>(handle);
      if (!dbc) return SQL_INVALID_HANDLE;
      dbc->Clear();
      if (dbc->session) {
        dbc->Add({"HY010", 0, std::string(MessagePrefix()) + "Function sequence error: still connected."});
        return SQL_ERROR;
      }
      {
        std::lock_guard<std::mutex> guard(dbc->env->connectionsLock);
        dbc->env->connections.erase(dbc);
      }
      UnregisterHandle(dbc);
      delete dbc;
      return SQL_SUCCESS;
    }
    case SQL_HANDLE_STMT:
      return FreeStatement(handle);
    default:
      return SQL_INVALID_HANDLE;
  }
}

// Connects through the driver; a connection that is already open refuses.
SQLRETURN Connect(Dbc& dbc, std::map<std::string, std::string> pairs) {
  if (dbc.session) throw Fail("08002", "Connection name in use.");
  dbc.session = ThisDriver().Connect(dbc, std::move(pairs));
  // The driver may have noted what it could not use (warnings).
  return dbc.diags.empty() ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO;
}

SQLRETURN Disconnect(Dbc& dbc) {
  if (!dbc.session) throw Fail("08003", "Connection not open.");
  std::set<Stmt*> statements;
  {
    std::lock_guard<std::mutex> guard(dbc.statementsLock);
    // A statement whose call still runs on another thread is not freed under it.
    std::vector<std::unique_lock<std::mutex>> idle;
    for (Stmt* stmt : dbc.statements) {
      idle.emplace_back(stmt->callLock, std::try_to_lock);
      if (!idle.back().owns_lock()) throw Fail("HY010", "Function sequence error: a statement is still executing.");
    }
    idle.clear();
    statements.swap(dbc.statements);
  }
  for (Stmt* stmt : statements) DestroyStatement(stmt);
  // Work never committed is undone, not kept.
  try {
    dbc.session->EndTransaction(false);
  } catch (const DriverError&) {
  }
  dbc.session.reset();
  return SQL_SUCCESS;
}

SQLRETURN SetEnvAttr(Env& env, SQLINTEGER attribute, SQLPOINTER value) {
  const auto v = static_cast<SQLINTEGER>(reinterpret_cast<SQLLEN>(value));
  switch (attribute) {
    case SQL_ATTR_ODBC_VERSION:
      if (v != SQL_OV_ODBC2 && v != SQL_OV_ODBC3 && v != SQL_OV_ODBC3_80)
        throw Fail("HY024", "Invalid attribute value.");
      {
        std::lock_guard<std::mutex> guard(env.connectionsLock);
        if (!env.connections.empty()) throw Fail("HY010", "Function sequence error: connections exist.");
      }
      env.odbcVersion = v == SQL_OV_ODBC2 ? SQL_OV_ODBC2 : SQL_OV_ODBC3;
      return SQL_SUCCESS;
    case SQL_ATTR_OUTPUT_NTS:
      if (v != SQL_TRUE) throw Fail("HYC00", "Optional feature not implemented.");
      return SQL_SUCCESS;
    case SQL_ATTR_CONNECTION_POOLING:
    case SQL_ATTR_CP_MATCH:
      return SQL_SUCCESS;
    default:
      throw Fail("HY092", "Invalid attribute/option identifier.");
  }
}

SQLRETURN GetEnvAttr(Env& env, SQLINTEGER attribute, SQLPOINTER value) {
  SQLUINTEGER out;
  switch (attribute) {
    case SQL_ATTR_ODBC_VERSION: out = static_cast<SQLUINTEGER>(env.odbcVersion); break;
    case SQL_ATTR_OUTPUT_NTS: out = SQL_TRUE; break;
    case SQL_ATTR_CONNECTION_POOLING: out = SQL_CP_OFF; break;
    case SQL_ATTR_CP_MATCH: out = SQL_CP_STRICT_MATCH; break;
    default: throw Fail("HY092", "Invalid attribute/option identifier.");
  }
  if (value) std::memcpy(value, &out, sizeof out);
  return SQL_SUCCESS;
}

SQLRETURN SetConnectAttr(Dbc& dbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
  const auto v = static_cast<SQLULEN>(reinterpret_cast<SQLLEN>(value));
  switch (attribute) {
    case SQL_ATTR_LOGIN_TIMEOUT: dbc.loginTimeout = static_cast<SQLUINTEGER>(v); return SQL_SUCCESS;
    case SQL_ATTR_AUTOCOMMIT:
      if (v != SQL_AUTOCOMMIT_ON && v != SQL_AUTOCOMMIT_OFF) throw Fail("HY024", "Invalid attribute value.");
      // Back to autocommit commits the open transaction.
      if (v == SQL_AUTOCOMMIT_ON && !dbc.autocommit && dbc.session) {
        std::lock_guard<std::mutex> guard(dbc.sessionLock);
        dbc.session->EndTransaction(true);
      }
      dbc.autocommit = v == SQL_AUTOCOMMIT_ON;
      return SQL_SUCCESS;
    case SQL_ATTR_CURRENT_CATALOG: {
      auto name = InputText(static_cast<const SQLCHAR*>(value), length);
      if (!name) throw Fail("HY009", "Invalid use of null pointer.");
      if (!dbc.session) {
        dbc.requestedCatalog = *name;
        return SQL_SUCCESS;
      }
      std::lock_guard<std::mutex> guard(dbc.sessionLock);
      dbc.session->UseCatalog(*name);
      return SQL_SUCCESS;
    }
    case SQL_QUERY_TIMEOUT: dbc.defaultQueryTimeout = v; return SQL_SUCCESS;
    case SQL_MAX_ROWS: dbc.defaultMaxRows = v; return SQL_SUCCESS;
    // Accepted and without effect on a local server.
    case SQL_ATTR_CONNECTION_TIMEOUT:
    case SQL_ATTR_ACCESS_MODE:
    case SQL_ATTR_TXN_ISOLATION:
    case SQL_ATTR_PACKET_SIZE:
    case SQL_ATTR_QUIET_MODE:
    case SQL_ATTR_ODBC_CURSORS:
    case SQL_ATTR_TRACE:
    case SQL_ATTR_TRACEFILE:
    case SQL_ATTR_TRANSLATE_LIB:
    case SQL_ATTR_TRANSLATE_OPTION:
    case SQL_NOSCAN:
    case SQL_MAX_LENGTH:
    case SQL_ASYNC_ENABLE:
    case SQL_BIND_TYPE:
    case SQL_CURSOR_TYPE:
    case SQL_CONCURRENCY:
    case SQL_KEYSET_SIZE:
    case SQL_ROWSET_SIZE:
    case SQL_SIMULATE_CURSOR:
    case SQL_RETRIEVE_DATA:
    case SQL_USE_BOOKMARKS:
      return SQL_SUCCESS;
    default:
      throw Fail("HY092", "Invalid attribute/option identifier.");
  }
}

SQLRETURN GetConnectAttr(Dbc& dbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length, SQLINTEGER* outLength) {
  SQLUINTEGER out;
  switch (attribute) {
    case SQL_ATTR_CURRENT_CATALOG: {
      const std::string name = dbc.session ? dbc.session->CurrentCatalog() : dbc.requestedCatalog;
      return PutText(dbc, name, value, length, outLength);
    }
    case SQL_ATTR_LOGIN_TIMEOUT: out = dbc.loginTimeout; break;
    case SQL_ATTR_AUTOCOMMIT: out = dbc.autocommit ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF; break;
    case SQL_ATTR_ACCESS_MODE: out = SQL_MODE_READ_WRITE; break;
    case SQL_ATTR_TXN_ISOLATION: out = SQL_TXN_SERIALIZABLE; break;
    case SQL_ATTR_CONNECTION_DEAD: out = dbc.session ? SQL_CD_FALSE : SQL_CD_TRUE; break;
    case SQL_ATTR_CONNECTION_TIMEOUT:
    case SQL_ATTR_PACKET_SIZE: out = 0; break;
    case SQL_QUERY_TIMEOUT: out = static_cast<SQLUINTEGER>(dbc.defaultQueryTimeout); break;
    case SQL_MAX_ROWS: out = static_cast<SQLUINTEGER>(dbc.defaultMaxRows); break;
    default: throw Fail("HY092", "Invalid attribute/option identifier.");
  }
  if (!value) throw Fail("HY009", "Invalid use of null pointer.");
  std::memcpy(value, &out, sizeof out);
  if (outLength) *outLength = sizeof out;
  return SQL_SUCCESS;
}

SQLRETURN GetInfo(Dbc& dbc, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT length, SQLSMALLINT* outLength) {
  if (!dbc.session && type != SQL_DRIVER_ODBC_VER && type != SQL_DRIVER_NAME && type != SQL_DRIVER_VER)
    throw Fail("08003", "Connection not open.");
  const InfoValue info = GetInfoValue(dbc, type);
  if (const auto* text = std::get_if<std::string>(&info)) return PutText(dbc, *text, value, length, outLength);
  if (const auto* u16 = std::get_if<SQLUSMALLINT>(&info)) {
    if (value) std::memcpy(value, u16, sizeof *u16);
    if (outLength) *outLength = sizeof *u16;
    return SQL_SUCCESS;
  }
  const SQLUINTEGER u32 = std::get<SQLUINTEGER>(info);
  if (value) std::memcpy(value, &u32, sizeof u32);
  if (outLength) *outLength = sizeof u32;
  return SQL_SUCCESS;
}

SQLRETURN GetFunctions(Dbc& dbc, SQLUSMALLINT id, SQLUSMALLINT* supported) {
  if (!supported) throw Fail("HY009", "Invalid use of null pointer.");
  auto has = [&](SQLUSMALLINT f) { return DriverImplements(f) && !dbc.IsHidden(f); };
  if (id == SQL_API_ODBC3_ALL_FUNCTIONS) {
    std::memset(supported, 0, sizeof(SQLUSMALLINT) * SQL_API_ODBC3_ALL_FUNCTIONS_SIZE);
    for (unsigned f = 1; f < SQL_API_ODBC3_ALL_FUNCTIONS_SIZE * 16; ++f)
      if (has(static_cast<SQLUSMALLINT>(f))) supported[f >> 4] |= static_cast<SQLUSMALLINT>(1u << (f & 15));
    return SQL_SUCCESS;
  }
  if (id == SQL_API_ALL_FUNCTIONS) {
    for (unsigned f = 0; f < 100; ++f) supported[f] = has(static_cast<SQLUSMALLINT>(f)) ? SQL_TRUE : SQL_FALSE;
    return SQL_SUCCESS;
  }
  if (id >= SQL_API_ODBC3_ALL_FUNCTIONS_SIZE * 16) throw Fail("HY095", "Function type out of range.");
  *supported = has(id) ? SQL_TRUE : SQL_FALSE;
  return SQL_SUCCESS;
}

// Ends the open transaction of a connection (in autocommit mode there is none).
void EndConnectionTransaction(Dbc& dbc, bool commit) {
  if (dbc.autocommit || !dbc.session) return;
  std::lock_guard<std::mutex> guard(dbc.sessionLock);
  dbc.session->EndTransaction(commit);
}

SQLRETURN EndTran(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion) {
  auto check = [&] {
    if (completion != SQL_COMMIT && completion != SQL_ROLLBACK) throw Fail("HY012", "Invalid transaction operation code.");
  };
  if (type == SQL_HANDLE_ENV)
    return Guarded<Env>(handle, [&](Env& env) {
      check();
      std::lock_guard<std::mutex> guard(env.connectionsLock);
      for (Dbc* dbc : env.connections) EndConnectionTransaction(*dbc, completion == SQL_COMMIT);
      return SQL_SUCCESS;
    });
  if (type == SQL_HANDLE_DBC)
    return Guarded<Dbc>(handle, [&](Dbc& dbc) {
      ConnectedSession(dbc);
      check();
      EndConnectionTransaction(dbc, completion == SQL_COMMIT);
      return SQL_SUCCESS;
    });
  return SQL_INVALID_HANDLE;
}

}  // namespace

ORVA_DRIVER_API SQLRETURN SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
  return AllocHandle(type, input, output);
}
ORVA_DRIVER_API SQLRETURN SQLAllocEnv(SQLHENV* env) { return AllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, env); }
ORVA_DRIVER_API SQLRETURN SQLAllocConnect(SQLHENV env, SQLHDBC* dbc) { return AllocHandle(SQL_HANDLE_DBC, env, dbc); }
ORVA_DRIVER_API SQLRETURN SQLAllocStmt(SQLHDBC dbc, SQLHSTMT* stmt) { return AllocHandle(SQL_HANDLE_STMT, dbc, stmt); }

ORVA_DRIVER_API SQLRETURN SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) { return FreeHandle(type, handle); }
ORVA_DRIVER_API SQLRETURN SQLFreeEnv(SQLHENV env) { return FreeHandle(SQL_HANDLE_ENV, env); }
ORVA_DRIVER_API SQLRETURN SQLFreeConnect(SQLHDBC dbc) { return FreeHandle(SQL_HANDLE_DBC, dbc); }

ORVA_DRIVER_API SQLRETURN SQLSetEnvAttr(SQLHENV env, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER) {
  return Guarded<Env>(env, [&](Env& e) { return SetEnvAttr(e, attribute, value); });
}
ORVA_DRIVER_API SQLRETURN SQLGetEnvAttr(SQLHENV env, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER,
                                        SQLINTEGER*) {
  return Guarded<Env>(env, [&](Env& e) { return GetEnvAttr(e, attribute, value); });
}

ORVA_DRIVER_API SQLRETURN SQLSetConnectAttr(SQLHDBC dbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
  return Guarded<Dbc>(dbc, [&](Dbc& d) { return SetConnectAttr(d, attribute, value, length); });
}
ORVA_DRIVER_API SQLRETURN SQLGetConnectAttr(SQLHDBC dbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length,
                                            SQLINTEGER* outLength) {
  return Guarded<Dbc>(dbc, [&](Dbc& d) { return GetConnectAttr(d, attribute, value, length, outLength); });
}
ORVA_DRIVER_API SQLRETURN SQLSetConnectOption(SQLHDBC dbc, SQLUSMALLINT option, SQLULEN value) {
  return Guarded<Dbc>(dbc, [&](Dbc& d) {
    return SetConnectAttr(d, option, reinterpret_cast<SQLPOINTER>(value), SQL_NTS);
  });
}
ORVA_DRIVER_API SQLRETURN SQLGetConnectOption(SQLHDBC dbc, SQLUSMALLINT option, SQLPOINTER value) {
  // ODBC 2 gives no buffer length: string options get the largest name.
  return Guarded<Dbc>(dbc, [&](Dbc& d) { return GetConnectAttr(d, option, value, SQL_MAX_OPTION_STRING_LENGTH, nullptr); });
}

ORVA_DRIVER_API SQLRETURN SQLDriverConnect(SQLHDBC dbc, SQLHWND, SQLCHAR* in, SQLSMALLINT inLength, SQLCHAR* out,
                                           SQLSMALLINT outMax, SQLSMALLINT* outLength, SQLUSMALLINT completion) {
  return Guarded<Dbc>(dbc, [&](Dbc& d) -> SQLRETURN {
    if (completion != SQL_DRIVER_NOPROMPT && completion != SQL_DRIVER_COMPLETE && completion != SQL_DRIVER_PROMPT &&
        completion != SQL_DRIVER_COMPLETE_REQUIRED)
      throw Fail("HY110", "Invalid driver completion.");
    CheckBufferLength(outMax);
    auto text = InputText(in, inLength);
    if (!text) throw Fail("HY009", "Invalid use of null pointer.");
    const SQLRETURN rc = Connect(d, ParseConnectionString(*text));
    // The completed string is the one given: every key the driver uses is in it or in the DSN.
    const SQLRETURN put = PutText(d, *text, out, outMax, outLength);
    return put == SQL_SUCCESS ? rc : put;
  });
}

ORVA_DRIVER_API SQLRETURN SQLConnect(SQLHDBC dbc, SQLCHAR* dsn, SQLSMALLINT dsnLength, SQLCHAR* user,
                                     SQLSMALLINT userLength, SQLCHAR*, SQLSMALLINT) {
  return Guarded<Dbc>(dbc, [&](Dbc& d) -> SQLRETURN {
    auto name = InputText(dsn, dsnLength);
    if (!name || name->empty()) throw Fail("IM002", "Data source name not found and no default driver specified.");
    std::map<std::string, std::string> pairs{{"DSN", *name}};
    if (auto uid = InputText(user, userLength)) pairs["UID"] = *uid;
    return Connect(d, std::move(pairs));
  });
}

ORVA_DRIVER_API SQLRETURN SQLDisconnect(SQLHDBC dbc) { return Guarded<Dbc>(dbc, Disconnect); }

ORVA_DRIVER_API SQLRETURN SQLGetInfo(SQLHDBC dbc, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT length,
                                     SQLSMALLINT* outLength) {
  return Guarded<Dbc>(dbc, [&](Dbc& d) { return GetInfo(d, type, value, length, outLength); });
}

ORVA_DRIVER_API SQLRETURN SQLGetFunctions(SQLHDBC dbc, SQLUSMALLINT id, SQLUSMALLINT* supported) {
  return Guarded<Dbc>(dbc, [&](Dbc& d) { return GetFunctions(d, id, supported); });
}

ORVA_DRIVER_API SQLRETURN SQLEndTran(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion) {
  return EndTran(type, handle, completion);
}
ORVA_DRIVER_API SQLRETURN SQLTransact(SQLHENV env, SQLHDBC dbc, SQLUSMALLINT completion) {
  if (dbc) return EndTran(SQL_HANDLE_DBC, dbc, static_cast<SQLSMALLINT>(completion));
  return EndTran(SQL_HANDLE_ENV, env, static_cast<SQLSMALLINT>(completion));
}
