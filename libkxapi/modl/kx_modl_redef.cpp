// Redefinition of a feature's references: its target face, tool face,
// direction reference and through faces checked against the feature and
// handed to the host, which records them for the next model update; and
// the queries of those references.
#include <string>
#include <vector>

#include "kx_codes.h"
#include "kx_modl_redef.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/modl/kx_modl_query.h"
#include "libkxapi/modl/kx_modl_redef_shared.h"

#include "host/store/entities/entity_store.h"
#include "host/store/parts/rm.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/form/form_slots.h"
#include "host/model/feature/positioning.h"
#include "host/apps/modeling/redefine/redefine_faces.h"
#include "host/apps/modeling/redefine/redefine_refs.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace kx::modl::redef {

void type_of(tag object, int* type, int* subtype) {
    *type = *subtype = 0;
    if (object == NULL_TAG || !host::objects::is_alive(object)) return;
    RM_ask_entity_type_and_subtype(object, type, subtype);
}

bool is_face(tag object) {
    int type = 0, subtype = 0;
    type_of(object, &type, &subtype);
    return type == kSolidType && subtype == kFaceSubtype;
}

bool is_edge(tag object) {
    int type = 0, subtype = 0;
    type_of(object, &type, &subtype);
    return type == kSolidType && subtype == kEdgeSubtype;
}

bool is_datum_plane(tag object) {
    int type = 0, subtype = 0;
    type_of(object, &type, &subtype);
    return type == kDatumPlaneType;
}

bool has_kernel_entity(tag object) {
    return object != NULL_TAG && host::objects::is_alive(object) && ES_solid_ask_fermalith_tag(object) != 0;
}

unsigned int fref_of(tag face) {
    if (face == NULL_TAG || !host::objects::is_alive(face)) return 0;
    return FREF_ask_fref_of_face(face);
}

unsigned int eref_of(tag edge) {
    if (edge == NULL_TAG || !host::objects::is_alive(edge)) return 0;
    return EREF_ask_eref_of_edge(edge);
}

tag entity_of(unsigned int ref) {
    if (ref == 0) return NULL_TAG;
    if (const tag plane = CM_ask_dplane_of_entry(static_cast<int>(ref))) return plane;
    const tag face = ASSO_ask_jq_eid_of_fref(ref);
    return face != NULL_TAG ? face : ASSO_ask_jq_eid_of_eref(ref);
}

int check_reference(tag feature, unsigned int ref, int st, bool body_test) {
    if (ref == 0) return kMissing;
    if (body_test && !MODL_is_the_same_body(feature, ref)) st = KX_MODL_ERR_OTHER_BODY;
    if (!MODL_check_ref_time_stamp(feature, ref, 1)) st = KX_MODL_ERR_NEWER_THAN_FEATURE;
    return st;
}

int check_new_face(tag feature, tag face, int position, unsigned int target, unsigned int* ref) {
    *ref = 0;
    if (face == NULL_TAG) return kx::param(position);
    if (!host::objects::is_alive(face)) return KX_MODL_ERR_NO_OBJECT_DATA;
    if (!is_face(face)) return kWrongType;
    if (!has_kernel_entity(face)) return kNoKernelFace;
    *ref = fref_of(face);
    if (*ref == 0) return kMissing;
    if (target != 0 && *ref == target) return KX_MODL_ERR_THRU_IS_TARGET;
    if (!MODL_is_the_same_body(feature, *ref)) return KX_MODL_ERR_OTHER_BODY;
    if (!MODL_check_ref_time_stamp(feature, *ref, 1)) return KX_MODL_ERR_NEWER_THAN_FEATURE;
    return 0;
}

}  // namespace kx::modl::redef

