#pragma once
// CGridCtrl: a spreadsheet-like window of rows and columns of cells, with fixed
// heading rows and columns, selection, keyboard and mouse navigation, in-place
// editing, clipboard, resizing with the mouse, title tips and printing.
//
// Threads: the cell store is guarded by the grid's own lock, so structural and
// text changes (InsertRow, SetItemText, ...) may come from any thread, e.g. a
// query worker filling a result grid. Painting and scroll-bar updates always
// run on the GUI thread; changes from other threads request them through one
// queued call at a time. Operations that touch widgets (editing, focus, tips,
// printing) belong to the GUI thread. AutoSize and InsertColumn measure text
// with the font: called from another thread they hand the measuring to the GUI
// thread and wait for it (never while holding the lock), so the GUI thread must
// keep processing events while a worker fills a grid.

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "grid/gridcell.h"
#include "grid/gridstore.h"
#include "grid/gridtypes.h"
#include "grid/inplaceedit.h"
#include "grid/titletip.h"
#include "platform/command.h"

class QMimeData;
class QPrinter;
class QPainter;

namespace orva {

class ImageList;
struct CellKindMetrics;
struct AutoSizeResult;
class AutoSizer;
struct GridPrintState;

// Control id of the in-place editor the grid creates.
constexpr int IDC_INPLACE_CONTROL = 8;

class CGridCtrl : public QAbstractScrollArea, public ICommandTarget, public IGridOwner {
  Q_OBJECT

 public:
  using VirtualCallback = std::function<bool(GridCellInfo&)>;

  explicit CGridCtrl(int rows = 0, int cols = 0, int fixedRows = 0, int fixedCols = 0, QWidget* parent = nullptr);
  ~CGridCtrl() override;

  // Makes the grid a child of `parent` at `rect` with control id `id`; sizes
  // every row and column to the ordinary default cell's height and width.
  bool Create(const QRect& rect, QWidget* parent, int id, bool visible = true);
  int GetDlgCtrlID() const { return m_id; }
  void SetDlgCtrlID(int id) { m_id = id; }
  // Notifications go to this owner; without one, to the nearest parent widget
  // that implements IGridOwner.
  void SetOwner(IGridOwner* owner) { m_owner = owner; }

  // --- Counts and sizes (any thread) ---
  int GetRowCount() const;
  int GetColumnCount() const;
  int GetFixedRowCount() const;
  int GetFixedColumnCount() const;
  bool SetRowCount(int rows);
  bool SetColumnCount(int cols);
  bool SetFixedRowCount(int fixedRows);
  bool SetFixedColumnCount(int fixedCols);
  int GetRowHeight(int row) const;
  int GetColumnWidth(int col) const;
  bool SetRowHeight(int row, int height);
  bool SetColumnWidth(int col, int width);
  int GetFixedRowHeight() const;
  int GetFixedColumnWidth() const;
  long long GetVirtualHeight() const;
  long long GetVirtualWidth() const;

  // --- Structure (any thread) ---
  int InsertColumn(std::string_view heading, int format = DT_CENTER | DT_VCENTER | DT_SINGLELINE, int column = -1);
  int InsertRow(std::string_view heading, int row = -1);
  // Appends the block's rows in one step under the lock, each as InsertRow
  // would with the block's column 0 as heading; the block's texts fill the
  // columns from 0. Returns the index of the first new row (-1 for a grid
  // without columns).
  int AppendRows(const RowBlock& block);
  // Fitting the grid to rows appended from a worker while they arrive: the
  // sizer is made with the grid's fonts on the thread that will use it and
  // takes in the fixed rows; each block appended with it is measured off the
  // grid's lock, and FinishAutoSize applies the sizes found (as AutoSize
  // would, the rows past the first 65536 sampled).
  std::unique_ptr<AutoSizer> BeginAutoSize(int style = GVS_DEFAULT);
  int AppendRows(const RowBlock& block, AutoSizer* sizer);
  void FinishAutoSize(const AutoSizer& sizer);
  bool DeleteColumn(int col);
  bool DeleteRow(int row);
  bool DeleteNonFixedRows();
  bool DeleteAllItems();

