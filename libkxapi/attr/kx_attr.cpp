// Attributes: the interface in front of the host's attribute service.
#include "kx_attr.h"

#include <cstring>

#include "host/store/entities/display.h"
#include "host/apps/drawing/ann_template.h"
#include "host/store/attributes/attributes.h"
#include "host/base/services/error.h"
#include "host/base/services/text.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/part/kx_part_util.h"
#include "libkxapi/core/kx_util.h"

namespace {

// The host codes that assigning, reading and finding expect and handle.
bool expected_code(int code) {
    return code == ATTR_ERR_NOT_FOUND || code == ATTR_ERR_WRONG_TYPE ||
           (code >= ATTR_ERR_TITLE_TOO_LONG && code <= ATTR_ERR_BAD_VALUE);
}

constexpr auto no_checks = [] { return 0; };

// The frame of the functions that acknowledge the expected codes.
constexpr kx::Opts kAcknowledgeExpected{.acknowledge = expected_code};

// The caller's record and the host's hold the same fields.
ATTR_value_t to_host(const attribute_value& v) {
    ATTR_value_t h{};
    h.type = v.type;
    static_assert(sizeof h.value == sizeof v.value, "value fields of the same size");
    std::memcpy(&h.value, &v.value, sizeof h.value);
    return h;
}
void from_host(const ATTR_value_t& h, attribute_value* v) {
    v->type = h.type;
    std::memcpy(&v->value, &h.value, sizeof v->value);
}

void free_text(TEXT_s* text) { TEXT_free(text); }

// A string attribute may be shown by annotations: they are brought up to
// date, and the model is updated when any of them changed.
void update_annotations(tag object, const char* title) {
    const kx::held<TEXT_s, free_text> text(TEXT_init_string(title));
    if (ANN_TMP_update_object_attribute(object, text.get())) UPDATE_do_update_no_message();
}

}  // namespace

extern "C" {

KXAPI int KX_ATTR_assign(tag object, const char* title, attribute_value value) {
    return kx::frame(kAcknowledgeExpected, no_checks, [&] {
        return kx::edit_with_tail([&] {
            ATTR_assign(object, title, to_host(value));
            if (value.type == KX_ATTR_string) update_annotations(object, title);
        });
    });
}

KXAPI int KX_ATTR_delete(tag object, int type, const char* title) {
    return kx::frame([&] { ATTR_delete(object, type, title); });
}

KXAPI int KX_ATTR_delete_all(tag object, int type) {
    return kx::frame([&] { ATTR_delete_all(object, type); });
}

KXAPI int KX_ATTR_cycle(tag object, int* index, int type, char* title, attribute_value* value) {
    return kx::frame(
        [&] {
            if (title) title[0] = '\0';
            return 0;
        },
        [&] {
            ATTR_value_t h{};
            ATTR_cycle(object, index, type, title, value ? &h : nullptr);
            if (*index != 0) from_host(h, value);
            return 0;
        });
}

KXAPI int KX_ATTR_read_value(tag object, const char* title, int type, attribute_value* value) {
    return kx::frame(kAcknowledgeExpected, kx::on_error([&] {
                         if (value) value->type = 0;
                     }),
                     no_checks, [&] {
                         ATTR_value_t h{};
                         ATTR_read_value(object, title, type, value ? &h : nullptr);
                         from_host(h, value);
                         return 0;
                     });
}

KXAPI int KX_ATTR_count_attributes(tag object, int type, int* count) {
    return kx::frame(kx::standard, kx::on_error([&] {
                         if (count) *count = 0;
                     }),
                     no_checks, [&] {
                         ATTR_count_attributes(object, type, count);
                         return 0;
                     });
}

KXAPI int KX_ATTR_find_attribute(tag object, int type, const char* title, int* title_type) {
    return kx::frame(kAcknowledgeExpected, kx::on_error([&] {
                         if (title_type) *title_type = 0;
                     }),
                     no_checks, [&] {
                         ATTR_find_attribute(object, type, title, title_type);
                         return 0;
                     });
}

KXAPI int KX_ATTR_ask_part_attribute(tag* part_attr) {
    return kx::frame([&] { ATTR_ask_part_attribute(part_attr); });
}

KXAPI int KX_ATTR_ask_part_attrs(tag part, int* count, KX_ATTR_part_attr_t** attributes) {
    static_assert(sizeof(KX_ATTR_part_attr_t) == sizeof(ATTR_part_attr_t), "the same record");
    return kx::frame([&] { ATTR_ask_part_attrs(part, count, reinterpret_cast<ATTR_part_attr_t**>(attributes)); });
}

KXAPI int KX_ATTR_ask_part_attrs_in_file(const char* part_name, int* count, KX_ATTR_part_attr_t** attributes) {
    return kx::frame([&] {
        return kx::with_decoded_name(part_name, [&](const char* decoded) {
            ATTR_ask_part_attrs_in_file(decoded, count, reinterpret_cast<ATTR_part_attr_t**>(attributes));
            return 0;
        });
    });
}

}  // extern "C"
