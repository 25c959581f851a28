// Queries of the kernel: topology walks, mapping between kernel tags and
// objects, surface and curve data, evaluation, measurement, facets and the
// kernel's own files.
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/entities/entity_store.h"
#include "host/kernel/curves/kernel_surfaces.h"
#include "host/store/entities/occurrences.h"
#include "host/store/entities/views.h"
#include "host/model/feature/undo.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/links.h"
#include "host/model/feature/queries.h"
#include "host/numeric/tolerances.h"
#include "host/base/services/error.h"
#include "kernel_test.h"

namespace {

namespace obj = host::objects;

class KernelQueries : public KernelTest {
protected:
    // The holed block 100 x 60 x 20 with a hole of 10 at (50, 30).
    int holed() {
        const int b = block(100, 60, 20);
        ZQ_BODY_boolean(b, cylinder({50, 30, -5}, {0, 0, 1}, 10, 30), ZQ_SUBTRACT);
        return b;
    }
    int face_of_type(int body, int type) {
        for (int f : host::kernel::faces_of(body))
            if (face_type(f) == type) return f;
        return 0;
    }
    int top_face(int body) {
        for (int f : host::kernel::faces_of(body)) {
            double box[6];
            ZQ_TOPOL_find_box(f, box);
            if (box[2] > 19.999) return f;
        }
        return 0;
    }
};

TEST_F(KernelQueries, TopologyWalks) {
    const int b = holed();
    EXPECT_EQ(connected(b, ZQ_CLASS_FACE).size(), 7u);
    EXPECT_EQ(connected(b, ZQ_CLASS_EDGE).size(), 15u);
    EXPECT_EQ(connected(b, ZQ_CLASS_VERTEX).size(), 10u);
    const int top = top_face(b);
    ASSERT_NE(top, 0);
    // The top face: 5 edges in an outer loop and an inner one (the hole).
    EXPECT_EQ(connected(top, ZQ_CLASS_EDGE).size(), 5u);
    const std::vector<int> loops = connected(top, ZQ_CLASS_LOOP);
    ASSERT_EQ(loops.size(), 2u);
    std::multiset<int> types;
    for (int l : loops) {
        int type = 0, ifail = -1;
        KI_enloty(&l, &type, &ifail);
        EXPECT_EQ(ifail, 0);
        types.insert(type);
    }
    EXPECT_EQ(types, (std::multiset<int>{ZQ_LOOP_INNER, ZQ_LOOP_OUTER}));
    // Every edge of a closed solid has two faces (the seam: one face twice).
    for (int e : connected(top, ZQ_CLASS_EDGE)) {
        const std::vector<int> faces = connected(e, ZQ_CLASS_FACE);
        EXPECT_EQ(faces.size(), 2u);
        EXPECT_NE(std::find(faces.begin(), faces.end(), top), faces.end());
        int owner = 0;
        ZQ_ENTITY_ask_body(e, &owner);
        EXPECT_EQ(owner, b);
    }
    // Going up from a vertex: the corner of the block has three edges.
    for (int v : connected(b, ZQ_CLASS_VERTEX)) {
        double p[3];
        ZQ_VERTEX_ask_point(v, p);
        if (p[0] == 0 && p[1] == 0 && p[2] == 0) {
            EXPECT_EQ(connected(v, ZQ_CLASS_EDGE).size(), 3u);
        }
    }
    int* none = nullptr;
    int n = -1;
    EXPECT_EQ(KI_idcoen_sm(0, ZQ_CLASS_FACE, &none, &n), KERNEL_ERR_NO_ENTITY);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(none, nullptr);
}

TEST_F(KernelQueries, KernelTagsAndObjectsMapBothWays) {
    const int b = holed();
    const unsigned body = host::kernel::object_of(b);
    int type = 0;
    PX_body_ask_type(body, &type);
    EXPECT_EQ(type, ZQ_BODY_SOLID);
    EXPECT_TRUE(ES_solid_is_a_body(body));
    EXPECT_FALSE(ES_solid_is_a_sheet_body(body));
    for (int f : host::kernel::faces_of(b)) {
        unsigned object = 0;
        pxlook_(&f, &object);
        int back = 0;
        es7010_(&object, &back);
        EXPECT_EQ(back, f);
        unsigned owner = 0;
        es7009_(&object, &owner);
        EXPECT_EQ(owner, body);
        EXPECT_EQ(host::kernel::body_of(f), b);
        EXPECT_TRUE(ES_solid_is_a_face(object));
        EXPECT_FALSE(ES_solid_is_a_edge(object));
    }
    // Loops and vertices are kernel entities only.
    const int loop = connected(top_face(b), ZQ_CLASS_LOOP)[0];
    unsigned object = 99;
    pxlook_(&loop, &object);
    EXPECT_EQ(object, 0u);
    // An object that is no kernel entity answers 0.
    const unsigned plain = obj::create({OM_CLASS_RM_ENTITY, 3, 0, part_});
    int entity = -1;
    es7010_(&plain, &entity);
    EXPECT_EQ(entity, 0);
    EXPECT_EQ(ES_solid_ask_fermalith_tag(plain), 0);
}

TEST_F(KernelQueries, SurfaceAndCurveDataAndEvaluation) {
    const int b = holed();
    const int hole = face_of_type(b, ZQ_SURF_CYLINDER);
    ASSERT_NE(hole, 0);
    int type = 0, sense = 0;
    double p[3], d[3], r = 0, r2 = 0;
    ZQ_FACE_ask_data(hole, &type, p, d, &r, &r2, &sense);
    EXPECT_EQ(type, ZQ_SURF_CYLINDER);
    EXPECT_NEAR(p[0], 50, 1e-12);
    EXPECT_NEAR(p[1], 30, 1e-12);
    EXPECT_NEAR(std::fabs(d[2]), 1, 1e-12);
    EXPECT_NEAR(r, 10, 1e-12);
    EXPECT_EQ(sense, -1);  // the hole's material lies outside the cylinder

    double uv[4];
    ZQ_FACE_ask_uv_box(hole, uv);
    EXPECT_NEAR(uv[1] - uv[0], 2 * kPi, 1e-12);
    EXPECT_NEAR(uv[3] - uv[2], 20, 1e-9);
    double out[18], normal[3];
    ZQ_SURF_eval(hole, 0.5, uv[2] + 3, 2, out, normal);
    // On the cylinder, Su is tangent of length r, Suu points to the axis.
    EXPECT_NEAR(std::hypot(out[0] - 50, out[1] - 30), 10, 1e-12);
    EXPECT_NEAR(std::hypot(out[3], out[4], out[5]), 10, 1e-12);
    EXPECT_NEAR(out[9] * (out[0] - 50) + out[10] * (out[1] - 30), -100, 1e-9);
    // The face's normal points into the hole, towards the axis.
    EXPECT_NEAR(normal[0] * (out[0] - 50) + normal[1] * (out[1] - 30), -10, 1e-9);

    // The same through an evaluator of the face object.
    void* ev = evsrfu(host::kernel::object_of(hole));
    ASSERT_NE(ev, nullptr);
    double all[36];
    const double at[2] = {0.5, uv[2] + 3};
    evsrfe(ev, 2047, at, all);
    evsrff(ev);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(all[i], out[i], 1e-12);
        EXPECT_NEAR(all[33 + i], normal[i], 1e-12);
    }
    EXPECT_EQ(evsrfu(host::kernel::object_of(b)), nullptr);  // a body has no surface

