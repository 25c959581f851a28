// Links of every kind under fault simulation: made, asked about, set to
// other sources and frozen with a host error raised at each host call in
// turn. Part A holds the sources, part B (the work part) the links; every
// run must end clean: a failed call leaves the model, the undo marks and
// the live blocks as they were, and a failed query hands out nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/views.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/profiles.h"
#include "host/kernel/engine/kernel.h"
#include "host/apps/modeling/loom/loom.h"
#include "host/base/services/memory.h"
#include "kxapi.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

using faultsim::step;

#define STEP FAULTSIM_STEP

constexpr double kShift[12] = {1, 0, 0, 40, 0, 1, 0, -15, 0, 0, 1, 6};

unsigned int g_a = 0, g_b = 0;
unsigned int g_block = 0, g_top = 0, g_bottom = 0, g_side = 0, g_plane = 0, g_line = 0, g_line2 = 0, g_arc = 0,
             g_arc2 = 0, g_point = 0, g_point2 = 0, g_sketch = 0;

unsigned int block_in(unsigned int part, double size, double x) {
    host::parts::set_work_part(part);
    const double origin[3] = {x, 0, 0};
    const double sizes[3] = {size, size * 1.5, size * 2};
    int body = 0;
    ZQ_BODY_make_block(origin, sizes, &body);
    return host::kernel::object_of(body);
}

unsigned int arc_in(unsigned int part, double cx, double radius) {
    const double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const double data[6] = {0, 2.5, cx, 3, 0, radius};
    unsigned int m = 0, arc = 0;
    ES_create_matrix_in_part(part, rows, 3, &m);
    ES_create_arc(data, m, &arc);
    return arc;
}

unsigned int line_in(unsigned int part, double x0, double y0, double x1, double y1) {
    const double ends[6] = {x0, y0, 0, x1, y1, 0};
    unsigned int line = 0;
    ES_create_line_in_part(part, ends, &line);
    return line;
}

unsigned int point_in(unsigned int part, double x, double y, double z) {
    host::parts::set_work_part(part);
    const double p[3] = {x, y, z};
    unsigned int point = 0;
    ES_create_point(p, &point);
    return point;
}

// Sources of every kind in part A, made straight through the host; B is
// the work part.
void sources() {
    kxtest::fresh_process();
    g_a = host::parts::create("a.prt");
    g_b = host::parts::create("b.prt");
    g_block = block_in(g_a, 6, 0);
    for (int f : host::kernel::faces_of(host::kernel::entity_of(g_block))) {
        double box[6];
        ZQ_TOPOL_find_box(f, box);
        const unsigned int face = host::kernel::object_of(f);
        if (box[2] > 11.9) g_top = face;
        else if (box[5] < 0.1) g_bottom = face;
        else if (g_side == 0) g_side = face;
    }
    const double at[3] = {30, 0, 0}, normal[3] = {1, 0, 0};
    g_plane = host::profiles::create_direction_object(g_a, HOST_TYPE_DATUM_PLANE, at, normal);
    g_line = line_in(g_a, 0, 0, 7, 3);
    g_line2 = line_in(g_a, 2, 9, 2, 13);
    g_arc = arc_in(g_a, 4, 2.5);
    g_arc2 = arc_in(g_a, -3, 1.75);
    g_point = point_in(g_a, 1.5, -2, 8);
    g_point2 = point_in(g_a, -4, 6.5, 1);
    g_sketch = host::views::make_sketch(g_a, {g_line2, g_arc2});
    host::parts::set_work_part(g_b);
    host::control::clear_journal();
}

