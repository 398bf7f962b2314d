// The editing view driven by keys, commands and drop events, on a real buffer.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <fstream>

#include "editor/replacedialog.h"
#include "editor/texteditview.h"
#include "platform/resource_ids.h"
#include "test_env.h"
#include "textview_test_util.h"

namespace orva {
namespace {

using test::Key;
using test::PointAt;

// Drags with the mouse: a press inside the selection of `source`, a move far
// enough to start the drag, and a release. The platform's drag loop is
// replaced by one that delivers the drag to `target` at `to`, as a pointer
// moved there and released would.
Qt::DropAction DragWithMouse(CTextView& source, QPoint from, CTextView& target, QPoint to,
                             Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  Qt::DropAction result = Qt::IgnoreAction;
  bool started = false;
  CTextView::SetDragLoop([&](QDrag& drag, Qt::DropActions actions) {
    started = true;
    QDragEnterEvent enter(to, actions, drag.mimeData(), Qt::LeftButton, modifiers);
    QApplication::sendEvent(target.viewport(), &enter);
    if (!enter.isAccepted()) return result = Qt::IgnoreAction;
    QDropEvent drop(to, actions, drag.mimeData(), Qt::LeftButton, modifiers);
    QApplication::sendEvent(target.viewport(), &drop);
    return result = drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
  });
  QTest::mousePress(source.viewport(), Qt::LeftButton, Qt::NoModifier, from);
  const QPoint away = from + QPoint(QApplication::startDragDistance() + 4, 0);
  QMouseEvent move(QEvent::MouseMove, away, source.viewport()->mapToGlobal(away), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(source.viewport(), &move);
  QTest::mouseRelease(source.viewport(), Qt::LeftButton, Qt::NoModifier, away);
  CTextView::SetDragLoop(nullptr);
  EXPECT_TRUE(started) << "the mouse did not start a drag";
  return result;
}

class TextEditViewTest : public ::testing::Test {
 protected:
  // Loaded from a file, so that the text starts without undo history.
  void Load(const std::vector<std::string>& lines) {
    const std::string path = m_dir.filePath(QStringLiteral("text.sql")).toStdString();
    std::ofstream(path, std::ios::binary) << test::JoinLines(lines);
    ASSERT_TRUE(m_buffer.LoadFile(path, EolCrLf));
    m_view = test::MakeView<CTextEditView>(m_buffer);
    m_view->setFocus();
  }
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (int i = 0; i < m_buffer.LineCount(); ++i) lines.emplace_back(m_buffer.Line(i));
    return lines;
  }
  void Caret(TextPos pos) {
    m_view->SetCaretPos(pos);
    m_view->SetAnchor(pos);
    m_view->SetSelection(pos, pos);
  }
  void Select(TextPos start, TextPos end) {
    m_view->SetAnchor(start);
    m_view->SetCaretPos(end);
    m_view->SetSelection(start, end);
  }
  void TypeUnicode(const QString& text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QApplication::sendEvent(m_view.get(), &press);
  }
  QString CommandText(int id) {
    CmdUI ui(id);
    EXPECT_TRUE(m_view->OnUpdateCommand(id, ui));
    return ui.Text().value_or(QString());
  }
  bool Enabled(int id) {
    CmdUI ui(id);
    EXPECT_TRUE(m_view->OnUpdateCommand(id, ui));
    return ui.IsEnabled();
  }

  QTemporaryDir m_dir;
  test::MessageBoxRecorder m_boxes;
  CTextBuffer m_buffer;
  std::unique_ptr<CTextEditView> m_view;
  // Drags the view's selection from its start onto a point of the same view.
  Qt::DropAction DragSelectionTo(QPoint to, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    TextPos start, end;
    m_view->GetSelection(start, end);
    const QPoint from = PointAt(*m_view, start.line, m_view->DisplayColumnOfPos(start));
    return DragWithMouse(*m_view, from, *m_view, to, modifiers);
  }
};

TEST_F(TextEditViewTest, TypingGroupsAtSpacesAndUndoTextsCarryCaptions) {
  Load({"x"});
  Caret({1, 0});
  EXPECT_EQ(CommandText(ID_EDIT_UNDO), QStringLiteral("取消(&U)\tCtrl+Z"));
  EXPECT_FALSE(Enabled(ID_EDIT_UNDO));
  QTest::keyClicks(m_view.get(), "ab c");
  EXPECT_EQ(Lines(), (std::vector<std::string>{"xab c"}));
  EXPECT_EQ(m_view->CaretPos(), (TextPos{5, 0}));
  EXPECT_EQ(CommandText(ID_EDIT_UNDO), QStringLiteral("取消(&U) 输入\tCtrl+Z"));
  EXPECT_EQ(CommandText(ID_EDIT_REDO), QStringLiteral("重做(&R)\tCtrl+Y"));
  Key(*m_view, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"xab"}));
  EXPECT_EQ(CommandText(ID_EDIT_REDO), QStringLiteral("重做(&R) 输入\tCtrl+Y"));
  EXPECT_TRUE(Enabled(ID_EDIT_REDO));
  Key(*m_view, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"x"}));
  EXPECT_FALSE(Enabled(ID_EDIT_UNDO));
  Key(*m_view, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"xab"}));
}

