// The host's trimmed sheets (trimmed_sheet.h).
#include "host/apps/modeling/freeform/trimmed_sheet.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/row_fields.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/freeform/enlarge.h"
#include "host/apps/modeling/freeform/sheet_rows.h"
#include "host/base/hook.h"
#include "host/kernel/ops/trimmed_sheets.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

namespace hf = host::feature;
using tag_t = unsigned int;

struct TrimRow {
    tag_t sheet = 0;
    std::vector<tag_t> bounds;
    ST_projection_t projection{};
    std::vector<double> points;  // three per point
    int region = 0;
    std::array<double, 2> tolerances{};
};

host::TagTable<TrimRow>& rows() {
    static auto* const t = new host::TagTable<TrimRow>("trimmed sheet definitions");
    return *t;
}

// The projection direction of the record (false: along the normal).
bool direction_of(const host::Call& call, const ST_projection_t& p, std::array<double, 3>& d) {
    switch (p.method) {
    case 0:
    case 3: d = {p.u.direction[0], p.u.direction[1], p.u.direction[2]}; return true;
    case 1:
    case 4: {
        const int entity = host::kernel::entity_of(p.u.object);
        int cls = 0;
        if (entity != 0) ZQ_ENTITY_ask_class(entity, &cls);
        double point[3], dir[3], r = 0, r2 = 0;
        int type = 0;
        if (cls == ZQ_CLASS_FACE) {
            int sense = 0;
            ZQ_FACE_ask_data(entity, &type, point, dir, &r, &r2, &sense);
            if (type != ZQ_SURF_PLANE) call.fail(ST_ERR_BAD_INPUT, "face %u is not planar", p.u.object);
        } else if (cls == ZQ_CLASS_EDGE) {
            ZQ_EDGE_ask_curve_data(entity, &type, point, dir, &r);
            if (type != ZQ_CURVE_LINE) call.fail(ST_ERR_BAD_INPUT, "edge %u is not straight", p.u.object);
        } else {
            call.fail(ST_ERR_BAD_INPUT, "object %u gives no direction", p.u.object);
        }
        d = {dir[0], dir[1], dir[2]};
        return true;
    }
    case 2:
    case 5: return false;
    default: call.fail(ST_ERR_BAD_INPUT, "projection method %d", p.method);
    }
}

// The sheet of the definition (kernel tag of a new body).
int make_sheet(const host::Call& call, const TrimRow& r) {
    const int sheet = host::kernel::entity_of(r.sheet);
    if (sheet == 0) call.fail(ST_ERR_BAD_INPUT, "object %u has no kernel body", r.sheet);
    std::array<double, 3> d{};
    const bool along = direction_of(call, r.projection, d);
    int body = 0;
    ZQ_FF_trim(sheet, static_cast<int>(r.bounds.size()), r.bounds.data(), along ? d.data() : nullptr,
               static_cast<int>(r.points.size() / 3), r.points.data(), r.region, r.tolerances[0], &body);
    return body;
}

TrimRow row_from(const host::Call& call, int n_bounds, const unsigned int* bounds, const ST_projection_t* projection,
                 int n_points, const double* points, int region, double distance, double angle) {
    if (n_bounds < 1 || n_points < 1 || !bounds || !points || !projection)
        call.fail(ST_ERR_BAD_INPUT, "no bounding objects, no region points or a null array");
    if (projection->method < 0 || projection->method > 5)
        call.fail(ST_ERR_BAD_INPUT, "projection method %d", projection->method);
    if (region != 0 && region != 1) call.fail(ST_ERR_BAD_INPUT, "region flag %d", region);
    if (!(distance > 0) || !(angle > 0)) call.fail(ST_ERR_BAD_INPUT, "a tolerance not above 0");
    TrimRow r;
    r.bounds.assign(bounds, bounds + n_bounds);
    r.projection = *projection;
    r.points.assign(points, points + 3 * static_cast<std::size_t>(n_points));
    r.region = region;
    r.tolerances = {distance, angle};
    return r;
}

const TrimRow& row_of(const host::Call& call, tag_t feature) {
    call.live(feature);
    const TrimRow* r = rows().find(feature);
    if (!r || !hf::find(feature)) call.fail(FEAT_ERR_NOT_A_FEATURE, "object %u is no trimmed sheet", feature);
    return *r;
}

