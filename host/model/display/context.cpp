// Display contexts: the drawing routines, the fit table and the pick, area
// and attention tests that the display primitives drive.
#include "host/model/display/context.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "host/store/entities/display.h"
#include "host/base/hook.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"

namespace host::context {
namespace {

struct Window {
    std::vector<Drawn> drawn;
    int rotations = 0;
    int fill_method = 0;
    std::vector<Box> boxes;
    double area[4] = {0, 0, 0, 0};
};
Window& window() { return service_state<Window>("display list"); }
const bool registered = (window(), true);

// Chords of an arc for the tests and the fit.
constexpr int kArcChords = 256;

struct P {
    double x, y, z;
};
P at(const double* p) { return {p[0], p[1], p[2]}; }
P operator-(P a, P b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
P operator+(P a, P b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
P operator*(double k, P a) { return {k * a.x, k * a.y, k * a.z}; }
double dot(P a, P b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
P cross(P a, P b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double norm(P a) { return std::sqrt(dot(a, a)); }

// Point of an arc at angle t; rows of the matrix are its axes, or columns
// when `transposed`.
P arc_point(const double m[9], const double centre[3], double radius, double t, bool transposed) {
    const P x = transposed ? P{m[0], m[3], m[6]} : P{m[0], m[1], m[2]};
    const P y = transposed ? P{m[1], m[4], m[7]} : P{m[3], m[4], m[5]};
    return at(centre) + (radius * std::cos(t)) * x + (radius * std::sin(t)) * y;
}

std::vector<P> arc_points(const double m[9], double start, double end, const double centre[3], double radius) {
    std::vector<P> pts;
    for (int i = 0; i <= kArcChords; ++i)
        pts.push_back(arc_point(m, centre, radius, start + (end - start) * i / kArcChords, false));
    return pts;
}

void put(double out[3], P p) { out[0] = p.x, out[1] = p.y, out[2] = p.z; }

bool suppressed() { return DSS_ask_suppress_display() > 0; }

Drawn& draw(Kind kind) {
    Drawn d;
    d.kind = kind;
    d.rotations = window().rotations;
    d.fill_method = window().fill_method;
    return window().drawn.emplace_back(std::move(d));
}

void expand(Box& b, P p) {
    const double v[3] = {p.x, p.y, p.z};
    for (int i = 0; i < 3; ++i) {
        b.min[i] = b.empty ? v[i] : std::min(b.min[i], v[i]);
        b.max[i] = b.empty ? v[i] : std::max(b.max[i], v[i]);
    }
    b.empty = false;
}

Box& box_of(const Call& call, int box) {
    if (box < 0 || box >= static_cast<int>(window().boxes.size()))
        call.fail(HOST_ERR_BAD_ARGUMENT, "no fit box %d", box);
    return window().boxes[static_cast<std::size_t>(box)];
}

// ---- Pick ----

// The ray's direction, unit length; raises for a null ray or direction.
P unit_direction(const Call& call, const double* ray) {
    call.need(ray, "the pick ray");
    const P d = at(ray + 3);
    const double n = norm(d);
    if (!(n > 0)) call.fail(HOST_ERR_BAD_ARGUMENT, "a pick ray without direction");
    return (1.0 / n) * d;
}
// A point seen along the ray: its offset from the ray, across it.
P across(P p, const double* ray, P d) {
    const P v = p - at(ray);
    return v - dot(v, d) * d;
}
// Distance of the origin from the segment a b; *t the parameter of the
// nearest point.
double origin_to_segment(P a, P b, double* t) {
    const P ab = b - a;
    const double len2 = dot(ab, ab);
    double s = len2 > 0 ? -dot(a, ab) / len2 : 0;
    s = std::clamp(s, 0.0, 1.0);
    if (t) *t = s;
    return norm(a + s * ab);
}
int answer_pick(double dist, int kind, double parameter, const double* aperture, double* distance, void* hit) {
    *distance = dist;
    const DSS_hit_t h{kind, 0, parameter};
    std::memcpy(hit, &h, sizeof h);
    return dist <= *aperture ? 1 : 0;
}
void need_pick(const Call& call, const double* aperture, double* distance, void* hit) {
    call.need(aperture, "the aperture");
    call.need(distance, "the distance output");
    call.need(hit, "the hit output");
}

// ---- Area ----

bool inside(P p) {
    const double* a = window().area;
    return p.x >= a[0] && p.x <= a[2] && p.y >= a[1] && p.y <= a[3];
}
// Class of a segment against the rectangle: 1 inside, 0 outside, 2 across.
int segment_class(P a, P b) {
    const bool ia = inside(a), ib = inside(b);
    if (ia && ib) return 1;
    if (ia || ib) return 2;
    // Neither end inside: does the segment pass through (Liang-Barsky)?
    const double* r = window().area;
    double t0 = 0, t1 = 1;
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - r[0], r[2] - a.x, a.y - r[1], r[3] - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return 0;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
        if (t0 > t1) return 0;
    }
    return 2;
}
int chain_class(const std::vector<P>& pts, bool closed) {
    bool any_in = false, any_out = false;
    const std::size_t n = pts.size();
    const std::size_t edges = closed ? n : n - 1;
    if (n == 1) return inside(pts[0]) ? 1 : 0;
    for (std::size_t i = 0; i < edges; ++i) {
        const int c = segment_class(pts[i], pts[(i + 1) % n]);
        if (c == 2) return 2;
        (c == 1 ? any_in : any_out) = true;
    }
    return any_in && any_out ? 2 : any_in ? 1 : 0;
}

int attention(double found[3], bool ok, P p) {
    if (!ok) return DSS_ATTENTION_SEARCHING;
    put(found, p);
    return DSS_ATTENTION_FOUND;
}

}  // namespace

const std::vector<Drawn>& drawn() { return window().drawn; }
void clear_window() { window().drawn.clear(); }

int new_fit_box() {
    window().boxes.emplace_back();
    return static_cast<int>(window().boxes.size()) - 1;
}
const Box& fit_box(int box) { return window().boxes.at(static_cast<std::size_t>(box)); }

void set_selection_area(double xmin, double ymin, double xmax, double ymax) {
    window().area[0] = xmin, window().area[1] = ymin, window().area[2] = xmax, window().area[3] = ymax;
}

DSS_pick_record_t pick_record(const DSS_pick_view_t* view) {
    return {DSS_PICK_arc, DSS_PICK_segment, DSS_PICK_point, DSS_PICK_polygon, view, 0, {}, 0};
}
DSS_area_record_t area_record() {
    return {DSS_AREA_arc, DSS_AREA_segment, DSS_AREA_point, DSS_AREA_polygon, nullptr, {0, 0, 0}, 0};
}
DSS_attention_record_t attention_record(int search) {
    return {DSS_ATTN_arc, DSS_ATTN_segment, DSS_ATTN_point, DSS_ATTN_polygon, DSS_ATTN_text, search, 0, {0, 0, 0}};
}

}  // namespace host::context

namespace hc = host::context;
using hc::P;

// ---- Drawing ----

int ds2005_(const DSS_arc_t* arc, const double matrix[9], double position[3]) {
    auto call = HOST_ENTRY(arc, matrix, position);
    call.need(arc, "the arc");
    call.need(matrix, "the matrix");
    call.need(position, "the position output");
    if (hc::suppressed()) return 0;
    hc::Drawn& d = hc::draw(hc::Kind::Arc);
    d.arc = *arc;
    std::memcpy(d.matrix, matrix, sizeof d.matrix);
    hc::put(position, hc::arc_point(matrix, arc->centre, arc->radius, arc->start_angle, true));
    return 1;
}

void DSS_PRIM_draw_circle(const double centre[3], double radius, const double matrix[9], unsigned char filled,
                          double tolerance) {
    auto call = HOST_ENTRY(radius, filled, tolerance);
    call.need(centre, "the centre");
    call.need(matrix, "the matrix");
    if (hc::suppressed()) return;
    hc::Drawn& d = hc::draw(hc::Kind::Circle);
    d.points.assign(centre, centre + 3);
    d.radius = radius;
    d.filled = filled != 0;
    std::memcpy(d.matrix, matrix, sizeof d.matrix);
}

void ds20a7_(const double centre[3], double radius) {
    auto call = HOST_ENTRY(radius);
    call.need(centre, "the centre");
    if (hc::suppressed()) return;
    hc::Drawn& d = hc::draw(hc::Kind::FillCircle);
    d.points.assign(centre, centre + 3);
    d.radius = radius;
}

void DSS_LINE_draw_line(const double a[3], const double b[3]) {
    auto call = HOST_ENTRY(a, b);
    call.need(a, "the start");
    call.need(b, "the end");
    if (hc::suppressed()) return;
    hc::Drawn& d = hc::draw(hc::Kind::Line);
    d.points = {a[0], a[1], a[2], b[0], b[1], b[2]};
}

int DSS_PRIM_draw_marker(int marker, const double point[3], double position[3]) {
    auto call = HOST_ENTRY(marker, point, position);
    call.need(point, "the point");
    call.need(position, "the position output");
    if (marker < 1 || marker > 11) call.fail(HOST_ERR_BAD_ARGUMENT, "marker type %d", marker);
    if (hc::suppressed()) return 0;
    hc::Drawn& d = hc::draw(hc::Kind::Marker);
    d.marker = marker;
    d.points.assign(point, point + 3);
    std::memcpy(position, point, 3 * sizeof(double));
    return 1;
}

int ds20b4_(int count, const double* points, double position[3]) {
    auto call = HOST_ENTRY(count, points, position);
    call.need(points, "the points");
    call.need(position, "the position output");
    if (count < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "count %d", count);
    if (hc::suppressed()) return 0;
    hc::Drawn& d = hc::draw(hc::Kind::Outline);
    d.points.assign(points, points + 3 * count);
    std::memcpy(position, points, 3 * sizeof(double));
    return 1;
}

void DSS_FILL_set_fill_method(int method) {
    HOST_ENTRY(method);
    hc::window().fill_method = method;
}

void DSS_PRIM_push_rotation(const double matrix[9]) {
    auto call = HOST_ENTRY(matrix);
    call.need(matrix, "the matrix");
    ++hc::window().rotations;
}

void DSS_PRIM_pop_rotation(void) {
    auto call = HOST_ENTRY();
    if (hc::window().rotations == 0) call.fail(HOST_ERR_BAD_ARGUMENT, "no rotation pushed");
    --hc::window().rotations;
}

namespace {
void draw_facet(const host::Call& call, hc::Kind kind, const double* vertices, const void* data, int count) {
    call.need(vertices, "the vertices");
    if (count < 3) call.fail(HOST_ERR_BAD_ARGUMENT, "a facet of %d vertices", count);
    if (hc::suppressed()) return;
    hc::Drawn& d = hc::draw(kind);
    d.points.assign(vertices, vertices + 3 * count);
    d.count = count;
    d.data = data;
}
}  // namespace

void DSS_FACET_triangle(const double* vertices, const void* data) {
    auto call = HOST_ENTRY(vertices, data);
    draw_facet(call, hc::Kind::Triangle, vertices, data, 3);
}

void DSS_FACET_polygon(const double* vertices, const void* data, int count) {
    auto call = HOST_ENTRY(vertices, data, count);
    draw_facet(call, hc::Kind::Polygon, vertices, data, count);
}

void DSS_FACET_tri_strip(const double* vertices, const void* data, int count) {
    auto call = HOST_ENTRY(vertices, data, count);
    draw_facet(call, hc::Kind::TriStrip, vertices, data, count);
}

void DSS_PRIM_draw_multi_stroke_text(const double origin[3], double size, int angle, int slant, int count,
                                     char* const* lines, int alignment, int position, int spacing, int frame,
                                     int stroke, int reserved) {
    auto call = HOST_ENTRY(size, count, alignment, position);
    (void)angle, (void)slant, (void)spacing, (void)frame, (void)stroke, (void)reserved;
    call.need(origin, "the origin");
    if (count > 0) call.need(lines, "the lines");
    if (hc::suppressed()) return;
    hc::Drawn& d = hc::draw(hc::Kind::Text);
    d.points.assign(origin, origin + 3);
    d.size = size;
    d.alignment = alignment;
    d.position = position;
    for (int i = 0; i < count; ++i) d.lines.emplace_back(call.need(lines[i], "a line"));
}

// ---- Fitting ----

void DSS_FIT_expand_bounding_box(const double point[3], int box, int options) {
    auto call = HOST_ENTRY(point, box, options);
    call.need(point, "the point");
    hc::expand(hc::box_of(call, box), hc::at(point));
}

void DSS_FIT_add_arc_to_bounding_box(int box, const DSS_arc_t* arc, const double matrix[9], int mode, int options) {
    auto call = HOST_ENTRY(box, arc, matrix, mode);
    (void)options;
    call.need(arc, "the arc");
    call.need(matrix, "the matrix");
    hc::Box& b = hc::box_of(call, box);
    for (P p : hc::arc_points(matrix, arc->start_angle, arc->end_angle, arc->centre, arc->radius)) hc::expand(b, p);
}

void j0329_(const double a[3], const double b[3], const double corner1[3], const double corner2[3], double point[3],
            int* found) {
    auto call = HOST_ENTRY(a, b, point, found);
    for (const double* p : {a, b, corner1, corner2, static_cast<const double*>(point)}) call.need(p);
    call.need(found, "the found output");
    *found = 0;
    // The section lies on the plane of the axis on which both corners agree.
    int axis = -1;
    for (int i = 0; i < 3 && axis < 0; ++i)
        if (corner1[i] == corner2[i]) axis = i;
    if (axis < 0) call.fail(HOST_ERR_BAD_ARGUMENT, "the corners name no section plane");
    const double da = b[axis] - a[axis];
    if (da == 0) return;
    const double t = (corner1[axis] - a[axis]) / da;
    for (int i = 0; i < 3; ++i) point[i] = a[i] + t * (b[i] - a[i]);
    point[axis] = corner1[axis];
    *found = 1;
}

// ---- Pick tests ----

int DSS_PICK_arc(const double matrix[9], double start, double end, const double centre[3], double radius,
                 const double* ray, const double* aperture, double* distance, void* hit) {
    auto call = HOST_ENTRY(start, end, radius);
    call.need(matrix, "the matrix");
    call.need(centre, "the centre");
    hc::need_pick(call, aperture, distance, hit);
    const P d = hc::unit_direction(call, ray);
    const std::vector<P> pts = hc::arc_points(matrix, start, end, centre, radius);
    double best = *distance, angle = start;
    for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
        double t = 0;
        const double dist = hc::origin_to_segment(hc::across(pts[i], ray, d), hc::across(pts[i + 1], ray, d), &t);
        if (dist < best) best = dist, angle = start + (end - start) * (static_cast<double>(i) + t) / hc::kArcChords;
    }
    return hc::answer_pick(best, 1, angle, aperture, distance, hit);
}

int DSS_PICK_segment(const double a[3], const double b[3], const double* ray, const double* aperture, double* distance,
                     void* hit) {
    auto call = HOST_ENTRY(a, b);
    call.need(a, "the start");
    call.need(b, "the end");
    hc::need_pick(call, aperture, distance, hit);
    const P d = hc::unit_direction(call, ray);
    double t = 0;
    const double dist = hc::origin_to_segment(hc::across(hc::at(a), ray, d), hc::across(hc::at(b), ray, d), &t);
    return hc::answer_pick(dist, 2, t, aperture, distance, hit);
}

int DSS_PICK_point(const double p[3], const double* ray, const double* aperture, double* distance, void* hit) {
    auto call = HOST_ENTRY(p);
    call.need(p, "the point");
    hc::need_pick(call, aperture, distance, hit);
    const P d = hc::unit_direction(call, ray);
    return hc::answer_pick(hc::norm(hc::across(hc::at(p), ray, d)), 3, 0, aperture, distance, hit);
}

int DSS_PICK_polygon(int count, const double* points, const double* ray, const double* aperture, double* distance,
                     void* hit) {
    auto call = HOST_ENTRY(count, points);
    call.need(points, "the points");
    if (count < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "count %d", count);
    hc::need_pick(call, aperture, distance, hit);
    const P d = hc::unit_direction(call, ray);
    // Two axes across the ray for the inside test.
    P u = hc::cross(d, std::fabs(d.x) < 0.9 ? P{1, 0, 0} : P{0, 1, 0});
    u = (1.0 / hc::norm(u)) * u;
    const P w = hc::cross(d, u);
    std::vector<P> seen;
    for (int i = 0; i < count; ++i) seen.push_back(hc::across(hc::at(points + 3 * i), ray, d));
    double best = 1e300;
    bool in = false;
    for (int i = 0; i < count; ++i) {
        const P a = seen[static_cast<std::size_t>(i)], b = seen[static_cast<std::size_t>((i + 1) % count)];
        best = std::min(best, hc::origin_to_segment(a, b, nullptr));
        const double ay = hc::dot(a, w), by = hc::dot(b, w);
        if ((ay > 0) != (by > 0)) {
            const double x = hc::dot(a, u) + (0 - ay) * (hc::dot(b, u) - hc::dot(a, u)) / (by - ay);
            if (x > 0) in = !in;
        }
    }
    return hc::answer_pick(in ? 0.0 : best, 4, 0, aperture, distance, hit);
}

// ---- Area tests ----

int DSS_AREA_arc(const double matrix[9], double start, double end, const double centre[3], double radius) {
    auto call = HOST_ENTRY(start, end, radius);
    call.need(matrix, "the matrix");
    call.need(centre, "the centre");
    return hc::chain_class(hc::arc_points(matrix, start, end, centre, radius), false);
}

int DSS_AREA_segment(const double a[3], const double b[3]) {
    auto call = HOST_ENTRY(a, b);
    call.need(a, "the start");
    call.need(b, "the end");
    return hc::segment_class(hc::at(a), hc::at(b));
}

int DSS_AREA_point(const double p[3]) {
    auto call = HOST_ENTRY(p);
    call.need(p, "the point");
    return hc::inside(hc::at(p)) ? 1 : 0;
}

int DSS_AREA_polygon(int count, const double* points) {
    auto call = HOST_ENTRY(count, points);
    call.need(points, "the points");
    if (count < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "count %d", count);
    std::vector<P> pts;
    for (int i = 0; i < count; ++i) pts.push_back(hc::at(points + 3 * i));
    return hc::chain_class(pts, true);
}

// ---- Attention tests ----

int DSS_ATTN_arc(const double matrix[9], double start, double end, const double centre[3], double radius, int search,
                 double found[3]) {
    auto call = HOST_ENTRY(start, end, radius, search);
    call.need(matrix, "the matrix");
    call.need(centre, "the centre");
    call.need(found, "the found point");
    if (search == 1) return hc::attention(found, true, hc::at(centre));
    return hc::attention(found, search == 0, hc::arc_point(matrix, centre, radius, start, false));
}

int DSS_ATTN_segment(const double a[3], const double b[3], int search, double found[3]) {
    auto call = HOST_ENTRY(a, b, search);
    call.need(a, "the start");
    call.need(b, "the end");
    call.need(found, "the found point");
    return hc::attention(found, search == 0, hc::at(a));
}

int DSS_ATTN_point(const double p[3], int search, double found[3]) {
    auto call = HOST_ENTRY(p, search);
    call.need(p, "the point");
    call.need(found, "the found point");
    return hc::attention(found, search == 0, hc::at(p));
}

int DSS_ATTN_polygon(int count, const double* points, int search, double found[3]) {
    auto call = HOST_ENTRY(count, points, search);
    call.need(points, "the points");
    call.need(found, "the found point");
    if (count < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "count %d", count);
    return hc::attention(found, search == 0, hc::at(points));
}

int DSS_ATTN_text(const double a[3], const double b[3], int search, double found[3]) {
    auto call = HOST_ENTRY(a, b, search);
    call.need(a, "the first corner");
    call.need(b, "the second corner");
    call.need(found, "the found point");
    return hc::attention(found, search == 0, hc::at(a));
}
