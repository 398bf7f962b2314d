// The main window driven as a user drives it: menus, tool-bar buttons, keys,
// the data-source picker, scripts opened from files, the recent-file list,
// window titles and counters, placement, and the object browser bar.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <QFileDialog>
#include <QFileInfo>

#include "app/aboutdialog.h"
#include "app/connectionname.h"
#include "app/dsnprompt.h"
#include "app/mdibackground.h"
#include "app_test_util.h"
#include "browser/schemaview.h"
#include "db/dbconnection.h"
#include "grid/gridctrl.h"
#include "odbc_test_env.h"
#include "platform/codec.h"
#include "platform/profile.h"
#include "platform/resource_ids.h"
#include "query/querydoc.h"
#include "query/queryview.h"
#include "query/resultview.h"
#include "test_env.h"

namespace orva {
namespace {

using test::AppSession;
using test::DialogAnswer;
using test::WaitFor;

QStringList MenuTitles(QMenuBar* bar) {
  QStringList titles;
  for (QAction* action : bar->actions()) titles << action->text();
  return titles;
}

QStringList MenuItems(QMenu* menu) {
  QStringList items;
  for (QAction* action : menu->actions())
    items << (action->isSeparator() ? QStringLiteral("-") : action->menu() ? "[" + action->text() + "]" : action->text());
  return items;
}

QMenu* TopMenu(CMainFrame* frame, const QString& title) {
  for (QAction* action : frame->menuBar()->actions())
    if (action->text() == title) return action->menu();
  return nullptr;
}

// A script file in the test's folder.
QString WriteScript(const QString& name, const QByteArray& text) {
  const QString path = test::ProcessTempDir() + "/" + name;
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(text);
  return path;
}

// Opens a fresh SQLite database as a connection named "样例".
CChildFrame* OpenSqlite(CMainFrame* frame) {
  test::RegisterTestDrivers();
  if (!frame->NewConnection(test::SqliteConnectString(test::NewSqliteFile()), GbkFromUtf8("样例"))) return nullptr;
  return frame->ActiveQueryWindow();
}

int TitleNumber(const CChildFrame* window) { return window->windowTitle().section("无标题", 1).toInt(); }

class MainFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The store the application names at start-up, so that values written
    // here are the ones it reads, whichever test runs first in the process.
    SetProfileNames("Nolbe", "ORVA");
    SetProfileUserRoot(false);
    WriteProfileText("Setting", std::nullopt, std::nullopt);
    QSettings(QString::fromStdString(UserProfileFilePath()), QSettings::IniFormat).remove("Recent File List");
  }
};

