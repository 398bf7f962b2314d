#include <gtest/gtest.h>

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

TEST(Codec, ConvertsToDriverCharsets) {
  EXPECT_EQ(ConvertCharset(GbkFromUtf8("中文"), "GBK", "UTF-8"), "中文");
  EXPECT_EQ(ConvertCharset("中文", "UTF-8", "GBK"), "\xD6\xD0\xCE\xC4");
  // An unknown charset name leaves the text untouched rather than losing it.
  EXPECT_EQ(ConvertCharset("abc", "NO-SUCH-CHARSET", "UTF-8"), "abc");
}

}  // namespace
}  // namespace orva
