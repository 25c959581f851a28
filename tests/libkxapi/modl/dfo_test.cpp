// Direct face operations on a 100 x 50 x 20 block: each operation's body
// against its closed form, its data asked back, edits made by the update,
// the host's codes through the interface's map, and refusals and failures
// that leave the model and the undo marks as they were.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/parts/parts.h"
#include "host/apps/modeling/dfo/dfo.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/undo.h"
#include "host/kernel/ops/face_edits.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "kx_codes.h"
#include "kx_core.h"
#include "kx_modl.h"
#include "kx_modl_dfo.h"
#include "libkxapi/callback/kx_callback_internal.h"
#include "libkxapi/core/kx_session.h"
#include "tests/libkxapi/curve/reopen_fixture.h"
#include "tests/libkxapi/modl/damaged_rows.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kBlock = 100.0 * 50.0 * 20.0;
constexpr double kBoss = 10.0 * 10.0 * 5.0;

class Dfo : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("dfo.prt");
        CONTEXT_set_work_part(part_);
        body_ = block({0, 0, 0}, {100, 50, 20}, 0);
    }
    void TearDown() override { fresh(); }
    static void fresh() {
        kx_reset_callbacks_for_tests();
        kx_reset_session_for_tests();
        host::control::reset();
    }

    // A block feature: a new body (target 0) or united with the target.
    tag block(std::array<double, 3> at, std::array<double, 3> size, tag target, int sign = FEAT_SIGN_UNITE) {
        std::array<std::string, 3> texts;
        std::array<const char*, 3> sizes{};
        for (int i = 0; i < 3; ++i) {
            texts[i] = std::to_string(size[i]);
            sizes[i] = texts[i].c_str();
        }
        unsigned int f = 0;
        EXPECT_EQ(FEAT_create(part_, "BLOCK", 3, sizes.data(), 3, at.data(), 0, nullptr, target,
                              target ? sign : FEAT_SIGN_NEW, &f),
                  0);
        return FREC_ask_body(f);
    }
    // The 10 x 10 x 5 boss on the top face with its corner at (x, y).
    void boss(double x, double y) { block({x, y, 20}, {10, 10, 5}, body_); }

    // Faces of the body whose boxes lie inside the box.
    std::vector<tag> faces_in(std::array<double, 6> box) const {
        std::vector<tag> out;
        for (int f : host::kernel::faces_of(host::kernel::entity_of(body_))) {
            double b[6];
            ZQ_TOPOL_find_box(f, b);
            bool inside = true;
            for (int i = 0; i < 3; ++i) inside = inside && b[i] >= box[i] - 1e-6 && b[3 + i] <= box[3 + i] + 1e-6;
            if (inside) out.push_back(host::kernel::object_of(f));
        }
        return out;
    }
    // The planar face whose outward normal is n and whose plane passes
    // through height h along n (the block's top at 20: ({0, 0, 1}, 20)).
    tag plane_face(std::array<double, 3> n, double h) const {
        for (int f : host::kernel::faces_of(host::kernel::entity_of(body_))) {
            int type = 0, sense = 0;
            double p[3], d[3], r1 = 0, r2 = 0;
            ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
            const double along = (d[0] * n[0] + d[1] * n[1] + d[2] * n[2]) * sense;
            if (type == ZQ_SURF_PLANE && along > 0.999 && std::fabs(p[0] * n[0] + p[1] * n[1] + p[2] * n[2] - h) < 1e-6)
                return host::kernel::object_of(f);
        }
        ADD_FAILURE() << "no face";
        return NULL_TAG;
    }
    // A line from (0, 0, 0) along the axis i.
    tag edge_along(int i) const {
        double ends[6] = {0, 0, 0, 0, 0, 0};
        ends[3 + i] = 10;
        unsigned int line = 0;
        ES_create_line_in_part(part_, ends, &line);
        return line;
    }
    tag point(std::array<double, 3> at) const {
        unsigned int p = 0;
        ES_create_point(at.data(), &p);
        return p;
    }
    double props(int i) const {
        double p[ZQ_MP_COUNT] = {};
        ZQ_BODY_ask_mass_props(host::kernel::entity_of(body_), p);
        return p[i];
    }
    double volume() const { return props(ZQ_MP_VOLUME); }
    // The centroid along x of what stands on the block (the body less the
    // 100 x 50 x 20 block), given its volume.
    double added_centroid_x(double added) const {
        return (props(ZQ_MP_CENTROID) * (kBlock + added) - kBlock * 50) / added;
    }
    static int marks() { return UNDO_JQ_ask_number_of_marks(1) + UNDO_JQ_ask_number_of_marks(0); }
    static dfo_region region(std::vector<tag>& seeds) {
        dfo_region r{};
        r.seed_faces = seeds.data();
        r.number_of_seed_faces = static_cast<int>(seeds.size());
        return r;
    }
    static int update() { return KX_MODL_update(); }
    static void free_region(dfo_region* r) {
        if (!r) return;
        KX_free(r->seed_faces);
        KX_free(r->second_faces);
        KX_free(r->third_faces);
        KX_free(r);
    }

    tag part_ = NULL_TAG, body_ = NULL_TAG;
};

// ---- offset region ---------------------------------------------------------------

TEST_F(Dfo, OffsetRegionMovesTheTopFaceAndFollowsItsEdits) {
    std::vector<tag> top{plane_face({0, 0, 1}, 20)};
    const dfo_region r = region(top);
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_offset_region(&r, "5", &feature), 0);
    EXPECT_NEAR(volume(), 125000, 1e-6);
    EXPECT_EQ(marks(), 0);

    dfo_region* back = nullptr;
    char text[KX_MODL_DFO_TEXT] = "x";
    ASSERT_EQ(KX_MODL_ask_offset_region(feature, &back, text), 0);
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->number_of_seed_faces, 1);
    EXPECT_EQ(back->seed_faces[0], top[0]);
    EXPECT_EQ(back->number_of_second_faces, 0);
    EXPECT_STREQ(text, "5");
    free_region(back);

    // A new text and the update; then nothing given keeps everything.
    ASSERT_EQ(KX_MODL_edit_offset_region(feature, nullptr, "-5"), 0);
    EXPECT_NEAR(volume(), 125000, 1e-6) << "an edit waits for the update";
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(volume(), 75000, 1e-6);
    ASSERT_EQ(KX_MODL_edit_offset_region(feature, nullptr, nullptr), 0);
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(volume(), 75000, 1e-6);
    EXPECT_EQ(marks(), 0);
}

