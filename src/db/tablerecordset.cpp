#include "db/tablerecordset.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "db/catalog.h"
#include "db/database.h"
#include "db/dbconnection.h"
#include "db/dbexception.h"
#include "db/odbcenv.h"
#include "db/sqlquote.h"
#include "platform/codec.h"

namespace orva {
namespace {

// Packed rows: per value one byte (0 NULL, 1 value), then for a value its
// 32-bit length and its bytes.
void PackValue(std::string& out, const std::optional<std::string>& value) {
  if (!value) {
    out.push_back('\0');
    return;
  }
  out.push_back('\1');
  const auto length = static_cast<std::uint32_t>(value->size());
  out.append(reinterpret_cast<const char*>(&length), sizeof length);
  out.append(*value);
}

std::string Pack(const std::vector<std::optional<std::string>>& row) {
  std::string out;
  for (const auto& value : row) PackValue(out, value);
  return out;
}

// Walks a packed row to a field; false when the row is shorter.
bool PackedValue(const std::string& packed, int field, std::optional<std::string_view>& value) {
  size_t at = 0;
  for (int i = 0;; ++i) {
    if (at >= packed.size()) return false;
    const bool isNull = packed[at++] == '\0';
    std::uint32_t length = 0;
    if (!isNull) {
      if (at + sizeof length > packed.size()) return false;
      std::memcpy(&length, packed.data() + at, sizeof length);
      at += sizeof length;
      if (at + length > packed.size()) return false;
    }
    if (i == field) {
      value = isNull ? std::nullopt : std::optional<std::string_view>(std::string_view(packed.data() + at, length));
      return true;
    }
    at += length;
  }
}

std::vector<std::optional<std::string>> Unpack(const std::string& packed, int count) {
  std::vector<std::optional<std::string>> row(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    std::optional<std::string_view> value;
    if (PackedValue(packed, i, value) && value) row[static_cast<size_t>(i)] = std::string(*value);
  }
  return row;
}

bool IsFloatType(SQLSMALLINT type) { return type == SQL_REAL || type == SQL_FLOAT || type == SQL_DOUBLE; }

bool IsDateType(SQLSMALLINT type) { return type == SQL_DATE || type == SQL_TYPE_DATE; }
bool IsTimeType(SQLSMALLINT type) { return type == SQL_TIME || type == SQL_TYPE_TIME; }

// Reads up to `count` digits as a number; false when there are none.
bool ReadNumber(std::string_view text, size_t& at, int maxDigits, int& value) {
  int digits = 0;
  value = 0;
  while (at < text.size() && digits < maxDigits && std::isdigit(static_cast<unsigned char>(text[at]))) {
    value = value * 10 + (text[at++] - '0');
    ++digits;
  }
  return digits > 0;
}

bool Skip(std::string_view text, size_t& at, std::string_view separators) {
  if (at < text.size() && separators.find(text[at]) != std::string_view::npos) {
    ++at;
    return true;
  }
  return false;
}

// "HH:MM[:SS]" at `at`.
bool ParseTime(std::string_view text, size_t& at, SQL_TIMESTAMP_STRUCT& out) {
  int hour = 0, minute = 0, second = 0;
  if (!ReadNumber(text, at, 2, hour) || !Skip(text, at, ":") || !ReadNumber(text, at, 2, minute)) return false;
  if (Skip(text, at, ":")) ReadNumber(text, at, 2, second);
  out.hour = static_cast<SQLUSMALLINT>(hour);
  out.minute = static_cast<SQLUSMALLINT>(minute);
  out.second = static_cast<SQLUSMALLINT>(second);
  return true;
}

// Dates as "YYYY-MM-DD" (also "/" or "." between the parts), optionally
// followed by a time; or a time alone. The fraction is always 0.
bool ParseTimestamp(std::string_view text, SQL_TIMESTAMP_STRUCT& out) {
  out = SQL_TIMESTAMP_STRUCT{};
  size_t at = 0;
  while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  size_t probe = at;
  int first = 0;
  if (!ReadNumber(text, probe, 4, first)) return false;
  if (probe < text.size() && text[probe] == ':') return ParseTime(text, at, out);
  int year = 0, month = 0, day = 0;
  if (!ReadNumber(text, at, 4, year) || !Skip(text, at, "-/.") || !ReadNumber(text, at, 2, month) ||
      !Skip(text, at, "-/.") || !ReadNumber(text, at, 2, day))
    return false;
  out.year = static_cast<SQLSMALLINT>(year);
  out.month = static_cast<SQLUSMALLINT>(month);
  out.day = static_cast<SQLUSMALLINT>(day);
  if (Skip(text, at, " T")) ParseTime(text, at, out);
  return true;
}

std::string FormatTimestamp(const SQL_TIMESTAMP_STRUCT& v, SQLSMALLINT sqlType) {
  char text[40];
  if (IsDateType(sqlType))
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", v.year, v.month, v.day);
  else if (IsTimeType(sqlType))
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", v.hour, v.minute, v.second);
  else
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", v.year, v.month, v.day, v.hour, v.minute,
                  v.second);
  return text;
}

bool IsFalseText(std::string_view text) {
  size_t first = 0, last = text.size();
  while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
  while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
  std::string word(text.substr(first, last - first));
  for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  static const std::string kNo = GbkFromUtf8("否");
  return word.empty() || word == "0" || word == "false" || word == "no" || word == kNo;
}

// Switches a connection to manual commit for one write and back again;
// anything not committed is rolled back.
class ManualCommit {
 public:
  explicit ManualCommit(SQLHDBC hdbc) : m_hdbc(hdbc) {
    m_active = Succeeded(SQLSetConnectAttr(m_hdbc, SQL_ATTR_AUTOCOMMIT,
                                           reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_AUTOCOMMIT_OFF)),
                                           SQL_IS_UINTEGER));
  }
  ~ManualCommit() {
    if (!m_active) return;
    if (!m_done) SQLEndTran(SQL_HANDLE_DBC, m_hdbc, SQL_ROLLBACK);
    SQLSetConnectAttr(m_hdbc, SQL_ATTR_AUTOCOMMIT,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_AUTOCOMMIT_ON)), SQL_IS_UINTEGER);
  }
  bool Active() const { return m_active; }
  void End(bool commit, const DriverCharset& charset) {
    m_done = true;
    SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, m_hdbc, commit ? SQL_COMMIT : SQL_ROLLBACK);
    CheckOdbc(rc, SQL_HANDLE_DBC, m_hdbc, charset);
  }

 private:
  SQLHDBC m_hdbc;
  bool m_active = false;
  bool m_done = false;
};

}  // namespace

