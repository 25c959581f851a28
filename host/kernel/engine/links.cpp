// The kernel's answers for the host's object-level face and edge queries
// (see links.h).
#include "host/kernel/engine/links.h"

#include <Adaptor3d_Surface.hxx>
#include <BRepAdaptor_Curve.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRepTools.hxx>
#include <BRepBndLib.hxx>
#include <BRepClass_FaceClassifier.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <Geom_Surface.hxx>
#include <Precision.hxx>
#include <GeomConvert.hxx>
#include <Geom_BSplineCurve.hxx>
#include <Geom_TrimmedCurve.hxx>
#include <TColStd_Array1OfReal.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Face.hxx>

#include <algorithm>
#include <cmath>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/entities/occurrences.h"
#include "host/store/entities/views.h"
#include "host/numeric/curve_kernel.h"
#include "host/kernel/engine/brep.h"
#include "host/kernel/engine/held_faces.h"

namespace hd = host::kernel::detail;

namespace {

// The shape of a face or edge tag; null when the tag is none of that class.
TopoDS_Shape sub_shape(int tag, int cls) {
    const hd::Loc* l = tag ? hd::locate(tag) : nullptr;
    if (!l || l->cls != cls) return {};
    const hd::Body b = hd::find_body(l->body);
    if (!b) return {};
    const auto& subs = cls == ZQ_CLASS_FACE ? b->named().faces : b->named().edges;
    return l->index >= 0 && l->index < static_cast<int>(subs.size()) ? subs[l->index].shape : TopoDS_Shape();
}

// The kernel entity of an object of the class, or of the prototype of an
// occurrence (with its place).
int of_object(unsigned int object, int cls, const host::occurrences::Place** place = nullptr) {
    int e = host::kernel::entity_of(object);
    const host::occurrences::Place* p = e ? nullptr : host::occurrences::place_of(object);
    if (p) e = host::kernel::entity_of(p->prototype);
    const hd::Loc* l = e ? hd::locate(e) : nullptr;
    if (!l || l->cls != cls) return 0;
    if (place) *place = p;
    return e;
}

// The shape of a face or edge object, an occurrence's moved to its place.
TopoDS_Shape object_shape(unsigned int object, int cls) {
    const host::occurrences::Place* place = nullptr;
    const TopoDS_Shape shape = sub_shape(of_object(object, cls, &place), cls);
    if (shape.IsNull() || !place) return shape;
    const double* r = place->rows;
    const double* o = place->origin;
    gp_Trsf move;
    move.SetValues(r[0], r[3], r[6], o[0], r[1], r[4], r[7], o[1], r[2], r[5], r[8], o[2]);
    return shape.Moved(TopLoc_Location(move));
}

void put(double* out, const gp_XYZ& v) {
    out[0] = v.X();
    out[1] = v.Y();
    out[2] = v.Z();
}

// Runs f; any failure of the kernel answers false.
template <class F>
bool safely(F&& f) {
    try {
        return f();
    } catch (...) {
        return false;
    }
}

// The data of an analytic (or other) surface seen through the adaptor.
void surface_data(const Adaptor3d_Surface& s, host::kernel::SurfaceData* out) {
    gp_Ax3 ax;
    out->radii[0] = out->radii[1] = 0;
    switch (s.GetType()) {
        case GeomAbs_Plane:
            out->kind = ZQ_SURF_PLANE;
            ax = s.Plane().Position();
            break;
        case GeomAbs_Cylinder:
            out->kind = ZQ_SURF_CYLINDER;
            ax = s.Cylinder().Position();
            out->radii[0] = s.Cylinder().Radius();
            break;
        case GeomAbs_Cone:
            out->kind = ZQ_SURF_CONE;
            ax = s.Cone().Position();
            out->radii[0] = s.Cone().RefRadius();
            out->radii[1] = s.Cone().SemiAngle();
            break;
        case GeomAbs_Sphere:
            out->kind = ZQ_SURF_SPHERE;
            ax = s.Sphere().Position();
            out->radii[0] = s.Sphere().Radius();
            break;
        case GeomAbs_Torus:
            out->kind = ZQ_SURF_TORUS;
            ax = s.Torus().Position();
            out->radii[0] = s.Torus().MajorRadius();
            out->radii[1] = s.Torus().MinorRadius();
            break;
        case GeomAbs_SurfaceOfRevolution:
            out->kind = ZQ_SURF_SPUN;
            ax = gp_Ax3(s.AxeOfRevolution().Location(), s.AxeOfRevolution().Direction());
            break;
        case GeomAbs_SurfaceOfExtrusion:
            out->kind = ZQ_SURF_SWEPT;
            ax = gp_Ax3(gp_Pnt(0, 0, 0), s.Direction());
            break;
        case GeomAbs_OffsetSurface: out->kind = ZQ_SURF_OFFSET; break;
        case GeomAbs_BezierSurface:
        case GeomAbs_BSplineSurface: out->kind = ZQ_SURF_BSURF; break;
        default: out->kind = ZQ_SURF_OTHER; break;
    }
    put(out->origin, ax.Location().XYZ());
    put(out->axis, ax.Direction().XYZ());
}

int kind_of_shape(const TopoDS_Shape& shape) {
    if (shape.IsNull()) return 0;
    int kind = ZQ_CURVE_OTHER;
    safely([&] {
        switch (BRepAdaptor_Curve(TopoDS::Edge(shape)).GetType()) {
            case GeomAbs_Line: kind = ZQ_CURVE_LINE; break;
            case GeomAbs_Circle: kind = ZQ_CURVE_CIRCLE; break;
            case GeomAbs_Ellipse: kind = ZQ_CURVE_ELLIPSE; break;
            case GeomAbs_Parabola: kind = ZQ_CURVE_PARABOLA; break;
            case GeomAbs_Hyperbola: kind = ZQ_CURVE_HYPERBOLA; break;
            case GeomAbs_BezierCurve:
            case GeomAbs_BSplineCurve: kind = ZQ_CURVE_BCURVE; break;
            case GeomAbs_OffsetCurve: kind = ZQ_CURVE_OFFSET; break;
            default: break;
        }
        return true;
    });
    return kind;
}

bool circle_of_shape(const TopoDS_Shape& shape, double centre[3], double axis[3], double x_axis[3], double* radius,
                     double range[2]) {
    if (shape.IsNull()) return false;
    return safely([&] {
        const BRepAdaptor_Curve c(TopoDS::Edge(shape));
        if (c.GetType() != GeomAbs_Circle) return false;
        const gp_Circ circle = c.Circle();
        put(centre, circle.Location().XYZ());
        put(axis, circle.Axis().Direction().XYZ());
        put(x_axis, circle.XAxis().Direction().XYZ());
        *radius = circle.Radius();
        range[0] = c.FirstParameter();
        range[1] = c.LastParameter();
        return true;
    });
}

bool ends_of_shape(const TopoDS_Shape& shape, double start[3], double end[3]) {
    if (shape.IsNull()) return false;
    return safely([&] {
        const BRepAdaptor_Curve c(TopoDS::Edge(shape));
        put(start, c.Value(c.FirstParameter()).XYZ());
        put(end, c.Value(c.LastParameter()).XYZ());
        return true;
    });
}

bool point_of_shape(const TopoDS_Shape& shape, double t, double point[3]) {
    if (shape.IsNull()) return false;
    return safely([&] {
        put(point, BRepAdaptor_Curve(TopoDS::Edge(shape)).Value(t).XYZ());
        return true;
    });
}

std::optional<hostnum::Curve> curve_of_shape(const TopoDS_Shape& shape) {
    if (shape.IsNull()) return std::nullopt;
    std::optional<hostnum::Curve> out;
    safely([&] {
        const TopoDS_Edge& e = TopoDS::Edge(shape);
        const BRepAdaptor_Curve c(e);
        const double t0 = c.FirstParameter(), t1 = c.LastParameter();
        double a[3], b[3], x[3], y[3], o[3];
        switch (c.GetType()) {
            case GeomAbs_Line:
                put(a, c.Value(t0).XYZ());
                put(b, c.Value(t1).XYZ());
                out = hostnum::Curve::line(a, b);
                return true;
            case GeomAbs_Circle: {
                const gp_Circ k = c.Circle();
                put(o, k.Location().XYZ());
                put(x, k.XAxis().Direction().XYZ());
                put(y, k.YAxis().Direction().XYZ());
                out = hostnum::Curve::arc(o, x, y, k.Radius(), t0, t1);
                return true;
            }
            case GeomAbs_Ellipse: {
                const gp_Elips k = c.Ellipse();
                put(o, k.Location().XYZ());
                put(x, k.XAxis().Direction().XYZ());
                put(y, k.YAxis().Direction().XYZ());
                out = hostnum::Curve::ellipse(o, x, y, k.MajorRadius(), k.MinorRadius(), t0, t1);
                return true;
            }
            default: break;
        }
        TopLoc_Location loc;
        double f = 0, l = 0;
        Handle(Geom_Curve) g = BRep_Tool::Curve(e, loc, f, l);
        if (g.IsNull()) return false;
        if (!g->IsKind(STANDARD_TYPE(Geom_BSplineCurve))) g = new Geom_TrimmedCurve(g, f, l);
        Handle(Geom_BSplineCurve) s = GeomConvert::CurveToBSplineCurve(g);
        if (s->IsPeriodic()) {
            s = Handle(Geom_BSplineCurve)::DownCast(s->Copy());
            s->SetNotPeriodic();
        }
        const int n = s->NbPoles();
        std::vector<double> poles;
        for (int i = 1; i <= n; ++i) {
            const gp_Pnt p = s->Pole(i).Transformed(loc.Transformation());
            poles.insert(poles.end(), {p.X(), p.Y(), p.Z(), s->Weight(i)});
        }
        const TColStd_Array1OfReal& knots = s->KnotSequence();
        const std::vector<double> flat(knots.begin(), knots.end());
        if (static_cast<int>(flat.size()) != n + s->Degree() + 1) return false;
        out =
            hostnum::Curve::spline(n, s->Degree() + 1, poles.data(), flat.data(), hostnum::Curve::PoleForm::cartesian);
        return true;
    });
    return out;
}

}  // namespace

