// Queries of the solid kernel: topology walks, surface and curve data,
// evaluation, boxes, mass properties, distances, containment, checks,
// facets, and the kernel's own file format. Queries change nothing: the
// facets are made on a copy, so that no mesh is attached to shapes that
// undo marks keep.
#include <BRepAdaptor_Curve.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_Copy.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepClass3d_SolidClassifier.hxx>
#include <BRepExtrema_DistShapeShape.hxx>
#include <BRepGProp.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <BinTools.hxx>
#include <GeomConvert.hxx>
#include <Geom_BSplineCurve.hxx>
#include <Geom_BSplineSurface.hxx>
#include <Geom_RectangularTrimmedSurface.hxx>
#include <Geom_TrimmedCurve.hxx>
#include <TColStd_Array1OfReal.hxx>
#include <TColStd_Array2OfReal.hxx>
#include <TColgp_Array1OfPnt.hxx>
#include <TColgp_Array2OfPnt.hxx>
#include <Bnd_Box.hxx>
#include <GCPnts_AbscissaPoint.hxx>
#include <GProp_GProps.hxx>
#include <Poly_Triangulation.hxx>
#include <ShapeAnalysis_FreeBounds.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Iterator.hxx>
#include <gp_Pln.hxx>

#include <algorithm>
#include <cmath>
#include <fstream>

#include "host/store/entities/occurrences.h"
#include "host/kernel/engine/brep.h"
#include "host/kernel/engine/links.h"
#include "host/numeric/tolerances.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"

namespace hk = host::kernel;
namespace hd = host::kernel::detail;