namespace {

using namespace kx::modl::redef;

// The checks of a datum plane taken for a feature's face: a plane of the
// feature's part (875166), older than the feature (875167). The code of the
// last that fails, else 0.
int check_datum_plane(tag feature, tag plane, int st) {
    if (PART_ask_part_of_object(plane) != PART_ask_part_of_object(feature)) st = KX_MODL_ERR_OTHER_BODY;
    if (!MODL_check_eid_time_stamp(feature, plane, 1)) st = KX_MODL_ERR_NEWER_THAN_FEATURE;
    return st;
}

// A new through face of add_thru_faces: a face of the feature's body, or a
// datum plane taken as its reference; the first check that fails gives
// the code.
int check_thru_face(tag feature, tag face, unsigned int target, unsigned int* ref) {
    if (!is_datum_plane(face)) return check_new_face(feature, face, 3, target, ref);
    *ref = create_dplane_fref(face);
    if (target != 0 && *ref == target) return KX_MODL_ERR_THRU_IS_TARGET;
    if (PART_ask_part_of_object(face) != PART_ask_part_of_object(feature)) return KX_MODL_ERR_OTHER_BODY;
    return check_datum_plane(feature, face, 0);
}

constexpr int kMaxThru = 2;

// The feature's kind ("SIMPLE HOLE").
std::string kind_of(tag feature) {
    char* text = FREC_ask_feature_type(feature);
    std::string kind = text ? text : "";
    SM_free(text);
    return kind;
}

// A feature (or instance) stands for its set's first master.
tag initial_master(tag feature) {
    const tag master = ISET_ask_initial_master_of_ins(feature);
    return master != NULL_TAG ? master : feature;
}

struct LinkFaces {
    unsigned int target = 0, tool = 0, dir1 = 0, dir2 = 0;
    bool found = false;
};
LinkFaces link_faces(tag feature) {
    LinkFaces l;
    l.found = RPO_ask_frec_link_face_parms(feature, &l.target, &l.tool, &l.dir1, &l.dir2) == 0;
    return l;
}

// The checks of a new direction reference (an edge or a face): the code of
// the last one that fails, else 0 with its reference in *ref.
int check_dir_ref(tag feature, tag entity, unsigned int* ref) {
    if (!kx::modl::is_feature(feature)) return kMissing;
    int st = RPO_frec_takes_dir_ref(feature) ? 0 : kMissing;
    const bool edge = is_edge(entity);
    *ref = 0;
    if (!edge && !is_face(entity)) {
        st = kWrongType;
    } else {
        *ref = edge ? eref_of(entity) : fref_of(entity);
        if (*ref == 0) st = kMissing;
    }
    if (*ref != 0) {
        if (!MODL_is_the_same_body(feature, *ref)) st = KX_MODL_ERR_OTHER_BODY;
        if (!MODL_check_eid_time_stamp(feature, entity, 1)) st = KX_MODL_ERR_NEWER_THAN_FEATURE;
    }
    if (st != 0) return st;
    if (edge && !MODL__is_linear_edge(*ref)) return KX_MODL_ERR_EDGE_NOT_STRAIGHT;
    return 0;
}

int redirect(tag feature, tag entity, int value, logical flag, const logical* flip) {
    return reference_frame([] { return 0; },
                           [&]() -> int {
                               unsigned int ref = 0;
                               if (int st = check_dir_ref(feature, entity, &ref)) return st;
                               if (flip) RPO_set_flip_x_dir_of_face(feature, static_cast<char>(*flip));
                               MODL__reattach_dir_ref(feature, ref, value, static_cast<char>(flag));
                               return 0;
                           });
}

}  // namespace

KXAPI int KX_MODL_reattach_target_face(tag feature, tag face, int value1, int value2, logical flag) {
    return reference_frame(
        [] { return 0; },
        [&]() -> int {
            if (!kx::modl::is_feature(feature)) return kMissing;
            const LinkFaces links = link_faces(feature);
            int st = links.found && links.target != 0 ? 0 : kMissing;
            if (is_datum_plane(face)) {
                // A datum plane of the part, older than the feature; a
                // groove needs a turned face.
                if ((st = check_datum_plane(feature, face, st)) != 0) return st;
                if (ui_is_groove_feature(feature)) return KX_MODL_ERR_NOT_GROOVE_TARGET;
                MODL__reattach_target_face(feature, create_dplane_fref(face), value1, value2, static_cast<char>(flag));
                return 0;
            }
            const unsigned int ref = fref_of(face);
            st = check_reference(feature, ref, st);
            if (st != 0) return st;
            if (!is_face(face)) return kWrongType;
            if (ui_is_groove_feature(feature)) {
                if (!MODL__is_good_for_groove_att(ref)) st = KX_MODL_ERR_NOT_GROOVE_TARGET;
                if (MODL__is_internal_face(ref) != MODL_is_internal_groove(feature)) st = KX_MODL_ERR_GROOVE_SIDE;
            } else if (!MODL__is_ref_good_for_att(ref)) {
                st = KX_MODL_ERR_NOT_PLANAR_FACE;
            }
            if (st != 0) return st;
            MODL__reattach_target_face(feature, ref, value1, value2, static_cast<char>(flag));
            return 0;
        });
}

