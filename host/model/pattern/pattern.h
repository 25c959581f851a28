/* Pattern objects of the foundation library: entities of type
 * HOST_TYPE_PATTERN (subtype 0) that a part keeps with a flag word, the two
 * part-wide switches (archiving and shading) and the three default flags
 * for new patterns.
 *
 * The numbered routines take every argument by address:
 *   - pat010_ / pat020_ write the archiving / shading switch (0 or 1);
 *     pat011_ / pat021_ set it from the word given (any value other than 0
 *     counts as 1). The switches are independent here; the interface keeps
 *     shading within archiving.
 *   - es1012_ (pattern, word) reads a pattern's flag word, es1022_
 *     (pattern, word) stores it; a tag that is no pattern raises
 *     HOST_ERR_WRONG_CLASS.
 *   - the flags are bits 1, 2 and 3 of the word (bits numbered from 0, as
 *     mbtts_ and mbtst_ of host/platform/cfi/cfi.h count them).
 *   - es1001_ (position, point) makes a point of the work part at the
 *     position (model coordinates, three doubles): a pattern point.
 * The common block patern_ holds the three default flags, each 0 or 1.
 * Switches, flag words and defaults are model state (undo takes them back).
 */
#ifndef HOST_PATTERN_PATTERN_H
#define HOST_PATTERN_PATTERN_H

#define HOST_TYPE_PATTERN 10

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

void pat010_(int* on);
void pat020_(int* on);
void pat011_(const int* on);
void pat021_(const int* on);
void es1012_(const unsigned int* pattern, int* word);
void es1022_(const unsigned int* pattern, const int* word);
void es1001_(const double position[3], unsigned int* point);

/* The default flags of new patterns. */
typedef struct patern_s {
    int flags[3];
} patern_t;
extern patern_t patern_;

/* A pattern of the part with the flag word (bits 1 to 3 the flags). */
unsigned int PATTERN_create(unsigned int part, int word);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
