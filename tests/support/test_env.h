#pragma once
// Helpers every test can use: a temporary folder that removes itself, and a
// recorder that answers message boxes instead of a user.

#include <QString>
#include <QTemporaryDir>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/messagebox.h"

namespace orva::test {

// The folder the test main created for this process (settings live below it).
QString ProcessTempDir();

// Records every message box shown while it lives and answers each with the
// next queued answer, or with the box's first button when none is queued.
class MessageBoxRecorder {
 public:
  MessageBoxRecorder();
  ~MessageBoxRecorder();
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

  void QueueAnswer(int answer);
  std::vector<MessageBoxRequest> Boxes() const;
  std::size_t Count() const;
  // Text of the last box (empty when none was shown).
  QString LastText() const;
  void Clear();

 private:
  mutable std::mutex m_lock;
  std::vector<MessageBoxRequest> m_boxes;
  std::deque<int> m_answers;
  MessageBoxHook m_previous;
};

}  // namespace orva::test
