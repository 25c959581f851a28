// Edge, curve and vertex queries under fault simulation: the closure,
// periodicity, parameters and points of a closed spline, the angle of two
// vectors and the fit method; the smoothness, tolerance, split pieces and
// live edge of a block's edge cut by a channel; the vertical, angle and
// parallel-edge dimensions of a hole and a pad. A host error at each host
// call of a story must leave a clean status, no armed frame, no leaked
// block and, where a call failed, the model as before it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

#include "host/control/control.h"
#include "host/kernel/engine/kernel.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/positioning.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "kx_modl_constraint.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

using faultsim::step;

// ---- a closed spline ---------------------------------------------------------

tag g_spline = NULL_TAG;

// A closed cubic through seven points of an ellipse 6 x 3.5, lifted to z 2.
void spline_model() {
    kxtest::fresh_process();
    KX_initialize();
    host::parts::set_work_part(host::parts::create("edge_walk_curves.prt"));
    std::vector<spline_point> through(7);
    for (int i = 0; i < 7; ++i) {
        through[i] = spline_point{};
        through[i].slope_type = through[i].crvatr_type = -1;  // none
        const double a = 2 * std::numbers::pi * i / 7;
        through[i].point[0] = 6 * std::cos(a);
        through[i].point[1] = 3.5 * std::sin(a);
        through[i].point[2] = 2;
    }
    KX_CURVE_create_spline_thru_pts(3, 1, 7, through.data(), nullptr, 0, &g_spline);
    host::control::clear_journal();
}

int curve_queries() {
    STEP(KX_initialize());
    if (int st = step("KX_MODL_ask_curve_closed", [] { return KX_MODL_ask_curve_closed(g_spline) == 1 ? 0 : 1; }))
        return st;
    int periodicity = -1;
    if (int st = step("KX_MODL_ask_curve_periodicity", [&] {
            const int got = KX_MODL_ask_curve_periodicity(g_spline, &periodicity);
            return got == 0 && periodicity != 1 ? 1 : got;
        }))
        return st;
    double near[3] = {4.1, 2.9, 2.6}, parm = -1;
    STEP(KX_MODL_ask_curve_parm_no_ext(g_spline, near, &parm));
    int n = 0;
    double* points = nullptr;
    const int listed = step("KX_MODL_ask_curve_points", [&] {
        const int got = KX_MODL_ask_curve_points(g_spline, 0.05, 20, 0, &n, &points);
        return got == 0 && n < 8 ? 1 : got;
    });
    KX_free(points);
    if (listed) return listed;
    double a[3] = {3, 1, -2}, b[3] = {-1, 4, 0.5}, small = 0, large = 0;
    STEP(KX_MODL_ask_vector_angle(a, b, &small, &large));
    int method = -1;
    return step("KX_MODL_ask_curve_fit_method", [&] { return KX_MODL_ask_curve_fit_method(&method); });
}

// Not faults: the closure query answers no status and arms no frame of its
// own, as documented: a host error in it goes to the caller's own handler.
// (The frame the simulation sees armed is that of the release of the
// curve's evaluator, which hands its error on the same way.)
TEST(EdgeWalkCurveFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"edge_walk_curves", curve_queries, spline_model});
    std::printf("%s", faultsim::describe(r).c_str());
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    std::vector<faultsim::Fault> not_faults;
    for (const faultsim::Fault& f : r.faults)
        if (f.where == "KX_MODL_ask_curve_closed" && f.check == "escaped") not_faults.push_back(f);
    EXPECT_EQ(faultsim::faults_of(r, not_faults), "");
}

// ---- a block's edge split by a channel ---------------------------------------

tag g_front_top = NULL_TAG;

// A block 70 x 45 x 20 with a channel 9 wide and 7 deep across its top:
// the top edge along the front (y 0, z 20) is cut in two.
void channel_model() {
    kxtest::fresh_process();
    KX_initialize();
    const unsigned int part = host::parts::create("edge_walk_channel.prt");
    CONTEXT_set_work_part(part);
    const char* sizes[] = {"70", "45", "20"};
    const double at[] = {0, 0, 0};
    unsigned int block = 0;
    FEAT_create(part, "BLOCK", 3, sizes, 3, at, 0, nullptr, 0, FEAT_SIGN_NEW, &block);
    const unsigned int body = FREC_ask_body(block);
    for (int e : host::kernel::edges_of(host::kernel::entity_of(body))) {
        double box[6];
        ZQ_TOPOL_find_box(e, box);
        if (std::abs(box[1]) < 1e-9 && std::abs(box[4]) < 1e-9 && std::abs(box[2] - 20) < 1e-9 &&
            std::abs(box[5] - 20) < 1e-9)
            g_front_top = host::kernel::object_of(e);
    }
    const char* channel[] = {"9", "60", "7"};
    const double channel_at[] = {23, -5, 13};
    unsigned int cut = 0;
    FEAT_create(part, "BLOCK", 3, channel, 3, channel_at, 0, nullptr, body, FEAT_SIGN_SUBTRACT, &cut);
    host::control::clear_journal();
}

int edge_queries() {
    STEP(KX_initialize());
    logical smooth = 9;
    STEP(KX_MODL_ask_edge_smoothness(g_front_top, 0.5, &smooth));
    double tolerance = -1;
    STEP(KX_MODL_ask_edge_tolerance(g_front_top, &tolerance));
    int n = 0;
    tag* pieces = nullptr;
    // The channel cut the edge in two; the first piece keeps the edge's tag.
    const int split = step("KX_MODL_ask_split_edges", [&] {
        const int got = KX_MODL_ask_split_edges(g_front_top, &n, &pieces);
        return got == 0 && (n != 2 || pieces[0] != g_front_top) ? 1 : got;
    });
    KX_free(pieces);
    if (split) return split;
    tag alive = NULL_TAG;
    return step("KX_MODL_ask_alive_edge", [&] {
        const int got = KX_MODL_ask_alive_edge(g_front_top, &alive);
        return got == 0 && alive != g_front_top ? 1 : got;
    });
}

