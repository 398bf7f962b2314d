#pragma once
// The perpetual calendar window: a month page Monday to Sunday with lunar
// dates, solar terms and festivals, navigable by buttons, a year spinner and
// the keyboard.

#include <QDialog>
#include <array>

#include "calendar/monthgrid.h"

class QComboBox;
class QLabel;
class QSpinBox;
class QToolButton;

namespace orva::calendar {

class CCalendarDayCell;

class CCalendarDlg : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kFirstYear = 1901;
  static constexpr int kLastYear = 2050;

  explicit CCalendarDlg(QWidget* parent = nullptr);

  // Replaces the system date as "today" (the highlighted day).
  void SetToday(int jdn);
  // Shows the day's month and selects the day (clamped to the years shown).
  void SelectDay(int jdn);
  void ShowMonth(int year, int month);

  int SelectedJdn() const { return m_selectedJdn; }
  int ShownYear() const { return m_year; }
  int ShownMonth() const { return m_month; }
  // The cell showing the day, or nullptr when the day is not on the page.
  CCalendarDayCell* CellOfJdn(int jdn) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QWidget* CreateHeader();
  QWidget* CreateNavigation();
  QWidget* CreateMonthPage();
  bool HandleKey(QKeyEvent* event);
  void StepMonths(int months);
  void RefreshPage();
  void RefreshHeader();

  int m_year = kFirstYear;
  int m_month = 1;
  int m_selectedJdn = 0;
  int m_todayJdn = 0;
  std::array<CCalendarDayCell*, kGridDays> m_cells{};
  QWidget* m_page = nullptr;
  QLabel* m_bigDay = nullptr;
  QLabel* m_dateLine = nullptr;
  QLabel* m_lunarLine = nullptr;
  QLabel* m_festivalLine = nullptr;
  QLabel* m_zodiac = nullptr;
  QSpinBox* m_yearSpin = nullptr;
  QComboBox* m_monthCombo = nullptr;
  QToolButton* m_prevYear = nullptr;
  QToolButton* m_prevMonth = nullptr;
  QToolButton* m_nextMonth = nullptr;
  QToolButton* m_nextYear = nullptr;
};

// Opens the calendar window (one at a time: a second call raises the open
// one) and returns it. The window is modeless and deletes itself on close.
CCalendarDlg* ShowCalendarDialog(QWidget* parent);

}  // namespace orva::calendar