int make_links() {
    STEP(KX_initialize());
    tag body = 0, datum = 0, sketch = 0, string = 0, face = 0, region = 0, on_point = 0, on_curve = 0, centre = 0,
        whole = 0;
    STEP(KX_LOOM_create_linked_body(g_block, kShift, 1, KX_LOOM_update_with_source, &body));
    STEP(KX_LOOM_create_linked_datum(g_plane, kShift, 1, &datum));
    STEP(KX_LOOM_create_linked_sketch(g_sketch, kShift, 1, &sketch));
    int per_string[2] = {1, 1}, dir[2] = {1, 1};
    unsigned int curves[2] = {g_line, g_arc};
    CMP_strings_t strings{2, per_string, dir, curves};
    STEP(KX_LOOM_create_linked_string(&strings, kShift, 1, &string));
    const tag faces[2] = {g_top, g_side};
    STEP(KX_LOOM_create_linked_face(g_block, 2, faces, 1, &face));
    STEP(KX_LOOM_create_linked_region(g_block, 1, &g_top, 1, &g_bottom, 1, 1, kShift, 5, &region));
    STEP(KX_LOOM_create_linked_pt_point(g_point, kShift, 1, &on_point));
    STEP(KX_LOOM_create_linked_pt_curve(g_line, 0.35, kShift, 1, &on_curve));
    STEP(KX_LOOM_create_linked_pt_center(g_arc, kShift, 0, &centre));
    STEP(KX_LOOM_create_linked_part(g_a, kShift, 1, &whole));
    // Routing and component copies are not kept by the host: each call
    // answers the host's code and makes nothing.
    tag none = 0;
    step("KX_LOOM_create_linked_route_port",
         [&] { return KX_LOOM_create_linked_route_port(g_line, kShift, 1, &none); });
    step("KX_LOOM_create_linked_route_segment",
         [&] { return KX_LOOM_create_linked_route_segment(g_line, kShift, 1, 0, &none); });
    step("KX_LOOM_copy_component_as", [&] {
        return KX_LOOM_copy_component_as(g_line, "copy", 0, nullptr, nullptr, nullptr, nullptr, &none);
    });
    return 0;
}

// Links made before the story: a body, a region, a mirror, points on a
// curve and at an angle, a sketch and a broken body link.
tag g_body_link = 0, g_region = 0, g_mirror = 0, g_on_curve = 0, g_at_angle = 0, g_sketch_link = 0, g_broken = 0,
    g_on_point = 0, g_centre = 0;

void links() {
    sources();
    LOOM_create_linked_body(g_block, kShift, 1, LOOM_UPDATE_WITH_SOURCE, &g_body_link);
    LOOM_create_linked_region(g_block, 1, &g_top, 1, &g_bottom, 1, 1, kShift, 5, &g_region);
    LOOM_create_linked_mirror(g_block, g_plane, 1, kShift, g_a, LOOM_UPDATE_WITH_SOURCE, &g_mirror);
    LOOM_create_linked_pt_curve(g_line, 0.35, nullptr, 1, &g_on_curve);
    LOOM_create_linked_pt_angle(g_arc, 1.25, nullptr, 1, &g_at_angle);
    LOOM_create_linked_pt_point(g_point, nullptr, 1, &g_on_point);
    LOOM_create_linked_pt_center(g_arc, nullptr, 1, &g_centre);
    LOOM_create_linked_sketch(g_sketch, kShift, 1, &g_sketch_link);
    const unsigned int doomed = block_in(g_a, 2, 50);
    host::parts::set_work_part(g_b);
    LOOM_create_linked_body(doomed, nullptr, 1, LOOM_UPDATE_WITH_SOURCE, &g_broken);
    ZQ_ENTITY_delete(host::kernel::entity_of(doomed));
    UPDATE_do_update();
    host::control::clear_journal();
}

unsigned int first_face(unsigned int body) {
    return host::kernel::object_of(host::kernel::faces_of(host::kernel::entity_of(body)).front());
}

