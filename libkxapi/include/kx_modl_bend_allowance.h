/* Bend allowance and forming of sheet-metal features (flanges, general
 * flanges, bridges and bends): the bend-allowance formula, forming and
 * unforming, and the forming state of one feature. Besides the codes, the
 * functions answer 1 for a feature of no kind that has a formula or a
 * forming state, 2 instead of 1 in the formula functions while the
 * bend-allowance table is in use, and 3 for general flanges and bridges in
 * the two state functions. */
#ifndef KX_MODL_BEND_ALLOWANCE_H
#define KX_MODL_BEND_ALLOWANCE_H

#include "kx_types.h"

KX_BEGIN_DECLS

/* *formula: a copy that the caller frees with KX_free. */
KXAPI int KX_MODL_ask_bend_allowance_formula(tag feature, char** formula);
KXAPI int KX_MODL_edit_bend_allowance_formula(tag feature, const char* formula);
/* *changed becomes 1 when a feature changed its state; else it stays. */
KXAPI int KX_MODL_form_features(int count, const tag* features, unsigned char* changed);
KXAPI int KX_MODL_unform_features(int count, const tag* features, unsigned char* changed);
/* State 1 formed, 0 unformed, 2 in between (at *factor). */
KXAPI int KX_MODL_ask_formable_feature_state(tag feature, int* state, double* factor);
KXAPI int KX_MODL_edit_formable_feature_state(tag feature, int state, double* value);

KX_END_DECLS

#endif
