// Replacing a block by another block with its hole re-parented by the pairs
// the ask-only call answers; the refusals of replacement (875363, 875364,
// 875304 and the pairs); datum planes; the faces an offset or hollow works
// on; the trim faces of a trimming user-defined feature, whose failed
// update takes the new faces back.
#include <cmath>
#include <vector>

#include "host/apps/modeling/redefine/redefine_faces.h"
#include "host/apps/modeling/redefine/redefine_replace.h"
#include "kx_modl_body_ops.h"
#include "tests/libkxapi/modl/redef_fixture.h"

namespace {

using form_test::kBlockVolume;
using form_test::kPi;
using redef_test::Redefine;

class Replace : public Redefine {
protected:
    void SetUp() override {
        Redefine::SetUp();
        block_ = host::feature::features_of_part(part_)[0];
    }
    // A second block 100 x 50 x 30 under the first (z -40 to -10); its top.
    tag second_block(tag* top) {
        const char* sizes[] = {"100", "50", "30"};
        const double origin[] = {0, 0, -40};
        unsigned int made = 0;
        EXPECT_EQ(FEAT_create(part_, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, 0, &made), 0);
        *top = face_of_feature(made, ZQ_SURF_PLANE, {0, 0, 1});
        return made;
    }
    static double volume_of(tag body) {
        double p[ZQ_MP_COUNT] = {};
        ZQ_BODY_ask_mass_props(host::kernel::entity_of(body), p);
        return p[ZQ_MP_VOLUME];
    }
    int ask(std::vector<tag> old, std::vector<tag> news, KX_MODL_ref_pair_t** pairs, int* n) {
        return KX_MODL_replace_features(old.data(), static_cast<int>(old.size()), news.data(),
                                        static_cast<int>(news.size()), 1, 0, pairs, n);
    }
    int replace(std::vector<tag> old, std::vector<tag> news, std::vector<KX_MODL_ref_pair_t> given) {
        KX_MODL_ref_pair_t* pairs = given.data();
        int n = static_cast<int>(given.size());
        return KX_MODL_replace_features(old.data(), static_cast<int>(old.size()), news.data(),
                                        static_cast<int>(news.size()), 0, 0, &pairs, &n);
    }
    tag block_ = NULL_TAG;
};

TEST_F(Replace, BlockReplacedByAnotherBlockTakesItsHole) {
    const tag h = hole();
    tag top2 = NULL_TAG;
    const tag block2 = second_block(&top2);
    ASSERT_EQ(KX_MODL_update(), 0);
    const State before = state(h);
    KX_MODL_ref_pair_t* pairs = nullptr;
    int n = -1;
    ASSERT_EQ(ask({block_}, {block2}, &pairs, &n), 0);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(pairs[0].old_entity, top_);
    EXPECT_EQ(pairs[0].new_entity, NULL_TAG);
    EXPECT_EQ(state(h), before) << "asking changes nothing";
    pairs[0].new_entity = top2;
    const std::vector<KX_MODL_ref_pair_t> given(pairs, pairs + n);
    KX_free(pairs);
    ASSERT_EQ(replace({block_}, {block2}, given), 0);
    EXPECT_EQ(marks(), 0);
    EXPECT_EQ(host::feature::find(block_), nullptr) << "the old block is gone";
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    const host::feature::Record* r = host::feature::find(h);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->body, FREC_ask_body(block2));
    EXPECT_NEAR(location(h)[2], -10, 1e-9) << "on the new top";
    EXPECT_NEAR(volume_of(r->body), 100.0 * 50 * 30 - kPi * 25 * 8, 1e-6 * kBlockVolume);
    tag target = NULL_TAG, tool = NULL_TAG, dir = NULL_TAG;
    logical flag = 0;
    ASSERT_EQ(KX_MODL_ask_link_faces(h, &target, &tool, &dir, &flag), 0);
    EXPECT_EQ(target, top2);
}

