// Facetted models: faceting the primitives (facets on the surface within
// the tolerance, every edge shared by two facets), models built facet by
// facet, their queries, convexity and plane equations, the parameter
// records and the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/control/control.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/views.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/base/services/objects.h"
#include "host/kernel/engine/kernel.h"
#include "kxapi.h"

extern "C" void kx_reset_session_for_tests(void);

namespace {

class FacetTest : public ::testing::Test {
protected:
    void SetUp() override {
        fresh();
        ASSERT_EQ(KX_initialize(), 0);
        part = host::parts::create("facets.prt");
        host::parts::set_work_part(part);
    }
    void TearDown() override { fresh(); }
    static void fresh() {
        kx_reset_session_for_tests();
        host::control::reset();
    }

    static facet_parameters with_tolerance(double distance, double angle) {
        facet_parameters p{};
        p.version = KX_FACET_PARAMETERS_VERSION_V1;  // any other version asks the defaults
        p.version = 0;
        EXPECT_EQ(KX_FACET_ask_default_parameters(&p), 0);
        p.tolerance_1_set = 1;
        p.tolerance_1_distance = distance;
        p.tolerance_1_angle = angle;
        return p;
    }

    static std::vector<std::vector<std::array<double, 3>>> facets_of(tag model) {
        std::vector<std::vector<std::array<double, 3>>> out;
        int most = 0;
        EXPECT_EQ(KX_FACET_ask_max_facet_verts(model, &most), 0);
        std::vector<double> v(static_cast<std::size_t>(most) * 3);
        for (int f = -1;;) {
            EXPECT_EQ(KX_FACET_cycle_facets(model, &f), 0);
            if (f == -1) break;
            int n = 0;
            EXPECT_EQ(KX_FACET_ask_vertices_of_facet(model, f, &n, reinterpret_cast<double(*)[3]>(v.data())), 0);
            std::vector<std::array<double, 3>> facet;
            for (int i = 0; i < n; ++i) facet.push_back({v[3 * i], v[3 * i + 1], v[3 * i + 2]});
            out.push_back(facet);
        }
        return out;
    }

    // Every edge of every facet has a facet on the other side that shares
    // it the other way round.
    static void expect_closed(tag model) {
        for (int f = -1;;) {
            ASSERT_EQ(KX_FACET_cycle_facets(model, &f), 0);
            if (f == -1) break;
            int n = 0;
            ASSERT_EQ(KX_FACET_ask_num_verts_in_facet(model, f, &n), 0);
            for (int e = 0; e < n; ++e) {
                int other = -2, other_edge = -2;
                ASSERT_EQ(KX_FACET_ask_adjacent_facet(model, f, e, &other, &other_edge), 0);
                ASSERT_GE(other, 0) << "facet " << f << " edge " << e << " is open";
                int back = -2, back_edge = -2;
                ASSERT_EQ(KX_FACET_ask_adjacent_facet(model, other, other_edge, &back, &back_edge), 0);
                EXPECT_EQ(back, f);
                EXPECT_EQ(back_edge, e);
            }
        }
    }

    static tag body(int made) { return host::kernel::object_of(made); }

    tag part = NULL_TAG;
};

using P = std::array<double, 3>;
double len(const P& p) { return std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]); }

