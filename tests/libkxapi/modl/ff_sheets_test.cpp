// Sheets from faces and points: thickened sheets, variable offsets, bridge
// faces, cloud fits and reversed normals against closed forms (also after
// an update), and each function's checks as tables in their order.
#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <initializer_list>
#include <string>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/kernel/engine/face_data.h"
#include "kx_modl_a_sweep.h"
#include "kx_modl_blend.h"
#include "kx_modl_cre_ff.h"
#include "tests/libkxapi/modl/form_fixture.h"

namespace {

using namespace form_test;

class SheetsFromFaces : public FormFeature {
protected:
    tag line(std::array<double, 6> ends) {
        unsigned int l = 0;
        ES_create_line_in_part(part_, ends.data(), &l);
        return l;
    }
    std::vector<tag> rectangle(double x0, double y0, double x1, double y1, double z) {
        return {line({x0, y0, z, x1, y0, z}), line({x1, y0, z, x1, y1, z}), line({x1, y1, z, x0, y1, z}),
                line({x0, y1, z, x0, y0, z})};
    }
    // A planar sheet body over the rectangle.
    tag sheet(double x0, double y0, double x1, double y1, double z) {
        std::vector<tag> lines = rectangle(x0, y0, x1, y1, z);
        int per[1] = {4}, dir[1] = {1};
        string_list l{1, per, dir, lines.data()};
        double tol[3] = {0.001, 0.5, 0.02};
        tag f = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_bplane(&l, tol, &f), 0);
        return FREC_ask_body(f);
    }
    static std::array<double, ZQ_MP_COUNT> props_of(tag body) {
        std::array<double, ZQ_MP_COUNT> p{};
        ZQ_BODY_ask_mass_props(host::kernel::entity_of(body), p.data());
        return p;
    }
    // The normal of the body's first face (turned with the face).
    static std::array<double, 3> normal_of(tag body) {
        const int f = host::kernel::faces_of(host::kernel::entity_of(body)).at(0);
        int type = 0, sense = 0;
        double p[3], d[3], r1 = 0, r2 = 0;
        ZQ_FACE_ask_data(f, &type, p, d, &r1, &r2, &sense);
        return {d[0] * sense, d[1] * sense, d[2] * sense};
    }
    // The edge of the sheet whose middle lies at height y (a line along x),
    // and the direction that runs it towards +x.
    static std::pair<tag, int> edge_at_y(tag body, double y) {
        for (int e : host::kernel::edges_of(host::kernel::entity_of(body))) {
            int type = 0;
            double p[3], d[3], r = 0;
            ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
            if (std::abs(p[1] - y) < 1e-9 && std::abs(d[1]) < 1e-9) return {host::kernel::object_of(e), d[0] > 0 ? 1 : -1};
        }
        ADD_FAILURE() << "no edge at y " << y;
        return {NULL_TAG, 1};
    }
};

// ---- thickened sheet ----

TEST_F(SheetsFromFaces, ThickenedSheetIsTheSolidOfTheOffsetsAndReadsBack) {
    const tag s = sheet(0, 0, 100, 50, 60);
    tag f = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_thicken_sheet(s, "2", "0", 0, &f), 0);
    EXPECT_EQ(marks(), 0);
    const tag solid = FREC_ask_body(f);
    EXPECT_NEAR(props_of(solid)[ZQ_MP_VOLUME], 10000, 1e-6);
    tag sheet_back = NULL_TAG;
    char *first = nullptr, *second = nullptr;
    ASSERT_EQ(KX_MODL_ask_thicken_sheet_parms(f, &sheet_back, &first, &second), 0);
    EXPECT_EQ(sheet_back, s);
    EXPECT_STREQ(first, "2");
    EXPECT_STREQ(second, "0");
    KX_free(first);
    KX_free(second);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(props_of(FREC_ask_body(f))[ZQ_MP_VOLUME], 10000, 1e-6);
    // Two offsets: the solid between 1 and 4 from the sheet.
    ASSERT_EQ(KX_MODL_create_thicken_sheet(s, "4", "1", 0, &f), 0);
    EXPECT_NEAR(props_of(FREC_ask_body(f))[ZQ_MP_VOLUME], 15000, 1e-6);
}

