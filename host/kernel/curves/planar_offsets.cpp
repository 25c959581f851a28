// Planar offsets of curve chains (host/kernel/curves/derived_curves.h): the kernel's
// offset of a planar wire, on the side asked for, with its corners.
#include <BRepAdaptor_Curve.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepLib_FindSurface.hxx>
#include <BRepOffsetAPI_MakeOffset.hxx>
#include <BRepTools_WireExplorer.hxx>
#include <BRep_Tool.hxx>
#include <GeomAPI_ProjectPointOnCurve.hxx>
#include <Geom_Plane.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Vertex.hxx>
#include <TopoDS_Wire.hxx>
#include <gp_Pln.hxx>
#include <gp_Trsf.hxx>

#include <algorithm>
#include <cmath>
#include <utility>

#include "host/kernel/engine/brep.h"
#include "host/kernel/engine/codes.h"
#include "host/kernel/curves/derived_curves.h"
#include "host/kernel/curves/edge_records.h"
#include "host/numeric/curve_kernel.h"
#include "host/base/services/error.h"

namespace hd = host::kernel::detail;

namespace host::kernel::curvefeat {
namespace {

void put(double out[3], const gp_XYZ& p) {
    out[0] = p.X();
    out[1] = p.Y();
    out[2] = p.Z();
}

// The edges of a curve or edge object, running as the curve runs.
std::vector<TopoDS_Edge> edges_of(const Call& call, tag_t object) {
    const auto rec = curve_record(object);
    if (!rec) call.fail(HOST_ERR_WRONG_CLASS, "object %u has no curve", object);
    const auto k = hostnum::geometry::build(rec->record());
    if (!k) call.fail(KERNEL_ERR_EXCEPTION, "the kernel takes no curve of object %u", object);
    double lim[2];
    hostnum::curve_limits(rec->record(), lim);
    std::vector<TopoDS_Edge> out;
    for (std::size_t i = 0; i < k->pieces.size(); ++i) {
        double u0 = 0, u1 = 0;
        if (!k->stretch(i, std::min(lim[0], lim[1]), std::max(lim[0], lim[1]), &u0, &u1)) continue;
        const bool backward = u0 > u1;
        if (backward) std::swap(u0, u1);
        if (!(u1 - u0 > 1e-12)) continue;
        TopoDS_Edge e = BRepBuilderAPI_MakeEdge(k->pieces[i].curve, u0, u1).Edge();
        out.push_back(backward ? TopoDS::Edge(e.Reversed()) : e);
    }
    if (lim[1] < lim[0]) {
        std::reverse(out.begin(), out.end());
        for (TopoDS_Edge& e : out) e = TopoDS::Edge(e.Reversed());
    }
    if (out.empty()) call.fail(KERNEL_ERR_DEGENERATE, "object %u has no length", object);
    return out;
}

// The ends of an edge as it runs.
gp_Pnt first_point(const TopoDS_Edge& e) { return BRep_Tool::Pnt(TopExp::FirstVertex(e, true)); }
gp_Pnt last_point(const TopoDS_Edge& e) { return BRep_Tool::Pnt(TopExp::LastVertex(e, true)); }

// The point and the unit tangent (the way the edge runs) at a fraction of
// its parameter range.
void point_and_tangent(const TopoDS_Edge& e, double fraction, gp_Pnt* p, gp_Vec* t) {
    BRepAdaptor_Curve c(e);
    const bool reversed = e.Orientation() == TopAbs_REVERSED;
    const double along = reversed ? 1 - fraction : fraction;
    const double u = c.FirstParameter() + (c.LastParameter() - c.FirstParameter()) * along;
    c.D1(u, *p, *t);
    if (t->Magnitude() > 0) t->Normalize();
    if (reversed) t->Reverse();
}

// The edges of each curve of the chain in order, running along the chain.
std::vector<std::vector<TopoDS_Edge>> chain_parts(const Call& call, const std::vector<tag_t>& curves,
                                                  double tolerance) {
    if (curves.empty()) call.fail(OFFSET_ERR_CHAIN, "no curves");
    std::vector<std::vector<TopoDS_Edge>> parts;
    for (tag_t c : curves) parts.push_back(edges_of(call, c));
    auto near = [&](const gp_Pnt& a, const gp_Pnt& b) { return a.Distance(b) <= tolerance; };
    auto flip = [](std::vector<TopoDS_Edge>& v) {
        std::reverse(v.begin(), v.end());
        for (TopoDS_Edge& e : v) e = TopoDS::Edge(e.Reversed());
    };
    if (parts.size() > 1) {
        // The first curve runs toward the second.
        const gp_Pnt s = first_point(parts[0].front()), e = last_point(parts[0].back());
        const gp_Pnt s1 = first_point(parts[1].front()), e1 = last_point(parts[1].back());
        if (!near(e, s1) && !near(e, e1) && (near(s, s1) || near(s, e1))) flip(parts[0]);
    }
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const gp_Pnt at = last_point(parts[i - 1].back());
        if (near(first_point(parts[i].front()), at)) continue;
        if (!near(last_point(parts[i].back()), at))
            call.fail(OFFSET_ERR_CHAIN, "curve %u does not meet the curve before it", curves[i]);
        flip(parts[i]);
    }
    return parts;
}

std::vector<TopoDS_Edge> flat(const std::vector<std::vector<TopoDS_Edge>>& parts) {
    std::vector<TopoDS_Edge> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

TopoDS_Wire wire_of(const Call& call, const std::vector<TopoDS_Edge>& edges, double tolerance) {
    BRepBuilderAPI_MakeWire mw;
    for (const TopoDS_Edge& e : edges) {
        mw.Add(e);
        if (!mw.IsDone())
            call.fail(OFFSET_ERR_CHAIN, "the kernel makes no wire of the chain (tolerance %g)", tolerance);
    }
    return mw.Wire();
}

bool straight(const std::vector<TopoDS_Edge>& edges, const gp_Pnt& start, const gp_Vec& t) {
    for (const TopoDS_Edge& e : edges)
        for (int i = 0; i <= 8; ++i) {
            gp_Pnt p;
            gp_Vec d;
            point_and_tangent(e, i / 8.0, &p, &d);
            if (gp_Vec(start, p).Crossed(t).Magnitude() > 1e-7) return false;
        }
    return true;
}

ChainFrame frame_of(const std::vector<TopoDS_Edge>& edges, const TopoDS_Wire& wire, const gp_Vec& reference) {
    ChainFrame f;
    gp_Pnt p;
    gp_Vec t;
    point_and_tangent(edges.front(), 0, &p, &t);
    put(f.start, p.XYZ());
    put(f.tangent, t.XYZ());
    put(f.end, last_point(edges.back()).XYZ());
    gp_Vec n = reference.Magnitude() > 0 ? reference.Normalized() : gp_Vec(0, 0, 1);
    if (straight(edges, p, t)) {
        const gp_Vec across = reference - t * reference.Dot(t);
        f.planar = across.Magnitude() > 1e-9;
        if (f.planar) n = across.Normalized();
    } else {
        BRepLib_FindSurface found(wire, 1e-7, Standard_True);
        f.planar = found.Found() && !Handle(Geom_Plane)::DownCast(found.Surface()).IsNull();
        if (f.planar) {
            gp_Vec pn(Handle(Geom_Plane)::DownCast(found.Surface())->Pln().Axis().Direction());
            if (pn.Dot(reference) < 0) pn.Reverse();
            n = pn;
        }
    }
    put(f.normal, n.XYZ());
    const gp_Vec side = t.Crossed(n);
    put(f.side, side.Magnitude() > 0 ? side.Normalized().XYZ() : gp_XYZ(0, 0, 0));
    return f;
}

// The point of the chain nearest to p, with the chain's tangent there.
double nearest_on_chain(const std::vector<TopoDS_Edge>& chain, const gp_Pnt& p, gp_Pnt* at, gp_Vec* tangent) {
    double best = -1;
    for (const TopoDS_Edge& e : chain) {
        double f = 0, l = 0;
        const Handle(Geom_Curve) c = BRep_Tool::Curve(e, f, l);
        if (c.IsNull()) continue;
        // The ends too: the foot may lie beyond the curve.
        std::vector<double> us = {f, l};
        GeomAPI_ProjectPointOnCurve proj(p, c, f, l);
        for (int i = 1; i <= proj.NbPoints(); ++i) us.push_back(proj.Parameter(i));
        for (double u : us) {
            gp_Pnt q;
            gp_Vec d;
            c->D1(u, q, d);
            const double dist = q.Distance(p);
            if (best < 0 || dist < best) {
                best = dist;
                *at = q;
                *tangent = d.Magnitude() > 0 ? d.Normalized() : d;
                if (e.Orientation() == TopAbs_REVERSED) tangent->Reverse();
            }
        }
    }
    return best;
}

std::vector<TopoDS_Edge> edges_of_result(const TopoDS_Shape& shape) {
    std::vector<TopoDS_Edge> out;
    for (TopExp_Explorer w(shape, TopAbs_WIRE); w.More(); w.Next())
        for (BRepTools_WireExplorer x(TopoDS::Wire(w.Current())); x.More(); x.Next()) out.push_back(x.Current());
    return out;
}

// The kernel's offset of the wire in the plane on the side asked for,
// its edges running along the chain. The kernel's side of an open wire
// follows the plane's orientation and the wire's (not the sign of the
// distance): each way is tried until the offset lies on the side asked.
std::vector<TopoDS_Edge> offset_wire(const Call& call, const std::vector<TopoDS_Edge>& chain, const TopoDS_Wire& wire,
                                     const gp_Pnt& origin, const gp_Vec& normal, double distance,
                                     GeomAbs_JoinType join) {
    const double d = std::fabs(distance);
    const bool closed = first_point(chain.front()).Distance(last_point(chain.back())) < 1e-7;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const bool flip_plane = attempt & 1, flip_wire = attempt & 2, negative = attempt & 4;
        const gp_Dir n(flip_plane ? -normal : normal);
        const TopoDS_Face face = BRepBuilderAPI_MakeFace(gp_Pln(origin, n)).Face();
        BRepOffsetAPI_MakeOffset mo;
        // A closed chain is offset as a closed wire: its first and last
        // pieces meet at a corner too.
        mo.Init(face, join, closed ? Standard_False : Standard_True);
        mo.AddWire(flip_wire ? TopoDS::Wire(wire.Reversed()) : wire);
        try {
            mo.Perform(negative ? -d : d);
        } catch (const Standard_Failure&) {
            continue;
        }
        if (!mo.IsDone()) continue;
        std::vector<TopoDS_Edge> out = edges_of_result(mo.Shape());
        if (out.empty()) continue;
        gp_Pnt m, q;
        gp_Vec along, t;
        point_and_tangent(out.front(), 0.5, &m, &along);
        if (nearest_on_chain(chain, m, &q, &t) < 0) continue;
        const double side = gp_Vec(q, m).Dot(t.Crossed(normal));
        if (side * distance <= 0 || std::fabs(std::fabs(side) - d) > 1e-3 * std::max(1.0, d)) continue;
        if (along.Dot(t) < 0) {
            std::reverse(out.begin(), out.end());
            for (TopoDS_Edge& e : out) e = TopoDS::Edge(e.Reversed());
        }
        return out;
    }
    call.fail(KERNEL_ERR_NOT_DONE, "the kernel's offset of the chain failed");
}

// Straight pieces in line with each other become one.
std::vector<TopoDS_Edge> merged(const std::vector<TopoDS_Edge>& edges) {
    std::vector<TopoDS_Edge> out;
    for (const TopoDS_Edge& e : edges) {
        if (!out.empty() && BRepAdaptor_Curve(out.back()).GetType() == GeomAbs_Line &&
            BRepAdaptor_Curve(e).GetType() == GeomAbs_Line) {
            const gp_Pnt a = first_point(out.back()), b = last_point(out.back()), c = first_point(e), d = last_point(e);
            const gp_Vec ab(a, b), cd(c, d);
            if (b.Distance(c) < 1e-7 && ab.Magnitude() > 0 && cd.Magnitude() > 0 &&
                ab.Normalized().Crossed(cd.Normalized()).Magnitude() < 1e-9 && ab.Dot(cd) > 0) {
                out.back() = BRepBuilderAPI_MakeEdge(a, d).Edge();
                continue;
            }
        }
        out.push_back(e);
    }
    return out;
}

// The longest extension a corner of the offset needs: at a corner where
// two extended pieces meet, the corner lies farther than the distance from
// the chain.
double longest_extension(const std::vector<TopoDS_Edge>& chain, const std::vector<TopoDS_Edge>& result,
                         double distance) {
    double longest = 0;
    for (std::size_t i = 0; i + 1 < result.size(); ++i) {
        const gp_Pnt corner = last_point(result[i]);
        gp_Pnt q;
        gp_Vec t;
        const double away = nearest_on_chain(chain, corner, &q, &t);
        longest = std::max(longest, std::sqrt(std::max(0.0, away * away - distance * distance)));
    }
    return longest;
}

}  // namespace

