// Boundary-representation queries: the kernel's states of a block and of a
// block with a hole become the caller's records, counts alone, empty lists
// and the codes of bad calls.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "host/kernel/engine/kernel.h"
#include "host/base/services/error.h"
#include "kx_brep.h"
#include "kx_core.h"
#include "tests/libkxapi/layer/layer_fixture.h"

namespace {

class BrepStates : public PartTest {
protected:
    // 100 x 60 x 20 from the origin.
    static int block() {
        const double at[3] = {0, 0, 0}, size[3] = {100, 60, 20};
        int b = 0;
        ZQ_BODY_make_block(at, size, &b);
        return b;
    }
    // The block with a through hole of radius 10 at (50, 30).
    static int holed() {
        const int b = block();
        const double base[3] = {50, 30, -5}, axis[3] = {0, 0, 1};
        int c = 0;
        ZQ_BODY_make_cylinder(base, axis, 10, 30, &c);
        ZQ_BODY_boolean(b, c, ZQ_SUBTRACT);
        return b;
    }
    // The states of the entities of class cls of the entity, freed here.
    static std::vector<brep_state> states(int entity, int cls) {
        int n = -1;
        brep_state* s = nullptr;
        EXPECT_EQ(KX_BREP_ask_topology(entity, cls, 0, &n, &s), 0);
        std::vector<brep_state> out(s, s + std::max(n, 0));
        KX_free(s);
        return out;
    }
    // The kernel tag of the (last) face of that surface type; 0 for none.
    static int of_type(const std::vector<brep_state>& faces, int type) {
        int found = 0;
        for (const brep_state& f : faces)
            if (f.third == type) found = f.second;
        return found;
    }
    static const brep_state* at_height(const std::vector<brep_state>& faces, double z) {
        for (const brep_state& f : faces)
            if (std::abs(f.values[2] - z) < 1e-6 && std::abs(f.values[0] - 50) < 1e-6) return &f;
        return nullptr;
    }
};

TEST_F(BrepStates, FacesOfABlock) {
    const int b = block();
    const auto faces = states(b, ZQ_CLASS_FACE);
    ASSERT_EQ(faces.size(), 6u);
    for (const brep_state& f : faces) {
        EXPECT_EQ(f.first, ZQ_CLASS_FACE);
        EXPECT_EQ(f.third, ZQ_SURF_PLANE);
        EXPECT_EQ(f.fourth, 1);  // one loop
        EXPECT_NE(f.fifth, 0);   // the face's model object
        EXPECT_EQ(host::kernel::body_of(f.second), b);
    }
    // The records keep the kernel's order.
    const std::vector<int> kernel_order = host::kernel::faces_of(b);
    for (std::size_t i = 0; i < faces.size(); ++i) EXPECT_EQ(faces[i].second, kernel_order[i]);
    const brep_state* top = at_height(faces, 20);
    ASSERT_NE(top, nullptr);
    EXPECT_DOUBLE_EQ(top->values[1], 30);
    EXPECT_NE(at_height(faces, 0), nullptr);
    // Its edges: twelve lines of two vertices each.
    const auto edges = states(b, ZQ_CLASS_EDGE);
    ASSERT_EQ(edges.size(), 12u);
    for (const brep_state& e : edges) {
        EXPECT_EQ(e.third, ZQ_CURVE_LINE);
        EXPECT_EQ(e.fourth, 2);
    }
}

TEST_F(BrepStates, FacesAndLoopsOfABlockWithAHole) {
    const int b = holed();
    const auto faces = states(b, ZQ_CLASS_FACE);
    ASSERT_EQ(faces.size(), 7u);
    EXPECT_EQ(
        std::count_if(faces.begin(), faces.end(), [](const brep_state& f) { return f.third == ZQ_SURF_CYLINDER; }), 1);
    const brep_state* top = at_height(faces, 20);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->fourth, 2);  // the outer loop and the hole
    const auto loops = states(top->second, ZQ_CLASS_LOOP);
    ASSERT_EQ(loops.size(), 2u);
    std::vector<int> types{loops[0].third, loops[1].third};
    std::sort(types.begin(), types.end());
    EXPECT_EQ(types, (std::vector<int>{ZQ_LOOP_INNER, ZQ_LOOP_OUTER}));
    for (const brep_state& l : loops) EXPECT_EQ(l.fifth, 0);  // loops have no objects
    // The body is valid: no states, no array.
    int n = -1;
    brep_state* s = reinterpret_cast<brep_state*>(&n);
    EXPECT_EQ(KX_BREP_validate_topology(b, &n, &s), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(s, nullptr);
}

TEST_F(BrepStates, CountAloneAndLimit) {
    const int b = holed();
    int n = -1;
    EXPECT_EQ(KX_BREP_ask_topology(b, ZQ_CLASS_EDGE, 0, &n, nullptr), 0);  // the kernel's list is freed
    EXPECT_EQ(n, 15);
    brep_state* s = nullptr;
    EXPECT_EQ(KX_BREP_ask_topology(b, ZQ_CLASS_EDGE, 4, &n, &s), 0);
    EXPECT_EQ(n, 4);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s[3].second, host::kernel::edges_of(b)[3]);
    KX_free(s);
}

