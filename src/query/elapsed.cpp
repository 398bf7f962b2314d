#include "query/elapsed.h"

#include <cstdio>

#include "platform/codec.h"

namespace orva {

namespace {
std::string Utf8Elapsed(std::uint32_t ms) {
  char part[32];
  if (ms < 1000u) {
    std::snprintf(part, sizeof part, "%u毫秒", ms);
    return part;
  }
  if (ms < 60000u) {
    std::snprintf(part, sizeof part, "%u秒", ms / 1000u);
    return part + Utf8Elapsed(ms % 1000u);
  }
  if (ms < 3600000u) {
    std::snprintf(part, sizeof part, "%u分", ms / 60000u);
    return part + Utf8Elapsed(ms % 60000u);
  }
  std::snprintf(part, sizeof part, "%u小时", ms / 3600000u);
  return part + Utf8Elapsed(ms % 3600000u);
}
}  // namespace

std::string FormatElapsed(std::uint32_t milliseconds) { return GbkFromUtf8(Utf8Elapsed(milliseconds)); }

std::string FormatElapsedClock(std::uint32_t elapsedMilliseconds) {
  std::uint32_t seconds = elapsedMilliseconds / 1000u;
  char text[64];
  std::snprintf(text, sizeof text, "执行时间: %02u:%02u:%02u", (seconds / 3600u) % 24u, (seconds / 60u) % 60u,
                seconds % 60u);
  return GbkFromUtf8(text);
}

}  // namespace orva
