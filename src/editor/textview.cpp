#include "editor/textview.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPalette>
#include <QScrollBar>
#include <QSplitter>
#include <QStyleHints>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

#include "platform/tick.h"

namespace orva {

namespace {
// How long typing must pause before the lines below an edit are coloured
// again in the background.
constexpr int kCookieFillPauseMs = 300;
}  // namespace

CTextView::CTextView(QWidget* parent) : QAbstractScrollArea(parent) {
  // A fixed-pitch font keeps the display columns on a grid.
  m_fontDescription = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setMouseTracking(true);
  viewport()->setCursor(Qt::IBeamCursor);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  connect(QGuiApplication::styleHints(), &QStyleHints::wheelScrollLinesChanged, this,
          [this] { WheelSettingChanged(); });
  ResetViewState();
}

CTextView::~CTextView() {
  if (m_buffer) m_buffer->DetachView(this);
}

void CTextView::AttachToBuffer(CTextBuffer* buffer) {
  if (m_buffer) m_buffer->DetachView(this);
  m_buffer = buffer ? buffer : GetTextBuffer();
  if (m_buffer) m_buffer->AttachView(this);
  ResetViewState();
  UpdateScrollBars();
  viewport()->update();
}

void CTextView::DetachFromBuffer() {
  if (m_buffer) m_buffer->DetachView(this);
  m_buffer = nullptr;
  ResetViewState();
  UpdateScrollBars();
  viewport()->update();
}

void CTextView::OnInitialUpdate() {
  AttachToBuffer();
  for (bool vertical : {true, false}) {
    const std::vector<CTextView*> neighbours = Neighbours(vertical);
    if (!neighbours.empty()) TakeScrollFromNeighbour(neighbours.front());
  }
}

void CTextView::ResetViewState() {
  m_topLine = 0;
  m_offsetChar = 0;
  m_lineHeight = -1;
  m_charWidth = -1;
  m_screenLines = -1;
  m_screenChars = -1;
  m_caches.Reset(LineCount());
  m_resumeLine = -1;
  m_resumePoints.clear();
  m_fillLine = -1;
  ScheduleCookieFill(0);
  m_caret = m_selStart = m_selEnd = m_anchor = TextPos{};
  m_idealColumn = -1;
  m_tabSize = 4;
  m_printHeader = false;
  m_printFooter = true;
  m_mouse = MouseState{};
  m_autoScroll.stop();
  DropFonts();
  m_marginImages.reset();
}

// ---- state ----

void CTextView::SetCaretPos(TextPos pos) {
  m_caret = ValidPos(pos);
  UpdateCaret();
}

void CTextView::GetSelection(TextPos& start, TextPos& end) const {
  start = std::min(m_selStart, m_selEnd);
  end = std::max(m_selStart, m_selEnd);
}

void CTextView::SetSelection(TextPos start, TextPos end) {
  start = ValidPos(start);
  end = ValidPos(end);
  TextPos oldStart, oldEnd;
  GetSelection(oldStart, oldEnd);
  m_selStart = start;
  m_selEnd = end;
  TextPos newStart, newEnd;
  GetSelection(newStart, newEnd);
  if (oldStart != newStart || oldEnd != newEnd) {
    InvalidateLines(std::min(oldStart.line, newStart.line), std::max(oldEnd.line, newEnd.line));
  }
}

void CTextView::SetKeepSelectionVisible(bool keep) {
  if (m_keepSelectionVisible == keep) return;
  m_keepSelectionVisible = keep;
  viewport()->update();
}

bool CTextView::IsCaretShown() const {
  return m_hasFocus && m_buffer && DisplayColumnOfPos(m_caret) >= m_offsetChar;
}

TextPos CTextView::TextEnd() const {
  const int last = LineCount() - 1;
  return {LineLength(last), last};
}

TextPos CTextView::ValidPos(TextPos pos, bool towardsRight) const {
  pos.line = std::clamp(pos.line, 0, LineCount() - 1);
  const std::string_view text = LineText(pos.line);
  pos.column = towardsRight ? SnapColumnRight(text, pos.column) : SnapColumnLeft(text, pos.column);
  return pos;
}

// The status-bar panes ask OnUpdateCommand on their idle refresh, so only
// the view itself needs repainting.
void CTextView::UpdateCaret() { viewport()->update(); }

void CTextView::InvalidateLines(int first, int last) {
  if (m_lineHeight <= 0) {
    viewport()->update();
    return;
  }
  const int top = std::max(0, (first - m_topLine) * m_lineHeight);
  const int bottom = last < 0 ? viewport()->height() : std::min(viewport()->height(), (last - m_topLine + 1) * m_lineHeight);
  if (bottom > top) viewport()->update(0, top, viewport()->width(), bottom - top);
}

// ---- appearance ----

void CTextView::SetTabSize(int tabSize) {
  if (tabSize < 1 || tabSize > 64 || tabSize == m_tabSize) return;
  m_tabSize = tabSize;
  m_caches.Reset(LineCount());
  UpdateScrollBars();
  viewport()->update();
}

void CTextView::SetViewTabs(bool on) {
  m_viewTabs = on;
  viewport()->update();
}

void CTextView::SetSelectionMargin(bool on) {
  m_selectionMargin = on;
  m_screenChars = -1;
  UpdateScrollBars();
  viewport()->update();
}

void CTextView::SetTextFont(const QFont& font) {
  m_fontDescription = font;
  DropFonts();
  m_lineHeight = m_charWidth = -1;
  m_screenLines = m_screenChars = -1;
  UpdateScrollBars();
  viewport()->update();
}

void CTextView::DropFonts() {
  for (auto& font : m_fonts) font.reset();
}

const QFont& CTextView::FontFor(bool bold, bool italic) {
  const int index = (bold ? 1 : 0) + (italic ? 2 : 0);
  std::unique_ptr<QFont>& slot = m_fonts[static_cast<std::size_t>(index)];
  if (!slot) {
    EnsureMetrics();
    slot = std::make_unique<QFont>(m_fontDescription);
    slot->setWeight(bold ? QFont::Bold : QFont::Normal);
    slot->setItalic(italic);
    // Glyph advances may be fractional; spacing each font out to the whole
    // character width keeps a drawn string on the column grid.
    const qreal advance = QFontMetricsF(*slot).horizontalAdvance(QLatin1Char('X'));
    slot->setLetterSpacing(QFont::AbsoluteSpacing, m_charWidth - advance);
  }
  return *slot;
}

void CTextView::EnsureMetrics() {
  if (m_lineHeight > 0 && m_charWidth > 0) return;
  const QFontMetricsF metrics(m_fontDescription);
  m_lineHeight = std::max(1, static_cast<int>(std::ceil(metrics.height())));
  m_charWidth = std::max(1, static_cast<int>(std::ceil(metrics.horizontalAdvance(QLatin1Char('X')) - 0.01)));
}

int CTextView::LineHeightPx() {
  EnsureMetrics();
  return m_lineHeight;
}

int CTextView::CharWidthPx() {
  EnsureMetrics();
  return m_charWidth;
}

int CTextView::ScreenLines() {
  if (m_screenLines < 0) m_screenLines = viewport()->height() / LineHeightPx();
  return m_screenLines;
}

int CTextView::ScreenChars() {
  if (m_screenChars < 0) m_screenChars = std::max(0, (viewport()->width() - MarginWidth()) / CharWidthPx());
  return m_screenChars;
}

int CTextView::LongestLine() {
  if (m_caches.Size() != LineCount()) m_caches.Reset(LineCount());
  return m_caches.LongestLine([this](int line) { return LineDisplayLength(line); });
}

// ---- text access (virtual so that derived views can substitute) ----

std::string_view CTextView::LineText(int line) const {
  if (!m_buffer || line < 0 || line >= m_buffer->LineCount()) return {};
  return m_buffer->Line(line);
}

int CTextView::LineCount() const { return m_buffer ? std::max(1, m_buffer->LineCount()) : 1; }

int CTextView::LineLength(int line) const { return static_cast<int>(LineText(line).size()); }

int CTextView::LineDisplayLength(int line) {
  const auto compute = [this](int l) { return DisplayLength(LineText(l), m_tabSize); };
  if (m_caches.Size() != LineCount()) return compute(line);
  return m_caches.DisplayLength(line, compute);
}

std::uint32_t CTextView::LineFlags(int line) const {
  if (!m_buffer || line < 0 || line >= m_buffer->LineCount()) return 0;
  return m_buffer->LineFlags(line);
}

void CTextView::CopyRange(TextPos start, TextPos end, std::string& text) const {
  text.clear();
  if (!m_buffer || !(start < end)) return;
  m_buffer->CopyRange(start.line, start.column, end.line, end.column, text);
}

std::uint32_t CTextView::ColorLine(std::uint32_t, int, std::vector<ColorSpan>*) { return 0; }

void CTextView::ColorLinePart(std::uint32_t cookie, int line, int, int, std::vector<ColorSpan>& spans) {
  ColorLine(cookie, line, &spans);
}

std::vector<ColourResumePoint>& CTextView::ColourResumePoints(int line) {
  if (line != m_resumeLine) {
    m_resumeLine = line;
    m_resumePoints.clear();
  }
  return m_resumePoints;
}

bool CTextView::ColorLineCookieSlice(std::uint32_t cookie, int line, ColourResumePoint& progress, std::size_t,
                                     std::uint32_t& endCookie) {
  endCookie = ColorLine(cookie, line, nullptr);
  progress = {};
  return true;
}

std::uint32_t CTextView::CookieAfter(int line) {
  if (m_caches.Size() != LineCount()) m_caches.Reset(LineCount());
  return m_caches.CookieAfter(line, [this](std::uint32_t cookie, int l) {
    if (l != m_fillLine) return ColorLine(cookie, l, nullptr);
    // Needed now: the rest of a line the background colouring is inside.
    std::uint32_t endCookie = 0;
    ColorLineCookieSlice(cookie, l, m_fillProgress, static_cast<std::size_t>(-1), endCookie);
    m_fillLine = -1;
    return endCookie;
  });
}

void CTextView::ScheduleCookieFill(int delayMs) {
  if (m_buffer && m_caches.ValidCookieCount() < LineCount()) m_cookieFill.start(delayMs, this);
}

void CTextView::FillCookies() {
  // Slices short enough that keys and paints waiting behind one go unnoticed:
  // a few milliseconds, checked after every batch of lines or slice of a very
  // long line (both about a megabyte).
  constexpr std::uint32_t kSliceMs = 4;
  constexpr int kLinesPerCheck = 2048;
  constexpr std::size_t kBytesPerCheck = std::size_t{1} << 20;
  m_cookieFill.stop();
  if (!m_buffer) return;
  CookieAfter(-1);  // sizes the caches for the text
  const std::uint32_t start = GetTickCount32();
  while (m_caches.ValidCookieCount() < LineCount()) {
    const int line = m_caches.ValidCookieCount();
    std::size_t bytes = static_cast<std::size_t>(LineLength(line));
    if (bytes > kBytesPerCheck) {
      if (m_fillLine != line) {
        m_fillLine = line;
        m_fillProgress = {};
      }
      std::uint32_t endCookie = 0;
      if (ColorLineCookieSlice(CookieAfter(line - 1), line, m_fillProgress, kBytesPerCheck, endCookie)) {
        m_fillLine = -1;
        m_caches.StoreCookie(line, endCookie);
      }
    } else {
      int last = line;
      while (last + 1 < LineCount() && last + 1 - line < kLinesPerCheck) {
        const auto next = static_cast<std::size_t>(LineLength(last + 1));
        if (bytes + next > kBytesPerCheck) break;
        bytes += next;
        ++last;
      }
      CookieAfter(last);
    }
    if (GetTickCount32() - start >= kSliceMs) {
      ScheduleCookieFill(0);
      return;
    }
  }
}

// ---- position <-> pixel ----

int CTextView::DisplayColumnOfPos(TextPos pos) const {
  return DisplayColumnOf(LineText(pos.line), pos.column, m_tabSize);
}

TextPos CTextView::ClientToText(QPoint point) {
  const ViewGeometry geometry{CharWidthPx(), LineHeightPx(), MarginWidth(), m_topLine, m_offsetChar};
  const int line = std::clamp(geometry.LineForY(point.y()), 0, LineCount() - 1);
  const int target = geometry.ClickColumnForX(point.x());
  return {ByteForClickColumn(LineText(line), target, m_tabSize), line};
}

QPoint CTextView::TextToClient(TextPos pos) {
  const ViewGeometry geometry{CharWidthPx(), LineHeightPx(), MarginWidth(), m_topLine, m_offsetChar};
  return {geometry.XForColumn(DisplayColumnOfPos(pos)), geometry.YForLine(pos.line)};
}

// ---- scrolling ----

void CTextView::ScrollToLine(int topLine, bool syncNeighbours) {
  topLine = std::clamp(topLine, 0, LineCount() - 1);
  if (topLine == m_topLine) return;
  const int dy = (m_topLine - topLine) * LineHeightPx();
  m_topLine = topLine;
  if (std::abs(dy) < viewport()->height()) {
    viewport()->scroll(0, dy);
  } else {
    viewport()->update();
  }
  m_syncing = true;
  verticalScrollBar()->setValue(m_topLine);
  m_syncing = false;
  if (syncNeighbours) SyncScrollToNeighbours(true);
}

void CTextView::ScrollToChar(int offset, bool syncNeighbours) {
  offset = std::clamp(offset, 0, std::max(0, LongestLine() - 1));
  if (offset == m_offsetChar) return;
  m_offsetChar = offset;
  viewport()->update();
  m_syncing = true;
  horizontalScrollBar()->setValue(m_offsetChar);
  m_syncing = false;
  if (syncNeighbours) SyncScrollToNeighbours(false);
}

void CTextView::scrollContentsBy(int, int) {
  if (m_syncing) return;
  // The scroll bars move in lines and display columns.
  ScrollToLine(verticalScrollBar()->value());
  ScrollToChar(horizontalScrollBar()->value());
}

void CTextView::EnsureVisible(TextPos pos) {
  const int screenLines = ScreenLines();
  int top = m_topLine;
  if (pos.line >= top + screenLines) top = pos.line - screenLines + 1;
  if (pos.line < top) top = pos.line;
  ScrollToLine(std::clamp(top, 0, LineCount() - 1));

  const int column = DisplayColumnOfPos(pos);
  const int screenChars = ScreenChars();
  int offset = m_offsetChar;
  if (column > offset + screenChars) offset = column - screenChars;
  if (column < offset) offset = column;
  ScrollToChar(std::clamp(offset, 0, std::max(0, LongestLine() - 1)));
  UpdateCaret();
}

namespace {

// A scroll bar over `count` units with `page` visible; when everything fits
// the bar has nothing to scroll and the position returns to 0 (true when it
// had to be moved).
bool SetUpScrollBar(QScrollBar* bar, int count, int page, int& position) {
  bool moved = false;
  if (count <= page) {
    bar->setRange(0, 0);
    moved = position != 0;
    position = 0;
  } else {
    bar->setRange(0, count - 1);
  }
  bar->setPageStep(std::max(1, page));
  bar->setSingleStep(1);
  bar->setValue(position);
  return moved;
}

}  // namespace

void CTextView::UpdateScrollBars() {
  m_syncing = true;
  const bool movedVertically = SetUpScrollBar(verticalScrollBar(), LineCount(), ScreenLines(), m_topLine);
  const bool movedHorizontally = SetUpScrollBar(horizontalScrollBar(), LongestLine(), ScreenChars(), m_offsetChar);
  if (movedVertically || movedHorizontally) viewport()->update();
  m_syncing = false;
}

void CTextView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  m_screenLines = m_screenChars = -1;
  UpdateScrollBars();
}

