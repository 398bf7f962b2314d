#include "editor/replacedialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "editor/textsearch.h"
#include "platform/profile.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"

namespace orva {

namespace {

constexpr const char* kSection = "Replace";


// Moves a position across the replacement of [hit, hitEnd) by text that now
// ends at `newEnd`. Only positions on the hit's line after the hit, and
// positions on later lines, move.
void MoveAcrossReplacement(TextPos& pos, TextPos hit, TextPos hitEnd, TextPos newEnd) {
  if (pos.line == hit.line && pos.column >= hitEnd.column) {
    pos = TextPos{newEnd.column + (pos.column - hitEnd.column), newEnd.line};
  } else if (pos.line > hit.line) {
    pos.line += newEnd.line - hit.line;
  }
}

}  // namespace

CReplaceDialog::CReplaceDialog(IEditSearchTarget& target, bool hasSelection, TextPos blockStart, TextPos blockEnd,
                               TextPos caret, QWidget* parent)
    : QDialog(parent), m_target(target), m_blockStart(blockStart), m_blockEnd(blockEnd), m_caret(caret) {
  setWindowTitle(QStringLiteral("替换"));
  setObjectName(ControlName(IDD_REPLACE));

  auto* whatLabel = new QLabel(QStringLiteral("查找内容(I):"), this);
  m_what = NameControl(new QLineEdit(QStringFromGbk(GetProfileText(kSection, "FindWhat", ""))), IDC_FIND_TEXT);
  whatLabel->setBuddy(m_what);
  auto* withLabel = new QLabel(QStringLiteral("替换成为(&E):"), this);
  m_with = NameControl(new QLineEdit(QStringFromGbk(GetProfileText(kSection, "ReplaceWith", ""))), IDC_REPLACE_WITH);
  withLabel->setBuddy(m_with);
  m_wholeWord = NameControl(new QCheckBox(QStringLiteral("匹配全字词(&W)"), this), IDC_FIND_WHOLE_WORD);
  m_matchCase = NameControl(new QCheckBox(QStringLiteral("区分大小写(&C)"), this), IDC_FIND_MATCH_CASE);
  m_wholeWord->setChecked(GetProfileNumber(kSection, "WholeWord", 0) != 0);
  m_matchCase->setChecked(GetProfileNumber(kSection, "MatchCase", 0) != 0);

  auto* scope = new QGroupBox(QStringLiteral("替换所有范围"), this);
  m_inSelection = NameControl(new QRadioButton(QStringLiteral("选定区(&S)"), scope), IDC_REPLACE_IN_SELECTION);
  m_inFile = NameControl(new QRadioButton(QStringLiteral("当前文件(&N)"), scope), IDC_REPLACE_IN_FILE);
  m_inSelection->setEnabled(hasSelection);
  (hasSelection ? m_inSelection : m_inFile)->setChecked(true);
  auto* scopeLayout = new QVBoxLayout(scope);
  scopeLayout->addWidget(m_inSelection);
  scopeLayout->addWidget(m_inFile);

  m_find = NameControl(new QPushButton(QStringLiteral("查找(&F)"), this), IDC_REPLACE_FIND_NEXT);
  m_find->setDefault(true);
  m_replace = NameControl(new QPushButton(QStringLiteral("替换(&R)"), this), IDC_REPLACE_ONE);
  m_replaceAll = NameControl(new QPushButton(QStringLiteral("全部替换(&A)"), this), IDC_REPLACE_ALL);
  auto* close = NameControl(new QPushButton(QStringLiteral("关闭"), this), kIdCancel);

  auto* fields = new QGridLayout;
  fields->addWidget(whatLabel, 0, 0);
  fields->addWidget(m_what, 0, 1);
  fields->addWidget(withLabel, 1, 0);
  fields->addWidget(m_with, 1, 1);
  auto* checks = new QVBoxLayout;
  checks->addWidget(m_wholeWord);
  checks->addWidget(m_matchCase);
  auto* options = new QHBoxLayout;
  options->addLayout(checks);
  options->addWidget(scope);
  auto* left = new QVBoxLayout;
  left->addLayout(fields);
  left->addLayout(options);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* button : {m_find, m_replace, m_replaceAll, close}) buttons->addWidget(button);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addLayout(buttons);

