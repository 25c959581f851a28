/* The host's solid kernel: bodies, faces, loops, edges and vertices with
 * real boundary-representation geometry, and the routines that make, edit
 * and query them.
 *
 * Two kinds of tags:
 *  - kernel tags (int, > 0): every body, face, loop, edge and vertex of the
 *    kernel has one; the ZQ_ and KI_ routines take and answer them;
 *  - model objects (unsigned int): a body, its faces and its edges are also
 *    objects of the object store, entity type 70 with subtype 0 (body),
 *    2 (face) or 3 (edge); the body's members are its faces and every face
 *    and edge has the body as owner. pxlook_ maps a kernel tag to its
 *    object, es7010_ and ES_solid_ask_fermalith_tag an object to its kernel
 *    tag. A body read from a kernel file (ZQ_BODY_import) has no objects
 *    until es7008_ makes them.
 *
 * Identity. Every operation records the kernel's history (the faces and
 * edges each input face and edge became, the ones it generated, the ones it
 * deleted): a face or edge that survives keeps its kernel tag and its
 * object, one the operation made gets new ones, one it deleted dies. A
 * body remembers the operations that made it (its steps); editing a step's
 * parameter (ZQ_BODY_edit_parameter) and regenerating (ZQ_BODY_regenerate)
 * runs the steps again from the first changed one, and the faces and edges
 * that the re-run makes in the same way get the tags they had.
 *
 * Operations edit their body in place (it keeps its tags); the tool of a
 * boolean is consumed. An operation that fails raises a code of the kernel
 * band (host/kernel/engine/codes.h) and leaves the model as it was. The kernel's
 * lengths are the model's (pxsfac_ stays 1).
 *
 * Kinds:
 *   body types      5601 solid, 5602 sheet, 5603 wire, 5604 acorn (points)
 *   entity classes  5001 vertex, 5002 edge, 5003 loop, 5004 face, 5005 body
 *   surface types   4001 plane, 4002 cylinder, 4003 cone, 4004 sphere,
 *                   4005 torus, 4006 B-surface, 4008 offset, 4009 swept
 *                   (extrusion), 4010 spun (revolution), 4011 other
 *   curve types     3001 line, 3002 circle, 3003 ellipse, 3004 parabola,
 *                   3005 hyperbola, 3006 B-curve, 3007 offset, 3009 other
 *   loop types      5401 inner (hole), 5402 outer, 5403 other
 *
 * Checks: a kernel tag of no entity raises KERNEL_ERR_NO_ENTITY, one of the
 * wrong class KERNEL_ERR_WRONG_ENTITY, a null pointer HOST_ERR_NULL_ARGUMENT,
 * an object of no live entity HOST_ERR_DEAD_TAG (the mapping routines
 * answer 0 instead, as their callers test).
 */
#ifndef HOST_KERNEL_KERNEL_H
#define HOST_KERNEL_KERNEL_H

#include "host/kernel/engine/codes.h"

#define ZQ_BODY_SOLID 5601
#define ZQ_BODY_SHEET 5602
#define ZQ_BODY_WIRE  5603
#define ZQ_BODY_ACORN 5604

#define ZQ_CLASS_VERTEX 5001
#define ZQ_CLASS_EDGE   5002
#define ZQ_CLASS_LOOP   5003
#define ZQ_CLASS_FACE   5004
#define ZQ_CLASS_BODY   5005

#define ZQ_SURF_PLANE    4001
#define ZQ_SURF_CYLINDER 4002
#define ZQ_SURF_CONE     4003
#define ZQ_SURF_SPHERE   4004
#define ZQ_SURF_TORUS    4005
#define ZQ_SURF_BSURF    4006
#define ZQ_SURF_OFFSET   4008
#define ZQ_SURF_SWEPT    4009
#define ZQ_SURF_SPUN     4010
#define ZQ_SURF_OTHER    4011

#define ZQ_CURVE_LINE      3001
#define ZQ_CURVE_CIRCLE    3002
#define ZQ_CURVE_ELLIPSE   3003
#define ZQ_CURVE_PARABOLA  3004
#define ZQ_CURVE_HYPERBOLA 3005
#define ZQ_CURVE_BCURVE    3006
#define ZQ_CURVE_OFFSET    3007
#define ZQ_CURVE_OTHER     3009

