// What the host's curve features share (host/apps/modeling/curvefeat/curvefeat.h): their
// output curves, parents and inputs' fingerprints, the update hook, tag
// sets, the curves of curve features and the planar normal of a table's
// slot.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/groups.h"
#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/trimcurve/trim_curves.h"
#include "host/base/hook.h"
#include "host/kernel/curves/derived_curves.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/links.h"
#include "host/apps/modeling/section/section.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

using tag_t = unsigned int;

const char* const kKinds[] = {"BRIDGE_CURVE", "PROJECTED_CURVE", "COMBINED_CURVE", "INTERSECTION_CURVE", "ISOCLINE_CURVE",
 "JOINED_CURVE", "WRAP_CURVE", "OFFSET_CURVE", "SPLINE"};

// The results of a live feature that makes curves, handed out.
void hand_out_results(tag_t feature, int* count, tag_t** curves) {
    const std::vector<tag_t>& r = host::feature::find(feature)->results;
    *count = static_cast<int>(r.size());
    *curves = host::curvefeat::hand_out(r);
}

bool is_curve_feature(tag_t feature) {
    const host::feature::Record* r = host::objects::is_alive(feature) ? host::feature::find(feature) : nullptr;
    if (!r) return false;
    for (const char* k : kKinds)
        if (r->kind == k) return true;
    return false;
}

struct Sets {
    int next = 1;
    std::map<int, std::vector<tag_t>> sets;
};
Sets& sets() { return host::service_state<Sets>("tag sets"); }
const bool registered = (sets(), true);

std::vector<tag_t>& set_of(const host::Call& call, int set) {
    auto it = sets().sets.find(set);
    if (it == sets().sets.end()) call.fail(HOST_ERR_BAD_ARGUMENT, "%d is no tag set", set);
    return it->second;
}

}  // namespace

namespace host::curvefeat {

tag_t new_curve(const hostnum::Curve& curve) {
    const tag_t t = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_SPLINE, 0, 0});
    host::curves::attach_curve(t, curve);
    return t;
}

std::vector<tag_t> renew(const std::vector<tag_t>& outputs, const std::vector<hostnum::Curve>& curves) {
    std::vector<tag_t> now;
    for (std::size_t i = 0; i < curves.size(); ++i) {
        if (i < outputs.size() && host::objects::is_alive(outputs[i])) {
            host::curves::attach_curve(outputs[i], curves[i]);
            now.push_back(outputs[i]);
        } else {
            now.push_back(host::curvefeat::new_curve(curves[i]));
        }
    }
    for (std::size_t i = curves.size(); i < outputs.size(); ++i)
        if (host::objects::is_alive(outputs[i])) host::entity::destroy_with_dependents(outputs[i]);
    return now;
}

tag_t* hand_out(const std::vector<tag_t>& tags) {
    if (tags.empty()) return nullptr;
    auto* out = static_cast<tag_t*>(SM_alloc(sizeof(tag_t) * tags.size()));
    std::copy(tags.begin(), tags.end(), out);
    return out;
}

std::vector<tag_t> producers(const std::vector<tag_t>& objects) {
    std::vector<tag_t> out;
    for (tag_t o : objects) {
        // A curve feature given as input is a parent itself.
        const tag_t f = !host::objects::is_alive(o) ? 0 : is_curve_feature(o) ? o : DCRV_ask_feature_of_dcurve(o);
        if (f && std::find(out.begin(), out.end(), f) == out.end()) out.push_back(f);
    }
    return out;
}

std::vector<double> fingerprint(const std::vector<tag_t>& objects) {
    std::vector<double> out;
    for (tag_t o : objects) {
        out.push_back(o);
        if (!host::objects::is_alive(o)) continue;
        if (const auto c = host::kernel::curvefeat::curve_record(o)) {
            double lim[2];
            hostnum::curve_limits(c->record(), lim);
            for (int i = 0; i <= 4; ++i) {
                double p[3] = {0, 0, 0};
                hostnum::curve_evaluate(c->record(), 0, lim[0] + (lim[1] - lim[0]) * i / 4, p, nullptr);
                out.insert(out.end(), p, p + 3);
            }
        } else if (const int body = host::kernel::entity_of(o); body && host::kernel::body_of(body) == body) {
            // A body changes with any of its faces.
            std::vector<tag_t> faces;
            for (int f : host::kernel::faces_of(body)) faces.push_back(host::kernel::object_of(f));
            const std::vector<double> of_faces = fingerprint(faces);
            out.push_back(static_cast<double>(faces.size()));
            out.insert(out.end(), of_faces.begin(), of_faces.end());
        } else if (host::kernel::face_of_object(o)) {
            double box[6];
            if (host::kernel::face_box(o, box)) out.insert(out.end(), box, box + 6);
            host::kernel::SurfaceData s;
            if (host::kernel::face_surface(o, &s)) {
                out.insert(out.end(), s.origin, s.origin + 3);
                out.insert(out.end(), s.axis, s.axis + 3);
                out.insert(out.end(), s.radii, s.radii + 2);
            }
        } else if (ES_ask_entity_type(o) == HOST_TYPE_POINT) {
            double p[3];
            ES_ask_coordinates_of_point(o, p);
            out.insert(out.end(), p, p + 3);
        } else if (ES_ask_entity_type(o) == HOST_TYPE_PLANE || ES_ask_entity_type(o) == HOST_TYPE_DATUM_PLANE) {
            // Datum planes too (ES_ask_plane_data takes planes only).
            double d[6];
            if (host::profiles::direction_data(o, d, d + 3)) out.insert(out.end(), d, d + 6);
        }
    }
    return out;
}

