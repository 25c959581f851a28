/* The host's enlarged sheets: a feature whose sheet is a face's surface
 * over the face's parameter box widened (or, type 1, also narrowed) by
 * percentages of its ranges. The solid kernel computes the sheet
 * (host/kernel/ops/trimmed_sheets.h); every model update makes it again from the
 * feature's sheet-parameter record, whose percentage expressions an edit
 * changes.
 *
 * The sheet-parameter record (class SS_PARMS_c) of a sheet feature:
 * marker 170, a kind (SS_KIND_ENLARGE 9 for an enlarged sheet,
 * SS_KIND_TRIMMED 7 for the record a trimmed sheet keeps its tolerance
 * on), the integer data (the kind's own first, the type second), a count,
 * the percentage expressions (u start, u end, v start, v end), the face
 * reference (ATT_face_refs) and the tolerance expression (ATT_ss1tol).
 * The record is kept beside the feature and rolls back with undo marks.
 *
 * Surface records: evsrfu answers the face's surface record (null for an
 * object that is no face with a surface): its type (ZQ_SURF_*) and a flag
 * per parameter direction that is set when the surface closes on itself
 * in that direction; evsrff releases it. bs_regen_rec_face makes the
 * spline form of a kernel face within a tolerance (a B-surface record,
 * released with ev4350); *error is 0, or 1 when it cannot be made.
 *
 * ui_create_ssextend (kind block {9, ...}, face, other object (0), pair
 * {type, 2}, four percentage texts, tolerance text, surface record, error
 * out) makes the feature and answers its entity id; *error is 0, or a code (nothing
 * is made then).
 */
#ifndef HOST_FREEFORM_ENLARGE_H
#define HOST_FREEFORM_ENLARGE_H

#include "host/base/services/codes.h"
#include "host/kernel/bsurf/bsurf.h"

#define SS_PARMS_MARKER  170
#define SS_KIND_TRIMMED  7
#define SS_KIND_ENLARGE  9
#define SS_KIND "ENLARGE"

#define HOST_ENLARGE_CODES(X) X(SS_ERR_NO_PARMS, 671232)
HOST_BARE_CODE_CONSTANTS(HOST_ENLARGE_CODES);

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* A copy of the feature's sheet-parameter record. */
typedef struct SS_PARMS_s {
    int marker;
    int kind;
    int idata[2];
    int count;
    unsigned int percent[4];  /* expressions */
    unsigned int face_ref;    /* ATT_face_refs */
    unsigned int tolerance;   /* ATT_ss1tol, an expression */
} SS_PARMS_t;

/* The per-direction flags of a face's surface (host/kernel/engine/kernel.h's
 * evsrfu evaluator gives the surface): set where it closes on itself. */
void SS_ask_surface_flags(unsigned int face, int flags[2]);
void bs_regen_rec_face(int face, int form, double tolerance, int flag, BSRF_surface_t** record, int* error);
unsigned int ui_create_ssextend(const int kind_block[2], unsigned int face, unsigned int other, const int pair[2],
                                char* const percent[4], const char* tolerance, const BSRF_surface_t* record,
                                int* error);

/* 1 when the feature has a sheet-parameter record (a copy in *parms),
 * else 0; a dead tag raises HOST_ERR_DEAD_TAG. */
int SS_PARMS_ask(unsigned int feature, SS_PARMS_t* parms);
/* Logs the record for undo (once per mark) and stores the type, or the
 * tolerance expression's formula; a feature without a record raises
 * SS_ERR_NO_PARMS. */
void SS_PARMS_set_type(unsigned int feature, int type);
void SS_PARMS_set_tolerance(unsigned int feature, const char* formula);

#pragma GCC visibility pop
#ifdef __cplusplus
}

namespace host::freeform {
// Keeps a sheet-parameter record of the kind for the feature (a trimmed
// sheet's: no percentages, the tolerance formula).
void keep_sheet_parms(unsigned int feature, int kind, int type, const char* tolerance);
}  // namespace host::freeform
#endif

#endif