// An edge blend of radius r on an edge of length L takes (1 - pi/4) r^2 L
// away and a chamfer of offset d takes d^2 L / 2, whichever way the solid
// was made: a sheet thickened along its normal (the kernel hands that one
// back with its faces turned into the material), against it, a ruled
// body between two rectangles and a block feature.
TEST_F(SheetsFromFaces, BlendsAndChamfersCutEverySolidAlike) {
    const auto thickened = [this](const char* first, const char* second) {
        tag f = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_thicken_sheet(sheet(0, 0, 100, 50, 200), first, second, 0, &f), 0);
        return FREC_ask_body(f);
    };
    const std::vector<std::pair<const char*, std::function<tag()>>> makers = {
        {"sheet thickened along its normal", [&] { return thickened("20", "0"); }},
        {"sheet thickened against its normal", [&] { return thickened("0", "-20"); }},
        {"ruled between rectangles",
         [&] {
             std::vector<tag> lines = rectangle(0, 0, 100, 50, 300);
             for (tag l : rectangle(0, 0, 100, 50, 320)) lines.push_back(l);
             int per[2] = {4, 4}, dir[2] = {1, 1}, align = 1, end = 0, solid = 1;
             string_list l{2, per, dir, lines.data()};
             double values[6] = {}, tol[3] = {0.001, 0.5, 0.02};
             tag f = NULL_TAG;
             EXPECT_EQ(KX_MODL_create_ruled(&l, nullptr, &align, values, &end, &solid, 0, tol, &f), 0);
             return FREC_ask_body(f);
         }},
        {"block feature",
         [&] {
             const char* sizes[] = {"100", "50", "20"};
             const double origin[] = {0, 0, 400};
             unsigned int block = 0;
             EXPECT_EQ(FEAT_create(part_, "BLOCK", 3, sizes, 3, origin, 0, nullptr, 0, 0, &block), 0);
             return FREC_ask_body(block);
         }},
    };
    // An edge of the body along X, 100 long.
    const auto long_edge = [](tag body) {
        for (int e : host::kernel::edges_of(host::kernel::entity_of(body))) {
            int type = 0;
            double p[3], d[3], r = 0, length = 0;
            ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
            ZQ_EDGE_ask_length(e, &length);
            if (type == ZQ_CURVE_LINE && std::abs(std::abs(d[0]) - 1) < 1e-9 && std::abs(length - 100) < 1e-9)
                return host::kernel::object_of(e);
        }
        ADD_FAILURE() << "no edge along X";
        return NULL_TAG;
    };
    constexpr double kL = 100, kR = 3.5, kD = 2.5;
    for (const auto& [what, make] : makers)
        for (const bool blend : {true, false}) {
            SCOPED_TRACE(std::string(what) + (blend ? ", blend" : ", chamfer"));
            const tag body = make();
            ASSERT_NE(body, NULL_TAG);
            int check = -1;
            ZQ_BODY_check(host::kernel::entity_of(body), &check);
            EXPECT_EQ(check, ZQ_FAULT_NONE);
            const double before = props_of(body)[ZQ_MP_VOLUME];
            EXPECT_NEAR(before, 100000, 1e-6);
            tag_list* edges = nullptr;
            KX_MODL_create_list(&edges);
            KX_MODL_put_list_item(edges, long_edge(body));
            tag f = NULL_TAG;
            const int st = blend ? KX_MODL_create_blend("3.5", edges, 0, 0, 0, 0.01, &f)
                                 : KX_MODL_create_chamfer(1, "2.5", nullptr, nullptr, edges, &f);
            KX_MODL_delete_list(&edges);
            ASSERT_EQ(st, 0);
            const double removed = blend ? (1 - std::numbers::pi / 4) * kR * kR * kL : kD * kD * kL / 2;
            EXPECT_NEAR(before - props_of(body)[ZQ_MP_VOLUME], removed, 1e-6 * removed);
        }
}

