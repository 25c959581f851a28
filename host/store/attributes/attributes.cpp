// The host's attribute service and its part-file section.
#include "host/store/attributes/attributes.h"
#include "host/base/services/host_messages.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace host::attributes {
namespace {

namespace pf = host::part_file;
using List = std::vector<Attribute>;

TagTable<List>& table() {
    static TagTable<List>* t = new TagTable<List>("attributes");
    return *t;
}
const bool registered = (table(), true);

void require_object(const Call& call, unsigned int object) {
    if (!objects::is_alive(object)) call.fail(ATTR_ERR_BAD_OBJECT, "not a live object");
}

// The code a title gets, or 0.
int title_code(const char* title) {
    if (!title || !*title) return ATTR_ERR_EMPTY_TITLE;
    const std::size_t n = std::strlen(title);
    if (n > ATTR_MAX_TITLE_CHARS) return ATTR_ERR_TITLE_TOO_LONG;
    for (std::size_t i = 0; i < n; ++i)
        if (static_cast<unsigned char>(title[i]) < 0x20 || title[i] == 0x7f) return ATTR_ERR_BAD_TITLE;
    return 0;
}
void check_title(const Call& call, const char* title) {
    if (int code = title_code(title)) call.fail(code, "bad title");
}
bool valid_type(int type) { return type >= ATTR_INTEGER && type <= ATTR_REFERENCE; }
void check_selector(const Call& call, int type) {
    if (type != ATTR_ANY && !valid_type(type)) call.fail(ATTR_ERR_BAD_TYPE, "bad type");
}
bool selects(int selector, int type) { return selector == ATTR_ANY || selector == type; }

// The code of a value of the type, or 0; fills `out` when valid.
int make(const char* title, int type, int integer, double real, const char* text, const int time[2], Attribute& out) {
    if (int code = title_code(title)) return code;
    if (!valid_type(type)) return ATTR_ERR_BAD_TYPE;
    out = Attribute{};
    out.title = title;
    out.type = type;
    switch (type) {
        case ATTR_INTEGER: out.integer = integer; break;
        case ATTR_REAL:
            if (real != real) return ATTR_ERR_BAD_VALUE;  // NaN
            out.real = real;
            break;
        case ATTR_STRING:
        case ATTR_REFERENCE:
            if (!text) return ATTR_ERR_BAD_VALUE;
            if (std::strlen(text) > ATTR_MAX_STRING_CHARS) return ATTR_ERR_VALUE_TOO_LONG;
            out.text = text;
            break;
        case ATTR_TIME:
            if (time[0] < 0 || time[1] < 0 || time[1] >= 86400000) return ATTR_ERR_BAD_VALUE;
            out.time[0] = time[0];
            out.time[1] = time[1];
            break;
        default: break;
    }
    return 0;
}

void to_value(const Attribute& a, ATTR_value_t* v) {
    *v = ATTR_value_t{};
    v->type = a.type;
    switch (a.type) {
        case ATTR_INTEGER: v->value.integer = a.integer; break;
        case ATTR_REAL: v->value.real = a.real; break;
        case ATTR_STRING: v->value.string = SM_string_copy(a.text.c_str()); break;
        case ATTR_REFERENCE: v->value.reference = SM_string_copy(a.text.c_str()); break;
        case ATTR_TIME:
            v->value.time[0] = a.time[0];
            v->value.time[1] = a.time[1];
            break;
        default: break;
    }
}

Attribute* find_title(List& list, const char* title) {
    for (Attribute& a : list)
        if (a.title == title) return &a;
    return nullptr;
}

// The checks of a lookup by title (object, type selector, title), then the
// object's attribute of that title, or null.
const Attribute* lookup(const Call& call, unsigned int object, int type, const char* title) {
    require_object(call, object);
    check_selector(call, type);
    check_title(call, title);
    List* list = table().edit(object);
    return list ? find_title(*list, title) : nullptr;
}

// The part whose file holds the object's attributes: the part itself or
// the object's owner.
void touch_owner(unsigned int object) {
    const objects::Object& o = objects::require(object);
    const unsigned int part = o.cls == OM_CLASS_PART ? object : o.part;
    if (part != 0 && parts::is_loaded(part)) parts::mark_modified(part);
}

void copy_cut(char* dst, std::size_t max_chars, const std::string& src) {
    const std::size_t n = std::min(max_chars, src.size());
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

void hand_out(const List& list, int* count, ATTR_part_attr_t** attrs) {
    *count = static_cast<int>(list.size());
    *attrs = nullptr;
    if (list.empty()) return;
    *attrs = static_cast<ATTR_part_attr_t*>(SM_alloc(list.size() * sizeof(ATTR_part_attr_t)));
    for (std::size_t i = 0; i < list.size(); ++i) {
        copy_cut((*attrs)[i].title, ATTR_MAX_TITLE_CHARS, list[i].title);
        copy_cut((*attrs)[i].string_value, ATTR_MAX_STRING_CHARS, as_text(list[i]));
    }
}

// ---- The part-file section: per attribute the object's number, title,
// type and value ----

void write_section(pf::Writer& out, const pf::SaveContext& ctx) {
    if (!ctx.with_attributes) return;
    std::vector<std::pair<std::uint32_t, const Attribute*>> rows;
    auto add = [&](unsigned int object) {
        if (const List* list = table().find(object))
            for (const Attribute& a : *list) rows.emplace_back(ctx.index(object), &a);
    };
    add(ctx.part);
    for (unsigned int t : ctx.objects) add(t);
    if (rows.empty()) return;
    out.u32(static_cast<std::uint32_t>(rows.size()));
    for (const auto& [index, a] : rows) {
        out.u32(index);
        out.str(a->title);
        out.i32(a->type);
        switch (a->type) {
            case ATTR_INTEGER: out.i32(a->integer); break;
            case ATTR_REAL: out.f64(a->real); break;
            case ATTR_STRING:
            case ATTR_REFERENCE: out.str(a->text); break;
            case ATTR_TIME:
                out.i32(a->time[0]);
                out.i32(a->time[1]);
                break;
            default: break;
        }
    }
}

struct Row {
    std::uint32_t index;
    Attribute a;
};

std::vector<Row> parse_section(pf::Reader& in) {
    const std::uint32_t n = in.u32();
    if (n > in.left() / 13) throw pf::FormatError("attribute count beyond the section");
    std::vector<Row> rows;
    rows.reserve(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t index = in.u32();
        const std::string title = in.str();
        const int type = in.i32();
        int integer = 0, time[2] = {0, 0};
        double real = 0;
        std::string text;
        switch (type) {
            case ATTR_INTEGER: integer = in.i32(); break;
            case ATTR_REAL: real = in.f64(); break;
            case ATTR_STRING:
            case ATTR_REFERENCE: text = in.str(); break;
            case ATTR_TIME:
                time[0] = in.i32();
                time[1] = in.i32();
                break;
            default: break;
        }
        Row row{index, {}};
        if (text.find('\0') != std::string::npos || title.find('\0') != std::string::npos ||
            make(title.c_str(), type, integer, real, text.c_str(), time, row.a) != 0)
            throw pf::FormatError("bad attribute");
        rows.push_back(std::move(row));
    }
    return rows;
}

void read_section(pf::Reader& in, pf::LoadContext& ctx) {
    for (Row& row : parse_section(in)) {
        List& list = table()[ctx.tag_of(row.index)];
        if (find_title(list, row.a.title.c_str())) throw pf::FormatError("title given twice");
        list.push_back(std::move(row.a));
    }
}

const bool section_registered = [] {
    pf::register_section({{'A', 'T', 'T', 'R'}, write_section, read_section});
    return true;
}();

}  // namespace

std::vector<Attribute> of(unsigned int object) {
    const List* list = table().find(object);
    return list ? *list : List{};
}

std::string as_text(const Attribute& a) {
    char buffer[64];
    switch (a.type) {
        case ATTR_INTEGER: std::snprintf(buffer, sizeof buffer, "%d", a.integer); return buffer;
        case ATTR_REAL: std::snprintf(buffer, sizeof buffer, "%.15g", a.real); return buffer;
        case ATTR_STRING:
        case ATTR_REFERENCE: return a.text;
        case ATTR_TIME: {
            // Civil date of the day number (days since 1970-01-01).
            long z = a.time[0] + 719468L;
            const long era = z / 146097;
            const long doe = z - era * 146097;
            const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
            const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
            const long mp = (5 * doy + 2) / 153;
            const long d = doy - (153 * mp + 2) / 5 + 1;
            const long m = mp < 10 ? mp + 3 : mp - 9;
            const long y = yoe + era * 400 + (m <= 2);
            const int ms = a.time[1];
            std::snprintf(buffer, sizeof buffer, "%04ld-%02ld-%02ld %02d:%02d:%02d", y, m, d, ms / 3600000,
                          ms / 60000 % 60, ms / 1000 % 60);
            return buffer;
        }
        default: return "";
    }
}

}  // namespace host::attributes

