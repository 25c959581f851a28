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
#pragma GCC visibility push(default) /* exported: see host/export.h */

typedef int (*FORGEO_evaluator_t)(void* data, const double uv[2], double point[3]);

/* Registers the kind `name` with its evaluator and the data handed to it. */
void FORGEO_register_surface(const char* name, FORGEO_evaluator_t evaluator, void* data);
/* The point of a surface of the kind at uv, by its evaluator: an unknown
 * kind raises HOST_ERR_BAD_ARGUMENT, an evaluator's failure
 * HOST_ERR_BAD_ARGUMENT with the evaluator's code in the message. */
void FORGEO_evaluate_surface(const char* name, const double uv[2], double point[3]);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
