/* Process-wide number blocks of the host's modelling: the modelling
 * tolerances and the length factors between model and solid kernel.
 *
 *  - srfc1_: the modelling distance tolerance (model units) first, the
 *    modelling angle tolerance (degrees) second; shared with the host and
 *    set through the interface.
 *  - pxsfac_: the model-to-kernel length factor first, the kernel-to-model
 *    factor second. The solid kernel works in the model's lengths, so both
 *    are 1: a length read from the kernel is a model length.
 */
#ifndef HOST_NUMERIC_TOLERANCES_H
#define HOST_NUMERIC_TOLERANCES_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

extern double srfc1_[2];
extern double pxsfac_[2];

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
