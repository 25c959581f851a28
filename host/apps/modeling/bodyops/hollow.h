/* Hollow features of the modelling library: a solid body made into a
 * shell of a given thickness (an expression the update follows), opened at
 * the faces of lists 1 and 2, with the faces of list 3 at thicknesses of
 * their own (taken as values when the hollow is made). Kind 3 (no list 1)
 * hollows the body closed, with a cavity inside.
 *
 * Lists are made by HOLLOW_get_list (mode 0; own 0 for faces to open, 1 for
 * faces with texts of their own) for faces of the body, and freed with
 * HOLLOW_free_list. Bodies are body objects. Answers: 0, or
 * FEAT_ERR_BAD_REFERENCE for a face of another body, FEAT_ERR_BAD_PARAMETERS
 * for a thickness that is no expression of a value above the tolerance;
 * a body that cannot be hollowed fails HOLLOW_create_frec with the kernel's
 * code and leaves the model as it was.
 */
#ifndef HOST_BODYOPS_HOLLOW_H
#define HOST_BODYOPS_HOLLOW_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

typedef struct HOLLOW_list_s HOLLOW_list_t;

/* 1 when the text is an expression of the work part whose value is above
 * the tolerance, else 0. */
int HOLLOW_is_valid_thickness(double tolerance, const char* thickness);
int HOLLOW_get_list(int mode, int own, double tolerance, unsigned int body, int count, const unsigned int faces[],
                    const char* const texts[], const char* thickness, HOLLOW_list_t** list);
void HOLLOW_free_list(HOLLOW_list_t* list);
int HOLLOW_create_frec(int kind, double tolerance, const char* thickness, unsigned int body, const HOLLOW_list_t* list1,
                       const HOLLOW_list_t* list2, const HOLLOW_list_t* list3, unsigned int* feature);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
