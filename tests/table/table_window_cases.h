#pragma once
// The table window driven like a user on one database: each test binary
// names its databases (TableTargets) and instantiates the shared cases.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <QString>

namespace orva {
class CDBConnection;
class CGridCtrl;
class CSingleViewFrame;
class CTableView;
}  // namespace orva

namespace orva::test {

struct TableTarget {
  std::string name;
  std::string family;  // "SQLite", "PostgreSQL" or "TestDriver": the SQL dialect
  std::function<std::string()> unavailableReason;
  std::function<std::string()> connectString;  // a fresh database for file databases
};
inline void PrintTo(const TableTarget& target, std::ostream* os) { *os << target.name; }
inline std::string TableTargetName(const ::testing::TestParamInfo<TableTarget>& info) { return info.param.name; }

using Rows = std::vector<std::vector<std::string>>;  // values as UTF-8, NULL as "<NULL>"

class TableWindowTest : public ::testing::TestWithParam<TableTarget> {
 protected:
  void SetUp() override;
  void TearDown() override;

  bool IsPostgres() const { return GetParam().family == "PostgreSQL"; }
  // "integer primary key" that numbers new rows by itself.
  std::string AutoKey() const { return IsPostgres() ? "serial primary key" : "integer primary key"; }
  std::string NewTable(const std::string& columns);
  void Exec(const std::string& utf8Sql, CDBConnection* connection = nullptr);
  Rows Query(const std::string& utf8Sql, CDBConnection* connection = nullptr);

  void OpenWindow(const std::string& table);
  CGridCtrl* Grid() const;
  CTableView* View() const;
  std::string Cell(int row, int col) const;  // UTF-8
  std::vector<std::string> Headings() const;
  void ClickCell(int row, int col);
  // Types the text into a cell (the first character starts the editor) and
  // ends the edit with the key.
  void TypeInCell(int row, int col, const QString& text, int endKey = 0x01000004 /* Return */);
  // Empties a cell through the editor.
  void ClearCell(int row, int col);
  // Opens the grid's context menu and picks the item with the mnemonic key.
  void ChooseFromContextMenu(int row, int col, int mnemonicKey);

  std::string m_connect;
  std::unique_ptr<CDBConnection> m_conn;
  std::unique_ptr<CSingleViewFrame> m_frame;
  std::vector<std::string> m_tables;
};

}  // namespace orva::test
