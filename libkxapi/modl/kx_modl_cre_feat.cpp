// Form features: holes, bosses and cylindrical pockets on a planar face.
// Every creator checks its arguments before anything changes, writes the
// location and direction as "%.15g" texts for the host, and makes the
// feature inside an undo mark named after it; a failure anywhere after the
// mark (the host's build, the positioning routine, a host that answers 0
// without a feature) rolls the model back to the mark and deletes it.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "kx_codes.h"
#include "kx_modl_cre_feat.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/modl/kx_modl_cre_feat_shared.h"
#include "libkxapi/modl/kx_modl_list.h"
#include "libkxapi/modl/kx_modl_operation.h"

#include "host/feature/form_features.h"
#include "host/kernel/face_data.h"
#include "host/services/error.h"
#include "host/support/support.h"

namespace {

constexpr const char* kModule = "kx_modl_cre_feat";
constexpr const char* kHoleMark = "Create hole (Kestrix Extension)";
constexpr const char* kBossMark = "Create Boss (Kestrix Extension)";
constexpr const char* kPocketMark = "Create pocket (Kestrix Extension)";
constexpr const char* kChamferMark = "Create Chamfer (Kestrix Extension)";
constexpr int kSingleOffset = 1;

kx::modl::rpo_routine_t g_rpo = nullptr;

bool finite(const double v[3]) { return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]); }

// A direction the host can take: finite and of a length.
bool usable_direction(const double d[3]) {
    return finite(d) && std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]) > 1e-10;
}

// The location and direction checks every creator makes first.
int check_placement(const double location[3], const double direction[3]) {
    if (!location || !finite(location)) return kx::param(1);
    if (!direction || !usable_direction(direction)) return kx::param(2);
    return 0;
}

// Three coordinate texts of a vector, "%.15g" each.
struct Coordinates {
    std::string text[3];
    const char* ptr[3];
    explicit Coordinates(const double v[3]) {
        for (int i = 0; i < 3; ++i) {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%.15g", v[i]);
            text[i] = buf;
            ptr[i] = text[i].c_str();
        }
    }
};

// The placement must be a planar face.
int check_planar(tag face) {
    int type = 0;
    pxzrus_(&face, &type);
    if (type != PX_FACE_PLANE) ERROR_raise(kModule, __LINE__, KX_MODL_ERR_NOT_PLANAR_FACE, "Must supply a planar face");
    return 0;
}

// The common road after the argument checks: under the kind's mark, the
// host builds the feature (host_build writes its status), the positioning
// routine runs on it, and the feature goes to *feature only when every step
// answered 0.
template <class Build>
int create_feature(const char* mark, tag face, tag* feature, Build&& host_build) {
    return kx::frame(kx::modl::kEditFrame, [&]() -> int {
        return kx::undo_bracket(1, mark, [&]() -> int {
            check_planar(face);
            int st = 0;
            host_build(&st);
            if (st != 0) return st;
            const tag made = FORMF_ask_created_frec();
            if (made == NULL_TAG) return KX_MODL_ERR_NO_FEATURE_CREATED;
            if (int rpo = kx::modl::run_rpo_routine(made)) return rpo;
            *feature = made;
            return 0;
        });
    });
}

}  // namespace

namespace kx::modl {

void set_rpo_routine(rpo_routine_t routine) { g_rpo = routine; }
rpo_routine_t rpo_routine() { return g_rpo; }

int run_rpo_routine(tag feature) {
    const rpo_routine_t routine = g_rpo;
    if (!routine) return 0;
    int result = 0;
    const int before = RTENV_set_jqopen_env();
    const int raised = kx::frame(kx::modl::kEditFrame, [&]() -> int {
        result = routine(feature);
        return 0;
    });
    RTENV_set_env(before);
    if (raised != 0) {
        ERROR_note(kModule, __LINE__, "User induced error caught in RPO callback.");
        return 0;
    }
    return result;
}

}  // namespace kx::modl

