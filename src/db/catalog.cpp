#include "db/catalog.h"

#include <sqlext.h>

#include <algorithm>

#include "db/database.h"
#include "db/dbexception.h"
#include "db/odbcenv.h"
#include "db/sqlquote.h"
#include "platform/codec.h"

namespace orva {
namespace {

// Text fields keep 255 bytes of GBK. The driver's bytes are read into a larger
// buffer so that, whatever its character set, 255 GBK bytes survive the
// conversion (a character never needs more GBK bytes than driver bytes * 2).
constexpr size_t kMaxTextField = 255;
constexpr size_t kTextBuffer = 1024;

}  // namespace

SQLCHAR* CatalogArgument(const std::optional<std::string>& filter) {
  return filter ? reinterpret_cast<SQLCHAR*>(const_cast<char*>(filter->c_str())) : nullptr;
}

SQLSMALLINT CatalogArgumentLength(const std::optional<std::string>& filter) { return filter ? SQL_NTS : 0; }

void CCatalogRecordset::AddTextField(std::string& target) {
  m_fields.push_back(Field{Kind::Text, &target, std::vector<char>(kTextBuffer)});
}

void CCatalogRecordset::AddInt16Field(std::int16_t& target) { m_fields.push_back(Field{Kind::Int16, &target, {}}); }

void CCatalogRecordset::AddInt32Field(std::int32_t& target) { m_fields.push_back(Field{Kind::Int32, &target, {}}); }

bool CCatalogRecordset::IsFieldNull(int index) const {
  if (index < 0 || index >= GetFieldCount()) return true;
  return m_fields[static_cast<size_t>(index)].indicator == SQL_NULL_DATA;
}

std::string EscapeSearchPattern(std::string_view name, std::string_view escape) {
  std::string out;
  out.reserve(name.size() + 4);
  for (char c : name) {
    if (c == '_' || c == '%' || (!escape.empty() && c == escape.front())) out += escape;
    out += c;
  }
  return out;
}

bool CCatalogRecordset::OpenCatalog(SQLUSMALLINT functionId, int openType,
                                    std::initializer_list<CatalogFilter> filters, unsigned patternArguments,
                                    const CatalogCall& call) {
  if (!m_pDatabase || !m_pDatabase->HasFunction(functionId)) return false;
  m_nOpenType = openType;
  m_dwOptions = readOnly;
  try {
    AllocStatement();
  } catch (const CDBException&) {
    return false;
  }
  try {
    // Names are matched exactly: "_" and "%" in a name are escaped so that
    // the columns of order_item never include those of orderXitem. A driver
    // without an escape character takes the names as identifiers instead.
    std::string escape;
    bool identifiers = false;
    if (patternArguments) {
      escape = m_charset.ToDriver(m_pDatabase->GetInfoText(SQL_SEARCH_PATTERN_ESCAPE));
      if (escape.empty() || escape == " ")
        identifiers = SQL_SUCCEEDED(
            SQLSetStmtAttr(m_hstmt, SQL_ATTR_METADATA_ID, reinterpret_cast<SQLPOINTER>(SQL_TRUE), SQL_IS_UINTEGER));
    }
    const IdentifierStyle style{m_pDatabase->GetInfoText(SQL_IDENTIFIER_QUOTE_CHAR), 0};
    std::vector<std::optional<std::string>> arguments;
    unsigned bit = 1;
    for (const CatalogFilter& filter : filters) {
      std::optional<std::string> argument;
      if (filter) {
        const bool pattern = (patternArguments & bit) != 0;
        if (pattern && identifiers && !style.quote.empty())
          argument = m_charset.ToDriver(style.quote + std::string(*filter) + style.quote);
        else if (pattern && !identifiers && !escape.empty() && escape != " ")
          argument = EscapeSearchPattern(m_charset.ToDriver(*filter), escape);
        else
          argument = m_charset.ToDriver(*filter);
      }
      arguments.push_back(std::move(argument));
      bit <<= 1;
    }
    ResetFields();
    CheckStatement(CallWhileExecuting([&] { return call(m_hstmt, arguments); }));
    m_bOpen = true;
    BindFields();
    m_bEOF = false;
    MoveNext();
    m_bBOF = m_bEOF;
    return true;
  } catch (...) {
    Close();
    throw;
  }
}

void CCatalogRecordset::BindFields() {
  SQLSMALLINT columns = 0;
  CheckStatement(CallWhileExecuting([&] { return SQLNumResultCols(m_hstmt, &columns); }));
  const size_t bound = std::min(m_fields.size(), static_cast<size_t>(std::max<SQLSMALLINT>(columns, 0)));
  for (size_t i = 0; i < bound; ++i) {
    Field& field = m_fields[i];
    const SQLUSMALLINT column = static_cast<SQLUSMALLINT>(i + 1);
    SQLRETURN rc;
    switch (field.kind) {
      case Kind::Text:
        rc = SQLBindCol(m_hstmt, column, SQL_C_CHAR, field.text.data(), static_cast<SQLLEN>(field.text.size()),
                        &field.indicator);
        break;
      case Kind::Int16:
        rc = SQLBindCol(m_hstmt, column, SQL_C_SSHORT, &field.int16, sizeof field.int16, &field.indicator);
        break;
      default:
        // Sizes are read as 64-bit: drivers report 4294967295 and more for
        // long columns, which a 32-bit binding would refuse for the whole row.
        rc = SQLBindCol(m_hstmt, column, SQL_C_SBIGINT, &field.int64, sizeof field.int64, &field.indicator);
        break;
    }
    CheckStatement(rc);
  }
}

void CCatalogRecordset::ResetFields() {
  for (Field& field : m_fields) {
    field.indicator = SQL_NULL_DATA;
    field.int16 = 0;
    field.int64 = 0;
  }
  AfterFetch();
}

void CCatalogRecordset::AfterFetch() {
  for (Field& field : m_fields) {
    // A driver that stores the length of a bound column as 32 bits (the
    // Access driver) leaves the upper half of the indicator as it was, all
    // ones since the reset to SQL_NULL_DATA. No length or marker lies below
    // INT32_MIN, so then the lower half is the driver's answer.
    if (field.indicator < INT32_MIN)
      field.indicator = static_cast<std::int32_t>(static_cast<std::uint32_t>(field.indicator));
    const bool isNull = field.indicator == SQL_NULL_DATA;
    switch (field.kind) {
      case Kind::Text: {
        auto& target = *static_cast<std::string*>(field.target);
        if (isNull) {
          target.clear();
          break;
        }
        // A long value fills the buffer (less its terminating zero).
        const SQLLEN room = static_cast<SQLLEN>(field.text.size()) - 1;
        const size_t length = static_cast<size_t>(
            field.indicator == SQL_NO_TOTAL || field.indicator > room ? room : std::max<SQLLEN>(field.indicator, 0));
        m_charset.AssignGbk(target, field.text.data(), length);
        if (target.size() > kMaxTextField) target.assign(CutAtCharBoundary(target, kMaxTextField));
        break;
      }
      case Kind::Int16:
        *static_cast<std::int16_t*>(field.target) = isNull ? 0 : field.int16;
        break;
      case Kind::Int32:
        *static_cast<std::int32_t*>(field.target) = isNull ? 0 : CatalogInt32(field.int64);
        break;
    }
  }
}

CTableCatalog::CTableCatalog(CDatabase* database) : CCatalogRecordset(database) {
  AddTextField(m_strTableQualifier);
  AddTextField(m_strTableOwner);
  AddTextField(m_strTableName);
  AddTextField(m_strTableType);
  AddTextField(m_strRemarks);
}

bool CTableCatalog::Open(CatalogFilter qualifier, CatalogFilter owner, CatalogFilter tableName,
                         CatalogFilter tableType, int openType) {
  return OpenCatalog(SQL_API_SQLTABLES, openType, {qualifier, owner, tableName, tableType}, 0b0110,
                     [](SQLHSTMT hstmt, const std::vector<std::optional<std::string>>& a) {
                       return SQLTables(hstmt, CatalogArgument(a[0]), CatalogArgumentLength(a[0]),
                                        CatalogArgument(a[1]), CatalogArgumentLength(a[1]), CatalogArgument(a[2]),
                                        CatalogArgumentLength(a[2]), CatalogArgument(a[3]),
                                        CatalogArgumentLength(a[3]));
                     });
}

CColumnCatalog::CColumnCatalog(CDatabase* database) : CCatalogRecordset(database) {
  AddTextField(m_strTableQualifier);
  AddTextField(m_strTableOwner);
  AddTextField(m_strTableName);
  AddTextField(m_strColumnName);
  AddInt16Field(m_nDataType);
  AddTextField(m_strTypeName);
  AddInt32Field(m_nPrecision);
  AddInt32Field(m_nLength);
  AddInt16Field(m_nScale);
  AddInt16Field(m_nRadix);
  AddInt16Field(m_nNullable);
  AddTextField(m_strRemarks);
}

bool CColumnCatalog::Open(CatalogFilter qualifier, CatalogFilter owner, CatalogFilter tableName,
                          CatalogFilter columnName, int openType) {
  return OpenCatalog(SQL_API_SQLCOLUMNS, openType, {qualifier, owner, tableName, columnName}, 0b1110,
                     [](SQLHSTMT hstmt, const std::vector<std::optional<std::string>>& a) {
                       return SQLColumns(hstmt, CatalogArgument(a[0]), CatalogArgumentLength(a[0]),
                                         CatalogArgument(a[1]), CatalogArgumentLength(a[1]), CatalogArgument(a[2]),
                                         CatalogArgumentLength(a[2]), CatalogArgument(a[3]),
                                         CatalogArgumentLength(a[3]));
                     });
}

CPrimaryKeyCatalog::CPrimaryKeyCatalog(CDatabase* database) : CCatalogRecordset(database) {
  AddTextField(m_strTableQualifier);
  AddTextField(m_strTableOwner);
  AddTextField(m_strTableName);
  AddTextField(m_strColumnName);
  AddInt16Field(m_nKeySeq);
  AddTextField(m_strPkName);
}

bool CPrimaryKeyCatalog::Open(CatalogFilter qualifier, CatalogFilter owner, CatalogFilter tableName, int openType) {
  return OpenCatalog(SQL_API_SQLPRIMARYKEYS, openType, {qualifier, owner, tableName}, 0,
                     [](SQLHSTMT hstmt, const std::vector<std::optional<std::string>>& a) {
                       return SQLPrimaryKeys(hstmt, CatalogArgument(a[0]), CatalogArgumentLength(a[0]),
                                             CatalogArgument(a[1]), CatalogArgumentLength(a[1]),
                                             CatalogArgument(a[2]), CatalogArgumentLength(a[2]));
                     });
}

CProcedureCatalog::CProcedureCatalog(CDatabase* database) : CCatalogRecordset(database) {
  AddTextField(m_strProcedureQualifier);
  AddTextField(m_strProcedureOwner);
  AddTextField(m_strProcedureName);
  AddTextField(m_strRemarks);
  AddInt16Field(m_nProcedureType);
}

bool CProcedureCatalog::Open(CatalogFilter qualifier, CatalogFilter owner, CatalogFilter procedureName,
                             int openType) {
  return OpenCatalog(SQL_API_SQLPROCEDURES, openType, {qualifier, owner, procedureName}, 0b110,
                     [](SQLHSTMT hstmt, const std::vector<std::optional<std::string>>& a) {
                       return SQLProcedures(hstmt, CatalogArgument(a[0]), CatalogArgumentLength(a[0]),
                                            CatalogArgument(a[1]), CatalogArgumentLength(a[1]),
                                            CatalogArgument(a[2]), CatalogArgumentLength(a[2]));
                     });
}

}  // namespace orva
