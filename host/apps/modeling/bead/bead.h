/* Beads of the modelling library: one bead record (BEAD_data_t) that the
 * bead routines construct a feature from, read back from a feature,
 * update a feature with, check and free.
 *
 * The feature (kind "BEAD") is a step of its placement body's recipe in
 * the solid kernel: a cross-section made from the shape parameters, swept
 * along the section curves, bounded by the secondary faces or plane, and
 * united with the body (ZQ_BODY_bead, host/kernel/ops/section_sweep.h). The
 * parameters that shape the section (depth, width, side angle) are the
 * feature's expressions: editing one and updating changes the body. Every
 * other value of the record is kept with the feature as given, journalled
 * with the model and read back by BEAD_read_frec.
 *
 * Parameter slots: {text, expression, law}. On construction a slot's law
 * (a host law, SM_alloc'd with its arrays; the record owns it) gives the
 * value its first value; without a law the text is the formula (an empty
 * text counts as "0"). BEAD_read_frec fills each slot's expression (the
 * feature's expression of that parameter) and a copy of its law.
 *
 * Ownership: every array and law in a record belongs to the record;
 * BEAD_free_data frees them all and leaves the record empty (zeros), so a
 * second BEAD_free_data of the same record frees nothing.
 *
 * Failures are raised (host error frames): FEAT_ERR_BAD_PARAMETERS for a
 * record the kernel cannot build or a kind out of range,
 * FEAT_ERR_BAD_REFERENCE for a face reference that resolves to no face of
 * the target, the kernel's code when the bead cannot be built.
 */
#ifndef HOST_BEAD_BEAD_H
#define HOST_BEAD_BEAD_H

#include "host/model/feature/profiles.h"

#define BEAD_TEXT_CHARS      136
#define BEAD_SECONDARY_CHARS 133

/* Slots of the shape parameters. */
#define BEAD_DEPTH         0
#define BEAD_WIDTH         1
#define BEAD_TOP_RADIUS    2
#define BEAD_BOTTOM_RADIUS 3
#define BEAD_SIDE_ANGLE    4
#define BEAD_OFFSET        5
#define BEAD_END_LENGTH    6 /* text slots: no law */
#define BEAD_END_ANGLE     7
#define BEAD_SLOTS         8

/* Secondary kinds. */
#define BEAD_SECONDARY_NONE        (-1)
#define BEAD_SECONDARY_OWN_FACES   0
#define BEAD_SECONDARY_PLACEMENT   1
#define BEAD_SECONDARY_DATUM_PLANE 2
#define BEAD_SECONDARY_PLANE       3

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

typedef struct BEAD_parm_slot_s {
    char text[BEAD_TEXT_CHARS];
    unsigned int exp;
    host_law* law;
} BEAD_parm_slot_t;

typedef struct BEAD_data_s {
    unsigned int feature; /* 0 on creation */
    int shape_type;       /* 0 round, 1 U, 2 V */
    int shape_value_1;
    int number_of_curves;
    unsigned int* curves;
    int section_direction_kind; /* 0 none, 1 direction, 2 axis object */
    double section_direction[3];
    unsigned int section_axis;
    int number_of_placement;
    unsigned int* placement_frefs;
    int placement_extension; /* stored numbering */
    int secondary_kind;      /* BEAD_SECONDARY_* */
    int number_of_secondary;
    unsigned int* secondary_frefs;
    unsigned int secondary_plane; /* kinds 2 and 3 */
    int secondary_extension;
    int secondary_option_code; /* 1 to 4, or 0 / -1 without a secondary */
    int secondary_option_flag; /* 3 with option 1 */
    char secondary_text[2][BEAD_SECONDARY_CHARS];
    double secondary_direction[3];
    BEAD_parm_slot_t parms[BEAD_SLOTS];
    int flags[3];  /* of width, top radius, bottom radius */
    int axis_kind; /* 0 direction, 3 object, 1 or 2 a face normal */
    double axis_direction[3];
    unsigned int axis_object;
    int plane_kind; /* 1 none, 0 direction, 2 datum plane, 3 plane */
    double plane_direction[3];
    unsigned int plane_object;
    double tolerance;
    int shape_value_2;
    int end_cap;
    unsigned int target; /* the placement's body */
} BEAD_data_t;

/* Fills the defaults: every field 0 or empty, secondary kind none, texts
 * "0.0" where the record has a default, plane kind 1. */
void BEAD_init_data(BEAD_data_t* data);
/* Makes the bead feature of the record; *feature the new feature. */
void BEAD_construct_frec(BEAD_data_t* data, unsigned int* feature);
/* The record of a bead feature (the record is initialised first). */
void BEAD_read_frec(unsigned int feature, BEAD_data_t* data);
/* Gives the feature the record's values (mode 2: all of them); the body
 * follows at the next update. */
void BEAD_update_frec(BEAD_data_t* data, int mode, unsigned int feature);
/* Raises FEAT_ERR_BAD_PARAMETERS when the record cannot make a bead. */
void BEAD_check_data(const BEAD_data_t* data);
void BEAD_free_data(BEAD_data_t* data);
/* 1 when the feature is a bead. */
int BEAD_is_bead(unsigned int feature);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
