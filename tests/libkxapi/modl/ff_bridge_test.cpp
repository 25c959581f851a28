// Bridge faces shaped by their sides: side strings and side faces' edges
// give the bridge's open sides, which otherwise run straight across; also
// under fault simulation.
#include <array>
#include <cmath>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/wcs.h"
#include "kx_modl_a_sweep.h"
#include "kx_modl_cre_ff.h"
#include "tests/libkxapi/curve/reopen_fixture.h"
#include "tests/libkxapi/modl/form_fixture.h"
#include "tests/libkxapi/modl/host_block.h"
#include "tests/support/faultsim.h"

namespace {

using namespace form_test;

constexpr double kZ = 60;
const double kRadius = std::sqrt(50.0);
const double kSegment = 25 * (kPi / 2 - 1);  // area between an arc and its chord

using Point = std::array<double, 3>;

// Two coplanar sheets at z = 60, 100 long, 10 apart across y: the first
// ends at y = 20, the second starts at y = 30. Each open side of the bridge
// (x = 0 and x = 100) may bow outwards along an arc of 90 degrees through
// its corners, whose circular segment adds to the strip's area.
struct Scene {
    unsigned int part = 0, matrix = 0;
    tag faces[2] = {}, edges[2] = {};
    int dirs[2] = {1, 1};

    void make(unsigned int in) {
        part = in;
        const double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        ES_create_matrix_in_part(part, rows, 3, &matrix);
        main_sheet(0, {{{0, 20, kZ}, {100, 20, kZ}, {100, 0, kZ}, {0, 0, kZ}}});
        main_sheet(1, {{{0, 30, kZ}, {100, 30, kZ}, {100, 50, kZ}, {0, 50, kZ}}});
    }
    // Main sheet i over the four corners; the bridge leaves it along the
    // edge from the first corner to the second, run towards +x.
    void main_sheet(int i, std::array<Point, 4> c) {
        const tag body = sheet({line(c[0], c[1]), line(c[1], c[2]), line(c[2], c[3]), line(c[3], c[0])});
        faces[i] = host::kernel::object_of(host::kernel::faces_of(host::kernel::entity_of(body)).at(0));
        for (int e : host::kernel::edges_of(host::kernel::entity_of(body))) {
            double t[2], p[3], q[3];
            ZQ_CURVE_ask_interval(e, t);
            ZQ_EDGE_eval(e, t[0], 0, p);
            ZQ_EDGE_eval(e, t[1], 0, q);
            if (std::hypot(p[1] + q[1] - c[0][1] - c[1][1], p[2] + q[2] - c[0][2] - c[1][2]) < 1e-9 &&
                std::abs(p[0] - q[0]) > 1) {
                edges[i] = host::kernel::object_of(e);
                dirs[i] = q[0] > p[0] ? 1 : -1;
            }
        }
    }
    tag line(Point a, Point b) const {
        const double ends[6] = {a[0], a[1], a[2], b[0], b[1], b[2]};
        unsigned int l = 0;
        ES_create_line_in_part(part, ends, &l);
        return l;
    }
    tag line(double x0, double y0, double x1, double y1) const { return line({x0, y0, kZ}, {x1, y1, kZ}); }
    // The arc of open side s (x = 0 or 100) between angles a0 < a1
    // (degrees, counterclockwise, from the outward bulge).
    tag arc(int s, double a0 = -45, double a1 = 45) const {
        const double out = s == 0 ? 180 : 0, rad = kPi / 180;
        const double data[6] = {(out + a0) * rad, (out + a1) * rad, centre(s)[0], 25, kZ, kRadius};
        unsigned int a = 0;
        ES_create_arc(data, matrix, &a);
        return a;
    }
    static Point centre(int s) { return {s == 0 ? 5.0 : 95.0, 25, kZ}; }
    // A planar sheet over a closed string.
    static tag sheet(std::vector<tag> boundary) {
        int per[1] = {static_cast<int>(boundary.size())}, dir[1] = {1};
        string_list l{1, per, dir, boundary.data()};
        double tol[3] = {0.001, 0.5, 0.02};
        tag f = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_bplane(&l, tol, &f), 0);
        return FREC_ask_body(f);
    }
    // A side face beyond open side s, meeting the bridge along the arc:
    // the face and that edge.
    std::pair<tag, tag> side_face(int s) const {
        const double x = s == 0 ? -10 : 110, edge = s == 0 ? 0 : 100;
        const tag body = sheet({arc(s), line(edge, 30, x, 30), line(x, 30, x, 20), line(x, 20, edge, 20)});
        const int face = host::kernel::faces_of(host::kernel::entity_of(body)).at(0);
        for (int e : host::kernel::edges_of(host::kernel::entity_of(body))) {
            int type = 0;
            double p[3], d[3], r = 0;
            ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
            if (type == ZQ_CURVE_CIRCLE) return {host::kernel::object_of(face), host::kernel::object_of(e)};
        }
        ADD_FAILURE() << "the side face has no arc";
        return {NULL_TAG, NULL_TAG};
    }
};