namespace {

TopAbs_ShapeEnum kind_of(int cls) {
    switch (cls) {
        case ZQ_CLASS_VERTEX: return TopAbs_VERTEX;
        case ZQ_CLASS_EDGE: return TopAbs_EDGE;
        case ZQ_CLASS_LOOP: return TopAbs_WIRE;
        case ZQ_CLASS_FACE: return TopAbs_FACE;
        default: return TopAbs_SHAPE;
    }
}

int rank(int cls) {  // vertex 0 ... body 4
    return cls == ZQ_CLASS_BODY ? 4 : cls - ZQ_CLASS_VERTEX;
}

// The entities of class cls around an entity of the lower class own, in the
// kernel's order: one map of the body's shape for each pair of classes,
// kept with the body's state.
std::vector<int> around(const hd::BodyState& body, int own, int cls, int entity) {
    if (!body.around.value) body.around.value = std::make_shared<const hd::BodyState::Around>();
    auto& maps = body.around.value->by_classes;
    auto it = maps.find({own, cls});
    if (it == maps.end()) {
        TopTools_IndexedDataMapOfShapeListOfShape up;
        TopExp::MapShapesAndAncestors(body.shape, kind_of(own), kind_of(cls), up);
        std::unordered_map<int, std::vector<int>> m;
        for (int i = 1; i <= up.Extent(); ++i) {
            const int t = body.tag_of(up.FindKey(i));
            if (!t) continue;
            TopTools_IndexedMapOfShape found;
            for (const TopoDS_Shape& a : up(i)) found.Add(a);
            std::vector<int>& v = m[t];
            for (int j = 1; j <= found.Extent(); ++j)
                if (const int u = body.tag_of(found(j))) v.push_back(u);
        }
        it = maps.emplace(std::make_pair(own, cls), std::move(m)).first;
    }
    const auto at = it->second.find(entity);
    return at == it->second.end() ? std::vector<int>{} : at->second;
}

// Entities of class cls connected to the entity, in the kernel's order.
std::vector<int> connected(const host::Call& call, int entity, int cls) {
    int own = 0;
    hd::Body body;
    const TopoDS_Shape s = hd::shape_of(call, entity, &own, &body);
    std::vector<int> out;
    if (cls == ZQ_CLASS_BODY) {
        out.push_back(body->tag);
        return out;
    }
    if (cls < ZQ_CLASS_VERTEX || cls > ZQ_CLASS_FACE)
        call.fail(HOST_ERR_BAD_ARGUMENT, "entity class %d is unknown", cls);
    if (cls == own) return out;
    if (rank(cls) > rank(own)) return around(*body, own, cls, entity);
    TopTools_IndexedMapOfShape found;
    TopExp::MapShapes(s, kind_of(cls), found);
    for (int i = 1; i <= found.Extent(); ++i)
        if (const int t = body->tag_of(found(i))) out.push_back(t);
    return out;
}

// 0 when the kernel tag is an entity of class cls, else the kernel's code
// (for the routines that answer failures in an output).
int failure_unless(int tag, int cls) {
    const hd::Loc* l = hd::locate(tag);
    return l && l->cls == cls ? 0 : l ? KERNEL_ERR_WRONG_ENTITY : KERNEL_ERR_NO_ENTITY;
}

const TopoDS_Face& face_of(const host::Call& call, int tag) {
    return TopoDS::Face(hd::require_sub(call, tag, ZQ_CLASS_FACE).shape);
}

const TopoDS_Edge& edge_of(const host::Call& call, int tag) {
    return TopoDS::Edge(hd::require_sub(call, tag, ZQ_CLASS_EDGE).shape);
}

void put(double* out, const gp_XYZ& v) {
    out[0] = v.X();
    out[1] = v.Y();
    out[2] = v.Z();
}

int surface_type(const BRepAdaptor_Surface& s) {
    switch (s.GetType()) {
        case GeomAbs_Plane: return ZQ_SURF_PLANE;
        case GeomAbs_Cylinder: return ZQ_SURF_CYLINDER;
        case GeomAbs_Cone: return ZQ_SURF_CONE;
        case GeomAbs_Sphere: return ZQ_SURF_SPHERE;
        case GeomAbs_Torus: return ZQ_SURF_TORUS;
        case GeomAbs_BezierSurface:
        case GeomAbs_BSplineSurface: return ZQ_SURF_BSURF;
        case GeomAbs_OffsetSurface: return ZQ_SURF_OFFSET;
        case GeomAbs_SurfaceOfExtrusion: return ZQ_SURF_SWEPT;
        case GeomAbs_SurfaceOfRevolution: return ZQ_SURF_SPUN;
        default: return ZQ_SURF_OTHER;
    }
}

int curve_type(const BRepAdaptor_Curve& c) {
    switch (c.GetType()) {
        case GeomAbs_Line: return ZQ_CURVE_LINE;
        case GeomAbs_Circle: return ZQ_CURVE_CIRCLE;
        case GeomAbs_Ellipse: return ZQ_CURVE_ELLIPSE;
        case GeomAbs_Parabola: return ZQ_CURVE_PARABOLA;
        case GeomAbs_Hyperbola: return ZQ_CURVE_HYPERBOLA;
        case GeomAbs_BezierCurve:
        case GeomAbs_BSplineCurve: return ZQ_CURVE_BCURVE;
        case GeomAbs_OffsetCurve: return ZQ_CURVE_OFFSET;
        default: return ZQ_CURVE_OTHER;
    }
}

// Box of a shape, tight to its geometry (not widened by tolerances).
void box_of(const TopoDS_Shape& s, double box[6]) {
    Bnd_Box b;
    BRepBndLib::AddOptimal(s, b, Standard_False, Standard_False);
    if (b.IsVoid()) {
        std::fill(box, box + 6, 0.0);
        return;
    }
    b.Get(box[0], box[1], box[2], box[3], box[4], box[5]);
}

// Surface derivatives of a face at (u, v) into the evaluator's layout.
void eval_face(const BRepAdaptor_Surface& s, bool reversed, double u, double v, int request, double r[36]) {
    std::fill(r, r + 36, 0.0);
    gp_Pnt p;
    gp_Vec du, dv, duu, dvv, duv, duuu, dvvv, duuv, duvv;
    const bool third = request & (64 | 128 | 256 | 512);
    const bool second = third || (request & (8 | 16 | 32));
    if (third) s.D3(u, v, p, du, dv, duu, dvv, duv, duuu, dvvv, duuv, duvv);
    else if (second) s.D2(u, v, p, du, dv, duu, dvv, duv);
    else s.D1(u, v, p, du, dv);
    if (request & 1) put(r, p.XYZ());
    if (request & (2 | 4 | 1024)) {
        put(r + 3, du.XYZ());
        put(r + 6, dv.XYZ());
        if (!(request & 2)) std::fill(r + 3, r + 9, 0.0);
    }
    if (request & 8) put(r + 9, duu.XYZ());
    if (request & 16) put(r + 12, duv.XYZ());
    if (request & 32) put(r + 15, dvv.XYZ());
    if (request & 64) put(r + 18, duuu.XYZ());
    if (request & 128) put(r + 21, duuv.XYZ());
    if (request & 256) put(r + 24, duvv.XYZ());
    if (request & 512) put(r + 27, dvvv.XYZ());
    gp_Vec n = du.Crossed(dv);
    if (reversed) n.Reverse();
    if (request & 4) put(r + 30, n.XYZ());
    if ((request & 1024) && n.Magnitude() > 1e-300) put(r + 33, n.Normalized().XYZ());
}

double* copy_out(const std::vector<double>& v) {
    if (v.empty()) return nullptr;
    auto* out = static_cast<double*>(SM_alloc(v.size() * sizeof(double)));
    std::copy(v.begin(), v.end(), out);
    return out;
}

std::vector<double> flat(const TColStd_Array1OfReal& knots) { return std::vector<double>(knots.begin(), knots.end()); }

struct Evaluator {
    TopoDS_Face face;
    BRepAdaptor_Surface surface;
    bool reversed;
};

}  // namespace

extern "C" {

// ---- topology -----------------------------------------------------------------

void ZQ_ENTITY_ask_class(int entity, int* cls) {
    auto call = HOST_ENTRY(entity, cls);
    call.need(cls, "the class output");
    const hd::Loc* l = hd::locate(entity);
    if (!l) call.fail(KERNEL_ERR_NO_ENTITY, "kernel tag %d is no entity", entity);
    *cls = l->cls;
}

void ZQ_BODY_ask_type(int body, int* type) {
    auto call = HOST_ENTRY(body, type);
    call.need(type, "the type output");
    *type = hd::body_type(hd::require_body(call, body)->shape);
}

void KI_enbyty(const int* body, int* type, int* ifail) {
    auto call = HOST_ENTRY(body ? *body : 0, type, ifail);
    call.need(body, "the body");
    call.need(type, "the type output");
    call.need(ifail, "the failure output");
    const hd::Body b = hd::find_body(*body);
    *type = b ? hd::body_type(b->shape) : 0;
    *ifail = b ? 0 : KERNEL_ERR_NO_ENTITY;
}

void ZQ_ENTITY_ask_body(int entity, int* body) {
    auto call = HOST_ENTRY(entity, body);
    call.need(body, "the body output");
    const hd::Loc* l = hd::locate(entity);
    if (!l) call.fail(KERNEL_ERR_NO_ENTITY, "kernel tag %d is no entity", entity);
    *body = l->body;
}

int KI_idcoen_sm(int entity, int cls, int** entities, int* count) {
    auto call = HOST_ENTRY(entity, cls, entities, count);
    call.need(entities, "the entities output");
    call.need(count, "the count output");
    *entities = nullptr;
    *count = 0;
    if (!hd::locate(entity)) return KERNEL_ERR_NO_ENTITY;
    if (cls < ZQ_CLASS_VERTEX || cls > ZQ_CLASS_BODY) return KERNEL_ERR_WRONG_ENTITY;
    const std::vector<int> found =
        hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] { return connected(call, entity, cls); });
    if (found.empty()) return 0;
    *entities = static_cast<int*>(SM_alloc(found.size() * sizeof(int)));
    std::copy(found.begin(), found.end(), *entities);
    *count = static_cast<int>(found.size());
    return 0;
}

