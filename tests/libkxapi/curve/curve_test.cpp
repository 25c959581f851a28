// Points, lines and arcs: creation and edit codes, edits that keep the
// model sound, the edit tail, edges, and the arc through three points.
#include <array>
#include <functional>
#include <string>

#include "curve_fixture.h"
#include "host/store/entities/edit_log.h"
#include "host/store/entities/views.h"
#include "host/model/feature/undo.h"
#include "host/kernel/engine/kernel.h"
#include "kx_csys.h"
#include "host/store/parts/rm.h"

namespace {

using host::control::call_count;

// A kernel cylinder of radius r along Z from base, 1 high.
int kernel_cylinder(std::array<double, 3> base, double r) {
    const double z[3] = {0, 0, 1};
    int body = 0;
    ZQ_BODY_make_cylinder(base.data(), z, r, 1, &body);
    return body;
}

// The object of the top circular edge of a kernel cylinder along Z, after
// the body is moved by the matrix given (3 rows of 4; none: left where it
// is).
unsigned int circular_edge(int body, std::vector<double> move = {}) {
    int top = 0;
    double top_z = 0;
    for (int e : host::kernel::edges_of(body)) {
        int type = 0;
        double centre[3], axis[3], radius = 0;
        ZQ_EDGE_ask_curve_data(e, &type, centre, axis, &radius);
        if (type == ZQ_CURVE_CIRCLE && (top == 0 || centre[2] > top_z)) {
            top = e;
            top_z = centre[2];
        }
    }
    if (!move.empty()) ZQ_BODY_transform(body, move.data());
    if (top != 0) return host::kernel::object_of(top);
    ADD_FAILURE() << "no circular edge";
    return 0;
}

// ---- points -------------------------------------------------------------------

TEST_F(CurveTest, PointIsCreatedReadAndEdited) {
    double p[3] = {1, -2, 3.5};
    tag pt = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_point(p, &pt), 0);
    double back[3] = {};
    ASSERT_EQ(KX_CURVE_ask_point_data(pt, back), 0);
    EXPECT_EQ(back[0], 1);
    EXPECT_EQ(back[1], -2);
    EXPECT_EQ(back[2], 3.5);

    double moved[3] = {4, 5, 6};
    ASSERT_EQ(KX_CURVE_edit_point_data(pt, moved), 0);
    ASSERT_EQ(KX_CURVE_ask_point_data(pt, back), 0);
    EXPECT_EQ(back[2], 6);
    EXPECT_EQ(host::edit_log::activated_object(), pt);
    int type = 0, subtype = 0;
    RM_ask_entity_type_and_subtype(pt, &type, &subtype);
    EXPECT_EQ(type, 2);
}

TEST_F(CurveTest, PointCodes) {
    double p[3] = {0, 0, 0};
    tag l = line(0, 0, 0, 1, 0, 0);
    double out[3];
    EXPECT_EQ(KX_CURVE_ask_point_data(l, out), 1480000);
    EXPECT_EQ(KX_CURVE_edit_point_data(l, p), 1480000);
    EXPECT_EQ(KX_CURVE_create_point(p, nullptr), 1105005);

    tag pt = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_point(p, &pt), 0);
    host::entity::attrs(pt).smart = true;
    EXPECT_EQ(KX_CURVE_edit_point_data(pt, p), 1995000);

    host::parts::set_work_part(0);
    pt = 99;
    EXPECT_EQ(KX_CURVE_create_point(p, &pt), 1105012);
    EXPECT_EQ(pt, NULL_TAG);
}

// ---- lines --------------------------------------------------------------------

TEST_F(CurveTest, LineCreationCodesCreateNothing) {
    line_data equal{{1, 2, 3}, {1, 2, 3}};
    line_data close{{0, 0, 0}, {1e-7, 0, 0}};
    line_data good{{0, 0, 0}, {1, 0, 0}};
    tag out = NULL_TAG;
    struct Case {
        line_data* rec;
        tag* out;
        int code;
    } cases[] = {
        {&equal, &out, 875136},
        {&close, &out, 875136},
        {nullptr, &out, 1105004},
        {&good, nullptr, 1105005},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KX_CURVE_create_line(c.rec, c.out), c.code);
        EXPECT_EQ(out, NULL_TAG);
    }
    host::parts::set_work_part(0);
    EXPECT_EQ(KX_CURVE_create_line(&good, &out), 1105012);
    EXPECT_EQ(count_of_type(3), 0);
}

