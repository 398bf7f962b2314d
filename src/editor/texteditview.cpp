#include "editor/texteditview.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QRegularExpression>
#include <algorithm>

#include "editor/gotolinedialog.h"
#include "editor/replacedialog.h"
#include "editor/textlayout.h"
#include "editor/textwords.h"
#include "platform/codec.h"
#include "platform/messagebox.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"

namespace orva {

namespace {

constexpr int kDropEdge = 5;  // pixels from an edge that scroll while dragging over

bool IsAsciiSpace(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

QString MenuTextWithCaption(int withCaption, int plain, bool enabled, const std::string& caption) {
  if (!enabled) return QString::fromUtf8(FindStringText(plain));
  QString text = QString::fromUtf8(FindStringText(withCaption));
  text.replace(QLatin1String("%s"), QString::fromUtf8(caption));
  return text;
}

}  // namespace

CTextEditView::CTextEditView(QWidget* parent) : CTextView(parent) {
  setAttribute(Qt::WA_InputMethodEnabled, true);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
}

CTextEditView::~CTextEditView() = default;

bool CTextEditView::IsEditable() const { return Buffer() && !Buffer()->IsReadOnly(); }

void CTextEditView::ResetViewState() {
  m_overwrite = false;
  m_autoIndent = true;
  CTextView::ResetViewState();
}

void CTextEditView::PlaceCaret(TextPos pos) {
  SetCaretPos(pos);
  FinishMove(false, true);
}

void CTextEditView::SelectRange(TextPos start, TextPos end) {
  SetAnchor(start);
  SetCaretPos(end);
  FinishMove(true, true);
}

bool CTextEditView::DeleteSelection(int action, TextPos& caret) {
  TextPos start, end;
  GetSelection(start, end);
  caret = IsSelection() ? start : CaretPos();
  if (start == end) return false;
  Buffer()->DeleteRange(this, start.line, start.column, end.line, end.column, action);
  return true;
}

void CTextEditView::DeleteRangeStep(TextPos start, TextPos end, int action) {
  // Each deletion is one undo step of its own.
  Buffer()->OpenUndoGroup(false);
  Buffer()->DeleteRange(this, start.line, start.column, end.line, end.column, action);
  Buffer()->CloseUndoGroup(this);
  PlaceCaret(start);
}

TextPos CTextEditView::ReplaceSelectionStep(std::string_view text, int action) {
  CTextBuffer* buffer = Buffer();
  buffer->OpenUndoGroup(false);
  TextPos pos;
  DeleteSelection(UndoDeleteSelection, pos);
  TextPos end = pos;
  if (!text.empty()) buffer->InsertAt(this, pos.line, pos.column, text, end.line, end.column, action);
  PlaceCaret(end);
  buffer->CloseUndoGroup(this);  // after an Enter this may indent the new line
  return end;
}

void CTextEditView::EditBlockLines(int first, int last, const std::function<void(int line)>& edit) {
  Buffer()->OpenUndoGroup(false);
  for (int line = first; line <= last; ++line) edit(line);
  Buffer()->CloseUndoGroup(this);
  SelectBlockLines(first, last);
  UpdateScrollBars();
}

bool CTextEditView::InsertAsStep(TextPos at, std::string_view text, int action, TextPos& end) {
  if (!IsEditable()) return false;
  const std::string bytes = WithCrLfBreaks(text);
  Buffer()->OpenUndoGroup(false);
  const bool done = Buffer()->InsertAt(this, at.line, at.column, bytes, end.line, end.column, action);
  Buffer()->CloseUndoGroup(this);
  return done;
}

// ---- typing ----

void CTextEditView::TypeCharacter(std::string_view bytes) {
  if (bytes.empty() || !IsEditable()) return;
  CTextBuffer* buffer = Buffer();
  buffer->OpenUndoGroup(bytes != " ");
  TextPos pos = CaretPos();
  if (IsSelection()) {
    DeleteSelection(UndoDeleteSelection, pos);
  } else if (m_overwrite && pos.column < LineLength(pos.line)) {
    // The whole character under the caret, never half of a double-byte one.
    const int length = static_cast<int>(CharLengthAt(LineText(pos.line), pos.column));
    buffer->DeleteRange(this, pos.line, pos.column, pos.line, pos.column + length, UndoTyping);
  }
  TextPos end = pos;
  buffer->InsertAt(this, pos.line, pos.column, bytes, end.line, end.column, UndoTyping);
  buffer->CloseUndoGroup(this);
  PlaceCaret(end);
}

void CTextEditView::TypeText(const QString& text) {
  if (QApplication::mouseButtons() != Qt::NoButton) return;
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QString character = text.mid(i, length);
    i += length;
    if (character == QLatin1String("\r") || character == QLatin1String("\n")) {
      Enter();
      continue;
    }
    if (character.at(0).unicode() < 32) continue;  // other control characters
    TypeCharacter(GbkFromQString(character));
  }
}

void CTextEditView::Enter() {
  if (!Buffer()) return;
  const TextPos caret = CaretPos();
  if (m_overwrite && caret.line < LineCount() - 1) {
    PlaceCaret(TextPos{0, caret.line + 1});
    return;
  }
  if (!IsEditable()) return;
  ReplaceSelectionStep("\r\n", UndoTyping);
}

void CTextEditView::OnEditAction(int action, const std::string& text) {
  if (!m_autoIndent || action != UndoTyping || text != "\r\n" || m_overwrite || !IsEditable()) return;
  const TextPos caret = CaretPos();
  if (caret.line == 0) return;
  const std::string_view above = LineText(caret.line - 1);
  std::size_t count = 0;
  while (count < above.size() && IsAsciiSpace(above[count])) ++count;
  if (count == 0) return;
  const std::string indent(above.substr(0, count));
  TextPos end = caret;
  Buffer()->InsertAt(this, caret.line, caret.column, indent, end.line, end.column, UndoAutoIndent);
  PlaceCaret(end);
}

void CTextEditView::keyPressEvent(QKeyEvent* event) {
  if (!Buffer() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
    CTextView::keyPressEvent(event);
    return;
  }
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (QApplication::mouseButtons() == Qt::NoButton) Enter();
    event->accept();
    return;
  }
  if (event->text().isEmpty()) {
    CTextView::keyPressEvent(event);
    return;
  }
  TypeText(event->text());
  event->accept();
}

