#pragma once
// Qt hands posted events between threads under its own locks, which ThreadSanitizer cannot
// see (Qt is not instrumented). These mark the hand-off of an event posted from another
// thread: release on posting, acquire before the first read on the receiving thread. Outside
// ThreadSanitizer builds they are empty.
#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
inline void HandOffRelease(void* p) {
    __tsan_release(p);
}
inline void HandOffAcquire(void* p) {
    __tsan_acquire(p);
}
#else
inline void HandOffRelease(void*) {}
inline void HandOffAcquire(void*) {}
#endif
