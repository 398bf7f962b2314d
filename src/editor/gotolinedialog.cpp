#include "editor/gotolinedialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <climits>

#include "editor/finddialog.h"
#include "platform/messagebox.h"
#include "platform/resource_ids.h"

namespace orva {

CGoToLineDialog::CGoToLineDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("跳转到指定行"));
  setObjectName(ControlName(IDD_GOTO_LINE));
  auto* label = new QLabel(QStringLiteral("请输入指定的行号(&L)："), this);
  m_number = new QLineEdit(QStringLiteral("1"), this);
  m_number->setObjectName(ControlName(IDC_GOTO_LINE_NUMBER));
  m_number->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_number));
  label->setBuddy(m_number);
  auto* ok = new QPushButton(QStringLiteral("确定"), this);
  ok->setObjectName(ControlName(kIdOk));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("取消"), this);
  cancel->setObjectName(ControlName(kIdCancel));

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(m_number);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &CGoToLineDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  m_number->selectAll();
  m_number->setFocus();
}

int CGoToLineDialog::LineNumber() const {
  bool ok = false;
  const qulonglong value = m_number->text().toULongLong(&ok);
  if (!ok) return m_number->text().isEmpty() ? 0 : INT_MAX;  // all digits: only too large fails
  return value > static_cast<qulonglong>(INT_MAX) ? INT_MAX : static_cast<int>(value);
}

void CGoToLineDialog::SetLineNumber(int line) { m_number->setText(QString::number(line)); }

void CGoToLineDialog::accept() {
  if (m_number->text().isEmpty()) {
    ShowMessageBox(QStringLiteral("请输入一个整数。"), QStringLiteral("ORVA"), MbIcon::Warning, MbButtons::Ok, this);
    m_number->setFocus();
    return;
  }
  QDialog::accept();
}

bool RunGoToLineDialog(QWidget* parent, int& line) {
  CGoToLineDialog dialog(parent);
  dialog.SetLineNumber(1);
  if (ExecDialog(dialog) != QDialog::Accepted) return false;
  line = dialog.LineNumber();
  return true;
}

}  // namespace orva
