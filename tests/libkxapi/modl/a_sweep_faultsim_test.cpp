// Free-form and extrusion definition queries under fault simulation: every
// run with a host error at one host call ends clean (nothing handed out
// and nothing leaked on failure, no mark, frame or analysed block left).
#include <gtest/gtest.h>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/freeform/freeform_defs.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"
#include "tests/libkxapi/modl/host_block.h"

namespace {

#define STEP FAULTSIM_STEP

namespace ff = host::freeform;

unsigned int g_sweep = 0, g_mesh = 0, g_thru = 0, g_ruled = 0, g_bplane = 0, g_thicken = 0, g_extrusion = 0;

void model() {
    const auto [part, block] = fresh_host_block("freeform.prt");
    const int body = host::kernel::entity_of(FREC_ask_body(block));
    const unsigned int face = host::kernel::object_of(host::kernel::faces_of(body)[0]);
    const unsigned int edge = host::kernel::object_of(host::kernel::edges_of(body)[0]);
    std::vector<unsigned int> lines;
    for (int i = 0; i < 6; ++i) {
        const double ends[6] = {0, 10.0 * i, 40, 50, 10.0 * i, 40};
        unsigned int l = 0;
        ES_create_line_in_part(part, ends, &l);
        lines.push_back(l);
    }
    const auto one = [&](int i) { return ff::Strings{{1}, {1}, {lines[i]}}; };
    const auto two = [&](int i, int j) { return ff::Strings{{1, 1}, {1, -1}, {lines[i], lines[j]}}; };

    ff::SkinDefinition s;
    s.kind = SKIN_KIND_SWEEP;
    s.first = one(0);
    s.second = two(1, 2);
    s.single = one(3);
    s.method_curves[0] = one(4);
    s.method_curves[1] = one(5);
    s.params = {0, 0, 2, 6, 5};
    s.values = {"1", "2", "3", "4", "5", "6"};
    ff::create_skin(part, s, &g_sweep);

    ff::SkinDefinition m;
    m.kind = SKIN_KIND_CURVE_MESH;
    m.first = two(0, 1);
    m.second = two(2, 3);
    m.face_storage = 2;
    m.faces = {face, face};
    m.faces_per_boundary = {1, 0, 1, 0};
    ff::create_skin(part, m, &g_mesh);

    ff::SkinDefinition t;
    t.kind = SKIN_KIND_THRU_CURVES;
    t.first = two(0, 1);
    t.values = {"1", "2", "3", "4", "5", "6"};
    t.alignment = 4;
    t.faces = {face};
    ff::create_skin(part, t, &g_thru);

    ff::SkinDefinition r = t;
    r.kind = SKIN_KIND_RULED;
    r.alignment = 3;
    ff::create_skin(part, r, &g_ruled);

    ff::SkinDefinition b;
    b.kind = SKIN_KIND_BPLANE;
    b.first = two(0, 1);
    ff::create_skin(part, b, &g_bplane);

    const double corners[] = {0, 0, 60, 10, 0, 60, 10, 10, 60};
    int wire = 0, sheet = 0;
    ZQ_BODY_make_wire(3, corners, 1, &wire);
    ZQ_BODY_make_plane_sheet(wire, &sheet);
    unsigned int sheet_body = 0;
    pxlook_(&sheet, &sheet_body);
    ff::create_thicken(part, {sheet_body, "2", "1"}, &g_thicken);

    ff::ExtrusionDefinition e;
    e.method = SWEEP_METHOD_TRIM_BETWEEN;
    e.profile = {lines[0], edge};
    e.taper = "5";
    e.limits[0] = "0";
    e.limits[1] = "10";
    e.trim_faces = {face, face};
    ff::create_extrusion(part, e, &g_extrusion);
    host::control::clear_journal();
}

void free_list(string_list* l) { KX_MODL_free_string_list(l); }

void free_method(sweep_method& m) {
    if (!m.curves) return;
    KX_MODL_free_string_list(m.curves);
    KX_free(m.curves);
}

int queries() {
    STEP(KX_initialize());
    string_list a{}, b{}, c{};
    sweep_method m1{}, m2{};
    int i1 = 0, i2 = 0, i3 = 0, i4 = 0, i5 = 0, cont[4] = {};
    double v[3] = {}, av[6] = {};
    unsigned int faces[4] = {};
    // Whatever the status, the caller frees what it holds.
    const auto drop = [&] {
        for (string_list* l : {&a, &b, &c}) free_list(l);
        free_method(m1);
        free_method(m2);
        m1 = m2 = sweep_method{};
    };
    int st = faultsim::step("KX_MODL_ask_sweep",
                            [&] { return KX_MODL_ask_sweep(g_sweep, &a, &b, &c, &m1, &m2, &i1, &i2, &i3, v); });
    drop();
    if (st) return st;
    st = faultsim::step("KX_MODL_ask_curve_mesh",
                        [&] { return KX_MODL_ask_curve_mesh(g_mesh, &a, &b, &c, &i1, &i2, &i3, v, faces, cont); });
    drop();
    if (st) return st;
    st = faultsim::step("KX_MODL_ask_thru_curves", [&] {
        return KX_MODL_ask_thru_curves(g_thru, &a, &b, &i1, &i2, av, &i3, &i4, &i5, v, faces, cont);
    });
    drop();
    if (st) return st;
    st = faultsim::step("KX_MODL_ask_ruled", [&] { return KX_MODL_ask_ruled(g_ruled, &a, &b, &i1, av, &i2, v); });
    drop();
    if (st) return st;
    st = faultsim::step("KX_MODL_ask_bplane", [&] { return KX_MODL_ask_bplane(g_bplane, &a, v); });
    drop();
    if (st) return st;

    unsigned int sheet = 0;
    char *first = nullptr, *second = nullptr;
    st = faultsim::step("KX_MODL_ask_thicken_sheet_parms",
                        [&] { return KX_MODL_ask_thicken_sheet_parms(g_thicken, &sheet, &first, &second); });
    KX_free(first);
    KX_free(second);
    if (st) return st;

    int count = 0;
    unsigned int* objects = nullptr;
    sweep_trim* trim = nullptr;
    char *taper = nullptr, *limits[2] = {}, *offsets[2] = {};
    double point[3] = {}, direction[3] = {};
    logical set = 0;
    unsigned char sign = 0;
    st = faultsim::step("KX_MODL_ask_extrusion", [&] {
        return KX_MODL_ask_extrusion(g_extrusion, &count, &objects, &trim, &taper, limits, offsets, point, &set,
                                     &sign, direction);
    });
    KX_free(objects);
    if (trim) KX_free(trim->objects);
    KX_free(trim);
    for (char* text : {taper, limits[0], limits[1], offsets[0], offsets[1]}) KX_free(text);
    return st;
}

TEST(FreeformFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"freeform definitions", queries, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
