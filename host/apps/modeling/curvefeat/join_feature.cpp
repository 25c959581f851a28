// Joined-curve features (host/apps/modeling/curvefeat/curvefeat.h): one spline of a
// chain of curves, made again when the curves change.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <numeric>
#include <utility>
#include <vector>

#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/apps/modeling/curvefeat/file_rows.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/profiles.h"
#include "host/base/hook.h"
#include "host/kernel/curves/derived_curves.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace {

using tag_t = unsigned int;
namespace kc = host::kernel::curvefeat;
namespace hp = host::profiles;

constexpr const char* kKind = "JOINED_CURVE";

struct JoinParams {
    int method = 0;  // 0 exact, 1 cubic, 2 quintic
    double tolerances[3] = {0, 0, 0};
    hp::Strings strings;
    std::vector<double> inputs;
};
host::TagTable<JoinParams>& params() {
    static auto* const t = new host::TagTable<JoinParams>("joined curve features");
    return *t;
}
const bool registered = (params(), true);

// The joined curve of p's strings, or the join's answer.
kc::Joined joined(const host::Call& call, const JoinParams& p) {
    return kc::join(call, p.strings.objects, p.method + 1, p.tolerances[1]);
}

JoinParams from_record(const host::Call& call, const CRV_JOIN_frec_t* r) {
    call.need(r, "the joined-curve record");
    JoinParams p;
    p.method = r->method;
    std::copy(r->tolerances, r->tolerances + 3, p.tolerances);
    p.strings = hp::strings_of_cm(r->profile);
    if (p.strings.objects.empty()) call.fail(HOST_ERR_BAD_ARGUMENT, "%d is no curve-manager object", r->profile);
    return p;
}

const JoinParams* join_params(tag_t feature) {
    if (!host::objects::is_alive(feature) || !host::feature::find(feature)) return nullptr;
    return params().find(feature);
}

// Makes the feature's curve again from p and keeps p with it: 0 or the
// join's answer (nothing changed then).
int remake(const host::Call& call, tag_t feature, JoinParams p) {
    const kc::Joined j = joined(call, p);
    if (j.code != kc::join_ok) return j.code;
    host::feature::set_results(feature, host::curvefeat::renew(host::feature::find(feature)->results, {*j.curve}));
    p.inputs = host::curvefeat::fingerprint(p.strings.objects);
    params()[feature] = std::move(p);
    return 0;
}

void follow() {
    host::curvefeat::follow_kind(
        "CRV_JOIN_update", kKind,
        {[](tag_t f) {
             const JoinParams* p = params().find(f);
             return p ? &p->inputs : nullptr;
         },
         [](tag_t f) { return host::curvefeat::fingerprint(params().find(f)->strings.objects); },
         [](const host::Call& call, tag_t f, const std::vector<double>&) {
             if (const int code = remake(call, f, *params().find(f)))
                 call.fail(CURVEFEAT_ERR_NO_CURVE, "the curves no longer join (answer %d)", code);
         }});
}
const bool following = (host::curvefeat::follow_updates(follow), true);

// ---- part files (host/apps/modeling/curvefeat/file_rows.h) ----
//
// A joined curve's row: i32 method (0 to 2), 3 f64 tolerances, u32 count
// of strings, for each its i32 count of objects and i32 direction, then the
// objects of all strings (u32 count, u32 objects).
namespace fr = host::curvefeat::file_rows;

void write_row(fr::Out& out, tag_t feature) {
    const JoinParams& p = *params().find(feature);
    out.w().i32(p.method);
    for (double t : p.tolerances) out.w().f64(t);
    out.w().u32(static_cast<std::uint32_t>(p.strings.per_string.size()));
    for (std::size_t i = 0; i < p.strings.per_string.size(); ++i) {
        out.w().i32(p.strings.per_string[i]);
        out.w().i32(p.strings.dir[i]);
    }
    out.tags(p.strings.objects);
}

