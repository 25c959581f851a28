// Form features: holes, bosses, pockets, pads and chamfers (slots and
// grooves: kx_modl_cre_slot.cpp), and the routines every form-feature
// creator shares. Every creator checks its arguments before anything
// changes, writes the location and directions as "%.15g" texts for the
// host, hands the placement and through faces to the host's list slots and
// makes the feature inside an undo mark named after it; a failure anywhere
// after the mark (the host's build, the positioning routine, the finishing
// step, a host that answers 0 without a feature) rolls the model back to
// the mark and deletes it, and the slots are empty again.
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "kx_codes.h"
#include "kx_core.h"
#include "kx_modl_cre_feat.h"
#include "kx_obj.h"
#include "kx_ui.h"
#include "libkxapi/callback/kx_callback_internal.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/ui/kx_ui_internal.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/modl/kx_modl_cre_feat_shared.h"
#include "libkxapi/core/kx_list.h"
#include "libkxapi/modl/kx_modl_operation.h"

#include "host/store/parts/rm.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/form/form_features.h"
#include "host/apps/modeling/form/form_slots.h"
#include "host/kernel/engine/face_data.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"
#include "host/platform/support/support.h"

namespace {

constexpr const char* kModule = "kx_modl_cre_feat";
constexpr const char* kHoleMark = "Create hole (Kestrix Extension)";
constexpr const char* kBossMark = "Create Boss (Kestrix Extension)";
constexpr const char* kPocketMark = "Create pocket (Kestrix Extension)";
constexpr const char* kRectPocketMark = "Create Pocket (Kestrix Extension)";
constexpr const char* kPadMark = "Create Pad (Kestrix Extension)";
constexpr const char* kChamferMark = "Create Chamfer (Kestrix Extension)";
constexpr int kDatumPlaneType = 197;
constexpr int kFinishKind = 2;

kx::modl::rpo_routine_t g_rpo = nullptr;

bool finite(const double v[3]) { return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]); }

// A direction the host can take: finite and of a length.
bool usable_direction(const double d[3]) {
    return finite(d) && std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]) > 1e-10;
}

// The code's message on the listing window.
void report(int code) { kx::ui::report_code(code); }

// The host's list slots this creation filled and the lists it made: both
// are released on every way out (also when a host error passes through).
// Each release runs under a frame of its own (kx::release): a host error
// there becomes the creation's status (and rolls it back) when nothing
// failed before, and never consumes the creation's frame.
struct Slots {
    int link = 0, trim = 0, thru1 = 0, thru2 = 0;
    std::vector<int> lists;
    int take(int list) {
        lists.push_back(list);
        return list;
    }
    void release() noexcept {
        for (void (*clear)(int) : {CM_misc_set_link_fref_list, CM_misc_set_trim_fref_list, CM_misc_set_thru_fref_list1,
                                   CM_misc_set_thru_fref_list2})
            kx::release([clear] { clear(0); });
        for (int l : lists) kx::release([l] { KI_free_list(l); });
        lists.clear();
    }
    ~Slots() { release(); }
};

// The entity type of an object, asked of the host so that its errors reach
// the creation's frame: -1 for a tag of no object or of no model entity.
int entity_type(tag object) {
    if (object == NULL_TAG || !host::objects::is_alive(object)) return -1;
    const OM_class_t cls = OM_ask_class(object);
    if (!OM_is_subclass(cls, OM_CLASS_RM_ENTITY) && !OM_is_subclass(cls, OM_CLASS_OCC_LW) && cls != OM_CLASS_FEATURE)
        return -1;
    int type = 0, subtype = 0;
    RM_ask_entity_type_and_subtype(object, &type, &subtype);
    return type;
}

// The face type of a placement (0 for a tag that is no face).
int face_type(tag face) {
    if (!ES_solid_is_a_face(face)) return 0;
    int type = 0;
    pxzrus_(&face, &type);
    return type;
}

