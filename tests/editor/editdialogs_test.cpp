// The find, replace and go-to-line dialogs, run without a modal loop against
// a real buffer through the search-target interface.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "editor/finddialog.h"
#include "editor/gotolinedialog.h"
#include "editor/replacedialog.h"
#include "editor/textbuffer.h"
#include "editor/textsearch.h"
#include "platform/profile.h"
#include "platform/resource_ids.h"
#include "test_env.h"

namespace orva {
namespace {

// A search target over a buffer: what an edit view does for the dialogs.
class BufferTarget : public IEditSearchTarget {
 public:
  explicit BufferTarget(const std::string& text) {
    buffer.CreateEmpty();
    int line = 0, column = 0;
    buffer.InsertAt(nullptr, 0, 0, text, line, column);
  }
  bool SearchBlock(std::string_view what, TextPos start, TextPos blockStart, TextPos blockEnd, unsigned flags,
                   bool wrap, TextPos& found) override {
    lastFlags = flags;
    lastWrap = wrap;
    LineSource lines{buffer.LineCount(), [this](int line) { return buffer.Line(line); }};
    return FindInBlock(lines, FindRequest{what, start, blockStart, blockEnd, flags, wrap}, found);
  }
  TextPos TextEndPos() const override {
    const int last = buffer.LineCount() - 1;
    return {buffer.LineLength(last), last};
  }
  void SelectHit(TextPos start, TextPos end) override {
    selStart = start;
    selEnd = end;
  }
  bool ReplaceSelection(std::string_view text, TextPos& end) override {
    if (!buffer.DeleteRange(nullptr, selStart.line, selStart.column, selEnd.line, selEnd.column, UndoDeleteSelection))
      return false;
    if (!buffer.InsertAt(nullptr, selStart.line, selStart.column, text, end.line, end.column, UndoReplace))
      return false;
    selStart = selEnd = end;
    return true;
  }
  std::string Text() const {
    std::string text;
    buffer.CopyRange(0, 0, TextEndPos().line, TextEndPos().column, text);
    return text;
  }

  CTextBuffer buffer;
  TextPos selStart, selEnd;
  unsigned lastFlags = 0;
  bool lastWrap = false;
};

template <typename Widget>
Widget* Control(const QWidget& dialog, int id) {
  Widget* widget = FindControl<Widget>(dialog, id);
  EXPECT_NE(widget, nullptr) << "control " << id;
  return widget;
}

QString NotFound(const char* what) { return QStringLiteral("找不到字符串 \"%1\"").arg(QString::fromUtf8(what)); }

class EditDialogsTest : public ::testing::Test {
 protected:
  test::MessageBoxRecorder m_boxes;
};

TEST_F(EditDialogsTest, FindDialogShowsItsControlsAndSelectsAHit) {
  BufferTarget target("one two\r\nTwo three");
  CFindDialog dialog(target, FindSettings{"two", FindWholeWord}, TextPos{4, 0});
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("查找"));
  EXPECT_EQ(Control<QLineEdit>(dialog, IDC_FIND_TEXT)->text(), QStringLiteral("two"));
  EXPECT_EQ(Control<QCheckBox>(dialog, IDC_FIND_WHOLE_WORD)->text(), QStringLiteral("匹配全字词(&W)"));
  EXPECT_TRUE(Control<QCheckBox>(dialog, IDC_FIND_WHOLE_WORD)->isChecked());
  EXPECT_EQ(Control<QCheckBox>(dialog, IDC_FIND_MATCH_CASE)->text(), QStringLiteral("区分大小写(&C)"));
  EXPECT_EQ(Control<QRadioButton>(dialog, IDC_FIND_UP)->text(), QStringLiteral("上(&U)"));
  EXPECT_TRUE(Control<QRadioButton>(dialog, IDC_FIND_DOWN)->isChecked());
  EXPECT_NE(dialog.findChild<QGroupBox*>(), nullptr);
  EXPECT_EQ(dialog.findChild<QGroupBox*>()->title(), QStringLiteral("方向"));
  EXPECT_EQ(dialog.findChild<QLabel*>()->text(), QStringLiteral("查找内容(I):"));
  QPushButton* find = Control<QPushButton>(dialog, kIdOk);
  EXPECT_EQ(find->text(), QStringLiteral("查找(&F)"));
  EXPECT_TRUE(find->isDefault());
  EXPECT_EQ(Control<QPushButton>(dialog, kIdCancel)->text(), QStringLiteral("关闭"));

