#include "file_session.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "dbase_table.h"
#include "excel_table.h"
#include "odbcengine/sql_text.h"
#include "odbcengine/type_map.h"
#include "schema_ini.h"
#include "text_table.h"

namespace orva::filedriver {
namespace {

// ---------------------------------------------------------------- module

using RecordChanges = std::map<std::int64_t, std::optional<std::vector<Value>>>;

struct FileVTab : sqlite3_vtab {
  FileSession* session = nullptr;
  FileTable* table = nullptr;
  // Changes of the running transaction: by record number, nullopt for
  // deleted; records inserted get numbers from kFirstInserted on.
  RecordChanges changed;
  RecordChanges inserted;
  std::int64_t nextInserted = 0;
  // The changes as they stood at each open savepoint (a statement inside a
  // transaction that fails goes back to its own).
  struct Savepoint {
    int level;
    RecordChanges changed, inserted;
    std::int64_t nextInserted;
  };
  std::vector<Savepoint> savepoints;
};

constexpr std::int64_t kFirstInserted = std::int64_t{1} << 62;

FileVTab* Of(sqlite3_vtab* v) { return static_cast<FileVTab*>(v); }

// Reads the file's records as the open transaction left them: its changes
// are only written when it commits, so records it replaced or deleted and
// records it added are taken from the pending changes instead.
struct FileVCursor : sqlite3_vtab_cursor {
  std::unique_ptr<RecordCursor> records;
  bool eof = true;
  bool inFile = true;                       // still walking the file's records
  const std::vector<Value>* pending = nullptr;  // values of a changed or added record
  std::int64_t rowId = 0;

  FileVTab* Table() const { return Of(pVtab); }

