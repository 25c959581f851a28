// Values of the knowledge language: makers, readers, kinds, conversions
// and lists, over the knowledge engine's value services.
#include <cstddef>
#include <cstring>

#include "kx_kf.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/kf/kf_text.h"

#include "host/store/parts/parts.h"
#include "host/model/rules/rules.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/text.h"

namespace {

using namespace kx::kf;
constexpr int kBadFirst = KX_ERR_BAD_PARAM_1;   // 1105004
constexpr int kBadSecond = KX_ERR_BAD_PARAM_2;  // 1105005
constexpr std::uint32_t kListWord = KBL_KIND_LIST;
constexpr std::uint32_t kFlaggedListWord = KBL_KIND_LIST | KBL_KIND_FLAG;

// The engine fills and reads the caller's records directly.
static_assert(sizeof(knowledge_value) == sizeof(KBL_value_t));
static_assert(offsetof(knowledge_value, kind) == offsetof(KBL_value_t, kind));
static_assert(offsetof(knowledge_value, engine) == offsetof(KBL_value_t, engine));
static_assert(offsetof(knowledge_value, payload) == offsetof(KBL_value_t, payload));

const KBL_value_t* eng(const knowledge_value* v) { return reinterpret_cast<const KBL_value_t*>(v); }
knowledge_value* mine(KBL_value_t* v) { return reinterpret_cast<knowledge_value*>(v); }
KBL_list_t eng(KX_KF_list_p_t l) { return reinterpret_cast<KBL_list_t>(l); }
KX_KF_list_p_t mine(KBL_list_t l) { return reinterpret_cast<KX_KF_list_p_t>(l); }

const KBE_dfk_table_t& services() { return *KBE_ask_dfk_table(); }

std::uint32_t kind_of(const knowledge_value* v) { return v->kind & KBL_KIND_MASK; }

// A list pointer the engine knows (NULL, the empty list, included).
bool known_list(const void* list) { return !list || KBE_ask_object_class(list) == KBE_CLASS_LIST; }

// ---- Makers --------------------------------------------------------------------

// The frame of every maker: the output cleared first, then the session
// check, then the engine's value of the kind from the input's address.
template <class Check, class Make>
int make(knowledge_value_p_t* out, Check check, Make input) {
    return kx::frame(kx::standard, kx::before_check([&] {
                         if (!out) return kBadSecond;
                         *out = nullptr;
                         return 0;
                     }),
                     check, [&] {
                         *out = input();
                         return 0;
                     });
}

knowledge_value_p_t create(int kind, const void* input) { return mine(services().create_value(kind, input)); }

auto no_check = [] { return 0; };

// ---- Readers --------------------------------------------------------------------

// The frame of every reader: the session check, then the value's kind
// (and the payload object, when it is read through); the output is written
// only when all holds.
template <class Read>
int read(const knowledge_value* value, const void* out, std::uint32_t kind, Read read_out,
         bool (*payload_ok)(const void*) = nullptr) {
    return kx::frame(
        [&] {
            if (!value || kind_of(value) != kind) return kBadFirst;
            if (payload_ok && !payload_ok(value->payload.pointer)) return kBadFirst;
            if (!out) return kBadSecond;
            return 0;
        },
        [&] {
            read_out();
            return 0;
        });
}

bool known_data(const void* p) { return KBE_ask_object_class(p) == KBE_CLASS_DATA; }
bool known_error(const void* p) { return KBE_ask_object_class(p) == KBE_CLASS_ERROR; }
bool known_adopted(const void* p) { return KBE_ask_object_class(p) == KBE_CLASS_ADOPTED; }

void copy3(const knowledge_value* value, double out[3]) {
    std::memcpy(out, static_cast<const double*>(value->payload.pointer), 3 * sizeof(double));
}

// The count of a list (KX_KF_ask_list_count, KX_KF_count_list_items).
int ask_list_count(const void* list, int* count) {
    return traced(
        "pre KX_KF_ask_list_count", "post KX_KF_ask_list_count",
        [&] {
            kx::clear(count);
            return count ? 0 : kBadSecond;
        },
        [&] {
            // A bare list is known to the engine by its first cell; any
            // other argument is a value record whose first word is its kind.
            if (known_list(list)) {
                KBL__list_length(static_cast<KBL_list_t>(const_cast<void*>(list)), count);
                return 0;
            }
            std::uint32_t word = 0;
            std::memcpy(&word, list, sizeof word);
            if (word != kListWord && word != kFlaggedListWord) return kBadFirst;
            const auto* value = static_cast<const KBL_value_t*>(list);
            if (!known_list(value->payload.pointer)) return kBadFirst;
            *count = KBL_count_list_items(value);
            return 0;
        });
}

void free_record(KBL_value_t* value) { KBL_free_value(value); }

// What the engine hands out for an item of an instance, given back when
// the holder goes.
struct ItemOutputs {
    TEXT_s* name = nullptr;
    TEXT_s* type = nullptr;
    KBL_value_t* found = nullptr;
    ItemOutputs() = default;
    ItemOutputs(const ItemOutputs&) = delete;
    ItemOutputs& operator=(const ItemOutputs&) = delete;
    ~ItemOutputs() {
        if (name) kx::release([t = name] { TEXT_free(t); });
        if (type) kx::release([t = type] { TEXT_free(t); });
        if (found) kx::release([v = found] { KBL_free_value(v); });
    }
};

}  // namespace

