// Hollows: the kernel shells the block (closed forms for the walls opened
// at the top, with an end face of its own thickness, and closed), the
// update follows an edited thickness, and the refusals and failures leave
// the model and the undo marks as they were.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/undo.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "tests/libkxapi/curve/reopen_fixture.h"
#include "tests/support/fresh_process.h"
#include <tuple>
#include "tests/libkxapi/modl/host_block.h"

namespace {

constexpr double kBlock = 100.0 * 50 * 20;

class Hollow : public ::testing::Test {
protected:
    void SetUp() override {
        unsigned int block = 0;
        std::tie(part_, block) = fresh_host_block("hollow.prt");
        ASSERT_EQ(KX_initialize(), 0);
        body_ = FREC_ask_body(block);
        ASSERT_NE(body_, 0u);
    }
    void TearDown() override { kxtest::fresh_process(); }

    double volume() const {
        double p[ZQ_MP_COUNT] = {};
        ZQ_BODY_ask_mass_props(host::kernel::entity_of(body_), p);
        return p[ZQ_MP_VOLUME];
    }
    // The face of the block on the plane where coordinate `axis` is `at`.
    tag face_at(int axis, double at) const {
        for (int f : host::kernel::faces_of(host::kernel::entity_of(body_))) {
            double box[6];
            ZQ_TOPOL_find_box(f, box);
            if (std::abs(box[axis] - at) < 1e-6 && std::abs(box[axis + 3] - at) < 1e-6)
                return host::kernel::object_of(f);
        }
        return NULL_TAG;
    }
    tag top() const { return face_at(2, 20); }
    tag end() const { return face_at(0, 100); }

    unsigned int part_ = 0;
    tag body_ = NULL_TAG;
};

TEST_F(Hollow, ShellsMatchTheirClosedForms) {
    struct Row {
        const char* what;
        int kind;
        double volume;
    };
    const Row rows[] = {
        {"top open, walls of 2", 1, kBlock - 96.0 * 46 * 18},     // 20512
        {"top open, end face at 5", 2, kBlock - 93.0 * 46 * 18},  // 22996
        {"closed, walls of 2", 3, kBlock - 96.0 * 46 * 16},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        SetUp();
        tag feature = NULL_TAG;
        tag open[1] = {top()}, own[1] = {end()};
        char five[] = "5";
        char* texts[1] = {five};
        if (r.kind == 1) {
            tag_list* list = nullptr;
            KX_MODL_create_list(&list);
            KX_MODL_put_list_item(list, open[0]);
            ASSERT_EQ(KX_MODL_create_hollow("2", list, &feature), 0);
            KX_MODL_delete_list(&list);
        } else if (r.kind == 2) {
            ASSERT_EQ(KX_MODL_create_variable_hollow(0.001, "2", 1, open, 0, nullptr, 1, own, texts, &feature), 0);
        } else {
            BREF_set_current_target(body_);
            ASSERT_EQ(KX_MODL_create_variable_hollow(0.001, "2", 0, nullptr, 0, nullptr, 0, nullptr, nullptr, &feature),
                      0);
        }
        EXPECT_NE(feature, NULL_TAG);
        EXPECT_NEAR(volume(), r.volume, 1e-6 * kBlock);
    }
}

TEST_F(Hollow, EditedThicknessIsFollowedAtTheUpdate) {
    tag open[1] = {top()};
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_variable_hollow(0.001, "2", 1, open, 0, nullptr, 0, nullptr, nullptr, &feature), 0);
    ASSERT_EQ(EXP_edit_exp(part_, FREC_ask_parm_exp(feature, "Thickness"), "3"), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(), kBlock - 94.0 * 44 * 17, 1e-6 * kBlock);
}

TEST_F(Hollow, PartFileKeepsTheHollowAndItFollowsEditsAfterwards) {
    tag open[1] = {top()}, own[1] = {end()};
    char five[] = "5";
    char* texts[1] = {five};
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_variable_hollow(0.001, "2", 1, open, 0, nullptr, 1, own, texts, &feature), 0);
    const std::map<unsigned int, unsigned int> read = reopen_part(part_, [] {
        kxtest::fresh_process();
        ASSERT_EQ(KX_initialize(), 0);
    });
    body_ = read.at(body_);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(), kBlock - 93.0 * 46 * 18, 1e-6 * kBlock);
    ASSERT_EQ(EXP_edit_exp(part_, FREC_ask_parm_exp(read.at(feature), "Thickness"), "3"), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(), kBlock - 92.0 * 44 * 17, 1e-6 * kBlock);
}

