// The solid kernel's skins (through_curves.h): strings of curves turned into wires,
// and the kernel's lofts, planar faces, pipe shells and fillings over them.
#include "host/kernel/ops/through_curves.h"

#include <BRepAdaptor_Curve.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepClass_FaceClassifier.hxx>
#include <BRepGProp.hxx>
#include <BRepLib_FindSurface.hxx>
#include <BRepOffsetAPI_MakeFilling.hxx>
#include <BRepOffsetAPI_MakePipeShell.hxx>
#include <BRepOffsetAPI_ThruSections.hxx>
#include <BRep_Builder.hxx>
#include <Law_Constant.hxx>
#include <Law_Linear.hxx>
#include <Law_S.hxx>
#include <BRep_Tool.hxx>
#include <TopoDS_Compound.hxx>
#include <GProp_GProps.hxx>
#include <Geom_Plane.hxx>
#include <ShapeFix_Face.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Vertex.hxx>
#include <TopoDS_Wire.hxx>

#include <cmath>
#include <vector>

#include "host/kernel/engine/brep.h"
#include "host/kernel/curves/derived_curves.h"
#include "host/kernel/engine/kernel.h"
#include "host/numeric/curve_kernel.h"
#include "host/numeric/curves.h"
#include "host/base/services/error.h"

namespace hk = host::kernel;
namespace hd = host::kernel::detail;