void KI_enloty(const int* loop, int* type, int* ifail) {
    auto call = HOST_ENTRY(loop ? *loop : 0, type, ifail);
    call.need(loop, "the loop");
    call.need(type, "the type output");
    call.need(ifail, "the failure output");
    *type = 0;
    if ((*ifail = failure_unless(*loop, ZQ_CLASS_LOOP))) return;
    const TopoDS_Shape& w = hd::require_sub(call, *loop, ZQ_CLASS_LOOP).shape;
    // The face holding the loop: its outer wire is the outer loop.
    for (const int f : connected(call, *loop, ZQ_CLASS_FACE)) {
        const TopoDS_Face& face = face_of(call, f);
        *type = BRepTools::OuterWire(face).IsSame(w) ? ZQ_LOOP_OUTER : ZQ_LOOP_INNER;
        return;
    }
    *type = ZQ_LOOP_OTHER;
}

// ---- geometry -----------------------------------------------------------------

void ZQ_FACE_ask_surf(int face, int* surface) {
    auto call = HOST_ENTRY(face, surface);
    call.need(surface, "the surface output");
    face_of(call, face);
    *surface = face;
}

void ZQ_FACE_ask_data(int face, int* type, double point[3], double direction[3], double* radius, double* radius2,
                      int* sense) {
    auto call = HOST_ENTRY(face, type, point, direction);
    call.need(type, "the type output");
    call.need(point, "the point output");
    call.need(direction, "the direction output");
    call.need(radius, "the radius output");
    call.need(radius2, "the second radius output");
    call.need(sense, "the sense output");
    const TopoDS_Face& f = face_of(call, face);
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        const BRepAdaptor_Surface s(f, Standard_False);
        *type = surface_type(s);
        *radius = *radius2 = 0;
        gp_Ax3 ax;
        switch (s.GetType()) {
            case GeomAbs_Plane: ax = s.Plane().Position(); break;
            case GeomAbs_Cylinder:
                ax = s.Cylinder().Position();
                *radius = s.Cylinder().Radius();
                break;
            case GeomAbs_Cone:
                ax = s.Cone().Position();
                *radius = s.Cone().RefRadius();
                *radius2 = s.Cone().SemiAngle();
                break;
            case GeomAbs_Sphere:
                ax = s.Sphere().Position();
                *radius = s.Sphere().Radius();
                break;
            case GeomAbs_Torus:
                ax = s.Torus().Position();
                *radius = s.Torus().MajorRadius();
                *radius2 = s.Torus().MinorRadius();
                break;
            case GeomAbs_SurfaceOfRevolution:
                ax = gp_Ax3(s.AxeOfRevolution().Location(), s.AxeOfRevolution().Direction());
                break;
            case GeomAbs_SurfaceOfExtrusion: {
                // The point at the middle of the face, the sweep's direction.
                double u0, u1, v0, v1;
                BRepTools::UVBounds(f, u0, u1, v0, v1);
                ax = gp_Ax3(s.Value((u0 + u1) / 2, (v0 + v1) / 2), s.Direction());
                break;
            }
            default: {
                // Other surfaces: the point and normal at the middle of the face.
                double u0, u1, v0, v1;
                BRepTools::UVBounds(f, u0, u1, v0, v1);
                gp_Pnt p;
                gp_Vec du, dv;
                s.D1((u0 + u1) / 2, (v0 + v1) / 2, p, du, dv);
                const gp_Vec n = du.Crossed(dv);
                ax = gp_Ax3(p, n.Magnitude() > 1e-300 ? gp_Dir(n) : gp_Dir(0, 0, 1));
            }
        }
        put(point, ax.Location().XYZ());
        put(direction, ax.Direction().XYZ());
        *sense = f.Orientation() == TopAbs_REVERSED ? -1 : 1;
    });
}

void ZQ_FACE_ask_uv_box(int face, double box[4]) {
    auto call = HOST_ENTRY(face, box);
    call.need(box, "the box output");
    const TopoDS_Face& f = face_of(call, face);
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] { BRepTools::UVBounds(f, box[0], box[1], box[2], box[3]); });
}

void ZQ_SURF_eval(int surface, double u, double v, int nderiv, double out[18], double normal[3]) {
    auto call = HOST_ENTRY(surface, u, v, nderiv);
    call.need(out, "the derivatives output");
    call.need(normal, "the normal output");
    if (nderiv < 0 || nderiv > 2) call.fail(HOST_ERR_BAD_ARGUMENT, "%d derivatives asked (0 to 2)", nderiv);
    const TopoDS_Face& f = face_of(call, surface);
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        const BRepAdaptor_Surface s(f, Standard_False);
        double r[36];
        eval_face(s, f.Orientation() == TopAbs_REVERSED, u, v, 1 | 2 | 1024 | (nderiv >= 2 ? 8 | 16 | 32 : 0), r);
        std::fill(out, out + 18, 0.0);
        std::copy(r, r + 3 + (nderiv >= 1 ? 6 : 0) + (nderiv >= 2 ? 9 : 0), out);
        std::copy(r + 33, r + 36, normal);
    });
}

