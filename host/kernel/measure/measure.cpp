// Measurement by the solid kernel: face parameters and properties,
// oriented boxes, distances between objects (with hints, and to facetted
// models), extreme points, geometry and topology comparison, kernel points
// and their containment in bodies, points along curves and wire bodies of
// curve objects (host/kernel/measure/measure.h).
#include <BRepAdaptor_Curve.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepBuilderAPI_MakeVertex.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepClass3d_SolidClassifier.hxx>
#include <BRepExtrema_DistShapeShape.hxx>
#include <BRepLProp_SLProps.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <Bnd_OBB.hxx>
#include <GCPnts_TangentialDeflection.hxx>
#include <GeomAPI_ProjectPointOnCurve.hxx>
#include <GeomAPI_ProjectPointOnSurf.hxx>
#include <GeomAdaptor_Curve.hxx>
#include <Geom_TrimmedCurve.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS_Compound.hxx>
#include <gp_Pln.hxx>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <optional>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_types.h"
#include "host/kernel/mesh/facet.h"
#include "host/kernel/engine/brep.h"
#include "host/kernel/measure/measure.h"
#include "host/numeric/curve_kernel.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace hd = host::kernel::detail;
namespace hk = host::kernel;

namespace host::kernel::detail {

struct Classifier {
    mutable BRepClass3d_SolidClassifier classifier;
};

}  // namespace host::kernel::detail

