#include "app/app.h"

#include <QApplication>

#include "app/commandline.h"
#include "app/mainframe.h"
#include "platform/messagebox.h"
#include "platform/messages.h"
#include "platform/profile.h"

namespace orva {

CQueryToolApp::CQueryToolApp() = default;
CQueryToolApp::~CQueryToolApp() = default;

bool CQueryToolApp::InitInstance(const QStringList& arguments) {
  RegisterMessageTypes();
  SetProfileNames("Nolbe", "ORVA");
  SetProfileUserRoot(false);

  CommandLineInfo command = ParseCommandLine(arguments);
  if (command.action == CommandLineInfo::Action::Usage) {
    ShowMessageBox(QString::fromLatin1(kUsageText));
    return false;
  }

  m_mainFrame = std::make_unique<CMainFrame>(m_router);
  m_router.SetMainFrame(m_mainFrame.get());
  m_router.SetApplication(this);
  m_mainFrame->show();
  // Files named on the command line open in a query window on the active
  // connection; at start-up there is none yet, so nothing more happens.
  return true;
}

bool CQueryToolApp::OnCommand(int) { return false; }
bool CQueryToolApp::OnUpdateCommand(int, CmdUI&) { return false; }

}  // namespace orva
