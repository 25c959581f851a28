/* Features made of other features: circular and linear instance sets,
 * offsets of faces and of the faces features made, and sheets extracted
 * from faces. Each is a feature of the update service (host/model/feature/
 * feature.h) made again with its body.
 *
 *   CIRCULAR_ISET  Number, Angle (degrees): copies of the tools of its
 *                  source features turned about an axis by 1 .. Number-1
 *                  times the angle, applied as the sources were (cut or
 *                  united) in one step after them. The axis is that of a
 *                  datum-axis feature when one is given, else the point
 *                  (three coordinate texts) and the direction.
 *   LINEAR_ISET    Number X, Spacing X, Number Y, Spacing Y: copies moved
 *                  by i * Spacing X along the part's X axis and j * Spacing
 *                  Y along its Y axis (every i < Number X, j < Number Y but
 *                  the source's own place).
 *   OFFSET         Offset: the faces (kernel tags) moved along their
 *                  normals by the offset, the body following.
 *   EXTRACT_FACE   a sheet body of one face: mode 0 the face, 1 the face
 *                  with its holes filled, 2 its surface over the face's
 *                  parameter box.
 * Sources of an instance set are features of one body that cut or unite
 * a tool (holes, bosses, pockets, pads, slots: FMA_can_be_instanced), all
 * cutting or all uniting. The set's copies are those of the sources'
 * tools: the update makes them again from the tools as they are then
 * (host/apps/modeling/sets/instance_set_rows.h), and a part file keeps the sources.
 * The number and spacing are taken as they are when the set is made.
 *
 * Creators write the status (0, or the code of the failure: the model is
 * then as before) and answer the new feature through
 * CM_GBL_ask_created_frec (0 after a failure). Sizes the kernel cannot
 * build or fewer than one copy give FEAT_ERR_BAD_PARAMETERS, sources of
 * several bodies or of no tool FEAT_ERR_BAD_REFERENCE.
 */
#ifndef HOST_FEATURE_INSTANCE_SETS_H
#define HOST_FEATURE_INSTANCE_SETS_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* The host's type name of a feature, SM_alloc: "META" for a meta record
 * (a boolean, a set), "PROJ_DCURVE" for a projected curve, else its kind. */
char* ui_get_feature_type(unsigned int feature);
/* 1 for a datum-axis feature (kind "DATUM_AXIS": its first result is the
 * datum axis), else 0. */
int ui_is_datum_axis_feature(unsigned int feature);
/* 1 for a live feature of a part that the browser shows, else 0. */
int is_design_feature(unsigned int feature, int mode);
/* 1 for a boolean between bodies (UNITE, SUBTRACT, INTERSECT). */
int FREC_is_it_one_of_the_booleans(unsigned int feature);
/* 1 for the meta record of a user-defined feature, of a copied body's tool. */
int UDF_is_a_udf_meta_frec(unsigned int feature);
int COPY_BODY_ask_copy_tool_of_meta(unsigned int feature);
/* 1 when the feature cuts or unites a tool of its own into its body. */
int FMA_can_be_instanced(unsigned int feature);

/* Instance sets of the features of a host list (kind 10001). */
void ui_create_circular_iset(int list, const char* const origin[3], const char* number, unsigned int axis_feature,
                             const char* angle, const double direction[3], int method, int* status);
void ui_create_linear_iset(int list, const char* number_x, const char* spacing_x, const char* number_y,
                           const char* spacing_y, int method, int* status);
/* Offsets of the faces of a kernel list (kind 10003), of the faces that
 * the features of a feature list (kind 10001) made. */
void ui_create_offset_facs1_(const char* offset, const int* list, int* status);
void ui_create_offset_ftrs1_(const char* offset, const int* list, int* status);
/* An EXTRACT_FACE feature of the face (mode 0 to 2; flag unused): its tag
 * in *result; a failure raises its code. */
void MODL_extract_face(unsigned int face, int mode, int flag, unsigned int* result);
/* The feature the last successful creator here made (0 after a failure). */
unsigned int CM_GBL_ask_created_frec(void);

/* Sets and their instances. The members of a set are the features it
 * copies, in the order given. An instance (host/model/feature/positioning.h:
 * ISET_ask_instance_position, ISET_ask_initial_master_of_ins) belongs to
 * the live set that copies its initial master; once no set copies it any
 * longer, its set is deleted. A tag of no instance set raises
 * FEAT_ERR_BAD_PARAMETERS where a set is needed.
 *
 * ISET_ask_members       the set's members (SM_alloc, null when none)
 * ISET_ask_master_instance  the instance that stands at the set's own
 *                        place (row 0, column 0) of its first member, 0
 *                        for none: the set holds it apart from its members
 * ui_get_iset_feature    the set of the instance, 0 for none
 * ISET_is_iset_deleted   1 for an instance whose set is deleted, else 0
 * ISET_ask_composite_motion  the motion that carries the master onto the
 *                        instance: a 4 x 4 matrix, rows first, that maps
 *                        (x, y, z, 1); a linear set moves column times
 *                        Spacing X along the part's X axis and row times
 *                        Spacing Y along its Y axis, a circular set turns
 *                        column times the angle about its axis (values as
 *                        the set was last built). The identity for the
 *                        instance at (0, 0) and for an instance whose set
 *                        is deleted; a feature that is no instance raises
 *                        FEAT_ERR_BAD_PARAMETERS. */
void ISET_ask_members(unsigned int set, int* count, unsigned int** members);
unsigned int ISET_ask_master_instance(unsigned int set);
unsigned int ui_get_iset_feature(unsigned int instance);
int ISET_is_iset_deleted(unsigned int instance);
void ISET_ask_composite_motion(unsigned int instance, double motion[16]);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
