// Edits of existing splines (host/kernel/curves/spline_edits.h): point moves
// through the defining data, reshaping by a least-squares fit with a
// template's knots on the kernel's B-spline basis.
#include "host/kernel/curves/spline_edits.h"

#include <BSplCLib.hxx>
#include <GeomAPI_ProjectPointOnCurve.hxx>
#include <Geom_BSplineCurve.hxx>
#include <TColStd_Array1OfInteger.hxx>
#include <TColStd_Array1OfReal.hxx>
#include <TColgp_Array1OfPnt.hxx>
#include <math_Gauss.hxx>
#include <math_Matrix.hxx>
#include <math_Vector.hxx>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_types.h"
#include "host/base/hook.h"
#include "host/kernel/engine/brep.h"
#include "host/numeric/curves.h"
#include "host/numeric/evc.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"

namespace hd = host::kernel::detail;

namespace {

// A fit's knots and what BCEV_edit_ev made of it (poles x, y, z, w).
struct Reshape {
    std::vector<double> knots;
    bool made = false;
    int order = 0;
    std::vector<double> poles;
    std::vector<double> result_knots;
};
struct Reshapes {
    std::map<const BC_fit_t*, Reshape> of;
};
Reshapes& st() { return host::service_state<Reshapes>("spline reshapes"); }
const bool registered = (st(), true);

bool finite3(const double* p) { return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]); }

int check_moves(const BCMMCP_data_t& d, int n_points) {
    if (d.count < 1 || !d.indices || !d.points) return BCMMCP_BAD_DATA;
    std::set<int> seen;
    for (int i = 0; i < d.count; ++i) {
        const int k = d.indices[i];
        if (k < 0 || k >= n_points || !seen.insert(k).second || !finite3(d.points + 3 * i)) return BCMMCP_BAD_DATA;
    }
    return 0;
}

// Distinct knots and multiplicities of a flat knot vector.
void distinct(const std::vector<double>& flat, TColStd_Array1OfReal*& knots, TColStd_Array1OfInteger*& mults) {
    std::vector<double> k;
    std::vector<int> m;
    for (double v : flat) {
        if (!k.empty() && v == k.back()) ++m.back();
        else k.push_back(v), m.push_back(1);
    }
    knots = new TColStd_Array1OfReal(1, static_cast<int>(k.size()));
    mults = new TColStd_Array1OfInteger(1, static_cast<int>(k.size()));
    for (std::size_t i = 0; i < k.size(); ++i) {
        knots->SetValue(static_cast<int>(i) + 1, k[i]);
        mults->SetValue(static_cast<int>(i) + 1, m[i]);
    }
}

bool knots_fit_order(const std::vector<double>& k, int order) {
    const int np = static_cast<int>(k.size()) - order;
    if (order < 2 || order > BC_MAX_ORDER || np < order) return false;
    int run = 1;
    for (std::size_t i = 1; i < k.size(); ++i) {
        if (!std::isfinite(k[i]) || k[i] < k[i - 1]) return false;
        run = k[i] == k[i - 1] ? run + 1 : 1;
        if (run > order) return false;
    }
    return k[np] > k[order - 1];
}

// The least-squares poles of the fit's points with the knots: the end
// poles are the end points when the knots are clamped. 0 or a code.
int solve(const BC_fit_t& f, const std::vector<double>& knots, std::vector<gp_XYZ>& poles, std::vector<double>& u) {
    const int order = f.order, np = static_cast<int>(knots.size()) - order, m = f.n_points;
    if (m < np) return BC_FIT_ORDER_POINTS;
    auto point = [&](int i) { return gp_XYZ(f.points[3 * i], f.points[3 * i + 1], f.points[3 * i + 2]); };
    u.assign(static_cast<std::size_t>(m), 0.0);
    for (int i = 1; i < m; ++i) u[i] = u[i - 1] + (point(i) - point(i - 1)).Modulus();
    const double a = knots[order - 1], b = knots[np], chord = u[m - 1];
    for (double& v : u) v = a + (b - a) * (chord > 0 ? v / chord : 0);
    u[m - 1] = b;
    TColStd_Array1OfReal flat(1, static_cast<int>(knots.size()));
    for (std::size_t i = 0; i < knots.size(); ++i) flat(static_cast<int>(i) + 1) = knots[i];
    const bool clamped = knots[0] == a && knots[knots.size() - 1] == b;
    poles.assign(static_cast<std::size_t>(np), gp_XYZ());
    std::vector<int> column(static_cast<std::size_t>(np), -1);
    int free = 0;
    for (int j = 0; j < np; ++j)
        if (!clamped || (j != 0 && j != np - 1)) column[j] = free++;
    if (clamped) poles[0] = point(0), poles[np - 1] = point(m - 1);
    if (free == 0) return 0;
    math_Matrix normal(1, free, 1, free, 0.0), rhs(1, free, 1, 3, 0.0), basis(1, 1, 1, order);
    for (int i = 0; i < m; ++i) {
        int first = 0;
        BSplCLib::EvalBsplineBasis(0, order, flat, u[i], first, basis);
        gp_XYZ r = point(i);
        for (int c = 0; c < order; ++c) {
            const int j = first - 1 + c;
            if (j >= 0 && j < np && column[j] < 0) r -= poles[j] * basis(1, c + 1);
        }
        const double w = f.weights ? f.weights[i] : 1.0;
        for (int c = 0; c < order; ++c) {
            const int j = first - 1 + c;
            if (j < 0 || j >= np || column[j] < 0) continue;
            for (int e = 0; e < order; ++e) {
                const int k = first - 1 + e;
                if (k >= 0 && k < np && column[k] >= 0)
                    normal(column[j] + 1, column[k] + 1) += w * basis(1, c + 1) * basis(1, e + 1);
            }
            for (int x = 1; x <= 3; ++x) rhs(column[j] + 1, x) += w * basis(1, c + 1) * r.Coord(x);
        }
    }
    math_Gauss gauss(normal, 1e-12);
    if (!gauss.IsDone()) return BC_FIT_FAILED;
    for (int x = 1; x <= 3; ++x) {
        math_Vector col = rhs.Col(x), sol(1, free);
        gauss.Solve(col, sol);
        for (int j = 0; j < np; ++j)
            if (column[j] >= 0) poles[j].SetCoord(x, sol(column[j] + 1));
    }
    for (const gp_XYZ& p : poles)
        if (!std::isfinite(p.X()) || !std::isfinite(p.Y()) || !std::isfinite(p.Z())) return BC_FIT_FAILED;
    return 0;
}

}  // namespace

