#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>

#include "grid/gridctrl.h"
#include "grid/inplaceedit.h"
#include "platform/resource_ids.h"
#include "grid_test_util.h"

namespace orva {
namespace {

using test::ShownGrid;

QString EditorText(CGridCtrl* grid) { return grid->InPlaceEditor() ? grid->InPlaceEditor()->text() : QString(); }

TEST(GridEditing, F2OpensTheEditorAndEnterStoresTheText) {
  ShownGrid g;
  g.Click(2, 2);
  g.owner.notes.clear();
  g.Key(Qt::Key_F2);
  GridInPlaceEdit* editor = g.grid->InPlaceEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->text(), QStringLiteral("2,2"));
  EXPECT_EQ(editor->cursorPosition(), 3);  // caret at the end
  EXPECT_FALSE(editor->hasSelectedText());
  EXPECT_EQ(g.owner.Codes(), (std::vector<int>{GVN_BEGINLABELEDIT}));
  QTest::keyClicks(editor, "x");
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_EQ(g.grid->InPlaceEditor(), nullptr);
  EXPECT_EQ(g.grid->GetItemText(2, 2), "2,2x");
  EXPECT_TRUE(g.grid->GetItemState(2, 2) & GVIS_MODIFIED);
  EXPECT_EQ(g.owner.Codes(), (std::vector<int>{GVN_BEGINLABELEDIT, GVN_ENDLABELEDIT}));
  EXPECT_EQ(g.grid->GetFocusCell(), (CellId{2, 2}));  // Enter does not move
  EXPECT_TRUE(g.grid->hasFocus());
}

TEST(GridEditing, ATypedCharacterReplacesTheText) {
  ShownGrid g;
  g.Click(1, 1);
  QTest::keyClicks(g.grid, "q");
  ASSERT_NE(g.grid->InPlaceEditor(), nullptr);
  EXPECT_EQ(EditorText(g.grid), QStringLiteral("q"));
  QTest::keyClicks(g.grid->InPlaceEditor(), "rs");
  QTest::keyClick(g.grid->InPlaceEditor(), Qt::Key_Enter);
  EXPECT_EQ(g.grid->GetItemText(1, 1), "qrs");

  // Ctrl and Esc do not open an editor.
  g.Key(Qt::Key_Escape);
  g.Key(Qt::Key_Q, Qt::ControlModifier);
  EXPECT_EQ(g.grid->InPlaceEditor(), nullptr);
}

TEST(GridEditing, AClickOnTheFocusCellOpensTheEditorOnRelease) {
  ShownGrid g;
  g.Click(3, 2);
  EXPECT_EQ(g.grid->InPlaceEditor(), nullptr);  // the first click only moves the focus
  QTest::mousePress(g.grid->viewport(), Qt::LeftButton, {}, g.Center(3, 2));
  EXPECT_EQ(g.grid->InPlaceEditor(), nullptr);
  QTest::mouseRelease(g.grid->viewport(), Qt::LeftButton, {}, g.Center(3, 2));
  ASSERT_NE(g.grid->InPlaceEditor(), nullptr);
  EXPECT_EQ(g.grid->InPlaceEditor()->Row(), 3);
  // Opened by a click, Up and Down move the caret instead of ending the edit.
  QTest::keyClick(g.grid->InPlaceEditor(), Qt::Key_Up);
  ASSERT_NE(g.grid->InPlaceEditor(), nullptr);
  EXPECT_EQ(g.grid->GetFocusCell(), (CellId{3, 2}));
  // With Ctrl they end it; the focus moves up and editing goes on there.
  QTest::keyClick(g.grid->InPlaceEditor(), Qt::Key_Up, Qt::ControlModifier);
  EXPECT_EQ(g.grid->GetFocusCell(), (CellId{2, 2}));
  ASSERT_NE(g.grid->InPlaceEditor(), nullptr);
  EXPECT_EQ(g.grid->InPlaceEditor()->Row(), 2);
}

TEST(GridEditing, EscRestoresAndTabMovesOnAndKeepsEditing) {
  ShownGrid g;
  g.Click(1, 3);
  g.Key(Qt::Key_F2);
  QTest::keyClicks(g.grid->InPlaceEditor(), "zzz");
  g.owner.notes.clear();
  QTest::keyClick(g.grid->InPlaceEditor(), Qt::Key_Escape);
  EXPECT_EQ(g.grid->GetItemText(1, 3), "1,3");
  EXPECT_EQ(g.owner.Count(GVN_ENDLABELEDIT), 0);
  EXPECT_FALSE(g.grid->GetItemState(1, 3) & GVIS_MODIFIED);

  g.Key(Qt::Key_F2);
  QTest::keyClicks(g.grid->InPlaceEditor(), "!");
  QTest::keyClick(g.grid->InPlaceEditor(), Qt::Key_Tab);
  EXPECT_EQ(g.grid->GetItemText(1, 3), "1,3!");
  EXPECT_EQ(g.grid->GetFocusCell(), (CellId{1, 4}));
  ASSERT_NE(g.grid->InPlaceEditor(), nullptr);  // editing goes on in the next cell
  EXPECT_EQ(g.grid->InPlaceEditor()->Column(), 4);
  EXPECT_EQ(g.grid->InPlaceEditor()->selectedText(), QStringLiteral("1,4"));
  QTest::keyClick(g.grid->InPlaceEditor(), Qt::Key_Tab);  // wraps to the next row
  EXPECT_EQ(g.grid->GetFocusCell(), (CellId{2, 1}));
  QTest::keyClick(g.grid->InPlaceEditor(), Qt::Key_Escape);
  EXPECT_EQ(g.grid->InPlaceEditor(), nullptr);
}

TEST(GridEditing, OwnerAnswersForbidAnEditOrRestoreTheOldText) {
  ShownGrid g;
  g.Click(2, 1);
  g.owner.answers[GVN_BEGINLABELEDIT] = -1;
  g.Key(Qt::Key_F2);
  EXPECT_EQ(g.grid->InPlaceEditor(), nullptr);

  g.owner.answers.clear();
  g.owner.answers[GVN_ENDLABELEDIT] = -1;
  g.Key(Qt::Key_F2);
  ASSERT_NE(g.grid->InPlaceEditor(), nullptr);
  QTest::keyClicks(g.grid->InPlaceEditor(), "new");
  QTest::keyClick(g.grid->InPlaceEditor(), Qt::Key_Return);
  EXPECT_EQ(g.grid->GetItemText(2, 1), "2,1");
  EXPECT_FALSE(g.grid->GetItemState(2, 1) & GVIS_MODIFIED);

  // The owner sees the new text while it decides.
  std::string seen;
  g.owner.answers.clear();
  g.owner.onNotify = [&](GridNotify& note) {
    if (note.hdr.code == GVN_ENDLABELEDIT) seen = g.grid->GetItemText(note.row, note.column);
  };
  g.Key(Qt::Key_F2);
  QTest::keyClicks(g.grid->InPlaceEditor(), "+");
  QTest::keyClick(g.grid->InPlaceEditor(), Qt::Key_Return);
  EXPECT_EQ(seen, "2,1+");
}

TEST(GridEditing, ReadOnlyCellsFixedCellsAndReadOnlyGridsAreNotEdited) {
  ShownGrid g;
  g.grid->SetItemState(1, 1, g.grid->GetItemState(1, 1) | GVIS_READONLY);
  g.Click(1, 1);
  g.Key(Qt::Key_F2);
  EXPECT_EQ(g.grid->InPlaceEditor(), nullptr);
  g.grid->StartCellEdit(0, 1, QPoint(), 0);
  EXPECT_EQ(g.grid->InPlaceEditor(), nullptr);
  g.grid->SetEditable(false);
  g.Click(2, 2);
  g.Click(2, 2);
  EXPECT_EQ(g.grid->InPlaceEditor(), nullptr);
}

TEST(GridEditing, LosingTheFocusEndsTheEdit) {
  ShownGrid g;
  QWidget other(&g.owner);
  other.setFocusPolicy(Qt::StrongFocus);
  other.show();
  g.Click(2, 2);
  g.Key(Qt::Key_F2);
  ASSERT_NE(g.grid->InPlaceEditor(), nullptr);
  QTest::keyClicks(g.grid->InPlaceEditor(), "!");
  other.setFocus();
  QApplication::processEvents();
  EXPECT_EQ(g.grid->InPlaceEditor(), nullptr);
  EXPECT_EQ(g.grid->GetItemText(2, 2), "2,2!");
}

TEST(GridEditing, DeletingARowWhileEditingCommitsTheEditToItsCellFirst) {
  ShownGrid g;
  g.Click(3, 2);
  g.Key(Qt::Key_F2);
  QTest::keyClicks(g.grid->InPlaceEditor(), "!");
  EXPECT_TRUE(g.grid->DeleteRow(2));
  EXPECT_EQ(g.grid->InPlaceEditor(), nullptr);
  EXPECT_EQ(g.grid->GetItemText(2, 2), "3,2!");  // row 3 moved up to 2
  EXPECT_EQ(g.grid->GetItemText(3, 2), "4,2");
}

TEST(GridEditing, ClipboardCommandsActOnTheEditorTextWhileEditing) {
  ShownGrid g;
  g.Click(1, 1);
  g.Key(Qt::Key_F2);
  ASSERT_NE(g.grid->InPlaceEditor(), nullptr);
  QTest::keyClicks(g.grid->InPlaceEditor(), "abc");
  g.grid->InPlaceEditor()->setFocus();
  ASSERT_TRUE(g.grid->OnCommand(ID_EDIT_SELECT_ALL));
  ASSERT_TRUE(g.grid->OnCommand(ID_EDIT_COPY));
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("1,1abc"));
}

}  // namespace
}  // namespace orva
