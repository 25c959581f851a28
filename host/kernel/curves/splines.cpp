// The B-curve service (see splines.h): spline entities and the spline work
// done with the kernel's tools.
#include <BRepAdaptor_Surface.hxx>
#include <BRepTools.hxx>
#include <GeomAPI_PointsToBSpline.hxx>
#include <BRepTopAdaptor_FClass2d.hxx>
#include <BRep_Tool.hxx>
#include <BSplCLib.hxx>
#include <GeomAPI_ExtremaCurveCurve.hxx>
#include <GeomAPI_Interpolate.hxx>
#include <GeomAPI_ProjectPointOnCurve.hxx>
#include <math_Gauss.hxx>
#include <math_Matrix.hxx>
#include <math_SVD.hxx>
#include <math_Vector.hxx>
#include <GeomConvert.hxx>
#include <GeomConvert_ApproxCurve.hxx>
#include <Geom_BSplineCurve.hxx>
#include <Geom_Line.hxx>
#include <Geom_Surface.hxx>
#include <Geom_TrimmedCurve.hxx>
#include <TColStd_Array1OfInteger.hxx>
#include <TColStd_Array1OfReal.hxx>
#include <TColStd_HArray1OfBoolean.hxx>
#include <TColStd_HArray1OfReal.hxx>
#include <TColgp_Array1OfPnt.hxx>
#include <TColgp_Array1OfVec.hxx>
#include <TColgp_HArray1OfPnt.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Face.hxx>
#include <gce_MakeCirc.hxx>
#include <gp_Circ.hxx>
#include <gp_Pnt2d.hxx>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/kernel/engine/brep.h"
#include "host/kernel/curves/derived_curves.h"
#include "host/kernel/curves/splines.h"
#include "host/numeric/curve_kernel.h"
#include "host/base/model.h"
#include "host/numeric/curves.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace hk = host::kernel;
namespace hd = host::kernel::detail;

namespace {

constexpr double kWeightMin = 1e-10;
constexpr double kSnap = 1e-12;

// ---- defining data kept with a spline ------------------------------------------

struct Defining {
    int degree = 0;
    int periodic = 0;
    std::vector<BC_df_point_t> points;
    std::vector<double> parameters;
    bool has_data = false;
    bool out_of_sync = false;
};

host::TagTable<Defining>& defining() {
    static host::TagTable<Defining> t("spline defining data");
    return t;
}
const bool registered = (defining(), true);

// ---- small helpers --------------------------------------------------------------

void add_state(BC_states_t* states, int code, double a, double b = 0, double c = 0) {
    if (!states || states->count >= BC_MAX_STATES) return;
    BC_state_t& s = states->entry[states->count++];
    s.code = code;
    s.value[0] = a;
    s.value[1] = b;
    s.value[2] = c;
}

template <class T>
T* sm_array(std::size_t n) {
    return n == 0 ? nullptr : static_cast<T*>(SM_alloc(n * sizeof(T)));
}

// Two arrays from SM_alloc, or neither: the first goes again when the
// second cannot be had.
template <class A, class B>
void sm_pair(std::size_t na, A*& a, std::size_t nb, B*& b) {
    A* first = sm_array<A>(na);
    try {
        b = sm_array<B>(nb);
    } catch (...) {
        SM_free(first);
        throw;
    }
    a = first;
}

bool finite_all(const double* v, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (!std::isfinite(v[i])) return false;
    return true;
}

// Distinct knots and multiplicities of a flat knot vector.
void split_knots(const double* flat, int count, TColStd_Array1OfReal*& knots, TColStd_Array1OfInteger*& mults) {
    std::vector<double> k;
    std::vector<int> m;
    for (int i = 0; i < count; ++i) {
        if (!k.empty() && std::fabs(flat[i] - k.back()) <= kSnap) ++m.back();
        else {
            k.push_back(flat[i]);
            m.push_back(1);
        }
    }
    knots = new TColStd_Array1OfReal(1, static_cast<int>(k.size()));
    mults = new TColStd_Array1OfInteger(1, static_cast<int>(k.size()));
    for (std::size_t i = 0; i < k.size(); ++i) {
        knots->SetValue(static_cast<int>(i) + 1, k[i]);
        mults->SetValue(static_cast<int>(i) + 1, m[i]);
    }
}

// The poles [first, last) that shape the curve over its range: a knot held
// `order` times at an end of the range clamps the curve there, and the
// poles beyond it (with their knots) play no part. The kernel keeps such a
// knot only as the first or last of its knots.
void clamped_poles(int n, int order, const double* knots, int* first, int* last) {
    *first = 0;
    *last = n;
    for (int j = 1; j < order && j + order - 1 < n + order; ++j)
        if (knots[j] == knots[order - 1] && knots[j + order - 1] == knots[order - 1]) {
            *first = j;
            break;
        }
    for (int j = n - 1; j > n - order && j >= 0; --j)
        if (knots[j] == knots[n] && knots[j + order - 1] == knots[n]) {
            *last = j;
            break;
        }
}

// The kernel's curve of unweighted data (poles x, y, z, w); raises the
// kernel's failure as `code`.
Handle(Geom_BSplineCurve)
    to_kernel(const host::Call& call, int n, int order, const double* knots, const double* poles, int code) {
    int first = 0, last = n;
    clamped_poles(n, order, knots, &first, &last);
    if (last - first < order) call.fail(code, "the knots leave the curve no range");
    knots += first;
    poles += 4 * first;
    n = last - first;
    return hd::guarded(call, code, [&] {
        TColgp_Array1OfPnt p(1, n);
        TColStd_Array1OfReal w(1, n);
        bool rational = false;
        for (int i = 0; i < n; ++i) {
            p.SetValue(i + 1, gp_Pnt(poles[4 * i], poles[4 * i + 1], poles[4 * i + 2]));
            w.SetValue(i + 1, poles[4 * i + 3]);
            rational = rational || std::fabs(poles[4 * i + 3] - 1) > kWeightMin;
        }
        TColStd_Array1OfReal* k = nullptr;
        TColStd_Array1OfInteger* m = nullptr;
        split_knots(knots, n + order, k, m);
        std::unique_ptr<TColStd_Array1OfReal> kk(k);
        std::unique_ptr<TColStd_Array1OfInteger> mm(m);
        Handle(Geom_BSplineCurve) c =
            rational ? new Geom_BSplineCurve(p, w, *k, *m, order - 1) : new Geom_BSplineCurve(p, *k, *m, order - 1);
        return c;
    });
}

// The data of a kernel curve (clamped when periodic).
using Flat = hostnum::geometry::SplineData;
Flat flat_of(const Handle(Geom_BSplineCurve) & c) { return hostnum::geometry::spline_data(c); }

// The same into a curve's own arrays (from SM_alloc; a failure to get
// the second leaves the curve as it was).
void from_kernel(const Handle(Geom_BSplineCurve) & c, BCEV_bcurve_t* out) {
    const Flat f = flat_of(c);
    double* poles = nullptr;
    double* knots = nullptr;
    sm_pair(f.poles.size(), poles, f.knots.size(), knots);
    std::copy(f.poles.begin(), f.poles.end(), poles);
    std::copy(f.knots.begin(), f.knots.end(), knots);
    BCEV_free_bcurve(out);
    out->n = f.n;
    out->order = f.order;
    out->poles = poles;
    out->knots = knots;
}

// A new spline entity of unweighted data.
unsigned int new_spline(const host::Call& call, int n, int order, const double* knots, const double* poles,
                        bool periodic = false) {
    auto curve = hostnum::Curve::spline(n, order, poles, knots, hostnum::Curve::PoleForm::cartesian, periodic);
    if (!curve && periodic)
        curve = hostnum::Curve::spline(n, order, poles, knots, hostnum::Curve::PoleForm::cartesian, false);
    if (!curve) call.fail(BC_ERR_KNOTS, "the data make no spline");
    const unsigned int t = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_SPLINE, 0, 0});
    host::curves::attach_curve(t, *curve);
    return t;
}

unsigned int new_spline(const host::Call& call, const Handle(Geom_BSplineCurve) & c) {
    const Flat f = flat_of(c);
    return new_spline(call, f.n, f.order, f.knots.data(), f.poles.data(), c->IsPeriodic() == Standard_True);
}

// The spline data block of a spline entity.
const curve_spline_data& spline_of(const host::Call& call, unsigned int spline) {
    call.live_of_type(spline, HOST_TYPE_SPLINE);
    const host::curves::Entity* e = host::curves::find(spline);
    if (!e || !e->other() || e->other()->record().type != CURVE_SPLINE)
        call.fail(HOST_ERR_WRONG_CLASS, "spline %u has no spline data", spline);
    return *static_cast<const curve_spline_data*>(e->other()->record().data);
}

// Weighted poles to unweighted ones.
std::vector<double> unweighted(int n, const double* poles) {
    std::vector<double> u(4 * static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double w = poles[4 * i + 3];
        for (int j = 0; j < 3; ++j) u[4 * i + j] = w != 0 ? poles[4 * i + j] / w : poles[4 * i + j];
        u[4 * i + 3] = w;
    }
    return u;
}

int validate(const double* range, int order, int n, const double* poles) {
    if (order < 2 || order > BC_MAX_ORDER || n < order) return BC_ERR_ORDER;
    if (!poles || !finite_all(poles, 4 * static_cast<std::size_t>(n))) return BC_ERR_VALUE;
    for (int i = 0; i < n; ++i)
        if (!(poles[4 * i + 3] > kWeightMin)) return BC_ERR_WEIGHT;
    if (range && !(range[1] > range[0])) return BC_ERR_KNOTS;
    return 0;
}

