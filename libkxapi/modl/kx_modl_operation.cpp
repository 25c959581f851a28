// Booleans between bodies, body replacement of a boolean, the active
// target and reorder. Every edit runs inside an undo mark that a failure
// rolls back and that is deleted on every way out, so that no call leaves
// an undo step behind that changes nothing.
#include <vector>

#include "kx_codes.h"
#include "kx_modl.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/core/kx_list.h"
#include "libkxapi/modl/kx_modl_operation.h"
#include "libkxapi/modl/kx_modl_query.h"

#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"

namespace {

constexpr const char* kModule = "kx_modl_operation";
constexpr const char* kOperationMark = "JQ Open Boolean Operation";
constexpr const char* kReplaceMark = "JQ Open change boolean body";
constexpr const char* kActiveMark = "JQ Open set active part";
constexpr const char* kReorderMark = "JQ Open reorder feature";

constexpr int kUnite = 1;
constexpr int kSubtract = 2;
constexpr int kIntersect = 3;
constexpr int kKernelList = KI_LIST_KERNEL;
// Codes shared with other families under their names.
constexpr int kNoKernelBodyForTarget = KX_MODL_ERR_INVALID_FEATURE;  // 875008
constexpr int kNotReplaceable = KX_CURVE_ERR_BRIDGE_ORDER;           // 875304

namespace km = kx::modl;

// A kernel list of the host, freed on every way out.
using KernelList = kx::HostList;

int kernel_body(tag body) {
    const int entity = ES_solid_ask_fermalith_tag(body);
    if (entity == 0) ERROR_raise(kModule, __LINE__, KX_MODL_ERR_NO_KERNEL_ENTITY, "body %u has no kernel body", body);
    return entity;
}

// The join of two bodies of the work part, inside the caller's mark: both
// kernel bodies (the target's first) go into a kernel list, both are
// readied and made modelled solids, the refusals of promotions and of the
// feature tree come before the host's join. The resulting bodies go to
// *results when it is given.
int join(tag target, tag tool, int code, std::vector<tag>* results) {
    const int target_entity = kernel_body(target);
    const int tool_entity = kernel_body(tool);
    KernelList list;
    if (int st = KI_crlist(kKernelList, &list.id)) return st;
    KI_pttgli(list.id, 0, 1, target_entity);
    KI_pttgli(list.id, 0, 1, tool_entity);
    gt310_(&target);
    gt310_(&tool);

    int st = 0;
    int n = 0;
    KI_colist(list.id, &n);
    for (int i = 1; i <= n && st == 0; ++i) {
        int entity = 0;
        KI_gttgli(list.id, i, &entity);
        if (!cm_jq_solid_(&entity)) cm_attach_solid_(&entity, &st);
    }
    if (st != 0) return st;
    if (PROM_FEAT_is_base_body_of_prom(tool)) return KX_MODL_ERR_PROMOTION_BASE;
    if (code != 0) {
        const tag target_root = FREC_ask_root_frec_of_body(target);
        const tag tool_root = FREC_ask_root_frec_of_body(tool);
        if (target_root != NULL_TAG && tool_root != NULL_TAG && !FREC_inquire_valid_boolean(target_root, tool_root))
            return KX_MODL_ERR_BOOLEAN_REFUSED;
    }
    int work = 0;
    join_solids(list.id, code, 0, &work, &st);
    if (st == KX_MODL_JOIN_DONE) st = 0;
    if (st != 0 || !results) return st;
    KI_colist(list.id, &n);
    for (int i = 1; i <= n; ++i) {
        int entity = 0;
        tag body = NULL_TAG;
        KI_gttgli(list.id, i, &entity);
        pxlook_(&entity, &body);
        results->push_back(body);
    }
    return 0;
}

// The boolean core of unite, subtract and intersect. The frame is armed
// before anything that can raise, and the copy of a tool from another part
// is made inside the mark, so that a failure takes the copy back too.
int boolean_core(tag target, tag tool, int code, int* count, tag** bodies) {
    if (count) *count = 0;
    if (bodies) *bodies = nullptr;
    if (code != kUnite)
        if (int st = kx::check({{count, 3}, {bodies, 4}})) return st;
    return kx::frame(km::kEditFrame, [&]() -> int {
        if (int st = km::check_body(target)) return st;
        const tag work_target = jq_misc_ftn_proto_in_work_part_(&target);
        if (work_target == NULL_TAG) return KX_MODL_ERR_NO_OBJECT_DATA;
        const tag work_tool = jq_misc_ftn_proto_in_work_part_(&tool);
        if (work_tool == NULL_TAG && code == kUnite) return KX_MODL_ERR_NO_OBJECT_DATA;
        // A tool that is no body is refused before anything is copied.
        if (int st = km::check_body(work_tool != NULL_TAG ? work_tool : tool)) return st;

        std::vector<tag> results;
        // The caller's array is made before the mark goes, so that a
        // failure to make it takes the boolean back.
        kx::host_ptr<tag> out;
        const int st = kx::undo_bracket(1, nullptr, [&]() -> int {
            tag used_tool = work_tool;
            if (used_tool == NULL_TAG) {
                used_tool = XFER_copy_proto_to_work_part(tool, 0);
                if (int check = km::check_body(used_tool)) return check;
            }
            if (code == kUnite) return join(work_target, used_tool, code, nullptr);
            if (int failed = join(work_target, used_tool, code, &results)) return failed;
            out.reset(kx::copy_array<tag>(results));
            return 0;
        });
        if (st != 0 || code == kUnite) return st;
        *bodies = out.release();
        *count = static_cast<int>(results.size());
        return 0;
    });
}

}  // namespace

