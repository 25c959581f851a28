// Feature sets (host/apps/modeling/sets/feature_sets.h): a row per set beside its
// feature record, the hiding of members in the feature browser, and the
// part-file section that keeps the rows.
#include "host/apps/modeling/sets/feature_sets.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/records.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace host::feature_sets {
namespace {

namespace hf = host::feature;
namespace ho = host::objects;

constexpr const char* kKind = "FSET";

struct SetRow {
    std::string name;
    int flag = 0;
    bool hidden = false;
    std::vector<tag_t> members;
    std::vector<tag_t> taken_out;  // members this set took out of the browser
};
TagTable<SetRow>& rows() {
    static auto* const t = new TagTable<SetRow>("feature sets");
    return *t;
}
const bool registered = (rows(), true);

const SetRow* row_of(tag_t set) { return hf::find(set) ? rows().find(set) : nullptr; }

std::vector<tag_t> live(const std::vector<tag_t>& tags) {
    std::vector<tag_t> out;
    for (tag_t t : tags)
        if (hf::find(t)) out.push_back(t);
    return out;
}

// The set a routine works on; raises for a feature that is no set.
const SetRow& require_set(const Call& call, tag_t set) {
    call.live(set);
    if (!hf::find(set)) call.fail(FEAT_ERR_NOT_A_FEATURE, "object %u is no feature", set);
    const SetRow* r = row_of(set);
    if (!r) call.fail(FEAT_ERR_BAD_REFERENCE, "feature %u is no feature set", set);
    return *r;
}

std::vector<tag_t> copy_in(const Call& call, const unsigned int* tags, int count) {
    if (count < 0) call.fail(HOST_ERR_BAD_ARGUMENT, "a negative count %d", count);
    if (count > 0) call.need(tags, "the members");
    return count > 0 ? std::vector<tag_t>(tags, tags + count) : std::vector<tag_t>{};
}

// Members must be live features of the set's part, each once, and none the
// set itself or later than it (set 0: not made yet).
void check_members(const Call& call, tag_t part, tag_t set, const std::vector<tag_t>& members) {
    for (std::size_t i = 0; i < members.size(); ++i) {
        const tag_t m = members[i];
        if (!hf::find(m)) call.fail(FEAT_ERR_NOT_A_FEATURE, "member %u is no live feature", m);
        if (ho::require(m).part != part) call.fail(FEAT_ERR_BAD_REFERENCE, "member %u is of another part", m);
        if (std::find(members.begin(), members.begin() + static_cast<std::ptrdiff_t>(i), m) !=
            members.begin() + static_cast<std::ptrdiff_t>(i))
            call.fail(FEAT_ERR_BAD_REFERENCE, "member %u is given twice", m);
        if (set != 0 && (m == set || FREC_sort_frecs(m, set) > 0))
            call.fail(FEAT_ERR_BAD_REFERENCE, "member %u is not older than the set", m);
    }
}

// Another hidden set that holds the member (0 for none).
tag_t hidden_by_other(tag_t member, tag_t except) {
    for (tag_t f : hf::features_of_part(ho::require(member).part)) {
        const SetRow* r = f == except ? nullptr : row_of(f);
        if (r && r->hidden && std::find(r->members.begin(), r->members.end(), member) != r->members.end()) return f;
    }
    return 0;
}

void set_browseable(tag_t feature, bool on) {
    const hf::Record* r = hf::find(feature);
    if (r && r->browseable != on) hf::set_flags(feature, on, r->controlled, r->meta);
}

// Takes the hidden set's members out of the browser (those still shown),
// or puts back the ones it took out when it is shown; one that another
// hidden set holds stays out, as taken out by that set.
void apply_hidden(tag_t set) {
    if (!row_of(set)->hidden) {
        const std::vector<tag_t> back = live(std::exchange(rows().edit(set)->taken_out, {}));
        for (tag_t m : back) {
            if (const tag_t other = hidden_by_other(m, set)) rows().edit(other)->taken_out.push_back(m);
            else set_browseable(m, true);
        }
        return;
    }
    for (tag_t m : live(row_of(set)->members)) {
        const hf::Record* r = hf::find(m);
        if (!r->browseable) continue;
        set_browseable(m, false);
        rows().edit(set)->taken_out.push_back(m);
    }
}

std::string text_of(const Call& call, const char* name) {
    call.need(name, "the name");
    return name;
}

void tags_out(const std::vector<tag_t>& v, int* count, unsigned int** out, bool block_when_empty) {
    *count = static_cast<int>(v.size());
    *out = nullptr;
    if (v.empty() && !block_when_empty) return;
    *out = static_cast<unsigned int*>(SM_alloc(std::max<std::size_t>(v.size(), 1) * sizeof(unsigned int)));
    std::copy(v.begin(), v.end(), *out);
}

tag_t make(const Call& call, tag_t part, const std::string& kind, const std::string& name,
           const std::vector<tag_t>& members, int flag) {
    const ho::Object* p = ho::find(part);
    if (!p || p->cls != OM_CLASS_PART) call.fail(FEAT_ERR_NOT_A_PART, "object %u is no part", part);
    if (!name.empty() && FSET_ask_fset_of_name(part, name.c_str()) != 0)
        call.fail(FEAT_ERR_BAD_PARAMETERS, "the part has a set named \"%s\" already", name.c_str());
    check_members(call, part, 0, members);
    const tag_t set = hf::create(part, kind);
    if (kind == kKind) hf::set_flags(set, true, false, true);
    SetRow& row = rows()[set];
    row.name = name;
    row.flag = flag;
    row.members = members;
    row.hidden = flag != 0;
    apply_hidden(set);
    return set;
}

}  // namespace

