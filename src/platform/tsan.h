#pragma once
// Hand-offs between threads that ThreadSanitizer cannot see for itself: Qt's
// event queues synchronise through futexes it does not follow (Qt is not built
// with it), so an event made by one thread and read by another would look
// like a race. Built with ThreadSanitizer, the posting side releases the
// event's address once the event is made, and delivery acquires it before
// anything reads the event, which states the ordering; otherwise these are
// empty.

#if defined(__SANITIZE_THREAD__)
#define ORVA_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ORVA_THREAD_SANITIZER 1
#endif
#endif

#if defined(ORVA_THREAD_SANITIZER)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace orva {

inline void HandOffRelease(const void* address) {
#if defined(ORVA_THREAD_SANITIZER)
  __tsan_release(const_cast<void*>(address));
#else
  (void)address;
#endif
}

inline void HandOffAcquire(const void* address) {
#if defined(ORVA_THREAD_SANITIZER)
  __tsan_acquire(const_cast<void*>(address));
#else
  (void)address;
#endif
}

}  // namespace orva
