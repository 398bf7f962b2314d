#pragma once
// The base of every result set: one statement handle on a link, walked
// forward row by row. Derived sets decide how the statement is run and how a
// row's values are read.

#include <sql.h>

#include <atomic>
#include <memory>
#include <string>

#include "db/cancelhandle.h"
#include "db/drivercharset.h"

namespace orva {

class CDatabase;
class CRecordsetRegistry;

class CRecordset {
 public:
  enum OpenType { dynaset = 0, snapshot = 1, forwardOnly = 2, dynamic = 3 };
  enum OpenOptions : unsigned {
    none = 0x0,
    readOnly = 0x0004,
    executeDirect = 0x2000,
  };

  // Allocates the statement at once when the link is open; throws
  // CDBException when that fails.
  explicit CRecordset(CDatabase* database);
  virtual ~CRecordset();
  CRecordset(const CRecordset&) = delete;
  CRecordset& operator=(const CRecordset&) = delete;

  // Frees the statement; the set may be destroyed or opened again afterwards.
  virtual void Close();
  bool IsOpen() const { return m_hstmt != SQL_NULL_HSTMT && m_bOpen; }

  // Fetches the next row; at the end IsEOF becomes true. Throws CDBException.
  void MoveNext();
  bool IsEOF() const { return m_bEOF; }
  bool IsBOF() const { return m_bBOF; }

  // The handle that cancels this set's statement from another thread. A run
  // that opens several sets may give them all its own handle instead.
  const std::shared_ptr<CCancelHandle>& GetCancelHandle() const { return m_cancel; }
  void UseCancelHandle(std::shared_ptr<CCancelHandle> handle);

  // Called by the link when it closes (under its lock): the statement is
  // freed before the disconnect would invalidate it, and the set forgets the
  // link.
  void DetachFromDatabase();
  // The state of a set without a result: not open, at both ends.
  void MarkClosed();
  // Frees the statement handle as it stands (the link's lock decides who
  // may); use FreeStatement otherwise.
  void FreeStatementHandleOnly();

  CDatabase* m_pDatabase;
  SQLHSTMT m_hstmt = SQL_NULL_HSTMT;
  bool m_bEOF = true;
  bool m_bBOF = true;
  int m_nOpenType = forwardOnly;
  unsigned m_dwOptions = none;

 protected:
  // Allocates the statement when there is none; throws CDBException.
  void AllocStatement();
  void FreeStatement();
  [[noreturn]] void ThrowStatementError(SQLRETURN rc) const;
  void CheckStatement(SQLRETURN rc) const;
  // Called after each successful fetch of a row.
  virtual void AfterFetch() {}
  // Runs a driver call that may take long (executing, fetching, moving to the
  // next result) so that a cancel from another thread can interrupt it. With
  // `startsWork` a cancelled run does not make the call: it throws the
  // cancel error instead.
  template <typename Call>
  SQLRETURN CallCancellable(Call call, bool startsWork) {
    if (!m_cancel->BeginCall(startsWork)) ThrowCancelled();
    SQLRETURN rc;
    do {
      rc = call();
    } while (rc == SQL_STILL_EXECUTING);
    m_cancel->EndCall();
    return rc;
  }
  [[noreturn]] static void ThrowCancelled();

  DriverCharset m_charset;
  bool m_bOpen = false;

 private:
  std::shared_ptr<CCancelHandle> m_cancel;
  // The registry of the link the set is registered with. Set once at
  // construction and kept for the set's life: it outlives the link, whose
  // Close (maybe on another thread) only takes the set out of it.
  std::shared_ptr<CRecordsetRegistry> m_registry;
};

}  // namespace orva
