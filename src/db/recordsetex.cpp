#include "db/recordsetex.h"

#include <sqlext.h>

#include <algorithm>
#include <limits>

#include "db/database.h"
#include "db/dbconnection.h"
#include "db/dbexception.h"
#include "db/odbcenv.h"

namespace orva {
namespace {

constexpr SQLSMALLINT kNameBuffer = 256;
// Column names longer than this are treated as a broken answer and cut.
constexpr SQLSMALLINT kMaxName = 16000;

[[noreturn]] void ThrowFieldNotFound() { throw CDBException(SQL_ERROR, "Field not found.\n"); }

}  // namespace

CRecordsetEx::CRecordsetEx(CDatabase* database) : CRecordset(database) {}

CRecordsetEx::~CRecordsetEx() { CDBConnection::ForgetResultSet(this); }

bool CRecordsetEx::Open(int openType, std::string_view sql, unsigned options) {
  m_nOpenType = openType;
  m_dwOptions = options;
  try {
    AllocStatement();
  } catch (const CDBException&) {
    return false;
  }
  try {
    if (m_pDatabase->GetQueryTimeout() != 0)
      SQLSetStmtAttr(m_hstmt, SQL_ATTR_QUERY_TIMEOUT,
                     reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(m_pDatabase->GetQueryTimeout())), 0);
    m_strSQL = std::string(sql);
    std::string text = m_charset.ToDriver(sql);
    // A run cancelled before its statement started does not start it.
    SQLRETURN rc = CallCancellable(
        [&] {
          return SQLExecDirect(m_hstmt, reinterpret_cast<SQLCHAR*>(text.data()),
                               static_cast<SQLINTEGER>(text.size()));
        },
        true);
    if (rc != SQL_NO_DATA) CheckStatement(rc);
    m_bOpen = true;
    DescribeColumns();
    m_bEOF = false;
    if (m_nResultCols != 0)
      MoveNext();
    else
      m_bEOF = true;
    m_bBOF = m_bEOF;
    return true;
  } catch (...) {
    Close();
    throw;
  }
}

void CRecordsetEx::Close() {
  CRecordset::Close();
  m_nResultCols = -1;
  m_rgColumns.clear();
  m_classes.clear();
  m_firstReadSizes.clear();
}

void CRecordsetEx::DescribeColumns() {
  m_rgColumns.clear();
  m_classes.clear();
  m_firstReadSizes.clear();
  m_nResultCols = -1;
  if (m_hstmt == SQL_NULL_HSTMT) throw CDBException(SQL_ERROR, "The result set is closed.\n");
  SQLSMALLINT count = 0;
  CheckStatement(CallWhileExecuting([&] { return SQLNumResultCols(m_hstmt, &count); }));
  if (count <= 0) {
    m_nResultCols = 0;
    return;
  }
  std::vector<SQLCHAR> name(kNameBuffer);
  m_rgColumns.resize(static_cast<size_t>(count));
  m_classes.resize(static_cast<size_t>(count));
  m_firstReadSizes.resize(static_cast<size_t>(count));
  for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(count); ++i) {
    SQLSMALLINT nameLength = 0, type = 0, scale = 0, nullable = SQL_NULLABLE_UNKNOWN;
    SQLULEN size = 0;
    auto describe = [&] {
      return CallWhileExecuting([&] {
        return SQLDescribeCol(m_hstmt, i, name.data(), static_cast<SQLSMALLINT>(name.size()), &nameLength, &type,
                              &size, &scale, &nullable);
      });
    };
    SQLRETURN rc = describe();
    if (Succeeded(rc) && nameLength >= static_cast<SQLSMALLINT>(name.size()) && nameLength < kMaxName) {
      name.resize(static_cast<size_t>(nameLength) + 1);
      rc = describe();
    }
    CheckStatement(rc);
    ColumnInfo& column = m_rgColumns[i - 1];
    size_t used = nameLength < 0 ? 0 : std::min(static_cast<size_t>(nameLength), name.size() - 1);
    column.m_strName = m_charset.ToGbk(std::string_view(reinterpret_cast<const char*>(name.data()), used));
    column.m_nSQLType = type;
    column.m_nPrecision = static_cast<std::uint32_t>(
        std::min<SQLULEN>(size, std::numeric_limits<std::uint32_t>::max()));
    column.m_nScale = scale;
    column.m_nNullability = nullable;
    m_classes[i - 1] = ClassifySqlType(type);
    m_firstReadSizes[i - 1] = CharDataReader::FirstReadSize(size);
  }
  m_nResultCols = count;
}

const ColumnInfo& CRecordsetEx::GetColumnInfo(int index) const {
  if (index < 0 || index >= m_nResultCols) ThrowFieldNotFound();
  return m_rgColumns[static_cast<size_t>(index)];
}

void CRecordsetEx::GetFieldText(int index, std::string& text) {
  if (m_nResultCols <= 0) {
    text.clear();
    return;
  }
  if (index < 0 || index >= m_nResultCols) ThrowFieldNotFound();
  const SQLUSMALLINT column = static_cast<SQLUSMALLINT>(index + 1);
  const ValueClass valueClass = m_classes[static_cast<size_t>(index)];

  if (valueClass == ValueClass::Date || valueClass == ValueClass::Time || valueClass == ValueClass::Timestamp) {
    SQL_TIMESTAMP_STRUCT value{};
    SQLLEN indicator = 0;
    SQLRETURN rc = CallWhileExecuting(
        [&] { return SQLGetData(m_hstmt, column, SQL_C_TIMESTAMP, &value, sizeof value, &indicator); });
    if (!Succeeded(rc)) ThrowStatementError(rc);
    if (indicator == SQL_NULL_DATA)
      text.clear();
    else
      FormatTimestampText(valueClass, value, text);
    return;
  }

  std::string_view value;
  bool isNull = false;
  const bool binary = valueClass == ValueClass::Binary;
  SQLRETURN rc = m_reader.Read(m_hstmt, column, binary ? SQL_C_BINARY : SQL_C_CHAR,
                               m_firstReadSizes[static_cast<size_t>(index)], value, isNull);
  if (rc != SQL_SUCCESS) ThrowStatementError(rc);
  if (isNull || value.empty()) {
    text.clear();
    return;
  }
  if (binary) {
    // Drivers disagree on the character form of binary data, so the bytes
    // are read raw and every one is shown as two hexadecimal digits.
    text.assign("0x");
    AppendHex(text, value);
    return;
  }
  m_charset.AssignGbk(text, value.data(), value.size());
}

bool CRecordsetEx::NextResult() {
  if (m_hstmt == SQL_NULL_HSTMT) throw CDBException(SQL_ERROR, "The result set is closed.\n");
  SQLRETURN rc = CallCancellable([&] { return SQLMoreResults(m_hstmt); }, false);
  if (rc == SQL_NO_DATA) {
    m_bEOF = true;
    return false;
  }
  CheckStatement(rc);
  m_bEOF = false;
  m_bBOF = false;
  return true;
}

}  // namespace orva
