// Conics: validation codes, create/read/edit, and the conversions between
// the standard and the general form checked against closed forms.
#include <array>
#include <cmath>

#include "curve_fixture.h"
#include "host/store/entities/edit_log.h"
#include "host/store/parts/rm.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2 * std::numbers::pi;

// A point of a standard record at its parameter, in the matrix's frame.
std::array<double, 3> std_point(const conic_data& r, double t) {
    double u = 0, v = 0;
    switch (r.conic_type) {
        case KX_CONIC_ELLIPSE:
            u = r.k1 * std::cos(t);
            v = r.k2 * std::sin(t);
            break;
        case KX_CONIC_HYPERBOLA:
            v = r.k2 * std::tan(t);
            u = r.k1 / std::cos(t);
            break;
        default:
            v = t;
            u = t * t / r.k1;
            break;
    }
    const double c = std::cos(r.rotation_angle), s = std::sin(r.rotation_angle);
    return {r.center[0] + u * c - v * s, r.center[1] + u * s + v * c, r.center[2]};
}

// The general equation at a point, relative to the size of its coefficients.
double residual(const conic_general_data& g, double x, double y) {
    const double n = std::sqrt(g.A * g.A + g.B * g.B + g.C * g.C + g.D * g.D + g.E * g.E + g.F * g.F);
    return (g.A * x * x + g.B * x * y + g.C * y * y + g.D * x + g.E * y + g.F) / n;
}

// Two general forms describe the same curve: proportional coefficients.
void expect_proportional(const conic_general_data& a, const conic_general_data& b) {
    const double va[6] = {a.A, a.B, a.C, a.D, a.E, a.F}, vb[6] = {b.A, b.B, b.C, b.D, b.E, b.F};
    double na = 0, nb = 0, dot = 0;
    for (int i = 0; i < 6; ++i) {
        na += va[i] * va[i];
        nb += vb[i] * vb[i];
        dot += va[i] * vb[i];
    }
    EXPECT_NEAR(std::fabs(dot) / std::sqrt(na * nb), 1, 1e-9);
}

double dist2d(const std::array<double, 3>& p, const double* q) { return std::hypot(p[0] - q[0], p[1] - q[1]); }

class ConicTest : public CurveTest {
protected:
    conic_data ellipse() { return {identity, KX_CONIC_ELLIPSE, 0.3, 0.5, 4.0, {1, 2, 3}, 3, 1.5}; }
    conic_data parabola() { return {identity, KX_CONIC_PARABOLA, -0.7, -2, 1.5, {-1, 0.5, 0}, 2, 0}; }
    conic_data hyperbola() { return {identity, KX_CONIC_HYPERBOLA, 1.2, -1.0, 0.8, {0.5, -0.5, 2}, 1.5, 0.75}; }
};

TEST_F(ConicTest, ValidationCodes) {
    const tag not_matrix = line(0, 0, 0, 1, 0, 0);
    struct Case {
        int type;
        double start, end, k1, k2;
        tag matrix;
        int code;
    } cases[] = {
        {2, -0.1, 1, 1, 1, 0, 1480008},
        {2, 7, 8, 1, 1, 0, 1480008},
        {2, 0, kTwoPi + 1e-10, 1, 1, 0, 1480004},
        {2, 2, 1, 1, 1, 0, 1480005},
        {2, 0, 1, 0, 1, 0, 1480007},
        {2, 0, 1, 1, -1, 0, 1480007},
        {2, 0, 1, 1, 1, not_matrix, 1480003},
        {4, -kPi / 2, kPi / 2, 1, 1, 0, 0},
        {4, -2, 0, 1, 1, 0, 1480008},
        {4, 0, 1.6, 1, 1, 0, 1480008},
        {4, 0.5, 0.2, 1, 1, 0, 1480005},
        {4, 0, 1, 0, 1, 0, 1480007},
        {4, 0, 1, 1, 1e-11, 0, 1480007},
        {3, -1, 1, 1e-11, 0, 0, 1480007},
        {3, 1, -1, -2, 0, 0, 0},  // a parabola's range is not tested
        {5, 0, 1, 1, 1, 0, 1480010},
        {1, 0, 1, 1, 1, 0, 1480010},
    };
    for (const Case& c : cases) {
        conic_data r{c.matrix ? c.matrix : identity, c.type, 0, c.start, c.end, {0, 0, 0}, c.k1, c.k2};
        const conic_data before = r;
        conic_general_data g{};
        g.A = 42;
        EXPECT_EQ(KX_CURVE_convert_conic_to_gen(&r, &g), c.code) << c.type << " " << c.start << " " << c.end;
        if (c.code != 0) {
            EXPECT_EQ(g.A, 42);  // the output is untouched
            EXPECT_EQ(r.end_param, before.end_param);
        }
        tag t = 5;
        EXPECT_EQ(KX_CURVE_create_conic(&r, &t), c.code);
        EXPECT_EQ(t == NULL_TAG, c.code != 0);
    }
}

