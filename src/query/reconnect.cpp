#include "query/reconnect.h"

#include <QInputDialog>
#include <QLineEdit>

#include "db/dbconnection.h"
#include "db/dbexception.h"
#include "platform/messagebox.h"
#include "platform/qtext.h"
#include "platform/waitcursor.h"

namespace orva {

bool OfferReconnect(CDBConnection& connection, QWidget* parent) {
  if (ShowMessageBox(QStringLiteral("连接已断开，是否重新连接？"), QStringLiteral("ORVA"), MbIcon::Question,
                     MbButtons::YesNo, parent) != IDYES)
    return false;
  std::string password;
  if (connection.NeedsPasswordToReconnect()) {
    QInputDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("ORVA"));
    dialog.setLabelText(QStringLiteral("请输入“%1”的密码:").arg(QStringFromGbk(connection.GetDataSourceName())));
    dialog.setTextEchoMode(QLineEdit::Password);
    if (ExecDialog(dialog) != QDialog::Accepted) return false;
    password = GbkFromQString(dialog.textValue());
  }
  try {
    WaitCursor wait;
    connection.Reconnect(password);
  } catch (const CDBException& error) {
    ShowErrorBoxGbk(error.ErrorText(), parent);
    return false;
  }
  return connection.IsOpen();
}

}  // namespace orva