  // --- Cells (any thread; cell objects from GetCell belong to the GUI thread) ---
  bool SetItemText(int row, int col, std::string_view text);
  std::string GetItemText(int row, int col) const;
  bool SetItemState(int row, int col, std::uint32_t state);
  std::uint32_t GetItemState(int row, int col) const;
  bool SetItemImage(int row, int col, int image);
  int GetItemImage(int row, int col) const;
  bool SetItemData(int row, int col, std::uint32_t data);
  std::uint32_t GetItemData(int row, int col) const;
  bool SetItemFormat(int row, int col, int format);
  int GetItemFormat(int row, int col) const;
  // The format of the column's cells below the fixed rows that have no format
  // of their own (-1: the default cell's).
  bool SetColumnFormat(int col, int format);
  bool SetItemBkColour(int row, int col, QColor color = QColor());
  bool SetItemFgColour(int row, int col, QColor color = QColor());
  bool SetItemFont(int row, int col, const std::optional<QFont>& font);
  bool SetItem(const GridItem& item);
  bool GetItem(GridItem& item) const;
  bool IsValid(int row, int col) const;
  // Calls `visit` once per row of `range` (clamped to the grid) with the
  // texts of the row's cells in the range, holding the lock throughout: the
  // texts are valid only during the call, and `visit` must not call back
  // into the grid. For reading many cells at once (saving a grid) without
  // copying each text.
  using RowTextsVisitor = std::function<void(int row, const std::string_view* texts, int count)>;
  void VisitRowTexts(CellRange range, const RowTextsVisitor& visit) const;

  // The cell object at a position (made from the compact cell when needed);
  // null for an invalid position and in virtual mode.
  CGridCellBase* GetCell(int row, int col);
  // Replaces the cell with one of `cellClass`, keeping its properties.
  bool SetCellType(int row, int col, GridCellClass cellClass);
  // The class of cells created from now on.
  bool SetDefaultCellType(GridCellClass cellClass);
  CGridDefaultCell* GetDefaultCell(bool fixedRow, bool fixedCol);
  const CGridDefaultCell* GetDefaultCell(bool fixedRow, bool fixedCol) const;
  // Gives every kind of default cell the font (GUI thread), then fits rows
  // and columns to it and repaints.
  void SetGridFont(const QFont& font);

  // --- Flags ---
  void SetEditable(bool editable = true) { m_editable = editable; }
  bool IsEditable() const { return m_editable; }
  void SetDragAndDrop(bool allow = true) {
    m_dragAndDrop = allow;
    setAcceptDrops(allow);
  }
  bool GetDragAndDrop() const { return m_dragAndDrop; }
  void EnableSelection(bool enable = true);
  bool IsSelectable() const { return m_selectionEnabled; }
  void SetListMode(bool rowMode = true) { m_rowMode = rowMode; }
  bool GetListMode() const { return m_rowMode; }
  void SetHandleTabKey(bool tabMoves = true) { m_tabMoves = tabMoves; }
  bool GetHandleTabKey() const { return m_tabMoves; }
  void SetVirtualMode(bool on);
  bool GetVirtualMode() const;
  void SetCallbackFunc(VirtualCallback callback) { m_callback = std::move(callback); }
  void SetImageList(const ImageList* images) { m_images = images; }
  const ImageList* GetImageList() const { return m_images; }
  int GetWheelScrollLines() const { return m_wheelLines; }

  // --- Colours ---
  QColor GetTextColor() const { return m_textColor; }
  QColor GetTextBkColor() const { return m_bkColor; }
  QColor GetFixedBkColor() const { return m_fixedBkColor; }
  QColor GetFixedShadowColor() const { return m_fixedShadowColor; }
  QColor GetGridLineColor() const { return m_gridLineColor; }
  void SetGridLineColor(QColor color) { m_gridLineColor = color; }

