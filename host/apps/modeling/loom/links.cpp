// The link store, the routines of links and the update of linked geometry
// (host/apps/modeling/loom/loom.h).
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/store/entities/entity_delete.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/profiles.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/linked.h"
#include "host/apps/modeling/loom/loom_state.h"
#include "host/base/model.h"
#include "host/store/attributes/attributes.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

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

const Link& require_kind(const Call& call, tag_t link, Kind kind) {
    const Link& l = require_link(call, link);
    if (l.kind != kind) call.fail(LOOM_ERR_WRONG_KIND, "link %u is not of the kind the routine takes", link);
    return l;
}

Link& edit_link(tag_t link) {
    for (Link& l : edit_links().rows)
        if (l.link == link) return l;
    throw std::logic_error("no link");
}

// The body object of a face or edge object (0 for another object).
tag_t body_of_object(tag_t object) {
    const int e = kernel::entity_of(object);
    const int b = e ? kernel::body_of(e) : 0;
    return b && b != e ? kernel::object_of(b) : 0;
}

// The link p makes the object s (its linked object, one of the objects it
// holds, or a face or edge of one of its bodies).
bool makes(const Link& p, tag_t s) {
    if (s == 0) return false;
    const tag_t body = body_of_object(s);
    for (tag_t t : {s, body})
        if (t != 0 && (p.link == t || std::find(p.made.begin(), p.made.end(), t) != p.made.end())) return true;
    return false;
}

// The links whose geometry the link copies.
std::vector<const Link*> parents(const Link& l) {
    std::vector<const Link*> out;
    for (tag_t s : sources_of(l))
        for (const Link& p : links().rows)
            if (&p != &l && makes(p, s) && std::find(out.begin(), out.end(), &p) == out.end()) out.push_back(&p);
    return out;
}

// Depths of links in the chains of links (0: it copies no linked
// geometry), each worked out once; a link met again while its own depth is
// being worked out (links copying each other) counts 0.
class Depths {
public:
    int of(const Link& l) {
        const auto [it, fresh] = depth_.emplace(&l, -1);
        if (!fresh) return std::max(it->second, 0);
        int d = 0;
        for (const Link* p : parents(l)) d = std::max(d, 1 + of(*p));
        depth_[&l] = d;
        return d;
    }

private:
    std::map<const Link*, int> depth_;
};

void read_xform(Link& l, const double* xform) {
    l.has_xform = xform != nullptr;
    if (xform) std::memcpy(l.xform, xform, sizeof l.xform);
}

void set_source(Link& l, tag_t source) {
    const Ref r = ref_of(source);
    const ho::Object& o = ho::require(source);
    l.source = source;
    l.source_part = l.kind == Kind::part ? source : o.part;
    l.source_file = r.file;
    l.source_eid = l.kind == Kind::part ? 0 : r.eid;
}

}  // namespace

std::vector<const Link*> in_update_order() {
    std::vector<std::pair<int, const Link*>> order;
    Depths depths;
    for (const Link& l : links().rows)
        if (ho::is_alive(l.link)) order.push_back({depths.of(l), &l});
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<const Link*> out;
    for (const auto& [d, l] : order) out.push_back(l);
    return out;
}

// A link that the update brings up to date: associative, updated with its
// source and not broken. The others keep what they were made with.
namespace {
bool follows(const Link& l) { return l.associative && l.update_time == LOOM_UPDATE_WITH_SOURCE && !l.broken; }
}  // namespace

