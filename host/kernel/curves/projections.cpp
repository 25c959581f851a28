// The kernel's work for the host's curve features (host/kernel/curves/derived_curves.h):
// projections, combined curves and joins on the kernel's tools.
#include "host/kernel/curves/derived_curves.h"

#include <BRepAlgoAPI_Section.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepClass_FaceClassifier.hxx>
#include <BRepOffsetAPI_NormalProjection.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <BRepProj_Projection.hxx>
#include <BRep_Tool.hxx>
#include <GeomAPI_ExtremaCurveCurve.hxx>
#include <GeomAPI_IntCS.hxx>
#include <GeomAPI_PointsToBSpline.hxx>
#include <GeomAPI_ProjectPointOnCurve.hxx>
#include <GeomAPI_ProjectPointOnSurf.hxx>
#include <GeomConvert.hxx>
#include <GeomConvert_ApproxCurve.hxx>
#include <GeomConvert_CompCurveToBSplineCurve.hxx>
#include <Geom_BSplineCurve.hxx>
#include <Geom_Line.hxx>
#include <Geom_Surface.hxx>
#include <Geom_TrimmedCurve.hxx>
#include <TColStd_Array1OfReal.hxx>
#include <TColgp_Array1OfPnt.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Face.hxx>
#include <gp_Pln.hxx>
#include <gp_Trsf.hxx>

#include <algorithm>
#include <cmath>

#include "host/store/entities/curve_entities.h"
#include "host/kernel/curves/curve_queries.h"
#include "host/kernel/engine/brep.h"
#include "host/kernel/engine/codes.h"
#include "host/kernel/engine/links.h"
#include "host/numeric/curve_kernel.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace hd = host::kernel::detail;

