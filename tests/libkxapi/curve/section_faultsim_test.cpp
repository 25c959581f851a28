// Sections, silhouettes, shadow outlines, simplified curves and facetted
// models under fault simulation: every run with a host error at one host
// call ends clean (a failed call leaves the model, the undo marks and the
// live blocks as they were).
#include <gtest/gtest.h>

#include <string>

#include "host/control/control.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/views.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/profiles.h"
#include "host/kernel/engine/kernel.h"
#include "host/apps/modeling/section/hidden_lines.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

using faultsim::step;

#define STEP FAULTSIM_STEP

unsigned int g_body = 0, g_base = 0, g_view = 0;

// A block with a hole, a plane under it and a view looking down on it,
// made straight through the host before the story.
void scene() {
    kxtest::fresh_process();
    const unsigned int part = host::parts::create("sections.prt");
    host::parts::set_work_part(part);
    const double o[3] = {0, 0, 0}, s[3] = {10, 20, 30}, z[3] = {0, 0, 1};
    int b = 0;
    ZQ_BODY_make_block(o, s, &b);
    const double c[3] = {5, 10, -1};
    int cyl = 0;
    ZQ_BODY_make_cylinder(c, z, 2, 32, &cyl);
    ZQ_BODY_boolean(b, cyl, ZQ_SUBTRACT);
    g_body = host::kernel::object_of(b);
    g_base = host::profiles::create_direction_object(part, HOST_TYPE_PLANE, o, z);
    g_view = host::views::make_view(host::views::make_drawing(part, true), 1);
    const double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    host::hidden_lines::orient_view(g_view, rows, o);
    host::control::clear_journal();
}

int sections() {
    STEP(KX_initialize());
    tag objects[1] = {g_body};
    section_general g{objects, 1, 1, 0, 1, 0, 0.001};
    section_parallel p{g_base, {10, 20, 10}};
    tag feature = NULL_TAG, group = NULL_TAG;
    STEP(KX_CURVE_section_from_parallel_planes(&g, &p, &feature));
    int kind = 0;
    STEP(KX_CURVE_section_ask_type(feature, &kind));
    section_general back{};
    section_parallel data{};
    STEP(KX_CURVE_section_ask_parallel_data(feature, &back, &data));
    KX_free(back.objects);
    g.associative = 0;
    STEP(KX_CURVE_section_from_parallel_planes(&g, &p, &group));
    return 0;
}

int outlines() {
    STEP(KX_initialize());
    int n = 0;
    tag* curves = nullptr;
    STEP(KX_CURVE_create_silhouette(g_body, g_view, &n, &curves));
    tag in[1] = {curves[0]};
    int made = 0;
    tag* simple = nullptr;
    STEP(KX_CURVE_create_simplified_curve(1, in, 1e-3, &made, &simple));
    KX_free(simple);
    KX_free(curves);
    tag bodies[1] = {g_body};
    int loops = 0;
    int* per_loop = nullptr;
    tag** loop_curves = nullptr;
    STEP(KX_CURVE_create_shadow_outline(1, bodies, g_view, &loops, &per_loop, &loop_curves, 0));
    for (int i = 0; i < loops; ++i) KX_free(loop_curves[i]);
    KX_free(loop_curves);
    KX_free(per_loop);
    return 0;
}

int facets() {
    STEP(KX_initialize());
    facet_parameters p{};
    STEP(KX_FACET_ask_default_parameters(&p));
    p.tolerance_1_set = 1;
    p.tolerance_1_distance = 0.5;
    p.tolerance_1_angle = 0.5;
    tag model = NULL_TAG, built = NULL_TAG;
    STEP(KX_FACET_facet_solid(g_body, &p, &model));
    int n = 0;
    STEP(KX_FACET_ask_n_facets_in_model(model, &n));
    char convex = 0;
    STEP(KX_FACET_is_model_convex(model, &convex));
    STEP(KX_FACET_create_model(host::parts::loaded_parts().front(), &built));
    double tri[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    int hints[3] = {0, 0, 0};
    int facet = 0;
    STEP(KX_FACET_add_facet_to_model(built, 3, tri, nullptr, hints, &facet));
    STEP(KX_FACET_model_edits_done(built));
    STEP(KX_FACET_del_facet_from_model(built, facet));
    return 0;
}

TEST(SectionFaultSimulation, EveryRunEndsClean) {
    for (const auto& [name, story] :
         {std::pair<const char*, int (*)()>{"sections", sections}, {"outlines", outlines}, {"facets", facets}}) {
        const faultsim::Report r = faultsim::simulate(faultsim::Story{name, story, scene});
        EXPECT_EQ(r.problem, "") << name;
        EXPECT_GT(r.runs, 0u) << name;
        EXPECT_EQ(faultsim::faults_of(r), "") << name;
    }
}

}  // namespace
