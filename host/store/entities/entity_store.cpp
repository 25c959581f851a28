// The entity store: display attributes, names, states and view dependency.
#include "host/store/entities/entity_store.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>

#include "host/store/entities/defaults.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/parts.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

int make_props(int type) {
    auto in = [type](std::initializer_list<int> types) {
        return std::find(types.begin(), types.end(), type) != types.end();
    };
    int p = 0;
    if (in({HOST_TYPE_POINT, HOST_TYPE_LINE, HOST_TYPE_ARC, HOST_TYPE_CONIC, HOST_TYPE_SPLINE, HOST_TYPE_BOUNDARY, 25,
            HOST_TYPE_CSYS, HOST_TYPE_COMPONENT, HOST_TYPE_SOLID, HOST_TYPE_SKETCH, HOST_TYPE_FACETED,
            HOST_TYPE_DRAFTING}))
        p |= ES_PROP_DISPLAYABLE;
    if (in({HOST_TYPE_ARC, HOST_TYPE_CONIC, HOST_TYPE_CSYS, HOST_TYPE_COMPONENT})) p |= ES_PROP_MATRIX;
    if (in({HOST_TYPE_POINT, HOST_TYPE_LINE, HOST_TYPE_ARC, HOST_TYPE_CONIC, HOST_TYPE_SPLINE, HOST_TYPE_BOUNDARY, 25,
            HOST_TYPE_CSYS, HOST_TYPE_SOLID, HOST_TYPE_SKETCH}))
        p |= ES_PROP_TRANSFERABLE;
    if (in({HOST_TYPE_POINT, HOST_TYPE_LINE, HOST_TYPE_ARC, HOST_TYPE_CONIC, HOST_TYPE_SPLINE, HOST_TYPE_BOUNDARY,
            HOST_TYPE_GROUP, HOST_TYPE_CSYS, HOST_TYPE_PLANE, HOST_TYPE_COMPONENT, HOST_TYPE_SOLID, HOST_TYPE_SKETCH,
            HOST_TYPE_FACETED, HOST_TYPE_DRAFTING, HOST_TYPE_DATUM_AXIS, HOST_TYPE_DATUM_PLANE}))
        p |= ES_PROP_GROUPABLE;
    return p;
}

}  // namespace

int eprops_[255] = {};  // C linkage from the declaration in the header

namespace host::entity {
namespace {

Attrs initial(tag_t object);

TagTable<Attrs>& table() {
    static auto* t = new TagTable<Attrs>("entity attributes");  // lives as long as the process
    return *t;
}
TagTable<Rare>& rare_table() {
    static auto* t = new TagTable<Rare>("entity rare attributes");  // lives as long as the process
    return *t;
}

DisplayLog& dlog() {
    static DisplayLog d;
    return d;
}
bool& width_display() {
    static bool on = true;
    return on;
}
std::vector<std::function<void(tag_t, tag_t)>>& replace_listeners() {
    static std::vector<std::function<void(tag_t, tag_t)>> list;
    return list;
}

const bool registered = [] {
    for (int t = 1; t <= 255; ++t) eprops_[t - 1] = make_props(t);
    table();
    rare_table();
    register_service_reset("entity display", [] {
        dlog() = DisplayLog{};
        width_display() = true;
    });
    return true;
}();

Attrs& row(const Call& call, tag_t t) {
    call.live(t);
    return attrs(t);
}
// The row of a live object to read (its creation settings when it has none
// yet; nothing is recorded).
Attrs row_read(const Call& call, tag_t t) {
    call.live(t);
    if (const Attrs* a = table().find(t)) return *a;
    return initial(t);
}
// The row of an object that the caller is about to change.
Attrs& changed_row(const Call& call, tag_t t) {
    Attrs& a = row(call, t);
    parts::note_change(t);
    return a;
}

// The entity-store state; objects that are no records of the entity store
// (parts, expressions) answer 0.
int store_state(const Call& call, tag_t t) {
    const objects::Object& o = call.live(t);
    const bool record = OM_is_subclass(o.cls, OM_CLASS_RM_ENTITY) || OM_is_subclass(o.cls, OM_CLASS_OCC_LW) ||
                        o.cls == OM_CLASS_FEATURE;
    return record ? row_read(call, t).state : 0;
}

// The two Fortran-style entries that answer the entity-store state (or what
// a test scripted).
int state_entry(const Call& call, const unsigned int* object) {
    call.need(object);
    return static_cast<int>(call.int_out(0, store_state(call, *object)));
}

// The entries that answer one field of a live object's row: a number, or 1
// and 0 for a flag.
template <class T>
int field_entry(const Call& call, tag_t object, T Attrs::*field) {
    return static_cast<int>(row_read(call, object).*field);
}

}  // namespace

const Attrs* find(tag_t object) { return objects::is_alive(object) ? table().find(object) : nullptr; }

Attrs& attrs(tag_t object) {
    Call(__func__, nullptr).live(object);  // the C++ interface checks in its own name
    if (Attrs* a = table().edit(object)) return *a;
    return table()[object] = initial(object);
}

Rare& rare(tag_t object) {
    attrs(object);  // the entity row holds the object's place in a saved part
    if (Rare* r = rare_table().edit(object)) return *r;
    return rare_table()[object];
}

const Rare* find_rare(tag_t object) { return objects::is_alive(object) ? rare_table().find(object) : nullptr; }

const std::vector<tag_t>& members_of(tag_t holder) {
    static const std::vector<tag_t> none;
    const Rare* r = find_rare(holder);
    return r ? r->members : none;
}

const std::vector<tag_t>& views_of(tag_t object) {
    static const std::vector<tag_t> none;
    const Rare* r = find_rare(object);
    return r ? r->views : none;
}

namespace {
Attrs initial(tag_t object) {
    const objects::Object& o = objects::require(object);
    Attrs a;
    const defaults::Display d = defaults::for_new_object(o.part, o.type, o.subtype);
    a.color = d.color;
    a.font = d.font;
    a.width = d.width;
    a.layer = defaults::general().layer;
    a.occurrence = o.cls == OM_CLASS_OCC_LW;
    return a;
}
}  // namespace

tag_t create(const objects::NewObject& request) {
    objects::NewObject s = request;
    if (s.part == 0) s.part = CONTEXT_ask_work_part();
    tag_t t = objects::create(s);
    attrs(t);
    return t;
}

void add_member(tag_t holder, tag_t member) {
    rare(holder).members.push_back(member);
    if (objects::require(holder).type == HOST_TYPE_SOLID) attrs(member).owner = holder;
}

void set_width_display(bool on) { width_display() = on; }
const DisplayLog& display_log() { return dlog(); }
void on_replace_data(std::function<void(tag_t, tag_t)> fn) { replace_listeners().push_back(std::move(fn)); }

}  // namespace host::entity

