// The text view as a widget: clicks, keys, mouse selection, buffer changes,
// colouring cache, bookmarks and status texts.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QClipboard>
#include <QImage>
#include <QAction>
#include <QMainWindow>
#include <QSplitter>
#include <chrono>
#include <thread>

#include "platform/resource_ids.h"
#include "platform/tick.h"
#include "textview_test_util.h"

namespace orva {
namespace {

using test::Click;
using test::FillBuffer;
using test::Key;
using test::MakeView;
using test::PointAt;

const std::string kZhong = "\xD6\xD0";
const std::string kWen = "\xCE\xC4";

TEST(TextViewTest, ClickOverATabPutsTheCaretOnTheNearerSide) {
  CTextBuffer buffer;
  FillBuffer(buffer, {"\t", "x"});
  auto view = MakeView(buffer);
  EXPECT_EQ(view->DisplayColumnOfPos({1, 0}), 4);
  const int half = view->CharWidthPx() / 2;
  for (int column : {0, 1, 2}) {
    Click(*view, PointAt(*view, 0, column, 1));
    EXPECT_EQ(view->CaretPos(), (TextPos{0, 0})) << column;
  }
  Click(*view, PointAt(*view, 0, 3, half - 1));  // left half of the fourth column
  EXPECT_EQ(view->CaretPos(), (TextPos{0, 0}));
  Click(*view, PointAt(*view, 0, 4, -half + 1));  // right half of it
  EXPECT_EQ(view->CaretPos(), (TextPos{1, 0}));
  Click(*view, PointAt(*view, 5, 0));  // below the text: the last line
  EXPECT_EQ(view->CaretPos().line, 1);
}

TEST(TextViewTest, HorizontalMovesStepOverDoubleByteCharacters) {
  CTextBuffer buffer;
  FillBuffer(buffer, {kZhong + kWen + "ab", "c"});
  auto view = MakeView(buffer);
  Key(*view, Qt::Key_Right);
  EXPECT_EQ(view->CaretPos(), (TextPos{2, 0}));
  Key(*view, Qt::Key_Left);
  EXPECT_EQ(view->CaretPos(), (TextPos{0, 0}));
  Key(*view, Qt::Key_End);
  Key(*view, Qt::Key_Right);  // from the line end to the next line
  EXPECT_EQ(view->CaretPos(), (TextPos{0, 1}));
  Key(*view, Qt::Key_Left);
  EXPECT_EQ(view->CaretPos(), (TextPos{6, 0}));
  Key(*view, Qt::Key_Left, Qt::ShiftModifier);
  Key(*view, Qt::Key_Left, Qt::ShiftModifier);
  TextPos start, end;
  view->GetSelection(start, end);
  EXPECT_EQ(start, (TextPos{4, 0}));
  EXPECT_EQ(end, (TextPos{6, 0}));
  Key(*view, Qt::Key_Right);  // collapses to the selection end
  EXPECT_EQ(view->CaretPos(), (TextPos{6, 0}));
  EXPECT_FALSE(view->IsSelection());
}

TEST(TextViewTest, WordMovesCrossRunsAndLines) {
  CTextBuffer buffer;
  FillBuffer(buffer, {"select " + kZhong + kWen + "+= x;", "  next"});
  auto view = MakeView(buffer);
  std::vector<int> stops;
  for (int i = 0; i < 5; ++i) {
    Key(*view, Qt::Key_Right, Qt::ControlModifier);
    stops.push_back(view->CaretPos().column);
  }
  EXPECT_EQ(stops, (std::vector<int>{7, 11, 14, 15, 16}));
  Key(*view, Qt::Key_Right, Qt::ControlModifier);  // from the line end: next line, then past its spaces
  EXPECT_EQ(view->CaretPos(), (TextPos{2, 1}));
  Key(*view, Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(view->CaretPos(), (TextPos{6, 1}));
  Key(*view, Qt::Key_Right, Qt::ControlModifier);  // nothing on the last line's end
  EXPECT_EQ(view->CaretPos(), (TextPos{6, 1}));
  Key(*view, Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(view->CaretPos(), (TextPos{2, 1}));
  Key(*view, Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(view->CaretPos(), (TextPos{0, 1}));
  Key(*view, Qt::Key_Left, Qt::ControlModifier);  // to the previous line, then over ";"
  EXPECT_EQ(view->CaretPos(), (TextPos{15, 0}));
  Key(*view, Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(view->CaretPos(), (TextPos{14, 0}));
  EXPECT_TRUE(view->IsSelection());
}

TEST(TextViewTest, HomeTogglesBetweenIndentAndColumnZero) {
  CTextBuffer buffer;
  FillBuffer(buffer, {"    ", "  abc"});
  auto view = MakeView(buffer);
  view->SetCaretPos({2, 0});
  Key(*view, Qt::Key_Home);
  EXPECT_EQ(view->CaretPos(), (TextPos{0, 0}));
  view->SetCaretPos({4, 1});
  Key(*view, Qt::Key_Home);
  EXPECT_EQ(view->CaretPos(), (TextPos{2, 1}));
  Key(*view, Qt::Key_Home);
  EXPECT_EQ(view->CaretPos(), (TextPos{0, 1}));
  Key(*view, Qt::Key_Home);
  EXPECT_EQ(view->CaretPos(), (TextPos{2, 1}));
  Key(*view, Qt::Key_End, Qt::ShiftModifier);
  TextPos start, end;
  view->GetSelection(start, end);
  EXPECT_EQ(start, (TextPos{2, 1}));
  EXPECT_EQ(end, (TextPos{5, 1}));
}

TEST(TextViewTest, VerticalMovesKeepTheIdealColumn) {
  CTextBuffer buffer;
  FillBuffer(buffer, {"abcdefgh", "ab", "\tx", "abcdefgh", "abc", "\tx"});
  auto view = MakeView(buffer);
  Key(*view, Qt::Key_End);
  for (int i = 0; i < 6; ++i) Key(*view, Qt::Key_Left);
  Key(*view, Qt::Key_Right);
  Key(*view, Qt::Key_Right);
  Key(*view, Qt::Key_Right);
  Key(*view, Qt::Key_Right);  // column 6
  std::vector<TextPos> path;
  for (int i = 0; i < 3; ++i) {
    Key(*view, Qt::Key_Down);
    path.push_back(view->CaretPos());
  }
  EXPECT_EQ(path, (std::vector<TextPos>{{2, 1}, {2, 2}, {6, 3}}));
  Key(*view, Qt::Key_Up);
  EXPECT_EQ(view->CaretPos(), (TextPos{2, 2}));
  // Column 3 over a tab spanning columns 0-3 lands after the tab.
  view->SetCaretPos({3, 4});
  Key(*view, Qt::Key_Left);
  Key(*view, Qt::Key_Right);
  Key(*view, Qt::Key_Down);
  EXPECT_EQ(view->CaretPos(), (TextPos{1, 5}));
}

TEST(TextViewTest, MarginClicksSelectWholeLines) {
  CTextBuffer buffer;
  FillBuffer(buffer, {"one", "two", "three", "four"});
  auto view = MakeView(buffer);
  const QPoint margin1(3, PointAt(*view, 1, 0).y());
  Click(*view, margin1);
  TextPos start, end;
  view->GetSelection(start, end);
  EXPECT_EQ(start, (TextPos{0, 1}));
  EXPECT_EQ(end, (TextPos{0, 2}));  // the line with its line break
  Click(*view, QPoint(3, PointAt(*view, 3, 0).y()), Qt::ShiftModifier);
  view->GetSelection(start, end);
  EXPECT_EQ(start, (TextPos{0, 1}));
  EXPECT_EQ(end, (TextPos{4, 3}));  // through the last line: the text end
  Click(*view, margin1, Qt::ControlModifier);
  view->GetSelection(start, end);
  EXPECT_EQ(start, (TextPos{0, 0}));
  EXPECT_EQ(end, (TextPos{4, 3}));
}

TEST(TextViewTest, DoubleClickAndCtrlClickSelectWords) {
  CTextBuffer buffer;
  FillBuffer(buffer, {"select name, " + kZhong + kWen + " from t"});
  auto view = MakeView(buffer);
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, PointAt(*view, 0, 9, 1));
  TextPos start, end;
  view->GetSelection(start, end);
  EXPECT_EQ(start, (TextPos{7, 0}));
  EXPECT_EQ(end, (TextPos{11, 0}));
  Click(*view, PointAt(*view, 0, 14, 1), Qt::ControlModifier);
  view->GetSelection(start, end);
  EXPECT_EQ(start, (TextPos{13, 0}));
  EXPECT_EQ(end, (TextPos{17, 0}));
  // A click inside the selection (a drag that never started) empties it.
  Click(*view, PointAt(*view, 0, 15, 1));
  EXPECT_FALSE(view->IsSelection());
  EXPECT_EQ(view->CaretPos(), (TextPos{15, 0}));
}

TEST(TextViewTest, DraggingSelectsFromTheAnchor) {
  CTextBuffer buffer;
  FillBuffer(buffer, {"first line", "second line"});
  auto view = MakeView(buffer);
  QTest::mousePress(view->viewport(), Qt::LeftButton, Qt::NoModifier, PointAt(*view, 0, 2, 1));
  QMouseEvent move(QEvent::MouseMove, PointAt(*view, 1, 3, 1), view->viewport()->mapToGlobal(PointAt(*view, 1, 3, 1)),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(view->viewport(), &move);
  QTest::mouseRelease(view->viewport(), Qt::LeftButton, Qt::NoModifier, PointAt(*view, 1, 3, 1));
  TextPos start, end;
  view->GetSelection(start, end);
  EXPECT_EQ(start, (TextPos{2, 0}));
  EXPECT_EQ(end, (TextPos{3, 1}));
  EXPECT_EQ(view->CaretPos(), (TextPos{3, 1}));
}

TEST(TextViewTest, BufferEditsMoveCaretAndSelectionOfEveryView) {
  CTextBuffer buffer;
  FillBuffer(buffer, {"alpha", "beta", "gamma"});
  auto first = MakeView(buffer);
  auto second = MakeView(buffer);
  first->SetCaretPos({2, 1});
  first->SetSelection({1, 1}, {2, 1});
  second->SetCaretPos({4, 2});
  int endLine = 0, endColumn = 0;
  ASSERT_TRUE(buffer.InsertAt(nullptr, 0, 0, "new\rline ", endLine, endColumn));
  EXPECT_EQ(first->CaretPos(), (TextPos{2, 2}));
  TextPos start, end;
  first->GetSelection(start, end);
  EXPECT_EQ(start, (TextPos{1, 2}));
  EXPECT_EQ(end, (TextPos{2, 2}));
  EXPECT_EQ(second->CaretPos(), (TextPos{4, 3}));
  ASSERT_TRUE(buffer.DeleteRange(nullptr, 2, 0, 3, 2));  // "beta\r\nga"
  EXPECT_EQ(first->CaretPos(), (TextPos{0, 2}));
  EXPECT_EQ(second->CaretPos(), (TextPos{2, 2}));
}

TEST(TextViewTest, PaintingColoursOnlyWhatIsVisible) {
  CTextBuffer buffer;
  std::vector<std::string> lines;
  for (int i = 0; i < 2000; ++i) lines.push_back("select col" + std::to_string(i) + " from t; /* note */");
  FillBuffer(buffer, lines);
  auto view = MakeView<test::CountingSqlView>(buffer);
  Key(*view, Qt::Key_End, Qt::ControlModifier);
  EXPECT_GE(view->TopLine(), 1990 - view->ScreenLines());
  view->colourCalls = 0;
  view->grab();
  // The cookies of every earlier line once, then the visible lines.
  EXPECT_GE(view->colourCalls, 1900);
  view->colourCalls = 0;
  Key(*view, Qt::Key_PageUp);
  view->grab();
  EXPECT_GT(view->colourCalls, 0);
  EXPECT_LE(view->colourCalls, view->ScreenLines() + 2);
  // An edit inside one line stales the cookies from that line on only.
  int endLine = 0, endColumn = 0;
  buffer.InsertAt(nullptr, 1500, 0, "x", endLine, endColumn);
  view->colourCalls = 0;
  view->grab();
  EXPECT_LT(view->colourCalls, 600);
}

// While the event loop idles the view colours every line in short slices, so
// a jump to the end finds the cookies ready; an edit stales them from its line
// and they are filled again once typing pauses.
TEST(TextViewTest, BackgroundColouringFillsCookiesAndFollowsEdits) {
  CTextBuffer buffer;
  std::vector<std::string> lines{"/* a comment left open"};
  for (int i = 1; i < 1000000; ++i) lines.push_back("select col" + std::to_string(i) + " from t;");
  FillBuffer(buffer, lines);
  auto view = MakeView<test::CountingSqlView>(buffer);
  // One turn of the event loop colours a slice only; idling colours the rest.
  const auto fillWhileIdle = [&] {
    QCoreApplication::processEvents();
    EXPECT_LT(view->ColouredLineCount(), buffer.LineCount());
    for (int turns = 0; view->ColouredLineCount() < buffer.LineCount() && turns < 5000; ++turns) QTest::qWait(1);
  };
  fillWhileIdle();
  ASSERT_EQ(view->ColouredLineCount(), buffer.LineCount());

  // The last line lies inside the open comment: drawn in the comment colour
  // without colouring any earlier line.
  Key(*view, Qt::Key_End, Qt::ControlModifier);
  view->colourCalls = 0;
  const QImage inComment = view->viewport()->grab().toImage();
  EXPECT_LE(view->colourCalls, view->ScreenLines() + 2);
  // The colour "select" on the last line is drawn in: the one of the candidate
  // colours nearest to its strongest ink (glyph edges are blended).
  const auto drawnIn = [&](const QImage& image) {
    const QPoint at = PointAt(*view, buffer.LineCount() - 1, 0);
    const QColor background = image.pixelColor(at.x() + 1, at.y() - view->LineHeightPx() / 2);
    const auto distance = [](QColor a, QColor b) {
      return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
    };
    QColor ink = background;
    for (int x = at.x(); x < at.x() + 6 * view->CharWidthPx(); ++x)
      for (int y = at.y() - view->LineHeightPx() / 2; y < at.y() + view->LineHeightPx() / 2; ++y)
        if (distance(image.pixelColor(x, y), background) > distance(ink, background)) ink = image.pixelColor(x, y);
    int nearest = -1;
    for (int index : {ColorNormalText, ColorKeyword, ColorComment})
      if (nearest < 0 || distance(ink, view->GetColor(index)) < distance(ink, view->GetColor(nearest))) nearest = index;
    return nearest;
  };
  EXPECT_EQ(drawnIn(inComment), ColorComment);

  // Closing the comment on line 1 stales every later cookie; with the top of
  // the script on screen the fill waits for a pause in typing, then colours
  // the rest, and the end shows plain SQL colours.
  Key(*view, Qt::Key_Home, Qt::ControlModifier);
  int endLine = 0, endColumn = 0;
  buffer.InsertAt(nullptr, 1, 0, "*/", endLine, endColumn);
  EXPECT_LE(view->ColouredLineCount(), 1);
  fillWhileIdle();
  Key(*view, Qt::Key_End, Qt::ControlModifier);
  ASSERT_EQ(view->ColouredLineCount(), buffer.LineCount());
  view->colourCalls = 0;
  const QImage closed = view->viewport()->grab().toImage();
  EXPECT_LE(view->colourCalls, view->ScreenLines() + 2);
  EXPECT_EQ(drawnIn(closed), ColorKeyword);
}

// A line of megabytes is coloured in the background a slice at a time (with
// a clock that moves 10 ms at every look, one slice per turn of the event
// loop). The next line must then be drawn with the state the whole line's
// colouring gives, although comment openers, an escaped quote and a
// double-byte character lie across the slices' ends; an edit before the
// slices done so far starts the line over, one after them keeps them.
TEST(TextViewTest, LongLineIsColouredInSlicesAndFollowsEdits) {
  std::uint32_t now = 0;
  SetTickSourceForTesting([&] { return now += 10; });
  struct RestoreClock {
    ~RestoreClock() { SetTickSourceForTesting(nullptr); }
  } restoreClock;
  constexpr std::size_t kMb = std::size_t{1} << 20;
  std::string longLine;
  while (longLine.size() < 6 * kMb + kMb / 2) longLine += "ab, ";
  const auto put = [&](std::size_t at, std::string_view text) { longLine.replace(at, text.size(), text); };
  put(kMb - 1, "/*");
  put(2 * kMb - 1, "*/");
  put(4 * kMb - 3, "'a\\'b'");
  put(5 * kMb - 1, "\xB0\xA1");
  put(6 * kMb - 1, "/*");
  ASSERT_EQ(ColorLine(0, longLine, nullptr), static_cast<std::uint32_t>(CookieBlockComment));
  std::vector<std::string> lines(100, "select x;");
  lines.push_back(longLine);
  lines.push_back("select */ select");
  CTextBuffer buffer;
  FillBuffer(buffer, lines);
  auto view = MakeView<test::CountingSqlView>(buffer);
  // Single turns of the event loop, each running the fill at most once.
  const auto idleUntil = [&](const auto& condition) {
    for (int turns = 0; !condition() && turns < 20000; ++turns) {
      QCoreApplication::processEvents();
      if (!condition()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
  };
  const auto drawnCookieOfNextLine = [&] {
    Key(*view, Qt::Key_End, Qt::ControlModifier);
    view->drawnWithCookie.erase(101);
    view->viewport()->grab();
    return view->drawnWithCookie.count(101) ? view->drawnWithCookie[101] : 0xFFFFFFFFu;
  };

  // Two slices in, the short lines above are done and the long one is not.
  ASSERT_TRUE(idleUntil([&] { return view->cookieSlices >= 2; }));
  EXPECT_EQ(view->ColouredLineCount(), 100);
  // "--" at its start makes the whole line a comment, which does not carry
  // over: the slices done are void, and the line is coloured from its start.
  int endLine = 0, endColumn = 0;
  buffer.InsertAt(nullptr, 100, 0, "--", endLine, endColumn);
  const int slicesBefore = view->cookieSlices;
  ASSERT_TRUE(idleUntil([&] { return view->ColouredLineCount() == buffer.LineCount(); }));
  const int wholeLineSlices = view->cookieSlices - slicesBefore;
  EXPECT_GE(wholeLineSlices, 7);
  EXPECT_EQ(drawnCookieOfNextLine(), 0u);

  // Back to the comment left open; two slices in, "*/" typed at the end
  // closes it. The slices done stay good, and the rest finishes the line.
  Key(*view, Qt::Key_Home, Qt::ControlModifier);
  view->viewport()->grab();
  buffer.DeleteRange(nullptr, 100, 0, 100, 2);
  ASSERT_TRUE(idleUntil([&] { return view->cookieSlices >= slicesBefore + wholeLineSlices + 2; }));
  ASSERT_EQ(view->ColouredLineCount(), 100);
  buffer.InsertAt(nullptr, 100, static_cast<int>(longLine.size()), "*/", endLine, endColumn);
  const int slicesAtEdit = view->cookieSlices;
  ASSERT_TRUE(idleUntil([&] { return view->ColouredLineCount() == buffer.LineCount(); }));
  EXPECT_LT(view->cookieSlices - slicesAtEdit, wholeLineSlices);
  ASSERT_EQ(ColorLine(0, longLine + "*/", nullptr), 0u);
  EXPECT_EQ(drawnCookieOfNextLine(), 0u);
  // Without the "*/" the next line starts inside the comment.
  buffer.DeleteRange(nullptr, 100, static_cast<int>(longLine.size()), 100, static_cast<int>(longLine.size()) + 2);
  ASSERT_TRUE(idleUntil([&] { return view->ColouredLineCount() == buffer.LineCount(); }));
  EXPECT_EQ(drawnCookieOfNextLine(), static_cast<std::uint32_t>(CookieBlockComment));
}

TEST(TextViewTest, BookmarkCommandsAndKeys) {
  CTextBuffer buffer;
  FillBuffer(buffer, {"a", "b", "c", "d", "e"});
  auto view = MakeView(buffer);
  view->SetCaretPos({0, 3});
  Key(*view, Qt::Key_1, Qt::ControlModifier);
  EXPECT_EQ(buffer.LineWithFlag(LineFlagBookmark(1)), 3);
  view->SetCaretPos({0, 1});
  Key(*view, Qt::Key_1, Qt::ControlModifier);  // moves the bookmark
  EXPECT_EQ(buffer.LineWithFlag(LineFlagBookmark(1)), 1);
  view->SetCaretPos({1, 4});
  Key(*view, Qt::Key_1, Qt::AltModifier);
  EXPECT_EQ(view->CaretPos(), (TextPos{0, 1}));
  Key(*view, Qt::Key_1, Qt::ControlModifier);  // toggles it off
  EXPECT_EQ(buffer.LineWithFlag(LineFlagBookmark(1)), -1);

  CmdUI next(ID_EDIT_NEXT_MARK);
  ASSERT_TRUE(view->OnUpdateCommand(ID_EDIT_NEXT_MARK, next));
  EXPECT_FALSE(next.IsEnabled());
  view->SetCaretPos({0, 0});
  Key(*view, Qt::Key_F2, Qt::ControlModifier);
  view->SetCaretPos({0, 2});
  Key(*view, Qt::Key_F2, Qt::ControlModifier);
  ASSERT_TRUE(view->OnUpdateCommand(ID_EDIT_NEXT_MARK, next));
  EXPECT_TRUE(next.IsEnabled());
  Key(*view, Qt::Key_F2);
  EXPECT_EQ(view->CaretPos().line, 0);
  Key(*view, Qt::Key_F2, Qt::ShiftModifier);
  EXPECT_EQ(view->CaretPos().line, 2);
  Key(*view, Qt::Key_F2, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(buffer.LineWithFlag(LineFlagAnonymousBookmark), -1);
  view->SetCaretPos({0, 4});
  view->OnCommand(ID_EDIT_TOGGLE_BOOKMARK_0);
  view->OnCommand(ID_EDIT_CLEAR_BOOKMARKS);
  EXPECT_EQ(buffer.LineWithFlag(LineFlagBookmark(0)), -1);
}

TEST(TextViewTest, StatusTextsAndCommandStates) {
  CTextBuffer buffer;
  FillBuffer(buffer, {"abc", "de"});
  auto view = MakeView(buffer);
  view->SetCaretPos({2, 1});
  CmdUI position(ID_INDICATOR_POSITION);
  ASSERT_TRUE(view->OnUpdateCommand(ID_INDICATOR_POSITION, position));
  EXPECT_EQ(position.Text().value_or(QString()), QStringLiteral("行 2, 列 3"));
  CmdUI eol(ID_INDICATOR_EOL_MODE);
  ASSERT_TRUE(view->OnUpdateCommand(ID_INDICATOR_EOL_MODE, eol));
  EXPECT_EQ(eol.Text().value_or(QString()), QStringLiteral("DOS"));
  buffer.SetEolMode(EolLfCr);
  ASSERT_TRUE(view->OnUpdateCommand(ID_INDICATOR_EOL_MODE, eol));
  EXPECT_EQ(eol.Text().value_or(QString()), QStringLiteral("UNIX"));

  CmdUI copy(ID_EDIT_COPY);
  ASSERT_TRUE(view->OnUpdateCommand(ID_EDIT_COPY, copy));
  EXPECT_FALSE(copy.IsEnabled());
  Key(*view, Qt::Key_A, Qt::ControlModifier);
  ASSERT_TRUE(view->OnUpdateCommand(ID_EDIT_COPY, copy));
  EXPECT_TRUE(copy.IsEnabled());
  Key(*view, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("abc\r\nde"));

  view->DetachFromBuffer();
  CmdUI detached(ID_INDICATOR_EOL_MODE);
  ASSERT_TRUE(view->OnUpdateCommand(ID_INDICATOR_EOL_MODE, detached));
  EXPECT_FALSE(detached.IsEnabled());
  EXPECT_TRUE(detached.Text().value_or(QStringLiteral("x")).isEmpty());
}

TEST(TextViewTest, PageKeysMoveTopLineAndCaretTogether) {
  CTextBuffer buffer;
  std::vector<std::string> lines(100, "line");
  FillBuffer(buffer, lines);
  auto view = MakeView(buffer);
  const int step = view->ScreenLines() - 1;
  ASSERT_GT(step, 1);
  Key(*view, Qt::Key_PageDown);
  EXPECT_EQ(view->TopLine(), step);
  EXPECT_EQ(view->CaretPos().line, step);
  Key(*view, Qt::Key_Down, Qt::ControlModifier);  // scrolls, caret stays
  EXPECT_EQ(view->TopLine(), step + 1);
  EXPECT_EQ(view->CaretPos().line, step);
  Key(*view, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(view->CaretPos(), (TextPos{4, 99}));
  EXPECT_EQ(view->TopLine(), 100 - view->ScreenLines());
  Key(*view, Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
  TextPos start, end;
  view->GetSelection(start, end);
  EXPECT_EQ(start, (TextPos{0, 0}));
  EXPECT_EQ(end, (TextPos{4, 99}));
  EXPECT_EQ(view->TopLine(), 0);
}


TEST(TextViewTest, LongLinesScrollSideways) {
  CTextBuffer buffer;
  FillBuffer(buffer, {std::string(300, 'x'), "short"});
  auto view = MakeView(buffer);
  view->activateWindow();
  view->setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(view->hasFocus());
  Key(*view, Qt::Key_End);
  EXPECT_EQ(view->OffsetChar(), 300 - view->ScreenChars());
  // The caret is drawn after the last character, inside the window.
  EXPECT_TRUE(view->IsCaretShown());
  const QPoint caret = view->TextToClient(view->CaretPos());
  ASSERT_LT(caret.x() + 1, view->viewport()->width());
  const auto caretPixel = [&] {
    return view->viewport()->grab().toImage().pixelColor(caret.x() + 1, caret.y() + view->LineHeightPx() / 2);
  };
  EXPECT_EQ(caretPixel(), view->GetColor(ColorNormalText));
  view->clearFocus();  // without focus no caret
  EXPECT_FALSE(view->IsCaretShown());
  EXPECT_EQ(caretPixel(), view->GetColor(ColorBackground));
  view->setFocus();
  Key(*view, Qt::Key_Down);  // the short line brings the caret back into view
  EXPECT_EQ(view->CaretPos(), (TextPos{5, 1}));
  EXPECT_EQ(view->OffsetChar(), 5);
  Key(*view, Qt::Key_Home);
  EXPECT_EQ(view->OffsetChar(), 0);
}

// SQL colouring of whole lines only.
class WholeLineSqlView : public CTextView {
 public:
  std::uint32_t ColorLine(std::uint32_t cookie, int line, std::vector<ColorSpan>* spans) override {
    return orva::ColorLine(cookie, LineText(line), spans);
  }
};

long PeakResidentKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// A single-line dump of megabytes: painting it, at its start and at its end,
// takes memory for what is shown, not for every byte of the line, and shows
// the same colours a short line with the same ending gets.
TEST(TextViewTest, AVeryLongLinePaintsWithLittleMemory) {
  std::string dump = "INSERT INTO t VALUES ";
  while (dump.size() < (12u << 20)) dump += "(1234,'text',4.5),";
  dump += "(9,'end') -- done";
  CTextBuffer buffer;
  FillBuffer(buffer, {dump});
  const long before = PeakResidentKb();
  auto view = MakeView<test::CountingSqlView>(buffer);
  view->viewport()->grab();
  Key(*view, Qt::Key_End);
  const QImage atEnd = view->viewport()->grab().toImage();
  EXPECT_LT(PeakResidentKb() - before, static_cast<long>(dump.size() / 1024));

  // A view that colours the whole line shows the same.
  auto reference = MakeView<WholeLineSqlView>(buffer);
  Key(*reference, Qt::Key_End);
  ASSERT_EQ(reference->OffsetChar(), view->OffsetChar());
  const QImage expected = reference->viewport()->grab().toImage();
  const QRect text(view->MarginWidth(), 0, view->viewport()->width() - view->MarginWidth(), view->LineHeightPx());
  EXPECT_EQ(atEnd.copy(text), expected.copy(text));
}

TEST(TextViewTest, LineFlagsSelectionAndMarginColours) {
  CTextBuffer buffer;
  FillBuffer(buffer, {"plain", "red line", "selected", "green"});
  buffer.ChangeLineFlag(1, LineFlagRed, true, false);
  buffer.ChangeLineFlag(3, LineFlagGreen, true, false);
  auto view = MakeView(buffer);
  view->SetKeepSelectionVisible(true);
  view->SetSelection({0, 2}, {3, 2});
  const QImage image = view->viewport()->grab().toImage();
  const int right = view->viewport()->width() - 3;
  const auto colourAt = [&](int x, int line) {
    return image.pixelColor(x, line * view->LineHeightPx() + view->LineHeightPx() / 2);
  };
  EXPECT_EQ(colourAt(right, 1), QColor(255, 0, 0));  // the flag colour fills after the text
  EXPECT_EQ(colourAt(right, 3), QColor(0, 128, 0));
  EXPECT_EQ(colourAt(right, 0), view->GetColor(ColorBackground));
  // Above the glyphs of the selected text.
  EXPECT_EQ(image.pixelColor(view->MarginWidth() + 1, 2 * view->LineHeightPx() + 1),
            view->GetColor(ColorSelectionBackground));
  EXPECT_EQ(colourAt(right, 2), view->GetColor(ColorBackground));
  EXPECT_EQ(colourAt(1, 0), view->GetColor(ColorSelectionMargin));
  EXPECT_EQ(image.pixelColor(right, image.height() - 2), view->GetColor(ColorBackground));
}

// A pane that finds its buffer itself, as a document's view does.
class DocumentView : public CTextView {
 public:
  explicit DocumentView(CTextBuffer& buffer) : m_document(buffer) {}

 protected:
  CTextBuffer* GetTextBuffer() override { return &m_document; }

 private:
  CTextBuffer& m_document;
};

TEST(TextViewTest, SplitterPanesSideBySideShareTheTopLine) {
  CTextBuffer buffer;
  FillBuffer(buffer, std::vector<std::string>(200, "line"));
  QSplitter splitter(Qt::Horizontal);
  auto* left = new CTextView;
  auto* right = new CTextView;
  splitter.addWidget(left);
  splitter.addWidget(right);
  splitter.resize(600, 300);
  splitter.show();
  left->AttachToBuffer(&buffer);
  right->AttachToBuffer(&buffer);
  left->ScrollToLine(40);
  EXPECT_EQ(right->TopLine(), 40);
  right->SetCaretPos({0, 0});
  EXPECT_EQ(right->CaretPos(), (TextPos{0, 0}));
  EXPECT_EQ(left->CaretPos(), (TextPos{0, 0}));  // each keeps its own caret
  auto* third = new DocumentView(buffer);
  splitter.addWidget(third);
  third->OnInitialUpdate();  // binds the document's buffer, takes the neighbours' scroll position
  EXPECT_EQ(third->Buffer(), &buffer);
  EXPECT_EQ(third->TopLine(), 40);
}

TEST(TextViewTest, GoToLineAndCommandsWithoutABuffer) {
  CTextBuffer buffer;
  FillBuffer(buffer, {"a", "b", "c"});
  auto view = MakeView(buffer);
  view->SetSelection({0, 0}, {1, 1});
  view->GoToLine(2);
  EXPECT_EQ(view->CaretPos(), (TextPos{0, 1}));
  EXPECT_FALSE(view->IsSelection());
  view->GoToLine(99);
  EXPECT_EQ(view->CaretPos(), (TextPos{0, 2}));
  view->GoToLine(0);
  EXPECT_EQ(view->CaretPos(), (TextPos{0, 0}));

  CTextView empty;
  empty.resize(200, 100);
  for (int id : {ID_EDIT_MOVE_TEXT_END, ID_EDIT_TOGGLE_BOOKMARK_3, ID_EDIT_REPEAT, ID_EDIT_SELECT_ALL}) {
    EXPECT_TRUE(empty.OnCommand(id)) << id;
  }
  EXPECT_EQ(empty.CaretPos(), (TextPos{0, 0}));
  EXPECT_FALSE(empty.grab().isNull());
}

TEST(TextViewTest, EditorKeysWinOverWindowShortcutsWhileFocused) {
  CTextBuffer buffer;
  FillBuffer(buffer, {"one", "two"});
  QMainWindow window;
  auto* view = new CTextView;
  window.setCentralWidget(view);
  view->AttachToBuffer(&buffer);
  int triggered = 0;
  auto* action = new QAction(&window);
  action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
  QObject::connect(action, &QAction::triggered, [&] { ++triggered; });
  window.addAction(action);
  auto* unbound = new QAction(&window);
  unbound->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
  QObject::connect(unbound, &QAction::triggered, [&] { ++triggered; });
  window.addAction(unbound);
  window.resize(400, 300);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  view->setFocus();
  QTest::keyClick(window.windowHandle(), Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(triggered, 0);
  TextPos start, end;
  view->GetSelection(start, end);
  EXPECT_EQ(end, (TextPos{3, 1}));
  QTest::keyClick(window.windowHandle(), Qt::Key_K, Qt::ControlModifier);  // not an editor key
  EXPECT_EQ(triggered, 1);
}

}  // namespace
}  // namespace orva
