// Face and edge topology queries against the kernel's own topology: a
// 100 x 50 x 20 block with a hole of radius 10 through it (made through the
// host's feature service) and the kernel's primitives; occurrences of the
// part in an assembly; kernel failures and refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/entity_store.h"
#include "host/kernel/curves/kernel_surfaces.h"
#include "host/store/entities/occurrences.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/undo.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/topology.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "kx_core.h"
#include "kx_modl.h"
#include "libkxapi/callback/kx_callback_internal.h"
#include "libkxapi/core/kx_session.h"
#include "libkxapi/core/kx_list.h"
#include "tests/libkxapi/modl/partly_loaded_part.h"
#include "tests/support/faultsim.h"
#include "tests/support/fresh_process.h"

namespace {

namespace hk = host::kernel;
using Tags = std::vector<tag>;

constexpr double kPi = 3.14159265358979323846;

// ---- the kernel's own answers ------------------------------------------------

std::vector<int> kernel_connected(int entity, int cls) {
    int* raw = nullptr;
    int n = 0;
    EXPECT_EQ(KI_idcoen_sm(entity, cls, &raw, &n), 0);
    std::vector<int> out(raw, raw + n);
    SM_free(raw);
    return out;
}

// The objects of kernel entities, each once (as the interface's lists hold
// them).
Tags objects(const std::vector<int>& entities) {
    Tags out;
    for (int e : entities)
        if (std::find(out.begin(), out.end(), hk::object_of(e)) == out.end()) out.push_back(hk::object_of(e));
    return out;
}

Tags kernel_tags(tag object, int cls) { return objects(kernel_connected(hk::entity_of(object), cls)); }

int surface_of(tag face) {
    int type = 0, sense = 0;
    double p[3], d[3], r = 0, r2 = 0;
    ZQ_FACE_ask_data(hk::entity_of(face), &type, p, d, &r, &r2, &sense);
    return type;
}

int curve_of(tag edge) {
    int type = 0;
    double p[3], d[3], r = 0;
    ZQ_EDGE_ask_curve_data(hk::entity_of(edge), &type, p, d, &r);
    return type;
}

void box_of(tag object, double box[6]) { ZQ_TOPOL_find_box(hk::entity_of(object), box); }

Tags take(tag_list*& list) {
    Tags out = kx::tags_of(list);
    KX_MODL_delete_list(&list);
    return out;
}

std::set<tag> as_set(const Tags& t) { return std::set<tag>(t.begin(), t.end()); }

int face_type_of_surface(int surface) {
    switch (surface) {
        case ZQ_SURF_PLANE: return 22;
        case ZQ_SURF_CYLINDER: return 16;
        case ZQ_SURF_CONE: return 17;
        case ZQ_SURF_SPHERE: return 18;
        case ZQ_SURF_TORUS: return 19;
        default: return -1;
    }
}

class Topology : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        part_ = host::parts::create("topology.prt");
        CONTEXT_set_work_part(part_);
        block_ = feature("BLOCK", {"100", "50", "20"}, {0, 0, 0});
        body_ = FREC_ask_body(block_);
        hole_ = feature("CYLINDER", {"20", "40"}, {50, 25, -10, 0, 0, 1}, body_, FEAT_SIGN_SUBTRACT);
        top_ = face_where(ZQ_SURF_PLANE, [](const double* b) { return near(b[2], 20) && near(b[5], 20); });
        bottom_ = face_where(ZQ_SURF_PLANE, [](const double* b) { return near(b[2], 0) && near(b[5], 0); });
        front_ = face_where(ZQ_SURF_PLANE, [](const double* b) { return near(b[1], 0) && near(b[4], 0); });
        wall_ = face_where(ZQ_SURF_CYLINDER, [](const double*) { return true; });
        for (tag e : kernel_tags(top_, ZQ_CLASS_EDGE)) {
            double b[6];
            box_of(e, b);
            if (curve_of(e) == ZQ_CURVE_CIRCLE) circle_ = e;
            else if (near(b[1], 0) && near(b[4], 0)) front_top_ = e;
        }
        ASSERT_NE(circle_, NULL_TAG);
        ASSERT_NE(front_top_, NULL_TAG);
        host::control::clear_journal();
    }
    void TearDown() override { fresh(); }
    static void fresh() {
        kx_reset_callbacks_for_tests();
        kx_reset_session_for_tests();
        host::control::reset();
    }
    static bool near(double a, double b) { return std::abs(a - b) < 1e-6; }

    unsigned int feature(const char* kind, std::vector<const char*> formulas, std::vector<double> numbers,
                         unsigned int target = 0, int sign = 0) const {
        unsigned int f = 0;
        EXPECT_EQ(FEAT_create(part_, kind, int(formulas.size()), formulas.data(), int(numbers.size()), numbers.data(),
                              0, nullptr, target, sign, &f),
                  0)
            << kind;
        return f;
    }
    tag face_where(int surface, const std::function<bool(const double*)>& at) const {
        for (int f : hk::faces_of(hk::entity_of(body_))) {
            double b[6];
            ZQ_TOPOL_find_box(f, b);
            if (surface_of(hk::object_of(f)) == surface && at(b)) return hk::object_of(f);
        }
        ADD_FAILURE() << "no such face";
        return NULL_TAG;
    }

    unsigned int part_ = 0, block_ = 0, hole_ = 0, body_ = 0;
    tag top_ = 0, bottom_ = 0, front_ = 0, wall_ = 0, circle_ = 0, front_top_ = 0;
};

// ---- the walk of a user program over the top face ----------------------------

