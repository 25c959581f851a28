// Free-form creation: each creator's sheet or body against closed forms
// (through curves, ruled, bounded plane with a hole, a swept tube, a planar
// curve mesh), the target variants with the block, definitions read back,
// the count and method checks as tables, the code translation table, face
// compaction, string directions and the free-form result setting.
#include <array>
#include <cmath>
#include <initializer_list>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/display.h"
#include "host/store/entities/wcs.h"
#include "host/apps/modeling/freeform/freeform_defs.h"
#include "kx_modl_a_sweep.h"
#include "kx_modl_cre_ff.h"
#include "libkxapi/modl/kx_modl_cre_ff_internal.h"
#include "tests/libkxapi/modl/ff_fixture.h"
#include "tests/libkxapi/modl/form_fixture.h"

namespace {

using namespace form_test;
namespace ff = kx::modl::freeform;

using ff_test::Strings;

class FreeformCreation : public FormFeature, protected ff_test::Curves {
protected:
    void SetUp() override {
        FormFeature::SetUp();
        use_part(part_);
    }
    double tol_[3] = {0.001, 0.5, 0.02};
};

TEST_F(FreeformCreation, ThroughThreeCirclesMakesTheCylinderSheetAndSolid) {
    for (int body_option : {0, 1}) {
        Strings s({{circle(0, 0, 0, 10)}, {circle(0, 0, 10, 10)}, {circle(0, 0, 20, 10)}});
        int patch = 1, align = 1, degree = 3, closed = 0;
        double values[6] = {};
        tag faces[2] = {NULL_TAG, NULL_TAG};
        int cont[2] = {0, 0};
        tag f = NULL_TAG;
        ASSERT_EQ(KX_MODL_create_thru_curves(&s, nullptr, &patch, &align, values, &degree, &closed, &body_option, 0,
                                             tol_, faces, cont, &f),
                  0);
        ASSERT_NE(f, NULL_TAG);
        if (body_option == 0) {
            EXPECT_NEAR(props(f, ZQ_MP_AREA), 400 * kPi, 1e-3);
        } else {
            EXPECT_NEAR(props(f, ZQ_MP_VOLUME), 2000 * kPi, 1e-2);
        }
        EXPECT_EQ(UPDATE_do_update_no_message(), 0);
        if (body_option == 1) {
            EXPECT_NEAR(props(f, ZQ_MP_VOLUME), 2000 * kPi, 1e-2);
        }
        EXPECT_EQ(marks(), 0);
        // Read back.
        string_list sections{}, spine{};
        int kind = 0, alignment = 0, deg = 0, flag = 0, option = 0, conts[2] = {9, 9};
        double six[6], rec[3];
        tag rf[2];
        ASSERT_EQ(KX_MODL_ask_thru_curves(f, &sections, &spine, &kind, &alignment, six, &deg, &flag, &option, rec, rf,
                                          conts),
                  0);
        EXPECT_EQ(sections.count, 3);
        EXPECT_EQ(spine.count, 0);
        EXPECT_EQ(kind, 1);
        EXPECT_EQ(alignment, 1);
        EXPECT_EQ(option, body_option);
        EXPECT_DOUBLE_EQ(rec[0], 0.001);
        KX_MODL_free_string_list(&sections);
        KX_MODL_free_string_list(&spine);
    }
}

TEST_F(FreeformCreation, RuledBetweenTwoCirclesIsAFrustumSide) {
    Strings s({{circle(0, 0, 0, 10)}, {circle(0, 0, 10, 5)}});
    int align = 1, end = 0, body = 0;
    double values[6] = {};
    double zero_tol[3] = {0, 0.5, 0.02};
    tag f = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_ruled(&s, nullptr, &align, values, &end, &body, 0, zero_tol, &f), 0);
    EXPECT_NEAR(props(f, ZQ_MP_AREA), 526.861, 1e-3);
    string_list sections{}, spine{};
    int alignment = 0, option = 9;
    double six[6], rec[3];
    ASSERT_EQ(KX_MODL_ask_ruled(f, &sections, &spine, &alignment, six, &option, rec), 0);
    EXPECT_EQ(sections.count, 2);
    EXPECT_EQ(alignment, 1);
    EXPECT_EQ(option, 0);
    KX_MODL_free_string_list(&sections);
    KX_MODL_free_string_list(&spine);
}

