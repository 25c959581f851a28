// Geometric expressions under fault simulation: features that measure a
// distance, an angle and a length are made, edited and read back, and
// every run with a host error at one host call ends clean (a failed
// creation or edit leaves the model as it was, a failed question hands
// nothing back).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "host/control/control.h"
#include "host/kernel/engine/kernel.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_front = 0, g_back = 0, g_left = 0, g_right = 0, g_edge = 0, g_other_edge = 0;

// A block 7 by 3 by 2 at (1, 2, 0) in the work part, made straight through
// the host before the story: its four side faces and two of its straight
// edges are the operands.
void model() {
    kxtest::fresh_process();
    const unsigned int part = host::parts::create("gexp_walk.prt");
    host::parts::set_work_part(part);
    const double origin[3] = {1, 2, 0}, size[3] = {7, 3, 2};
    int body = 0;
    ZQ_BODY_make_block(origin, size, &body);
    for (int f : host::kernel::faces_of(body)) {
        int type = 0, sense = 0;
        double p[3], d[3], r = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r, &r2, &sense);
        if (type != ZQ_SURF_PLANE) continue;
        if (std::abs(std::abs(d[1]) - 1) < 1e-9) (p[1] < 3 ? g_front : g_back) = host::kernel::object_of(f);
        if (std::abs(std::abs(d[0]) - 1) < 1e-9) (p[0] < 4 ? g_left : g_right) = host::kernel::object_of(f);
    }
    const std::vector<int> edges = host::kernel::edges_of(body);
    g_edge = host::kernel::object_of(edges.at(0));
    g_other_edge = host::kernel::object_of(edges.at(1));
    host::control::clear_journal();
}

int measures() {
    STEP(KX_initialize());
    tag distance = NULL_TAG, dexp = NULL_TAG, angle = NULL_TAG, aexp = NULL_TAG, length = NULL_TAG, lexp = NULL_TAG;
    STEP(KX_GEXP_create_distance(g_front, g_back, 11, 22, &distance, &dexp));
    STEP(KX_GEXP_create_angle(g_front, g_left, g_back, 1, 2, 3, &angle, &aexp));
    STEP(KX_GEXP_create_length(g_edge, 9, &length, &lexp));
    STEP(KX_GEXP_edit_distance(distance, g_left, g_right, 33, 44));
    STEP(KX_GEXP_edit_angle(angle, g_front, g_back, g_left, 4, 5, 6));
    STEP(KX_GEXP_edit_length(length, g_other_edge, 8));
    tag o[3] = {}, c[3] = {};
    STEP(KX_GEXP_ask_distance_parms(distance, &o[0], &o[1], &c[0], &c[1]));
    STEP(KX_GEXP_ask_angle_parms(angle, &o[0], &o[1], &o[2], &c[0], &c[1], &c[2]));
    STEP(KX_GEXP_ask_length_parms(length, &o[0], &c[0]));
    return 0;
}

TEST(GeometricExpressionWalkFaultSimulation, EveryRunEndsClean) {
    const auto start = std::chrono::steady_clock::now();
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"gexp_measures", measures, model});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s (%.1f s)\n", faultsim::describe(r).c_str(), seconds);
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
