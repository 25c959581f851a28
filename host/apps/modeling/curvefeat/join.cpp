// Joins of curve chains and curve-analysis records
// (host/apps/modeling/curvefeat/curvefeat.h).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/entity_types.h"
#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/store/parts/parts.h"
#include "host/model/display/temp.h"
#include "host/base/hook.h"
#include "host/kernel/curves/derived_curves.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

using tag_t = unsigned int;
namespace kc = host::kernel::curvefeat;

host::TagTable<CRVANL_record_t>& analysis() {
    static auto* const t = new host::TagTable<CRVANL_record_t>("curve analysis");
    return *t;
}
host::TagTable<CRVANL_sap_record_t>& spline_analysis() {
    static auto* const t = new host::TagTable<CRVANL_sap_record_t>("spline analysis");
    return *t;
}
const bool registered = (analysis(), spline_analysis(), true);

double tolerance_of(const double tolerances[2]) { return tolerances ? tolerances[0] : srfc1_[0]; }

// The comb of a curve whose record shows it (six doubles a needle).
std::vector<double> comb_of(tag_t curve) {
    std::vector<double> out;
    const CRVANL_record_t* r = analysis().find(curve);
    if (!r || !r->show[0]) return out;
    const auto c = kc::curve_record(curve);
    if (!c) return out;
    const int n = std::max(r->density, 2);
    const double scale = r->scale == 0 ? 1.0 : r->scale;
    double lim[2];
    hostnum::curve_limits(c->record(), lim);
    for (int i = 0; i < n; ++i) {
        double p[3], d[6];
        hostnum::curve_evaluate(c->record(), 2, lim[0] + (lim[1] - lim[0]) * i / (n - 1), p, d);
        const double v2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
        if (!(v2 > 0)) continue;
        const double along = (d[0] * d[3] + d[1] * d[4] + d[2] * d[5]) / v2;
        out.insert(out.end(), p, p + 3);
        for (int k = 0; k < 3; ++k) out.push_back(p[k] - scale * (d[3 + k] - along * d[k]) / v2);
    }
    return out;
}

// The combs of the work part's curves are drawn again, needle by needle, in
// every view whenever the display is regenerated.
void draw_combs() {
    const tag_t part = CONTEXT_ask_work_part();
    DSS_view_spec_t every{0, 0};
    for (int type : {HOST_TYPE_LINE, HOST_TYPE_ARC, HOST_TYPE_CONIC, HOST_TYPE_SPLINE})
        for (tag_t curve : host::objects::objects_of_type(type)) {
            if (host::objects::require(curve).part != part) continue;
            const std::vector<double> comb = comb_of(curve);
            for (std::size_t i = 0; i + 6 <= comb.size(); i += 6)
                DSS_TEMP_display_polyline(&every, 0, 2, comb.data() + i, 0, 0, 0);
        }
}
const bool drawing = (host::temp::on_regenerate(draw_combs), true);

}  // namespace

extern "C" {

int CRV_JOIN_create_joined_curve(int n, const unsigned int* curves, int method, const double tolerances[2],
                                 unsigned int* joined, int* closed) {
    auto call = HOST_ENTRY(n, curves, method);
    call.need(joined, "the joined curve output");
    call.need(closed, "the second output");
    *joined = 0;
    *closed = 0;
    if (int status; call.status(status)) return status;
    if (n > 0 && !curves) return kc::join_null;
    const kc::Joined j = kc::join(call, n > 0 ? std::vector<tag_t>(curves, curves + n) : std::vector<tag_t>{}, method,
                                  tolerance_of(tolerances));
    if (j.code != kc::join_ok) return j.code;
    *joined = host::curvefeat::new_curve(*j.curve);
    *closed = j.closed ? 1 : 0;
    return 0;
}

int CRV_JOIN_auto_join_curves(int n, const unsigned int* curves, int method, const double tolerances[2], int* count,
                              unsigned int** joined) {
    auto call = HOST_ENTRY(n, curves, method);
    call.need(count, "the count output");
    call.need(joined, "the joined curves output");
    *count = 0;
    *joined = nullptr;
    if (int status; call.status(status)) return status;
    if (n < 1) return kc::join_none;
    call.need(curves, "the curves");
    const double tol = tolerance_of(tolerances);
    std::vector<tag_t> made;
    for (const std::vector<tag_t>& chain : kc::chains(call, std::vector<tag_t>(curves, curves + n), tol)) {
        if (chain.size() < 2) continue;
        const kc::Joined j = kc::join(call, chain, method, tol);
        if (j.code != kc::join_ok) return j.code;
        made.push_back(host::curvefeat::new_curve(*j.curve));
    }
    *count = static_cast<int>(made.size());
    if (!made.empty()) {
        *joined = static_cast<unsigned int*>(SM_alloc(sizeof(unsigned int) * made.size()));
        std::copy(made.begin(), made.end(), *joined);
    }
    return 0;
}

void CRVANL_write_CARecord(unsigned int curve, const CRVANL_record_t* record) {
    auto call = HOST_ENTRY(curve, record);
    call.need(record, "the analysis record");
    call.live(curve);
    analysis()[curve] = *record;
    CRVANL_CARecord_t host_record{};
    CRVANL_read_CARecord(curve, &host_record);
    for (int i = 0; i < 4; ++i) host_record.show[i] = record->show[i];
    host_record.density = record->density;
    std::memcpy(host_record.options, record->options, sizeof host_record.options);
    host_record.limits_on = record->limits_on ? 1 : 0;
    host_record.scale = record->scale;
    host::crvanl::set_record(curve, host_record);
}

void CRVANL_write_sap_record(unsigned int spline, const CRVANL_sap_record_t* record) {
    auto call = HOST_ENTRY(spline, record);
    call.need(record, "the spline analysis record");
    call.live(spline);
    spline_analysis()[spline] = *record;
}

int CRVANL_read_written_record(unsigned int curve, CRVANL_record_t* record) {
    auto call = HOST_ENTRY(curve, record);
    call.need(record, "the analysis record output");
    const CRVANL_record_t* r = host::objects::is_alive(curve) ? analysis().find(curve) : nullptr;
    if (r) *record = *r;
    return r ? 1 : 0;
}

int CRVANL_read_sap_record(unsigned int spline, CRVANL_sap_record_t* record) {
    auto call = HOST_ENTRY(spline, record);
    call.need(record, "the spline analysis record output");
    const CRVANL_sap_record_t* r = host::objects::is_alive(spline) ? spline_analysis().find(spline) : nullptr;
    if (r) *record = *r;
    return r ? 1 : 0;
}

void CRVANL_ask_comb(unsigned int curve, int* count, double** needles) {
    auto call = HOST_ENTRY(curve, count, needles);
    call.need(count, "the count output");
    call.need(needles, "the needles output");
    *count = 0;
    *needles = nullptr;
    call.live(curve);
    const std::vector<double> out = comb_of(curve);
    *count = static_cast<int>(out.size() / 6);
    if (out.empty()) return;
    *needles = static_cast<double*>(SM_alloc(sizeof(double) * out.size()));
    std::copy(out.begin(), out.end(), *needles);
}

}  // extern "C"
