#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontMetrics>
#include <QMimeData>
#include <QPrinter>
#include <QScrollBar>
#include <QTemporaryDir>

#include "grid/gridctrl.h"
#include "grid_test_util.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"

namespace orva {
namespace {

using test::RecordingOwner;
using test::ShownGrid;

TEST(GridStructure, InsertColumnOnAnEmptyGridCreatesTheHeadingRow) {
  CGridCtrl grid;
  EXPECT_EQ(grid.InsertColumn("Name", DT_LEFT | DT_SINGLELINE), 0);
  EXPECT_EQ(grid.GetRowCount(), 1);
  EXPECT_EQ(grid.GetColumnCount(), 1);
  EXPECT_EQ(grid.GetItemText(0, 0), "Name");
  EXPECT_EQ(grid.GetItemFormat(0, 0), DT_LEFT | DT_SINGLELINE);
  EXPECT_GT(grid.GetColumnWidth(0), 0);
  // A longer heading gives a wider column.
  EXPECT_EQ(grid.InsertColumn("A much longer heading text"), 1);
  EXPECT_GT(grid.GetColumnWidth(1), grid.GetColumnWidth(0));
}

TEST(GridStructure, AutoSizeLeavesRoomForTheWholeTextBesideTheGridLine) {
  CGridCtrl grid;
  const int format = DT_SINGLELINE | DT_VCENTER;
  grid.InsertColumn("", format);
  grid.InsertColumn("ordered_at", format);
  grid.SetFixedRowCount(1);
  grid.SetFixedColumnCount(1);
  const int row = grid.InsertRow("1");
  const std::string text = "2021-01-01 21:01:00";
  grid.SetItemText(row, 1, text);
  grid.AutoSize();
  CGridCellBase* cell = grid.GetCell(row, 1);
  ASSERT_NE(cell, nullptr);
  // The painted text area is the cell less its grid line and both margins.
  const int textArea = grid.GetColumnWidth(1) - 1 - 2 * cell->GetMargin();
  EXPECT_GE(textArea, QFontMetrics(cell->GetFontObject()).horizontalAdvance(QStringFromGbk(text)));
}

TEST(GridStructure, InsertPositionsAreCheckedAndAppendIsMinusOne) {
  CGridCtrl grid;
  grid.InsertColumn("a");
  grid.InsertColumn("b");
  grid.SetFixedColumnCount(1);
  grid.SetFixedRowCount(1);
  EXPECT_EQ(grid.InsertColumn("x", DT_LEFT, 0), -1);  // inside the fixed columns
  EXPECT_EQ(grid.InsertColumn("x", DT_LEFT, 2), -1);  // beyond the last column
  EXPECT_EQ(grid.GetColumnCount(), 2);

  EXPECT_EQ(grid.InsertRow("1"), 1);
  EXPECT_EQ(grid.InsertRow("2", -1), 2);
  EXPECT_EQ(grid.InsertRow("x", 0), -1);  // inside the fixed rows
  EXPECT_EQ(grid.InsertRow("x", 3), -1);  // beyond the last row
  EXPECT_EQ(grid.GetRowCount(), 3);
  EXPECT_EQ(grid.GetItemText(2, 0), "2");
  EXPECT_GT(grid.GetRowHeight(2), 0);
  EXPECT_EQ(grid.InsertRow("mid", 1), 1);  // inserting moves the later rows down
  EXPECT_EQ(grid.GetItemText(2, 0), "1");

  // Invalid positions: false, empty, and nothing changes.
  EXPECT_FALSE(grid.SetItemText(9, 0, "x"));
  EXPECT_FALSE(grid.SetItemText(0, -1, "x"));
  EXPECT_EQ(grid.GetItemText(9, 9), "");
  EXPECT_FALSE(grid.DeleteRow(4));
  EXPECT_FALSE(grid.DeleteRow(-1));
  EXPECT_FALSE(grid.SetColumnWidth(5, 10));
  EXPECT_FALSE(grid.SetItemImage(-1, 0, 1));
  EXPECT_EQ(grid.GetRowCount(), 4);
  EXPECT_EQ(grid.GetColumnCount(), 2);
}

TEST(GridStructure, InsertRowWithoutColumnsAddsOneAndEmptyHeadingUsesTheDefaultHeight) {
  CGridCtrl grid;
  EXPECT_EQ(grid.InsertRow(""), 0);
  EXPECT_EQ(grid.GetColumnCount(), 1);
  EXPECT_EQ(grid.GetRowHeight(0), grid.GetDefaultCell(true, false)->GetHeight());
}

TEST(GridStructure, DeletingRowsAdjustsFixedCountAndFocus) {
  ShownGrid g;
  g.grid->SetFocusCell(3, 2);
  g.grid->InsertRow("new", 2);
  EXPECT_EQ(g.grid->GetFocusCell(), (CellId{4, 2}));
  EXPECT_TRUE(g.grid->DeleteRow(1));
  EXPECT_EQ(g.grid->GetFocusCell(), (CellId{3, 2}));
  EXPECT_TRUE(g.grid->DeleteRow(3));
  EXPECT_FALSE(g.grid->GetFocusCell().IsValid());
  EXPECT_TRUE(g.grid->DeleteRow(0));  // the fixed heading row
  EXPECT_EQ(g.grid->GetFixedRowCount(), 0);

  g.grid->SetFocusCell(1, 2);
  g.grid->SetFixedRowCount(2);  // the focus cell becomes fixed: no focus
  EXPECT_FALSE(g.grid->GetFocusCell().IsValid());
  EXPECT_EQ(g.grid->GetItemState(1, 2) & (GVIS_FIXED | GVIS_FIXEDROW), GVIS_FIXED | GVIS_FIXEDROW);
  g.grid->SetFixedRowCount(10);  // grows the grid
  EXPECT_EQ(g.grid->GetRowCount(), 10);

  EXPECT_TRUE(g.grid->DeleteAllItems());
  EXPECT_EQ(g.grid->GetRowCount(), 0);
  EXPECT_EQ(g.grid->GetColumnCount(), 0);
  EXPECT_EQ(g.grid->GetFixedRowCount(), 0);
  EXPECT_FALSE(g.grid->GetFocusCell().IsValid());
}

TEST(GridKeyboard, ArrowsHomeEndAndTabMoveTheFocus) {
  ShownGrid g;
  g.grid->SetRowHeight(2, 0);
  g.grid->SetColumnWidth(3, 0);
  g.Click(1, 1);
  ASSERT_EQ(g.grid->GetFocusCell(), (CellId{1, 1}));
  g.Key(Qt::Key_Down);
  EXPECT_EQ(g.grid->GetFocusCell(), (CellId{3, 1}));  // row 2 is hidden
  g.Key(Qt::Key_Right);
  g.Key(Qt::Key_Right);
  EXPECT_EQ(g.grid->GetFocusCell(), (CellId{3, 4}));  // column 3 is hidden
  g.Key(Qt::Key_Home);
  EXPECT_EQ(g.grid->GetFocusCell(), (CellId{3, 1}));
  g.Key(Qt::Key_Left);
  EXPECT_EQ(g.grid->GetFocusCell(), (CellId{3, 1}));  // stays out of the fixed column
  g.Key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(g.grid->GetFocusCell(), (CellId{5, 4}));
  g.Key(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(g.grid->GetFocusCell(), (CellId{1, 1}));
  g.Key(Qt::Key_Up);
  EXPECT_EQ(g.grid->GetFocusCell(), (CellId{1, 1}));  // stays out of the fixed row
  g.Key(Qt::Key_End);
  g.Key(Qt::Key_Tab);
  EXPECT_EQ(g.grid->GetFocusCell(), (CellId{3, 1}));  // wraps to the next visible row
  g.Key(Qt::Key_Backtab);
  EXPECT_EQ(g.grid->GetFocusCell(), (CellId{1, 4}));

  // Each move is announced before and after, naming the new focus cell.
  g.owner.notes.clear();
  g.Key(Qt::Key_Down);
  ASSERT_EQ(g.owner.Codes(), (std::vector<int>{GVN_SELCHANGING, GVN_SELCHANGED}));
  EXPECT_EQ(g.owner.notes[0].row, 3);
  EXPECT_EQ(g.owner.notes[0].column, 4);
  EXPECT_EQ(g.owner.notes[0].hdr.idFrom, 100);
  EXPECT_EQ(g.owner.notes[0].hdr.from, g.grid);

  // Shift extends the selection from the anchor.
  g.Key(Qt::Key_Left, Qt::ShiftModifier);
  EXPECT_EQ(g.grid->GetSelectedCellRange(), (CellRange{3, 2, 3, 4}));
  EXPECT_TRUE(g.grid->IsCellSelected(3, 2));
  g.Key(Qt::Key_Right);
  EXPECT_FALSE(g.grid->IsCellSelected(3, 2));
}

TEST(GridSelection, HeadingClicksSelectColumnsRowsOrAllAndCtrlAdds) {
  ShownGrid g;
  g.Click(0, 2);
  EXPECT_EQ(g.grid->GetSelectedCellRange(), (CellRange{1, 2, 5, 2}));
  EXPECT_TRUE(g.grid->IsCellSelected(5, 2));
  EXPECT_FALSE(g.grid->IsCellSelected(1, 1));
  g.Click(3, 0);
  EXPECT_EQ(g.grid->GetSelectedCellRange(), (CellRange{3, 1, 3, 4}));
  EXPECT_FALSE(g.grid->IsCellSelected(1, 2));  // the column selection was dropped
  g.Click(1, 0, Qt::ControlModifier);
  EXPECT_TRUE(g.grid->IsCellSelected(3, 4));  // kept
  EXPECT_TRUE(g.grid->IsCellSelected(1, 4));  // added
  EXPECT_FALSE(g.grid->IsCellSelected(2, 4));
  g.Click(0, 0);
  for (int r = 1; r < 6; ++r)
    for (int c = 1; c < 5; ++c) EXPECT_TRUE(g.grid->IsCellSelected(r, c));
  EXPECT_FALSE(g.grid->IsCellSelected(0, 1));

  g.grid->EnableSelection(false);
  EXPECT_FALSE(g.grid->IsCellSelected(1, 1));
}

TEST(GridSelection, DraggingGrowsTheSelectionAndRowModeTakesWholeRows) {
  ShownGrid g;
  QTest::mousePress(g.grid->viewport(), Qt::LeftButton, {}, g.Center(1, 1));
  QTest::mouseMove(g.grid->viewport(), g.Center(2, 3));
  QTest::mouseRelease(g.grid->viewport(), Qt::LeftButton, {}, g.Center(2, 3));
  EXPECT_EQ(g.grid->GetSelectedCellRange(), (CellRange{1, 1, 2, 3}));
  EXPECT_EQ(g.grid->GetFocusCell(), (CellId{2, 3}));

  g.grid->SetListMode(true);
  g.Click(4, 2);
  EXPECT_EQ(g.grid->GetSelectedCellRange(), (CellRange{4, 1, 4, 4}));
}

TEST(GridSelection, CtrlASelectsEveryCellOutsideTheFixedArea) {
  ShownGrid g;
  g.grid->setFocus();
  g.owner.notes.clear();
  g.Key(Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(g.grid->GetSelectedCellRange(), (CellRange{1, 1, 5, 4}));
  EXPECT_EQ(g.owner.Codes(), (std::vector<int>{GVN_SELCHANGING, GVN_SELCHANGED}));
  g.grid->EnableSelection(false);
  CmdUI selectAll(ID_EDIT_SELECT_ALL);
  g.grid->OnUpdateCommand(ID_EDIT_SELECT_ALL, selectAll);
  EXPECT_FALSE(selectAll.IsEnabled());
}

TEST(GridSelection, HoldingTheButtonBelowTheGridScrollsAndGrowsTheSelection) {
  ShownGrid g(100, 3);
  g.grid->ResetScrollBars();
  QTest::mousePress(g.grid->viewport(), Qt::LeftButton, {}, g.Center(1, 1));
  QTest::mouseMove(g.grid->viewport(), QPoint(g.Center(1, 1).x(), g.grid->viewport()->height() + 20));
  // The scroll timer moves the grid while the pointer stays outside it.
  EXPECT_TRUE(QTest::qWaitFor([&] { return g.grid->verticalScrollBar()->value() >= 100; }));
  QTest::mouseRelease(g.grid->viewport(), Qt::LeftButton, {}, QPoint(g.Center(1, 1).x(), g.grid->viewport()->height() + 20));
  CellRange range = g.grid->GetSelectedCellRange();
  EXPECT_EQ(range.minRow, 1);
  EXPECT_GT(range.maxRow, 15);  // beyond the rows visible at the start
  const int scrolled = g.grid->verticalScrollBar()->value();
  QTest::qWait(100);
  EXPECT_EQ(g.grid->verticalScrollBar()->value(), scrolled);  // released: no more scrolling
}

TEST(GridClipboard, CopyOfTwoRowsByThreeColumns) {
  ShownGrid g;
  g.grid->SetSelectedRange({1, 1, 2, 3});
  g.grid->SetItemText(2, 2, "\xD6\xD0\xCE\xC4");  // GBK text reaches the clipboard as Unicode
  g.grid->setFocus();
  g.Key(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("1,1\t1,2\t1,3\r\n2,1\t中文\t2,3"));

  CmdUI copy(ID_EDIT_COPY);
  EXPECT_TRUE(g.grid->OnUpdateCommand(ID_EDIT_COPY, copy));
  EXPECT_TRUE(copy.IsEnabled());
  g.grid->ClearSelection();
  g.grid->OnUpdateCommand(ID_EDIT_COPY, copy);
  EXPECT_FALSE(copy.IsEnabled());
}

TEST(GridClipboard, PasteSplitsFieldsSkipsHiddenRowsAndDropsWhatLiesBeyond) {
  ShownGrid g;
  g.grid->SetRowHeight(4, 0);
  g.Click(3, 3);
  QApplication::clipboard()->setText(QString::fromUtf8("a,b\tc\r\n中\r\nlast\r\nbeyond"));
  g.owner.notes.clear();
  g.Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(g.grid->GetItemText(3, 3), "a");
  EXPECT_EQ(g.grid->GetItemText(3, 4), "b");  // "c" lies beyond the last column
  EXPECT_EQ(g.grid->GetItemText(4, 3), "4,3");  // hidden row skipped
  EXPECT_EQ(g.grid->GetItemText(5, 3), "\xD6\xD0");
  EXPECT_EQ(g.grid->GetRowCount(), 6);  // "last" and "beyond" are dropped
  EXPECT_EQ(g.owner.Count(GVN_BEGINLABELEDIT), 3);
  EXPECT_EQ(g.owner.Count(GVN_ENDLABELEDIT), 3);
  EXPECT_FALSE(g.grid->IsCellSelected(3, 3));  // pasted cells lose the selected bit
  EXPECT_TRUE(g.grid->GetItemState(3, 4) & GVIS_MODIFIED);

  // A refused end-edit keeps the old text.
  g.owner.answers[GVN_ENDLABELEDIT] = -1;
  QApplication::clipboard()->setText(QStringLiteral("refused"));
  g.Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(g.grid->GetItemText(3, 3), "a");
}

TEST(GridClipboard, PasteLeavesReadOnlyCellsOfTheBlockAlone) {
  ShownGrid g;
  g.grid->SetItemState(2, 3, g.grid->GetItemState(2, 3) | GVIS_READONLY);
  g.grid->SetItemState(3, 2, g.grid->GetItemState(3, 2) | GVIS_READONLY);
  g.Click(2, 2);
  QApplication::clipboard()->setText(QStringLiteral("a\tb\tc\r\nd\te\tf"));
  g.owner.notes.clear();
  g.Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(g.grid->GetItemText(2, 2), "a");
  EXPECT_EQ(g.grid->GetItemText(2, 3), "2,3");  // read-only: its field is skipped
  EXPECT_EQ(g.grid->GetItemText(2, 4), "c");
  EXPECT_EQ(g.grid->GetItemText(3, 2), "3,2");
  EXPECT_EQ(g.grid->GetItemText(3, 3), "e");
  EXPECT_EQ(g.grid->GetItemText(3, 4), "f");
  EXPECT_FALSE(g.grid->GetItemState(2, 3) & GVIS_MODIFIED);
  EXPECT_EQ(g.owner.Count(GVN_ENDLABELEDIT), 4);
}

TEST(GridClipboard, CutCopiesThenClearsThroughTheEndEditPath) {
  ShownGrid g;
  g.grid->SetSelectedRange({1, 1, 1, 2});
  g.grid->setFocus();
  g.owner.answers[GVN_ENDLABELEDIT] = -1;  // the owner refuses: the texts stay
  g.Key(Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("1,1\t1,2"));
  EXPECT_EQ(g.grid->GetItemText(1, 1), "1,1");
  g.owner.answers.clear();
  g.Key(Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(g.grid->GetItemText(1, 1), "");
  EXPECT_EQ(g.grid->GetItemText(1, 2), "");
  EXPECT_EQ(g.grid->GetItemText(1, 3), "1,3");

  g.grid->SetSelectedRange({2, 1, 2, 1});
  g.Key(Qt::Key_Delete);
  EXPECT_EQ(g.grid->GetItemText(2, 1), "");
  g.grid->SetEditable(false);  // nothing is cleared in a read-only grid
  g.grid->SetSelectedRange({3, 1, 3, 1});
  g.Key(Qt::Key_Delete);
  g.Key(Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(g.grid->GetItemText(3, 1), "3,1");
}

TEST(GridCells, CheckCellsToggleByEveryClickInTheBoxUnlessReadOnly) {
  ShownGrid g;
  ASSERT_TRUE(g.grid->SetCellType(2, 2, GridCellClassOf<CGridCellCheck>()));
  EXPECT_FALSE(g.grid->SetCellType(9, 2, GridCellClassOf<CGridCellCheck>()));
  EXPECT_FALSE(g.grid->SetCellType(2, 2, GridCellClass{}));
  auto* check = dynamic_cast<CGridCellCheck*>(g.grid->GetCell(2, 2));
  ASSERT_NE(check, nullptr);
  EXPECT_EQ(check->GetText(), "2,2");  // properties carried over
  g.grid->SetColumnWidth(2, 120);

  QRect rect;
  g.grid->GetCellRect(2, 2, rect);
  QPoint box = check->GetCheckPlacement(rect.adjusted(0, 0, -1, -1)).center();
  // The first click makes the cell the focus cell; the later ones land on
  // the focus cell of an editable grid and must still toggle, not edit.
  for (bool expected : {true, false, true}) {
    QTest::mouseClick(g.grid->viewport(), Qt::LeftButton, {}, box);
    EXPECT_EQ(check->GetCheck(), expected);
    EXPECT_EQ(g.grid->InPlaceEditor(), nullptr);
  }
  EXPECT_EQ(g.grid->GetFocusCell(), (CellId{2, 2}));
  g.grid->SetItemState(2, 2, g.grid->GetItemState(2, 2) | GVIS_READONLY);
  QTest::mouseClick(g.grid->viewport(), Qt::LeftButton, {}, box);
  EXPECT_TRUE(check->GetCheck());
  // Outside the box a click on the focus cell opens the editor as usual.
  g.grid->SetItemState(2, 2, g.grid->GetItemState(2, 2) & ~GVIS_READONLY);
  QTest::mouseClick(g.grid->viewport(), Qt::LeftButton, {}, QPoint(rect.right() - 3, rect.center().y()));
  EXPECT_TRUE(check->GetCheck());
  EXPECT_NE(g.grid->InPlaceEditor(), nullptr);
  EXPECT_TRUE(check->SetCheck(false));  // returns the previous value
  EXPECT_FALSE(check->GetCheck());
  EXPECT_GT(check->GetCellExtent().width(), CGridCell().GetCellExtent().width());
}

TEST(GridCells, PropertiesMakeFullCellsAndDefaultsComeFromTheDefaultCell) {
  CGridCtrl grid(3, 3, 1, 1);
  EXPECT_EQ(grid.GetItemFormat(1, 1), DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
  EXPECT_TRUE(grid.SetItemBkColour(1, 1, Qt::red));
  EXPECT_TRUE(grid.SetItemData(1, 1, 42));
  EXPECT_EQ(grid.GetItemData(1, 1), 42u);
  CGridCellBase* cell = grid.GetCell(1, 1);
  EXPECT_EQ(cell->GetBackClr(), QColor(Qt::red));
  EXPECT_EQ(cell->GetMargin(), grid.GetDefaultCell(false, false)->GetMargin());
  grid.GetDefaultCell(false, false)->SetFormat(DT_RIGHT);
  EXPECT_EQ(grid.GetItemFormat(2, 2), DT_RIGHT);
  EXPECT_EQ(grid.GetItemFormat(0, 2), DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);

  GridItem item;
  item.row = 1;
  item.col = 1;
  item.mask = GVIF_TEXT | GVIF_IMAGE | GVIF_STATE;
  item.text = "set";
  item.image = 3;
  item.state = GVIS_READONLY;
  EXPECT_TRUE(grid.SetItem(item));
  GridItem read;
  read.row = 1;
  read.col = 1;
  read.mask = GVIF_ALL;
  EXPECT_TRUE(grid.GetItem(read));
  EXPECT_EQ(read.text, "set");
  EXPECT_EQ(read.image, 3);
  EXPECT_EQ(read.state, GVIS_READONLY);
  EXPECT_EQ(read.data, 42u);
}

TEST(GridVirtualMode, AsksTheOwnerForEachPaintedCell) {
  ShownGrid g(50, 5);
  g.grid->SetVirtualMode(true);
  EXPECT_FALSE(g.grid->SetItemText(1, 1, "x"));
  EXPECT_FALSE(g.grid->SetCellType(1, 1, GridCellClassOf<CGridCellCheck>()));
  EXPECT_EQ(g.grid->GetCell(1, 1), nullptr);
  g.owner.requestedCells.clear();
  g.owner.cellRequests = 0;
  g.grid->viewport()->repaint();
  // 300 pixels of 20-pixel rows: rows 0..14 meet the window, all 5 columns.
  EXPECT_EQ(g.owner.cellRequests, 15 * 5);
  EXPECT_TRUE(g.owner.requestedCells.count({14, 4}));
  EXPECT_FALSE(g.owner.requestedCells.count({15, 0}));
  EXPECT_EQ(g.grid->GetItemText(40, 3), "v40,3");

  int calls = 0;
  g.grid->SetCallbackFunc([&](GridCellInfo& info) {
    ++calls;
    EXPECT_EQ(info.hdr.code, GVN_GETDISPINFO);
    EXPECT_EQ(info.item.state & GVIS_FIXEDROW, info.item.row == 0 ? GVIS_FIXEDROW : 0u);
    info.item.text = "cb";
    return true;
  });
  EXPECT_EQ(g.grid->GetItemText(2, 2), "cb");
  g.grid->viewport()->repaint();
  EXPECT_EQ(calls, 1 + 15 * 5);
}

TEST(GridMouse, DraggingAHeadingBoundaryResizesTheColumnOrRow) {
  ShownGrid g;
  QRect head;
  g.grid->GetCellRect(0, 1, head);
  QPoint edge(head.right() + 1, head.center().y());
  QTest::mousePress(g.grid->viewport(), Qt::LeftButton, {}, edge);
  QTest::mouseMove(g.grid->viewport(), edge + QPoint(25, 0));
  QTest::mouseRelease(g.grid->viewport(), Qt::LeftButton, {}, edge + QPoint(25, 0));
  EXPECT_EQ(g.grid->GetColumnWidth(1), 85);
  EXPECT_FALSE(g.grid->IsCellSelected(1, 1));  // resizing selects nothing

  QRect rowHead;
  g.grid->GetCellRect(2, 0, rowHead);
  QPoint rowEdge(rowHead.center().x(), rowHead.bottom() + 1);
  QTest::mousePress(g.grid->viewport(), Qt::LeftButton, {}, rowEdge);
  QTest::mouseRelease(g.grid->viewport(), Qt::LeftButton, {}, rowEdge - QPoint(0, 40));
  EXPECT_EQ(g.grid->GetRowHeight(2), 0);  // never below 0
}

TEST(GridMouse, ClicksAndRightClicksAreReported) {
  ShownGrid g;
  g.Click(2, 3);
  EXPECT_EQ(g.owner.Count(NM_CLICK), 1);
  QTest::mouseClick(g.grid->viewport(), Qt::RightButton, {}, g.Center(2, 3));
  EXPECT_EQ(g.owner.Count(NM_RCLICK), 1);
  QTest::mouseDClick(g.grid->viewport(), Qt::LeftButton, {}, g.Center(1, 1));
  EXPECT_EQ(g.owner.Count(NM_DBLCLK), 1);
  EXPECT_EQ(g.owner.notes.back().row, 1);
}

TEST(GridMouse, TitleTipShowsClippedTextAndHidesWhenThePointerLeaves) {
  ShownGrid g;
  g.grid->SetItemText(1, 1, "a text far too long for a sixty pixel cell");
  QTest::mouseMove(g.grid->viewport(), g.Center(3, 3));  // a move to where the pointer is is no move
  EXPECT_FALSE(g.grid->TitleTip()->isVisible());  // the text fits
  QTest::mouseMove(g.grid->viewport(), g.Center(1, 1));
  ASSERT_TRUE(g.grid->TitleTip()->isVisible());
  EXPECT_EQ(g.grid->TitleTip()->Text(), QStringLiteral(" a text far too long for a sixty pixel cell "));
  QTest::mouseMove(g.grid->viewport(), g.Center(2, 2));
  EXPECT_FALSE(g.grid->TitleTip()->isVisible());
  QTest::mouseMove(g.grid->viewport(), g.Center(1, 1));
  EXPECT_TRUE(g.grid->TitleTip()->isVisible());
  g.Key(Qt::Key_Down);
  EXPECT_FALSE(g.grid->TitleTip()->isVisible());
}

TEST(GridMouse, WheelScrollsByLinesAndAddsUpSmallSteps) {
  ShownGrid g(100, 30);
  g.grid->ResetScrollBars();
  auto wheel = [&](QPoint angle) {
    QWheelEvent event(QPointF(50, 50), g.grid->viewport()->mapToGlobal(QPointF(50, 50)), QPoint(), angle,
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(g.grid->viewport(), &event);
  };
  const int lines = g.grid->GetWheelScrollLines();
  wheel(QPoint(0, -120));
  EXPECT_EQ(g.grid->GetTopleftNonFixedCell().row, 1 + lines);
  // A touchpad sends a notch in small steps; together they scroll as much.
  for (int i = 0; i < 3; ++i) wheel(QPoint(0, -40));
  EXPECT_EQ(g.grid->GetTopleftNonFixedCell().row, 1 + 2 * lines);
  for (int i = 0; i < 2; ++i) wheel(QPoint(0, 60));
  EXPECT_EQ(g.grid->GetTopleftNonFixedCell().row, 1 + lines);
  // Sideways motion scrolls the columns.
  const int left = g.grid->GetTopleftNonFixedCell().col;
  for (int i = 0; i < 4; ++i) wheel(QPoint(-30, 0));
  EXPECT_GT(g.grid->GetTopleftNonFixedCell().col, left);
  EXPECT_EQ(g.grid->GetTopleftNonFixedCell().row, 1 + lines);
}

TEST(GridPrinting, RowsArePaginatedIntoThePdf) {
  ShownGrid g(300, 4);
  QTemporaryDir dir;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath("grid.pdf"));
  g.grid->Print(printer);
  QFile pdf(dir.filePath("grid.pdf"));
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  const QByteArray bytes = pdf.readAll();
  const int pages = static_cast<int>(bytes.count("/Type /Page\n")) + static_cast<int>(bytes.count("/Type /Page\r"));
  // 299 rows of 20 pixels do not fit one page, and every row is printed once.
  EXPECT_GT(pages, 1);
  EXPECT_EQ(pages, g.grid->GetPrintPageCount());
}

}  // namespace
}  // namespace orva
