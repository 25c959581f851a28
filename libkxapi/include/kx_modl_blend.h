/* Modelling: edge and face blends.
 *
 * A blend rounds a list of edges of one body with a radius given as an
 * expression text; each edge may have a radius that varies along it through
 * points (a radius text at a parameter, 0 at the edge's start and 1 at its
 * end), a cliff edge and two limit texts. The blend is a feature: editing
 * its radius and running KX_MODL_update changes the body. The cliff edges,
 * limits, type, flag, tolerance and options are kept with the blend, saved
 * with its part and read back as given; the kernel's blend does not use
 * them. The blend makes the body's edges anew: in a part opened again its
 * edges and cliff edges read back as NULL_TAG.
 *
 * A program may register a variable-radius routine and a cliff routine;
 * KX_MODL_create_blend asks them for each edge. Registering keeps the
 * program's shared library loaded for the rest of the process. A routine
 * runs in the user-program environment; an error raised inside it is noted
 * on the host log and counts as status 0. A variable-radius routine writes
 * at most KX_MODL_BLEND_MAX_POINTS points and radius texts and sets the
 * count; another count fails the creation with 875022.
 *
 * Codes: 875022 no usable edge (an empty list, only dead tags, a cliff edge
 * that is no live object, a bad point count of the variable-radius
 * routine); 875360 a null or inconsistent blend record (a negative count, a
 * null array with a positive count); 875361 the host refused the blend;
 * 875027 not a feature; 875033 a feature that is no edge blend; 875004 no
 * blend parameters; 1105004 a radius text of more than 255 characters. */
#ifndef KX_MODL_BLEND_H
#define KX_MODL_BLEND_H

#include "kx_modl.h"
#include "kx_modl_law.h"
#include "kx_types.h"

KX_BEGIN_DECLS

#define KX_MODL_BLEND_TEXT_CHARS 256
#define KX_MODL_BLEND_MAX_POINTS 100

typedef struct edge_blend_point_s {
    char radius[KX_MODL_BLEND_TEXT_CHARS]; /* radius expression text at the point */
    double parameter;                      /* 0 at the edge's start, 1 at its end */
} edge_blend_point;

typedef struct edge_blend_edge_s {
    tag edge;
    tag cliff_edge; /* carried when the blend type is 1 */
    int number_of_points;
    char limit_1[KX_MODL_BLEND_TEXT_CHARS]; /* handed on when above 0, else "-1.0" */
    char limit_2[KX_MODL_BLEND_TEXT_CHARS];
    edge_blend_point* points;
} edge_blend_edge;

typedef struct edge_blend_data_s {
    int blend_type;
    logical flag;
    logical limits_active;
    double tolerance;
    char default_radius[KX_MODL_BLEND_TEXT_CHARS];
    logical options[3];
    int number_of_edges;
    edge_blend_edge* edges;
} edge_blend_data;

/* The variable-radius routine: the edge; room for the points (three
 * doubles each) and their radius texts; the three options and the
 * tolerance of KX_MODL_create_blend; the number of points written. */
typedef int (*KX_MODL_var_blend_f_t)(tag edge, double points[][3], char radii[][KX_MODL_BLEND_TEXT_CHARS], int option_1,
                                     int option_2, int option_3, double tolerance, int* count);
/* The cliff routine: the edge and its cliff edge. */
typedef int (*KX_MODL_cliff_blend_f_t)(tag edge, tag* cliff_edge);

KXAPI int KX_MODL_register_var_blend(KX_MODL_var_blend_f_t routine);
KXAPI int KX_MODL_unregister_var_blend(void);
KXAPI int KX_MODL_register_cliff_blend(KX_MODL_cliff_blend_f_t routine);
KXAPI int KX_MODL_unregister_cliff_blend(void);

/* A blend of the listed edges (dead tags are skipped) with the radius
 * text; option n is on when its argument is 0. Needs no open session. On
 * success the undo mark "Create blend (Kestrix Extension)" stays as the
 * user's undo step. */
KXAPI int KX_MODL_create_blend(const char* radius, tag_list* edges, int option_1, int option_2, int option_3,
                               double tolerance, tag* feature);
KXAPI int KX_MODL_create_edge_blend(const edge_blend_data* data, tag* feature);
/* Changes the blend's radius texts and kept values (its edges and point
 * counts stay); the body changes at the next KX_MODL_update. */
KXAPI int KX_MODL_edit_edge_blend(tag feature, const edge_blend_data* data);
/* The blend as created; free each edge's points and the edges with KX_free. */
KXAPI int KX_MODL_ask_edge_blend(tag feature, edge_blend_data* data);
/* The assignment text of the blend's radius expression (KX_free). */
KXAPI int KX_MODL_ask_blend_parms(tag feature, int unused, char** radius);

