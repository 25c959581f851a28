// Body queries: faces, edges, features, kind, named faces and edges,
// densities, the validity check; and the modelling preferences.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "kx_codes.h"
#include "kx_modl.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/core/kx_list.h"
#include "libkxapi/modl/kx_modl_query.h"

#include "host/store/entities/entity_store.h"
#include "host/store/entities/occurrences.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/queries.h"
#include "host/model/feature/undo.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/memory.h"

namespace {

namespace km = kx::modl;

constexpr int kUnits = 4;
// Kilograms per cubic metre of one unit, and back (units 1 to 4: lb/in3,
// lb/ft3, g/cm3, kg/m3).
constexpr double kToSi[kUnits + 1] = {0, 27679.899962366486, 16.01846062636949, 1000.0, 1.0};
constexpr double kFromSi[kUnits + 1] = {0, 3.6127298196871995e-05, 0.06242797128419483, 0.001, 1.0};

bool good_units(int units) { return units >= 1 && units <= kUnits; }

constexpr int kFacesOfBody = 2;
constexpr int kEdgesOfBody = 3;
// Kernel interface parameters the validity check sets for its run.
constexpr int kParamCheckLevel = 12;
constexpr int kParamCheckFaults = 10;
// Fault tokens that make a body invalid.
constexpr int kInvalidating[] = {13802, 13803, 13804, 13805, 13806, 13808, 13810, 13816, 13826};

// The kernel entities connected to a body, as host objects in the
// kernel's order.
std::vector<tag> body_members(tag body, int cls) {
    const int entity = ES_solid_ask_fermalith_tag(body);
    if (entity == 0) ERROR_raise("kx_modl_body", 0, KX_MODL_ERR_NO_KERNEL_ENTITY, "body %u has no kernel body", body);
    int* raw = nullptr;
    int n = 0;
    (cls == ZQ_CLASS_FACE ? ZQ_BODY_ask_faces : ZQ_BODY_ask_edges)(entity, &n, &raw);
    kx::host_ptr<int> members(raw);
    return km::objects_of(members.get(), n);
}

// The faces or edges of a body; those of an occurrence body are the
// occurrences of its prototype's, under the same part occurrence. The
// prototype must be loaded (1105024).
int body_list(tag body, tag_list** out, int cls, const char* function) {
    return kx::frame(
        [&] { return out ? 0 : kx::param(2); },
        [&] {
            // The check asks the host: it runs under the frame.
            if (int st = km::check_body(body)) return st;
            tag prototype = body, part_occurrence = NULL_TAG;
            if (OCC_is_occurrence(body)) {
                part_occurrence = OCC_ask_part_occurrence(body);
                prototype = OCC_ask_prototype_of_occ(body);
                if (!TAG_ask_tag_loaded(prototype))
                    ERROR_raise("kx_modl_body", 0, kx::kNotFullyLoaded, "Error code %d from %s", kx::kNotFullyLoaded,
                                function);
            }
            std::vector<tag> members = body_members(prototype, cls);
            if (part_occurrence != NULL_TAG)
                for (tag& t : members)
                    if (t != NULL_TAG) t = OCC_find_occurrence(part_occurrence, t);
            return km::hand_out_list(out, [&] { return kx::make_tag_list(members); });
        });
}

// The body itself, or the prototype body of an occurrence.
tag prototype_of(tag body) { return OCC_is_occurrence(body) ? OCC_ask_prototype_of_occ(body) : body; }

// The features shown on a body (its controlled records left out); none
// answers 875253 through `status`. The host's array is given back before
// the answer is handed out.
std::vector<tag> shown_features(tag body, int& status) {
    // A body without a kernel body has no body record.
    const tag target = prototype_of(body);
    if (ES_solid_ask_fermalith_tag(target) == 0)
        ERROR_raise("kx_modl_body", 0, KX_MODL_ERR_NO_BODY_RECORD, "body %u has no body record", body);
    int n = 0;
    unsigned int* raw = nullptr;
    BREF_ask_all_frecs_of_bref(target, &n, &raw);
    kx::host_ptr<unsigned int> all(raw);
    std::vector<tag> shown;
    if (n == 0) status = KX_MODL_ERR_NO_FEATURES;
    for (int i = 0; i < n; ++i)
        if (!FREC_is_a_controlled_frec(raw[i])) shown.push_back(raw[i]);
    return shown;
}

bool invalidating(int token) {
    for (int t : kInvalidating)
        if (t == token) return true;
    return false;
}

// The validity of one kernel body: 2 when a fault of the check is one of
// the invalidating tokens, else 1.
int validity_of(int entity) {
    const int zero = 0;
    int nfault = 0, faults = 0, entities = 0, places = 0, ifail = 0;
    KI_chcken(&entity, &zero, &zero, &nfault, &faults, &entities, &places, &ifail);
    struct Lists {
        int ids[3];
        ~Lists() {
            for (int id : ids)
                if (id != 0)
                    kx::release([id] {
                        int f = 0;
                        KI_delist(&id, &f);
                    });
        }
    } lists{{faults, entities, places}};
    if (ifail != 0) ERROR_raise("kx_modl_body", 0, KX_MODL_ERR_OPERATION_FAILED, "the kernel check failed (%d)", ifail);
    int answer = 1;
    for (int i = 1; i <= nfault && faults != 0; ++i) {
        int token = 0, f = 0;
        KI_gtinli(&faults, &i, &token, &f);
        if (f == 0 && invalidating(token)) answer = 2;
    }
    return answer;
}

// Keeps the kernel interface parameters 12 and 10 set for the check and
// puts them back on every way out.
class CheckParameters {
public:
    CheckParameters() {
        int f = 0;
        KI_ouintp(&kParamCheckLevel, &level_, &f);
        KI_ouintp(&kParamCheckFaults, &faults_, &f);
        const int zero = 0, one = 1;
        try {
            KI_seintp(&kParamCheckLevel, &zero, &f);
            KI_seintp(&kParamCheckFaults, &one, &f);
        } catch (...) {
            restore();  // no destructor runs for a constructor that throws
            throw;
        }
    }
    ~CheckParameters() { restore(); }
    CheckParameters(const CheckParameters&) = delete;
    CheckParameters& operator=(const CheckParameters&) = delete;

private:
    // Each parameter on its own: one that cannot be put back does not keep
    // the other from it.
    void restore() {
        kx::release([this] {
            int f = 0;
            KI_seintp(&kParamCheckLevel, &level_, &f);
        });
        kx::release([this] {
            int f = 0;
            KI_seintp(&kParamCheckFaults, &faults_, &f);
        });
    }
    int level_ = 0, faults_ = 0;
};

// A preference switch: set (mode set_mode) or ask.
int switch_call(void (*sw)(int, int*), int mode, int* value) {
    return kx::frame(kx::acknowledging, [&] {
        sw(mode, value);
        return 0;
    });
}

}  // namespace