TEST_F(CurveTest, LineIsCreatedAndEditedWithTheEditTail) {
    tag l = line(0, 0, 0, 3, 4, 0);
    line_data d{};
    ASSERT_EQ(KX_CURVE_ask_line_data(l, &d), 0);
    EXPECT_EQ(d.end_point[0], 3);
    EXPECT_EQ(d.end_point[1], 4);

    // A member of a sketch: the sketch hears of the edit.
    const unsigned int sketch = host::entity::create({OM_CLASS_RM_ENTITY, 134, 0, part});
    host::entity::add_member(sketch, l);
    host::control::clear_journal();
    line_data moved{{1, 1, 1}, {2, 2, 2}};
    ASSERT_EQ(KX_CURVE_edit_line_data(l, &moved), 0);
    ASSERT_EQ(KX_CURVE_ask_line_data(l, &d), 0);
    EXPECT_EQ(d.start_point[0], 1);
    EXPECT_EQ(d.end_point[2], 2);

    const std::vector<std::string> tail = {
        "CS2_activate_cs_of_object",     "LINE_set_end_points", "DSS_REGEN_regen_object",
        "ES_find_sketch_of_member",      "sk_edit_curve_",      "UPDATE_log_entity_to_update",
        "UPDATE_log_entity_int_app_data"};
    for (std::size_t i = 1; i < tail.size(); ++i)
        EXPECT_TRUE(host::control::called_before(tail[i - 1], tail[i])) << tail[i - 1] << " before " << tail[i];
    const auto log = host::edit_log::update_log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].object, l);
    EXPECT_TRUE(log[1].app_data);
    EXPECT_EQ(log[1].kind, 3);
    EXPECT_EQ(host::edit_log::sketch_edits(), std::vector<unsigned int>{l});
}

TEST_F(CurveTest, RefusedLineEditLeavesTheLineAsItWas) {
    tag l = line(0, 0, 0, 1, 0, 0);
    tag a = arc(0, 0, 1, 0, 1);
    line_data degenerate{{5, 5, 5}, {5, 5, 5}};
    EXPECT_EQ(KX_CURVE_edit_line_data(l, &degenerate), 875136);
    EXPECT_EQ(KX_CURVE_edit_line_data(a, &degenerate), 1480001);
    EXPECT_EQ(KX_CURVE_edit_line_data(l, nullptr), 1105005);
    host::entity::attrs(l).smart = true;
    EXPECT_EQ(KX_CURVE_edit_line_data(l, &degenerate), 1995000);

    line_data d{};
    ASSERT_EQ(KX_CURVE_ask_line_data(l, &d), 0);
    EXPECT_EQ(d.start_point[0], 0);
    EXPECT_EQ(d.end_point[0], 1);
    EXPECT_EQ(degenerate.start_point[0], 5);  // the caller's record is not touched
    EXPECT_EQ(call_count("LINE_set_end_points"), 0);
    EXPECT_TRUE(host::edit_log::update_log().empty());
}

TEST_F(CurveTest, HostErrorInAnEditRollsTheModelBack) {
    tag l = line(0, 0, 0, 1, 0, 0);
    host::control::raise_on("UPDATE_log_entity_to_update", 670004);
    line_data moved{{7, 7, 7}, {8, 8, 8}};
    EXPECT_EQ(KX_CURVE_edit_line_data(l, &moved), 670004);
    host::control::clear_scripts();
    line_data d{};
    ASSERT_EQ(KX_CURVE_ask_line_data(l, &d), 0);
    EXPECT_EQ(d.start_point[0], 0);
    EXPECT_EQ(d.end_point[0], 1);

    // A failed creation leaves no line behind.
    host::control::raise_on("DSS_REGEN_regen_object", 670004);
    line_data fresh_line{{0, 0, 0}, {0, 1, 0}};
    tag t = NULL_TAG;
    EXPECT_EQ(KX_CURVE_create_line(&fresh_line, &t), 670004);
    EXPECT_EQ(count_of_type(3), 1);
}

// ---- edges --------------------------------------------------------------------

