// Edge topology queries: the body, faces and features of an edge, its
// vertices and curve class, the edges it was split into, the live edge of
// a recorded one, and the edges that meet it at either end.
#include <algorithm>
#include <utility>
#include <vector>

#include "kx_codes.h"
#include "kx_modl.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/core/kx_list.h"
#include "libkxapi/modl/kx_modl_query.h"
#include "libkxapi/modl/kx_modl_topology.h"

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/occurrences.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/topology.h"
#include "host/numeric/tolerances.h"
#include "host/base/services/memory.h"

namespace {

namespace tp = kx::modl::topology;

int check_edge(tag edge, int wrong_class = KX_MODL_ERR_BODY_EDGES_UNAVAILABLE) {
    return tp::check_entity(edge, tp::kEdge, wrong_class);
}

// The faces of an edge that have tags, in the context.
int edge_faces(const tp::Context& c, std::vector<tag>& out) {
    std::vector<int> found;
    if (int st = tp::connected(tp::kernel_entity(c.prototype), ZQ_CLASS_FACE, found)) return st;
    for (tag t : tp::tags_of(found, tp::Context{c.prototype, NULL_TAG}))
        if (t != NULL_TAG) out.push_back(c.out(t));
    return 0;
}

// The edges at a vertex other than the edge itself.
int edges_at(int vertex, int edge, std::vector<int>& out) {
    if (tp::connected(vertex, ZQ_CLASS_EDGE, out) != 0) return KX_MODL_ERR_CONNECTIVITY_FAILED;
    std::erase(out, edge);
    return 0;
}

// Distance from the vertex's point to the point (both in kernel lengths).
int distance_to(int vertex, const double point[3], double& distance) {
    int at = 0, ifail = 0;
    KI_idpofv(&vertex, &at, &ifail);
    if (ifail != 0 || at == 0) return KX_MODL_ERR_NO_FACE_RANGE;
    double xyz[3] = {0, 0, 0};
    KI_outpoi(&at, xyz, &ifail);
    if (ifail != 0) return KX_MODL_ERR_NO_FACE_RANGE;
    distance = h300_(xyz, point);
    return 0;
}

}  // namespace

KXAPI int KX_MODL_ask_edge_body(tag edge, tag* body) {
    return kx::frame(kx::no_check, [&] {
        kx::clear(body);
        if (int st = check_edge(edge)) return st;
        if (!body) return kx::param(2);
        es7009_(&edge, body);
        return 0;
    });
}

// Faces without a tag of their own are left out; none gives a null list.
KXAPI int KX_MODL_ask_edge_faces(tag edge, tag_list** faces) {
    return kx::frame(kx::no_check, [&] {
        kx::clear(faces);
        if (int st = check_edge(edge)) return st;
        if (!faces) return kx::param(2);
        const tp::Context c = tp::enter(edge, __func__);
        std::vector<tag> found;
        if (int st = edge_faces(c, found)) return st;
        *faces = tp::list_or_null(found);
        return 0;
    });
}

// The features of the edge's faces, each once, in the order met; the
// features belong to the faces of the prototype of an occurrence.
KXAPI int KX_MODL_ask_edge_feats(tag edge, tag_list** features) {
    return kx::frame(kx::arm_first, [&] {
        kx::clear(features);
        if (int st = check_edge(edge)) return st;
        if (!features) return kx::param(2);
        const tp::Context c = tp::enter(edge, "KX_MODL_ask_edge_faces");
        std::vector<tag> faces;
        if (int st = edge_faces(tp::Context{c.prototype, NULL_TAG}, faces)) return st;
        std::vector<tag> found;
        for (tag face : faces)
            if (int st = tp::face_features(face, found)) return st;
        return kx::modl::hand_out_list(features, [&] { return kx::make_tag_list(found); });
    });
}