TEST_F(SheetsFromFaces, ThickenedSheetUnitesWithTheCurrentTarget) {
    const tag s = sheet(0, 0, 100, 50, 20);  // on the block's top
    BREF_set_current_target(body_);
    tag f = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_thicken_sheet(s, "2", "-2", 1, &f), 0);
    // Half of the slab lies in the block.
    EXPECT_NEAR(volume(), kBlockVolume + 10000, 1e-6);
}

TEST_F(SheetsFromFaces, ThickenedSheetChecksInOrderAndRollsItsMarkBack) {
    const tag s = sheet(0, 0, 100, 50, 60);
    const std::string long_text = std::string(131, '0') + "2";  // 132 characters: the most
    const std::string too_long = long_text + "0";
    struct Case {
        const char* what;
        const char* first;
        const char* second;
        int boolean;
        int code;
    } cases[] = {
        {"boolean below 0", "2", "0", -1, 1105006},
        {"boolean above 3", "2", "0", 4, 1105006},
        {"subtract without a target", "2", "0", 2, 1105006},
        {"first offset too long", too_long.c_str(), "0", 0, 1105005},
        {"second offset too long", "2", too_long.c_str(), 0, 1105006},
        {"null first offset", nullptr, "0", 0, 1105005},
        {"offsets that enclose nothing", "1", "1", 0, 875187},
        {"an offset that is no expression", "2+", "0", 0, 875188},
    };
    for (const Case& c : cases) {
        tag f = 1;
        EXPECT_EQ(KX_MODL_create_thicken_sheet(s, c.first, c.second, c.boolean, &f), c.code) << c.what;
        EXPECT_EQ(f, NULL_TAG) << c.what;
        EXPECT_EQ(marks(), 0) << c.what;
    }
    EXPECT_EQ(host::feature::features_of_part(part_).size(), 2u);  // the block and the sheet
    tag f = NULL_TAG;
    EXPECT_EQ(KX_MODL_create_thicken_sheet(s, long_text.c_str(), "0", 0, &f), 0);
    EXPECT_EQ(KX_MODL_create_thicken_sheet(body_, "2", "0", 0, &f), 671350);
}

TEST_F(SheetsFromFaces, ThickenedSheetMapsEachHostAnswer) {
    const tag s = sheet(0, 0, 100, 50, 60);
    const std::array<std::pair<int, int>, 9> answers = {{{1, 671350},
                                                         {2, 875187},
                                                         {3, 875187},
                                                         {4, 875188},
                                                         {5, 670030},
                                                         {6, 670032},
                                                         {7, 670033},
                                                         {8, 670440},
                                                         {9, 875187}}};
    for (const auto& [answer, code] : answers) {
        host::control::return_status("THICKEN_SHEET_construct", answer);
        tag f = 1;
        EXPECT_EQ(KX_MODL_create_thicken_sheet(s, "2", "0", 0, &f), code) << answer;
        EXPECT_EQ(f, NULL_TAG);
        EXPECT_EQ(marks(), 0);
    }
    host::control::clear_scripts();
}

// ---- variable offset ----

TEST_F(SheetsFromFaces, EqualOffsetsGiveTheParallelPlane) {
    double u[2], v[2];
    int ifail = 0, face = host::kernel::entity_of(top_);
    KI_enpben(&face, u, v, &ifail);
    ASSERT_EQ(ifail, 0);
    char five[] = "5";
    char* offsets[4] = {five, five, five, five};
    double points[4][2] = {{u[0], v[0]}, {u[1], v[0]}, {u[1], v[1]}, {u[0], v[1]}};
    tag sheet_body = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_variable_offset(top_, offsets, points, &sheet_body), 0);
    EXPECT_EQ(marks(), 0);
    for (int round = 0; round < 2; ++round) {
        const auto p = props_of(sheet_body);
        EXPECT_NEAR(p[ZQ_MP_AREA], 5000, 1e-6);
        EXPECT_NEAR(p[ZQ_MP_CENTROID + 2], 25, 1e-9);
        const auto n = normal_of(sheet_body);
        EXPECT_NEAR(n[2], 1, 1e-9);
        ASSERT_EQ(KX_MODL_update(), 0);
    }
}

