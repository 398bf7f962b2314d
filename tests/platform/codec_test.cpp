#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "platform/codec.h"
#include "platform/qtext.h"

namespace orva {
namespace {

// Texts the user sees, in UTF-8 as written in the source.
const char* const kTexts[] = {"文档已经设成只读，不能做修改", "执行时间: %02d:%02d:%02d", "所影响的行数为 %d 行",
                              "（执行SQL语句共耗时: %s）", "万年历", "ORVA", ""};

TEST(Codec, UserTextsRoundTripThroughGbk) {
  for (const char* utf8 : kTexts) {
    std::string gbk = GbkFromUtf8(utf8);
    EXPECT_EQ(Utf8FromGbk(gbk), utf8);
    EXPECT_EQ(GbkFromQString(QStringFromGbk(gbk)), gbk);
    EXPECT_EQ(QStringFromGbk(gbk), QString::fromUtf8(utf8));
  }
  // Known GBK bytes: 中 = D6 D0, 文 = CE C4.
  EXPECT_EQ(GbkFromUtf8("中文"), "\xD6\xD0\xCE\xC4");
  std::u16string utf16 = Utf16FromGbk("\xD6\xD0" "a");
  EXPECT_EQ(utf16, u"中a");
  EXPECT_EQ(GbkFromUtf16(u"中a"), "\xD6\xD0" "a");
}

TEST(Codec, CharactersOutsideGbkSurviveAsFourByteSequences) {
  // U+20000 (CJK extension B) and an emoji have no two-byte form.
  const std::string utf8 = "a\xF0\xA0\x80\x80" "b\xF0\x9F\x98\x80";
  std::string gbk = GbkFromUtf8(utf8);
  ASSERT_EQ(gbk.size(), 1u + 4 + 1 + 4);
  EXPECT_EQ(CharLengthAt(gbk, 1), 4u);
  EXPECT_EQ(CharLengthAt(gbk, 6), 4u);
  EXPECT_EQ(CharCount(gbk), 4u);
  EXPECT_EQ(Utf8FromGbk(gbk), utf8);
  EXPECT_TRUE(IsTrailByteAt(gbk, 2));
  EXPECT_TRUE(IsTrailByteAt(gbk, 4));
  EXPECT_FALSE(IsTrailByteAt(gbk, 5));
  EXPECT_EQ(CharStartAt(gbk, 3), 1u);
}

TEST(Codec, MalformedBytesCountAsSingleCharacters) {
  // A lone lead byte at the end, a lead byte followed by a control byte, and a
  // four-byte prefix cut short: none crash or stall, each bad byte is one char.
  const std::string bad = "a\x81" "\x09" "\x81\x30\x81" "\xFF";
  EXPECT_EQ(CharLengthAt(bad, 1), 1u);
  EXPECT_EQ(CharLengthAt(bad, 3), 1u);  // 81 30 81 then end: not a 4-byte sequence
  EXPECT_EQ(CharCount(bad), bad.size());
  for (size_t i = 0; i < bad.size(); ++i) EXPECT_FALSE(IsTrailByteAt(bad, i)) << i;
  EXPECT_EQ(CharLengthAt(bad, bad.size()), 0u);

  // Conversion replaces each bad byte and keeps the rest.
  EXPECT_EQ(Utf8FromGbk("\xD6\xD0\xFF" "x"), "中?x");
  EXPECT_EQ(GbkFromUtf8("a\xC3"), "a?");           // truncated UTF-8 sequence
  EXPECT_EQ(GbkFromUtf8("\xE4\xB8" "b"), "??b");  // cut-off sequence followed by ASCII
}

TEST(Codec, TrailByteQueriesScanFromLineStart) {
  // "a中b" with 中 = D6 D0; the byte D0 is also a valid lead byte, which is why
  // the judgement must scan from the start of the line.
  const std::string line = "a\xD6\xD0\xD6\xD0" "b";
  EXPECT_FALSE(IsTrailByteAt(line, 0));
  EXPECT_FALSE(IsTrailByteAt(line, 1));
  EXPECT_TRUE(IsTrailByteAt(line, 2));
  EXPECT_FALSE(IsTrailByteAt(line, 3));
  EXPECT_TRUE(IsTrailByteAt(line, 4));
  EXPECT_FALSE(IsTrailByteAt(line, 5));
  EXPECT_FALSE(IsTrailByteAt(line, 6));  // past the end
  EXPECT_EQ(CharLengthAt(line, 1), 2u);
  EXPECT_EQ(CutAtCharBoundary(line, 4), "a\xD6\xD0");
  EXPECT_EQ(CutAtCharBoundary(line, 3), "a\xD6\xD0");
  EXPECT_EQ(CutAtCharBoundary(line, 2), "a");
  EXPECT_TRUE(IsLeadByte(0x81));
  EXPECT_TRUE(IsLeadByte(0xFE));
  EXPECT_FALSE(IsLeadByte(0x80));
  EXPECT_FALSE(IsLeadByte(0xFF));
}

TEST(Codec, CaseMappingLeavesDoubleByteCharactersAlone) {
  // 0xC1 0x61: the trail byte is an ASCII 'a' and must not be upper-cased.
  const std::string text = std::string("sel\xC1" "a") + "ect";
  EXPECT_EQ(ToUpperGbk(text), std::string("SEL\xC1" "a") + "ECT");
  EXPECT_EQ(ToLowerGbk("ABC\xC1" "A"), "abc\xC1" "A");
}

TEST(Codec, BoundaryQueriesAgreeWithAScanFromTheLineStart) {
  // Random lines of bytes that make one-, two- and four-byte characters and
  // malformed ones; the quick look-back must agree with a plain scan.
  const unsigned char bytes[] = {'a', ' ', '0', '5', 0x40, 0x5C, 0x7E, 0x80, 0x81, 0x95, 0xD6, 0xFE, 0xFF, 0x30, 0x39};
  std::uint32_t seed = 7;
  auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  for (int round = 0; round < 3000; ++round) {
    std::string line;
    const std::size_t length = next() % 40;
    for (std::size_t i = 0; i < length; ++i) line += static_cast<char>(bytes[next() % sizeof bytes]);
    std::vector<bool> starts(line.size() + 1, false);
    for (std::size_t pos = 0; pos < line.size(); pos += CharLengthAt(line, pos)) starts[pos] = true;
    std::size_t start = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (starts[i]) start = i;
      ASSERT_EQ(CharStartAt(line, i), start) << "byte " << i << " of a line of " << line.size();
      ASSERT_EQ(IsTrailByteAt(line, i), !starts[i]);
      ASSERT_TRUE(starts[CharBoundaryBefore(line, i)] || CharBoundaryBefore(line, i) == 0);
    }
  }
}

TEST(Codec, EveryTextConvertsFromAFreshStateWithOneByteOrderMark) {
  // A bad byte gives one '?' without a second byte-order mark.
  EXPECT_EQ(ConvertCharset("a\xFF" "b", "GBK", "UTF-16"), std::string("\xFF\xFE" "a\0?\0b\0", 8));
  EXPECT_EQ(ConvertCharset("a\xFF", "GBK", "UTF-32"), std::string("\xFF\xFE\0\0" "a\0\0\0?\0\0\0", 12));
  // The byte order of one text does not carry over to the next.
  EXPECT_EQ(ConvertCharset(std::string("\xFE\xFF\0" "A", 4), "UTF-16", "UTF-8"), "A");
  EXPECT_EQ(ConvertCharset(std::string("\xFF\xFE" "3\0" "6\0", 6), "UTF-16", "UTF-8"), "36");
  // A set with a shift state is closed at the end.
  EXPECT_EQ(ConvertCharset("=", "UTF-8", "UTF-7"), "+AD0-");
  EXPECT_EQ(ConvertCharset("=", "UTF-8", "UTF-7"), "+AD0-");
}

TEST(Codec, GbkConversionLosesNoCharacterButTheNamedPrivateUseOnes) {
  const std::set<char32_t> unmapped = {0xE78D, 0xE78E, 0xE78F, 0xE790, 0xE791, 0xE792, 0xE793, 0xE794,
                                       0xE795, 0xE796, 0xE816, 0xE817, 0xE818, 0xE81E, 0xE826, 0xE82B,
                                       0xE82C, 0xE831, 0xE832, 0xE83B, 0xE843, 0xE854, 0xE855, 0xE864};
  std::u32string all;
  for (char32_t cp = 1; cp < 0x110000; ++cp) {
    if ((cp >= 0xD800 && cp < 0xE000) || unmapped.count(cp)) continue;
    all += cp;
  }
  const std::string utf8 = QString::fromUcs4(all.data(), static_cast<qsizetype>(all.size())).toStdString();
  const std::string gbk = GbkFromUtf8(utf8);
  // The only '?' is the character itself (code point 0x3F, the 0x3Eth).
  EXPECT_EQ(gbk.find('?'), 0x3Eu);
  EXPECT_EQ(gbk.find('?', 0x3F), std::string::npos);
  EXPECT_TRUE(Utf8FromGbk(gbk) == utf8);
  for (char32_t cp : unmapped) {
    const std::string one = QString::fromUcs4(&cp, 1).toStdString();
    EXPECT_EQ(GbkFromUtf8(one), "?") << std::hex << static_cast<unsigned>(cp);
  }
}

TEST(Codec, ConvertsToDriverCharsets) {
  EXPECT_EQ(ConvertCharset(GbkFromUtf8("中文"), "GBK", "UTF-8"), "中文");
  EXPECT_EQ(ConvertCharset("中文", "UTF-8", "GBK"), "\xD6\xD0\xCE\xC4");
  // An unknown charset name leaves the text untouched rather than losing it.
  EXPECT_EQ(ConvertCharset("abc", "NO-SUCH-CHARSET", "UTF-8"), "abc");
}

}  // namespace
}  // namespace orva
