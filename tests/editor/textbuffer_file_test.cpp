#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>

#include <chrono>
#include <future>

#include "editor/textbuffer.h"
#include "editor/textfile.h"
#include "editor_test_util.h"

namespace orva {
namespace {

using test::Lines;
using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;
using Strings = std::vector<std::string>;

// Loads the bytes from a file and checks lines and mode; returns the bytes a
// save in the detected mode writes.
std::string LoadAndSave(const std::string& bytes, const Strings& lines, int mode) {
  TempFolder folder;
  WriteBytes(folder.Path("in.sql"), bytes);
  CTextBuffer buffer;
  EXPECT_TRUE(buffer.LoadFile(folder.Path("in.sql")));
  EXPECT_EQ(Lines(buffer), lines);
  EXPECT_EQ(buffer.EolMode(), mode);
  EXPECT_FALSE(buffer.IsModified());
  EXPECT_TRUE(buffer.SaveFile(folder.Path("out.sql")));
  return ReadBytes(folder.Path("out.sql"));
}

TEST(TextBufferLoad, EndOfLineModesAreDetectedAndWrittenBack) {
  EXPECT_EQ(LoadAndSave("", {""}, EolCrLf), "");
  EXPECT_EQ(LoadAndSave("a\r\nb\r\n", {"a", "b", ""}, EolCrLf), "a\r\nb\r\n");
  EXPECT_EQ(LoadAndSave("a\n\rb\n\r", {"a", "b", ""}, EolLfCr), "a\n\rb\n\r");
  EXPECT_EQ(LoadAndSave("a\nb\n", {"a", "b", ""}, EolLf), "a\nb\n");
  // A first LF at the very start has no CR before it.
  EXPECT_EQ(LoadAndSave("\nx", {"", "x"}, EolLf), "\nx");
  // No LF at all: CR LF mode, and a lone CR is line text.
  EXPECT_EQ(LoadAndSave("a\rb", {"a\rb"}, EolCrLf), "a\rb");
}

TEST(TextBufferLoad, TwoByteSequencesUseTheSimpleMatcher) {
  // The byte that breaks a half-matched CR LF is not retried as its start:
  // CR CR LF is line text, CR CR CR LF ends a line after two CRs.
  EXPECT_EQ(LoadAndSave("x\r\ny\r\r\nz", {"x", "y\r\r\nz"}, EolCrLf), "x\r\ny\r\r\nz");
  EXPECT_EQ(LoadAndSave("x\r\ny\r\r\r\nz", {"x", "y\r\r", "z"}, EolCrLf), "x\r\ny\r\r\r\nz");
  // In LF CR mode a bare LF stays in the line.
  EXPECT_EQ(LoadAndSave("a\n\rb\nc", {"a", "b\nc"}, EolLfCr), "a\n\rb\nc");
}

TEST(TextBufferLoad, ModeIsDetectedFromTheFirstBlockOnly) {
  std::string bytes(40000, 'x');
  bytes += "\nend\n";
  TempFolder folder;
  WriteBytes(folder.Path("long.sql"), bytes);
  CTextBuffer buffer;
  ASSERT_TRUE(buffer.LoadFile(folder.Path("long.sql")));
  EXPECT_EQ(buffer.EolMode(), EolCrLf);
  ASSERT_EQ(buffer.LineCount(), 1);
  EXPECT_EQ(buffer.LineLength(0), static_cast<int>(bytes.size()));

  // An explicit mode overrides detection.
  ASSERT_TRUE(buffer.LoadFile(folder.Path("long.sql"), EolLf));
  EXPECT_EQ(buffer.EolMode(), EolLf);
  EXPECT_EQ(Lines(buffer), (Strings{std::string(40000, 'x'), "end", ""}));
}

TEST(TextBufferLoad, LineEndsAtItsFirstNul) {
  EXPECT_EQ(LoadAndSave(std::string("ab\0cd\r\nef\0", 10), {"ab", "ef"}, EolCrLf), "ab\r\nef");
}

TEST(TextBufferLoad, LargeFileRoundTripsByteForByte) {
  std::string bytes;
  for (int i = 0; i < 60000; ++i) bytes += "SELECT " + std::to_string(i) + " FROM \xD6\xD0\xCE\xC4;\r\n";
  TempFolder folder;
  WriteBytes(folder.Path("big.sql"), bytes);
  CTextBuffer buffer;
  ASSERT_TRUE(buffer.LoadFile(folder.Path("big.sql")));
  ASSERT_EQ(buffer.LineCount(), 60001);
  EXPECT_EQ(buffer.Line(12345), "SELECT 12345 FROM \xD6\xD0\xCE\xC4;");
  EXPECT_EQ(buffer.Line(60000), "");
  // Edit lines that still live in the loaded block, then save.
  int endLine, endColumn;
  ASSERT_TRUE(buffer.InsertAt(nullptr, 2, 0, "--", endLine, endColumn));
  ASSERT_TRUE(buffer.DeleteRange(nullptr, 3, 0, 3, 7));
  ASSERT_TRUE(buffer.SaveFile(folder.Path("big.sql")));
  std::string expected = bytes;
  std::size_t line2 = expected.find("SELECT 2 ");
  expected.insert(line2, "--");
  expected.erase(expected.find("SELECT 3 "), 7);
  EXPECT_EQ(ReadBytes(folder.Path("big.sql")), expected);
}

TEST(TextBufferLoad, FailureLeavesTheBufferAsItWas) {
  TempFolder folder;
  WriteBytes(folder.Path("q.sql"), "one\ntwo");
  CTextBuffer buffer;
  ASSERT_TRUE(buffer.LoadFile(folder.Path("q.sql")));
  test::RecordingView view;
  buffer.AttachView(&view);
  EXPECT_FALSE(buffer.LoadFile(folder.Path("missing.sql")));
  EXPECT_FALSE(buffer.LoadFile(folder.Path("")));  // the folder itself
  EXPECT_EQ(Lines(buffer), (Strings{"one", "two"}));
  EXPECT_EQ(buffer.EolMode(), EolLf);
  EXPECT_TRUE(view.notifications.empty());
}

TEST(TextBufferLoad, OnlyRegularFilesAreOpened) {
  TempFolder folder;
  const std::string fifo = folder.Path("pipe.sql");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  CTextBuffer buffer;
  buffer.CreateEmpty();
  // A pipe without a writer must not hold the load up; should it wait, the
  // guard below gives it a writer and an end so that the test finishes.
  auto load = std::async(std::launch::async, [&] {
    errno = 0;
    const bool loaded = buffer.LoadFile(fifo);
    return std::make_pair(loaded, errno);
  });
  if (load.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
    ADD_FAILURE() << "loading a pipe waits for a writer";
    const int writer = ::open(fifo.c_str(), O_WRONLY);
    ::close(writer);
  }
  const auto [loaded, error] = load.get();
  EXPECT_FALSE(loaded);
  EXPECT_EQ(error, kErrNotRegularFile);
  // A device that never ends.
  errno = 0;
  EXPECT_FALSE(buffer.LoadFile("/dev/zero"));
  EXPECT_EQ(errno, kErrNotRegularFile);
  errno = 0;
  EXPECT_FALSE(buffer.LoadFile(folder.Path("")));
  EXPECT_EQ(errno, EISDIR);
  EXPECT_EQ(Lines(buffer), (Strings{""}));
}

TEST(TextBufferLoad, FileWithoutWritePermissionLoadsReadOnly) {
  TempFolder folder;
  WriteBytes(folder.Path("ro.sql"), "x");
  ASSERT_EQ(chmod(folder.Path("ro.sql").c_str(), 0444), 0);
  CTextBuffer buffer;
  ASSERT_TRUE(buffer.LoadFile(folder.Path("ro.sql")));
  EXPECT_TRUE(buffer.IsReadOnly());
  int endLine, endColumn;
  EXPECT_FALSE(buffer.InsertAt(nullptr, 0, 0, "y", endLine, endColumn));
  EXPECT_FALSE(buffer.HasUndo());
}

class TextBufferSave : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(m_folder.Path("q.sql"), "old\r\ntext");
    buffer.CreateEmpty(EolCrLf);
    int endLine, endColumn;
    buffer.InsertAt(nullptr, 0, 0, "new\rcontent", endLine, endColumn);
  }
  std::string Path(const std::string& name) const { return m_folder.Path(name); }
  // Only the files the test created: no temporary file left behind.
  void ExpectFolderHolds(Strings names) const {
    Strings found = m_folder.Names();
    std::sort(found.begin(), found.end());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(found, names);
  }

