// Offset curve features (host/apps/modeling/curvefeat/curvefeat.h): the planar offset of
// a chain of curves by a distance, or by a height along the plane's normal
// and a draft angle, with its corners.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/apps/modeling/curvefeat/file_rows.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/base/hook.h"
#include "host/kernel/curves/derived_curves.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

using tag_t = unsigned int;
using host::profiles::Strings;
namespace kc = host::kernel::curvefeat;

constexpr const char* kKind = "OFFSET_CURVE";
// The extension of a feature's extended corners: unlimited.
constexpr double kUnlimited = 1e8;

struct OffsetParams {
    int method = 0;
    std::string distance, height, angle;
    double tolerance = 0;
    double distance_tolerance = 0;
    int corner_mode = 0;
    double extension = kUnlimited;
    int quintic = 0;
    Strings chain;
    std::vector<double> inputs;  // the chain's fingerprint and the texts' values it was made from
};
host::TagTable<OffsetParams>& params() {
    static auto* const t = new host::TagTable<OffsetParams>("offset curves");
    return *t;
}
const bool registered = (params(), true);

// A text of the record: its characters up to the NUL within the field (false
// when the field holds none).
bool text_of(const char (&field)[OFFCRV_TEXT_CHARS], std::string* out) {
    const void* end = std::memchr(field, '\0', sizeof field);
    if (!end) return false;
    *out = std::string(field, static_cast<const char*>(end));
    return true;
}

// The distance in the plane and the lift along the normal: 0, or the
// expression service's code of a text without a value.
int values_of(tag_t part, const OffsetParams& p, double* distance, double* lift) {
    *distance = *lift = 0;
    if (p.method == 0) return EXP_ask_value_of_exp_str(part, p.distance.c_str(), distance);
    double height = 0, angle = 0;
    if (int st = EXP_ask_value_of_exp_str(part, p.height.c_str(), &height)) return st;
    if (int st = EXP_ask_value_of_exp_str(part, p.angle.c_str(), &angle)) return st;
    if (!(std::fabs(angle) < 90)) return OFFCRV_ERR_TEXT;
    *lift = height;
    *distance = height * std::tan(angle * std::numbers::pi / 180);
    return 0;
}

// The chain of a profile.
Strings strings_of_profile(int profile) {
    const int cm = CMP_set_cm_from_cmp(profile, 0, 0, 0, srfc1_[0], 0);
    CMP_strings_t s{};
    CMP_set_string_from_cm(1, &cm, &s);
    Strings out;
    out.per_string.assign(s.per_string, s.per_string + s.count);
    out.dir.assign(s.dir, s.dir + s.count);
    int total = 0;
    for (int n : out.per_string) total += n;
    out.objects.assign(s.objects, s.objects + total);
    SM_free(s.per_string);
    SM_free(s.dir);
    SM_free(s.objects);
    return out;
}

OffsetParams from_record(const host::Call& call, const OFFCRV_rec_t* r) {
    call.need(r, "the offset record");
    OffsetParams p;
    p.method = r->method;
    if (!text_of(r->distance_text, &p.distance) || !text_of(r->height_text, &p.height) ||
        !text_of(r->angle_text, &p.angle))
        call.fail(OFFCRV_ERR_TEXT, "an offset text without its end");
    p.tolerance = r->tolerance;
    p.distance_tolerance = r->distance_tolerance;
    p.corner_mode = r->corner_mode;
    p.extension = r->associative ? kUnlimited : r->extension;
    p.quintic = r->quintic;
    p.chain = strings_of_profile(r->profile);
    return p;
}

std::vector<double> fingerprint_of(tag_t part, const OffsetParams& p) {
    std::vector<double> fp = host::curvefeat::fingerprint(p.chain.objects);
    double distance = 0, lift = 0;
    const int st = values_of(part, p, &distance, &lift);
    fp.insert(fp.end(), {static_cast<double>(st), distance, lift});
    return fp;
}

