// In-place editing, the end-edit path shared by editing, Delete, cut and
// paste, and the clipboard commands.

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

#include "grid/gridclipboard.h"
#include "grid/gridctrl.h"
#include "grid/inplaceedit.h"
#include "grid/titletip.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"

namespace orva {

namespace {

bool IsContinuingKey(int key) {
  switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: return true;
    default: return false;
  }
}

}  // namespace

void CGridCtrl::StartCellEdit(int row, int col, QPoint point, int firstChar) {
  if (!m_editable || m_editor) return;
  {
    Lock lock = Locked();
    if (!m_store.IsValid(row, col) || m_store.IsVirtual()) return;
    const std::uint32_t state = m_store.State(row, col);
    if (state & (GVIS_READONLY | GVIS_FIXED)) return;
  }
  m_titleTip->Hide();
  EnsureVisible(row, col);
  if (!IsCellVisible(row, col)) return;
  if (SendMessageToParent(row, col, GVN_BEGINLABELEDIT) < 0) return;
  QRect rect;
  if (!GetCellRect(row, col, rect)) return;
  CGridCellBase* cell = GetCell(row, col);
  if (!cell || !cell->Edit(row, col, rect.adjusted(0, 0, -1, -1), point, IDC_INPLACE_CONTROL, firstChar)) return;
  m_editor = qobject_cast<GridInPlaceEdit*>(cell->GetEditWnd());
}

long CGridCtrl::OnGridCellInfo(GridCellInfo& info) {
  if (info.hdr.code == GVN_ENDLABELEDIT && info.hdr.from == m_editor.data())
    OnEditorEnded(info.item.row, info.item.col, info.item.text, info.endKey);
  return 0;
}

void CGridCtrl::OnEditorEnded(int row, int col, std::string_view text, int endKey) {
  {
    Lock lock = Locked();
    if (m_store.IsValid(row, col))
      if (CGridCellBase* cell = m_store.FullCell(row, col)) cell->SetEditWnd(nullptr);
  }
  m_editor = nullptr;
  FinishCellEdit(row, col, text);
  if (endKey != 0) setFocus(Qt::OtherFocusReason);
  if (!IsContinuingKey(endKey)) return;
  // The key that ended the edit moves the focus, and editing goes on there.
  const CellId before = GetFocusCell();
  HandleNavigationKey(endKey, Qt::NoModifier);
  const CellId after = GetFocusCell();
  if (after.IsValid() && !(after == before) && hasFocus()) StartCellEdit(after.row, after.col, QPoint(-1, -1), endKey);
}

void CGridCtrl::FinishCellEdit(int row, int col, std::string_view text) { ApplyEditedText(row, col, text, false); }

bool CGridCtrl::ValidateEdit(int row, int col, std::string_view text) {
  Lock lock = Locked();
  if (!m_store.IsValid(row, col)) return false;
  CGridCellBase* cell = m_store.FullCell(row, col);
  return !cell || cell->ValidateEdit(text);
}

bool CGridCtrl::ApplyEditedText(int row, int col, std::string_view text, bool askBegin) {
  if (!IsValid(row, col)) return false;
  if (askBegin && SendMessageToParent(row, col, GVN_BEGINLABELEDIT) < 0) return false;
  const std::string old = GetItemText(row, col);
  if (old == text) return true;
  SetItemText(row, col, text);
  const bool accepted = ValidateEdit(row, col, text) && SendMessageToParent(row, col, GVN_ENDLABELEDIT) >= 0;
  if (!accepted) {
    SetItemText(row, col, old);
    return false;
  }
  {
    Lock lock = Locked();
    if (m_store.IsValid(row, col)) m_store.SetState(row, col, m_store.State(row, col) | GVIS_MODIFIED);
  }
  RedrawCell(row, col);
  return true;
}

void CGridCtrl::ClearSelectedText() {
  CellRange bounds = GetSelectedCellRange();
  if (!bounds.IsValid()) return;
  for (int r = bounds.minRow; r <= bounds.maxRow; ++r)
    for (int c = bounds.minCol; c <= bounds.maxCol; ++c) {
      std::uint32_t state = GetItemState(r, c);
      if ((state & GVIS_SELECTED) && !(state & (GVIS_READONLY | GVIS_FIXED))) ApplyEditedText(r, c, "", true);
    }
}

// ---- Clipboard ----

QMimeData* CGridCtrl::CopyTextFromGrid() {
  std::string text;
  {
    Lock lock = Locked();
    CellRange bounds = m_store.SelectionBounds();
    if (!bounds.IsValid()) return nullptr;
    text = BuildCopyText(m_store, bounds);
  }
  auto* data = new QMimeData;
  data->setText(QStringFromGbk(text));
  return data;
}

