// Display settings: colours, system and surface-analysis parameters with
// their strict ranges, name display, the work plane, suppression,
// highlighting, model bounds and view regeneration.
#include <cstring>
#include <string>

#include "host/store/entities/csys_support.h"
#include "host/store/entities/display.h"
#include "host/store/entities/entity_types.h"
#include "host/model/display/settings.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/objects.h"
#include "kx_disp_settings.h"
#include "tests/libkxapi/disp/disp_fixture.h"

namespace {

namespace hc = host::control;
namespace hs = host::display_settings;

class Settings : public DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        host::parts::set_display_part(part);
    }
};

display_system_parameters current() {
    display_system_parameters p{};
    EXPECT_EQ(KX_DISP_ask_system_parameters(&p), 0);
    return p;
}

surface_analysis_parameters analysis() {
    surface_analysis_parameters p{};
    EXPECT_EQ(KX_DISP_ask_srfanl_params(&p), 0);
    return p;
}

TEST_F(Settings, ColoursAreAskedAndSet) {
    int count = 0;
    ASSERT_EQ(KX_DISP_ask_color_count(&count), 0);
    EXPECT_EQ(count, 217);
    char name[KX_DISP_MAX_COLOR_NAME_LEN + 1];
    double v[3];
    const double red[3] = {1, 0, 0};
    ASSERT_EQ(KX_DISP_set_color(5, KX_DISP_rgb_model, "Signal red", red), 0);
    ASSERT_EQ(KX_DISP_ask_color(5, KX_DISP_hsv_model, name, v), 0);
    EXPECT_STREQ(name, "Signal red");
    EXPECT_DOUBLE_EQ(v[0], 0);
    EXPECT_DOUBLE_EQ(v[1], 1);
    EXPECT_DOUBLE_EQ(v[2], 1);
    const double hls_blue[3] = {240, 0.5, 1};
    ASSERT_EQ(KX_DISP_set_color(6, KX_DISP_hls_model, "Blue", hls_blue), 0);
    ASSERT_EQ(KX_DISP_ask_color(6, KX_DISP_rgb_model, name, v), 0);
    EXPECT_NEAR(v[0], 0, 1e-12);
    EXPECT_NEAR(v[1], 0, 1e-12);
    EXPECT_NEAR(v[2], 1, 1e-12);
    int closest = 0;
    const double nearly_red[3] = {0.98, 0.01, 0.02};
    ASSERT_EQ(KX_DISP_ask_closest_color(KX_DISP_rgb_model, nearly_red, 1, &closest), 0);
    EXPECT_EQ(closest, 5);
}

TEST_F(Settings, ColourChecksTable) {
    const std::string n32(32, 'n'), n33(33, 'n');
    const double ok[3] = {0.5, 0.5, 0.5};
    struct Row {
        const char* what;
        int color, model;
        const char* name;
        double v[3];
        int code;
    };
    const Row rows[] = {
        {"the background with no name", 0, 0, nullptr, {0, 0, 0}, 0},
        {"colour 1 with no name", 1, 0, nullptr, {0, 0, 0}, 1105006},
        {"colour 1, 33 characters", 1, 0, n33.c_str(), {0, 0, 0}, 1105006},
        {"colour 1, 32 characters", 1, 0, n32.c_str(), {0, 0, 0}, 0},
        {"the background, 33 characters", 0, 0, n33.c_str(), {0, 0, 0}, 1105006},
        {"model 3", 1, 3, "x", {0, 0, 0}, 1105005},
        {"model 0, just within", 1, 0, "x", {1.00000000005, 0, 0}, 0},
        {"model 0, over", 1, 0, "x", {1.000001, 0, 0}, 1105007},
        {"model 1, hue 360", 1, 1, "x", {360, 1, 1}, 0},
        {"model 2, hue 361", 1, 2, "x", {361, 1, 1}, 1105007},
        {"model 1, value below 0", 1, 1, "x", {10, 0.5, -0.1}, 1105007},
        {"colour 217", 217, 0, "x", {0, 0, 0}, 1105004},
        {"colour -1", -1, 0, "x", {0, 0, 0}, 1105004},
    };
    for (const Row& r : rows) EXPECT_EQ(KX_DISP_set_color(r.color, r.model, r.name, r.v), r.code) << r.what;
    char name[KX_DISP_MAX_COLOR_NAME_LEN + 1];
    double v[3];
    EXPECT_EQ(KX_DISP_ask_color(1, 0, name, v), 0);
    EXPECT_STREQ(name, "x");
    EXPECT_EQ(KX_DISP_ask_color(217, 0, name, v), 1105004);
    EXPECT_EQ(KX_DISP_ask_color(1, 3, name, v), 1105005);
    int c = 0;
    EXPECT_EQ(KX_DISP_ask_closest_color(3, ok, 1, &c), 1105004);
    const double bad[3] = {2, 0, 0};
    EXPECT_EQ(KX_DISP_ask_closest_color(0, bad, 1, &c), 1105005);
    EXPECT_EQ(KX_DISP_ask_closest_color(0, ok, 2, &c), 1105006);
    host::parts::set_work_part(0);
    EXPECT_EQ(KX_DISP_ask_color_count(&c), 1105012);
    EXPECT_EQ(KX_DISP_set_color(1, 9, nullptr, nullptr), 1105012);
}

