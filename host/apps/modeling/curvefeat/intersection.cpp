// Intersection curve features (host/apps/modeling/curvefeat/curvefeat.h): where the
// objects of two sets (bodies, faces, datum planes) meet.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "host/store/entities/entity_delete.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/curve_entities.h"
#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/apps/modeling/curvefeat/file_rows.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/profiles.h"
#include "host/base/hook.h"
#include "host/kernel/curves/derived_curves.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

using tag_t = unsigned int;
namespace kc = host::kernel::curvefeat;

constexpr const char* kKind = "INTERSECTION_CURVE";

struct IntersectParams {
    double tolerance = 0;
    int kinds[2] = {0, 0};
    std::vector<tag_t> sets[2];
    int quintic = 0;
    // The set 1 and set 2 objects each output curve lies on, in result order.
    std::vector<std::pair<tag_t, tag_t>> parents;
    std::vector<double> inputs;
};
host::TagTable<IntersectParams>& params() {
    static auto* const t = new host::TagTable<IntersectParams>("intersection curves");
    return *t;
}
const bool registered = (params(), true);

kc::Member member_of(tag_t object) {
    kc::Member m;
    // A plane or datum plane stands for its plane; anything else for
    // itself.
    if (!host::profiles::direction_data(object, m.plane.point, m.plane.normal)) m.object = object;
    return m;
}

struct Made {
    std::vector<hostnum::Curve> curves;
    std::vector<std::pair<tag_t, tag_t>> parents;
};

Made intersected(const host::Call& call, const IntersectParams& p) {
    Made out;
    for (tag_t a : p.sets[0])
        for (tag_t b : p.sets[1]) {
            call.live(a);
            call.live(b);
            for (auto& c : kc::intersect(call, member_of(a), member_of(b))) {
                out.curves.push_back(std::move(c));
                out.parents.emplace_back(a, b);
            }
        }
    if (out.curves.empty()) call.fail(CURVEFEAT_ERR_NO_CURVE, "the sets do not meet");
    return out;
}

std::vector<tag_t> all_inputs(const IntersectParams& p) {
    std::vector<tag_t> v = p.sets[0];
    v.insert(v.end(), p.sets[1].begin(), p.sets[1].end());
    return v;
}

IntersectParams from_record(const host::Call& call, const ICURVES_parms_t* r) {
    call.need(r, "the intersection record");
    if ((r->n1 > 0 && !r->set1) || (r->n2 > 0 && !r->set2)) call.fail(HOST_ERR_NULL_ARGUMENT, "a set without objects");
    if (r->n1 <= 0 || r->n2 <= 0) call.fail(HOST_ERR_BAD_ARGUMENT, "an empty intersection set");
    // The kinds a part file can hold again (1 body, 2 faces, 3 datum plane).
    for (int k : {r->kind1, r->kind2})
        if (k < 1 || k > 3) call.fail(HOST_ERR_BAD_ARGUMENT, "an intersection set of kind %d", k);
    IntersectParams p;
    p.tolerance = r->tolerance;
    p.kinds[0] = r->kind1;
    p.kinds[1] = r->kind2;
    p.sets[0].assign(r->set1, r->set1 + r->n1);
    p.sets[1].assign(r->set2, r->set2 + r->n2);
    p.quintic = r->quintic;
    return p;
}

const IntersectParams& intersect_params(const host::Call& call, tag_t feature) {
    call.live(feature);
    const IntersectParams* p = params().find(feature);
    if (!p || !host::feature::find(feature))
        call.fail(CURVEFEAT_ERR_WRONG_FEATURE, "tag %u is no intersection feature", feature);
    return *p;
}

// Makes the feature's curves again from p and keeps p with it.
void remake(const host::Call& call, tag_t feature, IntersectParams p) {
    Made made = intersected(call, p);
    host::feature::set_results(feature, host::curvefeat::renew(host::feature::find(feature)->results, made.curves));
    p.parents = std::move(made.parents);
    p.inputs = host::curvefeat::fingerprint(all_inputs(p));
    params()[feature] = std::move(p);
}

void follow() {
    host::curvefeat::follow_kind(
        "ICURVES_update", kKind,
        {[](tag_t f) {
             const IntersectParams* p = params().find(f);
             return p ? &p->inputs : nullptr;
         },
         [](tag_t f) { return host::curvefeat::fingerprint(all_inputs(*params().find(f))); },
         [](const host::Call& call, tag_t f, const std::vector<double>&) { remake(call, f, *params().find(f)); }});
}
const bool following = (host::curvefeat::follow_updates(follow), true);

// ---- part files (host/apps/modeling/curvefeat/file_rows.h) ----
//
// An intersection's row: f64 tolerance, 2 i32 set kinds (1 to 3), the two
// sets (u32 count, u32 objects each), i32 quintic, u32 count of output
// curves and, for each, the u32 set 1 and set 2 objects it lies on (none
// for a parent deleted since). A set member not in the file leaves the
// feature without a row.
namespace fr = host::curvefeat::file_rows;