TEST_F(Dfo, OffsetRegionOfTwoFacesTakesBoth) {
    std::vector<tag> faces{plane_face({0, 0, 1}, 20), plane_face({1, 0, 0}, 100)};
    const dfo_region r = region(faces);
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_offset_region(&r, "2", &feature), 0);
    EXPECT_NEAR(volume(), 102.0 * 50 * 22, 1e-6);
}

TEST_F(Dfo, OffsetRegionOfAPocketFloorDeepensThePocket) {
    // A pocket 20 x 20 x 5: its floor 5 down gives 2000 less.
    block({10, 10, 15}, {20, 20, 6}, body_, FEAT_SIGN_SUBTRACT);
    const double before = volume();
    std::vector<tag> floor{plane_face({0, 0, 1}, 15)};
    const dfo_region r = region(floor);
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_offset_region(&r, "-5", &feature), 0);
    EXPECT_NEAR(before - volume(), 20 * 20 * 5, 1e-6);
    // The floor keeps its identity: a second offset finds it.
    std::vector<tag> again{plane_face({0, 0, 1}, 10)};
    EXPECT_EQ(again[0], floor[0]);
    ASSERT_EQ(KX_MODL_edit_offset_region(feature, nullptr, "-10"), 0);
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(before - volume(), 20 * 20 * 10, 1e-6);
}

// ---- move region --------------------------------------------------------------------

TEST_F(Dfo, MoveRegionMovesTheBossAlongXAndKeepsTheVolume) {
    boss(10, 10);
    std::vector<tag> faces = faces_in({10, 10, 20, 20, 20, 25});
    ASSERT_EQ(faces.size(), 5u);
    const dfo_region r = region(faces);
    move_distance m{};
    m.direction = edge_along(0);
    std::strcpy(m.displacement, "20");
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_move_region(1, &r, &m, &feature), 0);
    EXPECT_NEAR(volume(), kBlock + kBoss, 1e-6);
    EXPECT_NEAR(added_centroid_x(kBoss), 15 + 20, 1e-6);
    EXPECT_EQ(marks(), 0);

    int type = -1;
    dfo_region* back = nullptr;
    void* motion = nullptr;
    ASSERT_EQ(KX_MODL_ask_move_region(feature, &type, &back, &motion), 0);
    EXPECT_EQ(type, 1);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->number_of_seed_faces, 5);
    const auto* d = static_cast<const move_distance*>(motion);
    EXPECT_EQ(d->direction, m.direction);
    EXPECT_STREQ(d->displacement, "20");
    free_region(back);
    KX_free(motion);

    // The same motion type edits the transform in place.
    std::strcpy(m.displacement, "40");
    ASSERT_EQ(KX_MODL_edit_move_region(feature, 1, nullptr, &m), 0);
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(added_centroid_x(kBoss), 15 + 40, 1e-6);

    // A region that is no region of the body: only the move tests the
    // processing of an edited region.
    const tag other = block({0, 100, 0}, {10, 10, 10}, 0);
    std::vector<tag> foreign{host::kernel::object_of(host::kernel::faces_of(host::kernel::entity_of(other))[0])};
    const dfo_region elsewhere = region(foreign);
    EXPECT_EQ(KX_MODL_edit_move_region(feature, 1, &elsewhere, nullptr), 875365);
    EXPECT_EQ(marks(), 0);
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(added_centroid_x(kBoss), 15 + 40, 1e-6);
    // The constraint and scale edits have no kind test of their own: the
    // host refuses another operation's feature.
    face_constraint_data c{};
    c.from_face = plane_face({0, 0, 1}, 20);
    c.to_object = plane_face({0, 0, -1}, 0);
    std::strcpy(c.value, "1");
    EXPECT_EQ(KX_MODL_edit_face_constraint(feature, nullptr, &c), 875365);
    const char factors[3][KX_MODL_DFO_TEXT] = {"2", "", ""};
    EXPECT_EQ(KX_MODL_edit_local_scale(feature, 0, nullptr, NULL_TAG, NULL_TAG, NULL_TAG, factors), 875365);
    EXPECT_EQ(marks(), 0);

    // Another motion type: point to point, 30 along y from where the boss
    // was made.
    move_point_to_point pp{point({0, 0, 0}), point({5, 30, 0})};
    ASSERT_EQ(KX_MODL_edit_move_region(feature, 0, nullptr, &pp), 0);
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(volume(), kBlock + kBoss, 1e-6);
    EXPECT_NEAR(added_centroid_x(kBoss), 15 + 5, 1e-6);
    ASSERT_EQ(KX_MODL_ask_move_region(feature, &type, &back, &motion), 0);
    EXPECT_EQ(type, 0);
    EXPECT_EQ(static_cast<const move_point_to_point*>(motion)->to_point, pp.to_point);
    free_region(back);
    KX_free(motion);
}

TEST_F(Dfo, MoveRegionTurnsTheBossAboutAnAxis) {
    boss(10, 10);
    std::vector<tag> faces = faces_in({10, 10, 20, 20, 20, 25});
    const dfo_region r = region(faces);
    // Half a turn about the vertical line through (50, 25).
    tag axis = NULL_TAG;
    const double ends[6] = {50, 25, 0, 50, 25, 10};
    ES_create_line_in_part(part_, ends, &axis);
    move_angle a{};
    a.axis = axis;
    std::strcpy(a.angle, "180");
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_move_region(2, &r, &a, &feature), 0);
    EXPECT_NEAR(volume(), kBlock + kBoss, 1e-6);
    EXPECT_NEAR(added_centroid_x(kBoss), 100 - 15, 1e-6);
}

