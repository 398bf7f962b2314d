#pragma once
// The go-to-line dialog "跳转到指定行": asks a 1-based line number.

#include <QDialog>

class QLineEdit;

namespace orva {

class CGoToLineDialog : public QDialog {
 public:
  explicit CGoToLineDialog(QWidget* parent = nullptr);

  // The number entered; numbers beyond the int range give the largest int.
  int LineNumber() const;
  void SetLineNumber(int line);
  // OK refuses an empty entry with a message and keeps the dialog open.
  void accept() override;

 private:
  QLineEdit* m_number = nullptr;
};

// Runs the dialog modally, preset with 1; true on OK with the number in `line`.
bool RunGoToLineDialog(QWidget* parent, int& line);

}  // namespace orva
