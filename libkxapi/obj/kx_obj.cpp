// Objects: types, states, deletion (directly or through the delete list and
// a model update), data exchange and names.
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "kx_modl.h"
#include "kx_obj.h"
#include "kx_undo.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/modl/kx_modl_feature_delete.h"
#include "libkxapi/core/kx_list.h"
#include "libkxapi/obj/kx_obj_internal.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"

#include "host/store/entities/display.h"
#include "host/store/entities/edit_log.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/views.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/rm.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

constexpr const char* kModule = "kx_obj";

constexpr int kCannotDelete = KX_OBJ_ERR_CANNOT_DELETE;
constexpr int kNoName = KX_OBJ_ERR_NO_NAME;
constexpr int kUseDeleteList = KX_BAND_OBJ + 2;  // internal: delete through the delete list
constexpr int kViewName = KX_OBJ_ERR_VIEW_NAME;
constexpr int kBadTag = KX_ERR_BAD_PARAM_1;
constexpr int kBadArg2 = KX_ERR_BAD_PARAM_2;
constexpr int kBadArg3 = KX_ERR_BAD_PARAM_3;
constexpr int kPartState = 3;
constexpr int kDeleteList = 1;

bool one_of(int v, std::initializer_list<int> values) {
    for (int x : values)
        if (x == v) return true;
    return false;
}

bool alive(tag object) { return object != NULL_TAG && TAG_ask_pointer_of_tag(object) != nullptr; }

// ---- Direct deletion --------------------------------------------------------

// Re-orients the work coordinate system away from the object; true when the
// object is no longer the work coordinate system afterwards.
bool move_wcs_off(tag object) {
    double origin[3];
    double values[9];
    tag matrix = NULL_TAG;
    ES_ask_csys_origin(object, origin);
    ES_ask_matrix_tag_of_entity(object, &matrix);
    ES_ask_elements_of_matrix(matrix, values);
    base_WCS_Orient(origin, values);
    return WCS_ask_tag() != object;
}

int delete_feature_record(tag feature) {
    const kx::TagListHolder list(kx::make_tag_list({&feature, 1}));
    return kx::modl::delete_features(list.list) != 0 ? kCannotDelete : 0;
}

int delete_view(tag view, int subtype) {
    if (subtype >= 7) return kCannotDelete;
    const tag drawing = DMV_ask_drawing_of_view(view);
    const tag current = DWG_ask_current_drawing();
    if (current == NULL_TAG || drawing != current) return kCannotDelete;
    return DMV_delete_views(1, &view) ? 0 : kCannotDelete;
}

}  // namespace

