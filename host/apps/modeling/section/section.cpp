// The section service (section.h): the families of planes, the cut of each
// object, and section features whose curves follow the bodies.
#include "host/apps/modeling/section/section.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/kernel/mesh/facet.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/kind_check.h"
#include "host/model/feature/profiles.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/curves/plane_sections.h"
#include "host/base/model.h"
#include "host/numeric/curves.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

using tag_t = unsigned int;
namespace hk = host::kernel;
namespace hf = host::feature;

const char* const kKinds[] = {"INTSEC_selected", "INTSEC_parallel", "INTSEC_radial", "INTSEC_perpcrv"};

// A section record with owned arrays.
struct Data {
    INTSEC_data_t head{};
    std::vector<tag_t> objects, planes;
    INTSEC_perpcrv_t perpcrv{};
    bool has_perpcrv = false;
};

// Where each curve of a section came from.
struct Origin {
    tag_t object = 0;
    tag_t plane = 0;
    int index = 0;
};

struct Section {
    Data data;
    std::vector<tag_t> curves;
    std::vector<Origin> origins;
};

host::TagTable<Section>& sections() {
    static auto* t = new host::TagTable<Section>("section features");  // lives as long as the process
    return *t;
}
const bool registered = (sections(), true);

Data copy_of(const INTSEC_data_t& d) {
    Data out;
    out.head = d;
    if (d.n_objects > 0 && d.objects) out.objects.assign(d.objects, d.objects + d.n_objects);
    if (d.n_planes > 0 && d.planes) out.planes.assign(d.planes, d.planes + d.n_planes);
    if (d.perpcrv) {
        out.perpcrv = *d.perpcrv;
        out.has_perpcrv = true;
    }
    out.head.objects = nullptr;
    out.head.planes = nullptr;
    out.head.perpcrv = nullptr;
    return out;
}

// ---- the family of planes ------------------------------------------------------------

hk::CutPlane cut_plane(const double p[3], const double n[3]) {
    hk::CutPlane c;
    const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (int i = 0; i < 3; ++i) {
        c.point[i] = p[i];
        c.normal[i] = len > 0 ? n[i] / len : (i == 2 ? 1 : 0);
    }
    return c;
}

hk::CutPlane plane_object(const host::Call& call, tag_t object) {
    double p[3], n[3];
    if (!host::profiles::direction_data(object, p, n))
        call.fail(HOST_ERR_WRONG_CLASS, "object %u is no plane or datum plane", object);
    return cut_plane(p, n);
}

// Distances or angles from a to b in steps (both ends; one value when the
// step is not above 0).
std::vector<double> steps(const double v[3]) {
    std::vector<double> out{v[0]};
    if (!(v[2] > 0)) return out;
    for (int i = 1; i < 10000; ++i) {
        const double x = v[0] + v[2] * i;
        if (x > v[1] + 1e-9 * std::max(1.0, std::fabs(v[1]))) break;
        out.push_back(x);
    }
    return out;
}

struct Family {
    std::vector<hk::CutPlane> planes;
    std::vector<tag_t> objects;  // the selected plane of each (0: none)
};