void CTextEditView::inputMethodEvent(QInputMethodEvent* event) {
  // Committed text goes in as one step, whatever its length.
  if (!event->commitString().isEmpty() && IsEditable() && QApplication::mouseButtons() == Qt::NoButton) {
    QString text = event->commitString();
    text.remove(QRegularExpression(QStringLiteral("[\\x00-\\x1f]")));
    if (!text.isEmpty()) ReplaceSelectionStep(GbkFromQString(text), UndoTyping);
  }
  m_preedit = event->preeditString();
  m_preeditCursor = static_cast<int>(m_preedit.size());
  for (const QInputMethodEvent::Attribute& attribute : event->attributes())
    if (attribute.type == QInputMethodEvent::Cursor) m_preeditCursor = attribute.start;
  viewport()->update();
  event->accept();
}

QVariant CTextEditView::inputMethodQuery(Qt::InputMethodQuery query) const {
  auto* self = const_cast<CTextEditView*>(this);
  const TextPos caret = CaretPos();
  // A window of the caret's line around the caret, in characters; a line of
  // megabytes is not handed over whole.
  constexpr int kSurrounding = 512;
  const std::string_view line = LineText(caret.line);
  const int from = SnapColumnLeft(line, std::max(0, caret.column - kSurrounding));
  const int to = SnapColumnRight(line, std::min(static_cast<int>(line.size()), caret.column + kSurrounding));
  switch (query) {
    case Qt::ImEnabled: return IsEditable();
    case Qt::ImCursorRectangle:
    case Qt::ImAnchorRectangle: {
      // Where the caret (and the composed text) is, so that the candidate
      // window opens beside it.
      QPoint at = self->TextToClient(caret);
      at.rx() += self->PreeditWidth(m_preeditCursor);
      return QRect(viewport()->mapTo(self, at), QSize(2, self->LineHeightPx()));
    }
    case Qt::ImFont: return TextFont();
    case Qt::ImSurroundingText: return QStringFromGbk(line.substr(from, to - from));
    case Qt::ImCursorPosition:
      return static_cast<int>(QStringFromGbk(line.substr(from, caret.column - from)).size());
    case Qt::ImAnchorPosition: {
      const TextPos anchor = Anchor();
      if (anchor.line != caret.line || anchor.column < from || anchor.column > to)
        return static_cast<int>(QStringFromGbk(line.substr(from, caret.column - from)).size());
      return static_cast<int>(QStringFromGbk(line.substr(from, anchor.column - from)).size());
    }
    case Qt::ImCurrentSelection: {
      TextPos start, end;
      GetSelection(start, end);
      std::string text;
      CopyRange(start, end, text);
      return QStringFromGbk(text);
    }
    case Qt::ImHints: return static_cast<int>(Qt::ImhMultiLine);
    default: return CTextView::inputMethodQuery(query);
  }
}