std::vector<tag_t> stale_links() {
    std::vector<tag_t> stale;
    for (const Link* l : in_update_order()) {
        if (!follows(*l)) continue;
        if (resolve_source(*l) == 0) continue;
        bool parent_stale = false;
        for (const Link* p : parents(*l))
            if (std::find(stale.begin(), stale.end(), p->link) != stale.end()) parent_stale = true;
        if (parent_stale || seen_now(*l) != l->seen) stale.push_back(l->link);
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
    std::vector<tag_t> order;
    for (const Link* l : in_update_order()) order.push_back(l->link);
    for (const tag_t link : order) {
        const Link* l = find_link(link);
        if (!l || !follows(*l)) continue;
        const tag_t part = l->target_part;
        if (part_status(part) != 0 || (delayed && logged.count(part) == 0)) continue;
        const tag_t source = resolve_source(*l);
        if (source == 0) {
            edit_link(link).broken = true;
            continue;
        }
        if (seen_now(*l) == l->seen) continue;
        auto call = HOST_ENTRY_AS("LOOM_update_link", link);
        Link e = *l;
        if (!copy(call, e)) {
            edit_link(link).broken = true;
            continue;
        }
        e.source = source;
        ++e.updates;
        edit_link(link) = std::move(e);
    }
}

int part_status(tag_t part) {
    const auto it = links().status.find(part);
    return it == links().status.end() ? 0 : it->second;
}

}  // namespace host::loom

using namespace host::loom;

