// Splines edited in place: moves of several defining points and reshapes
// after a template spline, checked against closed forms and the points of
// the curves they leave; every failure leaves the curve as it was and no
// undo mark behind.
#include <array>
#include <cmath>
#include <vector>

#include "curve_fixture.h"
#include "host/store/entities/entity_store.h"
#include "host/kernel/curves/spline_edits.h"
#include "host/base/services/memory.h"
#include "kx_codes.h"
#include "kx_curve.h"
#include "kx_curve_trim.h"
#include "kx_obj.h"
#include "kx_undo.h"

namespace {

class CurveEditTest : public CurveTest {
protected:
    static spline_point pt(double x, double y, double z) {
        spline_point p{};
        p.point[0] = x;
        p.point[1] = y;
        p.point[2] = z;
        p.slope_type = -1;
        p.crvatr_type = -1;
        return p;
    }
    // A cubic spline through the points, keeping them.
    static tag through(std::vector<spline_point> pts) {
        tag s = NULL_TAG;
        EXPECT_EQ(KX_CURVE_create_spline_thru_pts(3, 0, static_cast<int>(pts.size()), pts.data(), nullptr, 1, &s), 0);
        return s;
    }
    // A spline of poles (x, y, z, w) and knots, without defining points.
    static tag by_poles(std::vector<double> knots, std::vector<std::array<double, 4>> poles, int order) {
        spline_data d{};
        d.num_poles = static_cast<int>(poles.size());
        d.order = order;
        d.knots = knots.data();
        d.poles = reinterpret_cast<double(*)[4]>(poles.data());
        d.start_param = knots[order - 1];
        d.end_param = knots[poles.size()];
        tag s = NULL_TAG;
        int n = 0;
        spline_state* states = nullptr;
        EXPECT_EQ(KX_CURVE_create_spline(&d, &s, &n, &states), 0);
        return s;
    }
    struct Shape {
        int order = 0;
        std::vector<double> knots;
        std::vector<std::array<double, 4>> poles;
    };
    static Shape shape_of(tag s) {
        spline_data d{};
        EXPECT_EQ(KX_CURVE_ask_spline_data(s, &d), 0);
        Shape out;
        out.order = d.order;
        out.knots.assign(d.knots, d.knots + d.num_poles + d.order);
        for (int i = 0; i < d.num_poles; ++i)
            out.poles.push_back({d.poles[i][0], d.poles[i][1], d.poles[i][2], d.poles[i][3]});
        KX_free(d.knots);
        KX_free(d.poles);
        return out;
    }
    static std::vector<std::vector<double>> samples(tag s) {
        const std::vector<double> lim = curve_limits(s);
        std::vector<std::vector<double>> out;
        for (int i = 0; i <= 40; ++i) out.push_back(point_at(s, lim[0] + (lim[1] - lim[0]) * i / 40));
        return out;
    }
    static void expect_same(const std::vector<std::vector<double>>& a, const std::vector<std::vector<double>>& b) {
        ASSERT_EQ(a.size(), b.size());
        for (std::size_t i = 0; i < a.size(); ++i)
            for (int j = 0; j < 3; ++j) EXPECT_EQ(a[i][j], b[i][j]) << i;
    }
    static int marks() {
        int n = -1;
        EXPECT_EQ(KX_UNDO_ask_number_of_marks(1, &n), 0);
        return n;
    }
    static int move(tag s, std::vector<int> indices, std::vector<double> points) {
        BCMMCP_data_t d{static_cast<int>(indices.size()), indices.data(), points.data()};
        return KX_CURVE_edit_move_mult_points(s, &d);
    }
    std::vector<spline_point> five{pt(0, 0, 0), pt(1, 3, 0), pt(2, -1, 0), pt(3, 2, 0), pt(4, 0, 0)};
};

// The moved points are the new defining points, the curve passes through
// them; moved onto the line y = 2x all of them, the curve is that line.
TEST_F(CurveEditTest, MovedPointsAreInterpolated) {
    const tag s = through(five);
    ASSERT_EQ(move(s, {1, 3}, {1, 5, 1, 3, -2, 0}), 0);
    int degree = 0, periodic = 0, n = 0;
    spline_point* back = nullptr;
    double* params = nullptr;
    ASSERT_EQ(KX_CURVE_ask_spline_thru_pts(s, &degree, &periodic, &n, &back, &params), 0);
    ASSERT_EQ(n, 5);
    const double want[5][3] = {{0, 0, 0}, {1, 5, 1}, {2, -1, 0}, {3, -2, 0}, {4, 0, 0}};
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 3; ++j) EXPECT_EQ(back[i].point[j], want[i][j]) << i;
        EXPECT_LT(distance(point_at(s, params[i]), want[i]), 1e-9) << i;
    }
    KX_free(back);
    KX_free(params);

    ASSERT_EQ(move(s, {0, 1, 2, 3, 4}, {0, 0, 0, 1, 2, 0, 2, 4, 0, 3, 6, 0, 4, 8, 0}), 0);
    for (const auto& p : samples(s)) {
        EXPECT_NEAR(p[1], 2 * p[0], 1e-9);
        EXPECT_NEAR(p[2], 0, 1e-9);
    }
    EXPECT_EQ(marks(), 0);
}

