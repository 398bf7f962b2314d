#pragma once
// A result grid in a main window (whose status bar shows long work), and a
// user answering the save dialog with keys and clicks.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMainWindow>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <sql.h>

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "db/recordsetex.h"
#include "export/savefiledialog.h"
#include "grid/gridctrl.h"
#include "platform/codec.h"
#include "platform/longwork.h"
#include "platform/messagebox.h"
#include "platform/profile.h"
#include "test_env.h"

namespace orva::test {

// What the user does in the save dialog.
struct SaveDialogAnswer {
  int fileType = 0;          // index in the file-type list
  QString name;              // typed into the name box (a full path)
  bool clickHeader = false;  // click "将列名保存到第一行"
  int delimiter = -1;        // item of the delimiter list, -1 = leave it
  QString other;             // typed into the other-delimiter box
  int encoding = -1;         // item of the encoding list, -1 = leave it
  bool cancel = false;
};

// Picks an item of a closed combo box with the arrow keys, as a user does.
inline void PickWithKeys(QComboBox* box, int item) {
  box->setFocus();
  if (box->currentIndex() < 0) QTest::keyClick(box, Qt::Key_Down);
  while (box->currentIndex() < item) QTest::keyClick(box, Qt::Key_Down);
  while (box->currentIndex() > item) QTest::keyClick(box, Qt::Key_Up);
}

// Answers the next save dialogs; records what the dialog showed.
class SaveDialogUser {
 public:
  explicit SaveDialogUser(SaveDialogAnswer answer) : m_answer(std::move(answer)) {
    m_previous = SetDialogHook([this](QDialog& dialog) { return Answer(dialog); });
  }
  ~SaveDialogUser() { SetDialogHook(m_previous); }

  int shown = 0;
  QString proposedName;
  bool optionsVisibleAtStart = false;
  bool optionsVisibleAfterTypeChange = true;
  bool headerCheckedAtStart = true;

 private:
  int Answer(QDialog& base) {
    auto* dialog = dynamic_cast<CSaveFileDialog*>(&base);
    EXPECT_NE(dialog, nullptr);
    if (!dialog) return QDialog::Rejected;
    ++shown;
    dialog->show();
    QCoreApplication::processEvents();  // lay the dialog out before clicking into it
    auto* nameEdit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    EXPECT_TRUE(nameEdit && types);
    if (!nameEdit || !types) return QDialog::Rejected;
    proposedName = nameEdit->text();
    optionsVisibleAtStart = dialog->HeaderBox()->isVisible();
    headerCheckedAtStart = dialog->HeaderBox()->isChecked();
    PickWithKeys(types, m_answer.fileType);
    optionsVisibleAfterTypeChange = dialog->HeaderBox()->isVisible();
    if (m_answer.clickHeader) QTest::mouseClick(dialog->HeaderBox(), Qt::LeftButton, {}, QPoint(5, 5));
    if (m_answer.delimiter >= 0) PickWithKeys(dialog->DelimiterBox(), m_answer.delimiter);
    if (!m_answer.other.isEmpty()) QTest::keyClicks(dialog->OtherDelimiterEdit(), m_answer.other);
    if (m_answer.encoding >= 0) PickWithKeys(dialog->EncodingBox(), m_answer.encoding);
    nameEdit->setFocus();
    nameEdit->selectAll();
    QTest::keyClicks(nameEdit, m_answer.name);
    // The name box's completer may hold the keyboard: press the button.
    auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    EXPECT_NE(buttons, nullptr);
    if (!buttons) return QDialog::Rejected;
    for (QAbstractButton* button : buttons->buttons()) {
      QDialogButtonBox::ButtonRole role = buttons->buttonRole(button);
      if (role == (m_answer.cancel ? QDialogButtonBox::RejectRole : QDialogButtonBox::AcceptRole)) {
        QTest::mouseClick(button, Qt::LeftButton);
        break;
      }
    }
    if (dialog->isVisible()) dialog->reject();  // the name was refused: give up
    return dialog->result();
  }

  SaveDialogAnswer m_answer;
  DialogHook m_previous;
};

class SaverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteProfileNumber("Setting", "SaveEncoding", 0);  // remembered by earlier tests
    m_window = std::make_unique<QMainWindow>();
    m_window->resize(800, 500);
    m_window->statusBar();
    m_grid = new CGridCtrl(0, 0, 0, 0);
    m_grid->Create(QRect(0, 0, 700, 400), m_window.get(), 1000);
    m_window->setCentralWidget(m_grid);
    m_window->show();
  }

  void TearDown() override {
    WaitForSaves();
    m_window.reset();
  }

  // Fills the grid as a result grid: heading row, row numbers in column 0.
  void Fill(const std::vector<std::string>& headings, const std::vector<std::vector<std::string>>& rows) {
    m_grid->InsertColumn("");
    for (const std::string& heading : headings) m_grid->InsertColumn(heading);
    m_grid->SetFixedRowCount(1);
    m_grid->SetFixedColumnCount(1);
    for (const auto& row : rows) {
      int r = m_grid->InsertRow(std::to_string(m_grid->GetRowCount()));
      for (std::size_t c = 0; c < row.size(); ++c) m_grid->SetItemText(r, static_cast<int>(c) + 1, row[c]);
    }
  }

  static ColumnInfo Column(std::string name, int sqlType, std::uint32_t precision = 0, int scale = 0) {
    ColumnInfo info;
    info.m_strName = std::move(name);
    info.m_nSQLType = static_cast<SQLSMALLINT>(sqlType);
    info.m_nPrecision = precision;
    info.m_nScale = static_cast<SQLSMALLINT>(scale);
    return info;
  }

  // Processes events until every save has ended.
  static void WaitForSaves() {
    QElapsedTimer timer;
    timer.start();
    while (RunningLongWorkCount() > 0 && timer.elapsed() < 120000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
  }

  QString PathOf(const QString& name) const { return QDir(m_dir.path()).filePath(name); }
  QStringList FolderEntries() const {
    return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
  }

  QTemporaryDir m_dir;
  std::unique_ptr<QMainWindow> m_window;
  CGridCtrl* m_grid = nullptr;
};

}  // namespace orva::test
