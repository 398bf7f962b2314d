#include "widgets/splitterbar.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace orva {

CSplitterBar::CSplitterBar(QWidget* above, QWidget* below, QWidget* parent)
    : QWidget(parent), m_above(above), m_below(below) {
  setCursor(Qt::SizeVerCursor);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void CSplitterBar::SetNeighbours(QWidget* above, QWidget* below) {
  m_above = above;
  m_below = below;
}

void CSplitterBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPalette& pal = palette();
  painter.fillRect(rect(), pal.color(QPalette::Button));
  painter.setPen(pal.color(QPalette::Light));
  painter.drawLine(0, 0, width() - 1, 0);
  painter.setPen(pal.color(QPalette::Dark));
  painter.drawLine(0, height() - 1, width() - 1, height() - 1);
}

void CSplitterBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) m_grabOffset = event->position().toPoint().y();
}

void CSplitterBar::mouseMoveEvent(QMouseEvent* event) {
  if (m_grabOffset < 0) return;
  MoveTo(mapToParent(event->position().toPoint()).y() - m_grabOffset);
}

void CSplitterBar::mouseReleaseEvent(QMouseEvent*) { m_grabOffset = -1; }

void CSplitterBar::MoveTo(int top) {
  if (!m_above || !m_below) return;
  // Each neighbour keeps at least a sliver of itself.
  const int minTop = m_above->y() + 1;
  const int maxTop = m_below->geometry().bottom() - height();
  if (maxTop < minTop) return;
  top = std::clamp(top, minTop, maxTop);
  const int belowBottom = m_below->geometry().bottom();
  m_above->setGeometry(m_above->x(), m_above->y(), m_above->width(), top - m_above->y());
  move(x(), top);
  m_below->setGeometry(m_below->x(), top + height(), m_below->width(), belowBottom - (top + height()) + 1);
}

}  // namespace orva