  // Only searchable text enables the find button.
  Control<QLineEdit>(dialog, IDC_FIND_TEXT)->clear();
  EXPECT_FALSE(find->isEnabled());
  QTest::keyClicks(Control<QLineEdit>(dialog, IDC_FIND_TEXT), "two");
  EXPECT_TRUE(find->isEnabled());

  dialog.show();
  find->click();
  EXPECT_EQ(target.selStart, (TextPos{4, 0}));
  EXPECT_EQ(target.selEnd, (TextPos{7, 0}));
  EXPECT_EQ(target.lastFlags, static_cast<unsigned>(FindWholeWord));
  EXPECT_TRUE(target.lastWrap);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(EditDialogsTest, FindDialogMissStaysOpenAndRestartsAtTheTop) {
  BufferTarget target("alpha\r\nbeta");
  CFindDialog dialog(target, FindSettings{"gamma", 0}, TextPos{2, 1});
  dialog.show();
  Control<QRadioButton>(dialog, IDC_FIND_UP)->setChecked(true);
  Control<QCheckBox>(dialog, IDC_FIND_MATCH_CASE)->setChecked(true);
  EXPECT_FALSE(dialog.FindClicked());
  EXPECT_EQ(target.lastFlags, static_cast<unsigned>(FindUp | FindMatchCase));
  ASSERT_EQ(m_boxes.Count(), 1u);
  EXPECT_EQ(m_boxes.LastText(), NotFound("gamma"));
  EXPECT_EQ(dialog.StartPos(), (TextPos{0, 0}));
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.Settings().flags, static_cast<unsigned>(FindUp | FindMatchCase));
}

TEST_F(EditDialogsTest, RunFindDialogReturnsTheValuesTheDialogClosedWith) {
  BufferTarget target("abc abc");
  DialogHook previous = SetDialogHook([](QDialog& dialog) {
    FindControl<QLineEdit>(dialog, IDC_FIND_TEXT)->setText(QStringLiteral("abc"));
    FindControl<QCheckBox>(dialog, IDC_FIND_MATCH_CASE)->setChecked(true);
    FindControl<QPushButton>(dialog, kIdOk)->click();
    return dialog.result();
  });
  FindSettings settings{"a", 0};
  EXPECT_TRUE(RunFindDialog(target, settings, TextPos{2, 0}, TextPos{2, 0}, nullptr));
  SetDialogHook(previous);
  EXPECT_EQ(settings.what, "abc");
  EXPECT_EQ(settings.flags, static_cast<unsigned>(FindMatchCase));
  EXPECT_EQ(target.selStart, (TextPos{4, 0}));  // searched from the given start
}

TEST_F(EditDialogsTest, ReplaceDialogTakesAndStoresTheReplaceSettings) {
  WriteProfileText("Replace", "FindWhat", "old");
  WriteProfileText("Replace", "ReplaceWith", "new");
  WriteProfileNumber("Replace", "MatchCase", 1);
  BufferTarget target("text");
  {
    CReplaceDialog dialog(target, false, TextPos{}, TextPos{}, TextPos{});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("替换"));
    EXPECT_EQ(Control<QLineEdit>(dialog, IDC_FIND_TEXT)->text(), QStringLiteral("old"));
    EXPECT_EQ(Control<QLineEdit>(dialog, IDC_REPLACE_WITH)->text(), QStringLiteral("new"));
    EXPECT_TRUE(Control<QCheckBox>(dialog, IDC_FIND_MATCH_CASE)->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(dialog, IDC_FIND_WHOLE_WORD)->isChecked());
    EXPECT_FALSE(Control<QRadioButton>(dialog, IDC_REPLACE_IN_SELECTION)->isEnabled());
    EXPECT_TRUE(Control<QRadioButton>(dialog, IDC_REPLACE_IN_FILE)->isChecked());
    EXPECT_EQ(Control<QRadioButton>(dialog, IDC_REPLACE_IN_FILE)->text(), QStringLiteral("当前文件(&N)"));
    EXPECT_EQ(Control<QPushButton>(dialog, IDC_REPLACE_FIND_NEXT)->text(), QStringLiteral("查找(&F)"));
    EXPECT_TRUE(Control<QPushButton>(dialog, IDC_REPLACE_FIND_NEXT)->isDefault());
    EXPECT_EQ(Control<QPushButton>(dialog, IDC_REPLACE_ONE)->text(), QStringLiteral("替换(&R)"));
    EXPECT_EQ(Control<QPushButton>(dialog, IDC_REPLACE_ALL)->text(), QStringLiteral("全部替换(&A)"));
    EXPECT_EQ(Control<QPushButton>(dialog, kIdCancel)->text(), QStringLiteral("关闭"));
    Control<QLineEdit>(dialog, IDC_FIND_TEXT)->clear();
    EXPECT_FALSE(Control<QPushButton>(dialog, IDC_REPLACE_ALL)->isEnabled());
    QTest::keyClicks(Control<QLineEdit>(dialog, IDC_FIND_TEXT), "find me");
    Control<QCheckBox>(dialog, IDC_FIND_MATCH_CASE)->setChecked(false);
    Control<QCheckBox>(dialog, IDC_FIND_WHOLE_WORD)->setChecked(true);
    dialog.show();
    Control<QPushButton>(dialog, kIdCancel)->click();
  }
  EXPECT_EQ(GetProfileText("Replace", "FindWhat", ""), "find me");
  EXPECT_EQ(GetProfileText("Replace", "ReplaceWith", ""), "new");
  EXPECT_EQ(GetProfileNumber("Replace", "MatchCase", -1), 0);
  EXPECT_EQ(GetProfileNumber("Replace", "WholeWord", -1), 1);
  WriteProfileText("Replace", std::nullopt, std::nullopt);
}

