// Section curves: a block and a block with a hole cut by parallel planes
// (the count and shape of the curves), associative sections that follow
// their body, the feature's data asked back, plain sections in a group,
// and the refusals.
#include <algorithm>
#include <cmath>
#include <map>
#include <functional>
#include <string>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_types.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/profiles.h"
#include "host/store/parts/part_file.h"
#include "host/model/expr/expr.h"
#include "host/kernel/engine/kernel.h"
#include "host/numeric/curves.h"
#include "host/base/services/objects.h"
#include "kxapi.h"
#include "tests/libkxapi/curve/curve_fixture.h"

namespace {

class SectionTest : public CurveTest {
protected:
    void SetUp() override {
        CurveTest::SetUp();
        const double o[3] = {0, 0, 0}, z[3] = {0, 0, 1};
        base = host::profiles::create_direction_object(part, HOST_TYPE_PLANE, o, z);
    }
    // A block 10 x 20 x 30 at the origin, with a hole of radius 2 through
    // it along Z at (5, 10) when asked.
    tag block(bool hole) {
        const double o[3] = {0, 0, 0}, s[3] = {10, 20, 30};
        int b = 0;
        ZQ_BODY_make_block(o, s, &b);
        if (hole) {
            const double c[3] = {5, 10, -1}, z[3] = {0, 0, 1};
            int cyl = 0;
            ZQ_BODY_make_cylinder(c, z, 2, 32, &cyl);
            ZQ_BODY_boolean(b, cyl, ZQ_SUBTRACT);
        }
        return host::kernel::object_of(b);
    }
    section_general general(tag* objects, int count, int associative) {
        section_general g{};
        g.objects = objects;
        g.count = count;
        g.associative = associative;
        g.output = 1;
        g.tolerance = 0.001;
        return g;
    }
    // Lines (their lengths) and arcs (radius, sweep) among the curves, by
    // the height they lie at.
    struct Cut {
        std::vector<double> lines;
        double arc_sweep = 0;
        std::vector<double> radii;
    };
    static std::map<long, Cut> by_height(const std::vector<tag>& curves) {
        std::map<long, Cut> out;
        for (tag c : curves) {
            const auto t = kx_type(c);
            if (t == HOST_TYPE_LINE) {
                double a[3], b[3];
                ES_ask_coordinates_of_line(c, a, b);
                EXPECT_NEAR(a[2], b[2], 1e-9);
                out[std::lround(a[2])].lines.push_back(std::hypot(a[0] - b[0], a[1] - b[1]));
            } else if (t == HOST_TYPE_ARC) {
                double d[6];
                ES_ask_data_of_arc(c, d);
                const auto k = host::curves::curve_of(c);
                double p[3];
                double lim[2];
                hostnum::curve_limits(k->record(), lim);
                hostnum::curve_evaluate(k->record(), 0, lim[0], p, nullptr);
                Cut& cut = out[std::lround(p[2])];
                cut.arc_sweep += d[1] - d[0];
                cut.radii.push_back(d[5]);
            } else {
                ADD_FAILURE() << "a curve of type " << t;
            }
        }
        return out;
    }
    static int kx_type(tag object) {
        int type = 0, subtype = 0;
        EXPECT_EQ(KX_OBJ_ask_type_and_subtype(object, &type, &subtype), 0);
        return type;
    }
    static std::vector<tag> results_of(tag feature) { return host::feature::find(feature)->results; }

    tag base = NULL_TAG;
};

TEST_F(SectionTest, ABlockByThreeParallelPlanesGivesThreeRectangles) {
    tag objects[1] = {block(false)};
    section_general g = general(objects, 1, 1);
    section_parallel p{base, {5, 25, 10}};
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_section_from_parallel_planes(&g, &p, &feature), 0);
    const std::vector<tag> curves = results_of(feature);
    ASSERT_EQ(curves.size(), 12u);
    const auto cuts = by_height(curves);
    ASSERT_EQ(cuts.size(), 3u);
    for (long z : {5L, 15L, 25L}) {
        std::vector<double> lines = cuts.at(z).lines;
        std::sort(lines.begin(), lines.end());
        ASSERT_EQ(lines.size(), 4u) << z;
        EXPECT_NEAR(lines[0], 10, 1e-9);
        EXPECT_NEAR(lines[1], 10, 1e-9);
        EXPECT_NEAR(lines[2], 20, 1e-9);
        EXPECT_NEAR(lines[3], 20, 1e-9);
    }
}

