// The undo history of CTextBuffer: recording, groups, undo, redo, captions.

#include "editor/textbuffer.h"

namespace orva {

void CTextBuffer::AppendUndo(bool insertion, TextPos start, TextPos end, int action, std::string text,
                             std::vector<int> pieceLengths) {
  const int count = static_cast<int>(m_undo.size());
  if (m_undoPosition < count) {
    m_undo.erase(m_undo.begin() + m_undoPosition, m_undo.end());
    // The saved text was in the discarded redo tail: no position of the new
    // history matches the file any more.
    if (m_savedPosition > m_undoPosition) m_savedPosition = -1;
  }
  // At the limit the oldest whole groups go, never part of one and never the
  // group still being recorded: a single large operation may exceed the limit
  // until the next group makes room.
  while (static_cast<int>(m_undo.size()) >= m_undoLimit) {
    int drop = 1;
    while (drop < static_cast<int>(m_undo.size()) && !(m_undo[drop].kind & UndoKindGroupStart)) ++drop;
    if (m_groupOpen && drop > m_openGroupFirst) break;
    m_undo.erase(m_undo.begin(), m_undo.begin() + drop);
    m_savedPosition = m_savedPosition >= drop ? m_savedPosition - drop : -1;
    if (m_groupOpen) m_openGroupFirst -= drop;
  }
  UndoStep step;
  step.kind = insertion ? UndoKindInsert : 0;
  if (m_groupStartPending) {
    m_groupStartPending = false;
    step.kind |= UndoKindGroupStart;
  }
  step.start = start;
  step.end = end;
  step.action = action;
  step.text = std::move(text);
  step.pieceLengths = std::move(pieceLengths);
  m_undo.push_back(std::move(step));
  m_undoPosition = static_cast<int>(m_undo.size());
  m_groupRecorded = true;
}

void CTextBuffer::OpenUndoGroup(bool merge) {
  m_groupOpen = true;
  m_groupRecorded = false;
  m_groupStartPending = !(merge && m_undoPosition > 0);
  // The first record of the group: the next one, or for a merge the start of
  // the group it joins.
  m_openGroupFirst = m_undoPosition;
  if (!m_groupStartPending) {
    while (m_openGroupFirst > 0 && !(m_undo[m_openGroupFirst - 1].kind & UndoKindGroupStart)) --m_openGroupFirst;
    if (m_openGroupFirst > 0) --m_openGroupFirst;
  }
}

void CTextBuffer::CloseUndoGroup(ITextBufferView* view) {
  // Only a group that changed something reports an action: an empty paste or
  // a drop that changed nothing must not look like the last recorded action
  // again (after an Enter it would indent once more).
  if (view && m_groupRecorded && m_undoPosition > 0) {
    m_groupStartPending = true;
    const UndoStep& last = m_undo[m_undoPosition - 1];
    const int action = last.action;
    const std::string text = last.text;  // the view may record more changes
    view->OnEditAction(action, text);
  }
  m_groupOpen = false;
}

std::vector<std::string_view> CTextBuffer::RecordPieces(const UndoStep& step) const {
  if (step.pieceLengths.empty()) return SplitInsertedText(step.text);
  std::vector<std::string_view> pieces;
  std::string_view rest = step.text;
  for (int length : step.pieceLengths) {
    pieces.push_back(rest.substr(0, length));
    rest.remove_prefix(std::min(rest.size(), static_cast<std::size_t>(length) + 2));  // the CR LF between lines
  }
  return pieces;
}

bool CTextBuffer::UndoGroup(TextPos& caret) {
  if (m_readOnly || m_undoPosition == 0) return false;
  while (m_undoPosition > 0) {
    const UndoStep step = m_undo[--m_undoPosition];
    if (step.kind & UndoKindInsert) {
      DeleteRaw(nullptr, step.start, step.end);
      caret = step.start;
    } else {
      TextPos end;
      InsertPieces(nullptr, step.start, RecordPieces(step), end);
      caret = end;
    }
    if (step.kind & UndoKindGroupStart) break;
  }
  UpdateModifiedFromHistory();
  return true;
}

bool CTextBuffer::RedoGroup(TextPos& caret) {
  const int count = static_cast<int>(m_undo.size());
  if (m_readOnly || m_undoPosition >= count) return false;
  do {
    const UndoStep step = m_undo[m_undoPosition++];
    if (step.kind & UndoKindInsert) {
      TextPos end;
      InsertPieces(nullptr, step.start, SplitInsertedText(step.text), end);
      caret = end;
    } else {
      DeleteRaw(nullptr, step.start, step.end);
      caret = step.start;
    }
  } while (m_undoPosition < count && !(m_undo[m_undoPosition].kind & UndoKindGroupStart));
  UpdateModifiedFromHistory();
  return true;
}

void CTextBuffer::UpdateModifiedFromHistory() {
  const bool atSaved = m_undoPosition == m_savedPosition;
  if (m_modified && atSaved)
    MarkModified(false);
  else if (!m_modified && !atSaved)
    MarkModified(true);
}

int CTextBuffer::UndoCaption(std::string& caption, int position) const {
  caption.clear();
  int from = position > 0 ? position : m_undoPosition;
  from = std::min(from, static_cast<int>(m_undo.size()));
  for (int i = from - 1; i >= 0; --i) {
    if ((m_undo[i].kind & UndoKindGroupStart) || i == 0) {
      if (!ActionCaption(m_undo[i].action, caption)) caption.clear();
      return i;
    }
  }
  return -1;
}

int CTextBuffer::RedoCaption(std::string& caption, int position) const {
  caption.clear();
  int at = position > 0 ? position : m_undoPosition;
  if (at < 0 || at >= static_cast<int>(m_undo.size())) return -1;
  if (!ActionCaption(m_undo[at].action, caption)) caption.clear();
  return at;
}

}  // namespace orva
