#include <gtest/gtest.h>

#include <random>

#include "editor/textbuffer.h"
#include "editor_test_util.h"

namespace orva {
namespace {

using test::Lines;
using test::RecordingView;
using Strings = std::vector<std::string>;

// A buffer holding the given lines, with an empty history.
void Fill(CTextBuffer& buffer, const std::string& crlfText) {
  buffer.CreateEmpty(EolCrLf);
  int endLine, endColumn;
  if (!crlfText.empty()) buffer.InsertAt(nullptr, 0, 0, crlfText, endLine, endColumn);
}

TEST(TextBufferEdit, LineBreaksInInsertedTextAreCrOrCrLf) {
  CTextBuffer buffer;
  Fill(buffer, "abcd");
  int endLine, endColumn;
  ASSERT_TRUE(buffer.InsertAt(nullptr, 0, 2, "x\ny", endLine, endColumn));
  EXPECT_EQ(Lines(buffer), (Strings{"abx\nycd"}));
  EXPECT_EQ(TextPos(endColumn, endLine), TextPos(5, 0));

  Fill(buffer, "abcd");
  ASSERT_TRUE(buffer.InsertAt(nullptr, 0, 2, "x\ry", endLine, endColumn));
  EXPECT_EQ(Lines(buffer), (Strings{"abx", "ycd"}));
  EXPECT_EQ(TextPos(endColumn, endLine), TextPos(1, 1));

  Fill(buffer, "abcd");
  ASSERT_TRUE(buffer.InsertAt(nullptr, 0, 4, "x\r\ny\r\n\r\nz", endLine, endColumn));
  EXPECT_EQ(Lines(buffer), (Strings{"abcdx", "y", "", "z"}));
  EXPECT_EQ(TextPos(endColumn, endLine), TextPos(1, 3));

  // Text after a NUL byte is not part of the text.
  ASSERT_TRUE(buffer.InsertAt(nullptr, 3, 0, std::string("q\0r", 3), endLine, endColumn));
  EXPECT_EQ(buffer.Line(3), "qz");
}

TEST(TextBufferEdit, DeleteWithinAndAcrossLines) {
  CTextBuffer buffer;
  Fill(buffer, "one\r\ntwo\r\nthree\r\nfour");
  ASSERT_TRUE(buffer.DeleteRange(nullptr, 1, 1, 1, 2));
  EXPECT_EQ(Lines(buffer), (Strings{"one", "to", "three", "four"}));
  ASSERT_TRUE(buffer.DeleteRange(nullptr, 0, 2, 2, 3));
  EXPECT_EQ(Lines(buffer), (Strings{"onee", "four"}));
  ASSERT_TRUE(buffer.DeleteRange(nullptr, 0, 4, 1, 0));
  EXPECT_EQ(Lines(buffer), (Strings{"onee" "four"}));
  // Invalid or reversed ranges are refused.
  EXPECT_FALSE(buffer.DeleteRange(nullptr, 0, 5, 0, 2));
  EXPECT_FALSE(buffer.DeleteRange(nullptr, 0, 0, 1, 0));
  int endLine, endColumn;
  EXPECT_FALSE(buffer.InsertAt(nullptr, 0, 9, "x", endLine, endColumn));
  EXPECT_EQ(Lines(buffer), (Strings{"oneefour"}));
}

TEST(TextBufferEdit, CopyRangeJoinsLinesWithTheSeparator) {
  CTextBuffer buffer;
  Fill(buffer, "alpha\r\nbeta\r\ngamma");
  buffer.SetEolMode(EolLf);
  std::string text;
  buffer.CopyRange(0, 2, 2, 3, text);
  EXPECT_EQ(text, "pha\r\nbeta\r\ngam");
  buffer.CopyRange(0, 2, 2, 3, text, "|");
  EXPECT_EQ(text, "pha|beta|gam");
  buffer.CopyRange(1, 1, 1, 3, text);
  EXPECT_EQ(text, "et");
}

TEST(TextBufferEdit, TrailBytesOfDoubleByteCharacters) {
  CTextBuffer buffer;
  Fill(buffer, "a\xD6\xD0" "b\xCE");
  EXPECT_FALSE(buffer.IsTrailByteAt(0, 1));
  EXPECT_TRUE(buffer.IsTrailByteAt(0, 2));
  EXPECT_FALSE(buffer.IsTrailByteAt(0, 3));
  EXPECT_FALSE(buffer.IsTrailByteAt(0, 4));  // a lone lead byte at the end
  EXPECT_FALSE(buffer.IsTrailByteAt(0, 5));
}

TEST(TextBufferEdit, ViewsAreNotifiedInOrderWithFlagsAndContext) {
  CTextBuffer buffer;
  std::vector<RecordingView*> order;
  RecordingView first, second;
  first.order = second.order = &order;
  buffer.AttachView(&first);
  buffer.AttachView(&second);
  buffer.AttachView(&first);  // already attached: still notified once
  buffer.CreateEmpty(EolCrLf);
  ASSERT_EQ(first.notifications.size(), 1u);
  EXPECT_EQ(first.notifications[0].flags, ChangeReset);
  EXPECT_EQ(first.notifications[0].line, -1);

  int endLine, endColumn;
  buffer.InsertAt(&second, 0, 0, "ab", endLine, endColumn);
  buffer.InsertAt(&second, 0, 1, "\r\n", endLine, endColumn);
  buffer.DeleteRange(&first, 0, 1, 1, 0);
  buffer.DeleteRange(&first, 0, 0, 0, 1);
  ASSERT_EQ(second.notifications.size(), 5u);
  const std::uint32_t expected[] = {0x0101, 0x0003, 0x0003, 0x0101};
  for (int i = 0; i < 4; ++i) {
    const auto& n = second.notifications[i + 1];
    EXPECT_EQ(n.flags, expected[i]) << i;
    EXPECT_EQ(n.line, 0);
    EXPECT_TRUE(n.hasContext);
    EXPECT_EQ(n.source, i < 2 ? static_cast<ITextBufferView*>(&second) : &first);
  }
  EXPECT_EQ(order, (std::vector<RecordingView*>{&first, &second, &first, &second, &first, &second, &first, &second,
                                                &first, &second}));

  buffer.DetachView(&first);
  buffer.InsertAt(nullptr, 0, 0, "z", endLine, endColumn);
  EXPECT_EQ(first.notifications.size(), 5u);
  EXPECT_EQ(second.notifications.size(), 6u);
}

TEST(TextBufferEdit, AdjustPosAcrossAnInsertion) {
  InsertEditContext insert({2, 1}, {3, 2});  // from column 2 of line 1 to column 3 of line 2
  auto moved = [&](TextPos pos) {
    insert.AdjustPos(pos);
    return pos;
  };
  EXPECT_EQ(moved({5, 0}), TextPos(5, 0));  // earlier line
  EXPECT_EQ(moved({1, 1}), TextPos(1, 1));  // before the start
  EXPECT_EQ(moved({2, 1}), TextPos(2, 1));  // exactly at the start
  EXPECT_EQ(moved({4, 1}), TextPos(5, 2));  // after the start: behind the new text
  EXPECT_EQ(moved({0, 3}), TextPos(0, 4));  // later line
  InsertEditContext sameLine({2, 1}, {6, 1});
  TextPos pos{3, 1};
  sameLine.AdjustPos(pos);
  EXPECT_EQ(pos, TextPos(7, 1));
}

TEST(TextBufferEdit, AdjustPosAcrossADeletion) {
  DeleteEditContext remove({2, 1}, {3, 3});
  auto moved = [&](TextPos pos) {
    remove.AdjustPos(pos);
    return pos;
  };
  EXPECT_EQ(moved({9, 0}), TextPos(9, 0));  // earlier line
  EXPECT_EQ(moved({1, 1}), TextPos(1, 1));  // before the start
  EXPECT_EQ(moved({2, 1}), TextPos(2, 1));  // at the start
  EXPECT_EQ(moved({5, 1}), TextPos(2, 1));  // inside, start line
  EXPECT_EQ(moved({0, 2}), TextPos(2, 1));  // inside, middle line
  EXPECT_EQ(moved({2, 3}), TextPos(2, 1));  // inside, end line
  EXPECT_EQ(moved({3, 3}), TextPos(2, 1));  // at the end
  EXPECT_EQ(moved({7, 3}), TextPos(6, 1));  // after the end on its line
  EXPECT_EQ(moved({4, 5}), TextPos(4, 3));  // later line
  DeleteEditContext sameLine({2, 1}, {5, 1});
  TextPos inside{4, 1}, after{7, 1};
  sameLine.AdjustPos(inside);
  sameLine.AdjustPos(after);
  EXPECT_EQ(inside, TextPos(2, 1));
  EXPECT_EQ(after, TextPos(4, 1));
}

TEST(TextBufferEdit, CaretFollowsRealEditsThroughNotifications) {
  CTextBuffer buffer;
  Fill(buffer, "abc\r\ndef");
  RecordingView view;
  buffer.AttachView(&view);
  view.caret = {2, 1};
  int endLine, endColumn;
  buffer.InsertAt(nullptr, 0, 1, "X\r\nY", endLine, endColumn);  // caret line moves down
  EXPECT_EQ(view.caret, TextPos(2, 2));
  buffer.DeleteRange(nullptr, 0, 1, 2, 1);  // caret was after the end on its line
  EXPECT_EQ(view.caret, TextPos(2, 0));
  EXPECT_EQ(Lines(buffer), (Strings{"aef"}));
}

TEST(TextBufferFlags, NumberedBookmarkMovesBetweenLines) {
  CTextBuffer buffer;
  Fill(buffer, "0\r\n1\r\n2\r\n3\r\n4");
  RecordingView view;
  buffer.AttachView(&view);
  const std::uint32_t three = LineFlagBookmark(3);
  buffer.ChangeLineFlag(1, three, true, true);
  buffer.ChangeLineFlag(4, three, true, true);
  EXPECT_EQ(buffer.LineFlags(1), 0u);
  EXPECT_EQ(buffer.LineFlags(4), three);
  EXPECT_EQ(buffer.LineWithFlag(three), 4);
  ASSERT_EQ(view.notifications.size(), 3u);
  EXPECT_EQ(view.notifications[1].flags, 0x0300u);
  EXPECT_EQ(view.notifications[1].line, 1);
  EXPECT_EQ(view.notifications[2].line, 4);
  EXPECT_EQ(buffer.UndoRecordCount(), 1);  // flags are not part of the history

  // Without move, another line may carry the bit too; -1 finds the first.
  buffer.ChangeLineFlag(2, three, true, false);
  buffer.ChangeLineFlag(-1, three, false, false);
  EXPECT_EQ(buffer.LineWithFlag(three), 4);
  // Not a single bit: nothing.
  buffer.ChangeLineFlag(0, 0x3, true, false);
  EXPECT_EQ(buffer.LineFlags(0), 0u);
  EXPECT_EQ(buffer.LineWithFlag(0x3), -1);
  EXPECT_EQ(buffer.LineWithFlag(0), -1);
  // Unchanged word: no notification.
  std::size_t before = view.notifications.size();
  buffer.ChangeLineFlag(4, three, true, true);
  EXPECT_EQ(view.notifications.size(), before);
}

TEST(TextBufferFlags, FlagsStayWithTheirLinesThroughEdits) {
  CTextBuffer buffer;
  Fill(buffer, "a\r\nb\r\nc\r\nd");
  buffer.ChangeLineFlag(3, LineFlagAnonymousBookmark, true, false);
  buffer.ChangeLineFlag(1, LineFlagBookmark(0), true, true);
  int endLine, endColumn;
  buffer.InsertAt(nullptr, 0, 0, "new\r\n", endLine, endColumn);
  EXPECT_EQ(buffer.LineWithFlag(LineFlagBookmark(0)), 2);
  EXPECT_EQ(buffer.LineWithFlag(LineFlagAnonymousBookmark), 4);
  buffer.DeleteRange(nullptr, 2, 1, 3, 1);  // "b" line joins "c": its flag stays, "c" is gone
  EXPECT_EQ(buffer.LineWithFlag(LineFlagBookmark(0)), 2);
  EXPECT_EQ(buffer.LineWithFlag(LineFlagAnonymousBookmark), 3);
}

TEST(TextBufferFlags, AnonymousBookmarkSearchWraps) {
  CTextBuffer buffer;
  Fill(buffer, "0\r\n1\r\n2\r\n3\r\n4\r\n5");
  EXPECT_EQ(buffer.NextMarkedLine(0), -1);
  EXPECT_EQ(buffer.PrevMarkedLine(0), -1);
  buffer.ChangeLineFlag(1, LineFlagAnonymousBookmark, true, false);
  buffer.ChangeLineFlag(4, LineFlagAnonymousBookmark, true, false);
  EXPECT_EQ(buffer.NextMarkedLine(0), 1);
  EXPECT_EQ(buffer.NextMarkedLine(1), 4);
  EXPECT_EQ(buffer.NextMarkedLine(2), 4);
  EXPECT_EQ(buffer.NextMarkedLine(4), 1);
  EXPECT_EQ(buffer.NextMarkedLine(5), 1);
  EXPECT_EQ(buffer.PrevMarkedLine(5), 4);
  EXPECT_EQ(buffer.PrevMarkedLine(4), 1);
  EXPECT_EQ(buffer.PrevMarkedLine(1), 4);
  EXPECT_EQ(buffer.PrevMarkedLine(0), 4);
  buffer.ChangeLineFlag(4, LineFlagAnonymousBookmark, false, false);
  EXPECT_EQ(buffer.NextMarkedLine(1), 1);  // the only one, found again after wrapping
}

TEST(TextBufferEdit, ReadOnlyBufferRefusesEveryChange) {
  CTextBuffer buffer;
  Fill(buffer, "text");
  buffer.SetReadOnly(true);
  int endLine, endColumn;
  EXPECT_FALSE(buffer.InsertAt(nullptr, 0, 0, "x", endLine, endColumn));
  EXPECT_FALSE(buffer.DeleteRange(nullptr, 0, 0, 0, 2));
  TextPos caret;
  EXPECT_FALSE(buffer.UndoGroup(caret));
  EXPECT_EQ(buffer.UndoRecordCount(), 1);
  EXPECT_EQ(Lines(buffer), (Strings{"text"}));
  buffer.SetReadOnly(false);
  EXPECT_TRUE(buffer.UndoGroup(caret));
  EXPECT_EQ(Lines(buffer), (Strings{""}));
}

TEST(TextBufferEdit, ClearAndReload) {
  CTextBuffer buffer;
  EXPECT_FALSE(buffer.IsInitialised());
  EXPECT_EQ(buffer.LineCount(), 0);
  Fill(buffer, "x");
  EXPECT_TRUE(buffer.IsInitialised());
  buffer.Clear();
  EXPECT_FALSE(buffer.IsInitialised());
  EXPECT_EQ(buffer.LineCount(), 0);
  EXPECT_FALSE(buffer.HasUndo());
  buffer.CreateEmpty(EolLf);
  EXPECT_EQ(Lines(buffer), (Strings{""}));
  EXPECT_EQ(buffer.EolMode(), EolLf);
}

// Random edits, undos and redos checked against a plain list of lines, so
// that the line storage (gap moves, growth, lines shared with the loaded
// block) is exercised far from the simple cases.
TEST(TextBufferEdit, RandomEditsMatchAPlainModel) {
  test::TempFolder folder;
  // Bare LF lines, some holding CR bytes of their own.
  std::string bytes = "first\n";
  for (int i = 0; i < 3000; ++i) bytes += "line " + std::to_string(i) + (i % 3 ? "\n" : "\rcr\r\n");
  test::WriteBytes(folder.Path("m.sql"), bytes);
  CTextBuffer buffer;
  ASSERT_TRUE(buffer.LoadFile(folder.Path("m.sql")));
  ASSERT_EQ(buffer.EolMode(), EolLf);
  std::vector<Strings> history{Lines(buffer)};  // the text after each undo group
  std::size_t at = 0;
  std::mt19937 random(7);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const char* inserts[] = {"x", "\r\n", "ab\rcd", "\xD6\xD0", "\r\n\r\nq", "long text piece "};
  for (int step = 0; step < 900; ++step) {  // stays within the undo limit
    int choice = pick(10);
    TextPos caret;
    if (choice == 0 && at > 0) {
      ASSERT_TRUE(buffer.UndoGroup(caret));
      --at;
    } else if (choice == 1 && at + 1 < history.size()) {
      ASSERT_TRUE(buffer.RedoGroup(caret));
      ++at;
    } else {
      int line = pick(buffer.LineCount());
      int column = pick(buffer.LineLength(line) + 1);
      int endLine, endColumn;
      if (choice < 6) {
        ASSERT_TRUE(buffer.InsertAt(nullptr, line, column, inserts[pick(6)], endLine, endColumn));
      } else {
        int toLine = std::min(buffer.LineCount() - 1, line + pick(3));
        int toColumn = toLine == line ? column + pick(buffer.LineLength(line) - column + 1)
                                      : pick(buffer.LineLength(toLine) + 1);
        if (toLine == line && toColumn == column) continue;  // nothing to delete, nothing recorded
        ASSERT_TRUE(buffer.DeleteRange(nullptr, line, column, toLine, toColumn));
      }
      history.resize(at + 1);
      history.push_back(Lines(buffer));
      ++at;
      continue;
    }
    ASSERT_EQ(Lines(buffer), history[at]) << "step " << step;
  }
  while (buffer.HasUndo()) {
    TextPos caret;
    buffer.UndoGroup(caret);
  }
  EXPECT_EQ(Lines(buffer), history[0]);
}

}  // namespace
}  // namespace orva
