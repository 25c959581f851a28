// Symbolic threads (host/apps/modeling/thread/thread.h): a feature row that keeps the
// thread's references and settings, its sizes as the feature's
// expressions, and the host's table of ISO metric coarse threads.
#include "host/apps/modeling/thread/thread.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/kind_check.h"
#include "host/apps/modeling/form/form_slots.h"
#include "host/model/feature/profiles.h"
#include "host/model/feature/records.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/topology.h"
#include "host/model/feature/queries.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

using host::Call;
using tag_t = unsigned int;
namespace hf = host::feature;

constexpr double kTolerance = 1e-6;

// A thread's references, direction and settings; its sizes are the
// feature's expressions.
struct ThreadRow {
    tag_t face_fref = 0;
    tag_t start_fref = 0;
    // Read from a part file: the face and the start (a face or a datum
    // plane) as objects, their references made when first needed.
    tag_t face_object = 0;
    tag_t start_object = 0;
    double point[3] = {};
    double direction[3] = {};
    int sense = THD_SENSE_EXTERNAL;
    int hand = 0, starts = 1, tapered = 0, display = 0, full_length = 0, flags = 0;
    std::string callout, method, form;
};
host::TagTable<ThreadRow>& rows() {
    static auto* const t = new host::TagTable<ThreadRow>("symbolic threads");
    return *t;
}
const bool registered = (rows(), true);

// ---- the thread table -----------------------------------------------------

struct Metric {
    const char* callout;
    double diameter;
    double pitch;
};
// ISO metric coarse threads, first and second choice sizes.
constexpr Metric kMetricCoarse[] = {
    {"M3x0.5", 3, 0.5},   {"M4x0.7", 4, 0.7},   {"M5x0.8", 5, 0.8},   {"M6x1", 6, 1.0},     {"M8x1.25", 8, 1.25},
    {"M10x1.5", 10, 1.5}, {"M12x1.75", 12, 1.75}, {"M14x2", 14, 2.0},   {"M16x2", 16, 2.0},   {"M18x2.5", 18, 2.5},
    {"M20x2.5", 20, 2.5}, {"M22x2.5", 22, 2.5}, {"M24x3", 24, 3.0},
};
constexpr double kInternalDepth = 1.082532;  // D1 = D - 1.082532 P
constexpr double kExternalDepth = 1.226869;  // d3 = d - 1.226869 P
constexpr double kFlankAngle = 60;

// A size rounded to thousandths, as the table prints it.
void put_size(char* slot, double value) {
    std::snprintf(slot, THD_LONG_CHARS + 1, "%g", std::round(value * 1000) / 1000);
}

// ---- geometry ---------------------------------------------------------------

