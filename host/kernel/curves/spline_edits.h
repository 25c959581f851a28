/* Edits of existing splines: moving several of a spline's defining points,
 * and reshaping a spline after a template spline (its order and knots) by a
 * least-squares fit of the spline's points.
 *
 * Point moves (BCMMCP_edit_in_kxapi): the listed defining points (numbered
 * from 0, as es0918np_ counts them) go to their new places and the spline
 * becomes the interpolation of the moved data (slopes and curvatures kept),
 * keeping them as its defining data. On a periodic spline the first point
 * and its repetition at the end move together. Answers:
 *   0  done
 *   1  the spline keeps no defining points (nothing to move)
 *   2  the moved points make no spline (a fitting code of the
 *      interpolation, e.g. two successive points coincide)
 *   3  the spline is out of sync with its defining data (its poles were
 *      changed since): moving the points would lose that change
 *   4  the data are bad: no data, no points, a null array, a point number out of
 *      range or listed twice, a coordinate that is not finite
 * Nothing is changed unless it answers 0.
 *
 * Reshaping, in steps:
 *   BCEV_create_df       defining data sampled from an evaluator: points at
 *                        BC_SAMPLES + 1 evenly spaced parameters, no slopes
 *   BCDF_convert_to_least_squares
 *                        the least-squares fit definition of defining
 *                        data's points (ends kept, as BCDF_create_df_from_pts)
 *   BCDF_attach_knot_sequence
 *                        the knots (poles + order of them) the fit is to
 *                        use instead of placing its own; the fit's order
 *                        must go with them (BCDF_change_order)
 *   BCEV_edit_ev         fits the points with the attached knots and the
 *                        fit's order over chord-length parameters mapped
 *                        onto the knots' range; the result is kept with the
 *                        fit and told in a BCEV_edit_result_t; *status 0, or
 *                        BC_ERR_KNOTS (no knots attached, or knots that do
 *                        not go with the order), BC_FIT_ORDER_POINTS (fewer
 *                        points than poles), BC_FIT_FAILED (the points leave
 *                        a pole undetermined), with nothing kept
 *   BCDF_detach_knot_sequence
 *   BC_update_curve      replaces the spline's curve by the fit's result
 *                        (raises BC_FIT_FAILED when the fit holds none); a
 *                        spline with defining data is then out of sync
 * The fit definitions are the host's blocks (SM_alloc): a memory mark
 * releases them; attachments and results of a released fit are dropped by
 * the next conversion that reuses its block.
 */
#ifndef HOST_KERNEL_SPLINE_EDITS_H
#define HOST_KERNEL_SPLINE_EDITS_H

#include "host/kernel/curves/splines.h"

#define BC_SAMPLES 64

#define BCMMCP_NO_POINTS   1
#define BCMMCP_FIT_REFUSED 2
#define BCMMCP_OUT_OF_SYNC 3
#define BCMMCP_BAD_DATA    4

/* The point-move data: count points, their numbers and new places. */
typedef struct BCMMCP_data_s {
    int count;
    const int* indices;
    const double* points; /* 3 per point */
} BCMMCP_data_t;

/* What a reshaping fit made: the largest distance of a point from the new
 * curve, the pole count and order of the curve, the number (from 1) of the
 * point farthest from it. */
typedef struct BCEV_edit_result_s {
    double deviation;
    int n_poles;
    int order;
    int max_index;
} BCEV_edit_result_t;

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

int BCMMCP_edit_in_kxapi(unsigned int spline, const BCMMCP_data_t* data);

void BCEV_create_df(unsigned int evaluator, BC_df_t* df);
void BCDF_convert_to_least_squares(const BC_df_t* df, BC_fit_t** fit);
void BCDF_attach_knot_sequence(BC_fit_t* fit, int n_knots, const double* knots);
void BCDF_detach_knot_sequence(BC_fit_t* fit);
/* mode and keep are the host's words (1, 1 for an edit), kept as given. */
void BCEV_edit_ev(BC_fit_t* fit, unsigned int evaluator, int mode, int keep, BCEV_edit_result_t* result, int* status);
void BC_update_curve(unsigned int spline, BC_fit_t* fit);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
