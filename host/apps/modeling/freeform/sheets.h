/* The host's constructors of sheets made from faces, sheets and points:
 * variable offsets of a face, thickened sheets, bridge faces, surfaces
 * fitted to clouds of points and reversed normals. Each makes a feature of
 * the work part whose body the solid kernel computes (host/kernel/engine/
 * ff_sheets.h); a failing constructor leaves the model as it was.
 *
 * Feature kinds: "VARIABLE_OFFSET", "THICKEN_SHEET" (with the definition
 * of host/apps/modeling/freeform/freeform_defs.h), "BRIDGE_SURFACE", "SURFACE_FROM_CLOUD"
 * (each a new body) and "FLIP_NORMAL" (an edit of the sheet it turns over).
 */
#ifndef HOST_FREEFORM_SHEETS_H
#define HOST_FREEFORM_SHEETS_H

#include "host/base/services/codes.h"
#include "host/model/feature/profiles.h"

#define VAROFF_N_TEXTS 14
#define THICKEN_SHEET_TEXT 133

/* Host answers of the bridge constructor. */
#define HOST_BRIDGE_SURFACE_CODES(X)                                                     \
    X(BRIDGESRF_ERR_BAD_INPUT, 671121) /* a face, edge or direction that does not fit */ \
    X(BRIDGESRF_ERR_NOT_BUILT, 671123) /* the kernel built no surface */
HOST_BARE_CODE_CONSTANTS(HOST_BRIDGE_SURFACE_CODES);

/* Answers of THICKEN_SHEET_construct. */
#define THICKEN_DONE           0
#define THICKEN_NOT_A_SHEET    1 /* the sheet is no sheet body */
#define THICKEN_FAILED_FACES   2 /* the kernel failed; the faces it failed on are listed */
#define THICKEN_NOT_BUILT      3 /* the offsets enclose nothing, or the kernel failed */
#define THICKEN_BAD_OFFSET     4 /* an offset text is no valid expression */
#define THICKEN_UNITE_FAILED   5
#define THICKEN_SUBTRACT_FAILED 6
#define THICKEN_INTERSECT_FAILED 7
#define THICKEN_TARGET_NOT_SOLID 8

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* ---- variable offset ----
 * texts: the four offset formulas, the (u, v) of the four points as eight
 * texts, the distance and angle tolerances; the host keeps its own copies
 * (the offsets as the feature's expressions). *error is 0 when the feature
 * was made (then *feature), else the failure's code. */
void VAROFF_create_frec(unsigned int face, char* const texts[VAROFF_N_TEXTS], unsigned int* feature, int* error);
/* The kernel body the feature lives on (0 for none). */
int FREC_ask_top_target_of_frec(unsigned int feature);

/* ---- thickened sheet ---- */
typedef struct THICKEN_SHEET_rec_s {
    unsigned int sheet;                 /* a sheet body */
    char first_offset[THICKEN_SHEET_TEXT];
    char second_offset[THICKEN_SHEET_TEXT];
    char pad[2];
    int boolean_type;                   /* 0 new body, 1 unite, 2 subtract, 3 intersect */
    unsigned int target;                /* the body combined with (boolean 1 to 3) */
    double tolerance;
    int n_faces;                        /* answer 2: faces the kernel failed on */
    unsigned int* faces;                /* SM_alloc, the caller frees */
} THICKEN_SHEET_rec_t;
/* The current target body of the part (0 for none). */
unsigned int BREF_ask_current_bref(unsigned int part);
/* Answers THICKEN_* ; the new feature in *feature on success. */
int THICKEN_SHEET_construct(THICKEN_SHEET_rec_t* record, unsigned int* feature);

/* ---- bridge surface ----
 * Slot 0 and 1: the main faces and their edges; 2 and 3: side faces with
 * their side edges (0 for none). */
typedef struct BRIDGESRF_data_s {
    unsigned int faces[4];
    unsigned int edges[4];
    int directions[2];
    int types[4];
    int n_faces;
    int curves[2];   /* curve-manager objects of side strings */
    int n_curves;
    double tolerance;
    double angle_tolerance;
    unsigned int created;  /* the new sheet body */
} BRIDGESRF_data_t;
void BRIDGESRF_init_data(BRIDGESRF_data_t* data);
/* Writes 0 or BRIDGESRF_ERR_* (or a kernel code) to *error; answers it. */
int BRIDGESRF_pi_method(BRIDGESRF_data_t* data, int* error);

/* ---- surface from a cloud of points ---- */
typedef struct CLOUD_boundary_s {
    int n_points;
    const double* points;  /* three doubles each, a closed polygon in order */
} CLOUD_boundary_t;
/* 1 when the boundary seen along the frame's Z (frame: origin, then rows
 * X, Y, Z; null: the world) is a convex polygon, else 0. */
int CLOUD_is_boundary_convex(const CLOUD_boundary_t* boundary, const double frame[12]);
/* Fits the surface (matrix: rows X, Y, Z or null) and answers 0 or a
 * code; the new sheet body in *result. The further outputs, when not
 * null, receive the mean and greatest distance of the points from the
 * surface and the index (from 0) of the farthest point. The option is
 * kept with the feature. */
int CLOUD_surface_from_points(int n, const double points[], const double matrix[9], const CLOUD_boundary_t* boundary,
                              int degree_u, int degree_v, int patches_u, int patches_v, int option,
                              double* mean_error, double* max_error, int* farthest, unsigned int* result);

/* ---- reverse normal ---- */
/* 1 when features after the one that made the sheet work on it. */
int FLIPNORMAL_ask_other_features(unsigned int sheet);
/* Answers 0 (the feature in *feature), 1 for an object that is no sheet
 * body, 3 when the kernel fails. */
int FLIPNORMAL_construct(unsigned int sheet, unsigned int* feature);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
