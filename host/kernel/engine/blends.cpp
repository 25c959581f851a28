// Edge blends whose radius varies along the edge (the kernel's fillet with
// a radius law through points), and the nearest point of an edge.
#include "host/kernel/engine/blends.h"

#include <BRepAdaptor_Curve.hxx>
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

#include "host/kernel/engine/brep.h"
#include "host/kernel/engine/codes.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"

namespace host::kernel::detail {

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

}  // namespace host::kernel::detail

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

extern "C" void ZQ_BODY_blend_face_sets_as_faces(int body, int n_first, const int first[], int n_second,
                                                 const int second[], double radius, int* sheet, int* n_met, int** met) {
    namespace hd = host::kernel::detail;
    auto call = HOST_ENTRY(body, n_first, n_second, radius);
    call.need(sheet, "the sheet output");
    call.need(n_met, "the count output");
    call.need(met, "the faces output");
    *sheet = 0;
    *n_met = 0;
    *met = nullptr;
    if (n_first < 1 || n_second < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "a face set is empty");
    call.need(first, "the first faces");
    call.need(second, "the second faces");
    hd::ensure_started();
    const hd::Body old = hd::require_body(call, body);
    // The blend is worked out on the body's shape as a step would be, and
    // only its new faces are kept.
    hd::Step s;
    s.op = hd::Op::face_blend;
    s.p = {radius, static_cast<double>(n_first)};
    s.refs.assign(first, first + n_first);
    s.refs.insert(s.refs.end(), second, second + n_second);
    hd::run_step(call, s, old->shape, &old->named);
    std::set<int> before;
    for (const hd::Sub& f : old->named.faces) before.insert(f.tag);
    TopTools_IndexedDataMapOfShapeListOfShape faces_of_edge;
    TopExp::MapShapesAndAncestors(s.result, TopAbs_EDGE, TopAbs_FACE, faces_of_edge);
    std::set<int> meets;
    hd::Step made;
    made.op = hd::Op::imported;
    hd::guarded(call, KERNEL_ERR_BLEND_FAILED, [&] {
        BRep_Builder builder;
        TopoDS_Compound faces;
        builder.MakeCompound(faces);
        for (const hd::Sub& f : s.named->faces) {
            if (before.count(f.tag)) continue;
            builder.Add(faces, f.shape);
            for (TopExp_Explorer x(f.shape, TopAbs_EDGE); x.More(); x.Next()) {
                if (!faces_of_edge.Contains(x.Current())) continue;
                for (const TopoDS_Shape& g : faces_of_edge.FindFromKey(x.Current()))
                    for (const hd::Sub& h : s.named->faces)
                        if (h.shape.IsSame(g) && before.count(h.tag)) meets.insert(h.tag);
            }
        }
        made.result = faces;
    });
    if (!TopExp_Explorer(made.result, TopAbs_FACE).More())
        call.fail(KERNEL_ERR_BLEND_FAILED, "the blend makes no faces");
    made.named = std::make_shared<const hd::Named>(hd::name_result(made.result, {}, nullptr, made.names, false));
    *sheet = hd::commit_result(std::move(made));
    if (!meets.empty()) {
        *met = static_cast<int*>(SM_alloc(meets.size() * sizeof(int)));
        std::copy(meets.begin(), meets.end(), *met);
        *n_met = static_cast<int>(meets.size());
    }
}