Family family_of(const host::Call& call, const Data& d) {
    Family f;
    const INTSEC_data_t& h = d.head;
    switch (h.kind) {
        case INTSEC_SELECTED:
            for (tag_t p : d.planes) {
                f.planes.push_back(plane_object(call, p));
                f.objects.push_back(p);
            }
            break;
        case INTSEC_PARALLEL: {
            const hk::CutPlane base = plane_object(call, h.parallel_base);
            for (double s : steps(h.parallel)) {
                hk::CutPlane c = base;
                for (int i = 0; i < 3; ++i) c.point[i] += base.normal[i] * s;
                f.planes.push_back(c);
            }
            break;
        }
        case INTSEC_RADIAL: {
            double o[3], a[3];
            if (!host::profiles::direction_data(h.radial_axis, o, a)) {
                double s[3], e[3];
                ES_ask_coordinates_of_line(h.radial_axis, s, e);
                for (int i = 0; i < 3; ++i) o[i] = s[i], a[i] = e[i] - s[i];
            }
            double q[3];
            ES_ask_coordinates_of_point(h.radial_point, q);
            const hk::CutPlane axis = cut_plane(o, a);
            // The half-plane towards the point: its direction u off the axis.
            double u[3];
            double along = 0;
            for (int i = 0; i < 3; ++i) along += (q[i] - o[i]) * axis.normal[i];
            double len = 0;
            for (int i = 0; i < 3; ++i) {
                u[i] = q[i] - o[i] - along * axis.normal[i];
                len += u[i] * u[i];
            }
            len = std::sqrt(len);
            if (len <= 1e-12) call.fail(HOST_ERR_BAD_ARGUMENT, "the point lies on the axis");
            for (double& c : u) c /= len;
            const double* z = axis.normal.data();
            const double w[3] = {z[1] * u[2] - z[2] * u[1], z[2] * u[0] - z[0] * u[2], z[0] * u[1] - z[1] * u[0]};
            for (double deg : steps(h.radial)) {
                const double t = deg * M_PI / 180;
                // The plane holds the axis and the direction u turned by t;
                // its normal is that direction turned a further quarter.
                const double n[3] = {-std::sin(t) * u[0] + std::cos(t) * w[0], -std::sin(t) * u[1] + std::cos(t) * w[1],
                                     -std::sin(t) * u[2] + std::cos(t) * w[2]};
                f.planes.push_back(cut_plane(o, n));
            }
            break;
        }
        case INTSEC_PERPCRV: {
            if (!d.has_perpcrv) call.fail(HOST_ERR_BAD_ARGUMENT, "no curve for the planes");
            const auto c = host::curves::curve_of(d.perpcrv.curve);
            if (!c) call.fail(HOST_ERR_WRONG_CLASS, "object %u has no curve", d.perpcrv.curve);
            double lim[2];
            hostnum::curve_limits(c->record(), lim);
            const int n = std::max(1, d.perpcrv.values[0]);
            for (int i = 0; i < n; ++i) {
                const double t = n == 1 ? lim[0] : lim[0] + (lim[1] - lim[0]) * i / (n - 1);
                double p[3], dv[3];
                hostnum::curve_evaluate(c->record(), 1, t, p, dv);
                f.planes.push_back(cut_plane(p, dv));
            }
            break;
        }
        default: call.fail(HOST_ERR_BAD_ARGUMENT, "unknown kind of planes %d", h.kind);
    }
    f.objects.resize(f.planes.size(), 0);
    return f;
}

// ---- the cut ---------------------------------------------------------------------------

bool cuttable(tag_t object) {
    const host::objects::Object* o = host::objects::find(object);
    if (!o) return false;
    switch (o->type) {
        case HOST_TYPE_SOLID: return hk::entity_of(object) != 0 && o->subtype != HOST_SUBTYPE_EDGE;
        case HOST_TYPE_FACETED: return host::facet::is_model(object);
        case HOST_TYPE_PLANE:
        case HOST_TYPE_DATUM_PLANE:
        case HOST_TYPE_LINE:
        case HOST_TYPE_ARC:
        case HOST_TYPE_CONIC:
        case HOST_TYPE_SPLINE: return true;
        default: return false;
    }
}

std::vector<tag_t> cut_one(tag_t object, const hk::CutPlane& plane) {
    const host::objects::Object& o = host::objects::require(object);
    switch (o.type) {
        case HOST_TYPE_SOLID: return hk::section_curves({hk::entity_of(object)}, plane);
        case HOST_TYPE_FACETED: return hk::section_triangles(host::facet::triangles(object), plane);
        case HOST_TYPE_PLANE:
        case HOST_TYPE_DATUM_PLANE: return {};
        default: return hk::section_curve_entity(object, plane);
    }
}