void ZQ_EDGE_ask_curve_data(int edge, int* type, double point[3], double direction[3], double* radius) {
    auto call = HOST_ENTRY(edge, type, point, direction);
    call.need(type, "the type output");
    call.need(point, "the point output");
    call.need(direction, "the direction output");
    call.need(radius, "the radius output");
    const TopoDS_Edge& e = edge_of(call, edge);
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        const BRepAdaptor_Curve c(e);
        *type = curve_type(c);
        *radius = 0;
        gp_Ax1 ax;
        switch (c.GetType()) {
            case GeomAbs_Line: ax = c.Line().Position(); break;
            case GeomAbs_Circle:
                ax = c.Circle().Axis();
                *radius = c.Circle().Radius();
                break;
            case GeomAbs_Ellipse:
                ax = c.Ellipse().Axis();
                *radius = c.Ellipse().MajorRadius();
                break;
            default: {
                gp_Pnt p;
                gp_Vec d;
                c.D1((c.FirstParameter() + c.LastParameter()) / 2, p, d);
                ax = gp_Ax1(p, d.Magnitude() > 1e-300 ? gp_Dir(d) : gp_Dir(0, 0, 1));
            }
        }
        put(point, ax.Location().XYZ());
        put(direction, ax.Direction().XYZ());
    });
}

void ZQ_SURF_ask_bspline(int face, ZQ_bspline_t* data) {
    auto call = HOST_ENTRY(face, data);
    call.need(data, "the spline output");
    *data = ZQ_bspline_t{};
    const TopoDS_Face& f = face_of(call, face);
    std::vector<double> poles, weights, uk, vk;
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        double u0, u1, v0, v1;
        BRepTools::UVBounds(f, u0, u1, v0, v1);
        TopLoc_Location loc;
        Handle(Geom_Surface) s = BRep_Tool::Surface(f, loc);
        if (!s->IsKind(STANDARD_TYPE(Geom_BSplineSurface))) s = new Geom_RectangularTrimmedSurface(s, u0, u1, v0, v1);
        const Handle(Geom_BSplineSurface) b = GeomConvert::SurfaceToBSplineSurface(s);
        if (b.IsNull()) call.fail(KERNEL_ERR_NO_ANSWER, "face %d has no spline form", face);
        data->degree_u = b->UDegree();
        data->degree_v = b->VDegree();
        data->n_u = b->NbUPoles();
        data->n_v = b->NbVPoles();
        data->rational = b->IsURational() || b->IsVRational();
        for (int j = 1; j <= data->n_v; ++j)
            for (int i = 1; i <= data->n_u; ++i) {
                const gp_Pnt p = b->Pole(i, j).Transformed(loc.Transformation());
                poles.insert(poles.end(), {p.X(), p.Y(), p.Z()});
                weights.push_back(b->Weight(i, j));
            }
        uk = flat(b->UKnotSequence());
        vk = flat(b->VKnotSequence());
    });
    data->n_uknots = static_cast<int>(uk.size());
    data->n_vknots = static_cast<int>(vk.size());
    data->poles = copy_out(poles);
    data->weights = copy_out(weights);
    data->uknots = copy_out(uk);
    data->vknots = copy_out(vk);
}

void ZQ_CURVE_ask_bspline(int edge, ZQ_bspline_t* data) {
    auto call = HOST_ENTRY(edge, data);
    call.need(data, "the spline output");
    *data = ZQ_bspline_t{};
    const TopoDS_Edge& e = edge_of(call, edge);
    std::vector<double> poles, weights, uk;
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        TopLoc_Location loc;
        double t0 = 0, t1 = 0;
        Handle(Geom_Curve) c = BRep_Tool::Curve(e, loc, t0, t1);
        if (c.IsNull()) call.fail(KERNEL_ERR_NO_ANSWER, "edge %d has no curve", edge);
        if (!c->IsKind(STANDARD_TYPE(Geom_BSplineCurve))) c = new Geom_TrimmedCurve(c, t0, t1);
        const Handle(Geom_BSplineCurve) b = GeomConvert::CurveToBSplineCurve(c);
        data->degree_u = b->Degree();
        data->n_u = b->NbPoles();
        data->n_v = 1;
        data->rational = b->IsRational();
        for (int i = 1; i <= data->n_u; ++i) {
            const gp_Pnt p = b->Pole(i).Transformed(loc.Transformation());
            poles.insert(poles.end(), {p.X(), p.Y(), p.Z()});
            weights.push_back(b->Weight(i));
        }
        uk = flat(b->KnotSequence());
    });
    data->n_uknots = static_cast<int>(uk.size());
    data->poles = copy_out(poles);
    data->weights = copy_out(weights);
    data->uknots = copy_out(uk);
}

void ZQ_free_bspline(ZQ_bspline_t* data) {
    auto call = HOST_ENTRY(data);
    call.need(data, "the spline");
    for (double* p : {data->poles, data->weights, data->uknots, data->vknots})
        if (p) SM_free(p);
    *data = ZQ_bspline_t{};
}

