/* Assemblies. */
#ifndef KX_ASSEM_H
#define KX_ASSEM_H

#include "kx_types.h"

KX_BEGIN_DECLS

/* The work part; NULL_TAG when there is none, when the session is not open
 * or when the host fails. */
KXAPI tag KX_ASSEM_ask_work_part(void);

KX_END_DECLS

#endif
