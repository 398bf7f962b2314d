#include "query/queryengine.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <mutex>
#include <new>
#include <thread>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <QWidget>

#include "db/cancelhandle.h"
#include "db/dbconnection.h"
#include "db/dbexception.h"
#include "db/recordsetex.h"
#include "grid/autosize.h"
#include "grid/gridctrl.h"
#include "grid/rowblock.h"
#include "platform/codec.h"
#include "platform/messagebox.h"
#include "platform/messages.h"
#include "platform/resource_ids.h"
#include "platform/tick.h"
#include "query/elapsed.h"
#include "query/resultcolumns.h"
#include "query/scriptsplitter.h"

namespace orva {

namespace {

// Formats a message whose format is a UTF-8 literal; %s arguments are GBK.
template <typename... Args>
std::string Format(const char* utf8Format, Args... args) {
  const std::string format = GbkFromUtf8(utf8Format);
  int n = std::snprintf(nullptr, 0, format.c_str(), args...);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), format.c_str(), args...);
  out.resize(static_cast<std::size_t>(n));
  return out;
}

std::string Text(const char* utf8) { return GbkFromUtf8(utf8); }

// The log text of a failure that carries no text of its own.
constexpr const char* kUnknownError = "执行该SQL时发生未知错误";

// A foreign exception's own text, cut to 511 bytes on a character boundary.
std::string OwnText(const std::exception& e) { return std::string(CutAtCharBoundary(e.what(), 511)); }

std::string TrimLeadingWhiteSpace(std::string statement) {
  std::size_t first = 0;
  while (first < statement.size() && std::isspace(static_cast<unsigned char>(statement[first]))) ++first;
  return statement.substr(first);
}

bool StartsWithBegin(std::string_view statement) {
  if (statement.size() < 5) return false;
  static const char kBegin[] = "begin";
  for (int i = 0; i < 5; ++i)
    if (std::tolower(static_cast<unsigned char>(statement[static_cast<std::size_t>(i)])) != kBegin[i]) return false;
  return true;
}

// After a read of this many rows the memory the driver held for them is
// handed back to the system.
constexpr long kManyRows = 100000;

// Drivers keep a whole result in many small blocks, freed when the set
// closes; the allocator keeps such memory for the process unless asked,
// and after a million rows that is hundreds of megabytes.
void ReturnFreedMemory() {
#ifdef __GLIBC__
  malloc_trim(0);
#endif
}

// The window that owns the run's message boxes.
QWidget* DialogParent(const IQueryFrame& frame) { return qobject_cast<QWidget*>(frame.NotifyTarget()); }

// Carries rows from the reading thread to the grid. The reader hands over
// each whole row under a short lock; a filling thread of its own takes all
// rows waiting at once and appends them to the grid in one locked step. So
// reading never waits for the grid, appending overlaps the next fetches, and
// rows already read show within a moment even while the driver waits for
// the next slice of the result. The filler also measures the rows it appends
// and fits the columns to them at the end, so no pass over all rows follows
// the read.
class RowFeed {
 public:
  RowFeed(CGridCtrl& grid, int columns)
      : m_grid(grid), m_row(columns), m_waiting(columns), m_taken(columns), m_thread([this] { Fill(); }) {}
  ~RowFeed() { Finish(); }
  RowFeed(const RowFeed&) = delete;
  RowFeed& operator=(const RowFeed&) = delete;

