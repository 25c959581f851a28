/* Boundary-representation queries of the solid kernel's bodies. Functions
 * with states hand back the kernel's states as an array of records that the
 * library allocates and the caller frees with KX_free; the count is always
 * set, and a null array pointer asks for the count only. */
#ifndef KX_BREP_H
#define KX_BREP_H

#include "kx_types.h"

/* One state of the kernel; the fields' meaning is the kernel's. */
typedef struct brep_state_s {
    int first;
    int second;
    double values[3];
    int third;
    int fourth;
    int fifth;
} brep_state;

/* The spline form of a surface or curve: degrees, pole counts, rational
 * flag, knot counts, poles (3 doubles each, u fastest), weights and the
 * flat knot vectors. A curve uses the u members only. */
typedef struct brep_spline_s {
    int degree_u, degree_v;
    int n_u, n_v;
    int rational;
    int n_uknots, n_vknots;
    double* poles;
    double* weights;
    double* uknots;
    double* vknots;
} brep_spline;

/* The geometry of one kernel face (its surface: type, a point, the normal
 * of a plane or the axis, radii, 1 or -1 for a face normal with or against
 * the surface's), edge (its curve) or vertex (type 0, its point). type -1:
 * no face, edge or vertex. spline is filled when the spline form is asked. */
typedef struct brep_geometry_s {
    int entity;
    int type;
    double point[3];
    double direction[3];
    double radius, radius2;
    int sense;
    brep_spline spline;
} brep_geometry;

KX_BEGIN_DECLS

/* The entities of class cls (kernel class) connected to the kernel entity,
 * at most limit of them (0 or less: all), one state each. */
KXAPI int KX_BREP_ask_topology(int entity, int cls, int limit, int* n_states, brep_state** states);
/* A state per fault of the kernel body; none for a valid body. */
KXAPI int KX_BREP_validate_topology(int body, int* n_states, brep_state** states);

/* The class of a kernel edge by the turn of its faces across it: 1 convex,
 * 2 concave, 3 smooth (the normals within tolerance radians; a seam), 4
 * open (the border of a sheet). */
KXAPI int KX_BREP_ask_edge_class(int edge, double tolerance, int* edge_class);

/* The geometry of n kernel entities, a record each in their order (free the
 * records with KX_BREP_free_geometry_data). An entity that is no face, edge
 * or vertex gets type -1 and a state: first the kernel's code, second the
 * tag, fourth its place; the result is then the first such code. */
KXAPI int KX_BREP_ask_geometry(int n, const int entities[], int as_spline, int* n_geometry, brep_geometry** geometry,
                               int* n_states, brep_state** states);
/* Frees the n records of KX_BREP_ask_geometry with their spline forms. */
KXAPI int KX_BREP_free_geometry_data(int n, brep_geometry* geometry);

/* Lets the kernel forget what it keeps worked out about n kernel bodies. */
KXAPI int KX_BREP_release_topology(int n, const int bodies[]);
/* The number of the operation of its body (0 the first) that made a kernel
 * face or edge; -1 for other entities. */
KXAPI int KX_BREP_ask_topology_source(int entity, int* step);

/* Heals the kernel body of a body object (gaps closed within tolerance,
 * tolerances kept under max_tolerance); *changed 1 when it was mended. A
 * state per fault found before: first the fault, third 1 when cleared.
 * 1838008 when the object has no kernel body. */
KXAPI int KX_BREP_heal_body(tag body, double tolerance, double max_tolerance, int* changed, int* n_states,
                            brep_state** states);

/* Faces to make a body of, sewn within tolerance. */
typedef struct brep_face_set_s {
    int n;
    const int* faces;
    double tolerance;
} brep_face_set;

/* A new kernel body (with its model object) of copies of the kernel faces
 * sewn together: a solid when they close, else a sheet. A state per edge
 * left free: first 5002 (an edge), second the body, values its middle. */
KXAPI int KX_BREP_make_body(const brep_face_set* faces, int* body, int* n_states, brep_state** states);

/* The kernel's identifier of the entity; 0 when the interface is not
 * initialised or the kernel fails. */
KXAPI void KX_BREP_ask_identifier(int entity, int* identifier);

/* Attaches geometry to a kernel body without making it part of its faces
 * and edges: a point (type 0), a line (3001: point, direction), a circle
 * (3002: centre, axis, radius) or a plane (4001: point, normal) per record
 * (the spline form is not read). tags[i] (an array of n) is the new kernel
 * tag of record i, or 0 when it cannot be attached: then a state, first the
 * kernel's code, second the body, fourth the record's place; the result is
 * then the first such code. KX_BREP_ask_geometry answers attached tags. */
KXAPI int KX_BREP_attach_geometry(int body, int n, const brep_geometry geometry[], int tags[], int* n_states,
                                  brep_state** states);
/* Takes attached geometry away from its body. */
KXAPI int KX_BREP_delete_geometry(int geometry);

/* A foreign surface: a kind registered with KX_FORGEO_register_surface
 * over a parameter box, sampled on a grid of nu x nv points (2 to 64 each
 * way). The sheet made on it is a B-spline surface through the samples
 * that approximates the kind's surface between them. */
typedef struct brep_foreign_surface_s {
    const char* kind;
    double u[2]; /* first and last u */
    double v[2];
    int nu, nv;
} brep_foreign_surface;

/* A sheet body (with its model objects) on a foreign surface: *sheet its
 * body object. An empty parameter box gives 0 and NULL_TAG. Any failure
 * is 1. Works without an initialised interface. */
KXAPI int KX_BREP_create_sheet(const brep_foreign_surface* surface, tag* sheet);
/* The foreign surface a sheet of KX_BREP_create_sheet was made on (the
 * kind is the registry's name, valid for the session). 0, or 1 for any
 * failure (a sheet on no foreign surface included). Works without an
 * initialised interface. */
KXAPI int KX_BREP_ask_sheet(tag sheet, brep_foreign_surface* surface);

KX_END_DECLS

#endif