  // A changed search no longer matches the current hit.
  connect(m_what, &QLineEdit::textChanged, this, [this] {
    m_found = false;
    UpdateButtons();
  });
  for (QCheckBox* box : {m_wholeWord, m_matchCase}) connect(box, &QCheckBox::toggled, this, [this] { m_found = false; });
  connect(m_inSelection, &QRadioButton::toggled, this, [this] { RestartSearch(); });
  connect(m_find, &QPushButton::clicked, this, [this] { FindClicked(); });
  connect(m_replace, &QPushButton::clicked, this, [this] { ReplaceClicked(); });
  connect(m_replaceAll, &QPushButton::clicked, this, [this] { ReplaceAllClicked(); });
  connect(close, &QPushButton::clicked, this, &QDialog::reject);

  m_start = hasSelection ? m_blockStart : m_caret;
  UpdateButtons();
  m_what->selectAll();
  m_what->setFocus();
}

void CReplaceDialog::UpdateButtons() {
  const bool hasText = !m_what->text().isEmpty();
  for (QPushButton* button : {m_find, m_replace, m_replaceAll}) button->setEnabled(hasText);
}

bool CReplaceDialog::InSelectionScope() const { return m_inSelection->isChecked(); }

std::string CReplaceDialog::FindWhat() const { return GbkFromQString(m_what->text()); }

unsigned CReplaceDialog::Flags() const {
  return (m_matchCase->isChecked() ? FindMatchCase : 0u) | (m_wholeWord->isChecked() ? FindWholeWord : 0u);
}

void CReplaceDialog::RestartSearch() {
  m_found = false;
  m_start = InSelectionScope() ? m_blockStart : m_caret;
}

bool CReplaceDialog::Search(TextPos from) {
  const std::string what = FindWhat();
  if (what.empty()) return false;
  const bool inSelection = InSelectionScope();
  const TextPos blockStart = inSelection ? m_blockStart : TextPos{};
  const TextPos blockEnd = inSelection ? m_blockEnd : m_target.TextEndPos();
  TextPos found;
  bool hit = m_target.SearchBlock(what, from, blockStart, blockEnd, Flags(), false, found);
  const TextPos foundEnd{found.column + static_cast<int>(what.size()), found.line};
  // An occurrence that starts inside the block but runs past its end would
  // change text after the block: it does not count, nor does any after it.
  if (hit && inSelection && m_blockEnd < foundEnd) hit = false;
  if (!hit) {
    m_found = false;
    m_start = inSelection ? m_blockStart : TextPos{};
    ShowNotFoundMessage(what, this);
    return false;
  }
  m_target.SelectHit(found, foundEnd);
  m_found = true;
  m_foundAt = found;
  return true;
}

bool CReplaceDialog::FindClicked() {
  if (!m_found) return Search(m_start);
  return Search(TextPos{m_foundAt.column + 1, m_foundAt.line});
}

bool CReplaceDialog::ReplaceHit(TextPos& end) {
  const TextPos hit = m_foundAt;
  const TextPos hitEnd{hit.column + static_cast<int>(FindWhat().size()), hit.line};
  if (!m_target.ReplaceSelection(GbkFromQString(m_with->text()), end)) return false;
  if (InSelectionScope()) {
    MoveAcrossReplacement(m_blockStart, hit, hitEnd, end);
    MoveAcrossReplacement(m_blockEnd, hit, hitEnd, end);
  }
  m_found = false;
  return true;
}

bool CReplaceDialog::ReplaceClicked() {
  if (!m_found) return FindClicked();
  TextPos end;
  if (!ReplaceHit(end)) return false;
  return Search(end);
}

int CReplaceDialog::ReplaceAllClicked() {
  if (!m_found && !Search(m_start)) return 0;
  int count = 0;
  TextPos end;
  while (ReplaceHit(end)) {
    ++count;
    if (!Search(end)) break;
  }
  return count;
}

void CReplaceDialog::done(int result) {
  WriteProfileNumber(kSection, "MatchCase", m_matchCase->isChecked() ? 1 : 0);
  WriteProfileNumber(kSection, "WholeWord", m_wholeWord->isChecked() ? 1 : 0);
  WriteProfileText(kSection, "FindWhat", GbkFromQString(m_what->text()));
  WriteProfileText(kSection, "ReplaceWith", GbkFromQString(m_with->text()));
  QDialog::done(result);
}

}  // namespace orva
