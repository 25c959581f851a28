// Curve mathematics of the host (see curves.h).
#include "host/numeric/curves.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cmath>
#include <mutex>
#include <numbers>
#include <unordered_map>

#include "host/numeric/curve_geometry.h"
#include "host/numeric/linalg_impl.h"
#include "host/numeric/nurbs.h"
#include "host/numeric/v3.h"

namespace hostnum {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
// A sweep within this of a full turn closes the circle.
constexpr double kTurnSlack = 1e-10;
// Tolerance on unit length and right angles of stored axes.
constexpr double kAxisTol = 1e-9;

// ---- storage of a parameter's point and derivatives ----

using Ders = std::array<V3, kMaxDerivatives + 1>;

double lower(const curve_struct& c) { return c.span >= 0 ? c.start : c.start + c.span; }
double upper(const curve_struct& c) { return c.span >= 0 ? c.start + c.span : c.start; }

// A parameter of a periodic curve taken into its first period.
double wrap(const curve_struct& c, double t) {
    if (!c.periodic) return t;
    const double period = std::fabs(c.span);
    if (!(period > 0)) return t;
    const double lo = lower(c);
    double r = std::fmod(t - lo, period);
    if (r < 0) r += period;
    return lo + r;
}

bool axes_ok(const double* x, const double* y) {
    const V3 X = V3::load(x), Y = V3::load(y);
    return std::fabs(norm(X) - 1) <= kAxisTol && std::fabs(norm(Y) - 1) <= kAxisTol && std::fabs(dot(X, Y)) <= kAxisTol;
}

bool finite3(const double* p) { return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]); }

const geometry::KernelCurve* kernel_curve(const curve_struct& c, std::shared_ptr<const geometry::KernelCurve>* kept,
                                          std::shared_ptr<const geometry::KernelCurve>& made);

// Point and derivatives 0..n at t (n already checked): a point as it is,
// every other curve on the kernel.
CurveError eval(const curve_struct& c, double t, int n, double* out) {
    if (c.data == nullptr) return CurveError::bad_argument;
    if (c.type == CURVE_POINT) {
        std::copy_n(static_cast<const curve_point_data*>(c.data)->position, 3, out);
        std::fill_n(out + 3, 3 * n, 0.0);
        return CurveError::ok;
    }
    if (evaluator_type(c) == 0) return CurveError::bad_type;
    std::shared_ptr<const geometry::KernelCurve> made;
    const geometry::KernelCurve* kernel = kernel_curve(c, nullptr, made);
    if (!kernel || !geometry::evaluate(*kernel, wrap(c, t), n, out)) return CurveError::degenerate;
    return CurveError::ok;
}

CurveError eval(const curve_struct& c, double t, int n, Ders& out) {
    double buf[3 * (kMaxDerivatives + 1)];
    if (CurveError e = eval(c, t, n, buf); e != CurveError::ok) return e;
    for (int k = 0; k <= n; ++k) out[k] = V3::load(buf + 3 * k);
    return CurveError::ok;
}

// ---- arc length ----

constexpr double kMostPeriods = 1 << 12;

// Cuts of [a, b] where the speed may lose smoothness: spline knots (repeated
// by period for a periodic spline), or even pieces for the conics (a line's
// and an arc's length the kernel has in closed form).
std::vector<double> cuts(const curve_struct& c, double a, double b) {
    std::vector<double> r{a};
    if (c.type == CURVE_SPLINE) {
        const auto& d = *static_cast<const curve_spline_data*>(c.data);
        const auto bp = nurbs::breakpoints(d.n_poles, d.order, d.knots);
        const double period = std::fabs(c.span);
        if (c.periodic && period > 0) {
            const double k0 = std::floor((a - bp.front()) / period) - 1, k1 = std::ceil((b - bp.front()) / period) + 1;
            // A range of more periods than an integration may take has no cuts.
            if (!(k1 - k0 <= kMostPeriods)) return {};
            for (double k = k0; k <= k1; ++k)
                for (double v : bp)
                    if (v + k * period > a && v + k * period < b) r.push_back(v + k * period);
        } else {
            for (double v : bp)
                if (v > a && v < b) r.push_back(v);
        }
        std::sort(r.begin(), r.end());
    } else if (c.type == CURVE_CONIC) {
        for (int k = 1; k < 8; ++k) r.push_back(a + (b - a) * k / 8);
    }
    r.push_back(b);
    return r;
}

}  // namespace

