// Layers and layer categories: the host's global layer masks, the work
// layer, cycling by layer, and the categories of the work part.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "kx_layer.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/display.h"
#include "host/store/entities/entity_cycle.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/parts.h"
#include "host/store/layers/layers.h"
#include "host/base/services/objects.h"

namespace {

using Mask = unsigned int[LAYER_MASK_WORDS];

constexpr int kMaxCycleLayer = 271;   // the host's own layers are cycled too
constexpr int kHostDatumLayer = 257;  // left out of the work view's layers
constexpr int kHostDraftingLayer = 260;
constexpr const char* kAllCategory = "ALL";

bool in(int v, int lo, int hi) { return v >= lo && v <= hi; }

void set_bit(unsigned int* m, int layer, bool on) {
    const unsigned int b = 1u << (layer % 32);
    if (on) m[layer / 32] |= b;
    else m[layer / 32] &= ~b;
}
bool bit(const unsigned int* m, int layer) { return (m[layer / 32] >> (layer % 32)) & 1u; }

int no_active_part() { return CONTEXT_ask_active_part_exists() ? 0 : kx::kPartNotLoaded; }

// Applies a status 2 to 4 to a layer's bits.
void apply(unsigned int* visible, unsigned int* selectable, int layer, int status) {
    set_bit(visible, layer, status == KX_LAYER_ACTIVE_LAYER || status == KX_LAYER_REFERENCE_LAYER);
    set_bit(selectable, layer, status == KX_LAYER_ACTIVE_LAYER);
}

// Reads the global masks, lets `change` edit them, writes them back and
// has the display follow.
template <class F>
void write_masks(F change) {
    Mask old{}, visible{}, selectable{};
    LAYER_ask_global_visible_mask(old);
    LAYER_ask_global_visible_mask(visible);
    LAYER_ask_global_selectable_mask(selectable);
    change(visible, selectable);
    dsp464_(visible);
    dsp466_(selectable);
    DSS_LAYER_update_global_mask(old, DSS_ask_suppress_display() == 3 ? 1 : 0);
}

void make_work_layer(int layer) { dsp461_(&layer); }

bool is_category(tag object) {
    return object != NULL_TAG && TAG_ask_pointer_of_tag(object) != nullptr &&
           ES_ask_entity_type(object) == HOST_TYPE_CATEGORY;
}

// A category name: letters, digits and . , - # / _ only, 1 to 30 of them.
bool valid_name(const std::string& name) {
    if (name.empty() || name.size() > KX_LAYER_MAX_CATEGORY_NAME) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || std::strchr(".,-#/_", c) != nullptr;
    });
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Another category of the work part already has the name.
bool name_taken(const std::string& name, tag self) {
    const tag other = ES_find_entity_from_name_dp(name.c_str(), static_cast<int>(name.size()), HOST_TYPE_CATEGORY);
    return other != NULL_TAG && other != self;
}

std::string present_name(tag category) {
    char buffer[KX_LAYER_MAX_CATEGORY_NAME] = {};
    int length = 0, named = 0;
    ES_read_entity_name(category, buffer, &length, &named);
    length = std::clamp(length, 0, KX_LAYER_MAX_CATEGORY_NAME);
    return named ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}

std::string present_description(tag category) {
    char buffer[LAYER_MAX_DESCRIPTION + 1] = {};
    int length = 0;
    es1230_(&category, buffer, &length);
    length = std::clamp(length, 0, LAYER_MAX_DESCRIPTION);
    return std::string(buffer, static_cast<std::size_t>(length));
}

// The description of a caller's text, or false when it is longer than a
// category holds (looked at no further than one character past that).
bool bounded_description(const char* text, std::size_t room, std::string& out) {
    const std::size_t n = strnlen(text, std::min<std::size_t>(room, KX_LAYER_MAX_DESCRIPTION + 1));
    if (n > KX_LAYER_MAX_DESCRIPTION) return false;
    out.assign(text, n);
    return true;
}

int edit_description(tag category, const std::string& wanted) {
    const std::string present = present_description(category);
    if (wanted.empty()) {
        if (!present.empty()) es1232_(&category);
    } else if (wanted != present) {
        const int length = static_cast<int>(wanted.size());
        es1231_(&category, wanted.c_str(), &length);
    }
    return 0;
}

