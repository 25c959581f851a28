// Holes, bosses and cylindrical pockets as features (see form_features.h):
// each is a cylinder made by the kernel and subtracted from or united with
// the body of its placement face, one step of that body's recipe.
#include "host/feature/form_features.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/data/parts.h"
#include "host/feature/feature.h"
#include "host/hook.h"
#include "host/kernel/face_data.h"
#include "host/kernel/kernel.h"
#include "host/services/error.h"
#include "host/services/objects.h"

namespace host::feature {
namespace {

constexpr const char* kModule = "form_features";
// How far the tool starts outside the placement face (and runs past a
// through face), so that it shares no face with the body.
constexpr double kLead = 1.0;

enum class Shape { hole, boss, pocket };

struct Frame {
    double base[3];
    double axis[3];
    double radius;
    double height;
};

double dot(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The unit direction of the feature's numbers (location, direction).
void unit_direction(const Record& r, double d[3]) {
    const double n = std::sqrt(dot(&r.numbers[3], &r.numbers[3]));
    if (!(n > 1e-10)) ERROR_raise(kModule, __LINE__, FEAT_ERR_BAD_PARAMETERS, "the direction has no length");
    for (int i = 0; i < 3; ++i) d[i] = r.numbers[3 + i] / n;
}

// The distance from the location along d to the plane of the through face.
double through_depth(const Record& r, const double d[3]) {
    int type = 0, sense = 0;
    double p[3], n[3], r1 = 0, r2 = 0;
    ZQ_FACE_ask_data(r.refs[1], &type, p, n, &r1, &r2, &sense);
    if (type != ZQ_SURF_PLANE) ERROR_raise(kModule, __LINE__, FEAT_ERR_BAD_REFERENCE, "the through face is not planar");
    const double across = dot(d, n);
    if (std::fabs(across) < 1e-9)
        ERROR_raise(kModule, __LINE__, FEAT_ERR_BAD_REFERENCE, "the through face runs along the direction");
    const double q[3] = {p[0] - r.numbers[0], p[1] - r.numbers[1], p[2] - r.numbers[2]};
    const double t = dot(q, n) / across;
    if (!(t > 0)) ERROR_raise(kModule, __LINE__, FEAT_ERR_BAD_REFERENCE, "the through face lies behind the location");
    return t;
}

void need_positive(double v, const char* what) {
    if (!(v > 0) || !std::isfinite(v))
        ERROR_raise(kModule, __LINE__, FEAT_ERR_BAD_PARAMETERS, "the %s %g is not above 0", what, v);
}
void need_zero(double v, const char* what) {
    if (v != 0) ERROR_raise(kModule, __LINE__, FEAT_ERR_BAD_PARAMETERS, "a %s of %g is not made", what, v);
}

// The tool cylinder of the feature for the parameter values.
Frame tool_of(Shape shape, const Record& r, const std::vector<double>& v) {
    double d[3];
    unit_direction(r, d);
    need_positive(v[0], "diameter");
    Frame f{};
    f.radius = v[0] / 2;
    double length = 0;
    double tail = 0;  // past the far end
    switch (shape) {
        case Shape::hole:
            if (r.refs.size() > 1) {
                length = through_depth(r, d);
                tail = kLead;
            } else {
                length = v[1];
                need_positive(length, "depth");
                need_zero(v[2], "tip angle");
            }
            break;
        case Shape::boss:
            length = v[1];
            need_positive(length, "height");
            need_zero(v[2], "taper angle");
            break;
        case Shape::pocket:
            length = v[1];
            need_positive(length, "depth");
            need_zero(v[2], "corner radius");
            need_zero(v[3], "floor radius");
            break;
    }
    // A hole or pocket runs into the body along the direction from a start
    // outside it; a boss grows out of the face along the direction from a
    // start inside the body.
    for (int i = 0; i < 3; ++i) {
        f.axis[i] = d[i];
        f.base[i] = r.numbers[i] - kLead * d[i];
    }
    f.height = length + kLead + tail;
    return f;
}

int step_count(int body) {
    int n = 0;
    ZQ_BODY_ask_step_count(body, &n);
    return n;
}

template <Shape S>
void build(const Call& call, Record& r, const std::vector<double>& v) {
    const int target = kernel::entity_of(r.body);
    if (target == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "the feature's body has no kernel body");
    const Frame f = tool_of(S, r, v);
    int made = 0;
    ZQ_BODY_make_cylinder(f.base, f.axis, f.radius, f.height, &made);
    unsigned int tool = 0;
    pxlook_(&made, &tool);
    r.tool = tool;
    ZQ_BODY_boolean(target, made, S == Shape::boss ? ZQ_UNITE : ZQ_SUBTRACT);
    r.step = step_count(target) - 1;
}

// A boolean with a cylinder tool keeps the cylinder's numbers: radius at 6,
// height at 7.
template <Shape S>
std::vector<std::pair<int, double>> numbers(const Record& r, const std::vector<double>& v) {
    const Frame f = tool_of(S, r, v);
    return {{6, f.radius}, {7, f.height}};
}

// A chamfer of edges: type 1 (one offset, text 1) is built; the other
// texts are kept as they came.
void build_chamfer(const Call& call, Record& r, const std::vector<double>& v) {
    const int target = kernel::entity_of(r.body);
    if (target == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "the feature's body has no kernel body");
    if (r.numbers[0] != 1) call.fail(FEAT_ERR_BAD_PARAMETERS, "chamfer type %g is not made", r.numbers[0]);
    need_positive(v[0], "offset");
    ZQ_BODY_chamfer_edges(target, static_cast<int>(r.refs.size()), r.refs.data(), v[0]);
    r.step = step_count(target) - 1;
}
std::vector<std::pair<int, double>> chamfer_numbers(const Record&, const std::vector<double>& v) {
    need_positive(v[0], "offset");
    return {{0, v[0]}};
}

const bool kinds_made = [] {
    register_kind(
        {"SIMPLE HOLE", {"Diameter", "Depth", "Tip Angle"}, 6, 1, 2, true, build<Shape::hole>, numbers<Shape::hole>});
    register_kind(
        {"BOSS", {"Diameter", "Height", "Taper Angle"}, 6, 1, 1, true, build<Shape::boss>, numbers<Shape::boss>});
    register_kind({"CYL_POCKET",
                   {"Diameter", "Depth", "Corner Radius", "Floor Radius"},
                   6,
                   1,
                   1,
                   true,
                   build<Shape::pocket>,
                   numbers<Shape::pocket>});
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

// The shared road of the creators: the placement face must be a planar
// face of a body; the feature is made on that body.
void create_form(const Call& call, const char* kind, const char* const location[3], const char* const direction[3],
                 int n_parms, const char* const parms[], unsigned int face, unsigned int thru_face, int* status) {
    call.need(status, "the status output");
    *status = 0;
    g_created = 0;
    call.need(location, "the location texts");
    call.need(direction, "the direction texts");
    call.need(parms, "the parameter texts");
    std::vector<double> numbers;
    for (int i = 0; i < 3; ++i) numbers.push_back(coordinate(call, location[i]));
    for (int i = 0; i < 3; ++i) numbers.push_back(coordinate(call, direction[i]));
    std::vector<std::string> formulas;
    for (int i = 0; i < n_parms; ++i) {
        call.need(parms[i], "a parameter text");
        formulas.emplace_back(parms[i]);
    }
    int type = 0;
    if (!ES_solid_is_a_face(face)) call.fail(FEAT_ERR_BAD_REFERENCE, "object %u is no face", face);
    pxzrus_(&face, &type);
    if (type != PX_FACE_PLANE) call.fail(FEAT_ERR_BAD_REFERENCE, "face %u is not planar", face);
    std::vector<tag_t> refs{face};
    if (thru_face != 0) {
        if (!ES_solid_is_a_face(thru_face) || ES_solid_ask_body(thru_face) != ES_solid_ask_body(face))
            call.fail(FEAT_ERR_BAD_REFERENCE, "object %u is no face of the placement's body", thru_face);
        refs.push_back(thru_face);
    }
    const tag_t body = ES_solid_ask_body(face);
    const tag_t part = objects::require(body).part;
    tag_t made = 0;
    *status = create_built(part, kind, formulas, numbers, refs, body, FEAT_SIGN_NEW, &made);
    if (*status == 0) g_created = made;
}

}  // namespace
}  // namespace host::feature

namespace hf = host::feature;

void FORMF_create_simple_hole(const char* const location[3], const char* const direction[3], const char* const parms[3],
                              unsigned int face, unsigned int thru_face, int* status) {
    auto call = HOST_ENTRY(face, thru_face, status);
    hf::create_form(call, "SIMPLE HOLE", location, direction, 3, parms, face, thru_face, status);
}

void FORMF_create_boss(const char* const location[3], const char* const direction[3], const char* const parms[3],
                       unsigned int face, int* status) {
    auto call = HOST_ENTRY(face, status);
    hf::create_form(call, "BOSS", location, direction, 3, parms, face, 0, status);
}

void FORMF_create_cyl_pocket(const char* const location[3], const char* const direction[3], const char* const parms[4],
                             unsigned int face, int* status) {
    auto call = HOST_ENTRY(face, status);
    hf::create_form(call, "CYL_POCKET", location, direction, 4, parms, face, 0, status);
}

void FORMF_create_chamfer(int type, const char* text1, const char* text2, const char* text3, int n,
                          const unsigned int edges[], int* status) {
    auto call = HOST_ENTRY(type, n, edges, status);
    call.need(status, "the status output");
    *status = 0;
    hf::g_created = 0;
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
    if (*status == 0) hf::g_created = made;
}

unsigned int FORMF_ask_created_frec(void) {
    auto call = HOST_ENTRY();
    int scripted = 0;
    if (call.status(scripted)) return static_cast<unsigned int>(scripted);
    return hf::g_created;
}
