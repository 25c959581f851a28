/* Basic types shared by every module of the programming interface. */
#ifndef KX_TYPES_H
#define KX_TYPES_H

#include <stddef.h>

#include "kx_codes.h"

#ifdef __cplusplus
#define KX_BEGIN_DECLS extern "C" {
#define KX_END_DECLS   }
#else
#define KX_BEGIN_DECLS
#define KX_END_DECLS
#endif

#if defined(__GNUC__)
#define KXAPI __attribute__((visibility("default")))
#else
#define KXAPI
#endif

/* Identifier of any object of the modelling system; NULL_TAG names none. */
typedef unsigned int tag;
#define NULL_TAG ((tag)0)

/* Result of a function of the interface: 0 is success. */
typedef int status_code;

/* An 8-bit truth value. */
typedef unsigned char logical;

#endif
