#include "query/recoverystore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "editor/textfile.h"

namespace orva {

namespace fs = std::filesystem;

namespace {

constexpr const char* kLockName = "lock";

std::string Encode(const std::string& value) { return QByteArray::fromStdString(value).toPercentEncoding().toStdString(); }
std::string Decode(const std::string& value) { return QByteArray::fromPercentEncoding(QByteArray::fromStdString(value)).toStdString(); }

std::string InfoText(const RecoveryInfo& info) {
  std::ostringstream out;
  out << "path=" << Encode(info.path) << "\n"
      << "title=" << Encode(info.title.toStdString()) << "\n"
      << "connect=" << Encode(info.connect) << "\n"
      << "source=" << Encode(info.source) << "\n"
      << "caret=" << info.caretLine << "," << info.caretColumn << "\n"
      << "encoding=" << info.encoding << "\n"
      << "eol=" << info.eolMode << "\n"
      << "saved=" << info.savedAt << "\n";
  return out.str();
}

bool ParseInfo(const std::string& file, RecoveryInfo& info) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::string line;
  bool any = false;
  while (std::getline(in, line)) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    any = true;
    if (key == "path") info.path = Decode(value);
    else if (key == "title") info.title = QString::fromStdString(Decode(value));
    else if (key == "connect") info.connect = Decode(value);
    else if (key == "source") info.source = Decode(value);
    else if (key == "caret") std::sscanf(value.c_str(), "%d,%d", &info.caretLine, &info.caretColumn);
    else if (key == "encoding") info.encoding = std::atoi(value.c_str());
    else if (key == "eol") info.eolMode = std::atoi(value.c_str());
    else if (key == "saved") info.savedAt = std::atoll(value.c_str());
  }
  return any;
}

bool WriteAtomically(const std::string& path, std::string_view bytes) {
  AtomicFileWriter writer;
  return writer.Open(path) && writer.Write(bytes) && writer.Commit(false);
}

// Removes the folder when no entry is left in it (only its lock, or the
// temporary file of a write that a crash interrupted).
void RemoveIfEmpty(const fs::path& folder) {
  std::error_code ec;
  for (const auto& item : fs::directory_iterator(folder, ec))
    if (item.path().extension() == ".rec" || item.path().extension() == ".txt") return;
  fs::remove_all(folder, ec);
}

}  // namespace

std::string CRecoveryStore::DefaultRoot() {
  const char* state = std::getenv("XDG_STATE_HOME");
  std::string base;
  if (state && *state) {
    base = state;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home ? home : "/tmp") + "/.local/state";
  }
  return base + "/orva/recovery";
}

CRecoveryStore::CRecoveryStore(std::string root) : m_root(root.empty() ? DefaultRoot() : std::move(root)) {
  m_writer = std::thread([this] { WriterLoop(); });
}

CRecoveryStore::~CRecoveryStore() {
  Flush();
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_stop = true;
  }
  m_wake.notify_all();
  m_writer.join();
  if (m_lockFd >= 0) {
    // Entries still here belong to windows that were never closed; they stay
    // for the next start, which finds the folder unlocked.
    RemoveIfEmpty(m_session);
    ::close(m_lockFd);
  }
}