    // The rim of the hole: a circle of radius 10 and length 20 pi.
    int circles = 0;
    for (int e : connected(hole, ZQ_CLASS_EDGE)) {
        double c[3], axis[3], radius = 0, length = 0, t[2], at_t[9];
        ZQ_EDGE_ask_curve_data(e, &type, c, axis, &radius);
        if (type != ZQ_CURVE_CIRCLE) continue;
        ++circles;
        EXPECT_NEAR(radius, 10, 1e-12);
        ZQ_EDGE_ask_length(e, &length);
        EXPECT_NEAR(length, 20 * kPi, 1e-9);
        ZQ_CURVE_ask_interval(e, t);
        ZQ_EDGE_eval(e, t[0], 2, at_t);
        EXPECT_NEAR(std::hypot(at_t[0] - 50, at_t[1] - 30), 10, 1e-12);
        EXPECT_NEAR(std::hypot(at_t[3], at_t[4], at_t[5]), 10, 1e-12);
        const unsigned edge = host::kernel::object_of(e);
        int closed = 0, no_vertex = 1;
        PX_edge_is_closed(edge, &closed, &no_vertex);
        EXPECT_EQ(closed, 1);
        EXPECT_EQ(no_vertex, 0);
        int edge_type = 0;
        PX_edge_ask_type(edge, &edge_type);
        EXPECT_EQ(edge_type, ZQ_CURVE_CIRCLE);
    }
    EXPECT_EQ(circles, 2);
    double box[6];
    PX_face_ask_box(host::kernel::object_of(hole), box);
    EXPECT_NEAR(box[0], 40, 1e-9);
    EXPECT_NEAR(box[4], 40, 1e-9);
    EXPECT_NEAR(box[5], 20, 1e-9);
}

TEST_F(KernelQueries, MeasurementDistanceContainmentAndFacets) {
    const int b = holed();
    ZQ_BODY_set_density(b, 2);
    const auto mp = props(b);
    const double v = 100 * 60 * 20 - kPi * 100 * 20;
    EXPECT_LT(rel(mp[ZQ_MP_MASS], 2 * v), 1e-9);
    EXPECT_NEAR(mp[ZQ_MP_CENTROID + 0], 50, 1e-9);
    EXPECT_NEAR(mp[ZQ_MP_CENTROID + 1], 30, 1e-9);
    EXPECT_NEAR(mp[ZQ_MP_CENTROID + 2], 10, 1e-9);
    // Izz at the centroid: block m(a^2 + b^2)/12 less the cylinder m r^2/2.
    const double izz = 2 * (100 * 60 * 20 * (100.0 * 100 + 60 * 60) / 12 - kPi * 100 * 20 * 100 / 2);
    EXPECT_LT(rel(mp[ZQ_MP_INERTIA + 8], izz), 1e-9);

    const int ball = [] {
        const double c[3] = {150, 30, 10};
        int s;
        ZQ_BODY_make_sphere(c, 5, &s);
        return s;
    }();
    double d = 0, pa[3], pb[3];
    ZQ_ENTITY_ask_min_distance(b, ball, &d, pa, pb);
    EXPECT_NEAR(d, 45, 1e-9);
    EXPECT_NEAR(pa[0], 100, 1e-9);
    EXPECT_NEAR(pb[0], 145, 1e-9);
    const double up[3] = {1, 1, 1};
    double extreme[3];
    ZQ_ENTITY_ask_extreme(b, up, extreme);
    EXPECT_NEAR(extreme[0] + extreme[1] + extreme[2], 180, 1e-7);

    const struct {
        double p[3];
        int where;
    } points[] = {{{5, 5, 5}, ZQ_INSIDE}, {{50, 30, 10}, ZQ_OUTSIDE}, {{0, 5, 5}, ZQ_ON}, {{-1, 5, 5}, ZQ_OUTSIDE}};
    for (const auto& pt : points) {
        int where = 0;
        ZQ_BODY_ask_containment(b, pt.p, &where);
        EXPECT_EQ(where, pt.where) << pt.p[0];
    }

    int n = 0;
    double* tri = nullptr;
    ZQ_BODY_facet(b, 0.05, &n, &tri);
    ASSERT_GT(n, 0);
    // The facets enclose about the body's volume (divergence theorem).
    double enclosed = 0;
    for (int i = 0; i < n; ++i) {
        const double* t = tri + 9 * i;
        enclosed += (t[0] * (t[4] * t[8] - t[5] * t[7]) - t[1] * (t[3] * t[8] - t[5] * t[6]) +
                     t[2] * (t[3] * t[7] - t[4] * t[6])) /
                    6;
    }
    SM_free(tri);
    EXPECT_LT(rel(enclosed, v), 1e-3);
}

