// Face topology queries: the body, edges, loops, adjacent faces and shared
// edges of a face, its features, periodicity, topology class, face type
// and torus type, the faces it was split into, its grid counts and the
// live face of a recorded one; and the steps the edge queries share with
// them (kx_modl_topology.h).
#include <algorithm>
#include <cmath>
#include <unordered_set>
#include <vector>

#include "kx_codes.h"
#include "kx_modl.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/core/kx_list.h"
#include "libkxapi/modl/kx_modl_query.h"
#include "libkxapi/modl/kx_modl_topology.h"

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/entities/entity_store.h"
#include "host/kernel/curves/kernel_surfaces.h"
#include "host/store/entities/occurrences.h"
#include "host/store/entities/views.h"
#include "host/store/parts/rm.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/undo.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/face_data.h"
#include "host/kernel/engine/topology.h"
#include "host/model/feature/queries.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

// ---- shared steps ---------------------------------------------------------

namespace kx::modl::topology {

int check_entity(tag object, int subtype, int wrong_class) {
    if (object == NULL_TAG || !TAG_ask_pointer_of_tag(object)) return KX_MODL_ERR_NO_OBJECT_DATA;
    int type = 0, sub = 0;
    RM_ask_entity_type_and_subtype(object, &type, &sub);
    return type == 70 && sub == subtype ? 0 : wrong_class;
}

tag Context::out(tag object) const {
    if (!occurrence() || object == NULL_TAG) return object;
    return OCC_find_occurrence(part_occurrence, object);
}

Context enter(tag object, const char* function) {
    Context c{object, NULL_TAG};
    if (!OCC_is_occurrence(object)) return c;
    c.part_occurrence = OCC_ask_part_occurrence(object);
    c.prototype = OCC_ask_prototype_of_occ(object);
    if (!TAG_ask_tag_loaded(c.prototype))
        ERROR_raise("kx_modl_faces", 0, kx::kNotFullyLoaded, "Error code %d from %s", kx::kNotFullyLoaded, function);
    return c;
}

int kernel_entity(tag object) {
    int entity = 0;
    es7010_occ_(&object, &entity);
    if (entity == 0) ERROR_raise("kx_modl_faces", 0, KX_MODL_ERR_NO_KERNEL_ENTITY, "%s", "");
    return entity;
}

int connected(int entity, int cls, std::vector<int>& out) {
    out.clear();
    int* raw = nullptr;
    int n = 0;
    const int st = KI_idcoen_sm(entity, cls, &raw, &n);
    kx::host_ptr<int> held(raw);
    if (st != 0) return st;
    out.assign(raw, raw + n);
    return 0;
}

std::vector<tag> tags_of(const std::vector<int>& entities, const Context& context) {
    std::vector<tag> out;
    out.reserve(entities.size());
    for (int e : entities) {
        unsigned int object = 0;
        pxlook_(&e, &object);
        out.push_back(context.out(object));
    }
    return out;
}

tag_list* list_or_null(const std::vector<tag>& tags) { return tags.empty() ? nullptr : kx::make_tag_list(tags); }

int face_features(tag face, std::vector<tag>& out) {
    if (ES_solid_ask_fermalith_tag(face) == 0) return KX_MODL_ERR_NO_KERNEL_ENTITY;
    int n = 0;
    unsigned int* raw = nullptr;
    CM_ask_frecs_of_face(face, &n, &raw);
    kx::host_ptr<unsigned int> records(raw);
    if (n == 0) return KX_MODL_ERR_NO_INTERMEDIATE_LIST;
    for (int i = 0; i < n; ++i) {
        const tag feature = CM_ask_eid_of_object(raw[i]);
        if (feature == NULL_TAG || FREC_is_a_controlled_frec(feature)) continue;
        if (std::find(out.begin(), out.end(), feature) == out.end()) out.push_back(feature);
    }
    return 0;
}

int split(tag object, int subtype, int wrong_class, const char* function,
          void (*ask)(unsigned int, int*, unsigned int**), int* count, tag** pieces) {
    return kx::frame(kx::arm_first, [&] {
        kx::clear(count, pieces);
        if (int st = check_entity(object, subtype, wrong_class)) return st;
        if (int st = kx::check({{count, 2}, {pieces, 3}})) return st;
        const Context c = enter(object, function);
        int n = 0;
        unsigned int* raw = nullptr;
        ask(c.prototype, &n, &raw);
        kx::host_ptr<unsigned int> held(raw);
        for (int i = 0; i < n; ++i) raw[i] = c.out(raw[i]);
        *count = n;
        *pieces = held.release();
        return 0;
    });
}

int alive(tag object, int subtype, int wrong_class, const References& refs, tag* live) {
    return kx::frame(kx::arm_first, [&] {
        kx::clear(live);
        if (int st = check_entity(object, subtype, wrong_class)) return st;
        if (!live) return kx::param(2);
        const unsigned int recorded = ASSO_lookup_into_eid_ref_map(object);
        int entity = recorded ? refs.kernel_tag(recorded) : 0;
        if (entity == 0) return 0;
        unsigned int now = 0;
        pxlook_(&entity, &now);
        const unsigned int current = now ? refs.reference_of(now) : 0;
        if (current != 0) *live = refs.object_of(current);
        return 0;
    });
}

}  // namespace kx::modl::topology

