// The SQL editor view over a query document: font from the settings, the
// text helpers, InsertText, the read-only command, colouring and the context
// menu.

#include <gtest/gtest.h>

#include <QAction>
#include <QFontDatabase>
#include <QMenu>
#include <QTest>
#include <fstream>

#include "editor/textbuffer.h"
#include "platform/profile.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"
#include "query/querydoc.h"
#include "query/queryview.h"
#include "test_env.h"

namespace orva {
namespace {

// The view with its colouring hook opened to the tests.
class ProbeView : public CQueryView {
 public:
  using CQueryView::CQueryView;
  using CQueryView::ColorLine;
};

class QueryViewTest : public ::testing::Test {
 protected:
  void Open(const std::string& bytes) {
    const std::string path = m_dir.filePath(QStringLiteral("script.sql")).toStdString();
    std::ofstream(path, std::ios::binary) << bytes;
    ASSERT_TRUE(m_doc.OnOpenDocument(path));
    m_view = std::make_unique<ProbeView>(&m_doc);
    m_view->resize(400, 300);
    m_view->OnInitialUpdate();
    m_view->show();
  }
  void Select(TextPos start, TextPos end) {
    m_view->SetAnchor(start);
    m_view->SetCaretPos(end);
    m_view->SetSelection(start, end);
  }