TEST_F(Settings, SystemParametersRoundTrip) {
    display_system_parameters p = current();
    EXPECT_EQ(p.font_mode, 1);
    EXPECT_EQ(p.flag_setting_1, 1);
    EXPECT_EQ(p.flag_setting_2, 2);
    p.curve_tolerance = 0.002;
    p.font_mode = 1;
    p.pattern_value_1 = 7;
    p.pattern_value_2 = 0;  // 0 leaves the value as it is
    p.scale_value = 2.5;
    p.shaded_tolerance_1 = p.shaded_tolerance_2 = 0.005;
    p.shaded_angle_tolerance = 5;
    p.system_color = 12;
    p.flag_setting_1 = 2;
    p.flag_setting_2 = 1;
    p.show_face_edges = 1;
    p.hidden_face_edges = 15;
    ASSERT_EQ(KX_DISP_set_system_parameters(&p), 0);
    const display_system_parameters back = current();
    EXPECT_DOUBLE_EQ(back.curve_tolerance, 0.002);
    EXPECT_DOUBLE_EQ(back.pattern_value_1, 7);
    EXPECT_DOUBLE_EQ(back.pattern_value_2, 2.5);
    EXPECT_DOUBLE_EQ(back.scale_value, 2.5);
    EXPECT_DOUBLE_EQ(back.shaded_angle_tolerance, 5);
    EXPECT_EQ(back.system_color, 12);
    EXPECT_EQ(back.font_mode, 1);
    EXPECT_EQ(back.flag_setting_1, 2);
    EXPECT_EQ(back.flag_setting_2, 1);
    EXPECT_EQ(back.show_face_edges, 1);
    EXPECT_EQ(back.hidden_face_edges, 15);
    EXPECT_EQ(hs::log().refresh_steps, (std::vector<int>{2, 1}));
    EXPECT_EQ(hs::log().system_colors_applied, 1);
    int setting = 0;
    double tol[3];
    DISPLAY_ask_shaded_tol(&setting, tol);
    EXPECT_EQ(setting, 3);  // the fine preset
}

TEST_F(Settings, SystemParameterRangesTable) {
    const display_system_parameters base = current();
    struct Row {
        const char* what;
        void (*change)(display_system_parameters&);
        int code;
    };
    const Row rows[] = {
        {"curve tolerance below 0", [](display_system_parameters& p) { p.curve_tolerance = -1; }, 1105004},
        {"scale 0", [](display_system_parameters& p) { p.scale_value = 0; }, 1105004},
        {"angle 361", [](display_system_parameters& p) { p.shaded_angle_tolerance = 361; }, 1105004},
        {"shaded tolerance below 0", [](display_system_parameters& p) { p.shaded_tolerance_2 = -0.1; }, 1105004},
        {"system colour 0", [](display_system_parameters& p) { p.system_color = 0; }, 1105004},
        {"system colour 217", [](display_system_parameters& p) { p.system_color = 217; }, 1105004},
        {"font mode 3", [](display_system_parameters& p) { p.font_mode = 3; }, 1105004},
        {"flag 3", [](display_system_parameters& p) { p.flag_setting_2 = 3; }, 1105004},
        {"show face edges 2", [](display_system_parameters& p) { p.show_face_edges = 2; }, 1105004},
        {"hidden face edges 16", [](display_system_parameters& p) { p.hidden_face_edges = 16; }, 1105004},
        {"hidden face edges -3", [](display_system_parameters& p) { p.hidden_face_edges = -3; }, 1105004},
        {"pattern below 0 in font mode 1",
         [](display_system_parameters& p) {
             p.font_mode = 1;
             p.pattern_value_1 = -1;
         },
         1105004},
        {"pattern below 0 in font mode 2: not looked at",
         [](display_system_parameters& p) {
             p.font_mode = 2;
             p.pattern_value_1 = -1;
         },
         0},
    };
    for (const Row& r : rows) {
        display_system_parameters p = base;
        r.change(p);
        hc::clear_journal();
        EXPECT_EQ(KX_DISP_set_system_parameters(&p), r.code) << r.what;
        if (r.code != 0) {
            EXPECT_EQ(hc::call_count("DISPLAY_set_scale_value"), 0) << r.what;
        }
    }
    EXPECT_EQ(KX_DISP_set_system_parameters(nullptr), 1105004);
    EXPECT_EQ(current().font_mode, 2);
    host::parts::set_display_part(0);
    display_system_parameters p = base;
    EXPECT_EQ(KX_DISP_set_system_parameters(&p), 1105012);
    EXPECT_EQ(KX_DISP_ask_system_parameters(&p), 1105012);
}

