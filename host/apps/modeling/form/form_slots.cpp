// The host's list slots, user directions, current references and module
// root words (form_slots.h).
#include "host/apps/modeling/form/form_slots.h"

#include <array>

#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/form/form_detail.h"
#include "host/model/feature/profiles.h"
#include "host/model/feature/records.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace host::feature::form {
namespace {

struct Slots {
    int link = 0, trim = 0, thru1 = 0, thru2 = 0;
};
Slots& slots() { return service_state<Slots>("form feature list slots"); }
const bool slots_registered = (slots(), true);

struct Settings {
    double x_dir[3] = {0, 0, 0};
    int z_mode = 0, z_flag = 0;
    unsigned int face = 0, edge = 0;
    std::array<int, CM_ROOT_WORDS> root{};
};
const Settings& settings() { return model_value<Settings>("form feature settings").read(); }
Settings& change_settings() { return model_state<Settings>("form feature settings"); }
const bool settings_registered = (settings(), true);

constexpr unsigned int kDatumMark = 0x80000000u;

// The face or datum plane that a slot's list names first (0: none).
unsigned int object_in(int list) {
    if (list == 0) return 0;
    const std::vector<tag_t> entries = list_objects(list);
    if (entries.empty()) return 0;
    if (unsigned int plane = CM_ask_dplane_of_entry(static_cast<int>(entries[0]))) return plane;
    return FREF_ask_face_of_fref(entries[0]);
}

void set_slot(const Call& call, int Slots::*slot, int list) {
    if (list != 0 && list_kind(list) == 0) call.fail(HOST_ERR_BAD_ARGUMENT, "%d is not a host list", list);
    slots().*slot = list;
}

}  // namespace

unsigned int link_object() { return object_in(slots().link); }
unsigned int trim_object() { return object_in(slots().trim); }
unsigned int thru_object(int which) { return object_in(which == 1 ? slots().thru1 : slots().thru2); }

}  // namespace host::feature::form

namespace form = host::feature::form;