int CTextEditView::PreeditWidth(int characters) {
  return characters <= 0 ? 0 : QFontMetrics(TextFont()).horizontalAdvance(m_preedit.left(characters));
}

// ---- deleting ----

void CTextEditView::DeleteForward() {
  if (!IsEditable()) return;
  TextPos start, end;
  GetSelection(start, end);
  if (start == end) {
    start = end = CaretPos();
    if (end.column < LineLength(end.line)) {
      end.column += static_cast<int>(CharLengthAt(LineText(end.line), end.column));
    } else if (end.line < LineCount() - 1) {
      end = TextPos{0, end.line + 1};
    } else {
      return;  // the very end of the text
    }
  }
  DeleteRangeStep(start, end, UndoDelete);
}

void CTextEditView::Backspace() {
  if (!IsEditable()) return;
  if (IsSelection()) {
    DeleteForward();
    return;
  }
  const TextPos end = CaretPos();
  TextPos start = end;
  if (end.column > 0) {
    start.column = SnapColumnLeft(LineText(end.line), end.column - 1);
  } else if (end.line > 0) {
    start = TextPos{LineLength(end.line - 1), end.line - 1};
  } else {
    return;
  }
  DeleteRangeStep(start, end, UndoBackspace);
}

void CTextEditView::DeleteWordBack() {
  if (!IsEditable()) return;
  const TextPos end = CaretPos();
  TextPos start = end;
  if (start.column == 0) {
    if (start.line == 0) return;
    --start.line;
    start.column = LineLength(start.line);
  }
  const std::string_view line = LineText(start.line);
  start.column = SnapColumnLeft(line, WordLeftInLine(line, start.column));
  if (start == end) return;
  DeleteRangeStep(start, end, UndoDelete);
}

// ---- indenting ----

bool CTextEditView::SelectedBlock(int& first, int& last) const {
  TextPos start, end;
  GetSelection(start, end);
  if (start.line == end.line) return false;
  first = start.line;
  last = end.column == 0 ? end.line - 1 : end.line;
  return true;
}

void CTextEditView::SelectBlockLines(int first, int last) {
  const TextPos end = last + 1 < LineCount() ? TextPos{0, last + 1} : TextPos{LineLength(last), last};
  SelectRange(TextPos{0, first}, end);
}

void CTextEditView::Tab() {
  if (!IsEditable()) return;
  int first = 0, last = 0;
  if (SelectedBlock(first, last)) {
    EditBlockLines(first, last, [this](int line) {
      int endLine = 0, endColumn = 0;
      Buffer()->InsertAt(this, line, 0, "\t", endLine, endColumn, UndoIndent);
    });
    return;
  }
  const TextPos caret = CaretPos();
  const std::string_view line = LineText(caret.line);
  if (m_overwrite && !IsSelection() && caret.column < static_cast<int>(line.size())) {
    // Overwrite mode moves to the next tab stop without changing the text.
    const int tab = TabSize();
    int steps = tab - DisplayColumnOf(line, caret.column, tab) % tab;
    int column = caret.column;
    while (steps-- > 0 && column < static_cast<int>(line.size())) {
      if (line[static_cast<std::size_t>(column++)] == '\t') break;
    }
    PlaceCaret(TextPos{SnapColumnRight(line, column), caret.line});
    return;
  }
  ReplaceSelectionStep("\t", UndoTyping);
}