int check_knots(int order, int n, const double* knots) {
    if (!knots || !finite_all(knots, static_cast<std::size_t>(n + order))) return BC_ERR_VALUE;
    int run = 1;
    for (int i = 1; i < n + order; ++i) {
        if (knots[i] < knots[i - 1]) return BC_ERR_KNOTS;
        run = knots[i] == knots[i - 1] ? run + 1 : 1;
        if (run > order) return BC_ERR_KNOTS;
    }
    return knots[n] > knots[order - 1] ? 0 : BC_ERR_KNOTS;
}

// Largest distance between two curves over the first's range, sampled.
double deviation(const Handle(Geom_BSplineCurve) & a, const Handle(Geom_BSplineCurve) & b) {
    const double t0 = a->FirstParameter(), t1 = a->LastParameter();
    double d = 0;
    constexpr int kSamples = 64;
    for (int i = 0; i <= kSamples; ++i) {
        const double t = t0 + (t1 - t0) * i / kSamples;
        d = std::max(d, a->Value(t).Distance(b->Value(t)));
    }
    return d;
}

// ---- defining data ------------------------------------------------------------------

void df_from(const Defining& d, BC_df_t* df) {
    df->degree = d.degree;
    df->periodic = d.periodic;
    df->n_points = static_cast<int>(d.points.size());
    sm_pair(d.points.size(), df->points, d.parameters.size(), df->parameters);
    if (!d.points.empty()) std::memcpy(df->points, d.points.data(), d.points.size() * sizeof(BC_df_point_t));
    if (!d.parameters.empty()) std::memcpy(df->parameters, d.parameters.data(), d.parameters.size() * sizeof(double));
}

Defining defining_of(const BC_df_t& df) {
    Defining d;
    d.degree = df.degree;
    d.periodic = df.periodic;
    d.points.assign(df.points, df.points + df.n_points);
    d.parameters.assign(df.parameters, df.parameters + df.n_points);
    d.has_data = true;
    return d;
}

bool has_slope(const BC_df_point_t& p);
bool has_curvature(const BC_df_point_t& p);

// What is wrong with defining data: 0, or the fitting code of the first
// fault (BCDF_check_defining_data answers it).
int defining_fault(const BC_df_t& df) {
    if (df.n_points < 2 || !df.points || !df.parameters) return BC_FIT_TOO_FEW_POINTS;
    for (int i = 0; i < df.n_points; ++i) {
        const BC_df_point_t& q = df.points[i];
        if (has_curvature(q) && !has_slope(q)) return BC_FIT_CURVATURE_SLOPE;
        // A slope vector must have a length; a direction may be left out
        // (a zero vector), the points then give it.
        if (has_slope(q) && q.slope_type != BC_SLOPE_DIRECTION &&
            std::sqrt(q.slope[0] * q.slope[0] + q.slope[1] * q.slope[1] + q.slope[2] * q.slope[2]) <= kWeightMin)
            return BC_FIT_SLOPES;
        if (i == 0) continue;
        const double* a = df.points[i - 1].point;
        const double* b = q.point;
        const double d =
            std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
        if (d <= 1e-9) return BC_FIT_COINCIDENT;
        if (!(df.parameters[i] > df.parameters[i - 1])) return BC_FIT_PARAMETERS;
    }
    return 0;
}

double chord_length(const BC_df_t& df) {
    double l = 0;
    for (int i = 1; i < df.n_points; ++i) {
        const double* a = df.points[i - 1].point;
        const double* b = df.points[i].point;
        l += std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
    }
    return l;
}

bool has_slope(const BC_df_point_t& p) { return p.slope_type != BC_SLOPE_NONE; }
bool has_curvature(const BC_df_point_t& p) { return p.curvature_type != BC_CURV_NONE; }

// The direction the points give at point i (of `distinct` points, the
// first following the last when closed): along the chord from the point
// before to the point after, or along the end chord at an open end.
gp_Vec points_direction(const BC_df_t& df, int i, int distinct, bool closed) {
    const auto at = [&](int k) { return gp_Vec(df.points[k].point[0], df.points[k].point[1], df.points[k].point[2]); };
    const int before = i > 0 ? i - 1 : closed ? distinct - 1 : i;
    const int after = i < distinct - 1 ? i + 1 : closed ? 0 : i;
    return at(after) - at(before);
}

// The derivative conditions of point i over the parameter span. A
// direction without a length takes the chord length over the span; a
// direction left out (a zero vector) is the one the points give.
gp_Vec slope_vector(const BC_df_t& df, int i, int distinct, double chord, double span) {
    const BC_df_point_t& p = df.points[i];
    gp_Vec v(p.slope[0], p.slope[1], p.slope[2]);
    if (p.slope_type == BC_SLOPE_DIRECTION) {
        if (v.Magnitude() <= kWeightMin) v = points_direction(df, i, distinct, df.periodic != 0);
        const double m = v.Magnitude();
        if (m > 0) v *= chord / span / m;
    } else if (p.slope_type == BC_SLOPE_PER_CHORD) {
        v *= chord / span;
    }
    return v;
}

gp_Vec curvature_vector(const BC_df_point_t& p, double chord, double span) {
    gp_Vec v(p.curvature[0], p.curvature[1], p.curvature[2]);
    if (p.curvature_type == BC_CURV_PER_CHORD) v *= (chord / span) * (chord / span);
    return v;
}

// Interpolation of open defining data at any degree: the kernel's solver of
// point and derivative conditions over knots averaged from the parameters.
int interpolate_open(const host::Call& call, const BC_df_t& df, Handle(Geom_BSplineCurve) & out) {
    const int p = df.degree;
    const double span = df.parameters[df.n_points - 1] - df.parameters[0];
    const double chord = chord_length(df);
    std::vector<double> ext;
    std::vector<int> order;
    std::vector<gp_Pnt> rows;
    for (int i = 0; i < df.n_points; ++i) {
        const BC_df_point_t& q = df.points[i];
        const double t = df.parameters[i];
        // The conditions of a point in rising order of derivative, those of
        // the last point in falling order: the kernel's banded solver needs
        // the point condition on the outside at either end.
        std::vector<std::pair<int, gp_XYZ>> conds;
        conds.emplace_back(0, gp_XYZ(q.point[0], q.point[1], q.point[2]));
        if (has_slope(q)) conds.emplace_back(1, slope_vector(df, i, df.n_points, chord, span).XYZ());
        if (has_curvature(q)) conds.emplace_back(2, curvature_vector(q, chord, span).XYZ());
        if (i == df.n_points - 1) std::reverse(conds.begin(), conds.end());
        for (const auto& [d, v] : conds) {
            ext.push_back(t);
            order.push_back(d);
            rows.emplace_back(v);
        }
    }
    const int m = static_cast<int>(ext.size());
    if (m < p + 1) return BC_FIT_TOO_FEW_POINTS;
    std::vector<double> flat;
    for (int i = 0; i <= p; ++i) flat.push_back(ext.front());
    for (int j = 1; j <= m - p - 1; ++j) {
        double s = 0;
        for (int i = j; i < j + p; ++i) s += ext[i];
        flat.push_back(s / p);
    }
    for (int i = 0; i <= p; ++i) flat.push_back(ext.back());
    return hd::guarded(call, KERNEL_ERR_EXCEPTION, [&]() -> int {
        TColStd_Array1OfReal fk(1, m + p + 1), params(1, m);
        TColStd_Array1OfInteger contact(1, m);
        TColgp_Array1OfPnt poles(1, m);
        for (int i = 0; i < m + p + 1; ++i) fk.SetValue(i + 1, flat[i]);
        for (int i = 0; i < m; ++i) {
            params.SetValue(i + 1, ext[i]);
            contact.SetValue(i + 1, order[i]);
            poles.SetValue(i + 1, rows[i]);
        }
        int problem = 0;
        BSplCLib::Interpolate(p, fk, params, contact, poles, problem);
        if (problem != 0) return BC_FIT_FAILED;
        TColStd_Array1OfReal* k = nullptr;
        TColStd_Array1OfInteger* mu = nullptr;
        split_knots(flat.data(), m + p + 1, k, mu);
        std::unique_ptr<TColStd_Array1OfReal> kk(k);
        std::unique_ptr<TColStd_Array1OfInteger> mm(mu);
        out = new Geom_BSplineCurve(poles, *k, *mu, p);
        return 0;
    });
}

// Periodic defining data: the kernel's cubic periodic interpolation, with
// the slopes as tangents.
int interpolate_periodic(const host::Call& call, const BC_df_t& df, Handle(Geom_BSplineCurve) & out) {
    const int n = df.n_points - 1;  // the last point repeats the first
    const double span = df.parameters[n] - df.parameters[0];
    const double chord = chord_length(df);
    return hd::guarded(call, KERNEL_ERR_EXCEPTION, [&]() -> int {
        Handle(TColgp_HArray1OfPnt) pts = new TColgp_HArray1OfPnt(1, n);
        Handle(TColStd_HArray1OfReal) params = new TColStd_HArray1OfReal(1, n + 1);
        TColgp_Array1OfVec tangents(1, n);
        Handle(TColStd_HArray1OfBoolean) flags = new TColStd_HArray1OfBoolean(1, n);
        bool any = false;
        for (int i = 0; i < n; ++i) {
            const BC_df_point_t& q = df.points[i];
            pts->SetValue(i + 1, gp_Pnt(q.point[0], q.point[1], q.point[2]));
            flags->SetValue(i + 1, has_slope(q));
            tangents.SetValue(i + 1, has_slope(q) ? slope_vector(df, i, n, chord, span) : gp_Vec(0, 0, 0));
            any = any || has_slope(q);
        }
        for (int i = 0; i <= n; ++i) params->SetValue(i + 1, df.parameters[i]);
        GeomAPI_Interpolate fit(pts, params, Standard_True, 1e-9);
        if (any) fit.Load(tangents, flags, Standard_False);
        fit.Perform();
        if (!fit.IsDone()) return BC_FIT_FAILED;
        out = fit.Curve();
        return 0;
    });
}

