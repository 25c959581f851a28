// The data-quality checks of the solid kernel (host/kernel/measure/measure.h):
// tiny and misaligned geometry, spikes and cuts, smoothness, self-
// intersection of a face and between faces, structure and consistency of a
// body by the kernel's own analyser, laminar edges, edge smoothness and
// tolerance, and the minimum radii of a face.
#include <BOPAlgo_CheckResult.hxx>
#include <BRepAdaptor_Curve.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRepAlgoAPI_Check.hxx>
#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepCheck_ListOfStatus.hxx>
#include <BRepCheck_Result.hxx>
#include <BRepExtrema_DistShapeShape.hxx>
#include <BRepGProp.hxx>
#include <BRepLProp_SLProps.hxx>
#include <BRepTools.hxx>
#include <BRepTools_WireExplorer.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <GCPnts_AbscissaPoint.hxx>
#include <GProp_GProps.hxx>
#include <GeomAPI_ProjectPointOnSurf.hxx>
#include <Geom2d_Curve.hxx>
#include <Geom_Surface.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopTools_ListOfShape.hxx>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_types.h"
#include "host/kernel/engine/brep.h"
#include "host/kernel/measure/measure.h"
#include "host/numeric/curves.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace hd = host::kernel::detail;
namespace hk = host::kernel;

