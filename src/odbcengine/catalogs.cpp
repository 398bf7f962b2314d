#include "catalogs.h"

#include <algorithm>

#include "sql_text.h"
#include "type_map.h"

namespace orva::odbcengine {
namespace {

bool Matches(const OptText& pattern, const std::string& text) {
  return !pattern || pattern->empty() || MatchesPattern(text, *pattern);
}

// Whether an owner argument selects the session's owner (any owner when the
// driver has none).
bool OwnerMatches(DriverSession& session, const OptText& owner) {
  const auto name = session.OwnerName();
  return name ? Matches(owner, *name) : true;
}

Value OwnerValue(DriverSession& session) {
  const auto name = session.OwnerName();
  return name ? Value(*name) : Value();
}

// Leading catalog and owner columns, named for the ODBC version.
std::vector<ColumnInfo> QualifierColumns(const char* prefix3, const char* prefix2, int odbcVersion) {
  const bool v2 = odbcVersion == SQL_OV_ODBC2;
  return {TextColumn(std::string(v2 ? prefix2 : prefix3) + (v2 ? "_QUALIFIER" : "_CAT")),
          TextColumn(std::string(v2 ? prefix2 : prefix3) + (v2 ? "_OWNER" : "_SCHEM"))};
}

// COLUMN_SIZE, BUFFER_LENGTH and DECIMAL_DIGITS, named for the ODBC version.
void AddSizeColumns(std::vector<ColumnInfo>& columns, bool v2) {
  columns.push_back(IntegerColumn(v2 ? "PRECISION" : "COLUMN_SIZE"));
  columns.push_back(IntegerColumn(v2 ? "LENGTH" : "BUFFER_LENGTH"));
  columns.push_back(SmallIntColumn(v2 ? "SCALE" : "DECIMAL_DIGITS"));
}

Value Text(const std::string& s) { return s; }
Value Int(std::int64_t i) { return i; }

struct TableEntry {
  std::string name;
  std::string type;  // TABLE or VIEW
};

std::vector<TableEntry> TablesOf(DriverSession& session, const std::string& schema) {
  auto rows = QueryRows(session.CatalogHandle(),
                        "SELECT CASE type WHEN 'table' THEN 'TABLE' ELSE 'VIEW' END, name FROM " +
                            QuoteIdentifier(schema) +
                            ".sqlite_master WHERE type IN ('table','view') AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
                            "ORDER BY 1, 2");
  std::vector<TableEntry> out;
  for (auto& row : rows)
    if (!session.IsHiddenTable(std::get<std::string>(row[1])))
      out.push_back({std::get<std::string>(row[1]), std::get<std::string>(row[0])});
  return out;
}

// Table types asked for: "'TABLE','VIEW'" -> {TABLE, VIEW}; empty: all.
std::vector<std::string> ParseTypes(const OptText& types) {
  std::vector<std::string> out;
  if (!types) return out;
  std::string current;
  auto flush = [&] {
    std::string t;
    for (char c : current)
      if (c != '\'' && c != ' ') t += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (!t.empty()) out.push_back(t);
    current.clear();
  };
  for (char c : *types) {
    if (c == ',') flush();
    else current += c;
  }
  flush();
  return out;
}

bool IsEmpty(const OptText& t) { return !t || t->empty(); }

}  // namespace

Result CatalogTables(DriverSession& session, const OptText& catalog, const OptText& owner, const OptText& table,
                     const OptText& types, int odbcVersion) {
  std::vector<ColumnInfo> columns = QualifierColumns("TABLE", "TABLE", odbcVersion);
  columns.push_back(TextColumn("TABLE_NAME"));
  columns.push_back(TextColumn("TABLE_TYPE"));
  columns.push_back(TextColumn("REMARKS", 254));
  std::vector<std::vector<Value>> rows;
  // The special enumerations of catalogs, owners and table types.
  if (catalog && *catalog == "%" && IsEmpty(owner) && IsEmpty(table)) {
    for (const std::string& db : session.CatalogNames()) rows.push_back({Text(db), {}, {}, {}, {}});
    return TableResult(std::move(columns), std::move(rows));
  }
  if (owner && *owner == "%" && IsEmpty(catalog) && IsEmpty(table)) {
    if (session.OwnerName()) rows.push_back({{}, OwnerValue(session), {}, {}, {}});
    return TableResult(std::move(columns), std::move(rows));
  }
  if (types && *types == "%" && IsEmpty(catalog) && IsEmpty(owner) && IsEmpty(table)) {
    rows.push_back({{}, {}, {}, Text("TABLE"), {}});
    rows.push_back({{}, {}, {}, Text("VIEW"), {}});
    return TableResult(std::move(columns), std::move(rows));
  }
  const auto schema = session.SchemaOfCatalog(catalog);
  if (schema && OwnerMatches(session, owner)) {
    const std::vector<std::string> wanted = ParseTypes(types);
    const std::string database = session.CatalogOfSchema(*schema);
    for (const TableEntry& t : TablesOf(session, *schema)) {
      if (!Matches(table, t.name)) continue;
      if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), t.type) == wanted.end()) continue;
      rows.push_back({Text(database), OwnerValue(session), Text(t.name), Text(t.type), {}});
    }
  }
  return TableResult(std::move(columns), std::move(rows));
}

