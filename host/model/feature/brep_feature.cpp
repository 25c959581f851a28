// B-rep features ("BREP"): features whose body is a shape of its own, not
// made from parameters. A feature that makes its body becomes one when its
// faces are edited directly (host/kernel/bsurf/bsurf.h): the body keeps its shape
// as one plain step, and the update makes it again as it is.
#include <string>
#include <vector>

#include "host/kernel/bsurf/bsurf.h"
#include "host/model/feature/records.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace host::feature {
namespace {

using namespace detail;

constexpr const char* kBrep = "BREP";

// A B-rep feature is built only when a part file is read: its body is a
// copy of the body read with it.
void build_brep(const Call& call, Record& r, const std::vector<double>&) {
    const tag_t source = attaching_body();
    const int entity = source ? kernel::entity_of(source) : 0;
    if (entity == 0) call.fail(FEAT_ERR_BAD_PARAMETERS, "a B-rep feature has no parameters to be made from");
    int copy = 0;
    if (int code = KI_copyen(entity, &copy)) call.fail(code, "the body cannot be copied");
    pxlook_(&copy, &r.body);
    r.step = 0;
}

std::vector<std::pair<int, double>> brep_numbers(const Record&, const std::vector<double>&) { return {}; }

const bool kind_made = [] {
    register_kind({kBrep, {}, kAnyNumbers, 0, 0, false, build_brep, brep_numbers});
    return true;
}();

const Record& require_feature(const Call& call, tag_t feature) {
    call.live(feature);
    const Record* r = find(feature);
    if (!r) call.fail(FEAT_ERR_NOT_A_FEATURE, "object %u is no feature", feature);
    return *r;
}

}  // namespace
}  // namespace host::feature

namespace hf = host::feature;

extern "C" {

int FMA_can_be_converted(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    int status;
    if (call.status(status)) return status;
    const hf::Record& r = hf::require_feature(call, feature);
    const hf::Kind* k = hf::find_kind(r.kind);
    return k && k->build && r.sign == FEAT_SIGN_NEW ? 1 : 0;
}

int FMI_invoke_create_body(unsigned int feature, int mode) {
    auto call = HOST_ENTRY(feature, mode);
    int status;
    if (call.status(status)) return status;
    const hf::Record& r = hf::require_feature(call, feature);
    if (r.body != 0) return 0;
    const hf::Kind* k = hf::find_kind(r.kind);
    if (!k || !k->build || r.sign != FEAT_SIGN_NEW) return FEAT_ERR_UNKNOWN_KIND;
    hf::Record made = r;
    const int code = hf::caught([&] { k->build(call, made, hf::detail::values_of(made)); });
    if (code != 0) return code;
    made.built = hf::detail::values_of(made);
    *hf::detail::edit(feature) = std::move(made);
    return 0;
}

int convert_to_brep_feature(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    int status;
    if (call.status(status)) return status;
    const hf::Record& r = hf::require_feature(call, feature);
    if (r.kind == hf::kBrep) return 0;
    if (r.body == 0 || r.step != 0) return FEAT_ERR_BAD_REFERENCE;
    const host::objects::Object& o = host::objects::require(feature);
    if (r.detached)
        if (int code = hf::caught([&] { hf::attach(o.part); })) return code;
    // Its body must be its own: features that build on it would lose their steps.
    for (hf::tag_t f : hf::features_of_part(o.part))
        if (f != feature && hf::find(f)->body == r.body) return FEAT_ERR_BAD_REFERENCE;
    const int body = hf::detail::body_entity(r);
    if (body == 0) return FEAT_ERR_BAD_REFERENCE;
    PX_body_make_plain(body);
    hf::Record& w = *hf::detail::edit(feature);
    w.kind = hf::kBrep;
    w.exps.clear();
    w.numbers.clear();
    w.refs.clear();
    w.built.clear();
    w.out_of_date = false;
    return 0;
}

}  // extern "C"