bool CGridCtrl::PasteTextToGrid(CellId cell, const QMimeData* data) {
  if (!m_editable || !data || !data->hasText()) return false;
  {
    Lock lock = Locked();
    if (!m_store.IsValid(cell.row, cell.col)) return false;
    if (m_store.State(cell.row, cell.col) & (GVIS_READONLY | GVIS_FIXED)) return false;
  }
  const auto lines = ParsePasteText(GbkFromQString(data->text()));
  int row = cell.row;
  for (const auto& fields : lines) {
    // Lines go into consecutive visible rows; what lies beyond the grid is dropped.
    while (row < GetRowCount() && GetRowHeight(row) == 0) ++row;
    if (row >= GetRowCount()) break;
    int col = cell.col;
    for (const std::string& field : fields) {
      while (col < GetColumnCount() && GetColumnWidth(col) == 0) ++col;
      if (col >= GetColumnCount()) break;
      // Read-only and fixed cells keep their text; their field is dropped.
      if (GetItemState(row, col) & (GVIS_READONLY | GVIS_FIXED)) {
        ++col;
        continue;
      }
      ApplyEditedText(row, col, field, true);
      {
        Lock lock = Locked();
        if (m_store.IsValid(row, col)) m_store.Unselect(row, col);
      }
      ++col;
    }
    ++row;
  }
  RequestRefresh();
  return true;
}

void CGridCtrl::OnEditCopy() {
  if (QMimeData* data = CopyTextFromGrid()) QApplication::clipboard()->setMimeData(data);
}

void CGridCtrl::CutSelectedText() {
  if (!m_editable) return;
  OnEditCopy();
  ClearSelectedText();
}

void CGridCtrl::OnEditCut() { CutSelectedText(); }

void CGridCtrl::OnEditPaste() {
  CellId target = GetFocusCell();
  if (!target.IsValid()) {
    CellRange bounds = GetSelectedCellRange();
    target = {bounds.minRow, bounds.minCol};
  }
  if (target.IsValid()) PasteTextToGrid(target, QApplication::clipboard()->mimeData());
}

void CGridCtrl::OnEditSelectAll() { SelectAllCells(); }

bool CGridCtrl::OnCommand(int id) {
  // While a cell is edited the clipboard commands act on the editor's text.
  if (m_editor && m_editor->hasFocus()) {
    switch (id) {
      case ID_EDIT_COPY: m_editor->copy(); return true;
      case ID_EDIT_CUT: m_editor->cut(); return true;
      case ID_EDIT_PASTE: m_editor->paste(); return true;
      case ID_EDIT_SELECT_ALL: m_editor->selectAll(); return true;
      default: break;
    }
  }
  switch (id) {
    case ID_EDIT_COPY: OnEditCopy(); return true;
    case ID_EDIT_CUT: OnEditCut(); return true;
    case ID_EDIT_PASTE: OnEditPaste(); return true;
    case ID_EDIT_SELECT_ALL: OnEditSelectAll(); return true;
    default: return false;
  }
}

bool CGridCtrl::OnUpdateCommand(int id, CmdUI& ui) {
  if (m_editor && m_editor->hasFocus()) {
    switch (id) {
      case ID_EDIT_COPY:
      case ID_EDIT_CUT: ui.Enable(m_editor->hasSelectedText()); return true;
      case ID_EDIT_PASTE: ui.Enable(QApplication::clipboard()->mimeData() && QApplication::clipboard()->mimeData()->hasText()); return true;
      case ID_EDIT_SELECT_ALL: ui.Enable(true); return true;
      default: break;
    }
  }
  bool hasSelection;
  {
    Lock lock = Locked();
    hasSelection = m_selectionEnabled && m_store.HasSelection();
  }
  switch (id) {
    case ID_EDIT_COPY: ui.Enable(hasSelection); return true;
    case ID_EDIT_CUT: ui.Enable(m_editable && hasSelection); return true;
    case ID_EDIT_PASTE: {
      CellId focus = GetFocusCell();
      bool editableFocus = m_editable && focus.IsValid() && !(GetItemState(focus.row, focus.col) & (GVIS_READONLY | GVIS_FIXED));
      const QMimeData* data = QApplication::clipboard()->mimeData();
      ui.Enable(editableFocus && data && data->hasText());
      return true;
    }
    case ID_EDIT_SELECT_ALL: ui.Enable(m_selectionEnabled); return true;
    default: return false;
  }
}

}  // namespace orva
