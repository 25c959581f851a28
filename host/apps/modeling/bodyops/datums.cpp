// Point-direction datums and points features (host/apps/modeling/bodyops/datums.h):
// feature records of the part with a row that keeps their inputs.
#include "host/apps/modeling/bodyops/datums.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/row_fields.h"
#include "host/model/feature/profiles.h"
#include "host/model/feature/codes.h"
#include "host/model/feature/feature.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"
#include "host/model/smart/smart.h"

namespace {

using host::Call;
using tag_t = unsigned int;
namespace hf = host::feature;
namespace ho = host::objects;

// The numbers are those of the part file.
enum class Kind : std::uint8_t { point_dirr_axis = 0, point_dirr_plane = 1, fixed_axis = 2, points = 3 };

struct DatumRow {
    Kind kind = Kind::fixed_axis;
    tag_t point = 0;
    tag_t direction = 0;
    double size = 0.0;
};
host::TagTable<DatumRow>& rows() {
    static auto* const t = new host::TagTable<DatumRow>("point-direction datums");
    return *t;
}
const bool registered = (rows(), true);

bool of_type(tag_t object, int type) {
    const ho::Object* o = ho::find(object);
    return o && o->type == type;
}

bool is_direction(tag_t object) {
    const ho::Object* o = ho::find(object);
    return o && o->cls == OM_ask_class_of_name("DIRR_c");
}

// The feature kind that each kind of row belongs to.
const char* feature_kind(Kind kind) {
    switch (kind) {
        case Kind::point_dirr_plane: return "DATUM_PLANE";
        case Kind::points: return "POINT_SET";
        default: return "DATUM_AXIS";
    }
}

// The row of a live feature of its kind (null for any other object).
const DatumRow* row_of(tag_t feature) {
    const hf::Record* f = hf::find(feature);
    const DatumRow* r = f ? rows().find(feature) : nullptr;
    return r && f->kind == feature_kind(r->kind) ? r : nullptr;
}

// ---- part files ----
// Section "PDDT": per datum or points feature, u8 its kind (Kind), the
// point and the direction it was made from (objects; none for a fixed axis
// or a points feature, or when not written with the part) and the display
// size (f64). A file without the section opens: its datums are then of no
// kind of these (the size queries refuse them).
namespace pf = host::part_file;
namespace fields = host::part_file::fields;

void write_datums(pf::Writer& out, const pf::SaveContext& ctx) {
    std::vector<tag_t> features;
    for (tag_t f : hf::features_of_part(ctx.part))
        if (row_of(f)) features.push_back(f);
    pf::write_rows(out, ctx, features, [&](pf::Writer& row, tag_t feature) {
        const DatumRow& r = *row_of(feature);
        const auto written = [&](tag_t o) { return o != 0 && ho::is_alive(o) && ctx.written(o) ? o : 0; };
        row.u8(static_cast<std::uint8_t>(r.kind));
        fields::put_object(row, ctx, written(r.point));
        fields::put_object(row, ctx, written(r.direction));
        row.f64(r.size);
    });
}

void read_datums(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, DatumRow>> made;
    pf::read_rows(in, ctx, {"datums", 1 + 4 + 4 + 8, false}, [&](tag_t feature, pf::Reader& row) {
        // Feature records may be read after this section: the feature's
        // kind is checked where the row is used.
        if (ho::require(feature).cls != OM_CLASS_FEATURE) throw pf::FormatError("a datum row of no feature");
        DatumRow r;
        const std::uint8_t kind = row.u8();
        if (kind > static_cast<std::uint8_t>(Kind::points)) throw pf::FormatError("a datum of an unknown kind");
        r.kind = static_cast<Kind>(kind);
        r.point = fields::get_object(row, ctx, "a datum");
        r.direction = fields::get_object(row, ctx, "a datum");
        r.size = row.f64();
        const bool made_of_inputs = r.kind == Kind::point_dirr_axis || r.kind == Kind::point_dirr_plane;
        if ((r.point != 0 && (!made_of_inputs || !of_type(r.point, HOST_TYPE_POINT))) ||
            (r.direction != 0 && (!made_of_inputs || !is_direction(r.direction))))
            throw pf::FormatError("a datum made of objects that are no point and direction");
        if (!std::isfinite(r.size) || r.size < 0 || (r.size != 0 && r.kind != Kind::point_dirr_axis))
            throw pf::FormatError("a datum's size");
        made.emplace_back(feature, r);
    });
    for (const auto& [feature, r] : made) rows()[feature] = r;
}

const bool datums_section_registered = (pf::register_section({{'P', 'D', 'D', 'T'}, write_datums, read_datums}), true);

int create_datum(tag_t point, tag_t direction, int type, const char* kind_name, Kind kind, tag_t* datum) {
    if (!of_type(point, HOST_TYPE_POINT) || !is_direction(direction)) return FEAT_ERR_BAD_PARAMETERS;
    const tag_t part = ho::find(point)->part;
    double at[3], along[3];
    ES_ask_coordinates_of_point(point, at);
    DIRR_ask_direction(direction, along);
    const tag_t made = host::profiles::create_direction_object(part, type, at, along);
    const tag_t feature = hf::create(part, kind_name, {}, {made});
    DatumRow& r = rows()[feature];
    r.kind = kind;
    r.point = point;
    r.direction = direction;
    *datum = made;
    return 0;
}

const DatumRow& need_axis(const Call& call, tag_t feature) {
    const DatumRow* r = row_of(feature);
    if (!r || r->kind != Kind::point_dirr_axis)
        call.fail(FEAT_ERR_BAD_PARAMETERS, "feature %u is no point-direction datum axis", feature);
    return *r;
}

}  // namespace