void CTextEditView::Untab() {
  if (!Buffer()) return;
  int first = 0, last = 0;
  if (SelectedBlock(first, last)) {
    if (!IsEditable()) return;
    EditBlockLines(first, last, [this](int line) {
      // At most one tab stop: spaces up to the tab size, or fewer and a tab.
      const std::string_view text = LineText(line);
      const int tab = TabSize();
      const int length = static_cast<int>(text.size());
      int count = 0;
      while (count < tab && count < length && text[static_cast<std::size_t>(count)] == ' ') ++count;
      if (count < tab && count < length && text[static_cast<std::size_t>(count)] == '\t') ++count;
      if (count > 0) Buffer()->DeleteRange(this, line, 0, line, count, UndoIndent);
    });
    return;
  }
  // Otherwise only the caret moves, back to the previous tab stop.
  const TextPos caret = CaretPos();
  const std::string_view line = LineText(caret.line);
  const int tab = TabSize();
  const int display = DisplayColumnOf(line, caret.column, tab);
  if (display == 0) return;
  const int target = (display - 1) / tab * tab;
  const int column = std::min(caret.column, ByteAtDisplayColumn(line, target, tab));
  PlaceCaret(TextPos{SnapColumnRight(line, column), caret.line});
}

// ---- clipboard and history ----

void CTextEditView::Cut() {
  if (!IsEditable() || !IsSelection()) return;
  TextPos start, end;
  GetSelection(start, end);
  std::string text;
  CopyRange(start, end, text);
  PutToClipboard(text);
  DeleteRangeStep(start, end, UndoCut);
}

void CTextEditView::Paste() {
  if (!IsEditable()) return;
  std::string text;
  if (!GetFromClipboard(text)) text.clear();  // without text only the selection goes
  ReplaceSelectionStep(text, UndoPaste);
}

void CTextEditView::Undo() {
  if (!IsEditable()) return;
  TextPos caret;
  if (Buffer()->UndoGroup(caret)) PlaceCaret(caret);
}

void CTextEditView::Redo() {
  if (!IsEditable()) return;
  TextPos caret;
  if (Buffer()->RedoGroup(caret)) PlaceCaret(caret);
}

QString CTextEditView::UndoMenuText() const {
  std::string caption;
  const bool enabled = Buffer() && Buffer()->HasUndo() && Buffer()->UndoCaption(caption) >= 0;
  return MenuTextWithCaption(IDS_UNDO_MENU, IDS_UNDO_MENU_PLAIN, enabled, caption);
}

QString CTextEditView::RedoMenuText() const {
  std::string caption;
  const bool enabled = Buffer() && Buffer()->HasRedo() && Buffer()->RedoCaption(caption) >= 0;
  return MenuTextWithCaption(IDS_REDO_MENU, IDS_REDO_MENU_PLAIN, enabled, caption);
}

// ---- search targets and dialogs ----

bool CTextEditView::SearchBlock(std::string_view what, TextPos start, TextPos blockStart, TextPos blockEnd,
                                unsigned flags, bool wrap, TextPos& found) {
  return FindInBlock(what, start, blockStart, blockEnd, flags, wrap, found);
}

void CTextEditView::SelectHit(TextPos start, TextPos end) {
  SelectRange(start, end);
  SetAnchor(end);
}

bool CTextEditView::ReplaceSelection(std::string_view text, TextPos& end) {
  if (!IsEditable()) return false;
  end = ReplaceSelectionStep(text, UndoReplace);
  return true;
}

bool CTextEditView::RunFindDialog(FindSettings& settings) {
  TextPos selStart, selEnd;
  GetSelection(selStart, selEnd);
  return orva::RunFindDialog(*this, settings, CaretPos(), std::min(CaretPos(), selStart), this);
}

bool CTextEditView::RunGoToLineDialog(int& oneBasedLine) { return orva::RunGoToLineDialog(this, oneBasedLine); }

