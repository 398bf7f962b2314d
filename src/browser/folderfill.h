#pragma once
// Reading the objects of a folder (tables, views, procedures, functions) on a
// worker thread, so that a folder of tens of thousands of objects never holds
// up the window. Rows reach the GUI thread in batches; the GUI thread takes
// them when it is told they are there.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orva {

class CCancelHandle;
class CDBConnection;

struct FolderRow {
  std::string owner;  // GBK; empty when the driver reports none
  std::string name;   // GBK, as shown (a procedure's ";n" group cut off)
};

// Rows of one folder kind (3, 5, 7, 9) read from the connection, calling
// `batch` every so often with the rows read since the last call. Returns the
// error text of a database error (rows read before it were handed out), or
// nothing. `unsupported` is set when the driver has no procedure catalog.
// `stop` ends the read early.
struct FolderReadResult {
  std::string error;
  bool unsupported = false;
};
FolderReadResult ReadFolderRows(CDBConnection& connection, int folderKind, const std::atomic<bool>& stop,
                                const std::function<void(std::vector<FolderRow>&&)>& batch,
                                std::shared_ptr<CCancelHandle>* cancel = nullptr);

// One background read. The worker hands rows over under a lock and calls
// `wake` (from the worker thread) when there is something new; the GUI thread
// takes rows with Take and learns the outcome from Finished/Result.
class CFolderFill {
 public:
  CFolderFill(CDBConnection& connection, int folderKind, std::function<void()> wake);
  ~CFolderFill();  // stops and joins the worker
  CFolderFill(const CFolderFill&) = delete;
  CFolderFill& operator=(const CFolderFill&) = delete;

  // Rows read since the last call.
  std::vector<FolderRow> Take();
  // The worker has ended; Result is valid.
  bool Finished() const;
  FolderReadResult Result() const;
  // Asks the worker to end at once (cancels the driver's statement too).
  void Stop();

 private:
  mutable std::mutex m_lock;
  std::vector<FolderRow> m_pending;
  bool m_finished = false;
  bool m_woken = false;  // a wake is outstanding; no second one until Take
  FolderReadResult m_result;
  std::atomic<bool> m_stop{false};
  std::shared_ptr<CCancelHandle> m_cancel;
  std::function<void()> m_wake;
  std::thread m_worker;
};

}  // namespace orva