extern "C" {

int DATUM_daxis_axis_create_frec(unsigned int point, unsigned int direction, unsigned int* datum) {
    auto call = HOST_ENTRY(point, direction, datum);
    call.need(datum, "the datum output");
    *datum = 0;
    return create_datum(point, direction, HOST_TYPE_DATUM_AXIS, "DATUM_AXIS", Kind::point_dirr_axis, datum);
}

int DATUM_dplane_axis_create_frec(unsigned int point, unsigned int direction, unsigned int* datum) {
    auto call = HOST_ENTRY(point, direction, datum);
    call.need(datum, "the datum output");
    *datum = 0;
    return create_datum(point, direction, HOST_TYPE_DATUM_PLANE, "DATUM_PLANE", Kind::point_dirr_plane, datum);
}

int DATUM_create_fixed_axis(unsigned int part, const double point[3], const double direction[3], unsigned int* datum) {
    auto call = HOST_ENTRY(part, point, direction, datum);
    call.need(point, "the point");
    call.need(direction, "the direction");
    call.need(datum, "the datum output");
    const tag_t made = host::profiles::create_direction_object(part, HOST_TYPE_DATUM_AXIS, point, direction);
    const tag_t feature = hf::create(part, "DATUM_AXIS", {}, {made});
    rows()[feature].kind = Kind::fixed_axis;
    *datum = made;
    return 0;
}

int DATUM_ask_point_dirr_inputs(unsigned int feature, unsigned int* point, unsigned int* direction) {
    auto call = HOST_ENTRY(feature, point, direction);
    call.need(point, "the point output");
    call.need(direction, "the direction output");
    const DatumRow* r = row_of(feature);
    if (!r || (r->kind != Kind::point_dirr_axis && r->kind != Kind::point_dirr_plane)) return FEAT_ERR_BAD_PARAMETERS;
    *point = r->point;
    *direction = r->direction;
    return 0;
}

int DATUM_is_daxis_axis_frec(unsigned int feature) {
    HOST_ENTRY(feature);
    const DatumRow* r = row_of(feature);
    return r && r->kind == Kind::point_dirr_axis ? 1 : 0;
}

void DATUM_edit_point_dirr_daxis_size(unsigned int feature, double size) {
    auto call = HOST_ENTRY(feature, size);
    need_axis(call, feature);
    if (!(size >= 0) || !std::isfinite(size)) call.fail(HOST_ERR_BAD_ARGUMENT, "a datum size of %g", size);
    rows()[feature].size = size;
}

void DATUM_ask_point_dirr_daxis_size(unsigned int feature, double* size) {
    auto call = HOST_ENTRY(feature, size);
    call.need(size, "the size output");
    *size = need_axis(call, feature).size;
}

int POINT_create_edit_feature(int count, const unsigned int points[], int mode, unsigned int* record) {
    auto call = HOST_ENTRY(count, points, mode, record);
    call.need(record, "the record output");
    if (mode != 1) call.fail(HOST_ERR_BAD_ARGUMENT, "no points feature of mode %d", mode);
    if (count < 1 || !points) return FEAT_ERR_BAD_PARAMETERS;
    std::vector<tag_t> made;
    for (int i = 0; i < count; ++i) {
        if (!of_type(points[i], HOST_TYPE_POINT)) return FEAT_ERR_BAD_PARAMETERS;
        made.push_back(points[i]);
    }
    const tag_t feature = hf::create(ho::find(points[0])->part, "POINT_SET", {}, made);
    rows()[feature].kind = Kind::points;
    *record = feature;
    return 0;
}

}  // extern "C"
