// Wrap features (host/apps/modeling/curvefeat/curvefeat.h): curves wrapped from a plane
// onto a cylinder or cone that the plane touches, or unwrapped from it onto
// the plane. Both surfaces unroll onto the plane without stretching: a
// cylinder's point at height h and angle t about the axis (from the line
// where the plane touches) lies flat at h along the axis and R t across
// it; a cone's point at distance s from the apex lies flat at distance s
// from the apex, turned by t sin(half angle) from the touching line.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/apps/modeling/curvefeat/file_rows.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/profiles.h"
#include "host/base/hook.h"
#include "host/kernel/curves/derived_curves.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/links.h"
#include "host/base/model.h"
#include "host/numeric/v3.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace {

using tag_t = unsigned int;
using hostnum::V3;
namespace kc = host::kernel::curvefeat;

constexpr const char* kKind = "WRAP_CURVE";
constexpr int kSamples = 64;  // pieces of each input curve

struct WrapParams {
    int kind = 1;
    std::vector<tag_t> faces;
    tag_t reference = 0;
    std::vector<tag_t> curves;
    std::string text;
    tag_t exp = 0;  // the text's system expression
    double values[2] = {0, 0};
    std::vector<double> inputs;
};
host::TagTable<WrapParams>& params() {
    static auto* const t = new host::TagTable<WrapParams>("wrap curves");
    return *t;
}
const bool registered = (params(), true);

V3 unit(V3 a) { return (1 / norm(a)) * a; }

// The unrolling of the surface onto the plane. axis: the cylinder's axis,
// or the cone's axis running from the apex into the cone; n: across the
// axis toward the line where the plane touches; e = axis x n.
struct Unrolling {
    bool cone = false;
    V3 origin{};  // cylinder: a point of the axis; cone: the apex
    V3 axis{}, n{}, e{};
    double radius = 0;     // cylinder
    double half = 0;       // cone: half angle, 0 to pi/2
    double cut = 0;        // radians about the axis, from n
    double tolerance = 0;  // of the plane's touch

    double around(V3 w) const {
        const double t = std::atan2(dot(w, e), dot(w, n));
        // Within (cut - pi, cut + pi].
        const double two_pi = 2 * std::numbers::pi;
        return t - two_pi * std::ceil((t - cut - std::numbers::pi) / two_pi);
    }
    V3 flat_of(V3 w) const {
        const V3 d = w - origin;
        if (!cone) {
            const double h = dot(d, axis);
            return origin + radius * n + h * axis + radius * around(d - h * axis) * e;
        }
        const double s = norm(d);
        const double h = dot(d, axis);
        const double phi = around(d - h * axis) * std::sin(half);
        const V3 g = std::cos(half) * axis + std::sin(half) * n;
        return origin + s * std::cos(phi) * g + s * std::sin(phi) * e;
    }
    V3 wrapped_of(V3 p) const {
        if (!cone) {
            const V3 d = p - (origin + radius * n);
            const double t = dot(d, e) / radius;
            return origin + dot(d, axis) * axis + radius * std::cos(t) * n + radius * std::sin(t) * e;
        }
        const V3 d = p - origin;
        const V3 g = std::cos(half) * axis + std::sin(half) * n;
        const double s = norm(d);
        const double t = std::atan2(dot(d, e), dot(d, g)) / std::sin(half);
        return origin + s * std::cos(half) * axis + s * std::sin(half) * (std::cos(t) * n + std::sin(t) * e);
    }
    // The distance of a point from the surface.
    double off(V3 w) const {
        const V3 d = w - origin;
        const double h = dot(d, axis);
        const double r = norm(d - h * axis);
        if (!cone) return std::fabs(r - radius);
        return std::fabs(r * std::cos(half) - h * std::sin(half));
    }
};

