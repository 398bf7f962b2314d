#include <gtest/gtest.h>

#include "editor/textbuffer.h"
#include "editor_test_util.h"

namespace orva {
namespace {

using test::Lines;
using test::RecordingView;
using Strings = std::vector<std::string>;

// Types one byte the way the edit view does: typed characters merge into the
// previous group, a space starts a new one.
void Type(CTextBuffer& buffer, ITextBufferView* view, TextPos& caret, char c) {
  buffer.OpenUndoGroup(c != ' ');
  int endLine, endColumn;
  ASSERT_TRUE(buffer.InsertAt(view, caret.line, caret.column, std::string(1, c), endLine, endColumn, UndoTyping));
  caret = {endColumn, endLine};
  buffer.CloseUndoGroup(view);
}

TEST(TextBufferUndo, TypingUndoesInTwoStepsAroundASpace) {
  CTextBuffer buffer;
  buffer.CreateEmpty(EolCrLf);
  RecordingView view;
  TextPos caret;
  for (char c : std::string("ab cd")) Type(buffer, &view, caret, c);
  EXPECT_EQ(buffer.Line(0), "ab cd");
  ASSERT_EQ(view.editActions.size(), 5u);
  EXPECT_EQ(view.editActions[2], std::make_pair(int(UndoTyping), std::string(" ")));

  TextPos undoCaret;
  ASSERT_TRUE(buffer.UndoGroup(undoCaret));
  EXPECT_EQ(buffer.Line(0), "ab");
  EXPECT_EQ(undoCaret, TextPos(2, 0));
  ASSERT_TRUE(buffer.UndoGroup(undoCaret));
  EXPECT_EQ(buffer.Line(0), "");
  EXPECT_EQ(undoCaret, TextPos(0, 0));
  EXPECT_FALSE(buffer.HasUndo());
  EXPECT_FALSE(buffer.UndoGroup(undoCaret));

  ASSERT_TRUE(buffer.RedoGroup(undoCaret));
  EXPECT_EQ(buffer.Line(0), "ab");
  EXPECT_EQ(undoCaret, TextPos(2, 0));
  ASSERT_TRUE(buffer.RedoGroup(undoCaret));
  EXPECT_EQ(buffer.Line(0), "ab cd");
  EXPECT_FALSE(buffer.HasRedo());
  EXPECT_FALSE(buffer.RedoGroup(undoCaret));
}

// Indents a new line like the edit view's automatic indentation.
class IndentingView : public RecordingView {
 public:
  explicit IndentingView(CTextBuffer& buffer) : m_buffer(buffer) {}
  void OnEditAction(int action, const std::string& text) override {
    if (action != UndoTyping || text != "\r\n") return;
    int endLine, endColumn;
    m_buffer.InsertAt(this, caret.line, caret.column, "  ", endLine, endColumn, UndoAutoIndent);
  }