  void Advance() {
    FileVTab* vtab = Table();
    while (inFile) {
      if (!records->Next()) {
        inFile = false;
        rowId = kFirstInserted - 1;
        break;
      }
      rowId = records->RowId();
      const auto it = vtab->changed.find(rowId);
      if (it == vtab->changed.end()) {
        pending = nullptr;
        return;
      }
      if (it->second) {
        pending = &*it->second;
        return;
      }
    }
    // Records added by the transaction, looked up afresh each time: a
    // statement may add more while this cursor reads.
    for (auto it = vtab->inserted.upper_bound(rowId); it != vtab->inserted.end(); ++it) {
      if (!it->second) continue;
      rowId = it->first;
      pending = &*it->second;
      return;
    }
    eof = true;
  }
};

void ResultValue(sqlite3_context* ctx, const Value& v) {
  if (const auto* n = std::get_if<std::int64_t>(&v)) {
    sqlite3_result_int64(ctx, *n);
  } else if (const auto* d = std::get_if<double>(&v)) {
    sqlite3_result_double(ctx, *d);
  } else if (const auto* s = std::get_if<std::string>(&v)) {
    sqlite3_result_text64(ctx, s->data(), s->size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  } else if (const auto* b = std::get_if<odbcengine::Blob>(&v)) {
    sqlite3_result_blob64(ctx, b->bytes.data(), b->bytes.size(), SQLITE_TRANSIENT);
  } else {
    sqlite3_result_null(ctx);
  }
}

int Fail(sqlite3_vtab* v, const DriverError& e) {
  sqlite3_free(v->zErrMsg);
  v->zErrMsg = sqlite3_mprintf("%s", e.what());
  Of(v)->session->RecordError(e);
  return SQLITE_ERROR;
}

template <typename F>
int Guard(sqlite3_vtab* v, F&& body) {
  try {
    return body();
  } catch (const DriverError& e) {
    return Fail(v, e);
  } catch (const std::bad_alloc&) {
    return SQLITE_NOMEM;
  } catch (const std::exception& e) {
    return Fail(v, DriverError("HY000", std::string(MessagePrefix()) + e.what()));
  }
}

int Connect(sqlite3* db, void* aux, int argc, const char* const* argv, sqlite3_vtab** out, char** error) {
  auto* session = static_cast<FileSession*>(aux);
  FileTable* table = argc >= 4 ? session->Table(std::strtoul(argv[3], nullptr, 10)) : nullptr;
  if (!table) {
    *error = sqlite3_mprintf("no such file table");
    return SQLITE_ERROR;
  }
  std::string ddl = "CREATE TABLE x(";
  for (std::size_t i = 0; i < table->Columns().size(); ++i) {
    const FileColumn& c = table->Columns()[i];
    ddl += (i ? ", " : "") + QuoteIdentifier(c.name) + " " + c.DeclaredType();
  }
  ddl += ")";
  const int rc = sqlite3_declare_vtab(db, ddl.c_str());
  if (rc != SQLITE_OK) {
    *error = sqlite3_mprintf("%s", sqlite3_errmsg(db));
    return rc;
  }
  auto* vtab = new FileVTab;
  vtab->session = session;
  vtab->table = table;
  *out = vtab;
  return SQLITE_OK;
}

int BestIndex(sqlite3_vtab*, sqlite3_index_info* info) {
  info->estimatedCost = 1000000;
  info->estimatedRows = 1000000;
  return SQLITE_OK;
}

int Disconnect(sqlite3_vtab* v) {
  delete Of(v);
  return SQLITE_OK;
}

int Destroy(sqlite3_vtab* v) {
  const int rc = Guard(v, [&] {
    Of(v)->table->Remove();
    return SQLITE_OK;
  });
  if (rc == SQLITE_OK) delete Of(v);
  return rc;
}

int OpenCursor(sqlite3_vtab*, sqlite3_vtab_cursor** out) {
  *out = new FileVCursor;
  return SQLITE_OK;
}

int CloseCursor(sqlite3_vtab_cursor* c) {
  delete static_cast<FileVCursor*>(c);
  return SQLITE_OK;
}

int Filter(sqlite3_vtab_cursor* c, int, const char*, int, sqlite3_value**) {
  auto* cursor = static_cast<FileVCursor*>(c);
  return Guard(c->pVtab, [&] {
    cursor->records = Of(c->pVtab)->table->Open();
    cursor->eof = false;
    cursor->inFile = true;
    cursor->pending = nullptr;
    cursor->Advance();
    return SQLITE_OK;
  });
}

int NextRow(sqlite3_vtab_cursor* c) {
  auto* cursor = static_cast<FileVCursor*>(c);
  return Guard(c->pVtab, [&] {
    cursor->Advance();
    return SQLITE_OK;
  });
}

int Eof(sqlite3_vtab_cursor* c) { return static_cast<FileVCursor*>(c)->eof ? 1 : 0; }

int ColumnValue(sqlite3_vtab_cursor* c, sqlite3_context* ctx, int i) {
  auto* cursor = static_cast<FileVCursor*>(c);
  try {
    if (!cursor->pending)
      cursor->records->Column(i, ctx);
    else if (static_cast<std::size_t>(i) < cursor->pending->size())
      ResultValue(ctx, (*cursor->pending)[static_cast<std::size_t>(i)]);
    else
      sqlite3_result_null(ctx);
    return SQLITE_OK;
  } catch (const DriverError& e) {
    Of(c->pVtab)->session->RecordError(e);
    sqlite3_result_error(ctx, e.what(), -1);
    return SQLITE_ERROR;
  }
}

int RowId(sqlite3_vtab_cursor* c, sqlite3_int64* out) {
  *out = static_cast<FileVCursor*>(c)->rowId;
  return SQLITE_OK;
}

Value ValueOf(sqlite3_value* v) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return static_cast<std::int64_t>(sqlite3_value_int64(v));
    case SQLITE_FLOAT: return sqlite3_value_double(v);
    case SQLITE_TEXT:
      return std::string(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                         static_cast<std::size_t>(sqlite3_value_bytes(v)));
    case SQLITE_BLOB: {
      const auto* data = static_cast<const char*>(sqlite3_value_blob(v));
      return odbcengine::Blob{std::string(data ? data : "", static_cast<std::size_t>(sqlite3_value_bytes(v)))};
    }
    default: return Value{};
  }
}

int Update(sqlite3_vtab* v, int argc, sqlite3_value** argv, sqlite3_int64* rowid) {
  FileVTab* vtab = Of(v);
  return Guard(v, [&] {
    if (vtab->table->IsReadOnly()) throw ReadOnlyWorkbook(vtab->table->Path());
    auto recordOf = [&](std::int64_t id) -> std::optional<std::vector<Value>>& {
      return id >= kFirstInserted ? vtab->inserted[id] : vtab->changed[id];
    };
    if (argc == 1) {
      recordOf(sqlite3_value_int64(argv[0])) = std::nullopt;
      return SQLITE_OK;
    }
    std::vector<Value> values;
    for (int i = 2; i < argc; ++i) values.push_back(ValueOf(argv[i]));
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
      if (sqlite3_value_type(argv[1]) != SQLITE_NULL)
        throw DriverError("HY000", std::string(MessagePrefix()) + "文件表的行号不能指定");
      *rowid = kFirstInserted + vtab->nextInserted++;
      vtab->inserted[*rowid] = std::move(values);
      return SQLITE_OK;
    }
    const std::int64_t old = sqlite3_value_int64(argv[0]);
    if (sqlite3_value_int64(argv[1]) != old)
      throw DriverError("HY000", std::string(MessagePrefix()) + "文件表的行号不能修改");
    recordOf(old) = std::move(values);
    return SQLITE_OK;
  });
}