FieldKind FieldKindForSqlType(SQLSMALLINT sqlType) {
  switch (sqlType) {
    case SQL_BIT:
      return kFieldBoolean;
    case SQL_TINYINT:
      return kFieldByte;
    case SQL_SMALLINT:
      return kFieldInt16;
    case SQL_INTEGER:
      return kFieldInt32;
    case SQL_REAL:
      return kFieldSingle;
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return kFieldDouble;
    case SQL_DATE:
    case SQL_TIME:
    case SQL_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP:
      return kFieldTimestamp;
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_BIGINT:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
      return kFieldText;
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR:
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      return kFieldLong;
    default:
      return kFieldNone;
  }
}

// ---- TableField ----

void TableField::Reset() {
  m_bNull = true;
  m_bool = false;
  m_int = 0;
  m_double = 0;
  m_timestamp = SQL_TIMESTAMP_STRUCT{};
  m_text.clear();
}

void TableField::SetFromText(std::string_view text) {
  Reset();
  const std::string copy(text);
  switch (m_nKind) {
    case kFieldNone:
      return;
    case kFieldBoolean:
      m_bool = !IsFalseText(text);
      break;
    case kFieldByte:
      if (text.empty()) return;
      m_int = static_cast<std::uint8_t>(std::atoi(copy.c_str()));
      break;
    case kFieldInt16:
    case kFieldInt32:
      if (text.empty()) return;
      m_int = static_cast<std::int32_t>(std::atol(copy.c_str()));
      break;
    case kFieldSingle:
      if (text.empty()) return;
      m_double = static_cast<float>(std::atof(copy.c_str()));
      break;
    case kFieldDouble:
      if (text.empty()) return;
      m_double = std::atof(copy.c_str());
      break;
    case kFieldTimestamp:
      if (!ParseTimestamp(text, m_timestamp)) return;  // nothing that reads as a date: NULL
      break;
    case kFieldText:
    case kFieldLong:
      m_text = copy;
      break;
  }
  m_bNull = false;
}

// ---- CTableRecordset ----

CTableRecordset::CTableRecordset(CDBConnection* connection)
    : CRecordsetEx(connection ? connection->GetDatabase() : nullptr), m_pConnection(connection) {}

CTableRecordset::~CTableRecordset() = default;

