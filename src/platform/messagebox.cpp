#include "platform/messagebox.h"

#include <QDialog>
#include <QMessageBox>
#include <mutex>

#include "platform/guithread.h"
#include "platform/qtext.h"

namespace orva {
namespace {

std::mutex g_hookLock;
MessageBoxHook g_messageBoxHook;
DialogHook g_dialogHook;

QMessageBox::Icon ToQtIcon(MbIcon icon) {
  switch (icon) {
    case MbIcon::Information: return QMessageBox::Information;
    case MbIcon::Warning: return QMessageBox::Warning;
    case MbIcon::Error: return QMessageBox::Critical;
    case MbIcon::Question: return QMessageBox::Question;
    case MbIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

int RealMessageBox(const MessageBoxRequest& request) {
  QMessageBox box(ToQtIcon(request.icon), request.caption, request.text, QMessageBox::NoButton, request.parent);
  struct Choice {
    QMessageBox::StandardButton button;
    int answer;
  };
  std::vector<Choice> choices;
  switch (request.buttons) {
    case MbButtons::Ok: choices = {{QMessageBox::Ok, IDOK}}; break;
    case MbButtons::OkCancel: choices = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}}; break;
    case MbButtons::YesNo: choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}}; break;
    case MbButtons::YesNoCancel:
      choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
      break;
    case MbButtons::RetryCancel: choices = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}}; break;
  }
  for (const Choice& c : choices) box.addButton(c.button);
  int result = box.exec();
  for (const Choice& c : choices)
    if (result == c.button) return c.answer;
  // Closed without a button: the escape answer.
  if (request.buttons == MbButtons::YesNo) return IDNO;
  return request.buttons == MbButtons::Ok ? IDOK : IDCANCEL;
}

}  // namespace

int ShowMessageBox(const QString& text, const QString& caption, MbIcon icon, MbButtons buttons, QWidget* parent) {
  MessageBoxRequest request{text, caption, icon, buttons, parent};
  MessageBoxHook hook;
  {
    std::lock_guard<std::mutex> lock(g_hookLock);
    hook = g_messageBoxHook;
  }
  if (hook) return hook(request);
  int answer = IDCANCEL;
  RunOnGuiThread([&] { answer = RealMessageBox(request); });
  return answer;
}

int ShowMessageBoxGbk(std::string_view gbkText, const QString& caption, MbIcon icon, MbButtons buttons,
                      QWidget* parent) {
  return ShowMessageBox(QStringFromGbk(gbkText), caption, icon, buttons, parent);
}

void ShowErrorBoxGbk(std::string_view gbkText, QWidget* parent) {
  ShowMessageBoxGbk(gbkText, QStringLiteral("ORVA"), MbIcon::Warning, MbButtons::Ok, parent);
}

int ExecDialog(QDialog& dialog) {
  DialogHook hook;
  {
    std::lock_guard<std::mutex> lock(g_hookLock);
    hook = g_dialogHook;
  }
  if (hook) return hook(dialog);
  return dialog.exec();
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
  std::lock_guard<std::mutex> lock(g_hookLock);
  std::swap(hook, g_messageBoxHook);
  return hook;
}

DialogHook SetDialogHook(DialogHook hook) {
  std::lock_guard<std::mutex> lock(g_hookLock);
  std::swap(hook, g_dialogHook);
  return hook;
}

}  // namespace orva
