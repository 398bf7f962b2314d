#pragma once
// A read-only view over a CTextBuffer: draws the lines with per-line colouring
// supplied by a derived class, keeps a caret and a selection, scrolls, finds
// text, manages bookmarks, reports the caret position and the end-of-line mode
// to the status bar, and prints. Several views may show one buffer; each keeps
// its own caret, selection and scroll position. The editing view derives from
// it and overrides the virtual operations below.

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QColor>
#include <QFont>
#include <QPoint>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/colorspan.h"
#include "editor/printlayout.h"
#include "editor/textbuffer.h"
#include "editor/textlayout.h"
#include "editor/textpos.h"
#include "editor/textsearch.h"
#include "editor/viewcaches.h"
#include "platform/command.h"
#include "platform/imagelist.h"

class QDrag;
class QMimeData;
class QPainter;
class QPrinter;
class QTextLayout;

namespace orva {

// The search a find dialog edits: text and FindFlags.
struct FindSettings {
  std::string what;
  unsigned flags = 0;
};

// The private clipboard and drag format: the exact GBK bytes of the text,
// offered beside text/plain and preferred when the text comes back into ORVA
// (bytes such as 0x80 or a lone lead byte have no Unicode form).
inline constexpr const char* kGbkTextMime = "application/x-orva-gbk-text";

// Text from outside (clipboard, drops) with bare LF line breaks turned into
// CR LF, so that they break lines in the buffer as they did where they came from.
std::string WithCrLfBreaks(std::string_view text);

// Puts GBK text into mime data as plain text and as the private format.
void SetGbkText(QMimeData& data, const std::string& text);
// True when mime data holds text in either form.
bool HasGbkText(const QMimeData* data);
// The text of mime data as GBK: the private format's bytes exactly when
// present, else the plain text converted, with its bare LF breaks as CR LF.
// False when the data holds no text.
bool GbkTextOf(const QMimeData* data, std::string& text);

class CTextView : public QAbstractScrollArea, public ITextBufferView, public ICommandTarget {
 public:
  // Runs the platform's drag loop for a drag the view starts and returns the
  // action the drop ended with. Tests replace it (null restores the platform's).
  using DragLoop = std::function<Qt::DropAction(QDrag& drag, Qt::DropActions actions)>;
  static void SetDragLoop(DragLoop loop);

  explicit CTextView(QWidget* parent = nullptr);
  ~CTextView() override;

  // Binding. Attaching detaches from the previous buffer, attaches to the
  // given one (GetTextBuffer's when none is given) and resets the view state.
  void AttachToBuffer(CTextBuffer* buffer = nullptr);
  void DetachFromBuffer();
  CTextBuffer* Buffer() const { return m_buffer; }
  // Binds the buffer and takes the scroll position of splitter neighbours.
  virtual void OnInitialUpdate();

  // Caret and selection.
  TextPos CaretPos() const { return m_caret; }
  void SetCaretPos(TextPos pos);
  TextPos Anchor() const { return m_anchor; }
  void SetAnchor(TextPos pos) { m_anchor = pos; }
  // Normalised: start before end.
  void GetSelection(TextPos& start, TextPos& end) const;
  void SetSelection(TextPos start, TextPos end);
  bool IsSelection() const { return m_selStart != m_selEnd; }
  int IdealColumn() const { return m_idealColumn; }
  void SetKeepSelectionVisible(bool keep);
  bool IsSelectionShown() const { return m_hasFocus || m_keepSelectionVisible; }
  bool IsCaretShown() const;

  // Scrolling.
  int TopLine() const { return m_topLine; }
  int OffsetChar() const { return m_offsetChar; }
  void ScrollToLine(int topLine, bool syncNeighbours = true);
  void ScrollToChar(int offset, bool syncNeighbours = true);
  void EnsureVisible(TextPos pos);
  void EnsureCaretVisible() { EnsureVisible(m_caret); }

