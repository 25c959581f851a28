// Curves edited in place rather than through a feature: a trim to a bound
// and a change of length.
#include <cstdio>

#include "host/feature/trim_curves.h"
#include "host/services/error.h"
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
    if (status == -1) return 875029;
    return 875148;
}

}  // namespace

// A failed trim leaves the curve as it was: the edit is undone to its mark.
extern "C" KXAPI int KX_CURVE_edit_trim_curve(tag curve, tag bound, double first_point[3], double second_point[3],
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

extern "C" KXAPI int KX_CURVE_edit_length(tag curve, int kind, double length, int option, int extension) {
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
