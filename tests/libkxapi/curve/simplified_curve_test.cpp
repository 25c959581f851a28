// Curves and edges replaced by lines and arcs within a tolerance; the
// caller's array always comes back as it was and no temporary curve stays.
#include <cmath>
#include <vector>

#include "curve_fixture.h"
#include "host/kernel/engine/kernel.h"
#include "kx_codes.h"
#include "kx_curve.h"
#include "kx_obj.h"

namespace {

class SimplifiedCurveTest : public CurveTest {
protected:
    static int type_of(tag t) {
        int type = 0, sub = 0;
        EXPECT_EQ(KX_OBJ_ask_type_and_subtype(t, &type, &sub), 0);
        return type;
    }
    static int curves_in_model() { return count_of_type(3) + count_of_type(5) + count_of_type(9); }
    // A cylinder and the object of its first circular edge.
    tag circular_edge() {
        int cyl = 0;
        const double base[3] = {0, 0, 0}, axis[3] = {0, 0, 1};
        ZQ_BODY_make_cylinder(base, axis, 4, 3, &cyl);
        for (int e : host::kernel::edges_of(cyl)) {
            int type = 0;
            double p[3], d[3], r = 0;
            ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
            if (type == ZQ_CURVE_CIRCLE) return host::kernel::object_of(e);
        }
        return NULL_TAG;
    }
};

TEST_F(SimplifiedCurveTest, ArcsAndLinesComeBackAsArcsAndLines) {
    tag in[2] = {arc(0, 0, 2, 0, kPi / 2), line(0, 0, 0, 3, 0, 0)};
    tag segs[8] = {};
    int n = 0;
    ASSERT_EQ(KX_MODL_create_simplified_curve(2, in, 1e-6, &n, segs), 0);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(type_of(segs[0]), 5);
    EXPECT_EQ(type_of(segs[1]), 3);
    const auto l = curve_limits(segs[0]);
    for (int i = 0; i <= 8; ++i) {
        const auto p = point_at(segs[0], l[0] + (l[1] - l[0]) * i / 8);
        EXPECT_NEAR(std::hypot(p[0], p[1]), 2, 1e-9);
        EXPECT_GE(p[0], -1e-9);
        EXPECT_GE(p[1], -1e-9);
    }
}

TEST_F(SimplifiedCurveTest, ASplineBecomesPiecesWithinTheTolerance) {
    spline_point pts[4] = {};
    const double xy[4][2] = {{0, 0}, {2, 3}, {5, -1}, {8, 2}};
    for (int i = 0; i < 4; ++i) {
        pts[i].point[0] = xy[i][0];
        pts[i].point[1] = xy[i][1];
        pts[i].slope_type = -1;
        pts[i].crvatr_type = -1;
    }
    tag s = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_spline_thru_pts(3, 0, 4, pts, nullptr, 0, &s), 0);
    tag in[1] = {s};
    std::vector<tag> segs(4096);
    int n = 0;
    ASSERT_EQ(KX_MODL_create_simplified_curve(1, in, 1e-3, &n, segs.data()), 0);
    ASSERT_GE(n, 2);
    // The pieces join up from the spline's start to its end.
    const auto ls = curve_limits(s);
    std::vector<double> at = point_at(s, ls[0]);
    for (int i = 0; i < n; ++i) {
        const auto l = curve_limits(segs[i]);
        EXPECT_LT(distance(point_at(segs[i], l[0]), at.data()), 1e-9) << i;
        at = point_at(segs[i], l[1]);
    }
    EXPECT_LT(distance(point_at(s, ls[1]), at.data()), 1e-9);
}

TEST_F(SimplifiedCurveTest, AnEdgeStaysInTheArrayAndNoTemporaryCurveStays) {
    const tag edge = circular_edge();
    ASSERT_NE(edge, NULL_TAG);
    tag in[1] = {edge};
    tag segs[16] = {};
    int n = 0;
    const int before = curves_in_model();
    ASSERT_EQ(KX_MODL_create_simplified_curve(1, in, 1e-6, &n, segs), 0);
    EXPECT_EQ(in[0], edge);
    EXPECT_GE(n, 1);
    for (int i = 0; i < n; ++i) EXPECT_EQ(type_of(segs[i]), 5);
    EXPECT_EQ(curves_in_model(), before + n);
}

// Every failure gives the caller's array back and removes the temporary
// curves made from edges so far.
TEST_F(SimplifiedCurveTest, FailuresRestoreTheArrayAndRemoveTemporaries) {
    const tag edge = circular_edge();
    tag point = NULL_TAG;
    double xyz[3] = {1, 2, 3};
    ASSERT_EQ(KX_CURVE_create_point(xyz, &point), 0);
    const tag l = line(0, 0, 0, 1, 0, 0);
    const int before = curves_in_model();
    struct Case {
        const char* what;
        const char* raise;
        tag second;
        int code;
    } cases[] = {
        {"a point among the curves", nullptr, point, 875033},
        {"the host fails to simplify", "CRV_SIMP_simplify_curves", l, 670004},
        {"the host fails to copy the edge", "kfp_edge", l, 670004},
    };
    for (const Case& c : cases) {
        host::control::clear_scripts();
        if (c.raise) host::control::raise_on(c.raise, 670004);
        tag in[2] = {edge, c.second};
        tag segs[16] = {};
        int n = 7;
        EXPECT_EQ(KX_MODL_create_simplified_curve(2, in, 1e-6, &n, segs), c.code) << c.what;
        EXPECT_EQ(in[0], edge) << c.what;
        EXPECT_EQ(in[1], c.second) << c.what;
        EXPECT_EQ(n, 0) << c.what;
        EXPECT_EQ(curves_in_model(), before) << c.what;
        EXPECT_EQ(host::control::frame_depth(), 0) << c.what;
    }
    host::control::clear_scripts();
    host::control::return_status("CRV_SIMP_simplify_curves", 1);
    tag in[2] = {edge, l};
    tag segs[16] = {};
    int n = 0;
    EXPECT_EQ(KX_MODL_create_simplified_curve(2, in, 1e-6, &n, segs), 875051);
    EXPECT_EQ(curves_in_model(), before);
}

TEST_F(SimplifiedCurveTest, NothingToDoAndBadTolerance) {
    tag in[1] = {line(0, 0, 0, 1, 0, 0)};
    tag segs[4] = {};
    int n = 5;
    EXPECT_EQ(KX_MODL_create_simplified_curve(0, in, 1e-6, &n, segs), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(KX_MODL_create_simplified_curve(1, in, 0.0, &n, segs), 875036);
    EXPECT_EQ(segs[0], NULL_TAG);
}

}  // namespace
