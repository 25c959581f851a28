// Holes, bosses, cylindrical pockets and chamfers as features (see
// form_features.h), and the road every form feature is made on: the tool is
// a form tool of the kernel (a profile turned about the feature's axis or
// swept) subtracted from or united with the body of its placement, one step
// of that body's recipe whose numbers the update edits.
#include "host/apps/modeling/form/form_features.h"

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

#include "host/store/parts/parts.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/form/form_detail.h"
#include "host/model/feature/redefine_rows.h"
#include "host/model/feature/positioning.h"
#include "host/model/feature/profiles.h"
#include "host/base/hook.h"
#include "host/kernel/engine/face_data.h"
#include "host/kernel/ops/tool_shapes.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace host::feature::form {
namespace {

constexpr const char* kModule = "form_features";

double dot(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

int step_count(int body) {
    int n = 0;
    ZQ_BODY_ask_step_count(body, &n);
    return n;
}

constexpr double kDeg = std::numbers::pi / 180;

}  // namespace

void need_positive(double v, const char* what) {
    if (!(v > 0) || !std::isfinite(v))
        ERROR_raise(kModule, __LINE__, FEAT_ERR_BAD_PARAMETERS, "the %s %g is not above 0", what, v);
}
void need_not_negative(double v, const char* what) {
    if (!(v >= 0) || !std::isfinite(v))
        ERROR_raise(kModule, __LINE__, FEAT_ERR_BAD_PARAMETERS, "the %s %g is below 0", what, v);
}
double need_angle(double degrees, double limit, const char* what) {
    if (!(degrees >= 0 && degrees < limit))
        ERROR_raise(kModule, __LINE__, FEAT_ERR_BAD_PARAMETERS, "the %s %g is not within [0, %g)", what, degrees,
                    limit);
    return degrees * kDeg;
}

double through_distance(const Call& call, const Bound& bound, const double at[3], const double dir[3]) {
    int type = 0, sense = 0;
    double p[3], n[3], r1 = 0, r2 = 0;
    if (bound.plane != 0) {
        if (!objects::is_alive(bound.plane) || !profiles::direction_data(bound.plane, p, n))
            call.fail(FEAT_ERR_BAD_REFERENCE, "the datum plane it runs to is gone");
    } else {
        ZQ_FACE_ask_data(bound.face, &type, p, n, &r1, &r2, &sense);
        if (type != ZQ_SURF_PLANE) call.fail(FEAT_ERR_BAD_REFERENCE, "the through face is not planar");
    }
    const double cross = dot(dir, n);
    if (std::fabs(cross) < 1e-9) call.fail(FEAT_ERR_BAD_REFERENCE, "the through face runs along the direction");
    const double q[3] = {p[0] - at[0], p[1] - at[1], p[2] - at[2]};
    return dot(q, n) / cross;
}

std::vector<double> tool_head(int form, const Place& p, const double z[3], const double x[3], double at,
                              double length) {
    return {double(form), p.at[0], p.at[1], p.at[2], z[0], z[1], z[2], x[0], x[1], x[2], at, length, 0};
}

void add_point(std::vector<double>& tool, double a, double b, double k) {
    tool.insert(tool.end(), {a, b, k});
    tool[12] += 1;
}

void build_tool(const Call& call, Record& r, const std::vector<double>& tool, bool unite) {
    const int target = kernel::entity_of(r.body);
    if (target == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "the feature's body has no kernel body");
    int made = 0;
    ZQ_BODY_make_form_tool(static_cast<int>(tool.size()), tool.data(), &made);
    unsigned int object = 0;
    pxlook_(&made, &object);
    r.tool = object;
    ZQ_BODY_boolean(target, made, unite ? ZQ_UNITE : ZQ_SUBTRACT);
    r.step = step_count(target) - 1;
}

std::string joined(int n, const char* const parms[]) {
    std::string out;
    for (int i = 0; parms && i < n; ++i) {
        if (i > 0) out += ',';
        out += parms[i] ? parms[i] : "(null)";
    }
    return out;
}

std::vector<std::pair<int, double>> all_numbers(const std::vector<double>& tool) {
    std::vector<std::pair<int, double>> out;
    for (std::size_t i = 0; i < tool.size(); ++i) out.emplace_back(static_cast<int>(i), tool[i]);
    return out;
}

namespace {

// ---- holes, bosses and cylindrical pockets: tools turned about the axis ----

enum class Shape { hole, cbore, csunk, boss, pocket };

// The profile (radius, height along the axis from the location) of the
// feature; every kind keeps its number of points whatever its sizes, so the
// update edits the numbers of the same tool.
std::vector<double> turned_tool(Shape shape, const Call& call, const Record& r, const std::vector<double>& v) {
    const Place p = place_of(call, r);
    std::vector<double> t = tool_head(ZQ_FORM_REVOLVE, p, p.dir, p.xdir, 0, 0);
    const double lead = kLead;
    // The depth a hole runs to: its own, or past the through face.
    const auto hole_depth = [&](double depth, const char* what) {
        if (p.through.empty()) {
            need_positive(depth, what);
            return depth;
        }
        const double d = through_distance(call, p.through[0], p.at, p.dir);
        if (!(d > 0)) call.fail(FEAT_ERR_BAD_REFERENCE, "the through face lies behind the location");
        return d + lead_past(p.through[0]);
    };
    // The height of a drill tip of the angle (0: a flat end).
    const auto tip = [&](double radius, double degrees) {
        const double a = need_angle(degrees, 180, "tip angle");
        return a == 0 || !p.through.empty() ? 0.0 : radius / std::tan(a / 2);
    };
    switch (shape) {
        case Shape::hole: {  // Diameter, Depth, Tip Angle
            need_positive(v[0], "diameter");
            const double r0 = v[0] / 2, depth = hole_depth(v[1], "depth");
            add_point(t, 0, -lead);
            add_point(t, r0, -lead);
            add_point(t, r0, depth);
            add_point(t, 0, depth + tip(r0, v[2]));
            break;
        }
        case Shape::cbore:    // C-Bore Diameter, C-Bore Depth, Diameter, Depth, Tip Angle
        case Shape::csunk: {  // C-Sink Diameter, C-Sink Angle, Diameter, Depth, Tip Angle
            need_positive(v[0], shape == Shape::cbore ? "counterbore diameter" : "countersink diameter");
            need_positive(v[2], "diameter");
            const double r0 = v[2] / 2, rc = v[0] / 2, depth = hole_depth(v[3], "depth");
            if (!(rc > r0)) call.fail(FEAT_ERR_BAD_PARAMETERS, "the counterbore or countersink is not wider");
            double step_at = 0;
            if (shape == Shape::cbore) {
                need_positive(v[1], "counterbore depth");
                step_at = v[1];
            } else {
                step_at = (rc - r0) / std::tan(need_angle(v[1], 180, "countersink angle") / 2);
                if (!std::isfinite(step_at)) call.fail(FEAT_ERR_BAD_PARAMETERS, "a countersink angle of 0");
            }
            if (!(step_at < depth)) call.fail(FEAT_ERR_BAD_PARAMETERS, "the hole ends in its counterbore");
            add_point(t, 0, -lead);
            if (shape == Shape::cbore) {
                add_point(t, rc, -lead);
                add_point(t, rc, step_at);
            } else {
                add_point(t, rc + lead * (rc - r0) / step_at, -lead);
            }
            add_point(t, r0, step_at);
            add_point(t, r0, depth);
            add_point(t, 0, depth + tip(r0, v[4]));
            break;
        }
        case Shape::boss: {  // Diameter, Height, Taper Angle; grows against the body
            need_positive(v[0], "diameter");
            need_positive(v[1], "height");
            const double r0 = v[0] / 2, h = v[1], k = std::tan(need_angle(v[2], 90, "taper angle"));
            if (!(r0 - h * k > 1e-6)) call.fail(FEAT_ERR_BAD_PARAMETERS, "the taper closes the boss below its top");
            add_point(t, 0, -lead);
            add_point(t, r0 + lead * k, -lead);
            add_point(t, r0 - h * k, h);
            add_point(t, 0, h);
            break;
        }
        case Shape::pocket: {  // Diameter, Depth, Corner Radius, Floor Radius
            need_positive(v[0], "diameter");
            need_positive(v[1], "depth");
            need_not_negative(v[2], "corner radius");
            need_not_negative(v[3], "floor radius");
            const double r0 = v[0] / 2;
            if (!(v[3] < r0 && v[3] < v[1])) call.fail(FEAT_ERR_BAD_PARAMETERS, "the floor radius is too big");
            add_point(t, 0, -lead);
            add_point(t, r0, -lead);
            add_point(t, r0, v[1], v[3]);
            add_point(t, 0, v[1]);
            break;
        }
    }
    return t;
}

template <Shape S>
void build_turned(const Call& call, Record& r, const std::vector<double>& v) {
    // A boss's tool runs along the direction out of the face, a hole's or
    // pocket's along it into the body.
    build_tool(call, r, turned_tool(S, call, r, v), S == Shape::boss);
}

template <Shape S>
std::vector<std::pair<int, double>> turned_numbers(const Record& r, const std::vector<double>& v) {
    const Call call("host::feature::form::turned_numbers", nullptr);
    return all_numbers(turned_tool(S, call, r, v));
}

// ---- chamfers -----------------------------------------------------------------

// Type 1: one offset (text 1) on both faces; type 2: offset 1 on the first
// face of each edge, offset 2 on the other; type 3: offset 1 and the angle
// (degrees, text 3) from the first face.
void chamfer_sizes(const Record& r, const std::vector<double>& v, double* d1, double* d2) {
    const int type = static_cast<int>(r.numbers[0]);
    need_positive(v[0], "offset");
    *d1 = *d2 = v[0];
    if (type == 2) {
        need_positive(v[1], "second offset");
        *d2 = v[1];
    } else if (type == 3) {
        const double a = need_angle(v[2], 90, "chamfer angle");
        if (a == 0) ERROR_raise(kModule, __LINE__, FEAT_ERR_BAD_PARAMETERS, "a chamfer angle of 0");
        *d2 = v[0] * std::tan(a);
    } else if (type != 1) {
        ERROR_raise(kModule, __LINE__, FEAT_ERR_BAD_PARAMETERS, "chamfer type %d is not made", type);
    }
}

void build_chamfer(const Call& call, Record& r, const std::vector<double>& v) {
    const int target = kernel::entity_of(r.body);
    if (target == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "the feature's body has no kernel body");
    double d1 = 0, d2 = 0;
    chamfer_sizes(r, v, &d1, &d2);
    ZQ_BODY_chamfer_edges2(target, static_cast<int>(r.refs.size()), r.refs.data(), d1, d2);
    r.step = step_count(target) - 1;
}
std::vector<std::pair<int, double>> chamfer_numbers(const Record& r, const std::vector<double>& v) {
    double d1 = 0, d2 = 0;
    chamfer_sizes(r, v, &d1, &d2);
    if (d1 == d2) return {{0, d1}};
    return {{0, d1}, {1, d2}};
}

const bool kinds_made = [] {
    register_kind({"SIMPLE HOLE",
                   {"Diameter", "Depth", "Tip Angle"},
                   kAnyNumbers,
                   0,
                   2,
                   true,
                   build_turned<Shape::hole>,
                   turned_numbers<Shape::hole>});
    register_kind({"CBORE_HOLE",
                   {"C-Bore Diameter", "C-Bore Depth", "Diameter", "Depth", "Tip Angle"},
                   kAnyNumbers,
                   0,
                   2,
                   true,
                   build_turned<Shape::cbore>,
                   turned_numbers<Shape::cbore>});
    register_kind({"CSUNK_HOLE",
                   {"C-Sink Diameter", "C-Sink Angle", "Diameter", "Depth", "Tip Angle"},
                   kAnyNumbers,
                   0,
                   2,
                   true,
                   build_turned<Shape::csunk>,
                   turned_numbers<Shape::csunk>});
    register_kind({"BOSS",
                   {"Diameter", "Height", "Taper Angle"},
                   kAnyNumbers,
                   0,
                   1,
                   true,
                   build_turned<Shape::boss>,
                   turned_numbers<Shape::boss>});
    register_kind({"CYL_POCKET",
                   {"Diameter", "Depth", "Corner Radius", "Floor Radius"},
                   kAnyNumbers,
                   0,
                   1,
                   true,
                   build_turned<Shape::pocket>,
                   turned_numbers<Shape::pocket>});
    register_kind({"CHAMFER", {"Offset 1", "Offset 2", "Angle"}, 1, 1, 1000000, true, build_chamfer, chamfer_numbers});
    return true;
}();

tag_t g_created = 0;

// Reads one coordinate text; a text that is no finite number raises.
double coordinate(const Call& call, const char* text) {
    call.need(text, "a coordinate text");
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(v))
        call.fail(FEAT_ERR_BAD_PARAMETERS, "\"%s\" is no coordinate", text);
    return v;
}

}  // namespace