void mask_of_flags(const logical* flags, unsigned int* mask) {
    std::fill(mask, mask + LAYER_MASK_WORDS, 0u);
    for (int layer = 1; layer <= KX_LAYER_MAX_LAYER; ++layer) set_bit(mask, layer, flags[layer - 1] != 0);
}

}  // namespace

KXAPI int KX_LAYER_ask_work_layer(int* layer) {
    return kx::frame(kx::no_frame, [&] {
        kx::clear(layer);
        if (int st = no_active_part()) return st;
        if (!layer) return kx::param(1);
        *layer = base_Layer_AskWork();
        return 0;
    });
}

KXAPI int KX_LAYER_ask_status(int layer, int* status) {
    return kx::frame(
        [&] {
            return kx::check({{in(layer, 1, KX_LAYER_MAX_LAYER), 1}, {status, 2}});
        },
        [&] {
            if (int st = no_active_part()) return st;
            if (layer == LAYER_ask_global_work()) {
                *status = KX_LAYER_WORK_LAYER;
                return 0;
            }
            Mask visible{}, selectable{};
            LAYER_ask_global_visible_mask(visible);
            LAYER_ask_global_selectable_mask(selectable);
            const bool v = bit(visible, layer), s = bit(selectable, layer);
            *status = v && s ? KX_LAYER_ACTIVE_LAYER : v ? KX_LAYER_REFERENCE_LAYER : KX_LAYER_INACTIVE_LAYER;
            return 0;
        });
}

KXAPI int KX_LAYER_set_status(int layer, int status) {
    return kx::frame(
        [&] {
            return kx::check({{in(layer, 1, KX_LAYER_MAX_LAYER), 1}, {in(status, 1, 4), 2}});
        },
        [&] {
            if (layer == base_Layer_AskWork()) return status <= KX_LAYER_ACTIVE_LAYER ? 0 : kx::param(2);
            if (int st = no_active_part()) return st;
            if (status == KX_LAYER_WORK_LAYER) make_work_layer(layer);
            write_masks([&](unsigned int* v, unsigned int* s) {
                if (status != KX_LAYER_WORK_LAYER) apply(v, s, layer, status);
            });
            return 0;
        });
}

KXAPI int KX_LAYER_set_all_but_work(int status) {
    return kx::frame([&] {
        if (int st = no_active_part()) return st;
        if (!in(status, 2, 4)) return kx::param(1);
        const int work = base_Layer_AskWork();
        write_masks([&](unsigned int* v, unsigned int* s) {
            for (int layer = 1; layer <= KX_LAYER_MAX_LAYER; ++layer)
                if (layer != work) apply(v, s, layer, status);
        });
        return 0;
    });
}

KXAPI int KX_LAYER_set_many_layers_status(int count, const KX_LAYER_status_info_t* layers) {
    return kx::frame([&] {
        if (int st = no_active_part()) return st;
        if (!in(count, 1, KX_LAYER_MAX_LAYER)) return kx::param(1);
        if (!layers) return kx::param(2);
        const int work = base_Layer_AskWork();
        int new_work = 0;
        bool names_work = false;
        for (int i = 0; i < count; ++i) {
            const KX_LAYER_status_info_t& p = layers[i];
            if (!in(p.layer, 1, KX_LAYER_MAX_LAYER) || !in(p.status, 1, 4)) return kx::param(2);
            if (p.status == KX_LAYER_WORK_LAYER) {
                if (new_work != 0) return kx::param(2);
                new_work = p.layer;
            }
            if (p.layer == work) names_work = true;
        }
        if (names_work && new_work == 0) return kx::param(2);
        if (new_work != 0) make_work_layer(new_work);
        write_masks([&](unsigned int* v, unsigned int* s) {
            if (new_work != 0) apply(v, s, new_work, KX_LAYER_ACTIVE_LAYER);
            for (int i = 0; i < count; ++i)
                if (layers[i].layer != new_work && layers[i].status != KX_LAYER_WORK_LAYER)
                    apply(v, s, layers[i].layer, layers[i].status);
        });
        return 0;
    });
}

KXAPI int KX_LAYER_cycle_by_layer(int layer, tag* object) {
    return kx::frame(
        [&] {
            return kx::check({{in(layer, 0, kMaxCycleLayer), 1}, {object, 2}});
        },
        [&] {
            Mask mask{};
            if (layer == 0) {
                const int sequence = DSS_VIEW_ask_work_vseq();
                dsp452_(&sequence, mask);
                set_bit(mask, kHostDatumLayer, false);
                set_bit(mask, kHostDraftingLayer, false);
            } else {
                set_bit(mask, layer, true);
            }
            ES_cycle_entities_by_layer(CONTEXT_ask_work_part(), mask, object);
            return 0;
        });
}

