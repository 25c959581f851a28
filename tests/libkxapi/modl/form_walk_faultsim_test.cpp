// The form features, the primitives made in the work part, the chamfer,
// hollow, feature offset and circular instance set under fault simulation:
// a host error at each host call of a story must leave a clean status, no
// armed frame, no leaked block and, where a call failed, the model as
// before it.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <utility>
#include <vector>

#include "host/control/control.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/kernel/engine/kernel.h"
#include "host/model/feature/feature.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_part = 0;
tag g_top[8] = {};
tag g_body[8] = {};
tag_list *g_edges = nullptr, *g_holes = nullptr, *g_open = nullptr;
tag g_boss_face = NULL_TAG, g_hole = NULL_TAG, g_edge = NULL_TAG;

// A 100 x 50 x 20 block of its own at x = 200 i; its body and top face.
std::pair<tag, tag> block_at(int i) {
    const char* sizes[] = {"100", "50", "20"};
    const double origin[] = {200.0 * i, 0, 0};
    unsigned int block = 0;
    FEAT_create(g_part, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, 0, &block);
    const tag body = FREC_ask_body(block);
    tag top = NULL_TAG;
    for (int f : host::kernel::faces_of(host::kernel::entity_of(body))) {
        int type = 0, sense = 0;
        double p[3], d[3], r = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r, &r2, &sense);
        if (type == ZQ_SURF_PLANE && d[2] * sense > 0.999) top = host::kernel::object_of(f);
    }
    return {body, top};
}

// The cylindrical face of radius r of the body.
tag cylinder_of(tag body, double r) {
    for (int f : host::kernel::faces_of(host::kernel::entity_of(body))) {
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        if (type == ZQ_SURF_CYLINDER && std::fabs(r1 - r) < 1e-9) return host::kernel::object_of(f);
    }
    return NULL_TAG;
}

// Blocks of their own for the features of a story, a boss of diameter 30
// on the last for the grooves.
void blocks() {
    for (tag_list** list : {&g_edges, &g_holes, &g_open})  // of the set-up before
        if (*list) KX_MODL_delete_list(list);
    kxtest::fresh_process();
    KX_initialize();
    g_part = host::parts::create("forms.prt");
    host::parts::set_work_part(g_part);
    for (int i = 0; i < 8; ++i) std::tie(g_body[i], g_top[i]) = block_at(i);
    double at[] = {200.0 * 7 + 50, 25, 20}, up[] = {0, 0, 1};
    tag boss = NULL_TAG;
    KX_MODL_create_boss(at, up, "30", "15", "0", g_top[7], &boss);
    g_boss_face = cylinder_of(g_body[7], 15);
    double hole_at[] = {200.0 * 6 + 35, 25, 20}, into[] = {0, 0, -1};
    KX_MODL_create_simple_hole(hole_at, into, "10", "8", "118", g_top[6], NULL_TAG, &g_hole);
    g_edge = host::kernel::object_of(host::kernel::edges_of(host::kernel::entity_of(g_body[5])).front());
    BREF_set_current_target(g_body[6]);
    KX_MODL_create_list(&g_edges);
    KX_MODL_put_list_item(g_edges, g_edge);
    KX_MODL_create_list(&g_holes);
    KX_MODL_put_list_item(g_holes, g_hole);
    KX_MODL_create_list(&g_open);
    KX_MODL_put_list_item(g_open, g_top[4]);
    host::control::clear_journal();
}

