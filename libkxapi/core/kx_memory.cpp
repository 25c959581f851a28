// Caller memory: blocks and string arrays handed out by the library, and
// blocks that a program takes from the same host allocator.
#include "kx_core.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"

#include "host/base/services/memory.h"

KXAPI void KX_free(void* block) {
    kx::guarded([&] { SM_free(block); });
}

void kx::free_string_array(int n, char** array) {
    if (array)
        for (int i = 0; i < n; ++i) SM_free(array[i]);
    SM_free(array);
}

KXAPI void KX_free_string_array(int n, char** array) {
    kx::guarded([&] { kx::free_string_array(n, array); });
}

KXAPI void* KX_allocate_memory(unsigned int size, int* error) {
    if (!error) return nullptr;
    void* block = nullptr;
    *error = kx::frame([&] { block = SM_alloc_persistent(size); });
    return *error == 0 ? block : nullptr;
}

KXAPI void* KX_reallocate_memory(void* block, unsigned int size, int* error) {
    // A null error argument has nowhere to report to: nothing is changed.
    if (!error) return nullptr;
    void* result = nullptr;
    *error = kx::frame(kx::arm_first, [&] {
        if (size != 0) result = SM_realloc_persistent(block, size);
        else SM_free(block);
    });
    return *error == 0 ? result : nullptr;
}