TEST_F(BrepStates, Codes) {
    const int b = block();
    int n = -1;
    brep_state* s = nullptr;
    struct Row {
        const char* what;
        int (*call)(int body, int* n, brep_state** s);
        int body;
        bool count;
        int code;
    };
    const Row rows[] = {
        {"topology of no entity",
         [](int, int* c, brep_state** a) { return KX_BREP_ask_topology(999999, ZQ_CLASS_FACE, 0, c, a); }, b, true,
         KERNEL_ERR_NO_ENTITY},
        {"topology without a count",
         [](int body, int* c, brep_state** a) { return KX_BREP_ask_topology(body, ZQ_CLASS_FACE, 0, c, a); }, b, false,
         KX_ERR_BAD_PARAM_4},
        {"validation of no entity", KX_BREP_validate_topology, 999999, true, KERNEL_ERR_NO_ENTITY},
        {"validation without a count", KX_BREP_validate_topology, b, false, KX_ERR_BAD_PARAM_2},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        n = -1;
        s = reinterpret_cast<brep_state*>(&n);
        EXPECT_EQ(r.call(r.body, r.count ? &n : nullptr, &s), r.code);
        if (r.count) {
            EXPECT_EQ(n, 0);
            EXPECT_EQ(s, nullptr);
        }
    }
    // Not initialised: nothing is touched.
    kx_reset_session_for_tests();
    n = -1;
    EXPECT_EQ(KX_BREP_ask_topology(b, ZQ_CLASS_FACE, 0, &n, &s), KX_ERR_NOT_INITIALIZED);
    EXPECT_EQ(KX_BREP_validate_topology(b, &n, &s), KX_ERR_NOT_INITIALIZED);
    EXPECT_EQ(n, -1);
}

TEST_F(BrepStates, Identifier) {
    const int b = holed();
    const int face = host::kernel::faces_of(b)[2];
    struct Row {
        const char* what;
        int entity;
        int identifier;
    };
    const Row rows[] = {{"body", b, b}, {"face", face, face}, {"no entity", 999999, 0}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        int id = -1;
        KX_BREP_ask_identifier(r.entity, &id);
        EXPECT_EQ(id, r.identifier);
    }
    KX_BREP_ask_identifier(b, nullptr);  // nothing to set: no crash
    kx_reset_session_for_tests();
    int id = -1;
    KX_BREP_ask_identifier(b, &id);
    EXPECT_EQ(id, 0);
}

