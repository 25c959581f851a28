/* Deleting objects: the host's list manager (lists of objects logged for
 * deletion or update), the model update that performs them, and the old
 * numeric routines that check or delete objects of particular kinds.
 *
 * Lists are numbered from 1; list 1 is current after a reset. A list is
 * opened (LM_open_list, or LM_open_list_for_delete for deletion), collects
 * what UPDATE_log_entity_to_delete logs on the current list, and is closed
 * by UPDATE_do_update (which deletes the logged objects and answers 0) or by
 * LM_abort_list (which drops what was logged). Logging with no open current
 * list raises HOST_ERR_INTERNAL. Updates are logged on the host's update log
 * (UPDATE_log_entity_to_update, host/store/entities/edit_log.h).
 *
 * Deleting an object also deletes what only it holds: the faces of a body,
 * the views of a drawing.
 */
#ifndef HOST_CORE_ENTITY_DELETE_H
#define HOST_CORE_ENTITY_DELETE_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

int LM_is_list_open(int list);
void LM_open_list(void);
void LM_open_list_for_delete(void);
/* Makes the list current; answers the list current before. */
int LM_change_current_list(int list);
void LM_abort_list(void);
void UPDATE_log_entity_to_delete(unsigned int object);
/* Performs what the current list logged and closes it; answers 0. */
int UPDATE_do_update(void);

/* Nonzero when the curve, boundary or other object is used by others and
 * cannot be deleted. */
int esinsx_(const unsigned int* object);
/* Deletion of objects of types 32 and 33: *state 1 when deleted, 2 when the
 * object is in use (then it stays); *extra receives the count deleted. */
void es3290_(const unsigned int* object, int* state, int* extra);
void es3390_(const unsigned int* object, int* state, int* extra);
/* The modelling entity of an object of type 70 and the size of its body:
 * *entity is the face or edge object itself (the object the surface and
 * curve queries take), 0 for a body or an object that belongs to no live
 * body; *faces is how many faces that body has (0 with no entity). A face
 * or edge of a kernel body answers from the kernel, other objects from
 * their owner's members. */
void es7034_(const unsigned int* object, unsigned int* entity, int* faces);
/* Releases the members of a group that is being deleted; context is the
 * host's group work area a6503_. */
void es1512_(const unsigned int* group, int* context);
extern int a6503_[8];

/* Smart objects: the class family and its own deletion. */
int CSO_ask_class(void); /* the class CSO_c */
void CSO_delete_object(unsigned int object);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <vector>

namespace host::entity {
struct ListState {
    bool open = false;
    bool for_delete = false;
    std::vector<unsigned int> to_delete;
};
const ListState& list_state(int list);
int current_list();
// Model updates run by UPDATE_do_update, and the objects it deleted, in
// order.
int updates_run();
const std::vector<unsigned int>& deleted_by_update();
// Destroys the object and what only it holds (faces of a body ...).
void destroy_with_dependents(unsigned int object);
// A face or edge of a solid kernel's body answers its body's faces through
// the kernel, which registers the answer when it loads (the store names
// none of the kernel): true, with *entity (the object, or 0 for the body
// itself) and *faces written, for a face, edge or body of a kernel body.
void set_kernel_body_faces(bool (*answer)(unsigned int object, unsigned int* entity, int* faces));
}  // namespace host::entity

namespace host::update_steps {
// Adds a step that UPDATE_do_update runs after the features, in the order
// added (from a static initialiser of the component that needs it).
void add(void (*step)());
// The features' update, which the feature service registers at start-up:
// the store's routines that update the model run it without naming the
// floors above (none registered: nothing to update).
void set_model_update(void (*update)());
void run_model_update();
}  // namespace host::update_steps
#endif

#endif