TEST_F(Topology, WalksTheTopFace) {
    loop_list* loops = nullptr;
    ASSERT_EQ(KX_MODL_ask_face_loops(top_, &loops), 0);
    int n = 0;
    ASSERT_EQ(KX_MODL_ask_loop_list_count(loops, &n), 0);
    ASSERT_EQ(n, 2);
    std::multiset<int> types;
    for (int i = 0; i < n; ++i) {
        int type = 0;
        tag_list* edges = nullptr;
        ASSERT_EQ(KX_MODL_ask_loop_list_item(loops, i, &type, &edges), 0);
        types.insert(type);
        const Tags e = kx::tags_of(edges);
        if (type == 1) {
            EXPECT_EQ(e.size(), 4u);
            for (tag t : e) EXPECT_EQ(curve_of(t), ZQ_CURVE_LINE);
        } else {
            EXPECT_EQ(e, Tags{circle_});
        }
    }
    EXPECT_EQ(types, (std::multiset<int>{1, 2}));
    EXPECT_EQ(KX_MODL_delete_loop_list(&loops), 0);

    // Four sides and the hole's wall, each once.
    tag_list* list = nullptr;
    ASSERT_EQ(KX_MODL_ask_adjac_faces(top_, &list), 0);
    const Tags adjacent = take(list);
    EXPECT_EQ(adjacent.size(), 5u);
    EXPECT_EQ(as_set(adjacent).size(), 5u);
    EXPECT_TRUE(as_set(adjacent).count(wall_));
    EXPECT_FALSE(as_set(adjacent).count(top_));
    EXPECT_FALSE(as_set(adjacent).count(bottom_));

    ASSERT_EQ(KX_MODL_ask_shared_edges(top_, wall_, &list), 0);
    EXPECT_EQ(take(list), Tags{circle_});

    ASSERT_EQ(KX_MODL_ask_face_feats(top_, &list), 0);
    EXPECT_EQ(take(list), Tags{block_});
    ASSERT_EQ(KX_MODL_ask_face_feats(wall_, &list), 0);
    EXPECT_EQ(take(list), Tags{hole_});
    ASSERT_EQ(KX_MODL_ask_edge_feats(circle_, &list), 0);
    EXPECT_EQ(as_set(take(list)), (std::set<tag>{block_, hole_}));
    ASSERT_EQ(KX_MODL_ask_edge_feats(front_top_, &list), 0);
    EXPECT_EQ(take(list), Tags{block_});

    double p1[3], p2[3];
    int count = -1;
    ASSERT_EQ(KX_MODL_ask_edge_verts(front_top_, p1, p2, &count), 0);
    EXPECT_EQ(count, 2);
    EXPECT_NEAR(std::abs(p1[0] - p2[0]), 100, 1e-9);
    EXPECT_NEAR(p1[1], 0, 1e-9);
    EXPECT_NEAR(p2[2], 20, 1e-9);
    ASSERT_EQ(KX_MODL_ask_edge_verts(circle_, p1, p2, &count), 0);
    EXPECT_EQ(count, 1);
    EXPECT_NEAR(std::hypot(p1[0] - 50, p1[1] - 25), 10, 1e-9);
    EXPECT_NEAR(p1[2], 20, 1e-9);

    int type = 0;
    EXPECT_EQ(KX_MODL_ask_edge_type(front_top_, &type), 0);
    EXPECT_EQ(type, 3001);
    EXPECT_EQ(KX_MODL_ask_edge_type(circle_, &type), 0);
    EXPECT_EQ(type, 3002);
    EXPECT_EQ(KX_MODL_ask_face_type(top_, &type), 0);
    EXPECT_EQ(type, 22);
    EXPECT_EQ(KX_MODL_ask_face_type(wall_, &type), 0);
    EXPECT_EQ(type, 16);

    int us = -9, vs = -9;
    double up = -1, vp = -1;
    ASSERT_EQ(KX_MODL_ask_face_periodicity(wall_, &us, &up, &vs, &vp), 0);
    EXPECT_EQ(us, 1);
    EXPECT_NEAR(up, 2 * kPi, 1e-12);
    EXPECT_EQ(vs, 0);
    ASSERT_EQ(KX_MODL_ask_face_periodicity(top_, &us, &up, &vs, &vp), 0);
    EXPECT_EQ(us, 0);
    EXPECT_EQ(vs, 0);

    tag body = NULL_TAG;
    EXPECT_EQ(KX_MODL_ask_face_body(top_, &body), 0);
    EXPECT_EQ(body, body_);
    body = NULL_TAG;
    EXPECT_EQ(KX_MODL_ask_edge_body(circle_, &body), 0);
    EXPECT_EQ(body, body_);
    EXPECT_EQ(KX_MODL_ask_face_topology(top_, &type), 0);
    EXPECT_EQ(type, 3);
    EXPECT_EQ(KX_MODL_ask_face_topology(wall_, &type), 0);
    EXPECT_EQ(type, 4);
    EXPECT_EQ(KX_MODL_ask_face_topology(front_, &type), 0);
    EXPECT_EQ(type, 2);
}

// ---- every face and edge of the fixture and of each primitive ----------------

struct Primitive {
    const char* name;
    std::function<int()> make;
    std::multiset<int> face_types;
};

