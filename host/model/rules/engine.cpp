// The knowledge engine: class files, the instance tree, demand-driven and
// cached rule evaluation in a Lua sandbox, adoption of model objects and
// the engine's routines.
//
// Evaluation never nests formula runs: a formula that reads a rule whose
// value is not known yet stops (a Lua error carrying the engine's
// "needed" mark), the needed rule goes on the work stack, and the formula
// runs again once that value is there. So a chain of any length costs no
// C stack, and a rule met again while it waits on the stack is a cycle.
//
// Nothing that unwinds C++ lives in a C function that Lua calls at the
// moment it raises a Lua error: those functions compute into plain locals,
// let their C++ objects go, and raise afterwards. Host errors inside them
// are caught under a frame of the engine's own.
#include <lua.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/model.h"
#include "host/model/rules/engine.h"
#include "host/base/service_state.h"
#include "host/base/services/block_array.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "host/base/services/text.h"

namespace host::rules {

void Readers::insert(Slot* s) {
    if (index_) {
        if (index_->emplace(s, list_.size()).second) list_.push_back(s);
        return;
    }
    if (std::find(list_.begin(), list_.end(), s) != list_.end()) return;
    list_.push_back(s);
    if (list_.size() >= kIndexFrom) {
        index_ = std::make_unique<std::unordered_map<Slot*, std::size_t>>();
        for (std::size_t i = 0; i < list_.size(); ++i) index_->emplace(list_[i], i);
    }
}

void Readers::erase(Slot* s) {
    std::size_t at = 0;
    if (index_) {
        auto it = index_->find(s);
        if (it == index_->end()) return;
        at = it->second;
        index_->erase(it);
    } else {
        Slot* const* it = std::find(list_.begin(), list_.end(), s);
        if (it == list_.end()) return;
        at = static_cast<std::size_t>(it - list_.begin());
    }
    if (at + 1 != list_.size()) {
        list_[at] = list_.back();
        if (index_) (*index_)[list_[at]] = at;
    }
    list_.pop_back();
}

namespace {

constexpr long kDefaultLimit = 5'000'000;        // instructions a formula may run
constexpr std::size_t kMemoryLimit = 64u << 20;  // bytes the formulas' state may hold
constexpr int kHookEvery = 1000;
constexpr int kMaxDepth = 64;  // nesting of lists converted between Lua and values
constexpr std::uintmax_t kMaxClassFile = 1u << 20;

const char* const kInstanceMeta = "kbl.instance";
const char* const kValueMeta = "kbl.value";

// Built-in classes: the root of a part and adopted model objects.
const char* const kBuiltinClasses[][2] = {
    {"root", "{ rules = {} }"},
    {"model_object", "{ rules = { object = { type = 'any', flags = 'uncached', formula = 'adopted()' } } }"},
    {"model_body",
     "{ ancestors = { 'model_object' }, rules = {"
     " volume = { type = 'number', flags = 'uncached', formula = 'body_property(0)' },"
     " area = { type = 'number', flags = 'uncached', formula = 'body_property(1)' } } }"},
};

void free_invocation_items(KBL_invocation_args_t* args);

struct Engine {
    lua_State* L = nullptr;
    std::size_t memory = 0;
    long limit = kDefaultLimit;
    long used = 0;
    bool limit_hit = false;
    std::map<std::string, std::unique_ptr<ClassDef>> classes;
    std::vector<std::unique_ptr<KBL_rule_s>> retired;  // deleted class rules (their handles stay readable)
    std::vector<std::string> path;
    std::string user_dir;
    bool user_override = false;
    std::deque<std::unique_ptr<KBL_instance_s>> instances;
    KBL_instance_t root = nullptr;
    unsigned int part = 0;
    std::map<unsigned int, KBE_object_t> adopted;  // by model object
    std::deque<std::unique_ptr<KBE_object_s>> adopted_store;
    unsigned epoch = 0;
    Slot* current = nullptr;  // the rule whose formula runs
    Slot* needed = nullptr;   // the rule that formula found missing
    int raised_code = 0;      // the engine code of a raise from a C function
    std::string raised_text;
    int runs = 0;  // formula runs under way (a run inside another: a class file read, a library call)

