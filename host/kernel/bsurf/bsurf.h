/* B-surfaces: the host's bridge to the solid kernel's B-spline surfaces
 * (host/kernel/bsurf/bsurf.cpp) and the B-surface feature service
 * (host/model/feature/brep_feature.cpp).
 *
 * Data. A B-surface is given by its pole counts nu and nv, its orders ou
 * and ov (degree + 1, 2 to 25), flat knot vectors of nu + ou and nv + ov
 * values (non-decreasing; each value held as often as its multiplicity)
 * and nu x nv poles of four doubles, u running fastest: pole (i, j) is
 * poles[4 (j nu + i)]. The interface's data hold weighted poles (w x, w y,
 * w z, w); the repair structure (BSRF_surface_t) holds them unweighted
 * (x, y, z, w). The kernel takes the flat knots as distinct knots with
 * multiplicities.
 *
 * Surfaces. PX_cre_bs_tag, PX_bsurface_create_fixed,
 * BSRF_create_surf_with_pars, em4320 and em4329 make kernel surfaces: a
 * kernel tag of a surface without a body. A sheet made from one
 * (pxbsby_surf_brep, pxbsby_brep, PX_sheet_from_surf_curves,
 * PX_sheet_from_2d_curves_surf) takes it over; KI_delent deletes one that
 * is not wanted. A face stands for its own surface (ZQ_FACE_ask_surf): the
 * queries take a face's kernel tag as well.
 *
 * Kernel codes. The routines that answer a code answer 0 or a code of the
 * kernel band (host/kernel/engine/codes.h): KERNEL_ERR_NOT_DONE when the kernel
 * takes no surface or sheet of the data, KERNEL_ERR_INVALID_RESULT when
 * the sheet would be invalid, KERNEL_ERR_NO_ENTITY / WRONG_ENTITY for a
 * tag of no surface. Other codes (the kernel's numbered failures) are what
 * tests script.
 *
 * The kernel's session switch of the self-intersection check (on at the
 * start): while on, a sheet made from a surface must be valid as a whole
 * (KERNEL_ERR_INVALID_RESULT); off, only its face is built.
 *
 * States. Repair and smoothing report what they changed in a host state
 * list (BC_states_t of host/kernel/curves/splines.h), codes:
 *    9  the u knots were mapped onto [0, 1]: values scale, offset
 *   11  the v knots likewise
 *   12  a degenerate row of poles was merged (value: 1 for u, 2 for v,
 *       then the row's index)
 *   20  knots closer than the tolerance were merged (value: the
 *       direction 1 or 2, the knot)
 *   24  a knot was smoothed (value: the direction, the knot)
 *   28  a knot could not be smoothed within the tolerance (value: the
 *       direction, the knot)
 *   60  the weights were scaled so that the first is 1 (value: the factor):
 *       a state the interface does not report
 *
 * Checks: a null pointer raises HOST_ERR_NULL_ARGUMENT, a dead tag
 * HOST_ERR_DEAD_TAG, a kernel tag of no surface KERNEL_ERR_NO_ENTITY.
 */
#ifndef HOST_BSURF_BSURF_H
#define HOST_BSURF_BSURF_H

#include "host/kernel/curves/splines.h"

#define BSRF_STATE_NORMALIZE_U 9
#define BSRF_STATE_NORMALIZE_V 11
#define BSRF_STATE_DEGENERATE  12
#define BSRF_STATE_KNOTS       20
#define BSRF_STATE_SMOOTHED    24
#define BSRF_STATE_NOT_SMOOTH  28
#define BSRF_STATE_WEIGHTS     60

/* Default display grid counts of a face (ES_write_def_grid_counts). */
#define BSRF_DEFAULT_GRID 10

/* A B-surface in unweighted form; the arrays come from SM_alloc (ev4350
 * frees them). */
typedef struct BSRF_surface_s {
    int nu, nv;
    int order_u, order_v;
    double* knots_u; /* nu + order_u */
    double* knots_v; /* nv + order_v */
    double* poles;   /* nu x nv x (x, y, z, w), u fastest */
} BSRF_surface_t;

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* ---- surfaces from loose data (weighted poles) ---- */
/* A kernel surface; *surface 0 and a kernel code when the kernel takes no
 * surface of the data. option1 and option2 are the constructor's words,
 * kept in the journal. */
