// Display primitives: one piece of geometry, five uses. Each primitive
// looks at the display context's mode and draws its geometry, adds it to
// the box being fitted, offers it to the host's pick test (keeping the
// nearest hit), classifies it against the selection area, or offers it to
// the attention-point search until a point is found.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "kx_disp_prim.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/disp/kx_disp_internal.h"

#include "host/store/entities/entity_store.h"
#include "host/store/entities/views.h"
#include "host/model/display/context.h"
#include "host/model/display/layout.h"

namespace {

namespace kd = kx::disp;

constexpr int kBadMode = KX_ERR_BAD_PARAM_5;
constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kFarAway = 1e10;  // a pick distance before any test
constexpr double kCircleTolerance = 0.05;
constexpr double kTiny = 1e-10;
constexpr int kFillByLines = 1;
constexpr int kSurfaceViewType = 10;
constexpr std::size_t kTextLines = 132;

int no_active_part() { return CONTEXT_ask_active_part_exists() ? 0 : kx::kPartNotLoaded; }

bool known_mode(const display_context* c) { return c->mode >= DSS_MODE_DISPLAY && c->mode <= DSS_MODE_ATTENTION; }

template <class R>
R& record(display_context* c) {
    return *static_cast<R*>(c->record);
}

void transpose(const double m[9], double t[9]) {
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) t[3 * c + r] = m[3 * r + c];
}

// The fill density's number of steps across a fill: 800 a unit of density,
// kept between 1 and 10000 (no division by zero, no endless walk).
int fill_steps(double density) {
    const double n = density * 800;
    if (!(n >= 1)) return 1;
    return n >= 10000 ? 10000 : static_cast<int>(n);
}

// Marks the context drawn the first time anything is drawn in it.
void first_drawn(DSS_display_record_t& d, const double* position) {
    if (d.drawn) return;
    d.drawn = 1;
    for (int i = 0; i < 3; ++i) d.first_position[i] = position ? position[i] : 0.0;
}

// A pick test's answer: the first hit is kept, a later one only when it is
// strictly nearer.
void keep_nearest(DSS_pick_record_t& p, int hit, double distance, const unsigned char* hit_data) {
    if (!hit || (p.found && !(distance < p.best_distance))) return;
    p.best_distance = distance;
    std::memcpy(p.best_hit, hit_data, sizeof p.best_hit);
    p.found = 1;
}

void count_class(DSS_area_record_t& a, int cls) {
    if (cls >= 0 && cls <= 2) ++a.class_count[cls];
    ++a.total;
}

bool found(const DSS_attention_record_t& a) { return a.state == DSS_ATTENTION_FOUND; }

// Host state switched on for a drawing: switched off by end() on the
// normal way (where a host error there becomes the status as any other),
// and by the destructor when an error unwinds past it.
class Switched {
public:
    Switched(bool on, void (*off)()) : on_(on), off_(off) {}
    ~Switched() {
        if (!on_) return;
        try {
            off_();
        } catch (...) {
            // An error is on its way out already; this one cannot go too.
        }
    }
    void end() {
        if (!on_) return;
        on_ = false;
        off_();
    }
    Switched(const Switched&) = delete;
    Switched& operator=(const Switched&) = delete;

private:
    bool on_;
    void (*off_)();
};

void pop_rotation() { DSS_PRIM_pop_rotation(); }
void device_fill_off() { DSS_FILL_set_fill_method(0); }

// A rotation pushed for a drawing.
struct Rotation : Switched {
    explicit Rotation(const double m[9]) : Switched((DSS_PRIM_push_rotation(m), true), pop_rotation) {}
};

// The device's own fill, on for a drawing when asked.
bool device_fill_on(bool on) {
    if (on) DSS_FILL_set_fill_method(1);
    return on;
}
struct DeviceFill : Switched {
    explicit DeviceFill(bool on) : Switched(device_fill_on(on), device_fill_off) {}
};

// ---- Arcs and circles ----

struct Arc {
    const double* matrix;
    DSS_arc_t arc;
};

