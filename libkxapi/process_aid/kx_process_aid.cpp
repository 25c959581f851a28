// Process-aid objects: argument checks and the set-kind filters in front of
// the modelling library's routines (host/apps/modeling/process_aid/process_aid.h).
#include "kx_process_aid.h"

#include <algorithm>
#include <array>
#include <utility>

#include "host/model/feature/feature.h"
#include "host/apps/modeling/process_aid/process_aid.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/modl/kx_modl_query.h"

namespace {

constexpr std::array<int, 4> kParentKinds = {0x100, 0x200, 0x400, 0x4000000};
constexpr std::array<int, 18> kChildrenKinds = {0x1,      0x2,      0x4,      0x8,       0x10,      0x20,
                                                0x40,     0x80,     0x100,    0x40000,   0x80000,   0x100000,
                                                0x200000, 0x400000, 0x800000, 0x1000000, 0x2000000, 0x4000000};
constexpr int kLastMask = 0x7FFFFFF;

// A query that hands out host blocks: the host routines fill the outputs one
// by one and make an array (a text each) per output, so a host error half
// way leaves some outputs set and some blocks made. On a failure every
// block made since the call's mark goes back and the outputs are cleared:
// the caller is handed nothing. Refusals that the host answers as a status
// (an object of no datum ...) make nothing and leave the outputs alone.
template <class Check, class Work, class... Out>
int handing_out(const kx::Opts& opts, Check&& check, Work&& work, Out*... outputs) {
    kx::FailureMemory memory;
    return kx::frame(
        opts, kx::on_error([&] {
            memory.release();
            kx::clear(outputs...);
        }),
        std::forward<Check>(check), [&] {
            memory.set();
            return work();
        });
}

template <std::size_t N>
int set_of_kind(tag set, const std::array<int, N>& kinds) {
    const int kind = PROCESS_AID__ask_feat_type_of_set(set);
    return std::find(kinds.begin(), kinds.end(), kind) != kinds.end() ? 0 : kx::param(1);
}

}  // namespace

KXAPI int KX_PROCESS_AID_ask_link_objects(tag object, int* n_links, tag** links) {
    return handing_out(
        kx::arm_first,
        [&] {
            return kx::check({{object != NULL_TAG, 1}, {n_links, 2}, {links, 3}});
        },
        [&] { return PROCESS_AID_ask_link_objects(object, n_links, links); }, n_links, links);
}

KXAPI int KX_PROCESS_AID_ask_source_object(tag object, tag* datum, tag* source, int* kind) {
    return kx::frame(
        kx::arm_first,
        [&] {
            return kx::check({{object != NULL_TAG, 1}, {datum, 2}, {source, 3}, {kind, 4}});
        },
        [&] { return PROCESS_AID_ask_source_object(object, datum, source, kind); });
}

KXAPI int KX_PROCESS_AID_ask_datums_in_part(tag part, int kind_mask, tag** datums) {
    return handing_out(
        kx::arm_first,
        [&] {
            return kx::check({{part != NULL_TAG, 1}, {kind_mask >= 1 && kind_mask <= kLastMask, 2}, {datums, 3}});
        },
        [&] { return PROCESS_AID_ask_datums_in_part(part, kind_mask, datums); }, datums);
}

KXAPI int KX_PROCESS_AID_ask_datum_objects(tag datum, tag* source, int* n_links, tag** links, tag* section,
                                                      int* kind, int* n_titles, char*** titles) {
    return handing_out(
        kx::standard,
        [&] {
            return kx::check({{datum != NULL_TAG, 1},
                              {source, 2},
                              {n_links, 3},
                              {links, 4},
                              {section, 5},
                              {kind, 6},
                              {n_titles, 7},
                              {titles, 8}});
        },
        [&] { return PROCESS_AID_ask_datum_objects(datum, source, n_links, links, section, kind, n_titles, titles); },
        source, n_links, links, section, kind, n_titles, titles);
}

KXAPI int KX_PROCESS_AID_ask_section_of_datum(tag datum, tag* section, double point[3]) {
    return kx::frame(
        [&] {
            return kx::check({{datum != NULL_TAG, 1}, {section, 2}, {point, 3}});
        },
        [&] { return PROCESS_AID_ask_section_of_datum(datum, section, point); });
}

KXAPI int KX_PROCESS_AID_populate_attr_list(tag datum, int* n_titles, char*** titles) {
    return handing_out(
        kx::standard,
        [&] {
            return kx::check({{datum != NULL_TAG, 1}, {n_titles, 2}, {titles, 3}});
        },
        [&] { return PROCESS_AID_populate_attr_list(datum, n_titles, titles); }, n_titles, titles);
}

// The set's kind is asked under the frame, so that a host error on the way
// comes back as the status.
KXAPI int KX_PROCESS_AID_ask_parent_feature(tag set, tag* parent) {
    return kx::frame(
        [&] {
            return kx::check({{set != NULL_TAG, 1}, {parent, 2}});
        },
        [&] {
            if (int st = set_of_kind(set, kParentKinds)) return st;
            return PROCESS_AID_ask_parent_feature(set, parent);
        });
}

KXAPI int KX_PROCESS_AID_ask_children_features(tag set, int* n_children, tag** children) {
    return handing_out(
        kx::standard,
        [&] {
            return kx::check({{set != NULL_TAG, 1}, {n_children, 2}, {children, 3}});
        },
        [&] {
            if (int st = set_of_kind(set, kChildrenKinds)) return st;
            return PROCESS_AID_ask_children_features(set, n_children, children);
        },
        n_children, children);
}

KXAPI int KX_PROCESS_AID_is_datum_object(tag object, int search_links, int* set_kind, tag* feature) {
    return kx::frame(
        [&] {
            return kx::check({{object != NULL_TAG, 1}, {set_kind, 3}, {feature, 4}});
        },
        [&] {
            int st = WELD_is_object_weld_or_datum(0, object, search_links, feature);
            if (st != 0 || *feature == NULL_TAG) return st;
            // The feature's type name, as the feature type query gives it.
            if (!kx::modl::is_feature(*feature)) return static_cast<int>(KX_MODL_ERR_NOT_A_FEATURE);
            kx::host_ptr<char> name(FREC_ask_feature_type(*feature));
            if (!name.get()) return 0;
            return PROCESS_AID__ask_feat_set_type(name.get(), set_kind);
        });
}
