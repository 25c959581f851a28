// The link store and the update of linked bodies (host/loom/loom.h).
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/core/entity_delete.h"
#include "host/data/parts.h"
#include "host/hook.h"
#include "host/kernel/kernel.h"
#include "host/kernel/linked.h"
#include "host/loom/loom_state.h"
#include "host/model.h"
#include "host/services/error.h"
#include "host/services/memory.h"
#include "host/services/objects.h"

namespace hl = host::loom;
namespace ho = host::objects;

namespace host::loom {

const Links& links() { return model_value<Links>("links").read(); }
Links& edit_links() { return model_value<Links>("links").write(); }

const Link* find_link(tag_t link) {
    for (const Link& l : links().rows)
        if (l.link == link) return &l;
    return nullptr;
}

namespace {

const Link& require_link(const Call& call, tag_t link) {
    const Link* l = find_link(link);
    if (!l || !ho::is_alive(link)) call.fail(LOOM_ERR_NOT_A_LINK, "tag %u is no link", link);
    return *l;
}

Link& edit_link(tag_t link) {
    for (Link& l : edit_links().rows)
        if (l.link == link) return l;
    throw std::logic_error("no link");
}

// The source of a link as it stands now: its object when it is alive and
// still a body, else 0.
tag_t live_source(const Link& l) {
    if (l.source != 0 && ho::is_alive(l.source) && ES_solid_is_a_body(l.source)) return l.source;
    return 0;
}

// Finds the source again after its part was loaded anew (by the part's
// file name and the source's entity id).
tag_t resolve_source(const Link& l) {
    if (tag_t s = live_source(l)) return s;
    const tag_t part = PART_ask_part_of_filename(l.source_file.c_str());
    if (part == 0 || !host::parts::is_loaded(part)) return 0;
    const tag_t s = ho::tag_of_eid(l.source_eid, part);
    const ho::Object* o = ho::find(s);
    return o && o->part == part && ES_solid_is_a_body(s) ? s : 0;
}

// Depth of a link in the chain of links (0: its source is no linked body).
int depth(const Link& l, int guard = 0) {
    const Link* parent = find_link(l.source);
    if (!parent || guard > 64) return 0;
    return 1 + depth(*parent, guard + 1);
}

void read_xform(Link& l, const double* xform) {
    l.has_xform = xform != nullptr;
    if (xform) std::memcpy(l.xform, xform, sizeof l.xform);
}

}  // namespace

std::vector<const Link*> in_update_order() {
    std::vector<std::pair<int, const Link*>> order;
    for (const Link& l : links().rows)
        if (ho::is_alive(l.link)) order.push_back({depth(l), &l});
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<const Link*> out;
    for (const auto& [d, l] : order) out.push_back(l);
    return out;
}

std::vector<tag_t> stale_links() {
    std::vector<tag_t> stale;
    for (const Link* l : in_update_order()) {
        if (l->update_time != LOOM_UPDATE_WITH_SOURCE || l->broken) continue;
        const tag_t s = resolve_source(*l);
        if (s == 0) continue;
        const bool parent_stale = std::find(stale.begin(), stale.end(), s) != stale.end();
        if (parent_stale || kernel::body_state(kernel::entity_of(s)) != l->seen) stale.push_back(l->link);
    }
    return stale;
}

std::vector<tag_t> stale_parts() {
    std::vector<tag_t> parts;
    for (tag_t link : stale_links()) {
        const tag_t p = find_link(link)->target_part;
        if (std::find(parts.begin(), parts.end(), p) == parts.end()) parts.push_back(p);
    }
    return parts;
}

void update_links() {
    const bool delayed = links().session_delayed;
    const std::set<tag_t> logged = links().logged;
    if (!logged.empty()) edit_links().logged.clear();
    for (const Link* l : in_update_order()) {
        const tag_t link = l->link;
        if (l->update_time != LOOM_UPDATE_WITH_SOURCE || l->broken) continue;
        const tag_t part = l->target_part;
        if (part_status(part) != 0 || (delayed && logged.count(part) == 0)) continue;
        const tag_t source = resolve_source(*l);
        if (source == 0) {
            edit_link(link).broken = true;
            continue;
        }
        const int source_body = kernel::entity_of(source);
        auto state = kernel::body_state(source_body);
        if (state == l->seen) continue;
        int body = 0;
        ZQ_BODY_copy(source_body, l->has_xform ? l->xform : nullptr, kernel::entity_of(link), &body);
        Link& e = edit_link(link);
        e.seen = kernel::body_state(source_body);
        e.source = source;
        ++e.updates;
    }
}

int part_status(tag_t part) {
    const auto it = links().status.find(part);
    return it == links().status.end() ? 0 : it->second;
}

}  // namespace host::loom

namespace {
const bool registered = [] {
    host::loom::links();
    host::update_steps::add(host::loom::update_links);
    return true;
}();

// The kinds of link that this host does not keep.
[[noreturn]] void not_kept(const host::Call& call) {
    call.fail(HOST_ERR_OUT_OF_SCOPE, "this kind of link is not kept by the host");
}
}  // namespace

