#pragma once
// Hand-offs between threads that ThreadSanitizer cannot see for itself: Qt's
// event queues and blocking queued calls synchronise through futexes it does
// not follow, so every call or event handed to another thread would look like
// a race. Built with ThreadSanitizer, the posting side releases an address and
// the receiving side acquires it, which states the ordering; otherwise these
// are empty.

#include <utility>

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace orva {

inline void HandOffRelease(const void* address) {
#if defined(__SANITIZE_THREAD__)
  __tsan_release(const_cast<void*>(address));
#else
  (void)address;
#endif
}

inline void HandOffAcquire(const void* address) {
#if defined(__SANITIZE_THREAD__)
  __tsan_acquire(const_cast<void*>(address));
#else
  (void)address;
#endif
}

// A callable handed to another thread through Qt. Qt keeps a copy in memory it
// allocates, calls it on the receiving thread and, for a blocking call, frees
// it on the sending one; each copy releases its address once made, the call
// acquires it before use and releases it after, and destruction acquires it
// again, so that making, calling and freeing are ordered for the sanitizer.
template <typename Callable>
class HandedOff {
 public:
  explicit HandedOff(Callable callable) : m_callable(std::move(callable)) { HandOffRelease(this); }
  HandedOff(const HandedOff& other) : m_callable(other.m_callable) { HandOffRelease(this); }
  HandedOff(HandedOff&& other) noexcept : m_callable(std::move(other.m_callable)) { HandOffRelease(this); }
  HandedOff& operator=(const HandedOff&) = delete;
  ~HandedOff() { HandOffAcquire(this); }
  void operator()() {
    HandOffAcquire(this);
    m_callable();
    HandOffRelease(this);
  }

 private:
  Callable m_callable;
};

}  // namespace orva
