// The solid kernel's trimmed and enlarged sheets (trimmed_sheets.h).
#include "host/kernel/ops/trimmed_sheets.h"

#include <BRepAlgoAPI_Splitter.hxx>
#include <BRepBuilderAPI_Copy.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeVertex.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepExtrema_DistShapeShape.hxx>
#include <BRepOffsetAPI_NormalProjection.hxx>
#include <BRepProj_Projection.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <GCPnts_AbscissaPoint.hxx>
#include <GeomAdaptor_Curve.hxx>
#include <GeomConvert.hxx>
#include <GeomConvert_ApproxSurface.hxx>
#include <GeomLib.hxx>
#include <Geom_BSplineSurface.hxx>
#include <Geom_BoundedSurface.hxx>
#include <Geom_Curve.hxx>
#include <Geom_RectangularTrimmedSurface.hxx>
#include <Geom_Surface.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Shell.hxx>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "host/kernel/engine/brep.h"
#include "host/kernel/curves/derived_curves.h"
#include "host/kernel/engine/kernel.h"
#include "host/numeric/curve_kernel.h"
#include "host/numeric/curves.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"

namespace hk = host::kernel;
namespace hd = host::kernel::detail;

namespace {

using Call = host::Call;

int commit(const Call& call, const TopoDS_Shape& shape) { return hd::commit_checked(call, shape, "sheet"); }

// The length of the surface's iso-curve through the middle of the other
// direction, over its whole range.
double iso_length(const Handle(Geom_Surface)& s, bool in_u) {
    double u0, u1, v0, v1;
    s->Bounds(u0, u1, v0, v1);
    const Handle(Geom_Curve) iso = in_u ? s->VIso(0.5 * (v0 + v1)) : s->UIso(0.5 * (u0 + u1));
    GeomAdaptor_Curve c(iso);
    return GCPnts_AbscissaPoint::Length(c);
}

// The surface made longer, where it ends, so that the box fits: each side
// the box passes is extended by the share of the iso-length it passes by.
Handle(Geom_Surface) extended(const Handle(Geom_Surface)& surface, const std::array<double, 4>& box, int type) {
    Handle(Geom_BoundedSurface) b = Handle(Geom_BoundedSurface)::DownCast(surface->Copy());
    if (b.IsNull()) return surface;
    const int continuity = type == 0 ? 2 : 1;
    for (int side = 0; side < 4; ++side) {
        const bool in_u = side < 2, after = side % 2 == 1;
        if (in_u ? b->IsUPeriodic() : b->IsVPeriodic()) continue;
        double u0, u1, v0, v1;
        b->Bounds(u0, u1, v0, v1);
        const double lo = in_u ? u0 : v0, hi = in_u ? u1 : v1;
        const double want = box[side];
        const double excess = after ? want - hi : lo - want;
        if (!(excess > 1e-12 * std::max(1.0, hi - lo))) continue;
        const double length = excess / (hi - lo) * iso_length(b, in_u);
        if (!(length > 0)) continue;
        GeomLib::ExtendSurfByLength(b, length, continuity, in_u ? Standard_True : Standard_False,
                                    after ? Standard_True : Standard_False);
    }
    return b;
}

// The projections of the edges onto the sheet.
TopoDS_Shape projected(const Call& call, const TopoDS_Shape& sheet, const std::vector<TopoDS_Edge>& edges,
                       const double* direction, double tolerance) {
    BRep_Builder b;
    TopoDS_Compound out;
    b.MakeCompound(out);
    int made = 0;
    if (direction) {
        const gp_Vec d(direction[0], direction[1], direction[2]);
        if (d.Magnitude() < 1e-12) call.fail(KERNEL_ERR_DEGENERATE, "the projection direction has no length");
        for (const TopoDS_Edge& e : edges) {
            BRepProj_Projection p(e, sheet, gp_Dir(d));
            if (!p.IsDone()) continue;
            for (TopExp_Explorer x(p.Shape(), TopAbs_EDGE); x.More(); x.Next(), ++made) b.Add(out, x.Current());
        }
    } else {
        BRepOffsetAPI_NormalProjection p(sheet);
        for (const TopoDS_Edge& e : edges) p.Add(e);
        p.SetParams(std::max(tolerance, 1e-7), 1e-2, GeomAbs_C2, 14, 16);
        p.Build();
        if (p.IsDone())
            for (TopExp_Explorer x(p.Projection(), TopAbs_EDGE); x.More(); x.Next(), ++made) b.Add(out, x.Current());
    }
    if (made == 0) call.fail(KERNEL_ERR_NOT_DONE, "the curves project onto no part of the sheet");
    return out;
}

}  // namespace

