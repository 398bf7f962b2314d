#pragma once
// The ODBC handles of the driver, the registry that tells a live handle from
// a stale or foreign pointer, and the wrapper every entry point runs in.

#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <type_traits>
#include <string>
#include <vector>

#include "driver.h"
#include "driver_types.h"
#include "session.h"
#include "value_convert.h"

// Marks the ODBC entry points, the only symbols the driver exports.
#define ORVA_DRIVER_API extern "C" __attribute__((visibility("default")))

namespace orva::odbcengine {

enum class HandleKind { Env = SQL_HANDLE_ENV, Dbc = SQL_HANDLE_DBC, Stmt = SQL_HANDLE_STMT };

struct Handle {
  explicit Handle(HandleKind k) : kind(k) {}
  virtual ~Handle() = default;
  HandleKind kind;
  std::vector<Diagnostic> diags;
  std::size_t errorNext = 0;  // next record SQLError returns
  SQLRETURN lastReturn = SQL_SUCCESS;
  void Clear() {
    diags.clear();
    errorNext = 0;
  }
  void Add(Diagnostic d) { diags.push_back(std::move(d)); }
};

struct Dbc;
struct Stmt;

struct Env : Handle {
  Env() : Handle(HandleKind::Env) {}
  int odbcVersion = SQL_OV_ODBC3;
  std::set<Dbc*> connections;
  std::mutex connectionsLock;  // connections are allocated on several threads
};

// What a connection string (or a DSN) asks of every driver.
struct ConnectOptions {
  std::string dsn;
  std::string user;
  bool noTotal = false;  // long data lengths reported as SQL_NO_TOTAL
  std::set<SQLUSMALLINT> hidden;  // functions reported as missing
};

struct Dbc : Handle {
  explicit Dbc(Env* e) : Handle(HandleKind::Dbc), env(e) {}
  Env* env;
  std::unique_ptr<DriverSession> session;  // present while connected
  ConnectOptions options;
  std::set<Stmt*> statements;
  std::mutex statementsLock;  // statements are allocated on several threads
  std::mutex sessionLock;     // one statement at a time runs on the session
  SQLUINTEGER loginTimeout = 0;
  SQLULEN defaultQueryTimeout = 0;
  SQLULEN defaultMaxRows = 0;
  std::string requestedCatalog;  // SQL_ATTR_CURRENT_CATALOG set before connecting
  // Off: statements run inside a transaction that SQLEndTran ends.
  bool autocommit = true;
  bool IsHidden(SQLUSMALLINT function) const {
    return options.hidden.count(function) != 0 || !ThisDriver().Implements(function);
  }
  int OdbcVersion() const { return env->odbcVersion; }
};

struct Binding {
  SQLSMALLINT cType = SQL_C_CHAR;
  SQLPOINTER target = nullptr;
  SQLLEN length = 0;
  SQLLEN* indicator = nullptr;
};

struct Stmt : Handle {
  explicit Stmt(Dbc* d) : Handle(HandleKind::Stmt), dbc(d) {}
  Dbc* dbc;
  std::string preparedText;
  bool isPrepared = false;
  // The batch being walked: its statements and the next one to run.
  std::vector<std::string> pending;
  std::size_t nextStatement = 0;
  bool executed = false;  // results are open (SQLCloseCursor closes them)
  Result result;
  std::vector<Value> row;
  bool onRow = false;
  // A static cursor reads its whole result on the first fetch and scrolls in it.
  SQLULEN cursorType = SQL_CURSOR_FORWARD_ONLY;
  std::vector<std::vector<Value>> cache;
  bool cached = false;
  std::size_t position = 0;  // 0: before the first row; cache.size() + 1: after the last
  SQLLEN rowsReturned = 0;
  std::vector<ReadPosition> positions;
  int lastGetDataColumn = 0;
  std::vector<Binding> bindings;  // index = column number - 1
  std::vector<ParamBinding> params;  // index = parameter number - 1
  RunControl run;
  std::mutex callLock;  // held while a function runs on the statement
  SQLULEN queryTimeout = 0;
  SQLULEN maxRows = 0;
  SQLULEN* rowsFetchedPtr = nullptr;
  SQLUSMALLINT* rowStatusPtr = nullptr;
  SQLLEN* bindOffsetPtr = nullptr;
  SQLLEN* paramBindOffsetPtr = nullptr;
  SQLULEN noScan = SQL_NOSCAN_OFF;
};

// Registry of live handles.
void RegisterHandle(Handle* h);
void UnregisterHandle(Handle* h);
Handle* FindHandle(SQLHANDLE h, HandleKind kind);

template <typename T>
T* Find(SQLHANDLE h);
template <>
inline Env* Find<Env>(SQLHANDLE h) { return static_cast<Env*>(FindHandle(h, HandleKind::Env)); }
template <>
inline Dbc* Find<Dbc>(SQLHANDLE h) { return static_cast<Dbc*>(FindHandle(h, HandleKind::Dbc)); }
template <>
inline Stmt* Find<Stmt>(SQLHANDLE h) { return static_cast<Stmt*>(FindHandle(h, HandleKind::Stmt)); }

// An error raised by the driver with its prefix.
DriverError Fail(const char* state, const std::string& text, SQLINTEGER native = 0);

// Turns the exception being handled into a diagnostic record on the handle.
void RecordCurrentException(Handle& handle);

// Records the outcome of body on the handle: DriverError and other
// exceptions become diagnostic records and SQL_ERROR. (A template, so that
// the calls that read every value pay for no function object.)
template <typename F>
SQLRETURN RunGuarded(Handle& handle, F&& body) {
  SQLRETURN rc;
  try {
    rc = body();
  } catch (...) {
    RecordCurrentException(handle);
    rc = SQL_ERROR;
  }
  handle.lastReturn = rc;
  return rc;
}

template <typename T, typename F>
SQLRETURN Guarded(SQLHANDLE h, F&& body) {
  T* object = Find<T>(h);
  if (!object) return SQL_INVALID_HANDLE;
  if constexpr (std::is_same_v<T, Stmt>) {
    // SQLCancel tells a running call from an idle statement by this lock.
    std::lock_guard<std::mutex> guard(object->callLock);
    object->Clear();
    // A cancel aimed at an earlier call must not stop this one.
    object->run.cancelRequested = false;
    return RunGuarded(*object, [&] { return body(*object); });
  } else {
    object->Clear();
    return RunGuarded(*object, [&] { return body(*object); });
  }
}

// Runs body on a live statement whose function the connection does not hide.
template <typename F>
SQLRETURN StmtCall(SQLHSTMT handle, SQLUSMALLINT function, F&& body) {
  return Guarded<Stmt>(handle, [&](Stmt& stmt) -> SQLRETURN {
    if (stmt.dbc->IsHidden(function)) throw Fail("IM001", "Driver does not support this function.");
    return body(stmt);
  });
}

// Copies text into an application buffer of bufferLength bytes with its
// terminating NUL; the full length goes to *length. Truncation adds 01004 to
// handle and gives SQL_SUCCESS_WITH_INFO.
template <typename LengthT>
SQLRETURN PutText(Handle& handle, const std::string& text, SQLPOINTER buffer, SQLLEN bufferLength, LengthT* length);

// Reads an input text argument (SQL_NTS or a length). Raises HY090 on a bad length.
std::optional<std::string> InputText(const SQLCHAR* text, SQLLEN length);

// Raises HY090 when a buffer length is negative.
void CheckBufferLength(SQLLEN length);

// Connected session of a connection, or 08003.
DriverSession& ConnectedSession(Dbc& dbc);

// Runs body on a live statement while the handle registry is locked, so
// that no other thread can free the statement meanwhile (for SQLCancel,
// which must not wait for the statement's running call). Returns false when
// the handle is not a live statement.
bool WithLiveStatement(SQLHANDLE h, const std::function<void(Stmt&)>& body);

}  // namespace orva::odbcengine