// The offset curves of p: 0, or the code of a text without a value (the
// kernel's failures raise).
int offset_of(const host::Call& call, tag_t part, const OffsetParams& p, std::vector<hostnum::Curve>* out) {
    kc::OffsetHow how;
    if (int st = values_of(part, p, &how.distance, &how.lift)) return st;
    how.corners = p.corner_mode;
    how.extension = p.extension;
    how.tolerance = std::max(srfc1_[0], p.distance_tolerance);
    for (tag_t c : p.chain.objects) call.live(c);
    *out = kc::offset_chain(call, p.chain.objects, how);
    if (out->empty()) call.fail(CURVEFEAT_ERR_NO_CURVE, "the offset makes no curve");
    return 0;
}

const OffsetParams& offset_params(const host::Call& call, tag_t feature) {
    call.live(feature);
    const OffsetParams* p = params().find(feature);
    if (!p || !host::feature::find(feature))
        call.fail(CURVEFEAT_ERR_WRONG_FEATURE, "tag %u is no offset curve feature", feature);
    return *p;
}

tag_t part_of(tag_t feature) { return host::objects::require(feature).part; }

void follow() {
    host::curvefeat::follow_kind("OFFCRV_update", kKind,
                                 {[](tag_t f) {
                                      const OffsetParams* p = params().find(f);
                                      return p ? &p->inputs : nullptr;
                                  },
                                  [](tag_t f) { return fingerprint_of(part_of(f), *params().find(f)); },
                                  [](const host::Call& call, tag_t f, const std::vector<double>& now) {
                                      std::vector<hostnum::Curve> curves;
                                      if (int st = offset_of(call, part_of(f), *params().find(f), &curves))
                                          call.fail(st, "an offset text has no value");
                                      host::feature::set_results(
                                          f, host::curvefeat::renew(host::feature::find(f)->results, curves));
                                      params().edit(f)->inputs = now;
                                  }});
}
const bool following = (host::curvefeat::follow_updates(follow), true);

// ---- part files (host/apps/modeling/curvefeat/file_rows.h) ----
//
// An offset's row: i32 method (0 or 1), str distance, height and angle
// texts, f64 tolerance, f64 distance tolerance, i32 corner mode (0 to 2),
// f64 extension, i32 quintic, the chain (u32 count of strings, per string
// i32 count of objects and i32 direction, then u32 count and the curves).
namespace fr = host::curvefeat::file_rows;

void write_row(fr::Out& out, tag_t feature) {
    const OffsetParams& p = *params().find(feature);
    out.w().i32(p.method);
    for (const std::string* t : {&p.distance, &p.height, &p.angle}) out.text(t->c_str(), t->size() + 1);
    out.w().f64(p.tolerance);
    out.w().f64(p.distance_tolerance);
    out.w().i32(p.corner_mode);
    out.w().f64(p.extension);
    out.w().i32(p.quintic);
    out.w().u32(static_cast<std::uint32_t>(p.chain.per_string.size()));
    for (std::size_t i = 0; i < p.chain.per_string.size(); ++i) {
        out.w().i32(p.chain.per_string[i]);
        out.w().i32(i < p.chain.dir.size() ? p.chain.dir[i] : 1);
    }
    out.tags(p.chain.objects);
}

std::function<void()> read_row(fr::In& in, tag_t feature) {
    OffsetParams p;
    p.method = in.range(0, 1);
    char text[OFFCRV_TEXT_CHARS];
    for (std::string* t : {&p.distance, &p.height, &p.angle}) {
        in.text(text, sizeof text);
        *t = text;
    }
    p.tolerance = in.real();
    p.distance_tolerance = in.real();
    p.corner_mode = in.range(0, 2);
    p.extension = in.real();
    p.quintic = in.r().i32();
    const std::uint32_t n = in.count(8);
    std::size_t total = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        p.chain.per_string.push_back(in.range(1, 1 << 20));
        p.chain.dir.push_back(in.range(-1, 1));
        total += static_cast<std::size_t>(p.chain.per_string.back());
    }
    p.chain.objects = in.tags(fr::curve);
    if (n == 0 || p.chain.objects.size() != total)
        throw host::part_file::FormatError("an offset's strings do not hold its curves");
    return [feature, p] { params()[feature] = p; };
}

