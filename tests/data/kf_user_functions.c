/* A user library of functions that rules call with extension("testfn",
 * "<function>", args...): loaded by the host's user-exit runner, it takes
 * the interface and the host from the test program that loads it. Results
 * live in the library (the caller copies kind and payload). */
#include <stdlib.h>

#include "host/base/services/error.h"
#include "host/platform/support/support.h"
#include "host/platform/system/user_exit.h"
#include "kx_kf.h"

static knowledge_value answer;
static char text[256];

static knowledge_value_p_t integer(int v) {
    answer.kind = 7;
    answer.engine = 0;
    answer.payload.word = v;
    return &answer;
}

/* Twice its first argument: an integer for an integer, else a number. */
void twice(knowledge_value_p_t* args, int n, knowledge_value_p_t* result) {
    if (n < 1) return;
    if ((args[0]->kind & 0xBFFFFFFFu) == 7) {
        *result = integer(2 * args[0]->payload.word);
        return;
    }
    answer.kind = 12;
    answer.payload.number = 2 * args[0]->payload.number;
    *result = &answer;
}

/* Half its first argument (a number), as a number. */
void half(knowledge_value_p_t* args, int n, knowledge_value_p_t* result) {
    (void)n;
    answer.kind = 12;
    answer.payload.number = args[0]->payload.number / 2;
    *result = &answer;
}

/* Sets no result. */
void nothing(knowledge_value_p_t* args, int n, knowledge_value_p_t* result) {
    (void)args;
    (void)n;
    (void)result;
}

/* The number of arguments, or -1 when the instance's value is not past
 * them. */
void count(knowledge_value_p_t* args, int n, knowledge_value_p_t* result) {
    *result = integer((args[n]->kind & 0xBFFFFFFFu) == 13 ? n : -1);
}

/* The calling instance's name chain, as a string. */
void self(knowledge_value_p_t* args, int n, knowledge_value_p_t* result) {
    KX_KF_instance_p_t instance = NULL;
    const char* chain = NULL;
    if (KX_KF_ask_instance_of_args(args, n, &instance) != 0 || KX_KF_ask_name_chain_of_instance(instance, &chain) != 0)
        return;
    size_t i = 0;
    for (; chain[i] && i + 1 < sizeof text; ++i) text[i] = chain[i];
    text[i] = '\0';
    answer.kind = 15;
    answer.payload.pointer = text;
    *result = &answer;
}

/* The user-exit type and run-time environment it runs in: type * 10 + env. */
static int where(void) { return KXEXIT_ask_user_exit_type() * 10 + RTENV_ask_env(); }

void probe(knowledge_value_p_t* args, int n, knowledge_value_p_t* result) {
    (void)args;
    (void)n;
    *result = integer(where());
}

/* Calls probe through a plain invocation of its own: before * 10000 +
 * inner * 100 + after, each a where(). */
void nest(knowledge_value_p_t* args, int n, knowledge_value_p_t* result) {
    (void)args;
    (void)n;
    const int before = where();
    KX_KF_rule_invocation_arguments_p_t inner = calloc(1, sizeof *inner);
    inner->count = 2;
    inner->items = calloc(2, sizeof(knowledge_value));
    inner->items[0].kind = 15;
    inner->items[0].payload.pointer = (void*)"testfn";
    inner->items[1].kind = 15;
    inner->items[1].payload.pointer = (void*)"probe";
    knowledge_value got = {0, 0, {0}};
    KX_KF_invoke_kestrix_extension(NULL, inner, &got); /* hands `inner` back to the engine */
    const int after = where();
    *result = integer(before * 10000 + got.payload.word * 100 + after);
}

/* Leaves the user-exit type and environment changed and raises. */
void fails(knowledge_value_p_t* args, int n, knowledge_value_p_t* result) {
    (void)args;
    (void)n;
    (void)result;
    KXEXIT_set_user_exit_type(9);
    RTENV_set_env(7);
    ERROR_raise("testfn", 1, 750098, "failure inside the user function");
}
