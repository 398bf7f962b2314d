// The splitter against SQLite: random scripts of tables, texts, quoted names,
// comments and triggers are split, every statement must be complete by
// SQLite's own judgement, and the statements run one by one must leave the
// database as SQLite leaves it when it runs the whole script.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <random>
#include <string>
#include <vector>

#include "query/scriptsplitter.h"

namespace orva {
namespace {

class ScriptMaker {
 public:
  explicit ScriptMaker(unsigned seed) : m_random(seed), m_eol(seed % 2 ? "\n" : "\r\n") {}

  // A script and the number of statements in it (empty ones not counted).
  std::string Make(int& statements) {
    std::string script = Keyword("CREATE") + " TABLE log(x TEXT)" + End();
    statements = 1;
    const int count = 3 + Pick(10);
    for (int i = 0; i < count; ++i) {
      if (Chance(8)) {
        script += Chance(50) ? ";" + Gap(false) : "/* nothing; here */;" + m_eol;
        continue;
      }
      script += Statement() + End();
      ++statements;
    }
    return script;
  }

  bool MadeTrigger() const { return m_triggers > 0; }

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
  bool Chance(int percent) { return Pick(100) < percent; }

  std::string Keyword(const std::string& word) {
    std::string out = word;
    const int style = Pick(3);
    for (char& c : out) {
      if (style == 1 || (style == 2 && Chance(50))) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
  }

  // What may stand between two tokens: blanks, line breaks, comments. Tabs
  // only inside statements: a statement of nothing but tabs is kept and sent
  // (the driver reports it), which SQLite's own run would skip.
  std::string Gap(bool tabs = true) {
    switch (Pick(8)) {
      case 0: return m_eol;
      case 1: return " -- note; 'x /* end;" + m_eol;
      case 2: return " /* c; 'd -- e // f" + m_eol + " end; */ ";
      case 3: return m_eol + (tabs ? "  \t" : "  ");
      case 4: return "/**/";
      default: return " ";
    }
  }

  std::string End() { return (Chance(30) ? Gap() : "") + ";" + (Chance(50) ? Gap(false) : m_eol); }

  // A text literal full of bytes that mean something outside quotes.
  std::string Text() {
    static const char* const kPieces[] = {"a",    ";",  "--", "/*",  "*/", "//",  "''",  "\"",
                                          "[",    "]",  "`",  "end;", "END", " ",  "\n",  "\r\n",
                                          "begin", "\\", "\xD6\xD0\xCE\xC4"};
    std::string text = "'";
    for (int n = 1 + Pick(6); n > 0; --n) text += kPieces[Pick(sizeof kPieces / sizeof *kPieces)];
    return text + "'";
  }

  // A new name, plain or in one of the three identifier quotes.
  std::string NewName(const char* prefix) {
    const std::string base = prefix + std::to_string(++m_names);
    switch (Pick(4)) {
      case 0: return "\"" + base + ";'x\"\"--\"";
      case 1: return "[" + base + " --;/*']";
      case 2: return "`" + base + "``;'`";
      default: return base;
    }
  }

  const std::string& AnyTable() { return m_tables[static_cast<std::size_t>(Pick(static_cast<int>(m_tables.size())))]; }
  std::string Number() { return std::to_string(Pick(10)); }

  std::string TriggerBody(const std::string& table) {
    std::string body;
    for (int n = 1 + Pick(3); n > 0; --n) {
      switch (Pick(3)) {
        case 0: body += "INSERT INTO log VALUES (" + Text() + " ||" + Gap() + "new.a)"; break;
        case 1:
          body += "UPDATE " + table + " SET b = CASE WHEN new.a > 5 THEN " + Text() + Gap() + Keyword("END") +
                  " WHERE a = new.a";
          break;
        default: body += "SELECT CASE WHEN new.a THEN 'END;' " + Keyword("END"); break;
      }
      body += (Chance(30) ? Gap() : "") + ";" + Gap();
    }
    return body;
  }

  std::string Statement() {
    if (m_tables.empty() || Chance(15)) {
      m_tables.push_back(NewName("t"));
      return Keyword("CREATE") + Gap() + "TABLE " + m_tables.back() + "(a INTEGER," + Gap() + "b TEXT)";
    }
    const std::string& table = AnyTable();
    switch (Pick(6)) {
      case 0: return Keyword("INSERT") + " INTO " + table + Gap() + "VALUES (" + Number() + ", " + Text() + ")";
      case 1: return "UPDATE " + table + " SET b =" + Gap() + Text() + " WHERE a = " + Number();
      case 2: return "DELETE FROM " + table + " WHERE a =" + Gap() + Number();
      case 3: return Keyword("CREATE") + " VIEW " + NewName("v") + " AS" + Gap() + "SELECT a, b FROM " + table;
      case 4: {
        ++m_triggers;
        const char* temp[] = {"", " TEMP", " TEMPORARY"};
        return Keyword("CREATE") + Keyword(temp[Pick(3)]) + Gap() + Keyword("TRIGGER") + " " + NewName("tr") +
               " AFTER INSERT ON " + table + (Chance(50) ? " WHEN new.a > 0" : "") + Gap() + Keyword("BEGIN") +
               Gap() + TriggerBody(table) + Keyword("END");
      }
      default: return "SELECT count(*) FROM" + Gap() + table;
    }
  }

  std::mt19937 m_random;
  std::string m_eol;
  std::vector<std::string> m_tables;
  int m_names = 0;
  int m_triggers = 0;
};

class SqliteDb {
 public:
  SqliteDb() { sqlite3_open(":memory:", &m_db); }
  ~SqliteDb() { sqlite3_close(m_db); }
  // Runs a script; the error text, empty on success.
  std::string Exec(const std::string& script) {
    char* error = nullptr;
    if (sqlite3_exec(m_db, script.c_str(), nullptr, nullptr, &error) == SQLITE_OK) return {};
    std::string text = error ? error : "error";
    sqlite3_free(error);
    return text;
  }
  // Every row of a query, columns as type and bytes.
  std::vector<std::string> Rows(const std::string& query) {
    std::vector<std::string> rows;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_db, query.c_str(), -1, &statement, nullptr) != SQLITE_OK) return {"prepare failed"};
    while (sqlite3_step(statement) == SQLITE_ROW) {
      std::string row;
      for (int i = 0; i < sqlite3_column_count(statement); ++i) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
        row += std::to_string(sqlite3_column_type(statement, i)) + ":" +
               (text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, i))) : "") + "|";
      }
      rows.push_back(row);
    }
    sqlite3_finalize(statement);
    return rows;
  }
  // The schema objects and the rows of every table.
  std::vector<std::string> State() {
    std::vector<std::string> state = Rows(
        "SELECT type, name, tbl_name FROM sqlite_master UNION ALL "
        "SELECT type, name, tbl_name FROM sqlite_temp_master ORDER BY 1, 2");
    for (const std::string& row : Rows("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")) {
      std::string name = row.substr(2, row.size() - 3);  // "3:" ... "|"
      std::string quoted = "\"";
      for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
      quoted += "\"";
      state.push_back("table " + name);
      for (const std::string& data : Rows("SELECT * FROM " + quoted + " ORDER BY rowid")) state.push_back(data);
    }
    return state;
  }

 private:
  sqlite3* m_db = nullptr;
};