extern "C" {

void CM_misc_set_link_fref_list(int list) {
    auto call = HOST_ENTRY(list);
    form::set_slot(call, &form::Slots::link, list);
}
void CM_misc_set_trim_fref_list(int list) {
    auto call = HOST_ENTRY(list);
    form::set_slot(call, &form::Slots::trim, list);
}
void CM_misc_set_thru_fref_list1(int list) {
    auto call = HOST_ENTRY(list);
    form::set_slot(call, &form::Slots::thru1, list);
}
void CM_misc_set_thru_fref_list2(int list) {
    auto call = HOST_ENTRY(list);
    form::set_slot(call, &form::Slots::thru2, list);
}
int CM_misc_ask_link_fref_list(void) {
    HOST_ENTRY();
    return form::slots().link;
}
int CM_misc_ask_trim_fref_list(void) {
    HOST_ENTRY();
    return form::slots().trim;
}
int CM_misc_ask_thru_fref_list1(void) {
    HOST_ENTRY();
    return form::slots().thru1;
}
int CM_misc_ask_thru_fref_list2(void) {
    HOST_ENTRY();
    return form::slots().thru2;
}

void KI_ptinli(int list, int position, int count, int value) {
    auto call = HOST_ENTRY(list, position, count, value);
    std::vector<unsigned int> all = host::feature::list_objects(list);
    if (host::feature::list_kind(list) == 0 || count != 1 || position < 0 ||
        position > static_cast<int>(all.size()) + 1)
        call.fail(HOST_ERR_BAD_ARGUMENT, "no place %d (count %d) in list %d", position, count, list);
    if (position == 0 || position == static_cast<int>(all.size()) + 1) all.push_back(static_cast<unsigned int>(value));
    else all[static_cast<std::size_t>(position) - 1] = static_cast<unsigned int>(value);
    host::feature::detail::list_replace(call, list, std::move(all));
}

int CM_convert_tag_to_int(unsigned int tag) {
    HOST_ENTRY(tag);
    return static_cast<int>(tag);
}

unsigned int create_dplane_fref(unsigned int datum_plane) {
    auto call = HOST_ENTRY(datum_plane);
    if (call.live(datum_plane).type != 197)
        call.fail(HOST_ERR_BAD_ARGUMENT, "object %u is no datum plane", datum_plane);
    return datum_plane | form::kDatumMark;
}

unsigned int CM_ask_dplane_of_entry(int entry) {
    HOST_ENTRY(entry);
    const unsigned int v = static_cast<unsigned int>(entry);
    if (!(v & form::kDatumMark)) return 0;
    const host::objects::Object* o = host::objects::find(v & ~form::kDatumMark);
    return o && o->alive && o->type == 197 ? o->tag : 0;
}

int DATUM_ask_dplane_normal(unsigned int datum_plane, double normal[3]) {
    auto call = HOST_ENTRY(datum_plane, normal);
    call.need(normal, "the normal output");
    double point[3];
    const host::objects::Object* o = host::objects::find(datum_plane);
    if (!o || !o->alive || o->type != 197) return 0;
    return host::profiles::direction_data(datum_plane, point, normal) ? 1 : 0;
}

unsigned int DATUM_ask_target_of_dplane(unsigned int datum_plane) {
    auto call = HOST_ENTRY(datum_plane);
    return BREF_ask_current_target(call.live(datum_plane).part);
}

void BREF_set_current_bref_of_face(unsigned int face) {
    auto call = HOST_ENTRY(face);
    call.live(face);
    form::change_settings().face = face;
}
void BREF_set_current_bref_of_edge(unsigned int edge) {
    auto call = HOST_ENTRY(edge);
    call.live(edge);
    form::change_settings().edge = edge;
}
unsigned int BREF_ask_current_bref_of_face(void) {
    HOST_ENTRY();
    return form::settings().face;
}
unsigned int BREF_ask_current_bref_of_edge(void) {
    HOST_ENTRY();
    return form::settings().edge;
}

void save_users_x_dir(const double direction[3]) {
    auto call = HOST_ENTRY(direction);
    call.need(direction, "the direction");
    form::Settings& s = form::change_settings();
    for (int i = 0; i < 3; ++i) s.x_dir[i] = direction[i];
}
void save_users_z_dir(int mode, const char* flag) {
    auto call = HOST_ENTRY(mode, flag);
    call.need(flag, "the flag");
    form::Settings& s = form::change_settings();
    s.z_mode = mode;
    s.z_flag = *flag ? 1 : 0;
}
void ask_users_directions(double x_direction[3], int* z_mode, int* z_flag) {
    auto call = HOST_ENTRY(x_direction, z_mode, z_flag);
    call.need(x_direction, "the X direction output");
    call.need(z_mode, "the mode output");
    call.need(z_flag, "the flag output");
    const form::Settings& s = form::settings();
    for (int i = 0; i < 3; ++i) x_direction[i] = s.x_dir[i];
    *z_mode = s.z_mode;
    *z_flag = s.z_flag;
}

int CM_ask_module_root_word(int word) {
    auto call = HOST_ENTRY(word);
    if (word < 0 || word >= CM_ROOT_WORDS) call.fail(HOST_ERR_BAD_ARGUMENT, "no root word %d", word);
    return form::settings().root[static_cast<std::size_t>(word)];
}
void CM_set_module_root_word(int word, int value) {
    auto call = HOST_ENTRY(word, value);
    if (word < 0 || word >= CM_ROOT_WORDS) call.fail(HOST_ERR_BAD_ARGUMENT, "no root word %d", word);
    if (form::settings().root[static_cast<std::size_t>(word)] != value)
        form::change_settings().root[static_cast<std::size_t>(word)] = value;
}

}  // extern "C"
