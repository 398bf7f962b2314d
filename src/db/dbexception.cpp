#include "db/dbexception.h"

#include <sqlext.h>

#include <vector>

#include "db/drivercharset.h"

namespace orva {
namespace {
// A diagnostic message longer than this is cut; it only guards against a
// driver reporting an absurd length.
constexpr SQLSMALLINT kMaxMessage = 16000;
}  // namespace

CDBException CDBException::FromHandle(SQLRETURN retCode, SQLSMALLINT handleType, SQLHANDLE handle,
                                      const DriverCharset& charset) {
  std::string text;
  std::vector<std::string> states;
  if (handle != SQL_NULL_HANDLE) {
    std::vector<SQLCHAR> message(512);
    for (SQLSMALLINT record = 1;; ++record) {
      SQLCHAR state[6] = {};
      SQLINTEGER nativeError = 0;
      SQLSMALLINT length = 0;
      SQLRETURN rc = SQLGetDiagRec(handleType, handle, record, state, &nativeError, message.data(),
                                   static_cast<SQLSMALLINT>(message.size()), &length);
      if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size()) &&
          length < kMaxMessage) {
        message.resize(static_cast<size_t>(length) + 1);
        rc = SQLGetDiagRec(handleType, handle, record, state, &nativeError, message.data(),
                           static_cast<SQLSMALLINT>(message.size()), &length);
      }
      if (!Succeeded(rc)) break;
      states.emplace_back(reinterpret_cast<const char*>(state));
      size_t used = length < 0 ? 0 : std::min(static_cast<size_t>(length), message.size() - 1);
      text += charset.ToGbk(std::string_view(reinterpret_cast<const char*>(message.data()), used));
      text += '\n';
    }
  }
  // A failure without diagnostics still needs a text the user can see.
  if (text.empty()) text = "ODBC call failed with return code " + std::to_string(retCode) + ".\n";
  CDBException error(retCode, std::move(text));
  error.m_sqlStates = std::move(states);
  return error;
}

bool CDBException::IsConnectionLost() const {
  // Class 08 is the connection exception; a server that shuts down or
  // crashes ends its sessions with 57P01 or 57P02.
  for (const std::string& state : m_sqlStates)
    if (state.compare(0, 2, "08") == 0 || state == "HYT01" || state == "57P01" || state == "57P02") return true;
  return false;
}

void CheckOdbc(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const DriverCharset& charset) {
  if (!Succeeded(rc)) throw CDBException::FromHandle(rc, handleType, handle, charset);
}

}  // namespace orva
