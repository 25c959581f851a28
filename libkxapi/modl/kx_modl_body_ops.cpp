// Mirror, trim, split and sew: the caller's tags turned into the host's
// kernel entities and lists, each host routine under its mark.
#include <span>
#include <utility>
#include <vector>

#include "host/apps/modeling/bodyops/body_ops.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/rm.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/queries.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/objects.h"
#include "kx_modl_body_ops.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/core/kx_list.h"

namespace {

constexpr const char* kMirrorMark = "Mirror Body (Kestrix Extension)";
constexpr const char* kSewMark = "Sew Bodies (Kestrix Extension)";
constexpr int kSewTargetRefused = KX_MODL_ERR_TRIM_FACE_OF_UDF;  // the host's one code for a face it cannot trim
constexpr int kSewToolRefused = KX_MODL_ERR_SEW_TOOL_REFUSED;

// A kernel list of the host, destroyed on every way out.
struct KernelList : kx::HostList {
    KernelList() { KI_crlist(KI_LIST_KERNEL, &id); }
    int count() const {
        int n = 0;
        KI_colist(id, &n);
        return n;
    }
};

int entity_of(tag object) { return TAG_ask_pointer_of_tag(object) ? ES_solid_ask_fermalith_tag(object) : 0; }

int kind_of_body(int body) {
    int type = 0;
    ZQ_BODY_ask_type(body, &type);
    return type;
}

bool is_type(tag object, int type, int subtype) {
    if (!TAG_ask_pointer_of_tag(object)) return false;
    int t = 0, s = 0;
    RM_ask_entity_type_and_subtype(object, &t, &s);
    return t == type && (subtype < 0 || s == subtype);
}

int split(int count, const tag* bodies, tag tool, int* n_results, tag** results) {
    // The caller's array is made last within the mark and handed over once
    // the mark is gone; a failure on the way frees it.
    kx::host_ptr<tag> out;
    int n_out = 0;
    const int st = kx::undo_bracket(1, nullptr, [&] {
        for (int i = 0; i < count; ++i)
            if (!is_type(bodies[i], HOST_TYPE_SOLID, HOST_SUBTYPE_BODY))
                ERROR_raise("kx_modl_body_ops", __LINE__, KX_MODL_ERR_NOT_A_BODY, "a split body is no body");
        int tool_type = 0, tool_subtype = 0;
        if (TAG_ask_pointer_of_tag(tool)) RM_ask_entity_type_and_subtype(tool, &tool_type, &tool_subtype);
        if (tool_type != HOST_TYPE_SOLID && tool_type != HOST_TYPE_PLANE && tool_type != HOST_TYPE_POINT &&
            tool_type != HOST_TYPE_DATUM_PLANE)
            ERROR_raise("kx_modl_body_ops", __LINE__, KX_MODL_ERR_WRONG_OBJECT, "the split tool is of no such type");
        KernelList in, pieces;
        for (int i = 0; i < count; ++i) KI_pttgli(in.id, 0, 1, entity_of(bodies[i]));
        int n = 0, error = 0;
        if (tool_type == HOST_TYPE_SOLID) {
            const int sheet = entity_of(tool);
            cm_ftn_split_solid(&in.id, &sheet, &pieces.id, &n, &error);
        } else {
            pxsplt_(&in.id, &count, &tool, &pieces.id, &n, &error);
        }
        if (error != 0) ERROR_raise("kx_modl_body_ops", __LINE__, KX_MODL_ERR_OPERATION_FAILED, "the split failed");
        std::vector<tag> made;
        for (int i = 1; i <= n; ++i) {
            int e = 0;
            KI_gttgli(pieces.id, i, &e);
            unsigned int object = 0;
            pxlook_(&e, &object);
            made.push_back(object);
        }
        out.reset(kx::copy_array<tag>(made));
        n_out = n;
        return 0;
    });
    if (st == 0) {
        *results = out.release();
        *n_results = n_out;
    }
    return st;
}

enum class SewKind { none, faces, bodies };

// The first target face and the first tool face of a sew of faces.
struct FirstFaces {
    tag target = NULL_TAG;
    tag tool = NULL_TAG;
};

// Sorts the targets and tools into the host's lists (the sew's rules).
int sort_sew(int n_targets, const tag* targets, int n_tools, const tag* tools, KernelList& bodies,
             KernelList& target_faces, KernelList& tool_faces, FirstFaces& first) {
    if (n_targets == 0) return kSewTargetRefused;
    if (n_tools == 0) return kSewToolRefused;
    SewKind kind = SewKind::none;
    unsigned int target_body = 0;
    for (int i = 0; i < n_targets && kind != SewKind::bodies; ++i) {
        const tag t = targets[i];
        const int e = t == NULL_TAG ? 0 : entity_of(t);
        if (e == 0) return kSewTargetRefused;
        if (is_type(t, HOST_TYPE_SOLID, HOST_SUBTYPE_FACE)) {
            const unsigned int body = ES_solid_ask_body(t);
            if (kind == SewKind::none) {
                first.target = t;
                target_body = body;
                KI_pttgli(bodies.id, 0, 1, entity_of(body));
                kind = SewKind::faces;
            } else if (body != target_body) {
                return kSewTargetRefused;
            }
            if (SEW_is_tool_body(body)) return kSewTargetRefused;
            KI_pttgli(target_faces.id, 0, 1, e);
        } else {
            // A body after faces would mix the kinds.
            if (kind != SewKind::none || kind_of_body(e) != ZQ_BODY_SHEET) return kSewTargetRefused;
            if (SEW_is_tool_body(t)) return kSewToolRefused;
            target_body = t;
            KI_pttgli(bodies.id, 0, 1, e);
            kind = SewKind::bodies;
        }
    }
    unsigned int tool_body = 0;
    for (int i = 0; i < n_tools; ++i) {
        const tag t = tools[i];
        const int e = t == NULL_TAG ? 0 : entity_of(t);
        if (e == 0) return kSewToolRefused;
        if (is_type(t, HOST_TYPE_SOLID, HOST_SUBTYPE_FACE)) {
            const unsigned int body = ES_solid_ask_body(t);
            if (kind != SewKind::faces || body == target_body || (tool_body != 0 && body != tool_body))
                return kSewToolRefused;
            if (SEW_is_tool_body(body)) return kSewTargetRefused;
            if (tool_body == 0) {
                first.tool = t;
                tool_body = body;
                KI_pttgli(bodies.id, 0, 1, entity_of(body));
            }
            KI_pttgli(tool_faces.id, 0, 1, e);
        } else {
            if (kind != SewKind::bodies || kind_of_body(e) != ZQ_BODY_SHEET || SEW_is_tool_body(t))
                return kSewToolRefused;
            KI_pttgli(bodies.id, 0, 1, e);
        }
    }
    return 0;
}

// 1 when the first target face and the first tool face are both faces of
// instances of sets.
int instance_flag(const FirstFaces& first) {
    int count = 0;
    for (tag face : {first.target, first.tool}) {
        if (face == NULL_TAG) continue;
        const unsigned int label = FREF_ask_face_label_of_fref(FREF_ask_fref_of_face(face));
        if (label != 0 && ISET_is_an_instance_frec(label)) ++count;
    }
    return count == 2 ? 1 : 0;
}

int sew(int option, int n_targets, const tag* targets, int n_tools, const tag* tools, double tolerance, int flag,
        tag_list** made, tag* feature) {
    // The sorting lists, the host's result list and the caller's list are
    // made and freed within the mark, so that a failure anywhere leaves
    // nothing behind; the caller gets the list only with the sew.
    // Deleted on every way out but the sew's.
    kx::TagListHolder held;
    unsigned int record = 0;
    const int st = kx::undo_bracket(1, kSewMark, [&] {
        std::vector<tag> out;
        {
            KernelList bodies, target_faces, tool_faces, results;
            FirstFaces first;
            if (int st = sort_sew(n_targets, targets, n_tools, tools, bodies, target_faces, tool_faces, first))
                return st;
            const int instances = option == 1 ? instance_flag(first) : 0;
            if (int st = SEW_create_frec(tolerance, flag != 0, instances, bodies.id, target_faces.id, tool_faces.id,
                                         results.id, &record))
                return st;
            for (int i = 1; i <= results.count(); ++i) {
                int e = 0;
                KI_gttgli(results.id, i, &e);
                unsigned int object = 0;
                pxlook_(&e, &object);
                out.push_back(object);
            }
        }
        held.list = kx::make_tag_list(out);
        return 0;
    });
    if (st != 0) return st;
    *feature = record;
    *made = std::exchange(held.list, nullptr);
    return 0;
}

}  // namespace