namespace host::kernel::curvefeat {
namespace {

using Spline = Handle(Geom_BSplineCurve);

gp_Pnt pnt(const double p[3]) { return gp_Pnt(p[0], p[1], p[2]); }
gp_Vec vec(const double v[3]) { return gp_Vec(v[0], v[1], v[2]); }
void put(double out[3], const gp_Pnt& p) {
    out[0] = p.X();
    out[1] = p.Y();
    out[2] = p.Z();
}

// A bounded kernel curve of a curve or edge object.
struct Bounded {
    Handle(Geom_Curve) curve;
    double u0 = 0, u1 = 0;
};

Bounded bounded_of(const Call& call, tag_t object) {
    const auto rec = curve_record(object);
    if (!rec) call.fail(HOST_ERR_WRONG_CLASS, "object %u has no curve", object);
    const auto k = hostnum::geometry::build(rec->record());
    if (!k) call.fail(KERNEL_ERR_EXCEPTION, "the kernel takes no curve of object %u", object);
    // A spline that breaks (a knot held order times) is several kernel
    // curves: the features here take one.
    if (k->pieces.size() != 1) call.fail(KERNEL_ERR_EXCEPTION, "the curve of object %u breaks", object);
    double lim[2];
    hostnum::curve_limits(rec->record(), lim);
    return {k->pieces.front().curve, k->u(lim[0]), k->u(lim[1])};
}

Spline spline_of(const Bounded& b) {
    Handle(Geom_TrimmedCurve) t = new Geom_TrimmedCurve(b.curve, b.u0, b.u1);
    try {
        return GeomConvert::CurveToBSplineCurve(t);
    } catch (const Standard_Failure&) {
        GeomConvert_ApproxCurve approx(t, 1e-7, GeomAbs_C2, 64, 8);
        if (!approx.HasResult()) throw;
        return approx.Curve();
    }
}

Spline spline_of_edge(const TopoDS_Edge& e) {
    double f = 0, l = 0;
    const Handle(Geom_Curve) c = BRep_Tool::Curve(e, f, l);
    if (c.IsNull()) return {};
    Spline s = spline_of({c, f, l});
    s = Handle(Geom_BSplineCurve)::DownCast(s->Copy());
    if (e.Orientation() == TopAbs_REVERSED) s->Reverse();
    return s;
}

hostnum::Curve record_of(const Call& call, Spline c) {
    const hostnum::geometry::SplineData f = hostnum::geometry::spline_data(c);
    auto r = hostnum::Curve::spline(f.n, f.order, f.poles.data(), f.knots.data(), hostnum::Curve::PoleForm::cartesian);
    if (!r) call.fail(KERNEL_ERR_NOT_DONE, "the kernel's curve makes no spline");
    return *r;
}

TopoDS_Edge edge_of(const Bounded& b) { return BRepBuilderAPI_MakeEdge(b.curve, b.u0, b.u1).Edge(); }

const TopoDS_Face& face_shape(const Call& call, tag_t face) {
    const int e = host::kernel::face_of_object(face);
    if (!e) call.fail(HOST_ERR_WRONG_CLASS, "object %u is no face of the kernel", face);
    return TopoDS::Face(hd::require_sub(call, e, ZQ_CLASS_FACE).shape);
}

// The piece running the way the input runs (its start nearer the input's
// start along the input).
Spline oriented(const Spline& piece, const Bounded& input) {
    // The parameter of the input's point nearest p (an end when the foot
    // lies beyond it).
    auto param = [&](const gp_Pnt& p) {
        GeomAPI_ProjectPointOnCurve foot(p, input.curve, std::min(input.u0, input.u1), std::max(input.u0, input.u1));
        double best = input.u0, best_d = input.curve->Value(input.u0).Distance(p);
        if (const double d = input.curve->Value(input.u1).Distance(p); d < best_d) best = input.u1, best_d = d;
        if (foot.NbPoints() > 0 && foot.LowerDistance() < best_d) best = foot.LowerDistanceParameter();
        return best;
    };
    const double a = param(piece->StartPoint()), b = param(piece->EndPoint());
    if ((input.u1 >= input.u0) == (a <= b)) return piece;
    Spline r = Handle(Geom_BSplineCurve)::DownCast(piece->Copy());
    r->Reverse();
    return r;
}

// The signed distance, along the projection's direction at the piece, from
// the input to the piece's middle: negative when the piece lies behind.
double side_of(const Spline& piece, const Bounded& input, const Projection& how) {
    const gp_Pnt m = piece->Value((piece->FirstParameter() + piece->LastParameter()) / 2);
    gp_Vec d = how.kind == 2 ? gp_Vec(m, pnt(how.point)) : vec(how.direction);
    if (d.Magnitude() < 1e-12) return 0;
    d.Normalize();
    Handle(Geom_Line) ray = new Geom_Line(m, gp_Dir(d));
    GeomAPI_ExtremaCurveCurve ext(ray, input.curve, -1e9, 1e9, std::min(input.u0, input.u1),
                                  std::max(input.u0, input.u1));
    if (ext.NbExtrema() == 0) return 0;
    double u = 0, v = 0;
    ext.LowerDistanceParameters(u, v);
    // The input lies at u along the ray from m: the piece is ahead when u < 0.
    return how.kind == 2 ? u : -u;
}

// The point of the face's surface (within the face) on the ray from p along
// d (both ways when both), nearest p.
bool ray_hit(const TopoDS_Face& face, const gp_Pnt& p, const gp_Vec& d, bool both, double tol, gp_Pnt* out) {
    if (d.Magnitude() < 1e-12) return false;
    const Handle(Geom_Surface) s = BRep_Tool::Surface(face);
    GeomAPI_IntCS meet(new Geom_Line(p, gp_Dir(d)), s);
    if (!meet.IsDone()) return false;
    bool found = false;
    double best = 0;
    for (int i = 1; i <= meet.NbPoints(); ++i) {
        double u = 0, v = 0, w = 0;
        meet.Parameters(i, u, v, w);
        if (!both && w < -tol) continue;
        BRepClass_FaceClassifier in(face, gp_Pnt2d(u, v), tol);
        if (in.State() == TopAbs_OUT) continue;
        if (!found || std::fabs(w) < best) {
            found = true;
            best = std::fabs(w);
            *out = meet.Point(i);
        }
    }
    return found;
}

gp_Vec direction_at(const gp_Pnt& p, const Projection& how) {
    if (how.kind == 2) return gp_Vec(p, pnt(how.point));
    if (how.kind == 5) {
        const gp_Vec axis = vec(how.direction).Normalized();
        const gp_Vec w(pnt(how.point), p);
        const gp_Pnt foot = pnt(how.point).Translated(axis * w.Dot(axis));
        return gp_Vec(p, foot);
    }
    return vec(how.direction);
}

// Projection point by point (directions that change along the curve): a
// spline through the projected points, none when any point misses.
std::vector<Spline> sampled(const Bounded& in, const Projection& how,
                            const std::function<bool(const gp_Pnt&, gp_Pnt*)>& hit) {
    const int n = 64;
    TColgp_Array1OfPnt points(1, n + 1);
    for (int i = 0; i <= n; ++i) {
        gp_Pnt q;
        if (!hit(in.curve->Value(in.u0 + (in.u1 - in.u0) * i / n), &q)) return {};
        points.SetValue(i + 1, q);
    }
    // Well inside the modelling tolerance.
    GeomAPI_PointsToBSpline fit(points, 3, 8, GeomAbs_C2, std::min(how.tolerance, 1e-6));
    if (!fit.IsDone()) return {};
    return {fit.Curve()};
}

std::vector<hostnum::Curve> project_onto(const Call& call, tag_t curve, const TopoDS_Face& face, Projection how) {
    hd::ensure_started();
    const Bounded in = bounded_of(call, curve);
    return hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        std::vector<Spline> pieces;
        if (how.kind == 5) {
            pieces = sampled(in, how, [&](const gp_Pnt& p, gp_Pnt* q) {
                return ray_hit(face, p, direction_at(p, how), false, how.tolerance, q);
            });
        } else {
            TopoDS_Shape result;
            const TopoDS_Wire wire = BRepBuilderAPI_MakeWire(edge_of(in)).Wire();
            if (how.kind == 1) {
                BRepOffsetAPI_NormalProjection np(face);
                np.Add(wire);
                // Approximated well inside the modelling tolerance.
                np.SetParams(std::min(how.tolerance, 1e-7), 1e-9, GeomAbs_C2, 14, 16);
                np.Build();
                if (np.IsDone()) result = np.Shape();
            } else {
                const BRepProj_Projection proj = how.kind == 2
                                                     ? BRepProj_Projection(wire, face, pnt(how.point))
                                                     : BRepProj_Projection(wire, face, gp_Dir(vec(how.direction)));
                if (proj.IsDone()) result = proj.Shape();
            }
            if (!result.IsNull())
                for (TopExp_Explorer x(result, TopAbs_EDGE); x.More(); x.Next()) {
                    const Spline s = spline_of_edge(TopoDS::Edge(x.Current()));
                    if (s.IsNull()) continue;
                    if ((how.kind == 2 || how.kind == 3) && !how.both && side_of(s, in, how) < -how.tolerance) continue;
                    pieces.push_back(s);
                }
        }
        std::vector<hostnum::Curve> out;
        for (const Spline& s : pieces) out.push_back(record_of(call, oriented(s, in)));
        return out;
    });
}

