// Part-file section "FEAT": the feature records of a part in time order.
//
// Payload: rows (part_file::write_rows), one per feature, in time order:
//   str kind
//   u32 count + object numbers of its parents (features)
//   u32 count + object numbers of its results
//   u32 count + object numbers of its expressions
//   u32 count + f64 fixed numbers
//   u32 count + f64 parameter values its body was built with
//   u32 count + i32 places of the faces and edges it works on in the body
//       before its step (2 i face i, 2 i + 1 edge i, in the kernel's order)
//   u32 object number of its body (kNone: none)
//   i32 its step of the body's recipe (-1: none), i32 boolean sign
//   u32 object number of the expression that suppresses it (kNone: none)
//   u32 flags (kSuppressed ... kCurrent below)
//
// A body is not saved with its recipe: the features read back are made
// again through the kernel at the next update, from the values they were
// built with, and the body read with the part (section "KBDY") hands its
// objects to the body made again. The reader refuses what the feature
// service could not have made: an unknown object number, parents, results
// or expressions that are no features, objects or expressions of the part,
// a body that is no body, a kind the host builds with other counts of
// expressions, numbers or places, a place below -1, a second feature that
// makes a body, a feature of a kind that works on a body making it.
//
// A body that no feature made (one made by the kernel or read from its
// data) goes with its features all the same: its first feature's step is
// then a later one, and the steps before it are made again from those
// saved with the body (section "KSTP"); the part is refused when the body
// read has no such steps.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/part_rules.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/records.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

namespace pf = host::part_file;
namespace hf = host::feature;

constexpr std::uint32_t kNone = 0xFFFFFFFFu;

enum Flag : std::uint32_t {
    kSuppressed = 1u << 0,
    kBuiltSkipped = 1u << 1,
    kOutOfDate = 1u << 2,
    kBrowseable = 1u << 3,
    kControlled = 1u << 4,
    kMeta = 1u << 5,
    kUndeletable = 1u << 6,
    kCurrent = 1u << 7,
};

void write_tags(pf::Writer& out, const pf::SaveContext& ctx, const std::vector<unsigned int>& tags) {
    std::vector<std::uint32_t> numbers;
    for (unsigned int t : tags)
        if (ctx.index(t) != kNone) numbers.push_back(ctx.index(t));
    out.u32(static_cast<std::uint32_t>(numbers.size()));
    for (std::uint32_t n : numbers) out.u32(n);
}

void write_reals(pf::Writer& out, const std::vector<double>& v) {
    out.u32(static_cast<std::uint32_t>(v.size()));
    for (double d : v) out.f64(d);
}

// The places of the feature's faces and edges in the body before its step.
std::vector<int> places_of(const hf::Record& r) {
    if (r.detached || r.refs.empty()) return r.refs;
    const int body = hf::detail::body_entity(r);
    std::vector<int> out;
    if (body == 0 || r.step < 1) return std::vector<int>(r.refs.size(), -1);
    int n = 0;
    int* places = nullptr;
    ZQ_BODY_ask_step_refs(body, r.step, &n, &places);
    out.assign(places, places + n);
    SM_free(places);
    return out;
}

// The features that go into the file with their body: those whose body,
// expressions and every earlier feature of the body go too (a body is made
// again from its features in order, from the first). A feature written
// without them goes as one that builds no body.
std::map<unsigned int, bool> with_body(const pf::SaveContext& ctx, const std::vector<unsigned int>& features) {
    std::map<unsigned int, bool> out;
    std::map<unsigned int, bool> intact;  // body: all its features so far go with it
    for (unsigned int t : features) {
        const hf::Record& r = *hf::find(t);
        if (!r.body) continue;
        // The first feature of a body that no feature made goes with it.
        const auto earlier = intact.find(r.body);
        bool ok = ctx.written(t) && ctx.written(r.body) && (earlier == intact.end() || earlier->second);
        for (unsigned int e : r.exps) ok = ok && ctx.written(e);
        intact[r.body] = ok;
        out[t] = ok;
    }
    return out;
}

