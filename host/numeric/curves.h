// Curve mathematics of the host: the curve record that evaluators are built
// on, its type data blocks, and evaluation, limits, periodicity, closest
// point and arc length for lines, arcs, ellipses, parabolas, hyperbolas and
// rational splines. Points, derivatives, closest points and lengths come
// from the solid kernel's geometry tools (curve_geometry.h), on the
// kernel's curves of the record: a record owned by a Curve keeps them (built
// at its first query, built again when its head changes or it is handed
// out for writing); any other record has them built for each query. The
// kept curves carry the kernel's evaluation caches and copies of a Curve
// share them: a record and its copies are queried from one thread at a
// time.
//
// The record's head and the data blocks are plain C layouts: the interface
// library reads them directly when it flattens a curve's data. Everything
// else here is C++ for the host's own use. Nothing raises: functions answer
// a CurveError (ok is 0).
#ifndef HOST_NUMERIC_CURVES_H
#define HOST_NUMERIC_CURVES_H

#include <memory>
#include <optional>
#include <vector>

/* Entity types of the curve record (the host's numbering). */
enum { CURVE_POINT = 2, CURVE_LINE = 3, CURVE_ARC = 5, CURVE_CONIC = 6, CURVE_SPLINE = 9 };
/* Conic subtypes. */
enum { CONIC_ELLIPSE = 2, CONIC_PARABOLA = 3, CONIC_HYPERBOLA = 4 };
/* Curve types as evaluators number them. */
enum { EVAL_LINE = 2, EVAL_ARC = 3, EVAL_ELLIPSE = 4, EVAL_PARABOLA = 5, EVAL_HYPERBOLA = 6, EVAL_SPLINE = 8 };

/* The head of a curve record. The point at parameter t is defined by the
 * type's data block; the curve runs over [start, start + span] (span may be
 * negative: the range is then [start + span, start]); a periodic curve
 * repeats with period |span|. */
struct curve_struct {
    void* data;
    int type;
    double start;
    double span;
    int periodic;
};

struct curve_point_data {
    double position[3];
};

/* P(t) = origin + t direction. */
struct curve_line_data {
    double origin[3];
    double direction[3];
};

/* P(t) = center + radius (cos t x_axis + sin t y_axis); the angles are the
 * arc's own range. The axes are unit and perpendicular. */
struct curve_arc_data {
    double start_angle;
    double end_angle;
    double center[3];
    double radius;
    double x_axis[3];
    double y_axis[3];
};

/* A conic in the plane of two unit perpendicular axes through center.
 *   ellipse:   c = {start angle, end angle, a, b};
 *              P(t) = center + a cos t x_axis + b sin t y_axis.
 *   parabola:  c = {start t, end t, focal length k, 0}; vertex at center,
 *              opening along x_axis; P(t) = center + t^2/(4k) x_axis + t y_axis.
 *   hyperbola: c = {b sinh t0, b sinh t1, a / b, b^2} (the branch's ordinates
 *              at the ends, the axis ratio, the squared imaginary semi-axis);
 *              P(t) = center + a cosh t x_axis + b sinh t y_axis. */
struct curve_conic_data {
    double c[4];
    int subtype;
    double center[3];
    double x_axis[3];
    double y_axis[3];
};

/* A rational B-spline: n poles of four doubles each in weighted form
 * (w x, w y, w z, w), n + order knots, non-decreasing. The curve runs over
 * [knots[order - 1], knots[n]]. A knot held order times within the range
 * may break the curve: at that knot it takes the stretch that follows. */
struct curve_spline_data {
    double* poles;
    double* knots;
    int n_poles;
    int order;
};