#define ZQ_LOOP_INNER 5401
#define ZQ_LOOP_OUTER 5402
#define ZQ_LOOP_OTHER 5403

/* Boolean operations. */
#define ZQ_UNITE     1
#define ZQ_SUBTRACT  2
#define ZQ_INTERSECT 3

/* Containment answers. */
#define ZQ_INSIDE  1
#define ZQ_OUTSIDE 2
#define ZQ_ON      3

/* Fault tokens of ZQ_BODY_check (0: the body is valid). */
#define ZQ_FAULT_NONE           0
#define ZQ_FAULT_GEOMETRY       6001 /* a face or edge has bad or missing geometry */
#define ZQ_FAULT_TOPOLOGY       6002 /* the faces do not close up (free edges, bad loops) */
#define ZQ_FAULT_SELF_INTERSECT 6003 /* faces of the body intersect each other */
#define ZQ_FAULT_ORIENTATION    6004 /* the body is inside out or its shells are misoriented */

/* Mass properties (ZQ_BODY_ask_mass_props), in this order. */
#define ZQ_MP_VOLUME   0 /* volume (solid) or 0 */
#define ZQ_MP_AREA     1 /* surface area */
#define ZQ_MP_MASS     2 /* volume x density (solid), area x density (sheet) */
#define ZQ_MP_CENTROID 3 /* 3 values: centre of mass */
#define ZQ_MP_INERTIA  6 /* 9 values: inertia tensor at the centre of mass, row by row (with density) */
#define ZQ_MP_COUNT    15

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* ---- Bodies: primitives and profiles (each answers the new body) ---- */
void ZQ_BODY_make_block(const double origin[3], const double size[3], int* body);
void ZQ_BODY_make_cylinder(const double base[3], const double axis[3], double radius, double height, int* body);
/* A cone or frustum: radius r1 at the base, r2 at the top (one may be 0). */
void ZQ_BODY_make_cone(const double base[3], const double axis[3], double r1, double r2, double height, int* body);
void ZQ_BODY_make_sphere(const double centre[3], double radius, int* body);
void ZQ_BODY_make_torus(const double centre[3], const double axis[3], double major, double minor, int* body);
/* A prism over a regular polygon of `sides` corners on a circle of `radius`. */
void ZQ_BODY_make_prism(const double base[3], const double axis[3], double radius, int sides, double height, int* body);
/* A wire body through n points (closed: back to the first); n >= 2. */
void ZQ_BODY_make_wire(int n, const double points[], int closed, int* body);
/* An acorn body: one point. */
void ZQ_BODY_make_acorn(const double point[3], int* body);

/* ---- Sweeps of a profile (a wire body, left as it is) ---- */
/* A closed planar profile gives a solid, an open one a sheet. */
void ZQ_BODY_extrude(int profile, const double direction[3], double length, int* body);
/* Angle in radians about the axis through point. */
void ZQ_BODY_revolve(int profile, const double point[3], const double axis[3], double angle, int* body);
/* Sweeps the profile along the guide (a wire body). */
void ZQ_BODY_sweep(int profile, int guide, int* body);

/* A planar sheet bounded by a closed planar profile. */
void ZQ_BODY_make_plane_sheet(int profile, int* body);
/* A body through n >= 2 profiles in order (wire bodies, left as they are):
 * a solid when closed and `solid`, else a sheet; ruled: flat between
 * neighbours, else smooth through all. */
void ZQ_BODY_through_curves(int n, const int profiles[], int solid, int ruled, int* body);
/* A B-surface sheet interpolating a grid of nu x nv points (row by row,
 * u fastest). */
void ZQ_BODY_points_sheet(int nu, int nv, const double points[], int* body);
/* A sheet spanning a mesh of curves: the edges of the boundary profile (a
 * closed wire body) bound it, those of n further wire bodies lie on it. */
void ZQ_BODY_curve_mesh(int boundary, int n, const int curves[], int* body);
/* A B-surface sheet of nu x nv poles (u fastest) with the degrees given
 * (uniform, clamped knots; 1 <= degree < number of poles). */
