#include "query/recoverydialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/messagebox.h"
#include "platform/qtext.h"
#include "query/autosave.h"
#include "query/childframe.h"
#include "query/querydoc.h"
#include "query/queryview.h"

namespace orva {

namespace {

// "title — where — when" for one entry.
QString EntryText(const RecoveryEntry& entry) {
  QString title = entry.info.title;
  if (!entry.info.path.empty()) title = QString::fromStdString(entry.info.path);
  if (title.isEmpty()) title = QStringLiteral("无标题");
  QString where = QStringFromGbk(entry.info.source);
  if (where.isEmpty()) where = QStringLiteral("未连接");
  const QString when = QDateTime::fromSecsSinceEpoch(entry.info.savedAt).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  return QStringLiteral("%1 — %2 — %3").arg(title, where, when);
}

}  // namespace

CRecoveryDialog::CRecoveryDialog(std::vector<RecoveryEntry> entries, QWidget* parent)
    : QDialog(parent), m_entries(std::move(entries)) {
  setWindowTitle(QStringLiteral("恢复未保存的查询"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("ORVA 上次没有正常退出，以下查询尚未保存："), this));
  m_list = new QListWidget(this);
  m_list->setObjectName(QStringLiteral("entries"));
  for (const RecoveryEntry& entry : m_entries) {
    auto* item = new QListWidgetItem(EntryText(entry), m_list);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
  }
  layout->addWidget(m_list);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* recover = buttons->addButton(QStringLiteral("恢复"), QDialogButtonBox::AcceptRole);
  recover->setObjectName(QStringLiteral("recover"));
  QPushButton* remove = buttons->addButton(QStringLiteral("删除"), QDialogButtonBox::ActionRole);
  remove->setObjectName(QStringLiteral("delete"));
  QPushButton* later = buttons->addButton(QStringLiteral("以后再说"), QDialogButtonBox::RejectRole);
  later->setObjectName(QStringLiteral("later"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(remove, &QPushButton::clicked, this, [this] { DeleteChecked(); });
  layout->addWidget(buttons);
  resize(560, 300);
}

void CRecoveryDialog::DeleteChecked() {
  if (ShowMessageBox(QStringLiteral("删除选中的查询后将无法恢复，是否继续？"), QStringLiteral("ORVA"), MbIcon::Question,
                     MbButtons::YesNo, this) != IDYES)
    return;
  for (int row = m_list->count() - 1; row >= 0; --row) {
    if (m_list->item(row)->checkState() != Qt::Checked) continue;
    CRecoveryStore::Delete(m_entries[static_cast<std::size_t>(row)]);
    m_entries.erase(m_entries.begin() + row);
    delete m_list->takeItem(row);
  }
  if (m_entries.empty()) reject();
}

std::vector<RecoveryEntry> CRecoveryDialog::Chosen() const {
  std::vector<RecoveryEntry> chosen;
  for (int row = 0; row < m_list->count(); ++row)
    if (m_list->item(row)->checkState() == Qt::Checked) chosen.push_back(m_entries[static_cast<std::size_t>(row)]);
  return chosen;
}

std::vector<RecoveryEntry> AskWhichToRecover(const CRecoveryStore& store, QWidget* parent) {
  std::vector<RecoveryEntry> entries = store.Leftovers();
  if (entries.empty()) return {};
  CRecoveryDialog dialog(std::move(entries), parent);
  if (ExecDialog(dialog) != QDialog::Accepted) return {};
  return dialog.Chosen();
}

bool RestoreRecoveredWindow(CChildFrame& frame, const RecoveryEntry& entry) {
  CQueryDoc* document = frame.GetDocument();
  if (!document || !LoadRecoveredText(*document, entry)) return false;
  if (CQueryView* view = frame.GetQueryView()) {
    const int line = std::clamp(entry.info.caretLine, 0, document->Buffer().LineCount() - 1);
    const int column = std::clamp(entry.info.caretColumn, 0, document->Buffer().LineLength(line));
    view->SetCaretPos({column, line});
    view->EnsureCaretVisible();
  }
  if (!frame.GetConnection()) frame.setWindowTitle(document->Title() + QStringLiteral(" *"));
  // The window's own entry holds the text before the leftover goes.
  if (CQueryAutosave* autosave = frame.GetAutosave()) {
    autosave->SaveNow();
    if (CRecoveryStore* store = CQueryAutosave::Store()) store->Flush();
  }
  CRecoveryStore::Delete(entry);
  return true;
}

}  // namespace orva