TEST_F(TextEditViewTest, EnterIndentsAsItsOwnUndoStep) {
  Load({" \tselect"});
  Caret({8, 0});
  Key(*m_view, Qt::Key_Return);
  EXPECT_EQ(Lines(), (std::vector<std::string>{" \tselect", " \t"}));
  EXPECT_EQ(m_view->CaretPos(), (TextPos{2, 1}));
  EXPECT_EQ(CommandText(ID_EDIT_UNDO), QStringLiteral("取消(&U) 自动缩进\tCtrl+Z"));
  m_view->Undo();
  EXPECT_EQ(Lines(), (std::vector<std::string>{" \tselect", ""}));
  m_view->Undo();
  EXPECT_EQ(Lines(), (std::vector<std::string>{" \tselect"}));

  // With a selection Enter replaces it; an unindented line gets no indent.
  Load({"abcd"});
  Select({1, 0}, {3, 0});
  Key(*m_view, Qt::Key_Enter);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"a", "d"}));
}

TEST_F(TextEditViewTest, OverwriteModeEnterAndTypingAndTab) {
  Load({"  ab", "c\xD6\xD0z", "last"});
  Key(*m_view, Qt::Key_Insert);
  EXPECT_TRUE(m_view->Overwrite());
  CmdUI ovr(ID_INDICATOR_OVR);
  m_view->OnUpdateCommand(ID_INDICATOR_OVR, ovr);
  EXPECT_TRUE(ovr.IsEnabled());
  // Not on the last line: Enter only moves to the next line's start.
  Caret({3, 0});
  Key(*m_view, Qt::Key_Return);
  EXPECT_EQ(m_view->CaretPos(), (TextPos{0, 1}));
  EXPECT_EQ(Lines().size(), 3u);
  // Typing over a double-byte character replaces the whole character.
  Caret({1, 1});
  QTest::keyClicks(m_view.get(), "y");
  EXPECT_EQ(Lines()[1], "cyz");
  // On the last line Enter breaks it, without indentation.
  Caret({2, 2});
  Key(*m_view, Qt::Key_Return);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"  ab", "cyz", "la", "st"}));
  // Tab moves to the next tab stop without changing the text.
  Caret({1, 0});
  Key(*m_view, Qt::Key_Tab);
  EXPECT_EQ(m_view->CaretPos(), (TextPos{4, 0}));
  EXPECT_EQ(Lines()[0], "  ab");
  Key(*m_view, Qt::Key_Insert);
  EXPECT_FALSE(m_view->Overwrite());
}

