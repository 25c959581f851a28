// Bridge curve features (host/apps/modeling/curvefeat/curvefeat.h): a quintic spline
// between two curves with tangent or curvature continuity at its ends.
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/apps/modeling/curvefeat/file_rows.h"
#include "host/store/parts/parts.h"
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
using host::profiles::Strings;

constexpr const char* kKind = "BRIDGE_CURVE";

struct BridgeParams {
    BRDGCRV_rec_t rec{};
    Strings slots[3];
    std::vector<double> inputs;  // fingerprint of the curves it was made from
};
host::TagTable<BridgeParams>& params() {
    static auto* const t = new host::TagTable<BridgeParams>("bridge curves");
    return *t;
}
const bool registered = (params(), true);

Strings read_slot(int table, int slot) {
    CMP_strings_t s{};
    CMP_RT_to_string(table, slot, &s);
    Strings out;
    int at = 0;
    for (int i = 0; i < s.count; ++i) {
        out.per_string.push_back(s.per_string[i]);
        out.dir.push_back(s.dir ? s.dir[i] : 1);
        for (int j = 0; j < s.per_string[i]; ++j) out.objects.push_back(s.objects[at + j]);
        at += s.per_string[i];
    }
    SM_free(s.per_string);
    SM_free(s.dir);
    SM_free(s.objects);
    return out;
}

struct End {
    double p[3], d[3], k[3];
};

// The point, unit tangent and curvature vector of the curve at the
// fraction of its parameter range.
End end_of(const host::Call& call, tag_t object, double fraction) {
    call.live(object);
    const auto c = host::kernel::curvefeat::curve_record(object);
    if (!c) call.fail(CURVEFEAT_ERR_BAD_INPUT, "object %u is no curve or edge", object);
    double lim[2];
    hostnum::curve_limits(c->record(), lim);
    End e{};
    double d[6] = {0, 0, 0, 0, 0, 0};
    hostnum::curve_evaluate(c->record(), 2, lim[0] + (lim[1] - lim[0]) * fraction, e.p, d);
    const double speed = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (!(speed > 1e-12)) call.fail(BRDGCRV_ERR_NO_TANGENT, "curve %u has no tangent at its end of the bridge", object);
    double along = 0;
    for (int i = 0; i < 3; ++i) along += d[3 + i] * d[i] / speed;
    for (int i = 0; i < 3; ++i) {
        e.d[i] = d[i] / speed;
        e.k[i] = (d[3 + i] - along * e.d[i]) / (speed * speed);
    }
    return e;
}

bool curvature_at(const BRDGCRV_rec_t& r, int end) {
    return r.method == 1 || r.method == 2 || (r.method == 3 && r.method3_option == end + 1);
}

double shape_at(const BRDGCRV_rec_t& r, int end) {
    if (r.shape_kind == 2) return 2 * r.shapes[0];
    const double s = r.shapes[end];
    return s == 0 ? 1.0 : s;
}

tag_t single(const host::Call& call, const Strings& s, int slot) {
    if (s.objects.size() != 1) call.fail(CURVEFEAT_ERR_BAD_INPUT, "slot %d holds %zu objects", slot, s.objects.size());
    return s.objects[0];
}

hostnum::Curve bridge_of(const host::Call& call, const BRDGCRV_rec_t& r, const Strings slots[3]) {
    End e[2];
    for (int i = 0; i < 2; ++i) e[i] = end_of(call, single(call, slots[i], i), r.fractions[i]);
    double chord = 0;
    for (int i = 0; i < 3; ++i) chord += (e[1].p[i] - e[0].p[i]) * (e[1].p[i] - e[0].p[i]);
    chord = std::sqrt(chord);
    if (!(chord > 1e-9)) call.fail(BRDGCRV_ERR_SAME_ENDS, "the two ends of the bridge coincide");
    host::curvefeat::BridgeEnd ends[2];
    double speeds[2];
    bool g2[2];
    for (int end = 0; end < 2; ++end) {
        const double sense = r.senses[end] == 1 ? -1.0 : 1.0;
        for (int i = 0; i < 3; ++i) {
            ends[end].p[i] = e[end].p[i];
            ends[end].d[i] = sense * e[end].d[i];
            ends[end].k[i] = e[end].k[i];
        }
        speeds[end] = shape_at(r, end) * chord;
        g2[end] = curvature_at(r, end);
    }
    return host::curvefeat::quintic_bridge(call, ends, speeds, g2);
}

std::vector<tag_t> inputs_of(const Strings slots[3]) {
    std::vector<tag_t> out;
    for (int i = 0; i < 2; ++i) out.insert(out.end(), slots[i].objects.begin(), slots[i].objects.end());
    return out;
}

