#pragma once
// Connection strings of the test driver: KEY=value pairs separated by ";",
// values optionally in braces. Keys: DRIVER, DSN, FOLDER, DBMS, DATABASE,
// MULTRESULTS (Y/N), HIDE (function names separated by ","), NOTOTAL (Y/N),
// UID, PWD. A DSN supplies the keys the string leaves out.

#include <map>
#include <string>

#include "handles.h"

namespace orva::testdriver {

// Pairs of a connection string, keys in upper case; later pairs do not
// replace earlier ones.
std::map<std::string, std::string> ParseConnectionString(const std::string& text);

// Options from the pairs (and the DSN's entries in odbc.ini for missing keys).
// Raises DriverError for a bad value.
ConnectOptions ResolveOptions(std::map<std::string, std::string> pairs);

// SQLGetFunctions id of an ODBC function name ("SQLCancel"), 0 when unknown.
SQLUSMALLINT FunctionId(const std::string& name);

// Whether the driver implements a function (before hiding).
bool DriverImplements(SQLUSMALLINT id);

}  // namespace orva::testdriver
