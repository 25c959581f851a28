// Datum coordinate systems (host/apps/modeling/datum/datum_csys.h): smart coordinate
// systems that keep their transform, and the feature rows that keep a
// coordinate system with its seven datums and follow the transform at
// every update.
#include "host/apps/modeling/datum/datum_csys.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/row_fields.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/profiles.h"
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

constexpr const char* kKind = "DATUM_CSYS";
constexpr int kFollow = 0;
constexpr int kFixed = 1;

// The transform a smart coordinate system was made from.
host::TagTable<tag_t>& csys_xforms() {
    static auto* const t = new host::TagTable<tag_t>("smart coordinate systems");
    return *t;
}

struct DatumCsys {
    tag_t csys = 0;
    std::array<tag_t, DATUM_CSYS_COMPONENTS> components{};
    int option = kFollow;
};
host::TagTable<DatumCsys>& rows() {
    static auto* const t = new host::TagTable<DatumCsys>("datum coordinate systems");
    return *t;
}
const bool registered = (csys_xforms(), rows(), true);

// Origin, X, Y, Z of a transform.
struct Frame {
    double o[3], x[3], y[3], z[3];
};
Frame frame_of(tag_t xform) {
    Frame f;
    XFORM_ask_point(xform, f.o);
    XFORM_ask_x_direction(xform, f.x);
    XFORM_ask_y_direction(xform, f.y);
    XFORM_ask_z_direction(xform, f.z);
    return f;
}
std::array<double, 9> rows_of(const Frame& f) {
    return {f.x[0], f.x[1], f.x[2], f.y[0], f.y[1], f.y[2], f.z[0], f.z[1], f.z[2]};
}

bool is_smart_xform(tag_t xform) {
    const ho::Object* o = ho::find(xform);
    const OM_class_t cls = OM_ask_class_of_name("XFORM_c");
    return o && cls != 0 && ho::is_subclass(o->cls, cls);
}

// Places the components at the frame: origin, axes X Y Z, planes XY YZ ZX.
void place(const DatumCsys& d, const Frame& f) {
    POINT_set_coordinates(d.components[0], f.o);
    const double* axes[3] = {f.x, f.y, f.z};
    const double* normals[3] = {f.z, f.x, f.y};
    for (int i = 0; i < 3; ++i) {
        host::profiles::set_direction(d.components[1 + i], f.o, axes[i]);
        host::profiles::set_direction(d.components[4 + i], f.o, normals[i]);
    }
}

// The coordinate system takes the frame when it moved: a new matrix object
// replaces its old one.
void move_csys(tag_t csys, const Frame& f) {
    double origin[3];
    unsigned int matrix = 0;
    ES_ask_csys_origin(csys, origin);
    ES_ask_matrix_tag_of_entity(csys, &matrix);
    double values[9] = {};
    if (matrix) ES_ask_elements_of_matrix(matrix, values);
    const std::array<double, 9> want = rows_of(f);
    const bool same_axes = matrix && std::equal(want.begin(), want.end(), values);
    if (!std::equal(origin, origin + 3, f.o)) host::wcs::set_origin(csys, f.o);
    if (same_axes) return;
    unsigned int fresh = 0;
    ES_create_matrix_in_part(ho::require(csys).part, want.data(), 3, &fresh);
    host::wcs::set_matrix(csys, fresh);
    if (matrix && ho::is_alive(matrix)) ho::destroy(matrix);
}

// The row of a datum coordinate-system feature (null for another object).
const DatumCsys* row_of(tag_t feature) {
    const hf::Record* r = hf::find(feature);
    return r && r->kind == kKind ? rows().find(feature) : nullptr;
}

