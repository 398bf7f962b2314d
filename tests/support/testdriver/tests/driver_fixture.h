#pragma once
// A test fixture that talks to the test driver through the driver manager:
// a private folder of databases, connections with chosen options, and helpers
// that read results and diagnostics as text.

#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <QTemporaryDir>
#include <string>
#include <vector>

#include "testdriver/test_driver.h"

namespace orva::testdriver::test {

// Registers the driver (once per process) and returns the folder holding the
// tests' ODBC configuration.
std::string EnsureDriverRegistered();

// First diagnostic record of a handle as "STATE message" (empty when none).
std::string DiagText(SQLSMALLINT type, SQLHANDLE handle);
// SQLSTATE of the first diagnostic record.
std::string DiagState(SQLSMALLINT type, SQLHANDLE handle);

class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Options for a connection on this test's folder.
  TestConnection Options() const;
  // An environment of the ODBC version (SQLAllocEnv for ODBC 2) and a
  // connection handle on it, not connected; both freed after the test.
  SQLHDBC NewConnectionHandle(SQLINTEGER odbcVersion = SQL_OV_ODBC3);
  // A connection through the driver manager (ODBC 3 unless asked otherwise);
  // fails the test when it cannot connect.
  SQLHDBC Connect(const TestConnection& options, SQLINTEGER odbcVersion = SQL_OV_ODBC3);
  SQLHDBC Connect() { return Connect(Options()); }
  SQLHSTMT NewStatement(SQLHDBC dbc);
  // Runs a statement that must succeed (all its results are read and dropped).
  void Run(SQLHDBC dbc, const std::string& sql);
  // Rows of the current result, each value read whole with SQLGetData as text;
  // NULL is "<NULL>".
  std::vector<std::vector<std::string>> Rows(SQLHSTMT stmt);
  // Rows of a query run on a new statement.
  std::vector<std::vector<std::string>> Query(SQLHDBC dbc, const std::string& sql);

  QTemporaryDir m_folder;
  std::vector<SQLHENV> m_envs;
  std::vector<SQLHDBC> m_dbcs;
};

}  // namespace orva::testdriver::test
