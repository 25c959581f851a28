/* The drafting library's annotation templates as the attribute functions
 * see them: annotations whose text shows an attribute of an object. After an
 * attribute of an object changes, ANN_TMP_update_object_attribute updates
 * the annotations that show the attribute of that title and answers 1 when
 * it updated any (the model then needs an update), 0 otherwise.
 *
 * Which annotations show which attribute is arranged by
 * host::ann_template::add_reference (the drafting services, tests). */
#ifndef HOST_DRAWING_ANN_TEMPLATE_H
#define HOST_DRAWING_ANN_TEMPLATE_H

#include "host/base/services/text.h"

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* A null text raises HOST_ERR_NULL_ARGUMENT, a dead object HOST_ERR_DEAD_TAG. */
int ANN_TMP_update_object_attribute(unsigned int object, TEXT_p_t title);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <string>

namespace host::ann_template {
// An annotation shows the attribute `title` of `object`.
void add_reference(unsigned int object, const std::string& title);
// Annotations updated so far.
int updates();
}  // namespace host::ann_template
#endif

#endif
