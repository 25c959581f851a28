// Coordinate spaces, temporary coordinate systems and the display side of
// the work coordinate system (see csys_support.h).
#include "host/store/entities/csys_support.h"

#include <cmath>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/parts.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/service_state.h"
#include "host/numeric/v3.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace {

using hostnum::V3;

struct Emphasis {
    int updates = 0;
    int last_flag = 0;
};
Emphasis& emphasis() { return host::service_state<Emphasis>("work plane emphasis"); }
const bool registered = (emphasis(), true);

// The work coordinate system: origin and rows X, Y, Z (the absolute
// system when there is none).
struct Frame {
    V3 origin{};
    V3 row[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
};

Frame wcs_frame() {
    Frame f;
    const unsigned int wcs = WCS_ask_tag();
    if (wcs == 0) return f;
    double o[3], m[9];
    unsigned int matrix = 0;
    ES_ask_csys_origin(wcs, o);
    ES_ask_matrix_tag_of_entity(wcs, &matrix);
    ES_ask_elements_of_matrix(matrix, m);
    f.origin = V3::load(o);
    for (int i = 0; i < 3; ++i) f.row[i] = V3::load(m + 3 * i);
    return f;
}

void need_space(const host::Call& call, int space) {
    if (space < CONTEXT_ROOT_SPACE || space > CONTEXT_WORK_SPACE)
        call.fail(HOST_ERR_BAD_ARGUMENT, "no space %d", space);
}

}  // namespace

namespace host::csys_support {
int emphasis_updates() { return emphasis().updates; }
int last_emphasis_flag() { return emphasis().last_flag; }
}  // namespace host::csys_support

extern "C" {

void CONTEXT_adjust_point(int input_space, const double point[3], int output_space, double result[3]) {
    auto call = HOST_ENTRY(input_space, point, output_space, result);
    call.need(point);
    call.need(result);
    need_space(call, input_space);
    need_space(call, output_space);
    V3 p = V3::load(point);
    if (input_space != output_space && (input_space == CONTEXT_WCS_SPACE || output_space == CONTEXT_WCS_SPACE)) {
        const Frame f = wcs_frame();
        if (input_space == CONTEXT_WCS_SPACE) {
            p = f.origin + p.x * f.row[0] + p.y * f.row[1] + p.z * f.row[2];
        } else {
            const V3 d = p - f.origin;
            p = {hostnum::dot(d, f.row[0]), hostnum::dot(d, f.row[1]), hostnum::dot(d, f.row[2])};
        }
    }
    p.store(result);
}

void ES_create_csys_in_wkpt(unsigned int matrix, unsigned int* work_matrix, const double origin[3], int temporary,
                            unsigned int* csys) {
    auto call = HOST_ENTRY(matrix, work_matrix, origin, temporary);
    call.need(origin);
    call.need(csys);
    call.live_of_type(matrix, HOST_TYPE_MATRIX);
    double values[9];
    ES_ask_elements_of_matrix(matrix, values);
    const unsigned int made = host::wcs::make_csys(CONTEXT_ask_work_part(), origin, values, false);
    if (work_matrix != nullptr) ES_ask_matrix_tag_of_entity(made, work_matrix);
    *csys = made;
}

int ES_is_eligible_for_display(unsigned int object) {
    auto call = HOST_ENTRY(object);
    if (int st; call.status(st)) return st;
    const host::objects::Object* o = host::objects::find(object);
    if (o == nullptr || o->type < 1 || o->type > 255) return 0;
    return (eprops_[o->type - 1] & ES_PROP_DISPLAYABLE) != 0 ? 1 : 0;
}

void DSS_update_work_plane_emphasis(int flag) {
    HOST_ENTRY(flag);
    ++emphasis().updates;
    emphasis().last_flag = flag;
}

void ES_replace_matrix_of_entity(unsigned int object, unsigned int matrix) {
    auto call = HOST_ENTRY(object, matrix);
    const host::objects::Object& o = call.live(object);
    call.live_of_type(matrix, HOST_TYPE_MATRIX);
    if (o.type == HOST_TYPE_CSYS) host::wcs::set_matrix(object, matrix);
    else ES_set_matrix_of_entity(object, matrix);
}

void es4520_(const unsigned int* csys, const double origin[3]) {
    auto call = HOST_ENTRY(csys ? *csys : 0u, origin);
    call.need(csys);
    call.need(origin);
    call.live_of_type(*csys, HOST_TYPE_CSYS);
    for (int i = 0; i < 3; ++i)
        if (!std::isfinite(origin[i])) call.fail(HOST_ERR_BAD_ARGUMENT, "the origin is not finite");
    host::wcs::set_origin(*csys, origin);
}

}  // extern "C"
