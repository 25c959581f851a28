/* Abort control: the host's abort flag and its lock level. */
#ifndef KX_ABORT_H
#define KX_ABORT_H

#include "kx_types.h"

KX_BEGIN_DECLS

KXAPI int KX_ABORT_ask_flag_status(logical* flag_status);
KXAPI int KX_ABORT_clear_abort(void);
KXAPI int KX_ABORT_disable_abort(void);
KXAPI int KX_ABORT_enable_abort(void);

KX_END_DECLS

#endif