int interpolate(const host::Call& call, const BC_df_t& df, Handle(Geom_BSplineCurve) & out) {
    if (int st = BCDF_check_defining_data(&df)) return st;
    return df.periodic ? interpolate_periodic(call, df, out) : interpolate_open(call, df, out);
}

// ---- least-squares fitting ------------------------------------------------------------

struct Fitted {
    Handle(Geom_BSplineCurve) curve;
    double max_error = 0;
    int max_index = 0;
};

int slope_count(const BC_fit_t& f) { return f.slope_at[0] + f.slope_at[1]; }

// The largest number of segments the points and slopes determine.
int max_segments(const BC_fit_t& f) { return std::max(1, f.n_points + slope_count(f) - (f.order - 1)); }

// The least-squares spline of `segments` spans over chord-length
// parameters: end points kept, end slopes kept as directions with the
// chord length as their length; the kernel's basis functions and solvers.
Fitted fit_once(const BC_fit_t& f, int segments) {
    const int p = f.order - 1, np = segments + p, m = f.n_points;
    std::vector<double> t(static_cast<std::size_t>(m), 0.0);
    const double* q = f.points;
    for (int i = 1; i < m; ++i)
        t[i] = t[i - 1] +
               gp_Pnt(q[3 * i - 3], q[3 * i - 2], q[3 * i - 1]).Distance(gp_Pnt(q[3 * i], q[3 * i + 1], q[3 * i + 2]));
    const double chord = t[m - 1];
    if (chord > 0)
        for (double& v : t) v /= chord;
    TColStd_Array1OfReal flat(1, np + p + 1);
    for (int i = 1; i <= p + 1; ++i) {
        flat(i) = 0;
        flat(np + p + 2 - i) = 1;
    }
    // Interior knots placed among the parameters so that every span holds
    // some of them (averaging of neighbouring parameters).
    const double step = static_cast<double>(m) / segments;
    for (int j = 1; j < segments; ++j) {
        const int i = std::clamp(static_cast<int>(j * step), 1, m - 1);
        const double a = j * step - i;
        flat(p + 1 + j) = (1 - a) * t[i - 1] + a * t[i];
    }
    std::vector<gp_XYZ> poles(static_cast<std::size_t>(np));
    std::vector<bool> fixed(static_cast<std::size_t>(np), false);
    auto point = [&](int i) { return gp_XYZ(q[3 * i], q[3 * i + 1], q[3 * i + 2]); };
    poles[0] = point(0);
    poles[np - 1] = point(m - 1);
    fixed[0] = fixed[np - 1] = true;
    for (int e = 0; e < 2; ++e) {
        if (!f.slope_at[e]) continue;
        gp_XYZ d(f.slope[e][0], f.slope[e][1], f.slope[e][2]);
        if (d.Modulus() > 0) d *= chord / d.Modulus();
        if (e == 0) {
            poles[1] = poles[0] + d * ((flat(p + 2) - flat(2)) / p);
            fixed[1] = true;
        } else {
            poles[np - 2] = poles[np - 1] - d * ((flat(np + p) - flat(np)) / p);
            fixed[np - 2] = true;
        }
    }
    std::vector<int> free_index(static_cast<std::size_t>(np), -1);
    int nf = 0;
    for (int j = 0; j < np; ++j)
        if (!fixed[j]) free_index[j] = nf++;
    if (nf > 0) {
        math_Matrix normal(1, nf, 1, nf, 0.0);
        math_Matrix rhs(1, nf, 1, 3, 0.0);
        math_Matrix basis(1, 1, 1, f.order);
        for (int i = 0; i < m; ++i) {
            int first = 0;
            BSplCLib::EvalBsplineBasis(0, f.order, flat, t[i], first, basis);
            const double w = f.weights[i];
            gp_XYZ r = point(i);
            for (int a = 0; a < f.order; ++a) {
                const int j = first - 1 + a;
                if (j >= 0 && j < np && fixed[j]) r -= poles[j] * basis(1, a + 1);
            }
            for (int a = 0; a < f.order; ++a) {
                const int j = first - 1 + a;
                if (j < 0 || j >= np || fixed[j]) continue;
                const double na = basis(1, a + 1);
                for (int b = 0; b < f.order; ++b) {
                    const int k = first - 1 + b;
                    if (k < 0 || k >= np || fixed[k]) continue;
                    normal(free_index[j] + 1, free_index[k] + 1) += w * na * basis(1, b + 1);
                }
                for (int c = 0; c < 3; ++c) rhs(free_index[j] + 1, c + 1) += w * na * r.Coord(c + 1);
            }
        }
        math_Matrix x(1, nf, 1, 3, 0.0);
        math_Gauss gauss(normal);
        for (int c = 1; c <= 3; ++c) {
            math_Vector b = rhs.Col(c), sol(1, nf);
            if (gauss.IsDone()) gauss.Solve(b, sol);
            else math_SVD(normal).Solve(b, sol);
            x.SetCol(c, sol);
        }
        for (int j = 0; j < np; ++j)
            if (!fixed[j]) poles[j] = gp_XYZ(x(free_index[j] + 1, 1), x(free_index[j] + 1, 2), x(free_index[j] + 1, 3));
    }
    TColgp_Array1OfPnt pp(1, np);
    for (int j = 0; j < np; ++j) pp(j + 1) = gp_Pnt(poles[j]);
    TColStd_Array1OfReal* k = nullptr;
    TColStd_Array1OfInteger* mu = nullptr;
    std::vector<double> fl(flat.begin(), flat.end());
    split_knots(fl.data(), np + p + 1, k, mu);
    std::unique_ptr<TColStd_Array1OfReal> kk(k);
    std::unique_ptr<TColStd_Array1OfInteger> mm(mu);
    Fitted out;
    out.curve = new Geom_BSplineCurve(pp, *k, *mu, p);
    for (int i = 0; i < m; ++i) {
        const gp_Pnt pt(point(i));
        GeomAPI_ProjectPointOnCurve proj(pt, out.curve);
        const double d = proj.NbPoints() > 0 ? proj.LowerDistance() : pt.Distance(out.curve->Value(t[i]));
        if (d > out.max_error) {
            out.max_error = d;
            out.max_index = i + 1;
        }
    }
    if (out.max_index == 0) out.max_index = 1;
    return out;
}

// ---- faces and edges -------------------------------------------------------------------

const TopoDS_Face& kernel_face(const host::Call& call, unsigned int face) {
    const int e = hk::entity_of(face);
    if (!e) call.fail(HOST_ERR_WRONG_CLASS, "object %u is no face of the kernel", face);
    return TopoDS::Face(hd::require_sub(call, e, ZQ_CLASS_FACE).shape);
}

const TopoDS_Edge& kernel_edge(const host::Call& call, unsigned int edge) {
    const int e = hk::entity_of(edge);
    if (!e) call.fail(HOST_ERR_WRONG_CLASS, "object %u is no edge of the kernel", edge);
    return TopoDS::Edge(hd::require_sub(call, e, ZQ_CLASS_EDGE).shape);
}

// The spline form of a bounded curve: exact for the kernel's analytic and
// spline curves, an approximation within the tolerance for the others.
Handle(Geom_BSplineCurve) spline_form(const Handle(Geom_Curve) & c, double t0, double t1, double tolerance) {
    Handle(Geom_TrimmedCurve) trimmed = new Geom_TrimmedCurve(c, t0, t1);
    try {
        return GeomConvert::CurveToBSplineCurve(trimmed);
    } catch (const Standard_Failure&) {
        GeomConvert_ApproxCurve approx(trimmed, tolerance, GeomAbs_C2, 64, 8);
        if (!approx.HasResult()) throw;
        return approx.Curve();
    }
}

// The copy of an edge's curve over the edge: a line for a straight edge,
// else a spline (exact for the kernel's analytic and spline curves); 0
// when the edge has no curve.
unsigned int copy_of_edge(const host::Call& call, unsigned int edge, double tolerance) {
    hd::ensure_started();
    const TopoDS_Edge& e = kernel_edge(call, edge);
    double t0 = 0, t1 = 0;
    Handle(Geom_Curve) c = BRep_Tool::Curve(e, t0, t1);
    if (c.IsNull()) return 0;
    const bool reversed = e.Orientation() == TopAbs_REVERSED;
    if (c->DynamicType() == STANDARD_TYPE(Geom_Line)) {
        gp_Pnt a = c->Value(t0), b = c->Value(t1);
        if (reversed) std::swap(a, b);
        const double ends[6] = {a.X(), a.Y(), a.Z(), b.X(), b.Y(), b.Z()};
        unsigned int line = 0;
        ES_create_line_in_part(0, ends, &line);
        return line;
    }
    Handle(Geom_BSplineCurve) s = hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        Handle(Geom_BSplineCurve) b = spline_form(c, t0, t1, tolerance);
        if (reversed) b->Reverse();
        return b;
    });
    return new_spline(call, s);
}

// ---- simplification into lines and arcs --------------------------------------------

// A line (centre unused) or an arc from `start` over `mid` to `end`.
struct Piece {
    bool arc = false;
    gp_Pnt start, mid, end;
};

gp_Pnt eval_at(const curve_struct& c, double t) {
    double p[3];
    hostnum::curve_evaluate(c, 0, t, p, nullptr);
    return gp_Pnt(p[0], p[1], p[2]);
}

constexpr int kSimplifySamples = 16;
constexpr int kSimplifyDepth = 24;