void arc_tests(display_context* c, const Arc& a) {
    const DSS_arc_t& r = a.arc;
    switch (c->mode) {
        case DSS_MODE_FIT: {
            const auto& f = record<DSS_fit_record_t>(c);
            DSS_FIT_add_arc_to_bounding_box(f.box, &r, a.matrix, 0, f.options);
            break;
        }
        case DSS_MODE_PICK: {
            auto& p = record<DSS_pick_record_t>(c);
            double distance = kFarAway;
            unsigned char hit[16] = {};
            const int h = p.arc_test(a.matrix, r.start_angle, r.end_angle, r.centre, r.radius, p.view_data->ray,
                                     &p.view_data->aperture, &distance, hit);
            keep_nearest(p, h, distance, hit);
            break;
        }
        case DSS_MODE_AREA: {
            auto& s = record<DSS_area_record_t>(c);
            count_class(s, s.arc_test(a.matrix, r.start_angle, r.end_angle, r.centre, r.radius));
            break;
        }
        case DSS_MODE_ATTENTION: {
            auto& t = record<DSS_attention_record_t>(c);
            if (!found(t))
                t.state = t.arc_test(a.matrix, r.start_angle, r.end_angle, r.centre, r.radius, t.search_parameter,
                                     t.found_point);
            break;
        }
        default: break;
    }
}

// Fills a circle with concentric circles inside it.
void fill_by_circles(const double matrix[9], const double centre[3], double radius, double density) {
    const int n = fill_steps(density);
    const double step = radius / n;
    Rotation rotation(matrix);
    for (int k = 1;; ++k) {
        const double r = radius - k * step;
        if (!(r > kTiny)) break;
        ds20a7_(centre, r);
    }
    rotation.end();
}

// ---- Segments ----

// Offers the segment a-b to the mode's segment test.
void segment_test(display_context* c, const double* a, const double* b) {
    switch (c->mode) {
        case DSS_MODE_PICK: {
            auto& p = record<DSS_pick_record_t>(c);
            double distance = 0;
            unsigned char hit[16] = {};
            const int h = p.segment_test(a, b, p.view_data->ray, &p.view_data->aperture, &distance, hit);
            keep_nearest(p, h, distance, hit);
            break;
        }
        case DSS_MODE_AREA: {
            auto& s = record<DSS_area_record_t>(c);
            count_class(s, s.segment_test(a, b));
            break;
        }
        case DSS_MODE_ATTENTION: {
            auto& t = record<DSS_attention_record_t>(c);
            if (!found(t)) t.state = t.segment_test(a, b, t.search_parameter, t.found_point);
            break;
        }
        default: break;
    }
}

void fit_points(display_context* c, const double* points, int count) {
    const auto& f = record<DSS_fit_record_t>(c);
    for (int i = 0; i < count; ++i) DSS_FIT_expand_bounding_box(points + 3 * i, f.box, f.options);
}

// ---- Polygon fill by lines ----

void fill_axis(const double* points, int count, int axis, double density) {
    double lo[3], hi[3];
    for (int k = 0; k < 3; ++k) lo[k] = hi[k] = points[k];
    for (int i = 1; i < count; ++i)
        for (int k = 0; k < 3; ++k)
            lo[k] = std::min(lo[k], points[3 * i + k]), hi[k] = std::max(hi[k], points[3 * i + k]);
    const double span = hi[axis] - lo[axis];
    if (!(span > 0)) return;  // flat along this axis: nothing to cut
    const int n = fill_steps(density);
    const double step = span / n;
    for (int i = 1; i < n; ++i) {
        const double cut = lo[axis] + i * step;
        if (!(cut < hi[axis])) break;
        double corner1[3], corner2[3];
        std::memcpy(corner1, lo, sizeof lo);
        std::memcpy(corner2, hi, sizeof hi);
        corner1[axis] = corner2[axis] = cut;
        bool remembered = false;
        double kept[3] = {};
        for (int e = 0; e < count; ++e) {
            // Edges between successive points, then the closing edge.
            const double* a = e + 1 < count ? points + 3 * e : points;
            const double* b = e + 1 < count ? points + 3 * (e + 1) : points + 3 * (count - 1);
            double at[3];
            int hit = 0;
            j0329_(a, b, corner1, corner2, at, &hit);
            if (!hit) continue;
            const double from = std::min(a[axis], b[axis]) - kTiny, to = std::max(a[axis], b[axis]) + kTiny;
            if (!(at[axis] > from && at[axis] < to)) continue;
            if (!remembered) {
                std::memcpy(kept, at, sizeof at);
                remembered = true;
                continue;
            }
            bool differs = false;
            for (int k = 0; k < 3; ++k) differs = differs || std::fabs(at[k] - kept[k]) > kTiny;
            if (!differs) continue;
            DSS_LINE_draw_line(kept, at);
            remembered = false;
        }
    }
}

// ---- Text ----

struct TextBox {
    double corners[4][3];  // (left, top), (right, bottom), (left, bottom), (right, top)
    // The corners around the box, as a polygon test takes them: (left, top),
    // (right, top), (right, bottom), (left, bottom). (In the order above the
    // four would cross over themselves.)
    void outline(double out[12]) const {
        const int order[4] = {0, 3, 1, 2};
        for (int i = 0; i < 4; ++i) std::memcpy(out + 3 * i, corners[order[i]], 3 * sizeof(double));
    }
};

