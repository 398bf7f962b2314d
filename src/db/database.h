#pragma once
// The ODBC link: one connection handle on the shared environment, with the
// login and query timeouts, the completed connection string and the character
// set of the driver. It knows the result sets opened on it so that closing the
// link closes them first (a disconnect frees their statements).

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

#include "db/drivercharset.h"

namespace orva {

class CRecordset;

// The sets reading on this connection. A set keeps the registry alive
// after the connection itself is gone, so a set closed on one thread while
// another closes and deletes the connection never reaches freed memory.
class CRecordsetRegistry {
 public:
  void Add(CRecordset* set);
  void Remove(CRecordset* set);
  // Frees the statement of a set still registered, under the lock Close
  // detaches the sets with, and with `forget` unregisters it as well. False
  // when the set is no longer registered (Close has freed its statement).
  // With `markClosed` the set's state is also set to closed under the lock.
  bool Release(CRecordset* set, bool forget, bool markClosed = false);
  // Frees every registered set's statement and forgets them all.
  void DetachAll();

 private:
  std::mutex m_lock;
  std::set<CRecordset*> m_sets;
};

class CDatabase {
 public:
  CDatabase();
  ~CDatabase();
  CDatabase(const CDatabase&) = delete;
  CDatabase& operator=(const CDatabase&) = delete;

  // Connects with a complete connection string (GBK) without prompting.
  // Throws CDBException with the driver's diagnostics on failure, leaving the
  // link closed.
  void OpenEx(std::string_view connect);
  bool IsOpen() const { return m_bConnected; }
  // Closes the result sets opened on the link, disconnects, frees the handle.
  void Close();

  void SetLoginTimeout(std::uint32_t seconds) { m_dwLoginTimeout = seconds; }
  void SetQueryTimeout(std::uint32_t seconds) { m_dwQueryTimeout = seconds; }
  std::uint32_t GetQueryTimeout() const { return m_dwQueryTimeout; }

  // The completed connection string the driver manager returned (GBK).
  const std::string& GetConnect() const { return m_strConnect; }

  // Runs a statement on a statement of its own, discarding any rows and
  // further results. Throws CDBException on failure.
  void ExecuteSQL(std::string_view sql);

  std::string GetDatabaseName() const { return GetInfoText(SQL_DATABASE_NAME); }
  // A text item of SQLGetInfo in GBK; empty when the driver does not answer.
  std::string GetInfoText(SQLUSMALLINT infoType) const;
  // SQLGetFunctions; false when the call fails or the function is missing.
  bool HasFunction(SQLUSMALLINT functionId) const;

  SQLHDBC Handle() const { return m_hdbc; }
  const DriverCharset& Charset() const { return m_charset; }

  // Registers a set and returns the registry it must release itself from.
  std::shared_ptr<CRecordsetRegistry> RegisterRecordset(CRecordset* set);

 private:
  SQLRETURN DriverConnect(const std::string& driverConnect, std::string& completed);

  SQLHDBC m_hdbc = SQL_NULL_HDBC;
  bool m_bConnected = false;
  std::uint32_t m_dwLoginTimeout = 15;
  std::uint32_t m_dwQueryTimeout = 0;
  std::string m_strConnect;
  DriverCharset m_charset;
  std::shared_ptr<CRecordsetRegistry> m_sets = std::make_shared<CRecordsetRegistry>();
};

}  // namespace orva