void ZQ_CURVE_ask_interval(int edge, double interval[2]) {
    auto call = HOST_ENTRY(edge, interval);
    call.need(interval, "the interval output");
    const TopoDS_Edge& e = edge_of(call, edge);
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] { BRep_Tool::Range(e, interval[0], interval[1]); });
}

void ZQ_EDGE_eval(int edge, double t, int nderiv, double out[9]) {
    auto call = HOST_ENTRY(edge, t, nderiv, out);
    call.need(out, "the output");
    if (nderiv < 0 || nderiv > 2) call.fail(HOST_ERR_BAD_ARGUMENT, "%d derivatives asked (0 to 2)", nderiv);
    const TopoDS_Edge& e = edge_of(call, edge);
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        const BRepAdaptor_Curve c(e);
        gp_Pnt p;
        gp_Vec d1, d2;
        c.D2(t, p, d1, d2);
        std::fill(out, out + 3 * (nderiv + 1), 0.0);
        put(out, p.XYZ());
        if (nderiv >= 1) put(out + 3, d1.XYZ());
        if (nderiv >= 2) put(out + 6, d2.XYZ());
    });
}

void ZQ_EDGE_ask_length(int edge, double* length) {
    auto call = HOST_ENTRY(edge, length);
    call.need(length, "the length output");
    const TopoDS_Edge& e = edge_of(call, edge);
    *length = hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        const BRepAdaptor_Curve c(e);
        return GCPnts_AbscissaPoint::Length(c);
    });
}

void ZQ_VERTEX_ask_point(int vertex, double point[3]) {
    auto call = HOST_ENTRY(vertex, point);
    call.need(point, "the point output");
    put(point, BRep_Tool::Pnt(TopoDS::Vertex(hd::require_sub(call, vertex, ZQ_CLASS_VERTEX).shape)).XYZ());
}

void ZQ_TOPOL_find_box(int entity, double box[6]) {
    auto call = HOST_ENTRY(entity, box);
    call.need(box, "the box output");
    const TopoDS_Shape s = hd::shape_of(call, entity);
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] { box_of(s, box); });
}

// ---- measurement --------------------------------------------------------------

void ZQ_BODY_set_density(int body, double density) {
    auto call = HOST_ENTRY(body, density);
    if (!std::isfinite(density) || density <= 0)
        call.fail(KERNEL_ERR_DEGENERATE, "the density %g is not positive", density);
    hd::BodyState b = *hd::require_body(call, body);
    b.density = density;
    hd::commit({std::move(b)}, {});
}

void ZQ_BODY_ask_density(int body, double* density) {
    auto call = HOST_ENTRY(body, density);
    call.need(density, "the density output");
    *density = hd::require_body(call, body)->density;
}

void ZQ_BODY_ask_mass_props(int body, double props[ZQ_MP_COUNT]) {
    auto call = HOST_ENTRY(body, props);
    call.need(props, "the properties output");
    const hd::Body b = hd::require_body(call, body);
    // Worked out once per state of the body, for density 1.
    if (!b->mass.value) {
        auto made = std::make_shared<hd::MassProps>();
        hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
            double* v = made->values;
            const int type = hd::body_type(b->shape);
            GProp_GProps area, main;
            BRepGProp::SurfaceProperties(b->shape, area);
            v[ZQ_MP_AREA] = area.Mass();
            if (type == ZQ_BODY_SOLID) {
                BRepGProp::VolumeProperties(b->shape, main);
                v[ZQ_MP_VOLUME] = main.Mass();
            } else if (type == ZQ_BODY_SHEET) {
                main = area;
            } else if (type == ZQ_BODY_WIRE) {
                BRepGProp::LinearProperties(b->shape, main);
            } else {
                return;
            }
            v[ZQ_MP_MASS] = main.Mass();
            put(v + ZQ_MP_CENTROID, main.CentreOfMass().XYZ());
            const gp_Mat m = main.MatrixOfInertia();
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j) v[ZQ_MP_INERTIA + 3 * i + j] = m(i + 1, j + 1);
        });
        b->mass.value = std::move(made);
    }
    std::copy(b->mass.value->values, b->mass.value->values + ZQ_MP_COUNT, props);
    props[ZQ_MP_MASS] *= b->density;
    for (int i = 0; i < 9; ++i) props[ZQ_MP_INERTIA + i] *= b->density;
}

void ZQ_ENTITY_ask_min_distance(int a, int b, double* distance, double point_a[3], double point_b[3]) {
    auto call = HOST_ENTRY(a, b, distance);
    call.need(distance, "the distance output");
    call.need(point_a, "the first point output");
    call.need(point_b, "the second point output");
    const TopoDS_Shape sa = hd::shape_of(call, a), sb = hd::shape_of(call, b);
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        BRepExtrema_DistShapeShape d(sa, sb);
        if (!d.IsDone() || d.NbSolution() < 1) call.fail(KERNEL_ERR_NO_ANSWER, "no distance between %d and %d", a, b);
        *distance = d.Value();
        put(point_a, d.PointOnShape1(1).XYZ());
        put(point_b, d.PointOnShape2(1).XYZ());
    });
}

