/* Face blends of the modelling library: the user-interface data of a blend
 * between two sets of faces, the blend feature made from it and the data
 * read back from a feature.
 *
 * BLEF_ui_data_t holds what a face-blend dialog edits: the two face sets
 * (SM_alloc arrays owned by the data, filled by BLEF_fill_faces_set), five
 * flags, three options, auxiliary objects, curves in two slot groups of two
 * slots each, radius objects, the trim option (one of the BLEF_TRIM_*
 * codes), the radius law's flag, variation and kind, the tolerance and
 * radius expression texts, three law slots (host laws owned by the data:
 * the record and its arrays are SM_alloc blocks; a law's reals are its
 * values, and a constant law, type 1, holds its value twice) and three
 * blocks of limits. BLEF_init_ui_data fills the defaults;
 * BLEF_clean_ui_data frees what the data owns and leaves it as
 * BLEF_init_ui_data made it.
 *
 * BLEF_create_feature builds the feature (kind "FACE_BLEND") on the body of
 * the first face through the solid kernel: the blend runs along every edge
 * that a face of the first set shares with a face of the second. Radius
 * kind 0 takes the radius text (an expression of the feature: editing it
 * and updating changes the body); kind 1 (curve-driven) the distance of
 * the middle of the first curve from the nearest of those edges, so that
 * the blend's edge runs along the curve where the faces meet at right
 * angles; kinds 2 to 6 take the first value of the first law slot that
 * holds one (the main law before the range laws). Every other value
 * (flags, options, curves, trim option, laws, tolerance, limits) is kept
 * with the feature as given, saved with its part (section "BLFB") and read
 * back by BLEF_load_ui_data_from_parms; the kernel's blend does not use
 * them. A law's spine and law curve are not saved (they read back as 0
 * after the part is opened again), nor are objects that were not saved
 * with the part (0; the faces then read back as the feature's faces). Failures are written to *error (nothing is
 * left behind): FEAT_ERR_BAD_PARAMETERS for an empty face set or a kind
 * without a radius, FEAT_ERR_BAD_REFERENCE for an object that is no face or
 * faces of different bodies, an expression's code for a text that is no
 * expression, the kernel's code when the blend cannot be built.
 *
 * The trim option is stored as a number of the feature's own (see
 * BLEF_stored_trim / BLEF_trim_of_stored).
 */
#ifndef HOST_BLEND_FACE_BLEND_H
#define HOST_BLEND_FACE_BLEND_H

#include "host/model/feature/profiles.h"

#define BLEF_TEXT_CHARS    256
#define BLEF_LIMIT_DOUBLES 15

/* Trim options. */
#define BLEF_TRIM_ALL_LONG  17401
#define BLEF_TRIM_ALL_SHORT 17402
#define BLEF_TRIM_ALL       17403
#define BLEF_TRIM_NONE      17404
#define BLEF_TRIM_FIRST     17420
#define BLEF_TRIM_SECOND    17421

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

typedef struct BLEF_ui_data_s {
    int number_of_faces[2];
    unsigned int* faces[2];
    unsigned char flags[5];
    unsigned char options[3];
    int number_of_aux_objects;
    unsigned int* aux_objects;
    /* Curves: group (0 or 1), slot within the group (0: curves of entity
     * type 70, 1: others). */
    int number_of_curves[2][2];
    unsigned int* curves[2][2];
    int trim_option;
    int law_flag, variation, kind;
    char tolerance[BLEF_TEXT_CHARS];
    char radius[BLEF_TEXT_CHARS];
    host_law* laws[3];
    unsigned char limits_active[3];
    double limits[BLEF_LIMIT_DOUBLES];
} BLEF_ui_data_t;

void BLEF_init_ui_data(BLEF_ui_data_t* data);
void BLEF_clean_ui_data(BLEF_ui_data_t* data);
/* Copies n faces into set 0 or 1 of the data. */
void BLEF_fill_faces_set(BLEF_ui_data_t* data, int set, int n, const unsigned int faces[]);
/* 1 when the trim option is one of the BLEF_TRIM_* codes and fits the
 * face sets. */
int BLEF_is_trim_option_valid(int trim_option, const BLEF_ui_data_t* data);
void BLEF_create_feature(BLEF_ui_data_t* data, unsigned int* feature, int* error);
/* The blend made as faces instead of a feature: the faces the blend would
 * make become a new sheet body of the work part (no feature; the solid
 * stays as it is). *faces are the sheet's faces, *met the solid's faces
 * that they meet (SM_alloc arrays, null for none). The data is checked as
 * BLEF_create_feature checks it; failures go to *error, with nothing left
 * behind. */
void BLEF_create_blend(BLEF_ui_data_t* data, int* n_faces, unsigned int** faces, int* n_met, unsigned int** met,
                       int* error);
void BLEF_load_ui_data_from_parms(unsigned int feature, BLEF_ui_data_t* data);
/* A new host law (SM_alloc, all zero) and its release with its arrays. */
host_law* BLEF_new_law(void);
void BLEF_free_law(host_law* law);
/* The reals of law slot 0 (main), 1 or 2 of a face blend: *n values in a
 * new SM_alloc array (one for a constant law); 0 with *n = 0 when the slot
 * is empty. BLEF_set_law_reals replaces them (a constant law takes exactly
 * one value, another law exactly as many as it holds; else
 * FEAT_ERR_BAD_PARAMETERS); the blend's radius follows at the next update
 * when the law gives it. */
int BLEF_ask_law_reals(unsigned int feature, int slot, int* n, double** reals);
int BLEF_set_law_reals(unsigned int feature, int slot, int n, const double reals[]);
/* 1 when the feature is a face blend made by BLEF_create_feature. */
int BLEF_is_face_blend(unsigned int feature);
/* The feature's stored trim number (-1 for no trim code) and back (0 for
 * no stored number). */
int BLEF_stored_trim(int trim_option);
int BLEF_trim_of_stored(int stored);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