/* Face blends: a blend between two sets of faces of one body, along every
 * edge where a face of the first set meets one of the second.
 *
 * Trim options 0 to 5; radius types 0 to 8 and what each takes:
 *   0 constant radius (the radius text, null for "0.25", above 0)
 *   1 by a law (laws[0])               2 curve-driven (curves)
 *   3 laws[2], laws[0], laws[1]        4 laws[0], laws[1]
 *   5, 6 laws[0]                       7 laws[0], radius objects, curves
 *   8 laws[0], laws[1], radius objects, curves
 * A blend made by laws takes its radius from the first value of its main
 * law; KX_MODL_set_face_blend_law_radii and the range variants change the
 * values and the body follows at the next KX_MODL_update. A curve-driven
 * blend takes as its radius the distance of the middle of the first curve
 * from the nearest edge it runs along, so that on faces that meet at right
 * angles its edge runs along the curve. The flags, options, trim option,
 * auxiliary objects, tolerance and limits are kept with the blend, saved
 * with its part and read back as given; the kernel's blend does not use
 * them.
 *
 * Codes: 671032 radius type out of range; 671033 a trim option or radius
 * data that does not fit the type; 671034 an empty (or null) face set or a
 * negative count; 671035 a constant radius not above 0 or a missing first
 * law; 671036 radius type 2 without curves (KX_MODL_create_blend_faces);
 * 671037 auxiliary objects with count 0; 670403 a tolerance text that is
 * no value of at least 0; 671128 a law not found, empty, or a value count
 * that does not match; 875033 a feature that is no face blend; 875179 a
 * null feature tag. */
typedef struct face_blend_data_s {
    tag* faces_1;
    int number_of_faces_1;
    logical flag_1;
    tag* faces_2;
    int number_of_faces_2;
    logical flag_2;
    logical flag_3;
    tag* aux_objects;
    int number_of_aux_objects;
    tag* curves;
    int number_of_curves;
    logical flag_4;
    logical flag_5;
    char* tolerance; /* expression text of the blend tolerance */
    int trim_option;
    int radius_type;
    char* radius; /* expression text of a constant radius; null: "0.25" */
    tag* radius_objects;
    int number_of_radius_objects;
    KX_MODL_parm** laws; /* three pointers */
} face_blend_data;

/* Three blocks of optional limits; the values of an active block are kept
 * with the blend and read back. */
typedef struct face_blend_limits_s {
    logical active_1;
    double values_1[6];
    logical active_2;
    double values_2[6];
    logical active_3;
    double values_3[3];
} face_blend_limits;

typedef struct blend_faces_data_s {
    tag* faces_1;
    int number_of_faces_1;
    logical flag_1;
    tag* faces_2;
    int number_of_faces_2;
    logical flag_2;
    logical flag_3;
    tag* aux_objects;
    int number_of_aux_objects;
    tag* curves;
    int number_of_curves;
    logical flag_4;
    logical flag_5;
    char* tolerance;
    int trim_option;
    int radius_type;
    char* radius;
    tag* law_tags; /* three law tags: expressions, each a constant law of its value */
} blend_faces_data;

/* Presets the record; its tolerance and radius texts are the record's own
 * (free them with KX_free). */
KXAPI int KX_MODL_init_face_blend_data(face_blend_data* data);
/* The feature, or, when a block of limits is active (trim options 2 to 5),
 * the blend made as faces: no feature, the solid as it was, and a new sheet
 * body of the blend's faces; its faces in the first result set, the
 * solid's faces they meet in the second (arrays to free with KX_free). */
KXAPI int KX_MODL_create_face_blend(const face_blend_data* data, const face_blend_limits* limits, tag* feature,
                                    int* count_1, tag** result_1, int* count_2, tag** result_2);
/* The older creator: always a feature (the limits are kept with it);
 * radius types 0 to 4 (others: 671033), the laws by their tags; the four
 * result outputs are cleared and not set. */
KXAPI int KX_MODL_create_blend_faces(const blend_faces_data* data, const face_blend_limits* limits, tag* feature,
                                     int* count_1, tag** result_1, int* count_2, tag** result_2);
/* A face blend's record as created, in copies of the caller's own: free
 * the face, object and curve arrays, the tolerance and radius texts with
 * KX_free, and the laws: each law's data block (u.law), the law, then the
 * array of three. limits may be null. */
KXAPI int KX_MODL_ask_blend_face_data(tag feature, face_blend_data* data, face_blend_limits* limits);
/* The values of a face blend's main, range-1 and range-2 radius laws (a
 * new array to free with KX_free; a constant law has one value), and their
 * replacement: a constant law takes one value, another law as many as it
 * holds. The body follows at the next KX_MODL_update. */
KXAPI int KX_MODL_ask_face_blend_law_radii(tag feature, double** radii, int* count);
KXAPI int KX_MODL_ask_face_blend_law_range1_radii(tag feature, double** radii, int* count);
KXAPI int KX_MODL_ask_face_blend_law_range2_radii(tag feature, double** radii, int* count);
KXAPI int KX_MODL_set_face_blend_law_radii(tag feature, const double* radii, int count);
KXAPI int KX_MODL_set_face_blend_law_range1_radii(tag feature, const double* radii, int count);
KXAPI int KX_MODL_set_face_blend_law_range2_radii(tag feature, const double* radii, int count);

KX_END_DECLS

#endif