void write_section(pf::Writer& out, const pf::SaveContext& ctx) {
    const std::vector<unsigned int> features = hf::features_of_part(ctx.part);
    const unsigned int current = FREC_ask_current_feature(ctx.part);
    const bool navigated = !features.empty() && current != features.back();
    const std::map<unsigned int, bool> built = with_body(ctx, features);
    pf::write_rows(out, ctx, features, [&](pf::Writer& row, unsigned int t) {
        const hf::Record& r = *hf::find(t);
        const auto b = built.find(t);
        const bool body = b != built.end() && b->second;
        row.str(r.kind);
        write_tags(row, ctx, r.parents);
        write_tags(row, ctx, r.results);
        write_tags(row, ctx, r.exps);
        write_reals(row, r.numbers);
        write_reals(row, r.built);
        const std::vector<int> places = body ? places_of(r) : std::vector<int>();
        row.u32(static_cast<std::uint32_t>(places.size()));
        for (int p : places) row.i32(p);
        row.u32(body ? ctx.index(r.body) : kNone);
        row.i32(body ? r.step : -1);
        row.i32(r.sign);
        row.u32(r.suppress_exp ? ctx.index(r.suppress_exp) : kNone);
        std::uint32_t flags = 0;
        if (r.suppressed) flags |= kSuppressed;
        if (r.built_skipped) flags |= kBuiltSkipped;
        if (r.out_of_date) flags |= kOutOfDate;
        if (r.browseable) flags |= kBrowseable;
        if (r.controlled) flags |= kControlled;
        if (r.meta) flags |= kMeta;
        if (r.undeletable) flags |= kUndeletable;
        if (navigated && t == current) flags |= kCurrent;
        row.u32(flags);
    });
}

const host::objects::Object& object_of(const pf::LoadContext& ctx, std::uint32_t number) {
    const host::objects::Object* o = host::objects::find(ctx.tag_of(number));
    if (!o || number == 0) throw pf::FormatError("a feature names an object that is not there");
    return *o;
}

std::vector<unsigned int> read_tags(pf::Reader& in, const pf::LoadContext& ctx,
                                    bool (*accept)(const host::objects::Object&)) {
    const std::uint32_t n = in.u32();
    if (n > in.left() / 4) throw pf::FormatError("a feature's count beyond its row");
    std::vector<unsigned int> out;
    for (std::uint32_t i = 0; i < n; ++i) {
        const host::objects::Object& o = object_of(ctx, in.u32());
        if (!accept(o)) throw pf::FormatError("a feature names an object of the wrong kind");
        out.push_back(o.tag);
    }
    return out;
}

std::vector<double> read_reals(pf::Reader& in) {
    const std::uint32_t n = in.u32();
    if (n > in.left() / 8) throw pf::FormatError("a feature's count beyond its row");
    std::vector<double> out;
    for (std::uint32_t i = 0; i < n; ++i) out.push_back(in.f64());
    return out;
}

bool is_feature(const host::objects::Object& o) { return o.cls == OM_CLASS_FEATURE; }
bool is_expression(const host::objects::Object& o) { return o.cls == OM_CLASS_EXPRESSION; }
bool is_any(const host::objects::Object& o) { return o.cls != OM_CLASS_PART; }

