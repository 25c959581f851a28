/* A feature's parameter record as the parameter queries read it, and the
 * place (directions and location) of a feature.
 *
 * The record of a feature of a kind the host builds: its class (the
 * kind's parameter class "<kind>_parms_c" under "FEATURE_parms_c", the
 * class of FREC_ask_parms_of_frec) and its slots in the kind's order, each
 * an expression or 0 where the slot holds none: the depth and tip angle of
 * a hole and the length of a slot bounded by through faces. The slots of a
 * form feature are its size texts in the order its creator takes them.
 *
 * Place: a form feature's directions are its direction and X direction
 * (two; a hole, boss, pocket or groove reports its axis alone), its
 * location is where it is placed, moved by its positioning constraints; a
 * cylinder reports its axis and origin; a block its X and Y axes and its
 * origin. A feature of another kind has no place: FEAT_ERR_BAD_PARAMETERS
 * is raised. A dead tag raises HOST_ERR_DEAD_TAG, a live object that is no
 * feature FEAT_ERR_NOT_A_FEATURE, a null output HOST_ERR_NULL_ARGUMENT. */
#ifndef HOST_FEATURE_FEATURE_PARMS_H
#define HOST_FEATURE_FEATURE_PARMS_H

#define FPARMS_MAX_SLOTS 16

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/export.h */

typedef struct FPARMS_record_s {
    int cls;                              /* the kind's parameter class */
    int type;                             /* a chamfer's type, else 0 */
    int count;                            /* slots */
    unsigned int slots[FPARMS_MAX_SLOTS]; /* expression, or 0: none held */
} FPARMS_record_t;

/* Fills the record and answers 1; 0 (record untouched) for a feature of no
 * kind the host builds. */
int FPARMS_ask_record(unsigned int feature, FPARMS_record_t* record);
/* The parameter class of a kind by its name ("SIMPLE HOLE"). */
int FPARMS_ask_class_of_kind(const char* kind);
/* The feature's directions (count 1 or 2; the second (0,0,0) when 1). */
void FPARMS_ask_directions(unsigned int feature, double first[3], double second[3], int* count);
void FPARMS_ask_location(unsigned int feature, double location[3]);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