void write_row(fr::Out& out, tag_t feature) {
    const IntersectParams& p = *params().find(feature);
    out.w().f64(p.tolerance);
    for (int k : p.kinds) out.w().i32(k);
    for (const auto& set : p.sets) out.tags(set);
    out.w().i32(p.quintic);
    out.w().u32(static_cast<std::uint32_t>(p.parents.size()));
    for (const auto& [a, b] : p.parents) {
        out.optional_tag(a);
        out.optional_tag(b);
    }
}

std::function<void()> read_row(fr::In& in, tag_t feature) {
    IntersectParams p;
    p.tolerance = in.real();
    for (int& k : p.kinds) k = in.range(1, 3);
    for (auto& set : p.sets) {
        set = in.tags(fr::target);
        if (set.empty()) throw host::part_file::FormatError("an intersection feature with an empty set");
    }
    p.quintic = in.r().i32();
    const std::uint32_t n = in.count(8);
    for (std::uint32_t i = 0; i < n; ++i) {
        const tag_t a = in.tag(fr::target, true);
        p.parents.emplace_back(a, in.tag(fr::target, true));
    }
    return [feature, p] { params()[feature] = p; };
}

const bool filed =
    (fr::register_kind({kKind, [](tag_t f) { return params().find(f) != nullptr; }, write_row, read_row}), true);

}  // namespace

extern "C" {

void ICURVES_create_feature(const ICURVES_parms_t* parms, unsigned int* feature) {
    auto call = HOST_ENTRY(parms, feature);
    call.need(feature, "the feature output");
    *feature = 0;
    IntersectParams p = from_record(call, parms);
    Made made = intersected(call, p);
    const std::vector<tag_t> outputs = host::curvefeat::renew({}, made.curves);
    const tag_t f =
        host::feature::create(CONTEXT_ask_work_part(), kKind, host::curvefeat::producers(all_inputs(p)), outputs);
    p.parents = std::move(made.parents);
    p.inputs = host::curvefeat::fingerprint(all_inputs(p));
    params()[f] = std::move(p);
    *feature = f;
}

void ICURVES_update_feature(const ICURVES_parms_t* parms, unsigned int feature) {
    auto call = HOST_ENTRY(parms, feature);
    intersect_params(call, feature);
    remake(call, feature, from_record(call, parms));
}

int ICURVES_validate_frec(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    if (int status; call.status(status)) return status;
    if (!host::objects::is_alive(feature) || !params().find(feature) || !host::feature::find(feature))
        return CURVEFEAT_ERR_WRONG_FEATURE;
    return host::feature::find(feature)->results.empty() ? CURVEFEAT_ERR_NO_CURVE : 0;
}

int ICURVES_is_icurves_frec(unsigned int feature) {
    HOST_ENTRY(feature);
    if (!host::objects::is_alive(feature) || !host::feature::find(feature)) return 0;
    return params().find(feature) ? 1 : 2;
}

void ICURVES_read_parms(unsigned int feature, ICURVES_parms_t* parms) {
    auto call = HOST_ENTRY(feature, parms);
    call.need(parms, "the intersection record");
    const IntersectParams& p = intersect_params(call, feature);
    ICURVES_parms_t r{};
    r.tolerance = p.tolerance;
    r.kind1 = p.kinds[0];
    r.kind2 = p.kinds[1];
    r.n1 = static_cast<int>(p.sets[0].size());
    r.set1 = host::curvefeat::hand_out(p.sets[0]);
    r.n2 = static_cast<int>(p.sets[1].size());
    r.set2 = host::curvefeat::hand_out(p.sets[1]);
    r.quintic = p.quintic;
    *parms = r;
}

void ICURVES_ask_developed_curves(unsigned int feature, int* count, unsigned int** curves) {
    auto call = HOST_ENTRY(feature, count, curves);
    call.need(count, "the count output");
    call.need(curves, "the curves output");
    intersect_params(call, feature);
    const std::vector<tag_t>& r = host::feature::find(feature)->results;
    *count = static_cast<int>(r.size());
    *curves = host::curvefeat::hand_out(r);
}

void ICURVES_ask_curve_parents(unsigned int feature, unsigned int curve, unsigned int parents[2]) {
    auto call = HOST_ENTRY(feature, curve, parents);
    call.need(parents, "the parents output");
    parents[0] = parents[1] = 0;
    const IntersectParams& p = intersect_params(call, feature);
    const std::vector<tag_t>& r = host::feature::find(feature)->results;
    const auto it = std::find(r.begin(), r.end(), curve);
    const std::size_t i = static_cast<std::size_t>(it - r.begin());
    if (it == r.end() || i >= p.parents.size()) return;
    // A parent deleted since answers 0.
    parents[0] = host::objects::is_alive(p.parents[i].first) ? p.parents[i].first : 0;
    parents[1] = host::objects::is_alive(p.parents[i].second) ? p.parents[i].second : 0;
}

}  // extern "C"