// An associative section lists its curves among the curves of curve
// features; a plain section's group is no feature, and a feature that
// makes no curves has none to list.
TEST_F(SectionTest, TheFeatureCurvesOfASectionAreItsCurves) {
    tag objects[1] = {block(false)};
    section_parallel p{base, {5, 25, 10}};
    const auto listed = [](tag feature, int code) {
        int n = -1;
        tag* curves = nullptr;
        EXPECT_EQ(KX_CURVE_ask_feature_curves(feature, &n, &curves), code);
        std::vector<tag> out(curves, curves + std::max(n, 0));
        KX_free(curves);
        return out;
    };
    section_general g = general(objects, 1, 1);
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_section_from_parallel_planes(&g, &p, &feature), 0);
    const std::vector<tag> curves = listed(feature, 0);
    EXPECT_EQ(curves.size(), 12u);
    EXPECT_EQ(curves, results_of(feature));
    g = general(objects, 1, 0);
    tag group = NULL_TAG;
    ASSERT_EQ(KX_CURVE_section_from_parallel_planes(&g, &p, &group), 0);
    EXPECT_TRUE(listed(group, 1105004).empty());
    EXPECT_TRUE(listed(host::feature::create(part, "BLOCK"), 1105004).empty());
}

TEST_F(SectionTest, ABlockWithAHoleGivesARectangleAndACircleAtEachPlane) {
    tag objects[1] = {block(true)};
    section_general g = general(objects, 1, 0);
    section_parallel p{base, {10, 20, 10}};
    tag group = NULL_TAG;
    ASSERT_EQ(KX_CURVE_section_from_parallel_planes(&g, &p, &group), 0);
    int type = 0, subtype = 0;
    ASSERT_EQ(KX_OBJ_ask_type_and_subtype(group, &type, &subtype), 0);
    EXPECT_EQ(type, HOST_TYPE_GROUP);
    tag* members = nullptr;
    int n = 0;
    ASSERT_EQ(KX_GROUP_ask_group_data(group, &members, &n), 0);
    const std::vector<tag> curves(members, members + n);
    KX_free(members);
    const auto cuts = by_height(curves);
    ASSERT_EQ(cuts.size(), 2u);
    for (const auto& [z, cut] : cuts) {
        EXPECT_EQ(cut.lines.size(), 4u) << z;
        EXPECT_NEAR(cut.arc_sweep, 2 * kPi, 1e-9) << z;
        for (double r : cut.radii) EXPECT_NEAR(r, 2, 1e-9);
    }
}

TEST_F(SectionTest, TheFeatureAnswersItsKindAndDataAndRefusesOtherKinds) {
    tag body = block(false);
    tag objects[1] = {body};
    section_general g = general(objects, 1, 1);
    g.join = 1;
    section_parallel p{base, {5, 25, 10}};
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_section_from_parallel_planes(&g, &p, &feature), 0);
    int kind = -1;
    ASSERT_EQ(KX_CURVE_section_ask_type(feature, &kind), 0);
    EXPECT_EQ(kind, 1);
    section_general back{};
    section_parallel data{};
    ASSERT_EQ(KX_CURVE_section_ask_parallel_data(feature, &back, &data), 0);
    ASSERT_EQ(back.count, 1);
    EXPECT_EQ(back.objects[0], body);
    KX_free(back.objects);
    EXPECT_EQ(back.associative, 1);
    EXPECT_EQ(back.join, 0);
    EXPECT_EQ(back.output, 1);
    EXPECT_EQ(back.tolerance, 0.001);
    EXPECT_EQ(data.base, base);
    EXPECT_EQ(data.values[0], 5);
    EXPECT_EQ(data.values[1], 25);
    EXPECT_EQ(data.values[2], 10);
    // The other kinds' questions are refused instead of reading this one.
    section_planes planes{};
    section_radial radial{};
    section_perpcrv perpcrv{};
    EXPECT_EQ(KX_CURVE_section_ask_planes_data(feature, &back, &planes), 875004);
    EXPECT_EQ(KX_CURVE_section_ask_radial_data(feature, &back, &radial), 875004);
    EXPECT_EQ(KX_CURVE_section_ask_perpcrv_data(feature, &back, &perpcrv), 875004);
    // A section curve's parents.
    const tag curve = results_of(feature).front();
    tag of = NULL_TAG, object = NULL_TAG, plane = 1;
    int index = -1;
    ASSERT_EQ(KX_CURVE_section_curve_ask_parents(curve, &of, &object, &plane, &index), 0);
    EXPECT_EQ(of, feature);
    EXPECT_EQ(object, body);
    EXPECT_EQ(plane, NULL_TAG);
    EXPECT_EQ(index, 0);
    line_data l{{0, 0, 0}, {1, 0, 0}};
    tag line = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_line(&l, &line), 0);
    EXPECT_EQ(KX_CURVE_section_curve_ask_parents(line, &of, &object, &plane, &index), 875033);
    EXPECT_EQ(of, NULL_TAG);
    EXPECT_EQ(KX_CURVE_section_ask_type(line, &kind), 875004);
}

