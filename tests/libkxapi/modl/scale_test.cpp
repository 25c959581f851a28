// Scale features: the kernel scales the body by one, two or three factors
// (volumes against closed forms), the update follows an edited factor, the
// host record holds "1.0000" in the texts a type does not use, failures
// leave no feature and no mark, and the retired entry points report to the
// retiring journal.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "libkxapi/core/kx_session.h"
#include "tests/libkxapi/curve/reopen_fixture.h"
#include "tests/support/fresh_process.h"
#include <tuple>
#include "tests/libkxapi/modl/host_block.h"

namespace {

constexpr double kBlock = 100.0 * 50 * 20;

class Scale : public ::testing::Test {
protected:
    void SetUp() override {
        unsigned int block = 0;
        std::tie(part_, block) = fresh_host_block("scale.prt");
        ASSERT_EQ(KX_initialize(), 0);
        body_ = FREC_ask_body(block);
        ASSERT_NE(body_, 0u);
    }
    void TearDown() override { kxtest::fresh_process(); }

    double props(int which) const {
        double p[ZQ_MP_COUNT] = {};
        ZQ_BODY_ask_mass_props(host::kernel::entity_of(body_), p);
        return p[which];
    }
    int scale(int type, std::initializer_list<const char*> texts, tag** features, tag point = NULL_TAG,
              tag axis = NULL_TAG) {
        char slots[3][KX_MODL_SCALE_SLOT_CHARS] = {};
        int i = 0;
        for (const char* t : texts) std::strcpy(slots[i++], t);
        return KX_MODL_create_scale(type, &body_, 1, point, axis, NULL_TAG, slots, features);
    }
    static int marks() { return static_cast<int>(host::control::call_count("UNDO_JQ_set_mark")); }

    unsigned int part_ = 0;
    tag body_ = NULL_TAG;
};

TEST_F(Scale, VolumesFollowTheFactors) {
    struct Row {
        int type;
        std::initializer_list<const char*> texts;
        double ratio;
    };
    const Row rows[] = {
        {0, {"2"}, 8.0}, {2, {"1", "2", "3"}, 6.0}, {1, {"2", "3"}, 18.0},  // 2 along Z, 3 across
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.type);
        SetUp();
        tag* features = nullptr;
        ASSERT_EQ(scale(r.type, r.texts, &features), 0);
        ASSERT_NE(features, nullptr);
        EXPECT_NE(features[0], NULL_TAG);
        EXPECT_NEAR(props(ZQ_MP_VOLUME), kBlock * r.ratio, 1e-6 * kBlock * r.ratio);
        KX_free(features);
    }
}

TEST_F(Scale, CentreIsThePointGiven) {
    const double at[3] = {100, 50, 20};
    unsigned int point = 0;
    ES_create_point(at, &point);
    tag* features = nullptr;
    ASSERT_EQ(scale(0, {"2"}, &features, point), 0);
    KX_free(features);
    // The block's centre (50, 25, 10) goes to 2c - at.
    EXPECT_NEAR(props(ZQ_MP_CENTROID + 0), 0.0, 1e-6);
    EXPECT_NEAR(props(ZQ_MP_CENTROID + 1), 0.0, 1e-6);
    EXPECT_NEAR(props(ZQ_MP_CENTROID + 2), 0.0, 1e-6);
}

