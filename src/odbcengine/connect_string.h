#pragma once
// Connection strings: KEY=value pairs separated by ";", values optionally in
// braces; the entries of a DSN in odbc.ini; the ODBC functions the engine
// implements.

#include <sql.h>
#include <sqlext.h>

#include <map>
#include <string>

namespace orva::odbcengine {

// Pairs of a connection string, keys in upper case; later pairs do not
// replace earlier ones.
std::map<std::string, std::string> ParseConnectionString(const std::string& text);

// The value of key under the data source dsn in odbc.ini ("" when none).
std::string DsnValue(const std::string& dsn, const char* key);

// Leading and trailing white space removed.
std::string TrimSpace(const std::string& text);

// SQLGetFunctions id of an ODBC function name ("SQLCancel"), 0 when unknown.
SQLUSMALLINT FunctionId(const std::string& name);

// Whether the engine implements a function (before a driver hides it).
bool DriverImplements(SQLUSMALLINT id);

}  // namespace orva::odbcengine
