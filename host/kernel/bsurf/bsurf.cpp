// The B-surface bridge (host/kernel/bsurf/bsurf.h): B-spline surfaces of the
// kernel from flat knot vectors, sheets of them (whole, trimmed by loops
// of curves, with their edges), their repair and smoothing, surfaces
// through rows of points, and the surface of a face replaced.
#include <BRepAdaptor_Surface.hxx>
#include <BRepBuilderAPI_Copy.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepLib.hxx>
#include <BRepTools.hxx>
#include <BRepTools_ReShape.hxx>
#include <BRepTools_WireExplorer.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <BSplCLib.hxx>
#include <Geom2d_BSplineCurve.hxx>
#include <GeomProjLib.hxx>
#include <Geom_BSplineSurface.hxx>
#include <Geom_OffsetSurface.hxx>
#include <Geom_RectangularTrimmedSurface.hxx>
#include <Precision.hxx>
#include <TColStd_Array1OfInteger.hxx>
#include <TColStd_Array1OfReal.hxx>
#include <TColStd_Array2OfReal.hxx>
#include <TColgp_Array1OfPnt2d.hxx>
#include <TColgp_Array2OfPnt.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Wire.hxx>
#include <math_Gauss.hxx>
#include <math_Matrix.hxx>
#include <math_Vector.hxx>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <utility>
#include <map>
#include <vector>

#include "host/kernel/bsurf/bsurf.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/kernel/engine/brep.h"
#include "host/kernel/engine/topology.h"
#include "host/numeric/curve_kernel.h"
#include "host/numeric/curves.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace hk = host::kernel;
namespace hd = host::kernel::detail;

