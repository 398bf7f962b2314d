#pragma once
// Every message box and every modal dialog whose answer the code needs goes
// through these functions, so that tests can replace the user with a recorder
// and no test ever blocks on a modal window.

#include <QString>
#include <functional>
#include <string_view>

class QDialog;
class QWidget;

namespace orva {

enum class MbIcon { None, Information, Warning, Error, Question };
enum class MbButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };

// Answers, numbered as the classic message-box results.
enum MbAnswer { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

struct MessageBoxRequest {
  QString text;
  QString caption;
  MbIcon icon = MbIcon::None;
  MbButtons buttons = MbButtons::Ok;
  QWidget* parent = nullptr;
};

// Shows a modal message box and returns the answer. The default caption is the
// application title "ORVA".
int ShowMessageBox(const QString& text, const QString& caption = QStringLiteral("ORVA"),
                   MbIcon icon = MbIcon::None, MbButtons buttons = MbButtons::Ok, QWidget* parent = nullptr);

// The same for a GBK data text (database error texts, file names read from data).
int ShowMessageBoxGbk(std::string_view gbkText, const QString& caption = QStringLiteral("ORVA"),
                      MbIcon icon = MbIcon::None, MbButtons buttons = MbButtons::Ok, QWidget* parent = nullptr);

// The error box used for failed database operations: caption ORVA, warning
// icon, OK button.
void ShowErrorBoxGbk(std::string_view gbkText, QWidget* parent = nullptr);

// Runs a modal dialog and returns its result code (QDialog::Accepted or
// Rejected, or whatever the dialog's done() was given).
int ExecDialog(QDialog& dialog);

using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;
using DialogHook = std::function<int(QDialog&)>;

// Installs a replacement (tests); an empty function restores the real boxes.
// Returns the previous hook. The hooks may be called from any thread; the real
// message box is always shown on the GUI thread.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);
DialogHook SetDialogHook(DialogHook hook);

}  // namespace orva
