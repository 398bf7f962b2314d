// The options sheet driven as a user does: the page tree, the font page's
// lists, OK / Cancel / Apply, and the fonts of open windows following OK.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <functional>

#include "app/app.h"
#include "app/fontpage.h"
#include "app/mainframe.h"
#include "browser/schemaview.h"
#include "app/optionssheet.h"
#include "grid/gridctrl.h"
#include "platform/codec.h"
#include "platform/fontsettings.h"
#include "platform/messagebox.h"
#include "platform/profile.h"
#include "platform/resource_ids.h"
#include "platform/commandactions.h"
#include "platform/qtext.h"
#include "query/querydoc.h"
#include "query/queryview.h"
#include "query/resultview.h"
#include "widgets/treepropertysheet.h"

namespace orva {
namespace {

using SheetScript = std::function<void(CTreePropertySheet&, CFontPage&)>;

// Runs the options sheet (by default straight, else through `launch`); the
// script plays the user while it is open.
int RunSheet(const SheetScript& script, const std::function<void()>& launch = {}) {
  DialogHook previous = SetDialogHook([&](QDialog& dialog) {
    auto& sheet = static_cast<CTreePropertySheet&>(dialog);
    dialog.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* page = dialog.findChild<CFontPage*>();
    EXPECT_NE(page, nullptr);
    if (page) script(sheet, *page);
    dialog.hide();
    return dialog.result();
  });
  if (launch)
    launch();
  else
    RunOptionsSheet(nullptr);
  SetDialogHook(previous);
  return 0;
}

void ClickRow(QListWidget* list, const QString& text) {
  const auto found = list->findItems(text, Qt::MatchExactly);
  ASSERT_FALSE(found.isEmpty()) << text.toStdString();
  list->scrollToItem(found.front());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.front()).center());
  ASSERT_EQ(list->currentItem(), found.front());
}

// Moves the family box to `family` with the arrow keys.
void ChooseFamily(QComboBox* box, const QString& family) {
  const int target = box->findText(family, Qt::MatchExactly);
  ASSERT_GE(target, 0) << family.toStdString();
  box->setFocus();
  if (box->currentIndex() < 0) QTest::keyClick(box, Qt::Key_Down);
  while (box->currentIndex() < target) QTest::keyClick(box, Qt::Key_Down);
  while (box->currentIndex() > target) QTest::keyClick(box, Qt::Key_Up);
}

QStringList Rows(const QListWidget* list) {
  QStringList rows;
  for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
  return rows;
}

std::string Stored(const char* name) { return GetProfileText("Setting", name, "<none>"); }

// A scalable family other than the platform's first one, Chinese-capable.
QString ChineseFamily() {
  for (const QString& family : QFontDatabase::families())
    if (family.contains("Micro Hei") || family.contains(QStringLiteral("微米黑"))) return family;
  return QFontDatabase::families().value(0);
}

const QStringList kStandardSizes = {"8", "9", "10", "11", "12", "14", "16", "18",
                                    "20", "22", "24", "26", "28", "36", "48", "72"};

class OptionsSheet : public ::testing::Test {
 protected:
  void SetUp() override { WriteProfileText("Setting", std::nullopt, std::nullopt); }
};

TEST_F(OptionsSheet, OpensOnTheFontPageWithClassicDefaultsAndStoresWhatIsSelected) {
  const bool songInstalled = QFontDatabase::families().contains(QStringLiteral("宋体"));
  RunSheet([&](CTreePropertySheet& sheet, CFontPage& page) {
    EXPECT_EQ(sheet.windowTitle(), "参数设置");
    EXPECT_EQ(sheet.ActivePage(), &page);
    // "常规" is a page of its own; the font page sits under it.
    QTreeWidgetItem* general = sheet.Tree()->topLevelItem(0);
    ASSERT_NE(general, nullptr);
    EXPECT_EQ(general->text(0), "常规");
    ASSERT_EQ(general->childCount(), 1);
    EXPECT_EQ(general->child(0)->text(0), "字体设置");
    EXPECT_EQ(page.RegionBox()->currentText(), "编辑区域（默认）");
    EXPECT_EQ(page.FamilyBox()->currentText(), songInstalled ? "宋体" : page.FamilyBox()->itemText(0));
    EXPECT_EQ(page.StyleList()->currentItem()->text(), "常规");
    EXPECT_EQ(page.SizeList()->currentItem()->text(), "9");
    EXPECT_EQ(page.Sample()->text(), "中文AaBbYyZz123");
    for (int i = 0; i < page.FamilyBox()->count(); ++i) {
      EXPECT_FALSE(page.FamilyBox()->itemText(i).startsWith('@'));
      EXPECT_EQ(page.FamilyBox()->findText(page.FamilyBox()->itemText(i), Qt::MatchExactly), i) << "listed twice";
    }
    EXPECT_TRUE(sheet.ApplyButton()->isEnabled());  // the page marks itself changed on opening
    QTest::mouseClick(sheet.OkButton(), Qt::LeftButton);
  });
  EXPECT_EQ(Stored("FontFamilies"), GbkFromQString(songInstalled ? QStringLiteral("宋体") : QFontDatabase::families()[0]));
  EXPECT_EQ(Stored("FontStyle"), GbkFromUtf8("常规"));
  EXPECT_EQ(Stored("FontSize"), "9");
}

