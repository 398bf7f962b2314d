#pragma once
// The statements the object browser writes for the user: SELECT in its short
// and full form, CREATE TABLE from a table's columns and DROP. Every name is
// written as the connection's driver needs it (QuoteIdentifier), so each
// statement runs as generated.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/sqlquote.h"

class QWidget;

namespace orva {

class CDBConnection;

// Where an object lives and how it is called: its database (connections with
// several databases), its owner or schema when that must be written, and its
// name. All texts are GBK.
struct ObjectRef {
  std::string database;
  std::string owner;  // written before the name when not empty
  std::string name;
  std::string catalogOwner = {};  // the owner as the catalog reports it, for exact look-ups
};

// The object as a statement names it, without its database: "name" or
// "owner.name", each part quoted as needed.
std::string ObjectReference(const ObjectRef& object, const IdentifierStyle& style);
// With its database in front ("db..name") when `withDatabase`.
std::string QualifiedReference(const ObjectRef& object, const IdentifierStyle& style, bool withDatabase);

// One row of a table's column catalog.
struct CatalogColumn {
  std::string name;
  int dataType = 0;
  std::string typeName;
  std::int32_t precision = 0;
  std::int32_t length = 0;
  std::optional<int> scale;
  std::optional<int> radix;
  bool nullable = true;
  std::string remarks;
};

// The columns of a table in catalog order, the names matched exactly; nothing
// when the driver has no column catalog. Database errors throw CDBException.
std::optional<std::vector<CatalogColumn>> ReadColumns(CDBConnection& connection, const ObjectRef& object);
// The names of the table's primary-key columns; errors throw CDBException.
std::vector<std::string> ReadPrimaryKeys(CDBConnection& connection, const ObjectRef& object);

// A database error in the error box, its text cut to what the box shows.
void ShowDatabaseError(std::string_view text, QWidget* parent = nullptr);

// The source text of a view, procedure or function: from the server's own
// catalog functions on PostgreSQL, from sp_helptext elsewhere. Errors are
// shown; the text is then empty.
std::string ObjectSource(CDBConnection& connection, const ObjectRef& object, int kind);

// "SELECT * FROM name"; for a procedure (kind 8) just its name.
std::string ShortSelect(int kind, const std::string& reference);
// "SELECT a, b FROM name"; "SELECT * FROM name" without columns.
std::string FullSelect(const std::vector<CatalogColumn>& columns, const std::string& reference,
                       const IdentifierStyle& style);
// The size written after a column's type name: "(n)" for character types,
// "(p, s)" for numeric and decimal, nothing for others or when the type name
// already carries a size.
std::string TypeSuffix(const CatalogColumn& column);
// "CREATE TABLE name (" CR LF, TAB-indented column lines joined by "," CR LF,
// then CR LF ");".
std::string CreateTableScript(const std::vector<CatalogColumn>& columns, const std::string& reference,
                              const IdentifierStyle& style);
// "DROP TABLE name" and the like for kinds 2, 4, 6, 8, 10; empty for others.
std::string DropStatement(int kind, const std::string& qualifiedReference);

}  // namespace orva
