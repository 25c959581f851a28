// The solid kernel's bridge sheets (bridge_sheets.h).
#include "host/kernel/ops/bridge_sheets.h"

#include <BRepAdaptor_Curve.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepGProp.hxx>
#include <BRep_Tool.hxx>
#include <GCPnts_AbscissaPoint.hxx>
#include <GProp_GProps.hxx>
#include <GeomAPI_PointsToBSplineSurface.hxx>
#include <GeomAPI_ProjectPointOnSurf.hxx>
#include <GeomLProp_SLProps.hxx>
#include <Geom_BSplineSurface.hxx>
#include <Geom_Surface.hxx>
#include <TColgp_Array2OfPnt.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Face.hxx>

#include <algorithm>
#include <iterator>
#include <vector>

#include "host/kernel/engine/brep.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/error.h"

namespace hd = host::kernel::detail;

namespace {

using Call = host::Call;

constexpr int kAlong = 32;   // intervals along the edges
constexpr int kAcross = 16;  // intervals across the gap

TopoDS_Face face_of(const Call& call, int tag) { return TopoDS::Face(hd::require_sub(call, tag, ZQ_CLASS_FACE).shape); }
TopoDS_Edge edge_of(const Call& call, int tag) { return TopoDS::Edge(hd::require_sub(call, tag, ZQ_CLASS_EDGE).shape); }

// The sheet of the surface interpolating the grid of points.
int sheet_through(const Call& call, const TColgp_Array2OfPnt& grid) {
    GeomAPI_PointsToBSplineSurface fit;
    fit.Interpolate(grid);
    if (!fit.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "no surface runs through the points");
    BRepBuilderAPI_MakeFace make(fit.Surface(), 1e-7);
    if (!make.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "no face can be made on the surface");
    return hd::commit_checked(call, make.Face(), "sheet");
}

// A main face and the edge the bridge leaves it along.
struct Main {
    TopoDS_Face face;
    TopoDS_Edge edge;
    bool backwards = false;
};

// The cubics across the gap: at each of the points along the edges, from
// the first edge to the second, leaving each face along its cross tangent.
class Across {
public:
    Across(const Call& call, const Main main[2]) {
        for (int i = 0; i < 2; ++i) {
            BRepAdaptor_Curve c(main[i].edge);
            const Handle(Geom_Surface) s = BRep_Tool::Surface(main[i].face);
            GProp_GProps g;
            BRepGProp::SurfaceProperties(main[i].face, g);
            const gp_Pnt inside = g.CentreOfMass();
            const double a = c.FirstParameter(), b = c.LastParameter();
            for (int k = 0; k <= kAlong; ++k) {
                double t = a + (b - a) * k / kAlong;
                if (main[i].backwards) t = a + b - t;
                gp_Pnt p;
                gp_Vec tangent;
                c.D1(t, p, tangent);
                GeomAPI_ProjectPointOnSurf project(p, s);
                if (!project.IsDone() || project.NbPoints() == 0)
                    call.fail(KERNEL_ERR_NOT_DONE, "the edge does not lie on its face");
                double u = 0, v = 0;
                project.LowerDistanceParameters(u, v);
                GeomLProp_SLProps props(s, u, v, 1, 1e-9);
                if (!props.IsNormalDefined()) call.fail(KERNEL_ERR_DEGENERATE, "the face has no normal at the edge");
                gp_Vec cross = gp_Vec(props.Normal()).Crossed(tangent);
                if (cross.Magnitude() < 1e-12) call.fail(KERNEL_ERR_DEGENERATE, "the edge runs along the normal");
                cross.Normalize();
                if (cross.Dot(gp_Vec(p, inside)) > 0) cross.Reverse();
                at_[i][k] = p;
                out_[i][k] = cross;
                normal_[i][k] = props.Normal().XYZ();
            }
        }
        for (int k = 0; k <= kAlong; ++k)
            if (at_[0][k].Distance(at_[1][k]) < 1e-9) call.fail(KERNEL_ERR_DEGENERATE, "the edges touch");
    }
    // The point at w (0 to 1) of the cubic across at the k-th points.
    gp_XYZ at(int k, double w) const {
        const gp_Pnt p0 = at_[0][k], p3 = at_[1][k];
        const double third = p0.Distance(p3) / 3;
        const gp_XYZ p1 = p0.XYZ() + out_[0][k].XYZ() * third, p2 = p3.XYZ() + out_[1][k].XYZ() * third;
        const double r = 1 - w;
        return p0.XYZ() * (r * r * r) + p1 * (3 * r * r * w) + p2 * (3 * r * w * w) + p3.XYZ() * (w * w * w);
    }
    // How the cubic across at the k-th points leaves main edge i (its
    // derivative at w = 0 or 1).
    gp_XYZ leaving(int k, int i) const {
        return out_[i][k].XYZ() * (at_[0][k].Distance(at_[1][k]) * (i == 0 ? 1 : -1));
    }
    // The unit normal of main face i at the k-th point of its edge.
    const gp_XYZ& normal(int i, int k) const { return normal_[i][k]; }
    // The corner of open side s (0: where the edges start, 1: where they
    // end) on main edge i.
    gp_Pnt corner(int s, int i) const { return at_[i][s == 0 ? 0 : kAlong]; }

private:
    gp_Pnt at_[2][kAlong + 1];
    gp_Vec out_[2][kAlong + 1];
    gp_XYZ normal_[2][kAlong + 1];
};

// Edges run one after the other (each in the sense that continues the
// one before), a point taken by its share of the whole length.
class Chain {
public:
    Chain(const Call& call, std::vector<TopoDS_Edge> edges) {
        if (edges.empty()) call.fail(KERNEL_ERR_BAD_PARAMETER, "a side holds no edge");
        gp_Pnt end;
        double length = 0;
        for (std::size_t i = 0; i < edges.size(); ++i) {
            const BRepAdaptor_Curve c(edges[i]);
            Piece p{edges[i], c.FirstParameter(), c.LastParameter(), length, 0};
            const gp_Pnt first = c.Value(p.from), last = c.Value(p.to);
            bool reverse = false;
            if (i > 0) {
                reverse = last.Distance(end) < first.Distance(end);
            } else if (edges.size() > 1) {
                const BRepAdaptor_Curve next(edges[1]);
                const gp_Pnt n0 = next.Value(next.FirstParameter()), n1 = next.Value(next.LastParameter());
                reverse = std::min(first.Distance(n0), first.Distance(n1)) < std::min(last.Distance(n0), last.Distance(n1));
            }
            if (reverse) std::swap(p.from, p.to);
            end = reverse ? first : last;
            if (i == 0) start_ = reverse ? last : first;
            p.share = GCPnts_AbscissaPoint::Length(c);
            length += p.share;
            pieces_.push_back(p);
        }
        if (!(length > 1e-9)) call.fail(KERNEL_ERR_DEGENERATE, "a side has no length");
        end_ = end;
        double run = 0;
        for (Piece& p : pieces_) {
            p.begin = run / length;
            run += p.share;
            p.share /= length;
        }
    }
    const gp_Pnt& start() const { return start_; }
    const gp_Pnt& end() const { return end_; }
    // The point at s (0: the start, 1: the end).
    gp_Pnt at(double s) const {
        gp_Pnt p;
        gp_Vec d;
        d1(s, p, d);
        return p;
    }
    // The point at s and the derivative by s there.
    void d1(double s, gp_Pnt& p, gp_Vec& d) const {
        auto piece = pieces_.begin();
        while (std::next(piece) != pieces_.end() && s > piece->begin + piece->share) ++piece;
        const double f = piece->share > 0 ? std::clamp((s - piece->begin) / piece->share, 0.0, 1.0) : 0.0;
        BRepAdaptor_Curve(piece->edge).D1(piece->from + (piece->to - piece->from) * f, p, d);
        d *= piece->share > 0 ? (piece->to - piece->from) / piece->share : 0.0;
    }

private:
    struct Piece {
        TopoDS_Edge edge;
        double from, to;  // the parameters it runs between, in the chain's sense
        double begin;     // where it begins, as a share of the length
        double share;     // its length (a share once all are known)
    };
    std::vector<Piece> pieces_;
    gp_Pnt start_, end_;
};

}  // namespace

