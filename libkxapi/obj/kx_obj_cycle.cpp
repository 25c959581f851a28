// Cycling through the objects of a part: by type, all of them, by name.
#include <string>

#include "kx_obj.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/obj/kx_obj_internal.h"
#include "libkxapi/core/kx_util.h"

#include "host/store/entities/entity_cycle.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/views.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/rm.h"
#include "host/base/services/objects.h"

namespace {

constexpr const char* kModule = "kx_obj_cycle";
constexpr int kNoPart = KX_PART_ERR_NOT_LOADED;

// One step of a by-type cycle (feature records apart).
void step_by_type(tag part, int type, tag* object) {
    if (type == HOST_TYPE_FEATURE) ES_cycle_frecs(part, object);
    else ES_cycle_entities_by_type(part, type, object);
}

}  // namespace

KXAPI int KX_OBJ_cycle_objs_in_part(tag part, int type, tag* object) {
    return kx::frame(
        [&] {
            return part == NULL_TAG ? kNoPart : kx::check({{object, 3}});
        },
        [&] {
            KX_CHECK_CLASS(part, OM_CLASS_PART);
            step_by_type(part, type, object);
        });
}

KXAPI tag KX_OBJ_cycle_all(tag part, tag object) {
    // The answer has no status beside it: every failure answers NULL_TAG,
    // and a host error met on the way is handled so (acknowledged, so that
    // the host does not report it again).
    tag next = NULL_TAG;
    const int st = kx::frame(kx::acknowledging, [&] { return part == NULL_TAG ? kNoPart : 0; },
                             [&] {
                                 KX_CHECK_CLASS(part, OM_CLASS_PART);
                                 if (object == NULL_TAG) {
                                     next = PART_partially_loaded(part) ? NULL_TAG : RM_start_cycle_in_part(part);
                                     return;
                                 }
                                 if (RM_ask_entity_type(object) == HOST_TYPE_FEATURE) {
                                     next = object;
                                     ES_cycle_frecs(part, &next);
                                     return;
                                 }
                                 next = RM_next_entity(object);
                                 if (next == NULL_TAG) ES_cycle_frecs(part, &next);  // entities done: features
                             });
    return st == 0 ? next : NULL_TAG;
}

KXAPI int KX_OBJ_cycle_by_name(const char* name, tag* object) {
    // The session is checked before the work part is asked for. A step goes
    // through the host's index of names: its cost does not grow with the
    // part. Entities come first; a search that starts from an entity ends
    // with them, one from nothing goes on to the feature records, one from a
    // feature record stays among them.
    return kx::frame([&] {
        if (!object || !name) return kx::param(1);
        const tag work = CONTEXT_ask_work_part();
        if (work == NULL_TAG) return kNoPart;
        KX_CHECK_CLASS(work, OM_CLASS_PART);
        const std::string wanted = std::string(name).substr(0, KX_OBJ_NAME_LEN);
        const tag start = *object;
        tag current = start;
        if (start == NULL_TAG || RM_ask_entity_type(start) != HOST_TYPE_FEATURE) {
            ES_cycle_entities_by_name(work, wanted.c_str(), &current);
            if (current != NULL_TAG || start != NULL_TAG) {
                *object = current;
                return 0;
            }
        }
        ES_cycle_frecs_by_name(work, wanted.c_str(), &current);
        *object = current;
        return 0;
    });
}

KXAPI int KX_OBJ_cycle_by_name_and_type(tag part, const char* name, int type, logical include_occurrences,
                                                   tag* object) {
    // The candidates are the part's objects of that name, found through the
    // host's index of names; of them the first of the type is the answer.
    return kx::frame(
        [&] {
            return kx::check({{name, 2}, {object, 5}});
        },
        [&] {
            if (!TAG_ask_pointer_of_tag(part) || OM_ask_class(part) != OM_CLASS_PART) return kNoPart;
            KX_CHECK_CLASS(part, OM_CLASS_PART);
            for (;;) {
                if (type == HOST_TYPE_FEATURE) ES_cycle_frecs_by_name(part, name, object);
                else ES_cycle_entities_by_name(part, name, object);
                if (*object == NULL_TAG) break;
                if (type != HOST_TYPE_FEATURE && RM_ask_entity_type(*object) != type) continue;
                // Occurrences are passed over when not wanted; the
                // cycle goes on to the objects after them.
                if (!include_occurrences && OCC_is_occurrence(*object)) continue;
                break;
            }
            return 0;
        });
}