namespace {

constexpr double kSnap = 1e-12;
constexpr double kFaceTolerance = 1e-7;
constexpr int kMaxOrder = 26;

// Kernel surfaces without a body, by their kernel tags.
struct Surfaces {
    std::map<int, Handle(Geom_Surface)> table;
};
Surfaces& surfaces() { return host::service_state<Surfaces>("kernel surfaces"); }

struct Session {
    bool check_self_int = true;
    std::vector<int> hit_list;
};
Session& session() { return host::service_state<Session>("kernel session switches"); }
const bool registered = (surfaces(), session(), true);

int new_surface(const Handle(Geom_Surface) & s) {
    const int tag = hd::new_tag();
    surfaces().table[tag] = s;
    return tag;
}

// The surface of a kernel tag: a surface of the table, or a face's.
Handle(Geom_Surface) surface_of(const host::Call& call, int tag) {
    if (const auto it = surfaces().table.find(tag); it != surfaces().table.end()) return it->second;
    const hd::Sub& face = hd::require_sub(call, tag, ZQ_CLASS_FACE);
    TopLoc_Location loc;
    Handle(Geom_Surface) s = BRep_Tool::Surface(TopoDS::Face(face.shape), loc);
    if (s.IsNull()) call.fail(KERNEL_ERR_WRONG_ENTITY, "face %d has no surface", tag);
    if (!loc.IsIdentity()) s = Handle(Geom_Surface)::DownCast(s->Transformed(loc.Transformation()));
    return s;
}

Handle(Geom_Surface) unwrap(Handle(Geom_Surface) s) {
    while (auto t = Handle(Geom_RectangularTrimmedSurface)::DownCast(s)) s = t->BasisSurface();
    return s;
}

// ---- flat knots ------------------------------------------------------------

// Distinct knots and multiplicities of a flat knot vector.
void split_knots(const double* flat, int count, std::vector<double>& k, std::vector<int>& m) {
    k.clear();
    m.clear();
    for (int i = 0; i < count; ++i) {
        if (!k.empty() && std::fabs(flat[i] - k.back()) <= kSnap) ++m.back();
        else {
            k.push_back(flat[i]);
            m.push_back(1);
        }
    }
}

TColStd_Array1OfReal real_array(const std::vector<double>& v) {
    TColStd_Array1OfReal a(1, static_cast<int>(v.size()));
    for (std::size_t i = 0; i < v.size(); ++i) a.SetValue(static_cast<int>(i) + 1, v[i]);
    return a;
}

TColStd_Array1OfInteger int_array(const std::vector<int>& v) {
    TColStd_Array1OfInteger a(1, static_cast<int>(v.size()));
    for (std::size_t i = 0; i < v.size(); ++i) a.SetValue(static_cast<int>(i) + 1, v[i]);
    return a;
}

std::vector<double> flat_knots(const TColStd_Array1OfReal& k, const TColStd_Array1OfInteger& m) {
    std::vector<double> out;
    for (int i = k.Lower(); i <= k.Upper(); ++i) out.insert(out.end(), static_cast<std::size_t>(m(i)), k(i));
    return out;
}

// ---- surfaces of data --------------------------------------------------------

// B-surface data: poles weighted (w x, w y, w z, w) or not (x, y, z, w).
struct Grid {
    int nu = 0, nv = 0, ou = 0, ov = 0;
    const double* ku = nullptr;
    const double* kv = nullptr;
    const double* poles = nullptr;
    bool weighted = true;
};

bool sizes_ok(const Grid& g) {
    return g.ou >= 2 && g.ov >= 2 && g.ou <= kMaxOrder && g.ov <= kMaxOrder && g.nu >= g.ou && g.nv >= g.ov && g.ku &&
           g.kv && g.poles;
}

// The kernel's surface of the data; a kernel exception passes on.
Handle(Geom_BSplineSurface) make_surface(const Grid& g) {
    TColgp_Array2OfPnt p(1, g.nu, 1, g.nv);
    TColStd_Array2OfReal w(1, g.nu, 1, g.nv);
    bool rational = false;
    for (int j = 0; j < g.nv; ++j)
        for (int i = 0; i < g.nu; ++i) {
            const double* q = g.poles + 4 * (static_cast<std::size_t>(j) * g.nu + i);
            const double wt = q[3];
            if (!(wt > 0) || !std::isfinite(wt)) throw Standard_ConstructionError("a weight is not above zero");
            const double f = g.weighted ? 1 / wt : 1;
            p.SetValue(i + 1, j + 1, gp_Pnt(q[0] * f, q[1] * f, q[2] * f));
            w.SetValue(i + 1, j + 1, wt);
            rational = rational || wt != 1.0;
        }
    std::vector<double> uk, vk;
    std::vector<int> um, vm;
    split_knots(g.ku, g.nu + g.ou, uk, um);
    split_knots(g.kv, g.nv + g.ov, vk, vm);
    const TColStd_Array1OfReal auk = real_array(uk), avk = real_array(vk);
    const TColStd_Array1OfInteger aum = int_array(um), avm = int_array(vm);
    if (rational) return new Geom_BSplineSurface(p, w, auk, avk, aum, avm, g.ou - 1, g.ov - 1);
    return new Geom_BSplineSurface(p, auk, avk, aum, avm, g.ou - 1, g.ov - 1);
}

// 0 with the surface, or the kernel's code for data it takes no surface of.
int try_surface(const Grid& g, Handle(Geom_BSplineSurface) & out) {
    if (!sizes_ok(g)) return KERNEL_ERR_NOT_DONE;
    hd::ensure_started();
    try {
        out = make_surface(g);
        return 0;
    } catch (...) {
        return KERNEL_ERR_NOT_DONE;
    }
}

// ---- sheets ------------------------------------------------------------------

// A new sheet body (with its objects) of a face; answers its object.
unsigned int commit_sheet(const host::Call& call, const TopoDS_Shape& face) {
    if (session().check_self_int) {
        BRepCheck_Analyzer check(face);
        if (!check.IsValid()) call.fail(KERNEL_ERR_INVALID_RESULT, "the sheet would be invalid");
    }
    hd::Step s;
    s.kind = &hd::steps::imported;
    s.result = face;
    s.named = std::make_shared<hd::Named>(hd::name_result(face, {}, nullptr, s.names, false));
    const int body = hd::commit_result(std::move(s));
    return hk::object_of(body);
}

TopoDS_Face natural_face(const host::Call& call, const Handle(Geom_Surface) & s) {
    BRepBuilderAPI_MakeFace face(s, kFaceTolerance);
    if (!face.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the surface bounds no face");
    return face.Face();
}

// Runs f under a frame of its own, answering 0, or the code of a host
// error or kernel failure in it (the routine answers it as its status).
template <class F>
int answer(const host::Call& call, F&& f) {
    const int frame = host::arm_library_frame();
    try {
        hd::guarded(call, KERNEL_ERR_NOT_DONE, f);
    } catch (const host::HostError& e) {
        if (!e.for_library_frame()) throw;
        return e.code();
    }
    ERROR_cancel_handler(frame);
    return 0;
}

// The kernel edges of a host curve entity (in its own direction), between
// the record's limits.
std::vector<TopoDS_Edge> curve_edges(const host::Call& call, unsigned int curve) {
    const std::optional<hostnum::Curve> c = host::curves::curve_of(curve);
    if (!c) call.fail(KERNEL_ERR_WRONG_ENTITY, "object %u has no curve", curve);
    const auto k = hostnum::kernel_curve_of(c->record());
    if (!k) call.fail(KERNEL_ERR_WRONG_ENTITY, "the kernel takes no curve of object %u", curve);
    double lim[2];
    hostnum::curve_limits(c->record(), lim);
    std::vector<TopoDS_Edge> out;
    for (std::size_t i = 0; i < k->pieces.size(); ++i) {
        double u0 = 0, u1 = 0;
        if (!k->stretch(i, lim[0], lim[1], &u0, &u1)) continue;
        BRepBuilderAPI_MakeEdge e(k->pieces[i].curve, u0, u1);
        if (!e.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the curve %u makes no edge", curve);
        out.push_back(e.Edge());
    }
    if (out.empty()) call.fail(KERNEL_ERR_WRONG_ENTITY, "curve %u is empty", curve);
    return out;
}

// The edge of a B-curve entity read in the surface's parameter space.
TopoDS_Edge parameter_edge(const host::Call& call, unsigned int curve, const Handle(Geom_Surface) & s) {
    call.live_of_type(curve, HOST_TYPE_SPLINE);
    const host::curves::Entity* e = host::curves::find(curve);
    if (!e || !e->other() || e->other()->record().type != CURVE_SPLINE)
        call.fail(KERNEL_ERR_WRONG_ENTITY, "object %u is no B-curve", curve);
    const auto& d = *static_cast<const curve_spline_data*>(e->other()->record().data);
    TColgp_Array1OfPnt2d p(1, d.n_poles);
    TColStd_Array1OfReal w(1, d.n_poles);
    bool rational = false;
    for (int i = 0; i < d.n_poles; ++i) {
        const double* q = d.poles + 4 * i;
        p.SetValue(i + 1, gp_Pnt2d(q[0] / q[3], q[1] / q[3]));
        w.SetValue(i + 1, q[3]);
        rational = rational || q[3] != 1.0;
    }
    std::vector<double> k;
    std::vector<int> m;
    split_knots(d.knots, d.n_poles + d.order, k, m);
    const TColStd_Array1OfReal ak = real_array(k);
    const TColStd_Array1OfInteger am = int_array(m);
    Handle(Geom2d_BSplineCurve) c =
        rational ? new Geom2d_BSplineCurve(p, w, ak, am, d.order - 1) : new Geom2d_BSplineCurve(p, ak, am, d.order - 1);
    BRepBuilderAPI_MakeEdge edge(c, s);
    if (!edge.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the B-curve %u makes no edge on the surface", curve);
    TopoDS_Edge out = edge.Edge();
    BRepLib::BuildCurves3d(out);
    return out;
}

// The area a loop encloses in the surface's parameters, positive when it
// runs counter-clockwise (its edges' curves on the face sampled).
double signed_area(const TopoDS_Wire& wire, const TopoDS_Face& face) {
    constexpr int kSamples = 32;
    double area = 0;
    for (TopExp_Explorer x(wire, TopAbs_EDGE); x.More(); x.Next()) {
        const TopoDS_Edge& e = TopoDS::Edge(x.Current());
        double f = 0, l = 0;
        Handle(Geom2d_Curve) pc = BRep_Tool::CurveOnSurface(e, face, f, l);
        if (pc.IsNull()) continue;
        const bool reversed = e.Orientation() == TopAbs_REVERSED;
        gp_Pnt2d prev = pc->Value(reversed ? l : f);
        for (int k = 1; k <= kSamples; ++k) {
            const double t = reversed ? l - (l - f) * k / kSamples : f + (l - f) * k / kSamples;
            const gp_Pnt2d p = pc->Value(t);
            area += prev.X() * p.Y() - p.X() * prev.Y();
            prev = p;
        }
    }
    return area / 2;
}

// A face of the surface bounded by the loops of edges (each loop's edges
// in order, turned as their senses say): edges without a curve in the
// surface's parameters are put onto it within the tolerance. With
// `orient` the loops are turned so that the face lies inside its outer
// loop; without it they are taken as they come.
TopoDS_Face trimmed_face(const host::Call& call, const Handle(Geom_Surface) & s,
                         const std::vector<std::vector<TopoDS_Edge>>& loops, double tolerance, bool orient = true) {
    BRep_Builder b;
    TopoDS_Face face;
    b.MakeFace(face, s, Precision::Confusion());
    std::vector<TopoDS_Wire> wires;
    for (const std::vector<TopoDS_Edge>& loop : loops) {
        TopoDS_Wire wire;
        b.MakeWire(wire);
        // Edges made one by one end at vertices of their own: joined into
        // a loop, the ends that meet become one vertex.
        BRepBuilderAPI_MakeWire joined;
        for (const TopoDS_Edge& e : loop) {
            TopLoc_Location loc;
            double a = 0, z = 0;
            if (BRep_Tool::CurveOnSurface(e, s, loc, a, z).IsNull()) {
                double f = 0, l = 0;
                Handle(Geom_Curve) c3 = BRep_Tool::Curve(e, f, l);
                if (c3.IsNull()) call.fail(KERNEL_ERR_NOT_DONE, "an edge of a loop has no curve");
                double tol = tolerance;
                Handle(Geom2d_Curve) pc = GeomProjLib::Curve2d(c3, f, l, s, tol);
                if (pc.IsNull() || tol > std::max(tolerance, 1e-6))
                    call.fail(KERNEL_ERR_NOT_DONE, "a curve of a loop does not lie on the surface");
                b.UpdateEdge(e, pc, face, std::max(tol, Precision::Confusion()));
                b.SameRange(e, Standard_False);
                b.SameParameter(e, Standard_False);
            }
            if (orient) joined.Add(e);
            else b.Add(wire, e);
        }
        if (orient) {
            if (!joined.IsDone()) call.fail(KERNEL_ERR_NOT_DONE, "the curves of a loop do not meet end to end");
            wire = joined.Wire();
            if (!BRep_Tool::IsClosed(wire)) call.fail(KERNEL_ERR_NOT_DONE, "a loop is not closed");
        }
        wire.Closed(Standard_True);
        wires.push_back(wire);
    }
    if (orient) {
        // The loop that encloses the most of the parameter space is the
        // outer one and runs counter-clockwise there; the others are holes
        // and run clockwise.
        std::vector<double> areas;
        for (const TopoDS_Wire& w : wires) areas.push_back(signed_area(w, face));
        std::size_t outer = 0;
        for (std::size_t i = 1; i < areas.size(); ++i)
            if (std::fabs(areas[i]) > std::fabs(areas[outer])) outer = i;
        for (std::size_t i = 0; i < wires.size(); ++i)
            if ((i == outer) != (areas[i] > 0)) wires[i].Reverse();
    }
    for (const TopoDS_Wire& w : wires) b.Add(face, w);
    BRepLib::SameParameter(face, std::max(tolerance, Precision::Confusion()));
    return face;
}

// Loops of edges from the curve tags, turned by their senses.
template <class EdgesOf>
std::vector<std::vector<TopoDS_Edge>> loops_of(int n_loops, const int* counts, const int* senses,
                                               const unsigned int* curves, EdgesOf&& edges_of) {
    std::vector<std::vector<TopoDS_Edge>> loops;
    int k = 0;
    for (int i = 0; i < n_loops; ++i) {
        std::vector<TopoDS_Edge> loop;
        for (int j = 0; j < counts[i]; ++j, ++k) {
            std::vector<TopoDS_Edge> pieces = edges_of(curves[k]);
            if (senses[k] < 0) {
                std::reverse(pieces.begin(), pieces.end());
                for (TopoDS_Edge& e : pieces) e.Reverse();
            }
            loop.insert(loop.end(), pieces.begin(), pieces.end());
        }
        loops.push_back(std::move(loop));
    }
    return loops;
}

void check_loops(const host::Call& call, int n_loops, const int* counts, const int* senses,
                 const unsigned int* curves) {
    call.need(counts, "the curve counts");
    call.need(senses, "the senses");
    call.need(curves, "the curves");
    if (n_loops < 1) call.fail(KERNEL_ERR_NOT_DONE, "no loops");
    for (int i = 0; i < n_loops; ++i)
        if (counts[i] < 1) call.fail(KERNEL_ERR_NOT_DONE, "a loop without curves");
}

// Takes a surface of the table (it becomes the sheet's).
void take_surface(int tag) { surfaces().table.erase(tag); }

// A sheet of the surface bounded by the loops, whose curves edges_of(surface,
// tag) turns into edges; the surface is taken over on success. 0 or a code.
template <class EdgesOf>
int sheet_of_loops(const host::Call& call, int surface, int n_loops, const int* counts, const int* senses,
                   const unsigned int* curves, double tolerance, unsigned int* sheet, EdgesOf&& edges_of) {
    call.need(sheet, "the sheet output");
    *sheet = 0;
    int status;
    if (call.status(status)) return status;
    hd::ensure_started();
    const int code = answer(call, [&] {
        check_loops(call, n_loops, counts, senses, curves);
        const Handle(Geom_Surface) s = surface_of(call, surface);
        const auto loops = loops_of(n_loops, counts, senses, curves, [&](unsigned int c) { return edges_of(s, c); });
        *sheet = commit_sheet(call, trimmed_face(call, s, loops, tolerance));
    });
    if (code == 0) take_surface(surface);
    else *sheet = 0;
    return code;
}

// ---- edges of a whole sheet ----------------------------------------------------

int sheet_with_edges(const host::Call& call, const Grid& g, unsigned int* sheet, unsigned int faces[2],
                     unsigned int edges[4]) {
    call.need(sheet, "the sheet output");
    call.need(faces, "the face outputs");
    call.need(edges, "the edge outputs");
    *sheet = 0;
    std::fill(faces, faces + 2, 0u);
    std::fill(edges, edges + 4, 0u);
    int status;
    if (call.status(status)) return status;
    Handle(Geom_BSplineSurface) s;
    if (int code = try_surface(g, s)) return code;
    return answer(call, [&] {
        const TopoDS_Face face = natural_face(call, s);
        const unsigned int body = commit_sheet(call, face);
        const int kbody = hk::entity_of(body);
        const int kface = hk::faces_of(kbody).at(0);
        double u0, u1, v0, v1;
        s->Bounds(u0, u1, v0, v1);
        for (int e : hk::edges_of(kbody)) {
            const TopoDS_Edge& edge = TopoDS::Edge(hd::require_sub(call, e, ZQ_CLASS_EDGE).shape);
            if (BRep_Tool::Degenerated(edge)) continue;
            const TopoDS_Face& f = TopoDS::Face(hd::require_sub(call, kface, ZQ_CLASS_FACE).shape);
            double a = 0, z = 0;
            Handle(Geom2d_Curve) pc = BRep_Tool::CurveOnSurface(edge, f, a, z);
            if (pc.IsNull()) continue;
            const gp_Pnt2d m = pc->Value((a + z) / 2);
            const double du = (u1 - u0) * 1e-6, dv = (v1 - v0) * 1e-6;
            int side = -1;
            if (std::fabs(m.Y() - v0) <= dv) side = 0;
            else if (std::fabs(m.X() - u1) <= du) side = 1;
            else if (std::fabs(m.Y() - v1) <= dv) side = 2;
            else if (std::fabs(m.X() - u0) <= du) side = 3;
            if (side >= 0) edges[side] = hk::object_of(e);
        }
        *sheet = body;
        faces[0] = hk::object_of(kface);
        faces[1] = static_cast<unsigned int>(kface);
    });
}

// ---- repair structures -------------------------------------------------------------

template <class T>
T* sm_copy(const T* from, std::size_t n) {
    T* to = static_cast<T*>(SM_alloc(n * sizeof(T)));
    if (n) std::memcpy(to, from, n * sizeof(T));
    return to;
}

void fill_structure(BSRF_surface_t* out, int nu, int nv, int ou, int ov, const std::vector<double>& ku,
                    const std::vector<double>& kv, const std::vector<double>& poles) {
    BSRF_surface_t made{};
    made.nu = nu;
    made.nv = nv;
    made.order_u = ou;
    made.order_v = ov;
    try {
        made.knots_u = sm_copy(ku.data(), ku.size());
        made.knots_v = sm_copy(kv.data(), kv.size());
        made.poles = sm_copy(poles.data(), poles.size());
    } catch (...) {
        SM_free(made.knots_u);
        SM_free(made.knots_v);
        throw;
    }
    ev4350(out);
    *out = made;
}

Grid grid_of(const BSRF_surface_t& s) {
    return Grid{s.nu, s.nv, s.order_u, s.order_v, s.knots_u, s.knots_v, s.poles, false};
}

// The structure of a kernel surface (unweighted poles).
void structure_of(const Handle(Geom_BSplineSurface) & s, BSRF_surface_t* out) {
    const int nu = s->NbUPoles(), nv = s->NbVPoles();
    TColStd_Array1OfReal uk(1, s->NbUKnots()), vk(1, s->NbVKnots());
    TColStd_Array1OfInteger um(1, s->NbUKnots()), vm(1, s->NbVKnots());
    s->UKnots(uk);
    s->VKnots(vk);
    s->UMultiplicities(um);
    s->VMultiplicities(vm);
    std::vector<double> poles(4 * static_cast<std::size_t>(nu) * nv);
    for (int j = 0; j < nv; ++j)
        for (int i = 0; i < nu; ++i) {
            const gp_Pnt p = s->Pole(i + 1, j + 1);
            double* q = &poles[4 * (static_cast<std::size_t>(j) * nu + i)];
            q[0] = p.X();
            q[1] = p.Y();
            q[2] = p.Z();
            q[3] = s->Weight(i + 1, j + 1);
        }
    fill_structure(out, nu, nv, s->UDegree() + 1, s->VDegree() + 1, flat_knots(uk, um), flat_knots(vk, vm), poles);
}

// Knots within the tolerance of the one before become equal to it (a knot
// below it is raised to it); answers how many changed.
int merge_knots(double* k, int count, double tolerance, int direction, BC_states_t* states) {
    int changed = 0;
    for (int i = 1; i < count; ++i)
        if (k[i] != k[i - 1] && (k[i] < k[i - 1] || k[i] - k[i - 1] <= tolerance)) {
            const double v[3] = {double(direction), k[i], 0};
            BCEV_add_state(states, BSRF_STATE_KNOTS, v);
            k[i] = k[i - 1];
            ++changed;
        }
    return changed;
}

void add_state(BC_states_t* states, int code, double a, double b, double c) {
    const double v[3] = {a, b, c};
    BCEV_add_state(states, code, v);
}

// ---- interpolation through rows ---------------------------------------------------

// Averaged chord-length parameters over [0, 1] of `count` sequences of n
// points each; point(s, i) is point i of sequence s (3 doubles).
template <class Point>
std::vector<double> chord_parameters(int sequences, int n, Point&& point) {
    std::vector<double> t(static_cast<std::size_t>(n), 0.0);
    int used = 0;
    for (int s = 0; s < sequences; ++s) {
        std::vector<double> d(static_cast<std::size_t>(n), 0.0);
        double total = 0;
        for (int i = 1; i < n; ++i) {
            const double* a = point(s, i - 1);
            const double* b = point(s, i);
            total += std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                               (a[2] - b[2]) * (a[2] - b[2]));
            d[i] = total;
        }
        if (total <= 0) continue;
        for (int i = 0; i < n; ++i) t[i] += d[i] / total;
        ++used;
    }
    if (used == 0) {
        for (int i = 0; i < n; ++i) t[i] = n > 1 ? double(i) / (n - 1) : 0;
        return t;
    }
    for (double& x : t) x /= used;
    t.front() = 0;
    t.back() = 1;
    return t;
}

// Clamped knots by averaging the parameters (degree p, n poles).
std::vector<double> averaged_knots(const std::vector<double>& t, int p) {
    const int n = static_cast<int>(t.size());
    std::vector<double> k(static_cast<std::size_t>(n + p + 1));
    for (int i = 0; i <= p; ++i) {
        k[i] = t.front();
        k[n + i] = t.back();
    }
    for (int j = 1; j < n - p; ++j) {
        double s = 0;
        for (int i = j; i < j + p; ++i) s += t[i];
        k[j + p] = s / p;
    }
    return k;
}

// Solves the interpolation of `dim`-vectors at the parameters with the
// B-spline basis of the knots: rhs holds n rows of dim values, replaced by
// the poles. False when the system is singular.
bool interpolate(const std::vector<double>& t, const std::vector<double>& knots, int p, int dim,
                 std::vector<double>& rhs) {
    const int n = static_cast<int>(t.size());
    const TColStd_Array1OfReal flat = real_array(knots);
    math_Matrix a(1, n, 1, n, 0.0);
    for (int r = 0; r < n; ++r) {
        math_Matrix basis(1, 1, 1, p + 1);
        int first = 0;
        if (BSplCLib::EvalBsplineBasis(0, p + 1, flat, t[r], first, basis) != 0) return false;
        for (int c = 0; c <= p; ++c)
            if (first + c >= 1 && first + c <= n) a(r + 1, first + c) = basis(1, c + 1);
    }
    math_Gauss gauss(a);
    if (!gauss.IsDone()) return false;
    for (int d = 0; d < dim; ++d) {
        math_Vector b(1, n), x(1, n);
        for (int r = 0; r < n; ++r) b(r + 1) = rhs[static_cast<std::size_t>(r) * dim + d];
        gauss.Solve(b, x);
        for (int r = 0; r < n; ++r) rhs[static_cast<std::size_t>(r) * dim + d] = x(r + 1);
    }
    return true;
}

// The tensor-product interpolation of a grid of nu x nv homogeneous points
// (w x, w y, w z, w; u fastest) with the degrees: a surface whose poles
// interpolate them in homogeneous space, so that the surface passes
// through the points. A periodic direction is closed by repeating its
// first points at its end. 0 or a host code (1, 3).
int grid_surface(int nu, int nv, std::vector<double> h, int du, int dv, int pu, int pv, int* surface) {
    auto close = [&](bool in_u) {
        std::vector<double> g;
        const int nu2 = in_u ? nu + 1 : nu, nv2 = in_u ? nv : nv + 1;
        g.resize(4 * static_cast<std::size_t>(nu2) * nv2);
        for (int j = 0; j < nv2; ++j)
            for (int i = 0; i < nu2; ++i) {
                const int si = i % nu, sj = j % nv;
                std::memcpy(&g[4 * (static_cast<std::size_t>(j) * nu2 + i)],
                            &h[4 * (static_cast<std::size_t>(sj) * nu + si)], 4 * sizeof(double));
            }
        h.swap(g);
        nu = nu2;
        nv = nv2;
    };
    bool rational = false;
    for (std::size_t i = 3; i < h.size(); i += 4) rational = rational || h[i] != 1.0;
    if (pu) close(true);
    if (pv) close(false);
    if (nu < du + 1 || nv < dv + 1) return 1;
    std::vector<double> xyz(3 * static_cast<std::size_t>(nu) * nv);
    for (std::size_t i = 0; i < static_cast<std::size_t>(nu) * nv; ++i)
        for (int c = 0; c < 3; ++c) xyz[3 * i + c] = h[4 * i + c] / h[4 * i + 3];
    const auto at = [&](int i, int j) { return &xyz[3 * (static_cast<std::size_t>(j) * nu + i)]; };
    const std::vector<double> tu = chord_parameters(nv, nu, [&](int s, int i) { return at(i, s); });
    const std::vector<double> tv = chord_parameters(nu, nv, [&](int s, int j) { return at(s, j); });
    const std::vector<double> ku = averaged_knots(tu, du), kv = averaged_knots(tv, dv);
    // Rows (u) first, then the columns of their poles (v).
    for (int j = 0; j < nv; ++j) {
        std::vector<double> row(&h[4 * static_cast<std::size_t>(j) * nu], &h[4 * static_cast<std::size_t>(j + 1) * nu]);
        if (!interpolate(tu, ku, du, 4, row)) return 3;
        std::copy(row.begin(), row.end(), &h[4 * static_cast<std::size_t>(j) * nu]);
    }
    for (int i = 0; i < nu; ++i) {
        std::vector<double> col(4 * static_cast<std::size_t>(nv));
        for (int j = 0; j < nv; ++j)
            std::memcpy(&col[4 * j], &h[4 * (static_cast<std::size_t>(j) * nu + i)], 4 * sizeof(double));
        if (!interpolate(tv, kv, dv, 4, col)) return 3;
        for (int j = 0; j < nv; ++j)
            std::memcpy(&h[4 * (static_cast<std::size_t>(j) * nu + i)], &col[4 * j], 4 * sizeof(double));
    }
    // Points of weight 1 make a polynomial surface: its weights are 1
    // exactly, not as near as the solution comes.
    if (!rational)
        for (std::size_t i = 3; i < h.size(); i += 4) h[i] = 1;
    Handle(Geom_BSplineSurface) s;
    const Grid g{nu, nv, du + 1, dv + 1, ku.data(), kv.data(), h.data(), true};
    if (try_surface(g, s) != 0) return 3;
    *surface = new_surface(s);
    return 0;
}

int through_rows(const host::Call& call, int n_rows, const int* counts, const double* const* rows, int du, int dv,
                 int pu, int pv, bool weighted, int* surface) {
    call.need(counts, "the counts");
    call.need(rows, "the rows");
    call.need(surface, "the surface output");
    *surface = 0;
    int status;
    if (call.status(status)) return status;
    if (n_rows < 1 || du < 1 || dv < 1) return 1;
    const int nu = counts[0];
    for (int r = 0; r < n_rows; ++r)
        if (counts[r] != nu) return 2;
    std::vector<double> h(4 * static_cast<std::size_t>(nu) * n_rows);
    for (int r = 0; r < n_rows; ++r) {
        call.need(rows[r], "a row");
        for (int i = 0; i < nu; ++i) {
            const double* q = rows[r] + 4 * i;
            double* o = &h[4 * (static_cast<std::size_t>(r) * nu + i)];
            std::memcpy(o, q, 4 * sizeof(double));
            if (!weighted) o[3] = 1;
            if (!(o[3] > 0)) return 1;
        }
    }
    hd::ensure_started();
    try {
        return grid_surface(nu, n_rows, std::move(h), du, dv, pu, pv, surface);
    } catch (const host::HostError&) {
        throw;
    } catch (...) {
        return 3;
    }
}

// The face of a face object on a live kernel body.
int face_entity(const host::Call& call, unsigned int face) {
    call.live(face);
    if (!ES_solid_is_a_face(face)) call.fail(HOST_ERR_WRONG_CLASS, "object %u is no face", face);
    const int e = hk::entity_of(face);
    if (e == 0) call.fail(KERNEL_ERR_NO_ENTITY, "face %u has no kernel face", face);
    return e;
}

// Makes `shape` (with its faces and edges named) the body's shape, given by
// one plain step from now on.
void make_plain(const hd::Body& old, const TopoDS_Shape& shape, hd::Named named) {
    hd::Step s;
    s.kind = &hd::steps::imported;
    s.result = shape;
    s.named = std::make_shared<hd::Named>(std::move(named));
    s.other = s.result;
    s.other_named = s.named;
    hd::BodyState b = *old;
    b.shape = shape;
    b.set_named(s.named);
    b.steps.clear();
    b.add_step(std::move(s));
    hd::name_small(b, old.get());
    hd::commit({std::move(b)}, {});
}

}  // namespace

extern "C" {

// ---- surfaces and sheets from loose data ------------------------------------------------

int PX_cre_bs_tag(int nu, int nv, int ou, int ov, const double* knots_u, const double* knots_v, const double* poles,
                  int* surface, int option1, int option2) {
    auto call = HOST_ENTRY(nu, nv, option1, option2);
    call.need(surface, "the surface output");
    *surface = 0;
    int status;
    if (call.status(status)) return status;
    Handle(Geom_BSplineSurface) s;
    if (int code = try_surface(Grid{nu, nv, ou, ov, knots_u, knots_v, poles, true}, s)) return code;
    *surface = new_surface(s);
    return 0;
}

unsigned int pxbsby_surf_brep(int surface, int* status) {
    auto call = HOST_ENTRY(surface, status);
    call.need(status, "the status output");
    *status = 0;
    int scripted;
    if (call.status(scripted)) {
        *status = scripted;
        return 0;
    }
    unsigned int body = 0;
    *status = answer(call, [&] {
        const Handle(Geom_Surface) s = surface_of(call, surface);
        body = commit_sheet(call, natural_face(call, s));
    });
    if (*status == 0) take_surface(surface);
    return body;
}

unsigned int pxbsby_brep(int surface, int word1, int word2) {
    auto call = HOST_ENTRY(surface, word1, word2);
    hd::ensure_started();
    const Handle(Geom_Surface) s = surface_of(call, surface);
    const unsigned int body =
        hd::guarded(call, KERNEL_ERR_NOT_DONE, [&] { return commit_sheet(call, natural_face(call, s)); });
    take_surface(surface);
    return body;
}

int PX_sheet_from_surf_curves(int surface, int n_loops, const int* counts, const int* senses,
                              const unsigned int* curves, int option, double tolerance, unsigned int* sheet) {
    auto call = HOST_ENTRY(surface, n_loops, option, tolerance);
    return sheet_of_loops(call, surface, n_loops, counts, senses, curves, tolerance, sheet,
                          [&](const Handle(Geom_Surface)&, unsigned int c) { return curve_edges(call, c); });
}

int PX_sheet_from_2d_curves_surf(int surface, int n_loops, const int* counts, const int* senses,
                                 const unsigned int* curves, double tolerance, unsigned int* sheet) {
    auto call = HOST_ENTRY(surface, n_loops, tolerance, sheet);
    return sheet_of_loops(call, surface, n_loops, counts, senses, curves, tolerance, sheet,
                          [&](const Handle(Geom_Surface) & s, unsigned int c) {
                              return std::vector<TopoDS_Edge>{parameter_edge(call, c, s)};
                          });
}

int PX_cre_bs_edges(int nu, int nv, int ou, int ov, const double* knots_u, const double* knots_v, const double* poles,
                    unsigned int* sheet, unsigned int faces[2], unsigned int edges[4], int option1, int option2) {
    auto call = HOST_ENTRY(nu, nv, option1, option2);
    return sheet_with_edges(call, Grid{nu, nv, ou, ov, knots_u, knots_v, poles, true}, sheet, faces, edges);
}

int PX_cre_bs_2d_edges(int nu, int nv, int ou, int ov, const double* knots_u, const double* knots_v,
                       const double* poles, unsigned int* sheet, unsigned int faces[2], unsigned int edges[4],
                       int option1, int option2) {
    auto call = HOST_ENTRY(nu, nv, option1, option2);
    return sheet_with_edges(call, Grid{nu, nv, ou, ov, knots_u, knots_v, poles, true}, sheet, faces, edges);
}

int KI_delent(int entity) {
    auto call = HOST_ENTRY(entity);
    int status;
    if (call.status(status)) return status;
    if (surfaces().table.erase(entity) > 0) return 0;
    if (!hd::find_body(entity)) return KERNEL_ERR_NO_ENTITY;
    return answer(call, [&] { ZQ_ENTITY_delete(entity); });
}

void KI_error_set_hit_list(int n, const int* codes) {
    auto call = HOST_ENTRY(n, codes);
    if (n > 0) call.need(codes, "the codes");
    session().hit_list.assign(codes, codes + std::max(n, 0));
}

void KI_error_ask_hit_list(int* n, int** codes) {
    auto call = HOST_ENTRY(n, codes);
    call.need(n, "the count output");
    call.need(codes, "the codes output");
    const std::vector<int>& h = session().hit_list;
    *codes = h.empty() ? nullptr : sm_copy(h.data(), h.size());
    *n = static_cast<int>(h.size());
}

int ZQ_SESSION_ask_check_self_int(void) {
    auto call = HOST_ENTRY();
    return static_cast<int>(call.int_out(0, session().check_self_int ? 1 : 0));
}

void ZQ_SESSION_set_check_self_int(int on) {
    HOST_ENTRY(on);
    session().check_self_int = on != 0;
}

// ---- records ------------------------------------------------------------------------------

int PX_bsurface_create_fixed(int ou, int ov, int nu, int nv, const double* knots_u, const double* knots_v,
                             const double* poles, int* surface, BC_states_t* states) {
    auto call = HOST_ENTRY(ou, ov, nu, nv);
    call.need(surface, "the surface output");
    *surface = 0;
    int status;
    if (call.status(status)) return status;
    if (!knots_u || !knots_v || !poles || nu < ou || nv < ov || ou < 2 || ov < 2) return KERNEL_ERR_NOT_DONE;
    std::vector<double> ku(knots_u, knots_u + nu + ou), kv(knots_v, knots_v + nv + ov);
    const double tol = 1e-9 * std::max({1.0, std::fabs(ku.back()), std::fabs(kv.back())});
    merge_knots(ku.data(), nu + ou, tol, 1, states);
    merge_knots(kv.data(), nv + ov, tol, 2, states);
    // The same surface with its first weight 1.
    std::vector<double> p(poles, poles + 4 * static_cast<std::size_t>(nu) * nv);
    const double w0 = p[3];
    if (w0 > 0 && w0 != 1.0) {
        for (std::size_t i = 0; i < p.size(); ++i) p[i] /= w0;
        add_state(states, BSRF_STATE_WEIGHTS, 1 / w0, 0, 0);
    }
    Handle(Geom_BSplineSurface) s;
    if (int code = try_surface(Grid{nu, nv, ou, ov, ku.data(), kv.data(), p.data(), true}, s)) return code;
    *surface = new_surface(s);
    return 0;
}

void BSRF_from_bsurf_data_uw(int nu, int nv, int ou, int ov, const double* knots_u, const double* knots_v,
                             const double* poles, BSRF_surface_t* surface) {
    auto call = HOST_ENTRY(nu, nv, ou, ov);
    call.need(surface, "the structure output");
    call.need(knots_u, "the u knots");
    call.need(knots_v, "the v knots");
    call.need(poles, "the poles");
    *surface = BSRF_surface_t{};
    if (nu <= 0 || nv <= 0 || ou <= 0 || ov <= 0) return;
    // The record's first three values of each pole are taken as its
    // coordinates: the structure is the record's data as they stand.
    const std::vector<double> p(poles, poles + 4 * static_cast<std::size_t>(nu) * nv);
    fill_structure(surface, nu, nv, ou, ov, std::vector<double>(knots_u, knots_u + nu + ou),
                   std::vector<double>(knots_v, knots_v + nv + ov), p);
}

void ev4350(BSRF_surface_t* surface) {
    if (!surface) return;
    const BSRF_surface_t s = std::exchange(*surface, BSRF_surface_t{});
    // Every array goes, also when giving back one of them fails.
    std::exception_ptr failed;
    for (double* block : {s.knots_u, s.knots_v, s.poles}) try {
            SM_free(block);
        } catch (...) {
            if (!failed) failed = std::current_exception();
        }
    if (failed) std::rethrow_exception(failed);
}

int BSRF_fix_bsurf_knots_uw(BSRF_surface_t* surface, double tolerance, BC_states_t* states) {
    auto call = HOST_ENTRY(surface, tolerance);
    call.need(surface, "the structure");
    int status;
    if (call.status(status)) return status;
    BSRF_surface_t& s = *surface;
    if (!sizes_ok(grid_of(s))) return 1;
    merge_knots(s.knots_u, s.nu + s.order_u, tolerance, 1, states);
    merge_knots(s.knots_v, s.nv + s.order_v, tolerance, 2, states);
    Handle(Geom_BSplineSurface) k;
    if (try_surface(grid_of(s), k) != 0) return 1;
    if (call.outputs() > 0) {
        // Scripted: u knots the repair inserts (the same surface, more poles).
        hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
            for (std::size_t i = 0; i < call.outputs(); ++i) k->InsertUKnot(call.real_out(i, 0), 1, kSnap);
            structure_of(k, surface);
        });
    }
    return 0;
}

int BSRF_fix_bsurf_degen_uw(BSRF_surface_t* surface, double tolerance, BC_states_t* states) {
    auto call = HOST_ENTRY(surface, tolerance);
    call.need(surface, "the structure");
    int status;
    if (call.status(status)) return status;
    BSRF_surface_t& s = *surface;
    const std::size_t n = static_cast<std::size_t>(s.nu) * s.nv;
    const auto dist = [&](std::size_t a, std::size_t b) {
        double d = 0;
        for (int c = 0; c < 3; ++c)
            d += (s.poles[4 * a + c] - s.poles[4 * b + c]) * (s.poles[4 * a + c] - s.poles[4 * b + c]);
        return std::sqrt(d);
    };
    bool all = true;
    for (std::size_t i = 1; i < n && all; ++i) all = dist(0, i) <= tolerance;
    if (all) return 1;
    // A row of poles that repeats the row before where the surface is
    // flat between them (order 2 in that direction) goes with its knot.
    if (s.order_u == 2)
        for (int i = s.nu - 1; i >= 1 && s.nu > 2; --i) {
            bool same = true;
            for (int j = 0; j < s.nv && same; ++j)
                same = dist(static_cast<std::size_t>(j) * s.nu + i, static_cast<std::size_t>(j) * s.nu + i - 1) <=
                       tolerance;
            if (!same) continue;
            add_state(states, BSRF_STATE_DEGENERATE, 1, i, 0);
            std::vector<double> p;
            for (int j = 0; j < s.nv; ++j)
                for (int k = 0; k < s.nu; ++k)
                    if (k != i)
                        p.insert(p.end(), s.poles + 4 * (static_cast<std::size_t>(j) * s.nu + k),
                                 s.poles + 4 * (static_cast<std::size_t>(j) * s.nu + k) + 4);
            std::vector<double> ku(s.knots_u, s.knots_u + s.nu + s.order_u);
            ku.erase(ku.begin() + i + 1);
            std::vector<double> kv(s.knots_v, s.knots_v + s.nv + s.order_v);
            fill_structure(surface, s.nu - 1, s.nv, s.order_u, s.order_v, ku, kv, p);
        }
    return 0;
}

int BSRF_smooth_bsurf_data_uw(int smooth_u, int smooth_v, double tolerance, int word1, int word2,
                              BSRF_surface_t* surface, BC_states_t* states) {
    auto call = HOST_ENTRY(smooth_u, smooth_v, word1, word2);
    call.need(surface, "the structure");
    int status;
    if (call.status(status)) return status;
    Handle(Geom_BSplineSurface) s;
    if (try_surface(grid_of(*surface), s) != 0) return 1;
    int failed = 0;
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] {
        // Each interior knot held more often than the continuity allows
        // loses copies where the surface stays within the tolerance.
        const auto smooth = [&](bool in_u, int keep) {
            const int degree = in_u ? s->UDegree() : s->VDegree();
            const int target = std::max(0, degree - keep);
            const int n = in_u ? s->NbUKnots() : s->NbVKnots();
            for (int i = n - 1; i > 1; --i) {
                const int mult = in_u ? s->UMultiplicity(i) : s->VMultiplicity(i);
                if (i == n || mult <= target) continue;
                const double knot = in_u ? s->UKnot(i) : s->VKnot(i);
                const bool done = in_u ? s->RemoveUKnot(i, target, tolerance) : s->RemoveVKnot(i, target, tolerance);
                add_state(states, done ? BSRF_STATE_SMOOTHED : BSRF_STATE_NOT_SMOOTH, in_u ? 1 : 2, knot, 0);
                if (!done) failed = 1;
            }
        };
        smooth(true, smooth_u);
        smooth(false, smooth_v);
        structure_of(s, surface);
    });
    return failed;
}

