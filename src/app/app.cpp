#include "app/app.h"

#include <QApplication>

#include "app/commandline.h"
#include "app/dsnprompt.h"
#include "db/dbconnection.h"
#include "app/mainframe.h"
#include "platform/messagebox.h"
#include "platform/messages.h"
#include "platform/profile.h"

namespace orva {

CQueryToolApp::CQueryToolApp() = default;
CQueryToolApp::~CQueryToolApp() {
  // The picker belongs to the main window that goes with this object.
  if (m_mainFrame) CDBConnection::SetConnectPrompt(nullptr);
}

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
  // An empty connection string asks the user for a data source.
  CMainFrame* frame = m_mainFrame.get();
  CDBConnection::SetConnectPrompt([frame] { return PromptForDataSource(frame); });
  m_mainFrame->show();
  // Files named on the command line open in a query window on the active
  // connection; at start-up there is none yet, so nothing more happens.
  return true;
}

bool CQueryToolApp::OnCommand(int) { return false; }
bool CQueryToolApp::OnUpdateCommand(int, CmdUI&) { return false; }

}  // namespace orva