 private:
  CTextBuffer& m_buffer;
};

TEST(TextBufferUndo, ChangesMadeWhileClosingAGroupFormTheirOwnGroup) {
  CTextBuffer buffer;
  buffer.CreateEmpty(EolCrLf);
  IndentingView view(buffer);
  buffer.AttachView(&view);
  view.caret = {0, 0};
  buffer.OpenUndoGroup(false);
  int endLine, endColumn;
  buffer.InsertAt(&view, 0, 0, "\r\n", endLine, endColumn, UndoTyping);
  view.caret = {endColumn, endLine};  // a position at the insertion point stays there
  buffer.CloseUndoGroup(&view);
  EXPECT_EQ(Lines(buffer), (Strings{"", "  "}));
  std::string caption;
  EXPECT_EQ(buffer.UndoCaption(caption), 1);
  EXPECT_EQ(caption, "自动缩进");

  TextPos caret;
  buffer.UndoGroup(caret);
  EXPECT_EQ(Lines(buffer), (Strings{"", ""}));
  EXPECT_EQ(buffer.UndoCaption(caption), 0);
  EXPECT_EQ(caption, "输入");
  buffer.UndoGroup(caret);
  EXPECT_EQ(Lines(buffer), (Strings{""}));
  EXPECT_EQ(buffer.RedoCaption(caption), 0);
  EXPECT_EQ(caption, "输入");
}

TEST(TextBufferUndo, RecordBeyondTheLimitDropsTheWholeOldestGroup) {
  CTextBuffer buffer;
  buffer.CreateEmpty(EolCrLf);
  int endLine, endColumn;
  buffer.OpenUndoGroup(false);
  for (int i = 0; i < 3; ++i) buffer.InsertAt(nullptr, 0, 0, "g", endLine, endColumn, UndoPaste);
  buffer.CloseUndoGroup(nullptr);
  for (int i = 0; i < 1021; ++i) buffer.InsertAt(nullptr, 0, 3, "x", endLine, endColumn, UndoTyping);
  ASSERT_EQ(buffer.UndoRecordCount(), 1024);
  EXPECT_TRUE(buffer.UndoRecord(0).kind & UndoKindGroupStart);
  EXPECT_FALSE(buffer.UndoRecord(1).kind & UndoKindGroupStart);

  buffer.InsertAt(nullptr, 0, 3, "y", endLine, endColumn, UndoTyping);  // the 1025th record
  EXPECT_EQ(buffer.UndoRecordCount(), 1022);
  EXPECT_EQ(buffer.UndoRecord(0).action, UndoTyping);
  EXPECT_TRUE(buffer.UndoRecord(0).kind & UndoKindGroupStart);

  TextPos caret;
  while (buffer.HasUndo()) buffer.UndoGroup(caret);
  EXPECT_EQ(buffer.Line(0), "ggg");
  // The empty text the buffer started from can no longer be reached.
  EXPECT_TRUE(buffer.IsModified());
}

TEST(TextBufferUndo, ModifiedFlagFollowsTheSavedPosition) {
  test::TempFolder folder;
  CTextBuffer buffer;
  buffer.CreateEmpty(EolCrLf);
  EXPECT_FALSE(buffer.IsModified());
  int endLine, endColumn;
  buffer.InsertAt(nullptr, 0, 0, "a", endLine, endColumn);
  EXPECT_TRUE(buffer.IsModified());
  ASSERT_TRUE(buffer.SaveFile(folder.Path("m.sql")));
  EXPECT_FALSE(buffer.IsModified());
  buffer.InsertAt(nullptr, 0, 1, "b", endLine, endColumn);
  EXPECT_TRUE(buffer.IsModified());

  TextPos caret;
  buffer.UndoGroup(caret);  // back to the saved text
  EXPECT_FALSE(buffer.IsModified());
  buffer.UndoGroup(caret);  // before it
  EXPECT_TRUE(buffer.IsModified());
  buffer.RedoGroup(caret);
  EXPECT_FALSE(buffer.IsModified());

  // Saving without clearing keeps the flag and the saved position.
  buffer.RedoGroup(caret);
  ASSERT_TRUE(buffer.SaveFile(folder.Path("copy.sql"), -1, false));
  EXPECT_TRUE(buffer.IsModified());
  buffer.UndoGroup(caret);
  EXPECT_FALSE(buffer.IsModified());
}

TEST(TextBufferUndo, NewEditAfterUndoNeverLooksSaved) {
  test::TempFolder folder;
  CTextBuffer buffer;
  buffer.CreateEmpty(EolCrLf);
  int endLine, endColumn;
  buffer.InsertAt(nullptr, 0, 0, "a", endLine, endColumn);
  buffer.InsertAt(nullptr, 0, 1, "b", endLine, endColumn);
  ASSERT_TRUE(buffer.SaveFile(folder.Path("m.sql")));  // saved as "ab"
  TextPos caret;
  buffer.UndoGroup(caret);
  buffer.InsertAt(nullptr, 0, 1, "c", endLine, endColumn);  // "ac", as many records as "ab"
  EXPECT_TRUE(buffer.IsModified());
  buffer.UndoGroup(caret);
  buffer.RedoGroup(caret);
  EXPECT_EQ(buffer.Line(0), "ac");
  EXPECT_TRUE(buffer.IsModified());
}

TEST(TextBufferUndo, UndoRestoresDeletedLinesHoldingCrBytes) {
  test::TempFolder folder;
  test::WriteBytes(folder.Path("cr.sql"), "top\na\rb\nend\r\nz");
  CTextBuffer buffer;
  ASSERT_TRUE(buffer.LoadFile(folder.Path("cr.sql")));
  ASSERT_EQ(buffer.EolMode(), EolLf);
  const Strings original = Lines(buffer);
  ASSERT_EQ(original, (Strings{"top", "a\rb", "end\r", "z"}));
  ASSERT_TRUE(buffer.DeleteRange(nullptr, 0, 1, 3, 0, UndoDelete));
  ASSERT_TRUE(buffer.DeleteRange(nullptr, 0, 0, 0, 2, UndoDelete));
  TextPos caret;
  buffer.UndoGroup(caret);
  buffer.UndoGroup(caret);
  EXPECT_EQ(Lines(buffer), original);
  EXPECT_EQ(caret, TextPos(0, 3));  // the end of the reinserted text
  buffer.RedoGroup(caret);
  EXPECT_EQ(Lines(buffer), (Strings{"tz"}));
  EXPECT_EQ(caret, TextPos(1, 0));
  ASSERT_TRUE(buffer.SaveFile(folder.Path("cr.sql")));
  buffer.UndoGroup(caret);
  ASSERT_TRUE(buffer.SaveFile(folder.Path("cr.sql")));
  EXPECT_EQ(test::ReadBytes(folder.Path("cr.sql")), "top\na\rb\nend\r\nz");
}

TEST(TextBufferUndo, CaptionsComeFromTheStringTable) {
  CTextBuffer buffer;
  const std::pair<int, const char*> expected[] = {
      {UndoUnknown, "未知"}, {UndoPaste, "粘贴"},         {UndoDeleteSelection, "删除选中区"},
      {UndoCut, "剪切"},     {UndoTyping, "输入"},        {UndoBackspace, "退格"},
      {UndoIndent, "缩进"},  {UndoDragDrop, "拖放"},      {UndoReplace, "替换"},
      {UndoDelete, "删除"},  {UndoAutoIndent, "自动缩进"},
  };
  for (auto [action, text] : expected) {
    std::string caption;
    EXPECT_TRUE(buffer.ActionCaption(action, caption));
    EXPECT_EQ(caption, text);
  }
  std::string untouched = "keep";
  EXPECT_FALSE(buffer.ActionCaption(11, untouched));
  EXPECT_FALSE(buffer.ActionCaption(-1, untouched));
  EXPECT_EQ(untouched, "keep");

  buffer.CreateEmpty(EolCrLf);
  std::string caption = "x";
  EXPECT_EQ(buffer.UndoCaption(caption), -1);
  EXPECT_EQ(caption, "");
  EXPECT_EQ(buffer.RedoCaption(caption), -1);
  int endLine, endColumn;
  buffer.InsertAt(nullptr, 0, 0, "abc", endLine, endColumn, UndoPaste);
  buffer.OpenUndoGroup(false);
  buffer.DeleteRange(nullptr, 0, 0, 0, 1, UndoCut);
  buffer.InsertAt(nullptr, 0, 0, "z", endLine, endColumn, UndoReplace);
  buffer.CloseUndoGroup(nullptr);
  EXPECT_EQ(buffer.UndoCaption(caption), 1);
  EXPECT_EQ(caption, "剪切");
  EXPECT_EQ(buffer.UndoCaption(caption, 1), 0);
  EXPECT_EQ(caption, "粘贴");
  TextPos caret;
  buffer.UndoGroup(caret);
  EXPECT_EQ(buffer.RedoCaption(caption), 1);
  EXPECT_EQ(caption, "剪切");
}

// A buffer whose modified state belongs to a document, as the query
// document's buffer does.
class DocumentBuffer : public CTextBuffer {
 public:
  void MarkModified(bool modified) override { calls.push_back(modified); }
  std::vector<bool> calls;
};

TEST(TextBufferUndo, DerivedBufferReceivesEveryModifiedChange) {
  DocumentBuffer buffer;
  buffer.CreateEmpty(EolCrLf);
  int endLine, endColumn;
  buffer.InsertAt(nullptr, 0, 0, "a", endLine, endColumn);
  buffer.InsertAt(nullptr, 0, 1, "b", endLine, endColumn);
  EXPECT_FALSE(buffer.IsModified());
  EXPECT_EQ(buffer.calls, (std::vector<bool>{true, true}));
  TextPos caret;
  buffer.UndoGroup(caret);
  buffer.UndoGroup(caret);
  // Each raw step reports a change, and so does the first undo (its position
  // differs from the saved one); the buffer's own flag never becomes true, so
  // nothing is ever cleared from here.
  EXPECT_EQ(buffer.calls, (std::vector<bool>{true, true, true, true, true}));
}

}  // namespace
}  // namespace orva
