#include "editor/finddialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "editor/textsearch.h"
#include "platform/messagebox.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"

namespace orva {

QString ControlName(int id) { return QStringLiteral("id%1").arg(id); }

void ShowNotFoundMessage(std::string_view what, QWidget* parent) {
  // The string table holds UTF-8 with "%s" standing for the searched text.
  QString message = QString::fromUtf8(FindStringText(IDS_FIND_NOT_FOUND));
  message.replace(QLatin1String("%s"), QStringFromGbk(what));
  ShowMessageBox(message, QStringLiteral("ORVA"), MbIcon::Information, MbButtons::Ok, parent);
}

CFindDialog::CFindDialog(IEditSearchTarget& target, const FindSettings& settings, TextPos start, QWidget* parent)
    : CFindDialog(target, settings, start, start, parent) {}

CFindDialog::CFindDialog(IEditSearchTarget& target, const FindSettings& settings, TextPos start, TextPos upStart,
                         QWidget* parent)
    : QDialog(parent), m_target(target), m_start(start), m_upStart(upStart) {
  setWindowTitle(QStringLiteral("查找"));
  setObjectName(ControlName(IDD_FIND));

  auto* label = new QLabel(QStringLiteral("查找内容(I):"), this);
  m_what = NameControl(new QLineEdit(QStringFromGbk(settings.what), this), IDC_FIND_TEXT);
  label->setBuddy(m_what);
  m_wholeWord = NameControl(new QCheckBox(QStringLiteral("匹配全字词(&W)"), this), IDC_FIND_WHOLE_WORD);
  m_matchCase = NameControl(new QCheckBox(QStringLiteral("区分大小写(&C)"), this), IDC_FIND_MATCH_CASE);
  m_wholeWord->setChecked(settings.flags & FindWholeWord);
  m_matchCase->setChecked(settings.flags & FindMatchCase);

  auto* direction = new QGroupBox(QStringLiteral("方向"), this);
  m_up = NameControl(new QRadioButton(QStringLiteral("上(&U)"), direction), IDC_FIND_UP);
  m_down = NameControl(new QRadioButton(QStringLiteral("下(&D)"), direction), IDC_FIND_DOWN);
  (settings.flags & FindUp ? m_up : m_down)->setChecked(true);
  auto* directionLayout = new QHBoxLayout(direction);
  directionLayout->addWidget(m_up);
  directionLayout->addWidget(m_down);

  m_find = NameControl(new QPushButton(QStringLiteral("查找(&F)"), this), kIdOk);
  m_find->setDefault(true);
  auto* close = NameControl(new QPushButton(QStringLiteral("关闭"), this), kIdCancel);

  auto* textRow = new QHBoxLayout;
  textRow->addWidget(label);
  textRow->addWidget(m_what);
  auto* options = new QHBoxLayout;
  auto* checks = new QVBoxLayout;
  checks->addWidget(m_wholeWord);
  checks->addWidget(m_matchCase);
  options->addLayout(checks);
  options->addWidget(direction);
  auto* left = new QVBoxLayout;
  left->addLayout(textRow);
  left->addLayout(options);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(m_find);
  buttons->addWidget(close);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addLayout(buttons);

  connect(m_what, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
  connect(m_find, &QPushButton::clicked, this, [this] { FindClicked(); });
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  UpdateButtons();
  m_what->selectAll();
  m_what->setFocus();
}

void CFindDialog::UpdateButtons() { m_find->setEnabled(!m_what->text().isEmpty()); }

FindSettings CFindDialog::Settings() const {
  FindSettings settings;
  settings.what = GbkFromQString(m_what->text());
  if (m_matchCase->isChecked()) settings.flags |= FindMatchCase;
  if (m_wholeWord->isChecked()) settings.flags |= FindWholeWord;
  if (m_up->isChecked()) settings.flags |= FindUp;
  return settings;
}

bool CFindDialog::FindClicked() {
  const FindSettings settings = Settings();
  if (settings.what.empty()) return false;
  TextPos found;
  const TextPos from = (settings.flags & FindUp) ? m_upStart : m_start;
  if (!m_target.SearchBlock(settings.what, from, TextPos{}, m_target.TextEndPos(), settings.flags, true, found)) {
    ShowNotFoundMessage(settings.what, this);
    m_start = m_upStart = TextPos{};
    return false;
  }
  m_target.SelectHit(found, TextPos{found.column + static_cast<int>(settings.what.size()), found.line});
  accept();
  return true;
}

bool RunFindDialog(IEditSearchTarget& target, FindSettings& settings, TextPos start, TextPos upStart,
                   QWidget* parent) {
  CFindDialog dialog(target, settings, start, upStart, parent);
  ExecDialog(dialog);
  const FindSettings result = dialog.Settings();
  if (result.what.empty()) return false;
  settings = result;
  return true;
}

}  // namespace orva
