// ORVA's file-database driver: delimited text, dBase III and Excel .xls
// files as SQL tables. It reads DBQ (a folder, or the workbook) and, when DBQ
// is empty, DefaultDir; the other keys of the connection strings are
// accepted and ignored.

#include <sys/stat.h>

#include "file_session.h"
#include "odbcengine/connect_string.h"
#include "odbcengine/driver.h"
#include "odbcengine/handles.h"
#include "odbcengine/sql_text.h"

namespace orva::filedriver {
namespace {

bool Contains(const std::string& text, const char* word) {
  return ToLowerAscii(text).find(word) != std::string::npos;
}

std::string Lookup(std::map<std::string, std::string>& pairs, const std::string& dsn, const char* key) {
  if (auto it = pairs.find(key); it != pairs.end()) return TrimSpace(it->second);
  return dsn.empty() ? std::string() : TrimSpace(DsnValue(dsn, key));
}

class FileDriver : public Driver {
 public:
  const char* MessagePrefix() const override { return "[ORVA][ORVA File Driver]"; }

  std::unique_ptr<DriverSession> Connect(Dbc& dbc, std::map<std::string, std::string> pairs) override {
    ConnectOptions options;
    if (auto it = pairs.find("DSN"); it != pairs.end()) options.dsn = TrimSpace(it->second);
    options.user = Lookup(pairs, options.dsn, "UID");
    std::string location = Lookup(pairs, options.dsn, "DBQ");
    if (location.empty()) location = Lookup(pairs, options.dsn, "DEFAULTDIR");
    // A text or dBase connection names a folder, an Excel one its workbook;
    // the driver name (or FIL) tells which files of a folder are tables.
    const std::string kindText = Lookup(pairs, options.dsn, "DRIVER") + " " + Lookup(pairs, options.dsn, "FIL");
    if (location.empty()) throw Fail("08001", "连接字符串没有指定文件数据库的位置（DBQ）");
    while (location.size() > 1 && location.back() == '/') location.pop_back();
    struct stat st{};
    if (stat(location.c_str(), &st) != 0)
      throw Fail("08001", "找不到文件数据库“" + location + "”");
    FileKind kind;
    if (S_ISDIR(st.st_mode)) {
      if (Contains(kindText, "excel")) throw Fail("08001", "“" + location + "”是文件夹，不是 Excel 工作簿");
      kind = Contains(kindText, "dbase") ? FileKind::DBase : Contains(kindText, "text") ? FileKind::Text
                                                                                       : FileKind::TextAndDBase;
    } else if (ToLowerAscii(location).ends_with(".xls")) {
      kind = FileKind::Excel;
    } else {
      throw Fail("08001", "“" + location + "”不是文件夹，也不是 .xls 工作簿");
    }
    std::vector<Diagnostic> warnings;
    auto session = std::make_unique<FileSession>(kind, location, warnings);
    for (Diagnostic& w : warnings) dbc.Add(std::move(w));
    dbc.options = std::move(options);
    return session;
  }

  std::optional<InfoValue> Info(const Dbc& dbc, SQLUSMALLINT type) const override {
    const auto* session = static_cast<const FileSession*>(dbc.session.get());
    const bool readOnly = session && session->Kind() == FileKind::Excel;
    switch (type) {
      // "Text" makes ORVA treat the connection as a file database.
      case SQL_DBMS_NAME: return std::string("Text");
      case SQL_DBMS_VER: return std::string("01.00.0000");
      case SQL_DRIVER_NAME: return std::string("liborva_filedriver.so");
      case SQL_SERVER_NAME: return session ? session->Location() : std::string();
      case SQL_DATA_SOURCE_READ_ONLY: return std::string(readOnly ? "Y" : "N");
      case SQL_CATALOG_TERM: return std::string("directory");
      case SQL_SCHEMA_TERM: return std::string("");
      case SQL_PROCEDURES: return std::string("N");
      case SQL_CATALOG_NAME: return std::string("N");
      case SQL_CATALOG_USAGE: return SQLUINTEGER{0};
      case SQL_FILE_USAGE: return SQLUSMALLINT{SQL_FILE_TABLE};
      // Creating or dropping a file cannot be undone with a transaction.
      case SQL_TXN_CAPABLE: return SQLUSMALLINT{SQL_TC_DML};
      default: return std::nullopt;
    }
  }

  // Files hold no procedures.
  bool Implements(SQLUSMALLINT function) const override { return function != SQL_API_SQLPROCEDURES; }
};

}  // namespace
}  // namespace orva::filedriver

namespace orva::odbcengine {

Driver& ThisDriver() {
  static orva::filedriver::FileDriver driver;
  return driver;
}

}  // namespace orva::odbcengine
