#pragma once
// A private folder of files opened as a file database through ORVA's
// connection-string builders, and helpers that read results as ORVA does.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "db/dbconnection.h"

namespace orva::filedriver::test {

using Table = std::vector<std::vector<std::string>>;

class FileDriverTest : public ::testing::Test {
 protected:
  void SetUp() override;

  std::string Path(const std::string& name) const { return m_dir.path().toStdString() + "/" + name; }
  void WriteFile(const std::string& name, const std::string& bytes) const;
  std::string ReadFile(const std::string& name) const;
  bool Exists(const std::string& name) const;

  // A dBase file written by ORVA's own CDbfWriter: fields as (name, type
  // letter, width word), rows of GBK texts.
  struct DbfField {
    const char* name;
    char type;
    std::uint16_t width;
  };
  void WriteDbf(const std::string& name, const std::vector<DbfField>& fields,
                const std::vector<std::vector<std::string>>& rows) const;

  // A connection through CDBConnection::Open; fails the test when it cannot open.
  std::unique_ptr<CDBConnection> Connect(const std::string& connectString);
  // Rows of a query, values as ORVA reads them (GBK text; NULL as empty text).
  Table Query(CDBConnection& conn, const std::string& utf8Sql);
  // The error a statement gives (UTF-8); fails the test when it succeeds.
  std::string ErrorOf(CDBConnection& conn, const std::string& utf8Sql);
  // Standard output of a Python program run by the system's python3.
  std::string Python(const std::string& program) const;

  QTemporaryDir m_dir;
};

// UTF-8 literal as the GBK text ORVA works with.
std::string Gbk(const std::string& utf8);

}  // namespace orva::filedriver::test