void create(const Call& call, const char* kind, const char* const location[3], const char* const direction[3],
            const char* const xdirection[3], int n_parms, const char* const parms[], unsigned int placement,
            const std::vector<unsigned int>& through, const std::vector<int>& face_types, bool datum_ok,
            const std::vector<double>& extra, int* status) {
    call.need(status, "the status output");
    *status = 0;
    g_created = 0;
    call.need(location, "the location texts");
    call.need(direction, "the direction texts");
    call.need(parms, "the parameter texts");
    std::vector<double> numbers;
    for (int i = 0; i < 3; ++i) numbers.push_back(coordinate(call, location[i]));
    for (int i = 0; i < 3; ++i) numbers.push_back(coordinate(call, direction[i]));
    for (int i = 0; i < 3; ++i) numbers.push_back(xdirection ? coordinate(call, xdirection[i]) : 0.0);
    std::vector<std::string> formulas;
    for (int i = 0; i < n_parms; ++i) formulas.emplace_back(call.need(parms[i], "a parameter text"));
    std::vector<tag_t> refs;
    tag_t body = 0;
    double point[3], normal[3];
    const auto datum_plane = [&](tag_t t) {
        return t != 0 && objects::is_alive(t) && objects::require(t).type == 197 &&
               profiles::direction_data(t, point, normal);
    };
    if (placement != 0 && ES_solid_is_a_face(placement)) {
        int type = 0;
        pxzrus_(&placement, &type);
        bool allowed = false;
        for (int t : face_types) allowed = allowed || t == type;
        if (!allowed) call.fail(FEAT_ERR_BAD_REFERENCE, "face %u is not of a type the feature is placed on", placement);
        refs.push_back(placement);
        body = ES_solid_ask_body(placement);
    } else if (datum_ok && datum_plane(placement)) {
        body = BREF_ask_current_target(objects::require(placement).part);
        if (body == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "no target solid for a datum plane placement");
    } else {
        call.fail(FEAT_ERR_BAD_REFERENCE, "object %u is no placement face", placement);
    }
    numbers.push_back(refs.empty() ? 0 : 1);
    // Through faces of the body, or datum planes the feature runs to.
    const std::size_t placed = refs.size();
    DatumThrough planes;
    for (tag_t f : through) {
        if (datum_plane(f)) {
            planes.planes.push_back(f);
            continue;
        }
        if (!ES_solid_is_a_face(f) || ES_solid_ask_body(f) != body)
            call.fail(FEAT_ERR_BAD_REFERENCE, "object %u is no face of the placement's body", f);
        refs.push_back(f);
    }
    numbers.push_back(static_cast<double>(refs.size() - placed));
    numbers.insert(numbers.end(), extra.begin(), extra.end());
    planes.planes_first = !planes.planes.empty() && planes.planes.front() == through.front() && refs.size() > placed;
    if (!planes.planes.empty() && !datum_plane_numbers(planes.planes, &planes.seen))
        call.fail(FEAT_ERR_BAD_REFERENCE, "a datum plane to run to is gone");
    const tag_t part = objects::require(body).part;
    tag_t made = 0;
    {
        // The new record runs to the planes while it is built.
        planes_being_made() = planes.planes;
        struct Done {
            ~Done() { planes_being_made().clear(); }
        } done;
        *status = create_built(part, kind, formulas, numbers, refs, body, FEAT_SIGN_NEW, &made);
    }
    if (*status == 0) g_created = made;
    if (*status == 0 && !planes.planes.empty()) datum_throughs()[made] = std::move(planes);
    // A feature on a datum plane answers the plane as its target.
    if (*status == 0 && numbers[9] == 0 && placement != 0) datum_placements()[made] = {placement};
}

}  // namespace host::feature::form

