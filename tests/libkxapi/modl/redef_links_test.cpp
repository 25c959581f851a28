// The tool face and the direction reference of form features: a slot turned
// onto an edge or across it, reversed, the direction a reference would
// give, the tool face moved; each refusal leaves the model as it was; and
// the sketch of a sweep.
#include <cmath>
#include <vector>

#include "host/apps/modeling/redefine/redefine_faces.h"
#include "tests/libkxapi/modl/redef_fixture.h"

namespace {

using form_test::kBlockVolume;
using redef_test::Redefine;

// The box of the feature's own faces: min x, y, z, max x, y, z.
std::vector<double> box_of(tag feature) {
    int count = 0;
    int* faces = nullptr;
    ZQ_GROUP_ask_entities(feature, &count, &faces);
    std::vector<double> box = {1e9, 1e9, 1e9, -1e9, -1e9, -1e9};
    for (int i = 0; i < count; ++i) {
        double b[6];
        ZQ_TOPOL_find_box(faces[i], b);
        for (int k = 0; k < 3; ++k) {
            box[k] = std::min(box[k], b[k]);
            box[3 + k] = std::max(box[3 + k], b[3 + k]);
        }
    }
    SM_free(faces);
    return box;
}

std::vector<double> xdir(tag feature) {
    const host::feature::Record* r = host::feature::find(feature);
    return {r->numbers[6], r->numbers[7], r->numbers[8]};
}

class Links : public Redefine {
protected:
    void expect_x(tag feature, double x, double y) {
        const std::vector<double> d = xdir(feature);
        EXPECT_NEAR(d[0], x, 1e-9);
        EXPECT_NEAR(d[1], y, 1e-9);
        EXPECT_NEAR(d[2], 0, 1e-9);
    }
};

TEST_F(Links, SlotTurnsOntoAnEdgeAndAcrossAnother) {
    const tag s = slot();
    ASSERT_EQ(KX_MODL_update(), 0);
    const double slotted = volume();
    // Horizontal: the slot runs along the block's left edge (along Y).
    const tag left = block_edge(1, 0);
    ASSERT_EQ(KX_MODL_reattach_dir_ref(s, left, 0, 1), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    expect_x(s, 0, 1);
    std::vector<double> box = box_of(s);
    EXPECT_NEAR(box[4] - box[1], 20, 1e-6) << "20 long along Y";
    EXPECT_NEAR(box[3] - box[0], 10, 1e-6) << "10 wide along X";
    EXPECT_NEAR(volume(), slotted, 1e-6 * kBlockVolume);
    tag target = NULL_TAG, tool = NULL_TAG, dir = NULL_TAG;
    logical flag = 7;
    ASSERT_EQ(KX_MODL_ask_link_faces(s, &target, &tool, &dir, &flag), 0);
    EXPECT_EQ(target, top_);
    EXPECT_EQ(dir, left);
    EXPECT_EQ(flag, 1);
    // Vertical: Y along the front edge (along X), so X runs along Y again.
    const tag front = block_edge(0, 0);
    ASSERT_EQ(KX_MODL_reattach_dir_ref(s, front, 0, 0), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    const std::vector<double> across = xdir(s);
    EXPECT_NEAR(std::fabs(across[1]), 1, 1e-9);
    ASSERT_EQ(KX_MODL_ask_link_faces(s, &target, &tool, &dir, &flag), 0);
    EXPECT_EQ(dir, front);
    EXPECT_EQ(flag, 0);
    // Reversed: the same reference, the other sense.
    ASSERT_EQ(KX_MODL_reverse_dir_ref(s, front, 0, 0, 1), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    expect_x(s, -across[0], -across[1]);
    EXPECT_EQ(marks(), 0);
}

TEST_F(Links, DirectionRefusalsLeaveTheModelAsItWas) {
    const tag elsewhere = other_body_top();
    const tag h = hole(NULL_TAG, 20);
    const tag s = slot();
    const tag later = boss();
    ASSERT_EQ(KX_MODL_update(), 0);
    int n = 0;
    int* edges = nullptr;
    KI_idcoen_sm(host::kernel::entity_of(elsewhere), ZQ_CLASS_EDGE, &edges, &n);
    const tag other_edge = host::kernel::object_of(edges[0]);
    SM_free(edges);
    struct Case {
        const char* name;
        tag feature;
        tag entity;
        int code;
    };
    for (const Case& c : std::vector<Case>{
             {"hole_takes_no_direction", h, block_edge(1, 0), 875008},
             {"not_a_feature", body_, block_edge(1, 0), 875008},
             {"curved_edge", s, round_edge(h), 875170},
             {"other_body", s, other_edge, 875166},
             {"made_later", s, round_edge(later), 875167},
             {"body", s, body_, 875033},
             {"null", s, NULL_TAG, 875033},
             {"dead", s, 0x7ffffff0u, 875033},
         }) {
        const State before = state(s);
        EXPECT_EQ(KX_MODL_reattach_dir_ref(c.feature, c.entity, 0, 1), c.code) << c.name;
        EXPECT_EQ(KX_MODL_reverse_dir_ref(c.feature, c.entity, 0, 1, 1), c.code) << c.name;
        EXPECT_EQ(state(s), before) << c.name;
    }
    // A side face along X turned into the placement plane is no direction.
    const State before = state(s);
    EXPECT_EQ(KX_MODL_reattach_dir_ref(s, top_, 0, 1), 875030);
    EXPECT_EQ(state(s), before);
}

TEST_F(Links, ToolFaceMovesOnlyWhereThereIsOne) {
    const tag elsewhere = other_body_top();
    const tag first = hole(NULL_TAG, 20);
    const tag h = hole();
    const tag later = boss();
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_EQ(KX_MODL_reattach_tool_face(h, bottom_, 0), 875008) << "made without a tool face";
    host::feature::set_tool_face(h, top_);
    struct Case {
        const char* name;
        tag face;
        int code;
    };
    for (const Case& c : std::vector<Case>{
             {"dead_face", 0x7ffffff0u, 875288},
             {"null_face", NULL_TAG, 875288},
             {"edge", block_edge(1, 0), 875008},
             {"other_body", elsewhere, 875166},
             {"made_later", face_of_feature(later, ZQ_SURF_PLANE, {0, 0, 1}), 875167},
             {"not_planar", face_of_feature(first, ZQ_SURF_CYLINDER), 875006},
         }) {
        EXPECT_EQ(KX_MODL_reattach_tool_face(h, c.face, 0), c.code) << c.name;
        tag target = NULL_TAG, tool = NULL_TAG, dir = NULL_TAG;
        logical flag = 0;
        ASSERT_EQ(KX_MODL_ask_link_faces(h, &target, &tool, &dir, &flag), 0);
        EXPECT_EQ(tool, top_) << c.name;
    }
    ASSERT_EQ(KX_MODL_reattach_tool_face(h, bottom_, 0), 0);
    tag target = NULL_TAG, tool = NULL_TAG, dir = NULL_TAG;
    logical flag = 0;
    ASSERT_EQ(KX_MODL_ask_link_faces(h, &target, &tool, &dir, &flag), 0);
    EXPECT_EQ(tool, bottom_);
    EXPECT_EQ(target, top_);
    host::control::raise_on("MODL__reattach_tool_face", 670004);
    EXPECT_EQ(KX_MODL_reattach_tool_face(h, top_, 0), 875030);
    host::control::clear_scripts();
    ASSERT_EQ(KX_MODL_ask_link_faces(h, &target, &tool, &dir, &flag), 0);
    EXPECT_EQ(tool, bottom_) << "rolled back";
    EXPECT_EQ(marks(), 0);
}

TEST_F(Links, ReferenceDirectionOnAFace) {
    const tag s = slot();
    double d[3] = {9, 9, 9};
    ASSERT_EQ(KX_MODL_calculate_ref_dir(s, top_, 1, block_edge(1, 0), d), 0);
    EXPECT_NEAR(std::fabs(d[1]), 1, 1e-9);
    ASSERT_EQ(KX_MODL_calculate_ref_dir(s, top_, 0, block_edge(1, 0), d), 0);
    EXPECT_NEAR(std::fabs(d[0]), 1, 1e-9);
    ASSERT_EQ(KX_MODL_calculate_ref_dir(s, top_, 1, side_, d), 0) << "a face gives its normal";
    EXPECT_NEAR(std::fabs(d[0]), 1, 1e-9);
    EXPECT_EQ(KX_MODL_calculate_ref_dir(s, top_, 1, body_, d), 875033);
    EXPECT_EQ(KX_MODL_calculate_ref_dir(s, block_edge(1, 0), 1, side_, d), 875033);
    EXPECT_EQ(KX_MODL_calculate_ref_dir(s, top_, 1, side_, nullptr), 1105013);
    EXPECT_EQ(KX_MODL_calculate_ref_dir(s, top_, 1, top_, d), 670534)
        << "the host's answer: along the normal";
    host::control::raise_on("RPO_calculate_ref_dir", 670004);
    EXPECT_EQ(KX_MODL_calculate_ref_dir(s, top_, 1, side_, d), 875030);
    host::control::clear_scripts();
}

TEST_F(Links, SketchOfASweep) {
    const tag sketch = host::feature::create(part_, "SKETCH");
    const tag sweep = host::feature::create(part_, "SWEEP", {sketch});
    const tag bare = host::feature::create(part_, "EXTRUDED");
    tag out = 5;
    ASSERT_EQ(KX_MODL_ask_sketch_of_sweep(sweep, &out), 0);
    EXPECT_EQ(out, sketch);
    struct Case {
        const char* name;
        tag feature;
        int code;
    };
    for (const Case& c : std::vector<Case>{{"no_sketch", bare, 875008},
                                           {"not_a_sweep", sketch, 875008},
                                           {"null", NULL_TAG, 875008},
                                           {"body", body_, 875008}}) {
        out = 5;
        EXPECT_EQ(KX_MODL_ask_sketch_of_sweep(c.feature, &out), c.code) << c.name;
        EXPECT_EQ(out, NULL_TAG) << c.name;
    }
    EXPECT_EQ(KX_MODL_ask_sketch_of_sweep(sweep, nullptr), 1105005);
    host::control::raise_on("SKET_ask_asso_sket_frecs", 670004);
    EXPECT_EQ(KX_MODL_ask_sketch_of_sweep(sweep, &out), 875030);
    host::control::clear_scripts();
    EXPECT_EQ(marks(), 0);
}

}  // namespace
