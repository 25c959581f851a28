// The class of an edge of a body: convex, concave or smooth by the turn of
// the normals of its two faces across it, judged at the edge's middle.
#include <BRepAdaptor_Curve.hxx>
#include <BRepAdaptor_Curve2d.hxx>
#include <BRepGProp_Face.hxx>
#include <BRep_Tool.hxx>
#include <BRepBuilderAPI_MakeSolid.hxx>
#include <BRepBuilderAPI_Sewing.hxx>
#include <BRepLib.hxx>
#include <TopoDS_Solid.hxx>
#include <ShapeBuild_ReShape.hxx>
#include <ShapeFix_Shape.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_ListOfShape.hxx>
#include <gp_Pnt.hxx>
#include <gp_Vec.hxx>

#include <vector>

#include "host/kernel/engine/brep.h"
#include "host/kernel/engine/brep_states.h"
#include "host/kernel/engine/codes.h"
#include "host/base/services/memory.h"

namespace {

namespace hd = host::kernel::detail;

// The unit normal of the face (outwards: with the face's orientation) where
// the edge runs at parameter t, and the edge's direction as the face's
// boundary runs (the face lies to the left of it about the normal).
void normal_and_direction(const TopoDS_Face& face, const TopoDS_Edge& edge, double t, gp_Vec& normal,
                          gp_Vec& direction) {
    TopoDS_Edge in_face = edge;
    for (TopExp_Explorer e(face, TopAbs_EDGE); e.More(); e.Next())
        if (e.Current().IsSame(edge)) {
            in_face = TopoDS::Edge(e.Current());
            break;
        }
    const BRepAdaptor_Curve2d uv(in_face, face);
    const gp_Pnt2d p = uv.Value(t);
    const BRepGProp_Face surface(face);
    gp_Pnt at;
    surface.Normal(p.X(), p.Y(), at, normal);
    if (normal.Magnitude() > 0) normal.Normalize();
    gp_Pnt on;
    const BRepAdaptor_Curve curve(edge);
    curve.D1(t, on, direction);
    if (direction.Magnitude() > 0) direction.Normalize();
    if (in_face.Orientation() == TopAbs_REVERSED) direction.Reverse();
}

}  // namespace

extern "C" int PX_BREP_ask_edge_class(int edge, double tolerance, int* edge_class) {
    auto call = HOST_ENTRY(edge, tolerance, edge_class);
    call.need(edge_class, "the edge class output");
    *edge_class = 0;
    hd::Body owner;
    const TopoDS_Edge e = TopoDS::Edge(hd::require_sub(call, edge, ZQ_CLASS_EDGE, &owner).shape);
    hd::ensure_started();
    *edge_class = hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        TopTools_IndexedDataMapOfShapeListOfShape uses;
        TopExp::MapShapesAndAncestors(owner->shape, TopAbs_EDGE, TopAbs_FACE, uses);
        const int i = uses.FindIndex(e);
        if (i == 0) return PX_BREP_EDGE_OPEN;
        std::vector<TopoDS_Face> faces;
        for (const TopoDS_Shape& f : uses(i)) {
            bool seen = false;
            for (const TopoDS_Face& g : faces) seen = seen || g.IsSame(f);
            if (!seen) faces.push_back(TopoDS::Face(f));
        }
        if (faces.size() < 2) return BRep_Tool::IsClosed(e, faces.front()) ? PX_BREP_EDGE_SMOOTH : PX_BREP_EDGE_OPEN;
        const BRepAdaptor_Curve curve(e);
        const double t = (curve.FirstParameter() + curve.LastParameter()) / 2;
        gp_Vec n1, n2, d1, d2;
        normal_and_direction(faces[0], e, t, n1, d1);
        normal_and_direction(faces[1], e, t, n2, d2);
        if (n1.Angle(n2) < tolerance) return PX_BREP_EDGE_SMOOTH;
        return n1.Crossed(n2).Dot(d1) > 0 ? PX_BREP_EDGE_CONVEX : PX_BREP_EDGE_CONCAVE;
    });
    return 0;
}