// The kernel works in the model's lengths; its precision bounds the
// modelling distance tolerance from below.
TEST_F(KernelQueries, ModellingParametersAndLengthFactors) {
    struct Case {
        int parameter, ifail;
        double value;
    } cases[] = {{1, 0, 1e-7}, {2, 0, 1e-12}, {0, 1, 0}, {3, 1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parameter);
        int ifail = -1;
        double value = -1;
        KI_oumodp(&c.parameter, &value, &ifail);
        EXPECT_EQ(ifail, c.ifail);
        EXPECT_EQ(value, c.value);
    }
    EXPECT_EQ(pxsfac_[0], 1.0);
    EXPECT_EQ(pxsfac_[1], 1.0);
    double factors[2] = {0, 0};
    PART_ask_zr_scale_factors(part_, factors);
    EXPECT_EQ(factors[1], pxsfac_[1]);
    EXPECT_GT(srfc1_[0], 1e-7 * pxsfac_[1]);  // the distance tolerance lies above the kernel's precision
    EXPECT_GT(srfc1_[1], 0.0);
}

// An occurrence of a kernel face stands for the prototype's face moved by
// the occurrence's transform: its kernel entity is the prototype's, and
// points and directions go into the occurrence and back.
TEST_F(KernelQueries, OccurrencesOfKernelFacesAnswerThePrototypesEntity) {
    const int c = cylinder({1, 2, 3}, {0, 0, 1}, 2, 5);
    unsigned face = 0;
    for (int f : host::kernel::faces_of(c))
        if (face_type(f) == ZQ_SURF_CYLINDER) face = host::kernel::object_of(f);
    ASSERT_NE(face, 0u);
    int status = 0;
    const unsigned mark = UNDO_JQ_set_mark(UNDO_INVISIBLE, "occurrence", &status);
    // A quarter turn about Z, then moved by (10, 0, 0).
    const double rows[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1}, origin[3] = {10, 0, 0};
    const unsigned occ = host::views::make_occurrence_of(part_, face, rows, origin);
    EXPECT_EQ(OCC_is_occurrence(occ), 1);
    EXPECT_EQ(OCC_ask_prototype_of_occ(occ), face);
    EXPECT_EQ(OCC_ask_prototype_of_occ(face), 0u);
    int entity = 0, own = 0;
    es7010_occ_(&occ, &entity);
    es7010_occ_(&face, &own);
    EXPECT_EQ(entity, own);
    EXPECT_EQ(entity, host::kernel::entity_of(face));

    struct Case {
        std::array<double, 3> in, point, direction;
    } cases[] = {
        {{1, 2, 3}, {8, 1, 3}, {-2, 1, 3}},
        {{0, 0, 0}, {10, 0, 0}, {0, 0, 0}},
        {{1, 0, 0}, {10, 1, 0}, {0, 1, 0}},
    };
    for (const Case& k : cases) {
        double p[3], back[3], d[3], d_p[3];
        OCC_transform_point(occ, k.in.data(), p);
        OCC_untransform_point(occ, p, back);
        OCC_transform_direction(occ, k.in.data(), d);
        OCC_transform_direction_p(occ, k.in.data(), d_p);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(p[i], k.point[i], 1e-12);
            EXPECT_NEAR(back[i], k.in[i], 1e-12);
            EXPECT_NEAR(d[i], k.direction[i], 1e-12);
            EXPECT_EQ(d_p[i], d[i]);  // the two directions' routines agree
        }
    }
    const double at[3] = {0, 0, 0};
    double out[3];
    EXPECT_EQ(raised([&] { OCC_transform_point(face, at, out); }), HOST_ERR_WRONG_CLASS);

    // Undo takes the occurrence back.
    ASSERT_EQ(UNDO_JQ_undo_to_mark(mark, nullptr), 0);
    EXPECT_FALSE(host::objects::is_alive(occ));
    EXPECT_EQ(host::views::prototype_of(occ), 0u);
}

