/* The stories of the C user program (scenario.c), as its drivers call them.
 *
 * Each scenario_* function answers 0 when its story went through, else 1
 * with the reason written into `why`. A story starts as a fresh process
 * does: host and library in their starting state. */
#ifndef TESTS_LIBKXAPI_C_PROGRAM_SCENARIO_H
#define TESTS_LIBKXAPI_C_PROGRAM_SCENARIO_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

int scenario_model(const char* dir, char* why, size_t n);
int scenario_reopen(const char* dir, char* why, size_t n); /* reads the part scenario_model saved in dir */
int scenario_error_handler(const char* dir, char* why, size_t n);
int scenario_refusals(const char* dir, char* why, size_t n);

/* Someone who watches the program's library calls (the tests' fault
 * simulation): begin is told before each call whose status the program
 * looks at, end after it with the status, and answers the status the
 * program then sees. */
typedef struct scenario_observer_s {
    void (*begin)(const char* call);
    int (*end)(int status);
} scenario_observer;

/* Sets the observer of the stories that run next; NULL for none. */
void scenario_observe(const scenario_observer* observer);

#ifdef __cplusplus
}
#endif

#endif
