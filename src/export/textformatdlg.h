#pragma once
// "文本文件格式定义": before a delimited text file is opened as a file
// database, the user describes its columns. The dialog guesses them from
// the first lines, lets the user correct names, types and widths, previews
// the data and on OK writes the file's section of schema.ini in its folder.

#include <QDialog>
#include <QPointer>
#include <QTableWidget>
#include <cstdio>
#include <string>

#include "export/textformat.h"
#include "grid/gridtypes.h"
#include "platform/imagelist.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace orva {

class GridInPlaceEdit;

// The column list: "序号", "字段名", "类型", "长度", edited in place by a
// double-click (a drop-down list for the type, an edit box otherwise).
class CColumnListCtrl : public QTableWidget, public IGridOwner {
  Q_OBJECT

 public:
  explicit CColumnListCtrl(QWidget* parent = nullptr);

  void AddColumn(int number, const std::string& name);
  void SetType(int row, const std::string& type);
  TextColumn Column(int row) const;
  // Opens the editor of a cell, as a double-click does.
  void EditCell(int row, int col);

  long OnGridCellInfo(GridCellInfo& info) override;

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ApplyEdit(int row, int col, const std::string& text);

  QPointer<QWidget> m_editor;
  ImageList m_images;
};

class CTextFormatDlg : public QDialog {
  Q_OBJECT

 public:
  // Opens the text file for reading (nothing to analyse when it cannot be).
  CTextFormatDlg(const QString& textFilePath, QWidget* parent = nullptr);
  ~CTextFormatDlg() override;

  // Whether OK wrote schema.ini.
  bool WroteSchema() const { return m_wroteSchema; }

  CColumnListCtrl* ColumnList() const { return m_columns; }
  QTableWidget* Preview() const { return m_preview; }
  QCheckBox* FirstRowNamesBox() const { return m_firstRowNames; }
  QComboBox* DelimiterBox() const { return m_delimiter; }
  QLineEdit* OtherDelimiterEdit() const { return m_other; }
  QPushButton* AnalyseButton() const { return m_analyse; }

 public slots:
  void accept() override;

 private:
  void Analyse();
  void FillPreview();

  std::string m_path;  // native
  std::FILE* m_file = nullptr;
  int m_delimiterKind = 0;
  char m_delimiterChar = '\t';
  bool m_wroteSchema = false;
  QCheckBox* m_firstRowNames = nullptr;
  QComboBox* m_delimiter = nullptr;
  QLineEdit* m_other = nullptr;
  QPushButton* m_analyse = nullptr;
  CColumnListCtrl* m_columns = nullptr;
  QTableWidget* m_preview = nullptr;
};

// Shows the dialog for the text file; true when it wrote schema.ini.
bool RunTextFormatDialog(const QString& textFilePath, QWidget* parent = nullptr);

}  // namespace orva
