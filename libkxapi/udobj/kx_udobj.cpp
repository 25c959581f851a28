// User-defined objects: a thin layer over the host's user-defined-object
// service. Each function is the frame around one host call, with a few
// argument checks, the kinds of callbacks and data turned into the host's
// values, and the link types into the host's link codes.
#include <cstddef>

#include "kx_udobj.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"

#include "host/store/entities/edit_log.h"
#include "host/store/parts/rm.h"
#include "host/base/services/objects.h"
#include "host/apps/modeling/udo/udo.h"

namespace {

constexpr int kTypeUdo = HOST_TYPE_UDO;
constexpr int kTypeFeature = 205;

// The caller's records are the host's, field for field.
static_assert(sizeof(udo_link) == sizeof(UDOBJ_link_t) &&
              offsetof(udo_link, assoc_object) == offsetof(UDOBJ_link_t, assoc_object));
static_assert(sizeof(udo_data) == sizeof(UDOBJ_data_t) && offsetof(udo_data, links) == offsetof(UDOBJ_data_t, links));

const UDOBJ_link_t* host_links(const udo_link* links) { return reinterpret_cast<const UDOBJ_link_t*>(links); }
UDOBJ_data_t* host_data(udo_data* data) { return reinterpret_cast<UDOBJ_data_t*>(data); }

// The host's link code of a link type 1 to 4.
constexpr unsigned int kLinkCodes[4] = {UDOBJ_LINK_CODE_1, UDOBJ_LINK_CODE_2, UDOBJ_LINK_CODE_3, UDOBJ_LINK_CODE_4};

bool is_type(tag object, int type) {
    return object != NULL_TAG && TAG_ask_pointer_of_tag(object) != nullptr && RM_ask_entity_type(object) == type;
}

template <class Routine>
int register_method(udo_class_id class_id, int kind, Routine routine) {
    return kx::frame([&] { return UDOBJ_register_method(class_id, kind, reinterpret_cast<UDOBJ_method_fn>(routine)); });
}

int add_doubles(tag udo, int kind, int count, const double* values) {
    return kx::frame([&] { return UDOBJ_add_doubles(udo, kind, count, values); });
}
int edit_doubles(tag udo, int kind, const double* values) {
    return kx::frame([&] { return UDOBJ_edit_doubles(udo, kind, values); });
}
int delete_records(tag udo, int kind, int first, int count) {
    return kx::frame([&] { return UDOBJ_delete_records(udo, kind, first, count); });
}

}  // namespace

// ---- Classes and routines ----

KXAPI int KX_UDOBJ_create_class(const char* class_name, const char* friendly_name, udo_class_id* class_id) {
    // A null output is refused rather than written through.
    return kx::frame(
        [&] {
            return kx::check({{class_id, 3}});
        },
        [&] { *class_id = UDOBJ_create_class(class_name, friendly_name); });
}

KXAPI int KX_UDOBJ_ask_class_data(udo_class_id class_id, char** class_name, char** friendly_name) {
    return kx::frame([&] {
        if (!UDOBJ_is_class_valid(class_id)) return kx::param(1);
        if (int st = kx::check({{class_name, 2}, {friendly_name, 3}})) return st;
        kx::host_ptr<char> name(kx::dup_string(UDOBJ_ask_class_name(class_id)));
        const char* friendly = UDOBJ_ask_friendly_name(class_id);
        *friendly_name = friendly ? kx::dup_string(friendly) : nullptr;
        *class_name = name.release();
        return 0;
    });
}

KXAPI int KX_UDOBJ_register_display_cb(udo_class_id class_id, KX_UDOBJ_display_f_t routine) {
    return register_method(class_id, UDOBJ_METHOD_DISPLAY, routine);
}
KXAPI int KX_UDOBJ_register_delete_cb(udo_class_id class_id, KX_UDOBJ_f_t routine) {
    return register_method(class_id, UDOBJ_METHOD_DELETE, routine);
}
KXAPI int KX_UDOBJ_register_update_cb(udo_class_id class_id, KX_UDOBJ_f_t routine) {
    return register_method(class_id, UDOBJ_METHOD_UPDATE, routine);
}
KXAPI int KX_UDOBJ_register_select_cb(udo_class_id class_id, KX_UDOBJ_display_f_t routine) {
    return register_method(class_id, UDOBJ_METHOD_SELECT, routine);
}
KXAPI int KX_UDOBJ_register_fit_cb(udo_class_id class_id, KX_UDOBJ_display_f_t routine) {
    return register_method(class_id, UDOBJ_METHOD_FIT, routine);
}
KXAPI int KX_UDOBJ_register_attn_pt_cb(udo_class_id class_id, KX_UDOBJ_display_f_t routine) {
    return register_method(class_id, UDOBJ_METHOD_ATTENTION, routine);
}
KXAPI int KX_UDOBJ_register_info_obj_cb(udo_class_id class_id, KX_UDOBJ_f_t routine) {
    return register_method(class_id, UDOBJ_METHOD_INFO, routine);
}