TEST_F(ConicTest, EllipseEndIsClampedToAFullTurnOnlyWhenAccepted) {
    conic_data r{identity, 2, 0, 0, kTwoPi + 5e-12, {0, 0, 0}, 2, 1};
    conic_general_data g{};
    ASSERT_EQ(KX_CURVE_convert_conic_to_gen(&r, &g), 0);
    EXPECT_EQ(r.end_param, kTwoPi);

    // Refused for another reason: the caller's record keeps its end.
    conic_data bad{identity, 2, 0, 0, kTwoPi + 5e-12, {0, 0, 0}, -2, 1};
    EXPECT_EQ(KX_CURVE_convert_conic_to_gen(&bad, &g), 1480007);
    EXPECT_EQ(bad.end_param, kTwoPi + 5e-12);
}

TEST_F(ConicTest, NullMatrixIsRefusedByCreateAndEditOnly) {
    conic_data r = ellipse();
    r.matrix_tag = NULL_TAG;
    conic_general_data g{};
    EXPECT_EQ(KX_CURVE_convert_conic_to_gen(&r, &g), 0);
    r.k1 = -1;  // 1480003 replaces the validation code
    tag t = NULL_TAG;
    EXPECT_EQ(KX_CURVE_create_conic(&r, &t), 1480003);
    conic_data e = ellipse();
    ASSERT_EQ(KX_CURVE_create_conic(&e, &t), 0);
    EXPECT_EQ(KX_CURVE_edit_conic_data(t, &r), 1480003);
    EXPECT_EQ(count_of_type(6), 1);
}

TEST_F(ConicTest, CreatedConicsLieOnTheirCurvesAndReadBack) {
    const tag m = matrix({0, 0, 1, 1, 0, 0, 0, 1, 0});  // X = z, Y = x, Z = y
    for (conic_data r : {ellipse(), parabola(), hyperbola()}) {
        r.matrix_tag = m;
        tag t = NULL_TAG;
        ASSERT_EQ(KX_CURVE_create_conic(&r, &t), 0);
        int type = 0, subtype = 0;
        RM_ask_entity_type_and_subtype(t, &type, &subtype);
        EXPECT_EQ(type, 6);
        EXPECT_EQ(subtype, r.conic_type);

        conic_data back{};
        ASSERT_EQ(KX_CURVE_ask_conic_data(t, &back), 0);
        EXPECT_EQ(back.matrix_tag, m);
        EXPECT_EQ(back.conic_type, r.conic_type);
        EXPECT_NEAR(back.rotation_angle, r.rotation_angle, 1e-12);
        EXPECT_NEAR(back.start_param, r.start_param, 1e-12);
        EXPECT_NEAR(back.end_param, r.end_param, 1e-12);
        EXPECT_EQ(back.center[2], r.center[2]);
        EXPECT_EQ(back.k1, r.k1);
        EXPECT_EQ(back.k2, r.k2);

        // The ends of the curve are the record's end points, taken through
        // the matrix (absolute = x X + y Y + z Z).
        const auto lim = curve_limits(t);
        for (int end = 0; end < 2; ++end) {
            const auto local = std_point(r, end == 0 ? r.start_param : r.end_param);
            const double absolute[3] = {local[1], local[2], local[0]};
            EXPECT_NEAR(distance(point_at(t, lim[end]), absolute), 0, 1e-9) << r.conic_type;
        }
    }
}