extern "C" int PX_BREP_ask_geometry(int n, const int entities[], int as_spline, int* n_geometry,
                                    PX_BREP_geometry_t** geometry, PX_BREP_state_t** states) {
    auto call = HOST_ENTRY(n, entities, as_spline, geometry);
    call.need(n_geometry, "the geometry count output");
    call.need(geometry, "the geometry output");
    call.need(states, "the state list output");
    *n_geometry = 0;
    *geometry = nullptr;
    *states = nullptr;
    if (n <= 0) return 0;
    call.need(entities, "the entities");
    auto* out = static_cast<PX_BREP_geometry_t*>(SM_alloc(static_cast<std::size_t>(n) * sizeof(PX_BREP_geometry_t)));
    PX_BREP_state_t* head = nullptr;
    PX_BREP_state_t** tail = &head;
    int result = 0;
    for (int i = 0; i < n; ++i) {
        PX_BREP_geometry_t& g = out[i];
        g = PX_BREP_geometry_t{};
        g.entity = entities[i];
        const hd::Loc* where = hd::locate(entities[i]);
        const int cls = where ? where->cls : 0;
        if (cls == ZQ_CLASS_FACE) {
            ZQ_FACE_ask_data(g.entity, &g.type, g.point, g.direction, &g.radius, &g.radius2, &g.sense);
            if (as_spline) ZQ_SURF_ask_bspline(g.entity, &g.spline);
        } else if (cls == ZQ_CLASS_EDGE) {
            ZQ_EDGE_ask_curve_data(g.entity, &g.type, g.point, g.direction, &g.radius);
            if (as_spline) ZQ_CURVE_ask_bspline(g.entity, &g.spline);
        } else if (cls == ZQ_CLASS_VERTEX) {
            ZQ_VERTEX_ask_point(g.entity, g.point);
        } else if (!where && hd::attached_geometry(g.entity, g)) {
        } else {
            g.type = -1;
            auto* s = new PX_BREP_state_t{};
            s->first = where ? KERNEL_ERR_WRONG_ENTITY : KERNEL_ERR_NO_ENTITY;
            s->second = g.entity;
            s->fourth = i;
            *tail = s;
            tail = &s->next;
            if (!result) result = s->first;
        }
    }
    *n_geometry = n;
    *geometry = out;
    *states = head;
    return result;
}

extern "C" int PX_BREP_free_geometry_data(int n, PX_BREP_geometry_t* geometry) {
    HOST_ENTRY(n, geometry);
    if (!geometry) return 0;
    for (int i = 0; i < n; ++i) ZQ_free_bspline(&geometry[i].spline);
    SM_free(geometry);
    return 0;
}

extern "C" int PX_BREP_release_topology(int n, const int bodies[]) {
    auto call = HOST_ENTRY(n, bodies);
    if (n > 0) call.need(bodies, "the bodies");
    for (int i = 0; i < n; ++i) {
        const hd::Body b = hd::require_body(call, bodies[i]);
        b->lookup.value.reset();
        b->mass.value.reset();
    }
    return 0;
}

extern "C" int PX_BREP_ask_topology_source(int entity, int* step) {
    auto call = HOST_ENTRY(entity, step);
    call.need(step, "the step output");
    *step = -1;
    const hd::Loc* where = hd::locate(entity);
    if (!where) call.fail(KERNEL_ERR_NO_ENTITY, "kernel tag %d is no entity", entity);
    if (where->cls != ZQ_CLASS_FACE && where->cls != ZQ_CLASS_EDGE) return 0;
    const hd::Body b = hd::find_body(where->body);
    for (std::size_t i = 0; i < b->steps.size() && *step < 0; ++i) {
        const hd::Named* named = b->steps[i]->named.get();
        if (!named) continue;
        const std::vector<hd::Sub>& subs = where->cls == ZQ_CLASS_FACE ? named->faces : named->edges;
        for (const hd::Sub& s : subs)
            if (s.tag == entity) {
                *step = static_cast<int>(i);
                break;
            }
    }
    return 0;
}

