/* The programming interface: includes every module header. */
#ifndef KXAPI_H
#define KXAPI_H

#include "kx_types.h"

#endif
