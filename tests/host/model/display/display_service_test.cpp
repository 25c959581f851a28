// The host's temporary display, layouts and display-context services: what
// they refuse, what they record, and the measures of the test routines.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "host/store/entities/display.h"
#include "host/store/entities/entity_store.h"
#include "host/store/parts/parts.h"
#include "host/model/display/context.h"
#include "host/model/display/layout.h"
#include "host/model/display/temp.h"
#include "host/base/services/error.h"
#include "tests/host/host_test.h"

namespace {

namespace hc = host::control;
namespace hx = host::context;

class DisplayService : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        part = host::parts::create("service.prt");
        host::parts::set_work_part(part);
        a = host::layout::make_model_view(part);
        b = host::layout::make_model_view(part);
        outside = host::layout::make_model_view(part);
        layout = host::layout::make_layout(part, {a, b});
    }
    unsigned int part = 0, a = 0, b = 0, outside = 0, layout = 0;
};

TEST_F(DisplayService, LayoutsNumberTheirViews) {
    EXPECT_EQ(DISPLAY_ask_current_layout(), layout);
    EXPECT_EQ(DISPLAY_ask_vseq_of_tag(layout, a), 1);
    EXPECT_EQ(DISPLAY_ask_vseq_of_tag(layout, b), 2);
    EXPECT_EQ(DISPLAY_ask_vseq_of_tag(layout, outside), 0);
    EXPECT_EQ(hc::raised_code([&] { DISPLAY_ask_vseq_of_tag(a, a); }), HOST_ERR_WRONG_CLASS);
    int type = -1;
    VIEW_ask_type(a, &type);
    EXPECT_EQ(type, 0);
    host::layout::set_view_type(a, 10);
    VIEW_ask_type(a, &type);
    EXPECT_EQ(type, 10);
    EXPECT_EQ(hc::raised_code([&] { VIEW_ask_type(part, &type); }), HOST_ERR_WRONG_CLASS);
    EXPECT_EQ(dimspc_[DIMSPC_CHAR_SIZE], 3.5);
    EXPECT_EQ(ACOM_ask_MEC(), 1.0);
}

TEST_F(DisplayService, TemporaryDisplayRefusesWhatIsNotOnTheScreen) {
    const double pts[6] = {0, 0, 0, 1, 1, 1};
    const double m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const DSS_arc_t zero{0, 1, {0, 0, 0}, 0};
    const DSS_view_spec_t in_layout{b, 0}, not_in{outside, 0}, third{0, 3}, choice{0, -3};
    struct Row {
        const char* what;
        std::function<void()> call;
        std::optional<int> code;
    };
    const std::vector<Row> rows = {
        {"a view of the layout", [&] { DSS_TEMP_display_polyline(&in_layout, 4, 2, pts, 1, 1, 1); }, std::nullopt},
        {"a host choice", [&] { DSS_TEMP_display_polyline(&choice, 4, 2, pts, 1, 1, 1); }, std::nullopt},
        {"a view outside", [&] { DSS_TEMP_display_polyline(&not_in, 4, 2, pts, 1, 1, 1); }, HOST_ERR_BAD_ARGUMENT},
        {"sequence 3 of two views", [&] { DSS_TEMP_display_polyline(&third, 4, 2, pts, 1, 1, 1); },
         HOST_ERR_BAD_ARGUMENT},
        {"sequence -4", [&] { DSS_TEMP_display_markers(-4, 1, 1, 4, 1, pts); }, HOST_ERR_BAD_ARGUMENT},
        {"marker 12", [&] { DSS_TEMP_display_markers(1, 12, 1, 4, 1, pts); }, HOST_ERR_BAD_ARGUMENT},
        {"width 3", [&] { DSS_TEMP_display_polyline(&in_layout, 4, 2, pts, 1, 1, 3); }, HOST_ERR_BAD_ARGUMENT},
        {"radius 0", [&] { DSS_TEMP_display_arc(&in_layout, 4, m, &zero, 1, 1, 1); }, HOST_ERR_BAD_ARGUMENT},
        {"no points", [&] { DSS_TEMP_display_polyline(&in_layout, 4, 2, nullptr, 1, 1, 1); }, HOST_ERR_NULL_ARGUMENT},
    };
    for (const Row& r : rows) EXPECT_EQ(hc::raised_code(r.call), r.code) << r.what;
    EXPECT_EQ(host::temp::shown().size(), 2u);
}

TEST_F(DisplayService, OldTextUnpacksItsLines) {
    const int seq = 2, count = 3, pos = 7, color = 5;
    const int lengths[3] = {2, 0, 3};
    const std::int64_t zero = 0;
    const double origin[3] = {1, 2, 3};
    gt533_(&seq, "abcde", lengths, &count, origin, &pos, &zero, &color);
    ASSERT_EQ(host::temp::shown().size(), 1u);
    EXPECT_EQ(host::temp::shown()[0].lines, (std::vector<std::string>{"ab", "", "cde"}));
    const int many = 81;
    EXPECT_EQ(hc::raised_code([&] { gt533_(&seq, "", lengths, &many, origin, &pos, &zero, &color); }),
              HOST_ERR_BAD_ARGUMENT);
}

