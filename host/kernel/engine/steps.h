/* Steps of one body's recipe made again on another: the feature service
 * uses them to make the bodies of a part read from a file again (a
 * boolean's tool went into its body when it was made, so its step is the
 * only place the tool is kept). */
#ifndef HOST_KERNEL_STEPS_H
#define HOST_KERNEL_STEPS_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* Runs step `step` of body `from` again on body `to` (appended to its
 * steps), or, with `to` 0, as the first step of a new body (objects in the
 * work part; the step must make a body: the first). A step that keeps the
 * first solid of a boolean's result comes along with its boolean. *body is
 * the body written, *at the step's place in it. */
void ZQ_BODY_copy_step(int from, int step, int to, int* body, int* at);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
