// Combined curve features (host/apps/modeling/curvefeat/curvefeat.h): where the sweeps of
// two curves along their directions meet.
#include <algorithm>
#include <functional>
#include <cstring>
#include <string>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_delete.h"
#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/apps/modeling/curvefeat/file_rows.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/trimcurve/trim_curves.h"
#include "host/base/hook.h"
#include "host/kernel/curves/derived_curves.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

using tag_t = unsigned int;
namespace kc = host::kernel::curvefeat;

constexpr const char* kKind = "COMBINED_CURVE";

struct CombineParams {
    CPROJ_CMB_rec_t rec{};
    tag_t curves[2] = {0, 0};
    std::vector<double> inputs;
};
host::TagTable<CombineParams>& params() {
    static auto* const t = new host::TagTable<CombineParams>("combined curves");
    return *t;
}
const bool registered = (params(), true);

tag_t curve_of_slot(const host::Call& call, int table, int slot) {
    CMP_strings_t s{};
    CMP_RT_to_string(table, slot, &s);
    const int n = s.per_string ? s.per_string[0] : 0;
    const tag_t c = n == 1 ? s.objects[0] : 0;
    SM_free(s.per_string);
    SM_free(s.dir);
    SM_free(s.objects);
    if (!c) call.fail(CURVEFEAT_ERR_BAD_INPUT, "slot %d holds %d curves", slot, n);
    return c;
}

// The curves where the two sweeps meet.
std::vector<hostnum::Curve> combined(const host::Call& call, const CombineParams& p) {
    double d[2][3];
    for (int i = 0; i < 2; ++i) {
        call.live(p.curves[i]);
        if (p.rec.use_vector[i] == 1) {
            std::copy(p.rec.direction[i], p.rec.direction[i] + 3, d[i]);
        } else {
            double point[3];
            if (!CMP_find_planar_normal(1, &p.curves[i], d[i], point))
                call.fail(CURVEFEAT_ERR_BAD_INPUT, "curve %u lies in no plane", p.curves[i]);
        }
    }
    const double tolerance = p.rec.tolerance_exp ? host::expr::value(p.rec.tolerance_exp) : p.rec.tolerance;
    return kc::combine(call, p.curves[0], d[0], p.curves[1], d[1], std::max(tolerance, srfc1_[0]));
}

std::vector<double> fingerprint_of(const CombineParams& p) {
    std::vector<double> fp = host::curvefeat::fingerprint({p.curves[0], p.curves[1]});
    fp.push_back(p.rec.tolerance_exp ? host::expr::value(p.rec.tolerance_exp) : 0.0);
    return fp;
}

const CombineParams& combine_params(const host::Call& call, tag_t feature) {
    call.live(feature);
    const CombineParams* p = params().find(feature);
    if (!p || !host::feature::find(feature))
        call.fail(CURVEFEAT_ERR_WRONG_FEATURE, "tag %u is no combined curve feature", feature);
    return *p;
}

void follow() {
    host::curvefeat::follow_kind("CPROJ_CMB_update", kKind,
                                 {[](tag_t f) {
                                      const CombineParams* p = params().find(f);
                                      return p ? &p->inputs : nullptr;
                                  },
                                  [](tag_t f) { return fingerprint_of(*params().find(f)); },
                                  [](const host::Call& call, tag_t f, const std::vector<double>& now) {
                                      const auto curves = combined(call, *params().find(f));
                                      if (curves.empty())
                                          call.fail(CURVEFEAT_ERR_NO_CURVE, "the sweeps no longer meet");
                                      host::feature::set_results(
                                          f, host::curvefeat::renew(host::feature::find(f)->results, curves));
                                      params().edit(f)->inputs = now;
                                  }});
}
const bool following = (host::curvefeat::follow_updates(follow), true);

// ---- part files (host/apps/modeling/curvefeat/file_rows.h) ----
//
// A combined curve's row: 2 u32 curves, 2 i32 use-vector flags (0 or 1),
// 2 x 3 f64 directions, f64 tolerance, str tolerance text, u32 the
// tolerance's expression, f64 angular tolerance, i32 flag, i32 quintic.
namespace fr = host::curvefeat::file_rows;

void write_row(fr::Out& out, tag_t feature) {
    const CombineParams& p = *params().find(feature);
    const CPROJ_CMB_rec_t& r = p.rec;
    for (tag_t c : p.curves) out.tag(c);
    for (int u : r.use_vector) out.w().i32(u);
    for (const auto& d : r.direction)
        for (double v : d) out.w().f64(v);
    out.w().f64(r.tolerance);
    out.text(r.tolerance_text, sizeof r.tolerance_text);
    out.tag(r.tolerance_exp);
    out.w().f64(r.angle_tolerance);
    out.w().i32(r.flag);
    out.w().i32(r.quintic);
}

