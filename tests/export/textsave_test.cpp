// Saving a result grid as delimited text through the save dialog, read back
// with Python's csv module and checked byte for byte where the format is
// fixed.

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "dbf_reader.h"
#include "export/delimitedtext.h"
#include "export/resultsaver.h"
#include "pyreader.h"
#include "saver_fixture.h"

namespace orva::test {
namespace {

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QJsonArray Row(std::initializer_list<const char*> cells) {
  QJsonArray row;
  for (const char* cell : cells) row.append(QString::fromUtf8(cell));
  return row;
}

// Python's csv module reads `path` back as the rows expected (UTF-8) and,
// writing those rows itself, produces exactly the file's bytes.
void ExpectCsvRewritesTo(const QString& path, const char* codec, const QJsonArray& expected,
                         const QString& delimiter = QStringLiteral(",")) {
  const QString expectedPath = path + QStringLiteral(".json");
  {
    QFile file(expectedPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(expected).toJson());
  }
  static const QString script = QStringLiteral(
      "import csv, io, json, sys\n"
      "path, codec, delimiter = sys.argv[1], sys.argv[2], sys.argv[4]\n"
      "expected = json.load(open(sys.argv[3], encoding='utf-8'))\n"
      "data = open(path, 'rb').read()\n"
      "rows = list(csv.reader(io.StringIO(data.decode(codec), newline=''), delimiter=delimiter))\n"
      "out = io.StringIO(newline='')\n"
      "csv.writer(out, delimiter=delimiter, lineterminator='\\r\\n').writerows(expected)\n"
      "bad = [i for i in range(len(expected)) if i >= len(rows) or rows[i] != expected[i]]\n"
      "print(json.dumps({'rows': len(rows), 'firstBad': bad[:1], 'sameBytes': out.getvalue().encode(codec) == data}))\n");
  const QJsonObject result = RunPythonReader(script, {path, QString::fromLatin1(codec), expectedPath, delimiter}).toObject();
  QFile::remove(expectedPath);
  EXPECT_EQ(result.value("rows").toInt(), expected.size());
  EXPECT_EQ(result.value("firstBad").toArray(), QJsonArray());
  EXPECT_TRUE(result.value("sameBytes").toBool());
}

using TextSaveTest = SaverTest;

TEST_F(TextSaveTest, HeaderAndCommaGiveNamesLineThenOneLinePerRowAndQuoteOnlyWhatNeedsIt) {
  Fill({"name", "note", "qty"},
       {{GbkFromUtf8("张三"), "a,b", "12"},
        {"plain", "say \"hi\"", ""},
        {"", "two\r\nlines", "-3.5"}});
  MessageBoxRecorder boxes;
  SaveDialogUser user({.fileType = 0, .name = PathOf("out.txt"), .clickHeader = true, .delimiter = 1});
  CResultSaver::Save(m_grid, {Column("name", SQL_VARCHAR, 20), Column("note", SQL_VARCHAR, 20),
                              Column("qty", SQL_DOUBLE, 15)});
  WaitForSaves();

  EXPECT_EQ(user.shown, 1);
  EXPECT_EQ(user.proposedName, QStringLiteral("Result"));
  EXPECT_TRUE(user.optionsVisibleAtStart);
  EXPECT_FALSE(user.headerCheckedAtStart);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.LastText(), QStringLiteral("数据保存完毕"));
  // Clean cells are written as they are; only the three awkward ones are quoted.
  EXPECT_EQ(FileBytes(PathOf("out.txt")),
            QByteArray("name,note,qty\r\n") + QByteArray::fromStdString(GbkFromUtf8("张三")) +
                ",\"a,b\",12\r\nplain,\"say \"\"hi\"\"\",\r\n,\"two\r\nlines\",-3.5\r\n");
  QJsonValue rows = ReadCsvRows(PathOf("out.txt"), QStringLiteral("gbk"), QStringLiteral(","));
  EXPECT_EQ(rows.toArray(), (QJsonArray{Row({"name", "note", "qty"}), Row({"张三", "a,b", "12"}),
                                        Row({"plain", "say \"hi\"", ""}), Row({"", "two\r\nlines", "-3.5"})}));
  EXPECT_EQ(FolderEntries(), QStringList{QStringLiteral("out.txt")});
}

TEST_F(TextSaveTest, DelimiterChoicesAndTheDefaultsOfTheOtherFileTypes) {
  Fill({"a", "b"}, {{"1", "x y"}, {"2", "z"}});
  const std::vector<ColumnInfo> columns = {Column("a", SQL_INTEGER, 10), Column("b", SQL_VARCHAR, 5)};
  struct Case {
    SaveDialogAnswer answer;
    QByteArray expected;
  };
  const Case cases[] = {
      // "其他" with an empty box: TAB; no header, since the box was not ticked.
      {{.fileType = 0, .name = PathOf("other-empty.txt"), .delimiter = 3}, "1\tx y\r\n2\tz\r\n"},
      {{.fileType = 0, .name = PathOf("other-bar.txt"), .delimiter = 3, .other = "|"}, "1|x y\r\n2|z\r\n"},
      // A space delimiter quotes the value holding a space.
      {{.fileType = 0, .name = PathOf("space.txt"), .clickHeader = true, .delimiter = 2},
       "a b\r\n1 \"x y\"\r\n2 z\r\n"},
      // The dBase type with a name ending in .txt: text with the defaults, names and TAB.
      {{.fileType = 1, .name = PathOf("typed.txt")}, "a\tb\r\n1\tx y\r\n2\tz\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer.name.toStdString());
    MessageBoxRecorder boxes;
    SaveDialogUser user(c.answer);
    CResultSaver::Save(m_grid, columns);
    WaitForSaves();
    EXPECT_EQ(boxes.LastText(), QStringLiteral("数据保存完毕"));
    EXPECT_EQ(FileBytes(c.answer.name), c.expected);
    if (c.answer.fileType == 1) EXPECT_FALSE(user.optionsVisibleAfterTypeChange);
  }
}

TEST_F(TextSaveTest, EachEncodingReadsBackWithItsCodec) {
  // 𠀀 has no GBK form: ORVA's text holds its four-byte GB18030 sequence.
  const std::string rare = GbkFromUtf8("𠀀");
  ASSERT_EQ(rare.size(), 4u);
  Fill({GbkFromUtf8("姓名"), "v"}, {{GbkFromUtf8("李四"), "x" + rare}, {"ascii", GbkFromUtf8("中文,逗号")}});
  const std::vector<ColumnInfo> columns = {Column(GbkFromUtf8("姓名"), SQL_VARCHAR, 10), Column("v", SQL_VARCHAR, 10)};
  struct Case {
    int item;
    const char* codec;
    const char* rareAs;
  } cases[] = {{0, "gbk", "x?"}, {1, "gb18030", "x𠀀"}, {2, "utf-8-sig", "x𠀀"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.codec);
    const QString path = PathOf(QStringLiteral("enc%1.txt").arg(c.item));
    MessageBoxRecorder boxes;
    SaveDialogUser user({.fileType = 0, .name = path, .clickHeader = true, .delimiter = 1, .encoding = c.item});
    CResultSaver::Save(m_grid, columns);
    WaitForSaves();
    EXPECT_EQ(boxes.LastText(), QStringLiteral("数据保存完毕"));
    EXPECT_EQ(FileBytes(path).startsWith("\xEF\xBB\xBF"), c.item == 2);
    EXPECT_EQ(ReadCsvRows(path, QString::fromLatin1(c.codec), QStringLiteral(",")).toArray(),
              (QJsonArray{Row({"姓名", "v"}), Row({"李四", c.rareAs}), Row({"ascii", "中文,逗号"})}));
  }
  // The choice is remembered for the next save.
  CSaveFileDialog next(PathOf("Result"));
  EXPECT_EQ(next.EncodingBox()->currentIndex(), 2);
}

TEST_F(TextSaveTest, NewRecordRowIsAnEmptyLineAndAHeadingOnlyGridGivesOnlyTheHeader) {
  Fill({"a", "b", "c"}, {{"1", "2", "3"}});
  m_grid->InsertRow("*");  // the table window's new-record row, empty
  const std::vector<ColumnInfo> columns = {Column("a", SQL_INTEGER), Column("b", SQL_INTEGER), Column("c", SQL_INTEGER)};
  {
    MessageBoxRecorder boxes;
    SaveDialogUser user({.fileType = 0, .name = PathOf("table.txt"), .clickHeader = true, .delimiter = 1});
    CResultSaver::Save(m_grid, columns);
    WaitForSaves();
    EXPECT_EQ(FileBytes(PathOf("table.txt")), QByteArray("a,b,c\r\n1,2,3\r\n,,\r\n"));
  }
  m_grid->DeleteNonFixedRows();
  for (bool header : {true, false}) {
    const QString path = PathOf(header ? "heading-only.txt" : "nothing.txt");
    MessageBoxRecorder boxes;
    SaveDialogUser user({.fileType = 0, .name = path, .clickHeader = header, .delimiter = 1});
    CResultSaver::Save(m_grid, columns);
    WaitForSaves();
    EXPECT_EQ(boxes.LastText(), QStringLiteral("数据保存完毕"));
    EXPECT_EQ(FileBytes(path), header ? QByteArray("a,b,c\r\n") : QByteArray());
  }
}

// Values are examined a word at a time: a byte that needs quotes, or one
// above 0x7F (which makes a chunk go through the encoder), must be found at
// every position of values of every length. Python's csv module reads the
// file back and, writing the same rows, must produce exactly its bytes.
TEST_F(TextSaveTest, EverySpecialOrChineseByteIsFoundAtEveryPositionOfValuesOfEveryLength) {
  std::vector<std::vector<std::string>> rows;  // UTF-8
  for (int length = 1; length <= 19; ++length) {
    for (int at = 0; at < length; ++at) {
      for (const char* special : {",", ";", "\"", "\r", "\n", "张"}) {
        std::string value(static_cast<std::size_t>(length), 'x');
        // The Chinese character takes two bytes in GBK: it ends at `at`.
        if (std::string_view(special) == "张") {
          if (at == 0) continue;
          value.replace(static_cast<std::size_t>(at - 1), 2, special);
        } else {
          value[static_cast<std::size_t>(at)] = special[0];
        }
        rows.push_back({value, std::string(static_cast<std::size_t>(length), 'y')});
      }
    }
  }
  Fill({"v", "w"}, {});
  QJsonArray expected;
  for (const auto& row : rows) {
    const int r = m_grid->InsertRow("");
    QJsonArray cells;
    for (std::size_t c = 0; c < row.size(); ++c) {
      m_grid->SetItemText(r, static_cast<int>(c) + 1, GbkFromUtf8(row[c]));
      cells.append(QString::fromStdString(row[c]));
    }
    expected.append(cells);
  }
  // Comma and TAB are found by a quick look at each word, ";" only by the
  // full one.
  struct Case {
    int encoding;
    const char* codec;
    int delimiter;
    const char* other;
    const char* delimiterText;
  } cases[] = {{0, "gbk", 1, "", ","}, {2, "utf-8-sig", 1, "", ","}, {0, "gbk", 0, "", "\t"}, {2, "utf-8-sig", 3, ";", ";"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.delimiterText);
    SCOPED_TRACE(c.codec);
    const QString path = PathOf(QStringLiteral("every.txt"));
    MessageBoxRecorder boxes;
    SaveDialogUser user({.fileType = 0, .name = path, .delimiter = c.delimiter, .other = QString::fromLatin1(c.other),
                         .encoding = c.encoding});
    CResultSaver::Save(m_grid, {Column("v", SQL_VARCHAR, 20), Column("w", SQL_VARCHAR, 20)});
    WaitForSaves();
    EXPECT_EQ(boxes.LastText(), QStringLiteral("数据保存完毕"));
    ExpectCsvRewritesTo(path, c.codec, expected, QString::fromLatin1(c.delimiterText));
  }
}

// A large grid is written in chunks, one filling while the other is written;
// each chunk is encoded on its own. Chinese text only in some chunks, and a
// row quoted in each, must read back whole in every encoding.
TEST_F(TextSaveTest, LargeGridsWrittenInChunksReadBackWholeInEachEncoding) {
  Fill({"n", "text"}, {});
  QJsonArray expected;
  for (int r = 0; r < 60000; ++r) {
    std::string text = "row " + std::to_string(r) + " of a grid that takes several chunks";
    if (r % 20000 == 19999) text += ",\"quoted\"";
    if (r >= 30000 && r % 997 == 0) text += " 中文 " + std::to_string(r);
    const int row = m_grid->InsertRow("");
    m_grid->SetItemText(row, 1, std::to_string(r));
    m_grid->SetItemText(row, 2, GbkFromUtf8(text));
    expected.append(QJsonArray{QString::number(r), QString::fromStdString(text)});
  }
  for (auto [item, codec] : {std::pair{0, "gbk"}, std::pair{2, "utf-8-sig"}}) {
    SCOPED_TRACE(codec);
    const QString path = PathOf(QStringLiteral("large%1.txt").arg(item));
    MessageBoxRecorder boxes;
    SaveDialogUser user({.fileType = 0, .name = path, .delimiter = 1, .encoding = item});
    CResultSaver::Save(m_grid, {Column("n", SQL_INTEGER, 10), Column("text", SQL_VARCHAR, 80)});
    WaitForSaves();
    EXPECT_EQ(boxes.LastText(), QStringLiteral("数据保存完毕"));
    ExpectCsvRewritesTo(path, codec, expected);
  }
  EXPECT_EQ(FolderEntries(), (QStringList{QStringLiteral("large0.txt"), QStringLiteral("large2.txt")}));
}

// Whether a chunk goes through the encoder hangs on finding one byte above
// 0x7F anywhere in it.
TEST(DelimitedTextBufferTest, ASingleHighByteAnywhereMarksTheChunkForTheEncoder) {
  for (std::size_t length = 1; length <= 19; ++length) {
    DelimitedTextBuffer plain('\t');
    const std::string ascii(length, '~');
    const std::string_view one[] = {ascii};
    plain.AppendRow(one, 1);
    EXPECT_FALSE(plain.HasNonAscii()) << length;
    for (std::size_t at = 0; at < length; ++at) {
      std::string value = ascii;
      value[at] = '\x80';
      DelimitedTextBuffer buffer('\t');
      const std::string_view row[] = {"a", value};
      buffer.AppendRow(row, 2);
      EXPECT_TRUE(buffer.HasNonAscii()) << length << " " << at;
      EXPECT_EQ(buffer.View(), "a\t" + value + "\r\n");
    }
  }
}

TEST_F(TextSaveTest, CancellingTheDialogOrAnUnknownExtensionWritesNothingAndSaysSo) {
  Fill({"a"}, {{"1"}});
  {
    MessageBoxRecorder boxes;
    SaveDialogUser user({.fileType = 0, .name = PathOf("never.txt"), .cancel = true});
    CResultSaver::Save(m_grid, {Column("a", SQL_INTEGER)});
    WaitForSaves();
    EXPECT_EQ(user.shown, 1);
    EXPECT_EQ(boxes.Count(), 0u);
  }
  {
    MessageBoxRecorder boxes;
    SaveDialogUser user({.fileType = 0, .name = PathOf("data.csv")});
    CResultSaver::Save(m_grid, {Column("a", SQL_INTEGER)});
    WaitForSaves();
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_NE(boxes.LastText(), QStringLiteral("数据保存完毕"));
  }
  EXPECT_TRUE(FolderEntries().isEmpty());
}

}  // namespace
}  // namespace orva::test
