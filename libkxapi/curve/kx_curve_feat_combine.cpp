// Combined curves: two curves, each swept along its own direction, made a
// feature by the host's combine service; created, edited and read back.
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/edit_log.h"
#include "host/store/entities/entity_store.h"
#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/queries.h"
#include "host/apps/modeling/trimcurve/trim_curves.h"
#include "host/numeric/tolerances.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "kx_codes.h"
#include "kx_curve_feat.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/curve/kx_curve_feat_internal.h"
#include "libkxapi/curve/kx_curve_internal.h"
#include "libkxapi/core/kx_list.h"
#include "libkxapi/core/kx_util.h"

namespace {

constexpr const char* kCreateMark = "Create combine curves (KXAPI)";
constexpr const char* kEditMark = "Edit combine curves (KXAPI)";
constexpr int kHostFailed = KX_MODL_ERR_NO_FACE_RANGE;      // 875030
constexpr int kZeroVector = KX_MODL_ERR_TRANSFORM_REFUSED;  // 875053
// Two directions count as perpendicular when the angle between them is
// within this of a right angle (radians): directions worked out from
// curves (plane normals) are perpendicular only to rounding.
constexpr double kRightAngleTolerance = 1e-6;

int check_curve(tag c) {
    if (!kx::curve::is_live(c)) return KX_MODL_ERR_NO_OBJECT_DATA;
    const int cls = es0017_(&c);
    if (cls != ES_CLASS_CURVE && cls != ES_CLASS_EDGE) return kx::curve::kBadCurve;
    // An occurrence, or any curve while a component is edited in the
    // assembly's context, cannot be combined.
    if (OCC_is_occurrence(c) || CONTEXT_ask_in_context()) return KX_CURVE_ERR_PROJECTION_FAILED;
    return 0;
}

bool unit(const double v[3], double u[3]) {
    const double n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (!(n > 0)) return false;
    for (int i = 0; i < 3; ++i) u[i] = v[i] / n;
    return true;
}

// The checks of the flags and curves, in order.
int validate_curves(tag first, const combine_direction& d1, tag second, const combine_direction& d2) {
    for (const combine_direction* d : {&d1, &d2})
        if (d->use_vector != 0 && d->use_vector != 1) return KX_CURVE_ERR_COMBINE_FLAG;
    if (int st = check_curve(first)) return st;
    if (int st = check_curve(second)) return st;
    return first == second ? static_cast<int>(KX_CURVE_ERR_COMBINE_SAME_CURVE) : 0;
}

// The checks of the directions; the record's table holds the two curves.
int validate_directions(const combine_direction& d1, const combine_direction& d2, int table) {
    const combine_direction* dirs[2] = {&d1, &d2};
    double u[2][3];
    for (int i = 0; i < 2; ++i) {
        double v[3];
        if (dirs[i]->use_vector == 0) {
            if (CMP_RT_planar_normal(table, i, v) == 2) return KX_CURVE_ERR_COMBINE_NOT_PLANAR;
        } else {
            std::memcpy(v, dirs[i]->vector, sizeof v);
            if (v[0] * v[0] + v[1] * v[1] + v[2] * v[2] <= 1e-20) return kZeroVector;
        }
        if (!unit(v, u[i])) return kZeroVector;
    }
    // Perpendicular within the angular tolerance, on unit vectors.
    const double cosine = u[0][0] * u[1][0] + u[0][1] * u[1][1] + u[0][2] * u[1][2];
    if (std::fabs(cosine) > std::sin(kRightAngleTolerance)) return KX_CURVE_ERR_NOT_PERPENDICULAR;
    return 0;
}

// The caller's curves, directions and tolerance into the record (its
// table made here, or the existing one refilled).
void fill(CPROJ_CMB_rec_t* rec, tag first, const combine_direction& d1, tag second, const combine_direction& d2,
          const char* tolerance, tag part) {
    if (rec->table == 0) CMP_RT_init(2, &rec->table);
    const tag curves[2] = {first, second};
    const combine_direction* dirs[2] = {&d1, &d2};
    for (int i = 0; i < 2; ++i) {
        int one = 1, dir = 1;
        tag object = curves[i];
        const CMP_strings_t s{1, &one, &dir, &object};
        CMP_RT_from_string(&s, srfc1_, 0, i, rec->table);
        rec->use_vector[i] = dirs[i]->use_vector;
        for (int k = 0; k < 3; ++k) rec->direction[i][k] = dirs[i]->use_vector == 1 ? dirs[i]->vector[k] : 0.0;
    }
    double value = 0;
    EXP_ask_value_of_exp_str(part, tolerance, &value);
    rec->tolerance = value;
    std::strncpy(rec->tolerance_text, tolerance, CURVEFEAT_TEXT_CHARS - 1);
    rec->tolerance_text[CURVEFEAT_TEXT_CHARS - 1] = '\0';
    rec->angle_tolerance = srfc1_[1];
    rec->flag = 1;
    cdUIaskoutput_quintic(0, &rec->quintic);
}

tag entity_of_slot(int table, int slot) {
    CMP_strings_t s{};
    CMP_RT_to_string(table, slot, &s);
    const tag t = s.objects && s.count > 0 ? s.objects[0] : NULL_TAG;
    SM_free(s.per_string);
    SM_free(s.dir);
    SM_free(s.objects);
    return t;
}

}  // namespace

