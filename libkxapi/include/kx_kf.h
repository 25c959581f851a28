/* Values of the knowledge language: making them from plain data, reading
 * them back, asking their kind, walking lists, and converting between
 * model objects and knowledge instances.
 *
 * A value is a 16-byte record owned by the knowledge engine: a kind word
 * (bit 30 is an engine flag, masked away by every reader), a word of the
 * engine's, and a payload whose meaning depends on the kind:
 *    1 error     the engine's error object (first word: the error number)
 *    3 boolean   32-bit word, non-zero is true
 *    5 frame     the engine's frame data (16 doubles given and returned)
 *    6 object    the engine object that adopted a model object
 *    7 integer   signed 32-bit
 *    8 list      an engine list (NULL is the empty list)
 *   10 name      an engine name token
 *   12 number    double
 *   13 instance  an instance of a knowledge class
 *   14 point, 16 vector   three doubles
 *   15 string    a zero-terminated text (the engine's copy of the maker's text)
 *   17 user      a 32-bit word of the caller's
 *
 * Makers clear their output, check the session (1105000) and answer the
 * engine's value. Readers answer 1105004 for a value of another kind (no
 * conversion between kinds) and leave their output untouched. Pointers in
 * payloads and instance arguments are checked with the engine before they
 * are read through: an unknown or freed one gives 1105004. */
#ifndef KX_KF_H
#define KX_KF_H

#include "kx_types.h"

KX_BEGIN_DECLS

typedef struct knowledge_value_s {
    unsigned int kind;
    unsigned int engine;
    union {
        int word;
        double number;
        void* pointer;
    } payload;
} knowledge_value, *knowledge_value_p_t;

typedef struct KX_KF_list_s* KX_KF_list_p_t;         /* an engine list */
typedef struct KX_KF_instance_s* KX_KF_instance_p_t; /* an instance of a knowledge class */
typedef const struct KX_KF_name_s* KX_KF_name_t;     /* an engine name token */

/* Makers. */
KXAPI int KX_KF_make_boolean(logical value, knowledge_value_p_t* out);
KXAPI int KX_KF_make_name(KX_KF_name_t name, knowledge_value_p_t* out);
KXAPI int KX_KF_make_integer(int value, knowledge_value_p_t* out);
KXAPI int KX_KF_make_number(double value, knowledge_value_p_t* out);
KXAPI int KX_KF_make_point(const double point[3], knowledge_value_p_t* out);
KXAPI int KX_KF_make_vector(const double vector[3], knowledge_value_p_t* out);
/* The record comes from the library allocator (KX_free). */
KXAPI int KX_KF_make_frame(const double frame[16], knowledge_value_p_t* out);
/* 1105004 for an object the engine cannot adopt. */
KXAPI int KX_KF_make_tag(tag object, knowledge_value_p_t* out);
KXAPI int KX_KF_make_user(int word, knowledge_value_p_t* out);
/* 1105031 for non-ASCII text; the value holds its own copy of the text. */
KXAPI int KX_KF_make_string(const char* text, knowledge_value_p_t* out);
KXAPI int KX_KF_make_instance(KX_KF_instance_p_t instance, knowledge_value_p_t* out);
KXAPI int KX_KF_make_error(int number, knowledge_value_p_t* out);
KXAPI int KX_KF_make_list(KX_KF_list_p_t list, knowledge_value_p_t* out);

/* Readers. */
KXAPI int KX_KF_ask_boolean(const knowledge_value* value, logical* out);
KXAPI int KX_KF_ask_name(const knowledge_value* value, KX_KF_name_t* out);
KXAPI int KX_KF_ask_integer(const knowledge_value* value, int* out);
KXAPI int KX_KF_ask_number(const knowledge_value* value, double* out);
KXAPI int KX_KF_ask_point(const knowledge_value* value, double out[3]);
KXAPI int KX_KF_ask_vector(const knowledge_value* value, double out[3]);
KXAPI int KX_KF_ask_frame(const knowledge_value* value, double out[16]);
KXAPI int KX_KF_ask_tag(const knowledge_value* value, tag* out);
KXAPI int KX_KF_ask_user(const knowledge_value* value, int* out);
/* The value's own text, valid while the value lives. */
KXAPI int KX_KF_ask_string(const knowledge_value* value, char** out);
KXAPI int KX_KF_ask_error(const knowledge_value* value, int* out);
KXAPI int KX_KF_ask_instance(const knowledge_value* value, KX_KF_instance_p_t* out);
KXAPI int KX_KF_ask_list(const knowledge_value* value, KX_KF_list_p_t* out);