TEST_F(Replace, ThroughHoleNeedsBothPairs) {
    const tag h = hole(bottom_);
    tag top2 = NULL_TAG;
    const tag block2 = second_block(&top2);
    ASSERT_EQ(KX_MODL_update(), 0);
    KX_MODL_ref_pair_t* pairs = nullptr;
    int n = 0;
    ASSERT_EQ(ask({block_}, {block2}, &pairs, &n), 0);
    ASSERT_EQ(n, 2);
    KX_free(pairs);
    const State before = state(h);
    EXPECT_EQ(replace({block_}, {block2}, {{top_, top2}}), 875304) << "the bottom has no pair";
    EXPECT_EQ(state(h), before);
    EXPECT_NE(host::feature::find(block_), nullptr);
    const tag bottom2 = face_of_feature(block2, ZQ_SURF_PLANE, {0, 0, -1});
    ASSERT_EQ(replace({block_}, {block2}, {{top_, top2}, {bottom_, bottom2}}), 0);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_NEAR(volume_of(host::feature::find(h)->body), 100.0 * 50 * 30 - kPi * 25 * 30, 1e-6 * kBlockVolume);
}

TEST_F(Replace, Refusals) {
    const tag h = hole();
    tag top2 = NULL_TAG;
    const tag block2 = second_block(&top2);
    tag top3 = NULL_TAG;
    const tag block3 = second_block(&top3);
    const tag plane1 = host::feature::create(part_, "DATUM_PLANE");
    const tag plane2 = host::feature::create(part_, "DATUM_PLANE");
    const tag axis = host::feature::create(part_, "DATUM_AXIS");
    ASSERT_EQ(KX_MODL_update(), 0);
    struct Case {
        const char* name;
        std::vector<tag> old, news;
        std::vector<KX_MODL_ref_pair_t> pairs;
        int code;
    };
    for (const Case& c : std::vector<Case>{
             {"hole_is_not_replaceable", {h}, {block2}, {}, 875363},
             {"blocks_of_two_bodies", {block_, block2}, {block3}, {}, 875363},
             {"two_datum_planes", {plane1, plane2}, {axis}, {}, 875363},
             {"dead_old", {0x7ffffff0u}, {block2}, {}, 875008},
             {"body_as_old", {body_}, {block2}, {}, 875033},
             {"hole_as_new", {block_}, {h}, {}, 875364},
             {"itself_as_new", {block_}, {block_}, {}, 875364},
             {"datum_for_a_block", {block_}, {plane1}, {}, 875364},
             {"axis_for_a_plane", {plane1}, {axis}, {}, 875364},
             {"two_new_datums", {plane1}, {plane2, axis}, {}, 875364},
             {"dead_new", {block_}, {0x7ffffff0u}, {}, 875008},
             {"no_pairs", {block_}, {block2}, {}, 875304},
             {"pair_of_a_dead_tag", {block_}, {block2}, {{top_, 0x7ffffff0u}}, 875008},
             {"pair_of_a_feature", {block_}, {block2}, {{top_, block3}}, 875033},
             {"pair_not_an_outside_parent", {block_}, {block2}, {{bottom_, top2}}, 875033},
         }) {
        const State before = state(h);
        EXPECT_EQ(replace(c.old, c.news, c.pairs), c.code) << c.name;
        EXPECT_EQ(state(h), before) << c.name;
        EXPECT_NE(host::feature::find(block_), nullptr) << c.name;
    }
    KX_MODL_ref_pair_t* pairs = nullptr;
    int n = 0;
    tag one[] = {block_};
    EXPECT_EQ(KX_MODL_replace_features(nullptr, 1, one, 1, 1, 0, &pairs, &n), 1105004);
    EXPECT_EQ(KX_MODL_replace_features(one, 0, one, 1, 1, 0, &pairs, &n), 1105005);
    EXPECT_EQ(KX_MODL_replace_features(one, 1, nullptr, 1, 1, 0, &pairs, &n), 1105006);
    EXPECT_EQ(KX_MODL_replace_features(one, 1, one, 0, 1, 0, &pairs, &n), 1105007);
    EXPECT_EQ(KX_MODL_replace_features(one, 1, one, 1, 1, 0, nullptr, &n), 1105015);
    EXPECT_EQ(KX_MODL_replace_features(one, 1, one, 1, 1, 0, &pairs, nullptr), 1105016);
    pairs = nullptr;
    n = 2;
    EXPECT_EQ(KX_MODL_replace_features(one, 1, one, 1, 0, 0, &pairs, &n), 1105015) << "pairs counted, none given";
    EXPECT_EQ(marks(), 0);
}