namespace kx::obj {

int delete_directly(tag object) {
    if (object == WCS_ask_tag() && object != NULL_TAG && !move_wcs_off(object)) return kBadTag;
    if (OCC_is_occurrence(object) || !TAG_allocated_tag(object)) return kBadTag;
    if (rm510_(&object) != kPartState && !RM_ask_promoted_state(object) && !SO_is_subclass(object) &&
        !FCF_is_fcf(object))
        return kBadTag;
    if (OM_is_subclass(OM_ask_class(object), CSO_ask_class())) {
        CSO_delete_object(object);
        return 0;
    }
    int type = 0, subtype = 0;
    RM_ask_entity_type_and_subtype(object, &type, &subtype);
    switch (type) {
        case HOST_TYPE_LINE:
        case HOST_TYPE_ARC:
        case HOST_TYPE_CONIC:
        case HOST_TYPE_SPLINE:
        case HOST_TYPE_BOUNDARY: return esinsx_(&object) ? kCannotDelete : kUseDeleteList;
        case 25: return subtype == 6 && esinsx_(&object) ? kCannotDelete : kUseDeleteList;
        case HOST_TYPE_VIEW: return delete_view(object, subtype);
        case HOST_TYPE_DRAWING: return DWG_delete_drawing(object) ? kCannotDelete : 0;
        case HOST_TYPE_COMPONENT:
            return subtype == HOST_SUBTYPE_COMPONENT ? ASSY_remove_component(object) : kCannotDelete;
        case HOST_TYPE_REFSET: OCC_delete_ref_set(object); return 0;
        case HOST_TYPE_SKETCH: {
            int state = 0;
            delete_sketch_(&object, &state);
            return one_of(state, {3, 4, 5}) ? kCannotDelete : 0;
        }
        case HOST_TYPE_DRAFTING: return SMSP_delete_object_jqopen(object);
        case HOST_TYPE_FEATURE: return delete_feature_record(object);
        default: break;
    }
    if (one_of(type, {11, 68, 82, 83, 85, 86, 87, 88, 89, 90, 97, 98, 99, 131, 198, 199, 200, 202}))
        return kCannotDelete;
    return kUseDeleteList;
}

int log_for_delete(tag object) {
    int type = 0, subtype = 0;
    RM_ask_entity_type_and_subtype(object, &type, &subtype);
    if (type == 32 || type == 33) {
        int state = 0, extra = 0;
        (type == 32 ? es3290_ : es3390_)(&object, &state, &extra);
        return state == 1 ? 0 : kCannotDelete;
    }
    if (type == HOST_TYPE_SOLID) {
        if (subtype == HOST_SUBTYPE_BODY || subtype == 1) {
            UPDATE_log_entity_to_delete(object);
        } else if (subtype == HOST_SUBTYPE_FACE) {
            unsigned int entity = 0;  // the face's solid-kernel entity
            int faces = 0;
            es7034_(&object, &entity, &faces);
            if (entity != 0 && faces == 1) UPDATE_log_entity_to_delete(object);
        }
        return 0;
    }
    UPDATE_log_entity_to_delete(object);
    if (type == HOST_TYPE_GROUP) es1512_(&object, a6503_);
    return 0;
}

DeleteList::DeleteList() : opened_(!LM_is_list_open(kDeleteList)) {
    if (opened_) LM_open_list_for_delete();
}

int DeleteList::finish() {
    if (!opened_) return 0;
    opened_ = false;
    return UPDATE_do_update();
}

void DeleteList::abandon() noexcept {
    // Called while a host error unwinds: the list that this call opened is
    // closed again so that no later deletion finds it open.
    if (!opened_) return;
    opened_ = false;
    kx::release([] { LM_abort_list(); }, true);
}

}  // namespace kx::obj

using kx::obj::DeleteList;

namespace {

// Runs the logging under the delete list: opened unless open, the model
// update run when this call opened it, the list aborted when a host error
// passes (so that no later deletion finds it open).
template <class Log>
void through_delete_list(Log&& log) {
    DeleteList list;
    try {
        log();
        list.finish();
    } catch (...) {
        list.abandon();
        throw;
    }
}

}  // namespace

// ---- Type, state and properties ------------------------------------------

namespace {

// Prologue of the queries with two outputs: the outputs cleared, then the
// object checked (1105004 null or dead), then the outputs' positions.
int check_query(tag object, int* first, int* second) {
    kx::clear(first, second);
    if (!alive(object)) return kBadTag;
    return kx::check({{first, 2}, {second, 3}});
}

}  // namespace

namespace {

namespace ho = host::objects;

bool of_class(OM_class_t cls, OM_class_t ancestor) { return cls == ancestor || OM_is_subclass(cls, ancestor); }

// The type of a live object, found once by its tag: 0, or 1105004 for an
// object of no type. Entities (feature records and light-weight occurrences
// are entities of the record manager here too) are answered by the record
// manager; parts and expressions by their class.
int type_of_object(const ho::Object& o, int* type, int* subtype) {
    const OM_class_t cls = o.cls;
    if (cls == OM_CLASS_FEATURE || of_class(cls, OM_CLASS_RM_ENTITY) || of_class(cls, OM_CLASS_OCC_LW)) {
        // The record manager answers from the record in hand. While neither
        // the journal nor a test's script watches the host, the record is
        // read here, as the frame is armed in place; otherwise the routine
        // is called, so that both see it.
        if (kx::detail::frames_watched()) {
            RM_ask_entity_type_and_subtype(o.tag, type, subtype);
        } else {
            *type = o.type;
            *subtype = o.subtype;
        }
        return 0;
    }
    if (of_class(cls, OM_CLASS_PART)) {
        *type = KX_OBJ_PART_TYPE;
        return 0;
    }
    if (of_class(cls, OM_CLASS_EXPRESSION)) {
        *type = KX_OBJ_EXPRESSION_TYPE;
        return 0;
    }
    return kBadTag;
}

// The prologue of the type query: outputs cleared, the object looked up
// (null or dead: 1105004), then the outputs' positions. The host's pointer
// of the object found is handed to the work, which looks it up no more.
int check_type_query(tag object, int* type, int* subtype, const ho::Object*& found) {
    kx::clear(type, subtype);
    if (object != NULL_TAG) found = static_cast<const ho::Object*>(TAG_ask_pointer_of_tag(object));
    if (!found) return kBadTag;
    return kx::check({{type, 2}, {subtype, 3}});
}

}  // namespace

