#pragma once
// The application object: names the settings store, creates the main window
// and carries out the command line.

#include <QStringList>
#include <memory>

#include "platform/command.h"

class QApplication;

namespace orva {

class CMainFrame;

class CQueryToolApp : public ICommandTarget {
 public:
  CQueryToolApp();
  ~CQueryToolApp() override;

  // Start-up; returns false when the application must exit at once (the
  // usage text was shown, a file was printed, or the main window could not
  // be created). ExitCode() is then the process's exit status.
  bool InitInstance(const QStringList& arguments);
  int ExitCode() const { return m_exitCode; }

  CMainFrame* MainFrame() const { return m_mainFrame.get(); }
  CommandRouter& Router() { return m_router; }

  bool OnCommand(int id) override;
  bool OnUpdateCommand(int id, CmdUI& ui) override;

 private:
  // Prints a script to the default printer without opening a window.
  bool PrintFile(const QString& path);

  CommandRouter m_router;
  int m_exitCode = 0;
  std::unique_ptr<CMainFrame> m_mainFrame;
};

}  // namespace orva
