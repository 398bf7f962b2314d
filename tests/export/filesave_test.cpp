// Saving as dBase and as an Excel workbook, and what a save does when it
// fails or is cancelled: every failure reported, no partial file, an
// existing file left as it was.

#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QPushButton>
#include <atomic>

#include "dbf_reader.h"
#include "export/resultsaver.h"
#include "pyreader.h"
#include "saver_fixture.h"

namespace orva::test {
namespace {

using FileSaveTest = SaverTest;

std::string Bytes(const QString& path) {
  auto bytes = ReadFileBytes(path.toStdString());
  return std::string(bytes.begin(), bytes.end());
}

TEST_F(FileSaveTest, DbaseFieldsFollowTheColumnTypesAndNamesAreUniqueAscii) {
  Fill({"name", "", "name", GbkFromUtf8("金额"), "day", "at", "ratio", "F2"},
       {{"alpha", "7", "x", "3.14159", "2004-02-30", "2004-05-06 12:30:00", "0.125", "z"},
        {"", "-7.9", "", "", "20040506", "", "", ""}});
  MessageBoxRecorder boxes;
  SaveDialogUser user({.fileType = 1, .name = PathOf("out")});  // the type's extension is added
  CResultSaver::Save(m_grid, {Column("name", SQL_VARCHAR, 10), Column("", SQL_INTEGER, 4),
                              Column("name", SQL_CHAR, 3), Column(GbkFromUtf8("金额"), SQL_DECIMAL, 8, 2),
                              Column("day", SQL_DATE, 10), Column("at", SQL_TIMESTAMP, 19),
                              Column("ratio", SQL_DOUBLE, 15), Column("F2", SQL_CHAR, 1)});
  WaitForSaves();
  EXPECT_EQ(boxes.LastText(), QStringLiteral("数据保存完毕"));
  DbfTable table;
  std::string reason;
  ASSERT_TRUE(ParseDbf(ReadFileBytes(PathOf("out.dbf").toStdString()), table, reason)) << reason;
  ASSERT_EQ(table.fields.size(), 8u);
  const char* names[] = {"NAME", "F2", "F3", "F4", "DAY", "AT", "RATIO", "F2_1"};
  const char types[] = {'C', 'N', 'C', 'N', 'D', 'C', 'N', 'C'};
  const int widths[] = {10, 4, 3, 8, 8, 25, 20, 1};
  for (std::size_t f = 0; f < 8; ++f) {
    SCOPED_TRACE(f);
    EXPECT_EQ(table.fields[f].name, names[f]);
    EXPECT_EQ(table.fields[f].type, types[f]);
    EXPECT_EQ(table.fields[f].width, widths[f]);
  }
  EXPECT_EQ(table.fields[3].decimals, 2);
  EXPECT_EQ(table.fields[6].decimals, 6);
  ASSERT_EQ(table.recordCount, 2u);
  ASSERT_EQ(table.records.size(), 2u);
  EXPECT_EQ(table.trailingBytes, 0u);
  EXPECT_EQ(table.Text(0, 0), "alpha");
  EXPECT_EQ(table.Text(0, 3), "3.14");
  EXPECT_EQ(table.Text(0, 4), "20040301");
  EXPECT_EQ(table.Text(0, 5), "2004-05-06 12:30:00");
  EXPECT_EQ(table.Text(0, 6), "0.125000");
  EXPECT_EQ(table.Text(1, 1), "-7");
  EXPECT_EQ(table.Cell(1, 0), std::string(10, '\0'));
  EXPECT_EQ(table.Cell(1, 4), std::string(8, '\0'));
}

TEST_F(FileSaveTest, DbaseRefusesLongAndBinaryColumnsAndCountsValuesCutToTheirField) {
  Fill({"id", "memo"}, {{"1", "x"}});
  {
    MessageBoxRecorder boxes;
    SaveDialogUser user({.fileType = 1, .name = PathOf("blob.dbf")});
    CResultSaver::Save(m_grid, {Column("id", SQL_INTEGER, 10), Column("memo", SQL_LONGVARCHAR, 65535)});
    WaitForSaves();
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.LastText(), QStringLiteral("DBF数据文件不支持BINARY、VARBINARY、LONGVARCHAR、WLONGVARCHAR字段，"
                                               "请从记录集中剔出这种类型的字段"));
    EXPECT_TRUE(FolderEntries().isEmpty());
  }
  m_grid->DeleteNonFixedRows();
  for (const char* row : {"123456", "12", "1234", "99999"}) {
    int r = m_grid->InsertRow("");
    m_grid->SetItemText(r, 1, row);
    m_grid->SetItemText(r, 2, row);
  }
  MessageBoxRecorder boxes;
  SaveDialogUser user({.fileType = 1, .name = PathOf("narrow.dbf")});
  CResultSaver::Save(m_grid, {Column("id", SQL_INTEGER, 4), Column("memo", SQL_VARCHAR, 4)});
  WaitForSaves();
  ASSERT_EQ(boxes.Count(), 2u);
  EXPECT_TRUE(boxes.Boxes()[0].text.contains(QStringLiteral("有 4 个单元格"))) << boxes.Boxes()[0].text.toStdString();
  EXPECT_EQ(boxes.LastText(), QStringLiteral("数据保存完毕"));
  DbfTable table;
  std::string reason;
  ASSERT_TRUE(ParseDbf(ReadFileBytes(PathOf("narrow.dbf").toStdString()), table, reason)) << reason;
  EXPECT_EQ(table.Text(0, 0), "****");
  EXPECT_EQ(table.Text(0, 1), "1234");
  EXPECT_EQ(table.Text(3, 0), "****");
}

TEST_F(FileSaveTest, WorkbookHoldsNumbersDatesAndTextWithABoldHeading) {
  Fill({"id", "name", "price", "day", "at", "code"},
       {{"1", GbkFromUtf8("张三"), "3.5", "2004-05-06", "2004-05-06 12:30:00", "007"},
        {"12345678901234567890", "", "oops", "bad", "", "x"}});
  MessageBoxRecorder boxes;
  SaveDialogUser user({.fileType = 2, .name = PathOf("book.xlsx")});
  CResultSaver::Save(m_grid, {Column("id", SQL_BIGINT, 19), Column("name", SQL_VARCHAR, 10),
                              Column("price", SQL_DECIMAL, 8, 2), Column("day", SQL_DATE, 10),
                              Column("at", SQL_TIMESTAMP, 19), Column("code", SQL_VARCHAR, 5)});
  WaitForSaves();
  EXPECT_EQ(boxes.LastText(), QStringLiteral("数据保存完毕"));
  static const QString script = QStringLiteral(
      "import json, sys, openpyxl\n"
      "ws = openpyxl.load_workbook(sys.argv[1]).active\n"
      "def show(c):\n"
      "    v = c.value\n"
      "    return [type(v).__name__, v if isinstance(v, (int, float, str)) or v is None else v.isoformat()]\n"
      "print(json.dumps({'bold': [c.font.b for c in ws[1]],\n"
      "                  'rows': [[show(c) for c in row] for row in ws.iter_rows()]}))\n");
  QJsonObject book = RunPythonReader(script, {PathOf("book.xlsx")}).toObject();
  EXPECT_EQ(book[QStringLiteral("bold")].toArray(), (QJsonArray{true, true, true, true, true, true}));
  QJsonArray rows = book[QStringLiteral("rows")].toArray();
  ASSERT_EQ(rows.size(), 3);
  auto cell = [&](int r, int c) { return rows[r].toArray()[c].toArray(); };
  EXPECT_EQ(cell(0, 1), (QJsonArray{"str", "name"}));
  EXPECT_EQ(cell(1, 0), (QJsonArray{"int", 1}));
  EXPECT_EQ(cell(1, 1), (QJsonArray{"str", QStringLiteral("张三")}));
  EXPECT_EQ(cell(1, 2), (QJsonArray{"float", 3.5}));
  EXPECT_EQ(cell(1, 3), (QJsonArray{"datetime", "2004-05-06T00:00:00"}));
  EXPECT_EQ(cell(1, 4), (QJsonArray{"datetime", "2004-05-06T12:30:00"}));
  EXPECT_EQ(cell(1, 5), (QJsonArray{"str", "007"}));
  // Digits a number cannot hold exactly, and texts that are no number or date, stay text.
  EXPECT_EQ(cell(2, 0), (QJsonArray{"str", "12345678901234567890"}));
  EXPECT_EQ(cell(2, 1), (QJsonArray{"NoneType", QJsonValue()}));
  EXPECT_EQ(cell(2, 2), (QJsonArray{"str", "oops"}));
  EXPECT_EQ(cell(2, 3), (QJsonArray{"str", "bad"}));
}

TEST_F(FileSaveTest, ReadOnlyFolderAndFullDiskReportTheFailureAndLeaveNoPartialFile) {
  Fill({"v"}, {});
  // Texts that do not compress, so that the workbook outgrows the limit too.
  std::uint32_t seed = 12345;
  for (int r = 0; r < 20000; ++r) {
    std::string text;
    for (int i = 0; i < 20; ++i) text += static_cast<char>('a' + ((seed = seed * 1103515245 + 12345) >> 16) % 26);
    m_grid->SetItemText(m_grid->InsertRow(""), 1, text);
  }

  QDir(m_dir.path()).mkdir(QStringLiteral("locked"));
  const QString locked = PathOf(QStringLiteral("locked"));
  const QByteArray lockedName = QFile::encodeName(locked);
  ::chmod(lockedName.constData(), 0555);
  // Permissions do not stop the superuser: a read-only file system does.
  bool mounted = false;
  if (::access(lockedName.constData(), W_OK) == 0)
    mounted = ::mount("tmpfs", lockedName.constData(), "tmpfs", MS_RDONLY, "size=64k") == 0;
  if (::access(lockedName.constData(), W_OK) == 0) {
    ADD_FAILURE() << "no read-only folder can be made here";
  } else {
    MessageBoxRecorder boxes;
    SaveDialogUser user({.fileType = 0, .name = locked + QStringLiteral("/out.txt")});
    CResultSaver::Save(m_grid, {Column("v", SQL_VARCHAR, 20)});
    WaitForSaves();
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.LastText(), QStringLiteral("无法打开指定文件"));
    EXPECT_TRUE(QDir(locked).entryList(QDir::Files | QDir::Hidden).isEmpty());
  }
  if (mounted) ::umount(lockedName.constData());
  ::chmod(lockedName.constData(), 0755);
  QDir(m_dir.path()).rmdir(QStringLiteral("locked"));