void CTextEditView::RunReplaceCommand() {
  if (!IsEditable()) return;
  TextPos start, end;
  GetSelection(start, end);
  const bool hasSelection = start != end;
  m_trackReplaceSelection = hasSelection;
  m_replaceStart = start;
  m_replaceEnd = end;
  SetKeepSelectionVisible(true);
  {
    CReplaceDialog dialog(*this, hasSelection, start, end, CaretPos(), this);
    ExecDialog(dialog);
  }
  SetKeepSelectionVisible(false);
  if (m_trackReplaceSelection) SelectRange(m_replaceStart, m_replaceEnd);
  m_trackReplaceSelection = false;
}

// ---- commands ----

bool CTextEditView::OnCommand(int id) {
  switch (id) {
    case ID_EDIT_DELETE: DeleteForward(); return true;
    case ID_EDIT_DELETE_BACK: Backspace(); return true;
    case ID_EDIT_DELETE_WORD_BACK: DeleteWordBack(); return true;
    case ID_EDIT_TAB: Tab(); return true;
    case ID_EDIT_UNTAB: Untab(); return true;
    case ID_EDIT_TOGGLE_OVERWRITE: m_overwrite = !m_overwrite; return true;
    case ID_EDIT_CUT: Cut(); return true;
    case ID_EDIT_PASTE: Paste(); return true;
    case ID_EDIT_UNDO: Undo(); return true;
    case ID_EDIT_REDO: Redo(); return true;
    case ID_EDIT_REPLACE: RunReplaceCommand(); return true;
    default: return CTextView::OnCommand(id);
  }
}

bool CTextEditView::OnUpdateCommand(int id, CmdUI& ui) {
  const bool editable = IsEditable();
  switch (id) {
    case ID_EDIT_DELETE:
    case ID_EDIT_DELETE_BACK:
    case ID_EDIT_DELETE_WORD_BACK:
    case ID_EDIT_TAB:
    case ID_EDIT_UNTAB: ui.Enable(editable); return true;
    case ID_EDIT_REPLACE: ui.Enable(editable); return true;
    case ID_EDIT_TOGGLE_OVERWRITE:
      ui.Enable(Buffer() != nullptr);
      ui.SetCheck(m_overwrite);
      return true;
    case ID_EDIT_CUT: ui.Enable(editable && IsSelection()); return true;
    case ID_EDIT_PASTE: ui.Enable(editable && ClipboardHasText()); return true;
    case ID_EDIT_UNDO:
      ui.Enable(editable && Buffer()->HasUndo());
      ui.SetText(UndoMenuText());
      return true;
    case ID_EDIT_REDO:
      ui.Enable(editable && Buffer()->HasRedo());
      ui.SetText(RedoMenuText());
      return true;
    case ID_INDICATOR_OVR: ui.Enable(m_overwrite); return true;
    case ID_INDICATOR_READ_ONLY: ui.Enable(Buffer() && Buffer()->IsReadOnly()); return true;
    case ID_INDICATOR_EDITOR_SPARE: ui.Enable(false); return true;
    default: return CTextView::OnUpdateCommand(id, ui);
  }
}

void CTextEditView::OnBufferChanged(ITextBufferView* source, const EditContext* context, std::uint32_t changeFlags,
                                    int line) {
  CTextView::OnBufferChanged(source, context, changeFlags, line);
  if (m_trackReplaceSelection && context) {
    context->AdjustPos(m_replaceStart);
    context->AdjustPos(m_replaceEnd);
  }
}

// ---- drag and drop ----

void CTextEditView::DragFinished(Qt::DropAction action) {
  // After a move the dragged text goes; the buffer notifications have kept
  // its range up to date through the drop.
  if (action != Qt::MoveAction || !IsEditable()) return;
  const TextPos start = m_mouse.dragStart;
  const TextPos end = m_mouse.dragEnd;
  if (start < end) Buffer()->DeleteRange(this, start.line, start.column, end.line, end.column, UndoDragDrop);
}

