// The memory service: counted blocks, persistent blocks and marks.
#include "host/base/services/memory.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <unordered_map>
#include <vector>

#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"

namespace host::memory {
namespace {

// Requests above this size are refused as out of memory without asking the
// system allocator (keeps absurd sizes from reaching it).
constexpr size_t kMaxBlock = size_t{1} << 36;

struct Block {
    size_t size;
    std::uint64_t serial;
    bool persistent;
};

struct Mark {
    int id;
    std::uint64_t serial;  // blocks with a higher serial were allocated after it
};

struct MemoryState {
    std::unordered_map<void*, Block> blocks;
    std::map<std::uint64_t, void*> by_serial;
    std::vector<Mark> marks;
    std::uint64_t next_serial = 1;
    int next_mark = 1;
    size_t live_bytes = 0;
    size_t persistent = 0;
    size_t allocations = 0;
    size_t frees = 0;
    // Live blocks are real memory: a reset drops the marks and the counts
    // only.
    void reset() {
        marks.clear();
        allocations = 0;
        frees = 0;
    }
};

MemoryState& st() { return service_state<MemoryState>("memory"); }
const bool registered = (st(), true);

void* allocate(const Call& call, size_t size, bool persistent) {
    void* p = size <= kMaxBlock ? std::malloc(size ? size : 1) : nullptr;
    if (!p) call.fail(HOST_ERR_NO_MEMORY, "cannot allocate %zu bytes", size);
    MemoryState& s = st();
    std::uint64_t serial = s.next_serial++;
    s.blocks.emplace(p, Block{size, serial, persistent});
    s.by_serial.emplace(serial, p);
    s.live_bytes += size;
    s.persistent += persistent;
    ++s.allocations;
    return p;
}

Block& require_block(const Call& call, void* p) {
    auto it = st().blocks.find(p);
    if (it == st().blocks.end()) call.fail(HOST_ERR_BAD_BLOCK, "%p is not a live block", p);
    return it->second;
}

void release(void* p, const Block& b) {
    MemoryState& s = st();
    s.live_bytes -= b.size;
    s.persistent -= b.persistent;
    ++s.frees;
    s.by_serial.erase(b.serial);
    s.blocks.erase(p);
    std::free(p);
}

char* copy_string(const Call& call, const char* text, bool persistent) {
    size_t n = std::strlen(call.need(text, "the text"));
    auto* out = static_cast<char*>(allocate(call, n + 1, persistent));
    std::memcpy(out, text, n + 1);
    return out;
}

}  // namespace

Stats stats() {
    const MemoryState& s = st();
    return {s.blocks.size(), s.persistent, s.live_bytes, s.allocations, s.frees};
}
bool is_live(const void* block) { return st().blocks.count(const_cast<void*>(block)) != 0; }
bool is_persistent(const void* block) {
    auto it = st().blocks.find(const_cast<void*>(block));
    return it != st().blocks.end() && it->second.persistent;
}
size_t block_size(const void* block) {
    auto it = st().blocks.find(const_cast<void*>(block));
    return it == st().blocks.end() ? 0 : it->second.size;
}
void take_back(void* block) noexcept {
    auto it = st().blocks.find(block);
    if (it != st().blocks.end()) release(block, Block(it->second));
}

}  // namespace host::memory

namespace hm = host::memory;

extern "C" {

void* SM_alloc(size_t size) {
    auto call = HOST_ENTRY(size);
    return hm::allocate(call, size, false);
}

void* SM_alloc_persistent(size_t size) {
    auto call = HOST_ENTRY(size);
    return hm::allocate(call, size, true);
}

void* SM_realloc_persistent(void* block, size_t size) {
    auto call = HOST_ENTRY(block, size);
    if (!block) return hm::allocate(call, size, true);
    hm::Block old = hm::require_block(call, block);
    void* fresh = hm::allocate(call, size, true);
    std::memcpy(fresh, block, old.size < size ? old.size : size);
    hm::release(block, old);
    return fresh;
}

void SM_free(void* block) {
    auto call = HOST_ENTRY(block);
    if (!block) return;
    hm::Block b = hm::require_block(call, block);
    hm::release(block, b);
}

char* SM_string_copy(const char* text) {
    auto call = HOST_ENTRY_TEXT(text);
    return hm::copy_string(call, text, false);
}

char* SM_string_copy_persistent(const char* text) {
    auto call = HOST_ENTRY_TEXT(text);
    return hm::copy_string(call, text, true);
}

int SM_set_mark(void) {
    HOST_ENTRY();
    auto& s = hm::st();
    int id = s.next_mark++;
    s.marks.push_back({id, s.next_serial - 1});
    return id;
}

void SM_free_to_mark(int mark) {
    auto call = HOST_ENTRY(mark);
    auto& s = hm::st();
    std::size_t i = 0;
    while (i < s.marks.size() && s.marks[i].id != mark) ++i;
    if (i == s.marks.size()) call.fail(HOST_ERR_BAD_MARK, "mark %d is not set", mark);
    std::uint64_t serial = s.marks[i].serial;
    s.marks.erase(s.marks.begin() + static_cast<long>(i), s.marks.end());
    std::vector<void*> doomed;
    for (auto it = s.by_serial.upper_bound(serial); it != s.by_serial.end(); ++it)
        if (!s.blocks.at(it->second).persistent) doomed.push_back(it->second);
    for (void* p : doomed) hm::release(p, s.blocks.at(p));
}

}  // extern "C"
