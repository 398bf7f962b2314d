#pragma once
// The file dialog of "另存为": a save dialog with three file types (text,
// dBase, Excel workbook) and, for text files, the options below the file
// list: column names in the first line, the delimiter and the encoding.

#include <QFileDialog>

#include "export/delimitedtext.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;

namespace orva {

class CSaveFileDialog : public QFileDialog {
  Q_OBJECT

 public:
  // Proposes `proposedPath` (a folder and a file name without extension).
  explicit CSaveFileDialog(const QString& proposedPath, QWidget* parent = nullptr);

  // The options as read when the name was accepted with the text type
  // chosen; with another type they keep their defaults (names, TAB).
  const TextSaveOptions& Options() const { return m_options; }
  // The chosen file, or empty before the dialog was accepted.
  QString ChosenPath() const;

  QCheckBox* HeaderBox() const { return m_header; }
  QComboBox* DelimiterBox() const { return m_delimiter; }
  QLineEdit* OtherDelimiterEdit() const { return m_other; }
  QComboBox* EncodingBox() const { return m_encoding; }

  static const QStringList& FileTypes();

 public slots:
  void accept() override;

 private:
  void OnFileTypeChanged(const QString& filter);
  void ReadOptions();

  QWidget* m_panel = nullptr;
  QCheckBox* m_header = nullptr;
  QLabel* m_delimiterLabel = nullptr;
  QComboBox* m_delimiter = nullptr;
  QLineEdit* m_other = nullptr;
  QLabel* m_encodingLabel = nullptr;
  QComboBox* m_encoding = nullptr;
  QFrame* m_line = nullptr;
  TextSaveOptions m_options;
};

}  // namespace orva
