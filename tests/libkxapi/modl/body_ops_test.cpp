// Mirror, trim, split and sew on the kernel's bodies: volumes and
// centroids against closed forms, the sew's target and tool rules, the
// split's type checks, and roll-back of failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include <cmath>
#include <map>
#include <vector>

#include "host/control/control.h"
#include "host/apps/modeling/bodyops/body_ops.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/form/form_features.h"
#include "host/model/feature/profiles.h"
#include "host/model/feature/queries.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "tests/support/part_files.h"
#include "tests/libkxapi/curve/reopen_fixture.h"
#include "tests/libkxapi/modl/body_ops_fixture.h"
#include "host/base/services/memory.h"
#include "tests/support/fresh_process.h"

namespace {

using kxtest::face_at;
using kxtest::kernel_block;

constexpr double kBlock = 100.0 * 50 * 20;

class BodyOps : public ::testing::Test {
protected:
    void SetUp() override {
        kxtest::fresh_process();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("bodyops.prt");
        host::parts::set_work_part(part_);
        body_ = block({0, 0, 0}, {100, 50, 20});
        const double at[3] = {30, 0, 0}, x[3] = {1, 0, 0};
        plane_ = host::profiles::create_direction_object(part_, HOST_TYPE_DATUM_PLANE, at, x);
    }
    void TearDown() override { kxtest::fresh_process(); }
    static void fresh() {
        kxtest::fresh_process();
        ASSERT_EQ(KX_initialize(), 0);
    }

    // A sew (option 0, tolerance 0.001) that hands back one body: that body.
    static tag sew(int n_targets, tag* targets, int n_tools, tag* tools, tag* feature) {
        tag_list* made = nullptr;
        EXPECT_EQ(KX_MODL_create_sew(0, n_targets, targets, n_tools, tools, 0.001, 0, &made, feature), 0);
        int count = 0;
        KX_MODL_ask_list_count(made, &count);
        tag sewn = NULL_TAG;
        if (count == 1) KX_MODL_ask_list_item(made, 0, &sewn);
        KX_MODL_delete_list(&made);
        return sewn;
    }
    static std::size_t face_count(tag body) { return host::kernel::faces_of(host::kernel::entity_of(body)).size(); }

    tag block(std::vector<double> origin, std::vector<double> size) {
        std::vector<std::string> texts;
        for (double s : size) texts.push_back(std::to_string(s));
        const char* formulas[3] = {texts[0].c_str(), texts[1].c_str(), texts[2].c_str()};
        unsigned int feature = 0;
        EXPECT_EQ(FEAT_create(part_, "BLOCK", 3, formulas, 3, origin.data(), 0, nullptr, 0, FEAT_SIGN_NEW, &feature),
                  0);
        return FREC_ask_body(feature);
    }
    static std::vector<double> props(tag body) {
        std::vector<double> p(ZQ_MP_COUNT);
        ZQ_BODY_ask_mass_props(host::kernel::entity_of(body), p.data());
        return p;
    }
    // A square sheet of side 10 on a face of the cube [0, 10]^3.
    tag square(int axis, double at) {
        const int u = (axis + 1) % 3, v = (axis + 2) % 3;
        double pts[12] = {};
        const double corners[4][2] = {{0, 0}, {10, 0}, {0, 10}, {10, 10}};
        for (int i = 0; i < 4; ++i) {
            pts[3 * i + axis] = at;
            pts[3 * i + u] = corners[i][0];
            pts[3 * i + v] = corners[i][1];
        }
        int body = 0;
        ZQ_BODY_points_sheet(2, 2, pts, &body);
        return host::kernel::object_of(body);
    }