int BSRF_fixed_from_bsurf_data(int nu, int nv, int ou, int ov, const double* knots_u, const double* knots_v,
                               const double* poles, double tolerance, BSRF_surface_t* surface) {
    auto call = HOST_ENTRY(nu, nv, tolerance, surface);
    call.need(surface, "the structure output");
    int status;
    if (call.status(status)) return status;
    // Weighted poles of the interface's record, made unweighted.
    std::vector<double> p(poles ? poles : knots_u,
                          poles ? poles + 4 * static_cast<std::size_t>(std::max(nu, 0)) * std::max(nv, 0) : knots_u);
    for (std::size_t i = 0; i + 3 < p.size(); i += 4)
        if (p[i + 3] > 0)
            for (int c = 0; c < 3; ++c) p[i + c] /= p[i + 3];
    BSRF_from_bsurf_data_uw(nu, nv, ou, ov, knots_u, knots_v, poles ? p.data() : nullptr, surface);
    return BSRF_fix_bsurf_knots_uw(surface, tolerance, nullptr);
}

int BSRF_create_surf_with_pars(const BSRF_surface_t* surface, int* kernel_surface) {
    auto call = HOST_ENTRY(surface, kernel_surface);
    call.need(surface, "the structure");
    call.need(kernel_surface, "the surface output");
    *kernel_surface = 0;
    int status;
    if (call.status(status)) return status;
    Handle(Geom_BSplineSurface) s;
    if (int code = try_surface(grid_of(*surface), s)) return code;
    *kernel_surface = new_surface(s);
    return 0;
}