Result CatalogColumns(DriverSession& session, const OptText& catalog, const OptText& owner, const OptText& table,
                      const OptText& column, int odbcVersion) {
  const bool v2 = odbcVersion == SQL_OV_ODBC2;
  std::vector<ColumnInfo> columns = QualifierColumns("TABLE", "TABLE", odbcVersion);
  columns.push_back(TextColumn("TABLE_NAME", 128, SQL_NO_NULLS));
  columns.push_back(TextColumn("COLUMN_NAME", 128, SQL_NO_NULLS));
  columns.push_back(SmallIntColumn("DATA_TYPE", SQL_NO_NULLS));
  columns.push_back(TextColumn("TYPE_NAME", 128, SQL_NO_NULLS));
  AddSizeColumns(columns, v2);
  columns.push_back(SmallIntColumn(v2 ? "RADIX" : "NUM_PREC_RADIX"));
  columns.push_back(SmallIntColumn("NULLABLE", SQL_NO_NULLS));
  columns.push_back(TextColumn("REMARKS", 254));
  columns.push_back(TextColumn("COLUMN_DEF", 254));
  columns.push_back(SmallIntColumn("SQL_DATA_TYPE", SQL_NO_NULLS));
  columns.push_back(SmallIntColumn("SQL_DATETIME_SUB"));
  columns.push_back(IntegerColumn("CHAR_OCTET_LENGTH"));
  columns.push_back(IntegerColumn("ORDINAL_POSITION", SQL_NO_NULLS));
  columns.push_back(TextColumn("IS_NULLABLE", 254));
  std::vector<std::vector<Value>> rows;
  const auto schema = session.SchemaOfCatalog(catalog);
  if (!schema || !OwnerMatches(session, owner)) return TableResult(std::move(columns), std::move(rows));
  const std::string database = session.CatalogOfSchema(*schema);
  for (const TableEntry& t : TablesOf(session, *schema)) {
    if (!Matches(table, t.name)) continue;
    auto info = QueryRows(session.CatalogHandle(),
                          "PRAGMA " + QuoteIdentifier(*schema) + ".table_info(" + QuoteIdentifier(t.name) + ")");
    for (auto& c : info) {
      // cid, name, type, notnull, dflt_value, pk
      const std::string name = std::get<std::string>(c[1]);
      if (!Matches(column, name)) continue;
      ColumnInfo type;
      const auto* declared = std::get_if<std::string>(&c[2]);
      DescribeDeclaredType(declared ? *declared : "", type);
      const bool notNull = std::get<std::int64_t>(c[3]) != 0 || std::get<std::int64_t>(c[5]) != 0;
      const bool isDate = type.type == SQL_TYPE_DATE || type.type == SQL_TYPE_TIME || type.type == SQL_TYPE_TIMESTAMP;
      const bool hasOctets = IsCharacterType(type.type) || IsBinaryType(type.type);
      rows.push_back({Text(database), OwnerValue(session), Text(t.name), Text(name),
                      Int(ReportedType(type.type, odbcVersion)), Text(type.typeName),
                      Int(static_cast<std::int64_t>(type.size)), Int(type.octetLength),
                      type.hasScale ? Int(type.scale) : Value{}, type.radix ? Int(type.radix) : Value{},
                      Int(notNull ? SQL_NO_NULLS : SQL_NULLABLE), {}, c[4],
                      Int(isDate ? SQL_DATETIME : type.type),
                      isDate ? Int(type.type - SQL_TYPE_DATE + SQL_CODE_DATE) : Value{},
                      hasOctets ? Int(type.octetLength) : Value{}, Int(std::get<std::int64_t>(c[0]) + 1),
                      Text(notNull ? "NO" : "YES")});
    }
  }
  return TableResult(std::move(columns), std::move(rows));
}

