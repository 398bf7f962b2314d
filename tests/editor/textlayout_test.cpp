// Display columns, position <-> pixel arithmetic, word boundaries and the
// per-line caches of the text view.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "editor/textlayout.h"
#include "editor/textwords.h"
#include "editor/viewcaches.h"

namespace orva {
namespace {

const std::string kZhong = "\xD6\xD0";  // a double-byte GBK character
const std::string kWen = "\xCE\xC4";

TEST(TextLayoutTest, TabsAdvanceToTheNextTabStop) {
  EXPECT_EQ(DisplayLength("\t", 4), 4);
  EXPECT_EQ(DisplayLength("ab\tc", 4), 5);
  EXPECT_EQ(DisplayLength("abcd\t", 4), 8);
  EXPECT_EQ(DisplayLength("a\t", 8), 8);
  EXPECT_EQ(DisplayColumnOf("a\tb", 2, 4), 4);
  EXPECT_EQ(DisplayColumnOf("a\tb", 99, 4), 5);
  EXPECT_EQ(AdvanceColumns("\t", 2, 4), 4);
  EXPECT_EQ(DisplayLength(kZhong + "x", 4), 3);
}

TEST(TextLayoutTest, ClickOnATabLandsBeforeItUpToTheMiddleOfItsLastColumn) {
  const ViewGeometry geometry{10, 16, 20, 0, 0};
  const std::string line = "\t";
  // The tab covers display columns 0-3, pixels 20-59; the middle of its fourth
  // column is x = 55.
  for (int x : {20, 30, 45, 54}) {
    EXPECT_EQ(ByteForClickColumn(line, geometry.ClickColumnForX(x), 4), 0) << x;
  }
  for (int x : {55, 59, 80}) {
    EXPECT_EQ(ByteForClickColumn(line, geometry.ClickColumnForX(x), 4), 1) << x;
  }
}

TEST(TextLayoutTest, PixelPositionsFollowTheScrollPosition) {
  const ViewGeometry geometry{8, 16, 20, 10, 3};
  EXPECT_EQ(geometry.XForColumn(3), 20);
  EXPECT_EQ(geometry.XForColumn(5), 36);
  EXPECT_EQ(geometry.YForLine(12), 32);
  EXPECT_EQ(geometry.LineForY(33), 12);
  EXPECT_EQ(geometry.LineForY(-1), 9);
  EXPECT_EQ((ViewGeometry{8, 16, 20, 0, 0}.ClickColumnForX(0)), 0);  // the margin: column 0 at least
  EXPECT_EQ(geometry.ClickColumnForX(20 + 8 + 4), 5);
}

TEST(TextLayoutTest, ClicksInsideADoubleByteCharacterSnapToItsEnd) {
  const std::string line = "a" + kZhong + "b";
  EXPECT_EQ(ByteForClickColumn(line, 0, 4), 0);
  EXPECT_EQ(ByteForClickColumn(line, 1, 4), 1);
  EXPECT_EQ(ByteForClickColumn(line, 2, 4), 3);  // would be the trail byte
  EXPECT_EQ(ByteForClickColumn(line, 9, 4), 4);
  EXPECT_EQ(SnapColumnRight(line, 2), 3);
  EXPECT_EQ(SnapColumnLeft(line, 2), 1);
  EXPECT_EQ(SnapColumnRight(line, 7), 4);
}

TEST(TextLayoutTest, IdealColumnPicksTheNearerSideOfATab) {
  const std::string line = "\tx";  // tab spans columns 0-3
  EXPECT_EQ(ByteForIdealColumn(line, 0, 4), 0);
  EXPECT_EQ(ByteForIdealColumn(line, 1, 4), 0);
  EXPECT_EQ(ByteForIdealColumn(line, 2, 4), 0);
  EXPECT_EQ(ByteForIdealColumn(line, 3, 4), 1);
  EXPECT_EQ(ByteForIdealColumn(line, 4, 4), 1);
  EXPECT_EQ(ByteForIdealColumn(line, 5, 4), 2);
  EXPECT_EQ(ByteForIdealColumn(line, 40, 4), 2);
  EXPECT_EQ(ByteForIdealColumn(kZhong + kWen, 3, 4), 4);
  EXPECT_EQ(ByteForIdealColumn("abc", 0, 4), 0);
  EXPECT_EQ(ByteForIdealColumn("abc", 2, 4), 2);
}

// The column arithmetic hops from tab to tab (long lines hold few); on
// random lines it must agree with stepping byte by byte.
TEST(TextLayoutTest, ColumnLookupsAgreeWithAByteByByteWalk) {
  const auto next = [](int column, char byte, int tab) { return byte == '\t' ? (column / tab + 1) * tab : column + 1; };
  std::uint32_t seed = 99;
  auto random = [&] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  const std::string alphabet = "ab\t \xD6\xD0";
  for (int round = 0; round < 2000; ++round) {
    std::string line;
    const int length = static_cast<int>(random() % 24);
    for (int i = 0; i < length; ++i) line += alphabet[random() % alphabet.size()];
    const int tab = 1 + static_cast<int>(random() % 8);
    std::vector<int> columns{0};  // display column before each byte, and at the end
    for (char byte : line) columns.push_back(next(columns.back(), byte, tab));
    ASSERT_EQ(DisplayLength(line, tab), columns.back());
    for (int i = 0; i <= length; ++i) ASSERT_EQ(DisplayColumnOf(line, i, tab), columns[i]);
    for (int target = 0; target <= columns.back() + 2; ++target) {
      int click = length, ideal = length, at = length;
      for (int i = length - 1; i >= 0; --i) {
        if (columns[i + 1] > target) click = i;
        if (columns[i] >= target) at = i;
      }
      for (int i = 0; i < length; ++i) {
        if (columns[i] >= target) { ideal = i; break; }
        if (columns[i + 1] >= target) { ideal = columns[i + 1] - tab / 2 < target ? i + 1 : i; break; }
      }
      SCOPED_TRACE(testing::Message() << "tab " << tab << ", target " << target << ", line of " << length);
      ASSERT_EQ(ByteForClickColumn(line, target, tab), SnapColumnRight(line, click));
      ASSERT_EQ(ByteForIdealColumn(line, target, tab), SnapColumnRight(line, ideal));
      ASSERT_EQ(ByteAtDisplayColumn(line, target, tab), at);
    }
  }
}

TEST(TextLayoutTest, ExpandTabsShowsTabsAndSpacesOnRequest) {
  EXPECT_EQ(ExpandTabs("a\tb", 0, 4, false), "a   b");
  EXPECT_EQ(ExpandTabs("\t", 3, 4, false), " ");
  EXPECT_EQ(ExpandTabs("a\t b", 0, 4, true), "a~  \x7F" "b");
}

TEST(TextWordsTest, WordBytesSpacesAndPunctuation) {
  EXPECT_TRUE(IsWordByte('a'));
  EXPECT_TRUE(IsWordByte('_'));
  EXPECT_TRUE(IsWordByte('7'));
  EXPECT_TRUE(IsWordByte(0xD6));
  EXPECT_FALSE(IsWordByte('('));
  EXPECT_TRUE(IsSpaceByte('\t'));
  EXPECT_FALSE(IsSpaceByte(0xA0));
}

TEST(TextWordsTest, WordMovesOverAsciiGbkAndPunctuationRuns) {
  const std::string line = "select " + kZhong + kWen + "+= x_1;";
  // "select " 0-6, GBK 7-10, "+=" 11-12, " " 13, "x_1" 14-16, ";" 17
  EXPECT_EQ(WordRightInLine(line, 0), 7);
  EXPECT_EQ(WordRightInLine(line, 7), 11);
  EXPECT_EQ(WordRightInLine(line, 11), 14);
  EXPECT_EQ(WordRightInLine(line, 14), 17);
  EXPECT_EQ(WordRightInLine(line, 17), 18);
  EXPECT_EQ(WordLeftInLine(line, 18), 17);
  EXPECT_EQ(WordLeftInLine(line, 17), 14);
  EXPECT_EQ(WordLeftInLine(line, 14), 11);
  EXPECT_EQ(WordLeftInLine(line, 11), 7);
  EXPECT_EQ(WordLeftInLine(line, 7), 0);
  EXPECT_EQ(WordLeftInLine("   ", 3), 0);
}

TEST(TextWordsTest, WordAroundAColumn) {
  const std::string line = "ab cd(ef)";
  EXPECT_EQ(WordAround(line, 1).start, 0);
  EXPECT_EQ(WordAround(line, 1).end, 2);
  EXPECT_EQ(WordAround(line, 3).start, 3);
  EXPECT_EQ(WordAround(line, 3).end, 5);
  const WordRange onParen = WordAround("(  )", 1);
  EXPECT_EQ(onParen.start, onParen.end);
}

TEST(LineCachesTest, CookiesAreComputedFromTheLastValidLine) {
  LineCaches caches;
  caches.Reset(100);
  std::vector<int> coloured;
  const auto step = [&](std::uint32_t cookie, int line) {
    coloured.push_back(line);
    return cookie + 1;
  };
  EXPECT_EQ(caches.CookieAfter(-1, step), 0u);
  EXPECT_EQ(caches.CookieAfter(9, step), 10u);
  EXPECT_EQ(coloured.size(), 10u);
  coloured.clear();
  EXPECT_EQ(caches.CookieAfter(11, step), 12u);
  EXPECT_EQ(coloured, (std::vector<int>{10, 11}));

  coloured.clear();
  caches.LineChanged(5);  // lines 5 on are stale
  EXPECT_EQ(caches.ValidCookieCount(), 5);
  EXPECT_EQ(caches.CookieAfter(6, step), 7u);
  EXPECT_EQ(coloured, (std::vector<int>{5, 6}));

  caches.StoreCookie(7, 70);  // a drawn line just after the valid ones extends them
  EXPECT_EQ(caches.ValidCookieCount(), 8);
  caches.StoreCookie(50, 1);  // a line further on does not
  EXPECT_EQ(caches.ValidCookieCount(), 8);

  caches.LinesChanged(3, 120);
  EXPECT_EQ(caches.Size(), 120);
  EXPECT_EQ(caches.ValidCookieCount(), 3);
}

TEST(LineCachesTest, DisplayLengthsAndLongestLineGoStaleWithChanges) {
  std::vector<int> lengths{3, 9, 4};
  int computed = 0;
  const auto lengthOf = [&](int line) {
    ++computed;
    return lengths[static_cast<std::size_t>(line)];
  };
  LineCaches caches;
  caches.Reset(3);
  EXPECT_EQ(caches.LongestLine(lengthOf), 9);
  EXPECT_EQ(computed, 3);
  EXPECT_EQ(caches.LongestLine(lengthOf), 9);
  EXPECT_EQ(computed, 3);
  lengths[2] = 20;
  caches.LineChanged(2);
  caches.MarkLongestStale();
  EXPECT_EQ(caches.LongestLine(lengthOf), 20);
  EXPECT_EQ(computed, 4);  // only the changed line was measured again
}

}  // namespace
}  // namespace orva