TEST_F(CurveTest, EdgesAnswerAsLinesAndArcs) {
    // Edges of real kernel bodies: a wire of one straight edge, and a
    // cylinder turned about X (its axis along -Y) and moved so that its
    // top circle runs about the point (1, 2, 3), in the plane of X and Z.
    const double ends[6] = {0, 0, 1, 0, 2, 1};
    int wire = 0;
    ZQ_BODY_make_wire(2, ends, 0, &wire);
    const unsigned int straight = host::kernel::object_of(host::kernel::edges_of(wire).at(0));
    const unsigned int circular = circular_edge(kernel_cylinder({0, 0, -1}, 2), {1, 0, 0, 1, 0, 0, -1, 2, 0, 1, 0, 3});

    line_data ld{};
    ASSERT_EQ(KX_CURVE_ask_line_data(straight, &ld), 0);
    EXPECT_EQ(ld.end_point[1], 2);
    EXPECT_EQ(KX_CURVE_ask_line_data(circular, &ld), 1480001);
    arc_data ad{};
    EXPECT_EQ(KX_CURVE_ask_arc_data(straight, &ad), 1480002);

    ASSERT_EQ(KX_CURVE_ask_arc_data(circular, &ad), 0);
    EXPECT_EQ(ad.radius, 2);
    // The centre in the circle's frame: (1, 2, 3) is 1 X + 3 Y - 2 Z.
    EXPECT_NEAR(ad.arc_center[0], 1, 1e-12);
    EXPECT_NEAR(ad.arc_center[1], 3, 1e-12);
    EXPECT_NEAR(ad.arc_center[2], -2, 1e-12);
    EXPECT_NEAR(ad.end_angle - ad.start_angle, kTwoPi, 1e-12);
    double rows[9];
    ES_ask_elements_of_matrix(ad.matrix_tag, rows);
    EXPECT_NEAR(rows[6], 0, 1e-12);  // Z along the circle's axis
    EXPECT_NEAR(rows[7], -1, 1e-12);
    EXPECT_NEAR(rows[8], 0, 1e-12);
    EXPECT_NEAR(rows[0], 1, 1e-12);  // X towards the point at angle 0
    arc_data again{};
    ASSERT_EQ(KX_CURVE_ask_arc_data(circular, &again), 0);
    EXPECT_NE(again.matrix_tag, ad.matrix_tag);  // a new matrix each call
    EXPECT_EQ(KX_CURVE_edit_line_data(straight, &ld), 1480001);
}

TEST_F(CurveTest, CircularEdgeOfAnOccurrenceTakesTheOccurrenceOrientation) {
    // The prototype's circle lies in its XY plane; the occurrence is turned
    // a quarter about Z and then tilted, so its axes are X -> (0, 0, 1),
    // Y -> (-1, 0, 0), Z -> (0, -1, 0).
    const unsigned int edge = circular_edge(kernel_cylinder({0, 0, 0}, 1.5));
    host::entity::attrs(edge).occurrence = true;
    const double turn[9] = {0, 0, 1, -1, 0, 0, 0, -1, 0};
    host::curves::set_occurrence_orientation(edge, turn);

    arc_data d{};
    ASSERT_EQ(KX_CURVE_ask_arc_data(edge, &d), 0);
    double rows[9];
    ES_ask_elements_of_matrix(d.matrix_tag, rows);
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(rows[i], turn[i], 1e-12) << i;
    EXPECT_EQ(call_count("OCC_transform_direction_p"), 3);

    // An edge that is no occurrence keeps the kernel's axes.
    const unsigned int plain = circular_edge(kernel_cylinder({0, 0, 0}, 1.5));
    host::control::clear_journal();
    ASSERT_EQ(KX_CURVE_ask_arc_data(plain, &d), 0);
    ES_ask_elements_of_matrix(d.matrix_tag, rows);
    EXPECT_NEAR(rows[0], 1, 1e-12);
    EXPECT_NEAR(rows[8], 1, 1e-12);
    EXPECT_EQ(call_count("OCC_transform_direction_p"), 0);
}

// ---- undo marks ---------------------------------------------------------------

