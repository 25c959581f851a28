// Curve features: bridge curves (end continuity), projections onto planes
// and cylinder faces against closed forms, combined curves, joins and the
// analysis display; the codes as tables; failures leave the model as it
// was; features follow their parents at the model update, also once saved
// in a part file and read back, and damaged curve-feature rows are refused.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <functional>
#include <string>

#include "reopen_fixture.h"
#include "string_list_fixture.h"
#include "host/store/entities/views.h"
#include "host/control/control.h"
#include "host/kernel/curves/curve_queries.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/apps/modeling/curvefeat/curvefeat.h"
#include "host/model/display/temp.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/profiles.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/links.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "kx_curve_feat.h"
#include "kx_modl.h"
#include "kx_obj.h"
#include "kx_undo.h"

namespace {

using P = std::vector<double>;

class CurveFeatureTest : public StringListCurveTest {
protected:
    static int marks() {
        int n = -1;
        EXPECT_EQ(KX_UNDO_ask_number_of_marks(1, &n), 0);
        return n;
    }
    tag arc_at(double cx, double cy, double cz, double r, double a0, double a1) {
        arc_data d{identity, a0, a1, {cx, cy, cz}, r};
        tag t = NULL_TAG;
        EXPECT_EQ(KX_CURVE_create_arc(&d, &t), 0);
        return t;
    }
    tag plane(std::vector<double> point, std::vector<double> normal) {
        return host::profiles::create_direction_object(part, HOST_TYPE_PLANE, point.data(), normal.data());
    }
    // The lateral face of a cylinder of radius r about the z axis from z = 0 to h.
    tag cylinder_face(double r, double h) {
        int body = 0;
        const double base[3] = {0, 0, 0}, axis[3] = {0, 0, 1};
        ZQ_BODY_make_cylinder(base, axis, r, h, &body);
        for (int f : host::kernel::faces_of(body)) {
            tag o = host::kernel::object_of(f);
            host::kernel::SurfaceData s;
            if (host::kernel::face_surface(o, &s) && s.kind == ZQ_SURF_CYLINDER) return o;
        }
        ADD_FAILURE() << "no cylindrical face";
        return NULL_TAG;
    }
    static std::vector<tag> outputs(tag feature) {
        const host::feature::Record* r = host::feature::find(feature);
        return r ? r->results : std::vector<tag>{};
    }
    // Points of a curve at n + 1 even parameters.
    static std::vector<P> samples(tag curve, int n = 16) {
        const auto l = curve_limits(curve);
        std::vector<P> out;
        for (int i = 0; i <= n; ++i) out.push_back(point_at(curve, l[0] + (l[1] - l[0]) * i / n));
        return out;
    }
    // Point, unit tangent and curvature vector at t.
    struct Local {
        P p, t, k;
    };
    static Local local_at(tag curve, double t) {
        auto c = host::curves::curve_of(curve);
        EXPECT_TRUE(c.has_value());
        Local l{P(3), P(3), P(3)};
        double d[6] = {0, 0, 0, 0, 0, 0};
        if (c) hostnum::curve_evaluate(c->record(), 2, t, l.p.data(), d);
        const double v2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
        const double along = (d[0] * d[3] + d[1] * d[4] + d[2] * d[5]) / v2;
        for (int i = 0; i < 3; ++i) {
            l.t[i] = d[i] / std::sqrt(v2);
            l.k[i] = (d[3 + i] - along * d[i]) / v2;
        }
        return l;
    }
    static void expect_near(const P& a, const P& b, double tol, const std::string& what) {
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(a[i], b[i], tol) << what << " [" << i << "]";
    }
    proj_data along(int type, std::vector<double> v) {
        proj_data d{};
        d.proj_type = type;
        std::copy(v.begin(), v.end(), d.proj_vector);
        return d;
    }
    void update() { ASSERT_EQ(UPDATE_do_update(), 0); }
    // The line (0, 0, 5)-(4, 0, 5) projected onto the plane z = 0 along
    // (0, 0, -1) turned by 45 degrees about x: it lands at y = 5.
    struct Angled {
        tag ground, line, feature;
        proj_data data;
    };
    Angled angled_projection() {
        Angled a{plane({0, 0, 0}, {0, 0, 1}), line(0, 0, 5, 4, 0, 5), NULL_TAG, along(4, {0, 0, -1})};
        a.data.angle = 45;
        a.data.angle_vector[0] = 1;
        EXPECT_EQ(KX_CURVE_create_proj_curves(1, &a.line, 1, &a.ground, 3, &a.data, &a.feature), 0);
        return a;
    }
    static tag_list* kx_list(std::vector<tag> tags) {
        tag_list* l = nullptr;
        EXPECT_EQ(KX_MODL_create_list(&l), 0);
        for (tag t : tags) EXPECT_EQ(KX_MODL_put_list_item(l, t), 0);
        return l;
    }
};

// ---- projections against closed forms ----------------------------------------------

TEST_F(CurveFeatureTest, ProjectionsOfLinesAndArcsMatchTheirClosedForms) {
    tag ground = plane({0, 0, 0}, {0, 0, 1});
    tag wall = cylinder_face(10, 30);
    struct Row {
        const char* what;
        std::function<tag()> curve;
        tag target;
        proj_data data;
        int pieces;
        // The closed form every point of the output meets (a residual near 0).
        std::function<double(const P&)> residual;
        P start;  // the image of the input's start (empty: not checked)
    };
    const std::vector<Row> rows = {
        {"line along the plane's normal",
         [&] { return line(1, 2, 5, 7, -3, 9); },
         ground,
         along(1, {0, 0, 1}),
         1,
         [](const P& q) { return std::fabs(q[2]) + std::fabs(5 * (q[0] - 1) + 6 * (q[1] - 2)); },
         {1, 2, 0}},
        {"line along a slanted vector",
         [&] { return line(0, 0, 4, 6, 0, 4); },
         ground,
         along(3, {0, 1, -1}),
         1,
         [](const P& q) { return std::fabs(q[2]) + std::fabs(q[1] - 4); },
         {0, 4, 0}},
        {"arc along the plane's normal",
         [&] { return arc_at(0, 0, 5, 3, 0, kPi); },
         ground,
         along(1, {0, 0, 1}),
         1,
         [](const P& q) { return std::fabs(q[2]) + std::fabs(std::hypot(q[0], q[1]) - 3) + std::max(0.0, -q[1]); },
         {3, 0, 0}},
        {"coaxial arc along the cylinder's normal",
         [&] { return arc_at(0, 0, 5, 3, 0.5, 2.5); },
         wall,
         along(1, {0, 0, 1}),
         1,
         [](const P& q) { return std::fabs(q[2] - 5) + std::fabs(std::hypot(q[0], q[1]) - 10) + std::max(0.0, -q[1]); },
         {10 * std::cos(0.5), 10 * std::sin(0.5), 5}},
        {"axial line along the cylinder's normal",
         [&] { return line(0, 3, 5, 0, 3, 20); },
         wall,
         along(1, {0, 0, 1}),
         1,
         [](const P& q) { return std::fabs(q[1] - 10) + std::fabs(q[0]) + std::max(0.0, 5 - q[2]); },
         {0, 10, 5}},
        {"line along a vector onto the cylinder, one way",
         [&] { return line(-5, 2, 12, 5, 2, 12); },
         wall,
         along(3, {0, 1, 0}),
         1,
         [](const P& q) { return std::fabs(q[2] - 12) + std::fabs(q[1] - std::sqrt(100 - q[0] * q[0])); },
         {-5, std::sqrt(75.0), 12}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        tag c = row.curve();
        tag targets[1] = {row.target};
        proj_data d = row.data;
        tag feature = NULL_TAG;
        ASSERT_EQ(KX_CURVE_create_proj_curves(1, &c, 1, targets, 3, &d, &feature), 0);
        const std::vector<tag> out = outputs(feature);
        ASSERT_EQ(static_cast<int>(out.size()), row.pieces);
        for (const P& q : samples(out[0], 32)) EXPECT_LT(row.residual(q), 1e-4) << q[0] << " " << q[1] << " " << q[2];
        if (!row.start.empty()) expect_near(samples(out[0])[0], row.start, 1e-4, "start");
    }
    EXPECT_EQ(marks(), 0);
}

TEST_F(CurveFeatureTest, ProjectionAlongAVectorBothWaysMakesBothSidesOfTheCylinder) {
    tag wall = cylinder_face(10, 30);
    tag c = line(-5, 2, 12, 5, 2, 12);
    proj_data d = along(3, {0, 1, 0});
    d.multiplicity = 2;
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_proj_curves(1, &c, 1, &wall, 3, &d, &feature), 0);
    const std::vector<tag> out = outputs(feature);
    ASSERT_EQ(out.size(), 2u);
    std::vector<double> sides;
    for (tag o : out) {
        const P m = samples(o, 2)[1];
        EXPECT_NEAR(std::hypot(m[0], m[1]), 10, 1e-4);
        sides.push_back(m[1]);
    }
    std::sort(sides.begin(), sides.end());
    EXPECT_LT(sides[0], 0);
    EXPECT_GT(sides[1], 0);
    tag parent = NULL_TAG, from = NULL_TAG, onto = NULL_TAG;
    ASSERT_EQ(KX_CURVE_ask_proj_curve_parents(out[1], &parent, &from, &onto), 0);
    EXPECT_EQ(parent, feature);
    EXPECT_EQ(from, c);
    EXPECT_EQ(onto, wall);
    int count = 0;
    tag* curves = nullptr;
    ASSERT_EQ(KX_CURVE_ask_proj_curves(feature, &count, &curves), 0);
    hold(curves);
    ASSERT_EQ(count, 2);
    EXPECT_TRUE(std::equal(curves, curves + 2, out.begin()));
}

TEST_F(CurveFeatureTest, PlainCurvesGoIntoANewGroupAndNothingProjectedMakesNoGroup) {
    tag wall = cylinder_face(10, 30);
    tag ground = plane({0, 0, 0}, {0, 0, 1});
    tag c = line(1, 1, 3, 4, 2, 3);
    tag group = NULL_TAG;
    proj_data d = along(1, {0, 0, 1});
    const int groups = count_of_type(HOST_TYPE_GROUP), splines = count_of_type(HOST_TYPE_SPLINE);
    ASSERT_EQ(KX_CURVE_create_proj_curves(1, &c, 1, &ground, 1, &d, &group), 0);
    EXPECT_EQ(count_of_type(HOST_TYPE_GROUP), groups + 1);
    EXPECT_EQ(count_of_type(HOST_TYPE_SPLINE), splines + 1);
    EXPECT_EQ(host::objects::find(group)->type, HOST_TYPE_GROUP);
    tag above = line(-5, 2, 50, 5, 2, 50);  // above the cylinder: it misses
    proj_data sideways = along(3, {0, 1, 0});
    tag none = 7;
    EXPECT_EQ(KX_CURVE_create_proj_curves(1, &above, 1, &wall, 1, &sideways, &none), 875124);
    EXPECT_EQ(none, NULL_TAG);
    EXPECT_EQ(count_of_type(HOST_TYPE_GROUP), groups + 1);
    EXPECT_EQ(KX_CURVE_create_proj_curves(1, &above, 1, &wall, 3, &sideways, &none), 875124);
    EXPECT_EQ(count_of_type(HOST_TYPE_FEATURE), 0);
    EXPECT_EQ(marks(), 0);
}

TEST_F(CurveFeatureTest, ProjectionsTowardAPointAndALineAndOfPointsAndFeatures) {
    tag ground = plane({0, 0, 0}, {0, 0, 1});
    double eye_xyz[3] = {0, 0, 10}, p_xyz[3] = {2, 1, 5};
    tag eye = NULL_TAG, pt = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_point(eye_xyz, &eye), 0);
    ASSERT_EQ(KX_CURVE_create_point(p_xyz, &pt), 0);
    // Toward the point (0, 0, 10) from z = 5: every point lands twice as far out.
    tag c = line(1, 0, 5, 1, 2, 5);
    proj_data d = along(2, {0, 0, 1});
    d.proj_object = eye;
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_proj_curves(1, &c, 1, &ground, 3, &d, &feature), 0);
    ASSERT_EQ(outputs(feature).size(), 1u);
    for (const P& q : samples(outputs(feature)[0])) {
        EXPECT_NEAR(q[0], 2, 1e-4);
        EXPECT_NEAR(q[2], 0, 1e-6);
    }
    expect_near(samples(outputs(feature)[0]).back(), {2, 4, 0}, 1e-4, "far end");
    // Toward the z axis (a line): an arc about the axis keeps its angles at radius 0.
    tag axis = line(0, 0, -100, 0, 0, 100);
    tag wall = cylinder_face(10, 30);
    tag outer = arc_at(0, 0, 12, 20, 0.5, 2.5);
    proj_data toward = along(5, {0, 0, 1});
    toward.proj_object = axis;
    ASSERT_EQ(KX_CURVE_create_proj_curves(1, &outer, 1, &wall, 3, &toward, &feature), 0);
    ASSERT_EQ(outputs(feature).size(), 1u);
    for (const P& q : samples(outputs(feature)[0])) {
        EXPECT_NEAR(std::hypot(q[0], q[1]), 10, 1e-4);
        EXPECT_NEAR(q[2], 12, 1e-4);
    }
    // A point projects to a point.
    proj_data straight = along(1, {0, 0, 1});
    ASSERT_EQ(KX_CURVE_create_proj_curves(1, &pt, 1, &ground, 3, &straight, &feature), 0);
    ASSERT_EQ(outputs(feature).size(), 1u);
    double at[3];
    ASSERT_EQ(KX_CURVE_ask_point_data(outputs(feature)[0], at), 0);
    expect_near({at[0], at[1], at[2]}, {2, 1, 0}, 1e-12, "point");
    // A curve feature as input: its curves project, and it is the parent.
    tag bridged = feature;
    ASSERT_EQ(KX_CURVE_create_proj_curves(1, &c, 1, &ground, 3, &straight, &bridged), 0);
    tag again = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_proj_curves(1, &bridged, 1, &ground, 3, &straight, &again), 0);
    EXPECT_EQ(outputs(again).size(), 1u);
    EXPECT_EQ(host::feature::find(again)->parents, std::vector<tag>{bridged});
    EXPECT_EQ(host::feature::display_name(again).rfind("PROJECTED_CURVE(", 0), 0u);
}

