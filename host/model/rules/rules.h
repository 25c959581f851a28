/* The host's knowledge engine: classes of rules read from class files,
 * instances of those classes addressed by name chains from "Root:", rules
 * whose formulas the engine evaluates on demand and caches, model objects
 * adopted as instances, and the typed values the language computes with.
 *
 * Values. A value is a 16-byte record {kind word, engine word, payload}.
 * The kind is the low part of the kind word (bit 30 is an engine flag that
 * readers mask away with KBL_KIND_MASK). Payloads: an error object, a
 * 32-bit boolean, frame data (16 doubles), an adopted object, a 32-bit
 * integer, a list, a name token, a double, an instance, three doubles
 * (point, vector), a text, a 32-bit user word. Everything a payload points
 * at (texts, doubles, lists, error objects) is held by the engine until the
 * host is reset, so copies of a record stay readable; the records that the
 * value allocator hands out are the engine's and go back with
 * KBL_free_value.
 *
 * Lists are chains of cells shared between lists (a push makes one cell in
 * front of the old list, a pop answers the rest). NULL is the empty list. A
 * cell starts with a word that no value kind word has, so that a bare list
 * is never taken for a value.
 *
 * Engine objects (instances, adopted model objects, error objects, lists,
 * the temporary value objects) are known to the engine: KBE_is_known tells
 * whether a pointer is one that is still alive, before anything reads
 * through it, and KBE_ask_object_class its class (KBE_CLASS_...). Objects
 * of the engine's classes but error objects (whose first word is their
 * number) begin with their 16-bit class number.
 *
 * Class files: "<class>.kcl" in a directory of the search path or the
 * user class directory, holding one Lua table constructor:
 *     { ancestors = { "base" },
 *       rules = {
 *         width = { type = "number", flags = "parameter modifiable", formula = "20" },
 *         area  = { type = "number", formula = "width * height" },
 *         hole  = { type = "child", class = "hole", params = { d = "width / 4" } },
 *         holes = { type = "child list", class = "hole", count = "3" },
 *       } }
 * Flags: parameter, modifiable, canonical, uncached, lookup, hidden, method.
 * A formula is a Lua expression over the instance's rules (by name), its
 * children (as instances: hole.d), `parent`, and the functions point,
 * vector, frame, name, error, user, model, extension. Formulas run in a
 * sandbox without io, os, package, debug or load, under an instruction
 * limit and a memory limit; a formula that fails to compile, raises, reads
 * its own rule through a cycle or runs past a limit gives an error value.
 *
 * Instances: "Root:" of the part prepared last (KBL_init_part); a child
 * rule makes the child instance "<parent chain><rule>:". A rule is
 * evaluated by the chain "<instance chain><rule>" ("Root:b:area").
 *
 * Caching: a cached rule keeps its value and the rules it read; editing a
 * rule (a dynamic rule, a revert) clears the values of the rules that read
 * it, and theirs, and no others. The trace (host::rules::trace) has a line
 * "evaluate <chain>" for each formula run.
 */
#ifndef HOST_RULES_RULES_H
#define HOST_RULES_RULES_H

#include "host/base/services/codes.h"

#include <stdint.h>

/* Value kinds. */
#define KBL_KIND_ERROR    1
#define KBL_KIND_BOOLEAN  3
#define KBL_KIND_FRAME    5
#define KBL_KIND_OBJECT   6
#define KBL_KIND_INTEGER  7
#define KBL_KIND_LIST     8
#define KBL_KIND_NAME     10
#define KBL_KIND_NUMBER   12
#define KBL_KIND_INSTANCE 13
#define KBL_KIND_POINT    14
#define KBL_KIND_STRING   15
#define KBL_KIND_VECTOR   16
#define KBL_KIND_USER     17
#define KBL_KIND_FLAG     0x40000000u
#define KBL_KIND_MASK     0xBFFFFFFFu

/* Classes of the engine's objects (the first 16-bit word of each). */
#define KBE_CLASS_INSTANCE       0x4b01 /* an instance of a knowledge class */
#define KBE_CLASS_FRAME_VALUE    0x4b02 /* a temporary frame object */
#define KBE_CLASS_INSTANCE_VALUE 0x4b03 /* a temporary object standing for an instance */
#define KBE_CLASS_ADOPTED        0x4b04 /* a model object adopted by the engine */
#define KBE_CLASS_ERROR          0x4b05 /* an error object */
#define KBE_CLASS_LIST           0x4b06 /* a list cell */
#define KBE_CLASS_DATA           0x4b07 /* the doubles of a point, vector or frame value */

