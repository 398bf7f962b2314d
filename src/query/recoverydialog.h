#pragma once
// "恢复未保存的查询": the texts an ORVA that did not exit cleanly left in the
// recovery folder, each with a check box. "恢复" recovers the checked ones,
// "删除" deletes the checked ones from the folder at once, "以后再说" keeps
// every one for the next start.

#include <QDialog>
#include <vector>

#include "query/recoverystore.h"

class QListWidget;

namespace orva {

class CChildFrame;

class CRecoveryDialog : public QDialog {
 public:
  CRecoveryDialog(std::vector<RecoveryEntry> entries, QWidget* parent = nullptr);
  // The checked entries, after the dialog was accepted.
  std::vector<RecoveryEntry> Chosen() const;

 private:
  void DeleteChecked();

  std::vector<RecoveryEntry> m_entries;
  QListWidget* m_list;
};

// Offers the leftovers of the store, if any; the entries the user chose to
// recover (none when there were none or the user kept them for later).
std::vector<RecoveryEntry> AskWhichToRecover(const CRecoveryStore& store, QWidget* parent);

// Puts a recovered text into a new query window: the text as it was, its file
// name, encoding and caret, marked modified. The window's own entry takes the
// text over and the leftover is deleted. False when the text cannot be read.
bool RestoreRecoveredWindow(CChildFrame& frame, const RecoveryEntry& entry);

}  // namespace orva