double dot(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The face object of a thread face reference, 0 when it resolves to none.
tag_t face_of(tag_t fref) { return fref == 0 ? 0 : FREF_ask_face_of_fref(fref); }

// The references of a thread (of the objects of a thread read from a file).
tag_t face_ref(const ThreadRow& t) {
    return t.face_fref != 0 || t.face_object == 0 ? t.face_fref : FREF_ask_fref_of_face(t.face_object);
}
tag_t start_ref(const ThreadRow& t) {
    if (t.start_fref != 0 || t.start_object == 0) return t.start_fref;
    const host::objects::Object* o = host::objects::find(t.start_object);
    if (o && o->type == HOST_TYPE_DATUM_PLANE) return create_dplane_fref(t.start_object);
    return FREF_ask_fref_of_face(t.start_object);
}
// The object a reference stands for: the face, or the datum plane.
tag_t object_of_ref(tag_t fref) {
    if (const tag_t plane = CM_ask_dplane_of_entry(static_cast<int>(fref))) return plane;
    return face_of(fref);
}

struct Cylinder {
    tag_t face = 0;
    double point[3], axis[3];
    double radius = 0;
    double v0 = 0, v1 = 0;  // the face's extent along the axis from the point
};

Cylinder cylinder_of(const Call& call, tag_t fref) {
    Cylinder c;
    c.face = face_of(fref);
    if (c.face == 0 || !ES_solid_is_a_face(c.face)) call.fail(FEAT_ERR_BAD_REFERENCE, "the thread face is gone");
    const int k = ES_solid_ask_fermalith_tag(c.face);
    int type = 0, sense = 0;
    double r2 = 0;
    ZQ_FACE_ask_data(k, &type, c.point, c.axis, &c.radius, &r2, &sense);
    if (type != ZQ_SURF_CYLINDER) call.fail(FEAT_ERR_BAD_REFERENCE, "face %u is not cylindrical", c.face);
    double box[4];
    ZQ_FACE_ask_uv_box(k, box);
    c.v0 = box[2];
    c.v1 = box[3];
    return c;
}

// Where the start plane (a planar face or a datum plane) crosses the axis,
// as a distance along it from the cylinder's point.
double start_of(const Call& call, tag_t fref, const Cylinder& c) {
    double point[3], normal[3];
    if (const tag_t plane = CM_ask_dplane_of_entry(static_cast<int>(fref))) {
        if (!host::profiles::direction_data(plane, point, normal))
            call.fail(FEAT_ERR_BAD_REFERENCE, "datum plane %u has no plane", plane);
    } else {
        const tag_t face = face_of(fref);
        if (face == 0 || !ES_solid_is_a_face(face)) call.fail(FEAT_ERR_BAD_REFERENCE, "the start face is gone");
        int type = 0, sense = 0;
        double r = 0, r2 = 0;
        ZQ_FACE_ask_data(ES_solid_ask_fermalith_tag(face), &type, point, normal, &r, &r2, &sense);
        if (type != ZQ_SURF_PLANE) call.fail(FEAT_ERR_BAD_REFERENCE, "start face %u is not planar", face);
    }
    const double n = std::sqrt(dot(normal, normal));
    if (!(n > 0) || std::fabs(dot(normal, c.axis)) / n < 1 - kTolerance)
        call.fail(FEAT_ERR_BAD_REFERENCE, "the start does not cross the thread's axis");
    const double q[3] = {point[0] - c.point[0], point[1] - c.point[1], point[2] - c.point[2]};
    return dot(q, normal) / dot(c.axis, normal);
}

// Values in the order of the feature's expressions.
enum Size { kLength, kMajor, kMinor, kPitch, kAngle, kFaceDiameter, kSizes };

// Checks the thread against its faces and sizes: 0, or -1 when the length
// runs past the end of the face; a misfit raises.
int check(const Call& call, const ThreadRow& t, const std::vector<double>& v) {
    if (t.starts < 1) call.fail(FEAT_ERR_BAD_PARAMETERS, "a thread of %d starts", t.starts);
    if (t.hand != 0 && t.hand != 1) call.fail(FEAT_ERR_BAD_PARAMETERS, "hand %d", t.hand);
    if (t.tapered != 0 && t.tapered != 1) call.fail(FEAT_ERR_BAD_PARAMETERS, "taper setting %d", t.tapered);
    if (t.sense != THD_SENSE_INTERNAL && t.sense != THD_SENSE_EXTERNAL)
        call.fail(FEAT_ERR_BAD_PARAMETERS, "sense word %d", t.sense);
    if (!(v[kMinor] > 0) || !(v[kMajor] > v[kMinor]))
        call.fail(FEAT_ERR_BAD_PARAMETERS, "major diameter %g over minor diameter %g", v[kMajor], v[kMinor]);
    if (!(v[kPitch] > 0)) call.fail(FEAT_ERR_BAD_PARAMETERS, "pitch %g", v[kPitch]);
    if (!(v[kAngle] > 0 && v[kAngle] < 180)) call.fail(FEAT_ERR_BAD_PARAMETERS, "flank angle %g", v[kAngle]);
    if (!(v[kLength] >= 0) || !std::isfinite(v[kLength])) call.fail(FEAT_ERR_BAD_PARAMETERS, "length %g", v[kLength]);
    const Cylinder c = cylinder_of(call, face_ref(t));
    const double diameter = 2 * c.radius;
    if (t.sense == THD_SENSE_INTERNAL ? !(diameter < v[kMajor]) : !(diameter > v[kMinor]))
        call.fail(FEAT_ERR_BAD_PARAMETERS, "a thread of %g over %g does not fit a face of diameter %g", v[kMajor],
                  v[kMinor], diameter);
    const double s = start_of(call, start_ref(t), c);
    if (s < c.v0 - kTolerance || s > c.v1 + kTolerance)
        call.fail(FEAT_ERR_BAD_REFERENCE, "the start lies beyond the thread face");
    const double room = (t.flags & THD_FLAG_REVERSED) ? s - c.v0 : c.v1 - s;
    if (!(room > kTolerance)) call.fail(FEAT_ERR_BAD_REFERENCE, "the thread runs off its face");
    return !t.full_length && v[kLength] > room + kTolerance ? -1 : 0;
}

const ThreadRow& row_of(const Call& call, tag_t feature) {
    call.live(feature);
    const ThreadRow* t = rows().find(feature);
    if (!t || !hf::find(feature)) call.fail(FEAT_ERR_NOT_A_FEATURE, "object %u is no symbolic thread", feature);
    return *t;
}

void regenerate(const Call& call, tag_t feature) {
    check(call, row_of(call, feature), hf::detail::values_of(*hf::find(feature)));
}

// ---- the part file ------------------------------------------------------------
// Section "THRD", a row per thread feature: u32 number of the thread face,
// u32 number of the start (a face or a datum plane), the point and the
// direction (six f64), i32 sense, hand, starts, tapered, display,
// full_length and flags, and the callout, method and form (strings).

namespace pf = host::part_file;

void write_threads(pf::Writer& out, const pf::SaveContext& ctx) {
    pf::write_object_rows(out, ctx, false, [&](pf::Writer& row, tag_t f) {
        const ThreadRow* t = rows().find(f);
        if (!t || !hf::find(f)) return;
        const tag_t face = object_of_ref(face_ref(*t)), start = object_of_ref(start_ref(*t));
        if (face == 0 || start == 0 || ctx.index(face) == 0xFFFFFFFFu || ctx.index(start) == 0xFFFFFFFFu) return;
        row.u32(ctx.index(face));
        row.u32(ctx.index(start));
        for (double v : t->point) row.f64(v);
        for (double v : t->direction) row.f64(v);
        for (int v : {t->sense, t->hand, t->starts, t->tapered, t->display, t->full_length, t->flags}) row.i32(v);
        for (const std::string* text : {&t->callout, &t->method, &t->form}) row.str(*text);
    });
}

void read_threads(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, ThreadRow>> made;
    const auto object = [&](pf::Reader& row) {
        const host::objects::Object* o = host::objects::find(ctx.tag_of(row.u32()));
        if (!o || o->tag == ctx.part) throw pf::FormatError("a thread's face is not there");
        return o->tag;
    };
    pf::read_rows(in, ctx, {"threads", 4 * 2 + 8 * 6 + 4 * 7 + 4 * 3, false}, [&](tag_t f, pf::Reader& row) {
        // The features are read after this section: their kinds are checked
        // once every section stands.
        hf::expect_kind_when_read(ctx, f, {THD_KIND}, "a thread row of no thread feature");
        ThreadRow t;
        t.face_object = object(row);
        t.start_object = object(row);
        for (double& v : t.point) v = row.f64();
        for (double& v : t.direction) v = row.f64();
        for (int* v : {&t.sense, &t.hand, &t.starts, &t.tapered, &t.display, &t.full_length, &t.flags}) *v = row.i32();
        for (std::string* text : {&t.callout, &t.method, &t.form}) {
            *text = row.str();
            if (text->size() > THD_SHORT_CHARS || text->find('\0') != std::string::npos)
                throw pf::FormatError("a thread's text is too long");
        }
        made.emplace_back(f, std::move(t));
    });
    for (auto& [f, t] : made) rows()[f] = std::move(t);
}

const bool section_registered = (pf::register_section({{'T', 'H', 'R', 'D'}, write_threads, read_threads}), true);

const bool kind_registered = [] {
    hf::Kind k{THD_KIND,
               {"Length", "Major Diameter", "Minor Diameter", "Pitch", "Angle", "Face Diameter"},
               0,
               0,
               0,
               false,
               nullptr,
               nullptr};
    k.regenerate = regenerate;
    hf::register_kind(k);
    return true;
}();

// A text of a slot, cut at the slot's end whatever the caller wrote.
std::string slot_text(const char* slot, std::size_t chars) { return std::string(slot, strnlen(slot, chars)); }

}  // namespace