// Every function that changes the model does it under a mark of visibility
// 1 without a name, which is gone again when the function returns, whether
// it succeeded or refused.
TEST_F(CurveTest, ModelChangesRunUnderAnUnnamedMarkOfVisibilityOne) {
    const tag pt = [&] {
        double p[3] = {0, 0, 0};
        tag t = NULL_TAG;
        EXPECT_EQ(KX_CURVE_create_point(p, &t), 0);
        return t;
    }();
    const tag l = line(0, 0, 0, 1, 0, 0);
    const tag a = arc(0, 0, 1, 0, 1);
    conic_data cd{identity, KX_CONIC_ELLIPSE, 0, 0, 1, {0, 0, 0}, 2, 1};
    tag conic = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_conic(&cd, &conic), 0);

    double p[3] = {1, 2, 3}, q[3] = {1, 0, 0}, r[3] = {0, 1, 0};
    line_data ld{{0, 0, 0}, {0, 2, 0}};
    arc_data ad{identity, 0, 2, {0, 0, 0}, 3};
    tag out = NULL_TAG;
    struct Case {
        const char* name;
        std::function<int()> call;
        int code;
    } cases[] = {
        {"create_point", [&] { return KX_CURVE_create_point(p, &out); }, 0},
        {"edit_point_data", [&] { return KX_CURVE_edit_point_data(pt, q); }, 0},
        {"create_line", [&] { return KX_CURVE_create_line(&ld, &out); }, 0},
        {"edit_line_data", [&] { return KX_CURVE_edit_line_data(l, &ld); }, 0},
        {"create_arc", [&] { return KX_CURVE_create_arc(&ad, &out); }, 0},
        {"edit_arc_data", [&] { return KX_CURVE_edit_arc_data(a, &ad); }, 0},
        {"create_conic", [&] { return KX_CURVE_create_conic(&cd, &out); }, 0},
        {"edit_conic_data", [&] { return KX_CURVE_edit_conic_data(conic, &cd); }, 0},
        {"create_arc_thru_3pts", [&] { return KX_CURVE_create_arc_thru_3pts(1, p, q, r, &out); }, 0},
        {"create_arc_thru_3pts refused", [&] { return KX_CURVE_create_arc_thru_3pts(3, p, q, r, &out); }, 1105004},
        {"create_arc_thru_3pts coincident", [&] { return KX_CURVE_create_arc_thru_3pts(1, q, p, q, &out); }, 1105005},
    };
    for (const Case& c : cases) {
        host::control::clear_journal();
        EXPECT_EQ(c.call(), c.code) << c.name;
        const auto marks = host::control::calls("UNDO_JQ_set_mark");
        ASSERT_FALSE(marks.empty()) << c.name;
        EXPECT_EQ(marks[0].arg[0], 1) << c.name;
        EXPECT_STREQ(marks[0].text, "") << c.name;
        EXPECT_EQ(host::control::call_count("UNDO_JQ_delete_mark"), static_cast<int>(marks.size())) << c.name;
        EXPECT_EQ(UNDO_JQ_ask_number_of_marks(1), 0) << c.name;
    }
    // The refused arc through three points set its mark before the tests.
    host::control::clear_journal();
    EXPECT_EQ(KX_CURVE_create_arc_thru_3pts(0, p, q, r, &out), 1105004);
    EXPECT_TRUE(host::control::called_before("UNDO_JQ_set_mark", "CONTEXT_ask_active_part_exists"));
}

// ---- arcs ---------------------------------------------------------------------

TEST_F(CurveTest, ArcCreationCodes) {
    const tag not_matrix = line(0, 0, 0, 1, 0, 0);
    struct Case {
        double start, end, radius;
        tag matrix;
        int code;
    } cases[] = {
        {0, kTwoPi + 1e-11, 1, 0, 0}, {0, kTwoPi + 1e-9, 1, 0, 1480004},
        {10, 0, 1, 0, 1480004},  // the sweep test comes first
        {1, 0.5, 1, 0, 1480005},      {0, 1, 1, not_matrix, 1480003},
        {0, 1, 1e-7, 0, 875136},      {0, 1, -1e-7, 0, 875136},
        {1, 1 + 1e-7, 1, 0, 875136},  {-1, 1, -2, 0, 0},  // a negative radius above the bound is stored
    };
    for (const Case& c : cases) {
        arc_data d{c.matrix ? c.matrix : identity, c.start, c.end, {1, 2, 3}, c.radius};
        tag t = 77;
        EXPECT_EQ(KX_CURVE_create_arc(&d, &t), c.code) << c.start << " " << c.end << " " << c.radius;
        EXPECT_EQ(t == NULL_TAG, c.code != 0);
    }
    EXPECT_EQ(count_of_type(5), 2);
    tag t;
    EXPECT_EQ(KX_CURVE_create_arc(nullptr, &t), 1105004);
    arc_data d{identity, 0, 1, {0, 0, 0}, 1};
    EXPECT_EQ(KX_CURVE_create_arc(&d, nullptr), 1105005);
}