bool CTextEditView::AcceptDrag(QDropEvent* event) {
  if (!IsEditable() || !m_dragDropEnabled || !HasGbkText(event->mimeData())) {
    HideDropCaret();
    event->ignore();
    return false;
  }
  const QPoint point = event->position().toPoint();
  ShowDropCaret(ClientToText(point));
  event->setDropAction((event->modifiers() & Qt::ControlModifier) ? Qt::CopyAction : Qt::MoveAction);
  event->accept();
  return true;
}

void CTextEditView::dragEnterEvent(QDragEnterEvent* event) { AcceptDrag(event); }

void CTextEditView::dragMoveEvent(QDragMoveEvent* event) {
  if (!AcceptDrag(event)) return;
  // Near an edge the text scrolls under the pointer.
  const QPoint point = event->position().toPoint();
  if (point.y() < kDropEdge) {
    ScrollToLine(TopLine() - 1);
  } else if (point.y() >= viewport()->height() - kDropEdge) {
    ScrollToLine(TopLine() + 1);
  }
  if (point.x() < MarginWidth() + kDropEdge) {
    ScrollToChar(OffsetChar() - 1);
  } else if (point.x() >= viewport()->width() - kDropEdge) {
    ScrollToChar(OffsetChar() + 1);
  }
  ShowDropCaret(ClientToText(point));
}

void CTextEditView::dragLeaveEvent(QDragLeaveEvent* event) {
  HideDropCaret();
  event->accept();
}

void CTextEditView::dropEvent(QDropEvent* event) {
  HideDropCaret();
  if (!IsEditable() || !m_dragDropEnabled || !HasGbkText(event->mimeData())) {
    event->ignore();
    return;
  }
  const TextPos pos = ClientToText(event->position().toPoint());
  if (m_mouse.draggingOut && m_mouse.dragStart <= pos && pos < m_mouse.dragEnd) {
    // Dropped onto the dragged text itself: only the caret moves.
    PlaceCaret(pos);
    event->setDropAction(Qt::IgnoreAction);
    event->ignore();
    return;
  }
  std::string text;
  GbkTextOf(event->mimeData(), text);
  CTextBuffer* buffer = Buffer();
  // A drag out of this view already runs inside the undo group its source opened.
  if (!m_mouse.draggingOut) buffer->OpenUndoGroup(false);
  TextPos end = pos;
  buffer->InsertAt(this, pos.line, pos.column, text, end.line, end.column, UndoDragDrop);
  if (!m_mouse.draggingOut) buffer->CloseUndoGroup(this);
  SelectRange(pos, end);
  event->setDropAction((event->modifiers() & Qt::ControlModifier) ? Qt::CopyAction : Qt::MoveAction);
  event->accept();
}

void CTextEditView::ShowDropCaret(TextPos pos) {
  m_dropCaretShown = true;
  m_dropCaret = pos;
  viewport()->update();
}

void CTextEditView::HideDropCaret() {
  if (!m_dropCaretShown) return;
  m_dropCaretShown = false;
  viewport()->update();
}

void CTextEditView::paintEvent(QPaintEvent* event) {
  CTextView::paintEvent(event);
  if (!m_preedit.isEmpty()) {
    // The composed text, underlined, over the text after the caret.
    QPainter painter(viewport());
    const QPoint at = TextToClient(CaretPos());
    const QFontMetrics metrics(TextFont());
    const QRect box(at.x(), at.y(), metrics.horizontalAdvance(m_preedit) + 2, LineHeightPx());
    painter.fillRect(box, GetColor(ColorTextBackground));
    painter.setFont(TextFont());
    painter.setPen(GetColor(ColorNormalText));
    painter.drawText(box.left(), at.y() + metrics.ascent(), m_preedit);
    painter.drawLine(box.left(), box.bottom(), box.right() - 2, box.bottom());
    painter.fillRect(QRect(at.x() + PreeditWidth(m_preeditCursor), at.y(), 2, LineHeightPx()), GetColor(ColorNormalText));
  }
  if (!m_dropCaretShown) return;
  QPainter painter(viewport());
  const QPoint at = TextToClient(m_dropCaret);
  painter.fillRect(at.x(), at.y(), 2, LineHeightPx(), QColor(128, 128, 128));
}

}  // namespace orva