// The curve and surface queries of an occurrence's edges and faces answer
// the prototype's geometry moved to the occurrence's place: points and
// centres moved, axes and reference directions turned, radii, angles and
// parameter boxes as they are. Both kinds of occurrence: one made of a
// single object, and one found under a part occurrence.
TEST_F(KernelQueries, OccurrencesAnswerCurveAndSurfaceDataWhereTheyStand) {
    const int c = cylinder({1, 2, 3}, {0, 0, 1}, 2, 5);
    unsigned seam = 0, rim = 0, cap = 0, wall = 0;
    for (int e : host::kernel::edges_of(c)) {
        const unsigned o = host::kernel::object_of(e);
        (PX_curve_ask_type(o) == PX_CURVE_LINE ? seam : rim) = o;
    }
    for (int f : host::kernel::faces_of(c))
        (face_type(f) == ZQ_SURF_CYLINDER ? wall : cap) = host::kernel::object_of(f);
    ASSERT_TRUE(seam && rim && cap && wall);

    // A third of a turn about (1, 1, 1) (X -> Y -> Z -> X), then moved.
    const double rows[9] = {0, 1, 0, 0, 0, 1, 1, 0, 0}, origin[3] = {10, -4, 7};
    const auto moved = [&](const double* p) {
        return std::array<double, 3>{p[2] + origin[0], p[0] + origin[1], p[1] + origin[2]};
    };
    const auto turned = [&](const double* d) { return std::array<double, 3>{d[2], d[0], d[1]}; };
    const auto expect3 = [](const double* got, const std::array<double, 3>& want, const char* what) {
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], 1e-9) << what << " " << i;
    };
    const unsigned assembly = host::parts::create("assembly.prt");
    const unsigned placed = host::occurrences::create_part_occurrence(assembly, part_, rows, origin);
    CONTEXT_set_work_part(part_);
    struct Kind {
        const char* what;
        std::function<unsigned(unsigned)> occurrence_of;
    } kinds[] = {
        {"of one object", [&](unsigned p) { return host::occurrences::make_occurrence_of(part_, p, rows, origin); }},
        {"under a part occurrence", [&](unsigned p) { return OCC_find_occurrence(placed, p); }},
    };
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.what);
        // A line: the cylinder's seam.
        const unsigned line = k.occurrence_of(seam);
        EXPECT_EQ(PX_curve_ask_type(line), PX_CURVE_LINE);
        double s0[3], e0[3], s1[3], e1[3];
        ES_ask_coordinates_of_line(seam, s0, e0);
        ES_ask_coordinates_of_line(line, s1, e1);
        expect3(s1, moved(s0), "line start");
        expect3(e1, moved(e0), "line end");

        // An arc: a rim circle. Its centre is given in the frame of its
        // circle, which turns with the occurrence.
        const unsigned arc = k.occurrence_of(rim);
        EXPECT_EQ(PX_curve_ask_type(arc), PX_CURVE_CIRCLE);
        double a0[6], a1[6];
        ES_ask_data_of_arc(rim, a0);
        ES_ask_data_of_arc(arc, a1);
        double centre[3], axis[3], x[3], r = 0, range[2];
        ASSERT_TRUE(host::kernel::edge_circle(host::kernel::entity_of(rim), centre, axis, x, &r, range));
        const auto c1 = moved(centre), z1 = turned(axis), x1 = turned(x);
        const std::array<double, 3> y1{z1[1] * x1[2] - z1[2] * x1[1], z1[2] * x1[0] - z1[0] * x1[2],
                                       z1[0] * x1[1] - z1[1] * x1[0]};
        const auto dot = [](const std::array<double, 3>& a, const std::array<double, 3>& b) {
            return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
        };
        const double in_frame[6] = {a0[0], a0[1], dot(c1, x1), dot(c1, y1), dot(c1, z1), a0[5]};
        for (int i = 0; i < 6; ++i) EXPECT_NEAR(a1[i], in_frame[i], 1e-9) << "arc value " << i;
        EXPECT_NEAR(a1[5], 2, 1e-12);
        // The curve the evaluators take lies where the occurrence stands.
        const auto curve = host::curves::curve_of(arc);
        ASSERT_TRUE(curve.has_value());
        double ref[3], t = 0, on[3];
        const double far_side[3] = {centre[0], centre[1] + 2, centre[2]};  // the rim's point furthest along +Y
        const auto want = moved(far_side);
        std::copy(want.begin(), want.end(), ref);
        ASSERT_EQ(hostnum::curve_closest_point(curve->record(), ref, &t, on), hostnum::CurveError::ok);
        expect3(on, want, "curve point");

        // A plane and a cylinder: the cap and the wall.
        for (unsigned proto : {cap, wall}) {
            const unsigned face = k.occurrence_of(proto);
            unsigned char sense0 = 0, sense1 = 0;
            int kind0 = 0, kind1 = 0, status = -1, cls0 = 0, cls1 = 0;
            double o0[3], ax0[3], r0[2], o1[3], ax1[3], r1[2], box0[4], box1[4];
            PX_face_ask_data(proto, &sense0, &kind0, o0, ax0, r0);
            PX_face_ask_data(face, &sense1, &kind1, o1, ax1, r1);
            EXPECT_EQ(kind1, kind0);
            EXPECT_EQ(sense1, sense0);
            expect3(o1, moved(o0), "surface origin");
            expect3(ax1, turned(ax0), "surface axis");
            EXPECT_EQ(r1[0], r0[0]);
            pxpsus_(&proto, &cls0);
            pxpsus_(&face, &cls1);
            EXPECT_EQ(cls1, cls0);
            pxeval_(&proto, box0, &status);
            pxeval_(&face, box1, &status);
            EXPECT_EQ(status, 0);
            for (int i = 0; i < 4; ++i) EXPECT_EQ(box1[i], box0[i]);
            // Points of the surface, and with them its reference direction.
            for (const auto& uv : {std::array<double, 2>{0, 0}, {1, 0}, {0.5, 1.5}}) {
                double p0[3], p1[3];
                pxpben_(&proto, &uv[0], &uv[1], p0);
                pxpben_(&face, &uv[0], &uv[1], p1);
                expect3(p1, moved(p0), "surface point");
            }
            double fb[6];
            ASSERT_TRUE(host::kernel::face_box(face, fb));
            const double mid0[3] = {1, 2, kind0 == PX_SURF_PLANE ? o0[2] : 5.5};
            const auto mid = moved(mid0);
            for (int i = 0; i < 3; ++i) {
                EXPECT_LE(fb[i], mid[i] + 1e-6) << i;
                EXPECT_GE(fb[3 + i], mid[i] - 1e-6) << i;
            }
        }
    }
}

