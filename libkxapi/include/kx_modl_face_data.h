/* Modelling: the surface data of a face, the box of its surface
 * parameters and the evaluation of its surface.
 *
 * Face types, as KX_MODL_ask_face_data reports them (and the face-type
 * queries of the modelling functions): */
#ifndef KX_MODL_FACE_DATA_H
#define KX_MODL_FACE_DATA_H

#include "kx_types.h"

KX_BEGIN_DECLS

#define KX_MODL_FACE_CYLINDER 16
#define KX_MODL_FACE_CONE     17
#define KX_MODL_FACE_SPHERE   18
#define KX_MODL_FACE_TORUS    19
#define KX_MODL_FACE_REVOLVED 20
#define KX_MODL_FACE_PLANE    22
#define KX_MODL_FACE_SPLINE   43
#define KX_MODL_FACE_EXTRUDED 46
#define KX_MODL_FACE_OFFSET   65

/* The surface at one (u, v) of a face, as KX_MODL_evaluate_face fills it:
 * the point, the first, second and third derivatives, the normal Su x Sv
 * (turned with the face) and the unit normal. What the mode does not ask
 * for is 0. */
typedef struct face_value_record_s {
    double point[3];
    double du[3];
    double dv[3];
    double duu[3];
    double duv[3];
    double dvv[3];
    double duuu[3];
    double duuv[3];
    double duvv[3];
    double dvvv[3];
    double normal[3];
    double unit_normal[3];
} face_value_record;

/* Evaluation modes: what a mode gives besides the point. */
#define KX_MODL_EVAL_POINT       0  /* the point */
#define KX_MODL_EVAL_FIRST       1  /* first derivatives */
#define KX_MODL_EVAL_SECOND      2  /* first and second derivatives */
#define KX_MODL_EVAL_THIRD       3  /* first, second and third derivatives */
#define KX_MODL_EVAL_NORMAL      10 /* first derivatives and the normal */
#define KX_MODL_EVAL_UNIT_NORMAL 11 /* first derivatives and the unit normal */
#define KX_MODL_EVAL_ALL         33 /* everything */

/* Type, a point near the middle of the face (a plane: the foot of the box
 * centre in it; a cylinder, cone and torus: the foot on the axis; a cone's
 * radius is the one at the middle of its parameter box), the direction
 * (normal of a plane, axis otherwise), the box (minimum x, y, z, then
 * maximum), the radii and the normal sense (1 with the surface's normal,
 * -1 against). Lengths in model units; an occurrence face answers in the
 * occurrence's coordinates. 875288: not a face of the solid kernel;
 * 1105024: an occurrence whose part is not fully loaded. */
KXAPI int KX_MODL_ask_face_data(tag face, int* type, double point[3], double direction[3], double box[6],
                                double* radius, double* radius2, int* normal_sense);
/* {minimum u, maximum u, minimum v, maximum v}; 1 when the face has no
 * kernel face. */
KXAPI int KX_MODL_ask_face_uv_minmax(tag face, double box[4]);
/* 875120: a mode not listed above (the record stays as it was); 1 when the
 * face has no surface to evaluate. */
KXAPI int KX_MODL_evaluate_face(tag face, int mode, double uv[2], face_value_record* value);

KX_END_DECLS

#endif
