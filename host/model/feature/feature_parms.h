/* A feature's parameter record as the parameter queries read it, and the
 * place (directions and location) of a feature.
 *
 * The record of a feature of a kind the host builds: its class (the
 * kind's parameter class "<kind>_parms_c" under "FEATURE_parms_c", the
 * class of FREC_ask_parms_of_frec) and its slots in the kind's order, each
 * an expression or 0 where the slot holds none: the depth and tip angle of
 * a hole and the length of a slot bounded by through faces. The slots of a
 * form feature are its size texts in the order its creator takes them.
 *
 * A circular instance set's record keeps three slots: its radius (none:
 * its copies turn about an axis whatever their distance from it), its
 * number and its angle. The first slot of a groove holds, in place of its
 * expression, the positioning constraint (class PARM_CONSTRAINT_c) that
 * owns that expression when the groove has one; FPARMS_ask_constraint_exp
 * gives the constraint's expression.
 *
 * Place: a form feature's directions are its direction and X direction
 * (two; a hole, boss, pocket or groove reports its axis alone), its
 * location is where it is placed, moved by its positioning constraints; a
 * cylinder reports its axis and origin; a block its X and Y axes and its
 * origin; a circular instance set its axis and the axis's point; a linear
 * set the part's X and Y axes (it has no location of its own). A feature
 * of another kind has no place: FEAT_ERR_BAD_PARAMETERS
 * is raised. A dead tag raises HOST_ERR_DEAD_TAG, a live object that is no
 * feature FEAT_ERR_NOT_A_FEATURE, a null output HOST_ERR_NULL_ARGUMENT. */
#ifndef HOST_FEATURE_FEATURE_PARMS_H
#define HOST_FEATURE_FEATURE_PARMS_H

#include "host/base/services/codes.h"

#define FPARMS_MAX_SLOTS 16

/* A datum query of a feature that made no datum of the kind asked. */
#define HOST_FEATURE_PARMS_CODES(X) X(FPARMS_ERR_NO_DATUM, 660008)
HOST_BARE_CODE_CONSTANTS(HOST_FEATURE_PARMS_CODES);

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

typedef struct FPARMS_record_s {
    int cls;                              /* the kind's parameter class */
    int type;                             /* a chamfer's type, else 0 */
    int count;                            /* slots */
    unsigned int slots[FPARMS_MAX_SLOTS]; /* expression, or 0: none held */
} FPARMS_record_t;

/* Fills the record and answers 1; 0 (record untouched) for a feature of no
 * kind the host builds. */
int FPARMS_ask_record(unsigned int feature, FPARMS_record_t* record);
/* The parameter class of a kind by its name ("SIMPLE HOLE"). */
int FPARMS_ask_class_of_kind(const char* kind);
/* The feature's directions (count 1 or 2; the second (0,0,0) when 1). */
void FPARMS_ask_directions(unsigned int feature, double first[3], double second[3], int* count);
void FPARMS_ask_location(unsigned int feature, double location[3]);
/* The first expression the positioning constraint owns, 0 for none. */
unsigned int FPARMS_ask_constraint_exp(unsigned int constraint);

/* Datums. The datum object (HOST_TYPE_DATUM_PLANE or HOST_TYPE_DATUM_AXIS,
 * as `type` asks) that the feature made, 0 for none.
 * DPLANE_ask_plane_kind: 1 for a datum plane feature placed by parameter
 * expressions of its own (its first: the offset), 0 for one placed by
 * other objects (a point and a direction). DPLANE_ask_end_points: the four
 * corners of the plane's display square (side 2 about its point, along two
 * axes of the plane), corner after corner. DAXIS_ask_point: the axis's
 * point. DATUM_ask_point_and_direction: the point and unit direction of
 * the datum plane or axis the feature made. Objects of another type raise
 * FPARMS_ERR_NO_DATUM, as does a feature that made no datum. */
unsigned int FPARMS_ask_datum_of_frec(unsigned int feature, int type);
int DPLANE_ask_plane_kind(unsigned int feature);
void DPLANE_ask_end_points(unsigned int plane, double corners[12]);
void DAXIS_ask_point(unsigned int axis, double point[3]);
void DATUM_ask_point_and_direction(unsigned int feature, double point[3], double direction[3]);

/* Points features ("POINT_SET"): 1 for one; its children are the points
 * it owns, added to the set (host/base/services/sets.h) in order. */
int POINT_is_points_frec(unsigned int feature);
void FMI_invoke_ask_rm_children(unsigned int feature, int set);

/* A hollow's data: the hollowed body; its kind (1 to 3); the assignment
 * of its thickness expression (SM_alloc); the faces it opens (SM_alloc,
 * null when none) and their count; the faces with a thickness of their
 * own (SM_alloc) and their count; those thicknesses (SM_alloc, one per
 * face); the thickness's value now; 1 when it is hollowed closed. A
 * feature that is no hollow raises FEAT_ERR_BAD_PARAMETERS. */
void HOLLOW_ask_data(unsigned int feature, unsigned int* body, int* kind, char** thickness, unsigned int** open,
                     int* n_open, unsigned int** own, int* n_own, double** own_thickness, double* value,
                     int* closed);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