// The reference list of a placement face or through face, its failure
// raised with the text.
int face_list_or_raise(Slots& slots, tag face, const char* text) {
    int list = 0;
    if (int st = kx::modl::make_face_reference_list(face, &list)) ERROR_raise(kModule, __LINE__, st, "%s", text);
    return slots.take(list);
}

// Fills a new host list; a host error on the way destroys the list (the
// caller never saw it) and passes on.
template <class Fill>
void filling(int* list, Fill&& fill) {
    try {
        fill();
    } catch (...) {
        const int made = std::exchange(*list, 0);
        kx::release([made] { KI_free_list(made); }, true);
        throw;
    }
}

// The finishing step of a new feature: its tag, the positioning routine and
// the host's finishing step.
int finish(tag* feature, bool clear_root) {
    const tag made = FORMF_ask_created_frec();
    if (made == NULL_TAG) return KX_MODL_ERR_NO_FEATURE_CREATED;
    if (int rpo = kx::modl::run_rpo_routine(made)) return rpo;
    int st = 0, a = 0, b = 0, c = 0;
    ui_create_feature(&kFinishKind, &a, &b, &c, nullptr, &st);
    if (st != 0) return st;
    if (clear_root && CM_ask_module_root_word(23) != 0) CM_set_module_root_word(23, 0);
    *feature = made;
    return 0;
}

}  // namespace

namespace kx::modl {

void set_rpo_routine(rpo_routine_t routine) { g_rpo = routine; }
rpo_routine_t rpo_routine() { return g_rpo; }

int run_rpo_routine(tag feature) {
    const rpo_routine_t routine = g_rpo;
    if (!routine) return 0;
    int result = 0;
    const int before = RTENV_set_jqopen_env();
    const int raised = kx::frame(kx::modl::kEditFrame, [&]() -> int {
        result = routine(feature);
        return 0;
    });
    RTENV_set_env(before);
    if (raised != 0) {
        ERROR_note(kModule, __LINE__, "User induced error caught in RPO callback.");
        return 0;
    }
    return result;
}

Coordinates::Coordinates(const double v[3]) {
    for (int i = 0; i < 3; ++i) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.15g", v[i]);
        text[i] = buf;
        ptr[i] = text[i].c_str();
    }
}

int check_placement(const double location[3], const double direction[3], const double* x_direction) {
    if (!location || !finite(location)) return kx::param(1);
    if (!direction || !usable_direction(direction)) return kx::param(2);
    if (x_direction && !usable_direction(x_direction)) return kx::param(3);
    return 0;
}

void remember_user_directions(const double direction[3]) {
    save_users_x_dir(direction);
    const char flag = 0;
    save_users_z_dir(1, &flag);
    for (int word : {19, 20})
        if (CM_ask_module_root_word(word) != 0) CM_set_module_root_word(word, 0);
}

int make_face_reference_list(tag face, int* list) {
    if (entity_type(face) < 0) return KX_MODL_ERR_INVALID_FEATURE;
    if (ES_solid_ask_fermalith_tag(face) == 0) return KX_MODL_ERR_NO_KERNEL_ENTITY;
    const unsigned int fref = FREF_ask_fref_of_face(face);
    if (fref == 0) return KX_MODL_ERR_NO_FACE_REFERENCE;
    if (int st = KI_crlist(KI_LIST_FEATURES, list)) return st;
    filling(list, [&] { CM_ptcmtgli(*list, 0, 1, fref); });
    return 0;
}

int make_edge_kernel_list(tag_list* edges, int* list) {
    const int n = kx::ask_list_count(edges);
    if (int st = KI_crlist(KI_LIST_KERNEL, list)) return st;
    int st = 0;
    filling(list, [&] {
        for (int i = 1; i <= n && st == 0; ++i) {
            tag edge = NULL_TAG;
            kx::ask_list_item(edges, i - 1, &edge);
            if (!host::objects::is_alive(edge)) continue;
            const int k = ES_solid_ask_fermalith_tag(edge);
            if (k == 0) st = KX_MODL_ERR_INVALID_FEATURE;
            else KI_pttgli(*list, 0, 1, k);
        }
    });
    if (st != 0) {
        KI_free_list(*list);
        *list = 0;
    }
    return st;
}

