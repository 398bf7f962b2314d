// Recovery of unsaved query windows across a crash: a child process runs
// ORVA, types into two query windows and is killed with SIGKILL; ORVA started
// again offers both texts ("恢复未保存的查询") and brings them back exactly,
// in their windows, modified. Declined texts stay until deleted from the
// dialog; a normal close leaves nothing behind.

#include <signal.h>

#include <QDir>
#include <QDirIterator>
#include <QInputMethodEvent>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <cstdlib>
#include <thread>

#include "app_test_util.h"
#include "odbc_test_env.h"
#include "platform/codec.h"
#include "platform/resource_ids.h"
#include "query/autosave.h"
#include "query/querydoc.h"
#include "query/queryview.h"
#include "test_env.h"

namespace orva::test {
namespace {

// What the child types: a CR LF script with a quoted semicolon and Chinese
// (typed through an input method), and a second script.
const char kFirstTyped[] = "select 'a;b' as x";
const char kSecondTyped[] = "update t set a = 1";
const std::string kFirstText = "select 'a;b' as x\r\n-- " + GbkFromUtf8("中文注释");
const std::string kSecondText = "update t set a = 1\r\n  where b = 2";

int EntryCount(const QString& state) {
  int count = 0;
  QDirIterator it(state, {"*.rec"}, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    it.next();
    ++count;
  }
  return count;
}

bool AnyFileHolds(const QString& state, const QByteArray& needle) {
  QDirIterator it(state, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    QFile file(it.next());
    if (file.open(QIODevice::ReadOnly) && file.readAll().contains(needle)) return true;
  }
  return false;
}

void TypeLine(AppSession& s, const char* ascii) {
  QTest::keyClicks(QApplication::focusWidget(), ascii);
  s.Key(Qt::Key_Return);
}

// The child: ORVA with two modified query windows, waiting to be killed.
TEST(RecoveryChild, TypesIntoTwoWindowsAndWaitsToBeKilled) {
  const char* state = std::getenv("ORVA_RECOVERY_CHILD_STATE");
  if (!state) GTEST_SKIP() << "run by the recovery tests only";
  setenv("XDG_STATE_HOME", state, 1);
  MessageBoxRecorder boxes;
  CQueryAutosave::SetDelay(100);
  AppSession s;
  RegisterTestDrivers();
  ASSERT_NE(s.frame->NewConnection(SqliteConnectString(NewSqliteFile()) + "PWD=hunter2;", GbkFromUtf8("样例")),
            nullptr);
  TypeLine(s, kFirstTyped);
  QTest::keyClicks(QApplication::focusWidget(), "-- ");
  QInputMethodEvent chinese;
  chinese.setCommitString(QStringLiteral("中文注释"));
  QCoreApplication::sendEvent(QApplication::focusWidget(), &chinese);
  s.Key(Qt::Key_N, Qt::ControlModifier);  // a second window
  ASSERT_TRUE(WaitFor([&] { return s.frame->QueryWindowCount() == 2; }));
  TypeLine(s, kSecondTyped);
  QTest::keyClicks(QApplication::focusWidget(), "  where b = 2");
  ASSERT_TRUE(WaitFor([&] {
    CQueryAutosave::Store()->Flush();
    return EntryCount(state) == 2 && AnyFileHolds(state, "where b = 2");
  }));
  std::printf("READY\n");
  std::fflush(stdout);
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 120000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  FAIL() << "not killed";
}

class RecoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTestDrivers();
    if (!FindDriverLibrary("libsqlite3odbc.so")) GTEST_SKIP() << "SQLite3 ODBC driver not installed";
    m_state = m_dir.filePath("state");
    m_previousState = std::getenv("XDG_STATE_HOME");
    setenv("XDG_STATE_HOME", m_state.toLocal8Bit().constData(), 1);
  }
  void TearDown() override { setenv("XDG_STATE_HOME", m_previousState.c_str(), 1); }

