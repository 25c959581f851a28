// Redefinition of a positioning dimension: other target and tool entities
// checked against the dimension's feature and handed to the host, which
// moves the feature at the next update.
#include <cstring>
#include <initializer_list>
#include <vector>

#include "kx_codes.h"
#include "kx_modl_redef.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/modl/kx_modl_redef_shared.h"

#include "host/store/entities/entity_types.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/positioning.h"
#include "host/model/feature/queries.h"
#include "host/apps/modeling/redefine/redefine_centerlines.h"
#include "host/apps/modeling/redefine/redefine_refs.h"
#include "host/kernel/engine/kernel.h"
#include "kx_modl_topology.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

using namespace kx::modl::redef;

constexpr int kNotOwn = KX_CURVE_ERR_BRIDGE_REFERENCE;  // 875292

// The host's pair of a positioning qualifier.
struct Pair {
    int v[2];
};
Pair pair_of(int qualifier) {
    switch (qualifier) {
        case 0: return {{2, 0}};
        case 1: return {{3, 0}};
        case 2: return {{1, 1}};
        case 3: return {{1, 100}};
        default: return {{1, 1}};
    }
}

int entity_type(tag object) {
    int type = 0, subtype = 0;
    type_of(object, &type, &subtype);
    return type;
}

bool is_one_of(int type, std::initializer_list<int> types) {
    for (int t : types)
        if (t == type) return true;
    return false;
}

// A null tool entity chosen among the feature's centerlines, with the
// qualifier it takes.
void choose_centerline(tag feature, tag* tool, int* qualifier) {
    int n = 0;
    unsigned int* raw = nullptr;
    RPO_CL_get_centerlines(feature, &n, &raw);
    std::vector<tag> lines(raw, raw + n);
    SM_free(raw);
    if (lines.empty()) return;
    switch (*qualifier) {
        case 2:
        case 4:
            *tool = lines[0];
            *qualifier = 2;
            break;
        case 6:
            *tool = lines.size() == 1 ? lines[0] : lines[1];
            *qualifier = 2;
            break;
        case 7:
            *tool = lines.size() == 1 ? lines[0] : lines[1];
            *qualifier = 3;
            break;
        default:
            *tool = lines[0];
            *qualifier = 3;
            break;
    }
    if (entity_type(*tool) == HOST_TYPE_ARC) *qualifier = 0;
}

// The positioning feature of the feature that made the kernel face.
tag positioner_of_face(int kernel_face) {
    const tag maker = FREF_ask_frec_of_fref(static_cast<unsigned int>(kernel_face));
    return maker != NULL_TAG ? RPO_ask_rpo_frec_of_fref_frec(maker) : NULL_TAG;
}

// The tool entity must be the feature's own.
int check_own(tag feature, tag tool) {
    if (tool == NULL_TAG) return 0;
    if (ui_is_sketch_feature(feature)) return FREC_find_child_frec_of_so(tool) == feature ? 0 : kNotOwn;
    if (is_face(tool)) return positioner_of_face(static_cast<int>(fref_of(tool))) == feature ? 0 : kNotOwn;
    if (is_edge(tool)) {
        int* faces = nullptr;
        int n = 0;
        KI_idcoen_sm(kx::modl::topology::kernel_entity(tool), ZQ_CLASS_FACE, &faces, &n);
        const std::vector<int> of(faces, faces + n);
        SM_free(faces);
        if (of.size() != 2) return kNotOwn;
        const tag a = positioner_of_face(of[0]), b = positioner_of_face(of[1]);
        return a == b && a == feature ? 0 : kNotOwn;
    }
    return RPO_CL_is_cl_of_feat(tool, feature) ? 0 : kNotOwn;
}

// A straight edge (or, where lines pass, a line) for the kinds that need
// one: 875033, 875179 for an edge without kernel edge, 875170.
int check_straight(tag entity, bool lines_pass) {
    const int type = entity_type(entity);
    if (type == kSolidType) {
        if (!is_edge(entity)) return kWrongType;
        if (!has_kernel_entity(entity)) return KX_MODL_ERR_BAD_FLAG;  // 875179
        return MODL__is_linear_edge(eref_of(entity)) ? 0 : KX_MODL_ERR_EDGE_NOT_STRAIGHT;
    }
    return lines_pass && type == HOST_TYPE_LINE ? 0 : kWrongType;
}