namespace {

namespace tp = kx::modl::topology;
namespace km = kx::modl;

constexpr double kEqualRadii = 1e-10;

int check_face(tag face) { return tp::check_entity(face, tp::kFace, KX_MODL_ERR_FACE_DATA); }

// The edges of a face as kernel entities: 0 or the kernel's code.
int face_edges(tag prototype, std::vector<int>& edges) {
    return tp::connected(tp::kernel_entity(prototype), ZQ_CLASS_EDGE, edges);
}

// Face type and torus type take a face (of an occurrence too) and refuse
// anything else with 1105004 before their frame.
int check_typed_face(tag face, const void* output) {
    if (tp::check_entity(face, tp::kFace, 1) != 0) return kx::param(1);
    return output ? 0 : kx::param(2);
}

tag prototype_of(tag face) { return OCC_is_occurrence(face) ? OCC_ask_prototype_of_occ(face) : face; }

// Periodicity values: 1, -2 and -4 stand, 0 and -3 become 0; any other
// stays as it is and fails the query.
int normalised(int value, bool& bad) {
    if (value == 1 || value == -2 || value == -4) return value;
    if (value == 0 || value == -3) return 0;
    bad = true;
    return value;
}

}  // namespace

KXAPI int KX_MODL_ask_face_body(tag face, tag* body) {
    return kx::frame(kx::no_check, [&] {
        kx::clear(body);
        if (int st = check_face(face)) return st;
        if (!body) return kx::param(2);
        es7009_(&face, body);
        return 0;
    });
}

KXAPI int KX_MODL_ask_face_edges(tag face, tag_list** edges) {
    return kx::frame(kx::no_check, [&] {
        if (int st = check_face(face)) return st;
        if (!edges) return kx::param(2);
        const tp::Context c = tp::enter(face, __func__);
        std::vector<int> found;
        if (int st = face_edges(c.prototype, found)) return st;
        const std::vector<tag> tags = tp::tags_of(found, c);
        return km::hand_out_list(edges, [&] { return tp::list_or_null(tags); });
    });
}

KXAPI int KX_MODL_ask_adjac_faces(tag face, tag_list** faces) {
    return kx::frame(kx::no_check, [&] {
        if (int st = check_face(face)) return st;
        if (!faces) return kx::param(2);
        const tp::Context c = tp::enter(face, __func__);
        const int own = tp::kernel_entity(c.prototype);
        std::vector<int> edges;
        if (int st = tp::connected(own, ZQ_CLASS_EDGE, edges)) return st;
        if (edges.empty()) return 0;
        std::vector<int> adjacent;
        for (int e : edges) {
            std::vector<int> of_edge;
            if (tp::connected(e, ZQ_CLASS_FACE, of_edge) != 0)
                return static_cast<int>(KX_MODL_ERR_NO_INTERMEDIATE_LIST);
            for (int f : of_edge)
                if (f != own) adjacent.push_back(f);  // the list drops repeats
        }
        const std::vector<tag> tags = tp::tags_of(adjacent, c);
        return km::hand_out_list(faces, [&] { return kx::make_tag_list(tags); });
    });
}