TEST_F(SheetsFromFaces, VaryingOffsetsAreInterpolatedBetweenThePoints) {
    double u[2], v[2];
    int ifail = 0, face = host::kernel::entity_of(top_);
    KI_enpben(&face, u, v, &ifail);
    char zero[] = "0", ten[] = "10";
    char* offsets[4] = {zero, zero, ten, ten};
    double points[4][2] = {{u[0], v[0]}, {u[1], v[0]}, {u[1], v[1]}, {u[0], v[1]}};
    tag sheet_body = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_variable_offset(top_, offsets, points, &sheet_body), 0);
    // A plane tilted from 20 to 30 across the face: its centre at 25.
    const auto p = props_of(sheet_body);
    EXPECT_NEAR(p[ZQ_MP_CENTROID + 2], 25, 1e-3);
    EXPECT_NEAR(p[ZQ_MP_AREA], 100 * std::hypot(50.0, 10.0), 1e-2);
}

TEST_F(SheetsFromFaces, VariableOffsetPointsMustLieInTheBoxBoundsIncluded) {
    double u[2], v[2];
    int ifail = 0, face = host::kernel::entity_of(top_);
    KI_enpben(&face, u, v, &ifail);
    char five[] = "5";
    char* offsets[4] = {five, five, five, five};
    struct Case {
        const char* what;
        double du, dv;
        int code;
    } cases[] = {
        {"on u max", 0, 0, 0},
        {"beyond u max", 1e-6, 0, 1105006},
        {"beyond v max", 0, 1e-6, 1105006},
    };
    for (const Case& c : cases) {
        double points[4][2] = {{u[0], v[0]}, {u[1] + c.du, v[0]}, {u[1], v[1] + c.dv}, {u[0], v[1]}};
        tag r = 1;
        EXPECT_EQ(KX_MODL_create_variable_offset(top_, offsets, points, &r), c.code) << c.what;
        EXPECT_EQ(r != NULL_TAG, c.code == 0) << c.what;
        EXPECT_EQ(marks(), 0);
    }
    double points[4][2] = {{u[0], v[0]}, {u[1], v[0]}, {u[1], v[1]}, {u[0], v[1]}};
    std::string long_text(256, '1');
    char* too_long[4] = {five, long_text.data(), five, five};
    char* with_null[4] = {five, nullptr, five, five};
    tag r = NULL_TAG;
    EXPECT_EQ(KX_MODL_create_variable_offset(top_, too_long, points, &r), 1105005);
    EXPECT_EQ(KX_MODL_create_variable_offset(top_, with_null, points, &r), 1105005);
    EXPECT_EQ(KX_MODL_create_variable_offset(top_, nullptr, points, &r), 1105005);
    EXPECT_EQ(KX_MODL_create_variable_offset(top_, offsets, nullptr, &r), 1105006);
    EXPECT_EQ(KX_MODL_create_variable_offset(body_, offsets, points, &r), 875288);
    char bad[] = "5+";
    char* bad_offsets[4] = {five, five, bad, five};
    EXPECT_EQ(KX_MODL_create_variable_offset(top_, bad_offsets, points, &r), 875156);
    EXPECT_EQ(marks(), 0);
}

// ---- bridge face ----

