#include <gtest/gtest.h>

#include "editor/sqlcolouring.h"
#include "platform/codec.h"

namespace orva {
namespace {

// One character per byte giving the colour it is drawn in: the last span
// starting at or before the byte wins; bytes before any span are normal text.
std::string Colours(std::string_view line, std::uint32_t cookie = 0, std::uint32_t* cookieOut = nullptr) {
  std::vector<ColorSpan> spans;
  std::uint32_t out = ColorLine(cookie, line, &spans);
  EXPECT_EQ(ColorLine(cookie, line, nullptr), out) << "the cookie pass must agree";
  if (cookieOut) *cookieOut = out;
  for (std::size_t i = 1; i < spans.size(); ++i) EXPECT_LE(spans[i - 1].start, spans[i].start);
  std::string colours;
  for (std::size_t i = 0; i < line.size(); ++i) {
    int colour = ColorNormalText;
    for (const ColorSpan& span : spans)
      if (span.start <= static_cast<int>(i)) colour = span.color;
    colours += "0123456789ab"[colour];
  }
  return colours;
}

TEST(SqlColouring, KeywordsIgnoreCaseAndNeedTheWholeWord) {
  EXPECT_EQ(Colours("select"), "666666");
  EXPECT_EQ(Colours("Select x"), "66666622");
  EXPECT_EQ(Colours("x SELECT"), "22666666");
  EXPECT_EQ(Colours("selected"), "22222222");
  EXPECT_EQ(Colours("dbo.select"), "2222222222");
  EXPECT_EQ(Colours("class return main"), "66666266666626666");
  EXPECT_EQ(Colours("a=b AND c"), "222266622");
  EXPECT_TRUE(IsSqlKeyword("WITH"));
  EXPECT_TRUE(IsSqlKeyword("__int64"));
  EXPECT_FALSE(IsSqlKeyword("selec"));
  EXPECT_FALSE(IsSqlKeyword(""));
}

TEST(SqlColouring, KeywordTableHoldsBothHalvesInOrder) {
  ASSERT_EQ(SqlKeywords.size(), 177u);
  EXPECT_EQ(SqlKeywords[0], "__asm");
  EXPECT_EQ(SqlKeywords[96], "indexdef");
  EXPECT_EQ(SqlKeywords[97], "INSERT");
  EXPECT_EQ(SqlKeywords[176], "WITH");
}

TEST(SqlColouring, Numbers) {
  for (const char* number : {"123", "1.5e10", "0xFF", "0x1f", "7", "1e+5"}) EXPECT_TRUE(IsSqlNumber(number)) << number;
  for (const char* other : {"0XFF", "1a", "x1", "0x", "0xg1", "", ".5"}) EXPECT_FALSE(IsSqlNumber(other)) << other;
  EXPECT_EQ(Colours("x = 1.5e10, 0XFF"), "2222888888222222");
  EXPECT_EQ(Colours("0x1f+x1"), "8888222");
}

TEST(SqlColouring, LineCommentsEndWithTheLine) {
  std::uint32_t cookie = 1;
  EXPECT_EQ(Colours("-- SELECT", 0, &cookie), "777777777");
  EXPECT_EQ(cookie, 0u);
  EXPECT_EQ(Colours("SELECT", cookie), "666666");
  EXPECT_EQ(Colours("SELECT 1 // note", 0, &cookie), "6666662827777777");
  EXPECT_EQ(cookie, 0u);
  EXPECT_EQ(Colours("a-b"), "222");
}

TEST(SqlColouring, BlockCommentsCarryUntilClosed) {
  std::uint32_t cookie = 0;
  EXPECT_EQ(Colours("x /* SELECT", 0, &cookie), "22777777777");
  EXPECT_EQ(cookie, static_cast<std::uint32_t>(CookieBlockComment));
  EXPECT_EQ(Colours("still SELECT", cookie, &cookie), "777777777777");
  EXPECT_EQ(cookie, static_cast<std::uint32_t>(CookieBlockComment));
  EXPECT_EQ(Colours("", cookie, &cookie), "");
  EXPECT_EQ(cookie, static_cast<std::uint32_t>(CookieBlockComment));
  EXPECT_EQ(Colours("end */ SELECT", cookie, &cookie), "7777772666666");
  EXPECT_EQ(cookie, 0u);
}

TEST(SqlColouring, DirectivesOnlyAtTheStartOfALine) {
  std::uint32_t cookie = 1;
  EXPECT_EQ(Colours("  #define X 1", 0, &cookie), "22bbbbbbbbbbb");
  EXPECT_EQ(cookie, 0u);
  EXPECT_EQ(Colours("a #b"), "2222");
  EXPECT_EQ(Colours("#if /* c */ x"), "bbbb7777777bb");
  EXPECT_EQ(Colours("#x // c"), "bbb7777");
}

TEST(SqlColouring, QuotedTexts) {
  EXPECT_EQ(Colours("a 'x' b"), "22aaa22");
  EXPECT_EQ(Colours("\"a\\\"b\" AS"), "aaaaaa266");
  // A doubled quote ends and restarts the text.
  EXPECT_EQ(Colours("'it''s'"), "aaaaaaa");
  // Comment marks inside a text are text.
  EXPECT_EQ(Colours("'--' x"), "aaaa22");
}

TEST(SqlColouring, GbkWords) {
  const std::string name = GbkFromUtf8("中文");
  EXPECT_EQ(Colours("SELECT " + name), "6666662" + std::string(name.size(), '2'));
  EXPECT_EQ(Colours("SELECT" + name), std::string(6 + name.size(), '2'));
  // A GBK byte ends first-byte mode, so a later "#" is no directive.
  EXPECT_EQ(Colours(name + "#x"), std::string(name.size() + 2, '2'));
}

TEST(SqlColouring, BackslashAtTheEndCarriesTheWholeCookie) {
  std::uint32_t cookie = 0;
  EXPECT_EQ(Colours("x = 'abc\\", 0, &cookie), "2222aaaaa");
  EXPECT_EQ(cookie, static_cast<std::uint32_t>(CookieChar));
  EXPECT_EQ(Colours("def' AND", cookie, &cookie), "aaaa2666");
  EXPECT_EQ(cookie, 0u);
  // Without the backslash an open text ends with its line.
  EXPECT_EQ(Colours("'abc", 0, &cookie), "aaaa");
  EXPECT_EQ(cookie, 0u);
  // A continued line comment colours the next line too.
  Colours("-- c \\", 0, &cookie);
  EXPECT_EQ(cookie, static_cast<std::uint32_t>(CookieLineComment));
  EXPECT_EQ(Colours("SELECT", cookie, &cookie), "777777");
}

TEST(SqlColouring, SpansAreExactlyThoseOfTheScan) {
  std::vector<ColorSpan> spans;
  ColorLine(0, "SELECT a", &spans);
  EXPECT_EQ(spans, (std::vector<ColorSpan>{{0, 2}, {0, 6}, {6, 2}}));
  spans.clear();
  ColorLine(0, "a 'b'", &spans);
  // The span due after the closing quote is added even at the line end.
  EXPECT_EQ(spans, (std::vector<ColorSpan>{{0, 2}, {1, 2}, {2, 10}, {5, 2}}));
}

// On a line of megabytes the colouring leaves resume points; taking the state
// up from them gives the colours of a scan from the line's start, whatever
// order the parts are asked in.
TEST(SqlColouring, ResumePointsOfALongLineGiveTheSameColours) {
  std::string line;
  for (int i = 0; line.size() < (3u << 20) + 500; ++i)
    line += i % 7 ? "(12,'a\x95\x5C b',\"x\") " : "/* c */ select -- x\\ '";
  std::vector<ColourResumePoint> resume;
  for (std::size_t from : {std::size_t{3} << 20, std::size_t{1} << 20, (std::size_t{2} << 20) + 7, std::size_t{5}}) {
    std::vector<ColorSpan> resumed, scanned;
    ColorLinePart(CookieChar, line, from, from + 300, resumed, &resume);
    ColorLinePart(CookieChar, line, from, from + 300, scanned);
    EXPECT_EQ(resumed, scanned) << "from " << from;
  }
  EXPECT_GE(resume.size(), 3u);
}

// A double-byte character whose second byte is an ASCII symbol is one
// character: it never ends a word, escapes a quote or continues a line.
TEST(SqlColouring, DoubleByteCharactersAreNeverSplit) {
  // 0xAB 0x40 (second byte "@") glued to a keyword makes one word.
  EXPECT_EQ(Colours("\xAB\x40select"), "22222222");
  EXPECT_EQ(Colours("x \xAB\x7Cselect"), "2222222222");
  // 0x95 0x5C: the second byte is no backslash.
  std::uint32_t cookie = 0;
  EXPECT_EQ(Colours("-- \x95\x5C", 0, &cookie), "77777");
  EXPECT_EQ(cookie, 0u);
  EXPECT_EQ(Colours("'\x95\x5C' x", 0, &cookie), "aaaa22");
  EXPECT_EQ(Colours("\"\x95\x5C\" and", 0, &cookie), "aaaa2666");
  // A real backslash after such a character still escapes and continues.
  EXPECT_EQ(Colours("'\x95\x5C\\' x", 0, &cookie), "aaaaaaa");
  EXPECT_EQ(cookie, 0u);
  EXPECT_EQ(Colours("-- \x95\x5C\\", 0, &cookie), "777777");
  EXPECT_EQ(cookie, static_cast<std::uint32_t>(CookieLineComment));
}

// Random lines for the cookie pass are made of the bytes that matter to it,
// and start in every state a line can start in.
const std::string kStateAlphabet = "/-*'\"\\# \tax1\xB0\x95\x81\x40\x5C\x7C";
const std::uint32_t kLineStarts[] = {0,          CookieBlockComment, CookieString, CookieChar, CookieLineComment,
                                     CookieDirective, CookieDirective | CookieBlockComment};

// The cookie pass skips bytes that cannot change the state (sixteen at a time
// where it can); over many random lines of the bytes that matter, long enough
// for that fast path, it must end every line as the full scan does, and no
// span may start inside a double-byte character.
TEST(SqlColouring, CookiePassAgreesWithTheFullScanOnRandomLines) {
  std::uint32_t seed = 12345;
  auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  int disagreements = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string line;
    const std::size_t length = next() % 48;
    for (std::size_t i = 0; i < length; ++i) line += kStateAlphabet[next() % kStateAlphabet.size()];
    for (std::uint32_t cookie : kLineStarts) {
      std::vector<ColorSpan> spans;
      if (ColorLine(cookie, line, &spans) != ColorLine(cookie, line, nullptr) && ++disagreements < 5)
        ADD_FAILURE() << "cookie " << cookie << ", line \"" << line << "\"";
      for (const ColorSpan& span : spans) {
        if (IsTrailByteAt(line, static_cast<std::size_t>(span.start)) && ++disagreements < 5)
          ADD_FAILURE() << "span inside a character at " << span.start << ", line \"" << line << "\"";
      }
    }
  }
  EXPECT_EQ(disagreements, 0);
}

// The cookie pass can run over a line in slices; whatever the slice size, a
// comment opener, a quote, an escape or a double-byte character cut by a
// slice's end must leave the line in the state the whole pass gives, and
// every slice must end on a character start.
TEST(SqlColouring, CookiePassInSlicesEndsAsTheWholePass) {
  std::uint32_t seed = 777;
  auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  int failures = 0;
  for (int round = 0; round < 5000 && failures < 5; ++round) {
    std::string line;
    const std::size_t length = next() % 64;
    for (std::size_t i = 0; i < length; ++i) line += kStateAlphabet[next() % kStateAlphabet.size()];
    const std::uint32_t cookie = kLineStarts[next() % std::size(kLineStarts)];
    const std::size_t budget = 1 + next() % 24;
    ColourResumePoint progress;
    std::uint32_t endCookie = 0xFFFF;
    std::size_t previous = 0;
    while (!ColorLineCookieSlice(cookie, line, progress, budget, endCookie)) {
      if (progress.position <= previous || IsTrailByteAt(line, progress.position)) {
        ADD_FAILURE() << "slice ends at " << progress.position << " of \"" << line << "\"";
        ++failures;
        break;
      }
      previous = progress.position;
    }
    if (endCookie != ColorLine(cookie, line, nullptr)) {
      ADD_FAILURE() << "cookie " << cookie << ", slices of " << budget << ", line \"" << line << "\"";
      ++failures;
    }
  }
  EXPECT_EQ(failures, 0);
}

// What a view shows of a long line is coloured on its own; every byte of the
// part must get the colour the whole line's colouring gives it.
TEST(SqlColouring, PartOfALineIsColouredAsInTheWholeLine) {
  const std::vector<std::string> pieces = {"select", "SeLeCt", " ", "\t", "'", "\"", "/", "*", "-", "#", "\\", "0x1F",
                                           "1.5e3", "x_y", ".", ",", "\xB0\xA1", "\x95\x5C", "\xAB@", "(", "from"};
  const std::uint32_t starts[] = {0, CookieBlockComment, CookieString, CookieChar, CookieDirective};
  std::uint32_t seed = 4242;
  auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  const auto colourOf = [](const std::vector<ColorSpan>& spans, std::size_t i) {
    int colour = ColorNormalText;
    for (const ColorSpan& span : spans)
      if (span.start <= static_cast<int>(i)) colour = span.color;
    return colour;
  };
  for (int round = 0; round < 3000; ++round) {
    std::string line;
    const std::size_t count = next() % 16;
    for (std::size_t i = 0; i < count; ++i) line += pieces[next() % pieces.size()];
    if (line.empty()) continue;
    const std::uint32_t cookie = starts[next() % std::size(starts)];
    std::vector<ColorSpan> whole;
    ColorLine(cookie, line, &whole);
    std::size_t from = CharStartAt(line, next() % line.size());
    const std::size_t to = from + 1 + next() % (line.size() - from);
    std::vector<ColorSpan> part;
    ColorLinePart(cookie, line, from, to, part);
    ASSERT_FALSE(part.empty());
    EXPECT_EQ(part.front().start, static_cast<int>(from));
    for (std::size_t i = from; i < to; ++i)
      ASSERT_EQ(colourOf(part, i), colourOf(whole, i))
          << "byte " << i << " of \"" << line << "\", part " << from << "-" << to << ", cookie " << cookie;
  }
}

}  // namespace
}  // namespace orva
