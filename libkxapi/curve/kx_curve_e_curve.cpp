// Curves edited in place rather than through a feature: moves of a
// spline's defining points, a trim to a bound, a change of length and a
// reshape after a template spline.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/entity_store.h"
#include "host/apps/modeling/trimcurve/trim_curves.h"
#include "host/kernel/curves/spline_edits.h"
#include "host/base/services/error.h"
#include "kx_codes.h"
#include "kx_curve_trim.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/curve/kx_curve_internal.h"

namespace kc = kx::curve;

namespace {

constexpr const char* kModule = "kx_curve_e_curve";

// The trim routine's status as the interface's: 0 done.
int trim_status(int status) {
    if (status >= 1) return 0;
    if (status == -5 || status == -4) return KX_MODL_ERR_WRONG_OBJECT;
    if (status == -1) return KX_MODL_ERR_PARAMETER_MISSES_FACE;
    return KX_MODL_ERR_TRIM_FAILED;
}

// The point-move routine's answer as the interface's status.
int move_status(int answer) {
    switch (answer) {
        case 0: return 0;
        case 1: return KX_MODL_ERR_PARAMETER_MISSES_FACE;
        case 4: return KX_ERR_BAD_PARAM_1;
        case 2:
        case 3:
        case 5: return KX_MODL_ERR_OPERATION_FAILED;
        default: return answer;
    }
}

// An evaluator held for the length of a call.
struct Evaluator {
    unsigned int ev = 0;
    explicit Evaluator(tag curve) : ev(evcrvu(curve)) {}
    Evaluator(const Evaluator&) = delete;
    Evaluator& operator=(const Evaluator&) = delete;
    ~Evaluator() {
        if (ev != 0) kx::release([e = ev] { evcrvf(e); });
    }
};

// The least-squares definition of a curve's points: its defining points
// when it keeps them, else points of its evaluator. Host memory of the
// call's mark.
BC_fit_t* least_squares_of(tag curve, const Evaluator& ev) {
    BC_df_t df{};
    int found = 0;
    BC_read_df_data_internal(curve, &df, &found);
    if (!found) BCEV_create_df(ev.ev, &df);
    BC_fit_t* fit = nullptr;
    BCDF_convert_to_least_squares(&df, &fit);
    BCDF_free_structure(&df);
    return fit;
}

// Number of knot spans of a knot vector.
int spans_of(const std::vector<double>& knots, int order) {
    int n = 0;
    for (std::size_t i = static_cast<std::size_t>(order); i + order <= knots.size(); ++i)
        if (knots[i] > knots[i - 1]) ++n;
    return std::max(n, 1);
}

// The reshape of a checked curve after a checked template.
int reshape(tag curve, tag templ, template_result* result) {
    *result = template_result{};
    const Evaluator ev(curve);
    BC_fit_t* fit = least_squares_of(curve, ev);
    int n = 0, order = 0;
    es0911_(&templ, &n, &order);
    std::vector<double> poles(4 * static_cast<std::size_t>(n)), knots(static_cast<std::size_t>(n + order));
    es0910_(&templ, poles.data(), knots.data());
    BCDF_change_number_of_segments(fit, spans_of(knots, order));
    BCDF_change_order(fit, order);
    BCDF_attach_knot_sequence(fit, n + order, knots.data());
    BCEV_edit_result_t made{};
    int status = 0;
    {
        kx::frame_scope scope;
        try {
            BCEV_edit_ev(fit, ev.ev, 1, 1, &made, &status);
        } catch (const host::HostError& e) {
            if (!scope.caught(e)) throw;
            ERROR_acknowledge_handled(ERROR_ask_failure_code());
            return KX_MODL_ERR_TEMPLATE_EDIT_FAILED;
        }
    }
    BCDF_detach_knot_sequence(fit);
    if (status != 0) {
        // A refusal: the curve stays as it is.
        *result = template_result{0, 0, 0, -1, 1};
        return 0;
    }
    *result = template_result{made.deviation, made.n_poles, made.order, made.max_index, 0};
    BC_update_curve(curve, fit);
    kc::edit_tail(curve);
    return 0;
}

}  // namespace