extern "C" {

int THD_get_callout_from_table(THD_data_t* data) {
    auto call = HOST_ENTRY(data);
    if (int status; call.status(status)) return status;
    call.need(data, "the thread data");
    const std::string callout = slot_text(data->callout, THD_SHORT_CHARS);
    const auto it = std::find_if(std::begin(kMetricCoarse), std::end(kMetricCoarse),
                                 [&](const Metric& m) { return callout == m.callout; });
    if (it == std::end(kMetricCoarse)) return FEAT_ERR_BAD_PARAMETERS;
    const bool internal = data->sense == THD_SENSE_INTERNAL;
    put_size(data->major_diameter, it->diameter);
    put_size(data->minor_diameter, it->diameter - (internal ? kInternalDepth : kExternalDepth) * it->pitch);
    put_size(data->pitch, it->pitch);
    put_size(data->angle, kFlankAngle);
    put_size(data->face_diameter, internal ? it->diameter - it->pitch : it->diameter);
    data->tapered = 0;
    return 0;
}

int THD_create_symb_thd_frec(const THD_data_t* data, unsigned int* record) {
    auto call = HOST_ENTRY(data, record);
    if (int status; call.status(status)) return status;
    call.need(data, "the thread data");
    call.need(record, "the record output");
    *record = 0;
    call.need(data->face, "block A");
    call.need(data->start, "block B");
    ThreadRow t;
    t.face_fref = data->face->fref;
    t.start_fref = data->start->fref;
    std::copy(data->face->point, data->face->point + 3, t.point);
    std::copy(data->face->direction, data->face->direction + 3, t.direction);
    t.sense = data->sense;
    t.hand = data->hand;
    t.starts = data->starts;
    t.tapered = data->tapered;
    t.display = data->display;
    t.full_length = data->full_length;
    t.flags = data->flags;
    t.callout = slot_text(data->callout, THD_SHORT_CHARS);
    t.method = slot_text(data->method, THD_SHORT_CHARS);
    t.form = slot_text(data->form, THD_SHORT_CHARS);
    const tag_t face = face_of(t.face_fref);
    if (face == 0) return FEAT_ERR_BAD_REFERENCE;
    const tag_t part = host::objects::require(face).part;
    const char* const texts[kSizes] = {data->length, data->major_diameter, data->minor_diameter,
                                       data->pitch,  data->angle,          data->face_diameter};
    std::vector<std::string> formulas;
    std::vector<double> values;
    for (const char* text : texts) {
        formulas.push_back(slot_text(text, THD_LONG_CHARS));
        double v = 0;
        if (int code = EXP_ask_value_of_exp_str(part, formulas.back().c_str(), &v)) return code;
        values.push_back(v);
    }
    int clipped = 0;
    if (int code = hf::caught([&] { clipped = check(call, t, values); })) return code;
    // The feature builds on the features that made its face.
    int n = 0;
    unsigned int* frecs = nullptr;
    CM_ask_frecs_of_face(face, &n, &frecs);
    const std::vector<tag_t> ids(frecs, frecs + n);
    SM_free(frecs);
    std::vector<tag_t> parents;
    for (tag_t id : ids)
        if (const tag_t f = CM_ask_eid_of_object(id); f != 0 && hf::find(f)) parents.push_back(f);
    const host::ModelSnapshot before = host::snapshot_model();
    std::vector<tag_t> exps;
    for (const std::string& f : formulas) {
        tag_t e = 0;
        if (int code = host::expr::create_system(part, f, &e)) {
            host::restore_model(before);
            return code;
        }
        exps.push_back(e);
    }
    const tag_t feature = hf::create(part, THD_KIND, parents, {});
    hf::Record* r = hf::detail::edit(feature);
    r->exps = exps;
    r->built = hf::detail::values_of(*r);
    rows()[feature] = std::move(t);
    *record = feature;
    return clipped;
}

int THD_is_symb_thd_frec(unsigned int feature) {
    HOST_ENTRY(feature);
    return rows().find(feature) && hf::find(feature) ? 1 : 0;
}

void THD_get_symb_thd_parms(unsigned int feature, int* starts, int* hand, int* tapered, int* display,
                            int* full_length, THD_parms_t* parms) {
    auto call = HOST_ENTRY(feature, parms);
    for (int* out : {starts, hand, tapered, display, full_length}) call.need(out, "a setting output");
    call.need(parms, "the parameters output");
    const ThreadRow& t = row_of(call, feature);
    const hf::Record& r = *hf::find(feature);
    *starts = t.starts;
    *hand = t.hand;
    *tapered = t.tapered;
    *display = t.display;
    *full_length = t.full_length;
    THD_parms_t out{};
    std::snprintf(out.callout, sizeof out.callout, "%s", t.callout.c_str());
    std::snprintf(out.method, sizeof out.method, "%s", t.method.c_str());
    std::snprintf(out.form, sizeof out.form, "%s", t.form.c_str());
    for (std::size_t i = 0; i < 6 && i < r.exps.size(); ++i) out.exps[i] = r.exps[i];
    out.face_fref = face_ref(t);
    out.start_fref = start_ref(t);
    std::copy(t.direction, t.direction + 3, out.direction);
    out.sense = t.sense;
    out.flags = t.flags;
    *parms = out;
}

unsigned int FREF_find_fref_of_face(unsigned int face) {
    auto call = HOST_ENTRY(face);
    return static_cast<unsigned int>(call.int_out(0, FREF_ask_fref_of_face(face)));
}

void KI_outsur(int surface, double point[3], double axis[3], double* radius, int* sense) {
    auto call = HOST_ENTRY(surface, point, axis, radius);
    call.need(point, "the point output");
    call.need(axis, "the axis output");
    call.need(radius, "the radius output");
    call.need(sense, "the sense output");
    int type = 0, face_sense = 0;
    double r2 = 0;
    ZQ_FACE_ask_data(surface, &type, point, axis, radius, &r2, &face_sense);
    *sense = 0;
}

}  // extern "C"