// ---- face patterns ----------------------------------------------------------------

TEST_F(Dfo, RectangularPatternAddsFiveBossesAndAsksBackInOrder) {
    boss(10, 10);
    std::vector<tag> faces = faces_in({10, 10, 20, 20, 20, 25});
    const dfo_region r = region(faces);
    const tag x = edge_along(0), y = edge_along(1);
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_rectangular_pattern_face(&r, x, y, 3, 2, "20", "15", &feature), 0);
    EXPECT_NEAR(volume(), kBlock + 6 * kBoss, 1e-6);
    EXPECT_NEAR(added_centroid_x(6 * kBoss), 15 + 20, 1e-6);

    dfo_region* back = nullptr;
    tag d1 = NULL_TAG, d2 = NULL_TAG;
    int c1 = 0, c2 = 0;
    char s1[KX_MODL_DFO_TEXT], s2[KX_MODL_DFO_TEXT];
    ASSERT_EQ(KX_MODL_ask_rectangular_pattern_face(feature, &back, &d1, &d2, &c1, &c2, s1, s2), 0);
    EXPECT_EQ(d1, x);
    EXPECT_EQ(d2, y);
    EXPECT_EQ(c1, 3);
    EXPECT_EQ(c2, 2);
    EXPECT_STREQ(s1, "20");
    EXPECT_STREQ(s2, "15");
    EXPECT_EQ(back->number_of_seed_faces, 5);
    EXPECT_EQ(back->third_faces, nullptr);
    EXPECT_EQ(back->number_of_third_faces, 0);
    free_region(back);

    // Nothing given: the feature is made again as it was.
    ASSERT_EQ(KX_MODL_edit_rectangular_pattern_face(feature, nullptr, NULL_TAG, NULL_TAG, 0, 0, nullptr, nullptr), 0);
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(volume(), kBlock + 6 * kBoss, 1e-6);
    // Two by two.
    ASSERT_EQ(KX_MODL_edit_rectangular_pattern_face(feature, nullptr, NULL_TAG, NULL_TAG, 2, 0, nullptr, nullptr), 0);
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(volume(), kBlock + 4 * kBoss, 1e-6);

    tag axis = NULL_TAG;
    int count = 0;
    char angle[KX_MODL_DFO_TEXT];
    EXPECT_EQ(KX_MODL_ask_circular_pattern_face(feature, &back, &axis, &count, angle), 875004);
    EXPECT_EQ(back, nullptr);
    EXPECT_EQ(KX_MODL_edit_mirror_pattern_face(feature, nullptr, NULL_TAG), 875004);
    EXPECT_EQ(marks(), 0);
}

TEST_F(Dfo, CircularPatternTurnsCopiesAboutTheAxis) {
    boss(30, 20);
    std::vector<tag> faces = faces_in({30, 20, 20, 40, 30, 25});
    const dfo_region r = region(faces);
    tag axis = NULL_TAG;
    const double ends[6] = {50, 25, 0, 50, 25, 10};
    ES_create_line_in_part(part_, ends, &axis);
    tag circular = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_circular_pattern_face(&r, axis, 4, "90", &circular), 0);
    EXPECT_NEAR(volume(), kBlock + 4 * kBoss, 1e-6);
    tag a = NULL_TAG;
    int count = 0;
    char angle[KX_MODL_DFO_TEXT];
    dfo_region* back = nullptr;
    ASSERT_EQ(KX_MODL_ask_circular_pattern_face(circular, &back, &a, &count, angle), 0);
    EXPECT_EQ(a, axis);
    EXPECT_EQ(count, 4);
    EXPECT_STREQ(angle, "90");
    free_region(back);

    ASSERT_EQ(KX_MODL_edit_circular_pattern_face(circular, nullptr, NULL_TAG, 2, "180"), 0);
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(volume(), kBlock + 2 * kBoss, 1e-6);
    EXPECT_NEAR(added_centroid_x(2 * kBoss), 50, 1e-6);
}

TEST_F(Dfo, MirrorPatternCopiesTheBossAcrossTheEndFace) {
    boss(10, 10);
    std::vector<tag> faces = faces_in({10, 10, 20, 20, 20, 25});
    const dfo_region r = region(faces);
    // A face of a slab standing at x = 50 gives the mirror plane.
    const tag slab = block({50, 60, 0}, {10, 10, 10}, 0);
    tag plane = NULL_TAG;
    for (int f : host::kernel::faces_of(host::kernel::entity_of(slab))) {
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        if (type == ZQ_SURF_PLANE && d[0] * sense < -0.999) plane = host::kernel::object_of(f);
    }
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_mirror_pattern_face(&r, plane, &feature), 0);
    EXPECT_NEAR(volume(), kBlock + 2 * kBoss, 1e-6);
    EXPECT_NEAR(added_centroid_x(2 * kBoss), 50, 1e-6);
    tag back_plane = NULL_TAG;
    dfo_region* back = nullptr;
    ASSERT_EQ(KX_MODL_ask_mirror_pattern_face(feature, &back, &back_plane), 0);
    EXPECT_EQ(back_plane, plane);
    free_region(back);
}

// ---- local scale --------------------------------------------------------------------

