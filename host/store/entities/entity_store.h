/* The entity store: what the host keeps about each model object beyond the
 * object store (host/base/services/objects.h): display attributes (layer,
 * colour, line font and width, blank and highlight), the name's display
 * location, the entity-store state, view dependency, flags of the modelling
 * foundation (promoted, smart, occurrence ...), face-analysis and shading
 * values, creation and modification versions, and the members of objects
 * that hold others (groups, sketches, bodies).
 *
 * Every live object has a row; it is made on first use with the creation
 * settings that apply to its entity type (host/store/entities/defaults.h). Names live
 * in the object store (Object::name), as given to ES_add_entity_name.
 *
 * Entity-store state (es0022_, rm510_): 3 is a normal, complete object;
 * other values mark objects under construction or condemned; objects that
 * are no records of the entity store (parts, expressions) answer 0.
 *
 * Entity-type properties: eprops_[type - 1] for types 1 to 255; bit 1
 * (value 2) displayable, bit 2 (value 4) may carry a matrix, bit 12 (value
 * 4096) transferable, bit 7 (value 128) may be a member of a group.
 *
 * Checks: a tag of no live object raises HOST_ERR_DEAD_TAG, a null pointer
 * that the function needs HOST_ERR_NULL_ARGUMENT.
 */
#ifndef HOST_CORE_ENTITY_STORE_H
#define HOST_CORE_ENTITY_STORE_H

#define ES_PROP_DISPLAYABLE  0x2
#define ES_PROP_MATRIX       0x4
#define ES_PROP_TRANSFERABLE 0x1000
#define ES_PROP_GROUPABLE    0x80

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

extern int eprops_[255];

/* Colour-font-width change: exactly the flagged values change. */
typedef struct ES_cfw_change_s {
    int color;
    int font;
    int width;
    int change_color;
    int change_font;
    int change_width;
} ES_cfw_change_t;

/* ---- States and flags ---- */
int es0022_(const unsigned int* object);        /* entity-store state */
int rm510_(const unsigned int* object);         /* the same, through the record manager */
int RM_ask_promoted_state(unsigned int object); /* nonzero when promoted */
int PROM_is_object_a_promotion(unsigned int object);
int SO_is_subclass(unsigned int object);    /* smart object */
int FCF_is_fcf(unsigned int object);        /* a free-form curve-feature object */
int TAG_allocated_tag(unsigned int object); /* the tag names an object of the model */
int OCC_is_occurrence(unsigned int object);
void PART_ask_tag_cre_mod_vers(unsigned int object, int* creation, int* modification);
unsigned int PART_ask_part_of_object(unsigned int object); /* 0 for none */
int PART_partially_loaded(unsigned int part);
int CONTEXT_ask_active_part_exists(void);

/* ---- Display attributes ---- */
int ES_ask_entity_layer(unsigned int object);
int ES_ask_entity_color(unsigned int object);
int ES_ask_line_width(unsigned int object);
int ES_ask_line_font(unsigned int object);
int ES_is_highlit(unsigned int object);
int ES_is_blanked(unsigned int object);
void ES_change_color_font_width(unsigned int object, const ES_cfw_change_t* change);
void ES_layer_move_entity(unsigned int object, int layer);
void ES_write_blank_status(unsigned int object, int status);
void ES_write_srfanl(unsigned int object, int value);
void ES_read_srfanl(unsigned int object, int* value);
void ES_write_shaded(unsigned int object, int value);
void ES_read_shaded(unsigned int object, int* value);
/* Line widths are shown (host::entity::set_width_display). */
int DISPLAY_is_width_display(void);
/* Batch of display changes: d7390_ opens, d7392_ closes (they nest). */
void d7390_(void);
void d7392_(void);
void SOLVIEW_mark_visibility_changed(unsigned int object, int mode);
/* Redraws one object (counted with the regenerations of host::entity). */
void gt600_(const unsigned int* object);
/* Shows every blanked object of the work part and blanks every shown one. */
void DSS_ATTR_reverse_blank(void);

/* ---- Names ---- */
/* *result 0, or 1 when the object cannot be named. */
void ES_add_entity_name(unsigned int object, const char* name, int length, int* result);
/* Copies the name's characters (not terminated) into buffer, which must hold
 * 30; *named 1 when the object has a name (else 0 and *length 0). */
