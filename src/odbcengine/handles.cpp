#include "handles.h"

#include <cstring>
#include <functional>
#include <new>
#include <unordered_set>

namespace orva::odbcengine {
namespace {

std::mutex& RegistryLock() {
  static std::mutex lock;
  return lock;
}

std::unordered_set<Handle*>& Registry() {
  static std::unordered_set<Handle*> handles;
  return handles;
}

}  // namespace

void RegisterHandle(Handle* h) {
  std::lock_guard<std::mutex> guard(RegistryLock());
  Registry().insert(h);
}

void UnregisterHandle(Handle* h) {
  std::lock_guard<std::mutex> guard(RegistryLock());
  Registry().erase(h);
}

Handle* FindHandle(SQLHANDLE h, HandleKind kind) {
  if (!h) return nullptr;
  std::lock_guard<std::mutex> guard(RegistryLock());
  auto it = Registry().find(static_cast<Handle*>(h));
  if (it == Registry().end() || (*it)->kind != kind) return nullptr;
  return *it;
}

const char* MessagePrefix() { return ThisDriver().MessagePrefix(); }

DriverError Fail(const char* state, const std::string& text, SQLINTEGER native) {
  return DriverError(state, std::string(MessagePrefix()) + text, native);
}

void RecordCurrentException(Handle& handle) {
  try {
    throw;
  } catch (const DriverError& e) {
    handle.Add({e.State(), e.Native(), e.what()});
  } catch (const std::bad_alloc&) {
    handle.Add({"HY001", 0, std::string(MessagePrefix()) + "Memory allocation error."});
  } catch (const std::exception& e) {
    handle.Add({"HY000", 0, std::string(MessagePrefix()) + e.what()});
  } catch (...) {
    handle.Add({"HY000", 0, std::string(MessagePrefix()) + "General error."});
  }
}

template <typename LengthT>
SQLRETURN PutText(Handle& handle, const std::string& text, SQLPOINTER buffer, SQLLEN bufferLength, LengthT* length) {
  CheckBufferLength(bufferLength);
  if (length) *length = static_cast<LengthT>(text.size());
  if (!buffer) return SQL_SUCCESS;  // the application asks for the length only
  if (bufferLength == 0) {
    if (text.empty()) return SQL_SUCCESS;
    handle.Add({"01004", 0, std::string(MessagePrefix()) + "String data, right truncated."});
    return SQL_SUCCESS_WITH_INFO;
  }
  const std::size_t room = static_cast<std::size_t>(bufferLength) - 1;
  const std::size_t n = text.size() < room ? text.size() : room;
  std::memcpy(buffer, text.data(), n);
  static_cast<char*>(buffer)[n] = '\0';
  if (n < text.size()) {
    handle.Add({"01004", 0, std::string(MessagePrefix()) + "String data, right truncated."});
    return SQL_SUCCESS_WITH_INFO;
  }
  return SQL_SUCCESS;
}

template SQLRETURN PutText<SQLSMALLINT>(Handle&, const std::string&, SQLPOINTER, SQLLEN, SQLSMALLINT*);
template SQLRETURN PutText<SQLINTEGER>(Handle&, const std::string&, SQLPOINTER, SQLLEN, SQLINTEGER*);

std::optional<std::string> InputText(const SQLCHAR* text, SQLLEN length) {
  if (!text) return std::nullopt;
  const char* s = reinterpret_cast<const char*>(text);
  if (length == SQL_NTS) return std::string(s);
  if (length < 0) throw Fail("HY090", "Invalid string or buffer length.");
  return std::string(s, static_cast<std::size_t>(length));
}

void CheckBufferLength(SQLLEN length) {
  if (length < 0) throw Fail("HY090", "Invalid string or buffer length.");
}

bool WithLiveStatement(SQLHANDLE h, const std::function<void(Stmt&)>& body) {
  if (!h) return false;
  std::lock_guard<std::mutex> guard(RegistryLock());
  auto it = Registry().find(static_cast<Handle*>(h));
  if (it == Registry().end() || (*it)->kind != HandleKind::Stmt) return false;
  body(*static_cast<Stmt*>(*it));
  return true;
}

DriverSession& ConnectedSession(Dbc& dbc) {
  if (!dbc.session) throw Fail("08003", "Connection not open.");
  return *dbc.session;
}

}  // namespace orva::odbcengine