// Replaces the curve over [a, b] by a line, else an arc through its ends
// and middle (the kernel's circle through three points), else the two
// halves in turn, each within the tolerance on samples; false when the
// depth runs out.
bool simplify(const curve_struct& c, double a, double b, double tol, int depth, std::vector<Piece>& out) {
    const gp_Pnt p0 = eval_at(c, a), pm = eval_at(c, (a + b) / 2), p1 = eval_at(c, b);
    auto within = [&](auto&& dist) {
        for (int i = 1; i < kSimplifySamples; ++i)
            if (dist(eval_at(c, a + (b - a) * i / kSimplifySamples)) > tol) return false;
        return true;
    };
    const gp_Vec chord(p0, p1);
    if (chord.Magnitude() > tol && within([&](const gp_Pnt& q) {
            const gp_Vec v(p0, q);
            const double s = std::clamp(v.Dot(chord) / chord.SquareMagnitude(), 0.0, 1.0);
            return q.Distance(p0.Translated(chord * s));
        })) {
        out.push_back({false, p0, pm, p1});
        return true;
    }
    gce_MakeCirc circle(p0, pm, p1);
    if (circle.IsDone()) {
        const gp_Circ ci = circle.Value();
        if (within([&](const gp_Pnt& q) { return ci.Distance(q); })) {
            out.push_back({true, p0, pm, p1});
            return true;
        }
    }
    if (depth >= kSimplifyDepth) return false;
    return simplify(c, a, (a + b) / 2, tol, depth + 1, out) && simplify(c, (a + b) / 2, b, tol, depth + 1, out);
}

// The entity of a piece: a line, or an arc with a matrix of its own (X
// towards the start, Z so that the arc runs counter-clockwise through the
// middle to the end).
unsigned int make_piece(const Piece& p) {
    if (!p.arc) {
        const double ends[6] = {p.start.X(), p.start.Y(), p.start.Z(), p.end.X(), p.end.Y(), p.end.Z()};
        unsigned int line = 0;
        ES_create_line_in_part(0, ends, &line);
        return line;
    }
    const gp_Circ ci = gce_MakeCirc(p.start, p.mid, p.end).Value();
    const gp_Pnt c = ci.Location();
    const gp_Dir z = gp_Vec(p.start, p.mid).Crossed(gp_Vec(p.mid, p.end));
    const gp_Dir x = gp_Vec(c, p.start);
    const gp_Dir y = z.Crossed(x);
    const double rows[9] = {x.X(), x.Y(), x.Z(), y.X(), y.Y(), y.Z(), z.X(), z.Y(), z.Z()};
    unsigned int matrix = 0;
    ES_create_matrix_in_part(CONTEXT_ask_work_part(), rows, 3, &matrix);
    const gp_Vec e(c, p.end);
    double sweep = std::atan2(e.Dot(gp_Vec(y)), e.Dot(gp_Vec(x)));
    if (sweep <= 0) sweep += 2 * M_PI;
    const gp_XYZ cl(c.XYZ().Dot(x.XYZ()), c.XYZ().Dot(y.XYZ()), c.XYZ().Dot(z.XYZ()));
    const double data[6] = {0, sweep, cl.X(), cl.Y(), cl.Z(), ci.Radius()};
    unsigned int arc = 0;
    ES_create_arc(data, matrix, &arc);
    return arc;
}

// ---- isoclines ------------------------------------------------------------------------

constexpr int kIsoclineGrid = 64;

// The value whose zeros are the isocline: the face's unit normal along the
// direction, less the cosine of the angle.
struct IsoclineField {
    BRepAdaptor_Surface surface;
    bool reversed;
    gp_Dir direction;
    double cosine;
    double operator()(double u, double v) const {
        gp_Pnt p;
        gp_Vec su, sv;
        surface.D1(u, v, p, su, sv);
        gp_Vec n = su.Crossed(sv);
        const double m = n.Magnitude();
        if (m <= 1e-300) return -2;  // a pole of the surface: no normal
        if (reversed) n.Reverse();
        return n.Dot(gp_Vec(direction)) / m - cosine;
    }
};

// The traces of the field's zero level over the face's box: chains of
// (u, v) points, found cell by cell on a grid (a crossing on a cell's side
// refined by bisection) and joined where cells share a side.
std::vector<std::vector<gp_Pnt2d>> trace_isoclines(const IsoclineField& f, const TopoDS_Face& face) {
    double u0, u1, v0, v1;
    BRepTools::UVBounds(face, u0, u1, v0, v1);
    const int g = kIsoclineGrid;
    auto U = [&](int i) { return u0 + (u1 - u0) * i / g; };
    auto V = [&](int j) { return v0 + (v1 - v0) * j / g; };
    std::vector<double> val(static_cast<std::size_t>((g + 1) * (g + 1)));
    auto at = [&](int i, int j) -> double& { return val[static_cast<std::size_t>(j * (g + 1) + i)]; };
    for (int j = 0; j <= g; ++j)
        for (int i = 0; i <= g; ++i) at(i, j) = f(U(i), V(j));
    BRepTopAdaptor_FClass2d cls(face, 1e-9);
    // Crossing points by side: side id = 2 (j (g + 1) + i) + 0 for the side
    // from (i, j) to (i + 1, j), + 1 for the side from (i, j) to (i, j + 1).
    std::map<long, gp_Pnt2d> crossing;
    auto side_point = [&](int i, int j, int dir) -> long {
        const long id = 2L * (static_cast<long>(j) * (g + 1) + i) + dir;
        if (crossing.count(id)) return id;
        const int i2 = dir == 0 ? i + 1 : i, j2 = dir == 0 ? j : j + 1;
        double a = 0, b = 1, fa = at(i, j);
        for (int k = 0; k < 50; ++k) {
            const double m = (a + b) / 2;
            const double fm = f(U(i) + (U(i2) - U(i)) * m, V(j) + (V(j2) - V(j)) * m);
            if ((fm < 0) == (fa < 0)) {
                a = m;
                fa = fm;
            } else {
                b = m;
            }
        }
        const double m = (a + b) / 2;
        crossing[id] = gp_Pnt2d(U(i) + (U(i2) - U(i)) * m, V(j) + (V(j2) - V(j)) * m);
        return id;
    };
    auto crosses = [&](double a, double b) { return (a < 0) != (b < 0); };
    std::multimap<long, long> links;
    for (int j = 0; j < g; ++j)
        for (int i = 0; i < g; ++i) {
            if (cls.Perform(gp_Pnt2d((U(i) + U(i + 1)) / 2, (V(j) + V(j + 1)) / 2)) == TopAbs_OUT) continue;
            const double c00 = at(i, j), c10 = at(i + 1, j), c01 = at(i, j + 1), c11 = at(i + 1, j + 1);
            std::vector<long> ids;
            if (crosses(c00, c10)) ids.push_back(side_point(i, j, 0));
            if (crosses(c10, c11)) ids.push_back(side_point(i + 1, j, 1));
            if (crosses(c01, c11)) ids.push_back(side_point(i, j + 1, 0));
            if (crosses(c00, c01)) ids.push_back(side_point(i, j, 1));
            for (std::size_t k = 0; k + 1 < ids.size(); k += 2) {
                links.emplace(ids[k], ids[k + 1]);
                links.emplace(ids[k + 1], ids[k]);
            }
        }
    // Chains: start at an end (one link) first, then at what is left (loops).
    std::vector<std::vector<gp_Pnt2d>> chains;
    std::map<long, bool> used;
    auto walk = [&](long start) {
        std::vector<gp_Pnt2d> chain{crossing[start]};
        used[start] = true;
        long at_id = start;
        for (;;) {
            long next = -1;
            auto range = links.equal_range(at_id);
            for (auto it = range.first; it != range.second; ++it)
                if (!used[it->second]) next = it->second;
            if (next < 0) {
                // A loop closes on its start.
                for (auto it = range.first; it != range.second; ++it)
                    if (it->second == start && chain.size() > 2) chain.push_back(crossing[start]);
                break;
            }
            used[next] = true;
            chain.push_back(crossing[next]);
            at_id = next;
        }
        if (chain.size() >= 2) chains.push_back(std::move(chain));
    };
    for (const auto& [id, p] : crossing)
        if (!used[id] && links.count(id) == 1) walk(id);
    for (const auto& [id, p] : crossing)
        if (!used[id] && links.count(id) > 0) walk(id);
    return chains;
}

// The isoclines of the face at the angle (radians) to the direction, each
// fitted within the tolerance (degree 5 with quintic, else 3): false when
// the kernel cannot fit one.
bool fit_isoclines(const host::Call& call, const TopoDS_Face& f, const gp_Vec& d, double angle, double tolerance,
                   int quintic, std::vector<Handle(Geom_BSplineCurve)>* fitted) {
    return hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        const IsoclineField field{BRepAdaptor_Surface(f, Standard_True), f.Orientation() == TopAbs_REVERSED, gp_Dir(d),
                                  std::cos(angle)};
        for (const auto& chain : trace_isoclines(field, f)) {
            TColgp_Array1OfPnt pts(1, static_cast<int>(chain.size()));
            for (std::size_t i = 0; i < chain.size(); ++i)
                pts(static_cast<int>(i) + 1) = field.surface.Value(chain[i].X(), chain[i].Y());
            if (chain.size() == 2 && pts(1).Distance(pts(2)) <= tolerance) continue;
            const int degree = std::min<int>(quintic ? 5 : 3, static_cast<int>(chain.size()) - 1);
            GeomAPI_PointsToBSpline fit(pts, degree, std::max(degree, quintic ? 5 : 3), GeomAbs_C2, tolerance);
            if (!fit.IsDone()) return false;
            fitted->push_back(fit.Curve());
        }
        return true;
    });
}

// ---- part files: section "SPDF" ----------------------------------------------------------
//
// The defining data kept with splines through points, one row per spline
// that keeps some (part_file::write_rows):
//   u8 flags: 1 defining data held, 2 out of step with its curve
//   when held: i32 degree, i32 periodic, u32 count of points, per point
//     3 f64 position, i32 slope type, 3 f64 slope, i32 curvature type,
//     3 f64 curvature; then count f64 parameters
// The curve itself goes with the part's curves (section "CRVS"). The
// reader refuses a row of an object that is no spline, unknown flags, a
// degree, periodicity or slope or curvature type the fitting does not
// take, values that are not finite and data the fitting would refuse
// (BCDF_check_defining_data); it stores nothing before the whole section
// has read.
namespace pf = host::part_file;