TEST_F(MainFrameTest, StartsWithTheFrameMenusBarsAndBrowser) {
  AppSession s;
  CMainFrame* frame = s.frame;
  EXPECT_EQ(frame->windowTitle(), "ORVA");
  EXPECT_TRUE(frame->MdiArea()->subWindowList().isEmpty());
  EXPECT_EQ(MenuTitles(frame->menuBar()), (QStringList{"文件(&F)", "查看(&V)", "工具(&T)", "帮助(&H)"}));
  EXPECT_EQ(MenuItems(TopMenu(frame, "文件(&F)")),
            (QStringList{"连接(&C)...\tCtrl+E", "连接ODBC数据源(&T)...\tCtrl+T", "连接文件数据库(&T)...\tCtrl+F", "-",
                         "断开连接(&D)\tCtrl+F4", "断开所有连接(&A)", "-", "打印设置(&r)...", "-", "退出(&X)"}));
  EXPECT_EQ(MenuItems(TopMenu(frame, "工具(&T)")), (QStringList{"设置(&S)...", "-", "万年历(&C)"}));
  EXPECT_EQ(MenuItems(TopMenu(frame, "帮助(&H)")), (QStringList{"关于 ORVA(&A)..."}));
  EXPECT_FALSE(frame->DatabaseBox()->isEnabled());
  EXPECT_EQ(frame->ConnectionPaneText(), "连接数：0  ");

  // The object browser bar on the left, empty; 40005 hides and shows it.
  QDockWidget* bar = frame->BrowserBar();
  EXPECT_EQ(bar->windowTitle(), "对象浏览器");
  EXPECT_EQ(frame->dockWidgetArea(bar), Qt::LeftDockWidgetArea);
  EXPECT_TRUE(bar->isVisible());
  EXPECT_FALSE(frame->GetBrowser()->HasConnections());
  s.ClickButton(ID_VIEW_BROWSER);
  EXPECT_FALSE(bar->isVisible());
  frame->Actions().Refresh();
  EXPECT_FALSE(frame->Actions().Find(ID_VIEW_BROWSER)->isChecked());
  s.ClickButton(ID_VIEW_BROWSER);
  EXPECT_TRUE(bar->isVisible());

  // Without a connection: nothing to open, disconnect or run; every way to
  // connect is open.
  for (int id : {ID_FILE_NEW_QUERY, ID_FILE_OPEN_SQL, ID_FILE_DISCONNECT, ID_FILE_DISCONNECT_ALL, ID_QUERY_RUN})
    EXPECT_FALSE(s.Enabled(id)) << id;
  for (int id : {ID_FILE_CONNECT, ID_FILE_CONNECT_ODBC, ID_FILE_CONNECT_FILE, ID_TOOLS_OPTIONS, ID_APP_ABOUT,
                 ID_TOOLS_CALENDAR, ID_APP_EXIT, ID_FILE_PRINT_SETUP})
    EXPECT_TRUE(s.Enabled(id)) << id;
  // Ctrl+N and Ctrl+O do nothing without a connection.
  s.Key(Qt::Key_N, Qt::ControlModifier);
  s.Key(Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(frame->QueryWindowCount(), 0);

  frame->Actions().Find(ID_APP_EXIT)->trigger();
  EXPECT_FALSE(frame->isVisible());
}

TEST_F(MainFrameTest, EndToEndThroughThePickerOnASqliteFile) {
  test::RegisterTestDrivers();
  test::MessageBoxRecorder boxes;
  AppSession s;
  CMainFrame* frame = s.frame;
  const std::string file = test::NewSqliteFile();
  {
    // The picker takes a typed connection string.
    DialogAnswer pick([&](QDialog& dialog) {
      auto* picker = dynamic_cast<CDataSourceDialog*>(&dialog);
      if (!picker) return static_cast<int>(QDialog::Rejected);
      picker->ConnectEdit()->setText(QString::fromStdString(test::SqliteConnectString(file)));
      return static_cast<int>(QDialog::Accepted);
    });
    s.ClickButton(ID_FILE_CONNECT_ODBC);
  }
  ASSERT_EQ(frame->QueryWindowCount(), 1);
  CChildFrame* first = frame->ActiveQueryWindow();
  ASSERT_NE(first, nullptr);
  // Named after the database file instead of "文件数据库".
  const QString fileName = QFileInfo(QString::fromStdString(file)).fileName();
  EXPECT_TRUE(first->windowTitle().startsWith("查询 － " + fileName + ".")) << first->windowTitle().toStdString();
  CSchemaView* browser = frame->GetBrowser();
  ASSERT_EQ(browser->topLevelItemCount(), 1);
  EXPECT_EQ(browser->topLevelItem(0)->text(0), fileName);
  EXPECT_TRUE(browser->topLevelItem(0)->font(0).bold());
  EXPECT_EQ(CSchemaView::ConnectionOf(browser->topLevelItem(0)), first->GetConnection());
  EXPECT_EQ(frame->ConnectionPaneText(), "连接数: 1");
  EXPECT_EQ(MenuTitles(frame->menuBar()), (QStringList{"文件(&F)", "编辑(&E)", "搜索(&S)", "查询(&Q)", "工具(&T)",
                                                       "查看(&V)", "窗口(&W)", "帮助(&H)"}));

  // Ctrl+N opens a second window on the same connection.
  s.Key(Qt::Key_N, Qt::ControlModifier);
  ASSERT_EQ(frame->QueryWindowCount(), 2);
  CChildFrame* second = frame->ActiveQueryWindow();
  EXPECT_NE(second, first);
  EXPECT_EQ(second->GetConnection(), first->GetConnection());
  EXPECT_EQ(TitleNumber(second), TitleNumber(first) + 1);

  // A script opened from a file, run with F5.
  const QString script = WriteScript("two_results.sql", "create table t(a int, b text);\r\n"
                                                        "insert into t values (1, 'one');\r\n"
                                                        "insert into t values (2, 'two');\r\n"
                                                        "select a, b from t order by a;\r\n"
                                                        "select count(*) as n from t\r\n");
  ASSERT_TRUE(frame->OpenFileInQueryWindow(script.toStdString()));
  ASSERT_EQ(frame->QueryWindowCount(), 3);
  CChildFrame* third = frame->ActiveQueryWindow();
  EXPECT_TRUE(third->windowTitle().endsWith(" － " + script)) << third->windowTitle().toStdString();
  third->GetSqlView()->setFocus();
  s.Key(Qt::Key_F5);
  ASSERT_TRUE(WaitFor([&] { return !third->IsRunning(); }));
  CResultView* results = third->GetResultView();
  ASSERT_EQ(results->GetGridCount(), 2) << Utf8FromGbk(results->MessageText());
  EXPECT_EQ(results->GetGrid(0)->GetItemText(1, 1), "1");
  EXPECT_EQ(results->GetGrid(0)->GetItemText(2, 2), "two");
  EXPECT_EQ(results->GetGrid(1)->GetItemText(1, 1), "2");
  EXPECT_EQ(third->StatusText(), "SQL执行成功");

  // 断开所有连接 closes every window and the connection.
  s.Choose(ID_FILE_DISCONNECT_ALL);
  QCoreApplication::processEvents();
  EXPECT_EQ(frame->QueryWindowCount(), 0);
  EXPECT_EQ(frame->ConnectionCount(), 0);
  EXPECT_FALSE(browser->HasConnections());
  EXPECT_EQ(frame->ConnectionPaneText(), "连接数: 0");
  EXPECT_EQ(MenuTitles(frame->menuBar()), (QStringList{"文件(&F)", "查看(&V)", "工具(&T)", "帮助(&H)"}));
  EXPECT_EQ(boxes.Count(), 0u) << boxes.LastText().toStdString();
}

TEST_F(MainFrameTest, DocumentMenusHaveTheirExactItems) {
  AppSession s;
  ASSERT_NE(OpenSqlite(s.frame), nullptr);
  const QString script = WriteScript("menu.sql", "select 1");
  ASSERT_TRUE(s.frame->OpenFileInQueryWindow(script.toStdString()));
  QMenu* file = TopMenu(s.frame, "文件(&F)");
  emit file->aboutToShow();
  EXPECT_EQ(MenuItems(file),
            (QStringList{"连接(&C)...\tCtrl+E", "连接ODBC数据源(&T)...\tCtrl+T", "连接文件数据库(&T)...\tCtrl+F", "-",
                         "断开当前连接(&D)\tCtrl+F4", "断开所有连接(&A)", "-", "新建(&N)\tCtrl+N", "打开(&O)...\tCtrl+O",
                         "保存(&S)\tCtrl+S", "另存为(&A)...", "-", "打印(&P)...\tCtrl+P", "打印预览", "页面设置(G)...",
                         "打印设置(&r)...", "-", "&1 " + script, "-", "退出(&X)"}));
  QMenu* query = TopMenu(s.frame, "查询(&Q)");
  EXPECT_EQ(MenuItems(query), (QStringList{"运行SQL(&R)...\tF5", "中止运行(&S)", "[记录集]"}));
  EXPECT_EQ(MenuItems(query->actions().last()->menu()),
            (QStringList{"刷新(&F)", "另存为(&S)", "添加(&A)", "删除(&D)\tDel"}));
  QMenu* tools = TopMenu(s.frame, "工具(&T)");
  EXPECT_EQ(MenuItems(tools), (QStringList{"[对象流浪器(&O)]", "设置(&S)...", "万年历(&C)"}));
  EXPECT_EQ(MenuItems(tools->actions().first()->menu()).first(), "显示/隐藏(&H)");
  EXPECT_EQ(MenuItems(TopMenu(s.frame, "查看(&V)")), (QStringList{"工具栏(&T)", "状态条(&S)", "-", "结果信息(&R)"}));
  EXPECT_EQ(MenuItems(TopMenu(s.frame, "窗口(&W)")),
            (QStringList{"下一个窗口(&N)\tCtrl+Tab", "上一个窗口(&N)\tCtrl+Shift+Tab", "新建窗口(&N)", "层叠(&C)",
                         "横向平铺(&T)", "纵向平铺(&A)", "排列图标(&I)"}));

  // Switching between the two menus builds nothing new.
  auto cycle = [&] {
    s.frame->MdiArea()->closeAllSubWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(s.frame->QueryWindowCount(), 0);
    ASSERT_NE(s.frame->NewQueryWindow(s.frame->GetActiveConnection()), nullptr);
  };
  cycle();
  const int menus = s.frame->MenuCount();
  for (int i = 0; i < 5; ++i) cycle();
  EXPECT_EQ(s.frame->MenuCount(), menus);
}

TEST_F(MainFrameTest, TitlesCountersAndTiling) {
  test::MessageBoxRecorder boxes;
  AppSession s;
  CChildFrame* first = OpenSqlite(s.frame);
  ASSERT_NE(first, nullptr);
  QMdiArea* area = s.frame->MdiArea();
  // The first window fills the area; the second keeps its own size.
  EXPECT_EQ(first->parentWidget()->geometry(), area->viewport()->rect());
  CChildFrame* second = s.frame->NewQueryWindow(first->GetConnection());
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second->parentWidget()->geometry(), area->viewport()->rect());
  EXPECT_EQ(first->parentWidget()->geometry(), area->viewport()->rect());
  EXPECT_EQ(s.frame->ConnectionPaneText(), "连接数: 2");
  EXPECT_TRUE(second->windowTitle().startsWith("查询 － 样例.")) << second->windowTitle().toStdString();

  // Numbers are never reused after a window closes.
  const int number = TitleNumber(second);
  second->parentWidget()->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(s.frame->ConnectionPaneText(), "连接数: 1");
  CChildFrame* third = s.frame->NewQueryWindow(first->GetConnection());
  EXPECT_EQ(TitleNumber(third), number + 1);
  EXPECT_EQ(s.frame->ConnectionPaneText(), "连接数: 2");

  // Typing marks the title modified; Save As names it after the file.
  third->GetSqlView()->setFocus();
  QTest::keyClicks(third->GetSqlView(), "select 42");
  EXPECT_TRUE(third->windowTitle().endsWith(" *")) << third->windowTitle().toStdString();
  EXPECT_TRUE(third->parentWidget()->windowTitle().endsWith(" *"));
  const QString saved = test::ProcessTempDir() + "/saved_as.sql";
  third->GetDocument()->SetSavePathPrompt([&](const CQueryDoc&) { return saved.toStdString(); });
  s.Choose(ID_FILE_SAVE_AS);
  EXPECT_TRUE(third->windowTitle().endsWith(" － " + saved)) << third->windowTitle().toStdString();
  QFile file(saved);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), "select 42");
  // The saved file heads the recent-file list.
  EXPECT_EQ(s.frame->RecentFiles().File(0), saved);
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(MainFrameTest, WindowArrangementCommands) {
  AppSession s;
  CChildFrame* first = OpenSqlite(s.frame);
  ASSERT_NE(first, nullptr);
  CChildFrame* second = s.frame->NewQueryWindow(first->GetConnection());
  QWidget* a = first->parentWidget();
  QWidget* b = second->parentWidget();
  const QRect area = s.frame->MdiArea()->viewport()->rect();

  s.Choose(ID_WINDOW_TILE_VERT);  // side by side
  EXPECT_EQ(a->y(), b->y());
  EXPECT_NE(a->x(), b->x());
  EXPECT_EQ(a->height(), area.height());
  EXPECT_EQ(a->width() + b->width(), area.width());

  s.Choose(ID_WINDOW_TILE_HORZ);  // one above the other
  EXPECT_EQ(a->x(), b->x());
  EXPECT_NE(a->y(), b->y());
  EXPECT_EQ(a->width(), area.width());
  EXPECT_EQ(a->height() + b->height(), area.height());

  s.Choose(ID_WINDOW_CASCADE);  // overlapping, offset
  EXPECT_NE(a->pos(), b->pos());
  EXPECT_TRUE(a->geometry().intersects(b->geometry()));

  // Minimised windows line up along the bottom.
  a->showMinimized();
  b->showMinimized();
  s.Choose(ID_WINDOW_ARRANGE);
  EXPECT_EQ(a->geometry().bottom(), area.bottom());
  EXPECT_EQ(b->geometry().bottom(), area.bottom());
  EXPECT_FALSE(a->geometry().intersects(b->geometry()));

  // Ctrl+Tab goes to the other window.
  b->showNormal();
  a->showNormal();
  s.frame->MdiArea()->setActiveSubWindow(static_cast<QMdiSubWindow*>(a));
  first->GetSqlView()->setFocus();
  s.Key(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(s.frame->ActiveQueryWindow(), second);
}

TEST_F(MainFrameTest, RecentFilesKeepTheLastFourMostRecentFirst) {
  test::MessageBoxRecorder boxes;
  AppSession s;
  ASSERT_NE(OpenSqlite(s.frame), nullptr);
  QStringList paths;
  for (int i = 1; i <= 5; ++i) paths << WriteScript(QString("recent%1.sql").arg(i), "select 1");
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(s.frame->OpenFileInQueryWindow(paths[i].toStdString()));
  EXPECT_EQ(s.frame->RecentFiles().Files(), (QStringList{paths[3], paths[2], paths[1], paths[0]}));
  ASSERT_TRUE(s.frame->OpenFileInQueryWindow(paths[4].toStdString()));
  EXPECT_EQ(s.frame->RecentFiles().Files(), (QStringList{paths[4], paths[3], paths[2], paths[1]}));
  // Opening a listed file again moves it up instead of listing it twice.
  ASSERT_TRUE(s.frame->OpenFileInQueryWindow(paths[2].toStdString()));
  EXPECT_EQ(s.frame->RecentFiles().Files(), (QStringList{paths[2], paths[4], paths[3], paths[1]}));

  // The list lives in the per-user settings file.
  QSettings stored(QString::fromStdString(UserProfileFilePath()), QSettings::IniFormat);
  EXPECT_EQ(stored.value("Recent File List/File1").toString(), paths[2]);
  EXPECT_EQ(stored.value("Recent File List/File4").toString(), paths[1]);

  // The menu's second entry opens that file.
  QMenu* file = TopMenu(s.frame, "文件(&F)");
  emit file->aboutToShow();
  QAction* entry = nullptr;
  for (QAction* action : file->actions())
    if (action->text().startsWith("&2 ")) entry = action;
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->text(), "&2 " + paths[4]);
  const int windows = s.frame->QueryWindowCount();
  entry->trigger();
  EXPECT_EQ(s.frame->QueryWindowCount(), windows + 1);
  EXPECT_EQ(s.frame->ActiveQueryWindow()->GetDocument()->PathName(), paths[4].toStdString());

  // A deleted file is removed from the list with a message, and opens nothing.
  ASSERT_TRUE(QFile::remove(paths[3]));
  emit file->aboutToShow();
  for (QAction* action : file->actions())
    if (action->text() == "&3 " + paths[3]) action->trigger();
  EXPECT_EQ(boxes.Count(), 1u);
  EXPECT_TRUE(boxes.LastText().contains(paths[3]));
  EXPECT_EQ(s.frame->QueryWindowCount(), windows + 1);
  EXPECT_FALSE(s.frame->RecentFiles().Files().contains(paths[3]));
  EXPECT_EQ(s.frame->RecentFiles().Count(), 3);

  // A new start reads the list back.
  CRecentFileList reread;
  reread.Load();
  EXPECT_EQ(reread.Files(), s.frame->RecentFiles().Files());
}

