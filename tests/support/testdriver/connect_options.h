#pragma once
// Connection strings of the test driver: KEY=value pairs separated by ";",
// values optionally in braces. Keys: DRIVER, DSN, FOLDER, DBMS, DATABASE,
// MULTRESULTS (Y/N), HIDE (function names separated by ","), NOTOTAL (Y/N),
// UID, PWD. A DSN supplies the keys the string leaves out.

#include <map>
#include <string>

#include "odbcengine/handles.h"

namespace orva::testdriver {

using namespace orva::odbcengine;

// What the test driver's own keys ask for.
struct ServerOptions {
  std::string folder;
  std::string dbms = "Microsoft SQL Server";
  std::string database = "master";
  bool multipleResults = true;
};

// Options from the pairs (and the DSN's entries in odbc.ini for missing
// keys); the keys every driver reads go to generic. Raises DriverError for a
// bad value.
ServerOptions ResolveOptions(std::map<std::string, std::string> pairs, ConnectOptions& generic);

}  // namespace orva::testdriver
