#include "connect_string.h"

#include <odbcinst.h>

#include <cctype>

#include "sql_text.h"

namespace orva::odbcengine {
namespace {

struct FunctionName {
  const char* name;
  SQLUSMALLINT id;
};

constexpr FunctionName kFunctions[] = {
    {"SQLAllocConnect", SQL_API_SQLALLOCCONNECT}, {"SQLAllocEnv", SQL_API_SQLALLOCENV},
    {"SQLAllocHandle", SQL_API_SQLALLOCHANDLE},   {"SQLAllocStmt", SQL_API_SQLALLOCSTMT},
    {"SQLBindCol", SQL_API_SQLBINDCOL},           {"SQLBindParameter", SQL_API_SQLBINDPARAMETER},
    {"SQLCancel", SQL_API_SQLCANCEL},
    {"SQLCloseCursor", SQL_API_SQLCLOSECURSOR},   {"SQLColAttribute", SQL_API_SQLCOLATTRIBUTE},
    {"SQLColumns", SQL_API_SQLCOLUMNS},           {"SQLConnect", SQL_API_SQLCONNECT},
    {"SQLDescribeCol", SQL_API_SQLDESCRIBECOL},   {"SQLDisconnect", SQL_API_SQLDISCONNECT},
    {"SQLDriverConnect", SQL_API_SQLDRIVERCONNECT}, {"SQLEndTran", SQL_API_SQLENDTRAN},
    {"SQLError", SQL_API_SQLERROR},               {"SQLExecDirect", SQL_API_SQLEXECDIRECT},
    {"SQLExecute", SQL_API_SQLEXECUTE},           {"SQLFetch", SQL_API_SQLFETCH},
    {"SQLFetchScroll", SQL_API_SQLFETCHSCROLL},   {"SQLFreeConnect", SQL_API_SQLFREECONNECT},
    {"SQLFreeEnv", SQL_API_SQLFREEENV},           {"SQLFreeHandle", SQL_API_SQLFREEHANDLE},
    {"SQLFreeStmt", SQL_API_SQLFREESTMT},         {"SQLGetConnectAttr", SQL_API_SQLGETCONNECTATTR},
    {"SQLGetConnectOption", SQL_API_SQLGETCONNECTOPTION}, {"SQLGetData", SQL_API_SQLGETDATA},
    {"SQLGetDiagField", SQL_API_SQLGETDIAGFIELD}, {"SQLGetDiagRec", SQL_API_SQLGETDIAGREC},
    {"SQLGetEnvAttr", SQL_API_SQLGETENVATTR},     {"SQLGetFunctions", SQL_API_SQLGETFUNCTIONS},
    {"SQLGetInfo", SQL_API_SQLGETINFO},           {"SQLGetStmtAttr", SQL_API_SQLGETSTMTATTR},
    {"SQLGetStmtOption", SQL_API_SQLGETSTMTOPTION}, {"SQLMoreResults", SQL_API_SQLMORERESULTS},
    {"SQLNumParams", SQL_API_SQLNUMPARAMS},
    {"SQLNumResultCols", SQL_API_SQLNUMRESULTCOLS}, {"SQLPrepare", SQL_API_SQLPREPARE},
    {"SQLPrimaryKeys", SQL_API_SQLPRIMARYKEYS},   {"SQLProcedures", SQL_API_SQLPROCEDURES},
    {"SQLRowCount", SQL_API_SQLROWCOUNT},         {"SQLSetConnectAttr", SQL_API_SQLSETCONNECTATTR},
    {"SQLSpecialColumns", SQL_API_SQLSPECIALCOLUMNS},
    {"SQLSetConnectOption", SQL_API_SQLSETCONNECTOPTION}, {"SQLSetEnvAttr", SQL_API_SQLSETENVATTR},
    {"SQLSetStmtAttr", SQL_API_SQLSETSTMTATTR},   {"SQLSetStmtOption", SQL_API_SQLSETSTMTOPTION},
    {"SQLTables", SQL_API_SQLTABLES},             {"SQLTransact", SQL_API_SQLTRANSACT},
};

}  // namespace

std::string TrimSpace(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

std::map<std::string, std::string> ParseConnectionString(const std::string& text) {
  std::map<std::string, std::string> pairs;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t eq = text.find('=', i);
    const std::size_t semi = text.find(';', i);
    if (eq == std::string::npos || (semi != std::string::npos && semi < eq)) {
      if (semi == std::string::npos) break;
      i = semi + 1;  // a piece without "=" is ignored
      continue;
    }
    std::string key = TrimSpace(text.substr(i, eq - i));
    for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::size_t v = eq + 1;
    std::string value;
    if (v < text.size() && text[v] == '{') {
      const std::size_t close = text.find('}', v + 1);
      value = text.substr(v + 1, close == std::string::npos ? std::string::npos : close - v - 1);
      i = close == std::string::npos ? text.size() : text.find(';', close);
      i = i == std::string::npos ? text.size() : i + 1;
    } else {
      const std::size_t end = semi == std::string::npos ? text.size() : semi;
      value = text.substr(v, end - v);
      i = end + 1;
    }
    if (!key.empty()) pairs.emplace(key, value);
  }
  return pairs;
}

std::string DsnValue(const std::string& dsn, const char* key) {
  char value[1024] = "";
  SQLGetPrivateProfileString(dsn.c_str(), key, "", value, sizeof value, "odbc.ini");
  return value;
}

SQLUSMALLINT FunctionId(const std::string& name) {
  for (const FunctionName& f : kFunctions)
    if (EqualsNoCase(f.name, name)) return f.id;
  return 0;
}

bool DriverImplements(SQLUSMALLINT id) {
  for (const FunctionName& f : kFunctions)
    if (f.id == id) return true;
  return false;
}

}  // namespace orva::odbcengine