TEST(ScriptSplitterSqlite, RandomScriptsSplitIntoCompleteStatementsThatRunAsTheWholeScript) {
  int withTriggers = 0;
  for (unsigned seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    ScriptMaker maker(seed);
    int expected = 0;
    const std::string script = maker.Make(expected);
    SCOPED_TRACE(script);
    ASSERT_TRUE(sqlite3_complete(script.c_str()));

    CScriptSplitter splitter;
    splitter.Split(script);
    std::vector<std::string> statements;
    while (splitter.HasMore()) statements.push_back(splitter.PopFront());
    ASSERT_EQ(statements.size(), static_cast<std::size_t>(expected)) << ::testing::PrintToString(statements);
    std::string joined;
    for (const std::string& statement : statements) {
      EXPECT_TRUE(sqlite3_complete((statement + ";").c_str())) << statement;
      joined += statement + ";";
    }

    SqliteDb whole, split;
    ASSERT_EQ(whole.Exec(script), "");
    ASSERT_EQ(split.Exec(joined), "") << joined;
    const std::vector<std::string> state = whole.State();
    EXPECT_EQ(split.State(), state);
    if (maker.MadeTrigger()) ++withTriggers;
  }
  // The scripts really exercised trigger bodies.
  EXPECT_GT(withTriggers, 100);
}

}  // namespace
}  // namespace orva
