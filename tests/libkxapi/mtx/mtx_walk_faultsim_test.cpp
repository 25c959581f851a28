// The matrix and vector functions that reach the host's matrix routines,
// under fault simulation: every run with a host error at one of those
// routines ends clean (the error becomes the status or is acknowledged; no
// frame is left armed; nothing escapes to the caller).
#include <gtest/gtest.h>

#include <cstdio>

#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

using faultsim::step;

#define STEP FAULTSIM_STEP

int matrices() {
    STEP(KX_initialize());
    const double x[3] = {0.6, 0.8, 0}, y[3] = {-0.8, 0.6, 0}, z[3] = {0, 0.28, 0.96};
    const double x2[2] = {0.6, 0.8}, y2[2] = {-0.8, 0.6};
    double m2[4], m3[9], n3[9], p3[9], m4[16], n4[16], p4[16];
    STEP(KX_MTX2_initialize(x2, y2, m2));
    STEP(KX_MTX3_initialize(x, y, m3));
    STEP(KX_MTX3_initialize_x(x, n3));
    STEP(KX_MTX3_initialize_z(z, n3));
    STEP(KX_MTX3_multiply(m3, n3, p3));
    STEP(KX_MTX3_multiply_t(m3, n3, p3));
    double skew[9] = {1, 0.1, 0, 0.05, 1, 0.02, 0, 0.03, 1};
    STEP(KX_MTX3_ortho_normalize(skew));
    STEP(KX_MTX3_rotate_about_axis(z, 0.7, p3));

    const double at[3] = {3, -2, 5}, scale[3] = {2, 0.5, 1.5}, elsewhere[3] = {-4, 7, 1};
    STEP(KX_MTX4_rotation(at, z, 0.7, m4));
    STEP(KX_MTX4_mirror(at, x, n4));
    STEP(KX_MTX4_scaling(at, scale, p4));
    STEP(KX_MTX4_multiply(m4, n4, p4));
    STEP(KX_MTX4_multiply_t(m4, n4, p4));
    STEP(KX_MTX4_invert(m4, p4));
    STEP(KX_MTX4_csys_to_csys(at, x, y, elsewhere, y, x, p4));
    double skew4[16] = {1, 0.1, 0, 3, 0.05, 1, 0.02, -2, 0, 0.03, 1, 5, 0, 0, 0, 1};
    STEP(KX_MTX4_ortho_normalize(skew4));

    double v2[2] = {3, 4}, w2[2], mag = 0, cx = 0, cy = 0;
    // The is_ queries answer 1 when the relation holds: these pairs are
    // neither, so a step answers 0.
    int is = 0;
    STEP(KX_VEC2_unitize(v2, 1e-9, &mag, w2));
    STEP(KX_VEC2_components(v2, x2, y2, 1e-9, &cx, &cy));
    STEP(KX_VEC2_ask_perpendicular(v2, w2));
    STEP(KX_VEC2_is_parallel(v2, y2, 1e-9, &is));
    STEP(KX_VEC2_is_perpendicular(v2, x2, 1e-9, &is));
    double v3[3] = {2, 3, 6}, w3[3], angle = 0;
    STEP(KX_VEC3_unitize(v3, 1e-9, &mag, w3));
    STEP(KX_VEC3_ask_perpendicular(v3, w3));
    STEP(KX_VEC3_is_parallel(v3, x, 1e-9, &is));
    STEP(KX_VEC3_is_perpendicular(v3, y, 1e-9, &is));
    return step("KX_VEC3_angle_between", [&] {
        KX_VEC3_angle_between(x, y, z, &angle);
        return 0;
    });
}

TEST(MatrixWalkFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"matrices_and_vectors", matrices});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

}  // namespace