bool CRecoveryStore::EnsureSession() {
  if (m_lockFd >= 0) return true;
  std::error_code ec;
  fs::create_directories(m_root, ec);
  std::random_device random;
  m_session = m_root + "/" + std::to_string(::getpid()) + "-" + std::to_string(random() % 1000000u);
  if (!fs::create_directories(m_session, ec)) return false;
  ::chmod(m_session.c_str(), 0700);  // scripts are the user's own
  m_lockFd = ::open((m_session + "/" + kLockName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (m_lockFd < 0) return false;
  // Held until the process ends, however it ends.
  ::flock(m_lockFd, LOCK_EX | LOCK_NB);
  return true;
}

int CRecoveryStore::NewId() {
  std::lock_guard<std::mutex> lock(m_lock);
  return ++m_nextId;
}

void CRecoveryStore::Save(int id, RecoveryInfo info, std::string text) {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    auto waiting = std::find_if(m_jobs.begin(), m_jobs.end(), [id](const Job& job) { return job.id == id && !job.remove; });
    if (waiting != m_jobs.end()) {
      waiting->info = std::move(info);
      waiting->text = std::move(text);
      return;
    }
    m_jobs.push_back(Job{id, false, std::move(info), std::move(text)});
  }
  m_wake.notify_all();
}

void CRecoveryStore::Remove(int id) {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_jobs.erase(std::remove_if(m_jobs.begin(), m_jobs.end(), [id](const Job& job) { return job.id == id; }),
                 m_jobs.end());
    m_jobs.push_back(Job{id, true, {}, {}});
  }
  m_wake.notify_all();
}

void CRecoveryStore::Flush() {
  std::unique_lock<std::mutex> lock(m_lock);
  m_idle.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
}

void CRecoveryStore::WriterLoop() {
  std::unique_lock<std::mutex> lock(m_lock);
  for (;;) {
    m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
    if (m_jobs.empty()) return;  // stopping
    Job job = std::move(m_jobs.front());
    m_jobs.pop_front();
    m_busy = true;
    lock.unlock();
    Write(job);
    lock.lock();
    m_busy = false;
    if (m_jobs.empty()) m_idle.notify_all();
  }
}

void CRecoveryStore::Write(const Job& job) {
  if (job.remove) {
    if (m_lockFd < 0) return;
    const std::string base = m_session + "/" + std::to_string(job.id);
    ::unlink((base + ".rec").c_str());
    ::unlink((base + ".txt").c_str());
    return;
  }
  if (!EnsureSession()) return;
  // The text first: an entry is listed by its ".rec" file, which then always
  // has a text beside it.
  const std::string base = m_session + "/" + std::to_string(job.id);
  if (WriteAtomically(base + ".txt", job.text)) WriteAtomically(base + ".rec", InfoText(job.info));
}

std::vector<RecoveryEntry> CRecoveryStore::Leftovers() const {
  std::vector<RecoveryEntry> entries;
  std::error_code ec;
  for (const auto& folder : fs::directory_iterator(m_root, ec)) {
    if (!folder.is_directory(ec) || folder.path() == fs::path(m_session)) continue;
    const int fd = ::open((folder.path() / kLockName).c_str(), O_RDWR | O_CLOEXEC);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);  // a running ORVA's session
      continue;
    }
    bool any = false;
    for (const auto& item : fs::directory_iterator(folder.path(), ec)) {
      if (item.path().extension() != ".rec") continue;
      RecoveryEntry entry;
      entry.infoFile = item.path().string();
      entry.textFile = fs::path(item.path()).replace_extension(".txt").string();
      if (!ParseInfo(entry.infoFile, entry.info) || !fs::exists(entry.textFile, ec)) continue;
      entries.push_back(std::move(entry));
      any = true;
    }
    if (fd >= 0) ::close(fd);
    if (!any) RemoveIfEmpty(folder.path());
  }
  std::sort(entries.begin(), entries.end(),
            [](const RecoveryEntry& a, const RecoveryEntry& b) { return a.info.savedAt < b.info.savedAt; });
  return entries;
}

bool CRecoveryStore::ReadText(const RecoveryEntry& entry, std::string& text) {
  FileBytes bytes;
  if (!ReadWholeFile(entry.textFile, bytes)) return false;
  text.assign(bytes.data.get(), bytes.size);
  return true;
}

void CRecoveryStore::Delete(const RecoveryEntry& entry) {
  ::unlink(entry.infoFile.c_str());
  ::unlink(entry.textFile.c_str());
  RemoveIfEmpty(fs::path(entry.infoFile).parent_path());
}

}  // namespace orva
