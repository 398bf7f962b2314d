// Product recognition and connection-string handling, without a database.

#include <gtest/gtest.h>

#include "db/connectstring.h"
#include "db/driverhint.h"
#include "db/dbconnection.h"
#include "db/dbmskind.h"
#include "platform/codec.h"

namespace orva {
namespace {

TEST(DbmsKindTest, RecognisesEveryProductInAnyLetterCase) {
  EXPECT_EQ(DbmsKindFromName("Text"), DbmsText);
  EXPECT_EQ(DbmsKindFromName("microsoft sql server"), DbmsMsSqlServer);
  EXPECT_EQ(DbmsKindFromName("MICROSOFT SQL SERVER"), DbmsMsSqlServer);
  EXPECT_EQ(DbmsKindFromName("Sybase SQL Anywhere"), DbmsSybaseSqlAnywhere);
  EXPECT_EQ(DbmsKindFromName("adaptive server anywhere"), DbmsAdaptiveServerAnywhere);
  EXPECT_EQ(DbmsKindFromName("SQL Server"), DbmsSqlServer);
  EXPECT_EQ(DbmsKindFromName("ORACLE"), DbmsOracle);
  EXPECT_EQ(DbmsKindFromName("Visual FoxPro"), DbmsVisualFoxPro);
  EXPECT_EQ(DbmsKindFromName("ACCESS"), DbmsAccess);
  EXPECT_EQ(DbmsKindFromName("ibm db2"), DbmsDb2);
}

TEST(DbmsKindTest, OnlyWholeNamesMatch) {
  EXPECT_EQ(DbmsKindFromName("Microsoft SQL Server 2019"), DbmsOther);
  EXPECT_EQ(DbmsKindFromName("Oracle 19c"), DbmsOther);
  EXPECT_EQ(DbmsKindFromName("PostgreSQL"), DbmsOther);
  EXPECT_EQ(DbmsKindFromName("SQLite"), DbmsOther);
  EXPECT_EQ(DbmsKindFromName(""), DbmsOther);
  EXPECT_EQ(DbmsKindFromName(" Text"), DbmsOther);
}

TEST(DbmsKindTest, OnlyServerProductsHaveDatabases) {
  for (int kind = DbmsOther; kind <= DbmsDb2; ++kind)
    EXPECT_EQ(KindHasDatabases(static_cast<DbmsKind>(kind)), kind >= 2 && kind <= 5) << kind;
}

TEST(DbmsKindTest, MultipleResultsNeedAnUpperCaseY) {
  EXPECT_TRUE(MultipleResultsAnswer("Y"));
  EXPECT_FALSE(MultipleResultsAnswer("y"));
  EXPECT_FALSE(MultipleResultsAnswer("N"));
  EXPECT_FALSE(MultipleResultsAnswer("Yes"));
  EXPECT_FALSE(MultipleResultsAnswer(""));
}

TEST(CompletedConnectStringTest, TakesDataSourceAndUser) {
  DataSourceNames names = ParseCompletedConnectString("DSN=sales;UID=joe;PWD=x;");
  EXPECT_EQ(names.dataSource, "sales");
  EXPECT_EQ(names.user, "joe");
}

TEST(CompletedConnectStringTest, DataSourceAtTheEndWithoutSemicolon) {
  DataSourceNames names = ParseCompletedConnectString("UID=ann;PWD=;DSN=warehouse");
  EXPECT_EQ(names.dataSource, "warehouse");
  EXPECT_EQ(names.user, "ann");
}

TEST(CompletedConnectStringTest, WithoutDsnNeitherNameIsTaken) {
  DataSourceNames names = ParseCompletedConnectString("DRIVER={X};UID=joe;");
  EXPECT_EQ(names.dataSource, GbkFromUtf8("文件数据库"));
  EXPECT_EQ(names.user, "");
}

TEST(CompletedConnectStringTest, EmptyDsnBecomesFileDatabase) {
  DataSourceNames names = ParseCompletedConnectString("DSN=;Database=/tmp/a.db;");
  EXPECT_EQ(names.dataSource, GbkFromUtf8("文件数据库"));
}

TEST(CompletedConnectStringTest, KeysAreCaseSensitive) {
  DataSourceNames names = ParseCompletedConnectString("dsn=sales;uid=joe;");
  EXPECT_EQ(names.dataSource, GbkFromUtf8("文件数据库"));
  EXPECT_EQ(names.user, "");
}

TEST(FileConnectStringTest, DirectoryIsCutAtTheLastSeparatorOfEitherKind) {
  EXPECT_EQ(DirectoryOfPath("/home/ann/data/shop.mdb"), "/home/ann/data");
  EXPECT_EQ(DirectoryOfPath("C:\\data\\shop.mdb"), "C:\\data");
  EXPECT_EQ(DirectoryOfPath("shop.mdb"), "");
  EXPECT_EQ(DirectoryOfPath("/shop.mdb"), "");
  // 0x5C is the second byte of this GBK character; it is not a separator.
  const std::string gbkDir = GbkFromUtf8("/数据/乗表");
  ASSERT_NE(gbkDir.find('\\'), std::string::npos);
  EXPECT_EQ(DirectoryOfPath(gbkDir + "/a.dbf"), gbkDir);
}

TEST(FileConnectStringTest, ExactTemplates) {
  EXPECT_EQ(AccessConnectString("/d/shop.mdb"),
            "DRIVER={Microsoft Access Driver (*.mdb)};UserCommitSync=Yes;Threads=3;SafeTransactions=0;"
            "PageTimeout=5;MaxScanRows=8;MaxBufferSize=2048;FIL=MS Access;DriverId=25;DefaultDir=/d;"
            "DBQ=/d/shop.mdb;");
  EXPECT_EQ(TextConnectString("/d/x.csv"),
            "DRIVER={Microsoft Text Driver (*.txt; *.csv)};UID=admin;UserCommitSync=Yes;Threads=3;"
            "SafeTransactions=0;PageTimeout=5;MaxScanRows=8;MaxBufferSize=2048;FIL=text;"
            "Extensions=None,asc,csv,tab,txt;DriverId=27;DefaultDir=/d;DBQ=/d;");
  EXPECT_EQ(DBaseConnectString("C:\\d\\x.dbf"),
            "DRIVER={Microsoft dBase Driver (*.dbf)};UID=admin;UserCommitSync=Yes;Statistics=0;Threads=3;"
            "SafeTransactions=0;PageTimeout=600;MaxScanRows=8;MaxBufferSize=2048;FIL=dBase III;DriverId=21;"
            "CollatingSequence=ASCII;Deleted=1;DefaultDir=C:\\d;Exclusive=0;DBQ=C:\\d;");
  EXPECT_EQ(ExcelConnectString("/d/book.xls"),
            "DRIVER={Microsoft Excel Driver (*.xls)};UID=admin;UserCommitSync=Yes;Threads=3;SafeTransactions=0;"
            "PageTimeout=5;MaxScanRows=8;MaxBufferSize=2048;FIL=excel 8.0;DriverId=790;ReadOnly=0;"
            "DefaultDir=/d;DBQ=/d/book.xls;");
}

TEST(FileConnectStringTest, PathWithoutSeparatorGivesEmptyDirectory) {
  EXPECT_NE(TextConnectString("x.csv").find("DefaultDir=;DBQ=;"), std::string::npos);
  EXPECT_NE(DBaseConnectString("x.dbf").find("DefaultDir=;Exclusive=0;DBQ=;"), std::string::npos);
  EXPECT_NE(AccessConnectString("x.mdb").find("DefaultDir=;DBQ=x.mdb;"), std::string::npos);
}


TEST(ServerConnectStringTest, ValuesWithSeparatorsAreBracedOthersStayAsTyped) {
  ServerLogin login{"PostgreSQL Unicode", "db.example", "ann", "secret", "", ""};
  EXPECT_EQ(ServerConnectString(login), "DRIVER={PostgreSQL Unicode};SERVER=db.example;UID=ann;PWD=secret;");
  login.password = "p;w}d";
  login.port = "5433";
  login.database = "sales";
  EXPECT_EQ(ServerConnectString(login),
            "DRIVER={PostgreSQL Unicode};SERVER=db.example;UID=ann;PWD={p;w}}d};Port=5433;Database=sales;");
  // A password cannot end the string early or add a keyword of its own.
  login.password = "x;DATABASE=other";
  const std::string connect = ServerConnectString(login);
  EXPECT_EQ(ConnectStringValue(connect, "PWD="), "x;DATABASE=other");
  EXPECT_EQ(ConnectStringValue(connect, "Database="), "sales");
  EXPECT_EQ(ConnectStringQuoted("{a}"), "{{a}}}");
  EXPECT_EQ(ConnectStringValue("PWD={a}}b;c};UID=u;", "PWD="), "a}b;c");
}

TEST(ServerConnectStringTest, FilePathsWithSeparatorsAreBraced) {
  EXPECT_NE(DBaseConnectString("/d;x/t.dbf").find("DefaultDir={/d;x};Exclusive=0;DBQ={/d;x};"), std::string::npos);
  EXPECT_NE(ExcelConnectString("/d/{b}.xls").find("DefaultDir=/d;DBQ={/d/{b}}.xls};"), std::string::npos);
}

TEST(DriverHintTest, NamesAMissingDriverAndWhatToInstall) {
  const std::vector<std::string> installed = {"SQLite3", "PostgreSQL Unicode"};
  EXPECT_EQ(DriverNameOf("DRIVER={Microsoft Access Driver (*.mdb)};DBQ=/x.mdb;"), "Microsoft Access Driver (*.mdb)");
  EXPECT_EQ(DriverNameOf("DSN=sales;UID=a;"), "");
  EXPECT_EQ(DriverNameOf("Driver=/usr/lib/libx.so;"), "");
  EXPECT_EQ(MissingDriverMessage("driver={postgresql unicode};SERVER=a;", installed), "");
  EXPECT_EQ(MissingDriverMessage("DSN=whatever;", installed), "");
  const std::string message = Utf8FromGbk(MissingDriverMessage(AccessConnectString("/d/shop.mdb"), installed));
  EXPECT_NE(message.find("Microsoft Access Driver (*.mdb)"), std::string::npos) << message;
  EXPECT_NE(message.find("odbc-mdbtools"), std::string::npos) << message;
}

TEST(ConnectStringPasswordTest, PasswordsAreRemovedWhateverTheirFormAndPosition) {
  EXPECT_EQ(ConnectStringWithoutPassword("DSN=pg;UID=sa;PWD=secret;Port=5432;"), "DSN=pg;UID=sa;Port=5432;");
  EXPECT_EQ(ConnectStringWithoutPassword("DRIVER={x};pwd={a;b}}c};Database=d"), "DRIVER={x};Database=d");
  EXPECT_EQ(ConnectStringWithoutPassword("Password=p; DSN=a"), " DSN=a");
  EXPECT_EQ(ConnectStringWithoutPassword("DSN=a;UID=u"), "DSN=a;UID=u");
  EXPECT_TRUE(ConnectStringHasPassword("DSN=a;PWD=;"));
  EXPECT_TRUE(ConnectStringHasPassword("DSN=a; password = x"));
  EXPECT_FALSE(ConnectStringHasPassword("DSN=pwd;UID=password;PWDX=1"));
}

}  // namespace
}  // namespace orva
