// Datum planes as the faces holes and slots run to, and form features that
// follow the datum planes they stand on or run to when the planes move:
// closed-form volumes after each update, the refusals with the model as it
// was, and undo.
#include <string>
#include <utility>
#include <vector>

#include "host/apps/modeling/bodyops/datums.h"
#include "host/store/entities/entity_types.h"
#include "host/model/feature/profiles.h"
#include "host/model/feature/redefine_rows.h"
#include "tests/libkxapi/modl/redef_fixture.h"

namespace {

using form_test::kBlockVolume;
using form_test::kPi;
using redef_test::Redefine;

class RedefDatum : public Redefine {
protected:
    static void move_plane(tag plane, std::vector<double> at, std::vector<double> normal) {
        host::profiles::set_direction(plane, at.data(), normal.data());
    }
    void expect_volume(double want, const std::string& what) const {
        EXPECT_NEAR(volume(), want, 1e-6 * kBlockVolume) << what;
    }
    // A hole at x 20 standing on the plane at z 25 (3 of its 8 in the
    // block) and one at x 70 running to the plane at z 5, updated.
    struct Holes {
        tag on_plane, to_plane;
    };
    Holes on_and_to(tag stand, tag floor) {
        const Holes h{hole(NULL_TAG, 20), hole(NULL_TAG, 70)};
        EXPECT_EQ(KX_MODL_reattach_target_face(h.on_plane, stand, 0, 0, 0), 0);
        tag floors[] = {floor};
        EXPECT_EQ(KX_MODL_add_thru_faces(h.to_plane, 1, floors), 0);
        EXPECT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
        expect_volume(kBlockVolume - kPi * 25 * 3 - kPi * 25 * 15, "on the planes as made");
        return h;
    }
};

// The blind hole (diameter 10, depth 8 from the top at z 20) runs to a
// datum plane: it cuts down to the plane, or through the block when the
// plane lies below it; removed again it is blind as before.
TEST_F(RedefDatum, HoleRunsToADatumPlaneAndBack) {
    struct Case {
        double z;
        double depth;
    };
    const Case cases[] = {{5, 15}, {12.5, 7.5}, {-5, 20}};
    for (int i = 0; i < 3; ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.z);
        const tag plane = datum_plane(c.z);
        const tag h = hole(NULL_TAG, 15 + 30 * i);
        ASSERT_EQ(KX_MODL_update(), 0);
        const double blind = volume();
        tag planes[] = {plane};
        ASSERT_EQ(KX_MODL_add_thru_faces(h, 1, planes), 0);
        EXPECT_EQ(marks(), 0);
        EXPECT_EQ(FEAT_ask_subtype(h), FEAT_SUBTYPE_THRU_HOLE);
        ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
        expect_volume(blind + kPi * 25 * 8 - kPi * 25 * c.depth, "to the plane");
        tag f1 = NULL_TAG, f2 = 1;
        ASSERT_EQ(KX_MODL_ask_thru_faces(h, &f1, &f2), 0);
        EXPECT_EQ(f1, plane);
        EXPECT_EQ(f2, NULL_TAG);
        // Reattaching through faces takes faces of the body only.
        EXPECT_EQ(KX_MODL_reattach_thru_faces(h, 1, planes, 0), 875288);
        ASSERT_EQ(KX_MODL_remove_thru_faces(h), 0);
        ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
        expect_volume(blind, "blind again");
        ASSERT_EQ(KX_MODL_ask_thru_faces(h, &f1, &f2), 0);
        EXPECT_EQ(f1, NULL_TAG);
    }
}

// A slot 10 wide and 5 deep along X at x 50 runs between two datum planes
// (up to each), or from a datum plane past the block's end face.
TEST_F(RedefDatum, SlotRunsBetweenDatumPlanesOrAPlaneAndAFace) {
    const tag left = datum_plane({35, 0, 0}, {1, 0, 0});
    const tag right = datum_plane({70, 0, 0}, {-1, 0, 0});
    const tag s = slot();
    ASSERT_EQ(KX_MODL_update(), 0);
    const double blind = kBlockVolume - 10 * 5 * 20;
    expect_volume(blind, "the slot as made");
    struct Case {
        const char* name;
        tag first, second;
        double length;
    };
    for (const Case& c : {Case{"two planes", left, right, 35}, Case{"plane and end face", right, side_, 30},
                          Case{"face first", side_, left, 65}}) {
        tag bounds[] = {c.first, c.second};
        ASSERT_EQ(KX_MODL_add_thru_faces(s, 2, bounds), 0) << c.name;
        ASSERT_EQ(KX_MODL_update(), 0) << c.name << ": " << FREC_ask_update_failure_message();
        expect_volume(kBlockVolume - 10 * 5 * c.length, c.name);
        tag f1 = NULL_TAG, f2 = NULL_TAG;
        ASSERT_EQ(KX_MODL_ask_thru_faces(s, &f1, &f2), 0);
        EXPECT_EQ((std::vector<tag>{f1, f2}), (std::vector<tag>{c.first, c.second})) << c.name;
        ASSERT_EQ(KX_MODL_remove_thru_faces(s), 0);
        ASSERT_EQ(KX_MODL_update(), 0);
        expect_volume(blind, c.name);
    }
}