TEST_F(CurveFeatureTest, AFeatureThatCannotFollowFailsTheUpdateAndTheModelStays) {
    tag ring = arc_at(0, 0, 0, 5, 0.2, 1.3);
    tag slope = line(-10, 0, -3, 10, 0, 7);
    combine_direction d1{0, {0, 0, 0}}, d2{1, {0, 1, 0}};
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_combine_curves(ring, &d1, slope, &d2, const_cast<char*>("0.001"), &feature), 0);
    const tag out = outputs(feature).at(0);
    const std::vector<P> before = samples(out);
    line_data away{{100, 0, -3}, {120, 0, 7}};  // its sweep no longer meets the ring's
    ASSERT_EQ(KX_CURVE_edit_line_data(slope, &away), 0);
    EXPECT_EQ(host::control::raised_code([] { UPDATE_do_update(); }), std::optional<int>(FEAT_ERR_UPDATE_FAILED));
    std::string failure = FREC_ask_update_failure_message();
    EXPECT_NE(failure.find("COMBINED_CURVE("), std::string::npos) << failure;
    EXPECT_EQ(samples(out), before);
    EXPECT_EQ(outputs(feature), std::vector<tag>{out});
    line_data back{{-10, 0, -3}, {10, 0, 7}};
    EXPECT_EQ(KX_CURVE_edit_line_data(slope, &back), 0);
    update();
    EXPECT_EQ(samples(out), before);
}

TEST_F(CurveFeatureTest, EachChangeSetsItsNamedMark) {
    tag ground = plane({0, 0, 0}, {0, 0, 1});
    tag c = line(0, 0, 5, 4, 0, 5);
    tag ring = arc_at(0, 0, 0, 5, 0.2, 1.3);
    tag slope = line(-10, 0, -3, 10, 0, 7);
    tag projection = NULL_TAG, combined = NULL_TAG, group = NULL_TAG;
    proj_data d = along(1, {0, 0, 1});
    combine_direction d1{0, {0, 0, 0}}, d2{1, {0, 1, 0}};
    struct Row {
        const char* name;  // null: an unnamed mark
        std::function<int()> call;
    };
    const Row rows[] = {
        {"Create proj curves (KXAPI)",
         [&] { return KX_CURVE_create_proj_curves(1, &c, 1, &ground, 3, &d, &projection); }},
        {"KX_CURVE_edit_proj_curves", [&] { return KX_CURVE_edit_proj_curves(projection, 1, &c, 1, &ground, &d); }},
        {nullptr, [&] { return KX_CURVE_create_proj_curves(1, &c, 1, &ground, 1, &d, &group); }},
        {"Create combine curves (KXAPI)",
         [&] { return KX_CURVE_create_combine_curves(ring, &d1, slope, &d2, const_cast<char*>("0.01"), &combined); }},
        {"Edit combine curves (KXAPI)",
         [&] { return KX_CURVE_edit_combine_curves(combined, ring, &d1, slope, &d2, const_cast<char*>("0.02")); }},
    };
    for (const Row& row : rows) {
        host::control::set_journal(true);
        host::control::clear_journal();
        ASSERT_EQ(row.call(), 0) << (row.name ? row.name : "unnamed");
        const auto marks = host::control::calls("UNDO_JQ_set_mark");
        ASSERT_EQ(marks.size(), 1u);
        EXPECT_EQ(marks[0].arg[0], 1);
        EXPECT_STREQ(marks[0].text, row.name ? row.name : "");
    }
    EXPECT_EQ(marks(), 0);
}

