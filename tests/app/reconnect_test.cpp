// A query window whose PostgreSQL server goes away in the middle of a query
// and comes back: the log says the link is gone, the window offers to
// reconnect, asks again for the typed password, and the next F5 runs on the
// same connection. The test runs a private server of its own, since it stops
// it.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QInputDialog>
#include <QProcess>
#include <QTest>
#include <chrono>
#include <thread>

#include "db/dbconnection.h"
#include "grid/gridctrl.h"
#include "odbc_test_env.h"
#include "platform/codec.h"
#include "platform/resource_ids.h"
#include "app_test_util.h"
#include "query/childframe.h"
#include "query/resultview.h"
#include "test_env.h"

namespace orva::test {
namespace {

// A PostgreSQL server of this test's own, through tests/support/pgserver.sh.
class PrivateServer {
 public:
  bool Start() {
    const QString out = Shell("orva_pg_start >/dev/null && env | grep '^ORVA_PG_'");
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts)) {
      const int equals = line.indexOf('=');
      if (equals > 0) m_env[line.left(equals)] = line.mid(equals + 1);
    }
    return m_env.contains("ORVA_PG_ROOT") && m_env.contains("ORVA_PG_PORT");
  }
  void Halt() { Shell("orva_pg_halt"); }
  void Resume() { Shell("orva_pg_resume"); }
  ~PrivateServer() {
    if (m_env.contains("ORVA_PG_ROOT")) Shell("orva_pg_stop");
  }
  std::string ConnectString() const {
    return "DRIVER={PostgreSQL ANSI};Servername=" + m_env["ORVA_PG_SOCKET_DIR"].toStdString() +
           ";Port=" + m_env["ORVA_PG_PORT"].toStdString() + ";Database=" + m_env["ORVA_PG_DATABASE"].toStdString() +
           ";UID=" + m_env["ORVA_PG_USER"].toStdString() + ";";
  }

 private:
  QString Shell(const QString& command) {
    QProcess shell;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("ORVA_PG_PORT");  // a port of its own
    for (auto it = m_env.begin(); it != m_env.end(); ++it) env.insert(it.key(), it.value());
    shell.setProcessEnvironment(env);
    shell.start("bash", {"-c", "source '" ORVA_SOURCE_DIR "/tests/support/pgserver.sh' && " + command});
    shell.waitForFinished(120000);
    return QString::fromLocal8Bit(shell.readAllStandardOutput());
  }
  QMap<QString, QString> m_env;
};

class ReconnectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTestDrivers();
    if (!FindDriverLibrary("psqlodbca.so")) GTEST_SKIP() << "PostgreSQL ODBC driver not installed";
    if (!m_server.Start()) GTEST_SKIP() << "no PostgreSQL server binaries";
  }

  // Replaces the editor's text by typing, then presses F5.
  static void TypeAndRun(AppSession& s, CChildFrame& frame, const char* sql, bool wait = true) {
    frame.GetSqlView()->setFocus();
    s.Key(Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(frame.GetSqlView(), QString::fromUtf8(sql));
    s.Key(Qt::Key_F5);
    ASSERT_TRUE(frame.IsRunning());
    if (wait) {
      ASSERT_TRUE(WaitFor([&] { return !frame.IsRunning(); }));
    }
  }

  PrivateServer m_server;
};

TEST_F(ReconnectTest, ServerRestartMidQueryOffersReconnectAndTheNextRunWorks) {
  MessageBoxRecorder boxes;
  AppSession s;
  ASSERT_NE(s.frame->NewConnection(m_server.ConnectString() + "PWD={se;cret};", std::nullopt), nullptr);
  CChildFrame& frame = *s.frame->ActiveQueryWindow();
  CDBConnection& connection = *frame.GetConnection();
  EXPECT_TRUE(connection.NeedsPasswordToReconnect());
  EXPECT_EQ(connection.GetConnectString().find("se;cret"), std::string::npos);  // never kept

  // The user sees the offer, the server comes back meanwhile, the user says
  // Yes and types the password again.
  std::vector<QString> offers;
  MessageBoxHook recorder = SetMessageBoxHook([&](const MessageBoxRequest& box) {
    offers.push_back(box.text);
    if (box.text != QStringLiteral("连接已断开，是否重新连接？")) return static_cast<int>(IDOK);
    m_server.Resume();
    return static_cast<int>(IDYES);
  });
  QString passwordLabel;
  DialogHook dialogs = SetDialogHook([&](QDialog& dialog) {
    auto& input = static_cast<QInputDialog&>(dialog);
    passwordLabel = input.labelText();
    EXPECT_EQ(input.textEchoMode(), QLineEdit::Password);
    input.setTextValue(QStringLiteral("se;cret"));
    return static_cast<int>(QDialog::Accepted);
  });

  TypeAndRun(s, frame, "select pg_sleep(30)", false);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  m_server.Halt();
  ASSERT_TRUE(WaitFor([&] { return !frame.IsRunning(); }));
  const std::string log = Utf8FromGbk(frame.GetResultView()->MessageText());
  EXPECT_NE(log.find("与数据库的连接已断开"), std::string::npos) << log;
  EXPECT_EQ(frame.StatusText(), QStringLiteral("SQL执行完毕，其中存在错误"));

  // The offer comes once the run has ended.
  ASSERT_TRUE(WaitFor([&] { return !offers.empty(); }));
  ASSERT_EQ(offers.size(), 1u);
  EXPECT_EQ(offers[0], QStringLiteral("连接已断开，是否重新连接？"));
  EXPECT_FALSE(passwordLabel.isEmpty());
  EXPECT_TRUE(connection.IsOpen());
  EXPECT_EQ(frame.GetConnection(), &connection);
  EXPECT_EQ(s.frame->QueryWindowCount(), 1);

  // Nothing ran again by itself; the next F5 runs on the restored link.
  EXPECT_EQ(frame.GetResultView()->GetGridCount(), 0);
  TypeAndRun(s, frame, "select 42 as answer");
  EXPECT_EQ(frame.StatusText(), QStringLiteral("SQL执行成功"));
  ASSERT_EQ(frame.GetResultView()->GetGridCount(), 1);
  EXPECT_EQ(frame.GetResultView()->GetGrid(0)->GetItemText(1, 1), "42");
  EXPECT_EQ(offers.size(), 1u);

  // Declined: the window stays as it is and the next failing run offers again.
  m_server.Halt();
  SetMessageBoxHook([&](const MessageBoxRequest& box) {
    offers.push_back(box.text);
    return static_cast<int>(IDNO);
  });
  TypeAndRun(s, frame, "select 1");
  EXPECT_TRUE(WaitFor([&] { return offers.size() >= 2; }));
  EXPECT_EQ(offers.size(), 2u);
  EXPECT_TRUE(connection.GetConnectString().find("se;cret") == std::string::npos);
  SetMessageBoxHook(recorder);
  SetDialogHook(dialogs);
  m_server.Resume();
  boxes.QueueAnswer(IDNO);  // do not save the typed script
}

}  // namespace
}  // namespace orva::test
