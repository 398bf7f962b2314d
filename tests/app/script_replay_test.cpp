// Scripts run through a real query window on SQLite (statement by statement)
// leave the database as the sqlite3 tool leaves it: a script with a trigger
// and comments in both line-end forms, and the .dump of the sample database
// with a trigger and a view replayed into an empty database.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "odbc_test_env.h"
#include "platform/codec.h"
#include "app_test_util.h"
#include "query/childframe.h"
#include "query/querydoc.h"
#include "query/resultview.h"
#include "test_env.h"

namespace orva::test {
namespace {

const char kTriggerScript[] =
    "CREATE TABLE t(a INTEGER, b TEXT);\n"
    "CREATE TABLE log(x TEXT);\n"
    "CREATE TRIGGER tr AFTER INSERT ON t BEGIN\n"
    "  INSERT INTO log VALUES ('added ' || new.a);\n"
    "  UPDATE t SET b = 'x;y' WHERE a = new.a;\n"
    "END;\n"
    "INSERT INTO t VALUES (1, 'it''s; fine'); -- comment; here\n"
    "/* block; comment */ SELECT * FROM log;\n";

int CountOf(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + part.size())) ++count;
  return count;
}

// The dump with comments dropped and whitespace outside quotes collapsed to
// one space (none next to brackets, commas and semicolons): SQLite keeps the
// schema text as the statement arrived, and a query window sends statements
// without their comments and with line breaks as spaces.
std::string NormalisedDump(const std::string& dump) {
  std::string out;
  bool pendingSpace = false;
  for (std::size_t i = 0; i < dump.size(); ++i) {
    const char c = dump[i];
    if (c == '\'' || c == '"') {
      const std::size_t close = dump.find(c, i + 1);
      const std::size_t end = close == std::string::npos ? dump.size() : close + 1;
      if (pendingSpace && !out.empty() && std::string_view("(,;").find(out.back()) == std::string_view::npos)
        out += ' ';
      pendingSpace = false;
      out.append(dump, i, end - i);
      i = end - 1;
      continue;
    }
    std::size_t skipTo = i;
    if (dump.compare(i, 2, "--") == 0) skipTo = dump.find('\n', i);
    else if (dump.compare(i, 2, "/*") == 0) skipTo = dump.find("*/", i + 2) + 1;
    if (skipTo != i || c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      pendingSpace = true;
      if (skipTo == std::string::npos) break;
      i = skipTo;
      continue;
    }
    const bool tight = std::string_view("(),;").find(c) != std::string_view::npos;
    if (pendingSpace && !tight && !out.empty() && std::string_view("(,;").find(out.back()) == std::string_view::npos)
      out += ' ';
    pendingSpace = false;
    out += c;
  }
  return out;
}

// Equal, or a short report of where the two texts part.
::testing::AssertionResult SameText(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  const std::size_t from = at > 80 ? at - 80 : 0;
  return ::testing::AssertionFailure() << "texts differ at byte " << at << " (sizes " << actual.size() << " and "
                                       << expected.size() << ")\n  got:      " << actual.substr(from, 200)
                                       << "\n  expected: " << expected.substr(from, 200);
}

class ScriptReplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTestDrivers();
    if (!FindDriverLibrary("libsqlite3odbc.so")) GTEST_SKIP() << "SQLite3 ODBC driver not installed";
    m_tool = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (m_tool.isEmpty()) GTEST_SKIP() << "sqlite3 tool not installed";
  }

  std::string Path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)).toStdString(); }

  static void WriteFile(const std::string& path, const std::string& bytes) {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
  }

  // Runs the sqlite3 tool on a database with the given input; its output.
  std::string Tool(const std::string& database, const std::string& input, const QStringList& extra = {}) {
    QProcess process;
    process.start(m_tool, QStringList{QString::fromStdString(database)} + extra);
    EXPECT_TRUE(process.waitForStarted());
    process.write(input.data(), static_cast<qint64>(input.size()));
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput().toStdString();
  }
  std::string Dump(const std::string& database) { return Tool(database, "", {QStringLiteral(".dump")}); }

  struct RunOutcome {
    std::string log;  // UTF-8
    QString status;
    QString encoding;  // the encoding pane
  };
  // Connects ORVA to the database, opens the script file in a query window,
  // presses F5 and waits for the run to end.
  RunOutcome RunInQueryWindow(const std::string& database, const std::string& scriptPath) {
    AppSession s;
    EXPECT_NE(s.frame->NewConnection(SqliteConnectString(database), GbkFromUtf8("样例")), nullptr);
    EXPECT_TRUE(s.frame->OpenFileInQueryWindow(scriptPath));
    CChildFrame* frame = s.frame->ActiveQueryWindow();
    EXPECT_EQ(frame->GetDocument()->PathName(), scriptPath);
    s.Key(Qt::Key_F5);
    EXPECT_TRUE(frame->IsRunning());
    EXPECT_TRUE(WaitFor([&] { return !frame->IsRunning(); }));
    auto* pane = frame->findChild<QLabel*>(QStringLiteral("encoding"));
    return RunOutcome{Utf8FromGbk(frame->GetResultView()->MessageText()), frame->StatusText(),
                      pane ? pane->text() : QString()};
  }

  QTemporaryDir m_dir;
  QString m_tool;
  MessageBoxRecorder m_boxes;
};

