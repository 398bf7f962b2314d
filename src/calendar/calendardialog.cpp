#include "calendar/calendardialog.h"

#include <QComboBox>
#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "calendar/calendarcolours.h"
#include "calendar/calendardaycell.h"
#include "calendar/daytip.h"
#include "calendar/names.h"
#include "calendar/zodiacpicture.h"
#include "platform/qtext.h"

namespace orva::calendar {
namespace {

int FirstShownJdn() { return JdnFromGregorian(CCalendarDlg::kFirstYear, 1, 1); }
int LastShownJdn() { return JdnFromGregorian(CCalendarDlg::kLastYear, 12, 31); }

int TodayJdn() {
  const QDate today = QDate::currentDate();
  return JdnFromGregorian(today.year(), today.month(), today.day());
}

QToolButton* NavigationButton(const QString& text, const QString& tip, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setText(text);
  button->setToolTip(tip);
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  button->setMinimumWidth(30);
  return button;
}

const char* const kStyle = R"(
  QWidget#calendarHeader {
    background: qlineargradient(x1:0, y1:0, x2:1, y2:1, stop:0 #B8322C, stop:1 #E06A4E);
    border-radius: 8px;
  }
  QWidget#calendarHeader QLabel { color: white; background: transparent; }
  QLabel#calendarBigDay { font-size: 44px; font-weight: bold; }
  QLabel#calendarDateLine { font-size: 15px; font-weight: bold; }
  QLabel#calendarLunarLine { font-size: 13px; }
  QLabel#calendarFestivalLine { font-size: 12px; color: #FFE9B0; }
  QLabel#calendarHint { color: #8A8A8A; font-size: 11px; }
  QLabel.weekdayName { color: #555555; font-weight: bold; padding: 4px 0; }
  QLabel.weekendName { color: #D03B32; font-weight: bold; padding: 4px 0; }
  QToolButton { font-size: 14px; font-weight: bold; color: #B8322C; border-radius: 4px; padding: 2px 6px; }
  QToolButton:hover { background: #F6DEDA; }
  QToolButton:disabled { color: #C8C8C8; }
)";

}  // namespace

CCalendarDlg::CCalendarDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("万年历  "));
  setStyleSheet(QString::fromUtf8(kStyle));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 12, 12, 10);
  layout->setSpacing(8);
  layout->addWidget(CreateHeader());
  layout->addWidget(CreateNavigation());
  layout->addWidget(CreateMonthPage(), 1);
  auto* hint = new QLabel(QStringLiteral("←↑↓→ 选择日期   PgUp/PgDn 上月/下月   Ctrl+PgUp/PgDn 上年/下年   Home 今天"), this);
  hint->setObjectName(QStringLiteral("calendarHint"));
  hint->setAlignment(Qt::AlignCenter);
  layout->addWidget(hint);

  m_todayJdn = TodayJdn();
  SelectDay(m_todayJdn);
  m_page->setFocus();
}

QWidget* CCalendarDlg::CreateHeader() {
  auto* header = new QWidget(this);
  header->setObjectName(QStringLiteral("calendarHeader"));
  header->setAttribute(Qt::WA_StyledBackground);
  auto* row = new QHBoxLayout(header);
  row->setContentsMargins(16, 10, 16, 10);
  row->setSpacing(14);
  m_bigDay = new QLabel(header);
  m_bigDay->setObjectName(QStringLiteral("calendarBigDay"));
  m_bigDay->setMinimumWidth(64);
  m_bigDay->setAlignment(Qt::AlignCenter);
  row->addWidget(m_bigDay);

  auto* lines = new QVBoxLayout;
  lines->setSpacing(2);
  m_dateLine = new QLabel(header);
  m_dateLine->setObjectName(QStringLiteral("calendarDateLine"));
  m_lunarLine = new QLabel(header);
  m_lunarLine->setObjectName(QStringLiteral("calendarLunarLine"));
  m_festivalLine = new QLabel(header);
  m_festivalLine->setObjectName(QStringLiteral("calendarFestivalLine"));
  m_festivalLine->setWordWrap(true);
  lines->addStretch();
  lines->addWidget(m_dateLine);
  lines->addWidget(m_lunarLine);
  lines->addWidget(m_festivalLine);
  lines->addStretch();
  row->addLayout(lines, 1);

  m_zodiac = new QLabel(header);
  m_zodiac->setFixedSize(60, 60);
  row->addWidget(m_zodiac);
  header->setFixedHeight(96);
  return header;
}

QWidget* CCalendarDlg::CreateNavigation() {
  auto* bar = new QWidget(this);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(4);
  m_prevYear = NavigationButton(QStringLiteral("«"), QStringLiteral("上一年"), bar);
  m_prevMonth = NavigationButton(QStringLiteral("‹"), QStringLiteral("上一月"), bar);
  m_nextMonth = NavigationButton(QStringLiteral("›"), QStringLiteral("下一月"), bar);
  m_nextYear = NavigationButton(QStringLiteral("»"), QStringLiteral("下一年"), bar);

  m_yearSpin = new QSpinBox(bar);
  m_yearSpin->setRange(kFirstYear, kLastYear);
  m_yearSpin->setSuffix(QStringLiteral(" 年"));
  m_yearSpin->setMinimumWidth(86);
  m_monthCombo = new QComboBox(bar);
  for (int month = 1; month <= 12; ++month) m_monthCombo->addItem(QStringFromGbk(GregorianMonthName(month)));
  m_monthCombo->setMaxVisibleItems(12);

  auto* today = new QPushButton(QStringLiteral("今天"), bar);
  today->setFocusPolicy(Qt::NoFocus);
  today->setAutoDefault(false);

  row->addWidget(m_prevYear);
  row->addWidget(m_prevMonth);
  row->addStretch();
  row->addWidget(m_yearSpin);
  row->addWidget(m_monthCombo);
  row->addStretch();
  row->addWidget(today);
  row->addSpacing(6);
  row->addWidget(m_nextMonth);
  row->addWidget(m_nextYear);

  connect(m_prevYear, &QToolButton::clicked, this, [this] { StepMonths(-12); });
  connect(m_prevMonth, &QToolButton::clicked, this, [this] { StepMonths(-1); });
  connect(m_nextMonth, &QToolButton::clicked, this, [this] { StepMonths(1); });
  connect(m_nextYear, &QToolButton::clicked, this, [this] { StepMonths(12); });
  connect(today, &QPushButton::clicked, this, [this] { SelectDay(m_todayJdn); });
  connect(m_yearSpin, &QSpinBox::valueChanged, this, [this](int year) { StepMonths((year - m_year) * 12); });
  connect(m_monthCombo, &QComboBox::currentIndexChanged, this,
          [this](int index) { StepMonths(index + 1 - m_month); });
  return bar;
}

QWidget* CCalendarDlg::CreateMonthPage() {
  m_page = new QWidget(this);
  m_page->setFocusPolicy(Qt::StrongFocus);
  m_page->installEventFilter(this);
  auto* grid = new QGridLayout(m_page);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(2);
  for (int weekday = 1; weekday <= 7; ++weekday) {
    // "星期一" shortened to its last character.
    auto* name = new QLabel(QStringFromGbk(WeekdayName(weekday)).right(1), m_page);
    name->setAlignment(Qt::AlignCenter);
    name->setProperty("class", weekday >= 6 ? "weekendName" : "weekdayName");
    grid->addWidget(name, 0, weekday - 1);
  }
  for (int i = 0; i < kGridDays; ++i) {
    auto* cell = new CCalendarDayCell(m_page);
    m_cells[i] = cell;
    grid->addWidget(cell, 1 + i / 7, i % 7);
    connect(cell, &CCalendarDayCell::Clicked, this, [this](int jdn) {
      m_page->setFocus();
      SelectDay(jdn);
    });
  }
  return m_page;
}

void CCalendarDlg::SetToday(int jdn) {
  m_todayJdn = jdn;
  RefreshPage();
}

void CCalendarDlg::SelectDay(int jdn) {
  m_selectedJdn = std::clamp(jdn, FirstShownJdn(), LastShownJdn());
  const GregorianDate date = GregorianFromJdn(m_selectedJdn);
  if (date.year != m_year || date.month != m_month || !m_cells[0]->Day().info.jdn) {
    m_year = date.year;
    m_month = date.month;
    RefreshPage();
  }
  for (CCalendarDayCell* cell : m_cells) cell->SetSelected(cell->Day().info.jdn == m_selectedJdn);
  RefreshHeader();
}

void CCalendarDlg::ShowMonth(int year, int month) {
  const int day = GregorianFromJdn(m_selectedJdn ? m_selectedJdn : FirstShownJdn()).day;
  year = std::clamp(year, kFirstYear, kLastYear);
  month = std::clamp(month, 1, 12);
  SelectDay(JdnFromGregorian(year, month, std::min(day, DaysInMonth(year, month))));
}

void CCalendarDlg::StepMonths(int months) {
  // Clamp the month count, not year and month apart, so that stepping back
  // from January of the first year stays on that January.
  const int index = std::clamp(m_year * 12 + (m_month - 1) + months, kFirstYear * 12, kLastYear * 12 + 11);
  ShowMonth(index / 12, index % 12 + 1);
}

CCalendarDayCell* CCalendarDlg::CellOfJdn(int jdn) const {
  for (CCalendarDayCell* cell : m_cells) {
    if (cell->Day().info.jdn == jdn) return cell;
  }
  return nullptr;
}

void CCalendarDlg::RefreshPage() {
  const MonthGrid grid = BuildMonthGrid(m_year, m_month, m_todayJdn);
  for (int i = 0; i < kGridDays; ++i) {
    m_cells[i]->SetDay(grid.days[i]);
    m_cells[i]->SetSelected(grid.days[i].info.jdn == m_selectedJdn);
  }
  const QSignalBlocker blockYear(m_yearSpin);
  const QSignalBlocker blockMonth(m_monthCombo);
  m_yearSpin->setValue(m_year);
  m_monthCombo->setCurrentIndex(m_month - 1);
  const bool atStart = m_year == kFirstYear && m_month == 1;
  const bool atEnd = m_year == kLastYear && m_month == 12;
  m_prevMonth->setEnabled(!atStart);
  m_prevYear->setEnabled(!atStart);
  m_nextMonth->setEnabled(!atEnd);
  m_nextYear->setEnabled(!atEnd);
}

void CCalendarDlg::RefreshHeader() {
  const DayInfo day = DescribeDay(m_selectedJdn);
  m_bigDay->setText(QString::number(day.date.day));
  m_dateLine->setText(GregorianDateText(day));
  QString lunar;
  QString festivals;
  if (day.hasLunar) {
    lunar = QStringFromGbk(LunarYearName(day.lunar.year)) + QStringLiteral("【") +
            QStringFromGbk(ZodiacName(day.lunar.year)) + QStringLiteral("年】 ") +
            QStringFromGbk(LunarMonthName(day.lunar.month, day.lunar.leap) + LunarDayName(day.lunar.day));
    m_zodiac->setPixmap(ZodiacPicture(ZodiacIndex(day.lunar.year), m_zodiac->width()));
  } else {
    m_zodiac->clear();
  }
  if (day.solarTerm) lunar += QStringLiteral("  ") + QStringFromGbk(SolarTermName(day.solarTerm));
  m_lunarLine->setText(lunar);
  for (const std::string& names : {day.festivals.lunar, day.festivals.gregorian}) {
    if (names.empty()) continue;
    if (!festivals.isEmpty()) festivals += QStringLiteral("  ");
    festivals += QStringFromGbk(names);
  }
  m_festivalLine->setText(festivals);
  m_festivalLine->setVisible(!festivals.isEmpty());
}

bool CCalendarDlg::HandleKey(QKeyEvent* event) {
  const bool control = event->modifiers() & Qt::ControlModifier;
  switch (event->key()) {
    case Qt::Key_Left: SelectDay(m_selectedJdn - 1); return true;
    case Qt::Key_Right: SelectDay(m_selectedJdn + 1); return true;
    case Qt::Key_Up: SelectDay(m_selectedJdn - 7); return true;
    case Qt::Key_Down: SelectDay(m_selectedJdn + 7); return true;
    case Qt::Key_PageUp: StepMonths(control ? -12 : -1); return true;
    case Qt::Key_PageDown: StepMonths(control ? 12 : 1); return true;
    case Qt::Key_Home: SelectDay(m_todayJdn); return true;
    default: return false;
  }
}

bool CCalendarDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_page && event->type() == QEvent::KeyPress && HandleKey(static_cast<QKeyEvent*>(event))) {
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void CCalendarDlg::keyPressEvent(QKeyEvent* event) {
  if (!HandleKey(event)) QDialog::keyPressEvent(event);
}

CCalendarDlg* ShowCalendarDialog(QWidget* parent) {
  static QPointer<CCalendarDlg> open;
  if (!open) {
    open = new CCalendarDlg(parent);
    open->setAttribute(Qt::WA_DeleteOnClose);
  }
  open->show();
  open->raise();
  open->activateWindow();
  return open;
}

}  // namespace orva::calendar
