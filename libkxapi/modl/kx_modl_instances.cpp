// Instance sets of features, offsets of faces and of features, and faces
// extracted as sheets. Each checks its arguments, hands the host its lists
// and texts and makes the feature inside an undo mark: a failure rolls the
// model back to the mark and deletes it; success deletes it. The host's
// lists (and the set's own feature list) are destroyed on every way out.
#include <string>

#include "kx_codes.h"
#include "kx_core.h"
#include "kx_modl.h"
#include "kx_modl_cre_feat.h"
#include "kx_ui.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/ui/kx_ui_internal.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_list.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/modl/kx_modl_cre_feat_shared.h"
#include "libkxapi/modl/kx_modl_operation.h"

#include "host/store/parts/parts.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/form/form_slots.h"
#include "host/apps/modeling/sets/instance_sets.h"
#include "host/base/services/memory.h"

namespace {

constexpr const char* kCircularMark = "Create Circular Instance Set (Kestrix Extension)";
constexpr const char* kLinearMark = "Create Linear Instance Set (Kestrix Extension)";
constexpr const char* kOffsetMark = "Create Offset Feature (Kestrix Extension)";

// The code's message on the listing window.
void report(int code) { kx::ui::report_code(code); }

// A host list destroyed when the creation ends, whichever way.
using kx::HostList;

// The set's own feature list, deleted when the creation ends.
using OwnList = kx::TagListHolder;

// A host list (kind 10001) of the listed features' objects (their entity
// ids): 0, or 875022 for a tag without an object, or the host's code.
int make_feature_kernel_list(tag_list* features, HostList& out) {
    const int n = kx::ask_list_count(features);
    if (int st = KI_crlist(KI_LIST_FEATURES, &out.id)) {
        out.id = 0;
        return st;
    }
    for (int i = 0; i < n; ++i) {
        tag t = NULL_TAG;
        if (int st = kx::ask_list_item(features, i, &t)) return st;
        const unsigned int object = CM_ask_object_of_eid(t);
        if (object == 0) return KX_MODL_ERR_NO_EDGES;
        CM_ptcmtgli(out.id, 0, 1, object);
    }
    return 0;
}

// The host's type name of the feature.
std::string type_of(unsigned int object) {
    char* raw = ui_get_feature_type(object);
    const std::string out = raw ? raw : "";
    SM_free(raw);
    return out;
}

// Whether a feature may be copied by an instance set.
bool can_be_instanced(unsigned int object) {
    if (!is_design_feature(object, 1) || SUP_ask_suppress_frec(object)) return false;
    const std::string type = type_of(object);
    if (type == "PROJ_DCURVE") return false;
    if (type == "META")
        return COPY_BODY_ask_copy_tool_of_meta(object) || UDF_is_a_udf_meta_frec(object) ||
               !FREC_is_it_one_of_the_booleans(object);
    return FMA_can_be_instanced(object) != 0;
}

// The feature check of both instance sets: 0 or the code. A circular set
// takes a datum-axis feature as the last item of a list of several (its
// axis, *axis) and gathers the others into *own.
int check_features(tag_list* features, bool circular, unsigned int* axis, tag_list* own) {
    const int n = kx::ask_list_count(features);
    for (int i = 0; i < n; ++i) {
        tag t = NULL_TAG;
        if (int st = kx::ask_list_item(features, i, &t)) {
            report(st);
            return st;
        }
        const unsigned int object = t;
        if (circular && ui_is_datum_axis_feature(object)) {
            if (i != n - 1 || n <= 1) return KX_MODL_ERR_WRONG_KIND;
            *axis = object;
            continue;
        }
        if (!can_be_instanced(object)) return KX_MODL_ERR_WRONG_KIND;
        if (circular)
            if (int st = kx::put_list_item(own, t)) {
                report(st);
                return st;
            }
    }
    return 0;
}

// The current target body of the work part: 0 or 672178.
int need_target() { return BREF_ask_current_target(CONTEXT_ask_work_part()) == 0 ? KX_MODL_ERR_NO_DATUM_TARGET : 0; }

// The host's last created feature as the caller's tag.
int created(tag* feature) {
    const unsigned int made = CM_GBL_ask_created_frec();
    if (made == 0) return KX_MODL_ERR_NO_FEATURE_CREATED;
    *feature = CM_ask_eid_of_object(made);
    return 0;
}

using OffsetRoutine = void (*)(const char*, const int*, int*);

// An offset feature of the host routine over the list that make_list
// builds, inside its mark (the list is destroyed inside it too, so that a
// failure to destroy it takes the feature back).
template <class MakeList>
int create_offset_feature(OffsetRoutine routine, const char* offset, MakeList&& make_list, tag* feature) {
    return kx::undo_bracket(1, kOffsetMark, [&]() -> int {
        HostList list;
        if (int st = make_list(list)) return st;
        if (int st = need_target()) return st;
        int st = 0;
        routine(offset, &list.id, &st);
        return st != 0 ? st : created(feature);
    });
}

// The first item of a list the caller gave (its failure on the listing
// window): 0 or the code.
int first_item(tag_list* list, tag* item) {
    if (int st = kx::ask_list_item(list, 0, item)) {
        report(st);
        return st;
    }
    return 0;
}

int count_of(tag_list* list) { return kx::ask_list_count(list); }

}  // namespace

