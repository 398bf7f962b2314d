#pragma once
// The sheets of an Excel 97-2003 workbook (.xls) as read-only tables: the
// first row names the columns.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "file_table.h"

namespace orva::filedriver {

// An open workbook, shared by the tables of its sheets.
class Workbook {
 public:
  // Raises DriverError for a file that cannot be read, a protected or a
  // corrupt workbook.
  explicit Workbook(std::string path);
  ~Workbook();
  Workbook(const Workbook&) = delete;
  Workbook& operator=(const Workbook&) = delete;

  const std::string& Path() const { return m_path; }
  const std::vector<std::string>& SheetNames() const { return m_sheets; }

  struct Cell {
    int type = 0;  // FreeXL cell type
    long long integer = 0;
    double real = 0;
    std::string text;
  };
  // Rows and columns of a sheet, and its cells. Raises DriverError.
  void Dimensions(unsigned sheet, unsigned& rows, unsigned short& columns);
  Cell Get(unsigned sheet, unsigned row, unsigned short column);

 private:
  void Select(unsigned sheet);
  std::string m_path;
  const void* m_handle = nullptr;
  std::vector<std::string> m_sheets;
  std::mutex m_lock;
  int m_selected = -1;
};

class ExcelTable : public FileTable {
 public:
  ExcelTable(std::shared_ptr<Workbook> book, unsigned sheet);
  std::unique_ptr<RecordCursor> Open() override;
  bool IsReadOnly() const override { return true; }
  std::string WriteChanged(const ChangeSet& changes) override;
  void Remove() override;

 private:
  std::shared_ptr<Workbook> m_book;
  unsigned m_sheet;
  unsigned m_rows = 0;
};

// The error every change of a workbook gives.
DriverError ReadOnlyWorkbook(const std::string& path);

}  // namespace orva::filedriver
