/* Modelling: B-surfaces. Sheet bodies whose face is a B-surface, made from
 * poles and knots (whole, trimmed by loops of 3D curves or of 2D B-curves
 * in the surface's parameter space, with their edges), from a
 * bsurface_data record with repair, and through rows of points; repair and
 * smoothing of a record; the B-surface of a face; a face of a feature given
 * a new surface.
 *
 * Poles: num_poles_u x num_poles_v poles of four doubles each, weighted
 * (w x, w y, w z, w), u running fastest: pole (i, j) starts at
 * poles[4 * (j * num_poles_u + i)]. Every function here uses this order.
 * Knots: flat vectors of num_poles + order values, non-decreasing.
 */
#ifndef KX_MODL_BSURF_H
#define KX_MODL_BSURF_H

#include "kx_types.h"

KX_BEGIN_DECLS

/* One B-surface, caller-owned. Arrays that KX_MODL_ask_bsurf fills come
 * from the library's allocator: KX_MODL_free_bsurf_data frees them. */
typedef struct bsurface_data_s {
    int num_poles_u;
    int num_poles_v;
    int order_u; /* degree + 1 */
    int order_v;
    int is_rational; /* 1 when a weight is not 1.0 */
    double* knots_u; /* num_poles_u + order_u */
    double* knots_v; /* num_poles_v + order_v */
    double* poles;   /* num_poles_u * num_poles_v * 4 */
} bsurface_data;

/* One report of repair: the host's state code divided by 4 and its
 * remainder, with three values. */
typedef struct bsurface_state_s {
    int state_code;
    int flag;
    double value[3];
} bsurface_state;

/* A row of points for KX_MODL_create_bsurf_thru_pts: its points (three
 * doubles each) and, in mode 3, a weight per point. */
typedef struct bsurf_row_s {
    int num_points;
    double* points;
    double* weight;
} bsurf_row;

/* Sheets from poles and knots; host_word1 and host_word2 go to the host's
 * constructor as they are. */
KXAPI int KX_MODL_create_bsurf(int num_poles_u, int num_poles_v, int order_u, int order_v, double* knots_u,
                               double* knots_v, double* poles, tag* bsurf_obj, int host_word1, int host_word2);
/* Trimmed by loops of curves: num_loops loops of curves_per_loop[i] curves
 * each (the curves array holds them loop after loop), a sense per curve (1
 * along, -1 against), put onto the surface within tolerance. */
KXAPI int KX_MODL_cre_trim_bsurf(int num_poles_u, int num_poles_v, int order_u, int order_v, double* knots_u,
                                 double* knots_v, double* poles, int num_loops, int* curves_per_loop, int* senses,
                                 tag* curves, int option, double tolerance, tag* bsurf_obj, int host_word1,
                                 int host_word2);
/* Trimmed by loops of B-curves in the parameter space (x is u, y is v). */
KXAPI int KX_MODL_cre_2dtrim_bsurf(int num_poles_u, int num_poles_v, int order_u, int order_v, double* knots_u,
                                   double* knots_v, double* poles, int num_loops, int* curves_per_loop, int* senses,
                                   tag* curves, double tolerance, tag* bsurf_obj, int host_word1, int host_word2);
/* The whole surface with its edges: faces[0] the sheet's face, faces[1]
 * its surface's kernel tag; edges the sides at v min, u max, v max, u min
 * (NULL_TAG for a side collapsed into a point). */
KXAPI int KX_MODL_create_bs_edges(int num_poles_u, int num_poles_v, int order_u, int order_v, double* knots_u,
                                  double* knots_v, double* poles, tag* bsurf_obj, tag faces[2], tag edges[4],
                                  int host_word1, int host_word2);
KXAPI int KX_MODL_create_bs_2d_edges(int num_poles_u, int num_poles_v, int order_u, int order_v, double* knots_u,
                                     double* knots_v, double* poles, tag* bsurf_obj, tag faces[2], tag edges[4],
                                     int host_word1, int host_word2);
/* A sheet of the record, repaired on the way; the repair's reports in
 * *states (KX_free), their number in *num_states (left as it is when
 * states is NULL). */
KXAPI int KX_MODL_create_bsurface(bsurface_data* data, tag* bsurf_obj, int* num_states, bsurface_state** states);
/* Smoothing and repair of a record in place: its arrays must have room
 * for what comes back (875046, the record unchanged, when they have not).
 * A tolerance of 0 takes the work part's. */
KXAPI int KX_MODL_smooth_bsurface_data(int smooth_u, int smooth_v, double tolerance, int host_word1, int host_word2,
                                       bsurface_data* data, int* num_states, bsurface_state** states);
KXAPI int KX_MODL_fix_bsurface_data(double tolerance, bsurface_data* data, int* num_states, bsurface_state** states);
/* A sheet through rows of points: mode 1 interpolates, 2 fits, 3 fits with
 * each row's weights; degrees 1 to 24; periodic 0 or 1. */
KXAPI int KX_MODL_create_bsurf_thru_pts(int mode, int periodic_u, int periodic_v, int degree_u, int degree_v,
                                        int num_rows, bsurf_row* rows, tag* bsurf_obj);
/* The B-surface of a face (an offset face: its base surface). */
KXAPI int KX_MODL_ask_bsurf(tag face, bsurface_data* data);
KXAPI int KX_MODL_free_bsurf_data(bsurface_data* data);
/* Gives the face of a feature's body the record's surface; the feature
 * becomes a B-rep feature. */
KXAPI int KX_MODL_edit_bsurf(tag face, bsurface_data* data);

KX_END_DECLS

#endif
