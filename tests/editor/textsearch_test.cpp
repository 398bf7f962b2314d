// Finding text line by line: case, whole words, blocks, wrapping and the
// upward direction.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/textsearch.h"
#include "platform/codec.h"

namespace orva {
namespace {

struct Lines {
  std::vector<std::string> text;
  LineSource Source() const {
    return {static_cast<int>(text.size()), [this](int i) { return std::string_view(text[static_cast<std::size_t>(i)]); }};
  }
  TextPos End() const { return {static_cast<int>(text.back().size()), static_cast<int>(text.size()) - 1}; }
};

bool Find(const Lines& lines, std::string_view what, TextPos start, unsigned flags, bool wrap, TextPos& found) {
  return FindInBlock(lines.Source(), {what, start, {}, lines.End(), flags, wrap}, found);
}

// Without match case the search never upper-cases the line; on random lines
// whose double-byte characters have letters as second bytes it must find what
// a search of the upper-cased line finds, both ways.
TEST(TextSearchTest, CaseBlindSearchAgreesWithSearchingTheUpperCasedLine) {
  const std::vector<std::string> pieces = {"a", "B", "ab", " ", "\xC1" "a", "\xC1" "A", "_", "\xD6\xD0"};
  const std::vector<std::string> patterns = {"ab", "A", "\xC1" "A", "b a", "\xC1" "a"};
  std::uint32_t seed = 5;
  auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  for (int round = 0; round < 4000; ++round) {
    std::string line;
    for (std::size_t i = next() % 40; i > 0; --i) line += pieces[next() % pieces.size()];
    const std::string& what = patterns[next() % patterns.size()];
    const unsigned whole = next() % 2 ? FindWholeWord : 0;
    Lines lines{{line}};
    Lines upper{{ToUpperGbk(line)}};
    const std::string upperWhat = ToUpperGbk(what);
    for (unsigned up : {0u, static_cast<unsigned>(FindUp)}) {
      const TextPos start{static_cast<int>(next() % (line.size() + 1)), 0};
      TextPos found{-1, -1}, expected{-1, -1};
      const bool hit = Find(lines, what, start, whole | up, false, found);
      const bool expectedHit = Find(upper, upperWhat, start, whole | up | FindMatchCase, false, expected);
      ASSERT_EQ(hit, expectedHit) << "\"" << what << "\" in \"" << line << "\" from " << start.column << (up ? " up" : "");
      if (hit) ASSERT_EQ(found, expected) << "\"" << what << "\" in \"" << line << "\"";
    }
  }
}

TEST(TextSearchTest, WholeWordRejectsOccurrencesInsideLongerWords) {
  Lines letters{{"aaa"}};
  TextPos found;
  EXPECT_FALSE(Find(letters, "aa", {}, FindWholeWord, true, found));
  EXPECT_TRUE(Find(letters, "aa", {}, 0, true, found));

  Lines twice{{"ab ab"}};
  ASSERT_TRUE(Find(twice, "ab", {}, FindWholeWord, false, found));
  EXPECT_EQ(found, (TextPos{0, 0}));
  ASSERT_TRUE(Find(twice, "ab", {2, 0}, FindWholeWord, false, found));
  EXPECT_EQ(found, (TextPos{3, 0}));
  EXPECT_FALSE(Find(twice, "ab", {4, 0}, FindWholeWord, false, found));
}

TEST(TextSearchTest, CaseIsIgnoredUnlessAskedFor) {
  Lines lines{{"Select FROM t", "select"}};
  TextPos found;
  ASSERT_TRUE(Find(lines, "from", {}, 0, false, found));
  EXPECT_EQ(found, (TextPos{7, 0}));
  EXPECT_FALSE(Find(lines, "from", {}, FindMatchCase, false, found));
  ASSERT_TRUE(Find(lines, "select", {1, 0}, FindMatchCase, false, found));
  EXPECT_EQ(found, (TextPos{0, 1}));
}

TEST(TextSearchTest, MatchesNeverStartOnATrailByte) {
  // The second byte of this character is "A".
  Lines lines{{"\x81" "A A"}};
  TextPos found;
  ASSERT_TRUE(Find(lines, "A", {}, FindMatchCase, false, found));
  EXPECT_EQ(found, (TextPos{3, 0}));
}

TEST(TextSearchTest, DownwardSearchWrapsOnlyWhenAllowed) {
  Lines lines{{"x one", "two", "x three"}};
  TextPos found;
  ASSERT_TRUE(Find(lines, "x", {1, 0}, 0, false, found));
  EXPECT_EQ(found, (TextPos{0, 2}));
  EXPECT_FALSE(Find(lines, "x", {1, 2}, 0, false, found));
  ASSERT_TRUE(Find(lines, "x", {1, 2}, 0, true, found));
  EXPECT_EQ(found, (TextPos{0, 0}));
}

TEST(TextSearchTest, BlockEndsLimitWhereOccurrencesMayStart) {
  Lines lines{{"abc abc", "abc"}};
  TextPos found;
  FindRequest request{"abc", {}, {1, 0}, {5, 0}, 0, false};
  ASSERT_TRUE(FindInBlock(lines.Source(), request, found));
  EXPECT_EQ(found, (TextPos{4, 0}));  // a start before the block start moves to it
  request.start = {5, 0};
  EXPECT_FALSE(FindInBlock(lines.Source(), request, found));  // none starts before the block end
  request.start = {0, 0};
  request.blockEnd = {4, 0};
  EXPECT_FALSE(FindInBlock(lines.Source(), request, found));  // starting at the block end does not count
  request.blockEnd = request.blockStart;
  EXPECT_FALSE(FindInBlock(lines.Source(), request, found));  // empty block
}

TEST(TextSearchTest, UpwardSearchWalksBackwardsThroughEveryOccurrence) {
  Lines lines{{"ab ab", "", "xab ab"}};
  // From the end of the text, each search starts where the previous hit began.
  std::vector<TextPos> hits;
  TextPos from = lines.End();
  TextPos found;
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(Find(lines, "ab", from, FindUp, true, found));
    hits.push_back(found);
    from = found;
  }
  EXPECT_EQ(hits, (std::vector<TextPos>{{4, 2}, {1, 2}, {3, 0}, {0, 0}, {4, 2}}));  // the last one wrapped
  EXPECT_FALSE(Find(lines, "ab", {0, 0}, FindUp, false, found));
}

TEST(TextSearchTest, UpwardWholeWordChecksBothSides) {
  Lines lines{{"ab xab abx ab"}};
  TextPos found;
  ASSERT_TRUE(Find(lines, "ab", {12, 0}, FindUp | FindWholeWord, false, found));
  EXPECT_EQ(found, (TextPos{0, 0}));
}

TEST(TextSearchTest, SingleLineSteps) {
  EXPECT_EQ(FindForwardInLine("abab", "ab", 1, 99, false), 2);
  EXPECT_EQ(FindForwardInLine("abab", "ab", 0, 0, false), -1);
  EXPECT_EQ(FindBackwardInLine("abab", "ab", 3, false), 0);
  EXPECT_EQ(FindBackwardInLine("abab", "ab", 4, false), 2);
  EXPECT_EQ(FindBackwardInLine("abab", "", 4, false), -1);
}

}  // namespace
}  // namespace orva
