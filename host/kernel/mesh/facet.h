/* The host's facet service: facetted models (polygon meshes) made from a
 * solid body by the kernel's mesher, or facet by facet by a program.
 *
 * A model is an object of class FACET_topology_c (entity type 139,
 * subtype 1) of a part. It holds:
 *   - a pool of vertices (points) and of vertex normals, each found or
 *     added by FACET_ask_vertex_index / FACET_ask_vertex_normal_index
 *     (points closer than 1e-9 are one vertex);
 *   - facets by id (0, 1, ... in order of making): polygons of at least
 *     three vertex indices, with a normal index (-1: none) and surface
 *     parameters per vertex; a deleted facet keeps its id with no vertices;
 *     edge i of a facet runs from its vertex i to vertex i + 1 (cyclically);
 *   - the adjacent facet at each edge (-1: none), found for every edge by
 *     FACET_rebuild_topology (the facet on the other side whose edge runs
 *     the other way between the same vertices) or set one by one;
 *   - faces: a facetted solid has one face per face of the solid (face id
 *     in the kernel's order of the faces), each facet belongs to one (-1
 *     for a facet added by a program);
 *   - the solid it was made from (its definition; 0 when disassociated),
 *     the faceting parameters it was made with, and whether the solid has
 *     changed since (out of date);
 *   - a bounding box (BBOX_*), none until given one.
 * The model is its own mesh (FACET_ask_model_of_topol answers the model).
 * Models are part of the model state: undo marks roll them back; they are
 * saved with their part (section "FCTM", described in facet.cpp).
 *
 * Faceting parameters (FACET_parms_t): tolerance 1 (set, distance, angle)
 * is the mesher's chordal deviation and angle between neighbouring
 * normals; unset, the mesher takes a thousandth of the body's size and
 * 0.5 rad. The other fields are kept with the model and handed back as
 * given; precision_kind 2 makes single-precision models, any other double.
 *
 * Convexity answers: 1 convex, 0 flat (within 1e-9 of the facet's plane),
 * -1 concave, 2 (vertex) convex on some edges and concave on others, -2
 * (edge) no adjacent facet. A facet is convex when its polygon turns the
 * same way at every vertex; a model when every facet and every edge is
 * convex or flat. The plane of a facet: unit normal n (Newell's normal of
 * the polygon, outwards by the vertex order) and d with n . x + d = 0.
 *
 * Lengths are the host's (PART_ask_zr_scale_factors gives 1 and 1).
 *
 * Checks: a tag of no live model raises HOST_ERR_WRONG_CLASS (a dead tag
 * HOST_ERR_DEAD_TAG), a facet id of no facet with vertices, an edge, vertex
 * or face id out of range HOST_ERR_BAD_ARGUMENT, a null pointer
 * HOST_ERR_NULL_ARGUMENT; a mesher failure a code of the kernel band. */
#ifndef HOST_FACET_FACET_H
#define HOST_FACET_FACET_H

#define FACET_CONVEX    1
#define FACET_FLAT      0
#define FACET_CONCAVE   (-1)
#define FACET_MIXED     2
#define FACET_OPEN_EDGE (-2)

typedef struct FACET_parms_s {
    int limit_count;
    unsigned char tolerance_1_set;
    double tolerance_1_distance;
    double tolerance_1_angle;
    unsigned char tolerance_2_set;
    double tolerance_2_distance;
    double tolerance_2_angle;
    double max_length;
    unsigned char option_1;
    unsigned char option_2;
    double length_2;
    int precision_kind;
    unsigned char option_3;
    unsigned char option_4;
    double direction[3];
    double length_3;
    unsigned char option_5;
} FACET_parms_t;

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* ---- parameters ---- */
/* The part's faceting parameters (the defaults until set). */
void FACET_ask_faceting_parms(unsigned int part, FACET_parms_t* parms);
void FACET_set_faceting_parms(unsigned int part, const FACET_parms_t* parms);
void FACET_ask_parms_of_topology(unsigned int model, FACET_parms_t* parms);

/* ---- models of solids ---- */
/* A new model of the solid body (object) in its part; *failure 0, or a
 * code with no model made (the kernel's code of a failed mesh, or
 * HOST_ERR_WRONG_CLASS for an object that is no solid body). */
void FACET_facet_body(unsigned int body, const char* name, const FACET_parms_t* parms, unsigned int* model,
                      int* failure);
/* Facets the model's solid again with the parameters (its facets and
 * faces replaced; the model is up to date afterwards). */
