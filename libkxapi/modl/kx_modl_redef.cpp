// Redefinition of a feature's references: its target face and through faces
// checked against the feature and handed to the host, which records them for
// the next model update; and the queries of those references.
#include <string>
#include <vector>

#include "kx_codes.h"
#include "kx_modl_redef.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/modl/kx_modl_query.h"

#include "host/data/rm.h"
#include "host/feature/feature.h"
#include "host/feature/positioning.h"
#include "host/feature/redefine_refs.h"
#include "host/kernel/kernel.h"
#include "host/services/memory.h"
#include "host/services/objects.h"

namespace {

constexpr int kHostError = KX_MODL_ERR_NO_FACE_RANGE;        // 875030
constexpr int kMissing = KX_MODL_ERR_INVALID_FEATURE;        // 875008
constexpr int kWrongType = KX_MODL_ERR_WRONG_OBJECT;         // 875033
constexpr int kNoKernelFace = KX_MODL_ERR_NO_KERNEL_ENTITY;  // 875288
constexpr int kSolidType = 70;
constexpr int kFaceSubtype = 2;
constexpr int kMaxThru = 2;

bool is_face(tag object) {
    if (object == NULL_TAG || !host::objects::is_alive(object)) return false;
    int type = 0, subtype = 0;
    RM_ask_entity_type_and_subtype(object, &type, &subtype);
    return type == kSolidType && subtype == kFaceSubtype;
}

// The face reference of a face object (0 for none).
unsigned int fref_of(tag face) {
    if (face == NULL_TAG || !host::objects::is_alive(face)) return 0;
    return FREF_ask_fref_of_face(face);
}

// The face object of a reference (NULL_TAG for none).
tag face_of(unsigned int ref) { return ref == 0 ? NULL_TAG : ASSO_ask_jq_eid_of_fref(ref); }

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

// The frame of the reattaching functions and the reference queries: an
// unnamed mark around the checks and the change, rolled back on a host
// error; a host error answers 875030 in place of its own code.
template <class Prologue, class Work>
int reference_frame(Prologue&& prologue, Work&& work) {
    bool caught = false;
    const int st = kx::frame(kx::standard, kx::on_error([&] { caught = true; }), prologue,
                             [&] { return kx::undo_bracket(1, nullptr, work); });
    return caught ? kHostError : st;
}

// The checks a new face takes against the feature, in their order; the
// code of the last one that fails (0 for none). A check that needs the
// reference is skipped without one.
int check_reference(tag feature, unsigned int ref, int st, bool body_test = true) {
    if (ref == 0) return kMissing;
    if (body_test && !MODL_is_the_same_body(feature, ref)) st = KX_MODL_ERR_OTHER_BODY;
    if (!MODL_check_ref_time_stamp(feature, ref, 1)) st = KX_MODL_ERR_NEWER_THAN_FEATURE;
    return st;
}

}  // namespace

extern "C" KXAPI int KX_MODL_reattach_target_face(tag feature, tag face, int value1, int value2, logical flag) {
    return reference_frame(
        [] { return 0; },
        [&]() -> int {
            if (!kx::modl::is_feature(feature)) return kMissing;
            unsigned int target = 0, tool = 0, dir1 = 0, dir2 = 0;
            int st = 0;
            if (RPO_ask_frec_link_face_parms(feature, &target, &tool, &dir1, &dir2) != 0 || target == 0) st = kMissing;
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

extern "C" KXAPI int KX_MODL_reattach_thru_faces(tag feature, int count, tag faces[], logical flag) {
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
            std::vector<unsigned int> refs;
            for (int i = 0; i < count; ++i) {
                if (i >= have) st = kMissing;
                if (faces[i] == NULL_TAG || !host::objects::is_alive(faces[i]) ||
                    ES_solid_ask_fermalith_tag(faces[i]) == 0) {
                    st = kNoKernelFace;
                    continue;
                }
                if (st != 0) continue;
                const unsigned int ref = fref_of(faces[i]);
                st = check_reference(feature, ref, st);
                if (st == 0 && !is_face(faces[i])) st = kWrongType;
                refs.push_back(ref);
            }
            if (st != 0) return st;
            MODL__reattach_thru_faces(feature, count, refs.data(), static_cast<char>(flag));
            return 0;
        });
}

extern "C" KXAPI int KX_MODL_add_thru_faces(tag feature, int count, tag faces[]) {
    return kx::frame(
        [&] {
            if (count < 0 || count > kMaxThru) return kx::param(2);
            return kx::check({{count == 0 || faces, 3}});
        },
        [&] {
            return kx::undo_bracket(1, nullptr, [&]() -> int {
                if (!kx::modl::is_feature(feature)) return kMissing;
                unsigned int target = 0, tool = 0, dir1 = 0, dir2 = 0;
                RPO_ask_frec_link_face_parms(feature, &target, &tool, &dir1, &dir2);
                std::vector<unsigned int> refs;
                for (int i = 0; i < count; ++i) {
                    const tag f = faces[i];
                    if (f == NULL_TAG) return kx::param(3);
                    if (!host::objects::is_alive(f)) return KX_MODL_ERR_NO_OBJECT_DATA;
                    if (!is_face(f)) return kWrongType;
                    if (ES_solid_ask_fermalith_tag(f) == 0) return kNoKernelFace;
                    const unsigned int ref = fref_of(f);
                    if (ref == 0) return kMissing;
                    if (ref == target) return KX_MODL_ERR_THRU_IS_TARGET;
                    if (!MODL_is_the_same_body(feature, ref)) return KX_MODL_ERR_OTHER_BODY;
                    if (!MODL_check_ref_time_stamp(feature, ref, 1)) return KX_MODL_ERR_NEWER_THAN_FEATURE;
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

extern "C" KXAPI int KX_MODL_remove_thru_faces(tag feature) {
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

extern "C" KXAPI int KX_MODL_ask_link_faces(tag feature, tag* target_face, tag* tool_face, tag* dir_ref,
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
                unsigned int target = 0, tool = 0, dir1 = 0, dir2 = 0;
                if (!kx::modl::is_feature(feature) ||
                    RPO_ask_frec_link_face_parms(feature, &target, &tool, &dir1, &dir2) != 0)
                    return kMissing;
                *target_face = face_of(target);
                *tool_face = face_of(tool);
                if (dir1 != 0) {
                    *dir_ref = face_of(dir1);
                    *dir_flag = 1;
                } else if (dir2 != 0) {
                    *dir_ref = face_of(dir2);
                    *dir_flag = 0;
                }
                return 0;
            });
        });
    if (st != 0) kx::clear(target_face, tool_face, dir_ref);
    return caught ? kHostError : st;
}

extern "C" KXAPI int KX_MODL_ask_thru_faces(tag feature, tag* face1, tag* face2) {
    return reference_frame(
        [&] {
            kx::clear(face1, face2);
            return kx::check({{face1, 2}, {face2, 3}});
        },
        [&]() -> int {
            if (!kx::modl::is_feature(feature)) return 0;
            unsigned int refs[2] = {0, 0};
            const int n = FEAT_ask_thru_refs(feature, refs);
            if (n >= 1) *face1 = face_of(refs[0]);
            if (n >= 2) *face2 = face_of(refs[1]);
            return 0;
        });
}