ChainFrame chain_frame(const Call& call, const std::vector<tag_t>& curves, const double reference[3],
                       double tolerance) {
    hd::ensure_started();
    return hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        const std::vector<TopoDS_Edge> chain = flat(chain_parts(call, curves, tolerance));
        return frame_of(chain, wire_of(call, chain, tolerance), gp_Vec(reference[0], reference[1], reference[2]));
    });
}

std::vector<hostnum::Curve> offset_chain(const Call& call, const std::vector<tag_t>& curves, const OffsetHow& how) {
    hd::ensure_started();
    return hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        const auto parts = chain_parts(call, curves, how.tolerance);
        const std::vector<TopoDS_Edge> chain = flat(parts);
        const TopoDS_Wire wire = wire_of(call, chain, how.tolerance);
        const gp_Vec reference(how.normal[0], how.normal[1], how.normal[2]);
        const ChainFrame f = frame_of(chain, wire, reference);
        if (!f.planar) call.fail(OFFSET_ERR_NO_PLANE, "the chain lies in no plane");
        const gp_Vec n(f.normal[0], f.normal[1], f.normal[2]);
        const gp_Pnt origin(f.start[0], f.start[1], f.start[2]);
        std::vector<TopoDS_Edge> result;
        if (std::fabs(how.distance) < 1e-9) {
            result = chain;  // no distance in the plane: the chain itself, lifted
        } else if (how.corners == 0) {
            // Each curve on its own.
            for (const auto& own : parts) {
                const auto piece =
                    offset_wire(call, own, wire_of(call, own, how.tolerance), origin, n, how.distance, GeomAbs_Arc);
                result.insert(result.end(), piece.begin(), piece.end());
            }
        } else {
            result = offset_wire(call, chain, wire, origin, n, how.distance,
                                 how.corners == 1 ? GeomAbs_Intersection : GeomAbs_Arc);
            if (how.corners == 1) {
                const double needed = longest_extension(chain, result, std::fabs(how.distance));
                if (needed > how.extension + 1e-7)
                    call.fail(OFFSET_ERR_EXTENSION, "a corner needs an extension of %g (at most %g)", needed,
                              how.extension);
            }
        }
        result = merged(result);
        std::vector<hostnum::Curve> out;
        gp_Trsf lift;
        lift.SetTranslation(n * how.lift);
        for (const TopoDS_Edge& e : result) {
            const TopoDS_Edge moved =
                how.lift == 0 ? e : TopoDS::Edge(BRepBuilderAPI_Transform(e, lift, Standard_True).Shape());
            out.push_back(record_of_edge(call, moved));
        }
        return out;
    });
}

}  // namespace host::kernel::curvefeat