TEST_F(CurveTest, ArcLiesInItsMatrixFrame) {
    // X = (0, 1, 0), Y = (0, 0, 1): the arc lies in a plane x = const.
    const tag m = matrix({0, 1, 0, 0, 0, 1, 1, 0, 0});
    const tag a = arc(2, 3, 0.5, 0, kPi / 2, m);
    arc_data d{};
    ASSERT_EQ(KX_CURVE_ask_arc_data(a, &d), 0);
    EXPECT_EQ(d.matrix_tag, m);
    EXPECT_EQ(d.arc_center[0], 2);
    EXPECT_EQ(d.end_angle, kPi / 2);
    const auto p = point_at(a, kPi / 2);  // center (0, 2, 3) + 0.5 Y
    EXPECT_NEAR(p[0], 0, 1e-12);
    EXPECT_NEAR(p[1], 2, 1e-12);
    EXPECT_NEAR(p[2], 3.5, 1e-12);
}

TEST_F(CurveTest, RefusedArcEditLeavesTheArcAsItWas) {
    const tag a = arc(0, 0, 1, 0, 1);
    const tag l = line(0, 0, 0, 1, 0, 0);
    struct Case {
        tag object;
        arc_data rec;
        int code;
    } cases[] = {
        {l, {identity, 0, 1, {0, 0, 0}, 1}, 1480002},   {a, {identity, 0, 7, {5, 5, 5}, 3}, 1480004},
        {a, {identity, 1, 0, {5, 5, 5}, 3}, 1480005},   {a, {l, 0, 1, {5, 5, 5}, 3}, 1480003},
        {a, {identity, 0, 1, {5, 5, 5}, 1e-9}, 875136}, {a, {identity, 0, 1e-9, {5, 5, 5}, 3}, 875136},
    };
    for (Case& c : cases) EXPECT_EQ(KX_CURVE_edit_arc_data(c.object, &c.rec), c.code);
    EXPECT_EQ(KX_CURVE_edit_arc_data(a, nullptr), 1105005);

    arc_data d{};
    ASSERT_EQ(KX_CURVE_ask_arc_data(a, &d), 0);
    EXPECT_EQ(d.radius, 1);
    EXPECT_EQ(d.arc_center[0], 0);
    EXPECT_EQ(d.end_angle, 1);
    EXPECT_EQ(call_count("ARC_set_data"), 0);

    // A valid edit changes data and matrix.
    const tag m = matrix({0, 1, 0, -1, 0, 0, 0, 0, 1});
    arc_data edit{m, 0.5, 2, {1, 1, 0}, 4};
    ASSERT_EQ(KX_CURVE_edit_arc_data(a, &edit), 0);
    ASSERT_EQ(KX_CURVE_ask_arc_data(a, &d), 0);
    EXPECT_EQ(d.matrix_tag, m);
    EXPECT_EQ(d.radius, 4);
    EXPECT_EQ(d.start_angle, 0.5);

    host::entity::attrs(a).smart = true;
    EXPECT_EQ(KX_CURVE_edit_arc_data(a, &edit), 1995000);
}

// ---- arc through three points ----------------------------------------------------

TEST_F(CurveTest, ArcThroughThreePointsRunsOverTheMiddlePoint) {
    double p1[3] = {0, 0, 0}, p2[3] = {1, 1, 0}, p3[3] = {2, 0, 0};
    for (int order = 0; order < 2; ++order) {
        tag a = NULL_TAG;
        if (order == 0) {
            ASSERT_EQ(KX_CURVE_create_arc_thru_3pts(1, p1, p2, p3, &a), 0);
        } else ASSERT_EQ(KX_CURVE_create_arc_thru_3pts(1, p3, p2, p1, &a), 0);
        arc_data d{};
        ASSERT_EQ(KX_CURVE_ask_arc_data(a, &d), 0);
        EXPECT_NEAR(d.radius, 1, 1e-12);
        EXPECT_NEAR(d.end_angle - d.start_angle, kPi, 1e-12);
        // The ends are p1 and p3, the middle of the arc is p2.
        const auto lim = curve_limits(a);
        const auto s = point_at(a, lim[0]), e = point_at(a, lim[1]), mid = point_at(a, (lim[0] + lim[1]) / 2);
        EXPECT_NEAR(std::min(distance(s, p1), distance(s, p3)), 0, 1e-12);
        EXPECT_NEAR(std::min(distance(e, p1), distance(e, p3)), 0, 1e-12);
        EXPECT_NEAR(distance(mid, p2), 0, 1e-12);
    }
}