TEST(EdgeWalkSplitFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"edge_walk_split", edge_queries, channel_model});
    std::printf("%s", faultsim::describe(r).c_str());
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

// ---- dimensions of a hole and a pad ------------------------------------------

tag g_hole = NULL_TAG, g_pad = NULL_TAG, g_vertical = NULL_TAG, g_to_rim = NULL_TAG, g_angle = NULL_TAG;

// The planar face of the body whose outward normal is n.
tag face_facing(unsigned int body, const double n[3]) {
    for (int f : host::kernel::faces_of(host::kernel::entity_of(body))) {
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        if (type == ZQ_SURF_PLANE && (d[0] * n[0] + d[1] * n[1] + d[2] * n[2]) * sense > 0.999)
            return host::kernel::object_of(f);
    }
    return NULL_TAG;
}

// The body's edge of the curve type through the point p along d (d ignored
// for a circle).
tag edge_of(unsigned int body, int type, const double p[3], int axis) {
    for (int e : host::kernel::edges_of(host::kernel::entity_of(body))) {
        int t = 0;
        double q[3], d[3], r = 0;
        ZQ_EDGE_ask_curve_data(e, &t, q, d, &r);
        if (t != type) continue;
        if (type == 3002 && std::abs(q[2] - p[2]) < 1e-9) return host::kernel::object_of(e);
        if (type == 3001 && std::abs(std::abs(d[axis]) - 1) < 1e-9) {
            bool on = true;
            for (int i = 0; i < 3; ++i)
                if (i != axis && std::abs(q[i] - p[i]) > 1e-9) on = false;
            if (on) return host::kernel::object_of(e);
        }
    }
    return NULL_TAG;
}

// A block 100 x 50 x 20; a hole of 10 at (30, 20) on its top placed 20
// from the front top edge and 15 from the left top edge to its rim; a pad
// 23 x 9 x 4 at (61, 27) whose long top edge makes an angle with the
// front top edge.
void dimension_model() {
    kxtest::fresh_process();
    KX_initialize();
    const unsigned int part = host::parts::create("edge_walk_dimensions.prt");
    CONTEXT_set_work_part(part);
    const char* sizes[] = {"100", "50", "20"};
    const double origin[] = {0, 0, 0};
    unsigned int block = 0;
    FEAT_create(part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &block);
    const unsigned int body = FREC_ask_body(block);
    const double up[] = {0, 0, 1};
    const tag top = face_facing(body, up);
    double at[] = {30, 20, 20}, into[] = {0, 0, -1};
    KX_MODL_create_simple_hole(at, into, "10", "8", "0", top, NULL_TAG, &g_hole);
    const double front_at[] = {0, 0, 20}, left_at[] = {0, 0, 20}, rim_at[] = {0, 0, 20};
    const tag front = edge_of(body, 3001, front_at, 0), left = edge_of(body, 3001, left_at, 1);
    const tag rim = edge_of(body, 3002, rim_at, 0);
    unsigned int c = 0;
    RPO_create_dimension(g_hole, RPO_DIM_VERTICAL, front, NULL_TAG, "20", &c);
    g_vertical = c;
    RPO_create_dimension(g_hole, RPO_DIM_PARALLEL_EDGE, left, rim, "25", &c);
    g_to_rim = c;
    double pad_at[] = {61, 27, 20}, pad_up[] = {0, 0, 1}, x[] = {1, 0, 0};
    const char* pad_sizes[] = {"23", "9", "4"};
    KX_MODL_create_rect_pad(pad_at, pad_up, x, pad_sizes, "0", "0", top, &g_pad);
    tag pad_edge = NULL_TAG;
    for (int e : host::kernel::edges_of(host::kernel::entity_of(body))) {
        int type = 0;
        double p[3], d[3], r = 0;
        ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
        if (type == 3001 && std::abs(std::abs(d[0]) - 1) < 1e-9 && std::abs(p[2] - 24) < 1e-9 && p[1] > 27)
            pad_edge = host::kernel::object_of(e);
    }
    RPO_create_dimension(g_pad, RPO_DIM_ANGLE, front, pad_edge, "0", &c);
    g_angle = c;
    host::control::clear_journal();
}

// The caller frees the expression text of a query that went through: a
// failed one hands out none.
int dimension_queries() {
    STEP(KX_initialize());
    double a[2], b[2], c[2], d[2];
    char* text = nullptr;
    tag tool = NULL_TAG, target = NULL_TAG;
    STEP(KX_MODL_ask_vert_dime(g_hole, g_vertical, 0, a, b, c, d, &text, &tool, &target));
    KX_free(text);
    STEP(KX_MODL_ask_angle_edge(g_pad, g_angle, 0, a, b, c, d, &text, &tool, &target));
    KX_free(text);
    int flag = -1;
    // To the rim, a closed edge: flag 0, and the expression read.
    STEP(KX_MODL_ask_para_edge(g_hole, g_to_rim, 0, a, b, c, d, &flag, &text, &tool, &target));
    KX_free(text);
    return flag == 0 ? 0 : 1;
}

TEST(EdgeWalkDimensionFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r =
        faultsim::simulate(faultsim::Story{"edge_walk_dimensions", dimension_queries, dimension_model});
    std::printf("%s", faultsim::describe(r).c_str());
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