namespace {

void put(double* out, const gp_XYZ& v) {
    out[0] = v.X();
    out[1] = v.Y();
    out[2] = v.Z();
}

void clear(MEASURE_check_t* r) { *r = MEASURE_check_t{}; }

// Notes one faulty entity; the first one found is described.
void note(MEASURE_check_t* r, int token, int entity, const gp_Pnt& at) {
    if (r->count++ > 0) return;
    r->token = token;
    r->entity = entity;
    r->first = entity ? hk::object_of(entity) : 0;
    put(r->point, at.XYZ());
}

gp_Pnt centre_of(const TopoDS_Shape& s) {
    Bnd_Box b;
    BRepBndLib::Add(s, b);
    if (b.IsVoid()) return gp_Pnt();
    double x0, y0, z0, x1, y1, z1;
    b.Get(x0, y0, z0, x1, y1, z1);
    return gp_Pnt((x0 + x1) / 2, (y0 + y1) / 2, (z0 + z1) / 2);
}

int token_of(BRepCheck_Status s) {
    switch (s) {
        case BRepCheck_InvalidPointOnCurve:
        case BRepCheck_InvalidPointOnCurveOnSurface: return MEASURE_TOKEN_POINT_ON_CURVE;
        case BRepCheck_Invalid3DCurve:
        case BRepCheck_Multiple3DCurve:
        case BRepCheck_InvalidCurveOnSurface:
        case BRepCheck_InvalidCurveOnClosedSurface:
        case BRepCheck_InvalidRange:
        case BRepCheck_InvalidSameRangeFlag:
        case BRepCheck_InvalidDegeneratedFlag:
        case BRepCheck_InvalidPolygonOnTriangulation:
        case BRepCheck_InvalidToleranceValue: return MEASURE_TOKEN_GEOMETRY;
        case BRepCheck_FreeEdge:
        case BRepCheck_InvalidMultiConnexity: return MEASURE_TOKEN_TOPOLOGY;
        case BRepCheck_InvalidPointOnSurface: return MEASURE_TOKEN_POINT_ON_SURFACE;
        case BRepCheck_No3DCurve:
        case BRepCheck_NoCurveOnSurface:
        case BRepCheck_NoSurface: return MEASURE_TOKEN_NO_CURVE;
        case BRepCheck_SelfIntersectingWire:
        case BRepCheck_IntersectingWires: return MEASURE_TOKEN_SELF_INTERSECT;
        case BRepCheck_InvalidSameParameterFlag: return MEASURE_TOKEN_SAME_PARAMETER;
        case BRepCheck_BadOrientation:
        case BRepCheck_BadOrientationOfSubshape:
        case BRepCheck_UnorientableShape: return MEASURE_TOKEN_ORIENTATION;
        case BRepCheck_NotConnected:
        case BRepCheck_SubshapeNotInShape: return MEASURE_TOKEN_NOT_CONNECTED;
        case BRepCheck_EmptyWire:
        case BRepCheck_EmptyShell: return MEASURE_TOKEN_EMPTY;
        case BRepCheck_RedundantEdge:
        case BRepCheck_RedundantWire:
        case BRepCheck_RedundantFace: return MEASURE_TOKEN_REDUNDANT;
        case BRepCheck_InvalidImbricationOfWires:
        case BRepCheck_InvalidImbricationOfShells:
        case BRepCheck_EnclosedRegion: return MEASURE_TOKEN_LOOP_ORDER;
        case BRepCheck_NotClosed: return MEASURE_TOKEN_NOT_CLOSED;
        case BRepCheck_InvalidWire: return MEASURE_TOKEN_BAD_LOOP;
        default: return MEASURE_TOKEN_OTHER;
    }
}

// Tokens of the structure check; every other token is one of consistency.
bool structural(int token) {
    switch (token) {
        case MEASURE_TOKEN_TOPOLOGY:
        case MEASURE_TOKEN_ORIENTATION:
        case MEASURE_TOKEN_NOT_CONNECTED:
        case MEASURE_TOKEN_EMPTY:
        case MEASURE_TOKEN_REDUNDANT:
        case MEASURE_TOKEN_LOOP_ORDER:
        case MEASURE_TOKEN_NOT_CLOSED:
        case MEASURE_TOKEN_BAD_LOOP: return true;
        default: return false;
    }
}

struct Found {
    int token;
    TopoDS_Shape where;
};

// Every fault of the kernel's analyser on the shape and its sub-shapes,
// each token once per sub-shape.
std::vector<Found> analyse(const TopoDS_Shape& shape) {
    std::vector<Found> out;
    BRepCheck_Analyzer analyser(shape);
    if (analyser.IsValid()) return out;
    TopTools_IndexedMapOfShape subs;
    for (TopAbs_ShapeEnum k : {TopAbs_VERTEX, TopAbs_EDGE, TopAbs_WIRE, TopAbs_FACE, TopAbs_SHELL, TopAbs_SOLID})
        TopExp::MapShapes(shape, k, subs);
    const auto add = [&](const BRepCheck_ListOfStatus& list, const TopoDS_Shape& where) {
        for (const BRepCheck_Status s : list) {
            if (s == BRepCheck_NoError) continue;
            const int t = token_of(s);
            if (std::none_of(out.begin(), out.end(),
                             [&](const Found& f) { return f.token == t && f.where.IsSame(where); }))
                out.push_back({t, where});
        }
    };
    for (int i = 1; i <= subs.Extent(); ++i) {
        const Handle(BRepCheck_Result)& r = analyser.Result(subs(i));
        if (r.IsNull()) continue;
        add(r->Status(), subs(i));
        for (r->InitContextIterator(); r->MoreShapeInContext(); r->NextShapeInContext())
            add(r->StatusOnShape(), subs(i));
    }
    if (out.empty()) out.push_back({MEASURE_TOKEN_OTHER, shape});
    return out;
}

hd::Body body_of(const host::Call& call, int body) { return hd::require_body(call, body); }

const TopoDS_Face& face_of(const host::Call& call, int face, hd::Body* owner = nullptr) {
    return TopoDS::Face(hd::require_sub(call, face, ZQ_CLASS_FACE, owner).shape);
}

// The shape an object stands for in the geometry checks, or none for a
// curve object (checked by its own curve).
TopoDS_Shape solid_shape(const host::Call& call, unsigned int object, hd::Body* owner) {
    const int e = hk::entity_of(object);
    if (!e) call.fail(KERNEL_ERR_NO_ENTITY, "object %u has no kernel entity", object);
    return hd::shape_of(call, e, nullptr, owner);
}

int tag_in(const hd::Body& b, const TopoDS_Shape& s) { return b ? b->tag_of(s) : 0; }

double edge_length(const TopoDS_Edge& e) {
    if (BRep_Tool::Degenerated(e)) return -1;
    return GCPnts_AbscissaPoint::Length(BRepAdaptor_Curve(e));
}

// A line or straight edge's direction, or a planar face's normal.
std::optional<gp_Dir> direction_of(const TopoDS_Shape& s) {
    if (s.ShapeType() == TopAbs_EDGE) {
        const TopoDS_Edge& e = TopoDS::Edge(s);
        if (BRep_Tool::Degenerated(e)) return std::nullopt;
        const BRepAdaptor_Curve c(e);
        if (c.GetType() == GeomAbs_Line) return c.Line().Direction();
        return std::nullopt;
    }
    if (s.ShapeType() == TopAbs_FACE) {
        const BRepAdaptor_Surface f(TopoDS::Face(s));
        if (f.GetType() == GeomAbs_Plane) return f.Plane().Axis().Direction();
    }
    return std::nullopt;
}

// Angle of the direction to the nearest axis of the frame (either sense).
double off_axis(const gp_Dir& d, const double frame[9]) {
    double best = M_PI;
    for (int i = 0; i < 3; ++i) {
        const gp_Vec axis(frame[3 * i], frame[3 * i + 1], frame[3 * i + 2]);
        if (axis.Magnitude() < 1e-12) continue;
        const double a = gp_Vec(d).Angle(axis);
        best = std::min({best, a, M_PI - a});
    }
    return best;
}

// The surface's unit normal at (u, v) of the face, turned with the face.
std::optional<gp_Dir> normal_at(const TopoDS_Face& f, double u, double v) {
    BRepLProp_SLProps p(BRepAdaptor_Surface(f), u, v, 1, 1e-9);
    if (!p.IsNormalDefined()) return std::nullopt;
    gp_Dir n = p.Normal();
    if (f.Orientation() == TopAbs_REVERSED) n.Reverse();
    return n;
}

// Distinct faces at an edge of the shape.
std::vector<TopoDS_Face> faces_at(const TopoDS_Shape& shape, const TopoDS_Edge& e) {
    TopTools_IndexedDataMapOfShapeListOfShape map;
    TopExp::MapShapesAndAncestors(shape, TopAbs_EDGE, TopAbs_FACE, map);
    std::vector<TopoDS_Face> out;
    const int i = map.FindIndex(e);
    if (i == 0) return out;
    for (const TopoDS_Shape& f : map(i))
        if (std::none_of(out.begin(), out.end(), [&](const TopoDS_Face& g) { return g.IsSame(f); }))
            out.push_back(TopoDS::Face(f));
    return out;
}

// A point where the face's surface passes through itself: two patches of
// its parameter box that are not neighbours meet at a regular point of
// the surface with different parameters.
std::optional<gp_Pnt> surface_crossing(const TopoDS_Face& face) {
    const Handle(Geom_Surface) s = BRep_Tool::Surface(face);
    double u0, u1, v0, v1;
    BRepTools::UVBounds(face, u0, u1, v0, v1);
    constexpr int k = 4;
    struct Patch {
        int i, j;
        double u0, u1, v0, v1;
        TopoDS_Face face;
        Bnd_Box box;
    };
    std::vector<Patch> patches;
    for (int i = 0; i < k; ++i)
        for (int j = 0; j < k; ++j) {
            Patch p{i,
                    j,
                    u0 + (u1 - u0) * i / k,
                    u0 + (u1 - u0) * (i + 1) / k,
                    v0 + (v1 - v0) * j / k,
                    v0 + (v1 - v0) * (j + 1) / k,
                    {},
                    {}};
            BRepBuilderAPI_MakeFace f(s, p.u0, p.u1, p.v0, p.v1, 1e-7);
            if (!f.IsDone()) continue;
            p.face = f.Face();
            BRepBndLib::Add(p.face, p.box);
            p.box.SetGap(1e-6);
            patches.push_back(p);
        }
    const bool up = s->IsUPeriodic(), vp = s->IsVPeriodic();
    const double uperiod = up ? s->UPeriod() : 0, vperiod = vp ? s->VPeriod() : 0;
    const auto apart = [](double a, double b, double period) {
        double d = std::abs(a - b);
        if (period > 0) {
            d = std::fmod(d, period);
            d = std::min(d, period - d);
        }
        return d;
    };
    const auto neighbours = [&](const Patch& a, const Patch& b) {
        int di = std::abs(a.i - b.i), dj = std::abs(a.j - b.j);
        if (up) di = std::min(di, k - di);
        if (vp) dj = std::min(dj, k - dj);
        return di <= 1 && dj <= 1;
    };
    const auto uv_on = [&](const Patch& p, const gp_Pnt& at, double& u, double& v) {
        GeomAPI_ProjectPointOnSurf proj(at, s, p.u0, p.u1, p.v0, p.v1);
        if (proj.NbPoints() < 1) return false;
        proj.LowerDistanceParameters(u, v);
        return true;
    };
    const auto regular = [&](double u, double v) {
        gp_Pnt p;
        gp_Vec du, dv;
        s->D1(u, v, p, du, dv);
        return du.Crossed(dv).Magnitude() > 1e-10;
    };
    const double scale = std::max(u1 - u0, v1 - v0);
    for (std::size_t a = 0; a < patches.size(); ++a)
        for (std::size_t b = a + 1; b < patches.size(); ++b) {
            const Patch &p = patches[a], &q = patches[b];
            if (neighbours(p, q) || p.box.IsOut(q.box)) continue;
            BRepExtrema_DistShapeShape d(p.face, q.face);
            if (!d.IsDone() || d.Value() > 1e-6) continue;
            for (int n = 1; n <= d.NbSolution(); ++n) {
                double ua, va, ub, vb;
                if (!uv_on(p, d.PointOnShape1(n), ua, va) || !uv_on(q, d.PointOnShape2(n), ub, vb)) continue;
                if (!regular(ua, va) || !regular(ub, vb)) continue;
                if (apart(ua, ub, uperiod) + apart(va, vb, vperiod) > 1e-6 * scale) return d.PointOnShape1(n);
            }
        }
    return std::nullopt;
}

// A point where two edges of the face's boundary cross, if any.
std::optional<gp_Pnt> boundary_crossing(const TopoDS_Face& face) {
    std::vector<TopoDS_Edge> edges;
    for (TopExp_Explorer e(face, TopAbs_EDGE); e.More(); e.Next()) edges.push_back(TopoDS::Edge(e.Current()));
    for (std::size_t a = 0; a < edges.size(); ++a)
        for (std::size_t b = a + 1; b < edges.size(); ++b) {
            TopoDS_Vertex a0, a1, b0, b1;
            TopExp::Vertices(edges[a], a0, a1);
            TopExp::Vertices(edges[b], b0, b1);
            BRepExtrema_DistShapeShape d(edges[a], edges[b]);
            if (!d.IsDone() || d.Value() > 1e-6) continue;
            for (int n = 1; n <= d.NbSolution(); ++n) {
                const gp_Pnt p = d.PointOnShape1(n);
                bool at_vertex = false;
                for (const TopoDS_Vertex& v : {a0, a1, b0, b1})
                    if (!v.IsNull() && BRep_Tool::Pnt(v).Distance(p) < 1e-6) at_vertex = true;
                if (!at_vertex) return p;
            }
        }
    return std::nullopt;
}

template <class F>
int checked(const host::Call& call, F&& f) {
    try {
        return f();
    } catch (const host::HostError&) {
        throw;
    } catch (...) {
        hd::rethrow_as(call, KERNEL_ERR_EXCEPTION);
    }
}

}  // namespace

