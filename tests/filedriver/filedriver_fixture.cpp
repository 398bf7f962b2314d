#include "filedriver_fixture.h"

#include <QProcess>
#include <fstream>
#include <sstream>

#include "db/dbexception.h"
#include "db/recordsetex.h"
#include "export/dbfwriter.h"
#include "odbc_test_env.h"
#include "platform/codec.h"

namespace orva::filedriver::test {

std::string Gbk(const std::string& utf8) { return GbkFromUtf8(utf8); }

void FileDriverTest::SetUp() {
  orva::test::RegisterTestDrivers();
  ASSERT_TRUE(m_dir.isValid());
}

void FileDriverTest::WriteFile(const std::string& name, const std::string& bytes) const {
  std::ofstream out(Path(name), std::ios::binary | std::ios::trunc);
  out << bytes;
  ASSERT_TRUE(out.good());
}

void FileDriverTest::WriteDbf(const std::string& name, const std::vector<DbfField>& fields,
                              const std::vector<std::vector<std::string>>& rows) const {
  CDbfWriter writer;
  writer.Init(static_cast<std::uint32_t>(rows.size()), static_cast<int>(fields.size()));
  for (std::size_t i = 0; i < fields.size(); ++i)
    writer.DefineField(static_cast<int>(i), fields[i].name, fields[i].type, fields[i].width);
  ASSERT_TRUE(writer.Open(Path(name)));
  ASSERT_TRUE(writer.WriteHeader());
  for (const auto& row : rows) {
    for (std::size_t i = 0; i < row.size(); ++i) writer.SetFieldValue(static_cast<int>(i), row[i]);
    ASSERT_TRUE(writer.WriteRecord());
  }
  ASSERT_TRUE(writer.Close());
}

std::string FileDriverTest::ReadFile(const std::string& name) const {
  std::ifstream in(Path(name), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool FileDriverTest::Exists(const std::string& name) const { return std::ifstream(Path(name)).good(); }

std::unique_ptr<CDBConnection> FileDriverTest::Connect(const std::string& connectString) {
  auto conn = std::make_unique<CDBConnection>();
  EXPECT_TRUE(conn->Open(connectString)) << connectString;
  return conn;
}

Table FileDriverTest::Query(CDBConnection& conn, const std::string& utf8Sql) {
  Table rows;
  CRecordsetEx* set = nullptr;
  try {
    EXPECT_EQ(conn.OpenResultSet(Gbk(utf8Sql), set), 1) << utf8Sql;
    std::string text;
    while (set && !set->IsEOF()) {
      auto& row = rows.emplace_back();
      for (int i = 0; i < set->GetColumnCount(); ++i) {
        set->GetFieldText(i, text);
        row.push_back(text);
      }
      set->MoveNext();
    }
  } catch (const CDBException& e) {
    ADD_FAILURE() << utf8Sql << ": " << Utf8FromGbk(e.ErrorText());
  }
  CDBConnection::CloseResultSet(set);
  return rows;
}

std::string FileDriverTest::ErrorOf(CDBConnection& conn, const std::string& utf8Sql) {
  CRecordsetEx* set = nullptr;
  std::string error;
  try {
    if (conn.OpenResultSet(Gbk(utf8Sql), set) == 1)
      while (!set->IsEOF()) set->MoveNext();
  } catch (const CDBException& e) {
    error = Utf8FromGbk(e.ErrorText());
  }
  CDBConnection::CloseResultSet(set);
  EXPECT_FALSE(error.empty()) << utf8Sql << " succeeded";
  return error;
}

std::string FileDriverTest::Python(const std::string& program) const {
  QProcess python;
  python.start("/usr/bin/python3", {"-c", QString::fromStdString(program)});
  EXPECT_TRUE(python.waitForFinished(60000));
  EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
  return python.readAllStandardOutput().toStdString();
}

}  // namespace orva::filedriver::test