void expect_like_the_kernel(tag body, const char* name) {
    SCOPED_TRACE(name);
    std::multiset<int> got_types;
    for (int fe : hk::faces_of(hk::entity_of(body))) {
        const tag f = hk::object_of(fe);
        const Tags edges = kernel_tags(f, ZQ_CLASS_EDGE);
        tag_list* list = nullptr;
        ASSERT_EQ(KX_MODL_ask_face_edges(f, &list), 0);
        EXPECT_EQ(take(list), edges);
        ASSERT_EQ(KX_MODL_ask_shared_edges(f, f, &list), 0);
        EXPECT_EQ(take(list), edges);

        Tags adjacent;
        for (tag e : edges)
            for (tag g : kernel_tags(e, ZQ_CLASS_FACE))
                if (g != f && std::find(adjacent.begin(), adjacent.end(), g) == adjacent.end()) adjacent.push_back(g);
        list = nullptr;
        ASSERT_EQ(KX_MODL_ask_adjac_faces(f, &list), 0);
        EXPECT_EQ(list != nullptr, !edges.empty());
        EXPECT_EQ(take(list), adjacent);

        loop_list* loops = nullptr;
        ASSERT_EQ(KX_MODL_ask_face_loops(f, &loops), 0);
        const std::vector<int> kernel_loops = kernel_connected(fe, ZQ_CLASS_LOOP);
        int n = 0;
        KX_MODL_ask_loop_list_count(loops, &n);
        ASSERT_EQ(n, int(kernel_loops.size()));
        for (int i = 0; i < n; ++i) {
            int type = 0, kind = 0, ifail = 0;
            tag_list* loop_edges = nullptr;
            KX_MODL_ask_loop_list_item(loops, i, &type, &loop_edges);
            KI_enloty(&kernel_loops[i], &kind, &ifail);
            EXPECT_EQ(type, kind == ZQ_LOOP_OUTER ? 1 : kind == ZQ_LOOP_INNER ? 2 : 3);
            EXPECT_EQ(kx::tags_of(loop_edges), objects(kernel_connected(kernel_loops[i], ZQ_CLASS_EDGE)));
        }
        KX_MODL_delete_loop_list(&loops);

        tag owner = NULL_TAG;
        EXPECT_EQ(KX_MODL_ask_face_body(f, &owner), 0);
        EXPECT_EQ(owner, body);
        int type = 0;
        EXPECT_EQ(KX_MODL_ask_face_type(f, &type), 0);
        EXPECT_EQ(type, face_type_of_surface(surface_of(f)));
        got_types.insert(type);
        EXPECT_EQ(KX_MODL_ask_face_topology(f, &type), 0);
        EXPECT_GE(type, 1);
        EXPECT_LE(type, 5);
    }
    for (int ee : hk::edges_of(hk::entity_of(body))) {
        const tag e = hk::object_of(ee);
        tag_list* list = nullptr;
        ASSERT_EQ(KX_MODL_ask_edge_faces(e, &list), 0);
        EXPECT_EQ(take(list), kernel_tags(e, ZQ_CLASS_FACE));
        tag owner = NULL_TAG;
        EXPECT_EQ(KX_MODL_ask_edge_body(e, &owner), 0);
        EXPECT_EQ(owner, body);
        int type = 0;
        EXPECT_EQ(KX_MODL_ask_edge_type(e, &type), 0);
        EXPECT_EQ(type, curve_of(e));
        double p1[3], p2[3];
        int count = 0;
        EXPECT_EQ(KX_MODL_ask_edge_verts(e, p1, p2, &count), 0);
        EXPECT_EQ(count, int(kernel_connected(ee, ZQ_CLASS_VERTEX).size()));
    }
}

TEST_F(Topology, EveryFaceAndEdgeOfTheBlockWithAHole) { expect_like_the_kernel(body_, "block with hole"); }

TEST_F(Topology, EveryFaceAndEdgeOfEachPrimitive) {
    const double o[3] = {0, 0, 0}, z[3] = {0, 0, 1};
    const std::vector<Primitive> primitives = {
        {"block",
         [&] {
             const double s[3] = {10, 20, 30};
             int b = 0;
             ZQ_BODY_make_block(o, s, &b);
             return b;
         },
         {22, 22, 22, 22, 22, 22}},
        {"cylinder",
         [&] {
             int b = 0;
             ZQ_BODY_make_cylinder(o, z, 5, 10, &b);
             return b;
         },
         {16, 22, 22}},
        {"frustum",
         [&] {
             int b = 0;
             ZQ_BODY_make_cone(o, z, 10, 5, 10, &b);
             return b;
         },
         {17, 22, 22}},
        {"sphere",
         [&] {
             int b = 0;
             ZQ_BODY_make_sphere(o, 7, &b);
             return b;
         },
         {18}},
        {"torus",
         [&] {
             int b = 0;
             ZQ_BODY_make_torus(o, z, 10, 2, &b);
             return b;
         },
         {19}},
        {"prism",
         [&] {
             int b = 0;
             ZQ_BODY_make_prism(o, z, 10, 6, 5, &b);
             return b;
         },
         {22, 22, 22, 22, 22, 22, 22, 22}},
    };
    for (const Primitive& p : primitives) {
        const tag body = hk::object_of(p.make());
        ASSERT_NE(body, NULL_TAG) << p.name;
        expect_like_the_kernel(body, p.name);
        std::multiset<int> types;
        for (int f : hk::faces_of(hk::entity_of(body))) {
            int type = 0;
            KX_MODL_ask_face_type(hk::object_of(f), &type);
            types.insert(type);
        }
        EXPECT_EQ(types, p.face_types) << p.name;
    }
}

TEST_F(Topology, SharedEdgesOfAdjacentOppositeAndIdenticalFaces) {
    struct Row {
        const char* what;
        tag a, b;
        Tags expected;
    };
    const Tags top_edges = kernel_tags(top_, ZQ_CLASS_EDGE);
    for (const Row& r :
         {Row{"adjacent", top_, front_, {front_top_}}, Row{"adjacent in turn", front_, top_, {front_top_}},
          Row{"along the hole", top_, wall_, {circle_}}, Row{"opposite", top_, bottom_, {}},
          Row{"identical", top_, top_, top_edges}}) {
        tag_list* list = reinterpret_cast<tag_list*>(0x10);
        ASSERT_EQ(KX_MODL_ask_shared_edges(r.a, r.b, &list), 0) << r.what;
        EXPECT_EQ(list == nullptr, r.expected.empty()) << r.what;
        EXPECT_EQ(take(list), r.expected) << r.what;
    }
}

// The edges at the vertex nearer the point come first.
TEST_F(Topology, ConnectedEdgesNearerEndFirst) {
    const std::vector<int> ends = kernel_connected(hk::entity_of(front_top_), ZQ_CLASS_VERTEX);
    ASSERT_EQ(ends.size(), 2u);
    auto others = [&](int vertex, int edge) {
        Tags t = objects(kernel_connected(vertex, ZQ_CLASS_EDGE));
        std::erase(t, hk::object_of(edge));
        return t;
    };
    const Tags at_first = others(ends[0], hk::entity_of(front_top_));
    const Tags at_second = others(ends[1], hk::entity_of(front_top_));
    EXPECT_EQ(at_first.size(), 2u);
    EXPECT_EQ(at_second.size(), 2u);
    double first[3], second[3];
    ZQ_VERTEX_ask_point(ends[0], first);
    ZQ_VERTEX_ask_point(ends[1], second);
    const int seam_end = kernel_connected(hk::entity_of(circle_), ZQ_CLASS_VERTEX).at(0);
    double on_circle[3];
    ZQ_VERTEX_ask_point(seam_end, on_circle);
    struct Row {
        const char* what;
        tag edge;
        double* point;
        Tags one, two;
    };
    for (const Row& r :
         {Row{"at the first end", front_top_, first, at_first, at_second},
          Row{"at the second end", front_top_, second, at_second, at_first},
          Row{"a circle's one vertex", circle_, on_circle, others(seam_end, hk::entity_of(circle_)), {}}}) {
        tag_list *one = nullptr, *two = nullptr;
        ASSERT_EQ(KX_MODL_ask_cnnc_edges(r.edge, r.point, &one, &two), 0) << r.what;
        EXPECT_EQ(two == nullptr, r.two.empty()) << r.what;
        EXPECT_EQ(take(one), r.one) << r.what;
        EXPECT_EQ(take(two), r.two) << r.what;
    }
}

