/* Facetted models: polygon meshes made from a solid body by the host's
 * mesher, or facet by facet by a program; their faces, adjacencies,
 * convexity and plane equations.
 *
 * Facet ids run from 0; a deleted facet keeps its id but is no longer
 * valid. Edge i of a facet runs from its vertex i to vertex i + 1
 * (cyclically). Convexity answers: 1 convex, 0 flat, -1 concave, 2 (vertex)
 * convex on some edges and concave on others, -2 (edge) no facet on the
 * other side. The plane of a facet: unit normal n and d with n . x + d = 0.
 *
 * Faceting parameters: set version to KX_FACET_PARAMETERS_VERSION (-2)
 * before use, or ask the defaults with KX_FACET_ask_default_parameters
 * (which does it for any other version). A record whose first word is 0 or
 * more is read in the older layout (facet_parameters_old). */
#ifndef KX_FACET_H
#define KX_FACET_H

#include "kx_types.h"

KX_BEGIN_DECLS

#define KX_FACET_PARAMETERS_VERSION    (-2)
#define KX_FACET_PARAMETERS_VERSION_V1 (-1)

typedef struct facet_parameters_s {
    int version;
    int limit_count;
    char tolerance_1_set;
    double tolerance_1_distance;
    double tolerance_1_angle;
    char tolerance_2_set;
    double tolerance_2_distance;
    double tolerance_2_angle;
    double max_length;
    char option_1;
    char option_2;
    double length_2;
    int precision_kind;
    char option_3;
    char option_4;
    double direction[3];
    double length_3;
    char option_5; /* read only with version -2 */
} facet_parameters;

/* The older layout (its first word 0 or more). */
typedef struct facet_parameters_old_s {
    int limit_count;
    char tolerance_1_set;
    double tolerance_1_distance;
    double tolerance_1_angle;
    char tolerance_2_set;
    double tolerance_2_distance;
    double tolerance_2_angle;
    double max_length;
    char option_1;
    char option_2;
    double length_2;
    int precision_kind;
} facet_parameters_old;

KXAPI int KX_FACET_set_default_parameters(facet_parameters* parameters);
KXAPI int KX_FACET_ask_default_parameters(facet_parameters* parameters);
KXAPI int KX_FACET_facet_solid(tag solid, facet_parameters* parameters, tag* model);
KXAPI int KX_FACET_update_model(tag model, facet_parameters* parameters);
KXAPI int KX_FACET_create_model(tag part, tag* model);
KXAPI int KX_FACET_model_edits_done(tag model);
KXAPI int KX_FACET_add_facet_to_model(tag model, int n, double vertices[][3], double normals[][3], int hints[],
                                      int* facet);
KXAPI int KX_FACET_del_facet_from_model(tag model, int facet);
KXAPI int KX_FACET_set_adjacent_facet(tag model, int facet, int edge, int adjacent);
KXAPI int KX_FACET_rebuild_adjacencies(tag model);
KXAPI int KX_FACET_disassoc_from_solid(tag model);
KXAPI int KX_FACET_cycle_facets(tag model, int* facet);
KXAPI int KX_FACET_ask_n_facets_in_model(tag model, int* count);
KXAPI int KX_FACET_ask_max_facet_verts(tag model, int* count);
KXAPI int KX_FACET_ask_num_verts_in_facet(tag model, int facet, int* count);
KXAPI int KX_FACET_ask_vertices_of_facet(tag model, int facet, int* count, double vertices[][3]);
KXAPI int KX_FACET_ask_normals_of_facet(tag model, int facet, int* count, double normals[][3]);
KXAPI int KX_FACET_ask_params_of_facet(tag model, int facet, int* count, double params[][2]);
KXAPI int KX_FACET_ask_adjacent_facet(tag model, int facet, int edge, int* adjacent, int* adjacent_edge);
KXAPI int KX_FACET_find_edge_in_facet(tag model, int facet, double point_1[3], double point_2[3], int* sense,
                                      int* edge);
KXAPI int KX_FACET_ask_vertex_convexity(tag model, int facet, int vertex, int* convexity);
KXAPI int KX_FACET_ask_edge_convexity(tag model, int facet, int edge, int* convexity);
KXAPI int KX_FACET_is_facet_convex(tag model, int facet, char* convex);
KXAPI int KX_FACET_is_model_convex(tag model, char* convex);
KXAPI int KX_FACET_ask_plane_equation(tag model, int facet, double normal[3], double* d);
KXAPI int KX_FACET_is_model_up_to_date(tag model, char* up_to_date);
KXAPI int KX_FACET_ask_solid_of_model(tag model, tag* solid);
KXAPI int KX_FACET_ask_available_solid(tag model, tag* solid);
KXAPI int KX_FACET_ask_models_of_solid(tag solid, int* count, tag** models);
KXAPI int KX_FACET_ask_model_parameters(tag model, facet_parameters* parameters);
KXAPI int KX_FACET_ask_face_id_of_solid_face(tag model, tag face, int* face_id);
KXAPI int KX_FACET_ask_solid_face_of_facet(tag model, int facet, tag* face);
KXAPI int KX_FACET_ask_solid_face_of_face_id(tag model, int face_id, tag* face);
KXAPI int KX_FACET_ask_face_id_of_facet(tag model, int facet, int* face_id);
KXAPI int KX_FACET_ask_num_faces(tag model, int* count);
KXAPI int KX_FACET_ask_num_facets_in_face(tag model, int face_id, int* count);
KXAPI int KX_FACET_cycle_facets_in_face(tag model, int face_id, int* facet);

KX_END_DECLS

#endif