// Every datum coordinate system of option 0 follows its transform (after
// the smart objects have followed their parents).
void follow() {
    bool smart_done = false;
    for (tag_t part : host::parts::loaded_parts())
        for (tag_t feature : hf::features_of_part(part)) {
            const DatumCsys* d = row_of(feature);
            if (!d || d->option != kFollow || hf::is_inactive(feature) || !ho::is_alive(d->csys)) continue;
            const tag_t* xform = csys_xforms().find(d->csys);
            if (!xform || !ho::is_alive(*xform)) continue;
            if (!smart_done) {
                host::smart::follow_update();
                smart_done = true;
            }
            const Frame f = frame_of(*xform);
            move_csys(d->csys, f);
            place(*d, f);
        }
}
const bool follower_added = (hf::add_follower(follow), true);

// ---- part files ----
// Section "CSXF": per smart coordinate system, its transform (an object).
// Section "DCSY": per datum coordinate-system feature, its coordinate
// system, its option (u8) and its seven components in the order above.
// A row goes out only when every object it names is written; the
// transform itself is kept by the smart objects' section.
namespace pf = host::part_file;
namespace fields = host::part_file::fields;

bool of_type(tag_t t, int type) {
    const ho::Object* o = ho::find(t);
    return o && o->type == type;
}

std::vector<tag_t> tags_of(const auto& table) {
    std::vector<tag_t> out;
    for (tag_t t : ho::live_objects())
        if (table.find(t)) out.push_back(t);
    return out;
}

void write_csys_xforms(pf::Writer& out, const pf::SaveContext& ctx) {
    pf::write_rows(out, ctx, tags_of(csys_xforms()), [&](pf::Writer& row, tag_t csys) {
        const tag_t xform = *csys_xforms().find(csys);
        if (ctx.written(xform)) fields::put_object(row, ctx, xform);
    });
}

void read_csys_xforms(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, tag_t>> made;
    pf::read_rows(in, ctx, {"smart coordinate systems", 4, false}, [&](tag_t csys, pf::Reader& row) {
        const tag_t xform = fields::get_object(row, ctx, "a smart coordinate system");
        if (!of_type(csys, HOST_TYPE_CSYS) || !is_smart_xform(xform))
            throw pf::FormatError("a smart coordinate system's row names other objects");
        made.emplace_back(csys, xform);
    });
    for (const auto& [csys, xform] : made) csys_xforms()[csys] = xform;
}

void write_datum_csys(pf::Writer& out, const pf::SaveContext& ctx) {
    pf::write_rows(out, ctx, tags_of(rows()), [&](pf::Writer& row, tag_t feature) {
        const DatumCsys& d = *rows().find(feature);
        if (!row_of(feature) || !ctx.written(d.csys) ||
            !std::all_of(d.components.begin(), d.components.end(), [&](tag_t c) { return ctx.written(c); }))
            return;
        fields::put_object(row, ctx, d.csys);
        row.u8(static_cast<std::uint8_t>(d.option));
        for (tag_t c : d.components) fields::put_object(row, ctx, c);
    });
}

void read_datum_csys(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, DatumCsys>> made;
    pf::read_rows(in, ctx, {"datum coordinate systems", 4 + 1 + 4 * DATUM_CSYS_COMPONENTS, false},
                  [&](tag_t feature, pf::Reader& row) {
                      // Feature records may be read after this section: the
                      // kind is checked where the row is used.
                      if (ho::require(feature).cls != OM_CLASS_FEATURE)
                          throw pf::FormatError("a datum coordinate-system row of no feature");
                      DatumCsys d;
                      d.csys = fields::get_object(row, ctx, "a datum coordinate system");
                      d.option = row.u8();
                      for (tag_t& c : d.components) c = fields::get_object(row, ctx, "a datum coordinate system");
                      bool fits = of_type(d.csys, HOST_TYPE_CSYS) && (d.option == kFollow || d.option == kFixed) &&
                                  of_type(d.components[0], HOST_TYPE_POINT);
                      for (int i = 0; i < 3; ++i)
                          fits = fits && of_type(d.components[1 + i], HOST_TYPE_DATUM_AXIS) &&
                                 of_type(d.components[4 + i], HOST_TYPE_DATUM_PLANE);
                      if (!fits) throw pf::FormatError("a datum coordinate system's row names other objects");
                      made.emplace_back(feature, d);
                  });
    for (const auto& [feature, d] : made) rows()[feature] = d;
}

