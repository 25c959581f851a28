/* The host's common block acom_, addressed by 32-bit word index from 0.
 * Reset to zeros with the host. */
#ifndef HOST_NUMERIC_ACOM_H
#define HOST_NUMERIC_ACOM_H

#define ACOM_WORDS 4096

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

extern int acom_[ACOM_WORDS];

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
