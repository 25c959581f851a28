/* Section curves: bodies, faces, facetted bodies and curves cut by a
 * family of planes (selected planes, parallel planes, planes radial about
 * an axis, planes perpendicular to a curve), as an associative section
 * feature or as plain curves in a group; and the questions on a section
 * feature and its curves.
 *
 * The three values of the parallel planes: the first and last distance
 * from the base plane along its normal and the step between them. Of the
 * radial planes: the first and last angle (degrees) about the axis,
 * measured from the half-plane through the point, and the step. The
 * planes perpendicular to a curve: spacing_values[0] planes spread evenly
 * over the curve (its ends included). */
#ifndef KX_CURVE_SECTION_H
#define KX_CURVE_SECTION_H

#include "kx_types.h"

KX_BEGIN_DECLS

typedef struct section_general_s {
    tag* objects;
    int count;
    int associative; /* 0 or 1 */
    int join;        /* 0 or 1 */
    int output;      /* 0 to 4 */
    int unused;
    double tolerance;
} section_general;

typedef struct section_planes_s {
    tag* planes;
    int count;
} section_planes;

typedef struct section_parallel_s {
    tag base;
    double values[3];
} section_parallel;

typedef struct section_radial_s {
    tag axis;  /* entity type 241 or 196 */
    tag point; /* entity type 2 */
    double values[3];
} section_radial;

typedef struct section_perpcrv_s {
    tag curve; /* entity type 3, 5, 6 or 9 */
    tag other;
    int spacing; /* 1 to 4 */
    int spacing_values[11];
} section_perpcrv;

KXAPI int KX_CURVE_section_from_planes(section_general* general, section_planes* planes, tag* result);
KXAPI int KX_CURVE_section_from_parallel_planes(section_general* general, section_parallel* parallel, tag* result);
KXAPI int KX_CURVE_section_from_radial_planes(section_general* general, section_radial* radial, tag* result);
KXAPI int KX_CURVE_section_from_perpcrv_planes(section_general* general, section_perpcrv* perpcrv, tag* result);
/* 0 selected planes, 1 parallel, 2 radial, 3 perpendicular to a curve. */
KXAPI int KX_CURVE_section_ask_type(tag feature, int* type);
/* general->objects is an array the caller frees with KX_free. */
KXAPI int KX_CURVE_section_ask_planes_data(tag feature, section_general* general, section_planes* planes);
KXAPI int KX_CURVE_section_ask_parallel_data(tag feature, section_general* general, section_parallel* parallel);
KXAPI int KX_CURVE_section_ask_radial_data(tag feature, section_general* general, section_radial* radial);
KXAPI int KX_CURVE_section_ask_perpcrv_data(tag feature, section_general* general, section_perpcrv* perpcrv);
/* The section feature of the curve, the object it was cut from, the plane
 * that cut it (a selected plane; NULL_TAG for the other kinds) and that
 * plane's place in the family (from 0). */
KXAPI int KX_CURVE_section_curve_ask_parents(tag curve, tag* feature, tag* object, tag* plane, int* index);

KX_END_DECLS

#endif
