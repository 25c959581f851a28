// Layers: global masks, the work layer, cycling by layer, categories.
#include "host/store/layers/layers.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace host::layers {
namespace {

using Mask = std::array<unsigned int, LAYER_MASK_WORDS>;

constexpr int kHostDatumLayer = 257;
constexpr int kHostDraftingLayer = 260;

void set_bit(Mask& m, int layer, bool on) {
    const unsigned int bit = 1u << (layer % 32);
    if (on) m[layer / 32] |= bit;
    else m[layer / 32] &= ~bit;
}
bool bit(const unsigned int* m, int layer) { return (m[layer / 32] >> (layer % 32)) & 1u; }

Mask all_user_layers() {
    Mask m{};
    for (int l = 1; l <= 256; ++l) set_bit(m, l, true);
    return m;
}

struct Masks {
    bool made = false;
    Mask visible{}, selectable{};
    int work = 1;
    bool view_mask_set = false;
    Mask view{};
};
ModelValue<Masks>& masks_value() { return model_value<Masks>("layer masks"); }
const Masks& masks() {
    const Masks& m = masks_value().read();
    if (m.made) return m;
    Masks& w = masks_value().write();
    w.made = true;
    w.visible = w.selectable = all_user_layers();
    return w;
}
Masks& masks_to_change() {
    masks();
    return masks_value().write();
}

struct Category {
    Mask mask{};
    std::string description;
};
TagTable<Category>& categories() {
    static auto* t = new TagTable<Category>("layer categories");  // lives as long as the process
    return *t;
}

Log& log_st() { return service_state<Log>("layer log"); }

const bool registered = (categories(), masks_value(), log_st(), true);

const objects::Object& category(const Call& call, const unsigned int* tag) {
    call.need(tag, "the category");
    return call.live_of_type(*tag, HOST_TYPE_CATEGORY);
}

// Changes a category and marks its part modified, whole or not at all: the
// modified event may fail, and then the category and the part's modified
// state are as they were before.
template <class Change>
void change_category(unsigned int category, Change&& change) {
    const ModelSnapshot before = snapshot_model();
    try {
        change(categories()[category]);
        parts::note_change(category);
    } catch (...) {
        restore_model(before);
        throw;
    }
}

Mask user_part(const unsigned int* in) {
    Mask m{};
    for (int l = 1; l <= 256; ++l) set_bit(m, l, bit(in, l));
    return m;
}

void keep_work_layer(Masks& m) {
    set_bit(m.visible, m.work, true);
    set_bit(m.selectable, m.work, true);
}

// Part-file section "LAYC": the layers and description of each category.
// Payload: rows of objects (host/store/parts/part_file.h); a row: LAYER_MASK_WORDS
// u32 words of the mask, str description. A mask with a layer outside 1 to
// 256, a description over LAYER_MAX_DESCRIPTION characters or one holding a
// zero byte, or a row for an object that is no category, makes the file
// corrupt.
namespace pf = host::part_file;

void write_categories(pf::Writer& out, const pf::SaveContext& ctx) {
    pf::write_object_rows(out, ctx, false, [](pf::Writer& row, unsigned int object) {
        const objects::Object* o = objects::find(object);
        if (!o || o->type != HOST_TYPE_CATEGORY) return;
        const Category* c = categories().find(object);
        const Category none;
        if (!c) c = &none;
        for (unsigned int w : c->mask) row.u32(w);
        row.str(c->description);
    });
}

void read_categories(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<unsigned int, Category>> rows;
    pf::read_rows(in, ctx, {"category row", 8 + 4 * LAYER_MASK_WORDS, false}, [&](unsigned int t, pf::Reader& row) {
        const objects::Object& o = objects::require(t);
        if (o.cls != OM_CLASS_RM_ENTITY || o.type != HOST_TYPE_CATEGORY)
            throw pf::FormatError("a category row of an object that is no category");
        Category c;
        for (unsigned int& w : c.mask) w = row.u32();
        if (user_part(c.mask.data()) != c.mask) throw pf::FormatError("a category's layer outside 1 to 256");
        c.description = row.str();
        if (c.description.size() > LAYER_MAX_DESCRIPTION || c.description.find('\0') != std::string::npos)
            throw pf::FormatError("a category's description");
        rows.emplace_back(t, std::move(c));
    });
    for (auto& [t, c] : rows) categories()[t] = std::move(c);
}

const bool section_registered =
    (pf::register_section({{'L', 'A', 'Y', 'C'}, write_categories, read_categories}), true);

}  // namespace