namespace host::kernel {

int face_of_object(unsigned int object) { return of_object(object, ZQ_CLASS_FACE); }
int edge_of_object(unsigned int object) { return of_object(object, ZQ_CLASS_EDGE); }

bool face_surface(unsigned int object, SurfaceData* out, bool base) {
    const TopoDS_Shape shape = object_shape(object, ZQ_CLASS_FACE);
    if (shape.IsNull()) return false;
    return safely([&] {
        const TopoDS_Face& f = TopoDS::Face(shape);
        const BRepAdaptor_Surface s(f, Standard_False);
        if (base) {
            if (s.GetType() != GeomAbs_OffsetSurface) return false;
            surface_data(*s.BasisSurface(), out);
        } else {
            surface_data(s, out);
        }
        BRepTools::UVBounds(f, out->box[0], out->box[1], out->box[2], out->box[3]);
        out->sense = f.Orientation() != TopAbs_REVERSED;
        return true;
    });
}

bool face_point(unsigned int object, double u, double v, double point[3]) {
    const TopoDS_Shape shape = object_shape(object, ZQ_CLASS_FACE);
    if (shape.IsNull()) return false;
    return safely([&] {
        put(point, BRepAdaptor_Surface(TopoDS::Face(shape), Standard_False).Value(u, v).XYZ());
        return true;
    });
}

bool curve_face_hits(unsigned int object, const curve_struct& c, double lo, double hi,
                     std::vector<CurveFaceHit>* hits) {
    const TopoDS_Shape shape = object_shape(object, ZQ_CLASS_FACE);
    if (shape.IsNull()) return false;
    const auto curve = hostnum::kernel_curve_of(c);
    if (!curve) return false;
    return safely([&] {
        const TopoDS_Face& f = TopoDS::Face(shape);
        const Handle(Geom_Surface) surface = BRep_Tool::Surface(f);
        if (surface.IsNull()) return false;
        const double tol = BRep_Tool::Tolerance(f);
        std::vector<hostnum::geometry::SurfaceMeet> meets;
        if (!hostnum::geometry::surface_meets(*curve, lo, hi, surface, tol, &meets)) return false;
        hits->clear();
        // The meeting's parameters lie in the surface's first period; the
        // face's bounds may lie a whole number of periods away.
        double box[4];
        BRepTools::UVBounds(f, box[0], box[1], box[2], box[3]);
        const auto into = [](double t, bool periodic, double period, double lo) {
            return periodic && period > 0 ? t + std::ceil((lo - t) / period - 1e-12) * period : t;
        };
        for (auto m : meets) {
            if (m.uv[0] < box[0] - Precision::PConfusion())
                m.uv[0] =
                    into(m.uv[0], surface->IsUPeriodic(), surface->IsUPeriodic() ? surface->UPeriod() : 0, box[0]);
            if (m.uv[1] < box[2] - Precision::PConfusion())
                m.uv[1] =
                    into(m.uv[1], surface->IsVPeriodic(), surface->IsVPeriodic() ? surface->VPeriod() : 0, box[2]);
            if (BRepClass_FaceClassifier(f, gp_Pnt2d(m.uv[0], m.uv[1]), tol).State() == TopAbs_OUT) continue;
            CurveFaceHit h;
            h.t = m.t;
            std::copy(m.point, m.point + 3, h.point);
            h.uv[0] = m.uv[0];
            h.uv[1] = m.uv[1];
            h.kind = m.kind;
            hits->push_back(h);
        }
        // Along the curve.
        std::sort(hits->begin(), hits->end(), [](const CurveFaceHit& a, const CurveFaceHit& b) { return a.t < b.t; });
        return true;
    });
}

bool face_box(unsigned int object, double box[6]) {
    const TopoDS_Shape shape = object_shape(object, ZQ_CLASS_FACE);
    if (shape.IsNull()) return false;
    return safely([&] {
        Bnd_Box b;
        BRepBndLib::AddOptimal(shape, b, Standard_False, Standard_False);
        if (b.IsVoid()) return false;
        b.Get(box[0], box[1], box[2], box[3], box[4], box[5]);
        return true;
    });
}

int edge_curve_kind(int edge) { return kind_of_shape(sub_shape(edge, ZQ_CLASS_EDGE)); }
bool edge_circle(int edge, double centre[3], double axis[3], double x_axis[3], double* radius, double range[2]) {
    return circle_of_shape(sub_shape(edge, ZQ_CLASS_EDGE), centre, axis, x_axis, radius, range);
}
bool edge_ends(int edge, double start[3], double end[3]) {
    return ends_of_shape(sub_shape(edge, ZQ_CLASS_EDGE), start, end);
}
bool edge_point(int edge, double t, double point[3]) {
    return point_of_shape(sub_shape(edge, ZQ_CLASS_EDGE), t, point);
}
std::optional<hostnum::Curve> edge_curve(int edge) { return curve_of_shape(sub_shape(edge, ZQ_CLASS_EDGE)); }

int edge_kind_of(unsigned int object) { return kind_of_shape(object_shape(object, ZQ_CLASS_EDGE)); }
bool edge_circle_of(unsigned int object, double centre[3], double axis[3], double x_axis[3], double* radius,
                    double range[2]) {
    return circle_of_shape(object_shape(object, ZQ_CLASS_EDGE), centre, axis, x_axis, radius, range);
}
bool edge_ends_of(unsigned int object, double start[3], double end[3]) {
    return ends_of_shape(object_shape(object, ZQ_CLASS_EDGE), start, end);
}
std::optional<hostnum::Curve> edge_curve_of(unsigned int object) {
    return curve_of_shape(object_shape(object, ZQ_CLASS_EDGE));
}

}  // namespace host::kernel

