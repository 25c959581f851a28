/* The host's curve entities: points (entity type 2), lines (3), circular
 * arcs (5) and conics (6; subtype 2 ellipse, 3 parabola, 4 hyperbola), each an
 * object of the object store with its defining data kept in a model
 * component, so that undo marks roll the data back with the objects.
 *
 * Defining data:
 *  - point: its absolute coordinates;
 *  - line: start and end point, absolute coordinates;
 *  - arc: the tag of its matrix object (type 55, rows X, Y, Z), then six
 *    values {start angle, end angle, center x, y, z, radius}; the center is
 *    given in the matrix's frame (absolute = x X + y Y + z Z), the arc lies in
 *    the plane through the center spanned by X and Y and its point at angle a
 *    is center + radius (cos a X + sin a Y);
 *  - conic: its matrix and the thirteen conic values (CONIC_V_*): start and
 *    end parameter, the plane height, start point x y, end point x y, center
 *    x y, k1, k2, sin and cos of the rotation of the conic's own u axis from
 *    the matrix's X axis. Positions are in the matrix's frame. In the conic's
 *    own axes (u, v):
 *      ellipse   u = k1 cos t, v = k2 sin t   (parameters are angles);
 *      parabola  v = t, u = t^2 / k1           (parameters are values of v);
 *      hyperbola v = t, u = k1 sqrt(1 + t^2/k2^2)  (parameters are values of v,
 *                the caller's angle a being t = k2 tan a).
 *    A point of the conic is (cx, cy) + u (cos, sin) + v (-sin, cos) at the
 *    plane height, taken to absolute coordinates through the matrix.
 *    The stored end points are recomputed from the parameters whenever the
 *    conic is created or edited.
 *
 * Solid-kernel edges (type 70, subtype 3) of kernel bodies answer with the
 * kernel's curve: PX_curve_ask_type answers PX_CURVE_LINE or
 * PX_CURVE_CIRCLE for straight and circular ones, the line and arc queries
 * answer for them as for lines and arcs (an arc's centre in the frame of
 * its circle), and curve_of gives their curve. An edge object without a
 * kernel edge may carry a straight or circular curve in the table
 * (host::curves::attach_*) and then answers the same way.
 *
 * Checks: a tag of no live object raises HOST_ERR_DEAD_TAG, an object of the
 * wrong kind HOST_ERR_WRONG_CLASS, a null pointer HOST_ERR_NULL_ARGUMENT,
 * non-finite values or an unknown conic type HOST_ERR_BAD_ARGUMENT. The
 * entity service stores what it is given; the interface library checks for
 * degenerate data (EQ_ask_length_squared_tolerance) itself.
 */
#ifndef HOST_CORE_CURVE_ENTITIES_H
#define HOST_CORE_CURVE_ENTITIES_H

#include "host/store/entities/entity_types.h" /* with the conic kinds and the thirteen conic values */

/* Curve kinds of PX_curve_ask_type. */
#define PX_CURVE_LINE   3001
#define PX_CURVE_CIRCLE 3002
#define PX_CURVE_OTHER  3000

/* A conic in standard form as the entity service takes it (the same order
 * as the interface's conic record): parameters as the entity keeps them, so
 * a hyperbola's start and end are values of v. */
typedef struct CONIC_std_data_s {
    unsigned int matrix;
    int type;
    double rotation;
    double start;
    double end;
    double center[3];
    double k1;
    double k2;
} CONIC_std_data_t;

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* Tolerances of the modeller: lengths (and their squares) at or below them
 * count as zero. */
double EQ_ask_length_tolerance(void);
double EQ_ask_length_squared_tolerance(void);

/* Entity type of a live object (raises for a dead tag). */
int ES_ask_entity_type(unsigned int object);

/* ---- points ---- */
/* New point in the work part. */
void ES_create_point(const double point[3], unsigned int* point_out);
void ES_ask_coordinates_of_point(unsigned int point, double coords[3]);
void POINT_set_coordinates(unsigned int point, const double coords[3]);

/* ---- lines ---- */
/* New line in the part (0: the work part); ends = start xyz, end xyz. */
void ES_create_line_in_part(unsigned int part, const double ends[6], unsigned int* line);
/* A line, or an edge that carries a straight curve. */
void ES_ask_coordinates_of_line(unsigned int line, double start[3], double end[3]);
void LINE_set_end_points(unsigned int line, const double start[3], const double end[3]);