TEST_F(FreeformCreation, BoundedPlaneCutsItsHole) {
    // The hole first: the outer boundary is found by itself.
    std::vector<tag> rect = rectangle(0, 0, 40, 30);
    Strings s({{circle(20, 15, 0, 5)}, rect});
    tag f = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_bplane(&s, tol_, &f), 0);
    EXPECT_NEAR(props(f, ZQ_MP_AREA), 1200 - 25 * kPi, 1e-3);
    string_list boundaries{};
    double rec[3];
    ASSERT_EQ(KX_MODL_ask_bplane(f, &boundaries, rec), 0);
    EXPECT_EQ(boundaries.count, 2);
    KX_MODL_free_string_list(&boundaries);
}

TEST_F(FreeformCreation, BoundedPlaneRefusesCrossingAndNonPlanarBoundaries) {
    const tag before_count = 0;
    (void)before_count;
    {
        Strings s({rectangle(0, 0, 40, 30), {circle(40, 15, 0, 5)}});
        tag f = 1;
        EXPECT_EQ(KX_MODL_create_bplane(&s, tol_, &f), 875081);
        EXPECT_EQ(f, NULL_TAG);
    }
    {
        Strings s({rectangle(0, 0, 40, 30), {circle(20, 15, 3, 5)}});
        tag f = 1;
        EXPECT_EQ(KX_MODL_create_bplane(&s, tol_, &f), 875112);
    }
    {
        // The sides do not meet: the strings do not chain.
        Strings s({{line({0, 0, 0, 10, 0, 0}), line({11, 0, 0, 11, 10, 0})}});
        tag f = 1;
        EXPECT_EQ(KX_MODL_create_bplane(&s, tol_, &f), 875058);
    }
    EXPECT_EQ(marks(), 0);
}

TEST_F(FreeformCreation, SweptCircleAlongAQuarterArcIsATube) {
    const Tube tube = quarter_tube(0);
    const tag guide = tube.guide, section = tube.ring;
    Strings g({{guide}}), s({{section}});
    sweep_method orient{1, 0, 0, {0, 0, 0}, nullptr}, scale{1, 0, 0, {1, 0, 0}, nullptr};
    int align = 1, method = 1, body = 1;
    tag f = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_sweep(&g, &s, nullptr, &orient, &scale, &align, &method, &body, tol_, nullptr, &f), 0);
    EXPECT_NEAR(props(f, ZQ_MP_VOLUME), 100 * kPi * kPi, 1e-2);
    string_list guides{}, sections{}, spine{};
    sweep_method o{}, sc{};
    int alignment = 0, third = 0, option = 0;
    double rec[3];
    ASSERT_EQ(KX_MODL_ask_sweep(f, &guides, &sections, &spine, &o, &sc, &alignment, &third, &option, rec), 0);
    EXPECT_EQ(guides.count, 1);
    EXPECT_EQ(sections.count, 1);
    EXPECT_EQ(o.method, 1);
    EXPECT_EQ(sc.method, 1);
    EXPECT_DOUBLE_EQ(sc.values[0], 1.0);
    EXPECT_EQ(option, 1);
    for (string_list* l : {&guides, &sections, &spine}) KX_MODL_free_string_list(l);
    EXPECT_EQ(marks(), 0);
}

