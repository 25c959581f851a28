/* The host's undo service: a stack of marks, each a checkpoint of the
 * model's journal (host/base/model.h): setting one costs the same whatever the
 * size of the model, the changes after it record what they touch. Undoing
 * to a mark rolls the model back to its state when the mark was set and
 * removes the marks set after it; the mark itself stays, so that the model
 * can be rolled back to it again. Deleting a mark leaves the model as it
 * is.
 *
 * Visibility of a mark (0 to 2; other values give UNDO_ERR_BAD_VISIBILITY):
 *   UNDO_INVISIBLE (0)  a program's own mark, not an undo step of the user;
 *   UNDO_VISIBLE   (1)  an undo step that the user sees;
 *   UNDO_TEMPORARY (2)  a mark held for the length of one operation.
 * The "next visible mark" is the newest mark of visibility 1: the one that
 * the user's next undo rolls back to.
 *
 * A function that names a mark takes its id and its name: an id other than 0
 * selects the mark by id, id 0 selects the newest mark with that name.
 * Functions answer 0 or a code of the undo band; UNDO_ERR_NO_MARK when the
 * named mark does not exist.
 *
 * Miscellaneous callbacks: routines the undo service calls on its own
 * events (kind 0 to 5, UNDO_CB_...), for the marks of one visibility (the
 * "all deleted" event for any). They are called as
 * routine(kind, mark, owner, user_data) with the second and fifth words
 * given at registration. While callbacks are disabled none is called. While
 * the service calls one, setting a mark, undoing and deleting answer
 * UNDO_ERR_BUSY (UNDO_JQ_set_mark through its status output, id 0).
 */
#ifndef HOST_FEATURE_UNDO_H
#define HOST_FEATURE_UNDO_H

#include "host/base/services/codes.h"

#define UNDO_INVISIBLE 0
#define UNDO_VISIBLE   1
#define UNDO_TEMPORARY 2

/* Codes of the host's undo band. */
#define HOST_UNDO_CODES(X)                                                            \
    X(UNDO_ERR_BUSY, 1055001, "The undo service is busy calling a callback")          \
    X(UNDO_ERR_BAD_VISIBILITY, 1055002, "The undo mark visibility must be 0, 1 or 2") \
    X(UNDO_ERR_BAD_KIND, 1055003, "Unknown kind of undo callback")                    \
    X(UNDO_ERR_NO_MARK, 1055004, "The mark does not exist")                           \
    /* no miscellaneous callback with this id */                                      \
    X(UNDO_ERR_NO_CALLBACK, 1055005, "No undo callback is registered with this id")
HOST_CODE_CONSTANTS(HOST_UNDO_CODES);

/* Kinds of miscellaneous callbacks. */
#define UNDO_CB_MARK_SET       0
#define UNDO_CB_BEFORE_UNDO    1
#define UNDO_CB_AFTER_UNDO     2
#define UNDO_CB_MARK_DELETED   3
#define UNDO_CB_ALL_DELETED    4
#define UNDO_CB_VISIBILITY_SET 5

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

typedef void (*UNDO_misc_cb_fn_t)(int kind, unsigned int mark, void* owner, void* user_data);

/* Answers the new mark's id (> 0), or 0 with the status output set. */
unsigned int UNDO_JQ_set_mark(int visibility, const char* name, int* status);
/* 1 when the mark exists, else 0. */
int UNDO_JQ_ask_mark_exist(unsigned int mark, const char* name);
int UNDO_JQ_undo_to_mark(unsigned int mark, const char* name);
/* Undoes to the newest mark of the visibility (and the name, when one is given). */
int UNDO_JQ_undo_to_last_mark(int visibility, const char* name);
/* Undoes to the newest mark of the visibility set before the mark previous_to. */
int UNDO_JQ_undo_to_previous_mark(int visibility, unsigned int previous_to, const char* name);
int UNDO_JQ_ask_mark_visibility(unsigned int mark, const char* name, int* visibility);
int UNDO_JQ_set_mark_visibility(unsigned int mark, const char* name, int visibility);
/* Sets the visibility of the mark and every mark set after it. */
int UNDO_JQ_set_to_mark_visibility(unsigned int mark, const char* name, int visibility);
int UNDO_JQ_ask_any_mark_exist(int visibility);
int UNDO_JQ_ask_number_of_marks(int visibility);
/* Removes the mark; the model stays as it is. */
int UNDO_JQ_delete_mark(unsigned int mark, const char* name);
int UNDO_JQ_delete_all_marks(void);
/* Removes the mark and every mark set after it; the model stays. */
int UNDO_JQ_delete_to_mark(unsigned int mark, const char* name);
/* The newest visible mark's id; UNDO_ERR_NO_MARK (and 0) when there is none. */
int UNDO_JQ_ask_next_vis_mark(unsigned int* mark);
int UNDO_JQ_undo_to_next_vis_mark(void);

int UNDO_JQ_register_misc_cb(int kind, void* owner, int visibility, UNDO_misc_cb_fn_t routine, void* user_data,
                             unsigned int* id);
int UNDO_JQ_unregister_misc_cb(unsigned int id);
int UNDO_JQ_delete_all_misc_cbs(void);
int UNDO_JQ_disable_misc_cbs(void);
int UNDO_JQ_enable_misc_cbs(void);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <string>
#include <vector>

namespace host::undo {
struct MarkInfo {
    unsigned int id;
    std::string name;
    int visibility;
};
// The marks from the oldest to the newest.
std::vector<MarkInfo> marks();
int misc_callback_count();
}  // namespace host::undo
#endif

#endif
