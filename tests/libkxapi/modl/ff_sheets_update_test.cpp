// Sheets made again by the update from what they are made from: edited
// distances and offsets, and the faces, sheets and curves under them that
// moved or grew, against closed forms; undo after the update gives the old
// sheet back.
#include <array>
#include <cmath>
#include <vector>

#include "host/apps/modeling/boolean/booleans.h"
#include "kx_undo.h"
#include "tests/libkxapi/modl/sheet_fixture.h"

namespace {

using form_test::kBlockVolume;
using form_test::kPi;
using sheet_test::SheetModel;

class SheetUpdate : public SheetModel {};

TEST_F(SheetUpdate, VariableOffsetFollowsItsDistancesAndItsFaceAndUndoGivesItBack) {
    const tag s = offset_of_top({"5", "5", "5", "5"});
    ASSERT_NE(s, NULL_TAG);
    const tag f = maker_of(s);
    EXPECT_NEAR(height(s), 25, 1e-9);
    KX_UNDO_mark_id_t mark = 0;
    ASSERT_EQ(KX_UNDO_set_mark(1, "before the edits", &mark), 0);
    for (int i = 0; i < 4; ++i) set_formula(f, i, "8");
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(height(s), 28, 1e-9);
    EXPECT_NEAR(area(s), 5000, 1e-6);
    // The block grows 10 higher: its top face carries the sheet with it.
    set_formula(block(), 2, "30");
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(height(s), 38, 1e-9);
    // Distances of 0 at one end and 10 at the other: a tilted plane.
    set_formula(f, 2, "10");
    set_formula(f, 3, "10");
    set_formula(f, 0, "0");
    set_formula(f, 1, "0");
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(height(s), 35, 1e-3);
    EXPECT_NEAR(area(s), 100 * std::hypot(50.0, 10.0), 1e-2);
    ASSERT_EQ(KX_UNDO_undo_to_mark(mark, nullptr), 0);
    EXPECT_NEAR(height(s), 25, 1e-9);
    EXPECT_NEAR(volume(), kBlockVolume, 1e-6);
}

TEST_F(SheetUpdate, ThickenedSheetFollowsItsOffsetsAndTheSheetUnderIt) {
    // A disc of radius 10 (a skin's sheet) thickened by 2.
    const tag arc = circle(0, 0, 80, 10);
    const tag disc = plane({arc});
    tag on_disc = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_thicken_sheet(disc, "2", "0", 0, &on_disc), 0);
    // The offset of the top face by 5, thickened by 2.
    const tag offset = offset_of_top({"5", "5", "5", "5"});
    tag on_offset = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_thicken_sheet(offset, "2", "0", 0, &on_offset), 0);
    // A sheet on the bottom face thickened 2 both ways and united with the block.
    const tag on_bottom = rectangle_sheet(0, 0, 100, 50, 0);
    BREF_set_current_target(body_);
    tag united = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_thicken_sheet(on_bottom, "2", "-2", 1, &united), 0);
    EXPECT_NEAR(props_of(FREC_ask_body(on_disc))[ZQ_MP_VOLUME], 200 * kPi, 1e-5);
    EXPECT_NEAR(height(FREC_ask_body(on_offset)), 26, 1e-9);
    EXPECT_NEAR(volume(), kBlockVolume + 10000, 1e-6);

    set_formula(on_disc, 0, "3");
    set_formula(united, 1, "-4");
    set_radius(arc, 20);
    set_formula(maker_of(offset), 0, "8");
    for (int i = 1; i < 4; ++i) set_formula(maker_of(offset), i, "8");
    ASSERT_EQ(KX_MODL_update(), 0) << FREC_ask_update_failure_message();
    EXPECT_NEAR(props_of(FREC_ask_body(on_disc))[ZQ_MP_VOLUME], 3 * 400 * kPi, 1e-3);
    EXPECT_NEAR(height(FREC_ask_body(on_offset)), 29, 1e-9);
    EXPECT_NEAR(props_of(FREC_ask_body(on_offset))[ZQ_MP_VOLUME], 10000, 1e-6);
    EXPECT_NEAR(volume(), kBlockVolume + 20000, 1e-6);
}

TEST_F(SheetUpdate, ReversedNormalStaysReversedOnTheSheetMadeAgain) {
    const tag s = offset_of_top({"5", "5", "5", "5"});
    const double up = normal_z(s);
    tag flip = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_reverse_normal(s, 0, &flip), 0);
    EXPECT_NEAR(normal_z(s), -up, 1e-9);
    for (int i = 0; i < 4; ++i) set_formula(maker_of(s), i, "8");
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(height(s), 28, 1e-9);
    EXPECT_NEAR(normal_z(s), -up, 1e-9);
    // Without the reversal the sheet made again faces up.
    ASSERT_EQ(FREC_set_suppressed(flip, 1), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(normal_z(s), up, 1e-9);
    EXPECT_NEAR(height(s), 28, 1e-9);
}

TEST_F(SheetUpdate, BridgeFollowsTheSheetsItJoins) {
    const tag a = rectangle_sheet(0, 0, 100, 20, 60);
    const std::vector<tag> lines = {line({0, 30, 60, 100, 30, 60}), line({100, 30, 60, 100, 50, 60}),
                                    line({100, 50, 60, 0, 50, 60}), line({0, 50, 60, 0, 30, 60})};
    const tag strip = bridge_between(a, 20, plane(lines), 30);
    EXPECT_NEAR(area(strip), 1000, 1e-3);
    // The second sheet moves 10 further away: a strip 20 wide.
    for (tag l : lines) {
        line_data d{};
        ASSERT_EQ(KX_CURVE_ask_line_data(l, &d), 0);
        d.start_point[1] += 10;
        d.end_point[1] += 10;
        ASSERT_EQ(KX_CURVE_edit_line_data(l, &d), 0);
    }
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(area(strip), 2000, 1e-3);
    EXPECT_NEAR(props_of(strip)[ZQ_MP_CENTROID + 1], 30, 1e-6);
}

TEST_F(SheetUpdate, TrimmedAndEnlargedSheetsFollowWhatTheyAreMadeFrom) {
    const tag arc = circle(50, 50, 60, 10);
    const tag trimmed_body = result_of(trim_to_disc(rectangle_sheet(0, 0, 100, 100, 40), arc));
    const tag enlarged_body = result_of(enlarge_top());
    EXPECT_NEAR(area(trimmed_body), 100 * kPi, 1e-3);
    EXPECT_NEAR(area(enlarged_body), 120.0 * 60.0, 1e-6);
    set_radius(arc, 20);
    set_formula(block(), 0, "200");  // the top face: 200 x 50
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(area(trimmed_body), 400 * kPi, 1e-2);
    EXPECT_NEAR(area(enlarged_body), 240.0 * 60.0, 1e-6);
}

}  // namespace