namespace {

constexpr double kClassifyTolerance = 1e-7;
constexpr double kSameTolerance = 1e-6;

void put(double* out, const gp_XYZ& v) {
    out[0] = v.X();
    out[1] = v.Y();
    out[2] = v.Z();
}
gp_Pnt pnt(const double* p) { return gp_Pnt(p[0], p[1], p[2]); }

// Kernel points: a service, not model state (they live for one query).
struct Points {
    std::map<int, gp_Pnt> points;
};
Points& points() { return host::service_state<Points>("kernel points"); }
const bool registered = (points(), true);

// The edges of a host curve object over its range.
TopoDS_Shape curve_shape(const host::Call& call, unsigned int object) {
    std::optional<hostnum::Curve> c = host::curves::curve_of(object);
    if (!c) call.fail(MEASURE_ERR_NO_GEOMETRY, "object %u carries no curve", object);
    const auto k = hostnum::kernel_curve_of(c->record());
    if (!k) call.fail(MEASURE_ERR_NO_GEOMETRY, "the kernel takes no curve of object %u", object);
    double r[2];
    hostnum::curve_limits(c->record(), r);
    BRepBuilderAPI_MakeWire wire;
    TopoDS_Shape single;
    int n = 0;
    for (std::size_t i = 0; i < k->pieces.size(); ++i) {
        double u0 = 0, u1 = 0;
        if (!k->stretch(i, r[0], r[1], &u0, &u1)) continue;
        BRepBuilderAPI_MakeEdge e(k->pieces[i].curve, u0, u1);
        if (!e.IsDone()) call.fail(KERNEL_ERR_NO_ANSWER, "no edge of object %u", object);
        wire.Add(e.Edge());
        single = e.Edge();
        ++n;
    }
    if (n == 0) call.fail(MEASURE_ERR_NO_GEOMETRY, "object %u has an empty range", object);
    if (n == 1) return single;
    if (!wire.IsDone()) call.fail(KERNEL_ERR_NO_ANSWER, "no wire of object %u", object);
    return wire.Wire();
}

// The facets of a facetted model as faces.
TopoDS_Shape facet_shape(unsigned int model) {
    BRep_Builder b;
    TopoDS_Compound c;
    b.MakeCompound(c);
    std::vector<double> v;
    for (int f = FACET_ask_first_facet_id(model); f >= 0; f = FACET_ask_next_facet_id(model, f)) {
        const int n = FACET_ask_num_vertices_of_facet(model, f);
        if (n < 3) continue;
        v.resize(3 * static_cast<std::size_t>(n));
        FACET_ask_vertices_of_facet(model, f, reinterpret_cast<double(*)[3]>(v.data()));
        BRepBuilderAPI_MakePolygon poly;
        for (int i = 0; i < n; ++i) poly.Add(pnt(&v[3 * static_cast<std::size_t>(i)]));
        poly.Close();
        if (!poly.IsDone()) continue;
        BRepBuilderAPI_MakeFace face(poly.Wire(), Standard_True);
        if (face.IsDone()) b.Add(c, face.Face());
    }
    return c;
}

// The shape an object stands for: a body, face or edge its kernel entity,
// a point its vertex, a curve its edges, a facetted model its facets.
TopoDS_Shape object_shape(const host::Call& call, unsigned int object) {
    const host::objects::Object* o = host::objects::find(object);
    if (!o || !o->alive) call.fail(MEASURE_ERR_NO_GEOMETRY, "tag %u is not a live object", object);
    switch (o->type) {
        case HOST_TYPE_SOLID: {
            const int e = hk::entity_of(object);
            if (!e) call.fail(MEASURE_ERR_NO_GEOMETRY, "object %u has no kernel entity", object);
            return hd::shape_of(call, e);
        }
        case HOST_TYPE_POINT: {
            double p[3];
            ES_ask_coordinates_of_point(object, p);
            return BRepBuilderAPI_MakeVertex(pnt(p)).Vertex();
        }
        case HOST_TYPE_LINE:
        case HOST_TYPE_ARC:
        case HOST_TYPE_CONIC:
        case HOST_TYPE_SPLINE: return curve_shape(call, object);
        case HOST_TYPE_FACETED: return facet_shape(object);
        default: call.fail(MEASURE_ERR_NO_GEOMETRY, "object %u of type %d has no geometry to measure", object, o->type);
    }
}

const TopoDS_Face& face_entity(const host::Call& call, unsigned int face) {
    const int e = hk::entity_of(face);
    if (!e) call.fail(HOST_ERR_WRONG_CLASS, "object %u has no kernel face", face);
    return TopoDS::Face(hd::require_sub(call, e, ZQ_CLASS_FACE).shape);
}

// The closest pair of two shapes; where several are equally close, the one
// nearest to the hints given.
bool closest(const TopoDS_Shape& a, const TopoDS_Shape& b, const double* hint1, const double* hint2,
             MEASURE_distance_t* out) {
    BRepExtrema_DistShapeShape d(a, b);
    if (!d.IsDone() || d.NbSolution() < 1) return false;
    int best = 1;
    double best_cost = 0;
    for (int i = 1; i <= d.NbSolution(); ++i) {
        double cost = 0;
        if (hint1) cost += d.PointOnShape1(i).Distance(pnt(hint1));
        if (hint2) cost += d.PointOnShape2(i).Distance(pnt(hint2));
        if (i == 1 || cost < best_cost - 1e-12) {
            best = i;
            best_cost = cost;
        }
    }
    out->distance = d.Value();
    put(out->point1, d.PointOnShape1(best).XYZ());
    put(out->point2, d.PointOnShape2(best).XYZ());
    return true;
}

// Points of a face spread over its parameter box (n x n).
std::vector<gp_Pnt> face_samples(const TopoDS_Face& f, int n) {
    double u0, u1, v0, v1;
    BRepTools::UVBounds(f, u0, u1, v0, v1);
    const BRepAdaptor_Surface s(f, Standard_False);
    std::vector<gp_Pnt> out;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            out.push_back(s.Value(u0 + (u1 - u0) * (i + 0.5) / n, v0 + (v1 - v0) * (j + 0.5) / n));
    return out;
}

std::vector<gp_Pnt> edge_samples(const TopoDS_Edge& e, int n) {
    const BRepAdaptor_Curve c(e);
    std::vector<gp_Pnt> out;
    for (int i = 0; i <= n; ++i)
        out.push_back(c.Value(c.FirstParameter() + (c.LastParameter() - c.FirstParameter()) * i / n));
    return out;
}

Handle(Geom_Curve) basis(Handle(Geom_Curve) c) {
    while (!c.IsNull() && c->IsKind(STANDARD_TYPE(Geom_TrimmedCurve)))
        c = Handle(Geom_TrimmedCurve)::DownCast(c)->BasisCurve();
    return c;
}

bool on_surface(const std::vector<gp_Pnt>& ps, const TopoDS_Face& f) {
    const Handle(Geom_Surface) s = BRep_Tool::Surface(f);
    for (const gp_Pnt& p : ps) {
        GeomAPI_ProjectPointOnSurf proj(p, s);
        if (proj.NbPoints() < 1 || proj.LowerDistance() > kSameTolerance) return false;
    }
    return true;
}

bool on_curve(const std::vector<gp_Pnt>& ps, const TopoDS_Edge& e) {
    double first, last;
    const Handle(Geom_Curve) c = basis(BRep_Tool::Curve(e, first, last));
    if (c.IsNull()) return false;
    for (const gp_Pnt& p : ps) {
        GeomAPI_ProjectPointOnCurve proj(p, c);
        if (proj.NbPoints() < 1 || proj.LowerDistance() > kSameTolerance) return false;
    }
    return true;
}

// Two faces on one surface, or two edges on one curve (each way round).
bool same_geometry(const TopoDS_Shape& a, const TopoDS_Shape& b) {
    if (a.ShapeType() != b.ShapeType()) return false;
    if (a.ShapeType() == TopAbs_FACE) {
        const TopoDS_Face& fa = TopoDS::Face(a);
        const TopoDS_Face& fb = TopoDS::Face(b);
        return on_surface(face_samples(fa, 4), fb) && on_surface(face_samples(fb, 4), fa);
    }
    const TopoDS_Edge& ea = TopoDS::Edge(a);
    const TopoDS_Edge& eb = TopoDS::Edge(b);
    return on_curve(edge_samples(ea, 8), eb) && on_curve(edge_samples(eb, 8), ea);
}

// Loops, edges and vertices of a face or edge.
void counts_of(const TopoDS_Shape& s, int counts[3]) {
    TopTools_IndexedMapOfShape wires, edges, vertices;
    TopExp::MapShapes(s, TopAbs_WIRE, wires);
    TopExp::MapShapes(s, TopAbs_EDGE, edges);
    TopExp::MapShapes(s, TopAbs_VERTEX, vertices);
    counts[0] = wires.Extent();
    counts[1] = edges.Extent();
    counts[2] = vertices.Extent();
}

// The points of an adaptor between u0 and u1 within the deflections.
void deflection_points(const Adaptor3d_Curve& c, double angle, double chord, double step, std::vector<gp_Pnt>& out) {
    GCPnts_TangentialDeflection d(c, angle, chord, 2, 1e-9, 1e-9);
    for (int i = 1; i <= d.NbPoints(); ++i) {
        const gp_Pnt p = d.Value(i);
        if (!out.empty() && i == 1 && out.back().Distance(p) < 1e-12) continue;
        if (step > 0 && i > 1) {
            // Further points where neighbours lie farther apart than the step.
            const double t0 = d.Parameter(i - 1), t1 = d.Parameter(i);
            const int pieces = static_cast<int>(std::ceil(d.Value(i - 1).Distance(p) / step));
            for (int k = 1; k < pieces; ++k) out.push_back(c.Value(t0 + (t1 - t0) * k / pieces));
        }
        out.push_back(p);
    }
}

}  // namespace

