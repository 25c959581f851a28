// Smart offsets of curvature: the curvature vector of a curve at a
// fraction of its range and of a face at a place along a direction, with
// their defining records read back.
#include "kx_so.h"
#include "libkxapi/so/kx_so_internal.h"

namespace {

constexpr const char* kModule = "kx_so_offset";

}  // namespace

extern "C" {

KXAPI int KX_SO_create_offset_curve_cvtr(tag owner, int option, curve_cvtr_data* data, tag* offset) {
    const bool ok = data && data->curve != NULL_TAG && data->parameter != NULL_TAG;
    return kx::so::create({{owner != NULL_TAG, 1}, {ok, 3}, {offset, 4}}, offset,
                          [&] { return OFFSET_create_curve_cvtr(owner, option, data->curve, data->parameter); });
}

KXAPI int KX_SO_create_offset_surf_cvtr(tag owner, int option, surf_cvtr_data* data, tag* offset) {
    return kx::so::create({{owner != NULL_TAG, 1}, {kx::so::face_record_ok(data, 2), 3}, {offset, 4}}, offset, [&] {
        return OFFSET_create_surf_cvtr(owner, option, data->surface, &data->first, data->kind, data->reference);
    });
}

KXAPI int KX_SO_ask_offset_curve_cvtr(tag offset, curve_cvtr_data* data) {
    return kx::so::ask_status({{offset != NULL_TAG, 1}, {data, 2}}, [&] {
        SO_parms_t parms;
        if (int st = kx::so::read_parms(offset, "OFFSET_curve_cvtr_parms_c", kModule, __LINE__, &parms)) return st;
        data->curve = parms.parents[0];
        data->parameter = parms.parents[1];
        return 0;
    });
}

KXAPI int KX_SO_ask_offset_surf_cvtr(tag offset, surf_cvtr_data* data) {
    return kx::so::ask_status({{offset != NULL_TAG, 1}, {data, 2}}, [&] {
        SO_parms_t parms;
        if (int st = kx::so::read_parms(offset, "OFFSET_surf_cvtr_parms_c", kModule, __LINE__, &parms)) return st;
        data->surface = parms.parents[0];
        data->first = parms.parents[1];
        data->second = parms.parents[2];
        data->kind = static_cast<int>(parms.numbers[0]);
        if (data->kind == 2) data->reference = parms.parents[3];
        return 0;
    });
}

}  // extern "C"
