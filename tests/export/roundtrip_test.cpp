// A grid saved as text, described with the text-format dialog and opened
// again as a file database through ORVA's file driver: the same values come
// back, awkward ones included.

#include <QComboBox>
#include <QPushButton>

#include "db/connectstring.h"
#include "db/dbconnection.h"
#include "db/dbexception.h"
#include "export/resultsaver.h"
#include "export/textformatdlg.h"
#include "odbc_test_env.h"
#include "saver_fixture.h"

namespace orva::test {
namespace {

using RoundTripTest = SaverTest;

std::vector<std::vector<std::string>> QueryAll(CDBConnection& conn, const std::string& sql) {
  std::vector<std::vector<std::string>> rows;
  CRecordsetEx* set = nullptr;
  try {
    conn.OpenResultSet(sql, set);
    std::string text;
    while (set && !set->IsEOF()) {
      auto& row = rows.emplace_back();
      for (int c = 0; c < set->GetColumnCount(); ++c) {
        set->GetFieldText(c, text);
        row.push_back(text);
      }
      set->MoveNext();
    }
  } catch (const CDBException& e) {
    ADD_FAILURE() << sql << ": " << Utf8FromGbk(e.ErrorText());
  }
  CDBConnection::CloseResultSet(set);
  return rows;
}

TEST_F(RoundTripTest, SavedTextDescribedByTheDialogReadsBackThroughTheFileDriver) {
  RegisterTestDrivers();
  const std::vector<std::vector<std::string>> rows = {
      {GbkFromUtf8("张三"), "12", "a,b"}, {"say \"hi\"", "-7", "two\r\nlines"}, {"plain", "0", ""}};
  Fill({"name", "qty", "note"}, rows);
  const QString path = PathOf("people.txt");
  {
    MessageBoxRecorder boxes;
    SaveDialogUser user({.fileType = 0, .name = path, .clickHeader = true, .delimiter = 1});
    CResultSaver::Save(m_grid, {Column("name", SQL_VARCHAR, 20), Column("qty", SQL_INTEGER, 10),
                                Column("note", SQL_VARCHAR, 20)});
    WaitForSaves();
    ASSERT_EQ(boxes.LastText(), QStringLiteral("数据保存完毕"));
  }
  DialogHook previous = SetDialogHook([](QDialog& base) {
    auto& dialog = dynamic_cast<CTextFormatDlg&>(base);
    dialog.show();
    QCoreApplication::processEvents();
    PickWithKeys(dialog.DelimiterBox(), 1);
    QTest::mouseClick(dialog.AnalyseButton(), Qt::LeftButton);
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("1")), Qt::LeftButton);
    return dialog.result();
  });
  const bool wrote = RunTextFormatDialog(path);
  SetDialogHook(previous);
  ASSERT_TRUE(wrote);

  CDBConnection conn;
  ASSERT_TRUE(conn.Open(TextConnectString(QFile::encodeName(path).toStdString())));
  EXPECT_EQ(QueryAll(conn, "select name, qty, note from \"people.txt\""), rows);
  EXPECT_EQ(QueryAll(conn, "select sum(qty) from \"people.txt\""), (std::vector<std::vector<std::string>>{{"5"}}));

  // The same grid as a dBase table, read through the dBase connection.
  const QString dbf = PathOf("people.dbf");
  {
    MessageBoxRecorder boxes;
    SaveDialogUser user({.fileType = 1, .name = dbf});
    CResultSaver::Save(m_grid, {Column("name", SQL_VARCHAR, 20), Column("qty", SQL_INTEGER, 10),
                                Column("note", SQL_VARCHAR, 20)});
    WaitForSaves();
    ASSERT_EQ(boxes.LastText(), QStringLiteral("数据保存完毕"));
  }
  CDBConnection dbase;
  ASSERT_TRUE(dbase.Open(DBaseConnectString(QFile::encodeName(dbf).toStdString())));
  EXPECT_EQ(QueryAll(dbase, "select NAME, QTY, NOTE from \"people\" order by QTY"),
            (std::vector<std::vector<std::string>>{{rows[1][0], "-7", rows[1][2]}, {"plain", "0", ""},
                                                   {rows[0][0], "12", rows[0][2]}}));
}

}  // namespace
}  // namespace orva::test
