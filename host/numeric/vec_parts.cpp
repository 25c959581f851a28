// Parts of a vector relative to a direction (vec_parts.h).
#include "host/numeric/vec_parts.h"

#include "host/base/hook.h"

extern "C" void h01905_(const double v[3], const double d[3], double out[3]) {
    auto call = HOST_ENTRY(v, d, out);
    call.need(v, "the vector");
    call.need(d, "the direction");
    call.need(out, "the output");
    const double dd = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    const double k = dd > 0 ? (v[0] * d[0] + v[1] * d[1] + v[2] * d[2]) / dd : 0;
    const double r[3] = {v[0] - k * d[0], v[1] - k * d[1], v[2] - k * d[2]};
    for (int i = 0; i < 3; ++i) out[i] = r[i];
}
