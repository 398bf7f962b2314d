#include "grid/inplaceedit.h"

#include <QFocusEvent>
#include <QKeyEvent>

#include "grid/textmeasure.h"
#include "platform/qtext.h"

namespace orva {

GridInPlaceEdit::GridInPlaceEdit(QWidget* parent, QRect rect, int format, int id, int row, int col,
                                 const std::string& text, int firstChar, IGridOwner* owner)
    : QLineEdit(parent),
      m_id(id),
      m_row(row),
      m_col(col),
      m_initialText(text),
      m_openedByClick(firstChar == kEditStartClick),
      m_owner(owner),
      m_startRect(rect) {
  setObjectName(QStringLiteral("GridInPlaceEdit"));
  setFrame(false);
  setAlignment(Qt::Alignment(QtFlagsFromFormat(format) & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter);
  setGeometry(rect);
  setText(QStringFromGbk(text));
  connect(this, &QLineEdit::textChanged, this, &GridInPlaceEdit::FitToText);

  const bool typed = firstChar >= 0x20 && firstChar < Qt::Key_Escape;
  if (typed) {
    selectAll();
    const char32_t typedChar = static_cast<char32_t>(firstChar);
    insert(QString::fromUcs4(&typedChar, 1));
  } else if (firstChar == kEditStartClick || firstChar == Qt::Key_Return || firstChar == Qt::Key_Enter ||
             firstChar == Qt::Key_F2) {
    end(false);
  } else if (firstChar == Qt::Key_Backspace) {
    setSelection(static_cast<int>(this->text().size()), -static_cast<int>(this->text().size()));
  } else {
    selectAll();
  }
  FitToText();
  show();
  setFocus(Qt::OtherFocusReason);
}

void GridInPlaceEdit::FitToText() {
  // Widen to the text plus two spaces, never beyond the parent's right edge.
  QFontMetrics metrics(font());
  int wanted = metrics.horizontalAdvance(text() + QStringLiteral("  "));
  int limit = parentWidget() ? parentWidget()->width() - m_startRect.left() : wanted;
  int width = std::max(m_startRect.width(), std::min(wanted, limit));
  if (width != this->width()) resize(width, height());
}

bool GridInPlaceEdit::event(QEvent* event) {
  // Tab ends the edit instead of moving the focus between widgets.
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
      EndEdit(key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier) ? Qt::Key_Backtab : key->key());
      return true;
    }
  }
  return QLineEdit::event(event);
}

void GridInPlaceEdit::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      EndEdit(key);
      return;
    case Qt::Key_Escape:
      setText(QStringFromGbk(m_initialText));
      EndEdit(key);
      return;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Up:
    case Qt::Key_Down:
      if (!m_openedByClick || ctrl) {
        EndEdit(key);
        return;
      }
      // Kept by the editor: a line edit would pass them on to the grid.
      QLineEdit::keyPressEvent(event);
      event->accept();
      return;
    default:
      break;
  }
  QLineEdit::keyPressEvent(event);
}

void GridInPlaceEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  EndEdit(0);
}

void GridInPlaceEdit::EndEdit(int key) {
  if (m_ending) return;
  m_ending = true;
  GridCellInfo info;
  info.hdr = NotifyHeader{this, m_id, GVN_ENDLABELEDIT};
  info.item.row = m_row;
  info.item.col = m_col;
  info.item.mask = GVIF_TEXT | GVIF_PARAM;
  info.item.text = GbkFromQString(text());
  info.endKey = key;
  if (m_owner) m_owner->OnGridCellInfo(info);
  hide();
  deleteLater();
}

}  // namespace orva