TEST_F(FreeformCreation, CurveMeshOverAPlanarGridLiesInItsPlane) {
    Strings primary({{line({0, 0, 5, 30, 0, 5})}, {line({0, 10, 5, 30, 10, 5})}, {line({0, 20, 5, 30, 20, 5})}});
    Strings cross({{line({0, 0, 5, 0, 20, 5})}, {line({15, 0, 5, 15, 20, 5})}, {line({30, 0, 5, 30, 20, 5})}});
    int end = 0, method = 1, body = 0, flag = 0;
    tag faces[4] = {NULL_TAG, NULL_TAG, NULL_TAG, NULL_TAG};
    int cont[4] = {};
    tag f = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_curve_mesh(&primary, &cross, nullptr, &end, &method, &body, &flag, 2, tol_, faces, cont,
                                        &f),
              0);
    EXPECT_NEAR(props(f, ZQ_MP_AREA), 600, 1e-6);
    EXPECT_NEAR(props(f, ZQ_MP_CENTROID + 2), 5, 1e-9);
    string_list p{}, c{}, sp{};
    int option = 0, mflag = 0, m0 = 0, conts[4];
    double rec[3];
    tag rf[4];
    ASSERT_EQ(KX_MODL_ask_curve_mesh(f, &p, &c, &sp, &option, &mflag, &m0, rec, rf, conts), 0);
    EXPECT_EQ(p.count, 3);
    EXPECT_EQ(c.count, 3);
    EXPECT_EQ(sp.count, 0);
    for (string_list* l : {&p, &c, &sp}) KX_MODL_free_string_list(l);
}

TEST_F(FreeformCreation, ThroughCurvesTargetVariantCombinesWithTheBlock) {
    struct Case {
        int boolean;
        double volume;
    };
    // A cylinder of radius 10 from z = 10 to 30 about (50, 25): half inside the block.
    const double cyl = kPi * 100 * 20, inside = kPi * 100 * 10;
    for (const Case& c : {Case{0, kBlockVolume}, Case{1, kBlockVolume + cyl - inside},
                          Case{2, kBlockVolume - inside}, Case{3, inside}}) {
        SCOPED_TRACE(c.boolean);
        Strings s({{circle(50, 25, 10, 10)}, {circle(50, 25, 20, 10)}, {circle(50, 25, 30, 10)}});
        int patch = 1, align = 1, degree = 3, closed = 0, body = 1;
        double values[6] = {};
        tag faces[2] = {};
        int cont[2] = {};
        tag f = NULL_TAG;
        ASSERT_EQ(KX_MODL_create_thru_curves1(&s, nullptr, &patch, &align, values, &degree, &closed, nullptr, &body,
                                              c.boolean, body_, tol_, faces, cont, nullptr, nullptr, &f),
                  0);
        EXPECT_NEAR(volume(), c.volume, 1e-5 * c.volume);  // the loft is a fitted spline
        TearDown();
        SetUp();
    }
}

TEST_F(FreeformCreation, RuledAndCurveMeshTargetVariantsByBooleanType) {
    struct Case {
        int boolean;
        double volume;
    };
    // The ruled solid: a cylinder of radius 10 from z = 10 to 30 about (50, 25), half inside the block.
    const double cyl = kPi * 100 * 20, inside = kPi * 100 * 10;
    for (const Case& c : {Case{0, kBlockVolume}, Case{1, kBlockVolume + cyl - inside},
                          Case{2, kBlockVolume - inside}, Case{3, inside}}) {
        SCOPED_TRACE(c.boolean);
        Strings s({{circle(50, 25, 10, 10)}, {circle(50, 25, 30, 10)}});
        int align = 1, end = 0, body = 1;
        double values[6] = {};
        double zero_tol[3] = {0, 0.5, 0.02};
        tag f = NULL_TAG;
        ASSERT_EQ(KX_MODL_create_ruled1(&s, nullptr, &align, values, &end, &body, c.boolean, body_, zero_tol, &f), 0);
        ASSERT_NE(f, NULL_TAG);
        EXPECT_NEAR(volume(), c.volume, 1e-6 * c.volume);
        if (c.boolean == 0) {
            EXPECT_NE(FREC_ask_body(f), body_);
            EXPECT_NEAR(props(f, ZQ_MP_VOLUME), cyl, 1e-6 * cyl);
        } else {
            EXPECT_EQ(FREC_ask_body(f), body_);
        }
        EXPECT_EQ(marks(), 0);
        TearDown();
        SetUp();
    }
    // A curve mesh makes a sheet: whatever the boolean type, it stays a
    // sheet of its own beside the block.
    for (int boolean : {0, 1, 2, 3}) {
        SCOPED_TRACE(boolean);
        Strings primary({{line({0, 0, 40, 30, 0, 40})}, {line({0, 20, 40, 30, 20, 40})}});
        Strings cross({{line({0, 0, 40, 0, 20, 40})}, {line({30, 0, 40, 30, 20, 40})}});
        int end = 0, method = 1, body = 1, flag = 0;
        tag f = NULL_TAG;
        ASSERT_EQ(KX_MODL_create_curve_mesh1(&primary, &cross, nullptr, &end, &method, &body, nullptr, &flag, boolean,
                                             body_, tol_, nullptr, nullptr, nullptr, &f),
                  0);
        ASSERT_NE(f, NULL_TAG);
        EXPECT_NE(FREC_ask_body(f), body_);
        EXPECT_NEAR(props(f, ZQ_MP_AREA), 600, 1e-6);
        EXPECT_NEAR(volume(), kBlockVolume, 1e-6);
        EXPECT_EQ(marks(), 0);
    }
}