TEST_F(FacetTest, PrimitivesAreClosedAndLieOnTheirSurfacesWithinTheTolerance) {
    const double tol = 0.01;
    const double o[3] = {0, 0, 0}, z[3] = {0, 0, 1};
    struct Case {
        std::string name;
        std::function<int()> make;
        // Distance of a point from the surface (vertices: near 0) and how
        // far a facet's centre may lie inside it.
        std::function<double(const P&)> off_surface;
        // 1 convex, 0 not, -1 either: a mesh of a curved convex face may
        // bend inwards a little where rings of vertices are staggered.
        int convex;
    };
    const std::vector<Case> cases = {
        {"block 10 x 20 x 30",
         [&] {
             int b = 0;
             const double s[3] = {10, 20, 30};
             ZQ_BODY_make_block(o, s, &b);
             return b;
         },
         [](const P& p) {
             const double d[3] = {std::min(std::fabs(p[0]), std::fabs(p[0] - 10)),
                                  std::min(std::fabs(p[1]), std::fabs(p[1] - 20)),
                                  std::min(std::fabs(p[2]), std::fabs(p[2] - 30))};
             return std::min({d[0], d[1], d[2]});
         },
         1},
        {"sphere of radius 5",
         [&] {
             int b = 0;
             ZQ_BODY_make_sphere(o, 5, &b);
             return b;
         },
         [](const P& p) { return std::fabs(len(p) - 5); }, -1},
        {"cylinder of radius 4, height 10",
         [&] {
             int b = 0;
             ZQ_BODY_make_cylinder(o, z, 4, 10, &b);
             return b;
         },
         [](const P& p) {
             const double r = std::hypot(p[0], p[1]);
             return std::min({std::fabs(r - 4), std::fabs(p[2]), std::fabs(p[2] - 10)});
         },
         -1},
        {"cone of radii 4 and 2, height 6",
         [&] {
             int b = 0;
             ZQ_BODY_make_cone(o, z, 4, 2, 6, &b);
             return b;
         },
         [](const P& p) {
             const double r = std::hypot(p[0], p[1]);
             // Distance from the slanted side: the line from (4, 0) to (2, 6).
             const double side = std::fabs(6 * (r - 4) + 2 * p[2]) / std::hypot(6, 2);
             return std::min({side, std::fabs(p[2]), std::fabs(p[2] - 6)});
         },
         -1},
        {"torus of radii 6 and 2",
         [&] {
             int b = 0;
             ZQ_BODY_make_torus(o, z, 6, 2, &b);
             return b;
         },
         [](const P& p) { return std::fabs(std::hypot(std::hypot(p[0], p[1]) - 6, p[2]) - 2); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const tag solid = body(c.make());
        facet_parameters p = with_tolerance(tol, 0.3);
        tag model = NULL_TAG;
        ASSERT_EQ(KX_FACET_facet_solid(solid, &p, &model), 0);
        ASSERT_NE(model, NULL_TAG);
        const auto facets = facets_of(model);
        ASSERT_GT(facets.size(), 3u);
        for (const auto& f : facets) {
            P centre{0, 0, 0};
            for (const P& v : f) {
                EXPECT_LT(c.off_surface(v), 1e-6);
                for (int k = 0; k < 3; ++k) centre[k] += v[k] / static_cast<double>(f.size());
            }
            EXPECT_LT(c.off_surface(centre), tol * 1.01);
        }
        expect_closed(model);
        char convex = 2;
        ASSERT_EQ(KX_FACET_is_model_convex(model, &convex), 0);
        if (c.convex >= 0) {
            EXPECT_EQ(convex, c.convex);
        }
        char up_to_date = 0;
        ASSERT_EQ(KX_FACET_is_model_up_to_date(model, &up_to_date), 0);
        EXPECT_EQ(up_to_date, 1);
        tag back = NULL_TAG;
        ASSERT_EQ(KX_FACET_ask_solid_of_model(model, &back), 0);
        EXPECT_EQ(back, solid);
    }
}

TEST_F(FacetTest, ABlocksFacetsBoundTheBlockFaceByFace) {
    const double o[3] = {1, 2, 3}, s[3] = {4, 5, 6};
    int made = 0;
    ZQ_BODY_make_block(o, s, &made);
    const tag solid = body(made);
    tag model = NULL_TAG;
    ASSERT_EQ(KX_FACET_facet_solid(solid, nullptr, &model), 0);
    int faces = 0;
    ASSERT_EQ(KX_FACET_ask_num_faces(model, &faces), 0);
    ASSERT_EQ(faces, 6);
    std::map<std::string, int> planes;  // outward normal and d of each face
    for (int id = 0; id < faces; ++id) {
        tag face = NULL_TAG;
        ASSERT_EQ(KX_FACET_ask_solid_face_of_face_id(model, id, &face), 0);
        int back = -1;
        ASSERT_EQ(KX_FACET_ask_face_id_of_solid_face(model, face, &back), 0);
        EXPECT_EQ(back, id);
        int count = 0, seen = 0;
        ASSERT_EQ(KX_FACET_ask_num_facets_in_face(model, id, &count), 0);
        for (int f = -1;;) {
            ASSERT_EQ(KX_FACET_cycle_facets_in_face(model, id, &f), 0);
            if (f == -1) break;
            ++seen;
            double n[3], d = 0;
            ASSERT_EQ(KX_FACET_ask_plane_equation(model, f, n, &d), 0);
            char convex = 0;
            ASSERT_EQ(KX_FACET_is_facet_convex(model, f, &convex), 0);
            EXPECT_EQ(convex, 1);
            tag of = NULL_TAG;
            ASSERT_EQ(KX_FACET_ask_solid_face_of_facet(model, f, &of), 0);
            EXPECT_EQ(of, face);
            char key[64];
            std::snprintf(key, sizeof key, "%+.0f %+.0f %+.0f %+.0f", n[0], n[1], n[2], d);
            ++planes[key];
        }
        EXPECT_EQ(seen, count);
    }
    // The six planes of the block, outwards: n . x + d = 0.
    std::vector<std::string> keys;
    for (const auto& [k, n] : planes) keys.push_back(k);
    EXPECT_EQ(keys, (std::vector<std::string>{"+0 +0 +1 -9", "+0 +0 -1 +3", "+0 +1 +0 -7", "+0 -1 +0 +2", "+1 +0 +0 -5",
                                              "-1 +0 +0 +1"}));
    // Edge convexity: between two faces of the block convex, inside a face flat.
    int f = -1;
    ASSERT_EQ(KX_FACET_cycle_facets(model, &f), 0);
    int flat = 0, convex = 0;
    for (int e = 0; e < 3; ++e) {
        int c = 9;
        ASSERT_EQ(KX_FACET_ask_edge_convexity(model, f, e, &c), 0);
        flat += c == 0;
        convex += c == 1;
    }
    EXPECT_EQ(flat + convex, 3);
    EXPECT_GE(convex, 1);
    int corner = 9;
    ASSERT_EQ(KX_FACET_ask_vertex_convexity(model, f, 0, &corner), 0);
    EXPECT_EQ(corner, 1);
}

// A tetrahedron made facet by facet.
class TetraTest : public FacetTest {
protected:
    void SetUp() override {
        FacetTest::SetUp();
        ASSERT_EQ(KX_FACET_create_model(part, &model), 0);
        for (const auto& t : kFaces) {
            double v[3][3];
            for (int i = 0; i < 3; ++i)
                for (int k = 0; k < 3; ++k) v[i][k] = kCorners[t[i]][k];
            int hints[3] = {0, 0, 0};
            int facet = -5;
            ASSERT_EQ(KX_FACET_add_facet_to_model(model, 3, v, nullptr, hints, &facet), 0);
            ids.push_back(facet);
        }
        ASSERT_EQ(KX_FACET_model_edits_done(model), 0);
    }
    static constexpr double kCorners[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    static constexpr int kFaces[4][3] = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
    tag model = NULL_TAG;
    std::vector<int> ids;
};

TEST_F(TetraTest, IsClosedConvexAndAnswersItsEdgesAndPlanes) {
    EXPECT_EQ(ids, (std::vector<int>{0, 1, 2, 3}));
    expect_closed(model);
    char convex = 0;
    ASSERT_EQ(KX_FACET_is_model_convex(model, &convex), 0);
    EXPECT_EQ(convex, 1);
    int n = 0;
    ASSERT_EQ(KX_FACET_ask_n_facets_in_model(model, &n), 0);
    EXPECT_EQ(n, 4);
    double normal[3], d = 0;
    ASSERT_EQ(KX_FACET_ask_plane_equation(model, 3, normal, &d), 0);
    const double k = 1 / std::sqrt(3.0);
    EXPECT_NEAR(normal[0], k, 1e-12);
    EXPECT_NEAR(normal[1], k, 1e-12);
    EXPECT_NEAR(normal[2], k, 1e-12);
    EXPECT_NEAR(d, -k, 1e-12);
    // Facet 0 runs 0 -> 2 -> 1: its edge 0 from corner 0 to corner 2.
    double a[3] = {0, 0, 0}, b[3] = {0, 1, 0}, far[3] = {5, 5, 5};
    int sense = -1, edge = -1;
    ASSERT_EQ(KX_FACET_find_edge_in_facet(model, 0, a, b, &sense, &edge), 0);
    EXPECT_EQ(edge, 0);
    EXPECT_EQ(sense, 0);
    ASSERT_EQ(KX_FACET_find_edge_in_facet(model, 0, b, a, &sense, &edge), 0);
    EXPECT_EQ(edge, 0);
    EXPECT_EQ(sense, 1);
    EXPECT_EQ(KX_FACET_find_edge_in_facet(model, 0, a, far, &sense, &edge), 1165008);
}

TEST_F(TetraTest, RefusalsAsTheirCodes) {
    double tri[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 0, 0}};
    double two[2][3] = {{0, 0, 0}, {1, 0, 0}};
    int hints[3] = {0, 0, 0};
    int facet = 7, out = 0, other = 0;
    char flag = 0;
    line_data l{{0, 0, 0}, {1, 0, 0}};
    tag line = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_line(&l, &line), 0);
    ASSERT_EQ(KX_FACET_del_facet_from_model(model, 3), 0);
    struct Case {
        const char* what;
        std::function<int()> call;
        int code;
    };
    const std::vector<Case> cases = {
        {"a facet whose first and last vertices coincide",
         [&] { return KX_FACET_add_facet_to_model(model, 3, tri, nullptr, hints, &facet); }, 1165019},
        {"two vertices", [&] { return KX_FACET_add_facet_to_model(model, 2, two, nullptr, hints, &facet); }, 1165009},
        {"a facet id beyond the model", [&] { return KX_FACET_ask_num_verts_in_facet(model, 4, &out); }, 1165002},
        {"a deleted facet", [&] { return KX_FACET_ask_num_verts_in_facet(model, 3, &out); }, 1165002},
        {"a vertex id beyond the facet", [&] { return KX_FACET_ask_vertex_convexity(model, 0, 3, &out); }, 1165003},
        {"an edge id beyond the facet", [&] { return KX_FACET_ask_adjacent_facet(model, 0, -1, &out, &other); },
         1165004},
        {"a face id of a model without faces", [&] { return KX_FACET_ask_num_facets_in_face(model, 0, &out); },
         1165030},
        {"a line as the model", [&] { return KX_FACET_is_model_convex(line, &flag); }, 1165001},
        {"a dead tag as the model", [&] { return KX_FACET_is_model_convex(999999, &flag); }, 1165001},
        {"a line as the solid face", [&] { return KX_FACET_ask_face_id_of_solid_face(model, line, &out); }, 1165031},
    };
    for (const Case& c : cases) EXPECT_EQ(c.call(), c.code) << c.what;
    EXPECT_EQ(facet, -1);  // the degenerate facet was refused first
}

TEST_F(TetraTest, AnOccurrenceIsAskedButNotEdited) {
    const double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, origin[3] = {0, 0, 0};
    const tag occ = host::views::make_occurrence_of(part, model, rows, origin);
    int n = 0;
    EXPECT_EQ(KX_FACET_ask_n_facets_in_model(occ, &n), 0);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(KX_FACET_del_facet_from_model(occ, 0), 1165010);
    EXPECT_EQ(KX_FACET_rebuild_adjacencies(occ), 1165010);
    int first = -1;
    EXPECT_EQ(KX_FACET_cycle_facets(occ, &first), 0);
    EXPECT_EQ(first, 0);
}

TEST_F(TetraTest, AnEditIsUndoneWithTheModel) {
    KX_UNDO_mark_id_t mark = 0;
    ASSERT_EQ(KX_UNDO_set_mark(1, "before", &mark), 0);
    ASSERT_EQ(KX_FACET_del_facet_from_model(model, 1), 0);
    int n = 0;
    ASSERT_EQ(KX_FACET_ask_n_facets_in_model(model, &n), 0);
    EXPECT_EQ(n, 3);
    ASSERT_EQ(KX_UNDO_undo_to_mark(mark, nullptr), 0);
    ASSERT_EQ(KX_FACET_ask_n_facets_in_model(model, &n), 0);
    EXPECT_EQ(n, 4);
}

TEST_F(FacetTest, ParameterRecordsOfTheirVersions) {
    facet_parameters old{};
    old.version = 0;
    EXPECT_EQ(KX_FACET_set_default_parameters(&old), 1165021);
    facet_parameters p{};
    p.version = 0;
    p.max_length = 77;
    ASSERT_EQ(KX_FACET_ask_default_parameters(&p), 0);
    EXPECT_EQ(p.version, -2);
    EXPECT_EQ(p.limit_count, 3);
    EXPECT_EQ(p.max_length, 1000);
    EXPECT_EQ(p.option_1, 1);
    EXPECT_EQ(p.precision_kind, 1);
    EXPECT_EQ(p.direction[2], 1);
    p.tolerance_1_set = 1;
    p.tolerance_1_distance = 0.25;
    p.option_5 = 1;
    ASSERT_EQ(KX_FACET_set_default_parameters(&p), 0);
    facet_parameters back{};
    back.version = -2;
    ASSERT_EQ(KX_FACET_ask_default_parameters(&back), 0);
    EXPECT_EQ(back.tolerance_1_set, 1);
    EXPECT_EQ(back.tolerance_1_distance, 0.25);
    EXPECT_EQ(back.option_5, 1);
    // A model keeps the parameters it was made with.
    int made = 0;
    const double o[3] = {0, 0, 0};
    ZQ_BODY_make_sphere(o, 3, &made);
    tag model = NULL_TAG;
    ASSERT_EQ(KX_FACET_facet_solid(body(made), nullptr, &model), 0);
    facet_parameters of_model{};
    of_model.version = -2;
    ASSERT_EQ(KX_FACET_ask_model_parameters(model, &of_model), 0);
    EXPECT_EQ(of_model.tolerance_1_distance, 0.25);
}

TEST_F(FacetTest, AModelOfAChangedSolidIsOutOfDateUntilUpdated) {
    const double o[3] = {0, 0, 0}, s[3] = {10, 10, 10};
    int made = 0;
    ZQ_BODY_make_block(o, s, &made);
    tag model = NULL_TAG;
    ASSERT_EQ(KX_FACET_facet_solid(body(made), nullptr, &model), 0);
    int before = 0;
    ASSERT_EQ(KX_FACET_ask_n_facets_in_model(model, &before), 0);
    int n_edges = 0;
    int* edges = nullptr;
    ASSERT_EQ(KI_idcoen_sm(made, ZQ_CLASS_EDGE, &edges, &n_edges), 0);
    ZQ_BODY_blend_edges(made, 1, edges, 2, 2);
    KX_free(edges);
    char up = 1;
    ASSERT_EQ(KX_FACET_is_model_up_to_date(model, &up), 0);
    EXPECT_EQ(up, 0);
    ASSERT_EQ(KX_FACET_update_model(model, nullptr), 0);
    ASSERT_EQ(KX_FACET_is_model_up_to_date(model, &up), 0);
    EXPECT_EQ(up, 1);
    int after = 0;
    ASSERT_EQ(KX_FACET_ask_n_facets_in_model(model, &after), 0);
    EXPECT_GT(after, before);
    int count = 0;
    tag* models = nullptr;
    ASSERT_EQ(KX_FACET_ask_models_of_solid(body(made), &count, &models), 0);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(models[0], model);
    KX_free(models);
    ASSERT_EQ(KX_FACET_disassoc_from_solid(model), 0);
    tag solid = 1;
    ASSERT_EQ(KX_FACET_ask_available_solid(model, &solid), 0);
    EXPECT_EQ(solid, NULL_TAG);
}

}  // namespace

