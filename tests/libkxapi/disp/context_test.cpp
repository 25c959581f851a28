// Display primitives in display contexts: the checks of each primitive,
// and what each does in the five modes with the host's drawing routines,
// fit table and test routines.
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "host/store/entities/display.h"
#include "host/store/entities/views.h"
#include "host/model/display/context.h"
#include "kx_disp_prim.h"
#include "tests/libkxapi/disp/disp_fixture.h"

namespace {

namespace hx = host::context;
namespace hc = host::control;

constexpr double kPi = std::numbers::pi;
const double kIdentity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
const double kOrigin[3] = {0, 0, 0};

// A context of each mode over records the test can read.
struct Contexts {
    DSS_display_record_t disp{};
    DSS_fit_record_t fit{};
    DSS_pick_view_t view{{0, 0, 10, 0, 0, -1}, 0.5};
    DSS_pick_record_t pick = hx::pick_record(&view);
    DSS_area_record_t area = hx::area_record();
    DSS_attention_record_t attn = hx::attention_record(0);
    display_context display{DSS_MODE_DISPLAY, &disp};
    display_context fitting{DSS_MODE_FIT, &fit};
    display_context picking{DSS_MODE_PICK, &pick};
    display_context selecting{DSS_MODE_AREA, &area};
    display_context searching{DSS_MODE_ATTENTION, &attn};
    Contexts() { fit.box = hx::new_fit_box(); }
    const hx::Box& box() const { return hx::fit_box(fit.box); }
};

class Primitives : public DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        hx::set_selection_area(-1, -1, 1, 1);
    }
};

int count_of(hx::Kind kind) {
    int n = 0;
    for (const hx::Drawn& d : hx::drawn()) n += d.kind == kind;
    return n;
}

TEST_F(Primitives, ChecksComeInTheirOrder) {
    Contexts c;
    const double pts[6] = {0, 0, 0, 1, 1, 0};
    const facet f{pts, nullptr};
    display_context odd{7, &c.disp};
    struct Row {
        const char* what;
        int status;
        int got;
    };
    const Row rows[] = {
        {"arc sweep", 1480004, KX_DISP_display_arc(nullptr, 0, 7, nullptr, 0, nullptr)},
        {"arc start above end", 1480005, KX_DISP_display_arc(nullptr, 1, 0.5, nullptr, 0, nullptr)},
        {"arc no matrix", 1105004, KX_DISP_display_arc(nullptr, 0, 1, nullptr, 0, nullptr)},
        {"arc no centre", 1105007, KX_DISP_display_arc(kIdentity, 0, 1, nullptr, 0, nullptr)},
        {"arc radius", 1105013, KX_DISP_display_arc(kIdentity, 0, 1, kOrigin, 0, nullptr)},
        {"arc no context", 1105014, KX_DISP_display_arc(kIdentity, 0, 1, kOrigin, 1, nullptr)},
        {"arc odd mode", 1105013, KX_DISP_display_arc(kIdentity, 0, 1, kOrigin, 1, &odd)},
        {"circle no matrix", 1105004, KX_DISP_display_circle(nullptr, nullptr, 0, 0, nullptr)},
        {"circle no centre", 1105005, KX_DISP_display_circle(kIdentity, nullptr, 0, 0, nullptr)},
        {"circle radius", 1105006, KX_DISP_display_circle(kIdentity, kOrigin, -1, 0, nullptr)},
        {"circle no context", 1105013, KX_DISP_display_circle(kIdentity, kOrigin, 1, 0, nullptr)},
        {"polyline no points", 1105004, KX_DISP_display_polyline(nullptr, 0, nullptr)},
        {"polyline count", 1105005, KX_DISP_display_polyline(pts, 0, nullptr)},
        {"polyline no context", 1105006, KX_DISP_display_polyline(pts, 2, nullptr)},
        {"polyline odd mode", 1105013, KX_DISP_display_polyline(pts, 2, &odd)},
        {"points no points", 1105004, KX_DISP_display_points(nullptr, 0, 0, nullptr)},
        {"points count", 1105005, KX_DISP_display_points(pts, 0, 0, nullptr)},
        {"points marker 0", 1105006, KX_DISP_display_points(pts, 1, 0, nullptr)},
        {"points marker 12", 1105006, KX_DISP_display_points(pts, 1, 12, nullptr)},
        {"points no context", 1105007, KX_DISP_display_points(pts, 1, 11, nullptr)},
        {"polygon no points", 1105004, KX_DISP_display_polygon(nullptr, 0, 0, nullptr)},
        {"polygon count", 1105005, KX_DISP_display_polygon(pts, 0, 0, nullptr)},
        {"polygon no context", 1105007, KX_DISP_display_polygon(pts, 2, 0, nullptr)},
        {"facets none", 1105004, KX_DISP_display_facets(nullptr, 0, 0, 0, nullptr)},
        {"facets vertices", 1105005, KX_DISP_display_facets(&f, 0, 0, 0, nullptr)},
        {"facets count", 1105006, KX_DISP_display_facets(&f, 3, 0, 0, nullptr)},
        {"facets no context", 1105013, KX_DISP_display_facets(&f, 3, 1, 0, nullptr)},
        {"text none", 1105004, KX_DISP_display_text(nullptr, nullptr, 0, nullptr)},
        {"text no origin", 1105005, KX_DISP_display_text("t", nullptr, 0, nullptr)},
        {"text no context", 1105007, KX_DISP_display_text("t", kOrigin, 0, nullptr)},
        {"text odd mode", 1105013, KX_DISP_display_text("t", kOrigin, 0, &odd)},
        {"ask no context", 1105004, KX_DISP_ask_display_context(nullptr, nullptr)},
    };
    for (const Row& r : rows) EXPECT_EQ(r.got, r.status) << r.what;
    EXPECT_TRUE(hx::drawn().empty());
    EXPECT_EQ(c.disp.drawn, 0);

    host::parts::set_work_part(0);
    EXPECT_EQ(KX_DISP_display_arc(nullptr, 0, 7, nullptr, 0, nullptr), 1105012);
    EXPECT_EQ(KX_DISP_display_text(nullptr, nullptr, 0, nullptr), 1105012);
}

