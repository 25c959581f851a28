// The display data of objects under fault simulation: each object's
// colour, font, width, layer and blanking, face analysis and partial
// shading of a body's faces (inside an interactive session, where views
// are redrawn), the general creation defaults and their saved set, and the
// creation settings of an entity type; a host error at each host call they
// make must end clean.
#include <gtest/gtest.h>

#include <cstdio>

#include "host/control/control.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/views.h"
#include "host/store/parts/parts.h"
#include "kx_core.h"
#include "kx_disp.h"
#include "libkxapi/obj/kx_disp_internal.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

namespace hv = host::views;

#define STEP FAULTSIM_STEP

tag part = NULL_TAG, line = NULL_TAG, arc = NULL_TAG;
hv::Body body;

// An interactive session's work part with a line, an arc, a body of three
// faces and a drawing whose partially shaded view shows the body.
void with_objects() {
    kxtest::fresh_process();
    kx_disp_reset_for_tests();
    host::control::set_env_kind(0);
    part = host::parts::create("display_data.prt");
    host::parts::set_work_part(part);
    host::parts::set_display_part(part);
    line = host::entity::create({OM_CLASS_RM_ENTITY, 3, 0, part});
    arc = host::entity::create({OM_CLASS_RM_ENTITY, 5, 0, part});
    body = hv::make_body(part, 3);
    const unsigned int drawing = hv::make_drawing(part, true);
    hv::make_view(drawing, 1, HOST_VIEW_STYLE_PARTIALLY_SHADED, true);
    host::control::clear_journal();
}

int objects() {
    STEP(KX_initialize());
    display_properties p{};
    STEP(KX_OBJ_ask_display_properties(arc, &p));
    STEP(KX_OBJ_set_color(arc, 83));
    STEP(KX_OBJ_set_font(arc, 4));
    STEP(KX_OBJ_set_line_width(arc, 2));
    STEP(KX_OBJ_set_layer(arc, 12));
    STEP(KX_OBJ_set_blank_status(line, 1));
    STEP(KX_OBJ_reverse_blank_all());
    STEP(KX_OBJ_set_face_analysis(body.body, 5));
    int value = 0;
    STEP(KX_OBJ_set_face_analysis(body.faces[1], 2));
    STEP(KX_OBJ_ask_face_analysis(body.faces[1], &value));
    STEP(KX_OBJ_set_partially_shaded(body.body, 1));
    STEP(KX_OBJ_set_partially_shaded(body.faces[0], 0));
    STEP(KX_OBJ_ask_partially_shaded(body.faces[0], &value));
    return 0;
}

int defaults() {
    STEP(KX_initialize());
    STEP(KX_OBJ_reset_defaults(40, 20, 2, 3));
    STEP(KX_OBJ_modify_defaults(100, -1, 0, -1));
    STEP(KX_OBJ_return_prev_defaults());
    int color = 61, layer = 7, width = 1, font = 5;
    if (int st = faultsim::step("kx5025_", [&] {
            kx5025_(&color, &layer, &width, &font);
            return 0;
        }))
        return st;

    STEP(KX_OBJ_set_def_cre_color(42));
    STEP(KX_OBJ_set_def_cre_line_font(6));
    STEP(KX_OBJ_set_def_cre_width(2));
    creation_settings s{};
    STEP(KX_OBJ_ask_def_cre_settings(&s));
    STEP(KX_OBJ_set_cre_color(3, 0, 0, 100));
    STEP(KX_OBJ_set_cre_line_font(3, 0, 0, 3));
    STEP(KX_OBJ_set_cre_width(3, 0, 0, 0));
    STEP(KX_OBJ_ask_cre_settings(3, 0, 0, &s));
    logical is_def = 0;
    STEP(KX_OBJ_is_def_cre_color(3, 0, 0, &is_def));
    STEP(KX_OBJ_is_def_cre_line_font(3, 0, 0, &is_def));
    STEP(KX_OBJ_is_def_cre_width(3, 0, 0, &is_def));
    STEP(KX_OBJ_set_cre_color_to_def(3, 0, 0));
    STEP(KX_OBJ_set_cre_line_font_to_def(3, 0, 0));
    STEP(KX_OBJ_set_cre_width_to_def(3, 0, 0));
    return 0;
}

void simulate(const char* name, int (*story)()) {
    const faultsim::Report r = faultsim::simulate({name, story, with_objects});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    std::printf("%s", faultsim::describe(r).c_str());
    EXPECT_EQ(faultsim::faults_of(r), "");
}

TEST(ObjectDisplayFaultSimulation, EveryRunEndsClean) { simulate("object display", objects); }

TEST(DisplayDefaultsFaultSimulation, EveryRunEndsClean) { simulate("display defaults", defaults); }

}  // namespace