TEST_F(Settings, SurfaceAnalysisPresetsAndRefreshes) {
    surface_analysis_parameters p = analysis();
    p.tolerance_preset = 2;
    p.tolerances[0] = 99;
    ASSERT_EQ(KX_DISP_set_srfanl_params(&p), 0);
    double preset[4];
    DISPLAY_map_analysis_tol(2, preset);
    for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(p.tolerances[i], preset[i]) << i;  // the caller's record too
    EXPECT_EQ(hs::log().anal_regens, 1);
    // Mapping values alone: the mappings are updated, nothing regenerated.
    p.mapping_value_1 = 0.25;
    ASSERT_EQ(KX_DISP_set_srfanl_params(&p), 0);
    EXPECT_EQ(hs::log().anal_regens, 1);
    EXPECT_EQ(hs::log().mapping_updates, 1);
    // An option: the display attributes.
    p.option_6 = 50;
    ASSERT_EQ(KX_DISP_set_srfanl_params(&p), 0);
    EXPECT_EQ(hs::log().att_updates, 1);
    // The caller's own tolerances alone start no refresh.
    p.tolerance_preset = 5;
    ASSERT_EQ(KX_DISP_set_srfanl_params(&p), 0);
    const int regens = hs::log().anal_regens;
    p.tolerances[1] = 0.3;
    ASSERT_EQ(KX_DISP_set_srfanl_params(&p), 0);
    EXPECT_EQ(hs::log().anal_regens, regens);
    EXPECT_DOUBLE_EQ(analysis().tolerances[1], 0.3);
}

TEST_F(Settings, SurfaceAnalysisChecks) {
    hc::set_env_kind(2);  // the configuration decides about texture mapping
    const surface_analysis_parameters base = analysis();
    struct Row {
        const char* what;
        void (*change)(surface_analysis_parameters&);
        int code;
    };
    const Row rows[] = {
        {"reflection lines without texture mapping", [](surface_analysis_parameters& p) { p.display_mode = 2; },
         1390005},
        {"contour lines without texture mapping", [](surface_analysis_parameters& p) { p.display_mode = 3; }, 1390006},
        {"a zero direction", [](surface_analysis_parameters& p) { p.reference_direction[2] = 0; }, 1105004},
        {"a zero second direction",
         [](surface_analysis_parameters& p) {
             p.second_direction[0] = p.second_direction[1] = p.second_direction[2] = 0;
         },
         1105004},
        {"option 1 at 10", [](surface_analysis_parameters& p) { p.option_1 = 10; }, 1105004},
        {"option 3 at 0", [](surface_analysis_parameters& p) { p.option_3 = 0; }, 1105004},
        {"option 8 at 91 with option 7 at 2",
         [](surface_analysis_parameters& p) {
             p.option_7 = 2;
             p.option_8 = 91;
         },
         1105004},
        {"option 8 at 128 with option 7 at 1",
         [](surface_analysis_parameters& p) {
             p.option_7 = 1;
             p.option_8 = 128;
         },
         0},
        {"the angle tolerance 361", [](surface_analysis_parameters& p) { p.tolerances[2] = 361; }, 1105004},
        {"preset 6", [](surface_analysis_parameters& p) { p.tolerance_preset = 6; }, 1105004},
    };
    for (const Row& r : rows) {
        surface_analysis_parameters p = base;
        r.change(p);
        hc::clear_journal();
        EXPECT_EQ(KX_DISP_set_srfanl_params(&p), r.code) << r.what;
        if (r.code != 0) {
            EXPECT_EQ(hc::call_count("SRFANL_write_rec"), 0) << r.what;
        }
    }
    hs::set_texture_mapping(true);
    surface_analysis_parameters p = base;
    p.display_mode = 3;
    EXPECT_EQ(KX_DISP_set_srfanl_params(&p), 0);
    EXPECT_EQ(analysis().display_mode, 3);
}

