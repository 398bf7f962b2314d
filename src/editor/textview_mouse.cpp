// Mouse selection by characters, words and whole lines, auto-scroll, the
// drag source, the wheel, the pointer shapes and the clipboard.

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QStyleHints>
#include <QWheelEvent>
#include <algorithm>

#include "editor/textview.h"
#include "editor/textwords.h"
#include "platform/qtext.h"

namespace orva {

namespace {

constexpr int kAutoScrollMs = 100;

int DesktopWheelLines() { return QGuiApplication::styleHints()->wheelScrollLines(); }

std::function<int()>& WheelLinesSource() {
  static std::function<int()> source = DesktopWheelLines;
  return source;
}

Qt::DropAction PlatformDragLoop(QDrag& drag, Qt::DropActions actions) { return drag.exec(actions, Qt::CopyAction); }

CTextView::DragLoop& CurrentDragLoop() {
  static CTextView::DragLoop loop = PlatformDragLoop;
  return loop;
}

// The margin pointer: an arrow pointing up and to the right, towards the line.
const QCursor& MarginCursor() {
  static const QCursor cursor = [] {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPolygon arrow({QPoint(15, 0), QPoint(15, 11), QPoint(11, 8), QPoint(7, 14), QPoint(5, 12),
                          QPoint(8, 6), QPoint(4, 4)});
    painter.setPen(Qt::white);
    painter.setBrush(Qt::black);
    painter.drawPolygon(arrow);
    painter.end();
    return QCursor(pixmap, 15, 0);
  }();
  return cursor;
}

}  // namespace

void CTextView::SetWheelScrollLinesSource(std::function<int()> source) {
  WheelLinesSource() = source ? std::move(source) : std::function<int()>(DesktopWheelLines);
}

void CTextView::SetDragLoop(DragLoop loop) { CurrentDragLoop() = loop ? std::move(loop) : DragLoop(PlatformDragLoop); }

std::string WithCrLfBreaks(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) result += '\r';
    result += text[i];
  }
  return result;
}

void SetGbkText(QMimeData& data, const std::string& text) {
  data.setText(QStringFromGbk(text));
  data.setData(QString::fromLatin1(kGbkTextMime), QByteArray(text.data(), static_cast<qsizetype>(text.size())));
}

bool HasGbkText(const QMimeData* data) {
  return data && (data->hasText() || data->hasFormat(QString::fromLatin1(kGbkTextMime)));
}

bool GbkTextOf(const QMimeData* data, std::string& text) {
  if (!data) return false;
  const QString gbkFormat = QString::fromLatin1(kGbkTextMime);
  if (data->hasFormat(gbkFormat)) {
    const QByteArray bytes = data->data(gbkFormat);
    text.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return true;
  }
  if (!data->hasText()) return false;
  text = WithCrLfBreaks(GbkFromQString(data->text()));
  return true;
}

int CTextView::WheelScrollLines() {
  if (!m_wheelLines) m_wheelLines = WheelLinesSource()();
  return *m_wheelLines;
}

void CTextView::WheelScroll(int delta, Qt::KeyboardModifiers modifiers) {
  if (modifiers & (Qt::ControlModifier | Qt::ShiftModifier)) return;
  if (delta == 0) return;
  const int lines = WheelScrollLines();
  const int screen = std::max(1, ScreenLines());
  // Fine-grained wheels send fractions of a notch; they add up until they
  // make a whole line (or a whole screen).
  const bool byScreen = lines == -1 || lines > screen;
  m_wheelUnits += delta * (byScreen ? 1 : lines);
  const int steps = m_wheelUnits / 120;
  m_wheelUnits -= steps * 120;
  if (steps == 0) return;
  const int top = m_topLine - steps * (byScreen ? screen : 1);
  ScrollToLine(std::clamp(top, 0, LineCount() - 1));
}

void CTextView::wheelEvent(QWheelEvent* event) {
  WheelScroll(event->angleDelta().y(), event->modifiers());
  event->accept();
}

// ---- selection helpers ----

bool CTextView::IsInSelection(TextPos pos) const {
  TextPos start, end;
  GetSelection(start, end);
  return start != end && start <= pos && pos < end;
}