KXAPI int KX_MODL_ask_body_faces(tag body, tag_list** faces) {
    return body_list(body, faces, ZQ_CLASS_FACE, __func__);
}

KXAPI int KX_MODL_ask_body_edges(tag body, tag_list** edges) {
    return body_list(body, edges, ZQ_CLASS_EDGE, __func__);
}

KXAPI int KX_MODL_ask_body_feats(tag body, tag_list** features) {
    return kx::frame(
        kx::no_check, [&] { return features ? 0 : kx::param(2); },
        [&] {
            // The check asks the host: it runs under the frame.
            if (int st = km::check_body(body)) return st;
            int status = 0;
            const std::vector<tag> shown = shown_features(body, status);
            if (status != 0) return status;
            return km::hand_out_list(features, [&] { return kx::make_tag_list(shown); });
        });
}

KXAPI int KX_MODL_ask_body_type(tag body, int* kind) {
    return kx::frame(
        kx::no_check,
        [&] {
            if (!kind) return kx::param(2);
            return km::check_body(body);
        },
        [&] {
            const int entity = ES_solid_ask_fermalith_tag(prototype_of(body));
            if (entity == 0) return static_cast<int>(KX_MODL_ERR_NO_OBJECT_DATA);
            int type = 0;
            ZQ_BODY_ask_type(entity, &type);
            *kind = type == ZQ_BODY_SOLID || type == ZQ_BODY_SHEET ? type : 0;
            return 0;
        });
}