void CTableRecordset::SetTable(std::string_view tableName) {
  m_strTable = std::string(tableName);
  m_strDatabase.clear();
  m_strOwner.clear();
  m_strObject = m_strTable;
  const size_t dots = m_strTable.find("..");
  const size_t dot = m_strTable.rfind('.');
  if (dots != std::string::npos) {
    m_strDatabase = m_strTable.substr(0, dots);
    m_strObject = m_strTable.substr(dots + 2);
  } else if (dot != std::string::npos && dot > 0 && dot + 1 < m_strTable.size()) {
    m_strOwner = m_strTable.substr(0, dot);  // "schema.name"
    m_strObject = m_strTable.substr(dot + 1);
  }
}

std::string CTableRecordset::QuotedTable() const {
  const IdentifierStyle& style = m_pConnection->GetIdentifierStyle();
  if (!m_strDatabase.empty()) return QuoteIdentifier(m_strDatabase, style) + ".." + QuoteIdentifier(m_strObject, style);
  return QuoteQualifiedName(m_strOwner, m_strObject, style);
}

bool CTableRecordset::OpenTable(std::string_view sql, int openType, unsigned options) {
  m_rows.clear();
  m_keyFields.clear();
  m_nCurrent = -1;
  m_editMode = EditMode::None;
  if (!CRecordsetEx::Open(openType, sql, options)) return false;
  BuildFields();
  return true;
}

void CTableRecordset::BuildFields() {
  m_mapNames.clear();
  const int count = std::max<int>(0, GetColumnCount());
  m_fields.assign(static_cast<size_t>(count), TableField{});
  m_columns.clear();
  m_firstReads.clear();
  for (int i = 0; i < count; ++i) {
    const ColumnInfo& info = GetColumnInfo(i);
    m_columns.push_back(info);
    m_firstReads.push_back(CharDataReader::FirstReadSize(info.m_nPrecision));
    TableField& field = m_fields[static_cast<size_t>(i)];
    field.Reset();
    field.SetKind(FieldKindForSqlType(info.m_nSQLType));
    const std::string base = ToUpperGbk(info.m_strName);
    std::string name = base;
    for (int n = 2; m_mapNames.count(name) != 0; ++n) name = base + std::to_string(n);
    field.m_strFieldName = name;
    m_mapNames[name] = i;
  }
  m_dirty.assign(static_cast<size_t>(count), false);
}

CTableRecordset::Row CTableRecordset::ReadRow() {
  const int count = GetFieldCount();
  Row row(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    std::string_view value;
    bool isNull = false;
    SQLRETURN rc = m_reader.Read(m_hstmt, static_cast<SQLUSMALLINT>(i + 1), SQL_C_CHAR, m_firstReads[static_cast<size_t>(i)],
                                 value, isNull);
    // A value the driver cannot give as text reads as empty.
    if (rc != SQL_SUCCESS) {
      row[static_cast<size_t>(i)] = std::string();
      continue;
    }
    if (isNull) continue;
    std::string text;
    m_charset.AssignGbk(text, value.data(), value.size());
    row[static_cast<size_t>(i)] = std::move(text);
  }
  return row;
}

void CTableRecordset::ReadPackedRow(std::string& packed, RowView& view) {
  const int count = GetFieldCount();
  packed.clear();
  packed.reserve(m_packedHint);
  view.assign(static_cast<size_t>(count), std::nullopt);
  // Where each value starts in the packed row, or npos for NULL.
  std::vector<std::pair<size_t, size_t>>& spans = m_spans;
  spans.assign(static_cast<size_t>(count), {std::string::npos, 0});
  for (int i = 0; i < count; ++i) {
    std::string_view value;
    bool isNull = false;
    SQLRETURN rc = m_reader.Read(m_hstmt, static_cast<SQLUSMALLINT>(i + 1), SQL_C_CHAR,
                                 m_firstReads[static_cast<size_t>(i)], value, isNull);
    if (rc != SQL_SUCCESS) {
      value = std::string_view();  // a value the driver cannot give as text reads as empty
    } else if (isNull) {
      packed.push_back('\0');
      continue;
    }
    m_charset.AssignGbk(m_value, value.data(), value.size());
    packed.push_back('\1');
    const auto length = static_cast<std::uint32_t>(m_value.size());
    packed.append(reinterpret_cast<const char*>(&length), sizeof length);
    spans[static_cast<size_t>(i)] = {packed.size(), m_value.size()};
    packed.append(m_value);
  }
  m_packedHint = packed.size();
  for (int i = 0; i < count; ++i) {
    const auto [at, size] = spans[static_cast<size_t>(i)];
    if (at != std::string::npos) view[static_cast<size_t>(i)] = std::string_view(packed.data() + at, size);
  }
}