TEST_F(KernelQueries, BodyCheckFindsNoFaultAndAnswersAScriptedOne) {
    const int b = holed();
    int fault = -1;
    ZQ_BODY_check(b, &fault);
    EXPECT_EQ(fault, ZQ_FAULT_NONE);
    host::control::give_outputs("ZQ_BODY_check", {ZQ_FAULT_SELF_INTERSECT});
    ZQ_BODY_check(b, &fault);
    EXPECT_EQ(fault, ZQ_FAULT_SELF_INTERSECT);
    EXPECT_EQ(host::control::call_count("ZQ_BODY_check"), 2);
    host::control::clear_script("ZQ_BODY_check");
    EXPECT_EQ(raised([&] { ZQ_BODY_check(0, &fault); }), KERNEL_ERR_NO_ENTITY);
}

// A closed shell whose roof folds down through its floor: a box 10 x 10 x 10
// without its top, closed by a pyramid whose apex lies 5 below the floor.
// Sewn into a solid, its faces close up and face outwards, but the roof's
// faces cross the floor: the kernel's own checker finds them.
TEST_F(KernelQueries, BodyCheckFindsFacesThatCrossEachOther) {
    // The box's walls and floor and a pyramid roof with its apex at height
    // z, sewn into one body.
    const auto shell = [](double z) {
        using P = std::array<double, 3>;
        const P a{0, 0, 0}, b{10, 0, 0}, c{10, 10, 0}, d{0, 10, 0};
        const P ta{0, 0, 10}, tb{10, 0, 10}, tc{10, 10, 10}, td{0, 10, 10}, apex{5, 5, z};
        const std::vector<std::vector<P>> polygons = {
            {a, d, c, b},   {a, b, tb, ta}, {b, c, tc, tb}, {c, d, td, tc}, {d, a, ta, td},
            {ta, tb, apex}, {tb, tc, apex}, {tc, td, apex}, {td, ta, apex},
        };
        std::vector<int> sheets;
        for (const auto& polygon : polygons) {
            std::vector<double> points;
            for (const P& p : polygon) points.insert(points.end(), p.begin(), p.end());
            int profile = 0, sheet = 0;
            ZQ_BODY_make_wire(static_cast<int>(polygon.size()), points.data(), 1, &profile);
            ZQ_BODY_make_plane_sheet(profile, &sheet);
            sheets.push_back(sheet);
        }
        ZQ_BODY_sew(sheets[0], static_cast<int>(sheets.size() - 1), sheets.data() + 1, 1e-6);
        int type = 0;
        ZQ_BODY_ask_type(sheets[0], &type);
        EXPECT_EQ(type, ZQ_BODY_SOLID);
        return sheets[0];
    };
    const int folded = shell(-5);
    int fault = -1;
    ZQ_BODY_check(folded, &fault);
    EXPECT_EQ(fault, ZQ_FAULT_SELF_INTERSECT);
    EXPECT_NEAR(volume(folded), 1000 - 100 * 15 / 3.0, 1e-9);  // the fold counts against the box

    // The interface's check answers the fault's token in a list.
    const int zero = 0, one = 1;
    int n = 0, list = 0, ifail = -1, token = 0;
    KI_chcken(&folded, &zero, &zero, &n, &list, nullptr, nullptr, &ifail);
    ASSERT_EQ(ifail, 0);
    ASSERT_EQ(n, 1);
    KI_gtinli(&list, &one, &token, &ifail);
    EXPECT_EQ(token, KI_FAULT_SELF_INTERSECT);
    KI_delist(&list, &ifail);

    // With the apex above the roof the same shell is sound.
    ZQ_BODY_check(shell(15), &fault);
    EXPECT_EQ(fault, ZQ_FAULT_NONE);
}

TEST_F(KernelQueries, KernelFilesRoundTripAndImportedBodiesGetObjectsOnRequest) {
    const int b = holed();
    const int ball = [] {
        const double c[3] = {150, 30, 10};
        int s;
        ZQ_BODY_make_sphere(c, 5, &s);
        return s;
    }();
    std::string dir = (std::filesystem::temp_directory_path() / "kxbrep-XXXXXX").string();
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    const std::string file = dir + "/two.brep";
    const int both[2] = {b, ball};
    ZQ_BODY_export(2, both, file.c_str());
    int n = 0;
    int* read = nullptr;
    ZQ_BODY_import(file.c_str(), &n, &read);
    std::filesystem::remove_all(dir);
    ASSERT_EQ(n, 2);
    EXPECT_LT(rel(volume(read[0]), volume(b)), 1e-12);
    EXPECT_LT(rel(volume(read[1]), volume(ball)), 1e-12);
    EXPECT_EQ(host::kernel::faces_of(read[0]).size(), 7u);
    // No objects until asked for.
    EXPECT_EQ(host::kernel::object_of(read[0]), 0u);
    unsigned object = 0;
    int status = -1;
    es7008_(&read[0], &object, &status);
    EXPECT_EQ(status, 0);
    ASSERT_NE(object, 0u);
    EXPECT_EQ(host::kernel::object_of(read[0]), object);
    for (int f : host::kernel::faces_of(read[0])) EXPECT_NE(host::kernel::object_of(f), 0u);
    const int face = host::kernel::faces_of(b)[0];
    es7008_(&face, &object, &status);
    EXPECT_EQ(status, 1);
    SM_free(read);
    EXPECT_EQ(raised([&] { ZQ_BODY_import("/nonexistent/none.brep", &n, &read); }), KERNEL_ERR_BAD_DATA);
}