constexpr std::uint8_t kHeld = 1, kOutOfSync = 2;

void write_defining(pf::Writer& out, const pf::SaveContext& ctx) {
    std::vector<unsigned int> rows;
    for (unsigned int t : ctx.objects)
        if (const Defining* d = defining().find(t); d && (d->has_data || d->out_of_sync)) rows.push_back(t);
    pf::write_rows(out, ctx, rows, [&](pf::Writer& row, unsigned int t) {
        const Defining& d = *defining().find(t);
        row.u8(static_cast<std::uint8_t>((d.has_data ? kHeld : 0) | (d.out_of_sync ? kOutOfSync : 0)));
        if (!d.has_data) return;
        row.i32(d.degree);
        row.i32(d.periodic);
        row.u32(static_cast<std::uint32_t>(d.points.size()));
        for (const BC_df_point_t& q : d.points) {
            for (double v : q.point) row.f64(v);
            row.i32(q.slope_type);
            for (double v : q.slope) row.f64(v);
            row.i32(q.curvature_type);
            for (double v : q.curvature) row.f64(v);
        }
        for (double v : d.parameters) row.f64(v);
    });
}

double finite(pf::Reader& in) {
    const double v = in.f64();
    if (!std::isfinite(v)) throw pf::FormatError("a spline's defining number is not finite");
    return v;
}

void read_defining(pf::Reader& in, pf::LoadContext& ctx) {
    constexpr std::size_t kPoint = 9 * 8 + 2 * 4 + 8;  // a point and its parameter
    std::vector<std::pair<unsigned int, Defining>> read;
    pf::read_rows(in, ctx, {"spline defining data", 1, false}, [&](unsigned int t, pf::Reader& row) {
        const host::objects::Object& o = host::objects::require(t);
        if (o.cls == OM_CLASS_FEATURE || o.type != HOST_TYPE_SPLINE)
            throw pf::FormatError("defining data of an object that is no spline");
        const std::uint8_t flags = row.u8();
        if (flags == 0 || (flags & ~(kHeld | kOutOfSync)) != 0)
            throw pf::FormatError("a spline's defining data of unknown flags");
        Defining d;
        d.out_of_sync = (flags & kOutOfSync) != 0;
        if (flags & kHeld) {
            d.has_data = true;
            d.degree = row.i32();
            d.periodic = row.i32();
            const std::uint32_t n = row.u32();
            if (d.degree < 1 || d.degree >= BC_MAX_ORDER || (d.periodic != 0 && d.periodic != 1) ||
                n > row.left() / kPoint)
                throw pf::FormatError("a spline's defining data out of the fitting's ranges");
            for (std::uint32_t i = 0; i < n; ++i) {
                BC_df_point_t q{};
                for (double& v : q.point) v = finite(row);
                q.slope_type = row.i32();
                for (double& v : q.slope) v = finite(row);
                q.curvature_type = row.i32();
                for (double& v : q.curvature) v = finite(row);
                const int s = q.slope_type, c = q.curvature_type;
                if ((s != BC_SLOPE_DIRECTION && s != BC_SLOPE_VECTOR && s != BC_SLOPE_PER_CHORD && s != BC_SLOPE_NONE) ||
                    (c != BC_CURV_PER_CHORD && c != BC_CURV_VECTOR && c != BC_CURV_NONE))
                    throw pf::FormatError("a spline's defining point of an unknown slope or curvature type");
                d.points.push_back(q);
            }
            for (std::uint32_t i = 0; i < n; ++i) d.parameters.push_back(finite(row));
            BC_df_t df{d.degree, d.periodic, static_cast<int>(n), d.points.data(), d.parameters.data()};
            if (defining_fault(df) != 0 || (d.periodic && (d.degree != 3 || n < 4)))
                throw pf::FormatError("a spline's defining data that the fitting refuses");
        }
        read.emplace_back(t, std::move(d));
    });
    for (auto& [t, d] : read) defining()[t] = std::move(d);
}

const bool defining_section_registered =
    (pf::register_section({{'S', 'P', 'D', 'F'}, write_defining, read_defining}), true);

}  // namespace

namespace host::kernel::curvefeat {

std::vector<hostnum::Curve> isocline(const Call& call, tag_t face, const double direction[3], double angle,
                                     double tolerance, int quintic) {
    hd::ensure_started();
    const TopoDS_Face& f = kernel_face(call, face);
    const gp_Vec d(direction[0], direction[1], direction[2]);
    if (d.Magnitude() <= 1e-12) call.fail(HOST_ERR_BAD_ARGUMENT, "a direction of no length");
    std::vector<Handle(Geom_BSplineCurve)> fitted;
    if (!fit_isoclines(call, f, d, angle * M_PI / 180, tolerance, quintic, &fitted))
        call.fail(KERNEL_ERR_NOT_DONE, "the kernel could not fit an isocline of face %u", face);
    std::vector<hostnum::Curve> out;
    for (const auto& c : fitted) {
        const hostnum::geometry::SplineData sd = hostnum::geometry::spline_data(c);
        auto r = hostnum::Curve::spline(sd.n, sd.order, sd.poles.data(), sd.knots.data(),
                                        hostnum::Curve::PoleForm::cartesian);
        if (!r) call.fail(KERNEL_ERR_NOT_DONE, "the kernel's isocline makes no spline");
        out.push_back(std::move(*r));
    }
    return out;
}

}  // namespace host::kernel::curvefeat

