// The placement and through faces of form features as the redefinition of
// a feature's references reads and changes them (redefine_refs.h). The
// changes go through FEAT_redefine (redefine.cpp), which records them and
// logs the feature for the next update.
#include "host/apps/modeling/redefine/redefine_refs.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "host/model/feature/feature.h"
#include "host/apps/modeling/form/form_detail.h"
#include "host/apps/modeling/form/form_slots.h"
#include "host/model/feature/profiles.h"
#include "host/model/feature/positioning.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/queries.h"
#include "host/model/feature/redefine_rows.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace hf = host::feature;
namespace form = host::feature::form;

namespace {

bool has(const std::string& kind, const char* word) { return kind.find(word) != std::string::npos; }
bool is_hole(const hf::Record& r) { return has(r.kind, "HOLE"); }
bool is_slot(const hf::Record& r) { return has(r.kind, "SLOT"); }
bool is_groove(const hf::Record& r) { return has(r.kind, "GROOVE"); }

bool first_kinds(const hf::Record& r) { return r.numbers.size() == 6; }
bool on_face(const hf::Record& r) { return !r.refs.empty() && (first_kinds(r) || r.numbers[9] != 0); }
std::size_t thru_count(const hf::Record& r) {
    if (first_kinds(r)) return r.refs.empty() ? 0 : r.refs.size() - 1;
    return std::min(static_cast<std::size_t>(r.numbers[10]), r.refs.size());
}

const hf::Record& need_form(const host::Call& call, unsigned int feature) {
    const hf::Record* r = hf::find(feature);
    if (!r) call.fail(FEAT_ERR_NOT_A_FEATURE, "object %u is no feature", feature);
    if (!form::is_built_form(*r))
        call.fail(FEAT_ERR_BAD_PARAMETERS, "%s is no form feature", hf::display_name(feature).c_str());
    return *r;
}

bool cuts_body(const hf::Record& r) { return !has(r.kind, "BOSS") && !has(r.kind, "PAD"); }

// The feature's numbers with its location on the plane (point, unit normal
// n) and its direction sign * n; an X direction along the new direction can
// no longer be kept.
void onto_plane(const hf::Record& r, std::vector<double>& numbers, const double point[3], const double n[3],
                double sign) {
    double* at = &numbers[0];
    double* dir = &numbers[3];
    const double q[3] = {at[0] - point[0], at[1] - point[1], at[2] - point[2]};
    const double k = q[0] * n[0] + q[1] * n[1] + q[2] * n[2];
    for (int i = 0; i < 3; ++i) {
        at[i] -= k * n[i];
        dir[i] = sign * n[i];
    }
    if (first_kinds(r)) return;
    const double* x = &numbers[6];
    const double xx = std::sqrt(x[0] * x[0] + x[1] * x[1] + x[2] * x[2]);
    if (xx > 0 && std::fabs(x[0] * dir[0] + x[1] * dir[1] + x[2] * dir[2]) > 0.999 * xx)
        numbers[6] = numbers[7] = numbers[8] = 0;
}

// The face object of a reference on a live face, or 0.
unsigned int face_of(unsigned int ref) { return ref == 0 ? 0 : FREF_ask_face_of_fref(ref); }

struct Surface {
    int type = 0, sense = 1;
    double point[3] = {}, dir[3] = {}, r1 = 0, r2 = 0;
};
Surface surface_of(int face) {
    Surface s;
    ZQ_FACE_ask_data(face, &s.type, s.point, s.dir, &s.r1, &s.r2, &s.sense);
    return s;
}

double dot(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The feature's references as face or edge objects (the form FEAT_redefine
// takes), with `place` first and the through faces after it.
std::vector<unsigned int> objects_of(const std::vector<int>& refs) {
    std::vector<unsigned int> out;
    for (int r : refs) out.push_back(host::kernel::object_of(r));
    return out;
}

void redefine(const host::Call& call, unsigned int feature, const std::vector<int>& refs,
              const std::vector<double>& numbers) {
    const std::vector<unsigned int> objects = objects_of(refs);
    for (unsigned int o : objects)
        if (o == 0)
            call.fail(FEAT_ERR_BAD_REFERENCE, "a reference of %s has no face", hf::display_name(feature).c_str());
    const int st = FEAT_redefine(feature, static_cast<int>(objects.size()), objects.data(),
                                 static_cast<int>(numbers.size()), numbers.data());
    if (st != 0) call.fail(st, "%s cannot take the new references", hf::display_name(feature).c_str());
}

// The datum planes the feature runs to in place of through faces.
std::vector<unsigned int> planes_of(unsigned int feature) {
    std::vector<unsigned int> out;
    if (const hf::DatumThrough* d = hf::datum_throughs().find(feature))
        for (unsigned int plane : d->planes)
            if (host::objects::is_alive(plane)) out.push_back(plane);
    return out;
}
bool planes_first(unsigned int feature) {
    const hf::DatumThrough* d = hf::datum_throughs().find(feature);
    return d && d->planes_first;
}

// The feature with through faces `thru` (kernel tags) and datum planes
// `planes` in place of its own.
int set_thru(const host::Call& call, unsigned int feature, const std::vector<int>& thru,
             const std::vector<unsigned int>& planes = {}, bool first = false) {
    const hf::Record& r = need_form(call, feature);
    std::vector<int> refs(r.refs.begin(), r.refs.end() - static_cast<std::ptrdiff_t>(thru_count(r)));
    refs.insert(refs.end(), thru.begin(), thru.end());
    std::vector<double> numbers = r.numbers;
    if (!first_kinds(r)) numbers[10] = static_cast<double>(thru.size());
    else if (!on_face(r) && !thru.empty())
        return FEAT_ERR_BAD_PARAMETERS;  // a record of the first kinds keeps its through faces after its face
    const std::vector<unsigned int> objects = objects_of(refs);
    if (std::find(objects.begin(), objects.end(), 0u) != objects.end()) return FEAT_ERR_BAD_REFERENCE;
    // A feature on a datum plane left with no face at all takes none.
    const int st = objects.empty() && !r.refs.empty()
                       ? hf::redefine_all(feature, objects, numbers)
                       : FEAT_redefine(feature, static_cast<int>(objects.size()), objects.data(),
                                       static_cast<int>(numbers.size()), numbers.data());
    if (st != 0) return st;
    if (planes.empty()) {
        hf::datum_throughs().erase(feature);
    } else {
        hf::DatumThrough d{planes, first && !thru.empty(), {}};
        if (!hf::datum_plane_numbers(planes, &d.seen)) return FEAT_ERR_BAD_REFERENCE;
        hf::datum_throughs()[feature] = std::move(d);
    }
    return 0;
}

std::vector<int> kernel_faces(int count, const unsigned int refs[]) {
    std::vector<int> out;
    for (int i = 0; i < count; ++i) {
        const unsigned int face = face_of(refs[i]);
        out.push_back(face ? host::kernel::entity_of(face) : 0);
    }
    return out;
}

// The link references a form feature keeps besides its placement
// (redefine_rows.h).
using Links = hf::LinkRefs;

bool takes_dir(const hf::Record& r) {
    return form::is_built_form(r) && !first_kinds(r) &&
           (has(r.kind, "PAD") || has(r.kind, "RECT_POCKET") || is_slot(r));
}

// The feature whose step made the kernel face (0 for none).
unsigned int maker_of_face(int kernel_face) {
    const unsigned int face = host::kernel::object_of(kernel_face);
    if (face == 0) return 0;
    // Each host array is copied and freed at once: no host call comes
    // between its making and its freeing.
    int n = 0;
    unsigned int* raw = nullptr;
    FREC_ask_body_features(ES_solid_ask_body(face), &n, &raw);
    const std::vector<unsigned int> features(raw, raw + n);
    SM_free(raw);
    for (unsigned int f : features) {
        int count = 0;
        int* faces = nullptr;
        ZQ_GROUP_ask_entities(f, &count, &faces);
        const bool made = std::find(faces, faces + count, kernel_face) != faces + count;
        SM_free(faces);
        if (made) return f;
    }
    return 0;
}

// The time stamp of the feature that made the object (0 for none): a face
// by its step, an edge by the later of its faces, another object by the
// feature that made it or owns it (a datum).
int made_at(unsigned int object) {
    if (object == 0 || !host::objects::is_alive(object)) return 0;
    const auto stamp = [](unsigned int f) { return f ? FREC_ask_time_stamp(f) : 0; };
    if (ES_solid_is_a_face(object)) return stamp(maker_of_face(host::kernel::entity_of(object)));
    if (ES_solid_is_a_edge(object)) {
        int* faces = nullptr;
        int n = 0;
        KI_idcoen_sm(host::kernel::entity_of(object), ZQ_CLASS_FACE, &faces, &n);
        const std::vector<int> of(faces, faces + n);
        SM_free(faces);
        int latest = 0;
        for (int f : of) latest = std::max(latest, stamp(maker_of_face(f)));
        return latest;
    }
    if (unsigned int owner = MODL_ask_feature_of_rm_entity(object)) return stamp(owner);
    return stamp(FREC_find_child_frec_of_so(object));
}

bool older(unsigned int feature, int maker, int own_is_newer) {
    const int stamp = FREC_ask_time_stamp(feature);
    return maker == 0 || maker < stamp || (maker == stamp && own_is_newer == 0);
}

// The face or edge object of a reference (0 for none).
unsigned int entity_of_ref(unsigned int ref) {
    if (ref == 0) return 0;
    const unsigned int face = face_of(ref);
    return face != 0 ? face : EREF_ask_edge_of_eref(ref);
}

// The X direction a reference gives a feature running along `dir` on a
// plane of normal `dir`: horizontal (slot 1) along it, vertical (0) across.
void x_from_ref(const host::Call& call, unsigned int ref, const double dir[3], int slot, bool flip, double x[3]) {
    const unsigned int entity = entity_of_ref(ref);
    if (entity == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "reference %u names no face or edge", ref);
    double v[3];
    if (ES_solid_is_a_edge(entity)) {
        double a[3], b[3];
        PX_edge_ask_vertices(entity, a, b);
        for (int i = 0; i < 3; ++i) v[i] = b[i] - a[i];
    } else {
        const Surface s = surface_of(host::kernel::entity_of(entity));
        if (s.type != ZQ_SURF_PLANE) call.fail(FEAT_ERR_BAD_REFERENCE, "a direction face must be planar");
        for (int i = 0; i < 3; ++i) v[i] = s.dir[i] * s.sense;
    }
    const double k = dot(v, dir);
    for (int i = 0; i < 3; ++i) v[i] -= k * dir[i];
    const double len = std::sqrt(dot(v, v));
    if (!(len > 1e-9)) call.fail(FEAT_ERR_BAD_REFERENCE, "the reference runs along the feature's direction");
    for (double& c : v) c /= len;
    if (slot == 1) {
        std::copy(v, v + 3, x);
    } else {
        x[0] = v[1] * dir[2] - v[2] * dir[1];
        x[1] = v[2] * dir[0] - v[0] * dir[2];
        x[2] = v[0] * dir[1] - v[1] * dir[0];
    }
    if (flip)
        for (int i = 0; i < 3; ++i) x[i] = -x[i];
}

// The unit normal of a plane the feature runs along.
void unit_dir(const hf::Record& r, double d[3]) {
    const double len = std::sqrt(dot(&r.numbers[3], &r.numbers[3]));
    for (int i = 0; i < 3; ++i) d[i] = len > 0 ? r.numbers[3 + i] / len : 0;
}

// A form feature's record with its faces as the kernel's (those of a
// feature read back are looked up by their objects), or none.
std::optional<hf::Record> form_record(unsigned int feature) {
    const hf::Record* r = hf::find(feature);
    if (!r || !form::is_built_form(*r)) return std::nullopt;
    hf::Record out = *r;
    out.refs = hf::form_refs(feature, r->refs);
    return out;
}

int subtype_of(unsigned int feature, const hf::Record& r) {
    if (!form::is_built_form(r) || (!is_hole(r) && !is_slot(r))) return 0;
    if (thru_count(r) + planes_of(feature).size() == 0) return FEAT_SUBTYPE_BLIND;
    return is_hole(r) ? FEAT_SUBTYPE_THRU_HOLE : FEAT_SUBTYPE_THRU_SLOT;
}

}  // namespace

extern "C" {

int RPO_ask_frec_link_face_parms(unsigned int feature, unsigned int* target, unsigned int* tool, unsigned int* dir1,
                                 unsigned int* dir2) {
    auto call = HOST_ENTRY(feature);
    call.need(target, "the target output");
    call.need(tool, "the tool output");
    call.need(dir1, "the first direction output");
    call.need(dir2, "the second direction output");
    *target = *tool = *dir1 = *dir2 = 0;
    const std::optional<hf::Record> r = form_record(feature);
    if (!r) return 1;
    if (on_face(*r)) *target = FREF_ask_fref_of_face(host::kernel::object_of(r->refs[0]));
    else if (const hf::DatumPlacement* d = hf::datum_placements().find(feature);
             d && host::objects::is_alive(d->plane))
        *target = create_dplane_fref(d->plane);
    if (const Links* l = hf::link_refs().find(feature)) {
        *tool = static_cast<unsigned int>(hf::link_tool(*l));
        (l->slot == 1 ? *dir1 : *dir2) = static_cast<unsigned int>(hf::link_dir(*l));
    }
    return 0;
}

int RPO_frec_takes_dir_ref(unsigned int feature) {
    [[maybe_unused]] auto call = HOST_ENTRY(feature);
    const hf::Record* r = hf::find(feature);
    return r && takes_dir(*r) ? 1 : 0;
}

int MODL__is_linear_edge(unsigned int eref) {
    [[maybe_unused]] auto call = HOST_ENTRY(eref);
    const unsigned int edge = eref ? EREF_ask_edge_of_eref(eref) : 0;
    if (edge == 0) return 0;
    int type = 0;
    double p[3], d[3], radius = 0;
    ZQ_EDGE_ask_curve_data(host::kernel::entity_of(edge), &type, p, d, &radius);
    return type == ZQ_CURVE_LINE ? 1 : 0;
}

void MODL__reattach_tool_face(unsigned int feature, unsigned int ref, char flag) {
    auto call = HOST_ENTRY(feature, ref, flag);
    const hf::Record& r = need_form(call, feature);
    const unsigned int face = face_of(ref);
    if (face == 0 || surface_of(host::kernel::entity_of(face)).type != ZQ_SURF_PLANE)
        call.fail(FEAT_ERR_BAD_REFERENCE, "a tool face is a planar face");
    if (ES_solid_ask_body(face) != r.body) call.fail(FEAT_ERR_BAD_REFERENCE, "the tool face is on another body");
    Links& l = hf::link_refs()[feature];
    l.tool = static_cast<int>(ref);
    l.tool_object = 0;
}

void MODL__reattach_dir_ref(unsigned int feature, unsigned int ref, int value, char flag) {
    auto call = HOST_ENTRY(feature, ref, value, flag);
    const hf::Record& r = need_form(call, feature);
    if (!takes_dir(r)) call.fail(FEAT_ERR_BAD_PARAMETERS, "%s takes no direction", hf::display_name(feature).c_str());
    const Links* now = hf::link_refs().find(feature);
    double d[3], x[3];
    unit_dir(r, d);
    const int slot = flag != 0 ? 1 : 0;
    x_from_ref(call, ref, d, slot, now && now->flip, x);
    std::vector<double> numbers = r.numbers;
    std::copy(x, x + 3, &numbers[6]);
    redefine(call, feature, r.refs, numbers);
    Links& l = hf::link_refs()[feature];
    l.dir = static_cast<int>(ref);
    l.dir_object = 0;
    l.slot = slot;
}

void RPO_set_flip_x_dir_of_face(unsigned int feature, char flip) {
    auto call = HOST_ENTRY(feature, flip);
    need_form(call, feature);
    hf::link_refs()[feature].flip = flip != 0;
}

int RPO_calculate_ref_dir(unsigned int feature, unsigned int face_ref, int value, unsigned int ref, double out[3]) {
    auto call = HOST_ENTRY(feature, face_ref, value, ref);
    call.need(out, "the direction output");
    need_form(call, feature);
    const unsigned int face = face_of(face_ref);
    if (face == 0) return FEAT_ERR_BAD_REFERENCE;
    const Surface s = surface_of(host::kernel::entity_of(face));
    if (s.type != ZQ_SURF_PLANE) return FEAT_ERR_BAD_REFERENCE;
    double n[3];
    for (int i = 0; i < 3; ++i) n[i] = s.dir[i] * s.sense;
    const Links* l = hf::link_refs().find(feature);
    return hf::caught([&] { x_from_ref(call, ref, n, value == 1 ? 1 : 0, l && l->flip, out); });
}

int MODL_check_eid_time_stamp(unsigned int feature, unsigned int object, int own_is_newer) {
    auto call = HOST_ENTRY(feature, object, own_is_newer);
    if (!hf::find(feature)) call.fail(FEAT_ERR_NOT_A_FEATURE, "object %u is no feature", feature);
    return older(feature, made_at(object), own_is_newer) ? 1 : 0;
}

unsigned int FREF_ask_frec_of_fref(unsigned int fref) {
    [[maybe_unused]] auto call = HOST_ENTRY(fref);
    return face_of(fref) != 0 ? maker_of_face(static_cast<int>(fref)) : 0;
}

unsigned int RPO_ask_rpo_frec_of_fref_frec(unsigned int feature) {
    [[maybe_unused]] auto call = HOST_ENTRY(feature);
    const hf::Record* r = hf::find(feature);
    return r && form::is_built_form(*r) && on_face(*r) ? feature : 0;
}

int MODL_is_the_same_body(unsigned int feature, unsigned int ref) {
    [[maybe_unused]] auto call = HOST_ENTRY(feature, ref);
    const hf::Record* r = hf::find(feature);
    const unsigned int entity = entity_of_ref(ref);
    if (!r || entity == 0) return 0;
    // A record of no body of its own (a user-defined feature's meta record)
    // lives on the body of its members.
    unsigned int body = r->body;
    for (std::size_t i = 0; body == 0 && i < r->parents.size(); ++i)
        if (const hf::Record* p = hf::find(r->parents[i])) body = p->body;
    return body != 0 && ES_solid_ask_body(entity) == body ? 1 : 0;
}

int MODL_check_ref_time_stamp(unsigned int feature, unsigned int ref, int own_is_newer) {
    auto call = HOST_ENTRY(feature, ref, own_is_newer);
    const hf::Record* r = hf::find(feature);
    if (!r) call.fail(FEAT_ERR_NOT_A_FEATURE, "object %u is no feature", feature);
    const unsigned int face = face_of(ref);
    if (face == 0) return 1;
    return older(feature, made_at(face), own_is_newer) ? 1 : 0;
}

int MODL__is_ref_good_for_att(unsigned int ref) {
    [[maybe_unused]] auto call = HOST_ENTRY(ref);
    const unsigned int face = face_of(ref);
    return face != 0 && surface_of(host::kernel::entity_of(face)).type == ZQ_SURF_PLANE ? 1 : 0;
}

int ui_is_groove_feature(unsigned int feature) {
    [[maybe_unused]] auto call = HOST_ENTRY(feature);
    const hf::Record* r = hf::find(feature);
    return r && is_groove(*r) ? 1 : 0;
}

int MODL__is_good_for_groove_att(unsigned int ref) {
    [[maybe_unused]] auto call = HOST_ENTRY(ref);
    const unsigned int face = face_of(ref);
    if (face == 0) return 0;
    const int type = surface_of(host::kernel::entity_of(face)).type;
    return type == ZQ_SURF_CYLINDER || type == ZQ_SURF_CONE ? 1 : 0;
}

int MODL__is_internal_face(unsigned int ref) {
    [[maybe_unused]] auto call = HOST_ENTRY(ref);
    const unsigned int face = face_of(ref);
    if (face == 0) return 0;
    const Surface s = surface_of(host::kernel::entity_of(face));
    return (s.type == ZQ_SURF_CYLINDER || s.type == ZQ_SURF_CONE) && s.sense < 0 ? 1 : 0;
}

int MODL_is_internal_groove(unsigned int feature) {
    [[maybe_unused]] auto call = HOST_ENTRY(feature);
    const hf::Record* r = hf::find(feature);
    if (!r || !is_groove(*r) || !on_face(*r)) return 0;
    return MODL__is_internal_face(FREF_ask_fref_of_face(host::kernel::object_of(r->refs[0])));
}

namespace {
// The form feature onto the datum plane: its location onto the plane, its
// direction along the plane's normal on the side it ran before (a
// direction in the plane takes the side a face would give it); a face it
// stood on is no reference of it any more.
void onto_datum_plane(const host::Call& call, unsigned int feature, const hf::Record& r, unsigned int plane) {
    if (first_kinds(r) || is_groove(r))
        call.fail(FEAT_ERR_BAD_REFERENCE, "%s cannot stand on a datum plane", hf::display_name(feature).c_str());
    std::vector<double> numbers;
    if (!hf::numbers_on_datum_plane(r, plane, &numbers))
        call.fail(FEAT_ERR_BAD_REFERENCE, "object %u is no datum plane", plane);
    std::vector<int> refs = r.refs;
    if (on_face(r)) refs.erase(refs.begin());
    numbers[9] = 0;
    const std::vector<unsigned int> objects = objects_of(refs);
    if (std::find(objects.begin(), objects.end(), 0u) != objects.end())
        call.fail(FEAT_ERR_BAD_REFERENCE, "a reference of %s has no face", hf::display_name(feature).c_str());
    if (int st = hf::redefine_all(feature, objects, numbers))
        call.fail(st, "%s cannot stand on the datum plane", hf::display_name(feature).c_str());
    hf::datum_placements()[feature] = {plane};
}
}  // namespace

void MODL__reattach_target_face(unsigned int feature, unsigned int ref, int value1, int value2, char flag) {
    auto call = HOST_ENTRY(feature, ref, value1, value2);
    (void)flag;
    const hf::Record& r = need_form(call, feature);
    if (const unsigned int plane = CM_ask_dplane_of_entry(static_cast<int>(ref))) {
        onto_datum_plane(call, feature, r, plane);
        return;
    }
    const unsigned int face = face_of(ref);
    if (face == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "reference %u has no face", ref);
    const int kernel_face = host::kernel::entity_of(face);
    std::vector<double> numbers = hf::numbers_on_face(call, r, kernel_face);
    std::vector<int> refs = r.refs;
    if (on_face(r)) {
        refs[0] = kernel_face;
    } else {
        // From a datum plane onto a face of the body: the face becomes the
        // first reference.
        if (first_kinds(r))
            call.fail(FEAT_ERR_BAD_PARAMETERS, "%s has no placement face", hf::display_name(feature).c_str());
        refs.insert(refs.begin(), kernel_face);
        numbers[9] = 1;
    }
    redefine(call, feature, refs, numbers);
    hf::datum_placements().erase(feature);
}

void MODL__reattach_thru_faces(unsigned int feature, int count, const unsigned int refs[], char flag) {
    auto call = HOST_ENTRY(feature, count, refs);
    (void)flag;
    if (count < 0 || count > 2) call.fail(HOST_ERR_BAD_ARGUMENT, "count %d of through faces", count);
    if (count > 0) call.need(refs, "the references");
    const hf::Record& r = need_form(call, feature);
    const std::size_t now = thru_count(r) + planes_of(feature).size();
    if (static_cast<std::size_t>(count) != now)
        call.fail(FEAT_ERR_BAD_PARAMETERS, "%s has %zu through faces", hf::display_name(feature).c_str(), now);
    const std::vector<int> thru = kernel_faces(count, refs);
    if (std::find(thru.begin(), thru.end(), 0) != thru.end())
        call.fail(FEAT_ERR_BAD_REFERENCE, "a through face has no face");
    if (int st = set_thru(call, feature, thru))
        call.fail(st, "%s cannot run through the faces", hf::display_name(feature).c_str());
}

int FEAT_ask_subtype(unsigned int feature) {
    [[maybe_unused]] auto call = HOST_ENTRY(feature);
    const hf::Record* r = hf::find(feature);
    return r ? subtype_of(feature, *r) : 0;
}

int FEAT_ask_thru_refs(unsigned int feature, unsigned int refs[2]) {
    auto call = HOST_ENTRY(feature);
    call.need(refs, "the references output");
    refs[0] = refs[1] = 0;
    const std::optional<hf::Record> r = form_record(feature);
    if (!r) return 0;
    std::vector<unsigned int> all;
    for (std::size_t i = 0; i < thru_count(*r); ++i)
        all.push_back(FREF_ask_fref_of_face(host::kernel::object_of(r->refs[r->refs.size() - thru_count(*r) + i])));
    std::vector<unsigned int> planes;
    for (unsigned int plane : planes_of(feature)) planes.push_back(create_dplane_fref(plane));
    all.insert(planes_first(feature) ? all.begin() : all.end(), planes.begin(), planes.end());
    const std::size_t n = std::min<std::size_t>(all.size(), 2);
    std::copy(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(n), refs);
    return static_cast<int>(n);
}

int HOLE_add_thru_face(unsigned int feature, unsigned int ref) {
    auto call = HOST_ENTRY(feature, ref);
    int status = 0;
    if (call.status(status)) return status;
    const hf::Record* r = hf::find(feature);
    if (!r || !is_hole(*r) || subtype_of(feature, *r) != FEAT_SUBTYPE_BLIND) return FEAT_ERR_BAD_PARAMETERS;
    if (const unsigned int plane = CM_ask_dplane_of_entry(static_cast<int>(ref)))
        return set_thru(call, feature, {}, {plane});
    const std::vector<int> thru = kernel_faces(1, &ref);
    if (thru[0] == 0) return FEAT_ERR_BAD_REFERENCE;
    return set_thru(call, feature, thru);
}

int HOLE_remove_thru_face(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    int status = 0;
    if (call.status(status)) return status;
    const hf::Record* r = hf::find(feature);
    if (!r || !is_hole(*r) || subtype_of(feature, *r) != FEAT_SUBTYPE_THRU_HOLE) return FEAT_ERR_BAD_PARAMETERS;
    return set_thru(call, feature, {});
}

int SLOT_add_thru_faces(unsigned int feature, int count, const unsigned int refs[]) {
    auto call = HOST_ENTRY(feature, count, refs);
    int status = 0;
    if (call.status(status)) return status;
    const hf::Record* r = hf::find(feature);
    if (!r || !is_slot(*r) || subtype_of(feature, *r) != FEAT_SUBTYPE_BLIND) return FEAT_ERR_BAD_PARAMETERS;
    // A slot runs from one through face to the other: it takes both.
    if (count != 2 || !refs) return FEAT_ERR_BAD_PARAMETERS;
    // Faces and datum planes may be mixed.
    std::vector<int> thru;
    std::vector<unsigned int> planes;
    for (int i = 0; i < count; ++i) {
        if (const unsigned int plane = CM_ask_dplane_of_entry(static_cast<int>(refs[i]))) {
            planes.push_back(plane);
            continue;
        }
        const int face = kernel_faces(1, &refs[i])[0];
        if (face == 0) return FEAT_ERR_BAD_REFERENCE;
        thru.push_back(face);
    }
    return set_thru(call, feature, thru, planes, CM_ask_dplane_of_entry(static_cast<int>(refs[0])) != 0);
}

int SLOT_remove_thru_faces(unsigned int feature) {
    auto call = HOST_ENTRY(feature);
    int status = 0;
    if (call.status(status)) return status;
    const hf::Record* r = hf::find(feature);
    if (!r || !is_slot(*r) || subtype_of(feature, *r) != FEAT_SUBTYPE_THRU_SLOT) return FEAT_ERR_BAD_PARAMETERS;
    return set_thru(call, feature, {});
}

}  // extern "C"

void host::feature::set_tool_face(unsigned int feature, unsigned int face) {
    const host::Call call("host::feature::set_tool_face", nullptr);
    need_form(call, feature);
    Links& l = hf::link_refs()[feature];
    l.tool = face == 0 ? 0 : host::kernel::entity_of(face);
    l.tool_object = 0;
}

bool host::feature::numbers_on_datum_plane(const Record& r, unsigned int plane, std::vector<double>* numbers) {
    double point[3], n[3];
    if (!host::objects::is_alive(plane) || !host::profiles::direction_data(plane, point, n)) return false;
    *numbers = r.numbers;
    // On the side of the plane it ran before (a direction in the plane
    // takes the side a face would give it).
    const double side = dot(&(*numbers)[3], n);
    const double sign = side > 1e-9 ? 1 : side < -1e-9 ? -1 : (cuts_body(r) ? -1 : 1);
    onto_plane(r, *numbers, point, n, sign);
    return true;
}

std::vector<double> host::feature::numbers_on_face(const host::Call& call, const Record& r, int kernel_face) {
    const Surface s = surface_of(kernel_face);
    std::vector<double> numbers = r.numbers;
    double* at = &numbers[0];
    double* dir = &numbers[3];
    if (is_groove(r)) {
        // A groove turns about the new face's axis, at the old location's
        // place along it.
        if (s.type != ZQ_SURF_CYLINDER && s.type != ZQ_SURF_CONE)
            call.fail(FEAT_ERR_BAD_REFERENCE, "a groove sits on a turned face");
        const double sign = dot(dir, s.dir) < 0 ? -1 : 1;
        const double q[3] = {at[0] - s.point[0], at[1] - s.point[1], at[2] - s.point[2]};
        const double k = dot(q, s.dir);
        for (int i = 0; i < 3; ++i) {
            at[i] = s.point[i] + k * s.dir[i];
            dir[i] = sign * s.dir[i];
        }
    } else {
        if (s.type != ZQ_SURF_PLANE) call.fail(FEAT_ERR_BAD_REFERENCE, "a form feature sits on a planar face");
        // The outward normal; a feature that cuts runs against it.
        double n[3];
        for (int i = 0; i < 3; ++i) n[i] = s.dir[i] * s.sense;
        onto_plane(r, numbers, s.point, n, cuts_body(r) ? -1 : 1);
    }
    return numbers;
}

std::vector<unsigned int> host::feature::makers_of(int kernel_entity) {
    std::vector<unsigned int> out;
    const unsigned int object = host::kernel::object_of(kernel_entity);
    if (object == 0) return out;
    if (ES_solid_is_a_face(object)) {
        if (unsigned int f = maker_of_face(kernel_entity)) out.push_back(f);
        return out;
    }
    int* faces = nullptr;
    int n = 0;
    KI_idcoen_sm(kernel_entity, ZQ_CLASS_FACE, &faces, &n);
    const std::vector<int> of(faces, faces + n);
    SM_free(faces);
    for (int f : of)
        if (unsigned int m = maker_of_face(f); m && std::find(out.begin(), out.end(), m) == out.end()) out.push_back(m);
    return out;
}

const host::feature::Record& host::feature::require_record(const host::Call& call, unsigned int feature) {
    call.live(feature);
    const Record* r = find(feature);
    if (!r) call.fail(FEAT_ERR_NOT_A_FEATURE, "tag %u is no feature", feature);
    return *r;
}

void host::feature::hand_out(const std::vector<unsigned int>& tags, int* count, unsigned int** out) {
    *count = static_cast<int>(tags.size());
    *out = nullptr;
    if (tags.empty()) return;
    *out = static_cast<unsigned int*>(SM_alloc(tags.size() * sizeof(unsigned int)));
    std::copy(tags.begin(), tags.end(), *out);
}