// Made with datum planes as through faces: a hole down to a plane, a slot
// from a plane to the end face; they follow the planes like any other.
TEST_F(RedefDatum, MadeRunningToDatumPlanes) {
    const tag floor = datum_plane(5);
    const tag across = datum_plane({70, 0, 0}, {-1, 0, 0});
    double at[] = {20, 25, 20}, down[] = {0, 0, -1}, slot_at[] = {50, 25, 20}, along_x[] = {1, 0, 0};
    tag h = NULL_TAG, s = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_simple_hole(at, down, "10", "8", "0", top_, floor, &h), 0);
    ASSERT_EQ(KX_MODL_create_rect_slot(slot_at, down, along_x, "10", "5", "20", top_, across, side_, &s), 0);
    expect_volume(kBlockVolume - kPi * 25 * 15 - 10 * 5 * 30, "as made");
    EXPECT_EQ(FEAT_ask_subtype(h), FEAT_SUBTYPE_THRU_HOLE);
    EXPECT_EQ(FEAT_ask_subtype(s), FEAT_SUBTYPE_THRU_SLOT);
    tag f1 = NULL_TAG, f2 = NULL_TAG;
    ASSERT_EQ(KX_MODL_ask_thru_faces(s, &f1, &f2), 0);
    EXPECT_EQ((std::vector<tag>{f1, f2}), (std::vector<tag>{across, side_}));
    move_plane(floor, {0, 0, 10}, {0, 0, 1});
    move_plane(across, {60, 0, 0}, {-1, 0, 0});
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    expect_volume(kBlockVolume - kPi * 25 * 10 - 10 * 5 * 40, "moved");
}

TEST_F(RedefDatum, DatumPlaneThroughRefusalsLeaveTheModelAsItWas) {
    const tag below = datum_plane(5);
    const tag above = datum_plane(25);
    const tag h = hole();
    const tag on_plane = hole(NULL_TAG, 70);
    ASSERT_EQ(KX_MODL_reattach_target_face(on_plane, above, 0, 0, 0), 0);
    const tag b = boss();
    const tag through = hole(bottom_, 50);
    const tag later = datum_plane(2);
    ASSERT_EQ(KX_MODL_update(), 0);
    const tag other_part = host::parts::create("other.prt");
    CONTEXT_set_work_part(part_);
    const double at[] = {0, 0, 5}, up[] = {0, 0, 1};
    const tag foreign = host::profiles::create_direction_object(other_part, HOST_TYPE_DATUM_PLANE, at, up);
    struct Case {
        const char* name;
        tag feature;
        tag plane;
        int code;
    };
    for (const Case& c : std::vector<Case>{
             {"made_later", h, later, 875167},
             {"other_part", h, foreign, 875166},
             {"the_plane_it_stands_on", on_plane, above, 875307},
             {"not_a_hole_or_slot", b, below, 875008},
             {"already_through", through, below, 875306},
         }) {
        const State before = state(h), before_feature = state(c.feature);
        tag planes[] = {c.plane};
        EXPECT_EQ(KX_MODL_add_thru_faces(c.feature, 1, planes), c.code) << c.name;
        EXPECT_EQ(state(h), before) << c.name;
        EXPECT_EQ(state(c.feature), before_feature) << c.name;
        EXPECT_FALSE(host::feature::datum_throughs().find(c.feature)) << c.name;
    }
}

