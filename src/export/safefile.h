#pragma once
// Writing a file so that it is either wholly there or not at all: the bytes
// go to a temporary file in the target's folder, which replaces the target
// by a rename only once everything was written. A save that fails or is
// cancelled removes the temporary file and leaves an existing target as it
// was.

#include <cstdio>
#include <memory>
#include <string>

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
  // Starts, without waiting, the disk writes of what was written so far (in
  // steps of some megabytes), so that the disk works while the save goes on
  // and the sync at the end has little left to wait for. Write does this
  // itself; writers using the stream call it now and then.
  void StartWriteback();
  // Closes the stream, for writers that write the temporary path themselves.
  bool CloseStream();
  // Closes the stream, checking that every byte reached the file, syncs the
  // file to the disk and renames it over the target.
  bool Commit();
  // Removes the temporary file.
  void Discard();

  // errno of the first failure (0 when none).
  int Error() const { return m_error; }
  // A readable description of that failure.
  std::string ErrorText() const;

 private:
  void Fail(int error);

  std::string m_target;
  std::string m_temporary;
  std::FILE* m_stream = nullptr;
  std::unique_ptr<char[]> m_buffer;  // the stream's
  bool m_committed = false;
  int m_error = 0;
  long long m_writebackFrom = 0;
};

}  // namespace orva