TEST_F(KernelQueries, FacesThatSurviveKeepTagsNewOnesGetNewTagsDeletedOnesDie) {
    const int b = block(100, 60, 20);
    const std::vector<int> before = host::kernel::faces_of(b);
    const std::vector<int> edges_before = host::kernel::edges_of(b);
    ZQ_BODY_boolean(b, cylinder({50, 30, -5}, {0, 0, 1}, 10, 30), ZQ_SUBTRACT);
    const std::vector<int> after = host::kernel::faces_of(b);
    // The six faces of the block stay (top and bottom modified: holed).
    for (int f : before) EXPECT_NE(std::find(after.begin(), after.end(), f), after.end()) << f;
    // Every edge of the block survives too.
    const std::vector<int> edges = host::kernel::edges_of(b);
    for (int e : edges_before) EXPECT_NE(std::find(edges.begin(), edges.end(), e), edges.end()) << e;
    // The hole's face is new to the body (it came with the tool).
    const int hole = face_of_type(b, ZQ_SURF_CYLINDER);
    EXPECT_EQ(std::find(before.begin(), before.end(), hole), before.end());
    // A blend of one edge deletes it and makes a face.
    const int edge = edges_at_height(b, 20)[0];
    const unsigned edge_object = host::kernel::object_of(edge);
    ZQ_BODY_blend_edges(b, 1, &edge, 2, 2);
    EXPECT_FALSE(obj::is_alive(edge_object));
    EXPECT_EQ(host::kernel::faces_of(b).size(), 8u);
    int cls = 0;
    EXPECT_EQ(raised([&] { ZQ_ENTITY_ask_class(edge, &cls); }), KERNEL_ERR_NO_ENTITY);
    // Deleting the body deletes its objects; deleting a body's object takes
    // the body and its faces' and edges' objects along.
    const unsigned body = host::kernel::object_of(b);
    const unsigned face = host::kernel::object_of(host::kernel::faces_of(b)[0]);
    ZQ_ENTITY_delete(b);
    EXPECT_FALSE(obj::is_alive(body));
    EXPECT_FALSE(obj::is_alive(face));
    EXPECT_TRUE(host::kernel::bodies().empty());
    const int other = block(1, 2, 3);
    const unsigned other_face = host::kernel::object_of(host::kernel::faces_of(other)[0]);
    obj::destroy(host::kernel::object_of(other));
    EXPECT_TRUE(host::kernel::bodies().empty());
    EXPECT_FALSE(obj::is_alive(other_face));
    EXPECT_EQ(ES_solid_ask_fermalith_tag(other_face), 0);
}

}  // namespace

namespace {

class KernelObjectQueries : public KernelQueries {};

TEST_F(KernelObjectQueries, SplitFacesPeriodicityNormalsAndPoints) {
    // A slot across the block splits its top face into two pieces.
    const int b = block(100, 50, 20);
    const int top = top_face(b);
    const unsigned top_object = host::kernel::object_of(top);
    ZQ_BODY_boolean(b, block(20, 70, 30, {40, -10, 10}), ZQ_SUBTRACT);
    int n = 0;
    unsigned* pieces = nullptr;
    PX_ask_split_faces(top_object, &n, &pieces);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(pieces[0], top_object);
    double area = 0;
    for (int i = 0; i < n; ++i) {
        double box[6];
        PX_ask_box(pieces[i], box);
        EXPECT_NEAR(box[2], 20, 1e-9);
        area += (box[3] - box[0]) * (box[4] - box[1]);
    }
    SM_free(pieces);
    EXPECT_NEAR(area, 80 * 50, 1e-9);

    const int holed_body = holed();
    const int hole = face_of_type(holed_body, ZQ_SURF_CYLINDER);
    int us = -1, vs = -1;
    double up = 0, vp = 0;
    PX_face_ask_surf_parm(host::kernel::object_of(hole), &us, &vs, &up, &vp);
    EXPECT_EQ(us, 1);
    EXPECT_NEAR(up, 2 * kPi, 1e-12);
    EXPECT_EQ(vs, 0);
    EXPECT_EQ(PX_face_ask_normal_direction(host::kernel::object_of(hole)), 0);  // the hole faces inwards
    int type = 0;
    double p[3], d[3], r = 0, r2 = 0;
    get_face_data(0, hole, &type, p, d, &r, &r2);
    EXPECT_EQ(type, ZQ_SURF_CYLINDER);
    EXPECT_NEAR(r, 10, 1e-12);
    double factors[2] = {0, 0};
    PART_ask_zr_scale_factors(part_, factors);
    EXPECT_EQ(factors[0], 1);
    EXPECT_EQ(factors[1], 1);

    for (int v : connected(hole, ZQ_CLASS_VERTEX)) {
        int point = 0, ifail = -1;
        KI_idpofv(&v, &point, &ifail);
        ASSERT_EQ(ifail, 0);
        double xyz[3];
        KI_outpoi(&point, xyz, &ifail);
        EXPECT_NEAR(std::hypot(xyz[0] - 50, xyz[1] - 30), 10, 1e-9);
    }
    int point = 0, ifail = 0;
    KI_idpofv(&hole, &point, &ifail);
    EXPECT_EQ(ifail, KERNEL_ERR_WRONG_ENTITY);
}

}  // namespace