namespace host::kernel::detail {

bool drop_point(int tag) { return points().points.erase(tag) == 1; }

}  // namespace host::kernel::detail

namespace host::measure {

int direct_containment(int body, const double* at, int count) {
    const hd::Body b = hd::find_body(body);
    if (!b) return 0;
    BRepClass3d_SolidClassifier c;
    c.Load(b->shape);
    int inside = 0;
    for (int i = 0; i < count; ++i) {
        c.Perform(pnt(at + 3 * i), kClassifyTolerance);
        if (c.State() == TopAbs_IN) ++inside;
    }
    return inside;
}

}  // namespace host::measure

extern "C" {

int MODL_ask_face_parm(unsigned int face, const double reference[3], double uv[2], double point[3]) {
    auto call = HOST_ENTRY(face, reference, uv, point);
    call.need(reference, "the reference point");
    call.need(uv, "the parameter output");
    call.need(point, "the point output");
    if (int st; call.status(st)) return st;
    if (!hk::entity_of(face)) return 1;
    const TopoDS_Face& f = face_entity(call, face);
    return hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        GeomAPI_ProjectPointOnSurf proj(pnt(reference), BRep_Tool::Surface(f));
        if (proj.NbPoints() < 1) call.fail(KERNEL_ERR_NO_ANSWER, "no foot on face %u", face);
        proj.LowerDistanceParameters(uv[0], uv[1]);
        put(point, proj.NearestPoint().XYZ());
        return 0;
    });
}