// The unrolling of the faces onto the reference plane: false when they
// are not faces of one cylinder or cone, or the plane does not touch it.
bool unrolling_of(const WrapParams& p, double tolerance, Unrolling* out) {
    if (p.faces.empty()) return false;
    host::kernel::SurfaceData first;
    for (std::size_t i = 0; i < p.faces.size(); ++i) {
        host::kernel::SurfaceData s;
        if (!host::objects::is_alive(p.faces[i]) || !host::kernel::face_surface(p.faces[i], &s)) return false;
        if (s.kind != ZQ_SURF_CYLINDER && s.kind != ZQ_SURF_CONE) return false;
        if (i == 0) first = s;
        else if (s.kind != first.kind || norm(cross(V3::load(s.axis), V3::load(first.axis))) > 1e-9) return false;
    }
    double q[3], m[3];
    if (!host::objects::is_alive(p.reference) || !host::profiles::direction_data(p.reference, q, m)) return false;
    const V3 point = V3::load(q), normal = unit(V3::load(m));
    Unrolling u;
    u.axis = unit(V3::load(first.axis));
    u.origin = V3::load(first.origin);
    if (first.kind == ZQ_SURF_CONE) {
        const double r = first.radii[0], a = first.radii[1];
        if (!(std::fabs(a) > 1e-9 && std::fabs(a) < std::numbers::pi / 2 - 1e-9)) return false;
        u.cone = true;
        u.origin = u.origin - (r / std::tan(a)) * u.axis;  // the apex
        if (a < 0) u.axis = -u.axis;                       // into the cone
        u.half = std::fabs(a);
    }
    // n: the plane's normal across the axis, toward the plane.
    V3 across = normal - dot(normal, u.axis) * u.axis;
    if (norm(across) < 1e-9) return false;
    across = unit(across);
    if (dot(point - u.origin, across) < 0) across = -across;
    u.n = across;
    u.e = cross(u.axis, u.n);
    u.radius = first.radii[0];
    // The plane touches: the cylinder's plane lies along the axis at the
    // radius, the cone's passes through the apex at the half angle.
    const double lean = std::fabs(dot(normal, u.axis));
    if (!u.cone) {
        if (lean > 1e-6 || std::fabs(std::fabs(dot(point - u.origin, normal)) - u.radius) > tolerance) return false;
    } else if (std::fabs(lean - std::sin(u.half)) > 1e-6 || std::fabs(dot(point - u.origin, normal)) > tolerance) {
        return false;
    }
    u.tolerance = tolerance;
    *out = u;
    return true;
}

double fit_tolerance(const WrapParams& p) { return p.values[0] > 0 ? p.values[0] : srfc1_[0]; }

bool is_curve(tag_t object) { return host::objects::is_alive(object) && kc::curve_record(object).has_value(); }

// 0 or the code for parameters the feature cannot take.
int check(const WrapParams& p) {
    Unrolling u;
    if (p.kind != 1 && p.kind != 2) return CURVEFEAT_ERR_BAD_INPUT;
    if (p.curves.empty() || !std::all_of(p.curves.begin(), p.curves.end(), is_curve)) return CURVEFEAT_ERR_BAD_INPUT;
    if (!std::isfinite(p.values[0]) || !std::isfinite(p.values[1]) || p.values[0] < 0) return CURVEFEAT_ERR_BAD_INPUT;
    return unrolling_of(p, fit_tolerance(p), &u) ? 0 : CURVEFEAT_ERR_BAD_INPUT;
}

std::vector<hostnum::Curve> made(const host::Call& call, const WrapParams& p) {
    Unrolling u;
    if (check(p) || !unrolling_of(p, fit_tolerance(p), &u))
        call.fail(CURVEFEAT_ERR_BAD_INPUT, "the wrap's faces, plane or curves are not ones it takes");
    u.cut = (p.exp ? host::expr::value(p.exp) : 0.0) * std::numbers::pi / 180;
    std::vector<hostnum::Curve> out;
    for (tag_t c : p.curves) {
        const auto rec = kc::curve_record(c);
        double lim[2];
        hostnum::curve_limits(rec->record(), lim);
        std::vector<V3> pts;
        for (int i = 0; i <= kSamples; ++i) {
            double at[3];
            hostnum::curve_evaluate(rec->record(), 0, lim[0] + (lim[1] - lim[0]) * i / kSamples, at, nullptr);
            const V3 w = V3::load(at);
            if (p.kind == 2 && u.off(w) > u.tolerance)
                call.fail(CURVEFEAT_ERR_BAD_INPUT, "curve %u does not lie on the faces", c);
            pts.push_back(p.kind == 1 ? u.wrapped_of(w) : u.flat_of(w));
        }
        auto fitted = kc::fit_points(call, pts, fit_tolerance(p) / 10);
        if (!fitted) call.fail(CURVEFEAT_ERR_NO_CURVE, "curve %u makes no curve", c);
        out.push_back(std::move(*fitted));
    }
    return out;
}