TEST_F(ConicTest, EditCodesLeaveTheModelUnchanged) {
    conic_data e = ellipse();
    tag t = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_conic(&e, &t), 0);
    const tag l = line(0, 0, 0, 1, 0, 0);

    conic_data h = hyperbola();
    EXPECT_EQ(KX_CURVE_edit_conic_data(t, &h), 1480010);  // another conic type
    EXPECT_EQ(KX_CURVE_edit_conic_data(l, &e), 1480006);
    conic_data bad = ellipse();
    bad.start_param = -1;
    EXPECT_EQ(KX_CURVE_edit_conic_data(t, &bad), 1480008);
    EXPECT_EQ(KX_CURVE_edit_conic_data(t, nullptr), 1105005);
    line_data ld{};
    ASSERT_EQ(KX_CURVE_ask_line_data(l, &ld), 0);
    EXPECT_EQ(ld.end_point[0], 1);
    conic_data back{};
    ASSERT_EQ(KX_CURVE_ask_conic_data(t, &back), 0);
    EXPECT_EQ(back.k1, 3);
    EXPECT_EQ(host::control::call_count("CONIC_set_data"), 0);
    EXPECT_EQ(KX_CURVE_ask_conic_data(l, &back), 1480006);

    conic_data changed = ellipse();
    changed.k1 = 5;
    changed.matrix_tag = matrix({0, 1, 0, -1, 0, 0, 0, 0, 1});
    ASSERT_EQ(KX_CURVE_edit_conic_data(t, &changed), 0);
    ASSERT_EQ(KX_CURVE_ask_conic_data(t, &back), 0);
    EXPECT_EQ(back.k1, 5);
    EXPECT_EQ(back.matrix_tag, changed.matrix_tag);
    EXPECT_EQ(host::edit_log::update_log().size(), 2u);

    host::entity::attrs(t).smart = true;
    EXPECT_EQ(KX_CURVE_edit_conic_data(t, &changed), 1995000);
}

TEST_F(ConicTest, HyperbolaEditStoresOrdinates) {
    conic_data h = hyperbola();
    tag t = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_conic(&h, &t), 0);
    h.end_param = 1.3;
    ASSERT_EQ(KX_CURVE_edit_conic_data(t, &h), 0);
    double v[13];
    es0610_(&t, v);
    EXPECT_NEAR(v[1], 0.75 * std::tan(1.3), 1e-12);
    conic_data back{};
    ASSERT_EQ(KX_CURVE_ask_conic_data(t, &back), 0);
    EXPECT_NEAR(back.end_param, 1.3, 1e-12);
}

TEST_F(ConicTest, StandardToGeneralClosedForms) {
    // The unit circle about the origin: x^2 + y^2 - 1 = 0.
    conic_data circle{identity, 2, 0, 0, kPi, {0, 0, 0}, 1, 1};
    conic_general_data g{};
    ASSERT_EQ(KX_CURVE_convert_conic_to_gen(&circle, &g), 0);
    EXPECT_NEAR(g.A, 1, 1e-15);
    EXPECT_NEAR(g.B, 0, 1e-15);
    EXPECT_NEAR(g.C, 1, 1e-15);
    EXPECT_NEAR(g.F, -1, 1e-15);
    EXPECT_NEAR(g.start_point[0], 1, 1e-15);
    EXPECT_NEAR(g.end_point[0], -1, 1e-15);
    EXPECT_EQ(g.matrix_tag, identity);

    // Every kind: the end points and points between lie on the equation.
    for (conic_data r : {ellipse(), parabola(), hyperbola()}) {
        ASSERT_EQ(KX_CURVE_convert_conic_to_gen(&r, &g), 0);
        for (double f : {0.0, 0.3, 1.0}) {
            const auto p = std_point(r, r.start_param + f * (r.end_param - r.start_param));
            EXPECT_NEAR(residual(g, p[0], p[1]), 0, 1e-12) << r.conic_type;
        }
        EXPECT_NEAR(dist2d(std_point(r, r.start_param), g.start_point), 0, 1e-12);
        EXPECT_NEAR(dist2d(std_point(r, r.end_param), g.end_point), 0, 1e-12);
        EXPECT_EQ(g.start_point[2], r.center[2]);
    }
}