  // Appearance.
  int TabSize() const { return m_tabSize; }
  void SetTabSize(int tabSize);
  bool ViewTabs() const { return m_viewTabs; }
  void SetViewTabs(bool on);
  bool SelectionMargin() const { return m_selectionMargin; }
  void SetSelectionMargin(bool on);
  QFont TextFont() const { return m_fontDescription; }
  void SetTextFont(const QFont& font);
  int LineHeightPx();
  int CharWidthPx();
  int MarginWidth() const { return m_selectionMargin ? 20 : 1; }
  int ScreenLines();
  int ScreenChars();
  int LongestLine();
  // Leading lines whose colouring cookies are known (the rest are coloured in
  // the background or when drawn).
  int ColouredLineCount() const { return m_caches.ValidCookieCount(); }

  // Position <-> pixel, in viewport coordinates.
  TextPos ClientToText(QPoint point);
  QPoint TextToClient(TextPos pos);
  int DisplayColumnOfPos(TextPos pos) const;

  // Find.
  bool FindInBlock(std::string_view what, TextPos start, TextPos blockStart, TextPos blockEnd, unsigned flags,
                   bool wrap, TextPos& found);
  bool FindInText(std::string_view what, TextPos start, unsigned flags, bool wrap, TextPos& found);
  // Searches from the caret (or the selection start upward); a hit is
  // selected. A failure shows the not-found message and changes nothing.
  bool FindNext();
  bool FindPrevious();
  // Records a search as this view's last one (what a find dialog does on close).
  void SetLastSearch(const FindSettings& settings);
  const FindSettings& LastSearch() const { return m_lastSearch; }
  bool HasSearched() const { return m_hasSearched; }
  // The preset of the find dialog.
  FindSettings FindDialogPreset();
  void GoToLine(int oneBasedLine);

  // Bookmarks.
  void ToggleBookmark(int number);
  void GoToBookmark(int number);
  void ClearBookmarks();
  void ToggleAnonymousBookmark();
  void GoToNextAnonymousBookmark();
  void GoToPreviousAnonymousBookmark();
  void ClearAnonymousBookmarks();
  bool HasAnonymousBookmarks() const { return m_hasAnonymousBookmarks; }

  // Keyboard movement; `extend` keeps the anchor (the Shift forms).
  void MoveLeft(bool extend);
  void MoveRight(bool extend);
  void MoveWordLeft(bool extend);
  void MoveWordRight(bool extend);
  void MoveUp(bool extend);
  void MoveDown(bool extend);
  void MovePageUp(bool extend);
  void MovePageDown(bool extend);
  void MoveLineStart(bool extend);
  void MoveLineEnd(bool extend);
  void MoveTextStart(bool extend);
  void MoveTextEnd(bool extend);
  void ScrollUpLine();
  void ScrollDownLine();
  void SelectAll();
  void Copy();

  // Wheel lines per notch (-1 = a screen). The source is read once and cached;
  // WheelSettingChanged re-reads it. Tests replace the source.
  static void SetWheelScrollLinesSource(std::function<int()> source);
  // Called when the desktop's wheel setting changes.
  void WheelSettingChanged() { m_wheelLines.reset(); }
  // One wheel event: `delta` in eighths of a degree (120 = a notch).
  void WheelScroll(int delta, Qt::KeyboardModifiers modifiers);

  // Printing and page setup.
  bool PrintHeader() const { return m_printHeader; }
  bool PrintFooter() const { return m_printFooter; }
  void SetPrintHeader(bool on) { m_printHeader = on; }
  void SetPrintFooter(bool on) { m_printFooter = on; }
  // Prints every page (or the printer's page range) through the printer.
  bool PrintDocument(QPrinter& printer);
  const PrintLayout& LastPrintLayout() const { return m_printLayout; }
  int LastPrintPageCount() const { return m_lastPageCount; }

  // Status-bar texts: "行 %d, 列 %d" and the end-of-line mode.
  QString PositionText() const;
  QString EolModeText() const;

  // Commands.
  bool OnCommand(int id) override;
  bool OnUpdateCommand(int id, CmdUI& ui) override;

