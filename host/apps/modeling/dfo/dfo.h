/* Direct face operations of the modelling library: the operation data a
 * dialog (or the interface) fills, the features made from it and the data
 * read back from a feature.
 *
 * Every operation works on a region of faces of one solid body: three face
 * sets (seed faces, second faces, third faces), arrays from SM_alloc that
 * belong to whoever fills the data (the host reads them; a load of a
 * feature's data fills new ones that the caller frees). The faces of the
 * region are the seed and second faces; the third set is kept with the
 * feature as given. DFO_region_process extracts the region's faces into
 * the region (released by DFO_region_extraction_clear) and answers 0, or
 * DFO_ERR_REGION when there are none or they are not faces of one solid
 * body; DFO_region_extract_faces does the same without the answer.
 *
 * The features, made by the feature service (host/model/feature/feature.h) and
 * made again by the update:
 *   face constraint  ("FACE_CONSTRAINT") moves the constrained face (and
 *                    the region's faces) along its normal so that it lies
 *                    at the value from the plane of the target face (a
 *                    planar face of the same body, parallel to it);
 *   resize face      ("RESIZE_FACE") gives the cylindrical or spherical
 *                    faces (first set) the radius of the resize text;
 *   replace face     ("REPLACE_FACE") puts the planar faces (first set)
 *                    into the plane of the first replacement face (third
 *                    set);
 *   offset region    ("OFFSET_REGION") moves the region's faces along
 *                    their normals by the offset;
 *   face pattern     ("PATTERN_FACE") copies the region: rectangular (two
 *                    directions, counts and spacings), circular (about an
 *                    axis, count, angle between copies) or mirror (in a
 *                    plane);
 *   local scale      ("LOCAL_SCALE") scales the region about the point of
 *                    its reference object: type 0 by one factor about the
 *                    first object's point, type 1 by the first factor
 *                    across Z and the second along Z about the first
 *                    object's point, type 2 by three factors along X, Y and
 *                    Z about the third object's point (no object: the
 *                    origin);
 *   move region      ("MOVE_REGION") moves the region by its transform.
 * Pattern, scale and move take the region off the body and put it back
 * (host/kernel/ops/face_edits.h); the others move faces. The value texts (resize,
 * offset, constraint value, spacings, angle, displacement, factors) become
 * the feature's expressions: editing them and updating changes the body.
 *
 * Objects that give geometry: a point object (its point); a line or a
 * straight edge (its start and direction); a planar face (a point and its
 * outward normal); a cylindrical face (its axis). Directions, axes, planes
 * and points are taken when the feature is made or edited.
 *
 * Transforms of move region: TRANS_pp_create (from point, to point),
 * TRANS_dist_create (direction, displacement text), TRANS_angle_create
 * (axis, point on the axis or 0, angle text in degrees), TRANS_aa_create
 * (from axis, to axis, pivot point or 0: the from axis turned and moved
 * onto the to axis) answer a transform (> 0) that a move-region data names;
 * TRANS_*_edit change one, TRANS_delete drops one. TRANS_ask_data reads
 * one back: its motion type, its objects in the order of the create and
 * its text ("" for none).
 *
 * Failures are host errors with the codes below (the model is then as it
 * was): the creators and editors raise DFO_ERR_KERNEL when the kernel
 * cannot make the change and pass on an expression's code for a text that
 * is no expression. A feature of another operation given to an edit or
 * load raises DFO_ERR_NOT_DFO.
 */
#ifndef HOST_DFO_DFO_H
#define HOST_DFO_DFO_H

#include "host/base/services/codes.h"

#define DFO_TEXT_CHARS        256
#define LSCALE_FACTOR_CHARS   133
#define LSCALE_FACTOR_TEXTS   6
#define LSCALE_DEFAULT_FACTOR "1.0000"

/* Pattern kinds. */
#define PTRN_RECTANGULAR 0
#define PTRN_CIRCULAR    1
#define PTRN_MIRROR      2

/* Motion types of move region. */
#define TRANS_POINT_TO_POINT 0
#define TRANS_DISTANCE       1
#define TRANS_ANGLE          2
#define TRANS_AXIS_TO_AXIS   3