extern "C" {

// ---- B-curve data ------------------------------------------------------------

int BCURVE_validate_bcurve_data(const double* range, int order, int n, const double* poles) {
    auto call = HOST_ENTRY(order, n, poles);
    int status;
    if (call.status(status)) return status;
    return validate(range, order, n, poles);
}

int BC_create_bcurve(const double* range, int order, int n, const double* knots, const double* poles,
                     unsigned int* spline, BC_states_t* states) {
    auto call = HOST_ENTRY(order, n, knots, poles);
    call.need(spline, "the spline output");
    *spline = 0;
    int status;
    if (call.status(status)) return status;
    if (int st = validate(range, order, n, poles)) return st;
    if (int st = check_knots(order, n, knots)) return st;
    hd::ensure_started();
    const std::vector<double> u = unweighted(n, poles);
    Handle(Geom_BSplineCurve) c = to_kernel(call, n, order, knots, u.data(), BC_ERR_KNOTS);
    if (range && (range[0] > c->FirstParameter() + kSnap || range[1] < c->LastParameter() - kSnap)) {
        hd::guarded(call, BC_ERR_KNOTS, [&] { c->Segment(range[0], range[1]); });
        add_state(states, 16, range[0], range[1]);
    }
    *spline = new_spline(call, c);
    return 0;
}

int BC_create_nurb(int n, int order, const double* knots, const double* poles, unsigned int* spline, int knot_fix,
                   int pole_fix) {
    auto call = HOST_ENTRY(n, order, knot_fix, pole_fix);
    call.need(spline, "the spline output");
    call.need(knots, "the knots");
    call.need(poles, "the poles");
    *spline = 0;
    int status;
    if (call.status(status)) return status;
    if (int st = validate(nullptr, order, n, poles)) call.fail(st, "the poles make no spline");
    std::vector<double> k(knots, knots + n + order);
    std::vector<double> p(poles, poles + 4 * static_cast<std::size_t>(n));
    int changed = 0;
    if (knot_fix) {
        // Knots closer than the snap distance become equal.
        for (std::size_t i = 1; i < k.size(); ++i)
            if (k[i] != k[i - 1] && std::fabs(k[i] - k[i - 1]) <= 1e-9 * std::max(1.0, std::fabs(k[i]))) {
                k[i] = k[i - 1];
                changed = 1;
            }
    }
    if (int st = check_knots(order, n, k.data())) call.fail(st, "the knots make no spline");
    if (pole_fix && std::fabs(p[3] - 1) > kWeightMin) {
        // Weights scaled so that the first is 1: the same curve.
        const double w0 = p[3];
        for (int i = 0; i < n; ++i) p[4 * i + 3] /= w0;
        changed = 1;
    }
    hd::ensure_started();
    Handle(Geom_BSplineCurve) c = to_kernel(call, n, order, k.data(), p.data(), BC_ERR_KNOTS);
    *spline = new_spline(call, c);
    return changed;
}

void es0911_(const unsigned int* spline, int* n, int* order) {
    auto call = HOST_ENTRY(spline ? *spline : 0u, n, order);
    call.need(spline, "the spline");
    call.need(n, "the pole count output");
    call.need(order, "the order output");
    const curve_spline_data& d = spline_of(call, *spline);
    *n = d.n_poles;
    *order = d.order;
}

void es0910_(const unsigned int* spline, double* poles, double* knots) {
    auto call = HOST_ENTRY(spline ? *spline : 0u, poles, knots);
    call.need(spline, "the spline");
    call.need(poles, "the poles output");
    call.need(knots, "the knots output");
    const curve_spline_data& d = spline_of(call, *spline);
    std::memcpy(poles, d.poles, 4 * sizeof(double) * static_cast<std::size_t>(d.n_poles));
    std::memcpy(knots, d.knots, sizeof(double) * static_cast<std::size_t>(d.n_poles + d.order));
}

void BCEV_free_states(BC_states_t* states) {
    HOST_ENTRY(states);
    if (states) states->count = 0;
}

// ---- Repair and smoothing ----------------------------------------------------------

int BCEV_normalize_knots(int order, int n, double* knots, double* scale, double* offset) {
    auto call = HOST_ENTRY(order, n, knots);
    call.need(knots, "the knots");
    call.need(scale, "the scale output");
    call.need(offset, "the offset output");
    *scale = 1;
    *offset = 0;
    if (order < 1 || n < order) return 0;
    const double t0 = knots[order - 1], t1 = knots[n];
    if (!(t1 > t0) || (t0 == 0 && t1 == 1)) return 0;
    *scale = 1 / (t1 - t0);
    *offset = -t0 / (t1 - t0);
    for (int i = 0; i < n + order; ++i) knots[i] = *scale * knots[i] + *offset;
    // The range ends exactly at 0 and 1.
    for (int i = 0; i < n + order; ++i) {
        if (std::fabs(knots[i]) < kSnap) knots[i] = 0;
        if (std::fabs(knots[i] - 1) < kSnap) knots[i] = 1;
    }
    return 1;
}

void BCEV_from_bcurve_data_uw(int order, int n, const double* knots, const double* poles, BCEV_bcurve_t* curve) {
    auto call = HOST_ENTRY(order, n, knots, poles);
    call.need(curve, "the curve output");
    call.need(knots, "the knots");
    call.need(poles, "the poles");
    *curve = BCEV_bcurve_t{};
    if (n <= 0 || order <= 0) return;
    curve->n = n;
    curve->order = order;
    const std::vector<double> u = unweighted(n, poles);
    double* own_poles = nullptr;
    double* own_knots = nullptr;
    sm_pair(u.size(), own_poles, static_cast<std::size_t>(n + order), own_knots);
    curve->poles = own_poles;
    curve->knots = own_knots;
    std::memcpy(curve->poles, u.data(), u.size() * sizeof(double));
    std::memcpy(curve->knots, knots, sizeof(double) * static_cast<std::size_t>(n + order));
}

void BCEV_free_bcurve(BCEV_bcurve_t* curve) {
    if (!curve) return;
    SM_free(curve->poles);
    SM_free(curve->knots);
    *curve = BCEV_bcurve_t{};
}

int BCEV_fix_bcurve_knots_uw(BCEV_bcurve_t* curve, double tolerance, BC_states_t* states) {
    auto call = HOST_ENTRY(curve, tolerance);
    call.need(curve, "the curve");
    int status;
    if (call.status(status)) return status;
    const int n = curve->n, order = curve->order;
    if (order < 2 || order > BC_MAX_ORDER || n < order) return 1;
    // Knots within the tolerance of the one before become equal to it; a
    // knot below the one before is raised to it.
    for (int i = 1; i < n + order; ++i)
        if (curve->knots[i] < curve->knots[i - 1] || curve->knots[i] - curve->knots[i - 1] <= tolerance)
            curve->knots[i] = curve->knots[i - 1];
    if (check_knots(order, n, curve->knots) != 0) return 1;
    // An interior knot of full multiplicity splits the curve into two
    // pieces: where the first ends within the tolerance of where the second
    // starts, the two poles become one and the knot loses a copy (the
    // same curve); a real gap is no curve the kernel takes.
    for (int j = curve->n - 1; j >= 1; --j) {
        // A run of `order` equal knots starting at j < n (so not the end run).
        const double* k = curve->knots;
        if (k[j - 1] == k[j] || k[j] != k[j + order - 1] || k[j + order] == k[j]) continue;
        double* a = curve->poles + 4 * (j - 1);
        double* b = curve->poles + 4 * j;
        double d = 0;
        for (int i = 0; i < 3; ++i) d += (a[i] - b[i]) * (a[i] - b[i]);
        if (std::sqrt(d) > tolerance) return 1;
        for (int i = 0; i < 4; ++i) a[i] = (a[i] + b[i]) / 2;
        add_state(states, 4, k[j]);
        const int cn = curve->n;
        std::memmove(b, b + 4, sizeof(double) * 4 * static_cast<std::size_t>(cn - j - 1));
        std::memmove(curve->knots + j, curve->knots + j + 1,
                     sizeof(double) * static_cast<std::size_t>(cn + order - j - 1));
        curve->n = cn - 1;
    }
    if (curve->n < order) return 1;
    hd::ensure_started();
    to_kernel(call, curve->n, order, curve->knots, curve->poles, KERNEL_ERR_EXCEPTION);
    return 0;
}

int BCEV_fix_bcurve_degen_uw(BCEV_bcurve_t* curve, double tolerance, BC_states_t* states) {
    auto call = HOST_ENTRY(curve, tolerance);
    call.need(curve, "the curve");
    int status;
    if (call.status(status)) return status;
    auto dist = [&](int a, int b) {
        double s = 0;
        for (int j = 0; j < 3; ++j) {
            const double d = curve->poles[4 * a + j] - curve->poles[4 * b + j];
            s += d * d;
        }
        return std::sqrt(s);
    };
    bool all = true;
    for (int i = 1; i < curve->n && all; ++i) all = dist(0, i) <= tolerance;
    if (all) return 1;
    // A stretch of a polyline where the curve stands still: the repeated
    // pole and the knot that starts the stretch go (the curve keeps its
    // shape; its parameter moves over the stretch). Curves of higher order
    // keep such poles: removing one would change their shape.
    if (curve->order != 2) return 0;
    for (int i = curve->n - 1; i >= 1 && curve->n > 2; --i) {
        if (dist(i - 1, i) > tolerance) continue;
        add_state(states, 12, i);
        const int n = curve->n, k = curve->order;
        std::memmove(curve->poles + 4 * i, curve->poles + 4 * (i + 1),
                     sizeof(double) * 4 * static_cast<std::size_t>(n - i - 1));
        std::memmove(curve->knots + i + 1, curve->knots + i + 2,
                     sizeof(double) * static_cast<std::size_t>(n + k - i - 2));
        curve->n = n - 1;
    }
    return 0;
}

int BCEV_ask_bcurve_limits(const BCEV_bcurve_t* curve, double* start, double* end) {
    auto call = HOST_ENTRY(curve);
    call.need(curve, "the curve");
    call.need(start, "the start output");
    call.need(end, "the end output");
    const int n = curve->n, k = curve->order;
    *start = curve->knots[k - 1];
    *end = curve->knots[n];
    const bool clamped = curve->knots[0] == *start && curve->knots[n + k - 1] == *end;
    return clamped ? 0 : 1;
}

void BCEV_clamp_bcurve_ends_uw(BCEV_bcurve_t* curve, double start, double end, BC_states_t* states) {
    auto call = HOST_ENTRY(curve, start, end);
    call.need(curve, "the curve");
    hd::ensure_started();
    Handle(Geom_BSplineCurve) c =
        to_kernel(call, curve->n, curve->order, curve->knots, curve->poles, KERNEL_ERR_EXCEPTION);
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] { c->Segment(start, end); });
    add_state(states, 16, start, end);
    from_kernel(c, curve);
}

int BCEV_smooth_bcurve_data_uw(int continuity, const double tolerance[3], int option1, int option2,
                               BCEV_bcurve_t* curve, BC_states_t* states) {
    auto call = HOST_ENTRY(continuity, option1, option2, curve);
    call.need(tolerance, "the tolerances");
    call.need(curve, "the curve");
    int status;
    if (call.status(status)) return status;
    const double tol =
        std::sqrt((tolerance[0] * tolerance[0] + tolerance[1] * tolerance[1] + tolerance[2] * tolerance[2]) / 3);
    hd::ensure_started();
    Handle(Geom_BSplineCurve) c =
        to_kernel(call, curve->n, curve->order, curve->knots, curve->poles, KERNEL_ERR_EXCEPTION);
    const int degree = c->Degree();
    const int target = std::max(0, degree - continuity);  // the multiplicity that gives the continuity
    int failed = 0;
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        // The knots strictly inside the parameter range.
        for (int i = c->LastUKnotIndex() - 1; i > c->FirstUKnotIndex(); --i) {
            if (c->Multiplicity(i) <= target) continue;
            const double knot = c->Knot(i);
            Handle(Geom_BSplineCurve) before = Handle(Geom_BSplineCurve)::DownCast(c->Copy());
            Handle(Geom_BSplineCurve) trial = Handle(Geom_BSplineCurve)::DownCast(c->Copy());
            // Measured with no tolerance bound first, so that the deviation it
            // would take is known either way.
            trial->RemoveKnot(i, target, 1e100);
            const double dev = deviation(before, trial);
            if (dev <= tol && c->RemoveKnot(i, target, tol)) {
                add_state(states, 24, knot, tol > 0 ? deviation(before, c) / tol : 0);
            } else {
                add_state(states, 28, knot, tol > 0 ? dev / tol : 0);
                failed = 1;
            }
        }
    });
    from_kernel(c, curve);
    return failed;
}

// ---- Splines through points ----------------------------------------------------------

int BCRVFIT_check_integer_data(int degree, int periodic, int n_points, int n_slopes, int n_curvatures) {
    auto call = HOST_ENTRY(degree, periodic, n_points, n_slopes);
    int status;
    if (call.status(status)) return status;
    if (degree < 1 || degree >= BC_MAX_ORDER) return BC_FIT_DEGREE;
    if (periodic) {
        if (n_points < 3) return BC_FIT_PERIODIC;
        if (degree != 3) return BC_FIT_DEGREE;
        if (n_curvatures > 0) return BC_FIT_PERIODIC_CURV;
        return 0;
    }
    if (n_points + n_slopes + n_curvatures < degree + 1) return BC_FIT_TOO_FEW_POINTS;
    return 0;
}