TEST_F(Primitives, FacetKindsAreCheckedOnlyInDisplayMode) {
    Contexts c;
    const double quad[12] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    const facet f{quad, nullptr};
    EXPECT_EQ(KX_DISP_display_facets(&f, 4, 1, KX_DISP_TRIANGLES, &c.display), 1105005);
    EXPECT_EQ(KX_DISP_display_facets(&f, 4, 1, 3, &c.display), 1105007);
    EXPECT_TRUE(hx::drawn().empty());
    EXPECT_EQ(KX_DISP_display_facets(&f, 4, 1, KX_DISP_TRIANGLES, &c.fitting), 0);
    EXPECT_EQ(KX_DISP_display_facets(&f, 4, 1, 3, &c.selecting), 0);
    EXPECT_EQ(c.box().max[0], 1);
    EXPECT_EQ(KX_DISP_display_facets(&f, 4, 1, KX_DISP_POLYGONS, &c.display), 0);
    ASSERT_EQ(hx::drawn().size(), 1u);
    EXPECT_EQ(hx::drawn()[0].kind, hx::Kind::Polygon);
    EXPECT_EQ(hx::drawn()[0].count, 4);
    EXPECT_EQ(c.disp.drawn, 1);
    // Filling by lines draws no facets and leaves the context undrawn.
    c.disp.fill_style = 1;
    EXPECT_EQ(KX_DISP_display_facets(&f, 4, 1, KX_DISP_POLYGONS, &c.display), 0);
    EXPECT_EQ(hx::drawn().size(), 1u);
    EXPECT_EQ(c.disp.drawn, 0);
}