namespace {
const bool registered = [] {
    host::loom::links();
    host::update_steps::add(host::loom::update_links);
    return true;
}();

using hl::Kind;
using hl::Link;
using hl::tag_t;

// ---- Checks of new links and their sources --------------------------------------

tag_t work_part(const host::Call& call) {
    const tag_t part = host::parts::work_part();
    if (part == 0) call.fail(HOST_ERR_DEAD_TAG, "there is no work part");
    return part;
}

bool is_curve_type(const ho::Object& o) {
    return o.type == HOST_TYPE_LINE || o.type == HOST_TYPE_ARC || o.type == HOST_TYPE_CONIC ||
           o.type == HOST_TYPE_SPLINE || (o.type == HOST_TYPE_SOLID && o.subtype == HOST_SUBTYPE_EDGE);
}

// A source of the kind, in a part other than the link's.
const ho::Object& check_source(const host::Call& call, Kind kind, tag_t source, tag_t part) {
    const ho::Object& o = call.live(source);
    bool fits = false;
    const char* what = "";
    switch (kind) {
        case Kind::body:
        case Kind::face:
        case Kind::region:
        case Kind::mirror:
            fits = ES_solid_is_a_body(source) != 0;
            what = "a body";
            break;
        case Kind::datum:
            fits = o.type == HOST_TYPE_DATUM_PLANE || o.type == HOST_TYPE_DATUM_AXIS || o.type == HOST_TYPE_PLANE;
            what = "a datum plane, datum axis or plane";
            break;
        case Kind::sketch:
            fits = o.type == HOST_TYPE_SKETCH;
            what = "a sketch";
            break;
        case Kind::pt_point:
            fits = o.type == HOST_TYPE_POINT;
            what = "a point";
            break;
        case Kind::part:
            fits = ho::part_info(source) != nullptr;
            what = "a part";
            break;
        default:
            fits = is_curve_type(o);
            what = "a curve";
            break;
    }
    if (!fits) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is not %s", source, what);
    const tag_t in = kind == Kind::part ? source : o.part;
    if (in == part) call.fail(LOOM_ERR_SAME_PART, "tag %u lies in the linked part", source);
    return o;
}

// Faces of the body.
std::vector<hl::Ref> faces_of(const host::Call& call, tag_t body, int n, const unsigned int* faces, bool need_one) {
    if (n < 0 || (need_one && n == 0)) call.fail(HOST_ERR_BAD_ARGUMENT, "%d faces", n);
    if (n > 0) call.need(faces, "the faces");
    std::vector<hl::Ref> out;
    for (int i = 0; i < n; ++i) {
        const ho::Object& f = call.live(faces[i]);
        const int e = host::kernel::entity_of(faces[i]);
        if (f.type != HOST_TYPE_SOLID || f.subtype != HOST_SUBTYPE_FACE || e == 0 ||
            host::kernel::body_of(e) != host::kernel::entity_of(body))
            call.fail(HOST_ERR_WRONG_CLASS, "tag %u is no face of body %u", faces[i], body);
        out.push_back(hl::ref_of(faces[i]));
    }
    return out;
}

// Curves all of one part other than the linked one: their references.
std::vector<hl::Ref> curves_of(const host::Call& call, int n, const unsigned int* curves, tag_t part,
                               tag_t* source_part) {
    if (n <= 0) call.fail(HOST_ERR_BAD_ARGUMENT, "%d curves", n);
    call.need(curves, "the curves");
    std::vector<hl::Ref> out;
    for (int i = 0; i < n; ++i) {
        const ho::Object& o = check_source(call, Kind::curve, curves[i], part);
        if (i == 0) *source_part = o.part;
        else if (o.part != *source_part) call.fail(HOST_ERR_BAD_ARGUMENT, "the curves lie in more than one part");
        out.push_back(hl::ref_of(curves[i]));
    }
    return out;
}

void check_time(const host::Call& call, int update_time) {
    if (update_time != LOOM_UPDATE_WITH_SOURCE && update_time != LOOM_UPDATE_AT_CREATION)
        call.fail(LOOM_ERR_BAD_TIME, "update time %d", update_time);
}

// A new link of the work part: its geometry is made and it joins the store,
// or, when an error stops it half way, the model is as it was.
int make_link(const host::Call& call, Link l, unsigned int* link) {
    const host::ModelSnapshot before = host::snapshot_model();
    try {
        if (!hl::copy(call, l)) call.fail(HOST_ERR_BAD_ARGUMENT, "the sources give no geometry to link");
    } catch (...) {
        host::restore_model(before);
        throw;
    }
    hl::edit_links().rows.push_back(l);
    *link = l.link;
    return static_cast<int>(call.int_out(0, 0));
}

Link new_link(const host::Call& call, Kind kind, tag_t source, const double* xform, int associative) {
    Link l;
    l.kind = kind;
    l.target_part = work_part(call);
    check_source(call, kind, source, l.target_part);
    set_source(l, source);
    read_xform(l, xform);
    l.associative = associative != 0;
    return l;
}

// The source of a link is replaced: the next update copies it.
void renew(Link& e) {
    e.broken = false;
    e.accept_broken = false;
    e.seen = {};
}

int set_point(const host::Call& call, tag_t link, Kind kind, tag_t source, const double* value, const double* xform) {
    const Link& l = require_kind(call, link, kind);
    check_source(call, kind, source, l.target_part);
    Link& e = edit_link(link);
    set_source(e, source);
    if (value) e.value = *value;
    read_xform(e, xform);
    renew(e);
    return 0;
}

int new_point(const host::Call& call, Kind kind, tag_t source, double value, const double* xform, int associative,
              unsigned int* link) {
    call.need(link, "the link output");
    if (kind == Kind::pt_curve && !(value >= 0 && value <= 1))
        call.fail(HOST_ERR_BAD_ARGUMENT, "parameter %g is outside 0 to 1", value);
    Link l = new_link(call, kind, source, xform, associative);
    l.value = value;
    return make_link(call, l, link);
}

// A block of tags from SM_alloc for the caller (null for none).
unsigned int* tag_block(const std::vector<tag_t>& tags) {
    if (tags.empty()) return nullptr;
    auto* out = static_cast<unsigned int*>(SM_alloc(tags.size() * sizeof(unsigned int)));
    std::copy(tags.begin(), tags.end(), out);
    return out;
}

std::vector<tag_t> resolved(const std::vector<hl::Ref>& refs) {
    std::vector<tag_t> out;
    for (const hl::Ref& r : refs) out.push_back(hl::resolve(r));
    return out;
}

void check_plane(const host::Call& call, tag_t plane) {
    const ho::Object& o = call.live(plane);
    if (o.type != HOST_TYPE_DATUM_PLANE && o.type != HOST_TYPE_PLANE)
        call.fail(HOST_ERR_WRONG_CLASS, "tag %u is no plane", plane);
}

// The part of a mirror link's source body, when one is given (0: none),
// must be the part the body lies in.
void check_source_part(const host::Call& call, tag_t source, tag_t source_part) {
    if (source_part != 0 && source_part != ho::require(source).part)
        call.fail(HOST_ERR_BAD_ARGUMENT, "body %u does not lie in part %u", source, source_part);
}

// Routing has no objects in this host: there is nothing to link.
[[noreturn]] void no_routing(const host::Call& call) {
    call.fail(HOST_ERR_OUT_OF_SCOPE, "routing ports and segments are not kept by the host");
}

}  // namespace

