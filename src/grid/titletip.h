#pragma once
// The popup that shows a clipped cell text in full over its cell. It takes no
// input: the mouse goes on to the window under it, and the grid hides the tip
// when the pointer leaves the cell, on any key or button, or when editing
// starts.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <QWidget>

namespace orva {

class GridTitleTip : public QWidget {
  Q_OBJECT

 public:
  explicit GridTitleTip(QWidget* owner);

  // Shows `text` (with one space on each side) at `cellRect` in owner
  // coordinates; `hoverRect` is where the pointer may rest.
  void Show(QRect cellRect, QRect hoverRect, const QString& text, const QFont& font, QColor textColor, QColor backColor);
  void Hide();
  QRect HoverRect() const { return m_hoverRect; }
  QString Text() const { return m_text; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QWidget* m_owner;
  QRect m_hoverRect;
  QString m_text;
  QColor m_textColor;
  QColor m_backColor;
};

}  // namespace orva