int kx::obj::type_and_subtype(tag object, int* type, int* subtype) {
    const ho::Object* found = nullptr;
    if (int st = check_type_query(object, type, subtype, found)) return st;
    return type_of_object(*found, type, subtype);
}

KXAPI int KX_OBJ_ask_type_and_subtype(tag object, int* type, int* subtype) {
    const ho::Object* found = nullptr;
    return kx::frame([&] { return check_type_query(object, type, subtype, found); },
                     [&] { return type_of_object(*found, type, subtype); });
}

KXAPI int KX_OBJ_ask_status(tag object) {
    return kx::guarded([&] { return es0022_(&object); });
}

KXAPI logical KX_OBJ_is_object_a_promotion(tag object) {
    // The answer has no status beside it: a host error met on the way is
    // handled here (the object counts as no promotion) and acknowledged, so
    // that the host does not report it again.
    logical answer = false;
    kx::frame(kx::Opts{.check_init = false, .acknowledge = kx::every_code},
              [&] { answer = PROM_is_object_a_promotion(object) ? 1 : 0; });
    return answer;
}

KXAPI int KX_OBJ_ask_cre_mod_versions(tag object, int* creation_version, int* modification_version) {
    return kx::frame([&] { return check_query(object, creation_version, modification_version); },
                     [&] { PART_ask_tag_cre_mod_vers(object, creation_version, modification_version); });
}

KXAPI int KX_OBJ_ask_owning_part(tag object, tag* part) {
    // The session is checked before the object is looked up, so that a
    // closed session never reaches the host.
    return kx::frame([&] {
        if (!part) ERROR_raise(kModule, __LINE__, kBadArg2, "NULL destination pointer passed in");
        if (!alive(object)) ERROR_raise(kModule, __LINE__, kBadTag, "NULL pointer associated with tag %u", object);
        *part = PART_ask_part_of_object(object);
    });
}

namespace {
bool type_has(int type, int bit) { return type >= 1 && type <= 255 && (eprops_[type - 1] & bit) != 0; }
}  // namespace

KXAPI logical KX_OBJ_is_type_displayable(int type) { return type_has(type, ES_PROP_DISPLAYABLE); }

KXAPI logical KX_OBJ_can_type_have_matrix(int type) { return type_has(type, ES_PROP_MATRIX); }

KXAPI int KX_OBJ_is_type_transferable(int type, logical* transferable) {
    return kx::frame(
        [&] {
            kx::clear(transferable);
            return kx::check({{type >= 1 && type <= 255, 1}, {transferable, 2}});
        },
        [&] { *transferable = type_has(type, ES_PROP_TRANSFERABLE); });
}

// ---- Deletion ----------------------------------------------------------------

KXAPI int KX_OBJ_delete_object(tag object) {
    return kx::frame([&] {
        if (object == NULL_TAG) return kBadTag;
        // A deletion that fails part way (the object's dependants, the
        // delete list's tail) is taken back whole.
        return kx::edit_with_tail([&] {
            const int st = kx::obj::delete_directly(object);
            if (st != kUseDeleteList) return st;
            int logged = 0;
            through_delete_list([&] { logged = kx::obj::log_for_delete(object); });
            return logged;
        });
    });
}