int MODL_ask_face_props(unsigned int face, const double uv[2], double point[3], double du[3], double dv[3],
                        double duu[3], double dvv[3], double unit_normal[3], double radii[2]) {
    auto call = HOST_ENTRY(face, uv, point, radii);
    for (const double* p :
         {uv, static_cast<const double*>(point), static_cast<const double*>(du), static_cast<const double*>(dv),
          static_cast<const double*>(duu), static_cast<const double*>(dvv), static_cast<const double*>(unit_normal),
          static_cast<const double*>(radii)})
        call.need(p, "an argument");
    if (int st; call.status(st)) return st;
    if (!hk::entity_of(face)) return 1;
    const TopoDS_Face& f = face_entity(call, face);
    return hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        const BRepAdaptor_Surface s(f);
        BRepLProp_SLProps props(s, uv[0], uv[1], 2, 1e-9);
        put(point, props.Value().XYZ());
        put(du, props.D1U().XYZ());
        put(dv, props.D1V().XYZ());
        put(duu, props.D2U().XYZ());
        put(dvv, props.D2V().XYZ());
        std::fill(unit_normal, unit_normal + 3, 0.0);
        if (props.IsNormalDefined()) {
            gp_Dir n = props.Normal();
            if (f.Orientation() == TopAbs_REVERSED) n.Reverse();
            put(unit_normal, n.XYZ());
        }
        radii[0] = radii[1] = 0;
        if (props.IsCurvatureDefined()) {
            const double k1 = props.MinCurvature(), k2 = props.MaxCurvature();
            radii[0] = std::abs(k1) > 1e-12 ? 1 / std::abs(k1) : 0;
            radii[1] = std::abs(k2) > 1e-12 ? 1 / std::abs(k2) : 0;
        }
        return 0;
    });
}

int BoxSurface(unsigned int object, double origin[3], double edges[9]) {
    auto call = HOST_ENTRY(object, origin, edges);
    call.need(origin, "the origin output");
    call.need(edges, "the edges output");
    if (int st; call.status(st)) return st;
    const int e = hk::entity_of(object);
    if (!e) return KERNEL_ERR_NO_ENTITY;
    const TopoDS_Shape s = hd::shape_of(call, e);
    try {
        Bnd_OBB box;
        BRepBndLib::AddOBB(s, box, Standard_False, Standard_True, Standard_False);
        if (box.IsVoid()) return KERNEL_ERR_NO_ANSWER;
        const gp_XYZ axes[3] = {box.XDirection(), box.YDirection(), box.ZDirection()};
        const double half[3] = {box.XHSize(), box.YHSize(), box.ZHSize()};
        gp_XYZ o = box.Center();
        for (int i = 0; i < 3; ++i) {
            o -= axes[i] * half[i];
            put(edges + 3 * i, axes[i] * (2 * half[i]));
        }
        put(origin, o);
        return 0;
    } catch (const Standard_Failure&) {
        return KERNEL_ERR_EXCEPTION;
    }
}

void s392_(const unsigned int* object1, const unsigned int* object2, const int* hint1, const double point1[3],
           const int* hint2, const double point2[3], double* distance, double closest1[3], double closest2[3],
           int* error) {
    auto call = HOST_ENTRY(object1 ? *object1 : 0u, object2 ? *object2 : 0u, hint1 ? *hint1 : 0, hint2 ? *hint2 : 0);
    call.need(object1, "the first object");
    call.need(object2, "the second object");
    call.need(hint1, "the first hint flag");
    call.need(hint2, "the second hint flag");
    call.need(distance, "the distance output");
    call.need(closest1, "the first point output");
    call.need(closest2, "the second point output");
    call.need(error, "the error output");
    *error = 0;
    if (int st; call.status(st)) {
        *error = st;
        return;
    }
    const TopoDS_Shape a = object_shape(call, *object1), b = object_shape(call, *object2);
    MEASURE_distance_t d{};
    const bool found = hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        return closest(a, b, *hint1 && point1 ? point1 : nullptr, *hint2 && point2 ? point2 : nullptr, &d);
    });
    if (!found) {
        *error = MEASURE_ERR_NO_ANSWER;
        return;
    }
    *distance = d.distance;
    std::copy(d.point1, d.point1 + 3, closest1);
    std::copy(d.point2, d.point2 + 3, closest2);
}

