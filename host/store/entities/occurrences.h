/* Occurrences: objects that stand for another object (their prototype)
 * moved to another place.
 *
 * A part occurrence stands for one use of a component part (its prototype
 * part) in an assembly part, placed by a rotation and an origin. The
 * bodies, faces and edges of the component appear in the assembly as
 * occurrences: objects of the assembly part with the prototype's entity
 * type and subtype, flagged as occurrences (OCC_is_occurrence), each the
 * occurrence of one prototype object under one part occurrence, at the
 * part occurrence's place. OCC_find_occurrence makes an occurrence on first
 * request and answers the same one after that. An occurrence of a single
 * prototype object may also be made on its own (make_occurrence_of).
 *
 * A place is a rotation (rows X, Y, Z: the prototype's axes in the
 * occurrence's space) and an origin (where the prototype's origin lands):
 * a point p of the prototype is p.x X + p.y Y + p.z Z + origin in the
 * occurrence. The host's curve and surface queries answer an occurrence of
 * a face or edge with its prototype's geometry moved there; the kernel's
 * own routines (kernel tags: es7010_occ_ answers the prototype's) answer in
 * the prototype's space, and OCC_transform_* take such answers into the
 * occurrence. out may be the input.
 *
 * A prototype is loaded (TAG_ask_tag_loaded) while its part is fully
 * loaded: the objects of a part that is only partially loaded are not at
 * hand.
 *
 * Checks: a tag of no live object raises HOST_ERR_DEAD_TAG; an object that
 * is no occurrence where one is needed HOST_ERR_WRONG_CLASS (also
 * OCC_ask_part_occurrence for an occurrence made on its own). */
#ifndef HOST_CORE_OCCURRENCES_H
#define HOST_CORE_OCCURRENCES_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* The part occurrence an occurrence belongs to (a part occurrence answers
 * itself). */
unsigned int OCC_ask_part_occurrence(unsigned int occurrence);
/* The prototype object of an occurrence (of a part occurrence: its part);
 * 0 for an object that is no occurrence. */
unsigned int OCC_ask_prototype_of_occ(unsigned int occurrence);
/* The occurrence of the prototype under the part occurrence; 0 when the
 * prototype is no object of the part occurrence's component part. */
unsigned int OCC_find_occurrence(unsigned int part_occurrence, unsigned int prototype);
/* 1 when the object is loaded (its part fully loaded), else 0. */
int TAG_ask_tag_loaded(unsigned int object);
/* A point or direction of the prototype's space in the occurrence's, and a
 * point of the occurrence's space back in the prototype's. */
void OCC_transform_point(unsigned int occurrence, const double point[3], double out[3]);
void OCC_untransform_point(unsigned int occurrence, const double point[3], double out[3]);
void OCC_transform_direction(unsigned int occurrence, const double direction[3], double out[3]);
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

// Where an occurrence stands: its prototype, moved by rows (X, Y, Z,
// orthonormal) and origin.
struct Place {
    unsigned int prototype = 0;
    double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    double origin[3] = {0, 0, 0};
    void point(const double in[3], double out[3]) const;
    void direction(const double in[3], double out[3]) const;
};

// A part occurrence of the component in the assembly (both live parts),
// placed by rows and origin (null: the identity, the origin).
unsigned int create_part_occurrence(unsigned int assembly, unsigned int component, const double rows[9] = nullptr,
                                    const double origin[3] = nullptr);
// An occurrence in `part` of a prototype object (of its type and subtype),
// placed by rows and origin. Model state: undo takes it back.
unsigned int make_occurrence_of(unsigned int part, unsigned int prototype, const double rows[9],
                                const double origin[3]);
// The place of an occurrence whose prototype is live; null for any other
// object. No host call.
const Place* place_of(unsigned int occurrence);
// Turns an occurrence to new rows (a part occurrence with the occurrences
// made under it); false when the object is no occurrence of this table.
// Model state: undo takes it back.
bool set_rows(unsigned int occurrence, const double rows[9]);

}  // namespace host::occurrences
#endif

#endif