TEST_F(Primitives, AskDisplayContextTellsModeViewAndFoundPoint) {
    Contexts c;
    const unsigned int drawing = host::views::make_drawing(part, true);
    const unsigned int shaded = host::views::make_view(drawing, 0, 7, true);
    host::layout::set_view_type(front, 10);
    struct Row {
        const char* what;
        display_context* ctx;
        unsigned int view;
        int mode;
        logical surface;
        int style;
        logical type10;
        unsigned int want_view;
    };
    const Row rows[] = {
        {"fit", &c.fitting, NULL_TAG, 1, 0, -7, 0, NULL_TAG},
        {"display without view", &c.display, NULL_TAG, 0, 0, -7, 0, NULL_TAG},
        {"an ordinary view", &c.display, top, 0, 1, 1, 0, top},
        {"a partially shading view", &c.display, shaded, 0, 1, 2, 0, shaded},
        {"a view of type 10", &c.display, front, 0, 0, -7, 1, front},
    };
    for (const Row& r : rows) {
        c.disp.view = r.view;
        context_info info{};
        std::memset(&info, 0xAB, sizeof info);
        info.surface_style = -7;
        ASSERT_EQ(KX_DISP_ask_display_context(r.ctx, &info), 0) << r.what;
        EXPECT_EQ(info.mode, r.mode) << r.what;
        EXPECT_EQ(info.is_surface_view, r.surface) << r.what;
        EXPECT_EQ(info.surface_style, r.style) << r.what;
        EXPECT_EQ(info.is_type_10_view, r.type10) << r.what;
        EXPECT_EQ(info.has_attention_point, 0) << r.what;
        EXPECT_EQ(info.view, r.want_view) << r.what;
    }
    context_info info{};
    EXPECT_EQ(KX_DISP_ask_display_context(&c.searching, nullptr), 1105005);
    ASSERT_EQ(KX_DISP_ask_display_context(&c.searching, &info), 0);
    EXPECT_EQ(info.has_attention_point, 0);
    const double p[3] = {4, 5, 6};
    ASSERT_EQ(KX_DISP_display_points(p, 1, 1, &c.searching), 0);
    ASSERT_EQ(KX_DISP_ask_display_context(&c.searching, &info), 0);
    EXPECT_EQ(info.has_attention_point, 1);
    EXPECT_EQ(info.attention_point[2], 6);
}

TEST_F(Primitives, OnePointPolylineDrawsNothingButFits) {
    Contexts c;
    const double p[3] = {2, 3, 4};
    EXPECT_EQ(KX_DISP_display_polyline(p, 1, &c.display), 0);
    EXPECT_EQ(KX_DISP_display_polyline(p, 1, &c.picking), 0);
    EXPECT_EQ(KX_DISP_display_polyline(p, 1, &c.selecting), 0);
    EXPECT_TRUE(hx::drawn().empty());
    EXPECT_EQ(c.disp.drawn, 0);
    EXPECT_EQ(c.pick.found, 0);
    EXPECT_EQ(c.area.total, 0);
    EXPECT_EQ(KX_DISP_display_polyline(p, 1, &c.fitting), 0);
    EXPECT_FALSE(c.box().empty);
    EXPECT_EQ(c.box().min[1], 3);
    EXPECT_EQ(c.box().max[2], 4);
}

TEST_F(Primitives, DisplayRecordsTheFirstPositionOnce) {
    Contexts c;
    const double pts[6] = {5, 6, 7, 8, 9, 10};
    ASSERT_EQ(KX_DISP_display_points(pts, 2, 3, &c.display), 0);
    EXPECT_EQ(count_of(hx::Kind::Marker), 2);
    EXPECT_EQ(c.disp.drawn, 1);
    EXPECT_EQ(c.disp.first_position[0], 5);
    ASSERT_EQ(KX_DISP_display_arc(kIdentity, kPi / 2, kPi, kOrigin, 2, &c.display), 0);
    EXPECT_EQ(c.disp.first_position[0], 5);

    Contexts arc;
    ASSERT_EQ(KX_DISP_display_arc(kIdentity, kPi / 2, kPi, kOrigin, 2, &arc.display), 0);
    EXPECT_NEAR(arc.disp.first_position[0], 0, 1e-12);
    EXPECT_NEAR(arc.disp.first_position[1], 2, 1e-12);

    // Nothing is drawn while the display is suppressed; the context stays undrawn.
    Contexts quiet;
    DSS_set_suppress_display(1);
    ASSERT_EQ(KX_DISP_display_points(pts, 2, 3, &quiet.display), 0);
    EXPECT_EQ(quiet.disp.drawn, 0);
    // A circle marks the context drawn (at zero) in any case.
    ASSERT_EQ(KX_DISP_display_circle(kIdentity, pts, 1, 0, &quiet.display), 0);
    EXPECT_EQ(quiet.disp.drawn, 1);
    EXPECT_EQ(quiet.disp.first_position[0], 0);
}

