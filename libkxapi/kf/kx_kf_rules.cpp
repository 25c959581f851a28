// The knowledge language through the interface: the engine's session, part
// preparation, search path and class directory, class and rule listings,
// rule creation and removal, rule properties, queries by name chain and
// evaluation.
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "kx_kf.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/kf/kf_text.h"

#include "host/store/entities/entity_delete.h"
#include "host/model/rules/rules.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"
#include "host/base/services/memory.h"
#include "host/base/services/text.h"

namespace {

using namespace kx::kf;

constexpr int kBad1 = KX_ERR_BAD_PARAM_1;  // 1105004
constexpr int kBad2 = KX_ERR_BAD_PARAM_2;  // 1105005
constexpr int kBad3 = KX_ERR_BAD_PARAM_3;  // 1105006
constexpr int kBad4 = KX_ERR_BAD_PARAM_4;  // 1105007

// Part preparation: the engine's pass results 1 to 3, and class files
// skipped while the part was prepared.
constexpr int kInitPassOne = KX_KF_ERR_INIT_PASS_ONE;
constexpr int kInitPassTwo = KX_KF_ERR_INIT_PASS_TWO;
constexpr int kInitPassThree = KX_KF_ERR_INIT_PASS_THREE;
constexpr int kInitSkippedFiles = KX_KF_ERR_INIT_SKIPPED_FILES;
constexpr int kInitPasses = 7;
// An instance that is no item of a child list.
constexpr int kNoListOfInstance = KX_KF_ERR_NO_LIST_OF_INSTANCE;

auto no_prologue = [] { return 0; };

// The two trace lines of a function named `name`.
template <class Pro, class Work>
int named(const char* name, Pro prologue, Work work) {
    const std::string pre = std::string("pre ") + name;
    return traced(pre.c_str(), name, prologue, work);
}

// A text argument: NULL is refused with the argument's code, non-ASCII
// through the error frame.
int need_text(const char* text, int code) { return text ? 0 : code; }
void ascii(const char* text) {
    if (text) require_ascii(text);
}

// A listing with count and names outputs, cleared inside the frame. The
// engine's texts go back before the caller's copies are made, and the
// copies are handed out only when nothing failed.
template <class Ask>
int listing(const char* name, const char* cls, int* count, char*** names, Ask ask) {
    return named(
        name,
        [&] {
            if (!count) return kBad2;
            if (!names) return kBad3;
            return 0;
        },
        [&] {
            *count = 0;
            *names = nullptr;
            ascii(cls);
            std::vector<std::string> texts;
            {
                engine_texts got;
                const int st = ask(&got.n, &got.texts);
                if (st != 0) return st;
                for (int i = 0; i < got.n && got.texts; ++i) {
                    const locale_ptr locale(TEXT_to_locale_sized(got.texts[i], -1));
                    texts.emplace_back(locale.get());
                }
            }
            if (release_failed()) return 0;
            *names = kx::string_array(texts);
            *count = static_cast<int>(texts.size());
            return 0;
        });
}

// A caller-owned copy of an engine text (NULL stays NULL).
char* copy_of(const char* text) { return text ? SM_string_copy(text) : nullptr; }

// A rule query with a text answer.
template <class Ask>
int rule_text(const char* name, KX_KF_rule_p_t rule, char** out, Ask ask) {
    return named(
        name, [&] { return !rule  ? kBad1
                           : !out ? kBad2
                                  : 0; },
        [&] {
            *out = nullptr;
            *out = copy_of(ask(reinterpret_cast<KBL_rule_t>(rule)));
            return 0;
        });
}

// A rule predicate: the output is written only when the engine answered.
int predicate(const char* first, const char* last, KX_KF_rule_p_t rule, logical* out, int (*ask)(KBL_rule_t)) {
    return traced(
        first, last, [&] { return !rule  ? kBad1
                                  : !out ? kBad2
                                         : 0; },
        [&] {
            *out = ask(reinterpret_cast<KBL_rule_t>(rule)) != 0;
            return 0;
        });
}

// Whether a chain names neither a prepared part's instance nor the root.
bool outside_part(const char* chain) {
    return chain && KBL_ask_part_from_name_chain_tol(chain) == 0 && strcasecmp(chain, "Root:") != 0;
}

// An edit under an undo mark of visibility 1 named after the function.
template <class Work>
int marked(const char* name, Work work) {
    return kx::undo_bracket(1, name, work);
}

// The rule body shared by the two creators.
int create_rule(const char* chain, const char* text2, const char* type, const char* text4, const char* text5,
                bool update) {
    // A rule type is required: the check comes before anything reads it.
    if (!type) return kBad3;
    std::string lower = type;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool child = lower.find("child") != std::string::npos;
    return kx::frame(
        [&] {
            if (child && kx::guarded([&] { return outside_part(chain) ? 1 : 0; }) == 1) return kBad2;
            if (!text2) return kBad2;
            if (!text4) return kBad4;
            return 0;
        },
        [&] {
            return marked("KX_KF_create_rule", [&] {
                trace("pre KX_KF_create_rule");
                const int st = kx::frame(kx::no_check, [&] {
                    const char* on = chain ? chain : "Root:";
                    ascii(on);
                    ascii(text2);
                    ascii(type);
                    ascii(text4);
                    const int code = KBL_create_dynamic_rule(on, text2, type, text4, text5);
                    if (code == 0 && update) return UPDATE_do_update();
                    return code;
                });
                if (st != 0) trace("KX_KF_create_rule failed");
                trace("KX_KF_create_rule");
                return st;
            });
        });
}

}  // namespace