TEST_F(CurveFeatureTest, ProjectionCodes) {
    tag ground = plane({0, 0, 0}, {0, 0, 1});
    tag c = line(0, 0, 1, 1, 0, 1);
    tag pt = [] {
        double xyz[3] = {0, 0, 9};
        tag t = NULL_TAG;
        KX_CURVE_create_point(xyz, &t);
        return t;
    }();
    tag dead = line(0, 0, 2, 1, 0, 2);
    host::objects::destroy(dead);
    struct Row {
        const char* what;
        int n_curves;
        tag curve, target;
        proj_data data;
        int code;
    };
    proj_data angled = along(4, {0, 0, 1});
    angled.angle = 90;
    proj_data angled_low = angled;
    angled_low.angle = -90;
    proj_data to_line_point = along(2, {0, 0, 1});
    to_line_point.proj_object = c;
    proj_data to_point_line = along(5, {0, 0, 1});
    to_point_line.proj_object = pt;
    const std::vector<Row> rows = {
        {"no curves", 0, c, ground, along(1, {0, 0, 1}), 875005},
        {"type 7", 1, c, ground, along(7, {0, 0, 1}), 875159},
        {"type 0", 1, c, ground, along(0, {0, 0, 1}), 875159},
        {"angle 90", 1, c, ground, angled, 875178},
        {"angle -90", 1, c, ground, angled_low, 875178},
        {"a dead curve", 1, dead, ground, along(1, {0, 0, 1}), 875027},
        {"a plane as curve", 1, ground, ground, along(1, {0, 0, 1}), 875033},
        {"a line as target", 1, c, c, along(1, {0, 0, 1}), 875033},
        {"a dead target", 1, c, dead, along(1, {0, 0, 1}), 875027},
        {"a zero vector", 1, c, ground, along(3, {0, 0, 1e-12}), 875041},
        {"toward a line that should be a point", 1, c, ground, to_line_point, 875033},
        {"toward a point that should be a line", 1, c, ground, to_point_line, 875033},
    };
    for (const Row& row : rows) {
        tag curve = row.curve, target = row.target, result = 5;
        proj_data d = row.data;
        EXPECT_EQ(KX_CURVE_create_proj_curves(row.n_curves, &curve, 1, &target, 3, &d, &result), row.code) << row.what;
        EXPECT_EQ(result, NULL_TAG) << row.what;
    }
    EXPECT_EQ(count_of_type(HOST_TYPE_FEATURE), 0);
    int count = 0;
    tag* curves = nullptr;
    EXPECT_EQ(KX_CURVE_ask_proj_curves(c, &count, &curves), 875033);  // an object, no feature
    tag f = NULL_TAG, a = NULL_TAG, b = NULL_TAG;
    EXPECT_EQ(KX_CURVE_ask_proj_curve_parents(c, &f, &a, &b), 875033);
    // A host error ends the checks: 875179.
    host::control::raise_on("EQ_ask_length_tolerance", 670004, 1);
    proj_data v = along(3, {0, 0, 1});
    tag curve = c, target = ground, result = NULL_TAG;
    EXPECT_EQ(KX_CURVE_create_proj_curves(1, &curve, 1, &target, 3, &v, &result), 875179);
    host::control::clear_scripts();
    host::control::raise_on("CPROJ_create_feature", 670004, 1);
    EXPECT_EQ(KX_CURVE_create_proj_curves(1, &curve, 1, &target, 3, &v, &result), 875124);
    EXPECT_EQ(count_of_type(HOST_TYPE_FEATURE), 0);
    EXPECT_EQ(marks(), 0);
}

TEST_F(CurveFeatureTest, ProjectionEditsKeepTheirOutputsAndOneAngleUnit) {
    Angled a = angled_projection();
    tag ground = a.ground, c = a.line, feature = a.feature;
    proj_data d = a.data;
    ASSERT_NE(feature, NULL_TAG);
    std::vector<tag> out = outputs(feature);
    ASSERT_EQ(out.size(), 1u);
    // (0, 0, -1) turned by 45 degrees about x: the line lands at y = 5.
    expect_near(samples(out[0])[0], {0, 5, 0}, 1e-6, "45 degrees");
    CPROJ_parms_t parms{};
    CPROJ_ask_feature_parms(feature, &parms);
    EXPECT_NEAR(host::expr::value(parms.angle_exp), 45, 1e-12);  // degrees
    CPROJ_free_parms(&parms);

    d.angle = 30;
    ASSERT_EQ(KX_CURVE_edit_proj_curves(feature, 1, &c, 1, &ground, &d), 0);
    update();
    EXPECT_EQ(outputs(feature), out);  // the same curve, made again
    expect_near(samples(out[0])[0], {0, 5 * std::tan(kPi / 6), 0}, 1e-6, "30 degrees");
    CPROJ_ask_feature_parms(feature, &parms);
    EXPECT_NEAR(host::expr::value(parms.angle_exp), 30, 1e-12);  // degrees, as created
    CPROJ_free_parms(&parms);

    proj_data straight = along(1, {0, 0, 1});
    ASSERT_EQ(KX_CURVE_edit_proj_curves(feature, 1, &c, 1, &ground, &straight), 0);
    update();
    EXPECT_EQ(outputs(feature), out);
    expect_near(samples(out[0])[0], {0, 0, 0}, 1e-6, "normal");

    // Another target: the pair's entry moves to it and keeps its curve.
    tag lower = plane({0, 0, -3}, {0, 0, 1});
    ASSERT_EQ(KX_CURVE_edit_proj_curves(feature, 1, &c, 1, &lower, &straight), 0);
    update();
    EXPECT_EQ(outputs(feature), out);
    expect_near(samples(out[0])[0], {0, 0, -3}, 1e-6, "moved to the other plane");
    // A second target: a new entry and a new curve for the new pair.
    tag targets[2] = {lower, ground};
    ASSERT_EQ(KX_CURVE_edit_proj_curves(feature, 1, &c, 2, targets, &straight), 0);
    update();
    const std::vector<tag> two = outputs(feature);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0], out[0]);
    expect_near(samples(two[1])[0], {0, 0, 0}, 1e-6, "the new pair");
    // Back to one target: the entry of the pair kept keeps its curve, the
    // pair no longer there goes with its curve.
    ASSERT_EQ(KX_CURVE_edit_proj_curves(feature, 1, &c, 1, &ground, &straight), 0);
    update();
    EXPECT_EQ(outputs(feature), std::vector<tag>{two[1]});
    EXPECT_FALSE(host::objects::is_alive(two[0]));
    // The parent moves: the projection follows at the update.
    line_data moved{{1, 1, 5}, {4, 1, 5}};
    ASSERT_EQ(KX_CURVE_edit_line_data(c, &moved), 0);
    update();
    expect_near(samples(two[1])[0], {1, 1, 0}, 1e-6, "followed");
    EXPECT_EQ(marks(), 0);
}

// A sketch projects its members; an edit that keeps the sketch keeps the
// members' curves, and a member added to the sketch gets its own.
TEST_F(CurveFeatureTest, ASketchProjectsItsMembers) {
    tag ground = plane({0, 0, 0}, {0, 0, 1});
    tag a = line(0, 0, 5, 4, 0, 5), b = line(0, 1, 5, 4, 1, 5);
    const tag part = PART_ask_part_of_object(a);
    tag sketch = host::views::make_sketch(part, {a, b});
    proj_data straight = along(1, {0, 0, 1});
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_proj_curves(1, &sketch, 1, &ground, 3, &straight, &feature), 0);
    const std::vector<tag> out = outputs(feature);
    ASSERT_EQ(out.size(), 2u);
    expect_near(samples(out[0])[0], {0, 0, 0}, 1e-6, "first member");
    expect_near(samples(out[1])[0], {0, 1, 0}, 1e-6, "second member");
    ASSERT_EQ(KX_CURVE_edit_proj_curves(feature, 1, &sketch, 1, &ground, &straight), 0);
    update();
    EXPECT_EQ(outputs(feature), out);
    EXPECT_EQ(ES_count_sketch_members(sketch), 2);
    EXPECT_EQ(ES_read_sketch_member(sketch, 2), b);
}

// An edit whose mark cannot be set answers the host's code and notes it.
TEST_F(CurveFeatureTest, AProjectionEditWithoutItsMarkIsNoted) {
    Angled a = angled_projection();
    host::control::raise_on("UNDO_JQ_set_mark", 1055098);
    EXPECT_EQ(KX_CURVE_edit_proj_curves(a.feature, 1, &a.line, 1, &a.ground, &a.data), 1055098);
    bool noted = false;
    for (const std::string& line : host::control::log_lines())
        noted = noted || line.find("Failed to set mark = code 1055098") != std::string::npos;
    EXPECT_TRUE(noted);
    EXPECT_EQ(marks(), 0);
}

TEST_F(CurveFeatureTest, ProjectionEditRefusals) {
    tag ground = plane({0, 0, 0}, {0, 0, 1});
    tag c = line(0, 0, 5, 4, 0, 5);
    tag g = ground;
    proj_data d = along(1, {0, 0, 1});
    EXPECT_EQ(KX_CURVE_edit_proj_curves(c, 1, &c, 1, &g, &d), 875008);
    tag plain = host::feature::create(part, "PLAIN");
    EXPECT_EQ(KX_CURVE_edit_proj_curves(plain, 1, &c, 1, &g, &d), 875004);
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_proj_curves(1, &c, 1, &g, 3, &d, &feature), 0);
    proj_data bad = along(9, {0, 0, 1});
    const P before = samples(outputs(feature)[0])[0];
    EXPECT_EQ(KX_CURVE_edit_proj_curves(feature, 1, &c, 1, &g, &bad), 875159);
    host::control::raise_on("CPROJ_set_feature_parms", 670004, 1);
    EXPECT_EQ(KX_CURVE_edit_proj_curves(feature, 1, &c, 1, &g, &d), 670004);
    update();
    expect_near(samples(outputs(feature)[0])[0], before, 1e-9, "unchanged");
    EXPECT_EQ(marks(), 0);
}

// ---- bridges -------------------------------------------------------------------------

