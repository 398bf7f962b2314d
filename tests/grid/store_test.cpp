#include <gtest/gtest.h>

#include "grid/celltext.h"
#include "grid/gridclipboard.h"
#include "grid/gridnav.h"
#include "grid/gridprintlayout.h"
#include "grid/gridstore.h"
#include "grid/sizeaxis.h"

namespace orva {
namespace {

TEST(CellText, HoldsShortTextsInlineAndLongOnesOnTheHeap) {
  CellText empty;
  EXPECT_TRUE(empty.Empty());
  CellText fifteen("123456789012345");
  EXPECT_EQ(fifteen.View(), "123456789012345");
  CellText sixteen("1234567890123456");
  EXPECT_EQ(sixteen.View(), "1234567890123456");
  std::string binary("a\0b\xD6\xD0", 5);
  EXPECT_EQ(CellText(binary).View(), binary);

  CellText copy = sixteen;
  CellText moved = std::move(sixteen);
  EXPECT_EQ(copy.View(), "1234567890123456");
  EXPECT_EQ(moved.View(), "1234567890123456");
  EXPECT_TRUE(sixteen.Empty());  // NOLINT(bugprone-use-after-move): a moved-from text is empty
  copy = fifteen;
  EXPECT_EQ(copy.View(), "123456789012345");
  moved.Assign("short");
  EXPECT_EQ(moved.Str(), "short");
}

TEST(SizeAxis, FindsIndexesByOffsetSkippingHiddenEntries) {
  SizeAxis axis;
  for (int size : {10, 0, 20, 5}) axis.Append(size);
  EXPECT_EQ(axis.Total(), 35);
  EXPECT_EQ(axis.Start(2), 10);
  EXPECT_EQ(axis.IndexAt(0), 0);
  EXPECT_EQ(axis.IndexAt(9), 0);
  EXPECT_EQ(axis.IndexAt(10), 2);  // the hidden entry 1 never holds an offset
  EXPECT_EQ(axis.IndexAt(34), 3);
  EXPECT_EQ(axis.IndexAt(35), -1);
  EXPECT_EQ(axis.IndexAt(-1), -1);

  axis.SetSize(0, 1);  // moves every later start
  EXPECT_EQ(axis.Start(3), 21);
  axis.Insert(1, 100);
  EXPECT_EQ(axis.Start(2), 101);
  EXPECT_EQ(axis.IndexAt(50), 1);
  axis.Erase(0);
  EXPECT_EQ(axis.Total(), 125);
  axis.Append(7);  // appending after a change still sums correctly
  EXPECT_EQ(axis.Total(), 132);
  axis.Resize(2, 3);
  EXPECT_EQ(axis.Total(), 100);
}

TEST(GridStore, FixedBitsFollowTheFixedCounts) {
  GridStore store;
  store.SetRowCount(3, 20);
  store.SetColumnCount(3, 50);
  store.SetFixedRowCount(1);
  store.SetFixedColumnCount(1);
  EXPECT_EQ(store.State(0, 0), GVIS_FIXED | GVIS_FIXEDROW | GVIS_FIXEDCOL);
  EXPECT_EQ(store.State(0, 2), GVIS_FIXED | GVIS_FIXEDROW);
  EXPECT_EQ(store.State(2, 0), GVIS_FIXED | GVIS_FIXEDCOL);
  EXPECT_EQ(store.State(2, 2), 0u);

  // A coloured cell that stops being fixed loses its bits and its colours.
  CGridCellBase* cell = store.Promote(0, 2);
  cell->SetBackClr(Qt::red);
  store.SetFixedRowCount(0);
  EXPECT_EQ(store.State(0, 2), 0u);
  EXPECT_FALSE(static_cast<CGridCell*>(store.FullCell(0, 2))->CGridCell::GetBackClr().isValid());

  int row = store.InsertRow(store.RowCount(), 20);
  EXPECT_EQ(store.State(row, 0), GVIS_FIXED | GVIS_FIXEDCOL);
}

TEST(GridStore, PromotionKeepsTextAndStateAndCellsCanBeReplaced) {
  GridStore store;
  store.SetRowCount(2, 20);
  store.SetColumnCount(2, 50);
  store.SetText(1, 1, "hello");
  store.SetState(1, 1, GVIS_READONLY);
  EXPECT_EQ(store.FullCell(1, 1), nullptr);
  CGridCellBase* cell = store.Promote(1, 1);
  EXPECT_EQ(cell->GetText(), "hello");
  EXPECT_EQ(cell->GetState(), GVIS_READONLY);
  EXPECT_EQ(store.Promote(1, 1), cell);
  store.SetText(1, 1, "changed");
  EXPECT_EQ(cell->GetText(), "changed");
  EXPECT_EQ(store.FullCellCount(), 1u);

  auto check = std::make_unique<CGridCellCheck>();
  check->Assign(*cell);
  store.ReplaceCell(1, 1, std::move(check));
  EXPECT_NE(dynamic_cast<CGridCellCheck*>(store.FullCell(1, 1)), nullptr);
  EXPECT_EQ(store.Text(1, 1), "changed");
  EXPECT_EQ(store.FullCellCount(), 1u);
  store.DeleteRow(1);
  EXPECT_EQ(store.FullCellCount(), 0u);
}

TEST(GridStore, AppendedRowsBorrowTheirTextsUntilTheRowsAreGone) {
  GridStore store;
  store.SetColumnCount(3, 10);
  store.SetRowCount(1, 10);
  store.SetFixedRowCount(1);
  store.SetFixedColumnCount(1);
  RowBlock block(2);  // fewer cells than columns: the last column stays empty
  for (const char* text : {"1", "a long text of more than fifteen bytes", "2", ""}) block.AddCell(text);
  block.AddCell("3");
  block.DropPartialRow();  // a row begun but not finished never arrives
  EXPECT_EQ(block.Rows(), 2);
  ASSERT_EQ(store.AppendRows(block, 12), 1);
  block.Clear();  // the store has its own copy
  block.AddCell("x");
  ASSERT_EQ(store.RowCount(), 3);
  EXPECT_EQ(store.Rows().Size(2), 12);
  EXPECT_EQ(store.Text(1, 1), "a long text of more than fifteen bytes");
  EXPECT_EQ(store.Text(2, 0), "2");
  EXPECT_EQ(store.Text(2, 1), "");
  EXPECT_EQ(store.Text(1, 2), "");
  EXPECT_EQ(store.State(1, 0), std::uint32_t{GVIS_FIXED | GVIS_FIXEDCOL});
  EXPECT_EQ(store.State(1, 1), 0u);
  // Borrowed cells can be changed, promoted and copied like any other.
  store.SetText(2, 1, "changed");
  EXPECT_EQ(store.Text(2, 1), "changed");
  EXPECT_EQ(store.Promote(1, 1)->GetText(), "a long text of more than fifteen bytes");
  CellText copy;
  {
    std::string scratch;
    copy = CellText(store.TextView(2, 0, scratch));
  }
  store.SetRowCount(1, 10);  // the appended rows go, and their arena with them
  EXPECT_EQ(copy.View(), "2");
  EXPECT_EQ(store.AppendRows(block, 12), 1);  // a block of no whole row adds nothing
  EXPECT_EQ(store.RowCount(), 1);
}

// Rows made off the lock are taken only by a store whose columns they were
// made for.
TEST(GridStore, PreparedRowsFitOnlyTheColumnsTheyWereMadeFor) {
  GridStore store;
  store.SetRowCount(1, 10);
  store.SetColumnCount(2, 10);
  store.SetFixedColumnCount(1);
  store.SetFixedRowCount(1);
  RowBlock block(2);
  block.AddCell("0");
  block.AddCell("a text of more than fifteen bytes, kept in the arena");
  GridStore::PreparedRows early = GridStore::PrepareRows(block, 2, 1);
  GridStore::PreparedRows stale = GridStore::PrepareRows(block, 2, 1);
  ASSERT_TRUE(store.Fits(early));
  EXPECT_EQ(store.AppendPrepared(std::move(early), 12), 1);
  EXPECT_EQ(store.State(1, 0), std::uint32_t{GVIS_FIXED | GVIS_FIXEDCOL});
  EXPECT_EQ(store.Text(1, 1), "a text of more than fifteen bytes, kept in the arena");
  store.InsertColumn(2, 10);
  EXPECT_FALSE(store.Fits(stale));
  store.SetFixedColumnCount(0);
  store.SetColumnCount(2, 10);
  EXPECT_FALSE(store.Fits(stale));
  store.SetFixedColumnCount(1);
  ASSERT_TRUE(store.Fits(stale));
  EXPECT_EQ(store.AppendPrepared(std::move(stale), 12), 2);
  EXPECT_EQ(store.State(2, 0), std::uint32_t{GVIS_FIXED | GVIS_FIXEDCOL});
  EXPECT_EQ(store.Text(2, 1), "a text of more than fifteen bytes, kept in the arena");
  EXPECT_EQ(store.Text(1, 1), store.Text(2, 1));
}

TEST(GridStore, SelectionKeepsEarlierRangesWhileANewOneGrows) {
  GridStore store;
  store.SetRowCount(5, 20);
  store.SetColumnCount(5, 50);
  store.SelectRange({0, 0, 1, 1});
  store.BeginSelection(true);  // Ctrl held: add to the selection
  store.UpdateSelection({1, 1, 3, 3});
  store.UpdateSelection({1, 1, 2, 2});  // the growing range shrinks again
  EXPECT_TRUE(store.IsSelected(0, 0));
  EXPECT_TRUE(store.IsSelected(1, 1));  // in both ranges: stays selected
  EXPECT_TRUE(store.IsSelected(2, 2));
  EXPECT_FALSE(store.IsSelected(3, 3));
  EXPECT_EQ(store.SelectionBounds(), (CellRange{0, 0, 2, 2}));
  store.ClearSelection();
  for (int r = 0; r < 5; ++r)
    for (int c = 0; c < 5; ++c) EXPECT_FALSE(store.IsSelected(r, c)) << r << "," << c;
  EXPECT_FALSE(store.SelectionBounds().IsValid());

  store.SetVirtual(true);  // virtual mode answers from the ranges
  store.SelectRange({1, 1, 2, 2});
  EXPECT_TRUE(store.IsSelected(2, 1));
  EXPECT_EQ(store.State(2, 1) & GVIS_SELECTED, GVIS_SELECTED);
}

TEST(GridClipboard, CopyWalksTheRangeAndSkipsHiddenRowsAndColumns) {
  GridStore store;
  store.SetRowCount(4, 20);
  store.SetColumnCount(4, 50);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) store.SetText(r, c, std::to_string(r) + std::to_string(c));
  store.SetRowHeight(2, 0);
  store.SetColumnWidth(1, 0);
  store.SelectRange({1, 0, 3, 3});
  store.Unselect(3, 3);  // an unselected cell inside the range gives an empty field
  EXPECT_EQ(BuildCopyText(store, store.SelectionBounds()), "10\t12\t13\r\n30\t32\t");
}

TEST(GridClipboard, PasteSplitsLinesAndFieldsAndTrims) {
  auto lines = ParsePasteText("a, b\tc\r\n  d  \r\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(lines[1], (std::vector<std::string>{"d"}));
  EXPECT_EQ(ParsePasteText("x\ny"), (std::vector<std::vector<std::string>>{{"x"}, {"y"}}));
  EXPECT_EQ(ParsePasteText(std::string("1\t\t3\0", 6)), (std::vector<std::vector<std::string>>{{"1", "", "3"}}));
  EXPECT_TRUE(ParsePasteText("").empty());
}

TEST(GridNavigation, ArrowsSkipHiddenAndFixedCellsAndTabWraps) {
  GridStore store;
  store.SetRowCount(5, 20);
  store.SetColumnCount(4, 50);
  store.SetFixedRowCount(1);
  store.SetFixedColumnCount(1);
  store.SetRowHeight(2, 0);
  store.SetColumnWidth(2, 0);
  auto move = [&](CellId from, NavKey key, bool ctrl = false) { return MoveFocus(store, from, key, ctrl, 2); };

  EXPECT_EQ(move({1, 1}, NavKey::Down).cell, (CellId{3, 1}));
  EXPECT_EQ(move({3, 1}, NavKey::Up).cell, (CellId{1, 1}));
  EXPECT_EQ(move({1, 1}, NavKey::Up).cell, (CellId{1, 1}));  // never into the fixed row
  EXPECT_EQ(move({1, 1}, NavKey::Right).cell, (CellId{1, 3}));
  EXPECT_EQ(move({1, 1}, NavKey::Left).cell, (CellId{1, 1}));
  EXPECT_EQ(move({4, 3}, NavKey::Home).cell, (CellId{4, 1}));
  EXPECT_EQ(move({4, 3}, NavKey::Home, true).cell, (CellId{1, 1}));
  EXPECT_EQ(move({3, 1}, NavKey::End).cell, (CellId{3, 3}));
  EXPECT_EQ(move({1, 1}, NavKey::End, true).cell, (CellId{4, 3}));
  EXPECT_EQ(move({1, 3}, NavKey::Tab).cell, (CellId{3, 1}));
  EXPECT_EQ(move({3, 1}, NavKey::BackTab).cell, (CellId{1, 3}));
  EXPECT_TRUE(move({4, 3}, NavKey::Tab).leave);
  EXPECT_TRUE(move({1, 1}, NavKey::BackTab).leave);
  EXPECT_EQ(move({1, 1}, NavKey::PageDown).cell, (CellId{4, 1}));
  EXPECT_EQ(move({4, 1}, NavKey::PageDown).cell, (CellId{4, 1}));
  EXPECT_EQ(move({}, NavKey::Down).cell, (CellId{1, 1}));  // no focus yet: the first cell
}

TEST(GridPrintLayout, RowsAreDistributedByAccumulatedHeight) {
  std::vector<int> heights{30, 10, 10, 10, 0, 10, 50, 10};
  auto pages = PaginateRows(heights, 1, 25);
  EXPECT_EQ(pages, (std::vector<PrintPageRows>{{1, 2}, {3, 5}, {6, 6}, {7, 7}}));
  EXPECT_TRUE(PaginateRows(heights, 8, 25).empty());
}

}  // namespace
}  // namespace orva
