#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "query/scriptsplitter.h"

namespace orva {
namespace {

std::vector<std::string> Split(const std::string& script) {
  CScriptSplitter splitter;
  splitter.Split(script);
  std::vector<std::string> statements;
  while (splitter.HasMore()) statements.push_back(splitter.PopFront());
  return statements;
}

using Statements = std::vector<std::string>;

TEST(ScriptSplitter, CommentsAndBlankLinesGiveNoStatement) {
  EXPECT_TRUE(Split("").empty());
  EXPECT_TRUE(Split("-- only a comment\r\n\r\n// another\r\n   \r\n;;  ;").empty());
  CScriptSplitter splitter;
  EXPECT_FALSE(splitter.HasMore());
  EXPECT_EQ(splitter.PopFront(), "");
}

TEST(ScriptSplitter, QuotesProtectSemicolonsCommentsAndLineBreaks) {
  EXPECT_EQ(Split("select 'a;b' from t; select 2"), (Statements{"select 'a;b' from t", "select 2"}));
  EXPECT_EQ(Split("select '--x//y' from t"), (Statements{"select '--x//y' from t"}));
  EXPECT_EQ(Split("insert into t values('1\r\n2')"), (Statements{"insert into t values('1\r\n2')"}));
  // Double quotes have no meaning: the semicolon inside them ends the statement.
  EXPECT_EQ(Split("select \"a;b\""), (Statements{"select \"a", "b\""}));
}

TEST(ScriptSplitter, ApostropheInsideALineCommentOpensNoQuote) {
  EXPECT_EQ(Split("-- don't\r\nselect 1; select 2"), (Statements{"select 1", "select 2"}));
  EXPECT_EQ(Split("select 1 // it's\nselect 2; select 3"), (Statements{"select 1 select 2", "select 3"}));
}

TEST(ScriptSplitter, CommentBeforeCrLfJoinsLinesWithOneSpace) {
  EXPECT_EQ(Split("select 1 -- first\r\nselect 2"), (Statements{"select 1  select 2"}));
  EXPECT_EQ(Split("select a\r\nfrom t"), (Statements{"select a from t"}));
  // After a space or a semicolon the CR is dropped.
  EXPECT_EQ(Split("select a \r\nfrom t"), (Statements{"select a from t"}));
  EXPECT_EQ(Split("select 1;\r\nselect 2;\r\n"), (Statements{"select 1", "select 2"}));
  // A bare LF is dropped without a space; a leading CR stays as it is.
  EXPECT_EQ(Split("select a\nfrom t"), (Statements{"select afrom t"}));
  EXPECT_EQ(Split("\rselect 1"), (Statements{"\rselect 1"}));
}

TEST(ScriptSplitter, SingleHyphenOrSlashStaysAndDoubleSlashDropsTheLine) {
  EXPECT_EQ(Split("select 4 - 2, 6 / 3 from t"), (Statements{"select 4 - 2, 6 / 3 from t"}));
  EXPECT_EQ(Split("select 6 // 3 from t\r\n, 1"), (Statements{"select 6  , 1"}));
  EXPECT_EQ(Split("select 1 -"), (Statements{"select 1 -"}));
  EXPECT_EQ(Split("select 1 /"), (Statements{"select 1 /"}));
  EXPECT_EQ(Split("select /* not a comment */ 1"), (Statements{"select /* not a comment */ 1"}));
}

TEST(ScriptSplitter, LeadingSpacesGoTrailingSpacesAndTabsStay) {
  EXPECT_EQ(Split("   select 1   ;"), (Statements{"select 1   "}));
  EXPECT_EQ(Split("select 1;\t\t;x"), (Statements{"select 1", "\t\t", "x"}));
  // GBK text passes through byte for byte (trail bytes never look like syntax).
  const std::string chinese = "select '\xD6\xD0\xCE\xC4' as \xC3\xFB";
  EXPECT_EQ(Split(chinese + ";"), (Statements{chinese}));
}

TEST(ScriptSplitter, SplitEmptiesTheListFirst) {
  CScriptSplitter splitter;
  splitter.Split("a;b;c");
  EXPECT_EQ(splitter.Count(), 3u);
  EXPECT_EQ(splitter.PopFront(), "a");
  splitter.Split("d");
  EXPECT_EQ(splitter.Count(), 1u);
  EXPECT_EQ(splitter.PopFront(), "d");
}

}  // namespace
}  // namespace orva