KXAPI int KX_OBJ_delete_array_of_objects(int count, const tag* objects, int** statuses) {
    return kx::guarded([&] {
        if (count < 1) return kBadTag;
        if (!objects) return kBadArg2;
        if (statuses) *statuses = nullptr;
        return kx::frame([&] {
            int overall = 0;
            int* out = nullptr;
            if (statuses) {
                out = kx::alloc_array<int>(static_cast<std::size_t>(count));
                std::memset(out, 0, static_cast<std::size_t>(count) * sizeof(int));
                *statuses = out;
            }
            auto record = [&](int i, int st) {
                if (out) out[i] = st;
                else if (st != 0) overall = st;
            };
            try {
                // The objects' own refusals are statuses of the call (the
                // other objects stay deleted); a host error takes every
                // deletion of the call back.
                const int st = kx::edit_with_tail([&] {
                    std::vector<int> deferred;
                    for (int i = 0; i < count; ++i) {
                        const int one = objects[i] == NULL_TAG ? kBadTag : kx::obj::delete_directly(objects[i]);
                        if (one == kUseDeleteList) deferred.push_back(i);
                        else record(i, one);
                    }
                    if (!deferred.empty())
                        through_delete_list([&] {
                            for (int i : deferred) record(i, kx::obj::log_for_delete(objects[i]));
                        });
                    return 0;
                });
                if (st != 0) {
                    if (statuses) kx::free_and_clear(*statuses);
                    return st;
                }
            } catch (...) {
                // A failed call hands back no statuses: the caller gets the
                // error's code and nothing to free.
                if (statuses) kx::release([&] { kx::free_and_clear(*statuses); }, true);
                throw;
            }
            return overall;
        });
    });
}

// ---- Data exchange -------------------------------------------------------------

namespace {

bool usable_for_exchange(tag object) {
    if (!alive(object) || OCC_is_occurrence(object) || es0022_(&object) != kPartState) return false;
    return one_of(RM_ask_entity_type(object),
                  {HOST_TYPE_POINT, HOST_TYPE_LINE, HOST_TYPE_ARC, HOST_TYPE_CONIC, HOST_TYPE_SPLINE});
}

// The views an object depends on (host block, freed with the holder).
struct ViewList {
    int count = 0;
    kx::host_ptr<unsigned int> views;
};

// Takes the object out of every view it depends on and makes it
// view-independent; answers the views it was in.
ViewList detach_from_views(tag object) {
    ViewList v;
    unsigned int* raw = nullptr;
    ES_VDG_ask_all_views(object, &v.count, &raw);
    v.views.reset(raw);
    for (int i = 0; i < v.count; ++i) ES_VDG_remove(object, v.views.get()[i]);
    ES_set_view_dependent(object, 0);
    return v;
}

// Steps 4 to 6 of the exchange for one pair, and the update log.
void exchange(tag kept, tag other) {
    ViewList kept_views = detach_from_views(kept);
    detach_from_views(other);  // the other object's list is dropped at once
    RM_replace_object_data(kept, other);
    if (kept_views.count > 0) {
        for (int i = 0; i < kept_views.count; ++i) ES_VDG_make_dependent(kept, kept_views.views.get()[i]);
        ES_set_view_dependent(kept, 1);
    }
    UPDATE_log_entity_to_update(kept);
}

// On a host error: the logged changes of the list are dropped.
void abort_list_quietly() noexcept {
    kx::release([] { LM_abort_list(); }, true);
}

// 0 when the pair may be exchanged, else the code of the failing check.
int check_pair(tag kept, tag other, int kept_code, int other_code) {
    if (!usable_for_exchange(kept)) return kept_code;
    if (other == kept || !usable_for_exchange(other)) return other_code;
    if (PART_ask_part_of_object(kept) != PART_ask_part_of_object(other)) return other_code;
    return 0;
}

}  // namespace

KXAPI int KX_OBJ_replace_object_data(tag kept, tag other) {
    return kx::frame(kx::arm_first, [&] {
        if (int st = check_pair(kept, other, kBadTag, kBadArg2); st != 0) return st;
        return kx::edit_with_tail([&] {
            const bool opened = !LM_is_list_open(kDeleteList);
            if (opened) LM_open_list_for_delete();
            try {
                exchange(kept, other);
                DSS_REGEN_regen_object(kept);
                if (opened) UPDATE_do_update();
            } catch (...) {
                abort_list_quietly();
                throw;
            }
        });
    });
}

