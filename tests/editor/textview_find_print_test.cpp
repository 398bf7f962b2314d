// The text view's find commands, the mouse wheel and printing to PDF.

#include <gtest/gtest.h>

#include <QFile>
#include <QFontMetricsF>
#include <QPrinter>
#include <QRegularExpression>
#include <QStyleHints>
#include <QWheelEvent>

#include "platform/profile.h"
#include "platform/resource_ids.h"
#include "test_env.h"
#include "textview_test_util.h"

namespace orva {
namespace {

using test::FillBuffer;
using test::Key;
using test::MakeView;

TextPos SelStart(const CTextView& view) {
  TextPos start, end;
  view.GetSelection(start, end);
  return start;
}

TEST(TextViewFindTest, WholeWordSearchAndItsNotFoundMessage) {
  CTextBuffer buffer;
  FillBuffer(buffer, {"aaa", "xy"});
  auto view = MakeView(buffer);
  view->SetSelection({0, 1}, {1, 1});
  view->SetCaretPos({1, 1});
  view->SetLastSearch({"aa", FindWholeWord});
  test::MessageBoxRecorder boxes;
  EXPECT_FALSE(view->FindNext());
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.LastText(), QStringLiteral("找不到字符串 \"aa\""));
  EXPECT_EQ(view->CaretPos(), (TextPos{1, 1}));
  EXPECT_EQ(SelStart(*view), (TextPos{0, 1}));
  EXPECT_TRUE(view->IsSelection());
}

TEST(TextViewFindTest, FindNextFromTheEndOfAHitFindsTheNextWord) {
  CTextBuffer buffer;
  FillBuffer(buffer, {"ab ab"});
  auto view = MakeView(buffer);
  view->SetLastSearch({"ab", FindWholeWord});
  test::MessageBoxRecorder boxes;
  ASSERT_TRUE(view->FindNext());
  EXPECT_EQ(SelStart(*view), (TextPos{0, 0}));
  EXPECT_EQ(view->CaretPos(), (TextPos{2, 0}));
  Key(*view, Qt::Key_F3);  // find next through the key binding
  EXPECT_EQ(SelStart(*view), (TextPos{3, 0}));
  EXPECT_EQ(view->CaretPos(), (TextPos{5, 0}));
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST(TextViewFindTest, FindPreviousWalksBackwardsThroughEveryOccurrence) {
  CTextBuffer buffer;
  FillBuffer(buffer, {"SELECT 1;", "select 2; Select 3;", "none"});
  auto view = MakeView(buffer);
  Key(*view, Qt::Key_End, Qt::ControlModifier);
  view->SetLastSearch({"select", 0});
  test::MessageBoxRecorder boxes;
  std::vector<TextPos> hits;
  for (int i = 0; i < 4; ++i) {
    Key(*view, Qt::Key_F3, Qt::ShiftModifier);
    hits.push_back(SelStart(*view));
  }
  EXPECT_EQ(hits, (std::vector<TextPos>{{10, 1}, {0, 1}, {0, 0}, {10, 1}}));
  EXPECT_EQ(boxes.Count(), 0u);
  // Find next still goes down with the same search.
  view->SetCaretPos({0, 0});
  ASSERT_TRUE(view->FindNext());
  EXPECT_EQ(SelStart(*view), (TextPos{0, 0}));
}

TEST(TextViewFindTest, FindCommandStatesAndDialogPreset) {
  CTextBuffer buffer;
  FillBuffer(buffer, {"select name from t"});
  auto view = MakeView(buffer);
  CmdUI next(ID_EDIT_REPEAT);
  ASSERT_TRUE(view->OnUpdateCommand(ID_EDIT_REPEAT, next));
  EXPECT_FALSE(next.IsEnabled());

  WriteProfileText("Find", "FindWhat", "from");
  WriteProfileNumber("Find", "MatchCase", 1);
  FindSettings preset = view->FindDialogPreset();
  EXPECT_EQ(preset.what, "from");
  EXPECT_EQ(preset.flags, static_cast<unsigned>(FindMatchCase));
  view->SetSelection({7, 0}, {11, 0});  // a selection within one line replaces the text
  EXPECT_EQ(view->FindDialogPreset().what, "name");

  view->SetLastSearch({"t", FindWholeWord | FindUp});
  ASSERT_TRUE(view->OnUpdateCommand(ID_EDIT_REPEAT, next));
  EXPECT_TRUE(next.IsEnabled());
  view->SetSelection({0, 0}, {0, 0});
  preset = view->FindDialogPreset();
  EXPECT_EQ(preset.what, "t");
  EXPECT_EQ(preset.flags, static_cast<unsigned>(FindWholeWord));  // direction down
}

class WheelTest : public ::testing::Test {
 protected:
  void TearDown() override { CTextView::SetWheelScrollLinesSource(nullptr); }
  static void Wheel(CTextView& view, int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QPointF at(50, 50);
    QWheelEvent event(at, view.viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &event);
  }
};

TEST_F(WheelTest, MinusOneScrollsAScreenPerNotch) {
  CTextView::SetWheelScrollLinesSource([] { return -1; });
  CTextBuffer buffer;
  FillBuffer(buffer, std::vector<std::string>(300, "text"));
  auto view = MakeView(buffer);
  const int screen = view->ScreenLines();
  ASSERT_GT(screen, 3);
  Wheel(*view, -120);
  EXPECT_EQ(view->TopLine(), screen);
  Wheel(*view, -240);
  EXPECT_EQ(view->TopLine(), 3 * screen);
  Wheel(*view, 120);
  EXPECT_EQ(view->TopLine(), 2 * screen);
  EXPECT_EQ(view->CaretPos(), (TextPos{0, 0}));  // the caret does not move
}

TEST_F(WheelTest, LinesPerNotchAndIgnoredModifiers) {
  CTextView::SetWheelScrollLinesSource([] { return 3; });
  CTextBuffer buffer;
  FillBuffer(buffer, std::vector<std::string>(300, "text"));
  auto view = MakeView(buffer);
  Wheel(*view, -120);
  EXPECT_EQ(view->TopLine(), 3);
  Wheel(*view, -120, Qt::ControlModifier);
  Wheel(*view, -120, Qt::ShiftModifier);
  EXPECT_EQ(view->TopLine(), 3);
  Wheel(*view, 600);
  EXPECT_EQ(view->TopLine(), 0);  // clamped
  Wheel(*view, -30);  // a quarter notch is less than a line
  EXPECT_EQ(view->TopLine(), 0);
  Wheel(*view, -30);
  EXPECT_EQ(view->TopLine(), 1);
}

TEST_F(WheelTest, AChangedDesktopSettingIsTakenUp) {
  QStyleHints* hints = QGuiApplication::styleHints();
  const int saved = hints->wheelScrollLines();
  CTextView::SetWheelScrollLinesSource(nullptr);  // the desktop's setting
  hints->setWheelScrollLines(3);
  CTextBuffer buffer;
  FillBuffer(buffer, std::vector<std::string>(300, "text"));
  auto view = MakeView(buffer);
  Wheel(*view, -120);
  EXPECT_EQ(view->TopLine(), 3);
  hints->setWheelScrollLines(1);
  Wheel(*view, -120);
  EXPECT_EQ(view->TopLine(), 4);
  hints->setWheelScrollLines(saved);
}

int PdfPageCount(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return -1;
  const QString text = QString::fromLatin1(file.readAll());
  return static_cast<int>(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"))));
}

// Prints the view into a PDF file in the test's folder; returns its path.
QString PrintToPdf(CTextView& view, const QString& name) {
  const QString path = test::ProcessTempDir() + QLatin1Char('/') + name;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  return view.PrintDocument(printer) ? path : QString();
}

TEST(TextViewPrintTest, FooterBandAndPageCountOfAPdf) {
  CTextBuffer buffer;
  std::vector<std::string> lines;
  for (int i = 0; i < 400; ++i) lines.push_back("select " + std::to_string(i) + " from t;");
  FillBuffer(buffer, lines);
  auto view = MakeView(buffer);
  EXPECT_FALSE(view->PrintHeader());
  EXPECT_TRUE(view->PrintFooter());

  const QString path = PrintToPdf(*view, QStringLiteral("print.pdf"));
  ASSERT_FALSE(path.isEmpty());

  const PrintLayout& layout = view->LastPrintLayout();
  EXPECT_GE(layout.bottom - layout.textBottom, layout.lineHeight * 3 / 2);
  EXPECT_EQ(layout.textTop, layout.top);
  // Short lines never wrap: each takes one line height.
  const int perPage = (layout.textBottom - layout.textTop) / layout.lineHeight;
  ASSERT_GT(perPage, 10);
  const int expectedPages = (400 + perPage - 1) / perPage;
  EXPECT_EQ(view->LastPrintPageCount(), expectedPages);
  EXPECT_EQ(PdfPageCount(path), expectedPages);
}

TEST(TextViewPrintTest, LongLinesWrapOntoMoreLinesAndPages) {
  CTextBuffer buffer;
  std::string words;
  for (int i = 0; i < 200; ++i) words += "word" + std::to_string(i) + " ";
  FillBuffer(buffer, std::vector<std::string>(40, words));
  auto view = MakeView(buffer);
  view->SetPrintHeader(true);
  const QString path = PrintToPdf(*view, QStringLiteral("wrapped.pdf"));
  ASSERT_FALSE(path.isEmpty());
  const PrintLayout& layout = view->LastPrintLayout();
  EXPECT_GE(layout.textTop - layout.top, layout.lineHeight * 3 / 2);
  const int perPage = (layout.textBottom - layout.textTop) / layout.lineHeight;
  // 40 lines that would fit on one page unwrapped need several once wrapped.
  ASSERT_GT(perPage, 40);
  EXPECT_GT(view->LastPrintPageCount(), 1);
  EXPECT_EQ(PdfPageCount(path), view->LastPrintPageCount());
}

TEST(TextViewPrintTest, ALineLongerThanAPageGoesOnOverTheFollowingPages) {
  CTextBuffer buffer;
  std::string values = "INSERT INTO t VALUES ";
  for (int i = 0; i < 12000; ++i) values += "(" + std::to_string(i) + ", 'text'), ";
  FillBuffer(buffer, {"-- one statement", values, "-- end"});
  auto view = MakeView(buffer);
  const QString path = PrintToPdf(*view, QStringLiteral("longline.pdf"));
  ASSERT_FALSE(path.isEmpty());
  // The rows the statement needs at least, were every row filled to the edge.
  const PrintLayout& layout = view->LastPrintLayout();
  QPrinter printer(QPrinter::HighResolution);
  QFont font(view->TextFont(), &printer);
  font.setPointSizeF(view->TextFont().pointSizeF() / 2);
  const double width = QFontMetricsF(font, &printer).horizontalAdvance(QString::fromLatin1(values.c_str()));
  const int perPage = (layout.textBottom - layout.textTop) / layout.lineHeight;
  const int atLeast = static_cast<int>(width / layout.Width() / perPage);
  ASSERT_GE(atLeast, 4);  // more pages than the three lines would take unwrapped
  EXPECT_GE(view->LastPrintPageCount(), atLeast);
  EXPECT_EQ(PdfPageCount(path), view->LastPrintPageCount());
}

}  // namespace
}  // namespace orva