// The closed-edge flags decide the count; without vertices the points stay
// as the caller passed them.
TEST_F(Topology, EdgeVertexCountsFromTheClosedFlags) {
    struct Row {
        int closed, no_vertex, count;
    };
    for (const Row& r : {Row{0, 0, 2}, Row{1, 0, 1}, Row{1, 1, 0}}) {
        host::control::give_outputs("PX_edge_is_closed", {r.closed, r.no_vertex});
        double p1[3] = {7, 7, 7}, p2[3] = {8, 8, 8};
        int count = -1;
        ASSERT_EQ(KX_MODL_ask_edge_verts(front_top_, p1, p2, &count), 0);
        EXPECT_EQ(count, r.count);
        EXPECT_EQ(p1[0] == 7, r.count == 0);
        EXPECT_EQ(p2[0] == 8, r.count == 0);
    }
}

TEST_F(Topology, PeriodicityStatusesAreNormalised) {
    struct Row {
        int u, v, u_out, v_out, status;
    };
    for (const Row& r : {Row{1, 0, 1, 0, 0}, Row{-3, -2, 0, -2, 0}, Row{-4, 1, -4, 1, 0}, Row{5, 0, 5, 0, 875051},
                         Row{0, 7, 0, 7, 875051}}) {
        host::control::give_outputs("PX_face_ask_surf_parm", {r.u, r.v});
        int us = 99, vs = 99;
        double up = 0, vp = 0;
        EXPECT_EQ(KX_MODL_ask_face_periodicity(wall_, &us, &up, &vs, &vp), r.status) << r.u << " " << r.v;
        EXPECT_EQ(us, r.u_out);
        EXPECT_EQ(vs, r.v_out);
    }
    host::control::clear_scripts();
    // A tag without a kernel face: -1, the outputs untouched.
    int us = 99, vs = 99;
    double up = 5, vp = 5;
    EXPECT_EQ(KX_MODL_ask_face_periodicity(NULL_TAG, &us, &up, &vs, &vp), -1);
    EXPECT_EQ(KX_MODL_ask_face_periodicity(body_, &us, &up, &vs, &vp), -1);
    EXPECT_EQ(us, 99);
    EXPECT_EQ(up, 5);
}

// ---- splits after a channel across the top face -------------------------------

TEST_F(Topology, TheOldTopFaceAnswersItsSplitFacesAndItsAliveFace) {
    feature("BLOCK", {"10", "70", "10"}, {20, -10, 15}, body_, FEAT_SIGN_SUBTRACT);
    ASSERT_TRUE(host::objects::is_alive(top_));
    int n = 0;
    tag* pieces = nullptr;
    ASSERT_EQ(KX_MODL_ask_split_faces(top_, &n, &pieces), 0);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(pieces[0], top_);
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(surface_of(pieces[i]), ZQ_SURF_PLANE);
        double b[6];
        box_of(pieces[i], b);
        EXPECT_NEAR(b[2], 20, 1e-6);
        EXPECT_NEAR(b[5], 20, 1e-6);
    }
    EXPECT_NE(pieces[0], pieces[1]);
    KX_free(pieces);
    tag alive = NULL_TAG;
    ASSERT_EQ(KX_MODL_ask_alive_face(top_, &alive), 0);
    EXPECT_EQ(alive, top_);

    ASSERT_EQ(KX_MODL_ask_split_edges(front_top_, &n, &pieces), 0);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(pieces[0], front_top_);
    KX_free(pieces);
    ASSERT_EQ(KX_MODL_ask_alive_edge(front_top_, &alive), 0);
    EXPECT_EQ(alive, front_top_);

    // A face that no operation split answers itself alone.
    ASSERT_EQ(KX_MODL_ask_split_faces(bottom_, &n, &pieces), 0);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(pieces[0], bottom_);
    KX_free(pieces);
}

// ---- grid counts -----------------------------------------------------------------

TEST_F(Topology, GridCountsOfAFaceAndOfABody) {
    for (int f : hk::faces_of(hk::entity_of(body_))) hk::set_grid_counts(hk::object_of(f), 3, 4);
    int u = 0, v = 0;
    ASSERT_EQ(KX_MODL_ask_face_grid_count(top_, &u, &v), 0);
    EXPECT_EQ(u, 3);
    EXPECT_EQ(v, 4);
    ASSERT_EQ(KX_MODL_ask_face_grid_count(body_, &u, &v), 0);
    EXPECT_EQ(u, 3);
    EXPECT_EQ(v, 4);
    hk::set_grid_counts(wall_, 3, 5);
    ASSERT_EQ(KX_MODL_ask_face_grid_count(body_, &u, &v), 0);
    EXPECT_EQ(u, 3);
    EXPECT_EQ(v, -1);
    EXPECT_TRUE(host::undo::marks().empty());

    u = v = 9;
    EXPECT_EQ(KX_MODL_ask_face_grid_count(NULL_TAG, &u, &v), 875027);
    EXPECT_EQ(u, 9);  // refused before the outputs are cleared
    EXPECT_EQ(KX_MODL_ask_face_grid_count(circle_, &u, &v), 875028);
    EXPECT_EQ(u, 0);
    EXPECT_EQ(KX_MODL_ask_face_grid_count(top_, nullptr, &v), 1105005);
    EXPECT_EQ(KX_MODL_ask_face_grid_count(top_, &u, nullptr), 1105006);
    EXPECT_TRUE(host::undo::marks().empty());
}