namespace hf = host::feature;
namespace form = host::feature::form;

namespace {
const std::vector<int> kPlanar{PX_FACE_PLANE};
}

void FORMF_create_simple_hole(const char* const location[3], const char* const direction[3], const char* const parms[3],
                              unsigned int face, unsigned int thru_face, int* status) {
    auto call = HOST_ENTRY_TEXT(form::joined(3, parms).c_str(), face, thru_face, status);
    std::vector<unsigned int> through;
    if (thru_face != 0) through.push_back(thru_face);
    form::create(call, "SIMPLE HOLE", location, direction, nullptr, 3, parms, face, through, kPlanar, true, {}, status);
}

void FORMF_create_boss(const char* const location[3], const char* const direction[3], const char* const parms[3],
                       unsigned int face, int* status) {
    auto call = HOST_ENTRY_TEXT(form::joined(3, parms).c_str(), face, status);
    form::create(call, "BOSS", location, direction, nullptr, 3, parms, face, {}, kPlanar, true, {}, status);
}

void FORMF_create_cyl_pocket(const char* const location[3], const char* const direction[3], const char* const parms[4],
                             unsigned int face, int* status) {
    auto call = HOST_ENTRY_TEXT(form::joined(4, parms).c_str(), face, status);
    form::create(call, "CYL_POCKET", location, direction, nullptr, 4, parms, face, {}, kPlanar, true, {}, status);
}

