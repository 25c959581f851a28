// Feature queries: the body, faces and edges of a feature, its type, name,
// relatives and time stamp, its neighbours in time order and the current
// feature.
#include <algorithm>
#include <string>
#include <vector>

#include "kx_codes.h"
#include "kx_modl.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/modl/kx_modl_feature_ask.h"
#include "libkxapi/core/kx_list.h"
#include "libkxapi/modl/kx_modl_query.h"

#include "host/store/entities/entity_types.h"
#include "host/store/parts/rm.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/queries.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace kx::modl {

bool is_feature(tag object) {
    if (object == NULL_TAG || !TAG_ask_pointer_of_tag(object)) return false;
    return RM_ask_entity_type(object) == HOST_TYPE_FEATURE;
}

int check_body(tag body) {
    if (body == NULL_TAG || !TAG_ask_pointer_of_tag(body)) return KX_MODL_ERR_NO_OBJECT_DATA;
    int type = 0, subtype = 0;
    RM_ask_entity_type_and_subtype(body, &type, &subtype);
    return type == HOST_TYPE_SOLID && subtype == 0 ? 0 : KX_MODL_ERR_NOT_A_BODY;
}

std::vector<tag> objects_of(const int* entities, int count) {
    std::vector<tag> out;
    out.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        unsigned int o = 0;
        pxlook_(&entities[i], &o);
        out.push_back(o);
    }
    return out;
}

}  // namespace kx::modl

namespace {

namespace km = kx::modl;
using km::not_a_feature;

// The body object of a feature, 0 for none: its tool body while it is not
// added to a body, else the body it lives on.
tag body_of(tag feature) {
    const tag body = FREC_ask_body(feature);
    if (body != NULL_TAG) return body;
    return FREC_ask_tool_of_frec(feature);
}

// The faces the feature made on its body, as objects, in the kernel's order.
std::vector<tag> faces_of(tag feature) {
    int n = 0;
    int* raw = nullptr;
    ZQ_GROUP_ask_entities(feature, &n, &raw);
    kx::host_ptr<int> faces(raw);
    std::vector<tag> out;
    for (tag t : km::objects_of(faces.get(), n))
        if (t != NULL_TAG) out.push_back(t);
    return out;
}

// The edges of the faces, each once, in face order.
std::vector<tag> edges_of(const std::vector<tag>& faces) {
    std::vector<tag> out;
    for (tag face : faces) {
        const int entity = ES_solid_ask_fermalith_tag(face);
        if (entity == 0)
            ERROR_raise("kx_modl_feats", 0, KX_MODL_ERR_NO_KERNEL_ENTITY, "face %u has no kernel face", face);
        int* raw = nullptr;
        int n = 0;
        if (int st = KI_idcoen_sm(entity, ZQ_CLASS_EDGE, &raw, &n)) {
            kx::host_ptr<int> drop(raw);
            ERROR_raise("kx_modl_feats", 0, st, "the edges of face %u", face);
        }
        kx::host_ptr<int> edges(raw);
        for (tag e : km::objects_of(edges.get(), n))
            if (e != NULL_TAG && std::find(out.begin(), out.end(), e) == out.end()) out.push_back(e);
    }
    return out;
}

// The first browseable feature after (step 1) or before (step -1) the
// given one in time order; before it, the walk stops at a record that is
// not earlier than the given one. Records that are not browseable (the
// host's internal ones) are passed over.
tag neighbour(tag feature, int step) {
    for (tag candidate = FREC_ask_time_neighbour(feature, step); candidate != NULL_TAG;
         candidate = FREC_ask_time_neighbour(candidate, step)) {
        if (step < 0 && FREC_sort_frecs(candidate, feature) == 1) return NULL_TAG;
        if (FREC_is_browseable(candidate)) return candidate;
    }
    return NULL_TAG;
}

tag* tag_array(const std::vector<tag>& v) { return kx::copy_array<tag>(v); }

}  // namespace

KXAPI int KX_MODL_ask_feat_body(tag feature, tag* body) {
    // The output is cleared first: a feature without a body answers
    // NULL_TAG, never the caller's earlier value.
    return km::ask_of_feature(feature, body, [&] { return body_of(feature); });
}

KXAPI int KX_MODL_is_body_feature(tag feature, logical* answer) {
    return kx::frame(
        [&] {
            kx::clear(answer);
            return kx::check({{answer, 2}});
        },
        [&] {
            *answer = FREC_ask_body(feature) != NULL_TAG ? 1 : 0;
            return 0;
        });
}

KXAPI int KX_MODL_ask_feat_faces(tag feature, tag_list** faces) {
    return kx::frame(
        [&] { return faces ? 0 : kx::param(2); },
        [&] {
            // The check asks the host: it runs under the frame.
            if (int st = not_a_feature(feature)) return st;
            const std::vector<tag> found = faces_of(feature);
            return km::hand_out_list(faces, [&] { return kx::make_tag_list(found); });
        });
}

