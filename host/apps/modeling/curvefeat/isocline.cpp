// Isocline curve features (host/apps/modeling/curvefeat/curvefeat.h): the curves on
// faces where the normal makes given angles with a direction.
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/apps/modeling/curvefeat/file_rows.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/base/hook.h"
#include "host/kernel/curves/derived_curves.h"
#include "host/kernel/engine/links.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace {

using tag_t = unsigned int;
namespace kc = host::kernel::curvefeat;

constexpr const char* kKind = "ISOCLINE_CURVE";
constexpr int kMaxAngles = 180;  // isoclines one range may ask for

struct IsoclineParams {
    double direction[3] = {0, 0, 1};
    bool range = false;
    std::string texts[3];       // angle (or step), second, third
    tag_t exps[3] = {0, 0, 0};  // their system expressions (0: text not used)
    std::vector<tag_t> faces;
    double tolerance = 0;
    int quintic = 0;
    std::vector<double> inputs;  // the fingerprint the curves were made from
};
host::TagTable<IsoclineParams>& params() {
    static auto* const t = new host::TagTable<IsoclineParams>("isocline curves");
    return *t;
}
const bool registered = (params(), true);

// The angles the feature's curves are made at.
std::vector<double> angles_of(const host::Call& call, const IsoclineParams& p) {
    auto in_range = [&](double a) {
        if (!std::isfinite(a) || a < 0 || a > 180) call.fail(HOST_ERR_BAD_ARGUMENT, "an isocline angle of %g", a);
        return a;
    };
    if (!p.range) return {in_range(host::expr::value(p.exps[0]))};
    const double step = host::expr::value(p.exps[0]);
    const double from = in_range(host::expr::value(p.exps[1])), to = in_range(host::expr::value(p.exps[2]));
    if (!(step > 0) || to < from || (to - from) / step > kMaxAngles)
        call.fail(HOST_ERR_BAD_ARGUMENT, "an isocline range from %g to %g by %g", from, to, step);
    std::vector<double> out;
    for (int k = 0; from + k * step <= to + 1e-9; ++k) out.push_back(from + k * step);
    return out;
}

std::vector<hostnum::Curve> made(const host::Call& call, const IsoclineParams& p) {
    std::vector<hostnum::Curve> out;
    for (double a : angles_of(call, p))
        for (tag_t face : p.faces) {
            call.live(face);
            for (auto& c : kc::isocline(call, face, p.direction, a, p.tolerance, p.quintic))
                out.push_back(std::move(c));
        }
    return out;
}

std::vector<double> fingerprint_of(const IsoclineParams& p) {
    std::vector<double> fp = host::curvefeat::fingerprint(p.faces);
    fp.insert(fp.end(), p.direction, p.direction + 3);
    for (tag_t e : p.exps) fp.push_back(e ? host::expr::value(e) : 0.0);
    return fp;
}

// The parameters of a record (texts and expressions aside).
IsoclineParams from_record(const host::Call& call, const ISOCLINE_parms_t* r) {
    call.need(r, "the isocline record");
    if (r->n_faces <= 0) call.fail(HOST_ERR_BAD_ARGUMENT, "an isocline without faces");
    call.need(r->faces, "the faces");
    IsoclineParams p;
    std::copy(r->direction, r->direction + 3, p.direction);
    p.range = r->range != 0;
    p.faces.assign(r->faces, r->faces + r->n_faces);
    for (tag_t f : p.faces) {
        call.live(f);
        if (!host::kernel::face_of_object(f)) call.fail(CURVEFEAT_ERR_BAD_INPUT, "object %u is no face", f);
    }
    p.tolerance = r->tolerance;
    p.quintic = r->quintic;
    return p;
}

// The record's texts (each bounded by its field) in p.texts.
void texts_of(const ISOCLINE_parms_t* r, IsoclineParams& p) {
    const char* const t[3] = {r->angle, r->second, r->third};
    for (int i = 0; i < 3; ++i) p.texts[i] = std::string(t[i], strnlen(t[i], CURVEFEAT_TEXT_CHARS - 1));
    if (!p.range) p.texts[1].clear(), p.texts[2].clear();
}

// The expressions of p's texts: kept ones edited, new ones made, unused
// ones deleted. 0 or the expression service's code.
int set_expressions(tag_t part, IsoclineParams& p) {
    for (int i = 0; i < 3; ++i) {
        const bool used = i == 0 || p.range;
        if (!used) {
            if (p.exps[i] && EXP_delete_exp(p.exps[i]) == 0) p.exps[i] = 0;
            continue;
        }
        const std::string text = p.texts[i].empty() ? "0" : p.texts[i];
        const int code =
            p.exps[i] ? host::expr::edit(p.exps[i], text) : host::expr::create_system(part, text, &p.exps[i]);
        if (code) return code;
    }
    return 0;
}

const IsoclineParams& isocline_params(const host::Call& call, tag_t feature) {
    call.live(feature);
    const IsoclineParams* p = params().find(feature);
    if (!p || !host::feature::find(feature))
        call.fail(CURVEFEAT_ERR_WRONG_FEATURE, "tag %u is no isocline feature", feature);
    return *p;
}

void remake(const host::Call& call, tag_t feature, IsoclineParams p) {
    const std::vector<hostnum::Curve> curves = made(call, p);
    if (curves.empty()) call.fail(CURVEFEAT_ERR_NO_CURVE, "no face has the isocline");
    host::feature::set_results(feature, host::curvefeat::renew(host::feature::find(feature)->results, curves));
    p.inputs = fingerprint_of(p);
    params()[feature] = std::move(p);
}