TEST_F(TextEditViewTest, TabIndentsTheSelectedBlockAndShiftTabUnindents) {
  Load({"l0", "l1", "l2", "l3", "l4", "l5"});
  Select({0, 2}, {0, 5});
  Key(*m_view, Qt::Key_Tab);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"l0", "l1", "\tl2", "\tl3", "\tl4", "l5"}));
  TextPos start, end;
  m_view->GetSelection(start, end);
  EXPECT_EQ(start, (TextPos{0, 2}));
  EXPECT_EQ(end, (TextPos{0, 5}));
  m_view->Undo();  // one step for the whole block
  EXPECT_EQ(Lines(), (std::vector<std::string>{"l0", "l1", "l2", "l3", "l4", "l5"}));

  Load({"  \tx", "      y", "", "\t\tz", "w"});
  Select({0, 0}, {1, 3});
  Key(*m_view, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"x", "  y", "", "\tz", "w"}));
  m_view->Undo();
  EXPECT_EQ(Lines()[0], "  \tx");

  // Without a selection: a tab byte at the caret, and back to the previous stop.
  Load({"ab"});
  Caret({1, 0});
  Key(*m_view, Qt::Key_Tab);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"a\tb"}));
  EXPECT_EQ(m_view->CaretPos(), (TextPos{2, 0}));
  Caret({3, 0});  // display column 5
  Key(*m_view, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(m_view->CaretPos(), (TextPos{2, 0}));  // display column 4
  Key(*m_view, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(m_view->CaretPos(), (TextPos{0, 0}));
  EXPECT_EQ(Lines(), (std::vector<std::string>{"a\tb"}));
}

TEST_F(TextEditViewTest, DoubleByteCharactersTypeAndDeleteWhole) {
  Load({"a"});
  Caret({1, 0});
  TypeUnicode(QStringLiteral("中"));
  EXPECT_EQ(Lines()[0], "a\xD6\xD0");
  const UndoStep& typed = m_buffer.UndoRecord(m_buffer.UndoRecordCount() - 1);
  EXPECT_EQ(typed.text, "\xD6\xD0");  // one insertion of both bytes
  EXPECT_EQ(m_view->CaretPos(), (TextPos{3, 0}));
  Key(*m_view, Qt::Key_Backspace);
  EXPECT_EQ(Lines()[0], "a");
  EXPECT_EQ(m_buffer.UndoRecord(m_buffer.UndoRecordCount() - 1).action, UndoBackspace);

  Load({"\xD6\xD0x", "y"});
  Caret({0, 0});
  Key(*m_view, Qt::Key_Delete);
  EXPECT_EQ(Lines()[0], "x");
  Caret({1, 0});
  Key(*m_view, Qt::Key_Delete);  // at the line end: joins the next line
  EXPECT_EQ(Lines(), (std::vector<std::string>{"xy"}));
  Caret({2, 0});
  Key(*m_view, Qt::Key_Delete);  // at the text end: nothing
  EXPECT_EQ(Lines(), (std::vector<std::string>{"xy"}));
  Caret({0, 0});
  Key(*m_view, Qt::Key_Backspace);  // at the text start: nothing
  EXPECT_EQ(Lines(), (std::vector<std::string>{"xy"}));
}

TEST_F(TextEditViewTest, DeleteWordBackAndBackspaceJoinLines) {
  Load({"select from", "where"});
  Caret({11, 0});
  Key(*m_view, Qt::Key_Backspace, Qt::ControlModifier);
  EXPECT_EQ(Lines()[0], "select ");
  Caret({0, 1});
  Key(*m_view, Qt::Key_Backspace, Qt::ControlModifier);  // from column 0: the word before the line break
  EXPECT_EQ(Lines(), (std::vector<std::string>{"where"}));
  Load({"ab", "cd"});
  Caret({0, 1});
  Key(*m_view, Qt::Key_Backspace);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"abcd"}));
  EXPECT_EQ(m_view->CaretPos(), (TextPos{2, 0}));
}