// A failure rolls the model back to the query's mark, which goes too; the
// error is acknowledged.
TEST_F(Topology, GridCountFailureRollsBackToItsMark) {
    host::control::raise_on("ES_read_grid_counts", 670099);
    int u = 0, v = 0;
    EXPECT_EQ(KX_MODL_ask_face_grid_count(body_, &u, &v), 670099);
    EXPECT_EQ(host::control::call_count("UNDO_JQ_set_mark"), 1);
    EXPECT_EQ(host::control::call_count("UNDO_JQ_undo_to_mark"), 1);
    EXPECT_TRUE(host::undo::marks().empty());
    const std::vector<int> acknowledged = host::control::acknowledged_codes();
    EXPECT_NE(std::find(acknowledged.begin(), acknowledged.end(), 670099), acknowledged.end());
    EXPECT_EQ(host::control::frame_depth(), 0);
}

// ---- face and torus types --------------------------------------------------------

// Faces with surfaces given as data: the kernel builds what it can; the
// rest answers as recorded.
TEST_F(Topology, TorusTypes) {
    struct Row {
        double major, minor;
        int type;
    };
    const auto fixture = host::control::make_part("tori.prt", {{70, 2}});
    const tag face = fixture.objects[0];
    CONTEXT_set_work_part(part_);
    for (const Row& r : {Row{10, 2, 1}, Row{2, 10, 2}, Row{-2, 10, 3}, Row{5, 5, 4}, Row{-10, 2, -1},
                         Row{5, 5 + 5e-11, 4}, Row{5 + 5e-11, 5, 4}, Row{5, 5 + 2e-10, 2}}) {
        host::kernel_surfaces::Surface s;
        s.kind = PX_SURF_TORUS;
        s.radii[0] = r.major;
        s.radii[1] = r.minor;
        s.box[1] = 1;
        s.box[3] = 1;
        host::kernel_surfaces::define(face, s);
        int type = 0;
        EXPECT_EQ(KX_MODL_ask_face_torus_type(face, &type), 0) << r.major << " " << r.minor;
        EXPECT_EQ(type, r.type) << r.major << " " << r.minor;
    }
    const double o[3] = {0, 0, 0}, z[3] = {0, 0, 1};
    int torus = 0;
    ZQ_BODY_make_torus(o, z, 10, 2, &torus);
    int type = 0;
    EXPECT_EQ(KX_MODL_ask_face_torus_type(hk::object_of(hk::faces_of(torus).at(0)), &type), 0);
    EXPECT_EQ(type, 1);
    type = 0;
    EXPECT_EQ(KX_MODL_ask_face_torus_type(top_, &type), 1105004);
    EXPECT_EQ(type, -1);
}

TEST_F(Topology, FaceTypeRefusals) {
    int type = 7;
    EXPECT_EQ(KX_MODL_ask_face_type(NULL_TAG, &type), 1105004);
    EXPECT_EQ(KX_MODL_ask_face_type(circle_, &type), 1105004);
    EXPECT_EQ(KX_MODL_ask_face_type(body_, &type), 1105004);
    EXPECT_EQ(KX_MODL_ask_face_type(top_, nullptr), 1105005);
    EXPECT_EQ(KX_MODL_ask_face_torus_type(body_, &type), 1105004);
    EXPECT_EQ(type, 7);
    kx_reset_session_for_tests();
    EXPECT_EQ(KX_MODL_ask_face_type(top_, &type), 1105000);
    EXPECT_EQ(KX_MODL_ask_face_torus_type(top_, &type), 1105000);
    EXPECT_EQ(KX_MODL_ask_split_faces(top_, &type, nullptr), 1105000);
}

// The host's face class 200 (an offset made by a feature) is type 65 too.
TEST_F(Topology, FaceClassOfAnOffsetGivesType65) {
    host::control::give_outputs("es7172_", {200});
    int type = 0;
    EXPECT_EQ(KX_MODL_ask_face_type(top_, &type), 0);
    EXPECT_EQ(type, 65);
}

// ---- occurrences -------------------------------------------------------------------

constexpr double kTurned[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};

