#include "query/queryengine.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <new>

#include "db/cancelhandle.h"
#include "db/dbconnection.h"
#include "db/dbexception.h"
#include "db/recordsetex.h"
#include "grid/gridctrl.h"
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

// Reads the rows of the set into the grid until the end or a cancel.
void ReadRows(QueryJob& job, CRecordsetEx& set, CGridCtrl& grid) {
  IQueryFrame& frame = *job.m_pFrame;
  const int columns = set.GetColumnCount();
  std::string value;
  char heading[24];
  long rowNumber = 0;
  bool lastMoveFailed = false;
  while (!frame.IsCancelled() && !set.IsEOF()) {
    std::snprintf(heading, sizeof heading, "%ld", ++rowNumber);
    const int row = grid.InsertRow(heading, -1);
    for (int i = 0; i < columns && !frame.IsCancelled(); ++i) {
      value.clear();
      try {
        set.GetFieldText(i, value);
      } catch (const CDBException&) {
        // The cell keeps what was read of the value; the error is not shown.
      }
      grid.SetItemText(row, i + 1, value);
    }
    if (frame.IsCancelled()) break;
    try {
      set.MoveNext();
      lastMoveFailed = false;
    } catch (const CDBException& e) {
      // A fetch that fails again on the same row would repeat forever: the
      // first failure is shown, a second in a row ends the read of this set.
      if (lastMoveFailed) break;
      lastMoveFailed = true;
      ShowErrorBoxGbk(e.ErrorText());
    }
  }
}

}  // namespace

void SetupResultColumns(CGridCtrl& grid, const CRecordsetEx& set) {
  const int format = DT_SINGLELINE | DT_VCENTER;
  int column = grid.InsertColumn("", format, -1);
  grid.SetColumnWidth(column, kRowNumberColumnWidth);
  for (int i = 0; i < set.GetColumnCount(); ++i) {
    const ColumnInfo& info = set.GetColumnInfo(i);
    column = grid.InsertColumn(info.m_strName, format, -1);
    grid.SetColumnWidth(column, ResultColumnWidth(info));
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
                ShowErrorBoxGbk(e.ErrorText());
              }
            }
            clock = GetTickCount32();
            ReadRows(job, *set, *grid);
          }
          const int rows = std::max(0, grid->GetRowCount() - 1);
          output.AddMessage(Format("所影响的行数为 %d 行 (读取记录集耗时:%s)", rows,
                                   FormatElapsed(GetTickCount32() - clock).c_str()),
                            true);
          grid->AutoSize();
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
}

unsigned QueryThreadProc(QueryJob& job) {
  IQueryFrame& frame = *job.m_pFrame;
  CDBConnection& connection = *frame.GetConnection();
  IResultOutput& output = *frame.GetResultOutput();
  bool errorReported = false;
  bool connectionLost = false;
  auto report = [&](const std::string& text) {
    output.AddMessage(text, false);
    errorReported = true;
  };
  // A statement that failed because the link is gone: the log says so once
  // and the window learns of it (it offers to reconnect).
  auto noteLost = [&](const CDBException& e) {
    if (connectionLost || !(e.IsConnectionLost() || connection.IsLinkDead())) return;
    connectionLost = true;
    output.AddMessage(Text("与数据库的连接已断开"), false);
    frame.NoteConnectionLost();
  };

  output.ClearMessages();
  if (connection.SupportsMultipleResults()) {
    try {
      ExecuteBatch(job, job.m_strText);
    } catch (const CDBException& e) {
      report(e.ErrorText());
      noteLost(e);
      output.ShowPage(true);
    } catch (const std::bad_alloc&) {
      // Reported like statement mode, so the user learns why the run ended.
      report(Text("内存异常，无法正确执行该SQL"));
      output.ShowPage(true);
    } catch (const std::exception& e) {
      report(OwnText(e));
    }
  } else {
    CScriptSplitter splitter;
    splitter.Split(job.m_strText);
    while (splitter.HasMore()) {
      std::string statement = TrimLeadingWhiteSpace(splitter.PopFront());
      if (connection.GetKind() == DbmsOracle && StartsWithBegin(statement) && splitter.HasMore()) {
        statement += "; ";
        statement += splitter.PopFront();
        statement += ";";
      }
      try {
        ExecuteBatch(job, statement);
      } catch (const CDBException& e) {
        report(e.ErrorText() + "\r\n");
        noteLost(e);
        output.ShowPage(true);
      } catch (const std::bad_alloc&) {
        report(Text("内存异常，无法正确执行该SQL"));
        output.ShowPage(true);
      } catch (const std::exception& e) {
        report(OwnText(e));
        output.ShowPage(true);
      }
    }
  }
  PostMessageTo(frame.NotifyTarget(), WM_QUERY_DONE, errorReported ? 1 : 0, -1);
  return 0;
}

}  // namespace orva
