// The knowledge engine's values: payload storage, value records, lists,
// error objects, name tokens, temporary value objects, the value-service
// table and the trace.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "host/base/hook.h"
#include "host/model/rules/store.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"

struct KBL_name_s {
    std::string text;
};

namespace host::rules {
namespace {

// A line of the trace: the parts of an evaluation line (most lines, made
// into text only when someone reads them), or the index of a text.
struct TraceLine {
    const std::string* chain;
    const std::string* rule;
    std::size_t text;
};

struct Store {
    std::deque<std::unique_ptr<char[]>> texts;
    std::deque<std::unique_ptr<double[]>> doubles;
    std::deque<std::unique_ptr<KBL_list_cell_s>> cells;
    std::deque<std::unique_ptr<KBL_error_t>> errors;
    std::map<const KBL_value_t*, std::unique_ptr<KBL_value_t>> records;
    std::map<const KBE_object_s*, std::unique_ptr<KBE_object_s>> objects;
    std::unordered_map<const void*, int> known;  // live engine objects and their classes
    std::vector<TraceLine> trace;
    std::vector<std::string> trace_texts;  // the lines given as text
    std::vector<std::string> shown;        // the lines as trace() last gave them
};
Store& st() { return host::service_state<Store>("rules.store"); }
const bool registered = (st(), true);

// Name tokens live for the process: a token handed out stays valid across
// resets.
std::map<std::string, std::unique_ptr<KBL_name_s>, std::less<>>& names() {
    static std::map<std::string, std::unique_ptr<KBL_name_s>, std::less<>> n;
    return n;
}

}  // namespace

void fail(int code, const char* format, ...) {
    char text[512];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    ERROR_raise("kbl", 1, code, "%s", text);
}

const char* keep_text(const char* text) {
    const std::size_t n = std::strlen(text);
    auto block = std::make_unique<char[]>(n + 1);
    std::memcpy(block.get(), text, n + 1);
    st().texts.push_back(std::move(block));
    return st().texts.back().get();
}

const double* keep_doubles(const double* values, int n) {
    auto block = std::make_unique<double[]>(static_cast<std::size_t>(n));
    std::memcpy(block.get(), values, sizeof(double) * static_cast<std::size_t>(n));
    st().doubles.push_back(std::move(block));
    known_add(st().doubles.back().get(), KBE_CLASS_DATA);
    return st().doubles.back().get();
}

void known_add(const void* object, int cls) { st().known[object] = cls; }
void known_remove(const void* object) { st().known.erase(object); }
bool known(const void* object) { return object && st().known.count(object) != 0; }

KBL_error_t* make_error(int number, const std::string& message) {
    auto e = std::make_unique<KBL_error_t>();
    e->number = number;
    e->cls = KBE_CLASS_ERROR;
    e->message = keep_text(message.c_str());
    st().errors.push_back(std::move(e));
    KBL_error_t* out = st().errors.back().get();
    known_add(out, KBE_CLASS_ERROR);
    return out;
}

KBL_list_t checked_list(KBL_list_t list) {
    if (list && !known(list)) fail(KBL_ERR_UNKNOWN, "%p is no list of the engine", static_cast<void*>(list));
    return list;
}

KBL_list_t push(KBL_list_t list, const KBL_value_t& item) {
    checked_list(list);
    auto cell = std::make_unique<KBL_list_cell_s>();
    cell->item = item;
    cell->next = list;
    st().cells.push_back(std::move(cell));
    KBL_list_t out = st().cells.back().get();
    known_add(out, KBE_CLASS_LIST);
    return out;
}

int list_length(KBL_list_t list) {
    int n = 0;
    for (KBL_list_t c = checked_list(list); c; c = c->next) ++n;
    return n;
}

KBL_value_t value_of(int kind, const void* input) {
    KBL_value_t v{};
    v.kind = static_cast<std::uint32_t>(kind);
    auto pointer = [&](bool check) {
        void* p = nullptr;
        std::memcpy(&p, input, sizeof p);
        if (check && p && !known(p)) fail(KBL_ERR_UNKNOWN, "%p is no object of the engine", p);
        v.payload.pointer = p;
    };
    if (!input) fail(HOST_ERR_NULL_ARGUMENT, "no input for a value of kind %d", kind);
    switch (kind) {
        case KBL_KIND_BOOLEAN:
        case KBL_KIND_INTEGER:
        case KBL_KIND_USER: std::memcpy(&v.payload.word, input, sizeof v.payload.word); break;
        case KBL_KIND_NUMBER: std::memcpy(&v.payload.number, input, sizeof v.payload.number); break;
        case KBL_KIND_POINT:
        case KBL_KIND_VECTOR: v.payload.doubles = keep_doubles(static_cast<const double*>(input), 3); break;
        case KBL_KIND_FRAME: v.payload.doubles = keep_doubles(static_cast<const double*>(input), 16); break;
        case KBL_KIND_STRING: {
            const char* text = nullptr;
            std::memcpy(&text, input, sizeof text);
            if (!text) fail(HOST_ERR_NULL_ARGUMENT, "no text for a string value");
            v.payload.text = keep_text(text);
            break;
        }
        case KBL_KIND_NAME: pointer(false); break;
        case KBL_KIND_ERROR:
        case KBL_KIND_OBJECT:
        case KBL_KIND_INSTANCE:
        case KBL_KIND_LIST: pointer(true); break;
        default: fail(KBL_ERR_TYPE, "no value of kind %d can be made", kind);
    }
    if (kind == KBL_KIND_ERROR && !v.payload.pointer) fail(KBL_ERR_UNKNOWN, "an error value needs an error object");
    return v;
}

KBL_value_t* new_record(const KBL_value_t& v) {
    auto r = std::make_unique<KBL_value_t>(v);
    KBL_value_t* out = r.get();
    st().records.emplace(out, std::move(r));
    return out;
}

KBL_name_t token_of(const char* text) {
    auto& n = names();
    auto it = n.find(std::string_view(text));
    if (it == n.end()) it = n.emplace(text, std::make_unique<KBL_name_s>(KBL_name_s{text})).first;
    return it->second.get();
}

const char* text_of(KBL_name_t name, bool& known_token) {
    for (const auto& [text, token] : names())
        if (token.get() == name) {
            known_token = true;
            return text.empty() ? nullptr : token->text.c_str();
        }
    known_token = false;
    return nullptr;
}

namespace {
std::string line_of(const Store& s, const TraceLine& l) {
    return l.chain ? "evaluate " + *l.chain + *l.rule : s.trace_texts[l.text];
}
}  // namespace

void add_trace(std::string line) {
    Store& s = st();
    s.trace.push_back({nullptr, nullptr, s.trace_texts.size()});
    s.trace_texts.push_back(std::move(line));
}
void add_evaluation_trace(const std::string* chain, const std::string* rule) { st().trace.push_back({chain, rule, 0}); }
const std::vector<std::string>& trace() {
    Store& s = st();
    s.shown.clear();
    for (const TraceLine& l : s.trace) s.shown.push_back(line_of(s, l));
    return s.shown;
}
void clear_trace() {
    st().trace.clear();
    st().trace_texts.clear();
}
int trace_count(const std::string& prefix) {
    int n = 0;
    for (const TraceLine& l : st().trace) n += line_of(st(), l).compare(0, prefix.size(), prefix) == 0;
    return n;
}

}  // namespace host::rules

