// Sections by planes, silhouettes and projections onto planes
// (plane_sections.h) on the kernel's section and hidden-line tools.
#include <BRepAdaptor_Curve.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRepAlgoAPI_Section.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRep_Builder.hxx>
#include <TopoDS_Compound.hxx>
#include <BRepGProp_Face.hxx>
#include <BRep_Tool.hxx>
#include <GeomAPI_PointsToBSpline.hxx>
#include <GeomConvert.hxx>
#include <Geom_BSplineCurve.hxx>
#include <Geom_Circle.hxx>
#include <Geom_Line.hxx>
#include <Geom_TrimmedCurve.hxx>
#include <HLRAlgo_Projector.hxx>
#include <HLRBRep_Algo.hxx>
#include <HLRBRep_HLRToShape.hxx>
#include <TColStd_Array1OfReal.hxx>
#include <TColgp_Array1OfPnt.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Face.hxx>
#include <gp_Pln.hxx>

#include <algorithm>
#include <cmath>
#include <optional>

#include "host/numeric/curve_kernel.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/parts.h"
#include "host/kernel/engine/brep.h"
#include "host/kernel/curves/plane_sections.h"
#include "host/numeric/curves.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace hd = host::kernel::detail;

namespace host::kernel {
namespace {

constexpr double kLinear = 1e-9;
constexpr int kSamples = 16;

gp_Pln plane_of(const CutPlane& p) {
    return gp_Pln(gp_Pnt(p.point[0], p.point[1], p.point[2]), gp_Dir(p.normal[0], p.normal[1], p.normal[2]));
}

unsigned int make_line(const gp_Pnt& a, const gp_Pnt& b) {
    const double ends[6] = {a.X(), a.Y(), a.Z(), b.X(), b.Y(), b.Z()};
    unsigned int line = 0;
    ES_create_line_in_part(0, ends, &line);
    return line;
}

// An arc of the circle from t0 to t1 (the circle's own angles), with a
// matrix of its own (the circle's axes).
unsigned int make_arc(const gp_Circ& c, double t0, double t1) {
    const gp_Ax2& ax = c.Position();
    const gp_Dir x = ax.XDirection(), y = ax.YDirection(), z = ax.Direction();
    const double rows[9] = {x.X(), x.Y(), x.Z(), y.X(), y.Y(), y.Z(), z.X(), z.Y(), z.Z()};
    unsigned int matrix = 0;
    ES_create_matrix_in_part(CONTEXT_ask_work_part(), rows, 3, &matrix);
    const gp_XYZ o = c.Location().XYZ();
    const double data[6] = {t0, t1, o.Dot(x.XYZ()), o.Dot(y.XYZ()), o.Dot(z.XYZ()), c.Radius()};
    unsigned int arc = 0;
    ES_create_arc(data, matrix, &arc);
    return arc;
}

unsigned int make_spline(const Handle(Geom_BSplineCurve) & given) {
    const hostnum::geometry::SplineData f = hostnum::geometry::spline_data(given);
    auto curve =
        hostnum::Curve::spline(f.n, f.order, f.poles.data(), f.knots.data(), hostnum::Curve::PoleForm::cartesian);
    if (!curve) return 0;
    const unsigned int t = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_SPLINE, 0, 0});
    host::curves::attach_curve(t, *curve);
    return t;
}

// The entity of an edge's curve over the edge: a line, an arc, or a spline.
unsigned int entity_of_edge(const TopoDS_Edge& e) {
    double t0 = 0, t1 = 0;
    Handle(Geom_Curve) c = BRep_Tool::Curve(e, t0, t1);
    if (c.IsNull() || BRep_Tool::Degenerated(e)) return 0;
    while (c->DynamicType() == STANDARD_TYPE(Geom_TrimmedCurve))
        c = Handle(Geom_TrimmedCurve)::DownCast(c)->BasisCurve();
    const bool reversed = e.Orientation() == TopAbs_REVERSED;
    if (c->DynamicType() == STANDARD_TYPE(Geom_Line)) {
        gp_Pnt a = c->Value(t0), b = c->Value(t1);
        if (reversed) std::swap(a, b);
        return a.Distance(b) > kLinear ? make_line(a, b) : 0;
    }
    if (c->DynamicType() == STANDARD_TYPE(Geom_Circle)) {
        gp_Circ ci = Handle(Geom_Circle)::DownCast(c)->Circ();
        if (reversed) {
            // The same arc run the other way: the circle turned over.
            ci.SetPosition(gp_Ax2(ci.Location(), ci.Axis().Direction().Reversed(), ci.XAxis().Direction()));
            const double s = 2 * M_PI - t1, f = 2 * M_PI - t0;
            return make_arc(ci, std::fmod(s, 2 * M_PI), std::fmod(s, 2 * M_PI) + (f - s));
        }
        const double s = t0 - 2 * M_PI * std::floor(t0 / (2 * M_PI));
        return make_arc(ci, s, s + (t1 - t0));
    }
    Handle(Geom_BSplineCurve) s = GeomConvert::CurveToBSplineCurve(new Geom_TrimmedCurve(c, t0, t1));
    if (reversed) s->Reverse();
    return make_spline(s);
}