const BridgeParams& bridge_params(const host::Call& call, tag_t feature) {
    call.live(feature);
    const BridgeParams* p = params().find(feature);
    if (!p || !host::feature::find(feature))
        call.fail(CURVEFEAT_ERR_WRONG_FEATURE, "tag %u is no bridge curve feature", feature);
    return *p;
}

// The points of the bridge must be made before the feature.
void check_points(const host::Call& call, const BRDGCRV_rec_t& r) {
    for (tag_t point : r.points) {
        if (!point || !host::objects::is_alive(point)) continue;
        for (tag_t f : host::curvefeat::producers({point}))
            if (FREC_sort_frecs(f, r.feature) == 1)
                call.fail(BRDGCRV_ERR_POINT_AFTER, "point %u is made after the bridge", point);
    }
}

// Bridges whose curves changed are made again.
void follow() {
    host::curvefeat::follow_kind(
        "BRDGCRV_update", kKind,
        {[](tag_t f) {
             const BridgeParams* p = params().find(f);
             return p ? &p->inputs : nullptr;
         },
         [](tag_t f) { return host::curvefeat::fingerprint(inputs_of(params().find(f)->slots)); },
         [](const host::Call& call, tag_t f, const std::vector<double>& now) {
             const BridgeParams& p = *params().find(f);
             const std::vector<tag_t>& results = host::feature::find(f)->results;
             if (results.empty() || !host::objects::is_alive(results[0]))
                 call.fail(CURVEFEAT_ERR_NO_CURVE, "the bridge has lost its curve");
             host::curves::attach_curve(results[0], bridge_of(call, p.rec, p.slots));
             params().edit(f)->inputs = now;
         }});
}
const bool following = (host::curvefeat::follow_updates(follow), true);

// ---- part files (host/apps/modeling/curvefeat/file_rows.h) ----
//
// A bridge's row: its three slots (per slot u32 count of strings, per
// string i32 count of objects and i32 direction, then u32 count and the
// object numbers), i32 method, i32 flag, 2 f64 tolerances, 2 f64
// fractions, 2 str position texts, i32 shape kind, 2 f64 shapes, 2 str
// shape texts, 2 u32 points (kNone: none, or not in the file), 2 i32
// senses, i32 flag2, i32 option of method 3, 4 i32 words. The evaluators
// of a record are handles of a session and are not saved. Slots 0 and 1
// hold one curve each, as the creator takes them.
namespace fr = host::curvefeat::file_rows;

void write_row(fr::Out& out, tag_t feature) {
    const BridgeParams& p = *params().find(feature);
    for (const Strings& s : p.slots) {
        out.w().u32(static_cast<std::uint32_t>(s.per_string.size()));
        for (std::size_t i = 0; i < s.per_string.size(); ++i) {
            out.w().i32(s.per_string[i]);
            out.w().i32(i < s.dir.size() ? s.dir[i] : 1);
        }
        out.tags(s.objects);
    }
    const BRDGCRV_rec_t& r = p.rec;
    out.w().i32(r.method);
    out.w().i32(r.flag);
    for (double d : r.tolerances) out.w().f64(d);
    for (double d : r.fractions) out.w().f64(d);
    for (const auto& t : r.position_text) out.text(t, sizeof t);
    out.w().i32(r.shape_kind);
    for (double d : r.shapes) out.w().f64(d);
    for (const auto& t : r.shape_text) out.text(t, sizeof t);
    for (tag_t t : r.points) out.optional_tag(t);
    for (int s : r.senses) out.w().i32(s);
    out.w().i32(r.flag2);
    out.w().i32(r.method3_option);
    for (int w : r.words) out.w().i32(w);
}

std::function<void()> read_row(fr::In& in, tag_t feature) {
    BridgeParams p;
    for (int slot = 0; slot < 3; ++slot) {
        Strings& s = p.slots[slot];
        const std::uint32_t n = in.count(8);
        std::size_t total = 0;
        for (std::uint32_t i = 0; i < n; ++i) {
            s.per_string.push_back(in.range(1, 1 << 20));
            s.dir.push_back(in.range(-1, 1));
            total += static_cast<std::size_t>(s.per_string.back());
        }
        s.objects = in.tags(fr::curve);
        if (s.objects.size() != total) throw host::part_file::FormatError("a bridge's strings do not hold its curves");
        if (slot < 2 && total != 1) throw host::part_file::FormatError("a bridge's end is not one curve");
    }
    BRDGCRV_rec_t& r = p.rec;
    r.feature = feature;
    r.method = in.range(0, 5);
    r.flag = in.r().i32();
    for (double& d : r.tolerances) d = in.real();
    for (double& d : r.fractions) d = in.real();
    for (auto& t : r.position_text) in.text(t, sizeof t);
    r.shape_kind = in.range(0, 2);
    for (double& d : r.shapes) d = in.real();
    for (auto& t : r.shape_text) in.text(t, sizeof t);
    for (tag_t& t : r.points) t = in.tag(fr::point, true);
    for (int& s : r.senses)
        if ((s = in.range(-1, 1)) == 0) throw host::part_file::FormatError("a bridge's sense is neither way");
    r.flag2 = in.r().i32();
    r.method3_option = in.range(0, 2);
    for (int& w : r.words) w = in.r().i32();
    return [feature, p] { params()[feature] = p; };
}