// ---- queries ---------------------------------------------------------------------------

void PX_bsurf_ask(int surface, int* nu, int* nv, int* ou, int* ov, double** knots_u, double** knots_v, double** poles,
                  int* rational) {
    auto call = HOST_ENTRY(surface, nu, nv, poles);
    call.need(nu, "the u count output");
    call.need(nv, "the v count output");
    call.need(ou, "the u order output");
    call.need(ov, "the v order output");
    call.need(knots_u, "the u knots output");
    call.need(knots_v, "the v knots output");
    call.need(poles, "the poles output");
    call.need(rational, "the rational output");
    hd::ensure_started();
    Handle(Geom_BSplineSurface) s = Handle(Geom_BSplineSurface)::DownCast(unwrap(surface_of(call, surface)));
    if (s.IsNull()) call.fail(KERNEL_ERR_WRONG_ENTITY, "surface %d is no B-surface", surface);
    if (s->IsUPeriodic() || s->IsVPeriodic()) {
        s = Handle(Geom_BSplineSurface)::DownCast(s->Copy());
        if (s->IsUPeriodic()) s->SetUNotPeriodic();
        if (s->IsVPeriodic()) s->SetVNotPeriodic();
    }
    BSRF_surface_t st{};
    structure_of(s, &st);
    // Weighted poles for the interface.
    for (std::size_t i = 0; i < static_cast<std::size_t>(st.nu) * st.nv; ++i)
        if (st.poles[4 * i + 3] != 1.0)
            for (int c = 0; c < 3; ++c) st.poles[4 * i + c] *= st.poles[4 * i + 3];
    *nu = st.nu;
    *nv = st.nv;
    *ou = st.order_u;
    *ov = st.order_v;
    *knots_u = st.knots_u;
    *knots_v = st.knots_v;
    *poles = st.poles;
    *rational = (s->IsURational() || s->IsVRational()) ? 1 : 0;
}

