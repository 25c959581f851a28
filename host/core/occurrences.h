/* Occurrences of a component part in an assembly part.
 *
 * A part occurrence stands for one use of a component part (its prototype
 * part) in an assembly part. The bodies, faces and edges of the component
 * appear in the assembly as occurrences: objects of the assembly part with
 * the prototype's entity type and subtype, flagged as occurrences
 * (OCC_is_occurrence), each the occurrence of one prototype object under
 * one part occurrence. OCC_find_occurrence makes an occurrence on first
 * request and answers the same one after that.
 *
 * A prototype is loaded (TAG_ask_tag_loaded) while its part is fully
 * loaded: the objects of a part that is only partially loaded are not at
 * hand.
 *
 * Checks: a tag of no live object raises HOST_ERR_DEAD_TAG; an object that
 * is no occurrence where one is needed HOST_ERR_WRONG_CLASS. */
#ifndef HOST_CORE_OCCURRENCES_H
#define HOST_CORE_OCCURRENCES_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/export.h */

/* The part occurrence an occurrence belongs to (a part occurrence answers
 * itself). */
unsigned int OCC_ask_part_occurrence(unsigned int occurrence);
/* The prototype object of an occurrence (of a part occurrence: its part). */
unsigned int OCC_ask_prototype_of_occ(unsigned int occurrence);
/* The occurrence of the prototype under the part occurrence; 0 when the
 * prototype is no object of the part occurrence's component part. */
unsigned int OCC_find_occurrence(unsigned int part_occurrence, unsigned int prototype);
/* 1 when the object is loaded (its part fully loaded), else 0. */
int TAG_ask_tag_loaded(unsigned int object);
/* 1 when the object is a part occurrence, else 0. */
int OCC_is_part_occurrence(unsigned int object);
/* The part of a part occurrence's prototype (a part answers itself, any
 * other object its part). */
unsigned int OCC_ask_part_of_occ_part(unsigned int prototype);
/* The assembly part that holds the part occurrence. */
unsigned int OCC_ask_root_part_of_part_occ(unsigned int part_occurrence);
/* The root part occurrence of an assembly part (the part occurrence
 * standing for the assembly itself, made with its first component's
 * occurrence); 0 for a part without components. */
unsigned int OCC_ask_root_of_occ_part(unsigned int part);

#pragma GCC visibility pop
#ifdef __cplusplus
}

namespace host::occurrences {
// A part occurrence of the component in the assembly (both live parts),
// with the component's axes in the assembly (rows X, Y, Z); null rows: the
// identity.
unsigned int create_part_occurrence(unsigned int assembly, unsigned int component, const double rows[9] = nullptr);
}  // namespace host::occurrences
#endif

#endif