// The curves of a section with their origins. A section that follows its
// bodies passes over the objects that are gone since it was made (gone):
// what is left is still cut.
void cut(const host::Call& call, const Data& d, std::vector<tag_t>& curves, std::vector<Origin>& origins,
         bool gone = false) {
    const Family f = family_of(call, d);
    for (std::size_t i = 0; i < f.planes.size(); ++i)
        for (tag_t object : d.objects) {
            if (gone && !host::objects::is_alive(object)) continue;
            if (!cuttable(object)) call.fail(HOST_ERR_WRONG_CLASS, "object %u cannot be cut", object);
            for (tag_t c : cut_one(object, f.planes[i])) {
                curves.push_back(c);
                origins.push_back({object, f.objects[i], static_cast<int>(i)});
            }
        }
}

// Sampled points of curves, to tell whether a section changed.
std::vector<double> shape_of(const std::vector<tag_t>& curves) {
    std::vector<double> out;
    for (tag_t c : curves) {
        const auto k = host::curves::curve_of(c);
        if (!k) {
            double p[3] = {0, 0, 0};
            if (host::objects::find(c) && host::objects::find(c)->type == HOST_TYPE_POINT)
                ES_ask_coordinates_of_point(c, p);
            out.insert(out.end(), p, p + 3);
            continue;
        }
        double lim[2];
        hostnum::curve_limits(k->record(), lim);
        for (int i = 0; i <= 4; ++i) {
            double p[3];
            hostnum::curve_evaluate(k->record(), 0, lim[0] + (lim[1] - lim[0]) * i / 4, p, nullptr);
            out.insert(out.end(), p, p + 3);
        }
    }
    return out;
}

bool same_shape(const std::vector<double>& a, const std::vector<double>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::fabs(a[i] - b[i]) > 1e-9) return false;
    return true;
}

// Section curves follow the bodies: a section that cuts otherwise now gets
// its curves made again (the old ones go).
void follow() {
    const host::Call call("INTSEC_update", nullptr);
    for (tag_t t : host::objects::objects_of_type(HOST_TYPE_FEATURE)) {
        const Section* s = sections().find(t);
        if (!s || !hf::find(t)) continue;
        std::vector<tag_t> curves;
        std::vector<Origin> origins;
        cut(call, s->data, curves, origins, true);
        bool all_alive = true;
        for (tag_t c : s->curves) all_alive = all_alive && host::objects::is_alive(c);
        if (all_alive && same_shape(shape_of(curves), shape_of(s->curves))) {
            for (tag_t c : curves) host::entity::destroy_with_dependents(c);
            continue;
        }
        for (tag_t c : s->curves)
            if (host::objects::is_alive(c)) host::entity::destroy_with_dependents(c);
        Section& w = sections()[t];
        w.curves = curves;
        w.origins = origins;
        hf::set_results(t, curves);
    }
}

void not_built(const host::Call& call, hf::Record&, const std::vector<double>&) {
    call.fail(FEAT_ERR_BAD_REFERENCE, "a section is made by the section service");
}
std::vector<std::pair<int, double>> no_numbers(const hf::Record&, const std::vector<double>&) { return {}; }

const bool kinds_made = [] {
    for (const char* k : kKinds) hf::register_kind({k, {}, 0, 0, 0, false, not_built, no_numbers});
    hf::add_follower(follow);
    return true;
}();

// ---- part files: section "ISEC" --------------------------------------------------------
//
// One row per section feature (part_file::write_rows), in this order:
//   i32 kind of planes, i32 output, i32 join, i32 quintic, f64 tolerance
//   u32 count + object number per object cut
//   u32 count + object number per selected plane
//   u32 object number of the parallel base (kNone: none), 3 f64
//   u32 object numbers of the radial axis and point (kNone: none), 3 f64
//   u8 whether planes follow a curve; then u32 object number of the curve,
//     u32 of the second object (kNone: none), i32 spacing, 11 i32 values
//   u32 count of curves; per curve u32 object number, u32 object number of
//     the object it was cut from, u32 of the plane (kNone: none), i32 the
//     plane's place in the family
// The reader refuses a row of an object that is no section feature, a kind
// out of 0 to 3, numbers that are not finite, object numbers out of the
// file, objects of kinds the section does not take and places below 0.

