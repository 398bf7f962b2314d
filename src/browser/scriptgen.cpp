#include "browser/scriptgen.h"

#include <sqlext.h>

#include "browser/schemanode.h"
#include "db/catalog.h"
#include "db/dbconnection.h"
#include "db/dbexception.h"
#include "db/recordsetex.h"
#include "platform/codec.h"
#include "platform/messagebox.h"
#include "platform/resource_ids.h"

namespace orva {
namespace {

CatalogFilter Optional(const std::string& text) {
  return text.empty() ? CatalogFilter() : CatalogFilter(text);
}

const std::string& CatalogOwner(const ObjectRef& object) {
  return object.catalogOwner.empty() ? object.owner : object.catalogOwner;
}

}  // namespace

bool ObjectCommandEnabled(int commandId, int kind) {
  switch (commandId) {
    case ID_OBJECT_DROP:
    case ID_OBJECT_PROPERTIES:
      return IsItemKind(kind);
    case ID_OBJECT_REFRESH:
      return kind != NodeNone && !IsItemKind(kind);
    case ID_OBJECT_OPEN:
    case ID_OBJECT_SELECT_SHORT:
    case ID_OBJECT_SELECT_FULL:
      return kind == NodeTable || kind == NodeView;
    case ID_OBJECT_CREATE_TABLE:
      return kind == NodeTable;
    default:
      return false;
  }
}

std::string ObjectReference(const ObjectRef& object, const IdentifierStyle& style) {
  return QuoteQualifiedName(object.owner, object.name, style);
}

std::string QualifiedReference(const ObjectRef& object, const IdentifierStyle& style, bool withDatabase) {
  std::string reference = ObjectReference(object, style);
  if (!withDatabase || object.database.empty()) return reference;
  // "db..name" reaches the object through its owner's default; with an owner
  // it is "db.owner.name".
  return QuoteIdentifier(object.database, style) + (object.owner.empty() ? ".." : ".") + reference;
}

std::optional<std::vector<CatalogColumn>> ReadColumns(CDBConnection& connection, const ObjectRef& object) {
  CColumnCatalog catalog(connection.GetDatabase());
  if (!catalog.Open(Optional(object.database), Optional(CatalogOwner(object)), object.name, std::nullopt))
    return std::nullopt;
  std::vector<CatalogColumn> columns;
  for (; !catalog.IsEOF(); catalog.MoveNext()) {
    CatalogColumn& column = columns.emplace_back();
    column.name = catalog.m_strColumnName;
    column.dataType = catalog.m_nDataType;
    column.typeName = catalog.m_strTypeName;
    column.precision = catalog.m_nPrecision;
    column.length = catalog.m_nLength;
    if (!catalog.IsFieldNull(CColumnCatalog::kScaleField)) column.scale = catalog.m_nScale;
    if (!catalog.IsFieldNull(CColumnCatalog::kRadixField)) column.radix = catalog.m_nRadix;
    column.nullable = catalog.m_nNullable != 0;
    column.remarks = catalog.m_strRemarks;
  }
  return columns;
}

std::vector<std::string> ReadPrimaryKeys(CDBConnection& connection, const ObjectRef& object) {
  std::vector<std::string> keys;
  CPrimaryKeyCatalog catalog(connection.GetDatabase());
  if (!catalog.Open(Optional(object.database), Optional(CatalogOwner(object)), object.name)) return keys;
  for (; !catalog.IsEOF(); catalog.MoveNext()) keys.push_back(catalog.m_strColumnName);
  return keys;
}

void ShowDatabaseError(std::string_view text, QWidget* parent) {
  ShowErrorBoxGbk(CutAtCharBoundary(text, 511), parent);
}

std::string ObjectSource(CDBConnection& connection, const ObjectRef& object, int kind) {
  const std::string reference = ObjectReference(object, connection.GetIdentifierStyle());
  if (!connection.GetDbmsName().starts_with("PostgreSQL")) return connection.GetProcedureText(reference);
  const std::string& schema = CatalogOwner(object);
  const std::string sql =
      kind == NodeView
          ? "SELECT 'CREATE OR REPLACE VIEW ' || " + QuoteLiteral(reference) + " || ' AS' || chr(10) || pg_get_viewdef(" +
                QuoteLiteral(reference) + "::regclass, true)"
          : "SELECT pg_get_functiondef(p.oid) FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace "
            "WHERE p.proname = " + QuoteLiteral(object.name) + " AND n.nspname = " +
                (schema.empty() ? std::string("current_schema()") : QuoteLiteral(schema)) + " ORDER BY p.oid";
  std::string text;
  CRecordsetEx* set = nullptr;
  try {
    if (connection.OpenResultSet(sql, set) == 1) {
      std::string part;
      for (; !set->IsEOF(); set->MoveNext()) {
        set->GetFieldText(0, part);
        if (!text.empty()) text += "\n";
        text += part;
      }
    }
  } catch (const CDBException& error) {
    ShowDatabaseError(error.m_strError);
  }
  CDBConnection::CloseResultSet(set);
  return text;
}

std::string ShortSelect(int kind, const std::string& reference) {
  if (kind == NodeProcedure) return reference;
  return "SELECT * FROM " + reference;
}

std::string FullSelect(const std::vector<CatalogColumn>& columns, const std::string& reference,
                       const IdentifierStyle& style) {
  if (columns.empty()) return "SELECT * FROM " + reference;
  std::string list;
  for (const CatalogColumn& column : columns) {
    if (!list.empty()) list += ", ";
    list += QuoteIdentifier(column.name, style);
  }
  return "SELECT " + list + " FROM " + reference;
}

std::string TypeSuffix(const CatalogColumn& column) {
  // Some drivers report the declared type with its size ("varchar(20)").
  if (column.typeName.find('(') != std::string::npos) return {};
  switch (column.dataType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR: {
      // The size in characters; LENGTH counts bytes, twice the characters for
      // wide types, and would double the column on every round trip.
      const std::int32_t size = column.precision > 0 ? column.precision : column.length;
      return size > 0 ? "(" + std::to_string(size) + ")" : std::string();
    }
    case SQL_NUMERIC:
    case SQL_DECIMAL:
      return "(" + std::to_string(column.precision) + ", " + std::to_string(column.scale.value_or(0)) + ")";
    default:
      return {};
  }
}

std::string CreateTableScript(const std::vector<CatalogColumn>& columns, const std::string& reference,
                              const IdentifierStyle& style) {
  std::string text = "CREATE TABLE " + reference + " (\r\n";
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const CatalogColumn& column = columns[i];
    if (i > 0) text += ",\r\n";
    text += "\t" + QuoteIdentifier(column.name, style) + " " + column.typeName + TypeSuffix(column) +
            (column.nullable ? " NULL" : " NOT NULL");
  }
  text += "\r\n);";
  return text;
}

std::string DropStatement(int kind, const std::string& qualifiedReference) {
  const char* keyword = nullptr;
  switch (kind) {
    case NodeDatabase: keyword = "DATABASE "; break;
    case NodeTable: keyword = "TABLE "; break;
    case NodeView: keyword = "VIEW "; break;
    case NodeProcedure: keyword = "PROCEDURE "; break;
    case NodeFunction: keyword = "FUNCTION "; break;
    default: return {};
  }
  return std::string("DROP ") + keyword + qualifiedReference;
}

}  // namespace orva
