#include "platform/tick.h"

#include <chrono>
#include <mutex>

namespace orva {
namespace {
std::mutex g_sourceLock;
std::function<std::uint32_t()> g_source;
}  // namespace

std::uint32_t GetTickCount32() {
  {
    std::lock_guard<std::mutex> lock(g_sourceLock);
    if (g_source) return g_source();
  }
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void SetTickSourceForTesting(std::function<std::uint32_t()> source) {
  std::lock_guard<std::mutex> lock(g_sourceLock);
  g_source = std::move(source);
}

}  // namespace orva