// ---- queries ----

int evaluator_type(const curve_struct& c) {
    switch (c.type) {
        case CURVE_LINE: return EVAL_LINE;
        case CURVE_ARC: return EVAL_ARC;
        case CURVE_SPLINE: return EVAL_SPLINE;
        case CURVE_CONIC:
            if (c.data == nullptr) return 0;
            switch (static_cast<const curve_conic_data*>(c.data)->subtype) {
                case CONIC_ELLIPSE: return EVAL_ELLIPSE;
                case CONIC_PARABOLA: return EVAL_PARABOLA;
                case CONIC_HYPERBOLA: return EVAL_HYPERBOLA;
                default: return 0;
            }
        default: return 0;
    }
}

CurveError curve_check(const curve_struct& c) {
    if (c.data == nullptr) return CurveError::bad_argument;
    if (!std::isfinite(c.start) || !std::isfinite(c.span)) return CurveError::degenerate;
    switch (c.type) {
        case CURVE_POINT:
            return finite3(static_cast<const curve_point_data*>(c.data)->position) ? CurveError::ok
                                                                                   : CurveError::degenerate;
        case CURVE_LINE: {
            const auto& d = *static_cast<const curve_line_data*>(c.data);
            return finite3(d.origin) && finite3(d.direction) && norm(V3::load(d.direction)) > 0
                       ? CurveError::ok
                       : CurveError::degenerate;
        }
        case CURVE_ARC: {
            const auto& d = *static_cast<const curve_arc_data*>(c.data);
            return finite3(d.center) && d.radius > 0 && std::isfinite(d.radius) && axes_ok(d.x_axis, d.y_axis)
                       ? CurveError::ok
                       : CurveError::degenerate;
        }
        case CURVE_CONIC: {
            const auto& d = *static_cast<const curve_conic_data*>(c.data);
            if (evaluator_type(c) == 0) return CurveError::bad_type;
            if (!finite3(d.center) || !axes_ok(d.x_axis, d.y_axis)) return CurveError::degenerate;
            const bool second = d.subtype == CONIC_PARABOLA ? true : (d.c[3] > 0 && std::isfinite(d.c[3]));
            return d.c[2] > 0 && std::isfinite(d.c[2]) && second ? CurveError::ok : CurveError::degenerate;
        }
        case CURVE_SPLINE: {
            const auto& d = *static_cast<const curve_spline_data*>(c.data);
            return nurbs::valid(d.n_poles, d.order, d.poles, d.knots) ? CurveError::ok : CurveError::degenerate;
        }
        default: return CurveError::bad_type;
    }
}

void curve_limits(const curve_struct& c, double limits[2]) {
    limits[0] = lower(c);
    limits[1] = upper(c);
}

bool curve_is_periodic(const curve_struct& c) { return c.periodic != 0; }

CurveError curve_evaluate(const curve_struct& c, int n, double t, double point[3], double* derivs) {
    if (n < 0 || n > kMaxDerivatives || point == nullptr || (n > 0 && derivs == nullptr))
        return CurveError::bad_argument;
    double buf[3 * (kMaxDerivatives + 1)];
    if (CurveError e = eval(c, t, n, buf); e != CurveError::ok) return e;
    std::copy_n(buf, 3, point);
    if (n > 0) std::copy_n(buf + 3, 3 * n, derivs);
    return CurveError::ok;
}

CurveError curve_unit_vectors(const curve_struct& c, double t, double point[3], double tangent[3], double normal[3],
                              double binormal[3]) {
    if (point == nullptr || tangent == nullptr || normal == nullptr || binormal == nullptr)
        return CurveError::bad_argument;
    Ders d;
    if (CurveError e = eval(c, t, 2, d); e != CurveError::ok) return e;
    const double speed = norm(d[1]);
    if (!(speed > 0)) return CurveError::no_frame;
    const V3 T = (1 / speed) * d[1];
    const V3 b = cross(d[1], d[2]);
    V3 N, B;
    if (norm(b) > 1e-12 * speed * std::max(norm(d[2]), speed)) {
        B = (1 / norm(b)) * b;
        N = cross(B, T);
    } else {
        double tt[3], nn[3];
        T.store(tt);
        perpendicular3(tt, nn);
        N = V3::load(nn);
        B = cross(T, N);
    }
    d[0].store(point);
    T.store(tangent);
    N.store(normal);
    B.store(binormal);
    return CurveError::ok;
}

