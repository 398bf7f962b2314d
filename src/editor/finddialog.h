#pragma once
// The find dialog "查找", and the pieces the find, replace and go-to-line
// dialogs share: the view operations they call, control names by id and the
// not-found message. The dialogs know a view only through IEditSearchTarget,
// so they run against any object that can search and select.

#include <QDialog>
#include <QString>
#include <string>
#include <string_view>

#include "editor/textpos.h"
#include "editor/textview.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace orva {

// What the find and replace dialogs do to the text they search.
class IEditSearchTarget {
 public:
  virtual ~IEditSearchTarget() = default;
  // Searches `what` from `start` within the block (FindFlags; `found` is the
  // start of the occurrence, which ends what.size() bytes later).
  virtual bool SearchBlock(std::string_view what, TextPos start, TextPos blockStart, TextPos blockEnd,
                           unsigned flags, bool wrap, TextPos& found) = 0;
  // The end of the last line.
  virtual TextPos TextEndPos() const = 0;
  // Selects a hit: selection from start to end, caret at the end, visible.
  virtual void SelectHit(TextPos start, TextPos end) = 0;
  // Replaces the selection by `text` as "替换"; `end` is where the inserted
  // text ends (the caret goes there). False when the text cannot be edited.
  virtual bool ReplaceSelection(std::string_view text, TextPos& end) = 0;
};

// Dialog controls carry their resource id as object name, so that tests and
// the dialog code find them by id.
QString ControlName(int id);
template <typename Widget>
Widget* FindControl(const QWidget& dialog, int id) {
  return dialog.findChild<Widget*>(ControlName(id));
}
template <typename Widget>
Widget* NameControl(Widget* widget, int id) {
  widget->setObjectName(ControlName(id));
  return widget;
}

// “找不到字符串 "%s"” with the searched text, as a message box.
void ShowNotFoundMessage(std::string_view what, QWidget* parent);

// Ids of the buttons that end a dialog.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

class CFindDialog : public QDialog {
 public:
  // Searches `target` starting at `start`, preset with `settings`. A search
  // upwards starts at `upStart` instead (the earlier of caret and selection
  // start, so that a selected hit is passed over); by default at `start`.
  CFindDialog(IEditSearchTarget& target, const FindSettings& settings, TextPos start, QWidget* parent = nullptr);
  CFindDialog(IEditSearchTarget& target, const FindSettings& settings, TextPos start, TextPos upStart,
              QWidget* parent = nullptr);

  // The text and flags as the dialog shows them now.
  FindSettings Settings() const;
  TextPos StartPos() const { return m_start; }
  // The find button: a hit is selected and the dialog closes (accepted); a
  // miss shows the message, restarts from (0, 0) and keeps the dialog open.
  bool FindClicked();

 private:
  void UpdateButtons();

  IEditSearchTarget& m_target;
  TextPos m_start;
  TextPos m_upStart;
  QLineEdit* m_what = nullptr;
  QCheckBox* m_wholeWord = nullptr;
  QCheckBox* m_matchCase = nullptr;
  QRadioButton* m_up = nullptr;
  QRadioButton* m_down = nullptr;
  QPushButton* m_find = nullptr;
};

// Runs the find dialog modally. `settings` receives the dialog's values when
// it closes; false when the find text was left empty.
bool RunFindDialog(IEditSearchTarget& target, FindSettings& settings, TextPos start, TextPos upStart,
                   QWidget* parent);

}  // namespace orva