std::vector<tag_t> all_inputs(const WrapParams& p) {
    std::vector<tag_t> v = p.faces;
    v.push_back(p.reference);
    v.insert(v.end(), p.curves.begin(), p.curves.end());
    return v;
}

std::vector<double> fingerprint_of(const WrapParams& p) {
    std::vector<double> fp = host::curvefeat::fingerprint(all_inputs(p));
    fp.push_back(p.exp ? host::expr::value(p.exp) : 0.0);
    return fp;
}

WrapParams from_record(const host::Call& call, const WRAP_rec_t* r) {
    call.need(r, "the wrap record");
    if ((r->first_count > 0 && !r->first_objects) || (r->second_count > 0 && !r->second_objects))
        call.fail(HOST_ERR_NULL_ARGUMENT, "a count of objects without them");
    WrapParams p;
    p.kind = r->kind;
    if (r->first_count > 0) p.faces.assign(r->first_objects, r->first_objects + r->first_count);
    p.reference = r->reference;
    if (r->second_count > 0) p.curves.assign(r->second_objects, r->second_objects + r->second_count);
    p.text.assign(r->text, strnlen(r->text, CURVEFEAT_TEXT_CHARS - 1));
    p.values[0] = r->first_value;
    p.values[1] = r->second_value;
    return p;
}

int set_expression(tag_t part, WrapParams& p) {
    const std::string text = p.text.empty() ? "0" : p.text;
    return p.exp ? host::expr::edit(p.exp, text) : host::expr::create_system(part, text, &p.exp);
}

const WrapParams* wrap_params(tag_t feature) {
    if (!host::objects::is_alive(feature) || !host::feature::find(feature)) return nullptr;
    return params().find(feature);
}

const WrapParams& require(const host::Call& call, tag_t feature) {
    const WrapParams* p = wrap_params(feature);
    if (!p) call.fail(CURVEFEAT_ERR_WRONG_FEATURE, "tag %u is no wrap feature", feature);
    return *p;
}

void keep(tag_t feature, const std::vector<hostnum::Curve>& curves, WrapParams p) {
    host::feature::set_results(feature, host::curvefeat::renew(host::feature::find(feature)->results, curves));
    p.inputs = fingerprint_of(p);
    params()[feature] = std::move(p);
}

void follow() {
    host::curvefeat::follow_kind("WRAP_update", kKind,
                                 {[](tag_t f) {
                                      const WrapParams* p = params().find(f);
                                      return p ? &p->inputs : nullptr;
                                  },
                                  [](tag_t f) { return fingerprint_of(*params().find(f)); },
                                  [](const host::Call& call, tag_t f, const std::vector<double>&) {
                                      const WrapParams p = *params().find(f);
                                      keep(f, made(call, p), p);
                                  }});
}
const bool following = (host::curvefeat::follow_updates(follow), true);

// ---- part files (host/apps/modeling/curvefeat/file_rows.h) ----
//
// A wrap's row: i32 kind (1 or 2), the faces (u32 count, u32 objects), u32
// reference plane, the curves (u32 count, u32 objects), str text, u32 its
// expression, 2 f64 values.
namespace fr = host::curvefeat::file_rows;

void write_row(fr::Out& out, tag_t feature) {
    const WrapParams& p = *params().find(feature);
    out.w().i32(p.kind);
    out.tags(p.faces);
    out.tag(p.reference);
    out.tags(p.curves);
    out.text(p.text.c_str(), p.text.size() + 1);
    out.tag(p.exp);
    for (double v : p.values) out.w().f64(v);
}

std::function<void()> read_row(fr::In& in, tag_t feature) {
    WrapParams p;
    p.kind = in.range(1, 2);
    p.faces = in.tags(fr::target);
    p.reference = in.tag(fr::target);
    p.curves = in.tags(fr::curve);
    if (p.faces.empty() || p.curves.empty()) throw host::part_file::FormatError("a wrap feature without its objects");
    char chars[CURVEFEAT_TEXT_CHARS];
    in.text(chars, sizeof chars);
    p.text = chars;
    p.exp = in.tag(fr::expression);
    for (double& v : p.values) v = in.real();
    return [feature, p] { params()[feature] = p; };
}