// Runs the work; a raise leaves the model as it was and answers its code.
template <class F>
int answered(F&& work) {
    const host::ModelSnapshot before = host::snapshot_model();
    const int code = hf::caught(work);
    if (code != 0) host::restore_model(before);
    return code;
}

// A feature read from a file without its definition keeps the sheet it was
// saved with.
void regenerate(const host::Call& call, tag_t feature) {
    if (const TrimRow* r = rows().find(feature)) host::freeform::replace_result_body(feature, make_sheet(call, *r));
}

// ---- the part file ------------------------------------------------------------
// Section "STRM", a row per trimmed sheet: the sheet body (object); the
// bounding curves and edges (objects); i32 projection method, then per
// method three reals (0, 3), an object (1, 4) or nothing (2, 5); the region
// points (reals, three each); i32 region flag; f64 distance and angle
// tolerances. A trimmed sheet whose objects did not all go into the file
// goes without its row (and keeps the sheet it was saved with).

namespace pf = host::part_file;
namespace fields = host::part_file::fields;
constexpr const char* kWhat = "a trimmed sheet";

bool along_object(int method) { return method == 1 || method == 4; }
bool along_direction(int method) { return method == 0 || method == 3; }

void write_section(pf::Writer& out, const pf::SaveContext& ctx) {
    pf::write_object_rows(out, ctx, false, [&](pf::Writer& row, tag_t f) {
        const TrimRow* r = rows().find(f);
        if (!r || !hf::find(f) || !ctx.written(r->sheet)) return;
        for (tag_t b : r->bounds)
            if (!ctx.written(b)) return;
        const int method = r->projection.method;
        if (along_object(method) && !ctx.written(r->projection.u.object)) return;
        fields::put_object(row, ctx, r->sheet);
        fields::put_objects(row, ctx, r->bounds);
        row.i32(method);
        if (along_direction(method))
            for (double d : r->projection.u.direction) row.f64(d);
        if (along_object(method)) fields::put_object(row, ctx, r->projection.u.object);
        fields::put_reals(row, r->points);
        row.i32(r->region);
        row.f64(r->tolerances[0]);
        row.f64(r->tolerances[1]);
    });
}

void read_section(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, TrimRow>> made;
    pf::read_rows(in, ctx, {kWhat, 8, false}, [&](tag_t f, pf::Reader& row) {
        host::freeform::require_feature(f, kWhat);
        TrimRow r;
        r.sheet = host::freeform::get_object_of(row, ctx, kWhat, -1, HOST_SUBTYPE_BODY);
        r.bounds = fields::get_objects(row, ctx, kWhat);
        if (r.bounds.empty() || std::find(r.bounds.begin(), r.bounds.end(), 0u) != r.bounds.end())
            throw pf::FormatError("a trimmed sheet without its bounding curves");
        r.projection.method = row.i32();
        const int method = r.projection.method;
        if (method < 0 || method > 5) throw pf::FormatError("a trimmed sheet of no projection method");
        if (along_direction(method))
            for (double& d : r.projection.u.direction) d = row.f64();
        if (along_object(method)) {
            r.projection.u.object = fields::get_object(row, ctx, kWhat);
            if (r.projection.u.object == 0) throw pf::FormatError("a trimmed sheet projected along no object");
        }
        r.points = host::freeform::get_finite_reals(row, kWhat);
        r.region = row.i32();
        r.tolerances = {row.f64(), row.f64()};
        const bool direction_fits = !along_direction(method) || (std::isfinite(r.projection.u.direction[0]) &&
                                                                 std::isfinite(r.projection.u.direction[1]) &&
                                                                 std::isfinite(r.projection.u.direction[2]));
        if (r.points.empty() || r.points.size() % 3 != 0 || (r.region != 0 && r.region != 1) || !direction_fits ||
            !(r.tolerances[0] > 0) || !(r.tolerances[1] > 0) || !std::isfinite(r.tolerances[0]) ||
            !std::isfinite(r.tolerances[1]))
            throw pf::FormatError("a trimmed sheet's points, region or tolerances are out of range");
        made.emplace_back(f, std::move(r));
    });
    for (auto& [f, r] : made) rows()[f] = std::move(r);
}

const bool section_registered = (pf::register_section({{'S', 'T', 'R', 'M'}, write_section, read_section}), true);

const bool kind_registered = [] {
    rows();
    hf::Kind k{ST_KIND, {}, 0, 0, 0, false, nullptr, nullptr};
    k.regenerate = regenerate;
    hf::register_kind(k);
    return true;
}();

}  // namespace

