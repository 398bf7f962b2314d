#pragma once
// A test fixture run once per database of the fixture list: each case gets a
// fresh connection (and, for file databases, a fresh database) and names its
// tables uniquely, so cases can run in parallel processes.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "db/dbconnection.h"
#include "db/dbexception.h"
#include "db/recordsetex.h"
#include "odbc_test_env.h"
#include "platform/codec.h"
#include "platform/qtext.h"

namespace orva::test {

// All rows of a statement as texts (rows of columns).
inline std::vector<std::vector<std::string>> ReadAllOn(CDBConnection& conn, const std::string& sql) {
  std::vector<std::vector<std::string>> rows;
  CRecordsetEx* set = nullptr;
  EXPECT_EQ(conn.OpenResultSet(sql, set), 1);
  if (!set) return rows;
  std::string text;
  while (!set->IsEOF()) {
    std::vector<std::string>& row = rows.emplace_back();
    for (int i = 0; i < set->GetColumnCount(); ++i) {
      set->GetFieldText(i, text);
      row.push_back(text);
    }
    set->MoveNext();
  }
  CDBConnection::CloseResultSet(set);
  return rows;
}

inline std::string ReadOneOn(CDBConnection& conn, const std::string& sql) {
  auto rows = ReadAllOn(conn, sql);
  if (rows.empty() || rows[0].empty()) {
    ADD_FAILURE() << "no value from " << sql;
    return {};
  }
  return rows[0][0];
}

class DatabaseTest : public ::testing::TestWithParam<TestDatabase> {
 protected:
  void SetUp() override {
    RegisterTestDrivers();
    const std::string reason = GetParam().unavailableReason();
    if (!reason.empty()) GTEST_SKIP() << reason;
    m_connect = GetParam().connectString();
    m_conn = std::make_unique<CDBConnection>();
    ASSERT_TRUE(m_conn->Open(m_connect)) << "cannot connect to " << GetParam().name;
  }

  void TearDown() override {
    if (!m_conn) return;
    for (const std::string& table : m_tables) {
      try {
        m_conn->Execute("DROP TABLE " + table);
      } catch (const CDBException&) {
      }
    }
    m_conn.reset();
  }

  const TestDatabase& Db() const { return GetParam(); }

  // Creates a table with a unique name from the column list; dropped after the case.
  std::string CreateTable(const std::string& columns) {
    std::string name = UniqueName("t");
    m_conn->Execute("CREATE TABLE " + name + " (" + columns + ")");
    m_tables.push_back(name);
    return name;
  }

  std::vector<std::vector<std::string>> ReadAll(const std::string& sql) { return ReadAllOn(*m_conn, sql); }
  std::string ReadOne(const std::string& sql) { return ReadOneOn(*m_conn, sql); }

  std::string m_connect;
  std::unique_ptr<CDBConnection> m_conn;
  std::vector<std::string> m_tables;
};

inline std::string Gbk(const char* utf8) { return GbkFromUtf8(utf8); }

#define ORVA_INSTANTIATE_FOR_DATABASES(Fixture)                                              \
  INSTANTIATE_TEST_SUITE_P(Databases, Fixture, ::testing::ValuesIn(::orva::test::TestDatabases()), \
                           [](const auto& info) { return ::orva::test::TestDatabaseName(info.param); })

}  // namespace orva::test
