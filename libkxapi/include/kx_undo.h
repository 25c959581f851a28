/* Undo marks, and the deletion of features as one undoable edit.
 *
 * A program brackets its edits with undo marks so that the user, or the
 * program itself, can roll the model back to a mark. A mark has a
 * visibility and a name; functions that name a mark take its id and its
 * name (the undo service selects by id when it is not 0, else by name).
 *
 * Codes: 1105000 no session; 1105004 to 1105014 a bad argument (by its
 * position); 1055004 the mark does not exist; other codes of the undo band
 * (10550xx) come from the undo service unchanged. */
#ifndef KX_UNDO_H
#define KX_UNDO_H

#include "kx_types.h"
#include "kx_modl.h"

KX_BEGIN_DECLS

/* Identifier of an undo mark. */
typedef unsigned int KX_UNDO_mark_id_t;

/* Visibility of a mark. */
#define KX_UNDO_invisible 0 /* a program's own mark */
#define KX_UNDO_visible   1 /* an undo step that the user sees */
#define KX_UNDO_temporary 2 /* held for the length of one operation */

/* Name given to a mark set without one. */
#define KX_UNDO_DEFAULT_MARK_NAME "JQ Open User Mark"

KXAPI int KX_UNDO_set_mark(int visibility, const char* name, KX_UNDO_mark_id_t* mark_id);
KXAPI int KX_UNDO_undo_to_mark(KX_UNDO_mark_id_t mark_id, const char* name);
KXAPI int KX_UNDO_undo_to_last_mark(int visibility, const char* name);
KXAPI int KX_UNDO_undo_to_prev_mark(int visibility, KX_UNDO_mark_id_t previous_to, const char* name);
KXAPI int KX_UNDO_ask_mark_visibility(KX_UNDO_mark_id_t mark_id, const char* name, int* visibility);
KXAPI int KX_UNDO_set_mark_visibility(KX_UNDO_mark_id_t mark_id, const char* name, int visibility);
/* Sets the visibility of the mark and of every mark set after it. */
KXAPI int KX_UNDO_set_to_mark_visibility(KX_UNDO_mark_id_t mark_id, const char* name, int visibility);
KXAPI int KX_UNDO_ask_mark_exist(KX_UNDO_mark_id_t mark_id, const char* name, int* exists);
KXAPI int KX_UNDO_ask_any_mark_exist(int visibility, int* exists);
KXAPI int KX_UNDO_ask_number_of_marks(int visibility, int* number);
KXAPI int KX_UNDO_delete_mark(KX_UNDO_mark_id_t mark_id, const char* name);
KXAPI int KX_UNDO_delete_all_marks(void);
/* Deletes the mark and every mark set after it; the model stays. */
KXAPI int KX_UNDO_delete_to_mark(KX_UNDO_mark_id_t mark_id, const char* name);
/* The newest visible mark: the one the user's next undo rolls back to. */
KXAPI int KX_UNDO_ask_next_vis_mark(KX_UNDO_mark_id_t* mark_id);
KXAPI int KX_UNDO_undo_to_next_vis_mark(void);

/* Routines that the undo service calls on its own events. kind: 0 a mark
 * was set, 1 before an undo, 2 after an undo, 3 a mark was deleted, 4 all
 * marks were deleted, 5 a mark's visibility was set; called for marks of
 * the registered visibility with (kind, mark, owner, user_data). */
typedef void (*KX_UNDO_misc_cb_t)(int kind, KX_UNDO_mark_id_t mark, void* owner, void* user_data);

KXAPI int KX_UNDO_register_misc_cb(int kind, void* owner, int visibility, KX_UNDO_misc_cb_t routine, void* user_data,
                                   unsigned int* callback_id);
KXAPI int KX_UNDO_unregister_misc_cb(unsigned int callback_id);
KXAPI int KX_UNDO_delete_all_misc_cbs(void);
KXAPI int KX_UNDO_disable_misc_cbs(void);
KXAPI int KX_UNDO_enable_misc_cbs(void);

KX_END_DECLS

#endif
