#pragma once
// The text of one editable document: lines of GBK bytes, an undo history,
// per-line flag bits (bookmarks), the end-of-line mode of the file it came
// from, a read-only flag and a modified flag. One buffer is shared by any
// number of views; every change is announced to all attached views. The
// buffer knows nothing about colouring, fonts or windows.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/gaparray.h"
#include "editor/textpos.h"

namespace orva {

// End-of-line sequence written on save and recognised on load.
enum EolMode : int {
  EolCrLf = 0,  // "DOS"
  EolLfCr = 1,  // "UNIX"
  EolLf = 2,    // "MAC"
};

// What an undo record did, for the Undo/Redo menu captions.
enum UndoAction : int {
  UndoUnknown = 0,
  UndoPaste = 1,
  UndoDeleteSelection = 2,
  UndoCut = 3,
  UndoTyping = 4,
  UndoBackspace = 5,
  UndoIndent = 6,
  UndoDragDrop = 7,
  UndoReplace = 8,
  UndoDelete = 9,
  UndoAutoIndent = 10,
};

// Sent to views with every change.
enum ChangeFlags : std::uint32_t {
  ChangeWidth = 0x0001,      // line lengths changed
  ChangeLineCount = 0x0002,  // lines were added or removed
  ChangeOneLine = 0x0100,    // only the given line changed
  ChangeFlagsOnly = 0x0200,  // only line flags changed
  ChangeReset = 0x1000,      // the whole text was replaced
};

// Line flag bits.
inline constexpr std::uint32_t LineFlagBookmark(int n) { return 1u << n; }  // numbered bookmarks 0-9
inline constexpr std::uint32_t LineFlagGreen = 0x10000;   // drawn on green, white text
inline constexpr std::uint32_t LineFlagRed = 0x20000;     // drawn on red, white text
inline constexpr std::uint32_t LineFlagAnonymousBookmark = 0x80000;
inline constexpr std::uint32_t LineFlagOlive = 0x100000;  // drawn on olive, white text

// One line. Lines of a loaded file point into the block the file was read into
// (capacity 0) until an edit makes one grow; then the line gets its own
// allocation, rounded up to 16 bytes so that typing rarely reallocates.
struct LineEntry {
  char* text = nullptr;
  int length = 0;    // bytes, without any line separator
  int capacity = 0;  // bytes owned by this line; 0 = bytes live in the loaded block
  std::uint32_t flags = 0;
};

// Kind bits of an undo record.
inline constexpr std::uint32_t UndoKindInsert = 0x001;      // clear = the change deleted text
inline constexpr std::uint32_t UndoKindGroupStart = 0x100;  // first record of an undo group

struct UndoStep {
  std::uint32_t kind = 0;
  TextPos start;
  TextPos end;
  int action = UndoUnknown;
  std::string text;  // inserted or deleted bytes; short texts live inside the string
  // Lengths of the deleted lines, kept only when the deleted text holds CR
  // bytes of its own, which would otherwise read as line breaks on undo.
  std::vector<int> pieceLengths;
};

class ITextBufferView {
 public:
  virtual ~ITextBufferView() = default;
  // Called for every change, on every attached view, the source included.
  // `context` (may be null) moves positions across the change.
  virtual void OnBufferChanged(ITextBufferView* source, const EditContext* context, std::uint32_t changeFlags,
                               int line) = 0;
  // Called when the view closes an undo group, with the action and text of the
  // last applied record; may record further changes (automatic indentation).
  virtual void OnEditAction(int action, const std::string& text) {}
};

class CTextBuffer {
 public:
  CTextBuffer();
  virtual ~CTextBuffer();
  CTextBuffer(const CTextBuffer&) = delete;
  CTextBuffer& operator=(const CTextBuffer&) = delete;

  // The caption of an UndoAction (UTF-8, as the string table holds it); false
  // and caption untouched for codes outside 0-10.
  virtual bool ActionCaption(int action, std::string& caption) const;
  // Stores the modified flag; a derived buffer may send it elsewhere.
  virtual void MarkModified(bool modified);

  bool CreateEmpty(int eolMode = EolCrLf);
  // eolMode -1 detects the mode from the first block of the file; encoding
  // -1 detects the file's encoding (a TextEncoding), which the buffer keeps
  // for saving. False when the file cannot be read; the buffer is then left
  // as it was.
  bool LoadFile(const std::string& path, int eolMode = -1, int encoding = -1);
  // eolMode -1 uses the buffer's. The text is written in the buffer's
  // encoding. The file is replaced atomically; on failure the previous file
  // is left untouched and the result is false.
  bool SaveFile(const std::string& path, int eolMode = -1, bool clearModified = true);
  void Clear();
  bool IsInitialised() const { return m_initialised; }

  int LineCount() const { return static_cast<int>(m_lines.size()); }
  int LineLength(int line) const { return m_lines[line].length; }
  // Not terminated; valid until the next change.
  const char* LineText(int line) const { return m_lines[line].text; }
  std::string_view Line(int line) const { return {m_lines[line].text, static_cast<std::size_t>(m_lines[line].length)}; }
  std::uint32_t LineFlags(int line) const { return m_lines[line].flags; }