std::function<void()> read_row(fr::In& in, tag_t feature) {
    JoinParams p;
    p.method = in.range(0, 2);
    for (double& t : p.tolerances) t = in.real();
    const std::uint32_t n = in.count(8);
    for (std::uint32_t i = 0; i < n; ++i) {
        p.strings.per_string.push_back(in.range(1, 1 << 20));
        p.strings.dir.push_back(in.r().i32());
    }
    p.strings.objects = in.tags(fr::curve);
    const long total = std::accumulate(p.strings.per_string.begin(), p.strings.per_string.end(), 0L);
    if (p.strings.objects.empty() || total != static_cast<long>(p.strings.objects.size()))
        throw host::part_file::FormatError("a joined curve's strings do not match its objects");
    return [feature, p] { params()[feature] = p; };
}

const bool filed =
    (fr::register_kind({kKind, [](tag_t f) { return params().find(f) != nullptr; }, write_row, read_row}), true);

}  // namespace

extern "C" {

int CRV_JOIN_create_profile(const CMP_strings_t* curves, const double tolerances[2], int mode, int* profile) {
    auto call = HOST_ENTRY(curves, mode, profile);
    call.need(profile, "the profile output");
    *profile = 0;
    if (int status; call.status(status)) return status;
    if (!curves) return kc::join_null;
    call.need(tolerances, "the tolerances");
    int validated = 0, error = 0;
    CMP_create_cmp_profile(&validated);
    CMP_validate_strings(mode, 2, 2, 0, curves, tolerances, validated, &error);
    if (error == 0) *profile = CMP_set_cm_from_cmp(validated, 0, 0, 0, tolerances[0], 1);
    CMP_free_cmp_profile(validated);
    switch (error) {
        case 0: return 0;
        case CMP_ERR_NO_STRINGS: return kc::join_none;
        case CMP_ERR_NOT_CONNECTED: return kc::join_gap;
        default: return kc::join_not_curve;
    }
}

int CRV_JOIN_create_frec(CRV_JOIN_frec_t* record, unsigned int* feature) {
    auto call = HOST_ENTRY(record, feature);
    call.need(feature, "the feature output");
    *feature = 0;
    if (int status; call.status(status)) return status;
    JoinParams p = from_record(call, record);
    if (p.method < 0 || p.method > 2) return kc::join_method;
    const kc::Joined j = joined(call, p);
    if (j.code != kc::join_ok) return j.code;
    const std::vector<tag_t> outputs = host::curvefeat::renew({}, {*j.curve});
    const tag_t f =
        host::feature::create(CONTEXT_ask_work_part(), kKind, host::curvefeat::producers(p.strings.objects), outputs);
    p.inputs = host::curvefeat::fingerprint(p.strings.objects);
    params()[f] = std::move(p);
    record->joined = outputs[0];
    *feature = f;
    return 0;
}

int CRV_JOIN_update_frec(const CRV_JOIN_frec_t* record, unsigned int feature) {
    auto call = HOST_ENTRY(record, feature);
    if (int status; call.status(status)) return status;
    if (!join_params(feature)) call.fail(CURVEFEAT_ERR_WRONG_FEATURE, "tag %u is no joined-curve feature", feature);
    JoinParams p = from_record(call, record);
    if (p.method < 0 || p.method > 2) return kc::join_method;
    return remake(call, feature, std::move(p));
}

int CRV_JOIN_read_frec(unsigned int feature, CRV_JOIN_frec_t* record) {
    auto call = HOST_ENTRY(feature, record);
    if (int status; call.status(status)) return status;
    call.need(record, "the joined-curve record");
    const JoinParams* p = join_params(feature);
    if (!p) return CURVEFEAT_ERR_WRONG_FEATURE;
    CRV_JOIN_frec_t r{};
    r.method = p->method;
    std::copy(p->tolerances, p->tolerances + 3, r.tolerances);
    r.profile = hp::make_cm(p->strings);
    const std::vector<tag_t>& results = host::feature::find(feature)->results;
    r.joined = results.empty() ? 0 : results[0];
    *record = r;
    return 0;
}

int CRV_JOIN_is_join_frec(unsigned int feature) {
    HOST_ENTRY(feature);
    return join_params(feature) ? 1 : 0;
}

}  // extern "C"
