#pragma once
// A thin horizontal bar between two stacked widgets; dragging it moves the
// boundary between them (the widget above ends at the bar, the one below
// starts after it).

#include <QPointer>
#include <QWidget>

namespace orva {

class CSplitterBar : public QWidget {
 public:
  CSplitterBar(QWidget* above, QWidget* below, QWidget* parent);

  void SetNeighbours(QWidget* above, QWidget* below);
  QWidget* Above() const { return m_above; }
  QWidget* Below() const { return m_below; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // Places the bar with its top at `top`, kept between the neighbours.
  void MoveTo(int top);

  QPointer<QWidget> m_above;
  QPointer<QWidget> m_below;
  int m_grabOffset = -1;
};

}  // namespace orva