TEST_F(Scale, EditedFactorIsFollowedAtTheUpdate) {
    tag* features = nullptr;
    ASSERT_EQ(scale(0, {"2"}, &features), 0);
    const tag feature = features[0];
    KX_free(features);
    ASSERT_EQ(EXP_edit_exp(part_, FREC_ask_parm_exp(feature, "Scale Factor"), "3"), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(props(ZQ_MP_VOLUME), kBlock * 27, 1e-6 * kBlock * 27);
}

TEST_F(Scale, PartFileKeepsTheScaleAndItFollowsEditsAfterwards) {
    const double at[3] = {100, 50, 20};
    unsigned int point = 0;
    ES_create_point(at, &point);
    tag* features = nullptr;
    ASSERT_EQ(scale(0, {"2"}, &features, point), 0);
    const tag feature = features[0];
    KX_free(features);
    const std::map<unsigned int, unsigned int> read = reopen_part(part_, [] {
        kxtest::fresh_process();
        ASSERT_EQ(KX_initialize(), 0);
    });
    body_ = read.at(body_);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(props(ZQ_MP_VOLUME), kBlock * 8, 1e-6 * kBlock * 8);
    EXPECT_NEAR(props(ZQ_MP_CENTROID + 0), 0.0, 1e-6);
    ASSERT_EQ(EXP_edit_exp(part_, FREC_ask_parm_exp(read.at(feature), "Scale Factor"), "3"), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(props(ZQ_MP_VOLUME), kBlock * 27, 1e-6 * kBlock * 27);
    // About the same point: the centre (50, 25, 10) goes to 3c - 2 at.
    EXPECT_NEAR(props(ZQ_MP_CENTROID + 0), 150 - 200, 1e-6);
}

TEST_F(Scale, FailureLeavesNoFeatureNoMarkAndNoArray) {
    const int before = marks();
    const std::size_t features_before = host::feature::features_of_part(part_).size();
    struct Row {
        int type;
        std::initializer_list<const char*> texts;
    };
    const Row rows[] = {{0, {"0"}}, {0, {"-2"}}, {2, {"1", "1", "0"}}, {0, {"no_such_name"}}, {5, {"2"}}};
    for (const Row& r : rows) {
        tag* features = reinterpret_cast<tag*>(0x1);
        EXPECT_NE(scale(r.type, r.texts, &features), 0);
        EXPECT_EQ(features, nullptr);
    }
    EXPECT_EQ(host::feature::features_of_part(part_).size(), features_before);
    EXPECT_NEAR(props(ZQ_MP_VOLUME), kBlock, 1e-6 * kBlock);
    // Each call set its mark, rolled back and deleted it.
    const int set = marks() - before;
    EXPECT_EQ(set, 5);  // an unknown type goes to the host too
    EXPECT_EQ(host::control::call_count("UNDO_JQ_undo_to_mark"), set);
    EXPECT_EQ(host::control::call_count("UNDO_JQ_delete_mark"), set);
}

TEST_F(Scale, HostErrorRollsBackToTheMark) {
    host::control::raise_on("ZQ_BODY_scale", 670004);
    tag* features = nullptr;
    EXPECT_EQ(scale(0, {"2"}, &features), 670004);
    EXPECT_EQ(features, nullptr);
    EXPECT_EQ(host::control::frame_depth(), 0);
    EXPECT_EQ(host::control::call_count("UNDO_JQ_undo_to_mark"), 1);
    EXPECT_EQ(host::control::call_count("UNDO_JQ_delete_mark"), 1);
    EXPECT_NEAR(props(ZQ_MP_VOLUME), kBlock, 1e-6 * kBlock);
}

TEST_F(Scale, RetiredEntryPointsCountInModeOne) {
    ASSERT_EQ(KX_set_retiring_flag(1), 0);
    const int before = kx::session_state().retired_total;
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_uniform_scale(body_, NULL_TAG, "2", &feature), 0);
    EXPECT_EQ(KX_MODL_create_uniform_scale(body_, NULL_TAG, "0", &feature), 670533);
    EXPECT_EQ(kx::session_state().retired_total, before + 2);
    EXPECT_EQ(kx::session_state().retired_names, 0);
}

TEST_F(Scale, BadArgumentsAreRefusedByPosition) {
    char slots[3][KX_MODL_SCALE_SLOT_CHARS] = {"2", "2", "2"};
    tag* features = nullptr;
    EXPECT_EQ(KX_MODL_create_scale(0, &body_, -1, NULL_TAG, NULL_TAG, NULL_TAG, slots, &features), 1105006);
    EXPECT_EQ(KX_MODL_create_scale(0, nullptr, 1, NULL_TAG, NULL_TAG, NULL_TAG, slots, &features), 1105005);
    EXPECT_EQ(KX_MODL_create_scale(0, &body_, 1, NULL_TAG, NULL_TAG, NULL_TAG, nullptr, &features), 1105015);
    EXPECT_EQ(KX_MODL_create_scale(0, &body_, 1, NULL_TAG, NULL_TAG, NULL_TAG, slots, nullptr), 1105016);
    // A factor of 133 characters does not fit the host's text.
    std::memset(slots[1], '1', 133);
    slots[1][133] = '\0';
    EXPECT_EQ(KX_MODL_create_scale(1, &body_, 1, NULL_TAG, NULL_TAG, NULL_TAG, slots, &features), 1105015);
    // ... but a type that does not read the slot takes it.
    EXPECT_EQ(KX_MODL_create_scale(0, &body_, 1, NULL_TAG, NULL_TAG, NULL_TAG, slots, &features), 0);
    KX_free(features);
    EXPECT_EQ(host::control::call_count("SCALE_make_scale"), 1);
}

TEST_F(Scale, RetiredEntryPointsScaleOneBodyAndReportTheirUse) {
    ASSERT_EQ(KX_set_retiring_flag(2), 0);
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_uniform_scale(body_, NULL_TAG, "2", &feature), 0);
    EXPECT_NE(feature, NULL_TAG);
    const char* three[3] = {"1", "1", "0.5"};
    ASSERT_EQ(KX_MODL_create_non_uni_scale(body_, NULL_TAG, three, &feature), 0);
    EXPECT_NEAR(props(ZQ_MP_VOLUME), kBlock * 4, 1e-6 * kBlock * 4);
    const std::string long_text(256, '1');
    EXPECT_EQ(KX_MODL_create_uniform_scale(body_, NULL_TAG, long_text.c_str(), &feature), 1105006);
    EXPECT_EQ(feature, NULL_TAG);
    EXPECT_EQ(KX_MODL_create_uniform_scale(body_, NULL_TAG, "2", nullptr), 1105007);
    EXPECT_EQ(host::control::call_count("SCALE_make_scale"), 2);
    // Mode 2 counts under each name.
    EXPECT_EQ(kx::session_state().retired_names, 2);
}

}  // namespace