// ---- Objects and features ----

KXAPI int KX_UDOBJ_create_udo(udo_class_id class_id, tag* udo) {
    return kx::frame([&] { return UDOBJ_create_udo(class_id, udo); });
}

KXAPI int KX_UDOBJ_create_udo_feature(udo_class_id class_id, tag* udo, tag* feature) {
    return kx::frame([&] { return UDOBJ_create_udo_feature(class_id, udo, feature); });
}

KXAPI int KX_UDOBJ_create_udo_feature_from_udo(tag udo, tag* feature) {
    return kx::frame([&] { return UDOBJ_create_udo_feature_from_udo(udo, feature); });
}

KXAPI int KX_UDOBJ_edit_udo_of_udo_feature(tag feature, tag udo) {
    return kx::frame([&] { return UDOBJ_edit_udo_of_udo_feature(udo, feature); });
}

KXAPI int KX_UDOBJ_is_udo_feature(tag object, logical* is_feature) {
    return kx::frame([&] { return kx::check({{is_feature, 2}}); }, [&] { *is_feature = UDOBJ_is_udo_feature(object); });
}

KXAPI int KX_UDOBJ_ask_udo_feature_of_udo(tag udo, tag* feature) {
    return kx::frame([&] { return kx::check({{feature, 2}}); }, [&] { *feature = UDOBJ_ask_udo_feature_of_udo(udo); });
}

KXAPI int KX_UDOBJ_ask_udo_of_udo_feature(tag feature, tag* udo) {
    return kx::frame([&] { return kx::check({{udo, 2}}); }, [&] { *udo = UDOBJ_ask_udo_of_udo_feature(feature); });
}

KXAPI int KX_UDOBJ_log_udo_feature_for_update(tag feature) {
    return kx::frame(
        kx::standard, kx::before_check([&] {
            const bool ok = is_type(feature, kTypeFeature) && UDOBJ_is_udo_feature(feature);
            return ok ? 0 : kx::param(1);
        }),
        [] { return 0; }, [&] { UPDATE_log_entity_to_update(feature); });
}

KXAPI int KX_UDOBJ_ask_udo_data(tag udo, udo_data* data) {
    return kx::frame([&] { return kx::check({{data, 2}}); }, [&] { return UDOBJ_ask_udo_data(udo, host_data(data)); });
}

KXAPI int KX_UDOBJ_free_udo_data(udo_data* data) {
    return kx::frame([&] { return kx::check({{data, 1}}); }, [&] { return UDOBJ_free_udo_data(host_data(data)); });
}

KXAPI int KX_UDOBJ_ask_udo_class_name(tag udo, char** class_name) {
    return kx::frame(
        [&] {
            return kx::check({{class_name, 2}});
        },
        [&] { return UDOBJ_ask_udo_class_name(udo, class_name); });
}

KXAPI int KX_UDOBJ_cycle_udos_by_class(tag part, udo_class_id class_id, tag* udo) {
    return kx::frame([&] { return UDOBJ_cycle_udos_by_class(part, class_id, udo); });
}

KXAPI int KX_UDOBJ_version_udo(tag udo, int version) {
    return kx::frame([&] { return UDOBJ_version_udo(udo, version); });
}

KXAPI int KX_UDOBJ_clear_udo_status(tag udo) {
    return kx::frame([&] {
        if (!is_type(udo, kTypeUdo)) return kx::param(1);
        UDOBJ_set_status(udo, 0);
        return 0;
    });
}

// ---- Data ----

KXAPI int KX_UDOBJ_add_integers(tag udo, int count, const int* values) {
    return kx::frame([&] { return UDOBJ_add_integers(udo, count, values); });
}
KXAPI int KX_UDOBJ_add_doubles(tag udo, int count, const double* values) {
    return add_doubles(udo, UDOBJ_KIND_DOUBLES, count, values);
}
KXAPI int KX_UDOBJ_add_lengths(tag udo, int count, const double* values) {
    return add_doubles(udo, UDOBJ_KIND_LENGTHS, count, values);
}
KXAPI int KX_UDOBJ_add_areas(tag udo, int count, const double* values) {
    return add_doubles(udo, UDOBJ_KIND_AREAS, count, values);
}
KXAPI int KX_UDOBJ_add_volumes(tag udo, int count, const double* values) {
    return add_doubles(udo, UDOBJ_KIND_VOLUMES, count, values);
}
KXAPI int KX_UDOBJ_add_strings(tag udo, int count, char* const* strings) {
    return kx::frame([&] { return UDOBJ_add_strings(udo, count, strings); });
}