void FACET_refacet_body_with_parms(unsigned int model, const FACET_parms_t* parms);
unsigned int FACET_ask_definition(unsigned int model); /* 0: none */
int FACET_is_solid_body_available(unsigned int model); /* the definition is a live body */
void FACET_disassociate_from_def(unsigned int model);
int FACET_is_topology_out_of_date(unsigned int model);
/* The models made from the solid, SM_alloc (null for none). */
void FACET_ask_dependent_topologys(unsigned int solid, int* count, unsigned int** models);

/* ---- models built facet by facet ---- */
/* A new empty model of the part (single or double precision); work is
 * kept for the host's modes (unused). */
void FACET_create_model(const char* name, unsigned int part, int work, unsigned int* model);
void FACET_create_double_model(const char* name, unsigned int part, int work, unsigned int* model);
unsigned int FACET_ask_model_of_topol(unsigned int model);
int BBOX_has_box(unsigned int mesh);
/* box = {x0, y0, z0, x1, y1, z1} */
void BBOX_create_or_edit_axial(unsigned int mesh, const double box[6]);
/* The index of the vertex at the point (added when create and not there;
 * -1 when not there and not create). */
int FACET_ask_vertex_index(unsigned int mesh, const double point[3], int create);
int FACET_ask_vertex_normal_index(unsigned int mesh, const double normal[3]);
/* A new facet of n vertex indices (normal indices may be null); hints are
 * kept for the host's modes. Answers its id. */
int FACET_topol_add_fct_with_hints(unsigned int model, int n, const int* vertices, const int* normals,
                                   const int* hints);
void FACET_topol_delete_facet(unsigned int model, int facet);
void FACET_set_facet_at_edge(unsigned int model, int facet, int edge, int adjacent);
void FACET_rebuild_topology(unsigned int model);
/* The end of editing: the adjacencies are made again. */
void FACET_topol_creation_done(unsigned int model);

/* ---- queries ---- */
int FACET_ask_num_facet_ids(unsigned int model);            /* deleted ones too */
int FACET_ask_first_facet_id(unsigned int model);           /* -1: none */
int FACET_ask_next_facet_id(unsigned int model, int facet); /* -1: no more */
int FACET_ask_max_fct_verts_in_topl(unsigned int model);
int FACET_ask_num_vertices_of_facet(unsigned int model, int facet); /* 0 for a deleted facet */
int FACET_ask_vertices_of_facet(unsigned int model, int facet, double vertices[][3]);
int FACET_ask_normals_of_facet(unsigned int model, int facet, double normals[][3]);
int FACET_ask_params_of_facet(unsigned int model, int facet, double params[][2]);
/* 1 with the facet at the edge, 0 when it has none (*adjacent -1). */
int FACET_ask_facet_at_edge(unsigned int model, int facet, int edge, int* adjacent);
/* The edge of `adjacent` that it shares with the facet's edge (-1: none). */
int FACET_identify_common_edge(unsigned int model, int facet, int edge, int adjacent);
int FACET_ask_vertex_convexity(unsigned int model, int facet, int vertex);
int FACET_ask_edge_convexity(unsigned int model, int facet, int edge);
int FACET_is_facet_convex(unsigned int model, int facet);
int FACET_is_topol_convex(unsigned int model);
void FACET_ask_facet_plane_eqn(unsigned int model, int facet, double normal[3], double* d);

/* ---- faces ---- */
int FACET_ask_num_faces(unsigned int model);
/* The face id of a solid face (-1 when the model has no facets of it). */
int FACET_ask_face_id_of_tag(unsigned int model, unsigned int face);
unsigned int FACET_ask_tag_of_face_id(unsigned int model, int face_id);
unsigned int FACET_ask_solid_face_of_facet(unsigned int model, int facet); /* 0: none */
int FACET_ask_face_id_of_facet(unsigned int model, int facet);             /* -1: none */
int FACET_ask_facets_in_face(unsigned int model, int face_id);
int FACET_ask_first_facet_in_face(unsigned int model, int face_id);           /* -1: none */
int FACET_ask_next_facet_in_face(unsigned int model, int face_id, int facet); /* -1: no more */

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <vector>

namespace host::facet {
// 1 when the object is a live model.
bool is_model(unsigned int object);
// The triangles of a model's facets (fans of its polygons) for the section
// service: three points a triangle.
std::vector<double> triangles(unsigned int model);
}  // namespace host::facet
#endif

#endif