TEST_F(FreeformCreation, CountAndMethodChecksAnswerBeforeAnyMark) {
    Strings two({{circle(0, 0, 0, 10)}, {circle(0, 0, 10, 10)}});
    Strings one({{circle(0, 0, 0, 10)}});
    int bad = 0, one_i = 1, two_i = 2, seven = 7;
    double values[6] = {};
    tag f = 1;
    struct Row {
        int expected;
        int got;
    };
    sweep_method o{1, 0, 0, {}, nullptr}, s6{6, 0, 0, {}, nullptr}, s2{2, 3, 0, {}, nullptr}, o8{8, 0, 0, {}, nullptr};
    const std::vector<Row> rows = {
        {875055, KX_MODL_create_sweep(&one, &one, nullptr, &o, &o, &bad, &one_i, &one_i, tol_, nullptr, &f)},
        {875079, KX_MODL_create_sweep(nullptr, &one, nullptr, &o, &o, &one_i, &one_i, &one_i, tol_, nullptr, &f)},
        {875091, KX_MODL_create_sweep(&one, &one, &two, &o, &o, &one_i, &one_i, &one_i, tol_, nullptr, &f)},
        {875085, KX_MODL_create_sweep(&one, nullptr, nullptr, &o, &o, &one_i, &one_i, &one_i, tol_, nullptr, &f)},
        {875072, KX_MODL_create_sweep(&one, &one, nullptr, &o8, &o, &one_i, &one_i, &one_i, tol_, nullptr, &f)},
        {875066, KX_MODL_create_sweep(&one, &one, nullptr, &o, &s6, &one_i, &one_i, &one_i, tol_, nullptr, &f)},
        {875063, KX_MODL_create_sweep(&one, &one, nullptr, &o, &s2, &one_i, &one_i, &one_i, tol_, nullptr, &f)},
        {875054, KX_MODL_create_sweep(&one, &two, nullptr, &o, &o, &one_i, &bad, &one_i, tol_, nullptr, &f)},
        {875097, KX_MODL_create_curve_mesh(&one, &two, nullptr, &bad, &one_i, &one_i, &bad, 0, tol_, nullptr, nullptr, &f)},
        {875103, KX_MODL_create_curve_mesh(&two, &one, nullptr, &bad, &one_i, &one_i, &bad, 0, tol_, nullptr, nullptr, &f)},
        {875056, KX_MODL_create_curve_mesh(&two, &two, nullptr, &bad, &bad, &one_i, &bad, 0, tol_, nullptr, nullptr, &f)},
        {875192, KX_MODL_create_curve_mesh(&two, &two, nullptr, &bad, &one_i, &one_i, &two_i, 0, tol_, nullptr, nullptr, &f)},
        {875057, KX_MODL_create_curve_mesh(&two, &two, nullptr, &seven, &one_i, &one_i, &bad, 0, tol_, nullptr, nullptr, &f)},
        {875085, KX_MODL_create_thru_curves(&one, nullptr, &one_i, &one_i, values, &one_i, &bad, &bad, 0, tol_, nullptr, nullptr, &f)},
        {875055, KX_MODL_create_thru_curves(&two, nullptr, &one_i, &seven, values, &one_i, &bad, &bad, 0, tol_, nullptr, nullptr, &f)},
        {875053, KX_MODL_create_thru_curves(&two, nullptr, &one_i, (bad = 3, &bad), values, &one_i, &bad, &bad, 0, tol_, nullptr, nullptr, &f)},
        {875059, KX_MODL_create_thru_curves(&two, nullptr, &seven, &one_i, values, &one_i, &one_i, &bad, 0, tol_, nullptr, nullptr, &f)},
        {875061, KX_MODL_create_thru_curves(&two, nullptr, &two_i, &one_i, values, &one_i, &one_i, &one_i, 0, tol_, nullptr, nullptr, &f)},
        {875085, KX_MODL_create_ruled(&one, nullptr, &one_i, values, &one_i, &one_i, 0, tol_, &f)},
        {875057, KX_MODL_create_ruled(&two, nullptr, &one_i, values, &seven, &one_i, 0, tol_, &f)},
        {875085, KX_MODL_create_bplane(nullptr, tol_, &f)},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].got, rows[i].expected) << "row " << i;
    EXPECT_EQ(f, NULL_TAG);
    EXPECT_EQ(marks(), 0);
}