const Log& log() { return log_st(); }

void set_work_view_mask(const unsigned int mask[LAYER_MASK_WORDS]) {
    Masks& m = masks_to_change();
    m.view_mask_set = true;
    std::copy(mask, mask + LAYER_MASK_WORDS, m.view.begin());
}

}  // namespace host::layers

namespace hl = host::layers;

extern "C" {

int base_Layer_AskWork(void) {
    auto call = HOST_ENTRY();
    return static_cast<int>(call.int_out(0, hl::masks().work));
}

int LAYER_ask_global_work(void) {
    auto call = HOST_ENTRY();
    return static_cast<int>(call.int_out(0, hl::masks().work));
}

void LAYER_ask_global_visible_mask(unsigned int mask[LAYER_MASK_WORDS]) {
    auto call = HOST_ENTRY(mask);
    call.need(mask, "the mask");
    std::copy(hl::masks().visible.begin(), hl::masks().visible.end(), mask);
}

void LAYER_ask_global_selectable_mask(unsigned int mask[LAYER_MASK_WORDS]) {
    auto call = HOST_ENTRY(mask);
    call.need(mask, "the mask");
    std::copy(hl::masks().selectable.begin(), hl::masks().selectable.end(), mask);
}

void dsp464_(const unsigned int mask[LAYER_MASK_WORDS]) {
    auto call = HOST_ENTRY(mask);
    call.need(mask, "the mask");
    hl::Masks& m = hl::masks_to_change();
    std::copy(mask, mask + LAYER_MASK_WORDS, m.visible.begin());
    hl::keep_work_layer(m);
}

void dsp466_(const unsigned int mask[LAYER_MASK_WORDS]) {
    auto call = HOST_ENTRY(mask);
    call.need(mask, "the mask");
    hl::Masks& m = hl::masks_to_change();
    std::copy(mask, mask + LAYER_MASK_WORDS, m.selectable.begin());
    hl::keep_work_layer(m);
}

void dsp461_(const int* layer) {
    auto call = HOST_ENTRY(layer ? *layer : 0);
    call.need(layer, "the layer");
    if (*layer < 1 || *layer > 256) call.fail(HOST_ERR_BAD_ARGUMENT, "layer %d", *layer);
    hl::Masks& m = hl::masks_to_change();
    m.work = *layer;
    hl::keep_work_layer(m);
}

void DSS_LAYER_update_global_mask(const unsigned int old_visible[LAYER_MASK_WORDS], int flag) {
    auto call = HOST_ENTRY(old_visible, flag);
    call.need(old_visible, "the old mask");
    ++hl::log_st().updates;
    if (flag == 1) ++hl::log_st().deferred;
}

int DSS_VIEW_ask_work_vseq(void) {
    auto call = HOST_ENTRY();
    return static_cast<int>(call.int_out(0, 1));
}

namespace host::layers {
namespace {
// The work view's mask: the one a test set, else the global visible mask
// with the host's datum and drafting layers.
Mask view_mask() {
    const Masks& m = masks();
    if (m.view_mask_set) return m.view;
    Mask v = m.visible;
    set_bit(v, kHostDatumLayer, true);
    set_bit(v, kHostDraftingLayer, true);
    return v;
}
}  // namespace
}  // namespace host::layers

void dsp452_(const int* sequence, unsigned int mask[LAYER_MASK_WORDS]) {
    auto call = HOST_ENTRY(sequence ? *sequence : 0, mask);
    call.need(sequence, "the sequence");
    call.need(mask, "the mask");
    const hl::Mask v = hl::view_mask();
    std::copy(v.begin(), v.end(), mask);
}

void dsp453_(const int* sequence, unsigned int mask[LAYER_MASK_WORDS]) {
    auto call = HOST_ENTRY(sequence ? *sequence : 0, mask);
    call.need(sequence, "the sequence");
    call.need(mask, "the mask");
    const hl::Mask v = hl::view_mask();
    std::copy(v.begin(), v.end(), mask);
}

void dsp456_(unsigned int mask[LAYER_MASK_WORDS]) {
    auto call = HOST_ENTRY(mask);
    call.need(mask, "the mask");
    std::copy(hl::masks().visible.begin(), hl::masks().visible.end(), mask);
}

void ES_cycle_entities_by_layer(unsigned int part, const unsigned int mask[LAYER_MASK_WORDS], unsigned int* object) {
    auto call = HOST_ENTRY(part, object ? *object : 0);
    call.need(mask, "the mask");
    call.need(object, "the object");
    const host::objects::Object& p = call.live(part);
    if (p.cls != OM_CLASS_PART) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is not a part", part);
    *object = host::objects::next_of_part(part, *object, [&](const host::objects::Object& o) {
        if (!OM_is_subclass(o.cls, OM_CLASS_RM_ENTITY) || o.type == HOST_TYPE_FEATURE) return false;
        if (o.type < 1 || o.type > 255 || !(eprops_[o.type - 1] & ES_PROP_DISPLAYABLE)) return false;
        const host::entity::Attrs* a = host::entity::find(o.tag);
        const int layer = a ? a->layer : ES_ask_entity_layer(o.tag);
        return layer >= 0 && layer < 32 * LAYER_MASK_WORDS && hl::bit(mask, layer);
    });
}

unsigned int LAYER_create_category(const char* name, int length, const unsigned int mask[LAYER_MASK_WORDS]) {
    auto call = HOST_ENTRY_TEXT(name, length, mask);
    call.need(name, "the name");
    call.need(mask, "the mask");
    if (length < 1 || length > 30) call.fail(HOST_ERR_BAD_ARGUMENT, "a name of %d characters", length);
    const unsigned int work = CONTEXT_ask_work_part();
    if (work == 0) call.fail(HOST_ERR_DEAD_TAG, "no work part");
    const unsigned int c = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_CATEGORY, 0, work});
    host::objects::set_name(c, std::string(name, static_cast<std::size_t>(length)));
    hl::categories()[c].mask = hl::user_part(mask);
    return c;
}