int datum_plane_placement(tag object, const double* direction, int* list) {
    if (entity_type(object) != kDatumPlaneType) return 0;
    double normal[3];
    if (!DATUM_ask_dplane_normal(object, normal))
        ERROR_raise(kModule, __LINE__, HOST_ERR_BAD_ARGUMENT, "Could not get normal from datum plane.");
    if (direction && DATUM_ask_target_of_dplane(object) == 0)
        ERROR_raise(kModule, __LINE__, KX_MODL_ERR_NO_DATUM_TARGET,
                    "Absolute datum plane as placement face must specify active target solid.");
    const unsigned int ref = create_dplane_fref(object);
    if (int st = KI_crlist(KI_LIST_FEATURES, list)) ERROR_raise(kModule, __LINE__, st, "no list for the datum plane");
    filling(list, [&] { KI_ptinli(*list, 0, 1, CM_convert_tag_to_int(ref)); });
    if (direction && normal[0] * direction[0] + normal[1] * direction[1] + normal[2] * direction[2] > 0.0) {
        const char flag = 1;
        save_users_z_dir(1, &flag);
    }
    return 1;
}

int create_placed(const Placed& how, tag* feature, const std::function<void(int*)>& host_call) {
    return kx::frame(kx::modl::kEditFrame, [&]() -> int {
        return kx::undo_bracket(1, how.mark, [&]() -> int {
            Slots slots;
            remember_user_directions(how.user_direction ? how.user_direction : how.direction);
            int datum = 0;
            if (how.road == Road::groove) {
                // Grooves sit on turned faces only, never on datum planes.
                const int type = face_type(how.placement);
                if (type != PX_FACE_CYLINDER && type != PX_FACE_CONE && type != PX_FACE_SPHERE)
                    return KX_MODL_ERR_NOT_GROOVE_FACE;
            } else {
                double reversed[3] = {-how.direction[0], -how.direction[1], -how.direction[2]};
                datum = datum_plane_placement(how.placement, how.road == Road::slot ? reversed : how.direction,
                                              &slots.link);
                if (datum) slots.take(slots.link);
            }
            if (!datum) {
                const bool planar = how.road == Road::groove || face_type(how.placement) == PX_FACE_PLANE;
                if (!planar) {
                    if (how.road == Road::slot || how.road == Road::hole)
                        ERROR_raise(kModule, __LINE__, KX_MODL_ERR_NOT_PLANAR_FACE, "Must supply a planar face");
                    return KX_MODL_ERR_NOT_PLANAR_FACE;
                }
                BREF_set_current_bref_of_face(how.placement);
                if (how.road == Road::groove || how.road == Road::pocket) {
                    int list = 0;
                    if (int st = make_face_reference_list(how.placement, &list)) {
                        report(st);
                        return st;
                    }
                    slots.link = slots.take(list);
                } else {
                    slots.link = face_list_or_raise(slots, how.placement, "Error in trying to get link fref list");
                }
            }
            CM_misc_set_link_fref_list(slots.link);
            if (how.road == Road::groove || (how.road == Road::pocket && !datum))
                CM_misc_set_trim_fref_list(slots.link);
            // Through faces: both of a slot, one of a hole.
            const auto through = [&](tag face, const char* text) {
                int list = 0;
                if (datum_plane_placement(face, nullptr, &list)) return slots.take(list);
                return face_list_or_raise(slots, face, text);
            };
            if (how.road == Road::slot && how.thru1 != NULL_TAG && how.thru2 != NULL_TAG) {
                CM_misc_set_thru_fref_list1(through(how.thru1, "Error in trying to get Thru 1 fref list"));
                CM_misc_set_thru_fref_list2(through(how.thru2, "Error in trying to get Thru 2 fref list"));
            }
            if (how.road == Road::hole && how.thru1 != NULL_TAG)
                CM_misc_set_trim_fref_list(through(how.thru1, "Error in trying to get thru fref list"));
            int st = 0;
            host_call(&st);
            slots.release();
            if (st != 0) return st;
            return finish(feature, how.road != Road::groove);
        });
    });
}

}  // namespace kx::modl

