#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <ctime>
#include <set>

#include "dbf_reader.h"
#include "export/dbfwriter.h"
#include "export/safefile.h"
#include "platform/codec.h"
#include "test_env.h"

namespace orva {
namespace {

using test::DbfTable;

class DbfWriterTest : public ::testing::Test {
 protected:
  std::string PathOf(const char* name) const { return QDir(m_dir.path()).filePath(name).toStdString(); }

  // Parses a written file, failing the test when it is malformed.
  DbfTable ReadBack(const std::string& path) {
    DbfTable table;
    std::string reason;
    EXPECT_TRUE(test::ParseDbf(test::ReadFileBytes(path), table, reason)) << reason;
    return table;
  }

  struct FieldDef {
    std::string name;
    char type;
    std::uint16_t width;
  };
  using Rows = std::vector<std::vector<std::string>>;

  // Writes the rows into a table of the given fields in the calling order the
  // result saver uses, and reads the file back.
  DbfTable WriteTable(const char* file, const std::vector<FieldDef>& fields, const Rows& rows) {
    std::string path = PathOf(file);
    CDbfWriter writer;
    writer.Init(static_cast<std::uint32_t>(rows.size()), static_cast<int>(fields.size()));
    for (std::size_t i = 0; i < fields.size(); ++i)
      writer.DefineField(static_cast<int>(i), fields[i].name, fields[i].type, fields[i].width);
    EXPECT_TRUE(writer.Open(path));
    EXPECT_TRUE(writer.WriteHeader());
    for (const std::vector<std::string>& row : rows) {
      for (std::size_t i = 0; i < row.size(); ++i) writer.SetFieldValue(static_cast<int>(i), row[i]);
      EXPECT_TRUE(writer.WriteRecord());
    }
    EXPECT_TRUE(writer.Close());
    return ReadBack(path);
  }

  // One field of the given definition, one record holding `value`; returns
  // the raw bytes of that cell.
  std::string WriteOneCell(char type, std::uint16_t width, std::string_view value) {
    DbfTable table = WriteTable("cell.dbf", {{"v", type, width}}, {{std::string(value)}});
    return table.records.size() == 1 ? table.Cell(0, 0) : std::string("no record");
  }