/* Kind (0 and 2 to 17 as they are, anything else 1) and conversions. */
KXAPI int KX_KF_ask_type(const knowledge_value* value, int* kind);
KXAPI int KX_KF_ask_jq_object(KX_KF_instance_p_t instance, tag* object);
KXAPI int KX_KF_ask_morvain_object(tag object, KX_KF_instance_p_t* instance);
KXAPI int KX_KF_ask_name_of_string(const char* text, KX_KF_name_t* name);
/* A copy of the name's text (KX_free); 3125021 for a name without text. */
KXAPI int KX_KF_ask_string_of_name(KX_KF_name_t name, char** text);

/* Lists. Records handed out come from the engine's value allocator. */
KXAPI int KX_KF_list_pop(KX_KF_list_p_t list, knowledge_value_p_t* first, KX_KF_list_p_t* rest);
KXAPI int KX_KF_list_push(KX_KF_list_p_t list, const knowledge_value* value, KX_KF_list_p_t* new_list);
/* The argument is a list value or a bare engine list. */
KXAPI int KX_KF_ask_list_count(const void* list, int* count);
KXAPI int KX_KF_count_list_items(const void* list, int* count);
/* Item index (from 1); 1105005 outside 1 to the length. */
KXAPI int KX_KF_ask_list_item(KX_KF_list_p_t list, int index, knowledge_value_p_t* item);
/* Rule index (from 1) of an instance, in name order: its name and type
 * (KX_free each) and its value. */
KXAPI int KX_KF_ask_value_of_list_item(KX_KF_instance_p_t list_object, int index, char** name, char** type,
                                       knowledge_value_p_t* item);

/* ---- Rules, classes and instances of the knowledge engine ----
 * Functions with texts out hand out caller-owned copies (KX_free; arrays
 * with KX_free_string_array) unless noted. Texts in are ASCII (1105031). */
typedef struct KX_KF_rule_s* KX_KF_rule_p_t; /* a rule of a class or instance */

/* Session, search path and directories. */
KXAPI int KX_KF_is_initialized(logical* available);
/* Prepares the part in up to seven passes: 3130024 to 3130026 for a part
 * refused, 3130027 when class files were skipped. */
KXAPI int KX_KF_init_part(tag part);
/* First on the path with the user override set, else last. */
KXAPI int KX_KF_add_search_library(const char* directory);
KXAPI int KX_KF_set_user_override(logical on);
KXAPI int KX_KF_set_user_class_dir(const char* directory, int flags);
/* The engine's own text. */
KXAPI int KX_KF_ask_user_class_dir(const char** directory);
/* Starts the request server with the three arguments; this host has none
 * and answers its code 3125020. */
KXAPI int KX_KF_start_pipeline(void* first, void* second, void* third, void** output);
KXAPI int KX_KF_ask_edit_method(void);
KXAPI int KX_KF_set_edit_method(void);

/* Classes and rule lists. Selector 0, 1 or 2 (all; any other value too). */
KXAPI int KX_KF_ask_classes(int selector, int* count, char*** names);
KXAPI int KX_KF_ask_all_classes(int* count, char*** names);
KXAPI int KX_KF_ask_ancestor_classes(const char* cls, int* count, char*** names);
KXAPI int KX_KF_ask_rules_of_class(const char* cls, int* count, char*** names);
KXAPI int KX_KF_ask_rules(const char* chain, int* count, char*** names);
KXAPI int KX_KF_ask_parameters(const char* cls, char*** names, int* count);
KXAPI int KX_KF_ask_rule_types(int* count, char*** types);

