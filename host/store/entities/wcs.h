/* Coordinate systems, matrices and the work coordinate system (WCS).
 *
 * A matrix object (entity type 55) holds nine values, row by row (the X, Y
 * and Z axes). A coordinate system (entity type 45, subtype 0) holds an
 * origin and the tag of its matrix. The work coordinate system is one
 * coordinate system of the model; WCS_ask_tag answers 0 while there is
 * none (host::wcs::make_wcs sets one up). All of it is model state: undo
 * marks roll it back.
 *
 * base_WCS_Orient re-orients the work coordinate system: it makes a new
 * coordinate system (with a new matrix) at the given origin and axes in the
 * part of the present one, and makes it the work coordinate system; the old
 * one stays in the model as an ordinary coordinate system. With no work
 * coordinate system it makes one in the work part (host::wcs::set_home_part).
 *
 * Checks: a tag of no live object raises HOST_ERR_DEAD_TAG, an object of the
 * wrong type HOST_ERR_WRONG_CLASS, a null pointer HOST_ERR_NULL_ARGUMENT,
 * a matrix count other than 3 HOST_ERR_BAD_ARGUMENT.
 */
#ifndef HOST_CORE_WCS_H
#define HOST_CORE_WCS_H

#include "host/store/entities/entity_types.h"

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* The work coordinate system, or 0. */
unsigned int WCS_ask_tag(void);
/* Makes csys (type 45) the work coordinate system; answers the one before. */
unsigned int WCS_set(unsigned int csys);
/* Kind of the work coordinate system: permanent (an object of a part) or
 * temporary (made in the work part for the session). */
int WCS_is_permanent(void);
int WCS_is_temporary(void);
/* The display skeleton of the work coordinate system (its matrix), or 0. */
unsigned int WCS_ask_skeleton(void);
/* Re-orients the work coordinate system (see above). */
void base_WCS_Orient(const double origin[3], const double matrix[9]);

void ES_ask_csys_origin(unsigned int csys, double origin[3]);
/* Matrix of a coordinate system, an arc or a conic; a matrix answers
 * itself; other objects 0. */
void ES_ask_matrix_tag_of_entity(unsigned int object, unsigned int* matrix);
void ES_ask_elements_of_matrix(unsigned int matrix, double values[9]);
/* New matrix object in the part from count (3) rows of three values. */
void ES_create_matrix_in_part(unsigned int part, const double* values, int count, unsigned int* matrix);
/* New coordinate system in the matrix's part. */
void ES_create_csys_0(const double origin[3], unsigned int matrix, unsigned int* csys);

#pragma GCC visibility pop
#ifdef __cplusplus
}

namespace host::wcs {
// Makes a coordinate system with its matrix in the part (no host call
// journalled) and, when make_work is true, the work coordinate system.
unsigned int make_csys(unsigned int part, const double origin[3], const double matrix[9], bool make_work);
// Sets up a work coordinate system at the absolute origin and axes.
unsigned int make_wcs(unsigned int part);
// Part where base_WCS_Orient makes the first work coordinate system.
void set_home_part(unsigned int part);
// Marks the present work coordinate system as temporary (true) or permanent.
void set_temporary(bool temporary);
// Moves the origin of a coordinate system, or gives it another matrix
// object (no host call journalled; the caller has checked the tags).
void set_origin(unsigned int csys, const double origin[3]);
void set_matrix(unsigned int csys, unsigned int matrix);
}  // namespace host::wcs
#endif

#endif