// A planar face around the plane's point big enough for the curve.
TopoDS_Face plane_face(const Call& call, tag_t curve, const Plane& plane) {
    const Bounded in = bounded_of(call, curve);
    double reach = 0;
    for (int i = 0; i <= 8; ++i)
        reach = std::max(reach, in.curve->Value(in.u0 + (in.u1 - in.u0) * i / 8).Distance(pnt(plane.point)));
    const double size = 100 * reach + 1000;
    return BRepBuilderAPI_MakeFace(gp_Pln(pnt(plane.point), gp_Dir(vec(plane.normal))), -size, size, -size, size)
        .Face();
}

}  // namespace

std::optional<hostnum::Curve> curve_record(tag_t object) {
    if (const int e = host::kernel::edge_of_object(object)) return host::kernel::edge_curve(e);
    return host::curves::curve_of(object);
}

std::vector<hostnum::Curve> project_onto_face(const Call& call, tag_t curve, tag_t face, const Projection& how) {
    return project_onto(call, curve, face_shape(call, face), how);
}

std::vector<hostnum::Curve> project_onto_plane(const Call& call, tag_t curve, const Plane& plane,
                                               const Projection& how) {
    hd::ensure_started();
    Projection h = how;
    if (h.kind == 1) {
        // Along the plane's normal, from either side.
        h.kind = 3;
        h.both = true;
        for (int i = 0; i < 3; ++i) h.direction[i] = plane.normal[i];
    }
    const TopoDS_Face face = hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] { return plane_face(call, curve, plane); });
    return project_onto(call, curve, face, h);
}

