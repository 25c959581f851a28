// An array of blocks made one by one, all or none: when making one raises,
// the blocks made so far and the array go back before the error passes on.
// Internal to the host.
#ifndef HOST_SERVICES_BLOCK_ARRAY_H
#define HOST_SERVICES_BLOCK_ARRAY_H

#include <cstddef>

#include "host/base/services/memory.h"

namespace host {

// An SM_alloc'd array of n entries make(i) and `extra` null entries after
// them; free_one(entry) gives one back.
template <class E, class Make, class Free>
E* block_array(std::size_t n, std::size_t extra, Make make, Free free_one) {
    auto* array = static_cast<E*>(SM_alloc((n + extra) * sizeof(E)));
    std::size_t done = 0;
    try {
        for (; done < n; ++done) array[done] = make(done);
    } catch (...) {
        for (std::size_t i = 0; i < done; ++i) free_one(array[i]);
        SM_free(array);
        throw;
    }
    for (std::size_t i = n; i < n + extra; ++i) array[i] = nullptr;
    return array;
}

}  // namespace host

#endif
