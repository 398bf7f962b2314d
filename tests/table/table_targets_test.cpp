// The table window cases on SQLite and on the private PostgreSQL server
// (its ANSI and its Unicode driver).

#include "odbc_test_env.h"
#include "table_window_cases.h"

namespace orva::test {
namespace {

std::vector<TableTarget> Targets() {
  RegisterTestDrivers();
  std::vector<TableTarget> targets;
  for (const TestDatabase& db : TestDatabases())
    targets.push_back(TableTarget{db.name, db.family, db.unavailableReason, db.connectString});
  return targets;
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Databases, TableWindowTest, ::testing::ValuesIn(Targets()), TableTargetName);

}  // namespace orva::test