TEST_F(CurveEditTest, RefusedMovesLeaveTheCurveAsItWas) {
    const tag s = through(five);
    const tag bare = by_poles({0, 0, 1, 1}, {{0, 0, 0, 1}, {1, 1, 0, 1}}, 2);
    const tag smart = through(five);
    host::entity::attrs(smart).smart = true;
    const tag out_of_sync = through(five);
    es0929sync(out_of_sync, 1);
    const tag l = line(0, 0, 0, 1, 0, 0);
    const auto before = samples(s);
    struct Row {
        const char* what;
        tag curve;
        std::vector<int> indices;
        std::vector<double> points;
        int want;
    } rows[] = {
        {"a line", l, {0}, {0, 1, 0}, 875033},
        {"a smart spline", smart, {0}, {0, 1, 0}, 1995000},
        {"no defining points", bare, {0}, {0, 1, 0}, 875029},
        {"point out of range", s, {5}, {0, 1, 0}, 1105004},
        {"point listed twice", s, {1, 1}, {0, 1, 0, 0, 2, 0}, 1105004},
        {"no points", s, {}, {}, 1105004},
        {"not finite", s, {2}, {NAN, 0, 0}, 1105004},
        {"onto its neighbour", s, {1}, {0, 0, 0}, 875051},
        {"out of sync", out_of_sync, {1}, {1, 1, 0}, 875051},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(move(r.curve, r.indices, r.points), r.want) << r.what;
    }
    EXPECT_EQ(KX_CURVE_edit_move_mult_points(s, nullptr), 1105004);
    expect_same(samples(s), before);
    expect_same(samples(smart), before);

    // The entity-store state and the host's own answers.
    host::control::give_outputs("es0022_", {2});
    EXPECT_EQ(move(s, {1}, {1, 1, 0}), 875027);
    host::control::clear_scripts();
    for (auto [answer, want] : std::vector<std::pair<int, int>>{{1, 875029}, {4, 1105004}, {5, 875051}, {77, 77}}) {
        host::control::return_status("BCMMCP_edit_in_kxapi", answer);
        EXPECT_EQ(move(s, {1}, {1, 1, 0}), want) << answer;
    }
    host::control::clear_scripts();
    // A host error after the points moved: rolled back.
    host::control::raise_on("DSS_REGEN_regen_object", 670004, 1);
    EXPECT_EQ(move(s, {1}, {1, 1, 0}), 670004);
    expect_same(samples(s), before);
    EXPECT_EQ(marks(), 0);
}