void follow() {
    host::curvefeat::follow_kind(
        "ISOCLINE_update", kKind,
        {[](tag_t f) {
             const IsoclineParams* p = params().find(f);
             return p ? &p->inputs : nullptr;
         },
         [](tag_t f) { return fingerprint_of(*params().find(f)); },
         [](const host::Call& call, tag_t f, const std::vector<double>&) { remake(call, f, *params().find(f)); }});
}
const bool following = (host::curvefeat::follow_updates(follow), true);

// ---- part files (host/apps/modeling/curvefeat/file_rows.h) ----
//
// An isocline's row: 3 f64 direction, i32 range flag (0 or 1), 3 str texts
// and their 3 u32 expressions (none for a text not used), the faces (u32
// count, u32 objects), f64 tolerance, i32 quintic.
namespace fr = host::curvefeat::file_rows;

void write_row(fr::Out& out, tag_t feature) {
    const IsoclineParams& p = *params().find(feature);
    for (double d : p.direction) out.w().f64(d);
    out.w().i32(p.range ? 1 : 0);
    for (const std::string& t : p.texts) out.text(t.c_str(), t.size() + 1);
    for (tag_t e : p.exps) out.tag(e);
    out.tags(p.faces);
    out.w().f64(p.tolerance);
    out.w().i32(p.quintic);
}

std::function<void()> read_row(fr::In& in, tag_t feature) {
    IsoclineParams p;
    for (double& d : p.direction) d = in.real();
    p.range = in.range(0, 1) == 1;
    for (std::string& t : p.texts) {
        char chars[CURVEFEAT_TEXT_CHARS];
        in.text(chars, sizeof chars);
        t = chars;
    }
    for (int i = 0; i < 3; ++i) {
        p.exps[i] = in.tag(fr::expression, true);
        if ((i == 0 || p.range) != (p.exps[i] != 0))
            throw host::part_file::FormatError("an isocline's expressions do not match its range flag");
    }
    p.faces = in.tags(fr::target);
    if (p.faces.empty()) throw host::part_file::FormatError("an isocline feature without faces");
    p.tolerance = in.real();
    p.quintic = in.r().i32();
    return [feature, p] { params()[feature] = p; };
}

const bool filed =
    (fr::register_kind({kKind, [](tag_t f) { return params().find(f) != nullptr; }, write_row, read_row}), true);

}  // namespace

extern "C" {

int ISOCLINE_create_frec(ISOCLINE_parms_t* record) {
    auto call = HOST_ENTRY(record);
    if (int status; call.status(status)) return status;
    IsoclineParams p = from_record(call, record);
    record->feature = 0;
    texts_of(record, p);
    const tag_t part = CONTEXT_ask_work_part();
    if (const int code = set_expressions(part, p)) {
        for (tag_t e : p.exps)
            if (e) EXP_delete_exp(e);
        return code;
    }
    const std::vector<hostnum::Curve> curves = made(call, p);
    if (curves.empty()) {
        // Nothing to make: no feature.
        for (tag_t e : p.exps)
            if (e) EXP_delete_exp(e);
        return 0;
    }
    const tag_t f = host::feature::create(part, kKind, {}, host::curvefeat::renew({}, curves));
    p.inputs = fingerprint_of(p);
    params()[f] = std::move(p);
    record->feature = f;
    return 0;
}

int ISOCLINE_update_frec(ISOCLINE_parms_t* record) {
    auto call = HOST_ENTRY(record);
    if (int status; call.status(status)) return status;
    call.need(record, "the isocline record");
    const IsoclineParams& old = isocline_params(call, record->feature);
    IsoclineParams p = from_record(call, record);
    texts_of(record, p);
    std::copy(old.exps, old.exps + 3, p.exps);
    if (const int code = set_expressions(host::objects::require(record->feature).part, p)) return code;
    const std::vector<hostnum::Curve> curves = made(call, p);
    if (curves.empty()) return CURVEFEAT_ERR_NO_CURVE;
    host::feature::set_results(record->feature,
                               host::curvefeat::renew(host::feature::find(record->feature)->results, curves));
    p.inputs = fingerprint_of(p);
    params()[record->feature] = std::move(p);
    return 0;
}

double ISOCLINE_ask_tol(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    return isocline_params(call, feature).tolerance;
}

int ISOCLINE_frec_is_a_isocline(unsigned int feature) {
    HOST_ENTRY(feature);
    return host::objects::is_alive(feature) && params().find(feature) && host::feature::find(feature) ? 1 : 0;
}

void ISOCLINE_read_frec(unsigned int feature, ISOCLINE_parms_t* record) {
    auto call = HOST_ENTRY(feature, record);
    call.need(record, "the isocline record");
    const IsoclineParams& p = isocline_params(call, feature);
    ISOCLINE_parms_t r{};
    std::copy(p.direction, p.direction + 3, r.direction);
    r.range = p.range ? 1 : 0;
    char* const t[3] = {r.angle, r.second, r.third};
    for (int i = 0; i < 3; ++i) p.texts[i].copy(t[i], CURVEFEAT_TEXT_CHARS - 1);
    r.n_faces = static_cast<int>(p.faces.size());
    r.faces = host::curvefeat::hand_out(p.faces);
    r.feature = feature;
    r.tolerance = p.tolerance;
    r.quintic = p.quintic;
    r.last = 1;
    *record = r;
}

void ISOCLINE_ask_output_curves(unsigned int feature, int* count, unsigned int** curves) {
    auto call = HOST_ENTRY(feature, count, curves);
    call.need(count, "the count output");
    call.need(curves, "the curves output");
    isocline_params(call, feature);
    const std::vector<tag_t>& r = host::feature::find(feature)->results;
    *count = static_cast<int>(r.size());
    *curves = host::curvefeat::hand_out(r);
}

}  // extern "C"
