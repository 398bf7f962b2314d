#include "editor/textfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>

#include "platform/codec.h"

namespace orva {

namespace {

constexpr std::size_t kWriteChunk = 1 << 16;

bool WriteFully(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Reads up to `size` bytes, retrying interrupted and short reads; the count
// read, or -1 on error. Fewer bytes than asked means end of file.
ssize_t ReadFully(int fd, char* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::read(fd, data + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// A symbolic link is saved through: the file it names is replaced, the link
// stays.
std::string ResolveTarget(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved)) return resolved;
  }
  return path;
}

void SyncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

bool CopyFileContents(const std::string& from, const std::string& to, mode_t mode) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  if (out < 0) {
    ::close(in);
    return false;
  }
  std::unique_ptr<char[]> chunk(new char[kWriteChunk]);
  bool ok = true;
  for (;;) {
    ssize_t n = ReadFully(in, chunk.get(), kWriteChunk);
    if (n < 0 || !WriteFully(out, chunk.get(), static_cast<std::size_t>(n))) {
      ok = false;
      break;
    }
    if (static_cast<std::size_t>(n) < kWriteChunk) break;
  }
  ok = ::fsync(out) == 0 && ok;
  ok = ::close(out) == 0 && ok;
  ::close(in);
  if (!ok) ::unlink(to.c_str());
  return ok;
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF);
// `multiByte` tells whether any character took more than one byte.
bool IsUtf8(std::string_view bytes, bool& multiByte) {
  multiByte = false;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    // Runs of ASCII go eight bytes at a time.
    while (end - p >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p, 8);
      if (word & 0x8080808080808080ull) break;
      p += 8;
    }
    if (p >= end) break;
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    int length;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      if (c == 0xE0) low = 0xA0;
      if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (end - p < length || p[1] < low || p[1] > high) return false;
    for (int i = 2; i < length; ++i)
      if ((p[i] & 0xC0) != 0x80) return false;
    multiByte = true;
    p += length;
  }
  return true;
}

// A four-byte GB18030 character: lead, digit, lead, digit.
bool HasFourByteGb18030(std::string_view bytes) {
  const auto b = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  for (std::size_t i = 0; i < bytes.size();) {
    if (b(i) < 0x81 || b(i) > 0xFE || i + 1 >= bytes.size()) {
      ++i;
      continue;
    }
    if (b(i + 1) >= 0x30 && b(i + 1) <= 0x39) {
      if (i + 3 < bytes.size() && b(i + 2) >= 0x81 && b(i + 2) <= 0xFE && b(i + 3) >= 0x30 && b(i + 3) <= 0x39)
        return true;
      ++i;
    } else {
      i += 2;
    }
  }
  return false;
}

}  // namespace

TextEncoding DetectTextEncoding(std::string_view bytes) {
  bool multiByte = false;
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom && IsUtf8(bytes.substr(kUtf8Bom.size()), multiByte))
    return EncodingUtf8Bom;
  if (IsUtf8(bytes, multiByte) && multiByte) return EncodingUtf8;
  return HasFourByteGb18030(bytes) ? EncodingGb18030 : EncodingGbk;
}

void DecodeTextFile(FileBytes& file, TextEncoding encoding) {
  if (encoding != EncodingUtf8 && encoding != EncodingUtf8Bom) return;
  std::string_view bytes(file.data.get(), file.size);
  if (encoding == EncodingUtf8Bom && bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) bytes.remove_prefix(kUtf8Bom.size());
  const std::string text = ConvertCharset(bytes, "UTF-8", "GB18030");
  std::unique_ptr<char[]> data(new char[std::max<std::size_t>(text.size(), 1)]);
  std::memcpy(data.get(), text.data(), text.size());
  file.data = std::move(data);
  file.size = text.size();
}

std::string EncodeText(std::string_view text, TextEncoding encoding) {
  if (encoding != EncodingUtf8 && encoding != EncodingUtf8Bom) return std::string(text);
  return ConvertCharset(text, "GB18030", "UTF-8");
}

std::string_view EncodingBom(TextEncoding encoding) {
  return encoding == EncodingUtf8Bom ? kUtf8Bom : std::string_view();
}

const char* EncodingName(TextEncoding encoding) {
  switch (encoding) {
    case EncodingGb18030: return "GB18030";
    case EncodingUtf8: return "UTF-8";
    case EncodingUtf8Bom: return "UTF-8 BOM";
    default: return "GBK";
  }
}