// ---- the kernel routines of edges' curves --------------------------------------
// An edge stands for its curve (the curve's tag is the edge's).

extern "C" {

void es7010_occ_(const unsigned int* object, int* kernel_entity) {
    auto call = HOST_ENTRY(object ? *object : 0u, kernel_entity);
    call.need(object, "the object");
    call.need(kernel_entity, "the entity output");
    call.live(*object);
    // An occurrence of a prototype answers the prototype's entity (in the
    // prototype's space: OCC_transform_* take answers into the occurrence).
    const unsigned int prototype = host::views::prototype_of(*object);
    *kernel_entity = host::kernel::entity_of(prototype ? prototype : *object);
}

void KI_ougeef(const int* edge, int* curve, int* ifail) {
    auto call = HOST_ENTRY(edge ? *edge : 0, curve, ifail);
    call.need(edge, "the edge");
    call.need(curve, "the curve output");
    call.need(ifail, "the failure output");
    const bool ok = host::kernel::edge_curve_kind(*edge) != 0;
    *curve = ok ? *edge : 0;
    *ifail = ok ? 0 : KERNEL_ERR_WRONG_ENTITY;
}

void KI_outcur(const int* curve, double center[3], double axis[3], double* radius, int* ifail) {
    auto call = HOST_ENTRY(curve ? *curve : 0, center, axis, radius);
    call.need(curve, "the curve");
    call.need(center, "the centre output");
    call.need(axis, "the axis output");
    call.need(radius, "the radius output");
    call.need(ifail, "the failure output");
    double x[3], range[2];
    *ifail = host::kernel::edge_circle(*curve, center, axis, x, radius, range) ? 0 : KERNEL_ERR_WRONG_ENTITY;
}

void KI_enpopc(const int* curve, const double* t, const int* n, const int* side, double point[3], int* ifail) {
    auto call = HOST_ENTRY(curve ? *curve : 0, t ? *t : 0.0, n ? *n : 0, side ? *side : 0);
    call.need(curve, "the curve");
    call.need(t, "the parameter");
    call.need(point, "the point output");
    call.need(ifail, "the failure output");
    *ifail = host::kernel::edge_point(*curve, *t, point) ? 0 : KERNEL_ERR_WRONG_ENTITY;
}

}  // extern "C"

