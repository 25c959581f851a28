/* Symbolic threads: a feature that marks a cylindrical face of a solid as
 * threaded, from a start face or datum plane, without changing the body.
 *
 * The creation takes a thread data block (THD_data_t) that the caller
 * fills: the references of the thread face and of the start (blocks A and
 * B), the face's point and the thread's direction, the sense word, the
 * integer settings and the texts. Texts of the short slots hold at most
 * THD_SHORT_CHARS characters, the others at most THD_LONG_CHARS.
 *
 * Meaning of the settings and texts:
 *   sense          6: the face runs with its surface (an external thread,
 *                  on a shaft); 5: against it (an internal thread, in a
 *                  hole)
 *   starts         number of starts of the thread, 1 or more
 *   hand           0 right-hand, 1 left-hand
 *   tapered        0 straight, 1 tapered
 *   display        0 the thread is shown by its symbol, 1 it is not shown
 *   full_length    non-zero: the thread runs over the whole face (its
 *                  length text is then "0")
 *   flags          THD_FLAG_REVERSED when the thread runs against the
 *                  face's axis
 *   callout        the thread's designation ("M10x1.5")
 *   method, form   free texts ("Cut", "Metric")
 *   length, major_diameter, minor_diameter, pitch, angle, face_diameter
 *                  expression texts; they become the feature's expressions
 *                  in this order ("Length" ... "Face Diameter"). The face
 *                  diameter is the tapped drill size of an internal thread
 *                  and the shaft size of an external one; the angle is the
 *                  thread's flank angle in degrees.
 *
 * THD_get_callout_from_table fills major_diameter, minor_diameter, pitch,
 * angle, face_diameter and tapered from the host's thread table: ISO
 * metric coarse threads M3 to M24, named "M<diameter>x<pitch>"
 * ("M10x1.5"). An internal thread takes the internal minor diameter
 * (D - 1.082532 P) and the tapped drill size (D - P); an external one the
 * external minor diameter (d - 1.226869 P) and the shaft size d. Answers 0,
 * or FEAT_ERR_BAD_PARAMETERS for a callout that is not in the table.
 *
 * THD_create_symb_thd_frec makes the feature "SYMBOLIC_THREAD" in the part
 * of the thread face. It checks that the thread face is a cylindrical face
 * of a solid, the start a planar face or a datum plane across the face's
 * axis, the settings in range, the texts expressions of sizes that fit the
 * face (the face's diameter below the major diameter for an internal
 * thread, above the minor diameter for an external one; major above minor
 * above 0, pitch above 0, angle within (0, 180), length not below 0).
 * Answers 0 with the feature, -1 with the feature when the length ran past
 * the end of the face (the thread then ends there), or a code (nothing is
 * made): FEAT_ERR_BAD_REFERENCE for faces that do not fit,
 * FEAT_ERR_BAD_PARAMETERS for settings or sizes, an expression's code for a
 * text that is no formula. The feature builds on the features that made
 * the thread face; every update checks it again (a face gone, or sizes
 * edited out of range, fail the update).
 *
 * THD_get_symb_thd_parms answers a thread's settings, texts, expressions
 * (in the order above), the references of its thread face and start, and
 * its direction as given at creation; FEAT_ERR_NOT_A_FEATURE for a feature
 * that is no symbolic thread. THD_is_symb_thd_frec answers 1 for one.
 *
 * FREF_find_fref_of_face answers the reference of a face, as
 * FREF_ask_fref_of_face does.
 *
 * KI_outsur answers the data of a face's surface: its point, its axis (a
 * plane's normal), its radius and its sense (the host's surfaces all run
 * one way: 0).
 *
 * Checks: a null pointer raises HOST_ERR_NULL_ARGUMENT, a dead tag
 * HOST_ERR_DEAD_TAG. */
#ifndef HOST_FEATURE_THREAD_H
#define HOST_FEATURE_THREAD_H

#define THD_SHORT_CHARS 132
#define THD_LONG_CHARS  263

#define THD_SENSE_EXTERNAL 6
#define THD_SENSE_INTERNAL 5
#define THD_FLAG_REVERSED  32

#define THD_KIND "SYMBOLIC_THREAD"

/* Block A: the thread face. */
typedef struct THD_face_block_s {
    unsigned int fref;
    double point[3];
    double direction[3];
} THD_face_block_t;

/* Block B: the start face or datum plane. */
typedef struct THD_start_block_s {
    unsigned int fref;
} THD_start_block_t;

typedef struct THD_data_s {
    THD_face_block_t* face;
    THD_start_block_t* start;
    int sense;
    int hand;
    char callout[THD_SHORT_CHARS + 1];
    char method[THD_SHORT_CHARS + 1];
    char form[THD_SHORT_CHARS + 1];
    int starts;
    int tapered;
    int flags;
    int display;
    int full_length;
    char major_diameter[THD_LONG_CHARS + 1];
    char minor_diameter[THD_LONG_CHARS + 1];
    char length[THD_LONG_CHARS + 1];
    char angle[THD_LONG_CHARS + 1];
    char face_diameter[THD_LONG_CHARS + 1];
    char pitch[THD_LONG_CHARS + 1];
} THD_data_t;

/* What THD_get_symb_thd_parms answers besides the settings. */
typedef struct THD_parms_s {
    char callout[THD_SHORT_CHARS + 1];
    char method[THD_SHORT_CHARS + 1];
    char form[THD_SHORT_CHARS + 1];
    unsigned int exps[6]; /* length, major, minor, pitch, angle, face diameter */
    unsigned int face_fref;
    unsigned int start_fref;
    double direction[3];
    int sense; /* the sense word and flags it was made with */
    int flags;
} THD_parms_t;

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

int THD_get_callout_from_table(THD_data_t* data);
int THD_create_symb_thd_frec(const THD_data_t* data, unsigned int* record);
int THD_is_symb_thd_frec(unsigned int feature);
void THD_get_symb_thd_parms(unsigned int feature, int* starts, int* hand, int* tapered, int* display,
                            int* full_length, THD_parms_t* parms);
/* The feature reference of a face object (FREF_ask_fref_of_face), 0 for
 * none. */
unsigned int FREF_find_fref_of_face(unsigned int face);
void KI_outsur(int surface, double point[3], double axis[3], double* radius, int* sense);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