namespace km = kx::modl;

KXAPI int KX_MODL_register_rpo_routine(int (*routine)(tag)) {
    km::set_rpo_routine(routine);
    kx::disallow_unload(reinterpret_cast<const void*>(routine));
    return 0;
}

KXAPI int KX_MODL_ask_rpo_routine(int (**routine)(tag)) {
    if (routine) *routine = km::rpo_routine();
    return 0;
}

KXAPI int KX_MODL_unregister_rpo_routine(void) {
    km::set_rpo_routine(nullptr);
    return 0;
}

namespace {

// A hole of the host routine: the texts a through face replaces are "1.0"
// and "0.0" whatever the caller passed.
int create_hole(double location[3], double direction[3], tag face, tag thru_face, tag* feature,
                const std::function<void(const km::Coordinates&, const km::Coordinates&, int*)>& host_call) {
    const km::Coordinates at(location), along(direction);
    // The user's X direction: any unit vector across the direction.
    double d[3] = {direction[0], direction[1], direction[2]};
    const double n = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    for (double& v : d) v /= n;
    const double pick[3] = {std::fabs(d[0]) < 0.9 ? 1.0 : 0.0, std::fabs(d[0]) < 0.9 ? 0.0 : 1.0, 0.0};
    const double k = pick[0] * d[0] + pick[1] * d[1] + pick[2] * d[2];
    double x[3] = {pick[0] - k * d[0], pick[1] - k * d[1], pick[2] - k * d[2]};
    const double xn = std::sqrt(x[0] * x[0] + x[1] * x[1] + x[2] * x[2]);
    for (double& v : x) v /= xn;
    km::Placed how{km::Road::hole, kHoleMark, direction, face, thru_face, NULL_TAG, x};
    return km::create_placed(how, feature, [&](int* st) { host_call(at, along, st); });
}

}  // namespace

KXAPI int KX_MODL_create_simple_hole(double location[3], double direction[3], const char* diameter,
                                                const char* depth, const char* tip_angle, tag face, tag thru_face,
                                                tag* feature) {
    return kx::guarded([&]() -> int {
        if (feature) *feature = NULL_TAG;
        if (int st = km::check_placement(location, direction)) return st;
        const bool through = thru_face != NULL_TAG;
        if (int st = kx::check({{diameter, 3}, {through || depth, 4}, {through || tip_angle, 5}, {feature, 8}}))
            return st;
        const char* const parms[3] = {diameter, through ? "1.0" : depth, through ? "0.0" : tip_angle};
        return create_hole(location, direction, face, thru_face, feature,
                           [&](const km::Coordinates& at, const km::Coordinates& along, int* st) {
                               FORMF_create_simple_hole(at.ptr, along.ptr, parms, face, thru_face, st);
                           });
    });
}

namespace {
// Counterbored and countersunk holes: texts 3, 4, 1, then 2 and 5 (or "1.0"
// and "0.0" through a face), as the host reads them.
int stepped_hole(bool bore, double location[3], double direction[3], const char* t1, const char* t2, const char* t3,
                 const char* t4, const char* t5, tag face, tag thru_face, tag* feature) {
    if (feature) *feature = NULL_TAG;
    if (int st = km::check_placement(location, direction)) return st;
    const bool through = thru_face != NULL_TAG;
    if (int st = kx::check({{t1, 3}, {through || t2, 4}, {t3, 5}, {t4, 6}, {through || t5, 7}, {feature, 10}}))
        return st;
    const char* const parms[5] = {t3, t4, t1, through ? "1.0" : t2, through ? "0.0" : t5};
    return create_hole(location, direction, face, thru_face, feature,
                       [&](const km::Coordinates& at, const km::Coordinates& along, int* st) {
                           if (bore) FORMF_create_cbore_hole(at.ptr, along.ptr, parms, st);
                           else FORMF_create_csunk_hole(at.ptr, along.ptr, parms, st);
                       });
}
}  // namespace