namespace kx::modl {

int boolean_operation(tag target, tag tool, int code) {
    return kx::frame(km::kEditFrame, [&]() -> int {
        if (int st = check_body(target)) return st;
        if (int st = check_body(tool)) return st;
        return kx::undo_bracket(1, kOperationMark, [&]() -> int { return join(target, tool, code, nullptr); });
    });
}

}  // namespace kx::modl

KXAPI int KX_MODL_unite_bodies(tag target, tag tool) {
    return kx::guarded([&]() -> int { return boolean_core(target, tool, kUnite, nullptr, nullptr); });
}

KXAPI int KX_MODL_subtract_bodies(tag target, tag tool, int* count, tag** bodies) {
    return kx::guarded([&]() -> int { return boolean_core(target, tool, kSubtract, count, bodies); });
}

KXAPI int KX_MODL_intersect_bodies(tag target, tag tool, int* count, tag** bodies) {
    return kx::guarded([&]() -> int { return boolean_core(target, tool, kIntersect, count, bodies); });
}

KXAPI int KX_MODL_operations(tag target, tag tool, int code) {
    return kx::guarded([&]() -> int { return km::boolean_operation(target, tool, code); });
}

KXAPI int KX_MODL_replace_boolean_body(tag feature, int which, tag new_body) {
    return kx::frame(kx::acknowledging, [&]() -> int {
        if (!km::is_feature(feature) || !FREC_is_a_meta_frec(feature)) return static_cast<int>(KX_ERR_BAD_PARAM_1);
        if (int st = km::check_body(new_body)) return st;
        if (!META_is_eid_valid_for_replace(new_body)) return kNotReplaceable;
        return kx::undo_bracket(1, kReplaceMark, [&]() -> int {
            // Blocks the host allocates on the way are given back at the
            // end, inside the mark: a failure to give them back takes the
            // edit back too.
            const kx::MemoryMark memory;
            const tag replacement = BREF_ask_bref_of_eidbody(new_body);
            tag old = NULL_TAG;
            if (which == 0) {
                old = BREF_ask_bref_of_frec(feature);
            } else {
                int n = 0;
                tag* raw = nullptr;
                BREF_ask_tool_bref_of_meta(feature, &n, &raw);
                kx::host_ptr<tag> tools(raw);
                if (n > 0) old = tools.get()[0];
            }
            if (old != replacement) META_change_references(feature, old, replacement);
            return 0;
        });
    });
}

KXAPI int KX_MODL_active_part(tag body, int flag) {
    return kx::frame(km::kEditFrame, [&]() -> int {
        if (ES_solid_ask_fermalith_tag(body) == 0) return kNoKernelBodyForTarget;
        return kx::undo_bracket(1, kActiveMark, [&]() -> int {
            BREF_set_current_target(CM__ask_current_part_ptr(kernel_body(body)));
            if (flag != 0) gt311_(&body);
            return 0;
        });
    });
}

KXAPI int KX_MODL_reorder_feature(tag reference, tag_list* features, int method) {
    return kx::frame(km::kEditFrame, [&]() -> int {
        return kx::undo_bracket(1, kReorderMark, [&]() -> int {
            if (!km::is_feature(reference)) return static_cast<int>(KX_MODL_ERR_NOT_A_FEATURE);
            km::NodeList nodes = km::node_list(features);
            int error = 0;
            reorder_feature(reference, nodes.head, method, 1, &error);
            if (error != 0) return error;
            // The reorder stands only with the model brought up to date: a
            // failed update (a feature that cannot follow, or a host error
            // on the way) fails the reorder, which the mark takes back.
            return km::update();
        });
    });
}