extern "C" {

int LOOM_create_linked_body(unsigned int source, const double* xform, int associative, int update_time,
                            unsigned int* link) {
    auto call = HOST_ENTRY(source, xform, associative, link);
    call.need(link, "the link output");
    Link l = new_link(call, Kind::body, source, xform, associative);
    check_time(call, update_time);
    l.update_time = update_time;
    return make_link(call, l, link);
}

int LOOM_create_linked_datum(unsigned int source, const double* xform, int associative, unsigned int* link) {
    auto call = HOST_ENTRY(source, xform, associative, link);
    call.need(link, "the link output");
    return make_link(call, new_link(call, Kind::datum, source, xform, associative), link);
}

int LOOM_create_linked_sketch(unsigned int source, const double* xform, int associative, unsigned int* link) {
    auto call = HOST_ENTRY(source, xform, associative, link);
    call.need(link, "the link output");
    return make_link(call, new_link(call, Kind::sketch, source, xform, associative), link);
}

int LOOM_create_linked_string(const void* curves, const double* xform, int associative, unsigned int* link) {
    auto call = HOST_ENTRY(curves, xform, associative, link);
    call.need(curves, "the strings");
    call.need(link, "the link output");
    const auto& s = *static_cast<const CMP_strings_t*>(curves);
    if (s.count <= 0) call.fail(HOST_ERR_BAD_ARGUMENT, "%d strings", s.count);
    call.need(s.per_string, "the curves per string");
    int n = 0;
    for (int i = 0; i < s.count; ++i) {
        if (s.per_string[i] <= 0) call.fail(HOST_ERR_BAD_ARGUMENT, "string %d has no curve", i);
        n += s.per_string[i];
    }
    const tag_t part = work_part(call);
    tag_t source_part = 0;
    Link l;
    l.kind = Kind::string;
    l.target_part = part;
    l.items = curves_of(call, n, s.objects, part, &source_part);
    set_source(l, s.objects[0]);
    l.per_string.assign(s.per_string, s.per_string + s.count);
    for (int i = 0; i < s.count; ++i) l.dirs.push_back(s.dir ? s.dir[i] : 1);
    read_xform(l, xform);
    l.associative = associative != 0;
    return make_link(call, l, link);
}

int LOOM_create_linked_face(unsigned int source, int count, const unsigned int* faces, int associative,
                            unsigned int* link) {
    auto call = HOST_ENTRY(source, count, associative, link);
    call.need(link, "the link output");
    Link l = new_link(call, Kind::face, source, nullptr, associative);
    l.items = faces_of(call, source, count, faces, true);
    return make_link(call, l, link);
}

int LOOM_create_linked_curve(unsigned int source, int count, const unsigned int* curves, int associative,
                             unsigned int* link) {
    auto call = HOST_ENTRY(source, count, associative, link);
    call.need(link, "the link output");
    const tag_t part = work_part(call);
    tag_t source_part = 0;
    Link l;
    l.kind = Kind::curve;
    l.target_part = part;
    l.items = curves_of(call, count, curves, part, &source_part);
    // The source is the part of the curves; a source given must lie in it.
    if (source != 0 && source != source_part && call.live(source).part != source_part)
        call.fail(HOST_ERR_BAD_ARGUMENT, "tag %u does not hold the curves", source);
    l.source = source_part;
    l.source_part = source_part;
    l.source_file = hl::ref_of(curves[0]).file;
    l.associative = associative != 0;
    return make_link(call, l, link);
}

int LOOM_create_linked_region(unsigned int source, int n_seeds, const unsigned int* seeds, int n_bounds,
                              const unsigned int* bounds, int traverse, int associative, const double* xform,
                              int options, unsigned int* link) {
    auto call = HOST_ENTRY(source, n_seeds, n_bounds, link);
    call.need(link, "the link output");
    Link l = new_link(call, Kind::region, source, xform, associative);
    l.items = faces_of(call, source, n_seeds, seeds, true);
    l.bounds = faces_of(call, source, n_bounds, bounds, false);
    l.traverse = traverse;
    l.options = options;
    return make_link(call, l, link);
}

int LOOM_create_linked_mirror(unsigned int source, unsigned int plane, int associative, const double* xform,
                              unsigned int source_part, int update_time, unsigned int* link) {
    auto call = HOST_ENTRY(source, plane, associative, link);
    call.need(link, "the link output");
    Link l = new_link(call, Kind::mirror, source, xform, associative);
    check_source_part(call, source, source_part);
    check_plane(call, plane);
    check_time(call, update_time);
    l.plane = hl::ref_of(plane);
    l.update_time = update_time;
    return make_link(call, l, link);
}

int LOOM_create_linked_route_port(unsigned int source, const double*, int, unsigned int*) {
    auto call = HOST_ENTRY(source);
    no_routing(call);
}

int LOOM_create_linked_route_segment(unsigned int source, const double*, int, int, unsigned int*) {
    auto call = HOST_ENTRY(source);
    no_routing(call);
}

int LOOM_create_linked_pt_point(unsigned int source, const double* xform, int associative, unsigned int* link) {
    auto call = HOST_ENTRY(source, xform, associative, link);
    return new_point(call, Kind::pt_point, source, 0, xform, associative, link);
}

int LOOM_create_linked_pt_curve(unsigned int source, double parameter, const double* xform, int associative,
                                unsigned int* link) {
    auto call = HOST_ENTRY(source, parameter, associative, link);
    return new_point(call, Kind::pt_curve, source, parameter, xform, associative, link);
}

int LOOM_create_linked_pt_center(unsigned int source, const double* xform, int associative, unsigned int* link) {
    auto call = HOST_ENTRY(source, xform, associative, link);
    return new_point(call, Kind::pt_center, source, 0, xform, associative, link);
}

int LOOM_create_linked_pt_angle(unsigned int source, double angle, const double* xform, int associative,
                                unsigned int* link) {
    auto call = HOST_ENTRY(source, angle, associative, link);
    return new_point(call, Kind::pt_angle, source, angle, xform, associative, link);
}

int LOOM_create_linked_part(unsigned int source_part, const double* xform, int associative, unsigned int* link) {
    auto call = HOST_ENTRY(source_part, xform, associative, link);
    call.need(link, "the link output");
    return make_link(call, new_link(call, Kind::part, source_part, xform, associative), link);
}

int LOOM_is_link_broken(unsigned int link, unsigned char* broken) {
    auto call = HOST_ENTRY(link, broken);
    call.need(broken, "the broken output");
    const Link& l = require_link(call, link);
    *broken = l.broken || resolve_source(l) == 0;
    return 0;
}

int LOOM_ask_link_source(unsigned int link, unsigned int* source, unsigned int* source_part) {
    auto call = HOST_ENTRY(link, source, source_part);
    call.need(source, "the source output");
    call.need(source_part, "the source part output");
    const Link& l = require_link(call, link);
    const tag_t s = resolve_source(l);
    *source = s;
    *source_part = s == 0 || ho::part_info(s) ? s : ho::find(s)->part;
    return 0;
}

int LOOM_ask_link_xform(unsigned int link, double xform[12]) {
    auto call = HOST_ENTRY(link, xform);
    call.need(xform, "the transform output");
    const Link& l = require_link(call, link);
    static const double identity[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
    std::memcpy(xform, l.has_xform ? l.xform : identity, sizeof l.xform);
    return 0;
}

int LOOM_set_link_data(unsigned int link, unsigned int source, const double* xform, int associative) {
    auto call = HOST_ENTRY(link, source, xform, associative);
    const Link& l = require_link(call, link);
    if (l.kind == Kind::face || l.kind == Kind::region || l.kind == Kind::curve || l.kind == Kind::string)
        call.fail(LOOM_ERR_WRONG_KIND, "link %u takes its sources with them", link);
    check_source(call, l.kind, source, l.target_part);
    Link& e = edit_link(link);
    set_source(e, source);
    read_xform(e, xform);
    e.associative = associative != 0;
    renew(e);
    return 0;
}

int LOOM_ask_link_region_sources(unsigned int link, int* n_seeds, unsigned int** seeds, int* n_bounds,
                                 unsigned int** bounds, int* traverse, int* options, unsigned int* source) {
    auto call = HOST_ENTRY(link, n_seeds, n_bounds, source);
    for (const void* p :
         {static_cast<const void*>(n_seeds), static_cast<const void*>(seeds), static_cast<const void*>(n_bounds),
          static_cast<const void*>(bounds), static_cast<const void*>(traverse), static_cast<const void*>(options),
          static_cast<const void*>(source)})
        call.need(p, "an output");
    const Link& l = require_kind(call, link, Kind::region);
    const std::vector<tag_t> s = resolved(l.items), b = resolved(l.bounds);
    *n_seeds = static_cast<int>(s.size());
    *seeds = tag_block(s);
    *n_bounds = static_cast<int>(b.size());
    *bounds = tag_block(b);
    *traverse = l.traverse;
    *options = l.options;
    *source = resolve_source(l);
    return 0;
}

int LOOM_set_link_region_data(unsigned int link, unsigned int source, int n_seeds, const unsigned int* seeds,
                              int n_bounds, const unsigned int* bounds, int traverse, int options,
                              const double* xform) {
    auto call = HOST_ENTRY(link, source, n_seeds, n_bounds);
    const Link& l = require_kind(call, link, Kind::region);
    check_source(call, Kind::region, source, l.target_part);
    std::vector<hl::Ref> s = faces_of(call, source, n_seeds, seeds, true);
    std::vector<hl::Ref> b = faces_of(call, source, n_bounds, bounds, false);
    Link& e = edit_link(link);
    set_source(e, source);
    e.items = std::move(s);
    e.bounds = std::move(b);
    e.traverse = traverse;
    e.options = options;
    read_xform(e, xform);
    renew(e);
    return 0;
}

int LOOM_ask_link_mirror_data(unsigned int link, unsigned int* source, unsigned int* plane, int* associative,
                              double* xform, unsigned int* source_part) {
    auto call = HOST_ENTRY(link, source, plane, source_part);
    call.need(source, "the source output");
    call.need(plane, "the plane output");
    call.need(associative, "the associative output");
    call.need(xform, "the transform output");
    call.need(source_part, "the source part output");
    const Link& l = require_kind(call, link, Kind::mirror);
    *source = resolve_source(l);
    *source_part = *source ? ho::find(*source)->part : 0;
    *plane = resolve(l.plane);
    *associative = l.associative ? 1 : 0;
    static const double identity[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
    std::memcpy(xform, l.has_xform ? l.xform : identity, sizeof l.xform);
    return 0;
}

int LOOM_set_link_mirror_data(unsigned int link, unsigned int source, unsigned int plane, int associative,
                              const double* xform, unsigned int source_part) {
    auto call = HOST_ENTRY(link, source, plane, associative);
    const Link& l = require_kind(call, link, Kind::mirror);
    check_source(call, Kind::mirror, source, l.target_part);
    check_source_part(call, source, source_part);
    check_plane(call, plane);
    Link& e = edit_link(link);
    set_source(e, source);
    e.plane = hl::ref_of(plane);
    e.associative = associative != 0;
    read_xform(e, xform);
    renew(e);
    return 0;
}

int LOOM_set_linked_pt_point(unsigned int link, unsigned int source, const double* xform) {
    auto call = HOST_ENTRY(link, source, xform);
    return set_point(call, link, Kind::pt_point, source, nullptr, xform);
}

int LOOM_set_linked_pt_curve(unsigned int link, unsigned int source, double parameter, const double* xform) {
    auto call = HOST_ENTRY(link, source, parameter, xform);
    if (!(parameter >= 0 && parameter <= 1))
        call.fail(HOST_ERR_BAD_ARGUMENT, "parameter %g is outside 0 to 1", parameter);
    return set_point(call, link, Kind::pt_curve, source, &parameter, xform);
}

int LOOM_set_linked_pt_center(unsigned int link, unsigned int source, const double* xform) {
    auto call = HOST_ENTRY(link, source, xform);
    return set_point(call, link, Kind::pt_center, source, nullptr, xform);
}

int LOOM_set_linked_pt_angle(unsigned int link, unsigned int source, double angle, const double* xform) {
    auto call = HOST_ENTRY(link, source, angle, xform);
    return set_point(call, link, Kind::pt_angle, source, &angle, xform);
}

int LOOM_ask_linked_pt_curve_prm(unsigned int link, double* parameter) {
    auto call = HOST_ENTRY(link, parameter);
    call.need(parameter, "the parameter output");
    *parameter = require_kind(call, link, Kind::pt_curve).value;
    return 0;
}

int LOOM_ask_linked_pt_angle(unsigned int link, double* angle) {
    auto call = HOST_ENTRY(link, angle);
    call.need(angle, "the angle output");
    *angle = require_kind(call, link, Kind::pt_angle).value;
    return 0;
}

int LOOM_ask_link_update_time(unsigned int link, int* time, int* stamp) {
    auto call = HOST_ENTRY(link, time, stamp);
    call.need(time, "the time output");
    call.need(stamp, "the stamp output");
    const Link& l = require_link(call, link);
    *time = l.update_time;
    *stamp = l.updates;
    return 0;
}

int LOOM_set_link_update_time(unsigned int link, int time) {
    auto call = HOST_ENTRY(link, time);
    require_link(call, link);
    check_time(call, time);
    edit_link(link).update_time = time;
    return 0;
}

int LOOM_accept_link_broken(unsigned int link) {
    auto call = HOST_ENTRY(link);
    const Link& l = require_link(call, link);
    if (!l.broken && resolve_source(l) != 0) call.fail(HOST_ERR_BAD_ARGUMENT, "link %u is not broken", link);
    Link& e = edit_link(link);
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

int LOOM_ask_linked_feature_map(unsigned int link, int* count, unsigned int** sources, unsigned int** linked,
                                int options) {
    auto call = HOST_ENTRY(link, count, sources, options);
    call.need(count, "the count output");
    call.need(sources, "the sources output");
    call.need(linked, "the linked output");
    const auto pairs = feature_map(require_link(call, link), (options & LOOM_MAP_NO_FACES) == 0);
    std::vector<tag_t> from, to;
    for (const auto& [s, l] : pairs) {
        from.push_back(s);
        to.push_back(l);
    }
    *count = static_cast<int>(pairs.size());
    *sources = tag_block(from);
    *linked = tag_block(to);
    return 0;
}

int LOOM_map_source_to_link_geom(unsigned int link, unsigned int source_geom, unsigned int* link_geom) {
    auto call = HOST_ENTRY(link, source_geom, link_geom);
    call.need(link_geom, "the linked geometry output");
    *link_geom = 0;
    for (const auto& [s, l] : feature_map(require_link(call, link), true))
        if (s == source_geom) *link_geom = l;
    return 0;
}

int LOOM_map_link_geom_to_source(unsigned int link, unsigned int link_geom, unsigned int* source_part,
                                 unsigned int* source_geom) {
    auto call = HOST_ENTRY(link, link_geom, source_part, source_geom);
    call.need(source_part, "the source part output");
    call.need(source_geom, "the source geometry output");
    *source_part = *source_geom = 0;
    for (const auto& [s, l] : feature_map(require_link(call, link), true))
        if (l == link_geom) {
            *source_geom = s;
            *source_part = ho::find(s)->part;
        }
    return 0;
}

int LOOM_copy_component_as(unsigned int component, const char*, int, const double*, const double*, unsigned int*,
                           const char*, unsigned int*) {
    auto call = HOST_ENTRY(component);
    call.fail(HOST_ERR_OUT_OF_SCOPE, "copying a component as a new part is not done by the host");
}

int LOOM_copy_attributes(unsigned int link) {
    auto call = HOST_ENTRY(link);
    for (const auto& [s, l] : feature_map(require_link(call, link), true)) {
        int index = 0;
        for (;;) {
            char title[ATTR_MAX_TITLE_CHARS + 1] = {};
            ATTR_value_t value{};
            ATTR_cycle(s, &index, ATTR_ANY, title, &value);
            if (index == 0) break;
            const bool text = value.type == ATTR_STRING || value.type == ATTR_REFERENCE;
            const std::unique_ptr<char, void (*)(void*)> held(text ? value.value.string : nullptr, SM_free);
            ATTR_assign(l, title, value);
        }
    }
    return 0;
}

}  // extern "C"