TEST_F(SectionTest, SelectedPlanesAndTheirParents) {
    tag body = block(false);
    const double o[3] = {0, 0, 7}, z[3] = {0, 0, 1}, x[3] = {4, 0, 0}, xn[3] = {1, 0, 0};
    tag planes_objects[2] = {host::profiles::create_direction_object(part, HOST_TYPE_DATUM_PLANE, o, z),
                             host::profiles::create_direction_object(part, HOST_TYPE_PLANE, x, xn)};
    tag objects[1] = {body};
    section_general g = general(objects, 1, 1);
    section_planes planes{planes_objects, 2};
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_section_from_planes(&g, &planes, &feature), 0);
    const std::vector<tag> curves = results_of(feature);
    ASSERT_EQ(curves.size(), 8u);
    tag of = NULL_TAG, object = NULL_TAG, plane = NULL_TAG;
    int index = -1;
    ASSERT_EQ(KX_CURVE_section_curve_ask_parents(curves.back(), &of, &object, &plane, &index), 0);
    EXPECT_EQ(plane, planes_objects[1]);
    EXPECT_EQ(index, 1);
    section_general back{};
    section_planes data{};
    ASSERT_EQ(KX_CURVE_section_ask_planes_data(feature, &back, &data), 0);
    ASSERT_EQ(data.count, 2);
    EXPECT_EQ(data.planes[1], planes_objects[1]);
    KX_free(back.objects);
    KX_free(data.planes);
}

TEST_F(SectionTest, AnAssociativeSectionFollowsItsBody) {
    const char* formulas[3] = {"10", "20", "30"};
    const double origin[3] = {0, 0, 0};
    tag block_feature = NULL_TAG;
    ASSERT_EQ(FEAT_create(part, "BLOCK", 3, formulas, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &block_feature), 0);
    tag objects[1] = {FREC_ask_body(block_feature)};
    section_general g = general(objects, 1, 1);
    section_parallel p{base, {5, 5, 0}};
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_section_from_parallel_planes(&g, &p, &feature), 0);
    ASSERT_EQ(results_of(feature).size(), 4u);
    // The block made longer: the section's lines follow.
    const unsigned int length = FREC_ask_parm_exp(block_feature, "Length (XC)");
    ASSERT_EQ(EXP_edit_exp(part, length, "40"), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    std::vector<double> lines = by_height(results_of(feature)).at(5).lines;
    std::sort(lines.begin(), lines.end());
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_NEAR(lines[0], 20, 1e-9);
    EXPECT_NEAR(lines[3], 40, 1e-9);
}

// An object cut that is deleted later is passed over: the section still
// cuts what is left, and the model can be updated.
TEST_F(SectionTest, ASectionPassesOverAnObjectDeletedSince) {
    const char* formulas[3] = {"10", "20", "30"};
    const double origin[3] = {0, 0, 0};
    tag block_feature = NULL_TAG;
    ASSERT_EQ(FEAT_create(part, "BLOCK", 3, formulas, 3, origin, 0, nullptr, 0, FEAT_SIGN_NEW, &block_feature), 0);
    const tag other = block(false);
    tag objects[2] = {FREC_ask_body(block_feature), other};
    section_general g = general(objects, 2, 1);
    section_parallel p{base, {5, 5, 0}};
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_section_from_parallel_planes(&g, &p, &feature), 0);
    ASSERT_EQ(results_of(feature).size(), 8u);
    ZQ_ENTITY_delete(host::kernel::entity_of(other));
    ASSERT_EQ(EXP_edit_exp(part, FREC_ask_parm_exp(block_feature, "Length (XC)"), "40"), 0);
    ASSERT_EQ(KX_MODL_update(), 0);
    std::vector<double> lines = by_height(results_of(feature)).at(5).lines;
    std::sort(lines.begin(), lines.end());
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_NEAR(lines[3], 40, 1e-9);
}