std::vector<CTextView*> CTextView::Neighbours(bool vertical) const {
  // Panes side by side share the top line; panes one above the other share
  // the horizontal offset.
  std::vector<CTextView*> views;
  auto* splitter = qobject_cast<QSplitter*>(parentWidget());
  if (!splitter || (splitter->orientation() == Qt::Horizontal) != vertical) return views;
  for (int i = 0; i < splitter->count(); ++i) {
    auto* view = dynamic_cast<CTextView*>(splitter->widget(i));
    if (view && view != this && view->m_buffer == m_buffer) views.push_back(view);
  }
  return views;
}

void CTextView::SyncScrollToNeighbours(bool vertical) {
  for (CTextView* view : Neighbours(vertical)) {
    if (vertical) {
      view->ScrollToLine(m_topLine, false);
    } else {
      view->ScrollToChar(m_offsetChar, false);
    }
  }
}

void CTextView::TakeScrollFromNeighbour(CTextView* neighbour) {
  if (!neighbour) return;
  if (!Neighbours(true).empty()) ScrollToLine(neighbour->m_topLine, false);
  if (!Neighbours(false).empty()) ScrollToChar(neighbour->m_offsetChar, false);
}

// ---- buffer notifications ----

void CTextView::OnBufferChanged(ITextBufferView*, const EditContext* context, std::uint32_t changeFlags, int line) {
  if (changeFlags & ChangeReset) {
    ResetViewState();
    UpdateScrollBars();
    viewport()->update();
    return;
  }
  if (changeFlags & ChangeFlagsOnly) {
    if (!(changeFlags & ChangeOneLine) || line < 0) viewport()->update();
    InvalidateLines(line, line);
    return;
  }
  if (changeFlags & ChangeOneLine) {
    m_caches.LineChanged(line);
  } else {
    m_caches.LinesChanged(line, LineCount());
  }
  // The background colouring's progress into a line stays good when the
  // change starts after it.
  if (m_fillLine >= 0 && line <= m_fillLine) {
    const bool before = line == m_fillLine && context && context->Start().line == line &&
                        m_fillProgress.position <= static_cast<std::size_t>(context->Start().column);
    if (!before) m_fillLine = -1;
  }
  // Resume points before the change's start stay good.
  if (m_resumeLine >= 0 && line <= m_resumeLine) {
    if (line == m_resumeLine && context && context->Start().line == line) {
      const auto column = static_cast<std::size_t>(context->Start().column);
      std::erase_if(m_resumePoints, [column](const ColourResumePoint& point) { return point.position > column; });
    } else {
      m_resumeLine = -1;
      m_resumePoints.clear();
    }
  }
  // While the user types, the lines below wait until a pause.
  ScheduleCookieFill(kCookieFillPauseMs);
  InvalidateLines(std::max(0, line));
  if (context) {
    context->AdjustPos(m_caret);
    context->AdjustPos(m_selStart);
    context->AdjustPos(m_selEnd);
    context->AdjustPos(m_anchor);
    if (m_mouse.draggingOut) {
      context->AdjustPos(m_mouse.dragStart);
      context->AdjustPos(m_mouse.dragEnd);
    }
    TextPos top{0, m_topLine};
    context->AdjustPos(top);
    m_topLine = std::clamp(top.line, 0, LineCount() - 1);
    UpdateCaret();
  }
  if (changeFlags & ChangeWidth) m_caches.MarkLongestStale();
  if (changeFlags & (ChangeLineCount | ChangeWidth)) UpdateScrollBars();
}

