#pragma once
// A connection to a file database: a folder of text or dBase files, or an
// Excel workbook. Every file (sheet) is a virtual table of an in-memory
// SQLite database, read from the file as queries run and rewritten when
// statements change it.

#include <memory>
#include <string>
#include <vector>

#include "file_table.h"
#include "odbcengine/handles.h"
#include "odbcengine/session.h"

namespace orva::filedriver {

using namespace orva::odbcengine;

enum class FileKind { Text, DBase, TextAndDBase, Excel };

class FileSession : public DriverSession {
 public:
  // location: the folder, or the workbook for FileKind::Excel. Raises
  // DriverError when it cannot be opened; what it had to pass over goes to
  // warnings (01000 records).
  FileSession(FileKind kind, std::string location, std::vector<Diagnostic>& warnings);
  ~FileSession() override;

  FileKind Kind() const { return m_kind; }
  const std::string& Location() const { return m_location; }

  Result Run(const std::string& statement, RunControl& run) override;
  std::string CurrentCatalog() const override { return m_location; }
  void UseCatalog(const std::string& name) override;
  sqlite3* CatalogHandle() override { return m_db->Handle(); }
  std::vector<std::string> CatalogNames() override { return {m_location}; }
  std::optional<std::string> SchemaOfCatalog(const std::optional<std::string>& catalog) override;
  std::string CatalogOfSchema(const std::string&) override { return m_location; }
  std::optional<std::string> OwnerName() const override { return std::nullopt; }

  // For the virtual-table module.
  FileTable* Table(std::size_t index) { return index < m_tables.size() ? m_tables[index].get() : nullptr; }
  void RecordError(const DriverError& error) { m_db->RecordError(error); }

 private:
  void AddTable(const std::string& name, std::unique_ptr<FileTable> table);
  Result CreateTable(const std::string& statement);

  FileKind m_kind;
  std::string m_location;
  std::shared_ptr<SqliteConnection> m_db;
  std::vector<std::unique_ptr<FileTable>> m_tables;
};

}  // namespace orva::filedriver