TEST_F(MainFrameTest, OpeningScriptsNeedsAConnectionAndAReadableFile) {
  test::MessageBoxRecorder boxes;
  AppSession s;
  const QString script = WriteScript("plain.sql", "select 1");
  // No connection: nothing happens, silently.
  EXPECT_FALSE(s.frame->OpenFileInQueryWindow(script.toStdString()));
  EXPECT_EQ(s.frame->QueryWindowCount(), 0);
  EXPECT_EQ(boxes.Count(), 0u);

  ASSERT_NE(OpenSqlite(s.frame), nullptr);
  // A missing file and a folder: a message naming it, and no empty window.
  const QString missing = test::ProcessTempDir() + "/no_such_script.sql";
  EXPECT_FALSE(s.frame->OpenFileInQueryWindow(missing.toStdString()));
  EXPECT_FALSE(s.frame->OpenFileInQueryWindow(test::ProcessTempDir().toStdString()));
  EXPECT_EQ(boxes.Count(), 2u);
  EXPECT_TRUE(boxes.Boxes()[0].text.contains(missing));
  EXPECT_EQ(s.frame->QueryWindowCount(), 1);
  if (getuid() != 0) {
    const QString locked = WriteScript("locked.sql", "select 1");
    QFile::setPermissions(locked, QFileDevice::Permissions());
    EXPECT_FALSE(s.frame->OpenFileInQueryWindow(locked.toStdString()));
    EXPECT_EQ(boxes.Count(), 3u);
    EXPECT_EQ(s.frame->QueryWindowCount(), 1);
  }
  EXPECT_EQ(s.frame->RecentFiles().Count(), 0);

  // Ctrl+O: the file dialog starts in the last folder with the last
  // extension; an upper-case "TXT" file is a text file like any other.
  const QString upper = WriteScript("NOTES.TXT", "select 'from text'");
  WriteProfileText("Setting", "LastSQLFilePath", test::ProcessTempDir().toStdString());
  WriteProfileText("Setting", "LastSQLFileExt", "txt");
  QString startFolder, startFilter;
  {
    DialogAnswer choose([&](QDialog& dialog) {
      auto& files = dynamic_cast<QFileDialog&>(dialog);
      startFolder = files.directory().absolutePath();
      startFilter = files.selectedNameFilter();
      files.selectFile(upper);
      return static_cast<int>(QDialog::Accepted);
    });
    s.frame->ActiveQueryWindow()->GetSqlView()->setFocus();
    s.Key(Qt::Key_O, Qt::ControlModifier);
  }
  EXPECT_EQ(startFolder, QFileInfo(test::ProcessTempDir()).absoluteFilePath());
  EXPECT_EQ(startFilter, "文本文件(*.txt)");
  ASSERT_EQ(s.frame->QueryWindowCount(), 2);
  CChildFrame* opened = s.frame->ActiveQueryWindow();
  EXPECT_EQ(opened->GetDocument()->PathName(), upper.toStdString());
  EXPECT_EQ(static_cast<CQueryView*>(opened->GetSqlView())->GetAllText(), "select 'from text'");
  EXPECT_EQ(GetProfileText("Setting", "LastSQLFileExt", ""), "TXT");
  EXPECT_EQ(GetProfileText("Setting", "LastSQLFilePath", ""), QFileInfo(upper).absolutePath().toStdString());
  EXPECT_EQ(boxes.Count(), getuid() != 0 ? 3u : 2u);
}