// A dialog preset with a search text and a replacement.
struct ReplaceRun {
  ReplaceRun(BufferTarget& target, const char* what, const char* with, bool selection, TextPos start, TextPos end,
             TextPos caret = {})
      : dialog(target, selection, start, end, caret) {
    FindControl<QLineEdit>(dialog, IDC_FIND_TEXT)->setText(QString::fromUtf8(what));
    FindControl<QLineEdit>(dialog, IDC_REPLACE_WITH)->setText(QString::fromUtf8(with));
    FindControl<QCheckBox>(dialog, IDC_FIND_MATCH_CASE)->setChecked(true);
  }
  CReplaceDialog dialog;
};

TEST_F(EditDialogsTest, ReplaceAllOverTheFileEndsWithTheNotFoundMessage) {
  BufferTarget target("a-a\r\nxa");
  ReplaceRun run(target, "a", "bb", false, {}, {}, TextPos{2, 0});
  // The whole-file scope starts at the caret and does not wrap.
  EXPECT_EQ(run.dialog.ReplaceAllClicked(), 2);
  EXPECT_EQ(target.Text(), "a-bb\r\nxbb");
  ASSERT_EQ(m_boxes.Count(), 1u);
  EXPECT_EQ(m_boxes.LastText(), NotFound("a"));
  // After the miss the next run starts at the top.
  m_boxes.Clear();
  EXPECT_EQ(run.dialog.ReplaceAllClicked(), 1);
  EXPECT_EQ(target.Text(), "bb-bb\r\nxbb");
  EXPECT_EQ(m_boxes.Count(), 1u);
}

TEST_F(EditDialogsTest, ReplaceAllInASelectionNeverReachesPastTheBlockEnd) {
  // Shrinking: without moving the block end left, the third "abc" of line 1
  // would slide into the old block and be replaced.
  {
    BufferTarget target("abc\r\nabc abc abc");
    ReplaceRun run(target, "abc", "", true, TextPos{0, 0}, TextPos{7, 1});
    EXPECT_TRUE(run.dialog.InSelectionScope());
    EXPECT_EQ(run.dialog.ReplaceAllClicked(), 3);
    EXPECT_EQ(target.Text(), "\r\n  abc");
    EXPECT_EQ(run.dialog.BlockEnd(), (TextPos{1, 1}));
  }
  // Growing: the block end moves right so the block's own occurrences are
  // all replaced, and the one after it is not.
  {
    BufferTarget target("a a a");
    ReplaceRun run(target, "a", "xyz", true, TextPos{0, 0}, TextPos{3, 0});
    EXPECT_EQ(run.dialog.ReplaceAllClicked(), 2);
    EXPECT_EQ(target.Text(), "xyz xyz a");
    EXPECT_EQ(run.dialog.BlockEnd(), (TextPos{7, 0}));
  }
  // An occurrence that starts inside the block but ends after it is left alone.
  {
    BufferTarget target("abc abc");
    ReplaceRun run(target, "abc", "X", true, TextPos{0, 0}, TextPos{5, 0});
    EXPECT_EQ(run.dialog.ReplaceAllClicked(), 1);
    EXPECT_EQ(target.Text(), "X abc");
  }
  // A replacement with a line break carries the block end to its new line.
  {
    BufferTarget target("a a\r\na");
    ReplaceRun run(target, "a", "1\r\n2", true, TextPos{0, 0}, TextPos{1, 1});
    EXPECT_EQ(run.dialog.ReplaceAllClicked(), 3);
    EXPECT_EQ(target.Text(), "1\r\n2 1\r\n2\r\n1\r\n2");
    EXPECT_EQ(run.dialog.BlockEnd(), (TextPos{1, 4}));
  }
  EXPECT_EQ(m_boxes.Count(), 4u);  // each run ends with the message
}