extern "C" {

int BCMMCP_edit_in_kxapi(unsigned int spline, const BCMMCP_data_t* data) {
    auto call = HOST_ENTRY(spline, data);
    call.live_of_type(spline, HOST_TYPE_SPLINE);
    if (int status; call.status(status)) return status;
    if (!data) return BCMMCP_BAD_DATA;
    // The defining data as the call's own copy: the host's blocks go back
    // before anything is changed.
    BC_df_t read{};
    int found = 0;
    BC_read_df_data_internal(spline, &read, &found);
    std::vector<BC_df_point_t> points(read.points, read.points + (found ? read.n_points : 0));
    std::vector<double> parameters(read.parameters, read.parameters + (found ? read.n_points : 0));
    BC_df_t df = read;
    BCDF_free_structure(&read);
    df.points = points.data();
    df.parameters = parameters.data();
    if (!found || points.size() < 2) return BCMMCP_NO_POINTS;
    if (BC_is_spline_out_of_sync(spline)) return BCMMCP_OUT_OF_SYNC;
    // A periodic spline's data repeat the first point at the end: the
    // numbers go up to the last distinct point.
    const int distinct_points = df.periodic ? df.n_points - 1 : df.n_points;
    if (int st = check_moves(*data, distinct_points)) return st;
    for (int i = 0; i < data->count; ++i) {
        const int k = data->indices[i];
        std::copy(data->points + 3 * i, data->points + 3 * i + 3, df.points[k].point);
        if (df.periodic && k == 0)
            std::copy(data->points + 3 * i, data->points + 3 * i + 3, df.points[df.n_points - 1].point);
    }
    if (BCDF_check_defining_data(&df) != 0) return BCMMCP_FIT_REFUSED;
    return BC_edit_exact(&df, spline, 1, 1) == 0 ? 0 : BCMMCP_FIT_REFUSED;
}

void BCEV_create_df(unsigned int evaluator, BC_df_t* df) {
    auto call = HOST_ENTRY(evaluator, df);
    call.need(df, "the defining data output");
    *df = BC_df_t{};
    double lim[2];
    EVC_ask_curve_limits(evaluator, lim);
    const int n = BC_SAMPLES + 1;
    auto* points = static_cast<BC_df_point_t*>(SM_alloc(sizeof(BC_df_point_t) * n));
    double* parameters = nullptr;
    try {
        parameters = static_cast<double*>(SM_alloc(sizeof(double) * n));
        for (int i = 0; i < n; ++i) {
            BC_df_point_t& p = points[i];
            p = BC_df_point_t{};
            p.slope_type = BC_SLOPE_NONE;
            p.curvature_type = BC_CURV_NONE;
            parameters[i] = lim[0] + (lim[1] - lim[0]) * i / BC_SAMPLES;
            EVC_evaluate(evaluator, 0, parameters[i], p.point, nullptr);
        }
    } catch (...) {
        SM_free(points);
        SM_free(parameters);
        throw;
    }
    df->degree = 3;
    df->n_points = n;
    df->points = points;
    df->parameters = parameters;
}

void BCDF_convert_to_least_squares(const BC_df_t* df, BC_fit_t** fit) {
    auto call = HOST_ENTRY(df, fit);
    call.need(df, "the defining data");
    call.need(fit, "the fit output");
    if (df->n_points < 2 || !df->points) call.fail(BC_FIT_TOO_FEW_POINTS, "%d defining points", df->n_points);
    std::vector<double> xyz;
    for (int i = 0; i < df->n_points; ++i) xyz.insert(xyz.end(), df->points[i].point, df->points[i].point + 3);
    BCDF_create_df_from_pts(xyz.data(), df->n_points, 3, 1, fit);
    st().of.erase(*fit);  // a block of an earlier fit used again
}

void BCDF_attach_knot_sequence(BC_fit_t* fit, int n_knots, const double* knots) {
    auto call = HOST_ENTRY(fit, n_knots, knots);
    call.need(fit, "the fit");
    call.need(knots, "the knots");
    if (n_knots < 4) call.fail(HOST_ERR_BAD_ARGUMENT, "%d knots", n_knots);
    Reshape& r = st().of[fit];
    r = Reshape{};
    r.knots.assign(knots, knots + n_knots);
}

void BCDF_detach_knot_sequence(BC_fit_t* fit) {
    auto call = HOST_ENTRY(fit);
    call.need(fit, "the fit");
    const auto it = st().of.find(fit);
    if (it == st().of.end()) return;
    if (it->second.made) it->second.knots.clear();
    else st().of.erase(it);  // nothing made: nothing left to keep
}

void BCEV_edit_ev(BC_fit_t* fit, unsigned int evaluator, int mode, int keep, BCEV_edit_result_t* result, int* status) {
    auto call = HOST_ENTRY(fit, evaluator, mode, keep);
    call.need(fit, "the fit");
    call.need(result, "the result output");
    call.need(status, "the status output");
    *result = BCEV_edit_result_t{};
    *status = 0;
    if (call.status(*status)) return;
    const auto it = st().of.find(fit);
    if (it == st().of.end() || !knots_fit_order(it->second.knots, fit->order)) {
        *status = BC_ERR_KNOTS;
        return;
    }
    Reshape& r = it->second;
    r.made = false;
    hd::ensure_started();
    std::vector<gp_XYZ> poles;
    std::vector<double> u;
    if ((*status = hd::guarded(call, BC_FIT_FAILED, [&] { return solve(*fit, r.knots, poles, u); })) != 0) return;
    const int np = static_cast<int>(poles.size());
    const BCEV_edit_result_t made = hd::guarded(call, BC_FIT_FAILED, [&] {
        TColgp_Array1OfPnt pp(1, np);
        for (int j = 0; j < np; ++j) pp(j + 1) = gp_Pnt(poles[j]);
        TColStd_Array1OfReal* k = nullptr;
        TColStd_Array1OfInteger* m = nullptr;
        distinct(r.knots, k, m);
        std::unique_ptr<TColStd_Array1OfReal> kk(k);
        std::unique_ptr<TColStd_Array1OfInteger> mm(m);
        Handle(Geom_BSplineCurve) c = new Geom_BSplineCurve(pp, *k, *m, fit->order - 1);
        BCEV_edit_result_t out{0, np, fit->order, 1};
        for (int i = 0; i < fit->n_points; ++i) {
            const gp_Pnt q(fit->points[3 * i], fit->points[3 * i + 1], fit->points[3 * i + 2]);
            GeomAPI_ProjectPointOnCurve proj(q, c);
            const double d = std::min(proj.NbPoints() > 0 ? proj.LowerDistance() : q.Distance(c->Value(u[i])),
                                      std::min(q.Distance(c->StartPoint()), q.Distance(c->EndPoint())));
            if (d > out.deviation) out.deviation = d, out.max_index = i + 1;
        }
        return out;
    });
    r.order = fit->order;
    r.result_knots = r.knots;
    r.poles.clear();
    for (const gp_XYZ& p : poles) r.poles.insert(r.poles.end(), {p.X(), p.Y(), p.Z(), 1.0});
    r.made = true;
    *result = made;
}

void BC_update_curve(unsigned int spline, BC_fit_t* fit) {
    auto call = HOST_ENTRY(spline, fit);
    call.need(fit, "the fit");
    call.live_of_type(spline, HOST_TYPE_SPLINE);
    const auto it = st().of.find(fit);
    if (it == st().of.end() || !it->second.made) call.fail(BC_FIT_FAILED, "the fit holds no curve");
    const Reshape& r = it->second;
    const int np = static_cast<int>(r.poles.size()) / 4;
    auto curve = hostnum::Curve::spline(np, r.order, r.poles.data(), r.result_knots.data(),
                                        hostnum::Curve::PoleForm::cartesian, false);
    if (!curve) call.fail(BC_FIT_FAILED, "the fit's curve is no spline");
    const bool had_data = es0918np_(&spline) > 0;
    host::curves::attach_curve(spline, *curve);
    if (had_data) es0929sync(spline, 1);
    st().of.erase(it);
}

}  // extern "C"
