// Part-file section "CRVS": the defining data of the curve entities of a
// part (host/store/entities/curve_entities.h): points, lines, arcs, conics, and the
// curves given to other objects (edges that carry a line or an arc, curves
// of any kind given with attach_curve).
//
// Payload: u32 row count, then per row: u32 object number, u32 row size and
// the row: u8 kind (0 point, 1 line, 2 arc, 3 conic, 4 other), then
//   point   3 f64
//   line    6 f64 (start, end)
//   arc     u32 matrix, 6 f64 (start angle, end angle, center, radius)
//   conic   u32 matrix, i32 conic type, 13 f64 (the conic values)
//   other   the curve record: i32 type, f64 start, f64 span, u8 periodic,
//           then its data block field by field (a spline: i32 pole count,
//           i32 order, 4n f64 weighted poles, n + order f64 knots)
// A matrix is an object number, kNone when the matrix was not written (the
// entity then lies in the identity frame, as one without a matrix). A
// reader skips what follows the fields it knows in a row.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/part_file.h"
#include "host/base/model.h"
#include "host/base/services/objects.h"

namespace {

namespace pf = host::part_file;
namespace hc = host::curves;

constexpr std::uint32_t kNone = 0xFFFFFFFFu;
constexpr char kTableName[] = "curve entities";

// The component's table of curve data (made when the library is loaded).
host::TagTable<hc::Entity>& table() {
    auto* t = host::TagTable<hc::Entity>::named(kTableName);
    if (!t) throw pf::FormatError("no curve table");
    return *t;
}

enum class Kind : std::uint8_t { point, line, arc, conic, other };

void reals(pf::Writer& out, const double* v, int n) {
    for (int i = 0; i < n; ++i) out.f64(v[i]);
}
void reals(pf::Reader& in, double* v, int n) {
    for (int i = 0; i < n; ++i) v[i] = in.f64();
}

std::uint32_t matrix_number(hc::tag_t matrix, const pf::SaveContext& ctx) {
    return matrix != 0 && host::objects::is_alive(matrix) ? ctx.index(matrix) : kNone;
}
hc::tag_t matrix_tag(std::uint32_t number, const pf::LoadContext& ctx) {
    if (number == kNone) return 0;
    const hc::tag_t t = ctx.tag_of(number);
    if (host::objects::require(t).type != HOST_TYPE_MATRIX) throw pf::FormatError("a curve's matrix is no matrix");
    return t;
}

// ---- Curves of any kind ---------------------------------------------------------

void write_curve(pf::Writer& out, const hostnum::Curve& curve) {
    const curve_struct& r = curve.record();
    out.i32(r.type);
    out.f64(r.start);
    out.f64(r.span);
    out.u8(r.periodic ? 1 : 0);
    switch (r.type) {
        case CURVE_POINT: reals(out, static_cast<const curve_point_data*>(r.data)->position, 3); break;
        case CURVE_LINE: {
            const auto* d = static_cast<const curve_line_data*>(r.data);
            reals(out, d->origin, 3);
            reals(out, d->direction, 3);
            break;
        }
        case CURVE_ARC: {
            const auto* d = static_cast<const curve_arc_data*>(r.data);
            out.f64(d->start_angle);
            out.f64(d->end_angle);
            reals(out, d->center, 3);
            out.f64(d->radius);
            reals(out, d->x_axis, 3);
            reals(out, d->y_axis, 3);
            break;
        }
        case CURVE_CONIC: {
            const auto* d = static_cast<const curve_conic_data*>(r.data);
            reals(out, d->c, 4);
            out.i32(d->subtype);
            reals(out, d->center, 3);
            reals(out, d->x_axis, 3);
            reals(out, d->y_axis, 3);
            break;
        }
        case CURVE_SPLINE: {
            const auto* d = static_cast<const curve_spline_data*>(r.data);
            out.i32(d->n_poles);
            out.i32(d->order);
            reals(out, d->poles, 4 * d->n_poles);
            reals(out, d->knots, d->n_poles + d->order);
            break;
        }
        default: break;
    }
}

// Rebuilds a curve record exactly as it was written: a curve of the type is
// made by the curve mathematics (so that it owns storage of the right
// shape), then its head and data block take the saved values.
hostnum::Curve read_curve(pf::Reader& in) {
    const int type = in.i32();
    const double start = in.f64();
    const double span = in.f64();
    const bool periodic = in.u8() != 0;
    static const double o[3] = {0, 0, 0}, x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
    std::optional<hostnum::Curve> c;
    switch (type) {
        case CURVE_POINT: {
            double p[3];
            reals(in, p, 3);
            c = hostnum::Curve::point(p);
            break;
        }
        case CURVE_LINE: {
            curve_line_data d{};
            reals(in, d.origin, 3);
            reals(in, d.direction, 3);
            if ((c = hostnum::Curve::line(o, x))) *static_cast<curve_line_data*>(c->record().data) = d;
            break;
        }
        case CURVE_ARC: {
            curve_arc_data d{};
            d.start_angle = in.f64();
            d.end_angle = in.f64();
            reals(in, d.center, 3);
            d.radius = in.f64();
            reals(in, d.x_axis, 3);
            reals(in, d.y_axis, 3);
            if ((c = hostnum::Curve::arc(o, x, y, 1, 0, 1))) *static_cast<curve_arc_data*>(c->record().data) = d;
            break;
        }
        case CURVE_CONIC: {
            curve_conic_data d{};
            reals(in, d.c, 4);
            d.subtype = in.i32();
            reals(in, d.center, 3);
            reals(in, d.x_axis, 3);
            reals(in, d.y_axis, 3);
            if ((c = hostnum::Curve::ellipse(o, x, y, 2, 1, 0, 1)))
                *static_cast<curve_conic_data*>(c->record().data) = d;
            break;
        }
        case CURVE_SPLINE: {
            const int n = in.i32();
            const int order = in.i32();
            if (n < 1 || order < 1 ||
                static_cast<std::uint64_t>(5 * static_cast<std::uint64_t>(n) + order) * 8 > in.left())
                throw pf::FormatError("spline sizes beyond the row");
            std::vector<double> poles(4 * static_cast<std::size_t>(n)), knots(static_cast<std::size_t>(n + order));
            reals(in, poles.data(), 4 * n);
            reals(in, knots.data(), n + order);
            c = hostnum::Curve::spline(n, order, poles.data(), knots.data(), hostnum::Curve::PoleForm::weighted,
                                       periodic);
            break;
        }
        default: throw pf::FormatError("unknown curve type " + std::to_string(type));
    }
    if (!c) throw pf::FormatError("a saved curve does not define a curve");
    curve_struct& r = c->record();
    r.start = start;
    r.span = span;
    r.periodic = periodic ? 1 : 0;
    if (hostnum::curve_check(r) != hostnum::CurveError::ok)
        throw pf::FormatError("a saved curve does not define a curve");
    return std::move(*c);
}

// ---- Rows -----------------------------------------------------------------------

void write_row(pf::Writer& out, const hc::Entity& e, const pf::SaveContext& ctx) {
    switch (e.kind) {
        case hc::Kind::point:
            out.u8(static_cast<std::uint8_t>(Kind::point));
            reals(out, e.point, 3);
            break;
        case hc::Kind::line:
            out.u8(static_cast<std::uint8_t>(Kind::line));
            reals(out, e.start(), 3);
            reals(out, e.end(), 3);
            break;
        case hc::Kind::arc:
            out.u8(static_cast<std::uint8_t>(Kind::arc));
            out.u32(matrix_number(e.matrix, ctx));
            reals(out, e.arc(), 6);
            break;
        case hc::Kind::conic:
            out.u8(static_cast<std::uint8_t>(Kind::conic));
            out.u32(matrix_number(e.matrix, ctx));
            out.i32(e.conic_type);
            reals(out, e.conic(), CONIC_VALUE_COUNT);
            break;
        case hc::Kind::other:
            out.u8(static_cast<std::uint8_t>(Kind::other));
            write_curve(out, *e.other());
            break;
    }
}

hc::Entity read_row(pf::Reader& in, const pf::LoadContext& ctx) {
    hc::Entity e;
    const auto kind = static_cast<Kind>(in.u8());
    switch (kind) {
        case Kind::point:
            e.kind = hc::Kind::point;
            reals(in, e.point, 3);
            break;
        case Kind::line:
            e.kind = hc::Kind::line;
            reals(in, e.start(), 3);
            reals(in, e.end(), 3);
            break;
        case Kind::arc:
            e.kind = hc::Kind::arc;
            e.matrix = matrix_tag(in.u32(), ctx);
            reals(in, e.arc(), 6);
            break;
        case Kind::conic:
            e.kind = hc::Kind::conic;
            e.matrix = matrix_tag(in.u32(), ctx);
            e.conic_type = in.i32();
            if (e.conic_type != HOST_CONIC_ELLIPSE && e.conic_type != HOST_CONIC_PARABOLA &&
                e.conic_type != HOST_CONIC_HYPERBOLA)
                throw pf::FormatError("unknown conic type");
            reals(in, e.conic(), CONIC_VALUE_COUNT);
            break;
        case Kind::other:
            e.kind = hc::Kind::other;
            e.other() = read_curve(in);
            break;
        default: throw pf::FormatError("unknown curve kind");
    }
    return e;
}

void write_section(pf::Writer& out, const pf::SaveContext& ctx) {
    // The objects written are alive (the object table refused any other),
    // so their rows are read from the table without asking again.
    const auto& rows = table();
    pf::write_object_rows(out, ctx, false, [&](pf::Writer& row, hc::tag_t t) {
        const hc::Entity* e = rows.find(t);
        if (e && (e->kind != hc::Kind::other || e->other())) write_row(row, *e, ctx);
    });
}

void read_section(pf::Reader& in, pf::LoadContext& ctx) {
    // Rows go straight into the table: a read that fails later is rolled
    // back whole with the model (part_file::apply).
    auto& rows = table();
    pf::read_rows(in, ctx, {"curve row", 9, false},
                  [&](hc::tag_t t, pf::Reader& row) { rows[t] = read_row(row, ctx); });
}

const bool registered = [] {
    pf::register_section({{'C', 'R', 'V', 'S'}, write_section, read_section});
    return true;
}();

}  // namespace