/* Rule creation and removal: the model is as before the call on failure.
 * A child rule's chain (NULL for "Root:") names the root or an instance
 * of the prepared part, else 1105005. */
KXAPI int KX_KF_create_rule(const char* chain, const char* name, const char* type, const char* formula,
                            const char* flags);
KXAPI int KX_KF_create_rule_no_update(const char* chain, const char* name, const char* type, const char* formula,
                                      const char* flags);
KXAPI int KX_KF_create_child_rule(void* engine_arg, const char* chain, const char* name, const char* cls, int n,
                                  char** names, char** values, char** result);
KXAPI int KX_KF_delete_class_rule(const char* cls, const char* rule);
KXAPI int KX_KF_delete_instance_rule(const char* chain, const char* rule);
/* NULL reverts every instance. */
KXAPI int KX_KF_revert(const char* chain);

/* Rule queries. */
KXAPI int KX_KF_ask_rule_type(KX_KF_rule_p_t rule, char** type);
KXAPI int KX_KF_ask_rule_name(KX_KF_rule_p_t rule, char** name);
KXAPI int KX_KF_ask_default_formula(KX_KF_rule_p_t rule, char** formula);
KXAPI int KX_KF_is_child_rule(KX_KF_rule_p_t rule, logical* answer);
KXAPI int KX_KF_is_parameter_rule(KX_KF_rule_p_t rule, logical* answer);
KXAPI int KX_KF_is_canonical_rule(KX_KF_rule_p_t rule, logical* answer);
KXAPI int KX_KF_is_modifiable_rule(KX_KF_rule_p_t rule, logical* answer);
KXAPI int KX_KF_is_uncached_rule(KX_KF_rule_p_t rule, logical* answer);
KXAPI int KX_KF_is_lookup_rule(KX_KF_rule_p_t rule, logical* answer);
KXAPI int KX_KF_is_hidden_rule(KX_KF_rule_p_t rule, logical* answer);
KXAPI int KX_KF_is_cached_rule(KX_KF_rule_p_t rule, logical* answer);
KXAPI int KX_KF_is_method(KX_KF_rule_p_t rule, logical* answer);
KXAPI int KX_KF_is_dynamic(KX_KF_rule_p_t rule, logical* answer);
KXAPI int KX_KF_is_child_list_rule(KX_KF_rule_p_t rule, logical* answer);

/* Queries by name chain. */
KXAPI int KX_KF_is_local(const char* chain, void* engine_arg, logical* local);
KXAPI int KX_KF_is_rule_in_class(const char* cls, const char* rule, logical* in_class);
KXAPI int KX_KF_ask_rule_of_name(const char* cls, const char* rule, KX_KF_rule_p_t* out);
KXAPI int KX_KF_ask_rule_of_instance(const char* chain, const char* rule, KX_KF_rule_p_t* out);
KXAPI int KX_KF_ask_parameter_type(const char* chain, const char* parameter, char** type);
KXAPI int KX_KF_ask_parameter_formula(const char* chain, const char* parameter, char** formula);
KXAPI int KX_KF_is_rule_computed(const char* chain, const char* rule, logical* computed);
KXAPI int KX_KF_ask_instance_class(const char* chain, char** cls);
/* 3095003 for an instance that is no item of a child list. */
KXAPI int KX_KF_ask_list_of_instance(const char* chain, KX_KF_list_p_t* list);
KXAPI int KX_KF_is_child_list_instance(const char* chain, logical* item);
/* The engine's own text. */
KXAPI int KX_KF_ask_name_chain_of_instance(KX_KF_instance_p_t instance, const char** chain);

/* Evaluation ("<instance chain><rule>") and engine memory. */
KXAPI int KX_KF_evaluate_rule(const char* chain, knowledge_value_p_t* value);
KXAPI int KX_KF_evaluate_rule_to_string(const char* chain, char** text);
KXAPI int KX_KF_free_rule_value(knowledge_value_p_t value);
KXAPI int KX_KF_free_list_object_contents(void* list_object);