const bool filed =
    (fr::register_kind({kKind, [](tag_t f) { return params().find(f) != nullptr; }, write_row, read_row}), true);

}  // namespace

namespace host::curvefeat {

hostnum::Curve quintic_bridge(const host::Call& call, const BridgeEnd ends[2], const double speeds[2],
                              const bool g2[2]) {
    double q[6][3];
    for (int end = 0; end < 2; ++end) {
        const double a = speeds[end];
        double(&p0)[3] = q[end == 0 ? 0 : 5];
        double(&p1)[3] = q[end == 0 ? 1 : 4];
        double(&p2)[3] = q[end == 0 ? 2 : 3];
        const double out = end == 0 ? 1.0 : -1.0;  // the first end leaves, the second arrives
        const double curvature = g2[end] ? 1.0 : 0.0;
        for (int i = 0; i < 3; ++i) {
            p0[i] = ends[end].p[i];
            p1[i] = p0[i] + out * a * ends[end].d[i] / 5;
            p2[i] = 2 * p1[i] - p0[i] + curvature * a * a * ends[end].k[i] / 20;
        }
    }
    double poles[24];
    for (int j = 0; j < 6; ++j) {
        for (int i = 0; i < 3; ++i) poles[4 * j + i] = q[j][i];
        poles[4 * j + 3] = 1;
    }
    const double knots[12] = {0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1};
    auto c = hostnum::Curve::spline(6, 6, poles, knots, hostnum::Curve::PoleForm::cartesian);
    if (!c) call.fail(CURVEFEAT_ERR_NO_CURVE, "the bridge makes no spline");
    return *c;
}

}  // namespace host::curvefeat

extern "C" {

int BRDGCRV_create_frec(BRDGCRV_rec_t* record) {
    auto call = HOST_ENTRY(record);
    if (int status; call.status(status)) return status;
    call.need(record, "the bridge record");
    BridgeParams p;
    for (int i = 0; i < 3; ++i) p.slots[i] = read_slot(record->table, i);
    const hostnum::Curve c = bridge_of(call, *record, p.slots);
    const tag_t part = CONTEXT_ask_work_part();
    const tag_t result = host::curvefeat::new_curve(c);
    const tag_t feature = host::feature::create(part, kKind, host::curvefeat::producers(inputs_of(p.slots)), {result});
    p.rec = *record;
    p.rec.feature = feature;
    p.rec.table = 0;
    p.inputs = host::curvefeat::fingerprint(inputs_of(p.slots));
    params()[feature] = p;
    record->feature = feature;
    return 0;
}

int BRDGCRV_update_frec(BRDGCRV_rec_t* record) {
    auto call = HOST_ENTRY(record);
    if (int status; call.status(status)) return status;
    call.need(record, "the bridge record");
    bridge_params(call, record->feature);
    check_points(call, *record);
    BridgeParams p;
    for (int i = 0; i < 3; ++i) p.slots[i] = read_slot(record->table, i);
    const hostnum::Curve c = bridge_of(call, *record, p.slots);
    host::curves::attach_curve(host::feature::find(record->feature)->results.at(0), c);
    p.rec = *record;
    p.rec.table = 0;
    p.inputs = host::curvefeat::fingerprint(inputs_of(p.slots));
    params()[record->feature] = p;
    return 0;
}

void BRDGCRV_read_parms(unsigned int feature, BRDGCRV_rec_t* record) {
    auto call = HOST_ENTRY(feature, record);
    call.need(record, "the bridge record");
    const BridgeParams& p = bridge_params(call, feature);
    BRDGCRV_rec_t r = p.rec;
    r.table = host::curvefeat::table_of({p.slots[0], p.slots[1], p.slots[2]}, r.tolerances);
    r.feature = feature;
    *record = r;
}

int BRDGCRV_is_bridge_frec(unsigned int feature) {
    HOST_ENTRY(feature);
    return host::objects::is_alive(feature) && params().find(feature) && host::feature::find(feature) ? 1 : 0;
}

}  // extern "C"
