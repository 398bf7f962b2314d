#include "info.h"

namespace orva::odbcengine {

InfoValue GetInfoValue(const Dbc& dbc, SQLUSMALLINT type) {
  if (auto own = ThisDriver().Info(dbc, type)) return *own;
  const ConnectOptions& o = dbc.options;
  const bool connected = dbc.session != nullptr;
  const auto u16 = [](unsigned v) { return InfoValue(static_cast<SQLUSMALLINT>(v)); };
  const auto u32 = [](unsigned long v) { return InfoValue(static_cast<SQLUINTEGER>(v)); };
  const auto text = [](std::string v) { return InfoValue(std::move(v)); };
  switch (type) {
    // Identification of the product and the connection.
    // The driver names the product, itself and its server.
    case SQL_DBMS_NAME:
    case SQL_DBMS_VER:
    case SQL_DRIVER_NAME:
    case SQL_SERVER_NAME: return text("");
    case SQL_DRIVER_VER: return text("01.00.0000");
    case SQL_DRIVER_ODBC_VER: return text("03.00");
    case SQL_DATA_SOURCE_NAME: return text(o.dsn);
    case SQL_USER_NAME: return text(o.user);
    case SQL_DATABASE_NAME: return text(connected ? dbc.session->CurrentCatalog() : std::string());
    case SQL_MULT_RESULT_SETS: return text("N");
    case SQL_PROCEDURES: return text(dbc.IsHidden(SQL_API_SQLPROCEDURES) ? "N" : "Y");
    // Texts of the SQL dialect.
    case SQL_IDENTIFIER_QUOTE_CHAR: return text("\"");
    case SQL_CATALOG_NAME_SEPARATOR: return text(".");
    case SQL_CATALOG_TERM: return text("database");
    case SQL_SCHEMA_TERM: return text("owner");
    case SQL_PROCEDURE_TERM: return text("stored procedure");
    case SQL_TABLE_TERM: return text("table");
    case SQL_SEARCH_PATTERN_ESCAPE: return text("\\");
    case SQL_SPECIAL_CHARACTERS: return text("#$@");
    case SQL_KEYWORDS: return text("");
    case SQL_COLLATION_SEQ: return text("");
    case SQL_XOPEN_CLI_YEAR: return text("1995");
    case SQL_DATA_SOURCE_READ_ONLY:
    case SQL_NEED_LONG_DATA_LEN:
    case SQL_ORDER_BY_COLUMNS_IN_SELECT:
    case SQL_MAX_ROW_SIZE_INCLUDES_LONG:
    case SQL_ROW_UPDATES:
    case SQL_DESCRIBE_PARAMETER:
    case SQL_INTEGRITY:
    case SQL_MULTIPLE_ACTIVE_TXN:
      return text("N");
    case SQL_ACCESSIBLE_TABLES:
    case SQL_ACCESSIBLE_PROCEDURES:
    case SQL_EXPRESSIONS_IN_ORDERBY:
    case SQL_OUTER_JOINS:
    case SQL_COLUMN_ALIAS:
    case SQL_LIKE_ESCAPE_CLAUSE:
    case SQL_CATALOG_NAME:
      return text("Y");
    // Limits and behaviours (16-bit).
    case SQL_MAX_DRIVER_CONNECTIONS:
    case SQL_MAX_CONCURRENT_ACTIVITIES:
    case SQL_ACTIVE_ENVIRONMENTS:
    case SQL_MAX_COLUMNS_IN_GROUP_BY:
    case SQL_MAX_COLUMNS_IN_INDEX:
    case SQL_MAX_COLUMNS_IN_ORDER_BY:
    case SQL_MAX_COLUMNS_IN_SELECT:
    case SQL_MAX_COLUMNS_IN_TABLE:
    case SQL_MAX_TABLES_IN_SELECT:
      return u16(0);
    case SQL_MAX_COLUMN_NAME_LEN:
    case SQL_MAX_TABLE_NAME_LEN:
    case SQL_MAX_CATALOG_NAME_LEN:
    case SQL_MAX_SCHEMA_NAME_LEN:
    case SQL_MAX_PROCEDURE_NAME_LEN:
    case SQL_MAX_CURSOR_NAME_LEN:
    case SQL_MAX_IDENTIFIER_LEN:
      return u16(128);
    case SQL_TXN_CAPABLE: return u16(SQL_TC_ALL);
    // A rollback ends the reads that are open on the connection.
    case SQL_CURSOR_COMMIT_BEHAVIOR: return u16(SQL_CB_PRESERVE);
    case SQL_CURSOR_ROLLBACK_BEHAVIOR: return u16(SQL_CB_CLOSE);
    case SQL_CONCAT_NULL_BEHAVIOR: return u16(SQL_CB_NULL);
    case SQL_IDENTIFIER_CASE: return u16(SQL_IC_MIXED);
    case SQL_QUOTED_IDENTIFIER_CASE: return u16(SQL_IC_MIXED);
    case SQL_NULL_COLLATION: return u16(SQL_NC_LOW);
    case SQL_CATALOG_LOCATION: return u16(SQL_CL_START);
    case SQL_CORRELATION_NAME: return u16(SQL_CN_ANY);
    case SQL_NON_NULLABLE_COLUMNS: return u16(SQL_NNC_NON_NULL);
    case SQL_FILE_USAGE: return u16(SQL_FILE_NOT_SUPPORTED);
    case SQL_GROUP_BY: return u16(SQL_GB_GROUP_BY_CONTAINS_SELECT);
    case SQL_ODBC_API_CONFORMANCE: return u16(SQL_OAC_LEVEL1);
    case SQL_ODBC_SQL_CONFORMANCE: return u16(SQL_OSC_CORE);
    case SQL_ODBC_SAG_CLI_CONFORMANCE: return u16(SQL_OSCC_COMPLIANT);
    // Capabilities (32-bit).
    case SQL_GETDATA_EXTENSIONS: return u32(SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER);
    case SQL_SCROLL_OPTIONS: return u32(SQL_SO_FORWARD_ONLY | SQL_SO_STATIC);
    case SQL_SCROLL_CONCURRENCY: return u32(SQL_SCCO_READ_ONLY);
    case SQL_FETCH_DIRECTION:
      return u32(SQL_FD_FETCH_NEXT | SQL_FD_FETCH_FIRST | SQL_FD_FETCH_LAST | SQL_FD_FETCH_PRIOR |
                 SQL_FD_FETCH_ABSOLUTE | SQL_FD_FETCH_RELATIVE);
    case SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1: return u32(SQL_CA1_NEXT);
    case SQL_STATIC_CURSOR_ATTRIBUTES1: return u32(SQL_CA1_NEXT | SQL_CA1_ABSOLUTE | SQL_CA1_RELATIVE);
    case SQL_STATIC_CURSOR_ATTRIBUTES2: return u32(SQL_CA2_READ_ONLY_CONCURRENCY | SQL_CA2_MAX_ROWS_SELECT);
    case SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES2: return u32(SQL_CA2_READ_ONLY_CONCURRENCY | SQL_CA2_MAX_ROWS_SELECT);
    case SQL_DEFAULT_TXN_ISOLATION:
    case SQL_TXN_ISOLATION_OPTION: return u32(SQL_TXN_SERIALIZABLE);
    case SQL_CATALOG_USAGE:
      return u32(SQL_CU_DML_STATEMENTS | SQL_CU_PROCEDURE_INVOCATION | SQL_CU_TABLE_DEFINITION);
    case SQL_CURSOR_SENSITIVITY: return u32(SQL_INSENSITIVE);
    case SQL_BATCH_SUPPORT:
    case SQL_BATCH_ROW_COUNT: return u32(0);
    case SQL_PARAM_ARRAY_ROW_COUNTS: return u32(SQL_PARC_NO_BATCH);
    case SQL_PARAM_ARRAY_SELECTS: return u32(SQL_PAS_NO_SELECT);
    case SQL_ASYNC_MODE: return u32(SQL_AM_NONE);
    case SQL_ODBC_INTERFACE_CONFORMANCE: return u32(SQL_OIC_CORE);
    case SQL_SQL_CONFORMANCE: return u32(SQL_SC_SQL92_ENTRY);
    case SQL_OJ_CAPABILITIES: return u32(SQL_OJ_LEFT | SQL_OJ_NESTED | SQL_OJ_NOT_ORDERED | SQL_OJ_ALL_COMPARISON_OPS);
    case SQL_UNION: return u32(SQL_U_UNION | SQL_U_UNION_ALL);
    case SQL_ALTER_TABLE: return u32(SQL_AT_ADD_COLUMN);
    case SQL_AGGREGATE_FUNCTIONS:
      return u32(SQL_AF_ALL | SQL_AF_AVG | SQL_AF_COUNT | SQL_AF_DISTINCT | SQL_AF_MAX | SQL_AF_MIN | SQL_AF_SUM);
    case SQL_DYNAMIC_CURSOR_ATTRIBUTES1:
    case SQL_DYNAMIC_CURSOR_ATTRIBUTES2:
    case SQL_KEYSET_CURSOR_ATTRIBUTES1:
    case SQL_KEYSET_CURSOR_ATTRIBUTES2:
    case SQL_POS_OPERATIONS:
    case SQL_POSITIONED_STATEMENTS:
    case SQL_LOCK_TYPES:
    case SQL_STATIC_SENSITIVITY:
    case SQL_BOOKMARK_PERSISTENCE:
    case SQL_SCHEMA_USAGE:
    case SQL_NUMERIC_FUNCTIONS:
    case SQL_STRING_FUNCTIONS:
    case SQL_SYSTEM_FUNCTIONS:
    case SQL_TIMEDATE_FUNCTIONS:
    case SQL_DATETIME_LITERALS:
    case SQL_MAX_STATEMENT_LEN:
    case SQL_MAX_ROW_SIZE:
    case SQL_MAX_CHAR_LITERAL_LEN:
    case SQL_MAX_BINARY_LITERAL_LEN:
    case SQL_MAX_INDEX_SIZE:
    case SQL_MAX_ASYNC_CONCURRENT_STATEMENTS:
    case SQL_INFO_SCHEMA_VIEWS:
    case SQL_SUBQUERIES:
    case SQL_CONVERT_FUNCTIONS:
      return u32(0);
    default:
      throw Fail("HY096", "Information type out of range.");
  }
}

}  // namespace orva::odbcengine
