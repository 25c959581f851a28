/* Coordinate systems, orientation matrices and the work coordinate system.
 *
 * A matrix object holds nine values row by row: the X, Y and Z axes of an
 * orientation (unit length, mutually perpendicular). A coordinate system is
 * an origin (absolute coordinates) with a matrix object. Every function
 * returns a status code, 0 on success.
 */
#ifndef KX_CSYS_H
#define KX_CSYS_H

#include "kx_types.h"

KX_BEGIN_DECLS

/* Coordinate spaces of KX_CSYS_map_point. */
#define KX_CSYS_ROOT_COORDS 1 /* absolute coordinates of the displayed part */
#define KX_CSYS_WCS_COORDS  2 /* the work coordinate system */
#define KX_CSYS_WORK_COORDS 3 /* absolute coordinates of the work part */

/* Maps a point from one space to another; works without a session.
 * 1100000 when a space code is not 1, 2 or 3. */
KXAPI int KX_CSYS_map_point(int input_space, const double point[3], int output_space, double result[3]);

/* A new matrix object in the work part; 1105004 when the values are not
 * orthonormal (then *matrix is NULL_TAG). */
KXAPI int KX_CSYS_create_matrix(const double values[9], tag* matrix);
KXAPI int KX_CSYS_ask_matrix_values(tag matrix, double values[9]);
/* The orientation matrix of an object (a coordinate system's, an arc's or
 * a conic's matrix; a matrix answers itself); for a face of a solid body
 * one is made from its surface (a new matrix object each call; NULL_TAG
 * for surfaces without an axis; 1105004 when the surface's reference
 * direction runs along its axis, so that it gives no frame). */
KXAPI int KX_CSYS_ask_matrix_of_object(tag object, tag* matrix);
/* Gives the object (an arc, a conic, a coordinate system ...) another matrix. */
KXAPI int KX_CSYS_edit_matrix_of_object(tag object, tag matrix);

/* A new coordinate system, displayed (create_csys) or a temporary one in
 * the work part (create_temp_csys). 1105012 without an active part; 875027
 * for a null matrix; 875033 for a tag that is not a matrix. */
KXAPI int KX_CSYS_create_csys(const double origin[3], tag matrix, tag* csys);
KXAPI int KX_CSYS_create_temp_csys(const double origin[3], tag matrix, tag* csys);
KXAPI int KX_CSYS_ask_csys_info(tag csys, tag* matrix, double origin[3]);
/* Moves a coordinate system's origin (absolute coordinates); 1105004 for
 * a null coordinate system, 1105005 for a null origin. */
KXAPI int KX_CSYS_set_origin(tag csys, const double origin[3]);

/* The work coordinate system. set_wcs answers 1105004 for a tag that is
 * not a coordinate system. */
KXAPI int KX_CSYS_set_wcs(tag csys);
KXAPI int KX_CSYS_ask_wcs(tag* csys);

KX_END_DECLS

#endif