std::vector<unsigned int> entities_of_edges(const TopoDS_Shape& shape) {
    std::vector<unsigned int> out;
    TopTools_IndexedMapOfShape edges;
    TopExp::MapShapes(shape, TopAbs_EDGE, edges);
    for (int i = 1; i <= edges.Extent(); ++i)
        if (const unsigned int t = entity_of_edge(TopoDS::Edge(edges(i)))) out.push_back(t);
    return out;
}

// How the face is turned at the edge's parameter t: 1 towards the viewer,
// -1 away, 0 seen edge on (or no normal there).
int turn_of(const TopoDS_Face& f, const TopoDS_Edge& e, double t, const gp_Vec& towards) {
    double p0 = 0, p1 = 0;
    Handle(Geom2d_Curve) pc = BRep_Tool::CurveOnSurface(e, f, p0, p1);
    if (pc.IsNull()) return 0;
    const gp_Pnt2d uv = pc->Value(t);
    gp_Pnt p;
    gp_Vec n;
    BRepGProp_Face(f).Normal(uv.X(), uv.Y(), p, n);
    if (n.Magnitude() < 1e-12) return 0;
    const double d = n.Normalized().Dot(towards);
    return d > 1e-7 ? 1 : d < -1e-7 ? -1 : 0;
}
bool faces_viewer(const TopoDS_Face& f, const TopoDS_Edge& e, double t, const gp_Vec& towards) {
    return turn_of(f, e, t, towards) > 0;
}

// The pieces of an edge that lie on the silhouette only in part: where one
// of its faces is turned strictly towards the viewer and the other
// strictly away (a face seen edge on decides nothing here). Each run of
// such samples is widened to its ends by bisection and made a curve.
void silhouette_pieces(const TopoDS_Edge& e, const TopoDS_Face& f1, const TopoDS_Face& f2, const gp_Vec& towards,
                       int samples, std::vector<unsigned int>& out) {
    double t0 = 0, t1 = 0;
    BRep_Tool::Range(e, t0, t1);
    const auto on = [&](double t) { return turn_of(f1, e, t, towards) * turn_of(f2, e, t, towards) < 0; };
    // From a parameter on the silhouette towards one that is not (or an end).
    const auto end_between = [&](double in, double out_at) {
        for (int i = 0; i < 48; ++i) {
            const double m = (in + out_at) / 2;
            (on(m) ? in : out_at) = m;
        }
        return in;
    };
    std::vector<double> ts;
    for (int k = 0; k <= samples; ++k) ts.push_back(t0 + (t1 - t0) * (k + 0.5) / (samples + 1));
    double c0 = 0, c1 = 0;
    Handle(Geom_Curve) c = BRep_Tool::Curve(e, c0, c1);
    if (c.IsNull()) return;
    const double snap = 1e-9 * (t1 - t0);
    for (std::size_t k = 0; k < ts.size();) {
        if (!on(ts[k])) {
            ++k;
            continue;
        }
        std::size_t j = k;
        while (j + 1 < ts.size() && on(ts[j + 1])) ++j;
        double a = end_between(ts[k], k == 0 ? t0 : ts[k - 1]);
        double z = end_between(ts[j], j + 1 == ts.size() ? t1 : ts[j + 1]);
        if (a - t0 < snap) a = t0;
        if (t1 - z < snap) z = t1;
        if (z - a > snap) {
            TopoDS_Edge piece = BRepBuilderAPI_MakeEdge(c, a, z);
            piece.Orientation(e.Orientation());
            if (const unsigned int t = entity_of_edge(piece)) out.push_back(t);
        }
        k = j + 1;
    }
}