/* The band of the direct face operations (3190001 to 3190024), listed
 * once: the constants and the host's texts of the codes (dfo.cpp). */
#define HOST_DFO_CODES(X)                                                                                 \
    X(DFO_ERR_REGION, 3190001, "The region of faces cannot be processed")                                 \
    X(DFO_ERR_SEED, 3190002, "The seed faces are not faces of one solid body")                            \
    X(DFO_ERR_CONSTRAINT, 3190003, "The face constraint is not valid")                                    \
    X(DFO_ERR_FROM_FACE, 3190004, "The constrained face is not a planar face of a solid body")            \
    X(DFO_ERR_TO_OBJECT, 3190005, "The constraint's target is not a planar face of the constrained body") \
    X(DFO_ERR_POINT, 3190006, "The object is not a point")                                                \
    X(DFO_ERR_REFERENCE, 3190007, "The object gives no direction, axis or plane")                         \
    X(DFO_ERR_COUNT, 3190008, "A pattern count is below 1")                                               \
    X(DFO_ERR_NOT_DFO, 3190009, "The feature is not of this direct face operation")                       \
    X(DFO_ERR_KERNEL, 3190010, "The solid kernel cannot make the change")                                 \
    X(DFO_ERR_TRANSFORM, 3190011, "The transform does not exist")                                         \
    X(DFO_ERR_SCALE_TYPE, 3190012, "The scale type is not 0, 1 or 2")                                     \
    X(DFO_ERR_REPLACEMENT, 3190024, "The replacement faces cannot take the place of the faces")

HOST_CODE_CONSTANTS(HOST_DFO_CODES);

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

typedef struct DFO_region_s {
    int number_of_faces[3];
    unsigned int* faces[3];
    int number_of_extracted; /* the region's faces found by processing */
    /* Set by a load: the feature whose region this is. While the seed and
     * second sets are the feature's own, the region stands as the feature
     * has it (its faces may be gone from the body: the operation took
     * them), and an edit keeps the feature's faces. */
    unsigned int feature;
} DFO_region_t;

typedef struct DFO_constraint_s {
    int constraint_type;
    unsigned int from_face;
    unsigned int to_object;
    unsigned int to_parent; /* DFO_util_dirr_get_parent of to_object */
    unsigned int point;
    char value[DFO_TEXT_CHARS];
} DFO_constraint_t;

typedef struct DFO_data_s {
    DFO_region_t region;
    int number_of_constraints;
    DFO_constraint_t constraint;
} DFO_data_t;

typedef struct RESIZEF_data_s {
    DFO_region_t region;
    char resize[DFO_TEXT_CHARS];
} RESIZEF_data_t;

typedef struct REPF_data_s {
    DFO_region_t region;
    int value;
    unsigned char value_absent; /* set when value is 0 */
    unsigned char option;
} REPF_data_t;

typedef struct OFST_data_s {
    DFO_region_t region;
    char offset[DFO_TEXT_CHARS];
} OFST_data_t;

typedef struct PTRN_data_s {
    DFO_region_t region;
    int kind;
    int count[2];
    char count_text[2][DFO_TEXT_CHARS];
    unsigned int direction[2];
    char spacing[2][DFO_TEXT_CHARS];
    unsigned int axis;
    char angle[DFO_TEXT_CHARS];
    unsigned int plane;
} PTRN_data_t;

typedef struct LSCALE_data_s {
    int type;
    int scale_type;
    unsigned int reference[3];
    char factor[LSCALE_FACTOR_TEXTS][LSCALE_FACTOR_CHARS];
    DFO_region_t region;
} LSCALE_data_t;

typedef struct MOVEF_data_s {
    DFO_region_t region;
    int motion_type;
    int transform;
} MOVEF_data_t;

/* ---- regions ---- */
void DFO_region_init(DFO_region_t* region);
int DFO_region_process(DFO_region_t* region);
void DFO_region_extract_faces(DFO_region_t* region);
void DFO_region_extraction_clear(DFO_region_t* region);

