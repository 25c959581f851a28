// Booleans, the bodies they split off and the positioning of features
// kept in part files: saved, closed, opened again and worked on.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/data/parts.h"
#include "host/expr/expr.h"
#include "host/feature/booleans.h"
#include "host/feature/feature.h"
#include "host/feature/positioning.h"
#include "host/kernel/kernel.h"
#include "host/services/memory.h"
#include "host/services/objects.h"
#include "kx_core.h"
#include "kx_modl.h"
#include "libkxapi/callback/kx_callback_internal.h"
#include "libkxapi/core/kx_session.h"
#include "libkxapi/modl/kx_modl_list.h"

namespace {

class BooleanFile : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        file_ = (std::filesystem::temp_directory_path() /
                 (std::string("kx_boolean_file_") + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                  ".prt"))
                    .string();
        std::filesystem::remove(file_);
        part_ = host::parts::create(file_);
        CONTEXT_set_work_part(part_);
    }
    void TearDown() override {
        fresh();
        std::filesystem::remove(file_);
    }
    static void fresh() {
        kx_reset_callbacks_for_tests();
        kx_reset_session_for_tests();
        host::control::reset();
    }

    unsigned int block_feature(const std::vector<std::string>& sizes, std::vector<double> corner) const {
        std::vector<const char*> f;
        for (const std::string& s : sizes) f.push_back(s.c_str());
        unsigned int t = 0;
        EXPECT_EQ(FEAT_create(part_, "BLOCK", int(f.size()), f.data(), int(corner.size()), corner.data(), 0, nullptr, 0,
                              0, &t),
                  0);
        return t;
    }
    tag block(const std::vector<std::string>& sizes, std::vector<double> corner) const {
        return FREC_ask_body(block_feature(sizes, corner));
    }
    // Saves the part, closes the session and opens the file again.
    void reopen() {
        int components = 0, mode = 0, result = -1;
        base_save_part(&part_, &components, &mode, &result);
        ASSERT_EQ(result, 0);
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        PART_load_status_t status{};
        ASSERT_EQ(BASE_open_part(file_.c_str(), &part_, &status), 0);
        for (int i = 0; i < status.n_parts; ++i) SM_free(status.file_names[i]);
        SM_free(status.file_names);
        SM_free(status.statuses);
        CONTEXT_set_work_part(part_);
    }
    static double volume(tag body) {
        double p[ZQ_MP_COUNT] = {};
        ZQ_BODY_ask_mass_props(host::kernel::entity_of(body), p);
        return p[ZQ_MP_VOLUME];
    }
    static std::vector<tag> take(tag_list*& list) {
        std::vector<tag> out = kx::tags_of(list);
        KX_MODL_delete_list(&list);
        return out;
    }
    static tag last_feature(tag body) {
        int n = 0;
        unsigned int* f = nullptr;
        FREC_ask_body_features(body, &n, &f);
        const tag last = n > 0 ? f[n - 1] : NULL_TAG;
        SM_free(f);
        return last;
    }

    // The feature's name now and a way back to it after reopen().
    static std::string name_of(tag feature) { return host::feature::display_name(feature); }
    tag named(const std::string& name) const { return FREC_ask_frec_from_name(part_, name.c_str()); }

    std::string file_;
    unsigned int part_ = 0;
};

TEST_F(BooleanFile, AReopenedBooleanKeepsItsToolAndTakesANewOne) {
    const tag target = block({"100", "50", "20"}, {0, 0, 0});
    const tag tool_feature = block_feature({"20", "50", "20"}, {90, 0, 0});
    ASSERT_EQ(KX_MODL_unite_bodies(target, FREC_ask_body(tool_feature)), 0);
    const std::string boolean_name = name_of(last_feature(target)), tool_name = name_of(tool_feature);
    ASSERT_NEAR(volume(target), 110000, 1e-6);
    reopen();
    const tag boolean = named(boolean_name);
    ASSERT_NE(boolean, NULL_TAG);
    tag_list* nested = nullptr;
    ASSERT_EQ(KX_MODL_ask_nested_frecs(boolean, &nested), 0);
    EXPECT_EQ(take(nested), std::vector<tag>{named(tool_name)});
    const tag body = FREC_ask_body(boolean);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(body), 110000, 1e-6);
    const tag other = block({"40", "50", "20"}, {-30, 0, 0});
    ASSERT_EQ(KX_MODL_replace_boolean_body(boolean, 1, other), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(body), 130000, 1e-6);
}

}  // namespace
