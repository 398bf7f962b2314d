#pragma once
// The editable rows of one table or view. The set runs "SELECT * FROM" the
// table, builds one typed field per result column and keeps a snapshot of the
// rows as read (texts and NULLs). Edits, new rows and deletions are written
// back as searched statements with bound parameters that can only ever touch
// the one row they were made for: the row is found by its key (or, without
// one, by all its comparable values), each write runs in a transaction that is
// rolled back unless exactly one row changed, and a row whose values changed
// on the server since it was read is never overwritten.

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/recordsetex.h"
#include "db/valuetext.h"

namespace orva {

class CDBConnection;

// How a field holds its value, chosen by the column's SQL type.
enum FieldKind : int {
  kFieldNone = 0,       // not bound
  kFieldBoolean = 1,    // SQL_BIT
  kFieldByte = 2,       // SQL_TINYINT
  kFieldInt16 = 3,      // SQL_SMALLINT (held as a 32-bit integer)
  kFieldInt32 = 4,      // SQL_INTEGER
  kFieldSingle = 5,     // SQL_REAL
  kFieldDouble = 6,     // SQL_FLOAT, SQL_DOUBLE
  kFieldTimestamp = 7,  // SQL_DATE, SQL_TIME, SQL_TIMESTAMP
  kFieldText = 8,       // character, NUMERIC, DECIMAL, BIGINT
  kFieldLong = 9,       // long character and binary data
};

FieldKind FieldKindForSqlType(SQLSMALLINT sqlType);

class TableField {
 public:
  // Forgets the value: NULL, kind kept.
  void Reset();
  // Stores a value parsed from GBK text by the field's kind: integers and
  // floats by their leading number, timestamps from "YYYY-MM-DD[ HH:MM:SS]"
  // or "HH:MM:SS" (fraction 0), texts as they are. Booleans are false for
  // "0", "false", "no", "否" and the empty text, true for anything else. An
  // empty text gives NULL for numbers and timestamps, which have no empty
  // value.
  void SetFromText(std::string_view text);
  void SetNull() { m_bNull = true; }

  FieldKind Kind() const { return m_nKind; }
  void SetKind(FieldKind kind) { m_nKind = kind; }

  FieldKind m_nKind = kFieldNone;
  bool m_bNull = true;
  std::string m_strFieldName;  // unique upper-case name
  bool m_bool = false;
  std::int32_t m_int = 0;  // kinds 2, 3, 4
  double m_double = 0;     // kinds 5, 6
  SQL_TIMESTAMP_STRUCT m_timestamp{};
  std::string m_text;  // kinds 8, 9 (GBK)
};

class CTableRecordset : public CRecordsetEx {
 public:
  // What became of a write.
  enum class WriteResult {
    Written,      // exactly the one row changed
    Changed,      // the row no longer has the values it was read with; it was re-read when it could be
    Deleted,      // the row is gone from the server; it was dropped from the snapshot
    Ambiguous,    // more than one row has the row's values: nothing changed
    NotSafe,      // the row cannot be told apart by any column: nothing written
  };

  explicit CTableRecordset(CDBConnection* connection);
  ~CTableRecordset() override;

  // The table to read and write: "database..name" on connections with
  // databases, otherwise the bare name or "schema.name".
  void SetTable(std::string_view tableName);
  const std::string& GetTable() const { return m_strTable; }
  // The table's name as it is written into SQL, each part quoted as needed.
  std::string QuotedTable() const;

  // Runs the statement, builds the fields and fetches the first row; the
  // rows are then read with ReadSnapshot. Throws CDBException.
  bool OpenTable(std::string_view sql, int openType = snapshot, unsigned options = none);
  // The values of one row: GBK texts, nothing for NULL.
  using RowValues = std::vector<std::optional<std::string>>;
  // The values of a row of the snapshot, valid until the next row is read.
  using RowView = std::vector<std::optional<std::string_view>>;
  // Reads every remaining row into the snapshot, calling `onRow` (when
  // given) with each new row's index and values; `onRow` returns false to
  // stop. The statement is released at the end. Throws CDBException from the
  // fetch.
  void ReadSnapshot(const std::function<bool(long, const RowView&)>& onRow = nullptr);
  // Opens the table again and reads all rows.
  void Requery();

  // Fields.
  int GetFieldCount() const { return static_cast<int>(m_fields.size()); }
  int FindField(std::string_view name) const;  // -1 when none; any letter case
  std::string GetFieldName(int index) const;   // empty when none
  TableField& GetField(int index);
  const ColumnInfo& GetColumn(int index) const { return m_columns.at(static_cast<size_t>(index)); }
  const std::vector<ColumnInfo>& Columns() const { return m_columns; }

  // The snapshot.
  long GetRecordCount() const { return static_cast<long>(m_rows.size()); }
  // The value of a field in a row as read (GBK); nothing for NULL.
  std::optional<std::string> GetRowValue(long row, int field) const;
  // The current row's field as text (NULL gives the empty text). Throws
  // CDBException for a field that does not exist.
  void GetFieldText(int index, std::string& text);
  bool IsFieldNull(int index) const;

