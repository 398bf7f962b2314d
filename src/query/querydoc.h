#pragma once
// The document of a query window: one SQL script held in a text buffer, opened
// from and saved to a plain GBK ".sql" file. Every view of the document shares
// the buffer. The document owns the modified flag (the buffer forwards every
// change of it here), the file path and the read-only command.

#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "editor/textbuffer.h"
#include "platform/command.h"

class QWidget;

namespace orva {

class CQueryDoc;

// The buffer of a query document: its modified flag lives in the document, so
// that the save prompts follow every change.
class CQueryTextBuffer : public CTextBuffer {
 public:
  explicit CQueryTextBuffer(CQueryDoc& document) : m_document(document) {}
  void MarkModified(bool modified) override;

 private:
  CQueryDoc& m_document;
};

class CQueryDoc : public ICommandTarget {
 public:
  CQueryDoc();
  ~CQueryDoc() override;
  CQueryDoc(const CQueryDoc&) = delete;
  CQueryDoc& operator=(const CQueryDoc&) = delete;

  CQueryTextBuffer& Buffer() { return m_buffer; }
  const CQueryTextBuffer& Buffer() const { return m_buffer; }

  // A new script: one empty line, CR LF line ends, no path, not modified.
  bool OnNewDocument();
  // Loads a file, detecting its end-of-line mode. On failure the document is
  // left as it was, a message box tells why, and the result is false.
  bool OnOpenDocument(const std::string& path);
  // Writes the script to `path` in the buffer's end-of-line mode. On success
  // the path becomes `path` and the document is no longer modified. On
  // failure a message box gives the reason, the document keeps its old path
  // and stays modified, and the result is false.
  bool OnSaveDocument(const std::string& path);
  // Empties the buffer (no lines until the next new or open).
  void DeleteContents();

  // Saves to the current path, or asks for one first (save as when `askPath`).
  // False when the user cancelled or the save failed.
  bool DoSave(bool askPath = false);
  // Before the document closes: a modified document asks whether to save it.
  // Yes saves (false when that fails or is cancelled), No discards, Cancel
  // keeps the document open (false).
  bool SaveModified();

  bool IsModified() const { return m_modified; }
  void SetModifiedFlag(bool modified);
  const std::string& PathName() const { return m_path; }
  void SetPathName(const std::string& path);
  // The window title: the file name, or the title given to a new document.
  const QString& Title() const { return m_title; }
  void SetTitle(const QString& title) { m_title = title; }

  // Called whenever the modified flag changes (the frame marks its title).
  void SetModifiedObserver(std::function<void(bool)> observer) { m_modifiedObserver = std::move(observer); }
  // Called whenever the path changes (opening, save as).
  void SetPathObserver(std::function<void()> observer) { m_pathObserver = std::move(observer); }
  // Asks the path to save to; the default runs a save-file dialog through
  // ExecDialog. Tests replace it.
  void SetSavePathPrompt(std::function<std::optional<std::string>(const CQueryDoc&)> prompt) {
    m_savePathPrompt = std::move(prompt);
  }
  // Parent for the message boxes (the query window), may be null.
  void SetMessageParent(QWidget* parent) { m_messageParent = parent; }

  // Read-only (40001), save and save as.
  bool OnCommand(int id) override;
  bool OnUpdateCommand(int id, CmdUI& ui) override;
  void ToggleReadOnly();

 private:
  std::optional<std::string> AskSavePath() const;
  // After opening or saving: on failure tells the user why (the system's
  // reason) and returns false; on success the document takes the path and is
  // no longer modified.
  bool FinishFileStep(bool done, const char* failure, const std::string& path);

  CQueryTextBuffer m_buffer;
  bool m_modified = false;
  std::string m_path;
  QString m_title;
  std::function<void(bool)> m_modifiedObserver;
  std::function<void()> m_pathObserver;
  std::function<std::optional<std::string>(const CQueryDoc&)> m_savePathPrompt;
  QWidget* m_messageParent = nullptr;
};

}  // namespace orva