TEST_F(OptionsSheet, StoredChoiceIsReselectedExactlyAndScalableFontsOfferTheStandardSizes) {
  const QString family = ChineseFamily();
  WriteProfileText("Setting", "FontFamilies", GbkFromQString(family));
  WriteProfileText("Setting", "FontStyle", GbkFromUtf8("加粗 斜体"));
  WriteProfileText("Setting", "FontSize", "13");  // not a standard size: the first size is taken
  RunSheet([&](CTreePropertySheet& sheet, CFontPage& page) {
    EXPECT_EQ(page.FamilyBox()->currentText(), family);
    EXPECT_EQ(page.StyleList()->currentItem()->text(), "加粗 斜体");
    EXPECT_EQ(Rows(page.SizeList()), kStandardSizes);
    EXPECT_EQ(page.SizeList()->currentItem()->text(), "8");
    EXPECT_TRUE(page.SampleFont().bold());
    EXPECT_TRUE(page.SampleFont().italic());
    // The user picks 加粗 and 14; the sample follows before anything is stored.
    ClickRow(page.StyleList(), "加粗");
    ClickRow(page.SizeList(), "14");
    EXPECT_FALSE(page.SampleFont().italic());
    EXPECT_EQ(page.SampleFont().pixelSize(), (14 * page.logicalDpiY() + 36) / 72);
    EXPECT_EQ(Stored("FontStyle"), GbkFromUtf8("加粗 斜体"));
    QTest::mouseClick(sheet.OkButton(), Qt::LeftButton);
  });
  EXPECT_EQ(Stored("FontFamilies"), GbkFromQString(family));  // Chinese names round-trip
  EXPECT_EQ(Stored("FontStyle"), GbkFromUtf8("加粗"));
  EXPECT_EQ(Stored("FontSize"), "14");
}

TEST_F(OptionsSheet, FamilyThatIsNotInstalledLeavesNoSelectionAndIsNotOverwritten) {
  WriteProfileText("Setting", "FontFamilies", "No Such Face");
  WriteProfileText("Setting", "FontSize", "12");
  RunSheet([&](CTreePropertySheet& sheet, CFontPage& page) {
    EXPECT_EQ(page.FamilyBox()->currentIndex(), -1);
    QTest::mouseClick(sheet.OkButton(), Qt::LeftButton);
  });
  EXPECT_EQ(Stored("FontFamilies"), "No Such Face");
  EXPECT_EQ(Stored("FontSize"), "12");
  EXPECT_EQ(Stored("FontStyle"), GbkFromUtf8("常规"));
}

TEST_F(OptionsSheet, CancelStoresNothing) {
  RunSheet([&](CTreePropertySheet& sheet, CFontPage& page) {
    ClickRow(page.SizeList(), "20");
    QTest::mouseClick(sheet.CancelButton(), Qt::LeftButton);
  });
  EXPECT_EQ(Stored("FontSize"), "<none>");
  EXPECT_EQ(Stored("FontFamilies"), "<none>");
}