KXAPI int KX_MODL_create_circular_iset(int method, double origin[3], const char* number, const char* angle,
                                                  double direction[3], tag_list* features, tag* feature) {
    return kx::frame(
        kx::modl::kEditFrame,
        [&] {
            if (feature) *feature = NULL_TAG;
            return kx::check({{origin, 2}, {number, 3}, {angle, 4}, {direction, 5}, {features, 6}, {feature, 7}});
        },
        [&] {
            return kx::undo_bracket(1, kCircularMark, [&]() -> int {
                OwnList own;
                own.list = kx::create_list();
                unsigned int axis = 0;
                if (int st = check_features(features, true, &axis, own.list)) return st;
                if (int st = need_target()) return st;
                HostList list;
                if (int st = make_feature_kernel_list(own.list, list)) return st;
                const kx::modl::Coordinates texts(origin);
                int st = 0;
                ui_create_circular_iset(list.id, texts.ptr, number, axis, angle, direction, method, &st);
                return st != 0 ? st : created(feature);
            });
        });
}

KXAPI int KX_MODL_create_linear_iset(int method, const char* number_x, const char* spacing_x,
                                                const char* number_y, const char* spacing_y, tag_list* features,
                                                tag* feature) {
    return kx::frame(
        kx::modl::kEditFrame,
        [&] {
            if (feature) *feature = NULL_TAG;
            return kx::check(
                {{number_x, 2}, {spacing_x, 3}, {number_y, 4}, {spacing_y, 5}, {features, 6}, {feature, 7}});
        },
        [&] {
            return kx::undo_bracket(1, kLinearMark, [&]() -> int {
                unsigned int axis = 0;
                if (int st = check_features(features, false, &axis, nullptr)) return st;
                if (int st = need_target()) return st;
                HostList list;
                if (int st = make_feature_kernel_list(features, list)) return st;
                int st = 0;
                ui_create_linear_iset(list.id, number_x, spacing_x, number_y, spacing_y, method, &st);
                return st != 0 ? st : created(feature);
            });
        });
}

KXAPI int KX_MODL_create_face_offset(const char* offset, tag_list* faces, tag* feature) {
    return kx::frame(
        kx::modl::kEditFrame,
        [&] {
            if (feature) *feature = NULL_TAG;
            return kx::check({{offset, 1}, {faces, 2}, {feature, 3}});
        },
        [&] {
            if (count_of(faces) > 0) {
                tag first = NULL_TAG;
                if (int st = first_item(faces, &first)) return st;
                BREF_set_current_bref_of_face(first);
            }
            return create_offset_feature(
                ui_create_offset_facs1_, offset,
                [&](HostList& list) { return kx::modl::make_edge_kernel_list(faces, &list.id); }, feature);
        });
}

KXAPI int KX_MODL_create_feature_offset(const char* offset, tag_list* features, tag* feature) {
    return kx::frame(
        kx::modl::kEditFrame,
        [&] {
            if (feature) *feature = NULL_TAG;
            return kx::check({{offset, 1}, {features, 2}, {feature, 3}});
        },
        [&] {
            if (count_of(features) > 0) {
                tag first = NULL_TAG;
                if (int st = first_item(features, &first)) return st;
            }
            return create_offset_feature(
                ui_create_offset_ftrs1_, offset,
                [&](HostList& list) { return make_feature_kernel_list(features, list); }, feature);
        });
}

KXAPI int KX_MODL_extract_face(tag face, int mode, tag* result) {
    return kx::frame(
        kx::acknowledging, kx::on_error([&] { *result = NULL_TAG; }),
        [&] {
            if (!result) return kx::param(3);
            *result = NULL_TAG;
            if (mode < 0 || mode > 2) return kx::param(2);
            return 0;
        },
        [&] {
            return kx::undo_bracket(1, "", [&]() -> int {
                MODL_extract_face(face, mode, 0, result);
                int regen = 1;
                const int st = regenerate_after_edit(&regen, result);
                if (st != 0) *result = NULL_TAG;
                return st;
            });
        });
}