TEST_F(Topology, OccurrenceFacesAnswerInTheirPartOccurrence) {
    const unsigned int assembly = host::parts::create("assembly.prt");
    const double shift[3] = {200, 0, 0};
    const unsigned int po1 = host::occurrences::create_part_occurrence(assembly, part_, kTurned, shift);
    const unsigned int po2 = host::occurrences::create_part_occurrence(assembly, part_);
    const tag top1 = OCC_find_occurrence(po1, top_), wall1 = OCC_find_occurrence(po1, wall_);
    const tag wall2 = OCC_find_occurrence(po2, wall_), edge1 = OCC_find_occurrence(po1, front_top_);
    auto expect_in = [&](const Tags& got, const Tags& prototypes, const char* what) {
        ASSERT_EQ(got.size(), prototypes.size()) << what;
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_TRUE(OCC_is_occurrence(got[i])) << what;
            EXPECT_EQ(OCC_ask_part_occurrence(got[i]), po1) << what;
            EXPECT_EQ(OCC_ask_prototype_of_occ(got[i]), prototypes[i]) << what;
        }
    };
    tag_list* list = nullptr;
    ASSERT_EQ(KX_MODL_ask_face_edges(top1, &list), 0);
    expect_in(take(list), kernel_tags(top_, ZQ_CLASS_EDGE), "face edges");
    ASSERT_EQ(KX_MODL_ask_adjac_faces(top_, &list), 0);
    const Tags adjacent = take(list);
    ASSERT_EQ(KX_MODL_ask_adjac_faces(top1, &list), 0);
    expect_in(take(list), adjacent, "adjacent faces");
    ASSERT_EQ(KX_MODL_ask_edge_faces(edge1, &list), 0);
    expect_in(take(list), kernel_tags(front_top_, ZQ_CLASS_FACE), "edge faces");
    ASSERT_EQ(KX_MODL_ask_shared_edges(top1, wall1, &list), 0);
    expect_in(take(list), {circle_}, "shared edges");
    loop_list* loops = nullptr;
    ASSERT_EQ(KX_MODL_ask_face_loops(top1, &loops), 0);
    for (int i = 0; i < 2; ++i) {
        int type = 0;
        tag_list* edges = nullptr;
        KX_MODL_ask_loop_list_item(loops, i, &type, &edges);
        for (tag e : kx::tags_of(edges)) EXPECT_EQ(OCC_ask_part_occurrence(e), po1);
    }
    KX_MODL_delete_loop_list(&loops);
    int n = 0;
    tag* pieces = nullptr;
    ASSERT_EQ(KX_MODL_ask_split_faces(top1, &n, &pieces), 0);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(pieces[0], top1);
    KX_free(pieces);
    int type = 0;
    EXPECT_EQ(KX_MODL_ask_face_type(wall1, &type), 0);
    EXPECT_EQ(type, 16);
    EXPECT_EQ(KX_MODL_ask_edge_type(edge1, &type), 0);
    EXPECT_EQ(type, 3001);

    // Faces of two part occurrences, or an occurrence and a prototype's
    // face, share nothing.
    list = reinterpret_cast<tag_list*>(0x10);
    EXPECT_EQ(KX_MODL_ask_shared_edges(top1, wall2, &list), 0);
    EXPECT_EQ(list, nullptr);
    list = reinterpret_cast<tag_list*>(0x10);
    EXPECT_EQ(KX_MODL_ask_shared_edges(top1, wall_, &list), 0);
    EXPECT_EQ(list, nullptr);

    // Points in the occurrence's coordinates: the prototype's (x, y, z)
    // lands at (200 - y, x, z).
    double p1[3], p2[3], q1[3], q2[3];
    int count = 0;
    ASSERT_EQ(KX_MODL_ask_edge_verts(front_top_, p1, p2, &count), 0);
    ASSERT_EQ(KX_MODL_ask_edge_verts(edge1, q1, q2, &count), 0);
    EXPECT_EQ(count, 2);
    EXPECT_NEAR(q1[0], 200 - p1[1], 1e-9);
    EXPECT_NEAR(q1[1], p1[0], 1e-9);
    EXPECT_NEAR(q2[1], p2[0], 1e-9);
    EXPECT_NEAR(q2[2], p2[2], 1e-9);
    // The point given in the occurrence finds the same end.
    tag_list *one = nullptr, *two = nullptr, *proto_one = nullptr, *proto_two = nullptr;
    ASSERT_EQ(KX_MODL_ask_cnnc_edges(edge1, q2, &one, &two), 0);
    ASSERT_EQ(KX_MODL_ask_cnnc_edges(front_top_, p2, &proto_one, &proto_two), 0);
    expect_in(take(one), take(proto_one), "connected edges, near end");
    expect_in(take(two), take(proto_two), "connected edges, far end");
}

TEST_F(Topology, OccurrenceOfAPartlyLoadedPrototypeIsRefused) {
    const unsigned int reopened = partly_loaded_part("kx_modl_topology", part_, ten_mm_block);
    ASSERT_NE(reopened, 0u);
    ASSERT_EQ(host::parts::load_state(reopened), PART_PARTIALLY_LOADED);
    unsigned int face = 0, edge = 0;
    for (unsigned int t : host::objects::objects_of_part(reopened)) {
        if (ES_solid_is_a_face(t) && !face) face = t;
        if (ES_solid_is_a_edge(t) && !edge) edge = t;
    }
    ASSERT_NE(face, 0u);
    ASSERT_NE(edge, 0u);
    const unsigned int po = host::occurrences::create_part_occurrence(part_, reopened, kTurned);
    const tag occ_face = OCC_find_occurrence(po, face), occ_edge = OCC_find_occurrence(po, edge);
    tag_list* list = nullptr;
    loop_list* loops = nullptr;
    int n = 0;
    tag* pieces = nullptr;
    double point[3] = {0, 0, 0};
    tag_list* other = nullptr;
    struct Row {
        const char* what;
        std::function<int()> ask;
    };
    for (const Row& r :
         {Row{"face edges", [&] { return KX_MODL_ask_face_edges(occ_face, &list); }},
          Row{"adjacent faces", [&] { return KX_MODL_ask_adjac_faces(occ_face, &list); }},
          Row{"face loops", [&] { return KX_MODL_ask_face_loops(occ_face, &loops); }},
          Row{"shared edges", [&] { return KX_MODL_ask_shared_edges(occ_face, occ_face, &list); }},
          Row{"split faces", [&] { return KX_MODL_ask_split_faces(occ_face, &n, &pieces); }},
          Row{"edge faces", [&] { return KX_MODL_ask_edge_faces(occ_edge, &list); }},
          Row{"split edges", [&] { return KX_MODL_ask_split_edges(occ_edge, &n, &pieces); }},
          Row{"connected edges", [&] { return KX_MODL_ask_cnnc_edges(occ_edge, point, &list, &other); }}}) {
        EXPECT_EQ(r.ask(), 1105024) << r.what;
        EXPECT_EQ(list, nullptr) << r.what;
        EXPECT_EQ(host::control::frame_depth(), 0) << r.what;
    }
}

// ---- refusals --------------------------------------------------------------------------

