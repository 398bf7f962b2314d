#pragma once
// Result sets of the ODBC catalog functions (tables, columns, primary keys,
// procedures), their columns bound to fields by position. Text fields hold at
// most 255 bytes of GBK; integer fields are 0 when NULL (IsFieldNull tells).

#include <sql.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/recordset.h"

namespace orva {

using CatalogFilter = std::optional<std::string_view>;

class CCatalogRecordset : public CRecordset {
 public:
  int GetFieldCount() const { return static_cast<int>(m_fields.size()); }
  // The field was NULL in the current row.
  bool IsFieldNull(int index) const;

 protected:
  explicit CCatalogRecordset(CDatabase* database) : CRecordset(database) {}
  void AddTextField(std::string& target);
  void AddInt16Field(std::int16_t& target);
  void AddInt32Field(std::int32_t& target);

  // Runs a catalog function with the filters (GBK, absent = no filter) and
  // fetches the first row. Bit i of patternArguments marks filter i as one the
  // driver reads as a search pattern; such names are escaped so they match
  // only themselves. False, without an error, when the driver lacks the
  // function or no statement can be allocated; driver errors close the set
  // and throw CDBException.
  using CatalogCall = std::function<SQLRETURN(SQLHSTMT, const std::vector<std::optional<std::string>>&)>;
  bool OpenCatalog(SQLUSMALLINT functionId, int openType, std::initializer_list<CatalogFilter> filters,
                   unsigned patternArguments, const CatalogCall& call);

  void AfterFetch() override;

 private:
  enum class Kind { Text, Int16, Int32 };
  struct Field {
    Kind kind;
    void* target;
    std::vector<char> text;
    std::int16_t int16 = 0;
    std::int64_t int64 = 0;  // 32-bit fields, clamped when read
    SQLLEN indicator = SQL_NULL_DATA;
  };
  void BindFields();
  void ResetFields();

  std::vector<Field> m_fields;
};

// A 32-bit catalog field (PRECISION, LENGTH) as read: drivers report sizes
// as 64-bit values, 4294967295 and more for long columns; beyond the 32-bit
// range the nearest 32-bit value stands for them.
inline std::int32_t CatalogInt32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

// The name as a catalog search pattern that matches only itself: "_", "%"
// and the escape character are preceded by the escape character.
std::string EscapeSearchPattern(std::string_view name, std::string_view escape);

// The text of an optional filter for a catalog call: a null pointer when absent.
SQLCHAR* CatalogArgument(const std::optional<std::string>& filter);
SQLSMALLINT CatalogArgumentLength(const std::optional<std::string>& filter);

class CTableCatalog : public CCatalogRecordset {
 public:
  explicit CTableCatalog(CDatabase* database);
  bool Open(CatalogFilter qualifier, CatalogFilter owner, CatalogFilter tableName, CatalogFilter tableType,
            int openType = forwardOnly);

  std::string m_strTableQualifier;
  std::string m_strTableOwner;
  std::string m_strTableName;
  std::string m_strTableType;
  std::string m_strRemarks;
};

class CColumnCatalog : public CCatalogRecordset {
 public:
  explicit CColumnCatalog(CDatabase* database);
  bool Open(CatalogFilter qualifier, CatalogFilter owner, CatalogFilter tableName, CatalogFilter columnName,
            int openType = forwardOnly);

  // Field indexes, for IsFieldNull.
  enum { kScaleField = 8, kRadixField = 9 };

  std::string m_strTableQualifier;
  std::string m_strTableOwner;
  std::string m_strTableName;
  std::string m_strColumnName;
  std::int16_t m_nDataType = 0;
  std::string m_strTypeName;
  std::int32_t m_nPrecision = 0;
  std::int32_t m_nLength = 0;
  std::int16_t m_nScale = 0;
  std::int16_t m_nRadix = 0;
  std::int16_t m_nNullable = 0;
  std::string m_strRemarks;
};

class CPrimaryKeyCatalog : public CCatalogRecordset {
 public:
  explicit CPrimaryKeyCatalog(CDatabase* database);
  bool Open(CatalogFilter qualifier, CatalogFilter owner, CatalogFilter tableName, int openType = forwardOnly);

  std::string m_strTableQualifier;
  std::string m_strTableOwner;
  std::string m_strTableName;
  std::string m_strColumnName;
  std::int16_t m_nKeySeq = 0;
  std::string m_strPkName;
};

class CProcedureCatalog : public CCatalogRecordset {
 public:
  explicit CProcedureCatalog(CDatabase* database);
  bool Open(CatalogFilter qualifier, CatalogFilter owner, CatalogFilter procedureName, int openType = forwardOnly);

  std::string m_strProcedureQualifier;
  std::string m_strProcedureOwner;
  std::string m_strProcedureName;
  std::string m_strRemarks;
  std::int16_t m_nProcedureType = 0;
};

}  // namespace orva