  QTemporaryDir m_dir;
};

std::string Padded(std::string text, std::size_t width) {
  text.resize(width, '\0');
  return text;
}

TEST_F(DbfWriterTest, HeaderAndDescriptorsOfACharacterAndANumericField) {
  std::time_t before = std::time(nullptr);
  DbfTable table = WriteTable("two.dbf", {{"name", 'C', 10}, {"price", 'N', CDbfWriter::NumericWidth(8, 2)}},
                              {{"item", "1.5"}, {"item", "22.25"}});
  std::time_t after = std::time(nullptr);

  EXPECT_EQ(table.version, 3);
  EXPECT_EQ(table.recordCount, 2u);
  EXPECT_EQ(table.headerLength, 97);
  EXPECT_EQ(table.recordLength, 19);
  EXPECT_EQ(table.reserved, std::vector<std::uint8_t>(20, 0));
  EXPECT_TRUE(table.headerEndMarked);
  ASSERT_EQ(table.fields.size(), 2u);
  EXPECT_EQ(table.fields[0].name, "NAME");
  EXPECT_EQ(table.fields[0].type, 'C');
  EXPECT_EQ(table.fields[0].offset, 1);
  EXPECT_EQ(table.fields[1].name, "PRICE");
  EXPECT_EQ(table.fields[1].type, 'N');
  EXPECT_EQ(table.fields[1].offset, 11);
  EXPECT_EQ(table.fields[1].raw[16], 8);
  EXPECT_EQ(table.fields[1].raw[17], 2);
  for (const test::DbfField& field : table.fields) {
    EXPECT_EQ(field.raw[14], 0);
    EXPECT_EQ(field.raw[15], 0);
    for (int i = 18; i < 32; ++i) EXPECT_EQ(field.raw[static_cast<std::size_t>(i)], 0) << i;
  }

  // The date of writing is today's UTC date (either side of a midnight).
  bool dateMatches = false;
  for (std::time_t t : {before, after}) {
    std::tm utc{};
    gmtime_r(&t, &utc);
    dateMatches |= table.year == utc.tm_year % 100 && table.month == utc.tm_mon + 1 && table.day == utc.tm_mday;
  }
  EXPECT_TRUE(dateMatches) << table.year << "-" << table.month << "-" << table.day;

  ASSERT_EQ(table.records.size(), 2u);
  EXPECT_EQ(table.trailingBytes, 0u);  // no end-of-file byte
  EXPECT_EQ(table.records[0][0], ' ');
  EXPECT_EQ(table.Cell(0, 0), Padded("item", 10));
  EXPECT_EQ(table.Cell(0, 1), Padded("1.50", 8));
  EXPECT_EQ(table.Cell(1, 1), Padded("22.25", 8));
}

TEST_F(DbfWriterTest, WideCharacterFieldStoresItsWidthAsTwoBytes) {
  DbfTable table = WriteTable("wide.dbf", {{"memo", 'C', 300}, {"d", 'D', 8}}, {});
  ASSERT_EQ(table.fields.size(), 2u);
  EXPECT_EQ(table.fields[0].raw[16], 0x2C);
  EXPECT_EQ(table.fields[0].raw[17], 0x01);
  EXPECT_EQ(table.fields[1].raw[16], 8);
  EXPECT_EQ(table.fields[1].raw[17], 0);
  EXPECT_EQ(table.fields[1].offset, 301);
  EXPECT_EQ(table.recordLength, 309);
}

TEST_F(DbfWriterTest, ZeroRowsGiveOnlyHeaderDescriptorsAndEndMark) {
  DbfTable table =
      WriteTable("empty.dbf", {{"a", 'C', 5}, {"b", 'N', CDbfWriter::NumericWidth(4, 0)}, {"c", 'D', 8}}, {});
  std::vector<std::uint8_t> bytes = test::ReadFileBytes(PathOf("empty.dbf"));
  ASSERT_EQ(bytes.size(), 32u + 3 * 32 + 1);
  EXPECT_EQ(bytes.back(), 0x0D);
  EXPECT_EQ(table.recordCount, 0u);
  EXPECT_TRUE(table.records.empty());
}

TEST_F(DbfWriterTest, NumbersArePrintedLeftAlignedAndOverflowBecomesAsterisks) {
  EXPECT_EQ(WriteOneCell('N', CDbfWriter::NumericWidth(8, 2), "3.14159"), Padded("3.14", 8));
  EXPECT_EQ(WriteOneCell('N', CDbfWriter::NumericWidth(8, 0), "-7.9"), Padded("-7", 8));
  EXPECT_EQ(WriteOneCell('N', CDbfWriter::NumericWidth(8, 2), "not a number"), Padded("0.00", 8));
  EXPECT_EQ(WriteOneCell('N', CDbfWriter::NumericWidth(8, 2), ""), Padded("0.00", 8));
  // A value filling the whole width fits; one byte more does not.
  EXPECT_EQ(WriteOneCell('N', CDbfWriter::NumericWidth(8, 2), "12345.678"), "12345.68");
  EXPECT_EQ(WriteOneCell('N', CDbfWriter::NumericWidth(8, 2), "123456.7"), "********");
  EXPECT_EQ(WriteOneCell('N', CDbfWriter::NumericWidth(1, 0), "1"), "1");
  EXPECT_EQ(WriteOneCell('N', CDbfWriter::NumericWidth(3, 0), "1e300"), "***");
  EXPECT_EQ(WriteOneCell('N', CDbfWriter::NumericWidth(6, 1), "nan"), "******");
  // Integers are printed in their plain form, whatever form they came in.
  for (auto [text, printed] : {std::pair{"+5", "5"}, std::pair{"007", "7"}, std::pair{"-007", "-7"},
                               std::pair{"-0", "0"}, std::pair{"0", "0"}, std::pair{"-12", "-12"},
                               std::pair{"123456789012345", "123456789012345"},
                               std::pair{"0001234567890123456", "1234567890123456"}}) {
    EXPECT_EQ(WriteOneCell('N', CDbfWriter::NumericWidth(20, 0), text), Padded(printed, 20)) << text;
  }
}

TEST_F(DbfWriterTest, DatesAreEightDigitsOrZeroBytes) {
  EXPECT_EQ(WriteOneCell('D', 8, "2004-02-30"), "20040301");
  EXPECT_EQ(WriteOneCell('D', 8, "2004-05-06 12:30:00"), "20040506");
  EXPECT_EQ(WriteOneCell('D', 8, "20040506"), std::string(8, '\0'));
  EXPECT_EQ(WriteOneCell('D', 8, ""), std::string(8, '\0'));
  // A date field defined too narrow for eight digits stays empty.
  EXPECT_EQ(WriteOneCell('D', 6, "2004-05-06"), std::string(6, '\0'));
}

TEST_F(DbfWriterTest, CharacterValuesAreZeroPaddedAndCutOnCharacterBoundaries) {
  EXPECT_EQ(WriteOneCell('C', 6, ""), std::string(6, '\0'));
  EXPECT_EQ(WriteOneCell('C', 6, "ab"), Padded("ab", 6));
  EXPECT_EQ(WriteOneCell('C', 6, "abcdef"), "abcdef");
  EXPECT_EQ(WriteOneCell('C', 6, "abcdefgh"), "abcdef");
  const std::string chinese = GbkFromUtf8("a中文字");  // 1 + 3 x 2 bytes
  EXPECT_EQ(WriteOneCell('C', 7, chinese), chinese);
  // Six bytes would end inside the last character: it is left out whole.
  EXPECT_EQ(WriteOneCell('C', 6, chinese), Padded(GbkFromUtf8("a中文"), 6));
  EXPECT_EQ(WriteOneCell('C', 1, chinese), "a");
}

TEST_F(DbfWriterTest, LongValuesNeverSpillIntoTheNextField) {
  std::string path = PathOf("spill.dbf");
  CDbfWriter writer;
  writer.Init(1, 4);
  writer.DefineField(0, "c", 'C', 3);
  writer.DefineField(1, "n", 'N', CDbfWriter::NumericWidth(2, 0));
  writer.DefineField(2, "d", 'D', 8);
  writer.DefineField(3, "last", 'C', 2);
  ASSERT_TRUE(writer.Open(path));
  ASSERT_TRUE(writer.WriteHeader());
  // Set out of order so that any byte written past a field would survive.
  writer.SetFieldValue(3, "ZZ");
  writer.SetFieldValue(2, "2001-02-03");
  writer.SetFieldValue(0, std::string(500, 'x'));
  writer.SetFieldValue(1, "123456");
  writer.SetFieldValue(3, std::string(100, 'y'));
  ASSERT_TRUE(writer.WriteRecord());
  ASSERT_TRUE(writer.Close());
  DbfTable table = ReadBack(path);
  ASSERT_EQ(table.records.size(), 1u);
  EXPECT_EQ(table.records[0], std::string(" xxx**20010203yy"));
  EXPECT_EQ(table.trailingBytes, 0u);
}

TEST_F(DbfWriterTest, FieldWidenedAfterTheHeaderCannotOverrunTheRecord) {
  std::string path = PathOf("widened.dbf");
  CDbfWriter writer;
  writer.Init(1, 1);
  writer.DefineField(0, "a", 'C', 4);
  ASSERT_TRUE(writer.Open(path));
  ASSERT_TRUE(writer.WriteHeader());
  writer.SetFieldValue(0, "abcd");
  writer.DefineField(0, "a", 'C', 400);
  writer.SetFieldValue(0, std::string(400, 'x'));
  ASSERT_TRUE(writer.WriteRecord());
  ASSERT_TRUE(writer.Close());
  EXPECT_EQ(test::ReadFileBytes(path).size(), 32u + 32 + 1 + 5);
}

TEST_F(DbfWriterTest, NamesAreUpperCaseCutToTenBytesAndUnique) {
  const std::string chinese = GbkFromUtf8("客户名称与地址");  // 14 bytes
  DbfTable table = WriteTable("names.dbf",
                              {{"customer_name_first", 'C', 4},
                               {"customer_name_last", 'C', 4},
                               {"Customer_N", 'C', 4},
                               {chinese, 'C', 4},
                               {"a" + chinese, 'C', 4},
                               {"id", 'C', 4},
                               {"ID", 'C', 4}},
                              {});
  ASSERT_EQ(table.fields.size(), 7u);
  EXPECT_EQ(table.fields[0].name, "CUSTOMER_N");
  EXPECT_EQ(table.fields[1].name, "CUSTOMER_1");
  EXPECT_EQ(table.fields[2].name, "CUSTOMER_2");
  EXPECT_EQ(table.fields[3].name, GbkFromUtf8("客户名称与"));
  EXPECT_EQ(table.fields[4].name, "A" + GbkFromUtf8("客户名称"));  // 9 bytes: no half character
  EXPECT_EQ(table.fields[5].name, "ID");
  EXPECT_EQ(table.fields[6].name, "ID_1");
  for (const test::DbfField& field : table.fields) EXPECT_EQ(field.raw[10], 0) << field.name;
}

TEST_F(DbfWriterTest, AsManyEqualNamesAsAHeaderHoldsAllGetUniqueNamesAndRedefiningFreesAName) {
  constexpr int kFields = 2046;  // the most a 16-bit header length allows
  CDbfWriter writer;
  writer.Init(0, kFields);
  for (int i = 0; i < kFields; ++i) writer.DefineField(i, "?column?", 'C', 1);
  writer.DefineField(0, "other", 'C', 1);  // "?COLUMN?" is free again
  writer.DefineField(1, "?column?", 'C', 1);
  const std::string path = PathOf("many.dbf");
  ASSERT_TRUE(writer.Open(path));
  ASSERT_TRUE(writer.WriteHeader());
  ASSERT_TRUE(writer.Close());
  DbfTable table = ReadBack(path);
  ASSERT_EQ(table.fields.size(), static_cast<std::size_t>(kFields));
  std::set<std::string> names;
  for (const test::DbfField& field : table.fields) {
    EXPECT_LE(field.name.size(), 10u);
    names.insert(field.name);
  }
  EXPECT_EQ(names.size(), static_cast<std::size_t>(kFields));
  EXPECT_EQ(table.fields[0].name, "OTHER");
  EXPECT_EQ(table.fields[1].name, "?COLUMN?");
  EXPECT_EQ(table.fields[2].name, "?COLUMN?_2");
  EXPECT_EQ(table.fields[kFields - 1].name, "?COLU_2045");
}

TEST_F(DbfWriterTest, UndefinedFieldsTakeNoBytes) {
  std::string path = PathOf("gap.dbf");
  CDbfWriter writer;
  writer.Init(1, 3);
  writer.DefineField(0, "a", 'C', 2);
  writer.DefineField(2, "c", 'C', 2);
  writer.DefineField(9, "outside", 'C', 2);  // no such field: ignored
  ASSERT_TRUE(writer.Open(path));
  ASSERT_TRUE(writer.WriteHeader());
  writer.SetFieldValue(0, "aa");
  writer.SetFieldValue(1, "ignored");
  writer.SetFieldValue(2, "cc");
  ASSERT_TRUE(writer.WriteRecord());
  ASSERT_TRUE(writer.Close());
  DbfTable table = ReadBack(path);
  ASSERT_EQ(table.fields.size(), 3u);
  EXPECT_EQ(table.fields[1].name, "");
  EXPECT_EQ(table.fields[1].type, 0);
  EXPECT_EQ(table.fields[1].width, 0);
  EXPECT_EQ(table.fields[2].offset, 3);
  EXPECT_EQ(table.recordLength, 5);
  ASSERT_EQ(table.records.size(), 1u);
  EXPECT_EQ(table.records[0], " aacc");
}

TEST_F(DbfWriterTest, UnopenablePathReportsTheErrorAndWritesNothing) {
  test::MessageBoxRecorder boxes;
  std::string path = PathOf("missing-folder/out.dbf");
  CDbfWriter writer;
  writer.Init(1, 1);
  writer.DefineField(0, "a", 'C', 4);
  EXPECT_FALSE(writer.Open(path));
  EXPECT_EQ(writer.ErrorText(), GbkFromUtf8("无法打开本地文件：" + path));
  EXPECT_FALSE(writer.WriteHeader());
  writer.SetFieldValue(0, "x");
  EXPECT_FALSE(writer.WriteRecord());
  EXPECT_TRUE(writer.Close());
  EXPECT_EQ(boxes.Count(), 0u);  // the writer may run off the GUI thread: its caller shows the text
  EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
}

TEST_F(DbfWriterTest, HeaderWithoutFieldsIsRefused) {
  test::MessageBoxRecorder boxes;
  std::string path = PathOf("nofields.dbf");
  CDbfWriter writer;
  writer.Init(3, 0);
  writer.DefineField(0, "a", 'C', 4);  // no descriptors to define
  ASSERT_TRUE(writer.Open(path));
  EXPECT_FALSE(writer.WriteHeader());
  EXPECT_FALSE(writer.WriteRecord());
  ASSERT_TRUE(writer.Close());
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(writer.ErrorText(), GbkFromUtf8("还没有设置字段"));
  EXPECT_TRUE(test::ReadFileBytes(path).empty());
}

TEST_F(DbfWriterTest, FieldsBeyondTheSixteenBitRecordLengthAreRefused) {
  test::MessageBoxRecorder boxes;
  std::string path = PathOf("huge.dbf");
  CDbfWriter writer;
  writer.Init(1, 3);
  for (int i = 0; i < 3; ++i) writer.DefineField(i, "f" + std::to_string(i), 'C', 30000);
  ASSERT_TRUE(writer.Open(path));
  EXPECT_FALSE(writer.WriteHeader());
  writer.SetFieldValue(2, std::string(30000, 'x'));
  EXPECT_FALSE(writer.WriteRecord());
  ASSERT_TRUE(writer.Close());
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_FALSE(writer.ErrorText().empty());
  EXPECT_TRUE(test::ReadFileBytes(path).empty());
}

// Records reach the file in batches of whole records, through the writer's
// own file or through a safe file's helper thread: many records of an odd
// length, one field left unset in some records (it keeps the earlier
// value), and fewer records than announced, which Close writes into the
// header.
TEST_F(DbfWriterTest, ManyRecordsReadBackWholeAcrossBatchesAndTheCountIsCorrected) {
  constexpr int kRecords = 20000;  // 20000 x 37 bytes: several batches
  for (bool safeFile : {false, true}) {
    SCOPED_TRACE(safeFile);
    std::string path = PathOf(safeFile ? "many-safe.dbf" : "many.dbf");
    SafeFileOutput output(path);
    CDbfWriter writer;
    writer.Init(kRecords + 5, 3);
    writer.DefineField(0, "n", 'N', CDbfWriter::NumericWidth(10, 0));
    writer.DefineField(1, "c", 'C', 20);
    writer.DefineField(2, "k", 'C', 6);
    if (safeFile) {
      ASSERT_TRUE(output.Open());
      writer.Attach(output);
    } else {
      ASSERT_TRUE(writer.Open(path));
    }
    ASSERT_TRUE(writer.WriteHeader());
    for (int r = 0; r < kRecords; ++r) {
      writer.SetFieldValue(0, std::to_string(r * 7));
      writer.SetFieldValue(1, std::string(static_cast<std::size_t>(r % 21), static_cast<char>('a' + r % 26)));
      if (r % 3 == 0) writer.SetFieldValue(2, "k" + std::to_string(r));
      ASSERT_TRUE(writer.WriteRecord());
    }
    ASSERT_TRUE(writer.Close());
    if (safeFile) ASSERT_TRUE(output.Commit());
    DbfTable table = ReadBack(path);
    EXPECT_EQ(table.recordLength, 37);
    EXPECT_EQ(table.recordCount, static_cast<std::uint32_t>(kRecords));
    ASSERT_EQ(table.records.size(), static_cast<std::size_t>(kRecords));
    EXPECT_EQ(table.trailingBytes, 0u);
    for (std::size_t r = 0; r < kRecords; ++r) {
      const int row = static_cast<int>(r);
      ASSERT_EQ(table.records[r][0], ' ') << r;
      ASSERT_EQ(table.Text(r, 0), std::to_string(row * 7)) << r;
      ASSERT_EQ(table.Text(r, 1), std::string(static_cast<std::size_t>(row % 21), static_cast<char>('a' + row % 26)))
          << r;
      ASSERT_EQ(table.Text(r, 2), "k" + std::to_string(row - row % 3)) << r;
    }
  }
}

// Whole records from a row of values, as the result saver writes them: short
// character fields are cleared a word at a time, which must never reach
// into a neighbour, whatever the widths and lengths; long values are cut on
// character boundaries and counted.
TEST_F(DbfWriterTest, RecordsFromRowsOfValuesKeepEveryFieldToItsWidth) {
  std::string path = PathOf("rows.dbf");
  constexpr int kFields = 18;  // widths 1..16, then 21 and a number
  CDbfWriter writer;
  writer.Init(0, kFields);
  for (int k = 0; k < 16; ++k) writer.DefineField(k, "c" + std::to_string(k), 'C', static_cast<std::uint16_t>(k + 1));
  writer.DefineField(16, "wide", 'C', 21);
  writer.DefineField(17, "n", 'N', CDbfWriter::NumericWidth(6, 1));
  ASSERT_TRUE(writer.Open(path));
  ASSERT_TRUE(writer.WriteHeader());
  const std::string chinese = GbkFromUtf8("中文字段值");  // 10 bytes
  std::vector<std::vector<std::string>> rows;
  for (int length = 0; length <= 18; ++length) {
    std::vector<std::string> row;
    for (int k = 0; k < 16; ++k) row.push_back(std::string(static_cast<std::size_t>(length), static_cast<char>('a' + k)));
    row.push_back(length % 2 ? chinese + chinese + chinese : std::string(static_cast<std::size_t>(length), '#'));
    row.push_back(std::to_string(length * 11));
    rows.push_back(row);
  }
  std::int64_t overflows = 0;
  for (const auto& row : rows) {
    std::vector<std::string_view> values(row.begin(), row.end());
    ASSERT_TRUE(writer.WriteRecord(values.data(), static_cast<int>(values.size()), overflows));
  }
  // A short row leaves the fields after it empty.
  const std::string_view shortRow[] = {"z"};
  ASSERT_TRUE(writer.WriteRecord(shortRow, 1, overflows));
  ASSERT_TRUE(writer.Close());

  DbfTable table = ReadBack(path);
  ASSERT_EQ(table.records.size(), rows.size() + 1);
  std::int64_t expectedOverflows = 0;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    SCOPED_TRACE(r);
    for (std::size_t k = 0; k < 16; ++k) {
      const std::size_t width = k + 1;
      expectedOverflows += rows[r][k].size() > width;
      EXPECT_EQ(table.Cell(r, k), Padded(rows[r][k].substr(0, width), width)) << k;
    }
    const bool cut = rows[r][16].size() > 21;
    expectedOverflows += cut;
    // 21 bytes would end inside the third copy's first character.
    EXPECT_EQ(table.Cell(r, 16), Padded(cut ? chinese + chinese : rows[r][16], 21));
    EXPECT_EQ(table.Text(r, 17), rows[r][17] + ".0");
  }
  EXPECT_EQ(overflows, expectedOverflows);
  EXPECT_EQ(table.Cell(rows.size(), 0), "z");
  for (std::size_t k = 1; k < kFields; ++k) EXPECT_EQ(table.Text(rows.size(), k), "") << k;
}

TEST_F(DbfWriterTest, RowsReadBackFieldByField) {
  const std::string zhang = GbkFromUtf8("张三");
  const Rows rows = {
      {"alpha", "12.345", "2020-01-31", "42"},
      {"", "-0.5", "2020/2/29 08:00:00", "-3.99"},
      {zhang, "999999.999", "not a date", ""},
  };
  const Rows expected = {
      {"alpha", "12.35", "20200131", "42"},
      {"", "-0.50", "20200229", "-3"},
      {zhang, "*********", "", "0"},
  };
  DbfTable table = WriteTable("rows.dbf",
                              {{"name", 'C', 12},
                               {"amount", 'N', CDbfWriter::NumericWidth(9, 2)},
                               {"day", 'D', 8},
                               {"count", 'N', CDbfWriter::NumericWidth(5, 0)}},
                              rows);
  ASSERT_EQ(table.recordCount, 3u);
  ASSERT_EQ(table.records.size(), 3u);
  EXPECT_EQ(table.trailingBytes, 0u);
  for (std::size_t r = 0; r < 3; ++r) {
    SCOPED_TRACE(r);
    EXPECT_EQ(table.records[r][0], ' ');
    for (std::size_t f = 0; f < 4; ++f) EXPECT_EQ(table.Text(r, f), expected[r][f]) << f;
  }
}

}  // namespace
}  // namespace orva
