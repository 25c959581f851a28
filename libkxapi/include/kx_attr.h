/* Attributes: titled values attached to objects and parts. */
#ifndef KX_ATTR_H
#define KX_ATTR_H

#include "kx_types.h"

/* Attribute types; KX_ATTR_any selects every type where a type selects. */
#define KX_ATTR_any       0
#define KX_ATTR_integer   1
#define KX_ATTR_string    2
#define KX_ATTR_real      3
#define KX_ATTR_time      4 /* value.time: [0] days since 1 January 1970, [1] milliseconds of the day */
#define KX_ATTR_null      5
#define KX_ATTR_reference 6

/* Titles hold 1 to KX_ATTR_MAX_TITLE_LEN characters (a title buffer
 * KX_ATTR_MAX_TITLE_LEN + 1 bytes); strings and references at most
 * KX_ATTR_MAX_STRING_LEN. */
#define KX_ATTR_MAX_TITLE_LEN  50
#define KX_ATTR_MAX_STRING_LEN 132

/* A value. Strings and references that the library hands out are the
 * caller's to free with KX_free. */
typedef struct attribute_value_s {
    int type;
    union {
        int integer;
        double real;
        char* string;
        int time[2];
        char* reference;
    } value;
} attribute_value;

/* A part attribute as text. */
typedef struct KX_ATTR_part_attr_s {
    char title[KX_ATTR_MAX_TITLE_LEN + 1];
    char string_value[KX_ATTR_MAX_STRING_LEN + 1];
} KX_ATTR_part_attr_t;

KX_BEGIN_DECLS

KXAPI int KX_ATTR_assign(tag object, const char* title, attribute_value value);
KXAPI int KX_ATTR_delete(tag object, int type, const char* title);
KXAPI int KX_ATTR_delete_all(tag object, int type);
/* Start with *index 0; stop when it comes back 0. title: a buffer of
 * KX_ATTR_MAX_TITLE_LEN + 1 bytes. */
KXAPI int KX_ATTR_cycle(tag object, int* index, int type, char* title, attribute_value* value);
KXAPI int KX_ATTR_read_value(tag object, const char* title, int type, attribute_value* value);
KXAPI int KX_ATTR_count_attributes(tag object, int type, int* count);
/* *title_type: the type of the attribute of the title, 0 when none. */
KXAPI int KX_ATTR_find_attribute(tag object, int type, const char* title, int* title_type);
KXAPI int KX_ATTR_ask_part_attribute(tag* part_attr);
/* *attributes: *count records, the caller's to free with KX_free. */
KXAPI int KX_ATTR_ask_part_attrs(tag part, int* count, KX_ATTR_part_attr_t** attributes);
KXAPI int KX_ATTR_ask_part_attrs_in_file(const char* part_name, int* count, KX_ATTR_part_attr_t** attributes);

KX_END_DECLS

#endif