/* ---- arcs ---- */
/* data = {start angle, end angle, center x, y, z, radius}; new arc in the
 * matrix's part (the work part for a matrix without a part). */
void ES_create_arc(const double data[6], unsigned int matrix, unsigned int* arc);
/* An arc, or an edge that carries a circular curve. */
void ES_ask_data_of_arc(unsigned int arc, double data[6]);
void ARC_set_data(unsigned int arc, const double data[6]);
/* Sets the matrix of an arc or a conic (a matrix object, type 55). */
void ES_set_matrix_of_entity(unsigned int object, unsigned int matrix);
/* The matrix of an arc or conic, 0 for other objects (the host's general
 * ES_ask_matrix_tag_of_entity answers coordinate systems and matrices). */
unsigned int CURVE_ask_matrix_of_entity(unsigned int object);

/* ---- conics (old numbered routines: arguments by address) ---- */
/* New conic of the type (2, 3, 4) from the thirteen values. */
void es0600_(const int* type, const double values[13], const unsigned int* matrix, unsigned int* conic);
/* The thirteen values of a conic. */
void es0610_(const unsigned int* conic, double values[13]);
/* Replaces the data of a conic from a standard-form record (its matrix is
 * not changed here: ES_set_matrix_of_entity). */
void CONIC_set_data(unsigned int conic, const CONIC_std_data_t* data);
/* Start and end point of a standard-form record (v parameters for a
 * hyperbola), in the matrix's frame; no object is needed. */
void CONIC_ask_endpoints(const CONIC_std_data_t* data, double start[3], double end[3]);

/* ---- the plane of three points ---- */
/* The plane through the three points as an orientation: X from p1 towards
 * p2, Z normal to the plane (right-handed with p3), Y = Z x X; the values
 * and a new matrix object of them in the work part. *status 1, or 0 (and no
 * matrix) when the points lie on one line. */
void k0541_(const double p1[3], const double p2[3], const double p3[3], double values[9], unsigned int* matrix,
            int* status);

/* ---- solid-kernel curve queries over edges of this table ---- */
int PX_curve_ask_type(unsigned int edge);
/* The solid kernel answers these (host/kernel/engine/links.cpp): an edge object
 * of a kernel body has kernel geometry, the table's curve is a stand-in
 * for objects without it. */
/* Kernel entity of an object, or of the prototype of an occurrence
 * (host::views::make_occurrence_of); 0 for none. */
void es7010_occ_(const unsigned int* object, int* kernel_entity);
/* The curve of a kernel edge (the edge stands for its curve); *ifail
 * nonzero when the tag is no kernel edge. */
void KI_ougeef(const int* edge, int* curve, int* ifail);
/* Center, unit axis and radius of a circular kernel curve. */
void KI_outcur(const int* curve, double center[3], double axis[3], double* radius, int* ifail);
/* The point of a kernel curve at parameter t (n derivatives are not
 * computed here; side selects nothing for these curves). */
void KI_enpopc(const int* curve, const double* t, const int* n, const int* side, double point[3], int* ifail);

/* ---- occurrences ---- */
/* A direction given in the space of an occurrence's prototype, turned into
 * the occurrence's space by the occurrence's orientation (rows X, Y, Z of
 * the prototype's axes in the occurrence's space; the identity until a test
 * gives one with host::curves::set_occurrence_orientation). out may be the
 * direction itself. Raises HOST_ERR_WRONG_CLASS for an object that is not an
 * occurrence (OCC_is_occurrence). */
void OCC_transform_direction_p(unsigned int occurrence, const double direction[3], double out[3]);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <cstdint>
#include <memory>
#include <optional>

#include "host/numeric/curves.h"

namespace host::curves {

using tag_t = unsigned int;

enum class Kind : std::uint8_t { point, line, arc, conic, other };

// The defining data of one entity (see the comment at the top). A model
// holds many points, so a point keeps only its coordinates; the values of
// the other kinds live in a block of their own, made on first write (a
// copy of the entity copies it). The kinds share the block's room: an
// entity has one kind. Reading a value of a kind the entity lacks reads
// zeros.
class Entity {
public:
    double point[3] = {0, 0, 0};  // point; a line's start

private:
    struct More;
    std::unique_ptr<More> more_;  // the values of the other kinds

public:
    tag_t matrix = 0;         // arc, conic
    int conic_type = 0;       // conic: 2, 3, 4
    Kind kind = Kind::point;  // last: a table keeps its stamp in the room after it

