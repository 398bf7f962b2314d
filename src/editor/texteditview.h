#pragma once
// The editing view: a text view that changes its buffer. Typing in insert and
// overwrite modes, automatic indentation, block indent and unindent, delete
// and backspace by character and by word, cut and paste, undo and redo with
// captions in the menu, drag-and-drop editing, and the find, replace and
// go-to-line dialogs. Every change goes through the buffer's undo recording.

#include <QString>
#include <functional>
#include <string>
#include <string_view>

#include "editor/finddialog.h"
#include "editor/textview.h"

namespace orva {

class CTextEditView : public CTextView, public IEditSearchTarget {
 public:
  explicit CTextEditView(QWidget* parent = nullptr);
  ~CTextEditView() override;

  // True when a buffer is attached and it can be changed.
  virtual bool IsEditable() const;

  bool Overwrite() const { return m_overwrite; }
  void SetOverwrite(bool on) { m_overwrite = on; }
  bool AutoIndent() const { return m_autoIndent; }
  void SetAutoIndent(bool on) { m_autoIndent = on; }
  bool DragDropEnabled() const { return m_dragDropEnabled; }
  void SetDragDropEnabled(bool on) { m_dragDropEnabled = on; }

  // Editing operations (also reached through the commands below).
  void TypeCharacter(std::string_view bytes);  // one character: 1, 2 or 4 GBK bytes
  void TypeText(const QString& text);           // typed Unicode text, character by character
  void Enter();
  void DeleteForward();
  void Backspace();
  void DeleteWordBack();
  void Tab();
  void Untab();
  void Cut();
  void Paste();
  void Undo();
  void Redo();
  void RunReplaceCommand();
  // Inserts text at a position as one undo step with `action` and returns its
  // end; the text's bare LF line breaks count as line breaks.
  bool InsertAsStep(TextPos at, std::string_view text, int action, TextPos& end);

  // The undo and redo menu texts with the buffer's captions.
  QString UndoMenuText() const;
  QString RedoMenuText() const;

  bool OnCommand(int id) override;
  bool OnUpdateCommand(int id, CmdUI& ui) override;
  void OnBufferChanged(ITextBufferView* source, const EditContext* context, std::uint32_t changeFlags,
                       int line) override;
  void OnEditAction(int action, const std::string& text) override;

  // IEditSearchTarget: what the find and replace dialogs do to this view.
  bool SearchBlock(std::string_view what, TextPos start, TextPos blockStart, TextPos blockEnd, unsigned flags,
                   bool wrap, TextPos& found) override;
  TextPos TextEndPos() const override { return TextEnd(); }
  void SelectHit(TextPos start, TextPos end) override;
  bool ReplaceSelection(std::string_view text, TextPos& end) override;

  // The text an input method is composing, shown at the caret until it is
  // committed.
  const QString& PreeditText() const { return m_preedit; }

  // The drop caret shown while something is dragged over the view.
  bool IsDropCaretShown() const { return m_dropCaretShown; }
  TextPos DropCaretPos() const { return m_dropCaret; }

 protected:
  void ResetViewState() override;
  Qt::DropActions DropEffects() const override { return Qt::CopyAction | Qt::MoveAction; }
  void DragFinished(Qt::DropAction action) override;
  bool RunFindDialog(FindSettings& settings) override;
  bool RunGoToLineDialog(int& oneBasedLine) override;

  // Puts the caret at `pos`, empties the selection and shows the caret.
  void PlaceCaret(TextPos pos);
  // Selects from `start` to `end` with the caret at the end.
  void SelectRange(TextPos start, TextPos end);

  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  void paintEvent(QPaintEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // The lines a block command works on: the selection's lines, without the
  // last when the selection ends at its column 0. False without a
  // selection spanning lines.
  bool SelectedBlock(int& first, int& last) const;
  void SelectBlockLines(int first, int last);
  bool DeleteSelection(int action, TextPos& caret);
  // Deletes the selection and inserts `text` in its place as one undo step;
  // the caret goes after the text. Returns that position.
  TextPos ReplaceSelectionStep(std::string_view text, int action);
  // One undo step that edits each line of a block, then selects the block.
  void EditBlockLines(int first, int last, const std::function<void(int line)>& edit);
  void DeleteRangeStep(TextPos start, TextPos end, int action);
  bool AcceptDrag(QDropEvent* event);
  void ShowDropCaret(TextPos pos);
  // Pixels taken by the first `characters` of the composed text.
  int PreeditWidth(int characters);
  void HideDropCaret();

  QString m_preedit;
  int m_preeditCursor = 0;
  bool m_overwrite = false;
  bool m_autoIndent = true;
  bool m_dragDropEnabled = true;
  bool m_dropCaretShown = false;
  TextPos m_dropCaret;
  // While the replace dialog runs on a selection: that selection, moved
  // with every change so that it can be restored afterwards.
  bool m_trackReplaceSelection = false;
  TextPos m_replaceStart;
  TextPos m_replaceEnd;
};

}  // namespace orva