void add_to_set(int set, const std::vector<tag_t>& tags) {
    auto it = sets().sets.find(set);
    if (it != sets().sets.end()) it->second.insert(it->second.end(), tags.begin(), tags.end());
}

void follow_updates(void (*follow)()) { host::feature::add_follower(follow); }

void follow_kind(const char* routine, const char* kind, const Follower& follower) {
    const host::Call call(routine, nullptr);
    for (tag_t f : features_of_kind(kind)) {
        const std::vector<double>* before = follower.made_from(f);
        if (!before) continue;
        const std::vector<double> now = follower.now(f);
        if (now == *before) continue;
        std::string text;
        const int code = host::feature::caught([&] { follower.remake(call, f, now); }, &text);
        if (code != 0) call.fail(code, "%s failed to update: %s", host::feature::display_name(f).c_str(), text.c_str());
    }
}

int table_of(const std::vector<host::profiles::Strings>& slots, const double tolerances[2]) {
    int table = 0;
    CMP_RT_init(static_cast<int>(slots.size()), &table);
    for (std::size_t i = 0; i < slots.size(); ++i) {
        std::vector<int> per = slots[i].per_string, dir = slots[i].dir;
        std::vector<tag_t> objects = slots[i].objects;
        const CMP_strings_t s{static_cast<int>(per.size()), per.data(), dir.data(), objects.data()};
        CMP_RT_from_string(&s, tolerances, 0, static_cast<int>(i), table);
    }
    return table;
}

std::vector<tag_t> features_of_kind(const char* kind) {
    std::vector<tag_t> out;
    for (tag_t part : host::parts::loaded_parts())
        for (tag_t f : host::feature::features_of_part(part)) {
            const host::feature::Record* r = host::feature::find(f);
            if (r && r->kind == kind && !host::feature::is_inactive(f)) out.push_back(f);
        }
    return out;
}

}  // namespace host::curvefeat

extern "C" {

void TS_create_set(int* set) {
    auto call = HOST_ENTRY(set);
    call.need(set, "the set output");
    *set = sets().next++;
    sets().sets[*set];
}

void TS_ask_set(int set, int* count, unsigned int** tags) {
    auto call = HOST_ENTRY(set, count, tags);
    call.need(count, "the count output");
    call.need(tags, "the tags output");
    const std::vector<tag_t>& s = set_of(call, set);
    *count = static_cast<int>(s.size());
    *tags = host::curvefeat::hand_out(s);
}

void TS_free_set(int set) {
    auto call = HOST_ENTRY(set);
    set_of(call, set);
    sets().sets.erase(set);
}

int CMP_RT_planar_normal(int table, int slot, double normal[3]) {
    auto call = HOST_ENTRY(table, slot, normal);
    if (int status; call.status(status)) return status;
    call.need(normal, "the normal output");
    CMP_strings_t s{};
    CMP_RT_to_string(table, slot, &s);
    double point[3];
    const int planar = CMP_find_planar_normal(s.per_string ? s.per_string[0] : 0, s.objects, normal, point);
    SM_free(s.per_string);
    SM_free(s.dir);
    SM_free(s.objects);
    return planar ? 1 : 2;
}

int DCRV_is_developed_curve_feature(unsigned int feature) {
    HOST_ENTRY(feature);
    return is_curve_feature(feature) ? 1 : 0;
}

void DCRV_ask_dcurves_of_feature(unsigned int feature, int* count, unsigned int** curves) {
    auto call = HOST_ENTRY(feature, count, curves);
    call.need(count, "the count output");
    call.need(curves, "the curves output");
    call.live(feature);
    if (!is_curve_feature(feature)) call.fail(CURVEFEAT_ERR_WRONG_FEATURE, "tag %u is no curve feature", feature);
    hand_out_results(feature, count, curves);
}

int FREC_collect_all_dcurve(unsigned int feature, int* count, unsigned int** curves) {
    auto call = HOST_ENTRY(feature, count, curves);
    call.need(count, "the count output");
    call.need(curves, "the curves output");
    *count = 0;
    *curves = nullptr;
    if (!is_curve_feature(feature) && !TRCRV_is_trim_frec(feature) && !INTSEC_is_section_frec(feature)) return 0;
    hand_out_results(feature, count, curves);
    return 1;
}

unsigned int DCRV_ask_feature_of_dcurve(unsigned int curve) {
    auto call = HOST_ENTRY(curve);
    call.live(curve);
    const tag_t part = host::objects::require(curve).part;
    for (tag_t f : host::feature::features_of_part(part)) {
        const auto& r = host::feature::find(f)->results;
        if (std::find(r.begin(), r.end(), curve) != r.end()) return f;
    }
    return 0;
}

void es1500_(unsigned int* group) {
    auto call = HOST_ENTRY(group);
    call.need(group, "the group output");
    const tag_t work = CONTEXT_ask_work_part();
    if (work == 0) call.fail(HOST_ERR_DEAD_TAG, "no work part");
    *group = host::entity::create({OM_CLASS_RM_ENTITY, HOST_TYPE_GROUP, 0, work});
}

}  // extern "C"