class BridgeSides : public FormFeature {
protected:
    void SetUp() override {
        FormFeature::SetUp();
        s_.make(part_);
    }
    Scene s_;
};

// How an open side is given: not at all, by a side string (of one arc or
// of two arcs meeting at the bulge, the first running away from it), by a
// side face, or by a string that does not reach the corners.
enum class Side { none, string, split_string, face, away };

TEST_F(BridgeSides, OpenSidesFollowTheirStringsAndSideFaces) {
    struct Case {
        const char* what;
        std::array<Side, 2> sides;  // at x = 0 and at x = 100
        int direction;              // both edges run towards +x (1) or -x (-1)
    } cases[] = {
        {"no sides: the flat strip", {Side::none, Side::none}, 1},
        {"two side strings", {Side::string, Side::string}, 1},
        {"two side strings, edges run backwards", {Side::string, Side::string}, -1},
        {"a string of two arcs and a string", {Side::split_string, Side::string}, 1},
        {"two side faces", {Side::face, Side::face}, 1},
        {"a side face and a side string", {Side::string, Side::face}, -1},
        {"one side string", {Side::none, Side::string}, 1},
        {"a string away from the corners", {Side::away, Side::none}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::vector<tag>> strings;
        tag side_faces[2] = {}, side_edges[2] = {};
        int n_faces = 0;
        for (int s = 0; s < 2; ++s) switch (c.sides[s]) {
            case Side::none: break;
            case Side::string: strings.push_back({s_.arc(s)}); break;
            case Side::split_string: strings.push_back({s_.arc(s, 0, 45), s_.arc(s, -45, 0)}); break;
            case Side::face: std::tie(side_faces[n_faces], side_edges[n_faces]) = s_.side_face(s), ++n_faces; break;
            case Side::away: strings.push_back({s_.line(-20, 0, -20, 50)}); break;
            }
        int per[2][1] = {}, dir[1] = {1};
        string_list lists[2] = {};
        for (std::size_t i = 0; i < strings.size(); ++i) {
            per[i][0] = static_cast<int>(strings[i].size());
            lists[i] = {1, per[i], dir, strings[i].data()};
        }
        int dirs[2] = {c.direction * s_.dirs[0], c.direction * s_.dirs[1]};
        tag made = NULL_TAG;
        ASSERT_EQ(KX_MODL_create_bridge_face(1, nullptr, s_.faces, s_.edges, dirs, strings.empty() ? nullptr : &lists[0],
                                             strings.size() < 2 ? nullptr : &lists[1], side_faces, side_edges, &made),
                  0);
        EXPECT_EQ(marks(), 0);
        int bowed = 0;
        for (Side s : c.sides) bowed += s != Side::none && s != Side::away;
        for (int round = 0; round < 2; ++round) {
            std::array<double, ZQ_MP_COUNT> p{};
            ZQ_BODY_ask_mass_props(host::kernel::entity_of(made), p.data());
            EXPECT_NEAR(p[ZQ_MP_AREA], 10 * 100 + bowed * kSegment, 1e-3);
            EXPECT_NEAR(p[ZQ_MP_CENTROID + 2], kZ, 1e-6);
            ASSERT_EQ(KX_MODL_update(), 0);
        }
        // Every edge of the bridge lies on a main edge, on a straight open
        // side or on its side's arc.
        int on_arcs = 0;
        for (int e : host::kernel::edges_of(host::kernel::entity_of(made))) {
            double t[2], q[3];
            ZQ_CURVE_ask_interval(e, t);
            ZQ_EDGE_eval(e, (t[0] + t[1]) / 2, 0, q);
            if (q[1] < 20 + 1e-4 || q[1] > 30 - 1e-4) continue;  // a main edge
            const int s = q[0] < 50 ? 0 : 1;
            const bool curved = c.sides[s] != Side::none && c.sides[s] != Side::away;
            on_arcs += curved;
            for (int k = 0; k <= 8; ++k) {
                ZQ_EDGE_eval(e, t[0] + (t[1] - t[0]) * k / 8, 0, q);
                const double dx = q[0] - Scene::centre(s)[0], dy = q[1] - 25;
                if (curved)
                    EXPECT_NEAR(std::hypot(dx, dy), kRadius, 1e-4) << "side " << s << " at " << k;
                else
                    EXPECT_NEAR(q[0], 100 * s, 1e-4) << "side " << s << " at " << k;
                EXPECT_NEAR(q[2], kZ, 1e-6);
            }
        }
        EXPECT_EQ(on_arcs, bowed);
    }
}

// The second sheet stands upright above the gap: the bridge turns a
// quarter from the lying sheet to the standing one. Quarter circles about
// the axis y = 20, z = 70 as side strings leave and meet both faces along
// their cross tangents, so the bridge becomes the quarter cylinder between
// them; the plain cubic across is another shape.
TEST_F(BridgeSides, SideStringsBendTheBridgeAroundACorner) {
    s_.main_sheet(1, {{{0, 30, 70}, {100, 30, 70}, {100, 30, 100}, {0, 30, 100}}});
    const auto area = [](tag body) {
        std::array<double, ZQ_MP_COUNT> p{};
        ZQ_BODY_ask_mass_props(host::kernel::entity_of(body), p.data());
        return p[ZQ_MP_AREA];
    };
    const double quarter_cylinder = 100 * kPi * 10 / 2;
    tag plain = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_bridge_face(1, nullptr, s_.faces, s_.edges, s_.dirs, nullptr, nullptr, nullptr, nullptr,
                                         &plain),
              0);
    EXPECT_GT(std::abs(area(plain) - quarter_cylinder), 1);

    // The arcs' plane: X along y, Y along z; the centre in that frame.
    const double rows[9] = {0, 1, 0, 0, 0, 1, 1, 0, 0};
    unsigned int upright = 0;
    ES_create_matrix_in_part(part_, rows, 3, &upright);
    tag arcs[2] = {};
    for (int s = 0; s < 2; ++s) {
        const double data[6] = {1.5 * kPi, 2 * kPi, 20, 70, 100.0 * s, 10};
        ES_create_arc(data, upright, &arcs[s]);
    }
    int per[1] = {1}, dir[1] = {1};
    string_list first{1, per, dir, &arcs[0]}, second{1, per, dir, &arcs[1]};
    tag bent = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_bridge_face(1, nullptr, s_.faces, s_.edges, s_.dirs, &first, &second, nullptr, nullptr, &bent),
              0);
    for (int round = 0; round < 2; ++round) {
        EXPECT_NEAR(area(bent), quarter_cylinder, 1e-3);
        ASSERT_EQ(KX_MODL_update(), 0);
    }
    // The part file keeps the side strings: read back and made again by
    // the update, the bridge is the same quarter cylinder.
    bent = reopen_part(part_, kxtest::fresh_process)[bent];
    ASSERT_NE(bent, NULL_TAG);
    EXPECT_NEAR(area(bent), quarter_cylinder, 1e-3);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(area(bent), quarter_cylinder, 1e-3);
    // Its edges, the main ones and those along the arcs, all lie on the
    // cylinder.
    const std::vector<int> edges = host::kernel::edges_of(host::kernel::entity_of(bent));
    EXPECT_EQ(edges.size(), 4u);
    for (int e : edges) {
        double t[2], q[3];
        ZQ_CURVE_ask_interval(e, t);
        for (int k = 0; k <= 8; ++k) {
            ZQ_EDGE_eval(e, t[0] + (t[1] - t[0]) * k / 8, 0, q);
            EXPECT_NEAR(std::hypot(q[1] - 20, q[2] - 70), 10, 1e-4) << "edge " << e << " at " << k;
            EXPECT_TRUE(q[0] > -1e-6 && q[0] < 100 + 1e-6) << q[0];
        }
    }
}