constexpr std::uint32_t kNone = 0xFFFFFFFFu;
namespace pf = host::part_file;

void write_section(pf::Writer& out, const pf::SaveContext& ctx) {
    std::vector<tag_t> rows;
    for (tag_t t : ctx.objects)
        if (sections().find(t) && hf::find(t)) rows.push_back(t);
    const auto number = [&](tag_t object) { return object == 0 ? kNone : ctx.index(object); };
    const auto tags = [&](pf::Writer& row, const std::vector<tag_t>& list) {
        row.u32(static_cast<std::uint32_t>(list.size()));
        for (tag_t t : list) row.u32(number(t));
    };
    pf::write_rows(out, ctx, rows, [&](pf::Writer& row, tag_t t) {
        const Section& sec = *sections().find(t);
        const INTSEC_data_t& h = sec.data.head;
        row.i32(h.kind);
        row.i32(h.output);
        row.i32(h.join);
        row.i32(h.quintic);
        row.f64(h.tolerance);
        tags(row, sec.data.objects);
        tags(row, sec.data.planes);
        row.u32(number(h.parallel_base));
        for (double d : h.parallel) row.f64(d);
        row.u32(number(h.radial_axis));
        row.u32(number(h.radial_point));
        for (double d : h.radial) row.f64(d);
        row.u8(sec.data.has_perpcrv ? 1 : 0);
        row.u32(number(sec.data.perpcrv.curve));
        row.u32(number(sec.data.perpcrv.other));
        row.i32(sec.data.perpcrv.spacing);
        for (int v : sec.data.perpcrv.values) row.i32(v);
        row.u32(static_cast<std::uint32_t>(sec.curves.size()));
        for (std::size_t i = 0; i < sec.curves.size(); ++i) {
            row.u32(number(sec.curves[i]));
            row.u32(number(sec.origins[i].object));
            row.u32(number(sec.origins[i].plane));
            row.i32(sec.origins[i].index);
        }
    });
}

double finite_real(pf::Reader& in) {
    const double d = in.f64();
    if (!std::isfinite(d)) throw pf::FormatError("a section's number is not finite");
    return d;
}

tag_t read_tag(pf::Reader& in, const pf::LoadContext& ctx) {
    const std::uint32_t n = in.u32();
    if (n == kNone) return 0;
    if (n == 0) throw pf::FormatError("a section refers to the part as an object");
    return ctx.tag_of(n);
}

std::vector<tag_t> read_list(pf::Reader& in, const pf::LoadContext& ctx) {
    const std::uint32_t n = in.u32();
    if (n > in.left() / 4) throw pf::FormatError("a section's count beyond its row");
    std::vector<tag_t> out;
    for (std::uint32_t i = 0; i < n; ++i) {
        out.push_back(read_tag(in, ctx));
        if (out.back() == 0) throw pf::FormatError("a section lists no object");
    }
    return out;
}

int type_of(tag_t t) {
    const host::objects::Object* o = host::objects::find(t);
    return o ? o->type : 0;
}
bool is_plane(tag_t t) { return type_of(t) == HOST_TYPE_PLANE || type_of(t) == HOST_TYPE_DATUM_PLANE; }
bool is_curve(tag_t t) {
    const int k = type_of(t);
    return k == HOST_TYPE_LINE || k == HOST_TYPE_ARC || k == HOST_TYPE_CONIC || k == HOST_TYPE_SPLINE;
}

