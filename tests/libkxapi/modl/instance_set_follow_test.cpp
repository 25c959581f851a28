// Instance sets and mirror sets follow what they copy at the update: a
// source's edited size, the copies of a mirrored instance set, and a
// mirror plane on a datum plane at the block's middle that moves; and an
// instance set whose own numbers, spacings or angle are edited.
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/model/feature/profiles.h"
#include "host/base/services/objects.h"
#include "tests/libkxapi/modl/instance_set_fixture.h"

namespace {

using iset_test::kBlockVolume;
using iset_test::kPi;
using iset_test::SetFixture;

class InstanceSetFollow : public SetFixture {
protected:
    // A datum plane through x = at with normal +X.
    tag datum_plane(double at) {
        const double p[] = {at, 25, 10}, d[] = {1, 0, 0};
        const tag plane = host::profiles::create_direction_object(part_, HOST_TYPE_DATUM_PLANE, p, d);
        host::feature::create(part_, "DATUM_PLANE", {}, {plane});
        return plane;
    }
    static void move_plane(tag plane, double at) {
        const double p[] = {at, 0, 0}, d[] = {1, 0, 0};
        host::profiles::set_direction(plane, p, d);
    }
};

TEST_F(InstanceSetFollow, EditedHoleDiameterChangesEveryCopy) {
    const tag h = hole(10, 10), h2 = hole(30, 25);
    linear({h}, "2", "30", "2", "25");  // holes at x 10, 40 and y 10, 35
    circular({h2}, "3", "120");
    ASSERT_NEAR(volume(), kBlockVolume - 7 * hole_volume(), 1e-3);
    struct Case {
        const char* linear_d;
        const char* circular_d;
        double volume;
    };
    const Case cases[] = {
        {"8", "6", kBlockVolume - 4 * hole_volume(8) - 3 * hole_volume(6)},
        {"8", "4", kBlockVolume - 4 * hole_volume(8) - 3 * hole_volume(4)},
        {"5", "5", kBlockVolume - 7 * hole_volume(5)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.linear_d) + " " + c.circular_d);
        set_formula(h, 0, c.linear_d);
        set_formula(h2, 0, c.circular_d);
        ASSERT_EQ(KX_MODL_update(), 0);
        EXPECT_NEAR(volume(), c.volume, 1e-3);
        const double r = std::stod(c.linear_d) / 2;
        for (double x : {10.0, 40.0})
            for (double y : {10.0, 35.0}) {
                EXPECT_FALSE(inside(x + r - 0.2, y, 15)) << x << " " << y;
                EXPECT_TRUE(inside(x + r + 0.2, y, 15)) << x << " " << y;
            }
        // An update with nothing changed leaves the body as it is.
        ASSERT_EQ(KX_MODL_update(), 0);
        EXPECT_NEAR(volume(), c.volume, 1e-3);
    }
}

TEST_F(InstanceSetFollow, MirroredBossAndMirroredSetFollowTheirSources) {
    const tag plane = datum_plane(50);
    const tag b = boss(30, 25), h = hole(10, 10);
    const tag set = linear({h}, "2", "15", "1", "0");  // holes at x 10, 25
    tag inputs[] = {b}, hole_inputs[] = {h};
    tag mirror = NULL_TAG, hole_mirror = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_mirror_set(inputs, 1, plane, &mirror), 0);
    ASSERT_EQ(KX_MODL_create_mirror_set(hole_inputs, 1, plane, &hole_mirror), 0);
    EXPECT_EQ(inputs_of(hole_mirror), std::vector<tag>{set});
    ASSERT_NEAR(volume(), kBlockVolume + 2 * boss_volume() - 4 * hole_volume(), 1e-3);
    set_formula(b, 0, "12");  // the boss's diameter
    set_formula(h, 0, "8");
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(), kBlockVolume + 2 * kPi * 36 * 10 - 4 * hole_volume(8), 1e-3);
    EXPECT_TRUE(inside(75.5, 25, 25));  // the mirrored boss is wider
    for (double x : {13.5, 28.5, 71.5, 86.5}) EXPECT_FALSE(inside(x, 10, 15)) << x;
}