  TempFolder m_folder;
  CTextBuffer buffer;
};

TEST_F(TextBufferSave, ReplacesTheFileAndKeepsItsPermissions) {
  ASSERT_EQ(chmod(Path("q.sql").c_str(), 0640), 0);
  EXPECT_TRUE(buffer.SaveFile(Path("q.sql")));
  EXPECT_EQ(ReadBytes(Path("q.sql")), "new\r\ncontent");
  struct stat st;
  ASSERT_EQ(stat(Path("q.sql").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_FALSE(buffer.IsModified());
  ExpectFolderHolds({"q.sql"});

  // Another mode for this save only.
  EXPECT_TRUE(buffer.SaveFile(Path("q.sql"), EolLfCr));
  EXPECT_EQ(ReadBytes(Path("q.sql")), "new\n\rcontent");
  EXPECT_EQ(buffer.EolMode(), EolCrLf);
}

TEST_F(TextBufferSave, BackupHoldsThePreviousContent) {
  buffer.SetCreateBackup(true);
  WriteBytes(Path("q.sql.bak"), "older backup");
  EXPECT_TRUE(buffer.SaveFile(Path("q.sql")));
  EXPECT_EQ(ReadBytes(Path("q.sql")), "new\r\ncontent");
  EXPECT_EQ(ReadBytes(Path("q.sql.bak")), "old\r\ntext");
  // No previous file: no backup.
  EXPECT_TRUE(buffer.SaveFile(Path("fresh.sql")));
  ExpectFolderHolds({"q.sql", "q.sql.bak", "fresh.sql"});
}

TEST_F(TextBufferSave, SavingThroughALinkReplacesTheLinkedFile) {
  ASSERT_EQ(symlink(Path("q.sql").c_str(), Path("link.sql").c_str()), 0);
  EXPECT_TRUE(buffer.SaveFile(Path("link.sql")));
  struct stat st;
  ASSERT_EQ(lstat(Path("link.sql").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadBytes(Path("q.sql")), "new\r\ncontent");
}

TEST_F(TextBufferSave, FailuresLeaveTheOldFileByteForByte) {
  buffer.SetCreateBackup(true);
  buffer.MarkModified(true);
  // The folder of the target does not exist.
  EXPECT_FALSE(buffer.SaveFile(Path("no/such/folder/q.sql")));
  // The target is a folder.
  ASSERT_EQ(mkdir(Path("dir.sql").c_str(), 0755), 0);
  EXPECT_FALSE(buffer.SaveFile(Path("dir.sql")));
  // The backup cannot be made: a non-empty folder holds its name.
  ASSERT_EQ(mkdir(Path("q.sql.bak").c_str(), 0755), 0);
  WriteBytes(Path("q.sql.bak/keep"), "k");
  EXPECT_FALSE(buffer.SaveFile(Path("q.sql")));
  EXPECT_EQ(ReadBytes(Path("q.sql")), "old\r\ntext");
  EXPECT_TRUE(buffer.IsModified());
  ExpectFolderHolds({"q.sql", "dir.sql", "q.sql.bak"});
}

TEST_F(TextBufferSave, WriteErrorLeavesTheOldFileByteForByte) {
  // A file size limit makes the writes of a long text fail for real.
  std::string longLine(200000, 'z');
  int endLine, endColumn;
  ASSERT_TRUE(buffer.InsertAt(nullptr, 0, 0, longLine, endLine, endColumn));
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto previousHandler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit limited = saved;
  limited.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const bool saved_ok = buffer.SaveFile(Path("q.sql"));
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previousHandler);
  EXPECT_FALSE(saved_ok);
  EXPECT_EQ(ReadBytes(Path("q.sql")), "old\r\ntext");
  ExpectFolderHolds({"q.sql"});
}

}  // namespace
}  // namespace orva