class Bridge : public SheetsFromFaces {
protected:
    void SetUp() override {
        SheetsFromFaces::SetUp();
        a_ = sheet(0, 0, 100, 20, 60);
        b_ = sheet(0, 30, 100, 50, 60);
        faces_[0] = host::kernel::object_of(host::kernel::faces_of(host::kernel::entity_of(a_)).at(0));
        faces_[1] = host::kernel::object_of(host::kernel::faces_of(host::kernel::entity_of(b_)).at(0));
        std::tie(edges_[0], dirs_[0]) = edge_at_y(a_, 20);
        std::tie(edges_[1], dirs_[1]) = edge_at_y(b_, 30);
    }
    int bridge(string_list* s1 = nullptr, string_list* s2 = nullptr, tag* side_faces = nullptr,
               tag* side_edges = nullptr, int type = 1) {
        return KX_MODL_create_bridge_face(type, nullptr, faces_, edges_, dirs_, s1, s2, side_faces, side_edges,
                                          &result_);
    }
    tag a_ = NULL_TAG, b_ = NULL_TAG;
    tag faces_[2] = {}, edges_[2] = {};
    int dirs_[2] = {1, 1};
    tag result_ = NULL_TAG;
};

TEST_F(Bridge, FacingEdgesOfCoplanarSheetsGiveAFlatStrip) {
    ASSERT_EQ(bridge(), 0);
    EXPECT_EQ(marks(), 0);
    for (int round = 0; round < 2; ++round) {
        const auto p = props_of(result_);
        EXPECT_NEAR(p[ZQ_MP_AREA], 10 * 100, 1e-3);
        EXPECT_NEAR(p[ZQ_MP_CENTROID + 1], 25, 1e-6);
        EXPECT_NEAR(p[ZQ_MP_CENTROID + 2], 60, 1e-6);
        ASSERT_EQ(KX_MODL_update(), 0);
    }
}

TEST_F(Bridge, ChecksRunInGroups) {
    const tag dead = 0x7ffffff0u;  // names no object
    struct Case {
        const char* what;
        int type;
        std::array<tag, 2> faces, edges;
        std::array<int, 2> dirs;
        int code;
    };
    const tag f0 = faces_[0], f1 = faces_[1], e0 = edges_[0], e1 = edges_[1];
    const Case cases[] = {
        {"bridge type 3 before anything", 3, {NULL_TAG, f1}, {e0, e1}, {0, 1}, 875182},
        {"a dead face before a wrong direction", 1, {dead, f1}, {e0, e1}, {0, 1}, 875027},
        {"a body as face", 1, {a_, f1}, {e0, e1}, {1, 1}, 875028},
        {"a face as edge before a wrong direction", 1, {f0, f1}, {f0, e1}, {0, 1}, 875031},
        {"direction 0", 1, {f0, f1}, {e0, e1}, {1, 0}, 875050},
        {"an edge off its face", 1, {f0, f1}, {e1, e1}, {1, 1}, 875181},
    };
    for (const Case& c : cases) {
        tag faces[2] = {c.faces[0], c.faces[1]}, edges[2] = {c.edges[0], c.edges[1]};
        int dirs[2] = {c.dirs[0], c.dirs[1]};
        tag r = 1;
        EXPECT_EQ(KX_MODL_create_bridge_face(c.type, nullptr, faces, edges, dirs, nullptr, nullptr, nullptr, nullptr,
                                             &r),
                  c.code)
            << c.what;
        EXPECT_EQ(r, NULL_TAG) << c.what;
        EXPECT_EQ(marks(), 0) << c.what;
    }
}

TEST_F(Bridge, AtMostTwoSidesAndTheSecondStringOnlyWithAFirst) {
    std::vector<tag> lines = rectangle(0, 60, 10, 70, 0);
    int per[1] = {4}, dir[1] = {1};
    string_list side{1, per, dir, lines.data()};
    tag side_faces[2] = {faces_[0], faces_[1]};
    tag side_edges[2] = {edges_[0], edges_[1]};
    EXPECT_EQ(bridge(&side, nullptr, side_faces, side_edges), 875206);
    EXPECT_EQ(result_, NULL_TAG);
    EXPECT_EQ(marks(), 0);
    // A second string alone is not read: the bridge has its two faces only.
    EXPECT_EQ(bridge(nullptr, &side, side_faces, side_edges), 0);
    EXPECT_NE(result_, NULL_TAG);
    // A side string that does not validate answers the primary band.
    std::vector<tag> apart = {line({0, 0, 0, 10, 0, 0}), line({20, 0, 0, 30, 0, 0})};
    int per2[1] = {2};
    string_list broken{1, per2, dir, apart.data()};
    EXPECT_NE(bridge(&broken), 0);
    EXPECT_EQ(marks(), 0);
}