extern "C" {

void ZQ_FF_ask_closed(int face, int closed[2]) {
    auto call = HOST_ENTRY(face, closed);
    call.need(closed, "the flags output");
    const TopoDS_Face f = TopoDS::Face(hd::require_sub(call, face, ZQ_CLASS_FACE).shape);
    const Handle(Geom_Surface) s = BRep_Tool::Surface(f);
    closed[0] = s->IsUClosed() ? 1 : 0;
    closed[1] = s->IsVClosed() ? 1 : 0;
}

void ZQ_FF_enlarge(int face, int type, const double percent[4], int* body) {
    auto call = HOST_ENTRY(face, type, body);
    call.need(percent, "the percentages");
    call.need(body, "the body output");
    hd::ensure_started();
    const TopoDS_Face f = TopoDS::Face(hd::require_sub(call, face, ZQ_CLASS_FACE).shape);
    *body = hd::guarded(call, KERNEL_ERR_NOT_DONE, [&] {
        double u0, u1, v0, v1;
        BRepTools::UVBounds(f, u0, u1, v0, v1);
        const double du = u1 - u0, dv = v1 - v0;
        std::array<double, 4> box = {u0 - percent[0] / 100.0 * du, u1 + percent[1] / 100.0 * du,
                                     v0 - percent[2] / 100.0 * dv, v1 + percent[3] / 100.0 * dv};
        if (!(box[1] - box[0] > 1e-12) || !(box[3] - box[2] > 1e-12))
            call.fail(KERNEL_ERR_DEGENERATE, "the face would shrink to nothing");
        Handle(Geom_Surface) s = BRep_Tool::Surface(f);
        if (auto t = Handle(Geom_RectangularTrimmedSurface)::DownCast(s); !t.IsNull()) s = t->BasisSurface();
        s = extended(s, box, type);
        // Periodic directions run one period at most; bounded ones end
        // where the surface ends.
        double s0, s1, t0, t1;
        s->Bounds(s0, s1, t0, t1);
        if (s->IsUPeriodic()) {
            if (box[1] - box[0] > s->UPeriod()) box[1] = box[0] + s->UPeriod();
        } else {
            box[0] = std::max(box[0], s0);
            box[1] = std::min(box[1], s1);
        }
        if (s->IsVPeriodic()) {
            if (box[3] - box[2] > s->VPeriod()) box[3] = box[2] + s->VPeriod();
        } else {
            box[2] = std::max(box[2], t0);
            box[3] = std::min(box[3], t1);
        }
        BRepBuilderAPI_MakeFace made(s, box[0], box[1], box[2], box[3], 1e-7);
        if (!made.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the enlarged face cannot be made");
        TopoDS_Face g = made.Face();
        if (f.Orientation() == TopAbs_REVERSED) g.Reverse();
        return commit(call, g);
    });
}

void ZQ_FF_trim(int sheet, int n_bounds, const unsigned int bounds[], const double* direction, int n_points,
                const double points[], int keep, double tolerance, int* body) {
    auto call = HOST_ENTRY(sheet, n_bounds, n_points, keep);
    call.need(body, "the body output");
    if (n_bounds < 1 || n_points < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "no curves or no region points");
    call.need(bounds, "the curves");
    call.need(points, "the region points");
    hd::ensure_started();
    int cls = 0;
    const TopoDS_Shape shape = hd::shape_of(call, sheet, &cls);
    if (cls != ZQ_CLASS_BODY || hd::body_type(shape) != ZQ_BODY_SHEET)
        call.fail(KERNEL_ERR_WRONG_ENTITY, "entity %d is no sheet body", sheet);
    std::vector<TopoDS_Edge> edges;
    for (int i = 0; i < n_bounds; ++i) hd::object_edges(call, bounds[i], edges);
    *body = hd::guarded(call, KERNEL_ERR_NOT_DONE, [&] {
        // The projection and the split work on copies of the sheet and of
        // the curves' edges: they would otherwise leave curves on surfaces,
        // tolerances and flags on the inputs, which stay as they were
        // whatever comes of the trim.
        const TopoDS_Shape sheet_copy = BRepBuilderAPI_Copy(shape, Standard_True, Standard_False).Shape();
        std::vector<TopoDS_Edge> edge_copies;
        edge_copies.reserve(edges.size());
        for (const TopoDS_Edge& e : edges)
            edge_copies.push_back(TopoDS::Edge(BRepBuilderAPI_Copy(e, Standard_True, Standard_False).Shape()));
        const TopoDS_Shape tools = projected(call, sheet_copy, edge_copies, direction, tolerance);
        BRepAlgoAPI_Splitter split;
        split.SetNonDestructive(Standard_True);
        TopTools_ListOfShape args, tl;
        args.Append(sheet_copy);
        tl.Append(tools);
        split.SetArguments(args);
        split.SetTools(tl);
        if (tolerance > 0) split.SetFuzzyValue(tolerance);
        split.Build();
        if (!split.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the sheet cannot be split by the curves");
        std::vector<TopoDS_Face> pieces;
        for (TopExp_Explorer x(split.Shape(), TopAbs_FACE); x.More(); x.Next()) pieces.push_back(TopoDS::Face(x.Current()));
        // Each region point marks the piece nearest to it.
        std::vector<bool> marked(pieces.size(), false);
        for (int p = 0; p < n_points; ++p) {
            const TopoDS_Shape v =
                BRepBuilderAPI_MakeVertex(gp_Pnt(points[3 * p], points[3 * p + 1], points[3 * p + 2])).Vertex();
            double best = std::numeric_limits<double>::max();
            std::size_t at = pieces.size();
            for (std::size_t i = 0; i < pieces.size(); ++i) {
                BRepExtrema_DistShapeShape d(v, pieces[i]);
                if (d.IsDone() && d.Value() < best) best = d.Value(), at = i;
            }
            if (at < pieces.size()) marked[at] = true;
        }
        BRep_Builder b;
        TopoDS_Shell shell;
        b.MakeShell(shell);
        int kept = 0;
        for (std::size_t i = 0; i < pieces.size(); ++i)
            if (marked[i] == (keep == 0)) b.Add(shell, pieces[i]), ++kept;
        if (kept == 0) call.fail(KERNEL_ERR_NOT_DONE, "no piece of the sheet is left to keep");
        shell.Closed(Standard_False);
        return commit(call, shell);
    });
}

BSRF_surface_t* ZQ_FF_surface_record(int face, double tolerance) {
    auto call = HOST_ENTRY(face, tolerance);
    hd::ensure_started();
    const TopoDS_Face f = TopoDS::Face(hd::require_sub(call, face, ZQ_CLASS_FACE).shape);
    // The data first, in the library's own memory; the host's blocks last.
    int nu = 0, nv = 0, ou = 0, ov = 0;
    std::vector<double> ku, kv, poles;
    hd::guarded(call, KERNEL_ERR_NOT_DONE, [&] {
        double u0, u1, v0, v1;
        BRepTools::UVBounds(f, u0, u1, v0, v1);
        const Handle(Geom_Surface) trimmed = new Geom_RectangularTrimmedSurface(BRep_Tool::Surface(f), u0, u1, v0, v1);
        Handle(Geom_BSplineSurface) b;
        try {
            b = GeomConvert::SurfaceToBSplineSurface(trimmed);
        } catch (const Standard_Failure&) {
            GeomConvert_ApproxSurface approx(trimmed, tolerance, GeomAbs_C1, GeomAbs_C1, 8, 8, 64, 0);
            if (!approx.HasResult()) call.fail(KERNEL_ERR_NOT_DONE, "the surface cannot be fitted");
            b = approx.Surface();
        }
        nu = b->NbUPoles(), nv = b->NbVPoles(), ou = b->UDegree() + 1, ov = b->VDegree() + 1;
        TColStd_Array1OfReal uk(1, nu + ou), vk(1, nv + ov);
        b->UKnotSequence(uk);
        b->VKnotSequence(vk);
        ku.assign(uk.begin(), uk.end());
        kv.assign(vk.begin(), vk.end());
        for (int j = 1; j <= nv; ++j)
            for (int i = 1; i <= nu; ++i) {
                const gp_Pnt p = b->Pole(i, j);
                poles.insert(poles.end(), {p.X(), p.Y(), p.Z(), b->Weight(i, j)});
            }
    });
    std::vector<void*> made;
    const auto block = [&](std::size_t bytes) { return made.emplace_back(SM_alloc(bytes)); };
    BSRF_surface_t* s = nullptr;
    try {
        s = static_cast<BSRF_surface_t*>(block(sizeof(BSRF_surface_t)));
        s->knots_u = static_cast<double*>(block(sizeof(double) * ku.size()));
        s->knots_v = static_cast<double*>(block(sizeof(double) * kv.size()));
        s->poles = static_cast<double*>(block(sizeof(double) * poles.size()));
    } catch (...) {
        for (void* m : made) SM_free(m);
        throw;
    }
    s->nu = nu, s->nv = nv, s->order_u = ou, s->order_v = ov;
    std::copy(ku.begin(), ku.end(), s->knots_u);
    std::copy(kv.begin(), kv.end(), s->knots_v);
    std::copy(poles.begin(), poles.end(), s->poles);
    return s;
}

void ZQ_FF_replace_sheet(int body, int made) {
    auto call = HOST_ENTRY(body, made);
    if (body == made) call.fail(HOST_ERR_BAD_ARGUMENT, "body %d replaces itself", body);
    const hd::Body old = hd::require_body(call, body);
    const hd::Body now = hd::require_body(call, made);
    hd::Step s;
    s.kind = &hd::steps::imported;
    s.result = now->shape;
    s.named = std::make_shared<hd::Named>(hd::name_result(now->shape, {&old->named()}, nullptr, s.names, true));
    s.other = s.result;
    s.other_named = s.named;
    hd::BodyState state = *old;
    state.shape = s.result;
    state.set_named(s.named);
    state.steps.clear();
    state.add_step(std::move(s));
    hd::name_small(state, old.get());
    hd::commit({std::move(state)}, {made});
}

}  // extern "C"
