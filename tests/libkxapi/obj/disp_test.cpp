// Display properties of objects: reading them, colour, font, width, layer,
// blanking, face analysis and partial shading.
#include <vector>

#include "host/control/faultsim.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/views.h"
#include "host/platform/support/support.h"
#include "kx_disp.h"
#include "kx_part.h"
#include "tests/libkxapi/obj/obj_fixture.h"

namespace {

using Display = ObjectsTest;
namespace he = host::entity;
namespace hv = host::views;

TEST_F(Display, ReadingReplacesValuesOutOfRange) {
    struct Row {
        int layer, color, width, font;
        bool blanked, highlighted;
        display_properties want;
    };
    const Row rows[] = {
        {4, 0, 3, 9, false, false, {4, 11, 0, 0, 1, 0}},
        {300, 217, -1, 0, true, true, {300, 11, 1, 0, 1, 1}},
        {256, 216, 2, 7, false, true, {256, 216, 0, 2, 7, 1}},
        {1, 1, 0, 1, true, false, {1, 1, 1, 0, 1, 0}},
    };
    for (const Row& r : rows) {
        he::Attrs& a = he::attrs(line);
        a.layer = r.layer, a.color = r.color, a.width = r.width, a.font = r.font;
        a.blanked = r.blanked, a.highlighted = r.highlighted;
        display_properties p{};
        ASSERT_EQ(KX_OBJ_ask_display_properties(line, &p), 0);
        EXPECT_EQ(p.layer, r.want.layer);
        EXPECT_EQ(p.color, r.want.color);
        EXPECT_EQ(p.blank_status, r.want.blank_status);
        EXPECT_EQ(p.line_width, r.want.line_width);
        EXPECT_EQ(p.font, r.want.font);
        EXPECT_EQ(p.highlight_status, r.want.highlight_status);
    }
    display_properties p{};
    EXPECT_EQ(KX_OBJ_ask_display_properties(NULL_TAG, &p), 1105004);
    EXPECT_EQ(KX_OBJ_ask_display_properties(line, nullptr), 1105005);
}

// One setter, a value, its status and where the value lands.
struct SetRow {
    const char* what;
    int (*set)(tag, int);
    int value;
    int status;
    int he::Attrs::*field;
};

TEST_F(Display, SettersCheckTheirRangesBeforeAnyHostCall) {
    const SetRow rows[] = {
        {"colour 1", KX_OBJ_set_color, 1, 0, &he::Attrs::color},
        {"colour 216", KX_OBJ_set_color, 216, 0, &he::Attrs::color},
        {"colour 0", KX_OBJ_set_color, 0, 1105005, &he::Attrs::color},
        {"colour 217", KX_OBJ_set_color, 217, 1105005, &he::Attrs::color},
        {"font 7", KX_OBJ_set_font, 7, 0, &he::Attrs::font},
        {"font 0", KX_OBJ_set_font, 0, 1105005, &he::Attrs::font},
        {"font 8", KX_OBJ_set_font, 8, 1105005, &he::Attrs::font},
        {"width 2", KX_OBJ_set_line_width, 2, 0, &he::Attrs::width},
        {"width 0", KX_OBJ_set_line_width, 0, 0, &he::Attrs::width},
        {"width 3", KX_OBJ_set_line_width, 3, 1105005, &he::Attrs::width},
        {"width -1", KX_OBJ_set_line_width, -1, 1105005, &he::Attrs::width},
        {"layer 256", KX_OBJ_set_layer, 256, 0, &he::Attrs::layer},
        {"layer 1", KX_OBJ_set_layer, 1, 0, &he::Attrs::layer},
        {"layer 257", KX_OBJ_set_layer, 257, 1105005, &he::Attrs::layer},
        {"layer 0", KX_OBJ_set_layer, 0, 1105005, &he::Attrs::layer},
    };
    for (const SetRow& r : rows) {
        const int before = he::attrs(arc).*r.field;
        host::control::clear_journal();
        EXPECT_EQ(r.set(arc, r.value), r.status) << r.what;
        if (r.status == 0) {
            EXPECT_EQ(he::attrs(arc).*r.field, r.value) << r.what;
        } else {
            EXPECT_EQ(he::attrs(arc).*r.field, before) << r.what;
            EXPECT_EQ(host::control::journal().size(), 0u) << r.what;
        }
        EXPECT_EQ(r.set(NULL_TAG, r.value), 1105004) << r.what;
    }
}

TEST_F(Display, ChangesGoThroughOneFlaggedChangeRecord) {
    EXPECT_EQ(KX_OBJ_set_font(line, 4), 0);
    he::Attrs& a = he::attrs(line);
    EXPECT_EQ(a.font, 4);
    EXPECT_EQ(host::control::call_count("ES_change_color_font_width"), 1);
    EXPECT_EQ(host::control::call_count("DSS_REGEN_regen_object"), 1);
    // Widths regenerate only while the host shows them.
    he::set_width_display(false);
    host::control::clear_journal();
    EXPECT_EQ(KX_OBJ_set_line_width(line, 2), 0);
    EXPECT_EQ(host::control::call_count("DSS_REGEN_regen_object"), 0);
    EXPECT_EQ(a.width, 2);
    EXPECT_EQ(a.font, 4);
}

TEST_F(Display, HostErrorOfAChangeBecomesTheStatus) {
    host::control::raise_on("ES_change_color_font_width", 670066);
    EXPECT_EQ(KX_OBJ_set_color(line, 5), 670066);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(Display, LayerAboveTheRangeStaysAndSketchMembersFollow) {
    he::attrs(line).layer = 400;
    EXPECT_EQ(KX_OBJ_set_layer(line, 12), 0);
    EXPECT_EQ(he::attrs(line).layer, 400);
    const unsigned int sketch = hv::make_sketch(part, {arc, spline});
    EXPECT_EQ(KX_OBJ_set_layer(sketch, 33), 0);
    EXPECT_EQ(he::attrs(sketch).layer, 33);
    EXPECT_EQ(he::attrs(arc).layer, 33);
    EXPECT_EQ(he::attrs(spline).layer, 33);
    EXPECT_EQ(host::control::calls("ES_loop_over_sketch").at(0).arg[1], 70);
    const unsigned int special = make(242);
    host::control::clear_journal();
    EXPECT_EQ(KX_OBJ_set_layer(special, 9), 0);
    EXPECT_EQ(host::control::call_count("ES_layer_move_entity"), 0);
}

TEST_F(Display, BlankingAGroupBlanksItsMembersInOneBatch) {
    const unsigned int group = hv::make_group(part, {line, arc});
    EXPECT_EQ(KX_OBJ_set_blank_status(group, 1), 0);
    for (unsigned int t : {group, line, arc}) EXPECT_TRUE(he::attrs(t).blanked) << t;
    EXPECT_FALSE(he::attrs(spline).blanked);
    EXPECT_EQ(he::display_log().visibility, (std::vector<unsigned int>{group, line, arc}));
    EXPECT_EQ(he::display_log().batches_opened, 1);
    EXPECT_EQ(he::display_log().batch_depth, 0);
    EXPECT_EQ(KX_OBJ_set_blank_status(group, 0), 0);
    EXPECT_FALSE(he::attrs(arc).blanked);
    EXPECT_EQ(KX_OBJ_set_blank_status(group, 2), 1105005);
    EXPECT_EQ(KX_OBJ_set_blank_status(NULL_TAG, 1), 1105004);

    const unsigned int sketch = hv::make_sketch(part, {spline});
    EXPECT_EQ(KX_OBJ_set_blank_status(sketch, 1), 0);
    EXPECT_TRUE(he::attrs(spline).blanked);

    const unsigned int occ = hv::make_occurrence(part, 63);
    EXPECT_EQ(KX_OBJ_set_blank_status(occ, 1), 0);
    EXPECT_EQ(hv::log().occ_redraws, (std::vector<unsigned int>{occ}));
}

TEST_F(Display, BatchIsClosedWhenBlankingFails) {
    const unsigned int group = hv::make_group(part, {line, arc});
    host::control::raise_on("ES_write_blank_status", 670044, 2);
    EXPECT_EQ(KX_OBJ_set_blank_status(group, 1), 670044);
    EXPECT_EQ(he::display_log().batch_depth, 0);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(Display, ReverseBlankAllNeedsNoSession) {
    he::attrs(line).blanked = true;
    kx_reset_session_for_tests();
    EXPECT_EQ(KX_OBJ_reverse_blank_all(), 0);
    EXPECT_FALSE(he::attrs(line).blanked);
    EXPECT_TRUE(he::attrs(arc).blanked);
    host::control::raise_on("DSS_ATTR_reverse_blank", 670012);
    EXPECT_EQ(KX_OBJ_reverse_blank_all(), 670012);
}

// The host reverses object by object: a host error part way (the saved
// part's modified event at the first object) takes back what was
// reversed before it.
TEST_F(Display, ReverseBlankAllFailingPartWayReversesNothing) {
    ASSERT_EQ(KX_PART_save(), 0);
    he::attrs(line).blanked = true;
    const std::string before = host::control::model_fingerprint();
    host::control::raise_on("host::events::fire_part_event", 670012, 1);
    EXPECT_EQ(KX_OBJ_reverse_blank_all(), 670012);
    host::control::clear_scripts();
    EXPECT_EQ(host::control::model_fingerprint(), before);
    EXPECT_TRUE(he::attrs(line).blanked);
    EXPECT_FALSE(he::attrs(arc).blanked);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(Display, FaceAnalysisOfAFaceAndOfEveryFaceOfABody) {
    host::control::set_env_kind(0);  // inside an interactive session
    const hv::Body b = hv::make_body(part, 3);
    EXPECT_EQ(KX_OBJ_set_face_analysis(b.body, 5), 0);
    for (unsigned int f : b.faces) EXPECT_EQ(he::attrs(f).srfanl, 5);
    ASSERT_EQ(hv::log().face_attr_changes.size(), 1u);
    EXPECT_EQ(hv::log().face_attr_changes[0], b.faces);
    EXPECT_EQ(host::control::live_blocks(), 0u);  // the host's face array is freed

    host::control::set_env_kind(1);  // user-program run: no display attribute change
    EXPECT_EQ(KX_OBJ_set_face_analysis(b.faces[1], 2), 0);
    EXPECT_EQ(hv::log().face_attr_changes.size(), 1u);
    int value = 0;
    EXPECT_EQ(KX_OBJ_ask_face_analysis(b.faces[1], &value), 0);
    EXPECT_EQ(value, 2);

    const unsigned int edge = make(70, 3);
    EXPECT_EQ(KX_OBJ_set_face_analysis(edge, 1), 1105004);
    EXPECT_EQ(KX_OBJ_set_face_analysis(line, 1), 1105004);
    EXPECT_EQ(KX_OBJ_set_face_analysis(NULL_TAG, 1), 1105004);
    EXPECT_EQ(KX_OBJ_ask_face_analysis(line, &value), 1105004);
    EXPECT_EQ(KX_OBJ_ask_face_analysis(NULL_TAG, &value), 1105004);
}

TEST_F(Display, PartialShadingRedrawsWhenAViewShadesIt) {
    host::control::set_env_kind(0);  // inside an interactive session
    const hv::Body b = hv::make_body(part, 2);
    const unsigned int drawing = hv::make_drawing(part, true);
    hv::make_view(drawing, 1, HOST_VIEW_STYLE_PARTIALLY_SHADED, false);
    EXPECT_EQ(KX_OBJ_set_partially_shaded(b.body, 1), 0);
    for (unsigned int f : b.faces) EXPECT_EQ(he::attrs(f).shaded, 1);
    EXPECT_TRUE(he::display_log().redrawn.empty());

    hv::make_view(drawing, 1, HOST_VIEW_STYLE_PARTIALLY_SHADED, true);
    EXPECT_EQ(KX_OBJ_set_partially_shaded(b.faces[0], 0), 0);
    EXPECT_EQ(he::display_log().redrawn, (std::vector<unsigned int>{b.faces[0]}));
    int value = 9;
    EXPECT_EQ(KX_OBJ_ask_partially_shaded(b.faces[0], &value), 0);
    EXPECT_EQ(value, 0);

    const unsigned int other = make(139);
    EXPECT_EQ(KX_OBJ_set_partially_shaded(other, 3), 0);
    EXPECT_EQ(KX_OBJ_ask_partially_shaded(other, &value), 0);
    EXPECT_EQ(value, 3);
    EXPECT_EQ(KX_OBJ_set_partially_shaded(line, 1), 1105004);
    EXPECT_EQ(KX_OBJ_ask_partially_shaded(b.body, &value), 1105004);

    host::control::set_env_kind(1);  // a user program: no view walk
    host::control::clear_journal();
    EXPECT_EQ(KX_OBJ_set_partially_shaded(b.faces[0], 1), 0);
    EXPECT_EQ(host::control::call_count("DSS_VIEW_for_all_views"), 0);
}

}  // namespace