tag_t create(tag_t part, const std::string& kind, const std::string& name, const std::vector<tag_t>& members,
             int flag) {
    const Call call("FSET_create", nullptr);
    return make(call, part, kind, name, members, flag);
}

std::vector<tag_t> members(tag_t set) {
    const SetRow* r = row_of(set);
    return r ? live(r->members) : std::vector<tag_t>{};
}

bool is_set(tag_t object) { return row_of(object) != nullptr; }

}  // namespace host::feature_sets

namespace fs = host::feature_sets;

extern "C" {

unsigned int FSET_create_fset(const unsigned int members[], int count, int flag, const char* name) {
    auto call = HOST_ENTRY_TEXT(name, members, count, flag);
    const std::string text = fs::text_of(call, name);
    if (text.empty()) call.fail(FEAT_ERR_BAD_PARAMETERS, "a set without a name");
    return fs::make(call, host::parts::work_part(), fs::kKind, text, fs::copy_in(call, members, count), flag);
}

void FSET_replace_members(unsigned int set, const unsigned int members[], int count) {
    auto call = HOST_ENTRY(set, members, count);
    fs::require_set(call, set);
    const std::vector<unsigned int> now = fs::copy_in(call, members, count);
    fs::check_members(call, host::objects::require(set).part, set, now);
    // Shown while the members change, hidden again with the new ones.
    const bool hidden = fs::row_of(set)->hidden;
    if (hidden) {
        fs::rows().edit(set)->hidden = false;
        fs::apply_hidden(set);
    }
    fs::SetRow& row = *fs::rows().edit(set);
    row.members = now;
    row.hidden = hidden;
    if (hidden) fs::apply_hidden(set);
}

int FSET_set_hidden_flag(unsigned int set, int state) {
    auto call = HOST_ENTRY(set, state);
    const bool now = state != 0;
    if (fs::require_set(call, set).hidden != now) {
        fs::rows().edit(set)->hidden = now;
        fs::apply_hidden(set);
    }
    return now ? 1 : 0;
}

int FSET_frec_is_a_group(unsigned int object) {
    HOST_ENTRY(object);
    return fs::is_set(object) ? 1 : 0;
}

int FSET_frec_is_a_member(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    call.live(feature);
    for (unsigned int f : host::feature::features_of_part(host::objects::require(feature).part)) {
        const fs::SetRow* r = fs::row_of(f);
        if (r && std::find(r->members.begin(), r->members.end(), feature) != r->members.end()) return 1;
    }
    return 0;
}

void FSET_frec_ask_groups_of_member(unsigned int feature, int* count, unsigned int** sets) {
    auto call = HOST_ENTRY(feature, count, sets);
    call.need(count, "the count output");
    call.need(sets, "the sets output");
    call.live(feature);
    std::vector<unsigned int> out;
    for (unsigned int f : host::feature::features_of_part(host::objects::require(feature).part)) {
        const fs::SetRow* r = fs::row_of(f);
        if (r && std::find(r->members.begin(), r->members.end(), feature) != r->members.end()) out.push_back(f);
    }
    fs::tags_out(out, count, sets, false);
}

void FSET_ask_group_members(unsigned int set, int* count, unsigned int** members) {
    auto call = HOST_ENTRY(set, count, members);
    call.need(count, "the count output");
    call.need(members, "the members output");
    fs::tags_out(fs::live(fs::require_set(call, set).members), count, members, true);
}

unsigned int FSET_ask_fset_of_name(unsigned int part, const char* name) {
    auto call = HOST_ENTRY_TEXT(name, part);
    call.need(name, "the name");
    for (unsigned int f : host::feature::features_of_part(part)) {
        const fs::SetRow* r = fs::row_of(f);
        if (r && !r->name.empty() && r->name == name) return f;
    }
    return 0;
}

void UPDATE_log_object_created(unsigned int object) {
    auto call = HOST_ENTRY(object);
    call.live(object);
    const host::feature::Record* r = host::feature::find(object);
    if (r && r->step >= 0 && !r->out_of_date) host::feature::detail::edit(object)->out_of_date = true;
}

}  // extern "C"