void ZQ_ENTITY_ask_extreme(int entity, const double direction[3], double point[3]) {
    auto call = HOST_ENTRY(entity, direction, point);
    call.need(direction, "the direction");
    call.need(point, "the point output");
    const TopoDS_Shape s = hd::shape_of(call, entity);
    const gp_Vec d(direction[0], direction[1], direction[2]);
    if (!(d.Magnitude() > 1e-12)) call.fail(KERNEL_ERR_DEGENERATE, "the direction is a zero vector");
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        // The point nearest to a plane beyond the entity, facing it.
        double box[6];
        box_of(s, box);
        const gp_Pnt mid((box[0] + box[3]) / 2, (box[1] + box[4]) / 2, (box[2] + box[5]) / 2);
        const double reach = gp_Pnt(box[0], box[1], box[2]).Distance(gp_Pnt(box[3], box[4], box[5])) + 1;
        const gp_Dir n(d);
        const TopoDS_Face far = BRepBuilderAPI_MakeFace(gp_Pln(mid.Translated(gp_Vec(n) * reach), n), -4 * reach,
                                                        4 * reach, -4 * reach, 4 * reach)
                                    .Face();
        BRepExtrema_DistShapeShape dist(s, far);
        if (!dist.IsDone() || dist.NbSolution() < 1) call.fail(KERNEL_ERR_NO_ANSWER, "no extreme point");
        put(point, dist.PointOnShape1(1).XYZ());
    });
}

void ZQ_BODY_ask_containment(int body, const double point[3], int* where) {
    auto call = HOST_ENTRY(body, point, where);
    call.need(point, "the point");
    call.need(where, "the answer output");
    const hd::Body b = hd::require_body(call, body);
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        BRepClass3d_SolidClassifier c(b->shape, gp_Pnt(point[0], point[1], point[2]), 1e-7);
        const TopAbs_State st = c.State();
        *where = st == TopAbs_IN ? ZQ_INSIDE : st == TopAbs_ON ? ZQ_ON : ZQ_OUTSIDE;
    });
}

void ZQ_BODY_facet(int body, double tolerance, int* count, double** points) {
    auto call = HOST_ENTRY(body, tolerance, count, points);
    call.need(count, "the count output");
    call.need(points, "the points output");
    *count = 0;
    *points = nullptr;
    if (!std::isfinite(tolerance) || tolerance <= 0)
        call.fail(KERNEL_ERR_DEGENERATE, "the tolerance %g is not positive", tolerance);
    const hd::Body b = hd::require_body(call, body);
    std::vector<double> tri = hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        const TopoDS_Shape copy = BRepBuilderAPI_Copy(b->shape, Standard_True, Standard_False).Shape();
        BRepMesh_IncrementalMesh mesh(copy, tolerance, Standard_False, 0.5, Standard_False);
        std::vector<double> out;
        for (TopExp_Explorer f(copy, TopAbs_FACE); f.More(); f.Next()) {
            const TopoDS_Face& face = TopoDS::Face(f.Current());
            TopLoc_Location loc;
            const Handle(Poly_Triangulation) t = BRep_Tool::Triangulation(face, loc);
            if (t.IsNull()) continue;
            const bool rev = face.Orientation() == TopAbs_REVERSED;
            for (int i = 1; i <= t->NbTriangles(); ++i) {
                int n[3];
                t->Triangle(i).Get(n[0], n[1], n[2]);
                if (rev) std::swap(n[1], n[2]);
                for (int k : n) {
                    const gp_Pnt p = t->Node(k).Transformed(loc.Transformation());
                    out.insert(out.end(), {p.X(), p.Y(), p.Z()});
                }
            }
        }
        return out;
    });
    if (tri.empty()) return;
    *points = static_cast<double*>(SM_alloc(tri.size() * sizeof(double)));
    std::copy(tri.begin(), tri.end(), *points);
    *count = static_cast<int>(tri.size() / 9);
}

// ---- the kernel's file format -------------------------------------------------

void ZQ_BODY_export(int n, const int bodies[], const char* file) {
    auto call = HOST_ENTRY_TEXT(file, n, bodies);
    call.need(file, "the file name");
    if (n < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "no bodies to export");
    call.need(bodies, "the bodies");
    BRep_Builder builder;
    TopoDS_Compound all;
    builder.MakeCompound(all);
    for (int i = 0; i < n; ++i) builder.Add(all, hd::require_body(call, bodies[i])->shape);
    const bool ok =
        hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] { return BinTools::Write(all, file) == Standard_True; });
    if (!ok) call.fail(HOST_ERR_BAD_ARGUMENT, "the kernel file %s cannot be written", file);
}

void ZQ_BODY_import(const char* file, int* n, int** bodies) {
    auto call = HOST_ENTRY_TEXT(file, n, bodies);
    call.need(file, "the file name");
    call.need(n, "the count output");
    call.need(bodies, "the bodies output");
    *n = 0;
    *bodies = nullptr;
    hd::ensure_started();
    std::ifstream in(file, std::ios::binary);
    const TopoDS_Shape all = in ? hd::read_brep(in) : TopoDS_Shape();
    if (all.IsNull()) call.fail(KERNEL_ERR_BAD_DATA, "the kernel file %s cannot be read", file);
    std::vector<hd::BodyState> made;
    for (TopoDS_Iterator it(all); it.More(); it.Next()) {
        hd::Step s;
        s.kind = &hd::steps::imported;
        s.other = it.Value();
        hd::run_step(call, s, TopoDS_Shape(), nullptr);
        if (!BRepCheck_Analyzer(s.result).IsValid()) call.fail(KERNEL_ERR_BAD_DATA, "a body of %s is not valid", file);
        hd::BodyState b;
        b.tag = hd::new_tag();
        b.shape = s.result;
        b.set_named(s.named);
        b.add_step(std::move(s));
        hd::name_small(b, nullptr);
        made.push_back(std::move(b));
    }
    if (made.empty()) return;
    std::vector<int> tags;
    for (const hd::BodyState& b : made) tags.push_back(b.tag);
    hd::commit(std::move(made), {}, false);
    *bodies = static_cast<int*>(SM_alloc(tags.size() * sizeof(int)));
    std::copy(tags.begin(), tags.end(), *bodies);
    *n = static_cast<int>(tags.size());
}

