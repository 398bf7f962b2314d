#pragma once
// The error raised by every database operation: the ODBC return code and the
// message text of each diagnostic record, one line each, in GBK.

#include <sql.h>

#include <exception>
#include <string>
#include <vector>

namespace orva {

class DriverCharset;

class CDBException : public std::exception {
 public:
  CDBException(SQLRETURN retCode, std::string errorText)
      : m_nRetCode(retCode), m_strError(std::move(errorText)) {}

  // Gathers the diagnostic records of the handle; messages arrive in the
  // driver's character set and are converted to GBK.
  static CDBException FromHandle(SQLRETURN retCode, SQLSMALLINT handleType, SQLHANDLE handle,
                                 const DriverCharset& charset);

  const char* what() const noexcept override { return m_strError.c_str(); }
  // True when the diagnostics say the link to the database is gone: a
  // SQLSTATE of class 08 (connection exception), a communication-link
  // timeout, or the server ending the session as it shuts down.
  bool IsConnectionLost() const;
  SQLRETURN RetCode() const { return m_nRetCode; }
  const std::string& ErrorText() const { return m_strError; }

  SQLRETURN m_nRetCode;
  std::string m_strError;
  std::vector<std::string> m_sqlStates;  // of each diagnostic record
};

// True for SQL_SUCCESS and SQL_SUCCESS_WITH_INFO.
inline bool Succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

// Throws CDBException with the handle's diagnostics unless rc succeeded.
void CheckOdbc(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const DriverCharset& charset);

}  // namespace orva