TEST_F(TextEditViewTest, CutAndPasteGoThroughTheClipboard) {
  Load({"one two", "three"});
  Select({4, 0}, {2, 1});
  Key(*m_view, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("two\r\nth"));
  EXPECT_EQ(Lines(), (std::vector<std::string>{"one ree"}));
  // Text from other programs breaks lines on a bare LF too.
  QApplication::clipboard()->setText(QStringLiteral("A\nB"));
  Select({0, 0}, {3, 0});
  Key(*m_view, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"A", "B ree"}));
  EXPECT_EQ(m_view->CaretPos(), (TextPos{1, 1}));
  m_view->Undo();  // paste and the replaced selection go together
  EXPECT_EQ(Lines(), (std::vector<std::string>{"one ree"}));
}

TEST_F(TextEditViewTest, ReadOnlyBufferBlocksEveryEditingCommand) {
  Load({"  keep", "this"});
  QApplication::clipboard()->setText(QStringLiteral("zz"));
  Select({0, 0}, {2, 1});
  m_buffer.SetReadOnly(true);
  QTest::keyClicks(m_view.get(), "q");
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Delete, Qt::Key_Backspace, Qt::Key_Tab, Qt::Key_Backtab}) Key(*m_view, key);
  for (int id : {ID_EDIT_CUT, ID_EDIT_PASTE, ID_EDIT_UNDO, ID_EDIT_DELETE_WORD_BACK, ID_EDIT_REPLACE}) {
    m_view->OnCommand(id);
    EXPECT_FALSE(Enabled(id)) << id;
  }
  EXPECT_EQ(Lines(), (std::vector<std::string>{"  keep", "this"}));
  EXPECT_FALSE(m_view->IsEditable());
  EXPECT_TRUE(Enabled(ID_INDICATOR_READ_ONLY));
  EXPECT_FALSE(Enabled(ID_INDICATOR_EDITOR_SPARE));
  EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(TextEditViewTest, ReplaceAllInASelectionStaysInsideTheBlock) {
  Load({"abc abc", "abc abc abc tail"});
  Select({0, 0}, {7, 1});
  DialogHook previous = SetDialogHook([](QDialog& dialog) {
    FindControl<QLineEdit>(dialog, IDC_FIND_TEXT)->setText(QStringLiteral("abc"));
    FindControl<QLineEdit>(dialog, IDC_REPLACE_WITH)->setText(QString());
    EXPECT_TRUE(FindControl<QRadioButton>(dialog, IDC_REPLACE_IN_SELECTION)->isChecked());
    FindControl<QPushButton>(dialog, IDC_REPLACE_ALL)->click();
    FindControl<QPushButton>(dialog, 2)->click();
    return dialog.result();
  });
  Key(*m_view, Qt::Key_H, Qt::ControlModifier);
  SetDialogHook(previous);
  EXPECT_EQ(Lines(), (std::vector<std::string>{" ", "  abc tail"}));
  EXPECT_EQ(m_boxes.Count(), 1u);  // the run ends with the not-found message
  // The selection the dialog ran on comes back, moved with the changes.
  TextPos start, end;
  m_view->GetSelection(start, end);
  EXPECT_EQ(start, (TextPos{0, 0}));
  EXPECT_EQ(end, (TextPos{1, 1}));
  m_view->Undo();
  EXPECT_EQ(Lines()[1], " abc abc tail");  // each replacement is one step
}

TEST_F(TextEditViewTest, DroppingOntoTheDraggedTextChangesNothing) {
  // After an Enter the last recorded action is a line break: a drag that
  // changes nothing must not set off automatic indentation again.
  Load({"abc", "    from t", "    where x"});
  Caret({3, 0});
  Key(*m_view, Qt::Key_Return);
  ASSERT_EQ(Lines(), (std::vector<std::string>{"abc", "", "    from t", "    where x"}));
  Select({4, 3}, {9, 3});
  const int undoSteps = m_buffer.UndoRecordCount();
  EXPECT_EQ(DragSelectionTo(PointAt(*m_view, 3, 6)), Qt::IgnoreAction);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"abc", "", "    from t", "    where x"}));
  EXPECT_EQ(m_buffer.UndoRecordCount(), undoSteps);
  EXPECT_EQ(m_view->CaretPos(), (TextPos{6, 3}));
  EXPECT_FALSE(m_view->IsSelection());
}