const bool filed =
    (fr::register_kind({kKind, [](tag_t f) { return params().find(f) != nullptr; }, write_row, read_row}), true);

}  // namespace

extern "C" {

int WRAP_validate_input(const WRAP_rec_t* record) {
    auto call = HOST_ENTRY(record);
    if (int status; call.status(status)) return status;
    return check(from_record(call, record));
}

int WRAP_create_frec(WRAP_rec_t* record) {
    auto call = HOST_ENTRY(record);
    if (int status; call.status(status)) return status;
    WrapParams p = from_record(call, record);
    record->feature = 0;
    if (const int code = check(p)) return code;
    const tag_t part = CONTEXT_ask_work_part();
    if (const int code = set_expression(part, p)) return code;
    const std::vector<hostnum::Curve> curves = made(call, p);
    const tag_t f = host::feature::create(part, kKind, host::curvefeat::producers(p.curves), {});
    keep(f, curves, std::move(p));
    record->feature = f;
    return 0;
}

int WRAP_update_frec(WRAP_rec_t* record) {
    auto call = HOST_ENTRY(record);
    if (int status; call.status(status)) return status;
    call.need(record, "the wrap record");
    const WrapParams& old = require(call, record->feature);
    WrapParams p = from_record(call, record);
    p.exp = old.exp;
    if (const int code = check(p)) return code;
    if (const int code = set_expression(host::objects::require(record->feature).part, p)) return code;
    const std::vector<hostnum::Curve> curves = made(call, p);
    keep(record->feature, curves, std::move(p));
    return 0;
}

void WRAP_read_frec(unsigned int feature, WRAP_rec_t* record) {
    auto call = HOST_ENTRY(feature, record);
    call.need(record, "the wrap record");
    const WrapParams& p = require(call, feature);
    WRAP_rec_t r{};
    r.first_count = static_cast<int>(p.faces.size());
    r.first_objects = host::curvefeat::hand_out(p.faces);
    r.reference = p.reference;
    r.second_count = static_cast<int>(p.curves.size());
    r.second_objects = host::curvefeat::hand_out(p.curves);
    r.kind = p.kind;
    p.text.copy(r.text, CURVEFEAT_TEXT_CHARS - 1);
    r.first_value = p.values[0];
    r.second_value = p.values[1];
    r.feature = feature;
    *record = r;
}

int WRAP_frec_is_a_wrap(unsigned int feature) {
    HOST_ENTRY(feature);
    return wrap_params(feature) ? 1 : 0;
}

void WRAP_ask_output_curves(unsigned int feature, int* count, unsigned int** curves) {
    auto call = HOST_ENTRY(feature, count, curves);
    call.need(count, "the count output");
    call.need(curves, "the curves output");
    require(call, feature);
    const std::vector<tag_t>& r = host::feature::find(feature)->results;
    *count = static_cast<int>(r.size());
    *curves = host::curvefeat::hand_out(r);
}

int WRAP_ask_wrap_curve_parents(unsigned int curve, unsigned int* input, unsigned int* face, unsigned int* reference,
                                unsigned int* feature) {
    auto call = HOST_ENTRY(curve);
    call.need(input, "the input output");
    call.need(face, "the face output");
    call.need(reference, "the reference output");
    call.need(feature, "the feature output");
    *input = *face = *reference = *feature = 0;
    if (int status; call.status(status)) return status;
    call.live(curve);
    const tag_t f = DCRV_ask_feature_of_dcurve(curve);
    const WrapParams* p = wrap_params(f);
    if (!p) return CURVEFEAT_ERR_WRONG_FEATURE;
    const std::vector<tag_t>& r = host::feature::find(f)->results;
    const std::size_t i = static_cast<std::size_t>(std::find(r.begin(), r.end(), curve) - r.begin());
    // A parent deleted since answers 0.
    auto alive = [](tag_t t) { return host::objects::is_alive(t) ? t : 0u; };
    *input = i < p->curves.size() ? alive(p->curves[i]) : 0;
    *face = p->faces.empty() ? 0 : alive(p->faces[0]);
    *reference = alive(p->reference);
    *feature = f;
    return 0;
}

}  // extern "C"
