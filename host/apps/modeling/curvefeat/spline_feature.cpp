// Spline features (host/apps/modeling/curvefeat/curvefeat.h): a feature holding a spline
// of its part as its curve.
#include <functional>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/apps/modeling/curvefeat/file_rows.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace {

using tag_t = unsigned int;

constexpr const char* kKind = "SPLINE";

struct SplineParams {
    tag_t spline = 0;
    std::vector<double> inputs;  // the fingerprint of the spline it took
};
host::TagTable<SplineParams>& params() {
    static auto* const t = new host::TagTable<SplineParams>("spline features");
    return *t;
}
const bool registered = (params(), true);

bool is_spline(tag_t object) {
    const host::objects::Object* o = host::objects::is_alive(object) ? host::objects::find(object) : nullptr;
    return o && o->cls != OM_CLASS_FEATURE && o->type == HOST_TYPE_SPLINE;
}

// The parameters of a spline feature; its record is its parameter object.
const SplineParams& spline_params(const host::Call& call, tag_t feature) {
    call.live(feature);
    const SplineParams* p = params().find(feature);
    if (!p || !host::feature::find(feature))
        call.fail(CURVEFEAT_ERR_WRONG_FEATURE, "tag %u is no spline feature", feature);
    return *p;
}

// A feature whose spline changed (another one set, or its shape) takes it
// as its curve.
void follow() {
    host::curvefeat::follow_kind("BCURVE_update", kKind,
                                 {[](tag_t f) {
                                      const SplineParams* p = params().find(f);
                                      return p ? &p->inputs : nullptr;
                                  },
                                  [](tag_t f) { return host::curvefeat::fingerprint({params().find(f)->spline}); },
                                  [](const host::Call& call, tag_t f, const std::vector<double>& now) {
                                      const tag_t spline = params().find(f)->spline;
                                      if (!is_spline(spline))
                                          call.fail(CURVEFEAT_ERR_BAD_INPUT, "the feature's spline %u has gone",
                                                    spline);
                                      host::feature::set_results(f, {spline});
                                      params().edit(f)->inputs = now;
                                  }});
}
const bool following = (host::curvefeat::follow_updates(follow), true);

// ---- part files (host/apps/modeling/curvefeat/file_rows.h) ----
//
// A spline feature's row: u32 its spline.
namespace fr = host::curvefeat::file_rows;

bool spline(const host::objects::Object& o) { return o.cls != OM_CLASS_FEATURE && o.type == HOST_TYPE_SPLINE; }

void write_row(fr::Out& out, tag_t feature) { out.tag(params().find(feature)->spline); }

std::function<void()> read_row(fr::In& in, tag_t feature) {
    SplineParams p;
    p.spline = in.tag(spline);
    return [feature, p] { params()[feature] = p; };
}

const bool filed =
    (fr::register_kind({kKind, [](tag_t f) { return params().find(f) != nullptr; }, write_row, read_row}), true);

}  // namespace

extern "C" {

void BCURVE_create_frec(unsigned int spline, unsigned int* feature, int* status) {
    auto call = HOST_ENTRY(spline, feature, status);
    call.need(feature, "the feature output");
    call.need(status, "the status output");
    *feature = 0;
    *status = static_cast<int>(call.int_out(1, 0));
    if (*status != 0) return;
    if (!is_spline(spline)) {
        *status = CURVEFEAT_ERR_BAD_INPUT;
        return;
    }
    const tag_t f =
        host::feature::create(CONTEXT_ask_work_part(), kKind, host::curvefeat::producers({spline}), {spline});
    params()[f] = SplineParams{spline, host::curvefeat::fingerprint({spline})};
    *feature = f;
}

unsigned int BCURVE_ask_frec_parms(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    spline_params(call, feature);
    return feature;
}

void BCURVE_set_parms_spline(unsigned int parms, unsigned int spline) {
    auto call = HOST_ENTRY(parms, spline);
    spline_params(call, parms);
    if (!is_spline(spline)) call.fail(CURVEFEAT_ERR_BAD_INPUT, "tag %u is no spline", spline);
    params().edit(parms)->spline = spline;
}

unsigned int BCURVE_ask_parms_spline(unsigned int parms) {
    auto call = HOST_ENTRY(parms);
    return spline_params(call, parms).spline;
}

int BCURVE_is_spline_frec(unsigned int feature) {
    HOST_ENTRY(feature);
    return host::objects::is_alive(feature) && params().find(feature) && host::feature::find(feature) ? 1 : 0;
}

}  // extern "C"
