/* The host's attribute service: titled values attached to objects and parts.
 *
 * An object (any live object of the object store, a part included) holds
 * attributes in the order they were first assigned; a title names at most
 * one attribute of an object, and assigning a title again replaces its type
 * and value in place. Titles are 1 to ATTR_MAX_TITLE_CHARS characters
 * without control characters; strings and references are at most
 * ATTR_MAX_STRING_CHARS characters.
 *
 * Types (ATTR_value_t::type): ATTR_INTEGER, ATTR_STRING, ATTR_REAL,
 * ATTR_TIME (value.time: [0] days since 1 January 1970, [1] milliseconds of
 * the day), ATTR_NULL (no value) and ATTR_REFERENCE (a string naming
 * something else). ATTR_ANY selects every type where a type selects.
 * Strings and references handed out (read, cycle) are host blocks (SM_alloc)
 * that the receiver frees.
 *
 * Assigning, deleting and deleting all mark the owning part modified (the
 * part itself for its own attributes). Attributes are written with their
 * part into its file (section "ATTR").
 *
 * Codes raised (band 1510000): see ATTR_ERR_ below. Every function raises
 * HOST_ERR_NULL_ARGUMENT for a null output it needs.
 */
#ifndef HOST_SERVICES_ATTRIBUTES_H
#define HOST_SERVICES_ATTRIBUTES_H

#include "host/base/services/codes.h"

#define ATTR_ANY       0
#define ATTR_INTEGER   1
#define ATTR_STRING    2
#define ATTR_REAL      3
#define ATTR_TIME      4
#define ATTR_NULL      5
#define ATTR_REFERENCE 6

#define ATTR_MAX_TITLE_CHARS  50
#define ATTR_MAX_STRING_CHARS 132

#define HOST_ATTRIBUTE_CODES(X)                                                                                        \
    X(ATTR_ERR_BAD_OBJECT, 1510001, "The attribute owner does not exist") /* the tag names no live object */           \
    X(ATTR_ERR_NOT_FOUND, 1510002, "No attribute of this title and type was found")                                    \
    X(ATTR_ERR_BAD_TYPE, 1510003, "The attribute type is not valid") /* or ATTR_ANY where a type is needed */          \
    X(ATTR_ERR_EMPTY_TITLE, 1510004, "The attribute title is empty") /* or null */                                     \
    X(ATTR_ERR_BAD_INDEX, 1510009, "The attribute index is negative")                                                  \
    X(ATTR_ERR_NO_PART, 1510011, "There is no work part")                                                              \
    X(ATTR_ERR_WRONG_TYPE, 1510013, "The attribute of this title has another type")                                    \
    X(ATTR_ERR_TITLE_TOO_LONG, 1510018, "The attribute title is longer than 50 characters") /* ATTR_MAX_TITLE_CHARS */ \
    /* ATTR_MAX_STRING_CHARS */                                                                                        \
    X(ATTR_ERR_VALUE_TOO_LONG, 1510019, "The attribute string is longer than 132 characters")                          \
    X(ATTR_ERR_BAD_TITLE, 1510020, "The attribute title contains control characters")                                  \
    X(ATTR_ERR_BAD_VALUE, 1510021, "The value is not allowed for the attribute type") /* a null string, a bad time */
HOST_CODE_CONSTANTS(HOST_ATTRIBUTE_CODES);

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

typedef struct ATTR_value_s {
    int type;
    union {
        int integer;
        double real;
        char* string;
        int time[2];
        char* reference;
    } value;
} ATTR_value_t;

/* A part attribute as text: title and the value written out. */
typedef struct ATTR_part_attr_s {
    char title[ATTR_MAX_TITLE_CHARS + 1];
    char string_value[ATTR_MAX_STRING_CHARS + 1];
} ATTR_part_attr_t;

void ATTR_assign(unsigned int object, const char* title, ATTR_value_t value);
/* Deletes the attribute of the title (of the type, or of any type). */
void ATTR_delete(unsigned int object, int type, const char* title);
/* Deletes every attribute of the type (ATTR_ANY: all). */
void ATTR_delete_all(unsigned int object, int type);
/* Cycling: start with *index 0; each call answers the next attribute of the
 * type after position *index (positions count from 1) and sets *index to
 * its position; past the last one *index becomes 0 and nothing is written.
 * The title (at most ATTR_MAX_TITLE_CHARS characters and a NUL) goes into
 * title when it is not null. */
void ATTR_cycle(unsigned int object, int* index, int type, char* title, ATTR_value_t* value);
void ATTR_read_value(unsigned int object, const char* title, int type, ATTR_value_t* value);
void ATTR_count_attributes(unsigned int object, int type, int* count);
/* *result: the type of the attribute of the title (of the type selected),
 * 0 when there is none. */
void ATTR_find_attribute(unsigned int object, int type, const char* title, int* result);
/* The object that holds the part attributes of the work part (the part). */
void ATTR_ask_part_attribute(unsigned int* result);
/* The part's attributes as texts: *attrs an array of *count records (host
 * block, null when there are none). */
void ATTR_ask_part_attrs(unsigned int part, int* count, ATTR_part_attr_t** attrs);
/* The same, read from a part file without loading it; the part-file codes
 * (641xxx) are raised for a file that cannot be read. */
void ATTR_ask_part_attrs_in_file(const char* file_name, int* count, ATTR_part_attr_t** attrs);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <string>
#include <vector>

namespace host::attributes {
struct Attribute {
    std::string title;
    int type = ATTR_NULL;
    int integer = 0;
    double real = 0;
    std::string text;  // string or reference
    int time[2] = {0, 0};
};
// The object's attributes, in order (empty for none).
std::vector<Attribute> of(unsigned int object);
// The value as text, as ATTR_ask_part_attrs writes it.
std::string as_text(const Attribute& a);
}  // namespace host::attributes
#endif

#endif