Result CatalogPrimaryKeys(DriverSession& session, const OptText& catalog, const OptText& owner, const std::string& table,
                          int odbcVersion) {
  std::vector<ColumnInfo> columns = QualifierColumns("TABLE", "TABLE", odbcVersion);
  columns.push_back(TextColumn("TABLE_NAME", 128, SQL_NO_NULLS));
  columns.push_back(TextColumn("COLUMN_NAME", 128, SQL_NO_NULLS));
  columns.push_back(SmallIntColumn("KEY_SEQ", SQL_NO_NULLS));
  columns.push_back(TextColumn("PK_NAME"));
  std::vector<std::vector<Value>> rows;
  const auto schema = session.SchemaOfCatalog(catalog);
  if (!schema || (owner && !owner->empty() && session.OwnerName() && !EqualsNoCase(*owner, *session.OwnerName())))
    return TableResult(std::move(columns), std::move(rows));
  const std::string database = session.CatalogOfSchema(*schema);
  for (const TableEntry& t : TablesOf(session, *schema)) {
    if (t.type != "TABLE" || !EqualsNoCase(t.name, table)) continue;
    auto info = QueryRows(session.CatalogHandle(),
                          "PRAGMA " + QuoteIdentifier(*schema) + ".table_info(" + QuoteIdentifier(t.name) + ")");
    std::sort(info.begin(), info.end(),
              [](const auto& a, const auto& b) { return std::get<std::int64_t>(a[5]) < std::get<std::int64_t>(b[5]); });
    for (auto& c : info) {
      const std::int64_t seq = std::get<std::int64_t>(c[5]);
      if (seq > 0) rows.push_back({Text(database), OwnerValue(session), Text(t.name), c[1], Int(seq), Text("PK_" + t.name)});
    }
  }
  return TableResult(std::move(columns), std::move(rows));
}

