/* Modelling: edge blends.
 *
 * A blend rounds a list of edges of one body with a radius given as an
 * expression text; each edge may have a radius that varies along it through
 * points (a radius text at a parameter, 0 at the edge's start and 1 at its
 * end), a cliff edge and two limit texts. The blend is a feature: editing
 * its radius and running KX_MODL_update changes the body.
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

KX_END_DECLS

#endif