// The box of `lines` lines of `longest` characters of size h at the
// origin, placed by the reference code.
TextBox text_box(const double origin[3], int reference, std::size_t lines, std::size_t longest, double h) {
    const double n = static_cast<double>(lines);
    const double width = (static_cast<double>(longest) + 1) * h;
    const double height = n * h + n * h * 5 / 11;
    const int r = kd::position_of(reference < 0 || reference > 9 ? 0 : reference);
    const double dx = (r == 1 || r == 4 || r == 7) ? 0 : (r == 2 || r == 5 || r == 8) ? width / 2 : width;
    const double dy = r <= 3 ? 0 : r <= 6 ? height / 2 : height;
    const double left = origin[0] - dx, top = origin[1] + dy, right = left + width, bottom = top - height;
    const double z = origin[2];
    return {{{left, top, z}, {right, bottom, z}, {left, bottom, z}, {right, top, z}}};
}

std::size_t longest_line(const std::vector<std::string_view>& lines) {
    std::size_t l = 0;
    for (std::string_view s : lines) l = std::max(l, s.size());
    return l;
}

}  // namespace

KXAPI int KX_DISP_ask_display_context(display_context* context, context_info* info) {
    return kx::frame([&] {
        if (int st = no_active_part()) return st;
        if (int st = kx::check({{context, 1}, {info, 2}})) return st;
        info->mode = context->mode;
        info->is_surface_view = 0;
        info->has_attention_point = 0;
        info->is_type_10_view = 0;
        info->view = NULL_TAG;
        if (context->mode == DSS_MODE_DISPLAY) {
            const auto& d = record<DSS_display_record_t>(context);
            info->view = d.view;
            if (d.view != NULL_TAG) {
                int type = 0;
                VIEW_ask_type(d.view, &type);
                if (type == kSurfaceViewType) {
                    info->is_type_10_view = 1;
                } else {
                    info->is_surface_view = 1;
                    int s = 0, other = 0;
                    ES_ask_view_surface_data(d.view, &s, &other);
                    info->surface_style = s >= 1 && s <= 4 ? s + 1 : 1;
                }
            }
        }
        if (context->mode == DSS_MODE_ATTENTION) {
            const auto& a = record<DSS_attention_record_t>(context);
            if (found(a)) {
                info->has_attention_point = 1;
                std::memcpy(info->attention_point, a.found_point, sizeof info->attention_point);
            }
        }
        return 0;
    });
}

KXAPI int KX_DISP_display_arc(const double matrix[9], double start_angle, double end_angle,
                                         const double centre[3], double radius, display_context* context) {
    return kx::frame([&] {
        if (int st = no_active_part()) return st;
        if (int st = kd::arc_angles(start_angle, end_angle)) return st;
        if (int st = kx::check({{matrix, 1}, {centre, 4}, {radius > 0, 5}, {context, 6}})) return st;
        if (!known_mode(context)) return kBadMode;
        const Arc a{matrix, {start_angle, end_angle, {centre[0], centre[1], centre[2]}, radius}};
        if (context->mode != DSS_MODE_DISPLAY) return arc_tests(context, a), 0;
        double transposed[9], position[3] = {};
        transpose(matrix, transposed);
        if (ds2005_(&a.arc, transposed, position)) first_drawn(record<DSS_display_record_t>(context), position);
        return 0;
    });
}

KXAPI int KX_DISP_display_circle(const double matrix[9], const double centre[3], double radius,
                                            logical filled, display_context* context) {
    return kx::frame([&] {
        if (int st = no_active_part()) return st;
        if (int st = kx::check({{matrix, 1}, {centre, 2}, {radius > 0, 3}, {context, 5}})) return st;
        if (!known_mode(context)) return kBadMode;
        const Arc a{matrix, {0, kTwoPi, {centre[0], centre[1], centre[2]}, radius}};
        if (context->mode != DSS_MODE_DISPLAY) return arc_tests(context, a), 0;
        auto& d = record<DSS_display_record_t>(context);
        double transposed[9];
        transpose(matrix, transposed);
        const bool by_lines = filled && d.fill_style == kFillByLines;
        if (by_lines) fill_by_circles(matrix, centre, radius, d.fill_density);
        DeviceFill device(filled && !by_lines);
        Rotation rotation(matrix);
        DSS_PRIM_draw_circle(centre, radius, transposed, filled, kCircleTolerance);
        rotation.end();
        device.end();
        first_drawn(d, nullptr);
        return 0;
    });
}