// A section feature goes into its part's file with its planes and the
// origins of its curves; a row cut short is refused.
TEST_F(SectionTest, ASectionComesBackFromItsPartFile) {
    tag body = block(false);
    line_data l{{5, 10, 2}, {5, 10, 28}};
    tag line = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_line(&l, &line), 0);
    tag objects[1] = {body};
    section_general g = general(objects, 1, 1);
    section_perpcrv c{line, NULL_TAG, 1, {3}};
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_section_from_perpcrv_planes(&g, &c, &feature), 0);
    // Saved without the plane the fixture made: a part file takes no plane.
    std::vector<unsigned int> saved;
    for (unsigned int t : host::objects::objects_of_part(part))
        if (t != base) saved.push_back(t);
    namespace pf = host::part_file;
    pf::Image image;
    ASSERT_EQ(pf::decode(pf::encode(part, &saved, true), image), 0);
    int code = 0;
    const tag again = pf::apply(image, "again.prt", &code);
    ASSERT_NE(again, NULL_TAG) << code;
    tag copy = NULL_TAG;
    for (unsigned int t : host::objects::objects_of_part(again))
        if (host::objects::find(t)->type == HOST_TYPE_FEATURE) copy = t;
    ASSERT_NE(copy, NULL_TAG);
    section_general back{};
    section_perpcrv data{};
    ASSERT_EQ(KX_CURVE_section_ask_perpcrv_data(copy, &back, &data), 0);
    ASSERT_EQ(back.count, 1);
    EXPECT_EQ(host::objects::find(back.objects[0])->part, again);
    KX_free(back.objects);
    EXPECT_EQ(host::objects::find(data.curve)->part, again);
    EXPECT_EQ(data.spacing_values[0], 3);
    ASSERT_EQ(results_of(copy).size(), 12u);
    tag of = NULL_TAG, object = NULL_TAG, plane = NULL_TAG;
    int index = -1;
    ASSERT_EQ(KX_CURVE_section_curve_ask_parents(results_of(copy).back(), &of, &object, &plane, &index), 0);
    EXPECT_EQ(of, copy);
    EXPECT_EQ(index, 2);

    auto& payload = std::find_if(image.sections.begin(), image.sections.end(), [](const auto& s) {
                        return s.first == "ISEC";
                    })->second;
    payload.pop_back();
    EXPECT_EQ(pf::apply(image, "cut.prt", &code), 0u);
    EXPECT_EQ(code, PART_ERR_CORRUPT);

    // A name is its user's: the named feature opens with its data.
    ASSERT_EQ(KX_OBJ_set_name(feature, "CUTS"), 0);
    pf::Image named;
    ASSERT_EQ(pf::decode(pf::encode(part, &saved, true), named), 0);
    const tag opened = pf::apply(named, "named.prt", &code);
    ASSERT_NE(opened, NULL_TAG) << code;
    for (unsigned int t : host::objects::objects_of_part(opened))
        if (host::objects::find(t)->type == HOST_TYPE_FEATURE) copy = t;
    EXPECT_EQ(host::objects::find(copy)->name, "CUTS");
    ASSERT_EQ(KX_CURVE_section_ask_perpcrv_data(copy, &back, &data), 0);
    KX_free(back.objects);
    EXPECT_EQ(data.spacing_values[0], 3);
    EXPECT_EQ(results_of(copy).size(), 12u);
}

