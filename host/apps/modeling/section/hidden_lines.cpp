// The hidden-line collection, view orientations and loops of curves
// (hidden_lines.h).
#include "host/apps/modeling/section/hidden_lines.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_types.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/curves/plane_sections.h"
#include "host/base/model.h"
#include "host/numeric/curves.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

int hidlin_[64];

namespace {

using tag_t = unsigned int;

struct Orientation {
    double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    double origin[3] = {0, 0, 0};
};
host::TagTable<Orientation>& orientations() {
    static auto* t = new host::TagTable<Orientation>("view orientations");  // lives as long as the process
    return *t;
}

// The renderer's state between its calls (a service: not part of the model).
struct Render {
    double transform[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::vector<tag_t> list;
    bool collecting = false;
    std::vector<tag_t> collected;
};
Render& render() { return host::service_state<Render>("hidden-line renderer"); }
const bool registered = (orientations(), render(), true);

const Orientation& orientation_of(const host::Call& call, tag_t view) {
    call.live_of_type(view, HOST_TYPE_VIEW);
    static const Orientation none{};
    const Orientation* o = orientations().find(view);
    return o ? *o : none;
}

using P = std::array<double, 3>;

struct Ends {
    P a, b;
    bool closed = false;
};

Ends ends_of(tag_t curve) {
    Ends e{};
    const auto c = host::curves::curve_of(curve);
    if (!c) return e;
    double lim[2];
    hostnum::curve_limits(c->record(), lim);
    hostnum::curve_evaluate(c->record(), 0, lim[0], e.a.data(), nullptr);
    hostnum::curve_evaluate(c->record(), 0, lim[1], e.b.data(), nullptr);
    return e;
}

double dist(const P& a, const P& b) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); }

// Points along a loop's curves, for containment.
std::vector<P> outline_of(const std::vector<tag_t>& loop) {
    std::vector<P> out;
    for (tag_t t : loop) {
        const auto c = host::curves::curve_of(t);
        if (!c) continue;
        double lim[2];
        hostnum::curve_limits(c->record(), lim);
        for (int i = 0; i < 16; ++i) {
            P p;
            hostnum::curve_evaluate(c->record(), 0, lim[0] + (lim[1] - lim[0]) * i / 16, p.data(), nullptr);
            out.push_back(p);
        }
    }
    return out;
}

// Whether the point lies inside the polygon (in its own best-fit plane:
// projected along the axis of the largest normal component).
bool inside(const P& q, const std::vector<P>& poly) {
    if (poly.size() < 3) return false;
    P n{0, 0, 0};
    for (std::size_t i = 0; i < poly.size(); ++i) {
        const P& a = poly[i];
        const P& b = poly[(i + 1) % poly.size()];
        n[0] += (a[1] - b[1]) * (a[2] + b[2]);
        n[1] += (a[2] - b[2]) * (a[0] + b[0]);
        n[2] += (a[0] - b[0]) * (a[1] + b[1]);
    }
    int drop = 0;
    for (int k = 1; k < 3; ++k)
        if (std::fabs(n[k]) > std::fabs(n[drop])) drop = k;
    const int u = (drop + 1) % 3, v = (drop + 2) % 3;
    bool in = false;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const P& a = poly[i];
        const P& b = poly[j];
        if ((a[v] > q[v]) != (b[v] > q[v]) && q[u] < (b[u] - a[u]) * (q[v] - a[v]) / (b[v] - a[v]) + a[u]) in = !in;
    }
    return in;
}

}  // namespace

namespace host::hidden_lines {
void orient_view(unsigned int view, const double rows[9], const double origin[3]) {
    Orientation& o = orientations()[view];
    std::copy(rows, rows + 9, o.rows);
    std::copy(origin, origin + 3, o.origin);
}
}  // namespace host::hidden_lines