bool project_point_onto_face(const Call& call, const double point[3], tag_t face, const Projection& how,
                             double out[3]) {
    hd::ensure_started();
    const TopoDS_Face& f = face_shape(call, face);
    return hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        gp_Pnt q;
        bool hit = false;
        if (how.kind == 1) {
            GeomAPI_ProjectPointOnSurf foot(pnt(point), BRep_Tool::Surface(f));
            if (foot.NbPoints() > 0) {
                double u = 0, v = 0;
                foot.LowerDistanceParameters(u, v);
                hit = BRepClass_FaceClassifier(f, gp_Pnt2d(u, v), how.tolerance).State() != TopAbs_OUT;
                q = foot.NearestPoint();
            }
        } else {
            hit = ray_hit(f, pnt(point), direction_at(pnt(point), how), how.both, how.tolerance, &q);
        }
        if (hit) put(out, q);
        return hit;
    });
}

bool project_point_onto_plane(const double point[3], const Plane& plane, const Projection& how, double out[3]) {
    const gp_Pnt p = pnt(point);
    const gp_Vec n = vec(plane.normal);
    const gp_Vec d = how.kind == 1 ? n : direction_at(p, how);
    const double along = d.Dot(n);
    if (std::fabs(along) < 1e-12) return false;
    const double s = gp_Vec(p, pnt(plane.point)).Dot(n) / along;
    if (how.kind != 1 && !how.both && s < 0) return false;
    put(out, p.Translated(d * s));
    return true;
}

std::vector<hostnum::Curve> combine(const Call& call, tag_t first, const double first_dir[3], tag_t second,
                                    const double second_dir[3], double tolerance) {
    hd::ensure_started();
    const Bounded a = bounded_of(call, first), b = bounded_of(call, second);
    return hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        double reach = 0;
        for (int i = 0; i <= 8; ++i)
            reach = std::max(
                reach,
                a.curve->Value(a.u0 + (a.u1 - a.u0) * i / 8).Distance(b.curve->Value(b.u0 + (b.u1 - b.u0) * i / 8)));
        const double length = 10 * reach + 100;
        auto sweep = [&](const Bounded& c, const double d[3]) {
            const gp_Vec v = vec(d).Normalized() * length;
            gp_Trsf back;
            back.SetTranslation(-v);
            const TopoDS_Shape moved = BRepBuilderAPI_Transform(edge_of(c), back, true).Shape();
            return BRepPrimAPI_MakePrism(moved, 2 * v).Shape();
        };
        BRepAlgoAPI_Section section(sweep(a, first_dir), sweep(b, second_dir));
        section.Build();
        if (!section.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the sweeps of the curves do not meet");
        std::vector<Spline> pieces;
        for (TopExp_Explorer x(section.Shape(), TopAbs_EDGE); x.More(); x.Next())
            if (const Spline s = spline_of_edge(TopoDS::Edge(x.Current())); !s.IsNull()) pieces.push_back(s);
        // Pieces that meet are one curve.
        std::vector<hostnum::Curve> out;
        std::vector<bool> used(pieces.size(), false);
        const double tol = std::max(tolerance, 1e-6);
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            if (used[i]) continue;
            used[i] = true;
            GeomConvert_CompCurveToBSplineCurve chain(pieces[i]);
            for (bool grown = true; grown;) {
                grown = false;
                for (std::size_t j = 0; j < pieces.size(); ++j)
                    if (!used[j] && chain.Add(pieces[j], tol, Standard_True)) used[j] = grown = true;
            }
            out.push_back(record_of(call, oriented(chain.BSplineCurve(), a)));
        }
        return out;
    });
}