KXAPI int KX_MODL_ask_face_loops(tag face, loop_list** loops) {
    return kx::frame(kx::no_check, [&] {
        kx::clear(loops);
        if (int st = check_face(face)) return st;
        if (!loops) return kx::param(2);
        const tp::Context c = tp::enter(face, __func__);
        std::vector<int> found;
        if (int st = tp::connected(tp::kernel_entity(c.prototype), ZQ_CLASS_LOOP, found)) return st;
        std::vector<kx::loop_spec> specs;
        for (int loop : found) {
            std::vector<int> edges;
            if (int st = tp::connected(loop, ZQ_CLASS_EDGE, edges)) return st;
            int kind = 0, ifail = 0;
            KI_enloty(&loop, &kind, &ifail);
            const int type = ifail != 0 ? 3 : kind == ZQ_LOOP_OUTER ? 1 : kind == ZQ_LOOP_INNER ? 2 : 3;
            specs.push_back({type, tp::tags_of(edges, c)});
        }
        *loops = kx::make_loop_list(specs);
        return 0;
    });
}

KXAPI int KX_MODL_ask_shared_edges(tag face1, tag face2, tag_list** edges) {
    return kx::frame(kx::no_check, [&] {
        kx::clear(edges);
        if (int st = check_face(face1)) return st;
        if (int st = check_face(face2)) return st;
        if (!edges) return kx::param(3);
        const tp::Context c1 = tp::enter(face1, __func__);
        const tp::Context c2 = tp::enter(face2, __func__);
        // Faces of different part occurrences (or an occurrence and a
        // prototype's face) share nothing.
        if (c1.part_occurrence != c2.part_occurrence) return 0;
        std::vector<int> first, second;
        if (int st = face_edges(c1.prototype, first)) return st;
        if (int st = face_edges(c2.prototype, second)) return st;
        const std::unordered_set<int> of_second(second.begin(), second.end());
        std::erase_if(first, [&](int e) { return !of_second.count(e); });
        *edges = tp::list_or_null(tp::tags_of(first, c1));
        return 0;
    });
}

KXAPI int KX_MODL_ask_face_feats(tag face, tag_list** features) {
    return kx::frame(kx::no_check, [&] {
        if (int st = check_face(face)) return st;
        if (!features) return kx::param(2);
        std::vector<tag> found;
        if (int st = tp::face_features(face, found)) return st;
        return km::hand_out_list(features, [&] { return kx::make_tag_list(found); });
    });
}

KXAPI int KX_MODL_ask_face_periodicity(tag face, int* u_status, double* u_period, int* v_status,
                                                  double* v_period) {
    return kx::frame(kx::no_check, [&] {
        if (int st = kx::check({{u_status, 2}, {u_period, 3}, {v_status, 4}, {v_period, 5}})) return st;
        if (face == NULL_TAG || !TAG_ask_pointer_of_tag(face)) return -1;
        unsigned int entity = 0;
        int count = 0;
        es7034_(&face, &entity, &count);
        if (entity == 0) return -1;
        int us = 0, vs = 0;
        PX_face_ask_surf_parm(entity, &us, &vs, u_period, v_period);
        bool bad = false;
        *u_status = normalised(us, bad);
        *v_status = normalised(vs, bad);
        return bad ? static_cast<int>(KX_MODL_ERR_OPERATION_FAILED) : 0;
    });
}

KXAPI int KX_MODL_ask_face_topology(tag face, int* topology) {
    return kx::frame(kx::no_check, [&] {
        kx::clear(topology);
        if (!topology) return kx::param(2);
        if (face == NULL_TAG || !TAG_ask_pointer_of_tag(face)) return 0;
        unsigned int entity = 0;
        int count = 0;
        es7034_(&face, &entity, &count);
        if (entity == 0) return 0;
        int t = 0;
        PX_face_ask_topol_type(entity, &t);
        *topology = t >= 1 && t <= 5 ? t : 0;
        return 0;
    });
}