int FACET_measure_distance(unsigned int object1, unsigned int object2, MEASURE_distance_t* result, double* accuracy) {
    auto call = HOST_ENTRY(object1, object2, result, accuracy);
    call.need(result, "the result output");
    call.need(accuracy, "the accuracy output");
    if (int st; call.status(st)) return st;
    *accuracy = 0;
    for (unsigned int o : {object1, object2}) {
        const host::objects::Object* obj = host::objects::find(o);
        if (obj && obj->alive && obj->type == HOST_TYPE_FACETED && FACET_ask_definition(o) != 0) {
            FACET_parms_t p{};
            FACET_ask_parms_of_topology(o, &p);
            if (p.tolerance_1_set) *accuracy = std::max(*accuracy, p.tolerance_1_distance);
        }
    }
    const TopoDS_Shape a = object_shape(call, object1), b = object_shape(call, object2);
    try {
        return closest(a, b, nullptr, nullptr, result) ? 0 : MEASURE_ERR_NO_ANSWER;
    } catch (const Standard_Failure&) {
        return KERNEL_ERR_EXCEPTION;
    }
}

void KI_enexen(const int* entity, const double v1[3], const double v2[3], const double v3[3], double point[3], int* sub,
               int* ifail) {
    auto call = HOST_ENTRY(entity ? *entity : 0, v1, v2, v3);
    for (const double* v : {v1, v2, v3}) call.need(v, "a direction");
    call.need(entity, "the entity");
    call.need(point, "the point output");
    call.need(sub, "the sub-entity output");
    call.need(ifail, "the failure output");
    *sub = 0;
    *ifail = 0;
    if (int st; call.status(st)) {
        *ifail = st;
        return;
    }
    const gp_Vec d(v1[0], v1[1], v1[2]);
    if (!(d.Magnitude() > 1e-12)) {
        *ifail = MEASURE_ERR_BAD_DIRECTION;
        return;
    }
    hd::Body body;
    const TopoDS_Shape s = hd::shape_of(call, *entity, nullptr, &body);
    try {
        // The entity's points nearest to a plane beyond it, facing it; among
        // them the farthest along v2, then v3.
        Bnd_Box bb;
        BRepBndLib::Add(s, bb);
        double x0, y0, z0, x1, y1, z1;
        bb.Get(x0, y0, z0, x1, y1, z1);
        const gp_Pnt mid((x0 + x1) / 2, (y0 + y1) / 2, (z0 + z1) / 2);
        const double reach = gp_Pnt(x0, y0, z0).Distance(gp_Pnt(x1, y1, z1)) + 1;
        const gp_Dir n(d);
        const TopoDS_Face far = BRepBuilderAPI_MakeFace(gp_Pln(mid.Translated(gp_Vec(n) * reach), n), -4 * reach,
                                                        4 * reach, -4 * reach, 4 * reach)
                                    .Face();
        BRepExtrema_DistShapeShape dist(s, far);
        if (!dist.IsDone() || dist.NbSolution() < 1) {
            *ifail = KERNEL_ERR_NO_ANSWER;
            return;
        }
        const gp_Vec along[3] = {gp_Vec(v1[0], v1[1], v1[2]), gp_Vec(v2[0], v2[1], v2[2]), gp_Vec(v3[0], v3[1], v3[2])};
        int best = 1;
        for (int i = 2; i <= dist.NbSolution(); ++i) {
            const gp_Vec p(dist.PointOnShape1(i).XYZ()), q(dist.PointOnShape1(best).XYZ());
            for (const gp_Vec& v : along) {
                const double dp = p.Dot(v), dq = q.Dot(v);
                if (dp > dq + 1e-9) {
                    best = i;
                    break;
                }
                if (dp < dq - 1e-9) break;
            }
        }
        put(point, dist.PointOnShape1(best).XYZ());
        const int tag = body ? body->tag_of(dist.SupportOnShape1(best)) : 0;
        *sub = tag ? tag : *entity;
    } catch (const Standard_Failure&) {
        *ifail = KERNEL_ERR_EXCEPTION;
    }
}

