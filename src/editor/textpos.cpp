#include "editor/textpos.h"

namespace orva {

void InsertEditContext::AdjustPos(TextPos& pos) const {
  if (pos.line < m_start.line) return;
  if (pos.line > m_start.line) {
    pos.line += m_end.line - m_start.line;
    return;
  }
  // On the insertion line only what lies after the insertion point moves; a
  // position exactly at the start stays in front of the new text.
  if (pos.column > m_start.column) {
    pos.column = m_end.column + (pos.column - m_start.column);
    pos.line = m_end.line;
  }
}

void DeleteEditContext::AdjustPos(TextPos& pos) const {
  if (pos.line < m_start.line) return;
  if (pos.line > m_end.line) {
    pos.line -= m_end.line - m_start.line;
    return;
  }
  if (pos.line == m_end.line && pos.column >= m_end.column) {
    pos.column = m_start.column + (pos.column - m_end.column);
    pos.line = m_start.line;
    return;
  }
  if (pos.line == m_start.line && pos.column <= m_start.column) return;
  // Anywhere inside the deleted text.
  pos = m_start;
}

}  // namespace orva