namespace ha = host::attributes;

extern "C" {

void ATTR_assign(unsigned int object, const char* title, ATTR_value_t value) {
    auto call = HOST_ENTRY_TEXT(title, object, value.type);
    ha::require_object(call, object);
    ha::Attribute a;
    const char* text = value.type == ATTR_STRING      ? value.value.string
                       : value.type == ATTR_REFERENCE ? value.value.reference
                                                      : "";
    if (int code = ha::make(title, value.type, value.value.integer, value.value.real, text, value.value.time, a))
        call.fail(code, "bad attribute");
    ha::List& list = ha::table()[object];
    if (ha::Attribute* old = ha::find_title(list, title)) *old = std::move(a);
    else list.push_back(std::move(a));
    ha::touch_owner(object);
}

void ATTR_delete(unsigned int object, int type, const char* title) {
    auto call = HOST_ENTRY_TEXT(title, object, type);
    ha::require_object(call, object);
    ha::check_selector(call, type);
    ha::check_title(call, title);
    ha::List* list = ha::table().edit(object);
    if (list)
        for (auto it = list->begin(); it != list->end(); ++it)
            if (it->title == title && ha::selects(type, it->type)) {
                list->erase(it);
                ha::touch_owner(object);
                return;
            }
    call.fail(ATTR_ERR_NOT_FOUND, "no such attribute");
}

void ATTR_delete_all(unsigned int object, int type) {
    auto call = HOST_ENTRY(object, type);
    ha::require_object(call, object);
    ha::check_selector(call, type);
    ha::List* list = ha::table().edit(object);
    if (!list) return;
    const std::size_t before = list->size();
    std::erase_if(*list, [&](const ha::Attribute& a) { return ha::selects(type, a.type); });
    if (list->size() != before) ha::touch_owner(object);
}

void ATTR_cycle(unsigned int object, int* index, int type, char* title, ATTR_value_t* value) {
    auto call = HOST_ENTRY(object, index ? *index : 0, type);
    call.need(index, "index");
    call.need(value, "value");
    ha::require_object(call, object);
    ha::check_selector(call, type);
    if (*index < 0) call.fail(ATTR_ERR_BAD_INDEX, "index below 0");
    const ha::List* list = ha::table().find(object);
    const std::size_t n = list ? list->size() : 0;
    for (std::size_t i = static_cast<std::size_t>(*index); i < n; ++i) {
        const ha::Attribute& a = (*list)[i];
        if (!ha::selects(type, a.type)) continue;
        *index = static_cast<int>(i + 1);
        if (title) ha::copy_cut(title, ATTR_MAX_TITLE_CHARS, a.title);
        ha::to_value(a, value);
        return;
    }
    *index = 0;
}

void ATTR_read_value(unsigned int object, const char* title, int type, ATTR_value_t* value) {
    auto call = HOST_ENTRY_TEXT(title, object, type);
    call.need(value, "value");
    const ha::Attribute* a = ha::lookup(call, object, type, title);
    if (!a) call.fail(ATTR_ERR_NOT_FOUND, "no such attribute");
    if (!ha::selects(type, a->type)) call.fail(ATTR_ERR_WRONG_TYPE, "attribute of another type");
    ha::to_value(*a, value);
}

void ATTR_count_attributes(unsigned int object, int type, int* count) {
    auto call = HOST_ENTRY(object, type);
    call.need(count, "count");
    ha::require_object(call, object);
    ha::check_selector(call, type);
    const ha::List* list = ha::table().find(object);
    int n = 0;
    if (list)
        for (const ha::Attribute& a : *list) n += ha::selects(type, a.type) ? 1 : 0;
    *count = n;
}

void ATTR_find_attribute(unsigned int object, int type, const char* title, int* result) {
    auto call = HOST_ENTRY_TEXT(title, object, type);
    call.need(result, "result");
    const ha::Attribute* a = ha::lookup(call, object, type, title);
    *result = a && ha::selects(type, a->type) ? a->type : 0;
}

void ATTR_ask_part_attribute(unsigned int* result) {
    auto call = HOST_ENTRY(result);
    call.need(result, "result");
    const unsigned int part = host::parts::work_part();
    if (part == 0) call.fail(ATTR_ERR_NO_PART, "no work part");
    *result = part;
}

void ATTR_ask_part_attrs(unsigned int part, int* count, ATTR_part_attr_t** attrs) {
    auto call = HOST_ENTRY(part, count, attrs);
    call.need(count, "count");
    call.need(attrs, "attributes");
    if (!host::parts::is_loaded(part)) call.fail(ATTR_ERR_BAD_OBJECT, "not a loaded part");
    ha::hand_out(ha::of(part), count, attrs);
}

void ATTR_ask_part_attrs_in_file(const char* file_name, int* count, ATTR_part_attr_t** attrs) {
    auto call = HOST_ENTRY_TEXT(file_name, count, attrs);
    call.need(file_name, "file name");
    call.need(count, "count");
    call.need(attrs, "attributes");
    host::part_file::Image image;
    if (const int code = host::part_file::load(file_name, image); code != 0)
        call.fail(code, "part file cannot be read");
    ha::List list;
    try {
        for (const auto& [id, payload] : image.sections)
            if (id == "ATTR") {
                host::part_file::Reader in(payload);
                for (ha::Row& row : ha::parse_section(in))
                    if (row.index == 0) list.push_back(std::move(row.a));
            }
    } catch (const host::part_file::FormatError&) {
        call.fail(PART_ERR_CORRUPT, "damaged attribute section");
    }
    ha::hand_out(list, count, attrs);
}

}  // extern "C"

// The attribute service's texts.
static_assert(ATTR_MAX_TITLE_CHARS == 50);  // quoted in the texts
static_assert(ATTR_MAX_STRING_CHARS == 132);
HOST_CODE_TEXTS(HOST_ATTRIBUTE_CODES);