class BridgeTest : public CurveFeatureTest {
protected:
    void SetUp() override {
        CurveFeatureTest::SetUp();
        left = arc_at(0, 0, 0, 5, 0, kPi / 2);      // ends at (0, 5, 0)
        right = arc_at(20, 0, 0, 5, kPi / 2, kPi);  // starts at (20, 5, 0)
    }
    bridge_data data(int method, const char* p1 = "100", const char* p2 = "0") {
        bridge_data d{};
        d.method = method;
        first = strings_of({left});
        second = strings_of({right});
        d.first_curve = &first;
        d.second_curve = &second;
        d.first_position = const_cast<char*>(p1);
        d.second_position = const_cast<char*>(p2);
        d.first_shape = const_cast<char*>(method == 1 || method == 3 ? "100" : "1");
        d.second_shape = const_cast<char*>(method == 1 || method == 3 ? "100" : "1");
        return d;
    }
    tag left = NULL_TAG, right = NULL_TAG;
    string_list first{}, second{};
};

TEST_F(BridgeTest, EndsMeetTheCurvesWithTheContinuityTheMethodAsks) {
    struct Row {
        int method;
        int option;
        bool curvature[2];  // curvature matched at each end, else none
    };
    const Row rows[] = {{0, 0, {false, false}}, {1, 0, {true, true}},  {2, 0, {true, true}},
                        {3, 1, {true, false}},  {3, 2, {false, true}}, {5, 0, {false, false}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.method * 10 + row.option);
        bridge_data d = data(row.method);
        d.method3_option = row.option;
        if (row.method == 5) d.first_shape = const_cast<char*>("0.5");
        tag feature = NULL_TAG;
        ASSERT_EQ(KX_CURVE_create_bridge_feature(&d, &feature), 0);
        tag b = outputs(feature).at(0);
        const auto lim = curve_limits(b);
        const Local s = local_at(b, lim[0]), e = local_at(b, lim[1]);
        const Local l = local_at(left, kPi / 2), r = local_at(right, kPi / 2);
        expect_near(s.p, l.p, 1e-9, "start point");
        expect_near(e.p, r.p, 1e-9, "end point");
        expect_near(s.t, l.t, 1e-9, "start tangent");
        expect_near(e.t, r.t, 1e-9, "end tangent");
        expect_near(s.k, row.curvature[0] ? l.k : P{0, 0, 0}, 1e-9, "start curvature");
        expect_near(e.k, row.curvature[1] ? r.k : P{0, 0, 0}, 1e-9, "end curvature");
    }
    // Reversed: the bridge leaves against the first curve's direction.
    bridge_data d = data(1);
    d.first_reverse = 1;
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_bridge_feature(&d, &feature), 0);
    tag b = outputs(feature).at(0);
    const Local s = local_at(b, curve_limits(b)[0]), l = local_at(left, kPi / 2);
    expect_near(s.t, {-l.t[0], -l.t[1], -l.t[2]}, 1e-9, "reversed tangent");
    expect_near(s.k, l.k, 1e-9, "curvature kept");
    EXPECT_EQ(marks(), 0);
}

TEST_F(BridgeTest, Codes) {
    tag extra = line(0, 0, 0, 1, 0, 0);
    tag a_line = line(0, 9, 0, 1, 9, 0);
    struct Row {
        const char* what;
        std::function<void(bridge_data&)> change;
        int code;
    };
    string_list two{};
    const std::vector<Row> rows = {
        {"method 6", [](bridge_data& d) { d.method = 6; }, 875182},
        {"method -1", [](bridge_data& d) { d.method = -1; }, 875182},
        {"two first curves",
         [&](bridge_data& d) {
             two = strings_of({left, extra}), d.first_curve = &two;
         },
         875351},
        {"two second curves",
         [&](bridge_data& d) {
             two = strings_of({right, extra}), d.second_curve = &two;
         },
         875352},
        {"no reference", [](bridge_data& d) { d.method = 4; }, 875292},
        {"shape 0.995", [](bridge_data& d) { d.method = 5, d.first_shape = const_cast<char*>("0.995"); }, 875210},
        {"shape unreadable", [](bridge_data& d) { d.second_shape = const_cast<char*>("1+"); }, 875355},
        {"position 100.0001", [](bridge_data& d) { d.first_position = const_cast<char*>("100.0001"); }, 875357},
        {"position -1", [](bridge_data& d) { d.second_position = const_cast<char*>("-1"); }, 875357},
        {"position unreadable", [](bridge_data& d) { d.first_position = const_cast<char*>("x+"); }, 875353},
        {"point that is a line", [&](bridge_data& d) { d.first_point = a_line; }, 1480000},
        {"method 3 option 3", [](bridge_data& d) { d.method = 3, d.method3_option = 3; }, 875354},
        {"accepted: 100 and 0.99", [](bridge_data& d) { d.method = 5, d.first_shape = const_cast<char*>("0.99"); }, 0},
    };
    for (const Row& row : rows) {
        bridge_data d = data(0);
        row.change(d);
        tag feature = 5;
        EXPECT_EQ(KX_CURVE_create_bridge_feature(&d, &feature), row.code) << row.what;
        if (row.code != 0) {
            EXPECT_EQ(feature, NULL_TAG) << row.what;
        }
    }
    EXPECT_EQ(count_of_type(HOST_TYPE_FEATURE), 1);
    EXPECT_EQ(marks(), 0);
}

TEST_F(BridgeTest, AskGivesBackTheDataAndAPointDecidesItsPosition) {
    tag start = line(0, -20, 0, 10, -20, 0);
    double xyz[3] = {2.5, -19, 0};
    tag pt = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_point(xyz, &pt), 0);
    bridge_data d = data(2, "40", "0");
    string_list s = strings_of({start});
    d.first_curve = &s;
    d.first_point = pt;
    d.second_reverse = 1;
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_bridge_feature(&d, &feature), 0);
    bridge_data back{};
    ASSERT_EQ(KX_CURVE_ask_bridge_feature(feature, &back), 0);
    EXPECT_EQ(back.method, 2);
    EXPECT_STREQ(back.first_position, "25.0000");
    EXPECT_STREQ(back.second_position, "0");
    EXPECT_STREQ(back.first_shape, "1");
    EXPECT_EQ(back.first_point, pt);
    EXPECT_FALSE(back.first_reverse);
    EXPECT_TRUE(back.second_reverse);
    ASSERT_NE(back.first_curve, nullptr);
    EXPECT_EQ(back.first_curve->objects[0], start);
    EXPECT_EQ(back.second_curve->objects[0], right);
    EXPECT_EQ(back.reference, nullptr);
    expect_near(samples(outputs(feature)[0])[0], {2.5, -20, 0}, 1e-9, "from the point's place");
    for (string_list* l : {back.first_curve, back.second_curve}) {
        KX_MODL_free_string_list(l);
        SM_free(l);
    }
    for (char* t : {back.first_position, back.second_position, back.first_shape, back.second_shape}) SM_free(t);
}

TEST_F(BridgeTest, EditsFollowParentsAndFailuresRestoreTheModel) {
    bridge_data d = data(1);
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_bridge_feature(&d, &feature), 0);
    tag b = outputs(feature).at(0);
    d.second_position = const_cast<char*>("50");
    ASSERT_EQ(KX_CURVE_edit_bridge_feature(feature, &d), 0);
    const P mid = point_at(right, kPi * 0.75);
    expect_near(samples(b).back(), mid, 1e-9, "edited end");
    // A parent edited: the bridge follows at the update.
    arc_data moved{identity, kPi / 2, kPi, {30, 0, 0}, 5};
    ASSERT_EQ(KX_CURVE_edit_arc_data(right, &moved), 0);
    update();
    expect_near(samples(b).back(), point_at(right, kPi * 0.75), 1e-9, "followed");
    const P before = samples(b).back();
    for (int code : {671367, 671368, 671369}) {
        host::control::raise_on("BRDGCRV_update_frec", code, 1);
        d.second_position = const_cast<char*>("10");
        EXPECT_EQ(KX_CURVE_edit_bridge_feature(feature, &d), 875304) << code;
        host::control::clear_scripts();
        expect_near(samples(b).back(), before, 1e-12, "unchanged");
    }
    EXPECT_EQ(marks(), 0);
}

// ---- combined curves -----------------------------------------------------------------

TEST_F(CurveFeatureTest, CombinedCurveIsWhereTheSweepsMeet) {
    tag ring = arc_at(0, 0, 0, 5, 0.2, 1.3);  // swept along its plane's normal: a cylinder
    tag slope = line(-10, 0, -3, 10, 0, 7);   // z = 2 + x / 2, swept along y
    combine_direction d1{0, {0, 0, 0}}, d2{1, {0, 1, 0}};
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_combine_curves(ring, &d1, slope, &d2, const_cast<char*>("0.001"), &feature), 0);
    std::vector<tag> out = outputs(feature);
    ASSERT_EQ(out.size(), 1u);
    for (const P& q : samples(out[0], 32)) {
        EXPECT_NEAR(std::hypot(q[0], q[1]), 5, 1e-4);
        EXPECT_NEAR(q[2], 2 + q[0] / 2, 1e-4);
    }
    tag a = NULL_TAG, b = NULL_TAG;
    combine_direction r1{}, r2{};
    char* tolerance = nullptr;
    tag_list* curves = nullptr;
    ASSERT_EQ(KX_CURVE_ask_combine_curves(feature, &a, &r1, &b, &r2, &tolerance, &curves), 0);
    EXPECT_EQ(a, ring);
    EXPECT_EQ(b, slope);
    EXPECT_EQ(r1.use_vector, 0);
    EXPECT_EQ(r2.use_vector, 1);
    EXPECT_EQ(r2.vector[1], 1);
    EXPECT_STREQ(tolerance, "0.001");
    int n = 0;
    EXPECT_EQ(KX_MODL_ask_list_count(curves, &n), 0);
    EXPECT_EQ(n, 1);
    KX_MODL_delete_list(&curves);
    SM_free(tolerance);

    tag steeper = line(-10, 0, -10, 10, 0, 10);  // z = x
    ASSERT_EQ(KX_CURVE_edit_combine_curves(feature, ring, &d1, steeper, &d2, const_cast<char*>("0.002")), 0);
    EXPECT_EQ(outputs(feature), out);
    for (const P& q : samples(out[0], 16)) EXPECT_NEAR(q[2], q[0], 1e-4);
    // The parent moves: the curve follows at the update.
    line_data higher{{-10, 0, -9}, {10, 0, 11}};
    ASSERT_EQ(KX_CURVE_edit_line_data(steeper, &higher), 0);
    update();
    for (const P& q : samples(out[0], 16)) EXPECT_NEAR(q[2], q[0] + 1, 1e-4);
    EXPECT_EQ(marks(), 0);
}

