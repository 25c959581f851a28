// Bridge curve features: the caller's bridge data checked, converted into
// the host's bridge record and made, edited or read back.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "host/store/entities/curve_entities.h"
#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/display.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
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

namespace {

constexpr int kTextChars = CURVEFEAT_TEXT_CHARS;
constexpr int kAskedTextBytes = 256;

const CMP_strings_t* host_strings(const string_list* s) { return reinterpret_cast<const CMP_strings_t*>(s); }

// A value of an expression text in the work part: false when it has none.
bool value_of(const char* text, double* value) {
    return text && EXP_ask_value_of_exp_str(CONTEXT_ask_work_part(), text, value) == 0;
}

// The one entity of a table's slot, NULL_TAG unless there is exactly one.
tag single_entity(int table, int slot, const string_list* s) {
    if (!s) return NULL_TAG;
    CMP_RT_from_string(host_strings(s), srfc1_, 0, slot, table);
    return CMP_RT_ask_rm_entities(table, slot) == 1 ? s->objects[0] : NULL_TAG;
}

bool is_edge(const kx::curve::TypeOf& t) { return t.type == HOST_TYPE_SOLID && t.subtype == 3; }

bool is_bridge_curve(tag object) {
    const kx::curve::TypeOf t = kx::curve::type_of(object);
    return is_edge(t) || t.type == HOST_TYPE_LINE || t.type == HOST_TYPE_ARC || t.type == HOST_TYPE_CONIC ||
           t.type == HOST_TYPE_SPLINE;
}

// The checks, in order; the first failure wins. The table is freed on
// every way out.
int validate(const bridge_data& d) {
    if (d.method < 0 || d.method > 5) return KX_CURVE_ERR_BRIDGE_METHOD;
    int table = 0;
    CMP_RT_init(3, &table);
    const auto check = [&]() -> int {
        const tag first = single_entity(table, 0, d.first_curve);
        if (!first || !is_bridge_curve(first)) return KX_CURVE_ERR_BRIDGE_FIRST_CURVE;
        const tag second = single_entity(table, 1, d.second_curve);
        if (!second || !is_bridge_curve(second)) return KX_CURVE_ERR_BRIDGE_SECOND_CURVE;
        double v = 0;
        if (d.method == 4) {
            const tag ref = single_entity(table, 2, d.reference);
            const kx::curve::TypeOf t = kx::curve::type_of(ref);
            if (!ref || !(is_edge(t) || t.type == HOST_TYPE_SPLINE) || em05_(&ref) == 2)
                return KX_CURVE_ERR_BRIDGE_REFERENCE;
        } else if (d.method == 5) {
            if (!value_of(d.first_shape, &v)) return KX_CURVE_ERR_BRIDGE_SHAPE;
            if (v < 0.01 || v > 0.99) return KX_CURVE_ERR_BRIDGE_SHAPE_RANGE;
        } else {
            if (!value_of(d.first_shape, &v) || !value_of(d.second_shape, &v)) return KX_CURVE_ERR_BRIDGE_SHAPE;
        }
        for (const char* position : {d.first_position, d.second_position}) {
            if (!value_of(position, &v)) return KX_CURVE_ERR_BRIDGE_POSITION;
            if (v < 0 || v > 100) return KX_CURVE_ERR_BRIDGE_POSITION_RANGE;
        }
        for (tag point : {d.first_point, d.second_point})
            if (point != NULL_TAG && kx::curve::type_of(point).type != HOST_TYPE_POINT) return kx::curve::kNotPoint;
        if (d.method == 3 && (d.method3_option < 0 || d.method3_option > 2)) return KX_CURVE_ERR_BRIDGE_METHOD3_OPTION;
        return 0;
    };
    const int st = check();
    CMP_RT_free(table);
    return st;
}

void copy_text(char (&to)[kTextChars], const char* from) {
    std::strncpy(to, from ? from : "", kTextChars - 1);
    to[kTextChars - 1] = '\0';
}

// The fraction of the curve's range at the point closest to `point`.
double fraction_at_point(tag curve, tag point) {
    double xyz[3], range[2], foot[3], t = 0;
    int status = 0;
    ES_ask_coordinates_of_point(point, xyz);
    const unsigned int ev = evcrvu(curve);
    evcrvp(ev, range);
    em015a(ev, xyz, &t, foot, &status);
    evcrvf(ev);
    return range[1] != range[0] ? (t - range[0]) / (range[1] - range[0]) : 0.0;
}

// The caller's data into the host record (an existing feature's record is
// read first); the record's table belongs to the caller.
void to_host(const bridge_data& d, tag feature, BRDGCRV_rec_t* rec) {
    if (feature != NULL_TAG) {
        BRDGCRV_read_parms(feature, rec);
        CMP_RT_free(rec->table);
        rec->table = 0;
    }
    rec->method = d.method;
    rec->flag = 1;
    rec->tolerances[0] = srfc1_[0];
    rec->tolerances[1] = srfc1_[1];
    CMP_RT_init(3, &rec->table);
    const string_list* slots[3] = {d.first_curve, d.second_curve, d.method == 4 ? d.reference : nullptr};
    tag curves[2] = {NULL_TAG, NULL_TAG};
    for (int i = 0; i < 3; ++i) {
        if (!slots[i]) continue;
        CMP_RT_from_string(host_strings(slots[i]), rec->tolerances, 0, i, rec->table);
        if (i < 2 && slots[i]->objects) curves[i] = slots[i]->objects[0];
    }
    const char* positions[2] = {d.first_position, d.second_position};
    const tag points[2] = {d.first_point, d.second_point};
    for (int i = 0; i < 2; ++i) {
        copy_text(rec->position_text[i], positions[i]);
        double v = 0;
        EXP_ask_value_of_exp_str(CONTEXT_ask_work_part(), rec->position_text[i], &v);
        rec->fractions[i] = v * 0.01;
        rec->points[i] = points[i];
        if (points[i] != NULL_TAG) {
            rec->fractions[i] = fraction_at_point(curves[i], points[i]);
            std::snprintf(rec->position_text[i], kTextChars, "%.*f", 4, rec->fractions[i] * 100);
        }
    }
    rec->shapes[0] = rec->shapes[1] = 0;
    rec->shape_text[0][0] = rec->shape_text[1][0] = '\0';
    if (d.method == 4) {
        rec->shape_kind = 0;
    } else {
        const char* shapes[2] = {d.first_shape, d.method == 5 ? nullptr : d.second_shape};
        double v[2] = {0, 0};
        for (int i = 0; i < 2; ++i) {
            if (!shapes[i]) continue;
            copy_text(rec->shape_text[i], shapes[i]);
            EXP_ask_value_of_exp_str(CONTEXT_ask_work_part(), rec->shape_text[i], &v[i]);
        }
        if (d.method == 1 || d.method == 3) {
            rec->shape_kind = 1;
            rec->shapes[0] = v[0] * 0.01;
            rec->shapes[1] = v[1] * 0.01;
        } else if (d.method == 5) {
            rec->shape_kind = 2;
            rec->shapes[0] = v[0];
        } else {
            rec->shape_kind = 0;
            rec->shapes[0] = v[0];
            rec->shapes[1] = v[1];
        }
    }
    rec->senses[0] = d.first_reverse ? 1 : -1;
    rec->senses[1] = d.second_reverse ? 1 : -1;
    rec->flag2 = 1;
    rec->method3_option = d.method == 3 ? d.method3_option : 0;
    for (int& w : rec->words) w = 0;
}

char* asked_text(const char* from) {
    auto* t = static_cast<char*>(SM_alloc_persistent(kAskedTextBytes));
    std::strncpy(t, from, kAskedTextBytes - 1);
    t[kAskedTextBytes - 1] = '\0';
    return t;
}

// The slot's strings in a record of the caller (the host's arrays, which
// the call's memory mark gives back when a later step fails).
string_list* asked_strings(int table, int slot) {
    string_list strings{0, nullptr, nullptr, nullptr};
    CMP_RT_to_string(table, slot, reinterpret_cast<CMP_strings_t*>(&strings));
    auto* s = static_cast<string_list*>(SM_alloc_persistent(sizeof(string_list)));
    *s = strings;
    return s;
}

void free_strings(string_list*& s) {
    if (!s) return;
    SM_free(s->per_string);
    SM_free(s->dir);
    SM_free(s->objects);
    SM_free(s);
    s = nullptr;
}

// Frees what an ask handed out.
void release(bridge_data* d) {
    free_strings(d->first_curve);
    free_strings(d->second_curve);
    free_strings(d->reference);
    for (char** t : {&d->first_position, &d->second_position, &d->first_shape, &d->second_shape}) {
        SM_free(*t);
        *t = nullptr;
    }
}

bool is_order_code(int st) {
    return st == BRDGCRV_ERR_POINT_AFTER || st == BRDGCRV_ERR_SAME_ENDS || st == BRDGCRV_ERR_NO_TANGENT;
}

}  // namespace