  // A disk that fills: the kernel refuses writes beyond a size limit, as it
  // does on a full file system. The earlier file of that name must survive.
  const QString path = PathOf("full.txt");
  {
    QFile earlier(path);
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier contents\r\n");
  }
  for (int format : {0, 1, 2}) {
    SCOPED_TRACE(format);
    const QString target = format == 0 ? path : PathOf(format == 1 ? "full.dbf" : "full.xlsx");
    MessageBoxRecorder boxes;
    SaveDialogUser user({.fileType = format, .name = target});
    struct rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    CResultSaver::Save(m_grid, {Column("v", SQL_VARCHAR, 20)});
    WaitForSaves();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_TRUE(boxes.LastText().startsWith(QStringLiteral("写文件出错，数据没有保存"))) << boxes.LastText().toStdString();
  }
  EXPECT_EQ(Bytes(path), "earlier contents\r\n");
  EXPECT_EQ(FolderEntries(), QStringList{QStringLiteral("full.txt")});
}

TEST_F(FileSaveTest, CancelFromTheStatusBarRemovesThePartialFileWhileTheGridStaysUsable) {
  // A virtual grid whose texts come slowly: the save is still running when
  // its progress appears, and the test decides when it may go on.
  std::atomic<bool> release{false};
  std::atomic<int> asked{0};
  m_grid->SetVirtualMode(true);
  m_grid->SetCallbackFunc([&](GridCellInfo& info) {
    if (info.item.row > 0 && info.item.col > 0 && QThread::currentThread() != qApp->thread()) {
      ++asked;
      while (!release.load()) QThread::msleep(5);
    }
    info.item.text = "v" + std::to_string(info.item.row);
    return true;
  });
  m_grid->SetRowCount(50000);
  m_grid->SetColumnCount(3);
  m_grid->SetFixedRowCount(1);
  m_grid->SetFixedColumnCount(1);

  MessageBoxRecorder boxes;
  SaveDialogUser user({.fileType = 0, .name = PathOf("big.txt")});
  CResultSaver::Save(m_grid, {Column("a", SQL_VARCHAR, 5), Column("b", SQL_VARCHAR, 5)});
  ASSERT_EQ(RunningLongWorkCount(), 1);

  QPushButton* cancel = nullptr;
  QElapsedTimer timer;
  timer.start();
  while (!cancel && timer.elapsed() < 30000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    cancel = m_window->statusBar()->findChild<QPushButton*>(QStringLiteral("longWorkCancel"));
  }
  ASSERT_NE(cancel, nullptr) << "no progress in the status bar";
  EXPECT_GE(timer.elapsed(), kLongWorkShowDelayMs - 50);
  EXPECT_GT(asked.load(), 0);
  // The grid answers the user while the save waits for its cells.
  QTest::keyClick(m_grid, Qt::Key_Down);
  QTest::mouseClick(cancel, Qt::LeftButton);
  release = true;
  WaitForSaves();
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.LastText(), QStringLiteral("保存已取消，没有写入文件。"));
  EXPECT_TRUE(FolderEntries().isEmpty());
  EXPECT_EQ(m_window->statusBar()->findChild<QPushButton*>(QStringLiteral("longWorkCancel")), nullptr);
}

TEST_F(FileSaveTest, GridDestroyedDuringASaveStopsItFirst) {
  std::atomic<bool> started{false};
  m_grid->SetVirtualMode(true);
  m_grid->SetCallbackFunc([&](GridCellInfo& info) {
    started = true;
    QThread::usleep(50);
    info.item.text = "x";
    return true;
  });
  m_grid->SetRowCount(200000);
  m_grid->SetColumnCount(2);
  m_grid->SetFixedRowCount(1);
  m_grid->SetFixedColumnCount(1);
  MessageBoxRecorder boxes;
  SaveDialogUser user({.fileType = 0, .name = PathOf("gone.txt")});
  CResultSaver::Save(m_grid, {Column("a", SQL_VARCHAR, 5)});
  while (!started) QThread::msleep(1);
  delete m_grid;
  m_grid = nullptr;
  EXPECT_EQ(RunningLongWorkCount(), 0);
  EXPECT_EQ(boxes.Count(), 0u);  // nothing shown from inside the grid's destruction
  QCoreApplication::processEvents();
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.LastText(), QStringLiteral("保存已取消，没有写入文件。"));
  EXPECT_TRUE(FolderEntries().isEmpty());
}

}  // namespace
}  // namespace orva::test
