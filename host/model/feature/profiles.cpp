// Curve profiles, curve-manager objects, closest points on curves and faces,
// and the directions of planes and axes (host/model/feature/profiles.h).
#include "host/model/feature/profiles.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <vector>

#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/model.h"
#include "host/numeric/evc.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace host::profiles {
namespace {

struct Direction {
    double point[3];
    double direction[3];
};

struct State {
    int next_profile = 1;
    int next_cm = 1;
    std::map<int, Strings> profiles;  // validated strings (empty until then)
    std::map<int, Strings> cms;
};
State& st() { return service_state<State>("curve profiles"); }
const bool registered = (st(), true);

// The point and direction of each plane and axis: model data, so that undo
// marks take them back with the objects.
TagTable<Direction>& directions() {
    static TagTable<Direction> t("plane and axis directions");
    return t;
}
const bool directions_registered = [] {
    directions();
    entity::on_replace_data([](tag_t kept, tag_t other) {
        if (const Direction* d = directions().find(other)) directions()[kept] = *d;
        else directions().erase(kept);
    });
    return true;
}();

Strings& profile_of(const Call& call, int profile) {
    auto it = st().profiles.find(profile);
    if (it == st().profiles.end()) call.fail(HOST_ERR_BAD_ARGUMENT, "%d is no profile", profile);
    return it->second;
}

const Strings& cm_of(const Call& call, int cm) {
    auto it = st().cms.find(cm);
    if (it == st().cms.end()) call.fail(HOST_ERR_BAD_ARGUMENT, "%d is no curve-manager object", cm);
    return it->second;
}

double distance(const double a[3], const double b[3]) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); }

// The two ends of a curve (or edge).
void ends_of(tag_t curve, double start[3], double end[3]) {
    const unsigned int ev = EVC_initialize(curve);
    double lim[2];
    EVC_ask_curve_limits(ev, lim);
    EVC_evaluate(ev, 0, lim[0], start, nullptr);
    EVC_evaluate(ev, 0, lim[1], end, nullptr);
    EVC_free(ev);
}

bool meet(tag_t a, tag_t b, double tol) {
    double a0[3], a1[3], b0[3], b1[3];
    ends_of(a, a0, a1);
    ends_of(b, b0, b1);
    return std::min({distance(a0, b0), distance(a0, b1), distance(a1, b0), distance(a1, b1)}) <= tol;
}

int validate(const CMP_strings_t& s, double tol, Strings* out) {
    if (s.count <= 0 || !s.per_string || !s.objects) return CMP_ERR_NO_STRINGS;
    int at = 0;
    for (int i = 0; i < s.count; ++i) {
        const int n = s.per_string[i];
        if (n <= 0) return CMP_ERR_NO_STRINGS;
        for (int j = 0; j < n; ++j) {
            const tag_t o = s.objects[at + j];
            if (!objects::is_alive(o)) return CMP_ERR_NOT_A_CURVE;
            const int cls = es0017_(&o);
            if (cls != ES_CLASS_CURVE && cls != ES_CLASS_EDGE) return CMP_ERR_NOT_A_CURVE;
            if (j > 0 && !meet(s.objects[at + j - 1], o, tol)) return CMP_ERR_NOT_CONNECTED;
        }
        out->per_string.push_back(n);
        out->dir.push_back(s.dir ? s.dir[i] : 1);
        out->objects.insert(out->objects.end(), s.objects + at, s.objects + at + n);
        at += n;
    }
    return 0;
}

const Direction& direction_of(const Call& call, tag_t object, int type) {
    const objects::Object& o = call.live(object);
    const Direction* d = directions().find(object);
    if (o.type != type || !d) call.fail(HOST_ERR_WRONG_CLASS, "tag %u is no object of type %d", object, type);
    return *d;
}

}  // namespace

void hand_out(const Strings& s, CMP_strings_t* out) {
    const int n = static_cast<int>(s.per_string.size());
    const int m = static_cast<int>(s.objects.size());
    out->count = n;
    out->per_string = static_cast<int*>(SM_alloc(sizeof(int) * n));
    out->dir = static_cast<int*>(SM_alloc(sizeof(int) * n));
    out->objects = static_cast<unsigned int*>(SM_alloc(sizeof(unsigned int) * m));
    std::copy(s.per_string.begin(), s.per_string.end(), out->per_string);
    std::copy(s.dir.begin(), s.dir.end(), out->dir);
    std::copy(s.objects.begin(), s.objects.end(), out->objects);
}