TEST_F(DisplayService, PickMeasuresAcrossTheRay) {
    const double ray[6] = {0, 0, 100, 0, 0, -2};
    const double aperture = 1;
    struct Row {
        const char* what;
        std::function<int(double*, void*)> test;
        double distance;
        int hit;
        int kind;
    };
    const double p[3] = {3, 4, -50};
    const double s0[3] = {1, -5, 0}, s1[3] = {1, 5, 7};
    const double sq[12] = {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0};
    const double far_sq[12] = {2, 0, 0, 3, 0, 0, 3, 1, 0, 2, 1, 0};
    const double m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const double c[3] = {0, 0, 0};
    const std::vector<Row> rows = {
        {"a point 5 away", [&](double* d, void* h) { return DSS_PICK_point(p, ray, &aperture, d, h); }, 5, 0, 3},
        {"a segment 1 away", [&](double* d, void* h) { return DSS_PICK_segment(s0, s1, ray, &aperture, d, h); }, 1, 1,
         2},
        {"inside a polygon", [&](double* d, void* h) { return DSS_PICK_polygon(4, sq, ray, &aperture, d, h); }, 0, 1,
         4},
        {"beside a polygon", [&](double* d, void* h) { return DSS_PICK_polygon(4, far_sq, ray, &aperture, d, h); }, 2,
         0, 4},
        {"a circle of radius 0.5",
         [&](double* d, void* h) { return DSS_PICK_arc(m, 0, 6.2831853, c, 0.5, ray, &aperture, d, h); }, 0.5, 1, 1},
    };
    for (const Row& r : rows) {
        double distance = 1e10;
        DSS_hit_t hit{};
        EXPECT_EQ(r.test(&distance, &hit), r.hit) << r.what;
        EXPECT_NEAR(distance, r.distance, 1e-4) << r.what;  // arcs are measured by their chords
        EXPECT_EQ(hit.kind, r.kind) << r.what;
    }
    const double flat[6] = {0, 0, 0, 0, 0, 0};
    double d = 0;
    DSS_hit_t h{};
    EXPECT_EQ(hc::raised_code([&] { DSS_PICK_point(p, flat, &aperture, &d, &h); }), HOST_ERR_BAD_ARGUMENT);
}

TEST_F(DisplayService, AreaClassesOfSegments) {
    hx::set_selection_area(0, 0, 10, 10);
    struct Row {
        double a[3], b[3];
        int cls;
    };
    const Row rows[] = {
        {{1, 1, 0}, {9, 9, 5}, 1},     {{1, 1, 0}, {11, 1, 0}, 2},    {{-5, 5, 0}, {15, 5, 0}, 2},
        {{-5, -1, 0}, {15, -1, 0}, 0}, {{-5, 20, 0}, {20, -5, 0}, 2}, {{20, 20, 0}, {30, 30, 0}, 0},
        {{-5, 0, 0}, {0, -5, 0}, 0},   {{0, 0, 0}, {10, 10, 0}, 1},
    };
    for (const Row& r : rows) EXPECT_EQ(DSS_AREA_segment(r.a, r.b), r.cls) << r.a[0] << "," << r.a[1];
}

TEST_F(DisplayService, SectionCutsAndFitBoxes) {
    const double a[3] = {0, 0, 0}, b[3] = {4, 2, 0};
    const double c1[3] = {1, -9, -9}, c2[3] = {1, 9, 9};
    double at[3] = {};
    int found = 0;
    j0329_(a, b, c1, c2, at, &found);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(at[0], 1);
    EXPECT_EQ(at[1], 0.5);
    const double up[3] = {0, 5, 0};
    j0329_(a, up, c1, c2, at, &found);
    EXPECT_EQ(found, 0);
    const double bad1[3] = {1, 2, 3}, bad2[3] = {4, 5, 6};
    EXPECT_EQ(hc::raised_code([&] { j0329_(a, b, bad1, bad2, at, &found); }), HOST_ERR_BAD_ARGUMENT);

    const int box = hx::new_fit_box();
    EXPECT_TRUE(hx::fit_box(box).empty);
    DSS_FIT_expand_bounding_box(b, box, 0);
    DSS_FIT_expand_bounding_box(a, box, 0);
    EXPECT_EQ(hx::fit_box(box).max[0], 4);
    EXPECT_EQ(hx::fit_box(box).min[1], 0);
    EXPECT_EQ(hc::raised_code([&] { DSS_FIT_expand_bounding_box(a, box + 1, 0); }), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(hc::raised_code([] { DSS_PRIM_pop_rotation(); }), HOST_ERR_BAD_ARGUMENT);
}

TEST_F(DisplayService, NothingIsDrawnWhileTheDisplayIsSuppressed) {
    const double p[3] = {1, 2, 3};
    double pos[3] = {};
    DSS_set_suppress_display(1);
    EXPECT_EQ(DSS_PRIM_draw_marker(1, p, pos), 0);
    DSS_LINE_draw_line(p, p);
    EXPECT_TRUE(hx::drawn().empty());
    DSS_set_suppress_display(0);
    EXPECT_EQ(DSS_PRIM_draw_marker(1, p, pos), 1);
    EXPECT_EQ(pos[2], 3);
    EXPECT_EQ(hx::drawn().size(), 1u);
}

}  // namespace
