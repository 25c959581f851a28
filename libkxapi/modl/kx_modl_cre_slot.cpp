// Slots and grooves: the slot creators check their last text first (it may
// be null only with both through faces, "1.0" taking its place), the
// groove creators place on a turned face; both go the shared road of the
// form features (kx_modl_cre_feat.cpp).
#include <algorithm>
#include <cmath>

#include "kx_codes.h"
#include "kx_modl_cre_feat.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/modl/kx_modl_cre_feat_shared.h"

#include "host/apps/modeling/form/form_features.h"

namespace {

namespace km = kx::modl;

constexpr const char* kSlotMark = "Create Slot (Kestrix Extension)";
constexpr const char* kGrooveMark = "Create Groove (Kestrix Extension)";

using SlotRoutine = void (*)(const char* const[3], const char* const[3], const char* const[3], const char* const[],
                             int*);

// texts: the slot's n texts in order, the last at argument position 3 + n.
int create_slot(SlotRoutine routine, double location[3], double direction[3], double x_direction[3], int n,
                const char* texts[], tag face, tag thru1, tag thru2, tag* feature, int feature_position) {
    if (feature) *feature = NULL_TAG;
    const bool through = thru1 != NULL_TAG && thru2 != NULL_TAG;
    // The last text first: null only through both faces.
    if (!texts[n - 1] && !through) return kx::param(3 + n);
    if (int st = km::check_placement(location, direction)) return st;
    if (!x_direction || !std::isfinite(x_direction[0]) || !std::isfinite(x_direction[1]) ||
        !std::isfinite(x_direction[2]) ||
        std::sqrt(x_direction[0] * x_direction[0] + x_direction[1] * x_direction[1] +
                  x_direction[2] * x_direction[2]) <= 1e-10)
        return kx::param(3);
    for (int i = 0; i + 1 < n; ++i)
        if (!texts[i]) return kx::param(4 + i);
    // Arguments past the tenth share the tenth's code.
    if (!feature) return kx::param(std::min(feature_position, 10));
    const char* parms[5] = {};
    for (int i = 0; i < n; ++i) parms[i] = texts[i];
    if (!parms[n - 1]) parms[n - 1] = "1.0";
    const km::Coordinates at(location), along(direction), across(x_direction);
    km::Placed how{km::Road::slot, kSlotMark, direction, face, thru1, thru2, x_direction};
    return km::create_placed(how, feature, [&](int* st) { routine(at.ptr, along.ptr, across.ptr, parms, st); });
}

using GrooveRoutine = void (*)(const char* const[3], const char* const[3], const char* const[], int*);

int create_groove(GrooveRoutine routine, double location[3], double direction[3], int n, const char* texts[], tag face,
                  tag* feature, int feature_position) {
    if (feature) *feature = NULL_TAG;
    if (int st = km::check_placement(location, direction)) return st;
    for (int i = 0; i < n; ++i)
        if (!texts[i]) return kx::param(3 + i);
    if (!feature) return kx::param(feature_position);
    const km::Coordinates at(location), along(direction);
    km::Placed how{km::Road::groove, kGrooveMark, direction, face};
    return km::create_placed(how, feature, [&](int* st) { routine(at.ptr, along.ptr, texts, st); });
}

}  // namespace

KXAPI int KX_MODL_create_ball_slot(double location[3], double direction[3], double x_direction[3],
                                              const char* ball_diameter, const char* depth, const char* length,
                                              tag face, tag thru_face1, tag thru_face2, tag* feature) {
    return kx::guarded([&]() -> int {
        const char* texts[3] = {ball_diameter, depth, length};
        return create_slot(ui_create_ball_slot, location, direction, x_direction, 3, texts, face, thru_face1,
                           thru_face2, feature, 10);
    });
}

KXAPI int KX_MODL_create_rect_slot(double location[3], double direction[3], double x_direction[3],
                                              const char* width, const char* depth, const char* length, tag face,
                                              tag thru_face1, tag thru_face2, tag* feature) {
    return kx::guarded([&]() -> int {
        const char* texts[3] = {width, depth, length};
        return create_slot(ui_create_rect_slot, location, direction, x_direction, 3, texts, face, thru_face1,
                           thru_face2, feature, 10);
    });
}

KXAPI int KX_MODL_create_dove_tail_slot(double location[3], double direction[3], double x_direction[3],
                                                   const char* width, const char* depth, const char* angle,
                                                   const char* length, tag face, tag thru_face1, tag thru_face2,
                                                   tag* feature) {
    return kx::guarded([&]() -> int {
        const char* texts[4] = {width, depth, angle, length};
        return create_slot(ui_create_dove_tail_slot, location, direction, x_direction, 4, texts, face, thru_face1,
                           thru_face2, feature, 11);
    });
}

KXAPI int KX_MODL_create_u_slot(double location[3], double direction[3], double x_direction[3],
                                           const char* width, const char* depth, const char* corner_radius,
                                           const char* length, tag face, tag thru_face1, tag thru_face2, tag* feature) {
    return kx::guarded([&]() -> int {
        const char* texts[4] = {width, depth, corner_radius, length};
        return create_slot(ui_create_u_slot, location, direction, x_direction, 4, texts, face, thru_face1, thru_face2,
                           feature, 11);
    });
}

KXAPI int KX_MODL_create_t_slot(double location[3], double direction[3], double x_direction[3],
                                           const char* top_width, const char* top_depth, const char* bottom_width,
                                           const char* bottom_depth, const char* length, tag face, tag thru_face1,
                                           tag thru_face2, tag* feature) {
    return kx::guarded([&]() -> int {
        const char* texts[5] = {top_width, top_depth, bottom_width, bottom_depth, length};
        return create_slot(ui_create_t_slot, location, direction, x_direction, 5, texts, face, thru_face1, thru_face2,
                           feature, 12);
    });
}

KXAPI int KX_MODL_create_ball_groove(double location[3], double direction[3], const char* groove_diameter,
                                                const char* ball_diameter, tag face, tag* feature) {
    return kx::guarded([&]() -> int {
        const char* texts[2] = {groove_diameter, ball_diameter};
        return create_groove(ui_create_ball_groove, location, direction, 2, texts, face, feature, 6);
    });
}

KXAPI int KX_MODL_create_rect_groove(double location[3], double direction[3], const char* groove_diameter,
                                                const char* width, tag face, tag* feature) {
    return kx::guarded([&]() -> int {
        const char* texts[2] = {groove_diameter, width};
        return create_groove(ui_create_rect_groove, location, direction, 2, texts, face, feature, 6);
    });
}

KXAPI int KX_MODL_create_u_groove(double location[3], double direction[3], const char* groove_diameter,
                                             const char* width, const char* corner_radius, tag face, tag* feature) {
    return kx::guarded([&]() -> int {
        const char* texts[3] = {groove_diameter, width, corner_radius};
        return create_groove(ui_create_u_groove, location, direction, 3, texts, face, feature, 7);
    });
}