KXAPI int KX_MODL_create_c_bore_hole(double location[3], double direction[3], const char* diameter,
                                                const char* depth, const char* cbore_diameter, const char* cbore_depth,
                                                const char* tip_angle, tag face, tag thru_face, tag* feature) {
    return kx::guarded([&]() -> int {
        return stepped_hole(true, location, direction, diameter, depth, cbore_diameter, cbore_depth, tip_angle, face,
                            thru_face, feature);
    });
}

KXAPI int KX_MODL_create_c_sunk_hole(double location[3], double direction[3], const char* diameter,
                                                const char* depth, const char* csink_diameter, const char* csink_angle,
                                                const char* tip_angle, tag face, tag thru_face, tag* feature) {
    return kx::guarded([&]() -> int {
        return stepped_hole(false, location, direction, diameter, depth, csink_diameter, csink_angle, tip_angle, face,
                            thru_face, feature);
    });
}

KXAPI int KX_MODL_create_boss(double location[3], double direction[3], const char* diameter,
                                         const char* height, const char* taper_angle, tag face, tag* feature) {
    return kx::guarded([&]() -> int {
        if (feature) *feature = NULL_TAG;
        if (int st = km::check_placement(location, direction)) return st;
        if (int st = kx::check({{diameter, 3}, {height, 4}, {taper_angle, 5}, {feature, 7}})) return st;
        const km::Coordinates at(location), along(direction);
        const char* const parms[3] = {diameter, height, taper_angle};
        km::Placed how{km::Road::boss, kBossMark, direction, face};
        return km::create_placed(how, feature, [&](int* st) { FORMF_create_boss(at.ptr, along.ptr, parms, face, st); });
    });
}

KXAPI int KX_MODL_create_cyl_pocket(double location[3], double direction[3], const char* diameter,
                                               const char* depth, const char* corner_radius, const char* floor_radius,
                                               tag face, tag* feature) {
    return kx::guarded([&]() -> int {
        if (feature) *feature = NULL_TAG;
        if (int st = km::check_placement(location, direction)) return st;
        if (int st = kx::check({{diameter, 3}, {depth, 4}, {corner_radius, 5}, {floor_radius, 6}, {feature, 8}}))
            return st;
        const km::Coordinates at(location), along(direction);
        const char* const parms[4] = {diameter, depth, corner_radius, floor_radius};
        km::Placed how{km::Road::pocket, kPocketMark, direction, face};
        return km::create_placed(how, feature,
                                 [&](int* st) { FORMF_create_cyl_pocket(at.ptr, along.ptr, parms, face, st); });
    });
}

namespace {
// The checks of a pad's or pocket's three sizes, X direction and texts.
int check_box(const double location[3], const double direction[3], const double* x_direction,
              const char* const sizes[3]) {
    if (int st = km::check_placement(location, direction)) return st;
    if (!x_direction || !usable_direction(x_direction)) return kx::param(3);
    if (!sizes || !sizes[0] || !sizes[1] || !sizes[2]) return kx::param(4);
    return 0;
}
}  // namespace