namespace {

// The pairs in array order under list 1 (made current, the previous current
// list put back on every way out): a pair refused by its checks stops the
// loop, and its code is the answer.
int exchange_pairs(int count, const tag* kept, const tag* others) {
    const int previous = LM_change_current_list(kDeleteList);
    struct Restore {
        int previous;
        bool done = false;
        void now() {
            done = true;
            LM_change_current_list(previous);
        }
        ~Restore() {
            if (!done) kx::release([this] { LM_change_current_list(previous); });
        }
    } restore{previous};
    if (!LM_is_list_open(kDeleteList)) LM_open_list();
    int status = 0;
    try {
        for (int i = 0; i < count && status == 0; ++i) {
            status = check_pair(kept[i], others[i], kBadArg2, kBadArg3);
            if (status == 0) exchange(kept[i], others[i]);
        }
        if (status == 0) DSS_REGEN_regen_objs_in_views(0, nullptr, count, kept);
    } catch (...) {
        abort_list_quietly();
        throw;
    }
    restore.now();
    return status;
}

}  // namespace

KXAPI int KX_OBJ_replace_object_array_data(int count, const tag* kept, const tag* others) {
    return kx::frame(
        kx::arm_first,
        [&] {
            return kx::check({{count >= 1, 1}, {kept, 2}, {others, 3}});
        },
        [&] {
            // The pairs done before a refused pair stay done; a host error
            // takes every pair back.
            int refused = 0;
            const int st = kx::edit_with_tail([&] { refused = exchange_pairs(count, kept, others); });
            return st != 0 ? st : refused;
        });
}

// ---- Names ---------------------------------------------------------------------

namespace kx::obj {

bool read_name(tag object, std::string& name) {
    char buffer[KX_OBJ_NAME_LEN + 1] = {};
    int length = 0, named = 0;
    ES_read_entity_name(object, buffer, &length, &named);
    if (named != 1) return false;
    name.assign(buffer, static_cast<std::size_t>(length));
    return true;
}

}  // namespace kx::obj

KXAPI int KX_OBJ_set_name(tag object, const char* name) {
    return kx::frame(
        [&] {
            const bool ok = name && strnlen(name, KX_OBJ_NAME_LEN + 1) <= KX_OBJ_NAME_LEN;
            return ok ? 0 : kBadArg2;
        },
        [&] {
            const int type = RM_ask_entity_type(object);
            if (type == HOST_TYPE_VIEW) return kViewName;
            return kx::edit_with_tail([&] {
                // A host copy of the name, freed on every way out.
                const kx::host_ptr<char> copy(SM_string_copy(name));
                if (type == HOST_TYPE_DRAFTING) return SMSP_set_name_jqopen(object, copy.get());
                for (char* c = copy.get(); *c; ++c)
                    *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
                int result = 0;
                ES_add_entity_name(object, copy.get(), static_cast<int>(std::strlen(copy.get())), &result);
                at020_(&object);
                DSS_REGEN_regen_object(object);
                return 0;
            });
        });
}

KXAPI int KX_OBJ_ask_name(tag object, char name[KX_OBJ_NAME_LEN + 1]) {
    if (!name) return kBadArg2;
    return kx::frame([&] {
        name[0] = '\0';
        int length = 0, named = 0;
        ES_read_entity_name(object, name, &length, &named);
        if (named != 1) {
            name[0] = '\0';
            return kNoName;
        }
        name[length] = '\0';
        return 0;
    });
}

KXAPI int KX_OBJ_delete_name(tag object) {
    return kx::frame([&] {
        if (!ES_is_entity_named(object)) return kNoName;
        return kx::edit_with_tail([&] {
            ES_remove_entity_name(object);
            DSS_NAME_update_object(object, 1);
        });
    });
}

KXAPI int KX_OBJ_ask_name_origin(tag object, double origin[3]) {
    return kx::frame(
        [&] {
            if (origin) origin[0] = origin[1] = origin[2] = 0.0;
            return kx::check({{origin, 2}});
        },
        [&] {
            int found = 0;
            ES_read_att_display_location(object, origin, &found);
            return found ? 0 : kNoName;
        });
}

KXAPI int KX_OBJ_set_name_origin(tag object, const double origin[3]) {
    return kx::frame(
        [&] {
            return kx::check({{origin, 2}});
        },
        [&] {
            double current[3];
            int found = 0;
            ES_read_att_display_location(object, current, &found);
            if (!found) return kNoName;
            ES_edit_att_display_location(object, origin);
            return 0;
        });
}
