// Silhouettes of a cylinder seen from the side and along its axis, shadow
// outlines (outer loop first, then the hole), simplified curves, and the
// refusals of the three.
#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/entity_types.h"
#include "host/store/entities/views.h"
#include "host/kernel/engine/kernel.h"
#include "host/store/layers/layers.h"
#include "host/numeric/curves.h"
#include "host/apps/modeling/section/hidden_lines.h"
#include "host/base/services/objects.h"
#include "kxapi.h"
#include "tests/libkxapi/curve/curve_fixture.h"

namespace {

class SilhouetteTest : public CurveTest {
protected:
    void SetUp() override {
        CurveTest::SetUp();
        const tag drawing = host::views::make_drawing(part, true);
        view = host::views::make_view(drawing, 1);
    }
    void look(const std::vector<double>& rows) {
        const double origin[3] = {0, 0, 0};
        host::hidden_lines::orient_view(view, rows.data(), origin);
    }
    static tag cylinder() {
        const double o[3] = {0, 0, 0}, z[3] = {0, 0, 1};
        int b = 0;
        ZQ_BODY_make_cylinder(o, z, 4, 10, &b);
        return host::kernel::object_of(b);
    }
    static tag block_with_hole() {
        const double o[3] = {0, 0, 0}, s[3] = {10, 20, 30};
        int b = 0;
        ZQ_BODY_make_block(o, s, &b);
        const double c[3] = {5, 10, -1}, z[3] = {0, 0, 1};
        int cyl = 0;
        ZQ_BODY_make_cylinder(c, z, 2, 32, &cyl);
        ZQ_BODY_boolean(b, cyl, ZQ_SUBTRACT);
        return host::kernel::object_of(b);
    }
    // Points along a curve, and its length.
    static std::vector<std::array<double, 3>> points_of(tag curve, double* length) {
        const auto c = host::curves::curve_of(curve);
        std::vector<std::array<double, 3>> out;
        if (!c) {
            ADD_FAILURE() << "no curve";
            return out;
        }
        double lim[2];
        hostnum::curve_limits(c->record(), lim);
        *length = 0;
        for (int i = 0; i <= 512; ++i) {
            std::array<double, 3> p;
            hostnum::curve_evaluate(c->record(), 0, lim[0] + (lim[1] - lim[0]) * i / 512, p.data(), nullptr);
            if (!out.empty()) *length += std::hypot(p[0] - out.back()[0], p[1] - out.back()[1], p[2] - out.back()[2]);
            out.push_back(p);
        }
        return out;
    }

