#include "query/querydoc.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <cerrno>
#include <cstring>

#include "editor/textfile.h"
#include "platform/messagebox.h"
#include "platform/resource_ids.h"

namespace orva {

namespace {

const QString kCaption = QStringLiteral("ORVA");

// The system's description of the last failed file operation.
QString LastErrorText() {
  const int error = errno;
  if (error == 0) return QStringLiteral("未知错误");
  if (error == EISDIR || error == kErrNotRegularFile) return QStringLiteral("不是普通文件，只能打开普通文件");
  return QString::fromLocal8Bit(std::strerror(error));
}

QString FileNameOf(const std::string& path) { return QFileInfo(QString::fromStdString(path)).fileName(); }

}  // namespace

// The buffer still keeps its own copy: it compares it with the undo history
// to tell when undo or redo returns to the saved text.
void CQueryTextBuffer::MarkModified(bool modified) {
  CTextBuffer::MarkModified(modified);
  m_document.SetModifiedFlag(modified);
}

CQueryDoc::CQueryDoc() : m_buffer(*this) {}

CQueryDoc::~CQueryDoc() = default;

void CQueryDoc::SetModifiedFlag(bool modified) {
  if (m_modified == modified) return;
  m_modified = modified;
  if (m_modifiedObserver) m_modifiedObserver(modified);
}

void CQueryDoc::SetPathName(const std::string& path) {
  const bool changed = m_path != path;
  m_path = path;
  m_title = FileNameOf(path);
  if (changed && m_pathObserver) m_pathObserver();
}

bool CQueryDoc::OnNewDocument() {
  DeleteContents();
  m_path.clear();
  m_buffer.CreateEmpty(EolCrLf);
  m_buffer.SetEncoding(EncodingGbk);
  SetModifiedFlag(false);
  NotifyFileObserver();
  return true;
}

QString CQueryDoc::EncodingLabel() const {
  return QString::fromLatin1(EncodingName(static_cast<TextEncoding>(m_buffer.Encoding())));
}

void CQueryDoc::NotifyFileObserver() {
  for (const auto& observer : m_fileObservers) observer();
}

bool CQueryDoc::FinishFileStep(bool done, const char* failure, const std::string& path) {
  if (!done) {
    ShowMessageBox(QString::fromUtf8(failure).arg(QString::fromStdString(path), LastErrorText()), kCaption,
                   MbIcon::Warning, MbButtons::Ok, m_messageParent);
    return false;
  }
  SetPathName(path);
  SetModifiedFlag(false);
  NotifyFileObserver();
  return true;
}

bool CQueryDoc::OnOpenDocument(const std::string& path) {
  errno = 0;
  return FinishFileStep(m_buffer.LoadFile(path, -1), "无法打开文件“%1”：\n%2", path);
}

bool CQueryDoc::OnSaveDocument(const std::string& path) {
  errno = 0;
  return FinishFileStep(m_buffer.SaveFile(path, -1, true), "无法保存文件“%1”：\n%2", path);
}

bool CQueryDoc::OnRecoverDocument(const std::string& textFile, int eolMode, int encoding, const std::string& path,
                                  const QString& title) {
  // The text is held bytes already: read as GBK, that is, unchanged.
  if (!m_buffer.LoadFile(textFile, eolMode, EncodingGbk)) return false;
  m_buffer.SetEncoding(encoding);
  m_buffer.SetReadOnly(false);
  if (!path.empty()) SetPathName(path);
  if (!title.isEmpty()) m_title = title;
  m_buffer.MarkModified(true);
  NotifyFileObserver();
  return true;
}

void CQueryDoc::DeleteContents() { m_buffer.Clear(); }

std::optional<CQueryDoc::SaveChoice> CQueryDoc::AskSavePath() const {
  if (m_savePathPrompt) {
    std::optional<std::string> path = m_savePathPrompt(*this);
    if (!path) return std::nullopt;
    return SaveChoice{*path};
  }
  QFileDialog dialog(m_messageParent);
  dialog.setOption(QFileDialog::DontUseNativeDialog);  // it carries the encoding box
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilter(QStringLiteral("SQL脚本(*.sql)"));
  dialog.setDefaultSuffix(QStringLiteral("sql"));
  if (!m_path.empty()) dialog.selectFile(QString::fromStdString(m_path));
  else if (!m_title.isEmpty()) dialog.selectFile(m_title);
  auto* encodings = new QComboBox(&dialog);
  encodings->setObjectName(QStringLiteral("encoding"));
  for (TextEncoding encoding : {EncodingGbk, EncodingGb18030, EncodingUtf8, EncodingUtf8Bom})
    encodings->addItem(QString::fromLatin1(EncodingName(encoding)), static_cast<int>(encoding));
  encodings->setCurrentIndex(encodings->findData(m_buffer.Encoding()));
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(QStringLiteral("编码:"), &dialog), row, 0);
    grid->addWidget(encodings, row, 1);
  }
  if (ExecDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return SaveChoice{dialog.selectedFiles().first().toStdString(), encodings->currentData().toInt()};
}

bool CQueryDoc::DoSave(bool askPath) {
  std::string path = m_path;
  const int previousEncoding = m_buffer.Encoding();
  if (askPath || path.empty()) {
    std::optional<SaveChoice> chosen = AskSavePath();
    if (!chosen || chosen->path.empty()) return false;
    path = chosen->path;
    if (chosen->encoding >= 0) m_buffer.SetEncoding(chosen->encoding);
  }
  if (OnSaveDocument(path)) return true;
  m_buffer.SetEncoding(previousEncoding);
  return false;
}

bool CQueryDoc::SaveModified() {
  if (!m_modified) return true;
  const QString name = m_title.isEmpty() ? FileNameOf(m_path) : m_title;
  switch (ShowMessageBox(QStringLiteral("是否保存对“%1”的修改？").arg(name), kCaption, MbIcon::Question,
                         MbButtons::YesNoCancel, m_messageParent)) {
    case IDYES: return DoSave();
    case IDNO: return true;
    default: return false;
  }
}

void CQueryDoc::ToggleReadOnly() {
  if (m_buffer.IsReadOnly()) {
    m_buffer.SetReadOnly(false);
    return;
  }
  m_buffer.SetReadOnly(true);
  ShowMessageBox(QStringLiteral("文档已经设成只读，不能做修改"), kCaption, MbIcon::Warning, MbButtons::Ok,
                 m_messageParent);
}

bool CQueryDoc::OnCommand(int id) {
  switch (id) {
    case ID_EDIT_READ_ONLY: ToggleReadOnly(); return true;
    case ID_FILE_SAVE: DoSave(false); return true;
    case ID_FILE_SAVE_AS: DoSave(true); return true;
    default: return false;
  }
}

bool CQueryDoc::OnUpdateCommand(int id, CmdUI& ui) {
  switch (id) {
    case ID_EDIT_READ_ONLY:
      ui.Enable(m_buffer.IsInitialised());
      ui.SetCheck(m_buffer.IsReadOnly());
      return true;
    case ID_FILE_SAVE:
    case ID_FILE_SAVE_AS: ui.Enable(m_buffer.IsInitialised()); return true;
    default: return false;
  }
}

}  // namespace orva