KXAPI int KX_MODL_ask_face_type(tag face, int* type) {
    return kx::frame(kx::standard, [&] {
        if (int st = check_typed_face(face, type)) return st;
        const bool occurrence = OCC_is_occurrence(face);
        const tag target = prototype_of(face);
        int face_class = 0, surface = 0;
        if (!occurrence) es7172_(&face, &face_class);
        PX_face_ask_type(target, &surface);
        if (face_class == PX_FACE_CLASS_OFFSET || surface == ZQ_SURF_OFFSET) {
            *type = PX_FACE_TYPE_OFFSET;
            return 0;
        }
        int converted = surface;
        pxzrus_(&target, &converted);
        *type = converted;
        return 0;
    });
}

// The nearly equal radii come first: a torus whose radii differ by less
// than the tolerance is type 4 whichever is the larger.
KXAPI int KX_MODL_ask_face_torus_type(tag face, int* torus_type) {
    return kx::frame(kx::standard, [&] {
        if (int st = check_typed_face(face, torus_type)) return st;
        *torus_type = -1;
        unsigned char sense = 0;
        int kind = 0;
        double origin[3], axis[3], radii[2] = {0, 0};
        PX_face_ask_data(prototype_of(face), &sense, &kind, origin, axis, radii);
        if (kind != ZQ_SURF_TORUS) return kx::param(1);
        const double major = radii[0], minor = radii[1];
        if (std::abs(major - minor) <= kEqualRadii) *torus_type = 4;
        else if (major > minor) *torus_type = 1;
        else if (major > 0) *torus_type = 2;
        else if (major < 0 && -major < minor) *torus_type = 3;
        return 0;
    });
}

KXAPI int KX_MODL_ask_split_faces(tag face, int* count, tag** faces) {
    return tp::split(face, tp::kFace, KX_MODL_ERR_FACE_DATA, __func__, PX_ask_split_faces, count, faces);
}

// The grid counts of a face, or those of a body's faces where they agree
// (-1 where they do not). The query runs under an unnamed mark, rolled
// back when it fails and deleted when it succeeds.
KXAPI int KX_MODL_ask_face_grid_count(tag object, int* u_count, int* v_count) {
    return kx::frame(kx::acknowledging, [&] {
        // A tag of no object is refused before the outputs are cleared.
        if (object == NULL_TAG || !TAG_ask_pointer_of_tag(object)) return static_cast<int>(KX_MODL_ERR_NO_OBJECT_DATA);
        kx::clear(u_count, v_count);
        if (int st = kx::check({{u_count, 2}, {v_count, 3}})) return st;
        return kx::undo_bracket(UNDO_VISIBLE, nullptr, [&] {
            if (tp::check_entity(object, tp::kFace, 1) != 0 && tp::check_entity(object, tp::kBody, 1) != 0)
                return static_cast<int>(KX_MODL_ERR_FACE_DATA);
            unsigned int entity = 0;
            int n = 0;
            es7034_(&object, &entity, &n);
            if (entity != 0) {
                ES_read_grid_counts(entity, u_count, v_count);
                return 0;
            }
            unsigned int* raw = nullptr;
            PX_body_ask_faces_sm(object, &n, &raw);
            kx::host_ptr<unsigned int> faces(raw);
            for (int i = 0; i < n; ++i) {
                int u = 0, v = 0;
                ES_read_grid_counts(raw[i], &u, &v);
                if (i == 0) {
                    *u_count = u;
                    *v_count = v;
                    continue;
                }
                if (*u_count != -1 && u != *u_count) *u_count = -1;
                if (*v_count != -1 && v != *v_count) *v_count = -1;
            }
            return 0;
        });
    });
}

KXAPI int KX_MODL_ask_alive_face(tag face, tag* alive) {
    static constexpr tp::References kFaces{ASSO_ask_zr_tag_of_fref, FREF_ask_fref_of_face, FREF_ask_jq_eid_of_fref};
    return tp::alive(face, tp::kFace, KX_MODL_ERR_FACE_DATA, kFaces, alive);
}