TEST_F(Settings, ZeroDirectionsReadBackAsUnitZ) {
    SRFANL_rec_t r{};
    SRFANL_write_rec(&r);
    const surface_analysis_parameters p = analysis();
    EXPECT_DOUBLE_EQ(p.reference_direction[2], 1.0);
    EXPECT_DOUBLE_EQ(p.second_direction[2], 1.0);
}

TEST_F(Settings, NamesWorkPlaneAndDisplay) {
    int st = -1;
    EXPECT_EQ(KX_DISP_set_name_display_status(0), 0);
    EXPECT_EQ(KX_DISP_ask_name_display_status(&st), 0);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(KX_DISP_set_name_view_status(0), 0);
    EXPECT_EQ(KX_DISP_ask_name_view_status(&st), 0);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(KX_DISP_ask_name_display_status(&st), 0);
    EXPECT_EQ(st, 0);  // one bit each
    EXPECT_EQ(KX_DISP_set_name_display_status(2), 1105004);
    EXPECT_EQ(KX_DISP_set_name_view_status(-1), 1105004);

    DSS_set_suppress_display(2);
    logical flag = 9;
    EXPECT_EQ(KX_DISP_set_work_plane_emphasis(2), 1105004);
    EXPECT_EQ(KX_DISP_set_work_plane_emphasis(1), 0);
    EXPECT_EQ(KX_DISP_ask_work_plane_emphasis(&flag), 0);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(hc::call_count("DSS_update_work_plane_emphasis"), 1);
    EXPECT_EQ(KX_DISP_set_work_plane_emphasis(1), 0);  // no change: no update
    EXPECT_EQ(hc::call_count("DSS_update_work_plane_emphasis"), 1);
    EXPECT_EQ(KX_DISP_set_work_plane_sel(1), 0);
    EXPECT_EQ(KX_DISP_ask_work_plane_sel(&flag), 0);
    EXPECT_EQ(flag, 1);

    int c = 0;
    for (int host_colour : {0, 217, 100}) {
        hc::give_outputs("DSS_HILT_ask_work_plane_dim_clr", {host_colour});
        EXPECT_EQ(KX_DISP_ask_work_plane_dim_clr(&c), 0);
        EXPECT_GE(c, 1);
        EXPECT_LE(c, 216);
    }
    EXPECT_EQ(c, 100);
    EXPECT_EQ(KX_DISP_set_work_plane_dim_clr(217), 1105004);

    hc::set_env_kind(2);  // an environment in which the display may be suppressed
    EXPECT_EQ(KX_DISP_set_display(0), 0);
    EXPECT_EQ(KX_DISP_ask_display(&st), 0);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(KX_DISP_set_display(1), 0);
    EXPECT_EQ(KX_DISP_ask_display(&st), 0);
    EXPECT_EQ(st, 1);
    EXPECT_EQ(KX_DISP_set_display(2), 1105004);
    EXPECT_EQ(KX_DISP_ask_display(nullptr), 1105004);
    hc::set_env_kind(1);
    EXPECT_EQ(KX_DISP_set_display(0), 0);
    EXPECT_EQ(DSS_ask_suppress_display(), 2);  // unchanged in that environment
}

TEST_F(Settings, RefreshHasNoSessionCheck) {
    fresh();
    EXPECT_EQ(KX_DISP_refresh(), 0);
    EXPECT_EQ(hs::log().refreshes, 1);
    EXPECT_EQ(KX_DISP_make_display_up_to_date(), 1105000);
}

