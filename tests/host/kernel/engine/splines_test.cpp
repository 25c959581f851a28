// The host's B-curve service on the kernel's spline tools: interpolation
// with derivative conditions, knot repair and smoothing states, and spline
// entities with their defining data under undo.
#include <cmath>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/kernel/curves/splines.h"
#include "host/base/model.h"
#include "host/numeric/curves.h"
#include "kernel_test.h"

namespace {

class SplineServiceTest : public KernelTest {
protected:
    static BC_df_point_t point(double x, double y) {
        BC_df_point_t p{};
        p.point[0] = x;
        p.point[1] = y;
        p.slope_type = BC_SLOPE_NONE;
        p.curvature_type = BC_CURV_NONE;
        return p;
    }
    // Point and two derivatives of an unweighted curve at t.
    static std::vector<double> eval(const BCEV_bcurve_t& c, double t) {
        auto curve = hostnum::Curve::spline(c.n, c.order, c.poles, c.knots, hostnum::Curve::PoleForm::cartesian);
        std::vector<double> out(9, 0.0);
        EXPECT_TRUE(curve.has_value());
        if (curve) hostnum::curve_evaluate(curve->record(), 2, t, out.data(), out.data() + 3);
        return out;
    }
};

// Point, slope and curvature conditions at the last point are met exactly.
TEST_F(SplineServiceTest, InterpolationMeetsPointSlopeAndCurvatureConditions) {
    BC_df_point_t pts[3] = {point(0, 0), point(1, 2), point(3, 1)};
    pts[2].slope_type = BC_SLOPE_VECTOR;
    pts[2].slope[0] = 2;
    pts[2].slope[1] = -1;
    pts[2].curvature_type = BC_CURV_VECTOR;
    pts[2].curvature[1] = 4;
    const double params[3] = {0, 0.4, 1};
    BC_df_t df{};
    ASSERT_EQ(BCURVE_convert_to_bcdf(4, 0, 3, pts, params, &df), 0);
    BCEV_bcurve_t c{};
    ASSERT_EQ(BCEV_create_exact(&df, &c), 0);
    EXPECT_EQ(c.n, 5);
    const auto mid = eval(c, 0.4), end = eval(c, 1);
    EXPECT_NEAR(mid[0], 1, 1e-12);
    EXPECT_NEAR(mid[1], 2, 1e-12);
    const double want[9] = {3, 1, 0, 2, -1, 0, 0, 4, 0};
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(end[i], want[i], 1e-10) << i;
    BCEV_free_bcurve(&c);
    BCDF_free_structure(&df);
}

TEST_F(SplineServiceTest, KnotRepairJoinsTouchingPiecesAndRefusesAGap) {
    // Two linear pieces meeting at (1, 0): the break knot of full
    // multiplicity goes with one of the two equal poles.
    double knots[6] = {0, 0, 0.5, 0.5, 1, 1};
    double poles[16] = {0, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1, 2, 1, 0, 1};
    BCEV_bcurve_t c{};
    BCEV_from_bcurve_data_uw(2, 4, knots, poles, &c);
    BC_states_t states{};
    ASSERT_EQ(BCEV_fix_bcurve_knots_uw(&c, 1e-9, &states), 0);
    EXPECT_EQ(c.n, 3);
    ASSERT_EQ(states.count, 1);
    EXPECT_EQ(states.entry[0].code, 4);
    EXPECT_EQ(states.entry[0].value[0], 0.5);
    BCEV_free_bcurve(&c);
    poles[8] = 1.5;  // the second piece starts elsewhere
    BCEV_from_bcurve_data_uw(2, 4, knots, poles, &c);
    states.count = 0;
    EXPECT_EQ(BCEV_fix_bcurve_knots_uw(&c, 1e-9, &states), 1);
    BCEV_free_bcurve(&c);
}

TEST_F(SplineServiceTest, SmoothingReportsEachKnotItTried) {
    // A quadratic with two double knots: one where the curve is smooth in
    // fact, one at a real corner.
    double knots[10] = {0, 0, 0, 0.3, 0.3, 0.6, 0.6, 1, 1, 1};
    // Poles 1 to 3 evenly on one line make the curve smooth at 0.3; poles 3
    // to 5 make a corner at 0.6.
    std::vector<double> poles = {0, 0, 0, 1, 1, 1, 0, 1, 2, 1, 0, 1, 3, 1, 0, 1, 4, 3, 0, 1, 5, 0, 0, 1, 6, 0, 0, 1};
    BCEV_bcurve_t c{};
    BCEV_from_bcurve_data_uw(3, 7, knots, poles.data(), &c);
    BC_states_t states{};
    const double tol[3] = {1e-6, 1e-6, 1e-6};
    EXPECT_EQ(BCEV_smooth_bcurve_data_uw(1, tol, 0, 0, &c, &states), 1);
    ASSERT_EQ(states.count, 2);
    EXPECT_EQ(states.entry[0].code, 28);
    EXPECT_EQ(states.entry[0].value[0], 0.6);
    EXPECT_GT(states.entry[0].value[1], 1);
    EXPECT_EQ(states.entry[1].code, 24);
    EXPECT_EQ(states.entry[1].value[0], 0.3);
    EXPECT_EQ(c.n, 6);
    BCEV_free_bcurve(&c);
}

// A spline made with its defining data goes, data and all, when the model
// is rolled back.
TEST_F(SplineServiceTest, SplinesAndDefiningDataFollowUndo) {
    BC_df_point_t pts[3] = {point(0, 0), point(1, 1), point(2, 0)};
    BC_df_t df{};
    ASSERT_EQ(BCURVE_convert_to_bcdf(2, 0, 3, pts, nullptr, &df), 0);
    BCEV_bcurve_t c{};
    ASSERT_EQ(BCEV_create_exact(&df, &c), 0);
    const host::stamp_t mark = host::journal::checkpoint();
    unsigned int s = 0;
    BC_generate_eid(&df, &c, 1, &s);
    EXPECT_EQ(es0918np_(&s), 3);
    es0929sync(s, 1);
    EXPECT_EQ(BC_is_spline_out_of_sync(s), 1);
    ASSERT_TRUE(host::journal::rollback(mark));
    EXPECT_FALSE(host::objects::is_alive(s));
    EXPECT_FALSE(host::curves::find(s));
    BCEV_free_bcurve(&c);
    BCDF_free_structure(&df);
}

}  // namespace