namespace {
// A counterbored or countersunk hole on the faces of the link and trim slots.
void slotted_hole(const host::Call& call, const char* kind, const char* const location[3],
                  const char* const direction[3], const char* const parms[5], int* status) {
    std::vector<unsigned int> through;
    if (form::trim_object() != 0) through.push_back(form::trim_object());
    form::create(call, kind, location, direction, nullptr, 5, parms, form::link_object(), through, kPlanar, true, {},
                 status);
}
}  // namespace

void FORMF_create_cbore_hole(const char* const location[3], const char* const direction[3], const char* const parms[5],
                             int* status) {
    auto call = HOST_ENTRY_TEXT(form::joined(5, parms).c_str(), status);
    slotted_hole(call, "CBORE_HOLE", location, direction, parms, status);
}

void FORMF_create_csunk_hole(const char* const location[3], const char* const direction[3], const char* const parms[5],
                             int* status) {
    auto call = HOST_ENTRY_TEXT(form::joined(5, parms).c_str(), status);
    slotted_hole(call, "CSUNK_HOLE", location, direction, parms, status);
}

void FORMF_create_chamfer(int type, const char* text1, const char* text2, const char* text3, int n,
                          const unsigned int edges[], int* status) {
    auto call = HOST_ENTRY(type, n, edges, status);
    call.need(status, "the status output");
    *status = 0;
    form::g_created = 0;
    if (n < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "no edges to chamfer");
    call.need(edges, "the edges");
    for (const char* t : {text1, text2, text3}) call.need(t, "a parameter text");
    std::vector<hf::tag_t> refs(edges, edges + n);
    for (hf::tag_t e : refs)
        if (!ES_solid_is_a_edge(e)) call.fail(FEAT_ERR_BAD_REFERENCE, "object %u is no edge", e);
    const hf::tag_t body = ES_solid_ask_body(refs[0]);
    const hf::tag_t part = host::objects::require(body).part;
    hf::tag_t made = 0;
    *status =
        hf::create_built(part, "CHAMFER", {text1, text2, text3}, {double(type)}, refs, body, FEAT_SIGN_NEW, &made);
    if (*status == 0) form::g_created = made;
}

unsigned int FORMF_ask_created_frec(void) {
    auto call = HOST_ENTRY();
    int scripted = 0;
    if (call.status(scripted)) return static_cast<unsigned int>(scripted);
    return form::g_created;
}