TEST_F(Topology, NullAndDeadTagsWrongClassesAndNullOutputs) {
    const double o[3] = {0, 0, 0}, s[3] = {1, 1, 1};
    int gone = 0;
    ZQ_BODY_make_block(o, s, &gone);
    const tag dead = hk::object_of(hk::faces_of(gone).at(0));
    ZQ_ENTITY_delete(gone);
    ASSERT_FALSE(host::objects::is_alive(dead));

    tag_list* list = nullptr;
    loop_list* loops = nullptr;
    tag t = NULL_TAG;
    int n = 0;
    tag* pieces = nullptr;
    double p1[3] = {0, 0, 0}, p2[3] = {0, 0, 0};
    tag_list* other = nullptr;
    struct Row {
        const char* what;
        std::function<int(tag)> ask;
        tag right;  // an object of the right class
        tag wrong;  // one of another class
        int bad_tag, wrong_class;
        std::function<int()> null_output;
        int null_code;
    };
    const std::vector<Row> rows = {
        {"face body", [&](tag x) { return KX_MODL_ask_face_body(x, &t); }, top_, circle_, 875027, 875028,
         [&] { return KX_MODL_ask_face_body(top_, nullptr); }, 1105005},
        {"face edges", [&](tag x) { return KX_MODL_ask_face_edges(x, &list); }, top_, circle_, 875027, 875028,
         [&] { return KX_MODL_ask_face_edges(top_, nullptr); }, 1105005},
        {"adjacent faces", [&](tag x) { return KX_MODL_ask_adjac_faces(x, &list); }, top_, body_, 875027, 875028,
         [&] { return KX_MODL_ask_adjac_faces(top_, nullptr); }, 1105005},
        {"face loops", [&](tag x) { return KX_MODL_ask_face_loops(x, &loops); }, top_, circle_, 875027, 875028,
         [&] { return KX_MODL_ask_face_loops(top_, nullptr); }, 1105005},
        {"shared edges, first", [&](tag x) { return KX_MODL_ask_shared_edges(x, top_, &list); }, top_, circle_, 875027,
         875028, [&] { return KX_MODL_ask_shared_edges(top_, top_, nullptr); }, 1105006},
        {"shared edges, second", [&](tag x) { return KX_MODL_ask_shared_edges(top_, x, &list); }, top_, circle_, 875027,
         875028, [&] { return KX_MODL_ask_shared_edges(top_, wall_, nullptr); }, 1105006},
        {"face features", [&](tag x) { return KX_MODL_ask_face_feats(x, &list); }, top_, circle_, 875027, 875028,
         [&] { return KX_MODL_ask_face_feats(top_, nullptr); }, 1105005},
        {"split faces", [&](tag x) { return KX_MODL_ask_split_faces(x, &n, &pieces); }, top_, circle_, 875027, 875028,
         [&] { return KX_MODL_ask_split_faces(top_, &n, nullptr); }, 1105006},
        {"alive face", [&](tag x) { return KX_MODL_ask_alive_face(x, &t); }, top_, circle_, 875027, 875028,
         [&] { return KX_MODL_ask_alive_face(top_, nullptr); }, 1105005},
        {"edge body", [&](tag x) { return KX_MODL_ask_edge_body(x, &t); }, circle_, top_, 875027, 875031,
         [&] { return KX_MODL_ask_edge_body(circle_, nullptr); }, 1105005},
        {"edge faces", [&](tag x) { return KX_MODL_ask_edge_faces(x, &list); }, circle_, top_, 875027, 875031,
         [&] { return KX_MODL_ask_edge_faces(circle_, nullptr); }, 1105005},
        {"edge features", [&](tag x) { return KX_MODL_ask_edge_feats(x, &list); }, circle_, top_, 875027, 875031,
         [&] { return KX_MODL_ask_edge_feats(circle_, nullptr); }, 1105005},
        {"edge vertices", [&](tag x) { return KX_MODL_ask_edge_verts(x, p1, p2, &n); }, circle_, top_, 875027, 875031,
         [&] { return KX_MODL_ask_edge_verts(circle_, p1, p2, nullptr); }, 1105007},
        {"split edges", [&](tag x) { return KX_MODL_ask_split_edges(x, &n, &pieces); }, circle_, top_, 875027, 875028,
         [&] { return KX_MODL_ask_split_edges(circle_, nullptr, &pieces); }, 1105005},
        {"alive edge", [&](tag x) { return KX_MODL_ask_alive_edge(x, &t); }, circle_, top_, 875027, 875031,
         [&] { return KX_MODL_ask_alive_edge(circle_, nullptr); }, 1105005},
        {"connected edges", [&](tag x) { return KX_MODL_ask_cnnc_edges(x, p1, &list, &other); }, circle_, top_, 875027,
         875008, [&] { return KX_MODL_ask_cnnc_edges(circle_, p1, &list, nullptr); }, 1105007},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(r.ask(NULL_TAG), r.bad_tag);
        EXPECT_EQ(r.ask(dead), r.bad_tag);
        EXPECT_EQ(r.ask(r.wrong), r.wrong_class);
        EXPECT_EQ(r.ask(body_), r.wrong_class);
        EXPECT_EQ(r.null_output(), r.null_code);
        EXPECT_EQ(host::control::frame_depth(), 0);
        EXPECT_EQ(list, nullptr);
        EXPECT_EQ(loops, nullptr);
        EXPECT_EQ(pieces, nullptr);
        EXPECT_EQ(r.ask(r.right), 0);
        KX_MODL_delete_list(&list);
        KX_MODL_delete_list(&other);
        KX_MODL_delete_loop_list(&loops);
        KX_free(pieces);
        pieces = nullptr;
    }
    // A face that carries no feature record.
    EXPECT_EQ(KX_MODL_ask_face_feats(hk::object_of(hk::faces_of([&] {
                                                       int b = 0;
                                                       ZQ_BODY_make_block(o, s, &b);
                                                       return b;
                                                   }())
                                                       .at(0)),
                                     &list),
              875023);
    EXPECT_EQ(list, nullptr);
}

// ---- kernel failures -----------------------------------------------------------------

