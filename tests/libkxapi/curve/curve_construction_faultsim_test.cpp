// Isocline, joined-curve and wrap features, plain bridge curves and curve
// fillets under fault simulation: each made, asked and edited; every run
// with a host error at one host call ends clean (a failed call leaves the
// model, the undo marks and the live blocks as they were).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "host/control/control.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/profiles.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/links.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

using faultsim::step;

#define STEP FAULTSIM_STEP

unsigned int g_side = 0, g_touch = 0;

// A cylinder of radius 3 about z and a datum plane touching it along x = 3,
// made straight through the host before the story.
void scene() {
    kxtest::fresh_process();
    const unsigned int part = host::parts::create("constructions.prt");
    host::parts::set_work_part(part);
    const double base[3] = {0, 0, 0}, z[3] = {0, 0, 1}, at[3] = {3, 0, 0}, x[3] = {1, 0, 0};
    int body = 0;
    ZQ_BODY_make_cylinder(base, z, 3, 5, &body);
    for (int f : host::kernel::faces_of(body)) {
        host::kernel::SurfaceData s;
        const unsigned int o = host::kernel::object_of(f);
        if (host::kernel::face_surface(o, &s) && s.kind == ZQ_SURF_CYLINDER) g_side = o;
    }
    g_touch = host::profiles::create_direction_object(part, HOST_TYPE_DATUM_PLANE, at, x);
    host::control::clear_journal();
}

int constructions() {
    STEP(KX_initialize());
    tag side = g_side, touch = g_touch;

    // An isocline: made, asked, edited to a range.
    double x[3] = {1, 0, 0};
    tag isocline = NULL_TAG;
    STEP(KX_CURVE_create_isocline(1, &side, x, const_cast<char*>("45"), nullptr, nullptr, &isocline));
    int count = 0, n = 0;
    tag *faces = nullptr, *curves = nullptr;
    double direction[3];
    char *angle = nullptr, *second = nullptr, *third = nullptr;
    STEP(KX_CURVE_ask_isocline(isocline, &count, &faces, direction, &angle, &second, &third, &n, &curves));
    for (void* p : {static_cast<void*>(faces), static_cast<void*>(curves), static_cast<void*>(angle)}) KX_free(p);
    STEP(KX_CURVE_edit_isocline(isocline, 1, &side, x, const_cast<char*>("15"), const_cast<char*>("30"),
                                const_cast<char*>("60")));

    // A joined-curve feature: made, asked, edited.
    tag a = NULL_TAG, b = NULL_TAG;
    line_data la{{0, 0, 0}, {1, 0, 0}}, lb{{1, 0, 0}, {1, 1, 0}};
    STEP(KX_CURVE_create_line(&la, &a));
    STEP(KX_CURVE_create_line(&lb, &b));
    int per[1] = {2}, dir[1] = {1};
    tag chain[2] = {a, b};
    string_list strings{1, per, dir, chain};
    tag joined_feature = NULL_TAG, joined = NULL_TAG;
    STEP(KX_CURVE_create_joined_feature(&strings, 1, &joined_feature, &joined));
    string_list back{};
    int method = 0;
    double tolerances[3];
    STEP(KX_CURVE_ask_joined_parms(joined_feature, &back, &method, tolerances));
    KX_MODL_free_string_list(&back);
    double given[3] = {0.01, 0.2, 0.3};
    STEP(KX_CURVE_edit_joined_feature(joined_feature, &strings, 2, given));

    // A wrap: a flat line onto the cylinder, asked, edited higher.
    tag flat = NULL_TAG;
    line_data lf{{3, 0, 1}, {3, 2, 1}};
    STEP(KX_CURVE_create_line(&lf, &flat));
    wrap_data w{1, 1, &side, touch, 1, &flat, const_cast<char*>("0"), 0, 0};
    tag wrap = NULL_TAG;
    STEP(KX_CURVE_create_wrap_object(&w, &wrap));
    wrap_data asked{};
    STEP(KX_CURVE_ask_wrap_parms(wrap, &asked));
    STEP(KX_CURVE_free_wrap_parms(&asked));
    STEP(KX_CURVE_ask_wrap_curves(wrap, &n, &curves));
    tag input = NULL_TAG, face = NULL_TAG, reference = NULL_TAG, of = NULL_TAG;
    if (n > 0) STEP(KX_CURVE_ask_wrap_curve_parents(curves[0], &input, &face, &reference, &of));
    KX_free(curves);
    w.text = const_cast<char*>("10");
    STEP(KX_CURVE_edit_wrap_object(&w, wrap));

    // A bridge between the chain's ends, with curvature.
    tag ends[2] = {a, flat}, bridge = NULL_TAG;
    double parameters[2] = {0, 0};
    int reverse[2] = {1, 0};
    STEP(KX_CURVE_create_bridge_curve(1, ends, parameters, reverse, &bridge));

    // A fillet that trims both lines of a corner.
    tag c = NULL_TAG, d = NULL_TAG, fillet = NULL_TAG;
    line_data lc{{10, 0, 0}, {20, 0, 0}}, ld{{10, 0, 0}, {10, 10, 0}};
    STEP(KX_CURVE_create_line(&lc, &c));
    STEP(KX_CURVE_create_line(&ld, &d));
    tag corner[2] = {c, d};
    double centre[3] = {12, 2, 0};
    int trims[2] = {1, 1};
    return step("KX_CURVE_create_fillet",
                [&] { return KX_CURVE_create_fillet(0, corner, centre, 2, trims, nullptr, &fillet); });
}

TEST(CurveConstructionFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"curve constructions", constructions, scene});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
