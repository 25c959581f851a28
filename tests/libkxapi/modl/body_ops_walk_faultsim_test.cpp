// Trimming, booleans between bodies, the boolean's body replaced, scaling
// and the datums and points features under fault
// simulation: a host error at each host call of a story must leave a clean
// status, no armed frame, no leaked block and, where a call failed, the
// model as before it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/kernel/engine/kernel.h"
#include "host/store/entities/curve_entities.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/profiles.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/parts.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_part = 0;
tag g_body[6] = {}, g_tool[2] = {}, g_plane = NULL_TAG, g_boolean = NULL_TAG, g_other = NULL_TAG;

tag block(std::vector<double> origin, std::vector<std::string> texts) {
    const char* formulas[3] = {texts[0].c_str(), texts[1].c_str(), texts[2].c_str()};
    unsigned int feature = 0;
    FEAT_create(g_part, "BLOCK", 3, formulas, 3, origin.data(), 0, nullptr, 0, FEAT_SIGN_NEW, &feature);
    return FREC_ask_body(feature);
}

void new_part(const char* name) {
    kxtest::fresh_process();
    KX_initialize();
    g_part = host::parts::create(name);
    host::parts::set_work_part(g_part);
}

// Blocks apart in X, a datum plane across the first, a tool overlapping
// the second, and a union on the third whose tool may be replaced.
void bodies() {
    new_part("bodyops_walk.prt");
    for (int i = 0; i < 6; ++i) g_body[i] = block({300.0 * i, 0, 0}, {"100", "50", "20"});
    const double at[3] = {30, 0, 0}, x[3] = {1, 0, 0};
    g_plane = host::profiles::create_direction_object(g_part, HOST_TYPE_DATUM_PLANE, at, x);
    KX_MODL_unite_bodies(g_body[3], block({990, 0, 0}, {"20", "50", "20"}));
    int n = 0;
    unsigned int* f = nullptr;
    FREC_ask_body_features(g_body[3], &n, &f);
    g_boolean = n > 0 ? f[n - 1] : NULL_TAG;
    KX_free(f);
    g_other = block({870, 0, 0}, {"40", "50", "20"});
    g_tool[0] = block({370, 10, 5}, {"60", "20", "30"});
    g_tool[1] = block({630, 10, -5}, {"25", "30", "40"});
    host::control::clear_journal();
}

int booleans_and_scales() {
    tag f = NULL_TAG;
    STEP(KX_MODL_trim_body(g_body[0], g_plane, 1, &f));
    int count = 0;
    tag* made = nullptr;
    STEP(KX_MODL_intersect_bodies(g_body[1], g_tool[0], &count, &made));
    KX_free(made);
    STEP(KX_MODL_operations(g_body[2], g_tool[1], 2));
    STEP(KX_MODL_replace_boolean_body(g_boolean, 1, g_other));
    STEP(KX_MODL_create_uniform_scale(g_body[4], NULL_TAG, "1.5", &f));
    const char* three[3] = {"1.25", "1", "0.5"};
    return faultsim::step("KX_MODL_create_non_uni_scale",
                          [&] { return KX_MODL_create_non_uni_scale(g_body[5], NULL_TAG, three, &f); });
}

// A square sheet of side 10 on a face of the cube [0, 10]^3.
tag square(int axis, double at) {
    const int u = (axis + 1) % 3, v = (axis + 2) % 3;
    double pts[12] = {};
    const double corners[4][2] = {{0, 0}, {10, 0}, {0, 10}, {10, 10}};
    for (int i = 0; i < 4; ++i) {
        pts[3 * i + axis] = at;
        pts[3 * i + u] = corners[i][0];
        pts[3 * i + v] = corners[i][1];
    }
    int body = 0;
    ZQ_BODY_points_sheet(2, 2, pts, &body);
    return host::kernel::object_of(body);
}

tag g_sheet[3] = {};
unsigned int g_point[2] = {};
tag g_dirr = NULL_TAG;

void sheets_and_points() {
    new_part("datums_walk.prt");
    g_sheet[0] = square(2, 0);
    g_sheet[1] = square(0, 0);
    g_sheet[2] = square(1, 0);
    const double at[3] = {1, 2, 3}, other[3] = {4, 5, 6};
    ES_create_point(at, &g_point[0]);
    ES_create_point(other, &g_point[1]);
    double z[3] = {0, 0.6, 0.8};
    KX_SO_create_dirr_doubles(g_part, 0, z, &g_dirr);
    host::control::clear_journal();
}

int datums() {
    tag axis = NULL_TAG, plane = NULL_TAG, points = NULL_TAG;
    STEP(KX_MODL_create_point_dirr_daxis(g_point[0], g_dirr, &axis));
    STEP(KX_MODL_edit_point_dirr_daxis_size(axis, 12.5));
    STEP(KX_MODL_create_point_dirr_dplane(g_point[1], g_dirr, &plane));
    tag both[2] = {g_point[0], g_point[1]};
    return faultsim::step("KX_MODL_create_points_feature",
                          [&] { return KX_MODL_create_points_feature(2, both, &points); });
}

void expect_clean(const faultsim::Story& story) {
    const faultsim::Report r = faultsim::simulate(story);
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

TEST(BodyOpsWalkFaultSimulation, BooleansTrimAndScales) {
    expect_clean({"body_ops_walk_booleans", booleans_and_scales, bodies});
}
TEST(BodyOpsWalkFaultSimulation, DatumsAndPoints) {
    expect_clean({"body_ops_walk_datums", datums, sheets_and_points});
}

}  // namespace
