/* Minimal drawings, views, components, occurrences, reference sets,
 * sketches, groups, drafting objects and solid bodies: the parts of them
 * that object deletion, naming, blanking, layers and shading touch.
 *
 * Their entity types are those of host/store/entities/entity_types.h (group, view,
 * drawing, component, reference set, solid, sketch, drafting object). A view
 * belongs to a drawing (the drawing holds it as a
 * member, so deleting the drawing deletes its views); one drawing may be
 * current. A view's record is eight 32-bit words: the view, its drawing,
 * its subtype, its display style (7: partially shaded), the rest 0.
 *
 * Loops over members: ES_loop_over_sketch and ES_loop_over_group call the
 * routine with each member and the caller's data, and stop early when the
 * routine answers true. DSS_VIEW_for_all_views calls its routine with each
 * view (in creation order), the caller's data and the view's record, and
 * goes on while the routine answers true.
 *
 * Checks: a tag of no live object raises HOST_ERR_DEAD_TAG, an object of the
 * wrong kind HOST_ERR_WRONG_CLASS, a null pointer HOST_ERR_NULL_ARGUMENT.
 */
#ifndef HOST_CORE_VIEWS_H
#define HOST_CORE_VIEWS_H

#include "host/store/entities/entity_types.h"
#include "host/store/entities/occurrences.h" /* OCC_ask_prototype_of_occ, OCC_transform_* */

#define HOST_VIEW_STYLE_PARTIALLY_SHADED 7

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

typedef unsigned char (*ES_member_fn)(unsigned int member, void* data);
typedef unsigned char (*DSS_view_fn)(unsigned int view, void* data, const int* record);

unsigned int DWG_ask_current_drawing(void); /* 0 when none */
unsigned int DMV_ask_drawing_of_view(unsigned int view);
/* Deletes the views; answers 1, or 0 (deleting none) when one of them is
 * not a view of the current drawing. */
int DMV_delete_views(int count, const unsigned int* views);
/* Answers 0, or 1 (refused) for the current drawing. */
int DWG_delete_drawing(unsigned int drawing);
void DSS_VIEW_for_all_views(int mode, DSS_view_fn routine, void* data);
/* *flag 1 when the view shades partially shaded objects; *other its
 * shading kind. */
void ES_ask_view_surface_data(unsigned int view, int* flag, int* other);
void DSS_REGEN_regen_objs_in_views(int n_views, const unsigned int* views, int count, const unsigned int* objects);

/* Occurrences of a prototype object, their prototypes and their
 * transforms: host/store/entities/occurrences.h. */
int ASSY_remove_component(unsigned int component); /* 0, the component is gone */
void OCC_delete_ref_set(unsigned int refset);
void OCC_redraw_part_occ_and_reps(unsigned int occurrence, int mode, int reps);

/* *state: the sketch's state; in states 3, 4 and 5 (being solved or
 * edited) the sketch stays, otherwise it is deleted. */
void delete_sketch_(const unsigned int* sketch, int* state);
void ES_loop_over_sketch(unsigned int sketch, int kinds, ES_member_fn routine, void* data);
/* The number of live members of a sketch, and its n-th (1 to that count;
 * another n raises HOST_ERR_BAD_ARGUMENT). */
int ES_count_sketch_members(unsigned int sketch);
unsigned int ES_read_sketch_member(unsigned int sketch, int n);
void ES_loop_over_group(unsigned int group, int depth, ES_member_fn routine, void* data);

int SMSP_delete_object_jqopen(unsigned int object); /* 0 */
/* Names a drafting object as given (case kept); 0, or HOST_ERR_BAD_ARGUMENT
 * for more than 30 characters. */
int SMSP_set_name_jqopen(unsigned int object, const char* name);

/* The faces of a body; *faces from SM_alloc (null when none). Answers 0. */
int PX_body_ask_faces_sm(unsigned int body, int* count, unsigned int** faces);
void DSS_SRF_change_face_attr(const unsigned int* faces, int count, int value);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <vector>

namespace host::views {
using tag_t = unsigned int;
// Fixture builders (no host call journalled); part 0 is the work part.
tag_t make_drawing(tag_t part, bool current);
tag_t make_view(tag_t drawing, int subtype, int style = 0, bool partial_shading = false);
void set_current_drawing(tag_t drawing);
struct Body {
    tag_t body;
    std::vector<tag_t> faces;
};
Body make_body(tag_t part, int n_faces);
tag_t make_group(tag_t part, const std::vector<tag_t>& members);
tag_t make_sketch(tag_t part, const std::vector<tag_t>& members, int state = 0);
tag_t make_component(tag_t part);
// An occurrence of the given entity type (an object flagged as occurrence).
tag_t make_occurrence(tag_t part, int type, int subtype = 0);
// An occurrence in `part` of a prototype object, placed by rows (X, Y, Z,
// orthonormal) and origin (host::occurrences::make_occurrence_of).
tag_t make_occurrence_of(tag_t part, tag_t prototype, const double rows[9], const double origin[3]);
// The prototype of an occurrence (0: none), without a host call.
tag_t prototype_of(tag_t occurrence);

// What the display side recorded.
struct Log {
    std::vector<std::vector<tag_t>> face_attr_changes;  // DSS_SRF_change_face_attr
    std::vector<int> face_attr_values;
    std::vector<std::vector<tag_t>> regen_in_views;  // DSS_REGEN_regen_objs_in_views
    std::vector<tag_t> occ_redraws;                  // OCC_redraw_part_occ_and_reps
};
const Log& log();
}  // namespace host::views
#endif

#endif