int BCURVE_convert_to_bcdf(int degree, int periodic, int n_points, const BC_df_point_t* points,
                           const double* parameters, BC_df_t* df) {
    auto call = HOST_ENTRY(degree, periodic, n_points, points);
    call.need(points, "the points");
    call.need(df, "the defining data output");
    *df = BC_df_t{};
    int status;
    if (call.status(status)) return status;
    const int m = periodic ? n_points + 1 : n_points;
    for (int i = 0; i < n_points; ++i) {
        const BC_df_point_t& q = points[i];
        if (q.slope_type != BC_SLOPE_NONE && q.slope_type != BC_SLOPE_DIRECTION && q.slope_type != BC_SLOPE_VECTOR &&
            q.slope_type != BC_SLOPE_PER_CHORD)
            return BC_FIT_SLOPE_TYPE;
        if (q.curvature_type != BC_CURV_NONE && q.curvature_type != BC_CURV_VECTOR &&
            q.curvature_type != BC_CURV_PER_CHORD)
            return BC_FIT_SLOPE_TYPE;
        if (!finite_all(q.point, 3) || !finite_all(q.slope, 3) || !finite_all(q.curvature, 3)) return BC_FIT_COINCIDENT;
    }
    std::vector<BC_df_point_t> pts(points, points + n_points);
    if (periodic) {
        BC_df_point_t last = points[0];
        last.slope_type = BC_SLOPE_NONE;
        last.curvature_type = BC_CURV_NONE;
        pts.push_back(last);
    }
    std::vector<double> params(static_cast<std::size_t>(m));
    if (parameters) {
        std::copy(parameters, parameters + m, params.begin());
    } else {
        params[0] = 0;
        for (int i = 1; i < m; ++i) {
            const double* a = pts[i - 1].point;
            const double* b = pts[i].point;
            params[i] = params[i - 1] + std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                                                  (a[2] - b[2]) * (a[2] - b[2]));
        }
        if (params[m - 1] > 0)
            for (double& t : params) t /= params[m - 1];
    }
    df->degree = degree;
    df->periodic = periodic;
    df->n_points = m;
    sm_pair(pts.size(), df->points, params.size(), df->parameters);
    std::memcpy(df->points, pts.data(), pts.size() * sizeof(BC_df_point_t));
    std::memcpy(df->parameters, params.data(), params.size() * sizeof(double));
    if (int st = BCDF_check_defining_data(df)) {
        BCDF_free_structure(df);
        return st;
    }
    return 0;
}

void BCDF_update_slopes(BC_df_t* df) {
    auto call = HOST_ENTRY(df);
    call.need(df, "the defining data");
    // Direction-only slopes are kept as unit vectors.
    for (int i = 0; i < df->n_points; ++i) {
        BC_df_point_t& q = df->points[i];
        if (q.slope_type != BC_SLOPE_DIRECTION) continue;
        const double m = std::sqrt(q.slope[0] * q.slope[0] + q.slope[1] * q.slope[1] + q.slope[2] * q.slope[2]);
        if (m > 0)
            for (double& v : q.slope) v /= m;
    }
}

void BCDF_update_curvatures(BC_df_t* df) {
    auto call = HOST_ENTRY(df);
    call.need(df, "the defining data");
    // A curvature only counts where its point has a slope.
    for (int i = 0; i < df->n_points; ++i)
        if (!has_slope(df->points[i])) df->points[i].curvature_type = BC_CURV_NONE;
}

void BCDF_free_structure(BC_df_t* df) {
    HOST_ENTRY(df);
    if (!df) return;
    SM_free(df->points);
    SM_free(df->parameters);
    *df = BC_df_t{};
}

int BCDF_check_defining_data(const BC_df_t* df) {
    auto call = HOST_ENTRY(df);
    call.need(df, "the defining data");
    int status;
    if (call.status(status)) return status;
    return defining_fault(*df);
}

int BCEV_create_exact(const BC_df_t* df, BCEV_bcurve_t* curve) {
    auto call = HOST_ENTRY(df, curve);
    call.need(df, "the defining data");
    call.need(curve, "the curve output");
    *curve = BCEV_bcurve_t{};
    int status;
    if (call.status(status)) return status;
    hd::ensure_started();
    Handle(Geom_BSplineCurve) c;
    if (int st = interpolate(call, *df, c)) return st;
    from_kernel(c, curve);
    return 0;
}

void BC_generate_eid(const BC_df_t* df, const BCEV_bcurve_t* curve, int keep, unsigned int* spline) {
    auto call = HOST_ENTRY(df, curve, keep, spline);
    call.need(df, "the defining data");
    call.need(curve, "the curve");
    call.need(spline, "the spline output");
    *spline = new_spline(call, curve->n, curve->order, curve->knots, curve->poles, df->periodic != 0);
    if (keep) defining()[*spline] = defining_of(*df);
}

void BC_read_df_data_internal(unsigned int spline, BC_df_t* df, int* found) {
    auto call = HOST_ENTRY(spline, df, found);
    call.need(df, "the defining data output");
    call.need(found, "the found output");
    call.live(spline);
    *df = BC_df_t{};
    const Defining* d = defining().find(spline);
    *found = d && d->has_data ? 1 : 0;
    if (*found) df_from(*d, df);
}

int BC_edit_exact(const BC_df_t* df, unsigned int spline, int regenerate, int keep) {
    auto call = HOST_ENTRY(df, spline, regenerate, keep);
    call.need(df, "the defining data");
    spline_of(call, spline);
    int status;
    if (call.status(status)) return status;
    hd::ensure_started();
    Handle(Geom_BSplineCurve) c;
    if (int st = interpolate(call, *df, c)) return st;
    const Flat u = flat_of(c);
    auto curve = hostnum::Curve::spline(u.n, u.order, u.poles.data(), u.knots.data(),
                                        hostnum::Curve::PoleForm::cartesian, df->periodic != 0);
    if (!curve) return BC_FIT_FAILED;
    host::curves::attach_curve(spline, *curve);
    Defining& d = defining()[spline];
    const bool out = d.out_of_sync;
    d = keep ? defining_of(*df) : Defining{};
    d.out_of_sync = out && keep == 0;
    return 0;
}

int BC_is_spline_out_of_sync(unsigned int spline) {
    auto call = HOST_ENTRY(spline);
    call.live(spline);
    const Defining* d = defining().find(spline);
    return static_cast<int>(call.int_out(0, d && d->out_of_sync ? 1 : 0));
}

void es0929sync(unsigned int spline, int out_of_sync) {
    auto call = HOST_ENTRY(spline, out_of_sync);
    call.live(spline);
    defining()[spline].out_of_sync = out_of_sync != 0;
}

int es0918np_(const unsigned int* spline) {
    auto call = HOST_ENTRY(spline ? *spline : 0u);
    call.need(spline, "the spline");
    call.live(*spline);
    const Defining* d = defining().find(*spline);
    return static_cast<int>(call.int_out(0, d && d->has_data ? static_cast<int>(d->points.size()) : 0));
}

// ---- Least-squares fitting ---------------------------------------------------------------

void BCDF_create_df_from_pts(const double* points, int n, int dimension, int clamped, BC_fit_t** fit) {
    auto call = HOST_ENTRY(points, n, dimension, clamped);
    call.need(points, "the points");
    call.need(fit, "the fit output");
    if (n < 2 || dimension != 3) call.fail(HOST_ERR_BAD_ARGUMENT, "%d points of dimension %d", n, dimension);
    BC_fit_t* f = static_cast<BC_fit_t*>(SM_alloc(sizeof(BC_fit_t)));
    *f = BC_fit_t{};
    f->n_points = n;
    f->points = sm_array<double>(3 * static_cast<std::size_t>(n));
    std::memcpy(f->points, points, sizeof(double) * 3 * static_cast<std::size_t>(n));
    f->weights = sm_array<double>(static_cast<std::size_t>(n));
    std::fill(f->weights, f->weights + n, 1.0);
    f->tolerance = 1e-3;
    f->order = std::min(4, n);
    *fit = f;
}

void BCDF_change_tolerance(BC_fit_t* fit, double tolerance) {
    auto call = HOST_ENTRY(fit, tolerance);
    call.need(fit, "the fit");
    if (!(tolerance > 0)) call.fail(HOST_ERR_BAD_ARGUMENT, "tolerance %g", tolerance);
    fit->tolerance = tolerance;
    fit->segments = 0;
}

void BCDF_change_number_of_segments(BC_fit_t* fit, int segments) {
    auto call = HOST_ENTRY(fit, segments);
    call.need(fit, "the fit");
    if (segments < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "%d segments", segments);
    fit->segments = segments;
}

void BCDF_replace_weight(BC_fit_t* fit, int index, double weight) {
    auto call = HOST_ENTRY(fit, index, weight);
    call.need(fit, "the fit");
    if (index < 0 || index >= fit->n_points) call.fail(HOST_ERR_BAD_ARGUMENT, "point %d", index);
    if (!(weight >= 0)) call.fail(HOST_ERR_BAD_ARGUMENT, "weight %g", weight);
    fit->weights[index] = weight;
}

void BCDF_change_slope(BC_fit_t* fit, int kind, const double slope[3], int index) {
    auto call = HOST_ENTRY(fit, kind, slope, index);
    call.need(fit, "the fit");
    call.need(slope, "the slope");
    const int end = index == 0 ? 0 : index == fit->n_points - 1 ? 1 : -1;
    if (end < 0 || kind != 1) call.fail(HOST_ERR_BAD_ARGUMENT, "slope of kind %d at point %d", kind, index);
    if (!finite_all(slope, 3) ||
        std::sqrt(slope[0] * slope[0] + slope[1] * slope[1] + slope[2] * slope[2]) <= kWeightMin)
        call.fail(BC_FIT_SLOPES, "a slope of no length");
    fit->slope_at[end] = 1;
    std::copy(slope, slope + 3, fit->slope[end]);
}