// ---- surface from a cloud ----

std::vector<std::array<double, 3>> plane_points(int nx, int ny) {
    std::vector<std::array<double, 3>> p;
    for (int i = 0; i < nx; ++i)
        for (int j = 0; j < ny; ++j) {
            const double x = 10.0 * i, y = 7.0 * j;
            p.push_back({x, y, 0.5 * x + 0.2 * y});
        }
    return p;
}

TEST_F(SheetsFromFaces, CloudFitPassesThroughEveryPointOfAPlane) {
    for (bool oriented : {false, true}) {
        auto pts = plane_points(6, 5);
        double directions[6] = {1, 0, 0, 0, 1, 0};
        double mean = -1, worst = -1;
        int far = -1;
        tag r = NULL_TAG;
        ASSERT_EQ(KX_MODL_create_surf_from_cloud(static_cast<int>(pts.size()), reinterpret_cast<double(*)[3]>(pts.data()),
                                                 oriented ? directions : nullptr, nullptr, 3, 3, 1, 1, 0, &mean,
                                                 &worst, &far, &r),
                  0);
        EXPECT_EQ(marks(), 0);
        EXPECT_LT(worst, 1e-6);
        EXPECT_LT(mean, 1e-6);
        // The plane over the points' box: 50 x 28, tilted.
        const double tilt = std::sqrt(1 + 0.25 + 0.04);
        EXPECT_NEAR(props_of(r)[ZQ_MP_AREA], 50 * 28 * tilt, 1e-3);
        ASSERT_EQ(KX_MODL_update(), 0);
        EXPECT_NEAR(props_of(r)[ZQ_MP_AREA], 50 * 28 * tilt, 1e-3);
    }
}

TEST_F(SheetsFromFaces, CloudChecksInOrder) {
    auto pts = plane_points(4, 4);  // 16 points
    auto* p = reinterpret_cast<double(*)[3]>(pts.data());
    double zero_dir[6] = {0, 0, 0, 0, 1, 0};
    const double square[12] = {0, 0, 0, 30, 0, 0, 30, 21, 0, 0, 21, 0};
    const double dart[12] = {0, 0, 0, 30, 0, 0, 5, 5, 0, 0, 21, 0};
    cloud_boundary convex{4, square}, concave{4, dart};
    struct Case {
        const char* what;
        int n;
        double (*points)[3];
        double* dirs;
        cloud_boundary* boundary;
        int du, dv, pu, pv, option;
        int code;
    } cases[] = {
        {"no points before a bad matrix", 0, p, zero_dir, nullptr, 3, 3, 1, 1, 0, 875200},
        {"null points", 16, nullptr, nullptr, nullptr, 3, 3, 1, 1, 0, 875200},
        {"a matrix that cannot be formed", 16, p, zero_dir, &concave, 3, 3, 1, 1, 0, 875139},
        {"a boundary that is not convex", 16, p, nullptr, &concave, 0, 3, 1, 1, 0, 875037},
        {"degree u 0", 16, p, nullptr, &convex, 0, 0, 1, 1, 0, 875199},
        {"degree u 25", 16, p, nullptr, nullptr, 25, 3, 1, 1, 0, 875199},
        {"degree v 25", 16, p, nullptr, nullptr, 3, 25, 0, 1, 0, 875060},
        {"patches u 0", 16, p, nullptr, nullptr, 3, 3, 0, 1, 2, 875201},
        {"patches v 0", 16, p, nullptr, nullptr, 3, 3, 1, 0, 2, 875201},
        {"option 2", 16, p, nullptr, nullptr, 3, 3, 1, 1, 2, 875204},
        {"15 points for 16 poles", 15, p, nullptr, nullptr, 3, 3, 1, 1, 0, 875202},
        {"poles beyond any count", 16, p, nullptr, nullptr, 24, 24, 2147483600, 2147483600, 0, 875202},
        {"16 points for 16 poles", 16, p, nullptr, &convex, 3, 3, 1, 1, 1, 0},
    };
    for (const Case& c : cases) {
        tag r = 1;
        EXPECT_EQ(KX_MODL_create_surf_from_cloud(c.n, c.points, c.dirs, c.boundary, c.du, c.dv, c.pu, c.pv, c.option,
                                                 nullptr, nullptr, nullptr, &r),
                  c.code)
            << c.what;
        EXPECT_EQ(r != NULL_TAG, c.code == 0) << c.what;
        EXPECT_EQ(marks(), 0) << c.what;
    }
}

