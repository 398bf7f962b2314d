#pragma once
// One day of the calendar's month grid: the Gregorian number over the lunar
// day name, solar term or festival, with the day's description as its tip.

#include <QWidget>

#include "calendar/monthgrid.h"

namespace orva::calendar {

class CCalendarDayCell : public QWidget {
  Q_OBJECT
 public:
  explicit CCalendarDayCell(QWidget* parent = nullptr);

  void SetDay(const GridDay& day);
  const GridDay& Day() const { return m_day; }
  void SetSelected(bool selected);
  bool IsSelected() const { return m_selected; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  void Clicked(int jdn);
  void DoubleClicked(int jdn);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:

  GridDay m_day;
  bool m_selected = false;
  bool m_hovered = false;
};

}  // namespace orva::calendar