// An open edge has two vertices; a closed one has one, or none when it has
// no vertex at all (its points are then left as they were).
KXAPI int KX_MODL_ask_edge_verts(tag edge, double point1[3], double point2[3], int* count) {
    return kx::frame(kx::no_check, [&] {
        kx::clear(count);
        if (int st = check_edge(edge)) return st;
        if (int st = kx::check({{point1, 2}, {point2, 3}, {count, 4}})) return st;
        const bool occurrence = OCC_is_occurrence(edge);
        const tag target = occurrence ? OCC_ask_prototype_of_occ(edge) : edge;
        int closed = 0, no_vertex = 0;
        PX_edge_is_closed(target, &closed, &no_vertex);
        const int n = !closed ? 2 : no_vertex ? 0 : 1;
        if (n > 0) {
            double a[3], b[3];
            PX_edge_ask_vertices(target, a, b);
            if (occurrence) {
                OCC_transform_point(edge, a, a);
                OCC_transform_point(edge, b, b);
            }
            std::copy(a, a + 3, point1);
            std::copy(b, b + 3, point2);
        }
        *count = n;
        return 0;
    });
}

KXAPI int KX_MODL_ask_edge_type(tag edge, int* type) {
    return kx::frame(kx::no_check, [&] {
        kx::clear(type);
        if (!type) return kx::param(2);
        int t = 0;
        PX_edge_ask_type(OCC_is_occurrence(edge) ? OCC_ask_prototype_of_occ(edge) : edge, &t);
        *type = t >= ZQ_CURVE_LINE && t <= ZQ_CURVE_OTHER ? t : 0;
        return 0;
    });
}

KXAPI int KX_MODL_ask_split_edges(tag edge, int* count, tag** edges) {
    return tp::split(edge, tp::kEdge, KX_MODL_ERR_FACE_DATA, __func__, PX_ask_split_edges, count, edges);
}

KXAPI int KX_MODL_ask_alive_edge(tag edge, tag* alive) {
    static constexpr tp::References kEdges{ASSO_ask_zr_tag_of_eref, EREF_ask_eref_of_edge, EREF_ask_jq_eid_of_eref};
    return tp::alive(edge, tp::kEdge, KX_MODL_ERR_BODY_EDGES_UNAVAILABLE, kEdges, alive);
}

// The edges meeting the edge at its vertices, the vertex nearer the point
// first; an end where no other edge meets gives a null list, and a lone
// second list moves to the first place.
KXAPI int KX_MODL_ask_cnnc_edges(tag edge, double point[3], tag_list** edges1, tag_list** edges2) {
    return kx::frame(kx::no_check, [&] {
        kx::clear(edges1, edges2);
        if (int st = kx::check({{point, 2}, {edges1, 3}, {edges2, 4}})) return st;
        double at[3] = {point[0], point[1], point[2]};
        if (int st = check_edge(edge, KX_MODL_ERR_INVALID_FEATURE)) return st;
        const tp::Context c = tp::enter(edge, __func__);
        if (c.occurrence()) OCC_untransform_point(edge, at, at);
        const int entity = tp::kernel_entity(c.prototype);
        std::vector<int> vertices;
        if (tp::connected(entity, ZQ_CLASS_VERTEX, vertices) != 0)
            return static_cast<int>(KX_MODL_ERR_CONNECTIVITY_FAILED);
        for (double& x : at) x *= pxsfac_[0];
        std::vector<int> lists[2];
        double distance[2] = {0, 0};
        for (std::size_t i = 0; i < 2 && i < vertices.size(); ++i) {
            if (int st = edges_at(vertices[i], entity, lists[i])) return st;
        }
        for (std::size_t i = 0; i < 2 && i < vertices.size(); ++i)
            if (!lists[i].empty())
                if (int st = distance_to(vertices[i], at, distance[i])) return st;
        if (lists[0].empty() && !lists[1].empty()) std::swap(lists[0], lists[1]);
        else if (!lists[0].empty() && !lists[1].empty() && distance[1] < distance[0]) std::swap(lists[0], lists[1]);
        const std::vector<tag> near = tp::tags_of(lists[0], c), far = tp::tags_of(lists[1], c);
        tag_list* first = tp::list_or_null(near);
        try {
            *edges2 = tp::list_or_null(far);
        } catch (...) {
            kx::release_list(&first, true);
            throw;
        }
        *edges1 = first;
        return 0;
    });
}
