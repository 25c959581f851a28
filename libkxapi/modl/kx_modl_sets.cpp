// Feature sets and mirror sets: tags checked as features, sets and mirror
// sets, handed to the modelling library's set and mirror-pattern routines
// in temporary host arrays, and the library's answers handed out. The two
// creators make the set and update the model under an unnamed mark, so
// that a failure leaves the model and the caller's undo marks as they
// were; the member and mirror-set edits (a store, then the release of the
// temporary array, or two stores) run under one as well.
#include <span>
#include <vector>

#include "kx_codes.h"
#include "kx_modl_sets.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"

#include "host/store/entities/display.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/sets/feature_sets.h"
#include "host/apps/modeling/form/form_slots.h"
#include "host/apps/modeling/sets/mirror_sets.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

constexpr int kNotFeature = KX_MODL_ERR_WRONG_OBJECT;   // 875033
constexpr int kNotSet = KX_MODL_ERR_WRONG_KIND;         // 875004
constexpr int kNoPlane = KX_MODL_ERR_NOT_GROOVE_FACE;   // 875007
constexpr int kNoName = KX_MODL_ERR_NO_SET_NAME;        // 875014
constexpr const char* kMirrorClass = "DM_mirror_pattern_c";

using records_t = kx::host_ptr<unsigned int>;

// A live object of the exact class of feature records.
bool is_feature(tag object) {
    return object != NULL_TAG && host::objects::is_alive(object) && OM_ask_class(object) == OM_CLASS_FEATURE;
}

int check_set(tag set) {
    if (!is_feature(set)) return kNotFeature;
    return FSET_frec_is_a_group(set) ? 0 : kNotSet;
}

// A feature whose parameter object is one of the host's mirror patterns.
int check_mirror_set(tag set) {
    if (!is_feature(set)) return kNotFeature;
    const FREC_parms_t* parms = FREC_ask_parms_of_frec(set);
    const OM_class_t mirror = OM_ask_class_of_name(kMirrorClass);
    return parms && mirror != 0 && OM_is_subclass(parms->cls, mirror) ? 0 : kNotFeature;
}

// New members of a set: features, each older than the set.
int check_members(tag set, const tag* members, int count) {
    for (int i = 0; i < count; ++i)
        if (!is_feature(members[i]) || members[i] == set || FREC_sort_frecs(members[i], set) == 1) return kNotFeature;
    return 0;
}

// The host's records of the tags, in a temporary host array (null for none).
records_t records_of(const tag* tags, int count) {
    return records_t(kx::copy_array<unsigned int>(std::span<const tag>(tags, count > 0 ? count : 0)));
}

// The model update that follows a creation: 0 or its status.
int update_model() { return UPDATE_do_update_no_message(); }

// A set's members, or a mirror set's inputs: the host's member list read
// after the set check.
template <class Ask>
int hand_out(int check, Ask&& ask) {
    if (check != 0) return check;
    ask();
    return 0;
}

}  // namespace

KXAPI int KX_MODL_create_set_of_feature(const char* name, tag* members, int count, int flag, tag* set) {
    return kx::frame(
        [&] {
            kx::clear(set);
            return kx::check({{name, 1}, {members != nullptr || count <= 0, 2}, {count >= 0, 3}, {set, 5}});
        },
        [&] {
            if (name[0] == '\0') return kNoName;
            for (int i = 0; i < count; ++i)
                if (!is_feature(members[i])) return kNotFeature;
            return kx::create_bracketed(0, set, [&] {
                unsigned int made = 0;
                {
                    const records_t records = records_of(members, count);
                    made = FSET_create_fset(records.get(), count, flag, name);
                }
                UPDATE_log_object_created(made);
                if (int st = update_model()) return st;
                *set = made;
                return 0;
            });
        });
}

KXAPI int KX_MODL_edit_set_members(tag set, tag* members, int count) {
    return kx::frame([&] { return kx::check({{members != nullptr || count <= 0, 2}, {count >= 0, 3}}); },
                     [&] {
                         if (int st = check_set(set)) return st;
                         if (int st = check_members(set, members, count)) return st;
                         // The host array is released after the store: both
                         // under one mark.
                         return kx::edit_with_tail([&] {
                             const records_t records = records_of(members, count);
                             FSET_replace_members(set, records.get(), count);
                             return 0;
                         });
                     });
}

KXAPI int KX_MODL_edit_set_hide_state(tag set, int* state) {
    return kx::frame([&] { return kx::check({{state, 2}}); },
                     [&] {
                         if (int st = check_set(set)) return st;
                         *state = FSET_set_hidden_flag(set, *state);
                         return 0;
                     });
}