namespace {

class KernelSplines : public KernelQueries {};

TEST_F(KernelSplines, SplineFormsOfSurfacesAndCurves) {
    // A B-surface gives back its own poles and knots.
    const double poles[] = {0, 0, 0, 1, 0, 1, 2, 0, 0, 0, 2, 0, 1, 2, 1, 2, 2, 0};
    int sheet = 0;
    ZQ_BODY_bsurface(3, 2, poles, 2, 1, &sheet);
    ZQ_bspline_t s{};
    ZQ_SURF_ask_bspline(host::kernel::faces_of(sheet)[0], &s);
    EXPECT_EQ(s.degree_u, 2);
    EXPECT_EQ(s.degree_v, 1);
    ASSERT_EQ(s.n_u, 3);
    ASSERT_EQ(s.n_v, 2);
    EXPECT_EQ(s.rational, 0);
    for (int i = 0; i < 18; ++i) EXPECT_NEAR(s.poles[i], poles[i], 1e-12) << i;
    EXPECT_EQ(s.n_uknots, 6);
    EXPECT_EQ(s.n_vknots, 4);
    ZQ_free_bspline(&s);
    EXPECT_EQ(s.poles, nullptr);

    // A plane face converts into a flat patch over the face: corners at the
    // face's corners.
    const int b = holed();
    ZQ_SURF_ask_bspline(top_face(b), &s);
    for (int i = 0; i < s.n_u * s.n_v; ++i) EXPECT_NEAR(s.poles[3 * i + 2], 20, 1e-12);
    ZQ_free_bspline(&s);

    // A straight edge is of degree 1 with its two ends as poles; the rim of
    // the hole is rational, starting on the circle.
    for (int e : host::kernel::edges_of(b)) {
        int type = 0;
        double p[3], d[3], r = 0;
        ZQ_EDGE_ask_curve_data(e, &type, p, d, &r);
        ZQ_CURVE_ask_bspline(e, &s);
        if (type == ZQ_CURVE_LINE) {
            EXPECT_EQ(s.degree_u, 1);
            EXPECT_EQ(s.n_u, 2);
            EXPECT_EQ(s.rational, 0);
        } else {
            EXPECT_EQ(type, ZQ_CURVE_CIRCLE);
            EXPECT_EQ(s.rational, 1);
            EXPECT_NEAR(std::hypot(s.poles[0] - 50, s.poles[1] - 30), 10, 1e-9);  // the first pole is on the circle
        }
        ZQ_free_bspline(&s);
    }
}

}  // namespace

