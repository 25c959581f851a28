// Facetted models under fault simulation: the queries of a facetted block
// (facets, faces, vertices, convexity, the solid and its parameters), its
// update and disassociation, and a tetrahedron's adjacencies set and
// rebuilt. A host error at any host call ends clean (a failed call hands
// nothing over and leaves the model as it was).
#include <gtest/gtest.h>

#include "host/kernel/engine/kernel.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_part = 0;
tag g_solid = NULL_TAG, g_model = NULL_TAG, g_tetra = NULL_TAG;

// A 4 x 6 x 9 block facetted with the defaults, and a tetrahedron built
// facet by facet, made before the story.
void model() {
    kxtest::fresh_process();
    KX_initialize();
    g_part = host::parts::create("facet_walk.prt");
    host::parts::set_work_part(g_part);
    const double o[3] = {1, 0, 2}, s[3] = {4, 6, 9};
    int made = 0;
    ZQ_BODY_make_block(o, s, &made);
    g_solid = host::kernel::object_of(made);
    KX_FACET_facet_solid(g_solid, nullptr, &g_model);
    KX_FACET_create_model(g_part, &g_tetra);
    static constexpr double corners[4][3] = {{0, 0, 0}, {3, 0, 0}, {0, 2, 0}, {0, 0, 5}};
    static constexpr int faces[4][3] = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
    for (const auto& t : faces) {
        double v[3][3];
        for (int i = 0; i < 3; ++i)
            for (int k = 0; k < 3; ++k) v[i][k] = corners[t[i]][k];
        int hints[3] = {0, 0, 0}, facet = 0;
        KX_FACET_add_facet_to_model(g_tetra, 3, v, nullptr, hints, &facet);
    }
    KX_FACET_model_edits_done(g_tetra);
}

int solid_queries() {
    const tag m = g_model;
    facet_parameters p{};
    p.version = KX_FACET_PARAMETERS_VERSION;
    STEP(KX_FACET_ask_model_parameters(m, &p));
    p.max_length = 40;
    STEP(KX_FACET_set_default_parameters(&p));
    char up = 0;
    STEP(KX_FACET_is_model_up_to_date(m, &up));
    tag solid = NULL_TAG;
    STEP(KX_FACET_ask_solid_of_model(m, &solid));
    STEP(KX_FACET_ask_available_solid(m, &solid));
    int count = 0;
    tag* models = nullptr;
    STEP(KX_FACET_ask_models_of_solid(g_solid, &count, &models));
    KX_free(models);
    int faces = 0, facet = -1;
    STEP(KX_FACET_ask_num_faces(m, &faces));
    STEP(KX_FACET_cycle_facets(m, &facet));
    tag face = NULL_TAG;
    STEP(KX_FACET_ask_solid_face_of_facet(m, facet, &face));
    int id = 0;
    STEP(KX_FACET_ask_face_id_of_solid_face(m, face, &id));
    STEP(KX_FACET_ask_face_id_of_facet(m, facet, &id));
    STEP(KX_FACET_ask_solid_face_of_face_id(m, id, &face));
    int in_face = 0, first = -1;
    STEP(KX_FACET_ask_num_facets_in_face(m, id, &in_face));
    STEP(KX_FACET_cycle_facets_in_face(m, id, &first));
    int most = 0, n = 0;
    STEP(KX_FACET_ask_max_facet_verts(m, &most));
    STEP(KX_FACET_ask_num_verts_in_facet(m, facet, &n));
    double v[16][3], normals[16][3], params[16][2];
    STEP(KX_FACET_ask_vertices_of_facet(m, facet, &n, v));
    STEP(KX_FACET_ask_normals_of_facet(m, facet, &n, normals));
    STEP(KX_FACET_ask_params_of_facet(m, facet, &n, params));
    double normal[3], d = 0;
    STEP(KX_FACET_ask_plane_equation(m, facet, normal, &d));
    int adjacent = 0, adjacent_edge = 0, sense = 0, edge = 0, convexity = 0;
    STEP(KX_FACET_ask_adjacent_facet(m, facet, 1, &adjacent, &adjacent_edge));
    STEP(KX_FACET_find_edge_in_facet(m, facet, v[1], v[2], &sense, &edge));
    STEP(KX_FACET_ask_vertex_convexity(m, facet, 1, &convexity));
    STEP(KX_FACET_ask_edge_convexity(m, facet, 1, &convexity));
    char convex = 0;
    STEP(KX_FACET_is_facet_convex(m, facet, &convex));
    return 0;
}

int edits() {
    STEP(KX_FACET_update_model(g_model, nullptr));
    STEP(KX_FACET_disassoc_from_solid(g_model));
    int adjacent = 0, adjacent_edge = 0;
    STEP(KX_FACET_ask_adjacent_facet(g_tetra, 0, 2, &adjacent, &adjacent_edge));
    STEP(KX_FACET_set_adjacent_facet(g_tetra, 0, 2, -1));
    STEP(KX_FACET_rebuild_adjacencies(g_tetra));
    return 0;
}

TEST(FacetWalkFaultSimulation, QueriesOfAFacettedSolid) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"facet_solid_queries", solid_queries, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

TEST(FacetWalkFaultSimulation, UpdateDisassociateAndAdjacencies) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"facet_edits", edits, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

}  // namespace
