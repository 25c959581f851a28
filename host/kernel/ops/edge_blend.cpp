// Edges blended or chamfered: a constant radius (or two), a radius that
// varies along the edge (the kernel's fillet with a radius law through
// points), one or two chamfer distances; and the nearest point of an edge.
#include "host/kernel/ops/edge_blend.h"
#include "host/kernel/ops/tool_shapes.h"

#include <BRepAdaptor_Curve.hxx>
#include <BRepFilletAPI_MakeChamfer.hxx>
#include <BRepFilletAPI_MakeFillet.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS_Compound.hxx>
#include <Extrema_ExtPC.hxx>
#include <TColgp_Array1OfPnt2d.hxx>
#include <TopoDS.hxx>

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

#include "host/kernel/engine/step_support.h"
#include "host/kernel/engine/codes.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"

namespace host::kernel::detail {

namespace hd = host::kernel::detail;

namespace {

constexpr double kSmall = 1e-7;

bool good_radius(double r) { return std::isfinite(r) && r > kSmall; }

}  // namespace

std::size_t varying_blend_size(const std::vector<double>& p, std::size_t edges) {
    std::size_t at = 1;
    for (std::size_t i = 0; i < edges; ++i) {
        if (at >= p.size()) return 0;
        const double k = p[at];
        if (!(k >= 0) || k > 1e6 || k != std::floor(k)) return 0;
        at += 1 + 2 * static_cast<std::size_t>(k);
    }
    return at;
}

void add_varying_blends(const Call& call, BRepFilletAPI_MakeFillet& algo, const std::vector<TopoDS_Shape>& edges,
                        const std::vector<double>& p) {
    if (p.empty() || varying_blend_size(p, edges.size()) != p.size())
        call.fail(KERNEL_ERR_DEGENERATE, "the blend's points do not match its %zu edges", edges.size());
    if (!good_radius(p[0])) call.fail(KERNEL_ERR_DEGENERATE, "the radius %g is not a positive size", p[0]);
    std::size_t at = 1;
    for (const TopoDS_Shape& shape : edges) {
        const TopoDS_Edge edge = TopoDS::Edge(shape);
        const auto k = static_cast<std::size_t>(p[at++]);
        std::vector<std::pair<double, double>> points;
        for (std::size_t j = 0; j < k; ++j, at += 2) {
            const double t = p[at], r = p[at + 1];
            if (!(t >= 0 && t <= 1)) call.fail(KERNEL_ERR_DEGENERATE, "the point parameter %g is not within 0..1", t);
            if (!good_radius(r)) call.fail(KERNEL_ERR_DEGENERATE, "the radius %g is not a positive size", r);
            points.emplace_back(t, r);
        }
        if (points.empty()) {
            algo.Add(p[0], edge);
            continue;
        }
        std::stable_sort(points.begin(), points.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        for (std::size_t j = 1; j < points.size(); ++j)
            if (points[j].first - points[j - 1].first < kSmall)
                call.fail(KERNEL_ERR_DEGENERATE, "two points of an edge share the parameter %g", points[j].first);
        if (points.size() == 1) {
            algo.Add(points[0].second, edge);
            continue;
        }
        // The law runs over the whole edge: the end radii are held to the
        // edge's ends.
        if (points.front().first > kSmall) points.insert(points.begin(), {0.0, points.front().second});
        if (points.back().first < 1 - kSmall) points.push_back({1.0, points.back().second});
        double first = 0, last = 0;
        BRep_Tool::Range(edge, first, last);
        TColgp_Array1OfPnt2d law(1, static_cast<int>(points.size()));
        for (std::size_t j = 0; j < points.size(); ++j)
            law.SetValue(static_cast<int>(j) + 1, gp_Pnt2d(first + points[j].first * (last - first), points[j].second));
        algo.Add(law, edge);
    }
}

namespace steps {
extern const StepKind blend, chamfer, varying_blend;
}  // namespace steps

namespace {

void blend(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    const std::vector<TopoDS_Shape> edges = subs_by_tag(call, before_named, step.refs, false);
    guarded(call, KERNEL_ERR_BLEND_FAILED, [&] {
        if (step.is(steps::blend) || step.is(steps::varying_blend)) {
            BRepFilletAPI_MakeFillet algo(before);
            if (step.is(steps::varying_blend)) add_varying_blends(call, algo, edges, step.p);
            for (const TopoDS_Shape& e : step.is(steps::blend) ? edges : std::vector<TopoDS_Shape>{}) {
                if (step.p[0] == step.p[1]) algo.Add(step.p[0], TopoDS::Edge(e));
                else algo.Add(step.p[0], step.p[1], TopoDS::Edge(e));
            }
            algo.Build();
            need_done(call, algo, KERNEL_ERR_BLEND_FAILED);
            need_valid(call, algo.Shape(), KERNEL_ERR_BLEND_FAILED);
            finish_step(step, algo.Shape(), {before_named}, &algo);
        } else {
            BRepFilletAPI_MakeChamfer algo(before);
            TopTools_IndexedDataMapOfShapeListOfShape faces_of_edge;
            if (step.p.size() > 1) TopExp::MapShapesAndAncestors(before, TopAbs_EDGE, TopAbs_FACE, faces_of_edge);
            for (const TopoDS_Shape& e : edges) {
                if (step.p.size() > 1 && faces_of_edge.Contains(e) && !faces_of_edge.FindFromKey(e).IsEmpty())
                    algo.Add(step.p[0], step.p[1], TopoDS::Edge(e), TopoDS::Face(faces_of_edge.FindFromKey(e).First()));
                else
                    algo.Add(step.p[0], TopoDS::Edge(e));
            }
            algo.Build();
            need_done(call, algo, KERNEL_ERR_BLEND_FAILED);
            need_valid(call, algo.Shape(), KERNEL_ERR_BLEND_FAILED);
            finish_step(step, algo.Shape(), {before_named}, &algo);
        }
    });
}

void rounded(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    for (double r : step.p) need_positive(call, r, "radius");
    blend(call, step, before, before_named);
}

void chamfered(const Call& call, Step& step, const TopoDS_Shape& before, const Named* before_named) {
    for (double d : step.p) need_positive(call, d, "distance");
    blend(call, step, before, before_named);
}

}  // namespace

namespace steps {
const StepKind blend = {12, "blend", hd::rounded, 0};
const StepKind chamfer = {13, "chamfer", hd::chamfered, 0};
const StepKind varying_blend = {34, "varying_blend", hd::blend, 0};
}  // namespace steps

const StepKindRegistration registered{steps::blend, steps::chamfer, steps::varying_blend};

}  // namespace host::kernel::detail

using namespace host::kernel::detail;

extern "C" {

void ZQ_BODY_blend_edges(int body, int n, const int edges[], double r1, double r2) {
    auto call = HOST_ENTRY(body, n, r1, r2);
    edit_at(call, body, steps::blend, {r1, r2}, n, edges, "edges to blend");
}

void ZQ_BODY_blend_edges_varying(int body, int n, const int edges[], int n_numbers, const double numbers[]) {
    auto call = HOST_ENTRY(body, n, n_numbers);
    if (n_numbers < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "no radius given");
    call.need(numbers, "the radii");
    edit_at(call, body, steps::varying_blend, std::vector<double>(numbers, numbers + n_numbers), n, edges,
            "edges to blend");
}

void ZQ_BODY_chamfer_edges(int body, int n, const int edges[], double distance) {
    auto call = HOST_ENTRY(body, n, distance);
    edit_at(call, body, steps::chamfer, {distance}, n, edges, "edges to chamfer");
}

void ZQ_BODY_chamfer_edges2(int body, int n, const int edges[], double d1, double d2) {
    auto call = HOST_ENTRY(body, n, d1, d2);
    edit_at(call, body, steps::chamfer, d1 == d2 ? std::vector<double>{d1} : std::vector<double>{d1, d2}, n, edges,
            "edges to chamfer");
}

}  // extern "C"

extern "C" void ZQ_EDGE_ask_closest_parameter(int edge, const double point[3], double* parameter, double* distance) {
    namespace hd = host::kernel::detail;
    auto call = HOST_ENTRY(edge, point, parameter, distance);
    call.need(point, "the point");
    call.need(parameter, "the parameter output");
    call.need(distance, "the distance output");
    const TopoDS_Edge e = TopoDS::Edge(hd::require_sub(call, edge, ZQ_CLASS_EDGE).shape);
    const BRepAdaptor_Curve curve(e);
    const double first = curve.FirstParameter(), last = curve.LastParameter();
    const gp_Pnt p(point[0], point[1], point[2]);
    // The ends count as well as the curve's own extrema.
    double best_u = first, best = p.Distance(curve.Value(first));
    if (const double d = p.Distance(curve.Value(last)); d < best) best = d, best_u = last;
    Extrema_ExtPC ext(p, curve);
    if (ext.IsDone())
        for (int i = 1; i <= ext.NbExt(); ++i)
            if (const double d = std::sqrt(ext.SquareDistance(i)); d < best)
                best = d, best_u = ext.Point(i).Parameter();
    *parameter = last > first ? (best_u - first) / (last - first) : 0;
    *distance = best;
}