extern "C" int PX_BREP_heal_body(int body, double tolerance, double max_tolerance, int* changed,
                                 PX_BREP_state_t** states) {
    auto call = HOST_ENTRY(body, tolerance, max_tolerance, changed);
    call.need(changed, "the changed output");
    call.need(states, "the state list output");
    *changed = 0;
    *states = nullptr;
    const hd::Body old = hd::require_body(call, body);
    int fault = ZQ_FAULT_NONE;
    ZQ_BODY_check(body, &fault);
    hd::ensure_started();
    // A sound body is left as it is: healing would only touch tolerances.
    if (fault != ZQ_FAULT_NONE) {
        hd::Step s;
        s.kind = &hd::steps::imported;
        hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
            ShapeFix_Shape fix(old->shape);
            fix.SetPrecision(tolerance > 0 ? tolerance : 1e-7);
            fix.SetMaxTolerance(max_tolerance > 0 ? max_tolerance : 1e-3);
            fix.Perform();
            s.result = fix.Shape();
            if (s.result.IsNull() || s.result.IsSame(old->shape)) return;
            hd::Named named = hd::name_result(s.result, {&old->named()}, nullptr, s.names);
            // Mended faces and edges keep the tags of those they mend.
            const auto keep = [&](std::vector<hd::Sub>& now, const std::vector<hd::Sub>& was) {
                for (const hd::Sub& w : was) {
                    const TopoDS_Shape image = fix.Context()->Value(w.shape);
                    for (hd::Sub& n : now)
                        if (n.shape.IsSame(image)) n.tag = w.tag;
                }
            };
            keep(named.faces, old->named().faces);
            keep(named.edges, old->named().edges);
            s.named = std::make_shared<hd::Named>(std::move(named));
        });
        if (s.named) {
            // The mended shape is the body's from now on: a step that gives
            // it as it is.
            s.other = s.result;
            s.other_named = s.named;
            hd::BodyState b = *old;
            b.shape = s.result;
            b.set_named(s.named);
            b.add_step(std::move(s));
            hd::name_small(b, old.get());
            hd::commit({std::move(b)}, {});
            *changed = 1;
        }
    }
    int after = ZQ_FAULT_NONE;
    if (fault != ZQ_FAULT_NONE) {
        ZQ_BODY_check(body, &after);
        auto* st = new PX_BREP_state_t{};
        st->first = fault;
        st->second = body;
        double box[6];
        ZQ_TOPOL_find_box(body, box);
        for (int i = 0; i < 3; ++i) st->values[i] = (box[i] + box[i + 3]) / 2;
        st->third = after == ZQ_FAULT_NONE ? 1 : 0;
        *states = st;
    }
    return after == ZQ_FAULT_NONE ? 0 : KERNEL_ERR_INVALID_RESULT;
}

extern "C" int PX_BREP_make_body(const PX_BREP_face_set_t* faces, int* body, PX_BREP_state_t** states) {
    auto call = HOST_ENTRY(faces, body, states);
    call.need(faces, "the faces");
    call.need(body, "the body output");
    call.need(states, "the state list output");
    *body = 0;
    *states = nullptr;
    if (faces->n <= 0) call.fail(KERNEL_ERR_EMPTY_RESULT, "no faces to make a body of");
    call.need(faces->faces, "the face list");
    std::vector<TopoDS_Shape> taken;
    for (int i = 0; i < faces->n; ++i) taken.push_back(hd::require_sub(call, faces->faces[i], ZQ_CLASS_FACE).shape);
    hd::ensure_started();
    hd::Step s;
    s.kind = &hd::steps::imported;
    std::vector<gp_Pnt> free_edges;
    hd::guarded(call, KERNEL_ERR_NOT_DONE, [&] {
        BRepBuilderAPI_Sewing sew(faces->tolerance > 0 ? faces->tolerance : 1e-6);
        for (const TopoDS_Shape& f : taken) sew.Add(f);
        sew.Perform();
        TopoDS_Shape made = sew.SewedShape();
        for (int i = 1; i <= sew.NbFreeEdges(); ++i) {
            const BRepAdaptor_Curve c(sew.FreeEdge(i));
            free_edges.push_back(c.Value((c.FirstParameter() + c.LastParameter()) / 2));
        }
        if (free_edges.empty() && made.ShapeType() == TopAbs_SHELL) {
            BRepBuilderAPI_MakeSolid solid(TopoDS::Shell(made));
            TopoDS_Solid closed = solid.Solid();
            BRepLib::OrientClosedSolid(closed);
            made = closed;
        }
        s.result = made;
    });
    s.named = std::make_shared<hd::Named>(hd::name_result(s.result, {}, nullptr, s.names, false));
    *body = hd::commit_result(std::move(s));
    PX_BREP_state_t* head = nullptr;
    PX_BREP_state_t** tail = &head;
    for (const gp_Pnt& p : free_edges) {
        auto* st = new PX_BREP_state_t{};
        st->first = ZQ_CLASS_EDGE;
        st->second = *body;
        st->values[0] = p.X();
        st->values[1] = p.Y();
        st->values[2] = p.Z();
        *tail = st;
        tail = &st->next;
    }
    *states = head;
    return 0;
}