  // Runs the child until its two windows are saved, then kills it.
  void CrashChild() {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ORVA_RECOVERY_CHILD_STATE", m_state);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=RecoveryChild.TypesIntoTwoWindowsAndWaitsToBeKilled"});
    ASSERT_TRUE(child.waitForStarted());
    QByteArray out;
    QElapsedTimer timer;
    timer.start();
    while (!out.contains("READY") && timer.elapsed() < 120000 && child.state() == QProcess::Running) {
      child.waitForReadyRead(200);
      out += child.readAllStandardOutput();
    }
    ASSERT_TRUE(out.contains("READY")) << out.toStdString() << child.readAllStandardError().toStdString();
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished(30000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
    ASSERT_EQ(EntryCount(m_state), 2);
    EXPECT_FALSE(AnyFileHolds(m_state, "hunter2"));  // the password is never written
  }

  // Answers the recovery dialog by clicking one of its buttons.
  static std::function<int(QDialog&)> Click(const char* button, QStringList* shown = nullptr) {
    return [button, shown](QDialog& dialog) {
      EXPECT_EQ(dialog.windowTitle(), "恢复未保存的查询");
      auto* list = dialog.findChild<QListWidget*>("entries");
      if (shown && list)
        for (int i = 0; i < list->count(); ++i) *shown << list->item(i)->text();
      auto* clicked = dialog.findChild<QPushButton*>(button);
      if (!clicked) return static_cast<int>(QDialog::Rejected);
      QTest::mouseClick(clicked, Qt::LeftButton);
      return dialog.result();
    };
  }

  QTemporaryDir m_dir;
  QString m_state;
  std::string m_previousState;
};

TEST_F(RecoveryTest, KilledOrvaOffersBothTextsBackExactlyAndANormalCloseLeavesNothing) {
  CrashChild();
  QStringList shown;
  MessageBoxRecorder boxes;
  {
    DialogAnswer answer(Click("recover", &shown));
    AppSession s;
    ASSERT_TRUE(WaitFor([&] { return s.frame->QueryWindowCount() == 2; }));
    ASSERT_EQ(shown.size(), 2);
    const QString listed = shown.join('\n');
    EXPECT_TRUE(listed.contains("无标题1 — 样例 — ") && listed.contains("无标题2 — 样例 — ")) << listed.toStdString();

    std::vector<std::string> texts;
    for (CChildFrame* window : s.frame->Windows()) {
      auto* view = static_cast<CQueryView*>(window->GetSqlView());
      texts.push_back(view->GetAllText());
      EXPECT_TRUE(window->GetDocument()->IsModified());
      EXPECT_EQ(window->GetConnection(), nullptr);  // none yet
      EXPECT_TRUE(window->windowTitle().endsWith(" *"));
      // The caret is where the typing stopped.
      EXPECT_EQ(view->CaretPos().line, 1);
      EXPECT_EQ(view->CaretPos().column, view->Buffer()->LineLength(1));
    }
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, (std::vector<std::string>{kFirstText, kSecondText}));

    // Connecting gives the waiting windows the connection; F5 then runs.
    ASSERT_NE(s.frame->NewConnection(SqliteConnectString(NewSqliteFile()), GbkFromUtf8("样例")), nullptr);
    for (CChildFrame* window : s.frame->Windows()) EXPECT_NE(window->GetConnection(), nullptr);

    // The leftovers went; the recovered windows have entries of their own.
    CQueryAutosave::Store()->Flush();
    EXPECT_EQ(EntryCount(m_state), 2);
    // A normal close: the changes are discarded at the prompts.
    boxes.QueueAnswer(IDNO);
    boxes.QueueAnswer(IDNO);
    EXPECT_TRUE(s.frame->close());
  }
  EXPECT_EQ(EntryCount(m_state), 0);
  EXPECT_TRUE(QDir(m_state + "/orva/recovery").isEmpty());
}

TEST_F(RecoveryTest, DeclinedTextsStayUntilTheUserDeletesThemFromTheDialog) {
  CrashChild();
  {
    DialogAnswer answer(Click("later"));
    AppSession s;
    QCoreApplication::processEvents();
    EXPECT_EQ(s.frame->QueryWindowCount(), 0);
  }
  EXPECT_EQ(EntryCount(m_state), 2);  // kept for the next start
  {
    MessageBoxRecorder boxes;
    boxes.QueueAnswer(IDYES);  // "删除选中的查询后将无法恢复，是否继续？"
    QStringList shown;
    DialogAnswer answer(Click("delete", &shown));
    AppSession s;
    QCoreApplication::processEvents();
    EXPECT_EQ(shown.size(), 2);
    EXPECT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(s.frame->QueryWindowCount(), 0);
  }
  EXPECT_EQ(EntryCount(m_state), 0);
}

}  // namespace
}  // namespace orva::test