TEST_F(TextEditViewTest, ActionsThatChangeNothingDoNotIndent) {
  Load({"abc", "    from t", "    where x"});
  Caret({3, 0});
  Key(*m_view, Qt::Key_Return);
  const std::vector<std::string> afterEnter{"abc", "", "    from t", "    where x"};
  ASSERT_EQ(Lines(), afterEnter);
  // A paste with an empty clipboard.
  QApplication::clipboard()->clear();
  Caret({6, 3});
  Key(*m_view, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Lines(), afterEnter);
  // An empty insertion as one step.
  TextPos end;
  EXPECT_TRUE(m_view->InsertAsStep({6, 3}, "", UndoPaste, end));
  EXPECT_EQ(Lines(), afterEnter);
  // A selection copied out to another document leaves this one unchanged.
  CTextBuffer other;
  other.CreateEmpty();
  auto target = test::MakeView<CTextEditView>(other);
  Select({4, 3}, {9, 3});
  EXPECT_EQ(DragWithMouse(*m_view, PointAt(*m_view, 3, 5), *target, PointAt(*target, 0, 0), Qt::ControlModifier),
            Qt::CopyAction);
  EXPECT_EQ(Lines(), afterEnter);
  EXPECT_EQ(std::string(other.Line(0)), "where");
}

TEST_F(TextEditViewTest, UndoRestoresABlockLargerThanTheUndoLimit) {
  Load(std::vector<std::string>(1100, "line"));
  Key(*m_view, Qt::Key_A, Qt::ControlModifier);
  Key(*m_view, Qt::Key_Tab);
  ASSERT_EQ(Lines(), std::vector<std::string>(1100, "\tline"));
  Key(*m_view, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Lines(), std::vector<std::string>(1100, "line"));
  EXPECT_FALSE(m_buffer.HasUndo());
  Key(*m_view, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(Lines(), std::vector<std::string>(1100, "\tline"));
  // The next group makes room again by dropping whole old groups.
  QTest::keyClicks(m_view.get(), " ");
  EXPECT_LE(m_buffer.UndoRecordCount(), 1024);
  Key(*m_view, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Lines(), std::vector<std::string>(1100, "\tline"));
  EXPECT_FALSE(m_buffer.HasUndo());
}

TEST_F(TextEditViewTest, BytesWithoutUnicodeFormSurviveCutPasteAndDrag) {
  // 0x80 (the euro sign of code page 936), 0xFF and a lone lead byte at the end.
  const std::string odd = "a\x80" "b\xFF" "c\x81";
  Load({odd, "tail"});
  Select({0, 0}, {0, 1});
  Key(*m_view, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"tail"}));
  Caret({4, 0});
  Key(*m_view, Qt::Key_Return);
  Key(*m_view, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"tail", odd, ""}));
  // Other programs still get plain text.
  EXPECT_TRUE(QApplication::clipboard()->mimeData()->hasText());

  // Moved by dragging, within the view.
  Select({0, 1}, {6, 1});
  EXPECT_EQ(DragSelectionTo(PointAt(*m_view, 0, 2)), Qt::MoveAction);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"ta" + odd + "il", "", ""}));
}

