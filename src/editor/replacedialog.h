#pragma once
// The replace dialog "替换": find, replace one, replace all, in the whole text
// or within the selection it was opened on. Its values come from and go back
// to the settings section "Replace".

#include <QDialog>
#include <string>

#include "editor/finddialog.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace orva {

class CReplaceDialog : public QDialog {
 public:
  // With `hasSelection` the scope is the block from blockStart to blockEnd
  // and the search starts at its start; otherwise the whole text from `caret`.
  CReplaceDialog(IEditSearchTarget& target, bool hasSelection, TextPos blockStart, TextPos blockEnd, TextPos caret,
                 QWidget* parent = nullptr);

  bool FindClicked();
  bool ReplaceClicked();
  // Replaces every further occurrence; the run ends with the not-found message.
  // Returns the number of replacements.
  int ReplaceAllClicked();

  bool InSelectionScope() const;
  TextPos BlockStart() const { return m_blockStart; }
  TextPos BlockEnd() const { return m_blockEnd; }

  // Writes the values back to the settings on every way of closing.
  void done(int result) override;

 private:
  // One search from `from` in the current scope, selecting a hit.
  bool Search(TextPos from);
  // Replaces the current hit and moves the block with the change; returns the
  // end of the replacement.
  bool ReplaceHit(TextPos& end);
  void RestartSearch();
  void UpdateButtons();
  std::string FindWhat() const;
  unsigned Flags() const;

  IEditSearchTarget& m_target;
  TextPos m_blockStart;
  TextPos m_blockEnd;
  TextPos m_caret;
  TextPos m_start;  // where the next search without a current hit starts
  bool m_found = false;
  TextPos m_foundAt;
  QLineEdit* m_what = nullptr;
  QLineEdit* m_with = nullptr;
  QCheckBox* m_wholeWord = nullptr;
  QCheckBox* m_matchCase = nullptr;
  QRadioButton* m_inSelection = nullptr;
  QRadioButton* m_inFile = nullptr;
  QPushButton* m_find = nullptr;
  QPushButton* m_replace = nullptr;
  QPushButton* m_replaceAll = nullptr;
};

}  // namespace orva