KXAPI int KX_MODL_create_mirror_body(tag body, tag plane, tag* feature) {
    return kx::frame(
        [&] {
            kx::clear(feature);
            return feature ? 0 : kx::param(3);
        },
        [&] {
            unsigned int record = 0;
            const int st = kx::undo_bracket(
                1, kMirrorMark, [&] { return MIRROR_create_frec(entity_of(body), 0, plane, 0, 0, &record); });
            if (st == 0) *feature = record;
            return st;
        });
}

KXAPI int KX_MODL_trim_body(tag body, tag tool, int side, tag* feature) {
    return kx::frame(
        kx::acknowledging,
        [&] {
            kx::clear(feature);
            return feature ? 0 : kx::param(4);
        },
        [&] {
            unsigned int record = 0;
            const int st = kx::undo_bracket(1, nullptr, [&] {
                const int trimmed = TRIM_body(body, tool, 1, side, 1, 0, &record);
                if (trimmed != 0) ERROR_raise("kx_modl_body_ops", __LINE__, trimmed, "the trim failed");
                return 0;
            });
            if (st == 0) *feature = record;
            return st;
        });
}

KXAPI int KX_MODL_split_body(int count, tag* bodies, tag tool, int* n_results, tag** results) {
    return kx::frame(
        kx::acknowledging,
        [&] {
            if (count < 1) return kx::param(1);
            kx::clear(n_results, results);
            return kx::check({{bodies, 2}, {n_results, 4}, {results, 5}});
        },
        [&] { return split(count, bodies, tool, n_results, results); });
}