  // Moving in the snapshot.
  void MoveFirst() { SetPosition(0); }
  void MoveLast() { SetPosition(GetRecordCount() - 1); }
  void MoveNext() { SetPosition(m_nCurrent + 1); }
  void Move(long rows) { SetPosition(m_nCurrent + rows); }
  void SetPosition(long row);
  long GetPosition() const { return m_nCurrent; }

  // The columns that find a row: the key, else empty.
  const std::vector<int>& KeyFields() const { return m_keyFields; }
  // True when rows can be written safely: the driver binds parameters and
  // a row can be told apart by some column.
  bool CanWrite() const;
  bool CanBindParameters() const { return m_bCanBind; }
  // Writes run in a transaction where the driver has them; without, every
  // write that would change more than one row is refused after counting
  // first. False forces the counting even where transactions exist.
  void UseTransactions(bool use) { m_bUseTransactions = use; }

  // Editing. Edit starts a change of the current row, AddNew a new row; the
  // fields then take the values to write (SetFieldText marks a field
  // changed). Update writes. Delete removes the current row.
  void Edit();
  void AddNew();
  void SetFieldText(int index, std::string_view text);
  // Throws CDBException when the driver refuses the statement; the snapshot
  // is then unchanged.
  WriteResult Update();
  WriteResult Delete();
  // The index of the row an AddNew wrote (the last row of the snapshot).
  long LastWrittenRow() const { return m_nCurrent; }

  // Counters of the statements of the last write, for the curious (tests).
  bool UsedTransaction() const { return m_bUsedTransaction; }

 private:
  struct Param {
    SQLSMALLINT cType = SQL_C_CHAR;
    SQLSMALLINT sqlType = SQL_VARCHAR;
    SQLULEN size = 0;
    SQLSMALLINT scale = 0;
    std::string bytes;  // driver bytes for character data, raw for the others
    SQLLEN indicator = 0;
  };
  using Row = RowValues;

  void BuildFields();
  void FindKey();
  // The comparable fields that find a row in a WHERE clause.
  std::vector<int> ConditionFields() const;
  // " WHERE ..." for the values of a row, adding its parameters.
  std::string Condition(const Row& values, const std::vector<int>& fields, std::vector<Param>& params) const;
  Param TextParam(int field, std::string_view gbk) const;
  Param FieldParam(int field) const;
  // Binds the parameters and executes the statement; throws CDBException.
  void Run(SQLHSTMT stmt, const std::string& sql, std::vector<Param>& params, bool allowNoData);
  // Runs a statement with parameters and returns its row count (-1 when the
  // driver cannot tell).
  long Execute(const std::string& sql, std::vector<Param>& params);
  // Runs a counting statement and returns the count.
  long Count(const std::string& where, std::vector<Param>& params);
  // Runs a write that must change exactly one row (its WHERE is `where`
  // with `whereParams`, empty for an INSERT). Returns the number of rows it
  // would have changed: 1 when written, otherwise nothing was changed.
  long WriteOneRow(const std::string& sql, std::vector<Param>& params, const std::string& where,
                   std::vector<Param>& whereParams);
  // After a write that matched no row: re-reads the current row by its key.
  WriteResult RereadChangedRow(const Row& old);
  // The rows that match a condition (at most two are read).
  std::vector<Row> Select(const std::string& where, std::vector<Param>& params);
  Row ReadRow();
  // Reads the current row of the statement straight into packed form.
  void ReadPackedRow(std::string& packed, RowView& view);
  Row CurrentRow() const;
  Row RowFromFields() const;
  std::string FieldTextForRow(int field) const;

  CDBConnection* m_pConnection;
  std::string m_strTable;
  std::string m_strDatabase;  // before ".." in the table name
  std::string m_strOwner;     // before "." in "schema.name"
  std::string m_strObject;    // the table's own name
  std::vector<TableField> m_fields;
  std::vector<ColumnInfo> m_columns;
  std::map<std::string, int> m_mapNames;
  std::vector<int> m_keyFields;
  // Each row packed into one string: per value a NULL mark, then its length
  // and bytes; a million rows cost little more than their texts.
  std::vector<std::string> m_rows;
  long m_nCurrent = -1;
  enum class EditMode { None, Edit, Add } m_editMode = EditMode::None;
  std::vector<bool> m_dirty;
  CharDataReader m_reader;
  std::string m_value;  // one value converted, reused
  std::vector<std::pair<size_t, size_t>> m_spans;
  size_t m_packedHint = 0;  // the size of the row read last
  std::vector<size_t> m_firstReads;
  bool m_bUsedTransaction = false;
  bool m_bUseTransactions = true;
  bool m_bCanBind = false;
};

}  // namespace orva
