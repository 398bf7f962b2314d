#pragma once
// The data-source picker shown when a connection is opened without a
// connection string: the user and system data sources of the driver manager,
// plus a field for any connection string.

#include <QDialog>
#include <optional>
#include <string>

class QLineEdit;
class QListWidget;

namespace orva {

class CDataSourceDialog : public QDialog {
 public:
  explicit CDataSourceDialog(QWidget* parent = nullptr);

  // The connection string the choice stands for (GBK): the typed string when
  // one was typed, else "DSN=<name>;" of the selected data source; a password
  // typed in its own (masked) field is added as "PWD=".
  std::string ConnectString() const;

  QListWidget* SourceList() const { return m_sources; }
  QLineEdit* ConnectEdit() const { return m_connect; }
  QLineEdit* PasswordEdit() const { return m_password; }

 private:
  QListWidget* m_sources = nullptr;
  QLineEdit* m_connect = nullptr;
  QLineEdit* m_password = nullptr;
};

// Runs the picker; nothing when it was cancelled or left empty.
std::optional<std::string> PromptForDataSource(QWidget* parent);

}  // namespace orva
