// One update brings smart objects to an edited expression, whatever lies
// between them: dependent expressions, transforms, the update option, a
// feature's body, a curve feature that takes a smart curve.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "kx_curve_feat.h"
#include "kx_modl.h"
#include "kx_modl_body_ops.h"
#include "kx_modl_cre_ff.h"
#include "kx_modl_exp.h"
#include "tests/libkxapi/so/so_fixture.h"

namespace {

using smart_test::expect_near;
using smart_test::V;

class SmartUpdateOrderTest : public smart_test::SmartTest {
protected:
    tag exp_scalar(tag e, int option = 0) {
        tag s = NULL_TAG;
        EXPECT_EQ(KX_SO_create_scalar_exp(part, option, e, &s), 0);
        return s;
    }
    tag exp(const std::string& assignment) {
        tag e = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_exp_tag(assignment.c_str(), &e), 0);
        return e;
    }
    // A point of three scalars: x of q1 = 2 q0 + 0.25, y 1.5, z of q0.
    tag doubled_point(const std::string& q0, int option) {
        const tag e0 = exp(q0 + "=3.5"), e1 = exp(q0 + "d=2*" + q0 + "+0.25");
        tag s[3] = {exp_scalar(e1, option), scalar(1.5), exp_scalar(e0, option)}, p = NULL_TAG;
        EXPECT_EQ(KX_SO_create_point_3_scalars(part, option, s, &p), 0);
        return p;
    }
    // A 100 x 50 x 20 box ruled between two rectangles, scaled about the
    // origin by the expression `factor` = 1.5.
    tag scaled_box(const std::string& factor) {
        const auto rect = [&](double z) {
            return std::vector<tag>{line({0, 0, z}, {100, 0, z}), line({100, 0, z}, {100, 50, z}),
                                    line({100, 50, z}, {0, 50, z}), line({0, 50, z}, {0, 0, z})};
        };
        std::vector<tag> all = rect(0), high = rect(20);
        all.insert(all.end(), high.begin(), high.end());
        int per[2] = {4, 4}, dir[2] = {1, 1};
        string_list sl{2, per, dir, all.data()};
        int align = 1, end = 0, body_flag = 1;
        double values[6] = {}, tol[3] = {0.001, 0.5, 0.02};
        tag ruled = NULL_TAG, body = NULL_TAG, scale = NULL_TAG;
        EXPECT_EQ(KX_MODL_create_ruled(&sl, nullptr, &align, values, &end, &body_flag, 0, tol, &ruled), 0);
        EXPECT_EQ(KX_MODL_ask_feat_body(ruled, &body), 0);
        exp(factor + "=1.5");
        EXPECT_EQ(KX_MODL_create_uniform_scale(body, NULL_TAG, factor.c_str(), &scale), 0);
        EXPECT_EQ(KX_MODL_ask_feat_body(scale, &body), 0);
        return body;
    }
    static tag item(int (*ask)(tag, tag_list**), tag body, int index) {
        tag_list* list = nullptr;
        EXPECT_EQ(ask(body, &list), 0);
        tag t = NULL_TAG;
        EXPECT_EQ(KX_MODL_ask_list_item(list, index, &t), 0);
        KX_MODL_delete_list(&list);
        return t;
    }
    static V curve_end(tag c) {
        double range[2] = {}, b[3] = {};
        int periodic = 0;
        EXPECT_EQ(KX_CURVE_ask_parameterization(c, range, &periodic), 0);
        EXPECT_EQ(KX_CURVE_evaluate_curve(c, range[1], 0, b), 0);
        return {b[0], b[1], b[2]};
    }
    static tag first_curve(tag feature) {
        int n = 0;
        tag* curves = nullptr;
        EXPECT_EQ(KX_CURVE_ask_feature_curves(feature, &n, &curves), 0);
        const tag c = n > 0 ? curves[0] : NULL_TAG;
        KX_free(curves);
        return c;
    }
};