// Any error raised on the way is answered with 875052, whatever its own
// code.
KXAPI int KX_MODL_ask_named_body_object(tag* body, int* kind, const char* name, tag* object) {
    bool raised = false;
    const int st = kx::frame(
        kx::no_check, kx::on_error([&] { raised = true; }),
        [&] {
            kx::clear(object);
            return kx::check({{body, 1}, {kind, 2}, {name, 3}, {object, 4}});
        },
        [&] {
            if (*kind != kFacesOfBody && *kind != kEdgesOfBody) return 0;
            if (ES_solid_ask_fermalith_tag(*body) == 0) return static_cast<int>(KX_MODL_ERR_NO_KERNEL_ENTITY);
            for (tag t : body_members(*body, *kind == kFacesOfBody ? ZQ_CLASS_FACE : ZQ_CLASS_EDGE)) {
                char buffer[32] = {};
                int length = 0, named = 0;
                ES_read_entity_name(t, buffer, &length, &named);
                if (named && std::string(buffer, static_cast<std::size_t>(length)) == name) {
                    *object = t;
                    break;
                }
            }
            return 0;
        });
    return raised ? static_cast<int>(KX_MODL_ERR_NAMED_OBJECT) : st;
}

KXAPI int KX_MODL_ask_body_density(tag body, int units, double* density) {
    return kx::frame(
        kx::arm_first,
        [&] {
            kx::clear(density);
            return kx::check({{body != NULL_TAG, 1}, {good_units(units), 2}, {density, 3}});
        },
        [&] {
            int spare = 0, status = 0;
            es7013(&body, &units, density, &spare, &status);
            return status;
        });
}

KXAPI int KX_MODL_set_body_density(tag body, int units, double density) {
    return kx::frame(
        kx::arm_first,
        [&] {
            return kx::check(
                {{body != NULL_TAG, 1}, {good_units(units), 2}, {std::isfinite(density) && density > 0, 3}});
        },
        [&] {
            if (OCC_is_occurrence(body)) return kx::param(1);
            return ES_set_solid_density(body, units, density, 0);
        });
}

KXAPI int KX_MODL_set_default_density(double density, int units) {
    return kx::frame(
        kx::arm_first,
        [&] {
            return kx::check({{std::isfinite(density) && density > 0, 1}, {good_units(units), 2}});
        },
        [&] {
            pxdens_.given = density;
            pxdens_.si = density * kToSi[units];
            pxdens_.units = units;
            return 0;
        });
}

KXAPI int KX_MODL_ask_default_density(int units, double* density) {
    return kx::frame(
        kx::arm_first,
        [&] {
            kx::clear(density);
            return kx::check({{good_units(units), 1}, {density, 2}});
        },
        [&] {
            const int stored = pxdens_.units;
            if (stored >= 1 && stored <= 3) pxdens_.si = pxdens_.given * kToSi[stored];
            *density = units == kUnits ? pxdens_.si : pxdens_.si * kFromSi[units];
            return 0;
        });
}

// The check runs under an unnamed mark of visibility 1: a failure undoes to
// it, and the mark is deleted on every way out, so that the check leaves no
// undo step. The kernel's interface parameters 12 and 10 are put back also
// when the check raises.
KXAPI int KX_MODL_validate_body(int count, const tag* bodies, int* validity) {
    return kx::frame(
        kx::acknowledging,
        [&] {
            return kx::check({{count >= 1, 1}, {bodies, 2}, {validity, 3}});
        },
        [&] {
            return kx::undo_bracket(UNDO_VISIBLE, nullptr, [&] {
                for (int i = 0; i < count; ++i)
                    if (bodies[i] == NULL_TAG || !ES_solid_is_a_body(bodies[i]))
                        ERROR_raise("kx_modl_body", 0, KX_MODL_ERR_NOT_A_BODY, "tag %u is not a body", bodies[i]);
                for (int i = 0; i < count; ++i) validity[i] = 1;
                CheckParameters parameters;
                for (int i = 0; i < count; ++i) validity[i] = validity_of(ES_solid_ask_fermalith_tag(bodies[i]));
            });
        });
}

KXAPI int KX_MODL_set_body_type_pref(int kind) {
    if (kind != ZQ_BODY_SOLID && kind != ZQ_BODY_SHEET)
        return kx::frame(kx::acknowledging, [] { return static_cast<int>(KX_MODL_ERR_VALUE_OUT_OF_RANGE); });
    int value = kind == ZQ_BODY_SHEET ? 1 : 0;
    return switch_call(wi_modeling_for_body_type, 1, &value);
}

