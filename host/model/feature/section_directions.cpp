// Part-file section "DIRN": the point and direction of each datum plane,
// datum axis and plane of the part (host/model/feature/profiles.h).
//
// Payload: rows of objects (see host/store/parts/part_file.h); a row: 3 f64
// point, 3 f64 unit direction. A direction that is not finite or not of
// unit length, or a row for an object that is no plane or axis, makes the
// file corrupt.
#include <cmath>
#include <utility>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/model/feature/profiles.h"
#include "host/base/services/objects.h"

namespace {

namespace pf = host::part_file;

bool directed(const host::objects::Object* o) {
    return o && (o->type == HOST_TYPE_DATUM_PLANE || o->type == HOST_TYPE_DATUM_AXIS || o->type == HOST_TYPE_PLANE);
}

void write_section(pf::Writer& out, const pf::SaveContext& ctx) {
    pf::write_object_rows(out, ctx, false, [](pf::Writer& row, unsigned int object) {
        double p[3], d[3];
        if (!directed(host::objects::find(object)) || !host::profiles::direction_data(object, p, d)) return;
        for (double v : p) row.f64(v);
        for (double v : d) row.f64(v);
    });
}

void read_section(pf::Reader& in, pf::LoadContext& ctx) {
    struct Row {
        unsigned int object;
        double p[3], d[3];
    };
    std::vector<Row> rows;
    pf::read_rows(in, ctx, {"plane or axis", 48, false}, [&](unsigned int object, pf::Reader& row) {
        if (!directed(host::objects::find(object))) throw pf::FormatError("a direction for an object that has none");
        Row r{object, {}, {}};
        for (double& v : r.p) v = row.f64();
        for (double& v : r.d) v = row.f64();
        const double len = std::hypot(r.d[0], r.d[1], r.d[2]);
        if (!std::isfinite(r.p[0] + r.p[1] + r.p[2]) || !(std::fabs(len - 1) < 1e-9))
            throw pf::FormatError("a bad point or direction");
        rows.push_back(r);
    });
    for (const Row& r : rows) host::profiles::set_direction(r.object, r.p, r.d);
}

const bool registered = (pf::register_section({{'D', 'I', 'R', 'N'}, write_section, read_section}), true);

}  // namespace
