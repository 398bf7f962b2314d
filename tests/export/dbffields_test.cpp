#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "export/dbffields.h"

namespace orva {
namespace {

std::string DateDigits(std::string_view text) {
  std::optional<DbfDate> date = ReadDbfDate(text);
  return date ? FormatDbfDate(*date) : std::string("no date");
}

TEST(DbfDate, ReadsBothSeparatorsAndIgnoresTheTime) {
  EXPECT_EQ(DateDigits("2004-05-06"), "20040506");
  EXPECT_EQ(DateDigits("2004/5/6"), "20040506");
  EXPECT_EQ(DateDigits("2004-5/6"), "20040506");
  EXPECT_EQ(DateDigits("2004-05-06 12:30:00"), "20040506");
  EXPECT_EQ(DateDigits("2004-05-06 12:30:00.123"), "20040506");
}

TEST(DbfDate, RollsOverflowingDaysAndMonthsThroughTheCalendar) {
  EXPECT_EQ(DateDigits("2004-02-30"), "20040301");
  EXPECT_EQ(DateDigits("2003-02-29"), "20030301");
  EXPECT_EQ(DateDigits("2004-03-00"), "20040229");
  EXPECT_EQ(DateDigits("2004-13-01"), "20050101");
  EXPECT_EQ(DateDigits("1999-12-32"), "20000101");
}

TEST(DbfDate, TextWithoutExactlyTwoSeparatorsIsNoDate) {
  EXPECT_EQ(DateDigits("20040506"), "no date");
  EXPECT_EQ(DateDigits(""), "no date");
  EXPECT_EQ(DateDigits("2004-05"), "no date");
  EXPECT_EQ(DateDigits("2004-05-06-07"), "no date");
  // Separators in the time part count too.
  EXPECT_EQ(DateDigits("2004-05-06 12-30"), "no date");
  // Both separators must lie in the date part, before the last space.
  EXPECT_EQ(DateDigits("12:00 2004-05-06"), "no date");
}

TEST(DbfDate, YearsBeyondFourDigitsAreNotWritten) {
  EXPECT_EQ(DateDigits("10000-1-1"), "");
  // The date part is at most ten characters: "10000-01-0" is day 0.
  EXPECT_EQ(DateDigits("10000-01-01"), "99991231");
  EXPECT_EQ(DateDigits("0-0-0"), "");  // rolls back before year 0
  EXPECT_EQ(FormatDbfDate({9999, 12, 31}), "99991231");
  EXPECT_EQ(FormatDbfDate({1, 2, 3}), "00010203");
}

TEST(DbfNumber, ReadsTheLeadingNumberLikeTheCLibrary) {
  EXPECT_DOUBLE_EQ(ReadDbfNumber("3.14159"), 3.14159);
  EXPECT_DOUBLE_EQ(ReadDbfNumber("  +1.5e2 apples"), 150.0);
  EXPECT_DOUBLE_EQ(ReadDbfNumber("-7.9"), -7.9);
  EXPECT_DOUBLE_EQ(ReadDbfNumber(".5"), 0.5);
  EXPECT_EQ(ReadDbfNumber("abc"), 0.0);
  EXPECT_EQ(ReadDbfNumber(""), 0.0);
  EXPECT_DOUBLE_EQ(ReadDbfNumber(std::string_view("12\0" "34", 5)), 12.0);
}

TEST(DbfNumber, PrintsRoundedDecimalsOrTheTruncatedWholeNumber) {
  EXPECT_EQ(FormatDbfNumber(3.14159, 2), "3.14");
  EXPECT_EQ(FormatDbfNumber(2.675, 1), "2.7");
  EXPECT_EQ(FormatDbfNumber(0.0, 3), "0.000");
  EXPECT_EQ(FormatDbfNumber(-7.9, 0), "-7");
  EXPECT_EQ(FormatDbfNumber(7.9, 0), "7");
  EXPECT_EQ(FormatDbfNumber(-0.4, 0), "0");
  EXPECT_EQ(FormatDbfNumber(1234567.0, 0), "1234567");
  // Beyond the range of a long the whole number is still printed exactly.
  EXPECT_EQ(FormatDbfNumber(1e20, 0), "100000000000000000000");
  EXPECT_EQ(FormatDbfNumber(1.5, 12), "1.500000000000");
}

TEST(DbfNumber, NonFiniteValuesPrintNothing) {
  EXPECT_EQ(FormatDbfNumber(std::numeric_limits<double>::infinity(), 2), "");
  EXPECT_EQ(FormatDbfNumber(std::nan(""), 0), "");
  EXPECT_EQ(FormatDbfNumber(ReadDbfNumber("-inf"), 0), "");
}

}  // namespace
}  // namespace orva