TEST_F(CurveFeatureTest, CombinedCurveCodesCountRightAnglesWithinATolerance) {
    tag ring = arc_at(0, 0, 0, 5, 0.2, 1.3);
    tag slope = line(-10, 0, -3, 10, 0, 7);
    tag dead = line(0, 0, 0, 1, 1, 1);
    host::objects::destroy(dead);
    const double tilt = std::cos(89.9 * kPi / 180);
    struct Row {
        const char* what;
        tag first, second;
        combine_direction d1, d2;
        int code;
    };
    const std::vector<Row> rows = {
        {"flag 2", ring, slope, {2, {0, 0, 1}}, {1, {0, 1, 0}}, 875193},
        {"dead curve", dead, slope, {0, {}}, {1, {0, 1, 0}}, 875027},
        {"a plane", ring, plane({0, 0, 0}, {0, 0, 1}), {0, {}}, {1, {0, 1, 0}}, 875033},
        {"the same curve", ring, ring, {0, {}}, {1, {0, 1, 0}}, 875194},
        {"a line has no plane", ring, slope, {0, {}}, {0, {}}, 875195},
        {"a vector of 1e-11", ring, slope, {0, {}}, {1, {0, 0, 1e-11}}, 875053},
        {"a vector of 1e-9 is long enough (but along the first)", ring, slope, {0, {}}, {1, {0, 0, 1e-9}}, 875197},
        {"89.9 degrees apart", ring, slope, {0, {}}, {1, {0, std::sqrt(1 - tilt * tilt), tilt}}, 875197},
        {"perpendicular to rounding (1e-9 rad)", ring, slope, {0, {}}, {1, {0, 1, 1e-9}}, 0},
    };
    for (const Row& row : rows) {
        combine_direction d1 = row.d1, d2 = row.d2;
        tag feature = 5;
        EXPECT_EQ(KX_CURVE_create_combine_curves(row.first, &d1, row.second, &d2, const_cast<char*>("0.001"), &feature),
                  row.code)
            << row.what;
        if (row.code != 0) {
            EXPECT_EQ(feature, NULL_TAG) << row.what;
        }
    }
    EXPECT_EQ(count_of_type(HOST_TYPE_FEATURE), 1);
    // A combine the host refuses: 875196; a host error: 875030; the model as before.
    tag far = line(100, 0, 0, 120, 0, 1);  // its sweep misses the cylinder of the ring
    combine_direction d1{0, {}}, d2{1, {0, 1, 0}};
    tag feature = NULL_TAG;
    const int splines = count_of_type(HOST_TYPE_SPLINE);
    EXPECT_EQ(KX_CURVE_create_combine_curves(ring, &d1, far, &d2, const_cast<char*>("0.001"), &feature), 875196);
    host::control::raise_on("CPROJ_CMB_create_frec", 670004, 1);
    EXPECT_EQ(KX_CURVE_create_combine_curves(ring, &d1, slope, &d2, const_cast<char*>("0.001"), &feature), 875030);
    EXPECT_EQ(count_of_type(HOST_TYPE_SPLINE), splines);
    EXPECT_EQ(count_of_type(HOST_TYPE_FEATURE), 1);
    EXPECT_EQ(KX_CURVE_edit_combine_curves(NULL_TAG, ring, &d1, slope, &d2, const_cast<char*>("0.001")), 875027);
    // Asking a projection feature: 875033.
    tag ground = plane({0, 0, 0}, {0, 0, 1});
    tag c = slope, g = ground, proj = NULL_TAG;
    proj_data p = along(1, {0, 0, 1});
    ASSERT_EQ(KX_CURVE_create_proj_curves(1, &c, 1, &g, 3, &p, &proj), 0);
    tag a = NULL_TAG, b = NULL_TAG;
    combine_direction r1{}, r2{};
    char* tolerance = nullptr;
    tag_list* curves = nullptr;
    EXPECT_EQ(KX_CURVE_ask_combine_curves(proj, &a, &r1, &b, &r2, &tolerance, &curves), 875033);
    EXPECT_EQ(curves, nullptr);
    EXPECT_EQ(marks(), 0);
}

TEST_F(CurveFeatureTest, CombinedCurvesAreRefusedWhileAComponentIsEditedInContext) {
    tag ring = arc_at(0, 0, 0, 5, 0.2, 1.3);
    tag slope = line(-10, 0, -3, 10, 0, 7);
    // The fixture's part displayed (the assembly), a component of it the work part.
    const tag component = host::parts::create("component.prt");
    host::parts::set_display_part(part);
    host::parts::set_work_part(component);
    ASSERT_EQ(CONTEXT_ask_in_context(), 1);
    combine_direction d1{0, {}}, d2{1, {0, 1, 0}};
    tag feature = 5;
    EXPECT_EQ(KX_CURVE_create_combine_curves(ring, &d1, slope, &d2, const_cast<char*>("0.001"), &feature), 875124);
    EXPECT_EQ(feature, NULL_TAG);
    host::parts::set_work_part(part);
    ASSERT_EQ(CONTEXT_ask_in_context(), 0);
    EXPECT_EQ(KX_CURVE_create_combine_curves(ring, &d1, slope, &d2, const_cast<char*>("0.001"), &feature), 0);
}

// ---- joins and analysis --------------------------------------------------------------

TEST_F(CurveFeatureTest, JoinedCurvesFollowTheChain) {
    tag a = line(0, 0, 0, 10, 0, 0);
    tag b = arc_at(10, 5, 0, 5, -kPi / 2, 0);  // from (10, 0) to (15, 5)
    tag c = line(15, 5, 0, 15, 20, 0);
    for (int method : {1, 2, 3}) {
        SCOPED_TRACE(method);
        tag_list* list = kx_list({c, a, b});
        tag joined = NULL_TAG;
        int closed = 9;
        ASSERT_EQ(KX_CURVE_create_joined_curve(list, method, &joined, &closed), 0);
        KX_MODL_delete_list(&list);
        EXPECT_EQ(closed, 0);
        const std::vector<P> s = samples(joined, 64);
        const bool forward = s.front()[1] < 1;
        expect_near(forward ? s.front() : s.back(), {0, 0, 0}, 1e-6, "one end");
        expect_near(forward ? s.back() : s.front(), {15, 20, 0}, 1e-6, "other end");
        for (const P& q : s) {
            const double on_a = q[0] <= 10 ? std::fabs(q[1]) : 1e9;
            const double on_b = std::fabs(std::hypot(q[0] - 10, q[1] - 5) - 5);
            const double on_c = q[1] >= 5 ? std::fabs(q[0] - 15) : 1e9;
            EXPECT_LT(std::min({on_a, on_b, on_c}), method == 1 ? 1e-9 : 0.03);
        }
    }
}

