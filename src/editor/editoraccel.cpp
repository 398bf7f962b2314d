#include "editor/editoraccel.h"

#include <iterator>

#include "platform/resource_ids.h"

namespace orva {

namespace {

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kAlt = Qt::AltModifier;
constexpr Qt::KeyboardModifiers kCtrlShift = Qt::ControlModifier | Qt::ShiftModifier;

// Accelerator table 22901.
const EditorAccelerator kTable[] = {
    {kNone, Qt::Key_Left, ID_EDIT_MOVE_CHAR_LEFT},
    {kShift, Qt::Key_Left, ID_EDIT_EXTEND_CHAR_LEFT},
    {kNone, Qt::Key_Right, ID_EDIT_MOVE_CHAR_RIGHT},
    {kShift, Qt::Key_Right, ID_EDIT_EXTEND_CHAR_RIGHT},
    {kCtrl, Qt::Key_Left, ID_EDIT_MOVE_WORD_LEFT},
    {kCtrlShift, Qt::Key_Left, ID_EDIT_EXTEND_WORD_LEFT},
    {kCtrl, Qt::Key_Right, ID_EDIT_MOVE_WORD_RIGHT},
    {kCtrlShift, Qt::Key_Right, ID_EDIT_EXTEND_WORD_RIGHT},
    {kNone, Qt::Key_Up, ID_EDIT_MOVE_LINE_UP},
    {kShift, Qt::Key_Up, ID_EDIT_EXTEND_LINE_UP},
    {kNone, Qt::Key_Down, ID_EDIT_MOVE_LINE_DOWN},
    {kShift, Qt::Key_Down, ID_EDIT_EXTEND_LINE_DOWN},
    {kCtrl, Qt::Key_Up, ID_EDIT_SCROLL_UP},
    {kCtrl, Qt::Key_Down, ID_EDIT_SCROLL_DOWN},
    {kNone, Qt::Key_PageUp, ID_EDIT_MOVE_PAGE_UP},
    {kShift, Qt::Key_PageUp, ID_EDIT_EXTEND_PAGE_UP},
    {kNone, Qt::Key_PageDown, ID_EDIT_MOVE_PAGE_DOWN},
    {kShift, Qt::Key_PageDown, ID_EDIT_EXTEND_PAGE_DOWN},
    {kNone, Qt::Key_End, ID_EDIT_MOVE_LINE_END},
    {kShift, Qt::Key_End, ID_EDIT_EXTEND_LINE_END},
    {kNone, Qt::Key_Home, ID_EDIT_MOVE_LINE_START},
    {kShift, Qt::Key_Home, ID_EDIT_EXTEND_LINE_START},
    {kCtrl, Qt::Key_Home, ID_EDIT_MOVE_TEXT_START},
    {kCtrlShift, Qt::Key_Home, ID_EDIT_EXTEND_TEXT_START},
    {kCtrl, Qt::Key_End, ID_EDIT_MOVE_TEXT_END},
    {kCtrlShift, Qt::Key_End, ID_EDIT_EXTEND_TEXT_END},
    {kCtrl, Qt::Key_C, ID_EDIT_COPY},
    {kCtrl, Qt::Key_Insert, ID_EDIT_COPY},
    {kCtrl, Qt::Key_A, ID_EDIT_SELECT_ALL},
    {kShift, Qt::Key_F3, ID_EDIT_FIND_PREVIOUS},
    {kNone, Qt::Key_F3, ID_EDIT_REPEAT},
    {kCtrl, Qt::Key_F, ID_EDIT_FIND},
    {kCtrl, Qt::Key_G, ID_EDIT_GOTO_LINE},
    {kCtrl, Qt::Key_0, ID_EDIT_TOGGLE_BOOKMARK_0},
    {kCtrl, Qt::Key_1, ID_EDIT_TOGGLE_BOOKMARK_1},
    {kCtrl, Qt::Key_2, ID_EDIT_TOGGLE_BOOKMARK_2},
    {kCtrl, Qt::Key_3, ID_EDIT_TOGGLE_BOOKMARK_3},
    {kCtrl, Qt::Key_4, ID_EDIT_TOGGLE_BOOKMARK_4},
    {kCtrl, Qt::Key_5, ID_EDIT_TOGGLE_BOOKMARK_5},
    {kCtrl, Qt::Key_6, ID_EDIT_TOGGLE_BOOKMARK_6},
    {kCtrl, Qt::Key_7, ID_EDIT_TOGGLE_BOOKMARK_7},
    {kCtrl, Qt::Key_8, ID_EDIT_TOGGLE_BOOKMARK_8},
    {kCtrl, Qt::Key_9, ID_EDIT_TOGGLE_BOOKMARK_9},
    {kAlt, Qt::Key_0, ID_EDIT_GO_BOOKMARK_0},
    {kAlt, Qt::Key_1, ID_EDIT_GO_BOOKMARK_1},
    {kAlt, Qt::Key_2, ID_EDIT_GO_BOOKMARK_2},
    {kAlt, Qt::Key_3, ID_EDIT_GO_BOOKMARK_3},
    {kAlt, Qt::Key_4, ID_EDIT_GO_BOOKMARK_4},
    {kAlt, Qt::Key_5, ID_EDIT_GO_BOOKMARK_5},
    {kAlt, Qt::Key_6, ID_EDIT_GO_BOOKMARK_6},
    {kAlt, Qt::Key_7, ID_EDIT_GO_BOOKMARK_7},
    {kAlt, Qt::Key_8, ID_EDIT_GO_BOOKMARK_8},
    {kAlt, Qt::Key_9, ID_EDIT_GO_BOOKMARK_9},
    {kCtrl, Qt::Key_F2, ID_EDIT_TOGGLE_MARK},
    {kNone, Qt::Key_F2, ID_EDIT_NEXT_MARK},
    {kShift, Qt::Key_F2, ID_EDIT_PREV_MARK},
    {kCtrlShift, Qt::Key_F2, ID_EDIT_CLEAR_MARKS},
    // Editing keys, handled by the editing view.
    {kNone, Qt::Key_Delete, ID_EDIT_DELETE},
    {kNone, Qt::Key_Backspace, ID_EDIT_DELETE_BACK},
    {kCtrl, Qt::Key_Backspace, ID_EDIT_DELETE_WORD_BACK},
    {kNone, Qt::Key_Tab, ID_EDIT_TAB},
    {kShift, Qt::Key_Backtab, ID_EDIT_UNTAB},
    {kShift, Qt::Key_Tab, ID_EDIT_UNTAB},
    {kNone, Qt::Key_Insert, ID_EDIT_TOGGLE_OVERWRITE},
    {kCtrl, Qt::Key_X, ID_EDIT_CUT},
    {kShift, Qt::Key_Delete, ID_EDIT_CUT},
    {kCtrl, Qt::Key_V, ID_EDIT_PASTE},
    {kShift, Qt::Key_Insert, ID_EDIT_PASTE},
    {kCtrl, Qt::Key_Z, ID_EDIT_UNDO},
    {kAlt, Qt::Key_Backspace, ID_EDIT_UNDO},
    {kCtrl, Qt::Key_Y, ID_EDIT_REDO},
    {kCtrl, Qt::Key_H, ID_EDIT_REPLACE},
};

}  // namespace

int FindEditorAccelerator(QKeyCombination key) {
  const Qt::KeyboardModifiers mods = key.keyboardModifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
  for (const EditorAccelerator& entry : kTable) {
    if (entry.key == key.key() && entry.modifiers == mods) return entry.command;
  }
  return 0;
}

const EditorAccelerator* EditorAccelerators(int& count) {
  count = static_cast<int>(std::size(kTable));
  return kTable;
}

}  // namespace orva