int PX_cre_bs_tag(int nu, int nv, int ou, int ov, const double* knots_u, const double* knots_v, const double* poles,
                  int* surface, int option1, int option2);
/* The sheet body (object) of a surface, which it takes over; *status 0, or
 * a kernel code with 0 answered (the surface stays). */
unsigned int pxbsby_surf_brep(int surface, int* status);
/* The same with the host's two words (pxbsby_brep(surface, 0, 1)):
 * raises the kernel's failure. */
unsigned int pxbsby_brep(int surface, int word1, int word2);
/* A sheet of the surface bounded by loops of curves (host curve entities
 * put onto the surface within the tolerance; option is kept in the
 * journal): n_loops loops of counts[i] curves, senses[k] 1 along the
 * curve, -1 against it. The surface is taken over on success. Answers 0
 * with *sheet the body, or a kernel code. */
int PX_sheet_from_surf_curves(int surface, int n_loops, const int* counts, const int* senses,
                              const unsigned int* curves, int option, double tolerance, unsigned int* sheet);
/* The same with B-curves (entity type 9) in the surface's parameter space:
 * their x and y are u and v. */
int PX_sheet_from_2d_curves_surf(int surface, int n_loops, const int* counts, const int* senses,
                                 const unsigned int* curves, double tolerance, unsigned int* sheet);
/* A sheet of the whole surface with its edge curves: *sheet the body,
 * faces[0] its face and faces[1] the face's kernel surface, edges the
 * boundary edges at v = v0, u = u1, v = v1, u = u0 (0 where a side
 * collapses into a point). The 3D form makes the edges from the surface's
 * iso curves, the 2D form from lines in its parameter space. Answers 0 or
 * a kernel code. */
int PX_cre_bs_edges(int nu, int nv, int ou, int ov, const double* knots_u, const double* knots_v, const double* poles,
                    unsigned int* sheet, unsigned int faces[2], unsigned int edges[4], int option1, int option2);
int PX_cre_bs_2d_edges(int nu, int nv, int ou, int ov, const double* knots_u, const double* knots_v,
                       const double* poles, unsigned int* sheet, unsigned int faces[2], unsigned int edges[4],
                       int option1, int option2);
/* Deletes a kernel surface (or a body); 0 or a kernel code. */
int KI_delent(int entity);
/* Registers kernel codes as expected by the next operation (they are not
 * reported to the log); a new list replaces the one before. */
void KI_error_set_hit_list(int n, const int* codes);
/* The codes registered last (*codes from SM_alloc, null for none). */
void KI_error_ask_hit_list(int* n, int** codes);

/* The kernel's self-intersection check of sheets: 1 on, 0 off. */
int ZQ_SESSION_ask_check_self_int(void);
void ZQ_SESSION_set_check_self_int(int on);

/* ---- states ---- */
void BCEV_add_state(BC_states_t* states, int code, const double values[3]);
int BCEV_ask_num_states(const BC_states_t* states);

/* ---- records: repair and smoothing ---- */
/* A surface of the data with repair: near knots merged, the weights scaled
 * so the first is 1 (states into the list); answers 0 with *surface, or a
 * kernel code. */
int PX_bsurface_create_fixed(int ou, int ov, int nu, int nv, const double* knots_u, const double* knots_v,
                             const double* poles, int* surface, BC_states_t* states);
/* The structure of a record's data as they stand (new arrays): the first
 * three values of each pole are its coordinates, the fourth its weight. */
void BSRF_from_bsurf_data_uw(int nu, int nv, int ou, int ov, const double* knots_u, const double* knots_v,
                             const double* poles, BSRF_surface_t* surface);
/* Releases the structure's arrays. */
void ev4350(BSRF_surface_t* surface);
/* Merges knots closer than the tolerance (a knot below the one before is
 * raised to it); 0, or 1 when the knots give no surface. A test may script
 * outputs: u knots that the repair then inserts (the same surface with
 * more poles). */