void CTableRecordset::ReadSnapshot(const std::function<bool(long, const RowView&)>& onRow) {
  RowView view;
  try {
    while (!m_bEOF && m_hstmt != SQL_NULL_HSTMT) {
      m_rows.emplace_back();
      ReadPackedRow(m_rows.back(), view);
      if (onRow && !onRow(GetRecordCount() - 1, view)) break;
      CRecordset::MoveNext();
    }
  } catch (...) {
    FreeStatement();
    m_bOpen = false;
    FindKey();
    SetPosition(0);
    throw;
  }
  FreeStatement();
  m_bOpen = false;
  FindKey();
  SetPosition(0);
}

void CTableRecordset::Requery() {
  const std::string sql = m_strSQL;
  OpenTable(sql, m_nOpenType, m_dwOptions);
  ReadSnapshot();
}

int CTableRecordset::FindField(std::string_view name) const {
  auto it = m_mapNames.find(ToUpperGbk(name));
  return it == m_mapNames.end() ? -1 : it->second;
}

std::string CTableRecordset::GetFieldName(int index) const {
  if (index < 0 || index >= GetFieldCount()) return {};
  return m_fields[static_cast<size_t>(index)].m_strFieldName;
}

TableField& CTableRecordset::GetField(int index) {
  if (index < 0 || index >= GetFieldCount()) throw CDBException(SQL_ERROR, "Field not found.\n");
  return m_fields[static_cast<size_t>(index)];
}

std::optional<std::string> CTableRecordset::GetRowValue(long row, int field) const {
  if (row < 0 || row >= GetRecordCount()) return std::nullopt;
  std::optional<std::string_view> value;
  if (!PackedValue(m_rows[static_cast<size_t>(row)], field, value) || !value) return std::nullopt;
  return std::string(*value);
}

void CTableRecordset::GetFieldText(int index, std::string& text) {
  if (index < 0 || index >= GetFieldCount()) throw CDBException(SQL_ERROR, "Field not found.\n");
  text = GetRowValue(m_nCurrent, index).value_or(std::string());
}

bool CTableRecordset::IsFieldNull(int index) const { return !GetRowValue(m_nCurrent, index).has_value(); }

void CTableRecordset::SetPosition(long row) {
  const long count = GetRecordCount();
  m_nCurrent = std::clamp<long>(row, -1, count);
  m_bEOF = m_nCurrent >= count || count == 0;
  m_bBOF = m_nCurrent < 0 || count == 0;
}

CTableRecordset::Row CTableRecordset::CurrentRow() const {
  return Unpack(m_rows.at(static_cast<size_t>(m_nCurrent)), GetFieldCount());
}

