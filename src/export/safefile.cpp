#include "export/safefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <random>

namespace orva {
namespace {

constexpr std::size_t kStreamBuffer = 1 << 20;
// Bytes written before they are handed to the disk.
constexpr std::size_t kWritebackStep = 4 << 20;

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

SafeFileOutput::SafeFileOutput(std::string target) : m_target(std::move(target)) {}

SafeFileOutput::~SafeFileOutput() { Discard(); }

void SafeFileOutput::Fail(int error) {
  if (m_error == 0) m_error = error ? error : EIO;
}

bool SafeFileOutput::Open() {
  struct stat existing {};
  mode_t mode = 0666;  // narrowed by the umask, as for any new file
  if (::stat(m_target.c_str(), &existing) == 0) {
    if (S_ISDIR(existing.st_mode)) return Fail(EISDIR), false;
    if (::access(m_target.c_str(), W_OK) != 0) return Fail(errno), false;
    mode = existing.st_mode & 07777;
  }
  std::string folder = FolderOf(m_target);
  if (folder.back() != '/') folder += '/';
  std::random_device random;
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = folder + "." + NameOf(m_target) + ".";
    for (int i = 0; i < 8; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return Fail(errno), false;
    }
    if (mode != 0666) ::fchmod(fd, mode);
    m_stream = ::fdopen(fd, "wb");
    if (!m_stream) {
      Fail(errno);
      ::close(fd);
      ::unlink(name.c_str());
      return false;
    }
    // The C library takes a size without a buffer as a page-sized one: small
    // writes (dBase records) are collected in a buffer of our own.
    m_buffer = std::make_unique<char[]>(kStreamBuffer);
    std::setvbuf(m_stream, m_buffer.get(), _IOFBF, kStreamBuffer);
    m_temporary = std::move(name);
    return true;
  }
  return Fail(EEXIST), false;
}

int SafeFileOutput::WriteAll(int fd, const char* bytes, std::size_t size) {
  while (size > 0) {
    ssize_t written = ::write(fd, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return written < 0 ? errno : ENOSPC;
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  KickWriteback(fd);
  return 0;
}

bool SafeFileOutput::Write(const void* data, std::size_t size) {
  if (!Drain() || !m_stream) return false;
  if (size == 0) return true;
  // Large blocks go straight to the file, past the stream's buffer.
  if (std::fflush(m_stream) != 0) return Fail(errno), false;
  if (int error = WriteAll(fileno(m_stream), static_cast<const char*>(data), size)) return Fail(error), false;
  return true;
}

bool SafeFileOutput::WriteBehind(const void* data, std::size_t size) {
  if (!Drain() || !m_stream) return false;
  if (size == 0) return true;
  if (std::fflush(m_stream) != 0) return Fail(errno), false;
  if (!m_writer.joinable()) m_writer = std::thread([this, fd = fileno(m_stream)] { RunWriter(fd); });
  std::lock_guard lock(m_lock);
  m_block = static_cast<const char*>(data);
  m_blockSize = size;
  m_busy = true;
  m_changed.notify_all();
  return true;
}

void SafeFileOutput::RunWriter(int fd) {
  std::unique_lock lock(m_lock);
  for (;;) {
    m_changed.wait(lock, [this] { return m_busy || m_stop; });
    if (!m_busy) return;
    const char* block = m_block;
    const std::size_t size = m_blockSize;
    lock.unlock();
    const int error = WriteAll(fd, block, size);
    lock.lock();
    if (error) Fail(error);
    m_busy = false;
    m_changed.notify_all();
  }
}

bool SafeFileOutput::Drain() {
  std::unique_lock lock(m_lock);
  m_changed.wait(lock, [this] { return !m_busy; });
  return m_error == 0;
}

void SafeFileOutput::StopWriter() {
  if (!m_writer.joinable()) return;
  {
    std::unique_lock lock(m_lock);
    m_changed.wait(lock, [this] { return !m_busy; });
    m_stop = true;
    m_changed.notify_all();
  }
  m_writer.join();
}

void SafeFileOutput::KickWriteback(int fd) {
  const off_t end = ::lseek(fd, 0, SEEK_CUR);
  if (end - m_writebackFrom < static_cast<off_t>(kWritebackStep)) return;
  // Only a hint: where it is not supported, the sync at the end does it all.
  ::sync_file_range(fd, m_writebackFrom, end - m_writebackFrom, SYNC_FILE_RANGE_WRITE);
  m_writebackFrom = end;
}

bool SafeFileOutput::CloseStream() {
  StopWriter();
  if (!m_stream) return m_error == 0;
  errno = 0;
  if (std::fflush(m_stream) != 0 || std::ferror(m_stream)) Fail(errno);
  if (std::fclose(m_stream) != 0) Fail(errno);
  m_stream = nullptr;
  m_buffer.reset();
  return m_error == 0;
}

// The file's bytes reach the disk before it replaces the target, so that a
// crash right after the save leaves the old file or the whole new one, never
// an empty or partial file under the target's name.
bool SafeFileOutput::Commit() {
  if (m_temporary.empty()) return false;
  StopWriter();
  if (m_stream) {
    errno = 0;
    if (std::fflush(m_stream) != 0 || std::ferror(m_stream)) Fail(errno);
    if (m_error == 0 && ::fsync(fileno(m_stream)) != 0) Fail(errno);
  } else if (m_error == 0) {
    // Written by a library through the path: sync it through a new handle.
    int fd = ::open(m_temporary.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) Fail(errno);
    if (fd >= 0) ::close(fd);
  }
  if (!CloseStream()) return false;
  if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
    Fail(errno);
    return false;
  }
  m_committed = true;
  // The rename itself is kept by syncing the folder; the file is complete
  // either way, so a folder that cannot be synced is no failure.
  int folder = ::open(FolderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return true;
}

void SafeFileOutput::Discard() {
  StopWriter();
  if (m_stream) {
    std::fclose(m_stream);
    m_stream = nullptr;
  }
  m_buffer.reset();
  if (!m_committed && !m_temporary.empty()) ::unlink(m_temporary.c_str());
  m_temporary.clear();
}

std::string SafeFileOutput::ErrorText() {
  if (Error() == 0) return {};
  char buffer[256];
  return strerror_r(m_error, buffer, sizeof buffer);
}

}  // namespace orva
