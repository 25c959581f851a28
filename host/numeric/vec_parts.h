/* Parts of a vector relative to a direction, in the numbered form the
 * host's older routines call. */
#ifndef HOST_NUMERIC_VEC_PARTS_H
#define HOST_NUMERIC_VEC_PARTS_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* out = the part of v at right angles to d: v - ((v . d) / (d . d)) d (d
 * need not be unit); v itself for a zero d. out may be v. Null arguments
 * raise HOST_ERR_NULL_ARGUMENT. */
void h01905_(const double v[3], const double d[3], double out[3]);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
