// The display functions under fault simulation: every primitive in each
// mode of a display context, the temporary display, the display settings
// and the pictures written to files, from a work part with two views; a
// host error at each host call they make must end clean.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "host/control/control.h"
#include "host/base/services/objects.h"
#include "host/kernel/engine/kernel.h"
#include "host/model/display/context.h"
#include "host/model/display/layout.h"
#include "host/model/display/output.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/display.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/views.h"
#include "host/store/parts/parts.h"
#include "kx_core.h"
#include "kx_disp_output.h"
#include "kx_disp_prim.h"
#include "kx_disp_settings.h"
#include "kx_disp_temp.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

namespace hx = host::context;

#define STEP FAULTSIM_STEP

tag part = NULL_TAG, top = NULL_TAG, front = NULL_TAG, line = NULL_TAG, feature = NULL_TAG;

const double kIdentity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
const double kTilted[9] = {0.6, 0.8, 0, -0.8, 0.6, 0, 0, 0, 1};
const double kCentre[3] = {1.5, -2.25, 0.75};

// A work part shown in a layout of two views, with a line in it.
void with_views() {
    kxtest::fresh_process();
    part = host::parts::create("display_story.prt");
    host::parts::set_work_part(part);
    host::parts::set_display_part(part);
    top = host::layout::make_model_view(part);
    front = host::layout::make_model_view(part);
    host::layout::make_layout(part, {top, front});
    line = host::entity::create({OM_CLASS_RM_ENTITY, 3, 0, part});
    hx::set_selection_area(-4, -4, 4, 4);
}

// The same with a block and a line to shade and write out.
void with_model() {
    with_views();
    const double at[3] = {0, 0, 0}, size[3] = {40, 30, 20};
    int body = 0;
    ZQ_BODY_make_block(at, size, &body);
    const double ends[6] = {-10, -10, 0, 60, -10, 0};
    unsigned int l = 0;
    ES_create_line_in_part(part, ends, &l);
    feature = host::objects::create({OM_CLASS_FEATURE, HOST_TYPE_FEATURE, 0, part});
    host::output::open_window(42);  // a graphics window whose picture goes to the clipboard
    host::control::clear_journal();
}

// A context of each mode over records of the story's own.
struct Contexts {
    DSS_display_record_t disp{};
    DSS_fit_record_t fit{};
    DSS_pick_view_t view{{0, 0, 10, 0, 0, -1}, 0.5};
    DSS_pick_record_t pick = hx::pick_record(&view);
    DSS_area_record_t area = hx::area_record();
    DSS_attention_record_t attn = hx::attention_record(0);
    display_context all[5] = {{DSS_MODE_DISPLAY, &disp},
                              {DSS_MODE_FIT, &fit},
                              {DSS_MODE_PICK, &pick},
                              {DSS_MODE_AREA, &area},
                              {DSS_MODE_ATTENTION, &attn}};
    Contexts() { fit.box = hx::new_fit_box(); }
};

int primitives() {
    STEP(KX_initialize());
    Contexts c;
    const double pts[9] = {-1.25, 0.5, 0, 2.5, 1.75, 0, 0.5, 3.25, 0};
    const double quad[12] = {-1, -1, 0, 3, -1, 0, 3, 2, 0, -1, 2, 0};
    const facet facets[2] = {{pts, nullptr}, {pts, nullptr}};
    const facet square{quad, nullptr};
    for (display_context& ctx : c.all) {
        context_info info{};
        STEP(KX_DISP_ask_display_context(&ctx, &info));
        STEP(KX_DISP_display_arc(kTilted, 0.3, 2.2, kCentre, 1.75, &ctx));
        STEP(KX_DISP_display_circle(kIdentity, kCentre, 2.5, 0, &ctx));
        STEP(KX_DISP_display_polyline(pts, 3, &ctx));
        STEP(KX_DISP_display_points(pts, 3, 4, &ctx));
        STEP(KX_DISP_display_polygon(quad, 4, 0, &ctx));
        STEP(KX_DISP_display_facets(facets, 3, 2, KX_DISP_TRIANGLES, &ctx));
        STEP(KX_DISP_display_text("two\nlines", kCentre, 5, &ctx));
    }
    // The fills: a filled circle and polygon, by the device and by lines,
    // and polygon facets drawn.
    display_context& shown = c.all[0];
    STEP(KX_DISP_display_circle(kTilted, kCentre, 2.5, 1, &shown));
    STEP(KX_DISP_display_polygon(quad, 4, 1, &shown));
    STEP(KX_DISP_display_facets(&square, 4, 1, KX_DISP_POLYGONS, &shown));
    c.disp.fill_style = 1;
    c.disp.fill_density = 0.01;
    STEP(KX_DISP_display_circle(kIdentity, kCentre, 2.5, 1, &shown));
    STEP(KX_DISP_display_polygon(quad, 4, 1, &shown));
    return 0;
}