/* ---- face constraint ---- */
/* Empty data (feature 0), or the feature's data (mode 1). */
void DFO_data_init_data(unsigned int feature, int mode, DFO_data_t* data);
/* 0, or the code of the check. */
int DFO_data_check_seed(const unsigned int faces[], int n);
int DFO_data_check_from_face(unsigned int face);
int DFO_data_check_to_object(unsigned int object);
int DFO_data_check_point(unsigned int point);
/* The body of a face, else the object itself. */
unsigned int DFO_util_dirr_get_parent(unsigned int object);
/* 0, or DFO_ERR_CONSTRAINT: the faces are not parallel, the constrained
 * face is the target, the value is no expression of the part. */
int DFO_constraint_validate(const DFO_data_t* data);
/* The text of a code of the band ("" for another code). */
const char* DFO_error_get_msg(int code);
/* Answers the new feature's entity id. */
unsigned int DFO_create(DFO_data_t* data);
void DFO_edit(unsigned int feature, DFO_data_t* data);
/* The data the next dialog starts from (null: none). */
void DFO_data_set_current(DFO_data_t* data);
int DFO_is_dfo_feature(unsigned int feature);
void DFO_data_feature_data_read(unsigned int feature, DFO_data_t* data);

/* ---- the other operations: init (feature 0: empty; else mode 1 loads
 * the feature's data), create (answers the new feature's entity id, as
 * DFO_create: CM_ask_eid_of_object gives its tag), edit, is ---- */
void RESIZEF_data_init_data(unsigned int feature, int mode, RESIZEF_data_t* data);
unsigned int RESIZEF_create(RESIZEF_data_t* data);
void RESIZEF_edit(unsigned int feature, RESIZEF_data_t* data);
int RESIZEF_is_resizef_feature(unsigned int feature);

void REPF_data_init_data(unsigned int feature, int mode, REPF_data_t* data);
unsigned int REPF_create(REPF_data_t* data);
void REPF_edit(unsigned int feature, REPF_data_t* data);
int REPF_is_repf_feature(unsigned int feature);

void OFST_data_init_data(unsigned int feature, int mode, OFST_data_t* data);
unsigned int OFST_create(OFST_data_t* data);
void OFST_edit(unsigned int feature, OFST_data_t* data);
int OFST_is_ofst_feature(unsigned int feature);

void PTRN_data_init_data(unsigned int feature, int mode, PTRN_data_t* data);
unsigned int PTRN_create(PTRN_data_t* data);
void PTRN_edit(unsigned int feature, PTRN_data_t* data);
int PTRN_is_ptrn_feature(unsigned int feature);

/* The local scale's data: the six factor texts as the feature was given
 * them (those its type uses are its expressions now). */
void LSCALE_load_data(unsigned int feature, int mode, LSCALE_data_t* data);
unsigned int LSCALE_create(LSCALE_data_t* data);
void LSCALE_edit(unsigned int feature, LSCALE_data_t* data);
int LSCALE_is_lscale_feature(unsigned int feature);

void MOVEF_data_init_data(unsigned int feature, int mode, MOVEF_data_t* data);
unsigned int MOVEF_create(MOVEF_data_t* data);
void MOVEF_edit(unsigned int feature, MOVEF_data_t* data);
int MOVEF_is_movef_feature(unsigned int feature);

/* ---- transforms ---- */
int TRANS_pp_create(unsigned int from_point, unsigned int to_point);
int TRANS_dist_create(unsigned int direction, const char* displacement);
int TRANS_angle_create(unsigned int axis, unsigned int point, const char* angle);
int TRANS_aa_create(unsigned int from_axis, unsigned int to_axis, unsigned int pivot_point);
void TRANS_pp_edit(unsigned int from_point, unsigned int to_point, int transform);
void TRANS_dist_edit(unsigned int direction, const char* displacement, int transform);
void TRANS_angle_edit(unsigned int axis, unsigned int point, const char* angle, int transform);
void TRANS_aa_edit(unsigned int from_axis, unsigned int to_axis, unsigned int pivot_point, int transform);
void TRANS_delete(int transform);
/* objects: 3 entries (0 past the type's count); text: DFO_TEXT_CHARS. */
void TRANS_ask_data(int transform, int* motion_type, unsigned int objects[3], char text[DFO_TEXT_CHARS]);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
