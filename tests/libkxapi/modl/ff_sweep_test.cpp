// The sweep's orientation and scaling applied by the kernel (closed-form
// volumes along a straight guide, a second guide or an orientation curve
// turning the section), the methods the kernel cannot sweep, and the
// sweep's error classes for its guide, section and spine strings.
#include <array>
#include <cmath>
#include <vector>

#include "host/store/entities/display.h"
#include "kx_modl_cre_ff.h"
#include "tests/libkxapi/modl/ff_fixture.h"
#include "tests/libkxapi/modl/form_fixture.h"

namespace {

using namespace form_test;
using ff_test::Strings;

class FreeformSweep : public FormFeature, protected ff_test::Curves {
protected:
    void SetUp() override {
        FormFeature::SetUp();
        use_part(part_);
        guide_ = line({0, 0, 100, 0, 0, 140});
        section_ = circle(0, 0, 100, 2);
    }
    // A sweep of the sections along the guides with the two method records.
    int sweep(string_list* guides, string_list* sections, string_list* spine, sweep_method orient,
              sweep_method scale, tag* f) {
        int align = 1, method = 1, body = 1;
        return KX_MODL_create_sweep(guides, sections, spine, &orient, &scale, &align, &method, &body, tol_, nullptr,
                                    f);
    }
    // The extent of the feature's body across the guide, along y.
    static double width_y(tag f) {
        double box[6] = {};
        ZQ_TOPOL_find_box(host::kernel::entity_of(FREC_ask_body(f)), box);
        return box[4] - box[1];
    }
    double tol_[3] = {0.001, 0.5, 0.02};
    tag guide_ = NULL_TAG, section_ = NULL_TAG;
};

TEST_F(FreeformSweep, ScalingIsAppliedAlongTheGuide) {
    struct Case {
        const char* what;
        sweep_method scale;
        double volume;
    };
    const double length = 40;
    const Case cases[] = {
        {"constant 1", {1, 0, 0, {1, 0, 0}, nullptr}, kPi * 4 * length},
        {"constant 2", {1, 0, 0, {2, 0, 0}, nullptr}, kPi * 16 * length},
        // Radius 2 to 4, linearly: a frustum.
        {"linear law 1 to 2", {2, 1, 0, {1, 2, 0}, nullptr}, kPi * length / 3 * (4 + 8 + 16)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Strings g({{guide_}}), s({{section_}});
        tag f = NULL_TAG;
        ASSERT_EQ(sweep(&g, &s, nullptr, {1, 0, 0, {0, 0, 0}, nullptr}, c.scale, &f), 0);
        EXPECT_NEAR(props(f, ZQ_MP_VOLUME), c.volume, 1e-3 * c.volume);
    }
    // The cubic law runs between the same ends: between the cylinders.
    Strings g({{guide_}}), s({{section_}});
    tag f = NULL_TAG;
    ASSERT_EQ(sweep(&g, &s, nullptr, {1, 0, 0, {0, 0, 0}, nullptr}, {2, 2, 0, {1, 2, 0}, nullptr}, &f), 0);
    EXPECT_GT(props(f, ZQ_MP_VOLUME), kPi * 4 * length * 1.5);
    EXPECT_LT(props(f, ZQ_MP_VOLUME), kPi * 16 * length);
    // The update keeps the scaled body.
    ASSERT_EQ(UPDATE_do_update_no_message(), 0);
    EXPECT_GT(props(f, ZQ_MP_VOLUME), kPi * 4 * length * 1.5);
}

TEST_F(FreeformSweep, ASecondGuideOrAnOrientationCurveTurnsTheSection) {
    // A 10 x 2 rectangle across the guide, long along x.
    const std::vector<tag> rect = rectangle(-5, -1, 5, 1, 100);
    const sweep_method fixed{1, 0, 0, {0, 0, 0}, nullptr}, constant{1, 0, 0, {1, 0, 0}, nullptr};
    {
        Strings g({{guide_}}), s({rect});
        tag f = NULL_TAG;
        ASSERT_EQ(sweep(&g, &s, nullptr, fixed, constant, &f), 0);
        EXPECT_NEAR(width_y(f), 2, 1e-3);
        EXPECT_NEAR(props(f, ZQ_MP_VOLUME), 20 * 40, 1e-3);
    }
    // A second guide from the rectangle's end at (5, 0) to (0, 5) above it:
    // the section turns a quarter turn along the way.
    const tag second = line({5, 0, 100, 0, 5, 140});
    {
        Strings g({{guide_}, {second}}), s({rect});
        tag f = NULL_TAG;
        ASSERT_EQ(sweep(&g, &s, nullptr, fixed, constant, &f), 0);
        EXPECT_GT(width_y(f), 8);
        EXPECT_NEAR(props(f, ZQ_MP_VOLUME), 20 * 40, 1e-2 * 800);
    }
    // The same curve as the orientation method's curve.
    {
        Strings g({{guide_}}), s({rect}), c({{second}});
        sweep_method by_curve{4, 0, 0, {0, 0, 0}, &c};
        tag f = NULL_TAG;
        ASSERT_EQ(sweep(&g, &s, nullptr, by_curve, constant, &f), 0);
        EXPECT_GT(width_y(f), 8);
    }
    // Along a vector and Frenet on a quarter circle: the tube of radius 2.
    const Tube tube = quarter_tube(200);
    for (const sweep_method& o : {sweep_method{2, 0, 0, {0, 0, 0}, nullptr}, sweep_method{3, 0, 0, {0, 0, 1}, nullptr}}) {
        SCOPED_TRACE(o.method);
        Strings g({{tube.guide}}), s({{tube.ring}});
        tag f = NULL_TAG;
        ASSERT_EQ(sweep(&g, &s, nullptr, o, constant, &f), 0);
        EXPECT_NEAR(props(f, ZQ_MP_VOLUME), 100 * kPi * kPi, 1e-2);
    }
}

TEST_F(FreeformSweep, ErrorClassesOfTheStringsAndTheKernel) {
    const sweep_method fixed{1, 0, 0, {0, 0, 0}, nullptr}, constant{1, 0, 0, {1, 0, 0}, nullptr};
    const tag gap_a = line({0, 0, 0, 10, 0, 0}), gap_b = line({11, 0, 0, 11, 10, 0});
    const tag not_a_curve = identity();
    struct Case {
        const char* what;
        std::vector<std::vector<tag>> guides, sections, spine;
        sweep_method orient, scale;
        int code;
    };
    const Case cases[] = {
        {"guide not a curve", {{not_a_curve}}, {{section_}}, {}, fixed, constant, 875076},
        {"section not a curve", {{guide_}}, {{not_a_curve}}, {}, fixed, constant, 875082},
        {"spine not a curve", {{guide_}}, {{section_}}, {{not_a_curve}}, fixed, constant, 875088},
        {"guide not chained", {{gap_a, gap_b}}, {{section_}}, {}, fixed, constant, 875058},
        {"orientation the kernel cannot sweep", {{guide_}}, {{section_}}, {}, {5, 0, 0, {}, nullptr}, constant, 875044},
        {"scaling the kernel cannot sweep", {{guide_}}, {{section_}}, {}, fixed, {3, 0, 0, {1, 0, 0}, nullptr}, 875044},
        {"scale factor 0", {{guide_}}, {{section_}}, {}, fixed, {1, 0, 0, {0, 0, 0}, nullptr}, 875044},
        {"a vector of no length", {{guide_}}, {{section_}}, {}, {3, 0, 0, {0, 0, 0}, nullptr}, constant, 875044},
    };
    const double before = volume();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<int> per[3], dir[3];
        std::vector<tag> objects[3];
        string_list lists[3];
        int n = 0;
        for (const auto* set : {&c.guides, &c.sections, &c.spine}) {
            for (const auto& string : *set) {
                per[n].push_back(static_cast<int>(string.size()));
                dir[n].push_back(1);
                objects[n].insert(objects[n].end(), string.begin(), string.end());
            }
            lists[n] = {static_cast<int>(per[n].size()), per[n].data(), dir[n].data(), objects[n].data()};
            ++n;
        }
        tag f = 1;
        EXPECT_EQ(sweep(&lists[0], &lists[1], c.spine.empty() ? nullptr : &lists[2], c.orient, c.scale, &f), c.code);
        EXPECT_EQ(f, NULL_TAG);
        EXPECT_EQ(marks(), 0);
        EXPECT_EQ(volume(), before);
    }
}

}  // namespace