namespace hostnum {

namespace geometry {
struct KernelCurve;  // curve_kernel.h
}

enum class CurveError : int {
    ok = 0,
    bad_type,       // unknown type or subtype in the record
    degenerate,     // the data define no curve (zero radius, zero direction, ...)
    bad_argument,   // null output, negative derivative count, bad knot vector ...
    no_frame,       // no tangent at the parameter (zero first derivative)
    not_converged,  // an integration cannot meet its tolerance within its bound on work
};

// Largest number of derivatives that curve_evaluate computes in one call.
constexpr int kMaxDerivatives = 16;

// Evaluator curve type (EVAL_*) of a record, or 0 when it has none (a point).
int evaluator_type(const curve_struct& c);

// Checks that the record's data define a curve.
CurveError curve_check(const curve_struct& c);

// Parameter range, lower end first.
void curve_limits(const curve_struct& c, double limits[2]);
bool curve_is_periodic(const curve_struct& c);

// Evaluation trusts the record's data (check it once with curve_check when
// it was not made by Curve's builders); the other queries check it.
//
// Point and derivatives 1..n at t (0 <= n <= kMaxDerivatives): derivs holds
// 3n doubles, derivative k at 3(k - 1); it may be null when n is 0. Outside
// the range a periodic curve repeats; other curves continue their formula
// (a spline its end segment).
CurveError curve_evaluate(const curve_struct& c, int n, double t, double point[3], double* derivs);

// Point and the unit tangent, principal normal and binormal at t. On a
// straight stretch the normal is any unit vector at right angles to the
// tangent (the one VEC3_ask_perpendicular gives).
CurveError curve_unit_vectors(const curve_struct& c, double t, double point[3], double tangent[3], double normal[3],
                              double binormal[3]);

// The point of the curve (within its range) nearest to ref, and its parameter.
CurveError curve_closest_point(const curve_struct& c, const double ref[3], double* t, double point[3]);

// Length of the curve between two parameters (either order), to a relative
// accuracy of about 1e-10. The integration runs piece by piece between the
// spline's knots (or even pieces of a conic), each in bounded work:
// not_converged for a range of more periods than it takes, or when the
// length is beyond the doubles.
CurveError curve_arc_length(const curve_struct& c, double t0, double t1, double* length);

// The same curve within tol: same evaluator type, same range, same points.
bool curve_is_equivalent(const curve_struct& a, const curve_struct& b, double tol);

// The kernel's curves of the record (see above); null for a point or data
// the kernel refuses.
std::shared_ptr<const geometry::KernelCurve> kernel_curve_of(const curve_struct& c);

// A curve record with its own storage. Copies are deep; moves keep the
// record's address and the data pointers valid.
class Curve {
public:
    enum class PoleForm { weighted, cartesian };  // (w x, w y, w z, w) or (x, y, z, w)

    static std::optional<Curve> point(const double p[3]);
    // From start to end; the parameter is the distance from start.
    static std::optional<Curve> line(const double start[3], const double end[3]);
    // The axes are made unit and perpendicular (y within the plane of x and
    // y); a full turn or more makes a periodic circle.
    static std::optional<Curve> arc(const double center[3], const double x_axis[3], const double y_axis[3],
                                    double radius, double start_angle, double end_angle);
    static std::optional<Curve> ellipse(const double center[3], const double x_axis[3], const double y_axis[3],
                                        double a, double b, double start_angle, double end_angle);
    static std::optional<Curve> parabola(const double vertex[3], const double x_axis[3], const double y_axis[3],
                                         double focal_length, double t0, double t1);
    static std::optional<Curve> hyperbola(const double center[3], const double x_axis[3], const double y_axis[3],
                                          double a, double b, double t0, double t1);
    // n poles of four doubles, n + order knots. A periodic spline must be
    // closed (its ends meet).
    static std::optional<Curve> spline(int n_poles, int order, const double* poles, const double* knots,
                                       PoleForm form = PoleForm::weighted, bool periodic = false);

    Curve(const Curve& other);
    Curve& operator=(const Curve& other);
    Curve(Curve&&) noexcept;
    Curve& operator=(Curve&&) noexcept;
    ~Curve();

    const curve_struct& record() const;
    // For writing: the kernel's curves kept with the record are dropped.
    curve_struct& record();

    // The curve moved by p' = R p + t (R row-major, a rotation).
    Curve transformed(const double rotation[9], const double translation[3]) const;

    struct Storage;  // the record, its data block, poles and knots
    explicit Curve(std::unique_ptr<Storage> s);

private:
    std::unique_ptr<Storage> s_;
};

}  // namespace hostnum

#endif