namespace {

// A knot held `order` times at an end of the range clamps the curve there:
// the spline is made of the poles that shape its range (the kernel keeps
// such a knot only as its first or last). Held so within the range, it
// breaks the curve, which no one kernel spline is: refused.
TEST_F(SplineServiceTest, KnotsHeldOrderTimesClampTheEndsAndABreakIsRefused) {
    const double w = std::sqrt(0.5);
    // A rational quarter of the unit circle, weighted poles, with a pole
    // and a knot beyond the start or the end of its range.
    const std::vector<double> quarter = {1, 0, 0, 1, w, w, 0, w, 0, 1, 0, 1}, junk = {9, 9, 9, 1};
    struct Case {
        std::vector<double> knots;
        bool junk_first;
    } cases[] = {{{-1, 0, 0, 0, 1, 1, 1}, true}, {{0, 0, 0, 1, 1, 1, 2}, false}};
    for (const auto& c : cases) {
        std::vector<double> poles = c.junk_first ? junk : quarter;
        poles.insert(poles.end(), c.junk_first ? quarter.begin() : junk.begin(),
                     c.junk_first ? quarter.end() : junk.end());
        unsigned int spline = 0;
        ASSERT_EQ(BC_create_bcurve(nullptr, 3, 4, c.knots.data(), poles.data(), &spline, nullptr), 0);
        ASSERT_NE(spline, 0u);
        const unsigned int made = spline;
        int n = 0, order = 0;
        es0911_(&made, &n, &order);
        EXPECT_EQ(n, 3);
        EXPECT_EQ(order, 3);
        const auto curve = host::curves::curve_of(spline);
        ASSERT_TRUE(curve.has_value());
        for (double t : {0.0, 0.25, 0.5, 1.0}) {
            double p[3];
            ASSERT_EQ(hostnum::curve_evaluate(curve->record(), 0, t, p, nullptr), hostnum::CurveError::ok);
            EXPECT_NEAR(std::hypot(p[0], p[1]), 1, 1e-14) << t;
        }
    }
    const std::vector<double> broken_knots = {0, 0, 0, 1, 1, 1, 2, 2, 2}, poles(4 * 6, 1.0);
    unsigned int spline = 0;
    EXPECT_EQ(raised([&] { BC_create_bcurve(nullptr, 3, 6, broken_knots.data(), poles.data(), &spline, nullptr); }),
              BC_ERR_KNOTS);
    EXPECT_EQ(spline, 0u);
}

}  // namespace