tag_t create_direction_object(tag_t part, int type, const double point[3], const double direction[3]) {
    const tag_t o = objects::create({OM_CLASS_RM_ENTITY, type, 0, part});
    set_direction(o, point, direction);
    return o;
}

void set_direction(tag_t object, const double point[3], const double direction[3]) {
    Direction d{};
    const double len = std::hypot(direction[0], direction[1], direction[2]);
    for (int i = 0; i < 3; ++i) {
        d.point[i] = point[i];
        d.direction[i] = direction[i] / len;
    }
    directions()[object] = d;
}

bool direction_data(tag_t object, double point[3], double direction[3]) {
    const Direction* d = directions().find(object);
    if (!d) return false;
    std::copy(d->point, d->point + 3, point);
    std::copy(d->direction, d->direction + 3, direction);
    return true;
}

std::vector<tag_t> objects_of_cm(int cm) {
    auto it = st().cms.find(cm);
    return it == st().cms.end() ? std::vector<tag_t>{} : it->second.objects;
}

int make_cm(const Strings& strings) {
    const int cm = st().next_cm++;
    st().cms[cm] = strings;
    return cm;
}

Strings strings_of_cm(int cm) {
    auto it = st().cms.find(cm);
    return it == st().cms.end() ? Strings{} : it->second;
}

}  // namespace host::profiles

namespace hp = host::profiles;