    Entity() = default;
    Entity(const Entity& other) : matrix(other.matrix), conic_type(other.conic_type), kind(other.kind) {
        copy_from(other);
    }
    Entity(Entity&&) noexcept = default;
    Entity& operator=(const Entity& other) {
        if (this != &other) {
            kind = other.kind;
            matrix = other.matrix;
            conic_type = other.conic_type;
            copy_from(other);
        }
        return *this;
    }
    Entity& operator=(Entity&&) noexcept = default;
    ~Entity() = default;

    double (&start())[3] { return point; }  // line
    const double (&start() const)[3] { return point; }
    double (&end())[3] { return more().v.end; }  // line
    const double (&end() const)[3] { return seen().v.end; }
    double (&arc())[6] { return more().v.arc; }  // arc: start, end, center xyz, radius
    const double (&arc() const)[6] { return seen().v.arc; }
    double (&conic())[CONIC_VALUE_COUNT] { return more().v.conic; }  // conic values
    const double (&conic() const)[CONIC_VALUE_COUNT] { return seen().v.conic; }
    std::optional<hostnum::Curve>& other() { return more().other; }  // other: any curve
    const std::optional<hostnum::Curve>& other() const { return seen().other; }

private:
    struct More {
        union Values {
            double conic[CONIC_VALUE_COUNT] = {};
            double end[3];
            double arc[6];
        } v;
        std::optional<hostnum::Curve> other;
    };
    More& more() {
        if (!more_) more_ = std::make_unique<More>();
        return *more_;
    }
    const More& seen() const {
        static const More none{};
        return more_ ? *more_ : none;
    }
    void copy_from(const Entity& other) {
        for (int i = 0; i < 3; ++i) point[i] = other.point[i];
        more_ = other.more_ ? std::make_unique<More>(*other.more_) : nullptr;
    }
};

// The data of a point, line, arc or conic entity, or of an edge that
// carries a curve; null for any other tag.
const Entity* find(tag_t object);

// The nine values of the matrix of an arc or conic (identity when it has
// none).
void matrix_values(const Entity& e, double m[9]);

// The entity's curve in absolute coordinates, as the host's curve
// mathematics evaluates it: a line runs from start to end with the distance
// as parameter; an arc over its angles; an ellipse over its angles; a
// parabola and a hyperbola over their v values mapped to the record's own
// parameters (a parabola's t is v, a hyperbola's t is asinh(v / |k2|)).
// Empty for a tag without curve data or for degenerate data.
std::optional<hostnum::Curve> curve_of(tag_t object);

// The curves of the solid kernel's edges, which the curve routines answer
// too: the kernel registers them when it loads (the store stands below the
// kernel and names none of it). Before that no object is a kernel edge.
struct EdgeCurves {
    // The edge's curve (empty when the object is no kernel edge).
    std::optional<hostnum::Curve> (*curve_of)(tag_t object) = nullptr;
    // PX_CURVE_LINE, PX_CURVE_CIRCLE or another kind; 0: no kernel edge.
    int (*kind_of)(tag_t object) = nullptr;
    bool (*ends_of)(tag_t object, double start[3], double end[3]) = nullptr;
    bool (*circle_of)(tag_t object, double centre[3], double axis[3], double x_axis[3], double* radius,
                      double range[2]) = nullptr;
};
void set_edge_curves(const EdgeCurves& answers);

// Maps a parameter of the entity (angle, v value) to the parameter of
// curve_of and back.
double to_curve_parameter(const Entity& e, double t);
double from_curve_parameter(const Entity& e, double t);

// Fixtures: gives an existing object (a solid-kernel edge, say) a straight
// or circular curve; no host call is journalled.
void attach_line(tag_t object, const double start[3], const double end[3]);
void attach_arc(tag_t object, tag_t matrix, const double data[6]);
// Gives an object any curve of the host's curve mathematics (a spline of a
// test, say); curve_of answers it as it stands.
void attach_curve(tag_t object, const hostnum::Curve& curve);
// Fixture: the orientation of an occurrence (rows X, Y, Z, see
// OCC_transform_direction_p); model state, so undo marks keep it.
void set_occurrence_orientation(tag_t occurrence, const double rows[9]);

}  // namespace host::curves
#endif

#endif