const bool sections_registered =
    (pf::register_section({{'C', 'S', 'X', 'F'}, write_csys_xforms, read_csys_xforms}),
     pf::register_section({{'D', 'C', 'S', 'Y'}, write_datum_csys, read_datum_csys}), true);


}  // namespace

extern "C" {

unsigned int CSYSTEM_xform_create(unsigned int object, int kind, unsigned int xform) {
    auto call = HOST_ENTRY(object, kind, xform);
    const ho::Object& owner = call.live(object);
    call.live(xform);
    if (kind != CSYSTEM_KIND_XFORM) call.fail(HOST_ERR_BAD_ARGUMENT, "no coordinate system of kind %d", kind);
    if (!is_smart_xform(xform)) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is no smart transform", xform);
    const tag_t part = owner.cls == OM_CLASS_PART ? owner.tag : owner.part;
    if (part == 0) call.fail(HOST_ERR_BAD_ARGUMENT, "object %u belongs to no part", object);
    const Frame f = frame_of(xform);
    const tag_t csys = host::wcs::make_csys(part, f.o, rows_of(f).data(), false);
    csys_xforms()[csys] = xform;
    return csys;
}

unsigned int CSYSTEM_ask_xform(unsigned int csys) {
    auto call = HOST_ENTRY(csys);
    call.live(csys);
    const tag_t* xform = csys_xforms().find(csys);
    return xform ? *xform : 0;
}

int DATUM_CSYS_create_feature(unsigned int csys, int option, unsigned int* record) {
    auto call = HOST_ENTRY(csys, option, record);
    if (int status; call.status(status)) return status;
    call.need(record, "the record output");
    *record = 0;
    const ho::Object& c = call.live(csys);
    const tag_t* xform = csys_xforms().find(csys);
    if (!xform || !ho::is_alive(*xform)) call.fail(HOST_ERR_BAD_ARGUMENT, "tag %u is no smart coordinate system", csys);
    if (c.part != CONTEXT_ask_work_part())
        call.fail(HOST_ERR_BAD_ARGUMENT, "coordinate system %u is not of the work part", csys);
    if (option != kFollow && option != kFixed) call.fail(HOST_ERR_BAD_ARGUMENT, "option %d", option);
    const Frame f = frame_of(*xform);
    DatumCsys d;
    d.csys = csys;
    d.option = option;
    ES_create_point(f.o, &d.components[0]);
    const double* axes[3] = {f.x, f.y, f.z};
    const double* normals[3] = {f.z, f.x, f.y};
    for (int i = 0; i < 3; ++i) {
        d.components[1 + i] = host::profiles::create_direction_object(c.part, HOST_TYPE_DATUM_AXIS, f.o, axes[i]);
        d.components[4 + i] = host::profiles::create_direction_object(c.part, HOST_TYPE_DATUM_PLANE, f.o, normals[i]);
    }
    std::vector<tag_t> results{csys};
    results.insert(results.end(), d.components.begin(), d.components.end());
    const tag_t feature = hf::create(c.part, kKind, {}, results);
    rows()[feature] = d;
    *record = feature;
    return 0;
}

unsigned int DATUM_CSYS_ask_csys_tag_of_datum_csys(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    call.live(feature);
    const DatumCsys* d = row_of(feature);
    return d && ho::is_alive(d->csys) ? d->csys : 0;
}

void DATUM_CSYS__ask_feature_components(unsigned int feature, unsigned int components[DATUM_CSYS_COMPONENTS]) {
    auto call = HOST_ENTRY(feature, components);
    call.need(components, "the components output");
    call.live(feature);
    const DatumCsys* d = row_of(feature);
    if (!d) call.fail(FEAT_ERR_NOT_A_FEATURE, "feature %u is no datum coordinate system", feature);
    std::copy(d->components.begin(), d->components.end(), components);
}

}  // extern "C"