extern "C" KXAPI int KX_MODL_create_simple_hole(double location[3], double direction[3], const char* diameter,
                                                const char* depth, const char* tip_angle, tag face, tag thru_face,
                                                tag* feature) {
    return kx::guarded([&]() -> int {
        if (feature) *feature = NULL_TAG;
        if (int st = check_placement(location, direction)) return st;
        const bool through = thru_face != NULL_TAG;
        if (int st = kx::check({{diameter, 3}, {through || depth, 4}, {through || tip_angle, 5}, {feature, 8}}))
            return st;
        const Coordinates at(location), along(direction);
        // A hole bounded by a through face uses no depth and no tip angle.
        const char* const parms[3] = {diameter, through ? "1.0" : depth, through ? "0.0" : tip_angle};
        return create_feature(kHoleMark, face, feature, [&](int* st) {
            FORMF_create_simple_hole(at.ptr, along.ptr, parms, face, thru_face, st);
        });
    });
}

extern "C" KXAPI int KX_MODL_create_boss(double location[3], double direction[3], const char* diameter,
                                         const char* height, const char* taper_angle, tag face, tag* feature) {
    return kx::guarded([&]() -> int {
        if (feature) *feature = NULL_TAG;
        if (int st = check_placement(location, direction)) return st;
        if (int st = kx::check({{diameter, 3}, {height, 4}, {taper_angle, 5}, {feature, 7}})) return st;
        const Coordinates at(location), along(direction);
        const char* const parms[3] = {diameter, height, taper_angle};
        return create_feature(kBossMark, face, feature,
                              [&](int* st) { FORMF_create_boss(at.ptr, along.ptr, parms, face, st); });
    });
}

extern "C" KXAPI int KX_MODL_create_cyl_pocket(double location[3], double direction[3], const char* diameter,
                                               const char* depth, const char* corner_radius, const char* floor_radius,
                                               tag face, tag* feature) {
    return kx::guarded([&]() -> int {
        if (feature) *feature = NULL_TAG;
        if (int st = check_placement(location, direction)) return st;
        if (int st = kx::check({{diameter, 3}, {depth, 4}, {corner_radius, 5}, {floor_radius, 6}, {feature, 8}}))
            return st;
        const Coordinates at(location), along(direction);
        const char* const parms[4] = {diameter, depth, corner_radius, floor_radius};
        return create_feature(kPocketMark, face, feature,
                              [&](int* st) { FORMF_create_cyl_pocket(at.ptr, along.ptr, parms, face, st); });
    });
}

extern "C" KXAPI int KX_MODL_create_chamfer(int type, const char* offset1, const char* offset2, const char* angle,
                                            tag_list* edges, tag* feature) {
    return kx::guarded([&]() -> int {
        if (feature) *feature = NULL_TAG;
        // A single-offset chamfer uses its first text only; the others may
        // be null and are kept as "0.0".
        const bool single = type == kSingleOffset;
        if (int st = kx::check({{offset1, 2}, {single || offset2, 3}, {single || angle, 4}, {feature, 6}})) return st;
        const char* const texts[3] = {offset1, offset2 ? offset2 : "0.0", angle ? angle : "0.0"};
        return kx::frame(kx::modl::kEditFrame, [&]() -> int {
            return kx::undo_bracket(1, kChamferMark, [&]() -> int {
                int n = 0;
                KX_MODL_ask_list_count(edges, &n);
                if (n == 0) return KX_MODL_ERR_NO_EDGES;
                std::vector<unsigned int> list;
                for (int i = 0; i < n; ++i) {
                    tag edge = NULL_TAG;
                    KX_MODL_ask_list_item(edges, i, &edge);
                    if (edge != NULL_TAG) list.push_back(edge);
                }
                if (list.empty()) return KX_MODL_ERR_NO_EDGES;
                int st = 0;
                FORMF_create_chamfer(type, texts[0], texts[1], texts[2], static_cast<int>(list.size()), list.data(),
                                     &st);
                if (st != 0) return st;
                const tag made = FORMF_ask_created_frec();
                if (made == NULL_TAG) return KX_MODL_ERR_NO_FEATURE_CREATED;
                *feature = made;
                return 0;
            });
        });
    });
}