TEST_F(Primitives, FilledCircleByLinesDrawsConcentricCirclesClampedByDensity) {
    struct Row {
        double density;
        int circles;
    };
    // n = density x 800, kept between 1 and 10000; circles of radius
    // r - k r/n above 1e-10: n - 1 of them.
    const Row rows[] = {{0.5, 399}, {0.0, 0}, {-3, 0}, {NAN, 0}, {0.00125, 0}, {0.0025, 1}, {1e9, 9999}};
    for (const Row& r : rows) {
        DISPLAY_regenerate();
        hc::clear_journal();
        Contexts c;
        c.disp.fill_style = 1;
        c.disp.fill_density = r.density;
        ASSERT_EQ(KX_DISP_display_circle(kIdentity, kOrigin, 4, 1, &c.display), 0) << r.density;
        EXPECT_EQ(count_of(hx::Kind::FillCircle), r.circles) << r.density;
        EXPECT_EQ(count_of(hx::Kind::Circle), 1);
        EXPECT_EQ(hc::call_count("DSS_FILL_set_fill_method"), 0);
        EXPECT_EQ(hc::call_count("DSS_PRIM_push_rotation"), hc::call_count("DSS_PRIM_pop_rotation"));
        for (const hx::Drawn& d : hx::drawn()) EXPECT_EQ(d.rotations, 1);
    }
    DISPLAY_regenerate();
    hc::clear_journal();
    // Filled otherwise: the device fills, on for the circle and off after.
    Contexts c;
    ASSERT_EQ(KX_DISP_display_circle(kIdentity, kOrigin, 4, 1, &c.display), 0);
    ASSERT_EQ(hx::drawn().size(), 1u);
    EXPECT_EQ(hx::drawn()[0].fill_method, 1);
    EXPECT_TRUE(hx::drawn()[0].filled);
    const auto fills = hc::calls("DSS_FILL_set_fill_method");
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(fills[0].arg[0], 1);
    EXPECT_EQ(fills[1].arg[0], 0);
}

TEST_F(Primitives, RotationAndDeviceFillAreUndoneWhenDrawingFails) {
    Contexts c;
    hc::raise_on("DSS_PRIM_draw_circle", 670004);
    EXPECT_EQ(KX_DISP_display_circle(kIdentity, kOrigin, 4, 1, &c.display), 670004);
    EXPECT_EQ(hc::call_count("DSS_PRIM_push_rotation"), hc::call_count("DSS_PRIM_pop_rotation"));
    const auto fills = hc::calls("DSS_FILL_set_fill_method");
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(fills[1].arg[0], 0);
    EXPECT_EQ(hc::frame_depth(), 0);
}

TEST_F(Primitives, FilledPolygonByLinesCutsAcrossEachAxis) {
    Contexts c;
    c.disp.fill_style = 1;
    c.disp.fill_density = 0.01;  // 8 steps: 7 cuts an axis
    const double square[12] = {0, 0, 0, 2, 0, 0, 2, 2, 0, 0, 2, 0};
    ASSERT_EQ(KX_DISP_display_polygon(square, 4, 1, &c.display), 0);
    EXPECT_EQ(count_of(hx::Kind::Line), 14);
    EXPECT_EQ(count_of(hx::Kind::Outline), 1);
    for (const hx::Drawn& d : hx::drawn()) {
        if (d.kind != hx::Kind::Line) continue;
        const bool across_x = d.points[0] == d.points[3] && std::fabs(d.points[1] - d.points[4]) == 2;
        const bool across_y = d.points[1] == d.points[4] && std::fabs(d.points[0] - d.points[3]) == 2;
        EXPECT_TRUE(across_x || across_y);
    }
    // A density of 0 still cuts nothing and ends.
    DISPLAY_regenerate();
    Contexts z;
    z.disp.fill_style = 1;
    ASSERT_EQ(KX_DISP_display_polygon(square, 4, 1, &z.display), 0);
    EXPECT_EQ(count_of(hx::Kind::Line), 0);
    EXPECT_EQ(count_of(hx::Kind::Outline), 1);
}