  // The reader builds one row here, then hands it over.
  RowBlock& Row() { return m_row; }
  void HandOver() {
    {
      std::unique_lock<std::mutex> lock(m_lock);
      // A filler that falls far behind holds the reader back, so rows in
      // transit stay within a bound.
      m_room.wait(lock, [&] { return m_waiting.TextBytes() < kMaxWaitingBytes; });
      const bool wasEmpty = m_waiting.Empty();
      m_waiting.AddRows(m_row);
      ++m_handedOver;
      if (wasEmpty || m_waiting.Rows() >= kBlockRows || m_waiting.TextBytes() >= kMaxWaitingBytes)
        m_wake.notify_one();
    }
    m_row.Clear();
  }
  // Returns once every row handed over is in the grid.
  void Drain() {
    std::unique_lock<std::mutex> lock(m_lock);
    m_drainWanted = true;
    m_wake.notify_one();
    m_room.wait(lock, [&] { return m_appended == m_handedOver; });
    m_drainWanted = false;
  }
  void Finish() {
    if (!m_thread.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(m_lock);
      m_stop = true;
      m_wake.notify_one();
    }
    m_thread.join();
  }
  // After Finish: what failed while appending, thrown on the reading thread.
  void ThrowIfFailed() const {
    if (m_error) std::rethrow_exception(m_error);
  }

 private:
  // Rows are appended as they come for the first block, then at most every
  // kFillInterval or every kBlockRows rows: a handful of locked steps per
  // second, each a few milliseconds.
  static constexpr int kBlockRows = 16384;
  static constexpr auto kFillInterval = std::chrono::milliseconds(50);
  static constexpr std::size_t kMaxWaitingBytes = 64u << 20;

  void Fill() {
    // Made here: its font metrics belong to the thread that uses them.
    std::unique_ptr<AutoSizer> sizer;
    try {
      sizer = m_grid.BeginAutoSize();
    } catch (...) {
      m_error = std::current_exception();
    }
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
      m_wake.wait(lock, [&] { return m_stop || !m_waiting.Empty(); });
      if (m_waiting.Empty()) break;  // stopped, and every row is in
      if (m_appended > 0 && !m_stop && !m_drainWanted)
        m_wake.wait_for(lock, kFillInterval,
                        [&] {
                          return m_stop || m_drainWanted || m_waiting.Rows() >= kBlockRows ||
                                 m_waiting.TextBytes() >= kMaxWaitingBytes;
                        });
      m_taken.Swap(m_waiting);
      const long rows = m_taken.Rows();
      m_room.notify_all();
      lock.unlock();
      try {
        if (!m_error) m_grid.AppendRows(m_taken, sizer.get());
      } catch (...) {
        // Out of memory, most likely: the run ends with it once reading stops.
        m_error = std::current_exception();
      }
      m_taken.Clear();
      lock.lock();
      m_appended += rows;
      m_room.notify_all();
    }
    lock.unlock();
    try {
      if (!m_error) m_grid.FinishAutoSize(*sizer);
    } catch (...) {
      m_error = std::current_exception();
    }
  }

  CGridCtrl& m_grid;
  RowBlock m_row;
  std::mutex m_lock;
  std::condition_variable m_wake;  // the filler waits for rows
  std::condition_variable m_room;  // the reader waits for room or a drain
  RowBlock m_waiting;              // handed over, not yet taken
  RowBlock m_taken;                // being appended (filler only)
  long m_handedOver = 0;
  long m_appended = 0;
  bool m_drainWanted = false;
  bool m_stop = false;
  std::exception_ptr m_error;  // filler only until Finish
  std::thread m_thread;
};