void CTableRecordset::FindKey() {
  m_keyFields.clear();
  m_bCanBind = m_pDatabase && m_pDatabase->IsOpen() && m_pDatabase->HasFunction(SQL_API_SQLBINDPARAMETER);
  if (!m_pDatabase || !m_pDatabase->IsOpen() || m_fields.empty()) return;
  auto fieldOf = [this](const std::string& column) {
    for (int i = 0; i < GetFieldCount(); ++i)
      if (m_columns[static_cast<size_t>(i)].m_strName == column) return i;
    const int byName = FindField(column);
    return byName;
  };
  std::vector<std::pair<int, int>> keyed;  // key sequence, field
  bool complete = true;
  try {
    CPrimaryKeyCatalog keys(m_pDatabase);
    CatalogFilter qualifier = m_strDatabase.empty() ? CatalogFilter() : CatalogFilter(m_strDatabase);
    CatalogFilter owner = m_strOwner.empty() ? CatalogFilter() : CatalogFilter(m_strOwner);
    if (keys.Open(qualifier, owner, m_strObject)) {
      while (!keys.IsEOF()) {
        const int field = fieldOf(keys.m_strColumnName);
        if (field < 0) complete = false;
        keyed.emplace_back(keys.m_nKeySeq, field);
        keys.MoveNext();
      }
    }
  } catch (const CDBException&) {
    keyed.clear();
  }
  if (!keyed.empty() && complete) {
    std::sort(keyed.begin(), keyed.end());
    for (const auto& [seq, field] : keyed) m_keyFields.push_back(field);
    return;
  }

  // No primary key: a unique row id made of real, non-null columns.
  try {
    StatementHandle stmt(m_pDatabase->Handle(), m_charset);
    std::string catalog = m_charset.ToDriver(m_strDatabase);
    std::string owner = m_charset.ToDriver(m_strOwner);
    std::string table = m_charset.ToDriver(m_strObject);
    SQLRETURN rc = CallWhileExecuting([&] {
      return SQLSpecialColumns(stmt.get(), SQL_BEST_ROWID,
                               m_strDatabase.empty() ? nullptr : reinterpret_cast<SQLCHAR*>(catalog.data()),
                               m_strDatabase.empty() ? 0 : SQL_NTS,
                               m_strOwner.empty() ? nullptr : reinterpret_cast<SQLCHAR*>(owner.data()),
                               m_strOwner.empty() ? 0 : SQL_NTS,
                               reinterpret_cast<SQLCHAR*>(table.data()), SQL_NTS, SQL_SCOPE_SESSION, SQL_NO_NULLS);
    });
    if (!Succeeded(rc)) return;
    std::vector<int> fields;
    CharDataReader reader;
    while (Succeeded(CallWhileExecuting([&] { return SQLFetch(stmt.get()); }))) {
      std::string_view name;
      bool isNull = false;
      if (reader.Read(stmt.get(), 2, SQL_C_CHAR, 256, name, isNull) != SQL_SUCCESS || isNull) return;
      const std::string column = m_charset.ToGbk(name);
      SQLSMALLINT pseudo = SQL_PC_UNKNOWN;
      SQLLEN indicator = 0;
      SQLGetData(stmt.get(), 8, SQL_C_SSHORT, &pseudo, 0, &indicator);
      const int field = fieldOf(column);
      // A pseudo column (a physical row address) is not among the values read.
      if (field < 0 || (indicator != SQL_NULL_DATA && pseudo == SQL_PC_PSEUDO)) return;
      fields.push_back(field);
    }
    m_keyFields = fields;
  } catch (const CDBException&) {
    m_keyFields.clear();
  }
}

std::vector<int> CTableRecordset::ConditionFields() const {
  // Every value that compares reliably as text takes part: with a key it
  // tells whether the row changed since it was read; without one it is what
  // finds the row. Long and binary values and floats (whose text need not
  // give back the same number) are left out, key columns never.
  std::vector<int> fields = m_keyFields;
  for (int i = 0; i < GetFieldCount(); ++i) {
    if (std::find(fields.begin(), fields.end(), i) != fields.end()) continue;
    const FieldKind kind = m_fields[static_cast<size_t>(i)].Kind();
    if (kind == kFieldNone || kind == kFieldLong || kind == kFieldSingle || kind == kFieldDouble) continue;
    if (IsFloatType(m_columns[static_cast<size_t>(i)].m_nSQLType)) continue;
    fields.push_back(i);
  }
  return fields;
}

bool CTableRecordset::CanWrite() const { return m_bCanBind && !ConditionFields().empty(); }

CTableRecordset::Param CTableRecordset::TextParam(int field, std::string_view gbk) const {
  const ColumnInfo& info = m_columns[static_cast<size_t>(field)];
  Param p;
  p.cType = SQL_C_CHAR;
  p.sqlType = info.m_nSQLType;
  p.bytes = m_charset.ToDriver(gbk);
  p.size = std::max<SQLULEN>({static_cast<SQLULEN>(info.m_nPrecision), p.bytes.size(), 1});
  p.scale = info.m_nScale;
  p.indicator = static_cast<SQLLEN>(p.bytes.size());
  return p;
}

