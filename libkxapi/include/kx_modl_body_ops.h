/* Whole-body features: scale features of one, two or three factors and
 * hollows; points features and datums from a point and a direction;
 * face divisions, mirror, trim, split and sew. Planes are planes or datum
 * planes. */
#ifndef KX_MODL_BODY_OPS_H
#define KX_MODL_BODY_OPS_H

#include "kx_modl.h"
#include "kx_types.h"

KX_BEGIN_DECLS

/* Slots of the factor texts: three of 256 bytes each. A factor is an
 * expression text of at most 132 characters. */
#define KX_MODL_SCALE_SLOT_CHARS 256

/* Scales each of the count bodies, one feature per body.
 * type: 0 uniform (factor 1), 1 axial (factor 1 along the axis, factor 2
 * across it), 2 general (factors 1, 2, 3 along X, Y and Z).
 * point: a point whose place is the centre of the scale (NULL_TAG: the
 * origin); axis: a line whose direction is the axis of an axial scale
 * (NULL_TAG: Z); csys: NULL_TAG (the absolute coordinate system).
 * *features: one tag per feature made, freed with KX_free; NULL on failure.
 * A failure leaves the model as it was. */
KXAPI int KX_MODL_create_scale(int type, tag* bodies, int count, tag point, tag axis, tag csys,
                               char factors[3][KX_MODL_SCALE_SLOT_CHARS], tag** features);
/* Retired: a uniform scale of one body about the origin. The second
 * argument is not read. */
KXAPI int KX_MODL_create_uniform_scale(tag body, tag unused, const char* factor, tag* feature);
/* Retired: a general scale of one body by three factors (X, Y, Z). */
KXAPI int KX_MODL_create_non_uni_scale(tag body, tag unused, const char* factors[3], tag* feature);

/* Hollows the body of the faces (the current target when the list is
 * empty), thickness an expression text of at most 255 characters; the
 * faces are opened. */
KXAPI int KX_MODL_create_hollow(const char* thickness, tag_list* faces, tag* feature);
/* Group 1: faces to open (none: the current target is hollowed closed);
 * group 2: further faces to open; group 3: faces with a thickness text of
 * their own each, taken as a value when the hollow is made. The thickness
 * is an expression that the update follows. tolerance: the smallest
 * thickness taken. */
KXAPI int KX_MODL_create_variable_hollow(double tolerance, const char* thickness, int n_open, tag* open,
                                         int n_more_open, tag* more_open, int n_own, tag* own, char** own_thickness,
                                         tag* feature);

/* A points feature owning the count point objects. */
KXAPI int KX_MODL_create_points_feature(int count, tag* points, tag* feature);
/* A datum axis (plane) through the point object along (normal to) the
 * direction (a smart direction object); *datum is the datum object. */
KXAPI int KX_MODL_create_point_dirr_daxis(tag point, tag direction, tag* datum);
KXAPI int KX_MODL_create_point_dirr_dplane(tag point, tag direction, tag* datum);
/* The display size of a point-direction datum axis (0: the system's own). */
KXAPI int KX_MODL_edit_point_dirr_daxis_size(tag datum_axis, double size);
KXAPI int KX_MODL_ask_daxis_size(tag datum_axis, double* size);

/* A feature dividing the face by the curves (curve objects, the list
 * ended by NULL_TAG; NULL: 875005): project 0 takes the curves as they lie
 * on the face, 1 projects them onto the face along its normal at its
 * middle. The update makes it again with the body, on the curves where
 * they lie then (a curve deleted: where they were). The fourth and fifth
 * arguments are not read. 875288
 * for a face without a kernel face. */
KXAPI int KX_MODL_create_subdiv_face(tag* curves, int project, tag face, int unused1, int unused2, tag* feature);

/* A feature mirroring the body in the plane. */
KXAPI int KX_MODL_create_mirror_body(tag body, tag plane, tag* feature);
/* A feature trimming the body by the tool plane; side 0 keeps what lies
 * behind the plane (against its normal), 1 what lies in front. */
KXAPI int KX_MODL_trim_body(tag body, tag tool, int side, tag* feature);
/* Splits the bodies by the tool (a plane, datum plane or sheet body);
 * *results: the pieces (the bodies first), freed with KX_free. */
KXAPI int KX_MODL_split_body(int count, tag* bodies, tag tool, int* n_results, tag** results);
/* Sews tool sheets onto a target sheet within the sew tolerance: targets
 * are one sheet body (further targets are not read) or faces of one body;
 * tools are sheet bodies or faces of one other body. option 1 asks for the
 * instance check; flag is handed to the host. A closed result is a solid.
 * *bodies: the bodies made; *feature: the sew. */
KXAPI int KX_MODL_create_sew(int option, int n_targets, tag* targets, int n_tools, tag* tools, double tolerance,
                             int flag, tag_list** bodies, tag* feature);

/* Sews up to four tool sheets (NULL_TAG: none) onto the sheet body, one
 * sew feature each, in order. *sews: the sew features made (also when a
 * later sew is refused; none is handed out when no sew was made);
 * *bodies: the body, only when every sew was made. A host error on the way
 * takes every sew of the call back. */
KXAPI int KX_MODL_create_multiple_sews(tag body, tag tool1, tag tool2, tag tool3, tag tool4, tag_list** sews,
                                       tag_list** bodies);

KX_END_DECLS

#endif