TEST_F(FreeformCreation, PatchKindTwoNeedsDegreePlusOneSections) {
    Strings three({{circle(0, 0, 0, 10)}, {circle(0, 0, 10, 10)}, {circle(0, 0, 20, 10)}});
    int patch = 2, align = 1, degree = 3, closed = 0, body = 0;
    double values[6] = {};
    tag f = 1;
    EXPECT_EQ(KX_MODL_create_thru_curves(&three, nullptr, &patch, &align, values, &degree, &closed, &body, 0, tol_,
                                         nullptr, nullptr, &f),
              875085);
    EXPECT_EQ(f, NULL_TAG);
    EXPECT_EQ(marks(), 0);
    degree = 2;
    EXPECT_EQ(KX_MODL_create_thru_curves(&three, nullptr, &patch, &align, values, &degree, &closed, &body, 0, tol_,
                                         nullptr, nullptr, &f),
              0);
}

TEST_F(FreeformCreation, CurveMeshCompactsTheCallersFaces) {
    Strings primary({{line({0, 0, 5, 30, 0, 5})}, {line({0, 20, 5, 30, 20, 5})}});
    Strings cross({{line({0, 0, 5, 0, 20, 5})}, {line({30, 0, 5, 30, 20, 5})}});
    int end = 0, method = 1, body = 0, flag = 0;
    tag faces[4] = {NULL_TAG, top_, NULL_TAG, side_};
    int cont[4] = {0, 1, 0, 1};
    tag f = NULL_TAG;
    ASSERT_EQ(KX_MODL_create_curve_mesh(&primary, &cross, nullptr, &end, &method, &body, &flag, 0, tol_, faces, cont,
                                        &f),
              0);
    EXPECT_EQ(faces[0], top_);
    EXPECT_EQ(faces[1], side_);
    EXPECT_EQ(faces[2], NULL_TAG);
    EXPECT_EQ(faces[3], NULL_TAG);
}