/* Model objects: the instances of the objects (an array for KX_free),
 * adopting under "Root:" those not adopted yet; 1105004 for an object that
 * cannot be adopted (the message names its index from 0). */
KXAPI int KX_KF_adopt_jq_objects(const tag* objects, int n, KX_KF_instance_p_t** instances);
/* The rule that refers to a model object (an adoptable object, or an
 * expression): the rule chain of the one rule whose value was last
 * computed from the object's instance, as a text for KX_free; *text stays
 * NULL when no rule or more than one does. 1105004 for an object that is
 * neither adoptable nor an expression. */
KXAPI int KX_KF_ask_rule_text_of_referencing_object(tag object, char** text);

/* The product-data manager's user classes, user functions and folders.
 * 641049 when the session is not open, 641106 while the manager does not
 * run; the manager's failure 920001 (a folder or item it does not hold) is
 * answered as 943001, its other codes as they are. Listings are arrays for
 * KX_free_string_array (NULL when empty); `where` names a folder, NULL
 * every folder. The existence tests answer false unless the manager finds
 * the item. */
KXAPI int KX_KF_JQMGR_ask_user_dfa_classes(const char* where, int* count, char*** names);
KXAPI int KX_KF_JQMGR_ask_user_dfa_funcs(const char* where, int* count, char*** names);
KXAPI int KX_KF_JQMGR_list_user_classes_referenced(const char* name, int* count, char*** names);
KXAPI int KX_KF_JQMGR_list_user_funcs_referenced(const char* name, int* count, char*** names);
KXAPI int KX_KF_JQMGR_is_user_dfa_class_exists(const char* name, logical* exists);
KXAPI int KX_KF_JQMGR_is_user_dfa_func_exists(const char* name, logical* exists);
KXAPI int KX_KF_JQMGR_is_folder_exists(const char* folder, logical* exists);

/* Rule calls into user libraries. A formula's extension("lib", "entry",
 * args...) reaches KX_KF_invoke_kestrix_extension once a part is prepared
 * (KX_KF_init_part). The library is looked for along KX_APPLICATION_PATH
 * ("<directory>/<lib>.so", a ".dll" or ".so" in the name dropped), else
 * loaded by its name; the entry point is called as a KX_KF_user_function_t
 * with the arguments' values, their number n, and the calling instance's
 * value just past them (args[n]); the value it leaves in *result (kind and
 * payload) becomes the call's result, and none leaves the result as it
 * was. A library or entry name that is no string, or of 256 characters or
 * more, or a library that cannot be loaded gives the result an error value
 * 1105019, an entry point that cannot be found 1105020 (both with a line on
 * the host log). The dialog entry runs the function in the interface's
 * run-time environment with user-exit type 1, the plain one with type 3;
 * both put the type and environment back afterwards. */
typedef struct KX_KF_rule_invocation_arguments_s {
    int count;
    unsigned int engine;
    knowledge_value* items; /* count records: the arguments, then the library and entry names */
} KX_KF_rule_invocation_arguments_t, *KX_KF_rule_invocation_arguments_p_t;

typedef void (*KX_KF_user_function_t)(knowledge_value_p_t* args, int n, knowledge_value_p_t* result);

KXAPI void KX_KF_invoke_kestrix_extension_dialog(KX_KF_instance_p_t instance,
                                                 KX_KF_rule_invocation_arguments_p_t arguments,
                                                 knowledge_value* result);
KXAPI void KX_KF_invoke_kestrix_extension(KX_KF_instance_p_t instance, KX_KF_rule_invocation_arguments_p_t arguments,
                                          knowledge_value* result);
/* The calling instance of a user function's arguments (args[n]), as
 * KX_KF_ask_instance answers it. */
KXAPI int KX_KF_ask_instance_of_args(knowledge_value_p_t* args, int n, KX_KF_instance_p_t* instance);

KX_END_DECLS

#endif
