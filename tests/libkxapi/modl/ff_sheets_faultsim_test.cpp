// Sheets from faces and points under fault simulation: a host error at any
// host call of a variable offset, thickened sheet, bridge, cloud fit or
// reversed normal ends in a clean status with NULL_TAG, the model as
// before and no temporary mark or frame left.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <tuple>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/face_data.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"
#include "tests/libkxapi/modl/host_block.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_part = 0, g_top = 0;
std::array<std::vector<unsigned int>, 2> g_rects;
// Inputs found before the story: the two sheets, their faces and facing
// edges, and the top face's parameter box.
tag g_sheets[2] = {}, g_faces[2] = {}, g_edges[2] = {};
int g_dirs[2] = {1, 1};
double g_u[2] = {}, g_v[2] = {};

std::vector<unsigned int> rectangle(double x0, double y0, double x1, double y1, double z) {
    const double c[5][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
    std::vector<unsigned int> out;
    for (int i = 0; i < 4; ++i) {
        const double ends[6] = {c[i][0], c[i][1], z, c[i + 1][0], c[i + 1][1], z};
        unsigned int l = 0;
        ES_create_line_in_part(g_part, ends, &l);
        out.push_back(l);
    }
    return out;
}

// The sheet body of a bounded plane over the rectangle.
void sheet(int i, tag* body) {
    double tol[3] = {0.001, 0.5, 0.02};
    int per[1] = {4}, dir[1] = {1};
    string_list l{1, per, dir, g_rects[i].data()};
    tag f = NULL_TAG;
    KX_MODL_create_bplane(&l, tol, &f);
    *body = FREC_ask_body(f);
}

// The edge of the sheet along x at height y, and its direction towards +x.
std::pair<tag, int> edge_at_y(tag body, double y) {
    for (int e : host::kernel::edges_of(host::kernel::entity_of(body))) {
        int type = 0;
        double p[3], d[3], r = 0;
        ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
        if (std::abs(p[1] - y) < 1e-9 && std::abs(d[1]) < 1e-9) return {host::kernel::object_of(e), d[0] > 0 ? 1 : -1};
    }
    return {NULL_TAG, 1};
}

void model() {
    const auto [part, block] = fresh_host_block("sheets.prt");
    g_part = part;
    const int body = host::kernel::entity_of(FREC_ask_body(block));
    for (int f : host::kernel::faces_of(body)) {
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        if (type == ZQ_SURF_PLANE && d[2] * sense > 0.999) g_top = host::kernel::object_of(f);
    }
    g_rects = {rectangle(0, 0, 100, 20, 60), rectangle(0, 30, 100, 50, 60)};
    KX_initialize();
    for (int i = 0; i < 2; ++i) {
        sheet(i, &g_sheets[i]);
        g_faces[i] = host::kernel::object_of(host::kernel::faces_of(host::kernel::entity_of(g_sheets[i])).at(0));
    }
    std::tie(g_edges[0], g_dirs[0]) = edge_at_y(g_sheets[0], 20);
    std::tie(g_edges[1], g_dirs[1]) = edge_at_y(g_sheets[1], 30);
    int ifail = 0, face = host::kernel::entity_of(g_top);
    KI_enpben(&face, g_u, g_v, &ifail);
    host::control::clear_journal();
}

int creations() {
    STEP(KX_initialize());
    tag r = NULL_TAG;
    const auto checked = [&](const char* name, const std::function<int()>& call) {
        r = NULL_TAG;
        const int st = faultsim::step(name, call);
        return st != 0 && r != NULL_TAG ? -1 : st;
    };
    char five[] = "5", ten[] = "10";
    char* offsets[4] = {five, five, ten, ten};
    double points[4][2] = {{g_u[0], g_v[0]}, {g_u[1], g_v[0]}, {g_u[1], g_v[1]}, {g_u[0], g_v[1]}};
    if (int st = checked("KX_MODL_create_variable_offset",
                         [&] { return KX_MODL_create_variable_offset(g_top, offsets, points, &r); }))
        return st;
    if (int st = checked("KX_MODL_create_thicken_sheet",
                         [&] { return KX_MODL_create_thicken_sheet(g_sheets[0], "2", "0", 0, &r); }))
        return st;
    if (int st = checked("KX_MODL_create_bridge_face", [&] {
            return KX_MODL_create_bridge_face(1, nullptr, g_faces, g_edges, g_dirs, nullptr, nullptr, nullptr,
                                              nullptr, &r);
        }))
        return st;
    std::vector<double> cloud;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) cloud.insert(cloud.end(), {10.0 * i, 7.0 * j, 5.0 * i + 1.4 * j});
    const double square[12] = {0, 0, 0, 30, 0, 0, 30, 21, 0, 0, 21, 0};
    cloud_boundary boundary{4, square};
    double directions[6] = {1, 0, 0, 0, 1, 0};
    if (int st = checked("KX_MODL_create_surf_from_cloud", [&] {
            return KX_MODL_create_surf_from_cloud(16, reinterpret_cast<double(*)[3]>(cloud.data()), directions,
                                                  &boundary, 3, 3, 1, 1, 0, nullptr, nullptr, nullptr, &r);
        }))
        return st;
    return checked("KX_MODL_create_reverse_normal",
                   [&] { return KX_MODL_create_reverse_normal(g_sheets[1], 1, &r); });
}

TEST(SheetsFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report rep = faultsim::simulate(faultsim::Story{"sheets from faces and points", creations, model});
    EXPECT_EQ(rep.problem, "");
    EXPECT_GT(rep.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(rep), "");
}

}  // namespace
