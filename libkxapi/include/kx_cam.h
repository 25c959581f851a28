/* Manufacturing: module initialisation. */
#ifndef KX_CAM_H
#define KX_CAM_H

#include "kx_types.h"

KX_BEGIN_DECLS

/* Registers the pre-processing message band; always answers 0. */
KXAPI int KX_CAM_PREPRO_init_module(void);

KX_END_DECLS

#endif