using namespace host::rules;

namespace {

KBL_value_t* svc_create(int kind, const void* input) { return new_record(value_of(kind, input)); }
void svc_copy(const KBL_value_t* from, KBL_value_t* to) {
    if (!from || !to) fail(HOST_ERR_NULL_ARGUMENT, "no value record to copy");
    *to = *from;
}
KBL_value_t* svc_allocate() { return new_record(KBL_value_t{}); }
KBL_error_t* svc_error(int number) { return make_error(number, ""); }
KBL_list_t svc_pop(KBL_list_t list, KBL_value_t* first) {
    if (!first) fail(HOST_ERR_NULL_ARGUMENT, "no record for the first item");
    if (!checked_list(list)) fail(KBL_ERR_EMPTY_LIST, "pop from an empty list");
    *first = list->item;
    return list->next;
}
KBL_list_t svc_push(KBL_list_t list, const KBL_value_t* item, int) {
    if (!item) fail(HOST_ERR_NULL_ARGUMENT, "no item to push");
    return push(list, *item);
}

const KBE_dfk_table_t table = {svc_create, svc_copy, svc_allocate, svc_error, svc_pop, svc_push};

KBE_object_t new_object(int cls) {
    auto o = std::make_unique<KBE_object_s>();
    o->cls = static_cast<std::uint16_t>(cls);
    KBE_object_t out = o.get();
    st().objects.emplace(out, std::move(o));
    known_add(out, cls);
    return out;
}

KBE_object_s& live_object(const host::Call& call, KBE_object_t object) {
    if (!known(object) || !st().objects.count(object))
        call.fail(KBL_ERR_UNKNOWN, "%p is no value object", (void*)object);
    return *object;
}

}  // namespace