CurveError curve_closest_point(const curve_struct& c, const double ref[3], double* t, double point[3]) {
    if (ref == nullptr || t == nullptr || point == nullptr) return CurveError::bad_argument;
    if (CurveError e = curve_check(c); e != CurveError::ok) return e;
    const double lo = lower(c), hi = upper(c);
    double best = lo, at[3];
    if (c.type != CURVE_POINT) {
        // The kernel's projection onto the curve.
        const auto kernel = kernel_curve_of(c);
        if (!kernel || !geometry::closest(*kernel, lo, hi, ref, &best, at)) return CurveError::degenerate;
        if (c.periodic) best = wrap(c, best);
    } else {
        std::copy(static_cast<const curve_point_data*>(c.data)->position,
                  static_cast<const curve_point_data*>(c.data)->position + 3, at);
    }
    *t = best;
    std::copy(at, at + 3, point);
    return CurveError::ok;
}

CurveError curve_arc_length(const curve_struct& c, double t0, double t1, double* length) {
    if (length == nullptr) return CurveError::bad_argument;
    if (CurveError e = curve_check(c); e != CurveError::ok) return e;
    if (!std::isfinite(t0) || !std::isfinite(t1)) return CurveError::bad_argument;
    const double a = std::min(t0, t1), b = std::max(t0, t1);
    if (c.type == CURVE_POINT) {
        *length = 0;
        return CurveError::ok;
    }
    const auto cut = cuts(c, a, b);
    if (cut.empty()) return CurveError::not_converged;
    const auto kernel = kernel_curve_of(c);
    if (!kernel) return CurveError::not_converged;
    return geometry::length(*kernel, cut.data(), static_cast<int>(cut.size()), length);
}

bool curve_is_equivalent(const curve_struct& a, const curve_struct& b, double tol) {
    if (a.type != b.type || evaluator_type(a) != evaluator_type(b)) return false;
    if (curve_check(a) != CurveError::ok || curve_check(b) != CurveError::ok) return false;
    if ((a.periodic != 0) != (b.periodic != 0)) return false;
    if (std::fabs(lower(a) - lower(b)) > tol || std::fabs(upper(a) - upper(b)) > tol) return false;
    const double lo = lower(a), hi = upper(a);
    for (int k = 0; k <= 16; ++k) {
        const double t = lo + (hi - lo) * k / 16;
        Ders da, db;
        eval(a, t, 0, da);
        eval(b, t, 0, db);
        if (norm(da[0] - db[0]) > tol) return false;
    }
    return true;
}

// ---- owned records ----

// The kernel's curves kept with a record, and the head they were built for.
struct KeptKernel {
    bool built = false;
    curve_struct head{};
    std::shared_ptr<const geometry::KernelCurve> curve;
};

struct Curve::Storage {
    curve_struct head{};
    curve_point_data point{};
    curve_line_data line{};
    curve_arc_data arc{};
    curve_conic_data conic{};
    curve_spline_data spline{};
    std::vector<double> poles, knots;
    KeptKernel kept;

    Storage();
    Storage(const Storage& other);
    Storage& operator=(const Storage&) = delete;
    ~Storage();

    // Points the head and the spline block at this storage.
    void attach() {
        switch (head.type) {
            case CURVE_POINT: head.data = &point; break;
            case CURVE_LINE: head.data = &line; break;
            case CURVE_ARC: head.data = &arc; break;
            case CURVE_CONIC: head.data = &conic; break;
            default:
                spline.poles = poles.data();
                spline.knots = knots.data();
                head.data = &spline;
                break;
        }
    }
};