TEST_F(Dfo, LocalScaleByTwoMakesTheBossEightTimesBigger) {
    boss(40, 20);
    std::vector<tag> faces = faces_in({40, 20, 20, 50, 30, 25});
    const dfo_region r = region(faces);
    const tag centre = point({45, 25, 20});
    const char factors[3][KX_MODL_DFO_TEXT] = {"2", "", ""};
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_local_scale(0, &r, centre, NULL_TAG, NULL_TAG, factors, &feature), 0);
    EXPECT_NEAR(volume(), kBlock + 8 * kBoss, 1e-6);

    int type = -1;
    dfo_region* back = nullptr;
    tag r1 = 1, r2 = 1, r3 = 1;
    char out[3][KX_MODL_DFO_TEXT] = {"a", "b", "c"};
    ASSERT_EQ(KX_MODL_ask_local_scale(feature, &type, &back, &r1, &r2, &r3, out), 0);
    EXPECT_EQ(type, 0);
    EXPECT_EQ(r1, centre);
    EXPECT_EQ(r2, NULL_TAG);
    EXPECT_EQ(r3, NULL_TAG);
    EXPECT_STREQ(out[0], "2");
    EXPECT_STREQ(out[1], "");
    EXPECT_STREQ(out[2], "");
    free_region(back);

    // Type 1: 2 across Z and 3 along it.
    const char two_three[3][KX_MODL_DFO_TEXT] = {"2", "3", ""};
    ASSERT_EQ(KX_MODL_edit_local_scale(feature, 1, nullptr, centre, NULL_TAG, NULL_TAG, two_three), 0);
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(volume(), kBlock + 12 * kBoss, 1e-6);
}

TEST_F(Dfo, LocalScaleOfTypeOneKeepsTheOtherFactorFieldsAtTheirPreset) {
    boss(40, 20);
    std::vector<tag> faces = faces_in({40, 20, 20, 50, 30, 25});
    const dfo_region r = region(faces);
    const char factors[3][KX_MODL_DFO_TEXT] = {"2", "3", ""};
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_local_scale(1, &r, point({45, 25, 20}), NULL_TAG, NULL_TAG, factors, &feature), 0);
    LSCALE_data_t d{};
    LSCALE_load_data(feature, 1, &d);
    EXPECT_EQ(d.scale_type, 1);
    const char* kept[6] = {"1.0000", "2", "3", "1.0000", "1.0000", "1.0000"};
    for (int i = 0; i < 6; ++i) EXPECT_STREQ(d.factor[i], kept[i]) << i;
    for (unsigned int*& set : d.region.faces) SM_free(set);
    EXPECT_NEAR(volume(), kBlock + 12 * kBoss, 1e-6);

    EXPECT_EQ(KX_MODL_ask_local_scale(body_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 1105005);
    int type = 0;
    dfo_region* back = nullptr;
    tag r1 = 0, r2 = 0, r3 = 0;
    char out[3][KX_MODL_DFO_TEXT];
    EXPECT_EQ(KX_MODL_ask_local_scale(body_, &type, &back, &r1, &r2, &r3, out), 1) << "no local scale";
}

// ---- resize, replace, constraint --------------------------------------------------

TEST_F(Dfo, ResizeFaceGivesTheHoleTheNewRadius) {
    // A hole of radius 10 through the plate.
    const char* sizes[] = {"20", "40"};
    const double axis[] = {50, 25, -10, 0, 0, 1};
    unsigned int cylinder = 0;
    ASSERT_EQ(FEAT_create(part_, "CYLINDER", 2, sizes, 6, axis, 0, nullptr, body_, FEAT_SIGN_SUBTRACT, &cylinder), 0);
    const double before = volume();
    EXPECT_NEAR(before, kBlock - kPi * 100 * 20, 1e-6);
    std::vector<tag> hole = faces_in({40, 15, 0, 60, 35, 20});
    ASSERT_EQ(hole.size(), 1u);
    std::vector<tag> third{plane_face({0, 0, 1}, 20)};
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_resize_face(hole.data(), 1, third.data(), 1, "12", &feature), 0);
    EXPECT_NEAR(before - volume(), 2764.60, 0.01);
    EXPECT_NEAR(before - volume(), kPi * (144 - 100) * 20, 1e-6);

    tag* faces = nullptr;
    tag* thirds = nullptr;
    int n = 0, n3 = 0;
    char text[KX_MODL_DFO_TEXT];
    ASSERT_EQ(KX_MODL_ask_resize_face(feature, &faces, &n, &thirds, &n3, text), 0);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(faces[0], hole[0]);
    ASSERT_EQ(n3, 1);
    EXPECT_EQ(thirds[0], third[0]);
    EXPECT_STREQ(text, "12");
    KX_free(faces);
    KX_free(thirds);

    ASSERT_EQ(KX_MODL_edit_resize_face(feature, nullptr, 0, nullptr, 0, "8"), 0);
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(volume(), kBlock - kPi * 64 * 20, 1e-6);
}

TEST_F(Dfo, ReplaceFacePutsOnePocketFloorIntoTheOthersPlane) {
    // Two pockets 20 x 20: 5 deep (floor at 15) and 10 deep (floor at 10).
    block({10, 10, 15}, {20, 20, 6}, body_, FEAT_SIGN_SUBTRACT);
    block({60, 10, 10}, {20, 20, 11}, body_, FEAT_SIGN_SUBTRACT);
    const double before = volume();
    std::vector<tag> floor{plane_face({0, 0, 1}, 15)};
    std::vector<tag> with{plane_face({0, 0, 1}, 10)};
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_replace_face(floor.data(), 1, with.data(), 1, 0, 'y', &feature), 0);
    EXPECT_NEAR(before - volume(), 20 * 20 * 5, 1e-6);

    tag* faces = nullptr;
    tag* replacements = nullptr;
    int n = 0, nr = 0, value = -1;
    char option = 0;
    ASSERT_EQ(KX_MODL_ask_replace_face(feature, &faces, &n, &replacements, &nr, &value, &option), 0);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(faces[0], floor[0]);
    EXPECT_EQ(nr, 1);
    EXPECT_EQ(replacements[0], with[0]);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(option, 'y');
    KX_free(faces);
    KX_free(replacements);
    REPF_data_t d{};
    REPF_data_init_data(feature, 1, &d);
    EXPECT_EQ(d.value_absent, 1) << "the value 0 sets the host's absent flag";
    for (unsigned int*& set : d.region.faces) SM_free(set);

    // A face cannot be replaced by itself.
    tag again = NULL_TAG;
    EXPECT_EQ(KX_MODL_create_replace_face(with.data(), 1, with.data(), 1, 3, 'n', &again), 875367);
    EXPECT_EQ(again, NULL_TAG);
}

