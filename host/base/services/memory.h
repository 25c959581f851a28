/* The host's memory service. Every block is counted; blocks are general
 * (SM_alloc, SM_string_copy) or persistent (SM_alloc_persistent,
 * SM_realloc_persistent, SM_string_copy_persistent). A mark (SM_set_mark)
 * remembers the point in the allocation sequence; SM_free_to_mark frees every
 * general block allocated since then that is still live (persistent blocks
 * survive) and drops that mark and the marks set after it.
 *
 * Checks: freeing a pointer that is not a live block raises HOST_ERR_BAD_BLOCK
 * (a double free included); SM_free(NULL) does nothing, like free(). A null
 * string to copy raises HOST_ERR_NULL_ARGUMENT; an unknown mark raises
 * HOST_ERR_BAD_MARK. SM_realloc_persistent(NULL, n) allocates. Size 0 gives a
 * valid, unique block.
 */
#ifndef HOST_SERVICES_MEMORY_H
#define HOST_SERVICES_MEMORY_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

void* SM_alloc(size_t size);
void* SM_alloc_persistent(size_t size);
void* SM_realloc_persistent(void* block, size_t size);
void SM_free(void* block);
char* SM_string_copy(const char* text);
char* SM_string_copy_persistent(const char* text);
int SM_set_mark(void);
void SM_free_to_mark(int mark);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include "host/base/export.h"

namespace host::memory {
struct Stats {
    size_t live_blocks;      // every live block
    size_t live_persistent;  // of which persistent
    size_t live_bytes;
    size_t allocations;  // since the last reset
    size_t frees;        // since the last reset
};
Stats stats();
HOST_API bool is_live(const void* block);
bool is_persistent(const void* block);
size_t block_size(const void* block);  // 0 when not live
// Frees a live block the host made for a hand-out that failed before it
// was done (nothing for another pointer); no journal record, never raises.
void take_back(void* block) noexcept;
}  // namespace host::memory
#endif

#endif