namespace {

namespace pf = host::part_file;

// The facet service's own objects of the part read back from its file:
// the facets, faces and solid of a facetted block, and a model built facet
// by facet; a section that is cut short or refers beyond its pools is
// refused and leaves nothing.
TEST_F(TetraTest, ModelsGoIntoThePartFileAndComeBack) {
    const double o[3] = {0, 0, 0}, s[3] = {10, 20, 30};
    int made = 0;
    ZQ_BODY_make_block(o, s, &made);
    tag solid_model = NULL_TAG;
    ASSERT_EQ(KX_FACET_facet_solid(body(made), nullptr, &solid_model), 0);
    ASSERT_EQ(KX_FACET_del_facet_from_model(model, 2), 0);
    pf::Image image;
    ASSERT_EQ(pf::decode(pf::encode(part, nullptr, true), image), 0);
    const auto fctm =
        std::find_if(image.sections.begin(), image.sections.end(), [](const auto& s) { return s.first == "FCTM"; });
    ASSERT_NE(fctm, image.sections.end());

    int code = 0;
    const tag again = pf::apply(image, "again.prt", &code);
    ASSERT_NE(again, NULL_TAG) << code;
    std::vector<tag> models;
    for (unsigned int t : host::objects::objects_of_part(again))
        if (host::objects::find(t)->type == 139) models.push_back(t);
    ASSERT_EQ(models.size(), 2u);  // in the order made: the tetrahedron, the block's
    std::swap(models[0], models[1]);
    int n = 0, faces = 0, ids = 0;
    ASSERT_EQ(KX_FACET_ask_n_facets_in_model(models[0], &n), 0);
    int before = 0;
    ASSERT_EQ(KX_FACET_ask_n_facets_in_model(solid_model, &before), 0);
    EXPECT_EQ(n, before);
    ASSERT_EQ(KX_FACET_ask_num_faces(models[0], &faces), 0);
    EXPECT_EQ(faces, 6);
    tag solid = NULL_TAG;
    ASSERT_EQ(KX_FACET_ask_solid_of_model(models[0], &solid), 0);
    EXPECT_NE(solid, NULL_TAG);
    EXPECT_EQ(host::objects::find(solid)->part, again);
    expect_closed(models[0]);
    ASSERT_EQ(KX_FACET_ask_n_facets_in_model(models[1], &ids), 0);
    EXPECT_EQ(ids, 3);
    int verts = 0;
    EXPECT_EQ(KX_FACET_ask_num_verts_in_facet(models[1], 2, &verts), 1165002);  // deleted before the save

    // Damaged: cut short, and a vertex index beyond the model's vertices.
    const std::size_t live = host::objects::live_objects().size();
    pf::Image cut = image;
    auto& payload =
        std::find_if(cut.sections.begin(), cut.sections.end(), [](const auto& s) { return s.first == "FCTM"; })->second;
    payload.pop_back();
    EXPECT_EQ(pf::apply(cut, "cut.prt", &code), 0u);
    EXPECT_EQ(code, PART_ERR_CORRUPT);
    pf::Image far = image;
    auto& bytes =
        std::find_if(far.sections.begin(), far.sections.end(), [](const auto& s) { return s.first == "FCTM"; })->second;
    // The section's last word is the face id of the block's last facet:
    // 1000 lies beyond the model's faces.
    bytes[bytes.size() - 4] = static_cast<char>(0xE8);
    bytes[bytes.size() - 3] = 0x03;
    EXPECT_EQ(pf::apply(far, "far.prt", &code), 0u);
    EXPECT_EQ(code, PART_ERR_CORRUPT);
    EXPECT_EQ(host::objects::live_objects().size(), live);
}

}  // namespace
