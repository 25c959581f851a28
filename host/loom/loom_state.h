// The link store and the delayed-update state of the host's linking
// service (host/loom/loom.h), shared by its sources.
#ifndef HOST_LOOM_LOOM_STATE_H
#define HOST_LOOM_LOOM_STATE_H

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "host/loom/loom.h"

namespace host::loom {

using tag_t = unsigned int;

struct Link {
    tag_t link = 0;    // the linked body's object
    tag_t source = 0;  // the source body's object (0 or dead: not loaded)
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
    int updates = 0;                   // updates the link has had
    std::shared_ptr<const void> seen;  // the source's shape copied last
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

}  // namespace host::loom

#endif