TEST_F(InstanceSetFollow, BossMirroredAboutADatumPlaneAtTheBlocksMiddle) {
    const tag plane = datum_plane(50);
    EXPECT_NE(MOD_UI_ask_fref_of_disp_entity(plane), 0u);
    const tag b = boss(30, 25);
    tag inputs[] = {b};
    tag mirror = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_mirror_set(inputs, 1, plane, &mirror), 0);
    EXPECT_NEAR(volume(), kBlockVolume + 2 * boss_volume(), 1e-3);
    EXPECT_TRUE(inside(70, 25, 25));
    EXPECT_TRUE(inside(74.5, 25, 29.5));
    EXPECT_FALSE(inside(75.5, 25, 25));
    tag asked = NULL_TAG;
    ASSERT_EQ(KX_MODL_ask_plane_of_mirror_set(mirror, &asked), 0);
    EXPECT_EQ(asked, plane);

    // The datum plane moves to x = 60: the copy follows at the update.
    move_plane(plane, 60);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_FALSE(inside(70, 25, 25));
    EXPECT_TRUE(inside(90, 25, 25));
    EXPECT_NEAR(volume(), kBlockVolume + 2 * boss_volume(), 1e-3);

    // Another datum plane through x = 45 given by an edit: the copy at 60.
    const tag other = datum_plane(45);
    ASSERT_EQ(KX_MODL_edit_mirror_set(mirror, nullptr, 0, other), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_TRUE(inside(60, 25, 25));
    EXPECT_FALSE(inside(90, 25, 25));
    ASSERT_EQ(KX_MODL_ask_plane_of_mirror_set(mirror, &asked), 0);
    EXPECT_EQ(asked, other);

    // Kept in the part file: the plane is the datum plane read again, and it
    // still takes the copy with it.
    const std::string mirror_name = name(mirror);
    reopen();
    const tag mirror_again = named(mirror_name);
    ASSERT_EQ(KX_MODL_ask_plane_of_mirror_set(mirror_again, &asked), 0);
    ASSERT_NE(asked, NULL_TAG);
    EXPECT_EQ(host::objects::require(asked).type, HOST_TYPE_DATUM_PLANE);
    move_plane(asked, 50);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_TRUE(inside(70, 25, 25));
    EXPECT_FALSE(inside(60, 25, 25));
    EXPECT_NEAR(volume(), kBlockVolume + 2 * boss_volume(), 1e-3);

    // A datum axis is no mirror plane.
    const double p[] = {50, 25, 0}, d[] = {0, 0, 1};
    const tag axis = host::profiles::create_direction_object(part_, HOST_TYPE_DATUM_AXIS, p, d);
    tag out = NULL_TAG;
    tag again[] = {inputs_of(mirror_again)[0]};
    EXPECT_EQ(KX_MODL_create_mirror_set(again, 1, axis, &out), 875007);
    EXPECT_EQ(out, NULL_TAG);
}

using Point = std::pair<double, double>;

class InstanceSetOwnParameters : public SetFixture {
protected:
    // Holes at every point and none at the others (their places are whole).
    void expect_holes(const std::vector<Point>& holes, const std::vector<Point>& whole) const {
        for (const auto& [x, y] : holes) EXPECT_FALSE(inside(x, y, 15)) << "a hole at " << x << " " << y;
        for (const auto& [x, y] : whole) EXPECT_TRUE(inside(x, y, 15)) << "no hole at " << x << " " << y;
    }
    // The point at `degrees` about (50, 25) at radius 20.
    static Point about_middle(double degrees) {
        const double a = degrees * kPi / 180;
        return {50 + 20 * std::cos(a), 25 + 20 * std::sin(a)};
    }
};

