// Boxes of displayable objects: which objects are drawn, and the
// accumulator that adds an object's points to a box for a fit.
#include <algorithm>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_types.h"
#include "host/kernel/mesh/facet.h"
#include "host/base/hook.h"
#include "host/kernel/measure/measure.h"
#include "host/base/services/objects.h"

namespace {

bool drawn(int type) {
    switch (type) {
        case HOST_TYPE_POINT:
        case HOST_TYPE_LINE:
        case HOST_TYPE_ARC:
        case HOST_TYPE_CONIC:
        case HOST_TYPE_SPLINE:
        case HOST_TYPE_CSYS:
        case HOST_TYPE_PLANE:
        case HOST_TYPE_SOLID:
        case HOST_TYPE_FACETED:
        case HOST_TYPE_DATUM_AXIS:
        case HOST_TYPE_DATUM_PLANE: return true;
        default: return false;
    }
}

// p' = M p for the 4 x 4 matrix (rows), then into the box.
void add_point(const double m[16], const double p[3], double box[6]) {
    for (int i = 0; i < 3; ++i) {
        const double v = m[4 * i] * p[0] + m[4 * i + 1] * p[1] + m[4 * i + 2] * p[2] + m[4 * i + 3];
        box[2 * i] = std::min(box[2 * i], v);
        box[2 * i + 1] = std::max(box[2 * i + 1], v);
    }
}

}  // namespace

extern "C" {

int RM_is_entity_displayable(unsigned int object) {
    auto call = HOST_ENTRY(object);
    const host::objects::Object* o = host::objects::find(object);
    return static_cast<int>(call.int_out(0, o && o->alive && drawn(o->type) ? 1 : 0));
}

int DSS_FIT_add_obj_to_bounding_box(unsigned int object, const double matrix[16], double box[6]) {
    auto call = HOST_ENTRY(object, matrix, box);
    call.need(matrix, "the matrix");
    call.need(box, "the box");
    if (int st; call.status(st)) return st;
    const host::objects::Object& o = call.live(object);
    if (o.type == HOST_TYPE_POINT) {
        double p[3];
        ES_ask_coordinates_of_point(object, p);
        add_point(matrix, p, box);
        return 1;
    }
    if (o.type == HOST_TYPE_FACETED) {
        bool any = false;
        std::vector<double> v;
        for (int f = FACET_ask_first_facet_id(object); f >= 0; f = FACET_ask_next_facet_id(object, f)) {
            const int n = FACET_ask_num_vertices_of_facet(object, f);
            if (n <= 0) continue;
            v.resize(3 * static_cast<std::size_t>(n));
            FACET_ask_vertices_of_facet(object, f, reinterpret_cast<double(*)[3]>(v.data()));
            for (int i = 0; i < n; ++i) add_point(matrix, &v[3 * static_cast<std::size_t>(i)], box);
            any = true;
        }
        return any ? 1 : 0;
    }
    return 0;
}

}  // extern "C"
