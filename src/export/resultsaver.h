#pragma once
// Saving the contents of a result grid to a file: the result view of a query
// window and the table window hand over their grid and the descriptions of
// its columns. The saver asks for a file (CSaveFileDialog) and writes a
// delimited text file, a dBase file or an Excel workbook, chosen by the
// extension of the name. What is saved is the text the grid shows.
//
// The writing runs off the GUI thread as long work (progress and a cancel
// button in the status bar after half a second); the grid stays usable. The
// file is written to a temporary file and renamed over the target at the
// end, so a failed or cancelled save leaves no partial file behind.

#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "db/recordsetex.h"
#include "export/delimitedtext.h"

namespace orva {

class CGridCtrl;
class LongWorkControl;
class SafeFileOutput;

enum class SaveFormat { None, Text, Dbf, Xlsx };

// The format a file name asks for, by its extension (ignoring case).
SaveFormat SaveFormatForPath(const QString& path);

class CResultSaver {
 public:
  // Asks for a file and saves the grid. The data are rows `firstRow` to the
  // last and columns `firstCol` to the last; column `firstCol + k` is
  // described by columns[k]. The heading row is the one above `firstRow`.
  // Returns once the writing has started (or was refused).
  static void Save(CGridCtrl* grid, std::vector<ColumnInfo> columns, int firstRow = 1, int firstCol = 1);

  // The same without the dialog: saves to `path` with the text options.
  static void SaveTo(CGridCtrl* grid, std::vector<ColumnInfo> columns, const QString& path,
                     const TextSaveOptions& options, int firstRow = 1, int firstCol = 1);

 private:
  enum class Outcome { Done, Cancelled, OpenFailed, WriteFailed, Refused };

  CResultSaver() = default;
  bool Start();
  void Write(LongWorkControl& control);
  bool WriteText(LongWorkControl& control, SafeFileOutput& out);
  bool WriteDbf(LongWorkControl& control, SafeFileOutput& out);
  bool WriteXlsx(LongWorkControl& control, SafeFileOutput& out);
  void Report(bool cancelled);

  CGridCtrl* m_pGrid = nullptr;
  std::vector<ColumnInfo> m_columns;
  std::string m_strPath;  // native path
  QString m_displayPath;
  TextSaveOptions m_options;
  SaveFormat m_format = SaveFormat::None;
  int m_firstRow = 1;
  int m_firstCol = 1;
  int m_lastRow = 0;  // at the start of the save
  int m_lastCol = 0;
  std::vector<std::string> m_headings;  // GBK, one per saved column

  Outcome m_outcome = Outcome::Done;
  std::string m_errorText;  // GBK, for WriteFailed and Refused
  std::int64_t m_overflows = 0;
};

}  // namespace orva