TEST_F(InstanceSetOwnParameters, EditedLinearSetMovesItsCopies) {
    const tag set = linear({hole(10, 10)}, "3", "20", "2", "25");  // x 10, 30, 50 and y 10, 35
    ASSERT_NEAR(volume(), kBlockVolume - 6 * hole_volume(), 1e-3);
    struct Case {
        const char* nx;
        const char* sx;
        const char* ny;
        const char* sy;
        std::vector<Point> holes, whole;
    };
    const Case cases[] = {
        // The spacing along X from 20 to 25: the copies move, none is lost.
        {"3",
         "25",
         "2",
         "25",
         {{10, 10}, {35, 10}, {60, 10}, {10, 35}, {35, 35}, {60, 35}},
         {{30, 10}, {50, 10}, {30, 35}, {50, 35}}},
        // Two along X: the third column is gone.
        {"2", "25", "2", "25", {{10, 10}, {35, 10}, {10, 35}, {35, 35}}, {{60, 10}, {60, 35}}},
        // One row more at a smaller spacing along Y.
        {"2",
         "25",
         "3",
         "15",
         {{10, 10}, {35, 10}, {10, 25}, {35, 25}, {10, 40}, {35, 40}},
         {{10, 35}, {35, 35}}},
        // One row of three.
        {"3", "30", "1", "15", {{10, 10}, {40, 10}, {70, 10}}, {{35, 10}, {10, 25}, {40, 25}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.nx) + " x " + c.sx + ", " + c.ny + " x " + c.sy);
        set_formula(set, 0, c.nx);
        set_formula(set, 1, c.sx);
        set_formula(set, 2, c.ny);
        set_formula(set, 3, c.sy);
        ASSERT_EQ(KX_MODL_update(), 0);
        EXPECT_NEAR(volume(), kBlockVolume - static_cast<double>(c.holes.size()) * hole_volume(), 1e-3);
        expect_holes(c.holes, c.whole);
        // An update with nothing changed leaves the copies where they are.
        ASSERT_EQ(KX_MODL_update(), 0);
        EXPECT_NEAR(volume(), kBlockVolume - static_cast<double>(c.holes.size()) * hole_volume(), 1e-3);
    }

    // Kept in the part file: the copies read again are those of the edits,
    // and a further edit still moves them.
    const std::string set_name = name(set);
    reopen();
    const tag again = named(set_name);
    ASSERT_NE(again, NULL_TAG);
    EXPECT_NEAR(volume(), kBlockVolume - 3 * hole_volume(), 1e-3);
    expect_holes({{10, 10}, {40, 10}, {70, 10}}, {{35, 10}});
    set_formula(again, 1, "20");
    ASSERT_EQ(KX_MODL_update(), 0);
    expect_holes({{10, 10}, {30, 10}, {50, 10}}, {{40, 10}, {70, 10}});
    EXPECT_NEAR(volume(), kBlockVolume - 3 * hole_volume(), 1e-3);
}

TEST_F(InstanceSetOwnParameters, EditedCircularSetTurnsItsCopies) {
    const tag set = circular({hole(30, 25)}, "3", "120");  // at 180, 300 and 60 degrees
    ASSERT_NEAR(volume(), kBlockVolume - 3 * hole_volume(), 1e-3);
    set_formula(set, 0, "4");
    set_formula(set, 1, "90");
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(), kBlockVolume - 4 * hole_volume(), 1e-3);
    expect_holes({about_middle(180), about_middle(270), about_middle(0), about_middle(90)},
                 {about_middle(300), about_middle(60)});
    set_formula(set, 0, "2");
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(volume(), kBlockVolume - 2 * hole_volume(), 1e-3);
    expect_holes({about_middle(180), about_middle(270)}, {about_middle(0), about_middle(90)});
}

TEST_F(InstanceSetOwnParameters, BadNumberFailsTheUpdateAndKeepsTheCopies) {
    const tag set = linear({hole(10, 10)}, "2", "20", "1", "0");
    const double before = volume();
    for (const char* number : {"1.5", "1", "0"}) {
        SCOPED_TRACE(number);
        set_formula(set, 0, number);
        EXPECT_NE(KX_MODL_update(), 0);
        EXPECT_NEAR(volume(), before, 1e-3);
        expect_holes({{10, 10}, {30, 10}}, {});
    }
    set_formula(set, 0, "3");
    ASSERT_EQ(KX_MODL_update(), 0);
    expect_holes({{10, 10}, {30, 10}, {50, 10}}, {});
}

}  // namespace