TEST_F(TextEditViewTest, InputMethodComposesAtTheCaretAndCommitsOneStep) {
  // What an input method asks the focused widget, the way it asks it.
  const auto ImQuery = [this](Qt::InputMethodQuery query) {
    QInputMethodQueryEvent event(query);
    QApplication::sendEvent(m_view.get(), &event);
    return event.value(query);
  };
  Load({"select  from t"});
  Caret({7, 0});
  QApplication::processEvents();
  const QImage before = m_view->viewport()->grab().toImage();
  QInputMethodEvent compose(QStringLiteral("zhongwen"), {});
  QApplication::sendEvent(m_view.get(), &compose);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"select  from t"}));  // nothing inserted while composing
  // The composed text is drawn at the caret, over what follows it.
  const QImage during = m_view->viewport()->grab().toImage();
  const QPoint caret = m_view->TextToClient({7, 0});
  const QRect afterCaret(caret.x() + 3, caret.y(), 5 * m_view->CharWidthPx(), m_view->LineHeightPx());
  EXPECT_NE(before.copy(afterCaret), during.copy(afterCaret));
  // The candidate window is placed at the caret, after the composed text.
  const QRect box = ImQuery(Qt::ImCursorRectangle).toRect();
  const QPoint caretInView = m_view->viewport()->mapTo(m_view.get(), caret);
  EXPECT_EQ(box.top(), caretInView.y());
  EXPECT_GT(box.left(), caretInView.x() + 4 * m_view->CharWidthPx());
  EXPECT_EQ(box.height(), m_view->LineHeightPx());
  EXPECT_EQ(ImQuery(Qt::ImSurroundingText).toString(), QStringLiteral("select  from t"));
  EXPECT_EQ(ImQuery(Qt::ImCursorPosition).toInt(), 7);
  EXPECT_TRUE(ImQuery(Qt::ImEnabled).toBool());

  QInputMethodEvent commit;
  commit.setCommitString(QStringLiteral("中文 名称"));
  QApplication::sendEvent(m_view.get(), &commit);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"select \xD6\xD0\xCE\xC4 \xC3\xFB\xB3\xC6 from t"}));
  EXPECT_EQ(m_view->CaretPos(), (TextPos{16, 0}));
  EXPECT_TRUE(m_view->PreeditText().isEmpty());
  Key(*m_view, Qt::Key_Z, Qt::ControlModifier);  // the whole commit is one step
  EXPECT_EQ(Lines(), (std::vector<std::string>{"select  from t"}));
}

TEST_F(TextEditViewTest, FindUpwardsFromTheDialogWalksBackwards) {
  Load({"ab ab ab"});
  Caret({8, 0});
  DialogHook previous = SetDialogHook([](QDialog& dialog) {
    FindControl<QLineEdit>(dialog, IDC_FIND_TEXT)->setText(QStringLiteral("ab"));
    FindControl<QRadioButton>(dialog, IDC_FIND_UP)->setChecked(true);
    FindControl<QPushButton>(dialog, 1)->click();
    return dialog.result();
  });
  TextPos start, end;
  Key(*m_view, Qt::Key_F, Qt::ControlModifier);
  m_view->GetSelection(start, end);
  EXPECT_EQ(start, (TextPos{6, 0}));
  Key(*m_view, Qt::Key_F, Qt::ControlModifier);
  m_view->GetSelection(start, end);
  EXPECT_EQ(start, (TextPos{3, 0}));
  SetDialogHook(previous);
  EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(TextEditViewTest, DroppingElsewhereMovesOrCopiesAsOneUndoStep) {
  Load({"abcdef", "gh"});
  Select({1, 0}, {3, 0});
  EXPECT_EQ(DragSelectionTo(PointAt(*m_view, 0, 5)), Qt::MoveAction);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"adebcf", "gh"}));
  TextPos start, end;
  m_view->GetSelection(start, end);
  EXPECT_EQ(start, (TextPos{3, 0}));  // the dropped text is selected
  EXPECT_EQ(end, (TextPos{5, 0}));
  EXPECT_EQ(CommandText(ID_EDIT_UNDO), QStringLiteral("取消(&U) 拖放\tCtrl+Z"));
  m_view->Undo();
  EXPECT_EQ(Lines(), (std::vector<std::string>{"abcdef", "gh"}));

  // Ctrl copies, onto another line.
  Select({1, 0}, {3, 0});
  EXPECT_EQ(DragSelectionTo(PointAt(*m_view, 1, 1), Qt::ControlModifier), Qt::CopyAction);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"abcdef", "gbch"}));
}

