// Smart directions of faces and planes: the normal of a plane, the axis of
// a face's surface, a face's normal at a point, and directions at places of
// a face with their defining record read back.
#include "kx_so.h"
#include "libkxapi/so/kx_so_internal.h"

namespace {

constexpr const char* kModule = "kx_so_dirr";

}  // namespace

extern "C" {

KXAPI int KX_SO_create_dirr_plane(tag owner, int option, tag plane, int reverse, tag* dirr) {
    return kx::so::create({{owner != NULL_TAG, 1}, {plane != NULL_TAG, 3}, {dirr, 5}}, dirr,
                          [&] { return DIRR_create_plane(owner, option, plane, reverse); });
}

KXAPI int KX_SO_create_dirr_surface_axis(tag owner, int option, tag surface, int reverse, tag* dirr) {
    return kx::so::create({{owner != NULL_TAG, 1}, {surface != NULL_TAG, 3}, {dirr, 5}}, dirr,
                          [&] { return DIRR_create_axis_of_surface(owner, option, surface, reverse); });
}

KXAPI int KX_SO_create_dirr_normal_to_surface_point(tag owner, int option, tag surface, tag point, int reverse,
                                                    tag* dirr) {
    return kx::so::create({{owner != NULL_TAG, 1}, {surface != NULL_TAG, 3}, {point != NULL_TAG, 4}, {dirr, 6}}, dirr,
                          [&] { return DIRR_create_nor_to_surf_pt(owner, option, surface, point, reverse); });
}

KXAPI int KX_SO_create_dirr_on_surf(tag owner, int option, surface_dirr_data* data, tag* dirr) {
    return kx::so::create({{owner != NULL_TAG, 1}, {kx::so::face_record_ok(data, 3), 3}, {dirr, 4}}, dirr, [&] {
        return DIRR_create_on_surf(owner, option, data->surface, &data->first, data->kind, data->reference, data->flag);
    });
}

KXAPI int KX_SO_ask_dirr_on_surf(tag dirr, surface_dirr_data* data) {
    return kx::so::ask_status({{dirr != NULL_TAG, 1}, {data, 2}}, [&] {
        SO_parms_t parms;
        if (int st = kx::so::read_parms(dirr, "DIRR_on_surf_parms_c", kModule, __LINE__, &parms)) return st;
        data->surface = parms.parents[0];
        data->first = parms.parents[1];
        data->second = parms.parents[2];
        data->kind = static_cast<int>(parms.numbers[0]);
        if (data->kind == 3) data->reference = parms.parents[3];
        data->flag = parms.numbers[1] != 0;
        return 0;
    });
}

}  // extern "C"