void ES_read_entity_name(unsigned int object, char* buffer, int* length, int* named);
int ES_is_entity_named(unsigned int object);
void ES_remove_entity_name(unsigned int object);
/* Positions the display of the object's name (at its origin) when named. */
void at020_(const unsigned int* object);
void DSS_NAME_update_object(unsigned int object, int mode);
void ES_read_att_display_location(unsigned int object, double location[3], int* found);
void ES_edit_att_display_location(unsigned int object, const double location[3]);
/* strcmp without regard to case (ASCII letters). */
int STR_compare_i(const char* a, const char* b);

/* ---- View dependency ---- */
/* *views from SM_alloc (null when none). */
void ES_VDG_ask_all_views(unsigned int object, int* count, unsigned int** views);
void ES_VDG_remove(unsigned int object, unsigned int view);
void ES_VDG_make_dependent(unsigned int object, unsigned int view);
void ES_set_view_dependent(unsigned int object, int dependent);
int ES_is_view_dependent(unsigned int object);

/* ---- Data exchange ---- */
/* The kept object takes the other's entity type, subtype and data (data
 * tables registered with host::entity::on_replace_data). */
void RM_replace_object_data(unsigned int kept, unsigned int other);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <functional>
#include <vector>

#include "host/base/services/objects.h"

namespace host::entity {

using tag_t = unsigned int;

struct Attrs {
    // Numbers first, then flags: no room lost to alignment (a model holds a
    // row per object). The fields few objects have are in Rare.
    int layer = 1;
    int color = 7;
    int font = 1;
    int width = 0;
    int state = 3;
    int srfanl = 0;
    int shaded = 0;
    int cre_version = 1;
    int mod_version = 1;
    tag_t owner = 0;       // a face's body
    int sketch_state = 0;  // what delete_sketch_ reports
    bool blanked = false;
    bool highlighted = false;
    bool located = false;  // the name shows at Rare::location
    bool promoted = false;
    bool smart = false;
    bool fcf = false;
    bool occurrence = false;
    bool in_use = false;  // referenced by other objects: refuses deletion
    bool view_dependent = false;
};

// The fields of the entity row that few objects have, in a table of their
// own keyed by tag: a row there is made only for an object given a name
// location, a view or a member, so that the faces and edges of a body pay
// nothing for them. An object without a row has its name at the origin, no
// views and no members.
struct Rare {
    double location[3] = {0, 0, 0};
    std::vector<tag_t> views;    // views it depends on
    std::vector<tag_t> members;  // group, sketch or body members, in order
};

// The row of a live object (made with its creation settings on first use);
// raises HOST_ERR_DEAD_TAG for no live object.
Attrs& attrs(tag_t object);
// The row to read or null, without making one (nothing is recorded for
// undo: attrs records the row of a change).
const Attrs* find(tag_t object);
// The rare fields of a live object to change: made on first use, with the
// object's entity row (raises HOST_ERR_DEAD_TAG for no live object).
Rare& rare(tag_t object);
// The rare fields to read, or null (no live object, or none made for it).
const Rare* find_rare(tag_t object);
// The members of a holder, or the views of an object, to read: empty for
// none (and for no live object).
const std::vector<tag_t>& members_of(tag_t holder);
const std::vector<tag_t>& views_of(tag_t object);

// Creates an object with the creation settings of its type in force (the
// work part's colour, font and width of the type, the current default
// layer). A part of 0 puts it into the work part.
tag_t create(const objects::NewObject& request);
// Adds a member to a group, sketch or body (a face's owner is set).
void add_member(tag_t holder, tag_t member);

void set_width_display(bool on);
// Display work recorded by the host: regenerations through gt600_, display
// batches opened and closed, visibility marks, name-display updates.
struct DisplayLog {
    std::vector<tag_t> redrawn;       // gt600_
    std::vector<tag_t> visibility;    // SOLVIEW_mark_visibility_changed
    std::vector<tag_t> name_updates;  // DSS_NAME_update_object
    int batches_opened = 0;
    int batches_closed = 0;
    int batch_depth = 0;
};
const DisplayLog& display_log();

// Called by RM_replace_object_data (kept, other) so that tables of entity
// data move with it.
void on_replace_data(std::function<void(tag_t kept, tag_t other)> fn);

}  // namespace host::entity
#endif

#endif
