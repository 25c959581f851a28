// Other faces, edges and fixed numbers for a feature that edits a body
// (FEAT_redefine, host/model/feature/feature.h).
#include <cmath>
#include <vector>

#include "host/model/feature/records.h"
#include "host/apps/modeling/redefine/redefine_refs.h"
#include "host/base/hook.h"
#include "host/kernel/ops/face_edits.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/objects.h"

namespace hf = host::feature;

namespace {

// keep_refs: the feature keeps the references it has; else it takes those
// given, which a feature off its body's faces (as_given) may hold fewer of
// than its kind is made with.
int redefine(unsigned int feature, int n_refs, const unsigned int refs[], int n_numbers, const double numbers[],
             bool keep_refs, bool as_given) {
    const hf::Record* r = hf::find(feature);
    if (!r) return FEAT_ERR_NOT_A_FEATURE;
    // A feature read from a file is made again as saved first: the update
    // must find the saved body as it was, and the new references then lie
    // on the body the kernel holds.
    if (r->detached) {
        if (int code = hf::caught([&] { hf::attach(host::objects::require(feature).part); })) return code;
        r = hf::find(feature);
    }
    const hf::Kind* k = hf::find_kind(r->kind);
    if (!k || !k->build || r->step < 1 || r->body == 0 || (!keep_refs && !as_given && n_refs < k->refs_min) ||
        n_refs > k->refs_max || (k->numbers != hf::kAnyNumbers && n_numbers != k->numbers) || n_numbers < 0 ||
        (n_refs > 0 && !refs) || (n_numbers > 0 && !numbers))
        return FEAT_ERR_BAD_PARAMETERS;
    std::vector<int> tags;
    for (int i = 0; i < n_refs; ++i) {
        if (!ES_solid_is_a_face(refs[i]) && !ES_solid_is_a_edge(refs[i])) return FEAT_ERR_BAD_REFERENCE;
        if (ES_solid_ask_body(refs[i]) != r->body) return FEAT_ERR_BAD_REFERENCE;
        tags.push_back(host::kernel::entity_of(refs[i]));
    }
    for (int i = 0; i < n_numbers; ++i)
        if (!std::isfinite(numbers[i])) return FEAT_ERR_BAD_PARAMETERS;
    if (keep_refs) tags = r->refs;
    // The kernel's step keeps the faces it works on; a feature left with
    // none (on a datum plane) keeps its step's as they were.
    if (tags != r->refs && !tags.empty()) {
        const int body = hf::detail::body_entity(*r);
        if (body == 0) return FEAT_ERR_BAD_REFERENCE;
        if (int code = hf::caught([&] { ZQ_BODY_set_step_refs(body, r->step, n_refs, tags.data()); })) return code;
    }
    hf::Record& w = *hf::detail::edit(feature);
    w.refs = std::move(tags);
    w.numbers.assign(numbers, numbers + n_numbers);
    w.out_of_date = true;
    return 0;
}

}  // namespace

extern "C" int FEAT_redefine(unsigned int feature, int n_refs, const unsigned int refs[], int n_numbers,
                             const double numbers[]) {
    auto call = HOST_ENTRY(feature, n_refs, refs, n_numbers);
    int status = 0;
    if (call.status(status)) return status;
    return redefine(feature, n_refs, refs, n_numbers, numbers, n_refs == 0, false);
}

int host::feature::redefine_all(unsigned int feature, const std::vector<unsigned int>& refs,
                                const std::vector<double>& numbers) {
    auto call = HOST_ENTRY(feature, refs.size(), numbers.size());
    int status = 0;
    if (call.status(status)) return status;
    return redefine(feature, static_cast<int>(refs.size()), refs.data(), static_cast<int>(numbers.size()),
                    numbers.data(), false, true);
}
