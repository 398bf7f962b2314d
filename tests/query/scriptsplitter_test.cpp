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
}

TEST(ScriptSplitter, ApostropheInsideALineCommentOpensNoQuote) {
  EXPECT_EQ(Split("-- don't\r\nselect 1; select 2"), (Statements{"select 1", "select 2"}));
  EXPECT_EQ(Split("select 1 // it's\nselect 2; select 3"), (Statements{"select 1  select 2", "select 3"}));
}

TEST(ScriptSplitter, CommentBeforeCrLfJoinsLinesWithOneSpace) {
  EXPECT_EQ(Split("select 1 -- first\r\nselect 2"), (Statements{"select 1  select 2"}));
  EXPECT_EQ(Split("select a\r\nfrom t"), (Statements{"select a from t"}));
  // After a space or a semicolon the CR is dropped.
  EXPECT_EQ(Split("select a \r\nfrom t"), (Statements{"select a from t"}));
  EXPECT_EQ(Split("select 1;\r\nselect 2;\r\n"), (Statements{"select 1", "select 2"}));
}

TEST(ScriptSplitter, SingleHyphenOrSlashStaysAndDoubleSlashDropsTheLine) {
  EXPECT_EQ(Split("select 4 - 2, 6 / 3 from t"), (Statements{"select 4 - 2, 6 / 3 from t"}));
  EXPECT_EQ(Split("select 6 // 3 from t\r\n, 1"), (Statements{"select 6  , 1"}));
  EXPECT_EQ(Split("select 1 -"), (Statements{"select 1 -"}));
  EXPECT_EQ(Split("select 1 /"), (Statements{"select 1 /"}));
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

// Every line break of a script in CR LF form turned into a bare LF.
std::string WithLf(std::string text) {
  for (std::size_t pos = text.find("\r\n"); pos != std::string::npos; pos = text.find("\r\n", pos))
    text.erase(pos, 1);
  return text;
}

TEST(ScriptSplitter, TriggerScriptGivesFiveStatementsWithEitherLineEnd) {
  const std::string script =
      "CREATE TABLE t(a INTEGER, b TEXT);\r\n"
      "CREATE TABLE log(x TEXT);\r\n"
      "CREATE TRIGGER tr AFTER INSERT ON t BEGIN\r\n"
      "  INSERT INTO log VALUES ('added ' || new.a);\r\n"
      "  UPDATE t SET b = 'x;y' WHERE a = new.a;\r\n"
      "END;\r\n"
      "INSERT INTO t VALUES (1, 'it''s; fine'); -- comment; here\r\n"
      "/* block; comment */ SELECT * FROM log;\r\n";
  const Statements expected{
      "CREATE TABLE t(a INTEGER, b TEXT)",
      "CREATE TABLE log(x TEXT)",
      "CREATE TRIGGER tr AFTER INSERT ON t BEGIN   INSERT INTO log VALUES ('added ' || new.a);  "
      "UPDATE t SET b = 'x;y' WHERE a = new.a;END",
      "INSERT INTO t VALUES (1, 'it''s; fine')",
      "SELECT * FROM log",
  };
  EXPECT_EQ(Split(script), expected);
  EXPECT_EQ(Split(WithLf(script)), expected);
}

TEST(ScriptSplitter, BlockCommentsAreDroppedWhateverTheyHold) {
  EXPECT_EQ(Split("select 1 /* a; 'b -- c // d */; select 2"), (Statements{"select 1 ", "select 2"}));
  // Where the comment separated two words it leaves one space.
  EXPECT_EQ(Split("select a/*c*/from t"), (Statements{"select a from t"}));
  EXPECT_EQ(Split("select 1 /* one;\r\ntwo; */\r\nfrom t"), (Statements{"select 1  from t"}));
  // "/*" inside quotes or a line comment is text.
  EXPECT_EQ(Split("select '/* x'; select 2"), (Statements{"select '/* x'", "select 2"}));
  EXPECT_EQ(Split("select 1 -- /* x\r\n; select 2 */"), (Statements{"select 1  ", "select 2 */"}));
  // The closing "*/" cannot share the star of the opening "/*".
  EXPECT_EQ(Split("/*/ still; a comment */select 1"), (Statements{"select 1"}));
  // Unterminated: the rest of the script is comment.
  EXPECT_EQ(Split("select 1; /* select 2; select 3"), (Statements{"select 1"}));
  EXPECT_TRUE(Split("/* only; a comment */;").empty());
}

TEST(ScriptSplitter, TriggerBodyEndsOnlyAtTheEndThatClosesIt) {
  // Lower case, TEMP, a CASE ... END and an "end" in quotes and comments
  // inside the body.
  EXPECT_EQ(Split("create temp trigger x after delete on t begin\n"
                  "  select case when old.a then 'end;' end; -- end;\n"
                  "  delete from \"end\" where id = old.id; /* end; */\n"
                  "end;\n"
                  "select 3"),
            (Statements{"create temp trigger x after delete on t begin   select case when old.a then 'end;' end;    "
                        "delete from \"end\" where id = old.id;  end",
                        "select 3"}));
  EXPECT_EQ(Split("Create Temporary Trigger y Before Insert On t When new.a > 0 Begin Select 1; End ; select 4"),
            (Statements{"Create Temporary Trigger y Before Insert On t When new.a > 0 Begin Select 1; End ",
                        "select 4"}));
  // "END IF;" and "END x;" do not close the body.
  EXPECT_EQ(Split("/* head */ CREATE -- c\r\nTRIGGER z BEGIN IF a THEN b; END IF; END; SELECT 5").size(), 2u);
  // The words must start the statement: other statements split as always.
  EXPECT_EQ(Split("create table trigger_log(x); select 'create trigger'; begin; x; end;"),
            (Statements{"create table trigger_log(x)", "select 'create trigger'", "begin", "x", "end"}));
  // Without its END the trigger runs to the end of the script.
  EXPECT_EQ(Split("create trigger w begin select 1; select 2;").size(), 1u);
}

TEST(ScriptSplitter, QuotedIdentifiersHideSemicolonsQuotesAndCommentMarks) {
  EXPECT_EQ(Split("select \"a;b\" from t; select [c;d], `e;f` from u"),
            (Statements{"select \"a;b\" from t", "select [c;d], `e;f` from u"}));
  EXPECT_EQ(Split("select \"it's\" -- x\r\n, [--y], `/*z`, \"a\"\"--\" from t; select 1"),
            (Statements{"select \"it's\"  , [--y], `/*z`, \"a\"\"--\" from t", "select 1"}));
  // The second byte of a double-byte character can be "]", "`" or "[": it
  // neither closes nor opens a quoted name.
  EXPECT_EQ(Split("select [\x81\x5D;x] from t; select 2"), (Statements{"select [\x81\x5D;x] from t", "select 2"}));
  EXPECT_EQ(Split("select `\x81\x60;` from t; select 2"), (Statements{"select `\x81\x60;` from t", "select 2"}));
  EXPECT_EQ(Split("select \x81\x5B; select 2"), (Statements{"select \x81\x5B", "select 2"}));
}

TEST(ScriptSplitter, LineBreaksOutsideQuotesAlwaysSeparateWords) {
  EXPECT_EQ(Split("create view v as\nselect 1"), (Statements{"create view v as select 1"}));
  EXPECT_EQ(Split("select a\nfrom t"), (Statements{"select a from t"}));
  // The bytes before a line break inside a comment do not glue the lines.
  EXPECT_EQ(Split("SELECT a--note;\r\nFROM t"), (Statements{"SELECT a FROM t"}));
  EXPECT_EQ(Split("SELECT a-- note \nFROM t"), (Statements{"SELECT a FROM t"}));
  // A CR or LF first in the script gives no blank statement.
  EXPECT_EQ(Split("\rselect 1"), (Statements{"select 1"}));
  EXPECT_TRUE(Split("\r").empty());
  EXPECT_TRUE(Split("\n\r\n").empty());
  // Line ends inside quotes are kept as the script has them.
  EXPECT_EQ(Split("insert into t values('1\n2');\ninsert into t values(\"3\r\n4\")"),
            (Statements{"insert into t values('1\n2')", "insert into t values(\"3\r\n4\")"}));
  // A script splits the same with LF line ends as with CR LF.
  for (const std::string script :
       {"select 1 -- first\r\nselect 2", "select a \r\nfrom t;\r\n\r\n-- x\r\nselect b\r\n  , c // y;\r\nfrom u;",
        "select 4 - 2, 6 / 3\r\nfrom t\r\n;\r\n/* a\r\n b */\r\nselect 'x'\r\n"}) {
    EXPECT_EQ(Split(WithLf(script)), Split(script)) << script;
  }
}

}  // namespace
}  // namespace orva
