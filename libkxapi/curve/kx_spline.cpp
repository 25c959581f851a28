// Splines: created and read by their poles and knots, repaired and
// smoothed, and splines through points with their defining data.
#include <cmath>
#include <cstring>
#include <vector>

#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/display.h"
#include "host/store/entities/edit_log.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/parts.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/curves/splines.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "kx_curve.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/curve/kx_curve_internal.h"

namespace {

namespace kc = kx::curve;

// Host states at or above this have no interface state.
constexpr int kFirstUnmappedState = 60;
constexpr int kParameterMapState = 9;
// Weights within this of 1 count as 1.
constexpr double kUnitWeight = 1e-10;
// Zero tolerances become the part's kernel scale times this.
constexpr double kToleranceFactor = 1e-8;
constexpr double kEmptyRange = 1e-10;

// ---- codes ---------------------------------------------------------------------

// The interface code of a host fitting code; codes the table does not list
// fail with the interpolation's code.
int fit_code(int host) {
    switch (host) {
        case 0: return 0;
        case BC_FIT_TOO_FEW_POINTS: return KX_MODL_ERR_FIT_TOO_FEW_CONDITIONS;
        case BC_FIT_COINCIDENT: return KX_MODL_ERR_FIT_COINCIDENT_POINTS;
        case BC_FIT_PARAMETERS: return KX_MODL_ERR_FIT_PARAMETERS;
        case BC_FIT_DEGREE: return KX_MODL_ERR_FIT_DEGREE;
        case BC_FIT_PERIODIC: return KX_MODL_ERR_FIT_PERIODIC;
        case BC_FIT_SLOPES: return KX_MODL_ERR_FIT_ZERO_SLOPE;
        case BC_FIT_CURVATURE_SLOPE: return KX_MODL_ERR_CURVATURE_WITHOUT_SLOPE;
        case BC_FIT_SLOPE_TYPE: return KX_MODL_ERR_FIT_SLOPE_TYPE;
        case BC_FIT_PERIODIC_CURV: return KX_MODL_ERR_FIT_PERIODIC_CURVATURE;
        default: return KX_MODL_ERR_FIT_NO_SPLINE;
    }
}

// ---- slope and curvature types ------------------------------------------------------

int host_slope_type(int t) {
    switch (t) {
        case -1: return BC_SLOPE_NONE;
        case 0: return BC_SLOPE_DIRECTION;
        case 1: return BC_SLOPE_PER_CHORD;
        case 2: return BC_SLOPE_VECTOR;
    }
    ERROR_internal("kx_curve", 1627, "Unexpected slope type %d", t);
}

int host_curvature_type(int t) {
    switch (t) {
        case -1: return BC_CURV_NONE;
        case 1: return BC_CURV_VECTOR;
        case 2: return BC_CURV_PER_CHORD;
    }
    ERROR_internal("kx_curve", 1646, "Unexpected curvature type %d", t);
}

int interface_slope_type(int t) {
    switch (t) {
        case 0: return 0;
        case 2:
        case 4:
        case 5: return 1;
        case 1:
        case 3: return 2;
        default: return t;
    }
}

int interface_curvature_type(int t) {
    switch (t) {
        case 1: return 1;
        case 0: return 2;
        default: return t;
    }
}

// ---- states --------------------------------------------------------------------------

// Hands out the states that have an interface state; the others are noted
// on the host's log. Only filled entries are counted.
void hand_out(const BC_states_t& list, int* count, spline_state** out) {
    std::vector<spline_state> mapped;
    for (int i = 0; i < list.count; ++i) {
        const BC_state_t& s = list.entry[i];
        if (s.code >= kFirstUnmappedState) {
            ERROR_note("spline_degen", 163, "unmapped state as above");
            continue;
        }
        spline_state m{};
        m.state = 50 + s.code / 4;
        m.flag = s.code & 1;
        for (int j = 0; j < 3; ++j) m.value[j] = s.value[j];
        mapped.push_back(m);
    }
    *count = static_cast<int>(mapped.size());
    *out = kx::copy_array<spline_state>(mapped);
}

// State 9 composed with a further map t -> k t + c.
void compose_map(BC_states_t& list, double k, double c) {
    BC_state_t* s = nullptr;
    for (int i = 0; i < list.count; ++i)
        if (list.entry[i].code == kParameterMapState) s = &list.entry[i];
    if (!s) {
        if (list.count >= BC_MAX_STATES) return;
        s = &list.entry[list.count++];
        *s = BC_state_t{kParameterMapState, {1.0, 0.0, 0.0}};
    }
    s->value[0] = k * s->value[0];
    s->value[1] = s->value[0] * s->value[1] + c;
}

const BC_state_t* parameter_map(const BC_states_t& list) {
    for (int i = 0; i < list.count; ++i)
        if (list.entry[i].code == kParameterMapState) return &list.entry[i];
    return nullptr;
}

// The repaired curve written back into the caller's record, when it fits
// the record's arrays; false (record untouched) when it does not.
bool write_back(const BCEV_bcurve_t& c, spline_data* rec, bool set_rational) {
    if (c.n > rec->num_poles || c.n + c.order > rec->num_poles + rec->order) return false;
    bool rational = false;
    for (int i = 0; i < c.n; ++i) {
        const double w = c.poles[4 * i + 3];
        for (int j = 0; j < 3; ++j) rec->poles[i][j] = c.poles[4 * i + j] * w;
        rec->poles[i][3] = w;
        rational = rational || std::fabs(w - 1) > kUnitWeight;
    }
    std::memcpy(rec->knots, c.knots, sizeof(double) * static_cast<std::size_t>(c.n + c.order));
    rec->num_poles = c.n;
    rec->order = c.order;
    if (set_rational) rec->is_rational = rational ? 1 : 0;
    return true;
}

// The work part's tolerance for a zero tolerance; 0 when there is no work part.
double part_tolerance() {
    const unsigned int part = CONTEXT_ask_work_part();
    if (part == 0) return 0;
    double f[2] = {1, 1};
    PART_ask_zr_scale_factors(part, f);
    return f[0] * kToleranceFactor;
}

// A caller record in the host's unweighted form, with the states of the
// operation. Its arrays are freed on the normal way out; when a host error
// ends the call, the call's memory mark takes them (no host routine runs
// while an error unwinds).
struct Repair {
    BC_states_t states{};
    BCEV_bcurve_t curve{};
};

int fix_steps(Repair& r, spline_data* rec, double tolerance, int* num_states, spline_state** states);

int fix(spline_data* rec, double tolerance, int* num_states, spline_state** states) {
    Repair r;
    const int st = fix_steps(r, rec, tolerance, num_states, states);
    BCEV_free_bcurve(&r.curve);
    return st;
}

int fix_steps(Repair& r, spline_data* rec, double tolerance, int* num_states, spline_state** states) {
    const int valid = BCURVE_validate_bcurve_data(nullptr, rec->order, rec->num_poles, &rec->poles[0][0]);
    if (valid != 0) return valid;
    if (tolerance == 0.0) {
        tolerance = part_tolerance();
        if (tolerance == 0) return kx::kPartNotLoaded;
    }
    std::vector<double> knots(rec->knots, rec->knots + rec->num_poles + rec->order);
    double scale = 1, offset = 0;
    double start = rec->start_param, end = rec->end_param;
    if (BCEV_normalize_knots(rec->order, rec->num_poles, knots.data(), &scale, &offset)) {
        r.states.entry[r.states.count++] = BC_state_t{kParameterMapState, {scale, offset, 0}};
        start = scale * start + offset;
        end = scale * end + offset;
    }
    BCEV_from_bcurve_data_uw(rec->order, rec->num_poles, knots.data(), &rec->poles[0][0], &r.curve);
    int status = 0;
    if (BCEV_fix_bcurve_knots_uw(&r.curve, tolerance, &r.states) != 0) status = KX_CURVE_ERR_BSPLINE_ORDER;
    else if (BCEV_fix_bcurve_degen_uw(&r.curve, tolerance, &r.states) != 0) status = KX_CURVE_ERR_BSPLINE_DEGENERATE;
    if (status == 0) {
        if (!write_back(r.curve, rec, false)) status = KX_CURVE_ERR_BSPLINE_NOT_FIXED;
        else {
            rec->start_param = start;
            rec->end_param = end;
        }
    }
    hand_out(r.states, num_states, states);
    return status;
}

int smooth_steps(Repair& r, spline_data* rec, int continuity, const double tol_in[3], int option1, int option2,
                 int* num_states, spline_state** states);

int smooth(spline_data* rec, int continuity, const double tol_in[3], int option1, int option2, int* num_states,
           spline_state** states) {
    Repair r;
    const int st = smooth_steps(r, rec, continuity, tol_in, option1, option2, num_states, states);
    BCEV_free_bcurve(&r.curve);
    return st;
}

int smooth_steps(Repair& r, spline_data* rec, int continuity, const double tol_in[3], int option1, int option2,
                 int* num_states, spline_state** states) {
    int status = 0;
    if (rec->end_param - rec->start_param < kEmptyRange) status = KX_CURVE_ERR_START_AFTER_END;
    if (continuity >= rec->order || continuity < 0) status = KX_CURVE_ERR_BSPLINE_CONTINUITY;
    if (status != 0) return status;
    const int valid = BCURVE_validate_bcurve_data(nullptr, rec->order, rec->num_poles, &rec->poles[0][0]);
    if (valid != 0) return valid;
    double tol[3] = {tol_in[0], tol_in[1], tol_in[2]};
    double m = std::sqrt((tol[0] * tol[0] + tol[1] * tol[1] + tol[2] * tol[2]) / 3);
    if (tol[0] == 0.0) {
        m = part_tolerance();
        if (m == 0) return kx::kPartNotLoaded;
        tol[0] = tol[1] = tol[2] = m;
    }
    BCEV_from_bcurve_data_uw(rec->order, rec->num_poles, rec->knots, &rec->poles[0][0], &r.curve);
    if (BCEV_fix_bcurve_knots_uw(&r.curve, m, &r.states) != 0) {
        hand_out(r.states, num_states, states);
        return KX_CURVE_ERR_BSPLINE_ORDER;
    }
    double lo = 0, hi = 0, k = 1, c = 0;
    if (BCEV_ask_bcurve_limits(&r.curve, &lo, &hi)) {
        if (BCEV_normalize_knots(r.curve.order, r.curve.n, r.curve.knots, &k, &c)) {
            compose_map(r.states, k, c);
            lo = lo * k + c;
            hi = hi * k + c;
        }
        BCEV_clamp_bcurve_ends_uw(&r.curve, lo, hi, &r.states);
    }
    if (BCEV_normalize_knots(r.curve.order, r.curve.n, r.curve.knots, &k, &c)) compose_map(r.states, k, c);
    const int failed = BCEV_smooth_bcurve_data_uw(continuity, tol, option1, option2, &r.curve, &r.states);
    if (failed != 0) status = KX_CURVE_ERR_BSPLINE_NOT_FIXED;
    double start = rec->start_param, end = rec->end_param;
    if (const BC_state_t* map = parameter_map(r.states)) {
        start = map->value[0] * start + map->value[1];
        end = map->value[0] * end + map->value[1];
    }
    if (status == 0 && !write_back(r.curve, rec, true)) status = KX_CURVE_ERR_BSPLINE_NOT_FIXED;
    if (status == 0 || parameter_map(r.states)) {
        // The parameter map applies to the record's range also after a failure.
        rec->start_param = start;
        rec->end_param = end;
    }
    hand_out(r.states, num_states, states);
    return status;
}

// ---- splines through points -------------------------------------------------------------

int check_points(int degree, int periodic, int n, const spline_point* points) {
    if (degree < 1) return kx::param(1);
    if (periodic != 0 && periodic != 1) return kx::param(2);
    if (n < 2) return kx::param(3);
    if (!points) return kx::param(4);
    int slopes = 0, curvatures = 0;
    for (int i = 0; i < n; ++i) {
        if (points[i].slope_type != -1) ++slopes;
        if (points[i].crvatr_type != -1) {
            ++curvatures;
            if (points[i].slope_type == -1) return KX_MODL_ERR_CURVATURE_WITHOUT_SLOPE;
        }
    }
    return fit_code(BCRVFIT_check_integer_data(degree, periodic, n, slopes, curvatures));
}

// Defining data from the caller's points (the host's memory released to
// its mark on failure).
int build(int degree, int periodic, int n, const spline_point* points, const double* parameters, BC_df_t* df) {
    const int mark = SM_set_mark();
    std::vector<BC_df_point_t> copy(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        BC_df_point_t& q = copy[i];
        std::memcpy(q.point, points[i].point, sizeof q.point);
        std::memcpy(q.slope, points[i].slope, sizeof q.slope);
        std::memcpy(q.curvature, points[i].crvatr, sizeof q.curvature);
        q.slope_type = host_slope_type(points[i].slope_type);
        q.curvature_type = host_curvature_type(points[i].crvatr_type);
    }
    const int st = fit_code(BCURVE_convert_to_bcdf(degree, periodic, n, copy.data(), parameters, df));
    if (st != 0) {
        *df = BC_df_t{};
        SM_free_to_mark(mark);
    }
    return st;
}

// Defining data, freed on the normal way out (the call's memory mark
// takes them after a host error).
struct DefiningData {
    BC_df_t df{};
};

int create_thru_points(int degree, int periodic, int n, const spline_point* points, const double* parameters, int keep,
                       tag* spline) {
    if (int st = check_points(degree, periodic, n, points)) return st;
    DefiningData d;
    if (int st = build(degree, periodic, n, points, parameters, &d.df)) return st;
    BCDF_update_slopes(&d.df);
    BCDF_update_curvatures(&d.df);
    BCEV_bcurve_t curve{};
    // One model change up to the last host call: a host error anywhere
    // leaves no spline behind.
    return kc::model_change([&]() -> int {
        int st = fit_code(BCEV_create_exact(&d.df, &curve));
        if (st == 0) {
            BC_generate_eid(&d.df, &curve, keep == 1 ? 1 : 0, spline);
            DSS_REGEN_regen_object(*spline);
        }
        BCEV_free_bcurve(&curve);
        BCDF_free_structure(&d.df);
        if (st != 0) kx::clear(spline);
        return st;
    });
}

int ask_thru_points(tag spline, int* degree, int* periodic, int* count, spline_point** points, double** parameters) {
    if (!kc::is_live(spline)) return KX_MODL_ERR_NO_OBJECT_DATA;
    if (kc::type_of(spline).type != HOST_TYPE_SPLINE) return KX_MODL_ERR_WRONG_OBJECT;
    const int mark = SM_set_mark();
    DefiningData d;
    int found = 0;
    BC_read_df_data_internal(spline, &d.df, &found);
    if (!found) {
        SM_free_to_mark(mark);
        return KX_MODL_ERR_NO_DEFINING_DATA;
    }
    if (int st = fit_code(BCDF_check_defining_data(&d.df))) {
        BCDF_free_structure(&d.df);
        return st;
    }
    *degree = d.df.degree;
    *periodic = d.df.periodic;
    const int m = d.df.n_points;
    const int handed = d.df.periodic ? m - 1 : m;
    std::vector<spline_point> out(static_cast<std::size_t>(handed));
    for (int i = 0; i < handed; ++i) {
        spline_point& p = out[i];
        p = spline_point{};
        std::memcpy(p.point, d.df.points[i].point, sizeof p.point);
        p.slope_type = -1;
        p.crvatr_type = -1;
        const BC_df_point_t& q = d.df.points[i];
        if (q.slope_type != BC_SLOPE_NONE) {
            p.slope_type = interface_slope_type(q.slope_type);
            std::memcpy(p.slope, q.slope, sizeof p.slope);
        }
        if (q.curvature_type != BC_CURV_NONE) {
            p.crvatr_type = interface_curvature_type(q.curvature_type);
            std::memcpy(p.crvatr, q.curvature, sizeof p.crvatr);
        }
    }
    *count = handed;
    *points = kx::copy_array<spline_point>(out);
    *parameters = kx::copy_array<double>(std::span<const double>(d.df.parameters, static_cast<std::size_t>(m)));
    BCDF_free_structure(&d.df);
    return 0;
}

int edit_thru_points(tag spline, int degree, int periodic, int n, const spline_point* points, const double* parameters,
                     int keep) {
    if (int st = kc::refuse_smart(spline)) return st;
    return kc::model_change([&]() -> int {
        if (!kc::is_live(spline)) return KX_MODL_ERR_NO_OBJECT_DATA;
        if (kc::type_of(spline).type != HOST_TYPE_SPLINE) return KX_MODL_ERR_WRONG_OBJECT;
        if (!points) return KX_MODL_ERR_NO_POINTS;
        if (int st = check_points(degree, periodic, n, points)) return st;
        DefiningData d;
        if (int st = build(degree, periodic, n, points, parameters, &d.df)) return st;
        const bool in_sync = BC_is_spline_out_of_sync(spline) == 0;
        const int count = es0918np_(&spline);
        const int keep_data = keep == 1 ? 1 : 0;
        const int st = fit_code(BC_edit_exact(&d.df, spline, 1, keep_data));
        BCDF_free_structure(&d.df);
        if (st != 0) return st;
        if (in_sync && !keep_data && count > 0) es0929sync(spline, 0);
        DSS_REGEN_regen_object(spline);
        UPDATE_log_entity_to_update(spline);
        return 0;
    });
}

bool is_spline(tag spline) { return kc::type_of(spline).type == HOST_TYPE_SPLINE; }

// The frame of the spline repairs: the state list is cleared first and again
// on a failure, when the memory the call took is given back. `checks` runs
// the argument checks, `work` the repair.
template <class Checks, class Work>
int repair_frame(int* num_states, spline_state** states, Checks checks, Work work) {
    kc::CallMemory mem;
    return kx::frame(
        kx::standard, kx::on_error([&] {
            mem.release();
            kx::clear(num_states, states);
        }),
        [&] {
            kx::clear(num_states, states);
            return checks();
        },
        [&] {
            mem.set();
            return work();
        });
}

}  // namespace