KXAPI int KX_UDOBJ_edit_integers(tag udo, const int* values) {
    return kx::frame([&] { return UDOBJ_edit_integers(udo, values); });
}
KXAPI int KX_UDOBJ_edit_doubles(tag udo, const double* values) {
    return edit_doubles(udo, UDOBJ_KIND_DOUBLES, values);
}
KXAPI int KX_UDOBJ_edit_lengths(tag udo, const double* values) {
    return edit_doubles(udo, UDOBJ_KIND_LENGTHS, values);
}
KXAPI int KX_UDOBJ_edit_areas(tag udo, const double* values) {
    return edit_doubles(udo, UDOBJ_KIND_AREAS, values);
}
KXAPI int KX_UDOBJ_edit_volumes(tag udo, const double* values) {
    return edit_doubles(udo, UDOBJ_KIND_VOLUMES, values);
}
KXAPI int KX_UDOBJ_edit_strings(tag udo, char* const* strings) {
    return kx::frame([&] { return UDOBJ_edit_strings(udo, strings); });
}

KXAPI int KX_UDOBJ_delete_integers(tag udo, int first, int count) {
    return delete_records(udo, UDOBJ_KIND_INTEGERS, first, count);
}
KXAPI int KX_UDOBJ_delete_doubles(tag udo, int first, int count) {
    return delete_records(udo, UDOBJ_KIND_DOUBLES, first, count);
}
KXAPI int KX_UDOBJ_delete_strings(tag udo, int first, int count) {
    return delete_records(udo, UDOBJ_KIND_STRINGS, first, count);
}
KXAPI int KX_UDOBJ_delete_lengths(tag udo, int first, int count) {
    return delete_records(udo, UDOBJ_KIND_LENGTHS, first, count);
}
KXAPI int KX_UDOBJ_delete_areas(tag udo, int first, int count) {
    return delete_records(udo, UDOBJ_KIND_AREAS, first, count);
}
KXAPI int KX_UDOBJ_delete_volumes(tag udo, int first, int count) {
    return delete_records(udo, UDOBJ_KIND_VOLUMES, first, count);
}

// ---- Links and ownership ----

KXAPI int KX_UDOBJ_add_links(tag udo, int count, const udo_link* links) {
    return kx::frame([&] { return UDOBJ_add_links(udo, count, host_links(links)); });
}

KXAPI int KX_UDOBJ_add_owning_links(tag udo, int count, const tag* objects) {
    return kx::frame([&] { return UDOBJ_add_owning_links(udo, count, objects); });
}

KXAPI int KX_UDOBJ_edit_link(tag udo, const udo_link* link, int index) {
    return kx::frame(
        [&] {
            return kx::check({{link, 2}});
        },
        [&] { return UDOBJ_edit_link(udo, host_links(link), index); });
}

KXAPI int KX_UDOBJ_edit_links(tag udo, const udo_link* links, int count, int first) {
    return kx::frame(
        [&] {
            return kx::check({{links, 2}});
        },
        [&] { return UDOBJ_edit_links(udo, host_links(links), count, first); });
}

KXAPI int KX_UDOBJ_delete_link(tag udo, const udo_link* link) {
    return kx::frame([&] { return UDOBJ_delete_link(udo, host_links(link)); });
}

KXAPI int KX_UDOBJ_delete_owning_link(tag udo, tag owned) {
    return kx::frame([&] { return UDOBJ_delete_owning_link(udo, owned); });
}

KXAPI int KX_UDOBJ_is_obj_linked_to_udo(tag object, logical* is_linked) {
    return kx::frame([&] { return kx::check({{is_linked, 2}}); }, [&] { *is_linked = UDOBJ_is_linked_to_udo(object); });
}

KXAPI int KX_UDOBJ_is_owned(tag object, logical* is_owned) {
    return kx::frame([&] { return kx::check({{is_owned, 2}}); }, [&] { *is_owned = UDOBJ_is_owned(object); });
}

KXAPI int KX_UDOBJ_ask_udo_links_to_obj(tag object, int* count, tag** udos) {
    return kx::frame(
        [&] {
            return kx::check({{count, 2}, {udos, 3}});
        },
        [&] { *count = UDOBJ_ask_links_of_object(object, udos); });
}

KXAPI int KX_UDOBJ_ask_owning_udo(tag object, tag* owner) {
    return kx::frame([&] { return kx::check({{owner, 2}}); }, [&] { UDOBJ_ask_owning_udo(object, owner); });
}

KXAPI int KX_UDOBJ_ask_owned_objects(tag udo, int* count, tag** objects) {
    return kx::frame(
        [&] {
            return kx::check({{count, 2}, {objects, 3}});
        },
        [&] { *count = UDOBJ_ask_owned_objects(udo, objects); });
}

KXAPI int KX_UDOBJ_set_owned_object_selection(tag udo, int selection) {
    return kx::frame([&] { return UDOBJ_set_owned_object_selection(udo, selection); });
}

KXAPI int KX_UDOBJ_clear_link_status(tag udo, const udo_link* link) {
    return kx::frame([&] { return link && link->link_type >= 1 && link->link_type <= 4 ? 0 : kx::param(2); },
                     [&] {
                         if (!is_type(udo, kTypeUdo)) return kx::param(1);
                         UDOBJ_find_and_set_link(udo, kLinkCodes[link->link_type - 1], link->assoc_object, 0);
                         return 0;
                     });
}