// A hole standing on a datum plane and one running to a datum plane follow
// their planes at the next update; undo takes planes, holes and body back;
// a deleted plane is run to no more.
TEST_F(RedefDatum, FeaturesFollowTheirMovingDatumPlanes) {
    const tag stand = datum_plane(25);
    const tag floor = datum_plane(5);
    const auto [on_plane, to_plane] = on_and_to(stand, floor);
    const double before = volume();

    KX_UNDO_mark_id_t mark = 0;
    ASSERT_EQ(KX_UNDO_set_mark(1, "before the move", &mark), 0);
    move_plane(stand, {0, 0, 22}, {0, 0, 1});
    move_plane(floor, {0, 0, 10}, {0, 0, 1});
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_NEAR(location(on_plane)[2], 22, 1e-9);
    expect_volume(kBlockVolume - kPi * 25 * 6 - kPi * 25 * 10, "6 of 8 in the block, the second down to z 10");
    // Nothing moved since: the next update leaves the body as it is.
    ASSERT_EQ(KX_MODL_update(), 0);
    expect_volume(kBlockVolume - kPi * 25 * 6 - kPi * 25 * 10, "unchanged");

    // A plane above the hole's start cannot be run to: the update fails
    // naming the hole and the model stays.
    const State kept = state(to_plane);
    move_plane(floor, {0, 0, 30}, {0, 0, 1});
    EXPECT_NE(KX_MODL_update(), 0);
    EXPECT_NE(std::string(FREC_ask_update_failure_message()).find(host::feature::display_name(to_plane)),
              std::string::npos)
        << FREC_ask_update_failure_message();
    EXPECT_EQ(state(to_plane), kept);

    ASSERT_EQ(KX_UNDO_undo_to_mark(mark, nullptr), 0);
    EXPECT_NEAR(location(on_plane)[2], 25, 1e-9);
    expect_volume(before, "undone");
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    expect_volume(before, "undone and updated");

    // With its plane deleted the second hole is blind again (8 deep); the
    // first stays where it stood.
    tag_list* gone = nullptr;
    ASSERT_EQ(KX_MODL_create_list(&gone), 0);
    ASSERT_EQ(KX_MODL_put_list_item(gone, MODL_ask_feature_of_rm_entity(floor)), 0);
    ASSERT_EQ(KX_MODL_delete_feature(gone), 0);
    KX_MODL_delete_list(&gone);
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    expect_volume(kBlockVolume - kPi * 25 * 3 - kPi * 25 * 8, "the plane to run to deleted");
    EXPECT_EQ(FEAT_ask_subtype(to_plane), FEAT_SUBTYPE_BLIND);
    tag f1 = 1, f2 = 1;
    ASSERT_EQ(KX_MODL_ask_thru_faces(to_plane, &f1, &f2), 0);
    EXPECT_EQ(f1, NULL_TAG);
}

// Datum planes replaced by others: the hole standing on the first and the
// one running to the second take the new planes at the next update.
TEST_F(RedefDatum, FeaturesTakeTheDatumPlanesThatReplaceTheirOwn) {
    const tag stand = datum_plane(25), floor = datum_plane(5);
    const tag lower_stand = datum_plane(22), higher_floor = datum_plane(10);
    const auto [on_plane, to_plane] = on_and_to(stand, floor);
    for (const auto& [from, to] : {std::pair{stand, lower_stand}, std::pair{floor, higher_floor}}) {
        tag old[] = {MODL_ask_feature_of_rm_entity(from)}, news[] = {MODL_ask_feature_of_rm_entity(to)};
        KX_MODL_ref_pair_t* pairs = nullptr;
        int n = -1;
        ASSERT_EQ(KX_MODL_replace_features(old, 1, news, 1, 1, 0, &pairs, &n), 0);
        EXPECT_EQ(n, 0) << "no pairs to give";
        ASSERT_EQ(KX_MODL_replace_features(old, 1, news, 1, 0, 0, &pairs, &n), 0);
        EXPECT_EQ(host::feature::find(old[0]), nullptr);
    }
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_NEAR(location(on_plane)[2], 22, 1e-9);
    expect_volume(kBlockVolume - kPi * 25 * 6 - kPi * 25 * 10, "on the new planes");
    tag target = NULL_TAG, tool = NULL_TAG, dir = NULL_TAG, f1 = NULL_TAG, f2 = NULL_TAG;
    logical flag = 0;
    ASSERT_EQ(KX_MODL_ask_link_faces(on_plane, &target, &tool, &dir, &flag), 0);
    EXPECT_EQ(target, lower_stand);
    ASSERT_EQ(KX_MODL_ask_thru_faces(to_plane, &f1, &f2), 0);
    EXPECT_EQ(f1, higher_floor);
}

}  // namespace
