// The calendar window, driven headless: tips, navigation and selection.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHelpEvent>
#include <QImage>
#include <QSet>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <QToolTip>

#include "calendar/calendardaycell.h"
#include "calendar/calendardialog.h"
#include "calendar/zodiacpicture.h"

namespace orva::calendar {
namespace {

int Jdn(int year, int month, int day) { return JdnFromGregorian(year, month, day); }

// Rests the pointer on the cell and returns the tip that appears.
QString TipOf(CCalendarDayCell* cell) {
  const QPoint inside = cell->rect().center();
  QHelpEvent help(QEvent::ToolTip, inside, cell->mapToGlobal(inside));
  QApplication::sendEvent(cell, &help);
  return QToolTip::isVisible() ? QToolTip::text() : QString();
}

TEST(CalendarWindow, OpensOnceAndShowsADaysDescriptionAsItsTip) {
  CCalendarDlg* dialog = ShowCalendarDialog(nullptr);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(ShowCalendarDialog(nullptr), dialog);
  EXPECT_EQ(dialog->windowTitle(), QStringLiteral("万年历  "));
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_FALSE(dialog->isModal());

  dialog->SelectDay(Jdn(2024, 2, 4));
  CCalendarDayCell* cell = dialog->CellOfJdn(Jdn(2024, 2, 4));
  ASSERT_NE(cell, nullptr);
  const QString tip = TipOf(cell);
  EXPECT_TRUE(tip.contains(QStringLiteral("2024年2月4日 星期日"))) << tip.toStdString();
  EXPECT_TRUE(tip.contains(QStringLiteral("癸卯年 十二月廿五 立春")));
  EXPECT_TRUE(tip.contains(QStringLiteral("世界抗癌日")));
  EXPECT_TRUE(tip.contains(QStringLiteral("<img src=\"data:image/png;base64,")));
  QToolTip::hideText();

  QPointer<CCalendarDlg> guard(dialog);
  dialog->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(guard.isNull());
}

TEST(CalendarWindow, KeyboardAndButtonsMoveThroughDaysMonthsAndYears) {
  CCalendarDlg dialog;
  dialog.SetToday(Jdn(2026, 12, 7));
  dialog.SelectDay(Jdn(2024, 1, 31));
  QTest::keyClick(&dialog, Qt::Key_Right);
  EXPECT_EQ(dialog.SelectedJdn(), Jdn(2024, 2, 1));
  EXPECT_EQ(dialog.ShownMonth(), 2);
  QTest::keyClick(&dialog, Qt::Key_Down);
  EXPECT_EQ(dialog.SelectedJdn(), Jdn(2024, 2, 8));
  QTest::keyClick(&dialog, Qt::Key_PageDown);
  EXPECT_EQ(dialog.SelectedJdn(), Jdn(2024, 3, 8));
  QTest::keyClick(&dialog, Qt::Key_PageUp, Qt::ControlModifier);
  EXPECT_EQ(dialog.SelectedJdn(), Jdn(2023, 3, 8));
  QTest::keyClick(&dialog, Qt::Key_Home);
  EXPECT_EQ(dialog.SelectedJdn(), Jdn(2026, 12, 7));
  ASSERT_NE(dialog.CellOfJdn(Jdn(2026, 12, 7)), nullptr);
  EXPECT_TRUE(dialog.CellOfJdn(Jdn(2026, 12, 7))->Day().today);

  // The day of the month is kept where the new month has it.
  dialog.SelectDay(Jdn(2024, 1, 31));
  auto buttons = dialog.findChildren<QToolButton*>();
  auto button = [&](const QString& tip) {
    for (QToolButton* b : buttons) {
      if (b->toolTip() == tip) return b;
    }
    return static_cast<QToolButton*>(nullptr);
  };
  ASSERT_NE(button(QStringLiteral("下一月")), nullptr);
  QTest::mouseClick(button(QStringLiteral("下一月")), Qt::LeftButton);
  EXPECT_EQ(dialog.SelectedJdn(), Jdn(2024, 2, 29));
  QTest::mouseClick(button(QStringLiteral("下一年")), Qt::LeftButton);
  EXPECT_EQ(dialog.SelectedJdn(), Jdn(2025, 2, 28));

  // The year spinner and the month list follow and lead.
  auto* spinner = dialog.findChild<QSpinBox*>();
  auto* months = dialog.findChild<QComboBox*>();
  ASSERT_TRUE(spinner && months);
  EXPECT_EQ(spinner->value(), 2025);
  EXPECT_EQ(months->currentIndex(), 1);
  EXPECT_EQ(spinner->minimum(), 1901);
  EXPECT_EQ(spinner->maximum(), 2050);
  spinner->setValue(1999);
  EXPECT_EQ(dialog.SelectedJdn(), Jdn(1999, 2, 28));
  months->setCurrentIndex(11);
  EXPECT_EQ(dialog.SelectedJdn(), Jdn(1999, 12, 28));

  // Clicking a day selects it; a neighbouring month's day turns the page.
  CCalendarDayCell* cell = dialog.CellOfJdn(Jdn(2000, 1, 2));
  ASSERT_NE(cell, nullptr);
  EXPECT_FALSE(cell->Day().inMonth);
  QTest::mouseClick(cell, Qt::LeftButton);
  EXPECT_EQ(dialog.SelectedJdn(), Jdn(2000, 1, 2));
  EXPECT_EQ(dialog.ShownYear(), 2000);
  EXPECT_TRUE(dialog.CellOfJdn(Jdn(2000, 1, 2))->IsSelected());
}

TEST(CalendarWindow, StopsAtTheEndsOfItsYearsAndShowsOuterDaysWithoutLunarData) {
  CCalendarDlg dialog;
  dialog.SelectDay(Jdn(1901, 1, 1));
  QTest::keyClick(&dialog, Qt::Key_Left);
  QTest::keyClick(&dialog, Qt::Key_PageUp);
  EXPECT_EQ(dialog.SelectedJdn(), Jdn(1901, 1, 1));
  for (QToolButton* b : dialog.findChildren<QToolButton*>()) {
    if (b->toolTip().startsWith(QStringLiteral("上"))) {
      EXPECT_FALSE(b->isEnabled());
    }
  }
  // January 1901 starts on a Tuesday: its page opens with 31 December 1900.
  CCalendarDayCell* before = dialog.CellOfJdn(Jdn(1900, 12, 31));
  ASSERT_NE(before, nullptr);
  EXPECT_FALSE(before->Day().info.hasLunar);
  EXPECT_TRUE(before->Day().label.text.empty());
  const QString tip = before->toolTip();
  EXPECT_TRUE(tip.contains(QStringLiteral("1900年12月31日 星期一")));
  EXPECT_FALSE(tip.contains(QStringLiteral("<img")));
  EXPECT_TRUE(dialog.CellOfJdn(Jdn(1901, 1, 1))->Day().info.hasLunar);

  dialog.SelectDay(Jdn(2050, 12, 31));
  QTest::keyClick(&dialog, Qt::Key_Right);
  QTest::keyClick(&dialog, Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(dialog.SelectedJdn(), Jdn(2050, 12, 31));
}

TEST(CalendarWindow, EachAnimalHasItsOwnRoundPicture) {
  QSet<QRgb> centres;
  for (int index = 0; index < 12; ++index) {
    const QImage picture = ZodiacPicture(index, 48).toImage();
    ASSERT_EQ(picture.size(), QSize(48, 48));
    EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0);      // outside the disc
    EXPECT_EQ(qAlpha(picture.pixel(24, 4)), 255);   // on the disc
    centres.insert(picture.pixel(6, 24));
  }
  EXPECT_EQ(centres.size(), 12);
  // Indexes wrap like years do.
  EXPECT_EQ(ZodiacPicture(-1, 32).toImage(), ZodiacPicture(11, 32).toImage());
}

}  // namespace
}  // namespace orva::calendar
