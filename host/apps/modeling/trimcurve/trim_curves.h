/* The host's trim curve features and reference tables.
 *
 * Reference tables (CMP_RT_*) hold strings of objects in numbered slots
 * (a positive handle); CMP_RT_free drops one.
 *
 * A trim record (TRCRV_rec_t) says how to trim or extend the line in slot 0:
 *   kind 0, to bounds: each bound is the string of slot 1 (2) or the bound
 *     object 0 (1); the line, extended both ways, meets the bound where the
 *     distance between them vanishes (all such places count, also beyond
 *     the line's ends: a trim there extends the line). Where a bound is met
 *     more than once, the point chosen is the one nearest the bound's use
 *     point (when its use-point byte is set), else nearest an extension
 *     point (slots 0 and 1 for the first bound, slot 2 for the second);
 *     else the trim fails with TRCRV_ERR_SEVERAL and TRCRV_get_mult_int
 *     hands out the candidates (1: of the first bound, 2: of the second).
 *     One bound: option 0 keeps the line from its start to the bound, 1
 *     from the bound to its end. Two bounds: the line between them.
 *   kind 1, by length: the line gets the length of the text's value; kind
 *     2: its length changes by the value (negative: shorter). option 0
 *     moves its end, 1 its start, 2 both ends by half each.
 * Only lines are trimmed here: other curves give HOST_ERR_OUT_OF_SCOPE; a
 * bound that is never met gives TRCRV_ERR_NO_INTERSECTION, a length that
 * leaves no line TRCRV_ERR_BAD_LENGTH.
 *
 * TRCRV_create_frec makes a feature "TRIM_CURVE" of the work part (a kind
 * of the feature service, host/model/feature/feature.h) whose result is a new
 * line, the trimmed copy; the trim by length keeps its length as a system
 * expression of the feature, its parameter "Length". The length text is a
 * formula, or an expression's assignment ("p3=4", as TRCRV_read_parms
 * hands it out) whose right side is taken. Every update makes the line
 * again from the line trimmed, the bounds and the length as they are then
 * (where a bound is met more than once and the record names no point, the
 * place nearest an end of the line made before is kept); a trim that
 * cannot be made again fails the update; one whose line, bound or length
 * expression was deleted keeps the line it made last and no longer
 * follows. The parameters are saved with the part (section "TRIM") and
 * read back with it. A kind other than 0, 1 or 2 is refused with
 * HOST_ERR_BAD_ARGUMENT. TRCRV_update_frec changes a trim
 * feature's parameters (its length expression's formula), and its line;
 * TRCRV_read_parms gives them back (a new reference table in the record).
 * TRCRV_create_non_assoc_curves trims the line of slot 0 itself.
 * All answer 0 or a code; nothing is changed on failure. The records are
 * part of the model (undo marks roll them back). */
#ifndef HOST_FEATURE_TRIM_CURVES_H
#define HOST_FEATURE_TRIM_CURVES_H

#include "host/base/services/codes.h"
#include "host/model/feature/profiles.h"

#define HOST_TRIM_CURVE_CODES(X)         \
    X(TRCRV_ERR_SEVERAL, 671327)         \
    X(TRCRV_ERR_NO_INTERSECTION, 671328) \
    X(TRCRV_ERR_BAD_LENGTH, 671329)      \
    X(TRCRV_ERR_NOT_TRIM, 671330)
HOST_BARE_CODE_CONSTANTS(HOST_TRIM_CURVE_CODES);

#define TRCRV_TEXT_CHARS 133

typedef struct TRCRV_rec_s {
    unsigned int feature;
    int table;
    double tolerances[2];
    double tolerances2[2];
    unsigned int bound_object[2];
    unsigned char bound_present[2];
    unsigned char use_point[2];
    double points[2][3];
    int spline_extension;
    int kind;
    int flag;
    int direction_given;
    int direction_mode;
    unsigned int axis;
    double direction[3];
    int first_option;
    int option;
    int words[5];
    unsigned char constant_byte;
    unsigned char ext_present[3];
    double ext_points[3][3];
    char length_text[TRCRV_TEXT_CHARS];
} TRCRV_rec_t;

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

void CMP_RT_init(int slots, int* table);
void CMP_RT_from_string(const CMP_strings_t* strings, const double tolerances[2], int mode, int slot, int table);
void CMP_RT_to_string(int table, int slot, CMP_strings_t* strings);
int CMP_RT_ask_rm_entities(int table, int slot);
int CMP_RT_replace_rm_entities(int table, int slot, int count, const unsigned int* objects, int mode);
void CMP_RT_free(int table);

void TRCRV_init_mult_int(void);
int TRCRV_create_frec(TRCRV_rec_t* record);
void TRCRV_get_mult_int(int which, int* count, double** points);
void TRCRV_free_mult_int(int which);
int TRCRV_update_frec(TRCRV_rec_t* record);
/* 1 when the feature is a trim curve feature, else 0. */
int TRCRV_is_trim_frec(unsigned int feature);
void TRCRV_read_parms(unsigned int feature, int mode, TRCRV_rec_t* record, int flags);
int TRCRV_create_non_assoc_curves(TRCRV_rec_t* record);
/* Trims (or extends) the line `curve` in place to the bound: at the place
 * where the extended line meets the bound nearest `second_point`, keeping
 * the end nearest `first_point`. *status 1 done, -1 the bound is not met,
 * -5 the curve is no line, -3 the trim would leave no line. The flags and
 * option words are taken as given (the trim of a line has no choice). */
void crvtrm_klam_kxapi_(unsigned int curve, const double first_point[3], unsigned int bound, int a,
                        const double second_point[3], int b, int c, int d, int e, int f, int option, int* word,
                        int* status);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