TEST_F(Dfo, FaceConstraintPutsTheTopAtTheValueFromTheBottom) {
    std::vector<tag> none;
    const dfo_region r = region(none);
    face_constraint_data c{};
    c.constraint_type = 7;
    c.from_face = plane_face({0, 0, 1}, 20);
    c.to_object = plane_face({0, 0, -1}, 0);
    std::strcpy(c.value, "30");
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_face_constraint(&r, &c, &feature), 875365) << "a region needs seed faces";
    std::vector<tag> seeds{c.from_face};
    const dfo_region with_seed = region(seeds);
    ASSERT_EQ(KX_MODL_create_face_constraint(&with_seed, &c, &feature), 0);
    EXPECT_NEAR(volume(), 150000, 1e-6);

    dfo_region* back = nullptr;
    face_constraint_data* cb = nullptr;
    ASSERT_EQ(KX_MODL_ask_face_constraint(feature, &back, &cb), 0);
    EXPECT_EQ(cb->constraint_type, 7);
    EXPECT_EQ(cb->from_face, c.from_face);
    EXPECT_EQ(cb->to_object, c.to_object);
    EXPECT_EQ(cb->point, NULL_TAG);
    EXPECT_STREQ(cb->value, "30");
    free_region(back);
    KX_free(cb);

    std::strcpy(c.value, "12");
    ASSERT_EQ(KX_MODL_edit_face_constraint(feature, nullptr, &c), 0);
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(volume(), 60000, 1e-6);

    // The faces must be parallel.
    c.to_object = plane_face({1, 0, 0}, 100);
    const double now = volume();
    EXPECT_EQ(KX_MODL_edit_face_constraint(feature, nullptr, &c), 875366);
    EXPECT_NEAR(volume(), now, 1e-9);
    EXPECT_EQ(marks(), 0);
}

// ---- part files ----------------------------------------------------------------------