TEST_F(CurveFeatureTest, JoinCodes) {
    tag a = line(0, 0, 0, 10, 0, 0);
    tag apart = line(20, 0, 0, 30, 0, 0);
    int body = 0;
    const double o[3] = {0, 0, 0}, size[3] = {10, 10, 10};
    ZQ_BODY_make_block(o, size, &body);
    tag edge = NULL_TAG;
    for (int e : host::kernel::edges_of(body)) {
        double s[3], t[3];
        PX_edge_ask_vertices(host::kernel::object_of(e), s, t);
        if ((s[0] == 10 && s[1] == 0 && s[2] == 0) || (t[0] == 10 && t[1] == 0 && t[2] == 0))
            if (s[1] == 10 || t[1] == 10) edge = host::kernel::object_of(e);
    }
    ASSERT_NE(edge, NULL_TAG);
    tag joined = NULL_TAG;
    int closed = 0;
    tag_list* list = kx_list({a, edge});
    EXPECT_EQ(KX_CURVE_create_joined_curve(list, 1, &joined, &closed), 0);  // an edge joins a curve
    KX_MODL_delete_list(&list);
    tag pair[2] = {a, edge}, out[2] = {NULL_TAG, NULL_TAG};
    int count = 0;
    EXPECT_EQ(KX_CURVE_auto_join_curves(pair, 2, 1, out, &count), 875033);  // not here
    tag_list* empty = nullptr;
    ASSERT_EQ(KX_MODL_create_list(&empty), 0);
    EXPECT_EQ(KX_CURVE_create_joined_curve(empty, 1, &joined, &closed), 875005);
    EXPECT_EQ(KX_CURVE_create_joined_curve(nullptr, 1, &joined, &closed), 1105004);
    EXPECT_EQ(KX_CURVE_create_joined_curve(empty, 4, &joined, &closed), 1105005);
    KX_MODL_delete_list(&empty);
    list = kx_list({a, apart});
    EXPECT_EQ(KX_CURVE_create_joined_curve(list, 1, &joined, &closed), 875153);  // a gap
    const struct {
        int answer, code;
    } table[] = {{1, 875153}, {3, 875152},  {4, 875005},   {5, 875151}, {6, 875135}, {7, 875027},
                 {8, 875033}, {9, 1105005}, {10, 1105004}, {2, 875030}, {11, 875030}};
    for (const auto& row : table) {
        host::control::return_status("CRV_JOIN_create_joined_curve", row.answer);
        EXPECT_EQ(KX_CURVE_create_joined_curve(list, 1, &joined, &closed), row.code) << row.answer;
        EXPECT_EQ(joined, NULL_TAG);
    }
    host::control::clear_scripts();
    KX_MODL_delete_list(&list);
    // Automatic joins: one curve per chain of two or more.
    tag b = line(10, 0, 0, 10, 5, 0);
    tag c = line(30, 0, 0, 30, 9, 0);
    tag curves[4] = {a, apart, b, c}, made[4] = {};
    ASSERT_EQ(KX_CURVE_auto_join_curves(curves, 4, 1, made, &count), 0);
    EXPECT_EQ(count, 2);
    // A failure takes back what it made.
    const int splines = count_of_type(HOST_TYPE_SPLINE);
    host::control::raise_on("DSS_REGEN_regen_object", 670004, 2);
    EXPECT_EQ(KX_CURVE_auto_join_curves(curves, 4, 1, made, &count), 670004);
    EXPECT_EQ(count_of_type(HOST_TYPE_SPLINE), splines);
    EXPECT_EQ(marks(), 0);
}

TEST_F(CurveFeatureTest, AnalysisDisplayReachesTheHostAndDrawsAComb) {
    tag ring = arc_at(0, 0, 0, 5, 0, kPi);
    for (double density : {2.9, -2.9}) {
        analysis_display d{};
        d.show_comb = 1;
        d.density = density;
        d.scale = 10;
        std::memcpy(d.options, "0123456789abcdef", 16);
        d.limits_on = 1;
        ASSERT_EQ(KX_CURVE_set_analysis_display(ring, &d), 0);
        CRVANL_record_t r{};
        ASSERT_EQ(CRVANL_read_written_record(ring, &r), 1);
        EXPECT_EQ(r.density, static_cast<int>(density));  // toward zero: 2, -2
        EXPECT_EQ(r.show[0], 1);
        EXPECT_EQ(r.limits_on, 1);
        EXPECT_EQ(std::memcmp(r.options, "0123456789abcdef", 16), 0);
        CRVANL_CARecord_t shared{};
        CRVANL_read_CARecord(ring, &shared);
        EXPECT_EQ(shared.density, static_cast<int>(density));
    }
    int count = 0;
    double* needles = nullptr;
    CRVANL_ask_comb(ring, &count, &needles);
    ASSERT_EQ(count, 2);
    for (int i = 0; i < count; ++i) {
        const double* n = needles + 6 * i;
        EXPECT_NEAR(std::hypot(n[3], n[4]), 5 + 10.0 / 5, 1e-9);  // outwards, scale x curvature
    }
    SM_free(needles);
    // The display draws the comb, needle by needle.
    DISPLAY_regenerate();
    int drawn = 0;
    for (const host::temp::Drawn& d : host::temp::shown())
        if (d.kind == host::temp::Kind::Polyline && d.points.size() == 6) ++drawn;
    EXPECT_EQ(drawn, 2);
    char bytes[16] = {};
    EXPECT_EQ(KX_CURVE_set_spline_sap(ring, bytes, 1, 2), 1105004);
    tag l = line(0, 0, 0, 1, 0, 0);
    analysis_display d{};
    EXPECT_EQ(KX_CURVE_set_analysis_display(part, &d), 1105004);
    EXPECT_EQ(KX_CURVE_set_analysis_display(l, &d), 0);
}

// ---- part files ----------------------------------------------------------------------

namespace pf = host::part_file;

class CurveFeatureFileTest : public BridgeTest {
protected:
    // The work part as its file holds it.
    pf::Image image_of_part() {
        pf::Image image;
        EXPECT_EQ(pf::decode(pf::encode(part, nullptr, true), image), 0);
        return image;
    }
    // Saves the work part, closes everything and reads the file back: the
    // objects read by the tags they had (a file keeps the objects' order).
    std::map<tag, tag> reopen() {
        std::map<tag, tag> out = reopen_part(part, [&] {
            for (string_list& s : made) KX_MODL_free_string_list(&s);
            made.clear();
            fresh();
        });
        identity = out[identity];
        left = out[left];
        right = out[right];
        return out;
    }
    // The object's number in the file of the work part.
    std::uint32_t number_of(tag t) const {
        const std::vector<unsigned int> all = host::objects::objects_of_part(part);
        return static_cast<std::uint32_t>(std::find(all.begin(), all.end(), t) - all.begin() + 1);
    }
};

TEST_F(CurveFeatureFileTest, ABridgeReadBackFollowsItsParents) {
    bridge_data d = data(1);
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_bridge_feature(&d, &feature), 0);
    const tag b = outputs(feature).at(0);
    std::map<tag, tag> now = reopen();
    feature = now[feature];
    ASSERT_EQ(BRDGCRV_is_bridge_frec(feature), 1);
    ASSERT_EQ(outputs(feature), std::vector<tag>{now[b]});
    BRDGCRV_rec_t rec{};
    BRDGCRV_read_parms(feature, &rec);
    EXPECT_EQ(rec.method, 1);
    EXPECT_STREQ(rec.position_text[0], "100");
    // The second curve moves: the bridge's end follows it, on the same curve.
    arc_data moved{identity, kPi / 2, kPi, {30, 0, 0}, 5};
    ASSERT_EQ(KX_CURVE_edit_arc_data(right, &moved), 0);
    update();
    ASSERT_EQ(outputs(feature), std::vector<tag>{now[b]});
    expect_near(samples(now[b]).back(), {30, 5, 0}, 1e-9, "followed");
    const Local e = local_at(now[b], curve_limits(now[b])[1]), r = local_at(right, kPi / 2);
    expect_near(e.t, r.t, 1e-9, "end tangent");
    expect_near(e.k, r.k, 1e-9, "end curvature");
}

// A feature's name is its user's: named or not, a bridge and a joined
// feature read back with their definitions and follow their parents.
TEST_F(CurveFeatureFileTest, NamedAndUnnamedFeaturesReadBackWithTheirDefinitions) {
    double center = 30;
    for (const char* name : {"LINK_1", ""}) {
        SCOPED_TRACE(name);
        center += 5;
        bridge_data d = data(1, "40");
        tag bridge = NULL_TAG, joined_feature = NULL_TAG, joined = NULL_TAG;
        ASSERT_EQ(KX_CURVE_create_bridge_feature(&d, &bridge), 0);
        tag a = line(30, 0, 0, 33, 4, 0), b = line(33, 4, 0, 36, 0, 2);
        string_list chain = strings_of({a, b});
        ASSERT_EQ(KX_CURVE_create_joined_feature(&chain, 2, &joined_feature, &joined), 0);
        if (*name) {
            ASSERT_EQ(KX_OBJ_set_name(bridge, name), 0);
            ASSERT_EQ(KX_OBJ_set_name(joined_feature, "JOIN_2"), 0);
        }
        std::map<tag, tag> now = reopen();
        bridge = now[bridge];
        joined_feature = now[joined_feature];
        a = now[a];
        b = now[b];
        char given[KX_OBJ_NAME_LEN + 1] = {};
        if (*name) {
            ASSERT_EQ(KX_OBJ_ask_name(bridge, given), 0);
            EXPECT_STREQ(given, name);
        }
        bridge_data back{};
        ASSERT_EQ(KX_CURVE_ask_bridge_feature(bridge, &back), 0);
        EXPECT_EQ(back.method, 1);
        EXPECT_STREQ(back.first_position, "40");
        EXPECT_EQ(back.first_curve->objects[0], left);
        EXPECT_EQ(back.second_curve->objects[0], right);
        for (string_list* l : {back.first_curve, back.second_curve}) {
            KX_MODL_free_string_list(l);
            SM_free(l);
        }
        for (char* t : {back.first_position, back.second_position, back.first_shape, back.second_shape}) SM_free(t);
        string_list curves{};
        int method = 0;
        double tolerances[3] = {};
        ASSERT_EQ(KX_CURVE_ask_joined_parms(joined_feature, &curves, &method, tolerances), 0);
        made.push_back(curves);
        EXPECT_EQ(method, 2);
        EXPECT_EQ(std::vector<tag>(curves.objects, curves.objects + curves.per_string[0]), (std::vector<tag>{a, b}));
        // The parents move: both follow at the update.
        arc_data moved{identity, kPi / 2, kPi, {center, 0, 0}, 5};
        ASSERT_EQ(KX_CURVE_edit_arc_data(right, &moved), 0);
        line_data lower{{33, 4, 0}, {36, 0, -7}};
        ASSERT_EQ(KX_CURVE_edit_line_data(b, &lower), 0);
        update();
        const std::vector<tag> out = outputs(bridge), joins = outputs(joined_feature);
        ASSERT_EQ(out.size(), 1u);
        expect_near(samples(out[0]).back(), {center, 5, 0}, 1e-9, "bridge end");
        ASSERT_FALSE(joins.empty());
        expect_near(samples(joins.back()).back(), {36, 0, -7}, 1e-6, "joined end");
    }
}