TEST_F(Replace, AnOffsetOfTheOldBodyCannotMove) {
    unsigned int off = 0;
    const char* by[] = {"2"};
    const unsigned int faces[] = {side_};
    ASSERT_EQ(FEAT_create(part_, "OFFSET", 1, by, 0, nullptr, 1, faces, body_, FEAT_SIGN_NEW, &off), 0);
    tag top2 = NULL_TAG;
    const tag block2 = second_block(&top2);
    KX_MODL_ref_pair_t* pairs = nullptr;
    int n = 0;
    ASSERT_EQ(ask({block_}, {block2}, &pairs, &n), 0);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(pairs[0].old_entity, side_);
    KX_free(pairs);
    const State before = state(off);
    EXPECT_EQ(replace({block_}, {block2}, {{side_, face_of_feature(block2, ZQ_SURF_PLANE, {1, 0, 0})}}), 875304);
    EXPECT_EQ(state(off), before);
    EXPECT_NE(host::feature::find(block_), nullptr);
}

TEST_F(Replace, DatumPlaneReplacedByAnother) {
    const tag plane1 = host::feature::create(part_, "DATUM_PLANE");
    const tag plane2 = host::feature::create(part_, "DATUM_PLANE");
    const tag child = host::feature::create(part_, "DATUM_AXIS", {plane1});
    KX_MODL_ref_pair_t* pairs = nullptr;
    int n = -1;
    tag old[] = {plane1}, news[] = {plane2};
    ASSERT_EQ(KX_MODL_replace_features(old, 1, news, 1, 1, 0, &pairs, &n), 0);
    EXPECT_EQ(n, 0) << "a datum's children take the new datum without pairs";
    EXPECT_EQ(pairs, nullptr);
    ASSERT_EQ(KX_MODL_replace_features(old, 1, news, 1, 0, 0, &pairs, &n), 0);
    EXPECT_EQ(host::feature::find(plane1), nullptr);
    EXPECT_EQ(host::feature::find(child)->parents, std::vector<unsigned int>{plane2});
}

TEST_F(Replace, HostErrorsLeaveEverything) {
    const tag h = hole();
    tag top2 = NULL_TAG;
    const tag block2 = second_block(&top2);
    ASSERT_EQ(KX_MODL_update(), 0);
    for (const char* routine : {"MODL_REDEF_replace_frecs", "FEAT_delete_one", "ZQ_BODY_take_step", "FEAT_redefine",
                                "MODL_REDEF_ask_children_to_reparent", "OM_create_set"}) {
        const State before = state(h);
        const double other = volume_of(FREC_ask_body(block2));
        host::control::raise_on(routine, 670004);
        EXPECT_EQ(replace({block_}, {block2}, {{top_, top2}}), 670004) << routine;
        host::control::clear_scripts();
        EXPECT_EQ(state(h), before) << routine;
        EXPECT_NE(host::feature::find(block_), nullptr) << routine;
        EXPECT_EQ(volume_of(FREC_ask_body(block2)), other) << routine;
        EXPECT_EQ(marks(), 0);
    }
}

TEST_F(Replace, OffsetMovesOtherFaces) {
    unsigned int off = 0;
    const char* by[] = {"2"};
    const unsigned int faces[] = {top_};
    ASSERT_EQ(FEAT_create(part_, "OFFSET", 1, by, 0, nullptr, 1, faces, body_, FEAT_SIGN_NEW, &off), 0);
    ASSERT_NEAR(volume(), 100.0 * 50 * 22, 1e-6 * kBlockVolume);
    const tag later = boss();
    const tag elsewhere = other_body_top();
    const tag h = hole();
    struct Case {
        const char* name;
        tag feature;
        int count;
        std::vector<tag> faces;
        bool null_array;
        int code;
    };
    for (const Case& c : std::vector<Case>{
             {"not_an_offset", h, 1, {side_}, false, 1105004},
             {"null_feature", NULL_TAG, 1, {side_}, false, 1105004},
             {"negative_count", off, -1, {}, false, 1105005},
             {"null_array", off, 1, {}, true, 1105006},
             {"null_face", off, 1, {NULL_TAG}, false, 1105006},
             {"dead_face", off, 1, {0x7ffffff0u}, false, 875027},
             {"edge", off, 1, {block_edge(1, 0, 22)}, false, 875033},
             {"other_body", off, 1, {elsewhere}, false, 875166},
             {"made_later", off, 1, {face_of_feature(later, ZQ_SURF_PLANE, {0, 0, 1})}, false, 875167},
         }) {
        const State before = state(off);
        std::vector<tag> f = c.faces;
        EXPECT_EQ(KX_MODL_redefine_replace_faces(c.feature, c.count, c.null_array ? nullptr : f.data()), c.code)
            << c.name;
        EXPECT_EQ(state(off), before) << c.name;
    }
    tag moved[] = {side_};
    ASSERT_EQ(KX_MODL_redefine_replace_faces(off, 1, moved), 0);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    double box[6];
    ZQ_TOPOL_find_box(host::kernel::entity_of(body_), box);
    EXPECT_NEAR(box[3], 102, 1e-6) << "the side moved out";
    EXPECT_NEAR(box[5], 25, 1e-6) << "the top back at 20, the boss on it";
    host::control::raise_on("MODL__redef_replace_faces", 670004);
    const State before = state(off);
    tag top[] = {top_};
    EXPECT_EQ(KX_MODL_redefine_replace_faces(off, 1, top), 670004);
    host::control::clear_scripts();
    EXPECT_EQ(state(off), before);
    host::parts::set_work_part(0);
    EXPECT_EQ(KX_MODL_redefine_replace_faces(off, 1, top), 1105012);
    EXPECT_EQ(state(off), before);
}