TEST_F(CurveTest, ArcThroughThreePointsInSpaceIsTheCircumcircle) {
    // Three points on a circle of radius 2 about c in a tilted plane.
    const double c[3] = {1, -2, 3};
    const double u[3] = {1 / std::sqrt(2.0), 0, 1 / std::sqrt(2.0)}, v[3] = {0, 1, 0};
    auto on = [&](double t, double* out) {
        for (int i = 0; i < 3; ++i) out[i] = c[i] + 2 * (std::cos(t) * u[i] + std::sin(t) * v[i]);
    };
    double p1[3], p2[3], p3[3];
    on(0.3, p1);
    on(2.0, p2);
    on(4.0, p3);
    tag a = NULL_TAG, full = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_arc_thru_3pts(1, p1, p2, p3, &a), 0);
    ASSERT_EQ(KX_CURVE_create_arc_thru_3pts(2, p3, p1, p2, &full), 0);
    arc_data d{};
    ASSERT_EQ(KX_CURVE_ask_arc_data(a, &d), 0);
    EXPECT_NEAR(d.radius, 2, 1e-10);
    EXPECT_NEAR(d.end_angle - d.start_angle, 3.7, 1e-10);
    const auto lim = curve_limits(a);
    // Every point of the arc is 2 from c; p2 lies inside the range.
    for (double f : {0.0, 0.25, 0.5, 1.0})
        EXPECT_NEAR(distance(point_at(a, lim[0] + f * (lim[1] - lim[0])), c), 2, 1e-10);
    EXPECT_NEAR(distance(point_at(a, lim[0]), p1), 0, 1e-10);
    EXPECT_NEAR(distance(point_at(a, lim[0] + 1.7), p2), 0, 1e-10);

    // The arc took the plane's matrix in place of the work coordinate
    // system's: its Z axis is the normal of the points' plane.
    double rows[9];
    ES_ask_elements_of_matrix(d.matrix_tag, rows);
    const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    EXPECT_NEAR(std::fabs(rows[6] * n[0] + rows[7] * n[1] + rows[8] * n[2]), 1, 1e-12);
    EXPECT_GE(host::control::call_count("ES_replace_matrix_of_entity"), 1);

    ASSERT_EQ(KX_CURVE_ask_arc_data(full, &d), 0);
    EXPECT_EQ(d.start_angle, 0);
    EXPECT_EQ(d.end_angle, kTwoPi);
    EXPECT_NEAR(d.radius, 2, 1e-10);
}

TEST_F(CurveTest, ArcThroughThreePointsWithoutAWorkCoordinateSystem) {
    // A session without a work coordinate system: the arc is made in the
    // plane's frame at once.
    fresh();
    ASSERT_EQ(KX_initialize(), 0);
    host::parts::set_work_part(host::parts::create("bare.prt"));
    tag wcs = 1;
    ASSERT_EQ(KX_CSYS_ask_wcs(&wcs), 0);
    ASSERT_EQ(wcs, NULL_TAG);
    double p1[3] = {0, 0, 5}, p2[3] = {1, 1, 5}, p3[3] = {2, 0, 5};
    host::control::clear_journal();
    tag a = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_arc_thru_3pts(1, p1, p2, p3, &a), 0);
    EXPECT_EQ(call_count("ES_replace_matrix_of_entity"), 0);
    const auto lim = curve_limits(a);
    EXPECT_NEAR(distance(point_at(a, (lim[0] + lim[1]) / 2), p2), 0, 1e-12);
    const double center[3] = {1, 0, 5};
    EXPECT_NEAR(distance(point_at(a, lim[0]), center), 1, 1e-12);
}