/* Engine codes. */
#define HOST_RULE_CODES(X)                                                              \
    X(KBL_ERR_NO_INSTANCE, 3125001) /* no instance has that name chain */               \
    X(KBL_ERR_NO_RULE, 3125002) /* the instance or class has no rule of that name */    \
    X(KBL_ERR_CLASS_FILE, 3125003) /* a class file cannot be read */                    \
    X(KBL_ERR_NO_CLASS, 3125004) /* no class of that name */                            \
    X(KBL_ERR_BAD_RULE, 3125005) /* a rule's type, flags or name is not accepted */     \
    X(KBL_WARN_SKIPPED_FILES, 3125006) /* prepared, but class files were skipped */     \
    X(KBL_ERR_FORMULA, 3125010) /* a formula does not compile */                        \
    X(KBL_ERR_RAISED, 3125011) /* a formula raised an error */                          \
    X(KBL_ERR_CYCLE, 3125012) /* a rule reads itself through other rules */             \
    X(KBL_ERR_LIMIT, 3125013) /* a formula ran past the instruction or memory limit */  \
    X(KBL_ERR_EMPTY_LIST, 3125014) /* pop from an empty list */                         \
    X(KBL_ERR_NOT_MODIFIABLE, 3125015) /* the rule may not be changed on an instance */ \
    X(KBL_ERR_NO_EXTENSION, 3125016) /* no library invocation is registered */          \
    X(KBL_ERR_TYPE, 3125017) /* the value is not of the rule's type */                  \
    X(KBL_ERR_UNKNOWN, 3125018) /* a pointer that is no live engine object */           \
    X(KBL_ERR_NO_PART, 3125019) /* no part is prepared */                               \
    X(KBL_ERR_NO_SERVER, 3125020) /* the request server is not available */
HOST_BARE_CODE_CONSTANTS(HOST_RULE_CODES);

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

struct TEXT_s;
typedef struct TEXT_s* TEXT_p_t;

typedef struct KBL_value_s {
    uint32_t kind;
    uint32_t engine;
    union {
        int32_t word; /* boolean, integer, user */
        double number;
        void* pointer;
        const char* text;
        const double* doubles; /* point, vector, frame */
    } payload;
} KBL_value_t;

typedef struct KBL_list_cell_s* KBL_list_t;
typedef struct KBL_instance_s* KBL_instance_t;
typedef struct KBL_rule_s* KBL_rule_t;
typedef const struct KBL_name_s* KBL_name_t;
typedef struct KBE_object_s* KBE_object_t;

/* An error object: its first word is the error number. */
typedef struct KBL_error_s {
    int32_t number;
    uint16_t cls; /* KBE_CLASS_ERROR */
    const char* message;
} KBL_error_t;

/* The value-service table. */
typedef struct KBE_dfk_table_s {
    /* A new value of the kind from the input at the address: int32 for
     * booleans, integers and user words, a double, three or sixteen
     * doubles, a text (copied), a name token, a pointer for the others. */
    KBL_value_t* (*create_value)(int kind, const void* input);
    void (*copy_value)(const KBL_value_t* from, KBL_value_t* to);
    KBL_value_t* (*allocate_value)(void);
    KBL_error_t* (*make_error)(int number);
    /* The first item into *first; answers the rest. An empty list raises
     * KBL_ERR_EMPTY_LIST. */
    KBL_list_t (*list_pop)(KBL_list_t list, KBL_value_t* first);
    KBL_list_t (*list_push)(KBL_list_t list, const KBL_value_t* item, int flags);
} KBE_dfk_table_t;

const KBE_dfk_table_t* KBE_ask_dfk_table(void);
/* True when the pointer is a live object of the engine (instance, adopted
 * object, error object, list cell, temporary value object). */
int KBE_is_known(const void* object);
/* The class number of a live engine object; 0 for any other pointer. */
int KBE_ask_object_class(const void* object);

/* Name tokens: one per text, alive for the process. */
KBL_name_t DFK_ask_token(const char* text);
/* The token's text; NULL for a token without text (the empty token). */
const char* DFK_ask_string(KBL_name_t name);

