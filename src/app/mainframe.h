#pragma once
// The main window: an MDI area with the menus, the status bar and the commands
// that open connections and query windows.

#include <QMainWindow>
#include <memory>

#include "platform/command.h"
#include "platform/commandactions.h"

class QLabel;
class QMdiArea;
class QTimer;

namespace orva {

class CMainFrame : public QMainWindow, public ICommandTarget {
 public:
  explicit CMainFrame(CommandRouter& router);
  ~CMainFrame() override;

  bool OnCommand(int id) override;
  bool OnUpdateCommand(int id, CmdUI& ui) override;

  QMdiArea* MdiArea() const { return m_mdiArea; }
  CommandActions& Actions() { return *m_actions; }

  // Status pane 0: progress texts of long operations; empty clears it.
  void SetMessageText(const QString& text);
  int QueryWindowCount() const { return m_nQueryWindows; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateMenus();
  void CreateStatusBar();
  void CreateShortcuts();

  CommandRouter& m_router;
  CommandActions* m_actions = nullptr;
  QMdiArea* m_mdiArea = nullptr;
  QLabel* m_messagePane = nullptr;
  QLabel* m_connectionPane = nullptr;
  QTimer* m_idleTimer = nullptr;
  int m_nQueryWindows = 0;
};

}  // namespace orva
