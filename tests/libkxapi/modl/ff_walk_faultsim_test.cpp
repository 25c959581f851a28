// Ruled bodies, curve meshes, string directions and the edit of a trimmed
// sheet under fault simulation: a host error at each host call of the story
// must leave a clean status, no armed frame, no leaked block and, where a
// call failed, the model as before it.
#include <gtest/gtest.h>

#include <numbers>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "kx_modl_law.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_low = 0, g_high = 0, g_wider = 0;
unsigned int g_mesh[4] = {};
tag g_trimmed = NULL_TAG;

unsigned int line(unsigned int part, std::vector<double> ends) {
    unsigned int l = 0;
    ES_create_line_in_part(part, ends.data(), &l);
    return l;
}

// Two circles for a ruled body, four lines for a mesh, and a 100 x 100
// plane sheet at z = 40 trimmed by a circle of radius 10 (the disc kept),
// with a wider circle for its edit.
void curves_and_sheet() {
    kxtest::fresh_process();
    KX_initialize();
    const unsigned int part = host::parts::create("ff_walk.prt");
    host::parts::set_work_part(part);
    const double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    unsigned int m = 0;
    ES_create_matrix_in_part(part, rows, 3, &m);
    auto circle = [&](double x, double y, double z, double r) {
        const double data[6] = {0, 2 * std::numbers::pi, x, y, z, r};
        unsigned int arc = 0;
        ES_create_arc(data, m, &arc);
        return arc;
    };
    g_low = circle(250, 25, 10, 10);
    g_high = circle(250, 25, 30, 7.5);
    g_mesh[0] = line(part, {300, 0, 40, 330, 0, 40});
    g_mesh[1] = line(part, {300, 20, 40, 330, 20, 40});
    g_mesh[2] = line(part, {300, 0, 40, 300, 20, 40});
    g_mesh[3] = line(part, {330, 0, 40, 330, 20, 40});
    const double c[5][2] = {{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}};
    std::vector<tag> sides;
    for (int i = 0; i < 4; ++i) sides.push_back(line(part, {c[i][0], c[i][1], 40, c[i + 1][0], c[i + 1][1], 40}));
    int per[1] = {4}, dir[1] = {1};
    string_list boundary{1, per, dir, sides.data()};
    double tol[3] = {0.001, 0.5, 0.02};
    tag plane = NULL_TAG;
    KX_MODL_create_bplane(&boundary, tol, &plane);
    tag sheet = NULL_TAG;
    KX_MODL_ask_feat_body(plane, &sheet);
    tag cut = circle(50, 50, 60, 10);
    g_wider = circle(50, 50, 60, 20);
    KX_MODL_vector along{};
    along.u.components[2] = 1.0;
    double point[3] = {50, 50, 40};
    tag body = NULL_TAG;
    int faces = 0;
    KX_MODL_create_trimmed_sheet(sheet, 1, &cut, &along, 1, point, 0, 0.001, 0.5, &body, &faces, &g_trimmed);
    host::control::clear_journal();
}

int free_forms() {
    int per[2] = {1, 1}, dir[2] = {0, 0};
    tag both[2] = {g_low, g_high};
    string_list sections{2, per, dir, both};
    double near_starts[2][3] = {{260, 25, 10}, {257.5, 25, 30}};
    STEP(KX_MODL_assign_string_directions(near_starts, &sections));
    int align = 1, end = 0, solid = 1;
    double values[6] = {}, tol[3] = {0, 0.5, 0.02};
    tag ruled = NULL_TAG;
    STEP(KX_MODL_create_ruled(&sections, nullptr, &align, values, &end, &solid, 0, tol, &ruled));
    int mesh_per[2] = {1, 1}, mesh_dir[2] = {1, 1};
    string_list primary{2, mesh_per, mesh_dir, &g_mesh[0]};
    string_list cross{2, mesh_per, mesh_dir, &g_mesh[2]};
    int method = 1, sheet_body = 1, flag = 0;
    double mesh_tol[3] = {0.001, 0.5, 0.02};
    tag mesh = NULL_TAG;
    STEP(KX_MODL_create_curve_mesh1(&primary, &cross, nullptr, &end, &method, &sheet_body, nullptr, &flag, 0,
                                    NULL_TAG, mesh_tol, nullptr, nullptr, nullptr, &mesh));
    KX_MODL_vector along{};
    along.u.components[2] = 1.0;
    double point[3] = {50, 50, 40};
    return faultsim::step("KX_MODL_edit_trimmed_sheet", [&] {
        return KX_MODL_edit_trimmed_sheet(g_trimmed, 1, &g_wider, &along, 1, point, 1, 0.001, 0.5);
    });
}

TEST(FreeFormWalkFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"ff_walk", free_forms, curves_and_sheet});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
