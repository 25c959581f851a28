// Test hook of the display functions. Internal to the library.
#ifndef KX_OBJ_KX_DISP_INTERNAL_H
#define KX_OBJ_KX_DISP_INTERNAL_H

#include "kx_types.h"

KX_BEGIN_DECLS
// Puts the saved creation defaults back to their state at process start
// (colour 7, layer 1, width 0, font 1), as in a new process.
void kx_disp_reset_for_tests(void);
KX_END_DECLS

#endif