void KI_ouofsu(int surface, int* base) {
    auto call = HOST_ENTRY(surface, base);
    call.need(base, "the base output");
    *base = 0;
    const auto o = Handle(Geom_OffsetSurface)::DownCast(unwrap(surface_of(call, surface)));
    if (o.IsNull()) call.fail(KERNEL_ERR_WRONG_ENTITY, "surface %d is no offset surface", surface);
    *base = new_surface(o->BasisSurface());
}

// ---- through rows -------------------------------------------------------------------------

int em4320(int n_rows, const int* counts, const double* const* rows, int degree_u, int degree_v, int periodic_u,
           int periodic_v, int* surface) {
    auto call = HOST_ENTRY(n_rows, degree_u, degree_v, surface);
    return through_rows(call, n_rows, counts, rows, degree_u, degree_v, periodic_u, periodic_v, false, surface);
}

int em4329(int n_rows, const int* counts, const double* const* rows, int degree_u, int degree_v, int periodic_u,
           int periodic_v, int* surface) {
    auto call = HOST_ENTRY(n_rows, degree_u, degree_v, surface);
    return through_rows(call, n_rows, counts, rows, degree_u, degree_v, periodic_u, periodic_v, true, surface);
}

void ES_write_def_grid_counts(unsigned int face) {
    auto call = HOST_ENTRY(face);
    face_entity(call, face);
    hk::set_grid_counts(face, BSRF_DEFAULT_GRID, BSRF_DEFAULT_GRID);
}