TEST_F(MainFrameTest, DroppedFilesAndTheCommandLineOpenScripts) {
  test::RegisterTestDrivers();
  const QString script = WriteScript("dropped.sql", "select 'dropped'");
  {
    // Named on the command line with no connection yet: nothing opens.
    CQueryToolApp app;
    ASSERT_TRUE(app.InitInstance({script}));
    EXPECT_EQ(app.MainFrame()->QueryWindowCount(), 0);
    EXPECT_TRUE(app.MainFrame()->isVisible());
  }
  AppSession s;
  ASSERT_NE(OpenSqlite(s.frame), nullptr);
  EXPECT_TRUE(s.frame->acceptDrops());
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(script)});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(s.frame, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(s.frame, &drop);
  ASSERT_EQ(s.frame->QueryWindowCount(), 2);
  EXPECT_EQ(s.frame->ActiveQueryWindow()->GetDocument()->PathName(), script.toStdString());

  // -p with a file that cannot be read ends the program with the reason.
  test::MessageBoxRecorder boxes;
  CQueryToolApp printer;
  EXPECT_FALSE(printer.InitInstance({"-p", test::ProcessTempDir() + "/missing.sql"}));
  EXPECT_NE(printer.ExitCode(), 0);
  EXPECT_EQ(printer.MainFrame(), nullptr);
  EXPECT_EQ(boxes.Count(), 1u);
}

