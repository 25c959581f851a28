// Journal and scripts of the entry hook.
#include "host/base/hook.h"

#include <cstdarg>
#include <cstdio>
#include <unordered_map>
#include <vector>

#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace host {

struct Script {
    int raise_code = 0;
    int raise_nth = -1;  // -1: no raise; 0: every call; n: the n-th call
    bool has_status = false;
    int status = 0;
    std::vector<Value> outputs;
    long calls = 0;
};

namespace {
std::vector<JournalRecord>& journal_store() {
    static std::vector<JournalRecord> store;
    return store;
}
std::unordered_map<std::string, Script>& scripts() {
    static std::unordered_map<std::string, Script> map;
    return map;
}
Script& script_of(const char* name) {
    auto& map = scripts();
    Script& s = map[name];
    hook_detail::scripted = static_cast<int>(map.size());
    return s;
}
void reset_hook() {
    hook_detail::scripts_clear();
    hook_detail::j_size = 0;
    hook_detail::j_on = true;
}
const bool registered = (register_service_reset("hook", reset_hook), true);
}  // namespace

namespace hook_detail {
JournalRecord* j_data = nullptr;
std::size_t j_size = 0;
std::size_t j_cap = 0;
// The journal is test machinery: off in a user program's process, where it
// would grow by a record per host call for as long as the process runs; a
// test turns it on with host::control::reset() (or set_journal).
bool j_on = false;
int scripted = 0;

void grow() {
    auto& store = journal_store();
    store.resize(store.empty() ? std::size_t{1} << 16 : store.size() * 2);
    j_data = store.data();
    j_cap = store.size();
}

const Script* apply(const char* name) {
    auto& map = scripts();
    auto it = map.find(name);
    if (it == map.end()) return nullptr;
    Script& s = it->second;
    ++s.calls;
    if (s.raise_nth == 0 || (s.raise_nth > 0 && s.calls == s.raise_nth))
        ERROR_raise(name, 0, s.raise_code, "Error %d raised by the test script of %s", s.raise_code, name);
    return &s;
}
}  // namespace hook_detail

bool Call::scripted_status(int& out) const {
    if (!s_->has_status) return false;
    out = s_->status;
    return true;
}
std::size_t Call::output_count() const { return s_->outputs.size(); }
std::int64_t Call::int_at(std::size_t i, std::int64_t dflt) const {
    if (i >= s_->outputs.size()) return dflt;
    const Value& v = s_->outputs[i];
    return v.kind == Value::Int ? v.i : v.kind == Value::Real ? static_cast<std::int64_t>(v.r) : dflt;
}
double Call::real_at(std::size_t i, double dflt) const {
    if (i >= s_->outputs.size()) return dflt;
    const Value& v = s_->outputs[i];
    return v.kind == Value::Real ? v.r : v.kind == Value::Int ? static_cast<double>(v.i) : dflt;
}
const char* Call::text_at(std::size_t i, const char* dflt) const {
    if (i >= s_->outputs.size()) return dflt;
    const Value& v = s_->outputs[i];
    return v.kind == Value::Text ? v.s.c_str() : dflt;
}
void Call::fail(int code, const char* format, ...) const {
    char text[512];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    ERROR_raise(name_, 0, code, "%s: %s", name_, text);
}
void Call::null_argument(const char* what) const {
    ERROR_raise(name_, 0, HOST_ERR_NULL_ARGUMENT, "%s: %s is null", name_, what);
}
const objects::Object& Call::live(unsigned int tag) const {
    const objects::Object* o = objects::find(tag);
    if (!o) dead_tag(tag);
    return *o;
}
const objects::Object& Call::live_of_type(unsigned int tag, int type) const {
    const objects::Object& o = live(tag);
    if (o.type != type) fail(HOST_ERR_WRONG_CLASS, "tag %u is not of type %d", tag, type);
    return o;
}
const objects::Object& Call::live_of_class(unsigned int tag, int cls, const char* what) const {
    const objects::Object& o = live(tag);
    if (!objects::is_subclass(o.cls, cls)) fail(HOST_ERR_WRONG_CLASS, "tag %u is not %s", tag, what);
    return o;
}
void Call::dead_tag(unsigned int tag) const {
    ERROR_raise(name_, 0, HOST_ERR_DEAD_TAG, "%s: tag %u is not a live object", name_, tag);
}

namespace hook_detail {

void script_raise(const char* name, int code, int nth) {
    Script& s = script_of(name);
    s.raise_code = code;
    s.raise_nth = nth < 0 ? 0 : nth;
    s.calls = 0;
}
void script_status(const char* name, int status) {
    Script& s = script_of(name);
    s.has_status = true;
    s.status = status;
}
void script_outputs(const char* name, std::vector<Value> values) { script_of(name).outputs = std::move(values); }
void script_clear(const char* name) {
    scripts().erase(name);
    scripted = static_cast<int>(scripts().size());
}
void scripts_clear() {
    scripts().clear();
    scripted = 0;
}

}  // namespace hook_detail
}  // namespace host
