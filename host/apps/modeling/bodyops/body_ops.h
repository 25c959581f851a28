/* Whole-body operations of the modelling library: mirror and trim
 * features (the kernel mirrors or trims the body, the update makes it
 * again), splits of bodies, and sews of sheet bodies.
 *
 * Planes: a plane (HOST_TYPE_PLANE) or datum plane (HOST_TYPE_DATUM_PLANE)
 * with its point and normal (host::profiles::direction_data).
 *
 * MIRROR_create_frec (body, 0, plane, 0, 0, record): a feature
 * "MIRROR_BODY" of the body (a kernel body) mirrored in the plane.
 * TRIM_body (body, tool, 1, side, 1, 0, record): a feature "TRIM_BODY" of
 * the body (an object) cut by the tool plane; side 0 keeps what lies
 * behind the plane (against its normal), 1 what lies in front.
 * pxsplt_ (bodies, n, plane, results, count, error): each kernel body of
 * the list split by the plane; the result list gets every piece (the
 * bodies, then the new front pieces). cm_ftn_split_solid (bodies, sheet,
 * results, count, error): the same with a sheet body. *error is 0, or the
 * kernel's code (the model is then as before).
 * SEW_create_frec (tolerance, flag, instances, bodies, target faces, tool
 * faces, results, feature): sews the tool sheets (bodies list, after the
 * first, the target) onto the target sheet within the tolerance; a closed
 * result becomes a solid. The result list gets the target body. The
 * feature "SEW" records the target and its tools; the tools' features go
 * into it (they are made again on their own no longer). A tool sheet that
 * one feature made (its only feature) follows that feature: when the
 * update makes the feature's sheet again from its definition, the sew
 * takes the new sheet in place of the old and the target is made again
 * (also in a part read back). A sew of faces (both
 * face lists filled, the bodies list holding the target and the tool):
 * the target loses its faces of the target list, the tool its faces of the
 * tool list, and what is left of both is sewn into the target body (the
 * tool is consumed; ZQ_BODY_sew_faces); the feature "SEW" lives on the
 * target and is made again with it. instances 1 marks a sew of faces of
 * instances of sets (SEW_is_instance_sew).
 * SEW_is_tool_body answers 1 for a body that a sew took as a tool.
 * FREF_ask_face_label_of_fref answers the feature whose own step made the
 * face of the reference (0 for none); ISET_is_an_instance_frec 1 for a
 * circular or linear instance set.
 * SEW_create_multiple_sews (body, tools[4], mode, ...): sews each of the
 * four tool sheets (0: none) onto the body (a kernel sheet body), one sew
 * feature each, in order, within the tolerance of 0.001 (mode 1) or 0.01
 * (mode 0); *first: the sew features made (SM_alloc), *second: the body
 * object; a sew that the kernel or the feature service refuses ends the
 * work with its code, *first then holds the sews made before it and
 * *second is not written. Any other error (answered by a sew, or raised on
 * the way) takes every sew of the call back and hands out nothing.
 * SEW_ask_sew_sheet_body (feature, target, n_tools, tools, tolerance): a
 * sew of sheets: its target body, its tool bodies (SM_alloc; free with
 * SM_free) and its tolerance.
 * SEW_ask_solid_faces (feature, four pairs of count and array (SM_alloc),
 * tolerance): a sew of faces: its target faces and tool faces as the sew
 * took them, in the first two pairs; those of a sew of faces of instances
 * of sets go to the last two pairs instead (the first two then empty).
 * Faces keep the tags they had when sewn. Every array is allocated, also
 * when empty. A feature that is no sew of the kind answers
 * SEW_ERR_OTHER_KIND and writes nothing.
 * Part files keep the sews (section "SEWS"): the queries answer the same
 * after reopening, save that bodies and faces the sew consumed (not
 * written with the part) answer NULL_TAG in their places.
 * Answers: 0, FEAT_ERR_BAD_PARAMETERS for a plane that is none, or the
 * kernel's code.
 */
#ifndef HOST_BODYOPS_BODY_OPS_H
#define HOST_BODYOPS_BODY_OPS_H

#include "host/base/services/codes.h"

/* A sew query of a feature that is no sew of the kind asked. */
#define HOST_SEW_CODES(X) X(SEW_ERR_OTHER_KIND, 660010)
HOST_BARE_CODE_CONSTANTS(HOST_SEW_CODES);

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

int MIRROR_create_frec(int body, int a, unsigned int plane, int b, int c, unsigned int* record);
int TRIM_body(unsigned int body, unsigned int tool, int a, int side, int b, int c, unsigned int* record);
void pxsplt_(const int* bodies, const int* n, const unsigned int* plane, const int* results, int* count, int* error);
void cm_ftn_split_solid(const int* bodies, const int* sheet, const int* results, int* count, int* error);
int SEW_create_frec(double tolerance, int flag, int instances, int bodies, int target_faces, int tool_faces,
                    int results, unsigned int* feature);
int SEW_is_tool_body(unsigned int body);
int SEW_is_instance_sew(unsigned int feature);
unsigned int FREF_ask_face_label_of_fref(unsigned int fref);
int ISET_is_an_instance_frec(unsigned int feature);
int SEW_ask_sew_sheet_body(unsigned int feature, unsigned int* target, int* n_tools, unsigned int** tools,
                           double* tolerance);
int SEW_ask_solid_faces(unsigned int feature, int* n1, unsigned int** a1, int* n2, unsigned int** a2, int* n3,
                        unsigned int** a3, int* n4, unsigned int** a4, double* tolerance);
int SEW_create_multiple_sews(int body, unsigned int tool1, unsigned int tool2, unsigned int tool3, unsigned int tool4,
                             int mode, int* n_first, unsigned int** first, int* n_second, unsigned int** second);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