TEST_F(OptionsSheet, EachAreaKeepsItsOwnFontAndOpenWindowsFollowAtOnce) {
  CQueryToolApp app;
  ASSERT_TRUE(app.InitInstance({}));
  CMainFrame* frame = app.MainFrame();
  WriteProfileText("Setting", std::nullopt, std::nullopt);
  // Settings written before areas existed: the editor's three values.
  const QString family = ChineseFamily();
  WriteProfileText("Setting", "FontFamilies", GbkFromQString(family));
  WriteProfileText("Setting", "FontStyle", GbkFromUtf8("常规"));
  WriteProfileText("Setting", "FontSize", "10");

  QWidget* browser = frame->GetBrowser();
  const QFont browserFontBefore = browser->font();
  CQueryDoc doc;
  CQueryView editor(&doc);
  editor.OnInitialUpdate();
  CResultView results;
  results.resize(400, 300);
  CGridCtrl* grid = results.AddResultGrid(nullptr);
  ASSERT_NE(grid, nullptr);
  const QFont gridFontBefore = grid->GetDefaultCell(false, false)->GetFontObject();
  const QFont editorFontBefore = editor.TextFont();
  EXPECT_EQ(EditorFontFromSettings(96).family(), family);

  RunSheet([&](CTreePropertySheet& sheet, CFontPage& page) {
    // The result area: the user switches the region and picks 加粗 18.
    page.RegionBox()->setFocus();
    QTest::keyClick(page.RegionBox(), Qt::Key_Down);
    ASSERT_EQ(page.RegionBox()->currentText(), "结果区域");
    ChooseFamily(page.FamilyBox(), family);
    ClickRow(page.StyleList(), "加粗");
    ClickRow(page.SizeList(), "18");
    // Back on the editor area its own choice shows again.
    QTest::keyClick(page.RegionBox(), Qt::Key_Up);
    EXPECT_EQ(page.SizeList()->currentItem()->text(), "10");
    ClickRow(page.SizeList(), "16");
    QTest::mouseClick(sheet.ApplyButton(), Qt::LeftButton);
    EXPECT_FALSE(sheet.ApplyButton()->isEnabled());
    // The browser area: 斜体 28.
    QTest::keyClick(page.RegionBox(), Qt::Key_Down);
    QTest::keyClick(page.RegionBox(), Qt::Key_Down);
    ASSERT_EQ(page.RegionBox()->currentText(), "对象浏览区域");
    ChooseFamily(page.FamilyBox(), family);
    ClickRow(page.StyleList(), "斜体");
    ClickRow(page.SizeList(), "28");
    QTest::mouseClick(sheet.OkButton(), Qt::LeftButton);
  }, [&] {
    // The user's way in: 工具 → 设置.
    frame->Actions().Refresh();
    QAction* options = frame->Actions().Find(ID_TOOLS_OPTIONS);
    ASSERT_TRUE(options->isEnabled());
    options->trigger();
  });

  EXPECT_EQ(Stored("FontSize"), "16");
  EXPECT_EQ(Stored("ResultFontFamilies"), GbkFromQString(family));
  EXPECT_EQ(Stored("ResultFontStyle"), GbkFromUtf8("加粗"));
  EXPECT_EQ(Stored("ResultFontSize"), "18");
  EXPECT_EQ(Stored("BrowserFontStyle"), GbkFromUtf8("斜体"));
  EXPECT_TRUE(browser->font().italic());
  EXPECT_NE(browser->font(), browserFontBefore);

  const QFont gridFont = grid->GetDefaultCell(false, false)->GetFontObject();
  EXPECT_TRUE(gridFont.bold());
  EXPECT_NE(gridFont, gridFontBefore);
  EXPECT_EQ(gridFont.family(), family);
  // The open editor took its new size; a grid made afterwards gets the result font.
  EXPECT_EQ(editor.TextFont().pixelSize(), (16 * editor.logicalDpiY() + 36) / 72);
  EXPECT_NE(editor.TextFont().pixelSize(), editorFontBefore.pixelSize());
  CGridCtrl* later = results.AddResultGrid(nullptr);
  EXPECT_EQ(later->GetDefaultCell(false, false)->GetFontObject(), gridFont);
}

TEST(TreePropertySheet, ANodeWithoutAPageAsksForAChild) {
  CTreePropertySheet sheet(QStringLiteral("S"));
  auto* page = new CPropertyPage(QStringLiteral("A::B"));
  sheet.AddPage(page);
  sheet.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
  QTreeWidgetItem* parent = sheet.Tree()->topLevelItem(0);
  ASSERT_EQ(parent->text(0), "A");
  EXPECT_EQ(sheet.ActivePage(), page);
  QTest::mouseClick(sheet.Tree()->viewport(), Qt::LeftButton, {}, sheet.Tree()->visualItemRect(parent).center());
  EXPECT_EQ(sheet.ActivePage(), nullptr);
  auto* prompt = sheet.findChild<QLabel*>("selectChild");
  ASSERT_NE(prompt, nullptr);
  EXPECT_TRUE(prompt->isVisible());
  EXPECT_EQ(prompt->text(), "Please select a child item of 'A'.");
}

}  // namespace
}  // namespace orva
