#include "calendar/calendardaycell.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "calendar/calendarcolours.h"
#include "calendar/daytip.h"
#include "platform/qtext.h"

namespace orva::calendar {

CCalendarDayCell::CCalendarDayCell(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_Hover);
  setFocusPolicy(Qt::NoFocus);
}

void CCalendarDayCell::SetDay(const GridDay& day) {
  m_day = day;
  setToolTip(DayTipHtml(day.info));
  update();
}

void CCalendarDayCell::SetSelected(bool selected) {
  if (m_selected == selected) return;
  m_selected = selected;
  update();
}

QSize CCalendarDayCell::sizeHint() const { return {68, 54}; }
QSize CCalendarDayCell::minimumSizeHint() const { return {56, 46}; }

namespace {

QColor LabelColour(DayLabelKind kind) {
  switch (kind) {
    case DayLabelKind::Festival: return colours::kFestival;
    case DayLabelKind::SolarTerm: return colours::kSolarTerm;
    case DayLabelKind::LunarMonth: return colours::kLunarMonth;
    default: return colours::kMuted;
  }
}

}  // namespace

void CCalendarDayCell::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF box = QRectF(rect()).adjusted(2, 2, -2, -2);
  const DayInfo& info = m_day.info;
  const bool dim = !m_day.inMonth;

  QPainterPath shape;
  shape.addRoundedRect(box, 6, 6);
  QColor fill = Qt::white;
  if (info.holiday && !dim) fill = colours::kHolidayTint;
  if (m_hovered) fill = colours::kHover;
  if (m_day.today) fill = colours::kAccent;
  painter.fillPath(shape, fill);
  if (m_selected) painter.strokePath(shape, QPen(m_day.today ? colours::kAccent.darker(140) : colours::kAccent, 2));

  QFont labelFont = font();
  labelFont.setPixelSize(qMax(10, height() / 5));
  const QRectF numberBox(box.left(), box.top() + 2, box.width(), box.height() * 0.55);
  const QRectF labelBox(box.left() + 2, numberBox.bottom() + 1, box.width() - 4, box.bottom() - numberBox.bottom() - 2);
  // Festival names that do not fit give way to the lunar day; the tip has them.
  const auto fittingChars = static_cast<std::size_t>(labelBox.width() / labelFont.pixelSize());
  const DayLabel label = DayCellLabel(info, fittingChars);

  QColor numberColour = info.holiday ? colours::kHoliday : colours::kText;
  QColor labelColour = LabelColour(label.kind);
  if (m_day.today) numberColour = labelColour = Qt::white;
  if (dim) {
    numberColour.setAlpha(90);
    labelColour.setAlpha(90);
  }

  QFont numberFont = font();
  numberFont.setPixelSize(qMax(14, height() * 2 / 5));
  numberFont.setBold(true);
  painter.setFont(numberFont);
  painter.setPen(numberColour);
  painter.drawText(numberBox, Qt::AlignHCenter | Qt::AlignBottom, QString::number(info.date.day));

  painter.setFont(labelFont);
  painter.setPen(labelColour);
  const QString text = painter.fontMetrics().elidedText(QStringFromGbk(label.text), Qt::ElideRight,
                                                        static_cast<int>(labelBox.width()));
  painter.drawText(labelBox, Qt::AlignHCenter | Qt::AlignTop, text);

  if (info.publicHoliday) {
    // A small "休" badge in the corner marks public holidays.
    QFont badgeFont = font();
    badgeFont.setPixelSize(10);
    painter.setFont(badgeFont);
    const QRectF badge(box.right() - 15, box.top() + 3, 13, 13);
    QColor badgeFill = m_day.today ? QColor(Qt::white) : colours::kHoliday;
    if (dim) badgeFill.setAlpha(90);
    painter.setPen(Qt::NoPen);
    painter.setBrush(badgeFill);
    painter.drawRoundedRect(badge, 3, 3);
    painter.setPen(m_day.today ? colours::kAccent : QColor(Qt::white));
    painter.drawText(badge, Qt::AlignCenter, QStringLiteral("休"));
  }
}

void CCalendarDayCell::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit Clicked(m_day.info.jdn);
}

void CCalendarDayCell::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit DoubleClicked(m_day.info.jdn);
}

void CCalendarDayCell::enterEvent(QEnterEvent*) {
  m_hovered = true;
  update();
}

void CCalendarDayCell::leaveEvent(QEvent*) {
  m_hovered = false;
  update();
}

}  // namespace orva::calendar