TEST_F(ScriptReplayTest, TriggerScriptRunsAsFiveStatementsLikeTheSqliteTool) {
  for (const char* eol : {"\n", "\r\n"}) {
    SCOPED_TRACE(eol[0] == '\r' ? "CR LF" : "LF");
    std::string script;
    for (const char* c = kTriggerScript; *c; ++c) script += *c == '\n' ? std::string(eol) : std::string(1, *c);
    const std::string scriptPath = Path("trigger.sql");
    WriteFile(scriptPath, script);

    const std::string byWindow = NewSqliteFile();
    const RunOutcome run = RunInQueryWindow(byWindow, scriptPath);
    EXPECT_EQ(run.status, QStringLiteral("SQL执行成功")) << run.log;
    EXPECT_EQ(CountOf(run.log, "（执行SQL语句共耗时: "), 5) << run.log;

    const std::string byTool = NewSqliteFile();
    Tool(byTool, script);
    const std::string dump = Dump(byTool);
    ASSERT_NE(dump.find("INSERT INTO log VALUES('added 1');"), std::string::npos) << dump;
    ASSERT_NE(dump.find("INSERT INTO t VALUES(1,'x;y');"), std::string::npos) << dump;
    EXPECT_TRUE(SameText(NormalisedDump(Dump(byWindow)), NormalisedDump(dump)));
  }
  EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(ScriptReplayTest, SampleDatabaseDumpWithTriggerAndViewReplaysIdentically) {
  QFile sample(QStringLiteral(ORVA_SOURCE_DIR "/resources/sample/sample.sql"));
  ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
  const std::string source = Path("source.db");
  Tool(source, sample.readAll().toStdString() +
                   "CREATE TRIGGER order_shipped AFTER UPDATE OF shipped_on ON orders\n"
                   "WHEN new.shipped_on IS NOT NULL BEGIN\n"
                   "  UPDATE orders SET status = 'shipped' WHERE id = new.id; -- done; 'quote\n"
                   "  UPDATE orders SET remark = CASE WHEN new.remark IS NULL THEN '发货;' END WHERE id = new.id;\n"
                   "END;\n"
                   "CREATE VIEW vip_customers AS\n"
                   "SELECT id, name /* only; the VIPs */ FROM customers\n"
                   "WHERE vip = 1;\n");
  const std::string dump = Dump(source);
  ASSERT_NE(dump.find("CREATE TRIGGER order_shipped"), std::string::npos);
  ASSERT_NE(dump.find("CREATE VIEW vip_customers"), std::string::npos);

  // The dump is UTF-8: the window opens it as such.
  const std::string scriptPath = Path("sample-dump.sql");
  WriteFile(scriptPath, dump);
  const std::string target = Path("replayed.db");
  const RunOutcome run = RunInQueryWindow(target, scriptPath);
  EXPECT_EQ(run.status, QStringLiteral("SQL执行成功")) << run.log.substr(0, 4000);
  EXPECT_EQ(run.encoding, QStringLiteral("UTF-8"));

  const std::string replayed = Dump(target);
  EXPECT_TRUE(SameText(NormalisedDump(replayed), NormalisedDump(dump)));
  // The trigger came back whole and works.
  Tool(target, "UPDATE orders SET shipped_on = '2024-01-01' WHERE id = 1;");
  EXPECT_EQ(Tool(target, "SELECT status FROM orders WHERE id = 1;"), "shipped\n");
  EXPECT_EQ(m_boxes.Count(), 0u);
}

}  // namespace
}  // namespace orva::test
