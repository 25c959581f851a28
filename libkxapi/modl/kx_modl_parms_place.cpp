// A feature's directions and location, and the members, set and master of
// instance sets and their instances.
#include <algorithm>
#include <string>
#include <utility>

#include "kx_codes.h"
#include "kx_core.h"
#include "kx_modl.h"
#include "kx_modl_parms.h"
#include "kx_ui.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/ui/kx_ui_internal.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_list.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/modl/kx_modl_query.h"

#include "host/model/feature/feature_parms.h"
#include "host/apps/modeling/sets/instance_sets.h"
#include "host/model/feature/positioning.h"
#include "host/base/services/memory.h"

namespace {

namespace km = kx::modl;

constexpr int kOtherKind = KX_MODL_ERR_WRONG_KIND;

// The host's type name of a feature ("INSTANCE", "LINEAR_ISET" ...).
std::string type_of(tag feature) {
    const kx::host_ptr<char> raw(ui_get_feature_type(feature));
    return raw ? raw.get() : "";
}

bool is_set_type(const std::string& type) { return type == "LINEAR_ISET" || type == "CIRCULAR_ISET"; }

// A list handed to the caller only when the work that fills it succeeds.
using ListOut = kx::TagListHolder;

// The members of the set into a new list (algorithm of KX_MODL_ask_instance):
// 0 with *out set, 875004 for a feature that is no instance set, 875005
// for a set of no members, or the host's code (no list then).
int ask_instance(tag set, tag_list** out) {
    if (!km::is_feature(set) || !is_set_type(type_of(set))) return kOtherKind;
    ListOut made;
    const int st = kx::undo_bracket(1, nullptr, [&]() -> int {
        int n = 0;
        unsigned int* raw = nullptr;
        ISET_ask_members(set, &n, &raw);
        const kx::host_ptr<unsigned int> members(raw);
        std::vector<tag> tags;
        const tag apart = ISET_ask_master_instance(set);
        if (apart != NULL_TAG && type_of(apart) == "INSTANCE") tags.push_back(apart);
        tags.insert(tags.end(), members.get(), members.get() + n);
        made.list = kx::make_tag_list(tags);
        return tags.empty() ? KX_MODL_ERR_EMPTY_LIST : 0;
    });
    if (st == 0) *out = std::exchange(made.list, nullptr);
    return st;
}

// The instance's composite motion (rows first, mapping (x, y, z, 1)).
struct Motion {
    double m[16];
    explicit Motion(tag instance) { ISET_ask_composite_motion(instance, m); }
    void turn(double v[3]) const {
        const double in[3] = {v[0], v[1], v[2]};
        for (int i = 0; i < 3; ++i) v[i] = m[4 * i] * in[0] + m[4 * i + 1] * in[1] + m[4 * i + 2] * in[2];
    }
    void move(double p[3]) const {
        double out[4];
        for (int i = 0; i < 4; ++i) out[i] = m[4 * i] * p[0] + m[4 * i + 1] * p[1] + m[4 * i + 2] * p[2] + m[4 * i + 3];
        for (int i = 0; i < 3; ++i) p[i] = out[i] / out[3];
    }
};

bool is_instance(tag feature) {
    int row = 0, column = 0;
    return ISET_ask_instance_position(feature, &row, &column) != 0;
}

// The master of an "INSTANCE" feature, or 0 (the caller answers 875004).
tag master_of_instance(tag instance) { return ISET_ask_initial_master_of_ins(instance); }

// Directions of a feature that is no "INSTANCE": its own, moved by its
// composite motion when it is an instance.
void plain_directions(tag feature, double a[3], double b[3]) {
    std::fill(a, a + 3, 0.0);
    std::fill(b, b + 3, 0.0);
    int n = 0;
    FPARMS_ask_directions(feature, a, b, &n);
    if (is_instance(feature)) {
        const Motion motion(feature);
        motion.turn(a);
        motion.turn(b);
    }
}

void plain_location(tag feature, double at[3]) {
    FPARMS_ask_location(feature, at);
    if (is_instance(feature)) Motion(feature).move(at);
}

int location_of(tag feature, double at[3]);

// Runs a step as the exported function it stands for would: under a frame
// of its own, so that a host error inside it becomes its status.
template <class Step>
int as_own_call(Step&& step) {
    kx::frame_scope scope;
    try {
        return step();
    } catch (const host::HostError& e) {
        if (!scope.caught(e)) throw;
        return ERROR_ask_failure_code();
    }
}

// A linear set: the location of its first member; a failure's message
// (a host error's too) goes to the listing window and its code is the
// answer. The member list is deleted whatever happens.
int set_location(tag set, double at[3]) {
    const auto report = [](int code) {
        kx::ui::report_code(code);
        return code;
    };
    ListOut members;
    if (int st = as_own_call([&] { return ask_instance(set, &members.list); })) return report(st);
    tag first = NULL_TAG;
    if (int st = kx::ask_list_item(members.list, 0, &first)) return report(st);
    if (int st = as_own_call([&] { return location_of(first, at); })) return report(st);
    return 0;
}

int location_of(tag feature, double at[3]) {
    const std::string type = type_of(feature);
    if (type == "INSTANCE") {
        const tag master = master_of_instance(feature);
        if (master == NULL_TAG) return kOtherKind;
        plain_location(master, at);
        Motion(feature).move(at);
        return 0;
    }
    if (type == "LINEAR_ISET") return set_location(feature, at);
    plain_location(feature, at);
    return 0;
}

int check_feature(tag feature) { return km::is_feature(feature) ? 0 : int(KX_MODL_ERR_NOT_A_FEATURE); }

// Queries of an instance: 875004 for a feature that is no instance, or
// whose answer is no feature; else the answer, inside an unnamed mark.
template <class Ask>
int instance_query(tag instance, tag* out, Ask&& ask) {
    return kx::frame([&] { return kx::check({{out, 2}}); },
                     [&] {
                         if (!km::is_feature(instance) || !is_instance(instance)) return kOtherKind;
                         tag found = NULL_TAG;
                         const int st = kx::undo_bracket(1, nullptr, [&] {
                             found = ask(instance);
                             return 0;
                         });
                         if (st != 0) return st;
                         if (found == NULL_TAG) return kOtherKind;
                         *out = found;
                         return 0;
                     });
}

}  // namespace