std::vector<std::vector<tag_t>> chains(const Call& call, const std::vector<tag_t>& curves, double tolerance) {
    struct Ends {
        gp_Pnt s, e;
    };
    std::vector<Ends> ends;
    for (tag_t c : curves) {
        const Bounded b = bounded_of(call, c);
        ends.push_back({b.curve->Value(b.u0), b.curve->Value(b.u1)});
    }
    const double tol = std::max(tolerance, 1e-9);
    std::vector<bool> used(curves.size(), false);
    std::vector<std::vector<tag_t>> out;
    for (std::size_t i = 0; i < curves.size(); ++i) {
        if (used[i]) continue;
        used[i] = true;
        std::vector<tag_t> chain{curves[i]};
        gp_Pnt head = ends[i].s, tail = ends[i].e;
        for (bool grown = true; grown;) {
            grown = false;
            for (std::size_t j = 0; j < curves.size(); ++j) {
                if (used[j]) continue;
                const Ends& x = ends[j];
                if (x.s.Distance(tail) <= tol || x.e.Distance(tail) <= tol) {
                    tail = x.s.Distance(tail) <= tol ? x.e : x.s;
                    chain.push_back(curves[j]);
                } else if (x.s.Distance(head) <= tol || x.e.Distance(head) <= tol) {
                    head = x.s.Distance(head) <= tol ? x.e : x.s;
                    chain.insert(chain.begin(), curves[j]);
                } else {
                    continue;
                }
                used[j] = grown = true;
            }
        }
        out.push_back(std::move(chain));
    }
    return out;
}

Joined join(const Call& call, const std::vector<tag_t>& curves, int method, double tolerance) {
    hd::ensure_started();
    Joined r;
    if (curves.empty()) return {join_none, {}, false};
    if (method < 1 || method > 3) return {join_method, {}, false};
    for (tag_t c : curves) {
        if (!host::objects::is_alive(c)) return {join_dead, {}, false};
        const int cls = es0017_(&c);
        if ((cls != ES_CLASS_CURVE && cls != ES_CLASS_EDGE) || !curve_record(c)) return {join_not_curve, {}, false};
    }
    const double tol = std::max(tolerance, 1e-9);
    std::vector<Bounded> in;
    for (tag_t c : curves) in.push_back(bounded_of(call, c));
    // Every end meets at most one other end; a closed curve stands alone.
    std::vector<gp_Pnt> points;
    for (const Bounded& b : in) {
        points.push_back(b.curve->Value(b.u0));
        points.push_back(b.curve->Value(b.u1));
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        int meets = 0;
        for (std::size_t j = 0; j < points.size(); ++j)
            if (j != i && j / 2 != i / 2 && points[i].Distance(points[j]) <= tol) ++meets;
        if (meets > 1) return {join_branch, {}, false};
        if (in.size() > 1 && i % 2 == 0 && points[i].Distance(points[i + 1]) <= tol) return {join_closed, {}, false};
    }
    const auto grouped = chains(call, curves, tol);
    if (grouped.size() != 1) return {join_gap, {}, false};
    return hd::guarded(call, KERNEL_ERR_EXCEPTION, [&]() -> Joined {
        Spline whole;
        std::optional<GeomConvert_CompCurveToBSplineCurve> chain;
        for (tag_t c : grouped[0]) {
            const std::size_t at =
                static_cast<std::size_t>(std::find(curves.begin(), curves.end(), c) - curves.begin());
            const Spline s = spline_of(in[at]);
            if (!chain) {
                chain.emplace(s);
                continue;
            }
            if (!chain->Add(s, tol, Standard_True)) return {join_no_spline, {}, false};
        }
        whole = chain->BSplineCurve();
        if (method != 1) {
            GeomConvert_ApproxCurve approx(whole, tol, GeomAbs_C2, 200, method == 2 ? 3 : 5);
            if (!approx.HasResult()) return {join_no_spline, {}, false};
            whole = approx.Curve();
        }
        Joined j;
        j.curve = record_of(call, whole);
        j.closed = whole->StartPoint().Distance(whole->EndPoint()) <= tol;
        return j;
    });
}

}  // namespace host::kernel::curvefeat
