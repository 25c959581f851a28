/* errors: status codes and their texts, and an error handler of the
 * program's own around a call that has no status to answer.
 *
 *     ./errors
 */
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>

#include <kxapi.h>

static jmp_buf recover;

/* Prints a status with its text. */
static void show(const char* what, int status) {
    char message[KX_MESSAGE_BUFSIZE];
    KX_get_fail_message(status, message);
    printf("%s: %d %s\n", what, status, message);
}

/* Stops the program when a call that must succeed fails. */
static void check(int status, const char* call) {
    if (status == 0) return;
    show(call, status);
    exit(1);
}
#define CHECK(call) check((call), #call)

int main(void) {
    line_data edge = {{0.0, 0.0, 0.0}, {30.0, 40.0, 0.0}};
    line_data back;
    arc_data arc;
    tag part = NULL_TAG, line = NULL_TAG;
    int not_a_block[4] = {0, 0, 0, 0};
    volatile int handler = -1;

    /* Every function answers a status; before KX_initialize it is a refusal. */
    show("KX_OBJ_set_color before KX_initialize", KX_OBJ_set_color(line, 5));

    CHECK(KX_initialize());
    CHECK(KX_PART_new("errors_demo", KX_PART_METRIC, &part));
    CHECK(KX_CURVE_create_line(&edge, &line));

    /* Refusals name what was wrong. */
    show("KX_CURVE_ask_arc_data on a line", KX_CURVE_ask_arc_data(line, &arc));
    show("KX_OBJ_set_color 300", KX_OBJ_set_color(line, 300));

    /* KX_free answers no status: an error inside it comes back to the
     * program's own handler, armed with setjmp and KX_ERROR_set_handler. */
    if (setjmp(recover) == 0) {
        handler = KX_ERROR_set_handler(recover);
        if (handler < 0) {
            fprintf(stderr, "no handler armed\n");
            return 1;
        }
        KX_free(not_a_block);
        KX_ERROR_cancel_handler(handler);
        printf("KX_free went through\n");
    } else {
        /* The jump has taken the handler off; cancelling it here is quiet. */
        KX_ERROR_cancel_handler(handler);
        show("KX_free of a block the library did not hand out", KX_ERROR_ask_failure_code());
    }

    /* The session goes on after the jump. */
    CHECK(KX_CURVE_ask_line_data(line, &back));
    printf("the line still ends at (%.1f, %.1f, %.1f)\n", back.end_point[0], back.end_point[1], back.end_point[2]);

    CHECK(KX_PART_close_all());
    CHECK(KX_terminate());
    return 0;
}