TEST_F(SmartUpdateOrderTest, OneUpdateAfterAnEditedExpressionBringsEveryPoint) {
    // Each case builds its chain and answers the edit to make and what to
    // read after one update, with the position wanted.
    struct Setup {
        std::string edit;
        std::function<V()> read;
        V want;
    };
    struct Case {
        const char* what;
        std::function<Setup()> build;
    };
    std::vector<Case> cases;
    for (int option : {0, 1, 2}) {
        cases.push_back({"a scalar on an expression of the edited one", [this, option] {
                             const std::string q = "q" + std::to_string(option);
                             const tag p = doubled_point(q, option);
                             return Setup{q + "=5.25", [p] { return coords(p); }, {10.75, 1.5, 5.25}};
                         }});
    }
    cases.push_back({"a point in a smart transform at such a point", [this] {
                         const tag p = doubled_point("qx", 0), e = exp("qz=0.5");
                         double x[3] = {0.6, 0.8, 0}, y[3] = {-0.8, 0.6, 0};
                         tag dx = NULL_TAG, dy = NULL_TAG, xf = NULL_TAG, in = NULL_TAG;
                         EXPECT_EQ(KX_SO_create_dirr_doubles(part, 0, x, &dx), 0);
                         EXPECT_EQ(KX_SO_create_dirr_doubles(part, 0, y, &dy), 0);
                         EXPECT_EQ(KX_SO_create_xform_pnt_xy_dirs(part, 0, p, dx, dy, scalar(1), &xf), 0);
                         tag local[3] = {scalar(5.25), scalar(2), exp_scalar(e)};
                         EXPECT_EQ(KX_SO_create_point_3_scalars_csys(part, xf, 0, local, &in), 0);
                         // origin (10.75, 1.5, 5.25) + 5.25 X + 2 Y + 0.5 Z
                         return Setup{"qx=5.25", [in] { return coords(in); },
                                      {10.75 + 5.25 * 0.6 - 2 * 0.8, 1.5 + 5.25 * 0.8 + 2 * 0.6, 5.25 + 0.5}};
                     }});
    cases.push_back({"a point on a copy of an edge of a scaled body", [this] {
                         const tag copy_of = item(KX_MODL_ask_body_edges, scaled_box("sfe"), 5);
                         tag copy = NULL_TAG, p = NULL_TAG;
                         EXPECT_EQ(KX_SO_create_curve_extract(part, 0, copy_of, 0, 0, 0, &copy), 0);
                         EXPECT_EQ(KX_SO_create_point_on_curve(part, 0, copy, scalar(0.25), &p), 0);
                         const V was = coords(p);
                         return Setup{"sfe=2.25", [p] { return coords(p); }, {was[0] * 1.5, was[1] * 1.5, was[2] * 1.5}};
                     }});
    cases.push_back({"a point on a face of a scaled body", [this] {
                         const tag face = item(KX_MODL_ask_body_faces, scaled_box("sff"), 2);
                         tag p = NULL_TAG;
                         EXPECT_EQ(KX_SO_create_point_on_surface(part, 0, face, scalar(0.3), scalar(0.6), &p), 0);
                         const V was = coords(p);
                         return Setup{"sff=2.25", [p] { return coords(p); }, {was[0] * 1.5, was[1] * 1.5, was[2] * 1.5}};
                     }});
    // A joined curve feature takes a smart line to such a point: the
    // feature's curve and a smart point at its end follow at once.
    const auto joined = [this](bool point_on_it) {
        const tag p = doubled_point(point_on_it ? "qj" : "qk", 0);
        tag ends[2] = {point({0.5, -1, 0}), p}, line = NULL_TAG, feature = NULL_TAG, made = NULL_TAG;
        EXPECT_EQ(KX_SO_create_line_two_points(part, 0, ends, &line), 0);
        int per[1] = {1}, dir[1] = {1};
        string_list s{1, per, dir, &line};
        EXPECT_EQ(KX_CURVE_create_joined_feature(&s, 2, &feature, &made), 0);
        const std::string edit = point_on_it ? "qj=5.25" : "qk=5.25";
        if (!point_on_it) return Setup{edit, [feature] { return curve_end(first_curve(feature)); }, {10.75, 1.5, 5.25}};
        tag at_end = NULL_TAG;
        EXPECT_EQ(KX_SO_create_point_on_curve(part, 0, first_curve(feature), scalar(1), &at_end), 0);
        return Setup{edit, [at_end] { return coords(at_end); }, {10.75, 1.5, 5.25}};
    };
    cases.push_back({"a joined curve of a smart line", [joined] { return joined(false); }});
    cases.push_back({"a point on a joined curve of a smart line", [joined] { return joined(true); }});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Setup s = c.build();
        ASSERT_EQ(KX_MODL_edit_exp(s.edit.c_str()), 0);
        ASSERT_EQ(KX_MODL_update(), 0);
        expect_near(s.read(), s.want, "after one update");
    }
}

}  // namespace
