#include <gtest/gtest.h>

#include "platform/codec.h"
#include "query/elapsed.h"

namespace orva {
namespace {

std::string Elapsed(std::uint32_t ms) { return Utf8FromGbk(FormatElapsed(ms)); }
std::string Clock(std::uint32_t ms) { return Utf8FromGbk(FormatElapsedClock(ms)); }

TEST(FormatElapsed, AlwaysEndsWithMilliseconds) {
  EXPECT_EQ(Elapsed(0), "0毫秒");
  EXPECT_EQ(Elapsed(999), "999毫秒");
  EXPECT_EQ(Elapsed(1000), "1秒0毫秒");
  EXPECT_EQ(Elapsed(1500), "1秒500毫秒");
  EXPECT_EQ(Elapsed(60000), "1分0毫秒");
  EXPECT_EQ(Elapsed(61001), "1分1秒1毫秒");
  EXPECT_EQ(Elapsed(3600000), "1小时0毫秒");
  EXPECT_EQ(Elapsed(3661001), "1小时1分1秒1毫秒");
  // The largest tick difference: 1193 hours and some.
  EXPECT_EQ(Elapsed(0xFFFFFFFFu), "1193小时2分47秒295毫秒");
}

TEST(FormatElapsed, ClockShowsHoursOfTheDay) {
  EXPECT_EQ(Clock(0), "执行时间: 00:00:00");
  EXPECT_EQ(Clock(999), "执行时间: 00:00:00");
  EXPECT_EQ(Clock(3725000), "执行时间: 01:02:05");
  EXPECT_EQ(Clock(25u * 3600000u), "执行时间: 01:00:00");
}

}  // namespace
}  // namespace orva
