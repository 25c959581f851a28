// Trimmed and enlarged sheets under fault simulation: a host error at any
// host call of a creation, edit or query ends in a clean status, the model
// as before and no temporary mark or frame left.
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
#include "kx_modl_law.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"
#include "tests/libkxapi/modl/host_block.h"

namespace {

#define STEP FAULTSIM_STEP

unsigned int g_top = 0, g_circle = 0;

void model() {
    const auto [part, block] = fresh_host_block("sheets.prt");
    const unsigned int body = FREC_ask_body(block);
    for (int f : host::kernel::faces_of(host::kernel::entity_of(body))) {
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        if (type == ZQ_SURF_PLANE && std::abs(d[2] * sense - 1.0) < 1e-9) g_top = host::kernel::object_of(f);
    }
    const double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    unsigned int m = 0;
    ES_create_matrix_in_part(part, rows, 3, &m);
    const double data[6] = {0, 2 * std::numbers::pi, 50, 25, 40, 10};
    ES_create_arc(data, m, &g_circle);
    host::control::clear_journal();
}

int sheets() {
    STEP(KX_initialize());
    char t10[] = "10", t5[] = "5";
    char* percent[4] = {t10, t10, t5, t5};
    tag enlarged = NULL_TAG;
    int st = faultsim::step("KX_MODL_create_enlarge",
                            [&] { return KX_MODL_create_enlarge(g_top, 1, percent, 0.01, &enlarged); });
    if (st) return enlarged == NULL_TAG ? st : -1;
    STEP(KX_MODL_edit_enlarge(enlarged, 0, percent, 0.02));
    tag face = NULL_TAG;
    int type = 0;
    char* texts[4] = {};
    double tolerance = 0;
    st = faultsim::step("KX_MODL_ask_enlarge",
                        [&] { return KX_MODL_ask_enlarge(enlarged, &face, &type, texts, &tolerance); });
    for (char* t : texts) KX_free(t);
    if (st) return st;
    const unsigned int sheet = host::feature::find(enlarged)->results.front();
    KX_MODL_vector along{};
    along.type = 0;
    along.u.components[2] = 1.0;
    double point[3] = {50, 25, 0};
    tag body = NULL_TAG, trimmed = NULL_TAG;
    int faces = 0;
    st = faultsim::step("KX_MODL_create_trimmed_sheet", [&] {
        return KX_MODL_create_trimmed_sheet(sheet, 1, &g_circle, &along, 1, point, 0, 0.001, 0.5, &body, &faces,
                                            &trimmed);
    });
    if (st) return st;
    tag back = NULL_TAG, *bounds = nullptr;
    int n = 0, np = 0, region = 0;
    double* points = nullptr;
    double tols[2];
    KX_MODL_vector method{};
    st = faultsim::step("KX_MODL_ask_trimmed_sheet", [&] {
        return KX_MODL_ask_trimmed_sheet(trimmed, &back, &n, &bounds, &method, &np, &points, &region, tols);
    });
    KX_free(bounds);
    KX_free(points);
    return st;
}

TEST(TrimmedAndEnlargedSheetsFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"trimmed and enlarged sheets", sheets, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