// The objects of a record read are of the kinds the creators take (by
// their kind alone: the kernel's bodies may be read after this section).
bool kinds_fit(const Data& d) {
    for (tag_t o : d.objects) {
        const host::objects::Object& x = host::objects::require(o);
        const bool ok = (x.type == HOST_TYPE_SOLID && x.subtype != HOST_SUBTYPE_EDGE) || x.type == HOST_TYPE_FACETED ||
                        is_plane(o) || is_curve(o);
        if (!ok) return false;
    }
    for (tag_t p : d.planes)
        if (!is_plane(p)) return false;
    switch (d.head.kind) {
        case INTSEC_PARALLEL: return is_plane(d.head.parallel_base);
        case INTSEC_RADIAL:
            return (type_of(d.head.radial_axis) == HOST_TYPE_DATUM_AXIS || is_curve(d.head.radial_axis)) &&
                   type_of(d.head.radial_point) == HOST_TYPE_POINT;
        case INTSEC_PERPCRV: return d.has_perpcrv && is_curve(d.perpcrv.curve);
        default: return true;
    }
}

void read_section(pf::Reader& in, pf::LoadContext& ctx) {
    std::vector<std::pair<tag_t, Section>> read;
    pf::read_rows(in, ctx, {"section row", 8, false}, [&](tag_t t, pf::Reader& row) {
        if (host::objects::require(t).cls != OM_CLASS_FEATURE)
            throw pf::FormatError("a section row of an object that is no section feature");
        hf::expect_kind_when_read(ctx, t, {std::begin(kKinds), std::end(kKinds)},
                                  "a section row of a feature that is no section feature");
        Section sec;
        INTSEC_data_t& h = sec.data.head;
        h.associative = 1;
        h.perpcrv_scale = 1.0;
        h.kind = row.i32();
        if (h.kind < INTSEC_SELECTED || h.kind > INTSEC_PERPCRV) throw pf::FormatError("a section's kind of planes");
        h.output = row.i32();
        h.join = row.i32();
        h.quintic = row.i32();
        h.tolerance = finite_real(row);
        sec.data.objects = read_list(row, ctx);
        sec.data.planes = read_list(row, ctx);
        h.n_objects = static_cast<int>(sec.data.objects.size());
        h.n_planes = static_cast<int>(sec.data.planes.size());
        h.parallel_base = read_tag(row, ctx);
        for (double& d : h.parallel) d = finite_real(row);
        h.radial_axis = read_tag(row, ctx);
        h.radial_point = read_tag(row, ctx);
        for (double& d : h.radial) d = finite_real(row);
        sec.data.has_perpcrv = row.u8() != 0;
        sec.data.perpcrv.curve = read_tag(row, ctx);
        sec.data.perpcrv.other = read_tag(row, ctx);
        sec.data.perpcrv.spacing = row.i32();
        for (int& v : sec.data.perpcrv.values) v = row.i32();
        const std::uint32_t n = row.u32();
        if (n > row.left() / 16) throw pf::FormatError("a section's count beyond its row");
        for (std::uint32_t i = 0; i < n; ++i) {
            const tag_t curve = read_tag(row, ctx);
            Origin origin;
            origin.object = read_tag(row, ctx);
            origin.plane = read_tag(row, ctx);
            origin.index = row.i32();
            if (curve == 0 || origin.object == 0 || origin.index < 0)
                throw pf::FormatError("a section curve without its origin");
            sec.curves.push_back(curve);
            sec.origins.push_back(origin);
        }
        if (!kinds_fit(sec.data)) throw pf::FormatError("a section refers to an object of the wrong kind");
        read.emplace_back(t, std::move(sec));
    });
    for (auto& [t, sec] : read) sections()[t] = std::move(sec);
}

const bool section_registered = (pf::register_section({{'I', 'S', 'E', 'C'}, write_section, read_section}), true);
}  // namespace

