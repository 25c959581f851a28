// Minimal drawings, views, components, sketches, groups and bodies.
#include "host/store/entities/views.h"

#include <algorithm>
#include <array>
#include <string>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/occurrences.h"
#include "host/store/parts/parts.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace host::views {
namespace {

struct View {
    tag_t drawing = 0;
    int style = 0;
    bool partial_shading = false;
};
TagTable<View>& view_table() {
    static auto* t = new TagTable<View>("views");  // lives as long as the process
    return *t;
}

struct Drawings {
    tag_t current = 0;
};
Drawings& drawings() { return model_state<Drawings>("drawings"); }

Log& lg() { return service_state<Log>("views log"); }
const bool registered = (view_table(), drawings(), lg(), true);

// For the host's own helpers, raising under their module name.
const objects::Object& of_type(const char* fn, tag_t t, int type) {
    const objects::Object* o = objects::find(t);
    if (!o) ERROR_raise(fn, 0, HOST_ERR_DEAD_TAG, "%s: tag %u is not a live object", fn, t);
    if (o->type != type) ERROR_raise(fn, 0, HOST_ERR_WRONG_CLASS, "%s: tag %u is not of type %d", fn, t, type);
    return *o;
}
tag_t current() {
    tag_t c = drawings().current;
    return objects::is_alive(c) ? c : 0;
}
std::array<int, 8> record_of(tag_t view) {
    const objects::Object& o = *objects::find(view);
    const View& v = view_table()[view];
    return {static_cast<int>(view), static_cast<int>(v.drawing), o.subtype, v.style, 0, 0, 0, 0};
}
void loop_members(const Call& call, tag_t holder, int type, ES_member_fn routine, void* data) {
    call.need(reinterpret_cast<const void*>(routine));
    call.live_of_type(holder, type);
    entity::attrs(holder);
    const std::vector<tag_t> members = entity::members_of(holder);  // the routine may edit the holder
    for (tag_t m : members) {
        if (!objects::is_alive(m)) continue;
        if (routine(m, data)) return;
    }
}

// The live members of a sketch, in order.
std::vector<tag_t> live_members(const Call& call, tag_t sketch) {
    call.live_of_type(sketch, HOST_TYPE_SKETCH);
    std::vector<tag_t> out;
    entity::attrs(sketch);
    for (tag_t m : entity::members_of(sketch))
        if (objects::is_alive(m)) out.push_back(m);
    return out;
}

}  // namespace

tag_t make_drawing(tag_t part, bool make_current) {
    tag_t d = entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_DRAWING, 0, part});
    if (make_current) drawings().current = d;
    return d;
}

tag_t make_view(tag_t drawing, int subtype, int style, bool partial_shading) {
    const objects::Object& d = of_type("host::views::make_view", drawing, HOST_TYPE_DRAWING);
    tag_t v = entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_VIEW, subtype, d.part});
    view_table()[v] = View{drawing, style, partial_shading};
    entity::add_member(drawing, v);
    return v;
}

void set_current_drawing(tag_t drawing) { drawings().current = drawing; }

Body make_body(tag_t part, int n_faces) {
    Body b;
    b.body = entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_SOLID, HOST_SUBTYPE_BODY, part});
    for (int i = 0; i < n_faces; ++i) {
        tag_t f = entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_SOLID, HOST_SUBTYPE_FACE, part});
        entity::add_member(b.body, f);
        b.faces.push_back(f);
    }
    return b;
}

tag_t make_group(tag_t part, const std::vector<tag_t>& members) {
    tag_t g = entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_GROUP, 0, part});
    for (tag_t m : members) entity::add_member(g, m);
    return g;
}

tag_t make_sketch(tag_t part, const std::vector<tag_t>& members, int state) {
    tag_t s = entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_SKETCH, 0, part});
    for (tag_t m : members) entity::add_member(s, m);
    entity::attrs(s).sketch_state = state;
    return s;
}

