#pragma once
// Autosave of a query window for recovery: a few seconds after the typing
// stops, and as each run starts, the window's text goes to the recovery
// store with its file name, connection string (no password) and caret. The
// text is copied from the buffer in short slices between events, so even a
// very large script never holds up typing; the store writes it on its own
// thread. An unmodified window has no entry; a window closed normally
// removes its entry.

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <string>

#include "editor/textbuffer.h"
#include "query/recoverystore.h"

namespace orva {

class CChildFrame;
class CQueryDoc;

class CQueryAutosave : public QObject, public ITextBufferView {
 public:
  // Watches the frame's document; the store outlives the window.
  CQueryAutosave(CChildFrame& frame, CQueryDoc& document, CRecoveryStore& store);
  // The window closed normally: its entry goes.
  ~CQueryAutosave() override;

  // The store windows save to (none: no autosave), set by the application.
  static void SetStore(CRecoveryStore* store);
  static CRecoveryStore* Store();
  // Milliseconds of quiet after a change before the text is saved.
  static void SetDelay(int milliseconds);

  // Saves the text now when it changed since the last save (a run starts);
  // a script of more than a few megabytes is copied in slices as usual.
  void SaveNow();
  int Id() const { return m_id; }

  void OnBufferChanged(ITextBufferView* source, const EditContext* context, std::uint32_t changeFlags,
                       int line) override;

 private:
  void OnQuiet();
  void CopySlice();
  void Submit(std::string text);
  RecoveryInfo Info() const;

  CChildFrame& m_frame;
  CQueryDoc& m_document;
  CRecoveryStore& m_store;
  int m_id;
  QTimer m_quiet;
  std::uint64_t m_changes = 0;       // changes of the text so far
  std::uint64_t m_savedChanges = 0;  // the count the saved entry has
  bool m_hasEntry = false;
  // The copy under way: the text so far, the next line, the count it began at.
  std::string m_copy;
  int m_copyLine = -1;
  std::uint64_t m_copyChanges = 0;
};

// Loads a recovered entry into a document: its text as it was, its file name
// and encoding, marked modified. False when the text cannot be read.
bool LoadRecoveredText(CQueryDoc& document, const RecoveryEntry& entry);

}  // namespace orva