TEST_F(SectionTest, RefusalsAsTheirCodes) {
    tag body = block(false);
    line_data l{{0, 0, 0}, {1, 0, 0}};
    tag line = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_line(&l, &line), 0);
    const double pt[3] = {1, 1, 1};
    tag point = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_point(const_cast<double*>(pt), &point), 0);
    tag objects[1] = {body};
    tag bad_objects[1] = {point};
    section_parallel p{base, {5, 25, 10}};
    section_parallel far{base, {100, 100, 0}};
    tag result = 7;
    struct Case {
        const char* what;
        std::function<section_general()> general;
        section_parallel* planes;
        int code;
    };
    const std::vector<Case> cases = {
        {"no objects", [&] { return general(objects, 0, 1); }, &p, 875005},
        {"a point to cut", [&] { return general(bad_objects, 1, 1); }, &p, 875226},
        {"associative 2", [&] { return general(objects, 1, 2); }, &p, 875179},
        {"join -1",
         [&] {
             auto g = general(objects, 1, 1);
             g.join = -1;
             return g;
         },
         &p, 875179},
        {"output 5",
         [&] {
             auto g = general(objects, 1, 1);
             g.output = 5;
             return g;
         },
         &p, 875120},
        {"tolerance 0",
         [&] {
             auto g = general(objects, 1, 1);
             g.tolerance = 0;
             return g;
         },
         &p, 875106},
        {"tolerance 1e-11",
         [&] {
             auto g = general(objects, 1, 1);
             g.tolerance = 1e-11;
             return g;
         },
         &p, 875106},
        {"plain section that cuts nothing", [&] { return general(objects, 1, 0); }, &far, 875359},
        {"associative section that cuts nothing", [&] { return general(objects, 1, 1); }, &far, 875359},
    };
    const int features = count_of_type(HOST_TYPE_FEATURE);
    const int lines = count_of_type(HOST_TYPE_LINE);
    for (const Case& c : cases) {
        section_general g = c.general();
        result = 7;
        EXPECT_EQ(KX_CURVE_section_from_parallel_planes(&g, c.planes, &result), c.code) << c.what;
        EXPECT_EQ(result, NULL_TAG) << c.what;
    }
    EXPECT_EQ(count_of_type(HOST_TYPE_FEATURE), features);
    EXPECT_EQ(count_of_type(HOST_TYPE_LINE), lines);
    // Wrong entity types of the radial and perpendicular-curve plane sets.
    section_general g = general(objects, 1, 1);
    section_radial r{line, point, {0, 90, 45}};
    EXPECT_EQ(KX_CURVE_section_from_radial_planes(&g, &r, &result), 875226);
    section_perpcrv c{point, NULL_TAG, 1, {3}};
    EXPECT_EQ(KX_CURVE_section_from_perpcrv_planes(&g, &c, &result), 875226);
    section_perpcrv spacing{line, NULL_TAG, 5, {3}};
    EXPECT_EQ(KX_CURVE_section_from_perpcrv_planes(&g, &spacing, &result), 875226);
}

TEST_F(SectionTest, RadialAndPerpendicularPlanes) {
    tag body = block(false);
    tag objects[1] = {body};
    const double a[3] = {5, 10, 0}, z[3] = {0, 0, 1};
    const tag axis = host::profiles::create_direction_object(part, HOST_TYPE_DATUM_AXIS, a, z);
    const double q[3] = {20, 10, 0};
    tag point = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_point(const_cast<double*>(q), &point), 0);
    section_general g = general(objects, 1, 1);
    // Half-planes at 0 and 90 degrees about the axis through the block's
    // middle: each whole plane cuts the block in a rectangle.
    section_radial r{axis, point, {0, 90, 90}};
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_section_from_radial_planes(&g, &r, &feature), 0);
    EXPECT_EQ(results_of(feature).size(), 8u);
    int kind = -1;
    ASSERT_EQ(KX_CURVE_section_ask_type(feature, &kind), 0);
    EXPECT_EQ(kind, 2);
    line_data l{{5, 10, 2}, {5, 10, 28}};
    tag line = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_line(&l, &line), 0);
    section_perpcrv c{line, NULL_TAG, 1, {3}};
    ASSERT_EQ(KX_CURVE_section_from_perpcrv_planes(&g, &c, &feature), 0);
    EXPECT_EQ(results_of(feature).size(), 12u);
    section_general back{};
    section_perpcrv data{};
    ASSERT_EQ(KX_CURVE_section_ask_perpcrv_data(feature, &back, &data), 0);
    EXPECT_EQ(data.curve, line);
    EXPECT_EQ(data.spacing, 1);
    EXPECT_EQ(data.spacing_values[0], 3);
    KX_free(back.objects);
}

}  // namespace
