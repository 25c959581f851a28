// Caller memory and tag handles.
#include <cstring>
#include <string>
#include <vector>

#include "fixture.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "kx_core.h"
#include "libkxapi/core/kx_util.h"

namespace {

namespace ctl = host::control;

class Memory : public FreshProcess {
protected:
    void open() { ASSERT_EQ(KX_initialize(), 0); }
};

TEST_F(Memory, AllocateReallocateFreeReturnToTheStart) {
    open();
    const std::size_t start = ctl::live_blocks();
    int error = -1;
    void* p = KX_allocate_memory(10, &error);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(error, 0);
    EXPECT_TRUE(host::memory::is_persistent(p));
    std::memset(p, 1, 10);
    p = KX_reallocate_memory(p, 100, &error);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(error, 0);
    EXPECT_GE(host::memory::block_size(p), 100u);
    EXPECT_EQ(static_cast<unsigned char*>(p)[9], 1);
    EXPECT_EQ(ctl::live_blocks(), start + 1);
    error = -1;
    EXPECT_EQ(KX_reallocate_memory(p, 0, &error), nullptr);  // frees
    EXPECT_EQ(error, 0);
    EXPECT_EQ(ctl::live_blocks(), start);
}

TEST_F(Memory, NullErrorArgument) {
    open();
    const std::size_t start = ctl::live_blocks();
    EXPECT_EQ(KX_allocate_memory(8, nullptr), nullptr);
    void* block = SM_alloc_persistent(8);
    EXPECT_EQ(KX_reallocate_memory(block, 64, nullptr), nullptr);
    EXPECT_TRUE(host::memory::is_live(block)) << "nothing is changed";
    EXPECT_EQ(host::memory::block_size(block), 8u);
    SM_free(block);
    EXPECT_EQ(ctl::live_blocks(), start);
    EXPECT_EQ(ctl::call_count("SM_alloc_persistent"), 1);
}

TEST_F(Memory, BeforeInitialize) {
    int error = -1;
    EXPECT_EQ(KX_allocate_memory(8, &error), nullptr);
    EXPECT_EQ(error, 1105000);
    error = -1;
    void* block = SM_alloc(4);
    EXPECT_EQ(KX_reallocate_memory(block, 8, &error), nullptr);
    EXPECT_EQ(error, 1105000);
    KX_free(block);  // needs no session
    EXPECT_FALSE(host::memory::is_live(block));
}

TEST_F(Memory, StringArrays) {
    const std::size_t start = ctl::live_blocks();
    const std::vector<std::string> texts = {"one", "", "three"};
    char** array = kx::string_array(texts);
    ASSERT_NE(array, nullptr);
    EXPECT_STREQ(array[2], "three");
    EXPECT_EQ(ctl::live_blocks(), start + 4);
    KX_free_string_array(3, array);
    EXPECT_EQ(ctl::live_blocks(), start);

    // Zero or a negative count frees only the array.
    for (int n : {0, -2}) {
        char** only = static_cast<char**>(SM_alloc(2 * sizeof(char*)));
        char* kept = SM_string_copy("kept");
        only[0] = kept;
        KX_free_string_array(n, only);
        EXPECT_FALSE(host::memory::is_live(only));
        EXPECT_TRUE(host::memory::is_live(kept));
        SM_free(kept);
    }
    KX_free_string_array(0, nullptr);
    EXPECT_EQ(ctl::live_blocks(), start);
}

TEST_F(Memory, SharedHelpers) {
    char buffer[10];
    std::memset(buffer, 'X', sizeof buffer);
    kx::copy_bounded(buffer, "abcdefghijkl", 8);
    EXPECT_STREQ(buffer, "abcdefgh");
    EXPECT_EQ(buffer[9], 'X');
    kx::copy_bounded(buffer, nullptr, 8);
    EXPECT_STREQ(buffer, "");

    EXPECT_EQ(kx::alloc_array<int>(0), nullptr);
    EXPECT_EQ(kx::string_array({}), nullptr);
    const tag tags[] = {4, 5};
    tag* copy = kx::copy_array<tag>(tags);
    EXPECT_EQ(copy[1], 5u);
    kx::free_and_clear(copy);
    EXPECT_EQ(copy, nullptr);

    EXPECT_EQ(kx::uc_status(1105000), -1105000);
    EXPECT_EQ(kx::uc_status(-5), -5);
    EXPECT_EQ(kx::uc_status(0), 0);
    EXPECT_EQ(kx::uc_file_code(1020001), -1);
    EXPECT_EQ(kx::uc_file_code(1020188), -188);
    EXPECT_EQ(kx::uc_file_code(1020189), 1020189);
    EXPECT_EQ(kx::uc_file_code(1020000), 1020000);

    char field[8];
    kx::to_fortran(field, 8, "ab");
    EXPECT_EQ(std::string(field, 8), "ab      ");
    kx::to_fortran(field, 8, "abcdefghij");
    EXPECT_EQ(std::string(field, 8), "abcdefgh");
    EXPECT_EQ(kx::from_fortran("name    ", 8), "name");
    EXPECT_EQ(kx::from_fortran("a b \0zz", 7), "a b");
    EXPECT_EQ(kx::from_fortran(nullptr, 3), "");
}

TEST_F(Memory, FortranFrameWritesTheTrailingStatus) {
    int status = -1;
    kx::fortran_frame(&status, [] { return 0; });
    EXPECT_EQ(status, 1105000);
    open();
    kx::fortran_frame(&status, [] { ERROR_raise("test", 1, 750003, "x"); });
    EXPECT_EQ(status, 750003);
    kx::fortran_frame(&status, kx::no_check, [] { return 0; });
    EXPECT_EQ(status, 0);
    kx::fortran_frame(nullptr, [] { return 3; });  // no status argument: nothing written
}

TEST_F(Memory, CheckingLevelChecks) {
    const auto f = ctl::make_part("p.prt", {{3, 0}});
    const tag line = f.objects[0];
    constexpr const char* kModule = "kx_test";
    // Level 0: nothing runs.
    EXPECT_EQ(kx::frame(kx::no_check,
                        [&] {
                            KX_CHECK_CLASS(line, OM_CLASS_PART);
                            KX_ASSERT(line == NULL_TAG);
                            return 0;
                        }),
              0);
    EXPECT_EQ(ctl::call_count("OM_check_tag_class"), 0);
    ctl::set_checking_level(1);
    EXPECT_EQ(kx::frame(kx::no_check, [&] { KX_CHECK_CLASS(line, OM_CLASS_RM_ENTITY); }), 0);
    EXPECT_EQ(kx::frame(kx::no_check, [&] { KX_CHECK_CLASS(line, OM_CLASS_PART); }), HOST_ERR_WRONG_CLASS);
    EXPECT_EQ(kx::frame(kx::no_check, [&] { KX_ASSERT(line == NULL_TAG); }), HOST_ERR_INTERNAL);
    const auto calls = ctl::calls("OM_check_tag_class");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].arg[0], line);
    EXPECT_EQ(calls[0].arg[1], OM_CLASS_RM_ENTITY);
}

