#include "table/singleviewframe.h"

#include <QCloseEvent>
#include <QLabel>
#include <QSplitter>
#include <QStatusBar>

#include "db/dbconnection.h"
#include "platform/messagebox.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"
#include "query/querydoc.h"
#include "query/queryview.h"
#include "table/tabledoc.h"
#include "table/tableview.h"

namespace orva {

namespace {
QString Utf8(const char* text) { return QString::fromUtf8(text); }

bool IsRecordCommand(int id) {
  return id == ID_RECORD_REFRESH || id == ID_RECORD_SAVE_AS || id == ID_RECORD_ADD || id == ID_RECORD_DELETE ||
         id == ID_RECORD_INSERT_STATEMENTS;
}
}  // namespace

CSingleViewFrame::CSingleViewFrame(QWidget* parent)
    : QMainWindow(parent), m_document(std::make_unique<CTableDoc>()), m_editorDoc(std::make_unique<CQueryDoc>()) {
  resize(600, 500);
  m_editorDoc->OnNewDocument();
  m_editorDoc->SetMessageParent(this);
  m_splitter = new QSplitter(Qt::Vertical, this);
  m_splitter->setChildrenCollapsible(false);
  m_pEditor = new CQueryView(m_editorDoc.get(), m_splitter);
  m_pTable = new CTableView(m_splitter);
  m_splitter->addWidget(m_pEditor);
  m_splitter->addWidget(m_pTable);
  m_splitter->setStretchFactor(0, 1);
  m_splitter->setStretchFactor(1, 1);
  setCentralWidget(m_splitter);
  m_pEditor->OnInitialUpdate();
  m_pTable->SetEditorPane(m_pEditor);

  m_statusPane = new QLabel(this);
  statusBar()->addWidget(m_statusPane, 1);
  m_pTable->SetStatusSink([this](const QString& text) { m_statusPane->setText(text); });
}

CSingleViewFrame::~CSingleViewFrame() {
  // The panes use the documents: they go first.
  delete m_splitter;
  m_splitter = nullptr;
}

void CSingleViewFrame::SetTarget(CDBConnection* connection, const std::string& tableName, int nodeKind) {
  m_pConnection = connection;
  m_strTable = tableName;
  m_nNodeKind = nodeKind;
}

void CSingleViewFrame::OnInitialUpdate() {
  m_pTable->SetTarget(m_pConnection, m_strTable);
  m_pTable->OnInitialUpdate();
}

QString CSingleViewFrame::StatusText() const { return m_statusPane->text(); }

void CSingleViewFrame::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (m_bSized) return;
  m_bSized = true;
  const int total = m_splitter->height();
  m_splitter->setSizes({total / 2, total - total / 2});
}

bool CSingleViewFrame::OnCommand(int id) {
  if (id == ID_QUERY_CANCEL) {
    m_pTable->CancelLoading();
    return true;
  }
  if (IsRecordCommand(id)) return m_pTable->OnCommand(id);
  return false;
}

bool CSingleViewFrame::OnUpdateCommand(int id, CmdUI& ui) {
  if (id == ID_QUERY_CANCEL) {
    ui.Enable(m_pTable->IsLoading());
    return true;
  }
  if (IsRecordCommand(id)) return m_pTable->OnUpdateCommand(id, ui);
  return false;
}

void CSingleViewFrame::closeEvent(QCloseEvent* event) {
  const int unsaved = m_pTable->IsLoading() ? 0 : m_pTable->UnsavedRowCount();
  if (unsaved > 0 &&
      ShowMessageBox(Utf8("有 %1 行修改尚未保存到数据库，关闭窗口将放弃这些修改。是否关闭？").arg(unsaved),
                     QStringLiteral("ORVA"), MbIcon::Question, MbButtons::YesNo, this) != IDYES) {
    event->ignore();
    return;
  }
  m_pTable->CancelLoading();
  m_pTable->WaitLoaded();
  event->accept();
}

QString TableWindowTitle(int nodeKind, const CDBConnection& connection, const std::string& objectName,
                         int windowNumber) {
  const char* kind = "";
  if (nodeKind == 4)
    kind = "表";
  else if (nodeKind == 6)
    kind = "视图";
  else if (nodeKind == 8 || nodeKind == 10)
    kind = "存储过程";
  return Utf8("%1查看 － %2.%3.%4.%5 － 无标题%6")
      .arg(Utf8(kind), QStringFromGbk(connection.GetDataSourceName()),
           QStringFromGbk(connection.GetCurrentDatabase()), QStringFromGbk(connection.GetUserName()),
           QStringFromGbk(objectName))
      .arg(windowNumber);
}

}  // namespace orva