    void reset() {
        if (L) lua_close(L);
        *this = Engine{};
        clear_trace();  // its evaluation lines point into the instances
    }
    ~Engine() {
        if (L) lua_close(L);
    }
    Engine() = default;
    Engine& operator=(Engine&&) = default;
};
Engine* g_engine = nullptr;
Engine& eng() {
    if (!g_engine) [[unlikely]]
        g_engine = &host::service_state<Engine>("rules.engine");
    return *g_engine;
}
const bool registered = (eng(), true);

// The registered invocation of library functions lives for the process.
KBL_invoke_fn& invocation() {
    static KBL_invoke_fn fn = nullptr;
    return fn;
}

// ---- Lua state -------------------------------------------------------------

void* limited_alloc(void* ud, void* block, std::size_t old_size, std::size_t new_size) {
    Engine* e = static_cast<Engine*>(ud);
    if (!block) old_size = 0;
    if (new_size == 0) {
        std::free(block);
        e->memory -= old_size;
        return nullptr;
    }
    if (new_size > old_size && e->memory + (new_size - old_size) > kMemoryLimit) return nullptr;
    void* out = std::realloc(block, new_size);
    if (out) e->memory = e->memory - old_size + new_size;
    return out;
}

void count_hook(lua_State* L, lua_Debug*) {
    Engine& e = eng();
    e.used += kHookEvery;
    if (e.used > e.limit) {
        e.limit_hit = true;
        luaL_error(L, "the formula ran past the instruction limit");
    }
}

// Raises the engine's error code as a Lua error; no C++ object of the
// caller may be alive.
int raise_code(lua_State* L, int code, const char* text) {
    eng().raised_code = code;
    eng().raised_text = text;
    return luaL_error(L, "%s", text);
}

void push_value(lua_State* L, const KBL_value_t& v, int depth);
bool read_value(lua_State* L, int index, KBL_value_t& out, int depth);
int read_rule(lua_State* L, KBL_instance_t inst, const char* rule);
int read_slot(lua_State* L, Slot* s);
Slot* rule_slot(KBL_instance_t inst, const char* rule);

void push_instance(lua_State* L, KBL_instance_t inst) {
    auto* p = static_cast<KBL_instance_t*>(lua_newuserdatauv(L, sizeof(KBL_instance_t), 0));
    *p = inst;
    luaL_setmetatable(L, kInstanceMeta);
}

void push_boxed(lua_State* L, const KBL_value_t& v) {
    auto* p = static_cast<KBL_value_t*>(lua_newuserdatauv(L, sizeof(KBL_value_t), 0));
    *p = v;
    luaL_setmetatable(L, kValueMeta);
}

void push_value(lua_State* L, const KBL_value_t& v, int depth) {
    switch (v.kind & KBL_KIND_MASK) {
        case KBL_KIND_BOOLEAN: lua_pushboolean(L, v.payload.word != 0); return;
        case KBL_KIND_INTEGER: lua_pushinteger(L, v.payload.word); return;
        case KBL_KIND_NUMBER: lua_pushnumber(L, v.payload.number); return;
        case KBL_KIND_STRING: lua_pushstring(L, v.payload.text); return;
        case KBL_KIND_INSTANCE: push_instance(L, static_cast<KBL_instance_t>(v.payload.pointer)); return;
        case KBL_KIND_LIST: {
            if (depth > kMaxDepth || !lua_checkstack(L, 4)) {
                luaL_error(L, "a list nested too deeply");
                return;
            }
            lua_newtable(L);
            lua_Integer i = 1;
            for (KBL_list_t c = static_cast<KBL_list_t>(v.payload.pointer); c; c = c->next) {
                push_value(L, c->item, depth + 1);
                lua_rawseti(L, -2, i++);
            }
            return;
        }
        default: push_boxed(L, v); return;
    }
}

// A Lua value as an engine value; false when it has none (nil, functions,
// tables nested too deeply).
bool read_value(lua_State* L, int index, KBL_value_t& out, int depth) {
    index = lua_absindex(L, index);
    out = KBL_value_t{};
    switch (lua_type(L, index)) {
        case LUA_TBOOLEAN:
            out.kind = KBL_KIND_BOOLEAN;
            out.payload.word = lua_toboolean(L, index);
            return true;
        case LUA_TNUMBER:
            if (lua_isinteger(L, index)) {
                const lua_Integer i = lua_tointeger(L, index);
                if (i >= std::numeric_limits<std::int32_t>::min() && i <= std::numeric_limits<std::int32_t>::max()) {
                    out.kind = KBL_KIND_INTEGER;
                    out.payload.word = static_cast<std::int32_t>(i);
                    return true;
                }
            }
            out.kind = KBL_KIND_NUMBER;
            out.payload.number = lua_tonumber(L, index);
            return true;
        case LUA_TSTRING: {
            std::size_t n = 0;
            const char* s = lua_tolstring(L, index, &n);
            if (std::strlen(s) != n) return false;  // texts hold no NUL
            out.kind = KBL_KIND_STRING;
            out.payload.text = keep_text(s);
            return true;
        }
        case LUA_TUSERDATA:
            if (auto* p = static_cast<KBL_instance_t*>(luaL_testudata(L, index, kInstanceMeta))) {
                out.kind = KBL_KIND_INSTANCE;
                out.payload.pointer = *p;
                return true;
            }
            if (auto* p = static_cast<KBL_value_t*>(luaL_testudata(L, index, kValueMeta))) {
                out = *p;
                return true;
            }
            return false;
        case LUA_TTABLE: {
            if (depth > kMaxDepth || !lua_checkstack(L, 4)) return false;
            const lua_Integer n = static_cast<lua_Integer>(lua_rawlen(L, index));
            KBL_list_t list = nullptr;
            for (lua_Integer i = n; i >= 1; --i) {
                lua_rawgeti(L, index, i);
                KBL_value_t item;
                const bool ok = read_value(L, -1, item, depth + 1);
                lua_pop(L, 1);
                if (!ok) return false;
                list = push(list, item);
            }
            out.kind = KBL_KIND_LIST;
            out.payload.pointer = list;
            return true;
        }
        default: return false;
    }
}

// ---- Functions of the formulas ------------------------------------------------

double number_arg(lua_State* L, int i) { return luaL_checknumber(L, i); }

int f_point_like(lua_State* L, int kind) {
    const double xyz[3] = {number_arg(L, 1), number_arg(L, 2), number_arg(L, 3)};
    push_boxed(L, value_of(kind, xyz));
    return 1;
}
int f_point(lua_State* L) { return f_point_like(L, KBL_KIND_POINT); }
int f_vector(lua_State* L) { return f_point_like(L, KBL_KIND_VECTOR); }
int f_frame(lua_State* L) {
    luaL_checktype(L, 1, LUA_TTABLE);
    double m[16];
    for (int i = 0; i < 16; ++i) {
        lua_rawgeti(L, 1, i + 1);
        if (!lua_isnumber(L, -1)) return luaL_error(L, "a frame takes 16 numbers");
        m[i] = lua_tonumber(L, -1);
        lua_pop(L, 1);
    }
    push_boxed(L, value_of(KBL_KIND_FRAME, m));
    return 1;
}
int f_name(lua_State* L) {
    const char* text = luaL_checkstring(L, 1);
    KBL_name_t token = token_of(text);
    push_boxed(L, value_of(KBL_KIND_NAME, &token));
    return 1;
}
int f_error_value(lua_State* L) {
    const lua_Integer n = luaL_checkinteger(L, 1);
    const char* text = luaL_optstring(L, 2, "");
    KBL_error_t* e = make_error(static_cast<int>(n), text);
    push_boxed(L, value_of(KBL_KIND_ERROR, &e));
    return 1;
}
int f_user(lua_State* L) {
    const std::int32_t w = static_cast<std::int32_t>(luaL_checkinteger(L, 1));
    push_boxed(L, value_of(KBL_KIND_USER, &w));
    return 1;
}
int f_adopted(lua_State* L) {
    KBL_instance_t inst = eng().current ? eng().current->inst : nullptr;
    if (!inst || !inst->adopted) return raise_code(L, KBL_ERR_NO_RULE, "the instance adopts no model object");
    KBE_object_t o = inst->adopted;
    push_boxed(L, value_of(KBL_KIND_OBJECT, &o));
    return 1;
}
// body_property(i): mass property i of the adopted body, read from the model.
int f_body_property(lua_State* L) {
    const int which = static_cast<int>(luaL_checkinteger(L, 1));
    KBL_instance_t inst = eng().current ? eng().current->inst : nullptr;
    int code = 0;
    double result = 0;
    if (!inst || !inst->adopted) code = KBL_ERR_NO_RULE;
    else if (which < 0 || which >= ZQ_MP_COUNT) code = KBL_ERR_BAD_RULE;
    else {
        const int id = host::arm_library_frame();
        try {
            double props[ZQ_MP_COUNT] = {};
            ZQ_BODY_ask_mass_props(host::kernel::entity_of(inst->adopted->tag), props);
            result = props[which];
            ERROR_cancel_handler(id);
        } catch (const host::HostError&) {
            code = ERROR_ask_failure_code();
            ERROR_acknowledge_handled(code);  // it becomes the rule's error value
        }
    }
    if (code) return raise_code(L, code, "the model cannot answer");
    lua_pushnumber(L, result);
    return 1;
}

// extension("lib", "entry", args...)
int f_extension(lua_State* L) {
    const int n = lua_gettop(L);
    luaL_checkstring(L, 1);
    luaL_checkstring(L, 2);
    KBL_invoke_fn fn = invocation();
    if (!fn) return raise_code(L, KBL_ERR_NO_EXTENSION, "no library calls are possible");
    auto* args = static_cast<KBL_invocation_args_t*>(std::calloc(1, sizeof(KBL_invocation_args_t)));
    if (!args) return luaL_error(L, "no memory");
    args->count = n;
    args->items = static_cast<KBL_value_t*>(std::calloc(static_cast<std::size_t>(n), sizeof(KBL_value_t)));
    bool ok = args->items != nullptr;
    for (int i = 3; ok && i <= n; ++i) ok = read_value(L, i, args->items[i - 3], 0);
    if (ok) {
        read_value(L, 1, args->items[n - 2], 0);
        read_value(L, 2, args->items[n - 1], 0);
    }
    if (!ok) {
        free_invocation_items(args);
        std::free(args);
        return luaL_error(L, "an argument of the library call has no value");
    }
    KBL_value_t result{};
    int code = 0;
    KBL_instance_t inst = eng().current ? eng().current->inst : nullptr;
    const int id = host::arm_library_frame();
    try {
        fn(inst, args, &result);  // hands the arguments back to the engine
        ERROR_cancel_handler(id);
    } catch (const host::HostError&) {
        code = ERROR_ask_failure_code();
        ERROR_acknowledge_handled(code);  // it becomes the rule's error value
    } catch (...) {
        ERROR_cancel_handler(id);
        code = KBL_ERR_RAISED;
    }
    if (code) return raise_code(L, code, "the library call failed");
    if (result.kind == 0) {
        lua_pushnil(L);
        return 1;
    }
    push_value(L, result, 0);
    return 1;
}

// Reading a rule of the running formula's instance, or of another: the
// value, or the mark that the rule is needed first.
// A child that no rule of the instance makes (an adopted object).
KBL_instance_t child_named(KBL_instance_t inst, const char* local) {
    auto it = inst->children.find(local);
    return it != inst->children.end() ? it->second : nullptr;
}

int env_index(lua_State* L) {
    // upvalue 1: the instance; upvalue 2: the table of functions; upvalue
    // 3: the slots of the rules read so far, by name (slots live until the
    // reset, and a slot whose rule went answers -1 below)
    if (lua_type(L, 2) != LUA_TSTRING) return 0;
    lua_pushvalue(L, 2);
    if (lua_rawget(L, lua_upvalueindex(3)) == LUA_TLIGHTUSERDATA) {
        Slot* s = static_cast<Slot*>(lua_touserdata(L, -1));
        lua_pop(L, 1);
        const int r = read_slot(L, s);
        if (r >= 0) return r;
    } else {
        lua_pop(L, 1);
    }
    auto inst = static_cast<KBL_instance_t>(lua_touserdata(L, lua_upvalueindex(1)));
    const char* key = lua_tostring(L, 2);
    if (std::strcmp(key, "parent") == 0 && inst->parent) {
        push_instance(L, inst->parent);
        return 1;
    }
    if (std::strcmp(key, "self") == 0) {
        push_instance(L, inst);
        return 1;
    }
    if (Slot* s = rule_slot(inst, key)) {
        lua_pushvalue(L, 2);
        lua_pushlightuserdata(L, s);
        lua_rawset(L, lua_upvalueindex(3));
        const int r = read_slot(L, s);
        if (r >= 0) return r;
    }
    if (KBL_instance_t child = child_named(inst, key)) {
        push_instance(L, child);
        return 1;
    }
    lua_pushvalue(L, 2);
    if (lua_rawget(L, lua_upvalueindex(2)) != LUA_TNIL) return 1;
    return luaL_error(L, "unknown name '%s'", key);
}

int env_newindex(lua_State* L) { return luaL_error(L, "a formula cannot assign names"); }

int instance_index(lua_State* L) {
    KBL_instance_t inst = *static_cast<KBL_instance_t*>(luaL_checkudata(L, 1, kInstanceMeta));
    const char* key = luaL_checkstring(L, 2);
    if (!known(inst)) return raise_code(L, KBL_ERR_UNKNOWN, "the instance is gone");
    if (std::strcmp(key, "parent") == 0 && inst->parent) {
        push_instance(L, inst->parent);
        return 1;
    }
    const int r = read_rule(L, inst, key);
    if (r >= 0) return r;
    if (KBL_instance_t child = child_named(inst, key)) {
        push_instance(L, child);
        return 1;
    }
    return raise_code(L, KBL_ERR_NO_RULE, "the instance has no such rule");
}

int value_index(lua_State* L) {
    const auto* v = static_cast<const KBL_value_t*>(luaL_checkudata(L, 1, kValueMeta));
    const std::uint32_t kind = v->kind & KBL_KIND_MASK;
    int i = 0;
    if (lua_isinteger(L, 2)) i = static_cast<int>(lua_tointeger(L, 2));
    else if (const char* k = lua_tostring(L, 2); k && k[0] && !k[1] && k[0] >= 'x' && k[0] <= 'z') i = k[0] - 'x' + 1;
    const int n = kind == KBL_KIND_POINT || kind == KBL_KIND_VECTOR ? 3 : kind == KBL_KIND_FRAME ? 16 : 0;
    if (i < 1 || i > n) return 0;
    lua_pushnumber(L, v->payload.doubles[i - 1]);
    return 1;
}

int value_tostring(lua_State* L) {
    const auto* v = static_cast<const KBL_value_t*>(luaL_checkudata(L, 1, kValueMeta));
    const std::uint32_t kind = v->kind & KBL_KIND_MASK;
    bool known_token = false;
    const char* text =
        kind == KBL_KIND_NAME ? text_of(static_cast<KBL_name_t>(v->payload.pointer), known_token) : nullptr;
    if (kind == KBL_KIND_NAME) lua_pushstring(L, text ? text : "");
    else if (kind == KBL_KIND_ERROR)
        lua_pushfstring(L, "error %d", static_cast<KBL_error_t*>(v->payload.pointer)->number);
    else lua_pushfstring(L, "value of kind %d", static_cast<int>(kind));
    return 1;
}

lua_State* state() {
    Engine& e = eng();
    if (e.L) return e.L;
    lua_State* L = lua_newstate(limited_alloc, &e);
    if (!L) fail(HOST_ERR_NO_MEMORY, "no state for formulas");
    e.L = L;
    // The libraries formulas may use; nothing that reaches files, the
    // process, the loader, the debugger or the compiler, and nothing that
    // catches errors (the engine's marks and the limits must get out).
    luaL_requiref(L, LUA_GNAME, luaopen_base, 1);
    luaL_requiref(L, LUA_MATHLIBNAME, luaopen_math, 1);
    luaL_requiref(L, LUA_STRLIBNAME, luaopen_string, 1);
    luaL_requiref(L, LUA_TABLIBNAME, luaopen_table, 1);
    luaL_requiref(L, LUA_UTF8LIBNAME, luaopen_utf8, 1);
    lua_pop(L, 5);
    lua_newtable(L);  // the functions of formulas
    static const char* const kept[] = {"assert",   "error",    "ipairs", "next",     "pairs",  "select",
                                       "tonumber", "tostring", "type",   "rawequal", "rawlen", "rawget",
                                       "math",     "string",   "table",  "utf8"};
    for (const char* name : kept) {
        lua_getglobal(L, name);
        lua_setfield(L, -2, name);
    }
    static const luaL_Reg own[] = {{"point", f_point},
                                   {"vector", f_vector},
                                   {"frame", f_frame},
                                   {"name", f_name},
                                   {"error_value", f_error_value},
                                   {"user", f_user},
                                   {"adopted", f_adopted},
                                   {"body_property", f_body_property},
                                   {"extension", f_extension},
                                   {nullptr, nullptr}};
    luaL_setfuncs(L, own, 0);
    lua_setfield(L, LUA_REGISTRYINDEX, "kbl.functions");
    // Globals of the state itself are not reachable from formulas (their
    // environment is the instance's), but go anyway.
    lua_pushglobaltable(L);
    for (const char* name : {"dofile", "loadfile", "load", "require", "collectgarbage", "print", "pcall", "xpcall",
                             "setmetatable", "getmetatable", "rawset"}) {
        lua_pushnil(L);
        lua_setfield(L, -2, name);
    }
    lua_pop(L, 1);
    luaL_newmetatable(L, kInstanceMeta);
    lua_pushcfunction(L, instance_index);
    lua_setfield(L, -2, "__index");
    lua_pushboolean(L, 0);
    lua_setfield(L, -2, "__metatable");
    lua_pop(L, 1);
    luaL_newmetatable(L, kValueMeta);
    lua_pushcfunction(L, value_index);
    lua_setfield(L, -2, "__index");
    lua_pushcfunction(L, value_tostring);
    lua_setfield(L, -2, "__tostring");
    lua_pushboolean(L, 0);
    lua_setfield(L, -2, "__metatable");
    lua_pop(L, 1);
    // The string library's metatable stays, read-only to formulas.
    return L;
}

// The environment of formulas run for the instance (kept in the registry).
void push_env(lua_State* L, KBL_instance_t inst) {
    if (inst->env != -2) {
        lua_rawgeti(L, LUA_REGISTRYINDEX, inst->env);
        return;
    }
    lua_newtable(L);
    lua_newtable(L);
    lua_pushlightuserdata(L, inst);
    lua_getfield(L, LUA_REGISTRYINDEX, "kbl.functions");
    lua_newtable(L);
    lua_pushcclosure(L, env_index, 3);
    lua_setfield(L, -2, "__index");
    lua_pushcfunction(L, env_newindex);
    lua_setfield(L, -2, "__newindex");
    lua_setmetatable(L, -2);
    lua_pushvalue(L, -1);
    inst->env = luaL_ref(L, LUA_REGISTRYINDEX);
}

// How a run ended besides its status: past the instruction limit, and the
// engine code of a raise from a C function.
struct RunEnd {
    bool limit_hit = false;
    int raised_code = 0;
};

// Runs the function on the stack under a protected call with the limits;
// answers the Lua status. A run inside another (a class file read while a
// formula runs, a library call that evaluates rules) counts on its own and
// leaves the outer run's count as it was.
int protected_run(lua_State* L, int nargs, int nresults, RunEnd* end = nullptr) {
    Engine& e = eng();
    const long used = e.used;
    const bool hit = e.limit_hit;
    const int raised = e.raised_code;
    e.used = 0;
    e.limit_hit = false;
    e.raised_code = 0;
    lua_sethook(L, count_hook, LUA_MASKCOUNT, kHookEvery);
    ++e.runs;
    const int status = lua_pcall(L, nargs, nresults, 0);
    --e.runs;
    if (end) *end = RunEnd{e.limit_hit, e.raised_code};
    if (e.runs > 0) {
        e.used = used;
        e.limit_hit = hit;
        e.raised_code = raised;
    } else {
        lua_sethook(L, nullptr, 0, 0);
    }
    return status;
}

// Compiles the text as one expression; answers the registry reference, or
// LUA_NOREF with the reason.
int compile(const std::string& expression, const std::string& title, std::string& why) {
    lua_State* L = state();
    const std::string chunk = "return " + expression;
    const std::string name = "=" + title;
    if (luaL_loadbufferx(L, chunk.data(), chunk.size(), name.c_str(), "t") != LUA_OK) {
        why = lua_tostring(L, -1) ? lua_tostring(L, -1) : "the formula does not compile";
        lua_pop(L, 1);
        return LUA_NOREF;
    }
    return luaL_ref(L, LUA_REGISTRYINDEX);
}

}  // namespace

// ---- Class files ---------------------------------------------------------------

bool is_identifier(const std::string& name) {
    if (name.empty() || !(std::isalpha((unsigned char)name[0]) || name[0] == '_')) return false;
    for (char c : name)
        if (!(std::isalnum((unsigned char)c) || c == '_')) return false;
    static const char* const reserved[] = {"and",      "break",  "do",   "else", "elseif", "end",   "false",  "for",
                                           "function", "goto",   "if",   "in",   "local",  "nil",   "not",    "or",
                                           "repeat",   "return", "then", "true", "until",  "while", "parent", "self"};
    for (const char* r : reserved)
        if (name == r) return false;
    return true;
}

bool parse_flags(const std::string& text, unsigned& flags) {
    static const std::pair<const char*, unsigned> words[] = {
        {"parameter", kParameter}, {"modifiable", kModifiable}, {"canonical", kCanonical}, {"uncached", kUncached},
        {"lookup", kLookup},       {"hidden", kHidden},         {"method", kMethod}};
    std::istringstream in(text);
    std::string w;
    while (in >> w) {
        bool found = false;
        for (const auto& [name, bit] : words)
            if (w == name) flags |= bit, found = true;
        if (!found) return false;
    }
    return true;
}

bool type_flags(const std::string& type, unsigned& flags) {
    static const char* const plain[] = {"any",    "boolean", "integer", "number",   "string", "name",  "point",
                                        "vector", "frame",   "list",    "instance", "object", "error", "user"};
    if (type == "child") return flags |= kChild, true;
    if (type == "child list") return flags |= kChildList, true;
    for (const char* t : plain)
        if (type == t) return true;
    return false;
}

namespace {

// A text field of the table at the top of the stack (empty when absent);
// false when the field is there but is no text.
bool text_field(lua_State* L, const char* field, std::string& out) {
    lua_pushstring(L, field);
    const int t = lua_rawget(L, -2);
    bool ok = true;
    if (t == LUA_TSTRING) out = lua_tostring(L, -1);
    else if (t != LUA_TNIL) ok = false;
    lua_pop(L, 1);
    return ok;
}

// Reads the class table at the top of the stack.
bool read_class_table(lua_State* L, ClassDef& out, std::string& why) {
    if (!lua_istable(L, -1)) return why = "a class file holds one table", false;
    lua_pushstring(L, "ancestors");
    if (const int t = lua_rawget(L, -2); t == LUA_TTABLE) {
        const lua_Integer n = static_cast<lua_Integer>(lua_rawlen(L, -1));
        for (lua_Integer i = 1; i <= n; ++i) {
            if (lua_rawgeti(L, -1, i) != LUA_TSTRING) return why = "an ancestor is no class name", false;
            out.ancestors.emplace_back(lua_tostring(L, -1));
            lua_pop(L, 1);
        }
    } else if (t != LUA_TNIL) {
        return why = "ancestors is no list", false;
    }
    lua_pop(L, 1);
    lua_pushstring(L, "rules");
    const int t = lua_rawget(L, -2);
    if (t == LUA_TNIL) return lua_pop(L, 1), true;
    if (t != LUA_TTABLE) return why = "rules is no table", false;
    lua_pushnil(L);
    while (lua_next(L, -2)) {
        if (lua_type(L, -2) != LUA_TSTRING) return why = "a rule name is no text", false;
        auto rule = std::make_unique<KBL_rule_s>();
        rule->name = lua_tostring(L, -2);
        rule->owner = out.name;
        if (!is_identifier(rule->name)) return why = "'" + rule->name + "' is no rule name", false;
        std::string flags;
        if (lua_type(L, -1) == LUA_TSTRING) {
            rule->type = "any";
            rule->formula = lua_tostring(L, -1);
        } else if (lua_istable(L, -1)) {
            rule->type = "any";
            if (!text_field(L, "type", rule->type) || !text_field(L, "formula", rule->formula) ||
                !text_field(L, "flags", flags) || !text_field(L, "class", rule->child_class) ||
                !text_field(L, "count", rule->count))
                return why = "a field of rule '" + rule->name + "' is no text", false;
            lua_pushstring(L, "params");
            if (const int p = lua_rawget(L, -2); p == LUA_TTABLE) {
                lua_pushnil(L);
                while (lua_next(L, -2)) {
                    if (lua_type(L, -2) != LUA_TSTRING || lua_type(L, -1) != LUA_TSTRING)
                        return why = "a parameter of rule '" + rule->name + "' is no text", false;
                    rule->params.emplace_back(lua_tostring(L, -2), lua_tostring(L, -1));
                    lua_pop(L, 1);
                }
                std::sort(rule->params.begin(), rule->params.end());
            } else if (p != LUA_TNIL) {
                return why = "params of rule '" + rule->name + "' is no table", false;
            }
            lua_pop(L, 1);
        } else {
            return why = "rule '" + rule->name + "' is neither a formula nor a table", false;
        }
        if (!type_flags(rule->type, rule->flags)) return why = "rule '" + rule->name + "' has an unknown type", false;
        if (!parse_flags(flags, rule->flags)) return why = "rule '" + rule->name + "' has an unknown flag", false;
        if ((rule->flags & (kChild | kChildList)) && rule->child_class.empty())
            return why = "child rule '" + rule->name + "' names no class", false;
        if (!(rule->flags & (kChild | kChildList)) && rule->formula.empty())
            return why = "rule '" + rule->name + "' has no formula", false;
        if (rule->flags & kChildList && rule->count.empty()) rule->count = "0";
        const std::string key = rule->name;
        out.rules[key] = std::move(rule);
        lua_pop(L, 1);
    }
    lua_pop(L, 1);
    return true;
}

}  // namespace

int parse_class(const std::string& name, const std::string& text, ClassDef& out, std::string& why) {
    out = ClassDef{};
    out.name = name;
    if (!is_identifier(name)) return why = "'" + name + "' is no class name", KBL_ERR_CLASS_FILE;
    lua_State* L = state();
    const int top = lua_gettop(L);
    const std::string chunk = "return " + text;
    if (luaL_loadbufferx(L, chunk.data(), chunk.size(), "=class", "t") != LUA_OK) {
        why = lua_tostring(L, -1) ? lua_tostring(L, -1) : "the class file does not read";
        lua_settop(L, top);
        return KBL_ERR_CLASS_FILE;
    }
    lua_newtable(L);  // an empty environment: a class file is data
    lua_setupvalue(L, -2, 1);
    if (protected_run(L, 0, 1) != LUA_OK) {
        why = lua_type(L, -1) == LUA_TSTRING ? lua_tostring(L, -1) : "the class file does not read";
        lua_settop(L, top);
        return KBL_ERR_CLASS_FILE;
    }
    const bool ok = read_class_table(L, out, why);
    lua_settop(L, top);
    return ok ? 0 : KBL_ERR_CLASS_FILE;
}

namespace {

// ---- Classes -------------------------------------------------------------------

bool builtin(const std::string& name) {
    for (const auto& c : kBuiltinClasses)
        if (name == c[0]) return true;
    return false;
}

std::vector<std::string> class_dirs() {
    Engine& e = eng();
    std::vector<std::string> dirs;
    if (!e.user_dir.empty()) dirs.push_back(e.user_dir);
    dirs.insert(dirs.end(), e.path.begin(), e.path.end());
    return dirs;
}

// Reads the class file of the name; answers 0 or the reason's code.
int read_class_file(const std::string& file, const std::string& name, std::string& why) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    if (ec || size > kMaxClassFile) return why = "cannot read " + file, KBL_ERR_CLASS_FILE;
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto c = std::make_unique<ClassDef>();
    const int code = parse_class(name, text, *c, why);
    if (code == 0) eng().classes[name] = std::move(c);
    return code;
}

const ClassDef* find_class(const std::string& name) {
    Engine& e = eng();
    if (auto it = e.classes.find(name); it != e.classes.end()) return it->second.get();
    for (const auto& c : kBuiltinClasses)
        if (name == c[0]) {
            auto def = std::make_unique<ClassDef>();
            std::string why;
            parse_class(name, c[1], *def, why);
            return (e.classes[name] = std::move(def)).get();
        }
    if (!is_identifier(name)) return nullptr;
    for (const std::string& dir : class_dirs()) {
        const std::string file = dir + "/" + name + ".kcl";
        std::error_code ec;
        if (!std::filesystem::is_regular_file(file, ec)) continue;
        std::string why;
        if (read_class_file(file, name, why) == 0) return e.classes[name].get();
        add_trace("class " + name + " refused: " + why);
        return nullptr;
    }
    return nullptr;
}

// The class's rule of the name, its own first, then its ancestors' in order.
KBL_rule_t class_rule(const std::string& cls, const std::string& rule, int depth = 0) {
    const ClassDef* c = depth < 32 ? find_class(cls) : nullptr;
    if (!c) return nullptr;
    if (auto it = c->rules.find(rule); it != c->rules.end()) return it->second.get();
    for (const std::string& a : c->ancestors)
        if (KBL_rule_t r = class_rule(a, rule, depth + 1)) return r;
    return nullptr;
}

// Every rule name of the class and its ancestors.
void class_rule_names(const std::string& cls, std::vector<std::string>& out, int depth = 0) {
    const ClassDef* c = depth < 32 ? find_class(cls) : nullptr;
    if (!c) return;
    for (const auto& [name, r] : c->rules)
        if (std::find(out.begin(), out.end(), name) == out.end()) out.push_back(name);
    for (const std::string& a : c->ancestors) class_rule_names(a, out, depth + 1);
}

// 0 when the ancestors of the class are all there and make no cycle.
int check_ancestors(const std::string& cls, std::vector<std::string>& seen) {
    if (std::find(seen.begin(), seen.end(), cls) != seen.end()) return KBL_ERR_NO_CLASS;
    const ClassDef* c = find_class(cls);
    if (!c) return KBL_ERR_NO_CLASS;
    seen.push_back(cls);
    for (const std::string& a : c->ancestors)
        if (int code = check_ancestors(a, seen)) return code;
    seen.pop_back();
    return 0;
}

// ---- Instances -----------------------------------------------------------------

KBL_instance_t new_instance(KBL_instance_t parent, const std::string& local, const std::string& cls) {
    auto inst = std::make_unique<KBL_instance_s>();
    inst->parent = parent;
    inst->local = local;
    inst->class_name = cls;
    inst->chain = parent ? parent->chain + local + ":" : "Root:";
    KBL_instance_t out = inst.get();
    eng().instances.push_back(std::move(inst));
    known_add(out, KBE_CLASS_INSTANCE);
    return out;
}

KBL_instance_t root() {
    Engine& e = eng();
    if (!e.root) e.root = new_instance(nullptr, "", "root");
    return e.root;
}

KBL_rule_t rule_of(KBL_instance_t inst, const std::string& name) {
    if (auto it = inst->dynamic.find(name); it != inst->dynamic.end()) return it->second.get();
    if (auto it = inst->given.find(name); it != inst->given.end()) return it->second.get();
    return class_rule(inst->class_name, name);
}

Slot* slot_of(KBL_instance_t inst, const std::string& rule) {
    auto it = inst->slots.try_emplace(rule).first;
    auto& s = it->second;
    if (!s) {
        s = std::make_unique<Slot>();
        s->inst = inst;
        s->name = &it->first;  // map keys stay where they are
    }
    return s.get();
}

// The slot's rule: found once, kept until the rule changes (rule_changed).
KBL_rule_t rule_for(Slot* s) {
    if (!s->def) s->def = rule_of(s->inst, s->rule());
    return s->def;
}

// The slot of the instance's rule of the name; null when it has none.
Slot* rule_slot(KBL_instance_t inst, const char* rule) {
    const std::string name = rule;
    return rule_of(inst, name) ? slot_of(inst, name) : nullptr;
}

void forget_reads(Slot* s) {
    for (Slot* r : s->reads) r->readers.erase(s);
    s->reads.clear();
    s->volatile_ = false;
}

// Before a formula runs: what it read the last time goes aside (into
// `before`), so that the links to what it reads now are made afterwards
// only where they changed (a recomputation mostly reads what it read
// before).
void begin_reads(Slot* s, std::vector<Slot*>& before) {
    before.assign(s->reads.begin(), s->reads.end());
    s->reads.clear();
    s->volatile_ = false;
}

template <class List>
bool holds(const List& v, Slot* s) {
    return std::find(v.begin(), v.end(), s) != v.end();
}

bool same(const SlotList& a, const std::vector<Slot*>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

// After the run: the slot is a reader of what it read now and of nothing
// else.
void end_reads(Slot* s, const std::vector<Slot*>& before) {
    if (same(s->reads, before)) return;
    constexpr std::size_t kFew = 32;
    if (s->reads.size() + before.size() <= kFew) {
        for (Slot* d : before)
            if (!holds(s->reads, d)) d->readers.erase(s);
    } else {
        const std::unordered_set<Slot*> now(s->reads.begin(), s->reads.end());
        for (Slot* d : before)
            if (!now.count(d)) d->readers.erase(s);
    }
    for (Slot* d : s->reads) d->readers.insert(s);
}

// Clears the values of the slot's readers, and of theirs.
void invalidate_readers(Slot* s) {
    std::vector<Slot*> work(s->readers.begin(), s->readers.end());
    while (!work.empty()) {
        Slot* r = work.back();
        work.pop_back();
        if (!r->valid) continue;
        r->valid = false;
        for (Slot* next : r->readers) work.push_back(next);
    }
}

void invalidate(Slot* s) {
    s->valid = false;
    invalidate_readers(s);
}

// Removes an instance and its subtree from the tree (the records stay,
// unknown to the engine, until the reset; the subtree stays with them, for
// an undo that brings it back).
void discard(KBL_instance_t inst) {
    if (!inst->alive) return;
    for (auto& [name, child] : inst->children) discard(child);
    for (auto& [name, s] : inst->slots) {
        invalidate(s.get());
        forget_reads(s.get());
        for (Slot* r : std::vector<Slot*>(s->readers.begin(), s->readers.end())) forget_reads(r);
    }
    if (inst->adopted) inst->adopted->instance = nullptr;
    inst->alive = false;
    known_remove(inst);
}

// Puts a discarded instance and its subtree back into the tree.
void revive(KBL_instance_t inst) {
    if (inst->alive) return;
    inst->alive = true;
    known_add(inst, KBE_CLASS_INSTANCE);
    if (inst->adopted) inst->adopted->instance = inst;
    for (auto& [name, child] : inst->children) revive(child);
}

// Whether the rule of the name makes the child of the local name: the child
// itself, or an item "<rule>_<n>" of a child list.
bool made_by(const std::string& rule, const std::string& local) {
    return local == rule ||
           (local.size() > rule.size() + 1 && local.compare(0, rule.size(), rule) == 0 && local[rule.size()] == '_' &&
            local.find_first_not_of("0123456789", rule.size() + 1) == std::string::npos);
}

void rule_changed(KBL_instance_t inst, const std::string& name) {
    for (auto it = inst->children.begin(); it != inst->children.end();) {
        if (made_by(name, it->first)) {
            discard(it->second);
            it = inst->children.erase(it);
        } else {
            ++it;
        }
    }
    Slot* s = slot_of(inst, name);
    s->def = nullptr;
    invalidate(s);
}

// ---- Undo ------------------------------------------------------------------------

// Edits of the knowledge tree take part in the model's undo: while an undo
// mark is set, each edit puts a record into the model's journal that
// brings back what the edit changed. The records point at instances, which
// live until the reset (as the journal does); one that a later edit
// removed from the tree is left alone.
template <class Undo>
struct EngineRecord : host::UndoRecord {
    explicit EngineRecord(Undo&& u) : host::UndoRecord(0), undo_fn(std::move(u)) {}
    void undo() override { undo_fn(); }
    Undo undo_fn;
};

template <class Undo>
void journal_edit(Undo&& undo) {
    if (host::journal::open != 0)
        host::journal::add(std::make_unique<EngineRecord<std::decay_t<Undo>>>(std::forward<Undo>(undo)));
}

// Puts the instance's own rule of the name back as it was before an edit,
// with the children it had made then.
void put_back_rule(KBL_instance_t inst, const std::string& name, std::unique_ptr<KBL_rule_s> before,
                   const std::vector<KBL_instance_t>& children) {
    if (!known(inst)) return;
    if (before) inst->dynamic[name] = std::move(before);
    else inst->dynamic.erase(name);
    rule_changed(inst, name);
    for (KBL_instance_t child : children) {
        inst->children[child->local] = child;
        revive(child);
    }
}

// Records the instance's own rule of the name before an edit changes it:
// the rule itself moves into the record, and the children it made are
// noted (the edit takes them out of the tree).
void journal_rule(KBL_instance_t inst, const std::string& name) {
    if (host::journal::open == 0) return;
    std::unique_ptr<KBL_rule_s> before;
    if (auto it = inst->dynamic.find(name); it != inst->dynamic.end()) before = std::move(it->second);
    std::vector<KBL_instance_t> children;
    for (const auto& [local, child] : inst->children)
        if (made_by(name, local)) children.push_back(child);
    journal_edit([inst, name, before = std::move(before), children = std::move(children)]() mutable {
        put_back_rule(inst, name, std::move(before), children);
    });
}

// ---- Evaluation ----------------------------------------------------------------

KBL_value_t error_value(int code, const std::string& text) {
    KBL_error_t* e = make_error(code, text);
    return value_of(KBL_KIND_ERROR, &e);
}

bool fresh(const Slot* s) {
    if (!s->valid) return false;
    return s->epoch == eng().epoch || !s->volatile_;
}

// The value kind a rule's type asks for; 0 for a type that takes any.
std::uint32_t wanted_kind(KBL_rule_t r) {
    if (r->want >= 0) return static_cast<std::uint32_t>(r->want);
    static const std::pair<const char*, std::uint32_t> kinds[] = {
        {"boolean", KBL_KIND_BOOLEAN},   {"integer", KBL_KIND_INTEGER}, {"number", KBL_KIND_NUMBER},
        {"string", KBL_KIND_STRING},     {"name", KBL_KIND_NAME},       {"point", KBL_KIND_POINT},
        {"vector", KBL_KIND_VECTOR},     {"frame", KBL_KIND_FRAME},     {"list", KBL_KIND_LIST},
        {"instance", KBL_KIND_INSTANCE}, {"object", KBL_KIND_OBJECT},   {"user", KBL_KIND_USER}};
    r->want = 0;
    for (const auto& [type, want] : kinds)
        if (r->type == type) r->want = static_cast<int>(want);
    return static_cast<std::uint32_t>(r->want);
}

// Fits the value to the rule's type: integers widen to numbers and whole
// numbers narrow to integers; anything else of another kind is an error.
KBL_value_t typed(KBL_rule_t r, KBL_value_t v) {
    const std::uint32_t kind = v.kind & KBL_KIND_MASK;
    if (kind == KBL_KIND_ERROR) return v;
    if (const std::uint32_t want = wanted_kind(r)) {
        if (kind == want) return v;
        if (want == KBL_KIND_NUMBER && kind == KBL_KIND_INTEGER) {
            const double d = v.payload.word;
            v = KBL_value_t{};
            v.kind = KBL_KIND_NUMBER;
            v.payload.number = d;
            return v;
        }
        if (want == KBL_KIND_INTEGER && kind == KBL_KIND_NUMBER &&
            std::nearbyint(v.payload.number) == v.payload.number && std::fabs(v.payload.number) < 2147483648.0) {
            const auto i = static_cast<std::int32_t>(v.payload.number);
            v = KBL_value_t{};
            v.kind = KBL_KIND_INTEGER;
            v.payload.word = i;
            return v;
        }
        return error_value(KBL_ERR_TYPE, "rule " + r->name + " is of type " + r->type);
    }
    return v;
}

struct Outcome {
    Slot* need = nullptr;
    KBL_value_t value{};
};

// Runs one expression for the slot in the context instance.
Outcome run_expression(Slot* s, KBL_rule_t r, int& compiled, const std::string& text, KBL_instance_t context) {
    Outcome out;
    lua_State* L = state();
    if (compiled == -2) {
        std::string why;
        compiled = compile(text, r->owner + "." + r->name, why);
        if (compiled == LUA_NOREF) {
            out.value = error_value(KBL_ERR_FORMULA, why);
            return out;
        }
    }
    if (compiled == LUA_NOREF) {
        out.value = error_value(KBL_ERR_FORMULA, "the formula does not compile");
        return out;
    }
    const int top = lua_gettop(L);
    lua_rawgeti(L, LUA_REGISTRYINDEX, compiled);
    // The formula keeps the environment it ran in last; a rule of a class
    // that runs for another instance gets that one's.
    if (r->bound != compiled || r->bound_to != context) {
        push_env(L, context);
        lua_setupvalue(L, -2, 1);
        r->bound = compiled;
        r->bound_to = context;
    }
    Engine& e = eng();
    // A formula may run while another waits in a library call: the outer
    // one's marks come back afterwards.
    Slot* const outer = e.current;
    Slot* const outer_need = e.needed;
    e.current = s;
    e.needed = nullptr;
    RunEnd end;
    const int status = protected_run(L, 0, 1, &end);
    Slot* const needed = e.needed;
    e.current = outer;
    e.needed = outer_need;
    if (status == LUA_OK) {
        KBL_value_t v;
        if (!read_value(L, -1, v, 0)) v = error_value(KBL_ERR_TYPE, "the formula gives no value");
        out.value = v;
    } else if (needed) {
        out.need = needed;
    } else if (end.limit_hit || status == LUA_ERRMEM) {
        out.value = error_value(KBL_ERR_LIMIT, end.limit_hit ? "the formula ran past the instruction limit"
                                                             : "the formula ran past the memory limit");
    } else if (auto* ev = static_cast<KBL_value_t*>(luaL_testudata(L, -1, kValueMeta));
               ev && (ev->kind & KBL_KIND_MASK) == KBL_KIND_ERROR) {
        out.value = *ev;  // a read of a rule whose value is an error
    } else {
        const char* msg = lua_type(L, -1) == LUA_TSTRING ? lua_tostring(L, -1) : "the formula raised an error";
        out.value = error_value(end.raised_code ? end.raised_code : KBL_ERR_RAISED, msg);
    }
    lua_settop(L, top);
    return out;
}

KBL_instance_t make_child(KBL_instance_t inst, KBL_rule_t r, const std::string& local) {
    KBL_instance_t child = new_instance(inst, local, r->child_class);
    for (const auto& [p, formula] : r->params) {
        auto g = std::make_unique<KBL_rule_s>();
        g->name = p;
        g->formula = formula;
        KBL_rule_t inherited = class_rule(r->child_class, p);
        g->type = inherited ? inherited->type : "any";
        g->flags = inherited ? inherited->flags & ~(kChild | kChildList) : 0;
        g->owner = inst->chain + r->name;
        g->context = inst;
        child->given[p] = std::move(g);
    }
    inst->children[local] = child;
    return child;
}

Outcome run(Slot* s) {
    KBL_instance_t inst = s->inst;
    KBL_rule_t r = rule_for(s);
    Outcome out;
    if (!r) {
        out.value = error_value(KBL_ERR_NO_RULE, "no rule " + s->rule() + " in " + inst->chain);
        return out;
    }
    if (r->flags & kChild) {
        if (!find_class(r->child_class)) {
            out.value = error_value(KBL_ERR_NO_CLASS, "no class " + r->child_class);
            return out;
        }
        auto it = inst->children.find(r->name);
        KBL_instance_t child = it != inst->children.end() ? it->second : make_child(inst, r, r->name);
        out.value = value_of(KBL_KIND_INSTANCE, &child);
        return out;
    }
    if (r->flags & kChildList) {
        Outcome n = run_expression(s, r, r->compiled, r->count, r->context ? r->context : inst);
        if (n.need || (n.value.kind & KBL_KIND_MASK) == KBL_KIND_ERROR) return n;
        if ((n.value.kind & KBL_KIND_MASK) != KBL_KIND_INTEGER || n.value.payload.word < 0 ||
            n.value.payload.word > 100000) {
            out.value = error_value(KBL_ERR_TYPE, "the count of " + r->name + " is no size");
            return out;
        }
        if (!find_class(r->child_class)) {
            out.value = error_value(KBL_ERR_NO_CLASS, "no class " + r->child_class);
            return out;
        }
        KBL_list_t list = nullptr;
        for (int i = n.value.payload.word; i >= 1; --i) {
            const std::string local = r->name + "_" + std::to_string(i);
            auto it = inst->children.find(local);
            KBL_instance_t child = it != inst->children.end() ? it->second : make_child(inst, r, local);
            list = push(list, value_of(KBL_KIND_INSTANCE, &child));
        }
        out.value = value_of(KBL_KIND_LIST, &list);
        return out;
    }
    out = run_expression(s, r, r->compiled, r->formula, r->context ? r->context : inst);
    if (!out.need) out.value = typed(r, out.value);
    return out;
}

// Evaluates the slot and what it needs; answers its value.
KBL_value_t evaluate(Slot* top) {
    Engine& e = eng();
    ++e.epoch;
    std::vector<Slot*> stack{top};
    std::vector<Slot*> before;  // what the running formula read the last time
    Slot* running = nullptr;
    try {
        while (!stack.empty()) {
            Slot* s = stack.back();
            if (fresh(s)) {
                s->evaluating = false;
                stack.pop_back();
                continue;
            }
            if (!s->evaluating) {
                s->evaluating = true;
                s->valid = false;  // it waits on the stack for what it needs
                // What it read the last time comes first, so that a
                // recomputation after an edit runs each formula once.
                bool waiting = false;
                for (Slot* d : s->reads)
                    if (!d->evaluating && !fresh(d)) {
                        stack.push_back(d);
                        waiting = true;
                    }
                if (waiting) continue;
            }
            begin_reads(s, before);
            running = s;
            Outcome o = run(s);
            running = nullptr;
            end_reads(s, before);
            if (o.need) {
                stack.push_back(o.need);
                continue;
            }
            s->value = o.value;
            s->valid = true;
            s->epoch = e.epoch;
            KBL_rule_t r = rule_for(s);
            if (r && r->flags & kUncached) s->volatile_ = true;
            s->evaluating = false;
            add_evaluation_trace(&s->inst->chain, s->name);
            stack.pop_back();
        }
    } catch (...) {
        if (running) end_reads(running, before);
        for (Slot* s : stack) s->evaluating = false;
        throw;
    }
    return top->value;
}

int read_rule(lua_State* L, KBL_instance_t inst, const char* rule) {
    Slot* s = rule_slot(inst, rule);
    return s ? read_slot(L, s) : -1;
}

// Reads the slot's value for the running formula; -1 when its rule is gone.
int read_slot(lua_State* L, Slot* s) {
    Engine& e = eng();
    KBL_rule_t r = rule_for(s);
    if (!r) return -1;
    Slot* cur = e.current;
    // The read is recorded before a cycle is raised, so that mending either
    // rule clears the error of the other (the run links it when it ends).
    if (cur && (s->evaluating || fresh(s))) {
        cur->reads.push_back(s);
        if (r->flags & kUncached || s->volatile_) cur->volatile_ = true;
    }
    if (s->evaluating) return raise_code(L, KBL_ERR_CYCLE, "the rules read each other in a cycle");
    if (!fresh(s)) {
        e.needed = s;
        lua_pushliteral(L, "a rule is needed first");  // no position: the mark is e.needed
        return lua_error(L);
    }
    if ((s->value.kind & KBL_KIND_MASK) == KBL_KIND_ERROR) {
        push_boxed(L, s->value);
        return lua_error(L);
    }
    push_value(L, s->value, 0);
    return 1;
}

// ---- Name chains -----------------------------------------------------------------

bool starts_root(const std::string& chain) {
    if (chain.size() < 5) return false;
    std::string head = chain.substr(0, 5);
    std::transform(head.begin(), head.end(), head.begin(), [](unsigned char c) { return std::tolower(c); });
    return head == "root:";
}

std::vector<std::string> split(const std::string& chain) {
    std::vector<std::string> parts;
    std::string cur;
    for (std::size_t i = 5; i < chain.size(); ++i) {
        if (chain[i] == ':') {
            parts.push_back(cur);
            cur.clear();
        } else {
            cur += chain[i];
        }
    }
    if (!cur.empty()) parts.push_back(cur);
    return parts;
}

// The child of the name, made by evaluating its rule when needed.
KBL_instance_t child_of(KBL_instance_t inst, const std::string& local) {
    if (auto it = inst->children.find(local); it != inst->children.end()) return it->second;
    std::string rule = local;
    if (!rule_of(inst, rule)) {
        const auto cut = local.rfind('_');
        if (cut == std::string::npos) return nullptr;
        rule = local.substr(0, cut);
    }
    KBL_rule_t r = rule_of(inst, rule);
    if (!r || !(r->flags & (kChild | kChildList))) return nullptr;
    evaluate(slot_of(inst, rule));
    auto it = inst->children.find(local);
    return it != inst->children.end() ? it->second : nullptr;
}

// The instance of an instance chain ("Root:", "Root:b:", "Root:b").
KBL_instance_t instance_of(const char* chain) {
    const std::string c = chain ? chain : "Root:";
    if (!starts_root(c)) return nullptr;
    KBL_instance_t inst = root();
    for (const std::string& local : split(c)) {
        if (local.empty()) return nullptr;
        inst = child_of(inst, local);
        if (!inst) return nullptr;
    }
    return inst;
}

// The instance and rule of a rule chain ("Root:b:area").
bool rule_chain(const char* chain, KBL_instance_t& inst, std::string& rule) {
    const std::string c = chain ? chain : "";
    if (!starts_root(c) || c.back() == ':') return false;
    const auto cut = c.rfind(':');
    rule = c.substr(cut + 1);
    inst = instance_of(c.substr(0, cut + 1).c_str());
    return inst != nullptr;
}

}  // namespace

void set_instruction_limit(long limit) { eng().limit = limit > 0 ? limit : kDefaultLimit; }

int read_class_text(const std::string& name, const std::string& text) {
    ClassDef c;
    std::string why;
    return parse_class(name, text, c, why);
}

namespace {

void free_invocation_items(KBL_invocation_args_t* args) {
    std::free(args->items);
    args->items = nullptr;
}

const int kAdoptTypes[] = {-1};
const int kAdoptSubtypes[] = {-1};

// The child-list rule that made the instance (an item "<rule>_<n>"), or
// null.
KBL_rule_t list_rule_of_item(KBL_instance_t inst) {
    if (!inst->parent) return nullptr;
    const auto cut = inst->local.rfind('_');
    if (cut == std::string::npos || cut + 1 == inst->local.size() ||
        inst->local.find_first_not_of("0123456789", cut + 1) != std::string::npos)
        return nullptr;
    KBL_rule_t r = rule_of(inst->parent, inst->local.substr(0, cut));
    return r && r->flags & kChildList ? r : nullptr;
}

// A value as text: numbers as "%.15g", lists in braces.
std::string value_text(const KBL_value_t& v, int depth = 0) {
    char buf[96];
    switch (v.kind & KBL_KIND_MASK) {
        case KBL_KIND_BOOLEAN: return v.payload.word ? "true" : "false";
        case KBL_KIND_INTEGER: return std::to_string(v.payload.word);
        case KBL_KIND_NUMBER: std::snprintf(buf, sizeof buf, "%.15g", v.payload.number); return buf;
        case KBL_KIND_STRING: return v.payload.text;
        case KBL_KIND_NAME: {
            bool known_token = false;
            const char* t = text_of(static_cast<KBL_name_t>(v.payload.pointer), known_token);
            return t ? t : "";
        }
        case KBL_KIND_POINT:
        case KBL_KIND_VECTOR:
            std::snprintf(buf, sizeof buf, "(%.15g, %.15g, %.15g)", v.payload.doubles[0], v.payload.doubles[1],
                          v.payload.doubles[2]);
            return buf;
        case KBL_KIND_INSTANCE: return static_cast<KBL_instance_t>(v.payload.pointer)->chain;
        case KBL_KIND_ERROR: return "error " + std::to_string(static_cast<KBL_error_t*>(v.payload.pointer)->number);
        case KBL_KIND_LIST: {
            if (depth > kMaxDepth) return "{...}";
            std::string out = "{";
            for (KBL_list_t c = static_cast<KBL_list_t>(v.payload.pointer); c; c = c->next)
                out += value_text(c->item, depth + 1) + (c->next ? ", " : "");
            return out + "}";
        }
        default: return "value of kind " + std::to_string(v.kind & KBL_KIND_MASK);
    }
}

// Texts handed out: an array of host texts, both host blocks.
int hand_out(const std::vector<std::string>& texts, int* count, TEXT_p_t** out) {
    *count = 0;
    *out = nullptr;
    if (texts.empty()) return 0;
    *out = host::block_array<TEXT_p_t>(
        texts.size(), 0, [&](std::size_t i) { return TEXT_create_string(texts[i].c_str()); }, TEXT_free);
    *count = static_cast<int>(texts.size());
    return 0;
}

// A listing about a class: KBL_ERR_NO_CLASS when there is no such class.
template <class Fill>
int class_listing(const host::Call& call, const char* cls, int* count, TEXT_p_t** names, Fill fill) {
    call.need(count, "the count");
    call.need(names, "the names");
    if (!cls || !find_class(cls)) return KBL_ERR_NO_CLASS;
    std::vector<std::string> out;
    fill(out);
    return hand_out(out, count, names);
}

// The names of the class files on the user class directory and the path.
std::vector<std::string> file_classes() {
    std::vector<std::string> names;
    for (const std::string& dir : class_dirs()) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
            const std::string name = entry.path().stem().string();
            if (entry.path().extension() == ".kcl" && is_identifier(name) && !builtin(name) &&
                std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The ancestors of a class, nearest first, each once.
void ancestors_of(const std::string& cls, std::vector<std::string>& out, int depth = 0) {
    const ClassDef* c = depth < 32 ? find_class(cls) : nullptr;
    if (!c) return;
    for (const std::string& a : c->ancestors)
        if (std::find(out.begin(), out.end(), a) == out.end()) {
            out.push_back(a);
            ancestors_of(a, out, depth + 1);
        }
}

bool accepted(int value, const int* filter) {
    if (!filter || filter[0] == -1) return true;
    for (const int* f = filter; *f != -1; ++f)
        if (*f == value) return true;
    return false;
}

}  // namespace
}  // namespace host::rules

using namespace host::rules;

extern "C" {

int KBL_is_kernel_available(void) {
    HOST_ENTRY();
    return 1;
}

int KBL_init_part(int pass, unsigned int part, int* status) {
    auto call = HOST_ENTRY(pass, part, status);
    call.need(status, "the status");
    *status = 0;
    Engine& e = eng();
    if (!host::objects::part_info(part)) {
        *status = KBL_ERR_NO_PART;
        return 2;
    }
    // Every pass reads the class files not read yet, so that a pass after a
    // refused one sees files mended on the disk in between.
    bool skipped = false;
    std::vector<std::string> names;
    for (const std::string& dir : class_dirs()) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
            if (entry.path().extension() != ".kcl") continue;
            const std::string name = entry.path().stem().string();
            if (builtin(name) || std::find(names.begin(), names.end(), name) != names.end()) continue;
            names.push_back(name);
            if (e.classes.count(name)) continue;
            std::string why;
            if (read_class_file(entry.path().string(), name, why) != 0) {
                skipped = true;
                add_trace("class " + name + " refused: " + why);
            }
        }
    }
    for (const std::string& name : names) {
        if (!e.classes.count(name)) continue;
        std::vector<std::string> seen;
        if (check_ancestors(name, seen) != 0) {
            *status = KBL_ERR_NO_CLASS;
            return 1;
        }
        for (auto& [rn, rule] : e.classes[name]->rules) {
            if (rule->flags & kChild) continue;
            std::string why;
            if (rule->compiled == -2)
                rule->compiled = compile(rule->flags & kChildList ? rule->count : rule->formula, name + "." + rn, why);
            if (rule->compiled == LUA_NOREF) {
                *status = KBL_ERR_FORMULA;
                return 3;
            }
        }
    }
    if (e.part != part && e.root) {
        discard(e.root);
        e.root = nullptr;
    }
    e.part = part;
    root();
    // Adopted objects whose model objects are gone leave the tree.
    for (auto& [tag, obj] : e.adopted)
        if (!host::objects::is_alive(tag) && obj->instance && obj->instance->parent) {
            KBL_instance_t inst = obj->instance;
            inst->parent->children.erase(inst->local);
            discard(inst);
        }
    *status = skipped ? KBL_WARN_SKIPPED_FILES : 0;
    return 0;
}

char** KBL_ask_library_search_path(void) {
    HOST_ENTRY();
    Engine& e = eng();
    return host::block_array<char*>(
        e.path.size(), 1, [&](std::size_t i) { return SM_string_copy(e.path[i].c_str()); },
        [](char* t) { SM_free(t); });
}

int KBL_set_library_search_path(char** directories) {
    auto call = HOST_ENTRY(directories);
    call.need(directories, "the directories");
    Engine& e = eng();
    std::vector<std::string> path;
    for (char** d = directories; *d; ++d) path.emplace_back(*d);
    e.path = std::move(path);
    return 0;
}

void KBL_set_user_override(int on) {
    HOST_ENTRY(on);
    eng().user_override = on != 0;
}

int KBL_is_user_override(void) {
    HOST_ENTRY();
    return eng().user_override ? 1 : 0;
}

int KBL_activate_user_class_dir(const char* directory, int flags) {
    HOST_ENTRY_TEXT(directory, flags);
    journal_edit([before = eng().user_dir] { eng().user_dir = before; });
    eng().user_dir = directory ? directory : "";
    return 0;
}

const char* KBL_ask_user_class_dir(void) {
    HOST_ENTRY();
    return eng().user_dir.c_str();
}

KBL_instance_t KBL_ask_instance(const char* chain) {
    HOST_ENTRY_TEXT(chain);
    return instance_of(chain);
}

const char* KBL_ask_name_chain_of_instance(KBL_instance_t instance) {
    auto call = HOST_ENTRY(instance);
    if (!known(instance) || KBE_ask_object_class(instance) != KBE_CLASS_INSTANCE)
        call.fail(KBL_ERR_UNKNOWN, "%p is no instance", (void*)instance);
    return instance->chain.c_str();
}

int KBL_create_dynamic_rule(const char* chain, const char* name, const char* type, const char* formula,
                            const char* flags) {
    auto call = HOST_ENTRY_TEXT(name, chain, type, formula, flags);
    call.need(name, "the rule name");
    call.need(type, "the rule type");
    call.need(formula, "the formula");
    KBL_instance_t inst = instance_of(chain);
    if (!inst) return KBL_ERR_NO_INSTANCE;
    auto rule = std::make_unique<KBL_rule_s>();
    rule->name = name;
    rule->type = type;
    std::transform(rule->type.begin(), rule->type.end(), rule->type.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    if (!is_identifier(rule->name) || !type_flags(rule->type, rule->flags)) return KBL_ERR_BAD_RULE;
    if (rule->flags & (kChild | kChildList)) {
        rule->child_class = formula;
        rule->count = flags && rule->flags & kChildList ? flags : "0";
        if (!find_class(rule->child_class)) return KBL_ERR_NO_CLASS;
    } else {
        rule->formula = formula;
        if (flags && !parse_flags(flags, rule->flags)) return KBL_ERR_BAD_RULE;
        std::string why;
        rule->compiled = compile(rule->formula, inst->chain + rule->name, why);
        if (rule->compiled == LUA_NOREF) return KBL_ERR_FORMULA;
    }
    KBL_rule_t old = rule_of(inst, rule->name);
    if (old && !(old->flags & (kParameter | kModifiable | kDynamic))) return KBL_ERR_NOT_MODIFIABLE;
    rule->flags |= kDynamic | (old ? old->flags & (kParameter | kModifiable) : 0);
    rule->owner = inst->chain;
    const std::string key = rule->name;
    journal_rule(inst, key);
    inst->dynamic[key] = std::move(rule);
    rule_changed(inst, key);
    return 0;
}

int KBL_create_child_rule(void* engine_arg, const char* chain, const char* name, const char* cls, int n, char** names,
                          char** values, char** created) {
    auto call = HOST_ENTRY_TEXT(name, engine_arg, chain, cls, n);
    call.need(name, "the rule name");
    call.need(cls, "the class");
    if (created) *created = nullptr;
    KBL_instance_t inst = instance_of(chain);
    if (!inst) return KBL_ERR_NO_INSTANCE;
    if (!is_identifier(name) || n < 0 || (n > 0 && (!names || !values))) return KBL_ERR_BAD_RULE;
    if (!find_class(cls)) return KBL_ERR_NO_CLASS;
    auto rule = std::make_unique<KBL_rule_s>();
    rule->name = name;
    rule->type = "child";
    rule->child_class = cls;
    rule->flags = kChild | kDynamic;
    rule->owner = inst->chain;
    for (int i = 0; i < n; ++i) {
        if (!names[i] || !values[i] || !is_identifier(names[i])) return KBL_ERR_BAD_RULE;
        std::string why;
        const int ref = compile(values[i], std::string(name) + "." + names[i], why);
        if (ref == LUA_NOREF) return KBL_ERR_FORMULA;
        luaL_unref(state(), LUA_REGISTRYINDEX, ref);
        rule->params.emplace_back(names[i], values[i]);
    }
    KBL_rule_t old = rule_of(inst, name);
    if (old && !(old->flags & (kParameter | kModifiable | kDynamic))) return KBL_ERR_NOT_MODIFIABLE;
    journal_rule(inst, name);
    inst->dynamic[name] = std::move(rule);
    rule_changed(inst, name);
    if (created) *created = const_cast<char*>(keep_text((inst->chain + name + ":").c_str()));
    return 0;
}

int KBL_delete_instance_rule(const char* chain, const char* rule) {
    auto call = HOST_ENTRY_TEXT(rule, chain);
    call.need(rule, "the rule name");
    KBL_instance_t inst = instance_of(chain);
    if (!inst) return KBL_ERR_NO_INSTANCE;
    if (!inst->dynamic.count(rule)) return KBL_ERR_NO_RULE;
    journal_rule(inst, rule);
    inst->dynamic.erase(rule);
    rule_changed(inst, rule);
    return 0;
}

int KBL_revert(int n, const char* const* chains, int flags) {
    auto call = HOST_ENTRY(n, chains, flags);
    std::vector<KBL_instance_t> targets;
    if (n <= 0) {
        for (auto& inst : eng().instances)
            if (inst->alive) targets.push_back(inst.get());
    } else {
        call.need(chains, "the chains");
        for (int i = 0; i < n; ++i) {
            KBL_instance_t inst = instance_of(chains[i]);
            if (!inst) return KBL_ERR_NO_INSTANCE;
            targets.push_back(inst);
        }
    }
    for (KBL_instance_t inst : targets) {
        if (!inst->alive) continue;  // gone with an earlier one's child
        std::vector<std::string> names;
        for (auto& [name, r] : inst->dynamic) names.push_back(name);
        for (const std::string& name : names) journal_rule(inst, name);
        inst->dynamic.clear();
        for (const std::string& name : names) rule_changed(inst, name);
    }
    return 0;
}

KBL_rule_t KBL_ask_rule_of_instance(const char* chain, const char* rule) {
    HOST_ENTRY_TEXT(rule, chain);
    KBL_instance_t inst = instance_of(chain);
    return inst && rule ? rule_of(inst, rule) : nullptr;
}

KBL_rule_t KBL_ask_rule_of_name(const char* cls, const char* rule) {
    HOST_ENTRY_TEXT(rule, cls);
    return cls && rule ? class_rule(cls, rule) : nullptr;
}

const char* KBL_ask_rule_type(KBL_rule_t rule) {
    auto call = HOST_ENTRY(rule);
    return call.need(rule, "the rule")->type.c_str();
}

const char* KBL_ask_rule_name(KBL_rule_t rule) {
    auto call = HOST_ENTRY(rule);
    return call.need(rule, "the rule")->name.c_str();
}

const char* KBL_ask_default_formula(KBL_rule_t rule) {
    auto call = HOST_ENTRY(rule);
    call.need(rule, "the rule");
    return rule->flags & (kChild | kChildList) ? rule->child_class.c_str() : rule->formula.c_str();
}

// Rule predicates.
#define KBL_RULE_PREDICATE(fn, test)                               \
    int fn(KBL_rule_t rule) {                                      \
        auto call = HOST_ENTRY(rule);                              \
        const unsigned flags = call.need(rule, "the rule")->flags; \
        return (test) ? 1 : 0;                                     \
    }
KBL_RULE_PREDICATE(KBL_is_child_rule, flags& kChild)
KBL_RULE_PREDICATE(KBL_is_parameter_rule, flags& kParameter)
KBL_RULE_PREDICATE(KBL_is_canonical_rule, flags& kCanonical)
KBL_RULE_PREDICATE(KBL_is_modifiable_rule, flags&(kParameter | kModifiable))
KBL_RULE_PREDICATE(KBL_is_uncached_rule, flags& kUncached)
KBL_RULE_PREDICATE(KBL_is_lookup_rule, flags& kLookup)
KBL_RULE_PREDICATE(KBL_is_hidden_rule, flags& kHidden)
KBL_RULE_PREDICATE(KBL_is_cached_rule, !(flags & (kUncached | kChild | kChildList)))
KBL_RULE_PREDICATE(KBL_is_method, flags& kMethod)
KBL_RULE_PREDICATE(KBL_is_dynamic, flags& kDynamic)
KBL_RULE_PREDICATE(KBL_is_child_list_rule, flags& kChildList)
#undef KBL_RULE_PREDICATE

int KBL_ask_all_classes(int selector, int* count, TEXT_p_t** names) {
    auto call = HOST_ENTRY(selector, count, names);
    call.need(count, "the count");
    call.need(names, "the names");
    std::vector<std::string> out;
    if (selector != 1) out = file_classes();
    if (selector != 0)
        for (const auto& c : kBuiltinClasses) out.emplace_back(c[0]);
    return hand_out(out, count, names);
}

int KBL_ask_component_classes(const char* cls, int* count, TEXT_p_t** names) {
    auto call = HOST_ENTRY_TEXT(cls, count, names);
    return class_listing(call, cls, count, names, [&](std::vector<std::string>& out) { ancestors_of(cls, out); });
}

int KBL_ask_rules_of_class(const char* cls, int* count, TEXT_p_t** names) {
    auto call = HOST_ENTRY_TEXT(cls, count, names);
    return class_listing(call, cls, count, names, [&](std::vector<std::string>& out) {
        class_rule_names(cls, out);
        std::sort(out.begin(), out.end());
    });
}

int KBL_ask_parameters(const char* cls, TEXT_p_t** names, int* count) {
    auto call = HOST_ENTRY_TEXT(cls, names, count);
    return class_listing(call, cls, count, names, [&](std::vector<std::string>& out) {
        std::vector<std::string> rules;
        class_rule_names(cls, rules);
        for (const std::string& r : rules)
            if (class_rule(cls, r)->flags & kParameter) out.push_back(r);
        std::sort(out.begin(), out.end());
    });
}

int KBL_ask_dynamic_rules(const char* chain, int* count, TEXT_p_t** names) {
    auto call = HOST_ENTRY_TEXT(chain, count, names);
    call.need(count, "the count");
    call.need(names, "the names");
    KBL_instance_t inst = instance_of(chain);
    if (!inst) return KBL_ERR_NO_INSTANCE;
    std::vector<std::string> out;
    for (const auto& [name, r] : inst->dynamic) out.push_back(name);
    std::sort(out.begin(), out.end());
    return hand_out(out, count, names);
}

int KBL_ask_rule_types(int* count, TEXT_p_t** types) {
    auto call = HOST_ENTRY(count, types);
    call.need(count, "the count");
    call.need(types, "the types");
    return hand_out({"any", "boolean", "child", "child list", "error", "frame", "instance", "integer", "list", "name",
                     "number", "object", "point", "string", "user", "vector"},
                    count, types);
}

int KBL_is_rule_in_class(const char* cls, const char* rule) {
    HOST_ENTRY_TEXT(rule, cls);
    return cls && rule && class_rule(cls, rule) ? 1 : 0;
}

int KBL_is_local(const char* chain, void* engine_arg) {
    HOST_ENTRY_TEXT(chain, engine_arg);
    KBL_instance_t inst = nullptr;
    std::string rule;
    return rule_chain(chain, inst, rule) && inst->dynamic.count(rule) ? 1 : 0;
}

const char* KBL_ask_param_formula(const char* chain, const char* parameter) {
    HOST_ENTRY_TEXT(parameter, chain);
    KBL_instance_t inst = instance_of(chain);
    KBL_rule_t r = inst && parameter ? rule_of(inst, parameter) : nullptr;
    return r && r->flags & kParameter ? r->formula.c_str() : nullptr;
}

int KBL_evaluate_rule(const char* chain, TEXT_p_t* text) {
    auto call = HOST_ENTRY_TEXT(chain, text);
    call.need(text, "the text");
    *text = nullptr;
    KBL_instance_t inst = nullptr;
    std::string rule;
    if (!rule_chain(chain, inst, rule)) return KBL_ERR_NO_INSTANCE;
    if (!rule_of(inst, rule)) return KBL_ERR_NO_RULE;
    const KBL_value_t v = evaluate(slot_of(inst, rule));
    *text = TEXT_create_string(value_text(v).c_str());
    return 0;
}

int KBL_is_child_list_instance(const char* chain) {
    HOST_ENTRY_TEXT(chain);
    KBL_instance_t inst = instance_of(chain);
    return inst && list_rule_of_item(inst) ? 1 : 0;
}

KBL_list_t KBL_ask_list_of_instance(const char* chain) {
    HOST_ENTRY_TEXT(chain);
    KBL_instance_t inst = instance_of(chain);
    KBL_rule_t r = inst ? list_rule_of_item(inst) : nullptr;
    if (!r) return nullptr;
    const KBL_value_t v = evaluate(slot_of(inst->parent, r->name));
    return (v.kind & KBL_KIND_MASK) == KBL_KIND_LIST ? static_cast<KBL_list_t>(v.payload.pointer) : nullptr;
}

unsigned int KBL_ask_part_from_name_chain_tol(const char* chain) {
    HOST_ENTRY_TEXT(chain);
    return chain && instance_of(chain) ? eng().part : 0;
}

int KBL_delete_class_rule(const char* cls, const char* rule) {
    HOST_ENTRY_TEXT(rule, cls);
    Engine& e = eng();
    if (!cls || !rule || !find_class(cls)) return KBL_ERR_NO_CLASS;
    auto& rules = e.classes[cls]->rules;
    auto it = rules.find(rule);
    if (it == rules.end()) return KBL_ERR_NO_RULE;
    // Handles given out stay readable until the reset.
    KBL_rule_t gone = it->second.get();
    e.retired.push_back(std::move(it->second));
    rules.erase(it);
    journal_edit([cls = std::string(cls), gone] {
        Engine& en = eng();
        auto c = en.classes.find(cls);
        auto r = std::find_if(en.retired.begin(), en.retired.end(), [&](const auto& p) { return p.get() == gone; });
        if (c == en.classes.end() || r == en.retired.end()) return;
        c->second->rules[gone->name] = std::move(*r);
        en.retired.erase(r);
        for (auto& inst : en.instances)
            if (inst->alive && inst->slots.count(gone->name)) rule_changed(inst.get(), gone->name);
    });
    for (auto& inst : e.instances)
        if (inst->alive && inst->slots.count(rule)) rule_changed(inst.get(), rule);
    return 0;
}

void KBL_free_list_object_contents(void* list_object) {
    HOST_ENTRY(list_object);  // the engine holds lists until the reset
}

const char* KBL_ask_instance_class(const char* chain) {
    HOST_ENTRY_TEXT(chain);
    KBL_instance_t inst = instance_of(chain);
    return inst ? inst->class_name.c_str() : nullptr;
}

int KBL_is_rule_computed(const char* chain, const char* rule) {
    HOST_ENTRY_TEXT(rule, chain);
    KBL_instance_t inst = instance_of(chain);
    if (!inst || !rule) return 0;
    auto it = inst->slots.find(rule);
    return it != inst->slots.end() && fresh(it->second.get()) ? 1 : 0;
}

int KBL_evaluate_rule_to_value(const char* chain, KBL_value_t** out) {
    auto call = HOST_ENTRY_TEXT(chain, out);
    call.need(out, "the value output");
    *out = nullptr;
    KBL_instance_t inst = nullptr;
    std::string rule;
    if (!rule_chain(chain, inst, rule)) return KBL_ERR_NO_INSTANCE;
    if (!rule_of(inst, rule)) return KBL_ERR_NO_RULE;
    *out = new_record(evaluate(slot_of(inst, rule)));
    return 0;
}

KBE_object_t KLINK_ask_object_to_adopt(unsigned int object, const int* types, const int* subtypes) {
    HOST_ENTRY(object, types, subtypes);
    const host::objects::Object* o = host::objects::find(object);
    if (!o || !o->alive || !accepted(o->type, types) || !accepted(o->subtype, subtypes)) return nullptr;
    Engine& e = eng();
    if (auto it = e.adopted.find(object); it != e.adopted.end()) return it->second;
    auto a = std::make_unique<KBE_object_s>();
    a->cls = KBE_CLASS_ADOPTED;
    a->tag = object;
    KBE_object_t out = a.get();
    e.adopted_store.push_back(std::move(a));
    e.adopted[object] = out;
    known_add(out, KBE_CLASS_ADOPTED);
    return out;
}

unsigned int KLINK_ask_external_jq_object(const void* object) {
    auto call = HOST_ENTRY(object);
    const int cls = KBE_ask_object_class(object);
    if (cls == KBE_CLASS_INSTANCE) {
        auto inst = static_cast<const KBL_instance_s*>(object);
        return inst->adopted ? inst->adopted->tag : 0;
    }
    if (cls != KBE_CLASS_ADOPTED) call.fail(KBL_ERR_UNKNOWN, "%p is no adopted object", object);
    return static_cast<const KBE_object_s*>(object)->tag;
}

KBL_instance_t KLINK_ask_object_instance(KBE_object_t adopted) {
    auto call = HOST_ENTRY(adopted);
    if (KBE_ask_object_class(adopted) != KBE_CLASS_ADOPTED)
        call.fail(KBL_ERR_UNKNOWN, "%p is no adopted object", (void*)adopted);
    return adopted->instance;
}

int KLINK_ui_adopt_objects(int n, const KBE_object_t* objects, const char* chain) {
    auto call = HOST_ENTRY_TEXT(chain, n, objects);
    if (n > 0) call.need(objects, "the objects");
    KBL_instance_t parent = instance_of(chain);
    if (!parent) return KBL_ERR_NO_INSTANCE;
    for (int i = 0; i < n; ++i)
        if (KBE_ask_object_class(objects[i]) != KBE_CLASS_ADOPTED) return KBL_ERR_UNKNOWN;
    for (int i = 0; i < n; ++i) {
        KBE_object_t a = objects[i];
        if (a->instance) continue;
        const host::objects::Object* o = host::objects::find(a->tag);
        const bool body = o && o->type == 70 && o->subtype == 0;
        KBL_instance_t inst =
            new_instance(parent, "object_" + std::to_string(a->tag), body ? "model_body" : "model_object");
        parent->children[inst->local] = inst;
        inst->adopted = a;
        a->instance = inst;
        journal_edit([inst] {
            if (!known(inst)) return;
            if (auto it = inst->parent->children.find(inst->local);
                it != inst->parent->children.end() && it->second == inst)
                inst->parent->children.erase(it);
            discard(inst);
        });
    }
    return 0;
}

int KLINK_ask_reference_object_rule_text(KBE_object_t object, int* count, TEXT_p_t** texts) {
    auto call = HOST_ENTRY(object, count, texts);
    call.need(count, "the count");
    call.need(texts, "the texts");
    *count = 0;
    *texts = nullptr;
    if (!object) return 0;
    if (KBE_ask_object_class(object) != KBE_CLASS_ADOPTED)
        call.fail(KBL_ERR_UNKNOWN, "%p is no adopted object", (void*)object);
    KBL_instance_t inst = object->instance;
    if (!inst || !inst->alive) return 0;
    std::vector<std::string> out;
    for (const auto& [name, slot] : inst->slots)
        for (const Slot* reader : slot->readers)
            if (reader->inst != inst && reader->inst->alive) {
                std::string chain = reader->inst->chain + reader->rule();
                if (std::find(out.begin(), out.end(), chain) == out.end()) out.push_back(std::move(chain));
            }
    std::sort(out.begin(), out.end());
    return hand_out(out, count, texts);
}

void KLINK_ask_adoptable_types_and_subtypes(const int** types, const int** subtypes) {
    HOST_ENTRY(types, subtypes);
    if (types) *types = kAdoptTypes;
    if (subtypes) *subtypes = kAdoptSubtypes;
}

int KBL_ask_value_of_list_item(const void* list_object, int index, TEXT_s** name, TEXT_s** type, KBL_value_t** value) {
    HOST_ENTRY(list_object, index, name, type);
    if (KBE_ask_object_class(list_object) != KBE_CLASS_INSTANCE) return KBL_ERR_UNKNOWN;
    auto inst = static_cast<KBL_instance_t>(const_cast<void*>(list_object));
    std::vector<std::string> rules;
    class_rule_names(inst->class_name, rules);
    for (auto& [n, r] : inst->dynamic)
        if (std::find(rules.begin(), rules.end(), n) == rules.end()) rules.push_back(n);
    std::sort(rules.begin(), rules.end());
    if (index < 1 || index > static_cast<int>(rules.size())) return KBL_ERR_NO_RULE;
    const std::string& rule = rules[static_cast<std::size_t>(index) - 1];
    KBL_rule_t r = rule_of(inst, rule);
    if (value) *value = new_record(evaluate(slot_of(inst, rule)));
    if (name) *name = TEXT_create_string(rule.c_str());
    if (type) *type = TEXT_create_string(r->type.c_str());
    return 0;
}

void KBL_register_invocation(KBL_invoke_fn invoke) {
    HOST_ENTRY(invoke);
    invocation() = invoke;
}

const KBL_value_t* KBL_ask_invocation_argument(KBL_instance_t instance, const KBL_invocation_args_t* args,
                                               int position) {
    auto call = HOST_ENTRY(instance, args, position);
    call.need(args, "the arguments");
    if (position < 1 || position > args->count) call.fail(HOST_ERR_BAD_ARGUMENT, "no argument %d", position);
    return &args->items[position - 1];
}

void KBL_free_invocation_arguments(KBL_invocation_args_t* args, int flags) {
    HOST_ENTRY(args, flags);
    if (!args) return;
    free_invocation_items(args);
    std::free(args);
}

}  // extern "C"
