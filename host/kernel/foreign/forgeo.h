/* Foreign surfaces: surface kinds that a user program defines by an
 * evaluator of its own, registered by name for the session. The host calls
 * the evaluator to find the points of a surface of the kind.
 *
 * The evaluator answers 0 with the point at (u, v), or a code of its own
 * for a parameter pair it cannot evaluate. A name is registered once;
 * registering it again raises HOST_ERR_BAD_ARGUMENT, as does an empty
 * name. The registry lasts the session (a reset of the host clears it). */
#ifndef HOST_FOREIGN_FORGEO_H
#define HOST_FOREIGN_FORGEO_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

typedef int (*FORGEO_evaluator_t)(void* data, const double uv[2], double point[3]);

/* Registers the kind `name` with its evaluator and the data handed to it. */
void FORGEO_register_surface(const char* name, FORGEO_evaluator_t evaluator, void* data);
/* The point of a surface of the kind at uv, by its evaluator: an unknown
 * kind raises HOST_ERR_BAD_ARGUMENT, an evaluator's failure
 * HOST_ERR_BAD_ARGUMENT with the evaluator's code in the message. */
void FORGEO_evaluate_surface(const char* name, const double uv[2], double point[3]);
/* The registry's own copy of a registered kind's name (it lasts the
 * session); an unknown kind raises HOST_ERR_BAD_ARGUMENT. */
const char* FORGEO_ask_kind_name(const char* name);

/* A surface of a registered kind over a parameter box, sampled on a grid of
 * nu x nv points (each 2 to 64) that the kernel's surface passes through. */
typedef struct FORGEO_surface_def_s {
    const char* kind;
    double u[2]; /* first and last u */
    double v[2];
    int nu, nv;
} FORGEO_surface_def_t;

/* Samples the kind's evaluator over the grid and keeps the samples as a
 * foreign surface: *surface its identifier, or 0 when the box is empty (a
 * first parameter equal to the last). An unknown kind, a grid out of range
 * or a failing evaluator raise HOST_ERR_BAD_ARGUMENT; parameters not finite
 * or the wrong way round KERNEL_ERR_DEGENERATE. (host/kernel/engine/brep_foreign.cpp) */
void FORGEO_create_surface(const FORGEO_surface_def_t* def, int* surface);
/* The definition of the foreign surface of a sheet: surface is the kernel
 * identifier of the sheet's face (KI_idsoff), sheet the sheet body object.
 * The kind in *result is the registry's name (it lasts the session). Raises
 * KERNEL_ERR_WRONG_ENTITY for a face made on no foreign surface. */
void FORGEO_ask_surface(int surface, unsigned int sheet, FORGEO_surface_def_t* result);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */
/* A kernel sheet body (with its model objects) whose one face lies on the
 * foreign surface `surface` of FORGEO_create_surface, approximated by a
 * B-spline surface through the samples (ZQ_BODY_points_sheet); the three
 * options must be 0.
 * Raises KERNEL_ERR_NO_ENTITY for an identifier of no foreign surface. */
void KI_crbyge(int surface, int option1, int option2, int option3, int* body);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