namespace {

using Call = host::Call;

// The wires of the strings, one per string; a string that makes no chain
// fails, or (lenient) gives no wires at all.
std::vector<TopoDS_Wire> wires_of(const Call& call, const ZQ_strings_t* s, bool lenient = false) {
    call.need(s, "the strings");
    std::vector<TopoDS_Wire> out;
    if (s->count <= 0) return out;
    call.need(s->per_string, "the objects per string");
    call.need(s->objects, "the objects");
    int at = 0;
    for (int i = 0; i < s->count; ++i) {
        std::vector<TopoDS_Edge> edges;
        for (int j = 0; j < s->per_string[i]; ++j) hd::object_edges(call, s->objects[at + j], edges);
        at += s->per_string[i];
        if (edges.empty() && lenient) return {};
        if (edges.empty()) call.fail(KERNEL_ERR_NOT_DONE, "string %d has no curves", i + 1);
        BRepBuilderAPI_MakeWire wire;
        for (const TopoDS_Edge& e : edges) {
            wire.Add(e);
            if (!wire.IsDone() && lenient) return {};
            if (!wire.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the curves of string %d do not run end to end", i + 1);
        }
        out.push_back(wire.Wire());
    }
    return out;
}

bool closed(const TopoDS_Wire& w, double tolerance) {
    TopoDS_Vertex a, b;
    TopExp::Vertices(w, a, b);
    if (a.IsNull() || b.IsNull()) return w.Closed();
    return BRep_Tool::Pnt(a).Distance(BRep_Tool::Pnt(b)) <= tolerance || w.Closed();
}

int commit(const Call& call, const TopoDS_Shape& shape) { return hd::commit_checked(call, shape, "skin"); }

// The plane of all the wires, when they have one.
bool plane_of(const std::vector<TopoDS_Wire>& wires, double tolerance, gp_Pln& plane) {
    TopoDS_Compound c;
    BRep_Builder b;
    b.MakeCompound(c);
    for (const TopoDS_Wire& w : wires) b.Add(c, w);
    BRepLib_FindSurface find(c, tolerance, Standard_True);
    if (!find.Found()) return false;
    const Handle(Geom_Plane) p = Handle(Geom_Plane)::DownCast(find.Surface());
    if (p.IsNull()) return false;
    plane = p->Pln();
    return true;
}

// The planar face bounded by the wires (null when they bound none).
TopoDS_Face try_plane_face(const std::vector<TopoDS_Wire>& wires) {
    gp_Pln plane;
    if (wires.empty() || !plane_of(wires, 1e-6, plane)) return {};
    BRepBuilderAPI_MakeFace face(plane, wires[0], Standard_True);
    if (!face.IsDone()) return {};
    for (std::size_t i = 1; i < wires.size(); ++i) face.Add(TopoDS::Wire(wires[i].Reversed()));
    ShapeFix_Face fix(face.Face());
    fix.FixOrientation();
    fix.Perform();
    return TopoDS::Face(fix.Face());
}

TopoDS_Face plane_face(const Call& call, const std::vector<TopoDS_Wire>& wires) {
    const TopoDS_Face f = try_plane_face(wires);
    if (f.IsNull()) call.fail(KERNEL_ERR_NOT_DONE, "the boundaries bound no planar face");
    return f;
}

}  // namespace

extern "C" {

void ZQ_SKIN_through(const ZQ_strings_t* sections, int solid, int ruled, int* body) {
    auto call = HOST_ENTRY(solid, ruled, body);
    call.need(body, "the body output");
    hd::ensure_started();
    const std::vector<TopoDS_Wire> wires = wires_of(call, sections);
    if (wires.size() < 2) call.fail(KERNEL_ERR_NOT_DONE, "%zu sections: two or more are needed", wires.size());
    *body = hd::guarded(call, KERNEL_ERR_NOT_DONE, [&] {
        BRepOffsetAPI_ThruSections algo(solid != 0, ruled != 0);
        for (const TopoDS_Wire& w : wires) algo.AddWire(w);
        algo.Build();
        if (!algo.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "no surface runs through the sections");
        return commit(call, algo.Shape());
    });
}

void ZQ_SKIN_plane(const ZQ_strings_t* boundaries, int* body) {
    auto call = HOST_ENTRY(body);
    call.need(body, "the body output");
    hd::ensure_started();
    const std::vector<TopoDS_Wire> wires = wires_of(call, boundaries);
    *body = hd::guarded(call, KERNEL_ERR_NOT_DONE, [&] { return commit(call, plane_face(call, wires)); });
}

void ZQ_SKIN_sweep(const ZQ_strings_t* guides, const ZQ_strings_t* sections, int solid, int* body) {
    [[maybe_unused]] auto call = HOST_ENTRY(solid, body);
    ZQ_SKIN_sweep_with(guides, sections, solid, nullptr, body);
}

void ZQ_SKIN_sweep_with(const ZQ_strings_t* guides, const ZQ_strings_t* sections, int solid,
                        const ZQ_SKIN_sweep_law_t* law, int* body) {
    auto call = HOST_ENTRY(solid, law, body);
    call.need(body, "the body output");
    hd::ensure_started();
    const std::vector<TopoDS_Wire> path = wires_of(call, guides);
    const std::vector<TopoDS_Wire> profiles = wires_of(call, sections);
    if (path.empty() || profiles.empty()) call.fail(KERNEL_ERR_NOT_DONE, "a sweep needs a guide and a section");
    const ZQ_SKIN_sweep_law_t plain{ZQ_SKIN_ORIENT_FIXED, {0, 0, 0}, nullptr, ZQ_SKIN_SCALE_CONSTANT, 0, {1, 1}};
    const ZQ_SKIN_sweep_law_t& l = law ? *law : plain;
    TopoDS_Wire aux;
    if (path.size() > 1) {
        aux = path[1];
    } else if (l.orientation == ZQ_SKIN_ORIENT_CURVE) {
        const std::vector<TopoDS_Wire> c = l.curve ? wires_of(call, l.curve) : std::vector<TopoDS_Wire>{};
        if (c.empty()) call.fail(KERNEL_ERR_BAD_PARAMETER, "the orientation curve is missing");
        aux = c[0];
    } else if (l.orientation < ZQ_SKIN_ORIENT_FIXED || l.orientation > ZQ_SKIN_ORIENT_VECTOR) {
        call.fail(KERNEL_ERR_BAD_PARAMETER, "orientation method %d cannot be swept", l.orientation);
    }
    const gp_Vec along(l.direction[0], l.direction[1], l.direction[2]);
    if (aux.IsNull() && l.orientation == ZQ_SKIN_ORIENT_VECTOR && along.Magnitude() < 1e-12)
        call.fail(KERNEL_ERR_BAD_PARAMETER, "the orientation direction has no length");
    Handle(Law_Function) scale;
    if (l.scaling == ZQ_SKIN_SCALE_CONSTANT) {
        if (!(l.factors[0] > 0)) call.fail(KERNEL_ERR_BAD_PARAMETER, "scale factor %g", l.factors[0]);
        if (l.factors[0] != 1) {
            Handle(Law_Constant) c = new Law_Constant();
            c->Set(l.factors[0], 0, 1);
            scale = c;
        }
    } else if (l.scaling == ZQ_SKIN_SCALE_LAW && (l.law == 1 || l.law == 2)) {
        if (!(l.factors[0] > 0) || !(l.factors[1] > 0))
            call.fail(KERNEL_ERR_BAD_PARAMETER, "scale factors %g and %g", l.factors[0], l.factors[1]);
        if (l.law == 1) {
            Handle(Law_Linear) c = new Law_Linear();
            c->Set(0, l.factors[0], 1, l.factors[1]);
            scale = c;
        } else {
            Handle(Law_S) c = new Law_S();
            c->Set(0, l.factors[0], 1, l.factors[1]);
            scale = c;
        }
    } else {
        call.fail(KERNEL_ERR_BAD_PARAMETER, "scaling method %d (law %d) cannot be swept", l.scaling, l.law);
    }
    if (!scale.IsNull() && profiles.size() > 1)
        call.fail(KERNEL_ERR_BAD_PARAMETER, "a scaled sweep takes one section");
    *body = hd::guarded(call, KERNEL_ERR_NOT_DONE, [&] {
        BRepOffsetAPI_MakePipeShell pipe(path[0]);
        if (!aux.IsNull()) pipe.SetMode(aux, Standard_False);
        else if (l.orientation == ZQ_SKIN_ORIENT_FRENET) pipe.SetMode(Standard_True);
        else if (l.orientation == ZQ_SKIN_ORIENT_VECTOR) pipe.SetMode(gp_Dir(along));
        if (scale.IsNull()) {
            for (const TopoDS_Wire& w : profiles) pipe.Add(w);
        } else {
            pipe.SetLaw(profiles[0], scale, Standard_False, Standard_False);
        }
        pipe.Build();
        if (!pipe.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the sections cannot be swept along the guide");
        bool all_closed = true;
        for (const TopoDS_Wire& w : profiles) all_closed = all_closed && closed(w, 1e-6);
        if (solid && all_closed) pipe.MakeSolid();
        return commit(call, pipe.Shape());
    });
}

void ZQ_SKIN_mesh(const ZQ_strings_t* primary, const ZQ_strings_t* cross, int* body) {
    auto call = HOST_ENTRY(body);
    call.need(body, "the body output");
    hd::ensure_started();
    const std::vector<TopoDS_Wire> p = wires_of(call, primary), c = wires_of(call, cross);
    if (p.size() < 2 || c.size() < 2) call.fail(KERNEL_ERR_NOT_DONE, "a mesh needs two strings each way");
    *body = hd::guarded(call, KERNEL_ERR_NOT_DONE, [&] {
        std::vector<TopoDS_Wire> all(p);
        all.insert(all.end(), c.begin(), c.end());
        gp_Pln plane;
        if (plane_of(all, 1e-6, plane)) {
            // A planar mesh: the plane bounded by the outer strings.
            BRepBuilderAPI_MakeWire outer;
            for (const TopoDS_Wire* w : {&p.front(), &c.back(), &p.back(), &c.front()})
                for (TopExp_Explorer e(*w, TopAbs_EDGE); e.More(); e.Next()) outer.Add(TopoDS::Edge(e.Current()));
            if (!outer.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the outer strings do not close");
            return commit(call, plane_face(call, {outer.Wire()}));
        }
        BRepOffsetAPI_MakeFilling fill;
        for (const TopoDS_Wire* w : {&p.front(), &c.back(), &p.back(), &c.front()})
            for (TopExp_Explorer e(*w, TopAbs_EDGE); e.More(); e.Next())
                fill.Add(TopoDS::Edge(e.Current()), GeomAbs_C0, Standard_True);
        for (std::size_t i = 1; i + 1 < p.size(); ++i)
            for (TopExp_Explorer e(p[i], TopAbs_EDGE); e.More(); e.Next())
                fill.Add(TopoDS::Edge(e.Current()), GeomAbs_C0, Standard_False);
        for (std::size_t i = 1; i + 1 < c.size(); ++i)
            for (TopExp_Explorer e(c[i], TopAbs_EDGE); e.More(); e.Next())
                fill.Add(TopoDS::Edge(e.Current()), GeomAbs_C0, Standard_False);
        fill.Build();
        if (!fill.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "no surface spans the mesh");
        return commit(call, fill.Shape());
    });
}

int ZQ_SKIN_is_closed(const ZQ_strings_t* strings, double tolerance) {
    auto call = HOST_ENTRY(tolerance);
    int status;
    if (call.status(status)) return status;
    const std::vector<TopoDS_Wire> wires = wires_of(call, strings);
    for (const TopoDS_Wire& w : wires)
        if (!closed(w, tolerance)) return 0;
    return wires.empty() ? 0 : 1;
}

int ZQ_SKIN_planarity(const ZQ_strings_t* strings, double tolerance) {
    auto call = HOST_ENTRY(tolerance);
    int status;
    if (call.status(status)) return status;
    hd::ensure_started();
    const std::vector<TopoDS_Wire> wires = wires_of(call, strings);
    gp_Pln plane;
    if (wires.empty() || !plane_of(wires, std::max(tolerance, 1e-7), plane)) return 1;
    for (const TopoDS_Wire& w : wires)
        if (!closed(w, tolerance)) return 2;
    if (wires.size() == 1) return 0;
    const TopoDS_Face outer = BRepBuilderAPI_MakeFace(plane, wires[0], Standard_True).Face();
    // Each hole lies wholly inside the first boundary and outside the others.
    for (std::size_t i = 1; i < wires.size(); ++i)
        for (TopExp_Explorer v(wires[i], TopAbs_VERTEX); v.More(); v.Next()) {
            BRepClass_FaceClassifier in(outer, BRep_Tool::Pnt(TopoDS::Vertex(v.Current())), tolerance);
            if (in.State() != TopAbs_IN) return 2;
        }
    return 0;
}

void ZQ_SKIN_replace_first(int body, int made) {
    auto call = HOST_ENTRY(body, made);
    if (body == made) call.fail(HOST_ERR_BAD_ARGUMENT, "body %d takes its own place", body);
    const hd::Body old = hd::require_body(call, body);
    const hd::Body m = hd::require_body(call, made);
    if (old->steps.empty() || !old->steps.front()->is(hd::steps::imported) || !old->steps.front()->named)
        call.fail(KERNEL_ERR_BAD_PARAMETER, "body %d was not made by a skin", body);
    hd::Named named = m->named();
    const hd::Named& was = *old->steps.front()->named;
    if (named.faces.size() == was.faces.size() && named.edges.size() == was.edges.size()) {
        for (std::size_t i = 0; i < named.faces.size(); ++i) named.faces[i].tag = was.faces[i].tag;
        for (std::size_t i = 0; i < named.edges.size(); ++i) named.edges[i].tag = was.edges[i].tag;
        named.pieces.clear();
    }
    for (auto* subs : {&named.faces, &named.edges})
        for (hd::Sub& x : *subs) x.object = 0;
    hd::BodyState b = *old;
    auto first = std::make_shared<hd::Step>(*b.steps.front());
    first->other = m->shape;
    first->other_named = std::make_shared<hd::Named>(std::move(named));
    first->edited = true;
    b.steps.front() = std::move(first);
    hd::commit({std::move(b)}, {made});
}

double ZQ_SKIN_enclosed_area(const ZQ_strings_t* string) {
    auto call = HOST_ENTRY(string);
    hd::ensure_started();
    const std::vector<TopoDS_Wire> wires = wires_of(call, string, true);
    try {
        const TopoDS_Face f = try_plane_face(wires);
        if (f.IsNull()) return 0;
        GProp_GProps props;
        BRepGProp::SurfaceProperties(f, props);
        return std::abs(props.Mass());
    } catch (const Standard_Failure&) {
        return 0;
    }
}

}  // extern "C"

std::vector<double> hk::skin_samples(const ZQ_strings_t& strings) {
    constexpr int kSamples = 5;
    const Call call("ZQ_SKIN_samples", nullptr);
    hd::ensure_started();
    std::vector<double> out;
    if (strings.count <= 0 || !strings.per_string || !strings.objects) return out;
    int total = 0;
    for (int i = 0; i < strings.count; ++i) total += strings.per_string[i];
    for (int i = 0; i < total; ++i) {
        std::vector<TopoDS_Edge> edges;
        hd::object_edges(call, strings.objects[i], edges);
        for (const TopoDS_Edge& e : edges) {
            const BRepAdaptor_Curve c(e);
            const double a = c.FirstParameter(), b = c.LastParameter();
            for (int k = 0; k < kSamples; ++k) {
                const gp_Pnt p = c.Value(a + (b - a) * k / (kSamples - 1));
                out.insert(out.end(), {p.X(), p.Y(), p.Z()});
            }
        }
    }
    return out;
}

void hd::object_edges(const host::Call& call, unsigned int object, std::vector<TopoDS_Edge>& out) {
    const int entity = hk::entity_of(object);
    if (entity != 0) {
        int cls = 0;
        const TopoDS_Shape s = hd::shape_of(call, entity, &cls);
        if (cls != ZQ_CLASS_EDGE) call.fail(KERNEL_ERR_WRONG_ENTITY, "object %u is no edge", object);
        out.push_back(TopoDS::Edge(s));
        return;
    }
    const auto rec = hk::curvefeat::curve_record(object);
    if (!rec) call.fail(KERNEL_ERR_WRONG_ENTITY, "object %u is no curve", object);
    const auto k = hostnum::geometry::build(rec->record());
    if (!k) call.fail(KERNEL_ERR_WRONG_ENTITY, "the kernel takes no curve of object %u", object);
    double lim[2];
    hostnum::curve_limits(rec->record(), lim);
    for (std::size_t p = 0; p < k->pieces.size(); ++p) {
        double u0 = 0, u1 = 0;
        if (!k->stretch(p, lim[0], lim[1], &u0, &u1)) continue;
        BRepBuilderAPI_MakeEdge edge(k->pieces[p].curve, u0, u1);
        if (!edge.IsDone()) call.fail(KERNEL_ERR_DEGENERATE, "curve %u has no length", object);
        out.push_back(edge.Edge());
    }
}