void KI_eneqge(const int* geometry1, const int* geometry2, int* result, int* ifail) {
    auto call = HOST_ENTRY(geometry1 ? *geometry1 : 0, geometry2 ? *geometry2 : 0, result, ifail);
    call.need(geometry1, "the first geometry");
    call.need(geometry2, "the second geometry");
    call.need(result, "the result output");
    call.need(ifail, "the failure output");
    *result = 0;
    *ifail = 0;
    if (int st; call.status(st)) {
        *ifail = st;
        return;
    }
    const hd::Loc* a = hd::locate(*geometry1);
    const hd::Loc* b = hd::locate(*geometry2);
    if (!a || !b) {
        *ifail = KERNEL_ERR_NO_ENTITY;
        return;
    }
    if (a->cls != b->cls || (a->cls != ZQ_CLASS_FACE && a->cls != ZQ_CLASS_EDGE)) {
        *ifail = KERNEL_ERR_WRONG_ENTITY;
        return;
    }
    try {
        *result = same_geometry(hd::shape_of(call, *geometry1), hd::shape_of(call, *geometry2)) ? 1 : 0;
    } catch (const Standard_Failure&) {
        *ifail = KERNEL_ERR_EXCEPTION;
    }
}

int COMPARE_TOPOL_compare(unsigned int object1, unsigned int object2, int geometry, double tolerance, int* same,
                          int counts1[3], int counts2[3]) {
    auto call = HOST_ENTRY(object1, object2, geometry, tolerance);
    call.need(same, "the answer output");
    call.need(counts1, "the first counts output");
    call.need(counts2, "the second counts output");
    *same = 0;
    if (int st; call.status(st)) return st;
    const host::objects::Object* a = host::objects::find(object1);
    const host::objects::Object* b = host::objects::find(object2);
    const auto face_or_edge = [](const host::objects::Object* o) {
        return o && o->alive && o->type == HOST_TYPE_SOLID &&
               (o->subtype == HOST_SUBTYPE_FACE || o->subtype == HOST_SUBTYPE_EDGE);
    };
    if (!face_or_edge(a) || !face_or_edge(b) || a->subtype != b->subtype) return 1;
    const int ea = hk::entity_of(object1), eb = hk::entity_of(object2);
    if (!ea || !eb) return 2;
    try {
        const TopoDS_Shape sa = hd::shape_of(call, ea), sb = hd::shape_of(call, eb);
        counts_of(sa, counts1);
        counts_of(sb, counts2);
        bool equal = std::equal(counts1, counts1 + 3, counts2);
        if (equal && geometry) {
            // Every edge of the one has an edge of the other on its curve.
            TopTools_IndexedMapOfShape edges_a, edges_b;
            TopExp::MapShapes(sa, TopAbs_EDGE, edges_a);
            TopExp::MapShapes(sb, TopAbs_EDGE, edges_b);
            for (int i = 1; equal && i <= edges_a.Extent(); ++i) {
                bool found = false;
                for (int j = 1; !found && j <= edges_b.Extent(); ++j) {
                    const TopoDS_Edge& x = TopoDS::Edge(edges_a(i));
                    const TopoDS_Edge& y = TopoDS::Edge(edges_b(j));
                    BRepExtrema_DistShapeShape gap(x, y);
                    found = gap.IsDone() && gap.Value() <= std::max(tolerance, kSameTolerance) && same_geometry(x, y);
                }
                equal = found;
            }
        }
        *same = equal ? 1 : 0;
        return 0;
    } catch (const Standard_Failure&) {
        return 3;
    }
}

void PX_point_create(const double point[3], int* kernel_point) {
    auto call = HOST_ENTRY(point, kernel_point);
    call.need(point, "the point");
    call.need(kernel_point, "the point output");
    *kernel_point = hd::new_tag();
    points().points[*kernel_point] = pnt(point);
}

