#pragma once
// Writing a file so that it is either wholly there or not at all: the bytes
// go to a temporary file in the target's folder, which replaces the target
// by a rename only once everything was written. A save that fails or is
// cancelled removes the temporary file and leaves an existing target as it
// was.

#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace orva {

class SafeFileOutput {
 public:
  explicit SafeFileOutput(std::string target);
  ~SafeFileOutput();  // removes the temporary file unless committed
  SafeFileOutput(const SafeFileOutput&) = delete;
  SafeFileOutput& operator=(const SafeFileOutput&) = delete;

  // Creates the temporary file. False when the folder cannot take it or an
  // existing target may not be replaced by this user.
  bool Open();
  // The stream on the temporary file (buffered; null before Open).
  std::FILE* Stream() const { return m_stream; }
  const std::string& TemporaryPath() const { return m_temporary; }
  const std::string& Target() const { return m_target; }

  // Writes all bytes; false (and the error kept) on a short write.
  bool Write(const void* data, std::size_t size);
  // Writes the bytes on a helper thread and returns at once, so that the next
  // block can be made meanwhile. The bytes must stay as they are until the
  // next call of any other member (which waits for the write first). False
  // when an earlier write failed.
  bool WriteBehind(const void* data, std::size_t size);
  // Waits for the bytes given to WriteBehind; false when a write failed.
  bool Drain();
  // Closes the stream, for writers that write the temporary path themselves.
  bool CloseStream();
  // Closes the stream, checking that every byte reached the file, syncs the
  // file to the disk and renames it over the target.
  bool Commit();
  // Removes the temporary file.
  void Discard();

  // errno of the first failure (0 when none).
  int Error() {
    Drain();
    return m_error;
  }
  // A readable description of that failure.
  std::string ErrorText();

 private:
  void Fail(int error);
  int WriteAll(int fd, const char* bytes, std::size_t size);
  // Starts, without waiting, the disk writes of what was written so far (in
  // steps of some megabytes), so that the disk works while the save goes on
  // and the sync at the end has little left to wait for.
  void KickWriteback(int fd);
  void RunWriter(int fd);
  void StopWriter();

  std::string m_target;
  std::string m_temporary;
  std::FILE* m_stream = nullptr;
  std::unique_ptr<char[]> m_buffer;  // the stream's
  bool m_committed = false;
  int m_error = 0;
  long long m_writebackFrom = 0;

  // The write-behind thread and its one block. Once the thread has taken a
  // block, it alone touches the file, m_error and m_writebackFrom until it
  // clears m_busy under the lock.
  std::thread m_writer;
  std::mutex m_lock;
  std::condition_variable m_changed;
  const char* m_block = nullptr;
  std::size_t m_blockSize = 0;
  bool m_busy = false;
  bool m_stop = false;
};

}  // namespace orva