KXAPI int KX_MODL_is_feature_a_set_member(tag feature, int* is_member) {
    return kx::frame(
        [&] {
            kx::clear(is_member);
            return kx::check({{is_member, 2}});
        },
        [&] {
            if (!is_feature(feature)) return kNotFeature;
            *is_member = FSET_frec_is_a_member(feature) ? 1 : 0;
            return 0;
        });
}

KXAPI int KX_MODL_ask_sets_of_member(tag feature, tag** sets, int* count) {
    return kx::frame(
        [&] {
            kx::clear(sets, count);
            return kx::check({{sets, 2}, {count, 3}});
        },
        [&] {
            return hand_out(is_feature(feature) ? 0 : kNotFeature,
                            [&] { FSET_frec_ask_groups_of_member(feature, count, sets); });
        });
}

KXAPI int KX_MODL_ask_set_from_name(const char* name, tag* set) {
    return kx::frame(
        [&] {
            kx::clear(set);
            return kx::check({{name, 1}, {set, 2}});
        },
        [&] {
            if (name[0] == '\0') return kNoName;
            // A set goes by the name it was given, any feature by its
            // display name ("BLOCK(1)").
            const unsigned int part = CONTEXT_ask_work_part();
            unsigned int found = FREC_ask_frec_from_name(part, name);
            if (found == 0) found = FSET_ask_fset_of_name(part, name);
            if (found == 0) return kNoName;
            *set = found;
            return 0;
        });
}

KXAPI int KX_MODL_ask_all_members_of_set(tag set, tag** members, int* count) {
    return kx::frame(
        [&] {
            kx::clear(members, count);
            return kx::check({{members, 2}, {count, 3}});
        },
        [&] { return hand_out(check_set(set), [&] { FSET_ask_group_members(set, count, members); }); });
}

KXAPI int KX_MODL_create_mirror_set(tag* features, int count, tag plane, tag* set) {
    return kx::frame(
        [&] {
            kx::clear(set);
            return kx::check({{features != nullptr || count <= 0, 1}, {count >= 0, 2}, {set, 4}});
        },
        [&] {
            // The initial master of an instance set stands for the set's
            // first instance.
            std::vector<tag> records;
            for (int i = 0; i < count; ++i) {
                tag record = features[i];
                if (ISET_is_an_initial_master_frec(record)) {
                    int n = 0;
                    unsigned int* raw = nullptr;
                    ISET_ask_instances_of_master(record, &n, &raw);
                    const records_t instances(raw);
                    if (n >= 1) record = instances.get()[0];
                }
                if (!is_feature(record)) return kNotFeature;
                records.push_back(record);
            }
            const unsigned int ref = MOD_UI_ask_fref_of_disp_entity(plane);
            if (ref == 0) return kNoPlane;
            return kx::create_bracketed(0, set, [&] {
                unsigned int made = 0;
                {
                    const records_t held = records_of(records.data(), count);
                    made = DM_create_mirror_pattern(held.get(), count, ref, 0);
                }
                if (int st = update_model()) return st;
                *set = made;
                return 0;
            });
        });
}

KXAPI int KX_MODL_ask_plane_of_mirror_set(tag set, tag* plane) {
    return kx::frame(
        [&] {
            kx::clear(plane);
            return kx::check({{plane, 2}});
        },
        [&] {
            if (int st = check_mirror_set(set)) return st;
            const unsigned int ref = DM_ask_mirror_plane(set);
            // A datum plane's reference names the datum plane, a face's the face.
            const tag datum = ref != 0 ? CM_ask_dplane_of_entry(static_cast<int>(ref)) : NULL_TAG;
            *plane = datum != NULL_TAG ? datum : ref != 0 ? FREF_ask_jq_eid_of_fref(ref) : NULL_TAG;
            return 0;
        });
}

KXAPI int KX_MODL_ask_features_of_mirror_set(tag set, tag** features, int* count) {
    return kx::frame(
        [&] {
            kx::clear(features, count);
            return kx::check({{features, 2}, {count, 3}});
        },
        [&] { return hand_out(check_mirror_set(set), [&] { DM_ask_user_input_frec(set, count, features); }); });
}

KXAPI int KX_MODL_edit_mirror_set(tag set, tag* features, int count, tag plane) {
    return kx::frame([&] { return kx::check({{features != nullptr || count <= 0, 2}, {count >= 0, 3}}); },
                     [&] {
                         if (int st = check_mirror_set(set)) return st;
                         if (int st = check_members(set, features, count)) return st;
                         // Every check before the first change: a refused
                         // edit changes nothing.
                         const unsigned int ref = MOD_UI_ask_fref_of_disp_entity(plane);
                         if (ref == 0) return kNoPlane;
                         return kx::edit_with_tail([&] {
                             if (count > 0) {
                                 const records_t records = records_of(features, count);
                                 DM_replace_input_frec(set, records.get(), count, 1);
                             }
                             DM_mirror_replace_dplane(set, ref);
                             return 0;
                         });
                     });
}
