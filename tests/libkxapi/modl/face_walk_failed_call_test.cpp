// Failed host calls inside the face queries that must stay mended: each
// row raises an error at one host call and names what the caller gets.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "host/control/control.h"
#include "host/control/faultsim.h"
#include "host/store/entities/entity_store.h"
#include "host/kernel/engine/kernel.h"
#include "host/store/entities/occurrences.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

namespace hk = host::kernel;

// A cylinder of radius 6 and height 11 in a part placed in an assembly,
// turned a quarter about Z and moved by (90, 15, -4); the occurrence of its
// side face through the part occurrence, and one made of the face alone.
class FaceWalkPlacedSide : public ::testing::Test {
protected:
    void SetUp() override {
        kxtest::fresh_process();
        ASSERT_EQ(KX_initialize(), 0);
        const unsigned int part = host::parts::create("face_walk_rows.prt");
        host::parts::set_work_part(part);
        const double base[3] = {0, 0, 0}, z[3] = {0, 0, 1};
        int cylinder = 0;
        ZQ_BODY_make_cylinder(base, z, 6, 11, &cylinder);
        for (int f : hk::faces_of(cylinder)) {
            int type = 0, sense = 0;
            double p[3], d[3], r = 0, r2 = 0;
            ZQ_FACE_ask_data(f, &type, p, d, &r, &r2, &sense);
            if (type == ZQ_SURF_CYLINDER) side_ = hk::object_of(f);
        }
        ASSERT_NE(side_, NULL_TAG);
        const unsigned int assembly = host::parts::create("face_walk_rows_assembly.prt");
        const double turned[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1}, origin[3] = {90, 15, -4};
        const unsigned int placed = host::occurrences::create_part_occurrence(assembly, part, turned, origin);
        placed_ = OCC_find_occurrence(placed, side_);
        alone_ = host::occurrences::make_occurrence_of(part, side_, turned, origin);
        ASSERT_NE(placed_, NULL_TAG);
        ASSERT_NE(alone_, NULL_TAG);
    }
    void TearDown() override { kxtest::fresh_process(); }

    tag side_ = NULL_TAG, placed_ = NULL_TAG, alone_ = NULL_TAG;
};

// The extreme of the placed side along the assembly's +X (the part's -Y),
// then up: on the top circle at (96, 15, 7), an edge of the occurrence. A
// failure while the edge is found in the occurrence is the status (not an
// answer without the edge); a face that belongs to no part occurrence
// still answers without one.
TEST_F(FaceWalkPlacedSide, ExtremeEdgeOfAnOccurrence) {
    struct Row {
        const char* what;
        const char* routine;  // null: no error raised
        bool lone;
        int status;
        bool edge;
    };
    const Row rows[] = {
        {"clean", nullptr, false, 0, true},
        {"part occurrence of the face fails", "OCC_ask_part_occurrence", false, faultsim::kInjectedCode, false},
        {"occurrence of the edge fails", "OCC_find_occurrence", false, faultsim::kInjectedCode, false},
        {"face alone: no part occurrence", nullptr, true, 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        double x[3] = {1, 0, 0}, up[3] = {0, 0, 1}, y[3] = {0, 1, 0}, at[3] = {0, 0, 0};
        tag sub = 77;
        const std::string before = host::control::model_fingerprint();
        if (row.routine) host::control::raise_on(row.routine, faultsim::kInjectedCode, 1);
        EXPECT_EQ(KX_MODL_ask_extreme(row.lone ? alone_ : placed_, x, up, y, &sub, at), row.status);
        host::control::clear_scripts();
        EXPECT_EQ(host::control::frame_depth(), 0);
        if (row.edge) {
            ASSERT_NE(sub, NULL_TAG);
            EXPECT_TRUE(OCC_is_occurrence(sub));
        } else {
            EXPECT_EQ(sub, NULL_TAG);
        }
        if (row.status == 0) {
            EXPECT_NEAR(at[0], 96, 1e-7);
            EXPECT_NEAR(at[1], 15, 1e-7);
            EXPECT_NEAR(at[2], 7, 1e-7);
        } else {
            EXPECT_EQ(host::control::model_fingerprint(), before);
        }
    }
}

}  // namespace