CTableRecordset::Param CTableRecordset::FieldParam(int index) const {
  const TableField& field = m_fields[static_cast<size_t>(index)];
  const ColumnInfo& info = m_columns[static_cast<size_t>(index)];
  Param p;
  p.sqlType = info.m_nSQLType;
  p.size = std::max<SQLULEN>(info.m_nPrecision, 1);
  p.scale = info.m_nScale;
  if (field.m_bNull) {
    p.cType = SQL_C_CHAR;
    p.indicator = SQL_NULL_DATA;
    return p;
  }
  auto raw = [&p](const void* data, size_t size) {
    p.bytes.assign(static_cast<const char*>(data), size);
    p.indicator = static_cast<SQLLEN>(size);
  };
  switch (field.Kind()) {
    case kFieldBoolean: {
      unsigned char bit = field.m_bool ? 1 : 0;
      p.cType = SQL_C_BIT;
      raw(&bit, sizeof bit);
      break;
    }
    case kFieldByte:
    case kFieldInt16:
    case kFieldInt32: {
      SQLINTEGER value = field.m_int;
      p.cType = SQL_C_SLONG;
      raw(&value, sizeof value);
      break;
    }
    case kFieldSingle:
    case kFieldDouble: {
      SQLDOUBLE value = field.m_double;
      p.cType = SQL_C_DOUBLE;
      raw(&value, sizeof value);
      break;
    }
    case kFieldTimestamp: {
      const SQL_TIMESTAMP_STRUCT& ts = field.m_timestamp;
      if (IsDateType(info.m_nSQLType)) {
        DATE_STRUCT date{ts.year, ts.month, ts.day};
        p.cType = SQL_C_DATE;
        raw(&date, sizeof date);
      } else if (IsTimeType(info.m_nSQLType)) {
        TIME_STRUCT time{ts.hour, ts.minute, ts.second};
        p.cType = SQL_C_TIME;
        raw(&time, sizeof time);
      } else {
        p.cType = SQL_C_TIMESTAMP;
        p.size = std::max<SQLULEN>(p.size, 19);
        p.scale = 0;
        raw(&ts, sizeof ts);
      }
      break;
    }
    default: {
      p = TextParam(index, field.m_text);
      break;
    }
  }
  return p;
}

std::string CTableRecordset::Condition(const Row& values, const std::vector<int>& fields,
                                       std::vector<Param>& params) const {
  const IdentifierStyle& style = m_pConnection->GetIdentifierStyle();
  std::string where;
  for (int field : fields) {
    where += where.empty() ? " WHERE " : " AND ";
    where += QuoteIdentifier(m_columns[static_cast<size_t>(field)].m_strName, style);
    const auto& value = values[static_cast<size_t>(field)];
    if (!value) {
      where += " IS NULL";
    } else {
      where += " = ?";
      params.push_back(TextParam(field, *value));
    }
  }
  return where;
}

void CTableRecordset::Run(SQLHSTMT stmt, const std::string& sql, std::vector<Param>& params, bool allowNoData) {
  for (size_t i = 0; i < params.size(); ++i) {
    Param& p = params[i];
    if (p.bytes.empty()) p.bytes.reserve(1);  // a valid buffer even for an empty value
    CheckOdbc(SQLBindParameter(stmt, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT, p.cType, p.sqlType, p.size,
                               p.scale, p.bytes.data(), static_cast<SQLLEN>(p.bytes.size()), &p.indicator),
              SQL_HANDLE_STMT, stmt, m_charset);
  }
  std::string text = m_charset.ToDriver(sql);
  SQLRETURN rc = CallWhileExecuting([&] {
    return SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size()));
  });
  if (rc == SQL_NO_DATA && allowNoData) return;
  CheckOdbc(rc, SQL_HANDLE_STMT, stmt, m_charset);
}

long CTableRecordset::Execute(const std::string& sql, std::vector<Param>& params) {
  if (!m_pDatabase || !m_pDatabase->IsOpen()) throw CDBException(SQL_ERROR, "The connection is not open.\n");
  StatementHandle stmt(m_pDatabase->Handle(), m_charset);
  Run(stmt.get(), sql, params, true);
  SQLLEN count = -1;
  if (SQLRowCount(stmt.get(), &count) == SQL_ERROR) count = -1;
  return static_cast<long>(count);
}

long CTableRecordset::Count(const std::string& where, std::vector<Param>& params) {
  StatementHandle stmt(m_pDatabase->Handle(), m_charset);
  Run(stmt.get(), "SELECT COUNT(*) FROM " + QuotedTable() + where, params, false);
  CheckOdbc(CallWhileExecuting([&] { return SQLFetch(stmt.get()); }), SQL_HANDLE_STMT, stmt.get(), m_charset);
  SQLINTEGER count = 0;
  SQLLEN indicator = 0;
  CheckOdbc(SQLGetData(stmt.get(), 1, SQL_C_SLONG, &count, 0, &indicator), SQL_HANDLE_STMT, stmt.get(), m_charset);
  return count;
}