/* Temporary value objects. */
KBE_object_t KBE_create_frame_object(unsigned int part, const double frame[16]);
KBE_object_t KBE_create_instance_object(unsigned int part, KBL_instance_t instance);
/* The object of a value in the part: a frame value gives a frame object. */
KBE_object_t DFK_create_value(unsigned int part, const KBL_value_t* value);
/* The value that the object stands for, into *out. */
void DFK_convert_value(KBE_object_t object, KBL_value_t* out);
void KBE_ask_frame_of_object(KBE_object_t object, double frame[16]);
void KBE_delete_object(KBE_object_t object);

/* Adoption of model objects. */
KBE_object_t KLINK_ask_object_to_adopt(unsigned int object, const int* types, const int* subtypes);
/* The model object of an adopted object or of an instance (0: none). */
unsigned int KLINK_ask_external_jq_object(const void* object);
KBL_instance_t KLINK_ask_object_instance(KBE_object_t adopted);
/* Adopts the objects as instances under the chain; answers 0 or a code. */
int KLINK_ui_adopt_objects(int n, const KBE_object_t* objects, const char* chain);
/* Type and subtype filters of adoptable objects (arrays ended by -1). */
void KLINK_ask_adoptable_types_and_subtypes(const int** types, const int** subtypes);
/* The rules that refer to an adopted object: the rule chains
 * ("Root:total") of the rules whose values were last computed from a rule
 * of the object's instance, sorted. *texts is an array of host texts (both
 * host blocks: TEXT_free each, SM_free the array; none for no rule). No
 * object, or one not adopted as an instance, has none. Answers 0. */
int KLINK_ask_reference_object_rule_text(KBE_object_t object, int* count, TEXT_p_t** texts);

/* Lists. */
int KBL_count_list_items(const KBL_value_t* list_value);
void KBL__list_length(KBL_list_t list, int* length);
/* Item index (from 1) of the list; NULL past the end. */
const KBL_value_t* KBL__list_nth(int index, KBL_list_t list);
/* The name and type texts of item `index` (from 1) of an instance's list
 * rule or a list value, and its value. Texts are host texts (TEXT_free). */
int KBL_ask_value_of_list_item(const void* list_object, int index, struct TEXT_s** name, struct TEXT_s** type,
                               KBL_value_t** value);

/* The engine's information-message service: a line on the trace. */
void KBL_display_info_message(const char* text);
/* The request server is not part of this host: the call is noted on the
 * trace ("request server not available"), *output is cleared and the answer
 * is KBL_ERR_NO_SERVER. */
int KBE_run_corba_server(void* first, void* second, void* third, int flags, void** output);

/* Part preparation: one pass; answers 0 when the part is ready. */
int KBL_init_part(int pass, unsigned int part, int* status);
int KBL_is_kernel_available(void);

/* Search path and class directories (NULL-terminated text arrays). */
/* A copy of the path: the texts and the array are host blocks (SM_free). */
char** KBL_ask_library_search_path(void);
int KBL_set_library_search_path(char** directories);
void KBL_set_user_override(int on);
int KBL_is_user_override(void);
int KBL_activate_user_class_dir(const char* directory, int flags);
const char* KBL_ask_user_class_dir(void);

/* Rules and instances. */
int KBL_create_dynamic_rule(const char* chain, const char* name, const char* type, const char* formula,
                            const char* flags);
int KBL_delete_instance_rule(const char* chain, const char* rule);
int KBL_revert(int n, const char* const* chains, int flags);
/* A child rule of the class on the instance, with parameter formulas; the
 * new child's chain (held by the engine) in *created. */
int KBL_create_child_rule(void* engine_arg, const char* chain, const char* name, const char* cls, int n, char** names,
                          char** values, char** created);
/* A child rule of the class on the instance, with parameter formulas; the
 * new child's chain (held by the engine) in *created. */
int KBL_create_child_rule(void* engine_arg, const char* chain, const char* name, const char* cls, int n, char** names,
                          char** values, char** created);