TEST_F(ConicTest, GeneralToStandardClosedForms) {
    conic_data r{};
    logical sense = 0;
    // y = x^2 from (-1, 1) to (2, 4): a parabola v^2 = u opening along +y.
    conic_general_data p{identity, 1, 0, 0, 0, -1, 0, {-1, 1, 0}, {2, 4, 0}};
    ASSERT_EQ(KX_CURVE_convert_conic_to_std(&p, &r, &sense), 0);
    EXPECT_EQ(r.conic_type, KX_CONIC_PARABOLA);
    EXPECT_NEAR(r.k1, 1, 1e-12);
    EXPECT_NEAR(r.center[0], 0, 1e-12);
    EXPECT_NEAR(r.center[1], 0, 1e-12);
    EXPECT_NEAR(std::cos(r.rotation_angle), 0, 1e-12);
    EXPECT_EQ(sense, 0);  // the parameters run from (2, 4) to (-1, 1)
    EXPECT_NEAR(dist2d(std_point(r, r.start_param), p.end_point), 0, 1e-12);
    EXPECT_NEAR(dist2d(std_point(r, r.end_param), p.start_point), 0, 1e-12);

    // x^2/4 + y^2 = 1 counter-clockwise from (2, 0) to (0, 1).
    conic_general_data e{identity, 0.25, 0, 1, 0, 0, -1, {2, 0, 5}, {0, 1, 5}};
    ASSERT_EQ(KX_CURVE_convert_conic_to_std(&e, &r, &sense), 0);
    EXPECT_EQ(r.conic_type, KX_CONIC_ELLIPSE);
    EXPECT_EQ(sense, 1);
    EXPECT_EQ(r.center[2], 5);
    EXPECT_NEAR(r.end_param - r.start_param, kPi / 2, 1e-12);
    EXPECT_NEAR(dist2d(std_point(r, r.start_param), e.start_point), 0, 1e-12);
    EXPECT_NEAR(dist2d(std_point(r, r.end_param), e.end_point), 0, 1e-12);
    EXPECT_NEAR(std::max(r.k1, r.k2), 2, 1e-12);
    EXPECT_NEAR(std::min(r.k1, r.k2), 1, 1e-12);

    // x^2 - y^2 = 1 on the left branch: the other branch is chosen.
    conic_general_data h{identity, 1, 0, -1, 0, 0, -1, {-std::sqrt(2.0), 1, 0}, {-std::sqrt(2.0), -1, 0}};
    ASSERT_EQ(KX_CURVE_convert_conic_to_std(&h, &r, &sense), 0);
    EXPECT_EQ(r.conic_type, KX_CONIC_HYPERBOLA);
    EXPECT_NEAR(r.k1, 1, 1e-12);
    EXPECT_NEAR(r.k2, 1, 1e-12);
    const auto s = std_point(r, r.start_param), f = std_point(r, r.end_param);
    const double* given_start = sense ? h.start_point : h.end_point;
    const double* given_end = sense ? h.end_point : h.start_point;
    EXPECT_NEAR(dist2d(s, given_start), 0, 1e-12);
    EXPECT_NEAR(dist2d(f, given_end), 0, 1e-12);
}

TEST_F(ConicTest, RoundTripsKeepTheCurveAndItsEnds) {
    for (conic_data r : {ellipse(), parabola(), hyperbola()}) {
        conic_general_data g{}, again{};
        ASSERT_EQ(KX_CURVE_convert_conic_to_gen(&r, &g), 0);
        conic_data s{};
        logical sense = 0;
        ASSERT_EQ(KX_CURVE_convert_conic_to_std(&g, &s, &sense), 0) << r.conic_type;
        EXPECT_EQ(s.conic_type, r.conic_type);
        EXPECT_EQ(sense, 1) << r.conic_type;
        ASSERT_EQ(KX_CURVE_convert_conic_to_gen(&s, &again), 0);
        expect_proportional(g, again);
        EXPECT_NEAR(dist2d(std_point(s, s.start_param), g.start_point), 0, 1e-9) << r.conic_type;
        EXPECT_NEAR(dist2d(std_point(s, s.end_param), g.end_point), 0, 1e-9) << r.conic_type;
        // The same arc, not its complement or the other branch: every point
        // of the original lies near the converted one.
        double worst = 0;
        for (int i = 0; i <= 50; ++i) {
            const auto p = std_point(r, r.start_param + i * (r.end_param - r.start_param) / 50);
            double best = 1e300;
            for (int j = 0; j <= 2000; ++j) {
                const auto q = std_point(s, s.start_param + j * (s.end_param - s.start_param) / 2000);
                best = std::min(best, std::hypot(p[0] - q[0], p[1] - q[1]));
            }
            worst = std::max(worst, best);
        }
        EXPECT_LT(worst, 0.01) << r.conic_type;
    }
}

