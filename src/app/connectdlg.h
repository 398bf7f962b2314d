#pragma once
// The connection dialog "数据库连接信息": database type (an installed ODBC
// driver), server, user name and password, plus the port and database that
// drivers on this platform may need. It remembers type, user and servers; the
// password never leaves the dialog except in the connection string.

#include <QDialog>
#include <string>

#include "db/connectstring.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace orva {

class CConnectDlg : public QDialog {
 public:
  explicit CConnectDlg(QWidget* parent = nullptr);

  // Valid after OK.
  std::string m_strDbType;
  std::string m_strServer;
  std::string m_strUser;
  std::string m_strPassword;
  std::string m_strPort;
  std::string m_strDatabase;

  ServerLogin Login() const;

  QComboBox* TypeBox() const { return m_type; }
  QComboBox* ServerBox() const { return m_server; }
  QLineEdit* UserEdit() const { return m_user; }
  QLineEdit* PasswordEdit() const { return m_password; }
  QLineEdit* PortEdit() const { return m_port; }
  QLineEdit* DatabaseEdit() const { return m_database; }
  QPushButton* OkButton() const { return m_ok; }
  QPushButton* ClearListButton() const { return m_clear; }

 private:
  void OnOk();
  void OnTypeChanged();

  QComboBox* m_type = nullptr;
  QComboBox* m_server = nullptr;
  QLineEdit* m_user = nullptr;
  QLineEdit* m_password = nullptr;
  QLineEdit* m_port = nullptr;
  QLineEdit* m_database = nullptr;
  QPushButton* m_ok = nullptr;
  QPushButton* m_clear = nullptr;
};

}  // namespace orva