tag_t make_component(tag_t part) { return entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_COMPONENT, 0, part}); }

tag_t make_occurrence(tag_t part, int type, int subtype) {
    tag_t o = entity::create({OM_CLASS_RM_ENTITY, type, subtype, part});
    entity::attrs(o).occurrence = true;
    return o;
}

tag_t make_occurrence_of(tag_t part, tag_t prototype, const double rows[9], const double origin[3]) {
    return occurrences::make_occurrence_of(part, prototype, rows, origin);
}

tag_t prototype_of(tag_t occurrence) {
    const occurrences::Place* p = occurrences::place_of(occurrence);
    return p ? p->prototype : 0;
}

const Log& log() { return lg(); }

}  // namespace host::views

namespace hv = host::views;
namespace he = host::entity;

extern "C" {

unsigned int DWG_ask_current_drawing(void) {
    auto call = HOST_ENTRY();
    return static_cast<unsigned int>(call.int_out(0, hv::current()));
}

unsigned int DMV_ask_drawing_of_view(unsigned int view) {
    auto call = HOST_ENTRY(view);
    call.live_of_type(view, HOST_TYPE_VIEW);
    return hv::view_table()[view].drawing;
}

int DMV_delete_views(int count, const unsigned int* views) {
    auto call = HOST_ENTRY(count, views);
    int status;
    if (call.status(status)) return status;
    if (count > 0) call.need(views);
    const unsigned int cur = hv::current();
    for (int i = 0; i < count; ++i) {
        const host::objects::Object* o = host::objects::find(views[i]);
        if (!o || o->type != HOST_TYPE_VIEW || cur == 0 || hv::view_table()[views[i]].drawing != cur) return 0;
    }
    for (int i = 0; i < count; ++i) {
        auto& members = he::rare(cur).members;
        members.erase(std::remove(members.begin(), members.end(), views[i]), members.end());
        if (host::objects::is_alive(views[i])) host::objects::destroy(views[i]);
    }
    return 1;
}

int DWG_delete_drawing(unsigned int drawing) {
    auto call = HOST_ENTRY(drawing);
    int status;
    if (call.status(status)) return status;
    call.live_of_type(drawing, HOST_TYPE_DRAWING);
    if (drawing == hv::current()) return 1;
    he::destroy_with_dependents(drawing);
    return 0;
}

void DSS_VIEW_for_all_views(int mode, DSS_view_fn routine, void* data) {
    auto call = HOST_ENTRY(mode, data);
    call.need(reinterpret_cast<const void*>(routine));
    for (unsigned int t : host::objects::objects_of_type(HOST_TYPE_VIEW)) {
        const host::objects::Object* o = host::objects::find(t);
        if (!o || o->type != HOST_TYPE_VIEW) continue;
        const std::array<int, 8> rec = hv::record_of(t);
        if (!routine(t, data, rec.data())) return;
    }
}

void ES_ask_view_surface_data(unsigned int view, int* flag, int* other) {
    auto call = HOST_ENTRY(view, flag, other);
    call.need(flag);
    call.need(other);
    call.live_of_type(view, HOST_TYPE_VIEW);
    const hv::View& v = hv::view_table()[view];
    *flag = v.partial_shading ? 1 : 0;
    *other = v.style;
}

void DSS_REGEN_regen_objs_in_views(int n_views, const unsigned int* views, int count, const unsigned int* objects) {
    auto call = HOST_ENTRY(n_views, views, count, objects);
    if (count > 0) call.need(objects);
    std::vector<unsigned int> list;
    for (int i = 0; i < count; ++i) {
        call.live(objects[i]);
        list.push_back(objects[i]);
    }
    hv::lg().regen_in_views.push_back(std::move(list));
}

int ASSY_remove_component(unsigned int component) {
    auto call = HOST_ENTRY(component);
    int status;
    if (call.status(status)) return status;
    call.live_of_type(component, HOST_TYPE_COMPONENT);
    he::destroy_with_dependents(component);
    return 0;
}

void OCC_delete_ref_set(unsigned int refset) {
    auto call = HOST_ENTRY(refset);
    call.live_of_type(refset, HOST_TYPE_REFSET);
    he::destroy_with_dependents(refset);
}

void OCC_redraw_part_occ_and_reps(unsigned int occurrence, int mode, int reps) {
    auto call = HOST_ENTRY(occurrence, mode, reps);
    call.live(occurrence);
    hv::lg().occ_redraws.push_back(occurrence);
}

void delete_sketch_(const unsigned int* sketch, int* state) {
    auto call = HOST_ENTRY(sketch ? *sketch : 0);
    call.need(sketch);
    call.need(state);
    call.live_of_type(*sketch, HOST_TYPE_SKETCH);
    *state = he::attrs(*sketch).sketch_state;
    if (*state < 3 || *state > 5) he::destroy_with_dependents(*sketch);
}

void ES_loop_over_sketch(unsigned int sketch, int kinds, ES_member_fn routine, void* data) {
    auto call = HOST_ENTRY(sketch, kinds, data);
    hv::loop_members(call, sketch, HOST_TYPE_SKETCH, routine, data);
}

int ES_count_sketch_members(unsigned int sketch) {
    auto call = HOST_ENTRY(sketch);
    return static_cast<int>(call.int_out(0, static_cast<std::int64_t>(hv::live_members(call, sketch).size())));
}

unsigned int ES_read_sketch_member(unsigned int sketch, int n) {
    auto call = HOST_ENTRY(sketch, n);
    const std::vector<unsigned int> members = hv::live_members(call, sketch);
    if (n < 1 || n > static_cast<int>(members.size()))
        call.fail(HOST_ERR_BAD_ARGUMENT, "sketch %u has no member %d", sketch, n);
    return members[n - 1];
}

void ES_loop_over_group(unsigned int group, int depth, ES_member_fn routine, void* data) {
    auto call = HOST_ENTRY(group, depth, data);
    hv::loop_members(call, group, HOST_TYPE_GROUP, routine, data);
}

int SMSP_delete_object_jqopen(unsigned int object) {
    auto call = HOST_ENTRY(object);
    int status;
    if (call.status(status)) return status;
    call.live_of_type(object, HOST_TYPE_DRAFTING);
    he::destroy_with_dependents(object);
    return 0;
}

int SMSP_set_name_jqopen(unsigned int object, const char* name) {
    auto call = HOST_ENTRY_TEXT(name, object);
    int status;
    if (call.status(status)) return status;
    call.need(name);
    call.live_of_type(object, HOST_TYPE_DRAFTING);
    const std::string n(name);
    if (n.size() > 30) return HOST_ERR_BAD_ARGUMENT;
    host::objects::set_name(object, n);
    return 0;
}

int PX_body_ask_faces_sm(unsigned int body, int* count, unsigned int** faces) {
    auto call = HOST_ENTRY(body, count, faces);
    call.need(count);
    call.need(faces);
    const host::objects::Object& o = call.live_of_type(body, HOST_TYPE_SOLID);
    if (o.subtype != HOST_SUBTYPE_BODY) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is no body", body);
    std::vector<unsigned int> live;
    he::attrs(body);
    for (unsigned int f : he::members_of(body))
        if (host::objects::is_alive(f)) live.push_back(f);
    *count = static_cast<int>(live.size());
    *faces = nullptr;
    if (live.empty()) return 0;
    *faces = static_cast<unsigned int*>(SM_alloc(live.size() * sizeof(unsigned int)));
    std::copy(live.begin(), live.end(), *faces);
    return 0;
}

void DSS_SRF_change_face_attr(const unsigned int* faces, int count, int value) {
    auto call = HOST_ENTRY(faces, count, value);
    if (count > 0) call.need(faces);
    hv::lg().face_attr_changes.emplace_back(faces, faces + (count > 0 ? count : 0));
    hv::lg().face_attr_values.push_back(value);
}

}  // extern "C"
