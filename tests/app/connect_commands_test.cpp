// Connecting as a user does: 连接 (the connection dialog) to the test
// PostgreSQL server, 连接文件数据库 on a SQLite file, and a driver that is
// not installed.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fstream>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <cstdlib>

#include "app/connectdlg.h"
#include "app_test_util.h"
#include "browser/schemaview.h"
#include "db/connectstring.h"
#include "db/dbconnection.h"
#include "db/recordsetex.h"
#include "export/dbfwriter.h"
#include "export/textformatdlg.h"
#include "odbc_test_env.h"
#include "pg_password.h"
#include "platform/codec.h"
#include "platform/profile.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"
#include "test_env.h"

namespace orva {
namespace {

std::string Env(const char* name) { return std::getenv(name) ? std::getenv(name) : ""; }

void TypeInto(QLineEdit* edit, const std::string& text) {
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, QString::fromStdString(text));
}

// Fills the connection dialog for the test server and presses OK.
int AnswerConnectDialog(QDialog& dialog, const std::string& user, const std::string& password) {
  auto* connect = dynamic_cast<CConnectDlg*>(&dialog);
  EXPECT_NE(connect, nullptr);
  if (!connect) return QDialog::Rejected;
  connect->TypeBox()->setCurrentIndex(connect->TypeBox()->findText("PostgreSQL ANSI"));
  TypeInto(connect->ServerBox()->lineEdit(), Env("ORVA_PG_SOCKET_DIR"));
  TypeInto(connect->UserEdit(), user);
  TypeInto(connect->PasswordEdit(), password);
  TypeInto(connect->PortEdit(), Env("ORVA_PG_PORT"));
  TypeInto(connect->DatabaseEdit(), Env("ORVA_PG_DATABASE"));
  QTest::mouseClick(connect->OkButton(), Qt::LeftButton);
  return connect->result();
}

std::string CountRows(CDBConnection* connection, const std::string& sql) {
  CRecordsetEx* set = nullptr;
  std::string text;
  if (connection->OpenResultSet(sql, set) == 1 && !set->IsEOF()) set->GetFieldText(0, text);
  CDBConnection::CloseResultSet(set);
  return text;
}

class ConnectCommands : public ::testing::Test {
 protected:
  void SetUp() override { test::RegisterTestDrivers(); }
  test::MessageBoxRecorder m_boxes;
};

TEST_F(ConnectCommands, ServerDialogOpensAWindowNamedAfterTheServer) {
  if (!test::PostgresConfigured()) GTEST_SKIP() << "no test PostgreSQL server";
  test::AppSession session;
  {
    test::DialogAnswer answer([](QDialog& dialog) { return AnswerConnectDialog(dialog, Env("ORVA_PG_USER"), "x"); });
    session.ClickButton(ID_FILE_CONNECT);  // the first tool-bar button
  }
  ASSERT_EQ(session.frame->QueryWindowCount(), 1) << m_boxes.LastText().toStdString();
  const QString server = QString::fromStdString(Env("ORVA_PG_SOCKET_DIR"));
  EXPECT_TRUE(session.frame->Windows().front()->windowTitle().startsWith("查询 － " + server + "."))
      << session.frame->Windows().front()->windowTitle().toStdString();
  EXPECT_EQ(session.frame->GetBrowser()->topLevelItem(0)->text(0), server);
  EXPECT_EQ(CountRows(session.frame->GetActiveConnection(), "SELECT 40 + 4"), "44");
  // The password typed is nowhere in the window title or the settings.
  EXPECT_EQ(GetProfileText("Setting", "PreConnServers", ""), GbkFromQString(server) + ",localhost");
}

TEST_F(ConnectCommands, WrongPasswordGivesTheDriversMessageAndNoConnection) {
  if (!test::PostgresConfigured() || Env("ORVA_PG_ROOT").empty()) GTEST_SKIP() << "no test PostgreSQL server";
  // A role that must log in with its password.
  const std::string role = test::UniqueName("pw");
  {
    CDBConnection admin;
    ASSERT_TRUE(admin.Open(test::PostgresConnectString()));
    admin.Execute("CREATE ROLE " + role + " LOGIN PASSWORD 'right'");
    ASSERT_TRUE(test::RequirePasswordFor(role));
    CountRows(&admin, "SELECT pg_reload_conf()");
  }
  test::AppSession session;
  {
    test::DialogAnswer answer([&](QDialog& dialog) { return AnswerConnectDialog(dialog, role, "wrong"); });
    session.Choose(ID_FILE_CONNECT);
  }
  EXPECT_EQ(session.frame->QueryWindowCount(), 0);
  EXPECT_EQ(session.frame->ConnectionCount(), 0);
  EXPECT_TRUE(m_boxes.LastText().contains("password authentication failed")) << m_boxes.LastText().toStdString();
  {
    test::DialogAnswer answer([&](QDialog& dialog) { return AnswerConnectDialog(dialog, role, "right"); });
    session.Choose(ID_FILE_CONNECT);
  }
  EXPECT_EQ(session.frame->ConnectionCount(), 1);
}

TEST_F(ConnectCommands, FileDatabaseOpensASqliteFileNamedAfterTheFile) {
  const std::string file = test::NewSqliteFile();
  {
    CDBConnection setup;
    ASSERT_TRUE(setup.Open(test::SqliteConnectString(file)));
    setup.Execute("CREATE TABLE goods (id INTEGER, name TEXT)");
    setup.Execute("INSERT INTO goods VALUES (1, 'a'), (2, 'b')");
  }
  const QString path = QString::fromStdString(file);
  test::AppSession session;
  test::OpenFileDatabase(session, path);
  ASSERT_EQ(session.frame->QueryWindowCount(), 1) << m_boxes.LastText().toStdString();
  const QString name = "数据文件(" + QFileInfo(path).fileName() + ")";
  EXPECT_EQ(session.frame->GetBrowser()->topLevelItem(0)->text(0), name);
  EXPECT_TRUE(session.frame->Windows().front()->windowTitle().contains(name));
  EXPECT_EQ(CountRows(session.frame->GetActiveConnection(), "SELECT count(*) FROM goods"), "2");
  EXPECT_EQ(GetProfileText("Setting", "LastFileExt", ""), "sqlite");
  EXPECT_EQ(QStringFromGbk(GetProfileText("Setting", "LastFilePath", "")), QFileInfo(path).absolutePath());
}

// Opens `path` through 连接文件数据库 as a user does: the file chosen in the
// file dialog, a text file's format dialog confirmed with 确定 as guessed.
// Returns how many format dialogs were shown; `columns` receives the column
// names the format dialog listed when OK was pressed.
int ChooseFileDatabase(test::AppSession& session, const QString& path, QStringList* columns = nullptr) {
  int formatDialogs = 0;
  test::DialogAnswer answer([&](QDialog& dialog) {
    if (auto* files = dynamic_cast<QFileDialog*>(&dialog)) {
      files->selectFile(path);
      QMetaObject::invokeMethod(files, "accept");
      return files->result();
    }
    ++formatDialogs;
    dialog.show();
    // A comma-separated file with a heading line: the user says so.
    for (QComboBox* kinds : dialog.findChildren<QComboBox*>()) {
      const int csv = kinds->findText("CSV格式");
      if (csv < 0) continue;
      kinds->setFocus();
      while (kinds->currentIndex() < csv) QTest::keyClick(kinds, Qt::Key_Down);
    }
    for (QCheckBox* box : dialog.findChildren<QCheckBox*>())
      if (box->text() == "第一行为列名" && !box->isChecked()) QTest::mouseClick(box, Qt::LeftButton);
    if (columns)
      for (CColumnListCtrl* list : dialog.findChildren<CColumnListCtrl*>())
        for (int row = 0; row < list->rowCount(); ++row) *columns << list->item(row, 1)->text();
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
      if (button->text() == "确定") {
        QTest::mouseClick(button, Qt::LeftButton);
        break;
      }
    dialog.hide();
    return dialog.result();
  });
  session.Choose(ID_FILE_CONNECT_FILE);
  return formatDialogs;
}

using test::TablesInBrowser;

TEST_F(ConnectCommands, FileDatabaseOpensCsvAndXlsFilesThroughOrvasDriver) {
  const QString folder = QString::fromStdString(test::NewSqliteFile()) + ".files";
  ASSERT_TRUE(QDir().mkpath(folder));
  {
    std::ofstream csv((folder + "/goods.csv").toStdString());
    csv << "id,name\r\n1,apple\r\n2,pear\r\n3,plum\r\n";
  }
  const QString xls = folder + "/stock.xls";
  const int made = std::system(("/usr/bin/python3 -c \"import xlwt; b = xlwt.Workbook(); s = b.add_sheet('stock'); "
                                "[s.write(r, c, v) for r, row in enumerate([['id', 'qty'], [1, 5], [2, 7]]) "
                                "for c, v in enumerate(row)]; b.save('" + xls.toStdString() + "')\"").c_str());
  ASSERT_EQ(made, 0) << "python3-xlwt is needed to make the workbook";

  test::AppSession session;
  // Choosing "CSV格式" alone (no 分析) splits the heading into its columns.
  QStringList columns;
  EXPECT_EQ(ChooseFileDatabase(session, folder + "/goods.csv", &columns), 1);  // a text file is described first
  EXPECT_EQ(columns, (QStringList{"id", "name"}));
  ASSERT_EQ(session.frame->ConnectionCount(), 1) << m_boxes.LastText().toStdString();
  EXPECT_EQ(session.frame->GetBrowser()->topLevelItem(0)->text(0), "数据文件(goods.csv)");
  EXPECT_TRUE(TablesInBrowser(session.frame->GetBrowser()).contains("goods.csv"));
  EXPECT_EQ(CountRows(session.frame->GetActiveConnection(), "SELECT count(*) FROM \"goods.csv\""), "3");
  EXPECT_EQ(CountRows(session.frame->GetActiveConnection(), "SELECT name FROM \"goods.csv\" WHERE id = 2"), "pear");
  QFile schema(folder + "/schema.ini");
  ASSERT_TRUE(schema.open(QIODevice::ReadOnly));
  const QByteArray section = schema.readAll();
  EXPECT_TRUE(section.contains("\r\nFormat=CSVDelimited\r\n")) << section.toStdString();
  EXPECT_TRUE(section.contains("\r\nCol1=id Integer\r\nCol2=name Char Width 255\r\n")) << section.toStdString();
  ASSERT_TRUE(session.frame->DisconnectAll());

  EXPECT_EQ(ChooseFileDatabase(session, xls), 0);
  ASSERT_EQ(session.frame->ConnectionCount(), 1) << m_boxes.LastText().toStdString();
  EXPECT_EQ(session.frame->GetBrowser()->topLevelItem(0)->text(0), "数据文件(stock.xls)");
  EXPECT_TRUE(TablesInBrowser(session.frame->GetBrowser()).contains("stock"));
  EXPECT_EQ(CountRows(session.frame->GetActiveConnection(), "SELECT count(*) FROM stock WHERE qty > 6"), "1");
}

TEST_F(ConnectCommands, FileDatabaseOpensADbfFileThroughTheDBaseDriver) {
  const QString folder = QString::fromStdString(test::NewSqliteFile()) + ".dbf.files";
  ASSERT_TRUE(QDir().mkpath(folder));
  const QString path = folder + "/fruit.dbf";
  {
    CDbfWriter writer;
    writer.Init(3, 2);
    writer.DefineField(0, "id", 'N', CDbfWriter::NumericWidth(5, 0));
    writer.DefineField(1, "name", 'C', 10);
    ASSERT_TRUE(writer.Open(QFile::encodeName(path).toStdString()));
    ASSERT_TRUE(writer.WriteHeader());
    for (const auto& [id, name] : {std::pair{"1", "apple"}, {"2", "苹果"}, {"3", "plum"}}) {
      writer.SetFieldValue(0, id);
      writer.SetFieldValue(1, GbkFromUtf8(name));
      ASSERT_TRUE(writer.WriteRecord());
    }
    ASSERT_TRUE(writer.Close());
  }
  test::AppSession session;
  EXPECT_EQ(ChooseFileDatabase(session, path), 0);  // no format to describe
  ASSERT_EQ(session.frame->ConnectionCount(), 1) << m_boxes.LastText().toStdString();
  EXPECT_EQ(session.frame->GetBrowser()->topLevelItem(0)->text(0), "数据文件(fruit.dbf)");
  EXPECT_TRUE(session.frame->Windows().front()->windowTitle().contains("数据文件(fruit.dbf)"));
  EXPECT_TRUE(TablesInBrowser(session.frame->GetBrowser()).contains("fruit"));
  CDBConnection* connection = session.frame->GetActiveConnection();
  EXPECT_EQ(CountRows(connection, "SELECT count(*) FROM fruit"), "3");
  EXPECT_EQ(CountRows(connection, "SELECT name FROM fruit WHERE id = 2"), GbkFromUtf8("苹果"));
  EXPECT_EQ(GetProfileText("Setting", "LastFileExt", ""), "dbf");
}

TEST_F(ConnectCommands, MissingDriverIsNamedAndNothingIsLeftOpen) {
  test::AppSession session;
  EXPECT_EQ(session.frame->NewConnection("DRIVER={Sybase ASE ODBC Driver};SERVER=x;UID=u;PWD=p;", std::nullopt),
            nullptr);
  EXPECT_EQ(session.frame->ConnectionCount(), 0);
  EXPECT_EQ(session.frame->GetBrowser()->topLevelItemCount(), 0);
  ASSERT_EQ(m_boxes.Count(), 1u);
  EXPECT_TRUE(m_boxes.LastText().contains("Sybase ASE ODBC Driver")) << m_boxes.LastText().toStdString();
  EXPECT_TRUE(m_boxes.LastText().contains("tdsodbc")) << m_boxes.LastText().toStdString();
}

}  // namespace
}  // namespace orva
