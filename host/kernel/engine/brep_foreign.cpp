// Sheets on foreign surfaces, and geometry attached to bodies.
//
// A foreign surface is the grid of points its kind's evaluator gives over a
// parameter box; the kernel makes of it a B-spline surface through those
// points (the kernel needs real geometry for its faces: between the samples
// the sheet approximates the evaluator's surface). The samples are kept,
// so that the sheet's face answers the definition it was made from.
//
// Attached geometry: points, lines, circles and planes kept with a body
// without being part of its faces and edges (construction geometry), each
// with a kernel tag of its own; it goes with its body.
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "host/kernel/foreign/forgeo.h"
#include "host/kernel/engine/brep.h"
#include "host/kernel/engine/brep_states.h"
#include "host/base/model.h"
#include "host/base/services/error.h"

namespace {

namespace hd = host::kernel::detail;

constexpr int kMaxSamples = 64;

struct Foreign {
    std::string kind;
    double u[2] = {0, 0}, v[2] = {0, 0};
    int nu = 0, nv = 0;
    std::vector<double> points;  // nu x nv points, u fastest
    int body = 0;                // the sheet made on it (0: none yet)
    int face = 0;
};

struct ForeignSurfaces {
    std::map<int, Foreign> surfaces;  // by identifier
    int next = 1;
};
ForeignSurfaces& foreign() { return host::model_state<ForeignSurfaces>("foreign surface sheets"); }
const ForeignSurfaces& foreign_read() { return const_cast<ForeignSurfaces&>(foreign()); }

struct AttachedGeometry {
    std::map<int, PX_BREP_geometry_t> items;  // kernel tag -> record (no spline form)
    std::map<int, int> body_of;
};
AttachedGeometry& attached() { return host::model_state<AttachedGeometry>("attached geometry"); }

struct Partitions {
    int newest = 0;
};
Partitions& partitions() { return host::model_state<Partitions>("kernel partitions"); }

const bool registered = (foreign(), attached(), partitions(), true);

bool finite(const double* v, int n) {
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(v[i])) return false;
    return true;
}

double length(const double d[3]) { return std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]); }

// Why a record cannot be attached (0: it can).
int attach_fault(const PX_BREP_geometry_t& g) {
    if (!finite(g.point, 3) || !finite(g.direction, 3) || !std::isfinite(g.radius)) return KERNEL_ERR_DEGENERATE;
    switch (g.type) {
        case 0: return 0;
        case ZQ_CURVE_LINE:
        case ZQ_SURF_PLANE: return length(g.direction) > 1e-12 ? 0 : KERNEL_ERR_DEGENERATE;
        case ZQ_CURVE_CIRCLE: return length(g.direction) > 1e-12 && g.radius > 0 ? 0 : KERNEL_ERR_DEGENERATE;
        default: return KERNEL_ERR_WRONG_ENTITY;
    }
}

}  // namespace

namespace host::kernel::detail {

bool attached_geometry(int tag, PX_BREP_geometry_t& out) {
    auto& a = attached();
    const auto found = a.items.find(tag);
    if (found == a.items.end() || !find_body(a.body_of.at(tag))) return false;
    out = found->second;
    out.entity = tag;
    return true;
}

}  // namespace host::kernel::detail