KXAPI int KX_LAYER_ask_category_info(tag category, KX_LAYER_category_info_t* info) {
    return kx::frame([&] {
        if (!is_category(category)) return kx::param(1);
        if (!info) return kx::param(2);
        const std::string name = present_name(category);
        std::memcpy(info->name, name.c_str(), name.size() + 1);
        const std::string descr = present_description(category);
        std::memcpy(info->descr, descr.c_str(), descr.size() + 1);
        Mask mask{};
        es1202_(&category, mask);
        for (int layer = 1; layer <= KX_LAYER_MAX_LAYER; ++layer)
            info->layer_mask[layer - 1] = bit(mask, layer) ? 1 : 0;
        return 0;
    });
}

KXAPI int KX_LAYER_ask_category_tag(const char* name, tag* category) {
    return kx::frame(
        kx::standard, kx::before_check([&] { kx::clear(category); }), [] { return 0; },
        [&] {
            if (!name || !*name) return kx::param(1);
            if (!category) return kx::param(2);
            const tag work = CONTEXT_ask_work_part();
            if (work == NULL_TAG) return kx::kPartNotLoaded;
            tag object = NULL_TAG;
            do ES_cycle_entities_by_name(work, name, &object);
            while (object != NULL_TAG && ES_ask_entity_type(object) != HOST_TYPE_CATEGORY);
            *category = object;
            return 0;
        });
}

KXAPI int KX_LAYER_edit_category_name(tag category, const char* name) {
    return kx::frame([&] {
        if (!is_category(category)) return kx::param(1);
        const std::string present = present_name(category);
        if (present == kAllCategory) return kx::param(1);
        if (!name) return kx::param(2);
        while (*name == ' ') ++name;
        // Looked at no further than one character past the longest name.
        const std::string wanted = upper(std::string(name, strnlen(name, KX_LAYER_MAX_CATEGORY_NAME + 1)));
        if (wanted == present) return 0;
        if (!valid_name(wanted) || name_taken(wanted, category)) return kx::param(2);
        int result = 0;
        ES_add_entity_name(category, wanted.c_str(), static_cast<int>(wanted.size()), &result);
        return result == 0 ? 0 : kx::param(2);
    });
}

KXAPI int KX_LAYER_edit_category_layer(tag category, const logical layer_mask[KX_LAYER_MAX_LAYER]) {
    return kx::frame([&] {
        if (!is_category(category)) return kx::param(1);
        if (!layer_mask) return kx::param(2);
        Mask mask{};
        mask_of_flags(layer_mask, mask);
        es1206_(&category, mask);
        return 0;
    });
}

KXAPI int KX_LAYER_edit_category_descr(tag category, const char* description) {
    return kx::frame([&] {
        if (!is_category(category)) return kx::param(1);
        std::string wanted;
        if (!description || !bounded_description(description, KX_LAYER_MAX_DESCRIPTION + 1, wanted))
            return kx::param(2);
        return edit_description(category, wanted);
    });
}

KXAPI int KX_LAYER_create_category(const KX_LAYER_category_info_t* info, tag* category) {
    return kx::frame(
        kx::standard, kx::on_error([&] { kx::clear(category); }), [] { return 0; },
        [&] {
            const tag root = CONTEXT_ask_root_part();
            if (root == NULL_TAG) return kx::kPartNotLoaded;
            if (!info) return kx::param(1);
            if (!category) return kx::param(2);
            // The record's fields are read within their sizes: an unterminated
            // name is too long, an unterminated description is refused as
            // setting it would be, before anything is made.
            const std::size_t n = strnlen(info->name, sizeof info->name);
            const std::string name = upper(std::string(info->name, n));
            if (n == sizeof info->name || !valid_name(name) || name_taken(name, NULL_TAG)) return kx::param(1);
            std::string descr;
            if (!bounded_description(info->descr, sizeof info->descr, descr)) return kx::param(2);
            Mask mask{};
            mask_of_flags(info->layer_mask, mask);
            // The category and its description are made as one edit: when the
            // description cannot be set, no category stays behind.
            return kx::undo_bracket(1, "Create Layer Category", [&] {
                *category = LAYER_create_category(name.c_str(), static_cast<int>(name.size()), mask);
                return edit_description(*category, descr);
            });
        });
}