// A spline that was deleted, or no object at all, is refused with 875027
// by the functions that read or edit a spline through points, before any
// host error about the tag can reach the caller.
TEST_F(CurveEditTest, DeletedSplinesAreNoObjects) {
    const tag deleted = through(five);
    ASSERT_EQ(KX_OBJ_delete_object(deleted), 0);
    struct Row {
        const char* what;
        int (*call)(tag);
    } rows[] = {
        {"ask_spline_thru_pts",
         [](tag s) {
             int degree = 0, periodic = 0, n = 0;
             spline_point* back = nullptr;
             double* params = nullptr;
             const int st = KX_CURVE_ask_spline_thru_pts(s, &degree, &periodic, &n, &back, &params);
             EXPECT_EQ(back, nullptr);
             EXPECT_EQ(params, nullptr);
             return st;
         }},
        {"edit_spline_thru_pts",
         [](tag s) {
             spline_point pts[3] = {pt(0, 0, 0), pt(1, 1, 0), pt(2, 0, 0)};
             return KX_CURVE_edit_spline_thru_pts(s, 2, 0, 3, pts, nullptr, 1);
         }},
        {"edit_move_mult_points",
         [](tag s) {
             return move(s, {1}, {1, 1, 0});
         }},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.call(deleted), 875027) << r.what << ", a deleted spline";
        EXPECT_EQ(r.call(NULL_TAG), 875027) << r.what << ", NULL_TAG";
    }
    EXPECT_EQ(marks(), 0);
}

// A parabola y = x^2 over [-1, 1] (a quadratic Bezier curve) reshaped after a
// straight template of one span: the ends stay, the curve becomes their
// chord y = 1, and the point farthest from it is the vertex, at distance 1.
TEST_F(CurveEditTest, TemplateTakesOrderAndKnotsOfTheTemplate) {
    const tag parabola = by_poles({0, 0, 0, 1, 1, 1}, {{-1, 1, 0, 1}, {0, -1, 0, 1}, {1, 1, 0, 1}}, 3);
    const tag straight = by_poles({0, 0, 2, 2}, {{5, 5, 5, 1}, {6, 5, 5, 1}}, 2);
    template_result r{};
    ASSERT_EQ(KX_CURVE_edit_with_template(parabola, straight, &r), 0);
    EXPECT_EQ(r.failed, 0);
    EXPECT_NEAR(r.deviation, 1, 1e-9);
    EXPECT_EQ(r.n_poles, 2);
    EXPECT_EQ(r.order, 2);
    EXPECT_EQ(r.max_index, BC_SAMPLES / 2 + 1);  // the middle sample: the vertex
    const Shape got = shape_of(parabola);
    EXPECT_EQ(got.order, 2);
    EXPECT_EQ(got.knots, (std::vector<double>{0, 0, 2, 2}));
    for (const auto& p : samples(parabola)) EXPECT_NEAR(p[1], 1, 1e-12);
    EXPECT_EQ(marks(), 0);

    // A straight spline of evenly placed poles after a cubic template of
    // three spans: the curve keeps to its line and ends, with the
    // template's knots.
    const tag bar = by_poles({0, 0, 0, 1, 1, 1}, {{0, 0, 0, 1}, {1, 0, 0, 1}, {2, 0, 0, 1}}, 3);
    const std::vector<double> knots{0, 0, 0, 0, 1, 2.5, 3, 3, 3, 3};
    const tag cubic =
        by_poles(knots, {{0, 0, 0, 1}, {1, 1, 0, 1}, {2, 0, 0, 1}, {3, 1, 0, 1}, {4, 0, 0, 1}, {5, 1, 0, 1}}, 4);
    ASSERT_EQ(KX_CURVE_edit_with_template(bar, cubic, &r), 0);
    EXPECT_EQ(r.failed, 0);
    EXPECT_LT(r.deviation, 1e-9);
    EXPECT_EQ(r.n_poles, 6);
    EXPECT_EQ(r.order, 4);
    const Shape reshaped = shape_of(bar);
    EXPECT_EQ(reshaped.order, 4);
    EXPECT_EQ(reshaped.knots, knots);
    const auto pts = samples(bar);
    for (const auto& p : pts) {
        EXPECT_NEAR(p[1], 0, 1e-9);
        EXPECT_NEAR(p[2], 0, 1e-9);
    }
    EXPECT_NEAR(pts.front()[0], 0, 1e-12);
    EXPECT_NEAR(pts.back()[0], 2, 1e-12);
}