  // Sets or clears one flag bit on a line (-1 = the line that has it). With
  // `move`, setting the bit first clears it on the line that carries it.
  void ChangeLineFlag(int line, std::uint32_t flag, bool on, bool move);
  // The first line carrying the bit; -1 also when flag is not a single bit.
  int LineWithFlag(std::uint32_t flag) const;
  // Anonymous bookmark search from a line, wrapping once; -1 when none.
  int NextMarkedLine(int line) const;
  int PrevMarkedLine(int line) const;

  // True when the byte is the second byte of a double-byte character.
  bool IsTrailByteAt(int line, int column) const;

  // The text between two positions, `separator` between lines.
  void CopyRange(int startLine, int startColumn, int endLine, int endColumn, std::string& text,
                 std::string_view separator = "\r\n") const;

  // Inserts text (up to any NUL byte); CR or CR LF in it breaks lines, a bare
  // LF is an ordinary byte. Recorded for undo.
  bool InsertAt(ITextBufferView* source, int line, int column, std::string_view text, int& endLine, int& endColumn,
                int action = UndoUnknown);
  bool DeleteRange(ITextBufferView* source, int startLine, int startColumn, int endLine, int endColumn,
                   int action = UndoUnknown);

  // Undo groups: every record between open and close is undone in one step.
  // With `merge`, the records join the previous group (typing).
  void OpenUndoGroup(bool merge = false);
  void CloseUndoGroup(ITextBufferView* view = nullptr);
  bool HasUndo() const { return m_undoPosition > 0; }
  bool HasRedo() const { return m_undoPosition < static_cast<int>(m_undo.size()); }
  // Undo or redo one group; false when there is nothing to do or the buffer is
  // read-only.
  bool UndoGroup(TextPos& caret);
  bool RedoGroup(TextPos& caret);
  // Caption of the group that would be undone (redone) from a history
  // position (0 = the current one); returns the record index, -1 when none.
  int UndoCaption(std::string& caption, int position = 0) const;
  int RedoCaption(std::string& caption, int position = 0) const;
  int UndoRecordCount() const { return static_cast<int>(m_undo.size()); }
  int UndoPosition() const { return m_undoPosition; }
  const UndoStep& UndoRecord(int index) const { return m_undo[index]; }

  bool IsModified() const { return m_modified; }
  bool IsReadOnly() const { return m_readOnly; }
  void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
  int EolMode() const { return m_eolMode; }
  void SetEolMode(int mode);
  // The TextEncoding files are read in and written in (GBK for new text).
  int Encoding() const { return m_encoding; }
  void SetEncoding(int encoding) { m_encoding = encoding; }
  bool CreateBackup() const { return m_createBackup; }
  void SetCreateBackup(bool on) { m_createBackup = on; }

  void AttachView(ITextBufferView* view);
  void DetachView(ITextBufferView* view);
  void NotifyViews(ITextBufferView* source, const EditContext* context, std::uint32_t changeFlags, int line);

 private:
  void FreeLines();
  void ResetHistory();
  void ResetToEmptyLine();
  void FinishReset();
  bool ValidPos(int line, int column) const;
  void ReserveLine(LineEntry& entry, int length);
  void LeftBlock();
  // The raw steps, without undo recording.
  bool InsertPieces(ITextBufferView* source, TextPos start, const std::vector<std::string_view>& pieces,
                    TextPos& end);
  bool DeleteRaw(ITextBufferView* source, TextPos start, TextPos end);
  void MarkChanged();
  void AppendUndo(bool insertion, TextPos start, TextPos end, int action, std::string text,
                  std::vector<int> pieceLengths = {});
  void UpdateModifiedFromHistory();
  std::vector<std::string_view> RecordPieces(const UndoStep& step) const;

  bool m_initialised = false;
  bool m_readOnly = false;
  bool m_modified = false;
  int m_eolMode = EolCrLf;
  int m_encoding = 0;  // EncodingGbk
  bool m_createBackup = false;
  int m_undoLimit = 1024;
  GapArray<LineEntry> m_lines;
  std::unique_ptr<char[]> m_block;  // the loaded file's bytes, shared by unedited lines
  int m_blockLines = 0;             // lines still pointing into m_block
  int m_blockCapacity = 0;          // bytes allocated for m_block
  std::vector<UndoStep> m_undo;
  int m_undoPosition = 0;
  int m_savedPosition = 0;  // -1 when the saved state can no longer be reached
  bool m_groupOpen = false;
  bool m_groupStartPending = false;
  bool m_groupRecorded = false;  // the open group has appended a record
  int m_openGroupFirst = 0;      // index of the open group's first record
  std::vector<ITextBufferView*> m_views;
};

// Splits text into lines on CR or CR LF (a bare LF stays in the line).
std::vector<std::string_view> SplitInsertedText(std::string_view text);

}  // namespace orva