TEST_F(Settings, HighlightingObjectsAndFeatures) {
    const tag feature = host::objects::create({OM_CLASS_FEATURE, HOST_TYPE_FEATURE, 0, part});
    EXPECT_EQ(KX_DISP_set_highlight(line, 1), 0);
    EXPECT_TRUE(host::entity::attrs(line).highlighted);
    EXPECT_EQ(KX_DISP_set_highlight(line, 0), 0);
    EXPECT_FALSE(host::entity::attrs(line).highlighted);
    EXPECT_EQ(KX_DISP_set_highlight(feature, 1), 0);
    EXPECT_EQ(hc::call_count("MODL_highlight_frec"), 1);
    EXPECT_EQ(KX_DISP_set_highlight(feature, 7), 0);
    EXPECT_EQ(hc::call_count("MODL_unhighlight_frec"), 1);
    EXPECT_EQ(KX_DISP_set_highlight(999999, 1), 1105004);
}

TEST_F(Settings, ModelBounds) {
    tag bounds = NULL_TAG;
    ASSERT_EQ(KX_DISP_ask_model_bounds_tag(&bounds), 0);
    ASSERT_NE(bounds, NULL_TAG);
    tag again = NULL_TAG;
    ASSERT_EQ(KX_DISP_ask_model_bounds_tag(&again), 0);
    EXPECT_EQ(again, bounds);
    struct Row {
        const char* what;
        tag object;
        double v[6];
        int code;
    };
    const Row rows[] = {
        {"no tag", NULL_TAG, {0, 1, 0, 1, 0, 1}, 1105004},
        {"x minimum above maximum", bounds, {5, 4, 0, 1, 0, 1}, 1105005},
        {"a value of 2e12", bounds, {0, 2e12, 0, 1, 0, 1}, 1105005},
        {"a line", line, {0, 1, 0, 1, 0, 1}, 1105004},
        {"good", bounds, {-1, 1, -2, 2, -1e12, 1e12}, 0},
    };
    for (const Row& r : rows) EXPECT_EQ(KX_DISP_set_model_bounds(r.object, r.v), r.code) << r.what;
    double v[6];
    ASSERT_EQ(KX_DISP_ask_model_bounds(bounds, v), 0);
    EXPECT_DOUBLE_EQ(v[3], 2);
    EXPECT_DOUBLE_EQ(v[5], 1e12);
    EXPECT_EQ(KX_DISP_ask_model_bounds(line, v), 1105004);
    EXPECT_EQ(KX_DISP_ask_model_bounds(NULL_TAG, v), 1105004);

    logical found = 9;
    ASSERT_EQ(KX_DISP_compute_model_bounds(&found, 1), 0);
    EXPECT_EQ(found, 0);  // the line fixture has no data
    const double at[3] = {10, 20, 30}, size[3] = {1, 2, 3};
    int body = 0;
    ZQ_BODY_make_block(at, size, &body);
    ASSERT_EQ(KX_DISP_compute_model_bounds(&found, 1), 0);
    EXPECT_EQ(found, 1);
    ASSERT_EQ(KX_DISP_ask_model_bounds(bounds, v), 0);
    EXPECT_NEAR(v[0], 10, 1e-6);
    EXPECT_NEAR(v[1], 11, 1e-6);
    EXPECT_NEAR(v[5], 33, 1e-6);
    host::parts::set_work_part(0);
    EXPECT_EQ(KX_DISP_ask_model_bounds_tag(&again), 1105012);
    EXPECT_EQ(KX_DISP_compute_model_bounds(&found, 0), 1105012);
}

TEST_F(Settings, RegeneratingAViewOfTheCurrentLayout) {
    DSS_set_suppress_display(2);
    EXPECT_EQ(KX_DISP_regenerate_view(front), 0);
    EXPECT_EQ(hs::log().regenerated_views, std::vector<unsigned int>{front});
    EXPECT_EQ(hc::calls("gt660_").back().arg[0], -2);
    EXPECT_EQ(DSS_ask_suppress_display(), 2);
    EXPECT_EQ(KX_DISP_regenerate_view(elsewhere), 1105004);
    EXPECT_EQ(KX_DISP_regenerate_view(line), 1105004);
    EXPECT_EQ(KX_DISP_regenerate_view(NULL_TAG), 1105004);
    hc::raise_on("gt660_", 670004);
    EXPECT_EQ(KX_DISP_regenerate_view(top), 670004);
    EXPECT_EQ(DSS_ask_suppress_display(), 2);
    EXPECT_EQ(hc::frame_depth(), 0);
}

}  // namespace
