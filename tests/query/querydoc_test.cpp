// The query document: new, open and save with end-of-line detection, the
// modified flag, failed saves, the close prompt and the read-only command.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <QComboBox>
#include <QFileDialog>
#include <QProcess>

#include "platform/codec.h"

#include "editor/textbuffer.h"
#include "platform/command.h"
#include "platform/resource_ids.h"
#include "query/querydoc.h"
#include "test_env.h"

namespace orva {
namespace {

class QueryDocTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return m_dir.filePath(QString::fromStdString(name)).toStdString(); }
  static void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void TypeA(CQueryDoc& doc) {
    int endLine = 0, endColumn = 0;
    ASSERT_TRUE(doc.Buffer().InsertAt(nullptr, 0, 0, "a", endLine, endColumn, UndoTyping));
  }

  QTemporaryDir m_dir;
  test::MessageBoxRecorder m_boxes;
};

TEST_F(QueryDocTest, NewDocumentIsOneEmptyCrLfLineWithoutPath) {
  CQueryDoc doc;
  ASSERT_TRUE(doc.OnNewDocument());
  EXPECT_EQ(doc.Buffer().LineCount(), 1);
  EXPECT_EQ(doc.Buffer().LineLength(0), 0);
  EXPECT_EQ(doc.Buffer().EolMode(), EolCrLf);
  EXPECT_FALSE(doc.IsModified());
  EXPECT_TRUE(doc.PathName().empty());
  EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(QueryDocTest, ScriptsOfEveryLineEndOpenAndSaveBackByteIdentical) {
  // "选择" in GBK inside the text, so double-byte bytes pass through untouched.
  const std::string gbk = "\xD1\xA1\xD4\xF1";
  struct Case {
    const char* name;
    std::string eol;
    int mode;
  };
  for (const Case& c : {Case{"crlf.sql", "\r\n", EolCrLf}, Case{"lf.sql", "\n", EolLf},
                        Case{"lfcr.sql", "\n\r", EolLfCr}}) {
    SCOPED_TRACE(c.name);
    const std::string bytes = "select * from t -- " + gbk + c.eol + c.eol + "\tgo" + c.eol + "last";
    WriteBytes(Path(c.name), bytes);
    CQueryDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(Path(c.name)));
    EXPECT_EQ(doc.Buffer().EolMode(), c.mode);
    EXPECT_EQ(doc.Buffer().LineCount(), 4);
    EXPECT_EQ(doc.PathName(), Path(c.name));
    EXPECT_EQ(doc.Title(), QString::fromLatin1(c.name));
    const std::string copy = Path(std::string("copy-") + c.name);
    ASSERT_TRUE(doc.OnSaveDocument(copy));
    EXPECT_EQ(ReadBytes(copy), bytes);
    EXPECT_EQ(doc.PathName(), copy);
  }
  EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(QueryDocTest, BufferChangesDriveTheDocumentModifiedFlag) {
  CQueryDoc doc;
  std::vector<bool> seen;
  doc.SetModifiedObserver([&](bool modified) { seen.push_back(modified); });
  doc.OnNewDocument();
  TypeA(doc);
  EXPECT_TRUE(doc.IsModified());
  TextPos caret;
  ASSERT_TRUE(doc.Buffer().UndoGroup(caret));
  EXPECT_FALSE(doc.IsModified());
  ASSERT_TRUE(doc.Buffer().RedoGroup(caret));
  EXPECT_TRUE(doc.IsModified());
  EXPECT_EQ(seen, (std::vector<bool>{true, false, true}));
}

TEST_F(QueryDocTest, FailedSaveIsReportedAndKeepsPathAndModifiedFlag) {
  WriteBytes(Path("old.sql"), "x");
  CQueryDoc doc;
  ASSERT_TRUE(doc.OnOpenDocument(Path("old.sql")));
  TypeA(doc);
  const std::string bad = Path("no-such-folder/new.sql");
  EXPECT_FALSE(doc.OnSaveDocument(bad));
  ASSERT_EQ(m_boxes.Count(), 1u);
  EXPECT_TRUE(m_boxes.LastText().contains(QString::fromStdString(bad)));
  // The reason follows the path on its own line.
  EXPECT_GT(m_boxes.LastText().section(QLatin1Char('\n'), 1).size(), 0);
  EXPECT_EQ(m_boxes.Boxes().back().icon, MbIcon::Warning);
  EXPECT_TRUE(doc.IsModified());
  EXPECT_EQ(doc.PathName(), Path("old.sql"));
  EXPECT_FALSE(std::filesystem::exists(bad));
  EXPECT_EQ(ReadBytes(Path("old.sql")), "x");
}

TEST_F(QueryDocTest, FailedOpenIsReportedAndLeavesTheDocumentAlone) {
  CQueryDoc doc;
  doc.OnNewDocument();
  TypeA(doc);
  EXPECT_FALSE(doc.OnOpenDocument(Path("missing.sql")));
  EXPECT_EQ(m_boxes.Count(), 1u);
  EXPECT_EQ(std::string(doc.Buffer().Line(0)), "a");
  EXPECT_TRUE(doc.IsModified());
  EXPECT_TRUE(doc.PathName().empty());
}

TEST_F(QueryDocTest, ClosingAModifiedDocumentAsksSaveDiscardOrCancel) {
  CQueryDoc doc;
  doc.OnNewDocument();
  EXPECT_TRUE(doc.SaveModified());  // unmodified: no question
  EXPECT_EQ(m_boxes.Count(), 0u);

  TypeA(doc);
  m_boxes.QueueAnswer(IDCANCEL);
  EXPECT_FALSE(doc.SaveModified());
  ASSERT_EQ(m_boxes.Count(), 1u);
  EXPECT_EQ(m_boxes.Boxes()[0].buttons, MbButtons::YesNoCancel);
  EXPECT_TRUE(doc.IsModified());

  m_boxes.QueueAnswer(IDNO);
  EXPECT_TRUE(doc.SaveModified());
  EXPECT_TRUE(doc.IsModified());  // discarded, not saved

  // Yes on an untitled document asks for a path; cancelling that keeps it open.
  int prompts = 0;
  std::optional<std::string> answer;
  doc.SetSavePathPrompt([&](const CQueryDoc&) {
    ++prompts;
    return answer;
  });
  m_boxes.QueueAnswer(IDYES);
  EXPECT_FALSE(doc.SaveModified());
  EXPECT_EQ(prompts, 1);

  answer = Path("chosen.sql");
  m_boxes.QueueAnswer(IDYES);
  EXPECT_TRUE(doc.SaveModified());
  EXPECT_EQ(ReadBytes(Path("chosen.sql")), "a");
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(doc.PathName(), Path("chosen.sql"));

  // Yes whose save fails keeps the window open.
  TypeA(doc);
  doc.SetPathName(Path("gone/x.sql"));
  m_boxes.Clear();
  m_boxes.QueueAnswer(IDYES);
  EXPECT_FALSE(doc.SaveModified());
  EXPECT_EQ(m_boxes.Count(), 2u);  // the question and the failure
  EXPECT_TRUE(doc.IsModified());
}

TEST_F(QueryDocTest, ReadOnlyCommandWarnsOnlyWhenSwitchedOnAndBlocksEdits) {
  CQueryDoc doc;
  doc.OnNewDocument();
  CmdUI ui(ID_EDIT_READ_ONLY);
  ASSERT_TRUE(doc.OnUpdateCommand(ID_EDIT_READ_ONLY, ui));
  EXPECT_FALSE(ui.IsChecked());

  ASSERT_TRUE(doc.OnCommand(ID_EDIT_READ_ONLY));
  ASSERT_EQ(m_boxes.Count(), 1u);
  EXPECT_EQ(m_boxes.LastText(), QStringLiteral("文档已经设成只读，不能做修改"));
  EXPECT_EQ(m_boxes.Boxes()[0].icon, MbIcon::Warning);
  EXPECT_EQ(m_boxes.Boxes()[0].buttons, MbButtons::Ok);
  EXPECT_TRUE(doc.Buffer().IsReadOnly());
  ui = CmdUI(ID_EDIT_READ_ONLY);
  doc.OnUpdateCommand(ID_EDIT_READ_ONLY, ui);
  EXPECT_TRUE(ui.IsChecked());
  int endLine = 0, endColumn = 0;
  EXPECT_FALSE(doc.Buffer().InsertAt(nullptr, 0, 0, "x", endLine, endColumn, UndoTyping));
  EXPECT_FALSE(doc.IsModified());

  ASSERT_TRUE(doc.OnCommand(ID_EDIT_READ_ONLY));
  EXPECT_EQ(m_boxes.Count(), 1u);  // nothing when switched off
  EXPECT_FALSE(doc.Buffer().IsReadOnly());
}

// Scripts in every encoding open and save back byte for byte. UTF-8 text is
// held as GB18030, so the buffer holds GBK bytes whatever the file was.
TEST_F(QueryDocTest, EveryEncodingOpensAndSavesBackByteIdentical) {
  const std::string chinese = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文 in UTF-8
  const std::string emoji = "\xF0\x9F\x98\x80";             // outside GBK
  struct Case {
    const char* name;
    std::string bytes;
    const char* label;
  };
  const Case cases[] = {
      {"bom.sql", "\xEF\xBB\xBF" "select '" + chinese + emoji + "';\r\n-- " + chinese + "\r\n", "UTF-8 BOM"},
      {"utf8.sql", "select '" + chinese + "'\nfrom t -- " + emoji + "\n", "UTF-8"},
      {"gbk.sql", "select '\xD6\xD0\xCE\xC4' as \xC3\xFB\r\n", "GBK"},
      {"gb18030.sql", "select '\x94\x39\xFC\x36'\r\n", "GB18030"},  // U+1F600 as four bytes
      // Bytes valid in neither: UTF-8 and GBK Chinese, a lone 0xFF and 0x80,
      // a bare CR, mixed line ends.
      {"mixed.sql", "a " + chinese + " \xD6\xD0\xFF\x80 b\r\nc\rd\n\xE4\xB8\n", "GBK"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(Path(c.name), c.bytes);
    CQueryDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(Path(c.name)));
    EXPECT_EQ(doc.EncodingLabel(), QString::fromLatin1(c.label));
    const std::string copy = Path(std::string("copy-") + c.name);
    ASSERT_TRUE(doc.OnSaveDocument(copy));
    EXPECT_EQ(ReadBytes(copy), c.bytes);
  }
  // The UTF-8 text is held as GBK: the Chinese word is the GBK one, the
  // emoji its four-byte GB18030 form.
  CQueryDoc doc;
  ASSERT_TRUE(doc.OnOpenDocument(Path("bom.sql")));
  EXPECT_EQ(doc.Buffer().Line(0), "select '\xD6\xD0\xCE\xC4\x94\x39\xFC\x36';");
  // An edit is saved in the file's encoding, BOM first; Python reads it back.
  int endLine = 0, endColumn = 0;
  ASSERT_TRUE(doc.Buffer().InsertAt(nullptr, 1, 3, "\xB2\xE2 ", endLine, endColumn, UndoTyping));  // 测
  ASSERT_TRUE(doc.OnSaveDocument(Path("edited.sql")));
  QProcess python;
  python.start("/usr/bin/python3", {"-c", "import sys; t = open(sys.argv[1], encoding='utf-8-sig', newline='').read(); "
                                          "print(ascii(t))",
                                    QString::fromStdString(Path("edited.sql"))});
  ASSERT_TRUE(python.waitForFinished(30000));
  EXPECT_EQ(python.readAllStandardOutput().trimmed().toStdString(),
            "\"select '\\u4e2d\\u6587\\U0001f600';\\r\\n-- \\u6d4b \\u4e2d\\u6587\\r\\n\"");
  EXPECT_EQ(m_boxes.Count(), 0u);
}

// Save As through the real save dialog: the user picks the file name and the
// encoding in the dialog's encoding box.
TEST_F(QueryDocTest, SaveAsOffersTheFourEncodings) {
  WriteBytes(Path("in.sql"), "select '\xD6\xD0\xCE\xC4'\r\n");
  CQueryDoc doc;
  ASSERT_TRUE(doc.OnOpenDocument(Path("in.sql")));
  QStringList offered;
  DialogHook previous = SetDialogHook([&](QDialog& dialog) {
    auto* box = dialog.findChild<QComboBox*>(QStringLiteral("encoding"));
    if (!box) return static_cast<int>(QDialog::Rejected);
    for (int i = 0; i < box->count(); ++i) offered << box->itemText(i);
    box->setCurrentIndex(box->findText(QStringLiteral("UTF-8 BOM")));
    static_cast<QFileDialog&>(dialog).selectFile(QString::fromStdString(Path("out.sql")));
    dialog.accept();
    return dialog.result();
  });
  ASSERT_TRUE(doc.OnCommand(ID_FILE_SAVE_AS));
  SetDialogHook(previous);
  EXPECT_EQ(offered, (QStringList{"GBK", "GB18030", "UTF-8", "UTF-8 BOM"}));
  EXPECT_EQ(ReadBytes(Path("out.sql")), "\xEF\xBB\xBFselect '\xE4\xB8\xAD\xE6\x96\x87'\r\n");
  EXPECT_EQ(doc.EncodingLabel(), QStringLiteral("UTF-8 BOM"));
  EXPECT_EQ(doc.PathName(), Path("out.sql"));
  // A new script is GBK again.
  doc.OnNewDocument();
  EXPECT_EQ(doc.EncodingLabel(), QStringLiteral("GBK"));
}

}  // namespace
}  // namespace orva