int forms() {
    double into[] = {0, 0, -1}, up[] = {0, 0, 1}, x[] = {1, 0, 0};
    const char* sizes[] = {"20", "10", "5"};
    auto at = [](int i, double dx = 0) { return std::array<double, 3>{200.0 * i + 50 + dx, 25, 20}; };
    tag f = NULL_TAG;
    auto a0 = at(0, -25), a1 = at(0, 25), a2 = at(1, -25), a3 = at(1, 25), a4 = at(2, -20), a5 = at(2, 25),
         a6 = at(3), a7 = at(4);
    STEP(KX_MODL_create_c_bore_hole(a0.data(), into, "6", "10", "12", "3", "0", g_top[0], NULL_TAG, &f));
    STEP(KX_MODL_create_c_sunk_hole(a1.data(), into, "6", "10", "12", "90", "0", g_top[0], NULL_TAG, &f));
    STEP(KX_MODL_create_boss(a2.data(), up, "10", "5", "0", g_top[1], &f));
    STEP(KX_MODL_create_cyl_pocket(a3.data(), into, "12", "5", "1", "0", g_top[1], &f));
    STEP(KX_MODL_create_rect_pad(a4.data(), up, x, sizes, "0", "0", g_top[2], &f));
    STEP(KX_MODL_create_rect_pocket(a5.data(), into, x, sizes, "1", "0", "0", g_top[2], &f));
    STEP(KX_MODL_create_ball_slot(a6.data(), into, x, "10", "8", "30", g_top[3], NULL_TAG, NULL_TAG, &f));
    return faultsim::step("KX_MODL_create_dove_tail_slot", [&] {
        return KX_MODL_create_dove_tail_slot(a7.data(), into, x, "10", "5", "10", "30", g_top[4], NULL_TAG, NULL_TAG,
                                             &f);
    });
}

int grooves_and_more() {
    double mid[] = {200.0 * 7 + 50, 25, 27.5}, up[] = {0, 0, 1};
    tag f = NULL_TAG;
    STEP(KX_MODL_create_rect_groove(mid, up, "20", "4", g_boss_face, &f));
    mid[2] = 31;
    STEP(KX_MODL_create_ball_groove(mid, up, "20", "4", g_boss_face, &f));
    mid[2] = 24;
    STEP(KX_MODL_create_u_groove(mid, up, "20", "3", "1", g_boss_face, &f));
    STEP(KX_MODL_create_chamfer(1, "2", "3", "45", g_edges, &f));
    double origin[] = {1250, 25, 0};
    STEP(KX_MODL_create_circular_iset(0, origin, "3", "60", up, g_holes, &f));
    STEP(KX_MODL_create_hollow("2", g_open, &f));
    return faultsim::step("KX_MODL_create_feature_offset",
                          [&] { return KX_MODL_create_feature_offset("0.75", g_holes, &f); });
}

int primitives() {
    double corner[] = {-400, 0, 0}, at[] = {-150, 25, -5}, aside[] = {-120, 25, 20}, up[] = {0, 0, 1},
           far[] = {-600, 0, 0};
    const char* sizes[] = {"100", "50", "20"};
    const char* diameters[] = {"20", "10"};
    tag block = NULL_TAG, f = NULL_TAG;
    STEP(KX_MODL_create_block1(0, corner, sizes, &block));
    STEP(KX_MODL_create_cyl1(2, at, "30", "12", up, &f));
    STEP(KX_MODL_create_cone1(1, aside, diameters, "30", up, &f));
    return faultsim::step("KX_MODL_create_sphere1", [&] { return KX_MODL_create_sphere1(0, far, "20", &f); });
}

// A work part with one block, its body the current target.
void target_block() {
    kxtest::fresh_process();
    KX_initialize();
    g_part = host::parts::create("prims.prt");
    host::parts::set_work_part(g_part);
    std::tie(g_body[0], g_top[0]) = block_at(-1);
    BREF_set_current_target(g_body[0]);
    host::control::clear_journal();
}

void expect_clean(const faultsim::Story& story) {
    const faultsim::Report r = faultsim::simulate(story);
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

TEST(FormWalkFaultSimulation, FormFeatures) { expect_clean({"form_walk_forms", forms, blocks}); }
TEST(FormWalkFaultSimulation, GroovesChamferSetHollowOffset) {
    expect_clean({"form_walk_grooves", grooves_and_more, blocks});
    for (tag_list** list : {&g_edges, &g_holes, &g_open}) KX_MODL_delete_list(list);
}
// Not faults: the forms with the suffix 1 have no error handling of their
// own, as documented: a host error goes to the caller's own handler.
TEST(FormWalkFaultSimulation, PrimitivesInTheWorkPart) {
    const faultsim::Report r = faultsim::simulate({"form_walk_prims", primitives, target_block});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    std::vector<faultsim::Fault> not_faults;
    for (const faultsim::Fault& f : r.faults)
        if (f.check == "escaped") not_faults.push_back(f);
    EXPECT_EQ(faultsim::faults_of(r, not_faults), "");
}

}  // namespace
