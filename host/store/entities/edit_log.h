/* What the host does after a curve or other model object has been edited:
 * the sketch that owns the object is told (sk_edit_curve_), and the update
 * log records the object for the next model update. Also the smart-object
 * query (SO_is_so) and the activation of an object's coordinate system
 * (CS2_activate_cs_of_object), which editing functions consult first.
 *
 * Smart objects and sketch membership are those of the entity store
 * (host/store/entities/entity_store.h: Attrs::smart, the members of a sketch, type
 * 134). The update log is model state (undo marks roll it back); the sketch
 * edit record and the activated coordinate system are service state (reset
 * with the host).
 * A tag of no live object raises HOST_ERR_DEAD_TAG.
 */
#ifndef HOST_CORE_EDIT_LOG_H
#define HOST_CORE_EDIT_LOG_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* 1 when the object is a smart object (its geometry follows its parents). */
int SO_is_so(unsigned int object);
/* Makes the coordinate system of the object's matrix the active one for the
 * host's entity routines that follow. */
void CS2_activate_cs_of_object(unsigned int object);
/* 1 and the sketch (when sketch is not null) when the object is a member of
 * a sketch; 0 and 0 otherwise. */
int ES_find_sketch_of_member(unsigned int object, unsigned int* sketch);
/* Tells the object's sketch that the curve was edited. */
void sk_edit_curve_(const unsigned int* object);
/* Records the object on the update log. */
void UPDATE_log_entity_to_update(unsigned int object);
/* Records application data (kind, value) of the object on the update log. */
void UPDATE_log_entity_int_app_data(unsigned int object, int kind, int value);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <vector>

namespace host::edit_log {

using tag_t = unsigned int;

struct LogEntry {
    tag_t object;
    bool app_data;  // false: UPDATE_log_entity_to_update
    int kind;
    int value;
};

// The update log since the last reset, oldest first.
std::vector<LogEntry> update_log();
// Curves whose sketch was told of an edit, in order.
std::vector<tag_t> sketch_edits();
// The object whose coordinate system CS2_activate_cs_of_object activated
// last, 0 when none.
tag_t activated_object();

}  // namespace host::edit_log
#endif

#endif