extern "C" {

void VIEW_ask_matrix(unsigned int view, double matrix[9]) {
    auto call = HOST_ENTRY(view, matrix);
    call.need(matrix, "the matrix output");
    const Orientation& o = orientation_of(call, view);
    std::copy(o.rows, o.rows + 9, matrix);
}

void VIEW_ask_origin(unsigned int view, double origin[3]) {
    auto call = HOST_ENTRY(view, origin);
    call.need(origin, "the origin output");
    const Orientation& o = orientation_of(call, view);
    std::copy(o.origin, o.origin + 3, origin);
}

void VIEW_ask_perspective_vector(unsigned int view, double vector[3]) {
    auto call = HOST_ENTRY(view, vector);
    call.need(vector, "the vector output");
    orientation_of(call, view);
    std::fill(vector, vector + 3, 0.0);
}

double VIEW_ask_scale(unsigned int view) {
    auto call = HOST_ENTRY(view);
    orientation_of(call, view);
    return 1.0;
}

void h111_(const double in[16], double out[16]) {
    auto call = HOST_ENTRY(in, out);
    call.need(in, "the matrix");
    call.need(out, "the matrix output");
    double t[16];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) t[4 * c + r] = in[4 * r + c];
    std::copy(t, t + 16, out);
}

void DSS_SOLID_set_transform_matrix(const double matrix[16]) {
    auto call = HOST_ENTRY(matrix);
    call.need(matrix, "the matrix");
    std::copy(matrix, matrix + 16, render().transform);
}

void hl205_(const int* operation, int* index, unsigned int* curve) {
    auto call = HOST_ENTRY(operation ? *operation : 0, index ? *index : 0);
    call.need(operation, "the operation");
    Render& r = render();
    switch (*operation) {
        case 1:
            r.collecting = true;
            r.collected.clear();
            break;
        case 3: *call.need(index, "the count output") = static_cast<int>(r.collected.size()); break;
        case 4: {
            const int i = *call.need(index, "the index");
            call.need(curve, "the curve output");
            if (i < 1 || static_cast<std::size_t>(i) > r.collected.size())
                call.fail(HOST_ERR_BAD_ARGUMENT, "curve %d is not collected", i);
            *curve = r.collected[static_cast<std::size_t>(i - 1)];
            break;
        }
        case 5:
            r.collecting = false;
            r.collected.clear();
            break;
        default: call.fail(HOST_ERR_BAD_ARGUMENT, "unknown operation %d", *operation);
    }
}

void DSS_REND_init_list(void) {
    HOST_ENTRY();
    render().list.clear();
}

void DSS_REND_add_to_list(unsigned int body) {
    auto call = HOST_ENTRY(body);
    call.live(body);
    render().list.push_back(body);
}

void DSS_REND_render_solids(int a, int b, int mode, int f1, int f2, int f3, int f4) {
    auto call = HOST_ENTRY(a, b, mode, f1);
    (void)f2, (void)f3, (void)f4;
    Render& r = render();
    if (!r.collecting) call.fail(HOST_ERR_BAD_ARGUMENT, "no hidden-line collection started");
    // The transform as handed on is the transpose: the view's Z row is its
    // third column; the view looks against it.
    const std::array<double, 3> into{-r.transform[2], -r.transform[6], -r.transform[10]};
    for (tag_t body : std::vector<tag_t>(r.list)) {
        const int entity = host::kernel::entity_of(body);
        if (entity == 0) call.fail(HOST_ERR_WRONG_CLASS, "object %u is no body of the kernel", body);
        for (tag_t c : host::kernel::silhouette_curves(entity, into)) render().collected.push_back(c);
    }
}

void DSS_REND_delete_list(void) {
    HOST_ENTRY();
    render().list.clear();
}