// A failed trim leaves the curve as it was: the edit is undone to its mark.
KXAPI int KX_CURVE_edit_trim_curve(tag curve, tag bound, double first_point[3], double second_point[3],
                                              int option) {
    return kx::frame(
        [&] {
            if (int st = kc::refuse_smart(curve)) return st;
            return kx::check({{first_point, 3}, {second_point, 4}});
        },
        [&] {
            return kc::model_change([&] {
                int word = 0, status = 0;
                crvtrm_klam_kxapi_(curve, first_point, bound, 0, second_point, 1, 0, 0, 0, 1, option, &word, &status);
                const int st = trim_status(status);
                if (st == 0) kc::edit_tail(curve);
                return st;
            });
        });
}

// The host's blocks of the move go back to a memory mark, also when a
// host error ends the call.
KXAPI int KX_CURVE_edit_move_mult_points(tag curve, void* data) {
    kc::CallMemory mem;
    return kx::frame(
        kx::standard, kx::on_error([&] { mem.release(); }), [&] { return kc::refuse_smart(curve); },
        [&] {
            return kc::model_change([&] {
                if (!kc::is_live(curve)) return static_cast<int>(KX_MODL_ERR_NO_OBJECT_DATA);
                if (kc::type_of(curve).type != HOST_TYPE_SPLINE) return static_cast<int>(KX_MODL_ERR_WRONG_OBJECT);
                mem.set();
                const int answer = BCMMCP_edit_in_kxapi(curve, static_cast<const BCMMCP_data_t*>(data));
                mem.release();
                const int st = move_status(answer);
                if (st == 0) kc::edit_tail(curve);
                return st;
            });
        });
}

// A host error of the fit is 875356; a refusal of the host is told in the
// result and leaves the curve as it was; any failure leaves it unchanged.
KXAPI int KX_CURVE_edit_with_template(tag curve, tag template_curve, template_result* result) {
    kc::CallMemory mem;
    return kx::frame(
        kx::standard, kx::on_error([&] { mem.release(); }),
        [&] {
            if (int st = kx::check({{curve != NULL_TAG, 1}, {template_curve != NULL_TAG, 2}, {result, 3}})) return st;
            if (int st = kc::refuse_edit(curve, HOST_TYPE_SPLINE, KX_MODL_ERR_WRONG_OBJECT)) return st;
            if (kc::type_of(template_curve).type != HOST_TYPE_SPLINE) return static_cast<int>(KX_MODL_ERR_WRONG_OBJECT);
            return 0;
        },
        [&] {
            mem.set();
            // The host memory goes back inside the bracket: a failure to
            // release it rolls the reshape back.
            const int st = kc::model_change([&] {
                const int answer = reshape(curve, template_curve, result);
                mem.release();
                return answer;
            });
            if (st != 0) *result = template_result{};
            return st;
        });
}

KXAPI int KX_CURVE_edit_length(tag curve, int kind, double length, int option, int extension) {
    if (kind != 1 && kind != 2) kind = 1;
    if (option < 0 || option > 3) option = 2;
    if (extension < 0 || extension > 2) extension = 0;
    return kx::frame([&] {
        return kc::model_change([&] {
            TRCRV_rec_t rec{};
            CMP_RT_init(1, &rec.table);
            if (int code = CMP_RT_replace_rm_entities(rec.table, 0, 1, &curve, 0)) {
                CMP_RT_free(rec.table);
                const char* text = ERROR_decode(code);
                ERROR_raise(kModule, __LINE__, code, "%s", text ? text : "");
            }
            rec.kind = kind == 1 ? 2 : 1;
            rec.spline_extension = extension;
            std::snprintf(rec.length_text, sizeof rec.length_text, "%f", length);
            rec.option = option - 1;
            rec.words[0] = 0;
            rec.words[1] = 3;
            rec.constant_byte = 0;
            rec.tolerances[0] = rec.tolerances2[0] = srfc1_[0];
            rec.tolerances[1] = rec.tolerances2[1] = srfc1_[1];
            const int st = TRCRV_create_non_assoc_curves(&rec);
            CMP_RT_free(rec.table);
            if (st == 0) kc::edit_tail(curve);
            return st;
        });
    });
}
