// The edge blend by record, the blend routines' registration and the law
// radii of a face blend under fault simulation: a host error at each host
// call of the story must leave a clean status, no armed frame, no leaked
// block and, where a call failed, the model as before it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "host/control/control.h"
#include "host/kernel/engine/kernel.h"
#include "host/model/feature/feature.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_bottom = 0, g_front = 0, g_edge = 0;
tag g_blend = NULL_TAG;

// A 100 x 50 x 20 block made through the host; its bottom and front faces
// and an edge of its top face.
void block() {
    kxtest::fresh_process();
    KX_initialize();
    const unsigned int part = host::parts::create("blend_walk.prt");
    host::parts::set_work_part(part);
    const char* formulas[3] = {"100", "50", "20"};
    const double origin[3] = {0, 0, 0};
    unsigned int feature = 0;
    FEAT_create(part, "BLOCK", 3, formulas, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &feature);
    const int body = host::kernel::entity_of(FREC_ask_body(feature));
    for (int f : host::kernel::faces_of(body)) {
        double box[6];
        ZQ_TOPOL_find_box(f, box);
        if (std::abs(box[2]) < 1e-6 && std::abs(box[5]) < 1e-6) g_bottom = host::kernel::object_of(f);
        if (std::abs(box[1]) < 1e-6 && std::abs(box[4]) < 1e-6) g_front = host::kernel::object_of(f);
    }
    for (int e : host::kernel::edges_of(body)) {
        double box[6];
        ZQ_TOPOL_find_box(e, box);
        if (std::abs(box[2] - 20) < 1e-6 && std::abs(box[5] - 20) < 1e-6 && std::abs(box[1] - 50) < 1e-6 &&
            std::abs(box[4] - 50) < 1e-6)
            g_edge = host::kernel::object_of(e);
    }
}

// The block and a face blend between its bottom and front faces whose
// radius (the third law of the record) and both ranges are constant laws.
void law_blend() {
    block();
    tag first[1] = {g_bottom}, second[1] = {g_front};
    face_blend_data d{};
    KX_MODL_init_face_blend_data(&d);
    char* own_tolerance = d.tolerance;
    char* own_radius = d.radius;
    d.faces_1 = first;
    d.number_of_faces_1 = 1;
    d.faces_2 = second;
    d.number_of_faces_2 = 1;
    d.radius_type = 3;
    KX_MODL_law laws[3] = {};
    KX_MODL_parm parms[3] = {};
    KX_MODL_parm* of[3] = {};
    const char* values[3] = {"3", "5", "4"};
    for (int i = 0; i < 3; ++i) {
        std::strcpy(laws[i].u.values.start_value, values[i]);
        parms[i].method = 2;
        parms[i].u.law = &laws[i];
        of[i] = &parms[i];
    }
    d.laws = of;
    int n1 = 0, n2 = 0;
    tag *r1 = nullptr, *r2 = nullptr;
    KX_MODL_create_face_blend(&d, nullptr, &g_blend, &n1, &r1, &n2, &r2);
    KX_free(r1);
    KX_free(r2);
    KX_free(own_tolerance);
    KX_free(own_radius);
    host::control::clear_journal();
}

int cliff(tag edge, tag* cliff_edge) {
    *cliff_edge = edge;
    return 0;
}
int var(tag, double[][3], char[][KX_MODL_BLEND_TEXT_CHARS], int, int, int, double, int* count) {
    *count = 0;
    return 0;
}

int edge_blend() {
    STEP(KX_MODL_register_var_blend(var));
    STEP(KX_MODL_unregister_var_blend());
    STEP(KX_MODL_register_cliff_blend(cliff));
    STEP(KX_MODL_unregister_cliff_blend());
    edge_blend_edge entry{};
    entry.edge = g_edge;
    entry.number_of_points = 0;
    std::strcpy(entry.limit_1, "-1.0");
    std::strcpy(entry.limit_2, "-1.0");
    edge_blend_data in{};
    in.tolerance = 0.02;
    std::strcpy(in.default_radius, "3.5");
    in.number_of_edges = 1;
    in.edges = &entry;
    tag feature = NULL_TAG;
    return faultsim::step("KX_MODL_create_edge_blend", [&] { return KX_MODL_create_edge_blend(&in, &feature); });
}

int law_radii() {
    const double radius[1] = {6.5}, range[1] = {2.5};
    STEP(KX_MODL_set_face_blend_law_radii(g_blend, radius, 1));
    STEP(KX_MODL_set_face_blend_law_range2_radii(g_blend, range, 1));
    return faultsim::step("KX_MODL_update", [] { return KX_MODL_update(); });
}

void expect_clean(const faultsim::Story& story) {
    const faultsim::Report r = faultsim::simulate(story);
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

// Not a fault: an error raised as the host's release of its blend data
// begins leaves those blocks with the host (it kept them); the call fails
// and the model is as before.
TEST(BlendWalkFaultSimulation, EdgeBlendByRecord) {
    const faultsim::Report r = faultsim::simulate({"blend_walk_edge", edge_blend, [] {
                                                       block();
                                                       host::control::clear_journal();
                                                   }});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    std::vector<faultsim::Fault> not_faults;
    for (const faultsim::Fault& f : r.faults)
        if (f.call == "BLEND_clean_ui_data" && f.check == "leak") not_faults.push_back(f);
    EXPECT_EQ(faultsim::faults_of(r, not_faults), "");
}
TEST(BlendWalkFaultSimulation, LawRadiiOfAFaceBlend) { expect_clean({"blend_walk_law", law_radii, law_blend}); }

}  // namespace