TEST_F(Primitives, PickKeepsTheNearestHitAndTheFirstOfEqualOnes) {
    Contexts c;
    // The ray looks down the Z axis through the origin; aperture 0.5.
    const double near_seg[6] = {0.2, -1, 0, 0.2, 1, 0};
    const double same_seg[6] = {-0.2, -1, 5, -0.2, 1, 5};
    const double nearer[6] = {0.1, -1, 0, 0.1, 1, 0};
    const double far_pt[3] = {3, 0, 0};
    ASSERT_EQ(KX_DISP_display_points(far_pt, 1, 1, &c.picking), 0);
    EXPECT_EQ(c.pick.found, 0);
    ASSERT_EQ(KX_DISP_display_polyline(near_seg, 2, &c.picking), 0);
    EXPECT_EQ(c.pick.found, 1);
    EXPECT_NEAR(c.pick.best_distance, 0.2, 1e-12);
    DSS_hit_t first{};
    std::memcpy(&first, c.pick.best_hit, sizeof first);
    EXPECT_EQ(first.kind, 2);
    EXPECT_NEAR(first.parameter, 0.5, 1e-12);
    ASSERT_EQ(KX_DISP_display_polyline(same_seg, 2, &c.picking), 0);
    DSS_hit_t kept{};
    std::memcpy(&kept, c.pick.best_hit, sizeof kept);
    EXPECT_EQ(std::memcmp(&kept, &first, sizeof kept), 0);
    ASSERT_EQ(KX_DISP_display_polyline(nearer, 2, &c.picking), 0);
    EXPECT_NEAR(c.pick.best_distance, 0.1, 1e-12);
    // A circle around the ray is 1 away: a miss at aperture 0.5.
    ASSERT_EQ(KX_DISP_display_circle(kIdentity, kOrigin, 1, 0, &c.picking), 0);
    EXPECT_NEAR(c.pick.best_distance, 0.1, 1e-12);
    // Text over the ray is hit at distance 0.
    const double origin[3] = {-0.5, 0.5, 0};
    ASSERT_EQ(KX_DISP_display_text("ab\ncd", origin, 1, &c.picking), 0);
    EXPECT_EQ(c.pick.best_distance, 0);
}

TEST_F(Primitives, AreaSelectionCountsEachPieceUnderItsClass) {
    struct Row {
        const char* what;
        int (*draw)(display_context*);
        int counts[3];
    };
    const Row rows[] = {
        {"a polyline in, across and out",
         [](display_context* c) {
             const double p[12] = {0, 0, 0, 0.5, 0, 0, 3, 0, 0, 4, 0, 0};
             return KX_DISP_display_polyline(p, 4, c);
         },
         {1, 1, 1}},
        {"points in and out",
         [](display_context* c) {
             const double p[9] = {0, 0, 0, 5, 5, 0, 0.9, -0.9, 2};
             return KX_DISP_display_points(p, 3, 1, c);
         },
         {1, 2, 0}},
        {"a polygon's edges and its closing edge",
         [](display_context* c) {
             const double p[9] = {0, 0, 0, 0.5, 0, 0, 0.5, 3, 0};
             return KX_DISP_display_polygon(p, 3, 0, c);
         },
         {0, 1, 2}},
        {"a circle across the area",
         [](display_context* c) { return KX_DISP_display_circle(kIdentity, kOrigin, 1.2, 0, c); },
         {0, 0, 1}},
        {"an arc inside",
         [](display_context* c) { return KX_DISP_display_arc(kIdentity, 0, 1, kOrigin, 0.5, c); },
         {0, 1, 0}},
        {"facets by their first vertex inside",
         [](display_context* c) {
             const double a[9] = {5, 5, 0, 0, 0, 0, 6, 6, 0};
             const double b[9] = {5, 5, 0, 6, 5, 0, 5, 6, 0};
             const facet f[2] = {{a, nullptr}, {b, nullptr}};
             return KX_DISP_display_facets(f, 3, 2, 0, c);
         },
         {1, 1, 0}},
    };
    for (const Row& r : rows) {
        Contexts c;
        ASSERT_EQ(r.draw(&c.selecting), 0) << r.what;
        for (int k = 0; k < 3; ++k) EXPECT_EQ(c.area.class_count[k], r.counts[k]) << r.what << " class " << k;
        EXPECT_EQ(c.area.total, r.counts[0] + r.counts[1] + r.counts[2]) << r.what;
    }
}