// ---- queries on objects -------------------------------------------------------

namespace {
int entity_for(const host::Call& call, unsigned int object, int cls) {
    const int e = hk::entity_of(object);
    if (!e) call.fail(HOST_ERR_DEAD_TAG, "object %u has no kernel entity", object);
    const hd::Loc* l = hd::locate(e);
    if (l->cls != cls)
        call.fail(HOST_ERR_WRONG_CLASS, "object %u is no kernel %s", object,
                  cls == ZQ_CLASS_BODY   ? "body"
                  : cls == ZQ_CLASS_FACE ? "face"
                                         : "edge");
    return e;
}
}  // namespace

void PX_body_ask_type(unsigned int body, int* type) {
    auto call = HOST_ENTRY(body, type);
    call.need(type, "the type output");
    *type = hd::body_type(hd::require_body(call, entity_for(call, body, ZQ_CLASS_BODY))->shape);
}

void PX_face_ask_box(unsigned int face, double box[6]) {
    auto call = HOST_ENTRY(face, box);
    call.need(box, "the box output");
    // An occurrence's box is the one of its prototype's face moved to its place.
    if (!hk::entity_of(face) && host::occurrences::place_of(face)) {
        if (!hk::face_of_object(face)) call.fail(HOST_ERR_WRONG_CLASS, "occurrence %u is of no kernel face", face);
        if (!hk::face_box(face, box)) call.fail(KERNEL_ERR_EXCEPTION, "the box of occurrence %u", face);
        return;
    }
    const TopoDS_Face& f = face_of(call, entity_for(call, face, ZQ_CLASS_FACE));
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] { box_of(f, box); });
}

void PX_face_ask_type(unsigned int face, int* type) {
    auto call = HOST_ENTRY(face, type);
    call.need(type, "the type output");
    const TopoDS_Face& f = face_of(call, entity_for(call, face, ZQ_CLASS_FACE));
    *type = static_cast<int>(call.int_out(0, surface_type(BRepAdaptor_Surface(f, Standard_False))));
}

void PX_edge_ask_type(unsigned int edge, int* type) {
    auto call = HOST_ENTRY(edge, type);
    call.need(type, "the type output");
    const TopoDS_Edge& e = edge_of(call, entity_for(call, edge, ZQ_CLASS_EDGE));
    *type = hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] { return curve_type(BRepAdaptor_Curve(e)); });
}

void PX_edge_is_closed(unsigned int edge, int* closed, int* no_vertex) {
    auto call = HOST_ENTRY(edge, closed, no_vertex);
    call.need(closed, "the closed output");
    call.need(no_vertex, "the no-vertex output");
    const TopoDS_Edge& e = edge_of(call, entity_for(call, edge, ZQ_CLASS_EDGE));
    TopoDS_Vertex v1, v2;
    TopExp::Vertices(e, v1, v2);
    *no_vertex = v1.IsNull() && v2.IsNull();
    *closed = *no_vertex || BRep_Tool::IsClosed(e) || (!v1.IsNull() && v1.IsSame(v2));
    // A test may script the flags (an edge without vertices).
    *closed = static_cast<int>(call.int_out(0, *closed));
    *no_vertex = static_cast<int>(call.int_out(1, *no_vertex));
}

void PX_edge_ask_vertices(unsigned int edge, double p1[3], double p2[3]) {
    auto call = HOST_ENTRY(edge, p1, p2);
    call.need(p1, "the first point output");
    call.need(p2, "the second point output");
    const TopoDS_Edge& e = edge_of(call, entity_for(call, edge, ZQ_CLASS_EDGE));
    TopoDS_Vertex v1, v2;
    TopExp::Vertices(e, v1, v2, Standard_True);
    if (v1.IsNull() || v2.IsNull()) call.fail(KERNEL_ERR_WRONG_ENTITY, "edge %u has no vertices", edge);
    put(p1, BRep_Tool::Pnt(v1).XYZ());
    put(p2, BRep_Tool::Pnt(v2).XYZ());
}

void get_face_data(int mode, int face, int* type, double point[3], double direction[3], double* radius,
                   double* radius2) {
    auto call = HOST_ENTRY(mode, face, type, point);
    if (mode != 0) call.fail(HOST_ERR_BAD_ARGUMENT, "face data mode %d is not 0", mode);
    int sense = 0;
    ZQ_FACE_ask_data(face, type, point, direction, radius, radius2, &sense);
    // Data a test gives: type, point, direction, radius, second radius.
    if (call.outputs() == 0) return;
    *type = static_cast<int>(call.int_out(0, *type));
    for (int i = 0; i < 3; ++i) {
        point[i] = call.real_out(1 + i, point[i]);
        direction[i] = call.real_out(4 + i, direction[i]);
    }
    *radius = call.real_out(7, *radius);
    *radius2 = call.real_out(8, *radius2);
}

int PX_face_ask_normal_direction(unsigned int face) {
    auto call = HOST_ENTRY(face);
    return face_of(call, entity_for(call, face, ZQ_CLASS_FACE)).Orientation() != TopAbs_REVERSED;
}