  // --- Focus and selection (GUI thread for changes) ---
  CellId GetFocusCell() const;
  void SetFocusCell(int row, int col);
  bool IsCellSelected(int row, int col) const;
  CellRange GetSelectedCellRange() const;
  void SetSelectedRange(CellRange range, bool keepPrevious = false);
  void ClearSelection();
  void SelectAllCells();

  // --- Geometry (GUI thread) ---
  CellId GetCellFromPt(QPoint point, bool allowFixed = true) const;
  bool GetCellRect(int row, int col, QRect& rect) const;
  bool IsCellVisible(int row, int col) const;
  void EnsureVisible(int row, int col);
  // The first non-fixed row and column at the top left of the scrolled area.
  CellId GetTopleftNonFixedCell() const;

  // --- Painting ---
  // While painting is off, changes request no repaint; turning it on
  // recomputes the scroll bars and repaints the whole grid.
  void SetRedraw(bool allow, bool resetScrollBars = false);
  bool GetRedraw() const { return m_allowDraw; }
  void RedrawCell(int row, int col);
  void Refresh();
  void AutoSize(int style = GVS_DEFAULT);
  void AutoSizeRows();
  void ResetScrollBars();

  // --- Printing ---
  void Print(QPrinter& printer);
  // Pages of the last print run.
  int GetPrintPageCount() const;

  // --- Commands (copy, cut, paste, select all) ---
  bool OnCommand(int id) override;
  bool OnUpdateCommand(int id, CmdUI& ui) override;

  // --- Overridable operations ---
  virtual void CutSelectedText();
  virtual QMimeData* CopyTextFromGrid();
  virtual bool PasteTextToGrid(CellId cell, const QMimeData* data);
  virtual void OnBeginDrag();
  virtual void OnEditCut();
  virtual void OnEditCopy();
  virtual void OnEditPaste();
  virtual void OnEditSelectAll();
  virtual void OnBeginPrinting(QPainter& painter, QPrinter& printer);
  virtual void OnPrint(QPainter& painter, QPrinter& printer, int page);
  virtual void PrintColumnHeadings(QPainter& painter, QPrinter& printer);
  virtual void PrintFooter(QPainter& painter, QPrinter& printer, int page);
  virtual void OnEndPrinting(QPainter& painter, QPrinter& printer);
  // Opens the in-place editor on a cell; `firstChar` is the character typed
  // (0 for a click or F2).
  virtual void StartCellEdit(int row, int col, QPoint point, int firstChar);
  // Applies the text of an ended edit (see ApplyEditedText).
  virtual void FinishCellEdit(int row, int col, std::string_view text);
  virtual bool ValidateEdit(int row, int col, std::string_view text);
  virtual void OnDraw(QPainter& painter);
  virtual std::unique_ptr<CGridCellBase> CreateCell(int row, int col);

  // The end-edit record of the grid's own in-place editor.
  long OnGridCellInfo(GridCellInfo& info) override;

  // Sends a notification to the owner and returns its answer (0 without one).
  long SendMessageToParent(int row, int col, int code);

