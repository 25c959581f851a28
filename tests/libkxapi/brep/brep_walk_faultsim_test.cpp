// Boundary-representation queries and edits under fault simulation: the
// states, geometry, classes and identifiers of a small block's entities,
// geometry attached and taken away, healing and sewing faces into a new
// body. A host error at any host call ends clean (a failed call hands no
// records over and leaves the model as it was).
#include <gtest/gtest.h>

#include <vector>

#include "host/kernel/engine/kernel.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

int g_block = 0, g_face = 0, g_edge = 0;
std::vector<int> g_faces;

// A 7 x 5 x 3 block in a work part, made through the host.
void model() {
    kxtest::fresh_process();
    KX_initialize();
    const unsigned int part = host::parts::create("brep_walk.prt");
    host::parts::set_display_part(part);
    host::parts::set_work_part(part);
    const double at[3] = {1, 2, 0}, size[3] = {7, 5, 3};
    ZQ_BODY_make_block(at, size, &g_block);
    g_faces = host::kernel::faces_of(g_block);
    g_face = g_faces.at(0);
    g_edge = host::kernel::edges_of(g_block).at(0);
}

int queries() {
    int n = 0;
    brep_state* s = nullptr;
    STEP(KX_BREP_ask_topology(g_block, ZQ_CLASS_EDGE, 0, &n, &s));
    KX_free(s);
    s = nullptr;
    STEP(KX_BREP_validate_topology(g_block, &n, &s));
    KX_free(s);
    s = nullptr;
    int cls = 0;
    STEP(KX_BREP_ask_edge_class(g_edge, 1e-6, &cls));
    const int entities[] = {g_face, g_edge};
    int ng = 0;
    brep_geometry* g = nullptr;
    STEP(KX_BREP_ask_geometry(2, entities, 1, &ng, &g, &n, &s));
    KX_free(s);
    s = nullptr;
    STEP(KX_BREP_free_geometry_data(ng, g));
    int source = 0;
    STEP(KX_BREP_ask_topology_source(g_face, &source));
    int id = 0;
    faultsim::step("KX_BREP_ask_identifier", [&] {
        KX_BREP_ask_identifier(g_edge, &id);
        return 0;
    });
    const int bodies[] = {g_block};
    return faultsim::step("KX_BREP_release_topology", [&] { return KX_BREP_release_topology(1, bodies); });
}

int edits() {
    brep_geometry line{};
    line.type = ZQ_CURVE_LINE;
    line.point[0] = 2, line.point[1] = 3, line.point[2] = 9;
    line.direction[2] = 4;
    int tags[1] = {0}, n = 0;
    brep_state* s = nullptr;
    STEP(KX_BREP_attach_geometry(g_block, 1, &line, tags, &n, &s));
    KX_free(s);
    s = nullptr;
    STEP(KX_BREP_delete_geometry(tags[0]));
    int changed = 0;
    STEP(KX_BREP_heal_body(host::kernel::object_of(g_block), 1e-6, 1e-3, &changed, &n, &s));
    KX_free(s);
    s = nullptr;
    const brep_face_set set{static_cast<int>(g_faces.size()), g_faces.data(), 1e-6};
    int made = 0;
    STEP(KX_BREP_make_body(&set, &made, &n, &s));
    KX_free(s);
    return 0;
}

TEST(BrepWalkFaultSimulation, Queries) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"brep_queries", queries, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

TEST(BrepWalkFaultSimulation, AttachHealAndSew) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"brep_edits", edits, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

}  // namespace