// ---- reverse normal ----

TEST_F(SheetsFromFaces, ReverseNormalTurnsTheSheetOverAndNeedsForceWithLaterFeatures) {
    const tag s = sheet(0, 0, 100, 50, 60);
    const double before = normal_of(s)[2];
    ASSERT_NEAR(std::abs(before), 1, 1e-9);
    tag f = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_reverse_normal(s, 0, &f), 0);
    EXPECT_NE(f, NULL_TAG);
    EXPECT_EQ(marks(), 0);
    EXPECT_NEAR(normal_of(s)[2], -before, 1e-9);
    ASSERT_EQ(KX_MODL_update(), 0);
    EXPECT_NEAR(normal_of(s)[2], -before, 1e-9);
    // The sheet now has a later feature: refused unless forced.
    tag again = 1;
    EXPECT_EQ(KX_MODL_create_reverse_normal(s, 0, &again), 875345);
    EXPECT_EQ(again, NULL_TAG);
    EXPECT_NEAR(normal_of(s)[2], -before, 1e-9);
    ASSERT_EQ(KX_MODL_create_reverse_normal(s, 1, &again), 0);
    EXPECT_NEAR(normal_of(s)[2], before, 1e-9);
    EXPECT_EQ(KX_MODL_create_reverse_normal(body_, 1, &again), 875158);
    EXPECT_EQ(marks(), 0);
    const std::array<std::pair<int, int>, 3> answers = {{{1, 875158}, {2, 875345}, {7, 875344}}};
    for (const auto& [answer, code] : answers) {
        host::control::return_status("FLIPNORMAL_construct", answer);
        EXPECT_EQ(KX_MODL_create_reverse_normal(s, 1, &again), code) << answer;
    }
    host::control::clear_scripts();
}

TEST_F(SheetsFromFaces, EachRefusesBeforeInitialisation) {
    kx_reset_session_for_tests();
    tag r = 1;
    EXPECT_EQ(KX_MODL_create_thicken_sheet(NULL_TAG, "1", "0", 0, &r), 1105000);
    EXPECT_EQ(r, NULL_TAG);
    r = 1;
    EXPECT_EQ(KX_MODL_create_reverse_normal(NULL_TAG, 0, &r), 1105000);
    EXPECT_EQ(r, NULL_TAG);
    r = 1;
    EXPECT_EQ(KX_MODL_create_variable_offset(NULL_TAG, nullptr, nullptr, &r), 1105000);
    EXPECT_EQ(KX_MODL_create_bridge_face(1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &r),
              1105000);
    EXPECT_EQ(KX_MODL_create_surf_from_cloud(0, nullptr, nullptr, nullptr, 3, 3, 1, 1, 0, nullptr, nullptr, nullptr,
                                             &r),
              1105000);
    EXPECT_EQ(r, 1u);  // the others clear it only once initialised
}

}  // namespace