TEST_F(MainFrameTest, DisconnectFollowsTheBrowserSelection) {
  test::MessageBoxRecorder boxes;
  AppSession s;
  CChildFrame* window = OpenSqlite(s.frame);
  ASSERT_NE(window, nullptr);
  CDBConnection* connection = window->GetConnection();
  CSchemaView* browser = s.frame->GetBrowser();
  // Nothing selected in the browser: 40009 is off.
  browser->clearSelection();
  EXPECT_FALSE(s.Enabled(ID_FILE_DISCONNECT));
  EXPECT_TRUE(s.Enabled(ID_FILE_NEW_QUERY));

  // Windows closed by hand leave the connection; 断开所有连接 then leaves it too.
  s.frame->MdiArea()->closeAllSubWindows();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(s.frame->QueryWindowCount(), 0);
  s.Choose(ID_FILE_DISCONNECT_ALL);
  EXPECT_TRUE(browser->HasConnections());
  EXPECT_EQ(s.frame->ConnectionCount(), 1);
  // With no window and no selection, Ctrl+N opens on the browser's connection.
  s.frame->setFocus();
  s.Key(Qt::Key_N, Qt::ControlModifier);
  ASSERT_EQ(s.frame->QueryWindowCount(), 1);
  EXPECT_EQ(s.frame->ActiveQueryWindow()->GetConnection(), connection);
  s.frame->MdiArea()->closeAllSubWindows();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

  // Selecting the connection in the tree enables 40009, which ends it.
  QTest::mouseClick(browser->viewport(), Qt::LeftButton, Qt::NoModifier,
                    browser->visualItemRect(browser->topLevelItem(0)).center());
  EXPECT_EQ(browser->SelectedConnection(), connection);
  ASSERT_TRUE(s.Enabled(ID_FILE_DISCONNECT));
  s.Choose(ID_FILE_DISCONNECT);
  EXPECT_FALSE(browser->HasConnections());
  EXPECT_EQ(s.frame->ConnectionCount(), 0);
  EXPECT_FALSE(s.Enabled(ID_FILE_DISCONNECT));
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(MainFrameTest, WindowPlacementIsRestoredOrCentredAndWrittenOnClose) {
  EXPECT_FALSE(ParseWindowPlacement("0,1,-1,-1,-1,-1,10,20,700,520,5").has_value());
  EXPECT_FALSE(ParseWindowPlacement("0,1,-1,-1,-1,-1,10,x,700,520").has_value());
  {
    WriteProfileText("Setting", "WindowPos", "0,1,-1,-1,-1,-1,40,30,740,530");
    AppSession s;
    EXPECT_EQ(s.frame->geometry(), QRect(40, 30, 700, 500));
    // Moved and resized, then closed: the placement is written.
    s.frame->setGeometry(QRect(60, 70, 640, 480));
    QCoreApplication::processEvents();
    s.frame->close();
    EXPECT_EQ(GetProfileText("Setting", "WindowPos", ""), "0,1,-1,-1,-1,-1,60,70,700,550");
  }
  {
    WriteProfileText("Setting", "WindowPos", "0,1,-1,-1,-1,-1,40,30,740");  // nine numbers
    AppSession s;
    const QRect screen = s.frame->screen()->availableGeometry();
    EXPECT_LE(std::abs(s.frame->frameGeometry().center().x() - screen.center().x()), 8);
    EXPECT_LE(std::abs(s.frame->frameGeometry().center().y() - screen.center().y()), 8);
  }
  {
    // A maximised window is written with flag 2 and show command 3.
    WriteProfileText("Setting", "WindowPos", "2,3,-1,-1,-1,-1,50,40,650,440");
    AppSession s;
    EXPECT_TRUE(s.frame->isMaximized());
    s.frame->close();
    EXPECT_EQ(GetProfileText("Setting", "WindowPos", "").substr(0, 4), "2,3,");
  }
}

TEST_F(MainFrameTest, AboutBoxShowsVersionMemoryAndPicture) {
  AppSession s;
  QString product, total, load;
  QImage picture;
  {
    DialogAnswer look([&](QDialog& dialog) {
      auto& about = dynamic_cast<CAboutDlg&>(dialog);
      EXPECT_EQ(about.windowTitle(), "关于 ORVA");
      product = about.ProductText();
      total = about.TotalText();
      load = about.LoadText();
      picture = about.Picture();
      return static_cast<int>(QDialog::Accepted);
    });
    TopMenu(s.frame, "帮助(&H)")->actions().first()->trigger();
  }
  EXPECT_EQ(product, "ORVA 1.00版");
  // The total from the kernel's own figures.
  struct sysinfo info {};
  ASSERT_EQ(sysinfo(&info), 0);
  const unsigned long long totalKb = static_cast<unsigned long long>(info.totalram) * info.mem_unit / 1024;
  EXPECT_EQ(total, QString("%1 KB").arg(totalKb));
  EXPECT_TRUE(load.endsWith('%'));
  const int percent = load.chopped(1).toInt();
  EXPECT_GE(percent, 0);
  EXPECT_LE(percent, 100);
  EXPECT_FALSE(picture.isNull());

  EXPECT_EQ(FormatMemoryLoad({1000, 250}), "75%");
  EXPECT_EQ(FormatKilobytes(10 * 1024 + 1023), "10 KB");
  auto parsed = ParseMemInfo("MemTotal:       16000 kB\nMemFree:  100 kB\nMemAvailable:    4000 kB\n");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->totalBytes, 16000u * 1024);
  EXPECT_EQ(parsed->availableBytes, 4000u * 1024);
}

