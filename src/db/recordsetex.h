#pragma once
// A forward-only result set of any statement: the statement runs as written,
// its columns are learned from the driver, and every value is read as text.
// Several result sets of one batch are walked with NextResult.

#include <sql.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/recordset.h"
#include "db/valuetext.h"

namespace orva {

struct ColumnInfo {
  std::string m_strName;  // GBK; may be empty
  SQLSMALLINT m_nSQLType = 0;
  std::uint32_t m_nPrecision = 0;
  SQLSMALLINT m_nScale = 0;
  SQLSMALLINT m_nNullability = SQL_NULLABLE_UNKNOWN;
};

class CRecordsetEx : public CRecordset {
 public:
  explicit CRecordsetEx(CDatabase* database);
  ~CRecordsetEx() override;

  // Executes the text directly and fetches the first row. Returns false when
  // no statement can be allocated; database errors close the set and throw
  // CDBException.
  bool Open(int openType, std::string_view sql, unsigned options = none);
  void Close() override;

  // (Re)reads the columns of the current result.
  void DescribeColumns();
  short GetColumnCount() const { return m_nResultCols; }
  // Throws CDBException when the index is not a column.
  const ColumnInfo& GetColumnInfo(int index) const;

  // The value of a column of the current row as GBK text; NULL gives the empty
  // text. Throws CDBException for an index that is not a column and for
  // driver errors.
  void GetFieldText(int index, std::string& text);

  // Moves to the next result of the batch. False when there is none; the
  // caller then describes the columns and fetches the first row.
  bool NextResult();

  std::string m_strSQL;
  short m_nResultCols = -1;
  std::vector<ColumnInfo> m_rgColumns;

 private:
  std::vector<ValueClass> m_classes;
  std::vector<size_t> m_firstReadSizes;
  CharDataReader m_reader;
};

}  // namespace orva
