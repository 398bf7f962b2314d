#pragma once
// The single-line editor that opens over a cell. When the edit ends it sends
// its owner a -106 record with the row, column, final text and the key that
// ended it, then closes itself.

#include <QLineEdit>
#include <string>

#include "grid/gridtypes.h"

namespace orva {

// The "first character" of an edit opened by a mouse click.
constexpr int kEditStartClick = 0;

class GridInPlaceEdit : public QLineEdit {
  Q_OBJECT

 public:
  // `firstChar`: a printable character typed to open the edit (all text is
  // selected and the character typed), kEditStartClick, or a Qt key code:
  // Enter and F2 put the caret at the end, Backspace selects the text from
  // the end, Tab and navigation keys select all.
  GridInPlaceEdit(QWidget* parent, QRect rect, int format, int id, int row, int col, const std::string& text,
                  int firstChar, IGridOwner* owner);

  int Row() const { return m_row; }
  int Column() const { return m_col; }
  // Ends the edit (once): sends the end-edit record and closes.
  void EndEdit(int key = 0);

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void FitToText();

  int m_id;
  int m_row;
  int m_col;
  std::string m_initialText;
  bool m_openedByClick;
  bool m_ending = false;
  IGridOwner* m_owner;
  QRect m_startRect;
};

}  // namespace orva