// Part-file section "FSET": the rows of the part's feature sets. Payload:
// rows (part_file::write_rows), one per set:
//   str name, i32 flag, u8 hidden
//   u32 count + object numbers of its members (features)
//   u32 count + object numbers of the members it took out of the browser
// The reader refuses a row of an object that is no feature and members
// that are no features of the part.
namespace {

namespace pf = host::part_file;

void write_tags(pf::Writer& out, const pf::SaveContext& ctx, const std::vector<unsigned int>& tags) {
    std::vector<std::uint32_t> numbers;
    for (unsigned int t : tags)
        if (ctx.index(t) != 0xFFFFFFFFu && ctx.index(t) != 0) numbers.push_back(ctx.index(t));
    out.u32(static_cast<std::uint32_t>(numbers.size()));
    for (std::uint32_t n : numbers) out.u32(n);
}

std::vector<unsigned int> read_tags(pf::Reader& in, const pf::LoadContext& ctx) {
    const std::uint32_t n = in.u32();
    if (n > in.left() / 4) throw pf::FormatError("a feature set's count beyond its row");
    std::vector<unsigned int> out;
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t number = in.u32();
        const host::objects::Object* o = number == 0 ? nullptr : host::objects::find(ctx.tag_of(number));
        if (!o || o->cls != OM_CLASS_FEATURE) throw pf::FormatError("a feature set's member is no feature");
        out.push_back(o->tag);
    }
    return out;
}

void write_section(pf::Writer& out, const pf::SaveContext& ctx) {
    std::vector<unsigned int> sets;
    for (unsigned int f : host::feature::features_of_part(ctx.part))
        if (fs::is_set(f)) sets.push_back(f);
    pf::write_rows(out, ctx, sets, [&](pf::Writer& row, unsigned int t) {
        const fs::SetRow& r = *fs::row_of(t);
        row.str(r.name);
        row.i32(r.flag);
        row.u8(r.hidden ? 1 : 0);
        write_tags(row, ctx, fs::live(r.members));
        write_tags(row, ctx, fs::live(r.taken_out));
    });
}

void read_section(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<unsigned int, fs::SetRow>> rows;
    pf::read_rows(in, ctx, {"feature set row", 17, false}, [&](unsigned int t, pf::Reader& row) {
        if (host::objects::require(t).cls != OM_CLASS_FEATURE)
            throw pf::FormatError("a feature set row of an object that is no feature");
        fs::SetRow r;
        r.name = row.str();
        r.flag = row.i32();
        r.hidden = row.u8() != 0;
        r.members = read_tags(row, ctx);
        r.taken_out = read_tags(row, ctx);
        rows.emplace_back(t, std::move(r));
    });
    for (auto& [t, r] : rows) fs::rows()[t] = std::move(r);
}

const bool section_registered = (pf::register_section({{'F', 'S', 'E', 'T'}, write_section, read_section}), true);

}  // namespace
