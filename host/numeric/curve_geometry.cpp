// The curve record as the solid kernel's geometry (see curve_geometry.h).
#include "host/numeric/curve_geometry.h"
#include "host/numeric/curve_kernel.h"

#include <Extrema_ExtPC.hxx>
#include <GCPnts_AbscissaPoint.hxx>
#include <GeomAPI_ExtremaCurveCurve.hxx>
#include <GeomAPI_ExtremaCurveSurface.hxx>
#include <GeomAPI_IntCS.hxx>
#include <GeomAPI_ProjectPointOnCurve.hxx>
#include <GeomAdaptor_Curve.hxx>
#include <GeomLProp_SLProps.hxx>
#include <Geom_BSplineCurve.hxx>
#include <Geom_Circle.hxx>
#include <Geom_ConicalSurface.hxx>
#include <Geom_CylindricalSurface.hxx>
#include <Geom_Ellipse.hxx>
#include <Geom_Hyperbola.hxx>
#include <Geom_Line.hxx>
#include <Geom_Parabola.hxx>
#include <Geom_Plane.hxx>
#include <Geom_SphericalSurface.hxx>
#include <Geom_ToroidalSurface.hxx>
#include <Geom_TrimmedCurve.hxx>
#include <Standard_Failure.hxx>
#include <TColStd_Array1OfInteger.hxx>
#include <TColStd_Array1OfReal.hxx>
#include <TColgp_Array1OfPnt.hxx>
#include <gp_Ax2.hxx>
#include <gp_Ax3.hxx>

#include <cmath>
#include <limits>
#include <numbers>
#include <utility>
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

