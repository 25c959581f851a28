// Primitives: blocks, cones, cylinders and spheres. The plain forms run
// the feature edit frame (an unnamed mark, the target made the current
// part's boolean target) around the forms with the suffix 1, which write
// their points into process-wide text slots and call the host's creators.
#include "kx_modl_cre_prim.h"

#include "kx_codes.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/modl/kx_modl_edit_frame.h"

#include "host/model/feature/feature.h"
#include "host/apps/modeling/primitive/primitives.h"

namespace km = kx::modl;

namespace {

constexpr const char* kModule = "kx_modl_cre_prim";

// The text slots of one point (X, Y, Z) and the pointers to them that the
// host's creators take in its place. Rewritten by every call of their
// creator.
struct PointSlots {
    char text[3][PRIM_SLOT_CHARS];
    const char* at[3] = {text[0], text[1], text[2]};

    const char* const* write(const double p[3]) {
        for (int i = 0; i < 3; ++i) percent_g(text[i], p[i]);
        return at;
    }
};
PointSlots g_block_corner, g_sphere_centre, g_cone_origin, g_cone_direction, g_cyl_origin, g_cyl_direction;

// True when the n texts are given.
bool given(const char* const* texts, int n) {
    if (!texts) return false;
    for (int i = 0; i < n; ++i)
        if (!texts[i]) return false;
    return true;
}

// The host creator's answer: its status, and on success the new feature's
// tag in *out. The record is read by reference, after the creator wrote it.
int made(int status, const unsigned int& record, tag* out) {
    if (status == 0) *out = CM_ask_eid_of_object(record);
    return status;
}

// ---- The forms with the suffix 1, without a guard of their own ----------

int create_block1(int sign, const double corner[3], const char* const edge_len[3], tag* block) {
    if (int st = kx::check({{corner, 2}, {given(edge_len, 3), 3}, {block, 4}})) return st;
    unsigned int record = 0;
    return made(pxcreblk1(sign, g_block_corner.write(corner), edge_len, &record), record, block);
}

int create_cone1(int sign, const double origin[3], const char* const diameters[2], const char* height,
                 const double direction[3], tag* cone) {
    if (int st = kx::check({{origin, 2}, {given(diameters, 2), 3}, {height, 4}, {direction, 5}, {cone, 6}})) return st;
    unsigned int record = 0;
    const char* const* at = g_cone_origin.write(origin);
    const char* const* along = g_cone_direction.write(direction);
    return made(pxcrecone1(sign, at, diameters, height, along, &record), record, cone);
}

int create_cyl1(int sign, const double origin[3], const char* height, const char* diameter, const double direction[3],
                tag* cylinder) {
    if (int st = kx::check({{origin, 2}, {height, 3}, {diameter, 4}, {direction, 5}, {cylinder, 6}})) return st;
    unsigned int record = 0;
    const char* const* at = g_cyl_origin.write(origin);
    const char* const* along = g_cyl_direction.write(direction);
    return made(pxcrecyl1(sign, at, height, diameter, along, &record), record, cylinder);
}

int create_sphere1(int sign, const double center[3], const char* diameter, tag* sphere) {
    if (int st = kx::check({{center, 2}, {diameter, 3}, {sphere, 4}})) return st;
    unsigned int record = 0;
    return made(pxcresphere1(sign, g_sphere_centre.write(center), diameter, &record), record, sphere);
}

// ---- The plain forms ---------------------------------------------------------

// The frame of a plain form: the sign and the target, then the arguments'
// checks (numbered as the plain form numbers them) before anything; under
// the frame's mark the target becomes the boolean target and create(&made)
// makes the primitive. The caller's output is written only when the whole
// call succeeded.
template <class Create>
int primitive(int sign, tag target, std::initializer_list<kx::Arg> args, tag* out, Create&& create) {
    tag made_tag = NULL_TAG;
    const int st = km::edit_frame(
        km::kPrimitiveFrame,
        [&] {
            if (sign < FEAT_SIGN_NEW || sign > FEAT_SIGN_INTERSECT) return kx::param(1);
            if (sign != FEAT_SIGN_NEW && target == NULL_TAG) return kx::param(2);
            return kx::check(args);
        },
        [&] {
            km::set_boolean_target(kModule, __LINE__, sign, target);
            return create(&made_tag);
        });
    if (st == 0) *out = made_tag;
    return st;
}

}  // namespace

extern "C" {

KXAPI int KX_MODL_create_block(int sign, tag target, double corner[3], const char* edge_len[3], tag* block) {
    return primitive(sign, target, {{corner, 3}, {given(edge_len, 3), 4}, {block, 5}}, block,
                     [&](tag* out) { return create_block1(sign, corner, edge_len, out); });
}

KXAPI int KX_MODL_create_cone(int sign, tag target, double origin[3], const char* diameters[2], const char* height,
                              double direction[3], tag* cone) {
    return primitive(sign, target, {{origin, 3}, {given(diameters, 2), 4}, {height, 5}, {direction, 6}, {cone, 7}},
                     cone, [&](tag* out) { return create_cone1(sign, origin, diameters, height, direction, out); });
}

KXAPI int KX_MODL_create_cylinder(int sign, tag target, double origin[3], const char* height, const char* diameter,
                                  double direction[3], tag* cylinder) {
    return primitive(sign, target, {{origin, 3}, {height, 4}, {diameter, 5}, {direction, 6}, {cylinder, 7}}, cylinder,
                     [&](tag* out) { return create_cyl1(sign, origin, height, diameter, direction, out); });
}

KXAPI int KX_MODL_create_sphere(int sign, tag target, double center[3], const char* diameter, tag* sphere) {
    return primitive(sign, target, {{center, 3}, {diameter, 4}, {sphere, 5}}, sphere,
                     [&](tag* out) { return create_sphere1(sign, center, diameter, out); });
}

KXAPI int KX_MODL_create_block1(int sign, double corner[3], const char* edge_len[3], tag* block) {
    return kx::guarded([&] { return create_block1(sign, corner, edge_len, block); });
}

KXAPI int KX_MODL_create_cone1(int sign, double origin[3], const char* diameters[2], const char* height,
                               double direction[3], tag* cone) {
    return kx::guarded([&] { return create_cone1(sign, origin, diameters, height, direction, cone); });
}

KXAPI int KX_MODL_create_cyl1(int sign, double origin[3], const char* height, const char* diameter,
                              double direction[3], tag* cylinder) {
    return kx::guarded([&] { return create_cyl1(sign, origin, height, diameter, direction, cylinder); });
}

KXAPI int KX_MODL_create_sphere1(int sign, double center[3], const char* diameter, tag* sphere) {
    return kx::guarded([&] { return create_sphere1(sign, center, diameter, sphere); });
}

}  // extern "C"
