// Statements that begin with WITH and change data are carried out on the
// link the user gets, whichever the driver (the drivers' row-streaming modes
// would skip or refuse them).

#include <gtest/gtest.h>

#include "db_fixture.h"

namespace orva {
namespace {

class WithStatementTest : public test::DatabaseTest {};

TEST_P(WithStatementTest, ADataChangingStatementBeginningWithWithIsCarriedOut) {
  const std::string t = CreateTable("id integer, name varchar(20)");
  m_conn->Execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 500) INSERT INTO " + t +
                  " SELECT i, 'row' || i FROM n");
  CRecordsetEx* set = nullptr;
  ASSERT_EQ(m_conn->OpenResultSet("WITH d AS (SELECT 400 AS limit_id) DELETE FROM " + t +
                                      " WHERE id > (SELECT limit_id FROM d)",
                                  set),
            1);
  EXPECT_EQ(set->GetColumnCount(), 0);
  CDBConnection::CloseResultSet(set);
  EXPECT_EQ(test::ReadOneOn(*m_conn, "SELECT count(*) FROM " + t), "400");
}

ORVA_INSTANTIATE_FOR_DATABASES(WithStatementTest);

}  // namespace
}  // namespace orva