// Each operation saved and read back: its ask answers as before the save
// (objects named by the tags they had), its body is made again, and the
// damaged rows of its section are refused.
TEST_F(Dfo, PartFileKeepsWhatEachOperationIsAskedFor) {
    using As = std::function<tag(tag)>;
    const auto list = [](std::ostringstream& out, const As& as, const tag* t, int n) {
        out << " [";
        for (int i = 0; i < n; ++i) out << ' ' << as(t[i]);
        out << " ]";
    };
    const auto seeds = [&](std::ostringstream& out, const As& as, dfo_region* r) {
        if (!r) return void(out << " no region");
        list(out, as, r->seed_faces, r->number_of_seed_faces);
        list(out, as, r->second_faces, r->number_of_second_faces);
        list(out, as, r->third_faces, r->number_of_third_faces);
        free_region(r);
    };
    struct Case {
        const char* what;
        std::function<tag()> make;
        std::function<std::string(tag, const As&)> ask;
    };
    const Case cases[] = {
        {"offset region",
         [this] {
             std::vector<tag> top{plane_face({0, 0, 1}, 20)};
             const dfo_region r = region(top);
             tag f = NULL_TAG;
             EXPECT_EQ(KX_MODL_create_offset_region(&r, "5", &f), 0);
             return f;
         },
         [&](tag f, const As& as) {
             std::ostringstream out;
             dfo_region* back = nullptr;
             char text[KX_MODL_DFO_TEXT] = "";
             out << KX_MODL_ask_offset_region(f, &back, text) << ' ' << text;
             seeds(out, as, back);
             return out.str();
         }},
        {"move region",
         [this] {
             boss(10, 10);
             std::vector<tag> faces = faces_in({10, 10, 20, 20, 20, 25});
             const dfo_region r = region(faces);
             move_distance m{};
             m.direction = edge_along(0);
             std::strcpy(m.displacement, "20");
             tag f = NULL_TAG;
             EXPECT_EQ(KX_MODL_create_move_region(1, &r, &m, &f), 0);
             return f;
         },
         [&](tag f, const As& as) {
             std::ostringstream out;
             int type = -1;
             dfo_region* back = nullptr;
             void* motion = nullptr;
             out << KX_MODL_ask_move_region(f, &type, &back, &motion) << ' ' << type;
             if (motion) {
                 const auto* d = static_cast<const move_distance*>(motion);
                 out << ' ' << as(d->direction) << ' ' << d->displacement;
             }
             KX_free(motion);
             seeds(out, as, back);
             return out.str();
         }},
        {"rectangular pattern",
         [this] {
             boss(10, 10);
             std::vector<tag> faces = faces_in({10, 10, 20, 20, 20, 25});
             const dfo_region r = region(faces);
             tag f = NULL_TAG;
             EXPECT_EQ(KX_MODL_create_rectangular_pattern_face(&r, edge_along(0), edge_along(1), 3, 2, "20", "15", &f),
                       0);
             return f;
         },
         [&](tag f, const As& as) {
             std::ostringstream out;
             dfo_region* back = nullptr;
             tag d1 = NULL_TAG, d2 = NULL_TAG;
             int c1 = 0, c2 = 0;
             char s1[KX_MODL_DFO_TEXT] = "", s2[KX_MODL_DFO_TEXT] = "";
             out << KX_MODL_ask_rectangular_pattern_face(f, &back, &d1, &d2, &c1, &c2, s1, s2) << ' ' << as(d1) << ' '
                 << as(d2) << ' ' << c1 << ' ' << c2 << ' ' << s1 << ' ' << s2;
             seeds(out, as, back);
             return out.str();
         }},
        {"local scale",
         [this] {
             boss(40, 20);
             std::vector<tag> faces = faces_in({40, 20, 20, 50, 30, 25});
             const dfo_region r = region(faces);
             const char factors[3][KX_MODL_DFO_TEXT] = {"2", "3", ""};
             tag f = NULL_TAG;
             EXPECT_EQ(KX_MODL_create_local_scale(1, &r, point({45, 25, 20}), NULL_TAG, NULL_TAG, factors, &f), 0);
             return f;
         },
         [&](tag f, const As& as) {
             std::ostringstream out;
             int type = -1;
             dfo_region* back = nullptr;
             tag r1 = 1, r2 = 1, r3 = 1;
             char factors[3][KX_MODL_DFO_TEXT] = {"a", "b", "c"};
             out << KX_MODL_ask_local_scale(f, &type, &back, &r1, &r2, &r3, factors) << ' ' << type << ' ' << as(r1)
                 << ' ' << as(r2) << ' ' << as(r3) << ' ' << factors[0] << ' ' << factors[1] << ' ' << factors[2];
             seeds(out, as, back);
             return out.str();
         }},
        {"resize face",
         [this] {
             const char* sizes[] = {"20", "40"};
             const double axis[] = {50, 25, -10, 0, 0, 1};
             unsigned int cylinder = 0;
             EXPECT_EQ(
                 FEAT_create(part_, "CYLINDER", 2, sizes, 6, axis, 0, nullptr, body_, FEAT_SIGN_SUBTRACT, &cylinder),
                 0);
             std::vector<tag> hole = faces_in({40, 15, 0, 60, 35, 20});
             std::vector<tag> third{plane_face({0, 0, 1}, 20)};
             tag f = NULL_TAG;
             EXPECT_EQ(KX_MODL_create_resize_face(hole.data(), 1, third.data(), 1, "12", &f), 0);
             return f;
         },
         [&](tag f, const As& as) {
             std::ostringstream out;
             tag* faces = nullptr;
             tag* thirds = nullptr;
             int n = 0, n3 = 0;
             char text[KX_MODL_DFO_TEXT] = "";
             out << KX_MODL_ask_resize_face(f, &faces, &n, &thirds, &n3, text) << ' ' << text;
             list(out, as, faces, n);
             list(out, as, thirds, n3);
             KX_free(faces);
             KX_free(thirds);
             return out.str();
         }},
        {"replace face",
         [this] {
             block({10, 10, 15}, {20, 20, 6}, body_, FEAT_SIGN_SUBTRACT);
             block({60, 10, 10}, {20, 20, 11}, body_, FEAT_SIGN_SUBTRACT);
             std::vector<tag> floor{plane_face({0, 0, 1}, 15)};
             std::vector<tag> with{plane_face({0, 0, 1}, 10)};
             tag f = NULL_TAG;
             EXPECT_EQ(KX_MODL_create_replace_face(floor.data(), 1, with.data(), 1, 0, 'y', &f), 0);
             return f;
         },
         [&](tag f, const As& as) {
             std::ostringstream out;
             tag* faces = nullptr;
             tag* with = nullptr;
             int n = 0, nw = 0, value = -1;
             char option = 0;
             out << KX_MODL_ask_replace_face(f, &faces, &n, &with, &nw, &value, &option) << ' ' << value << ' '
                 << option;
             list(out, as, faces, n);
             list(out, as, with, nw);
             KX_free(faces);
             KX_free(with);
             return out.str();
         }},
        {"face constraint",
         [this] {
             face_constraint_data c{};
             c.constraint_type = 7;
             c.from_face = plane_face({0, 0, 1}, 20);
             c.to_object = plane_face({0, 0, -1}, 0);
             std::strcpy(c.value, "30");
             std::vector<tag> seeds{c.from_face};
             const dfo_region r = region(seeds);
             tag f = NULL_TAG;
             EXPECT_EQ(KX_MODL_create_face_constraint(&r, &c, &f), 0);
             return f;
         },
         [&](tag f, const As& as) {
             std::ostringstream out;
             dfo_region* back = nullptr;
             face_constraint_data* c = nullptr;
             out << KX_MODL_ask_face_constraint(f, &back, &c);
             if (c)
                 out << ' ' << c->constraint_type << ' ' << as(c->from_face) << ' ' << as(c->to_object) << ' '
                     << as(c->point) << ' ' << c->value;
             KX_free(c);
             seeds(out, as, back);
             return out.str();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        const tag feature = c.make();
        ASSERT_NE(feature, NULL_TAG);
        // Faces that the operation took away (a moved or scaled region's)
        // are no objects of the part any more: they read back as none.
        const std::string before = c.ask(feature, [](tag t) { return host::objects::is_alive(t) ? t : NULL_TAG; });
        EXPECT_EQ(before.substr(0, 2), "0 ");
        const double volume_before = volume();
        const std::map<unsigned int, unsigned int> read = reopen_part(part_, [] { fresh(); });
        body_ = read.at(body_);
        const auto was = [&](tag t) {
            for (const auto& [saved, now] : read)
                if (now == t && t != NULL_TAG) return saved;
            return t;
        };
        EXPECT_EQ(c.ask(read.at(feature), was), before);
        EXPECT_NEAR(volume(), volume_before, 1e-6);
        // The body follows an edit of what was read back.
        if (std::string(c.what) == "move region") {
            move_distance m{};
            m.direction = edge_along(0);
            std::strcpy(m.displacement, "40");
            ASSERT_EQ(KX_MODL_edit_move_region(read.at(feature), 1, nullptr, &m), 0);
            ASSERT_EQ(update(), 0);
            EXPECT_NEAR(added_centroid_x(kBoss), 15 + 40, 1e-6);
        }
    }
}

TEST_F(Dfo, DamagedOperationRowsAreRefused) {
    boss(10, 10);
    std::vector<tag> faces = faces_in({10, 10, 20, 20, 20, 25});
    const dfo_region r = region(faces);
    move_distance m{};
    m.direction = edge_along(0);
    std::strcpy(m.displacement, "20");
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_move_region(1, &r, &m, &feature), 0);
    // The row starts at byte 12 (count, object number, size): the
    // operation (6, move region), then the seed set's count.
    const kxtest::RowDamage damages[] = {
        {"operation 9", "DFOP", 12, kxtest::le32(6), kxtest::le32(9)},
        {"seed count past the row", "DFOP", 16, kxtest::le32(5), kxtest::le32(0x10000)},
    };
    kxtest::expect_damaged_rows_refused(part_, damages);
}

// ---- codes ------------------------------------------------------------------------

struct MapCase {
    int host, interface;
};

class CodeMap : public Dfo, public ::testing::WithParamInterface<MapCase> {};

TEST_P(CodeMap, CreateAndEditAnswerTheMappedCodeAndLeaveTheModel) {
    std::vector<tag> top{plane_face({0, 0, 1}, 20)};
    const dfo_region r = region(top);
    tag made = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_offset_region(&r, "5", &made), 0);
    const double before = volume();
    const std::size_t blocks = host::control::live_blocks();

    host::control::raise_on("OFST_create", GetParam().host);
    tag feature = 5;
    EXPECT_EQ(KX_MODL_create_offset_region(&r, "3", &feature), GetParam().interface);
    EXPECT_EQ(feature, NULL_TAG);
    host::control::raise_on("OFST_edit", GetParam().host);
    EXPECT_EQ(KX_MODL_edit_offset_region(made, nullptr, "7"), GetParam().interface);
    ASSERT_EQ(update(), 0);
    EXPECT_NEAR(volume(), before, 1e-9);
    EXPECT_EQ(marks(), 0);
    EXPECT_EQ(host::control::frame_depth(), 0);
    EXPECT_EQ(host::control::live_blocks(), blocks);
}