    tag view = NULL_TAG;
};

TEST_F(SilhouetteTest, ACylinderSeenFromTheSideShowsItsTwoSideLines) {
    const tag body = cylinder();
    look({0, 1, 0, 0, 0, 1, 1, 0, 0});  // looking along -X
    int n = 0;
    tag* curves = nullptr;
    ASSERT_EQ(KX_CURVE_create_silhouette(body, view, &n, &curves), 0);
    ASSERT_GT(n, 0);
    double total = 0;
    double sides[2] = {0, 0};
    for (int i = 0; i < n; ++i) {
        double length = 0;
        for (const auto& p : points_of(curves[i], &length)) {
            EXPECT_NEAR(p[0], 0, 1e-6);
            EXPECT_NEAR(std::fabs(p[1]), 4, 1e-6);
        }
        total += length;
        double dummy = 0;
        sides[points_of(curves[i], &dummy)[0][1] > 0 ? 1 : 0] += length;
        const host::entity::Attrs* a = host::entity::find(curves[i]);
        ASSERT_NE(a, nullptr);
        EXPECT_TRUE(a->view_dependent);
    }
    EXPECT_NEAR(sides[0], 10, 1e-6);
    EXPECT_NEAR(sides[1], 10, 1e-6);
    EXPECT_NEAR(total, 20, 1e-6);
    KX_free(curves);
}

TEST_F(SilhouetteTest, ACylinderSeenAlongItsAxisShowsItsNearCircle) {
    const tag body = cylinder();
    look({1, 0, 0, 0, 1, 0, 0, 0, 1});  // looking along -Z
    int n = 0;
    tag* curves = nullptr;
    ASSERT_EQ(KX_CURVE_create_silhouette(body, view, &n, &curves), 0);
    ASSERT_GT(n, 0);
    double total = 0;
    for (int i = 0; i < n; ++i) {
        double length = 0;
        for (const auto& p : points_of(curves[i], &length)) {
            EXPECT_NEAR(p[2], 10, 1e-6);
            EXPECT_NEAR(std::hypot(p[0], p[1]), 4, 1e-6);
        }
        total += length;
    }
    EXPECT_NEAR(total, 2 * kPi * 4, 0.01);
    KX_free(curves);
}

// Seen from above at 45 degrees: the two side lines, the far half of the top
// circle and the near half of the bottom circle (edges partly on the
// silhouette give their part on it).
TEST_F(SilhouetteTest, ACylinderSeenObliquelyShowsHalvesOfItsEndCircles) {
    const tag body = cylinder();
    const double a = std::sqrt(0.5);
    look({a, 0, -a, 0, 1, 0, a, 0, a});
    int n = 0;
    tag* curves = nullptr;
    ASSERT_EQ(KX_CURVE_create_silhouette(body, view, &n, &curves), 0);
    double top = 0, bottom = 0, sides = 0;
    for (int i = 0; i < n; ++i) {
        double length = 0;
        const auto points = points_of(curves[i], &length);
        const double z = points.front()[2];
        const bool flat = std::all_of(points.begin(), points.end(), [&](const auto& p) {
            return std::fabs(p[2] - z) < 1e-6 && std::fabs(std::hypot(p[0], p[1]) - 4) < 1e-6;
        });
        if (flat && std::fabs(z - 10) < 1e-6) {
            top += length;
            for (const auto& p : points) EXPECT_LE(p[0], 1e-6);  // the far half
        } else if (flat && std::fabs(z) < 1e-6) {
            bottom += length;
            for (const auto& p : points) EXPECT_GE(p[0], -1e-6);  // the near half
        } else {
            for (const auto& p : points) EXPECT_NEAR(std::fabs(p[1]), 4, 1e-6);
            sides += length;
        }
    }
    EXPECT_NEAR(top, kPi * 4, 1e-4);
    EXPECT_NEAR(bottom, kPi * 4, 1e-4);
    EXPECT_NEAR(sides, 20, 1e-6);
    KX_free(curves);
}

TEST_F(SilhouetteTest, AShadowOutlineGivesTheOuterLoopThenTheHole) {
    const tag body = block_with_hole();
    look({1, 0, 0, 0, 1, 0, 0, 0, 1});
    tag bodies[1] = {body};
    int loops = 0;
    int* per_loop = nullptr;
    tag** loop_curves = nullptr;
    ASSERT_EQ(KX_CURVE_create_shadow_outline(1, bodies, view, &loops, &per_loop, &loop_curves, 0), 0);
    ASSERT_EQ(loops, 2);
    EXPECT_EQ(per_loop[0], 4);
    double outer = 0, inner = 0;
    for (int i = 0; i < loops; ++i) {
        for (int k = 0; k < per_loop[i]; ++k) {
            double length = 0;
            for (const auto& p : points_of(loop_curves[i][k], &length)) EXPECT_NEAR(p[2], 0, 1e-6);
            (i == 0 ? outer : inner) += length;
        }
        KX_free(loop_curves[i]);
    }
    KX_free(loop_curves);
    KX_free(per_loop);
    EXPECT_NEAR(outer, 60, 1e-6);
    EXPECT_NEAR(inner, 2 * kPi * 2, 0.01);
}

TEST_F(SilhouetteTest, AShadowOutlineOfBlankedBodiesFindsNoSolidsAndChangesNothing) {
    const tag body = cylinder();
    ES_write_blank_status(body, 1);
    tag bodies[1] = {body};
    const std::size_t objects = host::objects::live_objects().size();
    int loops = 5;
    int* per_loop = nullptr;
    tag** loop_curves = nullptr;
    EXPECT_EQ(KX_CURVE_create_shadow_outline(1, bodies, view, &loops, &per_loop, &loop_curves, 0), 671303);
    EXPECT_EQ(loops, 0);
    EXPECT_EQ(host::objects::live_objects().size(), objects);
}

// Bodies out of sight (blanked, on a layer hidden everywhere, on a layer the
// work view hides) are left out; with none left: 671303 and no change.
TEST_F(SilhouetteTest, AShadowOutlineLeavesOutBodiesOutOfSight) {
    const tag hole = block_with_hole();
    const tag round = cylinder();
    look({1, 0, 0, 0, 1, 0, 0, 0, 1});
    ES_layer_move_entity(hole, 5);
    ES_layer_move_entity(round, 6);
    const auto hide = [](unsigned int mask[LAYER_MASK_WORDS], int layer) { mask[layer / 32] &= ~(1u << layer % 32); };
    struct Case {
        const char* what;
        std::function<void()> apply;
    };
    const std::vector<Case> cases = {
        {"the block on a layer hidden everywhere",
         [&] {
             unsigned int mask[LAYER_MASK_WORDS];
             LAYER_ask_global_visible_mask(mask);
             hide(mask, 5);
             dsp464_(mask);
         }},
        {"the block on a layer the work view hides",
         [&] {
             unsigned int mask[LAYER_MASK_WORDS];
             const int sequence = DSS_VIEW_ask_work_vseq();
             dsp452_(&sequence, mask);
             hide(mask, 5);
             host::layers::set_work_view_mask(mask);
         }},
        {"the block blanked", [&] { ES_write_blank_status(hole, 1); }},
    };
    for (const Case& c : cases) {
        const tag bodies[2] = {hole, round};
        const auto outline = [&](int* loops) {
            int* per_loop = nullptr;
            tag** loop_curves = nullptr;
            const int st =
                KX_CURVE_create_shadow_outline(2, const_cast<tag*>(bodies), view, loops, &per_loop, &loop_curves, 0);
            for (int i = 0; i < *loops; ++i) KX_free(loop_curves[i]);
            KX_free(loop_curves);
            KX_free(per_loop);
            return st;
        };
        ES_write_blank_status(hole, 0);
        ES_write_blank_status(round, 0);
        const unsigned int all[LAYER_MASK_WORDS] = {~0u, ~0u, ~0u, ~0u, ~0u, ~0u, ~0u, ~0u};
        dsp464_(all);
        host::layers::set_work_view_mask(all);
        c.apply();
        // Only the cylinder: one loop (the block would bring two).
        int loops = 0;
        EXPECT_EQ(outline(&loops), 0) << c.what;
        EXPECT_EQ(loops, 1) << c.what;
        // The cylinder blanked too: nothing left to render.
        ES_write_blank_status(round, 1);
        const std::size_t objects = host::objects::live_objects().size();
        loops = 7;
        EXPECT_EQ(outline(&loops), 671303) << c.what;
        EXPECT_EQ(loops, 0) << c.what;
        EXPECT_EQ(host::objects::live_objects().size(), objects) << c.what;
    }
}

TEST_F(SilhouetteTest, RefusedWhileAComponentIsEditedInContext) {
    const tag body = cylinder();
    look({1, 0, 0, 0, 1, 0, 0, 0, 1});
    // The fixture's part displayed (the assembly), a component of it the work part.
    const tag component = host::parts::create("component.prt");
    host::parts::set_display_part(part);
    host::parts::set_work_part(component);
    ASSERT_EQ(CONTEXT_ask_in_context(), 1);
    int n = 3;
    tag* curves = nullptr;
    EXPECT_EQ(KX_CURVE_create_silhouette(body, view, &n, &curves), 770004);
    EXPECT_EQ(curves, nullptr);
    tag bodies[1] = {body};
    int loops = 0;
    int* per_loop = nullptr;
    tag** loop_curves = nullptr;
    EXPECT_EQ(KX_CURVE_create_shadow_outline(1, bodies, view, &loops, &per_loop, &loop_curves, 0), 770004);
    EXPECT_EQ(loop_curves, nullptr);
    // Back in the displayed part the silhouette is made.
    host::parts::set_work_part(part);
    EXPECT_EQ(KX_CURVE_create_silhouette(body, view, &n, &curves), 0);
    EXPECT_GT(n, 0);
    KX_free(curves);
}

TEST_F(SilhouetteTest, RefusalsOfTheBodyAndViewTests) {
    const tag body = cylinder();
    const tag face = host::kernel::object_of(host::kernel::faces_of(host::kernel::entity_of(body))[0]);
    line_data l{{0, 0, 0}, {1, 0, 0}};
    tag line = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_line(&l, &line), 0);
    int n = 0;
    tag* curves = nullptr;
    struct Case {
        const char* what;
        tag body, view;
        int code;
    };
    const std::vector<Case> cases = {
        {"a face of the body", face, view, 875033},
        {"a line", line, view, 875033},
        {"a dead body", 999999, view, 875008},
        {"a dead view", body, 999999, 875008},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KX_CURVE_create_silhouette(c.body, c.view, &n, &curves), c.code) << c.what;
        EXPECT_EQ(curves, nullptr) << c.what;
        tag bodies[1] = {c.body};
        int loops = 0;
        int* per_loop = nullptr;
        tag** loop_curves = nullptr;
        EXPECT_EQ(KX_CURVE_create_shadow_outline(1, bodies, c.view, &loops, &per_loop, &loop_curves, 0), c.code)
            << c.what;
    }
}

