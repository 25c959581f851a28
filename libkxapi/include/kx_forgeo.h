/* Foreign surfaces: surface kinds that a program defines by an evaluator of
 * its own. */
#ifndef KX_FORGEO_H
#define KX_FORGEO_H

#include "kx_types.h"

/* Answers 0 with the point of the surface at uv, or a code of its own for a
 * parameter pair it cannot evaluate; data is the pointer given at
 * registration. */
typedef int (*forgeo_evaluator)(void* data, const double uv[2], double point[3]);

KX_BEGIN_DECLS

/* Registers the kind `name` with its evaluator and data (none of them may
 * be null; a name is registered once). 0 done; 1 for a null argument or any
 * failure of the host. */
KXAPI int KX_FORGEO_register_surface(const char* name, forgeo_evaluator evaluator, void* data);

KX_END_DECLS

#endif
