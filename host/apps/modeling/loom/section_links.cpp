// Part-file section "LINK": the links into a part (host/apps/modeling/loom/loom.h) and
// the part's persistent freeze.
//
// Payload: u32 status word (only DUC_STATUS_FROZEN is kept: a freeze for
// the session and the other bits end with it), u32 link count, then per
// link: u32 object number of the linked body, and the row as a string:
//   str source part file name, u32 source entity id, u8 transform given,
//   12 f64 transform, u8 associative, i32 update time, u8 broken,
//   u8 accepted as broken, i32 updates, then
//   u8 kind (0 body, 1 datum, 2 sketch, 3 string, 4 face, 5 curve,
//   6 region, 7 mirror, 8 to 11 points on a point, a curve, a centre, an
//   angle, 12 whole part), refs of the further sources (faces, curves,
//   seed faces), refs of the bounding faces, the ref of the mirror plane,
//   u32 count and i32 curves per string, u32 count and i32 directions,
//   i32 traverse, i32 options, f64 parameter or angle, u32 count and u32
//   object numbers of the linked curves or bodies it holds, refs of the
//   source bodies of those (part links).
// A ref: u32 count, then per object str part file name and u32 entity id.
// A row that ends after the updates is a body link (files written before
// the other kinds). A reader skips what follows the fields it knows in a
// row. The section is
// left out when the part has neither links nor a persistent freeze, so
// files without it open as parts without links.
//
// The source is found again by its file name and entity id once its part
// is loaded; the first update after that copies it again.
#include <cstdint>
#include <string>
#include <vector>

#include "host/store/parts/part_file.h"
#include "host/apps/modeling/loom/loom_state.h"
#include "host/base/services/objects.h"

namespace {

namespace pf = host::part_file;
namespace hl = host::loom;

void write_refs(pf::Writer& out, const std::vector<hl::Ref>& refs) {
    out.u32(static_cast<std::uint32_t>(refs.size()));
    for (const hl::Ref& r : refs) {
        out.str(r.file);
        out.u32(r.eid);
    }
}

std::vector<hl::Ref> read_refs(pf::Reader& in) {
    const std::uint32_t n = in.u32();
    if (n > in.left() / 8) throw pf::FormatError("reference count past the row");
    std::vector<hl::Ref> out(n);
    for (hl::Ref& r : out) {
        r.file = in.str();
        r.eid = in.u32();
    }
    return out;
}

void write_ints(pf::Writer& out, const std::vector<int>& v) {
    out.u32(static_cast<std::uint32_t>(v.size()));
    for (int x : v) out.i32(x);
}

std::vector<int> read_ints(pf::Reader& in) {
    const std::uint32_t n = in.u32();
    if (n > in.left() / 4) throw pf::FormatError("count past the row");
    std::vector<int> out(n);
    for (int& x : out) x = in.i32();
    return out;
}

void write_section(pf::Writer& out, const pf::SaveContext& ctx) {
    const int frozen = hl::part_status(ctx.part) & DUC_STATUS_FROZEN;
    std::vector<const hl::Link*> mine;
    for (const hl::Link* l : hl::in_update_order())
        if (l->target_part == ctx.part && ctx.index(l->link) != 0xFFFFFFFFu) mine.push_back(l);
    if (frozen == 0 && mine.empty()) return;
    out.u32(static_cast<std::uint32_t>(frozen));
    out.u32(static_cast<std::uint32_t>(mine.size()));
    for (const hl::Link* l : mine) {
        out.u32(ctx.index(l->link));
        pf::Writer row;
        row.str(l->source_file);
        row.u32(l->source_eid);
        row.u8(l->has_xform ? 1 : 0);
        for (double v : l->xform) row.f64(v);
        row.u8(l->associative ? 1 : 0);
        row.i32(l->update_time);
        row.u8(l->broken ? 1 : 0);
        row.u8(l->accept_broken ? 1 : 0);
        row.i32(l->updates);
        row.u8(static_cast<std::uint8_t>(l->kind));
        write_refs(row, l->items);
        write_refs(row, l->bounds);
        write_refs(row, {l->plane});
        write_ints(row, l->per_string);
        write_ints(row, l->dirs);
        row.i32(l->traverse);
        row.i32(l->options);
        row.f64(l->value);
        std::vector<std::uint32_t> made;
        std::vector<hl::Ref> made_from;
        for (std::size_t k = 0; k < l->made.size(); ++k)
            if (const std::uint32_t i = ctx.index(l->made[k]); i != 0xFFFFFFFFu) {
                made.push_back(i);
                if (k < l->made_from.size()) made_from.push_back(l->made_from[k]);
            }
        row.u32(static_cast<std::uint32_t>(made.size()));
        for (std::uint32_t i : made) row.u32(i);
        write_refs(row, made_from);
        out.str(row.bytes());
    }
}

void read_section(pf::Reader& in, pf::LoadContext& ctx) {
    const std::uint32_t word = in.u32();
    if ((word & ~static_cast<std::uint32_t>(DUC_STATUS_FROZEN)) != 0) throw pf::FormatError("bad part status word");
    const std::uint32_t count = in.u32();
    if (count > in.left() / 4) throw pf::FormatError("link count past the section");
    std::vector<hl::Link> read;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t number = in.u32();
        if (number == 0) throw pf::FormatError("a link that is the part");
        hl::Link l;
        l.link = ctx.tag_of(number);
        const std::string bytes = in.str();
        pf::Reader row(bytes);
        l.source_file = row.str();
        l.source_eid = row.u32();
        l.has_xform = row.u8() != 0;
        for (double& v : l.xform) v = row.f64();
        l.associative = row.u8() != 0;
        l.update_time = row.i32();
        if (l.update_time != LOOM_UPDATE_WITH_SOURCE && l.update_time != LOOM_UPDATE_AT_CREATION)
            throw pf::FormatError("bad link update time");
        l.broken = row.u8() != 0;
        l.accept_broken = row.u8() != 0;
        l.updates = row.i32();
        if (row.left() > 0) {
            const std::uint8_t kind = row.u8();
            if (kind >= hl::kKinds) throw pf::FormatError("unknown kind of link");
            l.kind = static_cast<hl::Kind>(kind);
            l.items = read_refs(row);
            l.bounds = read_refs(row);
            const std::vector<hl::Ref> plane = read_refs(row);
            if (plane.size() != 1) throw pf::FormatError("a link without one plane reference");
            l.plane = plane.front();
            l.per_string = read_ints(row);
            l.dirs = read_ints(row);
            l.traverse = row.i32();
            l.options = row.i32();
            l.value = row.f64();
            const std::uint32_t n = row.u32();
            if (n > row.left() / 4) throw pf::FormatError("linked object count past the row");
            for (std::uint32_t k = 0; k < n; ++k) {
                const std::uint32_t number = row.u32();
                if (number == 0) throw pf::FormatError("a linked object that is the part");
                l.made.push_back(ctx.tag_of(number));
            }
            l.made_from = read_refs(row);
        }
        l.target_part = ctx.part;
        read.push_back(std::move(l));
    }
    // Rows go into the store at once: a read that fails later is rolled
    // back whole with the model.
    hl::Links& links = hl::edit_links();
    if (word != 0) links.status[ctx.part] = static_cast<int>(word);
    for (hl::Link& l : read) links.rows.push_back(std::move(l));
}

const bool registered = [] {
    pf::register_section({{'L', 'I', 'N', 'K'}, write_section, read_section});
    return true;
}();

}  // namespace
