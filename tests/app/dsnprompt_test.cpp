#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "app/dsnprompt.h"
#include "app_test_util.h"
#include "db/dbconnection.h"
#include "odbc_test_env.h"
#include "platform/messagebox.h"

namespace orva {
namespace {

using test::DialogAnswer;

TEST(DataSourcePrompt, ListsDataSourcesAndBuildsTheConnectString) {
  test::RegisterTestDrivers();
  CDataSourceDialog dialog;
  QListWidget* list = dialog.SourceList();
  QListWidgetItem* sqlite = nullptr;
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->data(Qt::UserRole).toString() == test::kSqliteDsn) sqlite = list->item(i);
  ASSERT_NE(sqlite, nullptr);
  list->setCurrentItem(sqlite);
  EXPECT_EQ(dialog.ConnectString(), std::string("DSN=") + test::kSqliteDsn + ";");
  // A typed connection string wins over the selection.
  dialog.ConnectEdit()->setText("  DRIVER={X};A=1;  ");
  EXPECT_EQ(dialog.ConnectString(), "DRIVER={X};A=1;");
  // The password is typed into a masked field and added to the string.
  EXPECT_EQ(dialog.PasswordEdit()->echoMode(), QLineEdit::Password);
  QTest::keyClicks(dialog.PasswordEdit(), "s;e=cret");
  EXPECT_EQ(dialog.PasswordEdit()->displayText().contains("cret"), false);
  dialog.ConnectEdit()->setText("DRIVER={X};A=1");
  EXPECT_EQ(dialog.ConnectString(), "DRIVER={X};A=1;PWD={s;e=cret};");
}

TEST(DataSourcePrompt, EmptyConnectStringOpensThroughThePicker) {
  test::RegisterTestDrivers();
  CDBConnection::SetConnectPrompt([] { return PromptForDataSource(nullptr); });

  {
    DialogAnswer cancel([](QDialog&) { return static_cast<int>(QDialog::Rejected); });
    CDBConnection conn;
    EXPECT_FALSE(conn.Open(""));  // cancelled: no connection, no message
    EXPECT_FALSE(conn.IsOpen());
  }
  {
    DialogAnswer pick([](QDialog& dialog) {
      auto& picker = static_cast<CDataSourceDialog&>(dialog);
      picker.ConnectEdit()->setText(QString("DSN=") + test::kSqliteDsn + ";");
      return static_cast<int>(QDialog::Accepted);
    });
    CDBConnection conn;
    ASSERT_TRUE(conn.Open(""));
    EXPECT_TRUE(conn.IsOpen());
    EXPECT_EQ(conn.GetDataSourceName(), test::kSqliteDsn);
    conn.Close();
  }
  CDBConnection::SetConnectPrompt(nullptr);
}

}  // namespace
}  // namespace orva
