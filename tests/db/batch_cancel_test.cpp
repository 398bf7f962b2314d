// Batches with several results, and cancelling a running statement from
// another thread.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "db/odbcenv.h"
#include "db_fixture.h"

namespace orva::test {
namespace {

using BatchTest = DatabaseTest;

TEST_P(BatchTest, BatchIsWalkedWithNextResult) {
  if (!Db().multipleResults) GTEST_SKIP() << Db().name << " runs statements one by one";
  std::string t = CreateTable("id INTEGER");
  m_conn->Execute("INSERT INTO " + t + " VALUES (1)");
  m_conn->Execute("INSERT INTO " + t + " VALUES (2)");
  CRecordsetEx* set = nullptr;
  ASSERT_EQ(m_conn->OpenResultSet("select 1 as a; select 'x' as b; update " + t + " set id = id + 10", set), 1);
  std::string text;
  ASSERT_EQ(set->GetColumnCount(), 1);
  EXPECT_EQ(set->GetColumnInfo(0).m_strName, "a");
  set->GetFieldText(0, text);
  EXPECT_EQ(text, "1");
  set->MoveNext();
  EXPECT_TRUE(set->IsEOF());

  ASSERT_TRUE(set->NextResult());
  EXPECT_FALSE(set->IsEOF());
  EXPECT_FALSE(set->IsBOF());
  set->DescribeColumns();
  ASSERT_EQ(set->GetColumnCount(), 1);
  EXPECT_EQ(set->GetColumnInfo(0).m_strName, "b");
  set->MoveNext();
  set->GetFieldText(0, text);
  EXPECT_EQ(text, "x");
  set->MoveNext();
  EXPECT_TRUE(set->IsEOF());

  ASSERT_TRUE(set->NextResult());
  set->DescribeColumns();
  EXPECT_EQ(set->GetColumnCount(), 0);
  SQLLEN count = -1;
  SQLRowCount(set->m_hstmt, &count);
  EXPECT_EQ(count, 2);

  EXPECT_FALSE(set->NextResult());
  CDBConnection::CloseResultSet(set);
  EXPECT_EQ(ReadOne("SELECT min(id) FROM " + t), "11");
}

TEST_P(BatchTest, SingleStatementHasNoFurtherResult) {
  CRecordsetEx* set = nullptr;
  ASSERT_EQ(m_conn->OpenResultSet("SELECT 5", set), 1);
  set->MoveNext();
  EXPECT_FALSE(set->NextResult());
  CDBConnection::CloseResultSet(set);
}

// Runs a long statement on a worker thread and cancels it with `cancel`
// until the worker is back; returns the error the worker got (empty when
// the statement was not interrupted).
std::string RunAndCancel(CDBConnection& conn, const std::string& sql, std::shared_ptr<CCancelHandle> runHandle,
                         const std::function<void()>& cancel) {
  std::atomic<bool> done{false};
  std::string error = "<no error>";
  std::thread worker([&] {
    CRecordsetEx* set = nullptr;
    try {
      conn.OpenResultSet(sql, set, runHandle);
    } catch (const CDBException& e) {
      error = e.m_strError;
    }
    CDBConnection::CloseResultSet(set);
    done = true;
  });
  // Cancelling repeats until the worker returns, so it does not matter
  // whether the first cancel came before the statement reached the server.
  while (!done) {
    cancel();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  worker.join();
  return error;
}

TEST_P(BatchTest, CancelCurrentResultSetInterruptsARunningStatement) {
  if (Db().sleepStatement.empty()) GTEST_SKIP() << Db().name << " has no long-running statement";
  std::string error = RunAndCancel(*m_conn, Db().sleepStatement, nullptr, [] {
    if (CDBConnection::CurrentResultSet()) CDBConnection::CancelCurrentResultSet();
  });
  EXPECT_NE(error, "<no error>");
  EXPECT_NE(error.find("cancel"), std::string::npos) << error;
  EXPECT_EQ(CDBConnection::CurrentResultSet(), nullptr);
  // The connection is still usable.
  EXPECT_EQ(ReadOne("SELECT 3"), "3");
}

TEST_P(BatchTest, RunHandleCancelsItsOwnStatementNotTheLastOpened) {
  if (Db().sleepStatement.empty()) GTEST_SKIP() << Db().name << " has no long-running statement";
  CDBConnection other;
  ASSERT_TRUE(other.Open(m_connect));
  auto run = CCancelHandle::Create();
  CRecordsetEx* later = nullptr;
  std::string error = RunAndCancel(*m_conn, Db().sleepStatement, run, [&] {
    // Another window opens a set after the run started: it becomes the
    // current set, yet the run's handle still reaches the run's statement.
    CRecordsetEx* current = CDBConnection::CurrentResultSet();
    if (!later && current) {
      ASSERT_EQ(other.OpenResultSet("SELECT 'other'", later), 1);
    }
    if (later) run->Cancel();
  });
  EXPECT_NE(error.find("cancel"), std::string::npos) << error;
  ASSERT_NE(later, nullptr);
  EXPECT_EQ(CDBConnection::CurrentResultSet(), later);
  std::string text;
  later->GetFieldText(0, text);
  EXPECT_EQ(text, "other");
  CDBConnection::CloseResultSet(later);
  EXPECT_EQ(CDBConnection::CurrentResultSet(), nullptr);
}

TEST_P(BatchTest, CancelledRunDoesNotStartItsNextStatement) {
  std::string t = CreateTable("id INTEGER");
  auto run = CCancelHandle::Create();
  run->Cancel();
  CRecordsetEx* set = nullptr;
  EXPECT_THROW(m_conn->OpenResultSet("INSERT INTO " + t + " VALUES (1)", set, run), CDBException);
  EXPECT_EQ(set, nullptr);
  EXPECT_EQ(ReadOne("SELECT count(*) FROM " + t), "0");
  run->Reset();
  ASSERT_EQ(m_conn->OpenResultSet("INSERT INTO " + t + " VALUES (1)", set, run), 1);
  CDBConnection::CloseResultSet(set);
  EXPECT_EQ(ReadOne("SELECT count(*) FROM " + t), "1");
}

TEST_P(BatchTest, ClosingTheConnectionClosesItsOpenSets) {
  CRecordsetEx* set = nullptr;
  ASSERT_EQ(m_conn->OpenResultSet("SELECT 1", set), 1);
  m_conn->Close();
  EXPECT_EQ(set->m_hstmt, nullptr);
  EXPECT_EQ(set->m_pDatabase, nullptr);
  EXPECT_THROW(set->DescribeColumns(), CDBException);
  CDBConnection::CloseResultSet(set);
}

TEST_P(BatchTest, ACancelLandingAsTheStatementStartsStillStopsIt) {
  if (Db().sleepStatement.empty()) GTEST_SKIP() << Db().name << " has no long-running statement";
  auto run = CCancelHandle::Create();
  std::thread canceller;
  // The cancel arrives after the worker decided to start the statement and
  // before the driver has it: neither the check before the call nor a cancel
  // sent to the still idle statement would stop it.
  run->SetCallStartObserver([&] {
    if (canceller.joinable()) return;
    canceller = std::thread([&] { run->Cancel(); });
    while (!run->IsCancelled()) std::this_thread::yield();
  });
  CRecordsetEx* set = nullptr;
  std::string error = "<no error>";
  try {
    m_conn->OpenResultSet(Db().sleepStatement, set, run);
  } catch (const CDBException& e) {
    error = e.m_strError;
  }
  CDBConnection::CloseResultSet(set);
  canceller.join();
  EXPECT_NE(ToLowerGbk(error).find("cancel"), std::string::npos) << error;
  EXPECT_EQ(ReadOne("SELECT 3"), "3");
}

TEST_P(BatchTest, ARunIsInterruptedOnceAndNeverAfterItsCallReturned) {
  if (Db().sleepStatement.empty()) GTEST_SKIP() << Db().name << " has no long-running statement";
  auto run = CCancelHandle::Create();
  std::atomic<bool> started{false};
  run->SetCallStartObserver([&] { started = true; });
  std::string error = "<no error>";
  std::thread worker([&] {
    CRecordsetEx* set = nullptr;
    try {
      m_conn->OpenResultSet(Db().sleepStatement, set, run);
    } catch (const CDBException& e) {
      error = e.m_strError;
    }
    CDBConnection::CloseResultSet(set);
  });
  while (!started) std::this_thread::yield();
  EXPECT_TRUE(run->Cancel());
  EXPECT_FALSE(run->Cancel());  // the second request only keeps the mark
  worker.join();
  EXPECT_NE(ToLowerGbk(error).find("cancel"), std::string::npos) << error;
  EXPECT_TRUE(run->IsCancelled());
  EXPECT_FALSE(run->Cancel());  // nothing is in flight any more
  // The next run can be interrupted again.
  run->Reset();
  CRecordsetEx* set = nullptr;
  ASSERT_EQ(m_conn->OpenResultSet("SELECT 4", set, run), 1);
  EXPECT_FALSE(run->Cancel());  // between calls: only the mark
  CDBConnection::CloseResultSet(set);
}

TEST_P(BatchTest, ClosingTheLinkWhileAnotherThreadClosesASetFreesEachStatementOnce) {
  const long before = LiveStatementHandles();
  for (int round = 0; round < 60; ++round) {
    CDBConnection conn;
    ASSERT_TRUE(conn.Open(m_connect));
    CRecordsetEx* set = nullptr;
    ASSERT_EQ(conn.OpenResultSet("SELECT 1", set), 1);
    std::atomic<int> ready{0};
    std::thread closer([&] {
      ++ready;
      while (ready < 2) {
      }
      if (round % 2) set->Close();
      CDBConnection::CloseResultSet(set);
    });
    ++ready;
    while (ready < 2) {
    }
    conn.Close();
    closer.join();
    ASSERT_EQ(LiveStatementHandles(), before) << "round " << round;
  }
}

ORVA_INSTANTIATE_FOR_DATABASES(BatchTest);

}  // namespace
}  // namespace orva::test
