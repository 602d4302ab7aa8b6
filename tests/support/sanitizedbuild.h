#pragma once

// Defines QUVIX_SANITIZED in builds under AddressSanitizer or
// ThreadSanitizer (clang or gcc), where the code runs several times slower
// and the allocators reserve their address space up front: tests that
// depend on either scale their work or their bounds by it.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define QUVIX_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUVIX_SANITIZED 1
#endif