// ---- colours ----

QColor CTextView::GetColor(int index) {
  const QPalette palette = QApplication::palette();
  switch (index) {
    case ColorBackground:
    case ColorTextBackground:
      return palette.color(QPalette::Base);
    case ColorNormalText:
      return palette.color(QPalette::Text);
    case ColorSelectionMargin:
      return palette.color(QPalette::Button);
    case ColorSelectionBackground:
      return QColor(0, 0, 96);
    case ColorSelectedText:
      return QColor(255, 255, 255);
    case ColorKeyword:
      return QColor(0, 0, 255);
    case ColorComment:
      return QColor(128, 128, 128);
    case ColorNumber:
      return QColor(128, 0, 0);
    case ColorOperator:
      return QColor(0, 0, 0);
    case ColorString:
      return QColor(255, 0, 0);
    case ColorDirective:
      return QColor(0, 128, 192);
    default:
      return QColor(255, 0, 0);
  }
}

bool CTextView::GetLineColors(int line, QColor& background, QColor& text, bool& fillAfterText) {
  const std::uint32_t flags = LineFlags(line);
  if (flags & LineFlagGreen) {
    background = QColor(0, 128, 0);
  } else if (flags & LineFlagRed) {
    background = QColor(255, 0, 0);
  } else if (flags & LineFlagOlive) {
    background = QColor(128, 128, 0);
  } else {
    return false;
  }
  text = QColor(255, 255, 255);
  fillAfterText = true;
  return true;
}

}  // namespace orva