namespace {

// The records owned by Curves, by the address of their head: the side
// table through which a record's kernel curves are found, built once and
// kept until the record changes.
struct Registry {
    std::mutex lock;
    std::unordered_map<const curve_struct*, Curve::Storage*> owned;
    // Counts every storage made or gone: a thread's last lookup stands
    // while the count has not moved.
    std::atomic<std::uint64_t> changes{0};
};

// The last lookup of this thread: the record's address and its storage
// (null: a record no Curve owns), as of `changes`.
struct LastLookup {
    const curve_struct* head = nullptr;
    Curve::Storage* storage = nullptr;
    std::uint64_t changes = ~std::uint64_t{0};
};
thread_local LastLookup last_lookup;
Registry& registry() {
    static Registry* r = new Registry;  // lives as long as the process: Curves are destroyed at exit
    return *r;
}

bool same_head(const curve_struct& a, const curve_struct& b) {
    return a.data == b.data && a.type == b.type && a.start == b.start && a.span == b.span && a.periodic == b.periodic;
}

// Drops what is kept for the storage (its record is being changed).
void forget(Curve::Storage& s) {
    std::lock_guard g(registry().lock);
    s.kept = {};
}

}  // namespace

Curve::Storage::Storage() {
    std::lock_guard g(registry().lock);
    registry().owned[&head] = this;
    ++registry().changes;
}

Curve::Storage::Storage(const Storage& other)
    : head(other.head),
      point(other.point),
      line(other.line),
      arc(other.arc),
      conic(other.conic),
      spline(other.spline),
      poles(other.poles),
      knots(other.knots) {
    attach();
    std::lock_guard g(registry().lock);
    registry().owned[&head] = this;
    ++registry().changes;
    // The kernel's curves are values: a copy shares them.
    if (other.kept.built && same_head(other.kept.head, other.head)) {
        kept = other.kept;
        kept.head = head;
    }
}

Curve::Storage::~Storage() {
    std::lock_guard g(registry().lock);
    registry().owned.erase(&head);
    ++registry().changes;
}

namespace {

// The kernel's curves of the record: those kept with a record owned by a
// Curve (valid while the record stays as it is), else new ones, which
// `made` holds.
const geometry::KernelCurve* kernel_curve(const curve_struct& c, std::shared_ptr<const geometry::KernelCurve>* kept,
                                          std::shared_ptr<const geometry::KernelCurve>& made) {
    Curve::Storage* owner = nullptr;
    if (LastLookup& last = last_lookup; last.head == &c && last.changes == registry().changes.load()) {
        owner = last.storage;
    } else {
        std::lock_guard g(registry().lock);
        const auto it = registry().owned.find(&c);
        owner = it == registry().owned.end() ? nullptr : it->second;
        last = {&c, owner, registry().changes.load()};
    }
    if (owner) {
        KeptKernel& k = owner->kept;
        if (!k.built || !same_head(k.head, c)) {
            k.curve = geometry::build(c);
            k.head = c;
            k.built = true;
        }
        if (kept) *kept = k.curve;
        return k.curve.get();
    }
    made = geometry::build(c);
    return made.get();
}

}  // namespace

std::shared_ptr<const geometry::KernelCurve> kernel_curve_of(const curve_struct& c) {
    std::shared_ptr<const geometry::KernelCurve> kept, made;
    kernel_curve(c, &kept, made);
    return made ? made : kept;
}

Curve::Curve(std::unique_ptr<Storage> s) : s_(std::move(s)) { s_->attach(); }

Curve::Curve(const Curve& other) : s_(std::make_unique<Storage>(*other.s_)) {}

Curve& Curve::operator=(const Curve& other) {
    if (this != &other) s_ = std::make_unique<Storage>(*other.s_);
    return *this;
}

Curve::Curve(Curve&&) noexcept = default;
Curve& Curve::operator=(Curve&&) noexcept = default;
Curve::~Curve() = default;

const curve_struct& Curve::record() const { return s_->head; }
curve_struct& Curve::record() {
    forget(*s_);
    return s_->head;
}