void ZQ_BODY_bsurface(int nu, int nv, const double poles[], int degree_u, int degree_v, int* body);

/* ---- Edits of a body (in place) ---- */
/* Sews sheets onto the body (a sheet) within tolerance; the sheets are
 * consumed; a closed result becomes a solid. */
void ZQ_BODY_sew(int body, int n, const int sheets[], double tolerance);
/* Moves the faces given along their normals by distance, the rest of the
 * solid following. */
void ZQ_BODY_offset_faces(int body, int n, const int faces[], double distance);
/* The target keeps its tag; the tool is consumed. */
void ZQ_BODY_boolean(int target, int tool, int operation);
/* Blends the edges with radius r1 at their start and r2 at their end
 * (r1 == r2: constant radius). */
void ZQ_BODY_blend_edges(int body, int n, const int edges[], double r1, double r2);
/* Blends the edges with radii given by points: numbers holds the default
 * radius, then for each edge its count k of points and k pairs (parameter
 * 0..1 from the edge's start, radius); an edge without points takes the
 * default radius, one point a constant radius, more a radius through the
 * points. Step parameter 0 is the default radius, the others follow in
 * this order. */
void ZQ_BODY_blend_edges_varying(int body, int n, const int edges[], int n_numbers, const double numbers[]);
/* The parameter (0 at the edge's start, 1 at its end) and distance of the
 * edge's point nearest to the point. */
void ZQ_EDGE_ask_closest_parameter(int edge, const double point[3], double* parameter, double* distance);
/* Blends two faces of the body with a constant radius along every edge
 * they share (faces that do not meet: KERNEL_ERR_BLEND_FAILED). The step
 * names the faces, so a regeneration blends them wherever they meet. */
void ZQ_BODY_blend_faces(int body, int face1, int face2, double radius);
/* A blend along every edge a face of the first set shares with one of the
 * second. */
void ZQ_BODY_blend_face_sets(int body, int n_first, const int first[], int n_second, const int second[],
                             double radius);
/* The faces that blend would make, as a new sheet body *sheet (with its
 * objects); the body stays as it is. *met (SM_alloc, *n_met of them) are
 * the body's faces that the blend faces meet. */
void ZQ_BODY_blend_face_sets_as_faces(int body, int n_first, const int first[], int n_second, const int second[],
                                      double radius, int* sheet, int* n_met, int** met);
void ZQ_BODY_chamfer_edges(int body, int n, const int edges[], double distance);
/* matrix: 3 rows of 4 (rotation/scale part and translation); any
 * non-singular affine map. */
void ZQ_BODY_transform(int body, const double matrix[12]);
void ZQ_BODY_mirror(int body, const double point[3], const double normal[3]);
void ZQ_BODY_scale(int body, const double centre[3], double factor);
/* The body keeps what lies behind the plane (against its normal); what lies
 * in front becomes the new body *front. */
void ZQ_BODY_split_by_plane(int body, const double point[3], const double normal[3], int* front);
/* The body keeps what lies behind the plane; the rest goes. */
void ZQ_BODY_trim_by_plane(int body, const double point[3], const double normal[3]);
/* The same with a sheet body (left as it is) in place of the plane: behind
 * is against the sheet's normal. */
void ZQ_BODY_split_by_sheet(int body, int sheet, int* front);
void ZQ_BODY_trim_by_sheet(int body, int sheet);
/* A new wire body: the section of the body by the plane. */
void ZQ_BODY_section_by_plane(int body, const double point[3], const double normal[3], int* wire);
/* Hollows a solid with walls of `thickness` inside it, opening the faces given. */
void ZQ_BODY_hollow(int body, int n, const int faces[], double thickness);
/* Thickens a sheet into a solid along its normal (negative: against it). */
void ZQ_BODY_thicken(int body, double thickness);
/* Offsets every face of a solid by distance (outwards when positive). */
void ZQ_BODY_offset(int body, double distance);
/* Deletes a body with its faces, edges and their objects. */
void ZQ_ENTITY_delete(int body);

/* Takes a body of several solids apart: the body keeps the first (a step
 * of its own, so that it is made again the same way), each other solid
 * becomes a new body; *n new bodies in *pieces (SM_alloc, null for none).
 * A body of one solid stays as it is (*n 0). */
