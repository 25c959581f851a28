/* The host's text service: text objects, the locale's code set, translation
 * files, and the drafting service's conversion of texts into one drafting
 * string.
 *
 * A text object holds characters in the host's own encoding (UTF-8). C
 * strings come in two ways:
 *   TEXT_create_string  the bytes are the host's own characters (they must
 *                       be valid UTF-8, else HOST_ERR_BAD_ARGUMENT);
 *   TEXT_init_string    the bytes are in the locale's code set and are
 *                       converted (bytes that are not valid in the code set
 *                       become U+FFFD).
 * and go out the same two ways: TEXT_strcpy copies the host's characters,
 * TEXT_to_locale_sized converts to the locale's code set (characters the
 * code set cannot hold become '?').
 *
 * Lengths and sizes count bytes. A cut (TEXT_truncate, TEXT_to_locale_sized
 * with a maximum) never splits a character. Text objects and locale strings
 * are host blocks (SM_alloc); free them with TEXT_free and TEXT_free_locale.
 * A null text, or a pointer that is not a text object, raises
 * HOST_ERR_NULL_ARGUMENT or HOST_ERR_BAD_BLOCK.
 *
 * Translation files: lines "source<TAB>translation"; empty lines and lines
 * starting with '#' are skipped. NLM_load_translation_file answers 0,
 * NLM_ERR_OPEN when the file cannot be read or NLM_ERR_FORMAT for a line
 * without a tab (nothing of that file is then kept).
 */
#ifndef HOST_SERVICES_TEXT_H
#define HOST_SERVICES_TEXT_H

#include "host/base/services/codes.h"

/* Code sets of the locale. */
#define TEXT_CODESET_UTF8   1
#define TEXT_CODESET_LATIN1 2 /* ISO 8859-1 */

#define HOST_TEXT_CODES(X)                                                                                \
    X(NLM_ERR_OPEN, 670201, "The translation file cannot be read")                                        \
    X(NLM_ERR_FORMAT, 670202, "A line of the translation file has no tab between source and translation")
HOST_CODE_CONSTANTS(HOST_TEXT_CODES);

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

typedef struct TEXT_s* TEXT_p_t;

TEXT_p_t TEXT_create_string(const char* string);
TEXT_p_t TEXT_init_string(const char* string);
int TEXT_strlen(TEXT_p_t text);
/* 1 when every character of the text is ASCII, else 0. */
int TEXT_is_ascii(TEXT_p_t text);
/* Copies the text's characters and a NUL into buffer (TEXT_strlen + 1 bytes). */
char* TEXT_strcpy(char* buffer, TEXT_p_t text);
/* A new text of at most max_bytes bytes of the text (max_bytes >= 0). */
TEXT_p_t TEXT_truncate(TEXT_p_t text, int max_bytes);
/* The text in the locale's code set, at most max_bytes bytes (-1: all). */
char* TEXT_to_locale_sized(TEXT_p_t text, int max_bytes);
void TEXT_free_locale(char* string);
void TEXT_free(TEXT_p_t text);
/* The locale's code set; also written into *scratch when it is not null. */
int TEXT_cs_get_codeset(int* scratch);

int NLM_load_translation_file(const char* file_name);

/* The drafting service's string record: the texts, one string each, in
 * the host's characters. The strings and the array are host blocks. */
typedef struct DRF_jqstring_s {
    int num_strings;
    char** strings;
} DRF_jqstring_t;
/* Fills the record from n texts; answers 0, HOST_ERR_NULL_ARGUMENT for a
 * null record (or null texts with n > 0), HOST_ERR_BAD_ARGUMENT for n < 0. */
int DRF_textpt_to_jqstring(TEXT_p_t* texts, DRF_jqstring_t* output, int n);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <string>

namespace host::text {
void set_codeset(int codeset);  // the locale's code set (UTF-8 after a reset)
int live_texts();               // text objects not freed yet
// The translation of a source text from the loaded files, or the source.
std::string translate(const std::string& source);
}  // namespace host::text
#endif

#endif
