// The text-format dialog as a user meets it: analysing a file, correcting
// the column list in place, and the schema.ini section OK writes.

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

#include <gtest/gtest.h>

#include "export/textformatdlg.h"
#include "grid/inplaceedit.h"
#include "platform/codec.h"
#include "platform/messagebox.h"
#include "test_env.h"

namespace orva::test {
namespace {

class TextFormatTest : public ::testing::Test {
 protected:
  QString Write(const QString& name, const QByteArray& bytes) {
    QString path = QDir(m_dir.path()).filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
  }
  QByteArray Read(const QString& name) {
    QFile file(QDir(m_dir.path()).filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }

  // Runs the dialog for the file the way the file-database command does;
  // `user` acts on the shown dialog, then OK is pressed (unless the user
  // closed it). Returns whether schema.ini was written.
  bool RunDialog(const QString& path, const std::function<void(CTextFormatDlg&)>& user) {
    DialogHook previous = SetDialogHook([&](QDialog& base) {
      auto& dialog = dynamic_cast<CTextFormatDlg&>(base);
      dialog.show();
      QCoreApplication::processEvents();
      user(dialog);
      if (dialog.isVisible()) Click(dialog, QStringLiteral("1"));
      return dialog.result();
    });
    bool wrote = RunTextFormatDialog(path);
    SetDialogHook(previous);
    return wrote;
  }

  static void Click(CTextFormatDlg& dialog, const QString& buttonName) {
    auto* button = dialog.findChild<QPushButton*>(buttonName);
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
  }

  static void PickDelimiter(CTextFormatDlg& dialog, int item) {
    QComboBox* box = dialog.DelimiterBox();
    box->setFocus();
    while (box->currentIndex() < item) QTest::keyClick(box, Qt::Key_Down);
    while (box->currentIndex() > item) QTest::keyClick(box, Qt::Key_Up);
  }

  static QStringList ColumnTexts(CTextFormatDlg& dialog, int col) {
    QStringList texts;
    for (int r = 0; r < dialog.ColumnList()->rowCount(); ++r) texts << dialog.ColumnList()->item(r, col)->text();
    return texts;
  }

  static QStringList PreviewColumn(CTextFormatDlg& dialog, int col) {
    QStringList texts;
    for (int r = 0; r < dialog.Preview()->rowCount(); ++r) {
      QTableWidgetItem* item = dialog.Preview()->item(r, col);
      texts << (item ? item->text() : QString());
    }
    return texts;
  }

  static void DoubleClickCell(CColumnListCtrl* list, int row, int col) {
    QRect rect = list->visualItemRect(list->item(row, col));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
  }

  // The editor a double-click opened (closed ones may still await deletion).
  static GridInPlaceEdit* OpenEditor(CColumnListCtrl* list) {
    for (GridInPlaceEdit* edit : list->viewport()->findChildren<GridInPlaceEdit*>())
      if (edit->isVisible()) return edit;
    return nullptr;
  }

  QTemporaryDir m_dir;
};

TEST_F(TextFormatTest, CommaFileWithNamesWritesTheSectionByteForByte) {
  const QString path = Write(QStringLiteral("data.txt"), "name,age\r\nTom,12\r\nAnn,7\r\n");
  bool wrote = RunDialog(path, [](CTextFormatDlg& dialog) {
    EXPECT_TRUE(dialog.FirstRowNamesBox()->isChecked());
    EXPECT_EQ(dialog.DelimiterBox()->currentText(), QStringLiteral("TAB分隔"));
    EXPECT_FALSE(dialog.OtherDelimiterEdit()->isEnabled());
    PickDelimiter(dialog, 1);
    QTest::mouseClick(dialog.AnalyseButton(), Qt::LeftButton);
    EXPECT_EQ(ColumnTexts(dialog, 1), (QStringList{"name", "age"}));
    EXPECT_EQ(ColumnTexts(dialog, 2), (QStringList{"Char", "Integer"}));
    EXPECT_EQ(ColumnTexts(dialog, 3), (QStringList{"255", ""}));
    // The preview starts with the first data line.
    EXPECT_EQ(PreviewColumn(dialog, 0), (QStringList{"Tom", "Ann"}));
  });
  EXPECT_TRUE(wrote);
  EXPECT_EQ(Read(QStringLiteral("schema.ini")),
            QByteArray("[data.txt]\r\nColNameHeader=True\r\nFormat=CSVDelimited\r\nMaxScanRows=25\r\n"
                       "CharacterSet=ANSI\r\nCol1=name Char Width 255\r\nCol2=age Integer\r\n"));
}

TEST_F(TextFormatTest, OtherSectionsOfAnExistingFileAreKeptByteForByte) {
  const QByteArray before = "; kept comment\n[other.csv]\nColNameHeader=False\nFormat=CSVDelimited\n\n";
  const QByteArray after = "[DATA.TXT.bak]\n  Odd = spacing \nCol1=x Char Width 3";  // no final line end
  Write(QStringLiteral("schema.ini"),
        before + "[Data.Txt]\nColNameHeader=False\nFormat=TabDelimited\nCol1=a Char Width 9\nCol2=b Float\nCol3=c Date\n" +
            after);
  const QString path = Write(QStringLiteral("data.txt"), "a\tb\n1\t2\n");
  EXPECT_TRUE(RunDialog(path, [](CTextFormatDlg&) {}));
  EXPECT_EQ(Read(QStringLiteral("schema.ini")),
            before +
                "[data.txt]\nColNameHeader=True\nFormat=TabDelimited\nMaxScanRows=25\nCharacterSet=ANSI\n"
                "Col1=a Integer\nCol2=b Integer\n" +
                after);
}

TEST_F(TextFormatTest, TypeGuessesNamesAndPreviewWithAndWithoutTheNameRow) {
  const QString path = Write(QStringLiteral("types.csv"),
                             "a,,c,d,e,f,\n12,-3.5,3.5e2,2004-05-06 12:30:00,2004-05-06,abc\nx,y\n");
  RunDialog(path, [](CTextFormatDlg& dialog) {
    PickDelimiter(dialog, 1);
    QTest::mouseClick(dialog.AnalyseButton(), Qt::LeftButton);
    // An empty name becomes F2; the trailing delimiter adds no column.
    EXPECT_EQ(ColumnTexts(dialog, 1), (QStringList{"a", "F2", "c", "d", "e", "f"}));
    EXPECT_EQ(ColumnTexts(dialog, 2), (QStringList{"Integer", "Float", "Float", "Date", "Date", "Char"}));
    EXPECT_EQ(ColumnTexts(dialog, 0), (QStringList{"1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(PreviewColumn(dialog, 1), (QStringList{"-3.5", "y"}));

    QTest::mouseClick(dialog.FirstRowNamesBox(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(dialog.AnalyseButton(), Qt::LeftButton);
    EXPECT_EQ(ColumnTexts(dialog, 1), (QStringList{"F1", "F2", "F3", "F4", "F5", "F6"}));
    EXPECT_EQ(ColumnTexts(dialog, 2), (QStringList{"Char", "Char", "Char", "Char", "Char", "Char"}));
    EXPECT_EQ(PreviewColumn(dialog, 0), (QStringList{"a", "12", "x"}));
    Click(dialog, QStringLiteral("2"));
  });
  EXPECT_FALSE(QFile::exists(QDir(m_dir.path()).filePath(QStringLiteral("schema.ini"))));
  for (auto [value, type] : {std::pair{"-", "Integer"}, {"+7", "Integer"}, {"-1e5", "Float"}, {"-abc", "Char"},
                             {"2004/5/6", "Date"}, {"1-2-3-4", "Float"}, {"", "Char"}, {"12:30:00", "Char"}})
    EXPECT_EQ(GuessTextType(value), type) << value;
}

TEST_F(TextFormatTest, EditingTypesWidthsAndNamesInPlace) {
  const QString path = Write(QStringLiteral("edit.txt"), "name\tqty\nTom\t3\n");
  EXPECT_TRUE(RunDialog(path, [](CTextFormatDlg& dialog) {
    CColumnListCtrl* list = dialog.ColumnList();
    ASSERT_EQ(list->rowCount(), 2);
    // Char -> Integer empties the width.
    DoubleClickCell(list, 0, 2);
    auto* types = list->viewport()->findChild<QComboBox*>(QStringLiteral("typeEditor"));
    ASSERT_NE(types, nullptr);
    EXPECT_EQ(types->currentText(), QStringLiteral("Char"));
    QTest::keyClick(types, Qt::Key_Down);
    QCoreApplication::processEvents();
    EXPECT_EQ(ColumnTexts(dialog, 2), (QStringList{"Integer", "Integer"}));
    EXPECT_EQ(ColumnTexts(dialog, 3), (QStringList{"", ""}));
    // No width editor on a column that is not Char.
    DoubleClickCell(list, 0, 3);
    EXPECT_EQ(OpenEditor(list), nullptr);
    // And back to Char: width 255.
    DoubleClickCell(list, 0, 2);
    types = list->viewport()->findChild<QComboBox*>(QStringLiteral("typeEditor"));
    ASSERT_NE(types, nullptr);
    QTest::keyClick(types, Qt::Key_Up);
    QCoreApplication::processEvents();
    EXPECT_EQ(ColumnTexts(dialog, 3), (QStringList{"255", ""}));
    // A width and a name typed in place.
    DoubleClickCell(list, 0, 3);
    auto* edit = OpenEditor(list);
    ASSERT_NE(edit, nullptr);
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("40"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCoreApplication::processEvents();
    DoubleClickCell(list, 1, 1);
    edit = OpenEditor(list);
    ASSERT_NE(edit, nullptr);
    edit->selectAll();
    QInputMethodEvent typed;  // Chinese comes from the input method
    typed.setCommitString(QStringLiteral("数量"));
    QCoreApplication::sendEvent(edit, &typed);
    QTest::keyClick(edit, Qt::Key_Return);
    QCoreApplication::processEvents();
    // Escape keeps the old text.
    DoubleClickCell(list, 0, 1);
    edit = OpenEditor(list);
    ASSERT_NE(edit, nullptr);
    QTest::keyClicks(edit, QStringLiteral("zzz"));
    QTest::keyClick(edit, Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_EQ(ColumnTexts(dialog, 1), (QStringList{"name", QStringLiteral("数量")}));
  }));
  EXPECT_EQ(Read(QStringLiteral("schema.ini")),
            QByteArray("[edit.txt]\r\nColNameHeader=True\r\nFormat=TabDelimited\r\nMaxScanRows=25\r\n"
                       "CharacterSet=ANSI\r\nCol1=name Char Width 40\r\nCol2=") +
                QByteArray::fromStdString(GbkFromUtf8("数量")) + " Integer\r\n");
}

TEST_F(TextFormatTest, OtherDelimiterMustBeTypedAndTheAnalysedOneIsWritten) {
  const QString path = Write(QStringLiteral("bars.txt"), "a|b\n1|x\n");
  MessageBoxRecorder boxes;
  EXPECT_TRUE(RunDialog(path, [&](CTextFormatDlg& dialog) {
    PickDelimiter(dialog, 2);
    EXPECT_TRUE(dialog.OtherDelimiterEdit()->isEnabled());
    QTest::mouseClick(dialog.AnalyseButton(), Qt::LeftButton);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.LastText(), QStringLiteral("请输入其它分隔符"));
    EXPECT_EQ(dialog.ColumnList()->rowCount(), 0);
    QTest::keyClicks(dialog.OtherDelimiterEdit(), QStringLiteral("|"));
    QTest::mouseClick(dialog.AnalyseButton(), Qt::LeftButton);
    EXPECT_EQ(ColumnTexts(dialog, 1), (QStringList{"a", "b"}));
    dialog.OtherDelimiterEdit()->clear();  // emptied after the analysis
  }));
  EXPECT_TRUE(Read(QStringLiteral("schema.ini")).contains("\r\nFormat=Delimited(|)\r\n"));
}

TEST_F(TextFormatTest, UnwritableSchemaIsReportedAndUnreadableFileWritesNothing) {
  QDir(m_dir.path()).mkdir(QStringLiteral("schema.ini"));  // a folder where the file should go
  const QString path = Write(QStringLiteral("t.txt"), "a\n1\n");
  MessageBoxRecorder boxes;
  EXPECT_FALSE(RunDialog(path, [](CTextFormatDlg&) {}));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_TRUE(boxes.LastText().contains(QStringLiteral("schema.ini"))) << boxes.LastText().toStdString();
  QDir(m_dir.path()).rmdir(QStringLiteral("schema.ini"));

  EXPECT_FALSE(RunDialog(QDir(m_dir.path()).filePath(QStringLiteral("missing.txt")), [](CTextFormatDlg& dialog) {
    EXPECT_EQ(dialog.ColumnList()->rowCount(), 0);
    EXPECT_EQ(dialog.Preview()->columnCount(), 0);
  }));
  EXPECT_FALSE(QFile::exists(QDir(m_dir.path()).filePath(QStringLiteral("schema.ini"))));
}

}  // namespace
}  // namespace orva::test