extern "C" {

// ---- Session, search path and directories ------------------------------------

KXAPI int KX_KF_is_initialized(logical* available) {
    return kx::frame([&] { return available ? 0 : kBad1; },
                     [&] {
                         *available = KBL_is_kernel_available() != 0;
                         return 0;
                     });
}

KXAPI int KX_KF_init_part(tag part) {
    return named("KX_KF_init_part", no_prologue, [&] {
        // Rules of the part may call user libraries through this library.
        register_invocation();
        int result = 0;
        int status = 0;
        for (int pass = 1; pass <= kInitPasses; ++pass) {
            result = KBL_init_part(pass, part, &status);
            if (result == 0) break;
        }
        if (result != 0) {
            int code = result == 1 ? kInitPassOne : result == 2 ? kInitPassTwo : result == 3 ? kInitPassThree : status;
            // A refused part is never answered as prepared.
            if (code == 0) code = result;
            ERROR_raise(kModule, 0, code, "The part cannot be prepared for the knowledge engine");
        }
        if (status == KBL_WARN_SKIPPED_FILES)
            ERROR_raise(kModule, 0, kInitSkippedFiles, "Class files were skipped while the part was prepared");
        return status;
    });
}

// The engine's search path (a NULL-terminated array of host texts), held
// for the length of a call.
struct search_path {
    char** texts = nullptr;
    search_path(const search_path&) = delete;
    explicit search_path(char** t) : texts(t) {}
    ~search_path() {
        if (!texts) return;
        for (char** t = texts; *t; ++t) kx::release([p = *t] { SM_free(p); });
        kx::release([a = texts] { SM_free(a); });
    }
};

KXAPI int KX_KF_add_search_library(const char* directory) {
    return named(
        "KX_KF_add_search_library", [&] { return need_text(directory, kBad1); },
        [&] {
            const bool first = KBL_is_user_override() != 0;
            const search_path current(KBL_ask_library_search_path());
            std::size_t n = 0;
            while (current.texts && current.texts[n]) ++n;
            // The new array points at the current texts and a copy of the
            // directory; the engine keeps its own copy of the path.
            const kx::host_ptr<char> added(SM_string_copy(directory));
            const kx::host_ptr<char*> path(static_cast<char**>(SM_alloc(sizeof(char*) * (n + 2))));
            const std::size_t shift = first ? 1 : 0;
            for (std::size_t i = 0; i < n; ++i) path.get()[i + shift] = current.texts[i];
            path.get()[first ? 0 : n] = added.get();
            path.get()[n + 1] = nullptr;
            return KBL_set_library_search_path(path.get());
        });
}

KXAPI int KX_KF_set_user_override(logical on) {
    kx::guarded([&] { KBL_set_user_override(on ? 1 : 0); });
    return 0;
}

KXAPI int KX_KF_set_user_class_dir(const char* directory, int flags) {
    return named("KX_KF_set_user_class_dir", no_prologue, [&] {
        return marked("KX_KF_set_user_class_dir", [&] { return KBL_activate_user_class_dir(directory, flags); });
    });
}

KXAPI int KX_KF_ask_user_class_dir(const char** directory) {
    return named(
        "KX_KF_ask_user_class_dir", [&] { return directory ? 0 : kBad1; },
        [&] {
            *directory = KBL_ask_user_class_dir();
            return 0;
        });
}

KXAPI int KX_KF_start_pipeline(void* first, void* second, void* third, void** output) {
    return kx::frame([&] { return output ? 0 : kBad4; },
                     [&] {
                         *output = nullptr;
                         return KBE_run_corba_server(first, second, third, 0, output);
                     });
}

KXAPI int KX_KF_ask_edit_method(void) { return 0; }
KXAPI int KX_KF_set_edit_method(void) { return 0; }

// ---- Classes and rule lists --------------------------------------------------

KXAPI int KX_KF_ask_classes(int selector, int* count, char*** names) {
    const int which = selector < 0 || selector > 2 ? 2 : selector;
    return listing("KX_KF_ask_classes", nullptr, count, names,
                   [&](int* n, TEXT_p_t** t) { return KBL_ask_all_classes(which, n, t); });
}

KXAPI int KX_KF_ask_all_classes(int* count, char*** names) {
    return listing("KX_KF_ask_all_classes", nullptr, count, names,
                   [&](int* n, TEXT_p_t** t) { return KBL_ask_all_classes(2, n, t); });
}

KXAPI int KX_KF_ask_ancestor_classes(const char* cls, int* count, char*** names) {
    if (!cls) return kx::frame([] { return kBad1; });
    return listing("KX_KF_ask_ancestor_classes", cls, count, names,
                   [&](int* n, TEXT_p_t** t) { return KBL_ask_component_classes(cls, n, t); });
}

KXAPI int KX_KF_ask_rules_of_class(const char* cls, int* count, char*** names) {
    if (!cls) return kx::frame([] { return kBad1; });
    return listing("KX_KF_ask_rules_of_class", cls, count, names,
                   [&](int* n, TEXT_p_t** t) { return KBL_ask_rules_of_class(cls, n, t); });
}

KXAPI int KX_KF_ask_rules(const char* chain, int* count, char*** names) {
    if (!chain) return kx::frame([] { return kBad1; });
    return listing("KX_KF_ask_rules", chain, count, names,
                   [&](int* n, TEXT_p_t** t) { return KBL_ask_dynamic_rules(chain, n, t); });
}

KXAPI int KX_KF_ask_parameters(const char* cls, char*** names, int* count) {
    if (!cls) return kx::frame([] { return kBad1; });
    return listing("KX_KF_ask_parameters", cls, count, names,
                   [&](int* n, TEXT_p_t** t) { return KBL_ask_parameters(cls, t, n); });
}

KXAPI int KX_KF_ask_rule_types(int* count, char*** types) {
    return listing("KX_KF_ask_rule_types", nullptr, count, types,
                   [&](int* n, TEXT_p_t** t) { return KBL_ask_rule_types(n, t); });
}

// ---- Rule creation and removal -----------------------------------------------

KXAPI int KX_KF_create_rule(const char* chain, const char* text2, const char* type, const char* text4,
                            const char* text5) {
    return create_rule(chain, text2, type, text4, text5, true);
}

KXAPI int KX_KF_create_rule_no_update(const char* chain, const char* text2, const char* type, const char* text4,
                                      const char* text5) {
    return create_rule(chain, text2, type, text4, text5, false);
}

KXAPI int KX_KF_create_child_rule(void* engine_arg, const char* chain, const char* text3, const char* text4, int n,
                                  char** names, char** values, char** result) {
    // Checked before the trace: a chain outside every prepared part.
    int early = 0;
    const int st = kx::frame(
        [&] {
            if (kx::guarded([&] { return outside_part(chain) ? 1 : 0; }) == 1) early = kBad2;
            return early;
        },
        [] { return 0; });
    if (st != 0) return st;
    return named(
        "KX_KF_create_child_rule",
        [&] {
            if (!text3) return kBad3;
            if (!text4) return kBad4;
            if (n < 0 || (n > 0 && (!names || !values))) return int{KX_ERR_BAD_PARAM_5};
            if (!result) return int{KX_ERR_BAD_PARAM_8};
            return 0;
        },
        [&] {
            *result = nullptr;
            kx::host_ptr<char> made;
            const int st = marked("KX_KF_create_child_rule", [&] {
                const char* on = chain ? chain : "Root:";
                ascii(on);
                ascii(text3);
                ascii(text4);
                for (int i = 0; i < n; ++i) {
                    if (!names[i] || !values[i]) ERROR_raise(kModule, 0, KX_ERR_BAD_PARAM_5, "A parameter is NULL");
                    ascii(names[i]);
                    ascii(values[i]);
                }
                char* created = nullptr;
                const int code = KBL_create_child_rule(engine_arg, on, text3, text4, n, names, values, &created);
                if (code == 0 && created) made.reset(SM_string_copy(created));
                return code;
            });
            if (st == 0 && !release_failed()) *result = made.release();
            return st;
        });
}

KXAPI int KX_KF_delete_class_rule(const char* cls, const char* rule) {
    return traced(
        "pre KX_KF_celete_class_rule", "KX_KF_celete_class_rule", [&] { return !cls    ? kBad1
                                                                               : !rule ? kBad2
                                                                                       : 0; },
        [&] {
            return marked("KX_KF_delete_class_rule", [&] {
                ascii(cls);
                ascii(rule);
                return KBL_delete_class_rule(cls, rule);
            });
        });
}

KXAPI int KX_KF_delete_instance_rule(const char* chain, const char* rule) {
    return named(
        "KX_KF_delete_instance_rule", [&] { return !chain  ? kBad1
                                                   : !rule ? kBad2
                                                           : 0; },
        [&] {
            return marked("KX_KF_delete_instance_rule", [&] {
                ascii(chain);
                ascii(rule);
                return KBL_delete_instance_rule(chain, rule);
            });
        });
}

KXAPI int KX_KF_revert(const char* chain) {
    return named("KX_KF_revert", no_prologue, [&] {
        ascii(chain);
        const char* chains[] = {chain};
        return KBL_revert(chain ? 1 : 0, chain ? chains : nullptr, 0);
    });
}

// ---- Rule queries ------------------------------------------------------------

KXAPI int KX_KF_ask_rule_type(KX_KF_rule_p_t rule, char** type) {
    return rule_text("KX_KF_ask_rule_type", rule, type, KBL_ask_rule_type);
}

KXAPI int KX_KF_ask_rule_name(KX_KF_rule_p_t rule, char** name) {
    return rule_text("KX_KF_ask_rule_name", rule, name, KBL_ask_rule_name);
}

KXAPI int KX_KF_ask_default_formula(KX_KF_rule_p_t rule, char** formula) {
    return rule_text("KX_KF_ask_default_formula", rule, formula, KBL_ask_default_formula);
}

#define KX_KF_PREDICATE(NAME)                                                           \
    KXAPI int KX_KF_##NAME(KX_KF_rule_p_t rule, logical* answer) {                      \
        return predicate("pre KX_KF_" #NAME, "KX_KF_" #NAME, rule, answer, KBL_##NAME); \
    }
KX_KF_PREDICATE(is_child_rule)
KX_KF_PREDICATE(is_parameter_rule)
KX_KF_PREDICATE(is_canonical_rule)
KX_KF_PREDICATE(is_modifiable_rule)
KX_KF_PREDICATE(is_uncached_rule)
KX_KF_PREDICATE(is_lookup_rule)
KX_KF_PREDICATE(is_hidden_rule)
KX_KF_PREDICATE(is_method)
KX_KF_PREDICATE(is_dynamic)
KX_KF_PREDICATE(is_child_list_rule)
#undef KX_KF_PREDICATE

KXAPI int KX_KF_is_cached_rule(KX_KF_rule_p_t rule, logical* answer) {
    return predicate("pre KX_KF_is_cached_rule", "pre KX_KF_is_cached_rule", rule, answer, KBL_is_cached_rule);
}

// ---- Queries by name chain ---------------------------------------------------

KXAPI int KX_KF_is_local(const char* chain, void* engine_arg, logical* local) {
    return named(
        "KX_KF_is_local", [&] { return !chain   ? kBad1
                                       : !local ? kBad3
                                                : 0; },
        [&] {
            *local = false;
            ascii(chain);
            *local = KBL_is_local(chain, engine_arg) != 0;
            return 0;
        });
}

KXAPI int KX_KF_is_rule_in_class(const char* cls, const char* rule, logical* in_class) {
    return named(
        "KX_KF_is_rule_in_class", [&] { return !cls        ? kBad1
                                               : !rule     ? kBad2
                                               : !in_class ? kBad3
                                                           : 0; },
        [&] {
            *in_class = false;
            ascii(cls);
            ascii(rule);
            *in_class = KBL_is_rule_in_class(cls, rule) != 0;
            return 0;
        });
}

KXAPI int KX_KF_ask_rule_of_name(const char* cls, const char* rule, KX_KF_rule_p_t* out) {
    return named(
        "KX_KF_ask_rule_of_name", [&] { return !cls    ? kBad1
                                               : !rule ? kBad2
                                               : !out  ? kBad3
                                                       : 0; },
        [&] {
            *out = nullptr;
            ascii(cls);
            ascii(rule);
            *out = reinterpret_cast<KX_KF_rule_p_t>(KBL_ask_rule_of_name(cls, rule));
            return 0;
        });
}

KXAPI int KX_KF_ask_rule_of_instance(const char* chain, const char* rule, KX_KF_rule_p_t* out) {
    return named(
        "KX_KF_ask_rule_of_instance", [&] { return !chain  ? kBad1
                                                   : !rule ? kBad2
                                                   : !out  ? kBad3
                                                           : 0; },
        [&] {
            *out = nullptr;
            ascii(chain);
            ascii(rule);
            *out = reinterpret_cast<KX_KF_rule_p_t>(KBL_ask_rule_of_instance(chain, rule));
            return 0;
        });
}

KXAPI int KX_KF_ask_parameter_type(const char* chain, const char* parameter, char** type) {
    return named(
        "KX_KF_ask_parameter_type", [&] { return !chain       ? kBad1
                                                 : !parameter ? kBad2
                                                 : !type      ? kBad3
                                                              : 0; },
        [&] {
            *type = nullptr;
            ascii(chain);
            ascii(parameter);
            if (KBL_rule_t rule = KBL_ask_rule_of_instance(chain, parameter)) *type = copy_of(KBL_ask_rule_type(rule));
            return 0;
        });
}

KXAPI int KX_KF_ask_parameter_formula(const char* chain, const char* parameter, char** formula) {
    return named(
        "KX_KF_ask_parameter_formula", [&] { return !chain       ? kBad1
                                                    : !parameter ? kBad2
                                                    : !formula   ? kBad3
                                                                 : 0; },
        [&] {
            *formula = nullptr;
            ascii(chain);
            ascii(parameter);
            *formula = copy_of(KBL_ask_param_formula(chain, parameter));
            return 0;
        });
}

KXAPI int KX_KF_is_rule_computed(const char* chain, const char* rule, logical* computed) {
    return named(
        "KX_KF_is_rule_computed", [&] { return !chain      ? kBad1
                                               : !rule     ? kBad2
                                               : !computed ? kBad3
                                                           : 0; },
        [&] {
            *computed = false;
            ascii(chain);
            ascii(rule);
            *computed = KBL_is_rule_computed(chain, rule) != 0;
            return 0;
        });
}

KXAPI int KX_KF_ask_instance_class(const char* chain, char** cls) {
    return named(
        "KX_KF_ask_instance_class", [&] { return !chain ? kBad1
                                                 : !cls ? kBad2
                                                        : 0; },
        [&] {
            *cls = nullptr;
            ascii(chain);
            *cls = copy_of(KBL_ask_instance_class(chain));
            return 0;
        });
}

KXAPI int KX_KF_ask_list_of_instance(const char* chain, KX_KF_list_p_t* list) {
    return named(
        "KX_KF_ask_list_of_instance", [&] { return !chain  ? kBad1
                                                   : !list ? kBad2
                                                           : 0; },
        [&] {
            *list = nullptr;
            ascii(chain);
            KBL_list_t found = KBL_ask_list_of_instance(chain);
            if (!found) ERROR_raise(kModule, 0, kNoListOfInstance, "The instance is no item of a child list");
            *list = reinterpret_cast<KX_KF_list_p_t>(found);
            return 0;
        });
}

KXAPI int KX_KF_is_child_list_instance(const char* chain, logical* item) {
    return named(
        "KX_KF_is_child_list_instance", [&] { return !chain  ? kBad1
                                                     : !item ? kBad2
                                                             : 0; },
        [&] {
            *item = false;
            ascii(chain);
            *item = KBL_is_child_list_instance(chain) != 0;
            return 0;
        });
}

KXAPI int KX_KF_ask_name_chain_of_instance(KX_KF_instance_p_t instance, const char** chain) {
    return kx::frame(
        [&] {
            if (!instance || KBE_ask_object_class(instance) != KBE_CLASS_INSTANCE) return kBad1;
            return chain ? 0 : kBad2;
        },
        [&] {
            *chain = KBL_ask_name_chain_of_instance(reinterpret_cast<KBL_instance_t>(instance));
            return 0;
        });
}

// ---- Evaluation and engine memory --------------------------------------------

KXAPI int KX_KF_evaluate_rule(const char* chain, knowledge_value_p_t* value) {
    return named(
        "KX_KF_evaluate_rule", [&] { return !chain   ? kBad1
                                            : !value ? kBad2
                                                     : 0; },
        [&] {
            *value = nullptr;
            KBL_value_t* out = nullptr;
            const int st = marked("KX_KF_evaluate_rule", [&] {
                ascii(chain);
                return KBL_evaluate_rule_to_value(chain, &out);
            });
            if (st == 0 && !release_failed()) *value = reinterpret_cast<knowledge_value_p_t>(out);
            else if (out) kx::release([out] { KBL_free_value(out); });
            return st;
        });
}

KXAPI int KX_KF_evaluate_rule_to_string(const char* chain, char** text) {
    return named(
        "KX_KF_evaluate_rule_to_string", [&] { return !chain  ? kBad1
                                                      : !text ? kBad2
                                                              : 0; },
        [&] {
            *text = nullptr;
            kx::host_ptr<char> copy;
            const int st = marked("KX_KF_evaluate_rule_to_string", [&] {
                ascii(chain);
                TEXT_p_t out = nullptr;
                const int code = KBL_evaluate_rule(chain, &out);
                const text_ptr held(out);
                if (code == 0 && out) copy.reset(locale_copy(out));
                return code;
            });
            if (st == 0 && !release_failed()) *text = copy.release();
            return st;
        });
}

KXAPI int KX_KF_free_rule_value(knowledge_value_p_t value) {
    return named("KX_KF_free_rule_value", no_prologue, [&] {
        KBL_free_value(reinterpret_cast<KBL_value_t*>(value));
        return 0;
    });
}

KXAPI int KX_KF_free_list_object_contents(void* list_object) {
    return named("KX_KF_free_list_object_contents", no_prologue, [&] {
        KBL_free_list_object_contents(list_object);
        return 0;
    });
}

// ---- Model objects -----------------------------------------------------------

KXAPI int KX_KF_adopt_jq_objects(const tag* objects, int n, KX_KF_instance_p_t** instances) {
    if (instances) *instances = nullptr;
    // Refused before the trace: no objects to adopt.
    const int st = kx::frame(
        [&] {
            if (!objects || n < 1) return kBad1;
            return instances ? 0 : kBad3;
        },
        [] { return 0; });
    if (st != 0) return st;
    return named("KX_KF_adopt_jq_objects", no_prologue, [&] {
        kx::host_ptr<KX_KF_instance_p_t> out;
        const int st = marked("KX_KF_adopt_jq_objects", [&] {
            out.reset(
                static_cast<KX_KF_instance_p_t*>(SM_alloc(sizeof(KX_KF_instance_p_t) * static_cast<std::size_t>(n))));
            const int* types = nullptr;
            const int* subtypes = nullptr;
            KLINK_ask_adoptable_types_and_subtypes(&types, &subtypes);
            bool adopted = false;
            for (int i = 0; i < n; ++i) {
                KBL_instance_t inst = nullptr;
                if (KBE_object_t object = KLINK_ask_object_to_adopt(objects[i], types, subtypes)) {
                    inst = KLINK_ask_object_instance(object);
                    if (!inst && KLINK_ui_adopt_objects(1, &object, "Root:") == 0) {
                        inst = KLINK_ask_object_instance(object);
                        adopted = adopted || inst != nullptr;
                    }
                }
                if (!inst)
                    ERROR_raise(kModule, 0, kBad1, "Cannot adopt the object specified in index %d of the array.", i);
                out.get()[i] = reinterpret_cast<KX_KF_instance_p_t>(inst);
            }
            if (adopted)
                if (const int code = UPDATE_do_update()) return code;
            return 0;
        });
        if (st == 0 && !release_failed()) *instances = out.release();
        return st;
    });
}

KXAPI int KX_KF_ask_rule_text_of_referencing_object(tag object, char** text) {
    if (text) *text = nullptr;
    return named(
        "KX_KF_ask_rule_text_of_referencing_object", [&] { return text ? 0 : kBad2; },
        [&] {
            KBE_object_t adopted = KLINK_ask_object_to_adopt(object, nullptr, nullptr);
            if (!adopted && !(host::objects::is_alive(object) && OM_ask_class(object) == OM_CLASS_EXPRESSION))
                return kBad1;
            // The engine's texts go back whatever their number; one is the
            // answer.
            kx::host_ptr<char> copy;
            {
                engine_texts got;
                KLINK_ask_reference_object_rule_text(adopted, &got.n, &got.texts);
                if (got.n == 1 && got.texts) copy.reset(locale_copy(got.texts[0]));
            }
            if (!release_failed()) *text = copy.release();
            return 0;
        });
}

}  // extern "C"