KXAPI int KX_DISP_display_polyline(const double* points, int count, display_context* context) {
    return kx::frame([&] {
        if (int st = no_active_part()) return st;
        if (int st = kx::check({{points, 1}, {count >= 1, 2}, {context, 3}})) return st;
        if (!known_mode(context)) return kBadMode;
        if (context->mode == DSS_MODE_FIT) return fit_points(context, points, count), 0;
        for (int i = 0; i + 1 < count; ++i) {
            const double* a = points + 3 * i;
            const double* b = a + 3;
            if (context->mode != DSS_MODE_DISPLAY) {
                segment_test(context, a, b);
                continue;
            }
            DSS_LINE_draw_line(a, b);
            first_drawn(record<DSS_display_record_t>(context), nullptr);
        }
        return 0;
    });
}

KXAPI int KX_DISP_display_points(const double* points, int count, int marker_type,
                                            display_context* context) {
    return kx::frame([&] {
        if (int st = no_active_part()) return st;
        if (int st =
                kx::check({{points, 1}, {count >= 1, 2}, {marker_type >= 1 && marker_type <= 11, 3}, {context, 4}}))
            return st;
        if (!known_mode(context)) return kBadMode;
        if (context->mode == DSS_MODE_FIT) return fit_points(context, points, count), 0;
        for (int i = 0; i < count; ++i) {
            const double* p = points + 3 * i;
            switch (context->mode) {
                case DSS_MODE_DISPLAY: {
                    double position[3] = {};
                    if (DSS_PRIM_draw_marker(marker_type, p, position))
                        first_drawn(record<DSS_display_record_t>(context), position);
                    break;
                }
                case DSS_MODE_PICK: {
                    auto& pk = record<DSS_pick_record_t>(context);
                    double distance = 0;
                    unsigned char hit[16] = {};
                    const int h = pk.point_test(p, pk.view_data->ray, &pk.view_data->aperture, &distance, hit);
                    keep_nearest(pk, h, distance, hit);
                    break;
                }
                case DSS_MODE_AREA: {
                    auto& s = record<DSS_area_record_t>(context);
                    count_class(s, s.point_test(p));
                    break;
                }
                default: {
                    auto& t = record<DSS_attention_record_t>(context);
                    if (!found(t)) t.state = t.point_test(p, t.search_parameter, t.found_point);
                    break;
                }
            }
        }
        return 0;
    });
}

KXAPI int KX_DISP_display_polygon(const double* points, int count, logical filled,
                                             display_context* context) {
    return kx::frame([&] {
        if (int st = no_active_part()) return st;
        if (int st = kx::check({{points, 1}, {count >= 1, 2}, {context, 4}})) return st;
        if (!known_mode(context)) return kBadMode;
        if (context->mode == DSS_MODE_FIT) return fit_points(context, points, count), 0;
        if (context->mode != DSS_MODE_DISPLAY) {
            for (int i = 0; i + 1 < count; ++i) segment_test(context, points + 3 * i, points + 3 * (i + 1));
            const bool searching =
                context->mode != DSS_MODE_ATTENTION || !found(record<DSS_attention_record_t>(context));
            if (searching) segment_test(context, points, points + 3 * (count - 1));
            return 0;
        }
        auto& d = record<DSS_display_record_t>(context);
        const bool by_lines = filled && d.fill_style == kFillByLines;
        if (by_lines)
            for (int axis = 0; axis < 3; ++axis) fill_axis(points, count, axis, d.fill_density);
        DeviceFill device(filled && !by_lines);
        double position[3] = {};
        const int drew = ds20b4_(count, points, position);
        device.end();
        if (drew) first_drawn(d, position);
        return 0;
    });
}