std::optional<std::vector<gp_Pnt>> samples_of(unsigned int curve) {
    const auto c = host::curves::curve_of(curve);
    if (!c) return std::nullopt;
    double lim[2];
    hostnum::curve_limits(c->record(), lim);
    std::vector<gp_Pnt> out;
    const int n = 64;
    for (int i = 0; i <= n; ++i) {
        double p[3];
        hostnum::curve_evaluate(c->record(), 0, lim[0] + (lim[1] - lim[0]) * i / n, p, nullptr);
        out.emplace_back(p[0], p[1], p[2]);
    }
    return out;
}

}  // namespace

std::vector<unsigned int> section_curves(const std::vector<int>& entities, const CutPlane& plane) {
    const Call call("INTSEC_curves", nullptr);
    hd::ensure_started();
    std::vector<unsigned int> out;
    for (int e : entities) {
        const TopoDS_Shape shape = hd::shape_of(call, e);
        const TopoDS_Shape cut = hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
            BRepAlgoAPI_Section section(shape, plane_of(plane), Standard_False);
            section.Approximation(Standard_True);
            section.Build();
            if (!section.IsDone()) call.fail(KERNEL_ERR_EXCEPTION, "the kernel's section failed");
            return section.Shape();
        });
        for (unsigned int t : hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] { return entities_of_edges(cut); }))
            out.push_back(t);
    }
    return out;
}

std::vector<unsigned int> section_triangles(const std::vector<double>& tri, const CutPlane& plane) {
    const gp_Pnt o(plane.point[0], plane.point[1], plane.point[2]);
    const gp_Vec n(plane.normal[0], plane.normal[1], plane.normal[2]);
    std::vector<unsigned int> out;
    for (std::size_t k = 0; k + 9 <= tri.size(); k += 9) {
        gp_Pnt p[3];
        double s[3];
        for (int i = 0; i < 3; ++i) {
            p[i] = gp_Pnt(tri[k + 3 * i], tri[k + 3 * i + 1], tri[k + 3 * i + 2]);
            s[i] = gp_Vec(o, p[i]).Dot(n);
        }
        std::vector<gp_Pnt> hits;
        for (int i = 0; i < 3; ++i) {
            const int j = (i + 1) % 3;
            if ((s[i] < 0) != (s[j] < 0)) {
                const double t = s[i] / (s[i] - s[j]);
                hits.emplace_back(p[i].XYZ() + (p[j].XYZ() - p[i].XYZ()) * t);
            }
        }
        if (hits.size() == 2 && hits[0].Distance(hits[1]) > kLinear) out.push_back(make_line(hits[0], hits[1]));
    }
    return out;
}

std::vector<unsigned int> section_curve_entity(unsigned int curve, const CutPlane& plane) {
    std::vector<unsigned int> out;
    const auto pts = samples_of(curve);
    if (!pts) return out;
    const gp_Pnt o(plane.point[0], plane.point[1], plane.point[2]);
    const gp_Vec n(plane.normal[0], plane.normal[1], plane.normal[2]);
    for (std::size_t i = 0; i + 1 < pts->size(); ++i) {
        const double a = gp_Vec(o, (*pts)[i]).Dot(n), b = gp_Vec(o, (*pts)[i + 1]).Dot(n);
        if ((a < 0) == (b < 0) || a == b) continue;
        const gp_XYZ x = (*pts)[i].XYZ() + ((*pts)[i + 1].XYZ() - (*pts)[i].XYZ()) * (a / (a - b));
        const double c[3] = {x.X(), x.Y(), x.Z()};
        unsigned int point = 0;
        ES_create_point(c, &point);
        out.push_back(point);
    }
    return out;
}

