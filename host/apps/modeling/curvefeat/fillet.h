/* The host's curve fillet: the arc of a radius between two curves (or a
 * curve and a point, or two points) in one plane, the trims of the curves
 * to it, the connections and associations that tie them to it, and the
 * sketch records an arc joins a sketch with.
 *
 * Curves are lines, arcs, conics and splines; points are point objects.
 * The arc is an arc of the work part in the plane of the objects, from the
 * first object's touching point to the second's, the short way round.
 * Trims cut lines and arcs at a touching point; the piece kept is the one
 * the fillet does not run along. Connections, associations and sketch
 * records are model state: undo marks roll them back.
 *
 * Checks: null pointers raise HOST_ERR_NULL_ARGUMENT, dead tags
 * HOST_ERR_DEAD_TAG.
 */
#ifndef HOST_CURVEFEAT_FILLET_H
#define HOST_CURVEFEAT_FILLET_H

/* Answers of k0568_ and k0576_. */
#define FILLET_NOT_PLANAR 2 /* k0568_: the objects do not lie in one plane */
#define FILLET_NO_ARC     3 /* k0568_: no arc of the radius touches both near the centre */
#define FILLET_BAD_RADIUS 4 /* k0568_: the radius is not a positive number */
#define TRIM_REFUSED      1 /* k0576_: the object cannot be trimmed there */
#define TRIM_NOTHING_LEFT 2 /* k0576_: the trim leaves nothing of the object */

/* A sketch's records as estc12_ gives them. */
typedef struct SK_data_s {
    int members;
    int variables;
    int equations;
} SK_data_t;

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* The fillet arc of the radius touching both objects, its centre the one
 * nearest `centre`: *status 0 with the arc, the touching points (three
 * doubles each) and their curve parameters (0 for a point), and the arc's
 * start and end angles; else FILLET_* and no arc. */
void k0568_(const unsigned int objects[2], const double centre[3], const double* radius, unsigned int* fillet,
            int* status, double trim_points[6], double values[2], double angles[2]);
/* Trims a line or arc at the point (mode 1: at its parameter `value`),
 * keeping the piece the fillet does not run along from there (`inside` a
 * point of the fillet between its ends): *status 0, TRIM_REFUSED (another
 * kind of curve, or a point off the curve) or TRIM_NOTHING_LEFT. */
void k0576_(const unsigned int* object, const unsigned int* fillet, const int* mode, const double inside[3],
            const double point[3], const double* value, int* status);
/* The point at the parameter of the curve the work buffer w1 of e7009_
 * describes. */
void e0500_(const double* w1, const double* parameter, double point[3]);

/* Connections of curves to a fillet that trims both. */
void sweep_connect_curves(unsigned int fillet, const unsigned int objects[2]);
/* Takes the object out of every fillet's connections. */
void sweep_disconnect(unsigned int object);
/* Records that the fillet depends on the objects. */
void du533_(const unsigned int* fillet, const int* count, const unsigned int* objects);

/* ---- sketch records ---- */
void estc12_(const unsigned int* sketch, SK_data_t* data);
/* Variables of the kind for the object (kind 5: an arc's centre, radius
 * and angles, five of them): *first the number of the first. */
void sk_create_variables(unsigned int sketch, unsigned int object, int kind, int* first);
/* The equations that hold the arc to its variables from `first` on. */
void sk_cre_arc_axm_eqns(unsigned int sketch, unsigned int arc, int first);
/* Makes the object a member of the sketch. */
void estt20_(const unsigned int* sketch, const unsigned int* member);
/* The sketch tolerance of the kind (5: distances, the modelling distance
 * tolerance). */
double tol002_(const int* kind);

/* The update lock that a caller takes (1) while it logs a batch of
 * deletions and gives back (0) before the update; answers the state
 * before. */
int UPDATE_lock(int lock);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <vector>

namespace host::fillet {

using tag_t = unsigned int;

std::vector<tag_t> connections(tag_t fillet);
std::vector<tag_t> associations(tag_t fillet);
// Variables and equations recorded for the sketch.
SK_data_t sketch_data(tag_t sketch);
bool update_locked();

}  // namespace host::fillet
#endif

#endif