KXAPI int KX_MODL_create_sew(int option, int n_targets, tag* targets, int n_tools, tag* tools,
                                        double tolerance, int flag, tag_list** bodies, tag* feature) {
    return kx::frame(
        kx::no_check,
        [&] {
            kx::clear(bodies, feature);
            if (n_targets < 0) return kx::param(2);
            if (n_targets > 0 && !targets) return kx::param(3);
            if (n_tools < 0) return kx::param(4);
            if (n_tools > 0 && !tools) return kx::param(5);
            return kx::check({{bodies, 8}, {feature, 9}});
        },
        [&] { return sew(option, n_targets, targets, n_tools, tools, tolerance, flag, bodies, feature); });
}

KXAPI int KX_MODL_create_multiple_sews(tag body, tag tool1, tag tool2, tag tool3, tag tool4, tag_list** sews,
                                                  tag_list** bodies) {
    // Under a frame of its own: a host error becomes the status.
    return kx::frame(
        kx::no_check,
        [&] {
            kx::clear(sews, bodies);
            return kx::check({{sews, 6}, {bodies, 7}});
        },
        [&] {
            const int entity = entity_of(body);
            if (entity == 0 || kind_of_body(entity) != ZQ_BODY_SHEET) return kSewTargetRefused;
            // The sews and the caller's lists are made under one mark: when
            // a list cannot be made, the sews go too. A sew that the host
            // refused keeps the ones made before it (the bracket's work
            // answers 0 then, and the refusal is the status).
            int refused = 0;
            kx::TagListHolder made, sewn;
            const int st = kx::undo_bracket(1, nullptr, [&] {
                int n_first = 0, n_second = 0;
                unsigned int* first = nullptr;
                unsigned int* second = nullptr;
                refused = SEW_create_multiple_sews(entity, tool1, tool2, tool3, tool4, 1, &n_first, &first, &n_second,
                                                   &second);
                kx::host_ptr<unsigned int> hold_first(first), hold_second(refused == 0 ? second : nullptr);
                if (n_first > 0 || refused == 0)
                    made.list = kx::make_tag_list(std::span<const tag>(first, static_cast<std::size_t>(n_first)));
                if (refused == 0)
                    sewn.list = kx::make_tag_list(std::span<const tag>(second, static_cast<std::size_t>(n_second)));
                return 0;
            });
            if (st != 0) return st;
            *sews = std::exchange(made.list, nullptr);
            *bodies = std::exchange(sewn.list, nullptr);
            return refused;
        });
}