// The kernel's B-spline of the record's poles [first, last) and their
// knots (first to last + order).
Handle(Geom_Curve) spline_piece(const curve_spline_data& d, int first, int last) {
    const int n = last - first, degree = d.order - 1;
    TColgp_Array1OfPnt poles(1, n);
    TColStd_Array1OfReal weights(1, n);
    for (int i = 0; i < n; ++i) {
        const double* p = d.poles + 4 * (first + i);
        poles(i + 1) = gp_Pnt(p[0] / p[3], p[1] / p[3], p[2] / p[3]);
        weights(i + 1) = p[3];
    }
    std::vector<double> knots;
    std::vector<int> mults;
    for (int i = first; i < last + d.order; ++i) {
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

// The stretches of a spline between knots it holds `order` times (where
// the curve may break: the kernel's splines keep such a knot only at an
// end), as ranges [first, last) of its poles, each with a non-empty range
// of parameters [knots[first + order - 1], knots[last]].
std::vector<std::pair<int, int>> stretches(const curve_spline_data& d) {
    const int n = d.n_poles, k = d.order;
    std::vector<int> cuts{0};
    for (int j = 0; j < n + k;) {
        int m = 1;
        while (j + m < n + k && d.knots[j + m] == d.knots[j]) ++m;
        if (m >= k && j > 0 && j < n) cuts.push_back(j);
        j += m;
    }
    cuts.push_back(n);
    std::vector<std::pair<int, int>> out;
    for (size_t i = 0; i + 1 < cuts.size(); ++i) {
        const int s = cuts[i], e = cuts[i + 1];
        if (e - s >= k && d.knots[s + k - 1] < d.knots[e]) out.emplace_back(s, e);
    }
    return out;
}

KernelCurve::Piece piece(Handle(Geom_Curve) curve, double lo, double hi) {
    KernelCurve::Piece p;
    p.curve = std::move(curve);
    p.adaptor = new GeomAdaptor_Curve(p.curve);
    p.lo = lo;
    p.hi = hi;
    return p;
}

constexpr double kInf = std::numeric_limits<double>::infinity();

gp_Pnt value(const KernelCurve& k, double t) { return k.at(t).adaptor->Value(k.u(t)); }

void put(double* out, const gp_XYZ& v) {
    out[0] = v.X();
    out[1] = v.Y();
    out[2] = v.Z();
}

// The stretch of [lo, hi] piece i answers for, within the kernel curve's
// own bounds (a spline's pieces end where their knots do).
bool bounded_stretch(const KernelCurve& k, size_t i, double lo, double hi, double* u0, double* u1) {
    if (!k.stretch(i, lo, hi, u0, u1)) return false;
    const Handle(Geom_Curve)& c = k.pieces[i].curve;
    if (!c->IsPeriodic()) {
        *u0 = std::fmax(*u0, c->FirstParameter());
        *u1 = std::fmin(*u1, c->LastParameter());
    }
    return *u0 <= *u1;
}

// Whether the curve's tangent at u lies in the surface at (su, sv).
bool touches(const Handle(Geom_Curve) & curve, double u, const Handle(Geom_Surface) & surface, double su, double sv,
             double tolerance) {
    gp_Pnt p;
    gp_Vec d;
    curve->D1(u, p, d);
    GeomLProp_SLProps props(surface, su, sv, 1, tolerance);
    return props.IsNormalDefined() && d.Magnitude() > 0 && std::fabs(d.Normalized().Dot(gp_Vec(props.Normal()))) < 1e-9;
}

}  // namespace

const KernelCurve::Piece& KernelCurve::at(double t) const {
    for (size_t i = 1; i < pieces.size(); ++i)
        if (t < pieces[i].lo) return pieces[i - 1];
    return pieces.back();
}

bool KernelCurve::stretch(size_t i, double a, double b, double* u0, double* u1) const {
    const double lo = std::fmax(a, pieces[i].lo), hi = std::fmin(b, pieces[i].hi);
    if (!(lo <= hi)) return false;
    *u0 = u(lo);
    *u1 = u(hi);
    return true;
}

std::shared_ptr<const KernelCurve> build(const curve_struct& c) {
    if (c.data == nullptr) return nullptr;
    auto m = std::make_shared<KernelCurve>();
    m->lo = c.span >= 0 ? c.start : c.start + c.span;
    m->hi = c.span >= 0 ? c.start + c.span : c.start;
    m->period = c.periodic ? std::fabs(c.span) : 0;
    try {
        Handle(Geom_Curve) one;
        if (c.type == CURVE_CONIC) {
            one = conic(*static_cast<const curve_conic_data*>(c.data), *m);
        } else if (c.type == CURVE_SPLINE) {
            m->spline = true;
            const auto& d = *static_cast<const curve_spline_data*>(c.data);
            if (d.poles == nullptr || d.knots == nullptr || d.order < 2 || d.n_poles < d.order) return nullptr;
            const auto parts = stretches(d);
            for (size_t i = 0; i < parts.size(); ++i) {
                const auto [first, last] = parts[i];
                m->pieces.push_back(piece(spline_piece(d, first, last), i == 0 ? -kInf : d.knots[first + d.order - 1],
                                          i + 1 == parts.size() ? kInf : d.knots[last]));
            }
        } else if (c.type == CURVE_LINE) {
            // The kernel's line runs at unit speed: its parameter is the
            // record's times the direction's length.
            const auto& d = *static_cast<const curve_line_data*>(c.data);
            m->scale = std::sqrt(d.direction[0] * d.direction[0] + d.direction[1] * d.direction[1] +
                                 d.direction[2] * d.direction[2]);
            if (!(m->scale > 0) || !std::isfinite(m->scale)) return nullptr;
            one = new Geom_Line(pnt(d.origin), dir(d.direction));
        } else if (c.type == CURVE_ARC) {
            const auto& d = *static_cast<const curve_arc_data*>(c.data);
            one = new Geom_Circle(frame(d.center, d.x_axis, d.y_axis), d.radius);
        }
        if (!one.IsNull()) m->pieces.push_back(piece(one, -kInf, kInf));
    } catch (const Standard_Failure&) {
        return nullptr;
    }
    if (m->pieces.empty()) return nullptr;
    return m;
}

bool evaluate(const KernelCurve& k, double t, int n, double* out) {
    try {
        const GeomAdaptor_Curve& c = *k.at(t).adaptor;
        const double u = k.u(t);
        gp_Pnt p;
        gp_Vec d[3];
        switch (n) {
            case 0: c.D0(u, p); break;
            case 1: c.D1(u, p, d[0]); break;
            case 2: c.D2(u, p, d[0], d[1]); break;
            default: c.D3(u, p, d[0], d[1], d[2]); break;
        }
        put(out, p.XYZ());
        double factor = 1;
        for (int i = 1; i <= n; ++i) {
            factor *= k.scale;
            const gp_Vec v = i <= 3 ? d[i - 1] : c.DN(u, i);
            put(out + 3 * i, factor * v.XYZ());
        }
        return true;
    } catch (const Standard_Failure&) {
        return false;
    }
}

bool closest(const KernelCurve& k, double lo, double hi, const double ref[3], double* t, double point[3]) {
    try {
        // The ends (of the range and of each stretch) compete with the feet;
        // the start wins a tie.
        const gp_Pnt p = pnt(ref);
        double best = lo, best_d = HUGE_VAL;
        gp_Pnt best_p;
        const auto candidate = [&](double t, const gp_Pnt& q) {
            if (const double d = q.SquareDistance(p); d < best_d) best = t, best_p = q, best_d = d;
        };
        for (size_t i = 0; i < k.pieces.size(); ++i) {
            double u0 = 0, u1 = 0;
            if (!k.stretch(i, lo, hi, &u0, &u1)) continue;
            const GeomAdaptor_Curve& c = *k.pieces[i].adaptor;
            candidate(k.t(u0), c.Value(u0));
            candidate(k.t(u1), c.Value(u1));
        }
        for (size_t i = 0; i < k.pieces.size(); ++i) {
            double u0 = 0, u1 = 0;
            if (!k.stretch(i, lo, hi, &u0, &u1)) continue;
            const Extrema_ExtPC feet(p, *k.pieces[i].adaptor, u0, u1);
            // A point on a circle's axis has no foot (every point is as near).
            if (!feet.IsDone()) continue;
            for (int j = 1; j <= feet.NbExt(); ++j) candidate(k.t(feet.Point(j).Parameter()), feet.Point(j).Value());
        }
        if (!(best_d < HUGE_VAL)) return false;
        *t = std::fmin(std::fmax(best, lo), hi);
        put(point, best_p.XYZ());
        return true;
    } catch (const Standard_Failure&) {
        return false;
    }
}

CurveError length(const KernelCurve& k, const double* cuts, int n_cuts, double* out) {
    try {
        // A chord sum beyond the doubles: the length is too.
        double chords = 0;
        for (int i = 0; i + 1 < n_cuts; ++i) chords += value(k, cuts[i]).Distance(value(k, cuts[i + 1]));
        if (!std::isfinite(chords)) return CurveError::not_converged;
        double sum = 0;
        for (int i = 0; i + 1 < n_cuts; ++i) {
            double a = cuts[i], b = cuts[i + 1];
            // A periodic spline's piece is taken in the period of its record.
            if (k.period > 0 && k.spline) {
                const double shift = std::floor((0.5 * (a + b) - k.lo) / k.period) * k.period;
                a -= shift;
                b -= shift;
            }
            const KernelCurve::Piece& p = k.at(0.5 * (a + b));
            const double chord = p.adaptor->Value(k.u(a)).Distance(p.adaptor->Value(k.u(b)));
            sum += GCPnts_AbscissaPoint::Length(*p.adaptor, k.u(a), k.u(b), 1e-13 * std::fmax(chord, 1e-300));
        }
        if (!std::isfinite(sum)) return CurveError::not_converged;
        *out = sum;
        return CurveError::ok;
    } catch (const Standard_Failure&) {
        return CurveError::not_converged;
    }
}

bool meets(const KernelCurve& ka, const KernelCurve& kb, double tolerance, std::vector<Meet>* out) {
    out->clear();
    try {
        for (size_t ia = 0; ia < ka.pieces.size(); ++ia) {
            for (size_t ib = 0; ib < kb.pieces.size(); ++ib) {
                double a0 = 0, a1 = 0, b0 = 0, b1 = 0;
                if (!bounded_stretch(ka, ia, ka.lo, ka.hi, &a0, &a1) ||
                    !bounded_stretch(kb, ib, kb.lo, kb.hi, &b0, &b1))
                    continue;
                const Handle(Geom_Curve)& ca = ka.pieces[ia].curve, &cb = kb.pieces[ib].curve;
                GeomAPI_ExtremaCurveCurve ext(ca, cb, a0, a1, b0, b1);
                const auto add = [&](double ua, double ub) {
                    Meet m;
                    m.ta = ka.t(ua);
                    m.tb = kb.t(ub);
                    put(m.point, ca->Value(ua).XYZ());
                    out->push_back(m);
                };
                if (!ext.Extrema().IsParallel()) {
                    for (int i = 1; i <= ext.NbExtrema(); ++i) {
                        if (ext.Distance(i) >= tolerance) continue;
                        double ua = 0, ub = 0;
                        ext.Parameters(i, ua, ub);
                        add(ua, ub);
                    }
                    continue;
                }
                // Curves that run along each other: where either one's ends
                // lie on the other.
                const auto ends_on = [&](const Handle(Geom_Curve) & from, double f0, double f1,
                                         const Handle(Geom_Curve) & onto, double o0, double o1, bool first) {
                    for (double u : {f0, f1}) {
                        GeomAPI_ProjectPointOnCurve foot(from->Value(u), onto, o0, o1);
                        if (foot.NbPoints() > 0 && foot.LowerDistance() < tolerance)
                            first ? add(u, foot.LowerDistanceParameter()) : add(foot.LowerDistanceParameter(), u);
                    }
                };
                ends_on(ca, a0, a1, cb, b0, b1, true);
                ends_on(cb, b0, b1, ca, a0, a1, false);
            }
        }
        return true;
    } catch (const Standard_Failure&) {
        return false;
    }
}

bool surface_meets(const KernelCurve& k, double lo, double hi, const Handle(Geom_Surface) & surface, double tolerance,
                   std::vector<SurfaceMeet>* out) {
    out->clear();
    try {
        for (size_t i = 0; i < k.pieces.size(); ++i) {
            double u0 = 0, u1 = 0;
            if (!bounded_stretch(k, i, lo, hi, &u0, &u1) || !(u0 < u1)) continue;
            const Handle(Geom_Curve)& curve = k.pieces[i].curve;
            const Handle(Geom_Curve) trimmed = new Geom_TrimmedCurve(curve, u0, u1);
            const auto add = [&](double w, const gp_Pnt& p, double su, double sv) {
                for (const SurfaceMeet& o : *out)
                    if (p.Distance(pnt(o.point)) < 1e-9) return;
                SurfaceMeet m;
                m.t = k.t(w);
                put(m.point, p.XYZ());
                m.uv[0] = su;
                m.uv[1] = sv;
                m.kind = touches(curve, w, surface, su, sv, tolerance) ? 2 : 1;
                out->push_back(m);
            };
            GeomAPI_IntCS meet(trimmed, surface);
            if (!meet.IsDone()) return false;
            for (int j = 1; j <= meet.NbPoints(); ++j) {
                double su = 0, sv = 0, w = 0;
                meet.Parameters(j, su, sv, w);
                add(w, meet.Point(j), su, sv);
            }
            // Touches, which the intersection may take for near misses: the
            // nearest approaches of curve and surface within the tolerance.
            GeomAPI_ExtremaCurveSurface near(trimmed, surface);
            if (!near.Extrema().IsDone() || near.Extrema().IsParallel()) continue;
            for (int j = 1; j <= near.NbExtrema(); ++j) {
                if (near.Distance(j) >= tolerance) continue;
                double w = 0, su = 0, sv = 0;
                near.Parameters(j, w, su, sv);
                add(w, curve->Value(w), su, sv);
            }
        }
        return true;
    } catch (const Standard_Failure&) {
        return false;
    }
}

bool surface_meets(const KernelCurve& k, double lo, double hi, const Surface& s, double tolerance,
                   std::vector<SurfaceMeet>* out) {
    Handle(Geom_Surface) surface;
    try {
        const gp_Ax3 ax(pnt(s.origin), dir(s.axis), dir(s.ref));
        switch (s.kind) {
            case Surface::plane: surface = new Geom_Plane(ax); break;
            case Surface::cylinder: surface = new Geom_CylindricalSurface(ax, s.radius); break;
            case Surface::cone: surface = new Geom_ConicalSurface(ax, s.half_angle, s.radius); break;
            case Surface::sphere: surface = new Geom_SphericalSurface(ax, s.radius); break;
            case Surface::torus: surface = new Geom_ToroidalSurface(ax, s.radius, s.minor); break;
        }
    } catch (const Standard_Failure&) {
        return false;
    }
    if (!surface_meets(k, lo, hi, surface, tolerance, out)) return false;
    // The kernel's cone runs v along its generators; this one along its axis.
    if (s.kind == Surface::cone)
        for (SurfaceMeet& m : *out) m.uv[1] *= std::cos(s.half_angle);
    return true;
}

SplineData spline_data(Handle(Geom_BSplineCurve) c) {
    if (c->IsPeriodic()) {
        c = Handle(Geom_BSplineCurve)::DownCast(c->Copy());
        c->SetNotPeriodic();
    }
    SplineData f;
    f.n = c->NbPoles();
    f.order = c->Degree() + 1;
    f.poles.resize(4 * static_cast<std::size_t>(f.n));
    for (int i = 0; i < f.n; ++i) {
        const gp_Pnt p = c->Pole(i + 1);
        f.poles[4 * i] = p.X();
        f.poles[4 * i + 1] = p.Y();
        f.poles[4 * i + 2] = p.Z();
        f.poles[4 * i + 3] = c->Weight(i + 1);
    }
    TColStd_Array1OfReal flat(1, f.n + f.order);
    c->KnotSequence(flat);
    f.knots.assign(flat.begin(), flat.end());
    return f;
}

}  // namespace hostnum::geometry
