#pragma once
// File input and output for text documents: whole-file reading in fixed
// blocks, and replacing a file atomically so that a failed save never leaves
// the target missing or half written.

#include <cerrno>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace orva {

inline constexpr std::size_t kTextFileBlockSize = 32768;

struct FileBytes {
  std::unique_ptr<char[]> data;  // never null after a successful read
  std::size_t size = 0;
  std::size_t capacity = 0;  // bytes allocated for data, at least size
  bool readOnly = false;  // the file has no write permission for this user
};

// errno after ReadWholeFile refused a pipe, a socket or a device.
inline constexpr int kErrNotRegularFile = ENODEV;

// Reads a regular file whole, in blocks of kTextFileBlockSize bytes. False
// when it cannot be opened or a read fails, and for anything that is not a
// regular file (errno EISDIR for a folder, kErrNotRegularFile otherwise).
bool ReadWholeFile(const std::string& path, FileBytes& out);

// Writes a new version of a file into a temporary file beside it ("CRE..."),
// then, on Commit, flushes it to disk and renames it over the target in one
// step. Until then, and whenever a step fails, the target is untouched; the
// temporary file is removed unless it became the target.
class AtomicFileWriter {
 public:
  AtomicFileWriter() = default;
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  bool Open(const std::string& targetPath);
  bool Write(std::string_view bytes);
  // With `backup`, an existing target is kept as target + ".bak" first.
  bool Commit(bool backup);

 private:
  bool Flush();
  void Discard();

  std::string m_target;
  std::string m_tempPath;
  int m_fd = -1;
  bool m_failed = false;
  std::string m_pending;
};

}  // namespace orva