TEST_F(Replace, HollowOpensOtherFaces) {
    tag_list* open = nullptr;
    ASSERT_EQ(KX_MODL_create_list(&open), 0);
    ASSERT_EQ(KX_MODL_put_list_item(open, top_), 0);
    tag hollow = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_hollow("2", open, &hollow), 0);
    KX_MODL_delete_list(&open);
    const double opened_top = volume();
    tag both[] = {top_, bottom_};
    ASSERT_EQ(KX_MODL_redefine_replace_faces(hollow, 2, both), 0);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    // Open at both ends: the four walls only.
    EXPECT_NEAR(volume(), 100.0 * 50 * 20 - 96.0 * 46 * 20, 1e-6 * kBlockVolume);
    EXPECT_LT(volume(), opened_top);
}

TEST_F(Replace, TrimFacesOfATrimmingUserDefinedFeature) {
    const tag elsewhere = other_body_top();
    const tag h = hole();
    const unsigned int meta = host::feature::make_trim_udf({h}, {bottom_});
    const tag later = boss();
    ASSERT_EQ(KX_MODL_update(), 0);
    const auto trims = [&] {
        int n = 0;
        unsigned int* raw = nullptr;
        UDF_ask_trim_frefs(meta, &n, &raw);
        std::vector<tag> out;
        for (int i = 0; i < n; ++i) out.push_back(FREF_ask_face_of_fref(raw[i]));
        SM_free(raw);
        return out;
    };
    struct Case {
        const char* name;
        tag feature;
        std::vector<tag> faces;
        int code;
    };
    for (const Case& c : std::vector<Case>{
             {"not_trimming", h, {side_}, 875033},
             {"own_face", meta, {face_of_feature(h, ZQ_SURF_CYLINDER)}, 672248},
             {"dead_face", meta, {0x7ffffff0u}, 875288},
             {"edge", meta, {block_edge(1, 0)}, 875288},
             {"made_later", meta, {face_of_feature(later, ZQ_SURF_PLANE, {0, 0, 1})}, 875167},
             {"other_body", meta, {elsewhere}, 875166},
         }) {
        std::vector<tag> f = c.faces;
        EXPECT_EQ(KX_MODL_redefine_trim_faces(c.feature, static_cast<int>(f.size()), f.data(), 0), c.code) << c.name;
        EXPECT_EQ(trims(), std::vector<tag>{bottom_}) << c.name;
    }
    EXPECT_EQ(KX_MODL_redefine_trim_faces(meta, -1, nullptr, 0), 1105005);
    EXPECT_EQ(KX_MODL_redefine_trim_faces(meta, 1, nullptr, 0), 1105006);
    // A failed update takes the new faces back too.
    tag sides[] = {side_};
    for (const char* routine : {"UPDATE_do_update", "MODL__reattach_trim_faces", "UPDATE_log_object_to_update"}) {
        host::control::raise_on(routine, 670004);
        EXPECT_EQ(KX_MODL_redefine_trim_faces(meta, 1, sides, 0), 670004) << routine;
        host::control::clear_scripts();
        EXPECT_EQ(trims(), std::vector<tag>{bottom_}) << routine;
        EXPECT_EQ(marks(), 0) << routine;
    }
    ASSERT_EQ(KX_MODL_redefine_trim_faces(meta, 1, sides, 0), 0);
    EXPECT_EQ(trims(), std::vector<tag>{side_});
    EXPECT_EQ(marks(), 0);
}

}  // namespace
