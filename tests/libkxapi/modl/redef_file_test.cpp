// What a redefinition keeps goes into the part file with the part: a hole
// whose dimension was moved onto the other edge still measures from it when
// the part is read back, a slot's direction reference, flip and tool face
// answer the same, a trimming feature keeps its trim faces; damaged rows
// make a corrupt file that leaves the model as it was.
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/profiles.h"
#include "host/apps/modeling/redefine/redefine_centerlines.h"
#include "host/apps/modeling/redefine/redefine_faces.h"
#include "tests/libkxapi/curve/reopen_fixture.h"
#include "tests/libkxapi/modl/damaged_rows.h"
#include "tests/libkxapi/modl/redef_fixture.h"
#include "tests/support/fresh_process.h"

namespace {

using redef_test::Redefine;

class RedefFile : public Redefine {
protected:
    // Saves and reads the part back; the fixture's block follows.
    std::map<unsigned int, unsigned int> reopen() {
        std::map<unsigned int, unsigned int> read = reopen_part(part_, kxtest::fresh_process);
        body_ = read[body_];
        top_ = read[top_];
        return read;
    }
    // A blind hole saved, read back and made again, then moved onto the side: drilled from there along -X, from where
    // its location meets the side's plane.
    void move_hole_onto_side_after_reading() {
        const tag h = hole();
        std::map<unsigned int, unsigned int> read = reopen();
        const tag h2 = read[h], side = read[side_];
        ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
        ASSERT_EQ(KX_MODL_reattach_target_face(h2, side, 0, 0, 0), 0);
        ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
        tag target = NULL_TAG, tool = NULL_TAG, dir = NULL_TAG;
        logical flag = 7;
        ASSERT_EQ(KX_MODL_ask_link_faces(h2, &target, &tool, &dir, &flag), 0);
        EXPECT_EQ(target, side);
        EXPECT_NEAR(host::feature::find(h2)->numbers[0], 100, 1e-9);
        EXPECT_NEAR(host::feature::find(h2)->numbers[3], -1, 1e-9);
        // Its axis runs along the side's top edge: half of it cuts the block.
        EXPECT_NEAR(volume(), form_test::kBlockVolume - form_test::kPi * 25 * 8 / 2, 1e-6 * form_test::kBlockVolume);
    }
    static std::vector<unsigned int> trim_faces(tag feature) {
        int n = 0;
        unsigned int* frefs = nullptr;
        UDF_ask_trim_frefs(feature, &n, &frefs);
        std::vector<unsigned int> out;
        for (int i = 0; i < n; ++i) out.push_back(FREF_ask_face_of_fref(frefs[i]));
        SM_free(frefs);
        return out;
    }
};

TEST_F(RedefFile, HoleMeasuresFromItsNewEdgeWhenReadBack) {
    const tag h = hole();
    unsigned int dim = 0;
    ASSERT_EQ(RPO_create_dimension(h, RPO_DIM_HORIZONTAL, block_edge(1, 0), NULL_TAG, "30", &dim), 0);
    const tag right = block_edge(1, 100);
    ASSERT_EQ(KX_MODL_redefine_rpo_constraint(dim, right, 1, NULL_TAG, 5), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    ASSERT_NEAR(location(h)[0], 70, 1e-9);
    int tool_pair[2], target_pair[2];
    RPO_ask_dim_qualifiers(dim, tool_pair, target_pair);
    int n = 0;
    unsigned int* lines = nullptr;
    RPO_CL_get_centerlines(h, &n, &lines);
    ASSERT_EQ(n, 1);
    const unsigned int line = lines[0];
    SM_free(lines);

    std::map<unsigned int, unsigned int> read = reopen();
    const tag h2 = read[h];
    const unsigned int dim2 = read[dim];
    ASSERT_NE(h2, 0u);
    ASSERT_NE(dim2, 0u);
    int kind = 0, flags[2];
    unsigned int exp = 0, target = 0, tool = 0;
    RPO_ask_dimension(dim2, &kind, &exp, &target, &tool, flags);
    EXPECT_EQ(target, read[right]);
    EXPECT_EQ(tool, read[line]);
    int tool2[2], target2[2];
    RPO_ask_dim_qualifiers(dim2, tool2, target2);
    EXPECT_EQ(std::vector<int>(tool2, tool2 + 2), std::vector<int>(tool_pair, tool_pair + 2));
    EXPECT_EQ(std::vector<int>(target2, target2 + 2), std::vector<int>(target_pair, target_pair + 2));
    RPO_CL_get_centerlines(h2, &n, &lines);
    ASSERT_EQ(n, 1) << "the saved centerline, not a new one";
    EXPECT_EQ(lines[0], read[line]);
    SM_free(lines);
    // A new value still measures from the right edge.
    ASSERT_EQ(EXP_edit_exp(part_, exp, "20"), 0);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_NEAR(location(h2)[0], 80, 1e-9);
    EXPECT_NEAR(volume(), form_test::kBlockVolume - form_test::kPi * 25 * 8, 1e-6 * form_test::kBlockVolume);
}

// The outward normal of a planar face and a point on its plane, as the
// geometry that names the same face in a part read back.
std::vector<double> plane_of(tag face) {
    int type = 0, sense = 1;
    double p[3], d[3], r1 = 0, r2 = 0;
    ZQ_FACE_ask_data(host::kernel::entity_of(face), &type, p, d, &r1, &r2, &sense);
    const double n[3] = {d[0] * sense, d[1] * sense, d[2] * sense};
    return {n[0], n[1], n[2], p[0] * n[0] + p[1] * n[1] + p[2] * n[2]};
}

void expect_same_plane(tag a, tag b) {
    ASSERT_NE(a, NULL_TAG);
    ASSERT_NE(b, NULL_TAG);
    const std::vector<double> pa = plane_of(a), pb = plane_of(b);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(pa[i], pb[i], 1e-9) << i;
}

TEST_F(RedefFile, HoleAnswersItsPlacementAndThroughFacesWhenReadBack) {
    const tag h = hole(bottom_);
    const double drilled = volume();
    std::map<unsigned int, unsigned int> read = reopen();
    const tag h2 = read[h];
    ASSERT_NE(h2, 0u);
    const tag bottom = read[bottom_];
    tag target = NULL_TAG, tool = NULL_TAG, dir = NULL_TAG;
    logical flag = 7;
    ASSERT_EQ(KX_MODL_ask_link_faces(h2, &target, &tool, &dir, &flag), 0);
    EXPECT_EQ(target, top_) << "the placement, before any update";
    expect_same_plane(target, top_);
    // Made again, the hole keeps its faces and runs through as before.
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_NEAR(volume(), drilled, 1e-6 * form_test::kBlockVolume);
    ASSERT_EQ(KX_MODL_ask_link_faces(h2, &target, &tool, &dir, &flag), 0);
    EXPECT_EQ(target, top_);
    expect_same_plane(target, top_);
    tag thru1 = NULL_TAG, thru2 = NULL_TAG;
    ASSERT_EQ(KX_MODL_ask_thru_faces(h2, &thru1, &thru2), 0);
    EXPECT_EQ(thru1, bottom);
    expect_same_plane(thru1, bottom);
    EXPECT_EQ(thru2, NULL_TAG);
}

TEST_F(RedefFile, HoleReadBackAndMadeAgainMovesOntoAnotherFace) { move_hole_onto_side_after_reading(); }

// References changed in a part just read back, before anything is made
// again there: the faces come from the saved objects.
TEST_F(RedefFile, HoleReattachedBeforeTheFirstUpdateLiesOnItsNewFace) {
    const tag h = hole();
    std::map<unsigned int, unsigned int> read = reopen();
    const tag h2 = read[h], side = read[side_];
    ASSERT_EQ(KX_MODL_reattach_target_face(h2, side, 0, 0, 0), 0);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_NEAR(host::feature::find(h2)->numbers[0], 100, 1e-9);
    EXPECT_NEAR(host::feature::find(h2)->numbers[3], -1, 1e-9);
    EXPECT_NEAR(volume(), form_test::kBlockVolume - form_test::kPi * 25 * 8 / 2, 1e-6 * form_test::kBlockVolume);
}

TEST_F(RedefFile, ThroughFaceAddedBeforeTheFirstUpdateCutsThrough) {
    const tag h = hole();
    std::map<unsigned int, unsigned int> read = reopen();
    const tag h2 = read[h], bottom = read[bottom_];
    tag faces[] = {bottom};
    ASSERT_EQ(KX_MODL_add_thru_faces(h2, 1, faces), 0);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_NEAR(volume(), form_test::kBlockVolume - form_test::kPi * 25 * 20, 1e-6 * form_test::kBlockVolume);
    tag thru1 = NULL_TAG, thru2 = NULL_TAG;
    ASSERT_EQ(KX_MODL_ask_thru_faces(h2, &thru1, &thru2), 0);
    EXPECT_EQ(thru1, bottom);
}

TEST_F(RedefFile, DimensionRedefinedBeforeTheFirstUpdate) {
    const tag h = hole();
    unsigned int dim = 0;
    ASSERT_EQ(RPO_create_dimension(h, RPO_DIM_HORIZONTAL, block_edge(1, 0), NULL_TAG, "30", &dim), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    std::map<unsigned int, unsigned int> read = reopen();
    ASSERT_EQ(KX_MODL_redefine_rpo_constraint(read[dim], block_edge(1, 100), 1, NULL_TAG, 5), 0);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_NEAR(location(read[h])[0], 70, 1e-9);
}

TEST_F(RedefFile, DirectionReferenceReattachedBeforeTheFirstUpdate) {
    const tag s = slot();
    const tag left_edge = block_edge(1, 0);
    const double cut = volume();
    std::map<unsigned int, unsigned int> read = reopen();
    // The slot turned along Y by the left edge.
    ASSERT_EQ(KX_MODL_reattach_dir_ref(read[s], read[left_edge], 0, 1), 0);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_NEAR(std::fabs(host::feature::find(read[s])->numbers[7]), 1, 1e-9);
    EXPECT_NEAR(volume(), cut, 1e-6 * form_test::kBlockVolume) << "the same slot, turned";
}

TEST_F(RedefFile, HoleOnADatumPlaneStaysOnItWhenReadBack) {
    const double at[3] = {0, 0, 25}, up[3] = {0, 0, 1};
    const tag plane = host::profiles::create_direction_object(part_, HOST_TYPE_DATUM_PLANE, at, up);
    const tag h = hole();
    ASSERT_EQ(KX_MODL_reattach_target_face(h, plane, 0, 0, 0), 0);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    const double cut = volume();
    std::map<unsigned int, unsigned int> read = reopen();
    const tag h2 = read[h];
    tag target = NULL_TAG, tool = NULL_TAG, dir = NULL_TAG;
    logical flag = 0;
    ASSERT_EQ(KX_MODL_ask_link_faces(h2, &target, &tool, &dir, &flag), 0);
    EXPECT_EQ(target, read[plane]);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_NEAR(volume(), cut, 1e-6 * form_test::kBlockVolume);
    // Back onto the top from the plane read back.
    ASSERT_EQ(KX_MODL_reattach_target_face(h2, top_, 0, 0, 0), 0);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_NEAR(volume(), form_test::kBlockVolume - form_test::kPi * 25 * 8, 1e-6 * form_test::kBlockVolume);
}

// A hole running to a datum plane 5 above the bottom still runs to it when
// read back, follows it when it moves and is blind again when it is taken
// away; a slot from a datum plane to the end face answers them in that
// order.
TEST_F(RedefFile, HoleRunningToADatumPlaneKeepsItWhenReadBack) {
    const double at[3] = {0, 0, 5}, up[3] = {0, 0, 1}, at_x[3] = {70, 0, 0}, minus_x[3] = {-1, 0, 0};
    const tag plane = host::profiles::create_direction_object(part_, HOST_TYPE_DATUM_PLANE, at, up);
    const tag across = host::profiles::create_direction_object(part_, HOST_TYPE_DATUM_PLANE, at_x, minus_x);
    const tag h = hole(NULL_TAG, 20);
    const tag s = slot();
    tag planes[] = {plane}, bounds[] = {across, side_};
    ASSERT_EQ(KX_MODL_add_thru_faces(h, 1, planes), 0);
    ASSERT_EQ(KX_MODL_add_thru_faces(s, 2, bounds), 0);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    const double k = form_test::kPi * 25, tol = 1e-6 * form_test::kBlockVolume, slot = 10 * 5 * 30;
    ASSERT_NEAR(volume(), form_test::kBlockVolume - k * 15 - slot, tol);
    std::map<unsigned int, unsigned int> read = reopen();
    const tag h2 = read[h], plane2 = read[plane];
    tag f1 = NULL_TAG, f2 = NULL_TAG;
    ASSERT_EQ(KX_MODL_ask_thru_faces(h2, &f1, &f2), 0);
    EXPECT_EQ(f1, plane2);
    EXPECT_EQ(FEAT_ask_subtype(h2), FEAT_SUBTYPE_THRU_HOLE);
    ASSERT_EQ(KX_MODL_ask_thru_faces(read[s], &f1, &f2), 0);
    EXPECT_EQ((std::vector<tag>{f1, f2}), (std::vector<tag>{read[across], read[side_]}));
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_NEAR(volume(), form_test::kBlockVolume - k * 15 - slot, tol);
    ASSERT_EQ(KX_MODL_remove_thru_faces(read[s]), 0);
    const double higher[3] = {0, 0, 10};
    host::profiles::set_direction(plane2, higher, up);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_NEAR(volume(), form_test::kBlockVolume - k * 10 - 10 * 5 * 20, tol);
    ASSERT_EQ(KX_MODL_remove_thru_faces(h2), 0);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_NEAR(volume(), form_test::kBlockVolume - k * 8 - 10 * 5 * 20, tol);
}

TEST_F(RedefFile, SlotKeepsItsDirectionReferenceFlipAndToolFace) {
    const tag s = slot();
    const tag front = block_edge(0, 0);
    ASSERT_EQ(KX_MODL_reattach_dir_ref(s, front, 0, 0), 0);
    ASSERT_EQ(KX_MODL_reverse_dir_ref(s, front, 0, 0, 1), 0);
    host::feature::set_tool_face(s, top_);
    ASSERT_EQ(KX_MODL_update(), 0);
    const std::vector<double> x = {host::feature::find(s)->numbers[6], host::feature::find(s)->numbers[7]};
    tag target = NULL_TAG, tool = NULL_TAG, dir = NULL_TAG;
    logical flag = 7;
    ASSERT_EQ(KX_MODL_ask_link_faces(s, &target, &tool, &dir, &flag), 0);
    ASSERT_EQ(tool, top_);
    double along[3];
    ASSERT_EQ(KX_MODL_calculate_ref_dir(s, top_, 0, front, along), 0);

    std::map<unsigned int, unsigned int> read = reopen();
    const tag s2 = read[s];
    tag target2 = NULL_TAG, tool2 = NULL_TAG, dir2 = NULL_TAG;
    logical flag2 = 7;
    ASSERT_EQ(KX_MODL_ask_link_faces(s2, &target2, &tool2, &dir2, &flag2), 0);
    EXPECT_EQ(tool2, read[tool]);
    EXPECT_EQ(tool2, top_);
    EXPECT_EQ(dir2, read[front]);
    EXPECT_EQ(flag2, flag);
    double along2[3];
    ASSERT_EQ(KX_MODL_calculate_ref_dir(s2, top_, 0, read[front], along2), 0) << "the flip is kept";
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(along2[i], along[i], 1e-9);
    // Made again, the slot runs as before, and its references hold.
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_NEAR(host::feature::find(s2)->numbers[6], x[0], 1e-9);
    EXPECT_NEAR(host::feature::find(s2)->numbers[7], x[1], 1e-9);
    ASSERT_EQ(KX_MODL_ask_link_faces(s2, &target2, &tool2, &dir2, &flag2), 0);
    EXPECT_EQ(tool2, top_);
    EXPECT_EQ(dir2, read[front]);
}

TEST_F(RedefFile, TrimmingFeatureKeepsItsTrimFaces) {
    const tag h = hole();
    const tag side = face({0, 1, 0});
    const unsigned int trim = host::feature::make_trim_udf({h}, {bottom_});
    tag sides[] = {side};
    ASSERT_EQ(KX_MODL_redefine_trim_faces(trim, 1, sides, 0), 0);
    ASSERT_EQ(trim_faces(trim), std::vector<unsigned int>{side});
    std::map<unsigned int, unsigned int> read = reopen();
    EXPECT_EQ(trim_faces(read[trim]), std::vector<unsigned int>{read[side]});
}

TEST_F(RedefFile, DamagedRowsAreRefused) {
    const tag h = hole();
    unsigned int dim = 0;
    ASSERT_EQ(RPO_create_dimension(h, RPO_DIM_HORIZONTAL, block_edge(1, 0), NULL_TAG, "30", &dim), 0);
    ASSERT_EQ(KX_MODL_redefine_rpo_constraint(dim, block_edge(1, 100), 1, NULL_TAG, 5), 0);
    const tag s = slot();
    ASSERT_EQ(KX_MODL_reattach_dir_ref(s, block_edge(0, 0), 0, 0), 0);
    host::feature::make_trim_udf({h}, {bottom_});
    const double at[3] = {0, 0, 25}, up[3] = {0, 0, 1};
    const tag plane = host::profiles::create_direction_object(part_, HOST_TYPE_DATUM_PLANE, at, up);
    ASSERT_EQ(KX_MODL_reattach_target_face(hole(NULL_TAG, 80), plane, 0, 0, 0), 0);
    const double low[3] = {0, 0, 5};
    tag floor[] = {host::profiles::create_direction_object(part_, HOST_TYPE_DATUM_PLANE, low, up)};
    ASSERT_EQ(KX_MODL_add_thru_faces(hole(NULL_TAG, 60), 1, floor), 0);
    // Each section holds one row starting at byte 12 (count, object number,
    // size): a link row's tool, direction, slot and flag; a centerline
    // row's count, curve and kind; a trim row's count; a datum placement's
    // plane; a datum through row's count and plane.
    const kxtest::RowDamage damages[] = {
        {"direction slot 2", "RLNK", 20, kxtest::le32(0), kxtest::le32(2)},
        {"flip flag 2", "RLNK", 24, std::string(1, '\0'), std::string(1, '\2')},
        {"tool face the part", "RLNK", 12, kxtest::le32(0xFFFFFFFFu), kxtest::le32(0)},
        {"direction of no object", "RLNK", 16, "", kxtest::le32(0x7FFFFFFF)},
        {"centerline kind 3", "RCLN", 20, kxtest::le32(0), kxtest::le32(3)},
        {"centerline count beyond its row", "RCLN", 12, kxtest::le32(1), kxtest::le32(1000)},
        {"trim count beyond its row", "RTRM", 12, kxtest::le32(1), kxtest::le32(1000)},
        {"datum plane the part", "RDPL", 12, "", kxtest::le32(0)},
        {"datum plane of no object", "RDPL", 12, "", kxtest::le32(0x7FFFFFFF)},
        {"no datum plane to run to", "RDTH", 12, kxtest::le32(1), kxtest::le32(0)},
        {"three datum planes to run to", "RDTH", 12, kxtest::le32(1), kxtest::le32(3)},
        {"datum plane to run to the part", "RDTH", 16, "", kxtest::le32(0)},
        {"datum plane to run to of no object", "RDTH", 16, "", kxtest::le32(0x7FFFFFFF)},
        {"datum planes' order flag 2", "RDTH", 20, std::string(1, '\0'), std::string(1, '\2')},
    };
    kxtest::expect_damaged_rows_refused(part_, damages);
}

}  // namespace