TEST_F(CurveTest, ArcThroughThreePointsCodes) {
    double a[3] = {0, 0, 0}, b[3] = {1, 0, 0}, c[3] = {0, 1, 0}, near_a[3] = {1e-7, 0, 0};
    struct Case {
        int kind;
        double *p1, *p2, *p3;
        int code;
    } cases[] = {
        {3, a, b, c, 1105004},      {0, a, b, c, 1105004}, {1, a, near_a, c, 1105005},
        {1, a, b, near_a, 1105005}, {1, b, c, c, 1105006}, {2, a, b, nullptr, 1105007},
    };
    for (const Case& k : cases) {
        tag t = 5;
        EXPECT_EQ(KX_CURVE_create_arc_thru_3pts(k.kind, k.p1, k.p2, k.p3, &t), k.code);
        EXPECT_EQ(t, NULL_TAG);
    }
    EXPECT_EQ(KX_CURVE_create_arc_thru_3pts(1, a, b, c, nullptr), 1105013);
    host::parts::set_work_part(0);
    tag t;
    EXPECT_EQ(KX_CURVE_create_arc_thru_3pts(1, a, b, c, &t), 1105012);
    EXPECT_EQ(count_of_type(5), 0);
}

TEST_F(CurveTest, CollinearPointsLeaveTheModelAsItWas) {
    double a[3] = {0, 0, 0}, b[3] = {1, 1, 1}, c[3] = {3, 3, 3};
    const auto before = host::objects::live_objects().size();
    tag t = 9;
    EXPECT_EQ(KX_CURVE_create_arc_thru_3pts(1, a, b, c, &t), 670035);
    EXPECT_EQ(t, NULL_TAG);
    EXPECT_EQ(host::objects::live_objects().size(), before);
    const auto acks = host::control::acknowledged_codes();
    EXPECT_NE(std::find(acks.begin(), acks.end(), 670035), acks.end());

    // A host error after the plane's matrix was made rolls it back too.
    host::control::raise_on("ES_create_arc", 670004);
    double p[3] = {2, 0, 0};
    EXPECT_EQ(KX_CURVE_create_arc_thru_3pts(1, a, b, p, &t), 670004);
    EXPECT_EQ(host::objects::live_objects().size(), before);
}

}  // namespace

namespace {

// Every curve function refuses to work without an open session.
TEST_F(CurveTest, EveryFunctionNeedsTheSession) {
    const tag l = line(0, 0, 0, 1, 0, 0);
    kx_reset_session_for_tests();
    double p[3] = {0, 0, 0}, q[3] = {1, 0, 0}, r[3] = {0, 1, 0}, v = 0, range[2] = {0, 100};
    tag t = NULL_TAG;
    int n = 0;
    double* data = nullptr;
    line_data ld{};
    arc_data ad{};
    conic_data cd{};
    conic_general_data gd{};
    logical sense = 0;
    curve_analysis_display disp{};
    curve_intersection x{};
    const int codes[] = {
        KX_CURVE_create_point(p, &t),
        KX_CURVE_ask_point_data(l, p),
        KX_CURVE_edit_point_data(l, p),
        KX_CURVE_create_line(&ld, &t),
        KX_CURVE_ask_line_data(l, &ld),
        KX_CURVE_edit_line_data(l, &ld),
        KX_CURVE_create_arc(&ad, &t),
        KX_CURVE_ask_arc_data(l, &ad),
        KX_CURVE_edit_arc_data(l, &ad),
        KX_CURVE_create_arc_thru_3pts(1, p, q, r, &t),
        KX_CURVE_create_conic(&cd, &t),
        KX_CURVE_ask_conic_data(l, &cd),
        KX_CURVE_edit_conic_data(l, &cd),
        KX_CURVE_convert_conic_to_std(&gd, &cd, &sense),
        KX_CURVE_convert_conic_to_gen(&cd, &gd),
        KX_CURVE_evaluate_curve(l, 0, 0, p),
        KX_CURVE_ask_parameterization(l, range, &n),
        KX_CURVE_ask_centroid(l, p),
        KX_CURVE_ask_arc_length(l, 0, 1, 0, &v),
        KX_CURVE_ask_curve_turn_angle(l, r, &v),
        KX_CURVE_ask_curve_inflections(l, 0, range, &n, &data),
        KX_CURVE_ask_analysis_display(l, &disp),
        KX_CURVE_intersect(l, l, p, &x),
    };
    for (std::size_t i = 0; i < std::size(codes); ++i) EXPECT_EQ(codes[i], 1105000) << i;
    EXPECT_EQ(host::control::call_count("ES_create_point"), 0);
}

}  // namespace
