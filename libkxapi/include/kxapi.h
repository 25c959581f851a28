/* The programming interface: includes every module header. */
#ifndef KXAPI_H
#define KXAPI_H

#include "kx_types.h"
#include "kx_core.h"
#include "kx_lists.h"

#endif
