#pragma once
// The recovery folder of unsaved query windows: $XDG_STATE_HOME/orva/recovery
// (~/.local/state/orva/recovery by default). Each running ORVA keeps a
// session folder there, locked while the process lives; each modified query
// window has one entry in it, written off the GUI thread and replaced
// atomically, so a crash at any moment leaves either the previous or the new
// version. A window closed normally removes its entry, and a clean exit
// removes the session folder. Entries in folders whose process is gone are
// the leftovers offered for recovery at the next start.
//
// An entry is two files: "<n>.txt" holds the text as the buffer holds it
// (GBK bytes, the buffer's line ends), "<n>.rec" what is needed to reopen it
// (file name, title, connection string without its password, caret,
// encoding, line-end mode, time). The password is never written.

#include <QString>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orva {

struct RecoveryInfo {
  std::string path;     // the script's file (native path), empty for a new script
  QString title;        // the window's document title
  std::string connect;  // GBK connection string; the password is removed
  std::string source;   // GBK name of the connection (its data source)
  int caretLine = 0;
  int caretColumn = 0;
  int encoding = 0;  // TextEncoding
  int eolMode = 0;   // EolMode
  std::int64_t savedAt = 0;  // seconds since the epoch
};

struct RecoveryEntry {
  std::string textFile;  // the "<n>.txt" file
  std::string infoFile;  // the "<n>.rec" file
  RecoveryInfo info;
};

class CRecoveryStore {
 public:
  // The session lives below `root` (DefaultRoot() when empty). The folder is
  // created on the first save.
  explicit CRecoveryStore(std::string root = {});
  // A clean exit: waits for the writes, removes the session folder.
  ~CRecoveryStore();
  CRecoveryStore(const CRecoveryStore&) = delete;
  CRecoveryStore& operator=(const CRecoveryStore&) = delete;

  static std::string DefaultRoot();
  const std::string& Root() const { return m_root; }
  const std::string& SessionFolder() const { return m_session; }

  // A number for a new window's entry.
  int NewId();
  // Queues the window's text for writing; a newer text for the same window
  // replaces one still waiting. Returns at once.
  void Save(int id, RecoveryInfo info, std::string text);
  // Queues the removal of the window's entry.
  void Remove(int id);
  // Waits until every queued write and removal is done.
  void Flush();

  // Entries of session folders whose process is gone (oldest first).
  std::vector<RecoveryEntry> Leftovers() const;
  static bool ReadText(const RecoveryEntry& entry, std::string& text);
  // Deletes a leftover entry, and its session folder once it is empty.
  static void Delete(const RecoveryEntry& entry);

 private:
  struct Job {
    int id = 0;
    bool remove = false;
    RecoveryInfo info;
    std::string text;
  };
  bool EnsureSession();
  void WriterLoop();
  void Write(const Job& job);

  std::string m_root;
  std::string m_session;
  int m_lockFd = -1;
  int m_nextId = 0;

  std::mutex m_lock;
  std::condition_variable m_wake;
  std::condition_variable m_idle;
  std::deque<Job> m_jobs;
  bool m_busy = false;
  bool m_stop = false;
  std::thread m_writer;
};

}  // namespace orva
