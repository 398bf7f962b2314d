#pragma once
// The editor's own key bindings: keys translated to command ids before normal
// key handling while an editor view has the focus.

#include <QKeyCombination>

namespace orva {

struct EditorAccelerator {
  Qt::KeyboardModifiers modifiers;
  Qt::Key key;
  int command;
};

// The command bound to a key (modifiers other than Shift, Ctrl and Alt, and
// the keypad flag, are ignored); 0 when the key is not bound.
int FindEditorAccelerator(QKeyCombination key);

// Every binding, for menus that show their keys.
const EditorAccelerator* EditorAccelerators(int& count);

}  // namespace orva