// ---- faces of features ----------------------------------------------------------------------

int j7043(unsigned int face, int* surface) {
    auto call = HOST_ENTRY(face, surface);
    call.need(surface, "the surface output");
    *surface = 0;
    const int e = face_entity(call, face);
    const Handle(Geom_Surface) s = surface_of(call, e);
    if (s.IsNull()) return 0;
    *surface = e;
    return 1;
}

int pxresu_(unsigned int face, int surface) {
    auto call = HOST_ENTRY(face, surface);
    int status;
    if (call.status(status)) return status;
    const int e = face_entity(call, face);
    hd::Body owner;
    hd::require_sub(call, e, ZQ_CLASS_FACE, &owner);
    const Handle(Geom_Surface) s = surface_of(call, surface);
    hd::ensure_started();
    return answer(call, [&] {
        // Works on a copy: the kernel's shapes of the body stay as they are
        // for the states that hold them (undo).
        BRepBuilderAPI_Copy copy(owner->shape);
        hd::NameTable names;
        hd::Named named = hd::name_result(copy.Shape(), {&owner->named()}, &copy, names);
        TopoDS_Face old;
        for (const hd::Sub& f : named.faces)
            if (f.tag == e) old = TopoDS::Face(f.shape);
        if (old.IsNull()) call.fail(KERNEL_ERR_NO_ENTITY, "face %d is not on its body", e);
        std::vector<std::vector<TopoDS_Edge>> loops;
        for (TopExp_Explorer w(old.Oriented(TopAbs_FORWARD), TopAbs_WIRE); w.More(); w.Next()) {
            std::vector<TopoDS_Edge> loop;
            for (BRepTools_WireExplorer x(TopoDS::Wire(w.Current()), TopoDS::Face(old.Oriented(TopAbs_FORWARD)));
                 x.More(); x.Next())
                loop.push_back(x.Current());
            loops.push_back(std::move(loop));
        }
        const TopoDS_Face made = trimmed_face(call, s, loops, 1e-6, false);
        Handle(BRepTools_ReShape) reshape = new BRepTools_ReShape;
        reshape->Replace(old.Oriented(TopAbs_FORWARD), made);
        const TopoDS_Shape result = reshape->Apply(copy.Shape());
        for (hd::Sub& f : named.faces) f.shape = reshape->Value(f.shape);
        for (hd::Sub& x : named.edges) x.shape = reshape->Value(x.shape);
        if (!BRepCheck_Analyzer(result).IsValid()) call.fail(KERNEL_ERR_INVALID_RESULT, "the body would be invalid");
        make_plain(owner, result, std::move(named));
        take_surface(surface);
    });
}

int KI_copyen(int body, int* copy) {
    auto call = HOST_ENTRY(body, copy);
    call.need(copy, "the copy output");
    *copy = 0;
    int status;
    if (call.status(status)) return status;
    const hd::Body b = hd::require_body(call, body);
    hd::Step s;
    s.kind = &hd::steps::imported;
    s.result = b->shape;
    s.named = std::make_shared<hd::Named>(hd::name_result(b->shape, {}, nullptr, s.names, false));
    *copy = hd::commit_result(std::move(s));
    return 0;
}

void PX_body_make_plain(int body) {
    auto call = HOST_ENTRY(body);
    const hd::Body b = hd::require_body(call, body);
    make_plain(b, b->shape, b->named());
}

}  // extern "C"