  // The editor while a cell is edited.
  GridInPlaceEdit* InPlaceEditor() const { return m_editor; }
  GridTitleTip* TitleTip() const { return m_titleTip; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  enum class MouseMode { Nothing, SelectCells, SelectAll, SelectColumns, SelectRows, SizingColumn, SizingRow, PrepareEdit, PrepareDrag };
  using Lock = std::unique_lock<std::recursive_mutex>;

  IGridOwner* Owner() const;
  // Takes the lock, counting the threads that have to wait for it.
  Lock Locked() const;
  // Between slices of long work under the lock: gives the lock to whoever
  // waits for it (a mutex is not fair; re-locking at once would starve them).
  void LetWaitersIn() const;

  // Requests a repaint (and scroll-bar update) on the GUI thread; from
  // another thread at most one request is pending at a time.
  void RequestRefresh();
  void ApplyPendingRefresh();

  // Stores edited text through the end-edit path: -105 first when asked,
  // then the text, validation and -106; a refusal restores the old text,
  // acceptance sets the modified bit. Returns true when the text was kept.
  bool ApplyEditedText(int row, int col, std::string_view text, bool askBegin);
  void ClearSelectedText();
  void EndEditBeforeRestructuring();
  // Clears the focus cell when it lies in the fixed area (caller holds the lock).
  void DropFocusFromFixedArea();
  void OnEditorEnded(int row, int col, std::string_view text, int endKey);

  // Moves the focus for a navigation key with the selection rules.
  void MoveFocusTo(CellId cell, bool extend);
  void SetSelectionFromAnchor(CellId to, bool keepPrevious);
  bool HandleNavigationKey(int key, Qt::KeyboardModifiers modifiers);
  int PageRows() const;

  // Mouse helpers.
  int ColumnBoundaryAt(QPoint point) const;  // column whose right edge is within 3 px, or -1
  int RowBoundaryAt(QPoint point) const;
  void UpdateMouseSelection(QPoint point);
  void OnAutoScrollTimer();
  void UpdateCursor(QPoint point);
  void ShowTitleTipFor(QPoint point);
  // True when the point lies inside the check box of a check cell.
  bool IsInCheckBox(CellId cell, QPoint point) const;
  static int StepOverVisible(const SizeAxis& axis, int fixed, int from, int steps);

  // Painting helpers.
  std::unique_ptr<CGridCellBase> VirtualCell(int row, int col) const;
  CellKindMetrics KindMetrics(int kind) const;
  // AutoSize from a thread other than the GUI thread (a worker that filled
  // a result grid): past the first 65536 rows, column widths come from the
  // longest values and a sample of the rest. The rows are measured
  // in slices, the lock let go between them so the GUI thread can paint.
  void AutoSizeInSlices(int style, bool columns);
  // Stores fitted sizes (caller holds the lock).
  void ApplyAutoSize(const AutoSizeResult& result, bool columns);
  int TextLineHeight(bool fixedRow, bool fixedCol) const;
  QSize MeasureHeading(std::string_view text, bool fixedRow, bool fixedCol) const;


  mutable std::recursive_mutex m_lock;
  mutable std::atomic<int> m_lockWaiters{0};
  GridStore m_store;
  CellId m_focus;  // guarded by m_lock
  CellId m_anchor;
  std::array<std::unique_ptr<CGridDefaultCell>, 4> m_defaultCells;  // by kind
  GridCellClass m_cellClass;

  int m_id = 0;
  IGridOwner* m_owner = nullptr;
  VirtualCallback m_callback;
  const ImageList* m_images = nullptr;
  int m_wheelLines = 3;
  QPoint m_wheelRest;  // wheel motion short of a whole notch, GUI thread only

  std::atomic<bool> m_editable{true};
  std::atomic<bool> m_dragAndDrop{false};
  std::atomic<bool> m_selectionEnabled{true};
  std::atomic<bool> m_rowMode{false};
  std::atomic<bool> m_tabMoves{true};
  std::atomic<bool> m_allowDraw{true};
  std::atomic<bool> m_refreshPending{false};
  std::atomic<bool> m_refreshFromWorker{false};
  QElapsedTimer m_lastWorkerRefresh;  // GUI thread only
  QTimer m_refreshTimer;              // a worker's refresh waiting for its turn

  QColor m_textColor;
  QColor m_bkColor;
  QColor m_fixedTextColor;
  QColor m_fixedBkColor;
  QColor m_fixedShadowColor;
  QColor m_gridLineColor{192, 192, 192};

  MouseMode m_mouseMode = MouseMode::Nothing;
  QPoint m_pressPoint;
  QPoint m_lastMousePoint;
  CellId m_pressCell;
  int m_sizingIndex = -1;
  int m_sizingLine = -1;  // position of the inverted line while sizing
  QTimer m_scrollTimer;

  QPointer<GridInPlaceEdit> m_editor;
  GridTitleTip* m_titleTip = nullptr;
  std::unique_ptr<GridPrintState> m_print;
};

}  // namespace orva