void BCDF_change_order(BC_fit_t* fit, int order) {
    auto call = HOST_ENTRY(fit, order);
    call.need(fit, "the fit");
    if (order == 2 && slope_count(*fit) > 0) call.fail(BC_FIT_ORDER_SLOPES, "slopes on a spline of order 2");
    if (order < 2 || order > BC_MAX_ORDER || order > fit->n_points + slope_count(*fit))
        call.fail(BC_FIT_ORDER_POINTS, "order %d with %d points", order, fit->n_points);
    fit->order = order;
}

void BC_create_fitted(const BC_fit_t* fit, int create, BC_fit_result_t* result, int* flag) {
    auto call = HOST_ENTRY(fit, create, result, flag);
    call.need(fit, "the fit");
    call.need(result, "the result");
    call.need(flag, "the flag output");
    *result = BC_fit_result_t{};
    *flag = 0;
    hd::ensure_started();
    const int most = max_segments(*fit);
    // Enough poles for the kept ends and slopes.
    const int least = std::max(1, 2 + slope_count(*fit) - (fit->order - 1));
    Fitted best = hd::guarded(call, BC_FIT_FAILED, [&] {
        if (fit->segments > 0) return fit_once(*fit, std::clamp(fit->segments, least, std::max(least, most)));
        Fitted f;
        for (int s = least; s <= std::max(least, most); ++s) {
            f = fit_once(*fit, s);
            if (f.max_error <= fit->tolerance) return f;
        }
        return f;
    });
    if (fit->segments == 0 && best.max_error > fit->tolerance) *flag = 1;
    result->max_error = best.max_error;
    result->max_index = best.max_index;
    if (create) result->curve = new_spline(call, best.curve);
}

// ---- Curves from modelling objects ------------------------------------------------------

void pxedcu_(const unsigned int* edge, unsigned int* curve, int* error) {
    auto call = HOST_ENTRY(edge ? *edge : 0u, curve, error);
    call.need(edge, "the edge");
    call.need(curve, "the curve output");
    call.need(error, "the error output");
    *curve = copy_of_edge(call, *edge, 1e-7);
    *error = *curve == 0 ? 1 : 0;
}

void kfp_edge(unsigned int edge, double tolerance, unsigned int* curve, int* error) {
    auto call = HOST_ENTRY(edge, tolerance, curve, error);
    call.need(curve, "the curve output");
    call.need(error, "the error output");
    *curve = copy_of_edge(call, edge, tolerance);
    *error = *curve == 0 ? 1 : 0;
}

int CRV_SIMP_simplify_curves(int n, const unsigned int* curves, double tolerance, int* count, unsigned int** segments) {
    auto call = HOST_ENTRY(n, curves, tolerance, count);
    call.need(curves, "the curves");
    call.need(count, "the count output");
    call.need(segments, "the segments output");
    *count = 0;
    *segments = nullptr;
    int status;
    if (call.status(status)) return status;
    if (!(tolerance > 0)) return 1;
    hd::ensure_started();
    // Worked out first, made afterwards: a failure makes nothing.
    std::vector<Piece> pieces;
    for (int i = 0; i < n; ++i) {
        const auto c = host::curves::curve_of(curves[i]);
        if (!c) return 1;
        double lim[2];
        hostnum::curve_limits(c->record(), lim);
        if (!hd::guarded(call, KERNEL_ERR_EXCEPTION,
                         [&] { return simplify(c->record(), lim[0], lim[1], tolerance, 0, pieces); }))
            return 1;
    }
    std::vector<unsigned int> made;
    for (const Piece& p : pieces) made.push_back(make_piece(p));
    *count = static_cast<int>(made.size());
    *segments = sm_array<unsigned int>(made.size());
    std::copy(made.begin(), made.end(), *segments);
    return 0;
}

void SRFCRV_ask_face_ranges(unsigned int face, double ranges[4]) {
    auto call = HOST_ENTRY(face, ranges);
    call.need(ranges, "the ranges output");
    if (call.outputs() >= 4) {
        for (int i = 0; i < 4; ++i) ranges[i] = call.real_out(static_cast<std::size_t>(i), 0);
        return;
    }
    hd::ensure_started();
    const TopoDS_Face& f = kernel_face(call, face);
    hd::guarded(call, KERNEL_ERR_EXCEPTION,
                [&] { BRepTools::UVBounds(f, ranges[0], ranges[1], ranges[2], ranges[3]); });
}

void SRFCRV_create_iso_curves(unsigned int face, int direction, double parameter, int trim, double tolerance,
                              unsigned int** curves, int* count, int* error) {
    auto call = HOST_ENTRY(face, direction, parameter, tolerance);
    call.need(curves, "the curves output");
    call.need(count, "the count output");
    call.need(error, "the error output");
    *curves = nullptr;
    *count = 0;
    *error = 0;
    if (call.outputs() >= 1) {
        *error = static_cast<int>(call.int_out(0, 0));
        if (*error != 0) return;
    }
    if (direction != 1 && direction != 2) call.fail(HOST_ERR_BAD_ARGUMENT, "direction %d (1 or 2)", direction);
    hd::ensure_started();
    const TopoDS_Face& f = kernel_face(call, face);
    std::vector<unsigned int> made;
    const bool ok = hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        double u0, u1, v0, v1;
        BRepTools::UVBounds(f, u0, u1, v0, v1);
        const Handle(Geom_Surface) s = BRep_Tool::Surface(f);
        const Handle(Geom_Curve) iso = direction == 1 ? s->UIso(parameter) : s->VIso(parameter);
        if (iso.IsNull()) return false;
        const double a = direction == 1 ? v0 : u0, b = direction == 1 ? v1 : u1;
        // The pieces of the iso line inside the face, found on samples and
        // refined by bisection against the face's boundary.
        BRepTopAdaptor_FClass2d cls(f, 1e-9);
        auto inside = [&](double t) {
            const gp_Pnt2d uv = direction == 1 ? gp_Pnt2d(parameter, t) : gp_Pnt2d(t, parameter);
            return !trim || cls.Perform(uv) != TopAbs_OUT;
        };
        auto edge_between = [&](double in, double out) {
            for (int i = 0; i < 60; ++i) {
                const double m = (in + out) / 2;
                (inside(m) ? in : out) = m;
            }
            return in;
        };
        constexpr int kSamples = 200;
        std::vector<std::pair<double, double>> pieces;
        double start = 0;
        bool in = false;
        double prev = a;
        for (int i = 0; i <= kSamples; ++i) {
            const double t = a + (b - a) * i / kSamples;
            const bool now = inside(t);
            if (now && !in) start = i == 0 ? t : edge_between(t, prev);
            if (!now && in) pieces.emplace_back(start, edge_between(prev, t));
            in = now;
            prev = t;
        }
        if (in) pieces.emplace_back(start, b);
        for (auto [p0, p1] : pieces) {
            if (p1 - p0 <= 1e-9 * std::max(1.0, b - a)) continue;
            made.push_back(new_spline(call, spline_form(iso, p0, p1, tolerance)));
        }
        return true;
    });
    if (!ok) {
        *error = 1;
        return;
    }
    if (made.empty()) {
        *error = 901;
        return;
    }
    *count = static_cast<int>(made.size());
    *curves = sm_array<unsigned int>(made.size());
    std::copy(made.begin(), made.end(), *curves);
}

void SRFCRV_create_isocline_curves(unsigned int face, const double direction[3], double angle, double tolerance,
                                   int quintic, int trim, unsigned int** curves, int* count, int* error) {
    auto call = HOST_ENTRY(face, angle, tolerance, quintic);
    call.need(direction, "the direction");
    call.need(curves, "the curves output");
    call.need(count, "the count output");
    call.need(error, "the error output");
    (void)trim;
    *curves = nullptr;
    *count = 0;
    *error = 0;
    if (call.outputs() >= 1) {
        *error = static_cast<int>(call.int_out(0, 0));
        if (*error != 0) return;
    }
    hd::ensure_started();
    const TopoDS_Face& f = kernel_face(call, face);
    const gp_Vec d(direction[0], direction[1], direction[2]);
    if (d.Magnitude() <= 1e-12) call.fail(HOST_ERR_BAD_ARGUMENT, "a direction of no length");
    std::vector<Handle(Geom_BSplineCurve)> fitted;
    const bool ok = fit_isoclines(call, f, d, angle, tolerance, quintic, &fitted);
    if (!ok) {
        *error = 1;
        return;
    }
    if (fitted.empty()) {
        *error = 901;
        return;
    }
    std::vector<unsigned int> made;
    for (const auto& c : fitted) made.push_back(new_spline(call, c));
    *count = static_cast<int>(made.size());
    *curves = sm_array<unsigned int>(made.size());
    std::copy(made.begin(), made.end(), *curves);
}

int CMP_is_self_intersect_curve(unsigned int spline) {
    auto call = HOST_ENTRY(spline);
    const curve_spline_data& d = spline_of(call, spline);
    int status;
    if (call.status(status)) return status;
    hd::ensure_started();
    const std::vector<double> u = unweighted(d.n_poles, d.poles);
    Handle(Geom_BSplineCurve) c = to_kernel(call, d.n_poles, d.order, d.knots, u.data(), KERNEL_ERR_EXCEPTION);
    constexpr int kPieces = 24;
    constexpr double kTouch = 1e-7;
    const double t0 = c->FirstParameter(), t1 = c->LastParameter();
    const bool closed = c->Value(t0).Distance(c->Value(t1)) <= kTouch;
    auto bound = [&](int i) { return t0 + (t1 - t0) * i / kPieces; };
    return hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        for (int i = 0; i < kPieces; ++i)
            for (int j = i + 2; j < kPieces; ++j) {
                if (closed && i == 0 && j == kPieces - 1) continue;  // they meet at the closure
                GeomAPI_ExtremaCurveCurve ext(c, c, bound(i), bound(i + 1), bound(j), bound(j + 1));
                if (ext.NbExtrema() > 0 && ext.LowerDistance() <= kTouch) return 1;
            }
        return 0;
    });
}

}  // extern "C"
