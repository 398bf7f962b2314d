#include "excel_table.h"

#include <freexl.h>

#include <set>

#include "odbcengine/sql_text.h"

namespace orva::filedriver {
namespace {

// Code of a workbook that needs a password (FreeXL has none of its own).
constexpr int kProtected = -1000;

DriverError BookError(const std::string& path, int rc) {
  switch (rc) {
    case FREEXL_FILE_NOT_FOUND: return FileError(path, "文件不存在或无法打开");
    case FREEXL_INSUFFICIENT_MEMORY: return FileError(path, "内存不足，无法读取工作簿");
    case kProtected: return FileError(path, "工作簿受密码保护，无法读取");
    default: return FileError(path, "不是有效的 Excel 97-2003 工作簿，或文件已损坏（错误 " + std::to_string(rc) + "）");
  }
}

}  // namespace

DriverError ReadOnlyWorkbook(const std::string& path) {
  return FileError(path, "只读工作簿：Excel 表不能修改");
}

Workbook::Workbook(std::string path) : m_path(std::move(path)) {
  int rc = freexl_open(m_path.c_str(), &m_handle);
  if (rc != FREEXL_OK) {
    if (m_handle) freexl_close(m_handle);
    m_handle = nullptr;
    throw BookError(m_path, rc);
  }
  unsigned int info = 0;
  if (freexl_get_info(m_handle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED) {
    freexl_close(m_handle);
    m_handle = nullptr;
    throw BookError(m_path, kProtected);
  }
  unsigned int count = 0;
  if ((rc = freexl_get_info(m_handle, FREEXL_BIFF_SHEET_COUNT, &count)) != FREEXL_OK) {
    freexl_close(m_handle);
    m_handle = nullptr;
    throw BookError(m_path, rc);
  }
  for (unsigned i = 0; i < count; ++i) {
    const char* name = nullptr;
    if (freexl_get_worksheet_name(m_handle, static_cast<unsigned short>(i), &name) != FREEXL_OK || !name)
      m_sheets.push_back("Sheet" + std::to_string(i + 1));
    else
      m_sheets.emplace_back(name);
  }
}

Workbook::~Workbook() {
  if (m_handle) freexl_close(m_handle);
}

void Workbook::Select(unsigned sheet) {
  if (m_selected == static_cast<int>(sheet)) return;
  const int rc = freexl_select_active_worksheet(m_handle, static_cast<unsigned short>(sheet));
  if (rc != FREEXL_OK) throw BookError(m_path, rc);
  m_selected = static_cast<int>(sheet);
}

void Workbook::Dimensions(unsigned sheet, unsigned& rows, unsigned short& columns) {
  std::lock_guard<std::mutex> guard(m_lock);
  Select(sheet);
  const int rc = freexl_worksheet_dimensions(m_handle, &rows, &columns);
  if (rc != FREEXL_OK) throw BookError(m_path, rc);
}

Workbook::Cell Workbook::Get(unsigned sheet, unsigned row, unsigned short column) {
  std::lock_guard<std::mutex> guard(m_lock);
  Select(sheet);
  FreeXL_CellValue value{};
  const int rc = freexl_get_cell_value(m_handle, row, column, &value);
  if (rc != FREEXL_OK) throw BookError(m_path, rc);
  Cell cell;
  cell.type = value.type;
  switch (value.type) {
    case FREEXL_CELL_INT: cell.integer = value.value.int_value; break;
    case FREEXL_CELL_DOUBLE: cell.real = value.value.double_value; break;
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME: cell.text = value.value.text_value ? value.value.text_value : ""; break;
    default: break;
  }
  return cell;
}

namespace {

class ExcelCursor : public RecordCursor {
 public:
  ExcelCursor(std::shared_ptr<Workbook> book, unsigned sheet, unsigned rows) : m_book(std::move(book)), m_sheet(sheet), m_rows(rows) {}
  bool Next() override { return ++m_row < m_rows; }
  std::int64_t RowId() const override { return m_row; }
  void Column(int i, sqlite3_context* ctx) override {
    const Workbook::Cell cell = m_book->Get(m_sheet, m_row, static_cast<unsigned short>(i));
    switch (cell.type) {
      case FREEXL_CELL_INT: return sqlite3_result_int64(ctx, cell.integer);
      case FREEXL_CELL_DOUBLE: return sqlite3_result_double(ctx, cell.real);
      case FREEXL_CELL_TEXT:
      case FREEXL_CELL_SST_TEXT:
      case FREEXL_CELL_DATE:
      case FREEXL_CELL_DATETIME:
      case FREEXL_CELL_TIME:
        return sqlite3_result_text(ctx, cell.text.data(), static_cast<int>(cell.text.size()), SQLITE_TRANSIENT);
      default: return sqlite3_result_null(ctx);
    }
  }

 private:
  std::shared_ptr<Workbook> m_book;
  unsigned m_sheet;
  unsigned m_rows;
  unsigned m_row = 0;  // row 0 holds the names
};

ColumnKind KindOf(int cellType) {
  switch (cellType) {
    case FREEXL_CELL_INT: return ColumnKind::Integer;
    case FREEXL_CELL_DOUBLE: return ColumnKind::Float;
    case FREEXL_CELL_DATE: return ColumnKind::Date;
    case FREEXL_CELL_DATETIME: return ColumnKind::DateTime;
    default: return ColumnKind::Text;
  }
}

}  // namespace

ExcelTable::ExcelTable(std::shared_ptr<Workbook> book, unsigned sheet) : m_book(std::move(book)), m_sheet(sheet) {
  m_path = m_book->Path();
  try {
    unsigned short columns = 0;
    m_book->Dimensions(sheet, m_rows, columns);
    std::set<std::string> seen;
    for (unsigned short c = 0; c < columns; ++c) {
      FileColumn column;
      const Workbook::Cell head = m_rows ? m_book->Get(sheet, 0, c) : Workbook::Cell{};
      std::string name = head.text;
      if (head.type == FREEXL_CELL_INT) name = std::to_string(head.integer);
      if (name.empty()) name = "F" + std::to_string(c + 1);
      std::string unique = name;
      for (int k = 2; seen.count(odbcengine::ToLowerAscii(unique)); ++k) unique = name + "_" + std::to_string(k);
      seen.insert(odbcengine::ToLowerAscii(unique));
      column.name = unique;
      // The type of the first rows' values: one kind throughout, numbers mixed
      // as floats, anything else text.
      std::optional<ColumnKind> kind;
      for (unsigned r = 1; r < m_rows && r <= 25; ++r) {
        const int type = m_book->Get(sheet, r, c).type;
        if (type == FREEXL_CELL_NULL) continue;
        const ColumnKind one = KindOf(type);
        if (!kind || *kind == one) kind = one;
        else if ((*kind == ColumnKind::Integer || *kind == ColumnKind::Float) &&
                 (one == ColumnKind::Integer || one == ColumnKind::Float))
          kind = ColumnKind::Float;
        else kind = ColumnKind::Text;
      }
      column.kind = kind.value_or(ColumnKind::Text);
      m_columns.push_back(column);
    }
  } catch (const DriverError& e) {
    m_problem = e;
  }
  if (m_columns.empty()) m_columns.push_back(FileColumn{"F1"});
}

std::unique_ptr<RecordCursor> ExcelTable::Open() {
  if (m_problem) throw *m_problem;
  return std::make_unique<ExcelCursor>(m_book, m_sheet, m_rows);
}

std::string ExcelTable::WriteChanged(const ChangeSet&) { throw ReadOnlyWorkbook(m_path); }

void ExcelTable::Remove() { throw ReadOnlyWorkbook(m_path); }

}  // namespace orva::filedriver