// The kernel's offset widens tolerances of the shapes it works on: the
// body before the hollow, kept by the undo mark, must come back unchanged.
TEST_F(Hollow, BodyBeforeTheHollowIsLeftAsItWas) {
    const std::string file = ::testing::TempDir() + "hollow-before.brep";
    const auto exported = [&] {
        const int b = host::kernel::entity_of(body_);
        ZQ_BODY_export(1, &b, file.c_str());
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    };
    struct Row {
        const char* what;
        void (*hollow)(tag face);
    };
    const Row rows[] = {
        {"the hollow feature",
         [](tag face) {
             tag open[1] = {face};
             tag feature = NULL_TAG;
             EXPECT_EQ(
                 KX_MODL_create_variable_hollow(0.001, "2", 1, open, 0, nullptr, 0, nullptr, nullptr, &feature), 0);
         }},
        {"the kernel's plain hollow",
         [](tag face) {
             const int f = host::kernel::entity_of(face);
             ZQ_BODY_hollow(host::kernel::entity_of(ES_solid_ask_body(face)), 1, &f, 2);
         }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        SetUp();
        const std::string before = exported();
        int status = 0;
        const unsigned int mark = UNDO_JQ_set_mark(1, "before", &status);
        r.hollow(top());
        EXPECT_NEAR(volume(), kBlock - 96.0 * 46 * 18, 1e-6 * kBlock);
        ASSERT_EQ(UNDO_JQ_undo_to_mark(mark, "before"), 0);
        EXPECT_NEAR(volume(), kBlock, 1e-6 * kBlock);
        EXPECT_EQ(exported(), before);
    }
    std::remove(file.c_str());
}

TEST_F(Hollow, WithoutFacesOrTargetThereIsNoBody) {
    tag feature = 5;
    tag_list* empty = nullptr;
    KX_MODL_create_list(&empty);
    EXPECT_EQ(KX_MODL_create_hollow("2", empty, &feature), 875032);
    EXPECT_EQ(feature, NULL_TAG);
    KX_MODL_delete_list(&empty);
    // With a target, a thickness that is no expression above the tolerance.
    BREF_set_current_target(body_);
    for (const char* bad : {"0", "-1", "no_such_name"})
        EXPECT_EQ(KX_MODL_create_variable_hollow(0.001, bad, 0, nullptr, 0, nullptr, 0, nullptr, nullptr, &feature),
                  875013)
            << bad;
    EXPECT_EQ(host::control::call_count("HOLLOW_create_frec"), 0);
}

TEST_F(Hollow, BadArgumentsAreRefusedWithTheirCodes) {
    tag f[1] = {top()};
    char two[] = "2";
    char* texts[1] = {two};
    tag feature = 5;
    const std::string long_text(256, '2');
    struct Row {
        int n1;
        tag* f1;
        int n3;
        tag* f3;
        char** t3;
        const char* thickness;
        int code;
    };
    const Row rows[] = {
        {-1, f, 0, nullptr, nullptr, "2", 1105006},   {1, nullptr, 0, nullptr, nullptr, "2", 1105007},
        {1, f, -2, f, texts, "2", 1105015},           {1, f, 1, nullptr, texts, "2", 1105016},
        {1, f, 1, f, nullptr, "2", 1105027},          {1, f, 0, nullptr, nullptr, long_text.c_str(), 875013},
        {1, f, 0, nullptr, nullptr, nullptr, 875013},
    };
    for (const Row& r : rows) {
        feature = 5;
        EXPECT_EQ(
            KX_MODL_create_variable_hollow(0.001, r.thickness, r.n1, r.f1, 0, nullptr, r.n3, r.f3, r.t3, &feature),
            r.code);
        EXPECT_EQ(feature, NULL_TAG);
    }
    EXPECT_EQ(KX_MODL_create_variable_hollow(0.001, "2", 1, f, -1, nullptr, 0, nullptr, nullptr, &feature), 1105013);
    EXPECT_EQ(KX_MODL_create_variable_hollow(0.001, "2", 1, f, 0, nullptr, 0, nullptr, nullptr, nullptr), 1105028);
    EXPECT_EQ(KX_MODL_create_hollow("2", nullptr, nullptr), 1105006);
    EXPECT_NEAR(volume(), kBlock, 1e-6 * kBlock);
}

TEST_F(Hollow, KernelFailureRollsBackToTheMark) {
    tag open[1] = {top()};
    tag feature = NULL_TAG;
    // Walls thicker than the block cannot be made.
    EXPECT_NE(KX_MODL_create_variable_hollow(0.001, "30", 1, open, 0, nullptr, 0, nullptr, nullptr, &feature), 0);
    EXPECT_EQ(feature, NULL_TAG);
    EXPECT_NEAR(volume(), kBlock, 1e-6 * kBlock);
    host::control::raise_on("ZQ_BODY_hollow_faces", 670004);
    EXPECT_EQ(KX_MODL_create_variable_hollow(0.001, "2", 1, open, 0, nullptr, 0, nullptr, nullptr, &feature), 670004);
    EXPECT_EQ(host::control::frame_depth(), 0);
    EXPECT_EQ(host::control::call_count("UNDO_JQ_delete_mark"), host::control::call_count("UNDO_JQ_set_mark"));
    EXPECT_EQ(host::control::call_count("HOLLOW_free_list"), 2);
    EXPECT_NEAR(volume(), kBlock, 1e-6 * kBlock);
}

}  // namespace