KXAPI int KX_DISP_display_facets(const facet* facets, int vertices_per_facet, int facet_count,
                                            int facet_kind, display_context* context) {
    return kx::frame([&] {
        if (int st = no_active_part()) return st;
        if (int st = kx::check({{facets, 1}, {vertices_per_facet >= 1, 2}, {facet_count >= 1, 3}, {context, 5}}))
            return st;
        if (context->mode == DSS_MODE_DISPLAY) {
            if (facet_kind == KX_DISP_TRIANGLES && vertices_per_facet != 3) return kx::param(2);
            if (facet_kind < KX_DISP_TRIANGLES || facet_kind > KX_DISP_TRIANGLE_STRIPS) return kx::param(4);
        }
        if (!known_mode(context)) return kBadMode;
        const int n = vertices_per_facet;
        for (int f = 0; f < facet_count; ++f) {
            const double* v = facets[f].vertices;
            if (!v) return kx::param(1);
        }
        switch (context->mode) {
            case DSS_MODE_DISPLAY: {
                auto& d = record<DSS_display_record_t>(context);
                if (d.fill_style == kFillByLines) {
                    d.drawn = 0;
                    return 0;
                }
                for (int f = 0; f < facet_count; ++f) {
                    const facet& fc = facets[f];
                    if (facet_kind == KX_DISP_TRIANGLES) DSS_FACET_triangle(fc.vertices, fc.data);
                    else if (facet_kind == KX_DISP_POLYGONS) DSS_FACET_polygon(fc.vertices, fc.data, n);
                    else DSS_FACET_tri_strip(fc.vertices, fc.data, n);
                }
                first_drawn(d, facets[0].vertices);
                return 0;
            }
            case DSS_MODE_FIT:
                for (int f = 0; f < facet_count; ++f) fit_points(context, facets[f].vertices, n);
                return 0;
            case DSS_MODE_PICK:
                for (int f = 0; f < facet_count; ++f) {
                    const double* v = facets[f].vertices;
                    for (int i = 0; i < n; ++i) segment_test(context, v + 3 * i, v + 3 * ((i + 1) % n));
                }
                return 0;
            case DSS_MODE_AREA: {
                auto& s = record<DSS_area_record_t>(context);
                for (int f = 0; f < facet_count; ++f) {
                    int cls = 0;
                    for (int i = 0; i < n && cls <= 0; ++i) cls = s.point_test(facets[f].vertices + 3 * i);
                    count_class(s, cls);
                }
                return 0;
            }
            default: {
                auto& t = record<DSS_attention_record_t>(context);
                for (int f = 0; f < facet_count && !found(t); ++f)
                    t.state = t.polygon_test(n, facets[f].vertices, t.search_parameter, t.found_point);
                return 0;
            }
        }
    });
}

KXAPI int KX_DISP_display_text(const char* text, const double origin[3], int reference,
                                          display_context* context) {
    return kx::frame([&] {
        if (int st = no_active_part()) return st;
        if (int st = kx::check({{text, 1}, {origin, 2}, {context, 4}})) return st;
        if (!known_mode(context)) return kBadMode;
        const auto lines = kd::filled_lines(text, kTextLines);
        const double h = kd::drafting_char_size() * 1.1;
        const std::size_t longest = longest_line(lines);
        const TextBox box = text_box(origin, reference, lines.size(), longest, h);
        switch (context->mode) {
            case DSS_MODE_DISPLAY: {
                std::vector<std::string> copies(lines.begin(), lines.end());
                std::vector<char*> pointers;
                for (std::string& s : copies) pointers.push_back(s.data());
                const int position = kd::position_of(reference < 0 || reference > 9 ? 0 : reference);
                DSS_PRIM_draw_multi_stroke_text(origin, h, 0, 0, static_cast<int>(pointers.size()), pointers.data(),
                                                kd::alignment_of(position), position, 0, 0, 1, 0);
                if (!lines.empty()) first_drawn(record<DSS_display_record_t>(context), nullptr);
                return 0;
            }
            case DSS_MODE_FIT:
                for (const auto& corner : box.corners) fit_points(context, corner, 1);
                return 0;
            case DSS_MODE_AREA: {
                auto& s = record<DSS_area_record_t>(context);
                double outline[12];
                box.outline(outline);
                count_class(s, s.polygon_test(4, outline));
                return 0;
            }
            case DSS_MODE_ATTENTION: {
                auto& t = record<DSS_attention_record_t>(context);
                if (!found(t)) t.state = t.text_test(box.corners[0], box.corners[1], t.search_parameter, t.found_point);
                return 0;
            }
            default: {
                // One box a line, stacked down the text's box.
                auto& p = record<DSS_pick_record_t>(context);
                const double line_height = h + h * 5 / 11;
                for (std::size_t i = 0; i < lines.size(); ++i) {
                    const double top = box.corners[0][1] - static_cast<double>(i) * line_height;
                    // Reference 7 puts a box's origin at its bottom left.
                    const double placed[3] = {box.corners[0][0], top - line_height, origin[2]};
                    const TextBox one = text_box(placed, 7, 1, longest, h);
                    double outline[12];
                    one.outline(outline);
                    double distance = 0;
                    unsigned char hit[16] = {};
                    const int got =
                        p.polygon_test(4, outline, p.view_data->ray, &p.view_data->aperture, &distance, hit);
                    keep_nearest(p, got, distance, hit);
                }
                return 0;
            }
        }
    });
}
