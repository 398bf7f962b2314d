#include "app/connectdlg.h"

#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/connectprefs.h"
#include "db/odbcsources.h"
#include "editor/finddialog.h"
#include "images/jpegpicture.h"
#include "platform/codec.h"
#include "platform/messagebox.h"
#include "platform/profile.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"

namespace orva {
namespace {

constexpr const char* kSection = "Setting";

std::vector<std::string> ComboEntries(const QComboBox* box) {
  std::vector<std::string> entries;
  for (int i = 0; i < box->count(); ++i) entries.push_back(GbkFromQString(box->itemText(i)));
  return entries;
}

}  // namespace

CConnectDlg::CConnectDlg(QWidget* parent) : QDialog(parent) {
  NameControl(this, IDD_CONNECT);
  setWindowTitle(QStringLiteral("数据库连接信息"));
  // Everything is drawn on white, beside the picture down the left side.
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);

  auto* picture = new QLabel(this);
  CJpegPicture jpeg;
  if (jpeg.LoadFromResource(IDR_JPG_CONNECT)) picture->setPixmap(QPixmap::fromImage(jpeg.ToImage()));
  picture->setAlignment(Qt::AlignTop | Qt::AlignLeft);

  m_type = NameControl(new QComboBox(this), IDC_CONNECT_DB_TYPE);
  for (const std::string& driver : InstalledDrivers()) m_type->addItem(QStringFromGbk(driver));
  m_server = NameControl(new QComboBox(this), IDC_CONNECT_SERVER);
  m_server->setEditable(true);
  m_server->setInsertPolicy(QComboBox::NoInsert);
  // Completion must not change the letter case the user typed.
  if (m_server->completer()) m_server->completer()->setCaseSensitivity(Qt::CaseSensitive);
  m_user = NameControl(new QLineEdit(this), IDC_CONNECT_USER);
  m_password = NameControl(new QLineEdit(this), IDC_CONNECT_PASSWORD);
  m_password->setEchoMode(QLineEdit::Password);
  m_port = new QLineEdit(this);
  m_port->setObjectName(QStringLiteral("port"));
  m_database = new QLineEdit(this);
  m_database->setObjectName(QStringLiteral("database"));

  auto* form = new QGridLayout;
  auto addRow = [&](int row, const QString& label, QWidget* field) {
    auto* text = new QLabel(label, this);
    text->setBuddy(field);
    form->addWidget(text, row, 0);
    form->addWidget(field, row, 1);
  };
  addRow(0, QStringLiteral("数据库类型(&T):"), m_type);
  addRow(1, QStringLiteral("服务器名(&S):"), m_server);
  addRow(2, QStringLiteral("用户名(&U):"), m_user);
  addRow(3, QStringLiteral("密码(&P):"), m_password);
  addRow(4, QStringLiteral("端口(&O):"), m_port);
  addRow(5, QStringLiteral("数据库(&D):"), m_database);
  form->setColumnMinimumWidth(1, 220);

  m_ok = NameControl(new QPushButton(QStringLiteral("确定"), this), 1);
  m_ok->setDefault(true);
  auto* cancel = NameControl(new QPushButton(QStringLiteral("取消"), this), 2);
  m_clear = NameControl(new QPushButton(QStringLiteral("清空列表"), this), IDC_CONNECT_CLEAR_LIST);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_clear);
  buttons->addStretch(1);
  buttons->addWidget(m_ok);
  buttons->addWidget(cancel);

  auto* right = new QVBoxLayout;
  right->addLayout(form);
  right->addStretch(1);
  right->addLayout(buttons);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(picture);
  layout->addLayout(right, 1);

  connect(m_ok, &QPushButton::clicked, this, &CConnectDlg::OnOk);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_clear, &QPushButton::clicked, this, [this] {
    m_server->clear();
    m_server->setEditText(QString());
  });
  connect(m_type, &QComboBox::currentIndexChanged, this, &CConnectDlg::OnTypeChanged);

  // The type chosen last, by prefix in any letter case; none when no driver matches.
  const std::string lastType = GetProfileText(kSection, "PreConnDBType", "SQL Server");
  m_type->setCurrentIndex(FirstWithPrefix(ComboEntries(m_type), lastType));
  for (const std::string& server : ServerEntries(GetProfileText(kSection, "PreConnServers", "")))
    m_server->addItem(QStringFromGbk(server));
  if (m_server->count() > 0)
    m_server->setCurrentIndex(0);
  else
    m_server->setEditText(QStringLiteral("localhost"));
  m_user->setText(QStringFromGbk(GetProfileText(kSection, "PreConnUID", "")));
  OnTypeChanged();
  m_server->setFocus();
}

void CConnectDlg::OnTypeChanged() {
  const TypeOptions options = ReadTypeOptions(GbkFromQString(m_type->currentText()));
  m_port->setText(QStringFromGbk(options.port));
  m_database->setText(QStringFromGbk(options.database));
}

ServerLogin CConnectDlg::Login() const {
  return ServerLogin{m_strDbType, m_strServer, m_strUser, m_strPassword, m_strPort, m_strDatabase};
}

void CConnectDlg::OnOk() {
  m_strDbType = GbkFromQString(m_type->currentText());
  m_strServer = GbkFromQString(m_server->currentText());
  m_strUser = GbkFromQString(m_user->text());
  m_strPassword = GbkFromQString(m_password->text());
  m_strPort = GbkFromQString(m_port->text().trimmed());
  m_strDatabase = GbkFromQString(m_database->text());
  if (m_strServer.empty()) {
    ShowMessageBox(QStringLiteral("指定服务器名称"), QStringLiteral("数据库连接"), MbIcon::Information, MbButtons::Ok,
                   this);
    m_server->setFocus();
    return;
  }
  WriteProfileText(kSection, "PreConnUID", m_strUser);
  WriteProfileText(kSection, "PreConnDBType", m_strDbType);
  WriteProfileText(kSection, "PreConnServers", StoredServerList(ComboEntries(m_server), m_strServer));
  if (!m_strDbType.empty()) WriteTypeOptions(m_strDbType, TypeOptions{m_strPort, m_strDatabase});
  accept();
}

}  // namespace orva