// Reads the rows of the set into the grid until the end or a cancel. Returns
// the text of the last fetch that failed (the rows shown are then not the
// whole set), or an empty text.
std::string ReadRows(QueryJob& job, CRecordsetEx& set, CGridCtrl& grid) {
  IQueryFrame& frame = *job.m_pFrame;
  const int columns = set.GetColumnCount();
  RowFeed feed(grid, columns + 1);
  RowBlock& row = feed.Row();
  std::string value;
  char heading[24];
  long rowNumber = 0;
  bool lastMoveFailed = false;
  std::string failure;
  while (!frame.IsCancelled() && !set.IsEOF()) {
    // A row is read whole once begun, so a cancel never leaves half a row.
    const int length = std::snprintf(heading, sizeof heading, "%ld", ++rowNumber);
    row.AddCell(std::string_view(heading, static_cast<std::size_t>(length)));
    for (int i = 0; i < columns; ++i) {
      value.clear();
      try {
        set.GetFieldText(i, value);
      } catch (const CDBException&) {
        // The cell keeps what was read of the value; the error is not shown.
      }
      row.AddCell(value);
    }
    feed.HandOver();
    if (frame.IsCancelled()) break;
    try {
      set.MoveNext();
      lastMoveFailed = false;
    } catch (const CDBException& e) {
      // A fetch interrupted by the user's cancel is no error to show.
      if (frame.IsCancelled()) break;
      // A fetch that fails again on the same row would repeat forever: the
      // first failure is shown, a second in a row ends the read of this set.
      failure = e.ErrorText();
      if (lastMoveFailed) break;
      lastMoveFailed = true;
      feed.Drain();  // the rows so far are in the grid while the box is up
      ShowErrorBoxGbk(failure, DialogParent(frame));
    }
  }
  feed.Finish();
  feed.ThrowIfFailed();
  return failure;
}

// A statement that failed because the link is gone: the log says so once per
// run and the window learns of it (it offers to reconnect).
void NoteIfConnectionLost(QueryJob& job, const CDBException& e) {
  IQueryFrame& frame = *job.m_pFrame;
  if (job.m_bConnectionLost || !(e.IsConnectionLost() || frame.GetConnection()->IsLinkDead())) return;
  job.m_bConnectionLost = true;
  frame.GetResultOutput()->AddMessage(Text("与数据库的连接已断开"), false);
  frame.NoteConnectionLost();
}

// Runs one batch and reports in the log whatever error leaves it. In
// statement mode an error text gets a line break of its own and every error
// shows the log; in batch mode a foreign exception leaves the page as it is.
void RunBatchReported(QueryJob& job, std::string_view text, bool statementMode) {
  IResultOutput& output = *job.m_pFrame->GetResultOutput();
  auto report = [&](const std::string& message, bool showLog) {
    job.m_bErrorReported = true;
    output.AddMessage(message, false);
    if (showLog) output.ShowPage(true);
  };
  try {
    ExecuteBatch(job, text);
  } catch (const CDBException& e) {
    report(statementMode ? e.ErrorText() + "\r\n" : e.ErrorText(), true);
    NoteIfConnectionLost(job, e);
  } catch (const std::bad_alloc&) {
    // Reported in batch mode too, so the user learns why the run ended.
    report(Text("内存异常，无法正确执行该SQL"), true);
  } catch (const std::exception& e) {
    report(OwnText(e), statementMode);
  } catch (...) {
    report(Text(kUnknownError), statementMode);
  }
}

// Runs the whole text, batch or statement by statement, reporting every
// error in the message log; only a failure to report escapes.
void RunScript(QueryJob& job) {
  IQueryFrame& frame = *job.m_pFrame;
  CDBConnection& connection = *frame.GetConnection();
  frame.GetResultOutput()->ClearMessages();
  if (connection.SupportsMultipleResults()) {
    RunBatchReported(job, job.m_strText, false);
    return;
  }
  CScriptSplitter splitter;
  splitter.Split(job.m_strText);
  while (splitter.HasMore()) {
    std::string statement = TrimLeadingWhiteSpace(splitter.PopFront());
    if (connection.GetKind() == DbmsOracle && StartsWithBegin(statement) && splitter.HasMore()) {
      statement += "; ";
      statement += splitter.PopFront();
      statement += ";";
    }
    RunBatchReported(job, statement, true);
  }
}

}  // namespace