// Edges by the turn of their faces: the kernel's edges found by where they
// run (middle of the edge's box).
TEST_F(BrepStates, EdgeClasses) {
    const int plain = block();
    const int hole = holed();
    // A step: the block less its upper half beyond x = 50; the edge along y
    // at x = 50, z = 10 is the inner corner of the step.
    const int step = block();
    {
        const double at[3] = {50, -5, 10}, size[3] = {60, 70, 20};
        int cut = 0;
        ZQ_BODY_make_block(at, size, &cut);
        ZQ_BODY_boolean(step, cut, ZQ_SUBTRACT);
    }
    const auto edge_at = [](int body, double x, double y, double z) {
        for (const int e : host::kernel::edges_of(body)) {
            double box[6];
            ZQ_TOPOL_find_box(e, box);
            if (std::abs((box[0] + box[3]) / 2 - x) < 1e-6 && std::abs((box[1] + box[4]) / 2 - y) < 1e-6 &&
                std::abs((box[2] + box[5]) / 2 - z) < 1e-6)
                return e;
        }
        return 0;
    };
    // The seam of the hole runs from z = 0 to 20; its box's middle is at
    // z = 10 on the cylinder.
    int seam = 0;
    for (const int e : host::kernel::edges_of(hole)) {
        int type = 0;
        double p[3], d[3], r = 0;
        ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
        if (type == ZQ_CURVE_LINE && std::abs(d[2]) > 0.99) {
            double box[6];
            ZQ_TOPOL_find_box(e, box);
            if (std::hypot((box[0] + box[3]) / 2 - 50, (box[1] + box[4]) / 2 - 30) < 10.5) seam = e;
        }
    }
    struct Row {
        const char* what;
        int edge;
        int edge_class;
    };
    const Row rows[] = {
        {"top edge of a block", edge_at(plain, 50, 0, 20), 1},
        {"upright edge of a block", edge_at(plain, 0, 0, 10), 1},
        {"inner corner of a step", edge_at(step, 50, 30, 10), 2},
        {"outer corner of a step", edge_at(step, 0, 30, 20), 1},
        {"seam of a hole", seam, 3},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        ASSERT_NE(r.edge, 0);
        int c = -1;
        EXPECT_EQ(KX_BREP_ask_edge_class(r.edge, 1e-3, &c), 0);
        EXPECT_EQ(c, r.edge_class);
    }
    // A block's edge is smooth for a tolerance beyond its right angle.
    int c = -1;
    EXPECT_EQ(KX_BREP_ask_edge_class(edge_at(plain, 50, 0, 20), 2.0, &c), 0);
    EXPECT_EQ(c, 3);
    // A face is no edge; no entity at all; no output.
    const struct {
        const char* what;
        int entity;
        bool out;
        int code;
    } bad[] = {{"a face", host::kernel::faces_of(plain)[0], true, KERNEL_ERR_WRONG_ENTITY},
               {"no entity", 999999, true, KERNEL_ERR_NO_ENTITY},
               {"no output", edge_at(plain, 50, 0, 20), false, HOST_ERR_NULL_ARGUMENT}};
    for (const auto& r : bad) {
        SCOPED_TRACE(r.what);
        c = -1;
        EXPECT_EQ(KX_BREP_ask_edge_class(r.entity, 1e-3, r.out ? &c : nullptr), r.code);
    }
    kx_reset_session_for_tests();
    EXPECT_EQ(KX_BREP_ask_edge_class(edge_at(plain, 50, 0, 20), 1e-3, &c), KX_ERR_NOT_INITIALIZED);
}