void CTextView::SelectLinesBetween(int anchorLine, int pointerLine) {
  const int first = std::min(anchorLine, pointerLine);
  const int last = std::max(anchorLine, pointerLine);
  const TextPos end = last + 1 < LineCount() ? TextPos{0, last + 1} : TextEnd();
  SetSelection({0, first}, end);
}

void CTextView::SelectWordsBetween(TextPos anchor, TextPos caret) {
  const TextPos earlier = std::min(anchor, caret);
  const TextPos later = std::max(anchor, caret);
  const WordRange first = WordAround(LineText(earlier.line), earlier.column);
  const WordRange second = WordAround(LineText(later.line), later.column);
  SetSelection({first.start, earlier.line}, {second.end, later.line});
}

void CTextView::ExtendMouseSelection(QPoint point) {
  const int margin = MarginWidth();
  if (m_mouse.lineMode) {
    if (point.x() < margin) {
      const int line = std::clamp(ViewGeometry{CharWidthPx(), LineHeightPx(), margin, m_topLine, m_offsetChar}
                                      .LineForY(point.y()),
                                  0, LineCount() - 1);
      m_caret = {0, line};
      SelectLinesBetween(m_anchor.line, line);
      EnsureCaretVisible();
      return;
    }
    m_mouse.lineMode = false;
    viewport()->setCursor(Qt::IBeamCursor);
  }
  m_caret = ClientToText(point);
  if (m_mouse.wordMode) {
    SelectWordsBetween(m_anchor, m_caret);
  } else {
    SetSelection(m_anchor, m_caret);
  }
  m_idealColumn = DisplayColumnOfPos(m_caret);
  EnsureCaretVisible();
}

// ---- mouse events ----

void CTextView::mousePressEvent(QMouseEvent* event) {
  if (!m_buffer) return;
  const QPoint point = event->position().toPoint();
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  if (event->button() == Qt::RightButton) {
    const TextPos pos = ClientToText(point);
    if (!IsInSelection(pos)) {
      m_caret = m_anchor = pos;
      SetSelection(pos, pos);
      m_idealColumn = DisplayColumnOfPos(pos);
      UpdateCaret();
    }
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  m_mouse.pressPoint = point;
  if (point.x() < MarginWidth()) {
    if (ctrl) {
      SelectAll();
      return;
    }
    m_mouse.lineMode = true;
    const int line = std::clamp(ViewGeometry{CharWidthPx(), LineHeightPx(), MarginWidth(), m_topLine, m_offsetChar}
                                    .LineForY(point.y()),
                                0, LineCount() - 1);
    m_caret = {0, line};
    if (!shift) m_anchor = m_caret;
    SelectLinesBetween(m_anchor.line, line);
  } else {
    const TextPos pos = ClientToText(point);
    if (IsInSelection(pos) && !shift) {
      m_mouse.dragPending = true;
      return;
    }
    m_caret = pos;
    if (!shift) m_anchor = pos;
    m_mouse.wordMode = ctrl;
    if (ctrl) {
      SelectWordsBetween(m_anchor, m_caret);
    } else {
      SetSelection(m_anchor, m_caret);
    }
  }
  m_idealColumn = DisplayColumnOfPos(m_caret);
  m_mouse.selecting = true;
  m_autoScroll.start(kAutoScrollMs, this);
  EnsureCaretVisible();
}

void CTextView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (m_mouse.selecting) {
    ExtendMouseSelection(point);
    return;
  }
  if (m_mouse.dragPending && (event->buttons() & Qt::LeftButton) &&
      (point - m_mouse.pressPoint).manhattanLength() >= QApplication::startDragDistance()) {
    StartDrag();
    return;
  }
  SetCursorShape(point);
}

void CTextView::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (m_mouse.selecting) {
    if (m_mouse.lineMode) {
      ExtendMouseSelection(point);
      TextPos start, end;
      GetSelection(start, end);
      m_caret = end;
      UpdateCaret();
    } else if (point != m_mouse.pressPoint) {
      ExtendMouseSelection(point);
    }
    m_mouse.selecting = m_mouse.lineMode = m_mouse.wordMode = false;
    m_autoScroll.stop();
  }
  if (m_mouse.dragPending) {
    m_mouse.dragPending = false;
    m_caret = m_anchor = ClientToText(point);
    SetSelection(m_caret, m_caret);
    m_idealColumn = DisplayColumnOfPos(m_caret);
    UpdateCaret();
  }
}

