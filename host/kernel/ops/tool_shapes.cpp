// The shapes of form-feature tools (form_tools.h): a closed profile of
// lines, arcs and rounded corners in the tool's frame, turned or swept.
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepFilletAPI_MakeFillet.hxx>
#include <BRepFilletAPI_MakeFillet2d.hxx>
#include <BRepOffsetAPI_ThruSections.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <BRepPrimAPI_MakeRevol.hxx>
#include <BRepTools.hxx>
#include <BRep_Tool.hxx>
#include <GC_MakeArcOfCircle.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <gp_Ax1.hxx>

#include <cmath>
#include <numbers>
#include <vector>

#include "host/kernel/engine/brep.h"
#include "host/kernel/ops/tool_shapes.h"

namespace host::kernel::detail {
namespace {

constexpr double kLinear = 1e-7;

struct Frame {
    gp_Pnt o;
    gp_Vec x, y, z;
};

Frame frame_of(const Call& call, const std::vector<double>& p) {
    gp_Vec z(p[4], p[5], p[6]), x(p[7], p[8], p[9]);
    if (z.Magnitude() < kLinear) call.fail(KERNEL_ERR_DEGENERATE, "the tool's axis is a zero vector");
    z.Normalize();
    x -= z * x.Dot(z);
    if (x.Magnitude() < kLinear) call.fail(KERNEL_ERR_DEGENERATE, "the tool's X direction runs along its axis");
    x.Normalize();
    return {gp_Pnt(p[1], p[2], p[3]), x, z.Crossed(x), z};
}

struct Point {
    double a, b, k;
};

// The profile's wire in 3D: place(a, b) maps a profile point.
template <class Place>
TopoDS_Face profile_face(const Call& call, const std::vector<Point>& pts, Place&& place) {
    const std::size_t n = pts.size();
    if (n < 3) call.fail(KERNEL_ERR_DEGENERATE, "a tool profile needs three points or more");
    // The corners: every point that is no arc middle.
    std::vector<std::size_t> corners;
    for (std::size_t i = 0; i < n; ++i)
        if (pts[i].k >= 0) corners.push_back(i);
    if (corners.size() < 2) call.fail(KERNEL_ERR_DEGENERATE, "a tool profile has too few corners");
    BRepBuilderAPI_MakeWire wire;
    for (std::size_t c = 0; c < corners.size(); ++c) {
        const std::size_t i = corners[c], j = corners[(c + 1) % corners.size()];
        const gp_Pnt a = place(pts[i].a, pts[i].b), b = place(pts[j].a, pts[j].b);
        if (a.Distance(b) < kLinear) call.fail(KERNEL_ERR_DEGENERATE, "two corners of a tool profile coincide");
        const std::size_t mid = (i + 1) % n;
        if (mid != j) {
            if ((mid + 1) % n != j) call.fail(KERNEL_ERR_DEGENERATE, "an arc of a tool profile has two middles");
            GC_MakeArcOfCircle arc(a, place(pts[mid].a, pts[mid].b), b);
            if (!arc.IsDone()) call.fail(KERNEL_ERR_DEGENERATE, "an arc of a tool profile is a line");
            wire.Add(BRepBuilderAPI_MakeEdge(arc.Value()).Edge());
        } else {
            wire.Add(BRepBuilderAPI_MakeEdge(a, b).Edge());
        }
        if (!wire.IsDone()) call.fail(KERNEL_ERR_DEGENERATE, "the tool profile does not close");
    }
    BRepBuilderAPI_MakeFace face(wire.Wire(), Standard_True);
    if (!face.IsDone()) call.fail(KERNEL_ERR_DEGENERATE, "the tool profile is not planar");
    bool rounded = false;
    for (const Point& q : pts) rounded = rounded || q.k > 0;
    if (!rounded) return face.Face();
    BRepFilletAPI_MakeFillet2d fillet(face.Face());
    for (const Point& q : pts) {
        if (!(q.k > 0)) continue;
        const gp_Pnt at = place(q.a, q.b);
        for (TopExp_Explorer v(face.Face(), TopAbs_VERTEX); v.More(); v.Next())
            if (BRep_Tool::Pnt(TopoDS::Vertex(v.Current())).Distance(at) < 1e-6) {
                fillet.AddFillet(TopoDS::Vertex(v.Current()), q.k);
                break;
            }
    }
    fillet.Build();
    if (!fillet.IsDone()) call.fail(KERNEL_ERR_DEGENERATE, "a corner of the tool profile cannot be rounded");
    return TopoDS::Face(fillet.Shape());
}

std::vector<Point> points_at(const Call& call, const std::vector<double>& p, std::size_t first, std::size_t n) {
    if (p.size() < first + 3 * n) call.fail(KERNEL_ERR_DEGENERATE, "the tool's profile is cut short");
    std::vector<Point> out;
    for (std::size_t i = 0; i < n; ++i) out.push_back({p[first + 3 * i], p[first + 3 * i + 1], p[first + 3 * i + 2]});
    return out;
}

}  // namespace

TopoDS_Shape form_tool_shape(const Call& call, const std::vector<double>& p) {
    if (p.size() < ZQ_FORM_FIRST_POINT) call.fail(KERNEL_ERR_DEGENERATE, "a tool needs its frame and profile");
    const Frame f = frame_of(call, p);
    const int form = static_cast<int>(p[0]);
    const std::size_t n = p[12] >= 0 && p[12] < 1e6 ? static_cast<std::size_t>(p[12]) : 0;
    const std::vector<Point> pts = points_at(call, p, ZQ_FORM_FIRST_POINT, n);
    const double at = p[10], length = p[11];
    switch (form) {
        case ZQ_FORM_REVOLVE: {
            for (const Point& q : pts)
                if (q.a < -kLinear) call.fail(KERNEL_ERR_DEGENERATE, "a turned profile crosses its axis");
            const TopoDS_Face face =
                profile_face(call, pts, [&](double a, double b) { return f.o.Translated(f.x * a + f.z * b); });
            BRepPrimAPI_MakeRevol revol(face, gp_Ax1(f.o, gp_Dir(f.z)), 2 * std::numbers::pi);
            if (!revol.IsDone()) call.fail(KERNEL_ERR_DEGENERATE, "the profile cannot be turned");
            return revol.Shape();
        }
        case ZQ_FORM_PRISM_Z: {
            if (!(length > kLinear)) call.fail(KERNEL_ERR_DEGENERATE, "the tool's length %g is not positive", length);
            const std::vector<Point> top = points_at(call, p, ZQ_FORM_FIRST_POINT + 3 * n, n);
            const auto place_at = [&](double z) {
                return [&, z](double a, double b) { return f.o.Translated(f.x * a + f.y * b + f.z * z); };
            };
            const std::size_t round_at = ZQ_FORM_FIRST_POINT + 6 * n;
            const double round = p.size() > round_at ? p[round_at] : 0;
            const TopoDS_Face bottom = profile_face(call, pts, place_at(at));
            bool same = true;
            for (std::size_t i = 0; i < n; ++i)
                same = same && pts[i].a == top[i].a && pts[i].b == top[i].b && pts[i].k == top[i].k;
            TopoDS_Shape solid, end;
            if (same) {
                BRepPrimAPI_MakePrism prism(bottom, f.z * length);
                solid = prism.Shape();
                end = prism.LastShape();
            } else {
                const TopoDS_Face upper = profile_face(call, top, place_at(at + length));
                BRepOffsetAPI_ThruSections loft(Standard_True, Standard_True);
                loft.AddWire(BRepTools::OuterWire(bottom));
                loft.AddWire(BRepTools::OuterWire(upper));
                loft.Build();
                if (!loft.IsDone()) call.fail(KERNEL_ERR_DEGENERATE, "the tapered tool cannot be made");
                solid = loft.Shape();
                end = loft.LastShape();
            }
            if (!(round > 0)) return solid;
            // The far end's edges rounded (a pocket's floor).
            BRepFilletAPI_MakeFillet fillet(solid);
            for (TopExp_Explorer e(end, TopAbs_EDGE); e.More(); e.Next()) fillet.Add(round, TopoDS::Edge(e.Current()));
            fillet.Build();
            if (!fillet.IsDone()) call.fail(KERNEL_ERR_DEGENERATE, "the tool's far end cannot be rounded");
            return fillet.Shape();
        }
        case ZQ_FORM_PRISM_X: {
            if (!(length > kLinear)) call.fail(KERNEL_ERR_DEGENERATE, "the tool's length %g is not positive", length);
            const TopoDS_Face face = profile_face(
                call, pts, [&](double a, double b) { return f.o.Translated(f.x * at + f.y * a + f.z * b); });
            return BRepPrimAPI_MakePrism(face, f.x * length).Shape();
        }
        default: call.fail(KERNEL_ERR_DEGENERATE, "no tool form %d", form);
    }
}

}  // namespace host::kernel::detail
