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
      size_t used = length < 0 ? 0 : std::min(static_cast<size_t>(length), message.size() - 1);
      text += charset.ToGbk(std::string_view(reinterpret_cast<const char*>(message.data()), used));
      text += '\n';
    }
  }
  // A failure without diagnostics still needs a text the user can see.
  if (text.empty()) text = "ODBC call failed with return code " + std::to_string(retCode) + ".\n";
  return CDBException(retCode, std::move(text));
}

void CheckOdbc(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const DriverCharset& charset) {
  if (!Succeeded(rc)) throw CDBException::FromHandle(rc, handleType, handle, charset);
}

}  // namespace orva