KXAPI int KX_MODL_reattach_thru_faces(tag feature, int count, tag faces[], logical flag) {
    return reference_frame(
        [&] {
            if (count < 0 || count > kMaxThru) return kx::param(2);
            return kx::check({{count == 0 || faces, 3}});
        },
        [&]() -> int {
            if (!kx::modl::is_feature(feature)) return kMissing;
            unsigned int now[2] = {0, 0};
            const int have = FEAT_ask_thru_refs(feature, now);
            int st = 0;
            // A sweep may run through faces of other bodies.
            const bool body_test = !ui_is_sweep_feature(feature);
            std::vector<unsigned int> refs;
            for (int i = 0; i < count; ++i) {
                if (i >= have) st = kMissing;
                if (!has_kernel_entity(faces[i])) {
                    st = kNoKernelFace;
                    continue;
                }
                if (st != 0) continue;
                const unsigned int ref = fref_of(faces[i]);
                st = check_reference(feature, ref, st, body_test);
                if (st == 0 && !is_face(faces[i])) st = kWrongType;
                refs.push_back(ref);
            }
            if (st != 0) return st;
            MODL__reattach_thru_faces(feature, count, refs.data(), static_cast<char>(flag));
            return 0;
        });
}

KXAPI int KX_MODL_add_thru_faces(tag feature, int count, tag faces[]) {
    return kx::frame(
        [&] {
            if (count < 0 || count > kMaxThru) return kx::param(2);
            return kx::check({{count == 0 || faces, 3}});
        },
        [&] {
            return kx::undo_bracket(1, nullptr, [&]() -> int {
                if (!kx::modl::is_feature(feature)) return kMissing;
                const unsigned int target = link_faces(feature).target;
                std::vector<unsigned int> refs;
                for (int i = 0; i < count; ++i) {
                    unsigned int ref = 0;
                    if (int st = check_thru_face(feature, faces[i], target, &ref)) return st;
                    refs.push_back(ref);
                }
                const tag master = initial_master(feature);
                const std::string kind = kind_of(master);
                const int subtype = FEAT_ask_subtype(master);
                const bool hole = kind.find("HOLE") != std::string::npos;
                const bool slot = kind.find("SLOT") != std::string::npos;
                if (!hole && !slot) return kMissing;
                if (subtype != FEAT_SUBTYPE_BLIND) return KX_MODL_ERR_THRU_SUBTYPE;
                if (hole) return HOLE_add_thru_face(master, refs.empty() ? 0 : refs[0]);
                return SLOT_add_thru_faces(master, count, refs.data());
            });
        });
}

KXAPI int KX_MODL_remove_thru_faces(tag feature) {
    return kx::frame([&] {
        return kx::undo_bracket(1, nullptr, [&]() -> int {
            if (!kx::modl::is_feature(feature)) return kMissing;
            const tag master = initial_master(feature);
            const std::string kind = kind_of(master);
            const int subtype = FEAT_ask_subtype(master);
            if (kind.find("HOLE") != std::string::npos)
                return subtype == FEAT_SUBTYPE_THRU_HOLE ? HOLE_remove_thru_face(master) : 0;
            if (kind.find("SLOT") != std::string::npos)
                return subtype == FEAT_SUBTYPE_THRU_SLOT ? SLOT_remove_thru_faces(master) : 0;
            return kx::param(1);
        });
    });
}

