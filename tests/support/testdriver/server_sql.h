#pragma once
// The server commands the test driver answers itself and the
// database-qualified names it maps onto attached SQLite schemas.

#include <functional>
#include <string>
#include <string_view>

#include "odbcengine/sql_text.h"

namespace orva::testdriver {

using namespace orva::odbcengine;

// A name as written: name, owner.name, db..name or db.owner.name.
struct ObjectName {
  std::string database;  // empty when not qualified with a database
  std::string name;
};

enum class CommandKind {
  Sql,             // passed to SQLite after rewriting qualified names
  Use,             // use <db>
  HelpText,        // sp_helptext <name>
  CreateDatabase,  // create database <db>
  DropDatabase,    // drop database <db>
  CreateRoutine,   // create procedure|function <name> ...
  DropRoutine,     // drop procedure|function <name>
};

struct Command {
  CommandKind kind = CommandKind::Sql;
  ObjectName object;        // the name the command acts on
  std::string routineType;  // "P", "FN", "IF" or "TF" for routines
};

// Recognises the server commands; everything else is CommandKind::Sql.
// Raises DriverError for a recognised command with a missing name.
Command ClassifyStatement(std::string_view statement);

// Replaces each db..name and db.dbo.name by what map returns for (database,
// object name, object token as written). Other text is kept as it is.
using QualifiedNameMap =
    std::function<std::string(const std::string& database, const std::string& object,
                              std::string_view objectToken)>;
std::string RewriteQualifiedNames(std::string_view sql, const QualifiedNameMap& map);

}  // namespace orva::testdriver
