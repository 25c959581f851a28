// The memory service: counts, persistent blocks, marks and bad pointers.
#include <cstring>

#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "tests/host/host_test.h"

namespace hc = host::control;

namespace {

using Memory = HostTest;

TEST_F(Memory, EveryBlockIsCounted) {
    std::size_t before = hc::live_blocks();
    void* a = SM_alloc(10);
    void* b = SM_alloc_persistent(0);
    char* s = SM_string_copy("abc");
    EXPECT_EQ(hc::live_blocks(), before + 3);
    EXPECT_TRUE(host::memory::is_persistent(b));
    EXPECT_FALSE(host::memory::is_persistent(a));
    EXPECT_EQ(host::memory::block_size(s), 4u);
    SM_free(a);
    SM_free(b);
    SM_free(s);
    SM_free(nullptr);
    EXPECT_EQ(hc::live_blocks(), before);
    EXPECT_EQ(host::memory::stats().allocations, 3u);
    EXPECT_EQ(host::memory::stats().frees, 3u);
}

TEST_F(Memory, FreeToMarkFreesGeneralBlocksSinceTheMark) {
    void* old_block = SM_alloc(8);
    int outer = SM_set_mark();
    void* general = SM_alloc(8);
    void* persistent = SM_alloc_persistent(8);
    int inner = SM_set_mark();
    char* text = SM_string_copy("x");
    char* kept = SM_string_copy_persistent("y");
    SM_free(general);  // freed by hand: the mark must not free it again

    SM_free_to_mark(inner);
    EXPECT_FALSE(host::memory::is_live(text));
    EXPECT_TRUE(host::memory::is_live(kept));
    EXPECT_TRUE(host::memory::is_live(persistent));

    void* later = SM_alloc(8);
    SM_free_to_mark(outer);
    EXPECT_FALSE(host::memory::is_live(later));
    EXPECT_TRUE(host::memory::is_live(old_block));
    EXPECT_TRUE(host::memory::is_live(persistent));
    // The marks are released with it.
    EXPECT_EQ(hc::raised_code([&] { SM_free_to_mark(inner); }), HOST_ERR_BAD_MARK);
    EXPECT_EQ(hc::raised_code([&] { SM_free_to_mark(outer); }), HOST_ERR_BAD_MARK);
    SM_free(old_block);
    SM_free(persistent);
    SM_free(kept);
}

TEST_F(Memory, ReallocKeepsContentAndAllocatesFromNull) {
    auto* p = static_cast<char*>(SM_realloc_persistent(nullptr, 4));
    std::memcpy(p, "abc", 4);
    std::size_t live = hc::live_blocks();
    p = static_cast<char*>(SM_realloc_persistent(p, 64));
    EXPECT_STREQ(p, "abc");
    EXPECT_EQ(hc::live_blocks(), live);
    EXPECT_TRUE(host::memory::is_persistent(p));
    p = static_cast<char*>(SM_realloc_persistent(p, 2));
    EXPECT_EQ(std::memcmp(p, "ab", 2), 0);
    SM_free(p);
}

TEST_F(Memory, BadRequestsRaiseHostErrors) {
    int on_stack = 0;
    void* freed = SM_alloc(1);
    SM_free(freed);
    struct Case {
        const char* what;
        std::function<void()> call;
        int code;
    } cases[] = {
        {"double free", [&] { SM_free(freed); }, HOST_ERR_BAD_BLOCK},
        {"foreign pointer", [&] { SM_free(&on_stack); }, HOST_ERR_BAD_BLOCK},
        {"realloc foreign", [&] { SM_realloc_persistent(&on_stack, 8); }, HOST_ERR_BAD_BLOCK},
        {"null copy", [] { SM_string_copy(nullptr); }, HOST_ERR_NULL_ARGUMENT},
        {"null persistent copy", [] { SM_string_copy_persistent(nullptr); }, HOST_ERR_NULL_ARGUMENT},
        {"unknown mark", [] { SM_free_to_mark(4711); }, HOST_ERR_BAD_MARK},
        {"absurd size", [] { SM_alloc(static_cast<size_t>(-1)); }, HOST_ERR_NO_MEMORY},
    };
    std::size_t live = hc::live_blocks();
    for (const auto& c : cases) EXPECT_EQ(hc::raised_code(c.call), c.code) << c.what;
    EXPECT_EQ(hc::live_blocks(), live);
}

}  // namespace
