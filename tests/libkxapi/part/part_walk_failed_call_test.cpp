// Calls of the part family that meet a host error at one host call: each
// row names the function, the host routine that raises and what the call
// must leave behind (the model as before, the error acknowledged).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "host/control/control.h"
#include "host/model/feature/feature.h"
#include "host/store/parts/part_info.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

constexpr int kCode = faultsim::kInjectedCode;

class PartFailedCall : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("kx_part_failed_call_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        kxtest::fresh_process();
        ASSERT_EQ(KX_initialize(), 0);
    }
    void TearDown() override {
        KX_terminate();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string path(const char* name) const { return (dir_ / name).string(); }

    // A saved and closed part with a 40 x 22 x 9 block in it.
    std::string saved_part() {
        const std::string file = path("held.prt");
        const unsigned int part = host::parts::create(file.c_str());
        CONTEXT_set_work_part(part);
        const char* sizes[3] = {"40", "22", "9"};
        const double origin[3] = {0, 0, 0};
        unsigned int block = 0;
        FEAT_create(part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &block);
        EXPECT_EQ(KX_PART_save(), 0);
        EXPECT_EQ(KX_PART_close(part, 0, 2), 0);
        return file;
    }

    static bool acknowledged(int code) {
        const std::vector<int> codes = host::control::acknowledged_codes();
        return std::find(codes.begin(), codes.end(), code) != codes.end();
    }

    std::filesystem::path dir_;
};

// A quiet open whose part event fails after the load keeps no part loaded.
TEST_F(PartFailedCall, OpenQuietTakesThePartBackWhenItsPartEventFails) {
    const std::string file = saved_part();
    ASSERT_EQ(KX_PART_ask_num_parts(), 0);
    const std::size_t blocks = host::control::live_blocks();
    host::control::raise_on("host::events::fire_part_event", kCode, 1);
    tag part = 77;
    load_status status{};
    EXPECT_EQ(KX_PART_open_quiet(file.c_str(), &part, &status), kCode);
    EXPECT_EQ(part, NULL_TAG);
    EXPECT_EQ(KX_PART_ask_num_parts(), 0);
    EXPECT_EQ(KX_PART_ask_display_part(), NULL_TAG);
    KX_free_string_array(status.n_parts, status.file_names);
    KX_free(status.statuses);
    EXPECT_EQ(host::control::live_blocks(), blocks);
}

// A status set whose part event fails leaves the status and the modified
// mark as they were.
TEST_F(PartFailedCall, SetStatusTakesTheStatusBackWhenItsPartEventFails) {
    const std::string file = saved_part();
    tag part = NULL_TAG;
    load_status opened{};
    ASSERT_EQ(KX_PART_open_quiet(file.c_str(), &part, &opened), 0);
    KX_free_string_array(opened.n_parts, opened.file_names);
    KX_free(opened.statuses);
    const int status = PART_ask_status(part);
    ASSERT_EQ(PART_ask_modified(part), 0);
    host::control::raise_on("host::events::fire_part_event", kCode, 1);
    EXPECT_EQ(KX_PART_set_status(part, status + 6), kCode);
    EXPECT_EQ(PART_ask_status(part), status);
    EXPECT_EQ(PART_ask_modified(part), 0);
}

// Compression flags whose modified mark cannot be set are not stored.
TEST_F(PartFailedCall, SetCompressionFlagsStoresNothingWhenTheModifiedMarkFails) {
    const unsigned int part = host::parts::create(path("packed.prt").c_str());
    KX_PART_compress_flags_t before{};
    ASSERT_EQ(KX_PART_ask_compression_flags(part, &before), 0);
    KX_PART_compress_flags_t flipped{!before.compress_solids, before.compress_features, !before.compress_expressions};
    host::control::raise_on("PART_set_modified", kCode, 1);
    EXPECT_EQ(KX_PART_set_compression_flags(part, &flipped), kCode);
    KX_PART_compress_flags_t after{};
    ASSERT_EQ(KX_PART_ask_compression_flags(part, &after), 0);
    EXPECT_EQ(after.compress_solids, before.compress_solids);
    EXPECT_EQ(after.compress_expressions, before.compress_expressions);
}

// The modified query answers false on a host error and acknowledges it.
TEST_F(PartFailedCall, IsModifiedAcknowledgesAHostError) {
    const unsigned int part = host::parts::create(path("asked.prt").c_str());
    PART_set_modified(part);
    host::control::raise_on("PART_ask_modified", kCode, 1);
    EXPECT_FALSE(KX_PART_is_modified(part));
    EXPECT_TRUE(acknowledged(kCode));
    EXPECT_EQ(host::control::frame_depth(), 0);
}

}  // namespace