std::vector<unsigned int> silhouette_curves(int body, const std::array<double, 3>& view) {
    const Call call("DSS_REND_render_solids", nullptr);
    hd::ensure_started();
    const hd::Body b = hd::require_body(call, body);
    const gp_Dir into(view[0], view[1], view[2]);
    const gp_Vec towards = -gp_Vec(into);
    return hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        std::vector<unsigned int> out;
        // Outlines of the curved faces, hidden ones too (a plane seen edge
        // on has no outline of its own: its edges are judged below).
        TopoDS_Compound curved;
        BRep_Builder builder;
        builder.MakeCompound(curved);
        bool any = false;
        for (TopExp_Explorer x(b->shape, TopAbs_FACE); x.More(); x.Next())
            if (BRepAdaptor_Surface(TopoDS::Face(x.Current())).GetType() != GeomAbs_Plane) {
                builder.Add(curved, x.Current());
                any = true;
            }
        Handle(HLRBRep_Algo) algo = new HLRBRep_Algo();
        if (any) algo->Add(curved);
        const gp_Ax2 eye(gp_Pnt(0, 0, 0), into.Reversed());
        algo->Projector(HLRAlgo_Projector(eye));
        algo->Update();
        algo->Hide();
        HLRBRep_HLRToShape shapes(algo);
        for (bool visible : {true, false}) {
            if (!any) break;
            const TopoDS_Shape outline = shapes.CompoundOfEdges(HLRBRep_OutLine, visible, Standard_True);
            if (outline.IsNull()) continue;
            TopTools_IndexedMapOfShape edges;
            TopExp::MapShapes(outline, TopAbs_EDGE, edges);
            for (int i = 1; i <= edges.Extent(); ++i) {
                const TopoDS_Edge& e = TopoDS::Edge(edges(i));
                // A line along the view is seen as a point: no outline.
                BRepAdaptor_Curve c(e);
                if (c.GetType() == GeomAbs_Line && c.Line().Direction().IsParallel(into, 1e-9)) continue;
                if (const unsigned int t = entity_of_edge(e)) out.push_back(t);
            }
        }
        // Edges between a face turned towards the viewer and one that is not.
        TopTools_IndexedDataMapOfShapeListOfShape faces;
        TopExp::MapShapesAndAncestors(b->shape, TopAbs_EDGE, TopAbs_FACE, faces);
        for (int i = 1; i <= faces.Extent(); ++i) {
            const TopoDS_Edge& e = TopoDS::Edge(faces.FindKey(i));
            if (BRep_Tool::Degenerated(e)) continue;
            const TopTools_ListOfShape& around = faces(i);
            if (around.Extent() != 2) continue;
            const TopoDS_Face& f1 = TopoDS::Face(around.First());
            const TopoDS_Face& f2 = TopoDS::Face(around.Last());
            if (f1.IsSame(f2)) continue;  // a seam
            double t0 = 0, t1 = 0;
            BRep_Tool::Range(e, t0, t1);
            bool all = true;
            for (int k = 0; k <= kSamples && all; ++k) {
                const double t = t0 + (t1 - t0) * (k + 0.5) / (kSamples + 1);
                all = faces_viewer(f1, e, t, towards) != faces_viewer(f2, e, t, towards);
            }
            if (!all) {
                silhouette_pieces(e, f1, f2, towards, kSamples, out);
                continue;
            }
            if (const unsigned int t = entity_of_edge(e)) out.push_back(t);
        }
        return out;
    });
}

unsigned int project_onto_plane(unsigned int curve, const CutPlane& plane) {
    const Call call("CPROJ_create_curves_plane", nullptr);
    hd::ensure_started();
    const auto pts = samples_of(curve);
    if (!pts) call.fail(HOST_ERR_WRONG_CLASS, "object %u has no curve", curve);
    const gp_Pnt o(plane.point[0], plane.point[1], plane.point[2]);
    const gp_Vec n(plane.normal[0], plane.normal[1], plane.normal[2]);
    std::vector<gp_Pnt> on;
    for (const gp_Pnt& p : *pts) on.emplace_back(p.XYZ() - n.XYZ() * gp_Vec(o, p).Dot(n));
    const gp_Pnt& a = on.front();
    const gp_Pnt& z = on.back();
    double far = 0, span = 0;
    for (const gp_Pnt& p : on) span = std::max(span, p.Distance(a));
    if (span <= kLinear) return 0;
    if (a.Distance(z) > kLinear) {
        const gp_Lin line(a, gp_Vec(a, z));
        for (const gp_Pnt& p : on) far = std::max(far, line.Distance(p));
        if (far <= 1e-9) return make_line(a, z);
    }
    return hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        TColgp_Array1OfPnt arr(1, static_cast<int>(on.size()));
        for (std::size_t i = 0; i < on.size(); ++i) arr.SetValue(static_cast<int>(i + 1), on[i]);
        GeomAPI_PointsToBSpline fit(arr, 3, 8, GeomAbs_C2, 1e-6);
        if (!fit.IsDone()) call.fail(KERNEL_ERR_EXCEPTION, "no curve through the projected points");
        return make_spline(fit.Curve());
    });
}

}  // namespace host::kernel