TEST_F(CurveFeatureFileTest, AProjectionReadBackFollowsItsParentsAndKeepsItsAngle) {
    const Angled a = angled_projection();
    tag ground = a.ground, c = a.line, feature = a.feature;
    const std::vector<tag> out = outputs(feature);
    ASSERT_EQ(out.size(), 1u);
    std::map<tag, tag> now = reopen();
    feature = now[feature];
    c = now[c];
    ASSERT_EQ(CPROJ_is_proj_feature(feature), 1);
    ASSERT_EQ(outputs(feature), std::vector<tag>{now[out[0]]});
    tag from = NULL_TAG, onto = NULL_TAG;
    ASSERT_EQ(CPROJ_ask_proj_curve_parents(feature, now[out[0]], &from, &onto), 0);
    EXPECT_EQ(from, c);
    EXPECT_EQ(onto, now[ground]);
    CPROJ_parms_t parms{};
    CPROJ_ask_feature_parms(feature, &parms);
    EXPECT_EQ(parms.proj_type, 4);
    EXPECT_NEAR(host::expr::value(parms.angle_exp), 45, 1e-12);  // degrees
    CPROJ_free_parms(&parms);
    // The line moves: its projection follows, turned by the angle kept.
    line_data moved{{1, 0, 5}, {4, 0, 5}};
    ASSERT_EQ(KX_CURVE_edit_line_data(c, &moved), 0);
    update();
    ASSERT_EQ(outputs(feature), std::vector<tag>{now[out[0]]});
    expect_near(samples(now[out[0]])[0], {1, 5, 0}, 1e-6, "followed");
}

// A curve of the feature deleted since is left out of its row: the feature
// reads back and makes that curve again at the update.
TEST_F(CurveFeatureFileTest, AProjectionMissingACurveReadsBackAndMakesItAgain) {
    tag targets[2] = {plane({0, 0, -3}, {0, 0, 1}), plane({0, 0, 0}, {0, 0, 1})};
    tag c = line(0, 0, 5, 4, 0, 5);
    proj_data d = along(1, {0, 0, 1});
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_proj_curves(1, &c, 2, targets, 3, &d, &feature), 0);
    const std::vector<tag> out = outputs(feature);
    ASSERT_EQ(out.size(), 2u);
    host::entity::destroy_with_dependents(out[0]);
    std::map<tag, tag> now = reopen();
    feature = now[feature];
    ASSERT_EQ(CPROJ_is_proj_feature(feature), 1);
    line_data moved{{1, 0, 5}, {4, 0, 5}};
    ASSERT_EQ(KX_CURVE_edit_line_data(now[c], &moved), 0);
    update();
    const std::vector<tag> back = outputs(feature);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1], now[out[1]]);
    expect_near(samples(back[0])[0], {1, 0, -3}, 1e-6, "made again");
    expect_near(samples(back[1])[0], {1, 0, 0}, 1e-6, "followed");
}

TEST_F(CurveFeatureFileTest, ACombinedCurveReadBackFollowsItsParents) {
    tag ring = arc_at(0, 0, 0, 5, 0.2, 1.3);
    tag slope = line(-10, 0, -3, 10, 0, 7);  // z = 2 + x / 2
    combine_direction d1{0, {0, 0, 0}}, d2{1, {0, 1, 0}};
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_combine_curves(ring, &d1, slope, &d2, const_cast<char*>("0.001"), &feature), 0);
    const std::vector<tag> out = outputs(feature);
    ASSERT_EQ(out.size(), 1u);
    std::map<tag, tag> now = reopen();
    feature = now[feature];
    slope = now[slope];
    ASSERT_EQ(CPROJ_CMB_frec_is_a_cproj_cmb(feature), 1);
    tag a = NULL_TAG, b = NULL_TAG;
    combine_direction r1{}, r2{};
    char* tolerance = nullptr;
    tag_list* curves = nullptr;
    ASSERT_EQ(KX_CURVE_ask_combine_curves(feature, &a, &r1, &b, &r2, &tolerance, &curves), 0);
    EXPECT_EQ(a, now[ring]);
    EXPECT_EQ(b, slope);
    EXPECT_EQ(r2.use_vector, 1);
    EXPECT_STREQ(tolerance, "0.001");
    KX_MODL_delete_list(&curves);
    SM_free(tolerance);
    // The line rises by 1: the curve follows it.
    line_data higher{{-10, 0, -2}, {10, 0, 8}};
    ASSERT_EQ(KX_CURVE_edit_line_data(slope, &higher), 0);
    update();
    ASSERT_EQ(outputs(feature), std::vector<tag>{now[out[0]]});
    for (const P& q : samples(now[out[0]], 16)) {
        EXPECT_NEAR(std::hypot(q[0], q[1]), 5, 1e-4);
        EXPECT_NEAR(q[2], 3 + q[0] / 2, 1e-4);
    }
}

// A joined curve is a plain curve of the part: it is read back as it was
// made (it follows nothing).
TEST_F(CurveFeatureFileTest, AJoinedCurveReadBackIsTheCurveItWas) {
    tag a = line(0, 0, 0, 10, 0, 0);
    tag b = arc_at(10, 5, 0, 5, -kPi / 2, 0);
    tag_list* list = kx_list({a, b});
    tag joined = NULL_TAG;
    int closed = 9;
    ASSERT_EQ(KX_CURVE_create_joined_curve(list, 1, &joined, &closed), 0);
    KX_MODL_delete_list(&list);
    const std::vector<P> before = samples(joined, 32);
    std::map<tag, tag> now = reopen();
    joined = now[joined];
    EXPECT_EQ(DCRV_ask_feature_of_dcurve(joined), NULL_TAG);
    const std::vector<P> after = samples(joined, 32);
    for (std::size_t i = 0; i < before.size(); ++i) expect_near(after[i], before[i], 1e-12, "joined");
    update();
}

// The rows of section "CFEA": object number, kind and the kind's fields.
struct FileRow {
    std::uint32_t number;
    std::string kind, fields;
};

std::vector<FileRow> rows_of(const std::string& payload) {
    pf::Reader in(payload);
    std::vector<FileRow> out(in.u32());
    for (FileRow& r : out) {
        r.number = in.u32();
        const std::uint32_t size = in.u32();
        pf::Reader row(in.raw(size));
        r.kind = row.str();
        r.fields = std::string(row.raw(row.left()));
    }
    return out;
}

std::string payload_of(const std::vector<FileRow>& rows) {
    pf::Writer w;
    w.u32(static_cast<std::uint32_t>(rows.size()));
    for (const FileRow& r : rows) {
        pf::Writer row;
        row.str(r.kind);
        row.raw(r.fields);
        w.u32(r.number);
        w.str(row.view());
    }
    return w.take();
}

// The image with its CFEA section made of the rows is refused as corrupt
// and leaves the model as it was.
void expect_refused(const pf::Image& image, const std::vector<FileRow>& rows) {
    pf::Image spoilt = image;
    for (auto& [id, payload] : spoilt.sections)
        if (id == "CFEA") payload = payload_of(rows);
    const std::size_t live = host::objects::live_objects().size();
    int code = 0;
    EXPECT_EQ(pf::apply(spoilt, "spoilt.prt", &code), NULL_TAG);
    EXPECT_EQ(code, PART_ERR_CORRUPT);
    EXPECT_EQ(host::objects::live_objects().size(), live);
}

void put_u32(std::string& s, std::size_t at, std::uint32_t v) {
    pf::Writer w;
    w.u32(v);
    s.replace(at, 4, w.view());
}
void put_f64(std::string& s, std::size_t at, double v) {
    pf::Writer w;
    w.f64(v);
    s.replace(at, 8, w.view());
}