INSTANTIATE_TEST_SUITE_P(Table, CodeMap,
                         ::testing::Values(MapCase{3190001, 875365}, MapCase{3190002, 875365}, MapCase{3190003, 875366},
                                           MapCase{3190007, 875366}, MapCase{3190014, 875366}, MapCase{3190015, 875366},
                                           MapCase{3190018, 875366}, MapCase{3190022, 875366}, MapCase{3190010, 875368},
                                           MapCase{3190016, 875368}, MapCase{3190024, 875367}, MapCase{3190023, 875365},
                                           MapCase{3190000, 3190000}, MapCase{3190025, 3190025},
                                           MapCase{670402, 670402}));

TEST_F(Dfo, AChangeTheKernelCannotMakeIsRefusedWithTheModelUnchanged) {
    // An offset that swallows the block.
    std::vector<tag> top{plane_face({0, 0, 1}, 20)};
    const dfo_region r = region(top);
    tag feature = 5;
    EXPECT_EQ(KX_MODL_create_offset_region(&r, "-25", &feature), 875368);
    EXPECT_EQ(feature, NULL_TAG);
    EXPECT_NEAR(volume(), kBlock, 1e-9);
    // A resize of a planar face.
    EXPECT_EQ(KX_MODL_create_resize_face(top.data(), 1, nullptr, 0, "5", &feature), 875368);
    // A text that is no expression: the expression service's code.
    EXPECT_EQ(KX_MODL_create_offset_region(&r, "5 +", &feature), 670501);
    EXPECT_NEAR(volume(), kBlock, 1e-9);
    EXPECT_EQ(marks(), 0);
    int n = 0;
    unsigned int* features = nullptr;
    FREC_ask_features_of_part(part_, &n, &features);
    EXPECT_EQ(n, 1) << "no feature is left behind";
    SM_free(features);
}

// ---- bad input --------------------------------------------------------------------

TEST_F(Dfo, BadInputIsRefusedBeforeAnyMark) {
    std::vector<tag> top{plane_face({0, 0, 1}, 20)};
    const tag x = edge_along(0);
    dfo_region nulls{};
    nulls.number_of_seed_faces = 1;
    dfo_region negative = region(top);
    negative.number_of_third_faces = -1;
    const dfo_region good = region(top);
    move_distance m{};
    m.direction = x;
    std::strcpy(m.displacement, "5");
    const char factors[3][KX_MODL_DFO_TEXT] = {"2", "", ""};
    face_constraint_data c{};
    tag f = NULL_TAG;
    const std::vector<std::pair<const char*, std::function<int()>>> cases = {
        {"null seed array", [&] { return KX_MODL_create_offset_region(&nulls, "1", &f); }},
        {"negative count", [&] { return KX_MODL_create_offset_region(&negative, "1", &f); }},
        {"null region", [&] { return KX_MODL_create_offset_region(nullptr, "1", &f); }},
        {"null offset", [&] { return KX_MODL_create_offset_region(&good, nullptr, &f); }},
        {"null resize faces", [&] { return KX_MODL_create_resize_face(nullptr, 2, nullptr, 0, "1", &f); }},
        {"negative resize count", [&] { return KX_MODL_create_resize_face(top.data(), -1, nullptr, 0, "1", &f); }},
        {"null replacement faces", [&] { return KX_MODL_create_replace_face(top.data(), 1, nullptr, 1, 0, 0, &f); }},
        {"null constraint", [&] { return KX_MODL_create_face_constraint(&good, nullptr, &f); }},
        {"null pattern region", [&] { return KX_MODL_create_mirror_pattern_face(nullptr, top[0], &f); }},
        {"null factors",
         [&] { return KX_MODL_create_local_scale(0, &good, NULL_TAG, NULL_TAG, NULL_TAG, nullptr, &f); }},
        {"null motion", [&] { return KX_MODL_create_move_region(1, &good, nullptr, &f); }},
        {"motion type 4", [&] { return KX_MODL_create_move_region(4, &good, &m, &f); }},
        {"motion type -1", [&] { return KX_MODL_create_move_region(-1, &good, &m, &f); }},
        {"edit with a bad region", [&] { return KX_MODL_edit_offset_region(1, &negative, nullptr); }},
        {"edit with motion type 9", [&] { return KX_MODL_edit_move_region(1, 9, nullptr, &m); }},
    };
    (void)factors;
    (void)c;
    for (const auto& [name, run] : cases) {
        host::control::clear_journal();
        EXPECT_EQ(run(), 875365) << name;
        EXPECT_EQ(f, NULL_TAG) << name;
        EXPECT_EQ(host::control::call_count("UNDO_JQ_set_mark"), 0) << name;
    }
    EXPECT_NEAR(volume(), kBlock, 1e-9);
    EXPECT_EQ(KX_MODL_create_offset_region(&good, "1", nullptr), 1105006);
}