namespace {

namespace ks = host::kernel_surfaces;

class DefinedFaces : public KernelQueries {
protected:
    // A face object of a body object of its own (not a kernel body).
    unsigned face_object() {
        const unsigned body = host::entity::create({OM_CLASS_RM_ENTITY, 70, 0, part_});
        const unsigned face = host::entity::create({OM_CLASS_RM_ENTITY, 70, 2, part_});
        host::entity::add_member(body, face);
        return face;
    }
    static ks::Surface surface(int kind, double r0, double r1, std::array<double, 4> box) {
        ks::Surface s;
        s.kind = kind;
        const double o[3] = {1, -2, 3}, a[3] = {0, 0.6, 0.8}, x[3] = {0, 0.8, -0.6};
        for (int i = 0; i < 3; ++i) {
            s.origin[i] = o[i];
            s.axis[i] = a[i];
            s.ref[i] = x[i];
        }
        s.radii[0] = r0;
        s.radii[1] = r1;
        std::copy(box.begin(), box.end(), s.box);
        return s;
    }
};

// A defined face is a kernel face: its point at (u, v) is the kernel face's
// own evaluation there (a cone's v scaled onto its generators), its box the
// one given.
TEST_F(DefinedFaces, PointsAreTheKernelFacesOwn) {
    const double a = 0.3;
    struct Case {
        const char* what;
        ks::Surface s;
        double v_scale;
    } cases[] = {
        {"plane", surface(PX_SURF_PLANE, 0, 0, {-1, 2, -3, 4}), 1},
        {"cylinder", surface(PX_SURF_CYLINDER, 2, 0, {0, 6, -1, 5}), 1},
        {"cone", surface(PX_SURF_CONE, 2, a, {0, 6, -1, 5}), std::cos(a)},
        {"sphere", surface(PX_SURF_SPHERE, 3, 0, {0, 6, -1.5, 1.5}), 1},
        {"torus", surface(PX_SURF_TORUS, 5, 1, {0, 6, -kPi, kPi}), 1},
    };
    const double uvs[][2] = {{0, 0}, {0.5, 1}, {2.5, -0.75}, {6, 1.5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const unsigned face = face_object();
        ks::define(face, c.s);
        int kernel_face = 0;
        es7010_(&face, &kernel_face);
        ASSERT_NE(kernel_face, 0);
        int status = -1;
        double box[4];
        pxeval_(&face, box, &status);
        EXPECT_EQ(status, 0);
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(box[i], c.s.box[i], 1e-12);
        for (const auto& uv : uvs) {
            double point[3], out[18], normal[3];
            pxpben_(&face, &uv[0], &uv[1], point);
            ZQ_SURF_eval(kernel_face, uv[0], uv[1] / c.v_scale, 0, out, normal);
            for (int i = 0; i < 3; ++i) EXPECT_NEAR(point[i], out[i], 1e-12);
        }
    }
    // The cone keeps its v along the axis: O + (r + v tan a)(cos u X + sin u Y) + v A.
    const unsigned cone = face_object();
    ks::define(cone, cases[2].s);
    const double u = 0, v = 2;
    double p[3];
    pxpben_(&cone, &u, &v, p);
    const ks::Surface& k = cases[2].s;
    const double radial = 2 + v * std::tan(a);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(p[i], k.origin[i] + radial * k.ref[i] + v * k.axis[i], 1e-12);
    // An offset is the kernel's offset of its base's surface, in the base's
    // parameters; pxbase_ answers the base face.
    ks::Surface offset = cases[2].s;
    offset.kind = PX_SURF_OFFSET;
    offset.base = cone;
    offset.distance = 0.5;
    const unsigned off = face_object();
    ks::define(off, offset);
    unsigned base = 0;
    pxbase_(&off, &base);
    EXPECT_EQ(base, cone);
    int off_face = 0;
    es7010_(&off, &off_face);
    ASSERT_NE(off_face, 0);
    double q[3], out[18], normal[3];
    pxpben_(&off, &u, &v, q);
    ZQ_SURF_eval(off_face, u, v / std::cos(a), 0, out, normal);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(q[i], out[i], 1e-12);
    EXPECT_NEAR(std::hypot(q[0] - p[0], q[1] - p[1], q[2] - p[2]), 0.5, 1e-12);
}

// The sheet a defined face holds is no body of the model, and it goes with
// the face: when the face object dies, when an undo takes the definition
// back, when the face is defined anew (one sheet), when the data is one
// the kernel cannot build.
TEST_F(DefinedFaces, TheKernelSheetGoesWithTheFace) {
    const auto held = [] {
        int n = 0;
        for (int b : host::kernel::bodies()) n += host::kernel::object_of(b) == 0;
        return n;
    };
    const int solid = block(1, 2, 3);
    const unsigned face = face_object();
    int status = 0;
    const unsigned mark = UNDO_JQ_set_mark(UNDO_INVISIBLE, "before", &status);
    ks::define(face, surface(PX_SURF_CYLINDER, 2, 0, {0, 1, 0, 1}));
    EXPECT_EQ(held(), 1);
    EXPECT_NE(ES_solid_ask_fermalith_tag(face), 0);
    EXPECT_EQ(ES_solid_ask_body(face), 0u);
    unsigned entity = 0;
    int faces = 0;
    es7034_(&face, &entity, &faces);  // the face's body is its owner, not the sheet
    EXPECT_EQ(entity, face);
    EXPECT_EQ(faces, 1);
    ks::define(face, surface(PX_SURF_SPHERE, 2, 0, {0, 1, 0, 1}));
    EXPECT_EQ(held(), 1);
    ASSERT_EQ(UNDO_JQ_undo_to_mark(mark, nullptr), 0);
    EXPECT_EQ(held(), 0);
    EXPECT_EQ(ES_solid_ask_fermalith_tag(face), 0);
    EXPECT_EQ(host::kernel::bodies(), std::vector<int>{solid});

    ks::define(face, surface(PX_SURF_CYLINDER, 2, 0, {0, 1, 0, 1}));
    EXPECT_EQ(held(), 1);
    ks::define(face, surface(PX_SURF_CYLINDER, 2, 0, {0, 1, 1, 0}));  // an inverted box: recorded data
    EXPECT_EQ(held(), 0);
    ks::define(face, surface(PX_SURF_CYLINDER, 2, 0, {0, 1, 0, 1}));
    obj::destroy(face);
    EXPECT_EQ(held(), 0);
    // A face made and defined after a mark: the undo takes both back.
    const unsigned later = UNDO_JQ_set_mark(UNDO_INVISIBLE, "later", &status);
    const unsigned made = face_object();
    ks::define(made, surface(PX_SURF_TORUS, 5, 1, {0, 1, 0, 1}));
    EXPECT_EQ(held(), 1);
    ASSERT_EQ(UNDO_JQ_undo_to_mark(later, nullptr), 0);
    EXPECT_FALSE(obj::is_alive(made));
    EXPECT_EQ(held(), 0);
    EXPECT_EQ(host::kernel::bodies(), std::vector<int>{solid});

    // A face of a body of the model keeps its own kernel face.
    const unsigned side = host::kernel::object_of(host::kernel::faces_of(solid)[0]);
    ks::define(side, surface(PX_SURF_CONE, 2, 0.3, {0, 1, 0, 1}));
    EXPECT_EQ(held(), 0);
    EXPECT_EQ(host::kernel::body_of(ES_solid_ask_fermalith_tag(side)), solid);
    unsigned char sense = 0;
    int kind = 0;
    double origin[3], axis[3], radii[2], box[4];
    PX_face_ask_data(side, &sense, &kind, origin, axis, radii);
    EXPECT_EQ(kind, PX_SURF_PLANE);
    pxeval_(&side, box, &status);
    double expected[4];
    ZQ_FACE_ask_uv_box(host::kernel::faces_of(solid)[0], expected);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(box[i], expected[i]);
}

}  // namespace

namespace {

// Data the kernel cannot build stays as given: its queries answer the
// recorded values, a point the kernel's surface of the data where only
// the box was wrong, else what a test scripts (the origin unless it does).
TEST_F(DefinedFaces, DataTheKernelCannotBuildIsAnsweredAsRecorded) {
    ks::Surface along = surface(PX_SURF_PLANE, 0, 0, {0, 1, 0, 1});
    for (int i = 0; i < 3; ++i) along.ref[i] = along.axis[i];
    ks::Surface inverted = surface(PX_SURF_CONE, 2, 0.25, {0, 1, 5e-8, -3e-8});
    const unsigned plane = face_object(), cone = face_object();
    ks::define(plane, along);
    ks::define(cone, inverted);
    for (unsigned f : {plane, cone}) EXPECT_EQ(ES_solid_ask_fermalith_tag(f), 0);
    int status = -1;
    double box[4];
    pxeval_(&cone, box, &status);
    EXPECT_EQ(status, 0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(box[i], inverted.box[i]);
    unsigned char sense = 0;
    int kind = 0;
    double origin[3], axis[3], radii[2];
    PX_face_ask_data(plane, &sense, &kind, origin, axis, radii);
    EXPECT_EQ(kind, PX_SURF_PLANE);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(origin[i], along.origin[i]);

    const double u = 0, v = 1;
    double p[3];
    pxpben_(&cone, &u, &v, p);  // the cone's v along its axis
    const double radial = 2 + std::tan(0.25);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(p[i], inverted.origin[i] + radial * inverted.ref[i] + inverted.axis[i], 1e-12);
    pxpben_(&plane, &u, &v, p);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(p[i], along.origin[i]);
    host::control::give_outputs("pxpben_", {7.0, 8.0, 9.0});
    pxpben_(&plane, &u, &v, p);
    EXPECT_EQ(p[0], 7);
    EXPECT_EQ(p[2], 9);
}

}  // namespace
