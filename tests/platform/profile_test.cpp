#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdlib>

#include "platform/codec.h"
#include "platform/profile.h"
#include "test_env.h"

namespace orva {
namespace {

// Each test gets fresh configuration folders through the environment, as the
// application would see a fresh user account.
class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    m_user = m_dir.path() + "/user";
    m_system = m_dir.path() + "/system";
    setenv("XDG_CONFIG_HOME", m_user.toLocal8Bit().constData(), 1);
    setenv("ORVA_SYSTEM_CONFIG_DIR", m_system.toLocal8Bit().constData(), 1);
    SetProfileNames("Nolbe", "ORVA");
    SetProfileUserRoot(true);
  }
  void TearDown() override { SetProfileUserRoot(true); }

  QTemporaryDir m_dir;
  QString m_user;
  QString m_system;
};

TEST_F(ProfileTest, MissingValuesReturnTheDefaultExactly) {
  EXPECT_EQ(GetProfileText("Setting", "FontSize", "12"), "12");
  EXPECT_EQ(GetProfileText("Setting", "FontSize", ""), "");
  EXPECT_EQ(GetProfileText("Setting", "FontFamilies", " padded "), " padded ");
  EXPECT_EQ(GetProfileNumber("Find", "MatchCase", -7), -7);
  // Reading created nothing on disk.
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(ProfileFilePath())));
}

TEST_F(ProfileTest, TextsRoundTripIncludingChineseAndCommas) {
  const std::string chinese = GbkFromUtf8("宋体");
  ASSERT_TRUE(WriteProfileText("Setting", "FontFamilies", chinese));
  ASSERT_TRUE(WriteProfileText("Setting", "WindowPos", "0,1,-1,-1,-8,-31,10,20,800,600"));
  ASSERT_TRUE(WriteProfileText("Setting", "PreConnServers", "a, b,"));
  ASSERT_TRUE(WriteProfileText("Setting", "Empty", ""));
  EXPECT_EQ(GetProfileText("Setting", "FontFamilies", ""), chinese);
  EXPECT_EQ(GetProfileText("Setting", "WindowPos", ""), "0,1,-1,-1,-8,-31,10,20,800,600");
  EXPECT_EQ(GetProfileText("Setting", "PreConnServers", ""), "a, b,");
  EXPECT_EQ(GetProfileText("Setting", "Empty", "default"), "");  // stored empty is not missing
  // The file is UTF-8 under <config>/Nolbe/ORVA.conf.
  QFile file(m_user + "/Nolbe/ORVA.conf");
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(QString::fromUtf8(file.readAll()).contains(QStringLiteral("宋体")));
}

TEST_F(ProfileTest, NumbersRoundTripAsThirtyTwoBits) {
  ASSERT_TRUE(WriteProfileNumber("PageSetup", "LeftMargin", 1000));
  ASSERT_TRUE(WriteProfileNumber("Find", "MatchCase", 0));
  ASSERT_TRUE(WriteProfileNumber("Find", "Negative", -2147483647 - 1));
  EXPECT_EQ(GetProfileNumber("PageSetup", "LeftMargin", 5), 1000);
  EXPECT_EQ(GetProfileNumber("Find", "MatchCase", 5), 0);
  EXPECT_EQ(GetProfileNumber("Find", "Negative", 5), -2147483647 - 1);
  // A text that is no number reads as the default.
  ASSERT_TRUE(WriteProfileText("Find", "NotANumber", "abc"));
  EXPECT_EQ(GetProfileNumber("Find", "NotANumber", 9), 9);
}

TEST_F(ProfileTest, NoTextDeletesTheValueAndNoNameDeletesTheSection) {
  ASSERT_TRUE(WriteProfileText("Replace", "FindWhat", "x"));
  ASSERT_TRUE(WriteProfileText("Replace", "ReplaceWith", "y"));
  ASSERT_TRUE(WriteProfileText("Find", "FindWhat", "z"));
  ASSERT_TRUE(WriteProfileText("Replace", "FindWhat", std::nullopt));
  EXPECT_EQ(GetProfileText("Replace", "FindWhat", "gone"), "gone");
  EXPECT_EQ(GetProfileText("Replace", "ReplaceWith", ""), "y");
  ASSERT_TRUE(WriteProfileText("Replace", std::nullopt, std::nullopt));
  EXPECT_EQ(GetProfileText("Replace", "ReplaceWith", "gone"), "gone");
  EXPECT_EQ(GetProfileText("Find", "FindWhat", ""), "z");  // other sections untouched
}

TEST_F(ProfileTest, MachineRootFallsBackToUserFileWhenNotWritable) {
  SetProfileUserRoot(false);
  ASSERT_TRUE(WriteProfileText("Setting", "LastFileExt", "mdb"));
  EXPECT_TRUE(QFileInfo::exists(m_system + "/Nolbe/ORVA.conf"));
  EXPECT_EQ(GetProfileText("Setting", "LastFileExt", ""), "mdb");

  // A machine folder that cannot be created (its parent is a plain file):
  // the values go to the per-user file instead, and still read back.
  QFile blocker(m_dir.path() + "/blocked");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  setenv("ORVA_SYSTEM_CONFIG_DIR", (m_dir.path() + "/blocked/sub").toLocal8Bit().constData(), 1);
  ASSERT_TRUE(WriteProfileText("Setting", "LastFileExt", "dbf"));
  EXPECT_EQ(QString::fromStdString(ProfileFilePath()), m_user + "/Nolbe/ORVA.conf");
  EXPECT_EQ(GetProfileText("Setting", "LastFileExt", ""), "dbf");
}

TEST_F(ProfileTest, EmptyCompanyKeyUsesAnIniFileNamedAfterTheApplication) {
  SetProfileNames("", "ORVA");
  ASSERT_TRUE(WriteProfileNumber("PageSetup", "TopMargin", 25));
  EXPECT_EQ(QString::fromStdString(ProfileFilePath()), m_user + "/ORVA.ini");
  EXPECT_EQ(GetProfileText("PageSetup", "TopMargin", ""), "25");  // numbers are written as "%d"
  // Reads are limited to 4095 bytes, cut on a character boundary.
  std::string longText = "a" + std::string(3000, '\0');
  longText.clear();
  for (int i = 0; i < 2100; ++i) longText += "\xD6\xD0";  // 4200 bytes of 中
  ASSERT_TRUE(WriteProfileText("Setting", "Long", longText));
  std::string read = GetProfileText("Setting", "Long", "");
  EXPECT_EQ(read.size(), 4094u);
  EXPECT_EQ(read, longText.substr(0, 4094));
  SetProfileNames("Nolbe", "ORVA");
  EXPECT_EQ(GetProfileText("Setting", "Long", "none"), "none");  // separate stores
}

TEST_F(ProfileTest, UnwritableStoreReportsFailure) {
  // The per-user folder is a plain file: nothing can be written.
  QFile blocker(m_user);
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  EXPECT_FALSE(WriteProfileText("Setting", "X", "1"));
  EXPECT_FALSE(WriteProfileNumber("Setting", "Y", 1));
  EXPECT_EQ(GetProfileText("Setting", "X", "d"), "d");
}

}  // namespace
}  // namespace orva
