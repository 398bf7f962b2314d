// The result pane as a widget: grids stacked with bars, pages switched by the
// tabs, the message log, and commands routed to the focused grid.

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTabBar>
#include <QTest>

#include "grid/gridctrl.h"
#include "platform/codec.h"
#include "platform/resource_ids.h"
#include "query/resultview.h"
#include "widgets/splitterbar.h"

namespace orva {
namespace {

class ResultViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_view.resize(300, 325);
    m_view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_view));
  }
  CResultView m_view;
};

TEST_F(ResultViewTest, GridsStackWithBarsBetweenThem) {
  for (int i = 0; i < 3; ++i) ASSERT_NE(m_view.AddResultGrid(nullptr), nullptr);
  ASSERT_EQ(m_view.GetGridCount(), 3);
  ASSERT_EQ(m_view.SplitterBars().size(), 2u);
  EXPECT_EQ(m_view.GetGrid(0)->geometry(), QRect(0, 0, 300, 98));
  EXPECT_EQ(m_view.GetGrid(2)->geometry(), QRect(0, 202, 300, 98));
  EXPECT_EQ(m_view.SplitterBars()[1]->geometry(), QRect(0, 198, 300, 4));
  EXPECT_EQ(m_view.GetGrid(1)->GetDlgCtrlID(), IDC_RESULT_GRID_FIRST + 1);

  // Dragging a bar moves the boundary between its two grids.
  CSplitterBar* bar = m_view.SplitterBars()[0];
  QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(10, 1));
  QTest::mouseMove(bar, QPoint(10, 31));
  QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(10, 31));
  EXPECT_EQ(m_view.GetGrid(0)->height() + m_view.GetGrid(1)->height(), 98 + 96);
  EXPECT_GT(m_view.GetGrid(0)->height(), 98);

  m_view.ClearResults();
  EXPECT_EQ(m_view.GetGridCount(), 0);
  EXPECT_TRUE(m_view.SplitterBars().empty());
}

TEST_F(ResultViewTest, TabsShowEitherTheGridsOrTheLog) {
  m_view.AddResultGrid(nullptr);
  m_view.AddResultGrid(nullptr);
  QTabBar* tabs = m_view.Tabs();
  ASSERT_EQ(tabs->count(), 2);
  EXPECT_EQ(tabs->tabText(0), "结果");
  EXPECT_EQ(tabs->tabText(1), "消息");

  tabs->setCurrentIndex(1);
  EXPECT_TRUE(m_view.IsMessagePageShown());
  EXPECT_TRUE(m_view.MessageEdit()->isVisible());
  EXPECT_FALSE(m_view.GetGrid(0)->isVisible());
  EXPECT_FALSE(m_view.SplitterBars()[0]->isVisible());

  tabs->setCurrentIndex(0);
  EXPECT_FALSE(m_view.MessageEdit()->isVisible());
  EXPECT_TRUE(m_view.GetGrid(1)->isVisible());
  EXPECT_TRUE(m_view.SplitterBars()[0]->isVisible());

  // ShowPage selects the tab too (it is queued from any thread).
  m_view.ShowPage(true);
  QCoreApplication::processEvents();
  EXPECT_EQ(tabs->currentIndex(), 1);
  EXPECT_FALSE(m_view.GetGrid(0)->isVisible());
}

TEST_F(ResultViewTest, MessagesAppendTimedOrIndentedAndTheLogHasNoMenu) {
  m_view.AddMessage(GbkFromUtf8("已成功执行该语句"), true);
  m_view.AddMessage("done", false);
  QCoreApplication::processEvents();
  const std::string log = Utf8FromGbk(m_view.MessageText());
  EXPECT_EQ(log.substr(0, 2 + 4), "\r\n    ");
  EXPECT_NE(log.find("已成功执行该语句\r\n\r\n"), std::string::npos) << log;
  // The timed entry: "hh:mm:ss " before the text.
  const std::size_t done = log.find("done");
  ASSERT_NE(done, std::string::npos);
  EXPECT_EQ(log[done - 1], ' ');
  EXPECT_EQ(log[done - 4], ':');
  EXPECT_EQ(m_view.MessageEdit()->contextMenuPolicy(), Qt::NoContextMenu);

  m_view.ClearMessages();
  QCoreApplication::processEvents();
  EXPECT_TRUE(m_view.MessageText().empty());
}

TEST_F(ResultViewTest, CopyIsEnabledOnlyForAFocusedGridWithASelection) {
  CGridCtrl* grid = m_view.AddResultGrid(nullptr);
  grid->InsertColumn("a");
  grid->InsertRow("1");
  CmdUI copy(ID_EDIT_COPY);
  EXPECT_TRUE(m_view.OnUpdateCommand(ID_EDIT_COPY, copy));
  EXPECT_FALSE(copy.IsEnabled());  // no grid has the focus
  grid->setFocus();
  m_view.activateWindow();
  QCoreApplication::processEvents();
  if (!grid->hasFocus()) GTEST_SKIP() << "the platform gives no focus";
  grid->SelectAllCells();
  CmdUI focused(ID_EDIT_COPY);
  m_view.OnUpdateCommand(ID_EDIT_COPY, focused);
  EXPECT_TRUE(focused.IsEnabled());
  EXPECT_EQ(m_view.FocusedGrid(), grid);
}

}  // namespace
}  // namespace orva
