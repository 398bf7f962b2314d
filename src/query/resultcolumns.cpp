#include "query/resultcolumns.h"

#include <sqlext.h>

#include <algorithm>

namespace orva {

int ResultColumnWidth(const ColumnInfo& column) {
  const std::uint32_t size = column.m_nPrecision;
  int width = size < 5 ? 40 : size >= 20 ? 160 : static_cast<int>(size) * 8;
  switch (column.m_nSQLType) {
    case 9:  // SQL_DATE / SQL_DATETIME
    case SQL_BIT:
      width = 80;
      break;
    case 10:  // SQL_TIME
    case 11:  // SQL_TIMESTAMP
      width = 150;
      break;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR:
      width = 60;
      break;
    default:
      // Numbers get 80; character types and the ODBC 3 date codes keep the
      // size width.
      if (IsNumericColumn(column)) width = 80;
      break;
  }
  return std::max(width, 10 * static_cast<int>(column.m_strName.size()));
}

bool IsNumericColumn(const ColumnInfo& column) {
  switch (column.m_nSQLType) {
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
    case SQL_TINYINT:
    case SQL_BIGINT:
      return true;
    default:
      return false;
  }
}

}  // namespace orva