KXAPI int KX_MODL_ask_link_faces(tag feature, tag* target_face, tag* tool_face, tag* dir_ref,
                                            logical* dir_flag) {
    bool caught = false;
    const int st = kx::frame(
        kx::standard, kx::before_check([&] {
            kx::clear(target_face, tool_face, dir_ref);
            return 0;
        }),
        kx::on_error([&] { caught = true; }),
        [&] {
            return kx::check({{target_face, 2}, {tool_face, 3}, {dir_ref, 4}, {dir_flag, 5}});
        },
        [&] {
            return kx::undo_bracket(1, nullptr, [&]() -> int {
                if (!kx::modl::is_feature(feature)) return kMissing;
                const LinkFaces l = link_faces(feature);
                if (!l.found) return kMissing;
                *target_face = entity_of(l.target);
                *tool_face = entity_of(l.tool);
                if (l.dir1 != 0) {
                    *dir_ref = entity_of(l.dir1);
                    *dir_flag = 1;
                } else if (l.dir2 != 0) {
                    *dir_ref = entity_of(l.dir2);
                    *dir_flag = 0;
                }
                return 0;
            });
        });
    if (st != 0) kx::clear(target_face, tool_face, dir_ref);
    return caught ? kHostError : st;
}

KXAPI int KX_MODL_ask_thru_faces(tag feature, tag* face1, tag* face2) {
    return reference_frame(
        [&] {
            kx::clear(face1, face2);
            return kx::check({{face1, 2}, {face2, 3}});
        },
        [&]() -> int {
            if (!kx::modl::is_feature(feature)) return 0;
            unsigned int refs[2] = {0, 0};
            const int n = FEAT_ask_thru_refs(feature, refs);
            if (n >= 1) *face1 = entity_of(refs[0]);
            if (n >= 2) *face2 = entity_of(refs[1]);
            return 0;
        });
}

KXAPI int KX_MODL_reattach_tool_face(tag feature, tag face, logical flag) {
    return reference_frame([] { return 0; },
                           [&]() -> int {
                               if (!kx::modl::is_feature(feature)) return kMissing;
                               const LinkFaces links = link_faces(feature);
                               int st = links.found && links.tool != 0 ? 0 : kMissing;
                               if (!has_kernel_entity(face)) st = kNoKernelFace;
                               if (st != 0) return st;
                               const unsigned int ref = fref_of(face);
                               if (int code = check_reference(feature, ref, 0)) return code;
                               if (!is_face(face)) return kWrongType;
                               if (!MODL__is_ref_good_for_att(ref)) return KX_MODL_ERR_NOT_PLANAR_FACE;
                               MODL__reattach_tool_face(feature, ref, static_cast<char>(flag));
                               return 0;
                           });
}

KXAPI int KX_MODL_reattach_dir_ref(tag feature, tag entity, int value, logical flag) {
    return redirect(feature, entity, value, flag, nullptr);
}

KXAPI int KX_MODL_reverse_dir_ref(tag feature, tag entity, int value, logical flag, logical flip) {
    return redirect(feature, entity, value, flag, &flip);
}

KXAPI int KX_MODL_calculate_ref_dir(tag feature, tag face, int value, tag entity, double direction[3]) {
    bool caught = false;
    const int st = kx::frame(
        kx::standard, kx::on_error([&] { caught = true; }), [&] { return kx::check({{direction, 5}}); },
        [&]() -> int {
            int code = 0;
            const bool edge = is_edge(entity);
            unsigned int ref = 0;
            if (!edge && !is_face(entity)) {
                code = kWrongType;
            } else {
                ref = edge ? eref_of(entity) : fref_of(entity);
                if (ref == 0) code = kMissing;
            }
            unsigned int face_ref = 0;
            if (!is_face(face)) {
                code = kWrongType;
            } else {
                face_ref = fref_of(face);
                if (face_ref == 0) code = kMissing;
            }
            if (code != 0) return code;
            return RPO_calculate_ref_dir(feature, face_ref, value, ref, direction);
        });
    return caught ? kHostError : st;
}

KXAPI int KX_MODL_ask_sketch_of_sweep(tag feature, tag* sketch) {
    return reference_frame(
        [&] {
            kx::clear(sketch);
            return kx::check({{sketch, 2}});
        },
        [&]() -> int {
            if (!kx::modl::is_feature(feature) || !ui_is_sweep_feature(feature)) return kMissing;
            int n = 0;
            unsigned int* raw = nullptr;
            SKET_ask_asso_sket_frecs(feature, &n, &raw);
            const tag first = n > 0 ? raw[0] : NULL_TAG;
            SM_free(raw);
            if (first == NULL_TAG) return kMissing;
            *sketch = first;
            return 0;
        });
}