long CTableRecordset::WriteOneRow(const std::string& sql, std::vector<Param>& params, const std::string& where,
                                  std::vector<Param>& whereParams) {
  m_bUsedTransaction = false;
  SQLUSMALLINT capable = SQL_TC_NONE;
  SQLGetInfo(m_pDatabase->Handle(), SQL_TXN_CAPABLE, &capable, sizeof capable, nullptr);
  if (capable != SQL_TC_NONE && m_bUseTransactions) {
    ManualCommit transaction(m_pDatabase->Handle());
    if (transaction.Active()) {
      m_bUsedTransaction = true;
      const long changed = Execute(sql, params);
      if (changed == 1) {
        transaction.End(true, m_charset);
        return 1;
      }
      transaction.End(false, m_charset);
      // A driver that cannot tell how many rows changed: undone, then
      // decided by counting like a driver without transactions.
      if (changed >= 0) return changed;
      m_bUsedTransaction = false;
    }
  }
  if (!where.empty()) {
    const long matching = Count(where, whereParams);
    if (matching != 1) return matching;
  }
  Execute(sql, params);
  return 1;
}

std::vector<CTableRecordset::Row> CTableRecordset::Select(const std::string& where, std::vector<Param>& params) {
  std::vector<Row> rows;
  StatementHandle stmt(m_pDatabase->Handle(), m_charset);
  Run(stmt.get(), "SELECT * FROM " + QuotedTable() + where, params, false);
  SQLRETURN rc;
  const SQLHSTMT saved = m_hstmt;
  m_hstmt = stmt.get();  // ReadRow reads the current statement
  try {
    while (rows.size() < 2) {
      rc = CallWhileExecuting([&] { return SQLFetch(stmt.get()); });
      if (rc == SQL_NO_DATA) break;
      CheckOdbc(rc, SQL_HANDLE_STMT, stmt.get(), m_charset);
      rows.push_back(ReadRow());
    }
  } catch (...) {
    m_hstmt = saved;
    throw;
  }
  m_hstmt = saved;
  return rows;
}

std::string CTableRecordset::FieldTextForRow(int index) const {
  const TableField& field = m_fields[static_cast<size_t>(index)];
  char text[64];
  switch (field.Kind()) {
    case kFieldBoolean:
      return field.m_bool ? "1" : "0";
    case kFieldByte:
    case kFieldInt16:
    case kFieldInt32:
      return std::to_string(field.m_int);
    case kFieldSingle:
    case kFieldDouble:
      std::snprintf(text, sizeof text, "%.17g", field.m_double);
      return text;
    case kFieldTimestamp:
      return FormatTimestamp(field.m_timestamp, m_columns[static_cast<size_t>(index)].m_nSQLType);
    default:
      return field.m_text;
  }
}

CTableRecordset::Row CTableRecordset::RowFromFields() const {
  Row row(m_fields.size());
  for (int i = 0; i < GetFieldCount(); ++i)
    if (!m_fields[static_cast<size_t>(i)].m_bNull) row[static_cast<size_t>(i)] = FieldTextForRow(i);
  return row;
}

void CTableRecordset::Edit() {
  if (m_nCurrent < 0 || m_nCurrent >= GetRecordCount()) throw CDBException(SQL_ERROR, "No current record.\n");
  const Row row = CurrentRow();
  for (int i = 0; i < GetFieldCount(); ++i) {
    TableField& field = m_fields[static_cast<size_t>(i)];
    if (row[static_cast<size_t>(i)])
      field.SetFromText(*row[static_cast<size_t>(i)]);
    else
      field.Reset();
  }
  m_dirty.assign(m_fields.size(), false);
  m_editMode = EditMode::Edit;
}

void CTableRecordset::AddNew() {
  for (TableField& field : m_fields) field.Reset();
  m_dirty.assign(m_fields.size(), false);
  m_editMode = EditMode::Add;
}

void CTableRecordset::SetFieldText(int index, std::string_view text) {
  GetField(index).SetFromText(text);
  m_dirty[static_cast<size_t>(index)] = true;
}