// ---- Tag handles -----------------------------------------------------------

TEST_F(Memory, HandleOfTagAndBack) {
    const auto f = ctl::make_part("bracket.prt", {{3, 0}});
    char* handle = KX_TAG_ask_handle_of_tag(f.objects[0]);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(KX_TAG_ask_tag_of_handle(handle), f.objects[0]);

    char* file = nullptr;
    unsigned sub = 0, version = 0;
    ASSERT_EQ(KX_TAG_decompose_handle(handle, &file, &sub, &version), 0);
    EXPECT_EQ(std::string(file).substr(0, 2), "NF");
    char* again = nullptr;
    ASSERT_EQ(KX_TAG_compose_handle(file, sub, version, &again), 0);
    EXPECT_STREQ(again, handle);
    const auto* obj = host::objects::find(f.objects[0]);
    EXPECT_EQ(KX_TAG_ask_new_tag_of_entity(obj->eid), f.objects[0]);
    KX_free(handle);
    KX_free(file);
    KX_free(again);
}

TEST_F(Memory, HandleOfNegativeTagAsksTheLowWord) {
    // Tag 65535 names no object: the host raises; only the tag asked matters here.
    ctl::raised_code([] { KX_TAG_ask_handle_of_tag(4294967295u); });
    ASSERT_GE(ctl::call_count("TAG_ask_handle_of_tag"), 1);
    EXPECT_EQ(ctl::calls("TAG_ask_handle_of_tag")[0].arg[0], 65535);
}

TEST_F(Memory, ComposeRefusesShortFileData) {
    struct Case {
        const char* file_data;
        bool with_output;
        int status;
    };
    for (const Case& c : {Case{nullptr, true, 1105004}, Case{"", true, 1105004}, Case{"N", true, 1105004},
                          Case{"NFx", false, 1105007}, Case{"ZZx", true, HOST_ERR_BAD_HANDLE}}) {
        char* handle = reinterpret_cast<char*>(16);
        EXPECT_EQ(KX_TAG_compose_handle(c.file_data, 1, 1, c.with_output ? &handle : nullptr), c.status)
            << (c.file_data ? c.file_data : "(null)");
        if (c.with_output) {
            EXPECT_EQ(handle, nullptr);
        }
    }
    EXPECT_EQ(ctl::frame_depth(), 0);
}

TEST_F(Memory, DecomposeErrors) {
    char* file = reinterpret_cast<char*>(16);
    unsigned sub = 0, version = 0;
    EXPECT_EQ(KX_TAG_decompose_handle("garbage", &file, &sub, &version), HOST_ERR_BAD_HANDLE);
    EXPECT_EQ(file, nullptr);
    EXPECT_EQ(KX_TAG_decompose_handle("NFa#00000001#00000001", nullptr, &sub, &version), 1105005);
    EXPECT_EQ(KX_TAG_decompose_handle(nullptr, &file, &sub, &version), HOST_ERR_NULL_ARGUMENT);
    const std::size_t start = ctl::live_blocks();
    ctl::raise_on("TAG_ask_name_of_dm", 670099);
    EXPECT_EQ(KX_TAG_decompose_handle("NFa#00000001#00000001", &file, &sub, &version), 670099);
    EXPECT_EQ(ctl::live_blocks(), start) << "the host's file part is freed on the error path";
}

}  // namespace