    unsigned int part_ = 0;
    tag body_ = NULL_TAG;
    tag plane_ = NULL_TAG;
};

TEST_F(BodyOps, SplitByPlaneGivesTwoBodiesThatAddUp) {
    int n = 0;
    tag* results = nullptr;
    ASSERT_EQ(KX_MODL_split_body(1, &body_, plane_, &n, &results), 0);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(results[0], body_);
    EXPECT_NEAR(props(results[0])[ZQ_MP_VOLUME], 30000, 1e-6 * kBlock);
    EXPECT_NEAR(props(results[1])[ZQ_MP_VOLUME], 70000, 1e-6 * kBlock);
    KX_free(results);
}

TEST_F(BodyOps, SplitChecksItsArguments) {
    int n = 7;
    tag* results = nullptr;
    EXPECT_EQ(KX_MODL_split_body(0, &body_, plane_, &n, &results), 1105004);
    EXPECT_EQ(n, 7);  // nothing is written before the count check
    EXPECT_EQ(KX_MODL_split_body(1, nullptr, plane_, &n, &results), 1105005);
    const tag face = host::kernel::object_of(host::kernel::faces_of(host::kernel::entity_of(body_))[0]);
    struct Row {
        tag body;
        tag tool;
        int code;
    };
    const Row rows[] = {
        {plane_, plane_, 875032}, {face, plane_, 875032}, {body_, face, 875051}, {body_, 0xFFFFF, 875033}};
    for (const Row& r : rows) {
        tag b = r.body;
        EXPECT_EQ(KX_MODL_split_body(1, &b, r.tool, &n, &results), r.code);
        EXPECT_EQ(results, nullptr);
    }
    EXPECT_NEAR(props(body_)[ZQ_MP_VOLUME], kBlock, 1e-6 * kBlock);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(BodyOps, MirrorKeepsTheVolumeAndMirrorsTheCentroid) {
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_mirror_body(body_, plane_, &feature), 0);
    EXPECT_NE(feature, NULL_TAG);
    const std::vector<double> p = props(body_);
    EXPECT_NEAR(p[ZQ_MP_VOLUME], kBlock, 1e-6 * kBlock);
    EXPECT_NEAR(p[ZQ_MP_CENTROID], 2 * 30 - 50, 1e-6);
    EXPECT_NEAR(p[ZQ_MP_CENTROID + 1], 25, 1e-6);
    // The update makes it again the same way.
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(props(body_)[ZQ_MP_CENTROID], 10, 1e-6);
    // A tag that is no plane: the host refuses, nothing changes.
    EXPECT_EQ(KX_MODL_create_mirror_body(body_, body_, &feature), 670533);
    EXPECT_EQ(feature, NULL_TAG);
    EXPECT_EQ(host::control::call_count("UNDO_JQ_delete_mark"), host::control::call_count("UNDO_JQ_set_mark"));
}

TEST_F(BodyOps, TrimKeepsTheSideAsked) {
    struct Row {
        int side;
        double volume;
    };
    for (const Row& r : {Row{0, 30000}, Row{1, 70000}}) {
        SetUp();
        tag feature = NULL_TAG;
        ASSERT_EQ(KX_MODL_trim_body(body_, plane_, r.side, &feature), 0);
        EXPECT_NE(feature, NULL_TAG);
        EXPECT_NEAR(props(body_)[ZQ_MP_VOLUME], r.volume, 1e-6 * kBlock);
    }
    tag feature = NULL_TAG;
    EXPECT_EQ(KX_MODL_trim_body(body_, plane_, 2, &feature), 670533);
    EXPECT_EQ(feature, NULL_TAG);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(BodyOps, PartFileKeepsMirrorAndTrimAndTheyFollowEditsAfterwards) {
    struct Row {
        const char* what;
        int trim_side;  // -1: a mirror
        const char* parameter;
        const char* value;
        double volume, centroid_x;        // read back
        double edited_volume, edited_x;  // after the edit
    };
    const Row rows[] = {
        {"mirror", -1, "Length (XC)", "80", kBlock, 10, 80000, 20},
        {"trim", 0, "Width (YC)", "40", 30000, 15, 24000, 15},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        SetUp();
        const unsigned int block_feature = FREC_ask_root_frec_of_body(body_);
        tag feature = NULL_TAG;
        if (r.trim_side < 0) ASSERT_EQ(KX_MODL_create_mirror_body(body_, plane_, &feature), 0);
        else ASSERT_EQ(KX_MODL_trim_body(body_, plane_, r.trim_side, &feature), 0);
        const std::map<unsigned int, unsigned int> read = reopen_part(part_, [] { fresh(); });
        body_ = read.at(body_);
        ASSERT_EQ(KX_MODL_update(), 0);
        EXPECT_NE(host::feature::find(read.at(feature)), nullptr);
        EXPECT_NEAR(props(body_)[ZQ_MP_VOLUME], r.volume, 1e-6 * kBlock);
        EXPECT_NEAR(props(body_)[ZQ_MP_CENTROID], r.centroid_x, 1e-6);
        ASSERT_EQ(EXP_edit_exp(part_, FREC_ask_parm_exp(read.at(block_feature), r.parameter), r.value), 0);
        ASSERT_EQ(KX_MODL_update(), 0);
        EXPECT_NEAR(props(body_)[ZQ_MP_VOLUME], r.edited_volume, 1e-6 * kBlock);
        EXPECT_NEAR(props(body_)[ZQ_MP_CENTROID], r.edited_x, 1e-6);
    }
}

TEST_F(BodyOps, SixSquaresSewIntoACube) {
    const tag target = square(2, 0);
    tag tools[5] = {square(2, 10), square(0, 0), square(0, 10), square(1, 0), square(1, 10)};
    tag targets[2] = {target, body_};  // a later target is not read
    tag feature = NULL_TAG;
    const tag sewn = sew(2, targets, 5, tools, &feature);
    EXPECT_NE(feature, NULL_TAG);
    EXPECT_EQ(sewn, target);
    EXPECT_NEAR(std::abs(props(sewn)[ZQ_MP_VOLUME]), 1000, 1e-6);
}

TEST_F(BodyOps, SewTargetAndToolRules) {
    const tag sheet = square(2, 0), other = square(2, 10);
    const tag block_face = host::kernel::object_of(host::kernel::faces_of(host::kernel::entity_of(body_))[0]);
    const tag block_face2 = host::kernel::object_of(host::kernel::faces_of(host::kernel::entity_of(body_))[1]);
    const tag k1_face = face_at(kernel_block({100, 0, 0}, {10, 10, 10}), 0, 100);
    const tag k2_face = face_at(kernel_block({200, 0, 0}, {10, 10, 10}), 0, 200);
    struct Row {
        std::vector<tag> targets;
        std::vector<tag> tools;
        int code;
    };
    const Row rows[] = {
        {{}, {other}, 672248},                   // no targets
        {{sheet}, {}, 670374},                   // no tools
        {{NULL_TAG}, {other}, 672248},           // a null target
        {{body_}, {other}, 672248},              // a solid target
        {{block_face, sheet}, {other}, 672248},  // a body after faces
        {{sheet}, {NULL_TAG}, 670374},           // a null tool
        {{sheet}, {body_}, 670374},              // a solid tool
        {{sheet}, {block_face}, 670374},         // a face tool with a body target
        {{block_face}, {block_face2}, 670374},   // a tool face of the target's body
        {{block_face}, {other}, 670374},         // a body tool with face targets
        {{block_face}, {k1_face, k2_face}, 670374},  // tool faces of two bodies
        {{block_face}, {k1_face, sheet}, 670374},    // a body among tool faces
    };
    for (const Row& r : rows) {
        std::vector<tag> t = r.targets, u = r.tools;
        tag_list* made = reinterpret_cast<tag_list*>(0x1);
        tag feature = 9;
        EXPECT_EQ(KX_MODL_create_sew(0, static_cast<int>(t.size()), t.data(), static_cast<int>(u.size()), u.data(),
                                     0.001, 0, &made, &feature),
                  r.code);
        EXPECT_EQ(made, nullptr);
        EXPECT_EQ(feature, NULL_TAG);
    }
    EXPECT_EQ(host::control::call_count("SEW_create_frec"), 0);
    EXPECT_EQ(host::control::frame_depth(), 0);
    tag t[1] = {sheet};
    tag_list* made = nullptr;
    tag feature = NULL_TAG;
    EXPECT_EQ(KX_MODL_create_sew(0, -1, t, 1, t, 0.001, 0, &made, &feature), 1105005);
    EXPECT_EQ(KX_MODL_create_sew(0, 1, nullptr, 1, t, 0.001, 0, &made, &feature), 1105006);
    EXPECT_EQ(KX_MODL_create_sew(0, 1, t, -1, t, 0.001, 0, &made, &feature), 1105007);
    EXPECT_EQ(KX_MODL_create_sew(0, 1, t, 1, t, 0.001, 0, nullptr, &feature), 1105016);
    EXPECT_EQ(KX_MODL_create_sew(0, 1, t, 1, t, 0.001, 0, &made, nullptr), 1105027);
}

std::string stored(tag body) { return kxtest::stored_body_bytes(body); }

// A sew that fails at any host call after the kernel's sew leaves both
// sheets byte for byte as they were: the kernel sews copies.
TEST_F(BodyOps, FailedSewLeavesItsSheetsByteForByte) {
  for (const double gap : {0.0, 0.0004}) {
    SCOPED_TRACE(gap);
    std::vector<std::string> after_sew;
    for (std::size_t k = 0;; ++k) {
        SCOPED_TRACE(k);
        fresh();
        part_ = host::parts::create("sewn.prt");
        host::parts::set_work_part(part_);
        // Two sheets, 10 x 10 on z = 0 and 10 x 10 on x = 0: they meet
        // along the y axis.
        tag target = square(2, 0), tool = square(0, -gap);
        const std::string target_bytes = stored(target), tool_bytes = stored(tool);
        host::control::clear_journal();
        if (k > 0) {
            const std::string& name = after_sew[k - 1];
            int nth = 0;
            for (std::size_t i = 0; i < k; ++i) nth += after_sew[i] == name;
            host::control::raise_on(name.c_str(), 670099, nth);
        }
        tag_list* made = nullptr;
        tag feature = NULL_TAG;
        const int st = KX_MODL_create_sew(0, 1, &target, 1, &tool, 0.001, 0, &made, &feature);
        host::control::clear_scripts();
        KX_MODL_delete_list(&made);
        if (k == 0) {
            ASSERT_EQ(st, 0);
            const std::vector<std::string> names = host::control::call_names();
            const auto sewn = std::find(names.begin(), names.end(), "ZQ_BODY_sew");
            ASSERT_NE(sewn, names.end());
            // The frame's own calls (arming, cancelling) are not steps.
            for (auto it = sewn + 1; it != names.end(); ++it)
                if (it->rfind("ERROR_", 0) != 0) after_sew.push_back(*it);
            ASSERT_FALSE(after_sew.empty());
            continue;
        }
        if (st != 0) {  // (an error of a release may be taken by the function)
            EXPECT_EQ(stored(target), target_bytes);
            EXPECT_EQ(stored(tool), tool_bytes);
        }
        if (k == after_sew.size()) break;
    }
  }
}

TEST_F(BodyOps, SewOfFacesJoinsTwoSolidsWhereTheyMeet) {
    // A 20 x 50 x 20 block against the end of the 100 x 50 x 20 block.
    const tag tool = kernel_block({100, 0, 0}, {20, 50, 20});
    tag targets[1] = {face_at(body_, 0, 100)}, tools[1] = {face_at(tool, 0, 100)};
    tag feature = NULL_TAG;
    EXPECT_EQ(sew(1, targets, 1, tools, &feature), body_);
    EXPECT_NE(feature, NULL_TAG);
    EXPECT_NEAR(props(body_)[ZQ_MP_VOLUME], 120000, 1e-6);
    EXPECT_EQ(face_count(body_), 10u);  // the two faces sewn are gone
    EXPECT_FALSE(host::objects::is_alive(tool));
    EXPECT_FALSE(host::objects::is_alive(targets[0]));
    EXPECT_EQ(SEW_is_instance_sew(feature), 0);
    // The sew lives on the body: the update and a part file make it again.
    ASSERT_EQ(KX_MODL_update(), 0);
    const std::map<unsigned int, unsigned int> read = reopen_part(part_, [] { fresh(); });
    body_ = read.at(body_);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_NEAR(props(body_)[ZQ_MP_VOLUME], 120000, 1e-6);
    EXPECT_EQ(face_count(body_), 10u);
    EXPECT_NE(host::feature::find(read.at(feature)), nullptr);
}

TEST_F(BodyOps, SewOfFacesThatDoNotMeetLeavesTheModel) {
    const tag tool = kernel_block({130, 0, 0}, {20, 50, 20});
    tag targets[1] = {face_at(body_, 0, 100)}, tools[1] = {face_at(tool, 0, 130)};
    tag_list* made = nullptr;
    tag feature = NULL_TAG;
    EXPECT_EQ(KX_MODL_create_sew(0, 1, targets, 1, tools, 0.001, 0, &made, &feature), KERNEL_ERR_DISJOINT);
    EXPECT_EQ(feature, NULL_TAG);
    KX_MODL_delete_list(&made);
    EXPECT_TRUE(host::objects::is_alive(tool));
    EXPECT_NEAR(props(body_)[ZQ_MP_VOLUME], kBlock, 1e-6);
    EXPECT_EQ(face_count(body_), 6u);
    EXPECT_EQ(host::control::call_count("UNDO_JQ_delete_mark"), host::control::call_count("UNDO_JQ_set_mark"));
}

TEST_F(BodyOps, OptionOneMarksASewOfInstanceFaces) {
    // Each of two blocks with a hole copied by a linear instance set; the
    // faces of the copies are faces of instances.
    const auto holed = [&](double x) {
        const tag b = block({x, 0, 0}, {100, 50, 20});
        const char* at[] = {nullptr, "10", "20"};
        const std::string ax = std::to_string(x + 10);
        at[0] = ax.c_str();
        const char* down[] = {"0", "0", "-1"};
        const char* parms[] = {"6", "10", "0"};
        int status = 0;
        FORMF_create_simple_hole(at, down, parms, face_at(b, 2, 20), 0, &status);
        EXPECT_EQ(status, 0);
        const tag hole = FORMF_ask_created_frec();
        BREF_set_current_target(b);
        tag_list* list = nullptr;
        KX_MODL_create_list(&list);
        KX_MODL_put_list_item(list, hole);
        tag set = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_linear_iset(0, "2", "30", "1", "0", list, &set), 0);
        KX_MODL_delete_list(&list);
        int n = 0;
        int* faces = nullptr;
        ZQ_GROUP_ask_entities(set, &n, &faces);
        EXPECT_GT(n, 0);
        const tag copy = n > 0 ? host::kernel::object_of(faces[0]) : NULL_TAG;
        SM_free(faces);
        return std::pair<tag, tag>{b, copy};
    };
    const auto [a, a_copy] = holed(0);
    const auto [b, b_copy] = holed(200);
    struct Row {
        int option;
        tag target, tool;
        long flag;
    };
    const Row rows[] = {
        {1, a_copy, b_copy, 1},
        {0, a_copy, b_copy, 0},
        {1, face_at(a, 0, 100), b_copy, 0},
    };
    for (const Row& r : rows) {
        host::control::clear_journal();
        tag targets[1] = {r.target}, tools[1] = {r.tool};
        tag_list* made = nullptr;
        tag feature = NULL_TAG;
        KX_MODL_create_sew(r.option, 1, targets, 1, tools, 0.001, 0, &made, &feature);
        KX_MODL_delete_list(&made);
        const std::vector<host::JournalRecord> sews = host::control::calls("SEW_create_frec");
        ASSERT_EQ(sews.size(), 1u);
        EXPECT_EQ(sews[0].arg[1], r.flag) << r.option;
    }
}

TEST_F(BodyOps, MultipleSewsReturnWhatTheyMade) {
    const tag target = square(2, 0);
    const tag a = square(0, 0), b = square(1, 0);
    tag_list* sews = nullptr;
    tag_list* bodies = nullptr;
    ASSERT_EQ(KX_MODL_create_multiple_sews(target, a, NULL_TAG, b, NULL_TAG, &sews, &bodies), 0);
    int n = 0;
    KX_MODL_ask_list_count(sews, &n);
    EXPECT_EQ(n, 2);
    KX_MODL_ask_list_count(bodies, &n);
    EXPECT_EQ(n, 1);
    KX_MODL_delete_list(&sews);
    KX_MODL_delete_list(&bodies);
    // A failing sew (a solid as a tool) still hands out the sews made before it.
    const tag c = square(1, 10);
    ASSERT_EQ(KX_MODL_create_multiple_sews(target, c, body_, NULL_TAG, NULL_TAG, &sews, &bodies),
              KERNEL_ERR_WRONG_ENTITY);
    KX_MODL_ask_list_count(sews, &n);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(bodies, nullptr);
    KX_MODL_delete_list(&sews);
    // The body must be a sheet.
    EXPECT_EQ(KX_MODL_create_multiple_sews(body_, a, NULL_TAG, NULL_TAG, NULL_TAG, &sews, &bodies), 672248);
    EXPECT_EQ(sews, nullptr);
    EXPECT_EQ(KX_MODL_create_multiple_sews(target, a, NULL_TAG, NULL_TAG, NULL_TAG, nullptr, &bodies), 1105014);
}

}  // namespace