void SetupResultColumns(CGridCtrl& grid, const CRecordsetEx& set) {
  constexpr int kNumberFormat = DT_RIGHT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
  const int format = DT_SINGLELINE | DT_VCENTER;
  int column = grid.InsertColumn("", format, -1);
  grid.SetColumnWidth(column, kRowNumberColumnWidth);
  for (int i = 0; i < set.GetColumnCount(); ++i) {
    const ColumnInfo& info = set.GetColumnInfo(i);
    column = grid.InsertColumn(info.m_strName, format, -1);
    grid.SetColumnWidth(column, ResultColumnWidth(info));
    // Numbers read best right-aligned, whatever the driver makes of them.
    if (IsNumericColumn(info)) grid.SetColumnFormat(column, kNumberFormat);
  }
  grid.SetFixedRowCount(1);
  grid.SetFixedColumnCount(1);
}

void ExecuteBatch(QueryJob& job, std::string_view text) {
  IQueryFrame& frame = *job.m_pFrame;
  CDBConnection& connection = *frame.GetConnection();
  IResultOutput& output = *frame.GetResultOutput();

  std::uint32_t clock = GetTickCount32();
  if (frame.IsCancelled()) return;

  CRecordsetEx* set = nullptr;
  if (connection.OpenResultSet(text, set, frame.RunCancel()) == -1 || set == nullptr) return;
  std::string readError;
  long rowsRead = 0;
  try {
    output.AddMessage(Format("（执行SQL语句共耗时: %s）", FormatElapsed(GetTickCount32() - clock).c_str()), false);
    int setCounter = 0;
    while (true) {
      ++setCounter;
      if (set->GetColumnCount() == 0) {
        if (connection.CanCountRows() && !frame.IsCancelled()) {
          SQLLEN count = -1;
          SQLRowCount(set->m_hstmt, &count);
          if (count == -1)
            output.AddMessage(Text("已成功执行该语句"), true);
          else
            output.AddMessage(Format("所影响的行数为 %d 行", static_cast<int>(count)), true);
        }
      } else {
        CGridCtrl* grid = output.AddResultGrid(set);
        if (grid) {
          SetupResultColumns(*grid, *set);
          if (!frame.IsCancelled() && !set->IsBOF()) {
            if (setCounter > 1) {
              try {
                set->MoveNext();
              } catch (const CDBException& e) {
                ShowErrorBoxGbk(e.ErrorText(), DialogParent(frame));
              }
            }
            clock = GetTickCount32();
            // The columns are fitted to the rows as they arrive.
            readError = ReadRows(job, *set, *grid);
          } else {
            grid->AutoSize();
          }
          const int rows = std::max(0, grid->GetRowCount() - 1);
          rowsRead += rows;
          output.AddMessage(Format("所影响的行数为 %d 行 (读取记录集耗时:%s)", rows,
                                   FormatElapsed(GetTickCount32() - clock).c_str()),
                            true);
          if (!readError.empty()) {
            // A row was lost or the set ended early: the rows shown are not
            // the whole result.
            output.AddMessage(readError, false);
            output.ShowPage(true);
            job.m_bErrorReported = true;
            readError.clear();
          }
          clock = GetTickCount32();
        }
      }
      if (!connection.SupportsMultipleResults() || frame.IsCancelled() || !set->NextResult()) break;
      set->DescribeColumns();
    }
  } catch (...) {
    CDBConnection::CloseResultSet(set);
    throw;
  }
  CDBConnection::CloseResultSet(set);
  if (rowsRead >= kManyRows) ReturnFreedMemory();
}

unsigned QueryThreadProc(QueryJob& job) {
  IQueryFrame& frame = *job.m_pFrame;
  job.m_bErrorReported = false;
  job.m_bConnectionLost = false;
  // Whatever happens, the window hears that the run is over.
  try {
    RunScript(job);
  } catch (...) {
    job.m_bErrorReported = true;
  }
  PostMessageTo(frame.NotifyTarget(), WM_QUERY_DONE, job.m_bErrorReported ? 1 : 0, -1);
  return 0;
}

}  // namespace orva