TEST_F(Primitives, AttentionStopsAtTheFirstFoundPoint) {
    Contexts c;
    const double seg[6] = {1, 2, 3, 4, 5, 6};
    const double other[3] = {9, 9, 9};
    ASSERT_EQ(KX_DISP_display_polyline(seg, 2, &c.searching), 0);
    EXPECT_EQ(c.attn.state, DSS_ATTENTION_FOUND);
    EXPECT_EQ(c.attn.found_point[0], 1);
    hc::clear_journal();
    ASSERT_EQ(KX_DISP_display_points(other, 1, 1, &c.searching), 0);
    ASSERT_EQ(KX_DISP_display_arc(kIdentity, 0, 1, other, 1, &c.searching), 0);
    EXPECT_EQ(c.attn.found_point[0], 1);
    EXPECT_EQ(hc::call_count("DSS_ATTN_point") + hc::call_count("DSS_ATTN_arc"), 0);

    // Centres are found only on arcs: the polygon searches on, the circle answers.
    Contexts centre;
    centre.attn.search_parameter = 1;
    const double tri[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const double mid[3] = {7, 8, 0};
    ASSERT_EQ(KX_DISP_display_polygon(tri, 3, 0, &centre.searching), 0);
    EXPECT_EQ(centre.attn.state, DSS_ATTENTION_SEARCHING);
    EXPECT_EQ(hc::call_count("DSS_ATTN_segment"), 3);
    ASSERT_EQ(KX_DISP_display_circle(kIdentity, mid, 2, 0, &centre.searching), 0);
    EXPECT_EQ(centre.attn.state, DSS_ATTENTION_FOUND);
    EXPECT_EQ(centre.attn.found_point[1], 8);
}

TEST_F(Primitives, TextBoxFollowsTheReferenceCode) {
    // Drafting size 3.5 x 1.1 = 3.85; "abc" and "d": width 4 x 3.85,
    // height 2 x 3.85 x 16/11.
    const double h = 3.85, w = 4 * h, ht = 2 * h * 16 / 11;
    struct Row {
        int reference;
        double left, top;
    };
    const Row rows[] = {{1, 10, 20},      {2, 10 - w / 2, 20}, {3, 10 - w, 20},     {5, 10 - w / 2, 20 + ht / 2},
                        {7, 10, 20 + ht}, {0, 10, 20 + ht},    {9, 10 - w, 20 + ht}};
    const double origin[3] = {10, 20, 1};
    for (const Row& r : rows) {
        Contexts c;
        ASSERT_EQ(KX_DISP_display_text("abc\n\nd", origin, r.reference, &c.fitting), 0);
        EXPECT_NEAR(c.box().min[0], r.left, 1e-9) << r.reference;
        EXPECT_NEAR(c.box().max[0], r.left + w, 1e-9) << r.reference;
        EXPECT_NEAR(c.box().max[1], r.top, 1e-9) << r.reference;
        EXPECT_NEAR(c.box().min[1], r.top - ht, 1e-9) << r.reference;
        EXPECT_EQ(c.box().min[2], 1);
    }
    Contexts c;
    ASSERT_EQ(KX_DISP_display_text("abc\n\nd", origin, 0, &c.display), 0);
    ASSERT_EQ(hx::drawn().size(), 1u);
    const hx::Drawn& d = hx::drawn()[0];
    EXPECT_EQ(d.lines, (std::vector<std::string>{"abc", "d"}));
    EXPECT_DOUBLE_EQ(d.size, h);
    EXPECT_EQ(d.position, 7);
    EXPECT_EQ(d.alignment, 1);
    EXPECT_EQ(c.disp.drawn, 1);
}

TEST_F(Primitives, PickOffersOneBoxALineStackedDownTheText) {
    Contexts c;
    c.view.ray[0] = 1, c.view.ray[1] = -8;  // below the first line's box, on the second's
    c.view.aperture = 0;
    const double origin[3] = {0, 0, 0};
    ASSERT_EQ(KX_DISP_display_text("abc\nd", origin, 1, &c.picking), 0);
    EXPECT_EQ(hc::call_count("DSS_PICK_polygon"), 2);
    EXPECT_EQ(c.pick.found, 1);
    EXPECT_EQ(c.pick.best_distance, 0);
    // Reference 7 stacks the boxes down from the top of the text too.
    Contexts seven;
    seven.view.ray[0] = 1, seven.view.ray[1] = 8;
    seven.view.aperture = 0;
    ASSERT_EQ(KX_DISP_display_text("abc\nd", origin, 7, &seven.picking), 0);
    EXPECT_EQ(seven.pick.found, 1);
}

TEST_F(Primitives, FitAddsArcsAndPoints) {
    Contexts c;
    ASSERT_EQ(KX_DISP_display_arc(kIdentity, 0, kPi / 2, kOrigin, 2, &c.fitting), 0);
    EXPECT_NEAR(c.box().max[0], 2, 1e-12);
    EXPECT_NEAR(c.box().max[1], 2, 1e-12);
    EXPECT_NEAR(c.box().min[0], 0, 1e-12);
    const double p[3] = {-5, 0, 0};
    ASSERT_EQ(KX_DISP_display_polygon(p, 1, 0, &c.fitting), 0);
    EXPECT_EQ(c.box().min[0], -5);
    EXPECT_TRUE(hx::drawn().empty());
}

}  // namespace