// The reference of an entity, by its type and subtype (0 for none).
unsigned int reference_of(tag entity) {
    if (is_face(entity)) return fref_of(entity);
    if (is_edge(entity)) return eref_of(entity);
    return 0;
}

int redefine(tag constraint, tag target, int target_qualifier, tag tool, int tool_qualifier) {
    // 1. A dimension.
    if (constraint == NULL_TAG || !host::objects::is_alive(constraint) || RPO_ask_frec_of_rpo_dim(constraint) == 0)
        return KX_MODL_ERR_NO_CONSTRAINT_RECORD;
    const char* cls = RPO_ask_constraint_class(constraint);
    if (!cls || std::strcmp(cls, RPO_DIM_CLASS_NAME) != 0) return KX_MODL_ERR_NO_CONSTRAINT_RECORD;
    // 2. Its feature.
    const tag feature = RPO_ask_frec_of_rpo_dim(constraint);
    // 3. A tool among the centerlines.
    if (tool == NULL_TAG) choose_centerline(feature, &tool, &tool_qualifier);
    // 4. The target: existing geometry of the body, older than the feature.
    const int target_type = entity_type(target);
    if (!is_one_of(target_type, {HOST_TYPE_DATUM_PLANE, HOST_TYPE_DATUM_AXIS, HOST_TYPE_POINT, HOST_TYPE_LINE,
                                 HOST_TYPE_ARC, HOST_TYPE_CONIC, HOST_TYPE_SPLINE, kSolidType}))
        return kWrongType;
    if (!MODL_check_eid_time_stamp(feature, target, 0)) return KX_MODL_ERR_NEWER_THAN_FEATURE;
    const unsigned int target_ref = reference_of(target);
    if ((is_face(target) || is_edge(target)) && !MODL_is_the_same_body(feature, target_ref))
        return KX_MODL_ERR_OTHER_BODY;
    // 5. The tool: the feature's own.
    if (tool != NULL_TAG && !is_one_of(entity_type(tool), {HOST_TYPE_LINE, HOST_TYPE_ARC, kSolidType}))
        return kWrongType;
    if (int st = check_own(feature, tool)) return st;
    // 6. Straight edges for the kinds that measure from them.
    int kind = 0, side[2] = {0, 0};
    unsigned int exp = 0, old_target = 0, old_tool = 0;
    RPO_ask_dimension(constraint, &kind, &exp, &old_target, &old_tool, side);
    if (kind == RPO_DIM_PARALLEL_EDGE || kind == RPO_DIM_ANGLE || kind == RPO_DIM_PERPENDICULAR) {
        if (target_type == kSolidType) {
            if (int st = check_straight(target, false)) return st;
        } else if (!is_one_of(target_type, {HOST_TYPE_LINE, HOST_TYPE_DATUM_AXIS, HOST_TYPE_DATUM_PLANE})) {
            return kWrongType;
        }
        if (kind != RPO_DIM_PERPENDICULAR)
            if (int st = check_straight(tool, true)) return st;
    }
    // 7. References, or plain entities, and the qualifiers' pairs.
    const unsigned int tool_ref = reference_of(tool);
    const Pair tool_pair = pair_of(tool_qualifier), target_pair = pair_of(target_qualifier);
    static constexpr double kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    // 8. The host change; the feature moves at the next update.
    RPO_set_dim_references(constraint, tool_ref, tool_ref != 0 ? NULL_TAG : tool, tool_pair.v, target_ref,
                           target_ref != 0 ? NULL_TAG : target, target_pair.v, kIdentity);
    UPDATE_log_object_to_update(feature);
    return 0;
}

}  // namespace

KXAPI int KX_MODL_redefine_rpo_constraint(tag constraint, tag target, int target_qualifier, tag tool,
                                                     int tool_qualifier) {
    return kx::frame([&] {
        return kx::undo_bracket(1, nullptr,
                                [&] { return redefine(constraint, target, target_qualifier, tool, tool_qualifier); });
    });
}
