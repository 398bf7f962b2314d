#include "app/dsnprompt.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "db/odbcsources.h"
#include "platform/messagebox.h"
#include "platform/qtext.h"

namespace orva {

CDataSourceDialog::CDataSourceDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("选择ODBC数据源"));
  auto* layout = new QVBoxLayout(this);

  auto* listLabel = new QLabel(QStringLiteral("数据源(&D):"), this);
  m_sources = new QListWidget(this);
  listLabel->setBuddy(m_sources);
  for (const DataSourceEntry& source : DataSources()) {
    auto* item = new QListWidgetItem(QStringFromGbk(source.name) + QStringLiteral("    (") +
                                     QStringFromGbk(source.description) + QLatin1Char(')'));
    item->setData(Qt::UserRole, QStringFromGbk(source.name));
    m_sources->addItem(item);
  }
  if (m_sources->count() > 0) m_sources->setCurrentRow(0);

  auto* connectLabel = new QLabel(QStringLiteral("或者输入连接字符串(&S):"), this);
  m_connect = new QLineEdit(this);
  m_connect->setPlaceholderText(QStringLiteral("DRIVER={...};SERVER=...;UID=...;PWD=...;"));
  connectLabel->setBuddy(m_connect);

  // The password has a field of its own that never shows what is typed, so
  // it need not be written into the visible connection string.
  auto* passwordLabel = new QLabel(QStringLiteral("密码(&P):"), this);
  m_password = new QLineEdit(this);
  m_password->setEchoMode(QLineEdit::Password);
  passwordLabel->setBuddy(m_password);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(m_sources, &QListWidget::itemDoubleClicked, this, [this] {
    m_connect->clear();
    accept();
  });

  layout->addWidget(listLabel);
  layout->addWidget(m_sources);
  layout->addWidget(connectLabel);
  layout->addWidget(m_connect);
  layout->addWidget(passwordLabel);
  layout->addWidget(m_password);
  layout->addWidget(buttons);
  resize(420, 320);
}

std::string CDataSourceDialog::ConnectString() const {
  std::string connect;
  QString typed = m_connect->text().trimmed();
  if (!typed.isEmpty()) {
    connect = GbkFromQString(typed);
  } else if (QListWidgetItem* item = m_sources->currentItem()) {
    connect = "DSN=" + GbkFromQString(item->data(Qt::UserRole).toString()) + ";";
  } else {
    return {};
  }
  const QString password = m_password->text();
  if (!password.isEmpty()) {
    if (!connect.empty() && connect.back() != ';') connect += ';';
    // Braces keep ";" and "=" in the password from ending the value.
    connect += "PWD={" + GbkFromQString(password) + "};";
  }
  return connect;
}

std::optional<std::string> PromptForDataSource(QWidget* parent) {
  CDataSourceDialog dialog(parent);
  if (ExecDialog(dialog) != QDialog::Accepted) return std::nullopt;
  std::string connect = dialog.ConnectString();
  if (connect.empty()) return std::nullopt;
  return connect;
}

}  // namespace orva