Result CatalogSpecialColumns(DriverSession& session, const OptText& catalog, const OptText& owner,
                             const std::string& table, SQLUSMALLINT identifierType, int odbcVersion) {
  const bool v2 = odbcVersion == SQL_OV_ODBC2;
  std::vector<ColumnInfo> columns;
  columns.push_back(SmallIntColumn("SCOPE"));
  columns.push_back(TextColumn("COLUMN_NAME", 128, SQL_NO_NULLS));
  columns.push_back(SmallIntColumn("DATA_TYPE", SQL_NO_NULLS));
  columns.push_back(TextColumn("TYPE_NAME", 128, SQL_NO_NULLS));
  AddSizeColumns(columns, v2);
  columns.push_back(SmallIntColumn("PSEUDO_COLUMN"));
  std::vector<std::vector<Value>> rows;
  const auto schema = session.SchemaOfCatalog(catalog);
  if (identifierType != SQL_BEST_ROWID || !schema || !OwnerMatches(session, owner))
    return TableResult(std::move(columns), std::move(rows));
  sqlite3* db = session.CatalogHandle();
  const auto found = QueryRows(db,
                               "SELECT name, sql FROM " + QuoteIdentifier(*schema) +
                                   ".sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE",
                               {table});
  if (found.empty() || session.IsHiddenTable(std::get<std::string>(found[0][0])))
    return TableResult(std::move(columns), std::move(rows));
  const std::string name = std::get<std::string>(found[0][0]);
  const auto* ddl = std::get_if<std::string>(&found[0][1]);
  if (ddl && IsWord(Significant(*ddl), 1, "virtual")) return TableResult(std::move(columns), std::move(rows));

  auto info = QueryRows(db, "PRAGMA " + QuoteIdentifier(*schema) + ".table_info(" + QuoteIdentifier(name) + ")");
  std::sort(info.begin(), info.end(),
            [](const auto& a, const auto& b) { return std::get<std::int64_t>(a[5]) < std::get<std::int64_t>(b[5]); });
  std::vector<const std::vector<Value>*> key;
  for (const auto& c : info)
    if (std::get<std::int64_t>(c[5]) > 0) key.push_back(&c);
  auto add = [&](const std::string& column, const std::string& declared, SQLSMALLINT pseudo) {
    ColumnInfo type;
    DescribeDeclaredType(declared, type);
    rows.push_back({Int(SQL_SCOPE_SESSION), Text(column), Int(ReportedType(type.type, odbcVersion)), Text(type.typeName),
                    Int(static_cast<std::int64_t>(type.size)), Int(type.octetLength),
                    type.hasScale ? Int(type.scale) : Value{}, Int(pseudo)});
  };
  auto declaredOf = [](const std::vector<Value>& c) {
    const auto* d = std::get_if<std::string>(&c[2]);
    return d ? *d : std::string();
  };
  // Only a rowid table has the pseudo column; asking for it fails otherwise.
  bool hasRowid = true;
  try {
    QueryRows(db, "SELECT rowid FROM " + QuoteIdentifier(*schema) + "." + QuoteIdentifier(name) + " LIMIT 0");
  } catch (const DriverError&) {
    hasRowid = false;
  }
  if (key.size() == 1 && hasRowid && EqualsNoCase(declaredOf(*key[0]), "integer")) {
    add(std::get<std::string>((*key[0])[1]), "integer", SQL_PC_NOT_PSEUDO);
  } else if (hasRowid) {
    // The first of SQLite's names for the rowid that no column takes.
    for (const char* alias : {"rowid", "_rowid_", "oid"}) {
      const bool taken = std::any_of(info.begin(), info.end(),
                                     [&](const auto& c) { return EqualsNoCase(std::get<std::string>(c[1]), alias); });
      if (taken) continue;
      add(alias, "bigint", SQL_PC_PSEUDO);
      break;
    }
  }
  if (rows.empty())
    for (const auto* c : key) add(std::get<std::string>((*c)[1]), declaredOf(*c), SQL_PC_NOT_PSEUDO);
  return TableResult(std::move(columns), std::move(rows));
}

Result CatalogProcedures(DriverSession& session, const OptText& catalog, const OptText& owner, const OptText& procedure,
                         int odbcVersion) {
  std::vector<ColumnInfo> columns = QualifierColumns("PROCEDURE", "PROCEDURE", odbcVersion);
  columns.push_back(TextColumn("PROCEDURE_NAME", 134, SQL_NO_NULLS));
  columns.push_back(IntegerColumn("NUM_INPUT_PARAMS"));
  columns.push_back(IntegerColumn("NUM_OUTPUT_PARAMS"));
  columns.push_back(IntegerColumn("NUM_RESULT_SETS"));
  columns.push_back(TextColumn("REMARKS", 254));
  columns.push_back(SmallIntColumn("PROCEDURE_TYPE"));
  std::vector<std::vector<Value>> rows;
  const auto schema = session.SchemaOfCatalog(catalog);
  if (!schema || !OwnerMatches(session, owner)) return TableResult(std::move(columns), std::move(rows));
  const std::string database = session.CatalogOfSchema(*schema);
  for (const CatalogRoutine& r : session.Routines(*schema)) {
    const std::string& name = r.name;
    if (!Matches(procedure, name)) continue;
    const bool isProcedure = r.isProcedure;
    // Procedures carry their group number, as multi-database servers report them.
    rows.push_back({Text(database), OwnerValue(session), Text(name + (isProcedure ? ";1" : ";0")), Int(-1), Int(-1), Int(-1),
                    {}, Int(isProcedure ? SQL_PT_PROCEDURE : SQL_PT_FUNCTION)});
  }
  return TableResult(std::move(columns), std::move(rows));
}

}  // namespace orva::odbcengine