// Quarter cylinders of radius 20 about the z axis, the first from z = 0
// to 10, the second from 20 to 30: without sides the bridge is the quarter
// cylinder between. Side strings bowing out of its open sides (in the
// planes x = 20 and y = 20, each in the faces' tangent plane at its
// corners) widen it; along both main edges, where the faces' normals turn
// with the arc, the bridge still leaves each face in its tangent plane.
TEST_F(BridgeSides, BetweenCurvedFacesTheBridgeStaysTangentAlongTheMainEdges) {
    for (int i = 0; i < 2; ++i) {
        tag arcs[2] = {};
        for (int k = 0; k < 2; ++k) {
            const double data[6] = {0, kPi / 2, 0, 0, 20.0 * i + 10 * k, 20};
            ES_create_arc(data, s_.matrix, &arcs[k]);
        }
        int per[2] = {1, 1}, dir[2] = {1, 1}, align = 1, end = 0, solid = 0;
        string_list sections{2, per, dir, arcs};
        double values[6] = {}, tol[3] = {0, 0.5, 0.02};
        tag ruled = NULL_TAG;
        ASSERT_EQ(KX_MODL_create_ruled(&sections, nullptr, &align, values, &end, &solid, 0, tol, &ruled), 0);
        const int body = host::kernel::entity_of(FREC_ask_body(ruled));
        s_.faces[i] = host::kernel::object_of(host::kernel::faces_of(body).at(0));
        for (int e : host::kernel::edges_of(body)) {
            double t[2], p[3], q[3];
            ZQ_CURVE_ask_interval(e, t);
            ZQ_EDGE_eval(e, t[0], 0, p);
            ZQ_EDGE_eval(e, t[1], 0, q);
            if (std::abs(p[2] - 10 - 10 * i) < 1e-9 && std::abs(q[2] - 10 - 10 * i) < 1e-9) {
                s_.edges[i] = host::kernel::object_of(e);
                s_.dirs[i] = q[1] > p[1] ? 1 : -1;  // towards the y axis
            }
        }
    }
    // The side strings: arcs through the corners bowing out by 5 - sqrt(50),
    // in frames whose X runs along z and whose Y points outwards.
    const double frames[2][9] = {{0, 0, 1, 0, -1, 0, 1, 0, 0}, {0, 0, 1, -1, 0, 0, 0, -1, 0}};
    tag sides[2] = {};
    for (int s = 0; s < 2; ++s) {
        unsigned int m = 0;
        ES_create_matrix_in_part(part_, frames[s], 3, &m);
        const double data[6] = {kPi / 4, 3 * kPi / 4, 15, -5, s == 0 ? 20.0 : -20.0, kRadius};
        ES_create_arc(data, m, &sides[s]);
    }
    int per[1] = {1}, dir[1] = {1};
    string_list first{1, per, dir, &sides[0]}, second{1, per, dir, &sides[1]};
    tag made = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_bridge_face(1, nullptr, s_.faces, s_.edges, s_.dirs, &first, &second, nullptr, nullptr,
                                         &made),
              0);
    std::array<double, ZQ_MP_COUNT> props{};
    ZQ_BODY_ask_mass_props(host::kernel::entity_of(made), props.data());
    EXPECT_GT(props[ZQ_MP_AREA], 10 * 20 * kPi / 2 + 20);
    const int face = host::kernel::faces_of(host::kernel::entity_of(made)).at(0);
    double box[4];
    ZQ_FACE_ask_uv_box(face, box);
    for (int end = 0; end < 2; ++end)
        for (int k = 0; k <= 32; ++k) {
            double d[18], n[3];
            ZQ_SURF_eval(face, box[0] + (box[1] - box[0]) * k / 32, box[2 + end], 0, d, n);
            const double r = std::hypot(d[0], d[1]);
            EXPECT_NEAR(r, 20, 1e-6) << "end " << end << " at " << k;
            EXPECT_NEAR(std::abs(n[0] * d[0] + n[1] * d[1]) / r, 1, 1e-6) << "end " << end << " at " << k;
        }
}

