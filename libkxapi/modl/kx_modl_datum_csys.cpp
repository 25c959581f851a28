// Datum coordinate systems: made from a smart transform, and their
// components and transform read back.
#include <array>
#include <cstring>

#include "kx_codes.h"
#include "kx_modl_datum_csys.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/modl/kx_modl_query.h"

#include "host/store/entities/edit_log.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/entities/entity_store.h"
#include "host/apps/modeling/datum/datum_csys.h"
#include "host/model/feature/feature.h"
#include "host/model/smart/smart.h"

namespace {

constexpr const char* kMark = "Create datum CSYS from XFORM (Kestrix Extension)";
constexpr int kUpdateOption = 1;

// Host errors of the creation are acknowledged after their code is taken;
// it does not check initialisation.
constexpr kx::Opts kCreate{.check_init = false, .arm = true, .arm_first = true, .acknowledge = kx::every_code};

// The parameter classes a datum coordinate system is made from.
constexpr const char* kClasses[] = {"XFORM_point_two_dirs_parms_c", "XFORM_three_planes_parms_c",
                                    "XFORM_three_points_parms_c", "XFORM_offset_xform_parms_c"};

// A live smart transform made with the update option the datum takes.
bool usable_xform(tag xform) {
    if (xform == NULL_TAG || !TAG_ask_pointer_of_tag(xform)) return false;
    const OM_class_t cls = OM_ask_class_of_name("XFORM_c");
    if (cls == 0 || !OM_is_subclass(OM_ask_class(xform), cls) || !SO_is_subclass(xform)) return false;
    return SO_ask_update_option(xform) == kUpdateOption;
}

// Parameters of one of the classes; a transform without parameters (one
// that lost them) passes. The host names the parameters of a transform of
// a point and two directions (X and Y, X and Z, Y and Z) like those of one
// of plain values, "XFORM_parms_c": they are told apart by their parents
// (the point, the two directions and the scale).
bool usable_parms(tag xform) {
    if (!SO_is_so(xform) || RM_ask_got_dumb_state(xform)) return true;
    SO_parms_t parms{};
    SO_ask_parms(xform, &parms);
    if (!parms.parms_class) return false;
    if (std::strcmp(parms.parms_class, "XFORM_parms_c") == 0) return parms.n_parents >= 3;
    for (const char* c : kClasses)
        if (std::strcmp(parms.parms_class, c) == 0) return true;
    return false;
}

// The argument checks before and after the mark.
int check_object_and_xform(tag object, tag xform) {
    if (object == NULL_TAG) return kx::param(1);
    return usable_xform(xform) ? 0 : kx::param(2);
}

}  // namespace

KXAPI int KX_MODL_create_datum_csys(tag object, tag xform, int option, tag* feature) {
    return kx::frame(kCreate, [&]() -> int {
        kx::clear(feature);
        if (int st = check_object_and_xform(object, xform)) return st;
        if (!feature) return kx::param(4);
        if (!usable_parms(xform)) return kx::param(2);
        tag made = NULL_TAG;
        const int st = kx::undo_bracket(1, kMark, [&]() -> int {
            if (int code = check_object_and_xform(object, xform)) return code;
            const tag csys = CSYSTEM_xform_create(object, CSYSTEM_KIND_XFORM, xform);
            unsigned int record = 0;
            if (int code = DATUM_CSYS_create_feature(csys, option, &record)) return code;
            if (record == 0) return 0;
            made = record;
            return UPDATE_do_update();
        });
        if (st == 0) *feature = made;
        return st;
    });
}

KXAPI int KX_MODL_ask_datum_csys_components(tag feature, tag* csys, tag* origin, tag dplanes[3],
                                                       tag daxes[3]) {
    return kx::frame(kx::no_check, [&]() -> int {
        if (!kx::modl::is_feature(feature)) return kx::param(1);
        if (int st = kx::check({{csys, 2}, {origin, 3}, {dplanes, 4}, {daxes, 5}})) return st;
        const tag system = DATUM_CSYS_ask_csys_tag_of_datum_csys(feature);
        std::array<unsigned int, DATUM_CSYS_COMPONENTS> c{};
        DATUM_CSYS__ask_feature_components(feature, c.data());
        *csys = system;
        *origin = c[0];
        for (int i = 0; i < 3; ++i) {
            daxes[i] = c[1 + i];
            dplanes[i] = c[4 + i];
        }
        return 0;
    });
}

KXAPI tag KX_MODL_ask_xform_tag_of_datum_csys(tag feature) {
    tag xform = NULL_TAG;
    kx::frame(kx::no_check, [&]() -> int {
        if (!kx::modl::is_feature(feature)) return kx::param(1);
        const tag csys = DATUM_CSYS_ask_csys_tag_of_datum_csys(feature);
        if (csys == NULL_TAG) return kx::param(1);
        xform = CSYSTEM_ask_xform(csys);
        return 0;
    });
    return xform;
}