bool ReadWholeFile(const std::string& path, FileBytes& out) {
  // Opened without blocking: opening a pipe would otherwise wait for a writer.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    return false;
  }
  // Only regular files: a pipe may never end and a device such as /dev/zero
  // never does.
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = S_ISDIR(st.st_mode) ? EISDIR : kErrNotRegularFile;
    return false;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  // Sized from the file so a large script is read without copies; a file
  // that grows while being read still comes in whole.
  std::size_t capacity = S_ISREG(st.st_mode) && st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
  // Some room to spare: a file of one long line can then be edited in place.
  capacity += std::min<std::size_t>(capacity / 16, std::size_t{16} << 20);
  capacity = std::max(capacity, kTextFileBlockSize);
  std::unique_ptr<char[]> data(new char[capacity]);
  std::size_t size = 0;
  for (;;) {
    const std::size_t room = capacity - size;
    if (room == 0) {
      // Full: look for more before growing (the file grew since it was sized).
      std::unique_ptr<char[]> extra(new char[kTextFileBlockSize]);
      ssize_t n = ReadFully(fd, extra.get(), kTextFileBlockSize);
      if (n < 0) {
        ::close(fd);
        return false;
      }
      if (n == 0) break;
      std::unique_ptr<char[]> bigger(new char[capacity * 2]);
      std::memcpy(bigger.get(), data.get(), size);
      std::memcpy(bigger.get() + size, extra.get(), static_cast<std::size_t>(n));
      data = std::move(bigger);
      capacity *= 2;
      size += static_cast<std::size_t>(n);
      if (static_cast<std::size_t>(n) < kTextFileBlockSize) break;
      continue;
    }
    const std::size_t want = std::min(room, kTextFileBlockSize);
    ssize_t n = ReadFully(fd, data.get() + size, want);
    if (n < 0) {
      ::close(fd);
      return false;
    }
    size += static_cast<std::size_t>(n);
    if (static_cast<std::size_t>(n) < want) break;
  }
  ::close(fd);
  out.data = std::move(data);
  out.size = size;
  out.capacity = capacity;
  out.readOnly = (st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
  return true;
}

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

void AtomicFileWriter::Discard() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  if (!m_tempPath.empty()) ::unlink(m_tempPath.c_str());
  m_tempPath.clear();
}

bool AtomicFileWriter::Open(const std::string& targetPath) {
  Discard();
  m_failed = false;
  m_pending.clear();
  m_target = ResolveTarget(targetPath);
  struct stat st;
  const bool exists = ::stat(m_target.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) return false;

  static std::atomic<unsigned> counter{0};
  std::random_device random;
  const std::string folder = FolderOf(m_target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = folder + "/CRE" + std::to_string(::getpid()) + "_" + std::to_string(counter++) + "_" +
                       std::to_string(random() % 1000000u) + ".tmp";
    // 0666 lets the user's umask decide the mode of a new file.
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      m_fd = fd;
      m_tempPath = name;
      // The new version keeps the permissions of the file it replaces.
      if (exists) ::fchmod(fd, st.st_mode & 07777);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool AtomicFileWriter::Flush() {
  if (!m_failed && !m_pending.empty() && !WriteFully(m_fd, m_pending.data(), m_pending.size())) m_failed = true;
  m_pending.clear();
  return !m_failed;
}

bool AtomicFileWriter::Write(std::string_view bytes) {
  if (m_fd < 0 || m_failed) return false;
  if (m_pending.size() + bytes.size() > kWriteChunk && !Flush()) return false;
  if (bytes.size() >= kWriteChunk) {
    if (!WriteFully(m_fd, bytes.data(), bytes.size())) m_failed = true;
    return !m_failed;
  }
  m_pending.append(bytes);
  return true;
}

bool AtomicFileWriter::Commit(bool backup) {
  if (m_fd < 0) return false;
  bool ok = Flush() && ::fsync(m_fd) == 0;
  ok = ::close(m_fd) == 0 && ok;
  m_fd = -1;
  if (!ok) {
    Discard();
    return false;
  }
  struct stat st;
  if (backup && ::stat(m_target.c_str(), &st) == 0) {
    // The previous version becomes the backup without the target ever
    // disappearing: a second name for it, or a copy where links are refused.
    const std::string bak = m_target + ".bak";
    if (::unlink(bak.c_str()) != 0 && errno != ENOENT) {
      Discard();
      return false;
    }
    if (::link(m_target.c_str(), bak.c_str()) != 0 && !CopyFileContents(m_target, bak, st.st_mode & 07777)) {
      Discard();
      return false;
    }
  }
  if (::rename(m_tempPath.c_str(), m_target.c_str()) != 0) {
    Discard();
    return false;
  }
  m_tempPath.clear();
  SyncFolder(FolderOf(m_target));
  return true;
}

}  // namespace orva