int kx::kf::ask_instance(const knowledge_value* value, KX_KF_instance_p_t* out) {
    return read(value, out, KBL_KIND_INSTANCE, [&] { *out = static_cast<KX_KF_instance_p_t>(value->payload.pointer); });
}

extern "C" {

KXAPI int KX_KF_make_boolean(logical value, knowledge_value_p_t* out) {
    return make(out, no_check, [&] {
        const int word = value ? 1 : 0;
        return create(KBL_KIND_BOOLEAN, &word);
    });
}

KXAPI int KX_KF_make_name(KX_KF_name_t name, knowledge_value_p_t* out) {
    return make(
        out, [&] { return name ? 0 : kBadFirst; }, [&] { return create(KBL_KIND_NAME, &name); });
}

KXAPI int KX_KF_make_integer(int value, knowledge_value_p_t* out) {
    return make(out, no_check, [&] { return create(KBL_KIND_INTEGER, &value); });
}

KXAPI int KX_KF_make_number(double value, knowledge_value_p_t* out) {
    return make(out, no_check, [&] { return create(KBL_KIND_NUMBER, &value); });
}

KXAPI int KX_KF_make_point(const double point[3], knowledge_value_p_t* out) {
    return make(
        out, [&] { return point ? 0 : kBadFirst; },
        [&] {
            const double copy[3] = {point[0], point[1], point[2]};
            return create(KBL_KIND_POINT, copy);
        });
}

KXAPI int KX_KF_make_vector(const double vector[3], knowledge_value_p_t* out) {
    return make(
        out, [&] { return vector ? 0 : kBadFirst; },
        [&] {
            const double copy[3] = {vector[0], vector[1], vector[2]};
            return create(KBL_KIND_VECTOR, copy);
        });
}

KXAPI int KX_KF_make_frame(const double frame[16], knowledge_value_p_t* out) {
    return make(
        out, [&] { return frame ? 0 : kBadFirst; },
        [&] {
            KBE_object_t object = KBE_create_frame_object(CONTEXT_ask_work_part(), frame);
            KBL_value_t converted{};
            DFK_convert_value(object, &converted);
            kx::host_ptr<knowledge_value> record(static_cast<knowledge_value*>(SM_alloc(sizeof(knowledge_value))));
            std::memcpy(record.get(), &converted, sizeof converted);
            KBE_delete_object(object);
            return record.release();
        });
}

KXAPI int KX_KF_make_tag(tag object, knowledge_value_p_t* out) {
    return make(out, no_check, [&]() -> knowledge_value_p_t {
        KBE_object_t adopted = KLINK_ask_object_to_adopt(object, nullptr, nullptr);
        if (!adopted) ERROR_raise(kModule, 0, kBadFirst, "Cannot adopt object %u", object);
        return create(KBL_KIND_OBJECT, &adopted);
    });
}

KXAPI int KX_KF_make_user(int word, knowledge_value_p_t* out) {
    return make(out, no_check, [&] { return create(KBL_KIND_USER, &word); });
}

KXAPI int KX_KF_make_string(const char* text, knowledge_value_p_t* out) {
    return make(
        out, [&] { return text ? 0 : kBadFirst; },
        [&] {
            require_ascii(text);
            return create(KBL_KIND_STRING, &text);  // the engine keeps a copy
        });
}

KXAPI int KX_KF_make_instance(KX_KF_instance_p_t instance, knowledge_value_p_t* out) {
    return make(
        out, [&] { return KBE_ask_object_class(instance) == KBE_CLASS_INSTANCE ? 0 : kBadFirst; },
        [&] { return create(KBL_KIND_INSTANCE, &instance); });
}

KXAPI int KX_KF_make_error(int number, knowledge_value_p_t* out) {
    return make(out, no_check, [&] {
        KBL_error_t* error = services().make_error(number);
        return create(KBL_KIND_ERROR, &error);
    });
}

KXAPI int KX_KF_make_list(KX_KF_list_p_t list, knowledge_value_p_t* out) {
    return make(
        out, [&] { return known_list(list) ? 0 : kBadFirst; }, [&] { return create(KBL_KIND_LIST, &list); });
}

KXAPI int KX_KF_ask_boolean(const knowledge_value* value, logical* out) {
    return read(value, out, KBL_KIND_BOOLEAN, [&] { *out = value->payload.word != 0; });
}

KXAPI int KX_KF_ask_name(const knowledge_value* value, KX_KF_name_t* out) {
    return read(value, out, KBL_KIND_NAME, [&] { *out = static_cast<KX_KF_name_t>(value->payload.pointer); });
}

KXAPI int KX_KF_ask_integer(const knowledge_value* value, int* out) {
    return read(value, out, KBL_KIND_INTEGER, [&] { *out = value->payload.word; });
}

KXAPI int KX_KF_ask_number(const knowledge_value* value, double* out) {
    return read(value, out, KBL_KIND_NUMBER, [&] { *out = value->payload.number; });
}

KXAPI int KX_KF_ask_point(const knowledge_value* value, double out[3]) {
    return read(
        value, out, KBL_KIND_POINT, [&] { copy3(value, out); }, known_data);
}

KXAPI int KX_KF_ask_vector(const knowledge_value* value, double out[3]) {
    return read(
        value, out, KBL_KIND_VECTOR, [&] { copy3(value, out); }, known_data);
}

KXAPI int KX_KF_ask_frame(const knowledge_value* value, double out[16]) {
    return read(
        value, out, KBL_KIND_FRAME,
        [&] {
            KBE_object_t object = DFK_create_value(CONTEXT_ask_work_part(), eng(value));
            double frame[16];
            KBE_ask_frame_of_object(object, frame);
            KBE_delete_object(object);
            std::memcpy(out, frame, sizeof frame);
        },
        known_data);
}

KXAPI int KX_KF_ask_tag(const knowledge_value* value, tag* out) {
    return read(
        value, out, KBL_KIND_OBJECT, [&] { *out = KLINK_ask_external_jq_object(value->payload.pointer); },
        known_adopted);
}

KXAPI int KX_KF_ask_user(const knowledge_value* value, int* out) {
    return read(value, out, KBL_KIND_USER, [&] { *out = value->payload.word; });
}

KXAPI int KX_KF_ask_string(const knowledge_value* value, char** out) {
    return read(value, out, KBL_KIND_STRING, [&] { *out = static_cast<char*>(value->payload.pointer); });
}

KXAPI int KX_KF_ask_error(const knowledge_value* value, int* out) {
    return read(
        value, out, KBL_KIND_ERROR, [&] { std::memcpy(out, value->payload.pointer, sizeof(int)); }, known_error);
}

KXAPI int KX_KF_ask_instance(const knowledge_value* value, KX_KF_instance_p_t* out) {
    return kx::kf::ask_instance(value, out);
}

KXAPI int KX_KF_ask_list(const knowledge_value* value, KX_KF_list_p_t* out) {
    return read(
        value, out, KBL_KIND_LIST,
        [&] {
            KBL_value_t copy{};
            services().copy_value(eng(value), &copy);
            *out = mine(static_cast<KBL_list_t>(copy.payload.pointer));
        },
        known_list);
}

KXAPI int KX_KF_ask_type(const knowledge_value* value, int* kind) {
    return kx::frame(
        [&] {
            return kx::check({{value, 1}, {kind, 2}});
        },
        [&] {
            const std::uint32_t k = kind_of(value);
            *kind = k == 0 || (k >= 2 && k <= 17) ? static_cast<int>(k) : KBL_KIND_ERROR;
            return 0;
        });
}

KXAPI int KX_KF_ask_jq_object(KX_KF_instance_p_t instance, tag* object) {
    return kx::frame(
        [&] {
            kx::clear(object);
            if (KBE_ask_object_class(instance) != KBE_CLASS_INSTANCE) return kBadFirst;
            return object ? 0 : kBadSecond;
        },
        [&] {
            *object = KLINK_ask_external_jq_object(instance);
            return 0;
        });
}

KXAPI int KX_KF_ask_morvain_object(tag object, KX_KF_instance_p_t* instance) {
    return kx::frame(
        [&] {
            kx::clear(instance);
            return instance ? 0 : kBadSecond;
        },
        [&] {
            if (KBE_object_t adopted = KLINK_ask_object_to_adopt(object, nullptr, nullptr))
                *instance = reinterpret_cast<KX_KF_instance_p_t>(KLINK_ask_object_instance(adopted));
            return 0;
        });
}

KXAPI int KX_KF_ask_name_of_string(const char* text, KX_KF_name_t* name) {
    return kx::frame(
        [&] {
            kx::clear(name);
            if (!text) return kBadFirst;
            return name ? 0 : kBadSecond;
        },
        [&] {
            *name = reinterpret_cast<KX_KF_name_t>(DFK_ask_token(text));
            return 0;
        });
}

KXAPI int KX_KF_ask_string_of_name(KX_KF_name_t name, char** text) {
    return kx::frame(
        [&] {
            kx::clear(text);
            if (!name) return kBadFirst;
            return text ? 0 : kBadSecond;
        },
        [&] {
            const char* s = DFK_ask_string(reinterpret_cast<KBL_name_t>(name));
            if (!s) ERROR_raise(kModule, 0, KX_KF_ERR_NAME_WITHOUT_TEXT, "The name has no text");
            *text = SM_string_copy(s);
            return 0;
        });
}

KXAPI int KX_KF_list_pop(KX_KF_list_p_t list, knowledge_value_p_t* first, KX_KF_list_p_t* rest) {
    return kx::frame(
        [&] {
            return !known_list(list) ? kBadFirst : kx::check({{first, 2}, {rest, 3}});
        },
        [&] {
            const KBE_dfk_table_t& s = services();
            KBL_value_t* record = s.allocate_value();
            try {
                KBL_list_t left = s.list_pop(eng(list), record);
                *first = mine(record);
                *rest = mine(left);
            } catch (...) {
                kx::release([record] { KBL_free_value(record); });
                throw;
            }
            return 0;
        });
}

KXAPI int KX_KF_list_push(KX_KF_list_p_t list, const knowledge_value* value, KX_KF_list_p_t* new_list) {
    return kx::frame(
        [&] {
            return !known_list(list) ? kBadFirst : kx::check({{value, 2}, {new_list, 3}});
        },
        [&] {
            const KBE_dfk_table_t& s = services();
            KBL_value_t copy{};
            s.copy_value(eng(value), &copy);
            *new_list = mine(s.list_push(eng(list), &copy, 0));
            return 0;
        });
}

KXAPI int KX_KF_ask_list_count(const void* list, int* count) { return ask_list_count(list, count); }

KXAPI int KX_KF_count_list_items(const void* list, int* count) { return ask_list_count(list, count); }

KXAPI int KX_KF_ask_list_item(KX_KF_list_p_t list, int index, knowledge_value_p_t* item) {
    return traced(
        "pre KX_KF_ask_list_item", "pre KX_KF_ask_list_item",
        [&] {
            kx::clear(item);
            if (!known_list(list)) return kBadFirst;
            return item ? 0 : kx::param(3);
        },
        [&] {
            int length = 0;
            KBL__list_length(eng(list), &length);
            if (index < 1 || index > length) return kBadSecond;
            const KBL_value_t* found = KBL__list_nth(index, eng(list));
            const KBE_dfk_table_t& s = services();
            KBL_value_t* record = s.allocate_value();
            s.copy_value(found, record);
            *item = mine(record);
            return 0;
        });
}

KXAPI int KX_KF_ask_value_of_list_item(KX_KF_instance_p_t list_object, int index, char** name, char** type,
                                       knowledge_value_p_t* item) {
    return traced(
        "pre KX_KF_ask_value_of_list_item", "KX_KF_ask_value_of_list_item",
        [&] {
            kx::clear(name, type, item);
            return 0;
        },
        [&] {
            // The engine's outputs are held from before its call: it may
            // have written some of them when it raises, and they go back on
            // every way out.
            ItemOutputs got;
            const int st = KBL_ask_value_of_list_item(list_object, index, &got.name, &got.type, &got.found);
            if (st != 0) return st;
            kx::host_ptr<char> name_copy(name && got.name ? locale_copy(got.name) : nullptr);
            kx::host_ptr<char> type_copy(type && got.type ? locale_copy(got.type) : nullptr);
            if (got.found && item) {
                const KBE_dfk_table_t& s = services();
                kx::held<KBL_value_t, free_record> record(s.allocate_value());
                s.copy_value(got.found, record.get());
                *item = mine(record.release());
            }
            if (name) *name = name_copy.release();
            if (type) *type = type_copy.release();
            return 0;
        });
}

}  // extern "C"