void read_section(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<unsigned int, hf::Record>> rows;
    unsigned int current = 0;
    pf::read_rows(in, ctx, {"feature row", 8, false}, [&](unsigned int t, pf::Reader& row) {
        if (!is_feature(host::objects::require(t)))
            throw pf::FormatError("a feature row of an object that is no feature");
        hf::Record r;
        r.kind = row.str();
        if (r.kind.empty()) throw pf::FormatError("a feature without a kind");
        r.parents = read_tags(row, ctx, is_feature);
        r.results = read_tags(row, ctx, is_any);
        r.exps = read_tags(row, ctx, is_expression);
        r.numbers = read_reals(row);
        r.built = read_reals(row);
        const std::uint32_t n = row.u32();
        if (n > row.left() / 4) throw pf::FormatError("a feature's count beyond its row");
        for (std::uint32_t i = 0; i < n; ++i) {
            r.refs.push_back(row.i32());
            if (r.refs.back() < -1) throw pf::FormatError("a feature's face or edge place is negative");
        }
        const std::uint32_t body = row.u32();
        if (body != kNone) {
            const host::objects::Object& o = object_of(ctx, body);
            if (o.type != HOST_TYPE_SOLID || o.subtype != HOST_SUBTYPE_BODY)
                throw pf::FormatError("a feature's body is no body");
            r.body = o.tag;
        }
        r.step = row.i32();
        r.sign = row.i32();
        const std::uint32_t suppress = row.u32();
        if (suppress != kNone) {
            const host::objects::Object& o = object_of(ctx, suppress);
            if (!is_expression(o)) throw pf::FormatError("a feature is suppressed by no expression");
            r.suppress_exp = o.tag;
        }
        const std::uint32_t flags = row.u32();
        r.suppressed = flags & kSuppressed;
        r.built_skipped = flags & kBuiltSkipped;
        r.out_of_date = flags & kOutOfDate;
        r.browseable = flags & kBrowseable;
        r.controlled = flags & kControlled;
        r.meta = flags & kMeta;
        r.undeletable = flags & kUndeletable;
        if (flags & kCurrent) current = t;
        if (const hf::Kind* k = hf::find_kind(r.kind); k && r.body) {
            if (r.exps.size() != k->parameters.size() || r.built.size() != r.exps.size() ||
                (k->numbers != host::feature::kAnyNumbers &&
                 r.numbers.size() != static_cast<std::size_t>(k->numbers)) ||
                r.step < 0 || (k->needs_target && r.step == 0) ||
                r.refs.size() < static_cast<std::size_t>(k->refs_min) ||
                r.refs.size() > static_cast<std::size_t>(k->refs_max) || r.sign < FEAT_SIGN_NEW ||
                r.sign > FEAT_SIGN_INTERSECT)
                throw pf::FormatError("a feature's parameters are not those of its kind");
            r.detached = true;
        } else if (r.body || r.step != -1) {
            throw pf::FormatError("a feature of a kind the host does not build has a body");
        }
        rows.emplace_back(t, std::move(r));
    });
    // Only a body's first feature may make it.
    std::map<unsigned int, bool> made;
    for (const auto& [t, r] : rows) {
        if (!r.body) continue;
        if (made.count(r.body) && r.step == 0) throw pf::FormatError("a body is made twice");
        made[r.body] = true;
    }
    auto& order = hf::detail::change_order();
    std::vector<unsigned int>& list = order.features[ctx.part];
    for (auto& [t, r] : rows) {
        hf::detail::records()[t] = std::move(r);
        list.push_back(t);
    }
    if (current) order.current[ctx.part] = current;
}

// A body read whose first feature comes after steps of the body's own has
// those steps (the body's steps are read in a section of their own).
const char* first_steps_rule(unsigned int part) {
    std::map<unsigned int, bool> seen;
    for (unsigned int f : hf::features_of_part(part)) {
        const hf::Record& r = *hf::find(f);
        if (!r.body || !r.detached || !seen.emplace(r.body, true).second || r.step == 0) continue;
        int steps = 0;
        if (const int body = host::kernel::entity_of(r.body)) ZQ_BODY_ask_step_count(body, &steps);
        if (r.step >= steps) return "a body's first feature comes after steps the body does not have";
    }
    return nullptr;
}

const bool registered = (pf::register_section({{'F', 'E', 'A', 'T'}, write_section, read_section}),
                         host::part_rules::register_rule(first_steps_rule), true);

}  // namespace
