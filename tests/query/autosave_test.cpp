// Autosave of query windows into the recovery store: the typed text reaches
// the store after a quiet spell, exactly and with its caret; saving or
// closing the window normally removes the entry; a live session's entries are
// never offered as leftovers, a dead one's are.

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QLabel>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "query/autosave.h"
#include "query/childframe.h"
#include "query/querydoc.h"
#include "query/queryview.h"
#include "query/recoverydialog.h"
#include "query/recoverystore.h"
#include "test_env.h"

namespace orva {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class AutosaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_store = std::make_unique<CRecoveryStore>(m_dir.filePath("recovery").toStdString());
    CQueryAutosave::SetStore(m_store.get());
    CQueryAutosave::SetDelay(20);
  }
  void TearDown() override {
    m_frames.clear();
    CQueryAutosave::SetStore(nullptr);
    CQueryAutosave::SetDelay(3000);
    m_store.reset();
  }
  CChildFrame& NewWindow() {
    auto document = std::make_unique<CQueryDoc>();
    document->OnNewDocument();
    document->SetTitle(QStringLiteral("无标题%1").arg(m_frames.size() + 1));
    auto frame = std::make_unique<CChildFrame>();
    auto* view = new CQueryView(document.get());
    frame->SetQueryView(view);
    frame->SetDocument(std::move(document));
    view->OnInitialUpdate();
    frame->show();
    m_frames.push_back(std::move(frame));
    return *m_frames.back();
  }
  // Lets the quiet spell pass and the store write.
  void Settle() {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 200) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    m_store->Flush();
  }
  std::vector<std::string> EntryTexts(const std::string& extension) const {
    std::vector<std::string> texts;
    if (m_store->SessionFolder().empty()) return texts;
    for (const auto& item : fs::directory_iterator(m_store->SessionFolder()))
      if (item.path().extension() == extension) texts.push_back(ReadBytes(item.path().string()));
    return texts;
  }

  QTemporaryDir m_dir;
  test::MessageBoxRecorder m_boxes;
  std::unique_ptr<CRecoveryStore> m_store;
  std::vector<std::unique_ptr<CChildFrame>> m_frames;
};

TEST_F(AutosaveTest, TypedTextReachesTheStoreAndANormalCloseRemovesIt) {
  CChildFrame& frame = NewWindow();
  Settle();
  EXPECT_TRUE(EntryTexts(".txt").empty());  // nothing typed, nothing saved

  QTest::keyClicks(frame.GetQueryView(), "select 'a;b'");
  QTest::keyClick(frame.GetQueryView(), Qt::Key_Return);
  QTest::keyClicks(frame.GetQueryView(), "from ");
  QInputMethodEvent chinese;  // typed through an input method
  chinese.setCommitString(QStringLiteral("表"));
  QCoreApplication::sendEvent(frame.GetQueryView(), &chinese);
  Settle();
  ASSERT_EQ(EntryTexts(".txt"), (std::vector<std::string>{"select 'a;b'\r\nfrom \xB1\xED"}));
  const std::string info = EntryTexts(".rec").at(0);
  EXPECT_NE(info.find("caret=1,7\n"), std::string::npos) << info;
  EXPECT_NE(info.find("eol=0\n"), std::string::npos) << info;

  // Another store of a live session sees no leftovers.
  EXPECT_TRUE(CRecoveryStore(m_store->Root()).Leftovers().empty());

  // Closing and discarding the changes removes the entry.
  m_boxes.QueueAnswer(IDNO);
  ASSERT_TRUE(frame.close());
  m_frames.clear();
  m_store->Flush();
  EXPECT_TRUE(EntryTexts(".txt").empty());
  EXPECT_TRUE(EntryTexts(".rec").empty());
  const std::string root = m_store->Root();
  m_store.reset();  // a clean exit leaves nothing behind
  CQueryAutosave::SetStore(nullptr);
  EXPECT_TRUE(fs::is_empty(root));
}

TEST_F(AutosaveTest, SavingTheScriptRemovesTheEntryAndTheNextChangeWritesItAgain) {
  CChildFrame& frame = NewWindow();
  QTest::keyClicks(frame.GetQueryView(), "one");
  Settle();
  ASSERT_EQ(EntryTexts(".txt").size(), 1u);
  ASSERT_TRUE(frame.GetDocument()->OnSaveDocument(m_dir.filePath("one.sql").toStdString()));
  Settle();
  EXPECT_TRUE(EntryTexts(".txt").empty());
  QTest::keyClicks(frame.GetQueryView(), "two");
  Settle();
  EXPECT_EQ(EntryTexts(".txt"), (std::vector<std::string>{"onetwo"}));
  EXPECT_NE(EntryTexts(".rec").at(0).find("one.sql"), std::string::npos);
}

TEST_F(AutosaveTest, EntriesOfADeadSessionAreLeftoversThatLoadBackExactly) {
  // A session folder as a killed ORVA leaves it: entries, an unlocked lock.
  const std::string dead = m_store->Root() + "/99999-1";
  fs::create_directories(dead);
  std::ofstream(dead + "/lock").put('\0');
  const std::string text = "select 1\n  from t where a = '\x81\x5D'\n";
  std::ofstream(dead + "/3.txt", std::ios::binary) << text;
  std::ofstream(dead + "/3.rec") << "path=%2Ftmp%2Fq.sql\ntitle=q.sql\nconnect=DSN%3Dpg%3BUID%3Du\ncaret=1,4\n"
                                    "encoding=2\neol=2\nsaved=5\n";
  const std::vector<RecoveryEntry> entries = m_store->Leftovers();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].info.path, "/tmp/q.sql");
  EXPECT_EQ(entries[0].info.connect, "DSN=pg;UID=u");
  EXPECT_EQ(entries[0].info.caretLine, 1);

  // Into a new window: text, file name, encoding, caret; modified.
  CChildFrame& frame = NewWindow();
  ASSERT_TRUE(RestoreRecoveredWindow(frame, entries[0]));
  CQueryDoc& document = *frame.GetDocument();
  EXPECT_TRUE(document.IsModified());
  EXPECT_EQ(document.PathName(), "/tmp/q.sql");
  EXPECT_EQ(frame.findChild<QLabel*>("encoding")->text(), QStringLiteral("UTF-8"));
  EXPECT_EQ(frame.GetQueryView()->CaretPos(), (TextPos{4, 1}));
  EXPECT_FALSE(fs::exists(dead));  // the leftover went, the window's own entry holds the text
  EXPECT_EQ(EntryTexts(".txt"), (std::vector<std::string>{text}));
  ASSERT_TRUE(document.OnSaveDocument(m_dir.filePath("back.sql").toStdString()));
  EXPECT_EQ(ReadBytes(m_dir.filePath("back.sql").toStdString()),
            "select 1\n  from t where a = '\xE4\xB9\x9A'\n");  // the same text, in UTF-8 again

  EXPECT_TRUE(m_store->Leftovers().empty());
}

}  // namespace
}  // namespace orva
