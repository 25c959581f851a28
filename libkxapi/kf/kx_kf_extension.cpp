// Rule calls into user libraries: a formula's extension("lib", "entry",
// args...) comes here from the knowledge engine, which hands over the
// calling instance, the call's values (the arguments, then the library and
// entry names) and a record for the result. The library is found, an
// argument vector built, and the host's user-exit runner loads the library
// and calls the entry point through the adapter below.
#include <cstring>
#include <string>

#include "kx_kf.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/kf/kf_text.h"

#include "host/platform/cfi/cfi.h"
#include "host/model/rules/rules.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/platform/support/support.h"
#include "host/platform/system/user_exit.h"

namespace {

using namespace kx::kf;

constexpr int kDialogExit = 1;                   // user-exit type of a dialog invocation
constexpr int kPlainExit = 3;                    // user-exit type of a plain invocation
constexpr int kBadLibrary = KX_ERR_BAD_LIBRARY;  // 1105019
constexpr int kNoEntry = KX_ERR_NO_ENTRY_POINT;  // 1105020

// Lines that the host log shows with this module's messages.
constexpr int kLineBadLibraryName = 121;
constexpr int kLineBadEntryName = 122;
constexpr int kLineRunFailed = 123;

// What the adapter needs: the argument vector (n values and the instance's
// after them) and the engine's result record.
struct CallContext {
    int unused;
    int n;
    knowledge_value_p_t* vector;
    KBL_value_t* result;
};

// The run service calls this with the resolved entry point.
void adapter(void* entry_point, void* context) {
    auto* c = static_cast<CallContext*>(context);
    auto fn = reinterpret_cast<KX_KF_user_function_t>(entry_point);
    knowledge_value_p_t answer = nullptr;
    // The user's calls into the interface are calls from outside.
    kx::call_user(fn, c->vector, c->n, &answer);
    if (!answer) return;  // no result: the record stays as it was
    c->result->kind = answer->kind;
    std::memcpy(&c->result->payload, &answer->payload, sizeof c->result->payload);
}

void no_cleanup() {}

// The result record becomes an error value of the code; the log says why.
void fail_call(KBL_value_t* result, int code, int line, const std::string& why) {
    ERROR_note(kModule, line, why.c_str());
    result->kind = KBL_KIND_ERROR;
    result->payload.pointer = KBE_ask_dfk_table()->make_error(code);
}

// Copies the text of a string value into a name buffer; false for no
// string or a text that does not fit.
bool name_of(const KBL_value_t* value, char (&buffer)[KXEXIT_NAME_CHARS]) {
    buffer[0] = '\0';
    if (!value || (value->kind & KBL_KIND_MASK) != KBL_KIND_STRING || !value->payload.text) return false;
    const std::size_t n = std::strlen(value->payload.text);
    if (n >= KXEXIT_NAME_CHARS) return false;
    std::memcpy(buffer, value->payload.text, n + 1);
    return true;
}

void delete_object(KBE_object_s* object) { KBE_delete_object(object); }

// The value standing for the calling instance (nothing for an instance the
// engine does not know), made through a temporary object of the engine.
KBL_value_t instance_value(KBL_instance_t instance) {
    KBL_value_t out{};
    if (!instance || KBE_ask_object_class(instance) != KBE_CLASS_INSTANCE) return out;
    const unsigned int part = KBL_ask_part_from_name_chain_tol(KBL_ask_name_chain_of_instance(instance));
    const kx::held<KBE_object_s, delete_object> object(KBE_create_instance_object(part, instance));
    DFK_convert_value(object.get(), &out);
    return out;
}

// The library and entry names, the argument vector and the run.
void run_call(KBL_instance_t instance, KBL_invocation_args_t* args, KBL_value_t* result) {
    char library[KXEXIT_NAME_CHARS];
    char entry[KXEXIT_NAME_CHARS];
    if (args->count < 2 || !name_of(KBL_ask_invocation_argument(instance, args, args->count - 1), library)) {
        fail_call(result, kBadLibrary, kLineBadLibraryName, "the rule call names no library it can load");
        return;
    }
    if (!name_of(KBL_ask_invocation_argument(instance, args, args->count), entry)) {
        fail_call(result, kNoEntry, kLineBadEntryName, "the rule call names no entry point it can call");
        return;
    }
    char found[KXEXIT_NAME_CHARS];
    int word = 0;
    std::string name = library;
    if (JQOPEN_find_shared_library("application", &word, library, found)) {
        name = found;
    } else {
        char* bare = nullptr;
        CFI_remove_extension(library, -1, &bare);
        if (bare) {
            name = bare;
            SM_free(bare);
        }
    }
    const int n = args->count > 2 ? args->count - 2 : 0;
    kx::host_ptr<knowledge_value_p_t> vector(
        static_cast<knowledge_value_p_t*>(SM_alloc(sizeof(knowledge_value_p_t) * static_cast<std::size_t>(n + 1))));
    for (int i = 0; i < n; ++i) vector.get()[i] = reinterpret_cast<knowledge_value_p_t>(&args->items[i]);
    KBL_value_t self = instance_value(instance);
    vector.get()[n] = reinterpret_cast<knowledge_value_p_t>(&self);
    CallContext context{0, n, vector.get(), result};
    KXEXIT_run_options_t options{};
    options.kind = 1;
    options.unload = 0;
    const int st =
        KXEXIT_run_kestrix_extension_internal(name.c_str(), &options, &instance, entry, no_cleanup, adapter, &context);
    if (st == KXEXIT_ERR_NO_LIBRARY)
        fail_call(result, kBadLibrary, kLineRunFailed, "the library " + name + " cannot be loaded");
    else if (st == KXEXIT_ERR_NO_ENTRY)
        fail_call(result, kNoEntry, kLineRunFailed, std::string("no entry point ") + entry + " in " + name);
}

// The engine's arguments, handed back on every way out of an invocation.
struct HandBack {
    KBL_invocation_args_t* args;
    ~HandBack() {
        if (args) kx::release([a = args] { KBL_free_invocation_arguments(a, 0); });
    }
};

// Puts the user-exit type (and the run-time environment) back on every way
// out of an invocation.
struct ExitType {
    int type = KXEXIT_ask_user_exit_type();
    int env = -1;  // -1: the environment was not switched
    ~ExitType() {
        kx::release([t = type] { KXEXIT_set_user_exit_type(t); });
        if (env >= 0) kx::release([e = env] { RTENV_set_env(e); });
    }
};

// An invocation of a user library's function: in the interface's run-time
// environment with the dialog's user-exit type, else with the plain one;
// the arguments are handed back and the type and environment put back
// whatever happened.
void run_invocation(KBL_instance_t instance, KBL_invocation_args_t* args, KBL_value_t* out, bool dialog) {
    const HandBack hand_back{args};
    if (!args || !out) return;
    ExitType saved;
    if (dialog) saved.env = RTENV_set_jqopen_env();
    KXEXIT_set_user_exit_type(dialog ? kDialogExit : kPlainExit);
    run_call(instance, args, out);
}

// The exported invocations answer nothing: a host error on the way is the
// call's result, an error value of its code (with a line on the log), and
// goes no further.
void invoke(KX_KF_instance_p_t instance, KX_KF_rule_invocation_arguments_p_t arguments, knowledge_value* result,
            bool dialog) {
    kx::guarded([&] {
        auto* args = reinterpret_cast<KBL_invocation_args_t*>(arguments);
        auto* out = reinterpret_cast<KBL_value_t*>(result);
        const int st = kx::frame(kx::no_check, [&] {
            run_invocation(reinterpret_cast<KBL_instance_t>(instance), args, out, dialog);
            return 0;
        });
        if (st != 0 && out)
            fail_call(out, st, kLineRunFailed, "the rule call failed with the host's error " + std::to_string(st));
    });
}

// A rule's call from the engine, inside its evaluation: a host error goes
// on to the evaluation's frame, which answers it.
void plain_entry(KBL_instance_t instance, KBL_invocation_args_t* args, KBL_value_t* result) {
    kx::guarded([&] { run_invocation(instance, args, result, false); });
}

}  // namespace

namespace kx::kf {
void register_invocation() { KBL_register_invocation(plain_entry); }
}  // namespace kx::kf

extern "C" {

KXAPI void KX_KF_invoke_kestrix_extension_dialog(KX_KF_instance_p_t instance,
                                                 KX_KF_rule_invocation_arguments_p_t arguments,
                                                 knowledge_value* result) {
    invoke(instance, arguments, result, true);
}

KXAPI void KX_KF_invoke_kestrix_extension(KX_KF_instance_p_t instance, KX_KF_rule_invocation_arguments_p_t arguments,
                                          knowledge_value* result) {
    invoke(instance, arguments, result, false);
}

KXAPI int KX_KF_ask_instance_of_args(knowledge_value_p_t* args, int n, KX_KF_instance_p_t* instance) {
    // The vector is checked before its entry n is read.
    if (!args) return kx::frame([] { return int{KX_ERR_BAD_PARAM_1}; });
    if (n < 0) return kx::frame([] { return int{KX_ERR_BAD_PARAM_2}; });
    return kx::kf::ask_instance(args[n], instance);
}

}  // extern "C"