  // Buffer notifications.
  void OnBufferChanged(ITextBufferView* source, const EditContext* context, std::uint32_t changeFlags,
                       int line) override;
  void OnEditAction(int action, const std::string& text) override {}

  // The colour of an index.
  virtual QColor GetColor(int index);

 protected:
  // Printing steps, in the order the job calls them.
  virtual bool OnPrepareDC(int page);  // false once the page passes the page count
  virtual bool OnPreparePrinting(QPrinter& printer);
  virtual void OnBeginPrinting(QPainter& painter, QPrinter& printer);
  virtual void OnPrint(QPainter& painter, int page);
  virtual void OnEndPrinting();

  virtual void ResetViewState();
  virtual void DrawPrintHeader(QPainter& painter, int page);
  virtual void DrawPrintFooter(QPainter& painter, int page);
  virtual QString HeaderText(int page) const;
  virtual QString FooterText(int page, int pageCount) const;
  virtual void SyncScrollToNeighbours(bool vertical);
  virtual void TakeScrollFromNeighbour(CTextView* neighbour);

  virtual std::string_view LineText(int line) const;
  virtual int LineCount() const;
  virtual void CopyRange(TextPos start, TextPos end, std::string& text) const;
  virtual int LineLength(int line) const;
  virtual int LineDisplayLength(int line);
  virtual std::uint32_t LineFlags(int line) const;

  virtual bool ClipboardHasText() const;
  virtual void PutToClipboard(const std::string& text);
  virtual bool GetFromClipboard(std::string& text) const;

  // Drag data carries the exact GBK bytes (kGbkTextMime) beside the plain
  // text, so that text moved or copied inside ORVA comes back byte for byte.
  virtual QMimeData* PrepareDragData();
  virtual Qt::DropActions DropEffects() const { return Qt::CopyAction; }
  virtual void DragFinished(Qt::DropAction action) {}

  // Line colours from the line flags: background, text colour and whether
  // the background also fills the space after the text. False for a line
  // drawn with the ordinary colours.
  virtual bool GetLineColors(int line, QColor& background, QColor& text, bool& fillAfterText);
  virtual bool GetItalic(int index) { return false; }
  virtual bool GetBold(int index) { return false; }

  virtual void DrawSingleLine(QPainter& painter, const QRect& rect, int line);
  virtual void DrawMargin(QPainter& painter, const QRect& rect, int line);

  // The colouring hook: cookie at the end of the previous line in, cookie at
  // the end of this line out; appends spans when `spans` is given.
  virtual std::uint32_t ColorLine(std::uint32_t cookie, int line, std::vector<ColorSpan>* spans);
  // Colours the bytes [from, to) of a line (the part a view shows of a very
  // long one): appends spans in increasing start order that give those bytes
  // the colours ColorLine would. The default colours the whole line; a view
  // whose colouring can start inside a line overrides it.
  virtual void ColorLinePart(std::uint32_t cookie, int line, int from, int to, std::vector<ColorSpan>& spans);
  // Resume points an override of ColorLinePart may keep for a line; the view
  // drops them when the line, or a line before it, changes.
  std::vector<ColourResumePoint>& ColourResumePoints(int line);
  // The cookie pass over a very long line in slices, so that colouring it in
  // the background never holds the window up for long: moves `progress` (the
  // state after its first `progress.position` bytes, a default one being the
  // line start) on by about `budget` bytes, and returns true with the cookie
  // ColorLine would give once the line's end is reached. The default does the
  // whole line at once; a view whose colouring can stop inside a line
  // overrides it.
  virtual bool ColorLineCookieSlice(std::uint32_t cookie, int line, ColourResumePoint& progress, std::size_t budget,
                                    std::uint32_t& endCookie);
  virtual CTextBuffer* GetTextBuffer() { return nullptr; }

  // Dialog hooks of the editing view: the find dialog edits `settings` and
  // returns true on OK; the go-to-line dialog returns a 1-based line.
  virtual bool RunFindDialog(FindSettings& settings) { return false; }
  virtual bool RunGoToLineDialog(int& oneBasedLine) { return false; }

