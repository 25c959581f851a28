// A story of user-defined objects and temporary display under fault
// simulation: a host error at each host call it makes must end clean.
#include <gtest/gtest.h>

#include <cstdio>

#include "host/store/parts/parts.h"
#include "host/model/display/context.h"
#include "host/model/display/layout.h"
#include "host/apps/modeling/udo/udo.h"
#include "kx_core.h"
#include "kx_disp_prim.h"
#include "kx_disp_temp.h"
#include "kx_udobj.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

using faultsim::step;

tag part = NULL_TAG;

// A fresh process with a work part: the story is about what comes after.
void fresh_with_part() {
    kxtest::fresh_process();
    part = host::parts::create("udo_story.prt");
    host::parts::set_work_part(part);
}

int story() {
    if (int st = step("KX_initialize", [] { return KX_initialize(); })) return st;
    udo_class_id cls = 0;
    if (int st = step("KX_UDOBJ_create_class", [&] { return KX_UDOBJ_create_class("story", "Story", &cls); }))
        return st;
    tag udo = NULL_TAG, feature = NULL_TAG;
    if (int st = step("KX_UDOBJ_create_udo_feature", [&] { return KX_UDOBJ_create_udo_feature(cls, &udo, &feature); }))
        return st;
    const double lengths[2] = {1.5, 2.5};
    if (int st = step("KX_UDOBJ_add_lengths", [&] { return KX_UDOBJ_add_lengths(udo, 2, lengths); })) return st;
    udo_data data;
    if (int st = step("KX_UDOBJ_ask_udo_data", [&] { return KX_UDOBJ_ask_udo_data(udo, &data); })) return st;
    if (int st = step("KX_UDOBJ_free_udo_data", [&] { return KX_UDOBJ_free_udo_data(&data); })) return st;
    char *name = nullptr, *friendly = nullptr;
    if (int st = step("KX_UDOBJ_ask_class_data", [&] { return KX_UDOBJ_ask_class_data(cls, &name, &friendly); }))
        return st;
    KX_free(name);
    KX_free(friendly);

    const tag view = host::layout::make_model_view(part);
    host::layout::make_layout(part, {view});
    const display_properties looks = {1, 5, 0, -1, 0, 0};
    const double a[3] = {0, 0, 0}, b[3] = {1, 1, 0};
    if (int st = step("KX_DISP_display_temporary_line",
                      [&] { return KX_DISP_display_temporary_line(view, 0, a, b, &looks); }))
        return st;
    if (int st = step("KX_DISP_display_temporary_text",
                      [&] { return KX_DISP_display_temporary_text(view, 0, "one\ntwo", a, 0, &looks, 0, 1); }))
        return st;
    return step("KX_DISP_display_temporary_text",
                [&] { return KX_DISP_display_temporary_text(NULL_TAG, 4, "old\n\nmode", b, 5, &looks, 1, 0); });
}

// A routine that describes its object with every primitive, filled ones
// included.
int describe(tag, display_context* context) {
    static const double m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    static const double c[3] = {0, 0, 0};
    static const double square[12] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    static const facet facets[1] = {{square, nullptr}};
    context_info info;
    if (int st = KX_DISP_ask_display_context(context, &info)) return st;
    if (int st = KX_DISP_display_circle(m, c, 1, 1, context)) return st;
    if (int st = KX_DISP_display_polygon(square, 4, 1, context)) return st;
    if (int st = KX_DISP_display_arc(m, 0, 1, c, 2, context)) return st;
    if (int st = KX_DISP_display_points(square, 4, 2, context)) return st;
    if (int st = KX_DISP_display_facets(facets, 4, 1, KX_DISP_POLYGONS, context)) return st;
    return KX_DISP_display_text("a\nbc", c, 5, context);
}

int drawing_story() {
    if (int st = step("KX_initialize", [] { return KX_initialize(); })) return st;
    udo_class_id cls = 0;
    if (int st = step("KX_UDOBJ_create_class", [&] { return KX_UDOBJ_create_class("drawn", nullptr, &cls); }))
        return st;
    if (int st = step("KX_UDOBJ_register_display_cb", [&] { return KX_UDOBJ_register_display_cb(cls, describe); }))
        return st;
    if (int st = step("KX_UDOBJ_register_select_cb", [&] { return KX_UDOBJ_register_select_cb(cls, describe); }))
        return st;
    tag udo = NULL_TAG;
    if (int st = step("KX_UDOBJ_create_udo", [&] { return KX_UDOBJ_create_udo(cls, &udo); })) return st;
    // The host draws it filled by lines, then with the device's fill, then
    // selects it by pick and by area.
    DSS_display_record_t by_lines{};
    by_lines.fill_style = 1;
    by_lines.fill_density = 0.005;
    if (int st = step("host display, filled by lines", [&] { return host::udo::display(udo, by_lines); })) return st;
    DSS_display_record_t device{};
    if (int st = step("host display", [&] { return host::udo::display(udo, device); })) return st;
    const DSS_pick_view_t view{{0.5, 0.5, 9, 0, 0, -1}, 0.1};
    DSS_pick_record_t pick = host::context::pick_record(&view);
    if (int st = step("host pick", [&] { return host::udo::pick(udo, pick); })) return st;
    DSS_area_record_t area = host::context::area_record();
    return step("host area selection", [&] { return host::udo::select_area(udo, area); });
}

TEST(UdoFaultSimulation, DrawingThroughARoutineEndsClean) {
    const faultsim::Report r = faultsim::simulate({"udo drawing", drawing_story, fresh_with_part});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    std::printf("%s", faultsim::describe(r).c_str());
    EXPECT_TRUE(r.faults.empty()) << faultsim::describe(r);
}

TEST(UdoFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate({"udo", story, fresh_with_part});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    std::printf("%s", faultsim::describe(r).c_str());
    EXPECT_TRUE(r.faults.empty()) << faultsim::describe(r);
}

}  // namespace