extern "C" {

KXAPI int KX_CURVE_create_spline(spline_data* rec, tag* spline, int* num_states, spline_state** states) {
    kc::CallMemory mem;
    return kx::frame(
        kx::standard, kx::on_error([&] {
            mem.release();
            kx::clear(spline, num_states, states);
        }),
        [&] {
            kx::clear(spline, num_states, states);
            return kx::check({{rec, 1}, {spline, 2}, {num_states, 3}, {states, 4}});
        },
        [&]() -> int {
            mem.set();
            return kc::model_change([&]() -> int {
                BC_states_t list{};
                const double range[2] = {rec->start_param, rec->end_param};
                const double* poles = rec->poles ? &rec->poles[0][0] : nullptr;
                int code = BCURVE_validate_bcurve_data(range, rec->order, rec->num_poles, poles);
                tag made = NULL_TAG;
                if (code == 0)
                    code = BC_create_bcurve(range, rec->order, rec->num_poles, rec->knots, poles, &made, &list);
                if (code == 0) DSS_REGEN_regen_object(made);
                hand_out(list, num_states, states);
                BCEV_free_states(&list);
                if (code != 0) return KX_CURVE_ERR_BSPLINE_NOT_FIXED;
                *spline = made;
                return 0;
            });
        });
}

KXAPI int KX_CURVE_ask_spline_data(tag spline, spline_data* rec) {
    double* knots = nullptr;
    double* poles = nullptr;
    return kx::frame(
        kx::standard, kx::before_check([&] {
            if (rec) {
                rec->knots = nullptr;
                rec->poles = nullptr;
                rec->num_poles = 0;
                rec->order = 0;
            }
            return 0;
        }),
        kx::on_error([&] {
            SM_free(knots);
            SM_free(poles);
            if (rec) {
                rec->knots = nullptr;
                rec->poles = nullptr;
            }
        }),
        [&] {
            return kx::check({{spline != NULL_TAG, 1}, {rec, 2}});
        },
        [&]() -> int {
            if (!is_spline(spline)) return KX_CURVE_ERR_NOT_SPLINE;
            int n = 0, k = 0;
            es0911_(&spline, &n, &k);
            poles = kx::alloc_array<double>(4 * static_cast<std::size_t>(n));
            knots = kx::alloc_array<double>(static_cast<std::size_t>(n + k));
            es0910_(&spline, poles, knots);
            rec->num_poles = n;
            rec->order = k;
            rec->knots = knots;
            rec->poles = reinterpret_cast<double(*)[4]>(poles);
            rec->start_param = 0.0;
            rec->end_param = 1.0;
            rec->is_rational = 0;
            for (int i = 0; i < n; ++i)
                if (std::fabs(poles[4 * i + 3] - 1) > kUnitWeight) rec->is_rational = 1;
            return 0;
        });
}

KXAPI int KX_CURVE_fix_spline_data(spline_data* rec, double tolerance, int* num_states, spline_state** states) {
    return repair_frame(
        num_states, states,
        [&] {
            return kx::check({{rec && rec->knots && rec->poles, 1}, {num_states, 3}, {states, 4}});
        },
        [&] { return fix(rec, tolerance, num_states, states); });
}

KXAPI int KX_CURVE_smooth_spline_data_st(spline_data* rec, int continuity, double tolerance[3], int option1,
                                         int option2, int* num_states, spline_state** states) {
    return repair_frame(
        num_states, states,
        [&] {
            return kx::check({{rec && rec->knots && rec->poles, 1}, {tolerance, 3}, {num_states, 6}, {states, 7}});
        },
        [&] { return smooth(rec, continuity, tolerance, option1, option2, num_states, states); });
}

KXAPI int KX_CURVE_smooth_spline_data(spline_data* rec, int continuity, double tolerance, int option1, int option2,
                                      int* num_states, spline_state** states) {
    return repair_frame(
        num_states, states,
        [&] {
            return kx::check({{rec && rec->knots && rec->poles, 1}, {num_states, 6}, {states, 7}});
        },
        [&] {
            const double tol[3] = {tolerance, tolerance, tolerance};
            const int st = smooth(rec, continuity, tol, option1, option2, num_states, states);
            for (int i = 0; i < *num_states; ++i)
                if ((*states)[i].state == 56 || (*states)[i].state == 57) (*states)[i].value[1] *= tolerance;
            return st;
        });
}

KXAPI int KX_CURVE_create_spline_thru_pts(int degree, int periodicity, int num_points, spline_point* points,
                                          double* parameters, int save_def_data, tag* spline) {
    kc::CallMemory mem;
    return kx::frame(
        kx::standard, kx::on_error([&] {
            mem.release();
            kx::clear(spline);
        }),
        [&] {
            kx::clear(spline);
            return kx::check({{spline, 7}});
        },
        [&] {
            mem.set();
            return create_thru_points(degree, periodicity, num_points, points, parameters, save_def_data, spline);
        });
}

KXAPI int KX_CURVE_ask_spline_thru_pts(tag spline, int* degree, int* periodicity, int* num_points,
                                       spline_point** points, double** parameters) {
    kc::CallMemory mem;
    return kx::frame(
        kx::standard, kx::on_error([&] {
            mem.release();
            kx::clear(points, parameters, num_points);
        }),
        [&] {
            kx::clear(degree, periodicity, num_points, points, parameters);
            return kx::check({{degree, 2}, {periodicity, 3}, {num_points, 4}, {points, 5}, {parameters, 6}});
        },
        [&] {
            mem.set();
            return ask_thru_points(spline, degree, periodicity, num_points, points, parameters);
        });
}

KXAPI int KX_CURVE_edit_spline_thru_pts(tag spline, int degree, int periodicity, int num_points, spline_point* points,
                                        double* parameters, int save_def_data) {
    kc::CallMemory mem;
    return kx::frame(
        kx::standard, kx::on_error([&] { mem.release(); }), [] { return 0; },
        [&] {
            mem.set();
            return edit_thru_points(spline, degree, periodicity, num_points, points, parameters, save_def_data);
        });
}

KXAPI int KX_CURVE_is_spline_in_sync(tag spline, logical* in_sync) {
    return kx::frame(
        kx::no_frame,
        [&] {
            if (in_sync) *in_sync = true;
            return kx::check({{in_sync, 2}});
        },
        [&]() -> int {
            if (!is_spline(spline)) return KX_MODL_ERR_WRONG_OBJECT;
            if (BC_is_spline_out_of_sync(spline)) *in_sync = false;
            return 0;
        });
}

KXAPI int KX_CURVE_is_spline_self_int(tag spline, logical* self_int) {
    return kx::frame(
        kx::acknowledging,
        [&] {
            if (self_int) *self_int = true;
            return kx::check({{self_int, 2}});
        },
        [&]() -> int {
            if (!is_spline(spline)) return KX_MODL_ERR_WRONG_OBJECT;
            *self_int = CMP_is_self_intersect_curve(spline) != 0;
            return 0;
        });
}

KXAPI int KX_CURVE_ask_spline_sap(tag spline, int values[4], double* value) {
    return kx::frame(
        [&] {
            kx::clear(value);
            return kx::check({{values, 2}, {value, 3}});
        },
        [&]() -> int {
            if (!is_spline(spline)) return kx::param(1);
            CRVANL_CARecord_t record{};
            CRVANL_read_CARecord(spline, &record);
            for (int i = 0; i < 4; ++i) values[i] = record.show[i];
            *value = record.scale;
            return 0;
        });
}

}  // extern "C"