namespace host::freeform {

void replace_result_body(unsigned int feature, int made) {
    const hf::Record* r = hf::find(feature);
    const tag_t old = r && !r->results.empty() ? r->results.front() : 0;
    const int old_entity = old ? host::kernel::entity_of(old) : 0;
    if (old_entity != 0) {
        ZQ_FF_replace_sheet(old_entity, made);
        return;
    }
    tag_t object = 0;
    pxlook_(&made, &object);
    hf::set_results(feature, {object});
}

}  // namespace host::freeform

extern "C" {

int ST_kx_create_trimmed_sheet(unsigned int sheet, int n_bounds, const unsigned int* bounds,
                               const ST_projection_t* projection, int n_points, const double* points, int region,
                               double distance_tolerance, double angle_tolerance, unsigned int* body, int* n_faces,
                               unsigned int* feature) {
    auto call = HOST_ENTRY(sheet, n_bounds, n_points, region);
    int status;
    if (call.status(status)) return status;
    call.need(body, "the body output");
    call.need(n_faces, "the face count output");
    call.need(feature, "the feature output");
    *body = 0, *n_faces = 0, *feature = 0;
    return answered([&] {
        TrimRow r = row_from(call, n_bounds, bounds, projection, n_points, points, region, distance_tolerance,
                             angle_tolerance);
        call.live(sheet);
        r.sheet = sheet;
        const int made = make_sheet(call, r);
        tag_t object = 0;
        pxlook_(&made, &object);
        const tag_t f = hf::create(host::parts::work_part(), ST_KIND, {}, {object});
        char tolerance[EXP_VALUE_CHARS];
        EXP_format_value(distance_tolerance, tolerance);
        host::freeform::keep_sheet_parms(f, SS_KIND_TRIMMED, 0, tolerance);
        rows()[f] = std::move(r);
        *body = object;
        *n_faces = static_cast<int>(host::kernel::faces_of(made).size());
        *feature = f;
    });
}

int ST_kx_edit_trimmed_sheet(unsigned int feature, int n_bounds, const unsigned int* bounds,
                             const ST_projection_t* projection, int n_points, const double* points, int region,
                             double distance_tolerance, double angle_tolerance) {
    auto call = HOST_ENTRY(feature, n_bounds, n_points, region);
    int status;
    if (call.status(status)) return status;
    return answered([&] {
        const TrimRow& was = row_of(call, feature);
        TrimRow r = row_from(call, n_bounds, bounds, projection, n_points, points, region, distance_tolerance,
                             angle_tolerance);
        r.sheet = was.sheet;
        rows()[feature] = std::move(r);
        UPDATE_log_object_to_update(feature);
    });
}

int ST_kx_ask_trimmed_sheet(unsigned int feature, unsigned int* sheet, int* n_bounds, unsigned int** bounds,
                            ST_projection_t* projection, int* n_points, double** points, int* region,
                            double tolerances[2]) {
    auto call = HOST_ENTRY(feature);
    int status;
    if (call.status(status)) return status;
    for (const void* p : {static_cast<const void*>(sheet), static_cast<const void*>(n_bounds),
                          static_cast<const void*>(bounds), static_cast<const void*>(projection),
                          static_cast<const void*>(n_points), static_cast<const void*>(points),
                          static_cast<const void*>(region), static_cast<const void*>(tolerances)})
        call.need(p, "an output");
    return answered([&] {
        const TrimRow& r = row_of(call, feature);
        unsigned int* b = static_cast<unsigned int*>(SM_alloc(sizeof(unsigned int) * r.bounds.size()));
        double* p = nullptr;
        try {
            p = static_cast<double*>(SM_alloc(sizeof(double) * r.points.size()));
        } catch (...) {
            SM_free(b);
            throw;
        }
        std::copy(r.bounds.begin(), r.bounds.end(), b);
        std::copy(r.points.begin(), r.points.end(), p);
        *sheet = r.sheet;
        *n_bounds = static_cast<int>(r.bounds.size());
        *bounds = b;
        *projection = r.projection;
        // A test may give the method that comes back.
        projection->method = static_cast<int>(call.int_out(0, projection->method));
        *n_points = static_cast<int>(r.points.size() / 3);
        *points = p;
        *region = r.region;
        tolerances[0] = r.tolerances[0];
        tolerances[1] = r.tolerances[1];
    });
}

}  // extern "C"