KXAPI int KX_CURVE_create_combine_curves(tag first, combine_direction* first_direction, tag second,
                                                    combine_direction* second_direction, char* tolerance,
                                                    tag* feature) {
    if (feature) *feature = NULL_TAG;
    return kx::frame(
        [&] {
            return kx::check({{first_direction, 2}, {second_direction, 4}, {tolerance, 5}, {feature, 6}});
        },
        [&] {
            const int st = kx::curve::host_error_as(kHostFailed, [&] {
                if (int st = validate_curves(first, *first_direction, second, *second_direction)) return st;
                CPROJ_CMB_rec_t rec{};
                fill(&rec, first, *first_direction, second, *second_direction, tolerance, CONTEXT_ask_work_part());
                if (int st = validate_directions(*first_direction, *second_direction, rec.table)) {
                    CMP_RT_free(rec.table);
                    return st;
                }
                return kx::undo_bracket(1, kCreateMark, [&] {
                    unsigned int made = 0;
                    const int answer = CPROJ_CMB_create_frec(&rec, &made);
                    CMP_RT_free(rec.table);
                    if (answer != 0) return static_cast<int>(KX_CURVE_ERR_COMBINE_REFUSED);
                    *feature = made;
                    return 0;
                });
            });
            if (st != 0) *feature = NULL_TAG;
            return st;
        });
}

KXAPI int KX_CURVE_edit_combine_curves(tag feature, tag first, combine_direction* first_direction,
                                                  tag second, combine_direction* second_direction, char* tolerance) {
    return kx::frame(
        [&] {
            if (feature == NULL_TAG) return static_cast<int>(KX_MODL_ERR_NO_OBJECT_DATA);
            return kx::check({{first_direction, 3}, {second_direction, 5}, {tolerance, 6}});
        },
        [&] {
            return kx::curve::host_error_as(kHostFailed, [&] {
                if (int st = validate_curves(first, *first_direction, second, *second_direction)) return st;
                CPROJ_CMB_rec_t rec{};
                CPROJ_CMB_read_frec(feature, &rec);
                fill(&rec, first, *first_direction, second, *second_direction, tolerance,
                     PART_ask_part_of_object(feature));
                if (int st = validate_directions(*first_direction, *second_direction, rec.table)) {
                    CMP_RT_free(rec.table);
                    return st;
                }
                return kx::undo_bracket(1, kEditMark, [&] {
                    const int answer = CPROJ_CMB_populate_parms(&rec, feature);
                    CMP_RT_free(rec.table);
                    if (answer != 0) return static_cast<int>(KX_CURVE_ERR_COMBINE_REFUSED);
                    UPDATE_log_entity_to_update(feature);
                    return 0;
                });
            });
        });
}

// A query: it changes nothing, so it sets no undo mark.
KXAPI int KX_CURVE_ask_combine_curves(tag feature, tag* first, combine_direction* first_direction,
                                                 tag* second, combine_direction* second_direction, char** tolerance,
                                                 tag_list** curves) {
    kx::clear(first, second, tolerance, curves);
    return kx::frame(
        [&] {
            return kx::check(
                {{first, 2}, {first_direction, 3}, {second, 4}, {second_direction, 5}, {tolerance, 6}, {curves, 7}});
        },
        [&] {
            return kx::curve::host_error_as(kHostFailed, [&] {
                if (!CPROJ_CMB_frec_is_a_cproj_cmb(feature)) return static_cast<int>(kx::curve::kBadCurve);
                CPROJ_CMB_rec_t rec{};
                CPROJ_CMB_read_frec(feature, &rec);
                const tag a = entity_of_slot(rec.table, 0), b = entity_of_slot(rec.table, 1);
                CMP_RT_free(rec.table);
                // Everything made on the way is held until it is handed
                // out: a raise after it gives it back.
                char* raw_formula = nullptr;
                if (EXP_ask_exp_str_of_exp(rec.tolerance_exp, &raw_formula) != 0) return kHostFailed;
                kx::host_ptr<char> formula(raw_formula);
                int n = 0;
                unsigned int* raw_made = nullptr;
                CPROJ_CMB_read_curves(feature, &n, &raw_made);
                kx::host_ptr<unsigned int> made(raw_made);
                kx::TagListHolder list(kx::make_tag_list(std::vector<tag>(raw_made, raw_made + n)));
                SM_free(made.release());
                const std::size_t length = std::strlen(formula.get()) + 1;
                kx::host_ptr<char> text(static_cast<char*>(SM_alloc_persistent(length)));
                std::memcpy(text.get(), formula.get(), length);
                SM_free(formula.release());
                combine_direction* dirs[2] = {first_direction, second_direction};
                for (int i = 0; i < 2; ++i) {
                    *dirs[i] = combine_direction{rec.use_vector[i] == 1 ? 1 : 0, {0, 0, 0}};
                    if (rec.use_vector[i] == 1) std::memcpy(dirs[i]->vector, rec.direction[i], sizeof dirs[i]->vector);
                }
                *first = a;
                *second = b;
                *tolerance = text.release();
                *curves = std::exchange(list.list, nullptr);
                return 0;
            });
        });
}