// A spline through points is reshaped from its defining points, and is
// then out of sync with them.
TEST_F(CurveEditTest, TemplateOfASplineThroughPointsFitsItsPoints) {
    const tag s = through(five);
    const tag cubic = by_poles({0, 0, 0, 0, 1, 1, 1, 1}, {{0, 0, 0, 1}, {1, 1, 0, 1}, {2, 0, 0, 1}, {3, 1, 0, 1}}, 4);
    template_result r{};
    ASSERT_EQ(KX_CURVE_edit_with_template(s, cubic, &r), 0);
    EXPECT_EQ(r.failed, 0);
    EXPECT_EQ(r.n_poles, 4);
    EXPECT_GE(r.max_index, 1);
    EXPECT_LE(r.max_index, 5);
    // Every defining point lies within the deviation of the curve, and the
    // ends are kept.
    EXPECT_LT(distance(point_at(s, 0), five[0].point), 1e-12);
    EXPECT_LT(distance(point_at(s, 1), five[4].point), 1e-12);
    EXPECT_EQ(BC_is_spline_out_of_sync(s), 1);
    // Five points leave the six poles of two cubic spans to the fit: a
    // template of more spans than the points carry is refused.
    const tag many =
        by_poles({0, 0, 0, 0, 1, 2, 3, 4, 4, 4, 4},
                 {{0, 0, 0, 1}, {1, 1, 0, 1}, {2, 0, 0, 1}, {3, 1, 0, 1}, {4, 0, 0, 1}, {5, 1, 0, 1}, {6, 0, 0, 1}}, 4);
    const tag fresh = through(five);
    const auto before = samples(fresh);
    ASSERT_EQ(KX_CURVE_edit_with_template(fresh, many, &r), 0);
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(r.deviation, 0);
    EXPECT_EQ(r.n_poles, 0);
    EXPECT_EQ(r.order, 0);
    EXPECT_EQ(r.max_index, -1);
    expect_same(samples(fresh), before);
    EXPECT_EQ(BC_is_spline_out_of_sync(fresh), 0);
    EXPECT_EQ(marks(), 0);
}

TEST_F(CurveEditTest, TemplateRefusalsAndFailuresLeaveTheCurveAsItWas) {
    const tag s = by_poles({0, 0, 0, 1, 1, 1}, {{-1, 1, 0, 1}, {0, -1, 0, 1}, {1, 1, 0, 1}}, 3);
    const tag t = by_poles({0, 0, 1, 1}, {{0, 0, 0, 1}, {1, 0, 0, 1}}, 2);
    const tag l = line(0, 0, 0, 1, 0, 0);
    const tag smart = by_poles({0, 0, 1, 1}, {{0, 0, 0, 1}, {1, 0, 0, 1}}, 2);
    host::entity::attrs(smart).smart = true;
    const auto before = samples(s);
    const std::size_t blocks = host::control::live_blocks();
    template_result r{};
    struct Row {
        const char* what;
        tag curve, templ;
        template_result* result;
        int want;
    } rows[] = {
        {"no curve", NULL_TAG, t, &r, 1105004}, {"no template", s, NULL_TAG, &r, 1105005},
        {"no result", s, t, nullptr, 1105006},  {"a line", l, t, &r, 875033},
        {"a line template", s, l, &r, 875033},  {"a smart object", smart, t, &r, 1995000},
    };
    host::control::clear_journal();
    for (const Row& row : rows)
        EXPECT_EQ(KX_CURVE_edit_with_template(row.curve, row.templ, row.result), row.want) << row.what;
    EXPECT_EQ(host::control::call_count("UNDO_JQ_set_mark"), 0);  // refused before any mark

    // The fit raising: 875356, acknowledged; a refusal: failed 1.
    host::control::raise_on("BCEV_edit_ev", 1005322, 1);
    EXPECT_EQ(KX_CURVE_edit_with_template(s, t, &r), 875356);
    EXPECT_EQ(host::control::acknowledged_codes().back(), 1005322);
    host::control::return_status("BCEV_edit_ev", 1005303);
    EXPECT_EQ(KX_CURVE_edit_with_template(s, t, &r), 0);
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(r.max_index, -1);
    host::control::clear_scripts();
    // Errors after the curve changed are rolled back.
    for (const char* name : {"DSS_REGEN_regen_object", "UPDATE_log_entity_to_update"}) {
        host::control::raise_on(name, 670004, 1);
        EXPECT_EQ(KX_CURVE_edit_with_template(s, t, &r), 670004) << name;
        host::control::clear_scripts();
    }
    expect_same(samples(s), before);
    EXPECT_EQ(marks(), 0);
    EXPECT_EQ(host::control::live_blocks(), blocks);
}

}  // namespace