void KI_encont(const int* point, const int* body, int* answer, int* ifail) {
    auto call = HOST_ENTRY(point ? *point : 0, body ? *body : 0, answer, ifail);
    call.need(point, "the point");
    call.need(body, "the body");
    call.need(answer, "the answer output");
    call.need(ifail, "the failure output");
    *answer = 0;
    *ifail = 0;
    if (int st; call.status(st)) {
        *ifail = st;
        return;
    }
    const auto p = points().points.find(*point);
    if (p == points().points.end()) {
        *ifail = KERNEL_ERR_NO_ENTITY;
        return;
    }
    const hd::Body b = hd::find_body(*body);
    if (!b) {
        *ifail = KERNEL_ERR_NO_ENTITY;
        return;
    }
    try {
        if (hd::body_type(b->shape) != ZQ_BODY_SOLID) {
            BRepExtrema_DistShapeShape d(BRepBuilderAPI_MakeVertex(p->second).Vertex(), b->shape);
            *answer = d.IsDone() && d.Value() <= kClassifyTolerance ? MEASURE_ON : MEASURE_OUTSIDE;
            return;
        }
        // One classifier per state of the body, loaded on first use.
        if (!b->classifier.value) {
            auto made = std::make_shared<hd::Classifier>();
            made->classifier.Load(b->shape);
            b->classifier.value = made;
        }
        BRepClass3d_SolidClassifier& c = b->classifier.value->classifier;
        c.Perform(p->second, kClassifyTolerance);
        const TopAbs_State st = c.State();
        *answer = st == TopAbs_IN ? MEASURE_INSIDE : st == TopAbs_ON ? MEASURE_ON : MEASURE_OUTSIDE;
    } catch (const Standard_Failure&) {
        *ifail = KERNEL_ERR_EXCEPTION;
    }
}

void MODL_ask_curve_points(unsigned int curve, double chord, double angle, double step, int* count, double** points) {
    auto call = HOST_ENTRY(curve, chord, angle, step);
    call.need(count, "the count output");
    call.need(points, "the points output");
    *count = 0;
    *points = nullptr;
    if (!(chord > 0)) call.fail(MEASURE_ERR_CHORD_TOLERANCE, "the chordal tolerance %g is not positive", chord);
    if (!(angle > 0)) call.fail(MEASURE_ERR_ANGLE_TOLERANCE, "the angle tolerance %g is not positive", angle);
    if (!(step >= 0)) call.fail(MEASURE_ERR_STEP, "the step %g is negative", step);
    const host::objects::Object& o = call.live(curve);
    const double radians = angle * std::numbers::pi / 180;
    std::vector<gp_Pnt> out;
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        if (o.type == HOST_TYPE_SOLID) {
            const int e = hk::entity_of(curve);
            if (!e || o.subtype != HOST_SUBTYPE_EDGE) call.fail(HOST_ERR_WRONG_CLASS, "object %u is no edge", curve);
            const BRepAdaptor_Curve c(TopoDS::Edge(hd::require_sub(call, e, ZQ_CLASS_EDGE).shape));
            deflection_points(c, radians, chord, step, out);
            return;
        }
        std::optional<hostnum::Curve> c = host::curves::curve_of(curve);
        if (!c) call.fail(HOST_ERR_WRONG_CLASS, "object %u carries no curve", curve);
        const auto k = hostnum::kernel_curve_of(c->record());
        if (!k) call.fail(KERNEL_ERR_NO_ANSWER, "the kernel takes no curve of object %u", curve);
        double r[2];
        hostnum::curve_limits(c->record(), r);
        for (std::size_t i = 0; i < k->pieces.size(); ++i) {
            double u0 = 0, u1 = 0;
            if (!k->stretch(i, r[0], r[1], &u0, &u1)) continue;
            const GeomAdaptor_Curve a(k->pieces[i].curve, u0, u1);
            deflection_points(a, radians, chord, step, out);
        }
    });
    if (out.empty()) return;
    double* p = static_cast<double*>(SM_alloc(3 * out.size() * sizeof(double)));
    for (std::size_t i = 0; i < out.size(); ++i) put(p + 3 * i, out[i].XYZ());
    *points = p;
    *count = static_cast<int>(out.size());
}

void ZQ_CURVE_make_wire_body_2(unsigned int curve, int* body) {
    auto call = HOST_ENTRY(curve, body);
    call.need(body, "the body output");
    *body = 0;
    call.live(curve);
    const TopoDS_Shape edges = curve_shape(call, curve);
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        TopoDS_Shape wire = edges;
        if (wire.ShapeType() == TopAbs_EDGE) wire = BRepBuilderAPI_MakeWire(TopoDS::Edge(edges)).Wire();
        hd::BodyState b = hd::imported_body(call, wire);
        *body = b.tag;
        hd::commit({std::move(b)}, {}, false);
    });
}

}  // extern "C"