void es1202_(const unsigned int* category, unsigned int mask[LAYER_MASK_WORDS]) {
    auto call = HOST_ENTRY(category ? *category : 0, mask);
    hl::category(call, category);
    call.need(mask, "the mask");
    const hl::Category* c = hl::categories().find(*category);
    const hl::Mask m = c ? c->mask : hl::Mask{};
    std::copy(m.begin(), m.end(), mask);
}

void es1206_(const unsigned int* category, const unsigned int mask[LAYER_MASK_WORDS]) {
    auto call = HOST_ENTRY(category ? *category : 0, mask);
    hl::category(call, category);
    call.need(mask, "the mask");
    hl::change_category(*category, [&](hl::Category& c) { c.mask = hl::user_part(mask); });
}

void es1230_(const unsigned int* category, char* text, int* length) {
    auto call = HOST_ENTRY(category ? *category : 0, text, length);
    hl::category(call, category);
    call.need(text, "the text");
    call.need(length, "the length");
    const hl::Category* c = hl::categories().find(*category);
    const std::string d = c ? c->description : std::string();
    std::memcpy(text, d.data(), d.size());
    *length = static_cast<int>(d.size());
}

void es1231_(const unsigned int* category, const char* text, const int* length) {
    auto call = HOST_ENTRY_TEXT(text, category ? *category : 0, length ? *length : 0);
    hl::category(call, category);
    call.need(text, "the text");
    call.need(length, "the length");
    if (*length < 0 || *length > LAYER_MAX_DESCRIPTION)
        call.fail(HOST_ERR_BAD_ARGUMENT, "a description of %d characters", *length);
    hl::change_category(*category, [&](hl::Category& c) {
        c.description.assign(text, static_cast<std::size_t>(*length));
    });
}

void es1232_(const unsigned int* category) {
    auto call = HOST_ENTRY(category ? *category : 0);
    hl::category(call, category);
    hl::change_category(*category, [](hl::Category& c) { c.description.clear(); });
}

unsigned int ES_find_entity_from_name_dp(const char* name, int length, int type) {
    auto call = HOST_ENTRY_TEXT(name, length, type);
    call.need(name, "the name");
    if (length < 0) call.fail(HOST_ERR_BAD_ARGUMENT, "length %d", length);
    const unsigned int work = CONTEXT_ask_work_part();
    if (work == 0) return 0;
    return host::objects::next_named(work, std::string_view(name, static_cast<std::size_t>(length)), 0,
                                     [type](const host::objects::Object& o) { return o.type == type; });
}

}  // extern "C"
