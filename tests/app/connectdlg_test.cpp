// The connection dialog as a user fills it in: remembered types, servers and
// user, the server check, and connecting to the test PostgreSQL server with a
// password that holds ";" and "}".

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/connectdlg.h"
#include "app/connectprefs.h"
#include "db/dbconnection.h"
#include "db/dbexception.h"
#include "db/odbcsources.h"
#include "db/recordsetex.h"
#include "odbc_test_env.h"
#include "pg_password.h"
#include "platform/codec.h"
#include "platform/profile.h"
#include "test_env.h"

namespace orva {
namespace {

std::string Stored(const char* name) { return GetProfileText("Setting", name, "<none>"); }

QStringList Items(const QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

// Types into a field as a user does: select all, delete, then the keys.
void TypeInto(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

void TypeServer(CConnectDlg& dialog, const QString& text) { TypeInto(dialog.ServerBox()->lineEdit(), text); }

class ConnectDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    test::RegisterTestDrivers();
    WriteProfileText("Setting", std::nullopt, std::nullopt);
    WriteProfileText("PreConnOptions", std::nullopt, std::nullopt);
  }
  test::MessageBoxRecorder m_boxes;
};

TEST_F(ConnectDialog, FirstUseOffersLocalhostAndNoTypeWithoutASqlServerDriver) {
  CConnectDlg dialog;
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  EXPECT_EQ(dialog.windowTitle(), "数据库连接信息");
  std::vector<std::string> drivers = InstalledDrivers();
  const int sqlServer = FirstWithPrefix(drivers, "SQL Server");
  EXPECT_EQ(dialog.TypeBox()->currentIndex(), sqlServer);
  EXPECT_EQ(dialog.TypeBox()->count(), static_cast<int>(drivers.size()));
  EXPECT_EQ(Items(dialog.ServerBox()), QStringList{"localhost"});
  EXPECT_EQ(dialog.ServerBox()->currentText(), "localhost");
  EXPECT_TRUE(dialog.UserEdit()->text().isEmpty());
  EXPECT_TRUE(dialog.PasswordEdit()->text().isEmpty());
  EXPECT_EQ(dialog.PasswordEdit()->echoMode(), QLineEdit::Password);
}

TEST_F(ConnectDialog, ServerListKeepsTheTypedNameFirstAndDropsItsOldEntry) {
  WriteProfileText("Setting", "PreConnServers", "a,b,c");
  WriteProfileText("Setting", "PreConnDBType", "postgresql u");  // prefix, any letter case
  WriteProfileText("Setting", "PreConnUID", "ann");
  {
    CConnectDlg dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(Items(dialog.ServerBox()), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(dialog.TypeBox()->currentText(), "PostgreSQL Unicode");
    EXPECT_EQ(dialog.UserEdit()->text(), "ann");
    TypeServer(dialog, "B");
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.m_strServer, "B");
  }
  EXPECT_EQ(Stored("PreConnServers"), "B,a,c");
  EXPECT_EQ(Stored("PreConnDBType"), "PostgreSQL Unicode");
  {
    CConnectDlg dialog;
    TypeServer(dialog, "new");
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
  }
  EXPECT_EQ(Stored("PreConnServers"), "new,B,a,c");
  {
    // "清空列表" empties the box; the stored list changes only with the next OK.
    CConnectDlg dialog;
    QTest::mouseClick(dialog.ClearListButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.ServerBox()->count(), 0);
    EXPECT_EQ(Stored("PreConnServers"), "new,B,a,c");
    TypeServer(dialog, "x");
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
  }
  EXPECT_EQ(Stored("PreConnServers"), "x");

  EXPECT_EQ(ServerEntries("a,b,"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(ServerEntries("a,,b  "), (std::vector<std::string>{"a", "", "b"}));
}

TEST_F(ConnectDialog, EmptyServerIsRefusedAndTheDialogStaysOpen) {
  CConnectDlg dialog;
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  TypeServer(dialog, "");
  QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
  ASSERT_EQ(m_boxes.Count(), 1u);
  EXPECT_EQ(m_boxes.Boxes()[0].text, "指定服务器名称");
  EXPECT_EQ(m_boxes.Boxes()[0].caption, "数据库连接");
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(Stored("PreConnServers"), "<none>");
}

TEST_F(ConnectDialog, PasswordWithSeparatorsConnectsOnlyWhenItIsTheRealOne) {
  if (!test::PostgresConfigured() || !std::getenv("ORVA_PG_ROOT")) GTEST_SKIP() << "no test PostgreSQL server";
  const std::string role = test::UniqueName("pw");
  {
    CDBConnection admin;
    ASSERT_TRUE(admin.Open(test::PostgresConnectString()));
    admin.Execute("CREATE ROLE " + role + " LOGIN PASSWORD 'p;w}d'");
    ASSERT_TRUE(test::RequirePasswordFor(role));
    CRecordsetEx* set = nullptr;
    admin.OpenResultSet("SELECT pg_reload_conf()", set);
    CDBConnection::CloseResultSet(set);
  }

  auto connectWith = [&](const QString& typed) {
    CConnectDlg dialog;
    dialog.TypeBox()->setCurrentIndex(dialog.TypeBox()->findText("PostgreSQL Unicode"));
    TypeServer(dialog, QString::fromStdString(std::getenv("ORVA_PG_SOCKET_DIR")));
    TypeInto(dialog.UserEdit(), QString::fromStdString(role));
    TypeInto(dialog.PasswordEdit(), typed);
    TypeInto(dialog.PortEdit(), QString::fromStdString(std::getenv("ORVA_PG_PORT")));
    TypeInto(dialog.DatabaseEdit(), QString::fromStdString(std::getenv("ORVA_PG_DATABASE")));
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    CDBConnection conn;
    return conn.Open(ServerConnectString(dialog.Login()));
  };

  EXPECT_FALSE(connectWith("p;w}"));
  ASSERT_GE(m_boxes.Count(), 1u);
  EXPECT_TRUE(m_boxes.LastText().contains("password authentication failed")) << m_boxes.LastText().toStdString();
  EXPECT_TRUE(connectWith("p;w}d"));
  // Port and database are kept per type; the password is kept nowhere.
  EXPECT_EQ(ReadTypeOptions("PostgreSQL Unicode").port, std::getenv("ORVA_PG_PORT"));
  std::ifstream settings(ProfileFilePath());
  std::stringstream text;
  text << settings.rdbuf();
  EXPECT_EQ(text.str().find("p;w}"), std::string::npos);
}

}  // namespace
}  // namespace orva