void ZQ_BODY_separate(int body, int* n, int** pieces);

/* ---- Steps and regeneration ---- */
void ZQ_BODY_ask_step_count(int body, int* count);
/* Sets parameter `index` (0-based) of step `step` (0-based); the body
 * changes on the next regeneration. */
void ZQ_BODY_edit_parameter(int body, int step, int index, double value);
/* Runs the steps again from the first edited one. */
void ZQ_BODY_regenerate(int body);
/* Marks step `step` (0-based) to be skipped (skip 1: it passes the body on
 * unchanged) or run again (0) from the next regeneration on; its numbers,
 * references and naming stay, so running it again gives the tags it had. */
void ZQ_BODY_skip_step(int body, int step, int skip);
/* Moves step `from` to place `to` (neither the first step); the body
 * changes on the next regeneration. */
void ZQ_BODY_move_step(int body, int from, int to);
/* Step `step` of the body, a boolean, takes `tool` as its tool in place of
 * the one it was made with; the tool is consumed; the body changes on the
 * next regeneration. */
void ZQ_BODY_replace_step_tool(int body, int step, int tool);
/* Step `step` of the body, a sew of sheets, takes the sheet `sheet` in place
 * of its sheet number `index` (0-based, in the order they were sewn); the
 * sheet is consumed; the body changes on the next regeneration. */
void ZQ_BODY_replace_sew_sheet(int body, int step, int index, int sheet);
/* Moves step `step` of `from`, a boolean, to the end of `to`'s steps (run
 * at once) and makes `from` again without it (the step stays, skipped). */
void ZQ_BODY_take_step(int from, int step, int to);
/* The step at which the last regeneration failed, -1 when it did not. */
void ZQ_BODY_ask_failed_step(int* step);
/* Where the faces or edges that step `step` (not the first) works on lie
 * in the body before it: 2 i for face i, 2 i + 1 for edge i of that body
 * in the kernel's order, -1 for one that is not there; *places from
 * SM_alloc (null for none). */
void ZQ_BODY_ask_step_refs(int body, int step, int* count, int** places);
/* `body` takes the place of `from`, a body of the same shape (the same
 * faces and edges in the same places, made again by other steps, maybe
 * listed in another order): it takes over from's body object and the
 * objects of its faces and edges, each face or edge pairing with the one
 * of `from` in its place; `from` goes, and so do the objects `body` had.
 * A body of another shape is refused. */
void ZQ_BODY_adopt(int body, int from);

/* ---- Topology ---- */
void ZQ_ENTITY_ask_class(int entity, int* cls);
void ZQ_BODY_ask_type(int body, int* type);
void KI_enbyty(const int* body, int* type, int* ifail);
/* The body of a face, loop, edge or vertex (a body answers itself). */
void ZQ_ENTITY_ask_body(int entity, int* body);
/* Entities of class cls connected to entity (the faces of a body or an
 * edge, the edges of a face, loop, vertex or body, the loops of a face, the
 * vertices of an edge or face ...), in the kernel's order, in an array from
 * SM_alloc (null for none). Answers 0 or a kernel code. */
int KI_idcoen_sm(int entity, int cls, int** entities, int* count);
void KI_enloty(const int* loop, int* type, int* ifail);

/* ---- Geometry ---- */
/* The face's surface (the face stands for its surface: its own tag). */
void ZQ_FACE_ask_surf(int face, int* surface);
/* Surface type, a point, a direction (normal of a plane, axis otherwise;
 * a swept surface: the point at the middle of the face and the sweep's
 * direction; a spline or offset: the point and normal at the middle of the
 * face), radii (cone: base radius and half angle; torus: major and minor), and
 * whether the face's normal runs with the surface's (1) or against (-1). */
void ZQ_FACE_ask_data(int face, int* type, double point[3], double direction[3], double* radius, double* radius2,
                      int* sense);
/* {u0, u1, v0, v1} */
void ZQ_FACE_ask_uv_box(int face, double box[4]);
/* Point and derivatives at (u, v): out holds P, Su, Sv (nderiv >= 1), Suu,
 * Suv, Svv (nderiv >= 2) as 3 doubles each; normal the face's unit normal. */
