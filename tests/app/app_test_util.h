#pragma once
// Driving the main window as a user does in the application tests: the
// application started as at program start, keys sent to the focused widget,
// tool-bar buttons clicked, modal dialogs answered.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>
#include <functional>

#include "app/app.h"
#include "app/mainframe.h"
#include "browser/schemaview.h"
#include "platform/messagebox.h"
#include "platform/resource_ids.h"
#include "query/childframe.h"

namespace orva::test {

// Answers modal dialogs with `answer` while it lives.
class DialogAnswer {
 public:
  explicit DialogAnswer(std::function<int(QDialog&)> answer) { m_previous = SetDialogHook(std::move(answer)); }
  ~DialogAnswer() { SetDialogHook(m_previous); }

 private:
  DialogHook m_previous;
};

// Processes events until `done` holds or 60 seconds pass.
inline bool WaitFor(const std::function<bool()>& done) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  QCoreApplication::processEvents();
  return done();
}

// The application started with an empty command line, its main window shown
// and active so that its keys work.
class AppSession {
 public:
  AppSession() {
    EXPECT_TRUE(m_app.InitInstance({}));
    frame = m_app.MainFrame();
    frame->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(frame));
  }
  CQueryToolApp& App() { return m_app; }

  // Clicks the tool-bar button of a command, as a user does.
  void ClickButton(int id) {
    frame->Actions().Refresh();
    QWidget* button = frame->ToolBar()->widgetForAction(frame->Actions().Action(id));
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
  }
  // Whether the command's action is enabled after the idle refresh.
  bool Enabled(int id) {
    frame->Actions().Refresh();
    return frame->Actions().Action(id)->isEnabled();
  }
  // Chooses the command's menu item: the menu refreshes its states as it
  // opens, then the item is chosen.
  void Choose(int id) {
    frame->Actions().Refresh();
    QAction* action = frame->Actions().Action(id);
    ASSERT_TRUE(action->isEnabled()) << id;
    action->trigger();
  }
  // A key pressed where the keyboard focus is.
  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : frame, static_cast<Qt::Key>(key), modifiers);
  }

  CMainFrame* frame = nullptr;

 private:
  CQueryToolApp m_app;
};

// 连接文件数据库 chosen from the menu and `path` chosen in its file dialog.
inline void OpenFileDatabase(AppSession& session, const QString& path) {
  DialogAnswer answer([&](QDialog& dialog) {
    auto* files = dynamic_cast<QFileDialog*>(&dialog);
    EXPECT_NE(files, nullptr) << "a dialog other than the file dialog: " << dialog.windowTitle().toStdString();
    if (!files) return int(QDialog::Rejected);
    files->selectFile(path);
    QMetaObject::invokeMethod(files, "accept");
    return files->result();
  });
  session.Choose(ID_FILE_CONNECT_FILE);
}

// The names under the browser's first connection's "数据表" folder, once it
// has been read.
inline QStringList TablesInBrowser(CSchemaView* browser) {
  QStringList names;
  QTreeWidgetItem* root = browser->topLevelItem(0);
  if (!root) return names;
  for (int i = 0; i < root->childCount(); ++i) {
    QTreeWidgetItem* folder = root->child(i);
    if (folder->text(0) != "数据表") continue;
    folder->setExpanded(true);
    WaitFor([&] { return !browser->IsFilling(); });
    for (int j = 0; j < folder->childCount(); ++j) names << folder->child(j)->text(0);
  }
  return names;
}

}  // namespace orva::test
