// Cancelling a running statement from another thread, and query timeouts.

#include <atomic>
#include <chrono>
#include <thread>

#include "driver_fixture.h"

namespace orva::testdriver::test {
namespace {

class CancelTest : public DriverTest {
 protected:
  // Runs sql on stmt in a worker thread and cancels it until the worker
  // returns; gives the worker's return code.
  SQLRETURN RunAndCancel(SQLHSTMT stmt, const std::string& sql) {
    std::atomic<bool> done{false};
    SQLRETURN rc = SQL_SUCCESS;
    std::thread worker([&] {
      rc = SQLExecDirect(stmt, (SQLCHAR*)sql.c_str(), SQL_NTS);
      done = true;
    });
    // The worker may not have started: keep asking until it gives up.
    while (!done) {
      EXPECT_EQ(SQLCancel(stmt), SQL_SUCCESS);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    worker.join();
    return rc;
  }
};

TEST_F(CancelTest, CancelStopsASleepingStatement) {
  SQLHDBC dbc = Connect();
  SQLHSTMT stmt = NewStatement(dbc);
  EXPECT_EQ(RunAndCancel(stmt, "select sleep(600)"), SQL_ERROR);
  const std::string text = DiagText(SQL_HANDLE_STMT, stmt);
  EXPECT_EQ(text.substr(0, 5), "HY008");
  EXPECT_NE(text.find("Operation canceled"), std::string::npos) << text;
  // The statement and the connection stay usable.
  ASSERT_EQ(SQLExecDirect(stmt, (SQLCHAR*)"select 5", SQL_NTS), SQL_SUCCESS) << DiagText(SQL_HANDLE_STMT, stmt);
  EXPECT_EQ(Rows(stmt), (std::vector<std::vector<std::string>>{{"5"}}));
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

TEST_F(CancelTest, CancelStopsAnEndlessQuery) {
  SQLHDBC dbc = Connect();
  SQLHSTMT stmt = NewStatement(dbc);
  EXPECT_EQ(RunAndCancel(stmt, "with recursive c(x) as (select 1 union all select x + 1 from c) "
                               "select count(*) from c"),
            SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, stmt), "HY008");
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

TEST_F(CancelTest, CancelOfAnIdleStatementClosesItsResults) {
  SQLHDBC dbc = Connect();
  SQLHSTMT stmt = NewStatement(dbc);
  EXPECT_EQ(SQLCancel(stmt), SQL_SUCCESS);
  ASSERT_EQ(SQLExecDirect(stmt, (SQLCHAR*)"select 1 union all select 2; select 3", SQL_NTS), SQL_SUCCESS);
  EXPECT_EQ(SQLFetch(stmt), SQL_SUCCESS);
  EXPECT_EQ(SQLCancel(stmt), SQL_SUCCESS);
  EXPECT_EQ(SQLFetch(stmt), SQL_ERROR);
  EXPECT_EQ(SQLMoreResults(stmt), SQL_NO_DATA);
  ASSERT_EQ(SQLExecDirect(stmt, (SQLCHAR*)"select 4", SQL_NTS), SQL_SUCCESS) << DiagText(SQL_HANDLE_STMT, stmt);
  EXPECT_EQ(SQLFetch(stmt), SQL_SUCCESS);
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

TEST_F(CancelTest, QueryTimeoutEndsALongStatement) {
  SQLHDBC dbc = Connect();
  SQLHSTMT stmt = NewStatement(dbc);
  ASSERT_EQ(SQLSetStmtAttr(stmt, SQL_ATTR_QUERY_TIMEOUT, (SQLPOINTER)1, 0), SQL_SUCCESS);
  EXPECT_EQ(SQLExecDirect(stmt, (SQLCHAR*)"select sleep(600)", SQL_NTS), SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, stmt), "HYT00");
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

// The user-interface thread and a query's worker share a connection, each
// with statements of its own.
TEST_F(CancelTest, TwoThreadsShareAConnection) {
  SQLHDBC dbc = Connect();
  Run(dbc, "create database sales; create table t(n int); insert into t values (1), (2)");
  std::atomic<int> failures{0};
  auto worker = [&](bool switchDatabases) {
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt) != SQL_SUCCESS) {
      ++failures;
      return;
    }
    for (int i = 0; i < 100; ++i) {
      const char* sql = switchDatabases ? (i % 2 ? "use sales" : "use master") : "select count(*) from master..t";
      if (!SQL_SUCCEEDED(SQLExecDirect(stmt, (SQLCHAR*)sql, SQL_NTS))) ++failures;
      while (SQLFetch(stmt) == SQL_SUCCESS) {
      }
      SQLFreeStmt(stmt, SQL_CLOSE);
      if (!SQL_SUCCEEDED(SQLTables(stmt, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0))) ++failures;
      SQLFreeStmt(stmt, SQL_CLOSE);
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  };
  std::thread ui(worker, true);
  std::thread query(worker, false);
  ui.join();
  query.join();
  EXPECT_EQ(failures, 0);
}

// A cancel stops the statement it is aimed at; another statement reading on
// the same connection goes on.
TEST_F(CancelTest, CancelLeavesTheConnectionsOtherStatementsAlone) {
  SQLHDBC dbc = Connect();
  Run(dbc, "create table t(n int); insert into t values (1), (2), (3)");
  SQLHSTMT reader = NewStatement(dbc);
  ASSERT_EQ(SQLExecDirect(reader, (SQLCHAR*)"select n from t order by n", SQL_NTS), SQL_SUCCESS);
  ASSERT_EQ(SQLFetch(reader), SQL_SUCCESS);
  SQLHSTMT sleeper = NewStatement(dbc);
  EXPECT_EQ(RunAndCancel(sleeper, "select sleep(600)"), SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, sleeper), "HY008");
  ASSERT_EQ(SQLFetch(reader), SQL_SUCCESS) << DiagText(SQL_HANDLE_STMT, reader);
  ASSERT_EQ(SQLFetch(reader), SQL_SUCCESS) << DiagText(SQL_HANDLE_STMT, reader);
  EXPECT_EQ(SQLFetch(reader), SQL_NO_DATA);
  SQLFreeHandle(SQL_HANDLE_STMT, reader);
  SQLFreeHandle(SQL_HANDLE_STMT, sleeper);
}

// A new execution first runs what is left of the statement's previous batch;
// a cancel that arrives meanwhile ends the new execution too.
TEST_F(CancelTest, CancelDuringTheRestOfTheLastBatchStopsTheNewStatement) {
  SQLHDBC dbc = Connect();
  SQLHSTMT stmt = NewStatement(dbc);
  ASSERT_EQ(SQLExecDirect(stmt, (SQLCHAR*)"select 1; select sleep(600)", SQL_NTS), SQL_SUCCESS);
  while (SQLFetch(stmt) == SQL_SUCCESS) {
  }
  SQLRETURN rc = SQL_SUCCESS;
  std::thread worker([&] { rc = SQLExecDirect(stmt, (SQLCHAR*)"select 2", SQL_NTS); });
  // The worker is then inside the 600-second rest of the batch.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_EQ(SQLCancel(stmt), SQL_SUCCESS);
  worker.join();
  EXPECT_EQ(rc, SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, stmt), "HY008");
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

// Cancels aimed at statements that another thread frees at the same moment
// never touch a freed statement (the sanitizer builds see any that would).
TEST_F(CancelTest, HiddenCancelIsRefused) {
  TestConnection options = Options();
  options.hide = "SQLCancel";
  SQLHDBC dbc = Connect(options);
  SQLHSTMT stmt = NewStatement(dbc);
  EXPECT_EQ(SQLCancel(stmt), SQL_ERROR);
  EXPECT_EQ(DiagState(SQL_HANDLE_STMT, stmt), "IM001");
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

}  // namespace
}  // namespace orva::testdriver::test
