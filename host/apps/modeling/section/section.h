/* The host's section service: curves where families of planes cut bodies,
 * faces, facetted bodies and curves.
 *
 * A section record (INTSEC_data_t) names the objects to cut and the family
 * of planes:
 *   kind 0, selected: the planes and datum planes listed;
 *   kind 1, parallel: planes parallel to the base plane (a plane or datum
 *     plane) at the distances from it along its normal from parallel[0] to
 *     parallel[1] in steps of parallel[2] (both ends included; a step not
 *     above 0 gives the first distance only);
 *   kind 2, radial: planes through the axis (a datum axis, or a line)
 *     turned about it from the half-plane towards the point by the angles
 *     (degrees) from radial[0] to radial[1] in steps of radial[2];
 *   kind 3, perpendicular to a curve: planes normal to the curve at
 *     values[0] points spread evenly over its parameter range (spacing 1
 *     to 4 alike; at least one, the ends included).
 * A body is cut by the kernel's section (lines, arcs and splines), a face
 * alike, a facetted body facet by facet (lines), a curve where it crosses
 * the plane (points); planes and datum planes among the objects are not
 * cut.
 *
 * INTSEC_create_feature makes an associative section: a feature record of
 * the work part (kind "INTSEC_selected", "INTSEC_parallel", "INTSEC_radial"
 * or "INTSEC_perpcrv"; its parameter class "<kind>_parms_c") whose results
 * are the curves; the curves follow the bodies at every update (made again
 * when the section changed). *status 0, or HOST_ERR_BAD_ARGUMENT with no
 * feature when nothing is cut. INTSEC_curves makes plain curves.
 * INTSEC_parms_to_data gives a section feature's record back (arrays from
 * SM_alloc, INTSEC_free_data frees them); it answers 1 for an object that
 * is no section feature. INTSEC_ask_section_curve_parents answers 1 for a
 * curve of no section feature, else 0 with the object it was cut from
 * (*object), the plane that cut it (*plane: the selected plane, 0 for the
 * other kinds) and that plane's place in the family (*index, from 0).
 * The features are part of the model (undo marks roll them back). */
#ifndef HOST_SECTION_SECTION_H
#define HOST_SECTION_SECTION_H

#define INTSEC_SELECTED 0
#define INTSEC_PARALLEL 1
#define INTSEC_RADIAL   2
#define INTSEC_PERPCRV  3

typedef struct INTSEC_perpcrv_s {
    unsigned int curve;
    unsigned int other;
    int spacing;
    int values[11];
} INTSEC_perpcrv_t;

typedef struct INTSEC_data_s {
    int word0;
    int associative;
    int n_objects;
    unsigned int* objects;
    int n_planes;
    unsigned int* planes;
    int kind;
    unsigned int parallel_base;
    double parallel[3];
    unsigned int radial_axis;
    unsigned int radial_point;
    double radial[3];
    INTSEC_perpcrv_t* perpcrv;
    double perpcrv_scale;
    int output;
    int join;
    int quintic;
    double tolerance;
    int work[3];
} INTSEC_data_t;

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* The object when the section service can cut it, else 0. */
unsigned int INTSEC_entity_ask_om_tag(unsigned int object);
/* 1 for a live section feature, else 0. */
int INTSEC_is_section_frec(unsigned int feature);
void INTSEC_create_feature(const INTSEC_data_t* data, unsigned int* feature, int* status);
/* Plain curves of the work part; *curves from SM_alloc (null for none). */
void INTSEC_curves(const INTSEC_data_t* data, int* count, unsigned int** curves);
void INTSEC_init_data(INTSEC_data_t* data);
int INTSEC_parms_to_data(unsigned int feature, INTSEC_data_t* data);
void INTSEC_free_data(INTSEC_data_t* data);
int INTSEC_ask_section_curve_parents(unsigned int feature, unsigned int curve, unsigned int* plane,
                                     unsigned int* object, int* index);
/* DCRV_ask_feature_of_dcurve (host/apps/modeling/curvefeat/curvefeat.h) answers the
 * section feature that made a curve. */

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