KXAPI int KX_MODL_create_rect_pad(double location[3], double direction[3], double x_direction[3],
                                             const char* sizes[3], const char* corner_radius, const char* taper_angle,
                                             tag face, tag* feature) {
    return kx::guarded([&]() -> int {
        if (feature) *feature = NULL_TAG;
        if (int st = check_box(location, direction, x_direction, sizes)) return st;
        if (int st = kx::check({{corner_radius, 5}, {taper_angle, 6}, {feature, 8}})) return st;
        const km::Coordinates at(location), along(direction), across(x_direction);
        const char* const parms[5] = {sizes[0], sizes[1], sizes[2], corner_radius, taper_angle};
        km::Placed how{km::Road::pad, kPadMark, direction, face};
        return km::create_placed(how, feature,
                                 [&](int* st) { ui_create_rect_pad(at.ptr, along.ptr, across.ptr, parms, st); });
    });
}

KXAPI int KX_MODL_create_rect_pocket(double location[3], double direction[3], double x_direction[3],
                                                const char* sizes[3], const char* corner_radius,
                                                const char* floor_radius, const char* taper_angle, tag face,
                                                tag* feature) {
    return kx::guarded([&]() -> int {
        if (feature) *feature = NULL_TAG;
        if (int st = check_box(location, direction, x_direction, sizes)) return st;
        if (int st = kx::check({{corner_radius, 5}, {floor_radius, 6}, {taper_angle, 7}, {feature, 9}})) return st;
        const km::Coordinates at(location), along(direction), across(x_direction);
        const char* const parms[6] = {sizes[0], sizes[1], sizes[2], corner_radius, floor_radius, taper_angle};
        // The rectangular pocket's own mark around the shared pocket road.
        return kx::frame(kx::modl::kEditFrame, [&]() -> int {
            return kx::undo_bracket(1, kRectPocketMark, [&]() -> int {
                km::Placed how{km::Road::pocket, kPocketMark, direction, face};
                return km::create_placed(
                    how, feature, [&](int* st) { ui_create_rect_pocket(at.ptr, along.ptr, across.ptr, parms, st); });
            });
        });
    });
}

KXAPI int KX_MODL_create_chamfer(int type, const char* offset1, const char* offset2, const char* angle,
                                            tag_list* edges, tag* feature) {
    return kx::guarded([&]() -> int {
        if (feature) *feature = NULL_TAG;
        // Type 1 uses its first text, type 2 the first two, type 3 the first
        // and the angle; the texts a type does not use may be null and are
        // kept as "0.0".
        const bool second = type == 2, third = type == 3;
        if (int st = kx::check({{offset1, 2}, {!second || offset2, 3}, {!third || angle, 4}, {feature, 6}})) return st;
        const char* const texts[3] = {offset1, offset2 ? offset2 : "0.0", angle ? angle : "0.0"};
        return kx::frame(kx::modl::kEditFrame, [&]() -> int {
            return kx::undo_bracket(1, kChamferMark, [&]() -> int {
                const int n = kx::ask_list_count(edges);
                tag first = NULL_TAG;
                if (n > 0) kx::ask_list_item(edges, 0, &first);
                if (n == 0 || first == NULL_TAG) return KX_MODL_ERR_NO_EDGES;
                BREF_set_current_bref_of_edge(first);
                Slots slots;
                int list = 0;
                if (int st = km::make_edge_kernel_list(edges, &list)) {
                    if (list != 0) slots.take(list);
                    return st;
                }
                slots.take(list);
                std::vector<unsigned int> chosen;
                int listed = 0;
                KI_colist(list, &listed);
                for (int i = 1; i <= listed; ++i) {
                    int entity = 0;
                    KI_gttgli(list, i, &entity);
                    unsigned int object = 0;
                    pxlook_(&entity, &object);
                    chosen.push_back(object);
                }
                if (chosen.empty()) return KX_MODL_ERR_NO_EDGES;
                int st = 0;
                FORMF_create_chamfer(type, texts[0], texts[1], texts[2], static_cast<int>(chosen.size()), chosen.data(),
                                     &st);
                slots.release();
                if (st != 0) return st;
                const tag made = FORMF_ask_created_frec();
                if (made == NULL_TAG) return KX_MODL_ERR_NO_FEATURE_CREATED;
                *feature = made;
                return 0;
            });
        });
    });
}
