#include "app/app.h"

#include <QApplication>
#include <QFileInfo>

#include "app/commandline.h"
#include "app/dsnprompt.h"
#include "db/dbconnection.h"
#include "app/mainframe.h"
#include "platform/messagebox.h"
#include "platform/messages.h"
#include "platform/profile.h"
#include "platform/resource_ids.h"
#include "query/querydoc.h"
#include "query/queryview.h"

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
    m_exitCode = 2;
    return false;
  }
  if (command.action == CommandLineInfo::Action::PrintFile) {
    m_exitCode = PrintFile(command.file) ? 0 : 1;
    return false;
  }

  m_mainFrame = std::make_unique<CMainFrame>(m_router);
  m_router.SetMainFrame(m_mainFrame.get());
  m_router.SetApplication(this);
  // An empty connection string asks the user for a data source.
  CMainFrame* frame = m_mainFrame.get();
  CDBConnection::SetConnectPrompt([frame] { return PromptForDataSource(frame); });
  m_mainFrame->RestoreWindowPlacement();
  // A file named on the command line opens in a query window on the active
  // connection; at start-up there is none yet, so nothing happens.
  if (command.action == CommandLineInfo::Action::OpenFile)
    m_mainFrame->OpenFileInQueryWindow(QFileInfo(command.file).absoluteFilePath().toStdString());
  return true;
}

bool CQueryToolApp::PrintFile(const QString& path) {
  CQueryDoc document;
  if (!document.OnOpenDocument(QFileInfo(path).absoluteFilePath().toStdString())) return false;
  CQueryView view(&document);
  view.OnInitialUpdate();
  return view.OnCommand(ID_FILE_PRINT_DIRECT);
}

bool CQueryToolApp::OnCommand(int) { return false; }
bool CQueryToolApp::OnUpdateCommand(int, CmdUI&) { return false; }

}  // namespace orva