// Geometry of a block with a hole as the kernel gives it: the top plane, the
// hole's cylinder, a vertex; a loop and no entity are skipped with states.
TEST_F(BrepStates, GeometryOfABlockWithAHole) {
    const int b = holed();
    const auto faces = states(b, ZQ_CLASS_FACE);
    const brep_state* top = at_height(faces, 20);
    ASSERT_NE(top, nullptr);
    const int cylinder = of_type(faces, ZQ_SURF_CYLINDER);
    const auto loops = states(top->second, ZQ_CLASS_LOOP);
    const auto vertices = states(b, ZQ_CLASS_VERTEX);
    ASSERT_FALSE(loops.empty());
    ASSERT_FALSE(vertices.empty());
    for (const int as_spline : {0, 1}) {
        SCOPED_TRACE(as_spline);
        const int asked[] = {top->second, cylinder, vertices[0].second, loops[0].second, 999999};
        int n = -1, ns = -1;
        brep_geometry* g = nullptr;
        brep_state* s = nullptr;
        EXPECT_EQ(KX_BREP_ask_geometry(5, asked, as_spline, &n, &g, &ns, &s), KERNEL_ERR_WRONG_ENTITY);
        ASSERT_EQ(n, 5);
        ASSERT_NE(g, nullptr);
        // The kernel's own answers, record by record.
        int type = 0, sense = 0;
        double p[3], d[3], r = 0, r2 = 0;
        ZQ_FACE_ask_data(top->second, &type, p, d, &r, &r2, &sense);
        EXPECT_EQ(g[0].entity, top->second);
        EXPECT_EQ(g[0].type, ZQ_SURF_PLANE);
        EXPECT_DOUBLE_EQ(g[0].direction[2], d[2]);
        EXPECT_EQ(g[0].sense, sense);
        EXPECT_EQ(g[1].type, ZQ_SURF_CYLINDER);
        EXPECT_DOUBLE_EQ(g[1].radius, 10);
        EXPECT_NEAR(std::abs(g[1].direction[2]), 1, 1e-12);
        double v[3];
        ZQ_VERTEX_ask_point(vertices[0].second, v);
        EXPECT_EQ(g[2].type, 0);
        for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(g[2].point[i], v[i]);
        EXPECT_EQ(g[3].type, -1);
        EXPECT_EQ(g[4].type, -1);
        EXPECT_EQ(g[1].spline.poles != nullptr, as_spline == 1);
        EXPECT_EQ(g[2].spline.poles, nullptr);
        // The skipped ones, with why.
        ASSERT_EQ(ns, 2);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s[0].first, KERNEL_ERR_WRONG_ENTITY);
        EXPECT_EQ(s[0].second, loops[0].second);
        EXPECT_EQ(s[0].fourth, 3);
        EXPECT_EQ(s[1].first, KERNEL_ERR_NO_ENTITY);
        EXPECT_EQ(s[1].fourth, 4);
        KX_free(s);
        EXPECT_EQ(KX_BREP_free_geometry_data(n, g), 0);
    }
    // All found: 0 and no states.
    int n = -1, ns = -1;
    brep_geometry* g = nullptr;
    brep_state* s = reinterpret_cast<brep_state*>(&n);
    EXPECT_EQ(KX_BREP_ask_geometry(1, &cylinder, 0, &n, &g, &ns, &s), 0);
    EXPECT_EQ(ns, 0);
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(KX_BREP_free_geometry_data(n, g), 0);
    EXPECT_EQ(KX_BREP_free_geometry_data(0, nullptr), 0);
    EXPECT_EQ(KX_BREP_ask_geometry(1, &cylinder, 0, &n, &g, nullptr, &s), KX_ERR_BAD_PARAM_6);
}

// The operation that made each face: the block's faces come from the block,
// the hole's from the subtraction; loops and vertices have none.
TEST_F(BrepStates, TopologySource) {
    const int b = holed();
    const auto faces = states(b, ZQ_CLASS_FACE);
    const brep_state* top = at_height(faces, 20);
    ASSERT_NE(top, nullptr);
    const int cylinder = of_type(faces, ZQ_SURF_CYLINDER);
    const struct {
        const char* what;
        int entity;
        int step;
    } rows[] = {{"top face", top->second, 0},
                {"hole", cylinder, 1},
                {"loop", states(top->second, ZQ_CLASS_LOOP)[0].second, -1},
                {"body", b, -1}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        int step = -2;
        EXPECT_EQ(KX_BREP_ask_topology_source(r.entity, &step), 0);
        EXPECT_EQ(step, r.step);
    }
    int step = -2;
    EXPECT_EQ(KX_BREP_ask_topology_source(999999, &step), KERNEL_ERR_NO_ENTITY);
    EXPECT_EQ(step, -1);
    EXPECT_EQ(KX_BREP_ask_topology_source(b, nullptr), HOST_ERR_NULL_ARGUMENT);
}

// Released bodies answer as before: what the kernel forgot is worked out
// again.
TEST_F(BrepStates, ReleaseTopology) {
    const int bodies[] = {block(), holed()};
    const auto before = states(bodies[1], ZQ_CLASS_EDGE);
    double props[ZQ_MP_COUNT];
    ZQ_BODY_ask_mass_props(bodies[1], props);
    EXPECT_EQ(KX_BREP_release_topology(2, bodies), 0);
    const auto after = states(bodies[1], ZQ_CLASS_EDGE);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) EXPECT_EQ(after[i].second, before[i].second);
    double again[ZQ_MP_COUNT];
    ZQ_BODY_ask_mass_props(bodies[1], again);
    EXPECT_DOUBLE_EQ(again[0], props[0]);
    const int face[] = {host::kernel::faces_of(bodies[0])[0]};
    EXPECT_EQ(KX_BREP_release_topology(1, face), KERNEL_ERR_WRONG_ENTITY);
    EXPECT_EQ(KX_BREP_release_topology(0, nullptr), 0);
}