TEST_F(Dfo, TextsLongerThanTheirFieldsAreRefusedWithTheirParametersCode) {
    std::vector<tag> top{plane_face({0, 0, 1}, 20)};
    const dfo_region r = region(top);
    const tag x = edge_along(0);
    const std::string long_text(256, '1');
    const std::string long_factor(133, '1');
    tag f = NULL_TAG;
    move_distance m{};
    m.direction = x;
    std::memset(m.displacement, '1', sizeof m.displacement);  // no terminator
    move_angle a{};
    a.axis = x;
    std::memset(a.angle, '1', sizeof a.angle);
    char factors[3][KX_MODL_DFO_TEXT] = {};
    std::strcpy(factors[0], long_factor.c_str());
    const char* t = long_text.c_str();
    const std::vector<std::pair<int, std::function<int()>>> cases = {
        {1105013, [&] { return KX_MODL_create_resize_face(top.data(), 1, nullptr, 0, t, &f); }},
        {1105005, [&] { return KX_MODL_create_offset_region(&r, t, &f); }},
        {1105006, [&] { return KX_MODL_edit_offset_region(1, nullptr, t); }},
        {1105014, [&] { return KX_MODL_create_rectangular_pattern_face(&r, x, x, 2, 2, t, "1", &f); }},
        {1105015, [&] { return KX_MODL_create_rectangular_pattern_face(&r, x, x, 2, 2, "1", t, &f); }},
        {1105007, [&] { return KX_MODL_create_circular_pattern_face(&r, x, 2, t, &f); }},
        {1105006, [&] { return KX_MODL_create_move_region(1, &r, &m, &f); }},
        {1105006, [&] { return KX_MODL_create_move_region(2, &r, &a, &f); }},
        {1105014, [&] { return KX_MODL_create_local_scale(0, &r, NULL_TAG, NULL_TAG, NULL_TAG, factors, &f); }},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        host::control::clear_journal();
        EXPECT_EQ(cases[i].second(), cases[i].first) << "case " << i;
        EXPECT_EQ(host::control::call_count("UNDO_JQ_set_mark"), 0) << "case " << i;
    }
    // 255 characters and 132 are taken (and are no expressions here).
    const std::string longest(255, '1');
    EXPECT_NE(KX_MODL_create_offset_region(&r, longest.c_str(), &f), 1105005);
}

TEST_F(Dfo, TheNineAskFunctionsTurnAHostErrorIntoTheirStatus) {
    dfo_region* region = nullptr;
    face_constraint_data* c = nullptr;
    tag* faces = nullptr;
    tag* more = nullptr;
    int n = 0, m = 0, v = 0, type = 0;
    char option = 0;
    char text[KX_MODL_DFO_TEXT], text2[KX_MODL_DFO_TEXT];
    char factors[3][KX_MODL_DFO_TEXT];
    tag t1 = 0, t2 = 0, t3 = 0;
    void* motion = nullptr;
    struct AskCase {
        const char* host;
        std::function<int()> ask;
    };
    const std::vector<AskCase> cases = {
        {"DFO_is_dfo_feature", [&] { return KX_MODL_ask_face_constraint(1, &region, &c); }},
        {"RESIZEF_is_resizef_feature", [&] { return KX_MODL_ask_resize_face(1, &faces, &n, &more, &m, text); }},
        {"REPF_is_repf_feature", [&] { return KX_MODL_ask_replace_face(1, &faces, &n, &more, &m, &v, &option); }},
        {"OFST_is_ofst_feature", [&] { return KX_MODL_ask_offset_region(1, &region, text); }},
        {"PTRN_is_ptrn_feature",
         [&] { return KX_MODL_ask_rectangular_pattern_face(1, &region, &t1, &t2, &n, &m, text, text2); }},
        {"PTRN_is_ptrn_feature", [&] { return KX_MODL_ask_circular_pattern_face(1, &region, &t1, &n, text); }},
        {"PTRN_is_ptrn_feature", [&] { return KX_MODL_ask_mirror_pattern_face(1, &region, &t1); }},
        {"LSCALE_is_lscale_feature",
         [&] { return KX_MODL_ask_local_scale(1, &type, &region, &t1, &t2, &t3, factors); }},
        {"MOVEF_is_movef_feature", [&] { return KX_MODL_ask_move_region(1, &type, &region, &motion); }},
    };
    for (const AskCase& a : cases) {
        host::control::raise_on(a.host, 670099);
        EXPECT_EQ(a.ask(), 670099) << a.host;
        EXPECT_EQ(host::control::frame_depth(), 0) << a.host;
        host::control::clear_script(a.host);
        EXPECT_EQ(a.ask(), a.host == std::string("LSCALE_is_lscale_feature") ? 1 : 875004) << a.host;
    }
}

TEST_F(Dfo, NotInitialisedIsRefusedFirst) {
    kx_reset_session_for_tests();
    tag f = 5;
    EXPECT_EQ(KX_MODL_create_offset_region(nullptr, nullptr, &f), 1105000);
    EXPECT_EQ(KX_MODL_edit_move_region(1, 0, nullptr, nullptr), 1105000);
    EXPECT_EQ(KX_MODL_ask_mirror_pattern_face(1, nullptr, nullptr), 1105000);
}

}  // namespace