TEST_F(SilhouetteTest, SimplifiedCurvesOfCurvesAndEdges) {
    const tag body = cylinder();
    const std::vector<int> edges = host::kernel::edges_of(host::kernel::entity_of(body));
    tag circle = NULL_TAG;
    for (int e : edges) {
        int type = 0;
        double p[3], d[3], r = 0;
        ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
        if (type == ZQ_CURVE_CIRCLE) circle = host::kernel::object_of(e);
    }
    ASSERT_NE(circle, NULL_TAG);
    line_data l{{0, 0, 0}, {1, 0, 0}};
    tag line = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_line(&l, &line), 0);
    const int splines = count_of_type(HOST_TYPE_SPLINE);
    tag in[2] = {line, circle};
    int n = 0;
    tag* results = nullptr;
    ASSERT_EQ(KX_CURVE_create_simplified_curve(2, in, 1e-3, &n, &results), 0);
    ASSERT_GE(n, 2);
    for (int i = 0; i < n; ++i) {
        int type = 0, subtype = 0;
        ASSERT_EQ(KX_OBJ_ask_type_and_subtype(results[i], &type, &subtype), 0);
        EXPECT_TRUE(type == HOST_TYPE_LINE || type == HOST_TYPE_ARC);
    }
    KX_free(results);
    EXPECT_EQ(count_of_type(HOST_TYPE_SPLINE), splines);  // the edge's copy is gone
    EXPECT_EQ(KX_CURVE_create_simplified_curve(0, in, 1e-3, &n, &results), 875302);
    EXPECT_EQ(KX_CURVE_create_simplified_curve(2, in, 0.0, &n, &results), 875036);
    tag bad[1] = {view};
    EXPECT_EQ(KX_CURVE_create_simplified_curve(1, bad, 1e-3, &n, &results), 875033);
    EXPECT_EQ(results, nullptr);
}

}  // namespace