KXAPI int KX_MODL_ask_feat_edges(tag feature, tag_list** edges) {
    return kx::frame(
        [&] {
            if (!edges) return kx::param(2);
            return not_a_feature(feature);
        },
        [&] {
            *edges = kx::make_tag_list(edges_of(faces_of(feature)));
            return 0;
        });
}

KXAPI int KX_MODL_ask_feat_type(tag feature, char** type) {
    return km::ask_of_feature(feature, type, [&] {
        kx::host_ptr<char> kind(FREC_ask_feature_type(feature));
        return kx::dup_string(kind.get());
    });
}

KXAPI int KX_MODL_ask_feat_name(tag feature, char** name) {
    return km::ask_of_feature(feature, name, [&] {
        kx::host_ptr<char> text(FREC_ask_name(feature));
        return kx::dup_string(text.get());
    });
}

KXAPI int KX_MODL_ask_feat_relatives(tag feature, int* n_parents, tag** parents, int* n_children,
                                                tag** children) {
    return kx::frame(
        kx::standard, kx::before_check([&] {
            kx::clear(n_parents, parents, n_children, children);
            return 0;
        }),
        [&] {
            if (int st = kx::check({{n_parents, 2}, {parents, 3}, {n_children, 4}, {children, 5}})) return st;
            return not_a_feature(feature);
        },
        [&] {
            // The host's arrays are given back before anything is handed
            // out: a failed release fails the call with nothing handed out.
            std::vector<tag> found_p, found_c;
            {
                int n = 0;
                unsigned int* p = nullptr;
                FREC_ask_parents(feature, &n, &p);
                kx::host_ptr<unsigned int> hp(p);
                found_p.assign(p, p + n);
                unsigned int* c = nullptr;
                FREC_ask_children(feature, &n, &c);
                kx::host_ptr<unsigned int> hc(c);
                found_c.assign(c, c + n);
            }
            if (km::release_failed()) return 0;
            kx::host_ptr<tag> out_p(tag_array(found_p));
            kx::host_ptr<tag> out_c(tag_array(found_c));
            const int np = static_cast<int>(found_p.size()), nc = static_cast<int>(found_c.size());
            *n_parents = np;
            *parents = out_p.release();
            *n_children = nc;
            *children = out_c.release();
            return 0;
        });
}

KXAPI int KX_MODL_sort_features(tag feature1, tag feature2, int* order) {
    return kx::frame(
        [&] {
            kx::clear(order);
            return kx::check({{feature1 != NULL_TAG, 1}, {feature2 != NULL_TAG, 2}, {order, 3}});
        },
        [&] {
            *order = FREC_sort_frecs(feature1, feature2);
            return 0;
        });
}

KXAPI int KX_MODL_ask_time_stamp_of_feature(tag feature, int* time_stamp) {
    return kx::frame(
        [&] {
            kx::clear(time_stamp);
            return kx::check({{time_stamp, 2}});
        },
        [&] {
            *time_stamp = FREC_ask_time_stamp(feature);
            return 0;
        });
}

KXAPI int KX_MODL_ask_next_feature(tag feature, tag* next) {
    return kx::frame(
        [&] {
            kx::clear(next);
            return kx::check({{next, 2}});
        },
        [&] {
            *next = neighbour(feature, 1);
            return 0;
        });
}

KXAPI int KX_MODL_ask_previous_feature(tag feature, tag* previous) {
    return kx::frame(
        [&] {
            kx::clear(previous);
            return kx::check({{previous, 2}});
        },
        [&] {
            *previous = neighbour(feature, -1);
            return 0;
        });
}

KXAPI int KX_MODL_set_current_feature(tag feature) {
    return kx::frame([&] { return FREC_make_current_feature(feature); });
}

KXAPI int KX_MODL_ask_feat_object(tag feature, int* count, tag** objects) {
    return kx::frame(
        kx::arm_first,
        [&] {
            kx::clear(count, objects);
            return kx::check({{count, 2}, {objects, 3}});
        },
        [&] {
            // The host's array is given back before the copy is handed out:
            // a failed release fails the call with nothing handed out.
            std::vector<tag> shown;
            {
                int n = 0;
                unsigned int* raw = nullptr;
                MOD_UI_ask_disp_entity_of_frec(feature, &n, &raw);
                kx::host_ptr<unsigned int> held(raw);
                shown.assign(raw, raw + n);
            }
            if (km::release_failed()) return 0;
            *objects = kx::copy_array<tag>(shown);
            *count = static_cast<int>(shown.size());
            return 0;
        });
}

KXAPI int KX_MODL_ask_object_feat(tag object, tag* feature) {
    return kx::frame(
        kx::arm_first,
        [&] {
            kx::clear(feature);
            return kx::check({{object != NULL_TAG, 1}, {feature, 2}});
        },
        [&] {
            *feature = FREC_find_child_frec_of_so(object);
            return 0;
        });
}
