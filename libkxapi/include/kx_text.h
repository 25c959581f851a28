/* Text conversion between C strings and the host's text objects, the code
 * set and translation files.
 *
 * The text mode of the session (KX_TEXT_set_text_mode) selects how strings
 * are taken and handed back: mode 1 takes and gives the host's own
 * characters; any other mode takes strings in the caller's locale and gives
 * them back converted to it. */
#ifndef KX_TEXT_H
#define KX_TEXT_H

#include "kx_types.h"

KX_BEGIN_DECLS

/* A host text object. */
typedef struct TEXT_s* KX_TEXT_p_t;

/* The drafting service's string record: one string per text, in the host's
 * characters. Free the strings and the array with KX_free_string_array
 * (num_strings, strings). */
typedef struct KX_TEXT_jqstring_s {
    int num_strings;
    char** strings;
} KX_TEXT_jqstring_t;

/* Selects how C strings become host text objects; 0 at start and after
 * every KX_initialize. Answers 0. */
KXAPI int KX_TEXT_set_text_mode(int mode);

/* A text from a C string; a null string gives an empty text. On an error
 * the output is an empty text. The caller owns the text. */
KXAPI int KX_TEXT_convert_to_textpt(KX_TEXT_p_t* text, const char* string);
/* A C string from a text (null text: null string), at most max_size bytes
 * (-1: the whole text). Free the string with KX_free. */
KXAPI int KX_TEXT_convert_to_user(char** string, KX_TEXT_p_t text, int max_size);
/* Converts n C strings and hands them to the drafting service. */
KXAPI int KX_TEXT_cstring_to_jqstring(char** strings, KX_TEXT_jqstring_t* output, int n);
KXAPI int KX_TEXT_load_translation_file(const char* file_name);
/* The code set of the host's locale. */
KXAPI int KX_ask_codeset(int* codeset);

KX_END_DECLS

#endif
