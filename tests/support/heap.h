// Bytes of heap in use, for tests that check that memory stays bounded.
// Under AddressSanitizer the allocator's own count: freed blocks wait in
// its quarantine, which the resident size would count.
#ifndef TESTS_SUPPORT_HEAP_H
#define TESTS_SUPPORT_HEAP_H

#include <malloc.h>

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's count of the bytes its allocator has handed out
// and not taken back.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes(void);
#endif

namespace kxtest {

inline std::size_t heap_in_use() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
#endif
}

}  // namespace kxtest

#endif