int BSRF_fix_bsurf_knots_uw(BSRF_surface_t* surface, double tolerance, BC_states_t* states);
/* Merges rows of poles that coincide within the tolerance where the
 * surface is of order 2 in that direction; 0, or 1 when all poles collapse
 * into one point. */
int BSRF_fix_bsurf_degen_uw(BSRF_surface_t* surface, double tolerance, BC_states_t* states);
/* Raises the continuity at the interior knots: smooth_u (smooth_v) is the
 * number of derivatives to keep across a u (v) knot, removing knot copies
 * where the surface stays within the tolerance; word1 and word2 are the
 * host's modes (kept in the journal). 0, or 1 when a knot could not be
 * smoothed. */
int BSRF_smooth_bsurf_data_uw(int smooth_u, int smooth_v, double tolerance, int word1, int word2,
                              BSRF_surface_t* surface, BC_states_t* states);
/* The repaired structure of weighted data (knots fixed within the
 * tolerance); 0, or 1 when they give no surface. */
int BSRF_fixed_from_bsurf_data(int nu, int nv, int ou, int ov, const double* knots_u, const double* knots_v,
                               const double* poles, double tolerance, BSRF_surface_t* surface);
/* A kernel surface of the structure; 0 or a kernel code. */
int BSRF_create_surf_with_pars(const BSRF_surface_t* surface, int* kernel_surface);

/* ---- queries ---- */
/* The B-surface data of a kernel surface or face (weighted poles; arrays
 * from SM_alloc); raises KERNEL_ERR_WRONG_ENTITY for a surface that is no
 * B-surface. */
void PX_bsurf_ask(int surface, int* nu, int* nv, int* ou, int* ov, double** knots_u, double** knots_v, double** poles,
                  int* rational);
/* The base surface of an offset surface (a new kernel surface); raises
 * KERNEL_ERR_WRONG_ENTITY for another. */
void KI_ouofsu(int surface, int* base);

/* ---- surfaces through rows of points ---- */
/* rows[r] holds counts[r] points of four doubles (weighted x, y, z, w).
 * em4320 interpolates the points; em4329 fits them in the least-squares
 * sense with the weights, each row through its own points within the
 * kernel's tolerance. periodic_u / periodic_v close the surface in u / v.
 * Answers 0 with *surface, or a host code: 1 for counts that do not go
 * with the degrees, 2 for rows of other counts, 3 when the kernel fails
 * (a half-built surface is released). */
int em4320(int n_rows, const int* counts, const double* const* rows, int degree_u, int degree_v, int periodic_u,
           int periodic_v, int* surface);
int em4329(int n_rows, const int* counts, const double* const* rows, int degree_u, int degree_v, int periodic_u,
           int periodic_v, int* surface);
/* Writes the default display grid counts of a face object. */
void ES_write_def_grid_counts(unsigned int face);

/* ---- faces of features ---- */
/* The kernel surface of a face (kernel tag) as a B-surface when it is one
 * (1 with *surface its tag), 0 when the face has none; the face object's
 * kind: 1 for a face of the modeller (j7043 works on face objects). */
int j7043(unsigned int face, int* surface);
/* Puts the surface in place of the face's surface on its body (a face
 * object); the face keeps its tag and its edges, the body becomes a body
 * of one plain step. 0, or a kernel code. */
int pxresu_(unsigned int face, int surface);
/* A new body (with its objects) of the body's shape, made by one plain
 * step. */
int KI_copyen(int body, int* copy);
/* The body's recipe becomes one plain step that gives its shape now. */
void PX_body_make_plain(int body);

/* 1 when the feature can become a B-rep feature (a feature of a kind the
 * host builds that makes its body), else 0. */
int FMA_can_be_converted(unsigned int feature);
/* Builds the body of a feature that has none (mode 2); 0 or a code. */
int FMI_invoke_create_body(unsigned int feature, int mode);
/* Makes the feature a "BREP" feature: its body keeps its shape as one
 * plain step, the feature keeps no parameters. 0, or FEAT_ERR_BAD_REFERENCE
 * when later features build on its body. */
int convert_to_brep_feature(unsigned int feature);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