extern "C" {

void CMP_create_cmp_profile(int* profile) {
    auto call = HOST_ENTRY(profile);
    call.need(profile, "the profile output");
    *profile = hp::st().next_profile++;
    hp::st().profiles[*profile] = {};
}

void CMP_free_cmp_profile(int profile) {
    auto call = HOST_ENTRY(profile);
    hp::profile_of(call, profile);
    hp::st().profiles.erase(profile);
}

void CMP_validate_strings(int mode, int kind, int chaining, int flags, const CMP_strings_t* strings,
                          const double tolerances[2], int profile, int* error) {
    auto call = HOST_ENTRY(mode, kind, chaining, profile);
    (void)flags;
    call.need(strings, "the strings");
    call.need(tolerances, "the tolerances");
    call.need(error, "the error output");
    hp::Strings& p = hp::profile_of(call, profile);
    hp::Strings s;
    *error = static_cast<int>(call.int_out(0, hp::validate(*strings, tolerances[0], &s)));
    p = *error == 0 ? s : hp::Strings{};
}

int CMP_set_cm_from_cmp(int profile, int a, int b, int c, double tolerance, int d) {
    auto call = HOST_ENTRY(profile, a, b, c);
    (void)tolerance;
    (void)d;
    const hp::Strings& p = hp::profile_of(call, profile);
    if (p.objects.empty()) call.fail(HOST_ERR_BAD_ARGUMENT, "profile %d holds no valid strings", profile);
    const int cm = hp::st().next_cm++;
    hp::st().cms[cm] = p;
    return cm;
}

void CMP_set_string_from_cm(int count, const int* objects, CMP_strings_t* strings) {
    auto call = HOST_ENTRY(count, objects, strings);
    call.need(objects, "the objects");
    call.need(strings, "the string list output");
    if (count != 1) call.fail(HOST_ERR_BAD_ARGUMENT, "%d objects", count);
    hp::hand_out(hp::cm_of(call, objects[0]), strings);
}

// The same strings; the second variant serves the blend faces' queries.
void CMP_set_string_from_cm_1(int count, const int* objects, CMP_strings_t* strings) {
    auto call = HOST_ENTRY(count, objects, strings);
    call.need(objects, "the objects");
    call.need(strings, "the string list output");
    if (count != 1) call.fail(HOST_ERR_BAD_ARGUMENT, "%d objects", count);
    hp::hand_out(hp::cm_of(call, objects[0]), strings);
}

int CMP_find_planar_normal(int count, const unsigned int* curves, double normal[3], double point[3]) {
    auto call = HOST_ENTRY(count, curves, normal, point);
    if (int st; call.status(st)) return st;
    call.need(curves, "the curves");
    call.need(normal, "the normal output");
    call.need(point, "the point output");
    std::vector<std::array<double, 3>> pts;
    for (int i = 0; i < count; ++i) {
        call.live(curves[i]);
        const unsigned int ev = evcrvu(curves[i]);
        double lim[2];
        EVC_ask_curve_limits(ev, lim);
        for (int k = 0; k <= 16; ++k) {
            std::array<double, 3> p{};
            EVC_evaluate(ev, 0, lim[0] + (lim[1] - lim[0]) * k / 16.0, p.data(), nullptr);
            pts.push_back(p);
        }
        EVC_free(ev);
    }
    if (pts.size() < 3) return 0;
    const auto& p0 = pts[0];
    auto sub = [](const std::array<double, 3>& a, const std::array<double, 3>& b) {
        return std::array<double, 3>{a[0] - b[0], a[1] - b[1], a[2] - b[2]};
    };
    auto cross = [](const std::array<double, 3>& a, const std::array<double, 3>& b) {
        return std::array<double, 3>{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    };
    auto len = [](const std::array<double, 3>& a) { return std::hypot(a[0], a[1], a[2]); };
    std::array<double, 3> far = p0;
    for (const auto& p : pts)
        if (len(sub(p, p0)) > len(sub(far, p0))) far = p;
    std::array<double, 3> n{};
    for (const auto& p : pts) {
        const auto c = cross(sub(far, p0), sub(p, p0));
        if (len(c) > len(n)) n = c;
    }
    const double nl = len(n);
    if (nl < 1e-12) return 0;  // the points lie on a line: no plane
    for (double& x : n) x /= nl;
    for (const auto& p : pts) {
        const auto d = sub(p, p0);
        if (std::fabs(d[0] * n[0] + d[1] * n[1] + d[2] * n[2]) > 1e-6) return 0;
    }
    for (int i = 0; i < 3; ++i) {
        normal[i] = n[i];
        point[i] = p0[i];
    }
    return 1;
}

void SKIN_assign_skin_profile(int mode, int object, SKIN_profile_t* skin, int* error) {
    auto call = HOST_ENTRY(mode, object, skin, error);
    call.need(skin, "the skin profile");
    call.need(error, "the error output");
    *skin = SKIN_profile_t{0, nullptr, nullptr, nullptr};
    *error = static_cast<int>(call.int_out(0, 0));
    if (*error != 0) return;
    const hp::Strings& s = hp::cm_of(call, object);
    const int n = static_cast<int>(s.objects.size());
    skin->curves = static_cast<unsigned int*>(SM_alloc(sizeof(unsigned int) * n));
    skin->senses = static_cast<int*>(SM_alloc(sizeof(int) * n));
    skin->starts = static_cast<double*>(SM_alloc(sizeof(double) * n));
    skin->count = n;
    for (int i = 0; i < n; ++i) {
        skin->curves[i] = s.objects[i];
        skin->senses[i] = 1;
        skin->starts[i] = i;
    }
}

unsigned int convert_profile_2_cv(const SKIN_profile_t* skin, double tolerance, int* error) {
    auto call = HOST_ENTRY(skin, tolerance, error);
    call.need(skin, "the skin profile");
    call.need(error, "the error output");
    if (skin->count != 1) {
        *error = CMP_ERR_NOT_ONE_CURVE;
        return 0;
    }
    *error = 0;
    return skin->curves[0];
}

void evcrvp(unsigned int evaluator, double range[2]) {
    auto call = HOST_ENTRY(evaluator, range);
    call.need(range, "the range output");
    EVC_ask_curve_limits(evaluator, range);
}

void em015a(unsigned int evaluator, const double point[3], double* parameter, double foot[3], int* status) {
    auto call = HOST_ENTRY(evaluator, point, parameter, foot);
    call.need(point, "the point");
    call.need(parameter, "the parameter output");
    call.need(foot, "the foot point output");
    call.need(status, "the status output");
    EVC_ask_closest_point(evaluator, point, parameter, foot);
    *status = hp::distance(point, foot) > EM015A_MAX_DISTANCE ? -1 : 0;
    *status = static_cast<int>(call.int_out(0, *status));
}

void DPLANE_ask_direction(unsigned int plane, double direction[3]) {
    auto call = HOST_ENTRY(plane, direction);
    call.need(direction, "the direction output");
    const auto& d = hp::direction_of(call, plane, HOST_TYPE_DATUM_PLANE);
    std::copy(d.direction, d.direction + 3, direction);
}

void DAXIS_ask_direction(unsigned int axis, double direction[3]) {
    auto call = HOST_ENTRY(axis, direction);
    call.need(direction, "the direction output");
    const auto& d = hp::direction_of(call, axis, HOST_TYPE_DATUM_AXIS);
    std::copy(d.direction, d.direction + 3, direction);
}

void ES_ask_plane_data(unsigned int plane, double data[6]) {
    auto call = HOST_ENTRY(plane, data);
    call.need(data, "the plane data output");
    const auto& d = hp::direction_of(call, plane, HOST_TYPE_PLANE);
    std::copy(d.point, d.point + 3, data);
    std::copy(d.direction, d.direction + 3, data + 3);
}

void KI_idsoff(int face, int* surface, int* sense) {
    auto call = HOST_ENTRY(face, surface, sense);
    call.need(surface, "the surface output");
    call.need(sense, "the sense output");
    int type = 0, s = 1;
    double p[3], d[3], r = 0, r2 = 0;
    // A sheet body of one face stands for its face.
    int cls = 0;
    ZQ_ENTITY_ask_class(face, &cls);
    if (cls == ZQ_CLASS_BODY) {
        int* faces = nullptr;
        int count = 0;
        KI_idcoen_sm(face, ZQ_CLASS_FACE, &faces, &count);
        const int only = count == 1 ? faces[0] : 0;
        SM_free(faces);
        if (!only) call.fail(KERNEL_ERR_WRONG_ENTITY, "body %d has %d faces: one face is needed", face, count);
        face = only;
    }
    ZQ_FACE_ask_data(face, &type, p, d, &r, &r2, &s);
    ZQ_FACE_ask_surf(face, surface);
    *sense = s < 0 ? 1 : 0;
}

void KI_clpten(const double point[3], int face, double uv[2], int* found) {
    auto call = HOST_ENTRY(point, face, uv, found);
    call.need(point, "the point");
    call.need(uv, "the parameters output");
    call.need(found, "the found output");
    *found = 0;
    double box[4];
    ZQ_FACE_ask_uv_box(face, box);
    int surface = 0;
    ZQ_FACE_ask_surf(face, &surface);
    // A grid over the face's box, then halving steps around the best.
    auto dist = [&](double u, double v) {
        double out[18], n[3];
        ZQ_SURF_eval(surface, u, v, 0, out, n);
        return hp::distance(out, point);
    };
    const int grid = 16;
    double bu = box[0], bv = box[2], best = dist(bu, bv);
    for (int i = 0; i <= grid; ++i)
        for (int j = 0; j <= grid; ++j) {
            const double u = box[0] + (box[1] - box[0]) * i / grid, v = box[2] + (box[3] - box[2]) * j / grid;
            const double d = dist(u, v);
            if (d < best) best = d, bu = u, bv = v;
        }
    double su = (box[1] - box[0]) / grid, sv = (box[3] - box[2]) / grid;
    for (int it = 0; it < 60; ++it) {
        bool moved = false;
        for (int du = -1; du <= 1; ++du)
            for (int dv = -1; dv <= 1; ++dv) {
                const double u = std::clamp(bu + du * su, box[0], box[1]);
                const double v = std::clamp(bv + dv * sv, box[2], box[3]);
                const double d = dist(u, v);
                if (d < best) best = d, bu = u, bv = v, moved = true;
            }
        if (!moved) su /= 2, sv /= 2;
    }
    uv[0] = bu;
    uv[1] = bv;
    *found = static_cast<int>(call.int_out(0, 1));
}

void KI_enpops(int surface, double u, double v, double point[3], double normal[3]) {
    auto call = HOST_ENTRY(surface, u, v, point);
    call.need(point, "the point output");
    call.need(normal, "the normal output");
    double out[18];
    ZQ_SURF_eval(surface, u, v, 0, out, normal);
    std::copy(out, out + 3, point);
}

}  // extern "C"