KXAPI int KX_MODL_ask_feat_direction(tag feature, double first[3], double second[3]) {
    return kx::frame([&] { return check_feature(feature); },
                     [&] {
                         double a[3], b[3];
                         if (type_of(feature) == "INSTANCE") {
                             const tag master = master_of_instance(feature);
                             if (master == NULL_TAG) return kOtherKind;
                             plain_directions(master, a, b);
                             const Motion motion(feature);
                             motion.turn(a);
                             motion.turn(b);
                         } else {
                             plain_directions(feature, a, b);
                         }
                         if (first) std::copy(a, a + 3, first);
                         if (second) std::copy(b, b + 3, second);
                         return 0;
                     });
}

KXAPI int KX_MODL_ask_feat_location(tag feature, double location[3]) {
    return kx::frame(
        [&] {
            if (int st = check_feature(feature)) return st;
            return kx::check({{location, 2}});
        },
        [&] {
            double at[3];
            if (int st = location_of(feature, at)) return st;
            std::copy(at, at + 3, location);
            return 0;
        });
}

KXAPI int KX_MODL_ask_instance(tag iset, tag_list** instances) {
    return kx::frame([&] { return kx::check({{instances, 2}}); }, [&] { return ask_instance(iset, instances); });
}

KXAPI int KX_MODL_ask_instance_iset(tag instance, tag* iset) {
    return instance_query(instance, iset, [](tag i) { return tag(ui_get_iset_feature(i)); });
}

KXAPI int KX_MODL_ask_master(tag instance, tag* master) {
    return instance_query(instance, master, [](tag i) { return tag(ISET_ask_initial_master_of_ins(i)); });
}
