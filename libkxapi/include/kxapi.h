/* The programming interface: includes every module header. */
#ifndef KXAPI_H
#define KXAPI_H

#include "kx_types.h"
#include "kx_core.h"
#include "kx_abort.h"
#include "kx_modl.h"
#include "kx_undo.h"
#include "kx_callback.h"
#include "kx_text.h"
#include "kx_ui.h"
#include "kx_part.h"
#include "kx_attr.h"
#include "kx_obj.h"
#include "kx_assem.h"
#include "kx_disp.h"
#include "kx_mtx.h"
#include "kx_eval.h"
#include "kx_csys.h"
#include "kx_curve.h"
#include "kx_cam.h"
#include "kx_misc.h"
#include "kx_cfi.h"
#include "kx_disp_temp.h"
#include "kx_disp_prim.h"
#include "kx_udobj.h"
#include "kx_dirpath.h"
#include "kx_so.h"
#include "kx_gexp.h"

#endif