CTableRecordset::WriteResult CTableRecordset::Update() {
  const EditMode mode = m_editMode;
  m_editMode = EditMode::None;
  const IdentifierStyle& style = m_pConnection->GetIdentifierStyle();
  std::vector<int> changed;
  for (int i = 0; i < GetFieldCount(); ++i)
    if (m_dirty[static_cast<size_t>(i)] && m_fields[static_cast<size_t>(i)].Kind() != kFieldNone) changed.push_back(i);

  // Values are only ever bound, never written into the statement: a driver
  // that cannot bind them cannot write.
  if (!m_bCanBind) return WriteResult::NotSafe;
  if (mode == EditMode::Add) {
    if (changed.empty()) return WriteResult::Written;
    std::string sql = "INSERT INTO " + QuotedTable() + " (";
    std::string values;
    std::vector<Param> params;
    for (int field : changed) {
      if (!params.empty()) {
        sql += ", ";
        values += ", ";
      }
      sql += QuoteIdentifier(m_columns[static_cast<size_t>(field)].m_strName, style);
      values += "?";
      params.push_back(FieldParam(field));
    }
    sql += ") VALUES (" + values + ")";
    std::vector<Param> none;
    if (WriteOneRow(sql, params, std::string(), none) != 1) return WriteResult::Ambiguous;
    // Read the new row back, so defaults and the server's own forms show.
    Row written = RowFromFields();
    std::vector<int> known;
    for (int field : ConditionFields())
      if (m_dirty[static_cast<size_t>(field)] && written[static_cast<size_t>(field)]) known.push_back(field);
    if (!known.empty()) {
      std::vector<Param> selectParams;
      const std::string where = Condition(written, known, selectParams);
      std::vector<Row> found = Select(where, selectParams);
      if (found.size() == 1) written = found.front();
    }
    m_rows.push_back(Pack(written));
    SetPosition(GetRecordCount() - 1);
    return WriteResult::Written;
  }

  if (mode != EditMode::Edit) throw CDBException(SQL_ERROR, "Update without Edit or AddNew.\n");
  if (changed.empty()) return WriteResult::Written;
  const std::vector<int> conditionFields = ConditionFields();
  if (conditionFields.empty()) return WriteResult::NotSafe;
  const Row old = CurrentRow();

  std::string sql = "UPDATE " + QuotedTable() + " SET ";
  std::vector<Param> params;
  for (size_t k = 0; k < changed.size(); ++k) {
    if (k) sql += ", ";
    sql += QuoteIdentifier(m_columns[static_cast<size_t>(changed[k])].m_strName, style) + " = ?";
    params.push_back(FieldParam(changed[k]));
  }
  std::vector<Param> whereParams;
  const std::string where = Condition(old, conditionFields, whereParams);
  params.insert(params.end(), whereParams.begin(), whereParams.end());
  const long count = WriteOneRow(sql + where, params, where, whereParams);
  if (count > 1) return WriteResult::Ambiguous;
  if (count == 1) {
    Row written = old;
    for (int field : changed)
      written[static_cast<size_t>(field)] =
          m_fields[static_cast<size_t>(field)].m_bNull ? std::nullopt : std::optional<std::string>(FieldTextForRow(field));
    // The stored values, as the server now gives them.
    std::vector<Param> selectParams;
    const std::string select =
        Condition(written, m_keyFields.empty() ? conditionFields : m_keyFields, selectParams);
    std::vector<Row> found = Select(select, selectParams);
    if (found.size() == 1) written = found.front();
    m_rows[static_cast<size_t>(m_nCurrent)] = Pack(written);
    return WriteResult::Written;
  }
  return RereadChangedRow(old);
}

CTableRecordset::WriteResult CTableRecordset::RereadChangedRow(const Row& old) {
  // Nothing matched: the row changed or went away since it was read. With a
  // key it is read again (or dropped when gone); without one it cannot be
  // found any more.
  if (m_keyFields.empty()) return WriteResult::Changed;
  std::vector<Param> keyParams;
  const std::string byKey = Condition(old, m_keyFields, keyParams);
  std::vector<Row> found = Select(byKey, keyParams);
  if (found.size() == 1) {
    m_rows[static_cast<size_t>(m_nCurrent)] = Pack(found.front());
    return WriteResult::Changed;
  }
  m_rows.erase(m_rows.begin() + m_nCurrent);
  SetPosition(m_nCurrent);
  return WriteResult::Deleted;
}

CTableRecordset::WriteResult CTableRecordset::Delete() {
  if (m_nCurrent < 0 || m_nCurrent >= GetRecordCount()) throw CDBException(SQL_ERROR, "No current record.\n");
  const std::vector<int> conditionFields = ConditionFields();
  if (conditionFields.empty() || !m_bCanBind) return WriteResult::NotSafe;
  const Row old = CurrentRow();
  std::vector<Param> params;
  const std::string where = Condition(old, conditionFields, params);
  std::vector<Param> whereParams = params;
  const long count = WriteOneRow("DELETE FROM " + QuotedTable() + where, params, where, whereParams);
  if (count > 1) return WriteResult::Ambiguous;
  if (count == 1) {
    m_rows.erase(m_rows.begin() + m_nCurrent);
    SetPosition(m_nCurrent);
    return WriteResult::Written;
  }
  return RereadChangedRow(old);
}

}  // namespace orva