int ask_links() {
    STEP(KX_initialize());
    logical yes = false;
    STEP(KX_LOOM_is_link_broken(g_broken, &yes));
    tag source = 0, part = 0, plane = 0;
    STEP(KX_LOOM_ask_link_source(g_body_link, &source, &part));
    double xform[12] = {};
    STEP(KX_LOOM_ask_link_xform(g_region, xform));
    int n_seeds = 0, n_bounds = 0, traverse = 0, options = 0;
    tag *seeds = nullptr, *bounds = nullptr;
    int st = step("KX_LOOM_ask_link_region_sources", [&] {
        return KX_LOOM_ask_link_region_sources(g_region, &n_seeds, &seeds, &n_bounds, &bounds, &traverse, &options,
                                               &source);
    });
    KX_free(seeds);
    KX_free(bounds);
    if (st != 0) return st;
    int associative = 0;
    STEP(KX_LOOM_ask_link_mirror_data(g_mirror, &source, &plane, &associative, xform, &part));
    double value = 0;
    STEP(KX_LOOM_ask_linked_pt_curve_prm(g_on_curve, &value));
    STEP(KX_LOOM_ask_linked_pt_angle(g_at_angle, &value));
    int time = 0, stamp = 0;
    STEP(KX_LOOM_ask_link_update_time(g_mirror, &time, &stamp));
    STEP(KX_LOOM_ask_link_accept_broken(g_broken, &yes));
    tag geometry = 0;
    STEP(KX_LOOM_ask_linked_feature_geom(g_sketch_link, &geometry));
    int count = 0;
    tag *from = nullptr, *to = nullptr;
    st = step("KX_LOOM_ask_linked_feature_map",
              [&] { return KX_LOOM_ask_linked_feature_map(g_sketch_link, &count, &from, &to, 0); });
    KX_free(from);
    KX_free(to);
    if (st != 0) return st;
    const unsigned int face = g_top;
    tag linked = 0;
    STEP(KX_LOOM_map_source_to_link_geom(g_body_link, face, &linked));
    STEP(KX_LOOM_map_link_geom_to_source(g_body_link, first_face(g_body_link), &part, &source));
    STEP(KX_LOOM_ask_session_delay(&yes));
    tag* objects = nullptr;
    st = step("KX_LOOM_ask_out_of_date_objects", [&] { return KX_LOOM_ask_out_of_date_objects(g_b, &count, &objects); });
    KX_free(objects);
    return st;
}

// The links set to other sources, given a new update time, a broken one
// accepted as broken, attributes copied, the work part frozen.
int edit_links() {
    STEP(KX_initialize());
    STEP(KX_LOOM_set_link_region_data(g_region, g_block, 1, &g_bottom, 0, nullptr, 0, 3, nullptr));
    STEP(KX_LOOM_set_linked_pt_point(g_on_point, g_point2, kShift));
    STEP(KX_LOOM_set_linked_pt_curve(g_on_curve, g_line2, 0.8, kShift));
    STEP(KX_LOOM_set_linked_pt_center(g_centre, g_arc2, nullptr));
    STEP(KX_LOOM_set_link_update_time(g_mirror, KX_LOOM_update_at_creation));
    STEP(KX_LOOM_accept_link_broken(g_broken));
    STEP(KX_LOOM_copy_attributes(g_body_link));
    STEP(KX_LOOM_freeze(1, &g_b));
    return faultsim::step("KX_LOOM_update_session", [] { return KX_LOOM_update_session(); });
}

void expect_clean(const faultsim::Story& story) {
    const faultsim::Report r = faultsim::simulate(story);
    EXPECT_EQ(r.problem, "") << story.name;
    EXPECT_GT(r.runs, 0u) << story.name;
    EXPECT_EQ(faultsim::faults_of(r), "");
    std::printf("%s\n", faultsim::describe(r).c_str());
}

TEST(LoomWalkFaultSimulation, MakingLinksOfEveryKindEndsClean) { expect_clean({"making links", make_links, sources}); }

TEST(LoomWalkFaultSimulation, AskingAboutLinksEndsClean) { expect_clean({"asking about links", ask_links, links}); }

TEST(LoomWalkFaultSimulation, EditingLinksEndsClean) { expect_clean({"editing links", edit_links, links}); }

}  // namespace