void CTextView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (!m_buffer || event->button() != Qt::LeftButton) return;
  const QPoint point = event->position().toPoint();
  if (point.x() < MarginWidth()) {
    mousePressEvent(event);
    return;
  }
  m_mouse.dragPending = false;
  const TextPos pos = ClientToText(point);
  const WordRange word = WordAround(LineText(pos.line), pos.column);
  m_anchor = {word.start, pos.line};
  m_caret = {word.end, pos.line};
  SetSelection(m_anchor, m_caret);
  m_idealColumn = DisplayColumnOfPos(m_caret);
  m_mouse.pressPoint = point;
  m_mouse.wordMode = true;
  m_mouse.selecting = true;
  m_autoScroll.start(kAutoScrollMs, this);
  UpdateCaret();
}

void CTextView::timerEvent(QTimerEvent* event) {
  if (event->timerId() == m_cookieFill.timerId()) {
    FillCookies();
    return;
  }
  if (event->timerId() != m_autoScroll.timerId()) {
    QAbstractScrollArea::timerEvent(event);
    return;
  }
  if (!m_mouse.selecting) {
    m_autoScroll.stop();
    return;
  }
  const QPoint point = viewport()->mapFromGlobal(QCursor::pos());
  const int lineHeight = LineHeightPx();
  if (point.y() < 0) {
    ScrollToLine(std::max(0, m_topLine - (point.y() < -lineHeight ? 3 : 1)));
  } else if (point.y() >= viewport()->height()) {
    const int below = point.y() - viewport()->height();
    ScrollToLine(std::min(LineCount() - 1, m_topLine + (below > lineHeight ? 3 : 1)));
  }
  if (point.x() < 0) {
    ScrollToChar(m_offsetChar - 1);
  } else if (point.x() >= viewport()->width()) {
    ScrollToChar(m_offsetChar + 1);
  }
  ExtendMouseSelection(point);
}

void CTextView::SetCursorShape(QPoint point) {
  if (point.x() < MarginWidth()) {
    viewport()->setCursor(MarginCursor());
  } else if (!m_mouse.draggingOut && m_buffer && IsInSelection(ClientToText(point))) {
    viewport()->setCursor(Qt::ArrowCursor);
  } else {
    viewport()->setCursor(Qt::IBeamCursor);
  }
}

// ---- drag source ----

QMimeData* CTextView::PrepareDragData() {
  TextPos start, end;
  GetSelection(start, end);
  std::string text;
  CopyRange(start, end, text);
  if (text.empty()) return nullptr;
  m_mouse.dragStart = start;
  m_mouse.dragEnd = end;
  auto* data = new QMimeData;
  SetGbkText(*data, text);
  return data;
}

void CTextView::StartDrag() {
  m_mouse.dragPending = false;
  QMimeData* data = PrepareDragData();
  if (!data || !m_buffer) {
    delete data;
    return;
  }
  m_buffer->OpenUndoGroup(false);
  m_mouse.draggingOut = true;
  auto* drag = new QDrag(this);
  drag->setMimeData(data);
  const Qt::DropAction action = CurrentDragLoop()(*drag, DropEffects());
  m_mouse.draggingOut = false;
  DragFinished(action);
  if (m_buffer) m_buffer->CloseUndoGroup(this);
}

// ---- clipboard ----

bool CTextView::ClipboardHasText() const {
  return HasGbkText(QApplication::clipboard()->mimeData());
}

void CTextView::PutToClipboard(const std::string& text) {
  if (text.empty()) return;
  auto* data = new QMimeData;
  SetGbkText(*data, text);
  QApplication::clipboard()->setMimeData(data);
}

bool CTextView::GetFromClipboard(std::string& text) const {
  return GbkTextOf(QApplication::clipboard()->mimeData(), text);
}

// ---- focus ----

void CTextView::focusInEvent(QFocusEvent* event) {
  m_hasFocus = true;
  viewport()->update();
  QAbstractScrollArea::focusInEvent(event);
}

void CTextView::focusOutEvent(QFocusEvent* event) {
  m_hasFocus = false;
  viewport()->update();
  QAbstractScrollArea::focusOutEvent(event);
}

}  // namespace orva
