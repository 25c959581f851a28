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

KX_END_DECLS

#endif