void PX_face_ask_surf_parm(unsigned int face, int* u_status, int* v_status, double* u_period, double* v_period) {
    auto call = HOST_ENTRY(face, u_status, v_status, u_period);
    call.need(u_status, "the u status output");
    call.need(v_status, "the v status output");
    call.need(u_period, "the u period output");
    call.need(v_period, "the v period output");
    const TopoDS_Face& f = face_of(call, entity_for(call, face, ZQ_CLASS_FACE));
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        const BRepAdaptor_Surface s(f, Standard_False);
        *u_status = s.IsUPeriodic() ? 1 : 0;
        *v_status = s.IsVPeriodic() ? 1 : 0;
        *u_period = *u_status ? s.UPeriod() : 0;
        *v_period = *v_status ? s.VPeriod() : 0;
    });
    // A test may script the statuses (a kernel's other answers).
    *u_status = static_cast<int>(call.int_out(0, *u_status));
    *v_status = static_cast<int>(call.int_out(1, *v_status));
}

void PART_ask_zr_scale_factors(unsigned int part, double factors[2]) {
    auto call = HOST_ENTRY(part, factors);
    call.need(factors, "the factors output");
    // One kernel for every part: the host's length factors, the one for
    // lengths coming back from the kernel first.
    factors[0] = pxsfac_[1];
    factors[1] = pxsfac_[0];
}

void PX_ask_box(unsigned int object, double box[6]) {
    auto call = HOST_ENTRY(object, box);
    call.need(box, "the box output");
    const int e = hk::entity_of(object);
    if (!e) call.fail(HOST_ERR_DEAD_TAG, "object %u has no kernel entity", object);
    const TopoDS_Shape s = hd::shape_of(call, e);
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] { box_of(s, box); });
}

namespace {
// The live pieces of a face or edge: itself and what the naming of the
// body's steps made of it as further pieces of a split ("s:T:k").
void split_pieces(const host::Call& call, unsigned int object, int cls, int* count, unsigned int** out) {
    call.need(count, "the count output");
    call.need(out, "the pieces output");
    *count = 0;
    *out = nullptr;
    const int tag = entity_for(call, object, cls);
    hd::Body body;
    hd::shape_of(call, tag, nullptr, &body);
    std::vector<unsigned int> pieces{object};
    const std::string stem = "s:" + std::to_string(tag) + ":";
    for (const auto& step : body->steps)
        for (const auto& [key, piece] : step->names.sorted(stem)) {
            const hd::Loc* l = hd::locate(piece);
            const unsigned int o = l && l->cls == cls && l->body == body->tag ? hk::object_of(piece) : 0;
            if (o && std::find(pieces.begin(), pieces.end(), o) == pieces.end()) pieces.push_back(o);
        }
    *out = static_cast<unsigned int*>(SM_alloc(pieces.size() * sizeof(unsigned int)));
    std::copy(pieces.begin(), pieces.end(), *out);
    *count = static_cast<int>(pieces.size());
}
}  // namespace

void PX_ask_split_faces(unsigned int face, int* count, unsigned int** faces) {
    auto call = HOST_ENTRY(face, count, faces);
    split_pieces(call, face, ZQ_CLASS_FACE, count, faces);
}

void PX_ask_split_edges(unsigned int edge, int* count, unsigned int** edges) {
    auto call = HOST_ENTRY(edge, count, edges);
    split_pieces(call, edge, ZQ_CLASS_EDGE, count, edges);
}

void KI_idpofv(const int* vertex, int* point, int* ifail) {
    auto call = HOST_ENTRY(vertex ? *vertex : 0, point, ifail);
    call.need(vertex, "the vertex");
    call.need(point, "the point output");
    call.need(ifail, "the failure output");
    *ifail = failure_unless(*vertex, ZQ_CLASS_VERTEX);
    *point = *ifail ? 0 : *vertex;
}

void KI_outpoi(const int* point, double xyz[3], int* ifail) {
    auto call = HOST_ENTRY(point ? *point : 0, xyz, ifail);
    call.need(point, "the point");
    call.need(xyz, "the coordinates output");
    call.need(ifail, "the failure output");
    if ((*ifail = failure_unless(*point, ZQ_CLASS_VERTEX))) return;
    put(xyz, BRep_Tool::Pnt(TopoDS::Vertex(hd::require_sub(call, *point, ZQ_CLASS_VERTEX).shape)).XYZ());
}

// ---- surface evaluators -------------------------------------------------------

void* evsrfu(unsigned int face) {
    auto call = HOST_ENTRY(face);
    const int e = hk::entity_of(face);
    const hd::Loc* l = e ? hd::locate(e) : nullptr;
    if (!l || l->cls != ZQ_CLASS_FACE) return nullptr;
    const TopoDS_Face& f = face_of(call, e);
    return hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        return static_cast<void*>(
            new Evaluator{f, BRepAdaptor_Surface(f, Standard_False), f.Orientation() == TopAbs_REVERSED});
    });
}

void evsrfe(void* evaluator, int request, const double uv[2], double result[36]) {
    auto call = HOST_ENTRY(evaluator, request, uv, result);
    call.need(evaluator, "the evaluator");
    call.need(uv, "the parameters");
    call.need(result, "the result output");
    const Evaluator& ev = *static_cast<const Evaluator*>(evaluator);
    const int asked = request == 0 ? 1 : request;  // nothing asked: the point
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] { eval_face(ev.surface, ev.reversed, uv[0], uv[1], asked, result); });
}

void evsrff(void* evaluator) {
    HOST_ENTRY(evaluator);
    delete static_cast<Evaluator*>(evaluator);
}

}  // extern "C"