TEST_F(MainFrameTest, BackgroundNameAndLockKeyPanes) {
  AppSession s;
  auto* background = s.frame->Background();
  QCoreApplication::processEvents();
  const QImage image = background->viewport()->grab().toImage();
  // The desktop colour away from the name, dark letters where it stands.
  EXPECT_EQ(image.pixelColor(5, 5), QColor(58, 110, 165));
  const QPoint at = background->NamePosition();
  const QFontMetrics name(background->NameFont());
  EXPECT_GT(at.x(), image.width() / 2);
  EXPECT_GT(at.y(), image.height() / 2);
  int black = 0, white = 0;
  for (int y = at.y(); y < at.y() + name.height() && y < image.height(); ++y)
    for (int x = std::max(0, at.x() - 10); x < at.x() + name.horizontalAdvance("ORVA") && x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.lightness() < 30) ++black;
      if (c.lightness() > 240) ++white;
    }
  EXPECT_GT(black, 10);
  EXPECT_GT(white, 10);

  // The CAP pane follows Caps Lock (on a real display it shows the
  // keyboard's own indicator, which a synthetic key press does not change).
  QLabel* cap = s.frame->IndicatorPane(ID_INDICATOR_CAPS);
  ASSERT_NE(cap, nullptr);
  EXPECT_EQ(cap->text(), "CAP");
  if (QGuiApplication::platformName() != "offscreen") return;
  const bool before = cap->isEnabled();
  s.frame->setFocus();
  s.Key(Qt::Key_CapsLock);
  EXPECT_NE(cap->isEnabled(), before);
  s.Key(Qt::Key_CapsLock);
  EXPECT_EQ(cap->isEnabled(), before);
  EXPECT_EQ(s.frame->IndicatorPane(ID_INDICATOR_NUM)->text(), "NUM");
  EXPECT_EQ(s.frame->IndicatorPane(ID_INDICATOR_SCROLL)->text(), "SCRL");
}

TEST(ConnectionName, ServerDatabaseOrFileButNeverThePassword) {
  EXPECT_EQ(ConnectionDisplayName("DRIVER={PostgreSQL ANSI};SERVER=db.example;UID=u;PWD=secret;"), "db.example");
  EXPECT_EQ(ConnectionDisplayName("Driver={X};Servername = host2 ;Port=5432;Database=sales;PWD=pw"), "host2");
  EXPECT_EQ(ConnectionDisplayName("driver={SQLite3};database=/tmp/a b/data.db;"), "data.db");
  EXPECT_EQ(ConnectionDisplayName("DRIVER={T};DBQ=C:\\files\\book.xls;DefaultDir=C:\\files"), "book.xls");
  EXPECT_EQ(ConnectionDisplayName("DRIVER={X};SERVER={a;b};PWD={p;w}"), "a;b");
  EXPECT_EQ(ConnectionDisplayName("DRIVER={X};PWD=only;UID=u"), "");
  EXPECT_EQ(ConnectStringKeyValue("A=1;PWD=x;B=2", "b"), "2");
}

}  // namespace
}  // namespace orva
