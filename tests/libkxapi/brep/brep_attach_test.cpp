// Geometry attached to bodies and taken away again, and healing a body
// that the kernel's check really finds faulty.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "host/kernel/engine/kernel.h"
#include "host/base/services/memory.h"
#include "host/base/services/error.h"
#include "kx_brep.h"
#include "kx_core.h"
#include "kx_undo.h"
#include "tests/libkxapi/layer/layer_fixture.h"

namespace {

class BrepAttach : public PartTest {
protected:
    static int block() {
        const double at[3] = {0, 0, 0}, size[3] = {10, 20, 30};
        int b = 0;
        ZQ_BODY_make_block(at, size, &b);
        return b;
    }
    static brep_geometry record(int type, std::vector<double> point, std::vector<double> direction, double radius = 0) {
        brep_geometry g{};
        g.type = type;
        for (int i = 0; i < 3; ++i) g.point[i] = point[i], g.direction[i] = direction[i];
        g.radius = radius;
        return g;
    }
};

TEST_F(BrepAttach, AttachedGeometryIsAnsweredAndDeleted) {
    const int b = block();
    const brep_geometry given[] = {
        record(0, {1, 2, 3}, {0, 0, 0}),                     // a point
        record(ZQ_CURVE_LINE, {0, 0, 40}, {0, 0, 5}),        // a line: its direction made unit
        record(ZQ_CURVE_CIRCLE, {5, 10, 30}, {0, 0, 1}, 4),  // a circle
        record(ZQ_SURF_PLANE, {0, 0, 15}, {0, 2, 0}),        // a plane
    };
    int tags[4] = {-1, -1, -1, -1};
    int n = -1;
    brep_state* s = reinterpret_cast<brep_state*>(&n);
    ASSERT_EQ(KX_BREP_attach_geometry(b, 4, given, tags, &n, &s), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(s, nullptr);
    for (int t : tags) EXPECT_GT(t, 0);
    // The body's own faces are as they were.
    EXPECT_EQ(host::kernel::faces_of(b).size(), 6u);

    int ng = 0;
    brep_geometry* g = nullptr;
    EXPECT_EQ(KX_BREP_ask_geometry(4, tags, 0, &ng, &g, &n, &s), 0);
    ASSERT_EQ(ng, 4);
    EXPECT_EQ(g[0].type, 0);
    EXPECT_EQ(g[0].point[2], 3);
    EXPECT_EQ(g[1].type, ZQ_CURVE_LINE);
    EXPECT_DOUBLE_EQ(g[1].direction[2], 1);
    EXPECT_EQ(g[2].type, ZQ_CURVE_CIRCLE);
    EXPECT_EQ(g[2].radius, 4);
    EXPECT_EQ(g[3].type, ZQ_SURF_PLANE);
    EXPECT_DOUBLE_EQ(g[3].direction[1], 1);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(g[i].entity, tags[i]);
    EXPECT_EQ(KX_BREP_free_geometry_data(ng, g), 0);

    // Deleted, the circle is no entity any more.
    EXPECT_EQ(KX_BREP_delete_geometry(tags[2]), 0);
    EXPECT_EQ(KX_BREP_delete_geometry(tags[2]), KERNEL_ERR_NO_ENTITY);
    EXPECT_EQ(KX_BREP_ask_geometry(1, &tags[2], 0, &ng, &g, &n, &s), KERNEL_ERR_NO_ENTITY);
    EXPECT_EQ(g[0].type, -1);
    KX_BREP_free_geometry_data(ng, g);
    KX_free(s);
    // A face of the body is no attached geometry.
    EXPECT_EQ(KX_BREP_delete_geometry(host::kernel::faces_of(b)[0]), KERNEL_ERR_WRONG_ENTITY);
    EXPECT_EQ(KX_BREP_delete_geometry(tags[0]), 0);

    // Geometry goes with its body.
    ZQ_ENTITY_delete(b);
    EXPECT_EQ(KX_BREP_delete_geometry(tags[1]), KERNEL_ERR_NO_ENTITY);
}

TEST_F(BrepAttach, RecordsThatCannotBeAttachedGiveStates) {
    const int b = block();
    const double nan = std::nan("");
    const struct {
        const char* what;
        brep_geometry g;
        int code;
    } rows[] = {
        {"a line without a direction", record(ZQ_CURVE_LINE, {0, 0, 0}, {0, 0, 0}), KERNEL_ERR_DEGENERATE},
        {"a circle of radius 0", record(ZQ_CURVE_CIRCLE, {0, 0, 0}, {0, 0, 1}, 0), KERNEL_ERR_DEGENERATE},
        {"a point not a number", record(0, {nan, 0, 0}, {0, 0, 0}), KERNEL_ERR_DEGENERATE},
        {"a cylinder", record(ZQ_SURF_CYLINDER, {0, 0, 0}, {0, 0, 1}, 2), KERNEL_ERR_WRONG_ENTITY},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        // A good point first: it is attached; the bad record after it gets
        // a state with its place.
        const brep_geometry two[] = {record(0, {1, 1, 1}, {0, 0, 0}), r.g};
        int tags[2] = {-1, -1};
        int n = -1;
        brep_state* s = nullptr;
        EXPECT_EQ(KX_BREP_attach_geometry(b, 2, two, tags, &n, &s), r.code);
        EXPECT_GT(tags[0], 0);
        EXPECT_EQ(tags[1], 0);
        ASSERT_EQ(n, 1);
        EXPECT_EQ(s[0].first, r.code);
        EXPECT_EQ(s[0].second, b);
        EXPECT_EQ(s[0].fourth, 1);
        KX_free(s);
        // The count alone.
        n = -1;
        EXPECT_EQ(KX_BREP_attach_geometry(b, 2, two, tags, &n, nullptr), r.code);
        EXPECT_EQ(n, 1);
    }
    int n = -1;
    brep_state* s = nullptr;
    int tag_out = 0;
    const brep_geometry point = record(0, {0, 0, 0}, {0, 0, 0});
    EXPECT_EQ(KX_BREP_attach_geometry(host::kernel::faces_of(b)[0], 1, &point, &tag_out, &n, &s),
              KERNEL_ERR_WRONG_ENTITY);
    EXPECT_EQ(KX_BREP_attach_geometry(b, 1, &point, &tag_out, nullptr, &s), KX_ERR_BAD_PARAM_5);
    kx_reset_session_for_tests();
    EXPECT_EQ(KX_BREP_attach_geometry(b, 1, &point, &tag_out, &n, &s), KX_ERR_NOT_INITIALIZED);
    EXPECT_EQ(KX_BREP_delete_geometry(1), KX_ERR_NOT_INITIALIZED);
}

// A block written inside out (its solid reversed, so its volume counts
// negative): the kernel's check finds it misoriented; healing turns it the
// right way out, reports the fault as cleared and keeps the faces' tags.
TEST_F(BrepAttach, HealsAnInsideOutBody) {
    const std::string file = std::string(KX_TEST_DATA_DIR) + "/inside_out_block.brep";
    int n = 0;
    int* read = nullptr;
    ZQ_BODY_import(file.c_str(), &n, &read);
    ASSERT_EQ(n, 1);
    const int b = read[0];
    SM_free(read);
    unsigned int object = 0;
    int status = -1;
    es7008_(&b, &object, &status);
    ASSERT_EQ(status, 0);
    int fault = 0;
    ZQ_BODY_check(b, &fault);
    ASSERT_EQ(fault, ZQ_FAULT_ORIENTATION);
    double props[ZQ_MP_COUNT];
    ZQ_BODY_ask_mass_props(b, props);
    EXPECT_NEAR(props[0], -6000, 1e-6);
    // Validation reports the fault.
    int nv = 0;
    brep_state* v = nullptr;
    EXPECT_EQ(KX_BREP_validate_topology(b, &nv, &v), 0);
    ASSERT_EQ(nv, 1);
    EXPECT_EQ(v[0].first, ZQ_FAULT_ORIENTATION);
    KX_free(v);

    std::vector<int> faces = host::kernel::faces_of(b);
    std::sort(faces.begin(), faces.end());
    int changed = -1, ns = -1;
    brep_state* s = nullptr;
    EXPECT_EQ(KX_BREP_heal_body(object, 1e-6, 1e-3, &changed, &ns, &s), 0);
    EXPECT_EQ(changed, 1);
    ASSERT_EQ(ns, 1);
    EXPECT_EQ(s[0].first, ZQ_FAULT_ORIENTATION);
    EXPECT_EQ(s[0].second, b);
    EXPECT_EQ(s[0].third, 1);  // cleared
    EXPECT_NEAR(s[0].values[0], 5, 1e-6);
    EXPECT_NEAR(s[0].values[2], 15, 1e-6);
    KX_free(s);
    ZQ_BODY_check(b, &fault);
    EXPECT_EQ(fault, ZQ_FAULT_NONE);
    ZQ_BODY_ask_mass_props(b, props);
    EXPECT_NEAR(props[0], 6000, 1e-6);
    std::vector<int> after = host::kernel::faces_of(b);
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, faces);
    EXPECT_EQ(KX_BREP_validate_topology(b, &nv, &v), 0);
    EXPECT_EQ(nv, 0);
    EXPECT_EQ(v, nullptr);
}

}  // namespace
