// The sources of instance sets and their part-file section (see
// instance_set_rows.h).
//
// A set keeps its sources as tags among its fixed numbers; tags are given
// anew when a part is read, so the section "ISRC" keeps them by object
// number. Payload: rows (part_file::write_rows), one per instance set:
//   u32 count + object numbers of its sources (features), in order
// The reader refuses a row of an object that is no feature, a row without
// sources, and sources that are no features or the set itself. The rows
// read wait in a table until the set is made again (attach), which takes
// its sources from there.
#include "host/apps/modeling/sets/instance_set_rows.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "host/store/parts/part_file.h"
#include "host/model/feature/records.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace host::feature {
namespace {

// Sources read from a file, by set, until the set is made again.
TagTable<std::vector<tag_t>>& saved_sources() {
    static auto* const t = new TagTable<std::vector<tag_t>>("instance set sources read");
    return *t;
}
const bool saved_made = (saved_sources(), true);

// The set whose record r is (its expressions are its own), or 0.
tag_t set_of_record(const Record& r) {
    if (r.exps.empty() || !objects::is_alive(r.exps[0])) return 0;
    for (tag_t f : features_of_part(objects::require(r.exps[0]).part))
        if (find(f)->exps == r.exps) return f;
    return 0;
}

std::vector<tag_t> sources_in_numbers(const Record& r) {
    std::vector<tag_t> out;
    for (std::size_t i = instance_set_head(r.kind); i < r.numbers.size(); ++i)
        out.push_back(static_cast<tag_t>(r.numbers[i]));
    return out;
}

}  // namespace

bool on_same_body(const Record& x, const Record& r) {
    return x.body == r.body || (x.detached && x.body != 0 && x.body == detail::attaching_body());
}

bool cuts_or_unites_a_tool(const Record& r) { return r.body != 0 && r.step >= 1 && (r.tool != 0 || r.detached); }

std::vector<tag_t> instance_set_sources(tag_t set) {
    if (const std::vector<tag_t>* saved = saved_sources().find(set)) return *saved;
    const Record* r = find(set);
    return r && instance_set_head(r->kind) > 0 ? sources_in_numbers(*r) : std::vector<tag_t>{};
}

std::vector<int> instance_source_steps(const Call& call, Record& r, std::size_t head) {
    if (const tag_t set = set_of_record(r); set != 0 && saved_sources().find(set)) {
        r.numbers.resize(std::min(r.numbers.size(), head));
        for (tag_t s : *saved_sources().find(set)) r.numbers.push_back(static_cast<double>(s));
        saved_sources().erase(set);
    } else if (r.detached &&
               std::any_of(r.numbers.begin() + static_cast<std::ptrdiff_t>(std::min(r.numbers.size(), head)),
                           r.numbers.end(), [&](double s) {
                               return std::find(r.parents.begin(), r.parents.end(), static_cast<tag_t>(s)) ==
                                      r.parents.end();
                           })) {
        // A file written before the sources were kept: they are the set's
        // parents after the features that make its body.
        r.numbers.resize(std::min(r.numbers.size(), head));
        for (tag_t p : r.parents)
            if (const Record* x = find(p); x && x->step != 0) r.numbers.push_back(static_cast<double>(p));
    }
    std::vector<int> steps;
    for (std::size_t i = head; i < r.numbers.size(); ++i) {
        const Record* s = find(static_cast<tag_t>(r.numbers[i]));
        if (!s || !on_same_body(*s, r) || !cuts_or_unites_a_tool(*s))
            call.fail(FEAT_ERR_BAD_REFERENCE, "a source of the set is no tool of its body");
        steps.push_back(s->step);
    }
    return steps;
}

}  // namespace host::feature

namespace {

namespace pf = host::part_file;
namespace hf = host::feature;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;

void write_sources(pf::Writer& out, const pf::SaveContext& ctx) {
    std::vector<unsigned int> sets;
    for (unsigned int f : hf::features_of_part(ctx.part))
        if (hf::instance_set_head(hf::find(f)->kind) > 0) sets.push_back(f);
    pf::write_rows(out, ctx, sets, [&](pf::Writer& row, unsigned int t) {
        std::vector<std::uint32_t> numbers;
        for (unsigned int s : hf::instance_set_sources(t))
            if (const std::uint32_t n = ctx.index(s); n != kNone && n != 0) numbers.push_back(n);
        if (numbers.empty()) return;
        row.u32(static_cast<std::uint32_t>(numbers.size()));
        for (std::uint32_t n : numbers) row.u32(n);
    });
}

void read_sources(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<unsigned int, std::vector<unsigned int>>> rows;
    pf::read_rows(in, ctx, {"instance set row", 8, false}, [&](unsigned int t, pf::Reader& row) {
        if (host::objects::require(t).cls != OM_CLASS_FEATURE)
            throw pf::FormatError("an instance set row of an object that is no feature");
        const std::uint32_t n = row.u32();
        if (n == 0 || n > row.left() / 4) throw pf::FormatError("an instance set's source count beyond its row");
        std::vector<unsigned int> sources;
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::uint32_t number = row.u32();
            if (number == 0) throw pf::FormatError("an instance set's source is the part");
            const unsigned int f = ctx.tag_of(number);
            const host::objects::Object* o = host::objects::find(f);
            if (!o || o->cls != OM_CLASS_FEATURE || f == t)
                throw pf::FormatError("an instance set's source is no other feature");
            sources.push_back(f);
        }
        rows.emplace_back(t, std::move(sources));
    });
    for (auto& [t, sources] : rows) hf::saved_sources()[t] = std::move(sources);
}

const bool section_registered = (pf::register_section({{'I', 'S', 'R', 'C'}, write_sources, read_sources}), true);

}  // namespace