extern "C" {

void UNDO_ZR_cre_partition(int* partition) {
    auto call = HOST_ENTRY(partition);
    call.need(partition, "the partition output");
    *partition = ++partitions().newest;
    hd::partition_made(*partition);
}

int UNDO_ZR_ask_partition(void) {
    HOST_ENTRY();
    return const_cast<const Partitions&>(partitions()).newest;
}

void FORGEO_create_surface(const FORGEO_surface_def_t* def, int* surface) {
    auto call = HOST_ENTRY(def, surface);
    call.need(def, "the surface definition");
    call.need(surface, "the surface output");
    *surface = 0;
    call.need(def->kind, "the surface kind");
    if (!finite(def->u, 2) || !finite(def->v, 2) || def->u[0] > def->u[1] || def->v[0] > def->v[1])
        call.fail(KERNEL_ERR_DEGENERATE, "the parameter box [%g, %g] x [%g, %g]", def->u[0], def->u[1], def->v[0],
                  def->v[1]);
    if (def->nu < 2 || def->nv < 2 || def->nu > kMaxSamples || def->nv > kMaxSamples)
        call.fail(HOST_ERR_BAD_ARGUMENT, "a grid of %d x %d samples (2 to %d each way)", def->nu, def->nv, kMaxSamples);
    if (def->u[0] == def->u[1] || def->v[0] == def->v[1]) return;
    Foreign f;
    f.kind = def->kind;
    f.nu = def->nu;
    f.nv = def->nv;
    for (int i = 0; i < 2; ++i) f.u[i] = def->u[i], f.v[i] = def->v[i];
    for (int j = 0; j < f.nv; ++j)
        for (int i = 0; i < f.nu; ++i) {
            const double uv[2] = {f.u[0] + (f.u[1] - f.u[0]) * i / (f.nu - 1),
                                  f.v[0] + (f.v[1] - f.v[0]) * j / (f.nv - 1)};
            double p[3];
            FORGEO_evaluate_surface(def->kind, uv, p);
            if (!finite(p, 3)) call.fail(HOST_ERR_BAD_ARGUMENT, "the evaluator of %s gave no point", def->kind);
            f.points.insert(f.points.end(), p, p + 3);
        }
    auto& all = foreign();
    *surface = all.next++;
    all.surfaces.emplace(*surface, std::move(f));
}

void KI_crbyge(int surface, int option1, int option2, int option3, int* body) {
    auto call = HOST_ENTRY(surface, option1, option2, option3);
    call.need(body, "the body output");
    *body = 0;
    if (option1 != 0 || option2 != 0 || option3 != 0)
        call.fail(HOST_ERR_BAD_ARGUMENT, "options %d, %d, %d", option1, option2, option3);
    const auto found = foreign_read().surfaces.find(surface);
    if (found == foreign_read().surfaces.end()) call.fail(KERNEL_ERR_NO_ENTITY, "%d is no foreign surface", surface);
    const Foreign& f = found->second;
    int made = 0;
    ZQ_BODY_points_sheet(f.nu, f.nv, f.points.data(), &made);
    const hd::Body b = hd::find_body(made);
    Foreign& kept = foreign().surfaces.at(surface);
    kept.body = made;
    kept.face = b->named().faces.empty() ? 0 : b->named().faces.front().tag;
    *body = made;
}

void FORGEO_ask_surface(int surface, unsigned int sheet, FORGEO_surface_def_t* result) {
    auto call = HOST_ENTRY(surface, sheet, result);
    call.need(result, "the result");
    *result = FORGEO_surface_def_t{};
    hd::require_sub(call, surface, ZQ_CLASS_FACE);
    for (const auto& [id, f] : foreign_read().surfaces)
        if (f.face == surface && hd::find_body(f.body)) {
            result->u[0] = f.u[0], result->u[1] = f.u[1];
            result->v[0] = f.v[0], result->v[1] = f.v[1];
            result->nu = f.nu;
            result->nv = f.nv;
            // The registry's copy of the name lasts the session.
            result->kind = FORGEO_ask_kind_name(f.kind.c_str());
            return;
        }
    call.fail(KERNEL_ERR_WRONG_ENTITY, "face %d lies on no foreign surface", surface);
}

int PX_BREP_attach_geometry(int body, int n, const PX_BREP_geometry_t geometry[], int tags[],
                            PX_BREP_state_t** states) {
    auto call = HOST_ENTRY(body, n, geometry, tags);
    call.need(states, "the state list output");
    *states = nullptr;
    hd::require_body(call, body);
    if (n <= 0) return 0;
    call.need(geometry, "the geometry records");
    call.need(tags, "the tags output");
    PX_BREP_state_t* head = nullptr;
    PX_BREP_state_t** tail = &head;
    int result = 0;
    auto& a = attached();
    for (int i = 0; i < n; ++i) {
        tags[i] = 0;
        if (const int fault = attach_fault(geometry[i])) {
            auto* s = new PX_BREP_state_t{};
            s->first = fault;
            s->second = body;
            s->fourth = i;
            *tail = s;
            tail = &s->next;
            if (!result) result = fault;
            continue;
        }
        PX_BREP_geometry_t g = geometry[i];
        g.spline = ZQ_bspline_t{};
        g.sense = 1;
        if (g.type != 0) {
            const double l = length(g.direction);
            for (double& d : g.direction) d /= l;
        }
        if (g.type != ZQ_CURVE_CIRCLE) g.radius = 0;
        g.radius2 = 0;
        tags[i] = hd::new_tag();
        a.items[tags[i]] = g;
        a.body_of[tags[i]] = body;
    }
    *states = head;
    return result;
}

int PX_BREP_delete_geometry(int geometry) {
    auto call = HOST_ENTRY(geometry);
    PX_BREP_geometry_t g;
    if (!hd::attached_geometry(geometry, g))
        call.fail(hd::locate(geometry) ? KERNEL_ERR_WRONG_ENTITY : KERNEL_ERR_NO_ENTITY,
                  "%d is no geometry attached to a body", geometry);
    auto& a = attached();
    a.items.erase(geometry);
    a.body_of.erase(geometry);
    return 0;
}

}  // extern "C"