KXAPI int KX_MODL_ask_body_type_pref(int* kind) {
    int value = 0;
    const int st = kx::frame(
        kx::acknowledging,
        [&] {
            return kx::check({{kind, 1}});
        },
        [&] {
            wi_modeling_for_body_type(2, &value);
            *kind = value == 0 ? ZQ_BODY_SOLID : ZQ_BODY_SHEET;
            return 0;
        });
    return st;
}

KXAPI int KX_MODL_set_curve_fit_method(int method) {
    if (method != 0 && method != 1)
        return kx::frame(kx::acknowledging, [] { return static_cast<int>(KX_MODL_ERR_VALUE_OUT_OF_RANGE); });
    return switch_call(cdUIaskoutput_quintic, 1, &method);
}

KXAPI int KX_MODL_ask_curve_fit_method(int* method) {
    return kx::frame(
        kx::acknowledging,
        [&] {
            return kx::check({{method, 1}});
        },
        [&] {
            int value = 0;
            cdUIaskoutput_quintic(0, &value);
            *method = value != 0 ? 1 : 0;
            return 0;
        });
}

KXAPI int KX_MODL_set_dynamic_update(int value) { return switch_call(cdUIaskDynamicUpdate, 1, &value); }

KXAPI int KX_MODL_ask_dynamic_update(int* value) {
    if (!value) return kx::frame(kx::acknowledging, [] { return kx::param(1); });
    return switch_call(cdUIaskDynamicUpdate, 0, value);
}

KXAPI int KX_MODL_set_immediate_children(int value) {
    return switch_call(cdUIaskImmediateChildren, 1, &value);
}

KXAPI int KX_MODL_ask_immediate_children(int* value) {
    if (!value) return kx::frame(kx::acknowledging, [] { return kx::param(1); });
    return switch_call(cdUIaskImmediateChildren, 0, value);
}

// Each entry, its objects and the array of entries are separate blocks;
// a failure on the way hands back none of them. The body is looked at under
// the frame (its queries may raise), and the host's chain is given back
// before the entries are handed out, so that a failure to free it fails the
// call with nothing handed out; what the host's routines had made when one
// of them raised goes back with the call's memory.
KXAPI int KX_MODL_ask_body_features(tag body, int* count, body_feature_entry*** entries) {
    kx::FailureMemory memory;
    return kx::frame(
        kx::standard, kx::before_check([&] {
            kx::clear(count);
            return 0;
        }),
        kx::on_error([&] {
            memory.release();
            kx::clear(count, entries);
        }),
        [&] {
            kx::clear(entries);
            return kx::check({{count, 2}, {entries, 3}});
        },
        [&] {
            if (km::check_body(body) != 0) return static_cast<int>(KX_MODL_ERR_NO_OBJECT_DATA);
            const tag target = prototype_of(body);
            if (ES_solid_ask_fermalith_tag(target) == 0) return static_cast<int>(KX_MODL_ERR_NO_OBJECT_DATA);
            memory.set();
            int n = 0;
            FREC_node_t* raw = nullptr;
            FREC_ask_body_groups(target, &n, &raw);
            kx::held<FREC_node_t, FREC_delete_frec_node> chain(raw);
            std::vector<kx::host_ptr<body_feature_entry>> made;
            std::vector<kx::host_ptr<tag>> members;
            kx::host_ptr<body_feature_entry*> array(kx::alloc_array<body_feature_entry*>(static_cast<std::size_t>(n)));
            for (const FREC_node_t* node = chain.get(); node; node = node->next) {
                made.emplace_back(static_cast<body_feature_entry*>(SM_alloc(sizeof(body_feature_entry))));
                body_feature_entry& e = *made.back().get();
                e = body_feature_entry{};
                kx::copy_bounded(e.name, node->name, sizeof e.name - 1);
                members.emplace_back(
                    kx::copy_array<tag>(std::span<const tag>(node->members, static_cast<std::size_t>(node->count))));
                e.count = node->count;
                e.objects = members.back().get();
            }
            FREC_delete_frec_node(chain.release());
            for (std::size_t i = 0; i < made.size(); ++i) {
                members[i].release();
                array.get()[i] = made[i].release();
            }
            *count = n;
            *entries = array.release();
            return 0;
        });
}