// Healing a sound block with a hole changes nothing of its topology and
// reports no faults; objects without a kernel body are refused first.
TEST_F(BrepStates, HealBody) {
    const int b = holed();
    const std::vector<int> faces = host::kernel::faces_of(b);
    int changed = -1, n = -1;
    brep_state* s = reinterpret_cast<brep_state*>(&n);
    EXPECT_EQ(KX_BREP_heal_body(host::kernel::object_of(b), 1e-6, 1e-3, &changed, &n, &s), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(host::kernel::faces_of(b), faces);  // the faces keep their tags
    int fault = -1;
    ZQ_BODY_check(b, &fault);
    EXPECT_EQ(fault, ZQ_FAULT_NONE);
    const struct {
        const char* what;
        tag object;
        int code;
    } rows[] = {{"no object", 0, KX_BREP_ERR_NO_KERNEL_BODY},
                {"a dead tag", 0x7ffffff0u, KX_BREP_ERR_NO_KERNEL_BODY},
                {"a face", host::kernel::object_of(faces[0]), KERNEL_ERR_WRONG_ENTITY}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        n = -1;
        s = reinterpret_cast<brep_state*>(&n);
        EXPECT_EQ(KX_BREP_heal_body(r.object, 1e-6, 1e-3, &changed, &n, &s), r.code);
        EXPECT_EQ(n, 0);
        EXPECT_EQ(s, nullptr);
    }
    EXPECT_EQ(KX_BREP_heal_body(host::kernel::object_of(b), 1e-6, 1e-3, &changed, nullptr, &s), KX_ERR_BAD_PARAM_5);
}

// Bodies of a block's faces: all six close into a solid of the block's
// volume; five leave a sheet with the four edges of the open side free.
TEST_F(BrepStates, MakeBody) {
    const int b = block();
    const std::vector<int> faces = host::kernel::faces_of(b);
    ASSERT_EQ(faces.size(), 6u);
    const auto top = states(b, ZQ_CLASS_FACE);
    const brep_state* lid = at_height(top, 20);
    ASSERT_NE(lid, nullptr);
    std::vector<int> five;
    for (const int f : faces)
        if (f != lid->second) five.push_back(f);
    const struct {
        const char* what;
        std::vector<int> faces;
        int type;
        int free;
    } rows[] = {{"all six", faces, ZQ_BODY_SOLID, 0}, {"without the lid", five, ZQ_BODY_SHEET, 4}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        const brep_face_set set{static_cast<int>(r.faces.size()), r.faces.data(), 1e-6};
        int made = 0, n = -1;
        brep_state* s = nullptr;
        ASSERT_EQ(KX_BREP_make_body(&set, &made, &n, &s), 0);
        ASSERT_NE(made, 0);
        int type = 0;
        ZQ_BODY_ask_type(made, &type);
        EXPECT_EQ(type, r.type);
        EXPECT_EQ(host::kernel::faces_of(made).size(), r.faces.size());
        EXPECT_NE(host::kernel::object_of(made), 0u);
        ASSERT_EQ(n, r.free);
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(s[i].first, ZQ_CLASS_EDGE);
            EXPECT_NEAR(s[i].values[2], 20, 1e-6);  // the rim of the open side
        }
        KX_free(s);
        if (r.type == ZQ_BODY_SOLID) {
            double props[ZQ_MP_COUNT];
            ZQ_BODY_ask_mass_props(made, props);
            EXPECT_NEAR(props[ZQ_MP_VOLUME], 100 * 60 * 20, 1e-6);
        }
    }
    const int loop[] = {states(lid->second, ZQ_CLASS_LOOP)[0].second};
    const brep_face_set bad[] = {{1, loop, 0}, {0, nullptr, 0}};
    const int codes[] = {KERNEL_ERR_WRONG_ENTITY, KERNEL_ERR_EMPTY_RESULT};
    for (int i = 0; i < 2; ++i) {
        int made = -1, n = -1;
        EXPECT_EQ(KX_BREP_make_body(&bad[i], &made, &n, nullptr), codes[i]);
        EXPECT_EQ(made, 0);
        EXPECT_EQ(n, 0);
    }
}

}  // namespace