void CPROJ_create_curves_plane(unsigned int curve, const double plane[6], int handed, const int options[6], int* count,
                               unsigned int** curves) {
    auto call = HOST_ENTRY(curve, plane, handed, options);
    call.need(plane, "the plane");
    call.need(count, "the count output");
    call.need(curves, "the curves output");
    *count = 0;
    *curves = nullptr;
    call.live(curve);
    host::kernel::CutPlane p;
    for (int i = 0; i < 3; ++i) p.point[i] = plane[i], p.normal[i] = plane[3 + i];
    const double len = std::hypot(p.normal[0], p.normal[1], p.normal[2]);
    if (!(len > 0)) call.fail(HOST_ERR_BAD_ARGUMENT, "the plane has no normal");
    for (double& c : p.normal) c /= len;
    const unsigned int made = host::kernel::project_onto_plane(curve, p);
    if (made == 0) return;
    *curves = static_cast<unsigned int*>(SM_alloc(sizeof(unsigned int)));
    **curves = made;
    *count = 1;
}

int CRV_LST_make_loops(int n, const unsigned int* curves, double tolerance, int* n_outer, int* n_inner, int** per_loop,
                       unsigned int** loop_curves) {
    auto call = HOST_ENTRY(n, curves, tolerance, n_outer);
    call.need(n_outer, "the outer count output");
    call.need(n_inner, "the inner count output");
    call.need(per_loop, "the loop sizes output");
    call.need(loop_curves, "the loop curves output");
    *n_outer = *n_inner = 0;
    *per_loop = nullptr;
    *loop_curves = nullptr;
    if (n > 0) call.need(curves, "the curves");
    const double tol = std::max(tolerance, 1e-7);
    std::vector<Ends> ends;
    for (int i = 0; i < n; ++i) ends.push_back(ends_of(curves[i]));
    std::vector<bool> used(static_cast<std::size_t>(n), false);
    std::vector<std::vector<tag_t>> loops;
    for (int i = 0; i < n; ++i) {
        if (used[static_cast<std::size_t>(i)]) continue;
        used[static_cast<std::size_t>(i)] = true;
        std::vector<int> chain{i};
        const P start = ends[static_cast<std::size_t>(i)].a;
        P at = ends[static_cast<std::size_t>(i)].b;
        bool closed = dist(start, at) <= tol;
        while (!closed) {
            int next = -1;
            for (int j = 0; j < n && next < 0; ++j) {
                if (used[static_cast<std::size_t>(j)]) continue;
                const Ends& e = ends[static_cast<std::size_t>(j)];
                if (dist(e.a, at) <= tol) next = j, at = e.b;
                else if (dist(e.b, at) <= tol) next = j, at = e.a;
            }
            if (next < 0) break;
            used[static_cast<std::size_t>(next)] = true;
            chain.push_back(next);
            closed = dist(start, at) <= tol;
        }
        if (!closed) continue;
        std::vector<tag_t> loop;
        for (int k : chain) loop.push_back(curves[k]);
        loops.push_back(std::move(loop));
    }
    // Outer loops (inside no other) first.
    std::vector<std::vector<P>> outlines;
    for (const auto& l : loops) outlines.push_back(outline_of(l));
    std::vector<std::vector<tag_t>> outer, inner;
    for (std::size_t i = 0; i < loops.size(); ++i) {
        bool in_other = false;
        for (std::size_t j = 0; j < loops.size() && !in_other; ++j)
            in_other = j != i && !outlines[i].empty() && inside(outlines[i][0], outlines[j]);
        (in_other ? inner : outer).push_back(loops[i]);
    }
    const std::size_t total = loops.size();
    if (total == 0) return 0;
    std::size_t members = 0;
    for (const auto& l : loops) members += l.size();
    int* sizes = static_cast<int*>(SM_alloc(total * sizeof(int)));
    unsigned int* all = nullptr;
    try {
        all = static_cast<unsigned int*>(SM_alloc(members * sizeof(unsigned int)));
    } catch (...) {
        SM_free(sizes);
        throw;
    }
    *per_loop = sizes;
    *loop_curves = all;
    std::size_t at = 0, k = 0;
    for (const auto* group : {&outer, &inner})
        for (const auto& l : *group) {
            (*per_loop)[k++] = static_cast<int>(l.size());
            for (tag_t t : l) (*loop_curves)[at++] = t;
        }
    *n_outer = static_cast<int>(outer.size());
    *n_inner = static_cast<int>(inner.size());
    return 0;
}

}  // extern "C"