extern "C" {

void ZQ_FFS_bridge(const int faces[2], const int edges[2], const int directions[2], const ZQ_FFS_bridge_sides_t* sides,
                   int* body) {
    auto call = HOST_ENTRY(faces, edges, directions, sides);
    call.need(faces, "the faces");
    call.need(edges, "the edges");
    call.need(directions, "the directions");
    call.need(body, "the body output");
    hd::ensure_started();
    Main main[2];
    for (int i = 0; i < 2; ++i) {
        main[i].face = face_of(call, faces[i]);
        main[i].edge = edge_of(call, edges[i]);
        main[i].backwards = directions[i] == -1;
    }
    // The side faces' edges first, then the side strings.
    std::vector<std::vector<TopoDS_Edge>> side_edges;
    if (sides) {
        if (sides->n_faces < 0 || sides->n_faces > 2 || sides->n_strings < 0 || sides->n_strings > 2)
            call.fail(KERNEL_ERR_BAD_PARAMETER, "%d side faces and %d side strings", sides->n_faces, sides->n_strings);
        for (int i = 0; i < sides->n_faces; ++i) {
            face_of(call, sides->faces[i]);
            side_edges.push_back({edge_of(call, sides->edges[i])});
        }
        int at = 0;
        for (int i = 0; i < sides->n_strings; ++i) {
            if (sides->per_string[i] < 1 || !sides->objects)
                call.fail(KERNEL_ERR_BAD_PARAMETER, "side string %d holds no curve", i + 1);
            std::vector<TopoDS_Edge> string;
            for (int j = 0; j < sides->per_string[i]; ++j) hd::object_edges(call, sides->objects[at + j], string);
            at += sides->per_string[i];
            side_edges.push_back(std::move(string));
        }
    }
    const double tolerance = std::max(sides ? sides->tolerance : 0.0, 1e-7);
    *body = hd::guarded(call, KERNEL_ERR_NOT_DONE, [&] {
        const Across across(call, main);
        std::vector<Chain> chains;
        chains.reserve(side_edges.size());
        for (auto& e : side_edges) chains.emplace_back(call, std::move(e));
        // Each open side takes the first chain that joins its corners.
        struct Taken {
            const Chain* chain = nullptr;
            bool reversed = false;
        } open[2];
        for (const Chain& c : chains) {
            double best = tolerance;
            int side = -1;
            bool reversed = false;
            for (int s = 0; s < 2; ++s) {
                if (open[s].chain) continue;
                const gp_Pnt a = across.corner(s, 0), b = across.corner(s, 1);
                const double forwards = std::max(c.start().Distance(a), c.end().Distance(b));
                const double backwards = std::max(c.end().Distance(a), c.start().Distance(b));
                if (std::min(forwards, backwards) <= best)
                    best = std::min(forwards, backwards), side = s, reversed = backwards < forwards;
            }
            if (side >= 0) open[side] = {&c, reversed};
        }
        // How far each side runs off the cubic across (nothing at the
        // corners, so that the main edges stay where they are), and how
        // fast it does so leaving each main edge.
        std::vector<gp_XYZ> off[2];
        gp_XYZ slope[2][2];
        for (int s = 0; s < 2; ++s) {
            if (!open[s].chain) continue;
            const int k = s == 0 ? 0 : kAlong;
            const double sense = open[s].reversed ? -1 : 1;
            for (int j = 0; j <= kAcross; ++j) {
                const double w = static_cast<double>(j) / kAcross;
                off[s].push_back(open[s].chain->at(open[s].reversed ? 1 - w : w).XYZ() - across.at(k, w));
            }
            const gp_XYZ first = off[s].front(), last = off[s].back();
            for (int j = 0; j <= kAcross; ++j) {
                const double w = static_cast<double>(j) / kAcross;
                off[s][j] -= first * (1 - w) + last * w;
            }
            for (int i = 0; i < 2; ++i) {
                gp_Pnt p;
                gp_Vec d;
                open[s].chain->d1(open[s].reversed == (i == 0) ? 1 : 0, p, d);
                slope[s][i] = d.XYZ() * sense - across.leaving(k, i) + first - last;
            }
        }
        TColgp_Array2OfPnt grid(1, kAlong + 1, 1, kAcross + 1);
        for (int k = 0; k <= kAlong; ++k) {
            const double u = static_cast<double>(k) / kAlong, weight[2] = {1 - u, u};
            // Between the sides the bridge still leaves each main face in
            // its tangent plane: the part of the sides' slope along the
            // face's normal is taken out again (on a side itself it stays,
            // so that the bridge keeps to the side).
            gp_XYZ lean[2];
            const bool on_side = (k == 0 && !off[0].empty()) || (k == kAlong && !off[1].empty());
            for (int i = 0; i < 2 && !on_side; ++i) {
                gp_XYZ slope_here;
                for (int s = 0; s < 2; ++s)
                    if (!off[s].empty()) slope_here += slope[s][i] * weight[s];
                lean[i] = across.normal(i, k) * across.normal(i, k).Dot(slope_here);
            }
            for (int j = 0; j <= kAcross; ++j) {
                const double w = static_cast<double>(j) / kAcross;
                gp_XYZ q = across.at(k, w);
                for (int s = 0; s < 2; ++s)
                    if (!off[s].empty()) q += off[s][j] * weight[s];
                // Hermite functions of zero value at both ends and unit
                // slope at one: w (1 - w)^2 at 0, -w^2 (1 - w) at 1.
                q -= lean[0] * (w * (1 - w) * (1 - w)) - lean[1] * (w * w * (1 - w));
                grid(k + 1, j + 1) = gp_Pnt(q);
            }
        }
        return sheet_through(call, grid);
    });
}

}  // extern "C"
