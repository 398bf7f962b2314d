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
  // usage text was shown, or the main window could not be created).
  bool InitInstance(const QStringList& arguments);

  CMainFrame* MainFrame() const { return m_mainFrame.get(); }
  CommandRouter& Router() { return m_router; }

  bool OnCommand(int id) override;
  bool OnUpdateCommand(int id, CmdUI& ui) override;

 private:
  CommandRouter m_router;
  std::unique_ptr<CMainFrame> m_mainFrame;
};

}  // namespace orva
