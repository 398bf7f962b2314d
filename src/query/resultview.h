#pragma once
// The lower pane of a query window: result grids stacked above one another
// ("结果") or the message log of the run ("消息"), chosen by tabs along the
// bottom. The execution engine fills it from its worker thread.

#include <QPointer>
#include <QWidget>
#include <map>
#include <memory>
#include <vector>

#include "db/recordsetex.h"
#include "platform/command.h"
#include "platform/imagelist.h"
#include "query/queryengine.h"

class QPlainTextEdit;
class QTabBar;

namespace orva {

class CGridCtrl;
class CSplitterBar;

// One column description of a result grid, kept for saving the grid.
struct ResultColumn {
  int m_nGrid = 0;
  ColumnInfo m_info;
};

class CResultView : public QWidget, public IResultOutput, public ICommandTarget {
 public:
  explicit CResultView(QWidget* parent = nullptr);
  ~CResultView() override;

  // IResultOutput: callable from any thread. Log changes and page switches are
  // queued to the GUI thread in order; AddResultGrid waits for its grid.
  void ClearMessages() override;
  void AddMessage(std::string_view text, bool indented) override;
  void ShowPage(bool messages) override;
  CGridCtrl* AddResultGrid(CRecordsetEx* set) override;

  // GUI thread only.
  void ClearResults();
  int GetGridCount() const { return static_cast<int>(m_grids.size()); }
  CGridCtrl* GetGrid(int index) const;
  void LayoutGrids();
  // The grid that has the keyboard focus (or holds the focus widget), if any.
  CGridCtrl* FocusedGrid() const;
  bool IsMessagePageShown() const;
  QPlainTextEdit* MessageEdit() const { return m_messages; }
  QTabBar* Tabs() const { return m_tabs; }
  const std::vector<CSplitterBar*>& SplitterBars() const { return m_splitterBars; }
  // The message log as GBK text with CR LF line ends.
  std::string MessageText() const;

  std::multimap<int, ResultColumn> m_resultColumns;

  bool OnCommand(int id) override;
  bool OnUpdateCommand(int id, CmdUI& ui) override;

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  CGridCtrl* CreateGrid(CRecordsetEx* set);
  // 40039: saves the grid with the column descriptions kept for it.
  void SaveGrid(CGridCtrl* grid);
  void ApplyPage(bool messages);

  QTabBar* m_tabs = nullptr;
  QPlainTextEdit* m_messages = nullptr;
  std::vector<CGridCtrl*> m_grids;
  std::vector<CSplitterBar*> m_splitterBars;
  CGridCtrl* m_pLastGrid = nullptr;
  ImageList m_tabImages;
  ImageList m_menuImages;
  bool m_messagePage = false;
};

}  // namespace orva
