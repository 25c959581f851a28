// The curve record's data flattened into one array, per entity type.
#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

#include "tests/libkxapi/eval/eval_fixture.h"
#include "host/base/services/memory.h"

namespace {

namespace ctl = host::control;
using hostnum::Curve;

const double kO[3] = {1, 2, 3}, kX[3] = {0, 1, 0}, kY[3] = {0, 0, 1};

class CurveRecord : public EvalTest {
protected:
    // The flattened data of an evaluator: its type, its values, the size of
    // the block handed out (0 when none).
    struct Flat {
        int status, type;
        std::vector<double> v;
        std::size_t doubles;
    };
    Flat flat(evaluator e) {
        Flat f{};
        f.type = -1;
        double* data = nullptr;
        f.status = KX_CURVE_ask_curve_struct_data(e, &f.type, &data);
        if (data) {
            f.doubles = host::memory::block_size(data) / sizeof(double);
            f.v.assign(data, data + f.doubles);
            KX_free(data);
        }
        return f;
    }
    // A record of a curve with its head or data changed after it was made.
    static curve_struct& mutable_record(evaluator e) { return const_cast<curve_struct&>(*host::evc::record(e)); }
};

TEST_F(CurveRecord, LineEndsComeLowerParameterFirst) {
    const double a[3] = {0, 0, 0}, b[3] = {10, 0, 0};
    for (double span : {4.0, -4.0}) {
        const evaluator e = of(Curve::line(a, b));
        mutable_record(e).start = 6;
        mutable_record(e).span = span;
        const Flat f = flat(e);
        ASSERT_EQ(f.status, 0);
        EXPECT_EQ(f.type, CURVE_LINE);
        EXPECT_EQ(f.doubles, 15u);
        EXPECT_EQ(f.v[0], 6);
        EXPECT_EQ(f.v[1], span);
        EXPECT_EQ(f.v[2], 0);
        // Lower end first: 10 and 6 for the positive span, 2 and 6 for the negative.
        EXPECT_EQ(f.v[3], span > 0 ? 6 : 2);
        EXPECT_EQ(f.v[6], span > 0 ? 10 : 6);
        EXPECT_EQ(f.v[4], 0);
    }
}

TEST_F(CurveRecord, PointArcAndSpline) {
    const Flat p = flat(of(Curve::point(kO)));
    ASSERT_EQ(p.status, 0);
    EXPECT_EQ(p.type, CURVE_POINT);
    EXPECT_EQ(p.doubles, 8u);
    EXPECT_EQ(p.v[0], 1);
    EXPECT_EQ(p.v[2], 3);

    const Flat a = flat(of(Curve::arc(kO, kX, kY, 2.5, 0.5, 2)));
    ASSERT_EQ(a.status, 0);
    EXPECT_EQ(a.type, CURVE_ARC);
    EXPECT_EQ(a.doubles, 20u);
    const std::vector<double> want = {0.5, 1.5, 0, 0.5, 2, 2.5, 1, 2, 3, 0, 1, 0, 0, 0, 1};
    for (std::size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(a.v[i], want[i], 1e-15) << "value " << i;

    // Four poles, order 3: 5 + 7 + 16 = 28 meaningful values.
    const double poles[] = {0, 0, 0, 1, 1, 1, 0, 2, 2, 0, 1, 1, 3, 1, 1, 1};
    const double knots[] = {0, 0, 0, 0.5, 1, 1, 1};
    const Flat s = flat(of(Curve::spline(4, 3, poles, knots, Curve::PoleForm::cartesian)));
    ASSERT_EQ(s.status, 0);
    EXPECT_EQ(s.type, CURVE_SPLINE);
    EXPECT_EQ(s.doubles, 5u * 4 + 3 + 20);
    EXPECT_EQ(s.v[3], 4);
    EXPECT_EQ(s.v[4], 3);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(s.v[5 + i], knots[i]);
    EXPECT_EQ(s.v[12 + 4], 2);  // the second pole, weighted: (2, 2, 0, 2)
    EXPECT_EQ(s.v[12 + 7], 2);
    EXPECT_EQ(s.v[12 + 15], 1);  // the last value, index 27
    for (std::size_t i = 28; i < s.doubles; ++i) EXPECT_EQ(s.v[i], 0);
}

TEST_F(CurveRecord, ConicsCopyTheirValuesAndHyperbolasGetAngles) {
    const Flat e = flat(of(Curve::ellipse(kO, kX, kY, 3, 2, 0.5, 2)));
    ASSERT_EQ(e.status, 0);
    EXPECT_EQ(e.type, CURVE_CONIC);
    const std::vector<double> want = {0.5, 1.5, 0, 0.5, 2, 3, 2, 2, 1, 2, 3, 0, 1, 0, 0, 0, 1};
    for (std::size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(e.v[i], want[i], 1e-15) << "value " << i;

    const Flat p = flat(of(Curve::parabola(kO, kX, kY, 0.7, -1, 2)));
    ASSERT_EQ(p.status, 0);
    EXPECT_EQ(p.v[5], 0.7);
    EXPECT_EQ(p.v[7], 3);

    const double a = 2, b = 0.5, t0 = -1, t1 = 1.5;
    const Flat h = flat(of(Curve::hyperbola(kO, kX, kY, a, b, t0, t1)));
    ASSERT_EQ(h.status, 0);
    EXPECT_EQ(h.v[7], 4);
    EXPECT_NEAR(h.v[6], b, 1e-15);
    EXPECT_NEAR(h.v[5], a, 1e-15);
    const double two_pi = 2 * kPi;
    EXPECT_NEAR(h.v[3], std::atan(std::sinh(t0)) + two_pi, 1e-14);
    EXPECT_NEAR(h.v[4], std::atan(std::sinh(t1)) + two_pi, 1e-14);
    for (int i : {3, 4}) {
        EXPECT_GT(h.v[i], 1.5 * kPi);
        EXPECT_LT(h.v[i], 2.5 * kPi);
    }
    EXPECT_EQ(h.v[0], h.v[3]);
    EXPECT_EQ(h.v[1], h.v[4] - h.v[3]);
    EXPECT_EQ(h.v[2], 0);
    EXPECT_EQ(h.v[8], 1);  // center
}

// The flat data hold the whole curve: a curve rebuilt from them alone has
// the record's range and points.
TEST_F(CurveRecord, CurvesRebuiltFromTheFlatDataMatch) {
    const double a[3] = {1, -2, 4}, b[3] = {3, 5, -1};
    const double wp[] = {0, 0, 0, 1, 1, 2, 0, 2, 3, 2, 1, 0.5, 4, 0, 2, 1, 5, 1, 1, 1};
    const double wk[] = {0, 0, 0, 0, 0.4, 1, 1, 1, 1};
    struct Case {
        const char* what;
        std::optional<Curve> curve;
    } cases[] = {
        {"line", Curve::line(a, b)},
        {"arc", Curve::arc(kO, kX, kY, 2.5, -0.5, 2.0)},
        {"ellipse", Curve::ellipse(kO, kX, kY, 3, 1.5, 0.25, 4)},
        {"parabola", Curve::parabola(kO, kX, kY, 0.6, -1.5, 2)},
        {"hyperbola", Curve::hyperbola(kO, kX, kY, 1.5, 0.75, -1.2, 0.9)},
        {"rational spline", Curve::spline(5, 4, wp, wk, Curve::PoleForm::cartesian)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const evaluator e = of(c.curve);
        const Flat f = flat(e);
        ASSERT_EQ(f.status, 0);
        const double* v = f.v.data();
        std::optional<Curve> rebuilt;
        if (f.type == CURVE_LINE) {
            rebuilt = Curve::line(v + 3, v + 6);
        } else if (f.type == CURVE_ARC) {
            rebuilt = Curve::arc(v + 6, v + 9, v + 12, v[5], v[3], v[4]);
        } else if (f.type == CURVE_CONIC && static_cast<int>(v[7]) == CONIC_ELLIPSE) {
            rebuilt = Curve::ellipse(v + 8, v + 11, v + 14, v[5], v[6], v[3], v[4]);
        } else if (f.type == CURVE_CONIC && static_cast<int>(v[7]) == CONIC_PARABOLA) {
            rebuilt = Curve::parabola(v + 8, v + 11, v + 14, v[5], v[3], v[4]);
        } else if (f.type == CURVE_CONIC) {
            // The ends are angles atan(ordinate / k2) + 2 pi, the ordinate k2 sinh t.
            auto t_of = [](double angle) { return std::asinh(std::tan(angle - 2 * std::numbers::pi)); };
            rebuilt = Curve::hyperbola(v + 8, v + 11, v + 14, v[5], v[6], t_of(v[0]), t_of(v[0] + v[1]));
        } else if (f.type == CURVE_SPLINE) {
            const int n = static_cast<int>(v[3]), k = static_cast<int>(v[4]);
            rebuilt = Curve::spline(n, k, v + 5 + n + k, v + 5);
        }
        ASSERT_TRUE(rebuilt.has_value()) << "type " << f.type;
        const evaluator r = host::evc::make(*rebuilt);
        double lim[2], rlim[2];
        ASSERT_EQ(KX_EVAL_ask_limits(e, lim), 0);
        ASSERT_EQ(KX_EVAL_ask_limits(r, rlim), 0);
        EXPECT_NEAR(rlim[0], lim[0], 1e-12);
        EXPECT_NEAR(rlim[1], lim[1], 1e-12);
        for (double s : {0.0, 0.3, 0.77, 1.0}) {
            double p[3], q[3];
            const double t = lim[0] + s * (lim[1] - lim[0]);
            ASSERT_EQ(KX_EVAL_evaluate(e, 0, t, p, nullptr), 0);
            ASSERT_EQ(KX_EVAL_evaluate(r, 0, t, q, nullptr), 0);
            for (int i = 0; i < 3; ++i) EXPECT_NEAR(p[i], q[i], 1e-12) << "at " << t;
        }
    }
}

TEST_F(CurveRecord, RefusalsAllocateNothing) {
    const std::size_t blocks = ctl::live_blocks();
    int type = -1;
    double* data = nullptr;
    EXPECT_EQ(KX_CURVE_ask_curve_struct_data(0, &type, &data), 1105004);
    EXPECT_EQ(KX_CURVE_ask_curve_struct_data(12345, &type, &data), 1105004);
    EXPECT_EQ(type, -1);

    // A hyperbola whose squared axis is 0: no angles can be formed.
    const evaluator h = of(Curve::hyperbola(kO, kX, kY, 1, 1, 0, 1));
    static_cast<curve_conic_data*>(mutable_record(h).data)->c[3] = 0;
    Flat f = flat(h);
    EXPECT_EQ(f.status, 875033);
    EXPECT_EQ(f.type, CURVE_CONIC);  // stored before it was examined
    static_cast<curve_conic_data*>(mutable_record(h).data)->c[3] = -4;
    EXPECT_EQ(flat(h).status, 875033);

    // Types without a layout.
    for (int t : {1, 4, 7, 8, 10}) {
        const evaluator e = of(Curve::arc(kO, kX, kY, 1, 0, 1));
        mutable_record(e).type = t;
        f = flat(e);
        EXPECT_EQ(f.status, 875033) << "type " << t;
        EXPECT_EQ(f.type, t);
        EXPECT_EQ(f.doubles, 0u);
        mutable_record(e).type = CURVE_ARC;
    }
    EXPECT_EQ(ctl::live_blocks(), blocks);

    const evaluator e = of(Curve::arc(kO, kX, kY, 1, 0, 1));
    EXPECT_EQ(KX_CURVE_ask_curve_struct_data(e, nullptr, &data), 1105005);
    EXPECT_EQ(KX_CURVE_ask_curve_struct_data(e, &type, nullptr), 1105006);
}

}  // namespace
