// Plain bridge curves between two curve ends (host/apps/modeling/curvefeat/curvefeat.h).
#include <cmath>

#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/base/hook.h"
#include "host/base/services/error.h"

namespace {

double dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

}  // namespace

extern "C" {

void BCRVFIT_cre_bridge_curve(int type, int word, const BCRVFIT_end_t* first, const BCRVFIT_end_t* second,
                              unsigned int* bridge, int* status) {
    auto call = HOST_ENTRY(type, word, first, second);
    call.need(first, "the first end");
    call.need(second, "the second end");
    call.need(bridge, "the bridge output");
    call.need(status, "the status output");
    *bridge = 0;
    *status = 0;
    if (int scripted; call.status(scripted)) {
        *status = scripted;
        return;
    }
    if (type != 1 && type != 4) call.fail(HOST_ERR_BAD_ARGUMENT, "bridge type %d", type);
    const BCRVFIT_end_t* given[2] = {first, second};
    double chord2 = 0;
    for (int i = 0; i < 3; ++i) chord2 += (second->point[i] - first->point[i]) * (second->point[i] - first->point[i]);
    const double chord = std::sqrt(chord2);
    if (!(chord > 1e-9)) {
        *status = BRDGCRV_ERR_SAME_ENDS;
        return;
    }
    host::curvefeat::BridgeEnd ends[2];
    const double speeds[2] = {chord, chord};
    const bool g2[2] = {type == 4, type == 4};
    for (int end = 0; end < 2; ++end) {
        const BCRVFIT_end_t& e = *given[end];
        const double speed2 = dot(e.first, e.first);
        if (!(speed2 > 1e-24)) {
            *status = BRDGCRV_ERR_NO_TANGENT;
            return;
        }
        const double speed = std::sqrt(speed2);
        const double along = dot(e.second, e.first) / speed;
        for (int i = 0; i < 3; ++i) {
            ends[end].p[i] = e.point[i];
            ends[end].d[i] = e.first[i] / speed;
            ends[end].k[i] = type == 4 ? (e.second[i] - along * ends[end].d[i]) / speed2 : 0.0;
        }
    }
    *bridge = host::curvefeat::new_curve(host::curvefeat::quintic_bridge(call, ends, speeds, g2));
}

double DGEOM_crv_curvature(const double first[3], const double second[3]) {
    auto call = HOST_ENTRY(first, second);
    call.need(first, "the first derivative");
    call.need(second, "the second derivative");
    const double c[3] = {first[1] * second[2] - first[2] * second[1], first[2] * second[0] - first[0] * second[2],
                         first[0] * second[1] - first[1] * second[0]};
    const double speed = std::sqrt(dot(first, first));
    return speed > 1e-12 ? std::sqrt(dot(c, c)) / (speed * speed * speed) : 0.0;
}

}  // extern "C"
