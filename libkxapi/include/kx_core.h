/* Interface core: session, status texts, error handlers, caller memory and
 * tag handles.
 *
 * A program opens a session with KX_initialize before it calls any other
 * function of the interface, and closes it with KX_terminate. Every
 * function returns a status code (0 is success) unless said otherwise;
 * KX_get_fail_message turns any code into its text. */
#ifndef KX_CORE_H
#define KX_CORE_H

#include <setjmp.h>

#include "kx_types.h"

KX_BEGIN_DECLS

/* Size of a message buffer: 132 characters and the terminator. */
#define KX_MESSAGE_BUFSIZE 133

/* ---- Session ---------------------------------------------------------- */

/* Opens the session, or counts one more nesting level of it. Answers
 * 1105002 once KX_terminate has ended a session (except in run-time
 * environment kind 2), or the host's start-up code when start-up fails. */
KXAPI int KX_initialize(void);

/* Closes one nesting level; the outermost call tears the session down. */
KXAPI int KX_terminate(void);

/* 1 when the interface may be used, else 0. */
KXAPI int KX_is_initialized(void);

/* The start-up chain that the host runs for an external program. */
KXAPI int SYS_init_extkxapi(void);

/* Marks a custom application: its outermost KX_terminate keeps the
 * session open. */
KXAPI void KX__set_custom_app_open(void);

/* Journal of retired entry points: mode 0 off, 1 count, 2 count per name.
 * The mode is read once from JQII_USING_RETIRING_FUNCTIONS unless
 * KX_set_retiring_flag sets it first. */
KXAPI int KX_ask_retiring_flag(void);
KXAPI int KX_set_retiring_flag(int mode);
/* Records one call of a retired entry point: NULL counts it in mode 1,
 * a name counts it under that name in mode 2. */
KXAPI void KX_set_function_called(const char* name);

/* ---- Status texts and error handlers --------------------------------- */

/* Writes the text of a status code into message (KX_MESSAGE_BUFSIZE
 * characters). Answers 0 when a text was found, 1 when the code has none
 * (the buffer then says so). A negative code is answered by uc4599. */
KXAPI int KX_get_fail_message(int code, char message[KX_MESSAGE_BUFSIZE]);

/* Text of a negative code of the old numbered interface; at most 132
 * characters and a terminator are written. */
KXAPI void uc4599(int code, char* text);

/* Arms a recovery point of the caller's own: after setjmp(buffer) returned
 * 0, an error raised inside any later call of the interface that has no
 * recovery point of its own comes back to that setjmp with a non-zero
 * value, and KX_ERROR_ask_failure_code gives its code. Answers the
 * handler id, or -1 for a null buffer or when the session is not open. */
KXAPI int KX_ERROR_set_handler(jmp_buf buffer);
/* Removes the handler armed by KX_ERROR_set_handler; -1 is ignored. A
 * program cancels its handler also in the branch that an error's jump
 * landed in (the jump has taken it off already; the cancel is then quiet). */
KXAPI void KX_ERROR_cancel_handler(int handler_id);
/* Code of the last error caught; 1105000 when the session is not open. */
KXAPI int KX_ERROR_ask_failure_code(void);

/* ---- Caller memory ---------------------------------------------------- */

/* Frees a block that the interface handed out. */
KXAPI void KX_free(void* block);
/* Frees n strings and then the array that holds them. */
KXAPI void KX_free_string_array(int n, char** array);
/* Allocates a block from the host's allocator; *error receives 0 or the
 * failure code. A null error argument gives NULL. */
KXAPI void* KX_allocate_memory(unsigned int size, int* error);
/* Resizes a block; size 0 frees it and answers NULL. A null error argument
 * gives NULL and changes nothing. */
KXAPI void* KX_reallocate_memory(void* block, unsigned int size, int* error);

/* ---- Tags and persistent handles ------------------------------------ */

KXAPI char* KX_TAG_ask_handle_of_tag(tag object);
KXAPI tag KX_TAG_ask_tag_of_handle(const char* handle);
KXAPI tag KX_TAG_ask_new_tag_of_entity(unsigned int entity);
/* file_data: two characters naming the data manager, then the file part.
 * *handle is the caller's to free with KX_free. */
KXAPI int KX_TAG_compose_handle(const char* file_data, unsigned int sub_file_id, unsigned int version, char** handle);
/* *file_data is the caller's to free with KX_free. */
KXAPI int KX_TAG_decompose_handle(const char* handle, char** file_data, unsigned int* sub_file_id,
                                  unsigned int* version);

KX_END_DECLS

#endif
