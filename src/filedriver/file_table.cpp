#include "file_table.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace orva::filedriver {

std::string FileColumn::DeclaredType() const {
  switch (kind) {
    case ColumnKind::Integer: return "integer";
    case ColumnKind::Float: return "float";
    case ColumnKind::Decimal:
      return "decimal(" + std::to_string(width) + "," + std::to_string(decimals) + ")";
    case ColumnKind::Date: return "date";
    case ColumnKind::DateTime: return "datetime";
    case ColumnKind::Logical: return "bit";
    case ColumnKind::Memo: return "varchar(254)";
    case ColumnKind::Text: break;
  }
  return "varchar(" + std::to_string(width > 0 ? width : 255) + ")";
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

DriverError FileError(const std::string& path, const std::string& what) {
  return DriverError("HY000", std::string(odbcengine::MessagePrefix()) + "文件“" + BaseName(path) + "”：" + what);
}

DriverError FileLineError(const std::string& path, std::int64_t line, const std::string& what) {
  return DriverError("HY000", std::string(odbcengine::MessagePrefix()) + "文件“" + BaseName(path) + "”第 " +
                                  std::to_string(line) + " 行：" + what);
}

DriverError FileRecordError(const std::string& path, std::int64_t record, const std::string& what) {
  return DriverError("HY000", std::string(odbcengine::MessagePrefix()) + "文件“" + BaseName(path) + "”第 " +
                                  std::to_string(record) + " 条记录：" + what);
}

FileStamp FileStamp::Of(int fd) {
  FileStamp s;
  struct stat st{};
  if (fstat(fd, &st) != 0) return s;
  s.device = st.st_dev;
  s.inode = st.st_ino;
  s.size = st.st_size;
  s.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return s;
}

FileStamp FileStamp::OfPath(const std::string& path) {
  FileStamp s;
  struct stat st{};
  if (stat(path.c_str(), &st) != 0) return s;
  s.device = st.st_dev;
  s.inode = st.st_ino;
  s.size = st.st_size;
  s.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return s;
}

void FileTable::Remove() {
  if (unlink(m_path.c_str()) != 0) throw FileError(m_path, std::string("无法删除文件：") + std::strerror(errno));
}

namespace {
constexpr const char* kTempMark = ".orva-tmp-";
}

AtomicFile::AtomicFile(const std::string& target) : m_target(target) {
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash);
  std::string pattern = folder + "/." + BaseName(target) + kTempMark + "XXXXXX";
  m_fd = mkstemp(pattern.data());
  if (m_fd < 0) throw FileError(target, std::string("无法创建临时文件：") + std::strerror(errno));
  m_temp = pattern;
  // The new file keeps the permissions of the one it replaces.
  struct stat st{};
  if (stat(target.c_str(), &st) == 0) fchmod(m_fd, st.st_mode & 07777);
  else fchmod(m_fd, 0644);
  m_buffer.reserve(1 << 20);
}

AtomicFile::~AtomicFile() {
  if (m_fd >= 0) close(m_fd);
  if (!m_temp.empty()) unlink(m_temp.c_str());
}

void AtomicFile::Flush() {
  std::size_t done = 0;
  while (done < m_buffer.size()) {
    const ssize_t n = ::write(m_fd, m_buffer.data() + done, m_buffer.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw FileError(m_target, std::string("写入失败：") + std::strerror(errno));
    }
    done += static_cast<std::size_t>(n);
  }
  m_buffer.clear();
}

void AtomicFile::Write(std::string_view bytes) {
  m_buffer.append(bytes);
  if (m_buffer.size() >= (1 << 20)) Flush();
}

std::string AtomicFile::Finish() {
  Flush();
  if (fsync(m_fd) != 0) throw FileError(m_target, std::string("写入失败：") + std::strerror(errno));
  if (close(m_fd) != 0) {
    m_fd = -1;
    throw FileError(m_target, std::string("写入失败：") + std::strerror(errno));
  }
  m_fd = -1;
  std::string temp;
  temp.swap(m_temp);
  return temp;
}

void ReplaceFile(const std::string& temp, const std::string& target) {
  // Lets tests stop the process between writing and renaming, as a crash would.
  if (const char* crash = std::getenv("ORVA_FILEDRIVER_CRASH_BEFORE_RENAME"); crash && *crash) std::abort();
  if (rename(temp.c_str(), target.c_str()) != 0) {
    const int error = errno;
    unlink(temp.c_str());
    throw FileError(target, std::string("无法替换文件：") + std::strerror(error));
  }
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash);
  const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
}

bool IsTemporaryName(const std::string& name) { return name.find(kTempMark) != std::string::npos; }

}  // namespace orva::filedriver