TEST_F(TextEditViewTest, DropTargetRefusesWhenReadOnlyAndShowsItsCaret) {
  Load({"abc"});
  QMimeData data;
  data.setText(QStringLiteral("x"));
  const QPoint point = PointAt(*m_view, 0, 1);
  QDragEnterEvent enter(point, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(m_view->viewport(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_EQ(enter.dropAction(), Qt::MoveAction);
  EXPECT_TRUE(m_view->IsDropCaretShown());
  EXPECT_EQ(m_view->DropCaretPos(), (TextPos{1, 0}));
  QDragLeaveEvent leave;
  QApplication::sendEvent(m_view->viewport(), &leave);
  EXPECT_FALSE(m_view->IsDropCaretShown());

  // A drop from outside is one undo step of its own.
  QDragEnterEvent again(point, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(m_view->viewport(), &again);
  QDropEvent drop(point, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(m_view->viewport(), &drop);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"axbc"}));
  m_view->Undo();
  EXPECT_EQ(Lines(), (std::vector<std::string>{"abc"}));

  m_buffer.SetReadOnly(true);
  QDragEnterEvent refused(point, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(m_view->viewport(), &refused);
  EXPECT_FALSE(refused.isAccepted());
  EXPECT_FALSE(m_view->IsDropCaretShown());
}

TEST_F(TextEditViewTest, DraggingNearAnEdgeScrolls) {
  std::vector<std::string> lines(100, std::string(200, 'x'));
  Load(lines);
  QMimeData data;
  data.setText(QStringLiteral("x"));
  const QSize size = m_view->viewport()->size();
  const auto dragTo = [&](QPoint point) {
    QDragMoveEvent move(point, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_view->viewport(), &move);
    return move.isAccepted();
  };
  QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(m_view->viewport(), &enter);
  EXPECT_TRUE(dragTo(QPoint(100, size.height() - 2)));
  EXPECT_EQ(m_view->TopLine(), 1);
  dragTo(QPoint(size.width() - 2, 100));
  EXPECT_EQ(m_view->OffsetChar(), 1);
  dragTo(QPoint(100, 100));  // away from the edges nothing moves
  EXPECT_EQ(m_view->TopLine(), 1);
  EXPECT_EQ(m_view->OffsetChar(), 1);
  dragTo(QPoint(100, 2));
  EXPECT_EQ(m_view->TopLine(), 0);
  dragTo(QPoint(m_view->MarginWidth() + 2, 100));
  EXPECT_EQ(m_view->OffsetChar(), 0);
  QDragLeaveEvent leave;
  QApplication::sendEvent(m_view->viewport(), &leave);
}

TEST_F(TextEditViewTest, FindAndGoToDialogsRunFromTheViewKeys) {
  Load({"alpha beta", "gamma beta"});
  Caret({6, 0});  // the search starts at the caret
  DialogHook previous = SetDialogHook([](QDialog& dialog) {
    FindControl<QLineEdit>(dialog, IDC_FIND_TEXT)->setText(QStringLiteral("beta"));
    FindControl<QPushButton>(dialog, 1)->click();
    return dialog.result();
  });
  Key(*m_view, Qt::Key_F, Qt::ControlModifier);
  TextPos start, end;
  m_view->GetSelection(start, end);
  EXPECT_EQ(start, (TextPos{6, 0}));
  EXPECT_EQ(end, (TextPos{10, 0}));
  Key(*m_view, Qt::Key_F3);  // find next uses what the dialog searched
  m_view->GetSelection(start, end);
  EXPECT_EQ(start, (TextPos{6, 1}));

  SetDialogHook([](QDialog& dialog) {
    FindControl<QLineEdit>(dialog, IDC_GOTO_LINE_NUMBER)->setText(QStringLiteral("2"));
    FindControl<QPushButton>(dialog, 1)->click();
    return dialog.result();
  });
  Caret({3, 0});
  Key(*m_view, Qt::Key_G, Qt::ControlModifier);
  SetDialogHook(previous);
  EXPECT_EQ(m_view->CaretPos(), (TextPos{0, 1}));
  EXPECT_EQ(m_boxes.Count(), 0u);
}

}  // namespace
}  // namespace orva