TEST_F(EditDialogsTest, ReplaceFirstFindsThenReplacesAndMovesOn) {
  BufferTarget target("cat cat cat");
  ReplaceRun run(target, "cat", "dog", false, {}, {}, TextPos{0, 0});
  EXPECT_TRUE(run.dialog.ReplaceClicked());  // no hit yet: only finds
  EXPECT_EQ(target.Text(), "cat cat cat");
  EXPECT_EQ(target.selStart, (TextPos{0, 0}));
  EXPECT_TRUE(run.dialog.ReplaceClicked());
  EXPECT_EQ(target.Text(), "dog cat cat");
  EXPECT_EQ(target.selStart, (TextPos{4, 0}));
  EXPECT_TRUE(run.dialog.FindClicked());  // find again skips the current hit
  EXPECT_EQ(target.selStart, (TextPos{8, 0}));
  EXPECT_FALSE(run.dialog.ReplaceClicked());  // replaces the last, then misses
  EXPECT_EQ(target.Text(), "dog cat dog");
  EXPECT_EQ(m_boxes.Count(), 1u);
  // In the selection scope a miss restarts at the block start.
  BufferTarget other("xx yy xx");
  ReplaceRun inBlock(other, "xx", "z", true, TextPos{3, 0}, TextPos{8, 0});
  EXPECT_TRUE(inBlock.dialog.FindClicked());
  EXPECT_EQ(other.selStart, (TextPos{6, 0}));
  EXPECT_FALSE(inBlock.dialog.FindClicked());
  EXPECT_TRUE(inBlock.dialog.FindClicked());
  EXPECT_EQ(other.selStart, (TextPos{6, 0}));
}

TEST_F(EditDialogsTest, GoToLineDialogTakesDigitsOnly) {
  CGoToLineDialog dialog;
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("跳转到指定行"));
  EXPECT_EQ(dialog.findChild<QLabel*>()->text(), QStringLiteral("请输入指定的行号(&L)："));
  EXPECT_EQ(Control<QPushButton>(dialog, kIdOk)->text(), QStringLiteral("确定"));
  EXPECT_EQ(Control<QPushButton>(dialog, kIdCancel)->text(), QStringLiteral("取消"));
  QLineEdit* number = Control<QLineEdit>(dialog, IDC_GOTO_LINE_NUMBER);
  EXPECT_EQ(number->text(), QStringLiteral("1"));
  number->clear();
  QTest::keyClicks(number, "1-2a3");
  EXPECT_EQ(number->text(), QStringLiteral("123"));
  EXPECT_EQ(dialog.LineNumber(), 123);
  number->setText(QStringLiteral("99999999999999"));
  EXPECT_EQ(dialog.LineNumber(), INT_MAX);

  dialog.show();
  number->clear();
  Control<QPushButton>(dialog, kIdOk)->click();
  EXPECT_EQ(m_boxes.Count(), 1u);  // an empty entry is refused
  EXPECT_TRUE(dialog.isVisible());

  DialogHook previous = SetDialogHook([](QDialog& d) {
    FindControl<QLineEdit>(d, IDC_GOTO_LINE_NUMBER)->setText(QStringLiteral("42"));
    FindControl<QPushButton>(d, kIdOk)->click();
    return d.result();
  });
  int line = 0;
  EXPECT_TRUE(RunGoToLineDialog(nullptr, line));
  EXPECT_EQ(line, 42);
  SetDialogHook([](QDialog& d) {
    FindControl<QPushButton>(d, kIdCancel)->click();
    return d.result();
  });
  line = 7;
  EXPECT_FALSE(RunGoToLineDialog(nullptr, line));
  EXPECT_EQ(line, 7);
  SetDialogHook(previous);
}

}  // namespace
}  // namespace orva
