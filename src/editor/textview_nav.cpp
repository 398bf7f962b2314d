// Keyboard movement, the editor's key bindings and command dispatch.

#include <QKeyEvent>
#include <algorithm>

#include "editor/editoraccel.h"
#include "editor/textview.h"
#include "editor/textwords.h"
#include "platform/codec.h"
#include "platform/resource_ids.h"

namespace orva {

void CTextView::FinishMove(bool extend, bool horizontal) {
  if (horizontal) m_idealColumn = DisplayColumnOfPos(m_caret);
  EnsureCaretVisible();
  if (!extend) m_anchor = m_caret;
  SetSelection(m_anchor, m_caret);
  UpdateCaret();
}

void CTextView::MoveLeft(bool extend) {
  if (IsSelection() && !extend) {
    TextPos start, end;
    GetSelection(start, end);
    m_caret = start;
  } else if (m_caret.column > 0) {
    m_caret.column = SnapColumnLeft(LineText(m_caret.line), m_caret.column - 1);
  } else if (m_caret.line > 0) {
    --m_caret.line;
    m_caret.column = LineLength(m_caret.line);
  }
  FinishMove(extend, true);
}

void CTextView::MoveRight(bool extend) {
  if (IsSelection() && !extend) {
    TextPos start, end;
    GetSelection(start, end);
    m_caret = end;
  } else if (m_caret.column < LineLength(m_caret.line)) {
    const std::string_view text = LineText(m_caret.line);
    m_caret.column = std::min<int>(LineLength(m_caret.line),
                                   m_caret.column + static_cast<int>(CharLengthAt(text, m_caret.column)));
  } else if (m_caret.line < LineCount() - 1) {
    ++m_caret.line;
    m_caret.column = 0;
  }
  FinishMove(extend, true);
}

void CTextView::MoveWordLeft(bool extend) {
  if (IsSelection() && !extend) {
    MoveLeft(false);
    return;
  }
  if (m_caret.column == 0) {
    if (m_caret.line == 0) {
      FinishMove(extend, true);
      return;
    }
    --m_caret.line;
    m_caret.column = LineLength(m_caret.line);
  }
  m_caret.column = SnapColumnLeft(LineText(m_caret.line), WordLeftInLine(LineText(m_caret.line), m_caret.column));
  FinishMove(extend, true);
}

void CTextView::MoveWordRight(bool extend) {
  if (IsSelection() && !extend) {
    MoveRight(false);
    return;
  }
  if (m_caret.column >= LineLength(m_caret.line)) {
    if (m_caret.line >= LineCount() - 1) {
      FinishMove(extend, true);
      return;
    }
    ++m_caret.line;
    m_caret.column = 0;
  }
  m_caret.column = SnapColumnRight(LineText(m_caret.line), WordRightInLine(LineText(m_caret.line), m_caret.column));
  FinishMove(extend, true);
}

void CTextView::MoveUp(bool extend) { MoveVertically(-1, extend); }

void CTextView::MoveDown(bool extend) { MoveVertically(1, extend); }

// One line up (-1) or down (1), to the byte nearest the ideal column; without
// extend a selection is left from its start (up) or end (down).
void CTextView::MoveVertically(int direction, bool extend) {
  if (IsSelection() && !extend) {
    TextPos start, end;
    GetSelection(start, end);
    m_caret = direction < 0 ? start : end;
  }
  if (m_idealColumn < 0) m_idealColumn = DisplayColumnOfPos(m_caret);
  const int line = m_caret.line + direction;
  if (line >= 0 && line < LineCount()) {
    m_caret.line = line;
    m_caret.column = ByteForIdealColumn(LineText(line), m_idealColumn, m_tabSize);
  }
  FinishMove(extend, false);
}

void CTextView::MovePageUp(bool extend) {
  const int step = std::max(1, ScreenLines() - 1);
  ScrollToLine(std::max(0, m_topLine - step));
  m_caret.line = std::max(0, m_caret.line - step);
  m_caret = ValidPos(m_caret);
  FinishMove(extend, false);
}

void CTextView::MovePageDown(bool extend) {
  const int step = std::max(1, ScreenLines() - 1);
  const int last = LineCount() - 1;
  ScrollToLine(std::min(last, m_topLine + step));
  m_caret.line = std::min(last, m_caret.line + step);
  m_caret = ValidPos(m_caret);
  FinishMove(extend, false);
}

void CTextView::MoveLineStart(bool extend) {
  const std::string_view text = LineText(m_caret.line);
  int firstNonBlank = 0;
  while (firstNonBlank < static_cast<int>(text.size()) && IsSpaceByte(static_cast<unsigned char>(text[firstNonBlank]))) {
    ++firstNonBlank;
  }
  const bool blank = firstNonBlank == static_cast<int>(text.size());
  m_caret.column = (blank || m_caret.column == firstNonBlank) ? 0 : firstNonBlank;
  FinishMove(extend, true);
}

void CTextView::MoveLineEnd(bool extend) {
  m_caret.column = LineLength(m_caret.line);
  FinishMove(extend, true);
}

void CTextView::MoveTextStart(bool extend) {
  m_caret = {};
  FinishMove(extend, true);
}

void CTextView::MoveTextEnd(bool extend) {
  m_caret = TextEnd();
  FinishMove(extend, true);
}

void CTextView::ScrollUpLine() {
  if (m_topLine > 0) ScrollToLine(m_topLine - 1);
}

void CTextView::ScrollDownLine() {
  if (m_topLine < LineCount() - 1) ScrollToLine(m_topLine + 1);
}

void CTextView::SelectAll() {
  m_anchor = {};
  m_caret = TextEnd();
  SetSelection(m_anchor, m_caret);
  EnsureCaretVisible();
  viewport()->update();
}

void CTextView::Copy() {
  TextPos start, end;
  GetSelection(start, end);
  if (start == end) return;
  std::string text;
  CopyRange(start, end, text);
  PutToClipboard(text);
}

QString CTextView::PositionText() const {
  return QStringLiteral("行 %1, 列 %2").arg(m_caret.line + 1).arg(m_caret.column + 1);
}

QString CTextView::EolModeText() const {
  if (!m_buffer) return {};
  switch (m_buffer->EolMode()) {
    case EolCrLf:
      return QStringLiteral("DOS");
    case EolLfCr:
      return QStringLiteral("UNIX");
    case EolLf:
      return QStringLiteral("MAC");
    default:
      return {};
  }
}

// ---- commands ----

bool CTextView::OnCommand(int id) {
  if (id >= ID_EDIT_TOGGLE_BOOKMARK_FIRST && id <= ID_EDIT_TOGGLE_BOOKMARK_LAST) {
    ToggleBookmark(id - ID_EDIT_TOGGLE_BOOKMARK_FIRST);
    return true;
  }
  if (id >= ID_EDIT_GO_BOOKMARK_FIRST && id <= ID_EDIT_GO_BOOKMARK_LAST) {
    GoToBookmark(id - ID_EDIT_GO_BOOKMARK_FIRST);
    return true;
  }
  // Movement commands come in pairs: even id moves, odd id extends.
  if (id >= ID_EDIT_MOVE_CHAR_LEFT && id <= ID_EDIT_EXTEND_TEXT_END && id != ID_EDIT_SCROLL_UP &&
      id != ID_EDIT_SCROLL_DOWN) {
    if (!m_buffer) return true;
    const bool extend = (id - ID_EDIT_MOVE_CHAR_LEFT) % 2 == 1;
    switch (id & ~1) {
      case ID_EDIT_MOVE_CHAR_LEFT: MoveLeft(extend); break;
      case ID_EDIT_MOVE_CHAR_RIGHT: MoveRight(extend); break;
      case ID_EDIT_MOVE_WORD_LEFT: MoveWordLeft(extend); break;
      case ID_EDIT_MOVE_WORD_RIGHT: MoveWordRight(extend); break;
      case ID_EDIT_MOVE_LINE_UP: MoveUp(extend); break;
      case ID_EDIT_MOVE_LINE_DOWN: MoveDown(extend); break;
      case ID_EDIT_MOVE_PAGE_UP: MovePageUp(extend); break;
      case ID_EDIT_MOVE_PAGE_DOWN: MovePageDown(extend); break;
      case ID_EDIT_MOVE_LINE_END: MoveLineEnd(extend); break;
      case ID_EDIT_MOVE_LINE_START: MoveLineStart(extend); break;
      case ID_EDIT_MOVE_TEXT_START: MoveTextStart(extend); break;
      case ID_EDIT_MOVE_TEXT_END: MoveTextEnd(extend); break;
      default: return false;
    }
    return true;
  }
  switch (id) {
    case ID_EDIT_SCROLL_UP: ScrollUpLine(); return true;
    case ID_EDIT_SCROLL_DOWN: ScrollDownLine(); return true;
    case ID_EDIT_COPY: Copy(); return true;
    case ID_EDIT_SELECT_ALL: SelectAll(); return true;
    case ID_EDIT_REPEAT: FindNext(); return true;
    case ID_EDIT_FIND_PREVIOUS: FindPrevious(); return true;
    case ID_EDIT_FIND: RunFindCommand(); return true;
    case ID_EDIT_GOTO_LINE: RunGoToLineCommand(); return true;
    case ID_EDIT_CLEAR_BOOKMARKS: ClearBookmarks(); return true;
    case ID_EDIT_TOGGLE_MARK: ToggleAnonymousBookmark(); return true;
    case ID_EDIT_NEXT_MARK: GoToNextAnonymousBookmark(); return true;
    case ID_EDIT_PREV_MARK: GoToPreviousAnonymousBookmark(); return true;
    case ID_EDIT_CLEAR_MARKS: ClearAnonymousBookmarks(); return true;
    case ID_FILE_PAGE_SETUP: RunPageSetup(); return true;
    case ID_FILE_PRINT: RunPrint(false, false); return true;
    case ID_FILE_PRINT_DIRECT: RunPrint(true, false); return true;
    case ID_FILE_PRINT_PREVIEW: RunPrint(false, true); return true;
    default: return false;
  }
}

bool CTextView::OnUpdateCommand(int id, CmdUI& ui) {
  switch (id) {
    case ID_EDIT_COPY: ui.Enable(IsSelection()); return true;
    case ID_EDIT_SELECT_ALL: ui.Enable(true); return true;
    case ID_EDIT_REPEAT:
    case ID_EDIT_FIND_PREVIOUS: ui.Enable(m_hasSearched); return true;
    case ID_EDIT_NEXT_MARK:
    case ID_EDIT_PREV_MARK:
    case ID_EDIT_CLEAR_MARKS: ui.Enable(m_buffer && m_hasAnonymousBookmarks); return true;
    case ID_INDICATOR_POSITION:
      ui.Enable(m_buffer != nullptr);
      ui.SetText(m_buffer ? PositionText() : QString());
      return true;
    case ID_INDICATOR_EOL_MODE:
      ui.Enable(m_buffer != nullptr);
      ui.SetText(EolModeText());
      return true;
    default: break;
  }
  const bool movement = id >= ID_EDIT_MOVE_CHAR_LEFT && id <= ID_EDIT_FIND_PREVIOUS;
  const bool bookmarks = id >= ID_EDIT_TOGGLE_BOOKMARK_FIRST && id <= ID_EDIT_CLEAR_MARKS;
  const bool others = id == ID_EDIT_FIND || id == ID_EDIT_GOTO_LINE || id == ID_FILE_PAGE_SETUP ||
                      id == ID_FILE_PRINT || id == ID_FILE_PRINT_DIRECT || id == ID_FILE_PRINT_PREVIEW;
  if (!movement && !bookmarks && !others) return false;
  ui.Enable(m_buffer != nullptr || id == ID_FILE_PAGE_SETUP);
  return true;
}

// The editor's key bindings come before normal key handling (and before the
// focus chain takes Tab); an unbound key goes its normal way.
bool CTextView::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (FindEditorAccelerator(key->keyCombination()) != 0) {
      event->accept();
      return true;
    }
  }
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (const int id = FindEditorAccelerator(key->keyCombination())) {
      if (!OnCommand(id)) {
        for (QWidget* up = parentWidget(); up; up = up->parentWidget()) {
          if (auto* target = dynamic_cast<ICommandTarget*>(up); target && target->OnCommand(id)) break;
        }
      }
      event->accept();
      return true;
    }
  }
  return QAbstractScrollArea::event(event);
}

void CTextView::keyPressEvent(QKeyEvent* event) {
  // Keys the bindings do not name are left to the parent (the editing view
  // handles typed characters).
  event->ignore();
}

}  // namespace orva