void ZQ_SURF_eval(int surface, double u, double v, int nderiv, double out[18], double normal[3]);
void ZQ_EDGE_ask_curve_data(int edge, int* type, double point[3], double direction[3], double* radius);
/* The spline form of a face's surface or an edge's curve (analytic ones
 * converted over the face's parameter box or the edge's interval):
 * degrees, pole counts, rational flag, poles (3 doubles each, u fastest),
 * weights (one per pole, 1 when not rational) and the flat knot vectors
 * (each knot repeated by its multiplicity). The arrays come from SM_alloc;
 * ZQ_free_bspline frees them. A curve uses the u members only. */
typedef struct ZQ_bspline_s {
    int degree_u, degree_v;
    int n_u, n_v;
    int rational;
    int n_uknots, n_vknots;
    double* poles;
    double* weights;
    double* uknots;
    double* vknots;
} ZQ_bspline_t;
void ZQ_SURF_ask_bspline(int face, ZQ_bspline_t* data);
void ZQ_CURVE_ask_bspline(int edge, ZQ_bspline_t* data);
void ZQ_free_bspline(ZQ_bspline_t* data);
void ZQ_CURVE_ask_interval(int edge, double interval[2]);
/* P, C', C'' at t (as many as nderiv asks, up to 2). */
void ZQ_EDGE_eval(int edge, double t, int nderiv, double out[9]);
void ZQ_EDGE_ask_length(int edge, double* length);
void ZQ_VERTEX_ask_point(int vertex, double point[3]);
/* Box of any entity: minimum x, y, z, then maximum x, y, z. */
void ZQ_TOPOL_find_box(int entity, double box[6]);

/* ---- Measurement ---- */
void ZQ_BODY_set_density(int body, double density);
void ZQ_BODY_ask_density(int body, double* density);
/* ZQ_MP_COUNT values (see ZQ_MP_ above), with the body's density. */
void ZQ_BODY_ask_mass_props(int body, double props[ZQ_MP_COUNT]);
void ZQ_ENTITY_ask_min_distance(int a, int b, double* distance, double point_a[3], double point_b[3]);
/* The point of the entity farthest along direction. */
void ZQ_ENTITY_ask_extreme(int entity, const double direction[3], double point[3]);
void ZQ_BODY_ask_containment(int body, const double point[3], int* where);
/* *fault: ZQ_FAULT_NONE or the first fault found. */
void ZQ_BODY_check(int body, int* fault);
/* Triangles of the body's faces with chordal tolerance: *count triangles,
 * *points 9 doubles each (SM_alloc; the caller frees it with SM_free). */
void ZQ_BODY_facet(int body, double tolerance, int* count, double** points);

/* ---- The kernel's own file format ---- */
void ZQ_BODY_export(int n, const int bodies[], const char* file);
/* New bodies without objects (es7008_ makes them); *bodies from SM_alloc. */
void ZQ_BODY_import(const char* file, int* n, int** bodies);

/* ---- Kernel tags and model objects ---- */
/* The object of a kernel entity; 0 for none (loops, vertices, bodies
 * without objects). */
void pxlook_(const int* entity, unsigned int* object);
/* The kernel entity of a body, face or edge object; 0 for none. */
void es7010_(const unsigned int* object, int* entity);
int ES_solid_ask_fermalith_tag(unsigned int object);
/* The body object of a face, edge or body object; 0 for none. */
void es7009_(const unsigned int* object, unsigned int* body);
unsigned int ES_solid_ask_body(unsigned int object);
/* Makes the objects of a kernel body that has none (an imported body) in
 * the work part; *object is the body's object; *status 0, or 1 for an
 * entity that is no body. A body that has its objects answers them. */
void es7008_(const int* entity, unsigned int* object, int* status);
int ES_solid_is_a_body(unsigned int object);
int ES_solid_is_a_face(unsigned int object);
int ES_solid_is_a_edge(unsigned int object);
int ES_solid_is_a_sheet_body(unsigned int object);

