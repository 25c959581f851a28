/* Datums of the modelling library made from a point and a direction, and
 * points features.
 *
 * A point-direction datum axis (plane) is a datum object of type
 * HOST_TYPE_DATUM_AXIS (HOST_TYPE_DATUM_PLANE) in the point's part, owned
 * by a feature "DATUM_AXIS" ("DATUM_PLANE") that keeps the point object,
 * the direction object (a direction of the smart objects) and, for an
 * axis, its display size (0 at creation: the system's own size). The
 * create routines answer 0 and the datum object through *datum (the tag
 * the new record holds), or FEAT_ERR_BAD_PARAMETERS for a point that is no
 * point or a direction that is none.
 *
 * DATUM_create_fixed_axis makes a datum axis of another kind (fixed at a
 * place and direction): it has no point-direction size.
 *
 * MODL_ask_feature_of_rm_entity (host/model/feature/feature.h) answers the
 * feature that owns a datum or point. The size routines raise FEAT_ERR_BAD_PARAMETERS for a
 * feature that is no point-direction datum axis; a size below 0 raises
 * HOST_ERR_BAD_ARGUMENT.
 *
 * DATUM_ask_point_dirr_inputs answers the point and the direction a
 * point-direction datum axis or plane feature was made from: 0, or
 * FEAT_ERR_BAD_PARAMETERS for any other feature.
 *
 * POINT_create_edit_feature (count, points, mode 1, record) makes a points
 * feature "POINT_SET" that owns the count point objects (each a live point
 * of the work part): 0, or FEAT_ERR_BAD_PARAMETERS.
 *
 * Part files keep what these features were made of (section "PDDT"): the
 * size and point-direction queries answer the same after reopening; a
 * point or direction not written with the part answers 0.
 */
#ifndef HOST_BODYOPS_DATUMS_H
#define HOST_BODYOPS_DATUMS_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

int DATUM_daxis_axis_create_frec(unsigned int point, unsigned int direction, unsigned int* datum);
int DATUM_dplane_axis_create_frec(unsigned int point, unsigned int direction, unsigned int* datum);
int DATUM_create_fixed_axis(unsigned int part, const double point[3], const double direction[3], unsigned int* datum);
int DATUM_ask_point_dirr_inputs(unsigned int feature, unsigned int* point, unsigned int* direction);
int DATUM_is_daxis_axis_frec(unsigned int feature);
void DATUM_edit_point_dirr_daxis_size(unsigned int feature, double size);
void DATUM_ask_point_dirr_daxis_size(unsigned int feature, double* size);
int POINT_create_edit_feature(int count, const unsigned int points[], int mode, unsigned int* record);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
