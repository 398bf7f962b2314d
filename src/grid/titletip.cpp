#include "grid/titletip.h"

#include <QFontMetrics>
#include <QPainter>

namespace orva {

GridTitleTip::GridTitleTip(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput), m_owner(owner) {
  setObjectName(QStringLiteral("GridTitleTip"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
}

void GridTitleTip::Show(QRect cellRect, QRect hoverRect, const QString& text, const QFont& font, QColor textColor,
                        QColor backColor) {
  m_hoverRect = hoverRect;
  m_text = QStringLiteral(" ") + text + QStringLiteral(" ");
  m_textColor = textColor;
  m_backColor = backColor;
  setFont(font);
  QFontMetrics metrics(font);
  QSize size(metrics.horizontalAdvance(m_text) + 2, std::max(cellRect.height(), metrics.height()));
  setGeometry(QRect(m_owner->mapToGlobal(cellRect.topLeft()), size));
  show();
  raise();
  update();
}

void GridTitleTip::Hide() {
  m_hoverRect = QRect();
  hide();
}

void GridTitleTip::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), m_backColor);
  painter.setPen(m_textColor);
  painter.drawText(rect().adjusted(1, 0, -1, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_text);
  painter.setPen(palette().color(QPalette::Shadow));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace orva