  // Sets the selection from the anchor to the caret after a movement and
  // makes the caret visible; `horizontal` also resets the ideal column.
  void FinishMove(bool extend, bool horizontal);
  void UpdateCaret();
  void MoveVertically(int direction, bool extend);
  void UpdateScrollBars();
  void InvalidateLines(int first, int last = -1);
  TextPos TextEnd() const;
  // Clamps a position to the text and applies the trail-byte rule.
  TextPos ValidPos(TextPos pos, bool towardsRight = true) const;
  std::uint32_t CookieAfter(int line);
  // Colours the lines without valid cookies in the background, a few
  // milliseconds at a time, so a jump far down a long script finds them ready.
  void ScheduleCookieFill(int delayMs);
  void FillCookies();

  // Qt events.
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

  // Mouse state.
  struct MouseState {
    bool selecting = false;
    bool wordMode = false;
    bool lineMode = false;
    bool dragPending = false;
    bool draggingOut = false;
    TextPos dragStart;
    TextPos dragEnd;
    QPoint pressPoint;
  };
  MouseState m_mouse;

 private:
  const QFont& FontFor(bool bold, bool italic);
  void EnsureMetrics();
  void DropFonts();
  void DrawRunText(QPainter& painter, std::string_view bytes, int displayColumn, int x, int top);
  void SelectLinesBetween(int anchorLine, int pointerLine);
  void SelectWordsBetween(TextPos anchor, TextPos caret);
  void ExtendMouseSelection(QPoint point);
  void StartDrag();
  bool IsInSelection(TextPos pos) const;
  void SetCursorShape(QPoint point);
  void PlaceCaretAt(int line);
  std::vector<CTextView*> Neighbours(bool vertical) const;
  int WheelScrollLines();
  void RunFindCommand();
  void RunGoToLineCommand();
  void RunPageSetup();
  void RunPrint(bool direct, bool preview);
  const QTextLayout& PrintedLine(int line);
  void StoreSearchSettings();
  bool FindAndSelect(unsigned flags);

  CTextBuffer* m_buffer = nullptr;
  QFont m_fontDescription;
  std::array<std::unique_ptr<QFont>, 4> m_fonts;
  int m_lineHeight = -1;  // -1 = recompute from the font
  int m_charWidth = -1;
  int m_tabSize = 4;
  bool m_viewTabs = false;
  bool m_selectionMargin = true;
  int m_topLine = 0;
  int m_offsetChar = 0;
  int m_screenLines = -1;  // -1 = recompute after a resize
  int m_screenChars = -1;
  LineCaches m_caches;
  std::vector<ColorSpan> m_spans;
  int m_resumeLine = -1;
  std::vector<ColourResumePoint> m_resumePoints;
  // How far the background colouring got into a very long line (-1: none).
  int m_fillLine = -1;
  ColourResumePoint m_fillProgress;
  TextPos m_caret;
  TextPos m_selStart;
  TextPos m_selEnd;
  TextPos m_anchor;
  int m_idealColumn = -1;
  bool m_hasFocus = false;
  bool m_keepSelectionVisible = false;
  FindSettings m_lastSearch;
  bool m_hasSearched = false;
  bool m_hasAnonymousBookmarks = false;
  bool m_printHeader = false;
  bool m_printFooter = true;
  std::unique_ptr<QFont> m_printerFont;
  PrintLayout m_printLayout;
  std::vector<PageStart> m_pageStarts;
  QPrinter* m_printer = nullptr;  // while printing
  std::unique_ptr<QTextLayout> m_printedLine;
  int m_printedLineIndex = -1;
  int m_lastPageCount = 0;
  std::unique_ptr<ImageList> m_marginImages;
  std::optional<int> m_wheelLines;
  int m_wheelUnits = 0;  // wheel rotation not yet turned into lines, in 1/120 notch x lines
  QBasicTimer m_autoScroll;
  QBasicTimer m_cookieFill;
  bool m_syncing = false;
};

}  // namespace orva
