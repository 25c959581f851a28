// The link store and the delayed-update state of the host's linking
// service (host/apps/modeling/loom/loom.h), shared by its sources.
#ifndef HOST_LOOM_LOOM_STATE_H
#define HOST_LOOM_LOOM_STATE_H

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "host/base/hook.h"
#include "host/apps/modeling/loom/loom.h"

namespace host::loom {

using tag_t = unsigned int;

// What a link copies (the routine that made it).
enum class Kind : std::uint8_t {
    body,
    datum,
    sketch,
    string,
    face,
    curve,
    region,
    mirror,
    pt_point,
    pt_curve,
    pt_center,
    pt_angle,
    part,
};
constexpr int kKinds = static_cast<int>(Kind::part) + 1;

// An object of another part, found again by its part's file name and its
// entity id once that part is loaded anew.
struct Ref {
    tag_t tag = 0;  // 0 or dead: not loaded
    std::string file;
    std::uint32_t eid = 0;
};

// What a link copied last: the states of the bodies it copied and the
// numbers of the other geometry. The link is out of date when its sources
// give another answer.
struct Seen {
    std::vector<std::shared_ptr<const void>> states;
    std::vector<double> data;
    bool operator==(const Seen&) const = default;
};

struct Link {
    Kind kind = Kind::body;
    // The linked object: a body, a datum, a point, a sketch, or a group
    // holding the linked curves (curve and string links) or bodies (part
    // links).
    tag_t link = 0;
    tag_t source = 0;  // the source object (a part for part links; 0 or dead: not loaded)
    tag_t source_part = 0;
    std::string source_file;  // the source part's file name
    std::uint32_t source_eid = 0;
    tag_t target_part = 0;
    double xform[12] = {};
    bool has_xform = false;
    bool associative = true;
    int update_time = LOOM_UPDATE_WITH_SOURCE;
    bool broken = false;
    bool accept_broken = false;
    int updates = 0;  // updates the link has had
    Seen seen;        // what it copied last (empty: copy at the next update)

    // Further sources: the faces of face links, the curves of curve and
    // string links, the seed faces of region links; the bounding faces of
    // region links; the mirror plane.
    std::vector<Ref> items;
    std::vector<Ref> bounds;
    Ref plane;
    std::vector<int> per_string;  // string links: curves per string
    std::vector<int> dirs;        // and the direction of each string
    int traverse = 0;             // region links
    int options = 0;              // region links
    double value = 0;             // the parameter of a point on a curve, the angle of a point on an arc
    // The linked curves of sketch, curve and string links and the linked
    // bodies of part links, in the order of their sources; for part links
    // the source body each one copies.
    std::vector<tag_t> made;
    std::vector<Ref> made_from;
};

// A model component: undo marks roll it back with the bodies.
struct Links {
    std::vector<Link> rows;  // in creation order
    bool session_delayed = false;
    std::map<tag_t, int> status;  // part status words (absent: 0)
    std::set<tag_t> logged;       // parts logged for the next update
};

const Links& links();
Links& edit_links();
const Link* find_link(tag_t link);
int part_status(tag_t part);
// Live links, parents before children.
std::vector<const Link*> in_update_order();
// Out-of-date links in update order, and their parts.
std::vector<tag_t> stale_links();
std::vector<tag_t> stale_parts();

// ---- Copies (copies.cpp) ----
// The object a reference stands for now (0: its part is not loaded, or
// the object is gone).
tag_t resolve(const Ref& r);
Ref ref_of(tag_t object);
// The main source of a link as it stands now (0: not loaded or gone).
tag_t resolve_source(const Link& l);
// The sources of a link, resolved (0 for one that is not there).
std::vector<tag_t> sources_of(const Link& l);
// What the link's sources give now.
Seen seen_now(const Link& l);
// Makes the link's geometry anew from its sources (the linked object
// keeps its tag; l.link 0: it is made, in l.target_part). Raises what the
// copy raises; false when a source is gone (the link is broken).
bool copy(const Call& call, Link& l);
// {source object, linked object} pairs of a link; with faces, the faces
// and edges of the bodies as well.
std::vector<std::pair<tag_t, tag_t>> feature_map(const Link& l, bool faces);

}  // namespace host::loom

#endif