KXAPI int KX_CURVE_create_bridge_feature(bridge_data* data, tag* feature) {
    if (feature) *feature = NULL_TAG;
    return kx::curve::frame_with_memory(
        kx::standard,
        [&] {
            if (int st = kx::check({{data, 1}, {feature, 2}})) return st;
            return CONTEXT_ask_active_part_exists() ? 0 : kx::kPartNotLoaded;
        },
        [&] {
            if (int st = validate(*data)) return st;
            return kx::create_bracketed(1, feature, [&] {
                BRDGCRV_rec_t rec{};
                to_host(*data, NULL_TAG, &rec);
                const int st = BRDGCRV_create_frec(&rec);
                CMP_RT_free(rec.table);
                if (st == 0) *feature = rec.feature;
                return st;
            });
        });
}

KXAPI int KX_CURVE_edit_bridge_feature(tag feature, bridge_data* data) {
    const int st = kx::curve::frame_with_memory(
        kx::Opts{.acknowledge = is_order_code},
        [&] {
            return kx::check({{data, 2}});
        },
        [&] {
            if (int st = validate(*data)) return st;
            return kx::undo_bracket(1, nullptr, [&] {
                BRDGCRV_rec_t rec{};
                to_host(*data, feature, &rec);
                rec.feature = feature;
                const int st = BRDGCRV_update_frec(&rec);
                CMP_RT_free(rec.table);
                if (st == 0) UPDATE_log_entity_to_update(feature);
                return st;
            });
        });
    return is_order_code(st) ? KX_CURVE_ERR_BRIDGE_ORDER : st;
}