TEST_F(ConicTest, ClosedEllipseIsTakenWhole) {
    conic_general_data c{identity, 1, 0, 1, 0, 0, -9, {0, 3, 0}, {0, 3, 0}};
    conic_data r{};
    logical sense = 0;
    ASSERT_EQ(KX_CURVE_convert_conic_to_std(&c, &r, &sense), 0);
    EXPECT_EQ(sense, 1);
    EXPECT_NEAR(r.end_param - r.start_param, kTwoPi, 1e-12);
    EXPECT_NEAR(r.k1, 3, 1e-12);
    EXPECT_NEAR(dist2d(std_point(r, r.start_param), c.start_point), 0, 1e-12);
}

TEST_F(ConicTest, GeneralToStandardCodes) {
    const tag not_matrix = line(0, 0, 0, 1, 0, 0);
    conic_data r{};
    logical sense = 0;
    struct Case {
        conic_general_data g;
        int code;
    } cases[] = {
        {{not_matrix, 1, 0, 1, 0, 0, -1, {1, 0, 0}, {0, 1, 0}}, 1480003},
        {{identity, 1, 0, 1, 0, 0, -1, {1, 0, 0}, {0, 1, 1e-9}}, 1480009},
        {{identity, 1, 0, -1, 0, 0, 0, {1, 1, 0}, {2, 2, 0}}, 1480007},           // two crossing lines
        {{identity, 1, 0, 1, 0, 0, 1, {1, 0, 0}, {0, 1, 0}}, 1480007},            // no real points
        {{identity, 0, 0, 0, 1, 1, 0, {1, -1, 0}, {2, -2, 0}}, 1480007},          // a straight line
        {{identity, 1, 0, 0, 0, -1e-4, 0, {0.01, 1, 0}, {0.02, 4, 0}}, 1480007},  // a parabola too narrow
        // Off-curve end points that the two senses explain equally well.
        {{identity, 1, 0, 0, 0, -1, 0, {1, 5, 0}, {1, 0.9, 0}}, 1480016},
    };
    for (Case& c : cases) EXPECT_EQ(KX_CURVE_convert_conic_to_std(&c.g, &r, &sense), c.code);
    EXPECT_EQ(KX_CURVE_convert_conic_to_std(nullptr, &r, &sense), 1105004);
    conic_general_data ok{identity, 1, 0, 1, 0, 0, -1, {1, 0, 0}, {0, 1, 0}};
    EXPECT_EQ(KX_CURVE_convert_conic_to_std(&ok, &r, nullptr), 1105006);
    // The solution's frame comes from the caller's matrix values, or from
    // the identity when there is no matrix.
    host::control::clear_journal();
    ASSERT_EQ(KX_CURVE_convert_conic_to_std(&ok, &r, &sense), 0);
    ASSERT_EQ(host::control::call_count("ES_ask_elements_of_matrix"), 1);
    EXPECT_EQ(host::control::calls("ES_ask_elements_of_matrix")[0].arg[0], identity);
    EXPECT_TRUE(host::control::called_before("h110_", "MTX3_multiply"));
    ok.matrix_tag = NULL_TAG;
    host::control::clear_journal();
    EXPECT_EQ(KX_CURVE_convert_conic_to_std(&ok, &r, &sense), 0);
    EXPECT_EQ(r.matrix_tag, NULL_TAG);
    EXPECT_EQ(host::control::call_count("ES_ask_elements_of_matrix"), 0);
}

}  // namespace
