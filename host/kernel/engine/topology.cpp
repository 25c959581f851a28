// Topology answers for the interface's face and edge queries: face types
// and classes, the topology class of a face, grid counts, the feature
// records on a face, the identifier reference map and the distance of two
// points (host/kernel/engine/topology.h).
#include <BRepAdaptor_Surface.hxx>
#include <BRep_Tool.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Iterator.hxx>

#include <algorithm>
#include <cmath>
#include <vector>

#include "host/kernel/engine/brep.h"
#include "host/kernel/engine/topology.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"

namespace hk = host::kernel;
namespace hd = host::kernel::detail;

namespace {

struct GridCounts {
    int u = 0, v = 0;
};

host::TagTable<GridCounts>& grid_counts() {
    static auto* const t = new host::TagTable<GridCounts>("face grid counts");
    return *t;
}
const bool registered = (grid_counts(), true);

// The kernel face of a live face object.
const TopoDS_Face& kernel_face(const host::Call& call, unsigned int face) {
    call.live(face);
    if (!ES_solid_is_a_face(face)) call.fail(HOST_ERR_WRONG_CLASS, "object %u is no face", face);
    const int entity = hk::entity_of(face);
    if (entity == 0) call.fail(HOST_ERR_DEAD_TAG, "face %u has no kernel face", face);
    return TopoDS::Face(hd::require_sub(call, entity, ZQ_CLASS_FACE).shape);
}

}  // namespace

extern "C" {

void es7172_(const unsigned int* face, int* face_class) {
    auto call = HOST_ENTRY(face ? *face : 0u, face_class);
    call.need(face, "the face");
    call.need(face_class, "the class output");
    const TopoDS_Face& f = kernel_face(call, *face);
    const bool offset = hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        return BRepAdaptor_Surface(f, Standard_False).GetType() == GeomAbs_OffsetSurface;
    });
    *face_class = static_cast<int>(call.int_out(0, offset ? PX_FACE_CLASS_OFFSET : 0));
}

void PX_face_ask_topol_type(unsigned int face, int* topology) {
    auto call = HOST_ENTRY(face, topology);
    call.need(topology, "the topology output");
    const TopoDS_Face& f = kernel_face(call, face);
    int loops = 0;
    std::vector<TopoDS_Shape> seams;
    for (TopoDS_Iterator w(f); w.More(); w.Next()) {
        if (w.Value().ShapeType() != TopAbs_WIRE) continue;
        ++loops;
        for (TopExp_Explorer e(w.Value(), TopAbs_EDGE); e.More(); e.Next()) {
            const TopoDS_Edge& edge = TopoDS::Edge(e.Current());
            if (!BRep_Tool::IsClosed(edge, f)) continue;
            if (std::none_of(seams.begin(), seams.end(), [&](const TopoDS_Shape& s) { return s.IsSame(edge); }))
                seams.push_back(edge);
        }
    }
    int answer = loops == 0 ? 1 : loops == 1 ? 2 : 3;
    if (!seams.empty()) answer = seams.size() == 1 ? 4 : 5;
    *topology = static_cast<int>(call.int_out(0, answer));
}

void ES_read_grid_counts(unsigned int face, int* u_count, int* v_count) {
    auto call = HOST_ENTRY(face, u_count, v_count);
    call.need(u_count, "the U count output");
    call.need(v_count, "the V count output");
    call.live(face);
    if (!ES_solid_is_a_face(face)) call.fail(HOST_ERR_WRONG_CLASS, "object %u is no face", face);
    const GridCounts* g = grid_counts().find(face);
    *u_count = static_cast<int>(call.int_out(0, g ? g->u : 0));
    *v_count = static_cast<int>(call.int_out(1, g ? g->v : 0));
}

double h300_(const double a[3], const double b[3]) {
    auto call = HOST_ENTRY(a, b);
    call.need(a, "the first point");
    call.need(b, "the second point");
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}



}  // extern "C"

namespace host::kernel {

void set_grid_counts(unsigned int face, int u_count, int v_count) {
    GridCounts& g = grid_counts()[face];
    g.u = u_count;
    g.v = v_count;
}

std::size_t direct_adjacency_walk(int body) {
    const detail::Body b = detail::find_body(body);
    if (!b) return 0;
    TopTools_IndexedDataMapOfShapeListOfShape faces_of_edge;
    TopExp::MapShapesAndAncestors(b->shape, TopAbs_EDGE, TopAbs_FACE, faces_of_edge);
    std::size_t shared = 0;
    for (TopExp_Explorer f(b->shape, TopAbs_FACE); f.More(); f.Next()) {
        TopTools_IndexedMapOfShape edges, adjacent;
        TopExp::MapShapes(f.Current(), TopAbs_EDGE, edges);
        for (int i = 1; i <= edges.Extent(); ++i)
            for (const TopoDS_Shape& g : faces_of_edge.FindFromKey(edges(i)))
                if (!g.IsSame(f.Current())) adjacent.Add(g);
        for (int j = 1; j <= adjacent.Extent(); ++j) {
            TopTools_IndexedMapOfShape theirs;
            TopExp::MapShapes(adjacent(j), TopAbs_EDGE, theirs);
            for (int i = 1; i <= edges.Extent(); ++i)
                if (theirs.Contains(edges(i))) ++shared;
        }
    }
    return shared;
}

}  // namespace host::kernel