const bool filed =
    (fr::register_kind({kKind, [](tag_t f) { return params().find(f) != nullptr; }, write_row, read_row}), true);

}  // namespace

extern "C" {

int OFFCRV_validate_input(const OFFCRV_rec_t* record) {
    auto call = HOST_ENTRY(record);
    if (int status; call.status(status)) return status;
    call.need(record, "the offset record");
    if (record->method != 0 && record->method != 1) return OFFCRV_ERR_METHOD;
    if (record->corner_mode < 0 || record->corner_mode > 2) return OFFCRV_ERR_METHOD;
    OffsetParams p;
    p.method = record->method;
    if (!text_of(record->distance_text, &p.distance) || !text_of(record->height_text, &p.height) ||
        !text_of(record->angle_text, &p.angle))
        return OFFCRV_ERR_TEXT;
    if (!std::isfinite(record->tolerance) || record->tolerance < 0) return OFFCRV_ERR_METHOD;
    if (record->corner_mode == 1 && !record->associative && !(record->extension >= 0)) return OFFCRV_ERR_METHOD;
    double distance = 0, lift = 0;
    return values_of(CONTEXT_ask_work_part(), p, &distance, &lift);
}

int OFFCRV_create_profile(const CMP_strings_t* curves, int mode, int* profile) {
    auto call = HOST_ENTRY(curves, mode, profile);
    if (int status; call.status(status)) return status;
    call.need(profile, "the profile output");
    *profile = 0;
    if (!curves || curves->count != 1) return OFFSET_ERR_CHAIN;  // one string of curves
    int p = 0, error = 0;
    CMP_create_cmp_profile(&p);
    CMP_validate_strings(0, 0, 0, 0, curves, srfc1_, p, &error);
    if (error != 0) {
        CMP_free_cmp_profile(p);
        return OFFSET_ERR_CHAIN;
    }
    *profile = p;
    return 0;
}

int OFFCRV_compute_vectors_profile(int profile, int mode, const double reference[3], double start[3],
                                   double start_frame[6], double end[3], double side[3], double normal[3],
                                   int* planar) {
    auto call = HOST_ENTRY(profile, mode, reference, planar);
    if (int status; call.status(status)) return status;
    for (const void* out :
         {static_cast<const void*>(start), static_cast<const void*>(start_frame), static_cast<const void*>(end),
          static_cast<const void*>(side), static_cast<const void*>(normal), static_cast<const void*>(planar)})
        call.need(out, "an output");
    call.need(reference, "the reference direction");
    const Strings chain = strings_of_profile(profile);
    const kc::ChainFrame f = kc::chain_frame(call, chain.objects, reference, srfc1_[0]);
    std::copy(f.start, f.start + 3, start);
    std::copy(f.start, f.start + 3, start_frame);
    std::copy(f.tangent, f.tangent + 3, start_frame + 3);
    std::copy(f.end, f.end + 3, end);
    std::copy(f.side, f.side + 3, side);
    std::copy(f.normal, f.normal + 3, normal);
    *planar = f.planar ? 1 : 0;
    return f.planar ? 0 : OFFSET_ERR_NO_PLANE;
}

int OFFCRV_create_frec(OFFCRV_rec_t* record, unsigned int* feature) {
    auto call = HOST_ENTRY(record, feature);
    if (int status; call.status(status)) return status;
    call.need(feature, "the feature output");
    *feature = 0;
    const tag_t part = CONTEXT_ask_work_part();
    OffsetParams p = from_record(call, record);
    std::vector<hostnum::Curve> curves;
    if (int st = offset_of(call, part, p, &curves)) return st;
    const std::vector<tag_t> outputs = host::curvefeat::renew({}, curves);
    const tag_t f = host::feature::create(part, kKind, host::curvefeat::producers(p.chain.objects), outputs);
    p.inputs = fingerprint_of(part, p);
    params()[f] = std::move(p);
    record->feature = f;
    *feature = f;
    return 0;
}

int OFFCRV_update_frec(OFFCRV_rec_t* record, unsigned int feature) {
    auto call = HOST_ENTRY(record, feature);
    if (int status; call.status(status)) return status;
    offset_params(call, feature);
    OffsetParams p = from_record(call, record);
    std::vector<hostnum::Curve> curves;
    if (int st = offset_of(call, part_of(feature), p, &curves)) return st;
    host::feature::set_results(feature, host::curvefeat::renew(host::feature::find(feature)->results, curves));
    p.inputs = fingerprint_of(part_of(feature), p);
    params()[feature] = std::move(p);
    record->feature = feature;
    return 0;
}

int OFFCRV_ask_offset_curves(unsigned int feature, int* count, unsigned int** curves, int* inputs) {
    auto call = HOST_ENTRY(feature, count, curves, inputs);
    if (int status; call.status(status)) return status;
    call.need(count, "the count output");
    call.need(curves, "the curves output");
    call.need(inputs, "the inputs output");
    const OffsetParams& p = offset_params(call, feature);
    const std::vector<tag_t>& r = host::feature::find(feature)->results;
    *count = static_cast<int>(r.size());
    *curves = host::curvefeat::hand_out(r);
    *inputs = static_cast<int>(p.chain.objects.size());
    return 0;
}

int OFFCRV_remove_parms(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    if (int status; call.status(status)) return status;
    offset_params(call, feature);
    // The curves stay, owned by no feature.
    host::feature::set_results(feature, {});
    params().erase(feature);
    host::objects::destroy(feature);
    return 0;
}

int OFFCRV_frec_is_a_offset_curve(unsigned int feature) {
    HOST_ENTRY(feature);
    return host::objects::is_alive(feature) && params().find(feature) && host::feature::find(feature) ? 1 : 0;
}

int OFFCRV_read_frec(unsigned int feature, OFFCRV_rec_t* record) {
    auto call = HOST_ENTRY(feature, record);
    if (int status; call.status(status)) return status;
    call.need(record, "the offset record");
    const OffsetParams& p = offset_params(call, feature);
    OFFCRV_rec_t r{};
    r.method = p.method;
    std::strncpy(r.distance_text, p.distance.c_str(), OFFCRV_TEXT_CHARS - 1);
    std::strncpy(r.height_text, p.height.c_str(), OFFCRV_TEXT_CHARS - 1);
    std::strncpy(r.angle_text, p.angle.c_str(), OFFCRV_TEXT_CHARS - 1);
    r.tolerance = p.tolerance;
    r.words[0] = 1;
    r.associative = 1;
    r.corner_mode = p.corner_mode;
    r.extension = p.extension;
    r.distance_tolerance = p.distance_tolerance;
    r.reference[2] = 1;
    r.profile = host::profiles::make_cm(p.chain);
    r.words2[0] = 1;
    r.feature_flag = 1;
    r.keep_parms = 1;
    r.byte = 1;
    r.feature = feature;
    r.quintic = p.quintic;
    *record = r;
    return 0;
}

int OFFCRV_ask_quintic_type(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    return offset_params(call, feature).quintic;
}

void CMP_delete_profile(int kind, int flag, int profile) {
    auto call = HOST_ENTRY(kind, flag, profile);
    if (kind != 1) call.fail(HOST_ERR_BAD_ARGUMENT, "profiles of kind %d", kind);
    CMP_free_cmp_profile(profile);
}

}  // extern "C"
