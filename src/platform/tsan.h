#pragma once
// Hand-offs between threads that ThreadSanitizer cannot see for itself: Qt's
// event queues and blocking queued calls synchronise through futexes it does
// not follow, so every call or event handed to another thread would look like
// a race. Built with ThreadSanitizer, the posting side releases an address and
// the receiving side acquires it, which states the ordering; otherwise these
// are empty.

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

}  // namespace orva