namespace he = host::entity;

extern "C" {

// ---- States and flags ----------------------------------------------------

int es0022_(const unsigned int* object) {
    auto call = HOST_ENTRY(object ? *object : 0);
    return he::state_entry(call, object);
}

int rm510_(const unsigned int* object) {
    auto call = HOST_ENTRY(object ? *object : 0);
    return he::state_entry(call, object);
}

int RM_ask_promoted_state(unsigned int object) {
    auto call = HOST_ENTRY(object);
    return he::field_entry(call, object, &he::Attrs::promoted);
}

int PROM_is_object_a_promotion(unsigned int object) {
    auto call = HOST_ENTRY(object);
    return he::field_entry(call, object, &he::Attrs::promoted);
}

int SO_is_subclass(unsigned int object) {
    auto call = HOST_ENTRY(object);
    return he::field_entry(call, object, &he::Attrs::smart);
}

int FCF_is_fcf(unsigned int object) {
    auto call = HOST_ENTRY(object);
    return he::field_entry(call, object, &he::Attrs::fcf);
}

int TAG_allocated_tag(unsigned int object) {
    HOST_ENTRY(object);
    return host::objects::is_alive(object) ? 1 : 0;
}

int OCC_is_occurrence(unsigned int object) {
    HOST_ENTRY(object);
    const host::objects::Object* o = host::objects::find(object);
    if (!o) return 0;
    return o->cls == OM_CLASS_OCC_LW || he::attrs(object).occurrence ? 1 : 0;
}

void PART_ask_tag_cre_mod_vers(unsigned int object, int* creation, int* modification) {
    auto call = HOST_ENTRY(object, creation, modification);
    call.need(creation);
    call.need(modification);
    const he::Attrs& a = he::row(call, object);
    *creation = a.cre_version;
    *modification = a.mod_version;
}

unsigned int PART_ask_part_of_object(unsigned int object) {
    auto call = HOST_ENTRY(object);
    const host::objects::Object& o = call.live(object);
    return o.cls == OM_CLASS_PART ? o.tag : o.part;
}

int PART_partially_loaded(unsigned int part) {
    auto call = HOST_ENTRY(part);
    return static_cast<int>(call.int_out(0, host::parts::load_state(part) == PART_PARTIALLY_LOADED ? 1 : 0));
}

int CONTEXT_ask_active_part_exists(void) {
    auto call = HOST_ENTRY();
    return static_cast<int>(call.int_out(0, host::parts::work_part() != 0 ? 1 : 0));
}

// ---- Display attributes --------------------------------------------------

int ES_ask_entity_layer(unsigned int object) {
    auto call = HOST_ENTRY(object);
    return he::field_entry(call, object, &he::Attrs::layer);
}

int ES_ask_entity_color(unsigned int object) {
    auto call = HOST_ENTRY(object);
    return he::field_entry(call, object, &he::Attrs::color);
}

int ES_ask_line_width(unsigned int object) {
    auto call = HOST_ENTRY(object);
    return he::field_entry(call, object, &he::Attrs::width);
}

int ES_ask_line_font(unsigned int object) {
    auto call = HOST_ENTRY(object);
    return he::field_entry(call, object, &he::Attrs::font);
}

int ES_is_highlit(unsigned int object) {
    auto call = HOST_ENTRY(object);
    return he::field_entry(call, object, &he::Attrs::highlighted);
}

int ES_is_blanked(unsigned int object) {
    auto call = HOST_ENTRY(object);
    return he::field_entry(call, object, &he::Attrs::blanked);
}

void ES_change_color_font_width(unsigned int object, const ES_cfw_change_t* change) {
    auto call = HOST_ENTRY(object, change);
    call.need(change);
    he::Attrs& a = he::changed_row(call, object);
    if (change->change_color) a.color = change->color;
    if (change->change_font) a.font = change->font;
    if (change->change_width) a.width = change->width;
}

void ES_layer_move_entity(unsigned int object, int layer) {
    auto call = HOST_ENTRY(object, layer);
    if (layer < 1 || layer > 256) call.fail(HOST_ERR_BAD_ARGUMENT, "layer %d", layer);
    he::changed_row(call, object).layer = layer;
}

void ES_write_blank_status(unsigned int object, int status) {
    auto call = HOST_ENTRY(object, status);
    he::changed_row(call, object).blanked = status != 0;
}

void ES_write_srfanl(unsigned int object, int value) {
    auto call = HOST_ENTRY(object, value);
    he::changed_row(call, object).srfanl = value;
}

void ES_read_srfanl(unsigned int object, int* value) {
    auto call = HOST_ENTRY(object, value);
    call.need(value);
    const host::objects::Object& o = call.live(object);
    if (o.type != HOST_TYPE_SOLID) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is not a solid", object);
    *value = he::attrs(object).srfanl;
}

void ES_write_shaded(unsigned int object, int value) {
    auto call = HOST_ENTRY(object, value);
    he::changed_row(call, object).shaded = value;
}

void ES_read_shaded(unsigned int object, int* value) {
    auto call = HOST_ENTRY(object, value);
    call.need(value);
    *value = he::row(call, object).shaded;
}

int DISPLAY_is_width_display(void) {
    HOST_ENTRY();
    return he::width_display() ? 1 : 0;
}

void d7390_(void) {
    HOST_ENTRY();
    ++he::dlog().batches_opened;
    ++he::dlog().batch_depth;
}

void d7392_(void) {
    auto call = HOST_ENTRY();
    ++he::dlog().batches_closed;
    if (he::dlog().batch_depth == 0) {
        ERROR_note(call.name(), 0, "display batch closed that was not open");
        return;
    }
    --he::dlog().batch_depth;
}

void SOLVIEW_mark_visibility_changed(unsigned int object, int mode) {
    auto call = HOST_ENTRY(object, mode);
    call.live(object);
    he::dlog().visibility.push_back(object);
}

void gt600_(const unsigned int* object) {
    auto call = HOST_ENTRY(object ? *object : 0);
    call.need(object);
    call.live(*object);
    he::dlog().redrawn.push_back(*object);
}

void DSS_ATTR_reverse_blank(void) {
    HOST_ENTRY();
    const unsigned int part = host::parts::work_part();
    for (unsigned int t : host::objects::objects_of_part(part)) {
        const host::objects::Object* o = host::objects::find(t);
        if (!o || !OM_is_subclass(o->cls, OM_CLASS_RM_ENTITY)) continue;
        if (o->type < 1 || o->type > 255 || !(eprops_[o->type - 1] & ES_PROP_DISPLAYABLE)) continue;
        he::Attrs& a = he::attrs(t);
        a.blanked = !a.blanked;
        host::parts::note_change(t);
    }
}

// ---- Names ---------------------------------------------------------------

void ES_add_entity_name(unsigned int object, const char* name, int length, int* result) {
    auto call = HOST_ENTRY_TEXT(name, object, length);
    call.need(name);
    call.need(result);
    const host::objects::Object& o = call.live(object);
    if (length < 0 || length > 30 || o.cls == OM_CLASS_PART) {
        *result = 1;
        return;
    }
    host::objects::set_name(object, std::string_view(name, static_cast<std::size_t>(length)));
    if (length == 0) he::attrs(object).located = false;
    host::parts::note_change(object);
    *result = 0;
}

void ES_read_entity_name(unsigned int object, char* buffer, int* length, int* named) {
    auto call = HOST_ENTRY(object, buffer, length, named);
    call.need(buffer);
    call.need(length);
    call.need(named);
    const host::objects::Object& o = call.live(object);
    const std::size_t n = std::min<std::size_t>(o.name.size(), 30);
    std::memcpy(buffer, o.name.data(), n);
    *length = static_cast<int>(n);
    *named = n > 0 ? 1 : 0;
}

int ES_is_entity_named(unsigned int object) {
    auto call = HOST_ENTRY(object);
    return call.live(object).name.empty() ? 0 : 1;
}

void ES_remove_entity_name(unsigned int object) {
    auto call = HOST_ENTRY(object);
    call.live(object);
    host::objects::set_name(object, {});
    he::attrs(object).located = false;
    host::parts::note_change(object);
}

void at020_(const unsigned int* object) {
    auto call = HOST_ENTRY(object ? *object : 0);
    call.need(object);
    const host::objects::Object& o = call.live(*object);
    he::Attrs& a = he::attrs(*object);
    if (o.name.empty()) {
        a.located = false;
    } else if (!a.located) {
        a.located = true;
        if (he::find_rare(*object)) {
            double* at = he::rare(*object).location;
            at[0] = at[1] = at[2] = 0.0;
        }
    }
}

void DSS_NAME_update_object(unsigned int object, int mode) {
    auto call = HOST_ENTRY(object, mode);
    call.live(object);
    he::dlog().name_updates.push_back(object);
}

void ES_read_att_display_location(unsigned int object, double location[3], int* found) {
    auto call = HOST_ENTRY(object, location, found);
    call.need(location);
    call.need(found);
    const host::objects::Object& o = call.live(object);
    const he::Attrs& a = he::attrs(object);
    *found = !o.name.empty() && a.located ? 1 : 0;
    if (*found) {
        const he::Rare* r = he::find_rare(object);
        for (int i = 0; i < 3; ++i) location[i] = r ? r->location[i] : 0.0;
    }
}

void ES_edit_att_display_location(unsigned int object, const double location[3]) {
    auto call = HOST_ENTRY(object, location);
    call.need(location);
    he::Attrs& a = he::changed_row(call, object);
    if (!a.located) call.fail(HOST_ERR_BAD_ARGUMENT, "tag %u shows no name", object);
    double* at = he::rare(object).location;
    for (int i = 0; i < 3; ++i) at[i] = location[i];
}

int STR_compare_i(const char* a, const char* b) {
    auto call = HOST_ENTRY(a, b);
    call.need(a);
    call.need(b);
    for (;; ++a, ++b) {
        const int ca = std::tolower(static_cast<unsigned char>(*a));
        const int cb = std::tolower(static_cast<unsigned char>(*b));
        if (ca != cb || ca == 0) return ca - cb;
    }
}

// ---- View dependency -------------------------------------------------------

void ES_VDG_ask_all_views(unsigned int object, int* count, unsigned int** views) {
    auto call = HOST_ENTRY(object, count, views);
    call.need(count);
    call.need(views);
    he::row(call, object);
    const std::vector<unsigned int>& all = he::views_of(object);
    *count = static_cast<int>(all.size());
    *views = nullptr;
    if (all.empty()) return;
    *views = static_cast<unsigned int*>(SM_alloc(all.size() * sizeof(unsigned int)));
    std::copy(all.begin(), all.end(), *views);
}

void ES_VDG_remove(unsigned int object, unsigned int view) {
    auto call = HOST_ENTRY(object, view);
    he::changed_row(call, object);
    if (!he::find_rare(object)) return;  // no views
    auto& v = he::rare(object).views;
    v.erase(std::remove(v.begin(), v.end(), view), v.end());
}

void ES_VDG_make_dependent(unsigned int object, unsigned int view) {
    auto call = HOST_ENTRY(object, view);
    call.live(view);
    he::changed_row(call, object);
    auto& v = he::rare(object).views;
    if (std::find(v.begin(), v.end(), view) == v.end()) v.push_back(view);
}

void ES_set_view_dependent(unsigned int object, int dependent) {
    auto call = HOST_ENTRY(object, dependent);
    he::changed_row(call, object).view_dependent = dependent != 0;
}

int ES_is_view_dependent(unsigned int object) {
    auto call = HOST_ENTRY(object);
    return he::field_entry(call, object, &he::Attrs::view_dependent);
}

// ---- Data exchange ---------------------------------------------------------

void RM_replace_object_data(unsigned int kept, unsigned int other) {
    auto call = HOST_ENTRY(kept, other);
    call.live(kept);
    const host::objects::Object& o = call.live(other);
    host::objects::set_type(kept, o.type, o.subtype);
    ++he::attrs(kept).mod_version;
    for (auto& fn : he::replace_listeners()) fn(kept, other);
    host::parts::note_change(kept);
}

}  // extern "C"