void ClearChanges(FileVTab* vtab) {
  vtab->changed.clear();
  vtab->inserted.clear();
  vtab->nextInserted = 0;
  vtab->savepoints.clear();
}

// Forgets the savepoints from level on.
void DropSavepoints(FileVTab* vtab, int level) {
  auto& s = vtab->savepoints;
  s.erase(std::remove_if(s.begin(), s.end(), [&](const auto& p) { return p.level >= level; }), s.end());
}

int SavepointBegin(sqlite3_vtab* v, int level) {
  FileVTab* vtab = Of(v);
  DropSavepoints(vtab, level);
  vtab->savepoints.push_back({level, vtab->changed, vtab->inserted, vtab->nextInserted});
  return SQLITE_OK;
}

int SavepointRelease(sqlite3_vtab* v, int level) {
  DropSavepoints(Of(v), level);
  return SQLITE_OK;
}

int SavepointRollback(sqlite3_vtab* v, int level) {
  FileVTab* vtab = Of(v);
  DropSavepoints(vtab, level + 1);
  for (auto it = vtab->savepoints.rbegin(); it != vtab->savepoints.rend(); ++it) {
    if (it->level > level) continue;
    vtab->changed = it->changed;
    vtab->inserted = it->inserted;
    vtab->nextInserted = it->nextInserted;
    return SQLITE_OK;
  }
  // No savepoint of its own: the table had no changes when it was opened.
  vtab->changed.clear();
  vtab->inserted.clear();
  vtab->nextInserted = 0;
  return SQLITE_OK;
}

int Begin(sqlite3_vtab* v) {
  ClearChanges(Of(v));
  return SQLITE_OK;
}

// The file is rewritten and put in place when the statement commits; any
// failure before the rename leaves it as it was.
int Sync(sqlite3_vtab* v) {
  FileVTab* vtab = Of(v);
  return Guard(v, [&] {
    ChangeSet changes;
    changes.changed = std::move(vtab->changed);
    for (auto& [id, values] : vtab->inserted)
      if (values) changes.inserted.push_back(std::move(*values));
    ClearChanges(vtab);
    if (changes.Empty()) return SQLITE_OK;
    const std::string temp = vtab->table->WriteChanged(changes);
    ReplaceFile(temp, vtab->table->Path());
    return SQLITE_OK;
  });
}

int Commit(sqlite3_vtab* v) {
  ClearChanges(Of(v));
  return SQLITE_OK;
}

int Rollback(sqlite3_vtab* v) {
  ClearChanges(Of(v));
  return SQLITE_OK;
}

int Rename(sqlite3_vtab* v, const char*) {
  return Fail(v, DriverError("HYC00", std::string(MessagePrefix()) + "文件表不能改名"));
}

sqlite3_module MakeModule() {
  sqlite3_module m{};
  m.iVersion = 2;
  m.xCreate = Connect;
  m.xConnect = Connect;
  m.xBestIndex = BestIndex;
  m.xDisconnect = Disconnect;
  m.xDestroy = Destroy;
  m.xOpen = OpenCursor;
  m.xClose = CloseCursor;
  m.xFilter = Filter;
  m.xNext = NextRow;
  m.xEof = Eof;
  m.xColumn = ColumnValue;
  m.xRowid = RowId;
  m.xUpdate = Update;
  m.xBegin = Begin;
  m.xSync = Sync;
  m.xCommit = Commit;
  m.xRollback = Rollback;
  m.xRename = Rename;
  m.xSavepoint = SavepointBegin;
  m.xRelease = SavepointRelease;
  m.xRollbackTo = SavepointRollback;
  return m;
}

const sqlite3_module kModule = MakeModule();

// ---------------------------------------------------------------- session

class MemoryDatabase : public SqliteConnection {
 public:
  MemoryDatabase() {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                                   nullptr);
    if (rc != SQLITE_OK) {
      sqlite3_close_v2(db);
      throw DriverError("HY001", std::string(MessagePrefix()) + "SQLite 无法打开内存数据库");
    }
    Adopt(db);
  }
};

