// Boundary-representation queries: the kernel's states of a block and of a
// block with a hole become the caller's records, counts alone, empty lists
// and the codes of bad calls.
#include <algorithm>
#include <array>
#include <vector>

#include "host/kernel/kernel.h"
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

}  // namespace