extern "C" {

unsigned int INTSEC_entity_ask_om_tag(unsigned int object) {
    HOST_ENTRY(object);
    return cuttable(object) ? object : 0;
}

int INTSEC_is_section_frec(unsigned int feature) {
    HOST_ENTRY(feature);
    return sections().find(feature) && hf::find(feature) ? 1 : 0;
}

void INTSEC_create_feature(const INTSEC_data_t* data, unsigned int* feature, int* status) {
    auto call = HOST_ENTRY(data, feature, status);
    call.need(data, "the section record");
    call.need(feature, "the feature output");
    call.need(status, "the status output");
    *feature = 0;
    *status = 0;
    if (data->kind < INTSEC_SELECTED || data->kind > INTSEC_PERPCRV)
        call.fail(HOST_ERR_BAD_ARGUMENT, "unknown kind of planes %d", data->kind);
    Section s;
    s.data = copy_of(*data);
    cut(call, s.data, s.curves, s.origins);
    if (s.curves.empty()) {
        *status = HOST_ERR_BAD_ARGUMENT;
        return;
    }
    const tag_t part = CONTEXT_ask_work_part();
    const tag_t t = hf::create(part, kKinds[data->kind], {}, s.curves);
    sections()[t] = std::move(s);
    *feature = t;
}

void INTSEC_curves(const INTSEC_data_t* data, int* count, unsigned int** curves) {
    auto call = HOST_ENTRY(data, count, curves);
    call.need(data, "the section record");
    call.need(count, "the count output");
    call.need(curves, "the curves output");
    *count = 0;
    *curves = nullptr;
    const Data d = copy_of(*data);
    std::vector<tag_t> made;
    std::vector<Origin> origins;
    cut(call, d, made, origins);
    if (made.empty()) return;
    *curves = static_cast<unsigned int*>(SM_alloc(made.size() * sizeof(unsigned int)));
    std::copy(made.begin(), made.end(), *curves);
    *count = static_cast<int>(made.size());
}

void INTSEC_init_data(INTSEC_data_t* data) {
    auto call = HOST_ENTRY(data);
    call.need(data, "the section record");
    *data = INTSEC_data_t{};
    data->perpcrv_scale = 1.0;
}

int INTSEC_parms_to_data(unsigned int feature, INTSEC_data_t* data) {
    auto call = HOST_ENTRY(feature, data);
    call.need(data, "the section record");
    const Section* s = sections().find(feature);
    if (!s || !hf::find(feature)) return 1;
    const Data& d = s->data;
    *data = d.head;
    data->objects = nullptr;
    data->planes = nullptr;
    data->perpcrv = nullptr;
    // Made whole before any is handed out: a failure leaves nothing behind.
    std::vector<void*> made;
    const auto block = [&](std::size_t size) {
        try {
            made.push_back(SM_alloc(size));
        } catch (...) {
            for (void* b : made) SM_free(b);
            throw;
        }
        return made.back();
    };
    if (!d.objects.empty()) {
        data->objects = static_cast<unsigned int*>(block(d.objects.size() * sizeof(unsigned int)));
        std::copy(d.objects.begin(), d.objects.end(), data->objects);
    }
    if (!d.planes.empty()) {
        data->planes = static_cast<unsigned int*>(block(d.planes.size() * sizeof(unsigned int)));
        std::copy(d.planes.begin(), d.planes.end(), data->planes);
    }
    if (d.has_perpcrv) {
        data->perpcrv = static_cast<INTSEC_perpcrv_t*>(block(sizeof(INTSEC_perpcrv_t)));
        *data->perpcrv = d.perpcrv;
    }
    return 0;
}

void INTSEC_free_data(INTSEC_data_t* data) {
    HOST_ENTRY(data);
    if (!data) return;
    SM_free(data->objects);
    SM_free(data->planes);
    SM_free(data->perpcrv);
    data->objects = nullptr;
    data->planes = nullptr;
    data->perpcrv = nullptr;
}

int INTSEC_ask_section_curve_parents(unsigned int feature, unsigned int curve, unsigned int* plane,
                                     unsigned int* object, int* index) {
    auto call = HOST_ENTRY(feature, curve, plane, object);
    call.need(plane, "the plane output");
    call.need(object, "the object output");
    call.need(index, "the index output");
    const Section* s = sections().find(feature);
    if (!s || !hf::find(feature)) return 1;
    const auto it = std::find(s->curves.begin(), s->curves.end(), curve);
    if (it == s->curves.end()) return 1;
    const Origin& o = s->origins[static_cast<std::size_t>(it - s->curves.begin())];
    *plane = o.plane;
    *object = o.object;
    *index = o.index;
    return 0;
}

}  // extern "C"