namespace {

// Unit perpendicular axes from two directions (y within their plane).
bool make_axes(const double* x, const double* y, double* ux, double* uy) {
    double m[9];
    if (x == nullptr || y == nullptr || !frame3(x, y, m)) return false;
    std::copy(m, m + 3, ux);
    std::copy(m + 3, m + 6, uy);
    return true;
}

bool finite_all(std::initializer_list<double> v) {
    return std::all_of(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
}

std::unique_ptr<Curve::Storage> new_storage(int type, double start, double span, bool periodic) {
    auto s = std::make_unique<Curve::Storage>();
    s->head.type = type;
    s->head.start = start;
    s->head.span = span;
    s->head.periodic = periodic ? 1 : 0;
    return s;
}

// Sweep of a closed-range angle pair: refuses an empty or reversed range and
// more than a full turn; a full turn (within the slack) is made exact.
bool sweep(double start, double end, double& span, bool& periodic) {
    if (!finite_all({start, end}) || !(end > start)) return false;
    span = end - start;
    if (span > kTwoPi + kTurnSlack) return false;
    periodic = span >= kTwoPi - kTurnSlack;
    if (periodic) span = kTwoPi;
    return true;
}

void set_plane(curve_conic_data& c, const double* center, const double* ux, const double* uy) {
    std::copy(center, center + 3, c.center);
    std::copy(ux, ux + 3, c.x_axis);
    std::copy(uy, uy + 3, c.y_axis);
}

}  // namespace

std::optional<Curve> Curve::point(const double p[3]) {
    if (p == nullptr || !finite3(p)) return std::nullopt;
    auto s = new_storage(CURVE_POINT, 0, 0, false);
    std::copy(p, p + 3, s->point.position);
    return Curve(std::move(s));
}

std::optional<Curve> Curve::line(const double start[3], const double end[3]) {
    if (start == nullptr || end == nullptr || !finite3(start) || !finite3(end)) return std::nullopt;
    const V3 a = V3::load(start), d = V3::load(end) - a;
    const double len = norm(d);
    if (!(len > 0)) return std::nullopt;
    auto s = new_storage(CURVE_LINE, 0, len, false);
    a.store(s->line.origin);
    ((1 / len) * d).store(s->line.direction);
    return Curve(std::move(s));
}

std::optional<Curve> Curve::arc(const double center[3], const double x_axis[3], const double y_axis[3], double radius,
                                double start_angle, double end_angle) {
    double ux[3], uy[3], span;
    bool periodic;
    if (center == nullptr || !finite3(center) || !(radius > 0) || !std::isfinite(radius) ||
        !make_axes(x_axis, y_axis, ux, uy) || !sweep(start_angle, end_angle, span, periodic))
        return std::nullopt;
    auto s = new_storage(CURVE_ARC, start_angle, span, periodic);
    auto& a = s->arc;
    a.start_angle = start_angle;
    a.end_angle = start_angle + span;
    std::copy(center, center + 3, a.center);
    a.radius = radius;
    std::copy(ux, ux + 3, a.x_axis);
    std::copy(uy, uy + 3, a.y_axis);
    return Curve(std::move(s));
}

std::optional<Curve> Curve::ellipse(const double center[3], const double x_axis[3], const double y_axis[3], double a,
                                    double b, double start_angle, double end_angle) {
    double ux[3], uy[3], span;
    bool periodic;
    if (center == nullptr || !finite3(center) || !(a > 0) || !(b > 0) || !finite_all({a, b}) ||
        !make_axes(x_axis, y_axis, ux, uy) || !sweep(start_angle, end_angle, span, periodic))
        return std::nullopt;
    auto s = new_storage(CURVE_CONIC, start_angle, span, periodic);
    auto& c = s->conic;
    c.c[0] = start_angle;
    c.c[1] = start_angle + span;
    c.c[2] = a;
    c.c[3] = b;
    c.subtype = CONIC_ELLIPSE;
    set_plane(c, center, ux, uy);
    return Curve(std::move(s));
}

std::optional<Curve> Curve::parabola(const double vertex[3], const double x_axis[3], const double y_axis[3],
                                     double focal_length, double t0, double t1) {
    double ux[3], uy[3];
    if (vertex == nullptr || !finite3(vertex) || !(focal_length > 0) || !finite_all({focal_length, t0, t1}) ||
        !(t1 > t0) || !make_axes(x_axis, y_axis, ux, uy))
        return std::nullopt;
    auto s = new_storage(CURVE_CONIC, t0, t1 - t0, false);
    auto& c = s->conic;
    c.c[0] = t0;
    c.c[1] = t1;
    c.c[2] = focal_length;
    c.c[3] = 0;
    c.subtype = CONIC_PARABOLA;
    set_plane(c, vertex, ux, uy);
    return Curve(std::move(s));
}

std::optional<Curve> Curve::hyperbola(const double center[3], const double x_axis[3], const double y_axis[3], double a,
                                      double b, double t0, double t1) {
    double ux[3], uy[3];
    if (center == nullptr || !finite3(center) || !(a > 0) || !(b > 0) || !finite_all({a, b, t0, t1}) || !(t1 > t0) ||
        !make_axes(x_axis, y_axis, ux, uy))
        return std::nullopt;
    auto s = new_storage(CURVE_CONIC, t0, t1 - t0, false);
    auto& c = s->conic;
    c.c[0] = b * std::sinh(t0);
    c.c[1] = b * std::sinh(t1);
    c.c[2] = a / b;
    c.c[3] = b * b;
    c.subtype = CONIC_HYPERBOLA;
    set_plane(c, center, ux, uy);
    return Curve(std::move(s));
}

std::optional<Curve> Curve::spline(int n_poles, int order, const double* poles, const double* knots, PoleForm form,
                                   bool periodic) {
    if (poles == nullptr || knots == nullptr || n_poles < 2 || order < 2 || n_poles < order) return std::nullopt;
    std::vector<double> w(poles, poles + 4 * n_poles);
    if (form == PoleForm::cartesian)
        for (int i = 0; i < n_poles; ++i)
            for (int k = 0; k < 3; ++k) w[4 * i + k] *= w[4 * i + 3];
    if (!nurbs::valid(n_poles, order, w.data(), knots)) return std::nullopt;
    const double lo = knots[order - 1], hi = knots[n_poles];
    auto s = new_storage(CURVE_SPLINE, lo, hi - lo, false);
    s->poles = std::move(w);
    s->knots.assign(knots, knots + n_poles + order);
    s->spline.n_poles = n_poles;
    s->spline.order = order;
    Curve curve(std::move(s));
    if (periodic) {
        // Only a closed spline repeats: its ends must meet.
        Ders a, b;
        eval(curve.record(), lo, 0, a);
        eval(curve.record(), hi, 0, b);
        double size = 0;
        for (int i = 0; i < n_poles; ++i) size = std::max(size, norm(V3::load(&curve.s_->poles[4 * i])));
        if (norm(a[0] - b[0]) > 1e-9 * std::max(1.0, size)) return std::nullopt;
        curve.s_->head.periodic = 1;
    }
    return curve;
}

Curve Curve::transformed(const double rotation[9], const double translation[3]) const {
    Curve out(*this);
    forget(*out.s_);
    const double* R = rotation;
    auto dir = [&](double* v) {
        const V3 a = V3::load(v);
        for (int i = 0; i < 3; ++i) v[i] = R[3 * i] * a.x + R[3 * i + 1] * a.y + R[3 * i + 2] * a.z;
    };
    auto pos = [&](double* p) {
        dir(p);
        for (int i = 0; i < 3; ++i) p[i] += translation[i];
    };
    Storage& s = *out.s_;
    switch (s.head.type) {
        case CURVE_POINT: pos(s.point.position); break;
        case CURVE_LINE:
            pos(s.line.origin);
            dir(s.line.direction);
            break;
        case CURVE_ARC:
            pos(s.arc.center);
            dir(s.arc.x_axis);
            dir(s.arc.y_axis);
            break;
        case CURVE_CONIC:
            pos(s.conic.center);
            dir(s.conic.x_axis);
            dir(s.conic.y_axis);
            break;
        default:
            for (size_t i = 0; i + 4 <= s.poles.size(); i += 4) {
                double* p = &s.poles[i];
                const double wt = p[3];
                dir(p);
                for (int k = 0; k < 3; ++k) p[k] += wt * translation[k];
            }
            break;
    }
    return out;
}

}  // namespace hostnum