std::function<void()> read_row(fr::In& in, tag_t feature) {
    CombineParams p;
    CPROJ_CMB_rec_t& r = p.rec;
    r.feature = feature;
    for (tag_t& c : p.curves) c = in.tag(fr::curve);
    for (int& u : r.use_vector) u = in.range(0, 1);
    for (auto& d : r.direction)
        for (double& v : d) v = in.real();
    r.tolerance = in.real();
    in.text(r.tolerance_text, sizeof r.tolerance_text);
    r.tolerance_exp = in.tag(fr::expression);
    r.angle_tolerance = in.real();
    r.flag = in.r().i32();
    r.quintic = in.r().i32();
    return [feature, p] { params()[feature] = p; };
}

const bool filed =
    (fr::register_kind({kKind, [](tag_t f) { return params().find(f) != nullptr; }, write_row, read_row}), true);

}  // namespace

extern "C" {

int CPROJ_CMB_create_frec(CPROJ_CMB_rec_t* record, unsigned int* feature) {
    auto call = HOST_ENTRY(record, feature);
    if (int status; call.status(status)) return status;
    call.need(record, "the combine record");
    call.need(feature, "the feature output");
    *feature = 0;
    const tag_t part = CONTEXT_ask_work_part();
    CombineParams p;
    p.rec = *record;
    p.rec.table = 0;
    for (int i = 0; i < 2; ++i) p.curves[i] = curve_of_slot(call, record->table, i);
    const std::string text = record->tolerance_text[0] ? record->tolerance_text : "0";
    if (const int code = host::expr::create_system(part, text, &p.rec.tolerance_exp)) return code;
    const auto curves = combined(call, p);
    if (curves.empty()) {
        EXP_delete_exp(p.rec.tolerance_exp);
        return CURVEFEAT_ERR_NO_CURVE;
    }
    const std::vector<tag_t> outputs = host::curvefeat::renew({}, curves);
    const tag_t f = host::feature::create(part, kKind, host::curvefeat::producers({p.curves[0], p.curves[1]}), outputs);
    p.rec.feature = f;
    p.inputs = fingerprint_of(p);
    params()[f] = p;
    *feature = f;
    return 0;
}

void CPROJ_CMB_read_frec(unsigned int feature, CPROJ_CMB_rec_t* record) {
    auto call = HOST_ENTRY(feature, record);
    call.need(record, "the combine record");
    const CombineParams& p = combine_params(call, feature);
    CPROJ_CMB_rec_t r = p.rec;
    r.table = host::curvefeat::table_of({{{1}, {1}, {p.curves[0]}}, {{1}, {1}, {p.curves[1]}}}, srfc1_);
    r.feature = feature;
    *record = r;
}

int CPROJ_CMB_populate_parms(CPROJ_CMB_rec_t* record, unsigned int feature) {
    auto call = HOST_ENTRY(record, feature);
    if (int status; call.status(status)) return status;
    call.need(record, "the combine record");
    const CombineParams& old = combine_params(call, feature);
    CombineParams p = old;
    for (int i = 0; i < 2; ++i) {
        p.curves[i] = curve_of_slot(call, record->table, i);
        p.rec.use_vector[i] = record->use_vector[i];
        std::copy(record->direction[i], record->direction[i] + 3, p.rec.direction[i]);
    }
    p.rec.tolerance = record->tolerance;
    std::memcpy(p.rec.tolerance_text, record->tolerance_text, sizeof p.rec.tolerance_text);
    p.rec.tolerance_text[CURVEFEAT_TEXT_CHARS - 1] = '\0';
    const tag_t part = host::objects::require(feature).part;
    if (const int code = EXP_edit_exp(part, p.rec.tolerance_exp, p.rec.tolerance_text[0] ? p.rec.tolerance_text : "0"))
        return code;
    const auto curves = combined(call, p);
    if (curves.empty()) return CURVEFEAT_ERR_NO_CURVE;
    const std::vector<tag_t> outputs = host::curvefeat::renew(host::feature::find(feature)->results, curves);
    host::feature::set_results(feature, outputs);
    p.inputs = fingerprint_of(p);
    params()[feature] = p;
    return 0;
}

int CPROJ_CMB_frec_is_a_cproj_cmb(unsigned int feature) {
    HOST_ENTRY(feature);
    return host::objects::is_alive(feature) && params().find(feature) && host::feature::find(feature) ? 1 : 0;
}

void CPROJ_CMB_read_curves(unsigned int feature, int* count, unsigned int** curves) {
    auto call = HOST_ENTRY(feature, count, curves);
    call.need(count, "the count output");
    call.need(curves, "the curves output");
    combine_params(call, feature);
    const std::vector<tag_t>& r = host::feature::find(feature)->results;
    *count = static_cast<int>(r.size());
    *curves = nullptr;
    if (r.empty()) return;
    *curves = static_cast<unsigned int*>(SM_alloc(sizeof(unsigned int) * r.size()));
    std::copy(r.begin(), r.end(), *curves);
}

}  // extern "C"
