// Fixture for tests that need curve objects of a part but not their shape:
// gives a point, line, arc or conic object made directly in the object store
// defining data of its kind (a part file holds no curve object without it).
#ifndef TESTS_HOST_STORE_PARTS_CURVE_FIXTURE_H
#define TESTS_HOST_STORE_PARTS_CURVE_FIXTURE_H

#include "host/store/entities/curve_entities.h"
#include "host/base/model.h"
#include "host/base/services/objects.h"

namespace test_fixture {

// The object, with data of its type when it is a curve entity.
inline unsigned int with_curve_data(unsigned int object) {
    namespace hc = host::curves;
    const host::objects::Object& o = host::objects::require(object);
    hc::Entity e;
    switch (o.type) {
        case HOST_TYPE_POINT: e.kind = hc::Kind::point; break;
        case HOST_TYPE_LINE:
            e.kind = hc::Kind::line;
            e.end()[0] = 10;
            break;
        case HOST_TYPE_ARC: {
            e.kind = hc::Kind::arc;
            const double arc[6] = {0, 1.5, 0, 0, 0, 4};
            for (int i = 0; i < 6; ++i) e.arc()[i] = arc[i];
            break;
        }
        case HOST_TYPE_CONIC: {
            e.kind = hc::Kind::conic;
            e.conic_type = o.subtype;
            e.conic()[CONIC_V_END] = 1;
            e.conic()[CONIC_V_K1] = 3;
            e.conic()[CONIC_V_K2] = 2;
            e.conic()[CONIC_V_COS] = 1;
            break;
        }
        default: return object;
    }
    (*host::TagTable<hc::Entity>::named("curve entities"))[object] = e;
    return object;
}

}  // namespace test_fixture

#endif
