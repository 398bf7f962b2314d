#pragma once
// One ODBC connection of the user, with what was learned when it connected:
// the data-source and user names, the product, the current database and the
// driver's capabilities. Every statement of ORVA runs through a connection.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "db/cancelhandle.h"
#include "db/database.h"
#include "db/dbmskind.h"
#include "db/sqlquote.h"

namespace orva {

class CRecordsetEx;

class CDBConnection {
 public:
  // Completes an empty connection string by asking the user (the application
  // installs a data-source picker). Returns the completed string, or nothing
  // when the user cancelled.
  using ConnectPrompt = std::function<std::optional<std::string>()>;
  static void SetConnectPrompt(ConnectPrompt prompt);

  CDBConnection();
  virtual ~CDBConnection();
  CDBConnection(const CDBConnection&) = delete;
  CDBConnection& operator=(const CDBConnection&) = delete;

  // Connects with the string (GBK; empty asks the prompt). A driver error is
  // shown in a message box; returns false on error or cancel.
  bool Open(std::string_view connect);
  // Connects the link with the stored string and learns the connection's
  // facts. Returns false when the prompt was cancelled; throws CDBException
  // when the driver fails.
  bool Connect();
  void Close();
  bool IsOpen() const;
  // Opens the link again after it was lost, with the connection string it was
  // made with; `password` goes with it when the password was typed (it is
  // never kept). The connection object, and so every window and browser node
  // on it, stays; the current database is chosen again. Throws CDBException
  // when the driver fails.
  void Reconnect(std::string_view password = {});
  // True when the driver reports the link dead (SQL_ATTR_CONNECTION_DEAD).
  bool IsLinkDead() const;
  // True when the connection was made with a typed password, which
  // reconnecting must ask for again.
  bool NeedsPasswordToReconnect() const { return m_bPasswordTyped; }

  // Runs a statement without result rows and returns its row count.
  std::int32_t Execute(std::string_view sql);
  // 1 with the open set handed out, -1 when there is no usable link. The set
  // becomes the CurrentResultSet; with a run's cancel handle, that handle
  // cancels it too. Database errors throw CDBException.
  int OpenResultSet(std::string_view sql, CRecordsetEx*& set, std::shared_ptr<CCancelHandle> runCancel = nullptr);
  // Closes and destroys the set, ignoring errors.
  static void CloseResultSet(CRecordsetEx* set);
  // Cancels the statement of the set opened last on any connection.
  static void CancelCurrentResultSet();
  static CRecordsetEx* CurrentResultSet();
  // Called when a set is destroyed, so the current set never dangles.
  static void ForgetResultSet(CRecordsetEx* set);

  bool UseDatabase(std::string_view name);
  std::string GetProcedureText(std::string_view name);

  CDatabase* GetDatabase() const { return m_pDatabase.get(); }
  const std::string& GetDataSourceName() const { return m_strDataSource; }
  void SetDataSourceName(std::string_view name) { m_strDataSource = std::string(name); }
  const std::string& GetUserName() const { return m_strUser; }
  const std::string& GetCurrentDatabase() const { return m_strCurrentDatabase; }
  const std::string& GetConnectString() const { return m_strConnect; }
  const std::string& GetDbmsName() const { return m_strDbmsName; }
  DbmsKind GetKind() const { return m_nKind; }
  bool HasDatabases() const { return m_bHasDatabases; }
  bool SupportsMultipleResults() const { return m_bMultipleResults; }
  bool CanCountRows() const { return m_bCanCountRows; }
  bool CanCancel() const { return m_bCanCancel; }
  // How the driver wants names written into SQL (QuoteIdentifier).
  const IdentifierStyle& GetIdentifierStyle() const { return m_identifierStyle; }

  bool m_bCanCountRows = false;
  bool m_bCanCancel = false;
  bool m_bMultipleResults = false;
  std::uint32_t m_nLoginTimeout = 10;
  DbmsKind m_nKind = DbmsOther;
  std::unique_ptr<CDatabase> m_pDatabase;
  std::string m_strDataSource;
  std::string m_strUser;
  std::string m_strConnect;
  std::string m_strDbmsName;
  std::string m_strCurrentDatabase;
  bool m_bHasDatabases = false;
  bool m_bPasswordTyped = false;
  IdentifierStyle m_identifierStyle;

 private:
  // Reconnects a link that is present but not connected; false when there is
  // no link or reconnecting fails.
  bool EnsureConnected();
};

// SQL_MULT_RESULT_SETS answers "Y" exactly (letter case counts).
inline bool MultipleResultsAnswer(std::string_view answer) { return answer == "Y"; }

}  // namespace orva
