// Part-file section "ENTS": what the entity store keeps about the objects of
// a part (host/store/entities/entity_store.h), so that a reopened part shows and
// behaves as it was saved.
//
// Payload: u32 row count, then per row: u32 object number (0 the part),
// u32 row size, and the row:
//   i32 layer, colour, font, width
//   u32 flags (kBlanked ... kViewDependent below)
//   f64 x3 name location (meaningful with kLocated)
//   i32 entity-store state, face analysis, partial shading, creation
//       version, modification version, sketch state
//   u32 owner (object number, kNone for none)
//   u32 count + object numbers of the views it depends on
//   u32 count + object numbers of its members
// A reader takes the fields it knows and skips the rest of a row, so later
// versions can append fields. References to objects that were not written
// (views of another part, members left out of an export) are dropped.
//
// Highlighting is a state of the session's display and is not saved: a
// reopened object is not highlighted. Only objects that have a row are
// written; the others get theirs from the creation settings on first use,
// as they would have in the session that saved them.
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host/store/entities/entity_store.h"
#include "host/store/parts/part_file.h"
#include "host/base/model.h"
#include "host/base/services/objects.h"

namespace {

namespace pf = host::part_file;
namespace he = host::entity;

constexpr std::uint32_t kNone = 0xFFFFFFFFu;

enum Flag : std::uint32_t {
    kBlanked = 1u << 0,
    kLocated = 1u << 1,
    kPromoted = 1u << 2,
    kSmart = 1u << 3,
    kFcf = 1u << 4,
    kOccurrence = 1u << 5,
    kInUse = 1u << 6,
    kViewDependent = 1u << 7,
};

struct FlagField {
    Flag flag;
    bool he::Attrs::*field;
};
constexpr FlagField kFlags[] = {
    {kBlanked, &he::Attrs::blanked},   {kLocated, &he::Attrs::located},
    {kPromoted, &he::Attrs::promoted}, {kSmart, &he::Attrs::smart},
    {kFcf, &he::Attrs::fcf},           {kOccurrence, &he::Attrs::occurrence},
    {kInUse, &he::Attrs::in_use},      {kViewDependent, &he::Attrs::view_dependent},
};

// The integers of a row, in file order.
constexpr int he::Attrs::*kInts[] = {
    &he::Attrs::layer,
    &he::Attrs::color,
    &he::Attrs::font,
    &he::Attrs::width,
};
constexpr int he::Attrs::*kLaterInts[] = {
    &he::Attrs::state,       &he::Attrs::srfanl,      &he::Attrs::shaded,
    &he::Attrs::cre_version, &he::Attrs::mod_version, &he::Attrs::sketch_state,
};

// The entity store's table of rows (made when the library is loaded).
host::TagTable<he::Attrs>& table() {
    auto* t = host::TagTable<he::Attrs>::named("entity attributes");
    if (!t) throw pf::FormatError("no attribute table");
    return *t;
}
host::TagTable<he::Rare>& rare_table() {
    auto* t = host::TagTable<he::Rare>::named("entity rare attributes");
    if (!t) throw pf::FormatError("no attribute table");
    return *t;
}

// Object numbers of the tags that were written, in order.
void write_refs(pf::Writer& out, const std::vector<unsigned int>& tags, const pf::SaveContext& ctx) {
    std::vector<std::uint32_t> numbers;
    for (unsigned int t : tags)
        if (host::objects::is_alive(t))
            if (const std::uint32_t n = ctx.index(t); n != kNone) numbers.push_back(n);
    out.u32(static_cast<std::uint32_t>(numbers.size()));
    for (std::uint32_t n : numbers) out.u32(n);
}

std::vector<unsigned int> read_refs(pf::Reader& in, const pf::LoadContext& ctx) {
    const std::uint32_t n = in.u32();
    if (n > in.left() / 4) throw pf::FormatError("reference count beyond the row");
    std::vector<unsigned int> tags;
    tags.reserve(n);
    for (std::uint32_t i = 0; i < n; ++i) tags.push_back(ctx.tag_of(in.u32()));
    return tags;
}

// A row holds the rare fields too (`r`, null for none: the origin, no views,
// no members).
void write_row(pf::Writer& out, const he::Attrs& a, const he::Rare* r, const pf::SaveContext& ctx) {
    static const he::Rare none;
    if (!r) r = &none;
    for (auto f : kInts) out.i32(a.*f);
    std::uint32_t flags = 0;
    for (const FlagField& f : kFlags)
        if (a.*(f.field)) flags |= f.flag;
    out.u32(flags);
    for (double v : r->location) out.f64(v);
    for (auto f : kLaterInts) out.i32(a.*f);
    const std::uint32_t owner = a.owner != 0 && host::objects::is_alive(a.owner) ? ctx.index(a.owner) : kNone;
    out.u32(owner);
    write_refs(out, r->views, ctx);
    write_refs(out, r->members, ctx);
}

// Decodes a row into `a` and the rare fields of `tag` (the fields it does
// not hold keep their values); a rare row is made only for fields that are
// not the defaults.
void read_row(pf::Reader& in, unsigned int tag, he::Attrs& a, const pf::LoadContext& ctx) {
    he::Rare r;
    for (auto f : kInts) a.*f = in.i32();
    const std::uint32_t flags = in.u32();
    for (const FlagField& f : kFlags) a.*(f.field) = (flags & f.flag) != 0;
    for (double& v : r.location) v = in.f64();
    for (auto f : kLaterInts) a.*f = in.i32();
    const std::uint32_t owner = in.u32();
    a.owner = owner == kNone ? 0 : ctx.tag_of(owner);
    r.views = read_refs(in, ctx);
    r.members = read_refs(in, ctx);
    a.highlighted = false;
    auto& rare = rare_table();
    const bool plain = r.location[0] == 0 && r.location[1] == 0 && r.location[2] == 0 && !std::signbit(r.location[0]) &&
                       !std::signbit(r.location[1]) && !std::signbit(r.location[2]) && r.views.empty() &&
                       r.members.empty();
    if (!plain || rare.find(tag)) rare[tag] = std::move(r);
}

void write_section(pf::Writer& out, const pf::SaveContext& ctx) {
    // The part and its objects; objects without a row keep nothing: with
    // none the section is left out.
    // The objects written are alive (the object table refused any other),
    // so their rows are read from the table without asking again.
    const auto& rows = table();
    const auto& rare = rare_table();
    pf::write_object_rows(out, ctx, true, [&](pf::Writer& row, unsigned int t) {
        if (const he::Attrs* a = rows.find(t)) write_row(row, *a, rare.find(t), ctx);
    });
}

void read_section(pf::Reader& in, pf::LoadContext& ctx) {
    // A row gives every field but the highlight, so the rows start empty
    // rather than from the creation settings. They go straight into the
    // table: a read that fails later is rolled back whole with the model
    // (part_file::apply).
    auto& rows = table();
    pf::read_rows(in, ctx, {"entity row", 8, true},
                  [&](unsigned int t, pf::Reader& row) { read_row(row, t, rows[t], ctx); });
}

const bool registered = [] {
    pf::register_section({{'E', 'N', 'T', 'S'}, write_section, read_section});
    return true;
}();

}  // namespace