extern "C" {

const KBE_dfk_table_t* KBE_ask_dfk_table(void) {
    HOST_ENTRY();
    return &table;
}

int KBE_is_known(const void* object) { return known(object) ? 1 : 0; }

int KBE_ask_object_class(const void* object) {
    if (!object) return 0;
    auto it = st().known.find(object);
    return it != st().known.end() ? it->second : 0;
}

KBL_name_t DFK_ask_token(const char* text) {
    auto call = HOST_ENTRY_TEXT(text);
    return token_of(call.need(text, "the text"));
}

const char* DFK_ask_string(KBL_name_t name) {
    auto call = HOST_ENTRY(name);
    bool known_token = false;
    const char* text = text_of(call.need(name, "the name"), known_token);
    if (!known_token) call.fail(KBL_ERR_UNKNOWN, "%p is no name token", static_cast<const void*>(name));
    return text;
}

KBE_object_t KBE_create_frame_object(unsigned int part, const double frame[16]) {
    auto call = HOST_ENTRY(part, frame);
    call.need(frame, "the frame");
    KBE_object_t o = new_object(KBE_CLASS_FRAME_VALUE);
    std::memcpy(o->frame, frame, sizeof o->frame);
    return o;
}

KBE_object_t KBE_create_instance_object(unsigned int part, KBL_instance_t instance) {
    auto call = HOST_ENTRY(part, instance);
    if (!known(instance)) call.fail(KBL_ERR_UNKNOWN, "%p is no instance", (void*)instance);
    KBE_object_t o = new_object(KBE_CLASS_INSTANCE_VALUE);
    o->instance = instance;
    return o;
}

KBE_object_t DFK_create_value(unsigned int part, const KBL_value_t* value) {
    auto call = HOST_ENTRY(part, value);
    call.need(value, "the value");
    const std::uint32_t kind = value->kind & KBL_KIND_MASK;
    if (kind == KBL_KIND_FRAME && !known(value->payload.doubles))
        call.fail(KBL_ERR_UNKNOWN, "the value holds no frame");
    if (kind == KBL_KIND_FRAME) {
        KBE_object_t o = new_object(KBE_CLASS_FRAME_VALUE);
        std::memcpy(o->frame, value->payload.doubles, sizeof o->frame);
        return o;
    }
    if (kind == KBL_KIND_INSTANCE) {
        KBE_object_t o = new_object(KBE_CLASS_INSTANCE_VALUE);
        if (!known(value->payload.pointer)) call.fail(KBL_ERR_UNKNOWN, "the value holds no instance");
        o->instance = static_cast<KBL_instance_t>(value->payload.pointer);
        return o;
    }
    call.fail(KBL_ERR_TYPE, "no object stands for a value of kind %u", kind);
}

void DFK_convert_value(KBE_object_t object, KBL_value_t* out) {
    auto call = HOST_ENTRY(object, out);
    call.need(out, "the value record");
    KBE_object_s& o = live_object(call, object);
    if (o.cls == KBE_CLASS_FRAME_VALUE) *out = value_of(KBL_KIND_FRAME, o.frame);
    else *out = value_of(KBL_KIND_INSTANCE, &o.instance);
}

void KBE_ask_frame_of_object(KBE_object_t object, double frame[16]) {
    auto call = HOST_ENTRY(object, frame);
    call.need(frame, "the frame");
    KBE_object_s& o = live_object(call, object);
    if (o.cls != KBE_CLASS_FRAME_VALUE) call.fail(HOST_ERR_WRONG_CLASS, "the object is no frame");
    std::memcpy(frame, o.frame, sizeof o.frame);
}

void KBE_delete_object(KBE_object_t object) {
    auto call = HOST_ENTRY(object);
    live_object(call, object);
    known_remove(object);
    st().objects.erase(object);
}

int KBL_count_list_items(const KBL_value_t* list_value) {
    auto call = HOST_ENTRY(list_value);
    call.need(list_value, "the list value");
    if ((list_value->kind & KBL_KIND_MASK) != KBL_KIND_LIST) call.fail(KBL_ERR_TYPE, "the value is no list");
    return list_length(static_cast<KBL_list_t>(list_value->payload.pointer));
}

void KBL__list_length(KBL_list_t list, int* length) {
    auto call = HOST_ENTRY(list, length);
    call.need(length, "the length");
    *length = list_length(list);
}

const KBL_value_t* KBL__list_nth(int index, KBL_list_t list) {
    HOST_ENTRY(index, list);
    KBL_list_t c = checked_list(list);
    for (int i = 1; c && i < index; ++i) c = c->next;
    return index >= 1 && c ? &c->item : nullptr;
}

void KBL_display_info_message(const char* text) {
    HOST_ENTRY_TEXT(text);
    add_trace(text ? text : "");
}

int KBE_run_corba_server(void* first, void* second, void* third, int flags, void** output) {
    HOST_ENTRY(first, second, third, output);
    (void)flags;
    if (output) *output = nullptr;
    add_trace("request server not available");
    return KBL_ERR_NO_SERVER;
}

void KBL_free_value(KBL_value_t* value) {
    auto call = HOST_ENTRY(value);
    if (!value) return;
    if (!st().records.count(value)) call.fail(KBL_ERR_UNKNOWN, "%p is no value record of the engine", (void*)value);
    st().records.erase(value);
}

}  // extern "C"
