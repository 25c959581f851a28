// Free-form creation under fault simulation: a host error at any host call
// of a creation ends in a clean status with NULL_TAG, the model as before
// and no temporary mark or frame left.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"
#include "tests/libkxapi/modl/host_block.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_block_body = 0;
std::vector<unsigned int> g_circles, g_rect;
unsigned int g_guide = 0, g_ring = 0;  // a straight guide and a ring at its start

void model() {
    const auto [part, block] = fresh_host_block("freeform.prt");
    g_block_body = FREC_ask_body(block);
    const double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    unsigned int m = 0;
    ES_create_matrix_in_part(part, rows, 3, &m);
    g_circles.clear();
    for (double z : {10.0, 30.0}) {
        const double data[6] = {0, 2 * std::numbers::pi, 50, 25, z, 10};
        unsigned int arc = 0;
        ES_create_arc(data, m, &arc);
        g_circles.push_back(arc);
    }
    g_rect.clear();
    const double c[5][2] = {{0, 0}, {40, 0}, {40, 30}, {0, 30}, {0, 0}};
    for (int i = 0; i < 4; ++i) {
        const double ends[6] = {c[i][0], c[i][1], 60, c[i + 1][0], c[i + 1][1], 60};
        unsigned int l = 0;
        ES_create_line_in_part(part, ends, &l);
        g_rect.push_back(l);
    }
    const double guide[6] = {200, 0, 0, 200, 0, 40};
    ES_create_line_in_part(part, guide, &g_guide);
    const double ring[6] = {0, 2 * std::numbers::pi, 200, 0, 0, 2};
    ES_create_arc(ring, m, &g_ring);
    host::control::clear_journal();
}

int creations() {
    STEP(KX_initialize());
    double tol[3] = {0.001, 0.5, 0.02};
    int per[2] = {1, 1}, dir[2] = {1, 1};
    string_list sections{2, per, dir, g_circles.data()};
    int patch = 1, align = 1, degree = 3, closed = 0, body = 1;
    double values[6] = {};
    tag faces[2] = {};
    int cont[2] = {};
    tag f = NULL_TAG;
    int st = faultsim::step("KX_MODL_create_thru_curves", [&] {
        return KX_MODL_create_thru_curves(&sections, nullptr, &patch, &align, values, &degree, &closed, &body, 0, tol,
                                          faces, cont, &f);
    });
    if (st) return f == NULL_TAG ? st : -1;
    int rper[1] = {4}, rdir[1] = {1};
    string_list boundary{1, rper, rdir, g_rect.data()};
    st = faultsim::step("KX_MODL_create_bplane", [&] { return KX_MODL_create_bplane(&boundary, tol, &f); });
    if (st) return f == NULL_TAG ? st : -1;
    st = faultsim::step("KX_MODL_create_thru_curves1", [&] {
        return KX_MODL_create_thru_curves1(&sections, nullptr, &patch, &align, values, &degree, &closed, nullptr,
                                           &body, 1, g_block_body, tol, faces, cont, nullptr, nullptr, &f);
    });
    return st;
}

// The sweep (scaled), the curve mesh and the ruled target variant.
int more_creations() {
    STEP(KX_initialize());
    double tol[3] = {0.001, 0.5, 0.02}, zero_tol[3] = {0, 0.5, 0.02};
    int one[1] = {1}, dir[2] = {1, 1};
    tag f = NULL_TAG;
    string_list guide{1, one, dir, &g_guide}, section{1, one, dir, &g_ring};
    sweep_method orient{1, 0, 0, {0, 0, 0}, nullptr}, scale{1, 0, 0, {2, 0, 0}, nullptr};
    int align = 1, method = 1, body = 1;
    int st = faultsim::step("KX_MODL_create_sweep", [&] {
        return KX_MODL_create_sweep(&guide, &section, nullptr, &orient, &scale, &align, &method, &body, tol, nullptr,
                                    &f);
    });
    if (st) return f == NULL_TAG ? st : -1;
    // The rectangle's opposite sides, each way.
    int two[2] = {1, 1};
    tag sides[2] = {g_rect[0], g_rect[2]}, ends[2] = {g_rect[3], g_rect[1]};
    string_list primary{2, two, dir, sides}, cross{2, two, dir, ends};
    int end = 0, flag = 0, sheet = 0;
    st = faultsim::step("KX_MODL_create_curve_mesh", [&] {
        return KX_MODL_create_curve_mesh(&primary, &cross, nullptr, &end, &method, &sheet, &flag, 0, tol, nullptr,
                                         nullptr, &f);
    });
    if (st) return f == NULL_TAG ? st : -1;
    string_list sections{2, two, dir, g_circles.data()};
    double values[6] = {};
    st = faultsim::step("KX_MODL_create_ruled1", [&] {
        return KX_MODL_create_ruled1(&sections, nullptr, &align, values, &end, &body, 2, g_block_body, zero_tol, &f);
    });
    return st;
}

TEST(FreeformCreationFaultSimulation, SweepMeshAndRuledEndClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"free-form sweep, mesh, ruled", more_creations, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

TEST(FreeformCreationFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"free-form creation", creations, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