KBL_rule_t KBL_ask_rule_of_instance(const char* chain, const char* rule);
KBL_rule_t KBL_ask_rule_of_name(const char* cls, const char* rule);
const char* KBL_ask_rule_type(KBL_rule_t rule);
const char* KBL_ask_rule_name(KBL_rule_t rule);
const char* KBL_ask_default_formula(KBL_rule_t rule);
const char* KBL_ask_instance_class(const char* chain);
/* Rule predicates: 1 or 0. */
int KBL_is_child_rule(KBL_rule_t rule);
int KBL_is_parameter_rule(KBL_rule_t rule);
int KBL_is_canonical_rule(KBL_rule_t rule);
int KBL_is_modifiable_rule(KBL_rule_t rule);
int KBL_is_uncached_rule(KBL_rule_t rule);
int KBL_is_lookup_rule(KBL_rule_t rule);
int KBL_is_hidden_rule(KBL_rule_t rule);
int KBL_is_cached_rule(KBL_rule_t rule);
int KBL_is_method(KBL_rule_t rule);
int KBL_is_dynamic(KBL_rule_t rule);
int KBL_is_child_list_rule(KBL_rule_t rule);
/* Listings: count and an array of host texts (the array and each text are
 * host blocks: TEXT_free each, SM_free the array; no array for none).
 * Classes: selector 0 those of class files, 1 the built-in ones, other
 * values all. Component classes are the ancestors, nearest first. */
int KBL_ask_all_classes(int selector, int* count, TEXT_p_t** names);
int KBL_ask_component_classes(const char* cls, int* count, TEXT_p_t** names);
int KBL_ask_rules_of_class(const char* cls, int* count, TEXT_p_t** names);
int KBL_ask_parameters(const char* cls, TEXT_p_t** names, int* count);
int KBL_ask_dynamic_rules(const char* chain, int* count, TEXT_p_t** names);
int KBL_ask_rule_types(int* count, TEXT_p_t** types);
int KBL_is_rule_in_class(const char* cls, const char* rule);
/* 1 when the rule chain names a rule made on the instance itself. */
int KBL_is_local(const char* chain, void* engine_arg);
/* The formula of a parameter rule of the instance (held by the engine). */
const char* KBL_ask_param_formula(const char* chain, const char* parameter);
/* Evaluates a rule chain into a host text of its value. */
int KBL_evaluate_rule(const char* chain, TEXT_p_t* text);
/* Items of child-list rules: whether the chain names one, and the list it
 * belongs to (NULL for another instance). */
int KBL_is_child_list_instance(const char* chain);
KBL_list_t KBL_ask_list_of_instance(const char* chain);
/* The prepared part when the chain names an instance, else 0. */
unsigned int KBL_ask_part_from_name_chain_tol(const char* chain);
/* Removes a rule of a loaded class; the instances that used it lose it. */
int KBL_delete_class_rule(const char* cls, const char* rule);
/* Lists and their items are the engine's until the reset: nothing to do. */
void KBL_free_list_object_contents(void* list_object);
int KBL_is_rule_computed(const char* chain, const char* rule);
/* Evaluates "<instance chain><rule>" into a new value record (*out). */
int KBL_evaluate_rule_to_value(const char* chain, KBL_value_t** out);
void KBL_free_value(KBL_value_t* value);
KBL_instance_t KBL_ask_instance(const char* chain);
/* The instance's name chain ("Root:b:"), held by the engine. */
const char* KBL_ask_name_chain_of_instance(KBL_instance_t instance);

/* Library calls from formulas: extension("lib", "entry", args...) hands the
 * arguments (the call's, then the library and entry names as strings) to
 * the registered invocation, which fills the result record. */
typedef struct KBL_invocation_args_s {
    int count;
    uint32_t engine;
    KBL_value_t* items;
} KBL_invocation_args_t;
typedef void (*KBL_invoke_fn)(KBL_instance_t instance, KBL_invocation_args_t* args, KBL_value_t* result);
void KBL_register_invocation(KBL_invoke_fn invoke);
/* Item `position` (from 1) of the arguments. */
const KBL_value_t* KBL_ask_invocation_argument(KBL_instance_t instance, const KBL_invocation_args_t* args,
                                               int position);
void KBL_free_invocation_arguments(KBL_invocation_args_t* args, int flags);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <string>
#include <vector>

namespace host::rules {
// Lines of the trace since the last reset or clear.
const std::vector<std::string>& trace();
void clear_trace();
// Lines of the trace that start with `prefix`.
int trace_count(const std::string& prefix);
// Instructions a formula may run; 0 restores the default.
void set_instruction_limit(long limit);
// Reads class text as a class file would be read (the class-file reader
// alone); answers 0 or KBL_ERR_CLASS_FILE.
int read_class_text(const std::string& name, const std::string& text);
}  // namespace host::rules
#endif

#endif
