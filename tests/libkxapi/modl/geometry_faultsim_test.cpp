// Geometric properties, checks and measurement under fault simulation:
// every run with a host error at one host call ends clean (no mark, frame,
// kernel point or block left behind, the model as before).
#include <gtest/gtest.h>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/occurrences.h"
#include "host/store/parts/parts.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_body = 0, g_face = 0, g_edge = 0, g_occurrence = 0, g_line = 0;

// A block and a line in a part, and an occurrence of the block, made
// straight through the host before the story.
void model() {
    kxtest::fresh_process();
    const unsigned int part = host::parts::create("measure.prt");
    host::parts::set_work_part(part);
    const double at[3] = {0, 0, 0}, size[3] = {10, 10, 10};
    int body = 0;
    ZQ_BODY_make_block(at, size, &body);
    g_body = host::kernel::object_of(body);
    g_face = host::kernel::object_of(host::kernel::faces_of(body)[0]);
    g_edge = host::kernel::object_of(host::kernel::edges_of(body)[0]);
    const double rows[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1}, origin[3] = {50, 0, 0};
    g_occurrence = host::occurrences::make_occurrence_of(part, g_body, rows, origin);
    const double ends[6] = {0, 0, 20, 10, 0, 20};
    ES_create_line_in_part(part, ends, &g_line);
    host::control::clear_journal();
}

int measure() {
    STEP(KX_initialize());
    double p[3] = {5, 5, 5};
    int c = 0;
    STEP(KX_MODL_ask_point_containment(p, g_body, &c));
    double q[3] = {48, 5, 5};
    STEP(KX_MODL_ask_point_containment(q, g_occurrence, &c));
    double d = 0, p1[3], p2[3];
    STEP(KX_MODL_ask_minimum_dist(g_line, g_body, 0, nullptr, 0, nullptr, &d, p1, p2));
    double box[6];
    STEP(KX_MODL_ask_bounding_box(g_line, box));
    STEP(KX_MODL_ask_bounding_box(g_body, box));
    double parm = 0, foot[3];
    STEP(KX_MODL_ask_curve_parm(g_line, p, &parm, foot));
    double point[3], tangent[3], a[3], b[3], torsion = 0, radius = 0;
    STEP(KX_MODL_ask_curve_props(g_edge, 0.5, point, tangent, a, b, &torsion, &radius));
    int dim = 0;
    double data[6];
    STEP(KX_MODL_ask_obj_dimensionality(g_face, &dim, data));
    int n = 0, *codes = nullptr;
    geometry_check_result r;
    STEP(KX_MODL_ask_body_consistency(g_body, &n, &codes, &r));
    KX_free(codes);
    int fault = 0;
    STEP(KX_MODL_ask_face_self_intersect(g_face, &fault, p));
    int same = 0, c1[3], c2[3];
    STEP(KX_MODL_compare_topology(g_face, g_face, 1, 1e-6, &same, c1, c2));
    int boundaries = 0, *counts = nullptr;
    tag* edges = nullptr;
    STEP(KX_MODL_ask_body_boundaries(g_body, &boundaries, &counts, &edges));
    return 0;
}

TEST(GeometryFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"measure", measure, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