TEST_F(CurveFeatureFileTest, DamagedCurveFeatureRowsAreRefusedWithTheModelUnchanged) {
    const tag c = angled_projection().line;
    bridge_data bd = data(1);
    tag bridge = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_bridge_feature(&bd, &bridge), 0);
    tag ring = arc_at(0, 0, 0, 5, 0.2, 1.3), slope = line(-10, 0, -3, 10, 0, 7);
    combine_direction d1{0, {0, 0, 0}}, d2{1, {0, 1, 0}};
    tag combined = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_combine_curves(ring, &d1, slope, &d2, const_cast<char*>("0.001"), &combined), 0);
    CPROJ_CMB_rec_t cmb{};
    CPROJ_CMB_read_frec(combined, &cmb);
    const std::uint32_t line_number = number_of(c), exp_number = number_of(cmb.tolerance_exp);
    const std::uint32_t combined_number = number_of(combined);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const pf::Image image = image_of_part();
    const auto cfea =
        std::find_if(image.sections.begin(), image.sections.end(), [](const auto& s) { return s.first == "CFEA"; });
    ASSERT_NE(cfea, image.sections.end());
    const std::vector<FileRow> rows = rows_of(cfea->second);
    ASSERT_EQ(rows.size(), 3u);
    const auto row_of = [&](std::vector<FileRow>& r, const char* kind) -> FileRow& {
        return *std::find_if(r.begin(), r.end(), [&](const FileRow& x) { return x.kind == kind; });
    };
    // Field places: a bridge's first curve at 16, its first fraction at 72;
    // a projection's type at 4; a combined curve's first curve at 0.
    struct Case {
        const char* what;
        std::function<void(std::vector<FileRow>&)> spoil;
    };
    const std::vector<Case> cases = {
        {"an unknown kind", [&](auto& r) { row_of(r, "BRIDGE_CURVE").kind = "BRIDGE_CURVX"; }},
        {"a row of a feature of another kind",
         [&](auto& r) {
             r.erase(std::find_if(r.begin(), r.end(), [](const FileRow& x) { return x.kind == "COMBINED_CURVE"; }));
             row_of(r, "BRIDGE_CURVE").number = combined_number;
         }},
        {"a row of a curve", [&](auto& r) { row_of(r, "BRIDGE_CURVE").number = line_number; }},
        {"a curve missing", [&](auto& r) { put_u32(row_of(r, "BRIDGE_CURVE").fields, 16, 0xFFFFFFFFu); }},
        {"an object beyond the file", [&](auto& r) { put_u32(row_of(r, "BRIDGE_CURVE").fields, 16, 100000); }},
        {"the part as a curve", [&](auto& r) { put_u32(row_of(r, "BRIDGE_CURVE").fields, 16, 0); }},
        {"an expression as a curve", [&](auto& r) { put_u32(row_of(r, "COMBINED_CURVE").fields, 0, exp_number); }},
        {"a fraction not finite", [&](auto& r) { put_f64(row_of(r, "BRIDGE_CURVE").fields, 72, nan); }},
        {"a count beyond the row", [&](auto& r) { put_u32(row_of(r, "BRIDGE_CURVE").fields, 0, 1u << 30); }},
        {"strings that do not hold the curves", [&](auto& r) { put_u32(row_of(r, "BRIDGE_CURVE").fields, 4, 2); }},
        {"a row cut short", [&](auto& r) { row_of(r, "BRIDGE_CURVE").fields.resize(60); }},
        {"an unknown projection type", [&](auto& r) { put_u32(row_of(r, "PROJECTED_CURVE").fields, 4, 9); }},
        {"a projection toward no point", [&](auto& r) { put_u32(row_of(r, "PROJECTED_CURVE").fields, 4, 2); }},
        {"a combined curve cut short", [&](auto& r) { row_of(r, "COMBINED_CURVE").fields.resize(10); }},
        {"a row given twice", [&](auto& r) { r.push_back(row_of(r, "BRIDGE_CURVE")); }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        std::vector<FileRow> r = rows;
        k.spoil(r);
        expect_refused(image, r);
    }
    // The rows as written read back; a file without the section still opens.
    int code = -1;
    EXPECT_NE(pf::apply(image, "whole.prt", &code), NULL_TAG) << code;
    pf::Image without = image;
    without.sections.erase(std::find_if(without.sections.begin(), without.sections.end(),
                                        [](const auto& s) { return s.first == "CFEA"; }));
    const tag opened = pf::apply(without, "without.prt", &code);
    ASSERT_NE(opened, NULL_TAG) << code;
    // Its features keep their curves but have no parameters to follow with.
    int features = 0;
    for (unsigned int t : host::objects::objects_of_part(opened)) {
        if (!DCRV_is_developed_curve_feature(t)) continue;
        ++features;
        EXPECT_FALSE(outputs(t).empty());
        EXPECT_EQ(BRDGCRV_is_bridge_frec(t) + CPROJ_is_proj_feature(t) + CPROJ_CMB_frec_is_a_cproj_cmb(t), 0);
    }
    EXPECT_EQ(features, 3);
    update();
}

// An intersection of a block with a datum plane, saved and read back: it
// keeps its sets and curves, follows the plane when it moves, and takes
// an edit.
TEST_F(CurveFeatureFileTest, AnIntersectionReadBackFollowsItsSetsAndTakesAnEdit) {
    int solid = 0;
    const double origin[3] = {0, 0, 0}, size[3] = {4, 2, 6}, at[3] = {0, 0, 1}, normal[3] = {0, 0, 1};
    ZQ_BODY_make_block(origin, size, &solid);
    tag body = host::kernel::object_of(solid);
    tag low = host::profiles::create_direction_object(part, HOST_TYPE_DATUM_PLANE, at, normal);
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_int_object(1, &body, 1, &low, &feature), 0);
    const std::vector<tag> out = outputs(feature);
    ASSERT_FALSE(out.empty());
    std::map<tag, tag> now = reopen();
    feature = now[feature];
    body = now[body];
    low = now[low];
    std::vector<tag> curves;
    for (tag c : out) curves.push_back(now[c]);
    ASSERT_EQ(outputs(feature), curves);
    int n1 = 0, n2 = 0;
    tag *s1 = nullptr, *s2 = nullptr;
    ASSERT_EQ(KX_CURVE_ask_int_parms(feature, &n1, &s1, &n2, &s2), 0);
    EXPECT_EQ(std::vector<tag>(s1, s1 + n1), std::vector<tag>{body});
    EXPECT_EQ(std::vector<tag>(s2, s2 + n2), std::vector<tag>{low});
    KX_free(s1);
    KX_free(s2);
    tag f = NULL_TAG, parents[2] = {0, 0};
    ASSERT_EQ(KX_CURVE_ask_int_curve_parents(curves[0], &f, parents), 0);
    EXPECT_EQ(f, feature);
    EXPECT_EQ(parents[0], body);
    EXPECT_EQ(parents[1], low);
    const auto heights = [&](double z, const char* what) {
        for (tag c : outputs(feature))
            for (const auto& p : samples(c)) EXPECT_NEAR(p[2], z, 1e-7) << what;
    };
    // The plane moves: the curves follow at the update, keeping their tags.
    const double higher[3] = {0, 0, 2};
    host::profiles::set_direction(low, higher, normal);
    update();
    EXPECT_EQ(outputs(feature), curves);
    heights(2, "followed");
    // An edit to another plane, then the update.
    const double top[3] = {0, 0, 5};
    tag high = host::profiles::create_direction_object(part, HOST_TYPE_DATUM_PLANE, top, normal);
    ASSERT_EQ(KX_CURVE_edit_int_object(1, &body, 1, &high, feature), 0);
    update();
    EXPECT_EQ(outputs(feature), curves);
    heights(5, "edited");
}

// The rows of an intersection: its sets hold faces, bodies or planes of
// the kinds it takes.
TEST_F(CurveFeatureFileTest, DamagedIntersectionRowsAreRefused) {
    int solid = 0;
    const double origin[3] = {0, 0, 0}, size[3] = {4, 2, 6}, at[3] = {0, 0, 1}, normal[3] = {0, 0, 1};
    ZQ_BODY_make_block(origin, size, &solid);
    tag body = host::kernel::object_of(solid);
    tag plane = host::profiles::create_direction_object(part, HOST_TYPE_DATUM_PLANE, at, normal);
    const tag c = line(0, 0, 0, 1, 0, 0);
    tag feature = NULL_TAG;
    ASSERT_EQ(KX_CURVE_create_int_object(1, &body, 1, &plane, &feature), 0);
    const pf::Image image = image_of_part();
    const auto cfea =
        std::find_if(image.sections.begin(), image.sections.end(), [](const auto& s) { return s.first == "CFEA"; });
    ASSERT_NE(cfea, image.sections.end());
    const std::vector<FileRow> rows = rows_of(cfea->second);
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_EQ(rows[0].kind, "INTERSECTION_CURVE");
    // Field places: tolerance at 0, kinds at 8 and 12, set 1 (count at 16,
    // object at 20), set 2 (count at 24, object at 28), quintic at 32, the
    // parents' count at 36.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* what;
        std::function<void(std::string&)> spoil;
    };
    const std::vector<Case> cases = {
        {"a tolerance not finite", [&](std::string& r) { put_f64(r, 0, nan); }},
        {"a set of an unknown kind", [&](std::string& r) { put_u32(r, 8, 4); }},
        {"a set of kind 0", [&](std::string& r) { put_u32(r, 12, 0); }},
        {"an empty set",
         [&](std::string& r) {
             put_u32(r, 16, 0);
             r.erase(20, 4);
         }},
        {"a curve in a set", [&](std::string& r) { put_u32(r, 20, number_of(c)); }},
        {"a set member missing", [&](std::string& r) { put_u32(r, 28, 0xFFFFFFFFu); }},
        {"parents beyond the row", [&](std::string& r) { put_u32(r, 36, 1u << 30); }},
        {"a row cut short", [&](std::string& r) { r.resize(30); }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        std::vector<FileRow> r = rows;
        k.spoil(r[0].fields);
        expect_refused(image, r);
    }
    int code = -1;
    EXPECT_NE(pf::apply(image, "whole.prt", &code), NULL_TAG) << code;
    // The host makes no feature whose row could not be read back: set
    // kinds are 1 to 3.
    for (int kind : {0, 4}) {
        ICURVES_parms_t rec{};
        rec.kind1 = kind;
        rec.kind2 = 3;
        rec.n1 = rec.n2 = 1;
        rec.set1 = &body;
        rec.set2 = &plane;
        unsigned int made = 7;
        EXPECT_EQ(host::control::raised_code([&] { ICURVES_create_feature(&rec, &made); }), HOST_ERR_BAD_ARGUMENT)
            << kind;
        EXPECT_EQ(made, 0u) << kind;
    }
}

}  // namespace
