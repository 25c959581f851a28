// The 100 x 50 x 20 block with the form features the redefinition tests
// move about, and what a refused call must leave as it was.
#ifndef TESTS_LIBKXAPI_MODL_REDEF_FIXTURE_H
#define TESTS_LIBKXAPI_MODL_REDEF_FIXTURE_H

#include <cmath>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/model/feature/positioning.h"
#include "host/model/feature/queries.h"
#include "host/apps/modeling/redefine/redefine_refs.h"
#include "kx_modl_body_ops.h"
#include "kx_modl_redef.h"
#include "kx_so.h"
#include "tests/libkxapi/modl/form_fixture.h"

namespace redef_test {

class Redefine : public form_test::FormFeature {
protected:
    // A blind hole of diameter 10 and depth 8 into the top at (30, 25).
    tag hole(tag thru = NULL_TAG, double x = 30) {
        double at[] = {x, 25, 20}, along[] = {0, 0, -1};
        tag made = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_simple_hole(at, along, "10", "8", "0", top_, thru, &made), 0);
        return made;
    }
    tag boss() {
        double at[] = {70, 25, 20}, along[] = {0, 0, 1};
        tag made = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_boss(at, along, "10", "5", "0", top_, &made), 0);
        return made;
    }
    // A datum plane of the part through (0, 0, z) with normal +Z.
    tag datum_plane(double z) { return datum_plane({0, 0, z}, {0, 0, 1}); }
    // A datum plane of the part (a feature of its own) through the point.
    tag datum_plane(std::vector<double> at, std::vector<double> normal) {
        unsigned int point = 0;
        ES_create_point(at.data(), &point);
        tag dirr = NULL_TAG, plane = NULL_TAG;
        EXPECT_EQ(KX_SO_create_dirr_doubles(part_, 0, normal.data(), &dirr), 0);
        EXPECT_EQ(KX_MODL_create_point_dirr_dplane(point, dirr, &plane), 0);
        return plane;
    }
    // A face of the feature's own faces whose surface is of the type and,
    // for a plane, whose outward normal is n.
    static tag face_of_feature(tag feature, int type, std::vector<double> n = {0, 0, 0}) {
        int count = 0;
        int* faces = nullptr;
        ZQ_GROUP_ask_entities(feature, &count, &faces);
        tag found = NULL_TAG;
        for (int i = 0; i < count && found == NULL_TAG; ++i) {
            int t = 0, sense = 0;
            double p[3], d[3], r1 = 0, r2 = 0;
            ZQ_FACE_ask_data(faces[i], &t, p, d, &r1, &r2, &sense);
            const bool normal_ok =
                type != ZQ_SURF_PLANE || d[0] * sense * n[0] + d[1] * sense * n[1] + d[2] * sense * n[2] > 0.999;
            if (t == type && normal_ok) found = host::kernel::object_of(faces[i]);
        }
        SM_free(faces);
        return found;
    }
    // What a refused call must leave as it was.
    struct State {
        std::vector<int> refs;
        std::vector<double> numbers;
        bool out_of_date;
        double volume;
        int marks;
        bool operator==(const State&) const = default;
    };
    State state(tag feature) const {
        const host::feature::Record* r = host::feature::find(feature);
        return {r->refs, r->numbers, r->out_of_date, volume(), marks()};
    }
    // A second block beside the first, on a body of its own.
    tag other_body_top() {
        const char* sizes[] = {"10", "10", "10"};
        const double origin[] = {200, 0, 0};
        unsigned int block = 0;
        EXPECT_EQ(FEAT_create(part_, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, 0, &block), 0);
        return face_of_feature(block, ZQ_SURF_PLANE, {0, 0, 1});
    }
    // A rectangular slot 10 wide, 5 deep and 20 long along X into the top
    // at (50, 25).
    tag slot() {
        double at[] = {50, 25, 20}, into[] = {0, 0, -1}, along_x[] = {1, 0, 0};
        tag made = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_rect_slot(at, into, along_x, "10", "5", "20", top_, NULL_TAG, NULL_TAG, &made), 0);
        return made;
    }
    // The block's straight edge along `axis` (0: X, 1: Y) at the other
    // coordinate `at` and height z.
    tag block_edge(int axis, double at, double z = 20) const {
        for (int e : host::kernel::edges_of(host::kernel::entity_of(body_))) {
            int type = 0;
            double p[3], d[3], r = 0;
            ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
            if (type == ZQ_CURVE_LINE && std::fabs(std::fabs(d[axis]) - 1) < 1e-9 &&
                std::fabs(p[1 - axis] - at) < 1e-9 && std::fabs(p[2] - z) < 1e-9)
                return host::kernel::object_of(e);
        }
        ADD_FAILURE() << "no edge";
        return NULL_TAG;
    }
    // A circular edge of the feature's own faces.
    static tag round_edge(tag feature) {
        int count = 0;
        int* faces = nullptr;
        ZQ_GROUP_ask_entities(feature, &count, &faces);
        tag found = NULL_TAG;
        for (int i = 0; i < count && found == NULL_TAG; ++i) {
            int* edges = nullptr;
            int n = 0;
            KI_idcoen_sm(faces[i], ZQ_CLASS_EDGE, &edges, &n);
            const std::vector<int> of(edges, edges + n);
            SM_free(edges);
            for (int e : of) {
                int type = 0;
                double p[3], d[3], r = 0;
                ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
                if (type == ZQ_CURVE_CIRCLE) {
                    found = host::kernel::object_of(e);
                    break;
                }
            }
        }
        SM_free(faces);
        return found;
    }
    // The feature's location now (with its positioning).
    static std::vector<double> location(tag feature) {
        const host::feature::Record* r = host::feature::find(feature);
        double offset[3];
        host::feature::positioning_offset(*r, offset);
        return {r->numbers[0] + offset[0], r->numbers[1] + offset[1], r->numbers[2] + offset[2]};
    }
};

}  // namespace redef_test

#endif
