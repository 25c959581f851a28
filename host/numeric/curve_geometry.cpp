// The curve record as the solid kernel's geometry (see curve_geometry.h).
#include "host/numeric/curve_geometry.h"
#include "host/numeric/curve_kernel.h"

#include <GCPnts_AbscissaPoint.hxx>
#include <GeomAPI_ExtremaCurveCurve.hxx>
#include <GeomAPI_ProjectPointOnCurve.hxx>
#include <GeomAdaptor_Curve.hxx>
#include <Geom_BSplineCurve.hxx>
#include <Geom_Circle.hxx>
#include <Geom_Ellipse.hxx>
#include <Geom_Hyperbola.hxx>
#include <Geom_Line.hxx>
#include <Geom_Parabola.hxx>
#include <Standard_Failure.hxx>
#include <TColStd_Array1OfInteger.hxx>
#include <TColStd_Array1OfReal.hxx>
#include <TColgp_Array1OfPnt.hxx>
#include <gp_Ax2.hxx>

#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

namespace hostnum::geometry {

namespace {

gp_Pnt pnt(const double* p) { return gp_Pnt(p[0], p[1], p[2]); }
gp_Dir dir(const double* d) { return gp_Dir(d[0], d[1], d[2]); }

// The plane of a conic: origin, normal x_axis x y_axis, X along x_axis.
gp_Ax2 frame(const double* centre, const double* x, const double* y) {
    const gp_Dir X = dir(x), Y = dir(y);
    return gp_Ax2(pnt(centre), X.Crossed(Y), X);
}

Handle(Geom_Curve) conic(const curve_conic_data& d, KernelCurve& m) {
    const gp_Ax2 ax = frame(d.center, d.x_axis, d.y_axis);
    switch (d.subtype) {
        case CONIC_ELLIPSE: {
            const double a = d.c[2], b = d.c[3];
            if (a >= b) return new Geom_Ellipse(ax, a, b);
            // The kernel's ellipse has its major axis along X: turned a
            // quarter, its parameter is the record's less a quarter turn.
            m.offset = -std::numbers::pi / 2;
            const gp_Dir X = dir(d.x_axis), Y = dir(d.y_axis);
            return new Geom_Ellipse(gp_Ax2(pnt(d.center), X.Crossed(Y), Y), b, a);
        }
        case CONIC_PARABOLA: return new Geom_Parabola(ax, d.c[2]);
        case CONIC_HYPERBOLA: {
            const double b = std::sqrt(d.c[3]);
            return new Geom_Hyperbola(ax, d.c[2] * b, b);
        }
        default: return {};
    }
}

Handle(Geom_Curve) spline(const curve_spline_data& d) {
    const int n = d.n_poles, degree = d.order - 1;
    TColgp_Array1OfPnt poles(1, n);
    TColStd_Array1OfReal weights(1, n);
    for (int i = 0; i < n; ++i) {
        const double* p = d.poles + 4 * i;
        poles(i + 1) = gp_Pnt(p[0] / p[3], p[1] / p[3], p[2] / p[3]);
        weights(i + 1) = p[3];
    }
    std::vector<double> knots;
    std::vector<int> mults;
    for (int i = 0; i < n + d.order; ++i) {
        if (!knots.empty() && d.knots[i] == knots.back()) {
            ++mults.back();
        } else {
            knots.push_back(d.knots[i]);
            mults.push_back(1);
        }
    }
    TColStd_Array1OfReal k(1, static_cast<int>(knots.size()));
    TColStd_Array1OfInteger mu(1, static_cast<int>(mults.size()));
    for (size_t i = 0; i < knots.size(); ++i) {
        k(static_cast<int>(i) + 1) = knots[i];
        mu(static_cast<int>(i) + 1) = mults[i];
    }
    return new Geom_BSplineCurve(poles, weights, k, mu, degree);
}

}  // namespace

std::optional<KernelCurve> kernel_curve(const curve_struct& c) {
    KernelCurve m;
    m.lo = c.span >= 0 ? c.start : c.start + c.span;
    m.hi = c.span >= 0 ? c.start + c.span : c.start;
    m.period = c.periodic ? std::fabs(c.span) : 0;
    try {
        if (c.type == CURVE_CONIC) {
            m.curve = conic(*static_cast<const curve_conic_data*>(c.data), m);
        } else if (c.type == CURVE_SPLINE) {
            m.curve = spline(*static_cast<const curve_spline_data*>(c.data));
        } else if (c.type == CURVE_LINE) {
            // The kernel's line runs at unit speed: its parameter is the
            // record's times the direction's length.
            const auto& d = *static_cast<const curve_line_data*>(c.data);
            m.scale = std::sqrt(d.direction[0] * d.direction[0] + d.direction[1] * d.direction[1] +
                                d.direction[2] * d.direction[2]);
            m.curve = new Geom_Line(pnt(d.origin), dir(d.direction));
        } else if (c.type == CURVE_ARC) {
            const auto& d = *static_cast<const curve_arc_data*>(c.data);
            m.curve = new Geom_Circle(frame(d.center, d.x_axis, d.y_axis), d.radius);
        }
    } catch (const Standard_Failure&) {
        return std::nullopt;
    }
    if (m.curve.IsNull() || !(m.scale > 0)) return std::nullopt;
    return m;
}

bool closest(const curve_struct& c, double lo, double hi, const double ref[3], double* t) {
    const auto m = kernel_curve(c);
    if (!m) return false;
    try {
        GeomAPI_ProjectPointOnCurve feet(pnt(ref), m->curve, m->u(lo), m->u(hi));
        // The ends compete with the feet; the start wins a tie.
        const gp_Pnt p = pnt(ref);
        double best = lo, best_d = m->curve->Value(m->u(lo)).SquareDistance(p);
        if (const double d = m->curve->Value(m->u(hi)).SquareDistance(p); d < best_d) best = hi, best_d = d;
        for (int i = 1; i <= feet.NbPoints(); ++i) {
            const double d = feet.Distance(i) * feet.Distance(i);
            if (d < best_d) best = m->t(feet.Parameter(i)), best_d = d;
        }
        *t = std::fmin(std::fmax(best, lo), hi);
        return true;
    } catch (const Standard_Failure&) {
        return false;
    }
}

CurveError length(const curve_struct& c, const double* cuts, int n_cuts, double* out) {
    const auto m = kernel_curve(c);
    if (!m) return CurveError::not_converged;
    try {
        // A chord sum beyond the doubles: the length is too.
        double chords = 0;
        for (int i = 0; i + 1 < n_cuts; ++i)
            chords += m->curve->Value(m->u(cuts[i])).Distance(m->curve->Value(m->u(cuts[i + 1])));
        if (!std::isfinite(chords)) return CurveError::not_converged;
        const GeomAdaptor_Curve adaptor(m->curve);
        double sum = 0;
        for (int i = 0; i + 1 < n_cuts; ++i) {
            double a = cuts[i], b = cuts[i + 1];
            // A periodic spline's piece is taken in the period of its record.
            if (m->period > 0 && c.type == CURVE_SPLINE) {
                const double shift = std::floor((0.5 * (a + b) - m->lo) / m->period) * m->period;
                a -= shift;
                b -= shift;
            }
            const double chord = m->curve->Value(m->u(a)).Distance(m->curve->Value(m->u(b)));
            sum += GCPnts_AbscissaPoint::Length(adaptor, m->u(a), m->u(b), 1e-13 * std::fmax(chord, 1e-300));
        }
        if (!std::isfinite(sum)) return CurveError::not_converged;
        *out = sum;
        return CurveError::ok;
    } catch (const Standard_Failure&) {
        return CurveError::not_converged;
    }
}

bool meets(const curve_struct& a, const curve_struct& b, double tolerance, std::vector<Meet>* out) {
    const auto ka = kernel_curve(a), kb = kernel_curve(b);
    if (!ka || !kb) return false;
    out->clear();
    try {
        const double a0 = std::fmin(ka->u(ka->lo), ka->u(ka->hi)), a1 = std::fmax(ka->u(ka->lo), ka->u(ka->hi));
        const double b0 = std::fmin(kb->u(kb->lo), kb->u(kb->hi)), b1 = std::fmax(kb->u(kb->lo), kb->u(kb->hi));
        GeomAPI_ExtremaCurveCurve ext(ka->curve, kb->curve, a0, a1, b0, b1);
        const auto add = [&](double ua, double ub) {
            Meet m;
            m.ta = ka->t(ua);
            m.tb = kb->t(ub);
            const gp_Pnt p = ka->curve->Value(ua);
            m.point[0] = p.X();
            m.point[1] = p.Y();
            m.point[2] = p.Z();
            out->push_back(m);
        };
        if (!ext.Extrema().IsParallel()) {
            for (int i = 1; i <= ext.NbExtrema(); ++i) {
                if (ext.Distance(i) >= tolerance) continue;
                double ua = 0, ub = 0;
                ext.Parameters(i, ua, ub);
                add(ua, ub);
            }
            return true;
        }
        // Curves that run along each other: where either one's ends lie on
        // the other.
        const auto ends_on = [&](const KernelCurve& from, double f0, double f1, const KernelCurve& onto, double o0,
                                 double o1, bool first) {
            for (double u : {f0, f1}) {
                GeomAPI_ProjectPointOnCurve foot(from.curve->Value(u), onto.curve, o0, o1);
                if (foot.NbPoints() > 0 && foot.LowerDistance() < tolerance)
                    first ? add(u, foot.LowerDistanceParameter()) : add(foot.LowerDistanceParameter(), u);
            }
        };
        ends_on(*ka, a0, a1, *kb, b0, b1, true);
        ends_on(*kb, b0, b1, *ka, a0, a1, false);
        return true;
    } catch (const Standard_Failure&) {
        return false;
    }
}

}  // namespace hostnum::geometry