extern "C" {

int do_tiny(unsigned int object, double tolerance, MEASURE_check_t* result) {
    auto call = HOST_ENTRY(object, tolerance, result);
    call.need(result, "the result output");
    clear(result);
    if (int st; call.status(st)) return st;
    const host::objects::Object& o = call.live(object);
    if (o.type != HOST_TYPE_SOLID) {
        // A curve object: shorter than the tolerance.
        std::optional<hostnum::Curve> c = host::curves::curve_of(object);
        if (!c) return o.type == HOST_TYPE_POINT ? 0 : KERNEL_ERR_WRONG_ENTITY;
        double r[2], length = 0;
        hostnum::curve_limits(c->record(), r);
        if (hostnum::curve_arc_length(c->record(), r[0], r[1], &length) != hostnum::CurveError::ok)
            return KERNEL_ERR_NO_ANSWER;
        if (length < tolerance) {
            double p[3];
            hostnum::curve_evaluate(c->record(), 0, (r[0] + r[1]) / 2, p, nullptr);
            note(result, 0, 0, gp_Pnt(p[0], p[1], p[2]));
            result->first = object;
        }
        return 0;
    }
    hd::Body owner;
    const TopoDS_Shape s = solid_shape(call, object, &owner);
    return checked(call, [&] {
        TopTools_IndexedMapOfShape edges, faces;
        TopExp::MapShapes(s, TopAbs_EDGE, edges);
        TopExp::MapShapes(s, TopAbs_FACE, faces);
        for (int i = 1; i <= edges.Extent(); ++i) {
            const double l = edge_length(TopoDS::Edge(edges(i)));
            if (l >= 0 && l < tolerance) note(result, 0, tag_in(owner, edges(i)), centre_of(edges(i)));
        }
        // A face narrower than the tolerance: its area below half its
        // perimeter times the tolerance.
        for (int i = 1; i <= faces.Extent(); ++i) {
            GProp_GProps area, perimeter;
            BRepGProp::SurfaceProperties(faces(i), area);
            BRepGProp::LinearProperties(faces(i), perimeter);
            if (area.Mass() < tolerance * perimeter.Mass() / 2)
                note(result, 0, tag_in(owner, faces(i)), centre_of(faces(i)));
        }
        return 0;
    });
}

int do_misaligned(unsigned int object, const double frame[9], double angle, MEASURE_check_t* result) {
    auto call = HOST_ENTRY(object, frame, angle, result);
    call.need(result, "the result output");
    clear(result);
    if (int st; call.status(st)) return st;
    static const double absolute[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const double* axes = frame ? frame : absolute;
    const double limit = angle * M_PI / 180;
    const auto misaligned = [&](const gp_Dir& d) {
        const double a = off_axis(d, axes);
        return a > 1e-9 && a < limit;
    };
    const host::objects::Object& o = call.live(object);
    if (o.type != HOST_TYPE_SOLID) {
        std::optional<hostnum::Curve> c = host::curves::curve_of(object);
        if (!c) return o.type == HOST_TYPE_POINT ? 0 : KERNEL_ERR_WRONG_ENTITY;
        if (hostnum::evaluator_type(c->record()) != EVAL_LINE) return 0;
        const auto* d = static_cast<const curve_line_data*>(c->record().data);
        const gp_Vec v(d->direction[0], d->direction[1], d->direction[2]);
        if (v.Magnitude() > 0 && misaligned(gp_Dir(v))) {
            note(result, 0, 0, gp_Pnt(d->origin[0], d->origin[1], d->origin[2]));
            result->first = object;
        }
        return 0;
    }
    hd::Body owner;
    const TopoDS_Shape s = solid_shape(call, object, &owner);
    return checked(call, [&] {
        TopTools_IndexedMapOfShape subs;
        TopExp::MapShapes(s, TopAbs_FACE, subs);
        TopExp::MapShapes(s, TopAbs_EDGE, subs);
        for (int i = 1; i <= subs.Extent(); ++i)
            if (const auto d = direction_of(subs(i)); d && misaligned(*d))
                note(result, 0, tag_in(owner, subs(i)), centre_of(subs(i)));
        return 0;
    });
}

int do_spikes_cuts(int face, double tolerance, MEASURE_check_t* result) {
    auto call = HOST_ENTRY(face, tolerance, result);
    call.need(result, "the result output");
    clear(result);
    if (int st; call.status(st)) return st;
    hd::Body owner;
    const TopoDS_Face& f = face_of(call, face, &owner);
    return checked(call, [&] {
        // At each vertex of each loop, the edges in and out of it leave it
        // along nearly one line when the chord of their angle over the
        // shorter edge is below the tolerance.
        for (TopExp_Explorer w(f, TopAbs_WIRE); w.More(); w.Next()) {
            std::vector<TopoDS_Edge> loop;
            for (BRepTools_WireExplorer e(TopoDS::Wire(w.Current()), f); e.More(); e.Next())
                loop.push_back(e.Current());
            if (loop.size() < 2) continue;
            for (std::size_t i = 0; i < loop.size(); ++i) {
                const TopoDS_Edge& in = loop[i];
                const TopoDS_Edge& out = loop[(i + 1) % loop.size()];
                if (BRep_Tool::Degenerated(in) || BRep_Tool::Degenerated(out)) continue;
                const BRepAdaptor_Curve ci(in), co(out);
                const bool ri = in.Orientation() == TopAbs_REVERSED, ro = out.Orientation() == TopAbs_REVERSED;
                gp_Pnt at, p;
                gp_Vec ti, to;
                ci.D1(ri ? ci.FirstParameter() : ci.LastParameter(), at, ti);
                co.D1(ro ? co.LastParameter() : co.FirstParameter(), p, to);
                if (ri) ti.Reverse();
                if (ro) to.Reverse();
                if (ti.Magnitude() < 1e-12 || to.Magnitude() < 1e-12) continue;
                // Back along the edge in against forward along the edge out.
                const double gap = ti.Reversed().Angle(to);
                const double shorter = std::min(edge_length(in), edge_length(out));
                if (gap * shorter < tolerance) note(result, 0, face, at);
            }
        }
        return 0;
    });
}

int do_face_smooth(int face, int* faults) {
    auto call = HOST_ENTRY(face, faults);
    call.need(faults, "the fault count output");
    *faults = 0;
    if (int st; call.status(st)) return st;
    const TopoDS_Face& f = face_of(call, face);
    return checked(call, [&] {
        const BRepAdaptor_Surface s(f);
        *faults = (s.NbUIntervals(GeomAbs_G1) - 1) + (s.NbVIntervals(GeomAbs_G1) - 1);
        return 0;
    });
}

int do_face_self_intersect(int face, int* token, double point[3]) {
    auto call = HOST_ENTRY(face, token, point);
    call.need(token, "the token output");
    call.need(point, "the point output");
    *token = 0;
    std::fill(point, point + 3, 0.0);
    if (int st; call.status(st)) {
        if (call.outputs() > 0) *token = static_cast<int>(call.int_out(0, 0));
        return st;
    }
    const TopoDS_Face& f = face_of(call, face);
    return checked(call, [&] {
        std::optional<gp_Pnt> at = boundary_crossing(f);
        if (!at) at = surface_crossing(f);
        if (at) {
            *token = MEASURE_TOKEN_SELF_INTERSECT;
            put(point, at->XYZ());
        }
        return 0;
    });
}

int do_structures(int body, int* count, MEASURE_fault_t** faults) {
    auto call = HOST_ENTRY(body, count, faults);
    call.need(count, "the count output");
    call.need(faults, "the faults output");
    *count = 0;
    *faults = nullptr;
    if (int st; call.status(st)) return st;
    const hd::Body b = body_of(call, body);
    std::vector<MEASURE_fault_t> found;
    if (call.outputs() > 0) {
        for (std::size_t i = 0; i < call.outputs(); ++i)
            found.push_back({static_cast<int>(call.int_out(i, 0)), body, b->object});
    } else {
        checked(call, [&] {
            for (const Found& f : analyse(b->shape))
                if (structural(f.token)) {
                    const int tag = tag_in(b, f.where);
                    found.push_back({f.token, tag ? tag : body, tag ? hk::object_of(tag) : b->object});
                }
            return 0;
        });
    }
    if (found.empty()) return 0;
    *faults = static_cast<MEASURE_fault_t*>(SM_alloc(found.size() * sizeof(MEASURE_fault_t)));
    std::copy(found.begin(), found.end(), *faults);
    *count = static_cast<int>(found.size());
    return 0;
}

int do_consistency(int body, int* count, int** tokens, MEASURE_check_t* result) {
    auto call = HOST_ENTRY(body, count, tokens, result);
    call.need(count, "the count output");
    call.need(tokens, "the tokens output");
    call.need(result, "the result output");
    *count = 0;
    *tokens = nullptr;
    clear(result);
    if (int st; call.status(st)) return st;
    const hd::Body b = body_of(call, body);
    std::vector<int> found;
    if (call.outputs() > 0) {
        // Scripted tokens stand for the analyser's.
        for (std::size_t i = 0; i < call.outputs(); ++i) {
            found.push_back(static_cast<int>(call.int_out(i, 0)));
            note(result, found.back(), body, gp_Pnt());
        }
    } else {
        checked(call, [&] {
            for (const Found& f : analyse(b->shape))
                if (!structural(f.token)) {
                    found.push_back(f.token);
                    note(result, f.token, tag_in(b, f.where), centre_of(f.where));
                }
            return 0;
        });
    }
    if (found.empty()) return 0;
    *tokens = static_cast<int*>(SM_alloc(found.size() * sizeof(int)));
    std::copy(found.begin(), found.end(), *tokens);
    *count = static_cast<int>(found.size());
    return 0;
}

int do_ff_intersect(int body, int* count, MEASURE_check_t* result) {
    auto call = HOST_ENTRY(body, count, result);
    call.need(count, "the count output");
    call.need(result, "the result output");
    *count = 0;
    clear(result);
    if (int st; call.status(st)) return st;
    const hd::Body b = body_of(call, body);
    return checked(call, [&] {
        BRepAlgoAPI_Check check(b->shape, Standard_False, Standard_True);
        // Pairs of faces; other sub-shapes that meet only when no face does.
        const auto faces = [](const BOPAlgo_CheckResult& r) {
            const TopTools_ListOfShape &one = r.GetFaultyShapes1(), &two = r.GetFaultyShapes2();
            return !one.IsEmpty() && !two.IsEmpty() && one.First().ShapeType() == TopAbs_FACE &&
                   two.First().ShapeType() == TopAbs_FACE;
        };
        bool any_faces = false;
        for (const BOPAlgo_CheckResult& r : check.Result())
            if (r.GetCheckStatus() == BOPAlgo_SelfIntersect && faces(r)) any_faces = true;
        for (const BOPAlgo_CheckResult& r : check.Result()) {
            if (r.GetCheckStatus() != BOPAlgo_SelfIntersect || (any_faces && !faces(r))) continue;
            const TopTools_ListOfShape &one = r.GetFaultyShapes1(), &two = r.GetFaultyShapes2();
            gp_Pnt at;
            int tag = 0;
            if (!one.IsEmpty()) {
                tag = tag_in(b, one.First());
                if (!two.IsEmpty()) {
                    BRepExtrema_DistShapeShape d(one.First(), two.First());
                    at = d.IsDone() && d.NbSolution() > 0 ? d.PointOnShape1(1) : centre_of(one.First());
                } else {
                    at = centre_of(one.First());
                }
            }
            note(result, MEASURE_TOKEN_SELF_INTERSECT, tag, at);
        }
        *count = result->count;
        return 0;
    });
}

void ZQ_BODY_find_laminar_edges(int body, int* boundaries, int** counts, int** edges) {
    auto call = HOST_ENTRY(body, boundaries, counts, edges);
    call.need(boundaries, "the boundary count output");
    call.need(counts, "the counts output");
    call.need(edges, "the edges output");
    *boundaries = 0;
    *counts = nullptr;
    *edges = nullptr;
    const hd::Body b = body_of(call, body);
    std::vector<std::vector<int>> groups;
    checked(call, [&] {
        TopTools_IndexedDataMapOfShapeListOfShape map;
        TopExp::MapShapesAndAncestors(b->shape, TopAbs_EDGE, TopAbs_FACE, map);
        std::vector<TopoDS_Edge> open;
        for (int i = 1; i <= map.Extent(); ++i) {
            const TopoDS_Edge& e = TopoDS::Edge(map.FindKey(i));
            if (BRep_Tool::Degenerated(e) || map(i).IsEmpty()) continue;
            const std::vector<TopoDS_Face> fs = faces_at(b->shape, e);
            if (fs.size() == 1 && !BRep_Tool::IsClosed(e, fs[0])) open.push_back(e);
        }
        // Edges that share a vertex belong to one boundary.
        std::vector<std::size_t> root(open.size());
        std::iota(root.begin(), root.end(), 0);
        const auto find = [&](std::size_t i) {
            while (root[i] != i) i = root[i] = root[root[i]];
            return i;
        };
        for (std::size_t i = 0; i < open.size(); ++i)
            for (std::size_t j = i + 1; j < open.size(); ++j) {
                TopoDS_Vertex a0, a1, b0, b1;
                TopExp::Vertices(open[i], a0, a1);
                TopExp::Vertices(open[j], b0, b1);
                bool shared = false;
                for (const TopoDS_Vertex& x : {a0, a1})
                    for (const TopoDS_Vertex& y : {b0, b1})
                        if (!x.IsNull() && !y.IsNull() && x.IsSame(y)) shared = true;
                if (shared) root[find(i)] = find(j);
            }
        std::vector<std::size_t> order;
        for (std::size_t i = 0; i < open.size(); ++i) {
            const std::size_t r = find(i);
            auto at = std::find(order.begin(), order.end(), r);
            if (at == order.end()) {
                order.push_back(r);
                groups.emplace_back();
                at = order.end() - 1;
            }
            groups[static_cast<std::size_t>(at - order.begin())].push_back(b->tag_of(open[i]));
        }
        return 0;
    });
    if (groups.empty()) return;
    std::size_t total = 0;
    for (const auto& g : groups) total += g.size();
    *counts = static_cast<int*>(SM_alloc(groups.size() * sizeof(int)));
    *edges = static_cast<int*>(SM_alloc(total * sizeof(int)));
    std::size_t k = 0;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        (*counts)[i] = static_cast<int>(groups[i].size());
        for (int t : groups[i]) (*edges)[k++] = t;
    }
    *boundaries = static_cast<int>(groups.size());
}

void ZQ_EDGE_is_smooth(int edge, double angle, int* smooth) {
    auto call = HOST_ENTRY(edge, angle, smooth);
    call.need(smooth, "the answer output");
    *smooth = 0;
    hd::Body owner;
    const TopoDS_Edge e = TopoDS::Edge(hd::require_sub(call, edge, ZQ_CLASS_EDGE, &owner).shape);
    checked(call, [&] {
        const std::vector<TopoDS_Face> fs = faces_at(owner->shape, e);
        if (fs.size() != 2 || BRep_Tool::Degenerated(e)) return 0;
        double first = 0, last = 0;
        const Handle(Geom2d_Curve) c0 = BRep_Tool::CurveOnSurface(e, fs[0], first, last);
        double first1 = 0, last1 = 0;
        const Handle(Geom2d_Curve) c1 = BRep_Tool::CurveOnSurface(e, fs[1], first1, last1);
        if (c0.IsNull() || c1.IsNull()) return 0;
        constexpr int n = 8;
        for (int i = 0; i <= n; ++i) {
            const gp_Pnt2d a = c0->Value(first + (last - first) * i / n);
            const gp_Pnt2d b = c1->Value(first1 + (last1 - first1) * i / n);
            const auto na = normal_at(fs[0], a.X(), a.Y()), nb = normal_at(fs[1], b.X(), b.Y());
            if (!na || !nb) continue;
            if (na->Angle(*nb) > angle) return 0;
        }
        *smooth = 1;
        return 0;
    });
}

void KI_outlen(const int* edge, double* tolerance, int* ifail) {
    auto call = HOST_ENTRY(edge ? *edge : 0, tolerance, ifail);
    call.need(edge, "the edge");
    call.need(tolerance, "the tolerance output");
    call.need(ifail, "the failure output");
    *tolerance = 0;
    const hd::Loc* at = hd::locate(*edge);
    if (!at || at->cls != ZQ_CLASS_EDGE) {
        *ifail = at ? KERNEL_ERR_WRONG_ENTITY : KERNEL_ERR_NO_ENTITY;
        return;
    }
    *ifail = 0;
    *tolerance = BRep_Tool::Tolerance(TopoDS::Edge(hd::require_sub(call, *edge, ZQ_CLASS_EDGE).shape));
}

void PX_face_ask_min_radii(int face, int capacity, int* count, double* radii, double* positions, double* uvs) {
    auto call = HOST_ENTRY(face, capacity, count, radii);
    call.need(count, "the count output");
    *count = 0;
    const int room = std::min(std::max(capacity, 0), MEASURE_MAX_MIN_RADII);
    if (room > 0) {
        call.need(radii, "the radii output");
        call.need(positions, "the positions output");
        call.need(uvs, "the parameters output");
    }
    const TopoDS_Face& f = face_of(call, face);
    checked(call, [&] {
        // The strongest bending over a grid of the face's parameter box,
        // in the direction of greater and of lesser bending.
        double u0, u1, v0, v1;
        BRepTools::UVBounds(f, u0, u1, v0, v1);
        const BRepAdaptor_Surface s(f);
        constexpr int n = 16;
        struct Best {
            double k = 0;
            gp_Pnt at;
            double u = 0, v = 0;
        } most[2];
        for (int i = 0; i <= n; ++i)
            for (int j = 0; j <= n; ++j) {
                const double u = u0 + (u1 - u0) * i / n, v = v0 + (v1 - v0) * j / n;
                BRepLProp_SLProps p(s, u, v, 2, 1e-9);
                if (!p.IsCurvatureDefined()) continue;
                const double a = std::abs(p.MaxCurvature()), b = std::abs(p.MinCurvature());
                const double k[2] = {std::max(a, b), std::min(a, b)};
                for (int d = 0; d < 2; ++d)
                    if (k[d] > most[d].k + 1e-12) most[d] = {k[d], p.Value(), u, v};
            }
        for (const Best& b : most) {
            if (*count >= room || b.k <= 1e-12) break;
            radii[*count] = 1 / b.k;
            put(positions + 3 * *count, b.at.XYZ());
            uvs[2 * *count] = b.u;
            uvs[2 * *count + 1] = b.v;
            ++*count;
        }
        return 0;
    });
}

}  // extern "C"