  QTemporaryDir m_dir;
  test::MessageBoxRecorder m_boxes;
  CQueryDoc m_doc;
  std::unique_ptr<ProbeView> m_view;
};

TEST_F(QueryViewTest, DefaultSettingsGiveFixedsysTwelvePointRegularOrTheFixedFont) {
  const QFont font = EditorFontFromSettings(96);
  const bool installed = QFontDatabase::families().contains(QStringLiteral("Fixedsys"), Qt::CaseInsensitive);
  EXPECT_EQ(font.family(),
            installed ? QStringLiteral("Fixedsys") : QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
  EXPECT_EQ(font.pixelSize(), 16);  // 12 points at 96 dots per inch
  EXPECT_EQ(font.weight(), QFont::Normal);
  EXPECT_FALSE(font.italic());
  EXPECT_EQ(EditorFontFromSettings(120).pixelSize(), 20);

  // The view takes it when it is bound.
  Open("select 1");
  EXPECT_EQ(m_view->TextFont().family(), font.family());
  EXPECT_FALSE(m_view->TextFont().bold());
}

TEST_F(QueryViewTest, FontStyleAndSizeComeFromTheSettings) {
  const QString family = QFontDatabase::families().value(0);
  WriteProfileText("Setting", "FontFamilies", GbkFromQString(family));
  WriteProfileText("Setting", "FontStyle", GbkFromQString(QStringLiteral("加粗 斜体")));
  WriteProfileText("Setting", "FontSize", "9");
  QFont font = EditorFontFromSettings(96);
  EXPECT_EQ(font.family(), family);
  EXPECT_EQ(font.weight(), QFont::Bold);
  EXPECT_TRUE(font.italic());
  EXPECT_EQ(font.pixelSize(), 12);

  WriteProfileText("Setting", "FontStyle", GbkFromQString(QStringLiteral("斜体")));
  WriteProfileText("Setting", "FontSize", "big");
  font = EditorFontFromSettings(96);
  EXPECT_EQ(font.weight(), QFont::Normal);
  EXPECT_TRUE(font.italic());
  EXPECT_NE(font.pixelSize(), 0);  // not a number: the platform's size
  WriteProfileText("Setting", "FontStyle", GbkFromQString(QStringLiteral("加粗")));
  EXPECT_EQ(EditorFontFromSettings(96).weight(), QFont::Bold);
  WriteProfileText("Setting", std::nullopt, std::nullopt);
}

TEST_F(QueryViewTest, TextHelpersJoinLinesWithTheScriptsOwnLineEnd) {
  Open("select *\nfrom t where a = 'x\ny'\n");  // LF file: LF, also inside the text literal
  EXPECT_EQ(m_view->GetAllText(), "select *\nfrom t where a = 'x\ny'\n");
  EXPECT_FALSE(m_view->HasSelection());
  EXPECT_EQ(m_view->GetSelectedText(), "");
  Select({7, 0}, {4, 1});
  EXPECT_TRUE(m_view->HasSelection());
  EXPECT_EQ(m_view->GetSelectedText(), "*\nfrom");

  Open("select *\r\nfrom t\r\n");
  EXPECT_EQ(m_view->GetAllText(), "select *\r\nfrom t\r\n");
  Select({7, 0}, {4, 1});
  EXPECT_EQ(m_view->GetSelectedText(), "*\r\nfrom");

  // A new script uses the mode it was created with; Enter breaks the line.
  ASSERT_TRUE(m_doc.OnNewDocument());
  m_view->OnInitialUpdate();
  QTest::keyClicks(m_view.get(), "a");
  QTest::keyClick(m_view.get(), Qt::Key_Return);
  QTest::keyClicks(m_view.get(), "b");
  EXPECT_EQ(m_view->GetAllText(), "a\r\nb");
}

TEST_F(QueryViewTest, InsertTextSelectsTheInsertedTextAsOneReplaceStep) {
  Open("ab");
  m_view->SetCaretPos({1, 0});
  m_view->InsertText("SELECT 1\r\nFROM t");
  EXPECT_EQ(m_view->GetAllText(), "aSELECT 1\r\nFROM tb");
  EXPECT_EQ(m_view->CaretPos(), (TextPos{6, 1}));
  TextPos start, end;
  m_view->GetSelection(start, end);
  EXPECT_EQ(start, (TextPos{1, 0}));
  EXPECT_EQ(end, (TextPos{6, 1}));
  std::string caption;
  m_doc.Buffer().UndoCaption(caption);
  EXPECT_EQ(caption, "替换");
  EXPECT_TRUE(m_doc.IsModified());
  m_view->OnCommand(ID_EDIT_UNDO);
  EXPECT_EQ(m_view->GetAllText(), "ab");
  EXPECT_FALSE(m_doc.IsModified());

  // Read-only: nothing.
  m_view->OnCommand(ID_EDIT_READ_ONLY);
  m_view->InsertText("x");
  EXPECT_EQ(m_view->GetAllText(), "ab");
}

TEST_F(QueryViewTest, ReadOnlyCommandReachesTheDocumentAndBlocksEditing) {
  Open("keep");
  m_view->setFocus();
  m_view->OnCommand(ID_EDIT_READ_ONLY);
  ASSERT_EQ(m_boxes.Count(), 1u);
  EXPECT_EQ(m_boxes.LastText(), QStringLiteral("文档已经设成只读，不能做修改"));
  CmdUI check(ID_EDIT_READ_ONLY);
  ASSERT_TRUE(m_view->OnUpdateCommand(ID_EDIT_READ_ONLY, check));
  EXPECT_TRUE(check.IsChecked());
  QTest::keyClicks(m_view.get(), "abc");
  QTest::keyClick(m_view.get(), Qt::Key_Return);
  QTest::keyClick(m_view.get(), Qt::Key_Backspace);
  EXPECT_EQ(m_view->GetAllText(), "keep");
  m_view->OnCommand(ID_EDIT_READ_ONLY);
  EXPECT_EQ(m_boxes.Count(), 1u);
  QTest::keyClicks(m_view.get(), "x");
  EXPECT_EQ(m_view->GetAllText(), "xkeep");
}

TEST_F(QueryViewTest, LinesAreColouredAsSql) {
  Open("select 12 -- note");
  std::vector<ColorSpan> spans;
  m_view->ColorLine(0, 0, &spans);
  bool keyword = false, number = false, comment = false;
  for (const ColorSpan& span : spans) {
    keyword |= span.start == 0 && span.color == 6;
    number |= span.start == 7 && span.color == 8;
    comment |= span.start == 10 && span.color == 7;
  }
  EXPECT_TRUE(keyword);
  EXPECT_TRUE(number);
  EXPECT_TRUE(comment);
}

TEST_F(QueryViewTest, ContextMenuHasTheSevenEditorCommandsWithImages) {
  Open("one two");
  QWidget window;
  m_view->setParent(&window);
  Select({0, 0}, {3, 0});
  QMenu* menu = m_view->BuildContextMenu();
  EXPECT_EQ(menu->parent(), &window);
  EXPECT_EQ(menu->title(), QStringLiteral("编辑器"));
  const QList<QAction*> actions = menu->actions();
  ASSERT_EQ(actions.size(), 7);
  const int ids[] = {ID_EDIT_UNDO, ID_EDIT_REDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_DELETE,
                     ID_EDIT_SELECT_ALL};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(actions[i]->data().toInt(), ids[i]);
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(actions[i]->icon().isNull()) << i;
  EXPECT_FALSE(actions[0]->isEnabled());  // nothing to undo yet
  EXPECT_TRUE(actions[2]->isEnabled());   // cut with a selection
  actions[5]->trigger();                  // delete reaches the view
  EXPECT_EQ(m_view->GetAllText(), " two");
  delete menu;
  m_view->setParent(nullptr);
}

}  // namespace
}  // namespace orva