std::string Extension(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? "" : ToLowerAscii(name.substr(dot + 1));
}

bool IsTextExtension(const std::string& ext) { return ext == "txt" || ext == "csv" || ext == "tab" || ext == "asc"; }

std::vector<std::string> RegularFiles(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return names;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.empty() || name[0] == '.' || IsTemporaryName(name)) continue;
    struct stat st{};
    if (stat((folder + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

DriverError SqlError(const char* state, const std::string& text) {
  return DriverError(state, std::string(MessagePrefix()) + text);
}

// The column of a file table that a declared SQL type asks for.
FileColumn ColumnForDeclared(const std::string& name, const std::string& declared) {
  ColumnInfo info;
  DescribeDeclaredType(declared, info);
  FileColumn c;
  c.name = name;
  switch (info.type) {
    case SQL_BIT: c.kind = ColumnKind::Logical; break;
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT: c.kind = ColumnKind::Integer; break;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
      c.kind = ColumnKind::Decimal;
      c.width = static_cast<int>(info.size) + 2;
      c.decimals = info.scale;
      break;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE: c.kind = ColumnKind::Float; break;
    case SQL_TYPE_DATE: c.kind = ColumnKind::Date; break;
    case SQL_TYPE_TIMESTAMP: c.kind = ColumnKind::DateTime; break;
    default:
      c.kind = ColumnKind::Text;
      c.width = info.size > 0 && info.size < 65536 ? static_cast<int>(info.size) : 255;
      break;
  }
  return c;
}

}  // namespace

FileSession::FileSession(FileKind kind, std::string location, std::vector<Diagnostic>& warnings)
    : m_kind(kind), m_location(std::move(location)), m_db(std::make_shared<MemoryDatabase>()) {
  const int rc = sqlite3_create_module_v2(m_db->Handle(), "orva_file", &kModule, this, nullptr);
  if (rc != SQLITE_OK) ThrowSqliteError(m_db->Handle(), rc);
  auto warn = [&](const DriverError& e) { warnings.push_back({"01000", 0, e.what()}); };
  if (kind == FileKind::Excel) {
    auto book = std::make_shared<Workbook>(m_location);
    for (unsigned i = 0; i < book->SheetNames().size(); ++i)
      AddTable(book->SheetNames()[i], std::make_unique<ExcelTable>(book, i));
    return;
  }
  const bool text = kind != FileKind::DBase;
  const bool dbase = kind != FileKind::Text;
  const std::vector<std::string> files = RegularFiles(m_location);
  std::vector<IniSection> sections = text ? ReadSchemaIni(m_location) : std::vector<IniSection>{};
  const std::string iniPath = SchemaIniPath(m_location);
  for (const std::string& file : files) {
    const std::string ext = Extension(file);
    const std::string path = m_location + "/" + file;
    try {
      if (text && IsTextExtension(ext)) {
        const IniSection* section = nullptr;
        for (const IniSection& s : sections)
          if (EqualsNoCase(s.name, file)) section = &s;
        AddTable(file, std::make_unique<TextTable>(path, section, iniPath));
      } else if (dbase && ext == "dbf") {
        AddTable(file.substr(0, file.size() - 4), std::make_unique<DbaseTable>(path));
      }
    } catch (const DriverError& e) {
      warn(e);
    }
  }
  for (const IniSection& s : sections) {
    const bool found = std::any_of(files.begin(), files.end(), [&](const std::string& f) { return EqualsNoCase(f, s.name); });
    if (!found) warn(FileLineError(iniPath, s.line, "节 [" + s.name + "] 所指的文件不存在"));
  }
}

FileSession::~FileSession() {
  // The virtual tables go with the SQLite connection, before the tables they use.
  m_db.reset();
}

void FileSession::AddTable(const std::string& name, std::unique_ptr<FileTable> table) {
  const std::size_t index = m_tables.size();
  const std::string path = table->Path();
  m_tables.push_back(std::move(table));
  try {
    m_db->Exec("CREATE VIRTUAL TABLE main." + QuoteIdentifier(name) + " USING orva_file(" + std::to_string(index) + ")");
  } catch (const DriverError&) {
    // Two files whose names differ only in letter case: the first one stays.
    m_tables[index].reset();
    throw FileError(path, "表名“" + name + "”与另一个文件的表重名，已略过");
  }
}

void FileSession::UseCatalog(const std::string& name) {
  if (name != m_location) throw SqlError("HYC00", "文件数据库只有一个目录：" + m_location);
}

std::optional<std::string> FileSession::SchemaOfCatalog(const std::optional<std::string>& catalog) {
  if (!catalog || catalog->empty() || *catalog == m_location) return std::string("main");
  return std::nullopt;
}

Result FileSession::Run(const std::string& statement, RunControl& run) {
  const std::vector<Token> tokens = Significant(statement);
  if ((IsWord(tokens, 0, "create") || IsWord(tokens, 0, "drop") || IsWord(tokens, 0, "alter")) && InTransaction())
    throw SqlError("25000", "事务中不能创建、删除或修改文件表；请先提交或回滚");
  if (IsWord(tokens, 0, "create") && IsWord(tokens, 1, "table")) return CreateTable(statement);
  return RunSqlite(m_db, statement, statement, run);
}

Result FileSession::CreateTable(const std::string& statement) {
  if (m_kind == FileKind::Excel) throw ReadOnlyWorkbook(m_location);
  const std::vector<Token> tokens = Significant(statement);
  std::size_t i = 2;
  bool ifNotExists = false;
  if (IsWord(tokens, i, "if") && IsWord(tokens, i + 1, "not") && IsWord(tokens, i + 2, "exists")) {
    ifNotExists = true;
    i += 3;
  }
  if (i >= tokens.size() || !IsName(tokens[i])) throw SqlError("42000", "CREATE TABLE 缺少表名");
  if (IsPunct(tokens, i + 1, '.') && i + 2 < tokens.size() && IsName(tokens[i + 2])) i += 2;
  std::string name = Unquote(tokens[i]);
  const std::string rest(statement.substr(static_cast<std::size_t>(tokens[i].text.data() - statement.data()) +
                                          tokens[i].text.size()));
  if (IsWord(tokens, i + 1, "as")) throw SqlError("HYC00", "文件数据库不支持 CREATE TABLE ... AS SELECT");
  if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..")
    throw SqlError("42000", "表名“" + name + "”不能用作文件名");

  // SQLite reads the column list in a scratch database.
  sqlite3* scratch = nullptr;
  sqlite3_open_v2(":memory:", &scratch, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  std::vector<FileColumn> columns;
  {
    struct Closer {
      sqlite3* db;
      ~Closer() { sqlite3_close_v2(db); }
    } closer{scratch};
    const std::string ddl = "CREATE TABLE t " + rest;
    char* message = nullptr;
    if (sqlite3_exec(scratch, ddl.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
      const std::string text = message ? message : "syntax error";
      sqlite3_free(message);
      throw SqlError("42000", "[SQLite]" + text);
    }
    for (auto& row : QueryRows(scratch, "PRAGMA table_info(t)")) {
      const auto* declared = std::get_if<std::string>(&row[2]);
      columns.push_back(ColumnForDeclared(std::get<std::string>(row[1]), declared ? *declared : ""));
    }
  }

  const std::string ext = Extension(name);
  bool asDbase = m_kind == FileKind::DBase || (m_kind == FileKind::TextAndDBase && ext == "dbf");
  std::string file = name;
  std::string tableName = name;
  if (asDbase) {
    if (ext == "dbf") tableName = name.substr(0, name.size() - 4);
    else file = name + ".dbf";
  } else if (!IsTextExtension(ext)) {
    file = name + ".txt";
    tableName = file;
  }
  const std::string path = m_location + "/" + file;
  if (access(path.c_str(), F_OK) == 0) {
    if (ifNotExists) return Result{};
    throw SqlError("42S01", "表“" + tableName + "”已经存在");
  }
  if (asDbase) {
    DbaseTable::Create(path, columns);
    AddTable(tableName, std::make_unique<DbaseTable>(path));
  } else {
    TextLayout layout;
    for (FileColumn& c : columns) {
      if (c.kind == ColumnKind::Decimal) c.kind = ColumnKind::Float;
      if (c.kind == ColumnKind::Date) c.kind = ColumnKind::DateTime;
    }
    layout.columns = columns;
    TextTable::Create(path, layout);
    const auto sections = ReadSchemaIni(m_location);
    const IniSection* section = nullptr;
    for (const IniSection& s : sections)
      if (EqualsNoCase(s.name, file)) section = &s;
    AddTable(tableName, std::make_unique<TextTable>(path, section, SchemaIniPath(m_location)));
  }
  return Result{};
}

}  // namespace orva::filedriver