// ---- fault simulation ----

// Made before the story: the scene, a side string at x = 0 and a side face
// at x = 100.
Scene g_scene;
tag g_string = NULL_TAG, g_side_face = NULL_TAG, g_side_edge = NULL_TAG;

void bridge_model() {
    const auto [part, block] = fresh_host_block("bridge.prt");
    KX_initialize();
    g_scene = Scene{};
    g_scene.make(part);
    g_string = g_scene.arc(0);
    std::tie(g_side_face, g_side_edge) = g_scene.side_face(1);
    host::control::clear_journal();
}

int bridge_story() {
    FAULTSIM_STEP(KX_initialize());
    int per[1] = {1}, dir[1] = {1};
    string_list side{1, per, dir, &g_string};
    tag side_faces[2] = {g_side_face, NULL_TAG}, side_edges[2] = {g_side_edge, NULL_TAG};
    tag r = NULL_TAG;
    const int st = faultsim::step("KX_MODL_create_bridge_face", [&] {
        return KX_MODL_create_bridge_face(1, nullptr, g_scene.faces, g_scene.edges, g_scene.dirs, &side, nullptr,
                                          side_faces, side_edges, &r);
    });
    return st != 0 && r != NULL_TAG ? -1 : st;
}

TEST(BridgeSidesFaultSimulation, EveryRunEndsClean) {
    const faultsim::Report rep =
        faultsim::simulate(faultsim::Story{"bridge with a side string and a side face", bridge_story, bridge_model});
    EXPECT_EQ(rep.problem, "");
    EXPECT_GT(rep.runs, 0u);
    EXPECT_EQ(faultsim::faults_of(rep), "");
}

}  // namespace