/* ---- Face and edge queries on objects ---- */
void PX_body_ask_type(unsigned int body, int* type);
/* An occurrence of a face answers the box of its face at its place. */
void PX_face_ask_box(unsigned int face, double box[6]);
void PX_face_ask_type(unsigned int face, int* type);
void PX_edge_ask_type(unsigned int edge, int* type);
/* *closed 1 for a closed edge; *no_vertex 1 when it has no vertex at all. */
void PX_edge_is_closed(unsigned int edge, int* closed, int* no_vertex);
void PX_edge_ask_vertices(unsigned int edge, double p1[3], double p2[3]);

/* The kernel's face data by kernel face (mode 0), as ZQ_FACE_ask_data
 * without the sense; a test may give the data instead (outputs: type,
 * point, direction, radius, second radius). */
void get_face_data(int mode, int face, int* type, double point[3], double direction[3], double* radius,
                   double* radius2);
/* 1 when the face's normal runs with its surface's normal, else 0. */
int PX_face_ask_normal_direction(unsigned int face);
/* Periodicity of the face's surface in u and v: status 1 periodic (the
 * period given), 0 not (period 0). */
void PX_face_ask_surf_parm(unsigned int face, int* u_status, int* v_status, double* u_period, double* v_period);
/* Length factors of a part: kernel-to-model first (lengths coming back
 * from the kernel), model-to-kernel second: the host's block pxsfac_ in
 * the other order (the kernel works in the model's lengths: 1 and 1). */
void PART_ask_zr_scale_factors(unsigned int part, double factors[2]);
/* Box of a body, face or edge object. */
void PX_ask_box(unsigned int object, double box[6]);
/* The faces (edges) a face (edge) object has become by splits: the live
 * pieces that carry its identity, itself first when it lives; *objects
 * from SM_alloc (null for none). */
void PX_ask_split_faces(unsigned int face, int* count, unsigned int** faces);
void PX_ask_split_edges(unsigned int edge, int* count, unsigned int** edges);
/* The point of a vertex (a vertex stands for its point) and its coordinates. */
void KI_idpofv(const int* vertex, int* point, int* ifail);
void KI_outpoi(const int* point, double xyz[3], int* ifail);

/* ---- Surface evaluators (request word bits: 1 point, 2 first
 * derivatives, 4 normal, 8/16/32 Suu/Suv/Svv, 64/128/256/512
 * Suuu/Suuv/Suvv/Svvv, 1024 unit normal) ----
 * Result layout (36 doubles): P, Su, Sv, Suu, Suv, Svv, Suuu, Suuv, Suvv,
 * Svvv, N = Su x Sv (face-oriented), unit N; what is not asked is 0. A
 * request of 0 asks for the point alone. */
/* A new evaluator for a face object, or null when it has no kernel face. */
void* evsrfu(unsigned int face);
void evsrfe(void* evaluator, int request, const double uv[2], double result[36]);
void evsrff(void* evaluator);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <cstddef>
#include <vector>

namespace host::kernel {

// Model objects of a body and its faces and edges (0 when it has none).
unsigned int object_of(int entity);
int entity_of(unsigned int object);
// The body of a kernel entity (a body answers itself; 0 for none).
int body_of(int entity);
// Face and edge kernel tags of a body, in the kernel's order.
std::vector<int> faces_of(int body);
// The faces that step `step` of the body added and the body still has, in
// the body's order (none for a step out of range, skipped or unnamed).
std::vector<int> faces_made_by_step(int body, int step);
std::vector<int> edges_of(int body);
// Live bodies, ascending.
std::vector<int> bodies();

// The same work as subtracting `count` cylinders one at a time from a plate,
// done with the kernel's calls alone (no tags, history or objects): the
// reference of the host's own cost. Answers the final volume.
double direct_plate_with_holes(const double plate[3], int count, double radius, double pitch);
// The heap the kernel's calls alone take for a prism over a regular polygon
// of `sides` corners (radius 1000, height 10), measured with `heap` (bytes
// in use) while the shape is alive.
double direct_prism_bytes(int sides, double (*heap)());
// `count` boxes of the size made with the kernel's calls alone, `pitch`
// apart along X, all kept until the last is made (as a part keeps its
// bodies): the reference of the host's block creation. Answers the count.
std::size_t direct_boxes(int count, const double size[3], double pitch);

}  // namespace host::kernel
#endif

#endif
