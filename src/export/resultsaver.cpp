#include "export/resultsaver.h"

#include <sql.h>

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <set>
#include <thread>

#include "export/dbfwriter.h"
#include "export/safefile.h"
#include "export/savefiledialog.h"
#include "export/xlsxexport.h"
#include "grid/gridctrl.h"
#include "platform/codec.h"
#include "platform/longwork.h"
#include "platform/messagebox.h"
#include "platform/qtext.h"

namespace orva {
namespace {

// Rows read under one hold of the grid's lock: a few milliseconds, so a
// painting GUI thread never waits long.
constexpr int kSliceRows = 2048;
constexpr std::size_t kFlushBytes = 1 << 20;

struct DbfField {
  enum Kind { Defined, Undefined, Unsupported } kind = Undefined;
  char type = 0;
  std::uint16_t width = 0;
};

DbfField DbfFieldFor(const ColumnInfo& column) {
  const int precision16 = static_cast<int>(column.m_nPrecision & 0xFFFF);
  switch (column.m_nSQLType) {
    case SQL_CHAR: case SQL_VARCHAR: case -8: case -9:
      return {DbfField::Defined, 'C', static_cast<std::uint16_t>(precision16)};
    case SQL_DATE: case SQL_TYPE_DATE:
      return {DbfField::Defined, 'D', 8};
    case SQL_TIME: case SQL_TYPE_TIME:
      return {DbfField::Defined, 'C', 12};
    case SQL_TIMESTAMP: case SQL_TYPE_TIMESTAMP:
      return {DbfField::Defined, 'C', 25};
    case SQL_FLOAT: case SQL_REAL: case SQL_DOUBLE:
      // Floating values have no fixed scale; printed without decimals they
      // would lose their fractions.
      return {DbfField::Defined, 'N', CDbfWriter::NumericWidth(20, 6)};
    case -7: case -6: case -5: case SQL_NUMERIC: case SQL_DECIMAL: case SQL_INTEGER: case SQL_SMALLINT:
      return {DbfField::Defined, 'N',
              CDbfWriter::NumericWidth(static_cast<int>(column.m_nPrecision & 0xFF), column.m_nScale & 0xFF)};
    case -10: case -4: case -3: case -2: case -1:
      return {DbfField::Unsupported};
    default:
      return {};
  }
}

// dBase readers expect unique ASCII field names: a column without a name,
// with a name that is not ASCII or with the name of an earlier column is
// called F1, F2, ... by its position.
std::vector<std::string> DbfFieldNames(const std::vector<ColumnInfo>& columns) {
  std::vector<std::string> names;
  std::set<std::string> seen;
  for (std::size_t k = 0; k < columns.size(); ++k) {
    const std::string& name = columns[k].m_strName;
    std::string upper = ToUpperGbk(name);
    if (name.empty() || !IsAscii(name) || seen.contains(upper)) {
      names.push_back("F" + std::to_string(k + 1));
    } else {
      names.push_back(name);
    }
    seen.insert(upper);
  }
  return names;
}

}  // namespace

SaveFormat SaveFormatForPath(const QString& path) {
  const QString suffix = QFileInfo(path).suffix();
  if (suffix.compare(QStringLiteral("txt"), Qt::CaseInsensitive) == 0) return SaveFormat::Text;
  if (suffix.compare(QStringLiteral("dbf"), Qt::CaseInsensitive) == 0) return SaveFormat::Dbf;
  if (suffix.compare(QStringLiteral("xlsx"), Qt::CaseInsensitive) == 0) return SaveFormat::Xlsx;
  return SaveFormat::None;
}

void CResultSaver::Save(CGridCtrl* grid, std::vector<ColumnInfo> columns, int firstRow, int firstCol) {
  if (!grid) return;
  CSaveFileDialog dialog(QDir::currentPath() + QStringLiteral("/Result"));
  if (ExecDialog(dialog) != QDialog::Accepted) return;
  const QString path = dialog.ChosenPath();
  if (path.isEmpty()) return;
  SaveTo(grid, std::move(columns), path, dialog.Options(), firstRow, firstCol);
}

void CResultSaver::SaveTo(CGridCtrl* grid, std::vector<ColumnInfo> columns, const QString& path,
                          const TextSaveOptions& options, int firstRow, int firstCol) {
  std::shared_ptr<CResultSaver> saver(new CResultSaver);
  saver->m_pGrid = grid;
  saver->m_columns = std::move(columns);
  saver->m_displayPath = path;
  saver->m_strPath = QFile::encodeName(path).toStdString();
  saver->m_options = options;
  saver->m_firstRow = firstRow;
  saver->m_firstCol = firstCol;
  saver->m_format = SaveFormatForPath(path);
  if (!saver->Start()) return;
  LongWorkRequest request;
  request.anchor = grid;
  request.text = QStringLiteral("正在保存数据...");
  request.resource = grid;
  request.work = [saver](LongWorkControl& control) { saver->Write(control); };
  request.finished = [saver](bool cancelled) { saver->Report(cancelled); };
  StartLongWork(std::move(request));
}

// On the GUI thread: what can be refused before any file is touched.
bool CResultSaver::Start() {
  if (m_format == SaveFormat::None) {
    ShowMessageBox(QStringLiteral("不支持这种文件类型，没有保存数据。请使用扩展名 .txt、.dbf 或 .xlsx。"));
    return false;
  }
  if (m_format == SaveFormat::Dbf) {
    for (const ColumnInfo& column : m_columns) {
      if (DbfFieldFor(column).kind == DbfField::Unsupported) {
        ShowMessageBox(QStringLiteral(
            "DBF数据文件不支持BINARY、VARBINARY、LONGVARCHAR、WLONGVARCHAR字段，请从记录集中剔出这种类型的字段"));
        return false;
      }
    }
  }
  m_lastRow = m_pGrid->GetRowCount() - 1;
  m_lastCol = m_pGrid->GetColumnCount() - 1;
  if (m_format == SaveFormat::Dbf)
    m_lastCol = std::min(m_lastCol, m_firstCol + static_cast<int>(m_columns.size()) - 1);
  for (int c = m_firstCol; c <= m_lastCol; ++c) {
    const std::size_t k = static_cast<std::size_t>(c - m_firstCol);
    m_headings.push_back(k < m_columns.size() ? m_columns[k].m_strName
                                              : m_pGrid->GetItemText(m_firstRow - 1, c));
  }
  return true;
}

void CResultSaver::Write(LongWorkControl& control) {
  SafeFileOutput out(m_strPath);
  if (!out.Open()) {
    m_outcome = Outcome::OpenFailed;
    return;
  }
  bool written = false;
  switch (m_format) {
    case SaveFormat::Text: written = WriteText(control, out); break;
    case SaveFormat::Dbf: written = WriteDbf(control, out); break;
    case SaveFormat::Xlsx: written = WriteXlsx(control, out); break;
    case SaveFormat::None: break;
  }
  if (control.Cancelled()) {
    m_outcome = Outcome::Cancelled;
    return;  // `out` removes the temporary file
  }
  if (written && out.Commit()) {
    m_outcome = Outcome::Done;
    return;
  }
  if (m_outcome == Outcome::Done) {
    m_outcome = Outcome::WriteFailed;
    m_errorText = GbkFromQString(QString::fromLocal8Bit(out.ErrorText()));
  }
}

bool CResultSaver::WriteText(LongWorkControl& control, SafeFileOutput& out) {
  const ExportEncoding encoding = m_options.encoding;
  // Two chunks: one is being written to the file while the other fills.
  DelimitedTextBuffer chunks[2] = {DelimitedTextBuffer(m_options.delimiter), DelimitedTextBuffer(m_options.delimiter)};
  std::string encoded[2];
  int filling = 0;
  auto flush = [&] {
    const DelimitedTextBuffer& chunk = chunks[filling];
    std::string_view bytes = chunk.View();
    if (chunk.HasNonAscii()) bytes = encoded[filling] = EncodeForExport(bytes, encoding);
    const bool ok = out.WriteBehind(bytes.data(), bytes.size());
    filling ^= 1;  // written by now: WriteBehind waited for it
    chunks[filling].Clear();
    return ok;
  };
  const std::string_view preamble = EncodingPreamble(encoding);
  if (!out.Write(preamble.data(), preamble.size())) return false;
  if (m_options.header && !m_headings.empty()) {
    std::vector<std::string_view> names(m_headings.begin(), m_headings.end());
    chunks[filling].AppendRow(names.data(), static_cast<int>(names.size()));
  }
  const std::int64_t total = std::max(m_lastRow - m_firstRow + 1, 0);
  for (int row = m_firstRow; row <= m_lastRow; row += kSliceRows) {
    if (control.Cancelled()) return false;
    const int sliceEnd = std::min(row + kSliceRows - 1, m_lastRow);
    DelimitedTextBuffer& chunk = chunks[filling];
    m_pGrid->VisitRowTexts({row, m_firstCol, sliceEnd, m_lastCol},
                           [&](int, const std::string_view* texts, int count) { chunk.AppendRow(texts, count); });
    if (chunk.Size() >= kFlushBytes && !flush()) return false;
    control.SetProgress(sliceEnd - m_firstRow + 1, total);
  }
  return flush() && out.Drain();
}

bool CResultSaver::WriteDbf(LongWorkControl& control, SafeFileOutput& out) {
  const int fieldCount = static_cast<int>(m_columns.size());
  const std::int64_t total = std::max(m_lastRow - m_firstRow + 1, 0);
  CDbfWriter writer;
  writer.Init(static_cast<std::uint32_t>(total), fieldCount);
  std::vector<std::string> names = DbfFieldNames(m_columns);
  for (int k = 0; k < fieldCount; ++k) {
    DbfField field = DbfFieldFor(m_columns[static_cast<std::size_t>(k)]);
    if (field.kind == DbfField::Defined) writer.DefineField(k, names[static_cast<std::size_t>(k)], field.type, field.width);
  }
  writer.Attach(out);
  if (!writer.WriteHeader()) {
    if (!writer.ErrorText().empty()) {
      m_outcome = Outcome::Refused;
      m_errorText = writer.ErrorText();
    }
    return false;
  }
  const int firstCol = m_firstCol;
  const int lastCol = m_lastCol;
  bool ok = true;
  for (int row = m_firstRow; row <= m_lastRow && ok; row += kSliceRows) {
    if (control.Cancelled()) return false;
    const int sliceEnd = std::min(row + kSliceRows - 1, m_lastRow);
    m_pGrid->VisitRowTexts({row, firstCol, sliceEnd, lastCol}, [&](int, const std::string_view* texts, int count) {
      ok = writer.WriteRecord(texts, count, m_overflows) && ok;
    });
    control.SetProgress(sliceEnd - m_firstRow + 1, total);
  }
  return writer.Close() && ok;
}

bool CResultSaver::WriteXlsx(LongWorkControl& control, SafeFileOutput& out) {
  // The library writes the file itself, at the end, to the temporary path.
  out.CloseStream();
  std::vector<XlsxKind> kinds;
  for (std::size_t k = 0; k < m_headings.size(); ++k)
    kinds.push_back(k < m_columns.size() ? XlsxKindForSqlType(m_columns[k].m_nSQLType) : XlsxKind::Text);
  XlsxWriter writer;
  if (!writer.Open(out.TemporaryPath(), m_headings, kinds)) {
    m_outcome = Outcome::WriteFailed;
    m_errorText = writer.ErrorText();
    return false;
  }
  const int firstCol = m_firstCol;
  const int lastCol = m_lastCol;
  const std::int64_t total = std::max(m_lastRow - m_firstRow + 1, 0);
  for (int row = m_firstRow; row <= m_lastRow; row += kSliceRows) {
    if (control.Cancelled()) return false;
    const int sliceEnd = std::min(row + kSliceRows - 1, m_lastRow);
    m_pGrid->VisitRowTexts({row, firstCol, sliceEnd, lastCol}, [&](int, const std::string_view* texts, int count) {
      for (int k = 0; k < count; ++k) writer.WriteCell(k, texts[k]);
      writer.EndRow();
    });
    control.SetProgress(sliceEnd - m_firstRow + 1, total);
  }
  if (!writer.Close()) {
    m_outcome = Outcome::WriteFailed;
    m_errorText = writer.ErrorText();
    return false;
  }
  m_overflows = writer.Overflows();
  return true;
}

// A cancel that came after the file was complete changes nothing: the
// outcome is what the work did.
void CResultSaver::Report(bool) {
  switch (m_outcome) {
    case Outcome::Done:
      if (m_overflows > 0)
        ShowMessageBox(QStringLiteral("有 %1 个单元格的数据超出了字段的宽度，保存时已被截断。").arg(m_overflows),
                       QStringLiteral("ORVA"), MbIcon::Warning);
      ShowMessageBox(QStringLiteral("数据保存完毕"));
      break;
    case Outcome::Cancelled:
      ShowMessageBox(QStringLiteral("保存已取消，没有写入文件。"));
      break;
    case Outcome::OpenFailed:
      if (m_format == SaveFormat::Dbf)
        ShowErrorBoxGbk(GbkFromUtf8("无法打开本地文件：") + GbkFromQString(m_displayPath));
      else
        ShowMessageBox(QStringLiteral("无法打开指定文件"));
      break;
    case Outcome::WriteFailed:
      ShowMessageBox(QStringLiteral("写文件出错，数据没有保存：") + QStringFromGbk(m_errorText), QStringLiteral("ORVA"),
                     MbIcon::Warning);
      break;
    case Outcome::Refused:
      ShowErrorBoxGbk(m_errorText);
      break;
  }
}

}  // namespace orva