namespace {

// The curve routines answer the kernel's edges through these.
const bool edge_curves_registered = [] {
    host::curves::EdgeCurves answers;
    answers.curve_of = [](unsigned int object) -> std::optional<hostnum::Curve> {
        if (!host::kernel::edge_of_object(object)) return std::nullopt;
        return host::kernel::edge_curve_of(object);
    };
    answers.kind_of = [](unsigned int object) { return host::kernel::edge_kind_of(object); };
    answers.ends_of = [](unsigned int object, double start[3], double end[3]) {
        return host::kernel::edge_ends_of(object, start, end);
    };
    answers.circle_of = [](unsigned int object, double centre[3], double axis[3], double x_axis[3], double* radius,
                           double range[2]) {
        return host::kernel::edge_circle_of(object, centre, axis, x_axis, radius, range);
    };
    host::curves::set_edge_curves(answers);
    return true;
}();

}  // namespace

namespace {

// The store's face count of an object answers the faces and edges of the
// kernel's bodies through this. The sheet a face object holds (held_faces.h)
// is no body of the model: its face counts as the store's.
const bool body_faces_registered = [] {
    host::entity::set_kernel_body_faces([](unsigned int object, unsigned int* entity, int* faces) {
        const int k = host::kernel::entity_of(object);
        const int body = k ? host::kernel::body_of(k) : 0;
        if (!body || host::kernel::is_held_sheet(body)) return false;
        *entity = body != k ? object : 0;
        *faces = body != k ? static_cast<int>(host::kernel::faces_of(body).size()) : 0;
        return true;
    });
    return true;
}();

}  // namespace