// An error raised at any host call of a query is its status, with no frame
// left armed and no block kept. (A release that fails keeps its block in
// the host: the fault simulation below covers those.)
TEST_F(Topology, AnErrorAtEachHostCallIsTheStatus) {
    double point[3] = {0, 0, 20};
    tag_list *list = nullptr, *other = nullptr;
    loop_list* loops = nullptr;
    tag t = NULL_TAG;
    int n = 0, u = 0, v = 0;
    tag* pieces = nullptr;
    double p1[3] = {0, 0, 0}, p2[3] = {0, 0, 0}, up = 0, vp = 0;
    auto drop = [&] {
        KX_MODL_delete_list(&list);
        KX_MODL_delete_list(&other);
        KX_MODL_delete_loop_list(&loops);
        KX_free(pieces);
        pieces = nullptr;
    };
    struct Row {
        const char* what;
        std::function<int()> ask;
    };
    const std::vector<Row> rows = {
        {"face body", [&] { return KX_MODL_ask_face_body(top_, &t); }},
        {"face edges", [&] { return KX_MODL_ask_face_edges(top_, &list); }},
        {"adjacent faces", [&] { return KX_MODL_ask_adjac_faces(top_, &list); }},
        {"face loops", [&] { return KX_MODL_ask_face_loops(top_, &loops); }},
        {"shared edges", [&] { return KX_MODL_ask_shared_edges(top_, wall_, &list); }},
        {"face features", [&] { return KX_MODL_ask_face_feats(top_, &list); }},
        {"periodicity", [&] { return KX_MODL_ask_face_periodicity(wall_, &u, &up, &v, &vp); }},
        {"topology", [&] { return KX_MODL_ask_face_topology(wall_, &u); }},
        {"face type", [&] { return KX_MODL_ask_face_type(wall_, &u); }},
        {"split faces", [&] { return KX_MODL_ask_split_faces(top_, &n, &pieces); }},
        {"grid count", [&] { return KX_MODL_ask_face_grid_count(body_, &u, &v); }},
        {"alive face", [&] { return KX_MODL_ask_alive_face(top_, &t); }},
        {"edge body", [&] { return KX_MODL_ask_edge_body(circle_, &t); }},
        {"edge faces", [&] { return KX_MODL_ask_edge_faces(circle_, &list); }},
        {"edge features", [&] { return KX_MODL_ask_edge_feats(circle_, &list); }},
        {"edge vertices", [&] { return KX_MODL_ask_edge_verts(front_top_, p1, p2, &n); }},
        {"edge type", [&] { return KX_MODL_ask_edge_type(circle_, &n); }},
        {"split edges", [&] { return KX_MODL_ask_split_edges(front_top_, &n, &pieces); }},
        {"alive edge", [&] { return KX_MODL_ask_alive_edge(front_top_, &t); }},
        {"connected edges", [&] { return KX_MODL_ask_cnnc_edges(front_top_, point, &list, &other); }},
    };
    for (const Row& r : rows) {
        host::control::clear_journal();
        ASSERT_EQ(r.ask(), 0) << r.what;
        std::vector<std::string> names;
        for (const std::string& name : host::control::call_names())
            if (name.rfind("ERROR_", 0) != 0 && name != "SM_free" &&
                std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
        drop();
        EXPECT_FALSE(names.empty()) << r.what;
        for (const std::string& name : names) {
            const std::size_t blocks = host::control::live_blocks();
            host::control::raise_on(name.c_str(), faultsim::kInjectedCode, 1);
            EXPECT_EQ(r.ask(), faultsim::kInjectedCode) << r.what << " at " << name;
            host::control::clear_scripts();
            EXPECT_EQ(host::control::frame_depth(), 0) << r.what << " at " << name;
            drop();
            EXPECT_EQ(host::control::live_blocks(), blocks) << r.what << " at " << name;
            EXPECT_TRUE(host::undo::marks().empty()) << r.what << " at " << name;
        }
    }
}

// ---- fault simulation ----------------------------------------------------------------

unsigned int g_top = 0, g_wall = 0, g_circle = 0, g_body = 0, g_occurrence = 0;

void model() {
    kxtest::fresh_process();
    const unsigned int part = host::parts::create("walk.prt");
    host::parts::set_work_part(part);
    const double o[3] = {0, 0, 0}, z[3] = {0, 0, 1};
    int body = 0;
    ZQ_BODY_make_cylinder(o, z, 5, 10, &body);
    g_body = hk::object_of(body);
    for (int f : hk::faces_of(body)) {
        if (surface_of(hk::object_of(f)) == ZQ_SURF_CYLINDER) g_wall = hk::object_of(f);
        else if (!g_top) g_top = hk::object_of(f);
    }
    for (int e : hk::edges_of(body))
        if (curve_of(hk::object_of(e)) == ZQ_CURVE_CIRCLE) g_circle = hk::object_of(e);
    const unsigned int assembly = host::parts::create("walk_assembly.prt");
    const unsigned int po = host::occurrences::create_part_occurrence(assembly, part, kTurned);
    g_occurrence = OCC_find_occurrence(po, g_wall);
    // The occurrences of the prototype's faces and edges exist before the
    // story: the host makes one on its first request, which is no change
    // that a failed query would have to take back.
    for (int f : hk::faces_of(body)) OCC_find_occurrence(po, hk::object_of(f));
    for (int e : hk::edges_of(body)) OCC_find_occurrence(po, hk::object_of(e));
    host::control::clear_journal();
}

#define STEP FAULTSIM_STEP

int walk() {
    STEP(KX_initialize());
    tag_list *list = nullptr, *other = nullptr;
    loop_list* loops = nullptr;
    STEP(KX_MODL_ask_face_edges(g_wall, &list));
    STEP(KX_MODL_delete_list(&list));
    STEP(KX_MODL_ask_adjac_faces(g_occurrence, &list));
    STEP(KX_MODL_delete_list(&list));
    STEP(KX_MODL_ask_face_loops(g_wall, &loops));
    STEP(KX_MODL_delete_loop_list(&loops));
    STEP(KX_MODL_ask_shared_edges(g_top, g_wall, &list));
    STEP(KX_MODL_delete_list(&list));
    STEP(KX_MODL_ask_edge_faces(g_circle, &list));
    STEP(KX_MODL_delete_list(&list));
    double point[3] = {5, 0, 0};
    STEP(KX_MODL_ask_cnnc_edges(g_circle, point, &list, &other));
    STEP(KX_MODL_delete_list(&list));
    STEP(KX_MODL_delete_list(&other));
    int u = 0, v = 0, n = 0;
    STEP(KX_MODL_ask_face_grid_count(g_body, &u, &v));
    tag* pieces = nullptr;
    STEP(KX_MODL_ask_split_faces(g_top, &n, &pieces));
    KX_free(pieces);
    double p1[3], p2[3];
    STEP(KX_MODL_ask_edge_verts(g_circle, p1, p2, &n));
    return 0;
}

TEST(TopologyFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report r = faultsim::simulate(faultsim::Story{"face_edge_topology", walk, model});
    EXPECT_EQ(r.problem, "");
    EXPECT_GT(r.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(r), "");
}

}  // namespace