using namespace host::loom;

extern "C" {

int LOOM_create_linked_body(unsigned int source, const double* xform, int associative, int update_time,
                            unsigned int* link) {
    auto call = HOST_ENTRY(source, xform, associative, link);
    call.need(link, "the link output");
    const ho::Object& o = call.live(source);
    if (!ES_solid_is_a_body(source)) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is no body", source);
    const hl::tag_t part = host::parts::work_part();
    if (part == 0) call.fail(HOST_ERR_DEAD_TAG, "there is no work part");
    if (o.part == part) call.fail(LOOM_ERR_SAME_PART, "body %u lies in the work part", source);
    if (update_time != LOOM_UPDATE_WITH_SOURCE && update_time != LOOM_UPDATE_AT_CREATION)
        call.fail(LOOM_ERR_BAD_TIME, "update time %d", update_time);
    const int source_body = host::kernel::entity_of(source);
    int body = 0;
    ZQ_BODY_copy(source_body, xform, 0, &body);
    hl::Link l;
    l.link = host::kernel::object_of(body);
    l.source = source;
    l.source_part = o.part;
    if (const ho::PartInfo* info = ho::part_info(o.part)) l.source_file = info->file;
    l.source_eid = o.eid;
    l.target_part = part;
    read_xform(l, xform);
    l.associative = associative != 0;
    l.update_time = update_time;
    l.seen = host::kernel::body_state(source_body);
    hl::edit_links().rows.push_back(l);
    *link = l.link;
    return static_cast<int>(call.int_out(0, 0));
}

int LOOM_is_link_broken(unsigned int link, unsigned char* broken) {
    auto call = HOST_ENTRY(link, broken);
    call.need(broken, "the broken output");
    const hl::Link& l = require_link(call, link);
    *broken = l.broken || resolve_source(l) == 0;
    return 0;
}

int LOOM_ask_link_source(unsigned int link, unsigned int* source, unsigned int* source_part) {
    auto call = HOST_ENTRY(link, source, source_part);
    call.need(source, "the source output");
    call.need(source_part, "the source part output");
    const hl::Link& l = require_link(call, link);
    const hl::tag_t s = resolve_source(l);
    *source = s;
    *source_part = s != 0 ? ho::find(s)->part : 0;
    return 0;
}

int LOOM_ask_link_xform(unsigned int link, double xform[12]) {
    auto call = HOST_ENTRY(link, xform);
    call.need(xform, "the transform output");
    const hl::Link& l = require_link(call, link);
    static const double identity[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
    std::memcpy(xform, l.has_xform ? l.xform : identity, sizeof l.xform);
    return 0;
}

int LOOM_set_link_data(unsigned int link, unsigned int source, const double* xform, int associative) {
    auto call = HOST_ENTRY(link, source, xform, associative);
    const hl::Link& l = require_link(call, link);
    const ho::Object& o = call.live(source);
    if (!ES_solid_is_a_body(source)) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is no body", source);
    if (o.part == l.target_part) call.fail(LOOM_ERR_SAME_PART, "body %u lies in the linked part", source);
    hl::Link& e = edit_link(link);
    e.source = source;
    e.source_part = o.part;
    e.source_eid = o.eid;
    if (const ho::PartInfo* info = ho::part_info(o.part)) e.source_file = info->file;
    read_xform(e, xform);
    e.associative = associative != 0;
    e.broken = false;
    e.accept_broken = false;
    e.seen = nullptr;  // the next update copies the new source
    return 0;
}

int LOOM_ask_link_update_time(unsigned int link, int* time, int* stamp) {
    auto call = HOST_ENTRY(link, time, stamp);
    call.need(time, "the time output");
    call.need(stamp, "the stamp output");
    const hl::Link& l = require_link(call, link);
    *time = l.update_time;
    *stamp = l.updates;
    return 0;
}

int LOOM_set_link_update_time(unsigned int link, int time) {
    auto call = HOST_ENTRY(link, time);
    require_link(call, link);
    if (time != LOOM_UPDATE_WITH_SOURCE && time != LOOM_UPDATE_AT_CREATION)
        call.fail(LOOM_ERR_BAD_TIME, "update time %d", time);
    edit_link(link).update_time = time;
    return 0;
}

int LOOM_accept_link_broken(unsigned int link) {
    auto call = HOST_ENTRY(link);
    const hl::Link& l = require_link(call, link);
    if (!l.broken && resolve_source(l) != 0) call.fail(HOST_ERR_BAD_ARGUMENT, "link %u is not broken", link);
    hl::Link& e = edit_link(link);
    e.broken = true;
    e.accept_broken = true;
    return 0;
}

int LOOM_ask_link_accept_broken(unsigned int link, unsigned char* accepted) {
    auto call = HOST_ENTRY(link, accepted);
    call.need(accepted, "the accepted output");
    *accepted = require_link(call, link).accept_broken;
    return 0;
}

int LOOM_ask_linked_feature_geom(unsigned int link, unsigned int* geometry) {
    auto call = HOST_ENTRY(link, geometry);
    call.need(geometry, "the geometry output");
    *geometry = require_link(call, link).link;
    return 0;
}

// ---- Kinds of link this host does not keep ----

#define NOT_KEPT(...)                        \
    {                                        \
        auto call = HOST_ENTRY(__VA_ARGS__); \
        not_kept(call);                      \
    }

int LOOM_create_linked_datum(unsigned int source, const double*, int,
                             unsigned int*) NOT_KEPT(source) int LOOM_create_linked_sketch(unsigned int source,
                                                                                           const double*, int,
                                                                                           unsigned int*)
    NOT_KEPT(source) int LOOM_create_linked_string(const void* curves, const double*, int, unsigned int*) NOT_KEPT(
        curves) int LOOM_create_linked_face(unsigned int source, int, const unsigned int*, int, unsigned int*)
        NOT_KEPT(source) int LOOM_create_linked_curve(
            unsigned int source, int, const unsigned int*, int,
            unsigned int*) NOT_KEPT(source) int LOOM_create_linked_region(unsigned int source, int, const unsigned int*,
                                                                          int, const unsigned int*, int, int,
                                                                          const double*, int, unsigned int*)
            NOT_KEPT(source) int LOOM_create_linked_mirror(
                unsigned int source, unsigned int, int,
                unsigned int*) NOT_KEPT(source) int LOOM_create_linked_route_port(unsigned int source, const double*,
                                                                                  int, unsigned int*)
                NOT_KEPT(source) int LOOM_create_linked_route_segment(
                    unsigned int source, const double*, int, int,
                    unsigned int*) NOT_KEPT(source) int LOOM_create_linked_pt_point(unsigned int source, const double*,
                                                                                    int, unsigned int*)
                    NOT_KEPT(source) int LOOM_create_linked_pt_curve(
                        unsigned int source, double, const double*, int,
                        unsigned int*) NOT_KEPT(source) int LOOM_create_linked_pt_center(unsigned int source,
                                                                                         const double*, int,
                                                                                         unsigned int*)
                        NOT_KEPT(source) int LOOM_create_linked_pt_angle(
                            unsigned int source, double, const double*, int,
                            unsigned int*) NOT_KEPT(source) int LOOM_create_linked_part(unsigned int source_part,
                                                                                        const double*, int,
                                                                                        unsigned int*)
                            NOT_KEPT(source_part) int LOOM_ask_link_region_sources(
                                unsigned int link, int*, unsigned int**, int*, unsigned int**, int*, int*,
                                unsigned int*) NOT_KEPT(link) int LOOM_set_link_region_data(unsigned int link,
                                                                                            unsigned int, int,
                                                                                            const unsigned int*, int,
                                                                                            const unsigned int*, int,
                                                                                            int, const double*)
                                NOT_KEPT(link) int LOOM_ask_link_mirror_data(
                                    unsigned int link, unsigned int*, unsigned int*, int*, double*,
                                    unsigned int*) NOT_KEPT(link) int LOOM_set_link_mirror_data(unsigned int link,
                                                                                                unsigned int,
                                                                                                unsigned int, int,
                                                                                                const double*,
                                                                                                unsigned int)
                                    NOT_KEPT(link) int LOOM_set_linked_pt_point(
                                        unsigned int link, unsigned int,
                                        const double*) NOT_KEPT(link) int LOOM_set_linked_pt_curve(unsigned int link,
                                                                                                   unsigned int, double,
                                                                                                   const double*)
                                        NOT_KEPT(link) int LOOM_set_linked_pt_center(unsigned int link, unsigned int,
                                                                                     const double*)
                                            NOT_KEPT(link) int LOOM_set_linked_pt_angle(unsigned int link, unsigned int,
                                                                                        double, const double*)
                                                NOT_KEPT(link) int LOOM_ask_linked_pt_curve_prm(unsigned int link,
                                                                                                double*)
                                                    NOT_KEPT(link) int LOOM_ask_linked_pt_angle(unsigned int link,
                                                                                                double*)
                                                        NOT_KEPT(link) int LOOM_ask_linked_feature_map(
                                                            unsigned int link, int*, unsigned int**, unsigned int**,
                                                            int)
                                                            NOT_KEPT(link) int LOOM_map_source_to_link_geom(
                                                                unsigned int link, unsigned int, unsigned int*)
                                                                NOT_KEPT(link) int LOOM_map_link_geom_to_source(
                                                                    unsigned int link, unsigned int, unsigned int*,
                                                                    unsigned int*)
                                                                    NOT_KEPT(link) int LOOM_copy_component_as(
                                                                        unsigned int component, const char*, int,
                                                                        const double*, const double*, unsigned int*,
                                                                        const char*, unsigned int*)
                                                                        NOT_KEPT(component) int LOOM_copy_attributes(
                                                                            unsigned int link) NOT_KEPT(link)

#undef NOT_KEPT

}  // extern "C"
