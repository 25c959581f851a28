/* Modelling: reading back how free-form features and extrusions were
 * defined, in the records their creators take.
 *
 *   KX_MODL_ask_thicken_sheet_parms  the sheet body and the two offsets
 *                                    (formulas) of a thickened sheet
 *   KX_MODL_ask_sweep                guide and section strings, the single
 *                                    string, the orientation and scaling
 *                                    records, alignment, section method,
 *                                    option bit and the three record values
 *   KX_MODL_ask_curve_mesh           primary and cross strings, the single
 *                                    string, option bit, mesh flag, mesh
 *                                    method, record values, the face and
 *                                    continuity of each of 4 boundaries
 *   KX_MODL_ask_thru_curves          section strings, the single string,
 *                                    patch kind (1 or 2), alignment (7 is
 *                                    answered as 6), 6 alignment values,
 *                                    degree, closed flag, option bit, record
 *                                    values, faces and continuities of the
 *                                    first and last section
 *   KX_MODL_ask_ruled                section strings, the single string,
 *                                    alignment, 6 alignment values, option
 *                                    bit, record values
 *   KX_MODL_ask_bplane               boundary strings, record values
 *   KX_MODL_ask_extrusion            the profile (edges as edges), the trim
 *                                    record (null when not trimmed to faces),
 *                                    taper text, limit texts, offset texts
 *                                    ("0.0" for a text the extrusion lacks),
 *                                    region point and its flag, sign and
 *                                    direction
 *
 * Every string_list is filled in the caller's record with arrays that the
 * caller frees with KX_MODL_free_string_list; each has room for every
 * object it holds. A single string the feature lacks is answered as a list
 * of no strings. Method records whose method takes a curve hold a list
 * allocated for the caller (free it with KX_MODL_free_string_list, then
 * KX_free); the other records hold none. Texts, the profile array and the
 * trim record (and its face array) are freed with KX_free.
 *
 * A null output gives the code of its position (1105005 for the second
 * argument ...); outputs after the tenth argument have no such code and a
 * null one there is left unwritten. On a non-zero status nothing is handed
 * out: every list the call was filling is left empty, texts and arrays
 * null. The sweep's section method is written only when the feature holds
 * 1 or 2; otherwise the caller's value stays.
 *
 * Codes: 875273 sweep, 875270 curve mesh, 875271 through curves, 875272
 * ruled, 875274 bounded plane when the feature is none of its kind or the
 * host fails; the thickened sheet and the extrusion answer the host's code;
 * the extrusion answers 875008 for a tag that names no object and 875004
 * for an object that is no extrusion. The model is not changed. */
#ifndef KX_MODL_A_SWEEP_H
#define KX_MODL_A_SWEEP_H

#include "kx_modl.h"
#include "kx_types.h"

KX_BEGIN_DECLS

/* The orientation (first) or scaling (second) method of a sweep. */
typedef struct sweep_method_s {
    int method;
    int sub_method;
    int reserved; /* 0 */
    double values[3];
    string_list* curves; /* one string, or null */
} sweep_method;

/* Faces that trim an extrusion: kind 1 from a face, 2 to a face, 3
 * between two faces. */
typedef struct sweep_trim_s {
    tag* objects; /* room for 2 */
    int count;
    int kind;
    int reserved[2]; /* 0 */
} sweep_trim;

KXAPI int KX_MODL_ask_thicken_sheet_parms(tag feature, tag* sheet_body, char** first_offset, char** second_offset);
KXAPI int KX_MODL_ask_sweep(tag feature, string_list* guides, string_list* sections, string_list* single,
                            sweep_method* orientation, sweep_method* scaling, int* alignment, int* section_method,
                            int* option, double values[3]);
KXAPI int KX_MODL_ask_curve_mesh(tag feature, string_list* primary, string_list* cross, string_list* single,
                                 int* option, int* mesh_flag, int* mesh_method, double values[3], tag faces[4],
                                 int continuity[4]);
KXAPI int KX_MODL_ask_thru_curves(tag feature, string_list* sections, string_list* single, int* patch_kind,
                                  int* alignment, double alignment_values[6], int* degree, int* closed, int* option,
                                  double values[3], tag faces[2], int continuity[2]);
KXAPI int KX_MODL_ask_ruled(tag feature, string_list* sections, string_list* single, int* alignment,
                            double alignment_values[6], int* option, double values[3]);
KXAPI int KX_MODL_ask_bplane(tag feature, string_list* boundaries, double values[3]);
KXAPI int KX_MODL_ask_extrusion(tag feature, int* count, tag** objects, sweep_trim** trim, char** taper,
                                char* limits[2], char* offsets[2], double region_point[3], logical* region_set,
                                unsigned char* sign, double direction[3]);

KX_END_DECLS

#endif