TEST(FreeformCodes, TranslationTableInFull) {
    const std::vector<std::array<int, 2>> table = {
        {670018, 875105}, {670039, 875068}, {670041, 875372}, {670047, 875044}, {670069, 875059},
        {670071, 875061}, {670072, 875377}, {670113, 875060}, {670155, 875058}, {670157, 875288},
        {670158, 875240}, {670159, 875062}, {670173, 875064}, {670174, 875065}, {670175, 875067},
        {670217, 875071}, {670218, 875070}, {670220, 875074}, {670221, 875069}, {670223, 875077},
        {670224, 875078}, {670226, 875075}, {670227, 875086}, {670228, 875082}, {670232, 875083},
        {670241, 875084}, {670242, 875081}, {670252, 875085}, {670267, 875087}, {670268, 875088},
        {670274, 875089}, {670275, 875090}, {670307, 875091}, {670330, 875092}, {670333, 875053},
        {670334, 875073}, {670335, 875080}, {670336, 875076}, {670337, 875057}, {670340, 875056},
        {670341, 875093}, {670342, 875094}, {670343, 875095}, {670344, 875096}, {670345, 875097},
        {670348, 875098}, {670350, 875099}, {670351, 875100}, {670353, 875101}, {670354, 875102},
        {670356, 875103}, {670358, 875104}, {670359, 875192}, {670365, 875377}, {670366, 875373},
        {670368, 875385}, {671019, 875113}, {671410, 875055}};
    ASSERT_EQ(table.size(), 58u);
    for (const auto& [host, code] : table) EXPECT_EQ(ff::translate_free_form_code(host), code) << host;
    for (int pass : {0, 670971, 670019, 875044}) EXPECT_EQ(ff::translate_free_form_code(pass), pass);
}

TEST(FreeformCodes, RoleBands) {
    const int bands[5][9] = {{875080, 875076, 875058, 875077, 875078, 875075, 875105, 875052, 875052},
                             {875086, 875082, 875058, 875083, 875084, 875081, 875105, 875052, 875052},
                             {875092, 875088, 875058, 875089, 875090, 875087, 875105, 875052, 875052},
                             {875098, 875094, 875058, 875095, 875096, 875093, 875105, 875052, 875052},
                             {875104, 875100, 875058, 875101, 875102, 875099, 875105, 875052, 875052}};
    for (int r = 0; r < 5; ++r)
        for (int c = 1; c <= 9; ++c) EXPECT_EQ(ff::class_code(static_cast<ff::Role>(r), c), bands[r][c - 1]);
    EXPECT_EQ(ff::class_code(ff::Role::cross, 0), 875052);
}

TEST_F(FreeformCreation, FreeFormResultSetting) {
    int r = 9;
    EXPECT_EQ(KX_MODL_set_free_form_result(5), 0);
    EXPECT_EQ(KX_MODL_ask_free_form_result(&r), 0);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(KX_MODL_set_free_form_result(0), 0);
    EXPECT_EQ(KX_MODL_ask_free_form_result(&r), 0);
    EXPECT_EQ(r, 0);
}

TEST_F(FreeformCreation, StringDirectionsOnCurvesAndEdges) {
    const tag l = line({0, 0, 0, 10, 0, 0});
    double near_start[3] = {0.1, 0, 0}, near_end[3] = {9.9, 0, 0};
    int d = 0;
    EXPECT_EQ(KX_MODL_get_curve_edge_direction(near_start, l, &d), 0);
    EXPECT_EQ(d, 1);
    EXPECT_EQ(KX_MODL_get_curve_edge_direction(near_end, l, &d), 0);
    EXPECT_EQ(d, -1);
    EXPECT_EQ(KX_MODL_get_curve_edge_direction(near_end, top_, &d), 875033);
    // An edge of the block.
    const std::vector<int> edges = host::kernel::edges_of(host::kernel::entity_of(body_));
    const tag edge = host::kernel::object_of(edges[0]);
    EXPECT_EQ(KX_MODL_get_curve_edge_direction(near_end, edge, &d), 0);
    EXPECT_TRUE(d == 1 || d == -1);
    Strings s({{l}, {l}});
    double points[2][3] = {{0.1, 0, 0}, {9.9, 0, 0}};
    EXPECT_EQ(KX_MODL_assign_string_directions(points, &s), 0);
    EXPECT_EQ(s.dir[0], 1);
    EXPECT_EQ(s.dir[1], -1);
    Strings none(std::initializer_list<std::vector<tag>>{});
    EXPECT_EQ(KX_MODL_assign_string_directions(nullptr, &none), 0);
}

}  // namespace