// A query: it changes nothing, so it sets no undo mark.
KXAPI int KX_CURVE_ask_bridge_feature(tag feature, bridge_data* data) {
    return kx::curve::frame_with_memory(
        kx::standard,
        [&] {
            return kx::check({{data, 2}});
        },
        [&] {
            BRDGCRV_rec_t rec{};
            BRDGCRV_read_parms(feature, &rec);
            bridge_data out{};
            try {
                out.method = rec.method >= 1 && rec.method <= 5 ? rec.method : 0;
                out.first_curve = asked_strings(rec.table, 0);
                out.second_curve = asked_strings(rec.table, 1);
                if (out.method == 4) out.reference = asked_strings(rec.table, 2);
                out.first_position = asked_text(rec.position_text[0]);
                out.second_position = asked_text(rec.position_text[1]);
                out.first_point = rec.points[0];
                out.second_point = rec.points[1];
                if (out.method != 4) out.first_shape = asked_text(rec.shape_text[0]);
                if (out.method != 4 && out.method != 5) out.second_shape = asked_text(rec.shape_text[1]);
                out.first_reverse = rec.senses[0] == 1;
                out.second_reverse = rec.senses[1] == 1;
                out.method3_option = out.method == 3 ? rec.method3_option : 0;
                CMP_RT_free(rec.table);
            } catch (...) {
                release(&out);  // nothing half-built reaches the caller
                throw;
            }
            *data = out;
            return 0;
        });
}

// A plain bridge curve (no feature) between two curves at given
// parameters: continuity 0 matches the tangents, any other value the
// curvature too.
KXAPI int KX_CURVE_create_bridge_curve(int continuity, tag curves[2], double parameters[2], int reverse[2],
                                                  tag* bridge) {
    kx::clear(bridge);
    kx::curve::CallMemory memory;
    unsigned int evaluator = 0;
    return kx::frame(
        kx::standard, kx::on_error([&] {
            if (evaluator) evcrvf(evaluator);
            memory.release();
        }),
        [&] {
            if (int st = kx::check({{curves, 1}, {parameters, 3}, {reverse, 4}, {bridge, 5}})) return st;
            // Curves and edges only: the first refused as 1105004, the
            // second as 1105006.
            const int codes[2] = {KX_ERR_BAD_PARAM_1, KX_ERR_BAD_PARAM_3};
            for (int i = 0; i < 2; ++i)
                if (kx::curve::type_of(curves[i]).type == 0) return codes[i];
            return 0;
        },
        [&] {
            memory.set();
            const int codes[2] = {KX_ERR_BAD_PARAM_1, KX_ERR_BAD_PARAM_3};
            for (int i = 0; i < 2; ++i) {
                const int cls = es0017_(&curves[i]);
                if (cls != ES_CLASS_CURVE && cls != ES_CLASS_EDGE) return codes[i];
            }
            return kx::curve::model_change([&] {
                const int type = continuity == 0 ? 1 : 4;
                const int order = continuity == 0 ? 1 : 2;
                BCRVFIT_end_t ends[2]{};
                for (int i = 0; i < 2; ++i) {
                    double result[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
                    evaluator = evcrvu(curves[i]);
                    evcrve(evaluator, order, parameters[i], result);
                    evcrvf(evaluator);
                    evaluator = 0;
                    std::copy(result, result + 3, ends[i].point);
                    std::copy(result + 3, result + 6, ends[i].first);
                    if (order == 2) {
                        std::copy(result + 6, result + 9, ends[i].second);
                        ends[i].curvature = DGEOM_crv_curvature(ends[i].first, ends[i].second);
                    }
                    if (reverse[i] != 0)
                        for (double& d : ends[i].first) d = -d;
                }
                unsigned int made = 0;
                int status = 0;
                BCRVFIT_cre_bridge_curve(type, 1, &ends[0], &ends[1], &made, &status);
                if (status != 0) return status;
                DSS_REGEN_regen_object(made);
                *bridge = made;
                return 0;
            });
        });
}