int temporary() {
    STEP(KX_initialize());
    const display_properties looks = {1, 37, 0, 2, 3, 0};
    const double a[3] = {1.5, 2.5, -0.5}, b[3] = {-3.25, 4, 1};
    STEP(KX_DISP_display_temporary_point(top, 0, a, &looks, 5));
    STEP(KX_DISP_display_temporary_point(NULL_TAG, 4, b, &looks, 11));
    STEP(KX_DISP_display_temporary_point(NULL_TAG, 1, a, &looks, 2));
    STEP(KX_DISP_display_temporary_point(NULL_TAG, 2, b, &looks, 3));
    STEP(KX_DISP_display_temporary_point(front, 3, a, &looks, 7));
    STEP(KX_DISP_display_temporary_line(front, 0, a, b, &looks));
    // Width -1 and font 0: the work part's creation defaults.
    const display_properties defaults = {1, 37, 0, -1, 0, 0};
    STEP(KX_DISP_display_temporary_line(NULL_TAG, 4, b, a, &defaults));
    STEP(KX_DISP_display_temporary_arc(top, 0, kTilted, 0.25, 1.5, kCentre, 2.5, &looks));
    STEP(KX_DISP_display_temporary_arc(NULL_TAG, 4, kIdentity, 0.25, 4.5, b, 0.75, &looks));
    STEP(KX_DISP_display_temporary_text(top, 0, "one\ntwo", a, 3, &looks, 0.4, 1));
    return 0;
}

int settings() {
    STEP(KX_initialize());
    int n = 0;
    STEP(KX_DISP_ask_color_count(&n));
    char name[KX_DISP_MAX_COLOR_NAME_LEN + 1];
    double v[3];
    const double teal[3] = {0.1, 0.55, 0.6};
    STEP(KX_DISP_set_color(7, KX_DISP_rgb_model, "Teal", teal));
    STEP(KX_DISP_ask_color(7, KX_DISP_hsv_model, name, v));
    STEP(KX_DISP_ask_closest_color(KX_DISP_rgb_model, teal, 1, &n));

    display_system_parameters sys{};
    STEP(KX_DISP_ask_system_parameters(&sys));
    STEP(KX_DISP_set_system_parameters(&sys));
    surface_analysis_parameters anl{};
    STEP(KX_DISP_ask_srfanl_params(&anl));
    STEP(KX_DISP_set_srfanl_params(&anl));

    int st = 0;
    STEP(KX_DISP_set_name_display_status(0));
    STEP(KX_DISP_ask_name_display_status(&st));
    STEP(KX_DISP_set_name_view_status(0));
    STEP(KX_DISP_ask_name_view_status(&st));
    logical flag = 0;
    STEP(KX_DISP_set_work_plane_emphasis(1));
    STEP(KX_DISP_ask_work_plane_emphasis(&flag));
    STEP(KX_DISP_set_work_plane_sel(1));
    STEP(KX_DISP_ask_work_plane_sel(&flag));
    STEP(KX_DISP_set_work_plane_dim_clr(23));
    STEP(KX_DISP_ask_work_plane_dim_clr(&n));

    STEP(KX_DISP_set_display(0));
    STEP(KX_DISP_ask_display(&st));
    STEP(KX_DISP_set_display(1));
    STEP(KX_DISP_refresh());
    STEP(KX_DISP_make_display_up_to_date());
    STEP(KX_DISP_set_highlight(line, 1));
    STEP(KX_DISP_set_highlight(line, 0));
    // A feature is highlighted by its record.
    STEP(KX_DISP_set_highlight(feature, 1));
    STEP(KX_DISP_set_highlight(feature, 0));

    tag bounds = NULL_TAG;
    STEP(KX_DISP_ask_model_bounds_tag(&bounds));
    const double box[6] = {-1.5, 2.5, -3, 4, -0.5, 7};
    STEP(KX_DISP_set_model_bounds(bounds, box));
    double got[6];
    STEP(KX_DISP_ask_model_bounds(bounds, got));
    logical found = 0;
    STEP(KX_DISP_compute_model_bounds(&found, 1));
    STEP(KX_DISP_compute_model_bounds(&found, 0));
    return faultsim::step("KX_DISP_regenerate_view", [] { return KX_DISP_regenerate_view(front); });
}

// This host makes no animations nor the old picture format, and says so
// with its own code: that answer is the clean run's, and the story goes on.
constexpr int kHostMakesNone = 670009;

int pictures() {
    STEP(KX_initialize());
    STEP(KX_DISP_batch_shade("shaded.png", 64, 40, 0));
    STEP(KX_DISP_export_windows_metafile(1, "picture.wmf"));
    STEP(KX_DISP_export_windows_metafile(0, nullptr));
    STEP(KX_STD_create_vrml_file("world.wrl", 2.5, 1));
    int st = faultsim::step("KX_DISP_create_animation", [] { return KX_DISP_create_animation("a", "def", 2, 2); });
    if (st != 0 && st != kHostMakesNone) return st;
    st = faultsim::step("KX_STD_create_vantrel_file",
                        [] { return KX_STD_create_vantrel_file(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13); });
    return st == kHostMakesNone ? 0 : st;
}

void simulate(const char* name, int (*story)(), void (*fresh)()) {
    const faultsim::Report r = faultsim::simulate({name, story, fresh});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    std::printf("%s", faultsim::describe(r).c_str());
    EXPECT_EQ(faultsim::faults_of(r), "");
}

TEST(DisplayPrimitiveFaultSimulation, EveryRunEndsClean) { simulate("display primitives", primitives, with_views); }

TEST(TemporaryDisplayFaultSimulation, EveryRunEndsClean) { simulate("temporary display", temporary, with_views); }

TEST(DisplaySettingsFaultSimulation, EveryRunEndsClean) { simulate("display settings", settings, with_model); }

TEST(PictureFaultSimulation, EveryRunEndsClean) { simulate("pictures", pictures, with_model); }

}  // namespace
