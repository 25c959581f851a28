// Moving form features onto other faces: the target face and the through
// faces of holes read, checked against the feature and changed, with the
// body after the update and the model left as it was after each refusal.
#include <string>
#include <tuple>
#include <vector>

#include "tests/libkxapi/modl/redef_fixture.h"

namespace {

using form_test::kBlockVolume;
using form_test::kPi;
using redef_test::Redefine;

TEST_F(Redefine, HoleMovesToTheBottomFaceAndRunsAlongItsNormal) {
    const tag h = hole();
    ASSERT_EQ(KX_MODL_reattach_target_face(h, bottom_, 0, 0, 0), 0);
    EXPECT_EQ(marks(), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    const host::feature::Record* r = host::feature::find(h);
    // Into the body from the bottom: up along Z, starting on the bottom's plane.
    EXPECT_NEAR(r->numbers[2], 0, 1e-9);
    EXPECT_NEAR(r->numbers[3], 0, 1e-9);
    EXPECT_NEAR(r->numbers[4], 0, 1e-9);
    EXPECT_NEAR(r->numbers[5], 1, 1e-9);
    EXPECT_NEAR(volume(), kBlockVolume - kPi * 25 * 8, 1e-6 * kBlockVolume);
    tag target = NULL_TAG, tool = NULL_TAG, dir = NULL_TAG;
    logical flag = 7;
    ASSERT_EQ(KX_MODL_ask_link_faces(h, &target, &tool, &dir, &flag), 0);
    EXPECT_EQ(target, bottom_);
    EXPECT_EQ(tool, NULL_TAG);
    EXPECT_EQ(dir, NULL_TAG);
    EXPECT_EQ(flag, 7) << "no direction slot filled: the flag is left alone";
}

TEST_F(Redefine, TargetFaceRefusalsLeaveTheModelAsItWas) {
    const tag elsewhere = other_body_top();
    const tag first = hole(NULL_TAG, 20);
    const tag h = hole();
    const tag later = boss();
    ASSERT_EQ(KX_MODL_update(), 0);
    struct Case {
        const char* name;
        tag feature;
        tag face;
        int code;
    };
    int edge_count = 0;
    int* edges = nullptr;
    KI_idcoen_sm(host::kernel::entity_of(body_), ZQ_CLASS_EDGE, &edges, &edge_count);
    ASSERT_GT(edge_count, 0);
    const tag edge = host::kernel::object_of(edges[0]);
    SM_free(edges);
    for (const Case& c : std::vector<Case>{
             {"not_a_feature", body_, bottom_, 875008},
             {"null_feature", NULL_TAG, bottom_, 875008},
             // The last check that fails gives the code: the block has no link face,
             // and its bottom is its own face.
             {"no_link_face", host::feature::features_of_part(part_)[0], bottom_, 875167},
             {"no_link_face_only", host::feature::features_of_part(part_)[0], NULL_TAG, 875008},
             {"null_face", h, NULL_TAG, 875008},
             {"edge_has_no_face_reference", h, edge, 875008},
             {"other_body", h, elsewhere, 875166},
             {"made_later", h, face_of_feature(later, ZQ_SURF_PLANE, {0, 0, 1}), 875167},
             {"made_by_itself", h, face_of_feature(h, ZQ_SURF_CYLINDER), 875167},
             {"not_planar", h, face_of_feature(first, ZQ_SURF_CYLINDER), 875006},
         }) {
        const State before = state(h);
        EXPECT_EQ(KX_MODL_reattach_target_face(c.feature, c.face, 0, 0, 0), c.code) << c.name;
        EXPECT_EQ(state(h), before) << c.name;
    }
}

// A datum plane 5 above the top: the hole stands on it, drilled down as
// before, and only its last 3 of 8 reach into the block; back on the top
// it cuts whole again.
TEST_F(Redefine, HoleMovesOntoADatumPlaneAndBack) {
    const tag plane = datum_plane(25);
    const tag h = hole();
    const tag newer = datum_plane(30);
    for (const auto& [name, face, code] : std::vector<std::tuple<const char*, tag, int>>{
             {"made_later", newer, 875167},
         }) {
        const State before = state(h);
        EXPECT_EQ(KX_MODL_reattach_target_face(h, face, 0, 0, 0), code) << name;
        EXPECT_EQ(state(h), before) << name;
    }
    ASSERT_EQ(KX_MODL_reattach_target_face(h, plane, 0, 0, 0), 0);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_NEAR(location(h)[2], 25, 1e-9);
    EXPECT_NEAR(host::feature::find(h)->numbers[5], -1, 1e-9);
    EXPECT_NEAR(volume(), kBlockVolume - kPi * 25 * 3, 1e-6 * kBlockVolume);
    tag target = NULL_TAG, tool = NULL_TAG, dir = NULL_TAG;
    logical flag = 0;
    ASSERT_EQ(KX_MODL_ask_link_faces(h, &target, &tool, &dir, &flag), 0);
    EXPECT_EQ(target, plane);

    ASSERT_EQ(KX_MODL_reattach_target_face(h, top_, 0, 0, 0), 0);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_NEAR(volume(), kBlockVolume - kPi * 25 * 8, 1e-6 * kBlockVolume);
    ASSERT_EQ(KX_MODL_ask_link_faces(h, &target, &tool, &dir, &flag), 0);
    EXPECT_EQ(target, top_);
}

TEST_F(Redefine, HostErrorUnderTheReattachmentAnswers875030AndRollsBack) {
    const tag h = hole();
    for (const char* routine : {"MODL__reattach_target_face", "FEAT_redefine", "MODL_check_ref_time_stamp"}) {
        const State before = state(h);
        host::control::raise_on(routine, 670004);
        EXPECT_EQ(KX_MODL_reattach_target_face(h, bottom_, 0, 0, 0), 875030) << routine;
        host::control::clear_scripts();
        EXPECT_EQ(state(h), before) << routine;
    }
}

TEST_F(Redefine, BottomAsThroughFaceMakesTheHoleGoThroughAndBack) {
    const tag h = hole();
    ASSERT_EQ(KX_MODL_update(), 0);
    const double blind = kBlockVolume - kPi * 25 * 8;
    ASSERT_NEAR(volume(), blind, 1e-6 * kBlockVolume);
    tag faces[] = {bottom_};
    ASSERT_EQ(KX_MODL_add_thru_faces(h, 1, faces), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(), kBlockVolume - kPi * 25 * 20, 1e-6 * kBlockVolume);
    tag f1 = 1, f2 = 1;
    ASSERT_EQ(KX_MODL_ask_thru_faces(h, &f1, &f2), 0);
    EXPECT_EQ(f1, bottom_);
    EXPECT_EQ(f2, NULL_TAG);
    // A second through face for a hole that has one already.
    EXPECT_EQ(KX_MODL_add_thru_faces(h, 1, faces), 875306);
    ASSERT_EQ(KX_MODL_remove_thru_faces(h), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(), blind, 1e-6 * kBlockVolume);
    ASSERT_EQ(KX_MODL_ask_thru_faces(h, &f1, &f2), 0);
    EXPECT_EQ(f1, NULL_TAG);
    // A blind hole has none to remove: answered 0, nothing changed.
    const State before = state(h);
    EXPECT_EQ(KX_MODL_remove_thru_faces(h), 0);
    EXPECT_EQ(state(h), before);
    EXPECT_EQ(marks(), 0);
}

TEST_F(Redefine, ThroughFaceRefusals) {
    const tag h = hole();
    const tag b = boss();
    ASSERT_EQ(KX_MODL_update(), 0);
    const tag elsewhere = other_body_top();
    const tag later = face_of_feature(b, ZQ_SURF_PLANE, {0, 0, 1});
    struct Case {
        const char* name;
        tag feature;
        int count;
        std::vector<tag> faces;
        bool null_array;
        int code;
    };
    for (const Case& c : std::vector<Case>{
             {"count_above_two", h, 3, {bottom_, bottom_, bottom_}, false, 1105005},
             {"negative_count", h, -1, {}, false, 1105005},
             {"null_array", h, 1, {}, true, 1105006},
             {"null_face", h, 1, {NULL_TAG}, false, 1105006},
             {"dead_face", h, 1, {0x7ffffff0u}, false, 875027},
             {"body_not_face", h, 1, {body_}, false, 875033},
             {"own_target_face", h, 1, {top_}, false, 875307},
             {"other_body", h, 1, {elsewhere}, false, 875166},
             {"made_later", h, 1, {later}, false, 875167},
             {"not_a_hole", b, 1, {bottom_}, false, 875008},
             {"not_a_feature", body_, 1, {bottom_}, false, 875008},
         }) {
        const State before = state(h);
        std::vector<tag> faces = c.faces;
        EXPECT_EQ(KX_MODL_add_thru_faces(c.feature, c.count, c.null_array ? nullptr : faces.data()), c.code) << c.name;
        EXPECT_EQ(state(h), before) << c.name;
    }
    EXPECT_EQ(KX_MODL_remove_thru_faces(b), 1105004);
    EXPECT_EQ(KX_MODL_remove_thru_faces(NULL_TAG), 875008);
}

TEST_F(Redefine, ThroughFacesReattachOnlyWhereTheFeatureHasThem) {
    const tag blind = hole(NULL_TAG, 20);
    const tag through = hole(bottom_, 60);
    ASSERT_EQ(KX_MODL_update(), 0);
    tag faces[] = {bottom_};
    EXPECT_EQ(KX_MODL_reattach_thru_faces(blind, 1, faces, 0), 875008);
    EXPECT_EQ(KX_MODL_reattach_thru_faces(through, 3, faces, 0), 1105005);
    EXPECT_EQ(KX_MODL_reattach_thru_faces(through, 1, nullptr, 0), 1105006);
    tag own[] = {face_of_feature(through, ZQ_SURF_CYLINDER)};
    EXPECT_EQ(KX_MODL_reattach_thru_faces(through, 1, own, 0), 875167);
    ASSERT_EQ(KX_MODL_reattach_thru_faces(through, 1, faces, 0), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(), kBlockVolume - kPi * 25 * 8 - kPi * 25 * 20, 1e-6 * kBlockVolume);
}

TEST_F(Redefine, QueriesRefuseNullOutputsAndAnswerNothingForOtherFeatures) {
    const tag b = boss();
    tag f1 = 5, f2 = 5, target = 5, tool = 5, dir = 5;
    logical flag = 0;
    EXPECT_EQ(KX_MODL_ask_thru_faces(b, &f1, &f2), 0);
    EXPECT_EQ(f1, NULL_TAG);
    EXPECT_EQ(f2, NULL_TAG);
    EXPECT_EQ(KX_MODL_ask_thru_faces(b, nullptr, &f2), 1105005);
    EXPECT_EQ(KX_MODL_ask_link_faces(b, &target, &tool, nullptr, &flag), 1105007);
    EXPECT_EQ(KX_MODL_ask_link_faces(body_, &target, &tool, &dir, &flag), 875008);
    EXPECT_EQ(target, NULL_TAG);
    ASSERT_EQ(KX_MODL_ask_link_faces(b, &target, &tool, &dir, &flag), 0);
    EXPECT_EQ(target, top_);
    host::control::raise_on("RPO_ask_frec_link_face_parms", 670004);
    EXPECT_EQ(KX_MODL_ask_link_faces(b, &target, &tool, &dir, &flag), 875030);
    EXPECT_EQ(target, NULL_TAG);
    host::control::clear_scripts();
    EXPECT_EQ(marks(), 0);
}

}  // namespace
